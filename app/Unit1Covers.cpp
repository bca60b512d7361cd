// The main window's cover formats, cover pictures, the design read from its controls, and
// "Anteprima" and "Stampa".
#include "app/Unit1.h"

#include "app/DesignDocument.h"
#include "app/Editor.h"
#include "app/SheetComposer.h"
#include "app/Unit2.h"

#include <QFileInfo>
#include <optional>

namespace {

// ---- Formats ---------------------------------------------------------------------------

// Widths and heights in pixels of the picture area on the format's page and of the
// miniature on its text page.
struct TScreenSizes {
    QSize panel, miniature;
};

// Indexed by the combo box's item index: none, single 120 x 120 mm, double 240 x 120 mm.
// The double cover is squeezed into the single one's square miniature.
constexpr TScreenSizes kFrontScreen[] = {
    {{1, 1}, {0, 0}},
    {{265, 265}, {217, 217}},
    {{530, 265}, {217, 217}},
};
// None, with side bands 151 x 118 mm, without bands 139 x 118 mm.
constexpr TScreenSizes kRearScreen[] = {
    {{1, 1}, {0, 0}},
    {{334, 260}, {273, 213}},
    {{307, 260}, {251, 213}},
};

// A box still unchosen (index -1) or holding a typed text chooses nothing.
std::optional<int> ChosenCode(const TComboBox* box) {
    const int code = box->ItemIndex();
    if (code < 0 || code > 2) return std::nullopt;
    return code;
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

} // namespace

// ---- Formats ---------------------------------------------------------------------------

void TForm1::ComboBox1Change(TObject*) {
    const std::optional<int> code = ChosenCode(ComboBox1);
    if (!code) return;
    frontFormat_ = static_cast<TFrontFormat>(*code);
    Resize(Panel1, kFrontScreen[*code].panel);
    Resize(Panelfronte, kFrontScreen[*code].miniature);
    if (Tpreview* layout = Layout()) SizeFrontCover(*layout, frontFormat_);
}

void TForm1::ComboBox2Change(TObject*) {
    const std::optional<int> code = ChosenCode(ComboBox2);
    if (!code) return;
    rearFormat_ = static_cast<TRearFormat>(*code);
    Resize(Panel2, kRearScreen[*code].panel);
    Resize(Panelrear, kRearScreen[*code].miniature);
    if (Tpreview* layout = Layout()) SizeRearCover(*layout, rearFormat_);
}

// ---- Pictures --------------------------------------------------------------------------

void TForm1::frontClick(TObject*) {
    ChooseCoverPicture(frontDialog, front, Imagefronte);
}

void TForm1::rearClick(TObject*) {
    ChooseCoverPicture(rearDialog, rear, Imagerear);
}

// ---- The design ------------------------------------------------------------------------

// The on-screen labels carry the texts, fonts, colours, angle and place; the memos the
// line lists; the dialogs the picture files.
TCoverDesign TForm1::Design() const {
    TCoverDesign d;
    d.frontFormat = frontFormat_;
    d.rearFormat = rearFormat_;
    d.frontPicture = frontDialog->FileName();
    d.rearPicture = rearDialog->FileName();
    d.textMode = RadioGroup1->ItemIndex() == 1 ? TFrontTextMode::Lines : TFrontTextMode::OneLine;
    d.frontLine = Labelfront->Caption();
    d.frontAngle = Labelfront->Angle();
    d.frontPlace = QPoint(Labelfront->Left(), Labelfront->Top());
    d.printPlace = printPlace_;
    d.frontLines = Memo1->Lines()->List();
    d.frontFont = TCoverFont::Of(Labelfront->Font());
    d.leftBand = Labelr1->Caption();
    d.rightBand = Labelr2->Caption();
    d.bandFont = TCoverFont::Of(Labelr1->Font());
    d.rearLines = Memo2->Lines()->List();
    d.rearFont = TCoverFont::Of(Labelrear->Font());
    return d;
}

// ---- Composition -----------------------------------------------------------------------

// Each sheet is composed on a print layout of its own; the editor's layout keeps the
// printer set-up from one sheet to the next.
void TForm1::RunSheet(TCoverOutput output) {
    TEditor* editor = TEditor::Of(this);
    Tpreview* kept = Layout();
    const QString file = editor && editor->Document ? editor->Document->FileName() : QString();
    std::unique_ptr<Tpreview> sheet =
        ComposeSheet(Design(), output, QFileInfo(file).completeBaseName());
    if (kept) CarryReportSetUp(*kept->Report1, *sheet->Report1);
    // However the pass ends, the sheet is kept until the next one (a sheet composed while
    // this one's preview was open has ended before it).
    struct Keep {
        TForm1* window;
        Tpreview* kept;
        std::unique_ptr<Tpreview>& sheet;
        ~Keep() {
            if (kept) KeepPrinterSetUp(*sheet->Report1, *kept->Report1);
            window->sheet_ = std::move(sheet);
            window->current_ = window->sheet_.get();
        }
    } keep{this, kept, sheet};
    current_ = sheet.get();
    if (output == TCoverOutput::Preview)
        sheet->Report1->PreviewReport();
    else
        sheet->Report1->PrintReport();
}

void TForm1::BitBtn1Click(TObject*) {
    RunSheet(TCoverOutput::Preview);
}

void TForm1::BitBtn2Click(TObject*) {
    RunSheet(TCoverOutput::Print);
}
