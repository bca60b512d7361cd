// The standard preview window, driven through its buttons, keys and real dialogs: its
// layout, page turning, zoom, the progress and page texts, saving and loading report
// files, closing, and previews of a report opened and closed again and again.

#include "PreviewSupport.h"
#include "report/RpPrev.h"
#include "report/RpReport.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// Answers every message box with OK as it shows and keeps its text, for as long as it
// lives.
class MessageBoxWatch : public QObject {
public:
    MessageBoxWatch() { QApplication::instance()->installEventFilter(this); }
    ~MessageBoxWatch() override { QApplication::instance()->removeEventFilter(this); }
    // Waits until n boxes have shown, or the deadline passes.
    bool WaitFor(qsizetype n) {
        return QTest::qWaitFor([&] { return texts.size() >= n; }, 10000);
    }
    QStringList texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                texts << box->text();
                // Answered once its own loop runs.
                QMetaObject::invokeMethod(box, &QMessageBox::accept, Qt::QueuedConnection);
            }
        return false;
    }
};

QString FilterShown(QDialog* d) {
    return Child<QComboBox>(d, "fileTypeCombo")->currentText();
}

// Lets posted events run, and the windows that closed go.
void Flush() {
    Settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Settle();
}

class PreviewWindowTest : public ::testing::Test {
protected:
    void SetUp() override { KeepPages(printer, 3); }
    void TearDown() override {
        if (window) delete window.data();
        Settle();
    }

    // The window for the printer at its layout's size, shown.
    void Open(TRpPrinter* shown) {
        window = new TRpStandardPreview(Application, shown);
        maximisedAtFirst = window->Widget()->windowState() & Qt::WindowMaximized;
        window->Widget()->setWindowState(Qt::WindowNoState);
        window->Present();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
        window->Widget()->activateWindow();
        Settle();
    }
    QString PageText() const { return window->StatusBar->Panels()->Items(1)->Text(); }
    QString ProgressText() const { return window->StatusBar->Panels()->Items(0)->Text(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(window->Widget()->windowHandle(), key, mods);
    }
    void Press(TControl* button) {
        QTest::mouseClick(button->Widget(), Qt::LeftButton);
        Settle();
    }

    TRpPrinter printer;
    QPointer<TRpStandardPreview> window;
    bool maximisedAtFirst = false;
};

TEST_F(PreviewWindowTest, LayoutFromItsFile) {
    Open(&printer);
    EXPECT_TRUE(maximisedAtFirst);
    EXPECT_EQ(window->Caption(), QStringLiteral("Print Preview"));
    EXPECT_TRUE(window->KeyPreview());
    EXPECT_EQ(window->ClientRect().size(), QSize(644, 552));
    EXPECT_EQ(window->ToolBar1->BoundsRect(), QRect(0, 0, 644, 28));
    EXPECT_EQ(window->StatusBar->BoundsRect(), QRect(0, 533, 644, 19));
    EXPECT_EQ(window->RpPreview->BoundsRect(), QRect(0, 28, 644, 505));

    struct Button {
        TToolButton* button;
        const char* hint;
        int glyph;
    };
    const Button buttons[] = {
        {window->ZoomFit, "Zoom to fit", 0},
        {window->Zoom100, "100%", 1},
        {window->ZoomToWidth, "Zoom to width", 2},
        {window->FirstPage, "First page", 3},
        {window->PreviousPage, "Previous page", 4},
        {window->ToolButton2, "Next page", 5},
        {window->LastPage, "Last page", 6},
        {window->PrintSetup, "Printer setup", 7},
        {window->Print, "Print", 8},
        {window->SaveReport, "Save Report", 10},
        {window->LoadReport, "Load Report", 9},
    };
    int left = -1;
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.hint);
        EXPECT_EQ(b.button->Hint(), QString::fromLatin1(b.hint));
        EXPECT_EQ(b.button->Widget()->toolTip(), QString::fromLatin1(b.hint));
        EXPECT_EQ(b.button->ImageIndex(), b.glyph);
        EXPECT_EQ(b.button->Width(), 23);
        EXPECT_GT(b.button->Left(), left);
        left = b.button->Left();
        EXPECT_FALSE(qobject_cast<QToolButton*>(b.button->Widget())->icon().isNull());
    }
    EXPECT_TRUE(window->ZoomToWidth->Down());
    EXPECT_FALSE(window->ZoomFit->Down());
    EXPECT_EQ(window->ExitButton->Caption(), QStringLiteral("&Close"));
    EXPECT_EQ(window->ExitButton->Width(), 40);
    EXPECT_GT(window->ExitButton->Left(), window->LoadReport->Left());

    // Eleven glyphs drawn for the window, each with something on it.
    ASSERT_EQ(window->Images->Count(), 11);
    for (int i = 0; i < 11; ++i) {
        const QImage glyph = window->Images->Image(i);
        EXPECT_EQ(glyph.size(), QSize(16, 16));
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += qAlpha(glyph.pixel(x, y)) > 128;
        EXPECT_GT(opaque, 20) << i;
    }

    ASSERT_EQ(window->StatusBar->Panels()->Count(), 2);
    EXPECT_EQ(ProgressText(), QString()); // 0 shows no percent
    EXPECT_EQ(window->StatusBar->Panels()->Items(0)->Width(), 40);
    EXPECT_EQ(PageText(), QStringLiteral("Page 1 of 3"));
    EXPECT_EQ(window->ShownProgress(), 0);
    EXPECT_EQ(window->RpPreview->ReportPrinter(), &printer);
    EXPECT_EQ(printer.ClientWindow(), window->RpPreview);
}

