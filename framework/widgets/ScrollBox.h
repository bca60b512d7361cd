#pragma once
// Scroll boxes: a framed area whose children may reach beyond it and are scrolled into
// view with scroll bars.

#include "framework/widgets/StdCtrls.h"

class QScrollArea;
class QScrollBar;
class TScrollBox;

// One scroll bar of a scroll box. Range 0 with AutoScroll: the children's extent.
class TControlScrollBar : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(int Range READ Range WRITE SetRange)
    Q_PROPERTY(int Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(bool Tracking READ Tracking WRITE SetTracking)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
public:
    TControlScrollBar(TScrollBox* box, Qt::Orientation orientation);

    Qt::Orientation Kind() const { return orientation_; }
    // The scrolled distance, within 0 .. the scrolling range.
    int Position() const;
    void SetPosition(int v);
    int Range() const { return range_; }
    void SetRange(int v);
    int Increment() const { return increment_; }
    void SetIncrement(int v);
    int Margin() const { return margin_; }
    void SetMargin(int v);
    // Scroll while the thumb is dragged, not only when it is let go.
    bool Tracking() const { return tracking_; }
    void SetTracking(bool v);
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    // How far the bar can scroll: 0 when everything fits.
    int ScrollRange() const;

private:
    friend class TScrollBox;
    QScrollBar* Bar() const;
    void Apply();
    TScrollBox* box_;
    Qt::Orientation orientation_;
    int range_ = 0;
    int increment_ = 8;
    int margin_ = 0;
    bool tracking_ = false;
    bool visible_ = true;
    int position_ = 0;
};

// A control whose children live on a scrolled area. Children's Left and Top are places
// on that area, whatever is scrolled; the scroll bars show when the children (or the
// bars' Range) reach beyond the visible part. OnResize runs when the box's size changes.
class TScrollBox : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(TControlScrollBar* HorzScrollBar READ HorzScrollBar)
    Q_PROPERTY(TControlScrollBar* VertScrollBar READ VertScrollBar)
    Q_PROPERTY(bool AutoScroll READ AutoScroll WRITE SetAutoScroll)
    Q_PROPERTY(TStdCtrlsEnums::TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
public:
    explicit TScrollBox(TComponent* owner);

    TControlScrollBar* HorzScrollBar() const { return horz_; }
    TControlScrollBar* VertScrollBar() const { return vert_; }
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool v);
    TStdCtrlsEnums::TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TStdCtrlsEnums::TBorderStyle s);
    // The visible part, without frame and scroll bars.
    QRect ClientRect() const override;
    // The size of the scrolled area.
    QSize ContentSize() const;
    // Scrolls so that control (a child) is in view.
    void ScrollInView(TControl* control);
    // Recomputes the scrolled area after children moved.
    void UpdateScrollRange();

    TNotifyEvent OnResize;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;
    void BoundsChanged() override;
    QWidget* ChildContainer() const override;

private:
    friend class TControlScrollBar;
    QScrollArea* Area() const;
    TControlScrollBar* horz_;
    TControlScrollBar* vert_;
    bool autoScroll_ = true;
    TStdCtrlsEnums::TBorderStyle borderStyle_ = TStdCtrlsEnums::bsSingle;
    QPointer<QWidget> content_;
    bool updating_ = false;
};
