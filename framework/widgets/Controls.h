#pragma once
// Controls: the model state of every on-screen control (bounds, parent, visibility,
// font, colour, caption, cursor, hint) and its Qt widget, the control's window handle,
// made on demand and kept in step with the model. Qt's events reach the control's
// virtual steps; an exception leaving one is handed to the application.

#include "framework/graphics/Graphics.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <functional>

class TWinControl;
class QPainter;

// ---- Input -----------------------------------------------------------------------------

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
using TShiftState = unsigned;

using TMouseEvent = std::function<void(TObject*, TMouseButton, TShiftState, int, int)>;
using TMouseMoveEvent = std::function<void(TObject*, TShiftState, int, int)>;
using TKeyEvent = std::function<void(TObject*, uint16_t&, TShiftState)>;
using TKeyPressEvent = std::function<void(TObject*, QChar&)>;

// Cursor identifiers, as layouts name them.
using TCursor = int;
inline constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                         crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9,
                         crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNoDrop = -13,
                         crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17,
                         crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21,
                         crSizeAll = -22;
Qt::CursorShape ToQtCursor(TCursor c);

// ---- Messages --------------------------------------------------------------------------

inline constexpr unsigned WM_USER = 0x0400;

struct TMessage {
    unsigned Msg = 0;
    intptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
};

// A posted window message travelling through Qt's event queue.
class TMessageEvent : public QEvent {
public:
    static QEvent::Type EventType();
    explicit TMessageEvent(const TMessage& m) : QEvent(EventType()), message(m) {}
    TMessage message;
};

class TControl;
// Queues a message for control; it arrives, in posting order, when the loop runs.
bool PostMessage(TControl* control, unsigned msg, intptr_t wParam = 0, intptr_t lParam = 0);
// Delivers a message to control at once and returns its result.
intptr_t SendMessage(TControl* control, unsigned msg, intptr_t wParam = 0, intptr_t lParam = 0);

// The same for a component's reaction to its widget: nothing once the component is being
// destroyed (its widget may still signal while it goes).
inline void SafeCall(const TComponent* c, const std::function<void()>& f) noexcept {
    if (c && !c->IsDestroying()) SafeCall(f);
}

// ---- Enumerations published by controls ----------------------------------------------

class TControlEnums : public QObject {
    Q_OBJECT
public:
    enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
    Q_ENUM(TAlign)
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)
    enum TTextLayout { tlTop, tlCenter, tlBottom };
    Q_ENUM(TTextLayout)
    enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
    Q_ENUM(TBiDiMode)
};
using TAlign = TControlEnums::TAlign;
using TAlignment = TControlEnums::TAlignment;
using TTextLayout = TControlEnums::TTextLayout;

// ---- TControl --------------------------------------------------------------------------

class TControl : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int ClientWidth READ ClientWidth WRITE SetClientWidth STORED false)
    Q_PROPERTY(int ClientHeight READ ClientHeight WRITE SetClientHeight STORED false)
    Q_PROPERTY(TControlEnums::TAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(TFont* Font READ Font)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)

public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    void SetParentComponent(TComponent* parent) override;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    QRect BoundsRect() const { return {left_, top_, width_, height_}; }
    void SetBoundsRect(const QRect& r) { SetBounds(r.x(), r.y(), r.width(), r.height()); }
    virtual QRect ClientRect() const { return {0, 0, width_, height_}; }
    int ClientWidth() const { return ClientRect().width(); }
    int ClientHeight() const { return ClientRect().height(); }
    virtual void SetClientWidth(int w);
    virtual void SetClientHeight(int h);
    QPoint ClientOrigin() const;
    QPoint ClientToScreen(const QPoint& p) const;
    QPoint ScreenToClient(const QPoint& p) const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign a);
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& c);
    QString Text() const { return caption_; }
    void SetText(const QString& t) { SetCaption(t); }
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c);
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool e);
    TFont* Font() const { return font_; }
    void SetFont(TFont* f) { font_->Assign(f); }
    const QString& Hint() const { return hint_; }
    void SetHint(const QString& h);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool v);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool v);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool v);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool v);
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible here and on every parent up to a shown window.
    bool Showing() const;

    // ---- the window handle
    QWidget* Widget() const { return widget_; }
    bool HandleAllocated() const { return widget_ != nullptr; }
    void HandleNeeded();

    // ---- painting
    virtual void Invalidate();
    void Repaint();
    // The canvas of a painting control (graphic and custom controls); null for the
    // standard controls that Qt draws.
    virtual TCanvas* Canvas() const { return nullptr; }

    // ---- messages
    void Perform(TMessage& m) { WndProc(m); }
    intptr_t Perform(unsigned msg, intptr_t wParam = 0, intptr_t lParam = 0);

    // ---- input reactions (public so tests and subclasses can drive them)
    virtual void Click();
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    bool MouseInside() const { return mouseInside_; }

    // Auto-size support: a control that sizes itself says so here.
    bool AutoSize() const { return autoSize_; }
    virtual void SetAutoSize(bool v);
    virtual bool CanAutoSize(int& newWidth, int& newHeight);
    // Runs the control's auto-size step (does nothing while loading).
    virtual void AdjustSize();

    void Loaded() override;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    // Makes the Qt widget for this control inside parentWidget; the default is a plain
    // widget that forwards painting and input to this control.
    virtual QWidget* CreateWidget(QWidget* parentWidget);
    // Called after the widget is made, and whenever the model changed, to bring the
    // widget in step.
    virtual void UpdateWidget();
    void DestroyHandle();
    virtual void WndProc(TMessage& m);

    // Reactions to changes (the framework's CM_ notifications).
    virtual void FontChanged();
    virtual void TextChanged();
    virtual void ColorChanged();
    virtual void EnabledChanged();
    virtual void VisibleChanged();
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();
    virtual void BoundsChanged() {}

    // Paints the control onto its canvas (graphic and custom controls).
    virtual void Paint() {}
    // Called by the widget with the painter it paints with.
    virtual void PaintWidget(QPainter& painter);

    bool event(QEvent* e) override;

    bool clicking_ = false;
    bool autoSize_ = false;
    // Cleared by controls whose widget reports its own clicks (buttons, check boxes), so
    // that a mouse click is not reported twice.
    bool clickEvents_ = true;

