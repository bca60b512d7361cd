#include "framework/graphics/Printers.h"

#include "framework/core/Limits.h"
#include "framework/core/SysUtils.h"
#include "framework/graphics/PdfJpeg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>
#include <cups/ppd.h>

// The print server's library marks its reading of queue description files deprecated, yet
// it is the one interface to a queue's paper sources and resolution.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <QDeadlineTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <utility>

// ---- Texts -------------------------------------------------------------------------------

namespace {

const char* const SPrinterIndexError = "Printer index out of range";
const char* const SUnknownPrinter = "There is no printer named \"%1\"";
const char* const SPrinting = "Printing in progress";
const char* const SNotPrinting = "Printer is not currently printing";
const char* const SPaperNotOffered = "The printer %1 does not offer the paper size %2";
const char* const SCustomSize = "The printer %1 cannot take a paper of %2 x %3 mm";
const char* const SCopies = "The printer %1 cannot print %2 copies";
const char* const SOrientation = "Orientation %1 is not valid";
const char* const SDuplex = "The printer %1 cannot print on both sides";
const char* const SDuplexCode = "Two-sided mode %1 is not valid";
const char* const SNotAccepting = "The printer %1 does not accept jobs: %2";
const char* const SRejected = "The printer %1 rejected the job: %2";
const char* const SCannotWrite = "Cannot write the print file %1";
const char* const SCannotWriteIn = "Cannot write the PDF file %1: %2";
const char* const SWriteFailed = "The print file %1 could not be written whole (is the disk full?)";
const char* const SServerSilent = "The print server does not answer";
const char* const SNoServerLibrary = "The print server's library %1 cannot be loaded: %2";

constexpr int kMaxCopies = 9999;
// Custom sizes outside these bounds (0.1 mm) are refused whatever the queue says.
constexpr int kMinCustom = 100, kMaxCustom = 50000;

} // namespace

// ---- The print server's library ---------------------------------------------------------

