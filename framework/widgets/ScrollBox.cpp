#include "framework/widgets/ScrollBox.h"

#include <QChildEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

namespace {

// Tells the box when a child widget of its scrolled area comes, goes, moves or resizes.
class TScrolledAreaWatcher : public QObject {
public:
    TScrolledAreaWatcher(TScrollBox* box, QWidget* area)
        : QObject(area), box_(box), alive_(box), area_(area) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        switch (e->type()) {
        case QEvent::ChildAdded:
            if (watched == area_)
                if (auto* w = qobject_cast<QWidget*>(static_cast<QChildEvent*>(e)->child()))
                    w->installEventFilter(this);
            [[fallthrough]];
        case QEvent::ChildRemoved:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            if (watched != area_ || e->type() == QEvent::ChildAdded ||
                e->type() == QEvent::ChildRemoved)
                if (alive_) SafeCall(alive_.data(), [&] { box_->UpdateScrollRange(); });
            break;
        default:
            break;
        }
        return false;
    }

private:
    // The box may be half destroyed while its children go: it is only asked through its
    // component part until it is known to be whole.
    TScrollBox* box_;
    QPointer<TComponent> alive_;
    QWidget* area_;
};

} // namespace

// ---- TControlScrollBar -----------------------------------------------------------------

TControlScrollBar::TControlScrollBar(TScrollBox* box, Qt::Orientation orientation)
    : TPersistent(box), box_(box), orientation_(orientation) {}

QScrollBar* TControlScrollBar::Bar() const {
    QScrollArea* a = box_->Area();
    if (!a) return nullptr;
    return orientation_ == Qt::Horizontal ? a->horizontalScrollBar() : a->verticalScrollBar();
}

int TControlScrollBar::ScrollRange() const {
    const QSize content = box_->ContentSize();
    const QRect client = box_->ClientRect();
    return std::max(0, orientation_ == Qt::Horizontal ? content.width() - client.width()
                                                      : content.height() - client.height());
}

int TControlScrollBar::Position() const {
    if (QScrollBar* b = Bar()) return b->value();
    return std::clamp(position_, 0, ScrollRange());
}

void TControlScrollBar::SetPosition(int v) {
    position_ = std::clamp(v, 0, ScrollRange());
    if (QScrollBar* b = Bar()) b->setValue(position_);
}

void TControlScrollBar::SetRange(int v) {
    v = std::max(0, v);
    if (v == range_) return;
    range_ = v;
    box_->UpdateScrollRange();
}

void TControlScrollBar::SetIncrement(int v) {
    if (v < 1 || v == increment_) return;
    increment_ = v;
    Apply();
}

void TControlScrollBar::SetMargin(int v) {
    v = std::max(0, v);
    if (v == margin_) return;
    margin_ = v;
    box_->UpdateScrollRange();
}

void TControlScrollBar::SetTracking(bool v) {
    if (v == tracking_) return;
    tracking_ = v;
    Apply();
}

void TControlScrollBar::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    Apply();
    box_->UpdateScrollRange();
}

void TControlScrollBar::Apply() {
    QScrollArea* a = box_->Area();
    if (!a) return;
    const Qt::ScrollBarPolicy policy = visible_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    if (orientation_ == Qt::Horizontal)
        a->setHorizontalScrollBarPolicy(policy);
    else
        a->setVerticalScrollBarPolicy(policy);
    if (QScrollBar* b = Bar()) {
        b->setTracking(tracking_);
        b->setSingleStep(increment_);
    }
}

// ---- TScrollBox ------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent* owner)
    : TWinControl(owner), horz_(new TControlScrollBar(this, Qt::Horizontal)),
      vert_(new TControlScrollBar(this, Qt::Vertical)) {
    SetBounds(0, 0, 185, 41);
    SetTabStop(true);
    RegisterEvent("OnResize", OnResize);
}

QScrollArea* TScrollBox::Area() const {
    return qobject_cast<QScrollArea*>(Widget());
}

