// Print passes into a real page store: pages, columns, forced breaks, page bands, records,
// the preview wait and what stops a pass.
#include "ReportSupport.h"

#include "support/TestSupport.h"

#include <QPointer>
#include <QTimer>

namespace {

// A pass into the page store with a preview that shows nothing: PreviewReport returns
// when the pass ends and the report keeps its printer with the pages.
void RunPass(TReport* report) {
    report->OnPreview = [](TObject*) {};
    report->PreviewReport();
}

// Supplies n records through OnNeedData.
void SupplyRecords(TReport* report, int n) {
    auto served = std::make_shared<int>(0);
    report->OnNeedData = [served, n](TObject*, bool& more) {
        more = *served < n;
        if (more) ++*served;
    };
}

TCountingItem* NewItem(TComponent* owner, TWinControl* parent) {
    auto* item = new TCountingItem(owner);
    item->SetParent(parent);
    return item;
}

std::vector<std::pair<long double, long double>>
Offsets(std::initializer_list<std::pair<long double, long double>> l) {
    return l;
}

} // namespace

class ReportRunTest : public ReportTest {};

// ---- One page --------------------------------------------------------------------------

TEST_F(ReportRunTest, PrintLayoutGivesOnePageWithTheBandAtTheMarginCorner) {
    TReport* report = NewReport();
    report->SetZoom(140);
    TRpBand* band = NewBand(report, rbDetail, 276.48958333333335L);
    for (auto side : {&TRpFrame::SetDrawLeft, &TRpFrame::SetDrawTop, &TRpFrame::SetDrawRight,
                      &TRpFrame::SetDrawBottom})
        (band->Frame()->*side)(true);
    band->Frame()->SetWidth(2);
    TCountingItem* item = NewItem(form.get(), band);
    item->Size()->SetUnits(TRpUnit::MM);
    item->Size()->SetLeft(50);
    item->Size()->SetTop(50);
    item->Size()->SetWidth(20);
    item->Size()->SetHeight(20);
    item->Frame()->SetColor(clRed);
    item->Frame()->SetDrawLeft(true);

    RunPass(report);

    TRpPrinter* printer = report->RpPrinter();
    ASSERT_TRUE(printer);
    EXPECT_EQ(printer->PagesBegun(), 1);
    EXPECT_EQ(printer->Status(), stFinished);
    EXPECT_EQ(item->offsets, Offsets({{100, 100}}));
    const QImage page = RenderPage(printer, 1);
    ASSERT_EQ(page.size(), QSize(794, 1123)); // round(2100 x 96 / 254) x round(2970 x 96 / 254)
    // The band from (100, 100) native: x and y 38 = round(100 x 96 / 254); right edge
    // round(1999.33 x 0.378) = 756, bottom round(2863.9 x 0.378) = 1082. Its two-point
    // lines are round(96 / 254 / 72 x 254 x 2) = 3 pixels thick.
    EXPECT_EQ(InkBox(page), QRect(38, 38, 718, 1044));
    const QRgb black = qRgb(0, 0, 0);
    EXPECT_EQ(CountPixels(page, QRect(38, 38, 3, 1044), black, 0), 3 * 1044);
    EXPECT_EQ(CountPixels(page, QRect(41, 41, 1, 1035), black, 0), 0);
    EXPECT_EQ(CountPixels(page, QRect(38, 1079, 718, 3), black, 0), 718 * 3);
    // The item's one-point line at x = round(600 x 0.378) = 227, from y 227 to
    // round(800 x 0.378) = 302.
    const QRgb red = qRgb(255, 0, 0);
    EXPECT_EQ(CountPixels(page, QRect(227, 227, 1, 75), red, 0), 75);
    EXPECT_EQ(CountPixels(page, QRect(228, 227, 1, 75), red, 0), 0);
    // The pass leaves the report as it found it.
    EXPECT_TRUE(report->Idle());
    EXPECT_EQ(report->Units(), TRpUnit::MM);
    EXPECT_FALSE(item->Printing());
}

