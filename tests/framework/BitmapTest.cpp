// Bitmaps: every stored layout read back against known pixels, files from another encoder,
// the corpus of damaged files, saving, drawing through the device-independent copy,
// drawing on the bitmap's own canvas and transparency.

#include "BmpFiles.h"
#include "RecordingDC.h"
#include "framework/core/Limits.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Dib.h"
#include "framework/graphics/Pictures.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QRandomGenerator>
#include <set>

namespace {

constexpr int W = 5, H = 3;

QList<QRgb> TestPalette(int n) {
    QList<QRgb> p;
    for (int i = 0; i < n; ++i)
        p << qRgb((i * 37 + 11) % 256, (255 - i * 23) % 256, (i * 71 + 5) % 256);
    return p;
}

int Expand5(int v) {
    return (v << 3) | (v >> 2);
}
int Expand6(int v) {
    return (v << 2) | (v >> 4);
}

struct Variant {
    const char* name;
    QByteArray file;
    int bitsPerPixel;
    std::function<QRgb(int, int)> expected;
    int paletteSize = 0;
    QSize size = {W, H};
};

Variant Indexed(const char* name, int headerSize, int bits, int colors, bool topDown = false) {
    const QList<QRgb> palette = TestPalette(colors);
    auto index = [colors](int x, int y) { return static_cast<uint32_t>((x + 2 * y) % colors); };
    BmpLayout s;
    s.headerSize = headerSize;
    s.width = W;
    s.height = topDown ? -H : H;
    s.bitCount = bits;
    s.palette = palette;
    s.bits = PackRows(W, H, bits, index, topDown);
    return {name, MakeBmp(s), bits, [=](int x, int y) { return palette[index(x, y)]; }, colors};
}

QRgb Colour24(int x, int y) {
    return qRgb(x * 50, y * 80 + 10, 200 - x * 20);
}
uint32_t Stored24(int x, int y) {
    const QRgb c = Colour24(x, y);
    return static_cast<uint32_t>(qBlue(c) | qGreen(c) << 8 | qRed(c) << 16);
}

Variant TrueColour(const char* name, int headerSize, int bits, bool topDown = false) {
    BmpLayout s;
    s.headerSize = headerSize;
    s.width = W;
    s.height = topDown ? -H : H;
    s.bitCount = bits;
    // The fourth byte of a 32-bit pixel is unused and must not show.
    s.bits = PackRows(
        W, H, bits, [](int x, int y) { return Stored24(x, y) | 0xAB000000u; }, topDown);
    return {name, MakeBmp(s), bits, Colour24};
}

Variant Masked(const char* name, int headerSize, int bits, std::array<uint32_t, 3> masks,
               std::function<uint32_t(int, int)> stored, std::function<QRgb(int, int)> expected) {
    BmpLayout s;
    s.headerSize = headerSize;
    s.width = W;
    s.height = H;
    s.bitCount = bits;
    s.compression = 3;
    s.masks = masks;
    s.bits = PackRows(W, H, bits, stored);
    return {name, MakeBmp(s), bits, expected};
}

uint32_t Stored555(int x, int y) {
    return static_cast<uint32_t>((x * 7 % 32) << 10 | (y * 10 % 32) << 5 | ((x + y) * 5 % 32));
}
QRgb Colour555(int x, int y) {
    return qRgb(Expand5(x * 7 % 32), Expand5(y * 10 % 32), Expand5((x + y) * 5 % 32));
}
uint32_t Stored565(int x, int y) {
    return static_cast<uint32_t>((x * 7 % 32) << 11 | (y * 21 % 64) << 5 | ((x + y) * 5 % 32));
}
QRgb Colour565(int x, int y) {
    return qRgb(Expand5(x * 7 % 32), Expand6(y * 21 % 64), Expand5((x + y) * 5 % 32));
}

// Run-length encoded rows: runs, a padded literal group, a move, line ends, the end mark.
Variant Rle8() {
    BmpLayout s;
    s.width = 6;
    s.height = 4;
    s.bitCount = 8;
    s.compression = 1;
    s.palette = TestPalette(4);
    s.bits = QByteArray::fromHex("0301"
                                 "0003020302"
                                 "00"
                                 "0000" // bottom row: 1 1 1 2 3 2
                                 "0202"
                                 "00020201" // 2 2, then 2 right, 1 up
                                 "0203"
                                 "0000" // x 4..5 of the third row
                                 "0601"
                                 "0001"); // top row, end
    const int rows[4][6] = {
        {1, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 3, 3}, {2, 2, 0, 0, 0, 0}, {1, 1, 1, 2, 3, 2}};
    const QList<QRgb> palette = s.palette;
    return {"rle8", MakeBmp(s), 8, [=](int x, int y) { return palette[rows[y][x]]; }, 4, {6, 4}};
}

Variant Rle4() {
    BmpLayout s;
    s.width = 5;
    s.height = 2;
    s.bitCount = 4;
    s.compression = 2;
    s.palette = TestPalette(16);
    s.bits = QByteArray::fromHex("0512"
                                 "0000"
                                 "00033450"
                                 "0277"
                                 "0001");
    const int rows[2][5] = {{3, 4, 5, 7, 7}, {1, 2, 1, 2, 1}};
    const QList<QRgb> palette = s.palette;
    return {"rle4", MakeBmp(s), 4, [=](int x, int y) { return palette[rows[y][x]]; }, 16, {5, 2}};
}

// Data that stop without the end mark once every row is described are accepted.
Variant Rle8WithoutEndMark() {
    BmpLayout s;
    s.width = 4;
    s.height = 2;
    s.bitCount = 8;
    s.compression = 1;
    s.palette = TestPalette(3);
    s.bits = QByteArray::fromHex("0401"
                                 "0000"
                                 "0402");
    const QList<QRgb> palette = s.palette;
    return {"rle8-no-end-mark",
            MakeBmp(s),
            8,
            [=](int, int y) { return palette[y == 0 ? 2 : 1]; },
            3,
            {4, 2}};
}

std::vector<Variant> Variants() {
    std::vector<Variant> v;
    v.push_back(Indexed("core-1bit", 12, 1, 2));
    v.push_back(Indexed("core-4bit", 12, 4, 16));
    v.push_back(Indexed("core-8bit", 12, 8, 256));
    v.push_back(TrueColour("core-24bit", 12, 24));
    v.push_back(Indexed("info-1bit", 40, 1, 2));
    v.push_back(Indexed("info-4bit-short-palette", 40, 4, 6));
    v.push_back(Indexed("info-8bit-short-palette", 40, 8, 20));
    v.push_back(Indexed("info-8bit-top-down", 40, 8, 256, true));
    v.push_back(TrueColour("info-24bit", 40, 24));
    v.push_back(TrueColour("info-24bit-top-down", 40, 24, true));
    v.push_back(TrueColour("info-32bit", 40, 32));
    v.push_back(TrueColour("v5-24bit", 124, 24));
    {
        BmpLayout s;
        s.width = W;
        s.height = H;
        s.bitCount = 16;
        s.bits = PackRows(W, H, 16, Stored555);
        v.push_back({"info-16bit-555", MakeBmp(s), 16, Colour555});
    }
    v.push_back(
        Masked("info-16bit-565-fields", 40, 16, {0xF800, 0x07E0, 0x001F}, Stored565, Colour565));
    v.push_back(
        Masked("v2-16bit-565-fields", 52, 16, {0xF800, 0x07E0, 0x001F}, Stored565, Colour565));
    v.push_back(
        Masked("v4-16bit-555-fields", 108, 16, {0x7C00, 0x03E0, 0x001F}, Stored555, Colour555));
    v.push_back(Masked(
        "info-16bit-444-fields", 40, 16, {0x0F00, 0x00F0, 0x000F},
        [](int x, int y) { return static_cast<uint32_t>(x * 3 << 8 | y * 7 << 4 | 15); },
        [](int x, int y) {
            // 4-bit channels widen to 8 bits and are kept at 5.
            auto c = [](int v4) { return Expand5((v4 * 17) >> 3); };
            return qRgb(c(x * 3), c(y * 7), c(15));
        }));
    v.push_back(Masked(
        "v3-32bit-swapped-fields", 56, 32, {0x000000FF, 0x0000FF00, 0x00FF0000},
        [](int x, int y) {
            const QRgb c = Colour24(x, y);
            return static_cast<uint32_t>(qRed(c) | qGreen(c) << 8 | qBlue(c) << 16);
        },
        Colour24));
    v.push_back(Masked(
        "v5-32bit-10bit-fields", 124, 32, {0x3FF00000, 0x000FFC00, 0x000003FF},
        [](int x, int y) {
            const QRgb c = Colour24(x, y);
            return static_cast<uint32_t>(qRed(c) << 22 | qGreen(c) << 12 | qBlue(c) << 2);
        },
        Colour24));
    v.push_back(Rle8());
    v.push_back(Rle4());
    v.push_back(Rle8WithoutEndMark());
    return v;
}

std::unique_ptr<TBitmap> LoadBytes(const QByteArray& bytes) {
    auto b = std::make_unique<TBitmap>();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    b->LoadFromStream(buffer);
    return b;
}

QByteArray SaveBytes(TBitmap& b) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    b.SaveToStream(buffer);
    return buffer.data();
}

