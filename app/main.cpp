// The cover editor's entry point.
#include "app/Startup.h"
#include "framework/widgets/Forms.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    TApplication::Initialize();
    int rc = 1;
    SafeCall([&] { rc = RunEditor(); });
    TApplication::Finalize();
    return rc;
}
