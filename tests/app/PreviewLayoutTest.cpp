// The print-layout window: its report, band and seven items as its layout stores them,
// and a pass over it onto one A4 page whose frames and texts stand where the layout puts
// them, on our own rendering of the kept page and on another program's.
#include "app/Unit2.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>

namespace {

class PreviewLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUsesInchDefaults(false);
        window = std::make_unique<Tpreview>(nullptr);
    }

    // A pass into the page store whose preview shows nothing.
    TRpPrinter* RunPass() {
        window->Report1->OnPreview = [](TObject*) {};
        window->Report1->PreviewReport();
        return window->Report1->RpPrinter();
    }

    std::unique_ptr<Tpreview> window;
};

QImage Render(TRpPrinter* printer, int n) {
    std::unique_ptr<TMetafile> page = printer->FetchPage(n);
    if (!page) return {};
    QImage image(page->Width(), page->Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page->Play(painter, QRectF(0, 0, image.width(), image.height()));
    return image;
}

// What counts as ink: darker than this grey. Another reader's thin lines come out lighter.
int g_inkBelow = 128;

bool Dark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < g_inkBelow;
}

// Counts lighter pixels as ink for one scope.
struct LighterInk {
    explicit LighterInk(int grey) { g_inkBelow = grey; }
    ~LighterInk() { g_inkBelow = 128; }
};

int DarkIn(const QImage& image, const QRect& rect) {
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += Dark(image, x, y);
    return n;
}

QRect DarkBoxIn(const QImage& image, const QRect& rect) {
    QRect box;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (Dark(image, x, y)) box |= QRect(x, y, 1, 1);
    return box;
}

// Rows of ink inside rect, one run per line of text.
std::vector<std::pair<int, int>> InkRows(const QImage& image, const QRect& rect) {
    std::vector<std::pair<int, int>> runs;
    bool inside = false;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        bool ink = false;
        for (int x = rect.left(); x <= rect.right() && !ink; ++x)
            ink = Dark(image, x, y);
        if (ink && !inside) runs.emplace_back(y, y);
        if (ink) runs.back().second = y;
        inside = ink;
    }
    return runs;
}

// Where the start of a turned text is: the text "WWWW........" has its heavy ink there.
enum class Start { Left, Right, Top, Bottom };
Start StartOf(const QImage& image, const QRect& ink) {
    const QRect left(ink.x(), ink.y(), ink.width() / 2, ink.height());
    const QRect right(ink.x() + ink.width() / 2, ink.y(), ink.width() - ink.width() / 2,
                      ink.height());
    const QRect top(ink.x(), ink.y(), ink.width(), ink.height() / 2);
    const QRect bottom(ink.x(), ink.y() + ink.height() / 2, ink.width(),
                       ink.height() - ink.height() / 2);
    if (ink.width() > ink.height())
        return DarkIn(image, left) > DarkIn(image, right) ? Start::Left : Start::Right;
    return DarkIn(image, top) > DarkIn(image, bottom) ? Start::Top : Start::Bottom;
}

const QString kTurned = QStringLiteral("WWWW........");

// A report pixel at zoom 140 is 1 / 1.4 of a page pixel at 96 pixels per inch.
int PagePixels(int reportPixels) {
    return static_cast<int>(std::nearbyint(reportPixels / 1.4L));
}

} // namespace

// ---- The layout as stored --------------------------------------------------------------

TEST_F(PreviewLayoutTest, WindowIsNeverShown) {
    EXPECT_EQ(window->Caption(), QStringLiteral("Sleevane - Preview"));
    EXPECT_EQ(window->Width(), 709);
    EXPECT_EQ(window->Height(), 480);
    EXPECT_FALSE(window->Showing());
}

