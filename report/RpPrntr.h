#pragma once
// The report printer: what a report pass draws into. Each page gets a canvas; a finished
// page is kept as an enhanced metafile in the page store (a stream that lives in memory
// and moves into a temporary file when it grows) or goes to a printer. Also the device
// settings of a printer, the report-level printer choices, the splay-tree coder of
// compressed page records, and the preview factory.

#include "framework/core/Classes.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Printers.h"
#include "framework/widgets/Controls.h"
#include "framework/widgets/Forms.h"
#include "framework/widgets/ScrollBox.h"
#include "report/RpTypes.h"

#include <QFile>
#include <QIODevice>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class TRpPrinter;
class TRpExportFilter;

// ---- Device settings -------------------------------------------------------------------

// The device-level settings of one printer. Without a printer nothing is read, the
// capability test answers false, and the setters keep the construction values (except a
// Default paper size, always taken).
class TPrinterSettings {
public:
    TPrinterSettings();

    // The printer these settings belong to (not owned); setting one that has printers
    // reads the settings from it.
    TPrinter* Printer() const { return printer_; }
    void SetPrinter(TPrinter* printer);
    // Reads names, resolution, copies, paper source, two-sided printing, printing
    // offsets, paper and the papers offered from the printer.
    void ReadFromPrinter();
    // Writes paper, two-sided printing, copies, paper source and orientation into the
    // printer's device mode; EPrinter when the printer cannot take them (nothing changes).
    void ApplyToPrinter();

    const QString& DeviceName() const { return deviceName_; }
    const QString& DriverName() const { return driverName_; }
    const QString& PortName() const { return portName_; }

    // True when a printer is set and its device mode carries all these DM_ bits.
    bool Supports(uint32_t fields) const;

    int Copies() const { return copies_; }
    void SetCopies(int copies);
    bool Duplex() const { return duplex_; }
    // Stored only when the printer prints on both sides.
    void SetDuplex(bool duplex);
    bool Collate() const { return collate_; }
    void SetCollate(bool collate) { collate_ = collate; }
    TPrinterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation orientation);
    TRpBin OutputBin() const { return outputBin_; }
    void SetOutputBin(TRpBin bin);
    TRpPaperSize PaperSize() const { return paperSize_; }
    // Taken when the printer offers that paper; Default always.
    void SetPaperSize(TRpPaperSize size);
    bool PaperSupported(TRpPaperSize size) const;
    // 0.1 mm: the table size for a listed paper, the stored size for Default and Custom.
    int PaperWidth() const;
    int PaperLength() const;
    // Stored only while the paper size is Custom.
    void SetPaperWidth(int width);
    void SetPaperLength(int length);
    int DotsPerInchX() const { return dotsPerInchX_; }
    int DotsPerInchY() const { return dotsPerInchY_; }
    int PrintOffsetTop() const { return printOffsetTop_; }
    int PrintOffsetLeft() const { return printOffsetLeft_; }

private:
    QString deviceName_, driverName_, portName_;
    TPrinter* printer_ = nullptr;
    int copies_ = 0;
    bool duplex_ = false;
    bool collate_ = false;
    TPrinterOrientation orientation_ = poPortrait;
    TRpBin outputBin_ = TRpBin::First;
    TRpPaperSize paperSize_ = TRpPaperSize::A4;
    std::array<bool, kSupportedPaperCount> paperSupported_{};
    int paperWidth_ = 0, paperLength_ = 0;
    int dotsPerInchX_ = 0, dotsPerInchY_ = 0;
    int printOffsetTop_ = 0, printOffsetLeft_ = 0;
};

// The printer choices a report keeps between passes.
class TRpPrinterSettings : public TPersistent {
    Q_OBJECT
public:
    explicit TRpPrinterSettings(QObject* parent = nullptr) : TPersistent(parent) {}

    int Copies() const { return copies_; }
    void SetCopies(int v) { copies_ = v; }
    bool Duplex() const { return duplex_; }
    void SetDuplex(bool v) { duplex_ = v; }
    TRpBin OutputBin() const { return outputBin_; }
    void SetOutputBin(TRpBin v) { outputBin_ = v; }
    TRpPaperSize PaperSize() const { return paperSize_; }
    void SetPaperSize(TRpPaperSize v) { paperSize_ = v; }
    // -1: the system's default printer.
    int PrinterIndex() const { return printerIndex_; }
    void SetPrinterIndex(int v) { printerIndex_ = v; }
    // 0 or less: no limit on that side.
    int FirstPage() const { return firstPage_; }
    void SetFirstPage(int v) { firstPage_ = v; }
    int LastPage() const { return lastPage_; }
    void SetLastPage(int v) { lastPage_ = v; }