void ExpectPixels(const QImage& image, const std::function<QRgb(int, int)>& expected,
                  const char* name) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, expected(x, y) & 0xFFFFFF)
                << name << " at " << x << "," << y;
}

class BitmapTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterStandardPictureFormats(); }
};

TEST_F(BitmapTest, EveryStoredLayoutReadsItsKnownPixels) {
    for (const Variant& v : Variants()) {
        SCOPED_TRACE(v.name);
        std::unique_ptr<TBitmap> b = LoadBytes(v.file);
        EXPECT_EQ(b->BitsPerPixel(), v.bitsPerPixel);
        EXPECT_EQ(b->Palette().size(), v.paletteSize);
        ASSERT_EQ(QSize(b->Width(), b->Height()), v.size);
        ExpectPixels(b->Image(), v.expected, v.name);
    }
}

TEST_F(BitmapTest, SavingKeepsDepthPaletteAndPixels) {
    for (const Variant& v : Variants()) {
        SCOPED_TRACE(v.name);
        std::unique_ptr<TBitmap> b = LoadBytes(v.file);
        std::unique_ptr<TBitmap> again = LoadBytes(SaveBytes(*b));
        EXPECT_EQ(again->BitsPerPixel(), b->BitsPerPixel());
        EXPECT_EQ(again->PixelFormat(), b->PixelFormat());
        EXPECT_EQ(again->Palette(), b->Palette());
        ExpectPixels(again->Image(), v.expected, v.name);
    }
}

