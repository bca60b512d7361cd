// The sheet composer on values: every design's pages are the same bytes whatever was
// composed before it, and what one composition gives an item never reaches the next.
#include "app/SheetComposer.h"
#include "app/CoverFormats.h"
#include "app/CoverPictures.h"
#include "app/Unit2.h"
#include "imaging/jpeg.h"
#include "support/FormTestSupport.h"

#include <QDir>
#include <algorithm>

namespace {

class SheetComposerTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUsesInchDefaults(false);
        RegisterJPEGFormats();
        dir = TestTempDir();
    }

    QString Picture(const QString& name, QColor colour) {
        QImage image(QSize(40, 30), QImage::Format_RGB32);
        image.fill(colour);
        const QString path = QDir(dir).filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    // The kept pages of a preview of design, as the bytes of their metafiles.
    std::vector<QByteArray> Pages(const TCoverDesign& design, TCoverPictures* pictures = nullptr) {
        const std::unique_ptr<Tpreview> sheet =
            ComposeSheet(design, TCoverOutput::Preview, QString(), pictures);
        sheet->Report1->OnPreview = [](TObject*) {};
        sheet->Report1->PreviewReport();
        std::vector<QByteArray> pages;
        TRpPrinter* kept = sheet->Report1->RpPrinter();
        EXPECT_TRUE(kept);
        if (!kept) return pages;
        for (int n = 1; n <= kept->PagesBegun(); ++n)
            pages.push_back(kept->FetchPage(n)->Data());
        return pages;
    }

    QString dir;
};

// Designs that differ in everything a composition sets, each leaving something behind
// that a long-lived layout would have carried into the next: a placed line, lines, band
// texts, a landscape booklet, a picture.
std::vector<TCoverDesign> Designs(SheetComposerTest& t, const QString& picture) {
    std::vector<TCoverDesign> designs;
    TCoverDesign placed;
    placed.frontFormat = TFrontFormat::Single;
    placed.rearFormat = TRearFormat::WithBands;
    placed.frontPicture = picture;
    placed.frontLine = QStringLiteral("Primo");
    placed.frontAngle = 45;
    placed.PlaceLine(QPoint(100, 60));
    placed.frontFont.size = 12;
    placed.leftBand = QStringLiteral("Lato A");
    placed.rearLines = {QStringLiteral("uno"), QStringLiteral("due")};
    designs.push_back(placed);

    // Never placed: its line prints at the layout's place, whatever came before.
    TCoverDesign unplaced;
    unplaced.frontFormat = TFrontFormat::Single;
    unplaced.rearFormat = TRearFormat::WithoutBands;
    unplaced.frontLine = QStringLiteral("Secondo");
    designs.push_back(unplaced);

    // Placed once, then moved onto the miniature's left column: it prints where placed.
    TCoverDesign edge = unplaced;
    edge.frontLine = QStringLiteral("Terzo");
    edge.PlaceLine(QPoint(30, 150));
    edge.PlaceLine(QPoint(0, 20));
    designs.push_back(edge);

    TCoverDesign booklet;
    booklet.frontFormat = TFrontFormat::Double;
    booklet.rearFormat = TRearFormat::None;
    booklet.textMode = TFrontTextMode::Lines;
    booklet.frontLines = {QStringLiteral("Libretto")};
    designs.push_back(booklet);
    (void)t;
    return designs;
}

