#pragma once
// The report: page geometry held in tenths of a millimetre and shown in a chosen unit,
// frames, the panels that carry them, bands with the printable items on them, and the
// print pass that walks the bands page after page into a report printer.
//
// This header brings the whole module: units, size records, frames and the panel base
// (RpReportGeometry.h), printable items and bands (RpReportBands.h), records and the
// band-sequence controller (RpReportController.h); it declares the report itself.

#include "framework/core/Reader.h"
#include "framework/widgets/ExtCtrls.h"
#include "report/RpPrntr.h"
#include "report/RpReportBands.h"
#include "report/RpReportController.h"
#include "report/RpReportGeometry.h"

#include <QMap>
#include <QPointer>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class TMetafile;

// ---- The report ------------------------------------------------------------------------

class TReportPrinterSettings : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int Copies READ Copies WRITE SetCopies)
    Q_PROPERTY(bool Duplex READ Duplex WRITE SetDuplex)
    Q_PROPERTY(int FirstPage READ FirstPage WRITE SetFirstPage)
    Q_PROPERTY(int LastPage READ LastPage WRITE SetLastPage)
    Q_PROPERTY(TRpEnums::TRpBin OutputBin READ OutputBin WRITE SetOutputBin)
public:
    using TPersistent::TPersistent;
    int Copies() const { return copies_; }
    void SetCopies(int c) { copies_ = c; }
    bool Duplex() const { return duplex_; }
    void SetDuplex(bool d) { duplex_ = d; }
    int FirstPage() const { return firstPage_; }
    void SetFirstPage(int p) { firstPage_ = p; }
    int LastPage() const { return lastPage_; }
    void SetLastPage(int p) { lastPage_ = p; }
    TRpBin OutputBin() const { return outputBin_; }
    void SetOutputBin(TRpBin b) { outputBin_ = b; }
    int PrinterIndex() const { return printerIndex_; }
    void SetPrinterIndex(int i) { printerIndex_ = i; }
    // Choices of the printer set-up kept for the next print: the printer by name (it wins
    // over the index, which moves when queues come and go; empty: use the index), the PDF
    // file of the PDF file printer (empty: asked when printing), collated copies.
    const QString& PrinterName() const { return printerName_; }
    void SetPrinterName(const QString& n) { printerName_ = n; }
    const QString& PdfFileName() const { return pdfFileName_; }
    void SetPdfFileName(const QString& n) { pdfFileName_ = n; }
    bool Collate() const { return collate_; }
    void SetCollate(bool c) { collate_ = c; }
    void Assign(TPersistent* source) override;

private:
    int copies_ = 1;
    bool collate_ = false;
    bool duplex_ = false;
    QString printerName_;
    QString pdfFileName_;
    int firstPage_ = 0;
    int lastPage_ = 0;
    TRpBin outputBin_ = TRpBin::Auto;
    int printerIndex_ = -1;
};

// Named values of the report that expressions read ("PAGENUMBER", ...).
class TRpFunctions {
public:
    void Set(const QString& name, const QString& value) { values_[name] = value; }
    QString Value(const QString& name) const { return values_.value(name); }
    bool Contains(const QString& name) const { return values_.contains(name); }

private:
    QMap<QString, QString> values_;
};

using TRpReportBeforePrintEvent = std::function<void(TObject*, bool&)>;

// How a pass ended. Only a finished pass prints; a cancelled or failed one drops its job.
enum class TRpPassEnd : uint8_t { Finished, Cancelled, Failed };
using TRpNotifyEvent = TNotifyEvent;

