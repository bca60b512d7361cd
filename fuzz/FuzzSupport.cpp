#include "FuzzSupport.h"

#include "framework/graphics/Metafile.h"
#include "framework/graphics/Pictures.h"
#include "framework/graphics/QtImage.h"
#include "framework/widgets/Forms.h"
#include "imaging/jpeg.h"

#include <QApplication>
#include <QGuiApplication>
#include <QStandardPaths>
#include <cstdlib>

void StartFuzzing(bool widgets) {
    // Never destroyed: the application outlives every static object of Qt's that it
    // would otherwise meet half torn down at exit.
    static QGuiApplication* app = nullptr;
    if (app) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own diagnostics would flood the fuzzer's output.
    qputenv("QT_LOGGING_RULES", "*=false");
    // The text-cell cache goes to Qt's test folders, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    if (widgets) {
        app = new QApplication(argc, argv);
        TApplication::Initialize();
    } else {
        app = new QGuiApplication(argc, argv);
        RegisterStandardPictureFormats();
        RegisterMetafileFormats();
        RegisterQtImageFormats();
    }
    RegisterJPEGFormats();
}

QImage SmallPage() {
    QImage page(64, 48, QImage::Format_RGB32);
    page.fill(Qt::white);
    return page;
}
