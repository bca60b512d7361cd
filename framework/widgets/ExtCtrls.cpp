#include "framework/widgets/ExtCtrls.h"

#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/TextDraw.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QSignalBlocker>

void Frame3D(TCanvas* canvas, QRect& rect, TColor topColor, TColor bottomColor, int width) {
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetPenStyle(psSolid);
    for (int i = 0; i < width && rect.width() > 0 && rect.height() > 0; ++i) {
        canvas->Pen()->SetColor(topColor);
        canvas->MoveTo(rect.left(), rect.bottom());
        canvas->LineTo(rect.left(), rect.top());
        canvas->LineTo(rect.right(), rect.top());
        canvas->Pen()->SetColor(bottomColor);
        canvas->LineTo(rect.right(), rect.bottom());
        canvas->LineTo(rect.left() - 1, rect.bottom());
        rect.adjust(1, 1, -1, -1);
    }
}

// ---- TCustomPanel ----------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 185, 41);
    SetColor(clBtnFace);
    RegisterEvent("OnResize", OnResize);
}

void TCustomPanel::SetBevelInner(TPanelBevel b) {
    if (b == bevelInner_) return;
    bevelInner_ = b;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TPanelBevel b) {
    if (b == bevelOuter_) return;
    bevelOuter_ = b;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int w) {
    if (w < 1 || w == bevelWidth_) return;
    bevelWidth_ = w;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int w) {
    if (w < 0 || w == borderWidth_) return;
    borderWidth_ = w;
    Realign();
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    Invalidate();
}

int TCustomPanel::FrameWidth() const {
    int w = borderWidth_;
    if (bevelOuter_ != TExtCtrlsEnums::bvNone) w += bevelWidth_;
    if (bevelInner_ != TExtCtrlsEnums::bvNone) w += bevelWidth_;
    return w;
}

void TCustomPanel::AlignControls(QRect& rect) {
    const int f = FrameWidth();
    rect.adjust(f, f, -f, -f);
    TCustomControl::AlignControls(rect);
}

void TCustomPanel::BoundsChanged() {
    TCustomControl::BoundsChanged();
    if (!IsLoading()) Notify(OnResize, this);
}

void TCustomPanel::TextChanged() {
    TCustomControl::TextChanged();
    Invalidate();
}

void TCustomPanel::Paint() {
    TCanvas* canvas = Canvas();
    QRect rect = ClientRect();
    auto bevel = [&](TPanelBevel b) {
        if (b == TExtCtrlsEnums::bvNone) return;
        TColor top = clBtnHighlight, bottom = clBtnShadow;
        if (b == TExtCtrlsEnums::bvLowered)
            std::swap(top, bottom);
        else if (b == TExtCtrlsEnums::bvSpace)
            top = bottom = Color();
        Frame3D(canvas, rect, top, bottom, bevelWidth_);
    };
    bevel(bevelOuter_);
    Frame3D(canvas, rect, Color(), Color(), borderWidth_);
    bevel(bevelInner_);
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetBrushStyle(bsSolid);
    canvas->FillRect(rect);
    if (Caption().isEmpty()) return;
    canvas->Brush()->SetBrushStyle(bsClear);
    canvas->Font()->Assign(Font());
    canvas->RequireFont();
    canvas->RequireBrush();
    unsigned flags = DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE;
    if (alignment_ == TControlEnums::taCenter)
        flags |= DT_CENTER;
    else if (alignment_ == TControlEnums::taRightJustify)
        flags |= DT_RIGHT;
    DrawText(canvas->Handle(), Caption(), rect, flags);
}