    void Assign(TPersistent* source) override;

private:
    int copies_ = 1;
    bool duplex_ = false;
    TRpBin outputBin_ = TRpBin::Auto;
    TRpPaperSize paperSize_ = TRpPaperSize::Letter;
    int printerIndex_ = -1;
    int firstPage_ = 0;
    int lastPage_ = 0;
};

// ---- Page stream -----------------------------------------------------------------------

// The page stream: a random-access stream whose content lives in memory until it holds
// more than SpillThreshold bytes, then in a temporary file ("RPP" prefix, system
// temporary directory) that is deleted when the stream is freed, and in any case when
// the program ends, also by SIGTERM, SIGINT or SIGHUP. Every operation holds the
// stream's re-entrant lock.
class TRpStream : public QIODevice {
    Q_OBJECT
public:
    static constexpr int kDefaultSpillThreshold = 100000;

    // An empty stream, open for reading and writing.
    explicit TRpStream(int spillThreshold = kDefaultSpillThreshold, QObject* parent = nullptr);
    // A stream over an existing file, read only; the file is never deleted.
    static std::unique_ptr<TRpStream> OpenFile(const QString& fileName);
    ~TRpStream() override;

    bool isSequential() const override { return false; }
    qint64 size() const override;
    bool seek(qint64 pos) override;
    bool atEnd() const override;

    bool Buffered() const { return buffered_; }
    int SpillThreshold() const { return spillThreshold_; }
    // Empty while the content is in memory or the stream reads a report file.
    const QString& TempFileName() const { return tempFileName_; }

    // Copies the whole content into dest in blocks, under the lock; the stream is left at
    // its end.
    void CopyTo(QIODevice& dest);
    // Drops the content from `length` on (a record that could not be written whole).
    void Truncate(qint64 length);

    std::recursive_mutex& Lock() { return lock_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    TRpStream(QObject* parent, const QString& fileName);
    void Spill();
    void DropTempFile() noexcept;

    mutable std::recursive_mutex lock_;
    QByteArray memory_;
    std::unique_ptr<QFile> file_;
    qint64 fileSize_ = 0; // the file part's size, kept here rather than asked of the system
    QString tempFileName_;
    bool buffered_ = true;
    int spillThreshold_;
};

// Names of the page-stream temporary files that exist now (for tests and diagnostics).
QStringList LiveTempFiles();

// ---- Splay-tree coder ------------------------------------------------------------------

// The coder of compressed page records: a splay-tree prefix code, one independent code
// per record. Coding takes bytes and writes whole bytes to the stream; the last partly
// filled byte is written by Flush (or when the coder is freed). Decoding reads at most
// `inputLimit` bytes from the stream and returns byte values.
class TRpCompress {
public:
    enum TMode { cmEncode, cmDecode };

    TRpCompress(QIODevice& stream, TMode mode, qint64 inputLimit = -1);
    ~TRpCompress();
    TRpCompress(const TRpCompress&) = delete;
    TRpCompress& operator=(const TRpCompress&) = delete;

    void Encode(uint8_t byte) { Encode(&byte, 1); }
    void Encode(const uint8_t* data, size_t count);
    // Writes the last partly filled byte and anything still buffered.
    void Flush();

    // One decoded byte; raises ERpError when the input ends before its code does.
    uint8_t Decode();
    void Decode(uint8_t* out, size_t count);
    // Input bytes the decoded codes have used: every byte begun counts.
    qint64 BytesConsumed() const;
    // Output bytes the codes so far take, the partial last byte included.
    qint64 BytesProduced() const;

private:
    void Reset();
    void FlushOutput();
    void TopUp();
    bool FillBuffer();
    [[noreturn]] void InputEnded() const;

    QIODevice& stream_;
    TMode mode_;
    // Node 0 is the root; nodes 1..255 internal, 256..512 leaves (256 + byte value).
    // child_[n][0] is the left child (bit 0), child_[n][1] the right one (bit 1). Coding
    // walks up from a leaf: link_[n] holds n's parent times 2 plus the side n hangs on,
    // so one read gives both.
    std::array<std::array<uint16_t, 2>, 256> child_{};
    std::array<uint16_t, 513> link_{};
    // Bit I/O: bits go out and come in least significant first.
    uint64_t bitBuffer_ = 0;
    unsigned bitCount_ = 0;
    qint64 bitsUsed_ = 0;
    std::vector<uint8_t> buffer_;
    size_t bufferPos_ = 0, bufferEnd_ = 0;
    qint64 inputLeft_ = 0;
    bool flushed_ = false;
};

// ---- Page store ------------------------------------------------------------------------

// The page store: a 124-byte header and one record per page in a page stream. A record is
// its page number, a forward link to the next record, the page's metafile (or its length
// and its coded bytes when compressed) and a backward link to its own start. Every link
// and length is checked against the stream before it is followed.
class TRpPageList {
public:
    static constexpr qint64 kHeaderSize = 124;

