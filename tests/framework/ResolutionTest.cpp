// Resolution in one place: the screen's fixed density, the device context as the
// authority for what is drawn on it, and the page geometry of printers.
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Metafile.h"
#include "framework/widgets/Forms.h"
#include "support/TestSupport.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <map>

namespace {

// An image standing in for a device of the given density.
QImage DeviceImage(QSize size, int ppi) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int perMetre = static_cast<int>(std::nearbyint(ppi / 0.0254));
    image.setDotsPerMeterX(perMetre);
    image.setDotsPerMeterY(perMetre);
    return image;
}

TEST(ScreenResolution, NinetySixOnEveryDisplayUnlessATestSaysOtherwise) {
    EXPECT_EQ(ScreenPixelsPerInch(), 96);
    ASSERT_NE(Screen, nullptr);
    EXPECT_EQ(Screen->PixelsPerInch(), 96);
    TFont font;
    font.SetHeight(-16); // 12 points at 96 per inch
    EXPECT_EQ(font.Size(), 12);
    {
        const TScreenPixelsPerInchOverride wide(120);
        EXPECT_EQ(ScreenPixelsPerInch(), 120);
        EXPECT_EQ(Screen->PixelsPerInch(), 120);
        // A font that belongs to no device follows the screen: 16 pixels at 120 per inch
        // are 9.6 points.
        EXPECT_EQ(font.Size(), 10);
        {
            const TScreenPixelsPerInchOverride inner(144);
            EXPECT_EQ(ScreenPixelsPerInch(), 144);
        }
        EXPECT_EQ(ScreenPixelsPerInch(), 120);
        // Screen contexts and the measuring context report the screen's density.
        QImage image = DeviceImage({10, 10}, 300);
        QPainter painter(&image);
        TPainterDC screen(&painter);
        EXPECT_EQ(screen.GetDeviceCaps(LOGPIXELSY), 120);
        EXPECT_EQ(ScreenMeasuringDC()->GetDeviceCaps(LOGPIXELSX), 120);
    }
    EXPECT_EQ(ScreenPixelsPerInch(), 96);
    EXPECT_EQ(ScreenMeasuringDC()->GetDeviceCaps(LOGPIXELSX), 96);
}

// A canvas measures in its device context's pixels: at 600 per inch a 10-point font is
// 10 x 600 / 72 = 83.3 pixels to the em, and Liberation Sans (ascent 1854, descent 434 of
// 2048 units) makes its line 75 + 18 = 93 pixels high, against 15 at 96 per inch.
TEST(CanvasResolution, TextIsMeasuredInTheDevicesPixels) {
    QImage image = DeviceImage({400, 200}, 600);
    QPainter painter(&image);
    TPainterDC printer(&painter, DT_RASPRINTER);
    ASSERT_EQ(printer.GetDeviceCaps(LOGPIXELSY), 600);
    TCanvas canvas(&printer);
    canvas.Font()->SetName(QStringLiteral("Arial"));
    canvas.Font()->SetSize(10);
    EXPECT_EQ(canvas.Font()->PixelsPerInch(), 600);
    EXPECT_EQ(canvas.Font()->Height(), -83);
    EXPECT_EQ(canvas.TextHeight(QStringLiteral("Hg")), 93);

    // The same font on a screen canvas.
    QImage small = DeviceImage({40, 20}, 96);
    QPainter smallPainter(&small);
    TPainterDC screen(&smallPainter);
    TCanvas screenCanvas(&screen);
    screenCanvas.Font()->SetName(QStringLiteral("Arial"));
    screenCanvas.Font()->SetSize(10);
    EXPECT_EQ(screenCanvas.Font()->Height(), -13);
    EXPECT_EQ(screenCanvas.TextHeight(QStringLiteral("Hg")), 16); // the cell of 13-pixel Arial

    // A screen font given to the printer's canvas keeps its points; so does the canvas's
    // own font when the canvas moves to a device of another density.
    canvas.Font()->Assign(screenCanvas.Font());
    EXPECT_EQ(canvas.Font()->Height(), -83);
    screenCanvas.SetHandle(&printer);
    EXPECT_EQ(screenCanvas.Font()->Height(), -83);
    EXPECT_EQ(screenCanvas.TextHeight(QStringLiteral("Hg")), 93);
}

