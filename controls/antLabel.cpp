#include "controls/antLabel.h"

#include "framework/core/Reader.h"
#include "framework/graphics/TextDraw.h"

#include <cstdlib>

TantCustomLabel::TantCustomLabel(TComponent* owner) : TCustomLabel(owner) {
    const auto repaint = [this] { Invalidate(); };
    colorFront_ = new TantRunTimeColorDesc(this, clBlack, clBlue, clRed, clBtnShadow, repaint);
    colorBack_ =
        new TantRunTimeColorDesc(this, clBtnShadow, clNavy, clMaroon, clBtnHighlight, repaint);
    cursors_ = new TantRunTimeCursorDesc(this, crDefault, crHandPoint, crHandPoint, crDefault);
    highLight_ = new TantRunTimeBooleanDesc(this, false, true, true, false, repaint);
    highLightColor_ =
        new TantRunTimeColorDesc(this, clYellow, clYellow, clWhite, clBtnHighlight, repaint);
    underLine_ = new TantRunTimeBooleanDesc(this, false, true, true, false, repaint);
}

// The descriptors are children of the label and go with it.
TantCustomLabel::~TantCustomLabel() = default;

// ---- State ------------------------------------------------------------------------------

void TantCustomLabel::SetState(uint8_t state) {
    if (state == state_) return;
    state_ = state;
    for (TantRunTimeDesc* d :
         {static_cast<TantRunTimeDesc*>(colorFront_), static_cast<TantRunTimeDesc*>(colorBack_),
          static_cast<TantRunTimeDesc*>(cursors_), static_cast<TantRunTimeDesc*>(highLight_),
          static_cast<TantRunTimeDesc*>(highLightColor_),
          static_cast<TantRunTimeDesc*>(underLine_)})
        d->SetState(state);
    SetCursor(cursors_->CurrentValue());
    Font()->SetColor(colorFront_->CurrentValue());
    TFontStyles style = Font()->Style();
    style.setFlag(TFont::fsUnderline, underLine_->CurrentValue());
    Font()->SetStyle(style);
    Invalidate();
}

void TantCustomLabel::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    Invalidate();
}

void TantCustomLabel::SetEnabled(bool e) {
    TCustomLabel::SetEnabled(e);
    SetState(Enabled() ? lsNormal : lsDisabled);
}

void TantCustomLabel::Loaded() {
    TCustomLabel::Loaded();
    SetEnabled(Enabled()); // a layout may have disabled the label: take the matching state
    AdjustBounds();
}

// ---- Settings that change the size --------------------------------------------------------

void TantCustomLabel::SetAutoSize(bool v) {
    if (v == autoSize_) return;
    autoSize_ = v;
    AdjustBounds();
    Invalidate();
}

void TantCustomLabel::SetDepth(int& field, int v) {
    if (v == field) return;
    field = v;
    AdjustBounds();
    Invalidate();
}

void TantCustomLabel::SetColor3d(bool v) {
    if (v == color3d_) return;
    color3d_ = v;
    AdjustBounds();
    Invalidate();
}

void TantCustomLabel::SetColor3dXDepth(int v) {
    SetDepth(color3dXDepth_, v);
}
void TantCustomLabel::SetColor3dYDepth(int v) {
    SetDepth(color3dYDepth_, v);
}

void TantCustomLabel::SetHighLightStyle(TantHighLightStyle v) {
    if (v == highLightStyle_ || v > hlsFull) return;
    highLightStyle_ = v;
    AdjustBounds();
    Invalidate();
}

// A halo reaches outwards only; a negative depth would eat into the text.
void TantCustomLabel::SetHighLightXDepth(int v) {
    if (v >= 0) SetDepth(highLightXDepth_, v);
}

void TantCustomLabel::SetHighLightYDepth(int v) {
    if (v >= 0) SetDepth(highLightYDepth_, v);
}

void TantCustomLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TantCustomLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

// ---- Mouse --------------------------------------------------------------------------------

