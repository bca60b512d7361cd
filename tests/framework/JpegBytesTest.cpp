// JPEG pictures as their bytes: their frame headers read within the bytes, decoding at the
// scale that fills a place, and the bitmap records that carry them in pages.

#include "framework/graphics/JpegBytes.h"
#include "framework/core/Limits.h"
#include "framework/graphics/Dib.h"
#include "framework/graphics/EmfPlayer.h"
#include "framework/graphics/EmfRecorder.h"
#include "framework/graphics/EmfRecords.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

namespace {

using namespace emf;

QByteArray Jpeg(const QImage& image, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

QImage Filled(int w, int h, QRgb c, QImage::Format f = QImage::Format_RGB32) {
    QImage image(w, h, f);
    image.fill(c);
    return image;
}

// The first frame header's fields put in place: 2 + 2 + 1 bytes after the marker.
QByteArray WithFrame(QByteArray bytes, int precision, int w, int h, int marker = 0xC0) {
    const qsizetype at = bytes.indexOf(QByteArray::fromHex("FFC0"));
    EXPECT_GT(at, 0);
    bytes[at + 1] = char(marker);
    bytes[at + 4] = char(precision);
    bytes[at + 5] = char(h >> 8);
    bytes[at + 6] = char(h);
    bytes[at + 7] = char(w >> 8);
    bytes[at + 8] = char(w);
    return bytes;
}

TEST(JpegBytes, FrameHeaderGivesSizeAndComponents) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QSize size;
        int components;
    } cases[] = {
        {"colour", Jpeg(Filled(40, 30, qRgb(200, 10, 10))), {40, 30}, 3},
        {"grey", Jpeg(Filled(17, 9, qRgb(90, 90, 90), QImage::Format_Grayscale8)), {17, 9}, 1},
        {"progressive", Jpeg(Filled(64, 48, qRgb(0, 0, 200)), true), {64, 48}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<TJpegPicture> jpeg = InspectJpeg(c.bytes);
        ASSERT_TRUE(jpeg);
        EXPECT_EQ(jpeg->size, c.size);
        EXPECT_EQ(jpeg->components, c.components);
        EXPECT_EQ(jpeg->bytes, c.bytes);
    }
}

TEST(JpegBytes, DamagedOrForeignHeadersAreRefused) {
    const QByteArray good = Jpeg(Filled(40, 30, qRgb(200, 10, 10)));
    const qsizetype frame = good.indexOf(QByteArray::fromHex("FFC0"));
    QByteArray longSegment = good;
    longSegment[5] = char(0x7F); // the first segment's length runs past the end
    const int side = 20000;      // 400 million pixels
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty", {}},
        {"no start marker", good.mid(2)},
        {"cut before the frame", good.left(frame + 6)},
        {"segment past the end", longSegment.left(200)},
        {"twelve bits", WithFrame(good, 12, 40, 30)},
        {"arithmetic coding", WithFrame(good, 8, 40, 30, 0xC9)},
        {"lossless", WithFrame(good, 8, 40, 30, 0xC3)},
        {"no width", WithFrame(good, 8, 0, 30)},
        {"too many pixels", WithFrame(good, 8, side, side)},
        {"image data first", QByteArray::fromHex("FFD8FFDA000C") + good.mid(2)},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(InspectJpeg(c.bytes)) << c.name;
}

TEST(JpegBytes, LeastScaleThatStillFillsThePlace) {
    const struct {
        QSize full, wanted;
        int divisor;
    } cases[] = {
        {{4000, 3000}, {453, 340}, 8},   {{4000, 3000}, {501, 340}, 4},
        {{4000, 3000}, {1000, 750}, 4},  {{4000, 3000}, {1001, 100}, 2},
        {{4000, 3000}, {2835, 2126}, 1}, {{4000, 3000}, {5000, 4000}, 1},
        {{100, 100}, {10, 10}, 8},       {{7, 7}, {1, 1}, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JpegScaleFor(c.full, c.wanted), c.divisor)
            << c.full.width() << " for " << c.wanted.width() << " x " << c.wanted.height();
    }
    EXPECT_EQ(JpegScaledSize({4001, 3000}, 8), QSize(501, 375));
}

TEST(JpegBytes, DecodedAtTheShownSizeKeptAndReleased) {
    ReleaseDecodedJpegs();
    const std::optional<TJpegPicture> jpeg = InspectJpeg(Jpeg(Filled(800, 600, qRgb(0, 160, 0))));
    ASSERT_TRUE(jpeg);
    const QImage small = DecodeJpegToFill(*jpeg, QSize(90, 70));
    EXPECT_EQ(small.size(), QSize(100, 75));
    EXPECT_NEAR(qGreen(small.pixel(50, 40)), 160, 3);
    EXPECT_EQ(DecodedJpegBytes(), small.sizeInBytes());
    // Zoomed in: decoded again larger, and the smaller one is let go.
    const QImage larger = DecodeJpegToFill(*jpeg, QSize(300, 200));
    EXPECT_EQ(larger.size(), QSize(400, 300));
    EXPECT_EQ(DecodedJpegBytes(), larger.sizeInBytes());
    EXPECT_EQ(DecodeJpegToFill(*jpeg, QSize(300, 200)).cacheKey(), larger.cacheKey());
    // Not kept: a printer's one-off picture.
    ReleaseDecodedJpegs();
    EXPECT_EQ(DecodeJpegToFill(*jpeg, QSize(), false).size(), QSize(800, 600));
    EXPECT_EQ(DecodedJpegBytes(), 0);
}

// A recorded page holds the picture's bytes in one bitmap record and plays the picture
// where it was drawn.
TEST(JpegBytes, PageKeepsTheBytesAndPlaysThePicture) {
    QImage picture = Filled(400, 300, qRgb(220, 30, 30));
    QPainter(&picture).fillRect(200, 0, 200, 300, QColor(30, 30, 220));
    const std::optional<TJpegPicture> jpeg = InspectJpeg(Jpeg(picture));
    ASSERT_TRUE(jpeg);
    TEmfRecorderDC dc(QSize(400, 400), 96, 96);
    ASSERT_TRUE(dc.StretchJpeg(QRect(50, 100, 200, 150), *jpeg));
    const QByteArray emf = dc.Finish();
    EXPECT_LT(emf.size(), jpeg->bytes.size() + 1024);
    int bitmaps = 0;
    TRecordWalker walker(emf);
    for (TRecord r; walker.Next(r);)
        if (r.type == EMR_STRETCHDIBITS) {
            ++bitmaps;
            EXPECT_EQ(r.U(80 + 16), BI_JPEG);
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(r.data + r.U(56)), r.U(60)),
                      jpeg->bytes);
        }
    EXPECT_EQ(bitmaps, 1);
    ReleaseDecodedJpegs();
    QImage shown = Filled(200, 200, qRgb(255, 255, 255));
    {
        QPainter painter(&shown);
        PlayEnhMetaFile(painter, emf, QRectF(0, 0, 200, 200));
    }
    EXPECT_GT(CountPixels(shown, QRect(27, 52, 46, 71), qRgb(220, 30, 30), 40), 46 * 71 - 10);
    EXPECT_GT(CountPixels(shown, QRect(77, 52, 46, 71), qRgb(30, 30, 220), 40), 46 * 71 - 10);
    EXPECT_EQ(InkBox(shown), QRect(25, 50, 100, 75));
    // Shown at half the size, the picture was decoded at a quarter of its own.
    EXPECT_EQ(DecodedJpegBytes(), QImage(100, 75, QImage::Format_RGB32).sizeInBytes());
    ReleaseDecodedJpegs();
}

} // namespace
