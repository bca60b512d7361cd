#pragma once
// The progress window of a pass to the printer: the percentage the pass announces and a
// Cancel button that asks the report printer to stop at its next check.

#include "framework/widgets/ComCtrls.h"
#include "framework/widgets/Forms.h"
#include "framework/widgets/StdCtrls.h"

#include <QPointer>

class TRpPrinter;

namespace RpRes {
inline constexpr int SCompleted = 63200; // " Completed"
}

class TRpProgressForm : public TForm {
    Q_OBJECT
    Q_PROPERTY(TLabel* Info MEMBER Info)
    Q_PROPERTY(TButton* CancelButton MEMBER CancelButton)
    Q_PROPERTY(TProgressBar* Gauge MEMBER Gauge)
public:
    explicit TRpProgressForm(TComponent* owner);

    TLabel* Info = nullptr;
    TButton* CancelButton = nullptr;
    TProgressBar* Gauge = nullptr;

    // The printer watched; none after construction.
    // Guarded: none once the printer is gone.
    TRpPrinter* ReportPrinter() const;
    void SetReportPrinter(TRpPrinter* printer);

    Q_INVOKABLE void CancelButtonClick(TObject* Sender);

protected:
    void WndProc(TMessage& m) override;

private:
    void Progress();
    QPointer<TRpPrinter> reportPrinter_;
};
