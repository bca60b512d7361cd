#include "app/DesignDocument.h"

#include "app/DesignFile.h"
#include "app/Unit1.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace {

// ---- Applying a design -----------------------------------------------------------------

// Each picture control of a cover holds its own copy.
struct TLoadedPicture {
    QString file;
    std::unique_ptr<TPicture> picture;
};

TLoadedPicture LoadPicture(const QString& file, QStringList& problems) {
    TLoadedPicture loaded;
    if (file.isEmpty()) return loaded;
    auto picture = std::make_unique<TPicture>();
    try {
        picture->LoadFromFile(file);
    } catch (const Exception& e) {
        problems << e.Message();
        return loaded;
    }
    loaded.file = file;
    loaded.picture = std::move(picture);
    return loaded;
}

void GivePicture(const TLoadedPicture& loaded, TOpenDialog* dialog, TImage* large,
                 TImage* miniature) {
    TGraphic* graphic = loaded.picture ? loaded.picture->Graphic() : nullptr;
    dialog->SetFileName(loaded.file);
    large->Picture()->SetGraphic(graphic);
    miniature->Picture()->SetGraphic(graphic);
}

// A box never chosen keeps its prompt for a cover that is absent.
void ChooseFormat(TComboBox* box, int code, bool chosenBefore) {
    if (code == 0 && box->ItemIndex() < 0 && !chosenBefore) return;
    box->SetItemIndex(code);
}

// The colour dialog's colour is what a click on the miniature and a font's Apply give the
// labels, so it follows the design's colour.
void GiveFont(const TCoverFont& font, std::initializer_list<TControl*> labels, TFontDialog* fonts,
              TColorDialog* colours) {
    for (TControl* label : labels) {
        font.GiveTo(label->Font(), font.size);
        label->Invalidate();
    }
    font.GiveTo(fonts->Font(), font.size);
    colours->SetColor(font.color);
}

QString LocalFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return {};
    const QUrl url = mime->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

bool IsPictureFileName(const QString& file) {
    const QString ext = QFileInfo(file).suffix().toLower();
    return ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") ||
           ext == QLatin1String("bmp");
}

} // namespace

QStringList ApplyDesign(TForm1& w, const TCoverDesign& d) {
    QStringList problems;
    const TLoadedPicture front = LoadPicture(d.frontPicture, problems);
    const TLoadedPicture rear = LoadPicture(d.rearPicture, problems);
    // Nothing below fails: the window takes the whole design.
    const TCoverDesign before = w.Design();
    ChooseFormat(w.ComboBox1, static_cast<int>(d.frontFormat),
                 before.frontFormat != TFrontFormat::None);
    w.ComboBox1Change(w.ComboBox1);
    ChooseFormat(w.ComboBox2, static_cast<int>(d.rearFormat),
                 before.rearFormat != TRearFormat::None);
    w.ComboBox2Change(w.ComboBox2);
    GivePicture(front, w.frontDialog, w.front, w.Imagefronte);
    GivePicture(rear, w.rearDialog, w.rear, w.Imagerear);

    // The mode first: switching it empties the other mode's text.
    w.RadioGroup1->SetItemIndex(static_cast<int>(d.textMode));
    w.Fronteriga->SetText(d.frontLine);
    w.Memo1->Lines()->SetList(d.frontLines);
    if (d.frontAngle != w.Labelfront->Angle() || w.ComboBox3->ItemIndex() >= 0)
        w.ComboBox3->SetItemIndex(d.frontAngle / 45);
    w.Labelfront->SetAngle(d.frontAngle);
    w.Labelfront->SetTop(d.frontPlace.y());
    w.Labelfront->SetLeft(d.frontPlace.x());
    w.SetPrintPlace(d.printPlace);
    GiveFont(d.frontFont, {w.Labelfront, w.Labelfronterighe}, w.FontDialogfront,
             w.ColorDialogfront);

    w.Edit1->SetText(d.leftBand);
    w.Edit2->SetText(d.rightBand);
    GiveFont(d.bandFont, {w.Labelr1, w.Labelr2}, w.FontDialogbande, w.ColorDialogbande);
    w.Memo2->Lines()->SetList(d.rearLines);
    GiveFont(d.rearFont, {w.Labelrear}, w.FontDialogrear, w.ColorDialogrear);
    return problems;
}

// ---- The document ----------------------------------------------------------------------

TDesignDocument::TDesignDocument(TForm1* window) : window_(window) {
    title_ = window->Caption();
    saved_ = window->Design();
    const QString filter =
        QStringLiteral("Copertina Sleevane|*.%1").arg(QLatin1String(kDesignExtension));
    openDialog_ = new TOpenDialog(window);
    openDialog_->SetFilter(filter);
    openDialog_->SetTitle(QStringLiteral("Apri copertina"));
    openDialog_->SetOptions(openDialog_->Options() | TDialogsEnums::ofFileMustExist);
    saveDialog_ = new TSaveDialog(window);
    saveDialog_->SetFilter(filter);
    saveDialog_->SetTitle(QStringLiteral("Salva copertina"));
    saveDialog_->SetDefaultExt(QLatin1String(kDesignExtension));
    saveDialog_->SetOptions(saveDialog_->Options() | TDialogsEnums::ofOverwritePrompt);
    window->OnCloseQuery = [this](TObject*, bool& canClose) { canClose = ConfirmDiscard(); };
    InstallShortcuts();
    qApp->installEventFilter(this);
}

TDesignDocument::~TDesignDocument() {
    if (window_) window_->OnCloseQuery = nullptr;
}

