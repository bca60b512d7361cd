#pragma once
// Printers: the print queues of the print server and a built-in printer that writes PDF
// files. One printer is selected at a time; its device mode holds the settings a job is
// printed with, and its capabilities (papers, paper sources, resolution, unprintable
// margins) come from the queue's description. A job draws through a canvas whose device
// context has its origin at the corner of the printable area, as printer contexts do,
// while the page itself is printed whole, so positions measured from the paper's corner
// (minus the printing offsets) land where they are meant to.

#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Graphics.h"
#include "framework/printing/PrintServer.h"

#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QPainter;

// Device-mode fields: which settings a device mode carries.
inline constexpr uint32_t DM_ORIENTATION = 0x00000001;
inline constexpr uint32_t DM_PAPERSIZE = 0x00000002;
inline constexpr uint32_t DM_PAPERLENGTH = 0x00000004;
inline constexpr uint32_t DM_PAPERWIDTH = 0x00000008;
inline constexpr uint32_t DM_COPIES = 0x00000100;
inline constexpr uint32_t DM_DEFAULTSOURCE = 0x00000200;
inline constexpr uint32_t DM_PRINTQUALITY = 0x00000400;
inline constexpr uint32_t DM_DUPLEX = 0x00001000;
inline constexpr uint32_t DM_COLLATE = 0x00008000;

inline constexpr int DMORIENT_PORTRAIT = 1, DMORIENT_LANDSCAPE = 2;
inline constexpr int DMDUP_SIMPLEX = 1, DMDUP_VERTICAL = 2, DMDUP_HORIZONTAL = 3;
inline constexpr int DMPAPER_USER = 256;
inline constexpr int DMBIN_UPPER = 1, DMBIN_LOWER = 2, DMBIN_MIDDLE = 3, DMBIN_MANUAL = 4,
                     DMBIN_ENVELOPE = 5, DMBIN_ENVMANUAL = 6, DMBIN_AUTO = 7, DMBIN_TRACTOR = 8,
                     DMBIN_SMALLFMT = 9, DMBIN_LARGEFMT = 10, DMBIN_LARGECAPACITY = 11,
                     DMBIN_CASSETTE = 14, DMBIN_FORMSOURCE = 15, DMBIN_USER = 256;

// The settings a job prints with. Lengths in 0.1 mm.
struct TDeviceMode {
    uint32_t dmFields = 0;
    int dmOrientation = DMORIENT_PORTRAIT;
    int dmPaperSize = 0; // paper code; DMPAPER_USER: dmPaperWidth x dmPaperLength
    int dmPaperLength = 0;
    int dmPaperWidth = 0;
    int dmCopies = 1;
    int dmDefaultSource = 0; // paper source code
    int dmDuplex = DMDUP_SIMPLEX;
    int dmCollate = 0;
    bool operator==(const TDeviceMode&) const = default;
};

// A paper source a printer offers: its code and the queue's own name for it.
struct TPaperSource {
    int code = 0;
    QString key;
};

// Asks where a PDF job is written; none when the user declined. The window layer installs
// the question (a file dialog) at start-up. Setting one returns the one it replaces.
using TOutputFileQuestion = std::function<std::optional<QString>(const QString& title)>;
TOutputFileQuestion SetOutputFileQuestion(TOutputFileQuestion question);

// Asks whether an existing file named before (in the printer set-up) is to be replaced;
// false: the user names another file. None installed (programs without a window): the
// file they were told to write is replaced. Setting one returns the one it replaces.
using TReplaceQuestion = std::function<bool(const QString& file)>;
TReplaceQuestion SetReplaceQuestion(TReplaceQuestion question);

// Which printers a printer object lists: the print server's queues and the PDF file
// printer, or the PDF file printer alone (never asking the print server anything).
enum class TPrinterList { Queues, FileOnly };

// How far a printer's output is moved on the paper, in millimetres: right and down.
struct TPrinterOffset {
    double x = 0;
    double y = 0;
    bool operator==(const TPrinterOffset&) const = default;
};

class TPrinter {
public:
    // The name of the built-in printer, always the last in the list.
    static const QString& PdfPrinterName();

    // Listing the queues raises EPrinter when the print server takes connections but does
    // not answer within kMaxPrintServerWaitMs; a server that is not there at all leaves
    // the PDF file printer alone in the list. The list is the one the process read first
    // (PrintServer.h); FileOnly never asks the print server anything.
    explicit TPrinter(TPrinterList list = TPrinterList::Queues);
    ~TPrinter();
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // ---- The printer list and the selection
    // The print queues, then the PDF file printer. Read once; Refresh reads it again
    // (the selection follows its printer by name; a printer gone since selects the
    // default and raises EPrinter "The printer Q is gone").
    const QStringList& Printers() const { return names_; }
    TPrinterList Listing() const { return list_; }
    void Refresh();
    // The index of the selected printer.
    int PrinterIndex() const { return index_; }
    // Selects a printer with its driver's default device mode; -1 selects the system's
    // default queue, or the PDF file printer when there is none. Raises EPrinter for an
    // index outside the list, and during a job.
    void SetPrinterIndex(int index);
    // Selects a printer by name (a queue not in the list has the list read again); raises
    // EPrinter for a name that is not there.
    void SetPrinterName(const QString& name);
    bool IsPdfPrinter() const;

