// A cover picture's place in its frame for each fit, worked out by hand for a 2:1 picture
// (200 x 100 pixels) and the covers' frames in millimetres, then drawn: a striped picture's
// stripes land where the geometry says.

#include "app/PictureFit.h"
#include "framework/graphics/Pictures.h"
#include "support/TestSupport.h"

void PrintTo(const QRectF& r, std::ostream* os) {
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace {

struct PlaceCase {
    const char* what;
    QSize picture;
    QRectF frame;
    TPictureFit fit;
    QPointF crop;
    QRectF source, target, drawn;
};

const QRectF kFront(10, 20, 120, 120);

TEST(PictureFitTest, PlacesThePictureForEachFit) {
    const PlaceCase cases[] = {
        {"stretch: the whole picture on the whole frame",
         {200, 100},
         kFront,
         TPictureFit::Stretch,
         {},
         {0, 0, 200, 100},
         kFront,
         kFront},
        // Scale min(120/200, 120/100) = 0.6: 120 x 60, 30 mm of white above and below.
        {"fit: whole, centred",
         {200, 100},
         kFront,
         TPictureFit::Fit,
         {0.5, 0.5},
         {0, 0, 200, 100},
         {10, 50, 120, 60},
         {10, 50, 120, 60}},
        // A tall picture in the booklet: scale min(1.2, 0.6) = 0.6, 60 x 120 at (240-60)/2.
        {"fit: tall picture in a wide frame",
         {100, 200},
         {0, 0, 240, 120},
         TPictureFit::Fit,
         {},
         {0, 0, 100, 200},
         {90, 0, 60, 120},
         {90, 0, 60, 120}},
        // The tray card: scale 151/200 = 0.755, 151 x 75.5, (118 - 75.5) / 2 = 21.25 above.
        {"fit: tray card",
         {200, 100},
         {0, 0, 151, 118},
         TPictureFit::Fit,
         {},
         {0, 0, 200, 100},
         {0, 21.25, 151, 75.5},
         {0, 21.25, 151, 75.5}},
        // Scale max(0.6, 1.2) = 1.2: 240 x 120, 120 mm to spare, 60 each side; the frame
        // shows picture pixels 50..150.
        {"fill: centred crop",
         {200, 100},
         kFront,
         TPictureFit::Fill,
         {},
         {50, 0, 100, 100},
         kFront,
         {-50, 20, 240, 120}},
        {"fill: crop at the left end",
         {200, 100},
         kFront,
         TPictureFit::Fill,
         {1, 0},
         {0, 0, 100, 100},
         kFront,
         {10, 20, 240, 120}},
        {"fill: crop at the right end",
         {200, 100},
         kFront,
         TPictureFit::Fill,
         {-1, 0},
         {100, 0, 100, 100},
         kFront,
         {-110, 20, 240, 120}},
        {"fill: crops past the ends are the ends",
         {200, 100},
         kFront,
         TPictureFit::Fill,
         {-7, 3},
         {100, 0, 100, 100},
         kFront,
         {-110, 20, 240, 120}},
        // A tall picture: 120 x 240, 60 to spare above and below; +0.5 moves it down 30,
        // so the frame shows rows (60 - 30) / 1.2 = 25 .. 125.
        {"fill: vertical crop",
         {100, 200},
         {0, 0, 120, 120},
         TPictureFit::Fill,
         {0, 0.5},
         {0, 25, 100, 100},
         {0, 0, 120, 120},
         {0, -30, 120, 240}},
        {"fill: same aspect as the frame is a stretch",
         {200, 100},
         {0, 0, 240, 120},
         TPictureFit::Fill,
         {1, 1},
         {0, 0, 200, 100},
         {0, 0, 240, 120},
         {0, 0, 240, 120}},
        {"no picture draws nothing", {0, 100}, kFront, TPictureFit::Fit, {}, {}, {}, {}},
        {"no frame draws nothing", {200, 100}, {10, 20, 0, 120}, TPictureFit::Fill, {}, {}, {}, {}},
    };
    for (const PlaceCase& c : cases) {
        SCOPED_TRACE(c.what);
        const TPicturePlacement p = PlacePicture(c.picture, c.frame, c.fit, c.crop);
        EXPECT_EQ(p.source, c.source);
        EXPECT_EQ(p.target, c.target);
        EXPECT_EQ(p.drawn, c.drawn);
        EXPECT_EQ(p.clipToFrame, c.fit == TPictureFit::Fill && !c.target.isEmpty());
    }
}

TEST(PictureFitTest, DraggingMovesTheCropWithinItsEnds) {
    // 60 mm to spare on each side of the 2:1 picture filling the front cover.
    const QSize pic(200, 100);
    EXPECT_EQ(CropAfterDrag(pic, kFront, {0, 0}, {30, 50}), QPointF(0.5, 0));
    EXPECT_EQ(CropAfterDrag(pic, kFront, {0.5, 0}, {-90, 0}), QPointF(-1, 0));
    EXPECT_EQ(CropAfterDrag(pic, kFront, {0.5, 0}, {1000, 0}), QPointF(1, 0));
    EXPECT_EQ(CropAfterDrag(pic, QRectF(0, 0, 240, 120), {0.25, 0}, {30, 30}), QPointF(0.25, 0));
}

TEST(PictureFitTest, NamesAreTheDesignFilesOwn) {
    for (TPictureFit fit : {TPictureFit::Stretch, TPictureFit::Fit, TPictureFit::Fill})
        EXPECT_EQ(PictureFitFromName(PictureFitName(fit)), fit);
    EXPECT_EQ(PictureFitName(TPictureFit::Fill), QStringLiteral("fill"));
    EXPECT_EQ(PictureFitFromName(QStringLiteral("Fit")), std::nullopt);
    EXPECT_EQ(PictureFitFromName(QString()), std::nullopt);
}

// Ten vertical stripes 20 pixels wide, black and white in turn, on a 200 x 100 bitmap,
// drawn whole into `drawn` through a clip to the frame, as a page draws it.
QImage DrawStriped(const QRect& frame, TPictureFit fit, const QPointF& crop) {
    TBitmap stripes;
    stripes.SetPixelFormat(pf24bit);
    stripes.SetSize(200, 100);
    stripes.Canvas()->Brush()->SetColor(clBlack);
    for (int x = 0; x < 200; x += 40)
        stripes.Canvas()->FillRect(QRect(x, 0, 20, 100));
    TBitmap page;
    page.SetPixelFormat(pf24bit);
    page.SetSize(140, 140);
    const TPicturePlacement p = PlacePicture({200, 100}, frame, fit, crop);
    TCanvas* canvas = page.Canvas();
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(QRect(0, 0, 140, 140));
    if (p.clipToFrame) canvas->Handle()->IntersectClipRect(frame);
    canvas->StretchDraw(p.drawn.toRect(), &stripes);
    if (p.clipToFrame) canvas->Handle()->RemoveClip();
    return page.Image().convertToFormat(QImage::Format_RGB32);
}

TEST(PictureFitTest, StripesLandWhereTheGeometrySays) {
    const QRect frame(10, 20, 120, 120);
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    // fit: stripes 12 px wide from x = 10, rows 50..109 only.
    const QImage fit = DrawStriped(frame, TPictureFit::Fit, {});
    EXPECT_EQ(fit.pixel(15, 80), black);
    EXPECT_EQ(fit.pixel(27, 80), white);
    EXPECT_EQ(fit.pixel(39, 80), black);
    EXPECT_EQ(fit.pixel(15, 45), white);
    EXPECT_EQ(fit.pixel(15, 112), white);
    // fill, centred: picture x 50..150 shows, stripes 24 px wide; x = 50 is the middle of
    // the third (black) stripe, so black until 10 + 10 * 1.2 = 22, then white to 46.
    const QImage fill = DrawStriped(frame, TPictureFit::Fill, {});
    EXPECT_EQ(fill.pixel(15, 25), black);
    EXPECT_EQ(fill.pixel(30, 135), white);
    EXPECT_EQ(fill.pixel(50, 80), black);
    EXPECT_EQ(fill.pixel(5, 80), white); // nothing outside the frame
    EXPECT_EQ(fill.pixel(135, 80), white);
    // fill, crop at the left end: the first stripe (black) starts at the frame's edge.
    const QImage left = DrawStriped(frame, TPictureFit::Fill, {1, 0});
    EXPECT_EQ(left.pixel(12, 80), black);
    EXPECT_EQ(left.pixel(40, 80), white);
}

} // namespace