TEST_F(ReportRunTest, WithoutPrintIfEmptyNothingPrints) {
    TReport* report = NewReport();
    TCountingItem* item = NewItem(form.get(), NewBand(report, rbDetail, 20));
    report->SetPrintIfEmpty(false);
    RunPass(report);
    ASSERT_TRUE(report->RpPrinter());
    EXPECT_EQ(report->RpPrinter()->PagesBegun(), 0);
    EXPECT_EQ(report->RpPrinter()->Status(), stFinished);
    EXPECT_EQ(item->prints, 0);
}

TEST_F(ReportRunTest, ZeroHeightBandStillBeginsPageOne) {
    TReport* report = NewReport();
    NewBand(report, rbDetail, 0);
    RunPass(report);
    EXPECT_EQ(report->RpPrinter()->PagesBegun(), 1);
}

TEST_F(ReportRunTest, MarginsWiderThanThePaperBecomeZero) {
    TReport* report = NewReport();
    TCountingItem* item = NewItem(form.get(), NewBand(report, rbDetail, 20));
    report->Page()->SetLeftMargin(150);
    report->Page()->SetRightMargin(100);
    RunPass(report);
    EXPECT_EQ(item->offsets, Offsets({{0, 100}}));
    EXPECT_EQ(report->Page()->LeftMargin(), 0);
    EXPECT_EQ(report->Page()->RightMargin(), 0);
    EXPECT_EQ(report->Page()->TopMargin(), 10);
}

// ---- Bands that do not fit -------------------------------------------------------------

TEST_F(ReportRunTest, BandTallerThanAPagePrintsOnAPageOfItsOwn) {
    TReport* report = NewReport();
    TCountingItem* item = NewItem(form.get(), NewBand(report, rbDetail, 400));
    SupplyRecords(report, 2);
    RunPass(report);
    EXPECT_EQ(report->RpPrinter()->PagesBegun(), 2);
    EXPECT_EQ(item->pages, (std::vector<int>{1, 2}));
    EXPECT_EQ(item->offsets, Offsets({{100, 100}, {100, 100}}));
}

TEST_F(ReportRunTest, PageHeaderTallerThanAPageDoesNotStartPagesWithoutEnd) {
    TReport* report = NewReport();
    TCountingItem* header = NewItem(form.get(), NewBand(report, rbPageHeader, 400));
    TCountingItem* detail = NewItem(form.get(), NewBand(report, rbDetail, 20));
    SupplyRecords(report, 2);
    RunPass(report);
    // The first detail begins page 1 and prints below the header whatever room is left;
    // the second finds none and goes on to a page of its own, once.
    EXPECT_EQ(report->RpPrinter()->PagesBegun(), 2);
    EXPECT_EQ(header->pages, (std::vector<int>{1, 2}));
    EXPECT_EQ(detail->pages, (std::vector<int>{1, 2}));
    EXPECT_EQ(detail->offsets, Offsets({{100, 4100}, {100, 4100}}));
}

