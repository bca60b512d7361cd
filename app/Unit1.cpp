#include "app/Unit1.h"
#include "framework/core/Translations.h"

#include "app/CoverPictures.h"
#include "app/Unit2.h"

#include <QKeyEvent>
#include <QShortcut>
#include <QWidget>
#include <utility>

namespace {

// The undo keys belong to the cover, not to the edit that has the focus: an edit's own
// undo would be a change of its own in the history.
class TUndoKeysToWindow : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::ShortcutOverride) return false;
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y) ||
            key->keyCombination() == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z)) {
            e->ignore();
            return true;
        }
        return false;
    }
};

TCoverFont AppliedFont(const TFontDialog* dialog, const TColorDialog* colours) {
    TCoverFont font = TCoverFont::Of(dialog->Font());
    // The colour picked inside the font dialog is never used.
    font.color = colours->Color();
    return font;
}

int SnappedAngle(int angle) {
    return TantCustomAngleLabel::DirectionOfAngle(angle) * 45;
}

} // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    document_ = new TCoverDocument(this);
    ReadLayout(QStringLiteral("Form1.layout"));
    pictureCaption_ = Panel1->Caption();
    miniatureCaption_ = Panelfronte->Caption();
    connect(document_, &TCoverDocument::DesignChanged, this,
            [this](const TCoverDesign& before, const TCoverDesign& after) {
                SafeCall(this, [&] { ShowDesign(before, after); });
            });
    connect(document_, &TCoverDocument::DesignReset, this, [this](const TCoverDesign& design) {
        SafeCall(this, [&] { ShowDesign(TCoverDesign(), design); });
    });
    connect(document_->Pictures(), &TCoverPictures::Ready, this,
            [this](const QString& file) { SafeCall(this, [&] { PictureReady(file); }); });
    InstallUndoKeys();
    InstallCoverMenus();
}

TForm1::~TForm1() {
    // The document's signals reach this window no more once it is going.
    disconnect(document_, nullptr, this, nullptr);
    disconnect(document_->Pictures(), nullptr, this, nullptr);
}

const TCoverDesign& TForm1::Design() const {
    return document_->Design();
}

Tpreview* TForm1::Layout() const {
    return links_.printLayout ? links_.printLayout() : nullptr;
}

void TForm1::InstallUndoKeys() {
    HandleNeeded();
    QWidget* widget = Widget();
    auto* filter = new TUndoKeysToWindow(widget);
    for (TControl* edit : std::initializer_list<TControl*>{Fronteriga, Edit1, Edit2, Memo1, Memo2,
                                                           ComboBox1, ComboBox2, ComboBox3}) {
        edit->HandleNeeded();
        if (QWidget* w = edit->Widget()) {
            w->installEventFilter(filter);
            for (QWidget* child : w->findChildren<QWidget*>())
                child->installEventFilter(filter);
        }
    }
    // The window and its document are named outright: nothing here reaches them through a
    // lambda's own captures of another lambda.
    TForm1* form = this;
    TCoverDocument* document = document_;
    using TStep = void (TCoverDocument::*)();
    const std::pair<QKeySequence, TStep> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Z), &TCoverDocument::Undo},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), &TCoverDocument::Redo},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &TCoverDocument::Redo},
    };
    for (const auto& [sequence, step] : keys) {
        auto* shortcut = new QShortcut(sequence, widget);
        const TStep s = step;
        connect(shortcut, &QShortcut::activated, document,
                [form, document, s] { SafeCall(form, [document, s] { (document->*s)(); }); });
    }
    // Esc gives up the pictures being read, and a sheet waiting for them.
    auto* giveUp = new QShortcut(QKeySequence(Qt::Key_Escape), widget);
    connect(giveUp, &QShortcut::activated, this, [this] {
        if (document_->Pictures()->Reading()) document_->Pictures()->GiveUp();
    });
}

void TForm1::Change(TControl* control, const std::function<void(TCoverDesign&)>& edit,
                    const QString& what, TCoverField field) {
    if (showing_) return;
    TCoverDesign next = document_->Design();
    edit(next);
    TControl* const before = std::exchange(editing_, control);
    struct Restore {
        TControl*& editing;
        TControl* before;
        ~Restore() { editing = before; }
    } restore{editing_, before};
    document_->Change(next, what, field);
}

void TForm1::FormShow(TObject*) {
    if (links_.showSplash) links_.showSplash();
    EmptyPrintPictures();
}

// The cover pictures have no size on the print page until a format is chosen. A print
// layout still to be made gets this when it is made.
void TForm1::EmptyPrintPictures() {
    Tpreview* preview = links_.madeLayout ? links_.madeLayout() : nullptr;
    if (!preview) return;
    for (TRpImage* picture : {preview->RpImage1, preview->RpImage2}) {
        picture->SetHeight(0);
        picture->SetWidth(0);
    }
}