// Qt keeps the pointer grabbed by the pressed widget and tells it nothing about leaving or
// coming back until the button is released; while the button is held the moves say it.
void TantCustomLabel::TrackPointer(int x, int y) {
    const bool inside = ClientRect().contains(x, y);
    if (inside && !mouseInside_)
        MouseEnter();
    else if (!inside && mouseInside_)
        MouseLeave();
}

void TantCustomLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        buttonDown_ = true;
        if (Reacting()) SetState(lsActive);
    }
    TCustomLabel::MouseDown(button, shift, x, y);
}

void TantCustomLabel::MouseMove(TShiftState shift, int x, int y) {
    if (buttonDown_) TrackPointer(x, y);
    TCustomLabel::MouseMove(shift, x, y);
}

void TantCustomLabel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        if (buttonDown_) TrackPointer(x, y);
        buttonDown_ = false;
        if (Reacting()) SetState(mouseInside_ ? lsSelected : lsNormal);
    }
    TCustomLabel::MouseUp(button, shift, x, y);
}

void TantCustomLabel::MouseEnter() {
    if (mouseInside_) return; // already seen through the moves of a held button
    mouseInside_ = true;
    if (Reacting()) SetState(buttonDown_ ? lsActive : lsSelected);
    TCustomLabel::MouseEnter();
}

void TantCustomLabel::MouseLeave() {
    if (!mouseInside_) return;
    mouseInside_ = false;
    if (Enabled()) SetState(active_ && buttonDown_ ? lsSelected : lsNormal);
    TCustomLabel::MouseLeave();
}

// ---- Measuring and drawing ----------------------------------------------------------------

void TantCustomLabel::AdjustBounds() {
    if (IsLoading() || !AutoSize()) return;
    const int hx = highLightXDepth_, hy = highLightYDepth_;
    QRect rect = ClientRect().adjusted(hx, hy, -hx, -hy);
    TCanvas* canvas = Canvas();
    {
        const TCanvasHandleScope scope(*canvas, ScreenMeasuringDC());
        DoDrawText(rect, DT_CALCRECT | DT_EXPANDTABS | (WordWrap() ? DT_WORDBREAK : 0));
    }
    rect.adjust(-hx, -hy, hx, hy);
    int left = Left();
    if (Alignment() == TControlEnums::taRightJustify) {
        rect.moveLeft(0);
        left += Width() - (rect.left() + rect.width());
    }
    SetBounds(left, Top(), rect.left() + rect.width(), rect.top() + rect.height());
}

void TantCustomLabel::Paint() {
    CountPaint();
    TCanvas* canvas = Canvas();
    QRect rect = ClientRect();
    if (!Transparent()) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetBrushStyle(bsSolid);
        canvas->FillRect(rect);
    }
    rect.adjust(highLightXDepth_, highLightYDepth_, -highLightXDepth_, -highLightYDepth_);
    canvas->Brush()->SetBrushStyle(bsClear);
    unsigned flags = DT_EXPANDTABS | (WordWrap() ? DT_WORDBREAK : 0);
    switch (Alignment()) {
    case TControlEnums::taRightJustify:
        flags |= DT_RIGHT;
        break;
    case TControlEnums::taCenter:
        flags |= DT_CENTER;
        break;
    default:
        flags |= DT_LEFT;
        break;
    }
    if (Layout() != TControlEnums::tlTop) {
        QRect calc = rect;
        DoDrawText(calc, flags | DT_CALCRECT);
        const int offset = Height() - (calc.top() + calc.height());
        rect.translate(0, Layout() == TControlEnums::tlBottom ? offset : offset / 2);
    }
    DoDrawText(rect, flags);
}

