#pragma once
// The splash window shown above the main window at every start, until its picture is
// clicked.

#include "framework/widgets/ExtCtrls.h"
#include "framework/widgets/Forms.h"
#include "framework/widgets/StdCtrls.h"

class TIntro : public TForm {
    Q_OBJECT
    Q_PROPERTY(TImage* Image1 MEMBER Image1)
    Q_PROPERTY(TLabel* Label1 MEMBER Label1)
    Q_PROPERTY(TLabel* Label2 MEMBER Label2)

public:
    explicit TIntro(TComponent* owner);

    TImage* Image1 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;

    Q_INVOKABLE void Image1Click(TObject* Sender);
};
