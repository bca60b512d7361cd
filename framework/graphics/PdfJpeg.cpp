#include "framework/graphics/PdfJpeg.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>
#include <QSaveFile>

// No old pointer-holder names: only the standard smart pointers are used here.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <unistd.h>
#include <array>
#include <cstring>

namespace {

// A placeholder is 8 x 1 pixels: five colours no picture of ours is made of, then its
// number in the red, green and blue of the last three. Never grey, so the PDF engine keeps
// it in RGB; drawn lossless, so its pixels come back as they were.
constexpr int kPlaceholderWidth = 8;
constexpr std::array<uchar, 15> kMark = {0x53, 0x4C, 0x56, 0x4A, 0x50, 0x47, 0xA7, 0x1D,
                                         0xE3, 0x5B, 0x90, 0x2E, 0xC4, 0x71, 0x0F};

QImage Placeholder(uint32_t number) {
    QImage image(kPlaceholderWidth, 1, QImage::Format_RGB888);
    uchar* row = image.scanLine(0);
    std::memcpy(row, kMark.data(), kMark.size());
    for (int i = 0; i < 3; ++i) {
        row[15 + i * 3] = static_cast<uchar>(number >> (8 * i));
        row[16 + i * 3] = static_cast<uchar>(0x80 | i);
        row[17 + i * 3] = static_cast<uchar>(0x40 + i);
    }
    return image;
}

// The number a placeholder's pixels carry; -1 when they are not a placeholder's.
int PlaceholderNumber(const std::string& pixels) {
    if (pixels.size() != kPlaceholderWidth * 3 ||
        std::memcmp(pixels.data(), kMark.data(), kMark.size()) != 0)
        return -1;
    uint32_t number = 0;
    for (int i = 0; i < 3; ++i) {
        if (static_cast<uchar>(pixels[16 + i * 3]) != (0x80 | i) ||
            static_cast<uchar>(pixels[17 + i * 3]) != 0x40 + i)
            return -1;
        number |= uint32_t(static_cast<uchar>(pixels[15 + i * 3])) << (8 * i);
    }
    return static_cast<int>(number);
}

struct TPasses {
    QMutex lock;
    QHash<const QPaintDevice*, TPdfJpegPass*> byDevice;
};

TPasses& Passes() {
    static TPasses passes;
    return passes;
}

const char* ColorSpace(const TJpegPicture& jpeg) {
    switch (jpeg.components) {
    case 1:
        return "/DeviceGray";
    case 4:
        return "/DeviceCMYK";
    default:
        return "/DeviceRGB";
    }
}

} // namespace

TPdfJpegPass::TPdfJpegPass(QPaintDevice* device) : device_(device) {
    TPasses& passes = Passes();
    QMutexLocker locked(&passes.lock);
    passes.byDevice.insert(device_, this);
}

TPdfJpegPass::~TPdfJpegPass() {
    TPasses& passes = Passes();
    QMutexLocker locked(&passes.lock);
    if (passes.byDevice.value(device_) == this) passes.byDevice.remove(device_);
}

TPdfJpegPass* TPdfJpegPass::For(const QPaintDevice* device) {
    TPasses& passes = Passes();
    QMutexLocker locked(&passes.lock);
    return passes.byDevice.value(device, nullptr);
}

void TPdfJpegPass::Place(QPainter& painter, const QRectF& dest, const TJpegPicture& jpeg) {
    const Picture* picture = nullptr;
    for (const Picture& p : pictures_)
        if (p.jpeg.bytes.size() == jpeg.bytes.size() && p.jpeg.bytes == jpeg.bytes) picture = &p;
    if (!picture) {
        pictures_.push_back({jpeg, Placeholder(static_cast<uint32_t>(pictures_.size()))});
        picture = &pictures_.back();
    }
    painter.save();
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(dest, picture->placeholder);
    painter.restore();
}

namespace {

// The whole of an open file, from its start.
QByteArray ReadAll(int fd) {
    QByteArray bytes;
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw TPdfJpegError("cannot read the PDF file");
        if (n == 0) return bytes;
        bytes.append(buffer, n);
        at += n;
    }
}

