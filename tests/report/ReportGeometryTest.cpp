// Units, size records, their Values streams, frames and the echo between pixel bounds and
// size records.
#include "ReportSupport.h"

#include "framework/core/Reader.h"
#include "framework/graphics/DeviceContext.h"
#include "support/TestSupport.h"

#include <QFile>
#include <cmath>

namespace {

// A record with no owner converts with the screen's resolution (96 in the tests).
class TestSize : public TRpPrintableSize {
public:
    TestSize() : TRpPrintableSize(nullptr) {}
};

struct UnitCase {
    TRpUnit unit;
    bool horizontal;
    int zoom;
    long double native;
    long double shown;
    const char* why;
};

} // namespace

TEST_F(ReportTest, UnitTableConvertsBothWays) {
    const UnitCase cases[] = {
        {TRpUnit::Pixels, true, 100, 254, 96, "one inch is 96 screen pixels at zoom 100"},
        {TRpUnit::Pixels, true, 200, 254, 192, "twice as many at zoom 200"},
        {TRpUnit::Pixels, false, 50, 254, 48, "half at zoom 50, vertical alike"},
        {TRpUnit::Pixels, true, 140, 2100, 1111.1811023622047L, "2100 / (254/96) x 1.4"},
        {TRpUnit::Pixels, false, 140, 2970, 1571.5275590551181L, "2970 / (254/96) x 1.4"},
        {TRpUnit::Pixels, true, 140, 100, 52.913385826771654L, "a 10 mm margin at zoom 140"},
        {TRpUnit::Pixels, true, 140, 1899.330357142857L, 1005, "the print layout's band width"},
        {TRpUnit::MM, true, 100, 100, 10, "tenths of a millimetre"},
        {TRpUnit::Inches, false, 100, 381, 1.5L, "254 to the inch"},
        {TRpUnit::Native, true, 100, 123.4L, 123.4L, "stored as shown"},
        // A 10-point cell: 80 / 10 / 2.54 = 3.1496 mm wide, 145.3 / 10 / 2.54 = 5.7205 high.
        {TRpUnit::Characters, true, 100, 254, 8.0645L, "254 / 3.14961 / 10"},
        {TRpUnit::Characters, false, 100, 254, 4.4401927047487956L, "254 / 5.72047 / 10"},
    };
    TestSize size;
    for (const UnitCase& c : cases) {
        SCOPED_TRACE(c.why);
        size.SetZoom(c.zoom);
        EXPECT_NEAR(static_cast<double>(size.FromNative(c.unit, c.horizontal, c.native)),
                    static_cast<double>(c.shown), 1e-6);
        EXPECT_NEAR(static_cast<double>(size.ToNative(c.unit, c.horizontal, c.shown)),
                    static_cast<double>(c.native), 1e-5);
    }
}

TEST_F(ReportTest, ReportUnitsWhateverTheScreenResolution) {
    // The report stands at 96 pixels per inch whatever the screen measures: a 640-pixel
    // cover at zoom 140 is 640 x 254 / 96 / 1.4 = 1209.52 native wide, and an inch is 254.
    for (int screen : {96, 120, 144}) {
        SCOPED_TRACE(screen);
        const TScreenPixelsPerInchOverride ppi(screen);
        TReport* report = NewReport();
        report->SetZoom(140);
        TRpBand* band = NewBand(report, rbDetail, 150);
        auto* item = new TRpPrintable(form.get());
        item->SetParent(band);
        EXPECT_EQ(item->Size()->Resolution(), 96);
        item->SetWidth(640);
        item->Size()->SetUnits(TRpUnit::MM);
        EXPECT_NEAR(static_cast<double>(item->Size()->Width()), 120.952, 0.001);
        item->Size()->SetUnits(TRpUnit::Inches);
        item->Size()->SetHeight(1);
        EXPECT_EQ(item->Size()->NativeValue(TRpPrintableSize::iHeight), 254);
    }
}

