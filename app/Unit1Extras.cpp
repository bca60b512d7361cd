// The main window's additions beside its specified controls, all reached from context menus:
// picture fit and crop, cutting and folding aids, and the rear text brought in from a track
// list and fitted to the card.
#include "app/Unit1.h"
#include "framework/core/Translations.h"

#include "app/CoverFormats.h"
#include "app/CoverPictures.h"
#include "app/TrackList.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QWidget>

namespace {

// Hands a widget's events to a function first.
class TEventHook : public QObject {
public:
    TEventHook(QObject* parent, std::function<bool(QEvent*)> hook)
        : QObject(parent), hook_(std::move(hook)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override { return hook_(event); }

private:
    std::function<bool(QEvent*)> hook_;
};

QSizeF CoverMillimetres(const TCoverDesign& d, TCover cover) {
    return cover == TCover::Front ? FrontFormat(d.frontFormat).millimetres
                                  : RearFormat(d.rearFormat).millimetres;
}

} // namespace

void TForm1::SetPictureFit(TCover cover, TPictureFit fit) {
    Change(
        nullptr, [&](TCoverDesign& d) { (cover == TCover::Front ? d.frontFit : d.rearFit) = fit; },
        Translate("TForm1", "Adattamento immagine"));
}

void TForm1::DragCrop(TCover cover, QPointF millimetres) {
    const TCoverDesign& d = Design();
    const bool isFront = cover == TCover::Front;
    if ((isFront ? d.frontFit : d.rearFit) != TPictureFit::Fill) return;
    TGraphic* graphic = document_->Pictures()->Graphic(isFront ? d.frontPicture : d.rearPicture);
    if (!graphic) return;
    const QRectF frame(QPointF(0, 0), CoverMillimetres(d, cover));
    const QPointF crop = CropAfterDrag(QSize(graphic->Width(), graphic->Height()), frame,
                                       isFront ? d.frontCrop : d.rearCrop, millimetres);
    Change(
        nullptr, [&](TCoverDesign& next) { (isFront ? next.frontCrop : next.rearCrop) = crop; },
        Translate("TForm1", "Ritaglio immagine"),
        isFront ? TCoverField::FrontCrop : TCoverField::RearCrop);
}

void TForm1::SetMarks(bool crop, bool fold) {
    Change(
        nullptr,
        [&](TCoverDesign& d) {
            d.cropMarks = crop;
            d.foldMarks = fold;
        },
        Translate("TForm1", "Segni di taglio e piega"));
}

void TForm1::SetFitRearText(bool fit) {
    Change(
        nullptr, [&](TCoverDesign& d) { d.fitRearText = fit; },
        Translate("TForm1", "Adatta il testo"));
}

// The whole list in one step; a source that gives no track says why and changes nothing.
void TForm1::FillRearText(const QString& trackList) {
    const QStringList lines = TrackLines(ReadTrackList(trackList));
    Change(
        nullptr, [&](TCoverDesign& d) { d.rearLines = lines; }, QStringLiteral("Tracce"));
}

bool TForm1::DragsCrop(TCover cover, QEvent* event) {
    const int i = static_cast<int>(cover);
    TImage* area = cover == TCover::Front ? front : rear;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        dragFrom_[i] = static_cast<QMouseEvent*>(event)->position().toPoint();
        dragged_[i] = false;
        return false;
    case QEvent::MouseMove: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (!(e->buttons() & Qt::LeftButton)) return false;
        const QPoint at = e->position().toPoint(), moved = at - dragFrom_[i];
        if (!dragged_[i] && moved.manhattanLength() < 4) return false;
        const TPictureFit fit = cover == TCover::Front ? Design().frontFit : Design().rearFit;
        if (fit != TPictureFit::Fill || area->Width() <= 0 || area->Height() <= 0) return false;
        dragged_[i] = true;
        dragFrom_[i] = at;
        const QSizeF mm = CoverMillimetres(Design(), cover);
        SafeCall(this, [&] {
            DragCrop(cover, QPointF(moved.x() * mm.width() / area->Width(),
                                    moved.y() * mm.height() / area->Height()));
        });
        return true;
    }
    case QEvent::MouseButtonRelease:
        // A drag opens no picture.
        return std::exchange(dragged_[i], false);
    default:
        return false;
    }
}

