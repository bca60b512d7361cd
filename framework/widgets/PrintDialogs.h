#pragma once
// The print dialog: the user chooses printer, orientation, paper, copies, collation,
// two-sided printing, a page range, or a PDF file. Execute works on a framework printer
// object (the application-wide one unless told otherwise) and, when confirmed, selects
// the chosen printer there and hands it the chosen device mode. The dialog is modal to
// the whole program; while it is open, TCommonDialog::ActiveDialog() is its window.
//
// Also the question a PDF job asks for its file, installed at start-up.

#include "framework/printing/Printers.h"
#include "framework/widgets/Dialogs.h"

class TPrintDialogEnums : public QObject {
    Q_OBJECT
public:
    enum TPrintDialogOption {
        poPrintToFile = 1 << 0,
        poPageNums = 1 << 1,
        poSelection = 1 << 2,
        poWarning = 1 << 3,
        poHelp = 1 << 4,
        poDisablePrintToFile = 1 << 5,
    };
    Q_DECLARE_FLAGS(TPrintDialogOptions, TPrintDialogOption)
    Q_FLAG(TPrintDialogOptions)

    enum TPrintRange { prAllPages, prSelection, prPageNums };
    Q_ENUM(TPrintRange)
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TPrintDialogEnums::TPrintDialogOptions)
using TPrintDialogOptions = TPrintDialogEnums::TPrintDialogOptions;
using TPrintRange = TPrintDialogEnums::TPrintRange;
inline constexpr auto poPrintToFile = TPrintDialogEnums::poPrintToFile;
inline constexpr auto poPageNums = TPrintDialogEnums::poPageNums;
inline constexpr auto poSelection = TPrintDialogEnums::poSelection;
inline constexpr auto poWarning = TPrintDialogEnums::poWarning;
inline constexpr auto poHelp = TPrintDialogEnums::poHelp;
inline constexpr auto poDisablePrintToFile = TPrintDialogEnums::poDisablePrintToFile;
inline constexpr auto prAllPages = TPrintDialogEnums::prAllPages;
inline constexpr auto prSelection = TPrintDialogEnums::prSelection;
inline constexpr auto prPageNums = TPrintDialogEnums::prPageNums;

class TPrintDialog : public TCommonDialog {
    Q_OBJECT
    Q_PROPERTY(bool Collate READ Collate WRITE SetCollate)
    Q_PROPERTY(int Copies READ Copies WRITE SetCopies)
    Q_PROPERTY(int FromPage READ FromPage WRITE SetFromPage)
    Q_PROPERTY(int MinPage READ MinPage WRITE SetMinPage)
    Q_PROPERTY(int MaxPage READ MaxPage WRITE SetMaxPage)
    Q_PROPERTY(TPrintDialogEnums::TPrintDialogOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(bool PrintToFile READ PrintToFile WRITE SetPrintToFile)
    Q_PROPERTY(TPrintDialogEnums::TPrintRange PrintRange READ PrintRange WRITE SetPrintRange)
    Q_PROPERTY(int ToPage READ ToPage WRITE SetToPage)
public:
    explicit TPrintDialog(TComponent* owner);
    ~TPrintDialog() override;

    // The printer the dialog starts from and sets (not owned); Execute needs one.
    TPrinter* Printer() const { return printer_; }
    void SetPrinter(TPrinter* printer) { printer_ = printer; }

    bool Collate() const { return collate_; }
    void SetCollate(bool v) { collate_ = v; }
    // Also sets the copies of the printer's device mode (when the printer takes them).
    int Copies() const { return copies_; }
    void SetCopies(int v);
    int FromPage() const { return fromPage_; }
    void SetFromPage(int v) { fromPage_ = v; }
    int ToPage() const { return toPage_; }
    void SetToPage(int v) { toPage_ = v; }
    int MinPage() const { return minPage_; }
    void SetMinPage(int v) { minPage_ = v; }
    int MaxPage() const { return maxPage_; }
    void SetMaxPage(int v) { maxPage_ = v; }
    TPrintDialogOptions Options() const { return options_; }
    void SetOptions(TPrintDialogOptions o) { options_ = o; }
    // The PDF file printer was chosen; its file is the printer's OutputFileName.
    bool PrintToFile() const { return printToFile_; }
    void SetPrintToFile(bool v) { printToFile_ = v; }
    TPrintRange PrintRange() const { return printRange_; }
    void SetPrintRange(TPrintRange r) { printRange_ = r; }

    bool Execute() override;

private:
    TPrinter* printer_;
    bool collate_ = false;
    int copies_ = 0;
    int fromPage_ = 0, toPage_ = 0, minPage_ = 0, maxPage_ = 0;
    TPrintDialogOptions options_;
    bool printToFile_ = false;
    TPrintRange printRange_ = prAllPages;
};

// Makes PDF jobs ask for their file with a save dialog.
void InstallPrintQuestions();
// Makes a PDF job whose file was named before (in the printer set-up) and exists ask
// "Sì"/"No" before replacing it; "No" asks for another file, the document's name
// proposed. The editor installs it; without it the named file is replaced. It also makes
// the editor's waits on the print server keep its window painting (PrintServer.h).
void InstallReplaceQuestion();