// ---- TBevel ----------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape s) {
    if (s == shape_) return;
    shape_ = s;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle s) {
    if (s == style_) return;
    style_ = s;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* canvas = Canvas();
    TColor first = clBtnShadow, second = clBtnHighlight;
    if (style_ == TExtCtrlsEnums::bsRaised) std::swap(first, second);
    QRect r = ClientRect();
    auto line = [&](TColor c, int x1, int y1, int x2, int y2) {
        canvas->Pen()->SetColor(c);
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    const int w = Width(), h = Height();
    switch (shape_) {
    case TExtCtrlsEnums::bsBox:
        Frame3D(canvas, r, first, second, 1);
        break;
    case TExtCtrlsEnums::bsFrame: {
        // Two offset outlines make the etched frame.
        QRect outer(0, 0, w - 1, h - 1), inner(1, 1, w - 1, h - 1);
        canvas->Brush()->SetBrushStyle(bsClear);
        canvas->Pen()->SetColor(second);
        canvas->Rectangle(inner);
        canvas->Pen()->SetColor(first);
        canvas->Rectangle(outer);
        break;
    }
    case TExtCtrlsEnums::bsTopLine:
        line(first, 0, 0, w, 0);
        line(second, 0, 1, w, 1);
        break;
    case TExtCtrlsEnums::bsBottomLine:
        line(first, 0, h - 2, w, h - 2);
        line(second, 0, h - 1, w, h - 1);
        break;
    case TExtCtrlsEnums::bsLeftLine:
        line(first, 0, 0, 0, h);
        line(second, 1, 0, 1, h);
        break;
    case TExtCtrlsEnums::bsRightLine:
        line(first, w - 2, 0, w - 2, h);
        line(second, w - 1, 0, w - 1, h);
        break;
    default:
        break;
    }
}

// ---- TCustomRadioGroup -----------------------------------------------------------------

TCustomRadioGroup::TCustomRadioGroup(TComponent* owner)
    : TCustomGroupBox(owner), items_(new TStrings(this)) {
    // The group reports a click when its choice changes, not for clicks on its frame.
    clickEvents_ = false;
    SetTabStop(true);
    items_->OnChange = [this](TObject*) { ItemsChanged(); };
}

QWidget* TCustomRadioGroup::CreateWidget(QWidget* parentWidget) {
    QWidget* w = TCustomGroupBox::CreateWidget(parentWidget);
    group_ = new QButtonGroup(w);
    group_->setExclusive(true);
    connect(group_.data(), &QButtonGroup::idClicked, this,
            [this](int id) { SafeCall(this, [&] { ButtonClicked(id); }); });
    return w;
}

void TCustomRadioGroup::UpdateWidget() {
    TCustomGroupBox::UpdateWidget();
    BuildButtons();
}

QAbstractButton* TCustomRadioGroup::Button(int i) const {
    return group_ ? group_->button(i) : nullptr;
}

void TCustomRadioGroup::BuildButtons() {
    if (!group_ || !Widget()) return;
    const QList<QAbstractButton*> old = group_->buttons();
    if (old.size() != items_->Count()) {
        for (QAbstractButton* b : old)
            delete b;
        for (int i = 0; i < items_->Count(); ++i) {
            auto* b = new QRadioButton(Widget());
            group_->addButton(b, i);
            b->show();
        }
    }
    const QSignalBlocker block(group_.data());
    group_->setExclusive(false);
    for (int i = 0; i < items_->Count(); ++i) {
        QAbstractButton* b = group_->button(i);
        b->setText((*items_)[i]);
        b->setChecked(i == itemIndex_);
    }
    group_->setExclusive(true);
    ArrangeButtons();
}

QRect TCustomRadioGroup::ButtonRect(int i) const {
    const int count = items_->Count();
    if (i < 0 || i >= count) return {};
    const int columns = std::max(1, columns_);
    const int perColumn = (count + columns - 1) / columns;
    const int textHeight = CaptionHeight();
    const int buttonWidth = (Width() - 10) / columns;
    // The buttons share the height below the caption evenly; what is left over is split
    // above and below them.
    const int available = Height() - textHeight - 5;
    const int buttonHeight = available / perColumn;
    const int topMargin = textHeight + 1 + (available % perColumn) / 2;
    return {8 + buttonWidth * (i / perColumn), topMargin + (i % perColumn) * buttonHeight,
            buttonWidth, buttonHeight};
}

void TCustomRadioGroup::ArrangeButtons() {
    if (!group_) return;
    for (int i = 0; i < items_->Count(); ++i)
        if (QAbstractButton* b = group_->button(i)) b->setGeometry(ButtonRect(i));
}

void TCustomRadioGroup::ItemsChanged() {
    if (!IsLoading() && itemIndex_ >= items_->Count()) itemIndex_ = -1;
    BuildButtons();
}

void TCustomRadioGroup::ButtonClicked(int i) {
    SetItemIndex(i);
}

void TCustomRadioGroup::SetItemIndex(int i) {
    if (IsLoading()) {
        itemIndex_ = i;
        return;
    }
    i = std::clamp(i, -1, items_->Count() - 1);
    if (i == itemIndex_) return;
    itemIndex_ = i;
    BuildButtons();
    Click();
}

void TCustomRadioGroup::Loaded() {
    TCustomGroupBox::Loaded();
    itemIndex_ = std::clamp(itemIndex_, -1, items_->Count() - 1);
    BuildButtons();
}

void TCustomRadioGroup::SetColumns(int n) {
    n = std::clamp(n, 1, 16);
    if (n == columns_) return;
    columns_ = n;
    ArrangeButtons();
}

void TCustomRadioGroup::BoundsChanged() {
    TCustomGroupBox::BoundsChanged();
    ArrangeButtons();
}

void TCustomRadioGroup::FontChanged() {
    TCustomGroupBox::FontChanged();
    ArrangeButtons();
}

// ---- TImage ----------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(new TPicture(this)) {
    SetBounds(0, 0, 105, 105);
    picture_->OnChange = [this](TObject*) { PictureChanged(); };
}

