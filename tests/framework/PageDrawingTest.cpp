// Pictures on pages of any resolution: straight through a painter, in bounded tiles on a
// context that takes only bitmaps, and bitmaps kept as one device-independent copy.
#include "RecordingDC.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Pictures.h"
#include "support/TestSupport.h"

#include <QPainter>

namespace {

// A4 at 1200 pixels per inch: 210 x 297 mm are 9921 x 14031 pixels, 139 million.
constexpr QSize kA4At1200(9921, 14031);

// A picture of four coloured quarters, recorded at the screen's resolution.
TMetafile* Quarters(QObject* owner) {
    auto* picture = new TMetafile(owner);
    picture->SetWidth(200);
    picture->SetHeight(200);
    TMetafileCanvas canvas(picture);
    const std::pair<QRect, TColor> quarters[] = {{QRect(0, 0, 100, 100), clRed},
                                                 {QRect(100, 0, 100, 100), clLime},
                                                 {QRect(0, 100, 100, 100), clBlue},
                                                 {QRect(100, 100, 100, 100), clYellow}};
    for (const auto& [rect, colour] : quarters) {
        canvas.Brush()->SetColor(colour);
        canvas.FillRect(rect);
    }
    return picture;
}

// Points well inside each quarter of a page, with the quarter's colour.
std::vector<std::pair<QPoint, QRgb>> Probes(QSize page) {
    const int w = page.width(), h = page.height();
    return {{QPoint(3, 3), qRgb(255, 0, 0)},
            {QPoint(w / 4, h / 4), qRgb(255, 0, 0)},
            {QPoint(3 * w / 4, h / 4), qRgb(0, 255, 0)},
            {QPoint(w / 4, 3 * h / 4), qRgb(0, 0, 255)},
            {QPoint(3 * w / 4, 3 * h / 4), qRgb(255, 255, 0)},
            {QPoint(w - 4, h - 4), qRgb(255, 255, 0)}};
}

TEST(PageDrawing, PicturesFillAPageAt1200PixelsPerInch) {
    QObject owner;
    TMetafile* picture = Quarters(&owner);
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(2, 1);
    bitmap.Canvas()->Brush()->SetColor(clFuchsia);
    bitmap.Canvas()->FillRect(QRect(0, 0, 1, 1));
    bitmap.Canvas()->Brush()->SetColor(clAqua);
    bitmap.Canvas()->FillRect(QRect(1, 0, 1, 1));

    // Sixteen bits per pixel keep these colours exact at half the memory.
    QImage page(kA4At1200, QImage::Format_RGB16);
    ASSERT_FALSE(page.isNull());
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        TPainterDC dc(&painter, DT_RASPRINTER);
        dc.SetPageGeometry({1200, 1200, kA4At1200, QRect(QPoint(0, 0), kA4At1200)});
        TCanvas canvas(&dc);
        canvas.StretchDraw(QRect(QPoint(0, 0), kA4At1200), picture);
        // A strip across the bottom: the bitmap's two pixels, each half the page wide.
        canvas.StretchDraw(QRect(0, 13000, kA4At1200.width(), 1000), &bitmap);
    }
    for (const auto& [p, colour] : Probes(QSize(kA4At1200.width(), 12000)))
        EXPECT_EQ(page.pixel(p), colour) << p.x() << "," << p.y();
    EXPECT_EQ(page.pixel(10, 13500), qRgb(255, 0, 255));
    EXPECT_EQ(page.pixel(9910, 13500), qRgb(0, 255, 255));
    EXPECT_EQ(page.pixel(5000, 14020), qRgb(255, 255, 0));
}

// A printer page that takes only bitmaps, as a context without a painter does. It keeps
// where each bitmap went and reads the probed pixels from it, so the page itself is never
// held in memory.
class BitmapOnlyPage : public TDeviceContext {
public:
    BitmapOnlyPage(QSize page, std::vector<std::pair<QPoint, QRgb>> probes)
        : page_(page), probes_(std::move(probes)), seen_(probes_.size(), 0) {}
    void LineTo(int, int) override {}
    void Rectangle(int, int, int, int) override {}
    void FillRect(const QRect&, const TBrushData&) override {}
    void ExtTextOut(int, int, unsigned, const QRect*, const QString&, const int*) override {}
    bool StretchDIBits(const QRect& dest, const QRect& src, const TDib& dib,
                       uint32_t rop) override {
        const QImage image = DibToImage(dib);
        if (rop != SRCCOPY || image.isNull() || src != image.rect()) return false;
        tiles.push_back(dest);
        largestTile = std::max<int64_t>(largestTile, int64_t(image.width()) * image.height());
        for (size_t i = 0; i < probes_.size(); ++i) {
            const QPoint p = probes_[i].first;
            if (!dest.contains(p)) continue;
            const int x = static_cast<int>(int64_t(p.x() - dest.x()) * src.width() / dest.width());
            const int y =
                static_cast<int>(int64_t(p.y() - dest.y()) * src.height() / dest.height());
            seen_[i] = image.pixel(x, y);
        }
        return true;
    }
    int GetDeviceCaps(int index) const override {
        switch (index) {
        case TECHNOLOGY:
            return DT_RASPRINTER;
        case HORZRES:
        case PHYSICALWIDTH:
            return page_.width();
        case VERTRES:
        case PHYSICALHEIGHT:
            return page_.height();
        case LOGPIXELSX:
        case LOGPIXELSY:
            return 1200;
        default:
            return 0;
        }
    }
    QRgb Seen(size_t i) const { return seen_[i]; }

