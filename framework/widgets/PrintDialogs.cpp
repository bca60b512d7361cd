#include "framework/widgets/PrintDialogs.h"

#include "framework/core/Limits.h"
#include "framework/core/SysUtils.h"
#include "framework/printing/PrintServer.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

namespace {

QWidget* DialogParent() {
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    return QApplication::activeWindow();
}

// Starts the Qt printer where the framework printer stands.
void Preset(QPrinter& qt, const TPrinter& printer) {
    if (printer.IsPdfPrinter()) {
        qt.setOutputFormat(QPrinter::PdfFormat);
        QString file = printer.OutputFileName();
        if (file.isEmpty()) file = QDir::current().absoluteFilePath(QStringLiteral("print.pdf"));
        qt.setOutputFileName(file);
    } else {
        qt.setPrinterName(printer.DeviceName());
    }
    const TDeviceMode& m = printer.DeviceMode();
    qt.setPageOrientation(m.dmOrientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape
                                                                : QPageLayout::Portrait);
    if ((m.dmFields & DM_PAPERSIZE) && m.dmPaperSize != DMPAPER_USER) {
        const QPageSize size(QPageSize::id(m.dmPaperSize));
        if (size.isValid()) qt.setPageSize(size);
    }
    qt.setCopyCount(std::max(1, m.dmCopies));
    qt.setCollateCopies(m.dmCollate != 0);
    qt.setDuplex(m.dmDuplex == DMDUP_VERTICAL     ? QPrinter::DuplexLongSide
                 : m.dmDuplex == DMDUP_HORIZONTAL ? QPrinter::DuplexShortSide
                                                  : QPrinter::DuplexNone);
}

// The device mode for what the dialog chose, starting from base.
TDeviceMode ChosenMode(const QPrinter& qt, const TPrinter& printer, TDeviceMode m) {
    m.dmOrientation = qt.pageLayout().orientation() == QPageLayout::Landscape ? DMORIENT_LANDSCAPE
                                                                              : DMORIENT_PORTRAIT;
    const QPageSize size = qt.pageLayout().pageSize();
    if (printer.PaperCodes().contains(size.windowsId()) && size.windowsId() != DMPAPER_USER) {
        m.dmPaperSize = size.windowsId();
    } else if (printer.PaperCodes().contains(DMPAPER_USER)) {
        const QSizeF mm = size.size(QPageSize::Millimeter);
        m.dmPaperSize = DMPAPER_USER;
        m.dmPaperWidth = RoundInt(mm.width() * 10);
        m.dmPaperLength = RoundInt(mm.height() * 10);
    }
    m.dmCopies = std::max(1, qt.copyCount());
    m.dmCollate = qt.collateCopies() ? 1 : 0;
    if (printer.SupportsDuplex())
        m.dmDuplex = qt.duplex() == QPrinter::DuplexLongSide    ? DMDUP_VERTICAL
                     : qt.duplex() == QPrinter::DuplexShortSide ? DMDUP_HORIZONTAL
                                                                : DMDUP_SIMPLEX;
    return m;
}

// Qt's dialog names its file entry, the last of its printer list, in its own words: it is
// given the name the printer list uses.
void NameFileEntry(QPrintDialog* dialog) {
    auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
    if (!printers || printers->count() == 0) return;
    printers->setItemText(printers->count() - 1, TPrinter::PdfPrinterName());
}

// Qt's dialog starts at a queue even for a printer that writes a file: its own file entry
// is chosen here.
void StartAtFile(QPrintDialog* dialog, const QString& file) {
    auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
    if (!printers || printers->count() == 0) return;
    printers->setCurrentIndex(printers->count() - 1);
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("filename"))) name->setText(file);
}

