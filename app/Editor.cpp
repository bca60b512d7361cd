#include "app/Editor.h"

#include "app/DesignDocument.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "controls/TextEffects.h"
#include "framework/core/Reader.h"
#include "framework/widgets/Forms.h"
#include "imaging/jpeg.h"

TEditor::TEditor(TComponent* owner, THiddenWindows hidden) : TComponent(owner) {
    // Before the first window loads a picture.
    RegisterJPEGFormats();
    RegisterTextEffectControls();
    RegisterComponentClass<TForm1>();
    RegisterComponentClass<Tpreview>();
    RegisterComponentClass<TInfo>();
    RegisterComponentClass<TIntro>();
    Form1 = new TForm1(this);
    Form1->SetLinks({
        [this] {
            if (Intro) Intro->Show();
        },
        [this] {
            if (TInfo* credits = Credits()) {
                credits->Show();
                credits->BringToFront();
            }
        },
        [this] { return PrintLayout(); },
        [this] { return preview; },
    });
    if (hidden == THiddenWindows::WithEditor) {
        MakeHiddenWindows();
        Intro = new TIntro(this);
    }
    Document = new TDesignDocument(Form1);
    if (Application) Application->SetMainForm(Form1);
}

void TEditor::MakeHiddenWindows() {
    // The splash first: it is the one to be seen.
    if (!Intro && Form1 && Form1->Visible()) {
        Intro = new TIntro(this);
        Intro->Show();
    }
    if (!preview) {
        preview = new Tpreview(this);
        if (Form1 && Form1->Visible()) Form1->EmptyPrintPictures();
    }
    if (!Info) Info = new TInfo(this);
}

Tpreview* TEditor::PrintLayout() {
    MakeHiddenWindows();
    return preview;
}

TInfo* TEditor::Credits() {
    MakeHiddenWindows();
    return Info;
}

TEditor::~TEditor() {
    if (Application && Form1 && Application->MainForm() == Form1) Application->SetMainForm(nullptr);
    delete Document;
    Document = nullptr;
    // The main window first: its handlers reach the other three, never the reverse.
    delete Form1;
    delete Intro;
    delete Info;
    delete preview;
}

void TEditor::Notification(TComponent* c, TOperation op) {
    TComponent::Notification(c, op);
    if (op != opRemove) return;
    if (c == Form1) Form1 = nullptr;
    if (c == preview) preview = nullptr;
    if (c == Info) Info = nullptr;
    if (c == Intro) Intro = nullptr;
}

TEditor* TEditor::Of(const TComponent* window) {
    return window ? qobject_cast<TEditor*>(window->Owner()) : nullptr;
}
