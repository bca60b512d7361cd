// The cover editor's entry point: the editor, or designs printed without a window.
#include "app/CommandLine.h"
#include "app/Startup.h"
#include "framework/graphics/FontConfig.h"
#include "framework/widgets/Forms.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine line = ParseCommandLine(arguments);
    switch (line.mode) {
    case TCommandLine::TMode::Usage:
        std::fprintf(stderr, "sleevane: %s (sleevane --help shows the usage)\n",
                     line.error.toLocal8Bit().constData());
        return 2;
    case TCommandLine::TMode::Help:
        std::fputs(UsageText().toLocal8Bit().constData(), stdout);
        return 0;
    default:
        break;
    }
    if (PrintsWithoutWindow(line)) {
        PrepareWindowlessRun();
    } else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
               qEnvironmentVariableIsEmpty("DISPLAY") &&
               qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        // Qt would end the program on its own with a page of advice.
        std::fputs("sleevane: no display to show the editor on (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set); --print and --pdf need none\n",
                   stderr);
        return 1;
    }
    // Read while the application connects to its display.
    ReadFontConfigurationAhead();
    QApplication qapp(argc, argv);
    TApplication::Initialize();
    // While the main window reads its layout: a program that does not start threads of
    // its own (one that forks, as the tests do) never calls this.
    ListFontFacesAhead();
    int rc = 1;
    SafeCall([&] {
        rc = PrintsWithoutWindow(line) ? RunPrintJobs(line) : RunEditor(line.designs.value(0));
    });
    TApplication::Finalize();
    return rc;
}
