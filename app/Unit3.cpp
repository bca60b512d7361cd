#include "app/Unit3.h"

TInfo* Info = nullptr;

TInfo::TInfo(TComponent* owner) : TForm(owner) { ReadLayout(QStringLiteral("Info.layout")); }
