#include "report/RpCtrls.h"
#include "report/pagestore/RpUnits.h"

#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Dib.h"
#include "framework/graphics/TextDraw.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// Sets a flag for one scope.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlagScope() { flag_ = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
};

// UTF-16 units of the character at i: a surrogate pair is one character, the way a
// double-byte character stays whole.
int CharLengthAt(QStringView s, qsizetype i) {
    return s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate() ? 2 : 1;
}

bool IsWordEnd(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QChar(13);
}

QRect ToQRect(const TRpRect& r) {
    return {r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top};
}

} // namespace

bool HasNoArea(const TRpPrintable* item) {
    const TRpPrintableSize* size = item->Size();
    return item->Width() <= 0 || item->Height() <= 0 ||
           size->NativeValue(TRpPrintableSize::iWidth) <= 0 ||
           size->NativeValue(TRpPrintableSize::iHeight) <= 0;
}

// ---- Drawing pictures on a page --------------------------------------------------------

namespace {

// A bitmap goes through a device-independent copy of its pixels with its own palette, so
// every output receives the same pixels whatever its own colour layout.
bool DrawBitmapOnPage(TCanvas* canvas, const QRect& rect, TBitmap* bitmap) {
    TDeviceContext* dc = canvas->Handle();
    const QImage& pixels = bitmap->Image();
    if (!dc || pixels.isNull()) return false;
    const TDib dib = EncodeDib(pixels, bitmap->BitsPerPixel());
    const std::optional<TDibHeader> header = ReadDibHeader(dib.info);
    if (!header) return false;
    if (!bitmap->Monochrome()) dc->SetStretchBltMode(COLORONCOLOR);
    return dc->StretchDIBits(rect, QRect(0, 0, header->width, header->height), dib, SRCCOPY);
}

} // namespace

bool DrawPictureOnPage(TCanvas* canvas, const QRect& rect, TGraphic* graphic) {
    if (!canvas || !graphic || graphic->Empty()) return false;
    try {
        if (auto* bitmap = qobject_cast<TBitmap*>(graphic))
            return DrawBitmapOnPage(canvas, rect, bitmap);
        canvas->StretchDraw(rect, graphic);
        return true;
    } catch (const std::exception&) {
        // A picture that cannot be decoded prints as nothing; the page goes on.
        return false;
    }
}

// ---- TRpCustomLabel --------------------------------------------------------------------

struct TRpCustomLabel::PrintState {
    long double top = 0, height = 0;
    long double lineHeight = 0;
    bool canGrow = false;
    long double bottomLimit = 0;
    // Lines never pass this: the bottom of the room the page has below the band's top.
    long double pageLimit = std::numeric_limits<long double>::infinity();
    long double x = 0, y = 0;
    unsigned options = 0;
    bool counted = false; // whether this print has grown the band yet
    // A line taller than a whole page's room fits nowhere: it prints cut at the page's
    // room, alone, as the first line of a print.
    bool tallerThanPage = false;
    bool printedAny = false;
    bool clipped = false;
    bool framed = false;
    long double frameBottom = 0;
    long double ascent = 0;
};

TRpCustomLabel::TRpCustomLabel(TComponent* owner)
    : TRpPrintable(owner), lines_(new TStrings(this)) {
    autoSize_ = true;
    lines_->OnChange = [this](TObject*) {
        formatted_ = false;
        Invalidate();
    };
    RegisterEvent("OnPrint", OnPrint);
    SetTransparent(false);
}

TRpCustomLabel::~TRpCustomLabel() = default;

void TRpCustomLabel::SetCaption(const QString& caption) {
    TRpPrintable::SetCaption(caption);
    printCaption_ = caption;
    formatted_ = false;
    BuildFormattedLines();
    Invalidate();
}

void TRpCustomLabel::SetLines(TStrings* lines) {
    lines_->Assign(lines);
    formatted_ = false;
    Invalidate();
}

void TRpCustomLabel::SetAutoStretch(bool v) {
    autoStretch_ = v;
    Invalidate();
}

void TRpCustomLabel::SetWordWrap(bool v) {
    wordWrap_ = v;
    formatted_ = false;
    Invalidate();
}

void TRpCustomLabel::SetAutoSize(bool v) {
    autoSize_ = v;
    formatted_ = false;
    Invalidate();
}

void TRpCustomLabel::SetBiDiMode(TControlEnums::TBiDiMode m) {
    if (m == biDiMode_) return;
    biDiMode_ = m;
    parentBiDiMode_ = false;
    Invalidate();
}

TAlignment TRpCustomLabel::DrawnAlignment() const {
    const TAlignment a = Alignment();
    if (biDiMode_ != TControlEnums::bdRightToLeft) return a;
    if (a == TControlEnums::taLeftJustify) return TControlEnums::taRightJustify;
    if (a == TControlEnums::taRightJustify) return TControlEnums::taLeftJustify;
    return a;
}

