#pragma once
// Standard controls: labels, one-line edits, memos, combo boxes, group boxes, push
// buttons, check boxes and radio buttons. Each standard control uses the matching Qt
// widget as its window handle and keeps its model (text, item list, item index, check
// state) in step with it both ways; the control's model is what handlers read.

#include "framework/widgets/Controls.h"

class QLineEdit;
class QPlainTextEdit;
class QComboBox;

class TStdCtrlsEnums : public QObject {
    Q_OBJECT
public:
    enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
    Q_ENUM(TEditCharCase)
    enum TBorderStyle { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)
    enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
    Q_ENUM(TScrollStyle)
    enum TComboBoxStyle {
        csDropDown,
        csSimple,
        csDropDownList,
        csOwnerDrawFixed,
        csOwnerDrawVariable
    };
    Q_ENUM(TComboBoxStyle)
    enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
    Q_ENUM(TCheckBoxState)
    enum TLeftRight { taLeftJustify, taRightJustify };
    Q_ENUM(TLeftRight)
};
using TEditCharCase = TStdCtrlsEnums::TEditCharCase;
using TScrollStyle = TStdCtrlsEnums::TScrollStyle;
using TComboBoxStyle = TStdCtrlsEnums::TComboBoxStyle;
using TCheckBoxState = TStdCtrlsEnums::TCheckBoxState;
using TLeftRight = TStdCtrlsEnums::TLeftRight;

// ---- Labels ----------------------------------------------------------------------------

// The framework's plain label: draws its caption with DrawText and sizes itself to it.
// Subclasses replace the text-drawing step (DoDrawText), which both measures (with
// DT_CALCRECT) and draws.
class TCustomLabel : public TGraphicControl {
    Q_OBJECT
public:
    explicit TCustomLabel(TComponent* owner);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout l);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    void SetAutoSize(bool v) override;

    // The auto-size step: measures on the screen and sets width and height (keeping the
    // right edge for right-aligned labels). Nothing while loading.
    virtual void AdjustBounds();
    void AdjustSize() override { AdjustBounds(); }
    void Loaded() override;

    // How many times the label has painted; lets callers see whether a change repainted.
    int PaintCount() const { return paintCount_; }

protected:
    virtual QString GetLabelText() const { return Caption(); }
    virtual void DoDrawText(QRect& rect, unsigned flags);
    void Paint() override;
    // For labels that paint in their own way but still count their paints.
    void CountPaint() { ++paintCount_; }
    void TextChanged() override;
    void FontChanged() override;

private:
    TAlignment alignment_ = TControlEnums::taLeftJustify;
    TTextLayout layout_ = TControlEnums::tlTop;
    bool showAccelChar_ = true;
    bool transparent_ = false;
    bool wordWrap_ = false;
    int paintCount_ = 0;
};

