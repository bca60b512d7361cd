// The main window as the user meets it: its initial state and the text handlers of the
// front and rear cover, driven through real widgets and real dialogs.
#include "EditorFixture.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

namespace {

struct MainWindowTest : EditorTest {
    // Gives the front miniature a size, as choosing a front format does.
    void SizeFrontMiniature() {
        Form1->PageControl1->SetActivePage(Form1->TabSheet3);
        Form1->Panelfronte->SetBounds(8, 16, 123, 123);
        Settle();
    }
    QWidget* W(TControl* c) {
        c->HandleNeeded();
        return c->Widget();
    }
};

TEST_F(MainWindowTest, StartsWithTheRearPageAndNothingChosen) {
    EXPECT_EQ(Form1->Caption(), QStringLiteral("Sleevane 0.2 Beta"));
    EXPECT_EQ(Form1->ClientWidth(), 546);
    EXPECT_EQ(Form1->ClientHeight(), 380);
    EXPECT_EQ(Form1->Widget()->size(), QSize(546, 380));
    EXPECT_EQ(Form1->Widget()->minimumSize(), Form1->Widget()->maximumSize()); // not resizable
    EXPECT_EQ(Form1->PageControl1->ActivePage(), Form1->TabSheet2);
    EXPECT_EQ(Form1->ComboBox1->ItemIndex(), -1);
    EXPECT_EQ(Form1->ComboBox2->ItemIndex(), -1);
    EXPECT_EQ(Form1->ComboBox3->ItemIndex(), -1);
    EXPECT_EQ(Form1->ComboBox1->Items()->Count(), 3);
    EXPECT_EQ(Form1->ComboBox3->Items()->Count(), 8);
    EXPECT_EQ(Form1->RadioGroup1->ItemIndex(), 0);
    EXPECT_TRUE(Form1->GroupBox2->Enabled());
    EXPECT_FALSE(Form1->GroupBox3->Enabled());
    for (TPanel* p : {Form1->Panel1, Form1->Panel2, Form1->Panelfronte, Form1->Panelrear})
        EXPECT_EQ(p->BoundsRect().size(), QSize(0, 0)) << p->Name().toStdString();
    EXPECT_EQ(Form1->Labelfront->Font()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(Form1->Labelfront->Font()->Size(), 8);
    EXPECT_EQ(Form1->Labelfronterighe->Font()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(Form1->Labelr1->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(Form1->Labelr1->Angle(), 90);
    EXPECT_EQ(Form1->Labelr2->Angle(), 270);
    EXPECT_EQ(Form1->Labelrear->Font()->Name(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(Form1->Labelrear->Font()->Height(), -11);
    EXPECT_EQ(Form1->Fronteriga->MaxLength(), 25);
    EXPECT_EQ(Form1->ColorDialogfront->Color(), clBlack);
    EXPECT_EQ(Form1->FontDialogfront->Font()->Height(), -11);
    // The splash is up, above the main window.
    EXPECT_TRUE(Intro->Visible());
    EXPECT_TRUE(Intro->Widget()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(Info->Visible());
    // The print layout, made after the main window showed, has no cover pictures yet.
    for (TRpImage* picture : {preview->RpImage1, preview->RpImage2})
        EXPECT_EQ(picture->BoundsRect().size(), QSize(0, 0)) << picture->Name().toStdString();
}

TEST_F(MainWindowTest, TypingTheFrontLineShowsItAndRefusesThe26thCharacter) {
    Form1->PageControl1->SetActivePage(Form1->TabSheet3);
    QWidget* edit = W(Form1->Fronteriga);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("abcdefghijklmnopqrstuvwxy"));
    EXPECT_EQ(Form1->Labelfront->Caption(), QStringLiteral("abcdefghijklmnopqrstuvwxy"));
    QTest::keyClicks(edit, QStringLiteral("z"));
    EXPECT_EQ(Form1->Fronteriga->Text().size(), 25);
    EXPECT_EQ(Form1->Labelfront->Caption().size(), 25);
}

// The memo labels show the memo's text as it stands: one line of "abc" in Times New Roman
// at 11 pixels is 15 wide (a 909, b 1024, c 909 of 2048 em) and one 14-pixel cell high.
TEST_F(MainWindowTest, MemoLabelsShowTheWholeTextAndNoLineMore) {
    Form1->Memo1->SetText(QStringLiteral("abc"));
    EXPECT_EQ(Form1->Labelfronterighe->Caption(), QStringLiteral("abc"));
    EXPECT_EQ(QSize(Form1->Labelfronterighe->Width(), Form1->Labelfronterighe->Height()),
              QSize(15, 14));
    Form1->Memo2->SetText(QStringLiteral("abc\r\n"));
    EXPECT_EQ(Form1->Labelrear->Caption(), QStringLiteral("abc\r\n")); // an empty last line
}

// Empty captions measure as one space: Times New Roman and Arial at 11 pixels are both a
// space 3 wide in a cell 14 high; the bands are turned.
TEST_F(MainWindowTest, EmptyLabelsAreOneSpaceOfTheirFont) {
    Form1->Labelfront->SetCaption(QString());
    Form1->Labelr1->SetCaption(QString());
    Form1->Labelr2->SetCaption(QString());
    EXPECT_EQ(QSize(Form1->Labelfront->Width(), Form1->Labelfront->Height()), QSize(3, 14));
    EXPECT_EQ(QSize(Form1->Labelr1->Width(), Form1->Labelr1->Height()), QSize(14, 3));
    EXPECT_EQ(QSize(Form1->Labelr2->Width(), Form1->Labelr2->Height()), QSize(14, 3));
}

TEST_F(MainWindowTest, PastingIntoTheFrontLineKeepsWhatFits) {
    Form1->PageControl1->SetActivePage(Form1->TabSheet3);
    auto* edit = qobject_cast<QLineEdit*>(W(Form1->Fronteriga));
    ASSERT_NE(edit, nullptr);
    QGuiApplication::clipboard()->setText(QStringLiteral("Copertina per il disco di Natale"));
    edit->setFocus();
    QTest::keySequence(edit, QKeySequence::Paste);
    EXPECT_EQ(Form1->Fronteriga->Text(), QStringLiteral("Copertina per il disco di"));
    EXPECT_EQ(Form1->Labelfront->Caption(), QStringLiteral("Copertina per il disco di"));
}

TEST_F(MainWindowTest, TheWindowIconOffersTheSmallSizes) {
    const QList<QSize> sizes = Form1->Widget()->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    const QImage at32 = Form1->Widget()->windowIcon().pixmap(QSize(32, 32)).toImage();
    EXPECT_EQ(at32.size(), QSize(32, 32));
    EXPECT_FALSE(InkBox(at32.convertToFormat(QImage::Format_RGB32), qRgb(0, 0, 0), 10).isEmpty());
}

TEST_F(MainWindowTest, TheModeSwitchEmptiesTheTextOfTheModeLeft) {
    Form1->Fronteriga->SetText(QStringLiteral("una riga"));
    EXPECT_EQ(Form1->Labelfront->Caption(), QStringLiteral("una riga"));
    Form1->RadioGroup1->SetItemIndex(1);
    Form1->RadioGroup1Click(Form1->RadioGroup1);
    EXPECT_EQ(Form1->Fronteriga->Text(), QString());
    EXPECT_EQ(Form1->Labelfront->Caption(), QString());
    EXPECT_FALSE(Form1->GroupBox2->Enabled());
    EXPECT_TRUE(Form1->GroupBox3->Enabled());

    Form1->Memo1->Lines()->SetText(QStringLiteral("prima\r\nseconda"));
    EXPECT_EQ(Form1->Labelfronterighe->Caption(), QStringLiteral("prima\r\nseconda"));
    Form1->RadioGroup1->SetItemIndex(0);
    Form1->RadioGroup1Click(Form1->RadioGroup1);
    EXPECT_EQ(Form1->Memo1->Lines()->Count(), 0);
    EXPECT_EQ(Form1->Labelfronterighe->Caption(), QString());
    EXPECT_TRUE(Form1->GroupBox2->Enabled());
    EXPECT_FALSE(Form1->GroupBox3->Enabled());
}

TEST_F(MainWindowTest, TheAngleBoxSnapsAndRejectsWhatIsNoNumber) {
    Form1->PageControl1->SetActivePage(Form1->TabSheet3);
    Form1->Fronteriga->SetText(QStringLiteral("Titolo"));
    QWidget* box = W(Form1->ComboBox3);
    auto* combo = qobject_cast<QComboBox*>(box);
    ASSERT_NE(combo, nullptr);
    // Choosing "315" from the list.
    combo->setCurrentIndex(7);
    emit combo->activated(7);
    EXPECT_EQ(Form1->Labelfront->Angle(), 315);

    QStringList shown;
    Application->OnException = [&](TObject*, const Exception& e) {
        shown << ErrorBoxText(e.Message());
    };
    auto type = [&](const QString& text) {
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), text);
    };
    for (auto [typed, angle] :
         {std::pair{"360", 0}, {"22", 45}, {"30", 45}, {"21", 0}, {"90", 90}}) {
        type(QString::fromLatin1(typed));
        EXPECT_EQ(Form1->Labelfront->Angle(), angle) << typed;
    }
    EXPECT_TRUE(shown.isEmpty()) << shown.join(QLatin1Char('|')).toStdString();
    type(QStringLiteral("abc"));
    Application->OnException = nullptr;
    // Every keystroke changes the text, and each text fails on its own.
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown.last(), QStringLiteral("'abc' is not a valid integer value."));
    EXPECT_EQ(Form1->Labelfront->Angle(), 90); // the angle stays
}

TEST_F(MainWindowTest, ALeftClickOnTheMiniaturePlacesTheLineAndARightClickDoesNot) {
    SizeFrontMiniature();
    Form1->Fronteriga->SetText(QStringLiteral("Titolo"));
    Form1->ColorDialogfront->SetColor(clBlue);
    QWidget* picture = W(Form1->Imagefronte);
    QTest::mouseClick(picture, Qt::RightButton, {}, QPoint(40, 30));
    EXPECT_EQ(Form1->Labelfront->Left(), 0);
    EXPECT_EQ(Form1->Labelfront->Top(), 0);
    EXPECT_NE(Form1->Labelfront->Font()->Color(), clBlue);
    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(Form1->Labelfront->Left(), 40);
    EXPECT_EQ(Form1->Labelfront->Top(), 30);
    EXPECT_EQ(Form1->Labelfront->Font()->Color(), clBlue);
}

TEST_F(MainWindowTest, ApplyCopiesTheFontButTheColourDialogsColourWins) {
    Form1->ColorDialogfront->SetColor(clBlue);
    auto driver = WhenDialogOpens([](QDialog* d) {
        auto* face = Child<QLineEdit>(d, "faceEdit");
        face->selectAll();
        QTest::keyClicks(face, QStringLiteral("Arial"));
        auto* size = Child<QLineEdit>(d, "sizeEdit");
        size->selectAll();
        QTest::keyClicks(size, QStringLiteral("12"));
        auto* colors = Child<QComboBox>(d, "colorCombo");
        colors->setCurrentIndex(colors->findText(QStringLiteral("Red")));
        QTest::mouseClick(Child<QPushButton>(d, "applyButton"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(d, "okButton"), Qt::LeftButton);
    });
    QTest::mouseClick(W(Form1->BitBtn6), Qt::LeftButton);
    for (TControl* label : {static_cast<TControl*>(Form1->Labelfront),
                            static_cast<TControl*>(Form1->Labelfronterighe)}) {
        EXPECT_EQ(label->Font()->Name(), QStringLiteral("Arial"));
        EXPECT_EQ(label->Font()->Size(), 12);
        EXPECT_EQ(label->Font()->Color(), clBlue);
    }
    // OK without Apply changes nothing on the labels.
    driver = WhenDialogOpens([](QDialog* d) {
        auto* size = Child<QLineEdit>(d, "sizeEdit");
        size->selectAll();
        QTest::keyClicks(size, QStringLiteral("20"));
        QTest::mouseClick(Child<QPushButton>(d, "okButton"), Qt::LeftButton);
    });
    Form1->BitBtn6Click(Form1->BitBtn6);
    EXPECT_EQ(Form1->Labelfront->Font()->Size(), 12);
    EXPECT_EQ(Form1->FontDialogfront->Font()->Size(), 20);
}

TEST_F(MainWindowTest, RearTextsFollowTheirEditsAndBandFontsChangeBothBands) {
    Form1->Edit1->SetText(QStringLiteral("sinistra"));
    Form1->Edit2->SetText(QStringLiteral("destra"));
    Form1->Memo2->Lines()->SetText(QStringLiteral("uno\r\ndue"));
    EXPECT_EQ(Form1->Labelr1->Caption(), QStringLiteral("sinistra"));
    EXPECT_EQ(Form1->Labelr2->Caption(), QStringLiteral("destra"));
    EXPECT_EQ(Form1->Labelrear->Caption(), QStringLiteral("uno\r\ndue"));
    // A turned band label is as tall as its text is wide.
    EXPECT_GT(Form1->Labelr1->Height(), Form1->Labelr1->Width());

    Form1->ColorDialogbande->SetColor(clGreen);
    Form1->FontDialogbande->Font()->SetName(QStringLiteral("Times New Roman"));
    Form1->FontDialogbande->Font()->SetColor(clRed);
    Form1->FontDialogbandeApply(Form1->FontDialogbande, nullptr);
    for (TControl* band :
         {static_cast<TControl*>(Form1->Labelr1), static_cast<TControl*>(Form1->Labelr2)}) {
        EXPECT_EQ(band->Font()->Name(), QStringLiteral("Times New Roman"));
        EXPECT_EQ(band->Font()->Color(), clGreen);
    }
    EXPECT_EQ(Form1->Labelrear->Font()->Name(), QStringLiteral("MS Sans Serif"));
}

// "Uscita" ends the application's loop for good, so it runs in a program of its own.
int UscitaWithTheCreditsOpen() {
    TEditor editor;
    editor.Form1->Show();
    Settle();
    editor.Form1->BitBtn4->HandleNeeded();
    QTest::mouseClick(editor.Form1->BitBtn4->Widget(), Qt::LeftButton);
    if (!editor.Info->Visible()) return 2;
    QTimer::singleShot(0,
                       [&] { QTest::mouseClick(editor.Form1->BitBtn3->Widget(), Qt::LeftButton); });
    Application->Run();
    if (!Application->Terminated()) return 3;
    return editor.Form1->Visible() ? 4 : 0;
}
const bool kUscitaChild = RegisterChildBody("UscitaChild", UscitaWithTheCreditsOpen);

TEST(MainWindowProgram, UscitaEndsTheProgramWhileTheCreditsAreOpen) {
    ASSERT_TRUE(kUscitaChild);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SLEEVANE_TEST_CHILD"), QStringLiteral("UscitaChild"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    ASSERT_TRUE(child.waitForFinished(60000)) << "the program did not end";
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
}

} // namespace

namespace {

// Pictures of the four pages for a person to look at (build/screenshots), and a check
// that each page shows its own controls where the layout puts them.
TEST_F(MainWindowTest, EachPageShowsItsControls) {
    const QString dir =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    TTabSheet* pages[] = {Form1->TabSheet1, Form1->TabSheet2, Form1->TabSheet3, Form1->TabSheet4};
    for (int i = 0; i < 4; ++i) {
        Form1->PageControl1->SetActivePage(pages[i]);
        ASSERT_TRUE(QTest::qWaitFor([&] { return pages[i]->Widget()->isVisible(); }, 10000));
        QCoreApplication::sendPostedEvents(); // the page's layout, before the picture
        const QImage shot = Form1->Widget()->grab().toImage();
        EXPECT_EQ(shot.size(), QSize(546, 380));
        shot.save(QDir(dir).filePath(QStringLiteral("main-page%1.png").arg(i + 1)));
        EXPECT_TRUE(pages[i]->Widget()->isVisible());
        for (int j = 0; j < 4; ++j) {
            if (j != i) {
                EXPECT_FALSE(pages[j]->Widget()->isVisible());
            }
        }
    }
}

} // namespace

namespace {

// The design read out of the window is what the controls hold after the user's steps,
// field by field: each step below changes one field from the value of a fresh window.
TEST_F(MainWindowTest, TheDesignHoldsWhatTheControlsShow) {
    const TCoverDesign fresh = Form1->Design();
    EXPECT_EQ(fresh, TCoverDesign{});

    Form1->ComboBox1->SetItemIndex(2);
    Form1->ComboBox1Change(Form1->ComboBox1);
    Form1->ComboBox2->SetItemIndex(1);
    Form1->ComboBox2Change(Form1->ComboBox2);
    // Typed text in a box chooses nothing: the format chosen last stays.
    Form1->ComboBox2->SetText(QStringLiteral("Copertina"));
    Form1->ComboBox2Change(Form1->ComboBox2);
    Form1->Fronteriga->SetText(QStringLiteral("Titolo"));
    Form1->ComboBox3->SetText(QStringLiteral("135"));
    Form1->ComboBox3Change(Form1->ComboBox3);
    SizeFrontMiniature();
    Form1->ColorDialogfront->SetColor(clBlue);
    QTest::mouseClick(W(Form1->Imagefronte), Qt::LeftButton, {}, QPoint(40, 30));
    Form1->FontDialogbande->Font()->SetName(QStringLiteral("Courier New"));
    Form1->FontDialogbande->Font()->SetSize(12);
    Form1->FontDialogbande->Font()->SetStyle(TFont::TFontStyles(TFont::fsBold | TFont::fsItalic));
    Form1->ColorDialogbande->SetColor(clRed);
    Form1->FontDialogbandeApply(Form1->FontDialogbande, nullptr);
    Form1->Edit1->SetText(QStringLiteral("sinistra"));
    Form1->Edit2->SetText(QStringLiteral("destra"));
    Form1->Memo2->SetText(QStringLiteral("uno\r\ndue"));

    TCoverDesign expected;
    expected.frontFormat = TFrontFormat::Double;
    expected.rearFormat = TRearFormat::WithBands;
    expected.frontLine = QStringLiteral("Titolo");
    expected.frontAngle = 135;
    expected.PlaceLine(QPoint(40, 30));
    expected.frontFont.color = clBlue;
    expected.leftBand = QStringLiteral("sinistra");
    expected.rightBand = QStringLiteral("destra");
    expected.bandFont = {QStringLiteral("Courier New"), 12, true, true, false, false, clRed, 0};
    expected.rearLines = {QStringLiteral("uno"), QStringLiteral("due")};
    EXPECT_EQ(Form1->Design(), expected);

    // The mode switch empties the single line and brings the lines.
    Form1->RadioGroup1->SetItemIndex(1);
    Form1->RadioGroup1Click(Form1->RadioGroup1);
    Form1->Memo1->SetText(QStringLiteral("a\r\nb"));
    expected.textMode = TFrontTextMode::Lines;
    expected.frontLine.clear();
    expected.frontLines = {QStringLiteral("a"), QStringLiteral("b")};
    EXPECT_EQ(Form1->Design(), expected);
}

} // namespace