    std::vector<QRect> tiles;
    int64_t largestTile = 0;

private:
    QSize page_;
    std::vector<std::pair<QPoint, QRgb>> probes_;
    std::vector<QRgb> seen_;
};

TEST(PageDrawing, ContextsWithoutAPainterGetThePictureInTiles) {
    QObject owner;
    TMetafile* picture = Quarters(&owner);
    const auto probes = Probes(kA4At1200);
    BitmapOnlyPage page(kA4At1200, probes);
    TCanvas canvas(&page);
    canvas.StretchDraw(QRect(QPoint(0, 0), kA4At1200), picture);
    ASSERT_FALSE(page.tiles.empty());
    // The tiles cover the page once, each of bounded size.
    int64_t area = 0;
    QRect covered;
    for (const QRect& t : page.tiles) {
        area += int64_t(t.width()) * t.height();
        covered |= t;
    }
    EXPECT_EQ(covered, QRect(QPoint(0, 0), kA4At1200));
    EXPECT_EQ(area, int64_t(kA4At1200.width()) * kA4At1200.height());
    EXPECT_LE(page.largestTile, 4 * 1024 * 1024);
    for (size_t i = 0; i < probes.size(); ++i)
        EXPECT_EQ(page.Seen(i), probes[i].second) << i;

    // Drawn larger than a page, only the part on the page is made: here the top-left
    // quarter of the picture, all red.
    const QSize small(600, 400);
    BitmapOnlyPage smallPage(small, Probes(small));
    TCanvas smallCanvas(&smallPage);
    smallCanvas.StretchDraw(QRect(0, 0, 1200, 800), picture);
    QRect smallCovered;
    for (const QRect& t : smallPage.tiles)
        smallCovered |= t;
    EXPECT_EQ(smallCovered, QRect(QPoint(0, 0), small));
    for (size_t i = 0; i < Probes(small).size(); ++i)
        EXPECT_EQ(smallPage.Seen(i), qRgb(255, 0, 0)) << i;
}

TEST(PageDrawing, BitmapsKeepOneDeviceIndependentCopyUntilTheirPixelsChange) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3, 2);
    RecordingDC dc;
    TCanvas canvas(&dc);
    canvas.StretchDraw(QRect(0, 0, 30, 20), &b);
    canvas.StretchDraw(QRect(40, 0, 30, 20), &b);
    ASSERT_EQ(dc.blts.size(), 2u);
    EXPECT_EQ(dc.blts[0].dib.bits.constData(), dc.blts[1].dib.bits.constData());

    // Writing a row is a change: the top-left pixel turns blue (bytes blue, green, red).
    uchar* row = b.ScanLine(0);
    row[0] = 255, row[1] = 0, row[2] = 0;
    canvas.StretchDraw(QRect(0, 0, 30, 20), &b);
    ASSERT_EQ(dc.blts.size(), 3u);
    EXPECT_NE(dc.blts[2].dib.bits.constData(), dc.blts[1].dib.bits.constData());
    EXPECT_EQ(DibToImage(dc.blts[2].dib).pixel(0, 0), qRgb(0, 0, 255));

    // So is painting on its canvas.
    b.Canvas()->Brush()->SetColor(clRed);
    b.Canvas()->FillRect(QRect(2, 1, 1, 1));
    canvas.StretchDraw(QRect(0, 0, 30, 20), &b);
    ASSERT_EQ(dc.blts.size(), 4u);
    const QImage last = DibToImage(dc.blts[3].dib);
    EXPECT_EQ(last.pixel(2, 1), qRgb(255, 0, 0));
    EXPECT_EQ(last.pixel(0, 0), qRgb(0, 0, 255));

    // A painter takes the pixels themselves, stretched without blending.
    QImage target(6, 4, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        TPainterDC screen(&painter);
        TCanvas onScreen(&screen);
        onScreen.StretchDraw(QRect(0, 0, 6, 4), &b);
    }
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_EQ(target.pixel(2, 1), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(5, 3), qRgb(255, 0, 0));
}

} // namespace