TEST_F(PreviewLayoutTest, ReportCarriesItsSettings) {
    TReport* report = window->Report1;
    ASSERT_TRUE(report);
    EXPECT_EQ(report->Units(), TRpUnit::MM);
    EXPECT_EQ(report->Zoom(), 140);
    const TRpPage* page = report->Page();
    EXPECT_EQ(page->PaperSize(), TRpPaperSize::A4);
    EXPECT_EQ(page->Orientation(), poPortrait);
    EXPECT_EQ(page->Columns(), 1);
    // Bottom, length, top, width, left, right, column space: tenths of a millimetre.
    const long double values[] = {100, 2970, 100, 2100, 100, 100, 0};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(page->NativeValue(i), values[i]) << i;
    EXPECT_FALSE(report->Frame()->HasAnyLine());
    EXPECT_EQ(report->Frame()->Color(), clBlack);
    EXPECT_EQ(report->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(report->Font()->Height(), -13);
    EXPECT_EQ(report->Font()->Size(), 10);
    EXPECT_EQ(report->Font()->Color(), clWindowText);
    EXPECT_EQ(report->Options(), TRpReportEnums::FirstPageHeader | TRpReportEnums::LastPageFooter);
    const TReportPrinterSettings* settings = report->PrinterSettings();
    EXPECT_EQ(settings->Copies(), 1);
    EXPECT_FALSE(settings->Duplex());
    EXPECT_EQ(settings->FirstPage(), 0);
    EXPECT_EQ(settings->LastPage(), 0);
    EXPECT_EQ(settings->OutputBin(), TRpBin::Auto);
    EXPECT_TRUE(report->PrintIfEmpty());
    EXPECT_TRUE(report->SnapToGrid());
    // The report's functions, unused by every item: page and column numbers start at 0.
    EXPECT_EQ(report->Functions().Value(QStringLiteral("PAGENUMBER")), QStringLiteral("0"));
    EXPECT_EQ(report->Functions().Value(QStringLiteral("COLUMNNUMBER")), QStringLiteral("0"));
    EXPECT_TRUE(report->Functions().Contains(QStringLiteral("REPORTTITLE")));
}

// The front cover's band at the margin corner, the rear cover's child band right below
// it, where the rear cover stands 129.65 mm below the front's top.
TEST_F(PreviewLayoutTest, BandsSitAtTheMarginCornerOneBelowTheOther) {
    TRpBand* band = window->DetailBand1;
    TRpChildBand* rear = window->ChildBand1;
    ASSERT_TRUE(band && rear);
    EXPECT_EQ(band->Parent(), window->Report1);
    EXPECT_EQ(band->BandType(), rbDetail);
    EXPECT_EQ(band->ChildBand(), rear);
    EXPECT_EQ(rear->ParentBand(), band);
    for (TRpCustomBand* b :
         {static_cast<TRpCustomBand*>(band), static_cast<TRpCustomBand*>(rear)}) {
        EXPECT_EQ(b->Color(), clWhite);
        EXPECT_FALSE(b->Frame()->HasAnyLine());
        EXPECT_FALSE(b->ForceNewPage());
    }
    // 10 mm at zoom 140 and 96 pixels per inch: 10 / 25.4 x 96 x 1.4 = 52.9 pixels;
    // 189.93 x 129.65 mm are 1005 x 686 pixels, 146.84 mm 777.
    EXPECT_EQ(band->BoundsRect(), QRect(53, 53, 1005, 686));
    EXPECT_EQ(rear->BoundsRect(), QRect(53, 53 + 686, 1005, 777));
    EXPECT_EQ(band->Size()->NativeValue(TRpBandSize::iHeight), 1296.5L);
    EXPECT_EQ(rear->Size()->NativeValue(TRpBandSize::iHeight), 1468.4L);
}

struct StoredItem {
    const char* band;
    const char* name;
    const char* className;
    long double height, left, top, width; // Values, tenths of a millimetre
    QRect pixels;                         // report pixels at zoom 140
};

class StoredItemTest : public PreviewLayoutTest,
                       public ::testing::WithParamInterface<std::pair<int, StoredItem>> {};

TEST_P(StoredItemTest, ItemHasItsPlaceInTheBand) {
    const auto& [index, item] = GetParam();
    auto* band =
        qobject_cast<TRpCustomBand*>(window->FindComponent(QString::fromLatin1(item.band)));
    ASSERT_TRUE(band);
    ASSERT_LT(index, band->ControlCount());
    auto* printable = qobject_cast<TRpPrintable*>(band->Controls(index));
    ASSERT_TRUE(printable);
    EXPECT_EQ(printable->Name(), QString::fromLatin1(item.name));
    EXPECT_STREQ(printable->metaObject()->className(), item.className);
    const TRpPrintableSize* size = printable->Size();
    EXPECT_EQ(size->NativeValue(TRpPrintableSize::iLeft), item.left);
    EXPECT_EQ(size->NativeValue(TRpPrintableSize::iTop), item.top);
    EXPECT_EQ(printable->BoundsRect().topLeft(), item.pixels.topLeft());
    // The turned labels size themselves to their text; the others keep their Values.
    if (qobject_cast<TRpAngledLabel*>(printable)) return;
    EXPECT_EQ(size->NativeValue(TRpPrintableSize::iWidth), item.width);
    EXPECT_EQ(size->NativeValue(TRpPrintableSize::iHeight), item.height);
    EXPECT_EQ(printable->BoundsRect(), item.pixels);
}

constexpr const char* kFront = "DetailBand1";
constexpr const char* kRear = "ChildBand1";

INSTANTIATE_TEST_SUITE_P(
    InBandOrder, StoredItemTest,
    ::testing::Values(
        std::make_pair(0,
                       StoredItem{kFront, "RpImage1", "TRpImage", 1.9L, 0, 0, 1.9L, {0, 0, 1, 1}}),
        std::make_pair(1, StoredItem{kFront,
                                     "RpLabel1",
                                     "TRpAngledLabel",
                                     37.0L,
                                     698.5L,
                                     84.7L,
                                     124.4L,
                                     {370, 45, 66, 20}}),
        std::make_pair(
            2, StoredItem{kFront, "RpMemo1", "TRpMemo", 45.0L, 0, 0, 26.5L, {0, 0, 14, 24}}),
        std::make_pair(
            0, StoredItem{kRear, "RpImage2", "TRpImage", 1190.6L, 0, 0, 1521.4L, {0, 0, 805, 630}}),
        std::make_pair(1, StoredItem{kRear,
                                     "Labelrp1",
                                     "TRpAngledLabel",
                                     105.8L,
                                     3.8L,
                                     22.6L,
                                     32.1L,
                                     {2, 12, 17, 56}}),
        std::make_pair(2, StoredItem{kRear,
                                     "Labelrp2",
                                     "TRpAngledLabel",
                                     105.8L,
                                     1466.5L,
                                     3.7L,
                                     32.1L,
                                     {776, 2, 17, 56}}),
        std::make_pair(3, StoredItem{kRear,
                                     "RpMemo2",
                                     "TRpMemo",
                                     1185.0L,
                                     79.4L,
                                     1.8L,
                                     1366.4L,
                                     {42, 1, 723, 627}})),
    [](const auto& i) { return std::string(i.param.second.name); });

TEST_F(PreviewLayoutTest, ItemsCarryTheirSettings) {
    for (TRpImage* image : {window->RpImage1, window->RpImage2}) {
        SCOPED_TRACE(image->Name().toStdString());
        EXPECT_TRUE(image->Stretch());
        EXPECT_FALSE(image->Center());
        const TRpFrame* f = image->Frame();
        EXPECT_TRUE(f->DrawLeft() && f->DrawTop() && f->DrawRight() && f->DrawBottom());
        EXPECT_EQ(f->Color(), clBlack);
    }
    const std::pair<TRpAngledLabel*, int> labels[] = {
        {window->RpLabel1, 0}, {window->Labelrp1, 90}, {window->Labelrp2, 270}};
    for (const auto& [label, angle] : labels) {
        SCOPED_TRACE(label->Name().toStdString());
        EXPECT_EQ(label->Angle(), angle);
        EXPECT_EQ(label->Caption(), label->Name());
        EXPECT_EQ(label->AnchorStyle(), asNone);
        EXPECT_EQ(label->TrueTypeAlert(), ttaAbort);
        EXPECT_TRUE(label->Transparent());
        EXPECT_TRUE(label->AutoSize());
        EXPECT_EQ(label->Color(), clWhite);
        EXPECT_EQ(label->Font()->Name(), QStringLiteral("Arial"));
        EXPECT_EQ(label->Font()->Height(), -11);
        EXPECT_FALSE(label->Frame()->HasAnyLine());
        // Laid out on loading: the box of its text.
        EXPECT_EQ(label->BoundsRect().size(), label->Box().size());
        EXPECT_GT(label->Box().width() * label->Box().height(), 0);
    }
    for (TRpMemo* memo : {window->RpMemo1, window->RpMemo2}) {
        SCOPED_TRACE(memo->Name().toStdString());
        EXPECT_EQ(memo->Alignment(), TControlEnums::taLeftJustify);
        EXPECT_FALSE(memo->AlignToBand());
        EXPECT_FALSE(memo->AutoSize());
        EXPECT_TRUE(memo->AutoStretch());
        EXPECT_TRUE(memo->WordWrap());
        EXPECT_TRUE(memo->Transparent());
        EXPECT_EQ(memo->Color(), clWhite);
        EXPECT_EQ(memo->Font()->Name(), QStringLiteral("Arial"));
        EXPECT_EQ(memo->Font()->Size(), 10);
        EXPECT_FALSE(memo->Frame()->HasAnyLine());
    }
}

// ---- A pass over the layout ------------------------------------------------------------

class PreviewPassTest : public PreviewLayoutTest {
protected:
    void Compose() {
        window->RpLabel1->SetCaption(kTurned);
        window->Labelrp1->SetCaption(kTurned);
        window->Labelrp2->SetCaption(kTurned);
        window->RpMemo2->Lines()->SetList({"Rear text", "in two lines"});
        for (TRpAngledLabel* label : {window->RpLabel1, window->Labelrp1, window->Labelrp2})
            label->Font()->SetColor(clBlack);
    }

    // Where a label's box stands on the page: its stored corner, its pixel size at zoom
    // 140 brought to the page.
    static QRect OnPage(TRpAngledLabel* label, int left, int top) {
        return {left, top, PagePixels(label->Width()), PagePixels(label->Height())};
    }

    void ExpectLayoutPlaces(const QImage& rendered, int tolerance) {
        QImage page = rendered;
        // The rear picture's frame: native 100 + 0 to 100 + 1521.4 across and 100 + 1296.5
        // to 100 + 2487.1 down; at 96 / 254 pixels per native unit 38 to 613 and 528 to 978,
        // one-pixel lines inside.
        const int l = 38, t = 528, r = 612, b = 977;
        auto darkAcross = [&](int x, int y) {
            return DarkIn(page, QRect(x - tolerance, y, 2 * tolerance + 1, 1)) > 0;
        };
        auto darkDown = [&](int x, int y) {
            return DarkIn(page, QRect(x, y - tolerance, 1, 2 * tolerance + 1)) > 0;
        };
        for (int y = t + 10; y < b - 10; y += 20) {
            EXPECT_TRUE(darkAcross(l, y)) << "left " << y;
            EXPECT_TRUE(darkAcross(r, y)) << "right " << y;
        }
        for (int x = l + 30; x < r - 10; x += 20) {
            EXPECT_TRUE(darkDown(x, t)) << "top " << x;
            EXPECT_TRUE(darkDown(x, b)) << "bottom " << x;
        }
        // The frame checked, it is wiped so that the texts near it can be told apart.
        {
            QPainter wipe(&page);
            const int w = 2 * tolerance + 1;
            for (const QRect& line :
                 {QRect(l - tolerance, t, w, b - t), QRect(r - tolerance, t, w, b - t),
                  QRect(l, t - tolerance, r - l, w), QRect(l, b - tolerance, r - l, w)})
                wipe.fillRect(line, Qt::white);
        }
        // A label's box comes to the page through its native size: a pixel more than its
        // screen size over 1.4 at most.
        const int slack = tolerance + 1;
        // The front line at native (798.5, 184.7): pixels (302, 70), reading left to right.
        const QRect front = OnPage(window->RpLabel1, 302, 70);
        const QRect frontInk = DarkBoxIn(page, front.adjusted(-20, -20, 20, 20));
        ASSERT_FALSE(frontInk.isNull());
        EXPECT_TRUE(front.adjusted(-slack, -slack, slack, slack).contains(frontInk));
        EXPECT_EQ(StartOf(page, frontInk), Start::Left);
        // The left side band at (103.8, 1419.1): (39, 536), reading upwards.
        const QRect left = OnPage(window->Labelrp1, 39, 536);
        const QRect leftInk = DarkBoxIn(page, QRect(39, 529, 16, 90)); // inside the frame
        ASSERT_FALSE(leftInk.isNull());
        EXPECT_TRUE(left.adjusted(-slack, -slack, slack, slack).contains(leftInk));
        EXPECT_EQ(StartOf(page, leftInk), Start::Bottom);
        // The right side band at (1566.5, 1400.2): (592, 529), reading downwards.
        const QRect right = OnPage(window->Labelrp2, 592, 529);
        const QRect rightInk = DarkBoxIn(page, QRect(586, 529, 25, 90));
        ASSERT_FALSE(rightInk.isNull());
        EXPECT_TRUE(right.adjusted(-slack, -slack, slack, slack).contains(rightInk));
        EXPECT_EQ(StartOf(page, rightInk), Start::Top);
        // The rear text at (179.4, 1398.3): its first line starts at (68, 528).
        const QRect text(68, 529, 200, 40);
        const QRect textInk = DarkBoxIn(page, text);
        ASSERT_FALSE(textInk.isNull());
        EXPECT_NEAR(textInk.left(), 69, 1 + tolerance);
        EXPECT_NEAR(textInk.top(), 531, 2 + tolerance);
        EXPECT_EQ(InkRows(page, text).size(), 2u);
    }
};

TEST_F(PreviewPassTest, OnePageWithFramesAndTextsWhereTheLayoutPutsThem) {
    Compose();
    TRpPrinter* printer = RunPass();
    ASSERT_TRUE(printer);
    ASSERT_EQ(printer->PagesBegun(), 1);
    const QImage page = Render(printer, 1);
    // A4 at 96 pixels per inch: 210 x 297 mm are 794 x 1123 pixels.
    ASSERT_EQ(page.size(), QSize(794, 1123));
    ExpectLayoutPlaces(page, 0);
}

// Another program reads the kept page the same way: its frames and its turned texts.
TEST_F(PreviewPassTest, KeptPageReadsTheSameInAnotherMetafileReader) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) GTEST_SKIP() << "no office suite to read the metafile";
    Compose();
    TRpPrinter* printer = RunPass();
    std::unique_ptr<TMetafile> kept = printer->FetchPage(1);
    ASSERT_TRUE(kept);
    const QString dir = TestTempDir();
    const QString emf = QDir(dir).filePath(QStringLiteral("cover.emf"));
    {
        QFile file(emf);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        kept->SaveToStream(file);
    }
    QProcess office;
    office.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir + "/profile",
                           QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                           QStringLiteral("png"), QStringLiteral("--outdir"), dir, emf});
    ASSERT_TRUE(office.waitForFinished(90000)) << "the office suite did not finish";
    QImage converted(QDir(dir).filePath(QStringLiteral("cover.png")));
    ASSERT_FALSE(converted.isNull()) << office.readAllStandardError().toStdString();
    // The reader places the page on a sheet of its own at a scale of its own: the ink of
    // both renderings, from the front picture's corner to the rear picture's frame, gives
    // the mapping onto ours.
    const QImage ours = Render(printer, 1);
    const QImage theirs = converted.convertToFormat(QImage::Format_RGB32);
    const QRect ourInk = DarkBoxIn(ours, ours.rect());
    const QRect theirInk = DarkBoxIn(theirs, theirs.rect());
    ASSERT_GT(theirInk.width(), 100);
    QImage page(ours.size(), QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.translate(ourInk.topLeft());
        painter.scale(qreal(ourInk.width()) / theirInk.width(),
                      qreal(ourInk.height()) / theirInk.height());
        painter.translate(-theirInk.topLeft());
        painter.drawImage(0, 0, theirs);
    }
    const LighterInk lighter(224);
    ExpectLayoutPlaces(page, 2);
}

