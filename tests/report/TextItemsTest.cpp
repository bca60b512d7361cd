// Text items: breaking text into lines, sizing, the stream font size, and printing with
// alignment, shared band growth and continuation on the next page, checked on the
// rendered pages.
#include "ItemsSupport.h"

#include "framework/core/Reader.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/printing/Printers.h"
#include "framework/graphics/TextDraw.h"

namespace {

// Liberation Mono (what "Courier New" is drawn with) advances every character by 0.6 em:
// at a 10-pixel em a text of n characters is 6n pixels wide, and the formatter measures
// it as 6n + 1 at zoom 100.
void UseMono(TControl* item, int pixels) {
    item->Font()->SetName(QStringLiteral("Courier New"));
    item->Font()->SetHeight(-pixels);
}

// The line pitch of a font in pixels: its face's design cell at its size, rounded (the
// formatter's own arithmetic on top of it is what these tests check).
int PitchOf(const char* family, int pixels) {
    QFont f(QString::fromLatin1(family));
    return RoundInt(DesignMetricsOf(f)->LineHeight() * pixels);
}

} // namespace

class TextItemsTest : public ItemsTest {
protected:
    TRpMemo* NewMemo(int widthPx) {
        TReport* report = NewReport();
        TRpBand* band = NewBand(report, 100);
        auto* memo = NewItem<TRpMemo>(band, 0, 0, 50, 50);
        memo->SetAutoSize(false);
        UseMono(memo, 10);
        memo->SetWidth(widthPx);
        return memo;
    }
};

// ---- Breaking text into lines ----------------------------------------------------------

struct FormatCase {
    const char* name;
    QStringList lines;
    int width; // pixels at zoom 100
    bool wordWrap;
    QStringList expected;
};

class FormattingTest : public TextItemsTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FormattingTest, GivesTheLinesAsTheyWillBeDrawn) {
    const FormatCase& c = GetParam();
    TRpMemo* memo = NewMemo(c.width);
    memo->SetWordWrap(c.wordWrap);
    memo->Lines()->SetList(c.lines);
    memo->BuildFormattedLines();
    EXPECT_EQ(memo->FormattedLines(), c.expected);
    EXPECT_TRUE(memo->Formatted());
}

const QString E; // an empty line

INSTANTIATE_TEST_SUITE_P(
    Cases, FormattingTest,
    ::testing::Values(
        // "Hello " measures 37 and fits 40; "Hello world" measures 67.
        FormatCase{"OnlyTheFirstWordFits", {"Hello world"}, 40, true, {"Hello ", "world"}},
        // "aaa bbb " measures 49 of 50; the third word starts the next line.
        FormatCase{"WordsFillTheLine", {"aaa bbb ccc"}, 50, true, {"aaa bbb ", "ccc"}},
        // A hyphen ends a word and stays with it.
        FormatCase{"HyphenEndsAWord", {"well-known fact"}, 40, true, {"well-", "known ", "fact"}},
        // One paragraph per carriage return; the line feeds go; an empty line stays.
        FormatCase{
            "CarriageReturnsSeparate", {"ab\r\ncd\r\n\r\nef"}, 200, true, {"ab", "cd", E, "ef"}},
        FormatCase{"LoneLineFeedIgnored", {"ab\ncd"}, 200, true, {"abcd"}},
        FormatCase{"EmptyEntryIsAnEmptyLine", {"ab", "", "cd"}, 200, true, {"ab", E, "cd"}},
        // Alone on its line an over-long word keeps its longest prefix narrower than the
        // item: "abcdef" measures 37 < 40, "abcdefg" 43. At width 37 only "abcde" (31) is
        // narrower. The paragraph's end adds the empty pending line.
        FormatCase{"OverLongWordCutToPrefix", {"abcdefghij"}, 40, true, {"abcdef", E}},
        FormatCase{"PrefixMustBeNarrower", {"abcdefghij"}, 37, true, {"abcde", E}},
        // After other words the over-long word is cut from its end until it is no wider
        // than the item: "abcdef" (37) stays at width 37.
        FormatCase{"OverLongWordAfterOthers", {"ab abcdefghij"}, 37, true, {"ab ", "abcdef", E}},
        // Width 0: every word gives two empty lines and the paragraph's end one more.
        FormatCase{"WidthZero", {"ab cd"}, 0, true, {E, E, E, E, E}},
        // Without word wrap a paragraph is one line; the next paragraph starts afresh.
        FormatCase{"NoWordWrapKeepsOneLinePerParagraph",
                   {"aaa bbb ccc", "dd"},
                   50,
                   false,
                   {"aaa bbb ", "dd"}}),
    [](const ::testing::TestParamInfo<FormatCase>& i) { return std::string(i.param.name); });

