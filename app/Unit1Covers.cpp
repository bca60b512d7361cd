// The main window's cover formats, cover pictures and the composition of the covers onto
// the print-layout window's report for "Anteprima" and "Stampa".
#include "app/Unit1.h"

#include "app/Unit2.h"

#include <cmath>

namespace {

// ---- Formats ---------------------------------------------------------------------------

// Widths and heights in pixels: the picture area on the format's page, the miniature on
// its text page, and on the print page the picture item and (front only) the lines item,
// in report pixels at the report's zoom.
struct TFrontFormat {
    QSize panel, miniature, picture, lines;
};
struct TRearFormat {
    QSize panel, miniature, picture;
};

// Indexed by the combo box's item index: none, single 120 x 120 mm, double 240 x 120 mm.
// The double cover is squeezed into the single one's square miniature, and its lines
// item is narrower than its picture.
constexpr TFrontFormat kFrontFormats[] = {
    {{1, 1}, {0, 0}, {0, 0}, {0, 0}},
    {{265, 265}, {217, 217}, {640, 640}, {640, 640}},
    {{530, 265}, {217, 217}, {1280, 640}, {455, 640}},
};
// None, with side bands 151 x 118 mm, without bands 139 x 118 mm.
constexpr TRearFormat kRearFormats[] = {
    {{1, 1}, {0, 0}, {0, 0}},
    {{334, 260}, {273, 213}, {805, 630}},
    {{307, 260}, {251, 213}, {741, 630}},
};

// A box still unchosen (index -1) or holding a typed text keeps every size as it is.
template <class F, size_t N> const F* FormatOf(const TComboBox* box, const F (&formats)[N]) {
    const int code = box->ItemIndex();
    if (code < 0 || code >= static_cast<int>(N)) return nullptr;
    return &formats[code];
}

// Height first, then width, each about the control's fixed top-left corner.
void Resize(TControl* control, QSize size) {
    control->SetHeight(size.height());
    control->SetWidth(size.width());
}

// ---- Pictures --------------------------------------------------------------------------

// Both pictures of a cover are read from the chosen file, each its own copy; a failure
// leaves the picture that failed to load, and those after it, as they were.
void ChooseCoverPicture(TOpenDialog* dialog, TImage* large, TImage* miniature) {
    if (!dialog->Execute()) return;
    large->Picture()->LoadFromFile(dialog->FileName());
    miniature->Picture()->LoadFromFile(dialog->FileName());
}

// The picture is read from disk afresh at every composition. A cover whose picture was
// never chosen prints its frame empty; a chosen file that is gone or is no picture fails
// with the picture's own error and stops the composition there.
void ComposePicture(TRpImage* item, const TOpenDialog* dialog) {
    if (dialog->FileName().isEmpty()) {
        item->Picture()->SetGraphic(nullptr);
        return;
    }
    item->Picture()->LoadFromFile(dialog->FileName());
}

// ---- Texts -----------------------------------------------------------------------------

// Screen font sizes and front positions reach the page multiplied by these.
constexpr double kFrontScale = 2.12;
constexpr double kRearPreviewScale = 1.6;

int Scaled(int value, double factor) {
    return static_cast<int>(std::nearbyint(value * factor));
}

void GiveFont(TControl* item, TFont* screenFont, double factor) {
    item->Font()->Assign(screenFont);
    item->Font()->SetSize(Scaled(screenFont->Size(), factor));
}

// A turned label with nothing to say still measures as one blank; print keeps an empty
// band caption empty.
QString CaptionOrBlank(const QString& caption) {
    return caption.isEmpty() ? QStringLiteral(" ") : caption;
}

bool HoldsText(const TMemo* memo) {
    return !memo->Text().trimmed().isEmpty();
}

// A memo emptied (or left with blank lines only) empties the printed text too, rather
// than leaving the lines of an earlier composition on the page.
void ComposeLines(TRpMemo* item, TMemo* memo, TControl* label, double factor) {
    item->Lines()->Clear();
    if (!HoldsText(memo)) return;
    GiveFont(item, label->Font(), factor);
    const TStrings* lines = memo->Lines();
    for (int i = 0; i < lines->Count(); ++i)
        item->Lines()->Add(lines->Strings(i));
}

void ComposeBand(TRpAngledLabel* item, TantAngleLabel* label, double factor, bool forPrint) {
    item->SetCaption(forPrint ? label->Caption() : CaptionOrBlank(label->Caption()));
    GiveFont(item, label->Font(), factor);
}

} // namespace

// ---- Formats ---------------------------------------------------------------------------

void TForm1::ComboBox1Change(TObject*) {
    const TFrontFormat* format = FormatOf(ComboBox1, kFrontFormats);
    if (!format) return;
    Resize(Panel1, format->panel);
    Resize(Panelfronte, format->miniature);
    Resize(preview->RpImage1, format->picture);
    Resize(preview->RpMemo1, format->lines);
}

void TForm1::ComboBox2Change(TObject*) {
    const TRearFormat* format = FormatOf(ComboBox2, kRearFormats);
    if (!format) return;
    Resize(Panel2, format->panel);
    Resize(Panelrear, format->miniature);
    Resize(preview->RpImage2, format->picture);
}

// ---- Pictures --------------------------------------------------------------------------

void TForm1::frontClick(TObject*) {
    ChooseCoverPicture(frontDialog, front, Imagefronte);
}

void TForm1::rearClick(TObject*) {
    ChooseCoverPicture(rearDialog, rear, Imagerear);
}

// ---- Composition -----------------------------------------------------------------------

void TForm1::ComposeCovers(bool forPrint) {
    Tpreview* layout = preview;
    ComposePicture(layout->RpImage1, frontDialog);
    ComposePicture(layout->RpImage2, rearDialog);

    // A click on the miniature's top row or left column is no placement.
    const double t = Labelfront->Top() * kFrontScale;
    const double l = Labelfront->Left() * kFrontScale;
    ComposeLines(layout->RpMemo1, Memo1, Labelfront, kFrontScale);
    layout->RpLabel1->SetCaption(CaptionOrBlank(Labelfront->Caption()));
    if (t > 0 && l > 0) {
        layout->RpLabel1->SetAngle(Labelfront->Angle());
        GiveFont(layout->RpLabel1, Labelfront->Font(), kFrontScale);
        layout->RpLabel1->SetTop(static_cast<int>(std::nearbyint(t)));
        layout->RpLabel1->SetLeft(static_cast<int>(std::nearbyint(l)));
    }

    const double rear = forPrint ? kFrontScale : kRearPreviewScale;
    ComposeBand(layout->Labelrp1, Labelr1, rear, forPrint);
    ComposeBand(layout->Labelrp2, Labelr2, rear, forPrint);
    ComposeLines(layout->RpMemo2, Memo2, Labelrear, rear);
}

void TForm1::BitBtn1Click(TObject*) {
    ComposeCovers(false);
    preview->Report1->PreviewReport();
}

void TForm1::BitBtn2Click(TObject*) {
    ComposeCovers(true);
    preview->Report1->PrintReport();
}