// ---- Measuring

// The font's em in screen pixels at the item's zoom.
qreal TRpCustomLabel::EmPixels() const {
    return static_cast<qreal>(EmInchesOf(*Font()) * kRpPixelsPerInch * Size()->Zoom() / 100);
}

int TRpCustomLabel::PixelsOfEms(qreal ems) const {
    // Measured unzoomed and then zoomed, as the measure of the report's screen is.
    const qreal unzoomed = emPixels_ * 100 / std::max(1, Size()->Zoom());
    const long double px = std::min<long double>(ems * unzoomed, INT_MAX / 4);
    return MulDiv(RoundInt(px) + 1, Size()->Zoom(), 100);
}

int TRpCustomLabel::TextWidthOf(const QString& text) {
    metrics_ = DesignMetricsOf(Font()->ToQFont());
    emPixels_ = EmPixels();
    return PixelsOfEms(metrics_->Width(text));
}

// The face's design cell at the font's size, as the lines are spaced.
int TRpCustomLabel::SizingLineHeight() const {
    if (!Report()) return 0;
    const long double cell =
        DesignMetricsOf(Font()->ToQFont())->LineHeight() * EmInchesOf(*Font()) * kRpPixelsPerInch;
    return RoundInt(std::min<long double>(cell, INT_MAX / 200)) * Size()->Zoom() / 100 + 1;
}

long double TRpCustomLabel::LinePitch() const {
    const long double em = EmInchesOf(*Font()) * kRpTenthsPerInch;
    return DesignMetricsOf(Font()->ToQFont())->LineHeight() * em;
}

void TRpCustomLabel::SetClipFrame(const std::optional<TRpTextFrame>& frame) {
    if (frame == clipFrame_) return;
    clipFrame_ = frame;
    formatted_ = false;
}

// How many lines stand between the text's top and the clip frame's bottom.
int TRpCustomLabel::LinesInFrame() const {
    if (!clipFrame_) return INT_MAX;
    const long double top = Size()->NativeValue(TRpPrintableSize::iTop);
    const long double room = clipFrame_->top + clipFrame_->height + 1 - top;
    const long double pitch = LinePitch();
    if (room <= 0) return 0;
    if (pitch <= 0) return INT_MAX;
    return static_cast<int>(std::min<long double>(std::floor(room / pitch), INT_MAX - 2));
}

// ---- Formatting

void TRpCustomLabel::BuildFormattedLines() {
    if (!Parent()) {
        formatted_ = true;
        return;
    }
    formattedLines_.clear();
    inReport_ = Report() != nullptr;
    pendingLine_.clear();
    pendingEms_ = 0;
    lineFinished_ = false;
    wordCut_ = false;
    measuredWords_ = 0;
    metrics_ = DesignMetricsOf(Font()->ToQFont());
    emPixels_ = EmPixels();
    // One line past the frame's end says that the text does not fit; more are never seen.
    maxLines_ = static_cast<qsizetype>(LinesInFrame()) + 1;
    if (UsesCaption()) {
        AddParagraphBlock(printCaption_);
        if (inReport_ && !formatting_) {
            const TFlagScope guard(formatting_);
            const int lineHeight = SizingLineHeight();
            if (Height() < lineHeight) SetHeight(lineHeight);
        }
    } else if (lines_->Count() > 0) {
        for (const QString& line : lines_->List()) {
            if (LinesFull()) break;
            if (AutoSize())
                formattedLines_.append(line);
            else
                AddParagraphBlock(line);
        }
    }
    if (AutoSize() && !formatting_ && inReport_) ResizeToText();
    formatted_ = true;
    formattedWidth_ = Width();
}

// The item takes the width of its widest line; the side its alignment names stays put.
void TRpCustomLabel::ResizeToText() {
    int width = 0;
    for (const QString& line : std::as_const(formattedLines_))
        width = std::max(width, TextWidthOf(line));
    if (Frame()->DrawLeft()) width += Frame()->Width();
    if (Frame()->DrawRight()) width += Frame()->Width();
    const TFlagScope guard(formatting_);
    const int oldWidth = Width();
    int left = Left();
    if (DrawnAlignment() == TControlEnums::taRightJustify)
        left += oldWidth - width;
    else if (DrawnAlignment() == TControlEnums::taCenter)
        left += (oldWidth - width) / 2;
    SetBounds(left, Top(), width, std::max(Height(), SizingLineHeight()));
}

