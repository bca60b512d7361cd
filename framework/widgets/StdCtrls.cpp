#include "framework/widgets/StdCtrls.h"

#include "framework/graphics/TextDraw.h"
#include "framework/widgets/Forms.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QValidator>

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
    if (alignment_ == TControlEnums::taRightJustify)
        flags |= DT_RIGHT;
    else if (alignment_ == TControlEnums::taCenter)
        flags |= DT_CENTER;
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
    const TCanvasHandleScope scope(*canvas, ScreenMeasuringDC());
    DoDrawText(rect, DT_EXPANDTABS | DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0));
    int x = Left();
    if (alignment_ == TControlEnums::taRightJustify) x += Width() - (rect.right() + 1);
    SetBounds(x, Top(), rect.right() + 1, rect.bottom() + 1);
}

// ---- Input rules of one-line edits -----------------------------------------------------

namespace {

// Converts the letter case and keeps what the user puts in within the length limit, as
// the system's edit does: a typed character beyond it is refused, pasted text is cut to
// what fits. Text set in code is not validated by Qt, so a longer text set by a program
// is kept whole; the user can still shorten it.
class TEditValidator : public QValidator {
public:
    TEditValidator(QLineEdit* edit, int maxLength, TEditCharCase charCase)
        : QValidator(edit), accepted_(edit->text()), maxLength_(maxLength), charCase_(charCase) {
        // The edit already holds the changed text while it asks: the text before the
        // change is the last one it showed.
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { accepted_ = t; });
    }

    State validate(QString& input, int& pos) const override {
        if (charCase_ == TStdCtrlsEnums::ecUpperCase)
            input = input.toUpper();
        else if (charCase_ == TStdCtrlsEnums::ecLowerCase)
            input = input.toLower();
        if (settingText_ || maxLength_ <= 0 || input.size() <= maxLength_) return Acceptable;
        const QString& old = accepted_;
        if (input.size() < old.size()) return Acceptable;
        return FitInsertion(old, input, pos) ? Acceptable : Invalid;
    }

private:
    // The new text is the old one with [a, b) replaced by what ends at the cursor: keeps of
    // that only as much as the limit leaves room for. False when there is no room at all.
    bool FitInsertion(const QString& old, QString& input, int& pos) const {
        if (pos < 0 || pos > input.size()) return false;
        const qsizetype b = old.size() - (input.size() - pos); // the old text after it
        if (b < 0) return false;
        qsizetype a = 0;
        while (a < b && a < pos && old[a] == input[a])
            ++a;
        const qsizetype room = maxLength_ - (old.size() - (b - a));
        const qsizetype inserted = pos - a;
        if (room <= 0 || inserted <= room) return false;
        input.remove(a + room, inserted - room);
        pos = static_cast<int>(a + room);
        return true;
    }

public:
    // Text the program puts in is taken whole, and is what the next change starts from.
    void SetText(QLineEdit* e, const QString& text) {
        settingText_ = true;
        e->setText(text);
        settingText_ = false;
        accepted_ = e->text();
    }

private:
    QString accepted_;
    bool settingText_ = false;
    int maxLength_;
    TEditCharCase charCase_;
};

void ApplyInputRules(QLineEdit* e, int maxLength, TEditCharCase charCase) {
    if (!e) return;
    delete e->validator();
    if (maxLength > 0 || charCase != TStdCtrlsEnums::ecNormal)
        e->setValidator(new TEditValidator(e, maxLength, charCase));
    else
        e->setValidator(nullptr);
}

// Puts the program's text into an edit, past its input rules.
void SetEditText(QLineEdit* e, const QString& text) {
    if (auto* rules = dynamic_cast<TEditValidator*>(const_cast<QValidator*>(e->validator())))
        rules->SetText(e, text);
    else
        e->setText(text);
}

void SetBaseColor(QWidget* w, TColor color) {
    if (!w) return;
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, ToQColor(color));
    w->setPalette(pal);
}

} // namespace

// ---- TCustomEdit -----------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 121, 21);
    SetParentColor(false);
    SetTabStop(true);
    RegisterEvent("OnChange", OnChange);
}

QLineEdit* TCustomEdit::LineEdit() const {
    return qobject_cast<QLineEdit*>(Widget());
}

QWidget* TCustomEdit::CreateWidget(QWidget* parentWidget) {
    auto* e = new QLineEdit(parentWidget);
    e->setText(Caption());
    connect(e, &QLineEdit::textChanged, this,
            [this](const QString& t) { SafeCall(this, [&] { TextFromWidget(t); }); });
    return e;
}

