// The main window's cover formats and pictures, the controls showing the document, and
// "Anteprima" and "Stampa".
#include "app/Unit1.h"
#include "framework/core/Translations.h"

#include "app/CoverFormats.h"
#include "app/CoverPictures.h"
#include "app/SheetComposer.h"
#include "app/Unit2.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <optional>

namespace {

// ---- Formats ---------------------------------------------------------------------------

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

// A font shown by labels: each label gets the whole font, sized as on screen.
void ShowFont(const TCoverFont& font, std::initializer_list<TControl*> labels) {
    for (TControl* label : labels) {
        font.GiveTo(label->Font(), font.size);
        label->Invalidate();
    }
}

} // namespace

// ---- Formats ---------------------------------------------------------------------------

void TForm1::ComboBox1Change(TObject*) {
    const std::optional<int> code = ChosenCode(ComboBox1);
    if (!code) return;
    Change(
        ComboBox1, [&](TCoverDesign& d) { d.frontFormat = static_cast<TFrontFormat>(*code); },
        QStringLiteral("Formato"));
    // The first choice of "Non presente" changes no design, yet shows the areas' sizes.
    ShowFormats(Design());
}

void TForm1::ComboBox2Change(TObject*) {
    const std::optional<int> code = ChosenCode(ComboBox2);
    if (!code) return;
    Change(
        ComboBox2, [&](TCoverDesign& d) { d.rearFormat = static_cast<TRearFormat>(*code); },
        QStringLiteral("Formato"));
    ShowFormats(Design());
}

// ---- Pictures --------------------------------------------------------------------------

// The name chosen is the cover's at once; the picture shows once it has been read, and a
// picture that cannot be read says so.
void TForm1::frontClick(TObject*) {
    if (!frontDialog->Execute()) return;
    const QString file = frontDialog->FileName();
    chosen_[0] = file;
    Change(
        front, [&](TCoverDesign& d) { d.frontPicture = file; }, QStringLiteral("Immagine"));
    PictureReady(file);
}

void TForm1::rearClick(TObject*) {
    if (!rearDialog->Execute()) return;
    const QString file = rearDialog->FileName();
    chosen_[1] = file;
    Change(
        rear, [&](TCoverDesign& d) { d.rearPicture = file; }, QStringLiteral("Immagine"));
    PictureReady(file);
}

void TForm1::PictureReady(const QString& file) {
    ShowPictures();
    TCoverPictures* pictures = document_->Pictures();
    for (int cover = 0; cover < 2; ++cover) {
        if (chosen_[cover] != file || pictures->Reading(file)) continue;
        chosen_[cover].clear();
        const QString problem = pictures->Problem(file);
        if (!problem.isEmpty() && !pictures->GivenUp(file))
            throw Exception(PictureProblem(static_cast<TCover>(cover), file, problem));
    }
}

void TForm1::ShowPictures() {
    ShowPicture(TCover::Front);
    ShowPicture(TCover::Rear);
}

// Both areas of a cover show the one picture read for its file; while it is read, or when
// it cannot be, their captions say so and name the file.
void TForm1::ShowPicture(TCover cover) {
    const int i = static_cast<int>(cover);
    const TCoverDesign& d = document_->Design();
    const QString& file = cover == TCover::Front ? d.frontPicture : d.rearPicture;
    TCoverPictures* pictures = document_->Pictures();
    pictures->Request(file);
    TGraphic* graphic = pictures->Graphic(file);
    TImage* large = cover == TCover::Front ? front : rear;
    TImage* miniature = cover == TCover::Front ? Imagefronte : Imagerear;
    TPanel* panels[] = {cover == TCover::Front ? Panel1 : Panel2,
                        cover == TCover::Front ? Panelfronte : Panelrear};
    const QString name = QDir::toNativeSeparators(file);
    QString says;
    if (!file.isEmpty() && !graphic)
        says = pictures->Reading(file) ? Translate("TForm1", "Lettura di %1...").arg(name)
               : QFileInfo::exists(file)
                   ? Translate("TForm1", "Immagine non leggibile: %1").arg(name)
                   : Translate("TForm1", "Immagine mancante: %1").arg(name);
    panels[0]->SetCaption(says.isEmpty() ? pictureCaption_ : says);
    panels[1]->SetCaption(says.isEmpty() ? miniatureCaption_ : says);
    // The areas show the picture as it goes into the cover's frame.
    const std::optional<QRectF> placement =
        graphic ? PictureFractions(QSize(graphic->Width(), graphic->Height()),
                                   cover == TCover::Front ? FrontFormat(d.frontFormat).millimetres
                                                          : RearFormat(d.rearFormat).millimetres,
                                   cover == TCover::Front ? d.frontFit : d.rearFit,
                                   cover == TCover::Front ? d.frontCrop : d.rearCrop)
                : std::nullopt;
    large->SetPlacement(placement);
    miniature->SetPlacement(placement);
    if (file == shownFile_[i] && graphic == shownGraphic_[i]) return;
    shownFile_[i] = file;
    shownGraphic_[i] = graphic;
    large->Picture()->SetGraphic(graphic);
    miniature->Picture()->SetGraphic(graphic);
}

