#include "framework/graphics/Dib.h"

#include "framework/core/Limits.h"
#include "framework/graphics/Units.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>

namespace {

const uchar* Bytes(QByteArrayView v) {
    return reinterpret_cast<const uchar*>(v.data());
}

uint32_t U32(QByteArrayView v, qsizetype at) {
    return qFromLittleEndian<uint32_t>(Bytes(v) + at);
}
int32_t I32(QByteArrayView v, qsizetype at) {
    return static_cast<int32_t>(U32(v, at));
}
uint16_t U16(QByteArrayView v, qsizetype at) {
    return qFromLittleEndian<uint16_t>(Bytes(v) + at);
}

int MaskShift(uint32_t mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

int MaskBits(uint32_t mask) {
    mask >>= MaskShift(mask);
    int n = 0;
    while (mask & 1) {
        mask >>= 1;
        ++n;
    }
    return n;
}

// One run of set bits, or none at all.
bool Contiguous(uint32_t mask) {
    if (!mask) return true;
    const uint32_t m = mask >> MaskShift(mask);
    return (m & (m + 1)) == 0;
}

// A channel value widened to 8 bits with rounding, so that full-scale stays full-scale.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Channel(uint32_t m) : mask(m), shift(MaskShift(m)), bits(MaskBits(m)) {}
    uint8_t operator()(uint32_t value) const {
        if (!mask) return 0;
        const uint32_t v = (value & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
        const uint32_t max = (1u << bits) - 1;
        return static_cast<uint8_t>((v * 255 + max / 2) / max);
    }
};

bool ValidMasks(uint32_t r, uint32_t g, uint32_t b, int bitCount) {
    if (!(r | g | b)) return false;
    if (!Contiguous(r) || !Contiguous(g) || !Contiguous(b)) return false;
    if ((r & g) || (r & b) || (g & b)) return false;
    if (bitCount == 16 && ((r | g | b) & 0xFFFF0000u)) return false;
    return true;
}

QList<QRgb> ReadPalette(QByteArrayView info, const TDibHeader& h) {
    QList<QRgb> palette;
    palette.reserve(h.colorCount);
    for (int i = 0; i < h.colorCount; ++i) {
        const uchar* e =
            Bytes(info) + h.colorTableOffset + static_cast<qsizetype>(i) * h.colorEntrySize;
        palette << qRgb(e[2], e[1], e[0]);
    }
    return palette;
}

// Rows in the order they are stored map to image rows bottom first unless top-down.
int ImageRow(const TDibHeader& h, int64_t stored) {
    return static_cast<int>(h.topDown ? stored : h.height - 1 - stored);
}

void UnpackIndexedRow(const uchar* row, uchar* out, int width, int bitCount, int& maxIndex) {
    int top = 0;
    switch (bitCount) {
    case 1:
        for (int x = 0; x < width; ++x)
            out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        break;
    case 4:
        for (int x = 0; x < width; ++x)
            out[x] = (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
        break;
    default:
        std::memcpy(out, row, static_cast<size_t>(width));
        break;
    }
    for (int x = 0; x < width; ++x)
        top = std::max<int>(top, out[x]);
    maxIndex = std::max(maxIndex, top);
}

// Bit-field rows widen every channel to 8 bits; 16-bit rows then keep 5 bits of each, as
// the 5-5-5 layout that 16-bit bitmaps are held in.
QImage DecodeMaskedRows(const TDibHeader& h, const uchar* bits) {
    const bool narrow = h.bitCount == 16;
    QImage image(h.width, h.height, narrow ? QImage::Format_RGB555 : QImage::Format_RGB32);
    if (image.isNull()) return {};
    const Channel r(h.redMask), g(h.greenMask), b(h.blueMask);
    const int64_t stride = h.Stride();
    for (int64_t s = 0; s < h.height; ++s) {
        const uchar* row = bits + s * stride;
        uchar* out = image.scanLine(ImageRow(h, s));
        for (int x = 0; x < h.width; ++x) {
            if (narrow) {
                const uint32_t v = qFromLittleEndian<uint16_t>(row + 2 * x);
                reinterpret_cast<quint16*>(out)[x] =
                    static_cast<quint16>((r(v) >> 3) << 10 | (g(v) >> 3) << 5 | b(v) >> 3);
            } else {
                const uint32_t v = qFromLittleEndian<uint32_t>(row + 4 * x);
                reinterpret_cast<QRgb*>(out)[x] = qRgb(r(v), g(v), b(v));
            }
        }
    }
    return image;
}

QImage DecodePlainRows(const TDibHeader& h, QByteArrayView bits, int& maxIndex) {
    if (h.ImageSize() > bits.size()) return {}; // truncated rows
    const uchar* src = Bytes(bits);
    const int64_t stride = h.Stride();
    if (h.bitCount <= 8) {
        QImage image(h.width, h.height, QImage::Format_Indexed8);
        if (image.isNull()) return {};
        for (int64_t s = 0; s < h.height; ++s)
            UnpackIndexedRow(src + s * stride, image.scanLine(ImageRow(h, s)), h.width, h.bitCount,
                             maxIndex);
        return image;
    }
    if (h.bitCount == 24) {
        QImage image(h.width, h.height, QImage::Format_BGR888);
        if (image.isNull()) return {};
        for (int64_t s = 0; s < h.height; ++s)
            std::memcpy(image.scanLine(ImageRow(h, s)), src + s * stride,
                        static_cast<size_t>(h.width) * 3);
        return image;
    }
    if (h.bitCount == 16 && h.blueMask == 0x1F &&
        ((h.redMask == 0x7C00 && h.greenMask == 0x03E0) ||
         (h.redMask == 0xF800 && h.greenMask == 0x07E0))) {
        const bool rgb565 = h.redMask == 0xF800;
        QImage image(h.width, h.height, rgb565 ? QImage::Format_RGB16 : QImage::Format_RGB555);
        if (image.isNull()) return {};
        for (int64_t s = 0; s < h.height; ++s) {
            const uchar* row = src + s * stride;
            auto* out = reinterpret_cast<quint16*>(image.scanLine(ImageRow(h, s)));
            for (int x = 0; x < h.width; ++x) {
                const quint16 v = qFromLittleEndian<quint16>(row + 2 * x);
                out[x] = rgb565 ? v : static_cast<quint16>(v & 0x7FFF);
            }
        }
        return image;
    }
    if (h.bitCount == 32 && h.redMask == 0xFF0000 && h.greenMask == 0xFF00 && h.blueMask == 0xFF) {
        QImage image(h.width, h.height, QImage::Format_RGB32);
        if (image.isNull()) return {};
        for (int64_t s = 0; s < h.height; ++s) {
            const uchar* row = src + s * stride;
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(ImageRow(h, s)));
            for (int x = 0; x < h.width; ++x)
                out[x] = qFromLittleEndian<uint32_t>(row + 4 * x) | 0xFF000000u;
        }
        return image;
    }
    return DecodeMaskedRows(h, src);
}

// Run-length encoded rows: runs and literal groups must stay inside their row and the
// data must describe every row; anything else is damage. Some encoders run on into the
// row's padding (up to the next 4-byte boundary): those pixels are dropped.
QImage DecodeRleRows(const TDibHeader& h, QByteArrayView bits, int& maxIndex) {
    QImage image(h.width, h.height, QImage::Format_Indexed8);
    if (image.isNull()) return {};
    image.fill(0);
    const bool rle4 = h.compression == BI_RLE4;
    const int64_t rowLimit = h.Stride() * 8 / h.bitCount;
    const uchar* p = Bytes(bits);
    const qsizetype n = bits.size();
    qsizetype pos = 0;
    int64_t x = 0, y = 0; // y counts stored rows, from the bottom
    auto put = [&](uchar index) {
        if (x < h.width) {
            image.scanLine(static_cast<int>(h.height - 1 - y))[x] = index;
            maxIndex = std::max<int>(maxIndex, index);
        }
        ++x;
    };
    for (;;) {
        if (pos + 2 > n) return y >= h.height - 1 ? image : QImage(); // no end-of-bitmap mark
        const uchar count = p[pos], value = p[pos + 1];
        pos += 2;
        if (count > 0) {
            if (y >= h.height || x + count > rowLimit) return {};
            for (int i = 0; i < count; ++i)
                put(rle4 ? static_cast<uchar>((i & 1) ? value & 15 : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            if (++y > h.height) return {};
            break;
        case 1:
            return image; // end of bitmap
        case 2:           // move right and up
            if (pos + 2 > n) return {};
            x += p[pos];
            y += p[pos + 1];
            pos += 2;
            if (x > rowLimit || y > h.height) return {};
            break;
        default: { // literal group, padded to a 16-bit boundary
            const qsizetype bytes = rle4 ? (value + 1) / 2 : value;
            if (pos + bytes > n || y >= h.height || x + value > rowLimit) return {};
            for (int i = 0; i < value; ++i)
                put(rle4 ? static_cast<uchar>((i & 1) ? p[pos + i / 2] & 15 : p[pos + i / 2] >> 4)
                         : p[pos + i]);
            pos += (bytes + 1) & ~qsizetype(1);
            break;
        }
        }
    }
}

void PutHeader(uchar* info, int width, int height, int bitCount, uint32_t compression,
               uint32_t imageSize, uint32_t colors) {
    qToLittleEndian<uint32_t>(40, info);
    qToLittleEndian<int32_t>(width, info + 4);
    qToLittleEndian<int32_t>(height, info + 8);
    qToLittleEndian<uint16_t>(1, info + 12);
    qToLittleEndian<uint16_t>(static_cast<uint16_t>(bitCount), info + 14);
    qToLittleEndian<uint32_t>(compression, info + 16);
    qToLittleEndian<uint32_t>(imageSize, info + 20);
    // Bitmaps are drawn at the screen's density.
    const auto perMetre = static_cast<int32_t>(
        Units::ConvertRounded(1000, Units::kMillimetre, Units::Pixels(ScreenPixelsPerInch())));
    qToLittleEndian<int32_t>(perMetre, info + 24);
    qToLittleEndian<int32_t>(perMetre, info + 28);
    qToLittleEndian<uint32_t>(colors, info + 32);
}

QImage IndexedSource(const QImage& image) {
    if (image.format() == QImage::Format_Indexed8) return image;
    if (image.format() == QImage::Format_Grayscale8) {
        QList<QRgb> grey;
        for (int i = 0; i < 256; ++i)
            grey << qRgb(i, i, i);
        QImage out(image.width(), image.height(), QImage::Format_Indexed8);
        out.setColorTable(grey);
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(out.scanLine(y), image.constScanLine(y),
                        static_cast<size_t>(image.width()));
        return out;
    }
    return image.convertToFormat(QImage::Format_Indexed8);
}

} // namespace

QImage::Format DibImageFormat(int bitCount) {
    switch (bitCount) {
    case 16:
        return QImage::Format_RGB555;
    case 24:
        return QImage::Format_BGR888;
    case 32:
        return QImage::Format_RGB32;
    default:
        return QImage::Format_Indexed8;
    }
}

std::optional<TDibHeader> ReadDibHeader(QByteArrayView info) {
    if (info.size() < 12) return std::nullopt;
    TDibHeader h;
    h.headerSize = U32(info, 0);
    int64_t width, height;
    uint32_t clrUsed = 0;
    int planes;
    if (h.headerSize == 12) {
        // The core header's sizes are unsigned 16-bit values and its rows bottom-up.
        width = U16(info, 4);
        height = U16(info, 6);
        planes = U16(info, 8);
        h.bitCount = U16(info, 10);
        h.colorEntrySize = 3;
        if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 24)
            return std::nullopt;
    } else {
        if (h.headerSize < 40 || h.headerSize > static_cast<uint64_t>(info.size()))
            return std::nullopt;
        width = I32(info, 4);
        height = I32(info, 8);
        planes = U16(info, 12);
        h.bitCount = U16(info, 14);
        h.compression = U32(info, 16);
        clrUsed = U32(info, 32);
    }
    if (planes != 1 || width <= 0 || height == 0) return std::nullopt;
    h.topDown = height < 0;
    const int64_t rows = height < 0 ? -height : height;
    if (width * rows > kMaxBitmapPixels) return std::nullopt;
    h.width = static_cast<int>(width);
    h.height = static_cast<int>(rows);

    switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return std::nullopt;
    }
    qsizetype tableAt = h.headerSize;
    switch (h.compression) {
    case BI_RGB:
        if (h.bitCount == 16) h.redMask = 0x7C00, h.greenMask = 0x03E0, h.blueMask = 0x1F;
        if (h.bitCount == 32) h.redMask = 0xFF0000, h.greenMask = 0xFF00, h.blueMask = 0xFF;
        break;
    case BI_RLE8:
    case BI_RLE4:
        if (h.bitCount != (h.compression == BI_RLE8 ? 8 : 4) || h.topDown) return std::nullopt;
        break;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS: {
        if (h.bitCount != 16 && h.bitCount != 32) return std::nullopt;
        // Masks are part of the longer headers and follow the 40-byte one.
        const qsizetype maskBytes = h.compression == BI_ALPHABITFIELDS ? 16 : 12;
        const qsizetype at = h.headerSize >= 52 ? 40 : h.headerSize;
        if (at + 12 > info.size()) return std::nullopt;
        h.redMask = U32(info, at);
        h.greenMask = U32(info, at + 4);
        h.blueMask = U32(info, at + 8);
        if (!ValidMasks(h.redMask, h.greenMask, h.blueMask, h.bitCount)) return std::nullopt;
        if (at == static_cast<qsizetype>(h.headerSize)) tableAt += maskBytes;
        break;
    }
    default:
        return std::nullopt; // embedded JPEG or PNG, or unknown
    }
    h.colorTableOffset = tableAt;
    if (h.bitCount <= 8) {
        const int64_t maxColors = int64_t(1) << h.bitCount;
        int64_t count = clrUsed ? clrUsed : maxColors;
        if (h.headerSize == 12) // old files may list fewer entries than the depth allows
            count = std::min<int64_t>(maxColors, (info.size() - tableAt) / 3);
        if (count < 1 || count > maxColors) return std::nullopt;
        if (tableAt + count * h.colorEntrySize > info.size()) return std::nullopt;
        h.colorCount = static_cast<int>(count);
        h.infoSize = tableAt + count * h.colorEntrySize;
    } else {
        // A colour table beside true-colour rows only advises a display palette.
        h.infoSize = tableAt + static_cast<int64_t>(clrUsed) * 4;
    }
    return h;
}

std::optional<TDecodedDib> DecodeDib(QByteArrayView info, QByteArrayView bits) {
    const std::optional<TDibHeader> h = ReadDibHeader(info);
    if (!h) return std::nullopt;
    int maxIndex = 0;
    QImage image = h->compression == BI_RLE8 || h->compression == BI_RLE4
                       ? DecodeRleRows(*h, bits, maxIndex)
                       : DecodePlainRows(*h, bits, maxIndex);
    if (image.isNull()) return std::nullopt;
    if (h->bitCount <= 8) {
        QList<QRgb> palette = ReadPalette(info, *h);
        // Indexes past a short palette show black rather than reading beyond it.
        if (maxIndex >= palette.size())
            while (palette.size() < (qsizetype(1) << h->bitCount))
                palette << qRgb(0, 0, 0);
        image.setColorTable(palette);
    }
    return TDecodedDib{std::move(image), h->bitCount};
}

TDib EncodeDib(const QImage& source, int bitCount) {
    TDib dib;
    if (source.isNull()) return dib;
    const int w = source.width(), h = source.height();
    QImage image;
    QList<QRgb> palette;
    uint32_t compression = BI_RGB;
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
        image = IndexedSource(source);
        palette = image.colorTable().mid(0, qsizetype(1) << bitCount);
        if (palette.isEmpty()) palette << qRgb(0, 0, 0);
        break;
    case 16:
        if (source.format() == QImage::Format_RGB16) {
            image = source;
            compression = BI_BITFIELDS;
        } else {
            image = source.convertToFormat(QImage::Format_RGB555);
        }
        break;
    case 32:
        image = source.convertToFormat(QImage::Format_RGB32);
        break;
    default:
        bitCount = 24;
        image = source.convertToFormat(QImage::Format_BGR888);
        break;
    }
    const int64_t stride = ((static_cast<int64_t>(w) * bitCount + 31) / 32) * 4;
    const qsizetype extra = compression == BI_BITFIELDS ? 12 : 4 * palette.size();
    dib.info.resize(40 + extra);
    dib.info.fill(0);
    auto* info = reinterpret_cast<uchar*>(dib.info.data());
    PutHeader(info, w, h, bitCount, compression, static_cast<uint32_t>(stride * h),
              static_cast<uint32_t>(palette.size()));
    if (compression == BI_BITFIELDS) {
        qToLittleEndian<uint32_t>(0xF800, info + 40);
        qToLittleEndian<uint32_t>(0x07E0, info + 44);
        qToLittleEndian<uint32_t>(0x001F, info + 48);
    }
    for (qsizetype i = 0; i < palette.size(); ++i) {
        uchar* e = info + 40 + 4 * i;
        e[0] = static_cast<uchar>(qBlue(palette[i]));
        e[1] = static_cast<uchar>(qGreen(palette[i]));
        e[2] = static_cast<uchar>(qRed(palette[i]));
    }
    dib.bits.resize(static_cast<qsizetype>(stride * h));
    dib.bits.fill(0);
    auto* bits = reinterpret_cast<uchar*>(dib.bits.data());
    const int top = static_cast<int>(palette.size()) - 1;
    for (int y = 0; y < h; ++y) {
        uchar* row = bits + static_cast<int64_t>(h - 1 - y) * stride; // bottom-up
        const uchar* in = image.constScanLine(y);
        switch (bitCount) {
        case 1:
            for (int x = 0; x < w; ++x)
                if (std::min<int>(in[x], top) & 1)
                    row[x >> 3] |= static_cast<uchar>(0x80 >> (x & 7));
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                row[x >> 1] |=
                    static_cast<uchar>((std::min<int>(in[x], top) & 15) << ((x & 1) ? 0 : 4));
            break;
        case 8:
            for (int x = 0; x < w; ++x)
                row[x] = static_cast<uchar>(std::min<int>(in[x], top));
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                quint16 v;
                std::memcpy(&v, in + 2 * x, 2);
                qToLittleEndian<quint16>(v, row + 2 * x);
            }
            break;
        case 24:
            std::memcpy(row, in, static_cast<size_t>(w) * 3);
            break;
        case 32:
            for (int x = 0; x < w; ++x) {
                uint32_t v;
                std::memcpy(&v, in + 4 * x, 4);
                qToLittleEndian<uint32_t>(v & 0xFFFFFF, row + 4 * x); // the fourth byte is unused
            }
            break;
        }
    }
    return dib;
}

