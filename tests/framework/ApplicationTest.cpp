// The message loop: posted messages, exceptions shown in the error box, conversions;
// windows freed by their own handlers, errors while painting, boxes whose window goes.
#include "framework/core/Threads.h"
#include "framework/widgets/Forms.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <sched.h>
#include <stdexcept>

namespace {

TEST(ConversionTest, RoundsHalvesToEven) {
    EXPECT_EQ(RoundEven(0.5L), 0);
    EXPECT_EQ(RoundEven(1.5L), 2);
    EXPECT_EQ(RoundEven(2.5L), 2);
    EXPECT_EQ(RoundEven(-2.5L), -2);
    EXPECT_EQ(RoundEven(42.43L), 42);
    EXPECT_EQ(RoundEven(-0.51L), -1);
    EXPECT_EQ(RoundEven(1e30L), INT64_MAX);
}

TEST(ConversionTest, MulDivRoundsAndRefusesZero) {
    EXPECT_EQ(MulDiv(-11, 72, 96), -8);  // -8.25
    EXPECT_EQ(MulDiv(-13, 72, 96), -10); // -9.75
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(1, 2, 0), -1);
}

TEST(ConversionTest, StrToIntAcceptsDecimalAndHexOnly) {
    EXPECT_EQ(StrToInt(QStringLiteral("45")), 45);
    EXPECT_EQ(StrToInt(QStringLiteral(" -90")), -90);
    EXPECT_EQ(StrToInt(QStringLiteral("$1F")), 31);
    for (const char* bad : {"abc", "", "12 ", "1.5", "99999999999", "-"}) {
        try {
            StrToInt(QString::fromLatin1(bad));
            ADD_FAILURE() << bad;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(),
                      QStringLiteral("'%1' is not a valid integer value").arg(QLatin1String(bad)));
        }
    }
}

// A read-ahead overlaps its starter's work only on a processor of its own: it is kept off
// the starter's one while the process has another, and still runs when it has not.
TEST(StartBesideTest, TheHelperLeavesItsStartersProcessorWhileThereIsAnother) {
    cpu_set_t all;
    CPU_ZERO(&all);
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    if (CPU_COUNT(&all) < 2) GTEST_SKIP() << "one processor";
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    struct Row {
        const char* name;
        const cpu_set_t* starter; // where the starting thread may run
        int helper;               // on how many processors its helper may run
    };
    for (const Row& row : {Row{"several processors", &all, CPU_COUNT(&all) - 1},
                           Row{"one processor", &one, 1}}) {
        SCOPED_TRACE(row.name);
        std::thread starter([&] {
            ASSERT_EQ(sched_setaffinity(0, sizeof(cpu_set_t), row.starter), 0);
            bool ran = false;
            cpu_set_t mine;
            CPU_ZERO(&mine);
            StartBeside([&] {
                sched_getaffinity(0, sizeof mine, &mine);
                ran = true;
            }).join();
            EXPECT_TRUE(ran);
            EXPECT_EQ(CPU_COUNT(&mine), row.helper);
        });
        starter.join();
    }
}

TEST(ErrorBoxTest, AFullStopFollowsMessagesEndingAfterTheFullStop) {
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Cannot open file x.jpg")),
              QStringLiteral("Cannot open file x.jpg."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Done.")), QStringLiteral("Done."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Really?")), QStringLiteral("Really?."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("(1)")), QStringLiteral("(1)")); // ')' sorts before '.'
    EXPECT_EQ(ErrorBoxText(QStringLiteral("a-")), QStringLiteral("a-"));   // '-' sorts before '.'
    EXPECT_EQ(ErrorBoxText(QStringLiteral("dir/")), QStringLiteral("dir/.")); // '/' sorts after '.'
    EXPECT_EQ(ErrorBoxText(QString()), QString());
}

// A control that records the messages it receives and fails on one of them.
class TRecorder : public TControl {
public:
    using TControl::TControl;
    std::vector<std::pair<unsigned, intptr_t>> received;

protected:
    void WndProc(TMessage& m) override {
        received.emplace_back(m.Msg, m.WParam);
        m.Result = static_cast<intptr_t>(m.WParam) * 2;
        if (m.Msg == WM_USER + 99)
            throw EInvalidOperation(QStringLiteral("Report printer not ready"));
        if (m.Msg == WM_USER + 98) Abort();
    }
};

TEST(MessageTest, PostedMessagesArriveInOrderWhenTheLoopRuns) {
    TRecorder r(nullptr);
    for (int i = 0; i < 5; ++i)
        PostMessage(&r, WM_USER + 1 + i % 2, i);
    EXPECT_TRUE(r.received.empty()); // nothing before the loop runs
    Application->ProcessMessages();
    ASSERT_EQ(r.received.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(r.received[i].first, WM_USER + 1 + i % 2);
        EXPECT_EQ(r.received[i].second, i);
    }
    // Sent messages are delivered at once and return their result.
    EXPECT_EQ(SendMessage(&r, WM_USER, 21), 42);
    EXPECT_EQ(r.received.size(), 6u);
}