TEST_F(ReportTest, PageSettersFollowThePaper) {
    TReport* report = NewReport();
    TRpPage* page = report->Page();
    page->SetLeftMargin(10);
    EXPECT_EQ(page->NativeValue(TRpPage::iLeftMargin), 100);
    EXPECT_EQ(page->LeftMargin(), 10);

    page->SetWidth(100); // A4: the table decides
    EXPECT_EQ(page->NativeValue(TRpPage::iWidth), 2100);
    page->SetOrientation(poLandscape);
    EXPECT_EQ(page->NativeValue(TRpPage::iWidth), 2970);
    EXPECT_EQ(page->NativeValue(TRpPage::iLength), 2100);
    EXPECT_EQ(page->PaperSize(), TRpPaperSize::A4);

    page->SetPaperSize(TRpPaperSize::Custom);
    page->SetWidth(100);
    EXPECT_EQ(page->NativeValue(TRpPage::iWidth), 1000);
    page->SetOrientation(poPortrait); // a custom page swaps nothing
    EXPECT_EQ(page->NativeValue(TRpPage::iWidth), 1000);
    EXPECT_EQ(page->NativeValue(TRpPage::iLength), 2100);

    page->SetColumns(0);
    EXPECT_EQ(page->Columns(), 1);

    // A custom page follows its panel: 500 pixels at zoom 100 are 500 x 254 / 96 native;
    // the panel's present height (round(2100 x 96 / 254) = 794) changes nothing.
    report->SetBounds(0, 0, 500, 794);
    EXPECT_NEAR(static_cast<double>(page->NativeValue(TRpPage::iWidth)), 1322.9166666666667, 1e-9);
    EXPECT_EQ(page->NativeValue(TRpPage::iLength), 2100);
}

TEST_F(ReportTest, ReportZoomSizesThePanelAndIgnoresOutOfRange) {
    TReport* report = NewReport();
    report->SetZoom(140);
    // A4 at 96 pixels per inch and zoom 140: 1111.18 x 1571.53 pixels.
    EXPECT_EQ(report->Width(), 1111);
    EXPECT_EQ(report->Height(), 1572);
    report->SetZoom(0);
    report->SetZoom(301);
    EXPECT_EQ(report->Zoom(), 140);
    EXPECT_EQ(report->Width(), 1111);
    report->SetZoom(100);
    EXPECT_EQ(report->Width(), 794); // round(2100 x 96 / 254)
    EXPECT_EQ(report->Height(), 1123);
}

TEST_F(ReportTest, UnitsChangeHowValuesReadNotWhatIsStored) {
    TReport* report = NewReport();
    TRpBand* band = NewBand(report, rbDetail, 20);
    auto* item = new TRpPrintable(form.get());
    item->SetParent(band);
    item->Size()->SetUnits(TRpUnit::MM);
    item->Size()->SetTop(12.5L);
    report->SetUnits(TRpUnit::Inches);
    EXPECT_EQ(item->Size()->Units(), TRpUnit::Inches);
    EXPECT_EQ(band->Size()->Units(), TRpUnit::Inches);
    EXPECT_NEAR(static_cast<double>(item->Size()->Top()), 125.0 / 254, 1e-12);
    EXPECT_EQ(item->Size()->NativeValue(TRpPrintableSize::iTop), 125);
    EXPECT_NEAR(static_cast<double>(band->Size()->Height()), 200.0 / 254, 1e-12);
}

// ---- The echo between pixel bounds and size records -----------------------------------

