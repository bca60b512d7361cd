// The cover editor's entry point: the editor, or designs printed without a window.
#include "app/CommandLine.h"
#include "app/Startup.h"
#include "framework/core/Translations.h"
#include "framework/graphics/FontConfig.h"
#include "framework/widgets/Forms.h"
#include "framework/widgets/PrintDialogs.h"

#include <QApplication>
#include <cstdio>
#include <new>
#include <unistd.h>

namespace {

// Qt ends the program with a page of advice when it cannot reach the display: one line
// and exit 1 instead. Only while the application connects; Qt's other notes are kept.
void DisplayFailure(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtFatalMsg) return;
    const QString display = qEnvironmentVariable("WAYLAND_DISPLAY").isEmpty()
                                ? qEnvironmentVariable("DISPLAY")
                                : qEnvironmentVariable("WAYLAND_DISPLAY");
    Q_UNUSED(text);
    const QString message = Translate("CommandLine", "the display %1 cannot be opened");
    std::fprintf(stderr, "sleevane: %s\n", message.arg(display).toLocal8Bit().constData());
    std::fflush(stderr);
    ::_exit(1);
}

} // namespace

int main(int argc, char** argv) try {
    // The user's language from the first line printed: the application does not exist yet.
    InstallTranslations();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine line = ParseCommandLine(arguments);
    switch (line.mode) {
    case TCommandLine::TMode::Usage:
        std::fprintf(stderr, "sleevane: %s\n",
                     Translate("CommandLine", "%1 (sleevane --help shows the usage)")
                         .arg(line.error)
                         .toLocal8Bit()
                         .constData());
        return 2;
    case TCommandLine::TMode::Help:
        std::fputs(UsageText().toLocal8Bit().constData(), stdout);
        return 0;
    default:
        break;
    }
    if (PrintsWithoutWindow(line)) {
        // From here on, no error opens a window: each is one line on standard error.
        PrepareWindowlessRun();
    } else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
               qEnvironmentVariableIsEmpty("DISPLAY") &&
               qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        // Qt would end the program on its own with a page of advice.
        const QString message =
            Translate("CommandLine", "no display to show the editor on (neither DISPLAY nor "
                                     "WAYLAND_DISPLAY is set); --print and --pdf need none");
        std::fprintf(stderr, "sleevane: %s\n", message.toLocal8Bit().constData());
        return 1;
    }
    // Read while the application connects to its display.
    ReadFontConfigurationAhead();
    const QtMessageHandler kept =
        PrintsWithoutWindow(line) ? nullptr : qInstallMessageHandler(DisplayFailure);
    QApplication qapp(argc, argv);
    if (!PrintsWithoutWindow(line)) qInstallMessageHandler(kept);
    TApplication::Initialize();
    if (PrintsWithoutWindow(line))
        KeepErrorsOffWindows();
    else
        InstallReplaceQuestion();
    // While the main window reads its layout: a program that does not start threads of
    // its own (one that forks, as the tests do) never calls this.
    ListFontFacesAhead();
    int rc = 1;
    SafeCall([&] {
        rc = PrintsWithoutWindow(line) ? RunPrintJobs(line) : RunEditor(line.designs.value(0));
    });
    TApplication::Finalize();
    return rc;
} catch (const std::bad_alloc&) {
    std::fprintf(stderr, "sleevane: %s\n",
                 Translate("CommandLine", "out of memory").toLocal8Bit().constData());
    return 1;
}
