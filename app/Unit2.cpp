#include "app/Unit2.h"

Tpreview* preview = nullptr;

Tpreview::Tpreview(TComponent* owner) : TForm(owner) {
    ReadLayout(QStringLiteral("preview.layout"));
}
