#include "app/CoverDesign.h"

#include "app/Unit2.h"

#include <cmath>

TCoverFont TCoverFont::Of(const TFont* font) {
    TCoverFont f;
    f.name = font->Name();
    f.size = font->Size();
    f.bold = font->HasStyle(fsBold);
    f.italic = font->HasStyle(fsItalic);
    f.underline = font->HasStyle(fsUnderline);
    f.strikeOut = font->HasStyle(fsStrikeOut);
    f.color = font->Color();
    f.charset = font->Charset();
    return f;
}

void TCoverFont::GiveTo(TFont* target, int points) const {
    TFont::TFontStyles style;
    style.setFlag(TFont::fsBold, bold);
    style.setFlag(TFont::fsItalic, italic);
    style.setFlag(TFont::fsUnderline, underline);
    style.setFlag(TFont::fsStrikeOut, strikeOut);
    target->SetName(name);
    target->SetCharset(charset);
    target->SetStyle(style);
    target->SetColor(color);
    target->SetSize(points);
}

namespace {

// ---- Sizes -----------------------------------------------------------------------------

// In report pixels at the report's zoom: the front picture and lines, the rear picture.
struct TFrontSizes {
    QSize picture, lines;
};
constexpr TFrontSizes kFrontSizes[] = {
    {{0, 0}, {0, 0}},
    {{640, 640}, {640, 640}},
    {{1280, 640}, {455, 640}},
};
constexpr QSize kRearSizes[] = {{0, 0}, {805, 630}, {741, 630}};

// Height first, then width, each about the item's fixed top-left corner.
void Resize(TControl* item, QSize size) {
    item->SetHeight(size.height());
    item->SetWidth(size.width());
}

// ---- Pictures --------------------------------------------------------------------------

void ComposePicture(TRpImage* item, const QString& file) {
    if (file.isEmpty()) {
        item->Picture()->SetGraphic(nullptr);
        return;
    }
    item->Picture()->LoadFromFile(file);
}

// ---- Texts -----------------------------------------------------------------------------

// Screen font sizes and front positions reach the page multiplied by these.
constexpr double kFrontScale = 2.12;
constexpr double kRearPreviewScale = 1.6;

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

// Lines emptied (or left blank) empty the printed text too, rather than leaving the lines
// of an earlier composition on the page.
void ComposeLines(TRpMemo* item, const QStringList& lines, const TCoverFont& font,
                  double factor) {
    item->Lines()->Clear();
    if (!HoldsText(lines)) return;
    GiveFont(item, font, factor);
    for (const QString& line : lines)
        item->Lines()->Add(line);
}

void ComposeBand(TRpAngledLabel* item, const QString& caption, const TCoverFont& font,
                 double factor, TCoverOutput output) {
    item->SetCaption(output == TCoverOutput::Print ? caption : CaptionOrBlank(caption));
    GiveFont(item, font, factor);
}

} // namespace

void SizeFrontCover(Tpreview& layout, TFrontFormat format) {
    const TFrontSizes& sizes = kFrontSizes[static_cast<int>(format)];
    Resize(layout.RpImage1, sizes.picture);
    Resize(layout.RpMemo1, sizes.lines);
}

void SizeRearCover(Tpreview& layout, TRearFormat format) {
    Resize(layout.RpImage2, kRearSizes[static_cast<int>(format)]);
}

void ComposeCovers(const TCoverDesign& design, Tpreview& layout, TCoverOutput output) {
    ComposePicture(layout.RpImage1, design.frontPicture);
    ComposePicture(layout.RpImage2, design.rearPicture);
    SizeFrontCover(layout, design.frontFormat);
    SizeRearCover(layout, design.rearFormat);

    ComposeLines(layout.RpMemo1, design.frontLines, design.frontFont, kFrontScale);
    layout.RpLabel1->SetCaption(CaptionOrBlank(design.frontLine));
    if (design.Placed()) {
        layout.RpLabel1->SetAngle(design.frontAngle);
        GiveFont(layout.RpLabel1, design.frontFont, kFrontScale);
        layout.RpLabel1->SetTop(Scaled(design.frontPlace.y(), kFrontScale));
        layout.RpLabel1->SetLeft(Scaled(design.frontPlace.x(), kFrontScale));
    }

    const double rear = output == TCoverOutput::Print ? kFrontScale : kRearPreviewScale;
    ComposeBand(layout.Labelrp1, design.leftBand, design.bandFont, rear, output);
    ComposeBand(layout.Labelrp2, design.rightBand, design.bandFont, rear, output);
    ComposeLines(layout.RpMemo2, design.rearLines, design.rearFont, rear);
}

void PreviewCovers(const TCoverDesign& design, Tpreview& layout) {
    ComposeCovers(design, layout, TCoverOutput::Preview);
    layout.Report1->PreviewReport();
}

void PrintCovers(const TCoverDesign& design, Tpreview& layout) {
    ComposeCovers(design, layout, TCoverOutput::Print);
    layout.Report1->PrintReport();
}