// Line feeds are dropped; every carriage return ends a paragraph.
void TRpCustomLabel::AddParagraphBlock(const QString& block) {
    QString text = block;
    text.remove(QChar(10));
    const QStringView view(text);
    qsizetype start = 0;
    for (qsizetype cr = text.indexOf(QChar(13)); cr >= 0 && !LinesFull();
         cr = text.indexOf(QChar(13), start)) {
        AddParagraph(view.mid(start, cr - start));
        start = cr + 1;
    }
    if (!LinesFull()) AddParagraph(view.mid(start));
}

void TRpCustomLabel::AddParagraph(QStringView paragraph) {
    if (AutoSize()) {
        formattedLines_.append(paragraph.toString());
        return;
    }
    qsizetype start = 0;
    while (start < paragraph.size() && !LinesFull()) {
        qsizetype end = start;
        while (end < paragraph.size()) {
            const QChar c = paragraph[end];
            end += CharLengthAt(paragraph, end);
            if (IsWordEnd(c)) break;
        }
        AddWord(paragraph.mid(start, end - start));
        start = end;
    }
    // Without word wrap a paragraph is one line: what did not fit is gone, and the next
    // paragraph starts a line of its own.
    if (!lineFinished_) FlushPendingLine();
    lineFinished_ = false;
    pendingLine_.clear();
    pendingEms_ = 0;
}

void TRpCustomLabel::FlushPendingLine() {
    formattedLines_.append(pendingLine_);
    pendingLine_.clear();
    pendingEms_ = 0;
}

// Each word is measured once, character by character: a line's width is the sum of its
// words' widths, so the cost of a text is linear in its length.
void TRpCustomLabel::AddWord(QStringView word) {
    if (lineFinished_) return;
    ++measuredWords_;
    const int width = Width();
    const TDesignMetrics& metrics = *metrics_;
    const qreal wordEms = metrics.Width(word);
    if (PixelsOfEms(pendingEms_ + wordEms) <= width) {
        pendingLine_ += word;
        pendingEms_ += wordEms;
        return;
    }
    if (pendingLine_.isEmpty()) {
        // The word alone is too wide: the line keeps what fits of it.
        qsizetype kept = 0;
        qreal ems = 0;
        int units = 1;
        for (qsizetype i = 0; i < word.size(); i += units) {
            const qreal next = ems + metrics.AdvanceAt(word, i, &units);
            if (PixelsOfEms(next) >= width) break;
            ems = next;
            kept = i + units;
        }
        pendingLine_ += word.left(kept);
        word = {};
        wordCut_ = true;
    }
    FlushPendingLine();
    qreal wordLeft = word.isEmpty() ? 0 : wordEms;
    // (An empty text measures one pixel: in an item of no width even that does not fit.)
    if (PixelsOfEms(wordLeft) > width) {
        // Cut from its end until it is no wider than the item: its longest prefix that is.
        qsizetype kept = 0;
        if (width > 0) {
            qreal ems = 0;
            int units = 1;
            for (qsizetype i = 0; i < word.size(); i += units) {
                const qreal next = ems + metrics.AdvanceAt(word, i, &units);
                if (PixelsOfEms(next) > width) break;
                ems = next;
                kept = i + units;
            }
        }
        formattedLines_.append(word.left(kept).toString());
        word = {};
        wordLeft = 0;
        wordCut_ = true;
    }
    if (!wordWrap_) {
        if (!word.isEmpty()) wordCut_ = true;
        word = {};
        wordLeft = 0;
        lineFinished_ = true;
    }
    pendingLine_ = word.toString();
    pendingEms_ = word.isEmpty() ? 0 : wordLeft;
}

// ---- Reactions

void TRpCustomLabel::FontChanged() {
    TRpPrintable::FontChanged();
    formatted_ = false;
    BuildFormattedLines();
}

void TRpCustomLabel::SetParent(TWinControl* parent) {
    TRpPrintable::SetParent(parent);
    BuildFormattedLines();
}

void TRpCustomLabel::SetName(const QString& name) {
    const QString old = Name();
    const bool follows = Caption().isEmpty() || Caption() == old;
    if (follows && name != old) SetCaption(name);
    TRpPrintable::SetName(name);
}

void TRpCustomLabel::PrepareItem() {
    TRpPrintable::PrepareItem();
    SetCaption(Caption());
}

// ---- Stream font size

void TRpCustomLabel::DefineProperties(TFiler& filer) {
    TRpPrintable::DefineProperties(filer);
    filer.DefineProperty(
        QStringLiteral("FontSize"), [this](TReader& r) { ReadFontSize(r); },
        [this](TWriter& w) { WriteFontSize(w); }, true);
}

void TRpCustomLabel::ReadFontSize(TReader& reader) {
    streamFontSize_ = reader.ReadInteger();
}

void TRpCustomLabel::WriteFontSize(TWriter& writer) {
    writer.WriteInteger(Font()->Size());
}

void TRpCustomLabel::Loaded() {
    TRpPrintable::Loaded();
    // The size in points decides, whatever resolution the stored height was taken at.
    if (streamFontSize_ > 0) Font()->SetSize(streamFontSize_);
}