void TForm1::BitBtn3Click(TObject*) {
    Close();
}

void TForm1::BitBtn4Click(TObject*) {
    if (links_.showCredits) links_.showCredits();
}

// ---- Front text ------------------------------------------------------------------------

// Switching the mode throws the text of the mode left away, in the same step.
void TForm1::RadioGroup1Click(TObject*) {
    const int index = RadioGroup1->ItemIndex();
    if (index != 0 && index != 1) return;
    Change(
        RadioGroup1,
        [index](TCoverDesign& d) {
            d.textMode = static_cast<TFrontTextMode>(index);
            if (index == 0)
                d.frontLines.clear();
            else
                d.frontLine.clear();
        },
        Translate("TForm1", "Tipo di testo"));
}

void TForm1::FronterigaChange(TObject*) {
    const QString text = Fronteriga->Text();
    Change(
        Fronteriga, [&](TCoverDesign& d) { d.frontLine = text; }, QStringLiteral("Testo"),
        TCoverField::FrontLine);
}

void TForm1::ComboBox3Change(TObject*) {
    const int angle = SnappedAngle(StrToInt(ComboBox3->Text()));
    Change(
        ComboBox3, [&](TCoverDesign& d) { d.frontAngle = angle; }, QStringLiteral("Rotazione"));
}

// A click on the top row or left column moves the line on screen; where it prints stays.
void TForm1::ImagefronteMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    if (Button != mbLeft) return;
    const TColor colour = ColorDialogfront->Color();
    Change(
        Imagefronte,
        [&](TCoverDesign& d) {
            d.frontFont.color = colour;
            d.PlaceLine(QPoint(X, Y));
        },
        QStringLiteral("Posizione"));
}

void TForm1::Memo1Change(TObject*) {
    const QStringList lines = Memo1->Lines()->List();
    Change(
        Memo1, [&](TCoverDesign& d) { d.frontLines = lines; }, QStringLiteral("Testo"),
        TCoverField::FrontLines);
}

void TForm1::BitBtn6Click(TObject*) {
    FontDialogfront->Execute();
}

void TForm1::FontDialogfrontApply(TObject*, QWidget*) {
    const TCoverFont font = AppliedFont(FontDialogfront, ColorDialogfront);
    Change(
        nullptr, [&](TCoverDesign& d) { d.frontFont = font; }, QStringLiteral("Font"));
}

void TForm1::BitBtn5Click(TObject*) {
    if (!ColorDialogfront->Execute()) return;
    const TColor colour = ColorDialogfront->Color();
    Change(
        nullptr, [&](TCoverDesign& d) { d.frontFont.color = colour; }, QStringLiteral("Colore"));
}

// ---- Rear text -------------------------------------------------------------------------

void TForm1::Edit1Change(TObject*) {
    const QString text = Edit1->Text();
    Change(
        Edit1, [&](TCoverDesign& d) { d.leftBand = text; }, QStringLiteral("Banda"),
        TCoverField::LeftBand);
}
void TForm1::Edit2Change(TObject*) {
    const QString text = Edit2->Text();
    Change(
        Edit2, [&](TCoverDesign& d) { d.rightBand = text; }, QStringLiteral("Banda"),
        TCoverField::RightBand);
}
void TForm1::Memo2Change(TObject*) {
    const QStringList lines = Memo2->Lines()->List();
    Change(
        Memo2, [&](TCoverDesign& d) { d.rearLines = lines; }, QStringLiteral("Testo"),
        TCoverField::RearLines);
}

void TForm1::BitBtn10Click(TObject*) {
    FontDialogbande->Execute();
}

void TForm1::FontDialogbandeApply(TObject*, QWidget*) {
    const TCoverFont font = AppliedFont(FontDialogbande, ColorDialogbande);
    Change(
        nullptr, [&](TCoverDesign& d) { d.bandFont = font; }, QStringLiteral("Font"));
}

void TForm1::BitBtn9Click(TObject*) {
    if (!ColorDialogbande->Execute()) return;
    const TColor colour = ColorDialogbande->Color();
    Change(
        nullptr, [&](TCoverDesign& d) { d.bandFont.color = colour; }, QStringLiteral("Colore"));
}

void TForm1::BitBtn8Click(TObject*) {
    FontDialogrear->Execute();
}

void TForm1::FontDialogrearApply(TObject*, QWidget*) {
    const TCoverFont font = AppliedFont(FontDialogrear, ColorDialogrear);
    Change(
        nullptr, [&](TCoverDesign& d) { d.rearFont = font; }, QStringLiteral("Font"));
}

void TForm1::BitBtn7Click(TObject*) {
    if (!ColorDialogrear->Execute()) return;
    const TColor colour = ColorDialogrear->Color();
    Change(
        nullptr, [&](TCoverDesign& d) { d.rearFont.color = colour; }, QStringLiteral("Colore"));
}
