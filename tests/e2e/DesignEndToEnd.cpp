// A design kept across a restart, on a real X server: a cover made in the editor is
// printed with "Stampa" to the PDF file printer and saved with Ctrl+S; then the program
// starts again as `sleevane DESIGN` does (a process of its own), opens the design, prints
// it with "Stampa" and leaves with "Uscita" without being asked anything. Both printed
// sheets are the same in every pixel.
#include "app/CoverPictures.h"
#include "app/DesignDocument.h"
#include "app/DesignFile.h"
#include "app/Editor.h"
#include "app/Startup.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit4.h"
#include "support/FormTestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdio>
#include <functional>

namespace {

QWidget* W(TControl* c) {
    c->HandleNeeded();
    return c->Widget();
}

void Choose(TComboBox* box, int index) {
    auto* combo = qobject_cast<QComboBox*>(W(box));
    combo->setFocus();
    for (int guard = 0; combo->currentIndex() != index && guard < 10; ++guard)
        QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
}

void TypeInto(QWidget* w, const QString& text) {
    w->setFocus();
    QTest::keyClicks(w, text);
}

int PdfPrinterIndex() {
    TPrinter p;
    return static_cast<int>(p.Printers().indexOf(TPrinter::PdfPrinterName()));
}

// "Stampa" to the PDF file printer, naming the file in its dialog.
bool Stampa(TForm1* form, Tpreview* layout, const QString& pdf) {
    layout->Report1->PrinterSettings()->SetPrinterIndex(PdfPrinterIndex());
    auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, pdf); });
    QTest::mouseClick(W(form->BitBtn2), Qt::LeftButton);
    return WaitUntil([&] { return layout->Report1->Idle() && QFile::exists(pdf); });
}

QImage Wash(QColor from, QColor to) {
    QImage image(400, 300, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient g(0, 0, 400, 300);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    painter.fillRect(image.rect(), g);
    return image;
}

// ---- The second run ----------------------------------------------------------------------

// The program as `sleevane DESIGN` starts it: the editor opens the design once its window
// shows; then "Stampa" prints it and "Uscita" ends the run. Prints the window's title.
int ReopenAndPrint() {
    const QString design = qEnvironmentVariable("SLEEVANE_E2E_DESIGN");
    const QString pdf = qEnvironmentVariable("SLEEVANE_E2E_PDF");
    bool printed = false;
    QString title;
    QTimer driver;
    driver.setInterval(50);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TForm1*>(Application->MainForm());
        if (!form || !form->Widget() || !form->Widget()->isVisible()) return;
        if (!form->Caption().endsWith(QFileInfo(design).fileName())) return;
        driver.stop();
        title = form->Widget()->windowTitle();
        printed = Stampa(form, TEditor::Of(form)->preview, pdf);
        QTest::mouseClick(W(form->BitBtn3), Qt::LeftButton); // nothing to save: leaves at once
    });
    driver.start();
    // No run may hang the tests: the editor leaves after a while whatever happened.
    QTimer::singleShot(90000, [] { Application->Terminate(); });
    const int rc = RunEditor(design);
    std::printf("%s\n", title.toUtf8().constData());
    return rc == 0 && printed ? 0 : 1;
}
const bool registered = RegisterChildBody("reopen", ReopenAndPrint);

// ---- The first run -----------------------------------------------------------------------

