#include "report/RpPrgres.h"

#include "framework/core/Resources.h"
#include "report/RpPrntr.h"

#include <QLocale>

TRpProgressForm::TRpProgressForm(TComponent* owner) : TForm(owner) {
    ReadLayout(QStringLiteral("RpPrgres.layout"));
}

TRpPrinter* TRpProgressForm::ReportPrinter() const {
    return reportPrinter_.data();
}

void TRpProgressForm::SetReportPrinter(TRpPrinter* printer) {
    reportPrinter_ = printer;
}

void TRpProgressForm::CancelButtonClick(TObject*) {
    if (reportPrinter_) reportPrinter_->RequestCancel();
}

void TRpProgressForm::WndProc(TMessage& m) {
    switch (m.Msg) {
    case RPM_PROGRESS:
        Progress();
        return;
    case RPM_PAGEREADY:
        return;
    default:
        TForm::WndProc(m);
    }
}

// Only every fifth percent is shown; the printer's own value counts, not the message's,
// which may be older.
void TRpProgressForm::Progress() {
    if (!reportPrinter_) return;
    const int p = reportPrinter_->ProgressPercent();
    if (p % 5 != 0) return;
    Gauge->SetPosition(p);
    Info->SetCaption(QLocale().toString(p) + QStringLiteral("% ") + LoadStr(RpRes::SCompleted));
    // Lets a click on Cancel be seen while the pass runs.
    if (Application) Application->ProcessMessages();
}
