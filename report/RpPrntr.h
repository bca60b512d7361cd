#pragma once
// The report printer: what a report pass draws into. Each page gets a canvas; a finished
// page is kept as an enhanced metafile in the page store or goes to a printer. Also the
// messages it sends the windows that watch it, and the preview factory.

#include "framework/core/Classes.h"
#include "framework/graphics/Metafile.h"
#include "framework/printing/Printers.h"
#include "framework/widgets/Controls.h"
#include "framework/widgets/Forms.h"
#include "report/RpPrntrSettings.h"
#include "report/pagestore/RpPrntrFile.h"
#include "report/pagestore/RpPrntrPages.h"
#include "report/pagestore/RpPrntrStream.h"
#include "report/pagestore/RpTypes.h"

#include <QPointer>
#include <functional>
#include <memory>

class TRpPrinter;
class TRpExportFilter;

// Where a report printer's pages go: kept as metafiles in its page store, or printed.
enum TRpPrinterDestination : uint8_t { pdPageStore, pdPrinter };
// A report printer's job: none, open, or ended with its pages fetchable.
enum TRpPrinterStatus : uint8_t { stReady, stBusy, stFinished };

// Messages between the report printer and the windows that watch it.
inline constexpr unsigned RPM_PROGRESS = WM_USER + 0;      // wParam: percent
inline constexpr unsigned RPM_PAGEREADY = WM_USER + 1;     // wParam: pages ready
inline constexpr unsigned RPM_PRINTREQUEST = WM_USER + 2;  // the report prints again
inline constexpr unsigned RPM_PREVIEWCLOSED = WM_USER + 4; // lParam: the report printer

// ---- Preview factory -------------------------------------------------------------------

// Opens the preview window of a report printer and returns it (the window frees itself
// when closed).
class TRpPreviewInterface {
public:
    virtual ~TRpPreviewInterface() = default;
    // The window, shown without waiting; this base class makes none.
    virtual TForm* ShowPreview(TRpPrinter*) { return nullptr; }
    // The window shown modally; none when it freed itself on closing.
    virtual TForm* ShowPreviewModal(TRpPrinter*) { return nullptr; }
};
// The program-wide class that OpenPreview instantiates.
using TRpPreviewInterfaceClass = std::function<std::unique_ptr<TRpPreviewInterface>()>;
void SetPreviewInterfaceClass(TRpPreviewInterfaceClass factory);
// The standard preview window's factory, which the program starts with.
TRpPreviewInterfaceClass StandardPreviewInterfaceClass();
const TRpPreviewInterfaceClass& PreviewInterfaceClass();
template <class T> void RegisterPreviewInterface() {
    SetPreviewInterfaceClass([] { return std::make_unique<T>(); });
}

// ---- Report printer --------------------------------------------------------------------

using TRpAfterPrintEvent = std::function<void(TObject*)>;
using TRpAfterPreviewEvent = std::function<void(TObject*)>;
using TRpExportEvent = std::function<void(TRpExportFilter*)>;
using TRpPrintSetupEvent = std::function<void(TObject*)>;

class TRpPrinter : public TPersistent {
    Q_OBJECT
public:
    explicit TRpPrinter(QObject* parent = nullptr);
    ~TRpPrinter() override;