TEST_F(PreviewWindowTest, TitleBecomesTheCaption) {
    printer.SetTitle(QStringLiteral("Copertine"));
    Open(&printer);
    EXPECT_EQ(window->Caption(), QStringLiteral("Copertine"));
    EXPECT_EQ(window->Widget()->windowTitle(), QStringLiteral("Copertine"));
}

TEST_F(PreviewWindowTest, KeysTurnPages) {
    Open(&printer);
    window->RpPreview->SetFocus();
    Key(Qt::Key_PageDown);
    EXPECT_EQ(PageText(), QStringLiteral("Page 2 of 3"));
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(PageText(), QStringLiteral("Page 3 of 3"));
    Key(Qt::Key_PageDown);
    EXPECT_EQ(PageText(), QStringLiteral("Page 3 of 3"));
    // Ctrl alone goes to the first page; with Shift as well it is the previous one.
    Key(Qt::Key_PageUp, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(PageText(), QStringLiteral("Page 2 of 3"));
    Key(Qt::Key_PageDown);
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(PageText(), QStringLiteral("Page 1 of 3"));
    Key(Qt::Key_PageUp);
    EXPECT_EQ(PageText(), QStringLiteral("Page 1 of 3"));
    Key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(PageText(), QStringLiteral("Page 3 of 3"));
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(PageText(), QStringLiteral("Page 1 of 3"));
    Key(Qt::Key_End);
    EXPECT_EQ(window->RpPreview->PageNumber(), 3);
    Key(Qt::Key_Home);
    EXPECT_EQ(window->RpPreview->PageNumber(), 1);
    // Keys still reach the control that has the focus.
    window->RpPreview->SetZoom(300);
    window->RpPreview->VertScrollBar()->SetPosition(0);
    Key(Qt::Key_Down);
    EXPECT_GT(window->RpPreview->VertScrollBar()->Position(), 0);
}

TEST_F(PreviewWindowTest, ButtonsTurnPagesWithinThePrinter) {
    Open(&printer);
    Press(window->PreviousPage);
    EXPECT_EQ(PageText(), QStringLiteral("Page 1 of 3"));
    Press(window->ToolButton2);
    EXPECT_EQ(PageText(), QStringLiteral("Page 2 of 3"));
    Press(window->LastPage);
    EXPECT_EQ(PageText(), QStringLiteral("Page 3 of 3"));
    Press(window->ToolButton2);
    EXPECT_EQ(PageText(), QStringLiteral("Page 3 of 3"));
    EXPECT_EQ(window->RpPreview->Image()->PageNumber(), 3);
    Press(window->FirstPage);
    EXPECT_EQ(PageText(), QStringLiteral("Page 1 of 3"));
}

// The preview box is 644 x 505: fit 644 / 794 x 95 = 77.1 against 505 / 1123 x 95 = 42.7,
// width 644 / 794 x 90 = 73.0.
TEST_F(PreviewWindowTest, ZoomButtons) {
    Open(&printer);
    Press(window->ZoomFit);
    EXPECT_EQ(window->RpPreview->Zoom(), 43);
    EXPECT_EQ(window->RpPreview->ZoomMode(), zmFit);
    EXPECT_TRUE(window->ZoomFit->Down());
    EXPECT_FALSE(window->ZoomToWidth->Down());
    Press(window->Zoom100);
    EXPECT_EQ(window->RpPreview->Zoom(), 100);
    EXPECT_EQ(window->RpPreview->ZoomMode(), zmFixed);
    Press(window->ZoomToWidth);
    EXPECT_EQ(window->RpPreview->Zoom(), 73);
    EXPECT_EQ(window->RpPreview->ZoomMode(), zmWidth);
    // A wider window follows with the width: 844 / 794 x 90 = 95.7.
    window->SetBounds(window->Left(), window->Top(), 852, 579);
    EXPECT_EQ(window->RpPreview->Width(), 844);
    EXPECT_EQ(window->RpPreview->Zoom(), 96);
    // So does a window the user makes larger.
    window->Widget()->resize(744, 552);
    Settle();
    EXPECT_EQ(window->RpPreview->Width(), 744);
    EXPECT_EQ(window->RpPreview->Zoom(), 84); // 744 / 794 x 90 = 84.3
}

// The window at fit, 100 % and width, saved for a person to look at: the white sheet
// lies where the layout puts it.
TEST_F(PreviewWindowTest, Screenshots) {
    Open(&printer);
    const QRgb white = qRgb(255, 255, 255);
    const QPoint box = window->RpPreview->BoundsRect().topLeft();
    struct Shot {
        TToolButton* button;
        const char* name;
        int zoom;
    };
    for (const Shot& shot : {Shot{window->ZoomFit, "fit", 43}, Shot{window->Zoom100, "100", 100},
                             Shot{window->ZoomToWidth, "width", 73}}) {
        SCOPED_TRACE(shot.name);
        Press(shot.button);
        ASSERT_EQ(window->RpPreview->Zoom(), shot.zoom);
        const QImage image = window->Widget()->grab().toImage();
        image.save(ScreenshotDir() +
                   QStringLiteral("/preview-%1.png").arg(QLatin1String(shot.name)));
        // The sheet's white, inside the frame of the page picture.
        const QRect page = window->RpPreview->Image()->BoundsRect().translated(box);
        const QPoint inside = page.topLeft() + QPoint(page.width() * 3 / 4, 8);
        EXPECT_EQ(image.pixel(inside), white);
    }
    // At fit the whole page shows, centred: 43 % is 341 + 4 by 483 + 4 pixels.
    Press(window->ZoomFit);
    EXPECT_EQ(window->RpPreview->Image()->BoundsRect(), QRect(149, 9, 345, 487));
}

// The percent shows in steps of at least five and is cleared at 0 and 100.
TEST_F(PreviewWindowTest, ProgressInStepsOfFive) {
    Open(&printer);
    const std::pair<int, const char*> steps[] = {{37, "37%"}, {40, "37%"}, {41, "37%"}, {45, "45%"},
                                                 {44, "45%"}, {100, ""},   {0, ""}};
    for (const auto& [percent, text] : steps) {
        printer.PostProgress(percent);
        Settle();
        EXPECT_EQ(ProgressText(), QString::fromLatin1(text)) << percent;
    }
    EXPECT_EQ(window->ShownProgress(), 100);
}

// A finished pass that never announced its 100 leaves no stale percent on the bar.
TEST_F(PreviewWindowTest, ProgressIsClearedWhenThePassHasFinished) {
    TRpPrinter busy;
    busy.StartJob();
    busy.StartNewPage();
    Open(&busy);
    EXPECT_EQ(ProgressText(), QString());
    busy.PostProgress(37);
    Settle();
    EXPECT_EQ(ProgressText(), QStringLiteral("37%"));
    busy.PostPagesReady(1);
    Settle();
    EXPECT_EQ(ProgressText(), QStringLiteral("37%")); // still running
    busy.FinishJob();
    busy.PostPagesReady(1);
    Settle();
    EXPECT_EQ(ProgressText(), QString());
}

TEST_F(PreviewWindowTest, LoadingAFileShowsItsFirstPage) {
    TRpPrinter one;
    KeepPages(one, 1);
    Open(&one);
    EXPECT_EQ(PageText(), QStringLiteral("Page 1 of 1"));
    EXPECT_TRUE(window->PrintSetup->Enabled());
    QString title, filter;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        title = d->windowTitle();
        filter = FilterShown(d);
        ConfirmFile(d, TestData(QStringLiteral("rpp/three-pages.rpp")));
    });
    Press(window->LoadReport);
    EXPECT_EQ(title, QStringLiteral("Load report"));
    EXPECT_EQ(filter, QStringLiteral("Report file (*.RPP)"));
    EXPECT_EQ(PageText(), QStringLiteral("Page 1 of 3"));
    EXPECT_TRUE(one.FromFile());
    EXPECT_FALSE(window->PrintSetup->Enabled());
    EXPECT_TRUE(window->RpPreview->Image()->ImageLoaded());
    Press(window->LastPage);
    EXPECT_EQ(PageText(), QStringLiteral("Page 3 of 3"));
}

