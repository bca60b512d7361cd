// Items drawn on the screen, as the report shows them when it is displayed as a window:
// the memo's lines, the turned label and the picture, grabbed from their widgets.
#include "ItemsSupport.h"

#include <QWidget>

class ItemPaintTest : public ItemsTest {
protected:
    void SetUp() override {
        ItemsTest::SetUp();
        report = NewReport();
        band = NewBand(report, 100);
    }
    static QImage Grab(TControl* item) {
        item->HandleNeeded();
        return item->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    TReport* report = nullptr;
    TRpBand* band = nullptr;
};

TEST_F(ItemPaintTest, MemoShowsItsLinesOneBelowTheOther) {
    auto* memo = NewItem<TRpMemo>(band, 0, 0, 60, 30);
    memo->SetAutoSize(false);
    memo->Font()->SetName(QStringLiteral("Courier New"));
    memo->Font()->SetHeight(-20);
    memo->Lines()->SetList({"WWW", "WW", "W"});
    const QImage image = Grab(memo);
    // Corner marks aside (the outer four pixels), three rows of text.
    const std::vector<TInkRun> rows = InkRows(image, image.rect().adjusted(5, 5, -5, -5));
    ASSERT_EQ(rows.size(), 3u);
    // "WWW", "WW" and "W" in cells of 12 pixels: each row a cell shorter.
    int widths[3];
    for (int i = 0; i < 3; ++i)
        widths[i] = DarkBox(image, QRect(0, rows[i].top, image.width() - 5,
                                         1 + rows[i].bottom - rows[i].top))
                        .width();
    EXPECT_NEAR(widths[0] - widths[1], 12, 1);
    EXPECT_NEAR(widths[1] - widths[2], 12, 1);
}

TEST_F(ItemPaintTest, TurnedLabelReadsUpwardsAtNinetyDegrees) {
    auto* label = new TRpAngledLabel(form.get());
    label->SetParent(band);
    label->HandleNeeded();
    label->Font()->SetHeight(-20);
    label->SetCaption(QStringLiteral("WWWW........"));
    label->SetAngle(90);
    label->SetTransparent(true);
    const QImage image = Grab(label);
    ASSERT_EQ(image.size(), QSize(label->Width(), label->Height()));
    const QRect inner = image.rect().adjusted(5, 5, -5, -5);
    const QRect ink = DarkBox(image, inner);
    ASSERT_FALSE(ink.isNull());
    EXPECT_GT(ink.height(), ink.width());
    const QRect top(ink.x(), ink.y(), ink.width(), ink.height() / 2);
    const QRect bottom(ink.x(), ink.y() + ink.height() / 2, ink.width(), ink.height() / 2);
    EXPECT_GT(DarkPixels(image, bottom), 2 * DarkPixels(image, top)); // it starts at the bottom
}

TEST_F(ItemPaintTest, PictureFillsTheItemWhenStretched) {
    auto* picture = NewItem<TRpImage>(band, 0, 0, 20, 20);
    QImage red(10, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    TBitmap bitmap;
    bitmap.SetImage(red);
    picture->Picture()->SetGraphic(&bitmap);
    picture->SetStretch(true);
    const QImage image = Grab(picture);
    // All but the corner marks is red.
    const QRect inner = image.rect().adjusted(5, 5, -5, -5);
    EXPECT_EQ(CountPixels(image, inner, qRgb(255, 0, 0), 40), inner.width() * inner.height());
}

TEST_F(ItemPaintTest, CircleShapeStaysInsideItsCorners) {
    auto* shape = NewItem<TRpShape>(band, 0, 0, 30, 30);
    shape->SetShape(rpsCircle);
    shape->Brush()->SetColor(clBlue);
    NewBand(report, 10, rbSummary);
    RunPass(report);
    const QImage page = RenderKeptPage(report->RpPrinter(), 1);
    // 30 mm from native 100 to 400: pixels 38 to 151. The centre is blue, the corners
    // of the square are not.
    EXPECT_EQ(CountPixels(page, QRect(90, 90, 10, 10), qRgb(0, 0, 255), 40), 100);
    for (const QPoint corner : {QPoint(40, 40), QPoint(149, 40), QPoint(40, 149), QPoint(149, 149)})
        EXPECT_EQ(CountPixels(page, QRect(corner, QSize(4, 4)), qRgb(0, 0, 255), 40), 0);
}