namespace {

// The print server's client library is loaded by the first step that talks to the server:
// a program that never prints, as the editor until its first print, never maps it nor the
// network and security libraries that come with it.
#define SLEEVANE_CUPS_FUNCTIONS(X)                                                                 \
    X(cupsAddOption)                                                                               \
    X(cupsDoRequest)                                                                               \
    X(cupsEncryption)                                                                              \
    X(cupsFreeOptions)                                                                             \
    X(cupsGetPPD)                                                                                  \
    X(cupsLastErrorString)                                                                         \
    X(cupsPrintFile2)                                                                              \
    X(cupsServer)                                                                                  \
    X(httpAssembleURIf)                                                                            \
    X(httpClose)                                                                                   \
    X(httpConnect2)                                                                                \
    X(httpSetTimeout)                                                                              \
    X(ippAddString)                                                                                \
    X(ippDelete)                                                                                   \
    X(ippFindAttribute)                                                                            \
    X(ippGetBoolean)                                                                               \
    X(ippGetString)                                                                                \
    X(ippGetValueTag)                                                                              \
    X(ippNewRequest)                                                                               \
    X(ippPort)                                                                                     \
    X(ppdClose)                                                                                    \
    X(ppdFindOption)                                                                               \
    X(ppdOpenFile)

struct TCupsLibrary {
#define X(f) decltype(&::f) f = nullptr;
    SLEEVANE_CUPS_FUNCTIONS(X)
#undef X
    QString error; // why it could not be loaded; empty once it is
};

const char* const kCupsLibrary = "libcups.so.2";

TCupsLibrary LoadCups() {
    TCupsLibrary library;
    void* handle = dlopen(kCupsLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        library.error = QString::fromLocal8Bit(dlerror());
        return library;
    }
#define X(f)                                                                                       \
    library.f = reinterpret_cast<decltype(&::f)>(dlsym(handle, #f));                               \
    if (!library.f && library.error.isEmpty())                                                     \
        library.error = QStringLiteral("it has no %1").arg(QLatin1String(#f));
    SLEEVANE_CUPS_FUNCTIONS(X)
#undef X
    return library;
}

// Raises EPrinter when the library is not there.
const TCupsLibrary& Cups() {
    static const TCupsLibrary library = LoadCups();
    if (!library.error.isEmpty())
        throw EPrinter(
            QString::fromLatin1(SNoServerLibrary).arg(QLatin1String(kCupsLibrary), library.error));
    return library;
}

} // namespace

// ---- Paper sources -----------------------------------------------------------------------

namespace {

struct SourceName {
    const char* key;
    int code;
};
// The queue's names for paper sources and the codes they stand for.
constexpr SourceName kSourceNames[] = {
    {"Upper", DMBIN_UPPER},          {"OnlyOne", DMBIN_UPPER},
    {"Lower", DMBIN_LOWER},          {"Middle", DMBIN_MIDDLE},
    {"Manual", DMBIN_MANUAL},        {"ManualFeed", DMBIN_MANUAL},
    {"Envelope", DMBIN_ENVELOPE},    {"EnvelopeManual", DMBIN_ENVMANUAL},
    {"EnvManual", DMBIN_ENVMANUAL},  {"Auto", DMBIN_AUTO},
    {"AutoSelect", DMBIN_AUTO},      {"Default", DMBIN_AUTO},
    {"Tractor", DMBIN_TRACTOR},      {"SmallFormat", DMBIN_SMALLFMT},
    {"LargeFormat", DMBIN_LARGEFMT}, {"LargeCapacity", DMBIN_LARGECAPACITY},
    {"Cassette", DMBIN_CASSETTE},    {"FormSource", DMBIN_FORMSOURCE},
};

int SourceCode(const QString& key, int userIndex) {
    for (const SourceName& s : kSourceNames)
        if (key.compare(QLatin1String(s.key), Qt::CaseInsensitive) == 0) return s.code;
    return DMBIN_USER + userIndex;
}

// The queue's description file, read through the print server; null when it has none.
struct Ppd {
    explicit Ppd(const QString& queue) {
        const QByteArray name = queue.toUtf8();
        const char* file = Cups().cupsGetPPD(name.constData());
        if (!file) return;
        path = QString::fromLocal8Bit(file);
        ppd = Cups().ppdOpenFile(file);
    }
    ~Ppd() {
        if (ppd) Cups().ppdClose(ppd);
        if (!path.isEmpty()) QFile::remove(path);
    }
    Ppd(const Ppd&) = delete;
    Ppd& operator=(const Ppd&) = delete;
    ppd_file_t* ppd = nullptr;
    QString path;
};

void ReadPpd(const QString& queue, QList<TPaperSource>& sources, QString& defaultSource, int& dpi) {
    Ppd file(queue);
    if (!file.ppd) return;
    if (ppd_option_t* slot = Cups().ppdFindOption(file.ppd, "InputSlot")) {
        int user = 0;
        for (int i = 0; i < slot->num_choices; ++i) {
            const QString key = QString::fromUtf8(slot->choices[i].choice);
            const int code = SourceCode(key, user);
            if (code >= DMBIN_USER) ++user;
            sources.append({code, key});
        }
        defaultSource = QString::fromUtf8(slot->defchoice);
    }
    if (ppd_option_t* res = Cups().ppdFindOption(file.ppd, "Resolution")) {
        const int value = QString::fromUtf8(res->defchoice)
                              .section(QLatin1Char('x'), 0, 0)
                              .remove(QLatin1String("dpi"))
                              .toInt();
        if (value > 0) dpi = value;
    }
}

// A queue's attribute as the print server reports it; empty when unknown.
QString QueueAttribute(const QString& queue, const char* attribute) {
    char uri[HTTP_MAX_URI];
    const QByteArray name = queue.toUtf8();
    Cups().httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                            "/printers/%s", name.constData());
    ipp_t* request = Cups().ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    Cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                        nullptr, attribute);
    ipp_t* response = Cups().cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    QString value;
    if (ipp_attribute_t* a =
            response ? Cups().ippFindAttribute(response, attribute, IPP_TAG_ZERO) : nullptr) {
        if (Cups().ippGetValueTag(a) == IPP_TAG_BOOLEAN)
            value = Cups().ippGetBoolean(a, 0) ? QStringLiteral("true") : QStringLiteral("false");
        else if (const char* text = Cups().ippGetString(a, 0, nullptr))
            value = QString::fromUtf8(text);
    }
    Cups().ippDelete(response);
    return value;
}

// Why a queue refuses jobs, as the print server words it.
QString RefusalReason(const QString& queue) {
    QString reason = QueueAttribute(queue, "printer-state-message");
    if (reason.isEmpty()) reason = QStringLiteral("the queue is not accepting jobs");
    return reason;
}

// The queue's name of a paper source: its code, else the code without a kept user bit;
// empty when the queue has no such source (it then feeds from its default).
QString SourceKey(const QList<TPaperSource>& sources, int code) {
    for (int c : {code, code & (DMBIN_USER - 1)})
        for (const TPaperSource& s : sources)
            if (s.code == c) return s.key;
    return {};
}

QString PaperName(int code) {
    const QPageSize size(QPageSize::id(code));
    return size.isValid() && code != DMPAPER_USER ? size.name() : QString::number(code);
}

} // namespace

// ---- The question for a PDF file -------------------------------------------------------

namespace {
TOutputFileQuestion& OutputFileQuestion() {
    static TOutputFileQuestion question;
    return question;
}
} // namespace

TOutputFileQuestion SetOutputFileQuestion(TOutputFileQuestion question) {
    return std::exchange(OutputFileQuestion(), std::move(question));
}

// ---- Print files -------------------------------------------------------------------------

namespace {

// A PDF file ends with its end-of-file marker, within the last bytes.
bool PdfComplete(const QString& name) {
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 8) return false;
    constexpr qint64 kTail = 1024;
    f.seek(std::max<qint64>(0, f.size() - kTail));
    return f.read(kTail).contains("%%EOF");
}

// The finished file takes the target's name in one step, with the permissions a new file
// of the user would have (the temporary one is private).
void ReplaceWith(const QString& written, const QString& target) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const QByteArray from = QFile::encodeName(written), to = QFile::encodeName(target);
    ::chmod(from.constData(), 0666 & ~mask);
    if (::rename(from.constData(), to.constData()) != 0)
        throw EPrinter(QString::fromLatin1(SCannotWriteIn)
                           .arg(target, QString::fromLocal8Bit(std::strerror(errno))));
}

} // namespace

