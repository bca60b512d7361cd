// The rotated label: snapping to eight directions, the turned bounding box and text origin
// against the text as the screen measures it, repaints, and where the ink lands.
#include "controls/antAngleLabel.h"

#include "framework/core/Reader.h"
#include "framework/widgets/Forms.h"
#include "support/TestSupport.h"

#include <QFontDatabase>
#include <QTest>
#include <climits>
#include <memory>

namespace {

class AngleLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        form->SetBorderStyle(TFormEnums::bsNone);
        form->SetBounds(0, 0, 300, 300);
        form->SetColor(clWhite);
        label = new TantAngleLabel(form.get());
        label->SetParent(form.get());
    }

    void ShowForm() {
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
        Settle();
    }
    static void Settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    // What the label shows, cut out of its window.
    QImage Shot() {
        label->Repaint();
        return form->Widget()
            ->grab(label->BoundsRect())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    std::unique_ptr<TForm> form;
    TantAngleLabel* label = nullptr;
};

TEST_F(AngleLabelTest, NewLabelIsArial14AtEastTransparentAndOneSpaceLarge) {
    EXPECT_EQ(label->Angle(), 0);
    EXPECT_EQ(label->AngleDirection(), adEast);
    EXPECT_EQ(label->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(label->Font()->Size(), 14);
    EXPECT_TRUE(label->Transparent());
    EXPECT_EQ(label->TextOrigin(), QPoint(0, 0));
    // 14 points at 96 per inch are 19 pixels: a space of 569/2048 em is 5 wide, and the
    // cell of Arial (Liberation Sans) at 19 pixels is 22 high.
    EXPECT_EQ(QSize(label->Width(), label->Height()), QSize(5, 22));
}

TEST_F(AngleLabelTest, AnglesSnapToTheNearestDirection) {
    // Ordinal = ((a + 23) mod 360) div 45 after taking a negative a as 360 - (-a mod 360).
    const struct {
        int written;
        TantAngleDirection direction;
    } cases[] = {
        {0, adEast},
        {21, adEast},
        {22, adNothEast},
        {30, adNothEast},
        {66, adNothEast},
        {67, adNoth},
        {100, adNoth},
        {135, adNothWest},
        {180, adWest},
        {225, adSouthWest},
        {-90, adSouth},
        {270, adSouth},
        {336, adSouthEast},
        {-45, adSouthEast},
        {337, adEast},
        {359, adEast},
        {360, adEast},
        {-360, adEast},
        {405, adNothEast},
        {-1, adEast},
        {-23, adEast},
        {-24, adSouthEast},
        // The extremes of the integer range snap like any other value (no overflow).
        {INT_MIN, adSouthWest},
        {INT_MAX, adNothWest},
    };
    for (const auto& c : cases) {
        label->SetAngle(c.written);
        EXPECT_EQ(label->AngleDirection(), c.direction) << "angle " << c.written;
        EXPECT_EQ(label->Angle(), c.direction * 45) << "angle " << c.written;
    }
    label->SetAngleDirection(adSouth);
    EXPECT_EQ(label->Angle(), 270);
}

TEST_F(AngleLabelTest, TurnedBoxAndOriginFollowTheMeasuredText) {
    label->Font()->SetName(QStringLiteral("Times New Roman"));
    label->Font()->SetHeight(-11);
    label->SetCaption(QStringLiteral("Sleevane cover"));
    label->SetBounds(10, 20, label->Width(), label->Height());
    // Liberation Serif's advances in 2048ths of an em, at 11 pixels: S 1139, l 569,
    // e 909 (x4), v 1024 (x2), a 909, n 1024, space 512, c 909, o 1024, r 682 make 67.4
    // pixels, 67 wide; the cell of Times New Roman at 11 pixels is 14 high.
    const int w = 67, h = 14, fh = -11;
    // The diagonal box is a square of the font height plus the text's run at 45 degrees.
    const int s = 11 + RoundInt(w * 0.7071067L);
    const struct {
        TantAngleDirection direction;
        QSize size;
        QPoint origin;
    } table[] = {
        {adEast, {w, h}, {0, 0}},
        {adNothEast, {s, s}, {0, s + fh}}, // |FH| above the bottom-left corner
        {adNoth, {h, w}, {0, w}},          // reads upwards from the bottom
        {adNothWest, {s, s}, {s + fh, s}}, // |FH| left of the bottom-right corner
        {adWest, {w, h}, {w, h}},          // upside down from the bottom-right corner
        {adSouthWest, {s, s}, {s, -fh}},   // |FH| below the top-right corner
        {adSouth, {h, w}, {h, 0}},         // reads downwards from the top-right corner
        {adSouthEast, {s, s}, {-fh, 0}},   // |FH| right of the top-left corner
    };
    for (const auto& row : table) {
        label->SetAngleDirection(row.direction);
        EXPECT_EQ(QSize(label->Width(), label->Height()), row.size)
            << "direction " << row.direction;
        EXPECT_EQ(label->TextOrigin(), row.origin) << "direction " << row.direction;
        EXPECT_EQ(QPoint(label->Left(), label->Top()), QPoint(10, 20)) << "the position stays";
    }
}

TEST_F(AngleLabelTest, MeasuringStartsAtTheGivenCorner) {
    label->SetCaption(QStringLiteral("Band"));
    label->SetAngleDirection(adSouth);
    // Arial at 19 pixels: B 1366, a, n, d 1139 each of 2048 make 44.4 pixels; cell 22.
    QRect r(5, 7, 100, 100);
    label->CalcRotatedBounds(r);
    EXPECT_EQ(r, QRect(5, 7, 22, 44));
    EXPECT_EQ(label->TextOrigin(), QPoint(5 + 22, 7));
}

TEST_F(AngleLabelTest, EmptyCaptionMeasuresAsOneSpace) {
    label->Font()->SetName(QStringLiteral("Times New Roman"));
    label->Font()->SetHeight(-11);
    // A space of Times New Roman at 11 pixels: 512/2048 em is 2.75, 3 wide; the cell is
    // 14 high, as the system measures that face.
    const QSize space(3, 14);
    EXPECT_EQ(QSize(label->Width(), label->Height()), space);
    label->SetAngle(90);
    EXPECT_EQ(QSize(label->Width(), label->Height()), space.transposed());
    label->SetAngle(270);
    EXPECT_EQ(QSize(label->Width(), label->Height()), space.transposed());
    // A lone accelerator prefix would measure as nothing: it counts as a space too.
    label->SetAngle(0);
    label->SetCaption(QStringLiteral("&"));
    EXPECT_EQ(QSize(label->Width(), label->Height()), space);
}

TEST_F(AngleLabelTest, RepaintsOnlyWhenWhatItShowsChanges) {
    label->SetCaption(QStringLiteral("Retro"));
    label->SetAngle(90);
    ShowForm();
    const int start = label->PaintCount();
    ASSERT_GT(start, 0);

    label->SetAngle(100); // same direction: nothing happens
    Settle();
    EXPECT_EQ(label->PaintCount(), start);

    label->Font()->SetColor(clRed); // colour only: the caller asks for the repaint
    Settle();
    EXPECT_EQ(label->PaintCount(), start);
    EXPECT_GT(CountPixels(Shot(), QRect(0, 0, 100, 100), qRgb(255, 0, 0), 80), 0);

    const int afterShot = label->PaintCount();
    label->Font()->SetSize(20); // new size, new bounds: repaints by itself
    Settle();
    EXPECT_GT(label->PaintCount(), afterShot);

    const int beforeTurn = label->PaintCount();
    label->SetAngle(180);
    Settle();
    EXPECT_GT(label->PaintCount(), beforeTurn);

    const int beforeCaption = label->PaintCount();
    label->SetCaption(QStringLiteral("Fronte"));
    Settle();
    EXPECT_GT(label->PaintCount(), beforeCaption);
}

// Ink of a dark caption on white: where its heavy start and its baseline dots lie.
struct InkLayout {
    QRect box;
    QPointF heavy; // centre of the capital letters
    QPointF dots;  // centre of the full stops
};

InkLayout Locate(const QImage& img, bool vertical, bool startFirst) {
    InkLayout out;
    out.box = InkBox(img, qRgb(255, 255, 255), 100);
    // Split the box along the text's run: the first part holds "MMMM", the other the dots.
    double sx[2] = {0, 0}, sy[2] = {0, 0}, n[2] = {0, 0};
    const QRect b = out.box;
    for (int y = b.top(); y <= b.bottom(); ++y)
        for (int x = b.left(); x <= b.right(); ++x) {
            if (qGray(img.pixel(x, y)) > 155) continue;
            const double along =
                vertical ? double(y - b.top()) / b.height() : double(x - b.left()) / b.width();
            const int part = (along < 0.5) == startFirst ? 0 : 1;
            sx[part] += x, sy[part] += y, n[part] += 1;
        }
    if (n[0] > 0) out.heavy = {sx[0] / n[0], sy[0] / n[0]};
    if (n[1] > 0) out.dots = {sx[1] / n[1], sy[1] / n[1]};
    return out;
}

TEST_F(AngleLabelTest, TurnedTextReadsTheRightWayRound) {
    label->Font()->SetColor(clBlack);
    label->Font()->SetHeight(-24);
    label->SetCaption(QStringLiteral("MMMM......"));
    label->SetLeft(20);
    label->SetTop(20);
    ShowForm();

    const QImage east = Shot();
    const InkLayout e = Locate(east, false, true);
    const int inkEast = CountPixels(east, east.rect(), qRgb(0, 0, 0), 100);
    ASSERT_GT(inkEast, 100);
    EXPECT_LT(e.heavy.x(), e.dots.x());
    EXPECT_LT(e.heavy.y(), e.dots.y()); // dots sit on the baseline, below the letters' centre

    // 90 degrees: starts at the bottom-left and reads upwards, letter tops to the left.
    label->SetAngle(90);
    const QImage north = Shot();
    const InkLayout n = Locate(north, true, false);
    EXPECT_GT(n.heavy.y(), n.dots.y());
    EXPECT_GT(n.dots.x(), n.heavy.x());
    EXPECT_NEAR(CountPixels(north, north.rect(), qRgb(0, 0, 0), 100), inkEast, inkEast / 4);
    EXPECT_LE(n.box.bottom(), north.height() - 1);

    // 270 degrees: starts at the top-right and reads downwards, letter tops to the right.
    label->SetAngle(270);
    const QImage south = Shot();
    const InkLayout s = Locate(south, true, true);
    EXPECT_LT(s.heavy.y(), s.dots.y());
    EXPECT_LT(s.dots.x(), s.heavy.x());
    EXPECT_NEAR(CountPixels(south, south.rect(), qRgb(0, 0, 0), 100), inkEast, inkEast / 4);

    // 180 degrees: starts at the bottom-right, upside down.
    label->SetAngle(180);
    const QImage west = Shot();
    const InkLayout w = Locate(west, false, false);
    EXPECT_GT(w.heavy.x(), w.dots.x());
    EXPECT_GT(w.heavy.y(), w.dots.y());
    EXPECT_NEAR(CountPixels(west, west.rect(), qRgb(0, 0, 0), 100), inkEast, inkEast / 4);

    // The diagonals keep the whole text inside the square.
    for (int angle : {45, 135, 225, 315}) {
        label->SetAngle(angle);
        const QImage diag = Shot();
        EXPECT_NEAR(CountPixels(diag, diag.rect(), qRgb(0, 0, 0), 100), inkEast, inkEast / 3)
            << "angle " << angle;
    }
}

TEST_F(AngleLabelTest, TurnedFontKeepsStylesButNotTheCharacterSet) {
    label->Font()->SetName(QStringLiteral("Times New Roman"));
    label->Font()->SetHeight(-15);
    label->Font()->SetStyle(TFont::fsBold | TFont::fsItalic | TFont::fsUnderline |
                            TFont::fsStrikeOut);
    label->Font()->SetCharset(204);
    label->SetAngle(135);
    EXPECT_FALSE(label->RotatedFont());
    label->CreateRotatedFont();
    const HFONT first = label->RotatedFont();
    ASSERT_TRUE(first);
    const LOGFONT& lf = first->logFont;
    EXPECT_EQ(lf.lfHeight, -15);
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfEscapement, 1350);
    EXPECT_EQ(lf.lfOrientation, 0);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfStrikeOut, 1);
    EXPECT_EQ(lf.lfCharSet, ANSI_CHARSET);
    EXPECT_EQ(lf.lfOutPrecision, 0);
    EXPECT_EQ(lf.lfPitchAndFamily, 0);
    EXPECT_EQ(lf.FaceName(), QStringLiteral("Times New Roman"));
    EXPECT_TRUE(first->qfont.bold() && first->qfont.italic() && first->qfont.underline() &&
                first->qfont.strikeOut());

    // A plain font turns plain; each creation replaces the previous font.
    label->Font()->SetStyle({});
    label->CreateRotatedFont();
    EXPECT_NE(label->RotatedFont(), first);
    EXPECT_EQ(label->RotatedFont()->logFont.lfWeight, FW_NORMAL);
    EXPECT_EQ(label->RotatedFont()->logFont.lfItalic, 0);
}

