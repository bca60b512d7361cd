// Panels, radio groups, picture controls and glyph buttons built from layouts, checked
// on their painted pixels and driven with the mouse.
#include "framework/widgets/ExtCtrls.h"
#include "framework/widgets/Buttons.h"
#include "framework/graphics/DeviceContext.h"
#include "support/FormTestSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QTest>

namespace {

class TExtForm : public TForm {
    Q_OBJECT
public:
    using TForm::TForm;
    QStringList log;

    Q_INVOKABLE void RadioGroup1Click(TObject* Sender) {
        log << QStringLiteral("click %1").arg(qobject_cast<TRadioGroup*>(Sender)->ItemIndex());
    }
    Q_INVOKABLE void frontClick(TObject*) { log << QStringLiteral("front"); }
    Q_INVOKABLE void frontMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
        log << QStringLiteral("down %1 %2,%3").arg(Button).arg(X).arg(Y);
    }
    Q_INVOKABLE void BitBtn3Click(TObject*) { log << QStringLiteral("exit"); }
};

const char* kLayout = R"(
object Form1: TExtForm
  ClientWidth = 560
  ClientHeight = 300
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  object Panel1: TPanel
    Left = 4
    Top = 24
    Width = 120
    Height = 60
    Caption = 'Clicca qui'
    object front: TImage
      Align = alClient
      Stretch = True
      Cursor = crHandPoint
      OnClick = frontClick
      OnMouseDown = frontMouseDown
    end
  end
  object RadioGroup1: TRadioGroup
    Left = 0
    Top = 100
    Width = 529
    Height = 41
    Caption = 'Selezione tipo testo'
    Columns = 2
    ItemIndex = 0
    Items.Strings = (
      'Una riga'
      'Multi righe')
    OnClick = RadioGroup1Click
  end
  object BitBtn3: TBitBtn
    Left = 448
    Top = 200
    Width = 97
    Height = 49
    Caption = 'Uscita'
    Glyph.Data = file 'glyph-exit.png'
    OnClick = BitBtn3Click
  end
  object CloseButton: TBitBtn
    Left = 300
    Top = 200
    Kind = bkClose
  end
  object OkButton: TBitBtn
    Left = 200
    Top = 200
    Caption = 'Va bene'
    Kind = bkOK
  end
end
)";

QImage Grab(TControl* c) {
    return c->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb Rgb(TColor c) {
    return ToQColor(c).rgb();
}

class ExtCtrlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = MakeForm<TExtForm>(kLayout);
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
        panel = Find<TPanel>(form.get(), "Panel1");
        front = Find<TImage>(form.get(), "front");
        group = Find<TRadioGroup>(form.get(), "RadioGroup1");
    }
    std::unique_ptr<TExtForm> form;
    TPanel* panel = nullptr;
    TImage* front = nullptr;
    TRadioGroup* group = nullptr;
};

TEST_F(ExtCtrlsTest, PanelDrawsAOnePixelRaisedBevelAndItsCaptionCentred) {
    const QImage image = Grab(panel);
    ASSERT_EQ(image.size(), QSize(120, 60));
    const QRgb light = Rgb(clBtnHighlight), dark = Rgb(clBtnShadow), face = Rgb(clBtnFace);
    ASSERT_NE(light, dark);
    // Top and left edges light, bottom and right edges (with those corners) dark.
    for (QPoint p : {QPoint(0, 0), QPoint(0, 30), QPoint(0, 58), QPoint(60, 0), QPoint(118, 0)})
        EXPECT_EQ(image.pixel(p), light) << p.x() << "," << p.y();
    for (QPoint p :
         {QPoint(119, 0), QPoint(119, 30), QPoint(119, 59), QPoint(60, 59), QPoint(0, 59)})
        EXPECT_EQ(image.pixel(p), dark) << p.x() << "," << p.y();
    EXPECT_EQ(image.pixel(1, 1), face);
    EXPECT_EQ(image.pixel(118, 58), face);

    // No picture yet: the caption shows through the picture control, centred.
    const QRect ink = InkBox(image.copy(2, 2, 116, 56), face, 60).translated(2, 2);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.center().x(), 60, 2);
    EXPECT_NEAR(ink.center().y(), 30, 2);
    EXPECT_LE(ink.width(), 116) << "caption does not fit";

    // The aligned picture fills the panel inside its bevel.
    EXPECT_EQ(front->BoundsRect(), QRect(1, 1, 118, 58));
    panel->SetBevelWidth(3);
    EXPECT_EQ(front->BoundsRect(), QRect(3, 3, 114, 54));
}

