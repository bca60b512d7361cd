#include "app/SheetComposer.h"
#include "framework/core/Translations.h"

#include "app/CoverFormats.h"
#include "app/CoverPictures.h"
#include "app/Unit2.h"

#include <cmath>
#include <initializer_list>

ECoverPictures::ECoverPictures(QStringList problems)
    : Exception(problems.join(QLatin1Char('\n'))), problems_(std::move(problems)) {}

void CarryReportSetUp(const TCustomReport& from, TCustomReport& to) {
    to.PrinterSettings()->Assign(from.PrinterSettings());
    to.SetShowProgress(from.ShowProgress());
    to.OnPreview = from.OnPreview;
}

void KeepPrinterSetUp(const TCustomReport& from, TCustomReport& to) {
    to.PrinterSettings()->Assign(from.PrinterSettings());
}

namespace {

// ---- Sizes ----------------------------------------------------------------------------

// Tenths of a millimetre, so that the frames print at the sizes the formats are named
// after.
struct TItemSize {
    long double width, height;
};

TItemSize Tenths(QSizeF mm) {
    return {static_cast<long double>(mm.width()) * 10, static_cast<long double>(mm.height()) * 10};
}

// About the item's fixed top-left corner.
void Resize(TRpPrintable* item, TItemSize size) {
    TRpPrintableSize* record = item->Size();
    record->SetNativeValue(TRpPrintableSize::iHeight, size.height);
    record->SetNativeValue(TRpPrintableSize::iWidth, size.width);
    record->UpdateOwnerBounds();
}

// ---- Pictures --------------------------------------------------------------------------

// The pictures of the covers that are there, read (or found read) and handed to the
// items; every picture that cannot be read is named, the front's first.
void GivePictures(const TCoverDesign& design, Tpreview& layout, TCoverPictures& pictures) {
    struct TWanted {
        TCover cover;
        QString file;
        TRpImage* item;
    };
    std::vector<TWanted> wanted;
    if (design.frontFormat != TFrontFormat::None && !design.frontPicture.isEmpty())
        wanted.push_back({TCover::Front, design.frontPicture, layout.RpImage1});
    if (design.rearFormat != TRearFormat::None && !design.rearPicture.isEmpty())
        wanted.push_back({TCover::Rear, design.rearPicture, layout.RpImage2});
    QStringList files;
    for (const TWanted& w : wanted) {
        // A read the user gave up is tried again for the sheet.
        pictures.Request(w.file, true);
        files << w.file;
    }
    if (!pictures.Wait(files)) throw EAbort();
    QStringList problems;
    for (const TWanted& w : wanted) {
        TGraphic* graphic = pictures.Graphic(w.file);
        if (graphic) {
            w.item->Picture()->SetGraphic(graphic);
            const bool isFront = w.cover == TCover::Front;
            const QSizeF frame = isFront ? FrontFormat(design.frontFormat).millimetres
                                         : RearFormat(design.rearFormat).millimetres;
            w.item->SetPlacement(PictureFractions(QSize(graphic->Width(), graphic->Height()), frame,
                                                  isFront ? design.frontFit : design.rearFit,
                                                  isFront ? design.frontCrop : design.rearCrop));
        } else
            problems << PictureProblem(w.cover, w.file, pictures.Problem(w.file));
    }
    if (!problems.isEmpty()) throw ECoverPictures(problems);
}

// ---- Texts -----------------------------------------------------------------------------

int Scaled(int value, double factor) {
    return static_cast<int>(std::nearbyint(value * factor));
}

void GiveFont(TControl* item, const TCoverFont& font, double factor) {
    font.GiveTo(item->Font(), Scaled(font.size, factor));
}

// A turned label with nothing to say still measures as one blank; print keeps an empty
// band caption empty.
QString CaptionOrBlank(const QString& caption) {
    return caption.isEmpty() ? QStringLiteral(" ") : caption;
}

bool HoldsText(const QStringList& lines) {
    for (const QString& line : lines)
        if (!line.trimmed().isEmpty()) return true;
    return false;
}

void ComposeLines(TRpMemo* item, const QStringList& lines, const TCoverFont& font, double factor) {
    item->Lines()->Clear();
    if (!HoldsText(lines)) return;
    GiveFont(item, font, factor);
    for (const QString& line : lines)
        item->Lines()->Add(line);
}

void ComposeBand(TRpAngledLabel* item, const QString& caption, const TCoverFont& font,
                 TCoverOutput output) {
    item->SetCaption(output == TCoverOutput::Print ? caption : CaptionOrBlank(caption));
    GiveFont(item, font, kFontScale);
}

// The right band's text stands as far inside the card's right edge as the left band's
// does inside its left edge, however wide its font makes it: at its layout place a text
// larger than the layout's own ran over the cut line and off the card.
void PlaceRightBand(Tpreview& layout, TRearFormat format) {
    if (format != TRearFormat::WithBands) return;
    const TRpPrintableSize* left = layout.Labelrp1->Size();
    TRpPrintableSize* right = layout.Labelrp2->Size();
    const long double card = Tenths(RearFormat(format).millimetres).width;
    const long double inset = left->NativeValue(TRpPrintableSize::iLeft);
    right->SetNativeValue(TRpPrintableSize::iLeft,
                          card - inset - right->NativeValue(TRpPrintableSize::iWidth));
    right->UpdateOwnerBounds();
}

// The sheet: single covers share one portrait A4 page, the front above the rear. The
// double cover is wider than a portrait page, so it takes a landscape page of its own and
// the rear follows on the next one.
void ArrangeSheet(Tpreview& layout, TFrontFormat front, TRearFormat rear) {
    const bool wide = front == TFrontFormat::Double;
    layout.Report1->Page()->SetOrientation(wide ? poLandscape : poPortrait);
    layout.ChildBand1->SetForceNewPage(wide);
    layout.ChildBand1->SetEnabled(rear != TRearFormat::None);
    // What belongs to a cover that is not there does not print, whatever it holds.
    const bool hasFront = front != TFrontFormat::None;
    for (TRpPrintable* item :
         std::initializer_list<TRpPrintable*>{layout.RpImage1, layout.RpLabel1, layout.RpMemo1})
        item->SetEnabled(hasFront);
    layout.RpImage2->SetEnabled(rear != TRearFormat::None);
    layout.RpMemo2->SetEnabled(rear != TRearFormat::None);
    layout.Labelrp1->SetEnabled(rear == TRearFormat::WithBands);
    layout.Labelrp2->SetEnabled(rear == TRearFormat::WithBands);
}

void ComposeTexts(const TCoverDesign& design, Tpreview& layout, TCoverOutput output) {
    ComposeLines(layout.RpMemo1, design.frontLines, design.frontFont, kFontScale);
    // The line looks as the user made it whether or not it was placed; only its place
    // waits for a click, and an unplaced line keeps the layout's.
    TRpAngledLabel* line = layout.RpLabel1;
    line->SetCaption(CaptionOrBlank(design.frontLine));
    line->SetAngle(design.frontAngle);
    GiveFont(line, design.frontFont, kFontScale);
    // The corner prints at the point of the front cover that the click was of the
    // miniature, on both axes.
    if (design.Placed()) {
        const QPointF mm = FrontPlaceOnPaper(design.frontFormat, design.printPlace);
        TRpPrintableSize* place = line->Size();
        place->SetNativeValue(TRpPrintableSize::iTop, static_cast<long double>(mm.y()) * 10);
        place->SetNativeValue(TRpPrintableSize::iLeft, static_cast<long double>(mm.x()) * 10);
        place->UpdateOwnerBounds();
    }

    ComposeBand(layout.Labelrp1, design.leftBand, design.bandFont, output);
    ComposeBand(layout.Labelrp2, design.rightBand, design.bandFont, output);
    PlaceRightBand(layout, design.rearFormat);
    ComposeLines(layout.RpMemo2, design.rearLines, design.rearFont, kFontScale);
}

// ---- Covers' frames --------------------------------------------------------------------

TRpTextFrame FrameOf(const TRpPrintable* picture) {
    const TRpPrintableSize* s = picture->Size();
    return {s->NativeValue(TRpPrintableSize::iLeft), s->NativeValue(TRpPrintableSize::iTop),
            s->NativeValue(TRpPrintableSize::iWidth), s->NativeValue(TRpPrintableSize::iHeight)};
}

// Every text stays inside its own cover's frame: nothing of it prints past the cut, it never
// stretches its band, and so never pushes a cover onto another page.
void KeepTextsInsideCovers(Tpreview& layout) {
    const TRpTextFrame front = FrameOf(layout.RpImage1), rear = FrameOf(layout.RpImage2);
    layout.RpMemo1->SetClipFrame(front);
    layout.RpLabel1->SetClipFrame(front);
    layout.RpMemo2->SetClipFrame(rear);
    layout.Labelrp1->SetClipFrame(rear);
    layout.Labelrp2->SetClipFrame(rear);
}

// ---- Cutting and folding aids -----------------------------------------------------------

// A hairline on band, from (left, top) in native units, across or down length.
TRpShape* Hairline(Tpreview& layout, TRpCustomBand* band, long double left, long double top,
                   long double length, bool across, bool dashed) {
    auto* line = new TRpShape(&layout);
    line->SetParent(band);
    line->SetShape(across ? rpsHorLine : rpsVertLine);
    line->Pen()->SetColor(clBlack);
    line->Pen()->SetWidth(0);
    if (dashed) line->Pen()->SetStyle(TPen::psDash);
    TRpPrintableSize* size = line->Size();
    size->SetNativeValue(TRpPrintableSize::iLeft, left);
    size->SetNativeValue(TRpPrintableSize::iTop, top);
    size->SetNativeValue(TRpPrintableSize::iWidth, across ? length : 1);
    size->SetNativeValue(TRpPrintableSize::iHeight, across ? 1 : length);
    size->UpdateOwnerBounds();
    return line;
}

// Crop marks: at each corner of the frame two hairlines on the lines of its edges, starting
// kCropGap outside the corner and kCropLength long; the frame line itself is not drawn, so
// that a blade leaves no half-cut line.
constexpr long double kCropGap = 30, kCropLength = 50;

void AddCropMarks(Tpreview& layout, TRpImage* picture, TRpCustomBand* band) {
    TRpFrame* frame = picture->Frame();
    frame->SetDrawTop(false);
    frame->SetDrawBottom(false);
    frame->SetDrawLeft(false);
    frame->SetDrawRight(false);
    const TRpTextFrame f = FrameOf(picture);
    const long double right = f.left + f.width, bottom = f.top + f.height;
    for (long double y : {f.top, bottom}) {
        Hairline(layout, band, f.left - kCropGap - kCropLength, y, kCropLength, true, false);
        Hairline(layout, band, right + kCropGap, y, kCropLength, true, false);
    }
    for (long double x : {f.left, right}) {
        Hairline(layout, band, x, f.top - kCropGap - kCropLength, kCropLength, false, false);
        Hairline(layout, band, x, bottom + kCropGap, kCropLength, false, false);
    }
}

// Fold lines, dashed, inside the cover: the card's side bands fold 6 mm in from each short
// side; the booklet folds in its middle.
constexpr long double kBandFold = 60;

void AddFoldLines(Tpreview& layout, const TCoverDesign& d) {
    if (d.frontFormat == TFrontFormat::Double) {
        const TRpTextFrame f = FrameOf(layout.RpImage1);
        Hairline(layout, layout.DetailBand1, f.left + f.width / 2, f.top, f.height, false, true);
    }
    if (d.rearFormat == TRearFormat::WithBands) {
        const TRpTextFrame f = FrameOf(layout.RpImage2);
        for (long double x : {f.left + kBandFold, f.left + f.width - kBandFold})
            Hairline(layout, layout.ChildBand1, x, f.top, f.height, false, true);
    }
}

void AddMarks(Tpreview& layout, const TCoverDesign& d) {
    if (d.cropMarks && d.frontFormat != TFrontFormat::None)
        AddCropMarks(layout, layout.RpImage1, layout.DetailBand1);
    if (d.cropMarks && d.rearFormat != TRearFormat::None)
        AddCropMarks(layout, layout.RpImage2, layout.ChildBand1);
    if (d.foldMarks) AddFoldLines(layout, d);
}

// ---- Fitted central text ---------------------------------------------------------------

// The rear text's font made smaller a point at a time until every line fits the card, or
// it is a point; the size it ends at, in the editor's points.
int FitRearText(Tpreview& layout, const TCoverDesign& d) {
    int points = d.rearFont.size;
    TRpMemo* memo = layout.RpMemo2;
    if (!d.fitRearText || memo->Lines()->Count() == 0) return points;
    while (points > 1 && !memo->TextFits()) {
        --points;
        d.rearFont.GiveTo(memo->Font(), Scaled(points, kFontScale));
    }
    return points;
}

std::unique_ptr<Tpreview> ComposeWithoutPictures(const TCoverDesign& design, TCoverOutput output,
                                                 const QString& title, int* rearPoints = nullptr) {
    // Nothing is made for a design that names no known format.
    CheckedFormatCode(static_cast<int>(design.frontFormat));
    CheckedFormatCode(static_cast<int>(design.rearFormat));
    auto layout = std::make_unique<Tpreview>(nullptr);
    layout->Report1->SetReportTitle(title);
    SizeFrontCover(*layout, design.frontFormat);
    SizeRearCover(*layout, design.rearFormat);
    ArrangeSheet(*layout, design.frontFormat, design.rearFormat);
    ComposeTexts(design, *layout, output);
    KeepTextsInsideCovers(*layout);
    const int points = FitRearText(*layout, design);
    if (rearPoints) *rearPoints = points;
    AddMarks(*layout, design);
    return layout;
}

} // namespace