TEST(MessageTest, MessagesForAFreedControlAreDropped) {
    auto* r = new TRecorder(nullptr);
    PostMessage(r, WM_USER + 1, 1);
    delete r;
    // Controls made afterwards (one may take the freed one's place in memory) receive only
    // what is posted to them.
    std::vector<std::unique_ptr<TRecorder>> later;
    for (int i = 0; i < 4; ++i) {
        later.push_back(std::make_unique<TRecorder>(nullptr));
        PostMessage(later.back().get(), WM_USER + 2, 10 + i);
    }
    Application->ProcessMessages();
    for (int i = 0; i < 4; ++i) {
        const auto& received = later[static_cast<size_t>(i)]->received;
        ASSERT_EQ(received.size(), 1u) << i;
        EXPECT_EQ(received[0].first, WM_USER + 2);
        EXPECT_EQ(received[0].second, 10 + i);
    }
}

// Closes the next error box that appears and remembers its caption and text.
struct BoxWatcher {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int seen = 0;
    void Arm() {
        QTimer::singleShot(0, [this] { Poll(); });
    }
    void Poll() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            ++seen;
            box->accept();
            return;
        }
        QTimer::singleShot(5, [this] { Poll(); });
    }
};

TEST(MessageTest, AnExceptionLeavingAHandlerIsShownAndTheLoopGoesOn) {
    TRecorder r(nullptr);
    BoxWatcher watcher;
    watcher.Arm();
    PostMessage(&r, WM_USER + 99, 1);
    PostMessage(&r, WM_USER + 2, 2); // after the failure, the loop goes on
    Application->ProcessMessages();
    Application->ProcessMessages();
    EXPECT_EQ(watcher.seen, 1);
    EXPECT_EQ(watcher.caption, Application->Title());
    EXPECT_EQ(watcher.caption, QStringLiteral("test_framework"));
    EXPECT_EQ(watcher.text, QStringLiteral("Report printer not ready."));
    EXPECT_EQ(watcher.icon, QMessageBox::Critical);
    ASSERT_EQ(r.received.size(), 2u);
    EXPECT_EQ(r.received[1].first, WM_USER + 2);
}

TEST(MessageTest, ASilentAbortShowsNothing) {
    TRecorder r(nullptr);
    int shown = 0;
    Application->OnException = [&](TObject*, const Exception&) { ++shown; };
    PostMessage(&r, WM_USER + 98, 1);
    Application->ProcessMessages();
    Application->OnException = nullptr;
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(r.received.size(), 1u);
}

TEST(ApplicationTest, TheMainWindowClosingEndsTheLoop) {
    TApplication app(nullptr);
    TApplication* const global = Application;
    Application = &app; // the loop under test is the global one, as in the program
    auto* form = new TForm(&app);
    app.SetMainForm(form);
    form->SetClientWidth(100);
    form->SetClientHeight(50);
    QTimer::singleShot(20, [form] { form->Close(); });
    app.Run();
    Application = global;
    EXPECT_TRUE(app.Terminated());
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(form->Widget()->size(), QSize(100, 50));
}

TEST(ApplicationTest, FixedBordersCannotBeResizedAndStayOnTopIsPassedOn) {
    TForm form(nullptr);
    form.SetBorderStyle(TFormEnums::bsSingle);
    form.SetBorderIcons({});
    form.SetFormStyle(TFormEnums::fsStayOnTop);
    form.SetClientWidth(546);
    form.SetClientHeight(380);
    form.Show();
    QWidget* w = form.Widget();
    EXPECT_EQ(w->minimumSize(), QSize(546, 380));
    EXPECT_EQ(w->maximumSize(), QSize(546, 380));
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(w->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    int shows = 0;
    form.OnShow = [&](TObject*) { ++shows; };
    form.Hide();
    form.Show();
    EXPECT_EQ(shows, 1);
}

TEST(MessageLoopTest, AWindowFreedByItsOwnHandlerGoesOnlyAfterTheHandler) {
    // A handler that closes its window for good and lets the loop run, as a progress
    // window's Cancel does, still has its window when the loop comes back to it; the
    // program's top-level loop frees the window once the handler has returned.
    TApplication app(nullptr);
    TApplication* const global = Application;
    Application = &app;
    auto* form = new TForm(nullptr);
    QPointer<TForm> alive(form);
    form->OnClose = [](TObject*, TCloseAction& action) { action = TFormEnums::caFree; };
    form->Show();
    bool whileHandling = false;
    QString caption;
    QTimer::singleShot(0, [&] {
        form->SetCaption(QStringLiteral("Printing"));
        form->Close();
        Application->ProcessMessages();
        Application->ProcessMessages();
        whileHandling = alive;
        caption = form->Caption();
    });
    QTimer poll;
    int ticks = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!alive || ++ticks > 200) app.Terminate();
    });
    poll.start(5);
    app.Run();
    Application = global;
    EXPECT_TRUE(whileHandling);
    EXPECT_EQ(caption, QStringLiteral("Printing"));
    EXPECT_FALSE(alive);
}