TEST_F(TextItemsTest, AutoSizeCopiesTheLinesAndTakesTheWidestWidth) {
    TRpMemo* memo = NewMemo(10);
    memo->SetAutoSize(true);
    memo->Lines()->SetList({"Hello world", "ab"});
    memo->BuildFormattedLines();
    EXPECT_EQ(memo->FormattedLines(), QStringList({"Hello world", "ab"}));
    EXPECT_EQ(memo->Width(), 67); // 11 characters x 6 + 1
}

TEST_F(TextItemsTest, AutoSizeKeepsTheAlignedSideInPlace) {
    TRpMemo* memo = NewMemo(100);
    memo->SetLeft(200);
    memo->SetAlignment(TControlEnums::taRightJustify);
    memo->SetAutoSize(true);
    memo->Lines()->SetList({"abcd"}); // 25 pixels
    memo->BuildFormattedLines();
    EXPECT_EQ(memo->Width(), 25);
    EXPECT_EQ(memo->Left(), 275); // the right edge stays at 300
    memo->SetAlignment(TControlEnums::taCenter);
    memo->SetWidth(75);
    memo->BuildFormattedLines();
    EXPECT_EQ(memo->Left(), 300); // moved by (75 - 25) div 2
}

TEST_F(TextItemsTest, CaptionModeFormatsTheCaptionAndGrowsToOneLine) {
    TReport* report = NewReport();
    TRpBand* band = NewBand(report, 100);
    auto* expr = NewItem<TRpExpr>(band, 0, 0, 50, 0.5);
    expr->SetAutoSize(false);
    UseMono(expr, 10);
    expr->SetHeight(2); // lower than the line it is given the font for
    expr->SetCaption(QStringLiteral("ab\r\ncd"));
    EXPECT_EQ(expr->FormattedLines(), QStringList({"ab", "cd"}));
    EXPECT_EQ(expr->PrintCaption(), QStringLiteral("ab\r\ncd"));
    // One line of the font plus one pixel.
    EXPECT_EQ(expr->Height(), PitchOf("Liberation Mono", 10) + 1);
}

TEST_F(TextItemsTest, RenamingCarriesAnUntouchedCaption) {
    auto* memo = new TRpMemo(form.get());
    memo->SetName(QStringLiteral("RpMemo7"));
    EXPECT_EQ(memo->Caption(), QStringLiteral("RpMemo7"));
    memo->SetCaption(QStringLiteral("kept"));
    memo->SetName(QStringLiteral("RpMemo8"));
    EXPECT_EQ(memo->Caption(), QStringLiteral("kept"));
}

// ---- The stream font size --------------------------------------------------------------

TEST_F(TextItemsTest, StoredFontSizeWinsOverTheStoredHeight) {
    auto root = std::make_unique<TForm>(nullptr);
    TLayoutReader::Read(root.get(), QStringLiteral(R"(object Form2: TForm
  object Memo: TRpMemo
    Font.Name = 'Arial'
    Font.Height = -40
    FontSize = 10
  end
end
)"),
                        QStringLiteral("fontsize.layout"));
    auto* memo = qobject_cast<TRpMemo*>(root->FindComponent(QStringLiteral("Memo")));
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->StreamFontSize(), 10);
    EXPECT_EQ(memo->Font()->Size(), 10);
    EXPECT_EQ(memo->Font()->Height(), -13); // 10 points at 96 pixels per inch
    TWriter writer;
    memo->Font()->SetSize(12);
    memo->WriteFontSize(writer);
    EXPECT_EQ(writer.Text(), QStringLiteral("12"));
}

