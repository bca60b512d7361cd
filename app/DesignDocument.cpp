#include "app/DesignDocument.h"
#include "framework/core/Translations.h"

#include "app/CoverPictures.h"
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

// ---- Opening a design --------------------------------------------------------------------

// The font and colour dialogs start from the design's fonts: the colour dialog's colour is
// what a click on the miniature and a font's Apply give the labels.
void GiveFont(const TCoverFont& font, TFontDialog* fonts, TColorDialog* colours) {
    font.GiveTo(fonts->Font(), font.size);
    colours->SetColor(font.color);
}

QString LocalFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return {};
    const QUrl url = mime->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

// The photo kinds the picture dialogs offer; icons and metafiles are not covers.
bool IsPictureFileName(const QString& file) {
    static const QStringList kinds{QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                   QStringLiteral("bmp"), QStringLiteral("png"),
                                   QStringLiteral("gif")};
    return kinds.contains(QFileInfo(file).suffix().toLower());
}

} // namespace

QStringList ApplyDesign(TForm1& w, const TCoverDesign& d, const QString& file) {
    w.Document()->Reset(d, file);
    w.frontDialog->SetFileName(d.frontPicture);
    w.rearDialog->SetFileName(d.rearPicture);
    GiveFont(d.frontFont, w.FontDialogfront, w.ColorDialogfront);
    GiveFont(d.bandFont, w.FontDialogbande, w.ColorDialogbande);
    GiveFont(d.rearFont, w.FontDialogrear, w.ColorDialogrear);
    // The window goes on while the pictures are read; their names stay the design's
    // whether or not they can be.
    TCoverPictures* pictures = w.Document()->Pictures();
    QStringList problems;
    if (!pictures->Wait({d.frontPicture, d.rearPicture})) return problems;
    for (const auto& [cover, picture] :
         {std::pair{TCover::Front, d.frontPicture}, std::pair{TCover::Rear, d.rearPicture}}) {
        const QString problem = picture.isEmpty() ? QString() : pictures->Problem(picture);
        if (!problem.isEmpty()) problems << PictureProblem(cover, picture, problem);
    }
    return problems;
}

// ---- The document ----------------------------------------------------------------------

TDesignDocument::TDesignDocument(TForm1* window) : window_(window), cover_(window->Document()) {
    title_ = window->Caption();
    connect(cover_, &TCoverDocument::FileNameChanged, this, [this] { UpdateTitle(); });
    connect(cover_, &TCoverDocument::ModifiedChanged, this, [this] { UpdateTitle(); });
    const QString filter =
        QStringLiteral("Copertina Sleevane|*.%1").arg(QLatin1String(kDesignExtension));
    openDialog_ = new TOpenDialog(window);
    openDialog_->SetFilter(filter);
    openDialog_->SetTitle(Translate("TDesignDocument", "Apri copertina"));
    openDialog_->SetOptions(openDialog_->Options() | TDialogsEnums::ofFileMustExist);
    saveDialog_ = new TSaveDialog(window);
    saveDialog_->SetFilter(filter);
    saveDialog_->SetTitle(Translate("TDesignDocument", "Salva copertina"));
    saveDialog_->SetDefaultExt(QLatin1String(kDesignExtension));
    saveDialog_->SetOptions(saveDialog_->Options() | TDialogsEnums::ofOverwritePrompt);
    window->OnCloseQuery = [this](TObject*, bool& canClose) { canClose = ConfirmDiscard(); };
    InstallShortcuts();
    // Only for files dropped on the window: the cover itself is the document's.
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
    return cover_ && cover_->Modified();
}

const QString& TDesignDocument::FileName() const {
    static const QString none;
    return cover_ ? cover_->FileName() : none;
}

void TDesignDocument::UpdateTitle() {
    if (!window_ || !cover_) return;
    const QString& file_ = cover_->FileName();
    if (file_.isEmpty()) {
        window_->SetCaption(title_);
        return;
    }
    const QString mark = Modified() ? QStringLiteral("*") : QString();
    window_->SetCaption(QStringLiteral("%1 - %2%3").arg(title_, mark, QFileInfo(file_).fileName()));
}

void TDesignDocument::Open(const QString& file) {
    const TCoverDesign design = ReadDesignFile(file);
    const QStringList problems = ApplyDesign(*window_, design, QFileInfo(file).absoluteFilePath());
    if (!problems.isEmpty() && Application)
        Application->HandleException(Exception(problems.join(QLatin1Char('\n'))));
}

void TDesignDocument::SaveTo(const QString& file) {
    WriteDesignFile(file, cover_->Design());
    cover_->MarkSaved(QFileInfo(file).absoluteFilePath());
}

bool TDesignDocument::Save() {
    if (FileName().isEmpty()) return SaveAs();
    SaveTo(FileName());
    return true;
}

bool TDesignDocument::SaveAs() {
    saveDialog_->SetFileName(FileName());
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
    const QString text = FileName().isEmpty()
                             ? Translate("TDesignDocument", "Salvare le modifiche alla copertina?")
                             : Translate("TDesignDocument", "Salvare le modifiche a %1?")
                                   .arg(QFileInfo(FileName()).fileName());
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
    // As if chosen in the cover's own dialog: the name is kept even when reading fails.
    const bool front = CoverAt(globalPoint) == 0;
    (front ? window_->frontDialog : window_->rearDialog)->SetFileName(file);
    TCoverDesign next = cover_->Design();
    (front ? next.frontPicture : next.rearPicture) = file;
    cover_->Change(next, QStringLiteral("Immagine"));
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
    default:
        return false;
    }
}