// Files written by ImageMagick (tests/data/bmp/generate.sh) against the PNG each came from.
TEST_F(BitmapTest, FilesFromAnotherEncoderMatchTheirSource) {
    struct Case {
        const char* file;
        const char* source;
        TPixelFormat format;
        int tolerance;
    };
    const Case cases[] = {
        // ImageMagick's 256-colour palettes move two colours of the source by one level.
        {"im-v3-1bit.bmp", "bilevel.png", pf1bit, 0},
        {"im-v3-4bit.bmp", "few.png", pf4bit, 0},
        {"im-core-4bit.bmp", "few.png", pf4bit, 0},
        {"im-v3-8bit.bmp", "colours.png", pf8bit, 1},
        {"im-v3-rle8.bmp", "colours.png", pf8bit, 1},
        {"im-core-8bit.bmp", "colours.png", pf8bit, 1},
        {"im-v3-24bit.bmp", "colours.png", pf24bit, 0},
        {"im-core-24bit.bmp", "colours.png", pf24bit, 0},
        {"im-v5-32bit.bmp", "colours.png", pf32bit, 0},
        {"im-v5-565.bmp", "colours.png", pf16bit, 8},
        {"im-v5-555.bmp", "colours.png", pf15bit, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TPicture picture;
        picture.LoadFromFile(TestData(QStringLiteral("bmp/") + QLatin1String(c.file)));
        auto* b = qobject_cast<TBitmap*>(picture.Graphic());
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->PixelFormat(), c.format);
        const QImage source(TestData(QStringLiteral("bmp/") + QLatin1String(c.source)));
        ASSERT_FALSE(source.isNull());
        EXPECT_LE(ImageDifference(b->Image(), source), c.tolerance);
    }
}