TEST_F(ReportRunTest, UnfinishedItemsGoOnInTheNextPageAtTheSameOffsets) {
    TReport* report = NewReport();
    TRpBand* band = NewBand(report, rbDetail, 50);
    TCountingItem* goesOn = NewItem(form.get(), band);
    goesOn->unfinishedPrints = 2;
    TCountingItem* done = NewItem(form.get(), band);
    int cursorAfter = 0;
    band->AfterPrint = [&](TObject*, bool) { cursorAfter = report->CursorY(); };
    RunPass(report);
    EXPECT_EQ(report->RpPrinter()->PagesBegun(), 3);
    EXPECT_EQ(goesOn->pages, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(goesOn->offsets, Offsets({{100, 100}, {100, 100}, {100, 100}}));
    EXPECT_EQ(done->prints, 1);
    // The continuation is 10 mm high: the cursor ends at 100 + 100.
    EXPECT_EQ(cursorAfter, 200);
    EXPECT_EQ(band->Size()->NativeValue(TRpBandSize::iHeight), 500);
}

TEST_F(ReportRunTest, ItemThatNeverFinishesEndsThePassWithWhatWasPrinted) {
    TReport* report = NewReport();
    TCountingItem* item = NewItem(form.get(), NewBand(report, rbDetail, 50));
    item->unfinishedPrints = -1;
    TCountingItem* summary = NewItem(form.get(), NewBand(report, rbSummary, 10));
    TCountingItem* footer = NewItem(form.get(), NewBand(report, rbPageFooter, 10));
    RunPass(report);
    // The first page and a thousand continuations.
    EXPECT_EQ(item->prints, 1001);
    EXPECT_EQ(report->RpPrinter()->PagesBegun(), 1001);
    EXPECT_EQ(report->RpPrinter()->Status(), stFinished);
    EXPECT_EQ(summary->prints, 0);
    EXPECT_EQ(footer->prints, 1001); // every page is closed with its footer
    EXPECT_TRUE(report->Idle());
    // The next pass starts afresh.
    item->unfinishedPrints = 0;
    RunPass(report);
    EXPECT_EQ(report->RpPrinter()->PagesBegun(), 1);
    EXPECT_EQ(summary->prints, 1);
}

TEST_F(ReportRunTest, CancelSeenWhileAnItemGoesOnStopsThePass) {
    TReport* report = NewReport();
    TCountingItem* item = NewItem(form.get(), NewBand(report, rbDetail, 50));
    item->unfinishedPrints = -1;
    QPointer<TRpPrinter> printer;
    item->onPrint = [&](TCountingItem* i) {
        printer = i->Printer();
        if (i->prints == 5) i->Printer()->RequestCancel();
    };
    RunPass(report);
    EXPECT_EQ(item->prints, 5);
    EXPECT_TRUE(report->CancelFlag());
    // A cancelled preview pass frees its printer.
    EXPECT_EQ(report->RpPrinter(), nullptr);
    EXPECT_TRUE(printer.isNull());
    EXPECT_TRUE(report->Idle());
}

// ---- Page bands ------------------------------------------------------------------------

TEST_F(ReportRunTest, PageHeaderAndFooterOptions) {
    // Five 100 mm details, two to a page: three pages. The header is 10 mm, the footer
    // 10 mm.
    const struct {
        TReportOptions options;
        std::vector<int> headerPages, footerPages;
    } cases[] = {
        {TRpReportEnums::FirstPageHeader | TRpReportEnums::LastPageFooter, {1, 2, 3}, {1, 2, 3}},
        {TRpReportEnums::LastPageFooter, {2, 3}, {1, 2, 3}},
        {TRpReportEnums::FirstPageHeader, {1, 2, 3}, {1, 2}},
        {{}, {2, 3}, {1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.options));
        form = std::make_unique<TForm>(nullptr);
        TReport* report = NewReport();
        report->SetOptions(c.options);
        TCountingItem* header = NewItem(form.get(), NewBand(report, rbPageHeader, 10));
        TCountingItem* detail = NewItem(form.get(), NewBand(report, rbDetail, 100));
        TCountingItem* footer = NewItem(form.get(), NewBand(report, rbPageFooter, 10));
        SupplyRecords(report, 5);
        RunPass(report);
        EXPECT_EQ(report->RpPrinter()->PagesBegun(), 3);
        EXPECT_EQ(header->pages, c.headerPages);
        EXPECT_EQ(footer->pages, c.footerPages);
        EXPECT_EQ(detail->pages, (std::vector<int>{1, 1, 2, 2, 3}));
        // The footer stands at 2970 - 100 - 100.
        EXPECT_EQ(footer->offsets.front().second, 2770);
    }
}

TEST_F(ReportRunTest, ChildOfAPageFooterPrintsAsAPageFooter) {
    TReport* report = NewReport();
    NewBand(report, rbDetail, 20);
    TRpBand* footer = NewBand(report, rbPageFooter, 10);
    footer->SetHasChild(true);
    TRpCustomBand* child = footer->ChildBand();
    ASSERT_TRUE(child);
    child->Size()->SetUnits(TRpUnit::MM);
    child->Size()->SetHeight(15);
    TCountingItem* below = NewItem(form.get(), child);
    TRpBandType typeWhilePrinting = rbChild;
    below->onPrint = [&](TCountingItem*) { typeWhilePrinting = child->BandType(); };
    RunPass(report);
    // Footer and child take 250 above the bottom margin: the footer at 2620, the child
    // right below it.
    EXPECT_EQ(below->offsets, Offsets({{100, 2720}}));
    EXPECT_EQ(typeWhilePrinting, rbPageFooter);
    EXPECT_EQ(child->BandType(), rbChild);
    EXPECT_EQ(footer->ChildBand(), child);
}

TEST_F(ReportRunTest, AlignToBottomPlacesTheBandAboveTheFooters) {
    // Bottom margin 100, footer 100, band 200: the detail ends where the footer begins;
    // the summary pushes the footer room away and sits on the bottom margin. A landscape
    // page measures from its own length, 2100.
    const struct {
        TPrinterOrientation orientation;
        long double detailY, summaryY;
    } cases[] = {
        {poPortrait, 2970 - 100 - 200 - 100, 2970 - 100 - 200},
        {poLandscape, 2100 - 100 - 200 - 100, 2100 - 100 - 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.orientation));
        form = std::make_unique<TForm>(nullptr);
        TReport* report = NewReport();
        report->Page()->SetOrientation(c.orientation);
        TRpBand* detailBand = NewBand(report, rbDetail, 20);
        detailBand->SetAlignToBottom(true);
        TRpBand* summaryBand = NewBand(report, rbSummary, 20);
        summaryBand->SetAlignToBottom(true);
        NewBand(report, rbPageFooter, 10);
        TCountingItem* detail = NewItem(form.get(), detailBand);
        TCountingItem* summary = NewItem(form.get(), summaryBand);
        SupplyRecords(report, 1);
        RunPass(report);
        EXPECT_EQ(detail->offsets, Offsets({{100, c.detailY}}));
        EXPECT_EQ(summary->offsets, Offsets({{100, c.summaryY}}));
    }
}