void TCustomEdit::UpdateWidget() {
    TWinControl::UpdateWidget();
    QLineEdit* e = LineEdit();
    if (!e) return;
    SetBaseColor(e, Color());
    e->setReadOnly(readOnly_);
    e->setFrame(borderStyle_ == TStdCtrlsEnums::bsSingle);
    e->setEchoMode(passwordChar_.isEmpty() ? QLineEdit::Normal : QLineEdit::Password);
    ApplyInputRules(e, maxLength_, charCase_);
    if (e->text() != Caption()) {
        const QSignalBlocker block(e);
        SetEditText(e, Caption());
    }
}

void TCustomEdit::TextFromWidget(const QString& text) {
    if (text == Caption()) return;
    if (QLineEdit* e = LineEdit(); e && e->isModified()) modified_ = true;
    fromWidget_ = true;
    struct Reset {
        bool& b;
        ~Reset() { b = false; }
    } reset{fromWidget_};
    SetCaption(text);
}

void TCustomEdit::TextChanged() {
    if (!fromWidget_) {
        modified_ = false;
        if (QLineEdit* e = LineEdit(); e && e->text() != Caption()) {
            const QSignalBlocker block(e);
            SetEditText(e, Caption());
        }
    }
    TWinControl::TextChanged();
    if (!IsLoading()) Change();
}

void TCustomEdit::ColorChanged() {
    TWinControl::ColorChanged();
    SetBaseColor(Widget(), Color());
}

void TCustomEdit::Change() {
    Notify(OnChange, this);
}

void TCustomEdit::SetMaxLength(int n) {
    n = std::max(0, n);
    if (n == maxLength_) return;
    maxLength_ = n;
    ApplyInputRules(LineEdit(), maxLength_, charCase_);
}

void TCustomEdit::SetReadOnly(bool v) {
    if (v == readOnly_) return;
    readOnly_ = v;
    if (Widget()) UpdateWidget();
}

void TCustomEdit::SetCharCase(TEditCharCase c) {
    if (c == charCase_) return;
    charCase_ = c;
    if (c == TStdCtrlsEnums::ecUpperCase)
        SetText(Text().toUpper());
    else if (c == TStdCtrlsEnums::ecLowerCase)
        SetText(Text().toLower());
    ApplyInputRules(LineEdit(), maxLength_, charCase_);
}

void TCustomEdit::SetPasswordChar(const QString& c) {
    const QString v = c.left(1);
    if (v == passwordChar_) return;
    passwordChar_ = v;
    if (Widget()) UpdateWidget();
}

void TCustomEdit::SetBorderStyle(TStdCtrlsEnums::TBorderStyle s) {
    if (s == borderStyle_) return;
    borderStyle_ = s;
    if (Widget()) UpdateWidget();
}

void TCustomEdit::SelectAll() {
    if (QLineEdit* e = LineEdit()) e->selectAll();
}

int TCustomEdit::SelStart() const {
    QLineEdit* e = LineEdit();
    if (!e) return 0;
    return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
}

void TCustomEdit::SetSelStart(int v) {
    if (QLineEdit* e = LineEdit())
        e->setCursorPosition(std::clamp(v, 0, static_cast<int>(e->text().size())));
}

int TCustomEdit::SelLength() const {
    QLineEdit* e = LineEdit();
    return e && e->hasSelectedText() ? static_cast<int>(e->selectedText().size()) : 0;
}

void TCustomEdit::SetSelLength(int v) {
    QLineEdit* e = LineEdit();
    if (!e) return;
    const int start = SelStart();
    e->setSelection(start, std::clamp(v, 0, static_cast<int>(e->text().size()) - start));
}

QString TCustomEdit::SelText() const {
    QLineEdit* e = LineEdit();
    return e ? e->selectedText() : QString();
}

TEdit::TEdit(TComponent* owner) : TCustomEdit(owner) {}

// ---- TCustomMemo -----------------------------------------------------------------------

