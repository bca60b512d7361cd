// The picture holder: kinds chosen by extension through the registry, its errors, change
// notification and copies; files recognised by their content; icons.

#include "BmpFiles.h"
#include "RecordingDC.h"
#include "framework/graphics/Dib.h"
#include "framework/graphics/EmfRecorder.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Pictures.h"
#include "framework/core/Reader.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <functional>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray SmallBmp() {
    BmpLayout s;
    s.width = 2;
    s.height = 2;
    s.bits =
        PackRows(2, 2, 24, [](int x, int y) { return x == 0 && y == 0 ? 0xFF0000u : 0xFFFFFFu; });
    return MakeBmp(s);
}

QString ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

// Draws g into a w x h area over a red page and returns the page.
QImage DrawOverRed(TGraphic* g, int w, int h) {
    TBitmap page;
    page.SetPixelFormat(pf24bit);
    page.SetSize(w, h);
    page.Canvas()->Brush()->SetColor(clRed);
    page.Canvas()->FillRect(QRect(0, 0, w, h));
    page.Canvas()->StretchDraw(QRect(0, 0, w, h), g);
    return page.Image().convertToFormat(QImage::Format_RGB32);
}

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterStandardPictureFormats();
        dir = TestTempDir();
    }
    QString Path(const QString& name) const { return QDir(dir).filePath(name); }
    QString dir;
};

TEST_F(PictureTest, StandardKindsAreRegistered) {
    ASSERT_NE(FindFileFormat(QStringLiteral("bmp")), nullptr);
    EXPECT_EQ(FindFileFormat(QStringLiteral("BMP"))->description, QStringLiteral("Bitmaps"));
    EXPECT_EQ(FindFileFormat(QStringLiteral("ico"))->description, QStringLiteral("Icons"));
    ASSERT_NE(FindFileFormat(QString()), nullptr);
    EXPECT_NE(qobject_cast<TBitmap*>(FindFileFormat(QStringLiteral("bmp"))->make().get()), nullptr);
    EXPECT_NE(qobject_cast<TIcon*>(FindFileFormat(QStringLiteral("ico"))->make().get()), nullptr);
    EXPECT_NE(qobject_cast<TAutoGraphic*>(FindFileFormat(QString())->make().get()), nullptr);
}

TEST_F(PictureTest, ExtensionsAreTheTextAfterTheLastDotOfTheName) {
    EXPECT_EQ(PictureFileExtension(QStringLiteral("/a/b/cover.JPG")), QStringLiteral("JPG"));
    EXPECT_EQ(PictureFileExtension(QStringLiteral("x.tar.gz")), QStringLiteral("gz"));
    EXPECT_EQ(PictureFileExtension(QStringLiteral("/a.d/cover")), QString());
    EXPECT_EQ(PictureFileExtension(QStringLiteral("cover.")), QString());
    EXPECT_EQ(PictureFileExtension(QString()), QString());
}

TEST_F(PictureTest, LoadFailuresSayWhatWentWrong) {
    TPicture p;
    EXPECT_EQ(ErrorOf([&] { p.LoadFromFile(Path(QStringLiteral("cover.xyz"))); }),
              QStringLiteral("Unknown picture file extension (.xyz)"));
    EXPECT_EQ(ErrorOf([&] { p.LoadFromFile(Path(QStringLiteral("missing.bmp"))); }),
              QStringLiteral("Cannot open file ") + Path(QStringLiteral("missing.bmp")));
    EXPECT_EQ(ErrorOf([&] { p.LoadFromFile(Path(QStringLiteral("missing"))); }),
              QStringLiteral("Cannot open file ") + Path(QStringLiteral("missing")));
    EXPECT_EQ(ErrorOf([&] { p.LoadFromFile(QString()); }), QStringLiteral("Cannot open file "));
    WriteFile(Path(QStringLiteral("text.bmp")), "plain text");
    EXPECT_EQ(ErrorOf([&] { p.LoadFromFile(Path(QStringLiteral("text.bmp"))); }),
              QStringLiteral("Bitmap image is not valid"));
    WriteFile(Path(QStringLiteral("text")), "plain text");
    EXPECT_EQ(ErrorOf([&] { p.LoadFromFile(Path(QStringLiteral("text"))); }),
              QStringLiteral("Unknown picture format"));
    EXPECT_EQ(p.Graphic(), nullptr);
    // An unregistered extension is refused before the file is looked at.
    UnregisterFileFormat(QStringLiteral("ico"));
    WriteFile(Path(QStringLiteral("a.ico")), "x");
    EXPECT_EQ(ErrorOf([&] { p.LoadFromFile(Path(QStringLiteral("a.ico"))); }),
              QStringLiteral("Unknown picture file extension (.ico)"));
    RegisterStandardPictureFormats();
}

