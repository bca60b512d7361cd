#include "report/RpAngLbl.h"

#include "framework/core/Resources.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/widgets/Forms.h"

#include <QFont>
#include <QFontDatabase>
#include <cmath>
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
    trueTypeNames_.clear();
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families)
        if (QFontDatabase::isSmoothlyScalable(family)) trueTypeNames_.append(family);
    // A face the framework draws with an installed outline twin turns like that twin.
    const QStringList substituted = QFont::substitutions();
    for (const QString& face : substituted) {
        const QStringList twins = QFont::substitutes(face);
        for (const QString& twin : twins)
            if (trueTypeNames_.contains(twin, Qt::CaseInsensitive)) {
                trueTypeNames_.append(face);
                break;
            }
    }
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

void TRpAngledCustom::Layout(bool resize) {
    if (!HandleAllocated() || IsLoading()) return;
    TCanvas* canvas = Canvas();
    std::optional<TCanvasHandleScope> borrow;
    if (!canvas->HandleAllocated()) borrow.emplace(*canvas, ScreenMeasuringDC());
    UseScreenFont(canvas);
    canvas->RequireFont();
    const HFONT turned = MakeTurnedFont(canvas);
    TDeviceContext* dc = canvas->Handle();
    const HFONT previous = dc->SelectFont(turned);
    const QSize extent = dc->GetTextExtentPoint(Caption());
    dc->SelectFont(previous);
    textWidth_ = extent.width();
    textHeight_ = extent.height();
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
    const long double ratio = Size()->Resolution() / 254.0L * Size()->Zoom() / 100;
    canvas->Font()->Assign(Font());
    canvas->RequireFont();
    const HFONT turned = MakeTurnedFont(canvas);
    const TRpPrintableSize* size = Size();
    const long double L = size->NativeValue(TRpPrintableSize::iLeft) + offsetX;
    const long double T = size->NativeValue(TRpPrintableSize::iTop) + offsetY;
    const TRpRect r = DeviceRect(offsetX, offsetY);
    const QRect rect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    const int x = printer->ToDeviceX(L + RoundEven(originX_ / ratio));
    const int y = printer->ToDeviceY(T + RoundEven(originY_ / ratio));
    if (!Transparent()) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetBrushStyle(bsSolid);
        canvas->FillRect(rect);
    }
    canvas->Brush()->SetBrushStyle(bsClear);
    canvas->RequireBrush();
    TDeviceContext* dc = canvas->Handle();
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    const HFONT previous = dc->SelectFont(turned);
    // A box sized to the text was measured on the screen; on the page the same text can
    // come out longer, and clipping it to that box would cut off its ends.
    dc->ExtTextOut(x, y, AutoSize() ? 0 : ETO_CLIPPED, &rect, newText);
    dc->SelectFont(previous);
    TRpPrintable::PrintItem(offsetX, offsetY);
}

// ---- TRpAngledLabel --------------------------------------------------------------------

TRpAngledLabel::TRpAngledLabel(TComponent* owner) : TRpAngledCustom(owner) {}

void RegisterAngledLabelClasses() {
    RegisterComponentClass<TRpAngledLabel>();
}