void SizeFrontCover(Tpreview& layout, TFrontFormat format) {
    const TCoverFormat& f = FrontFormat(format);
    const TItemSize picture = Tenths(f.millimetres);
    Resize(layout.RpImage1, picture);
    Resize(layout.RpMemo1, {static_cast<long double>(f.textWidth) * 10, picture.height});
}

void SizeRearCover(Tpreview& layout, TRearFormat format) {
    const TCoverFormat& f = RearFormat(format);
    Resize(layout.RpImage2, Tenths(f.millimetres));
    TRpPrintableSize* text = layout.RpMemo2->Size();
    Resize(layout.RpMemo2, {static_cast<long double>(f.textWidth) * 10,
                            text->NativeValue(TRpPrintableSize::iHeight)});
}

std::unique_ptr<Tpreview> ComposeSheet(const TCoverDesign& design, TCoverOutput output,
                                       const QString& title, TCoverPictures* pictures) {
    auto layout = ComposeWithoutPictures(design, output, title);
    if (pictures) {
        GivePictures(design, *layout, *pictures);
    } else {
        TCoverPictures own;
        GivePictures(design, *layout, own);
    }
    return layout;
}

// ---- Texts that do not fit -------------------------------------------------------------

std::vector<TCoverText> TextsNotFitting(Tpreview& layout) {
    std::vector<TCoverText> texts;
    const auto check = [&](TCoverText text, TRpPrintable* item, bool fits) {
        if (item->Enabled() && !fits) texts.push_back(text);
    };
    const auto says = [](const QString& s) { return !s.trimmed().isEmpty(); };
    check(TCoverText::FrontLine, layout.RpLabel1,
          !says(layout.RpLabel1->Caption()) || layout.RpLabel1->TextFits());
    check(TCoverText::FrontLines, layout.RpMemo1,
          layout.RpMemo1->Lines()->Count() == 0 || layout.RpMemo1->TextFits());
    check(TCoverText::LeftBand, layout.Labelrp1,
          !says(layout.Labelrp1->Caption()) || layout.Labelrp1->TextFits());
    check(TCoverText::RightBand, layout.Labelrp2,
          !says(layout.Labelrp2->Caption()) || layout.Labelrp2->TextFits());
    check(TCoverText::RearLines, layout.RpMemo2,
          layout.RpMemo2->Lines()->Count() == 0 || layout.RpMemo2->TextFits());
    return texts;
}