TEST_F(PreviewWindowTest, LoadingAMissingFileSaysSo) {
    Open(&printer);
    MessageBoxWatch boxes;
    auto driver = WhenDialogOpens(
        [&](QDialog* d) { ConfirmFile(d, TestTempDir() + QStringLiteral("/nothing.RPP")); });
    Press(window->LoadReport);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.texts, QStringList({"File does not exist"}));
    EXPECT_EQ(PageText(), QStringLiteral("Page 1 of 3"));
    EXPECT_FALSE(printer.FromFile());
    EXPECT_TRUE(window->RpPreview->Image()->ImageLoaded());
}

// A file that cannot be used leaves the pages shown as they were; the message names the
// file and the cause.
TEST_F(PreviewWindowTest, ARefusedFileKeepsThePagesShown) {
    Open(&printer);
    Press(window->ToolButton2); // the next page
    ASSERT_EQ(PageText(), QStringLiteral("Page 2 of 3"));
    auto driver = WhenDialogOpens(
        [&](QDialog* d) { ConfirmFile(d, TestData(QStringLiteral("bad/rpp/cut-short.rpp"))); });
    try {
        window->LoadClick(window->LoadReport);
        ADD_FAILURE() << "no error";
    } catch (const ERpError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot load the report file ") +
                                   TestData(QStringLiteral("bad/rpp/cut-short.rpp")) +
                                   QStringLiteral(": The link at offset 528 points outside "
                                                  "the report file"));
    }
    EXPECT_EQ(PageText(), QStringLiteral("Page 2 of 3"));
    EXPECT_TRUE(window->RpPreview->Image()->ImageLoaded());
    EXPECT_EQ(printer.Status(), stFinished);
    EXPECT_EQ(printer.PagesBegun(), 3);
}