TEST_F(ReportTest, MovingAnItemAtZoom140AlwaysReachesItsSize) {
    // Each move is compared with the item's present place in pixels at the same zoom; the
    // new place in native units is pixels x 254 / 96 / 1.4.
    const struct {
        int from, to;
        long double native;
    } moves[] = {
        {47, 66, 124.73214285714286L},
        {14, 20, 37.797619047619048L},
        {125, 175, 330.72916666666667L},
    };
    TReport* report = NewReport();
    report->SetZoom(140);
    TRpBand* band = NewBand(report, rbDetail, 150);
    for (const auto& m : moves) {
        SCOPED_TRACE(m.to);
        auto* item = new TRpPrintable(form.get());
        item->SetParent(band);
        item->SetLeft(m.from);
        item->SetTop(m.from);
        item->SetWidth(m.from);
        item->SetHeight(m.from);
        item->SetBounds(m.to, m.to, m.to, m.to);
        EXPECT_EQ(item->BoundsRect(), QRect(m.to, m.to, m.to, m.to));
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(static_cast<double>(item->Size()->NativeValue(i)),
                        static_cast<double>(m.native), 1e-9);
    }
}

TEST_F(ReportTest, UnchangedPixelsLeaveExactValuesAlone) {
    TReport* report = NewReport();
    report->SetZoom(140);
    TRpBand* band = NewBand(report, rbDetail, 150);
    auto* item = new TRpPrintable(form.get());
    item->SetParent(band);
    item->Size()->SetUnits(TRpUnit::MM);
    item->Size()->SetLeft(69.85L); // 370 pixels at zoom 140 is 69.851 mm
    item->Size()->SetTop(8.47L);
    // Only the width changes; left and top keep their millimetres.
    item->SetBounds(item->Left(), item->Top(), 66, item->Height());
    EXPECT_NEAR(static_cast<double>(item->Size()->NativeValue(TRpPrintableSize::iLeft)), 698.5,
                1e-12);
    EXPECT_NEAR(static_cast<double>(item->Size()->NativeValue(TRpPrintableSize::iTop)), 84.7,
                1e-12);
    EXPECT_EQ(item->Left(), 370);
    EXPECT_EQ(item->Top(), 45);
}

TEST_F(ReportTest, BandHeightFollowsPixelsAndBandsStack) {
    TReport* report = NewReport();
    TRpBand* header = NewBand(report, rbPageHeader, 10);
    TRpBand* detail = NewBand(report, rbDetail, 20);
    detail->SetHeight(96); // one inch at zoom 100
    EXPECT_NEAR(static_cast<double>(detail->Size()->NativeValue(TRpBandSize::iHeight)), 254, 1e-9);
    // The header (round(100 x 96 / 254) = 38 pixels) stands at the top margin, the detail
    // right below it.
    EXPECT_EQ(header->Top(), 38);
    EXPECT_EQ(header->Height(), 38);
    EXPECT_EQ(detail->Top(), 76);
    EXPECT_EQ(detail->Left(), 38);
}

TEST_F(ReportTest, AlignToBandCentresOnTheBand) {
    TReport* report = NewReport();
    report->SetZoom(140);
    TRpBand* band = NewBand(report, rbDetail, 100);
    ASSERT_EQ(band->Width(), 1005); // 1111 - round(52.91 + 52.91)
    auto* item = new TRpPrintable(form.get());
    item->SetParent(band);
    item->SetWidth(10);
    item->SetAlignment(TControlEnums::taCenter);
    item->SetAlignToBand(true);
    EXPECT_EQ(item->Left(), 497); // (1005 - 10) div 2
    item->SetAlignment(TControlEnums::taRightJustify);
    EXPECT_EQ(item->Left(), 995);
    item->SetLeft(3); // aligned items stay aligned
    EXPECT_EQ(item->Left(), 995);
}

// ---- Values streams --------------------------------------------------------------------

namespace {

// The print layout's report, band and one item with their Values in native units.
const char* const kPrintLayout = R"(object preview: TForm
  object Report1: TReport
    Units = MM
    Zoom = 140
    Page.Values = (
      100.0
      2970.0
      100.0
      2100.0
      100.0
      100.0
      0.0)
    Page.PaperSize = A4
    Frame.Color = clBlack
    Font.Name = 'Arial'
    Font.Height = -13
    Options = [FirstPageHeader, LastPageFooter]
    PrinterSettings.Copies = 1
    PrinterSettings.OutputBin = Auto
    PrintIfEmpty = True
    SnapToGrid = True
    object DetailBand1: TRpBand
      BandType = rbDetail
      Size.Values = (
        2764.8958333333335
        1899.330357142857)
      object RpImage2: TRpPrintable
        Left = 0
        Top = 686
        Width = 805
        Height = 630
        Size.Values = (
          1190.625
          0.0
          1296.4583333333333
          1521.3541666666667)
        Frame.DrawLeft = True
      end
    end
  end
end
)";

} // namespace