class TLabel : public TCustomLabel {
    Q_OBJECT
    Q_PROPERTY(TControlEnums::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(TControlEnums::TTextLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
public:
    using TCustomLabel::TCustomLabel;
};

// ---- Edits -----------------------------------------------------------------------------

// A one-line edit. Text typed by the user or set in code is the control's Text, and
// every change of it (not while the layout is read) runs OnChange.
class TCustomEdit : public TWinControl {
    Q_OBJECT
public:
    explicit TCustomEdit(TComponent* owner);

    // The most characters the user may enter; 0 means no limit. Text set in code is cut
    // to the limit as well.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase c);
    QString PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(const QString& c);
    TStdCtrlsEnums::TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TStdCtrlsEnums::TBorderStyle s);
    // Set when the user edits the text, cleared when code sets it.
    bool Modified() const { return modified_; }
    void SetModified(bool v) { modified_ = v; }

    void Clear() { SetText(QString()); }
    void SelectAll();
    int SelStart() const;
    void SetSelStart(int v);
    int SelLength() const;
    void SetSelLength(int v);
    QString SelText() const;

    TNotifyEvent OnChange;

protected:
    virtual void Change();
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;
    void TextChanged() override;
    void ColorChanged() override;
    QLineEdit* LineEdit() const;
    // Sets the text the user produced in the widget.
    void TextFromWidget(const QString& text);

    int maxLength_ = 0;
    bool readOnly_ = false;
    TEditCharCase charCase_ = TStdCtrlsEnums::ecNormal;
    QString passwordChar_;
    TStdCtrlsEnums::TBorderStyle borderStyle_ = TStdCtrlsEnums::bsSingle;
    bool modified_ = false;
    bool fromWidget_ = false;
};

class TEdit : public TCustomEdit {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(TStdCtrlsEnums::TEditCharCase CharCase READ CharCase WRITE SetCharCase)
    Q_PROPERTY(QString PasswordChar READ PasswordChar WRITE SetPasswordChar)
    Q_PROPERTY(TStdCtrlsEnums::TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
public:
    explicit TEdit(TComponent* owner);
};

// A multi-line edit. Lines and Text are two views of one text: Text joins the lines
// with CR LF, and changing either (or typing) changes the other and runs OnChange.
class TCustomMemo : public TCustomEdit {
    Q_OBJECT
public:
    explicit TCustomMemo(TComponent* owner);

    TStrings* Lines() const { return lines_; }
    void SetLines(TStrings* l) { lines_->Assign(l); }
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle s);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool v);

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;
    void TextChanged() override;
    QPlainTextEdit* TextEdit() const;

private:
    void LinesChanged();
    TStrings* lines_;
    TScrollStyle scrollBars_ = TStdCtrlsEnums::ssNone;
    bool wordWrap_ = true;
    bool wantTabs_ = false;
    bool syncingLines_ = false;
};

class TMemo : public TCustomMemo {
    Q_OBJECT
    Q_PROPERTY(TStrings* Lines READ Lines)
    Q_PROPERTY(QString Text READ Text WRITE SetText STORED false)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(TStdCtrlsEnums::TScrollStyle ScrollBars READ ScrollBars WRITE SetScrollBars)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool WantTabs READ WantTabs WRITE SetWantTabs)
    Q_PROPERTY(TStdCtrlsEnums::TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
public:
    using TCustomMemo::TCustomMemo;
};

// ---- Combo boxes -----------------------------------------------------------------------

// A drop-down list of items, editable in the csDropDown style. ItemIndex is -1 while no
// item is chosen; then the prompt text (TextHint) shows as long as the text is empty.
// OnChange runs when the user types (the item index becomes -1 while the list is closed,
// the first item that begins with the text while it is open) and once when the user
// chooses an item (the text becomes the item's). Setting Text or ItemIndex in code runs
// no event.
class TCustomComboBox : public TWinControl {
    Q_OBJECT
public:
    explicit TCustomComboBox(TComponent* owner);

    TStrings* Items() const { return items_; }
    void SetItems(TStrings* s) { items_->Assign(s); }
    int ItemIndex() const { return itemIndex_; }
    // -1 clears the choice and the text; values outside the items are ignored.
    void SetItemIndex(int i);
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle s);
    const QString& TextHint() const { return textHint_; }
    void SetTextHint(const QString& s);
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int n);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool v);
    bool DroppedDown() const;
    void SetDroppedDown(bool v);

    void Loaded() override;

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

    // Reactions to the user, called by the widget.
    void UserTyped(const QString& text);
    void UserChose(int index);
    void DroppedDownChanged(bool dropped);

protected:
    virtual void Change() { Notify(OnChange, this); }
    virtual void Select() { Notify(OnSelect, this); }
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;
    void TextChanged() override;
    void ColorChanged() override;
    QComboBox* ComboWidget() const;