private:
    friend class TControlWidget;
    friend class TWinControl;
    friend class TWidgetEventFilter;
    void ApplyGeometry();
    void InstallEventFilter(QWidget* w);
    TWinControl* parent_ = nullptr;
    QPointer<QWidget> widget_;
    // Forwards the events of the widget to this control: one for every widget it gets.
    QObject* eventFilter_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = TControlEnums::alNone;
    QString caption_;
    TColor color_ = clWindow;
    TCursor cursor_ = crDefault;
    bool enabled_ = true;
    TFont* font_;
    QString hint_;
    bool parentColor_ = true;
    bool parentFont_ = true;
    bool parentShowHint_ = true;
    bool showHint_ = false;
    bool visible_ = true;
    bool mouseInside_ = false;
    bool updatingFont_ = false;
};

// A control that draws itself but holds no children (labels, pictures).
class TGraphicControl : public TControl {
    Q_OBJECT
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const override { return canvas_; }

protected:
    void PaintWidget(QPainter& painter) override;

private:
    TCanvas* canvas_;
};

// A control that can hold other controls.
class TWinControl : public TControl {
    Q_OBJECT
    Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)

public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int i) const { return controls_.at(static_cast<size_t>(i)); }
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    bool ContainsControl(const TControl* c) const;

    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int v) { tabOrder_ = v; }
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool v) { tabStop_ = v; }
    bool Focused() const;
    virtual void SetFocus();
    bool CanFocus() const;

    // Where children's widgets go (a page's inner area, a group box's frame).
    virtual QWidget* ChildContainer() const { return Widget(); }
    // Lays the aligned children out in the client area.
    void Realign();

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    virtual void KeyDown(uint16_t& key, TShiftState shift);
    virtual void KeyUp(uint16_t& key, TShiftState shift);
    virtual void KeyPress(QChar& key);
    // True for a window that sees its keys before its controls do.
    virtual bool PreviewsKeys() const { return false; }

protected:
    void UpdateWidget() override;
    void FontChanged() override;
    void ColorChanged() override;
    void BoundsChanged() override;
    virtual void AlignControls(QRect& rect);
    // Whether the children's widgets are made with this control's; a control that says
    // no makes them later by CreateChildHandles (a page behind the one on show, when it
    // first shows).
    virtual bool MakesChildHandles() const { return true; }
    void CreateChildHandles();

private:
    friend class TControl;
    std::vector<TControl*> controls_;
    int tabOrder_ = -1;
    bool tabStop_ = false;
};

// A windowed control that paints itself on its canvas.
class TCustomControl : public TWinControl {
    Q_OBJECT
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas* Canvas() const override { return canvas_; }

protected:
    void PaintWidget(QPainter& painter) override;

private:
    TCanvas* canvas_;
};

// A device context for measuring with the screen's metrics: what auto-sizing controls
// measure their text on. One painter serves every caller: GUI thread only.
TDeviceContext* ScreenMeasuringDC();

// Runs the control's KeyDown and KeyPress (or KeyUp) for a Qt key event; true when a
// handler consumed the key by clearing it.
class QKeyEvent;
bool DeliverKeyEvent(TWinControl* control, QKeyEvent* event);

// The Qt key code of a key event turned into the system's virtual-key code, and back.
uint16_t VirtualKeyFromQt(int qtKey);
