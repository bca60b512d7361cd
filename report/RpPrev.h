#pragma once
// The standard preview window: the pages of a report printer in a preview control, with
// a tool bar to zoom, turn pages, set up the printer, print, save and load report files,
// and a status bar with the page number and the progress of the pass. Also the factory
// that opens it for a report printer, and the registry of export filters that its save
// dialog offers.

#include "framework/graphics/ImgList.h"
#include "framework/widgets/Buttons.h"
#include "framework/widgets/ComCtrls.h"
#include "framework/widgets/Forms.h"
#include "report/RpPrntrPreview.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

namespace RpRes {
inline constexpr int SPage = 63120;
inline constexpr int SOf = 63121;
inline constexpr int SSaveReport = 63122;
inline constexpr int SLoadReport = 63123;
inline constexpr int SReportFile = 63124;
inline constexpr int SFileDoesNotExist = 63125;
inline constexpr int SCannotLoadReport = 63126; // %1: file, %2: why
inline constexpr int SLoadingReport = 63127;    // %1: file
} // namespace RpRes

// ---- Export filters ---------------------------------------------------------------------

// What a report's pass can write its pages into instead of the page store, for the
// preview's save under another file type: it is told where pages start and end, and the
// report's items write their content to it.
class TRpExportFilter {
public:
    explicit TRpExportFilter(const QString& fileName) : fileName_(fileName) {}
    virtual ~TRpExportFilter() = default;
    const QString& FileName() const { return fileName_; }

    // Paper width and length in 0.1 mm, and the report's font.
    virtual void Start(int paperWidth, int paperLength, TFont* font) = 0;
    virtual void NewPage() = 0;
    virtual void EndPage() = 0;
    virtual void Finish() = 0;
    // A page that never ends (a text file): the report then never breaks pages.
    virtual bool UnlimitedPage() const { return false; }

private:
    QString fileName_;
};

using TRpExportFilterClass = std::function<std::unique_ptr<TRpExportFilter>(const QString&)>;

// The export filters the preview's save dialog offers after report files; empty unless
// a filter registers itself.
class TRpExportFilterLibrary {
public:
    struct Entry {
        QString description;
        QString extension;
        TRpExportFilterClass filterClass;
    };

    static TRpExportFilterLibrary& Instance();
    void Register(const QString& description, const QString& extension,
                  TRpExportFilterClass filterClass);
    void Unregister(const QString& extension);
    int Count() const { return static_cast<int>(entries_.size()); }
    const Entry& Items(int i) const { return entries_.at(static_cast<size_t>(i)); }
    // The save dialog's filter: report files first, then each export filter.
    QString SaveFilter() const;

private:
    std::vector<Entry> entries_;
};

// ---- The window -------------------------------------------------------------------------

class TRpStandardPreview : public TForm {
    Q_OBJECT
    Q_PROPERTY(TRpPreview* RpPreview MEMBER RpPreview)
    Q_PROPERTY(TStatusBar* StatusBar MEMBER StatusBar)
    Q_PROPERTY(TToolBar* ToolBar1 MEMBER ToolBar1)
    Q_PROPERTY(TToolButton* ZoomFit MEMBER ZoomFit)
    Q_PROPERTY(TToolButton* Zoom100 MEMBER Zoom100)
    Q_PROPERTY(TToolButton* ZoomToWidth MEMBER ZoomToWidth)
    Q_PROPERTY(TToolButton* Separator1 MEMBER Separator1)
    Q_PROPERTY(TToolButton* FirstPage MEMBER FirstPage)
    Q_PROPERTY(TToolButton* PreviousPage MEMBER PreviousPage)
    Q_PROPERTY(TToolButton* ToolButton2 MEMBER ToolButton2)
    Q_PROPERTY(TToolButton* LastPage MEMBER LastPage)
    Q_PROPERTY(TToolButton* Separator2 MEMBER Separator2)
    Q_PROPERTY(TToolButton* PrintSetup MEMBER PrintSetup)
    Q_PROPERTY(TToolButton* Print MEMBER Print)
    Q_PROPERTY(TToolButton* Separator3 MEMBER Separator3)
    Q_PROPERTY(TToolButton* SaveReport MEMBER SaveReport)
    Q_PROPERTY(TToolButton* LoadReport MEMBER LoadReport)
    Q_PROPERTY(TToolButton* Separator4 MEMBER Separator4)
    Q_PROPERTY(TImageList* Images MEMBER Images)
    Q_PROPERTY(TToolButton* ToolButton1 MEMBER ToolButton1)
    Q_PROPERTY(TSpeedButton* ExitButton MEMBER ExitButton)
    Q_PROPERTY(TSpeedButton* CancelLoad MEMBER CancelLoad)

public:
    // Builds the window from its layout for the printer (none: an empty preview).
    TRpStandardPreview(TComponent* owner, TRpPrinter* printer);
    ~TRpStandardPreview() override;