// ---- Screen paint

void TRpCustomLabel::Paint() {
    TCanvas* canvas = Canvas();
    const int zoom = Size()->Zoom();
    canvas->Font()->Assign(Font());
    const int points = canvas->Font()->Size();
    const int zoomed = RoundInt(static_cast<long double>(points) * zoom / 100);
    if (zoomed != points) canvas->Font()->SetSize(zoomed);
    TRpPrintable::Paint();
    const int lineHeight = canvas->TextHeight(QStringLiteral("W"));
    BuildFormattedLines();
    const QRect r = ClientRect();
    if (!Transparent()) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetBrushStyle(bsSolid);
        canvas->FillRect(r);
    }
    int y0 = r.top(), x = r.left();
    if (Frame()->HasAnyLine() && Frame()->Width() > 0) {
        const int shift =
            RoundInt(zoom * RpPixelsOfPoints(Frame()->Width(), kRpPixelsPerInch) / 100);
        if (Frame()->DrawTop()) y0 += shift;
        if (Frame()->DrawLeft()) x += shift;
    }
    canvas->RequireFont();
    canvas->RequireBrush();
    TDeviceContext* dc = canvas->Handle();
    dc->SetBkMode(TRANSPARENT);
    switch (DrawnAlignment()) {
    case TControlEnums::taRightJustify:
        dc->SetTextAlign(TA_RIGHT | TA_TOP);
        x += r.width();
        break;
    case TControlEnums::taCenter:
        dc->SetTextAlign(TA_CENTER | TA_TOP);
        x += r.width() / 2;
        break;
    default:
        dc->SetTextAlign(TA_LEFT | TA_TOP);
    }
    for (int i = 0; i < formattedLines_.size(); ++i)
        if (!formattedLines_[i].isEmpty())
            dc->ExtTextOut(x, y0 + i * lineHeight, 0, nullptr, formattedLines_[i]);
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    DrawCornerMarks(canvas);
}

// ---- Print

// The pitch is the layout's, not the device's: lines stand at the same places in a kept
// page and on paper of any resolution.
long double TRpCustomLabel::PageLineHeight() const {
    return LinePitch();
}

bool TRpCustomLabel::TextFits() {
    if (!formatted_) BuildFormattedLines();
    if (wordCut_) return false;
    const TRpPrintableSize* size = Size();
    const long double top = size->NativeValue(TRpPrintableSize::iTop);
    const long double left = size->NativeValue(TRpPrintableSize::iLeft);
    const long double width = size->NativeValue(TRpPrintableSize::iWidth);
    const long double pitch = LinePitch();
    const long double lines = static_cast<long double>(formattedLines_.size());
    const long double bottom = top + lines * pitch;
    if (clipFrame_) {
        const TRpTextFrame& f = *clipFrame_;
        if (formattedLines_.size() > LinesInFrame() || bottom > f.top + f.height + 1) return false;
        if (formattedLines_.isEmpty()) return true;
        // Every line's ink between the frame's sides, wherever the alignment puts it.
        const long double em = EmInchesOf(*Font()) * kRpTenthsPerInch;
        for (const QString& line : std::as_const(formattedLines_)) {
            const long double w = metrics_->Width(line) * em;
            long double x = left;
            if (DrawnAlignment() == TControlEnums::taRightJustify)
                x = left + width - w;
            else if (DrawnAlignment() == TControlEnums::taCenter)
                x = left + (width - w) / 2;
            if (x < f.left - 1 || x + w > f.left + f.width + 1) return false;
        }
        return top >= f.top - 1;
    }
    return autoStretch_ || bottom <= top + size->NativeValue(TRpPrintableSize::iHeight) + 1;
}

void TRpCustomLabel::PrintItem(long double offsetX, long double offsetY) {
    if (!IsPrintEnabled()) return;
    if (HasNoArea(this) || !PageCanvas() || !Printer()) {
        SetItemDone(true);
        return;
    }
    PageCanvas()->Font()->Assign(Font());
    const TRpPrintableSize* size = Size();
    PrintLines(size->NativeValue(TRpPrintableSize::iLeft) + offsetX,
               size->NativeValue(TRpPrintableSize::iTop) + offsetY,
               size->NativeValue(TRpPrintableSize::iWidth),
               size->NativeValue(TRpPrintableSize::iHeight), PageLineHeight(), autoStretch_);
    TRpPrintable::PrintItem(offsetX, offsetY);
}

// The handler may change the text for this print; its change is undone by the caller.
void TRpCustomLabel::RunOnPrint(long double& height, long double& lineHeight) {
    QString text = printCaption_;
    OnPrint(this, text);
    PageCanvas()->Font()->Assign(Font());
    height = Size()->NativeValue(TRpPrintableSize::iHeight);
    lineHeight = PageLineHeight();
    if (text == printCaption_) return;
    printCaption_ = text;
    BuildFormattedLines();
}