private:
    bool Editable() const {
        return style_ == TStdCtrlsEnums::csDropDown || style_ == TStdCtrlsEnums::csSimple;
    }
    void ItemsChanged();
    void FillWidgetItems();
    void ShowChoiceInWidget();
    int FindExact(const QString& text) const;
    int FindPrefix(const QString& text) const;
    TStrings* items_;
    int itemIndex_ = -1;
    TComboBoxStyle style_ = TStdCtrlsEnums::csDropDown;
    QString textHint_;
    int dropDownCount_ = 8;
    int maxLength_ = 0;
    bool sorted_ = false;
    bool fromUser_ = false;
    bool sorting_ = false;
};

class TComboBox : public TCustomComboBox {
    Q_OBJECT
    Q_PROPERTY(TStdCtrlsEnums::TComboBoxStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(TStrings* Items READ Items)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(QString TextHint READ TextHint WRITE SetTextHint)
    Q_PROPERTY(int DropDownCount READ DropDownCount WRITE SetDropDownCount)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
    Q_PROPERTY(bool Sorted READ Sorted WRITE SetSorted)
public:
    using TCustomComboBox::TCustomComboBox;
};

// ---- Group boxes -----------------------------------------------------------------------

// A framed group with a caption. Its children are placed relative to the box's top-left
// corner; disabling the box disables everything in it.
class TCustomGroupBox : public TWinControl {
    Q_OBJECT
public:
    explicit TCustomGroupBox(TComponent* owner);

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;
    void TextChanged() override;
    void AlignControls(QRect& rect) override;
    // Height of the caption line, from the font.
    int CaptionHeight() const;
};

class TGroupBox : public TCustomGroupBox {
    Q_OBJECT
public:
    using TCustomGroupBox::TCustomGroupBox;
};

// ---- Buttons ---------------------------------------------------------------------------

class TButtonControl : public TWinControl {
    Q_OBJECT
public:
    explicit TButtonControl(TComponent* owner);

protected:
    void TextChanged() override;
};

// A push button. A click (mouse or keyboard) sets the window's ModalResult to the
// button's, when it has one, then runs OnClick.
class TButton : public TButtonControl {
    Q_OBJECT
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
public:
    explicit TButton(TComponent* owner);

    bool Default() const { return default_; }
    void SetDefault(bool v);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool v) { cancel_ = v; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int r) { modalResult_ = r; }

    void Click() override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;

private:
    bool default_ = false;
    bool cancel_ = false;
    int modalResult_ = 0;
};

// A check box. Changing its state, by a click or in code, runs OnClick.
class TCheckBox : public TButtonControl {
    Q_OBJECT
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(TStdCtrlsEnums::TCheckBoxState State READ State WRITE SetState)
    Q_PROPERTY(bool AllowGrayed READ AllowGrayed WRITE SetAllowGrayed)
    Q_PROPERTY(TStdCtrlsEnums::TLeftRight Alignment READ Alignment WRITE SetAlignment)
public:
    explicit TCheckBox(TComponent* owner);

    bool Checked() const { return state_ == TStdCtrlsEnums::cbChecked; }
    void SetChecked(bool v) {
        SetState(v ? TStdCtrlsEnums::cbChecked : TStdCtrlsEnums::cbUnchecked);
    }
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState s);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool v);
    TLeftRight Alignment() const { return alignment_; }
    void SetAlignment(TLeftRight a);

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;

private:
    void Toggled();
    TCheckBoxState state_ = TStdCtrlsEnums::cbUnchecked;
    bool allowGrayed_ = false;
    TLeftRight alignment_ = TStdCtrlsEnums::taRightJustify;
};

// A radio button; checking it unchecks the radio buttons beside it (same parent) and
// runs OnClick.
class TRadioButton : public TButtonControl {
    Q_OBJECT
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(TStdCtrlsEnums::TLeftRight Alignment READ Alignment WRITE SetAlignment)
public:
    explicit TRadioButton(TComponent* owner);

    bool Checked() const { return checked_; }
    void SetChecked(bool v);
    TLeftRight Alignment() const { return alignment_; }
    void SetAlignment(TLeftRight a);

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;

private:
    bool checked_ = false;
    TLeftRight alignment_ = TStdCtrlsEnums::taRightJustify;
};