// A4 at 1200 per inch with 10 mm margins: the sheet is 210 x 297 mm = 9921.3 x 14031.5
// pixels, the margins 472.4 pixels, so the reachable part starts at (472, 472); it is
// about 190 x 277 mm, as many pixels as the device itself gives its painter.
TEST(PageGeometry, PrintersReportTheirSheetAndItsReachablePart) {
    const QString file = TestTempDir() + QStringLiteral("/page.pdf");
    QPdfWriter writer(file);
    writer.setResolution(1200);
    ASSERT_TRUE(
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter)));
    QPainter painter(&writer);
    TPainterDC dc(&painter, DT_RASPRINTER);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 1200);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), 1200);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALWIDTH), 9921);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALHEIGHT), 14031);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALOFFSETX), 472);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALOFFSETY), 472);
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), writer.width());
    EXPECT_EQ(dc.GetDeviceCaps(VERTRES), writer.height());
    EXPECT_NEAR(dc.GetDeviceCaps(HORZRES), 8977, 12);
    EXPECT_NEAR(dc.GetDeviceCaps(VERTRES), 13087, 24);
    EXPECT_EQ(dc.GetDeviceCaps(HORZSIZE), 190);
    EXPECT_EQ(dc.GetDeviceCaps(VERTSIZE), 277);
    EXPECT_EQ(dc.ResolveColor(clWindow), clWhite);
}

TEST(PageGeometry, AnImageStandingForAPageIsToldItsGeometry) {
    QImage image = DeviceImage({100, 100}, 96);
    QPainter painter(&image);
    TPainterDC dc(&painter, DT_RASPRINTER);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALOFFSETX), 0);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALWIDTH), 100);
    dc.SetPageGeometry({300, 300, QSize(2480, 3508), QRect(50, 60, 2380, 3388)});
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 300);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALWIDTH), 2480);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALHEIGHT), 3508);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALOFFSETX), 50);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALOFFSETY), 60);
    EXPECT_EQ(dc.GetDeviceCaps(HORZRES), 2380);
    EXPECT_EQ(dc.GetDeviceCaps(VERTRES), 3388);
    // 2380 pixels at 300 per inch are 201.5 mm.
    EXPECT_EQ(dc.GetDeviceCaps(HORZSIZE), 202);
}

// Layouts name system colours; on paper they are the classic light ones whatever the
// desktop's theme, while the screen follows the theme.
class DarkDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = QGuiApplication::palette();
        QPalette dark = saved_;
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            dark.setColor(g, QPalette::Text, Qt::white);
            dark.setColor(g, QPalette::WindowText, Qt::white);
            dark.setColor(g, QPalette::Base, QColor(30, 30, 30));
            dark.setColor(g, QPalette::Button, QColor(50, 50, 50));
        }
        QGuiApplication::setPalette(dark);
    }
    void TearDown() override { QGuiApplication::setPalette(saved_); }
    QPalette saved_;
};

TEST_F(DarkDesktop, RecordedPagesKeepBlackTextOnWhite) {
    TMetafile page;
    page.SetWidth(200);
    page.SetHeight(100);
    {
        TMetafileCanvas canvas(&page);
        ASSERT_EQ(canvas.Font()->Color(), clWindowText);
        canvas.Brush()->SetColor(clWindow);
        canvas.FillRect(QRect(0, 0, 200, 100));
        canvas.Brush()->SetColor(clBtnFace);
        canvas.FillRect(QRect(150, 0, 50, 20));
        canvas.Brush()->SetStyle(TBrush::bsClear);
        canvas.TextOut(10, 10, QStringLiteral("Paper"));
    }
    // The colours in force where the text and the fills are drawn: the text colour last
    // set (black at first), the brush last selected (the white stock brush at first).
    uint32_t textColour = 0, brush = 0xFFFFFF;
    std::map<uint32_t, uint32_t> brushes; // object index -> colour
    std::vector<uint32_t> fills;
    bool sawText = false;
    emf::TRecordWalker walker(page.Data());
    emf::TRecord r;
    while (walker.Next(r)) {
        if (r.type == emf::EMR_SETTEXTCOLOR) textColour = r.U(8);
        if (r.type == emf::EMR_CREATEBRUSHINDIRECT) brushes[r.U(8)] = r.U(16);
        if (r.type == emf::EMR_SELECTOBJECT && brushes.count(r.U(8))) brush = brushes[r.U(8)];
        if (r.type == emf::EMR_BITBLT) fills.push_back(brush);
        if (r.type == emf::EMR_EXTTEXTOUTW) {
            sawText = true;
            EXPECT_EQ(textColour, 0x000000u);
        }
    }
    EXPECT_TRUE(sawText);
    EXPECT_EQ(fills, (std::vector<uint32_t>{0xFFFFFF, 0xC0C0C0}));

    // The same canvas calls on the screen take the desktop's colours.
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    TPainterDC screen(&painter);
    EXPECT_EQ(screen.ResolveColor(clWindowText), clWhite);
    EXPECT_EQ(screen.ResolveColor(clWindow), RGB(30, 30, 30));
    TPainterDC paper(&painter, DT_RASPRINTER);
    EXPECT_EQ(paper.ResolveColor(clWindowText), clBlack);
    EXPECT_EQ(paper.ResolveColor(clBtnFace), clSilver);
    EXPECT_EQ(paper.ResolveColor(clRed), clRed);
}

} // namespace
