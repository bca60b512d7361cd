// Edits, memos, combo boxes, group boxes and buttons built from layouts and driven with
// real keys and mouse clicks.
#include "framework/widgets/StdCtrls.h"
#include "support/FormTestSupport.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

class TStdForm : public TForm {
    Q_OBJECT
public:
    using TForm::TForm;
    QStringList log;

    Q_INVOKABLE void ComboBox1Change(TObject* Sender) {
        auto* c = qobject_cast<TComboBox*>(Sender);
        log << QStringLiteral("change %1 '%2'").arg(c->ItemIndex()).arg(c->Text());
    }
    Q_INVOKABLE void Edit1Change(TObject* Sender) {
        log << QStringLiteral("edit '%1'").arg(qobject_cast<TEdit*>(Sender)->Text());
    }
    Q_INVOKABLE void Memo1Change(TObject*) { log << QStringLiteral("memo"); }
    Q_INVOKABLE void Button1Click(TObject*) { log << QStringLiteral("click"); }
    Q_INVOKABLE void CheckBox1Click(TObject*) { log << QStringLiteral("check"); }
};

const char* kLayout = R"(
object Form1: TStdForm
  Left = 0
  Top = 0
  ClientWidth = 400
  ClientHeight = 300
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  object ComboBox1: TComboBox
    Left = 4
    Top = 0
    Width = 265
    Height = 21
    ItemIndex = -1
    Items.Strings = (
      'Non presente'
      'Copertina Frontale [120x120mm]'
      'Doppia copertina [240x120mm]')
    TextHint = 'Seleziona la dimensione della copertina frontale'
    OnChange = ComboBox1Change
  end
  object GroupBox2: TGroupBox
    Left = 0
    Top = 48
    Width = 289
    Height = 89
    Caption = 'Una riga'
    object Fronteriga: TEdit
      Left = 8
      Top = 20
      Width = 217
      Height = 21
      MaxLength = 25
      OnChange = Edit1Change
    end
  end
  object GroupBox3: TGroupBox
    Left = 0
    Top = 144
    Width = 289
    Height = 113
    Caption = 'Multi righe'
    Enabled = False
    object Memo1: TMemo
      Left = 8
      Top = 16
      Width = 273
      Height = 89
      ScrollBars = ssVertical
      OnChange = Memo1Change
    end
  end
  object Button1: TButton
    Left = 300
    Top = 10
    Caption = '&Ok'
    ModalResult = 1
    OnClick = Button1Click
  end
  object CheckBox1: TCheckBox
    Left = 300
    Top = 50
    Caption = 'Check'
    OnClick = CheckBox1Click
  end
  object Radio1: TRadioButton
    Left = 300
    Top = 80
    Caption = 'One'
    Checked = True
  end
  object Radio2: TRadioButton
    Left = 300
    Top = 100
    Caption = 'Two'
  end
end
)";

class StdCtrlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = MakeForm<TStdForm>(kLayout);
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
        combo = Find<TComboBox>(form.get(), "ComboBox1");
        edit = Find<TEdit>(form.get(), "Fronteriga");
        memo = Find<TMemo>(form.get(), "Memo1");
    }
    std::unique_ptr<TStdForm> form;
    TComboBox* combo = nullptr;
    TEdit* edit = nullptr;
    TMemo* memo = nullptr;
};

TEST_F(StdCtrlsTest, LayoutBuildsTheControlsWithTheirSettings) {
    auto* c = qobject_cast<QComboBox*>(combo->Widget());
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->isEditable());
    EXPECT_EQ(c->count(), 3);
    EXPECT_EQ(c->itemText(2), QStringLiteral("Doppia copertina [240x120mm]"));
    EXPECT_EQ(c->geometry(), QRect(4, 0, 265, 21));
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), QString());
    EXPECT_EQ(c->lineEdit()->placeholderText(),
              QStringLiteral("Seleziona la dimensione della copertina frontale"));
    EXPECT_TRUE(c->lineEdit()->text().isEmpty());

    auto* g3 = qobject_cast<QGroupBox*>(Find<TGroupBox>(form.get(), "GroupBox3")->Widget());
    ASSERT_TRUE(g3);
    EXPECT_EQ(g3->title(), QStringLiteral("Multi righe"));
    EXPECT_FALSE(g3->isEnabled());
    auto* m = qobject_cast<QPlainTextEdit*>(memo->Widget());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(m->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    // Disabling a group box disables what is in it, though the child keeps its own flag.
    EXPECT_FALSE(m->isEnabled());
    EXPECT_TRUE(memo->Enabled());

    // Children sit relative to their group box's top-left corner.
    EXPECT_EQ(edit->Widget()->parentWidget(), Find<TGroupBox>(form.get(), "GroupBox2")->Widget());
    EXPECT_EQ(edit->Widget()->mapTo(form->Widget(), QPoint(0, 0)), QPoint(8, 68));

    EXPECT_TRUE(form->log.isEmpty()) << form->log.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(Find<TRadioButton>(form.get(), "Radio1")->Checked());
}