TEST(ErrorEdgeTest, ASinkThatFailsDoesNotLetTheErrorThrough) {
    int reached = 0;
    TExceptionSink previous = SetExceptionSink([&](const Exception&) {
        ++reached;
        throw std::runtime_error("the sink failed too");
    });
    SafeCall([] { throw EInvalidOperation(QStringLiteral("first")); });
    SafeCall([] { throw std::runtime_error("second"); });
    SetExceptionSink(std::move(previous));
    EXPECT_EQ(reached, 2);
}

// A control whose painting fails while asked to, as a page that cannot be played does.
class TFailingView : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    bool fail = false;

protected:
    void Paint() override {
        if (fail) throw EInvalidGraphic(QStringLiteral("Page cannot be played"));
        Canvas()->FillRect(ClientRect());
    }
};

TEST(ErrorEdgeTest, AnErrorWhilePaintingIsToldLaterAndOnceWhileItLasts) {
    TForm form(nullptr);
    form.SetClientWidth(120);
    form.SetClientHeight(80);
    auto* view = new TFailingView(&form);
    view->SetBounds(0, 0, 100, 60);
    view->SetParent(&form);
    form.Show();
    Application->ProcessMessages();
    int told = 0;
    bool toldWhilePainting = false;
    QString message;
    Application->OnException = [&](TObject*, const Exception& e) {
        ++told;
        toldWhilePainting = toldWhilePainting || view->Widget()->paintingActive();
        message = e.Message();
    };
    view->fail = true;
    for (int i = 0; i < 3; ++i)
        view->Widget()->repaint();
    EXPECT_EQ(told, 0); // nothing inside the paint events
    Application->ProcessMessages();
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(toldWhilePainting);
    EXPECT_EQ(message, QStringLiteral("Page cannot be played"));
    // The same failure on every repaint is told once.
    for (int i = 0; i < 3; ++i)
        view->Widget()->repaint();
    Application->ProcessMessages();
    EXPECT_EQ(told, 1);
    // Once the view has painted, a new failure is told again.
    view->fail = false;
    view->Widget()->repaint();
    view->fail = true;
    view->Widget()->repaint();
    Application->ProcessMessages();
    EXPECT_EQ(told, 2);
    Application->OnException = nullptr;
}

TEST(ErrorEdgeTest, TheErrorBoxOfAFailedPaintOpensFromTheLoop) {
    TForm form(nullptr);
    form.SetClientWidth(120);
    form.SetClientHeight(80);
    auto* view = new TFailingView(&form);
    view->SetBounds(0, 0, 100, 60);
    view->SetParent(&form);
    form.Show();
    Application->ProcessMessages();
    BoxWatcher watcher;
    watcher.Arm();
    view->fail = true;
    view->Widget()->repaint();
    view->Widget()->repaint();
    EXPECT_EQ(watcher.seen, 0);
    for (int i = 0; i < 5; ++i)
        Application->ProcessMessages();
    EXPECT_EQ(watcher.seen, 1);
    EXPECT_EQ(watcher.text, QStringLiteral("Page cannot be played."));
    view->fail = false;
    view->Widget()->repaint();
}

// Frees the window under the next modal box once it is open.
void FreeUnderTheNextBox(TForm*& form, bool& sawBox) {
    auto* poll = new QTimer();
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &form, &sawBox] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !form) return;
        sawBox = modal->parentWidget() == form->Widget();
        delete form;
        form = nullptr;
        poll->deleteLater();
    });
    poll->start();
}

TEST(DialogLifetimeTest, AMessageBoxWhoseWindowIsFreedWhileOpenEndsAsCancelled) {
    auto* form = new TForm(nullptr);
    form->SetClientWidth(120);
    form->SetClientHeight(80);
    form->Show();
    QApplication::setActiveWindow(form->Widget());
    ASSERT_EQ(QApplication::activeWindow(), form->Widget());
    bool sawBox = false;
    FreeUnderTheNextBox(form, sawBox);
    const int answer =
        Application->MessageBox(QStringLiteral("Go on?"), QStringLiteral("Print"), MB_YESNO);
    EXPECT_TRUE(sawBox);
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(answer, IDCANCEL);
}

TEST(DialogLifetimeTest, TheErrorBoxSurvivesItsWindowGoing) {
    auto* form = new TForm(nullptr);
    form->SetClientWidth(120);
    form->SetClientHeight(80);
    form->Show();
    QApplication::setActiveWindow(form->Widget());
    bool sawBox = false;
    FreeUnderTheNextBox(form, sawBox);
    Application->ShowException(Exception(QStringLiteral("Printer not ready")));
    EXPECT_TRUE(sawBox);
    EXPECT_EQ(form, nullptr);
}

} // namespace
