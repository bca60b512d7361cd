// Device-independent bitmaps at the edges of their format: channels of few bits widened to
// eight, palettes shorter than the indexes used, and sizes at the pixel limit.

#include "framework/graphics/Dib.h"
#include "BmpFiles.h"
#include "framework/core/Limits.h"
#include "framework/graphics/Pictures.h"
#include "support/ResourceUse.h"
#include "support/TestSupport.h"

#include <QBuffer>

namespace {

std::unique_ptr<TBitmap> Load(const QByteArray& bytes) {
    auto b = std::make_unique<TBitmap>();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    b->LoadFromStream(buffer);
    return b;
}

// A 32-bit bit-field bitmap of one row whose pixel x holds the value x in each channel.
QByteArray OneRowOfFields(std::array<uint32_t, 3> masks, int width) {
    BmpLayout s;
    s.width = width;
    s.height = 1;
    s.bitCount = 32;
    s.compression = 3;
    s.masks = masks;
    auto shift = [](uint32_t m) {
        int n = 0;
        while (!(m & 1)) {
            m >>= 1;
            ++n;
        }
        return n;
    };
    s.bits = PackRows(width, 1, 32, [&](int x, int) {
        return static_cast<uint32_t>(x) << shift(masks[0]) |
               static_cast<uint32_t>(x) << shift(masks[1]) |
               static_cast<uint32_t>(x) << shift(masks[2]);
    });
    return MakeBmp(s);
}

TEST(DibTest, NarrowChannelsWidenToTheNearestLevel) {
    // 3 bits: level v of 7 is v * 255 / 7 rounded: 36.43, 72.86, 109.29, 145.71, 182.14,
    // 218.57 become 36, 73, 109, 146, 182, 219 (truncating gives 72, 145, 218 instead).
    const int three[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    std::unique_ptr<TBitmap> b = Load(OneRowOfFields({0x1C0, 0x38, 0x7}, 8));
    ASSERT_EQ(QSize(b->Width(), b->Height()), QSize(8, 1));
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(b->Image().pixel(x, 0) & 0xFFFFFF, qRgb(three[x], three[x], three[x]) & 0xFFFFFF)
            << x;
    // 5 bits: 255 / 31 = 8.226 per level; level 3 is 24.68 -> 25, level 30 is 246.77 -> 247.
    std::unique_ptr<TBitmap> five = Load(OneRowOfFields({0x7C00, 0x3E0, 0x1F}, 31));
    EXPECT_EQ(five->Image().pixel(3, 0) & 0xFFFFFF, qRgb(25, 25, 25) & 0xFFFFFF);
    EXPECT_EQ(five->Image().pixel(30, 0) & 0xFFFFFF, qRgb(247, 247, 247) & 0xFFFFFF);
}

TEST(DibTest, IndexesPastAShortPaletteShowBlack) {
    // Four bits per pixel, three colours stored; pixels use indexes 0 to 5.
    const QList<QRgb> three = {qRgb(200, 10, 10), qRgb(10, 200, 10), qRgb(10, 10, 200)};
    BmpLayout s;
    s.width = 6;
    s.height = 1;
    s.bitCount = 4;
    s.palette = three;
    s.bits = PackRows(6, 1, 4, [](int x, int) { return static_cast<uint32_t>(x); });
    std::unique_ptr<TBitmap> b = Load(MakeBmp(s));
    const QImage image = b->Image();
    ASSERT_EQ(image.size(), QSize(6, 1));
    EXPECT_EQ(image.pixel(2, 0), three[2]);
    // Index 3 is the first past the table, 5 further on: both black, and the table fills
    // up to the sixteen entries a 4-bit bitmap has.
    EXPECT_EQ(image.pixel(3, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(5, 0), qRgb(0, 0, 0));
    EXPECT_EQ(b->Palette().size(), 16);
    EXPECT_EQ(b->Palette().mid(0, 3), three);

    // Using only the stored entries keeps the table as stored.
    s.bits = PackRows(6, 1, 4, [](int x, int) { return static_cast<uint32_t>(x % 3); });
    EXPECT_EQ(Load(MakeBmp(s))->Palette(), three);

    // The last stored entry is still a colour of its own.
    s.bits = PackRows(6, 1, 4, [](int, int) { return 2u; });
    std::unique_ptr<TBitmap> last = Load(MakeBmp(s));
    EXPECT_EQ(last->Image().pixel(0, 0), three[2]);
    EXPECT_EQ(last->Palette().size(), 3);
}

// The header of an 8-bit bitmap of w x h pixels stored bottom-up, without rows.
QByteArray Header(int w, int h, uint32_t compression = 0) {
    BmpLayout s;
    s.width = w;
    s.height = h;
    s.bitCount = 8;
    s.compression = compression;
    s.palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    return MakeBmp(s).mid(14);
}

TEST(DibTest, SizesUpToThePixelLimitAreAcceptedAndNoMore) {
    // The limit is 160 Mi pixels: 16384 x 10240 exactly, 10240 x 16384 the other way.
    ASSERT_EQ(kMaxBitmapPixels, 16384LL * 10240);
    EXPECT_TRUE(ReadDibHeader(Header(16384, 10240)));
    EXPECT_TRUE(ReadDibHeader(Header(10240, -16384)));
    EXPECT_FALSE(ReadDibHeader(Header(16384, 10241)));
    EXPECT_FALSE(ReadDibHeader(Header(10241, 16384)));
    EXPECT_FALSE(ReadDibHeader(Header(1, 0x7FFFFFFF)));
    EXPECT_FALSE(ReadDibHeader(Header(0x7FFFFFFF, 1)));
}

// A run-length bitmap whose data is only the end mark: every pixel is colour 0.
QByteArray EndMarkOnly(int w, int h) {
    BmpLayout s;
    s.width = w;
    s.height = h;
    s.bitCount = 8;
    s.compression = 1;
    s.palette = {qRgb(10, 20, 30), qRgb(255, 255, 255)};
    s.bits = QByteArray::fromHex("0001");
    return MakeBmp(s);
}

TEST(DibTest, ARunLengthBitmapAtTheLimitTakesItsSizeOnce) {
    // 16384 x 10240 at one byte per pixel: 160 MiB held. Loaded and drawn small, the
    // picture takes that once, plus a small constant; one row more is refused at once.
    const TResourceUse use = MeasureInChild([] {
        std::unique_ptr<TBitmap> b = Load(EndMarkOnly(16384, 10240));
        TBitmap target;
        target.SetPixelFormat(pf24bit);
        target.SetSize(64, 48);
        target.Canvas()->StretchDraw(QRect(0, 0, 64, 48), b.get());
        return target.Image().pixel(10, 10) == qRgb(10, 20, 30) ? 0 : 1;
    });
    ASSERT_TRUE(use.ran);
    EXPECT_EQ(use.result, 0);
    const int64_t decoded = 16384LL * 10240;
    EXPECT_LT(use.peakBytes, decoded + (UnderSanitizer() ? decoded / 8 + (96 << 20) : 48 << 20));
    EXPECT_GT(use.peakBytes, decoded * 9 / 10); // the measure sees the picture itself

    const TResourceUse refused = MeasureInChild([] {
        try {
            Load(EndMarkOnly(16384, 10241));
        } catch (const EInvalidGraphic& e) {
            return e.Message() == QStringLiteral("Bitmap image is not valid: 16384 x 10241 "
                                                 "pixels, more than %1")
                                      .arg(kMaxBitmapPixels)
                       ? 0
                       : 1;
        }
        return 2;
    });
    ASSERT_TRUE(refused.ran);
    EXPECT_EQ(refused.result, 0);
    EXPECT_LT(refused.peakBytes, 16 << 20);
}

TEST(DibTest, ABitmapSizedInCodeStopsAtTheLimit) {
    const TResourceUse use = MeasureInChild([] {
        TBitmap b;
        b.SetPixelFormat(pf8bit);
        b.SetSize(10240, 16384);
        if (b.Width() != 10240 || b.Height() != 16384) return 1;
        try {
            b.SetSize(10240, 16385);
        } catch (const EOutOfResources& e) {
            // The bitmap keeps its size.
            return e.Message() == QLatin1String("Out of system resources") && b.Height() == 16384
                       ? 0
                       : 2;
        }
        return 3;
    });
    ASSERT_TRUE(use.ran);
    EXPECT_EQ(use.result, 0);
}

} // namespace
