#include "app/Unit1.h"

#include "app/Unit2.h"
#include "app/Unit4.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* owner) : TForm(owner) { ReadLayout(QStringLiteral("Form1.layout")); }

void TForm1::FormShow(TObject*) {
    if (Intro) Intro->Show();
}

void TForm1::BitBtn3Click(TObject*) { Close(); }
