#pragma once
// The splash window shown above the main window at every start.

#include "framework/Forms.h"

class TIntro : public TForm {
    Q_OBJECT
public:
    explicit TIntro(TComponent* owner);
};

extern TIntro* Intro;
