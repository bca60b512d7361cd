// Test entry: a real application object on the offscreen platform (unless a display is
// asked for), then GoogleTest.
#include "framework/widgets/Forms.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication qapp(argc, argv);
    TApplication::Initialize();
    const int rc = RUN_ALL_TESTS();
    TApplication::Finalize();
    return rc;
}