// ---- Columns and forced breaks ---------------------------------------------------------

namespace {

// A4, 15 mm side margins, two columns without space at zoom 100: the detail band is 340
// pixels = 899.58 native wide, so the second column starts at 150 + 900 = 1050.
TReport* TwoColumnReport(ReportTest& test, TReport* report) {
    (void)test;
    report->Page()->SetLeftMargin(15);
    report->Page()->SetRightMargin(15);
    report->Page()->SetColumns(2);
    return report;
}

} // namespace

TEST_F(ReportRunTest, TwoColumnsFillDownThenAcross) {
    TReport* report = TwoColumnReport(*this, NewReport());
    TRpBand* band = NewBand(report, rbDetail, 130);
    EXPECT_EQ(band->Width(), 340);
    TCountingItem* item = NewItem(form.get(), band);
    SupplyRecords(report, 5);
    RunPass(report);
    // 2770 native of room per column: two 1300 bands each.
    EXPECT_EQ(item->offsets,
              Offsets({{150, 100}, {150, 1400}, {1050, 100}, {1050, 1400}, {150, 100}}));
    EXPECT_EQ(item->pages, (std::vector<int>{1, 1, 1, 1, 2}));
    EXPECT_EQ(report->Functions().Value(QStringLiteral("COLUMNNUMBER")), QStringLiteral("1"));
    EXPECT_EQ(report->Functions().Value(QStringLiteral("PAGENUMBER")), QStringLiteral("2"));
}

