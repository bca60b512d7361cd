#include "framework/graphics/QtImage.h"
#include "framework/core/Translations.h"

#include "framework/core/Limits.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Dib.h"
#include "framework/graphics/Pictures.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// Qt's reader refuses any single image buffer of this many mebibytes or more: the largest
// picture kMaxBitmapPixels admits at 32 bits per pixel still passes, a 64-bit decode of it
// does not.
constexpr int kAllocationLimitMiB = static_cast<int>((kMaxBitmapPixels * 4 >> 20) + 1);

EInvalidGraphic NotValid(const QByteArray& format, const QString& why) {
    const QString kind =
        format.isEmpty() ? QStringLiteral("Picture") : QString::fromLatin1(format.toUpper());
    return EInvalidGraphic(Translate("SysConst", "%1 image is not valid: %2").arg(kind, why));
}

} // namespace

QImage ReadQtImage(const QByteArray& bytes, const QByteArray& format) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(format.isEmpty());
    reader.setAllocationLimit(kAllocationLimitMiB);
    // Some readers say they can read whatever they are given; the header's size tells.
    const QSize size = reader.canRead() ? reader.size() : QSize();
    if (!size.isValid() || size.isEmpty())
        throw NotValid(format, Translate("SysConst", "not such a file, or its header is damaged"));
    if (static_cast<int64_t>(size.width()) * size.height() > kMaxBitmapPixels)
        throw NotValid(format, Translate("SysConst", "%1 x %2 pixels, more than %3")
                                   .arg(size.width())
                                   .arg(size.height())
                                   .arg(kMaxBitmapPixels));
    // Deep pixels (16 bits a channel) are decoded as deep as they are stored.
    const QImage::Format decoded = reader.imageFormat();
    const int64_t bits =
        decoded == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(decoded).bitsPerPixel();
    const int64_t bytesNeeded = static_cast<int64_t>(size.width()) * size.height() * bits / 8;
    if (bytesNeeded >> 20 >= kAllocationLimitMiB)
        throw NotValid(format, Translate("SysConst", "%1 x %2 pixels of %3 bits, more than %4 MB")
                                   .arg(size.width())
                                   .arg(size.height())
                                   .arg(bits)
                                   .arg(kAllocationLimitMiB - 1));
    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw NotValid(format, Translate("SysConst", "its pixels are damaged or cut short (%1)")
                                   .arg(reader.errorString()));
    if (image.size() != size)
        throw NotValid(format,
                       Translate("SysConst", "its pixels are not the size its header declares"));
    image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                          : QImage::Format_RGB32);
    if (image.isNull()) throw EOutOfResources(Translate("SysConst", "Out of system resources"));
    return image;
}

TQtImage::TQtImage(QObject* parent) : TGraphic(parent) {}
TQtImage::TQtImage(const QByteArray& format, QObject* parent) : TGraphic(parent), format_(format) {}
TQtImage::~TQtImage() = default;

void TQtImage::SetWidth(int) {
    throw EInvalidGraphicOperation(Translate("SysConst", "Cannot change the size of this picture"));
}

void TQtImage::SetHeight(int) {
    throw EInvalidGraphicOperation(Translate("SysConst", "Cannot change the size of this picture"));
}

void TQtImage::LoadFromStream(QIODevice& stream) {
    QByteArray bytes = stream.readAll();
    image_ = ReadQtImage(bytes, format_);
    bytes_ = std::move(bytes);
    Changed(this);
}

void TQtImage::LoadFromFile(const QString& fileName) {
    try {
        TGraphic::LoadFromFile(fileName);
    } catch (EInvalidGraphic& e) {
        if (!e.Message().contains(fileName))
            e.SetMessage(QStringLiteral("%1: %2").arg(fileName, e.Message()));
        throw;
    }
}

void TQtImage::SaveToStream(QIODevice& stream) {
    if (stream.write(bytes_) != bytes_.size())
        throw EStreamError(Translate("SysConst", "Stream write error"));
}

void TQtImage::Draw(TCanvas& canvas, const QRect& rect) {
    TDeviceContext* dc = canvas.Handle();
    if (!dc || image_.isNull()) return;
    if (image_.hasAlphaChannel()) {
        DrawMaskedImage(*dc, rect, image_);
        return;
    }
    dc->SetStretchBltMode(COLORONCOLOR);
    if (dc->DrawImage(rect, image_, image_.rect())) return;
    dc->StretchDIBits(rect, image_.rect(), EncodeDib(image_, 24), SRCCOPY);
}

void TQtImage::Assign(TPersistent* source) {
    if (!source) {
        image_ = QImage();
        bytes_.clear();
        Changed(this);
        return;
    }
    if (auto* q = qobject_cast<TQtImage*>(source)) {
        if (q == this) return;
        format_ = q->format_;
        bytes_ = q->bytes_;
        image_ = q->image_;
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void RegisterQtImageFormats() {
    struct Kind {
        const char* extension;
        const char* description;
    };
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    for (const Kind& kind : {Kind{"png", "PNG images"}, Kind{"gif", "GIF images"}}) {
        const QByteArray format(kind.extension);
        if (!readable.contains(format)) continue;
        RegisterFileFormat(QString::fromLatin1(kind.extension),
                           QString::fromLatin1(kind.description),
                           [format] { return std::make_unique<TQtImage>(format); });
    }
}
