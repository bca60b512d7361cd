#pragma once
// Device-independent bitmaps: the one reader of their headers, colour tables and pixel
// rows (plain, bit-field and run-length encoded) for BMP files, icons, metafile records
// and the device contexts, and the writer of the copies that bitmaps are drawn and saved
// through. Every size and offset is checked before it is used, so a damaged bitmap is
// refused whole instead of being read past its end.

#include "framework/core/Limits.h"
#include "framework/graphics/DeviceContext.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <cstdint>
#include <optional>

inline constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_JPEG = 4,
                          BI_PNG = 5, BI_ALPHABITFIELDS = 6;

// The header of a device-independent bitmap after its checks.
struct TDibHeader {
    uint32_t headerSize = 0; // 12 for the short core header, 40 or more for the long ones
    int width = 0;
    int height = 0; // rows; the stored height's sign is in topDown
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = BI_RGB;
    uint32_t redMask = 0, greenMask = 0, blueMask = 0; // 16 and 32 bits per pixel
    int colorCount = 0;                                // palette entries (up to 8 bits)
    int colorEntrySize = 4;                            // 3 after a core header
    qsizetype colorTableOffset = 0;
    // Header, masks and colour table together: where the rows of a packed bitmap begin.
    int64_t infoSize = 0;

    int64_t Stride() const { return ((static_cast<int64_t>(width) * bitCount + 31) / 32) * 4; }
    // Bytes of the uncompressed rows.
    int64_t ImageSize() const { return Stride() * height; }
};

// Reads and checks the header at the start of info with its masks and colour table.
std::optional<TDibHeader> ReadDibHeader(QByteArrayView info);

struct TDecodedDib {
    // Indexed8 with the palette as stored for 1, 4 and 8 bits; RGB555 or RGB16 for 16
    // bits; BGR888 for 24; RGB32 for 32.
    QImage image;
    int bitCount = 0;
};

// Decodes a bitmap from its header with colour table (info) and its rows (bits);
// nothing when they are damaged or do not agree.
std::optional<TDecodedDib> DecodeDib(QByteArrayView info, QByteArrayView bits);

// The bottom-up device-independent copy of an image at bitCount bits per pixel: 1, 4 and
// 8 with the image's palette, 16 as 5-5-5 (5-6-5 bit fields for a 5-6-5 image), 24, 32.
TDib EncodeDib(const QImage& image, int bitCount);

// Whether EncodeDib's rows at bitCount are the image's own rows, in the same byte order
// (24 bits from BGR888, 32 from RGB32): such rows can be written straight to where they
// go, without a converted copy first.
bool DibRowsAsStored(const QImage& image, int bitCount);
// For such an image: the header EncodeDib gives it, the size of its rows, and the rows
// written bottom-up at out, as EncodeDib lays them out.
QByteArray StoredRowsDibInfo(const QImage& image, int bitCount);
qsizetype StoredRowsDibSize(const QImage& image, int bitCount);
void WriteStoredRowsDib(const QImage& image, int bitCount, uchar* out);

// A Windows bitmap file: file header, then a device-independent bitmap.
std::optional<TDecodedDib> DecodeBmpFile(QByteArrayView file);
QByteArray EncodeBmpFile(const QImage& image, int bitCount);

// The image format DecodeDib gives for a bit count (16: the 5-5-5 one).
QImage::Format DibImageFormat(int bitCount);
