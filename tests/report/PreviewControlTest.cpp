// The preview control: zoom and its limits, fit and width, the page's place, pages turned
// and pages that arrive while a pass runs, the printer let go, and pages rendered once
// for each zoom.

#include "PreviewSupport.h"

#include <QPainter>
#include <QTest>

namespace {

class PreviewControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<TForm>(nullptr);
        host->SetBorderStyle(TFormEnums::bsNone);
        host->SetBounds(0, 0, 600, 400);
        preview = new TRpPreview(host.get());
        preview->SetParent(host.get());
        preview->SetBounds(0, 0, 600, 400);
        host->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host->Widget()));
    }
    void TearDown() override { host.reset(); }

    TRpPreviewImage* Image() const { return preview->Image(); }

    TRpPrinter printer; // outlives the window, which lets go of it first
    std::unique_ptr<TForm> host;
    TRpPreview* preview = nullptr;
};

TEST_F(PreviewControlTest, ConstructionValues) {
    TRpPreview fresh(nullptr);
    EXPECT_EQ(fresh.Width(), 250);
    EXPECT_EQ(fresh.Height(), 250);
    EXPECT_EQ(fresh.PageNumber(), 1);
    EXPECT_EQ(fresh.Zoom(), 100);
    EXPECT_EQ(fresh.ZoomMode(), zmFixed);
    EXPECT_EQ(fresh.ReportPrinter(), nullptr);
    EXPECT_TRUE(fresh.HorzScrollBar()->Tracking());
    EXPECT_TRUE(fresh.VertScrollBar()->Tracking());
    EXPECT_EQ(fresh.Image()->BoundsRect(), QRect(0, 0, 100, 50));
    EXPECT_FALSE(fresh.Image()->ImageLoaded());
}

// 600 / 794 x 90 = 68.01: the page is round(1428 x 96 / 254) = 540 + 4 pixels wide,
// round(2019.6 x 96 / 254) = 763 + 4 high, and (600 - 544) div 2 = 28 from the left.
TEST_F(PreviewControlTest, ZoomToWidthOfA600PixelControl) {
    KeepPages(printer, 1);
    preview->SetReportPrinter(&printer);
    preview->ZoomToPageWidth();
    EXPECT_EQ(preview->Zoom(), 68);
    EXPECT_EQ(preview->ZoomMode(), zmWidth);
    EXPECT_EQ(Image()->BoundsRect(), QRect(28, 0, 544, 767));
    EXPECT_EQ(Image()->Zoom(), 68);
}

// At 100 % an A4 page is 794 + 4 by 1123 + 4 pixels; narrower than the control it is
// centred, taller it starts at the top.
TEST_F(PreviewControlTest, LayoutAtAFixedZoom) {
    KeepPages(printer, 1);
    preview->SetReportPrinter(&printer);
    preview->SetBounds(0, 0, 900, 400);
    preview->SetZoom(100);
    EXPECT_EQ(Image()->BoundsRect(), QRect(51, 0, 798, 1127));
    preview->SetZoom(30); // 238 + 4 by 337 + 4
    EXPECT_EQ(Image()->BoundsRect(), QRect(329, 29, 242, 341));

    // Without a printer, Letter's millimetres stand for pixels: 215.9 and 279.4.
    TRpPreview bare(nullptr);
    bare.SetZoom(100);
    EXPECT_EQ(bare.Image()->BoundsRect(), QRect(15, 0, 220, 283));
}

TEST_F(PreviewControlTest, ZoomLimits) {
    KeepPages(printer, 1);
    preview->SetReportPrinter(&printer);
    preview->ZoomToPageWidth();
    for (int ignored : {1, 0, -5, 2001, 100000}) {
        preview->SetZoom(ignored);
        EXPECT_EQ(preview->Zoom(), 68) << ignored;
        EXPECT_EQ(preview->ZoomMode(), zmWidth) << ignored;
    }
    preview->SetZoom(2);
    EXPECT_EQ(preview->Zoom(), 2);
    EXPECT_EQ(preview->ZoomMode(), zmFixed);
    preview->SetZoom(2000);
    EXPECT_EQ(preview->Zoom(), 2000);
}

// Fit takes the smaller of 600 / 794 x 95 = 71.8 and 400 / 1123 x 95 = 33.8.
TEST_F(PreviewControlTest, ZoomToFitTakesTheSmallerRatio) {
    KeepPages(printer, 1);
    preview->SetReportPrinter(&printer);
    preview->ZoomToFitPage();
    EXPECT_EQ(preview->Zoom(), 34);
    EXPECT_EQ(preview->ZoomMode(), zmFit);
    // A resize fits again: 2000 / 1123 x 95 = 169.2 now loses to 72.
    preview->SetBounds(0, 0, 600, 2000);
    EXPECT_EQ(preview->Zoom(), 72);
    EXPECT_EQ(preview->ZoomMode(), zmFit);
    // In a box a few pixels wide the fit would be 1 %: the zoom stays.
    preview->SetBounds(0, 0, 5, 5);
    EXPECT_EQ(preview->Zoom(), 72);
    // Back to width mode, a resize follows the width: 300 / 794 x 90 = 34.
    preview->SetBounds(0, 0, 600, 400);
    preview->ZoomToPageWidth();
    preview->SetBounds(0, 0, 300, 400);
    EXPECT_EQ(preview->Zoom(), 34);
}