// A report file of one page with a 2000 x 1500 picture of noise, packed: decoding it
// takes long enough to watch. Made once.
QString MakeLargeReportFile() {
    const QString name = TestTempDir() + QStringLiteral("/large.RPP");
    QImage noise(2000, 1500, QImage::Format_RGB888);
    quint32 seed = 1;
    for (int y = 0; y < noise.height(); ++y) {
        uchar* row = noise.scanLine(y);
        for (int x = 0; x < 3 * noise.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = static_cast<uchar>(seed >> 24);
        }
    }
    TRpPrinter large;
    large.SetCompressed(true);
    large.StartJob();
    large.StartNewPage();
    TBitmap bitmap;
    bitmap.SetImage(noise, pf24bit);
    large.PageCanvas()->StretchDraw(QRect(40, 40, 700, 500), &bitmap);
    large.FinishJob();
    large.SaveToFile(name);
    return name;
}
const QString& LargeReportFile() {
    static const QString name = MakeLargeReportFile();
    return name;
}

// Notes the progress texts the status bar paints while a load runs, and presses a button
// of the window (none: nothing) at the first.
class LoadWatch : public QObject {
public:
    LoadWatch(TRpStandardPreview* window, TControl* button) : window_(window), button_(button) {
        window->StatusBar->Widget()->installEventFilter(this);
    }
    QStringList painted;
    bool pressed = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Paint || !window_ || !window_->Loading()) return false;
        // Across the whole bar, not in the narrow progress panel.
        if (!window_->StatusBar->SimplePanel()) return false;
        const QString text = window_->StatusBar->SimpleText();
        if (!text.endsWith(QLatin1Char('%'))) return false;
        painted << text;
        if (button_ && !pressed) {
            pressed = true;
            QWidget* widget = button_->Widget();
            QMetaObject::invokeMethod(
                widget, [widget] { QTest::mouseClick(widget, Qt::LeftButton); },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    QPointer<TRpStandardPreview> window_;
    TControl* button_;
};

// A large file loads while the window goes on painting and shows how far it has come;
// Cancel gives it up with the pages shown as they were, and read to its end it shows its
// own.
TEST_F(PreviewWindowTest, ALargeFileLoadsWhileTheWindowGoesOn) {
    const QString name = LargeReportFile();
    Open(&printer);
    Press(window->ToolButton2);
    ASSERT_EQ(PageText(), QStringLiteral("Page 2 of 3"));
    const QByteArray shown = window->RpPreview->Image()->PageImage()->Data();
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled" : "read whole");
        LoadWatch watch(window, cancel ? window->CancelLoad : nullptr);
        auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, name); });
        EXPECT_FALSE(window->CancelLoad->Visible());
        Press(window->LoadReport); // back once the load has ended
        EXPECT_FALSE(window->Loading());
        EXPECT_FALSE(window->CancelLoad->Visible());
        EXPECT_EQ(ProgressText(), QString());
        EXPECT_FALSE(window->StatusBar->SimplePanel());
        ASSERT_FALSE(watch.painted.isEmpty());
        EXPECT_TRUE(watch.painted[0].startsWith(QStringLiteral("Loading large.RPP... ")))
            << watch.painted[0].toStdString();
        EXPECT_EQ(watch.pressed, cancel);
        EXPECT_EQ(printer.FromFile(), !cancel);
        EXPECT_EQ(PageText(), cancel ? QStringLiteral("Page 2 of 3") : QStringLiteral("Page 1 of 1"));
        EXPECT_EQ(printer.PagesBegun(), cancel ? 3 : 1);
        ASSERT_TRUE(window->RpPreview->Image()->ImageLoaded());
        EXPECT_EQ(window->RpPreview->Image()->PageImage()->Data() == shown, cancel);
        EXPECT_TRUE(window->LoadReport->Enabled());
    }
}

