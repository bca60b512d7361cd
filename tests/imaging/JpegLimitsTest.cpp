// JPEG pictures whose headers claim more than their data: refused beyond the pixel limit
// before anything is allocated, decoded at the limit into the bitmap alone, with the
// decoder's working memory held too; and the exact conversion of ink to light.

#include "framework/core/Limits.h"
#include "framework/graphics/Pictures.h"
#include "imaging/jpeg.h"
#include "support/ResourceUse.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <cmath>
#include <cstdlib>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace {

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::unique_ptr<TJPEGImage> Load(const QByteArray& jpeg) {
    auto j = std::make_unique<TJPEGImage>();
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    j->LoadFromStream(buffer);
    return j;
}

// The same file with the frame header's size changed: height, then width, big-endian.
QByteArray Resized(QByteArray jpeg, int width, int height) {
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const uchar m = static_cast<uchar>(jpeg[i + 1]);
        if (static_cast<uchar>(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC2)) {
            jpeg[i + 5] = static_cast<char>(height >> 8);
            jpeg[i + 6] = static_cast<char>(height & 255);
            jpeg[i + 7] = static_cast<char>(width >> 8);
            jpeg[i + 8] = static_cast<char>(width & 255);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

// Draws the picture at 64 x 48 as a cover does; 0 when it drew, else the JPEG error code.
int DrawSmall(const QByteArray& jpeg) {
    try {
        std::unique_ptr<TJPEGImage> j = Load(jpeg);
        TBitmap target;
        target.SetPixelFormat(pf24bit);
        target.SetSize(64, 48);
        target.Canvas()->StretchDraw(QRect(0, 0, 64, 48), j.get());
        return 0;
    } catch (const EJPEG& e) {
        return e.Code();
    }
}

class JpegLimitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterStandardPictureFormats();
        RegisterJPEGFormats();
    }
    const QByteArray headerOnly =
        ReadFile(TestData(QStringLiteral("bad/jpeg/header-only-16384x16384.jpg")));
};

TEST_F(JpegLimitsTest, AHeaderBeyondThePixelLimitIsRefusedAsItIsRead) {
    ASSERT_FALSE(headerOnly.isEmpty());
    try {
        Load(headerOnly);
        ADD_FAILURE() << "loaded";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("JPEG error #%1: 16384 x 16384 pixels, more than %2")
                                   .arg(JERR_IMAGE_TOO_BIG)
                                   .arg(kMaxBitmapPixels));
    }
    const TResourceUse use = MeasureInChild([&] { return DrawSmall(headerOnly); });
    ASSERT_TRUE(use.ran);
    EXPECT_EQ(use.result, JERR_IMAGE_TOO_BIG);
    EXPECT_LT(use.peakBytes, 32 << 20);
    // One row past the limit is refused the same way.
    EXPECT_EQ(DrawSmall(Resized(headerOnly, 16384, 10241)), JERR_IMAGE_TOO_BIG);
}

TEST_F(JpegLimitsTest, APictureAtTheLimitTakesItsBitmapOnce) {
    // 16384 x 10240 pixels at three bytes: 480 MiB, decoded straight into the bitmap and
    // drawn from it in place.
    const QByteArray atLimit = Resized(headerOnly, 16384, 10240);
    const TResourceUse use = MeasureInChild([&] { return DrawSmall(atLimit); }, 600);
    ASSERT_TRUE(use.ran);
    EXPECT_EQ(use.result, 0);
    const int64_t decoded = 16384LL * 10240 * 3;
    EXPECT_GT(use.peakBytes, decoded * 9 / 10);
    EXPECT_LT(use.peakBytes, decoded + (UnderSanitizer() ? decoded / 8 + (128 << 20) : 48 << 20));
}

// A progressive CMYK file of the given size whose data is one 8 x 8 block.
QByteArray ProgressiveCmyk(int width, int height) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = 8;
    c.image_height = 8;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(8 * 4, 128);
    while (c.next_scanline < c.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    std::free(out);
    jpeg_destroy_compress(&c);
    return Resized(bytes, width, height);
}

TEST_F(JpegLimitsTest, TheDecodersWorkingMemoryIsHeld) {
    // A progressive file keeps every coefficient until its last scan: 16384 x 10240 pixels
    // of four components at two bytes each take 1280 MiB, past the decoder's 1 GiB.
    const TResourceUse use =
        MeasureInChild([] { return DrawSmall(ProgressiveCmyk(16384, 10240)); });
    ASSERT_TRUE(use.ran);
    EXPECT_EQ(use.result, JERR_NO_BACKING_STORE);
    EXPECT_LT(use.peakBytes, 64 << 20);
    // A small one of the same kind decodes.
    EXPECT_EQ(DrawSmall(ProgressiveCmyk(64, 64)), 0);
}

// CMYK samples as libjpeg itself decodes them, one row after another.
std::vector<uint8_t> RawCmyk(const QByteArray& jpeg, bool* adobe) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                 static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    d.out_color_space = JCS_CMYK;
    jpeg_start_decompress(&d);
    *adobe = d.saw_Adobe_marker;
    std::vector<uint8_t> out(static_cast<size_t>(d.output_width) * d.output_height * 4);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = out.data() + static_cast<size_t>(d.output_scanline) * d.output_width * 4;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return out;
}

QByteArray WriteCmyk(int w, int h, bool adobe) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    c.write_Adobe_marker = adobe;
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(w) * 4);
    while (c.next_scanline < c.image_height) {
        const int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 4; ++k)
                row[static_cast<size_t>(4 * x + k)] =
                    static_cast<JSAMPLE>((x * 37 + y * 11 + k * 61) % 256);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    std::free(out);
    jpeg_destroy_compress(&c);
    return bytes;
}

TEST_F(JpegLimitsTest, InkBecomesLightRoundedToTheNearestLevel) {
    // Light of a channel is (255 - ink) x (255 - black) / 255, rounded; files with Adobe's
    // marker store 255 - ink. Every pixel is compared exactly.
    for (bool adobe : {true, false}) {
        SCOPED_TRACE(adobe ? "Adobe marker" : "plain ink");
        const QByteArray jpeg = WriteCmyk(48, 16, adobe);
        bool inverted = false;
        const std::vector<uint8_t> raw = RawCmyk(jpeg, &inverted);
        ASSERT_EQ(inverted, adobe);
        std::unique_ptr<TJPEGImage> j = Load(jpeg);
        const QImage image = j->Bitmap()->Image().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(image.size(), QSize(48, 16));
        int rounded = 0; // pixels where rounding and cutting off differ
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 48; ++x) {
                const uint8_t* p = raw.data() + (y * 48 + x) * 4;
                auto light = [&](int k) { return inverted ? p[k] : 255 - p[k]; };
                auto level = [&](int c) {
                    const double exact = light(c) * light(3) / 255.0;
                    if (exact - std::floor(exact) > 0.5) ++rounded;
                    return static_cast<int>(std::nearbyint(exact));
                };
                const QRgb expected = qRgb(level(0), level(1), level(2));
                ASSERT_EQ(image.pixel(x, y), expected) << x << "," << y;
            }
        EXPECT_GT(rounded, 100);
    }
}

} // namespace