// A paper without a size (a custom paper of 0 x 0) has no fit and no width: the zoom
// stays, nothing divides by zero.
TEST_F(PreviewControlTest, PageWithoutSize) {
    printer.SetPaperSize(TRpPaperSize::Custom);
    printer.SetPaperWidth(0);
    printer.SetPaperLength(0);
    ASSERT_EQ(printer.PaperWidth(), 0);
    ASSERT_EQ(printer.PaperLength(), 0);
    preview->SetReportPrinter(&printer);
    preview->SetZoom(120);
    preview->ZoomToFitPage();
    preview->ZoomToPageWidth();
    preview->ReapplyZoom();
    EXPECT_EQ(preview->Zoom(), 120);
    EXPECT_EQ(Image()->Width(), 4);
}

TEST_F(PreviewControlTest, PagesTurnWithinThePrinter) {
    KeepPages(printer, 3);
    preview->SetReportPrinter(&printer);
    EXPECT_EQ(preview->PageNumber(), 1);
    EXPECT_TRUE(Image()->ImageLoaded());
    preview->VertScrollBar()->SetPosition(300);
    preview->SetPageNumber(3);
    EXPECT_EQ(preview->PageNumber(), 3);
    EXPECT_EQ(Image()->PageNumber(), 3);
    EXPECT_EQ(preview->VertScrollBar()->Position(), 0);
    for (int beyond : {4, 0, -1}) {
        preview->SetPageNumber(beyond);
        EXPECT_EQ(preview->PageNumber(), 3);
        EXPECT_EQ(Image()->PageNumber(), 3);
    }
}

// The third page of a running pass: "last page" goes there at once and shows nothing
// until the printer announces it, then shows it zoomed to the width.
TEST_F(PreviewControlTest, PageOfARunningPassShowsWhenReady) {
    std::vector<int> available;
    preview->OnPageAvailable = [&](TObject* sender, int pages) {
        EXPECT_EQ(sender, preview);
        available.push_back(pages);
    };
    preview->SetReportPrinter(&printer);
    EXPECT_EQ(printer.ClientWindow(), preview);
    EXPECT_TRUE(printer.PreviewShowing());
    printer.StartJob();
    for (int i = 0; i < 3; ++i)
        printer.StartNewPage(); // pages 1 and 2 are kept, page 3 is being drawn
    preview->SetZoom(100);
    preview->SetPageNumber(3);
    EXPECT_EQ(preview->PageNumber(), 3);
    EXPECT_FALSE(Image()->ImageLoaded());
    Settle();
    EXPECT_EQ(available, std::vector<int>({1, 2}));
    EXPECT_FALSE(Image()->ImageLoaded());
    EXPECT_EQ(preview->Zoom(), 100);
    printer.FinishJob();
    Settle();
    EXPECT_EQ(available, std::vector<int>({1, 2, 3}));
    EXPECT_TRUE(Image()->ImageLoaded());
    EXPECT_EQ(preview->ZoomMode(), zmWidth);
    EXPECT_EQ(preview->Zoom(), 68);
}

TEST_F(PreviewControlTest, ProgressReachesItsHandler) {
    std::vector<int> shown;
    preview->OnProgressUpdate = [&](TObject*, int percent) { shown.push_back(percent); };
    preview->SetReportPrinter(&printer);
    printer.PostProgress(10);
    printer.PostProgress(55);
    Settle();
    EXPECT_EQ(shown, std::vector<int>({10, 55}));
}

TEST_F(PreviewControlTest, LettingGoOfThePrinter) {
    KeepPages(printer, 2);
    int afterPreview = 0;
    printer.AfterPreviewHandler = [&](TObject*) { ++afterPreview; };
    preview->SetReportPrinter(&printer);
    TRpPrinter other;
    KeepPages(other, 1);
    preview->SetReportPrinter(&other);
    EXPECT_EQ(afterPreview, 1);
    EXPECT_FALSE(printer.PreviewShowing());
    EXPECT_EQ(printer.ClientWindow(), nullptr);
    EXPECT_EQ(other.ClientWindow(), preview);
    EXPECT_EQ(Image()->ReportPrinter(), &other);

    // A printer freed while it is shown is no longer reached.
    auto* gone = new TRpPrinter;
    KeepPages(*gone, 2);
    preview->SetReportPrinter(gone);
    delete gone;
    EXPECT_EQ(preview->ReportPrinter(), nullptr);
    preview->SetPageNumber(2);
    Image()->SetPageNumber(2);
    EXPECT_FALSE(Image()->ImageLoaded());
    preview->ZoomToPageWidth();
    Image()->Repaint();
    host.reset();
    EXPECT_EQ(other.ClientWindow(), nullptr);
    EXPECT_FALSE(other.PreviewShowing());
}