// Files whose damage is in the file header alone: their bitmap, taken by itself, is sound.
const std::set<QString> kFileHeaderDamage = {"offset-inside-header", "offset-past-end",
                                             "signature-os2-array", "signature-wrong"};

TEST_F(BitmapTest, DamagedFilesAreRefusedAndThePictureKept) {
    const std::set<QString> expected = {"bit-count-unsupported",
                                        "bitfields-16-mask-too-wide",
                                        "bitfields-mask-gap",
                                        "bitfields-masks-missing",
                                        "bitfields-masks-overlap",
                                        "bitfields-masks-zero",
                                        "bitfields-on-8-bits",
                                        "compression-embedded-jpeg",
                                        "compression-unknown",
                                        "core-bit-count-16",
                                        "empty",
                                        "file-header-short",
                                        "header-size-past-offset",
                                        "header-size-unknown",
                                        "height-most-negative",
                                        "height-zero",
                                        "offset-inside-header",
                                        "offset-past-end",
                                        "palette-larger-than-depth",
                                        "palette-overlaps-rows",
                                        "pixels-too-many",
                                        "planes-not-one",
                                        "rle-top-down",
                                        "rle4-literal-overrun",
                                        "rle4-literal-truncated",
                                        "rle4-on-8-bits",
                                        "rle4-run-overrun",
                                        "rle8-delta-outside",
                                        "rle8-delta-truncated",
                                        "rle8-ends-early",
                                        "rle8-lines-past-top",
                                        "rle8-literal-overrun",
                                        "rle8-literal-truncated",
                                        "rle8-on-4-bits",
                                        "rle8-run-after-top",
                                        "rle8-run-overrun",
                                        "rle8-16384x16384-end-mark-only",
                                        "rows-missing",
                                        "rows-truncated",
                                        "signature-os2-array",
                                        "signature-wrong",
                                        "width-negative",
                                        "width-zero"};
    const QDir dir(TestData(QStringLiteral("bad/bmp")));
    std::set<QString> found;
    TPicture picture;
    picture.LoadFromFile(TestData(QStringLiteral("bmp/im-v3-24bit.bmp")));
    TGraphic* kept = picture.Graphic();
    for (const QString& name : dir.entryList({QStringLiteral("*.bmp")}, QDir::Files)) {
        SCOPED_TRACE(name.toStdString());
        found.insert(name.chopped(4));
        try {
            picture.LoadFromFile(dir.filePath(name));
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& e) {
            // The file carried, and a size past the limit said as such.
            EXPECT_EQ(e.FileName(), dir.filePath(name));
            const QString text = QStringLiteral("Bitmap image is not valid");
            EXPECT_TRUE(e.Message() == text ||
                        (e.Message().startsWith(text + QStringLiteral(": ")) &&
                         e.Message().endsWith(
                             QStringLiteral(" pixels, more than %1").arg(kMaxBitmapPixels))))
                << qPrintable(e.Message());
        }
        EXPECT_EQ(picture.Graphic(), kept);
        // The same bytes as a device-independent bitmap of a metafile record, split where
        // the file says its rows begin: refused too, unless only the file's own header
        // (its signature and row offset) is what is damaged.
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        if (bytes.size() <= 14 + 12) continue;
        const uint32_t offset = qFromLittleEndian<uint32_t>(bytes.constData() + 10);
        const bool fileHeaderOnly = kFileHeaderDamage.count(name.chopped(4)) > 0;
        const qsizetype split =
            offset >= 14 + 12 && offset <= uint32_t(bytes.size()) ? offset : 14 + 40;
        const TDib dib{bytes.mid(14, split - 14), bytes.mid(split)};
        EXPECT_EQ(DibToImage(dib).isNull(), !fileHeaderOnly);
    }
    EXPECT_EQ(found, expected);
}

