// The state-styled label: its descriptors, the state machine driven by real mouse events,
// its size with shadow and halo, and where the shadow and halo land on screen.
#include "controls/antLabel.h"

#include "framework/widgets/Forms.h"
#include "framework/core/Reader.h"
#include "framework/graphics/TextDraw.h"
#include "support/TestSupport.h"

#include <QCursor>
#include <QTest>
#include <functional>
#include <memory>

namespace {

class StateLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        QCursor::setPos(2000, 2000); // far from every window
        form = std::make_unique<TForm>(nullptr);
        form->SetBorderStyle(TFormEnums::bsNone);
        form->SetBounds(0, 0, 400, 200);
        form->SetColor(clWhite);
        label = new TantLabel(form.get());
        label->SetParent(form.get());
        label->SetBounds(40, 40, 10, 10);
        label->Font()->SetName(QStringLiteral("Arial"));
        label->Font()->SetHeight(-16);
        label->SetCaption(QStringLiteral("Morvent Production"));
        label->OnClick = [this](TObject*) { ++clicks; };
        label->OnMouseEnter = [this](TObject*) { ++enters; };
        label->OnMouseLeave = [this](TObject*) { ++leaves; };
    }

    void ShowForm() {
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
        Settle();
        MoveTo(QPoint(5, 5)); // the pointer starts over the window, away from the label
    }
    static void Settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    QWidget* Window() const { return form->Widget(); }
    QPoint Inside() const { return label->BoundsRect().center(); }
    QPoint Outside() const { return label->BoundsRect().bottomRight() + QPoint(40, 40); }

    // Through the window, as the platform delivers input: Qt routes to the widget under
    // the pointer, grabs it while the button is held and makes the enter and leave events.
    QWindow* Handle() const { return Window()->windowHandle(); }
    void MoveTo(const QPoint& p) {
        QTest::mouseMove(Handle(), p);
        Settle();
    }
    void Press(const QPoint& p) {
        QTest::mousePress(Handle(), Qt::LeftButton, {}, p);
        Settle();
    }
    void Release(const QPoint& p) {
        QTest::mouseRelease(Handle(), Qt::LeftButton, {}, p);
        Settle();
    }
    void DragTo(const QPoint& p) { MoveTo(p); } // the test keeps the pressed button

    QSize Measured(const QString& text) {
        TCanvas canvas(ScreenMeasuringDC());
        canvas.Font()->Assign(label->Font());
        canvas.RequireFont();
        QRect r(0, 0, 0, 0);
        DrawText(canvas.Handle(), text, r, DT_CALCRECT | DT_EXPANDTABS);
        return r.size();
    }
    QImage Shot() {
        label->Repaint();
        return Window()->grab(label->BoundsRect()).toImage().convertToFormat(QImage::Format_RGB32);
    }

    std::unique_ptr<TForm> form;
    TantLabel* label = nullptr;
    int clicks = 0, enters = 0, leaves = 0;
};

TEST_F(StateLabelTest, DescriptorsPickTheCurrentStateAndNotifyOnlyOnChange) {
    int notified = 0;
    TantRunTimeColorDesc d(nullptr, clBlack, clBlue, clRed, clGray, [&] { ++notified; });
    const TColor expected[] = {clBlack, clBlue, clRed, clGray, clBlack};
    for (uint8_t s = 0; s < 5; ++s) {
        d.SetState(s);
        EXPECT_EQ(d.CurrentValue(), expected[s]) << "state " << int(s);
    }
    EXPECT_EQ(notified, 0); // following the state tells nobody
    d.SetSelected(clBlue);
    EXPECT_EQ(notified, 0);
    d.SetSelected(clLime);
    EXPECT_EQ(notified, 1);
    TantRunTimeBooleanDesc b(nullptr, false, true, true, false, [&] { ++notified; });
    b.SetDisabled(true);
    EXPECT_EQ(notified, 2);
    TantRunTimeCursorDesc cursors(nullptr, crDefault, crHandPoint, crHandPoint, crDefault);
    cursors.SetActive(crCross);
    cursors.SetState(lsActive);
    EXPECT_EQ(cursors.CurrentValue(), crCross);
}