    // Shows the window without waiting.
    void Present();
    void ShowPageInfo();

    TRpPrinter* ReportPrinter() const { return reportPrinter_; }
    int ShownProgress() const { return shownProgress_; }
    // True while the printer prints the kept pages from this window.
    bool Printing() const { return printing_; }
    // True while a report file loads into this window.
    bool Loading() const { return load_ != nullptr; }

    TRpPreview* RpPreview = nullptr;
    TStatusBar* StatusBar = nullptr;
    TToolBar* ToolBar1 = nullptr;
    TToolButton* ZoomFit = nullptr;
    TToolButton* Zoom100 = nullptr;
    TToolButton* ZoomToWidth = nullptr;
    TToolButton* Separator1 = nullptr;
    TToolButton* FirstPage = nullptr;
    TToolButton* PreviousPage = nullptr;
    TToolButton* ToolButton2 = nullptr;
    TToolButton* LastPage = nullptr;
    TToolButton* Separator2 = nullptr;
    TToolButton* PrintSetup = nullptr;
    TToolButton* Print = nullptr;
    TToolButton* Separator3 = nullptr;
    TToolButton* SaveReport = nullptr;
    TToolButton* LoadReport = nullptr;
    TToolButton* Separator4 = nullptr;
    TImageList* Images = nullptr;
    TToolButton* ToolButton1 = nullptr;
    TSpeedButton* ExitButton = nullptr;
    // Shown while a report file loads; gives the load up.
    TSpeedButton* CancelLoad = nullptr;

    Q_INVOKABLE void FormCreate(TObject* Sender);
    Q_INVOKABLE void FormClose(TObject* Sender, TCloseAction& Action);
    Q_INVOKABLE void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
    Q_INVOKABLE void FormResize(TObject* Sender);
    Q_INVOKABLE void ZoomToFitClick(TObject* Sender);
    Q_INVOKABLE void ZoomTo100Click(TObject* Sender);
    Q_INVOKABLE void ZoomToWidthClick(TObject* Sender);
    Q_INVOKABLE void FirstPageClick(TObject* Sender);
    Q_INVOKABLE void PrevPageClick(TObject* Sender);
    Q_INVOKABLE void NextPageClick(TObject* Sender);
    Q_INVOKABLE void LastPageClick(TObject* Sender);
    Q_INVOKABLE void PrintClick(TObject* Sender);
    Q_INVOKABLE void PrintSetupClick(TObject* Sender);
    Q_INVOKABLE void SaveClick(TObject* Sender);
    Q_INVOKABLE void LoadClick(TObject* Sender);
    Q_INVOKABLE void ExitClick(TObject* Sender);
    Q_INVOKABLE void CancelLoadClick(TObject* Sender);
    Q_INVOKABLE void RpPreviewPageAvailable(TObject* Sender, int PageNum);
    Q_INVOKABLE void RpPreviewProgressUpdate(TObject* Sender, int Progress);

private:
    void LoadFile(const QString& fileName);
    TRpReportFile ReadInBackground(const QString& fileName);
    void UpdateButtons();

    QPointer<TRpPrinter> reportPrinter_;
    int shownProgress_ = 0;
    bool printing_ = false;
    bool closeAfterPrinting_ = false;
    TRpReportFileLoad* load_ = nullptr; // the load running, owned by LoadFile
    bool closeAfterLoading_ = false;
    bool loaded_ = false;
};

// Opens the standard preview window for a report printer.
class TRpStandardPreviewInterface : public TRpPreviewInterface {
public:
    TForm* ShowPreview(TRpPrinter* printer) override;
    TForm* ShowPreviewModal(TRpPrinter* printer) override;
};

// Makes the preview's classes known to the layout reader.
void RegisterPreviewClasses();