// Bytes changed at random in headers, tables and rows: read or refused, never read past.
TEST_F(BitmapTest, RandomDamageIsReadOrRefused) {
    QRandomGenerator rng(1234);
    int refused = 0;
    for (const Variant& v : Variants()) {
        for (int round = 0; round < 200; ++round) {
            QByteArray bytes = v.file;
            const int changes = 1 + round % 4;
            for (int k = 0; k < changes; ++k) {
                // Mostly the headers and colour table, where sizes and offsets live.
                const int span = round % 3 ? std::min<int>(bytes.size(), 80) : bytes.size();
                bytes[rng.bounded(span)] = static_cast<char>(round % 2 ? rng.bounded(256) : 0xFF);
            }
            if (round % 5 == 0) bytes.truncate(rng.bounded(bytes.size()));
            try {
                std::unique_ptr<TBitmap> b = LoadBytes(bytes);
                (void)b->Image();
            } catch (const EInvalidGraphic& e) {
                EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Bitmap image is not valid")));
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, 0);
}

TEST_F(BitmapTest, DeviceContextsDecodeRunLengthBitmapsThroughTheSameReader) {
    const Variant v = Rle8();
    const QByteArray file = v.file;
    const uint32_t offset = qFromLittleEndian<uint32_t>(file.constData() + 10);
    const TDib dib{file.mid(14, offset - 14), file.mid(offset)};
    const QImage image = DibToImage(dib);
    ASSERT_EQ(image.size(), QSize(6, 4));
    ExpectPixels(image, v.expected, v.name);

    QImage page(12, 8, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        TPainterDC dc(&painter);
        EXPECT_TRUE(dc.StretchDIBits(QRect(0, 0, 12, 8), QRect(0, 0, 6, 4), dib, SRCCOPY));
    }
    EXPECT_EQ(page.pixel(11, 7) & 0xFFFFFF, v.expected(5, 3) & 0xFFFFFF);
    EXPECT_EQ(page.pixel(0, 0) & 0xFFFFFF, v.expected(0, 0) & 0xFFFFFF);

    // A run past the row's end is damage there too.
    TDib damaged = dib;
    damaged.bits[0] = 9;
    EXPECT_TRUE(DibToImage(damaged).isNull());
}

TEST_F(BitmapTest, DrawsTheWholeBitmapThroughAColourOnColourCopy) {
    std::unique_ptr<TBitmap> b = LoadBytes(Indexed("info-8bit", 40, 8, 20).file);
    RecordingDC dc;
    TCanvas canvas(&dc);
    canvas.StretchDraw(QRect(10, 20, 50, 30), b.get());
    ASSERT_EQ(dc.blts.size(), 1u);
    const RecordedBlt& blt = dc.blts[0];
    EXPECT_EQ(blt.dest, QRect(10, 20, 50, 30));
    EXPECT_EQ(blt.src, QRect(0, 0, W, H));
    EXPECT_EQ(blt.rop, SRCCOPY);
    EXPECT_EQ(blt.stretchMode, COLORONCOLOR);
    const std::optional<TDibHeader> h = ReadDibHeader(blt.dib.info);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->bitCount, 8);
    EXPECT_EQ(h->colorCount, 20);

    // A monochrome bitmap leaves the stretch mode alone.
    std::unique_ptr<TBitmap> mono = LoadBytes(Indexed("mono", 40, 1, 2).file);
    mono->SetPalette({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    ASSERT_TRUE(mono->Monochrome());
    RecordingDC monoDc;
    TCanvas monoCanvas(&monoDc);
    monoCanvas.StretchDraw(QRect(0, 0, 10, 6), mono.get());
    ASSERT_EQ(monoDc.blts.size(), 1u);
    EXPECT_EQ(monoDc.blts[0].stretchMode, BLACKONWHITE);
}

TEST_F(BitmapTest, StretchingRepeatsPixelsWithoutBlending) {
    TBitmap b;
    b.SetImage(QImage(2, 2, QImage::Format_RGB32), pf24bit);
    const QRgb colours[4] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(250, 200, 10)};
    for (int i = 0; i < 4; ++i) {
        uchar* p = b.ScanLine(i / 2) + 3 * (i % 2);
        p[0] = static_cast<uchar>(qBlue(colours[i]));
        p[1] = static_cast<uchar>(qGreen(colours[i]));
        p[2] = static_cast<uchar>(qRed(colours[i]));
    }
    TBitmap target;
    target.SetPixelFormat(pf24bit);
    target.SetSize(6, 6);
    target.Canvas()->StretchDraw(QRect(0, 0, 6, 6), &b);
    const QImage out = target.Image();
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(out.pixel(x, y), colours[(y / 3) * 2 + x / 3]) << x << "," << y;
}

TEST_F(BitmapTest, TransparentBitmapsLeaveTheirBottomLeftColourUnpainted) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3, 3);
    b.Canvas()->Brush()->SetColor(clLime);
    b.Canvas()->FillRect(QRect(0, 0, 3, 3));
    b.Canvas()->Brush()->SetColor(clBlue);
    b.Canvas()->FillRect(QRect(1, 0, 1, 2));
    EXPECT_EQ(b.TransparentColor(), clLime);
    b.SetTransparent(true);

    TBitmap page;
    page.SetPixelFormat(pf24bit);
    page.SetSize(6, 6);
    page.Canvas()->Brush()->SetColor(clRed);
    page.Canvas()->FillRect(QRect(0, 0, 6, 6));
    page.Canvas()->StretchDraw(QRect(0, 0, 6, 6), &b);
    const QImage out = page.Image();
    EXPECT_EQ(out.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(2, 0), qRgb(0, 0, 255));
    EXPECT_EQ(out.pixel(3, 3), qRgb(0, 0, 255));

    // Off screen the same picture becomes a mask and a colour bitmap.
    RecordingDC dc;
    TCanvas canvas(&dc);
    canvas.StretchDraw(QRect(0, 0, 6, 6), &b);
    ASSERT_EQ(dc.blts.size(), 2u);
    EXPECT_EQ(dc.blts[0].rop, kSrcAnd);
    EXPECT_EQ(dc.blts[1].rop, kSrcInvert);
    const QImage mask = DibToImage(dc.blts[0].dib);
    EXPECT_EQ(mask.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(mask.pixel(1, 0), qRgb(0, 0, 0));

    b.SetTransparentColor(clBlue);
    EXPECT_EQ(b.TransparentMode(), tmFixed);
    EXPECT_EQ(b.TransparentColor(), clBlue);
}

TEST_F(BitmapTest, CanvasDrawingKeepsTheDepthAndNotifies) {
    std::unique_ptr<TBitmap> b = LoadBytes(Indexed("info-4bit", 40, 4, 16).file);
    QList<QRgb> palette = b->Palette();
    palette[3] = qRgb(255, 0, 0);
    b->SetPalette(palette);
    int changes = 0;
    b->OnChange = [&](TObject*) { ++changes; };
    b->Canvas()->Brush()->SetColor(clRed);
    b->Canvas()->FillRect(QRect(1, 1, 2, 1));
    EXPECT_GT(changes, 0);
    const QImage image = b->Image();
    EXPECT_EQ(b->BitsPerPixel(), 4);
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.pixelIndex(1, 1), 3);
    EXPECT_EQ(image.pixelIndex(2, 1), 3);
    EXPECT_EQ(image.pixel(0, 0), palette[0]);

    // Drawing goes on after the pixels were read.
    b->Canvas()->FillRect(QRect(0, 0, 1, 1));
    EXPECT_EQ(b->Image().pixelIndex(0, 0), 3);
}