TEST_F(ReportTest, PrintLayoutReadsItsValues) {
    TLayoutReader::Read(form.get(), QString::fromLatin1(kPrintLayout),
                        QStringLiteral("preview.layout"));
    auto* report = qobject_cast<TReport*>(form->FindComponent(QStringLiteral("Report1")));
    auto* band = qobject_cast<TRpBand*>(form->FindComponent(QStringLiteral("DetailBand1")));
    auto* item = qobject_cast<TRpPrintable*>(form->FindComponent(QStringLiteral("RpImage2")));
    ASSERT_TRUE(report && band && item);
    // Panel 2100 and 2970 native at zoom 140; the band at the 10 mm margin corner.
    EXPECT_EQ(report->BoundsRect(), QRect(0, 0, 1111, 1572));
    EXPECT_EQ(band->BoundsRect(), QRect(53, 53, 1005, 1463));
    // The band takes its width from the column it is placed in: 1005 pixels again.
    EXPECT_NEAR(static_cast<double>(band->Size()->NativeValue(TRpBandSize::iWidth)),
                1899.330357142857, 1e-9);
    EXPECT_EQ(band->Size()->NativeValue(TRpBandSize::iHeight), 2764.8958333333335L);
    // The item: 119.06 mm high at left 0, top 129.65 mm, 152.14 mm wide; pixels at zoom
    // 140 are mm x 96 / 25.4 x 1.4.
    EXPECT_NEAR(static_cast<double>(item->Size()->Height()), 119.0625, 1e-12);
    EXPECT_NEAR(static_cast<double>(item->Size()->Top()), 129.64583333333333, 1e-12);
    EXPECT_NEAR(static_cast<double>(item->Size()->Width()), 152.13541666666667, 1e-12);
    EXPECT_EQ(item->Size()->Left(), 0);
    EXPECT_EQ(item->BoundsRect(), QRect(0, 686, 805, 630));
    EXPECT_EQ(report->Page()->LeftMargin(), 10);
    EXPECT_EQ(report->Units(), TRpUnit::MM);
    EXPECT_TRUE(item->Frame()->DrawLeft());
    EXPECT_EQ(report->Options(), TRpReportEnums::FirstPageHeader | TRpReportEnums::LastPageFooter);
    EXPECT_EQ(report->PrinterSettings()->OutputBin(), TRpBin::Auto);
    EXPECT_EQ(report->Font()->Size(), 10);
    EXPECT_TRUE(report->PrintIfEmpty());
}

TEST_F(ReportTest, ValuesWriteWhatTheyRead) {
    const struct {
        std::vector<long double> values;
        const char* record;
    } records[] = {
        {{100, 2970, 100, 2100, 100, 100, 0}, "page"},
        {{2764.8958333333335L, 1899.330357142857L}, "band"},
        {{1190.625L, 0, 1296.4583333333333L, 1521.3541666666667L}, "item"},
    };
    TReport* report = NewReport();
    auto* band = new TRpBand(form.get());
    auto* item = new TRpPrintable(form.get());
    TRpUnitBase* sizes[] = {report->Page(), band->Size(), item->Size()};
    for (int r = 0; r < 3; ++r) {
        SCOPED_TRACE(records[r].record);
        TRpUnitBase* size = sizes[r];
        ASSERT_EQ(size->ValueCount(), static_cast<int>(records[r].values.size()));
        for (int i = 0; i < size->ValueCount(); ++i)
            size->SetNativeValue(i, records[r].values[static_cast<size_t>(i)]);
        TWriter writer;
        size->SaveValues(writer);
        TReader reader(writer.Text(), QStringLiteral("values"));
        for (int i = 0; i < size->ValueCount(); ++i)
            size->SetNativeValue(i, -1);
        size->LoadValues(reader);
        for (int i = 0; i < size->ValueCount(); ++i)
            EXPECT_EQ(size->NativeValue(i), records[r].values[static_cast<size_t>(i)]) << i;
    }
}

