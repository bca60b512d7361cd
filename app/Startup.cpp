#include "app/Startup.h"

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "controls/TextEffects.h"
#include "framework/core/Reader.h"
#include "imaging/jpeg.h"

void CreateEditorWindows() {
    // Before the first window loads a picture.
    RegisterJPEGFormats();
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
    UnregisterJPEGFormats();
    return 0;
}