TEST_F(AngleLabelTest, PaintMakesAFreshTurnedFontEachTime) {
    label->SetCaption(QStringLiteral("x"));
    label->SetAngle(45);
    ShowForm();
    const HFONT first = label->RotatedFont();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->logFont.lfEscapement, 450);
    label->Repaint();
    EXPECT_NE(label->RotatedFont(), first);
}

TEST_F(AngleLabelTest, LayoutSetsAngleThenDirectionAndSizesAtTheEnd) {
    RegisterAngleLabelClasses();
    TForm layoutForm(nullptr);
    TLayoutReader::Read(&layoutForm,
                        QStringLiteral("object Form9: TForm\n"
                                       "  object Labelr1: TantAngleLabel\n"
                                       "    Left = 2\n"
                                       "    Top = 0\n"
                                       "    Width = 14\n"
                                       "    Height = 3\n"
                                       "    Angle = 90\n"
                                       "    AngleDirection = adNoth\n"
                                       "    Font.Height = -11\n"
                                       "    Font.Name = 'Arial'\n"
                                       "    Transparent = True\n"
                                       "  end\n"
                                       "end\n"),
                        QStringLiteral("angle.lay"));
    auto* r1 = qobject_cast<TantAngleLabel*>(layoutForm.FindComponent(QStringLiteral("Labelr1")));
    ASSERT_NE(r1, nullptr);
    EXPECT_EQ(r1->Angle(), 90);
    EXPECT_EQ(r1->AngleDirection(), adNoth);
    ASSERT_TRUE(r1->RotatedFont());
    EXPECT_EQ(r1->RotatedFont()->logFont.lfEscapement, 900);
    EXPECT_EQ(r1->RotatedFont()->logFont.lfHeight, -11);
    label->Font()->Assign(r1->Font());
    // A space of Arial at 11 pixels is 3 wide (569/2048 em), the cell 14 high: turned,
    // the band label is 14 x 3.
    EXPECT_EQ(QSize(r1->Width(), r1->Height()), QSize(14, 3));
    EXPECT_EQ(QPoint(r1->Left(), r1->Top()), QPoint(2, 0));
}

} // namespace

// A face of bitmaps alone cannot be turned: the label shows the face that prints in its
// stead, and keeps an outline face as it is.
TEST_F(AngleLabelTest, ABitmapFaceShowsAsTheFaceThatPrints) {
    const int id =
        QFontDatabase::addApplicationFont(TestData(QStringLiteral("fonts/bitmap-only.bdf")));
    ASSERT_GE(id, 0);
    const QString bitmapFace = QFontDatabase::applicationFontFamilies(id).value(0);
    label->SetAngle(90);
    for (const auto& [face, shown] :
         {std::pair{bitmapFace, QStringLiteral("Arial")},
          std::pair{QStringLiteral("URW Gothic"), QStringLiteral("URW Gothic")}}) {
        label->Font()->SetName(face);
        label->CreateRotatedFont();
        EXPECT_EQ(label->RotatedFont()->logFont.FaceName(), shown);
    }
    QFontDatabase::removeApplicationFont(id);
}
