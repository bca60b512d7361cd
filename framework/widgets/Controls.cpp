#include "framework/widgets/Controls.h"

#include "framework/graphics/DeviceContext.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>

// ---- Messages and exceptions ---------------------------------------------------------

QEvent::Type TMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool PostMessage(TControl* control, unsigned msg, intptr_t wParam, intptr_t lParam) {
    if (!control) return false;
    QCoreApplication::postEvent(control, new TMessageEvent({msg, wParam, lParam, 0}));
    return true;
}

intptr_t SendMessage(TControl* control, unsigned msg, intptr_t wParam, intptr_t lParam) {
    if (!control) return 0;
    return control->Perform(msg, wParam, lParam);
}

Qt::CursorShape ToQtCursor(TCursor c) {
    switch (c) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag:
        return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (mods & Qt::ShiftModifier) s |= ssShift;
    if (mods & Qt::AltModifier) s |= ssAlt;
    if (mods & Qt::ControlModifier) s |= ssCtrl;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

bool ButtonOf(Qt::MouseButton b, TMouseButton& out) {
    switch (b) {
    case Qt::LeftButton:
        out = mbLeft;
        return true;
    case Qt::RightButton:
        out = mbRight;
        return true;
    case Qt::MiddleButton:
        out = mbMiddle;
        return true;
    default:
        return false;
    }
}

} // namespace

uint16_t VirtualKeyFromQt(int k) {
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return static_cast<uint16_t>('A' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return static_cast<uint16_t>('0' + (k - Qt::Key_0));
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return static_cast<uint16_t>(0x70 + (k - Qt::Key_F1));
    switch (k) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
        return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Shift:
        return 0x10;
    case Qt::Key_Control:
        return 0x11;
    case Qt::Key_Alt:
        return 0x12;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    default:
        return 0;
    }
}

bool DeliverKeyEvent(TWinControl* wc, QKeyEvent* ke) {
    uint16_t key = VirtualKeyFromQt(ke->key());
    const TShiftState shift = ShiftOf(ke->modifiers(), Qt::NoButton);
    bool consumed = false;
    if (ke->type() == QEvent::KeyPress) {
        if (key) {
            SafeCall([&] { wc->KeyDown(key, shift); });
            if (key == 0) consumed = true;
        }
        const QString text = ke->text();
        if (!consumed && text.size() == 1) {
            QChar ch = text[0];
            SafeCall([&] { wc->KeyPress(ch); });
            if (ch.isNull()) consumed = true;
        }
    } else if (ke->type() == QEvent::KeyRelease && key) {
        SafeCall([&] { wc->KeyUp(key, shift); });
        if (key == 0) consumed = true;
    }
    return consumed;
}

// ---- The widget that stands for a painting control ------------------------------------

// Forwards Qt's paint and input events of a control's widget to the control's virtual
// steps. Standard Qt widgets get the same forwarding through an event filter.
class TWidgetEventFilter : public QObject {
public:
    explicit TWidgetEventFilter(TControl* c) : QObject(c), control_(c) {}

    // Returns true when the event was consumed.
    static bool Forward(TControl* control, QWidget* w, QEvent* e) {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            auto* me = static_cast<QMouseEvent*>(e);
            const QPoint p = me->position().toPoint();
            TShiftState shift = ShiftOf(me->modifiers(), me->buttons());
            TMouseButton button;
            const bool known = ButtonOf(me->button(), button);
            QPointer<QWidget> guard(w);
            if (e->type() == QEvent::MouseMove) {
                SafeCall([&] { control->MouseMove(shift, p.x(), p.y()); });
            } else if (e->type() == QEvent::MouseButtonPress && known) {
                if (button == mbLeft && control->clickEvents_) control->clicking_ = true;
                SafeCall([&] { control->MouseDown(button, shift, p.x(), p.y()); });
            } else if (e->type() == QEvent::MouseButtonDblClick && known) {
                if (button == mbLeft) SafeCall([&] { control->DblClick(); });
                SafeCall([&] { control->MouseDown(button, shift | ssDouble, p.x(), p.y()); });
            } else if (e->type() == QEvent::MouseButtonRelease && known) {
                const bool wasClicking = control->clicking_ && button == mbLeft;
                if (button == mbLeft) control->clicking_ = false;
                SafeCall([&] { control->MouseUp(button, shift, p.x(), p.y()); });
                if (wasClicking && guard && control->ClientRect().contains(p) && control->Enabled())
                    SafeCall([&] { control->Click(); });
            }
            return false;
        }
        case QEvent::Enter:
            control->mouseInside_ = true;
            SafeCall([&] { control->MouseEnter(); });
            return false;
        case QEvent::Leave:
            control->mouseInside_ = false;
            SafeCall([&] { control->MouseLeave(); });
            return false;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* wc = qobject_cast<TWinControl*>(control);
            // A window that previews keys has had them from its window before any
            // control: they do not reach it a second time when they rise to it.
            if (!wc || wc->PreviewsKeys()) return false;
            return DeliverKeyEvent(wc, static_cast<QKeyEvent*>(e));
        }
        default:
            return false;
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || w != control_->Widget()) return false;
        return Forward(control_, w, e);
    }

