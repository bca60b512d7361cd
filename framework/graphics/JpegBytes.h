#pragma once
// JPEG pictures as their files hold them: what the frame header says, and decoding at the
// least of libjpeg's scales (1/1, 1/2, 1/4, 1/8) that still fills a given size. Pages,
// report files and PDF files carry the compressed bytes themselves; only what is shown on
// a screen or sent to a printer is decoded, at the size it is shown.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <optional>

struct TJpegPicture {
    QByteArray bytes;
    QSize size;         // pixels, from the frame header
    int components = 0; // 1 grey, 3 colour, 4 CMYK
    bool adobe = false; // an Adobe marker: CMYK values are stored inverted
};

// The frame header of a JPEG file, looked at within its bytes (every marker length checked
// before it is read); nothing when it is not a JPEG file that pages and PDF files can carry
// as it is (baseline, extended or progressive Huffman coding, 8 bits, 1, 3 or 4 components,
// a size within kMaxBitmapPixels).
std::optional<TJpegPicture> InspectJpeg(const QByteArray& bytes);

// The divisor (1, 2, 4 or 8) whose scaled picture is the smallest that still has at least
// wanted's pixels across and down; 1 when none of the reduced ones has.
int JpegScaleFor(QSize full, QSize wanted);
// The size libjpeg gives a picture decoded at 1/divisor (rounded up).
QSize JpegScaledSize(QSize full, int divisor);

// Decodes the picture at the scale that fills wanted (its whole size when wanted is empty);
// a null image when it cannot be decoded. With keep, decoded pictures are kept for the next
// drawing of the same bytes at the same scale (a page played tile by tile, a preview
// painted again), within kMaxJpegDecodeCacheBytes, until ReleaseDecodedJpegs.
QImage DecodeJpegToFill(const TJpegPicture& jpeg, QSize wanted, bool keep = true);
// Frees every decoded picture kept; the preview calls it when it closes.
void ReleaseDecodedJpegs();
qint64 DecodedJpegBytes();
