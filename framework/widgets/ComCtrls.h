#pragma once
// Common controls: tab pages, tool bars, status bars and progress bars.

#include "framework/core/Reader.h"
#include "framework/graphics/ImgList.h"
#include "framework/widgets/StdCtrls.h"

class TPageControl;
class TToolBar;
class TStatusBar;

class TComCtrlsEnums : public QObject {
    Q_OBJECT
public:
    enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };
    Q_ENUM(TToolButtonStyle)
    enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };
    Q_ENUM(TStatusPanelBevel)
    enum TProgressBarOrientation { pbHorizontal, pbVertical };
    Q_ENUM(TProgressBarOrientation)
};
using TToolButtonStyle = TComCtrlsEnums::TToolButtonStyle;
using TStatusPanelBevel = TComCtrlsEnums::TStatusPanelBevel;
using TProgressBarOrientation = TComCtrlsEnums::TProgressBarOrientation;

using TTabChangingEvent = std::function<void(TObject*, bool&)>;

// ---- Tab pages -------------------------------------------------------------------------

// One page of a page control: the parent of the controls shown under its tab, which are
// placed relative to the page's top-left corner. Only the active page is visible.
class TTabSheet : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(bool TabVisible READ TabVisible WRITE SetTabVisible)
    Q_PROPERTY(int PageIndex READ PageIndex WRITE SetPageIndex STORED false)
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* pc);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool v);
    // The page's place among its page control's pages; -1 without a page control.
    int PageIndex() const;
    void SetPageIndex(int i);

    void SetParent(TWinControl* parent) override;

protected:
    void TextChanged() override;
    void VisibleChanged() override;
    // The pages behind the one on show make their controls when they first show.
    bool MakesChildHandles() const override { return Visible(); }

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    int imageIndex_ = -1;
    bool tabVisible_ = true;
};

// Tab pages: a row of tabs (several rows with MultiLine when they do not fit; the row of
// the active tab lies next to the page) above the active page. Tabs show their page's
// caption and, with an image list, the picture of its ImageIndex. A click on a tab asks
// OnChanging, makes the page active and runs OnChange; setting the active page in code
// runs neither. In a layout, `ActivePage` and `Images` name components of the layout.
class TPageControl : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(bool MultiLine READ MultiLine WRITE SetMultiLine)
    Q_PROPERTY(int ActivePageIndex READ ActivePageIndex WRITE SetActivePageIndex)
    Q_PROPERTY(int TabHeight READ TabHeight WRITE SetTabHeight)
    Q_PROPERTY(int TabWidth READ TabWidth WRITE SetTabWidth)
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int i) const;
    TTabSheet* ActivePage() const { return activePage_; }
    // Pages of other page controls are ignored; null shows no page.
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int i);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool v);
    // 0: from the font and the images.
    int TabHeight() const { return tabHeight_; }
    void SetTabHeight(int h);
    // 0: each tab as wide as its caption and picture.
    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int w);

    // The next (or previous) page with a visible tab, as the user's keyboard chooses it:
    // OnChanging and OnChange run.
    void SelectNextPage(bool goForward);
    // The page whose tab lies at (x, y) of the control; null when none.
    TTabSheet* PageAtPos(int x, int y) const;
    // The tab of a page in the control's coordinates; empty when it has none.
    QRect TabRect(TTabSheet* page) const;
    int RowCount() const { return rowCount_; }
    // The area the pages fill.
    QRect DisplayRect() const;

    void Loaded() override;
    void Notification(TComponent* c, TOperation op) override;
    void DefineProperties(TFiler& filer) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