namespace {

QString WidgetToText(QString plain) {
    return plain.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QString TextToWidget(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner), lines_(new TStrings(this)) {
    SetBounds(Left(), Top(), 185, 89);
    lines_->OnChange = [this](TObject*) { LinesChanged(); };
}

QPlainTextEdit* TCustomMemo::TextEdit() const {
    return qobject_cast<QPlainTextEdit*>(Widget());
}

QWidget* TCustomMemo::CreateWidget(QWidget* parentWidget) {
    auto* e = new QPlainTextEdit(parentWidget);
    e->setPlainText(TextToWidget(Caption()));
    connect(e, &QPlainTextEdit::textChanged, this, [this] {
        SafeCall(this, [&] {
            QPlainTextEdit* te = TextEdit();
            if (!te) return;
            const QString text = WidgetToText(te->toPlainText());
            if (text == Caption()) return;
            modified_ = true;
            TextFromWidget(text);
        });
    });
    return e;
}

void TCustomMemo::UpdateWidget() {
    TWinControl::UpdateWidget();
    QPlainTextEdit* e = TextEdit();
    if (!e) return;
    SetBaseColor(e, Color());
    e->setReadOnly(readOnly_);
    e->setFrameShape(borderStyle_ == TStdCtrlsEnums::bsSingle ? QFrame::StyledPanel
                                                              : QFrame::NoFrame);
    const bool vertical =
        scrollBars_ == TStdCtrlsEnums::ssVertical || scrollBars_ == TStdCtrlsEnums::ssBoth;
    const bool horizontal =
        scrollBars_ == TStdCtrlsEnums::ssHorizontal || scrollBars_ == TStdCtrlsEnums::ssBoth;
    // The system shows a memo's scroll bars always, disabled while there is nothing to
    // scroll; a horizontal scroll bar turns word wrapping off.
    e->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    e->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    e->setLineWrapMode(wordWrap_ && !horizontal ? QPlainTextEdit::WidgetWidth
                                                : QPlainTextEdit::NoWrap);
    e->setTabChangesFocus(!wantTabs_);
    const QString plain = TextToWidget(Caption());
    if (e->toPlainText() != plain) {
        const QSignalBlocker block(e);
        e->setPlainText(plain);
    }
}

void TCustomMemo::TextChanged() {
    if (!fromWidget_) {
        modified_ = false;
        if (QPlainTextEdit* e = TextEdit()) {
            const QString plain = TextToWidget(Caption());
            if (e->toPlainText() != plain) {
                const QSignalBlocker block(e);
                e->setPlainText(plain);
            }
        }
    }
    if (!syncingLines_) {
        syncingLines_ = true;
        lines_->SetText(Caption());
        syncingLines_ = false;
    }
    TWinControl::TextChanged();
    if (!IsLoading()) Change();
}

void TCustomMemo::LinesChanged() {
    if (syncingLines_) return;
    // The lines are kept as they are (an empty last line included); the text follows them.
    syncingLines_ = true;
    struct Reset {
        bool& b;
        ~Reset() { b = false; }
    } reset{syncingLines_};
    SetCaption(lines_->List().join(QStringLiteral("\r\n")));
}

void TCustomMemo::SetScrollBars(TScrollStyle s) {
    if (s == scrollBars_) return;
    scrollBars_ = s;
    if (Widget()) UpdateWidget();
}

void TCustomMemo::SetWordWrap(bool v) {
    if (v == wordWrap_) return;
    wordWrap_ = v;
    if (Widget()) UpdateWidget();
}

void TCustomMemo::SetWantTabs(bool v) {
    if (v == wantTabs_) return;
    wantTabs_ = v;
    if (Widget()) UpdateWidget();
}

// ---- TCustomComboBox -------------------------------------------------------------------

namespace {

// The combo box widget tells its control when its list opens and closes.
class TComboWidget : public QComboBox {
public:
    TComboWidget(TCustomComboBox* control, QWidget* parent)
        : QComboBox(parent), control_(control), alive_(control) {}

    void showPopup() override {
        QComboBox::showPopup();
        if (alive_) SafeCall(alive_.data(), [&] { control_->DroppedDownChanged(true); });
    }
    void hidePopup() override {
        const bool was = view() && view()->isVisible();
        QComboBox::hidePopup();
        if (was && alive_) SafeCall(alive_.data(), [&] { control_->DroppedDownChanged(false); });
    }

private:
    // The control may be half destroyed while its widget goes: it is only asked through
    // its component part until it is known to be whole.
    TCustomComboBox* control_;
    QPointer<TComponent> alive_;
};

} // namespace

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TWinControl(owner), items_(new TStrings(this)) {
    SetBounds(0, 0, 145, 21);
    SetParentColor(false);
    SetTabStop(true);
    items_->OnChange = [this](TObject*) { ItemsChanged(); };
    RegisterEvent("OnChange", OnChange);
    RegisterEvent("OnSelect", OnSelect);
    RegisterEvent("OnDropDown", OnDropDown);
    RegisterEvent("OnCloseUp", OnCloseUp);
}

QComboBox* TCustomComboBox::ComboWidget() const {
    return qobject_cast<QComboBox*>(Widget());
}

QWidget* TCustomComboBox::CreateWidget(QWidget* parentWidget) {
    auto* c = new TComboWidget(this, parentWidget);
    c->setEditable(Editable());
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setDuplicatesEnabled(true);
    if (QLineEdit* e = c->lineEdit()) {
        // The system's drop-down list neither completes what is typed nor chooses the
        // item whose text was typed when editing ends.
        c->setCompleter(nullptr);
        QObject::disconnect(e, &QLineEdit::editingFinished, c, nullptr);
        connect(e, &QLineEdit::textEdited, this,
                [this](const QString& t) { SafeCall(this, [&] { UserTyped(t); }); });
    }
    connect(c, &QComboBox::activated, this,
            [this](int i) { SafeCall(this, [&] { UserChose(i); }); });
    c->addItems(items_->List());
    return c;
}

void TCustomComboBox::UpdateWidget() {
    TWinControl::UpdateWidget();
    QComboBox* c = ComboWidget();
    if (!c) return;
    SetBaseColor(c, Color());
    c->setMaxVisibleItems(dropDownCount_);
    if (QLineEdit* e = c->lineEdit()) {
        SetBaseColor(e, Color());
        e->setPlaceholderText(textHint_);
        ApplyInputRules(e, maxLength_, TStdCtrlsEnums::ecNormal);
    } else {
        c->setPlaceholderText(textHint_);
    }
    ShowChoiceInWidget();
}

void TCustomComboBox::FillWidgetItems() {
    QComboBox* c = ComboWidget();
    if (!c) return;
    const QSignalBlocker block(c);
    c->clear();
    c->addItems(items_->List());
}

void TCustomComboBox::ShowChoiceInWidget() {
    QComboBox* c = ComboWidget();
    if (!c) return;
    const QSignalBlocker block(c);
    if (c->currentIndex() != itemIndex_) c->setCurrentIndex(itemIndex_);
    if (QLineEdit* e = c->lineEdit(); e && e->text() != Caption()) {
        const QSignalBlocker blockEdit(e);
        SetEditText(e, Caption());
    }
}

void TCustomComboBox::ColorChanged() {
    TWinControl::ColorChanged();
    if (Widget()) UpdateWidget();
}

int TCustomComboBox::FindExact(const QString& text) const {
    return items_->IndexOf(text);
}

int TCustomComboBox::FindPrefix(const QString& text) const {
    if (text.isEmpty()) return -1;
    for (int i = 0; i < items_->Count(); ++i)
        if ((*items_)[i].startsWith(text, Qt::CaseInsensitive)) return i;
    return -1;
}

void TCustomComboBox::SetItemIndex(int i) {
    if (IsLoading()) {
        // Items may follow in the layout; the index is checked once it is read.
        itemIndex_ = i;
        return;
    }
    if (i < -1 || i >= items_->Count() || i == itemIndex_) return;
    itemIndex_ = i;
    fromUser_ = true;
    SetCaption(i >= 0 ? (*items_)[i] : QString());
    fromUser_ = false;
    ShowChoiceInWidget();
}

void TCustomComboBox::Loaded() {
    TWinControl::Loaded();
    if (itemIndex_ < -1 || itemIndex_ >= items_->Count()) itemIndex_ = -1;
    if (itemIndex_ >= 0) {
        fromUser_ = true;
        SetCaption((*items_)[itemIndex_]);
        fromUser_ = false;
    }
    ShowChoiceInWidget();
}

void TCustomComboBox::TextChanged() {
    TWinControl::TextChanged();
    if (fromUser_ || IsLoading()) return;
    // Text set in code: the item with exactly that text becomes the chosen one.
    itemIndex_ = FindExact(Caption());
    ShowChoiceInWidget();
}

void TCustomComboBox::UserTyped(const QString& text) {
    // While the list is closed, typing leaves no item chosen; with the list open the
    // first item that begins with the text is the chosen one.
    itemIndex_ = DroppedDown() ? FindPrefix(text) : -1;
    if (text == Caption()) return;
    fromUser_ = true;
    SetCaption(text);
    fromUser_ = false;
    Change();
}

void TCustomComboBox::UserChose(int index) {
    if (index < 0 || index >= items_->Count()) return;
    itemIndex_ = index;
    fromUser_ = true;
    SetCaption((*items_)[index]);
    fromUser_ = false;
    ShowChoiceInWidget();
    QPointer<TCustomComboBox> self(this);
    Click();
    if (!self) return;
    // OnSelect when there is one, OnChange otherwise: either way one event for a choice.
    if (OnSelect)
        Select();
    else
        Change();
}

void TCustomComboBox::DroppedDownChanged(bool dropped) {
    Notify(dropped ? OnDropDown : OnCloseUp, this);
}

bool TCustomComboBox::DroppedDown() const {
    QComboBox* c = ComboWidget();
    return c && c->view() && c->view()->isVisible();
}

void TCustomComboBox::SetDroppedDown(bool v) {
    if (v == DroppedDown()) return;
    HandleNeeded();
    if (QComboBox* c = ComboWidget()) {
        if (v)
            c->showPopup();
        else
            c->hidePopup();
    }
}

void TCustomComboBox::ItemsChanged() {
    if (sorting_) return;
    if (sorted_) {
        sorting_ = true;
        QStringList l = items_->List();
        std::stable_sort(l.begin(), l.end(), [](const QString& a, const QString& b) {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        });
        items_->SetList(l);
        sorting_ = false;
    }
    FillWidgetItems();
    if (IsLoading()) return;
    if (itemIndex_ >= items_->Count()) itemIndex_ = -1;
    if (items_->Count() == 0 && !Caption().isEmpty()) {
        // Emptying the list empties the text, as the system's list reset does.
        fromUser_ = true;
        SetCaption(QString());
        fromUser_ = false;
    }
    ShowChoiceInWidget();
}

void TCustomComboBox::SetStyle(TComboBoxStyle s) {
    if (s == style_) return;
    style_ = s;
    if (Widget()) {
        // The widget is made anew for the other style.
        DestroyHandle();
        HandleNeeded();
    }
}

void TCustomComboBox::SetTextHint(const QString& s) {
    if (s == textHint_) return;
    textHint_ = s;
    if (Widget()) UpdateWidget();
}

void TCustomComboBox::SetDropDownCount(int n) {
    if (n < 1 || n == dropDownCount_) return;
    dropDownCount_ = n;
    if (Widget()) UpdateWidget();
}

void TCustomComboBox::SetMaxLength(int n) {
    n = std::max(0, n);
    if (n == maxLength_) return;
    maxLength_ = n;
    if (Widget()) UpdateWidget();
}

void TCustomComboBox::SetSorted(bool v) {
    if (v == sorted_) return;
    sorted_ = v;
    if (v) ItemsChanged();
}

// ---- TCustomGroupBox -------------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 185, 105);
}

QWidget* TCustomGroupBox::CreateWidget(QWidget* parentWidget) {
    auto* g = new QGroupBox(parentWidget);
    g->setTitle(Caption());
    return g;
}

void TCustomGroupBox::UpdateWidget() {
    TWinControl::UpdateWidget();
    if (auto* g = qobject_cast<QGroupBox*>(Widget())) {
        g->setTitle(Caption());
        g->setAutoFillBackground(false);
    }
}

void TCustomGroupBox::TextChanged() {
    TWinControl::TextChanged();
    if (auto* g = qobject_cast<QGroupBox*>(Widget())) g->setTitle(Caption());
}

int TCustomGroupBox::CaptionHeight() const {
    return TextMetricsOf(Font()->ToQFont()).tmHeight;
}

void TCustomGroupBox::AlignControls(QRect& rect) {
    // Aligned children stay inside the frame, below the caption.
    rect.setTop(rect.top() + CaptionHeight());
    rect.adjust(2, 0, -2, -2);
    TWinControl::AlignControls(rect);
}

// ---- Buttons ---------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
    // The button widget reports its clicks, from the mouse and from the keyboard.
    clickEvents_ = false;
    SetTabStop(true);
}

