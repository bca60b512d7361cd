#include "framework/StdCtrls.h"

#include "framework/TextDraw.h"

// ---- TCustomLabel ----------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    autoSize_ = true;
    SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout l) {
    if (l == layout_) return;
    layout_ = l;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool v) {
    if (v == showAccelChar_) return;
    showAccelChar_ = v;
    Invalidate();
}

void TCustomLabel::SetTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool v) {
    if (v == wordWrap_) return;
    wordWrap_ = v;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool v) {
    if (v == autoSize_) return;
    autoSize_ = v;
    AdjustBounds();
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::TextChanged() {
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustBounds();
}

void TCustomLabel::DoDrawText(QRect& rect, unsigned flags) {
    QString text = GetLabelText();
    if ((flags & DT_CALCRECT) && (text.isEmpty() || (showAccelChar_ && text == QLatin1String("&"))))
        text += QLatin1Char(' ');
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    canvas->RequireFont();
    canvas->RequireBrush();
    TDeviceContext* dc = canvas->Handle();
    if (!Enabled()) {
        rect.translate(1, 1);
        canvas->Font()->SetColor(clBtnHighlight);
        canvas->RequireFont();
        DrawText(dc, text, rect, flags);
        rect.translate(-1, -1);
        canvas->Font()->SetColor(clBtnShadow);
        canvas->RequireFont();
        DrawText(dc, text, rect, flags);
    } else {
        DrawText(dc, text, rect, flags);
    }
}

void TCustomLabel::Paint() {
    ++paintCount_;
    TCanvas* canvas = Canvas();
    if (!transparent_) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetBrushStyle(bsSolid);
        canvas->FillRect(ClientRect());
    }
    canvas->Brush()->SetBrushStyle(bsClear);
    QRect rect = ClientRect();
    unsigned flags = DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0);
    if (alignment_ == TControlEnums::taRightJustify) flags |= DT_RIGHT;
    else if (alignment_ == TControlEnums::taCenter) flags |= DT_CENTER;
    if (layout_ != TControlEnums::tlTop) {
        QRect calc = rect;
        DoDrawText(calc, flags | DT_CALCRECT);
        const int offset = Height() - (calc.bottom() + 1);
        rect.translate(0, layout_ == TControlEnums::tlBottom ? offset : offset / 2);
    }
    DoDrawText(rect, flags);
}

void TCustomLabel::AdjustBounds() {
    if (IsLoading() || !autoSize_) return;
    QRect rect = ClientRect();
    TCanvas* canvas = Canvas();
    canvas->SetHandle(ScreenMeasuringDC());
    struct Detach {
        TCanvas* c;
        ~Detach() { c->SetHandle(nullptr); }
    } detach{canvas};
    DoDrawText(rect, DT_EXPANDTABS | DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0));
    int x = Left();
    if (alignment_ == TControlEnums::taRightJustify) x += Width() - (rect.right() + 1);
    SetBounds(x, Top(), rect.right() + 1, rect.bottom() + 1);
}
