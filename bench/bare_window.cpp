// bare_window WxH [--text]: a plain Qt Widgets window of that client size, the yardstick of
// the editor's start-up (bench/startup.sh). With --text it also holds one label, one push
// button and one editable combo box: the least a window that shows text and takes input
// costs Qt before it maps (the font configuration and database, a face, its fallbacks).
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int w = 546, h = 380;
    bool text = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--text") == 0)
            text = true;
        else
            std::sscanf(argv[i], "%dx%d", &w, &h);
    }
    QWidget window;
    window.resize(w, h);
    if (text) {
        (new QLabel(QStringLiteral("Fronte"), &window))->move(8, 8);
        auto* choice = new QComboBox(&window);
        choice->setEditable(true);
        choice->addItems({QStringLiteral("Non presente"), QStringLiteral("Copertina")});
        choice->move(8, 32);
        (new QPushButton(QStringLiteral("Anteprima"), &window))->move(8, 64);
    }
    window.show();
    return app.exec();
}
