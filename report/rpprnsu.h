#pragma once
// The report's print dialog: the framework's print dialog under the report engine's name,
// with the properties its stored layouts carry.

#include "framework/widgets/PrintDialogs.h"

class TRpPrintDialog : public TPrintDialog {
    Q_OBJECT
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE SetCtl3D)
    Q_PROPERTY(int HelpContext READ HelpContext WRITE SetHelpContext)
public:
    explicit TRpPrintDialog(TComponent* owner) : TPrintDialog(owner) {}

    // Kept for layouts; the dialog has one look and no help.
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool v) { ctl3D_ = v; }
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int v) { helpContext_ = v; }

private:
    bool ctl3D_ = true;
    int helpContext_ = 0;
};
