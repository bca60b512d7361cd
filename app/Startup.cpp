#include "app/Startup.h"

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "controls/TextEffects.h"
#include "framework/Reader.h"

void CreateEditorWindows() {
    RegisterTextEffectControls();
    RegisterComponentClass<TForm1>();
    RegisterComponentClass<Tpreview>();
    RegisterComponentClass<TInfo>();
    RegisterComponentClass<TIntro>();
    Application->CreateForm(Form1);
    Application->CreateForm(preview);
    Application->CreateForm(Info);
    Application->CreateForm(Intro);
}

int RunEditor() {
    CreateEditorWindows();
    Application->Run();
    return 0;
}