TEST_F(SheetComposerTest, EveryDesignGivesTheSamePagesInEveryOrder) {
    const std::vector<TCoverDesign> designs =
        Designs(*this, Picture(QStringLiteral("front.bmp"), QColor(250, 230, 200)));
    std::vector<std::vector<QByteArray>> alone;
    for (const TCoverDesign& d : designs) {
        alone.push_back(Pages(d));
        ASSERT_FALSE(alone.back().empty());
    }
    std::vector<size_t> order(designs.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    TCoverPictures pictures; // shared by the whole batch, as the command line shares it
    int orders = 0;
    do {
        for (size_t i : order) {
            SCOPED_TRACE(testing::Message() << "order " << orders << " design " << i);
            EXPECT_TRUE(Pages(designs[i], &pictures) == alone[i]);
        }
        ++orders;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(orders, 24);
    // One read of the picture for all those sheets.
    EXPECT_EQ(pictures.Reads(), 1);
}

// The line placed before it moved onto the miniature's edge prints where a design placed
// there from the start prints.
TEST_F(SheetComposerTest, AnEdgeClickKeepsThePlaceThatPrints) {
    TCoverDesign placed;
    placed.frontFormat = TFrontFormat::Single;
    placed.frontLine = QStringLiteral("Titolo");
    placed.PlaceLine(QPoint(80, 90));
    TCoverDesign moved = placed;
    moved.PlaceLine(QPoint(120, 0));
    EXPECT_EQ(moved.frontPlace, QPoint(120, 0));
    EXPECT_EQ(moved.printPlace, QPoint(80, 90));
    moved.frontPlace = placed.frontPlace; // what shows differs; what prints must not
    EXPECT_TRUE(Pages(moved) == Pages(placed));
    TCoverDesign never = placed;
    never.printPlace = QPoint();
    EXPECT_FALSE(Pages(never) == Pages(placed));
}

// Every cover picture that cannot be read is named with its cover and its file; no sheet
// is made.
TEST_F(SheetComposerTest, EveryMissingPictureIsNamed) {
    TCoverDesign d;
    d.frontFormat = TFrontFormat::Single;
    d.rearFormat = TRearFormat::WithBands;
    d.frontPicture = QDir(dir).filePath(QStringLiteral("gone.jpg"));
    d.rearPicture = QDir(dir).filePath(QStringLiteral("also-gone.bmp"));
    try {
        ComposeSheet(d, TCoverOutput::Print);
        FAIL() << "composed without its pictures";
    } catch (const ECoverPictures& e) {
        ASSERT_EQ(e.Problems().size(), 2);
        EXPECT_TRUE(e.Problems()[0].startsWith(QStringLiteral("front picture")));
        EXPECT_TRUE(e.Problems()[0].contains(d.frontPicture));
        EXPECT_TRUE(e.Problems()[1].startsWith(QStringLiteral("rear picture")));
        EXPECT_TRUE(e.Problems()[1].contains(d.rearPicture));
    }
    // A cover that is not there needs no picture.
    d.frontFormat = TFrontFormat::None;
    d.rearFormat = TRearFormat::None;
    EXPECT_NO_THROW(ComposeSheet(d, TCoverOutput::Print));
}

// A click's point of the miniature is the same relative point of the printed cover, on
// both axes; the booklet's square miniature stands for its 240 x 120 mm.
TEST_F(SheetComposerTest, TheLinePrintsAtTheClickedPointOfTheCover) {
    struct Row {
        TFrontFormat format;
        QPoint click;
        QPointF mm;
    };
    const Row rows[] = {
        {TFrontFormat::Single, {1, 1}, {0.553, 0.553}},
        {TFrontFormat::Single, {150, 150}, {82.95, 82.95}}, // 70 % across and down
        {TFrontFormat::Single, {216, 3}, {119.45, 1.66}},
        {TFrontFormat::Double, {150, 150}, {165.90, 82.95}},
        {TFrontFormat::Double, {108, 200}, {119.45, 110.60}}, // just before the fold
        {TFrontFormat::Double, {216, 216}, {238.89, 119.45}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.click.x() << "," << row.click.y());
        TCoverDesign d;
        d.frontFormat = row.format;
        d.frontLine = QStringLiteral("Titolo");
        d.PlaceLine(row.click);
        const std::unique_ptr<Tpreview> sheet = ComposeSheet(d, TCoverOutput::Print);
        const TRpPrintableSize* place = sheet->RpLabel1->Size();
        EXPECT_NEAR(static_cast<double>(place->NativeValue(TRpPrintableSize::iLeft)) / 10,
                    row.mm.x(), 0.01);
        EXPECT_NEAR(static_cast<double>(place->NativeValue(TRpPrintableSize::iTop)) / 10,
                    row.mm.y(), 0.01);
    }
}

// The formats' table agrees with itself: the layout's report pixels (at the report's zoom
// of 140 and 96 pixels per inch) are the named millimetres within the per cent that whole
// pixels of 0.189 mm give, and the composed picture items are the millimetres exactly.
TEST_F(SheetComposerTest, EveryFormatsSizesAgree) {
    const double reportPixelsPerMm = 96 / 25.4 * 1.4;
    for (int code = 0; code < 3; ++code) {
        SCOPED_TRACE(code);
        TCoverDesign d;
        d.frontFormat = static_cast<TFrontFormat>(code);
        d.rearFormat = static_cast<TRearFormat>(code);
        const std::unique_ptr<Tpreview> sheet = ComposeSheet(d, TCoverOutput::Print);
        for (const auto& [format, item] : {std::pair{FrontFormat(d.frontFormat), sheet->RpImage1},
                                           std::pair{RearFormat(d.rearFormat), sheet->RpImage2}}) {
            EXPECT_NEAR(format.reportPixels.width() / reportPixelsPerMm, format.millimetres.width(),
                        0.01 * format.millimetres.width());
            EXPECT_NEAR(format.reportPixels.height() / reportPixelsPerMm,
                        format.millimetres.height(), 0.01 * format.millimetres.height());
            const TRpPrintableSize* size = item->Size();
            EXPECT_NEAR(static_cast<double>(size->NativeValue(TRpPrintableSize::iWidth)),
                        format.millimetres.width() * 10, 0.01);
            EXPECT_NEAR(static_cast<double>(size->NativeValue(TRpPrintableSize::iHeight)),
                        format.millimetres.height() * 10, 0.01);
        }
    }
    EXPECT_THROW(FrontFormat(static_cast<TFrontFormat>(3)), Exception);
}

// What the composer gives the items, in preview and print: fonts at 2.12 times their
// screen size (8 -> 17, 10 -> 21), a blank for an empty turned caption in preview only,
// the lines one for one, none for lines that hold no text.
TEST_F(SheetComposerTest, ItemsTakeTheDesignsTextsAndScaledFonts) {
    TCoverDesign d;
    d.frontFormat = TFrontFormat::Single;
    d.rearFormat = TRearFormat::WithBands;
    d.rearFont.size = 10;
    d.frontLines = {QStringLiteral("uno"), QStringLiteral("due"), QStringLiteral("tre")};
    d.rearLines = {QString(), QStringLiteral("  ")};
    for (TCoverOutput output : {TCoverOutput::Preview, TCoverOutput::Print}) {
        const bool print = output == TCoverOutput::Print;
        SCOPED_TRACE(print);
        const std::unique_ptr<Tpreview> s = ComposeSheet(d, output);
        EXPECT_EQ(s->RpLabel1->Font()->Size(), 17);
        EXPECT_EQ(s->Labelrp1->Font()->Size(), 17);
        EXPECT_EQ(s->Labelrp2->Font()->Size(), 17);
        EXPECT_EQ(s->RpMemo1->Font()->Size(), 17);
        EXPECT_EQ(s->RpLabel1->Caption(), QStringLiteral(" "));
        EXPECT_EQ(s->Labelrp1->Caption(), print ? QString() : QStringLiteral(" "));
        EXPECT_EQ(s->Labelrp2->Caption(), print ? QString() : QStringLiteral(" "));
        EXPECT_EQ(s->RpMemo1->Lines()->List(), d.frontLines);
        EXPECT_EQ(s->RpMemo2->Lines()->Count(), 0);
    }
    d.rearLines = {QStringLiteral("Tracce")};
    EXPECT_EQ(ComposeSheet(d, TCoverOutput::Preview)->RpMemo2->Font()->Size(), 21);
}

} // namespace