void TImage::PictureChanged() {
    if (TGraphic* g = picture_->Graphic(); g && g->Transparent() != transparent_)
        g->SetTransparent(transparent_);
    AdjustSize();
    Invalidate();
}

void TImage::SetCenter(bool v) {
    if (v == center_) return;
    center_ = v;
    Invalidate();
}

void TImage::SetStretch(bool v) {
    if (v == stretch_) return;
    stretch_ = v;
    Invalidate();
}

void TImage::SetProportional(bool v) {
    if (v == proportional_) return;
    proportional_ = v;
    Invalidate();
}

void TImage::SetTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    PictureChanged();
}

void TImage::SetPlacement(const std::optional<QRectF>& placement) {
    if (placement_ == placement) return;
    placement_ = placement;
    Invalidate();
}

QRect TImage::DestRect() const {
    if (placement_) {
        const QRectF& f = *placement_;
        return QRectF(f.left() * Width(), f.top() * Height(), f.width() * Width(),
                      f.height() * Height())
            .toAlignedRect();
    }
    int w = picture_->Width(), h = picture_->Height();
    const int cw = Width(), ch = Height();
    if (stretch_ || (proportional_ && (w > cw || h > ch))) {
        if (proportional_ && w > 0 && h > 0) {
            const long double scale =
                std::min(static_cast<long double>(cw) / w, static_cast<long double>(ch) / h);
            w = RoundInt(w * scale);
            h = RoundInt(h * scale);
        } else {
            w = cw;
            h = ch;
        }
    }
    int x = 0, y = 0;
    if (center_) {
        x = (cw - w) / 2;
        y = (ch - h) / 2;
    }
    return {x, y, w, h};
}

bool TImage::CanAutoSize(int& newWidth, int& newHeight) {
    if (!picture_->Graphic() || picture_->Graphic()->Empty()) return false;
    newWidth = picture_->Width();
    newHeight = picture_->Height();
    return true;
}

void TImage::Paint() {
    if (!picture_->Graphic() || picture_->Graphic()->Empty()) return;
    if (!placement_) {
        Canvas()->StretchDraw(DestRect(), picture_->Graphic());
        return;
    }
    TDeviceContext* dc = Canvas()->Handle();
    dc->IntersectClipRect(ClientRect());
    Canvas()->StretchDraw(DestRect(), picture_->Graphic());
    dc->RemoveClip();
}
