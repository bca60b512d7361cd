#include "app/Unit1.h"

#include "app/Editor.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"

namespace {

// A font applied from a font dialog keeps the colour of the matching colour dialog: the
// colour picked inside the font dialog is never used.
void ApplyFont(TControl* label, TFontDialog* dialog, TColorDialog* colours) {
    label->Font()->Assign(dialog->Font());
    label->Font()->SetColor(colours->Color());
}

void ApplyColour(TControl* label, TColor colour) {
    label->Font()->SetColor(colour);
    label->Invalidate();
}

} // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    ReadLayout(QStringLiteral("Form1.layout"));
}

TForm1::~TForm1() = default;

Tpreview* TForm1::Layout() const {
    TEditor* editor = TEditor::Of(this);
    return editor ? editor->PrintLayout() : nullptr;
}

void TForm1::FormShow(TObject*) {
    const TEditor* editor = TEditor::Of(this);
    if (editor && editor->Intro) editor->Intro->Show();
    EmptyPrintPictures();
}

// The cover pictures have no size on the print page until a format is chosen. A print
// layout still to be made gets this when it is made.
void TForm1::EmptyPrintPictures() {
    const TEditor* editor = TEditor::Of(this);
    Tpreview* preview = editor ? editor->preview : nullptr;
    if (!preview) return;
    for (TRpImage* picture : {preview->RpImage1, preview->RpImage2}) {
        picture->SetHeight(0);
        picture->SetWidth(0);
    }
}

void TForm1::BitBtn3Click(TObject*) {
    Close();
}

void TForm1::BitBtn4Click(TObject*) {
    TEditor* editor = TEditor::Of(this);
    TInfo* Info = editor ? editor->Credits() : nullptr;
    if (!Info) return;
    Info->Show();
    Info->BringToFront();
}

// ---- Front text ------------------------------------------------------------------------

void TForm1::RadioGroup1Click(TObject*) {
    switch (RadioGroup1->ItemIndex()) {
    case 0:
        Memo1->Lines()->Clear();
        Labelfronterighe->SetCaption(QString());
        GroupBox2->SetEnabled(true);
        GroupBox3->SetEnabled(false);
        break;
    case 1:
        Fronteriga->SetText(QString()); // empties Labelfront through FronterigaChange
        GroupBox3->SetEnabled(true);
        GroupBox2->SetEnabled(false);
        break;
    default:
        break;
    }
}

void TForm1::FronterigaChange(TObject*) {
    Labelfront->SetCaption(Fronteriga->Text());
}

void TForm1::ComboBox3Change(TObject*) {
    Labelfront->SetAngle(StrToInt(ComboBox3->Text()));
}

void TForm1::ImagefronteMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    if (Button != mbLeft) return;
    Labelfront->Font()->SetColor(ColorDialogfront->Color());
    Labelfront->SetTop(Y);
    Labelfront->SetLeft(X);
    if (TCoverDesign::IsPlacement(QPoint(X, Y))) printPlace_ = QPoint(X, Y);
}

// The memo's text as it stands: its lines joined by line breaks, none after the last.
void TForm1::Memo1Change(TObject*) {
    Labelfronterighe->SetCaption(Memo1->Text());
}

void TForm1::BitBtn6Click(TObject*) {
    FontDialogfront->Execute();
}

void TForm1::FontDialogfrontApply(TObject*, QWidget*) {
    ApplyFont(Labelfront, FontDialogfront, ColorDialogfront);
    ApplyFont(Labelfronterighe, FontDialogfront, ColorDialogfront);
}

void TForm1::BitBtn5Click(TObject*) {
    if (!ColorDialogfront->Execute()) return;
    ApplyColour(Labelfront, ColorDialogfront->Color());
    ApplyColour(Labelfronterighe, ColorDialogfront->Color());
}

// ---- Rear text -------------------------------------------------------------------------

void TForm1::Edit1Change(TObject*) {
    Labelr1->SetCaption(Edit1->Text());
}
void TForm1::Edit2Change(TObject*) {
    Labelr2->SetCaption(Edit2->Text());
}
void TForm1::Memo2Change(TObject*) {
    Labelrear->SetCaption(Memo2->Text());
}

void TForm1::BitBtn10Click(TObject*) {
    FontDialogbande->Execute();
}

void TForm1::FontDialogbandeApply(TObject*, QWidget*) {
    ApplyFont(Labelr1, FontDialogbande, ColorDialogbande);
    ApplyFont(Labelr2, FontDialogbande, ColorDialogbande);
}

void TForm1::BitBtn9Click(TObject*) {
    if (!ColorDialogbande->Execute()) return;
    ApplyColour(Labelr1, ColorDialogbande->Color());
    ApplyColour(Labelr2, ColorDialogbande->Color());
}

void TForm1::BitBtn8Click(TObject*) {
    FontDialogrear->Execute();
}

void TForm1::FontDialogrearApply(TObject*, QWidget*) {
    ApplyFont(Labelrear, FontDialogrear, ColorDialogrear);
}

void TForm1::BitBtn7Click(TObject*) {
    if (!ColorDialogrear->Execute()) return;
    ApplyColour(Labelrear, ColorDialogrear->Color());
}