void TForm1::ShowFormats(const TCoverDesign& d) {
    const int front = static_cast<int>(d.frontFormat), rear = static_cast<int>(d.rearFormat);
    // A box never chosen keeps its prompt for a cover that is absent; a box holding the
    // change's own text is left as the user has it.
    auto choose = [this](TComboBox* box, int code) {
        if (box == editing_ || box->ItemIndex() == code) return;
        if (code == 0 && box->ItemIndex() < 0) return;
        box->SetItemIndex(code);
    };
    choose(ComboBox1, front);
    choose(ComboBox2, rear);
    // Before the first choice the areas have no size at all.
    if (front != 0 || ComboBox1->ItemIndex() >= 0) {
        Resize(Panel1, FrontFormat(d.frontFormat).panel);
        Resize(Panelfronte, FrontFormat(d.frontFormat).miniature);
    }
    if (rear != 0 || ComboBox2->ItemIndex() >= 0) {
        Resize(Panel2, RearFormat(d.rearFormat).panel);
        Resize(Panelrear, RearFormat(d.rearFormat).miniature);
    }
    Piegafronte->SetVisible(d.frontFormat == TFrontFormat::Double);
    if (Tpreview* layout = Layout()) {
        SizeFrontCover(*layout, d.frontFormat);
        SizeRearCover(*layout, d.rearFormat);
    }
}

void TForm1::ShowDesign(const TCoverDesign& before, const TCoverDesign& d) {
    const bool wasShowing = std::exchange(showing_, true);
    struct Restore {
        bool& flag;
        bool value;
        ~Restore() { flag = value; }
    } restore{showing_, wasShowing};
    const auto unless = [this](TControl* c) { return c != editing_; };

    ShowFormats(d);
    ShowPictures();

    const int mode = static_cast<int>(d.textMode);
    if (unless(RadioGroup1) && RadioGroup1->ItemIndex() != mode) RadioGroup1->SetItemIndex(mode);
    GroupBox2->SetEnabled(mode == 0);
    GroupBox3->SetEnabled(mode == 1);
    if (unless(Fronteriga) && Fronteriga->Text() != d.frontLine) Fronteriga->SetText(d.frontLine);
    Labelfront->SetCaption(d.frontLine);
    // The angle box follows the angle (a box never chosen keeps its prompt for 0).
    const int angleItem = d.frontAngle / 45;
    if (unless(ComboBox3) && ComboBox3->ItemIndex() != angleItem &&
        (ComboBox3->ItemIndex() >= 0 || d.frontAngle != before.frontAngle || d.frontAngle != 0))
        ComboBox3->SetItemIndex(angleItem);
    Labelfront->SetAngle(d.frontAngle);
    Labelfront->SetTop(d.frontPlace.y());
    Labelfront->SetLeft(d.frontPlace.x());
    if (unless(Memo1) && Memo1->Lines()->List() != d.frontLines)
        Memo1->Lines()->SetList(d.frontLines);
    // The memo being typed in shows its text as it stands, an empty last line too.
    Labelfronterighe->SetCaption(editing_ == Memo1 ? Memo1->Text()
                                                   : d.frontLines.join(QStringLiteral("\r\n")));
    ShowFont(d.frontFont, {Labelfront, Labelfronterighe});

    if (unless(Edit1) && Edit1->Text() != d.leftBand) Edit1->SetText(d.leftBand);
    if (unless(Edit2) && Edit2->Text() != d.rightBand) Edit2->SetText(d.rightBand);
    Labelr1->SetCaption(d.leftBand);
    Labelr2->SetCaption(d.rightBand);
    ShowFont(d.bandFont, {Labelr1, Labelr2});
    if (unless(Memo2) && Memo2->Lines()->List() != d.rearLines)
        Memo2->Lines()->SetList(d.rearLines);
    Labelrear->SetCaption(editing_ == Memo2 ? Memo2->Text()
                                            : d.rearLines.join(QStringLiteral("\r\n")));
    ShowFont(d.rearFont, {Labelrear});
    ShowFits(d);
}

// The field of a text that does not fit its cover is coloured; the miniatures show every
// text cut at its cover's edge, as it prints.
void TForm1::ShowFits(const TCoverDesign& d) {
    std::vector<TCoverText> cut;
    int rearPoints = d.rearFont.size;
    try {
        cut = TextsNotFitting(d, &rearPoints);
    } catch (const Exception&) {
        // A design that names no known format shows nothing to check.
    }
    const auto mark = [&](TControl* field, std::initializer_list<TCoverText> texts) {
        bool fits = true;
        for (TCoverText t : texts)
            fits = fits && std::find(cut.begin(), cut.end(), t) == cut.end();
        const TColor colour = fits ? clWindow : kNotFittingColour;
        if (field->Color() != colour) field->SetColor(colour);
    };
    mark(Fronteriga, {TCoverText::FrontLine});
    mark(Memo1, {TCoverText::FrontLines});
    mark(Edit1, {TCoverText::LeftBand});
    mark(Edit2, {TCoverText::RightBand});
    mark(Memo2, {TCoverText::RearLines});
    // A central text fitted to the card shows at the size it prints at.
    if (rearPoints != d.rearFont.size) {
        d.rearFont.GiveTo(Labelrear->Font(), rearPoints);
        Labelrear->Invalidate();
    }
}

// ---- Composition -----------------------------------------------------------------------

// Each sheet is composed on a print layout of its own, from the pictures the window has
// read; the editor's layout keeps the printer set-up from one sheet to the next.
void TForm1::RunSheet(TCoverOutput output) {
    Tpreview* kept = Layout();
    const QString file = document_->FileName();
    std::unique_ptr<Tpreview> sheet =
        ComposeSheet(Design(), output, QFileInfo(file).completeBaseName(), document_->Pictures());
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
    // A text that does not fit is told once, and the sheet goes on with it cut at its cover.
    const std::vector<TCoverText> cut = TextsNotFitting(*sheet);
    if (!cut.empty()) ShowMessage(NotFittingMessage(cut));
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