TEST_F(StdCtrlsTest, ComboBoxPromptTypingAndChoosing) {
    auto* c = qobject_cast<QComboBox*>(combo->Widget());
    // Typing with the list closed: one change per key, no item chosen.
    QTest::keyClicks(c, QStringLiteral("Dop"));
    EXPECT_EQ(form->log, QStringList({"change -1 'D'", "change -1 'Do'", "change -1 'Dop'"}));
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), QStringLiteral("Dop"));
    // Confirming typed text, even the text of an item, is no choice.
    QTest::keyClicks(c, QStringLiteral("pia copertina [240x120mm]"));
    form->log.clear();
    QTest::keyClick(c, Qt::Key_Return);
    c->clearFocus();
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(c->lineEdit(), &out);
    EXPECT_TRUE(form->log.isEmpty()) << form->log.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->SetText(QString());

    // Choosing from the open list sets the text and runs OnChange once.
    form->log.clear();
    c->showPopup();
    QAbstractItemView* view = c->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    EXPECT_TRUE(combo->DroppedDown());
    const QRect item = view->visualRect(view->model()->index(1, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
    EXPECT_EQ(form->log, QStringList({"change 1 'Copertina Frontale [120x120mm]'"}));
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(c->lineEdit()->text(), QStringLiteral("Copertina Frontale [120x120mm]"));

    // The keyboard chooses too.
    form->log.clear();
    QTest::keyClick(c, Qt::Key_Down);
    EXPECT_EQ(form->log, QStringList({"change 2 'Doppia copertina [240x120mm]'"}));

    // Code runs no event; -1 clears the choice and the text, so the prompt shows again.
    form->log.clear();
    combo->SetItemIndex(0);
    EXPECT_EQ(combo->Text(), QStringLiteral("Non presente"));
    combo->SetItemIndex(7);
    EXPECT_EQ(combo->ItemIndex(), 0);
    combo->SetItemIndex(-1);
    EXPECT_EQ(combo->Text(), QString());
    EXPECT_TRUE(c->lineEdit()->text().isEmpty());
    combo->SetText(QStringLiteral("Non presente"));
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_TRUE(form->log.isEmpty()) << form->log.join(QLatin1Char(',')).toStdString();
}

TEST_F(StdCtrlsTest, ComboBoxWithoutOnChangeStillReportsAChoiceThroughOnSelect) {
    int selects = 0, changes = 0;
    combo->OnSelect = [&](TObject*) { ++selects; };
    combo->OnChange = [&](TObject*) { ++changes; };
    QTest::keyClick(combo->Widget(), Qt::Key_Down);
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(changes, 0);
}

TEST_F(StdCtrlsTest, EditRefusesTheCharacterBeyondMaxLength) {
    auto* e = qobject_cast<QLineEdit*>(edit->Widget());
    ASSERT_TRUE(e);
    const QString text25 = QStringLiteral("abcdefghijklmnopqrstuvwxy");
    QTest::keyClicks(e, text25);
    EXPECT_EQ(edit->Text(), text25);
    EXPECT_EQ(form->log.size(), 25);
    QTest::keyClick(e, Qt::Key_Z);
    EXPECT_EQ(edit->Text(), text25);
    e->setCursorPosition(3);
    QTest::keyClick(e, Qt::Key_Z);
    EXPECT_EQ(edit->Text(), text25);
    EXPECT_EQ(form->log.size(), 25);
    EXPECT_TRUE(edit->Modified());
    // Deleting works, and makes room again.
    QTest::keyClick(e, Qt::Key_Backspace);
    EXPECT_EQ(edit->Text(), QStringLiteral("abdefghijklmnopqrstuvwxy"));
    QTest::keyClick(e, Qt::Key_Q);
    EXPECT_EQ(edit->Text(), QStringLiteral("abqdefghijklmnopqrstuvwxy"));

    // Code sets the text (running OnChange); a longer text set by a program stays whole.
    form->log.clear();
    edit->SetText(QString());
    EXPECT_EQ(form->log, QStringList({"edit ''"}));
    edit->SetText(QString());
    EXPECT_EQ(form->log.size(), 1);
    EXPECT_FALSE(edit->Modified());
    const QString text30 = text25 + QStringLiteral("12345");
    edit->SetText(text30);
    EXPECT_EQ(edit->Text(), text30);
    EXPECT_EQ(e->text(), text30);
}

TEST_F(StdCtrlsTest, PastedTextIsCutToWhatTheLimitLeaves) {
    auto* e = qobject_cast<QLineEdit*>(edit->Widget());
    ASSERT_TRUE(e);
    const QString text30 = QStringLiteral("abcdefghijklmnopqrstuvwxyz1234");
    QGuiApplication::clipboard()->setText(text30);
    e->setFocus();
    e->paste();
    EXPECT_EQ(edit->Text(), text30.left(25));
    EXPECT_EQ(e->cursorPosition(), 25);
    // Into the middle of a shorter text, over a selection: the selection goes, and of the
    // pasted text what fits beside the rest.
    edit->SetText(QStringLiteral("0123456789"));
    e->setSelection(2, 3); // "234"
    e->paste();
    EXPECT_EQ(edit->Text(), QStringLiteral("01") + text30.left(18) + QStringLiteral("56789"));
    EXPECT_EQ(e->cursorPosition(), 20);
    // Nothing fits into a full edit.
    e->paste();
    EXPECT_EQ(edit->Text().size(), 25);
    EXPECT_EQ(edit->Text(), QStringLiteral("01") + text30.left(18) + QStringLiteral("56789"));
}

TEST_F(StdCtrlsTest, MemoLinesAndTextStayInStepBothWays) {
    Find<TGroupBox>(form.get(), "GroupBox3")->SetEnabled(true);
    auto* m = qobject_cast<QPlainTextEdit*>(memo->Widget());
    ASSERT_TRUE(m->isEnabled());
    QTest::keyClicks(m, QStringLiteral("ab"));
    QTest::keyClick(m, Qt::Key_Return);
    QTest::keyClicks(m, QStringLiteral("c"));
    EXPECT_EQ(memo->Text(), QStringLiteral("ab\r\nc"));
    EXPECT_EQ(memo->Lines()->List(), QStringList({"ab", "c"}));
    EXPECT_EQ(form->log.size(), 4);

    form->log.clear();
    memo->Lines()->Add(QStringLiteral("d"));
    EXPECT_EQ(m->toPlainText(), QStringLiteral("ab\nc\nd"));
    EXPECT_EQ(memo->Text(), QStringLiteral("ab\r\nc\r\nd"));
    EXPECT_EQ(form->log.size(), 1);

    memo->Lines()->Clear();
    EXPECT_TRUE(m->toPlainText().isEmpty());
    EXPECT_EQ(memo->Text(), QString());
    EXPECT_EQ(form->log.size(), 2);

    memo->SetText(QStringLiteral("x\r\ny\r\n"));
    EXPECT_EQ(memo->Lines()->List(), QStringList({"x", "y"}));
    EXPECT_EQ(m->toPlainText(), QStringLiteral("x\ny\n"));
}

TEST_F(StdCtrlsTest, ButtonClickRunsOnClickOnceAndSetsTheModalResult) {
    auto* b = qobject_cast<QPushButton*>(Find<TButton>(form.get(), "Button1")->Widget());
    ASSERT_TRUE(b);
    EXPECT_EQ(b->text(), QStringLiteral("&Ok"));
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(form->log, QStringList({"click"}));
    EXPECT_EQ(form->ModalResult(), mrOk);
    QTest::keyClick(b, Qt::Key_Space);
    EXPECT_EQ(form->log.size(), 2);
}

TEST_F(StdCtrlsTest, CheckAndRadioButtons) {
    auto* check = Find<TCheckBox>(form.get(), "CheckBox1");
    QTest::mouseClick(check->Widget(), Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_TRUE(check->Checked());
    EXPECT_EQ(form->log, QStringList({"check"}));
    check->SetChecked(false);
    EXPECT_EQ(form->log.size(), 2);
    EXPECT_FALSE(qobject_cast<QCheckBox*>(check->Widget())->isChecked());

    auto* r1 = Find<TRadioButton>(form.get(), "Radio1");
    auto* r2 = Find<TRadioButton>(form.get(), "Radio2");
    QTest::mouseClick(r2->Widget(), Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_TRUE(r2->Checked());
    EXPECT_FALSE(r1->Checked());
    EXPECT_FALSE(qobject_cast<QRadioButton*>(r1->Widget())->isChecked());
    // A click on the checked button leaves it checked.
    QTest::mouseClick(r2->Widget(), Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_TRUE(qobject_cast<QRadioButton*>(r2->Widget())->isChecked());
}

} // namespace

#include "StdCtrlsTest.moc"