bool DibRowsAsStored(const QImage& image, int bitCount) {
    return !image.isNull() && ((bitCount == 24 && image.format() == QImage::Format_BGR888) ||
                               (bitCount == 32 && image.format() == QImage::Format_RGB32));
}

qsizetype StoredRowsDibSize(const QImage& image, int bitCount) {
    const int64_t stride = ((static_cast<int64_t>(image.width()) * bitCount + 31) / 32) * 4;
    return static_cast<qsizetype>(stride * image.height());
}

QByteArray StoredRowsDibInfo(const QImage& image, int bitCount) {
    QByteArray info(40, '\0');
    PutHeader(reinterpret_cast<uchar*>(info.data()), image.width(), image.height(), bitCount,
              BI_RGB, static_cast<uint32_t>(StoredRowsDibSize(image, bitCount)), 0);
    return info;
}

namespace {

// Rows first to last - 1 of WriteStoredRowsDib.
void WriteStoredRows(const QImage& image, int bitCount, uchar* out, int first, int last) {
    const int w = image.width(), h = image.height();
    const int64_t stride = ((static_cast<int64_t>(w) * bitCount + 31) / 32) * 4;
    const size_t used = static_cast<size_t>(w) * (bitCount / 8);
    for (int y = first; y < last; ++y) {
        uchar* row = out + static_cast<int64_t>(h - 1 - y) * stride; // bottom-up
        const uchar* in = image.constScanLine(y);
        if (bitCount == 24) {
            std::memcpy(row, in, used);
        } else {
            for (int x = 0; x < w; ++x) {
                uint32_t v;
                std::memcpy(&v, in + 4 * x, 4);
                qToLittleEndian<uint32_t>(v & 0xFFFFFF, row + 4 * x); // the fourth byte is unused
            }
        }
        std::memset(row + used, 0, static_cast<size_t>(stride) - used);
    }
}

} // namespace

