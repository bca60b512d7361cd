// Test entry: a real application object on the offscreen platform (unless a display is
// asked for), then GoogleTest, or the one child body a test started this program for.
#include "framework/widgets/Forms.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    // What the tests leave in the user's folders (the text-cell cache) goes to Qt's test
    // folders instead.
    QStandardPaths::setTestModeEnabled(true);
    // Texts as they are written, whatever the user's locale: a test that wants a language
    // chooses it itself.
    qputenv("LC_ALL", "C.UTF-8");
    qunsetenv("LANGUAGE");
    QApplication qapp(argc, argv);
    TApplication::Initialize();
    if (const TChildBody child = ChildBodyToRun()) return child();
    const int rc = RUN_ALL_TESTS();
    TApplication::Finalize();
    return rc;
}
