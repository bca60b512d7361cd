#include "report/RpAngLbl.h"
#include "report/pagestore/RpUnits.h"

#include "framework/core/Resources.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/FontConfig.h"
#include "framework/graphics/TextDraw.h"
#include "framework/widgets/Forms.h"

#include <QFont>
#include <QFontDatabase>
#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

namespace {

// The quarter of the turn an angle of 0..359 lies in.
int QuarterOf(int angle) {
    return angle / 90;
}

} // namespace

TRpAngledCustom::TRpAngledCustom(TComponent* owner) : TRpPrintable(owner) {
    autoSize_ = true;
    SetTransparent(false);
    RegisterEvent("OnPrint", OnPrint);
    // Before any list of outline faces exists, so the font becomes "Arial".
    SetTrueTypeAlert(ttaAbort);
    anchorStyle_ = asNone;
    SetAngle(45);
}

TRpAngledCustom::~TRpAngledCustom() = default;

// ---- Properties ------------------------------------------------------------------------

void TRpAngledCustom::SetAngle(int angle) {
    int a = angle % 360;
    if (a < 0) a += 360;
    if (a == angle_) return;
    angle_ = a;
    Layout();
    Invalidate();
}

void TRpAngledCustom::SetAnchorStyle(TAnchorStyle s) {
    if (s == anchorStyle_) return;
    anchorStyle_ = s;
    Layout();
    Invalidate();
}

void TRpAngledCustom::SetAutoSize(bool v) {
    autoSize_ = v;
    if (v) Layout();
}

void TRpAngledCustom::SetTrueTypeAlert(TTrueTypeAlert t) {
    if (t == trueTypeAlert_) return;
    trueTypeAlert_ = t;
    FontChanged();
}

void TRpAngledCustom::SetName(const QString& name) {
    const QString old = Name();
    TRpPrintable::SetName(name);
    if (Caption().isEmpty() || Caption() == old) SetCaption(name);
}

// ---- Outline faces ---------------------------------------------------------------------

void TRpAngledCustom::FillTrueTypeList() {
    trueTypeNames_ = ScalableFaces();
}

bool TRpAngledCustom::IsTrueType(const QString& face) const {
    return trueTypeNames_.contains(face, Qt::CaseInsensitive);
}

bool TRpAngledCustom::ParentFontIsTrueType() const {
    TWinControl* parent = Parent();
    if (!qobject_cast<TRpCustomBand*>(parent) && !qobject_cast<TCustomReport*>(parent))
        return false;
    return IsTrueType(parent->Font()->Name());
}

void TRpAngledCustom::CheckFont() {
    if (trueTypeAlert_ == ttaNone || IsTrueType(Font()->Name())) return;
    if (trueTypeAlert_ == ttaMessage) {
        ShowMessage(LoadStr(RpRes::SFontNotTurnable));
        return;
    }
    // Setting the same face again is no change, so this does not call itself for ever.
    if (ParentFontIsTrueType())
        SetParentFont(true);
    else
        Font()->SetName(QStringLiteral("Arial"));
    if (trueTypeAlert_ == ttaAbortMessage)
        ShowMessage(LoadStr(RpRes::SFontReplaced).replace(QLatin1String("%s"), Font()->Name()));
}

// ---- Reactions -------------------------------------------------------------------------

void TRpAngledCustom::FontChanged() {
    TRpPrintable::FontChanged();
    CheckFont();
    Layout();
}

void TRpAngledCustom::TextChanged() {
    Layout();
    Invalidate();
}

// A new window handle brings the list of outline faces and the layout with it.
void TRpAngledCustom::UpdateWidget() {
    TRpPrintable::UpdateWidget();
    if (!Widget() || listedFor_ == Widget()) return;
    listedFor_ = Widget();
    FillTrueTypeList();
    Layout();
}

void TRpAngledCustom::Loaded() {
    TRpPrintable::Loaded();
    if (!HandleAllocated())
        HandleNeeded();
    else
        Layout();
}

// ---- Turned font and layout ------------------------------------------------------------

HFONT TRpAngledCustom::MakeTurnedFont(TCanvas* canvas) {
    LOGFONT lf = canvas->Font()->Handle()->logFont;
    lf.lfEscapement = angle_ * 10;
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    turnedFont_ = CreateFontIndirect(lf);
    return turnedFont_;
}

// On screen the font follows the item's zoom.
void TRpAngledCustom::UseScreenFont(TCanvas* canvas) const {
    canvas->Font()->Assign(Font());
    const int points = canvas->Font()->Size();
    const int zoomed = RoundInt(static_cast<long double>(points) * Size()->Zoom() / 100);
    if (zoomed != points) canvas->Font()->SetSize(zoomed);
}