// Fills the background, steps inside the frame and sets the alignment: where the lines go.
TRpCustomLabel::PrintState TRpCustomLabel::BeginLines(long double left, long double top,
                                                      long double width, long double height) {
    TCanvas* canvas = PageCanvas();
    TRpPrinter* printer = Printer();
    const bool output = CanvasOutput();
    if (output && !Transparent()) {
        canvas->Pen()->SetWidth(0);
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetBrushStyle(bsSolid);
        const int l = printer->ToDeviceX(left), t = printer->ToDeviceY(top);
        canvas->FillRect(QRect(l, t, printer->ToDeviceX(left + width) - l,
                               printer->ToDeviceY(top + height) - t));
    }
    if (output && !AutoSize() && Frame()->HasAnyLine()) {
        // The frame's width in points, in native units.
        const long double shift = RoundEven(RpTenthsOfPoints(Frame()->Width()));
        if (Frame()->DrawTop()) top += shift;
        if (Frame()->DrawLeft()) left += shift;
    }
    PrintState s;
    s.top = top;
    s.height = height;
    s.bottomLimit = top + height + 1;
    s.x = left;
    s.y = top;
    s.pageLimit = PageLimit();
    // Lines are placed by their baselines, at the face's design ascent below their tops:
    // where a device's hinted cell would put them differs from one resolution to another.
    unsigned align = TA_LEFT | TA_BASELINE;
    if (DrawnAlignment() == TControlEnums::taRightJustify) {
        align = TA_RIGHT | TA_BASELINE;
        s.x = left + width;
    } else if (DrawnAlignment() == TControlEnums::taCenter) {
        align = TA_CENTER | TA_BASELINE;
        s.x = left + width / 2;
    }
    s.ascent =
        DesignMetricsOf(Font()->ToQFont())->Ascent() * EmInchesOf(*Font()) * kRpTenthsPerInch;
    if (ReadsRightToLeft()) {
        s.options = ETO_RTLREADING;
        align |= TA_RTLREADING;
    }
    TDeviceContext* dc = canvas->Handle();
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextAlign(align);
    return s;
}

void TRpCustomLabel::PrintLines(long double left, long double top, long double width,
                                long double height, long double lineHeight, bool canGrow) {
    struct Restore {
        QString& caption;
        QString old;
        ~Restore() { caption = old; }
    } restore{printCaption_, printCaption_};
    if (!printCaption_.isEmpty() && OnPrint) RunOnPrint(height, lineHeight);
    // Lines formatted for the same text, font and width are not formatted again: a text that
    // goes on over many pages is broken into lines once, not once a page.
    if (!formatted_ || formattedWidth_ != Width() || OnPrint) BuildFormattedLines();
    if (OnPrint) formatted_ = false; // formatted from the handler's text
    PrintState s = BeginLines(left, top, width, height);
    s.lineHeight = lineHeight;
    s.canGrow = canGrow;
    s.tallerThanPage = lineHeight > PageRoom();
    if (clipFrame_) {
        // The frame moves with the band as the item does.
        const long double dx = left - Size()->NativeValue(TRpPrintableSize::iLeft);
        const long double dy = top - Size()->NativeValue(TRpPrintableSize::iTop);
        const TRpTextFrame& f = *clipFrame_;
        TRpPrinter* printer = Printer();
        s.framed = true;
        s.frameBottom = f.top + dy + f.height + 1;
        s.tallerThanPage = false;
        const int l = printer->ToDeviceX(f.left + dx), t = printer->ToDeviceY(f.top + dy);
        PageCanvas()->Handle()->IntersectClipRect(
            QRect(QPoint(l, t), QPoint(printer->ToDeviceX(f.left + dx + f.width) - 1,
                                       printer->ToDeviceY(f.top + dy + f.height) - 1)));
    }
    const bool continuing = !ItemDone() && !clipFrame_;
    if (!continuing) nextLine_ = 0;
    const int first = nextLine_;
    while (nextLine_ < formattedLines_.size() && MayPrintLine(s)) {
        PrintLine(s, formattedLines_[nextLine_]);
        s.printedAny = true;
        s.y += s.lineHeight;
        ++nextLine_;
        if (s.clipped) break;
    }
    // A continuation in the first column of a new page has the most room there ever is: a
    // line that does not fit there never will, and asking again would only add pages.
    const bool stuck =
        continuing && nextLine_ == first && Band() && Report() && Report()->ColumnNo() == 1;
    SetItemDone(nextLine_ >= formattedLines_.size() || stuck || clipFrame_);
    TDeviceContext* dc = PageCanvas()->Handle();
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    dc->RemoveClip();
}

