// The printable turned label: its angle, its font check, the turned text's box and origin
// for each anchor, and its print on the page.
#include "ItemsSupport.h"

#include "framework/graphics/FontConfig.h"
#include "framework/printing/Printers.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// Closes the message boxes that appear and remembers their texts. Its polls go with it.
struct BoxWatcher {
    QStringList texts;
    QObject context;
    void Arm() {
        QTimer::singleShot(0, &context, [this] { Poll(); });
    }
    void Poll() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            texts << box->text();
            box->accept();
        }
        QTimer::singleShot(5, &context, [this] { Poll(); });
    }
};

// A face that no font database lists: a raster font elsewhere, nothing that turns here.
const QString kRasterFace = QStringLiteral("Terminal");

} // namespace

class AngledLabelTest : public ItemsTest {
protected:
    // A label on a band of a zoom-100 report, with its window handle, so that it knows the
    // outline faces and lays itself out. Ten digits of 9-point (12-pixel) Times New Roman,
    // half an em each, measure 60 x 13: its design cell is 1.107 em.
    TRpAngledLabel* NewLabel(TRpBand** bandOut = nullptr) {
        TReport* report = NewReport();
        TRpBand* band = NewBand(report, 100);
        if (bandOut) *bandOut = band;
        auto* label = new TRpAngledLabel(form.get());
        label->SetParent(band);
        label->Size()->SetUnits(TRpUnit::MM);
        label->HandleNeeded();
        label->Font()->SetName(QStringLiteral("Times New Roman"));
        label->Font()->SetSize(9);
        label->SetCaption(QStringLiteral("0000000000"));
        return label;
    }
};

// ---- Properties ------------------------------------------------------------------------