// ---- TPrinter: list and selection -------------------------------------------------------

struct TPrinter::Job {
    QString target; // the PDF file the user named; empty for a queue
    // What the job writes: for a PDF file a new file beside the target, which takes the
    // target's name only when the job ends whole, so that a failed or aborted job leaves
    // neither a half file nor a lost earlier one; for a queue the file handed to it.
    std::unique_ptr<QTemporaryFile> temp;
    QPrinter printer{QPrinter::HighResolution};
    QPainter painter;
    std::unique_ptr<TPainterDC> dc;
    // A PDF file: JPEG pictures keep their own bytes in it.
    std::unique_ptr<TPdfJpegPass> jpegs;
};

const QString& TPrinter::PdfPrinterName() {
    static const QString name = QStringLiteral("Print to PDF file");
    return name;
}

TPrinter::TPrinter(TPrinterList list) : list_(list) {
    Refresh();
}

TPrinter::~TPrinter() {
    if (job_) Abort();
}

void TPrinter::Refresh() {
    CheckNoJob();
    const QString selected = index_ >= 0 ? names_.value(index_) : QString();
    QString def;
    names_.clear();
    // Qt's listing waits on the print server as long as the server's library lets it:
    // the server is asked first, within a deadline of our own.
    if (list_ == TPrinterList::Queues && CheckPrintServer()) {
        names_ = QPrinterInfo::availablePrinterNames();
        def = QPrinterInfo::defaultPrinterName();
    }
    names_.append(PdfPrinterName());
    defaultIndex_ = def.isEmpty() ? -1 : static_cast<int>(names_.indexOf(def));
    if (defaultIndex_ < 0) defaultIndex_ = static_cast<int>(names_.size()) - 1;
    const int again = static_cast<int>(names_.indexOf(selected));
    Select(again >= 0 ? again : defaultIndex_);
}

void TPrinter::CheckNoJob() const {
    if (job_) throw EPrinter(QString::fromLatin1(SPrinting));
}

void TPrinter::SetPrinterIndex(int index) {
    CheckNoJob();
    if (index == -1) index = defaultIndex_;
    if (index < 0 || index >= names_.size())
        throw EPrinter(QString::fromLatin1(SPrinterIndexError));
    Select(index);
}

void TPrinter::SetPrinterName(const QString& name) {
    const int index = static_cast<int>(names_.indexOf(name));
    if (index < 0) throw EPrinter(QString::fromLatin1(SUnknownPrinter).arg(name));
    SetPrinterIndex(index);
}

