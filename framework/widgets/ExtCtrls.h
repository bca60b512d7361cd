#pragma once
// More controls: panels with bevels, bevels, radio groups and picture controls.

#include <QRectF>
#include <optional>

#include "framework/graphics/Pictures.h"
#include "framework/widgets/StdCtrls.h"

class QAbstractButton;
class QButtonGroup;

class TExtCtrlsEnums : public QObject {
    Q_OBJECT
public:
    enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
    Q_ENUM(TPanelBevel)
    enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
    Q_ENUM(TBevelShape)
    enum TBevelStyle { bsLowered, bsRaised };
    Q_ENUM(TBevelStyle)
};
using TPanelBevel = TExtCtrlsEnums::TPanelBevel;
using TBevelShape = TExtCtrlsEnums::TBevelShape;
using TBevelStyle = TExtCtrlsEnums::TBevelStyle;

// Draws `width` nested one-pixel frames inside rect: the top and left edges in topColor,
// the bottom and right edges in bottomColor (which also takes the top-right and
// bottom-left corners). rect (right and bottom inclusive) shrinks by width on each side.
void Frame3D(TCanvas* canvas, QRect& rect, TColor topColor, TColor bottomColor, int width);

// ---- Panels ----------------------------------------------------------------------------

// A container that paints its bevels (outer, then the border, then inner) and its
// caption centred. Aligned children fill the area inside the bevels; other children are
// placed relative to the panel's top-left corner.
class TCustomPanel : public TCustomControl {
    Q_OBJECT
public:
    explicit TCustomPanel(TComponent* owner);

    TPanelBevel BevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel b);
    TPanelBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel b);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int w);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    // Pixels between the panel's edge and the area its aligned children fill.
    int FrameWidth() const;

    TNotifyEvent OnResize;

protected:
    void Paint() override;
    void AlignControls(QRect& rect) override;
    void BoundsChanged() override;
    void TextChanged() override;

private:
    TPanelBevel bevelInner_ = TExtCtrlsEnums::bvNone;
    TPanelBevel bevelOuter_ = TExtCtrlsEnums::bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TAlignment alignment_ = TControlEnums::taCenter;
};

class TPanel : public TCustomPanel {
    Q_OBJECT
    Q_PROPERTY(TExtCtrlsEnums::TPanelBevel BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(TExtCtrlsEnums::TPanelBevel BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(TControlEnums::TAlignment Alignment READ Alignment WRITE SetAlignment)
public:
    using TCustomPanel::TCustomPanel;
};

// ---- Bevels ----------------------------------------------------------------------------

class TBevel : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TExtCtrlsEnums::TBevelShape Shape READ Shape WRITE SetShape)
    Q_PROPERTY(TExtCtrlsEnums::TBevelStyle Style READ Style WRITE SetStyle)
public:
    explicit TBevel(TComponent* owner);

    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape s);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle s);

protected:
    void Paint() override;

private:
    TBevelShape shape_ = TExtCtrlsEnums::bsBox;
    TBevelStyle style_ = TExtCtrlsEnums::bsLowered;
};

// ---- Radio groups ----------------------------------------------------------------------

// A group box with one radio button per item, laid out in Columns. ItemIndex is the
// checked item (-1: none). OnClick runs when the checked item changes, whether the user
// picked it or code set ItemIndex; not while the layout is read.
class TCustomRadioGroup : public TCustomGroupBox {
    Q_OBJECT
public:
    explicit TCustomRadioGroup(TComponent* owner);

    TStrings* Items() const { return items_; }
    void SetItems(TStrings* s) { items_->Assign(s); }
    int ItemIndex() const { return itemIndex_; }
    // Values beyond the items are clamped to -1 .. last item.
    void SetItemIndex(int i);
    int Columns() const { return columns_; }
    void SetColumns(int n);
    void Loaded() override;

    // The bounds of item i's button, relative to the group's top-left corner.
    QRect ButtonRect(int i) const;
    // The Qt button of item i; null before the handle exists.
    QAbstractButton* Button(int i) const;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;
    void BoundsChanged() override;
    void FontChanged() override;

private:
    void ItemsChanged();
    void BuildButtons();
    void ArrangeButtons();
    void ButtonClicked(int i);
    TStrings* items_;
    int itemIndex_ = -1;
    int columns_ = 1;
    QPointer<QButtonGroup> group_;
};

class TRadioGroup : public TCustomRadioGroup {
    Q_OBJECT
    Q_PROPERTY(TStrings* Items READ Items)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
public:
    using TCustomRadioGroup::TCustomRadioGroup;
};

// ---- Pictures --------------------------------------------------------------------------

// Shows a picture: at its own size from the top-left corner, centred (Center), or
// stretched over the whole control (Stretch, without keeping proportions unless
// Proportional). AutoSize sizes the control to the picture.
class TImage : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TPicture* Picture READ Picture)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool Center READ Center WRITE SetCenter)
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
    Q_PROPERTY(bool Proportional READ Proportional WRITE SetProportional)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
public:
    explicit TImage(TComponent* owner);

    TPicture* Picture() const { return picture_; }
    void SetPicture(TPicture* p) { picture_->Assign(p); }
    bool Center() const { return center_; }
    void SetCenter(bool v);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool v);
    bool Proportional() const { return proportional_; }
    void SetProportional(bool v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);

    // Where the picture is drawn, as fractions of the control's rectangle ((0, 0, 1, 1) is
    // the control), cut at the control's edges; none draws it as Stretch, Proportional and
    // Center say.
    void SetPlacement(const std::optional<QRectF>& placement);
    const std::optional<QRectF>& Placement() const { return placement_; }

    // Where the picture is drawn, in the control's coordinates.
    QRect DestRect() const;
    bool CanAutoSize(int& newWidth, int& newHeight) override;

protected:
    void Paint() override;

private:
    void PictureChanged();
    TPicture* picture_;
    bool center_ = false;
    bool stretch_ = false;
    bool proportional_ = false;
    bool transparent_ = false;
    std::optional<QRectF> placement_;
};
