// bare_window WxH: a plain Qt Widgets window of that client size, the yardstick of the
// editor's start-up (bench/startup.sh).
#include <QApplication>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int w = 546, h = 380;
    if (argc > 1) std::sscanf(argv[1], "%dx%d", &w, &h);
    QWidget window;
    window.resize(w, h);
    window.show();
    return app.exec();
}