void TForm1::InstallCoverMenus() {
    // The picture areas: fit, and the sheet's cutting and folding aids.
    const auto pictureMenu = [this](TCover cover, QWidget* widget, QPoint at) {
        QMenu menu(widget);
        const TCoverDesign& d = Design();
        const TPictureFit now = cover == TCover::Front ? d.frontFit : d.rearFit;
        const std::pair<TPictureFit, QString> fits[] = {
            {TPictureFit::Stretch, Translate("TForm1", "Immagine deformata sulla copertina")},
            {TPictureFit::Fit, Translate("TForm1", "Immagine intera nella copertina")},
            {TPictureFit::Fill, Translate("TForm1", "Immagine che riempie la copertina")}};
        for (const auto& [fit, caption] : fits) {
            QAction* a = menu.addAction(caption);
            a->setCheckable(true);
            a->setChecked(fit == now);
            connect(a, &QAction::triggered, this,
                    [this, cover, fit] { SafeCall(this, [&] { SetPictureFit(cover, fit); }); });
        }
        menu.addSeparator();
        QAction* crop = menu.addAction(Translate("TForm1", "Segni di taglio"));
        crop->setCheckable(true);
        crop->setChecked(d.cropMarks);
        connect(crop, &QAction::triggered, this,
                [this](bool on) { SafeCall(this, [&] { SetMarks(on, Design().foldMarks); }); });
        QAction* fold = menu.addAction(Translate("TForm1", "Linee di piega"));
        fold->setCheckable(true);
        fold->setChecked(d.foldMarks);
        connect(fold, &QAction::triggered, this,
                [this](bool on) { SafeCall(this, [&] { SetMarks(Design().cropMarks, on); }); });
        menu.exec(widget->mapToGlobal(at));
    };
    const std::pair<TCover, TControl*> areas[] = {
        {TCover::Front, Panel1},      {TCover::Front, front},   {TCover::Front, Panelfronte},
        {TCover::Front, Imagefronte}, {TCover::Rear, Panel2},   {TCover::Rear, rear},
        {TCover::Rear, Panelrear},    {TCover::Rear, Imagerear}};
    for (const auto& [cover, control] : areas) {
        control->HandleNeeded();
        QWidget* w = control->Widget();
        if (!w) continue;
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [pictureMenu, cover = cover, w](QPoint at) { pictureMenu(cover, w, at); });
    }
    for (TCover cover : {TCover::Front, TCover::Rear}) {
        TImage* area = cover == TCover::Front ? front : rear;
        if (QWidget* w = area->Widget())
            w->installEventFilter(
                new TEventHook(w, [this, cover](QEvent* e) { return DragsCrop(cover, e); }));
    }

    // The rear text: its track list brought in, and fitted to the card.
    Memo2->HandleNeeded();
    auto* edit = qobject_cast<QPlainTextEdit*>(Memo2->Widget());
    if (!edit) return;
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit, &QWidget::customContextMenuRequested, this, [this, edit](QPoint at) {
        std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
        menu->addSeparator();
        connect(menu->addAction(Translate("TForm1", "Tracce da un file...")), &QAction::triggered,
                this, [this, edit] {
                    const QString file = QFileDialog::getOpenFileName(
                        edit, Translate("TForm1", "Tracce da un file"), QString(),
                        Translate("TForm1", "Elenchi di tracce (*.txt *.cue);;Tutti i file (*)"));
                    if (!file.isEmpty()) SafeCall(this, [&] { FillRearText(file); });
                });
        connect(menu->addAction(Translate("TForm1", "Tracce da una cartella...")),
                &QAction::triggered, this, [this, edit] {
                    const QString folder = QFileDialog::getExistingDirectory(
                        edit, Translate("TForm1", "Tracce da una cartella"));
                    if (!folder.isEmpty()) SafeCall(this, [&] { FillRearText(folder); });
                });
        QAction* fit = menu->addAction(Translate("TForm1", "Adatta il testo al retro"));
        fit->setCheckable(true);
        fit->setChecked(Design().fitRearText);
        connect(fit, &QAction::triggered, this,
                [this](bool on) { SafeCall(this, [&] { SetFitRearText(on); }); });
        menu->exec(edit->mapToGlobal(at));
    });
}