// Closing the window while a file loads gives the load up: the window goes once the read
// has stopped, and the printer keeps the pages it had.
TEST_F(PreviewWindowTest, ClosingWhileAFileLoads) {
    const QString name = LargeReportFile();
    Open(&printer);
    LoadWatch watch(window, window->ExitButton);
    auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, name); });
    Press(window->LoadReport);
    Flush();
    EXPECT_TRUE(watch.pressed);
    EXPECT_FALSE(window);
    EXPECT_EQ(printer.ClientWindow(), nullptr);
    EXPECT_FALSE(printer.FromFile());
    EXPECT_EQ(printer.PagesBegun(), 3);
}

TEST_F(PreviewWindowTest, SavingThroughItsDialog) {
    Open(&printer);
    const QString dir = TestTempDir();
    QString title, filter;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        title = d->windowTitle();
        filter = FilterShown(d);
        ConfirmFile(d, dir + QStringLiteral("/covers"));
    });
    Press(window->SaveReport);
    EXPECT_EQ(title, QStringLiteral("Save report"));
    EXPECT_EQ(filter, QStringLiteral("Report file(*.RPP)"));
    QFile saved(dir + QStringLiteral("/covers.RPP"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), StreamBytes(*printer.PageStream()));
}

// Saving over a file that exists asks first; refusing keeps the file as it was.
TEST_F(PreviewWindowTest, SavingOverAFileAsksFirst) {
    Open(&printer);
    const QString name = TestTempDir() + QStringLiteral("/existing.RPP");
    {
        QFile earlier(name);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    QStringList asked;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        asked << box->text();
        box->reject(); // "No"
        if (QDialog* files = TCommonDialog::ActiveDialog())
            QTimer::singleShot(0, files, &QDialog::reject);
    });
    watch.start();
    auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, name); });
    Press(window->SaveReport);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(QStringLiteral("existing.RPP"))) << asked[0].toStdString();
    QFile kept(name);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("earlier"));
}