void WriteStoredRowsDib(const QImage& image, int bitCount, uchar* out) {
    const int h = image.height();
    // The two halves of the rows go to places of their own and only read the image, so a
    // second thread may write one of them; nothing else is touched off this thread.
    if (h >= 2 && StoredRowsDibSize(image, bitCount) >= kMinSplitBitmapRowBytes &&
        std::thread::hardware_concurrency() >= 2) {
        const int half = h / 2;
        std::thread other;
        try {
            other = std::thread([&image, bitCount, out, half, h] {
                WriteStoredRows(image, bitCount, out, half, h);
            });
        } catch (const std::system_error&) {
            // No thread to be had: all rows are written here.
        }
        if (other.joinable()) {
            WriteStoredRows(image, bitCount, out, 0, half);
            other.join();
            return;
        }
    }
    WriteStoredRows(image, bitCount, out, 0, h);
}

std::optional<TDecodedDib> DecodeBmpFile(QByteArrayView file) {
    constexpr qsizetype kFileHeader = 14;
    if (file.size() < kFileHeader + 12 || file[0] != 'B' || file[1] != 'M') return std::nullopt;
    const uint32_t offBits = U32(file, 10);
    if (offBits < kFileHeader + 12 || offBits > static_cast<uint64_t>(file.size()))
        return std::nullopt;
    // The header, masks and colour table must all lie before the rows.
    return DecodeDib(file.sliced(kFileHeader, offBits - kFileHeader), file.sliced(offBits));
}

QByteArray EncodeBmpFile(const QImage& image, int bitCount) {
    const TDib dib = EncodeDib(image, bitCount);
    if (dib.info.isEmpty()) return {};
    QByteArray file(14, '\0');
    auto* h = reinterpret_cast<uchar*>(file.data());
    h[0] = 'B';
    h[1] = 'M';
    const int64_t total = 14 + dib.info.size() + dib.bits.size();
    qToLittleEndian<uint32_t>(
        total > std::numeric_limits<uint32_t>::max() ? 0 : static_cast<uint32_t>(total), h + 2);
    qToLittleEndian<uint32_t>(static_cast<uint32_t>(14 + dib.info.size()), h + 10);
    file += dib.info;
    file += dib.bits;
    return file;
}