private:
    TControl* control_;
};

class TControlWidget : public QWidget {
public:
    TControlWidget(TControl* control, QWidget* parent) : QWidget(parent), control_(control) {
        setMouseTracking(false);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!control_ || control_->IsDestroying()) return;
        QPainter painter(this);
        SafePaint(this, [&] { control_->PaintWidget(painter); });
    }

private:
    QPointer<TControl> control_;
};

// ---- TControl ------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner), font_(new TFont(this)) {
    font_->OnChange = [this](TObject*) {
        if (!updatingFont_) parentFont_ = false;
        FontChanged();
    };
    RegisterEvent("OnClick", OnClick);
    RegisterEvent("OnDblClick", OnDblClick);
    RegisterEvent("OnMouseDown", OnMouseDown);
    RegisterEvent("OnMouseUp", OnMouseUp);
    RegisterEvent("OnMouseMove", OnMouseMove);
    RegisterEvent("OnMouseEnter", OnMouseEnter);
    RegisterEvent("OnMouseLeave", OnMouseLeave);
}

TControl::~TControl() {
    SetDestroying();
    if (parent_) parent_->RemoveControl(this);
    DestroyHandle();
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this)
        throw EInvalidOperation(QStringLiteral("A control cannot have itself as its parent"));
    if (parent_) parent_->RemoveControl(this);
    DestroyHandle();
    if (parent) parent->InsertControl(this);
}

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* w = qobject_cast<TWinControl*>(parent)) SetParent(w);
}

namespace {

// Qt's widgets hold positions and sizes up to 2^24 - 1; beyond that is no place on any
// screen, and the sums made from such values (right edges, client sizes) would overflow.
constexpr int kMaxExtent = 16777215;

int ClampToInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

} // namespace

void TControl::SetBounds(int left, int top, int width, int height) {
    left = std::clamp(left, -kMaxExtent, kMaxExtent);
    top = std::clamp(top, -kMaxExtent, kMaxExtent);
    width = std::clamp(width, 0, kMaxExtent);
    height = std::clamp(height, 0, kMaxExtent);
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    ApplyGeometry();
    BoundsChanged();
    if (parent_ && align_ != TControlEnums::alNone) parent_->Realign();
}

void TControl::ApplyGeometry() {
    if (widget_ && parent_) widget_->setGeometry(left_, top_, width_, height_);
}

void TControl::SetClientWidth(int w) {
    SetWidth(ClampToInt(int64_t(w) + width_ - ClientRect().width()));
}
void TControl::SetClientHeight(int h) {
    SetHeight(ClampToInt(int64_t(h) + height_ - ClientRect().height()));
}

QPoint TControl::ClientOrigin() const {
    if (widget_) return widget_->mapToGlobal(QPoint(0, 0));
    return parent_ ? parent_->ClientOrigin() + QPoint(left_, top_) : QPoint(left_, top_);
}

QPoint TControl::ClientToScreen(const QPoint& p) const {
    return ClientOrigin() + p;
}
QPoint TControl::ScreenToClient(const QPoint& p) const {
    return p - ClientOrigin();
}

void TControl::SetAlign(TAlign a) {
    if (a == align_) return;
    align_ = a;
    if (parent_) parent_->Realign();
}