TEST_F(PreviewWindowTest, SaveFilterListsExportFilters) {
    EXPECT_EQ(TRpExportFilterLibrary::Instance().SaveFilter(),
              QStringLiteral("Report file(*.RPP)|*.RPP"));
    TRpExportFilterLibrary::Instance().Register(QStringLiteral("Text file"), QStringLiteral("TXT"),
                                                nullptr);
    EXPECT_EQ(TRpExportFilterLibrary::Instance().SaveFilter(),
              QStringLiteral("Report file(*.RPP)|*.RPP|Text file (*.TXT)|*.TXT"));
    TRpExportFilterLibrary::Instance().Unregister(QStringLiteral("TXT"));
    EXPECT_EQ(TRpExportFilterLibrary::Instance().Count(), 0);
}

// While the pass still runs there is nothing to save: the user is told, and no dialog
// opens.
TEST_F(PreviewWindowTest, NothingToSaveDuringAPass) {
    TRpPrinter running;
    running.StartJob();
    running.StartNewPage();
    Open(&running);
    MessageBoxWatch boxes;
    bool dialog = false;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        dialog = true;
        d->reject();
    });
    Press(window->SaveReport);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.texts, QStringList({"There are no finished pages to save"}));
    EXPECT_FALSE(dialog);
    // Nor can a file be loaded over the pages it is drawing.
    EXPECT_FALSE(window->LoadReport->Enabled());
    running.FinishJob();
    Settle();
    EXPECT_TRUE(window->LoadReport->Enabled());
}

// The set-up button calls the report's handler (what Print does is tested with a real
// report in the printing tests).
TEST_F(PreviewWindowTest, PrinterSetupCallsTheHandler) {
    int setups = 0;
    TObject* sender = nullptr;
    printer.PrintSetupHandler = [&](TObject* s) {
        ++setups;
        sender = s;
    };
    Open(&printer);
    Press(window->PrintSetup);
    EXPECT_EQ(setups, 1);
    EXPECT_EQ(sender, window->PrintSetup);
}

// Closing lets the preview go of its printer first, then tells the report, which frees
// the printer; the window frees itself.
TEST_F(PreviewWindowTest, ClosingTellsTheReport) {
    MessageLog report(nullptr);
    auto* owned = new TRpPrinter;
    KeepPages(*owned, 2);
    owned->SetMasterWindow(&report);
    int afterPreview = 0;
    owned->AfterPreviewHandler = [&](TObject*) { ++afterPreview; };
    bool showingWhenTold = true;
    report.react = [&](const TMessage& m) {
        if (m.Msg != RPM_PREVIEWCLOSED) return;
        auto* p = reinterpret_cast<TRpPrinter*>(m.LParam);
        EXPECT_EQ(p, owned);
        showingWhenTold = p->PreviewShowing() || p->ClientWindow() != nullptr;
        delete p;
    };
    Open(owned);
    Press(window->ExitButton);
    Flush();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(afterPreview, 1);
    EXPECT_FALSE(showingWhenTold);
    ASSERT_EQ(report.received.size(), 1u);

    // The window system's close button does the same.
    auto* second = new TRpPrinter;
    KeepPages(*second, 1);
    second->SetMasterWindow(&report);
    owned = second;
    Open(second);
    window->Widget()->close();
    Flush();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(report.received.size(), 2u);
}

// The printer goes while the window shows it (its report went): every button finds
// nothing to do, and there is nothing to save.
TEST_F(PreviewWindowTest, PrinterFreedUnderTheWindow) {
    auto* gone = new TRpPrinter;
    KeepPages(*gone, 2);
    Open(gone);
    delete gone;
    EXPECT_EQ(window->ReportPrinter(), nullptr);
    MessageBoxWatch boxes;
    for (TControl* b : std::initializer_list<TControl*>{
             window->ZoomFit, window->Zoom100, window->ZoomToWidth, window->FirstPage,
             window->PreviousPage, window->ToolButton2, window->LastPage, window->PrintSetup,
             window->Print, window->SaveReport, window->LoadReport})
        Press(b);
    ASSERT_TRUE(boxes.WaitFor(1));
    EXPECT_EQ(boxes.texts, QStringList({"There are no finished pages to save"}));
    EXPECT_EQ(PageText(), QStringLiteral("Page 1 of 0"));
    Press(window->ExitButton);
    Flush();
    EXPECT_TRUE(window.isNull());
}

