// The picture item on the page: stretched, at its natural size clipped to the item,
// centred, bitmaps through their device-independent copy, and a picture that cannot be
// decoded.
#include "ItemsSupport.h"

#include "imaging/jpeg.h"

#include <QBuffer>

namespace {

std::unique_ptr<TBitmap> SolidBitmap(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(image);
    return bitmap;
}

// The box of the pixels near a colour.
QRect ColourBox(const QImage& image, QRgb colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(colour)) <= 40 &&
                std::abs(qGreen(p) - qGreen(colour)) <= 40 &&
                std::abs(qBlue(p) - qBlue(colour)) <= 40)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

} // namespace

class ImageItemTest : public ItemsTest {
protected:
    // A picture item at the band's corner, 10 mm from the paper's: (38, 38) on the page.
    TRpImage* NewImage(long double sizeMM, TGraphic* graphic, TReport** reportOut) {
        TReport* report = NewReport();
        TRpBand* band = NewBand(report, 200);
        auto* image = NewItem<TRpImage>(band, 0, 0, sizeMM, sizeMM);
        image->Picture()->SetGraphic(graphic);
        *reportOut = report;
        return image;
    }
};

struct PlacementCase {
    const char* name;
    long double sizeMM;
    bool stretch, center;
    QRect red; // where the picture's pixels land on the page
};

class PlacementTest : public ImageItemTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(PlacementTest, PicturePixelsLandWhereThePlacementPutsThem) {
    const PlacementCase& c = GetParam();
    const auto bitmap = SolidBitmap(300, 200, Qt::red);
    TReport* report = nullptr;
    TRpImage* image = NewImage(c.sizeMM, bitmap.get(), &report);
    image->SetStretch(c.stretch);
    image->SetCenter(c.center);
    RunPass(report);
    const QImage page = RenderKeptPage(report->RpPrinter(), 1);
    EXPECT_EQ(ColourBox(page, qRgb(255, 0, 0)), c.red);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlacementTest,
    ::testing::Values(
        // 120 mm from native 100 to 1300: pixels Round(37.80) = 38 to Round(491.34) = 491.
        PlacementCase{"StretchFillsTheItem", 120, true, false, {38, 38, 453, 453}},
        // At 96 pixels per inch 300 pixels are 793.75 native, 300 pixels on the page.
        PlacementCase{"NaturalSize", 120, false, false, {38, 38, 300, 200}},
        // Clipped to a 50 mm item: 38 to Round(600 x 96 / 254) = 227.
        PlacementCase{"NaturalSizeClipped", 50, false, false, {38, 38, 189, 189}},
        // Centred in 1200 native = 454 pixels: moved by (454 - 300) div 2 = 77 and
        // (454 - 200) div 2 = 127.
        PlacementCase{"Centred", 120, false, true, {115, 165, 300, 200}}),
    [](const ::testing::TestParamInfo<PlacementCase>& i) { return std::string(i.param.name); });

// An 8-bit bitmap reaches the page with its own palette's colours.
TEST_F(ImageItemTest, PaletteBitmapKeepsItsColours) {
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 255), qRgb(0, 160, 0)});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    TBitmap bitmap;
    bitmap.SetImage(indexed, pf8bit);
    ASSERT_EQ(bitmap.BitsPerPixel(), 8);
    TReport* report = nullptr;
    TRpImage* image = NewImage(40, &bitmap, &report);
    image->SetStretch(true);
    EXPECT_EQ(image->Palette().size(), 2);
    RunPass(report);
    const QImage page = RenderKeptPage(report->RpPrinter(), 1);
    // 40 mm from native 100 to 500: pixels 38 to 189, the left half blue.
    EXPECT_EQ(ColourBox(page, qRgb(0, 0, 255)), QRect(38, 38, 76, 151));
    EXPECT_EQ(ColourBox(page, qRgb(0, 160, 0)), QRect(114, 38, 75, 151));
}

// A picture whose header claims more pixels than any page may hold is refused as it is
// read, saying why; the item left without it prints its frame and the pass goes on.
TEST_F(ImageItemTest, OversizedPictureIsRefusedAndThePassGoesOn) {
    const auto bitmap = SolidBitmap(16, 16, Qt::red);
    TJPEGImage source;
    source.Assign(bitmap.get());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    source.SaveToStream(buffer);
    QByteArray bytes = buffer.data();
    const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    // Height and width after the length and the precision: 60000 x 60000.
    for (const qsizetype at : {sof + 5, sof + 7}) {
        bytes[at] = char(0xEA);
        bytes[at + 1] = char(0x60);
    }
    TJPEGImage broken;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    try {
        broken.LoadFromStream(in);
        FAIL() << "a 60000 x 60000 picture was taken";
    } catch (const EJPEG& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("60000 x 60000")))
            << e.Message().toStdString();
    }

    TReport* report = nullptr;
    TRpImage* image = NewImage(50, &broken, &report);
    image->SetStretch(true);
    for (auto side : {&TRpFrame::SetDrawLeft, &TRpFrame::SetDrawTop, &TRpFrame::SetDrawRight,
                      &TRpFrame::SetDrawBottom})
        (image->Frame()->*side)(true);
    auto* after = NewItem<TRpShape>(qobject_cast<TRpBand*>(image->Band()), 100, 0, 20, 20);
    after->Brush()->SetColor(clBlue);
    RunPass(report);
    ASSERT_EQ(report->RpPrinter()->PagesBegun(), 1);
    const QImage page = RenderKeptPage(report->RpPrinter(), 1);
    // The frame's four sides around 38 to 227, and nothing inside it.
    EXPECT_EQ(DarkBox(page, QRect(0, 0, 300, 300)), QRect(38, 38, 189, 189));
    EXPECT_EQ(DarkPixels(page, QRect(42, 42, 180, 180)), 0);
    EXPECT_EQ(CountPixels(page, page.rect(), qRgb(255, 0, 0), 40), 0);
    // The next item of the band still printed: 110 mm from the paper's edge is 416.
    EXPECT_GT(CountPixels(page, QRect(416, 38, 75, 75), qRgb(0, 0, 255), 40), 5000);
}

TEST_F(ImageItemTest, ZeroSizePictureItemPrintsNothing) {
    const auto bitmap = SolidBitmap(30, 20, Qt::red);
    TReport* report = nullptr;
    TRpImage* image = NewImage(0, bitmap.get(), &report);
    image->Frame()->SetDrawLeft(true);
    image->Frame()->SetDrawTop(true);
    RunPass(report);
    EXPECT_TRUE(image->ItemDone());
    const QImage page = RenderKeptPage(report->RpPrinter(), 1);
    EXPECT_TRUE(DarkBox(page, page.rect()).isNull());
    EXPECT_EQ(CountPixels(page, page.rect(), qRgb(255, 0, 0), 40), 0);
}

TEST_F(ImageItemTest, AutoSizeTakesThePicturesPixelSize) {
    const auto bitmap = SolidBitmap(30, 20, Qt::red);
    TReport* report = nullptr;
    TRpImage* image = NewImage(50, bitmap.get(), &report);
    EXPECT_EQ(image->BoundsRect(), QRect(0, 0, 189, 189)); // AutoSize is off by default
    image->SetAutoSize(true);
    EXPECT_EQ(image->BoundsRect(), QRect(0, 0, 30, 20));
    // A bitmap as large as the item covers it: the item is opaque.
    EXPECT_FALSE(image->Transparent());
}
