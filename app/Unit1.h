#pragma once
// The main window: the whole user interface of the cover editor and the holder of the
// cover being designed.

#include "framework/Forms.h"

class TForm1 : public TForm {
    Q_OBJECT
public:
    explicit TForm1(TComponent* owner);

    Q_INVOKABLE void FormShow(TObject* Sender);
    Q_INVOKABLE void BitBtn3Click(TObject* Sender);
};

extern TForm1* Form1;