TEST_F(StateLabelTest, HoverPressAndReleaseInsideGiveSelectedActiveSelectedAndAClick) {
    ShowForm();
    MoveTo(Inside());
    EXPECT_EQ(label->State(), lsSelected);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(label->Font()->Color(), clBlue);
    EXPECT_TRUE(label->Font()->HasStyle(fsUnderline));
    EXPECT_TRUE(label->HighLight()->CurrentValue());
    EXPECT_EQ(label->HighLightColor()->CurrentValue(), clYellow);
    EXPECT_EQ(label->Cursor(), crHandPoint);
    EXPECT_EQ(label->Widget()->cursor().shape(), Qt::PointingHandCursor);

    Press(Inside());
    EXPECT_EQ(label->State(), lsActive);
    EXPECT_EQ(label->Font()->Color(), clRed);
    EXPECT_EQ(label->ColorBack()->CurrentValue(), clMaroon);
    EXPECT_EQ(label->HighLightColor()->CurrentValue(), clWhite);
    EXPECT_EQ(clicks, 0);

    Release(Inside());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(label->State(), lsSelected);

    MoveTo(Outside());
    EXPECT_EQ(label->State(), lsNormal);
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(label->Font()->Color(), clBlack);
    EXPECT_FALSE(label->Font()->HasStyle(fsUnderline));
    EXPECT_EQ(label->Widget()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(StateLabelTest, DraggingOutAndBackWhilePressedFollowsThePointer) {
    ShowForm();
    MoveTo(Inside());
    Press(Inside());
    ASSERT_EQ(label->State(), lsActive);

    DragTo(Outside());
    EXPECT_EQ(label->State(), lsSelected);
    EXPECT_FALSE(label->PointerInside());
    EXPECT_EQ(leaves, 1);

    DragTo(Inside());
    EXPECT_EQ(label->State(), lsActive);
    EXPECT_EQ(enters, 2);

    DragTo(Outside());
    Release(Outside());
    EXPECT_EQ(label->State(), lsNormal);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(leaves, 2); // Qt's own leave after the release is not a second one
}

TEST_F(StateLabelTest, ReleasingOutsideWithoutAMoveGivesNormalAndNoClick) {
    ShowForm();
    MoveTo(Inside());
    Press(Inside());
    Release(Outside());
    EXPECT_EQ(label->State(), lsNormal);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(label->ButtonDown());
}

TEST_F(StateLabelTest, DisabledLabelIgnoresTheMouse) {
    ShowForm();
    label->SetEnabled(false);
    EXPECT_EQ(label->State(), lsDisabled);
    EXPECT_EQ(label->Font()->Color(), clBtnShadow);
    MoveTo(Inside());
    Press(Inside());
    Release(Inside());
    EXPECT_EQ(label->State(), lsDisabled);
    EXPECT_EQ(clicks, 0);
    // Driven directly, the reactions still leave the state alone.
    label->MouseEnter();
    label->MouseDown(mbLeft, 0, 2, 2);
    label->MouseUp(mbLeft, 0, 2, 2);
    label->MouseLeave();
    EXPECT_EQ(label->State(), lsDisabled);

    label->SetEnabled(true);
    EXPECT_EQ(label->State(), lsNormal);
    EXPECT_EQ(label->Font()->Color(), clBlack);
}

TEST_F(StateLabelTest, InactiveLabelIsNeverSelectedButFallsBackToNormalOnLeave) {
    ShowForm();
    label->SetState(lsSelected);
    label->SetActive(false);
    EXPECT_EQ(label->State(), lsSelected); // switching Active leaves the state alone
    MoveTo(Inside());
    Press(Inside());
    EXPECT_EQ(label->State(), lsSelected);
    Release(Inside());
    EXPECT_EQ(clicks, 1); // still a click, only the looks stay
    MoveTo(Outside());
    EXPECT_EQ(label->State(), lsNormal);
    MoveTo(Inside());
    EXPECT_EQ(label->State(), lsNormal);
}

TEST_F(StateLabelTest, SizeIsTextPlusShadowAndHalo) {
    const QSize text = Measured(label->Caption());
    ASSERT_GT(text.width(), 50);
    // Halo 1 on each side and the shadow one further right and down.
    EXPECT_EQ(QSize(label->Width(), label->Height()), text + QSize(3, 3));
    EXPECT_EQ(QPoint(label->Left(), label->Top()), QPoint(40, 40));

    label->SetHighLightXDepth(-2); // a negative halo depth is ignored
    EXPECT_EQ(label->HighLightXDepth(), 1);
    EXPECT_EQ(label->Width(), text.width() + 3);
    label->SetHighLightXDepth(3);
    EXPECT_EQ(label->Width(), text.width() + 7);
    label->SetHighLightYDepth(-1);
    EXPECT_EQ(label->HighLightYDepth(), 1);
    label->SetHighLightXDepth(1);

    label->SetColor3dXDepth(-2); // shadow to the left: the text moves right instead
    EXPECT_EQ(label->Width(), text.width() + 4);
    label->SetColor3dXDepth(0);
    label->SetColor3dYDepth(0);
    EXPECT_EQ(QSize(label->Width(), label->Height()), text + QSize(2, 2));
    label->SetColor3d(false);
    label->SetColor3dXDepth(4);
    EXPECT_EQ(QSize(label->Width(), label->Height()), text + QSize(2, 2));

    label->SetCaption(QString());
    EXPECT_EQ(QSize(label->Width(), label->Height()), Measured(QStringLiteral(" ")) + QSize(2, 2));
}

TEST_F(StateLabelTest, RightAlignedLabelKeepsItsRightEdge) {
    label->SetAlignment(TControlEnums::taRightJustify);
    label->SetCaption(QStringLiteral("Production"));
    const int right = label->Left() + label->Width();
    label->SetCaption(QStringLiteral("Morvent Production Company"));
    EXPECT_EQ(label->Left() + label->Width(), right);
    EXPECT_EQ(label->Width(), Measured(label->Caption()).width() + 3);
}

TEST_F(StateLabelTest, AutoSizeOffKeepsTheBounds) {
    label->SetAutoSize(false);
    label->SetBounds(40, 40, 20, 30);
    label->SetCaption(QStringLiteral("A much longer caption than before"));
    EXPECT_EQ(QSize(label->Width(), label->Height()), QSize(20, 30));
}

// Pixels of a colour class: dark text, pure red shadow, pure green halo, on white. Each
// class starts at half coverage of an anti-aliased edge, so that copies of the same glyphs
// in different colours give boxes that compare exactly.
QRect BoxOf(const QImage& img, const std::function<bool(QRgb)>& is) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (is(img.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}
bool Dark(QRgb p) {
    return std::max({qRed(p), qGreen(p), qBlue(p)}) < 128;
}
bool Reddish(QRgb p) {
    return qRed(p) - qGreen(p) > 127 && qRed(p) - qBlue(p) > 127;
}
bool Greenish(QRgb p) {
    return qGreen(p) - qRed(p) > 127 && qGreen(p) - qBlue(p) > 127;
}

TEST_F(StateLabelTest, ShadowFallsBehindTheTextByItsDepth) {
    label->Font()->SetHeight(-40);
    label->SetCaption(QStringLiteral("HI"));
    label->ColorBack()->SetNormal(clRed);
    ShowForm();

    const QImage shadowed = Shot();
    const QRect text = BoxOf(shadowed, Dark), shadow = BoxOf(shadowed, Reddish);
    ASSERT_FALSE(text.isEmpty());
    ASSERT_FALSE(shadow.isEmpty());
    EXPECT_EQ(shadow.right(), text.right() + 1);
    EXPECT_EQ(shadow.bottom(), text.bottom() + 1);
    EXPECT_GT(shadow.left(), text.left());

    // The text itself stays where a plain label draws it.
    label->SetColor3d(false);
    const QImage plain = Shot();
    EXPECT_EQ(BoxOf(plain, Dark), text);
    EXPECT_TRUE(BoxOf(plain, Reddish).isEmpty());

    // A negative depth moves the text right and leaves the shadow on the left.
    label->SetColor3d(true);
    label->SetColor3dXDepth(-2);
    const QImage left = Shot();
    const QRect movedText = BoxOf(left, Dark), leftShadow = BoxOf(left, Reddish);
    EXPECT_EQ(movedText.left(), text.left() + 2);
    EXPECT_EQ(leftShadow.left(), movedText.left() - 2);
    EXPECT_EQ(leftShadow.bottom(), movedText.bottom() + 1);
}

TEST_F(StateLabelTest, HaloSurroundsTheTextInTheStatesThatAskForIt) {
    label->Font()->SetHeight(-40);
    label->SetCaption(QStringLiteral("HI"));
    label->SetColor3d(false);
    label->HighLightColor()->SetNormal(clLime);
    label->HighLightColor()->SetSelected(clLime);
    ShowForm();
    const QRect text = BoxOf(Shot(), Dark);
    EXPECT_TRUE(BoxOf(Shot(), Greenish).isEmpty()); // no halo in the normal state

    label->ColorFront()->SetSelected(clBlack);
    label->UnderLine()->SetSelected(false);
    label->SetState(lsSelected);
    const QRect halo = BoxOf(Shot(), Greenish);
    EXPECT_EQ(halo, text.adjusted(-1, -1, 1, 1));

    label->SetHighLightXDepth(3);
    const QRect wide = BoxOf(Shot(), Greenish);
    const QRect movedText = BoxOf(Shot(), Dark);
    EXPECT_EQ(movedText.left(), text.left() + 2); // the text keeps clear of the wider halo
    EXPECT_EQ(wide, movedText.adjusted(-3, -1, 3, 1));

    // Only the diagonal copies reach past the corner of the H's left stem; all eight
    // cover more than the four straight ones.
    label->SetHighLightXDepth(1);
    const QPoint corner = text.topLeft() - QPoint(1, 1);
    const auto greenness = [&](const QImage& img) {
        const QRgb p = img.pixel(corner);
        return qGreen(p) - qRed(p);
    };
    const QImage straight = Shot();
    label->SetHighLightStyle(hlsDiagonal);
    const QImage diagonal = Shot();
    EXPECT_GT(greenness(diagonal), greenness(straight) + 60);
    label->SetHighLightStyle(hlsFull);
    const QImage full = Shot();
    EXPECT_GT(greenness(full), greenness(straight) + 60);
    EXPECT_GT(CountPixels(full, full.rect(), qRgb(0, 255, 0), 100),
              CountPixels(straight, straight.rect(), qRgb(0, 255, 0), 100));
}

TEST_F(StateLabelTest, DisabledTextIsDrawnInTheButtonShadowColour) {
    label->Font()->SetHeight(-40);
    label->SetCaption(QStringLiteral("HI"));
    form->SetColor(clYellow);
    ShowForm();
    label->SetEnabled(false);
    const QImage img = Shot();
    const QRgb shadow = ToQColor(clBtnShadow).rgb();
    EXPECT_GT(CountPixels(img, img.rect(), shadow, 10), 50);
    EXPECT_EQ(CountPixels(img, img.rect(), qRgb(0, 0, 0), 10), 0);
}

TEST_F(StateLabelTest, EmptyCaptionPaintsNothing) {
    label->SetCaption(QString());
    label->SetHighLightStyle(hlsFull);
    label->SetState(lsSelected);
    ShowForm();
    const QImage img = Shot();
    EXPECT_TRUE(InkBox(img, qRgb(255, 255, 255), 10).isEmpty());
}

TEST_F(StateLabelTest, LayoutSetsDescriptorsAsSubPropertiesAndSyncsTheState) {
    RegisterLabelClasses();
    TForm layoutForm(nullptr);
    TLayoutReader::Read(&layoutForm,
                        QStringLiteral("object Info: TForm\n"
                                       "  object antLabel1: TantLabel\n"
                                       "    Left = 105\n"
                                       "    Top = 8\n"
                                       "    Caption = 'Morvent Production'\n"
                                       "    ColorFront.Normal = clBlack\n"
                                       "    ColorFront.Selected = clTeal\n"
                                       "    ColorFront.Active = clRed\n"
                                       "    ColorFront.Disabled = clBtnShadow\n"
                                       "    Cursors.Selected = crCross\n"
                                       "    HighLight.Normal = True\n"
                                       "    HighLightStyle = hlsFull\n"
                                       "    HighLightXDepth = 2\n"
                                       "    UnderLine.Disabled = True\n"
                                       "    Enabled = False\n"
                                       "    Font.Height = -16\n"
                                       "    Font.Name = 'Arial'\n"
                                       "    Transparent = True\n"
                                       "  end\n"
                                       "end\n"),
                        QStringLiteral("info.lay"));
    auto* l = qobject_cast<TantLabel*>(layoutForm.FindComponent(QStringLiteral("antLabel1")));
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->ColorFront()->Selected(), clTeal);
    EXPECT_EQ(l->Cursors()->Selected(), crCross);
    EXPECT_TRUE(l->HighLight()->Normal());
    EXPECT_EQ(l->HighLightStyle(), hlsFull);
    // The end of loading puts the state in step with Enabled and sizes the label.
    EXPECT_EQ(l->State(), lsDisabled);
    EXPECT_TRUE(l->Font()->HasStyle(fsUnderline));
    label->Font()->Assign(l->Font());
    const QSize text = Measured(l->Caption());
    EXPECT_EQ(QSize(l->Width(), l->Height()), text + QSize(5, 3));
}

} // namespace