TEST(DesignEndToEnd, SavedReopenedAfterARestartPrintsTheSamePage) {
    ASSERT_TRUE(registered);
    const QString dir = TestTempDir();
    const QString jpeg = QDir(dir).filePath(QStringLiteral("fronte.jpg"));
    const QString bmp = QDir(dir).filePath(QStringLiteral("retro.bmp"));
    ASSERT_TRUE(Wash(QColor(255, 244, 180), QColor(250, 205, 130)).save(jpeg, "JPG", 95));
    ASSERT_TRUE(Wash(QColor(225, 242, 255), QColor(170, 212, 248)).save(bmp, "BMP"));
    QStringList shown;
    Application->OnException = [&](TObject*, const Exception& e) { shown << e.Message(); };

    const QString design = QDir(dir).filePath(QStringLiteral("concerto.sleevane"));
    const QString before = QDir(dir).filePath(QStringLiteral("prima.pdf"));
    {
        TEditor editor;
        TForm1* Form1 = editor.Form1;
        Form1->Show();
        ASSERT_TRUE(
            WaitUntil([&] { return Form1->Widget()->isVisible() && editor.Intro->Visible(); }));
        QTest::mouseClick(W(editor.Intro->Image1), Qt::LeftButton, {}, QPoint(20, 20));
        ASSERT_TRUE(WaitUntil([&] { return !editor.Intro->Visible(); }));

        Form1->PageControl1->SetActivePage(Form1->TabSheet1);
        Choose(Form1->ComboBox1, 1);
        {
            auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, jpeg); });
            QTest::mouseClick(W(Form1->front), Qt::LeftButton, {}, QPoint(100, 100));
        }
        Form1->PageControl1->SetActivePage(Form1->TabSheet2);
        Choose(Form1->ComboBox2, 1);
        {
            auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, bmp); });
            QTest::mouseClick(W(Form1->rear), Qt::LeftButton, {}, QPoint(100, 100));
        }
        Form1->PageControl1->SetActivePage(Form1->TabSheet3);
        TypeInto(W(Form1->Fronteriga), QStringLiteral("Concerto"));
        Choose(Form1->ComboBox3, 1);
        QTest::mouseClick(W(Form1->Imagefronte), Qt::LeftButton, {}, QPoint(50, 70));
        Form1->PageControl1->SetActivePage(Form1->TabSheet4);
        TypeInto(W(Form1->Edit1), QStringLiteral("Lato A"));
        TypeInto(W(Form1->Edit2), QStringLiteral("Lato B"));
        QWidget* memo = W(Form1->Memo2);
        TypeInto(memo, QStringLiteral("1. Preludio"));
        QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClicks(memo, QStringLiteral("2. Finale"));
        // The pictures show once they have been read.
        ASSERT_TRUE(WaitUntil([&] { return !Form1->Document()->Pictures()->Reading(); }));
        ASSERT_EQ(Form1->front->Picture()->Width(), 400);
        ASSERT_EQ(Form1->rear->Picture()->Width(), 400);
        ASSERT_TRUE(Stampa(Form1, editor.preview, before));

        // Ctrl+S asks for a name the first time, then the title names the file.
        Form1->Widget()->activateWindow();
        ASSERT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == Form1->Widget(); }));
        {
            auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, design); });
            QTest::keyClick(memo, Qt::Key_S, Qt::ControlModifier);
            ASSERT_TRUE(WaitUntil([&] { return QFile::exists(design); }));
        }
        EXPECT_TRUE(WaitUntil(
            [&] {
                return Form1->Widget()->windowTitle() ==
                       QStringLiteral("Sleevane 0.2 Beta - concerto.sleevane");
            },
            10000));
        EXPECT_EQ(Form1->Widget()->windowTitle(),
                  QStringLiteral("Sleevane 0.2 Beta - concerto.sleevane"));
        EXPECT_EQ(ReadDesignFile(design), Form1->Design());
        ASSERT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    }

    // The program again, from the start.
    const QString after = QDir(dir).filePath(QStringLiteral("dopo.pdf"));
    QProcess again;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SLEEVANE_TEST_CHILD"), QStringLiteral("reopen"));
    env.insert(QStringLiteral("SLEEVANE_E2E_DESIGN"), design);
    env.insert(QStringLiteral("SLEEVANE_E2E_PDF"), after);
    again.setProcessEnvironment(env);
    again.start(QCoreApplication::applicationFilePath(), {});
    ASSERT_TRUE(again.waitForFinished(120000));
    EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(again.readAllStandardOutput()).trimmed(),
              QStringLiteral("Sleevane 0.2 Beta - concerto.sleevane"));

    const QImage first = RenderPdfPage(before, 1, 150);
    const QImage second = RenderPdfPage(after, 1, 150);
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());
    int differing = 0;
    EXPECT_EQ(ImageDifference(first, second, &differing), 0) << differing << " pixels differ";
    QDir().mkpath(QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots"));
    second.save(QCoreApplication::applicationDirPath() +
                QStringLiteral("/screenshots/e2e-design-reopened.png"));
    Application->OnException = nullptr;
}