TEST_F(PictureTest, ANewPictureReplacesTheOldOnlyWhenItLoaded) {
    WriteFile(Path(QStringLiteral("COVER.BMP")), SmallBmp());
    WriteFile(Path(QStringLiteral("broken.bmp")), SmallBmp().left(40));
    TPicture p;
    int changes = 0;
    p.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &p);
        ++changes;
    };
    p.LoadFromFile(Path(QStringLiteral("COVER.BMP")));
    EXPECT_EQ(changes, 1);
    TGraphic* loaded = p.Graphic();
    ASSERT_NE(qobject_cast<TBitmap*>(loaded), nullptr);
    EXPECT_EQ(p.Width(), 2);
    EXPECT_EQ(p.Height(), 2);
    EXPECT_ANY_THROW(p.LoadFromFile(Path(QStringLiteral("broken.bmp"))));
    EXPECT_ANY_THROW(p.LoadFromFile(Path(QStringLiteral("gone.bmp"))));
    EXPECT_EQ(p.Graphic(), loaded);
    EXPECT_EQ(changes, 1);
    // Drawing on the held bitmap is a change of the picture.
    p.Bitmap()->Canvas()->FillRect(QRect(0, 0, 1, 1));
    EXPECT_EQ(changes, 2);
}

TEST_F(PictureTest, CopiesAreIndependentPicturesOfTheSameKind) {
    WriteFile(Path(QStringLiteral("a.bmp")), SmallBmp());
    TPicture a, b;
    a.LoadFromFile(Path(QStringLiteral("a.bmp")));
    b.Assign(&a);
    ASSERT_NE(qobject_cast<TBitmap*>(b.Graphic()), nullptr);
    EXPECT_NE(b.Graphic(), a.Graphic());
    b.Bitmap()->Canvas()->Brush()->SetColor(clBlue);
    b.Bitmap()->Canvas()->FillRect(QRect(0, 0, 2, 2));
    EXPECT_EQ(a.Bitmap()->Image().pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(b.Bitmap()->Image().pixel(1, 1), qRgb(0, 0, 255));

    TBitmap target;
    target.Assign(&a);
    EXPECT_EQ(target.Image().pixel(0, 0), qRgb(255, 0, 0));

    a.Assign(nullptr);
    EXPECT_EQ(a.Graphic(), nullptr);
    EXPECT_EQ(a.Width(), 0);
}

TEST_F(PictureTest, AskingForABitmapReplacesAnotherKind) {
    WriteFile(Path(QStringLiteral("dots")),
              ReadFile(TestData(QStringLiteral("pictures/dots.gif"))));
    TPicture p;
    p.LoadFromFile(Path(QStringLiteral("dots")));
    ASSERT_NE(qobject_cast<TAutoGraphic*>(p.Graphic()), nullptr);
    TBitmap* b = p.Bitmap();
    EXPECT_EQ(p.Graphic(), b);
    EXPECT_TRUE(b->Empty());
}

// ---- Content recognition --------------------------------------------------------------

TEST_F(PictureTest, FilesWithoutExtensionAreRecognisedByTheirContent) {
    WriteFile(Path(QStringLiteral("bitmap")), SmallBmp());
    TPicture p;
    p.LoadFromFile(Path(QStringLiteral("bitmap")));
    auto* any = qobject_cast<TAutoGraphic*>(p.Graphic());
    ASSERT_NE(any, nullptr);
    EXPECT_NE(qobject_cast<TBitmap*>(any->Inner()), nullptr);
    EXPECT_EQ(p.Width(), 2);
    EXPECT_EQ(DrawOverRed(any, 2, 2).pixel(1, 0), qRgb(255, 255, 255));

    // A GIF's transparent pixels leave the page showing.
    WriteFile(Path(QStringLiteral("gif")), ReadFile(TestData(QStringLiteral("pictures/dots.gif"))));
    p.LoadFromFile(Path(QStringLiteral("gif")));
    ASSERT_EQ(QSize(p.Width(), p.Height()), QSize(4, 3));
    const QImage page = DrawOverRed(p.Graphic(), 8, 6);
    EXPECT_EQ(page.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(page.pixel(2, 2), qRgb(0, 0, 255));
    EXPECT_EQ(page.pixel(7, 5), qRgb(0, 255, 0));

    // PNG, and saving writes the bytes as read.
    QImage png(3, 1, QImage::Format_ARGB32);
    png.setPixel(0, 0, qRgba(0, 0, 255, 255));
    png.setPixel(1, 0, qRgba(0, 0, 0, 0));
    png.setPixel(2, 0, qRgba(0, 255, 0, 255));
    QByteArray pngBytes;
    QBuffer buffer(&pngBytes);
    buffer.open(QIODevice::WriteOnly);
    png.save(&buffer, "PNG");
    WriteFile(Path(QStringLiteral("png")), pngBytes);
    p.LoadFromFile(Path(QStringLiteral("png")));
    const QImage pngPage = DrawOverRed(p.Graphic(), 3, 1);
    EXPECT_EQ(pngPage.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(pngPage.pixel(1, 0), qRgb(255, 0, 0));
    p.SaveToFile(Path(QStringLiteral("png-again")));
    EXPECT_EQ(ReadFile(Path(QStringLiteral("png-again"))), pngBytes);
}

TEST_F(PictureTest, EnhancedMetafilesGoToTheirRegisteredKind) {
    QByteArray emf(108, '\0');
    PutU32(emf, 0, 1);
    PutU32(emf, 4, 108);
    PutU32(emf, 40, 0x464D4520);
    WriteFile(Path(QStringLiteral("page")), emf);
    TPicture p;
    if (!FindFileFormat(QStringLiteral("emf"))) {
        EXPECT_EQ(ErrorOf([&] { p.LoadFromFile(Path(QStringLiteral("page"))); }),
                  QStringLiteral("Unknown picture format"));
    }
    // Whatever kind holds "emf" reads such a file.
    const TFileFormat* before = FindFileFormat(QStringLiteral("emf"));
    const std::optional<TFileFormat> saved =
        before ? std::optional<TFileFormat>(*before) : std::nullopt;
    RegisterFileFormat(QStringLiteral("emf"), QStringLiteral("Enhanced metafiles"),
                       [] { return std::make_unique<TIcon>(); });
    EXPECT_EQ(ErrorOf([&] { p.LoadFromFile(Path(QStringLiteral("page"))); }),
              QStringLiteral("Icon image is not valid"));
    if (saved)
        RegisterFileFormat(saved->extension, saved->description, saved->make);
    else
        UnregisterFileFormat(QStringLiteral("emf"));
}

// Bitmaps recorded into a metafile come back from it, transparent ones too; the metafile
// itself is found by its content.
TEST_F(PictureTest, BitmapsRecordedIntoAMetafilePlayBack) {
    RegisterMetafileFormats();
    TBitmap opaque;
    opaque.SetPixelFormat(pf24bit);
    opaque.SetSize(2, 1);
    opaque.Canvas()->Brush()->SetColor(clBlue);
    opaque.Canvas()->FillRect(QRect(1, 0, 1, 1));
    TBitmap holed;
    holed.SetPixelFormat(pf24bit);
    holed.SetSize(2, 2);
    holed.Canvas()->Brush()->SetColor(clLime);
    holed.Canvas()->FillRect(QRect(0, 0, 2, 2));
    holed.Canvas()->Brush()->SetColor(clBlue);
    holed.Canvas()->FillRect(QRect(1, 0, 1, 1));
    holed.SetTransparent(true);

    TEmfRecorderDC recorder(QSize(60, 20), 96, 96);
    {
        TCanvas canvas(&recorder);
        canvas.StretchDraw(QRect(0, 0, 40, 20), &opaque);
        canvas.StretchDraw(QRect(40, 0, 20, 20), &holed);
    }
    WriteFile(Path(QStringLiteral("page")), recorder.Finish());
    TPicture p;
    p.LoadFromFile(Path(QStringLiteral("page")));
    auto* any = qobject_cast<TAutoGraphic*>(p.Graphic());
    ASSERT_NE(any, nullptr);
    ASSERT_NE(qobject_cast<TMetafile*>(any->Inner()), nullptr);
    const QImage page = DrawOverRed(any, 60, 20);
    EXPECT_EQ(page.pixel(5, 10), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(35, 10), qRgb(0, 0, 255));
    EXPECT_EQ(page.pixel(55, 5), qRgb(0, 0, 255));
    // The holes show the page, or white where the recording keeps only plain copies.
    EXPECT_TRUE(page.pixel(45, 15) == qRgb(255, 0, 0) || page.pixel(45, 15) == qRgb(255, 255, 255));
}

// A component with a picture, as picture controls have.
class TPictureHolder : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TPicture* Picture READ Picture)
public:
    explicit TPictureHolder(TComponent* owner) : TComponent(owner), picture_(new TPicture(this)) {}
    TPicture* Picture() const { return picture_; }

private:
    TPicture* picture_;
};

TEST_F(PictureTest, LayoutsGivePicturesFromTheCompiledInFiles) {
    TPictureHolder holder(nullptr);
    TLayoutReader::Read(
        &holder,
        QStringLiteral(
            "object Holder: TPictureHolder\n  Picture.Data = file 'sleevane.png'\nend\n"),
        QStringLiteral("test.layout"));
    const QImage expected(QStringLiteral(":/pictures/sleevane.png"));
    ASSERT_FALSE(expected.isNull());
    EXPECT_EQ(holder.Picture()->Width(), expected.width());
    EXPECT_EQ(holder.Picture()->Height(), expected.height());
}

// ---- Icons ----------------------------------------------------------------------------

struct IcoImage {
    int width, height, bitCount;
    QByteArray data;
};

QByteArray MakeIco(const std::vector<IcoImage>& images, int type = 1) {
    QByteArray dir(6 + 16 * static_cast<int>(images.size()), '\0');
    PutU16(dir, 2, static_cast<uint16_t>(type));
    PutU16(dir, 4, static_cast<uint16_t>(images.size()));
    QByteArray body;
    for (size_t i = 0; i < images.size(); ++i) {
        const int at = 6 + 16 * static_cast<int>(i);
        dir[at] = static_cast<char>(images[i].width & 255);
        dir[at + 1] = static_cast<char>(images[i].height & 255);
        PutU16(dir, at + 4, 1);
        PutU16(dir, at + 6, static_cast<uint16_t>(images[i].bitCount));
        PutU32(dir, at + 8, static_cast<uint32_t>(images[i].data.size()));
        PutU32(dir, at + 12, static_cast<uint32_t>(dir.size() + body.size()));
        body += images[i].data;
    }
    return dir + body;
}

// A packed icon bitmap: header with the doubled height, palette, colour rows, mask rows.
QByteArray IconDib(int w, int h, int bitCount, const QList<QRgb>& palette,
                   const std::function<uint32_t(int, int)>& pixel,
                   const std::function<bool(int, int)>& masked) {
    BmpLayout s;
    s.width = w;
    s.height = 2 * h;
    s.bitCount = bitCount;
    s.palette = palette;
    s.bits = PackRows(w, h, bitCount, pixel) +
             PackRows(w, h, 1, [&](int x, int y) { return masked(x, y) ? 1u : 0u; });
    return MakeBmp(s).mid(14);
}

TEST_F(PictureTest, IconsShowTheirLargestImageWithItsMask) {
    const QList<QRgb> palette = {qRgb(0, 0, 0), qRgb(0, 0, 255), qRgb(0, 255, 0)};
    const QByteArray small = IconDib(
        16, 16, 4, palette, [](int, int) { return 1u; }, [](int, int) { return false; });
    const QByteArray large = IconDib(
        32, 32, 8, palette, [](int x, int) { return x < 16 ? 1u : 2u; },
        [](int x, int y) { return x < 4 && y < 4; });
    WriteFile(Path(QStringLiteral("app.ico")), MakeIco({{16, 16, 4, small}, {32, 32, 8, large}}));
    TPicture p;
    p.LoadFromFile(Path(QStringLiteral("app.ico")));
    auto* icon = qobject_cast<TIcon*>(p.Graphic());
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(QSize(icon->Width(), icon->Height()), QSize(32, 32));
    const QImage page = DrawOverRed(icon, 32, 32);
    EXPECT_EQ(page.pixel(1, 1), qRgb(255, 0, 0)); // masked: the page shows
    EXPECT_EQ(page.pixel(5, 5), qRgb(0, 0, 255));
    EXPECT_EQ(page.pixel(20, 31), qRgb(0, 255, 0));

    // Off screen: an AND mask, then the colours.
    RecordingDC dc;
    TCanvas canvas(&dc);
    canvas.StretchDraw(QRect(0, 0, 32, 32), icon);
    ASSERT_EQ(dc.blts.size(), 2u);
    EXPECT_EQ(dc.blts[0].rop, kSrcAnd);
    EXPECT_EQ(dc.blts[1].rop, kSrcInvert);

    EXPECT_EQ(ErrorOf([&] { icon->SetWidth(10); }),
              QStringLiteral("Cannot change the size of an icon"));
    QByteArray saved;
    QBuffer buffer(&saved);
    buffer.open(QIODevice::WriteOnly);
    icon->SaveToStream(buffer);
    EXPECT_EQ(saved, MakeIco({{16, 16, 4, small}, {32, 32, 8, large}}));
}

TEST_F(PictureTest, IconsTakeAlphaAndPngImages) {
    // 32-bit colour rows whose fourth byte is coverage.
    BmpLayout s;
    s.width = 2;
    s.height = 4;
    s.bitCount = 32;
    s.bits = PackRows(2, 2, 32, [](int x, int) { return x == 0 ? 0xFF0000FFu : 0x0000FF00u; }) +
             PackRows(2, 2, 1, [](int, int) { return 0u; });
    TIcon alpha;
    alpha.LoadFromBytes(MakeIco({{2, 2, 32, MakeBmp(s).mid(14)}}));
    EXPECT_EQ(qAlpha(alpha.Image().pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(alpha.Image().pixel(1, 0)), 0);
    EXPECT_EQ(DrawOverRed(&alpha, 2, 2).pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(DrawOverRed(&alpha, 2, 2).pixel(1, 1), qRgb(255, 0, 0));

    QImage png(256, 256, QImage::Format_ARGB32);
    png.fill(qRgba(10, 20, 30, 255));
    QByteArray pngBytes;
    QBuffer buffer(&pngBytes);
    buffer.open(QIODevice::WriteOnly);
    png.save(&buffer, "PNG");
    TIcon big;
    big.LoadFromBytes(MakeIco({{256, 256, 32, pngBytes}, {2, 2, 32, MakeBmp(s).mid(14)}}));
    EXPECT_EQ(big.Width(), 256);
    EXPECT_EQ(big.Image().pixel(100, 100), qRgba(10, 20, 30, 255));
}

TEST_F(PictureTest, DamagedIconsAreRefused) {
    const QByteArray good = IconDib(
        4, 4, 4, {qRgb(0, 0, 0)}, [](int, int) { return 0u; }, [](int, int) { return false; });
    const QByteArray cases[] = {
        QByteArray(),
        MakeIco({{4, 4, 4, good}}, 2),                           // a cursor file
        MakeIco({}),                                             // no images
        MakeIco({{4, 4, 4, good}}).left(30),                     // image past the end
        MakeIco({{4, 4, 4, good.left(good.size() - 10)}}),       // mask rows cut short
        MakeIco({{4, 4, 4, QByteArray(40, '\x01')}}),            // not a bitmap
        MakeIco({{4, 4, 4, QByteArray("\x89PNG\r\n\x1a\nxx")}}), // broken PNG
    };
    for (const QByteArray& bytes : cases) {
        TIcon icon;
        EXPECT_EQ(ErrorOf([&] { icon.LoadFromBytes(bytes); }),
                  QStringLiteral("Icon image is not valid"));
        EXPECT_TRUE(icon.Empty());
    }
}

// A bitmap drawn into a recording gives the record a bitmap copy of it would give, whether
// its rows go into the record as they are (24 and 32 bits) or through that copy (the
// rest): widths whose rows need padding, and rows told apart so that an upside-down or
// shifted row shows.
struct RecordedBitmapRow {
    TPixelFormat format;
    int width, height;
};
void PrintTo(const RecordedBitmapRow& row, std::ostream* os) {
    *os << "format " << row.format << ", " << row.width << " x " << row.height;
}

class RecordedBitmapTest : public ::testing::TestWithParam<RecordedBitmapRow> {};

TEST_P(RecordedBitmapTest, RecordsTheRowsABitmapCopyWould) {
    const RecordedBitmapRow row = GetParam();
    QImage source(row.width, row.height, QImage::Format_RGB32);
    QRandomGenerator rng(static_cast<quint32>(row.width * 31 + row.height));
    for (int y = 0; y < row.height; ++y)
        for (int x = 0; x < row.width; ++x)
            source.setPixel(x, y, qRgb(static_cast<int>(rng.bounded(256u)), y * 9 % 256, x * 7 % 256));
    TBitmap bitmap;
    bitmap.SetImage(source, row.format);
    const QRect dest(3, 4, 2 * row.width, 2 * row.height);

    auto record = [&](const std::function<void(TEmfRecorderDC&)>& draw) {
        TEmfRecorderDC recorder(QSize(120, 90), 96, 96);
        draw(recorder);
        return recorder.Finish();
    };
    const QByteArray drawn = record([&](TEmfRecorderDC& dc) {
        TCanvas canvas(&dc);
        canvas.StretchDraw(dest, &bitmap);
    });
    const QByteArray copied = record([&](TEmfRecorderDC& dc) {
        dc.SetStretchBltMode(COLORONCOLOR);
        ASSERT_TRUE(dc.StretchDIBits(dest, bitmap.Image().rect(),
                                     EncodeDib(bitmap.Image(), bitmap.BitsPerPixel()), SRCCOPY));
    });
    EXPECT_GT(drawn.size(), row.width * row.height);
    EXPECT_EQ(drawn.size(), copied.size());
    EXPECT_TRUE(drawn == copied) << "the recorded bitmap differs";
    EXPECT_EQ(DibRowsAsStored(bitmap.Image(), bitmap.BitsPerPixel()),
              row.format == pf24bit || row.format == pf32bit);
}

INSTANTIATE_TEST_SUITE_P(Layouts, RecordedBitmapTest,
                         ::testing::Values(RecordedBitmapRow{pf24bit, 5, 3},
                                           RecordedBitmapRow{pf24bit, 8, 4},
                                           RecordedBitmapRow{pf24bit, 1, 7},
                                           RecordedBitmapRow{pf32bit, 3, 5},
                                           // rows enough to be written on two threads
                                           RecordedBitmapRow{pf24bit, 1183, 1201},
                                           RecordedBitmapRow{pf32bit, 1031, 1019},
                                           RecordedBitmapRow{pf8bit, 5, 3},
                                           RecordedBitmapRow{pf16bit, 3, 2}));

} // namespace

#include "PicturesTest.moc"