void TControl::SetCaption(const QString& c) {
    if (c == caption_) return;
    caption_ = c;
    TextChanged();
}

void TControl::SetColor(TColor c) {
    if (c == color_) return;
    color_ = c;
    parentColor_ = false;
    ColorChanged();
}

void TControl::SetCursor(TCursor c) {
    if (c == cursor_) return;
    cursor_ = c;
    if (widget_) UpdateWidget();
}

void TControl::SetEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    EnabledChanged();
}

void TControl::SetHint(const QString& h) {
    if (h == hint_) return;
    hint_ = h;
    if (widget_) UpdateWidget();
}

void TControl::SetParentColor(bool v) {
    if (v == parentColor_) return;
    parentColor_ = v;
    if (v) ParentColorChanged();
}

void TControl::SetParentFont(bool v) {
    if (v == parentFont_) return;
    parentFont_ = v;
    if (v) ParentFontChanged();
}

void TControl::SetParentShowHint(bool v) {
    if (v == parentShowHint_) return;
    parentShowHint_ = v;
    if (v && parent_) showHint_ = parent_->ShowHint();
    if (widget_) UpdateWidget();
}

void TControl::SetShowHint(bool v) {
    parentShowHint_ = false;
    if (v == showHint_) return;
    showHint_ = v;
    if (widget_) UpdateWidget();
}

void TControl::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    VisibleChanged();
}

bool TControl::Showing() const {
    if (!visible_) return false;
    if (parent_) return parent_->Showing();
    return widget_ && widget_->isVisible();
}

void TControl::HandleNeeded() {
    if (widget_) return;
    QWidget* parentWidget = nullptr;
    if (parent_) {
        parent_->HandleNeeded();
        if (widget_) return; // the parent made ours with its children
        parentWidget = parent_->ChildContainer();
    }
    QWidget* w = CreateWidget(parentWidget);
    widget_ = w;
    InstallEventFilter(w);
    UpdateWidget();
    if (auto* wc = qobject_cast<TWinControl*>(this)) wc->CreateChildHandles();
}

QWidget* TControl::CreateWidget(QWidget* parentWidget) {
    return new TControlWidget(this, parentWidget);
}

void TControl::InstallEventFilter(QWidget* w) {
    // Painting controls' own widgets and the standard Qt widgets alike.
    if (!eventFilter_) eventFilter_ = new TWidgetEventFilter(this);
    w->installEventFilter(eventFilter_);
}