// The text is measured in the face's design units at the font's size, not in any device's
// pixels: the box, and where the text starts in it, are the same on screen and on paper.
void TRpAngledCustom::Layout(bool resize) {
    if (!HandleAllocated() || IsLoading()) return;
    TCanvas* canvas = Canvas();
    std::optional<TCanvasHandleScope> borrow;
    if (!canvas->HandleAllocated()) borrow.emplace(*canvas, ScreenMeasuringDC());
    UseScreenFont(canvas);
    MakeTurnedFont(canvas);
    const std::shared_ptr<const TDesignMetrics> metrics = DesignMetricsOf(Font()->ToQFont());
    const long double em = EmInchesOf(*Font()) * kRpPixelsPerInch * Size()->Zoom() / 100;
    const long double width = std::min<long double>(metrics->Width(Caption()) * em, INT_MAX / 4);
    textWidth_ = RoundInt(width);
    textHeight_ = RoundInt(metrics->LineHeight() * em);
    ComputeBox();
    PlaceOrigin();
    if (resize && AutoSize()) SetBounds(boxLeft_, boxTop_, boxWidth_, boxHeight_);
}

void TRpAngledCustom::ComputeBox() {
    const int a = angle_;
    const int degrees = a < 90 ? 90 - a : a < 180 ? a - 90 : a < 270 ? 270 - a : a - 270;
    const double r = degrees * std::numbers::pi / 180;
    const double s = std::sin(r), c = std::cos(r);
    extents_.Ws = RoundInt(s * textWidth_);
    extents_.Wc = RoundInt(c * textWidth_);
    extents_.Hc = RoundInt(c * textHeight_);
    extents_.Hs = RoundInt(s * textHeight_);
    boxWidth_ = extents_.Ws + extents_.Hc;
    boxHeight_ = extents_.Wc + extents_.Hs;
    const int left = Left(), top = Top(), width = Width(), height = Height();
    boxLeft_ = left;
    boxTop_ = top;
    switch (anchorStyle_) {
    case asNone:
        break;
    case asTextLeft:
        if (a >= 90 && a < 270) boxLeft_ = left + width - boxWidth_;
        if (a < 180) boxTop_ = top + height - boxHeight_;
        break;
    case asTextRight:
        if (a < 90 || a >= 270) boxLeft_ = left + width - boxWidth_;
        if (a >= 180) boxTop_ = top + height - boxHeight_;
        break;
    case asTextCenter:
        boxLeft_ = left + RoundInt((width - boxWidth_) / 2.0L);
        boxTop_ = top + RoundInt((height - boxHeight_) / 2.0L);
        break;
    }
}

void TRpAngledCustom::PlaceOrigin() {
    const auto [Ws, Wc, Hc, Hs] = extents_;
    const int quarter = QuarterOf(angle_);
    if (AutoSize() || anchorStyle_ == asNone) {
        // The reference point inside the text's own box.
        const QPoint origins[] = {{0, Wc}, {Ws, boxHeight_}, {boxWidth_, Hs}, {Hc, 0}};
        originX_ = origins[quarter].x();
        originY_ = origins[quarter].y();
        return;
    }
    // The box is not applied: the anchored point of the text sits at the matching point
    // of the item as it is.
    const int W = Width(), H = Height();
    QPoint p;
    if (anchorStyle_ == asTextLeft) {
        const QPoint t[] = {{0, H - Hs}, {W - Hc, H}, {W, Hs}, {Hc, 0}};
        p = t[quarter];
    } else if (anchorStyle_ == asTextRight) {
        const QPoint t[] = {
            {W - Ws - Hc, Wc}, {Ws, Wc + Hs}, {Ws + Hc, H - Wc}, {W - Ws, H - Wc - Hs}};
        p = t[quarter];
    } else {
        const int hx = RoundInt((W - boxWidth_) / 2.0L), hy = RoundInt((H - boxHeight_) / 2.0L);
        const QPoint t[] = {
            {hx, hy + Wc}, {hx + Ws, hy + Wc + Hs}, {hx + Ws + Hc, hy + Hs}, {hx + Hc, hy}};
        p = t[quarter];
    }
    originX_ = p.x();
    originY_ = p.y();
}

// ---- Screen paint ----------------------------------------------------------------------