TEST_F(ReportTest, MalformedValuesAreRefused) {
    // One layout per case in the malformed corpus, with the error it must raise.
    const struct {
        const char* file;
        const char* message;
    } cases[] = {
        {"page-values-six.layout", "Values holds 6 numbers, 7 expected"},
        {"page-values-eight.layout", "Values holds more than 7 numbers"},
        {"band-values-one.layout", "Values holds 1 numbers, 2 expected"},
        {"item-values-string.layout", "Number expected"},
        {"item-values-huge.layout", "Value out of range in Values"},
        {"item-values-unclosed.layout", "Number expected"},
        {"band-values-not-a-list.layout", "List expected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        QFile file(TestData(QStringLiteral("bad/report/") + QLatin1String(c.file)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        TForm root(nullptr);
        try {
            TLayoutReader::Read(&root, QString::fromUtf8(file.readAll()), QLatin1String(c.file));
            ADD_FAILURE() << "read without error";
        } catch (const EReadError& e) {
            EXPECT_TRUE(e.Message().contains(QLatin1String(c.message))) << e.what();
            EXPECT_TRUE(e.Message().contains(QLatin1String(c.file))) << e.what();
        }
        EXPECT_EQ(root.ComponentCount(), 0);
    }
}

// ---- Frames ----------------------------------------------------------------------------

TEST_F(ReportTest, FrameLineWidthsFollowTheDevice) {
    const struct {
        long double factor; // device pixels per 0.1 mm
        int width;          // points
        int pixels;
        const char* why;
    } cases[] = {
        {600 / 254.0L, 1, 8, "600 dpi: round(600 / 254 / 72 x 254) = round(8.33)"},
        {96 / 254.0L, 1, 1, "96 dpi at zoom 100: round(1.333)"},
        {96 / 254.0L * 1.4L, 1, 2, "96 dpi at zoom 140: round(1.867)"},
        {96 / 254.0L, 3, 4, "three points on the screen: round(4.0)"},
        {300 / 254.0L, 2, 8, "300 dpi, two points: round(8.33)"},
        {20 / 254.0L, 1, 1, "a line thinner than a pixel still shows: 0.28 becomes 1"},
        {600 / 254.0L, 0, 0, "width 0 draws nothing"},
        {600 / 254.0L, -1, 1, "a hairline is one pixel at any resolution"},
    };
    TRpFrame frame(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        frame.SetWidth(c.width);
        EXPECT_EQ(frame.LineWidth(c.factor), c.pixels);
    }
}

TEST_F(ReportTest, FrameFillsItsLinesInsideTheRectangle) {
    QImage image(100, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        TPainterDC dc(&painter);
        TCanvas canvas;
        const TCanvasHandleScope scope(canvas, &dc);
        TRpFrame frame(nullptr);
        frame.SetColor(clRed);
        frame.SetWidth(1);
        frame.SetDrawTop(true);
        frame.SetDrawRight(true);
        // 300 dpi: a one-point line is round(4.17) = 4 pixels thick.
        frame.DrawFrame(&canvas, {10, 20, 60, 50}, 300 / 254.0L, 300 / 254.0L);
    }
    const QRgb red = qRgb(255, 0, 0);
    EXPECT_EQ(CountPixels(image, QRect(10, 20, 50, 4), red, 0), 200); // top: 50 x 4
    EXPECT_EQ(CountPixels(image, QRect(56, 24, 4, 26), red, 0), 104); // right, below the top
    EXPECT_EQ(InkBox(image), QRect(10, 20, 50, 30));
}