QWidget* TScrollBox::CreateWidget(QWidget* parentWidget) {
    auto* a = new QScrollArea(parentWidget);
    a->setWidgetResizable(false);
    auto* content = new QWidget;
    content->installEventFilter(new TScrolledAreaWatcher(this, content));
    a->setWidget(content);
    content_ = content;
    return a;
}

QWidget* TScrollBox::ChildContainer() const {
    return content_ ? content_.data() : Widget();
}

void TScrollBox::UpdateWidget() {
    TWinControl::UpdateWidget();
    QScrollArea* a = Area();
    if (!a) return;
    a->setFrameShape(borderStyle_ == TStdCtrlsEnums::bsSingle ? QFrame::StyledPanel
                                                              : QFrame::NoFrame);
    QPalette pal = a->viewport()->palette();
    pal.setColor(QPalette::Window, ToQColor(Color()));
    a->viewport()->setPalette(pal);
    a->viewport()->setAutoFillBackground(true);
    horz_->Apply();
    vert_->Apply();
    UpdateScrollRange();
    horz_->SetPosition(horz_->position_);
    vert_->SetPosition(vert_->position_);
}

QSize TScrollBox::ContentSize() const {
    int w = horz_->range_, h = vert_->range_;
    if (autoScroll_) {
        int right = 0, bottom = 0;
        for (int i = 0; i < ControlCount(); ++i) {
            const TControl* c = Controls(i);
            if (!c->Visible()) continue;
            right = std::max(right, c->Left() + c->Width());
            bottom = std::max(bottom, c->Top() + c->Height());
        }
        if (w == 0) w = right + horz_->margin_;
        if (h == 0) h = bottom + vert_->margin_;
    }
    return {w, h};
}

QRect TScrollBox::ClientRect() const {
    // Worked out from the model, so that it holds before the widget has been laid out.
    int frame = borderStyle_ == TStdCtrlsEnums::bsSingle ? 2 : 0;
    int extent = 16;
    if (QScrollArea* a = Area()) {
        frame = a->frameWidth();
        extent = a->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, a);
    }
    int cw = std::max(0, Width() - 2 * frame), ch = std::max(0, Height() - 2 * frame);
    const QSize content = ContentSize();
    bool hbar = false, vbar = false;
    for (int pass = 0; pass < 2; ++pass) {
        vbar = vert_->visible_ && content.height() > ch - (hbar ? extent : 0);
        hbar = horz_->visible_ && content.width() > cw - (vbar ? extent : 0);
    }
    return {0, 0, std::max(0, cw - (vbar ? extent : 0)), std::max(0, ch - (hbar ? extent : 0))};
}

void TScrollBox::UpdateScrollRange() {
    if (updating_ || !content_) return;
    updating_ = true;
    const QSize size = ContentSize();
    content_->resize(std::max(1, size.width()), std::max(1, size.height()));
    updating_ = false;
}

void TScrollBox::ScrollInView(TControl* control) {
    if (!control || control->Parent() != this) return;
    const QRect client = ClientRect();
    auto bring = [](TControlScrollBar* bar, int start, int length, int visible) {
        const int pos = bar->Position();
        if (start < pos)
            bar->SetPosition(start);
        else if (start + length > pos + visible)
            bar->SetPosition(std::min(start, start + length - visible));
    };
    bring(horz_, control->Left(), control->Width(), client.width());
    bring(vert_, control->Top(), control->Height(), client.height());
}

void TScrollBox::SetAutoScroll(bool v) {
    if (v == autoScroll_) return;
    autoScroll_ = v;
    UpdateScrollRange();
}

void TScrollBox::SetBorderStyle(TStdCtrlsEnums::TBorderStyle s) {
    if (s == borderStyle_) return;
    borderStyle_ = s;
    if (Widget()) UpdateWidget();
}

void TScrollBox::BoundsChanged() {
    TWinControl::BoundsChanged();
    UpdateScrollRange();
    if (!IsLoading()) Notify(OnResize, this);
}