    TRpPageList();
    ~TRpPageList();

    bool Compressed() const { return compressed_; }
    void SetCompressed(bool c) { compressed_ = c; }
    int StoredPages() const { return storedPages_; }
    void ResetStoredPages() {
        storedPages_ = 0;
        newest_ = {};
    }
    TRpStream* PageStream() const { return stream_; }
    void SetPageStream(TRpStream* stream);

    void AppendPage(TMetafile& page);
    // A new metafile with page n; none when n is not a stored page.
    std::unique_ptr<TMetafile> FetchPage(int n);
    // Leaves the stream at the start of record n (1 <= n <= StoredPages).
    void SeekPage(int n);
    void WriteHeader();
    // Takes the page count and compression of a stream's header.
    void ReadHeader();
    // Walks every record of a stream read from a file: numbers, links both ways, and each
    // payload a metafile of its stated length (compressed ones decoded to check). Raises
    // ERpError naming what does not fit and where.
    void CheckRecords();

    std::recursive_mutex& Lock() { return lock_; }

private:
    qint32 ReadInt32(qint64 at);
    std::pair<qint32, qint32> ReadPair(qint64 at);
    void WriteInt32(qint32 value);
    void SeekRecordHead(qint64 start);
    qint64 LastRecordStart();
    qint64 WalkTo(int n, qint64 from, int fromPage);
    qint64 CheckRecord(int n, qint64 start);
    std::unique_ptr<TMetafile> ReadPayload(int n, qint64 start, qint64 forward);
    void CheckPayload(int n, qint64 start, qint64 end);
    void CheckCodedPayload(int n, qint64 start, qint64 end);
    int CountRecordsFrom(qint64 at, int firstNumber);

    std::recursive_mutex lock_;
    TRpStream* stream_ = nullptr;
    bool compressed_ = false;
    int storedPages_ = 0;
    qint64 cursor_ = -1; // where the store left the stream: a record start or the end
    int cursorPage_ = 0; // the page of the record at the cursor
    // The page appended last, whose bytes its metafile shares: the page a preview asks
    // for as a pass ends comes back without being read again. One page at most.
    QByteArray newest_;
    int newestNumber_ = 0;
};

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
    void SetOutputFileName(const QString& name) { devicePrinter_->SetOutputFileName(name); }
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

    TPrinter* DevicePrinter() const { return devicePrinter_.get(); }
    TPrinterSettings& DeviceSettings() { return deviceSettings_; }
    const TPrinterSettings& DeviceSettings() const { return deviceSettings_; }
    bool PrintersInstalled() const { return printersInstalled_; }

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
    void DetectPaper(TRpPageList& pages);
    bool IsPageInRange() const;
    void CloseDevicePage();
    void OpenDevicePage();
    void PrintKeptPage(int n);

    std::unique_ptr<TPrinter> devicePrinter_;
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
    bool printersInstalled_ = false;
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

// ---- Report files ----------------------------------------------------------------------

namespace RpRes {
inline constexpr int SFileShorterThanHeader = 63100; // %1: length
inline constexpr int SPageCountWrong = 63101;        // %1: header's count, %2: pages found
inline constexpr int SRecordNumberWrong = 63102;     // %1: page, %2: offset, %3: number
inline constexpr int SLinkOutsideFile = 63103;       // %1: offset of the link
inline constexpr int SLinkNotForward = 63104;        // %1: offset of the link
inline constexpr int SBackLinkWrong = 63105;         // %1: offset of the link
inline constexpr int SRecordCut = 63106;             // %1: page, %2: offset
inline constexpr int SBytesAfterLastPage = 63107;    // %1: count
inline constexpr int SNotAMetafile = 63108;          // %1: page
inline constexpr int SMetafileLengthWrong = 63109;   // %1: page, %2: stated, %3: held
inline constexpr int SCompressedLengthBad = 63110;   // %1: page, %2: length
inline constexpr int SCompressedEndsEarly = 63111;   // %1: page, %2: length
inline constexpr int SCompressedGoesOn = 63112;      // %1: page, %2: length
inline constexpr int SNothingToSave = 63113;
} // namespace RpRes

// Writes a page stream into a report file. The file is replaced only once the new one is
// whole, so a failure leaves an earlier file as it was, and a file that is being read
// (a loaded report saved under its own name) keeps its pages. The header's page count is
// set to `pages`: a cancelled pass leaves the count of its first page there.
void WriteReportFile(TRpStream& stream, int pages, const QString& fileName);

// Paper detection of a loaded report: the paper size whose size in whole units of 4 mm
// the page has, pixels turned into 0.1 mm by dividing by `factor`; a later row of the
// paper table wins over an earlier one of the same size. False when none matches.
bool DetectPaperSize(int widthPixels, int heightPixels, long double factor, TRpPaperSize& size,
                     TPrinterOrientation& orientation);

// ---- Preview control -------------------------------------------------------------------

enum TRpZoomMode : uint8_t { zmFit, zmWidth, zmFixed };

using TRpPageAvailableEvent = std::function<void(TObject*, int)>;
using TRpProgressUpdateEvent = std::function<void(TObject*, int)>;

class TRpPageRenderCache;

// The picture of one page in the preview: the page drawn stretched over the control, with
// a black frame and a shadow on the right and at the bottom. Pages are rendered once for
// each size they are shown at and kept in a small cache, so painting (while scrolling, or
// when another window moves away) only copies pixels.
class TRpPreviewImage : public TGraphicControl {
    Q_OBJECT
public:
    explicit TRpPreviewImage(TComponent* owner);
    ~TRpPreviewImage() override;