bool TPrinter::IsPdfPrinter() const {
    return index_ == names_.size() - 1;
}

void TPrinter::Select(int index) {
    Capabilities caps = ReadCapabilities(names_.value(index));
    index_ = index;
    caps_ = std::move(caps);
    marginsFor_.reset();
    mode_ = DefaultDeviceMode();
}

TPrinter::Capabilities TPrinter::ReadCapabilities(const QString& name) const {
    Capabilities caps;
    if (name == PdfPrinterName()) {
        for (int id = 0; id <= QPageSize::LastPageSize; ++id) {
            const QPageSize size(static_cast<QPageSize::PageSizeId>(id));
            const int code = size.windowsId();
            if (code == DMPAPER_USER || caps.paperCodes.contains(code)) continue;
            caps.paperCodes.append(code);
            caps.pageSizes.append(size);
        }
        caps.paperCodes.append(DMPAPER_USER);
        caps.customSizes = true;
        caps.dpi = 600;
        caps.driver = QStringLiteral("PDF");
        caps.port = QStringLiteral("FILE:");
        caps.defaultPageSize = QPageSize(QPageSize::A4);
        return caps;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    for (const QPageSize& size : info.supportedPageSizes()) {
        const int code = size.windowsId();
        if (code == DMPAPER_USER || caps.paperCodes.contains(code)) continue;
        caps.paperCodes.append(code);
        caps.pageSizes.append(size);
    }
    std::sort(caps.paperCodes.begin(), caps.paperCodes.end());
    caps.customSizes = info.supportsCustomPageSizes();
    if (caps.customSizes) caps.paperCodes.append(DMPAPER_USER);
    const QList<QPrinter::DuplexMode> duplex = info.supportedDuplexModes();
    caps.duplex =
        duplex.contains(QPrinter::DuplexLongSide) || duplex.contains(QPrinter::DuplexShortSide);
    caps.driver = info.makeAndModel();
    caps.port = QueueAttribute(name, "device-uri");
    caps.defaultPageSize = info.defaultPageSize();
    ReadPpd(name, caps.sources, caps.defaultSourceKey, caps.dpi);
    return caps;
}

TDeviceMode TPrinter::DefaultDeviceMode() const {
    TDeviceMode m;
    m.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_COLLATE;
    if (caps_.customSizes) m.dmFields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
    if (!caps_.sources.isEmpty()) m.dmFields |= DM_DEFAULTSOURCE;
    if (caps_.duplex) m.dmFields |= DM_DUPLEX;
    const QPageSize& size = caps_.defaultPageSize;
    const QSizeF mm = size.isValid() ? size.size(QPageSize::Millimeter) : QSizeF(210, 297);
    m.dmPaperSize = size.isValid() ? size.windowsId() : 9;
    m.dmPaperWidth = RoundInt(mm.width() * 10);
    m.dmPaperLength = RoundInt(mm.height() * 10);
    for (const TPaperSource& s : caps_.sources)
        if (s.key == caps_.defaultSourceKey) m.dmDefaultSource = s.code;
    return m;
}

QString TPrinter::DeviceName() const {
    return names_.value(index_);
}

QString TPrinter::DriverName() const {
    return caps_.driver;
}

QString TPrinter::PortName() const {
    return caps_.port;
}

// ---- Device mode -------------------------------------------------------------------------

void TPrinter::CheckDeviceMode(const TDeviceMode& m) const {
    const QString name = DeviceName();
    if (m.dmFields & DM_PAPERSIZE) {
        if (m.dmPaperSize == DMPAPER_USER) {
            if (!caps_.customSizes || m.dmPaperWidth < kMinCustom || m.dmPaperWidth > kMaxCustom ||
                m.dmPaperLength < kMinCustom || m.dmPaperLength > kMaxCustom)
                throw EPrinter(QString::fromLatin1(SCustomSize)
                                   .arg(name)
                                   .arg(m.dmPaperWidth / 10.0)
                                   .arg(m.dmPaperLength / 10.0));
        } else if (!caps_.paperCodes.contains(m.dmPaperSize)) {
            throw EPrinter(
                QString::fromLatin1(SPaperNotOffered).arg(name, PaperName(m.dmPaperSize)));
        }
    }
    if ((m.dmFields & DM_COPIES) && (m.dmCopies < 1 || m.dmCopies > kMaxCopies))
        throw EPrinter(QString::fromLatin1(SCopies).arg(name).arg(m.dmCopies));
    if ((m.dmFields & DM_ORIENTATION) && m.dmOrientation != DMORIENT_PORTRAIT &&
        m.dmOrientation != DMORIENT_LANDSCAPE)
        throw EPrinter(QString::fromLatin1(SOrientation).arg(m.dmOrientation));
    if (m.dmFields & DM_DUPLEX) {
        if (m.dmDuplex < DMDUP_SIMPLEX || m.dmDuplex > DMDUP_HORIZONTAL)
            throw EPrinter(QString::fromLatin1(SDuplexCode).arg(m.dmDuplex));
        if (m.dmDuplex != DMDUP_SIMPLEX && !caps_.duplex)
            throw EPrinter(QString::fromLatin1(SDuplex).arg(name));
    }
}

void TPrinter::SetDeviceMode(const TDeviceMode& mode) {
    CheckNoJob();
    CheckDeviceMode(mode);
    mode_ = mode;
}

// ---- Page geometry -----------------------------------------------------------------------

QPageSize TPrinter::PageSizeOf(const TDeviceMode& m) const {
    if ((m.dmFields & DM_PAPERSIZE) && m.dmPaperSize == DMPAPER_USER)
        return QPageSize(QSizeF(m.dmPaperWidth / 10.0, m.dmPaperLength / 10.0),
                         QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    const int code =
        (m.dmFields & DM_PAPERSIZE) ? m.dmPaperSize : caps_.defaultPageSize.windowsId();
    for (const QPageSize& size : caps_.pageSizes)
        if (size.windowsId() == code) return size;
    return caps_.defaultPageSize.isValid() ? caps_.defaultPageSize : QPageSize(QPageSize::A4);
}

QMarginsF TPrinter::MinimumMargins(const TDeviceMode& m) const {
    if (IsPdfPrinter()) return {};
    const QPageSize size = PageSizeOf(m);
    if (marginsFor_ && marginsFor_->isEquivalentTo(size)) return margins_;
    // The queue's unprintable margins for this paper, in points, for portrait paper.
    QPrinter probe(QPrinterInfo::printerInfo(DeviceName()), QPrinter::HighResolution);
    probe.setPageOrientation(QPageLayout::Portrait);
    probe.setPageSize(size);
    margins_ = probe.pageLayout().minimumMargins();
    marginsFor_ = size;
    return margins_;
}

QPageLayout TPrinter::Layout(const TDeviceMode& m) const {
    const bool landscape = (m.dmFields & DM_ORIENTATION) && m.dmOrientation == DMORIENT_LANDSCAPE;
    return QPageLayout(PageSizeOf(m), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(), QPageLayout::Point);
}

QPoint TPrinter::PrintingOffset() const {
    const QMarginsF m = MinimumMargins(mode_);
    const bool landscape =
        (mode_.dmFields & DM_ORIENTATION) && mode_.dmOrientation == DMORIENT_LANDSCAPE;
    // Landscape paper is the portrait sheet turned a quarter counter-clockwise: its top
    // edge was the sheet's right edge, its left edge the sheet's top.
    const qreal left = landscape ? m.top() : m.left();
    const qreal top = landscape ? m.right() : m.top();
    return {RoundInt(left * caps_.dpi / 72.0L), RoundInt(top * caps_.dpi / 72.0L)};
}

QSize TPrinter::PhysicalPageSize() const {
    return Layout(mode_).fullRectPixels(caps_.dpi).size();
}

int TPrinter::PageWidth() const {
    const QMarginsF m = MinimumMargins(mode_);
    return PhysicalPageSize().width() - RoundInt((m.left() + m.right()) * caps_.dpi / 72.0L);
}

int TPrinter::PageHeight() const {
    const QMarginsF m = MinimumMargins(mode_);
    return PhysicalPageSize().height() - RoundInt((m.top() + m.bottom()) * caps_.dpi / 72.0L);
}

// ---- Jobs --------------------------------------------------------------------------------

TDeviceContext* TPrinter::Handle() const {
    return job_ ? job_->dc.get() : nullptr;
}

QString TPrinter::PdfTarget() {
    if (!outputFile_.isEmpty()) return outputFile_;
    const TOutputFileQuestion& ask = OutputFileQuestion();
    std::optional<QString> chosen = ask ? ask(title_) : std::nullopt;
    if (!chosen || chosen->isEmpty()) ::Abort(); // the user declined: no job, nothing said
    return *chosen;
}

void TPrinter::BeginDoc() {
    CheckNoJob();
    const QString name = DeviceName();
    if (!IsPdfPrinter() &&
        QueueAttribute(name, "printer-is-accepting-jobs") == QLatin1String("false"))
        throw EPrinter(QString::fromLatin1(SNotAccepting).arg(name, RefusalReason(name)));
    auto job = std::make_unique<Job>();
    if (IsPdfPrinter()) {
        job->target = PdfTarget();
        const QFileInfo info(job->target);
        job->temp = std::make_unique<QTemporaryFile>(info.absolutePath() + QStringLiteral("/.") +
                                                     info.fileName() + QStringLiteral("-XXXXXX"));
        if (!job->temp->open())
            throw EPrinter(
                QString::fromLatin1(SCannotWriteIn).arg(job->target, job->temp->errorString()));
    } else {
        job->temp = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                     QStringLiteral("/printjob-XXXXXX.pdf"));
        if (!job->temp->open())
            throw EPrinter(QString::fromLatin1(SCannotWrite).arg(job->temp->fileTemplate()));
    }
    job->temp->close();
    QPrinter& p = job->printer;
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setResolution(caps_.dpi);
    p.setFullPage(true);
    p.setPageLayout(Layout(mode_));
    p.setDocName(title_);
    p.setCreator(QStringLiteral("Sleevane"));
    p.setOutputFileName(job->temp->fileName());
    if (!job->painter.begin(&p)) {
        const QString target = job->target.isEmpty() ? job->temp->fileName() : job->target;
        throw EPrinter(QString::fromLatin1(SCannotWrite).arg(target));
    }
    job->dc = std::make_unique<TPainterDC>(&job->painter, DT_RASPRINTER);
    if (IsPdfPrinter()) job->jpegs = std::make_unique<TPdfJpegPass>(&job->printer);
    const QPoint offset = PrintingOffset();
    const QSize paper = PhysicalPageSize();
    // The context's origin is the corner of the printable area.
    job->painter.translate(offset);
    job->dc->SetDeviceCaps(LOGPIXELSX, caps_.dpi);
    job->dc->SetDeviceCaps(LOGPIXELSY, caps_.dpi);
    job->dc->SetDeviceCaps(PHYSICALOFFSETX, offset.x());
    job->dc->SetDeviceCaps(PHYSICALOFFSETY, offset.y());
    job->dc->SetDeviceCaps(PHYSICALWIDTH, paper.width());
    job->dc->SetDeviceCaps(PHYSICALHEIGHT, paper.height());
    job->dc->SetDeviceCaps(HORZRES, PageWidth());
    job->dc->SetDeviceCaps(VERTRES, PageHeight());
    job->dc->SetDeviceCaps(HORZSIZE, RoundInt(PageWidth() * 25.4L / caps_.dpi));
    job->dc->SetDeviceCaps(VERTSIZE, RoundInt(PageHeight() * 25.4L / caps_.dpi));
    job_ = std::move(job);
    aborted_ = false;
    pageNumber_ = 1;
    canvas_ = std::make_unique<TCanvas>(job_->dc.get());
}

void TPrinter::NewPage() {
    if (!job_) throw EPrinter(QString::fromLatin1(SNotPrinting));
    job_->printer.newPage();
    ++pageNumber_;
    // A fresh canvas selects its font, pen and brush again on the new page.
    canvas_ = std::make_unique<TCanvas>(job_->dc.get());
}

void TPrinter::EndDoc() {
    if (!job_) throw EPrinter(QString::fromLatin1(SNotPrinting));
    canvas_.reset();
    std::unique_ptr<Job> job = std::move(job_);
    job->dc.reset();
    job->painter.end();
    pageNumber_ = 0;
    // The PDF writer says nothing of a write that failed (a full disk): a file without its
    // trailer is not a job that ended.
    const QString written = job->temp->fileName();
    if (!PdfComplete(written))
        throw EPrinter(QString::fromLatin1(SWriteFailed)
                           .arg(job->target.isEmpty() ? DeviceName() : job->target));
    try {
        if (job->jpegs) job->jpegs->Finish(written);
    } catch (const TPdfJpegError&) {
        throw EPrinter(QString::fromLatin1(SWriteFailed)
                           .arg(job->target.isEmpty() ? DeviceName() : job->target));
    }
    if (job->target.isEmpty()) {
        Submit(written);
        return;
    }
    ReplaceWith(written, job->target);
    job->temp->setAutoRemove(false);
}

void TPrinter::Abort() {
    if (!job_) throw EPrinter(QString::fromLatin1(SNotPrinting));
    canvas_.reset();
    std::unique_ptr<Job> job = std::move(job_); // its file goes with it
    job->dc.reset();
    job->painter.end();
    aborted_ = true;
    pageNumber_ = 0;
}

void TPrinter::Submit(const QString& file) {
    const QString name = DeviceName();
    cups_option_t* options = nullptr;
    int count = 0;
    const QByteArray copies =
        QByteArray::number((mode_.dmFields & DM_COPIES) ? std::max(1, mode_.dmCopies) : 1);
    count = Cups().cupsAddOption("copies", copies.constData(), count, &options);
    if (mode_.dmCollate) count = Cups().cupsAddOption("collate", "true", count, &options);
    const char* sides = "one-sided";
    if ((mode_.dmFields & DM_DUPLEX) && mode_.dmDuplex == DMDUP_VERTICAL)
        sides = "two-sided-long-edge";
    else if ((mode_.dmFields & DM_DUPLEX) && mode_.dmDuplex == DMDUP_HORIZONTAL)
        sides = "two-sided-short-edge";
    if (caps_.duplex) count = Cups().cupsAddOption("sides", sides, count, &options);
    const QPageSize size = PageSizeOf(mode_);
    const QByteArray media = size.key().toUtf8();
    if (!media.isEmpty() && size.windowsId() != DMPAPER_USER)
        count = Cups().cupsAddOption("media", media.constData(), count, &options);
    if (mode_.dmFields & DM_DEFAULTSOURCE) {
        const QByteArray key = SourceKey(caps_.sources, mode_.dmDefaultSource).toUtf8();
        if (!key.isEmpty())
            count = Cups().cupsAddOption("InputSlot", key.constData(), count, &options);
    }
    CheckPrintServer();
    const QByteArray queue = name.toUtf8(), path = QFile::encodeName(file),
                     title = (title_.isEmpty() ? QStringLiteral("Document") : title_).toUtf8();
    const int id = Cups().cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.constData(), path.constData(),
                                         title.constData(), count, options);
    Cups().cupsFreeOptions(count, options);
    if (id <= 0)
        throw EPrinter(QString::fromLatin1(SRejected).arg(
            name, QString::fromUtf8(Cups().cupsLastErrorString())));
}

