// Pictures read by Qt's image readers: a PNG loads by its extension and draws at size
// (its transparent parts showing what is beneath), and damaged or oversized files are
// refused with the file's name and why.

#include "framework/graphics/QtImage.h"
#include "framework/graphics/Pictures.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

namespace {

TEST(QtImageTest, APngLoadsAndDrawsAtSize) {
    RegisterQtImageFormats();
    // 80 x 40, stripes 10 wide: red, then blue, the blue ones transparent on the right half.
    QImage stripes(80, 40, QImage::Format_ARGB32);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x)
            stripes.setPixel(x, y,
                             (x / 10) % 2 ? qRgba(0, 0, 255, x >= 40 ? 0 : 255) : qRgb(255, 0, 0));
    const QString file = QDir(TestTempDir()).filePath(QStringLiteral("stripes.PNG"));
    ASSERT_TRUE(stripes.save(file, "PNG"));
    TPicture picture;
    picture.LoadFromFile(file);
    ASSERT_NE(qobject_cast<TQtImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(QSize(picture.Width(), picture.Height()), QSize(80, 40));

    // Twice the size at (10, 5) on a white page: stripes 20 wide, nothing outside.
    TBitmap page;
    page.SetPixelFormat(pf24bit);
    page.SetSize(180, 90);
    page.Canvas()->StretchDraw(QRect(10, 5, 160, 80), picture.Graphic());
    const QImage drawn = page.Image().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(drawn.pixel(15, 40), qRgb(255, 0, 0));
    EXPECT_EQ(drawn.pixel(35, 40), qRgb(0, 0, 255));
    EXPECT_EQ(drawn.pixel(115, 40), qRgb(255, 255, 255)); // a transparent blue stripe
    EXPECT_EQ(drawn.pixel(95, 84), qRgb(255, 0, 0));
    EXPECT_EQ(drawn.pixel(5, 40), qRgb(255, 255, 255));
}

// Each file of bad/png is refused with its name and the reason; the picture held stays.
TEST(QtImageTest, DamagedAndOversizedPngsAreRefusedNamingTheFile) {
    RegisterQtImageFormats();
    RegisterStandardPictureFormats();
    const char* const damaged = "its pixels are damaged or cut short";
    const char* const header = "not such a file, or its header is damaged";
    const std::pair<const char*, const char*> cases[] = {
        {"truncated-in-pixels.png", damaged},
        {"pixels-crc-wrong.png", damaged},
        {"pixels-not-deflate.png", damaged},
        {"pixels-too-few.png", damaged},
        {"width-zero.png", header},
        {"header-only.png", header},
        {"not-a-png.png", header},
        {"declared-20000x20000.png", "20000 x 20000 pixels, more than 167772160"},
        {"declared-12000x14000.png", "12000 x 14000 pixels, more than 167772160"},
        {"rgba16-10000x10000.png", "10000 x 10000 pixels of 64 bits, more than 640 MB"},
    };
    TPicture picture;
    picture.LoadFromFile(TestData(QStringLiteral("bmp/im-v3-24bit.bmp")));
    for (const auto& [name, reason] : cases) {
        const QString file = TestData(QStringLiteral("bad/png/") + QLatin1String(name));
        QString error;
        try {
            picture.LoadFromFile(file);
        } catch (const EInvalidGraphic& e) {
            error = e.Message();
        }
        EXPECT_TRUE(error.startsWith(file + QStringLiteral(": PNG image is not valid: ") +
                                     QLatin1String(reason)))
            << name << ": " << error.toStdString();
        // Recognised by its content, the file is refused alike.
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_THROW(GraphicFromBytes(f.readAll()), EInvalidGraphic) << name;
    }
    EXPECT_NE(qobject_cast<TBitmap*>(picture.Graphic()), nullptr);
}

} // namespace