TEST_F(PreviewControlTest, AFailingAfterPreviewHandlerStillLetsGo) {
    KeepPages(printer, 1);
    printer.AfterPreviewHandler = [](TObject*) { throw Exception(QStringLiteral("refused")); };
    preview->SetReportPrinter(&printer);
    EXPECT_THROW(preview->SetReportPrinter(nullptr), Exception);
    EXPECT_EQ(printer.ClientWindow(), nullptr);
    EXPECT_EQ(preview->ReportPrinter(), nullptr);
}

// What the control paints: the page as it plays, a black frame, a two-pixel shadow.
TEST_F(PreviewControlTest, PaintedPage) {
    KeepPages(printer, 2);
    preview->SetReportPrinter(&printer);
    preview->SetZoom(50); // 397 + 4 by 561 + 4
    preview->SetPageNumber(2);
    const QImage shown = Image()->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(401, 565));
    QImage played(401, 565, QImage::Format_RGB32);
    played.fill(shown.pixel(400, 0)); // the box's background shows in the corners
    {
        QPainter p(&played);
        p.fillRect(QRect(1, 1, 397, 561), Qt::white);
        Image()->PageImage()->Play(p, QRectF(0, 0, 401, 565));
    }
    // Inside the frame the page is exactly the played one.
    const QRect inner(1, 1, 397, 561);
    EXPECT_EQ(ImageDifference(shown.copy(inner), played.copy(inner)), 0);
    const QRgb black = qRgb(0, 0, 0);
    EXPECT_EQ(shown.pixel(0, 100), black);   // left edge of the frame
    EXPECT_EQ(shown.pixel(398, 100), black); // right edge, at W - 3
    EXPECT_EQ(shown.pixel(100, 562), black); // bottom edge, at H - 3
    EXPECT_EQ(shown.pixel(400, 100), black); // shadow
    EXPECT_EQ(shown.pixel(100, 564), black);
    EXPECT_NE(shown.pixel(400, 1), black); // the shadow starts two pixels down
    EXPECT_NE(shown.pixel(1, 564), black);
    // Page 2's two boxes: 20 x 10 pixels each at half size, from (20, 20) and (20, 50).
    EXPECT_EQ(shown.pixel(30, 25), black);
    EXPECT_EQ(shown.pixel(30, 55), black);
    EXPECT_NE(shown.pixel(30, 85), black);
}

// A page is played once for each zoom it is shown at, however often it is painted or
// scrolled, and again only when its printer changes.
TEST_F(PreviewControlTest, PagesRenderOncePerZoom) {
    KeepPages(printer, 2);
    preview->SetReportPrinter(&printer);
    preview->SetZoom(100);
    Image()->Repaint();
    const int first = Image()->RenderCount();
    for (int y : {100, 200, 300, 0}) {
        preview->VertScrollBar()->SetPosition(y);
        Image()->Repaint();
    }
    preview->Repaint();
    EXPECT_EQ(Image()->RenderCount(), first);
    preview->SetZoom(60);
    Image()->Repaint();
    EXPECT_EQ(Image()->RenderCount(), first + 1);
    preview->SetZoom(100);
    Image()->Repaint();
    EXPECT_EQ(Image()->RenderCount(), first + 1);
    preview->SetPageNumber(2);
    EXPECT_EQ(Image()->RenderCount(), first + 2);
    preview->SetPageNumber(1);
    EXPECT_EQ(Image()->RenderCount(), first + 2);
    TRpPrinter other;
    KeepPages(other, 1);
    preview->SetReportPrinter(&other);
    preview->SetZoom(100);
    Image()->Repaint();
    EXPECT_EQ(Image()->RenderCount(), first + 3);
}

// At a high zoom the page is rendered in tiles, only those in view: 400 x 600 pixels of
// a page 7937 + 4 by 11225 + 4 pixels large at 1000 %.
TEST_F(PreviewControlTest, HighZoomRendersWhatIsSeen) {
    KeepPages(printer, 1);
    preview->SetReportPrinter(&printer);
    preview->SetZoom(1000);
    ASSERT_EQ(Image()->Width(), 7941);
    Image()->Repaint();
    const int seen = Image()->RenderCount();
    EXPECT_GE(seen, 1);
    EXPECT_LE(seen, 4); // the 600 x 400 view meets at most 2 x 2 tiles of 512
    preview->HorzScrollBar()->SetPosition(3000);
    Image()->Repaint();
    EXPECT_LE(Image()->RenderCount(), seen + 4);
    // The box at (40, 40) of the page is 1000 x 400 pixels here, from (400, 400): scrolled
    // down by 200, it fills the view below y 200 and right of x 400.
    preview->HorzScrollBar()->SetPosition(0);
    preview->VertScrollBar()->SetPosition(200);
    const QImage shown = host->Widget()->grab().toImage();
    EXPECT_EQ(shown.pixel(500, 300), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(300, 300), qRgb(255, 255, 255));
}

} // namespace