// ---- Printing --------------------------------------------------------------------------

class TextPrintTest : public TextItemsTest {
protected:
    // A memo in 20-pixel Liberation Mono: 12 pixels a character on the page.
    TRpMemo* NewPageMemo(TRpBand* band, long double left, long double top, long double width,
                         long double height, const QStringList& lines) {
        auto* memo = NewItem<TRpMemo>(band, left, top, width, height);
        memo->SetAutoSize(false);
        memo->SetTransparent(true);
        UseMono(memo, 20);
        memo->Lines()->SetList(lines);
        return memo;
    }
    const int pitch = PitchOf("Liberation Mono", 20);
    // A line of the font in millimetres on a 96-pixel-per-inch page.
    long double PitchMM() const { return pitch * 25.4L / 96; }
};

struct AlignCase {
    const char* name;
    TAlignment alignment;
    QStringList lines;
    // Per line, the advance box of its text on the page: first pixel and the one after the
    // last. The ink lies inside it, short of each edge by at most the side bearing.
    std::vector<std::pair<int, int>> box;
};

class AlignmentTest : public TextPrintTest, public ::testing::WithParamInterface<AlignCase> {};

// The item spans 20 to 80 mm from the band's left, the band 10 mm from the paper's: on the
// page x runs from Round(300 x 96 / 254) = 113 to Round(900 x 96 / 254) = 340, centre
// Round(600 x 96 / 254) = 227.
TEST_P(AlignmentTest, LinesStandWhereTheAlignmentPutsThem) {
    const AlignCase& c = GetParam();
    TReport* report = NewReport();
    TRpBand* band = NewBand(report, 100);
    TRpMemo* memo = NewPageMemo(band, 20, 20, 60, 40, c.lines);
    memo->SetAlignment(c.alignment);
    RunPass(report);
    const QImage page = RenderKeptPage(report->RpPrinter(), 1);
    ASSERT_FALSE(page.isNull());
    const int top = MMToPixels(30);
    for (size_t i = 0; i < c.box.size(); ++i) {
        SCOPED_TRACE(i);
        const QRect row(0, top + static_cast<int>(i) * pitch, page.width(), pitch);
        const QRect ink = DarkBox(page, row);
        ASSERT_FALSE(ink.isNull());
        EXPECT_GE(ink.left(), c.box[i].first);
        EXPECT_LE(ink.left(), c.box[i].first + 3);
        EXPECT_LE(ink.right(), c.box[i].second - 1);
        EXPECT_GE(ink.right(), c.box[i].second - 4);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AlignmentTest,
    ::testing::Values(
        // Each line ends at 340, its trailing space counted in its width: "ab " covers
        // 304 to 340 and its ink ends where the space begins, at 328.
        AlignCase{
            "Right", TControlEnums::taRightJustify, {"abcd", "ab "}, {{292, 340}, {304, 328}}},
        // Centred on 227: "abcd" runs 203 to 251, "ab" 215 to 239.
        AlignCase{"Centre", TControlEnums::taCenter, {"abcd", "ab"}, {{203, 251}, {215, 239}}},
        AlignCase{"Left", TControlEnums::taLeftJustify, {"abcd", "ab"}, {{113, 161}, {113, 137}}}),
    [](const ::testing::TestParamInfo<AlignCase>& i) { return std::string(i.param.name); });

// Two memos of one band that both run over their height: the band grows by the larger
// need, three lines, not by the sum of both.
TEST_F(TextPrintTest, MemosOfOneBandShareTheBandsGrowth) {
    TReport* report = NewReport();
    const long double height = 2 * PitchMM() + 0.1L; // two lines, with the 1-unit slack
    TRpBand* band = NewBand(report, height);
    NewPageMemo(band, 0, 0, 60, height, {"A1", "A2", "A3", "A4", "A5"})->SetAutoStretch(true);
    NewPageMemo(band, 100, 0, 60, height, {"B1", "B2", "B3", "B4"})->SetAutoStretch(true);
    TRpBand* below = NewBand(report, 10, rbSummary);
    auto* marker = NewItem<TRpShape>(below, 0, 0, 180, 5);
    marker->Brush()->SetColor(clRed);
    marker->Pen()->SetColor(clRed);
    RunPass(report);
    ASSERT_EQ(report->RpPrinter()->PagesBegun(), 1);
    const QImage page = RenderKeptPage(report->RpPrinter(), 1);
    int redTop = -1;
    for (int y = 38; y < 600 && redTop < 0; ++y)
        if (CountPixels(page, QRect(300, y, 1, 1), qRgb(255, 0, 0), 40)) redTop = y;
    ASSERT_GT(redTop, 38);
    const std::vector<TInkRun> a = InkRows(page, QRect(38, 38, 200, redTop - 38));
    const std::vector<TInkRun> b = InkRows(page, QRect(MMToPixels(110), 38, 200, redTop - 38));
    ASSERT_EQ(a.size(), 5u);
    ASSERT_EQ(b.size(), 4u);
    // The red marker band starts right below the fifth line of the first memo.
    const int fifthLineTop = 38 + 4 * pitch;
    EXPECT_NEAR(redTop, fifthLineTop + pitch, 1);
}

// Five lines of which four fit on the page: the fifth goes on at the top of the next
// page, and the item knows where it stopped.
TEST_F(TextPrintTest, LinesThatDoNotFitGoOnAtTheNextPageWhereTheyStopped) {
    TReport* report = NewReport();
    const long double height = 4 * PitchMM() + 0.05L;
    // A spacer fills the page so that the memo's band ends exactly at the bottom margin
    // and cannot grow.
    NewBand(report, 277 - height, rbTitle);
    TRpBand* band = NewBand(report, height);
    TRpMemo* memo = NewPageMemo(band, 0, 0, 100, height, {"L1", "L2", "L3", "L4", "L5"});
    memo->SetAutoStretch(true);
    std::vector<std::pair<int, bool>> atPageEnd;
    report->OnEndPage = [&](TObject*) {
        atPageEnd.emplace_back(memo->NextLine(), memo->ItemDone());
    };
    RunPass(report);
    ASSERT_EQ(report->RpPrinter()->PagesBegun(), 2);
    ASSERT_EQ(atPageEnd.size(), 2u);
    EXPECT_EQ(atPageEnd[0], std::make_pair(4, false));
    EXPECT_EQ(atPageEnd[1], std::make_pair(5, true));
    const int bandTop = MMToPixels(10 + 277 - static_cast<double>(height));
    const QImage first = RenderKeptPage(report->RpPrinter(), 1);
    const QImage second = RenderKeptPage(report->RpPrinter(), 2);
    EXPECT_EQ(InkRows(first, QRect(38, bandTop - 2, 200, 4 * pitch + 4)).size(), 4u);
    const std::vector<TInkRun> rest = InkRows(second, QRect(38, 0, 200, 1100));
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_GE(rest[0].top, 38);
    EXPECT_LT(rest[0].top, 38 + pitch);
}

// Lines taller than a page's whole room (a 1150-pixel font where the page has 1047 pixels
// between its margins): each prints on a page of its own, cut at the bottom margin, and none is
// lost.
TEST_F(TextPrintTest, LinesTallerThanThePagePrintCutOnePerPage) {
    for (const bool grows : {false, true}) {
        SCOPED_TRACE(grows ? "growing" : "fixed height");
        TReport* report = NewReport();
        TRpBand* band = NewBand(report, 30);
        TRpMemo* memo = NewPageMemo(band, 0, 0, 190, 30, {"g", "g", "g"});
        memo->SetAutoStretch(grows);
        UseMono(memo, 1150); // 690 pixels a character: one fits the 718 of the width
        memo->BuildFormattedLines();
        ASSERT_EQ(memo->FormattedLines().size(), 3);
        RunPass(report);
        ASSERT_EQ(report->RpPrinter()->PagesBegun(), 3);
        EXPECT_TRUE(memo->ItemDone());
        const int bottom = MMToPixels(287);
        for (int n = 1; n <= 3; ++n) {
            SCOPED_TRACE(n);
            const QImage page = RenderKeptPage(report->RpPrinter(), n);
            const QRect ink = DarkBox(page, page.rect());
            ASSERT_FALSE(ink.isNull());
            EXPECT_GE(ink.top(), MMToPixels(10));
            // Cut at the margin: the descender of the glyph runs on past it.
            EXPECT_NEAR(ink.bottom(), bottom, 2);
        }
    }
}

// A memo without an area prints nothing and is done. Otherwise its lines would never fit:
// without growth it would come back page after page, and with growth a zero width turns
// sixty words into 181 empty lines, more than a page holds.
TEST_F(TextPrintTest, ZeroSizeMemoPrintsNothingAndAddsNoPage) {
    QStringList words;
    for (int i = 0; i < 60; ++i)
        words << QStringLiteral("word");
    for (const bool zeroWidth : {true, false})
        for (const bool grows : {true, false}) {
            SCOPED_TRACE(zeroWidth ? "width 0" : "height 0");
            SCOPED_TRACE(grows ? "growing" : "fixed");
            TReport* report = NewReport();
            TRpBand* band = NewBand(report, 20);
            TRpMemo* memo = NewPageMemo(band, 0, 0, zeroWidth ? 0 : 50, zeroWidth ? 20 : 0,
                                        {words.join(QLatin1Char(' '))});
            memo->SetAutoStretch(grows);
            RunPass(report);
            EXPECT_EQ(report->RpPrinter()->PagesBegun(), 1);
            EXPECT_TRUE(memo->ItemDone());
            const QImage page = RenderKeptPage(report->RpPrinter(), 1);
            EXPECT_EQ(DarkPixels(page, page.rect()), 0);
        }
}

// The handler's text prints once; the item's own caption is kept.
TEST_F(TextPrintTest, OnPrintChangesTheTextForThisPrintOnly) {
    TReport* report = NewReport();
    TRpBand* band = NewBand(report, 20);
    auto* expr = NewItem<TRpExpr>(band, 0, 0, 100, 10);
    expr->SetAutoSize(false);
    UseMono(expr, 20);
    expr->SetExpression(QStringLiteral("ab"));
    QString seen;
    expr->OnPrint = [&](TObject*, QString& text) {
        seen = text;
        text = QStringLiteral("abcdefgh");
    };
    RunPass(report);
    EXPECT_EQ(seen, QStringLiteral("ab")); // expressions print as written
    EXPECT_EQ(expr->PrintCaption(), QStringLiteral("ab"));
    const QImage page = RenderKeptPage(report->RpPrinter(), 1);
    const QRect ink = DarkBox(page, page.rect());
    EXPECT_NEAR(ink.width(), 8 * 12, 4); // eight characters of 12 pixels
}

// ---- Texts kept inside a frame ---------------------------------------------------------

// A rear text of one 80,000-character line of short words: every word is measured once,
// and inside a frame of five lines none past the sixth line is measured at all.
TEST_F(TextItemsTest, WordsAreMeasuredOnceAndNoneBelowTheFrame) {
    TRpMemo* memo = NewMemo(50); // "ab " is 18 pixels: two words a line
    QString text;
    for (int i = 0; i < 80'000 / 3; ++i)
        text += QStringLiteral("ab ");
    memo->Lines()->Add(text);
    memo->BuildFormattedLines();
    EXPECT_EQ(memo->MeasuredWords(), 80'000 / 3);
    EXPECT_EQ(memo->FormattedLines().size(), 80'000 / 6);
    const TRpPrintableSize* size = memo->Size();
    memo->SetClipFrame(
        TRpTextFrame{0, size->NativeValue(TRpPrintableSize::iTop), 500, 5 * memo->LinePitch()});
    memo->BuildFormattedLines();
    EXPECT_LE(memo->MeasuredWords(), 7 * 2 + 2);
    EXPECT_FALSE(memo->TextFits());
    memo->Lines()->SetList({QStringLiteral("ab ab"), QStringLiteral("ab")});
    EXPECT_TRUE(memo->TextFits());
}

// Nothing of a framed text prints outside its frame, the band does not grow for it and
// nothing goes on to another page; a turned text is cut at its frame too.
TEST_F(TextPrintTest, FramedTextsPrintInsideTheirFramesOnOnePage) {
    TReport* report = NewReport();
    TRpBand* band = NewBand(report, 30);
    QStringList lines;
    for (int i = 0; i < 60; ++i)
        lines << QStringLiteral("HHHHHHHHHHHHHHHHHHHH");
    TRpMemo* memo = NewPageMemo(band, 10, 5, 80, 10, lines);
    memo->SetAutoStretch(true);
    memo->Font()->SetColor(clBlack);
    // 20 to 60 mm across, 0 to 25 mm down: the lines are 20 to 68 mm wide.
    memo->SetClipFrame(TRpTextFrame{200, 0, 400, 250});
    auto* turned = NewItem<TRpAngledLabel>(band, 120, 2, 10, 10);
    turned->HandleNeeded();
    turned->Font()->SetName(QStringLiteral("Arial"));
    turned->Font()->SetSize(20);
    turned->SetAngle(270);
    turned->SetCaption(QString(200, QLatin1Char('H')));
    turned->SetClipFrame(TRpTextFrame{1100, 0, 300, 200});
    EXPECT_FALSE(memo->TextFits());
    EXPECT_FALSE(turned->TextFits());
    auto* below = NewBand(report, 10, rbSummary);
    NewItem<TRpShape>(below, 0, 0, 5, 5)->Brush()->SetColor(clBlack);
    RunPass(report);
    ASSERT_EQ(report->RpPrinter()->PagesBegun(), 1);
    EXPECT_TRUE(memo->ItemDone());
    const QImage page = RenderKeptPage(report->RpPrinter(), 1);
    // The band starts at 10 mm: the memo's frame is 30 to 70 mm across, 10 to 35 mm down,
    // the label's 120 to 150 mm across, 10 to 30 mm down.
    const QRect memoFrame(MMToPixels(30), MMToPixels(10), MMToPixels(40), MMToPixels(25));
    const QRect labelFrame(MMToPixels(120), MMToPixels(10), MMToPixels(30), MMToPixels(20));
    EXPECT_GT(DarkPixels(page, memoFrame), 500);
    EXPECT_GT(DarkPixels(page, labelFrame), 100);
    // (A pixel more all round: the frames' edges are rounded to the page's pixels.)
    const QRect text(0, 0, page.width(), MMToPixels(39));
    EXPECT_EQ(DarkPixels(page, text) - DarkPixels(page, memoFrame.adjusted(-1, -1, 1, 1)) -
                  DarkPixels(page, labelFrame.adjusted(-1, -1, 1, 1)),
              0);
    // The band kept its height: the summary's square stands right below it, at 40 mm.
    EXPECT_EQ(DarkBox(page, QRect(0, MMToPixels(39), page.width(), 200)).top(), MMToPixels(40));
}

// A block of lines has its breaks and its pitch from the face's design, not from the pixels
// of the device it prints on: the kept page (96 dpi), the PDF file printer (600 dpi) and the
// PDF queue (300 dpi, when a print server runs) put the lines at the same places.
TEST_F(TextPrintTest, LinesStandAtTheSamePlacesAtEveryResolution) {
    TReport* report = NewReport();
    TRpBand* band = NewBand(report, 120);
    QStringList lines;
    for (int i = 0; i < 15; ++i)
        lines << QStringLiteral("HH HHH HHHH HH HHH");
    auto* memo = NewItem<TRpMemo>(band, 10, 10, 70, 100);
    memo->SetAutoSize(false);
    memo->SetTransparent(true);
    memo->Font()->SetName(QStringLiteral("Arial"));
    memo->Font()->SetSize(12);
    memo->Font()->SetColor(clBlack);
    memo->Lines()->SetList(lines);
    RunPass(report);
    constexpr int dpi = 300;
    std::unique_ptr<TMetafile> kept = report->RpPrinter()->FetchPage(1);
    ASSERT_TRUE(kept);
    QImage preview(RoundInt(kept->Width() * dpi / 96.0), RoundInt(kept->Height() * dpi / 96.0),
                   QImage::Format_RGB32);
    preview.fill(Qt::white);
    {
        QPainter painter(&preview);
        kept->Play(painter, QRectF(preview.rect()));
    }
    // Tops of the lines' ink and their left and right ends, in millimetres.
    struct Block {
        std::vector<double> tops;
        std::vector<std::pair<double, double>> ends;
    };
    auto blockOf = [&](const QImage& page) {
        Block b;
        const QRect area(0, RoundInt(15 * dpi / 25.4), page.width(), RoundInt(110 * dpi / 25.4));
        for (const TInkRun& run : InkRows(page, area)) {
            const QRect ink =
                DarkBox(page, QRect(0, run.top, page.width(), run.bottom - run.top + 1));
            b.tops.push_back(run.top * 25.4 / dpi);
            b.ends.emplace_back(ink.left() * 25.4 / dpi, (ink.right() + 1) * 25.4 / dpi);
        }
        return b;
    };
    const Block want = blockOf(preview);
    ASSERT_EQ(want.tops.size(), 15u);
    // The design cell of 12-point Arial: 1.117 em, 4.73 mm a line.
    EXPECT_NEAR((want.tops.back() - want.tops.front()) / 14, memo->LinePitch() / 10, 0.02);

    QStringList printed;
    const QString file = TestTempDir() + QStringLiteral("/lines-600.pdf");
    const TOutputFileQuestion saved =
        SetOutputFileQuestion([file](const QString&) { return std::optional(file); });
    TPrinter printers;
    report->PrinterSettings()->SetPrinterIndex(
        static_cast<int>(printers.Printers().indexOf(TPrinter::PdfPrinterName())));
    report->PrintReport();
    SetOutputFileQuestion(saved);
    printed << file;
    if (!PdfQueue().isEmpty()) {
        const QString title = UniqueJobTitle("lines-300");
        report->SetReportTitle(title);
        report->PrinterSettings()->SetPrinterIndex(
            static_cast<int>(printers.Printers().indexOf(PdfQueue())));
        report->PrintReport();
        printed << WaitForQueueOutput(title);
    }
    for (const QString& pdf : printed) {
        SCOPED_TRACE(pdf.toStdString());
        const Block got = blockOf(RenderPdfPage(pdf, 1, dpi));
        ASSERT_EQ(got.tops.size(), 15u);
        // The whole block within a tenth of a millimetre plus a 96-dpi pixel, the grid of
        // the kept page; each line where the kept page has it.
        EXPECT_NEAR(got.tops.back() - got.tops.front(), want.tops.back() - want.tops.front(),
                    0.1 + 25.4 / 96);
        for (size_t i = 0; i < 15; ++i) {
            EXPECT_NEAR(got.tops[i], want.tops[i], 25.4 / 96 + 25.4 / dpi) << i;
            EXPECT_NEAR(got.ends[i].first, want.ends[i].first, 25.4 / 96 + 25.4 / dpi) << i;
            EXPECT_NEAR(got.ends[i].second, want.ends[i].second, 25.4 / 96 + 25.4 / dpi) << i;
        }
    }
}