TPrinter* Printer() {
    static std::unique_ptr<TPrinter> printer = std::make_unique<TPrinter>();
    return printer.get();
}

// ---- The print server's answer -----------------------------------------------------------

namespace {
// Tells the server's library to give up once the deadline has passed.
int WithinDeadline(http_t*, void* deadline) {
    return static_cast<QDeadlineTimer*>(deadline)->hasExpired() ? 0 : 1;
}
} // namespace

bool CheckPrintServer() {
    QDeadlineTimer deadline(kMaxPrintServerWaitMs);
    const char* server = Cups().cupsServer();
    http_t* http = Cups().httpConnect2(server, Cups().ippPort(), nullptr, AF_UNSPEC,
                                       Cups().cupsEncryption(), 1, kMaxPrintServerWaitMs, nullptr);
    if (!http) {
        // Refused at once: nobody there, nothing to wait for. A connection that did not
        // come within the deadline is a server that does not answer.
        if (deadline.hasExpired()) throw EPrinter(QString::fromLatin1(SServerSilent));
        return false;
    }
    struct Close {
        http_t* http;
        ~Close() { Cups().httpClose(http); }
    } close{http};
    Cups().httpSetTimeout(http, 0.25, WithinDeadline, &deadline);
    ipp_t* response =
        Cups().cupsDoRequest(http, Cups().ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/");
    // Any answer counts, an error too; silence until the deadline does not.
    const bool answered = response != nullptr || !deadline.hasExpired();
    Cups().ippDelete(response);
    if (!answered) throw EPrinter(QString::fromLatin1(SServerSilent));
    return true;
}