protected:
    void UpdateWidget() override;
    void PaintWidget(QPainter& painter) override;
    void BoundsChanged() override;
    void FontChanged() override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void MovePage(TTabSheet* page, int index);
    void TabsChanged();
    void LayoutTabs();
    // A change the user asked for: OnChanging may refuse it.
    void ChangeActivePage(TTabSheet* page);
    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
    TCustomImageList* images_ = nullptr;
    bool multiLine_ = false;
    int tabHeight_ = 0;
    int tabWidth_ = 0;
    // Layout: the tab of each page (empty for hidden tabs), the height of the tab rows.
    std::vector<QRect> tabRects_;
    int rowCount_ = 0;
    int tabsHeight_ = 0;
    TComponentReference imagesRef_;
    TComponentReference activePageRef_;
    int loadedIndex_ = -2;
};

// ---- Tool bars -------------------------------------------------------------------------

// A button of a tool bar: a picture from the bar's image list (or its caption when it has
// no picture), its hint as tool tip, a check button that stays down (in a group of
// Grouped check buttons, pressing one releases the others), or a separator or divider
// gap of its own Width.
class TToolButton : public TControl {
    Q_OBJECT
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(TComCtrlsEnums::TToolButtonStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(bool Grouped READ Grouped WRITE SetGrouped)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(bool Wrap READ Wrap WRITE SetWrap)
public:
    explicit TToolButton(TComponent* owner);
    ~TToolButton() override;

    TToolBar* ToolBar() const { return toolBar_; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle s);
    bool Grouped() const { return grouped_; }
    void SetGrouped(bool v) { grouped_ = v; }
    bool Down() const { return down_; }
    // Pressing a grouped check button releases the others of its group.
    void SetDown(bool v);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool v) { allowAllUp_ = v; }
    bool Wrap() const { return wrap_; }
    void SetWrap(bool v);
    bool IsGap() const {
        return style_ == TComCtrlsEnums::tbsSeparator || style_ == TComCtrlsEnums::tbsDivider;
    }
    // A button that shows its caption for want of a picture; it is as wide as its own
    // Width, and at least as wide as the caption.
    bool TextOnly() const;
    int CaptionWidth() const;

    void SetParent(TWinControl* parent) override;
    void Click() override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;
    void TextChanged() override;
    void VisibleChanged() override;

private:
    friend class TToolBar;
    std::vector<TToolButton*> Group();
    TToolBar* toolBar_ = nullptr;
    int imageIndex_ = -1;
    TToolButtonStyle style_ = TComCtrlsEnums::tbsButton;
    bool grouped_ = false;
    bool down_ = false;
    bool allowAllUp_ = false;
    bool wrap_ = false;
};

// A bar of buttons along the top of its window. Its controls are laid out left to right
// in the order of their Left in the layout (later additions at the end): buttons with
// pictures ButtonWidth x ButtonHeight, gaps, caption-only buttons and other controls at
// their own width.
class TToolBar : public TCustomControl {
    Q_OBJECT
    Q_PROPERTY(int ButtonWidth READ ButtonWidth WRITE SetButtonWidth)
    Q_PROPERTY(int ButtonHeight READ ButtonHeight WRITE SetButtonHeight)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(int Indent READ Indent WRITE SetIndent)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(bool ShowCaptions READ ShowCaptions WRITE SetShowCaptions)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
public:
    explicit TToolBar(TComponent* owner);
    ~TToolBar() override;

    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int w);
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int h);
    bool Flat() const { return flat_; }
    void SetFlat(bool v);
    int Indent() const { return indent_; }
    void SetIndent(int v);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int v);
    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool v);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);

    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TToolButton* Buttons(int i) const;
    // Lays the controls out again.
    void ArrangeButtons();
    bool CanAutoSize(int& newWidth, int& newHeight) override;

    void Loaded() override;
    void Notification(TComponent* c, TOperation op) override;
    void DefineProperties(TFiler& filer) override;

protected:
    void Paint() override;
    void BoundsChanged() override;

private:
    friend class TToolButton;
    void UpdateButtons();
    std::vector<TControl*> OrderedControls();
    std::vector<TToolButton*> buttons_;
    std::vector<QPointer<TControl>> order_;
    TCustomImageList* images_ = nullptr;
    TComponentReference imagesRef_;
    int buttonWidth_ = 23;
    int buttonHeight_ = 22;
    bool flat_ = false;
    int indent_ = 0;
    int borderWidth_ = 0;
    bool showCaptions_ = false;
    bool arranging_ = false;
    int rows_ = 1;
};