void TRpAngledCustom::Paint() {
    Layout(false);
    TRpPrintable::Paint();
    TCanvas* canvas = Canvas();
    const QRect client(0, 0, Width(), Height());
    if (!Transparent()) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetBrushStyle(bsSolid);
        canvas->FillRect(client);
    }
    canvas->Brush()->SetBrushStyle(bsClear);
    UseScreenFont(canvas);
    canvas->RequireFont();
    canvas->RequireBrush();
    const HFONT turned = MakeTurnedFont(canvas);
    TDeviceContext* dc = canvas->Handle();
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    const HFONT previous = dc->SelectFont(turned);
    dc->ExtTextOut(originX_, originY_, ETO_CLIPPED, &client, Caption());
    dc->SelectFont(previous);
}

// ---- Print -----------------------------------------------------------------------------

void TRpAngledCustom::PrintItem(long double offsetX, long double offsetY) {
    const QString oldText = Caption();
    QString newText = oldText;
    if (OnPrint && !(ComponentState() & csDesigning)) {
        OnPrint(this, newText);
        if (newText != oldText) SetCaption(newText);
    }
    struct Restore {
        TRpAngledCustom* item;
        const QString& old;
        const QString& now;
        ~Restore() {
            if (old != now) item->SetCaption(old);
        }
    } restore{this, oldText, newText};
    // An empty text turned upright has no height: it has nothing to show.
    TCanvas* canvas = PageCanvas();
    TRpPrinter* printer = Printer();
    if (HasNoArea(this) || !canvas || !printer) return;
    // Screen pixels per native unit at the item's zoom; the origin is in those pixels.
    const long double ratio = RpPixelsPerTenth(Size()->Resolution()) * Size()->Zoom() / 100;
    canvas->Font()->Assign(Font());
    canvas->RequireFont();
    const HFONT turned = MakeTurnedFont(canvas);
    const TRpPrintableSize* size = Size();
    const long double L = size->NativeValue(TRpPrintableSize::iLeft) + offsetX;
    const long double T = size->NativeValue(TRpPrintableSize::iTop) + offsetY;
    const TRpRect r = DeviceRect(offsetX, offsetY);
    const QRect rect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    // The text is placed by its baseline, the face's design ascent below the cell's corner
    // across the turned line: a device's hinted cell would put it elsewhere at each
    // resolution.
    const long double ascent =
        DesignMetricsOf(Font()->ToQFont())->Ascent() * EmInchesOf(*Font()) * kRpTenthsPerInch;
    const long double turn = angle_ * std::numbers::pi_v<long double> / 180;
    const int x = printer->ToDeviceX(L + RoundEven(originX_ / ratio) + ascent * std::sin(turn));
    const int y = printer->ToDeviceY(T + RoundEven(originY_ / ratio) + ascent * std::cos(turn));
    if (!Transparent()) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetBrushStyle(bsSolid);
        canvas->FillRect(rect);
    }
    canvas->Brush()->SetBrushStyle(bsClear);
    canvas->RequireBrush();
    TDeviceContext* dc = canvas->Handle();
    dc->SetTextAlign(TA_LEFT | TA_BASELINE);
    const HFONT previous = dc->SelectFont(turned);
    std::optional<QRect> frame;
    if (clipFrame_) {
        const TRpTextFrame& f = *clipFrame_;
        const long double dx = offsetX, dy = offsetY;
        const int l = printer->ToDeviceX(f.left + dx), t = printer->ToDeviceY(f.top + dy);
        frame = QRect(QPoint(l, t), QPoint(printer->ToDeviceX(f.left + dx + f.width) - 1,
                                           printer->ToDeviceY(f.top + dy + f.height) - 1));
        dc->IntersectClipRect(*frame);
    }
    // The box was measured in design units, so the text fills it on every device; an
    // auto-sized one is drawn unclipped all the same, its box being the text's own.
    const bool clipped = !AutoSize();
    QRect room = frame ? *frame : clipped ? rect : QRect();
    if (room.isNull() && Report()) {
        const TRpPage* page = Report()->Page();
        room = QRect(QPoint(printer->ToDeviceX(0), printer->ToDeviceY(0)),
                     QPoint(printer->ToDeviceX(page->NativeValue(TRpPage::iWidth)),
                            printer->ToDeviceY(page->NativeValue(TRpPage::iLength))));
    }
    const TShownRun shown = ShownRun(newText, QPoint(x, y), room, printer->XFactor());
    if (!shown.text.isEmpty())
        dc->ExtTextOut(shown.origin.x(), shown.origin.y(), clipped ? ETO_CLIPPED : 0, &rect,
                       shown.text, shown.advances.data());
    dc->SelectFont(previous);
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    if (frame) dc->RemoveClip();
    TRpPrintable::PrintItem(offsetX, offsetY);
}

