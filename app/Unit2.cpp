#include "app/Unit2.h"

Tpreview::Tpreview(TComponent* owner) : TForm(owner) {
    // The classes the layout names, before it is read.
    RegisterReportClasses();
    RegisterPrintableItemClasses();
    RegisterAngledLabelClasses();
    ReadLayout(QStringLiteral("preview.layout"));
}