// How far down lines may go: an item on the page itself to the paper's edge, one on a page
// band to the bottom margin, one on any other band to the end of the room the page has for
// bands below the cursor (page footers excluded).
long double TRpCustomLabel::PageLimit() const {
    TCustomReport* report = Report();
    if (!report) return std::numeric_limits<long double>::infinity();
    const TRpPage* page = report->Page();
    const long double length = page->NativeValue(TRpPage::iLength);
    if (!Band()) return length;
    if (report->PlacingPageBands() || report->CursorY() < 0)
        return length - page->NativeValue(TRpPage::iBottomMargin);
    return report->CursorY() + report->RemainingHeight();
}

// The most room any page gives a line of this item: from the top margin down to the limit
// the page sets for it. Unlimited without a report.
long double TRpCustomLabel::PageRoom() const {
    TCustomReport* report = Report();
    if (!report) return std::numeric_limits<long double>::infinity();
    const TRpPage* page = report->Page();
    long double bottom = page->NativeValue(TRpPage::iLength);
    if (Band()) {
        bottom -= page->NativeValue(TRpPage::iBottomMargin);
        if (!report->PlacingPageBands()) bottom -= report->PageFooterHeight();
    }
    return bottom - page->NativeValue(TRpPage::iTopMargin);
}

bool TRpCustomLabel::MayPrintLine(PrintState& s) {
    const long double bottom = s.y + s.lineHeight;
    // Kept inside its frame, a text neither grows its band nor goes on elsewhere.
    if (s.framed) return bottom <= s.frameBottom;
    // Whatever the item's place in its band, a line below the page's room waits for the
    // next page instead of being drawn past the paper's edge; one that no page could hold
    // prints here, cut at the room's end, so that it and the lines after it are not lost.
    if (bottom > s.pageLimit) {
        if (!s.tallerThanPage || s.printedAny || s.y >= s.pageLimit) return false;
        s.clipped = true;
        return true;
    }
    if (bottom <= s.bottomLimit) return true;
    if (!s.canGrow) return false;
    TRpCustomBand* band = Band();
    long double newStretch = 0;
    if (!band || !band->RequestStretch(s.lineHeight, newStretch, s.counted)) return false;
    s.bottomLimit = s.top + s.height + 1 + newStretch;
    return true;
}

void TRpCustomLabel::PrintLine(const PrintState& s, const QString& line) {
    if (!CanvasOutput() || line.isEmpty()) return;
    TCanvas* canvas = PageCanvas();
    canvas->RequireFont();
    if (s.clipped) {
        // Cut at the page's room; the pass's width is the paper's.
        TRpPrinter* printer = Printer();
        const long double paper = Report()->Page()->NativeValue(TRpPage::iWidth);
        const int top = printer->ToDeviceY(s.y);
        canvas->Handle()->IntersectClipRect(
            QRect(QPoint(printer->ToDeviceX(0), top),
                  QPoint(printer->ToDeviceX(paper), printer->ToDeviceY(s.pageLimit) - 1)));
    }
    const std::vector<int> dx = DeviceAdvances(line);
    canvas->Handle()->ExtTextOut(Printer()->ToDeviceX(s.x), Printer()->ToDeviceY(s.y + s.ascent),
                                 s.options, nullptr, line, dx.data());
}

// The line's characters placed by the face's design advances at the font's size, turned into
// the device's pixels from their running sum: the line is as wide on every device as the
// formatter measured it, and no rounding piles up along it.
std::vector<int> TRpCustomLabel::DeviceAdvances(const QString& line) const {
    const std::shared_ptr<const TDesignMetrics> metrics = DesignMetricsOf(Font()->ToQFont());
    const long double scale = EmInchesOf(*Font()) * kRpTenthsPerInch * Printer()->XFactor();
    std::vector<int> dx(static_cast<size_t>(line.size()), 0);
    long double ems = 0;
    int placed = 0, units = 1;
    for (qsizetype i = 0; i < line.size(); i += units) {
        ems += metrics->AdvanceAt(line, i, &units);
        const int at = RoundInt(std::min<long double>(ems * scale, INT_MAX / 2));
        dx[static_cast<size_t>(i)] = at - placed;
        placed = at;
    }
    return dx;
}

// ---- TRpMemo ---------------------------------------------------------------------------

TRpMemo::TRpMemo(TComponent* owner) : TRpCustomLabel(owner) {
    SetCaptionMode(false);
}

void TRpMemo::Paint() {
    if (Lines()->Count() > 0 && !Caption().isEmpty()) SetCaption(QString());
    TRpCustomLabel::Paint();
}

void TRpMemo::PrintItem(long double offsetX, long double offsetY) {
    // Emptying an empty caption would only format the lines again, once a page.
    if (!Caption().isEmpty() || !PrintCaption().isEmpty()) SetCaption(QString());
    TRpCustomLabel::PrintItem(offsetX, offsetY);
}