// A tab of the dialog's options with the chosen printer's offset in millimetres; it shows
// the offset kept for the queue chosen in the dialog, and none for the PDF file printer,
// whose files are never moved.
class TOffsetTab : public QWidget {
public:
    TOffsetTab() {
        setObjectName(QStringLiteral("offsetTab"));
        setWindowTitle(QCoreApplication::translate("TPrintDialog", "Offset"));
        auto* form = new QFormLayout(this);
        for (QDoubleSpinBox** box : {&x_, &y_}) {
            *box = new QDoubleSpinBox(this);
            (*box)->setRange(-kMaxPrinterOffsetMm, kMaxPrinterOffsetMm);
            (*box)->setDecimals(1);
            (*box)->setSingleStep(0.5);
            (*box)->setSuffix(QStringLiteral(" mm"));
        }
        x_->setObjectName(QStringLiteral("offsetX"));
        y_->setObjectName(QStringLiteral("offsetY"));
        form->addRow(QCoreApplication::translate("TPrintDialog", "Horizontal:"), x_);
        form->addRow(QCoreApplication::translate("TPrintDialog", "Vertical:"), y_);
    }
    // Shows the offset kept for the printer of this name.
    void ShowFor(const QString& printer, bool isFile) {
        const TPrinterOffset kept = isFile ? TPrinterOffset{} : TPrinter::StoredOffset(printer);
        x_->setValue(kept.x);
        y_->setValue(kept.y);
        x_->setEnabled(!isFile);
        y_->setEnabled(!isFile);
    }
    TPrinterOffset Offset() const { return {x_->value(), y_->value()}; }

private:
    QDoubleSpinBox* x_ = nullptr;
    QDoubleSpinBox* y_ = nullptr;
};

// Follows the dialog's printer list with the offset tab.
void FollowPrinters(QPrintDialog* dialog, TOffsetTab* tab) {
    auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
    if (!printers) return;
    auto show = [printers, tab] {
        const int i = printers->currentIndex();
        tab->ShowFor(printers->currentText(), i < 0 || i == printers->count() - 1);
    };
    QObject::connect(printers, &QComboBox::currentIndexChanged, tab, show);
    show();
}

} // namespace

TPrintDialog::TPrintDialog(TComponent* owner) : TCommonDialog(owner), printer_(nullptr) {}

TPrintDialog::~TPrintDialog() = default;

void TPrintDialog::SetCopies(int v) {
    copies_ = v;
    if (!printer_ || !(printer_->DeviceMode().dmFields & DM_COPIES) || v < 1) return;
    TDeviceMode m = printer_->DeviceMode();
    m.dmCopies = v;
    printer_->SetDeviceMode(m);
}