    // -- Device values, set before StartJob
    void SetPrinterIndex(int index);
    // Selects a printer by name with its driver's defaults; EPrinter naming it when there
    // is no such printer (a queue removed since it was chosen).
    void SetPrinterName(const QString& name);
    void SetDuplex(bool duplex) { deviceSettings_.SetDuplex(duplex); }
    void SetCollate(bool collate) { deviceSettings_.SetCollate(collate); }
    // The file a job of the PDF file printer writes; empty: asked when the job begins.
    void SetOutputFileName(const QString& name);
    TRpPaperSize PaperSize() const { return deviceSettings_.PaperSize(); }
    void SetPaperSize(TRpPaperSize size) { deviceSettings_.SetPaperSize(size); }
    // 0.1 mm, taken only while the paper size is Custom.
    void SetPaperWidth(int width) { deviceSettings_.SetPaperWidth(width); }
    void SetPaperLength(int length) { deviceSettings_.SetPaperLength(length); }
    TPrinterOrientation Orientation() const { return deviceSettings_.Orientation(); }
    void SetOrientation(TPrinterOrientation o) { deviceSettings_.SetOrientation(o); }
    int Copies() const { return deviceSettings_.Copies(); }
    void SetCopies(int copies) { deviceSettings_.SetCopies(copies); }
    TRpBin OutputBin() const { return deviceSettings_.OutputBin(); }
    void SetOutputBin(TRpBin bin) { deviceSettings_.SetOutputBin(bin); }
    int FirstPage() const { return firstPage_; }
    void SetFirstPage(int page) { firstPage_ = page; }
    int LastPage() const { return lastPage_; }
    void SetLastPage(int page) { lastPage_ = page; }
    const QString& Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }
    TRpPrinterDestination Destination() const { return destination_; }
    void SetDestination(TRpPrinterDestination d) { destination_ = d; }
    bool Compressed() const { return pageList_->Compressed(); }
    void SetCompressed(bool c) { pageList_->SetCompressed(c); }

    // The printer a job goes to; none until a pass to the printer, the printing of kept
    // pages or SetPrinterIndex asks for it (only then is the print server asked).
    TPrinter* DevicePrinter() const { return devicePrinter_.get(); }
    TPrinterSettings& DeviceSettings() { return deviceSettings_; }
    const TPrinterSettings& DeviceSettings() const { return deviceSettings_; }

    // -- Geometry: 0.1 mm in, device pixels out
    // Page width and length in 0.1 mm for the present orientation.
    int PaperWidth() const;
    int PaperLength() const;
    int ToDeviceX(long double x) const;
    int ToDeviceY(long double y) const;
    int ToDeviceWidth(long double w) const;
    int ToDeviceHeight(long double h) const;
    long double XFactor() const { return xFactor_; }
    long double YFactor() const { return yFactor_; }
    int LeftOffset() const { return leftOffset_; }
    int TopOffset() const { return topOffset_; }

    // -- The pass
    void StartJob();
    void StartNewPage();
    void FinishJob();
    void AbortJob();
    // Ends a pass that failed: the job is dropped as by AbortJob, and its pages, only what
    // the pass drew before it failed, cannot be saved.
    void FailJob();
    bool Failed() const { return failed_; }
    void RequestCancel() { cancelRequested_ = true; }
    void ResetJob();
    // The canvas of the open page; null while none is open.
    TCanvas* PageCanvas() const { return pageCanvas_; }
    TMetafile* PageMetafile() const { return pageMetafile_.get(); }
    TRpPrinterStatus Status() const { return status_; }
    bool CancelRequested() const { return cancelRequested_; }
    int CurrentPage() const { return currentPage_; }
    int PagesBegun() const { return pagesBegun_; }
    int PagesReady() const { return pagesReady_; }
    int ProgressPercent() const { return progressPercent_; }
    bool FromFile() const { return fromFile_; }

    // -- Watching windows
    TControl* ClientWindow() const { return clientWindow_; }
    void SetClientWindow(TControl* w) { clientWindow_ = w; }
    TControl* MasterWindow() const { return masterWindow_; }
    void SetMasterWindow(TControl* w) { masterWindow_ = w; }
    void PostProgress(int percent);
    void PostPagesReady(int count);

    // -- Kept pages
    // A copy of kept page n, owned by the caller; none when there is no such page (yet).
    std::unique_ptr<TMetafile> FetchPage(int n);
    TRpPageList* PageList() const { return pageList_.get(); }
    TRpStream* PageStream() const { return pageStream_.get(); }
    // The preview's Print: asks the master window (the report) when there is one, which
    // prints its pages or runs its pass again with the printer set-up's choices; otherwise
    // PrintLoadedPages.
    void PrintKeptPages();
    // Prints the kept pages as they are on the selected printer with the device settings,
    // copies and page range; a cancel or an error drops the whole job.
    void PrintLoadedPages();
    void SaveToFile(const QString& fileName);
    void LoadFromFile(const QString& fileName);
    // Replaces the kept pages by those of a report file already read and checked whole
    // (ReadReportFile, or a TRpReportFileLoad that has ended).
    void TakeReportFile(TRpReportFile file);

    // -- Preview
    // Calls PreviewHandler when set, else opens the registered preview window; raises
    // ERpError when there is neither.
    void OpenPreview();
    TForm* PreviewForm() const { return previewForm_; }
    bool PreviewShowing() const { return previewShowing_; }
    void SetPreviewShowing(bool showing);
    // Sends RPM_PREVIEWCLOSED to the master window, which may free this printer: nothing
    // of this object is touched after the send.
    void NotifyPreviewClosed();

    TRpAfterPrintEvent AfterPrintHandler;
    TRpAfterPreviewEvent AfterPreviewHandler;
    TRpExportEvent ExportHandler;
    TNotifyEvent PreviewHandler;
    TRpPrintSetupEvent PrintSetupHandler;

private:
    void ClosePage();
    void OpenPage();
    void ReleasePage() noexcept;
    void DetectPaper(const TMetafile& first);
    bool IsPageInRange() const;
    void CloseDevicePage();
    void OpenDevicePage();
    void PrintKeptPage(int n);

    // Which printer list a step needs: any (the one made so far), the PDF file printer
    // alone, or the print server's queues.
    enum class TPrinterNeed { Any, FileOnly, Queues };
    TPrinter& OpenDevicePrinter(bool keepChoices, TPrinterNeed need = TPrinterNeed::Any);

    std::unique_ptr<TPrinter> filePrinter_;
    std::unique_ptr<TPrinter> devicePrinter_;
    // Kept apart from the device printer, which is made only when a job needs it.
    QString outputFile_;
    TPrinterSettings deviceSettings_;
    std::unique_ptr<TRpStream> pageStream_;
    int pagesReady_ = 0;
    bool cancelRequested_ = false;
    TCanvas* pageCanvas_ = nullptr;
    std::unique_ptr<TMetafileCanvas> metafileCanvas_;
    TRpPrinterDestination destination_ = pdPageStore;
    int firstPage_ = 0, lastPage_ = 0;
    int leftOffset_ = 0, topOffset_ = 0;
    QPointer<TControl> clientWindow_;
    QPointer<TControl> masterWindow_;
    std::unique_ptr<TMetafile> pageMetafile_;
    int pagesBegun_ = 0;
    int currentPage_ = 0;
    int progressPercent_ = 0;
    QString title_;
    bool previewShowing_ = false;
    TRpPrinterStatus status_ = stReady;
    long double xFactor_ = 1.0L, yFactor_ = 1.0L;
    std::unique_ptr<TRpPageList> pageList_;
    QPointer<TForm> previewForm_;
    bool fromFile_ = false;
    bool failed_ = false;
};
