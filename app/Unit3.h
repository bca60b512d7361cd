#pragma once
// The credits window.

#include "framework/Forms.h"

class TInfo : public TForm {
    Q_OBJECT
public:
    explicit TInfo(TComponent* owner);
};

extern TInfo* Info;