TEST_F(ExtCtrlsTest, PictureStretchesOverTheWholeControl) {
    QImage picture(4, 2, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    for (int y = 0; y < 2; ++y)
        picture.setPixel(3, y, qRgb(0, 255, 0));
    TBitmap bitmap;
    bitmap.SetImage(picture);
    front->Picture()->SetGraphic(&bitmap);
    EXPECT_EQ(front->Picture()->Width(), 4);
    // The control keeps its own copy.
    bitmap.SetSize(1, 1);
    EXPECT_EQ(front->Picture()->Width(), 4);

    const QImage image = Grab(panel);
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(88, 57), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(90, 1), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(118, 58), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(0, 0), Rgb(clBtnHighlight));
    EXPECT_EQ(image.pixel(119, 59), Rgb(clBtnShadow));

    front->SetStretch(false);
    front->SetCenter(true);
    EXPECT_EQ(front->DestRect(), QRect(57, 28, 4, 2));

    QTest::mouseClick(front->Widget(), Qt::LeftButton, {}, QPoint(10, 12));
    QTest::mouseClick(front->Widget(), Qt::RightButton, {}, QPoint(3, 4));
    EXPECT_EQ(form->log, QStringList({"down 0 10,12", "front", "down 1 3,4"}));
    EXPECT_EQ(front->Widget()->cursor().shape(), Qt::PointingHandCursor);
    // A hint of several lines shows them as a tool tip.
    front->SetShowHint(true);
    front->SetHint(QStringLiteral(
        "Premere il tasto sinistro del mouse \r\nper posizionare la riga di testo "));
    EXPECT_EQ(
        front->Widget()->toolTip(),
        QStringLiteral("Premere il tasto sinistro del mouse \nper posizionare la riga di testo "));
}

