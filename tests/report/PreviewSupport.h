#pragma once
// Shared pieces of the preview tests: printers with kept A4 pages, a window that notes
// the report printer's messages, and where screenshots go.

#include "pagestore/PageSupport.h"
#include "report/RpPrntrPreview.h"
#include "support/FormTestSupport.h"

#include <QCoreApplication>
#include <QDir>

// A finished pass of n A4 pages; page i carries i filled boxes down its left side, 100 x
// 40 pixels from (40, 40) and 60 pixels apart, and lines of text from (200, 400).
inline void KeepPages(TRpPrinter& printer, int n) {
    printer.StartJob();
    for (int i = 1; i <= n; ++i) {
        printer.StartNewPage();
        TCanvas* canvas = printer.PageCanvas();
        canvas->Brush()->SetColor(clBlack);
        for (int box = 0; box < i; ++box)
            canvas->FillRect(QRect(40, 40 + 60 * box, 100, 40));
        canvas->Brush()->SetBrushStyle(bsClear);
        canvas->Font()->SetName(QStringLiteral("Arial"));
        canvas->Font()->SetHeight(-14);
        for (int line = 0; line < 10; ++line)
            canvas->TextOut(
                200, 400 + 30 * line,
                QStringLiteral("Page %1, line %2 of the disc's notes").arg(i).arg(line));
    }
    printer.FinishJob();
}

// A window standing for the report: notes the messages the printer sends it, and may
// react to one (as the report frees its printer when the preview closes).
class MessageLog : public TControl {
public:
    using TControl::TControl;
    std::vector<TMessage> received;
    std::function<void(const TMessage&)> react;

protected:
    void WndProc(TMessage& m) override {
        received.push_back(m);
        if (react) react(m);
    }
};

// build/screenshots, beside the test programs' folder.
inline QString ScreenshotDir() {
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots");
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}