// The part of the text that can reach room, placed by the face's design advances at the
// font's size in device pixels taken from their running sum. The text runs from p in a
// straight line, so a character whose cell lies wholly before or after the room's extent
// along that line is never seen: a text far longer than its room costs what the room holds.
TRpAngledCustom::TShownRun TRpAngledCustom::ShownRun(const QString& text, QPoint p,
                                                     const QRect& room, long double factor) const {
    const std::shared_ptr<const TDesignMetrics> metrics = DesignMetricsOf(Font()->ToQFont());
    const long double em = EmInchesOf(*Font()) * kRpTenthsPerInch * factor;
    const long double a = angle_ * std::numbers::pi_v<long double> / 180;
    const long double ux = std::cos(a), uy = -std::sin(a); // down the page is +y
    long double from = -std::numeric_limits<long double>::infinity();
    long double to = std::numeric_limits<long double>::infinity();
    if (!room.isNull()) {
        from = -from;
        to = -to;
        for (const QPoint c :
             {room.topLeft(), room.topRight(), room.bottomLeft(), room.bottomRight()}) {
            const long double along = (c.x() - p.x()) * ux + (c.y() - p.y()) * uy;
            from = std::min(from, along);
            to = std::max(to, along);
        }
        // Overhanging glyphs reach a little beyond their advances.
        from -= 2 * em;
        to += 2 * em;
    }
    TShownRun run;
    long double ems = 0;
    qsizetype first = 0, end = text.size();
    int units = 1;
    for (qsizetype i = 0; i < text.size(); i += units) {
        const long double next = ems + metrics->AdvanceAt(text, i, &units);
        if (ems * em > to) {
            end = i;
            break;
        }
        if (next * em < from) first = i + units;
        ems = next;
    }
    run.text = text.mid(first, end - first);
    run.advances.assign(static_cast<size_t>(run.text.size()), 0);
    ems = metrics->Width(QStringView(text).left(first));
    const int start = RoundInt(ems * em);
    int placed = start;
    for (qsizetype i = 0; i < run.text.size(); i += units) {
        ems += metrics->AdvanceAt(run.text, i, &units);
        const int at = RoundInt(std::min<long double>(ems * em, INT_MAX / 2));
        run.advances[static_cast<size_t>(i)] = at - placed;
        placed = at;
    }
    run.origin = p + QPoint(RoundInt(start * ux), RoundInt(start * uy));
    return run;
}

void TRpAngledCustom::SetClipFrame(const std::optional<TRpTextFrame>& frame) {
    clipFrame_ = frame;
}

// The turned text's cell, in native units from the band's corner.
TRpTextFrame TRpAngledCustom::TextBox() const {
    const std::shared_ptr<const TDesignMetrics> metrics = DesignMetricsOf(Font()->ToQFont());
    const long double em = EmInchesOf(*Font()) * kRpTenthsPerInch;
    const long double w = metrics->Width(Caption()) * em, h = metrics->LineHeight() * em;
    const long double ratio = RpPixelsPerTenth(Size()->Resolution()) * Size()->Zoom() / 100;
    const long double ox =
        Size()->NativeValue(TRpPrintableSize::iLeft) + RoundEven(originX_ / ratio);
    const long double oy =
        Size()->NativeValue(TRpPrintableSize::iTop) + RoundEven(originY_ / ratio);
    const long double a = angle_ * std::numbers::pi_v<long double> / 180;
    const long double c = std::cos(a), s = std::sin(a);
    long double left = ox, right = ox, top = oy, bottom = oy;
    for (const auto& [u, v] : {std::pair{w, 0.0L}, std::pair{w, h}, std::pair{0.0L, h}}) {
        // Counter-clockwise on a page whose y grows downwards.
        const long double x = ox + u * c + v * s, y = oy - u * s + v * c;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    return {left, top, right - left, bottom - top};
}

bool TRpAngledCustom::TextFits() const {
    const TRpTextFrame box = TextBox();
    TRpTextFrame f;
    if (clipFrame_) {
        f = *clipFrame_;
    } else {
        const TRpPrintableSize* size = Size();
        f = {size->NativeValue(TRpPrintableSize::iLeft), size->NativeValue(TRpPrintableSize::iTop),
             size->NativeValue(TRpPrintableSize::iWidth),
             size->NativeValue(TRpPrintableSize::iHeight)};
    }
    // A native unit of slack for the rounding of the origin.
    return box.left >= f.left - 1 && box.top >= f.top - 1 &&
           box.left + box.width <= f.left + f.width + 1 &&
           box.top + box.height <= f.top + f.height + 1;
}

// ---- TRpAngledLabel --------------------------------------------------------------------

TRpAngledLabel::TRpAngledLabel(TComponent* owner) : TRpAngledCustom(owner) {}

void RegisterAngledLabelClasses() {
    RegisterComponentClass<TRpAngledLabel>();
}