TEST_F(BitmapTest, ResizingKeepsTheTopLeftPixels) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(4, 4);
    EXPECT_EQ(b.Image().pixel(3, 3), qRgb(255, 255, 255));
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(QRect(0, 0, 4, 4));
    b.SetWidth(6);
    b.SetHeight(3);
    const QImage image = b.Image();
    EXPECT_EQ(image.size(), QSize(6, 3));
    EXPECT_EQ(image.pixel(3, 2), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(5, 0), qRgb(255, 255, 255));
    b.SetSize(0, 3);
    EXPECT_TRUE(b.Empty());
}

TEST_F(BitmapTest, PixelFormatChangesConvertThePixels) {
    std::unique_ptr<TBitmap> b = LoadBytes(TrueColour("t", 40, 24).file);
    b->SetPixelFormat(pf8bit);
    EXPECT_EQ(b->BitsPerPixel(), 8);
    EXPECT_LE(b->Palette().size(), 256);
    ExpectPixels(b->Image(), Colour24, "as 8 bits");
    b->SetPixelFormat(pf1bit);
    EXPECT_TRUE(b->Monochrome());
    b->SetPixelFormat(pf32bit);
    EXPECT_TRUE(b->Palette().isEmpty());
    EXPECT_EQ(b->Image().format(), QImage::Format_RGB32);
}

} // namespace