void TButtonControl::TextChanged() {
    TWinControl::TextChanged();
    if (auto* b = qobject_cast<QAbstractButton*>(Widget())) b->setText(Caption());
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 75, 25);
}

QWidget* TButton::CreateWidget(QWidget* parentWidget) {
    auto* b = new QPushButton(parentWidget);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this] { SafeCall(this, [&] { Click(); }); });
    return b;
}

void TButton::UpdateWidget() {
    TButtonControl::UpdateWidget();
    if (auto* b = qobject_cast<QPushButton*>(Widget())) {
        b->setText(Caption());
        b->setDefault(default_);
    }
}

void TButton::SetDefault(bool v) {
    if (v == default_) return;
    default_ = v;
    if (Widget()) UpdateWidget();
}

void TButton::Click() {
    if (modalResult_ != mrNone)
        if (TForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
    TButtonControl::Click();
}

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 97, 17);
}

QWidget* TCheckBox::CreateWidget(QWidget* parentWidget) {
    auto* b = new QCheckBox(parentWidget);
    connect(b, &QCheckBox::clicked, this, [this] { SafeCall(this, [&] { Toggled(); }); });
    return b;
}

void TCheckBox::UpdateWidget() {
    TButtonControl::UpdateWidget();
    auto* b = qobject_cast<QCheckBox*>(Widget());
    if (!b) return;
    const QSignalBlocker block(b);
    b->setText(Caption());
    b->setTristate(allowGrayed_ || state_ == TStdCtrlsEnums::cbGrayed);
    b->setCheckState(state_ == TStdCtrlsEnums::cbChecked  ? Qt::Checked
                     : state_ == TStdCtrlsEnums::cbGrayed ? Qt::PartiallyChecked
                                                          : Qt::Unchecked);
    b->setLayoutDirection(alignment_ == TStdCtrlsEnums::taLeftJustify ? Qt::RightToLeft
                                                                      : Qt::LeftToRight);
}