TEST_F(ReportRunTest, FirstForcedColumnBreakInColumnOneIsSwallowed) {
    TReport* report = TwoColumnReport(*this, NewReport());
    TRpBand* band = NewBand(report, rbDetail, 20);
    band->SetForceNewColumn(true);
    TCountingItem* item = NewItem(form.get(), band);
    SupplyRecords(report, 4);
    RunPass(report);
    // Record 1 begins page 1 (no page yet: no break); record 2 sets the latch; record 3
    // moves to column 2; record 4 to a new page.
    EXPECT_EQ(item->offsets, Offsets({{150, 100}, {150, 300}, {1050, 100}, {150, 100}}));
    EXPECT_EQ(item->pages, (std::vector<int>{1, 1, 1, 2}));
}

TEST_F(ReportRunTest, ForcedPageBreakAfterTheTitleIsSwallowed) {
    TReport* report = NewReport();
    TCountingItem* title = NewItem(form.get(), NewBand(report, rbTitle, 30));
    TRpBand* band = NewBand(report, rbDetail, 20);
    band->SetForceNewPage(true);
    TCountingItem* detail = NewItem(form.get(), band);
    SupplyRecords(report, 3);
    RunPass(report);
    EXPECT_EQ(title->pages, (std::vector<int>{1}));
    // No page with the title alone: the first detail follows it.
    EXPECT_EQ(detail->pages, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(detail->offsets.front(), std::make_pair(100.0L, 400.0L));
    EXPECT_EQ(report->RpPrinter()->PagesBegun(), 3);
}

TEST_F(ReportRunTest, ForceNewPageOnAPageHeaderIsIgnored) {
    TReport* report = NewReport();
    TRpBand* header = NewBand(report, rbPageHeader, 10);
    header->SetForceNewPage(true);
    header->SetForceNewColumn(true);
    TCountingItem* detail = NewItem(form.get(), NewBand(report, rbDetail, 20));
    SupplyRecords(report, 2);
    RunPass(report);
    EXPECT_EQ(report->RpPrinter()->PagesBegun(), 1);
    EXPECT_EQ(detail->offsets, Offsets({{100, 200}, {100, 400}}));
}

TEST_F(ReportRunTest, ForcedBreaksInAColumnHeaderDoNotRecurse) {
    TReport* report = TwoColumnReport(*this, NewReport());
    TRpBand* columnHeader = NewBand(report, rbColumnHeader, 10);
    columnHeader->SetForceNewPage(true);
    TCountingItem* heading = NewItem(form.get(), columnHeader);
    TCountingItem* detail = NewItem(form.get(), NewBand(report, rbDetail, 130));
    SupplyRecords(report, 5);
    RunPass(report);
    EXPECT_EQ(report->RpPrinter()->PagesBegun(), 2);
    // A heading over each column: page 1 twice, page 2 once.
    EXPECT_EQ(heading->pages, (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(detail->pages, (std::vector<int>{1, 1, 1, 1, 2}));
}

// ---- Print flags and records -----------------------------------------------------------

TEST_F(ReportRunTest, BeforePrintClearingTheFlagSkipsTheBand) {
    TReport* report = NewReport();
    TRpBand* band = NewBand(report, rbDetail, 20);
    TCountingItem* item = NewItem(form.get(), band);
    int record = 0;
    band->BeforePrint = [&](TObject* sender, bool& print) {
        EXPECT_EQ(sender, band);
        print = ++record != 2;
    };
    std::vector<std::pair<bool, int>> after;
    band->AfterPrint = [&](TObject*, bool printed) {
        after.emplace_back(printed, report->CursorY());
    };
    SupplyRecords(report, 3);
    RunPass(report);
    EXPECT_EQ(item->prints, 2);
    EXPECT_EQ(after, (std::vector<std::pair<bool, int>>{{true, 300}, {false, 300}, {true, 500}}));
}

TEST_F(ReportRunTest, ReportBeforePrintClearingTheFlagSkipsThePass) {
    TReport* report = NewReport();
    TCountingItem* item = NewItem(form.get(), NewBand(report, rbDetail, 20));
    report->BeforePrint = [](TObject*, bool& print) { print = false; };
    RunPass(report);
    EXPECT_EQ(item->prints, 0);
    EXPECT_EQ(report->RpPrinter()->Status(), stReady);
    EXPECT_TRUE(report->Idle());
}

TEST_F(ReportRunTest, DataSetPrintsTheDetailOncePerRecord) {
    TReport* report = NewReport();
    TCountingItem* detail = NewItem(form.get(), NewBand(report, rbDetail, 20));
    TCountingItem* summary = NewItem(form.get(), NewBand(report, rbSummary, 20));
    TRpMemoryDataSet records({{{"n", 1}}, {{"n", 2}}, {{"n", 3}}, {{"n", 4}}});
    report->SetDataSet(&records);
    std::vector<int> seen;
    detail->onPrint = [&](TCountingItem*) { seen.push_back(records.Field("n").toInt()); };
    RunPass(report);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(summary->prints, 1);
    EXPECT_EQ(report->RpPrinter()->ProgressPercent(), 100);
}

TEST_F(ReportRunTest, EmptyDataSetPrintsOnceWhenAsked) {
    const struct {
        bool printIfEmpty;
        int details, summaries;
    } cases[] = {
        {true, 1, 1}, // printed once empty, the summary with it and not again
        {false, 0, 1},
    };
    for (const auto& c : cases) {
        form = std::make_unique<TForm>(nullptr);
        TReport* report = NewReport();
        TCountingItem* detail = NewItem(form.get(), NewBand(report, rbDetail, 20));
        TCountingItem* summary = NewItem(form.get(), NewBand(report, rbSummary, 20));
        TRpMemoryDataSet none;
        report->SetDataSet(&none);
        report->SetPrintIfEmpty(c.printIfEmpty);
        RunPass(report);
        EXPECT_EQ(detail->prints, c.details);
        EXPECT_EQ(summary->prints, c.summaries);
    }
}

TEST_F(ReportRunTest, NeedDataSuppliesRecordsWithTheReportAsSender) {
    TReport* report = NewReport();
    TCountingItem* detail = NewItem(form.get(), NewBand(report, rbDetail, 20));
    int calls = 0;
    report->OnNeedData = [&](TObject* sender, bool& more) {
        EXPECT_EQ(sender, report);
        more = ++calls <= 3;
    };
    RunPass(report);
    EXPECT_EQ(detail->prints, 3);
    EXPECT_EQ(calls, 4);
}

TEST_F(ReportRunTest, NoSecondPassWhileOneRuns) {
    TReport* report = NewReport();
    TRpBand* band = NewBand(report, rbDetail, 20);
    TCountingItem* item = NewItem(form.get(), band);
    TRpPrinter* running = nullptr;
    band->BeforePrint = [&](TObject*, bool&) {
        running = report->RpPrinter();
        report->PreviewReport();
        report->RunReport(false);
    };
    RunPass(report);
    EXPECT_EQ(item->prints, 1);
    EXPECT_EQ(report->RpPrinter(), running);
    EXPECT_EQ(report->RpPrinter()->PagesBegun(), 1);
}

// ---- Preview and printers --------------------------------------------------------------

TEST_F(ReportRunTest, PreviewWaitsUntilItsWindowCloses) {
    TReport* report = NewReport();
    TRpBand* band = NewBand(report, rbDetail, 20);
    band->Frame()->SetDrawTop(true);
    QImage shown;
    int afterPreview = 0;
    report->AfterPreview = [&](TObject* sender) {
        EXPECT_EQ(sender, report);
        ++afterPreview;
    };
    QPointer<TRpPrinter> previewed;
    report->OnPreview = [&](TObject* sender) {
        auto* printer = qobject_cast<TRpPrinter*>(sender);
        ASSERT_TRUE(printer);
        previewed = printer;
        printer->SetPreviewShowing(true);
        // The window shows page 1 once the pass has ended, then the user closes it.
        QTimer::singleShot(0, printer, [printer, &shown] {
            shown = RenderPage(printer, 1);
            printer->SetPreviewShowing(false);
            printer->NotifyPreviewClosed();
        });
    };
    report->PreviewReport();
    EXPECT_TRUE(previewed.isNull()); // freed when its preview closed
    EXPECT_EQ(report->RpPrinter(), nullptr);
    EXPECT_EQ(afterPreview, 1);
    // The band's one-pixel top line from x 38 to round(1999.6 x 0.378) = 756, at y 38.
    EXPECT_EQ(InkBox(shown), QRect(38, 38, 718, 1));
}

TEST_F(ReportRunTest, ClosingThePreviewDuringThePassCancelsIt) {
    TReport* report = NewReport();
    TRpBand* band = NewBand(report, rbDetail, 20);
    TCountingItem* item = NewItem(form.get(), band);
    QPointer<TRpPrinter> previewed;
    report->OnPreview = [&](TObject* sender) {
        previewed = qobject_cast<TRpPrinter*>(sender);
        previewed->SetPreviewShowing(true);
    };
    report->OnNeedData = [](TObject*, bool& more) { more = true; }; // records without end
    item->onPrint = [&](TCountingItem* i) {
        if (i->prints == 3) {
            previewed->SetPreviewShowing(false);
            previewed->NotifyPreviewClosed();
        }
    };
    report->PreviewReport();
    EXPECT_EQ(item->prints, 3);
    EXPECT_TRUE(previewed.isNull());
    EXPECT_EQ(report->RpPrinter(), nullptr);
    EXPECT_TRUE(report->Idle());
}

TEST_F(ReportRunTest, KeptPrinterIsFreedWithTheReport) {
    TReport* report = NewReport();
    NewBand(report, rbDetail, 20);
    RunPass(report);
    QPointer<TRpPrinter> kept = report->RpPrinter();
    ASSERT_FALSE(kept.isNull());
    RunPass(report); // a new printer; the one no preview shows goes
    QPointer<TRpPrinter> second = report->RpPrinter();
    RunPass(report);
    EXPECT_TRUE(kept.isNull());
    EXPECT_FALSE(second.isNull());
    delete report;
    EXPECT_TRUE(second.isNull());
}

// ---- Stretching and page items ---------------------------------------------------------

TEST_F(ReportRunTest, StretchingItemsShareTheBandsExtraHeight) {
    TReport* report = NewReport();
    TRpBand* band = NewBand(report, rbDetail, 20);
    TCountingItem* first = NewItem(form.get(), band);
    TCountingItem* second = NewItem(form.get(), band);
    struct Ask {
        long double extra;
        bool granted;
        long double newStretch;
        bool counted;
    };
    std::vector<Ask> asks;
    auto ask = [&](long double extra, bool counted) {
        long double newStretch = -1;
        const bool granted = band->RequestStretch(extra, newStretch, counted);
        asks.push_back({extra, granted, newStretch, counted});
    };
    first->onPrint = [&](TCountingItem*) { ask(300, false); };
    second->onPrint = [&](TCountingItem*) {
        ask(200, false);   // less than the 300 already there: taken as it is
        ask(100, true);    // counted already: added on top
        ask(99999, false); // more than the page has: refused, nothing changes
    };
    int cursorAfter = 0;
    band->AfterPrint = [&](TObject*, bool) { cursorAfter = report->CursorY(); };
    RunPass(report);
    ASSERT_EQ(asks.size(), 4u);
    EXPECT_TRUE(asks[0].granted);
    EXPECT_EQ(asks[0].newStretch, 300);
    EXPECT_TRUE(asks[1].granted);
    EXPECT_EQ(asks[1].newStretch, 300);
    EXPECT_TRUE(asks[1].counted);
    EXPECT_TRUE(asks[2].granted);
    EXPECT_EQ(asks[2].newStretch, 400);
    EXPECT_FALSE(asks[3].granted);
    EXPECT_EQ(asks[3].newStretch, -1);
    // 100 top margin + 200 band + 400 stretch.
    EXPECT_EQ(cursorAfter, 700);
}

TEST_F(ReportRunTest, ItemsOnTheReportPrintOnEveryPageWithTheReportFrame) {
    TReport* report = NewReport();
    report->Frame()->SetDrawLeft(true);
    NewBand(report, rbDetail, 200);
    TCountingItem* stamp = NewItem(form.get(), report);
    stamp->Size()->SetUnits(TRpUnit::MM);
    stamp->Size()->SetLeft(20);
    stamp->Size()->SetTop(30);
    stamp->Size()->SetWidth(10);
    stamp->Size()->SetHeight(10);
    stamp->Frame()->SetColor(clRed);
    stamp->Frame()->SetDrawTop(true);
    SupplyRecords(report, 2);
    RunPass(report);
    EXPECT_EQ(report->RpPrinter()->PagesBegun(), 2);
    EXPECT_EQ(stamp->offsets, Offsets({{0, 0}, {0, 0}}));
    EXPECT_EQ(stamp->pages, (std::vector<int>{1, 2}));
    const QImage page = RenderPage(report->RpPrinter(), 2);
    // The report's frame: a one-pixel line at x = round(100 x 0.378) = 38 from the top
    // margin (38) to round(2870 x 0.378) = 1085.
    EXPECT_EQ(CountPixels(page, QRect(38, 38, 1, 1047), qRgb(0, 0, 0), 0), 1047);
    // The item's top line from x round(200 x 0.378) = 76 to round(300 x 0.378) = 113 at
    // y round(300 x 0.378) = 113.
    EXPECT_EQ(InkBox(page), QRect(38, 38, 75, 1047));
    EXPECT_EQ(CountPixels(page, QRect(76, 113, 37, 1), qRgb(255, 0, 0), 0), 37);
}

TEST_F(ReportRunTest, InchLocalesStartOnLetterWithHalfInchMargins) {
    SetUsesInchDefaults(true);
    auto* report = new TReport(form.get());
    EXPECT_EQ(report->Units(), TRpUnit::Inches);
    // The paper is the PDF file printer's, A4: a report being made asks no queue.
    EXPECT_EQ(report->Page()->PaperSize(), TRpPaperSize::A4);
    EXPECT_NEAR(static_cast<double>(report->Page()->NativeValue(TRpPage::iWidth)), 2100, 1e-9);
    EXPECT_NEAR(static_cast<double>(report->Page()->NativeValue(TRpPage::iLength)), 2970, 1e-9);
    EXPECT_EQ(report->Page()->NativeValue(TRpPage::iTopMargin), 127);
    EXPECT_EQ(report->Page()->NativeValue(TRpPage::iBottomMargin), 127);
    EXPECT_EQ(report->Page()->LeftMargin(), 0.5L);
    auto* band = new TRpBand(form.get());
    EXPECT_EQ(band->Size()->Units(), TRpUnit::Inches);
}

TEST_F(ReportRunTest, PrinterFailureLeavesTheReportReadyForTheNextPass) {
    TReport* report = NewReport();
    TCountingItem* item = NewItem(form.get(), NewBand(report, rbDetail, 20));
    RunPass(report);
    // A second pass into the same, finished printer: its job cannot start.
    try {
        report->RunReport(false);
        ADD_FAILURE() << "the pass ran";
    } catch (const ERpError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Report printer not ready"));
    }
    EXPECT_TRUE(report->Idle());
    EXPECT_EQ(report->Units(), TRpUnit::MM);
    EXPECT_FALSE(item->Printing());
    RunPass(report);
    EXPECT_EQ(item->prints, 2);
}