TEST_F(ExtCtrlsTest, PictureLoadsByExtensionAndKeepsItsOldPictureWhenLoadingFails) {
    const QString dir = TestTempDir();
    QImage picture(6, 3, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(dir + QStringLiteral("/Cover.BMP"), "BMP"));

    front->SetAutoSize(true);
    front->SetAlign(TControlEnums::alNone);
    front->Picture()->LoadFromFile(dir + QStringLiteral("/Cover.BMP"));
    EXPECT_TRUE(qobject_cast<TBitmap*>(front->Picture()->Graphic()));
    EXPECT_EQ(front->Picture()->Width(), 6);
    EXPECT_EQ(front->BoundsRect().size(), QSize(6, 3));

    auto message = [&](const QString& name) {
        try {
            front->Picture()->LoadFromFile(name);
        } catch (const Exception& e) {
            return e.Message();
        }
        return QStringLiteral("no error");
    };
    EXPECT_EQ(message(dir + QStringLiteral("/cover.xyz")),
              QStringLiteral("Unknown picture file extension (.xyz)"));
    const QString missing = dir + QStringLiteral("/missing.bmp");
    EXPECT_EQ(message(missing), QStringLiteral("Cannot open file %1").arg(missing));
    QFile junk(dir + QStringLiteral("/junk.bmp"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture at all");
    junk.close();
    EXPECT_EQ(message(junk.fileName()), QStringLiteral("Bitmap image is not valid"));
    EXPECT_EQ(front->Picture()->Width(), 6);
    EXPECT_EQ(front->BoundsRect().size(), QSize(6, 3));
}

TEST_F(ExtCtrlsTest, RadioGroupReportsEveryChangeOfItsChoice) {
    EXPECT_TRUE(form->log.isEmpty()) << "reading the layout clicked";
    EXPECT_EQ(group->ItemIndex(), 0);
    QAbstractButton* one = group->Button(0);
    QAbstractButton* two = group->Button(1);
    ASSERT_TRUE(one && two);
    EXPECT_EQ(two->text(), QStringLiteral("Multi righe"));
    // Two columns side by side below the caption.
    EXPECT_EQ(one->geometry().x(), 8);
    EXPECT_EQ(two->geometry().x(), 8 + 259);
    EXPECT_EQ(one->geometry().width(), 259);
    EXPECT_EQ(one->geometry().top(), two->geometry().top());
    EXPECT_LE(one->geometry().bottom(), 40);

    QTest::mouseClick(two, Qt::LeftButton, {}, QPoint(6, two->height() / 2));
    EXPECT_EQ(form->log, QStringList({"click 1"}));
    EXPECT_TRUE(two->isChecked());
    EXPECT_FALSE(one->isChecked());
    QTest::mouseClick(two, Qt::LeftButton, {}, QPoint(6, two->height() / 2));
    EXPECT_EQ(form->log.size(), 1);

    group->SetItemIndex(0);
    EXPECT_EQ(form->log, QStringList({"click 1", "click 0"}));
    EXPECT_TRUE(one->isChecked());
    group->SetItemIndex(5);
    EXPECT_EQ(group->ItemIndex(), 1);

    group->SetEnabled(false);
    EXPECT_FALSE(one->isEnabled());
}

TEST_F(ExtCtrlsTest, GlyphButtonsTakeTheirKindsCaptionResultAndGlyph) {
    auto* close = Find<TBitBtn>(form.get(), "CloseButton");
    EXPECT_EQ(close->Caption(), QStringLiteral("&Close"));
    EXPECT_EQ(close->ModalResult(), mrNone);
    EXPECT_FALSE(close->GlyphImage(true, false).isNull());
    auto* ok = Find<TBitBtn>(form.get(), "OkButton");
    EXPECT_EQ(ok->Caption(), QStringLiteral("Va bene"));
    EXPECT_EQ(ok->ModalResult(), mrOk);
    EXPECT_TRUE(ok->Default());
    ok->SetKind(TButtonsEnums::bkCancel);
    EXPECT_EQ(ok->Caption(), QStringLiteral("Cancel"));

    // The layout's glyph sits left of the caption, the two centred together.
    auto* exit = Find<TBitBtn>(form.get(), "BitBtn3");
    EXPECT_EQ(exit->Glyph()->Width(), 32);
    QRect glyph, caption;
    exit->LayoutFace(QRect(0, 0, 97, 49), QSize(32, 32), QSize(30, 13), glyph, caption);
    EXPECT_EQ(glyph, QRect(15, 8, 32, 32));
    EXPECT_EQ(caption, QRect(51, 18, 30, 13));

    QTest::mouseClick(exit->Widget(), Qt::LeftButton);
    EXPECT_EQ(form->log, QStringList({"exit"}));

    // Closing: the window goes away.
    QTest::mouseClick(close->Widget(), Qt::LeftButton);
    EXPECT_FALSE(form->Visible());
}

TEST_F(ExtCtrlsTest, GlyphWithoutAlphaLeavesOutItsBottomLeftColour) {
    auto* exit = Find<TBitBtn>(form.get(), "BitBtn3");
    QImage bmp(16, 16, QImage::Format_RGB32);
    bmp.fill(qRgb(255, 0, 255));
    for (int y = 2; y < 14; ++y)
        for (int x = 2; x < 14; ++x)
            bmp.setPixel(x, y, qRgb(255, 0, 0));
    TBitmap bitmap;
    bitmap.SetImage(bmp);
    exit->Glyph()->SetGraphic(&bitmap);
    const QImage face = Grab(exit);
    EXPECT_EQ(CountPixels(face, face.rect(), qRgb(255, 0, 255), 10), 0);
    const int red = CountPixels(face, face.rect(), qRgb(255, 0, 0), 10);
    EXPECT_EQ(red, 144);
    EXPECT_GT(CountPixels(face, QRect(0, 0, 48, 49), qRgb(255, 0, 0), 10), 140)
        << "glyph not on the left";
    // Disabled: greyed, no red left.
    exit->SetEnabled(false);
    const QImage grey = Grab(exit);
    EXPECT_EQ(CountPixels(grey, grey.rect(), qRgb(255, 0, 0), 40), 0);
}

} // namespace

#include "ExtCtrlsTest.moc"