void TControl::UpdateWidget() {
    if (!widget_) return;
    ApplyGeometry();
    widget_->setEnabled(enabled_);
    if (!dynamic_cast<TControlWidget*>(widget_.data())) {
        // Qt draws the standard controls: give it our font and text colour. Painting
        // controls draw with their canvas, and a widget font change would repaint them.
        widget_->setFont(font_->ToQFont());
        QPalette pal = widget_->palette();
        const QColor text = ToQColor(font_->Color());
        // Disabled controls keep the style's greyed text.
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            for (QPalette::ColorRole role :
                 {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                pal.setColor(group, role, text);
        widget_->setPalette(pal);
    }
    if (cursor_ == crDefault)
        widget_->unsetCursor();
    else
        widget_->setCursor(ToQtCursor(cursor_));
    const bool hints = parentShowHint_ && parent_ ? parent_->ShowHint() : showHint_;
    // Hints break their lines with CR LF; the tool tip breaks at LF alone.
    widget_->setToolTip(hints ? QString(hint_).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                              : QString());
    if (parent_) widget_->setVisible(visible_);
}

void TControl::DestroyHandle() {
    if (widget_) {
        QWidget* w = widget_;
        widget_ = nullptr;
        delete w;
    }
}

void TControl::Invalidate() {
    if (widget_) widget_->update();
}

void TControl::Repaint() {
    if (widget_) widget_->repaint();
}

intptr_t TControl::Perform(unsigned msg, intptr_t wParam, intptr_t lParam) {
    TMessage m{msg, wParam, lParam, 0};
    WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage&) {}

bool TControl::event(QEvent* e) {
    if (e->type() == TMessageEvent::EventType()) {
        TMessage m = static_cast<TMessageEvent*>(e)->message;
        SafeCall([&] { WndProc(m); });
        return true;
    }
    return TComponent::event(e);
}

void TControl::Click() {
    Notify(OnClick, this);
}
void TControl::DblClick() {
    Notify(OnDblClick, this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseEnter() {
    Notify(OnMouseEnter, this);
}
void TControl::MouseLeave() {
    Notify(OnMouseLeave, this);
}

void TControl::SetAutoSize(bool v) {
    if (v == autoSize_) return;
    autoSize_ = v;
    if (v) AdjustSize();
}

bool TControl::CanAutoSize(int&, int&) {
    return false;
}

void TControl::AdjustSize() {
    if (!autoSize_ || IsLoading()) return;
    int w = width_, h = height_;
    if (CanAutoSize(w, h)) SetBounds(left_, top_, w, h);
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (parentFont_ && parent_) ParentFontChanged();
    AdjustSize();
}

void TControl::FontChanged() {
    if (widget_ && !dynamic_cast<TControlWidget*>(widget_.data())) UpdateWidget();
    Invalidate();
}

void TControl::TextChanged() {
    Invalidate();
}

void TControl::ColorChanged() {
    if (widget_) UpdateWidget();
    Invalidate();
}

void TControl::EnabledChanged() {
    if (widget_) widget_->setEnabled(enabled_);
    Invalidate();
}

void TControl::VisibleChanged() {
    if (widget_ && parent_) widget_->setVisible(visible_);
    if (parent_ && align_ != TControlEnums::alNone) parent_->Realign();
}

void TControl::ParentFontChanged() {
    if (!parentFont_ || !parent_) return;
    updatingFont_ = true;
    font_->Assign(parent_->Font());
    updatingFont_ = false;
}

void TControl::ParentColorChanged() {
    if (!parentColor_ || !parent_) return;
    if (color_ == parent_->Color()) return;
    color_ = parent_->Color();
    ColorChanged();
}

void TControl::PaintWidget(QPainter&) {}

// ---- TGraphicControl -----------------------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), canvas_(new TCanvas()) {
    canvas_->setParent(this);
}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::PaintWidget(QPainter& painter) {
    TPainterDC dc(&painter);
    const TCanvasHandleScope scope(*canvas_, &dc);
    canvas_->Font()->Assign(Font());
    Paint();
}

// ---- TWinControl ---------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    RegisterEvent("OnKeyDown", OnKeyDown);
    RegisterEvent("OnKeyUp", OnKeyUp);
    RegisterEvent("OnKeyPress", OnKeyPress);
    RegisterEvent("OnEnter", OnEnter);
    RegisterEvent("OnExit", OnExit);
}

TWinControl::~TWinControl() {
    SetDestroying();
    // Children go with their parent, last first.
    while (!controls_.empty())
        delete controls_.back();
}

void TWinControl::InsertControl(TControl* c) {
    controls_.push_back(c);
    c->parent_ = this;
    if (c->parentFont_) c->ParentFontChanged();
    if (c->parentColor_) c->ParentColorChanged();
    if (c->parentShowHint_) c->showHint_ = ShowHint();
    if (HandleAllocated()) c->HandleNeeded();
    if (c->Align() != TControlEnums::alNone) Realign();
}

void TWinControl::RemoveControl(TControl* c) {
    auto it = std::find(controls_.begin(), controls_.end(), c);
    if (it == controls_.end()) return;
    controls_.erase(it);
    c->parent_ = nullptr;
    if (!IsDestroying()) c->DestroyHandle();
}

bool TWinControl::ContainsControl(const TControl* c) const {
    for (const TControl* p = c; p; p = p->Parent())
        if (p == this) return true;
    return false;
}

bool TWinControl::Focused() const {
    return Widget() && Widget()->hasFocus();
}

bool TWinControl::CanFocus() const {
    return Visible() && Enabled();
}

void TWinControl::SetFocus() {
    HandleNeeded();
    if (Widget()) Widget()->setFocus(Qt::OtherFocusReason);
}

namespace {

// The widgets that take the focus under a control, its own first, then its children's in
// their order, depth first: the order of a window made all at once.
void CollectFocusable(const TControl* c, std::vector<QWidget*>& out) {
    QWidget* w = c->Widget();
    if (!w) return;
    if (w->focusPolicy() != Qt::NoFocus) out.push_back(w);
    if (auto* wc = qobject_cast<const TWinControl*>(c))
        for (int i = 0; i < wc->ControlCount(); ++i)
            CollectFocusable(wc->Controls(i), out);
}

} // namespace

void TWinControl::CreateChildHandles() {
    if (!MakesChildHandles()) return;
    std::vector<QWidget*> made;
    bool madeBefore = false;
    for (TControl* c : controls_) {
        if (c->Widget()) {
            madeBefore = true;
            continue;
        }
        c->HandleNeeded();
        if (c->Widget()) made.push_back(c->Widget());
    }
    // Made after the rest of the window (a page on its first showing), the children come
    // last in its stacking and its focus chain: they take the places that being made with
    // this control would have given them.
    if (made.empty() || !Widget() || Widget()->nextInFocusChain() == made.front()) return;
    if (madeBefore)
        for (TControl* c : controls_)
            if (QWidget* w = c->Widget()) w->raise();
    const TControl* window = this;
    while (window->Parent())
        window = window->Parent();
    std::vector<QWidget*> order;
    CollectFocusable(window, order);
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void TWinControl::UpdateWidget() {
    TControl::UpdateWidget();
    if (auto* w = Widget(); w && dynamic_cast<TControlWidget*>(w)) {
        w->setAutoFillBackground(true);
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, ToQColor(Color()));
        w->setPalette(pal);
    }
}

void TWinControl::FontChanged() {
    TControl::FontChanged();
    for (TControl* c : controls_)
        if (c->ParentFont()) c->ParentFontChanged();
}

void TWinControl::ColorChanged() {
    TControl::ColorChanged();
    for (TControl* c : controls_)
        if (c->ParentColor()) c->ParentColorChanged();
}

void TWinControl::BoundsChanged() {
    Realign();
}

void TWinControl::Realign() {
    QRect r = ClientRect();
    AlignControls(r);
}

void TWinControl::AlignControls(QRect& rect) {
    // Top and bottom first, then left and right, then the client, in child order.
    for (TAlign pass : {TControlEnums::alTop, TControlEnums::alBottom, TControlEnums::alLeft,
                        TControlEnums::alRight, TControlEnums::alClient}) {
        for (TControl* c : controls_) {
            if (c->Align() != pass || !c->Visible()) continue;
            switch (pass) {
            case TControlEnums::alTop:
                c->SetBounds(rect.left(), rect.top(), rect.width(), c->Height());
                rect.setTop(rect.top() + c->Height());
                break;
            case TControlEnums::alBottom:
                c->SetBounds(rect.left(), rect.bottom() + 1 - c->Height(), rect.width(),
                             c->Height());
                rect.setBottom(rect.bottom() - c->Height());
                break;
            case TControlEnums::alLeft:
                c->SetBounds(rect.left(), rect.top(), c->Width(), rect.height());
                rect.setLeft(rect.left() + c->Width());
                break;
            case TControlEnums::alRight:
                c->SetBounds(rect.right() + 1 - c->Width(), rect.top(), c->Width(), rect.height());
                rect.setRight(rect.right() - c->Width());
                break;
            default:
                c->SetBounds(rect.left(), rect.top(), rect.width(), rect.height());
                break;
            }
        }
    }
}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(QChar& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

// ---- TCustomControl ------------------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), canvas_(new TCanvas()) {
    canvas_->setParent(this);
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWidget(QPainter& painter) {
    TPainterDC dc(&painter);
    const TCanvasHandleScope scope(*canvas_, &dc);
    canvas_->Font()->Assign(Font());
    canvas_->Brush()->SetColor(Color());
    Paint();
}

// ---- Measuring -------------------------------------------------------------------------

TDeviceContext* ScreenMeasuringDC() {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    // A screen context measures in the screen's density, which it asks for each time.
    struct Measuring {
        QImage image{1, 1, QImage::Format_RGB32};
        QPainter painter{&image};
        TPainterDC dc{&painter, DT_RASDISPLAY};
    };
    static Measuring* m = new Measuring(); // lives for the whole run
    return &m->dc;
}