void TCheckBox::Toggled() {
    // The system's cycle: unchecked, checked, then grayed when allowed.
    switch (state_) {
    case TStdCtrlsEnums::cbUnchecked:
        SetState(TStdCtrlsEnums::cbChecked);
        break;
    case TStdCtrlsEnums::cbChecked:
        SetState(allowGrayed_ ? TStdCtrlsEnums::cbGrayed : TStdCtrlsEnums::cbUnchecked);
        break;
    default:
        SetState(TStdCtrlsEnums::cbUnchecked);
        break;
    }
}

void TCheckBox::SetState(TCheckBoxState s) {
    if (s == state_) {
        if (Widget()) UpdateWidget(); // the widget may have toggled on its own
        return;
    }
    state_ = s;
    if (Widget()) UpdateWidget();
    if (!IsLoading()) Click();
}

void TCheckBox::SetAllowGrayed(bool v) {
    if (v == allowGrayed_) return;
    allowGrayed_ = v;
    if (Widget()) UpdateWidget();
}

void TCheckBox::SetAlignment(TLeftRight a) {
    if (a == alignment_) return;
    alignment_ = a;
    if (Widget()) UpdateWidget();
}

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 113, 17);
}

QWidget* TRadioButton::CreateWidget(QWidget* parentWidget) {
    auto* b = new QRadioButton(parentWidget);
    // The control keeps its siblings unchecked itself.
    b->setAutoExclusive(false);
    connect(b, &QRadioButton::clicked, this, [this] {
        SafeCall(this, [&] {
            if (checked_)
                UpdateWidget(); // a click on a checked button leaves it checked
            else
                SetChecked(true);
        });
    });
    return b;
}

void TRadioButton::UpdateWidget() {
    TButtonControl::UpdateWidget();
    auto* b = qobject_cast<QRadioButton*>(Widget());
    if (!b) return;
    const QSignalBlocker block(b);
    b->setText(Caption());
    b->setChecked(checked_);
    b->setLayoutDirection(alignment_ == TStdCtrlsEnums::taLeftJustify ? Qt::RightToLeft
                                                                      : Qt::LeftToRight);
}

void TRadioButton::SetChecked(bool v) {
    if (v == checked_) return;
    checked_ = v;
    if (Widget()) UpdateWidget();
    if (!v) return;
    if (TWinControl* p = Parent()) {
        for (int i = 0; i < p->ControlCount(); ++i) {
            auto* other = qobject_cast<TRadioButton*>(p->Controls(i));
            if (other && other != this) other->SetChecked(false);
        }
    }
    if (!IsLoading()) Click();
}

void TRadioButton::SetAlignment(TLeftRight a) {
    if (a == alignment_) return;
    alignment_ = a;
    if (Widget()) UpdateWidget();
}
