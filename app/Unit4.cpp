#include "app/Unit4.h"

TIntro::TIntro(TComponent* owner) : TForm(owner) {
    ReadLayout(QStringLiteral("Intro.layout"));
}

void TIntro::Image1Click(TObject*) {
    Close();
}