// Rear text that runs over its band goes on over the following pages: every line is
// printed once, and none below the page's printable area (287 mm: pixel 1085).
class OverflowTest : public PreviewLayoutTest, public ::testing::WithParamInterface<int> {};

TEST_P(OverflowTest, EveryLineOfTheRearTextPrintsOnThePaper) {
    const int count = GetParam();
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("Line %1").arg(i);
    window->RpMemo2->Lines()->SetList(lines);
    window->RpMemo2->Font()->SetSize(8);
    TRpPrinter* printer = RunPass();
    ASSERT_GE(printer->PagesBegun(), 2);
    int printed = 0;
    // The rear text's column below the front cover: native 179.4 to 1545.8 across,
    // pixels 68 to 584.
    for (int n = 1; n <= printer->PagesBegun(); ++n) {
        SCOPED_TRACE(n);
        const QImage page = Render(printer, n);
        // Below the front cover on the first page, the whole page after it.
        const int from = n == 1 ? 500 : 0;
        const std::vector<std::pair<int, int>> rows =
            InkRows(page, QRect(68, from, 516, page.height() - from));
        for (const auto& [top, bottom] : rows) {
            if (bottom - top < 3) continue; // the rear picture's frame lines
            // On the first page below the front cover; on the next ones, where the rear
            // cover's band goes on, at the top margin.
            EXPECT_GE(top, n == 1 ? 528 : 38);
            EXPECT_LE(bottom, 1085);
            ++printed;
        }
    }
    EXPECT_EQ(printed, count);
}

INSTANTIATE_TEST_SUITE_P(Lines, OverflowTest, ::testing::Values(60, 200));