class TCustomReport : public TRpBasePanel {
    Q_OBJECT
    Q_PROPERTY(TReportBands* Bands READ Bands)
    Q_PROPERTY(TStrings* Description READ Description)
    Q_PROPERTY(TRpReportEnums::TReportOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(TRpPage* Page READ Page)
    Q_PROPERTY(TReportPrinterSettings* PrinterSettings READ PrinterSettings)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_PROPERTY(QString ReportTitle READ ReportTitle WRITE SetReportTitle)
    Q_PROPERTY(bool ShowProgress READ ShowProgress WRITE SetShowProgress)
    Q_PROPERTY(bool SnapToGrid READ SnapToGrid WRITE SetSnapToGrid)
    Q_PROPERTY(TRpReportEnums::TRpUnit Units READ Units WRITE SetUnits)
    Q_PROPERTY(int Zoom READ Zoom WRITE SetZoom)
public:
    explicit TCustomReport(TComponent* owner);
    ~TCustomReport() override;

    // ---- properties
    TReportBands* Bands() const { return bands_; }
    TStrings* Description() const { return description_; }
    TReportOptions Options() const { return options_; }
    void SetOptions(TReportOptions o) { options_ = o; }
    TRpPage* Page() const { return page_; }
    TReportPrinterSettings* PrinterSettings() const { return printerSettings_; }
    bool PrintIfEmpty() const;
    void SetPrintIfEmpty(bool v);
    const QString& ReportTitle() const { return reportTitle_; }
    void SetReportTitle(const QString& t) { reportTitle_ = t; }
    bool ShowProgress() const { return showProgress_; }
    void SetShowProgress(bool v) { showProgress_ = v; }
    bool SnapToGrid() const { return snapToGrid_; }
    void SetSnapToGrid(bool v) { snapToGrid_ = v; }
    TRpUnit Units() const { return page_->Units(); }
    // Changes how every size record of the report reads and writes.
    void SetUnits(TRpUnit unit);
    // Accepts 1 to 300.
    void SetZoom(int zoom) override;
    TRpFunctions& Functions() { return functions_; }
    TRpCustomController* Controller() const { return controller_.get(); }

    // ---- bands
    int BandCount() const { return static_cast<int>(bandList_.size()); }
    TRpCustomBand* BandAt(int i) const { return bandList_.at(static_cast<size_t>(i)); }
    // The first band of the list with this type; none when there is none.
    TRpCustomBand* FindBand(TRpBandType type) const;
    void AddBand(TRpCustomBand* band);
    void RemoveBand(TRpCustomBand* band);
    // Rebuilds the band list in print order, and places the bands on the panel.
    void SortBands();
    void ArrangeBands();

    // ---- entry points
    // Runs a pass into the page store and shows it; returns when the preview has closed.
    void PreviewReport();
    // Runs a pass to the chosen printer with the progress window; nothing while a pass
    // runs or when no printer is installed.
    void PrintReport();
    // The preview's printer set-up: the print dialog for the next print's printer,
    // orientation, copies and page range. Tag becomes 0 when confirmed, 1 when cancelled.
    void PrinterSetup(TObject* sender);
    virtual void RunReport(bool composite);
    // Stops the running pass at its next check.
    void CancelRun();

    // ---- run state and page logic (called by bands and the controller)
    bool Idle() const { return idle_; }
    bool CancelFlag() const { return cancelFlag_; }
    bool Finishing() const { return finishing_; }
    int PageNo() const { return pageNo_; }
    int ColumnNo() const { return columnNo_; }
    int ColumnTop() const { return columnTop_; }
    int CursorX() const { return cursorX_; }
    int CursorY() const { return cursorY_; }
    long double PageFooterHeight() const { return pageFooterHeight_; }
    bool HeaderLatch() const { return headerLatch_; }
    void SetHeaderLatch() { headerLatch_ = true; }
    bool ColumnBreakLatch() const { return columnBreakLatch_; }
    // How the last pass ended; Finished before the first.
    TRpPassEnd PassEnd() const { return passEnd_; }
    // True once a pass has given up on a band whose items never finish.
    bool Stopped() const { return stopped_; }
    // True while the page's own bands print (page header and footer, column header):
    // they never start another page.
    bool PlacingPageBands() const { return pageBandDepth_ > 0; }

    TRpPrinter* RpPrinter() const { return rpPrinter_; }
    void EmitBand(TRpCustomBand* band);
    int RemainingHeight() const;
    void AdvanceColumn();
    void ForcePageBreak();
    void ForceColumnBreak();
    // Called by a band whose items need more continuations than a pass allows.
    void StopPass();
    // Screen pixels of the text in the font, plus one; 0 when it cannot be measured.
    int TextWidthOf(TFont* font, const QString& text) const;
    // Screen pixels of the height of "A" in the font.
    int TextHeightOf(TFont* font, const QString& text) const;
    // The picture of page 1 shown on the panel; none before a pass.
    TMetafile* PageImage() const { return pageImage_.get(); }

    void SetBounds(int left, int top, int width, int height) override;
    void Loaded() override;

    // ---- events
    TNotifyEvent AfterPrint;
    TNotifyEvent AfterPreview;
    TRpReportBeforePrintEvent BeforePrint;
    TRpNotifyEvent OnEndPage;
    TRpOnNeedDataEvent OnNeedData;
    TNotifyEvent OnPreview;
    TRpNotifyEvent OnStartPage;

protected:
    void WndProc(TMessage& m) override;
    void SetController(std::unique_ptr<TRpCustomController> c);
    virtual void ExecuteController();

private:
    friend class TRpCustomBand;
    friend class TRpCustomController;
    bool NewPrinterObject();
    void FreePrinter(TRpPrinter* printer);
    bool OwnsPrinter(const TRpPrinter* printer) const;
    void PrintRequest(TRpPrinter* from);
    void ApplyPrinterSettings();
    void ApplyChoicesTo(TRpPrinter& printer, bool pass);
    void PresetDeviceMode(TPrinter& own) const;
    void StartPass(bool composite);
    void FinishPass(bool composite, TRpPassEnd end);
    void CheckMargins();
    void SumPageFooterHeight();
    void ResetRunState();
    void BeginNewPage();
    void EndCurrentPage();
    void PrintPageItems();
    long double PageHeight() const;
    long double ColumnStep() const;
    void ForEachPrintable(const std::function<void(TRpPrintable*)>& f) const;
    void DetachChildren();
    void SetPageNumber(int n);
    void SetColumnNumber(int n);

    TReportBands* bands_;
    TStrings* description_;
    TRpPage* page_;
    TReportPrinterSettings* printerSettings_;
    std::unique_ptr<TRpCustomController> controller_;
    std::vector<TRpCustomBand*> bandList_;
    TRpFunctions functions_;
    TReportOptions options_ = TRpReportEnums::FirstPageHeader | TRpReportEnums::LastPageFooter;
    QString reportTitle_;
    bool showProgress_ = true;
    bool snapToGrid_ = true;

    // Run state.
    bool idle_ = true;
    bool cancelFlag_ = false;
    bool finishing_ = false;
    bool stopped_ = false;
    TRpPassEnd passEnd_ = TRpPassEnd::Finished;
    bool headerLatch_ = false;
    bool columnBreakLatch_ = false;
    bool destroying_ = false;
    bool arrangingBands_ = false;
    int pageBandDepth_ = 0;
    int pageNo_ = 0;
    int columnNo_ = 1;
    int columnTop_ = 0;
    int cursorX_ = 0;
    int cursorY_ = -1;
    long double pageFooterHeight_ = 0;

    // Report printers this report made: the current one, and earlier ones whose preview
    // still shows them. Freed when their preview closes, or with the report.
    TRpPrinter* rpPrinter_ = nullptr;
    std::vector<std::unique_ptr<TRpPrinter>> printers_;
    // The printer whose loaded pages are printing, and whether its preview closed meanwhile.
    TRpPrinter* printingKept_ = nullptr;
    bool freeAfterPrinting_ = false;
    std::unique_ptr<TMetafile> pageImage_;
};

// The report with its data-set controller.
class TReport : public TCustomReport {
    Q_OBJECT
public:
    explicit TReport(TComponent* owner);

    TRpDataSet* DataSet() const;
    void SetDataSet(TRpDataSet* d);
};

// Makes the report, its bands and the printable base known to the layout reader.
void RegisterReportClasses();