std::vector<TCoverText> TextsNotFitting(const TCoverDesign& design, int* rearPoints) {
    return TextsNotFitting(
        *ComposeWithoutPictures(design, TCoverOutput::Print, QString(), rearPoints));
}

QString CoverTextName(TCoverText text) {
    switch (text) {
    case TCoverText::FrontLine:
        return Translate("SheetComposer", "la riga del fronte");
    case TCoverText::FrontLines:
        return Translate("SheetComposer", "le righe del fronte");
    case TCoverText::LeftBand:
        return Translate("SheetComposer", "la banda sinistra");
    case TCoverText::RightBand:
        return Translate("SheetComposer", "la banda destra");
    case TCoverText::RearLines:
        return Translate("SheetComposer", "il testo del retro");
    }
    return {};
}

QString CoverTextEnglishName(TCoverText text) {
    switch (text) {
    case TCoverText::FrontLine:
        return Translate("SheetComposer", "the front line");
    case TCoverText::FrontLines:
        return Translate("SheetComposer", "the front lines");
    case TCoverText::LeftBand:
        return Translate("SheetComposer", "the left band text");
    case TCoverText::RightBand:
        return Translate("SheetComposer", "the right band text");
    case TCoverText::RearLines:
        return Translate("SheetComposer", "the rear text");
    }
    return {};
}

QString NotFittingMessage(const std::vector<TCoverText>& texts) {
    QStringList names;
    for (TCoverText t : texts)
        names << CoverTextName(t);
    return Translate("SheetComposer", "Non entra nella copertina e sarà tagliato: %1.")
        .arg(names.join(QStringLiteral(", ")));
}