// Typing, a click and the mode switch undone and redone with the keys, the design saved
// at each step and compared with what that step should hold; undoing back to the saved
// design clears the title's mark.
TEST(DesignEndToEnd, UndoneAndRedoneStepsSaveWhatTheyShow) {
    const QString dir = TestTempDir();
    QStringList shown;
    Application->OnException = [&](TObject*, const Exception& e) { shown << e.Message(); };
    const QString file = QDir(dir).filePath(QStringLiteral("passi.sleevane"));
    TEditor editor;
    TForm1* Form1 = editor.Form1;
    Form1->Show();
    ASSERT_TRUE(WaitUntil([&] { return Form1->Widget()->isVisible() && editor.Intro; }));
    editor.Intro->Close();
    Form1->Widget()->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == Form1->Widget(); }));
    QWidget* edit = W(Form1->Edit1);
    // The keys go where the user types: the edit of the page shown.
    QWidget* target = edit;
    const auto keys = [&](Qt::Key key, Qt::KeyboardModifiers mods) {
        Form1->Widget()->activateWindow();
        EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == Form1->Widget(); }));
        target->setFocus();
        QTest::keyClick(target, key, mods);
    };
    const auto save = [&] {
        keys(Qt::Key_S, Qt::ControlModifier);
        return ReadDesignFile(file);
    };
    const auto marked = [&] { return Form1->Widget()->windowTitle().contains(QLatin1Char('*')); };

    Form1->PageControl1->SetActivePage(Form1->TabSheet3);
    TypeInto(W(Form1->Fronteriga), QStringLiteral("Titolo"));
    Form1->PageControl1->SetActivePage(Form1->TabSheet4);
    TypeInto(edit, QStringLiteral("Lato"));
    TCoverDesign expected;
    expected.frontLine = QStringLiteral("Titolo");
    expected.leftBand = QStringLiteral("Lato");
    {
        auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, file); });
        keys(Qt::Key_S, Qt::ControlModifier);
        ASSERT_TRUE(WaitUntil([&] { return QFile::exists(file); }));
    }
    EXPECT_EQ(ReadDesignFile(file), expected);
    EXPECT_FALSE(marked());

    // Typed after the save: a step of its own, whose undoing clears the mark.
    QTest::keyClicks(edit, QStringLiteral(" A"));
    EXPECT_TRUE(marked());
    keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Form1->Edit1->Text(), QStringLiteral("Lato"));
    EXPECT_FALSE(marked());
    // The whole word typed in one field is one step; the field before it another.
    keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Form1->Edit1->Text(), QString());
    EXPECT_EQ(Form1->Labelr1->Caption(), QString());
    EXPECT_TRUE(marked());
    expected.leftBand.clear();
    EXPECT_EQ(save(), expected);
    keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Form1->Fronteriga->Text(), QString());
    keys(Qt::Key_Y, Qt::ControlModifier);
    keys(Qt::Key_Y, Qt::ControlModifier);
    keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    expected.leftBand = QStringLiteral("Lato A");
    EXPECT_EQ(Form1->Edit1->Text(), expected.leftBand);
    EXPECT_EQ(save(), expected);

    // The mode switch empties the line, and its undoing brings it back.
    Form1->PageControl1->SetActivePage(Form1->TabSheet3);
    Settle();
    target = W(Form1->Fronteriga);
    const QList<QRadioButton*> modes = W(Form1->RadioGroup1)->findChildren<QRadioButton*>();
    ASSERT_EQ(modes.size(), 2);
    modes[1]->click();
    EXPECT_EQ(Form1->Fronteriga->Text(), QString());
    TCoverDesign lines = expected;
    lines.textMode = TFrontTextMode::Lines;
    lines.frontLine.clear();
    EXPECT_EQ(save(), lines);
    keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Form1->Fronteriga->Text(), QStringLiteral("Titolo"));
    EXPECT_EQ(Form1->RadioGroup1->ItemIndex(), 0);
    EXPECT_TRUE(Form1->GroupBox2->Enabled());
    EXPECT_EQ(save(), expected);
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    Application->OnException = nullptr;
}

} // namespace