bool TPrintDialog::Execute() {
    if (!printer_) throw EPrinter(QStringLiteral("The print dialog has no printer"));
    TPrinter& printer = *printer_;
    // Qt's dialog lists the queues itself, with no bound on the wait: the print server is
    // asked first, within the bound of every exchange with it, and a server that does not
    // answer is an error before the dialog opens.
    PrintServer::Queues(true);
    // The dialog writes its choice into this printer, which must outlive it.
    QPrinter qt(QPrinter::HighResolution);
    Preset(qt, printer);
    if (copies_ > 0) qt.setCopyCount(copies_);
    qt.setCollateCopies(collate_);

    QPointer<QPrintDialog> dialog = new QPrintDialog(&qt, DialogParent());
    struct Release {
        QPointer<QPrintDialog>& d;
        ~Release() { delete d.data(); }
    } release{dialog};
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog->setOption(QAbstractPrintDialog::PrintPageRange, options_.testFlag(poPageNums));
    dialog->setOption(QAbstractPrintDialog::PrintSelection, options_.testFlag(poSelection));
    dialog->setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    dialog->setOption(QAbstractPrintDialog::PrintShowPageSize, true);
    dialog->setMinMax(minPage_, maxPage_);
    if (fromPage_ <= toPage_) dialog->setFromTo(fromPage_, toPage_);
    dialog->setPrintRange(printRange_ == prSelection  ? QAbstractPrintDialog::Selection
                          : printRange_ == prPageNums ? QAbstractPrintDialog::PageRange
                                                      : QAbstractPrintDialog::AllPages);

    // Beside Qt's own options: the printer's offset.
    auto* offsetTab = new TOffsetTab;
    dialog->setOptionTabs({offsetTab});

    // Once shown: showing fills the list and sets it back to the queue.
    const QString file = qt.outputFileName();
    const bool atFile = printer.IsPdfPrinter();
    QTimer::singleShot(0, dialog, [d = dialog.data(), file, atFile, offsetTab] {
        NameFileEntry(d);
        if (atFile) StartAtFile(d, file);
        FollowPrinters(d, offsetTab);
    });

    if (RunModal(QPointer<QDialog>(dialog.data())) != QDialog::Accepted || !dialog) return false;

    const bool toFile = qt.outputFormat() == QPrinter::PdfFormat;
    const QString name = toFile ? TPrinter::PdfPrinterName() : qt.printerName();
    const int oldIndex = printer.PrinterIndex();
    const TDeviceMode oldMode = printer.DeviceMode();
    try {
        if (name != printer.DeviceName()) printer.SetPrinterName(name);
        printer.SetDeviceMode(ChosenMode(qt, printer, printer.DeviceMode()));
    } catch (...) {
        // Nothing of a choice the printer cannot take is kept.
        printer.SetPrinterIndex(oldIndex);
        printer.SetDeviceMode(oldMode);
        throw;
    }
    if (toFile)
        printer.SetOutputFileName(qt.outputFileName());
    else
        TPrinter::StoreOffset(name, offsetTab->Offset());
    printToFile_ = toFile;
    collate_ = qt.collateCopies();
    const int count = qt.copyCount();
    copies_ = count == 1 ? printer.DeviceMode().dmCopies : count;
    switch (dialog->printRange()) {
    case QAbstractPrintDialog::Selection:
        printRange_ = prSelection;
        break;
    case QAbstractPrintDialog::PageRange:
        printRange_ = prPageNums;
        break;
    default:
        printRange_ = prAllPages;
        break;
    }
    fromPage_ = dialog->fromPage();
    toPage_ = dialog->toPage();
    return true;
}

void InstallPrintQuestions() {
    SetOutputFileQuestion([](const QString& title) -> std::optional<QString> {
        TSaveDialog dialog(nullptr);
        dialog.SetTitle(TPrinter::PdfPrinterName());
        dialog.SetFilter(QStringLiteral("PDF|*.pdf"));
        dialog.SetDefaultExt(QStringLiteral("pdf"));
        dialog.SetOptions(dialog.Options() | TDialogsEnums::ofOverwritePrompt);
        QString suggested = title.trimmed();
        suggested.replace(QLatin1Char('/'), QLatin1Char('_'));
        dialog.SetFileName((suggested.isEmpty() ? QStringLiteral("print") : suggested) +
                           QStringLiteral(".pdf"));
        if (!dialog.Execute()) return std::nullopt;
        return dialog.FileName();
    });
}

void InstallReplaceQuestion() {
    // The editor's window stays alive while it waits on the print server.
    PrintServer::SetResponsiveWaits(true);
    SetReplaceQuestion([](const QString& file) {
        QPointer<QMessageBox> box =
            new QMessageBox(QMessageBox::Question, TPrinter::PdfPrinterName(),
                            QStringLiteral("Il file %1 esiste gi\u00e0. Sostituirlo?")
                                .arg(QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath())),
                            QMessageBox::NoButton, DialogParent());
        struct Release {
            QPointer<QMessageBox>& b;
            ~Release() { delete b.data(); }
        } release{box};
        QPushButton* yes = box->addButton(QStringLiteral("S\u00ec"), QMessageBox::YesRole);
        QPushButton* no = box->addButton(QStringLiteral("No"), QMessageBox::NoRole);
        box->setDefaultButton(no);
        box->setEscapeButton(no);
        box->setWindowModality(Qt::ApplicationModal);
        box->exec();
        return box && box->clickedButton() == yes;
    });
}