// ---- Previews of a report -----------------------------------------------------------------

// An item that fills a box on every page it prints on.
class TBoxItem : public TRpPrintable {
public:
    using TRpPrintable::TRpPrintable;
    void PrintItem(long double offsetX, long double offsetY) override {
        if (TCanvas* canvas = PageCanvas()) {
            canvas->Brush()->SetColor(clBlack);
            canvas->FillRect(QRect(60, 60 + 30 * Printer()->CurrentPage(), 300, 20));
        }
        TRpPrintable::PrintItem(offsetX, offsetY);
    }
};

class ReportPreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUsesInchDefaults(false);
        RegisterReportClasses();
        owner = std::make_unique<TForm>(nullptr);
        report = new TReport(owner.get());
        report->Page()->SetPaperSize(TRpPaperSize::A4);
        report->SetUnits(TRpUnit::MM);
        auto* band = new TRpBand(owner.get());
        band->SetBandType(rbDetail);
        band->SetParent(report);
        band->Size()->SetUnits(TRpUnit::MM);
        band->Size()->SetHeight(200); // one record a page
        (new TBoxItem(owner.get()))->SetParent(band);
    }

    void Records(int n) {
        auto served = std::make_shared<int>(0);
        report->OnNeedData = [served, n](TObject*, bool& more) {
            more = *served < n;
            if (more) ++*served;
        };
    }

    // The window of the report's preview, once it is open.
    TRpStandardPreview* Window() const {
        for (int i = 0; i < Application->ComponentCount(); ++i)
            if (auto* w = qobject_cast<TRpStandardPreview*>(Application->Components(i)))
                if (w->Visible()) return w;
        return nullptr;
    }

    std::unique_ptr<TForm> owner;
    TReport* report = nullptr;
};

// The report's preview opened and closed twenty times, printed and loaded into between:
// whichever comes first, no freed printer is used (the sanitizer build watches).
TEST_F(ReportPreviewTest, OpenedAndClosedTwentyTimes) {
    const QString file = TestData(QStringLiteral("rpp/three-pages.rpp"));
    int closedDuringPass = 0;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        Records(round % 5 == 4 ? 200 : 3);
        QPointer<TRpStandardPreview> seen;
        int steps = 0;
        QTimer script;
        script.setInterval(0);
        QObject::connect(&script, &QTimer::timeout, [&] {
            TRpStandardPreview* w = seen ? seen.data() : Window();
            if (!w) return;
            seen = w;
            switch (round % 5) {
            case 0: // print, then close
                if (steps++ == 0) {
                    w->PrintClick(w->Print);
                } else {
                    w->ExitClick(w->ExitButton);
                    script.stop();
                }
                break;
            case 1: { // load a file, print its pages, close
                script.stop();
                auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, file); });
                w->LoadClick(w->LoadReport);
                w->PrintClick(w->Print);
                w->Close();
                script.stop();
                break;
            }
            case 2: // close by the window system, then a print click that comes too late
                script.stop();
                w->Widget()->close();
                w->PrintClick(w->Print);
                break;
            case 3: // turn pages, save, close
                script.stop();
                w->LastPageClick(w);
                w->FirstPageClick(w);
                if (report->Idle()) {
                    auto driver = WhenDialogOpens([&](QDialog* d) {
                        ConfirmFile(d, TestTempDir() + QStringLiteral("/round.RPP"));
                    });
                    w->SaveClick(w->SaveReport);
                }
                w->ExitClick(w);
                break;
            default: // close while the pass is still running
                script.stop();
                if (!report->Idle()) ++closedDuringPass;
                w->ExitClick(w);
                break;
            }
        });
        script.start();
        report->PreviewReport();
        script.stop();
        Flush();
        EXPECT_TRUE(seen.isNull()) << "the window freed itself";
        EXPECT_TRUE(report->Idle());
        EXPECT_EQ(report->RpPrinter(), nullptr);
    }
    EXPECT_GT(closedDuringPass, 0);
}

} // namespace
