#include "app/Startup.h"

#include "app/DesignDocument.h"
#include "app/Editor.h"
#include "app/Unit1.h"
#include "framework/core/Threads.h"
#include "framework/widgets/Forms.h"
#include "imaging/jpeg.h"

#include <QDBusConnection>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace {

// The windows nobody sees at start-up are made once the main window has painted, so that
// its first picture reaches the screen before they take the processor; at the latest after
// this long, for a main window that is not painted (one kept unmapped).
constexpr int kLatestHiddenWindowsMs = 250;

// Runs a step once, after the first paint of a widget or when the time above has passed.
class TAfterFirstPaint : public QObject {
public:
    TAfterFirstPaint(QWidget* widget, std::function<void()> step)
        : QObject(widget), step_(std::move(step)) {
        widget->installEventFilter(this);
        QTimer::singleShot(kLatestHiddenWindowsMs, this, [this] { Run(); });
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        // From the loop, once the paint is over and on its way to the screen.
        if (e->type() == QEvent::Paint) QTimer::singleShot(0, this, [this] { Run(); });
        return false;
    }

private:
    void Run() {
        if (!step_) return;
        const std::function<void()> step = std::move(step_);
        step_ = nullptr;
        deleteLater();
        SafeCall(step);
    }
    std::function<void()> step_;
};

// Qt's accessibility bridge connects to the session bus when the first widget tells of a
// change, in the middle of making the main window, and waits for it (without a bus, for a
// helper program that tries to start one). Connected beside the window's making, the
// bridge finds the connection made, or the attempt failed. Only the platforms with the
// bridge connect.
std::jthread ConnectSessionBusAhead() {
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland")))
        return {};
    return StartBeside([] { QDBusConnection::sessionBus(); });
}

} // namespace

TEditor* MakeEditor(TComponent* owner, const QString& design) {
    auto* editor = new TEditor(owner, TEditor::THiddenWindows::Later);
    new TAfterFirstPaint(editor->Form1->Widget(), [editor, design] {
        editor->MakeHiddenWindows();
        // Over the shown window, so that a refusal has a window to show in, and after the
        // print layout is made, so that its making does not empty what the design sets.
        if (!design.isEmpty()) editor->Document->Open(design);
    });
    return editor;
}

int RunEditor(const QString& design) {
    const std::jthread sessionBus = ConnectSessionBusAhead();
    // Owned by the application, which frees what it owns last first: a preview window
    // still open at the end goes before the report whose pages it shows.
    MakeEditor(Application, design);
    Application->Run();
    UnregisterJPEGFormats();
    return 0;
}