// ---- TRpExpr ---------------------------------------------------------------------------

TRpExpr::TRpExpr(TComponent* owner) : TRpCustomLabel(owner) {}

void TRpExpr::PrintItem(long double offsetX, long double offsetY) {
    SetCaption(expression_);
    TRpCustomLabel::PrintItem(offsetX, offsetY);
}

// ---- TRpShape --------------------------------------------------------------------------

TRpShape::TRpShape(TComponent* owner)
    : TRpPrintable(owner), brush_(new TBrush(this)), pen_(new TPen(this)) {
    brush_->OnChange = [this](TObject*) { Invalidate(); };
    pen_->OnChange = [this](TObject*) { Invalidate(); };
}

void TRpShape::SetShape(TRpShapeType s) {
    if (s == shape_) return;
    shape_ = s;
    Invalidate();
}

namespace {

// An ellipse filled row by row with the brush and outlined with the pen, the drawing
// contexts knowing only lines and rectangles.
void DrawEllipse(TCanvas* canvas, const QRect& r) {
    if (r.width() <= 0 || r.height() <= 0) return;
    const long double cx = r.left() + r.width() / 2.0L, cy = r.top() + r.height() / 2.0L;
    const long double rx = r.width() / 2.0L, ry = r.height() / 2.0L;
    if (canvas->Brush()->BrushStyle() != bsClear) {
        for (int y = r.top(); y < r.top() + r.height(); ++y) {
            const long double dy = (y + 0.5L - cy) / ry;
            const long double half = rx * std::sqrt(std::max(0.0L, 1 - dy * dy));
            const int x0 = RoundInt(cx - half), x1 = RoundInt(cx + half);
            if (x1 > x0) canvas->FillRect(QRect(x0, y, x1 - x0, 1));
        }
    }
    if (canvas->Pen()->PenStyle() == psClear) return;
    constexpr int segments = 72;
    for (int i = 0; i <= segments; ++i) {
        const long double a = 2 * std::numbers::pi_v<long double> * i / segments;
        const int x = RoundInt(cx + (rx - 0.5L) * std::cos(a));
        const int y = RoundInt(cy + (ry - 0.5L) * std::sin(a));
        if (i == 0)
            canvas->MoveTo(x, y);
        else
            canvas->LineTo(x, y);
    }
}

} // namespace

void TRpShape::DrawShape(TCanvas* canvas, const QRect& r) const {
    canvas->Pen()->Assign(pen_);
    canvas->Brush()->Assign(brush_);
    const int l = r.left(), t = r.top(), rr = r.left() + r.width() - 1,
              b = r.top() + r.height() - 1;
    auto line = [canvas](int x0, int y0, int x1, int y1) {
        canvas->MoveTo(x0, y0);
        canvas->LineTo(x1, y1);
    };
    switch (shape_) {
    case rpsRectangle:
        canvas->Rectangle(l, t, rr + 1, b + 1);
        break;
    case rpsCircle:
        DrawEllipse(canvas, r);
        break;
    case rpsVertLine:
        line(l, t, l, b + 1);
        break;
    case rpsHorLine:
        line(l, t, rr + 1, t);
        break;
    case rpsTopAndBottom:
        line(l, t, rr + 1, t);
        line(l, b, rr + 1, b);
        break;
    case rpsRightAndLeft:
        line(l, t, l, b + 1);
        line(rr, t, rr, b + 1);
        break;
    }
}

void TRpShape::PrintItem(long double offsetX, long double offsetY) {
    if (!IsPrintEnabled()) return;
    if (HasNoArea(this)) return;
    if (CanvasOutput()) DrawShape(PageCanvas(), ToQRect(DeviceRect(offsetX, offsetY)));
    TRpPrintable::PrintItem(offsetX, offsetY);
}

void TRpShape::Paint() {
    TRpPrintable::Paint();
    DrawShape(Canvas(), ClientRect());
}

// ---- TRpImage --------------------------------------------------------------------------

TRpImage::TRpImage(TComponent* owner) : TRpPrintable(owner), picture_(new TPicture(this)) {
    picture_->OnChange = [this](TObject*) { PictureChanged(); };
    SetBounds(Left(), Top(), 105, 105);
}

TRpImage::~TRpImage() {
    picture_->OnChange = nullptr;
}

void TRpImage::SetPicture(TPicture* p) {
    picture_->Assign(p);
}

void TRpImage::SetAutoSize(bool v) {
    autoSize_ = v;
    PictureChanged();
}

void TRpImage::SetStretch(bool v) {
    if (v == stretch_) return;
    stretch_ = v;
    PictureChanged();
}

