// A cover picture's place in its frame for each fit, worked out by hand for a 2:1 picture
// (200 x 100 pixels) in the covers' frames (millimetres), then drawn: a striped picture's
// stripes land where the geometry says.

#include "app/PictureFit.h"
#include "framework/graphics/Pictures.h"
#include "support/TestSupport.h"

void PrintTo(const QRectF& r, std::ostream* os) {
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace {

const QRectF kFront(10, 20, 120, 120);
const QSize kWide(200, 100), kTall(100, 200);

TEST(PictureFitTest, PlacesThePictureForEachFit) {
    struct Case {
        const char* what;
        QSize picture;
        QRectF frame;
        TPictureFit fit;
        QPointF crop;
        QRectF source, target, drawn;
    };
    // clang-format off
    const Case cases[] = {
        {"stretch: whole picture, whole frame", kWide, kFront, TPictureFit::Stretch, {},
         {0, 0, 200, 100}, kFront, kFront},
        // Scale min(120/200, 120/100) = 0.6: 120 x 60, 30 of white above and below.
        {"fit: whole, centred, crop ignored", kWide, kFront, TPictureFit::Fit, {0.5, 0.5},
         {0, 0, 200, 100}, {10, 50, 120, 60}, {10, 50, 120, 60}},
        // The booklet: scale min(2.4, 0.6) = 0.6, 60 x 120 at (240 - 60) / 2.
        {"fit: tall in the booklet", kTall, {0, 0, 240, 120}, TPictureFit::Fit, {},
         {0, 0, 100, 200}, {90, 0, 60, 120}, {90, 0, 60, 120}},
        // The tray card: scale 0.755, 151 x 75.5, (118 - 75.5) / 2 = 21.25 above.
        {"fit: tray card", kWide, {0, 0, 151, 118}, TPictureFit::Fit, {},
         {0, 0, 200, 100}, {0, 21.25, 151, 75.5}, {0, 21.25, 151, 75.5}},
        // Scale max(0.6, 1.2) = 1.2: 240 x 120, 60 to spare on each side; the frame shows
        // picture pixels 50..150.
        {"fill: centred crop", kWide, kFront, TPictureFit::Fill, {},
         {50, 0, 100, 100}, kFront, {-50, 20, 240, 120}},
        {"fill: crop at the left end", kWide, kFront, TPictureFit::Fill, {1, 0},
         {0, 0, 100, 100}, kFront, {10, 20, 240, 120}},
        {"fill: crops past the ends are the ends", kWide, kFront, TPictureFit::Fill, {-7, 3},
         {100, 0, 100, 100}, kFront, {-110, 20, 240, 120}},
        // 120 x 240, 60 to spare above and below; +0.5 moves it down 30: rows 25..125 show.
        {"fill: vertical crop", kTall, {0, 0, 120, 120}, TPictureFit::Fill, {0, 0.5},
         {0, 25, 100, 100}, {0, 0, 120, 120}, {0, -30, 120, 240}},
        {"fill: the frame's own aspect", kWide, {0, 0, 240, 120}, TPictureFit::Fill, {1, 1},
         {0, 0, 200, 100}, {0, 0, 240, 120}, {0, 0, 240, 120}},
        {"no picture, nothing drawn", {0, 100}, kFront, TPictureFit::Fit, {}, {}, {}, {}},
        {"no frame, nothing drawn", kWide, {10, 20, 0, 120}, TPictureFit::Fill, {}, {}, {}, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TPicturePlacement p = PlacePicture(c.picture, c.frame, c.fit, c.crop);
        EXPECT_EQ(p.source, c.source);
        EXPECT_EQ(p.target, c.target);
        EXPECT_EQ(p.drawn, c.drawn);
        EXPECT_EQ(p.clipToFrame, c.fit == TPictureFit::Fill && !c.target.isEmpty());
    }
}

TEST(PictureFitTest, DraggingMovesTheCropWithinItsEnds) {
    // 60 to spare on each side of the 2:1 picture filling the front cover, none upright.
    EXPECT_EQ(CropAfterDrag(kWide, kFront, {0, 0}, {30, 50}), QPointF(0.5, 0));
    EXPECT_EQ(CropAfterDrag(kWide, kFront, {0.5, 0}, {-90, 0}), QPointF(-1, 0));
    EXPECT_EQ(CropAfterDrag(kWide, kFront, {0.5, 0}, {1000, 0}), QPointF(1, 0));
    EXPECT_EQ(CropAfterDrag(kWide, QRectF(0, 0, 240, 120), {0.25, 0}, {30, 30}), QPointF(0.25, 0));
}

// Stripes 20 pixels wide, black first, drawn whole into `drawn` through a clip to the
// frame, as a page would draw it: in "fill" 24 wide from x = -50, so black on 46..70.
TEST(PictureFitTest, StripesLandWhereTheGeometrySays) {
    TBitmap stripes;
    stripes.SetPixelFormat(pf24bit);
    stripes.SetSize(200, 100);
    stripes.Canvas()->Brush()->SetColor(clBlack);
    for (int x = 0; x < 200; x += 40)
        stripes.Canvas()->FillRect(QRect(x, 0, 20, 100));
    TBitmap page;
    page.SetPixelFormat(pf24bit);
    page.SetSize(140, 140);
    TCanvas* canvas = page.Canvas();
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(QRect(0, 0, 140, 140));
    const TPicturePlacement p = PlacePicture(kWide, kFront, TPictureFit::Fill, {});
    canvas->Handle()->IntersectClipRect(kFront.toRect());
    canvas->StretchDraw(p.drawn.toRect(), &stripes);
    const QImage fill = page.Image().convertToFormat(QImage::Format_RGB32);
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    EXPECT_EQ(fill.pixel(15, 25), black);
    EXPECT_EQ(fill.pixel(30, 135), white);
    EXPECT_EQ(fill.pixel(50, 80), black);
    EXPECT_EQ(fill.pixel(5, 80), white); // nothing outside the frame
    EXPECT_EQ(fill.pixel(135, 80), white);
}

} // namespace
