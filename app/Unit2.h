#pragma once
// The print-layout window: never shown; it holds the cover report and its items.

#include "framework/widgets/Forms.h"

class Tpreview : public TForm {
    Q_OBJECT
public:
    explicit Tpreview(TComponent* owner);
};

extern Tpreview* preview;
