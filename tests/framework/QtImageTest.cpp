// Pictures read by Qt's image readers: PNG files load, draw at size on screen and into a
// recorded page, and damaged or oversized ones are refused with the file's name and why.

#include "framework/graphics/QtImage.h"
#include "framework/graphics/EmfRecorder.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Pictures.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

namespace {

class QtImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterStandardPictureFormats();
        RegisterMetafileFormats();
        RegisterQtImageFormats();
        dir = TestTempDir();
    }
    QString Path(const QString& name) const { return QDir(dir).filePath(name); }
    QString dir;
};

// A 2:1 picture of eight vertical stripes, red and blue in turn, with an alpha channel when
// asked (the right half then half transparent).
QImage Stripes(bool alpha) {
    QImage image(80, 40, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y,
                           (x / 10) % 2 ? qRgba(0, 0, 255, alpha && x >= 40 ? 0 : 255)
                                        : qRgba(255, 0, 0, 255));
    return image;
}

QImage DrawOnPage(TGraphic* g, const QRect& where, const QSize& page) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(page.width(), page.height());
    bitmap.Canvas()->StretchDraw(where, g);
    return bitmap.Image().convertToFormat(QImage::Format_RGB32);
}

QString ErrorOf(const QString& file) {
    TPicture picture;
    try {
        picture.LoadFromFile(file);
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

TEST_F(QtImageTest, APngLoadsAndDrawsAtSizeOnScreenAndIntoARecordedPage) {
    ASSERT_TRUE(Stripes(false).save(Path(QStringLiteral("stripes.PNG")), "PNG"));
    TPicture picture;
    picture.LoadFromFile(Path(QStringLiteral("stripes.PNG")));
    auto* png = qobject_cast<TQtImage*>(picture.Graphic());
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(png->Format(), QByteArray("png"));
    EXPECT_EQ(QSize(png->Width(), png->Height()), QSize(80, 40));

    // Twice the size, at an offset: each stripe 20 pixels wide, nothing outside.
    const QImage screen = DrawOnPage(png, QRect(10, 5, 160, 80), QSize(180, 90));
    EXPECT_EQ(screen.pixel(15, 40), qRgb(255, 0, 0));
    EXPECT_EQ(screen.pixel(35, 40), qRgb(0, 0, 255));
    EXPECT_EQ(screen.pixel(165, 84), qRgb(0, 0, 255));
    EXPECT_EQ(screen.pixel(5, 40), qRgb(255, 255, 255));
    EXPECT_EQ(screen.pixel(175, 40), qRgb(255, 255, 255));

    // The kept page is a metafile; played back it shows the same stripes.
    TEmfRecorderDC recorder(QSize(180, 90), 96, 96);
    {
        TCanvas canvas(&recorder);
        TPicture copy;
        copy.Assign(&picture);
        canvas.StretchDraw(QRect(10, 5, 160, 80), copy.Graphic());
    }
    TMetafile page;
    page.SetData(recorder.Finish());
    const QImage played = DrawOnPage(&page, QRect(0, 0, 180, 90), QSize(180, 90));
    EXPECT_LE(ImageDifference(screen, played), 0);
}

TEST_F(QtImageTest, TransparentPartsShowWhatIsBeneath) {
    ASSERT_TRUE(Stripes(true).save(Path(QStringLiteral("half.png")), "PNG"));
    TPicture picture;
    picture.LoadFromFile(Path(QStringLiteral("half.png")));
    const QImage page = DrawOnPage(picture.Graphic(), QRect(0, 0, 80, 40), QSize(80, 40));
    EXPECT_EQ(page.pixel(5, 20), qRgb(255, 0, 0));
    EXPECT_EQ(page.pixel(15, 20), qRgb(0, 0, 255));
    EXPECT_EQ(page.pixel(55, 20), qRgb(255, 255, 255)); // a transparent blue stripe
    EXPECT_EQ(page.pixel(45, 20), qRgb(255, 0, 0));
}

// Each file of bad/png is refused with its name and the reason; the picture held stays.
TEST_F(QtImageTest, DamagedAndOversizedPngsAreRefusedNamingTheFile) {
    struct Case {
        const char* file;
        const char* reason;
    };
    const Case cases[] = {
        {"truncated-in-pixels.png", "PNG image is not valid: its pixels are damaged or cut short"},
        {"pixels-crc-wrong.png", "PNG image is not valid: its pixels are damaged or cut short"},
        {"pixels-not-deflate.png", "PNG image is not valid: its pixels are damaged or cut short"},
        {"pixels-too-few.png", "PNG image is not valid: its pixels are damaged or cut short"},
        {"width-zero.png", "PNG image is not valid: not such a file, or its header is damaged"},
        {"header-only.png", "PNG image is not valid: not such a file, or its header is damaged"},
        {"not-a-png.png", "PNG image is not valid: not such a file, or its header is damaged"},
        {"declared-20000x20000.png",
         "PNG image is not valid: 20000 x 20000 pixels, more than 167772160"},
        {"declared-12000x14000.png",
         "PNG image is not valid: 12000 x 14000 pixels, more than 167772160"},
        {"rgba16-10000x10000.png",
         "PNG image is not valid: 10000 x 10000 pixels of 64 bits, more than 640 MB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString file = TestData(QStringLiteral("bad/png/") + QLatin1String(c.file));
        const QString error = ErrorOf(file);
        EXPECT_TRUE(error.startsWith(file + QStringLiteral(": ") + QLatin1String(c.reason)))
            << error.toStdString();
    }

    // Recognised by content, the same files are refused alike.
    for (const char* name : {"declared-20000x20000.png", "truncated-in-pixels.png"}) {
        QFile f(TestData(QStringLiteral("bad/png/") + QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_THROW(GraphicFromBytes(f.readAll()), EInvalidGraphic) << name;
    }

    ASSERT_TRUE(Stripes(false).save(Path(QStringLiteral("good.png")), "PNG"));
    TPicture picture;
    picture.LoadFromFile(Path(QStringLiteral("good.png")));
    EXPECT_THROW(picture.LoadFromFile(TestData(QStringLiteral("bad/png/pixels-crc-wrong.png"))),
                 EInvalidGraphic);
    EXPECT_EQ(picture.Width(), 80);
}

} // namespace