void TantCustomLabel::DoDrawText(QRect& rect, unsigned flags) {
    QString text = Caption();
    if ((flags & DT_CALCRECT) &&
        (text.isEmpty() || (ShowAccelChar() && text == QLatin1String("&"))))
        text += QLatin1Char(' ');
    if (!ShowAccelChar()) flags |= DT_NOPREFIX;
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    // The underline follows the state even when the label's own font was set otherwise.
    TFontStyles style = canvas->Font()->Style();
    style.setFlag(TFont::fsUnderline, underLine_->CurrentValue());
    canvas->Font()->SetStyle(style);
    canvas->RequireBrush();
    if (color3d_)
        Draw3D(text, rect, flags);
    else
        DrawPlain(text, rect, flags);
}

void TantCustomLabel::SetTextColor(TColor c) {
    Canvas()->Font()->SetColor(c);
}

void TantCustomLabel::Text(const QString& text, QRect& rect, unsigned flags) {
    TCanvas* canvas = Canvas();
    canvas->RequireFont();
    DrawText(canvas->Handle(), text, rect, flags);
}

void TantCustomLabel::DrawPlain(const QString& text, QRect& rect, unsigned flags) {
    if (Enabled()) {
        if (highLight_->CurrentValue()) DrawHighLight(text, rect, flags);
        SetTextColor(colorFront_->CurrentValue());
        Text(text, rect, flags);
        return;
    }
    // Engraved: a light copy one pixel down and right under the shadow-coloured text.
    rect.translate(1, 1);
    SetTextColor(clBtnHighlight);
    Text(text, rect, flags);
    rect.translate(-1, -1);
    if (highLight_->CurrentValue()) DrawHighLight(text, rect, flags);
    SetTextColor(clBtnShadow);
    Text(text, rect, flags);
}

void TantCustomLabel::Draw3D(const QString& text, QRect& rect, unsigned flags) {
    const int dx = color3dXDepth_, dy = color3dYDepth_;
    QRect front = rect, back = rect;
    // The shadow falls away from the aligned edge so that the text itself keeps its place.
    switch (Alignment()) {
    case TControlEnums::taRightJustify:
        if (dx > 0)
            front.translate(-dx, 0);
        else
            back.translate(dx, 0);
        break;
    case TControlEnums::taCenter:
        front.setRight(front.right() - std::abs(dx));
        back.setRight(back.right() - std::abs(dx));
        [[fallthrough]];
    default:
        if (dx > 0)
            back.translate(dx, 0);
        else
            front.translate(-dx, 0);
        break;
    }
    if (dy > 0)
        back.translate(0, dy);
    else
        front.translate(0, -dy);

    const bool shadow = dx != 0 || dy != 0;
    if (shadow) {
        SetTextColor(colorBack_->CurrentValue());
        Text(text, back, flags);
    }
    if (highLight_->CurrentValue()) DrawHighLight(text, front, flags);
    SetTextColor(colorFront_->CurrentValue());
    Text(text, front, flags);

    // Without a shadow the back rectangle was never measured: it must not widen the text.
    if (!shadow) back = front;
    const int l = std::min(front.left(), back.left()), t = std::min(front.top(), back.top());
    const int r = std::max(front.left() + front.width(), back.left() + back.width());
    const int b = std::max(front.top() + front.height(), back.top() + back.height());
    rect = QRect(l, t, r - l, b - t);
}

void TantCustomLabel::DrawHighLight(const QString& text, const QRect& rect, unsigned flags) {
    const int hx = highLightXDepth_, hy = highLightYDepth_;
    SetTextColor(highLightColor_->CurrentValue());
    const auto copyAt = [&](int ox, int oy) {
        QRect r = rect.translated(ox, oy);
        Text(text, r, flags);
    };
    if (highLightStyle_ == hlsNormal || highLightStyle_ == hlsFull) {
        copyAt(0, -hy);
        copyAt(0, hy);
        copyAt(-hx, 0);
        copyAt(hx, 0);
    }
    if (highLightStyle_ == hlsDiagonal || highLightStyle_ == hlsFull) {
        copyAt(-hx, -hy);
        copyAt(hx, -hy);
        copyAt(hx, hy);
        copyAt(-hx, hy);
    }
}

void RegisterLabelClasses() {
    RegisterComponentClass<TantLabel>();
}