    TRpPrinter* ReportPrinter() const { return reportPrinter_; }
    // Another printer brings other pages: the rendered ones are forgotten.
    void SetReportPrinter(TRpPrinter* printer);
    int PageNumber() const { return pageNumber_; }
    // Fetches page n from the printer (none when it has no such page yet) and repaints.
    void SetPageNumber(int n);
    TMetafile* PageImage() const { return pageImage_.get(); }
    bool ImageLoaded() const { return imageLoaded_; }
    int Zoom() const { return zoom_; }
    void SetZoom(int zoom) { zoom_ = zoom; }
    // The printer's pages were replaced under the same numbers (a report file loaded).
    void DropRenderedPages();
    // How many times a page was played to render it (for tests and measurements).
    int RenderCount() const;

protected:
    void PaintWidget(QPainter& painter) override;
    void Paint() override;

private:
    void DrawPage(QPainter& painter);
    QPointer<TRpPrinter> reportPrinter_;
    int pageNumber_ = 1;
    std::unique_ptr<TMetafile> pageImage_;
    bool imageLoaded_ = false;
    int zoom_ = 100;
    std::unique_ptr<TRpPageRenderCache> cache_;
};

// Shows the pages of a report printer one at a time at a zoom, while its pass may still
// produce them: a scroll box holding the page picture, told of new pages and of progress
// by the printer's messages.
class TRpPreview : public TScrollBox {
    Q_OBJECT
    Q_PROPERTY(int PageNumber READ PageNumber WRITE SetPageNumber)
    Q_PROPERTY(int Zoom READ Zoom WRITE SetZoom)
public:
    static constexpr int kMinZoom = 2;
    static constexpr int kMaxZoom = 2000;

    explicit TRpPreview(TComponent* owner);
    ~TRpPreview() override;

    TRpPrinter* ReportPrinter() const { return reportPrinter_; }
    // Lets go of the printer shown so far (its preview stops showing) and shows page 1 of
    // the new one.
    void SetReportPrinter(TRpPrinter* printer);
    int PageNumber() const { return pageNumber_; }
    // Ignored for a page the printer has not begun, and for the page already shown.
    void SetPageNumber(int n);
    int Zoom() const { return zoom_; }
    // Percent of true size; values outside kMinZoom .. kMaxZoom are ignored.
    void SetZoom(int zoom);
    TRpZoomMode ZoomMode() const { return zoomMode_; }
    TRpPreviewImage* Image() const { return image_; }

    void ZoomToFitPage();
    void ZoomToPageWidth();
    // Sizes the page picture for the zoom and centres it where it is smaller than the box.
    void LayoutPage();
    // After a resize: the fit or width zoom again, and the layout.
    void ReapplyZoom();

    TRpPageAvailableEvent OnPageAvailable;
    TRpProgressUpdateEvent OnProgressUpdate;

protected:
    void WndProc(TMessage& m) override;

private:
    // The page in pixels at 100 %; empty when the printer gives no size.
    QSizeF PagePixels() const;
    void PageReady(int pages);
    TRpPreviewImage* image_;
    int pageNumber_ = 1;
    QPointer<TRpPrinter> reportPrinter_;
    int zoom_ = 100;
    TRpZoomMode zoomMode_ = zmFixed;
};