TEST_F(AngledLabelTest, NewItemTurnsByFortyFiveDegreesInArial) {
    auto* label = new TRpAngledLabel(form.get());
    EXPECT_EQ(label->Angle(), 45);
    // Its first font check ran before any list of outline faces existed.
    EXPECT_EQ(label->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_TRUE(label->TrueTypeNames().isEmpty());
    EXPECT_EQ(label->TrueTypeAlert(), ttaAbort);
    EXPECT_EQ(label->AnchorStyle(), asNone);
    EXPECT_TRUE(label->AutoSize());
    EXPECT_FALSE(label->Transparent());
}

TEST_F(AngledLabelTest, AngleIsKeptBetweenZeroAnd359) {
    auto* label = new TRpAngledLabel(form.get());
    const std::pair<int, int> cases[] = {{450, 90}, {-90, 270}, {360, 0}, {719, 359},
                                         {-1, 359}, {-720, 0},  {90, 90}, {45, 45}};
    for (const auto& [written, kept] : cases) {
        label->SetAngle(written);
        EXPECT_EQ(label->Angle(), kept) << written;
    }
}

TEST_F(AngledLabelTest, ArialAndItsInstalledTwinAreOutlineFaces) {
    TRpAngledLabel* label = NewLabel();
    EXPECT_TRUE(label->IsTrueType(QStringLiteral("Arial")));
    EXPECT_TRUE(label->IsTrueType(QStringLiteral("liberation sans"))); // any case
    EXPECT_FALSE(label->IsTrueType(kRasterFace));
}

// ---- The font check --------------------------------------------------------------------

TEST_F(AngledLabelTest, AbortTakesTheBandsWholeFontWhenThatOneTurns) {
    TRpBand* band = nullptr;
    TRpAngledLabel* label = NewLabel(&band);
    band->Font()->SetName(QStringLiteral("Liberation Serif"));
    band->Font()->SetHeight(-20);
    band->Font()->SetColor(clRed);
    label->Font()->SetName(kRasterFace);
    EXPECT_TRUE(label->ParentFont());
    EXPECT_EQ(label->Font()->Name(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(label->Font()->Height(), -20);
    EXPECT_EQ(label->Font()->Color(), clRed);
}

TEST_F(AngledLabelTest, AbortFallsBackToArialAndSaysSoWhenAsked) {
    TRpBand* band = nullptr;
    TRpAngledLabel* label = NewLabel(&band);
    band->Font()->SetName(kRasterFace); // the band's font cannot be turned either
    label->SetTrueTypeAlert(ttaAbortMessage);
    label->Font()->SetHeight(-20);
    BoxWatcher watcher;
    watcher.Arm();
    label->Font()->SetName(kRasterFace);
    EXPECT_EQ(label->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(label->Font()->Height(), -20);
    EXPECT_EQ(watcher.texts,
              QStringList({"Font selected is not a TrueType Font. 'Arial' was assigned"}));
}

TEST_F(AngledLabelTest, MessageKeepsTheFontThatCannotTurn) {
    TRpAngledLabel* label = NewLabel();
    label->SetTrueTypeAlert(ttaMessage);
    BoxWatcher watcher;
    watcher.Arm();
    label->Font()->SetName(kRasterFace);
    EXPECT_EQ(label->Font()->Name(), kRasterFace);
    EXPECT_EQ(watcher.texts,
              QStringList({"Font selected is not a TrueType Font and can't be rotated"}));
}

TEST_F(AngledLabelTest, LongFaceNameIsCutInsideTheFontRecord) {
    TRpAngledLabel* label = NewLabel();
    label->SetTrueTypeAlert(ttaNone);
    const QString face = QStringLiteral("A Very Long Face Name Beyond Thirty-One Characters");
    label->Font()->SetName(face);
    label->SetAngle(90);
    ASSERT_TRUE(label->TurnedFont());
    const LOGFONT& lf = label->TurnedFont()->logFont;
    EXPECT_EQ(strnlen(lf.lfFaceName, sizeof lf.lfFaceName), 31u);
    EXPECT_EQ(lf.FaceName(), face.left(31));
    EXPECT_EQ(lf.lfEscapement, 900);
    EXPECT_EQ(lf.lfOutPrecision, OUT_TT_ONLY_PRECIS);
}

// Every face with outlines turns and prints in itself, whether TrueType, OpenType or Type 1
// (the URW faces come in the last two, each under two foundries); only a face of bitmaps
// is replaced. The turned texts of a PDF name the face.
TEST_F(AngledLabelTest, EveryScalableFacePrintsInItselfAndOnlyBitmapFacesAreReplaced) {
    const int bitmaps =
        QFontDatabase::addApplicationFont(TestData(QStringLiteral("fonts/bitmap-only.bdf")));
    ASSERT_GE(bitmaps, 0);
    const QString bitmapFace = QFontDatabase::applicationFontFamilies(bitmaps).value(0);
    struct Case {
        QString face;
        const char* inPdf; // the font's name as the PDF lists it; none when replaced
    };
    const Case cases[] = {{QStringLiteral("URW Gothic"), "URWGothic"},
                          {QStringLiteral("URW Bookman"), "URWBookman"},
                          {QStringLiteral("Z003"), "Z003"},
                          {QStringLiteral("Liberation Serif"), "LiberationSerif"},
                          {bitmapFace, nullptr}};
    TPrinter printers;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face.toStdString());
        TRpBand* band = nullptr;
        TRpAngledLabel* label = NewLabel(&band);
        label->SetAngle(90);
        label->Font()->SetName(c.face);
        if (!c.inPdf) {
            EXPECT_NE(label->Font()->Name(), c.face);
            EXPECT_TRUE(IsScalableFace(label->Font()->Name()));
            continue;
        }
        EXPECT_EQ(label->Font()->Name(), c.face);
        const QString file = TestTempDir() + QStringLiteral("/face.pdf");
        const TOutputFileQuestion saved =
            SetOutputFileQuestion([file](const QString&) { return std::optional(file); });
        TCustomReport* report = label->Report();
        report->PrinterSettings()->SetPrinterIndex(
            static_cast<int>(printers.Printers().indexOf(TPrinter::PdfPrinterName())));
        report->PrintReport();
        SetOutputFileQuestion(saved);
        QProcess fonts;
        fonts.start(QStringLiteral("pdffonts"), {file});
        ASSERT_TRUE(fonts.waitForFinished(30000));
        EXPECT_TRUE(fonts.readAllStandardOutput().contains(c.inPdf));
    }
    QFontDatabase::removeApplicationFont(bitmaps);
}

// ---- Layout ----------------------------------------------------------------------------

struct TurnCase {
    int angle;
    QSize box;
    QPoint origin;
};

class TurnTest : public AngledLabelTest, public ::testing::WithParamInterface<TurnCase> {};

// A 60 x 13 text: the box and the point where the unturned cell's top-left corner goes.
TEST_P(TurnTest, BoxAndOriginFollowTheAngle) {
    const TurnCase& c = GetParam();
    TRpAngledLabel* label = NewLabel();
    label->SetBounds(100, 200, label->Width(), label->Height());
    label->SetAngle(c.angle);
    ASSERT_EQ(label->TextWidth(), 60);
    ASSERT_EQ(label->TextHeight(), 13);
    EXPECT_EQ(label->Box().size(), c.box);
    EXPECT_EQ(label->TextOrigin(), c.origin);
    // Auto-sized with asNone: the top-left corner stays, the size is the box.
    EXPECT_EQ(label->BoundsRect(), QRect(QPoint(100, 200), c.box));
}

INSTANTIATE_TEST_SUITE_P(
    Angles, TurnTest,
    ::testing::Values(TurnCase{0, {60, 13}, {0, 0}}, TurnCase{90, {13, 60}, {0, 60}},
                      TurnCase{180, {60, 13}, {60, 13}}, TurnCase{270, {13, 60}, {13, 0}},
                      // sin 45 x 60 = 42.43 and sin 45 x 13 = 9.19: 42 + 9 both ways.
                      TurnCase{45, {51, 51}, {0, 42}}),
    [](const ::testing::TestParamInfo<TurnCase>& i) { return std::to_string(i.param.angle); });

TEST_F(AngledLabelTest, ProjectionsAtFortyFiveDegrees) {
    TRpAngledLabel* label = NewLabel();
    label->SetAngle(45);
    const TRpTurnedExtents e = label->Extents();
    EXPECT_EQ(e.Ws, 42);
    EXPECT_EQ(e.Wc, 42);
    EXPECT_EQ(e.Hc, 9);
    EXPECT_EQ(e.Hs, 9);
}

struct AnchorCase {
    const char* name;
    TAnchorStyle anchor;
    QRect after; // bounds once the font doubles from a 60 x 14 label at (100, 200)
};

class AnchorTest : public AngledLabelTest, public ::testing::WithParamInterface<AnchorCase> {};

// At 0 degrees a 24-pixel font makes the text 120 x 27 (digits of 0.556 em = 13.34
// pixels; ascent 0.905 em = 21.7 and descent 0.212 em = 5.1 pixels, each rounded). The anchored
// corner of the 60 x 14 label stays where it was.
TEST_P(AnchorTest, AutoSizeKeepsTheAnchoredPoint) {
    const AnchorCase& c = GetParam();
    TRpAngledLabel* label = NewLabel();
    label->SetAngle(0);
    label->SetAnchorStyle(c.anchor);
    label->SetBounds(100, 200, 60, 14);
    label->Font()->SetName(QStringLiteral("Arial"));
    label->Font()->SetHeight(-24);
    label->SetCaption(QStringLiteral("000000000"));
    ASSERT_EQ(label->TextWidth(), 120);
    ASSERT_EQ(label->TextHeight(), 27);
    EXPECT_EQ(label->BoundsRect(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Anchors, AnchorTest,
    ::testing::Values(
        // The top-left corner stays.
        AnchorCase{"None", asNone, {100, 200, 120, 27}},
        // The start of the text: at 0 degrees its bottom-left corner, (100, 214).
        AnchorCase{"TextLeft", asTextLeft, {100, 187, 120, 27}},
        // The end of the text: at 0 degrees its top-right corner, (160, 200).
        AnchorCase{"TextRight", asTextRight, {40, 200, 120, 27}},
        // The middle stays at each of the three changes, each rounded with the half going
        // to the even side: Arial's ten digits at 12 pixels, 67 x 13, put the corner at
        // (100 + Round(-3.5), 200 + Round(0.5)) = (96, 200); at 24 pixels, 133 x 27, at
        // (96 + Round(-33), 200 + Round(-7)) = (63, 193); nine digits, 120 wide, at
        // (63 + Round(6.5), 193) = (69, 193).
        AnchorCase{"TextCenter", asTextCenter, {69, 193, 120, 27}}),
    [](const ::testing::TestParamInfo<AnchorCase>& i) { return std::string(i.param.name); });

struct FixedCase {
    int angle;
    TAnchorStyle anchor;
    QPoint origin;
};

class FixedSizeTest : public AngledLabelTest, public ::testing::WithParamInterface<FixedCase> {};

// Without auto-size the item keeps its 100 x 40 bounds and the text's anchored point goes
// to the matching point of the item (a 60 x 13 text).
TEST_P(FixedSizeTest, OriginPutsTheAnchoredPointOnTheItem) {
    const FixedCase& c = GetParam();
    TRpAngledLabel* label = NewLabel();
    label->SetAutoSize(false);
    label->SetBounds(100, 200, 100, 40);
    label->SetAnchorStyle(c.anchor);
    label->SetAngle(c.angle);
    EXPECT_EQ(label->BoundsRect(), QRect(100, 200, 100, 40));
    EXPECT_EQ(label->TextOrigin(), c.origin);
}

INSTANTIATE_TEST_SUITE_P(
    Anchors, FixedSizeTest,
    ::testing::Values(
        // Centred both ways: hx = Round(40 / 2) = 20, hy = Round(27 / 2) = 14.
        FixedCase{0, asTextCenter, {20, 14}},
        // At 90 the box is 13 x 60: hx = Round(87 / 2) = 44, hy = Round(-20 / 2) = -10;
        // origin (hx + Ws, hy + Wc + Hs) = (44, 50).
        FixedCase{90, asTextCenter, {44, 50}},
        // The start of the text at the bottom-left: (0, Height - Hs) = (0, 27).
        FixedCase{0, asTextLeft, {0, 27}},
        // The end at the top-right: (Width - Ws - Hc, Wc) = (40, 0).
        FixedCase{0, asTextRight, {40, 0}},
        // Upside down, the start at the top-right: (Width, Hs) = (100, 13).
        FixedCase{180, asTextLeft, {100, 13}},
        // Reading downwards, the end at the bottom: (Width - Ws, Height - Wc - Hs) = (100,
        // -20).
        FixedCase{270, asTextRight, {100, -20}}),
    [](const ::testing::TestParamInfo<FixedCase>& i) {
        return std::to_string(i.param.angle) + "_" + std::to_string(int(i.param.anchor));
    });

// ---- Print -----------------------------------------------------------------------------

struct PrintTurnCase {
    int angle;
    // Which half of the text's ink holds its start, "WWWW" before the dots.
    enum Half { Left, Right, Top, Bottom } heavy;
};

class TurnedPrintTest : public AngledLabelTest,
                        public ::testing::WithParamInterface<PrintTurnCase> {};

// The label stands 50 mm from the band's corner; on the page its text lies inside its
// rectangle, and reads the way its angle turns it.
TEST_P(TurnedPrintTest, TextPrintsInsideTheItemTurnedByItsAngle) {
    const PrintTurnCase& c = GetParam();
    TRpBand* band = nullptr;
    TRpAngledLabel* label = NewLabel(&band);
    label->Font()->SetHeight(-20);
    label->SetCaption(QStringLiteral("WWWW........"));
    label->SetAngle(c.angle);
    label->Size()->SetLeft(50);
    label->Size()->SetTop(50);
    RunPass(label->Report());
    const QImage page = RenderKeptPage(label->Report()->RpPrinter(), 1);
    // 60 mm from the paper's corner: Round(600 x 96 / 254) = 227.
    const QRect item(227, 227, label->Width(), label->Height());
    const QRect ink = DarkBox(page, page.rect());
    ASSERT_FALSE(ink.isNull());
    EXPECT_TRUE(item.adjusted(-1, -1, 1, 1).contains(ink)) << ink.x() << "," << ink.y();
    const bool horizontal = c.heavy == PrintTurnCase::Left || c.heavy == PrintTurnCase::Right;
    const QRect first = horizontal ? QRect(ink.x(), ink.y(), ink.width() / 2, ink.height())
                                   : QRect(ink.x(), ink.y(), ink.width(), ink.height() / 2);
    const QRect second = horizontal
                             ? QRect(first.right() + 1, ink.y(), ink.width() / 2, ink.height())
                             : QRect(ink.x(), first.bottom() + 1, ink.width(), ink.height() / 2);
    const bool startFirst = c.heavy == PrintTurnCase::Left || c.heavy == PrintTurnCase::Top;
    const int a = DarkPixels(page, first), b = DarkPixels(page, second);
    EXPECT_GT(startFirst ? a : b, 2 * (startFirst ? b : a));
}

INSTANTIATE_TEST_SUITE_P(Angles, TurnedPrintTest,
                         ::testing::Values(PrintTurnCase{0, PrintTurnCase::Left},
                                           PrintTurnCase{90, PrintTurnCase::Bottom},
                                           PrintTurnCase{180, PrintTurnCase::Right},
                                           PrintTurnCase{270, PrintTurnCase::Top}),
                         [](const ::testing::TestParamInfo<PrintTurnCase>& i) {
                             return std::to_string(i.param.angle);
                         });

// A label sized to its text measures that text on the screen at the report's zoom, while
// the page draws it at a resolution of its own, where the same text can come out a little
// longer: its ends must print all the same, at every angle. The reference is the same
// text unturned in an item with room to spare, turned as a picture; the page is read at
// four times 96 dpi. The fonts: the print layout's own, and a front title's.
struct UnclippedCase {
    const char* face;
    int points;
    int angle;
};

class UnclippedTurnTest : public AngledLabelTest,
                          public ::testing::WithParamInterface<UnclippedCase> {};

TEST_P(UnclippedTurnTest, TheWholeTextPrintsAtEveryAngle) {
    const auto [face, points, angle] = GetParam();
    TRpBand* band = nullptr;
    TRpAngledLabel* label = NewLabel(&band);
    TCustomReport* report = label->Report();
    report->SetZoom(140);
    auto* reference = new TRpAngledLabel(form.get());
    reference->SetParent(band);
    reference->Size()->SetUnits(TRpUnit::MM);
    reference->HandleNeeded();
    for (TRpAngledLabel* l : {label, reference}) {
        l->Font()->SetName(QString::fromLatin1(face));
        l->Font()->SetSize(points);
        l->Font()->SetColor(clBlack);
        l->SetCaption(QStringLiteral("Titolo predefinito"));
    }
    label->SetAngle(angle);
    label->Size()->SetLeft(60);
    label->Size()->SetTop(60);
    reference->SetAngle(0);
    reference->SetAutoSize(false);
    reference->Size()->SetLeft(5);
    reference->Size()->SetTop(5);
    reference->Size()->SetWidth(150);
    reference->Size()->SetHeight(20);
    RunPass(report);
    std::unique_ptr<TMetafile> kept = report->RpPrinter()->FetchPage(1);
    ASSERT_TRUE(kept);
    constexpr int kScale = 4;
    QImage page(kept->Width() * kScale, kept->Height() * kScale, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        kept->Play(painter, QRectF(0, 0, page.width(), page.height()));
    }
    // The reference stands above 40 mm, the label below it.
    const int split = MMToPixels(50) * kScale;
    const QRect whole = DarkBox(page, QRect(0, 0, page.width(), split));
    const QRect turned = DarkBox(page, QRect(0, split, page.width(), page.height() - split));
    ASSERT_FALSE(whole.isNull());
    ASSERT_FALSE(turned.isNull());
    // The unturned ink turned by the angle, counter-clockwise as the page turns text.
    QImage cut = page.copy(whole.adjusted(-2, -2, 2, 2));
    const QImage rotated = cut.transformed(QTransform().rotate(-angle), Qt::SmoothTransformation);
    QImage expected(rotated.size(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    QPainter(&expected).drawImage(0, 0, rotated);
    const QRect want = DarkBox(expected, expected.rect());
    EXPECT_NEAR(turned.width(), want.width(), 4);
    EXPECT_NEAR(turned.height(), want.height(), 4);
}

std::vector<UnclippedCase> UnclippedCases() {
    std::vector<UnclippedCase> cases;
    for (const auto& [face, points] : {std::pair{"Arial", 8}, std::pair{"Times New Roman", 17}})
        for (int angle = 0; angle < 360; angle += 45)
            cases.push_back({face, points, angle});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(FontsAndAngles, UnclippedTurnTest, ::testing::ValuesIn(UnclippedCases()),
                         [](const ::testing::TestParamInfo<UnclippedCase>& i) {
                             return std::string(i.param.face[0] == 'A' ? "Arial" : "Times") +
                                    std::to_string(i.param.points) + "at" +
                                    std::to_string(i.param.angle);
                         });

// An empty text turned upright has no height: it prints nothing and the page goes on.
TEST_F(AngledLabelTest, EmptyUprightTextPrintsNothingAndThePageGoesOn) {
    for (const int angle : {90, 270}) {
        SCOPED_TRACE(angle);
        TRpBand* band = nullptr;
        TRpAngledLabel* empty = NewLabel(&band);
        empty->SetAngle(angle);
        empty->SetCaption(QString());
        EXPECT_EQ(empty->Height(), 0);
        EXPECT_GT(empty->Width(), 0);
        auto* after = new TRpAngledLabel(form.get());
        after->SetParent(band);
        after->HandleNeeded();
        after->SetAngle(0);
        after->SetCaption(QStringLiteral("WWW"));
        after->Size()->SetUnits(TRpUnit::MM);
        after->Size()->SetTop(50);
        RunPass(empty->Report());
        ASSERT_EQ(empty->Report()->RpPrinter()->PagesBegun(), 1);
        const QImage page = RenderKeptPage(empty->Report()->RpPrinter(), 1);
        EXPECT_EQ(DarkPixels(page, QRect(0, 0, page.width(), MMToPixels(55))), 0);
        EXPECT_GT(DarkPixels(page, QRect(0, MMToPixels(59), page.width(), 60)), 20);
    }
}

// The handler's text prints once; the caption comes back afterwards.
TEST_F(AngledLabelTest, OnPrintTextPrintsOnce) {
    TRpAngledLabel* label = NewLabel();
    label->SetAngle(0);
    QString seen;
    label->OnPrint = [&](TObject*, QString& text) {
        seen = text;
        text = QStringLiteral("WWWWWWWWWWWWWWWWWWWW");
    };
    RunPass(label->Report());
    EXPECT_EQ(seen, QStringLiteral("0000000000"));
    EXPECT_EQ(label->Caption(), QStringLiteral("0000000000"));
    EXPECT_EQ(label->Width(), 60);
    const QImage page = RenderKeptPage(label->Report()->RpPrinter(), 1);
    EXPECT_GT(DarkBox(page, page.rect()).width(), 150); // twenty W's of the 12-pixel face
}

// A front line of a million characters running down to the right from its corner, inside
// its frame: only the
// characters that can reach the frame are drawn, so the kept page holds a few hundred of
// them, not the million; it says that the text does not fit.
TEST_F(AngledLabelTest, OnlyWhatCanReachTheFramePrints) {
    TRpAngledLabel* label = NewLabel();
    label->SetAngle(315);
    label->Size()->SetLeft(20);
    label->Size()->SetTop(20);
    label->SetClipFrame(TRpTextFrame{0, 0, 1200, 1200});
    label->SetCaption(QString(1'000'000, QLatin1Char('W')));
    EXPECT_FALSE(label->TextFits());
    RunPass(label->Report());
    const std::unique_ptr<TMetafile> page = label->Report()->RpPrinter()->FetchPage(1);
    ASSERT_TRUE(page);
    EXPECT_LT(page->Data().size(), 64 * 1024);
    const QImage image = RenderKeptPage(label->Report()->RpPrinter(), 1);
    const QRect frame(MMToPixels(0), MMToPixels(0), MMToPixels(120) + 1, MMToPixels(120) + 1);
    EXPECT_EQ(DarkPixels(image, image.rect()), DarkPixels(image, frame.translated(38, 38)));
    EXPECT_GT(DarkPixels(image, image.rect()), 1000);
    label->SetCaption(QStringLiteral("Concerto"));
    EXPECT_TRUE(label->TextFits());
}