// ---- Status bars -----------------------------------------------------------------------

// One panel of a status bar. In a layout, panels are objects inside the status bar's:
//   object TStatusPanel
//     Text = '0%'
//     Width = 40
//   end
class TStatusPanel : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(TControlEnums::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(TComCtrlsEnums::TStatusPanelBevel Bevel READ Bevel WRITE SetBevel)
public:
    explicit TStatusPanel(TComponent* owner);
    ~TStatusPanel() override;

    TStatusBar* StatusBar() const { return bar_; }
    const QString& Text() const { return text_; }
    void SetText(const QString& t);
    int Width() const { return width_; }
    void SetWidth(int w);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    TStatusPanelBevel Bevel() const { return bevel_; }
    void SetBevel(TStatusPanelBevel b);
    int Index() const;

    void SetParentComponent(TComponent* parent) override;

private:
    friend class TStatusBar;
    friend class TStatusPanels;
    void Changed();
    TStatusBar* bar_ = nullptr;
    QString text_;
    int width_ = 50;
    TAlignment alignment_ = TControlEnums::taLeftJustify;
    TStatusPanelBevel bevel_ = TComCtrlsEnums::pbLowered;
};

class TStatusPanels : public TPersistent {
    Q_OBJECT
public:
    explicit TStatusPanels(TStatusBar* bar);
    int Count() const { return static_cast<int>(panels_.size()); }
    TStatusPanel* Items(int i) const;
    TStatusPanel* operator[](int i) const { return Items(i); }
    // A new panel at the end, owned by the status bar.
    TStatusPanel* Add();
    void Clear();

private:
    friend class TStatusBar;
    friend class TStatusPanel;
    void Attach(TStatusPanel* p);
    void Detach(TStatusPanel* p);
    TStatusBar* bar_;
    std::vector<TStatusPanel*> panels_;
};

// A bar along the bottom of its window showing panels side by side (the last one takes
// what is left of the width), or one simple text with SimplePanel.
class TStatusBar : public TCustomControl {
    Q_OBJECT
    Q_PROPERTY(bool SimplePanel READ SimplePanel WRITE SetSimplePanel)
    Q_PROPERTY(QString SimpleText READ SimpleText WRITE SetSimpleText)
    Q_PROPERTY(bool SizeGrip READ SizeGrip WRITE SetSizeGrip)
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;

    TStatusPanels* Panels() const { return panels_; }
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool v);
    const QString& SimpleText() const { return simpleText_; }
    void SetSimpleText(const QString& t);
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool v);
    // The rectangle of panel i in the bar's coordinates.
    QRect PanelRect(int i) const;

protected:
    void Paint() override;

private:
    TStatusPanels* panels_;
    bool simplePanel_ = false;
    QString simpleText_;
    bool sizeGrip_ = true;
};

// ---- Progress bars ---------------------------------------------------------------------

class TProgressBar : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(int Step READ Step WRITE SetStep)
    Q_PROPERTY(
        TComCtrlsEnums::TProgressBarOrientation Orientation READ Orientation WRITE SetOrientation)
public:
    explicit TProgressBar(TComponent* owner);

    int Min() const { return min_; }
    void SetMin(int v);
    int Max() const { return max_; }
    void SetMax(int v);
    int Position() const { return position_; }
    // Kept within Min .. Max.
    void SetPosition(int v);
    int Step() const { return step_; }
    void SetStep(int v) { step_ = v; }
    TProgressBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TProgressBarOrientation o);
    // Advances by Step, starting again from Min after Max.
    void StepIt();
    void StepBy(int delta) { SetPosition(position_ + delta); }

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
    TProgressBarOrientation orientation_ = TComCtrlsEnums::pbHorizontal;
};