void TDesignDocument::InstallShortcuts() {
    window_->HandleNeeded();
    QWidget* widget = window_->Widget();
    widget->setAcceptDrops(true);
    const auto bind = [this, widget](const QKeySequence& keys, std::function<void()> step) {
        auto* shortcut = new QShortcut(keys, widget);
        connect(shortcut, &QShortcut::activated, this,
                [this, step] { SafeCall(window_, [&] { step(); }); });
    };
    bind(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { OpenWithDialog(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { Save(); });
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { SaveAs(); });
}

bool TDesignDocument::Modified() const {
    return window_ && window_->Design() != saved_;
}

void TDesignDocument::UpdateTitle() {
    titleQueued_ = false;
    if (!window_) return;
    if (file_.isEmpty()) {
        window_->SetCaption(title_);
        return;
    }
    const QString mark = Modified() ? QStringLiteral("*") : QString();
    window_->SetCaption(QStringLiteral("%1 - %2%3").arg(title_, mark, QFileInfo(file_).fileName()));
}

// Whatever the user did may have changed the cover: the title is brought up to date once
// the event has run.
void TDesignDocument::QueueTitleUpdate() {
    if (titleQueued_ || file_.isEmpty()) return;
    titleQueued_ = true;
    QTimer::singleShot(0, this, [this] { SafeCall(window_, [this] { UpdateTitle(); }); });
}

void TDesignDocument::Open(const QString& file) {
    const TCoverDesign design = ReadDesignFile(file);
    const QStringList problems = ApplyDesign(*window_, design);
    file_ = QFileInfo(file).absoluteFilePath();
    saved_ = window_->Design();
    UpdateTitle();
    if (!problems.isEmpty() && Application)
        Application->HandleException(Exception(problems.join(QLatin1Char('\n'))));
}

void TDesignDocument::SaveTo(const QString& file) {
    const TCoverDesign design = window_->Design();
    WriteDesignFile(file, design);
    file_ = QFileInfo(file).absoluteFilePath();
    saved_ = design;
    UpdateTitle();
}

bool TDesignDocument::Save() {
    if (file_.isEmpty()) return SaveAs();
    SaveTo(file_);
    return true;
}

bool TDesignDocument::SaveAs() {
    saveDialog_->SetFileName(file_);
    if (!saveDialog_->Execute()) return false;
    SaveTo(saveDialog_->FileName());
    return true;
}

void TDesignDocument::OpenWithDialog() {
    if (!ConfirmDiscard()) return;
    if (!openDialog_->Execute()) return;
    Open(openDialog_->FileName());
}

bool TDesignDocument::ConfirmDiscard() {
    if (!Modified()) return true;
    const QString text =
        file_.isEmpty()
            ? QStringLiteral("Salvare le modifiche alla copertina?")
            : QStringLiteral("Salvare le modifiche a %1?").arg(QFileInfo(file_).fileName());
    QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::Question, Application ? Application->Title() : QString(), text,
                        QMessageBox::NoButton, window_->Widget());
    QPushButton* yes = box->addButton(QStringLiteral("S\u00ec"), QMessageBox::YesRole);
    QPushButton* no = box->addButton(QStringLiteral("No"), QMessageBox::NoRole);
    QPushButton* cancel = box->addButton(QStringLiteral("Annulla"), QMessageBox::RejectRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(cancel);
    box->setObjectName(QStringLiteral("saveQuestion"));
    box->exec();
    if (!box) return false;
    QAbstractButton* pressed = box->clickedButton();
    delete box.data();
    if (pressed == yes) return Save();
    return pressed == no;
}

// ---- Drops -----------------------------------------------------------------------------

int TDesignDocument::CoverAt(const QPoint& globalPoint) const {
    const std::pair<TImage*, int> areas[] = {{window_->front, 0},
                                             {window_->Imagefronte, 0},
                                             {window_->rear, 1},
                                             {window_->Imagerear, 1}};
    for (const auto& [image, cover] : areas) {
        const QWidget* w = image ? image->Widget() : nullptr;
        if (w && w->isVisible() && w->rect().contains(w->mapFromGlobal(globalPoint))) return cover;
    }
    return -1;
}

bool TDesignDocument::Accepts(const QString& file, const QPoint& globalPoint) const {
    if (!window_ || file.isEmpty()) return false;
    if (IsDesignFileName(file)) return true;
    return IsPictureFileName(file) && CoverAt(globalPoint) >= 0;
}

bool TDesignDocument::Drop(const QString& file, const QPoint& globalPoint) {
    if (!Accepts(file, globalPoint)) return false;
    if (IsDesignFileName(file)) {
        if (ConfirmDiscard()) Open(file);
        return true;
    }
    // As if chosen in the cover's own dialog: the name is kept even when loading fails.
    TForm1& w = *window_;
    const bool front = CoverAt(globalPoint) == 0;
    TOpenDialog* dialog = front ? w.frontDialog : w.rearDialog;
    dialog->SetFileName(file);
    (front ? w.front : w.rear)->Picture()->LoadFromFile(file);
    (front ? w.Imagefronte : w.Imagerear)->Picture()->LoadFromFile(file);
    UpdateTitle();
    return true;
}

bool TDesignDocument::InWindow(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget && window_ && window_->Widget() && widget->window() == window_->Widget();
}

bool TDesignDocument::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        if (!InWindow(watched)) return false;
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData() || !drop->mimeData()->hasUrls()) return false;
        // Files are ours wherever they land: an edit would take their names as text.
        const QString file = LocalFile(drop->mimeData());
        const QPoint global =
            static_cast<QWidget*>(watched)->mapToGlobal(drop->position().toPoint());
        if (!Accepts(file, global)) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop)
            // After the drop has ended: opening may ask a question in a window of its own.
            QTimer::singleShot(
                0, this, [this, file, global] { SafeCall(window_, [&] { Drop(file, global); }); });
        return true;
    }
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
        QueueTitleUpdate();
        return false;
    default:
        return false;
    }
}
