#include "app/CoverDesign.h"

#include "app/Unit2.h"

#include "imaging/jpeg.h"

#include <cmath>
#include <exception>
#include <initializer_list>
#include <memory>
#include <thread>

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

// ---- Sizes ----------------------------------------------------------------------------

// Tenths of a millimetre, so that the frames print at the sizes the formats are named
// after: width and height of the front picture and lines, of the rear picture and of the
// rear central text, which keeps its margins inside the card.
struct TItemSize {
    long double width, height;
};
struct TFrontSizes {
    TItemSize picture, lines;
};
constexpr TFrontSizes kFrontSizes[] = {
    {{0, 0}, {0, 0}},
    {{1200, 1200}, {1200, 1200}},
    {{2400, 1200}, {860, 1200}},
};
struct TRearSizes {
    TItemSize picture;
    long double textWidth;
};
constexpr TRearSizes kRearSizes[] = {
    {{0, 0}, 1366.4L},
    {{1510, 1180}, 1366.4L},
    {{1390, 1180}, 1246.4L},
};

// A format from elsewhere than the format boxes (a design file) may be none of the three.
template <class Format> int CodeOf(Format format) {
    const int code = static_cast<int>(format);
    if (code < 0 || code > 2)
        throw Exception(QStringLiteral("Formato di copertina sconosciuto: %1").arg(code));
    return code;
}

// About the item's fixed top-left corner.
void Resize(TRpPrintable* item, TItemSize size) {
    TRpPrintableSize* record = item->Size();
    record->SetNativeValue(TRpPrintableSize::iHeight, size.height);
    record->SetNativeValue(TRpPrintableSize::iWidth, size.width);
    record->UpdateOwnerBounds();
}

// ---- Pictures --------------------------------------------------------------------------

// One cover's picture, read and decoded away from the GUI thread. The graphic is made on
// the GUI thread (its object belongs there) and only its reading and decoding run on the
// worker, before any handler is attached; the GUI thread touches it again after the join.
struct TPictureLoad {
    bool wanted = false;
    QString file;
    std::unique_ptr<TGraphic> graphic;
    std::exception_ptr error;
    bool decodeFailed = false;

    void Run() {
        try {
            graphic->LoadFromFile(file);
        } catch (...) {
            error = std::current_exception();
            return;
        }
        // A JPEG picture is not decoded here: pages, PDF files and printers take its
        // compressed bytes, and a printer decodes them at its own resolution.
    }
};

// A cover that is not there needs no picture: its file is not even read.
TPictureLoad PreparePicture(const QString& file, bool present) {
    TPictureLoad load;
    if (!present || file.isEmpty()) return load;
    load.wanted = true;
    load.file = file;
    const QString ext = PictureFileExtension(file);
    const TFileFormat* format = FindFileFormat(ext);
    if (format) load.graphic = format->make();
    if (!load.graphic)
        load.error = std::make_exception_ptr(
            EInvalidGraphic(QString::fromLatin1(SysConst::SUnknownExtension).arg(ext)));
    return load;
}

// Both pictures decode at once, each on a thread of its own; the outcome is the one of
// reading them in order, front first, since it is handed over in that order.
void LoadPictures(TPictureLoad& front, TPictureLoad& rear) {
    auto runnable = [](const TPictureLoad& l) { return l.wanted && !l.error; };
    if (runnable(front) && runnable(rear)) {
        std::thread other([&rear] { rear.Run(); });
        front.Run();
        other.join();
    } else {
        if (runnable(front)) front.Run();
        if (runnable(rear)) rear.Run();
    }
}

// Throws the picture's own error, leaving the item as it was.
void HandOver(TRpImage* item, TPictureLoad& load) {
    if (!load.wanted) {
        item->Picture()->SetGraphic(nullptr);
        return;
    }
    if (load.error) std::rethrow_exception(load.error);
    if (load.decodeFailed) {
        // Read again undecoded, so that its draw fails as it would have.
        item->Picture()->LoadFromFile(load.file);
        return;
    }
    item->Picture()->SetGraphic(load.graphic.get());
    load.graphic.reset();
}

// ---- Texts -----------------------------------------------------------------------------

// Screen font sizes and front positions reach the page multiplied by this, in preview and
// print alike: the preview shows the print.
constexpr double kPageScale = 2.12;

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
    GiveFont(item, font, kPageScale);
}

} // namespace

void SizeFrontCover(Tpreview& layout, TFrontFormat format) {
    const TFrontSizes& sizes = kFrontSizes[CodeOf(format)];
    Resize(layout.RpImage1, sizes.picture);
    Resize(layout.RpMemo1, sizes.lines);
}

void SizeRearCover(Tpreview& layout, TRearFormat format) {
    const TRearSizes& sizes = kRearSizes[CodeOf(format)];
    Resize(layout.RpImage2, sizes.picture);
    TRpPrintableSize* text = layout.RpMemo2->Size();
    Resize(layout.RpMemo2, {sizes.textWidth, text->NativeValue(TRpPrintableSize::iHeight)});
}

// The right band's text stands as far inside the card's right edge as the left band's
// does inside its left edge, however wide its font makes it: at its layout place a text
// larger than the layout's own ran over the cut line and off the card.
void PlaceRightBand(Tpreview& layout, TRearFormat format) {
    if (format != TRearFormat::WithBands) return;
    const TRpPrintableSize* left = layout.Labelrp1->Size();
    TRpPrintableSize* right = layout.Labelrp2->Size();
    const long double card = kRearSizes[CodeOf(format)].picture.width;
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

void ComposeCovers(const TCoverDesign& design, Tpreview& layout, TCoverOutput output) {
    // Nothing is touched for a design that names no known format.
    CodeOf(design.frontFormat);
    CodeOf(design.rearFormat);
    const bool hasFront = design.frontFormat != TFrontFormat::None;
    TPictureLoad front = PreparePicture(design.frontPicture, hasFront);
    TPictureLoad rear = PreparePicture(design.rearPicture, design.rearFormat != TRearFormat::None);
    LoadPictures(front, rear);
    HandOver(layout.RpImage1, front);
    HandOver(layout.RpImage2, rear);
    SizeFrontCover(layout, design.frontFormat);
    SizeRearCover(layout, design.rearFormat);
    ArrangeSheet(layout, design.frontFormat, design.rearFormat);

    ComposeLines(layout.RpMemo1, design.frontLines, design.frontFont, kPageScale);
    // The line looks as the user made it whether or not it was placed; only its place
    // waits for a click.
    TRpAngledLabel* line = layout.RpLabel1;
    line->SetCaption(CaptionOrBlank(design.frontLine));
    line->SetAngle(design.frontAngle);
    GiveFont(line, design.frontFont, kPageScale);
    if (design.Placed()) {
        line->SetTop(Scaled(design.frontPlace.y(), kPageScale));
        line->SetLeft(Scaled(design.frontPlace.x(), kPageScale));
    }

    ComposeBand(layout.Labelrp1, design.leftBand, design.bandFont, output);
    ComposeBand(layout.Labelrp2, design.rightBand, design.bandFont, output);
    PlaceRightBand(layout, design.rearFormat);
    ComposeLines(layout.RpMemo2, design.rearLines, design.rearFont, kPageScale);
}

void PreviewCovers(const TCoverDesign& design, Tpreview& layout) {
    ComposeCovers(design, layout, TCoverOutput::Preview);
    layout.Report1->PreviewReport();
}

void PrintCovers(const TCoverDesign& design, Tpreview& layout) {
    ComposeCovers(design, layout, TCoverOutput::Print);
    layout.Report1->PrintReport();
}