    // ---- Names and device mode of the selected printer
    // Device: the queue's name; driver: the queue's make and model; port: where the queue
    // sends its output.
    QString DeviceName() const;
    QString DriverName() const;
    QString PortName() const;
    const TDeviceMode& DeviceMode() const { return mode_; }
    // Takes a device mode for the selected printer. Raises EPrinter, changing nothing,
    // for a paper size, paper length or width, copy count, orientation or two-sided mode
    // that the printer cannot take. Paper sources it lacks leave the choice to the queue.
    void SetDeviceMode(const TDeviceMode& mode);
    // The driver's defaults of the selected printer.
    TDeviceMode DefaultDeviceMode() const;

    // ---- Capabilities of the selected printer
    // Paper codes offered (DMPAPER_USER when it takes sizes of any length and width).
    const QList<int>& PaperCodes() const { return caps_.paperCodes; }
    const QList<TPaperSource>& PaperSources() const { return caps_.sources; }
    bool SupportsDuplex() const { return caps_.duplex; }
    // Dots per inch of the device, both ways.
    int Resolution() const { return caps_.dpi; }
    // Distance of the printable area from the paper's left and top edges, and the whole
    // paper, in device pixels, for the present paper and orientation.
    QPoint PrintingOffset() const;
    QSize PhysicalPageSize() const;

    // ---- Offsets
    // The offset kept for a print queue in the user's settings, between runs (each way
    // within kMaxPrinterOffsetMm); none for the PDF file printer, whose files are never
    // moved. Every job of the queue draws with its page's origin moved by it.
    static TPrinterOffset StoredOffset(const QString& queue);
    static void StoreOffset(const QString& queue, const TPrinterOffset& offset);

    // ---- Jobs
    // The document's name: the job's name in the queue and the name proposed for a new
    // PDF file.
    const QString& Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }
    // Where a job of the PDF file printer goes; empty: asked when the job begins. A file
    // that exists is replaced only when the replace question says so.
    const QString& OutputFileName() const { return outputFile_; }
    void SetOutputFileName(const QString& name) { outputFile_ = name; }

    // Begins a job with page 1 open. Raises EPrinter when the queue refuses jobs or the
    // output cannot be written, and EAbort when the user declines to name a PDF file;
    // no job is open afterwards in either case.
    void BeginDoc();
    // Ends the job and hands it to the queue (or closes the PDF file). Raises EPrinter
    // naming the queue and the print server's reason when the queue rejects the job.
    void EndDoc();
    // Drops the job: nothing is printed and no file is left.
    void Abort();
    void NewPage();
    bool Printing() const { return job_ != nullptr; }
    bool Aborted() const { return aborted_; }
    int PageNumber() const { return pageNumber_; }
    // The printable area in device pixels.
    int PageWidth() const;
    int PageHeight() const;
    TCanvas* Canvas() const { return canvas_.get(); }
    // The job's device context; null outside a job.
    TDeviceContext* Handle() const;

private:
    struct Capabilities {
        QList<int> paperCodes;
        QList<QPageSize> pageSizes; // as the queue names them
        QList<QMarginsF> margins;   // unprintable, points, portrait: one for each size
        QMarginsF customMargins;
        QList<TPaperSource> sources;
        bool duplex = false;
        bool customSizes = false;
        int dpi = 600;
        QString driver, port;
        QString defaultSourceKey;
        QPageSize defaultPageSize;
    };
    struct Job;

    void List(bool again);
    void Select(int index);
    Capabilities ReadCapabilities(int index) const;
    QPageLayout Layout(const TDeviceMode& mode) const;
    QPageSize PageSizeOf(const TDeviceMode& mode) const;
    QMarginsF MinimumMargins(const TDeviceMode& mode) const;
    void CheckDeviceMode(const TDeviceMode& mode) const;
    void CheckNoJob() const;
    QString PdfTarget();
    void OpenPage();
    void Submit(int fd);

    TPrinterList list_;
    QStringList names_;
    QList<TQueueInfo> queues_; // the queues of names_, in its order
    int defaultIndex_ = 0;
    int index_ = -1;
    Capabilities caps_;
    TDeviceMode mode_;
    QString title_;
    QString outputFile_;
    std::unique_ptr<Job> job_;
    std::unique_ptr<TCanvas> canvas_;
    bool aborted_ = false;
    int pageNumber_ = 0;
};