void TRpImage::SetCenter(bool v) {
    if (v == center_) return;
    center_ = v;
    PictureChanged();
}

QList<QRgb> TRpImage::Palette() const {
    auto* bitmap = qobject_cast<TBitmap*>(picture_->Graphic());
    return bitmap ? bitmap->Palette() : QList<QRgb>();
}

void TRpImage::PictureChanged() {
    const int w = picture_->Width(), h = picture_->Height();
    if (AutoSize() && w > 0 && h > 0) SetBounds(Left(), Top(), w, h);
    // A bitmap that covers the whole item paints every pixel of it.
    const bool covers =
        qobject_cast<TBitmap*>(picture_->Graphic()) && w >= Width() && h >= Height();
    SetTransparent(!covers);
    Invalidate();
}

// The picture at its natural size, at the item's corner or centred in it (screen pixels
// at the item's zoom).
QRect TRpImage::NaturalRect(const QRect& itemRect, bool centred) const {
    const int zoom = Size()->Zoom();
    const int w = zoom * picture_->Width() / 100, h = zoom * picture_->Height() / 100;
    if (!centred) return {itemRect.left(), itemRect.top(), w, h};
    return {itemRect.left() + (itemRect.width() - w) / 2,
            itemRect.top() + (itemRect.height() - h) / 2, w, h};
}

void TRpImage::Paint() {
    TCanvas* canvas = Canvas();
    const QRect client = ClientRect();
    const QRect r = stretch_ ? client : NaturalRect(client, center_);
    // An opaque item is filled first, so that the picture stays visible over the fill.
    if (!Transparent()) TRpPrintable::Paint();
    if (TGraphic* g = picture_->Graphic()) {
        try {
            canvas->StretchDraw(r, g);
        } catch (const std::exception&) {
            // An undecodable picture shows as its frame alone.
        }
    }
    if (Transparent()) {
        TRpPrintable::Paint();
    } else {
        const long double factor = kRpPagePixelsPerTenth * Size()->Zoom() / 100;
        Frame()->DrawFrame(canvas, {0, 0, Width(), Height()}, factor, factor);
    }
}

void TRpImage::PrintItem(long double offsetX, long double offsetY) {
    if (!IsPrintEnabled()) return;
    if (HasNoArea(this)) {
        SetItemDone(true);
        return;
    }
    TGraphic* graphic = picture_->Graphic();
    if (CanvasOutput() && graphic && !graphic->Empty()) {
        TCanvas* canvas = PageCanvas();
        TRpPrinter* printer = Printer();
        const QRect item = ToQRect(DeviceRect(offsetX, offsetY));
        if (placement_) {
            const QRectF& f = *placement_;
            const QRect drawn =
                QRectF(item.left() + f.left() * item.width(), item.top() + f.top() * item.height(),
                       f.width() * item.width(), f.height() * item.height())
                    .toAlignedRect();
            TDeviceContext* dc = canvas->Handle();
            dc->IntersectClipRect(item);
            struct Unclip {
                TDeviceContext* dc;
                ~Unclip() { dc->RemoveClip(); }
            } unclip{dc};
            DrawPictureOnPage(canvas, drawn, graphic);
        } else if (stretch_) {
            DrawPictureOnPage(canvas, item, graphic);
        } else {
            // The natural size is the picture's size at the report's pixels, whatever the device.
            const int w =
                RoundInt(RpTenthsOfPixels(graphic->Width(), kRpPixelsPerInch) * printer->XFactor());
            const int h = RoundInt(RpTenthsOfPixels(graphic->Height(), kRpPixelsPerInch) *
                                   printer->YFactor());
            QRect drawn(item.left(), item.top(), w, h);
            if (center_) {
                const int64_t dx = (static_cast<int64_t>(printer->ToDeviceWidth(
                                        Size()->NativeValue(TRpPrintableSize::iWidth))) -
                                    w) /
                                   2;
                const int64_t dy = (static_cast<int64_t>(printer->ToDeviceHeight(
                                        Size()->NativeValue(TRpPrintableSize::iHeight))) -
                                    h) /
                                   2;
                drawn.translate(static_cast<int>(dx), static_cast<int>(dy));
            }
            TDeviceContext* dc = canvas->Handle();
            dc->IntersectClipRect(item);
            struct Unclip {
                TDeviceContext* dc;
                ~Unclip() { dc->RemoveClip(); }
            } unclip{dc};
            DrawPictureOnPage(canvas, drawn, graphic);
        }
    }
    TRpPrintable::PrintItem(offsetX, offsetY);
}

// ---- Registration ----------------------------------------------------------------------

void RegisterPrintableItemClasses() {
    RegisterComponentClass<TRpMemo>();
    RegisterComponentClass<TRpExpr>();
    RegisterComponentClass<TRpShape>();
    RegisterComponentClass<TRpImage>();
}