void WriteAll(int fd, const unsigned char* data, size_t size) {
    if (::ftruncate(fd, 0) != 0) throw TPdfJpegError("cannot rewrite the PDF file");
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw TPdfJpegError("cannot rewrite the PDF file");
        done += static_cast<size_t>(n);
    }
}

} // namespace

void TPdfJpegPass::Finish(const QString& pdfFile) {
    if (pictures_.empty()) return;
    QFile file(pdfFile);
    // Read whole and written back whole into a file beside it, which takes its name.
    if (!file.open(QIODevice::ReadOnly)) throw TPdfJpegError("cannot read the PDF file");
    const std::optional<QByteArray> rewritten = Rewrite(ReadAll(file.handle()));
    file.close();
    if (!rewritten) return;
    QSaveFile out(pdfFile);
    if (!out.open(QIODevice::WriteOnly) || out.write(*rewritten) != rewritten->size() ||
        !out.commit())
        throw TPdfJpegError("cannot replace the PDF file");
}

void TPdfJpegPass::Finish(int fd) {
    if (pictures_.empty()) return;
    const std::optional<QByteArray> rewritten = Rewrite(ReadAll(fd));
    if (rewritten)
        WriteAll(fd, reinterpret_cast<const unsigned char*>(rewritten->constData()),
                 static_cast<size_t>(rewritten->size()));
}

std::optional<QByteArray> TPdfJpegPass::Rewrite(const QByteArray& written) const {
    std::vector<bool> placed(pictures_.size(), false);
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processMemoryFile("PDF file", written.constData(),
                              static_cast<size_t>(written.size()));
        for (QPDFObjectHandle object : pdf.getAllObjects()) {
            if (!object.isStream()) continue;
            QPDFObjectHandle dict = object.getDict();
            if (!dict.getKey("/Subtype").isNameAndEquals("/Image") ||
                !dict.getKey("/Width").isInteger() || !dict.getKey("/Height").isInteger() ||
                dict.getKey("/Width").getIntValue() != kPlaceholderWidth ||
                dict.getKey("/Height").getIntValue() != 1)
                continue;
            const std::shared_ptr<Buffer> data = object.getStreamData(qpdf_dl_generalized);
            const int n = PlaceholderNumber(
                std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()));
            if (n < 0 || n >= Pictures()) continue;
            const TJpegPicture& jpeg = pictures_[static_cast<size_t>(n)].jpeg;
            object.replaceStreamData(
                std::string(jpeg.bytes.constData(), static_cast<size_t>(jpeg.bytes.size())),
                QPDFObjectHandle::newName("/DCTDecode"), QPDFObjectHandle::newNull());
            dict.replaceKey("/Width", QPDFObjectHandle::newInteger(jpeg.size.width()));
            dict.replaceKey("/Height", QPDFObjectHandle::newInteger(jpeg.size.height()));
            dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName(ColorSpace(jpeg)));
            dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
            for (const char* key : {"/SMask", "/Mask", "/Decode", "/DecodeParms", "/Interpolate"})
                dict.removeKey(key);
            // Adobe's CMYK pictures store their values inverted.
            if (jpeg.components == 4 && jpeg.adobe)
                dict.replaceKey("/Decode", QPDFObjectHandle::parse("[1 0 1 0 1 0 1 0]"));
            placed[static_cast<size_t>(n)] = true;
        }
        // A picture drawn wholly outside its page leaves no image object: nothing to do.
        if (std::find(placed.begin(), placed.end(), true) == placed.end()) return std::nullopt;
        QPDFWriter writer(pdf);
        writer.setOutputMemory();
        // Streams stay as the PDF engine coded them; the pictures' bytes as they are.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setCompressStreams(true);
        writer.write();
        const std::shared_ptr<Buffer> out = writer.getBufferSharedPointer();
        return QByteArray(reinterpret_cast<const char*>(out->getBuffer()),
                          static_cast<qsizetype>(out->getSize()));
    } catch (const TPdfJpegError&) {
        throw;
    } catch (const std::exception& e) {
        throw TPdfJpegError(e.what());
    }
}
