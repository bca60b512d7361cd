#include "framework/printing/Printers.h"

#include "framework/core/Limits.h"
#include "framework/core/SysUtils.h"
#include "framework/graphics/PdfJpeg.h"
#include "framework/printing/PrintServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// ---- Texts -------------------------------------------------------------------------------

namespace {

const char* const SPrinterIndexError = QT_TRANSLATE_NOOP("SysConst", "Printer index out of range");
const char* const SUnknownPrinter = QT_TRANSLATE_NOOP("SysConst", "There is no printer named \"%1\"");
const char* const SPrinting = QT_TRANSLATE_NOOP("SysConst", "Printing in progress");
const char* const SNotPrinting = QT_TRANSLATE_NOOP("SysConst", "Printer is not currently printing");
const char* const SPaperNotOffered = QT_TRANSLATE_NOOP("SysConst", "The printer %1 does not offer the paper size %2");
const char* const SCustomSize = QT_TRANSLATE_NOOP("SysConst", "The printer %1 cannot take a paper of %2 x %3 mm");
const char* const SCopies = QT_TRANSLATE_NOOP("SysConst", "The printer %1 cannot print %2 copies");
const char* const SOrientation = QT_TRANSLATE_NOOP("SysConst", "Orientation %1 is not valid");
const char* const SDuplex = QT_TRANSLATE_NOOP("SysConst", "The printer %1 cannot print on both sides");
const char* const SDuplexCode = QT_TRANSLATE_NOOP("SysConst", "Two-sided mode %1 is not valid");
const char* const SCannotWrite = QT_TRANSLATE_NOOP("SysConst", "Cannot write the print file %1");
const char* const SCannotWriteIn = QT_TRANSLATE_NOOP("SysConst", "Cannot write the PDF file %1: %2");
const char* const SWriteFailed = QT_TRANSLATE_NOOP("SysConst", "The print file %1 could not be written whole (is the disk full?)");
const char* const SGoneSince = QT_TRANSLATE_NOOP("SysConst", "The printer %1 is gone");

// Custom sizes outside these bounds (0.1 mm) are refused whatever the queue says.
constexpr int kMinCustom = 100, kMaxCustom = 50000;

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

// ---- The question before replacing a file ------------------------------------------------

namespace {
TReplaceQuestion& ReplaceQuestion() {
    static TReplaceQuestion question;
    return question;
}
} // namespace

TReplaceQuestion SetReplaceQuestion(TReplaceQuestion question) {
    return std::exchange(ReplaceQuestion(), std::move(question));
}

// ---- Print files -------------------------------------------------------------------------

namespace {

QString ErrnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A file in dir without a name from the start where the file system allows it: nothing is
// left of it, whatever ends the program, until it is linked. Elsewhere a hidden file named
// after base, whose name comes back in `named` (removed by the job unless it ends whole).
int OpenPrintFile(const QString& dir, const QString& base, QString& named) {
    const QByteArray folder = QFile::encodeName(dir);
#ifdef O_TMPFILE
    // The mode a new file of the user has: the umask applies.
    const int fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return -1;
#endif
    QByteArray path = folder + "/." + QFile::encodeName(base) + "-XXXXXX";
    const int fallback = ::mkostemp(path.data(), O_CLOEXEC);
    if (fallback < 0) return -1;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fallback, 0666 & ~mask);
    named = QFile::decodeName(path);
    return fallback;
}

// A PDF file ends with its end-of-file marker, within the last bytes.
bool PdfComplete(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size < 8) return false;
    constexpr off_t kTail = 1024;
    const off_t from = std::max<off_t>(0, info.st_size - kTail);
    QByteArray tail(static_cast<int>(info.st_size - from), '\0');
    if (::pread(fd, tail.data(), static_cast<size_t>(tail.size()), from) != tail.size())
        return false;
    return tail.contains("%%EOF");
}

// The finished file takes the target's name in one step: a nameless one is linked under a
// hidden name beside it first, then renamed over it.
void Publish(int fd, QString& named, const QString& target) {
    const QByteArray to = QFile::encodeName(target);
    auto failed = [&] {
        return EPrinter(SysConst::Text(SCannotWriteIn).arg(target, ErrnoText()));
    };
    QByteArray from = QFile::encodeName(named);
    if (named.isEmpty()) {
        const QFileInfo info(target);
        const QByteArray proc = "/proc/self/fd/" + QByteArray::number(fd);
        for (int attempt = 0;; ++attempt) {
            from =
                QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                                  QStringLiteral("-%1").arg(QRandomGenerator::global()->generate(),
                                                            8, 16, QLatin1Char('0')));
            if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, from.constData(),
                         AT_SYMLINK_FOLLOW) == 0)
                break;
            if (errno != EEXIST || attempt > 16) throw failed();
        }
    }
    if (::rename(from.constData(), to.constData()) != 0) {
        const EPrinter error = failed();
        ::unlink(from.constData());
        named.clear();
        throw error;
    }
    named.clear();
    // The new name itself reaches the disk.
    const int folder = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

} // namespace

// ---- Offsets -----------------------------------------------------------------------------

namespace {

// The user's settings of the program, where each queue's offset is kept by its name.
std::unique_ptr<QSettings> UserSettings() {
    const QString organisation = QCoreApplication::organizationName();
    return std::make_unique<QSettings>(organisation.isEmpty() ? QStringLiteral("Sleevane")
                                                              : organisation,
                                       QStringLiteral("Sleevane"));
}

QString OffsetKey(const QString& queue) {
    return QStringLiteral("PrinterOffsets/") + QString::fromLatin1(QUrl::toPercentEncoding(queue));
}

double WithinOffsetBound(double mm) {
    if (!std::isfinite(mm)) return 0;
    return std::clamp(mm, -kMaxPrinterOffsetMm, kMaxPrinterOffsetMm);
}

} // namespace

TPrinterOffset TPrinter::StoredOffset(const QString& queue) {
    if (queue.isEmpty() || queue == PdfPrinterName()) return {};
    const auto settings = UserSettings();
    const QString key = OffsetKey(queue);
    return {WithinOffsetBound(settings->value(key + QStringLiteral("/x"), 0.0).toDouble()),
            WithinOffsetBound(settings->value(key + QStringLiteral("/y"), 0.0).toDouble())};
}

void TPrinter::StoreOffset(const QString& queue, const TPrinterOffset& offset) {
    if (queue.isEmpty() || queue == PdfPrinterName()) return;
    const auto settings = UserSettings();
    const QString key = OffsetKey(queue);
    const TPrinterOffset kept{WithinOffsetBound(offset.x), WithinOffsetBound(offset.y)};
    if (kept == TPrinterOffset{}) {
        settings->remove(key);
    } else {
        settings->setValue(key + QStringLiteral("/x"), kept.x);
        settings->setValue(key + QStringLiteral("/y"), kept.y);
    }
    settings->sync();
}

// ---- TPrinter: list and selection -------------------------------------------------------

struct TPrinter::Job {
    QString target; // the PDF file the user named; empty for a queue
    // What the job writes: a file without a name (or, where the file system has none of
    // those, a hidden one beside the target), which takes the target's name only when the
    // job ends whole, so that a failed, aborted or killed job leaves neither a half file
    // nor a lost earlier one; for a queue the file handed to it.
    QString named;
    std::unique_ptr<QFile> file;
    std::unique_ptr<QPdfWriter> writer;
    QPainter painter;
    std::unique_ptr<TPainterDC> dc;
    // A PDF file: JPEG pictures keep their own bytes in it.
    std::unique_ptr<TPdfJpegPass> jpegs;

    ~Job() {
        dc.reset();
        if (painter.isActive()) painter.end();
        writer.reset();
        file.reset();
        if (!named.isEmpty()) QFile::remove(named);
    }
};

const QString& TPrinter::PdfPrinterName() {
    static const QString name = QStringLiteral("Print to PDF file");
    return name;
}

TPrinter::TPrinter(TPrinterList list) : list_(list) {
    List(false);
    Select(defaultIndex_);
}

TPrinter::~TPrinter() {
    if (job_) Abort();
}

void TPrinter::List(bool again) {
    QString def;
    names_.clear();
    queues_.clear();
    if (list_ == TPrinterList::Queues) {
        const TQueueList list = PrintServer::Queues(again);
        for (const TQueueInfo& q : list.queues) {
            names_.append(q.name);
            queues_.append(q);
        }
        def = list.defaultQueue;
    }
    names_.append(PdfPrinterName());
    defaultIndex_ = def.isEmpty() ? -1 : static_cast<int>(names_.indexOf(def));
    if (defaultIndex_ < 0) defaultIndex_ = static_cast<int>(names_.size()) - 1;
}

void TPrinter::Refresh() {
    CheckNoJob();
    const QString selected = index_ >= 0 ? names_.value(index_) : QString();
    List(true);
    const int again = static_cast<int>(names_.indexOf(selected));
    if (again >= 0 || selected.isEmpty()) {
        Select(again >= 0 ? again : defaultIndex_);
        return;
    }
    // Never a silent change of printer: the default is selected, and the user told.
    Select(defaultIndex_);
    throw EPrinter(SysConst::Text(SGoneSince).arg(selected));
}

void TPrinter::CheckNoJob() const {
    if (job_) throw EPrinter(SysConst::Text(SPrinting));
}

void TPrinter::SetPrinterIndex(int index) {
    CheckNoJob();
    if (index == -1) index = defaultIndex_;
    if (index < 0 || index >= names_.size())
        throw EPrinter(SysConst::Text(SPrinterIndexError));
    Select(index);
}

void TPrinter::SetPrinterName(const QString& name) {
    CheckNoJob();
    int index = static_cast<int>(names_.indexOf(name));
    if (index < 0 && list_ == TPrinterList::Queues) {
        // A queue added since the list was read.
        const QString selected = names_.value(index_);
        List(true);
        index_ = static_cast<int>(names_.indexOf(selected));
        if (index_ < 0) Select(defaultIndex_);
        index = static_cast<int>(names_.indexOf(name));
    }
    if (index < 0) throw EPrinter(SysConst::Text(SUnknownPrinter).arg(name));
    SetPrinterIndex(index);
}

bool TPrinter::IsPdfPrinter() const {
    return index_ == names_.size() - 1;
}

void TPrinter::Select(int index) {
    Capabilities caps = ReadCapabilities(index);
    index_ = index;
    caps_ = std::move(caps);
    mode_ = DefaultDeviceMode();
}

TPrinter::Capabilities TPrinter::ReadCapabilities(int index) const {
    Capabilities caps;
    if (index == names_.size() - 1) {
        for (int id = 0; id <= QPageSize::LastPageSize; ++id) {
            const QPageSize size(static_cast<QPageSize::PageSizeId>(id));
            const int code = size.windowsId();
            if (code == DMPAPER_USER || caps.paperCodes.contains(code)) continue;
            caps.paperCodes.append(code);
            caps.pageSizes.append(size);
            caps.margins.append(QMarginsF());
        }
        caps.paperCodes.append(DMPAPER_USER);
        caps.customSizes = true;
        caps.dpi = 600;
        caps.driver = QStringLiteral("PDF");
        caps.port = QStringLiteral("FILE:");
        caps.defaultPageSize = QPageSize(QPageSize::A4);
        return caps;
    }
    const TQueueInfo& queue = queues_.at(index);
    const TQueueDescription d = PrintServer::Describe(queue.name);
    for (qsizetype i = 0; i < d.pageSizes.size(); ++i) {
        const int code = d.pageSizes[i].windowsId();
        if (code == DMPAPER_USER || caps.paperCodes.contains(code)) continue;
        caps.paperCodes.append(code);
        caps.pageSizes.append(d.pageSizes[i]);
        caps.margins.append(d.margins.value(i));
    }
    std::sort(caps.paperCodes.begin(), caps.paperCodes.end());
    caps.customSizes = d.customSizes;
    caps.customMargins = d.customMargins;
    if (caps.customSizes) caps.paperCodes.append(DMPAPER_USER);
    caps.duplex = d.duplex;
    caps.driver = queue.makeAndModel;
    caps.port = queue.deviceUri;
    caps.defaultPageSize = d.defaultPageSize;
    int user = 0;
    for (const QString& key : d.inputSlots) {
        const int code = SourceCode(key, user);
        if (code >= DMBIN_USER) ++user;
        caps.sources.append({code, key});
    }
    caps.defaultSourceKey = d.defaultInputSlot;
    caps.dpi = d.dpi;
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
                throw EPrinter(SysConst::Text(SCustomSize)
                                   .arg(name)
                                   .arg(m.dmPaperWidth / 10.0)
                                   .arg(m.dmPaperLength / 10.0));
        } else if (!caps_.paperCodes.contains(m.dmPaperSize)) {
            throw EPrinter(
                SysConst::Text(SPaperNotOffered).arg(name, PaperName(m.dmPaperSize)));
        }
    }
    if ((m.dmFields & DM_COPIES) && (m.dmCopies < 1 || m.dmCopies > kMaxPrintCopies))
        throw EPrinter(SysConst::Text(SCopies).arg(name).arg(m.dmCopies));
    if ((m.dmFields & DM_ORIENTATION) && m.dmOrientation != DMORIENT_PORTRAIT &&
        m.dmOrientation != DMORIENT_LANDSCAPE)
        throw EPrinter(SysConst::Text(SOrientation).arg(m.dmOrientation));
    if (m.dmFields & DM_DUPLEX) {
        if (m.dmDuplex < DMDUP_SIMPLEX || m.dmDuplex > DMDUP_HORIZONTAL)
            throw EPrinter(SysConst::Text(SDuplexCode).arg(m.dmDuplex));
        if (m.dmDuplex != DMDUP_SIMPLEX && !caps_.duplex)
            throw EPrinter(SysConst::Text(SDuplex).arg(name));
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
    // The queue's unprintable margins for this paper, in points, for portrait paper.
    const QPageSize size = PageSizeOf(m);
    for (qsizetype i = 0; i < caps_.pageSizes.size(); ++i)
        if (caps_.pageSizes[i].isEquivalentTo(size)) return caps_.margins.value(i);
    return caps_.customMargins;
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

// The PDF file a job writes. A file named before (in the printer set-up) that exists is
// replaced only when the user says so; otherwise the user names another, the document's
// name proposed.
QString TPrinter::PdfTarget() {
    const TOutputFileQuestion& ask = OutputFileQuestion();
    if (!outputFile_.isEmpty()) {
        const TReplaceQuestion& replace = ReplaceQuestion();
        if (!replace || !QFileInfo::exists(outputFile_) || replace(outputFile_)) return outputFile_;
        if (!ask) ::Abort();
    }
    std::optional<QString> chosen = ask ? ask(title_) : std::nullopt;
    if (!chosen || chosen->isEmpty()) ::Abort(); // the user declined: no job, nothing said
    return *chosen;
}

void TPrinter::BeginDoc() {
    CheckNoJob();
    const QString name = DeviceName();
    if (!IsPdfPrinter()) PrintServer::CheckAccepting(name);
    auto job = std::make_unique<Job>();
    int fd = -1;
    if (IsPdfPrinter()) {
        job->target = PdfTarget();
        const QFileInfo info(job->target);
        fd = OpenPrintFile(info.absolutePath(), info.fileName(), job->named);
        if (fd < 0)
            throw EPrinter(SysConst::Text(SCannotWriteIn).arg(job->target, ErrnoText()));
    } else {
        fd = OpenPrintFile(QDir::tempPath(), QStringLiteral("printjob"), job->named);
        if (fd < 0)
            throw EPrinter(SysConst::Text(SCannotWrite).arg(QDir::tempPath()) +
                           QStringLiteral(": ") + ErrnoText());
        // A job handed to a queue needs no name at all.
        if (!job->named.isEmpty()) {
            QFile::remove(job->named);
            job->named.clear();
        }
    }
    job->file = std::make_unique<QFile>();
    if (!job->file->open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw EPrinter(SysConst::Text(SCannotWrite).arg(job->target));
    }
    job->writer = std::make_unique<QPdfWriter>(job->file.get());
    QPdfWriter& p = *job->writer;
    p.setResolution(caps_.dpi);
    p.setPageLayout(Layout(mode_));
    p.setTitle(title_);
    p.setCreator(QStringLiteral("Sleevane"));
    if (!job->painter.begin(&p)) {
        const QString target = job->target.isEmpty() ? DeviceName() : job->target;
        throw EPrinter(SysConst::Text(SCannotWrite).arg(target));
    }
    job->dc = std::make_unique<TPainterDC>(&job->painter, DT_RASPRINTER);
    if (IsPdfPrinter()) job->jpegs = std::make_unique<TPdfJpegPass>(job->writer.get());
    const QPoint offset = PrintingOffset();
    const QSize paper = PhysicalPageSize();
    // The context's origin is the corner of the printable area, moved by the queue's own
    // offset (a PDF file is never moved): everything the job draws moves with it.
    const TPrinterOffset shift = IsPdfPrinter() ? TPrinterOffset{} : StoredOffset(name);
    job->painter.translate(QPointF(offset) + QPointF(shift.x, shift.y) * caps_.dpi / 25.4);
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
    if (!job_) throw EPrinter(SysConst::Text(SNotPrinting));
    job_->writer->newPage();
    ++pageNumber_;
    // A fresh canvas selects its font, pen and brush again on the new page.
    canvas_ = std::make_unique<TCanvas>(job_->dc.get());
}

void TPrinter::EndDoc() {
    if (!job_) throw EPrinter(SysConst::Text(SNotPrinting));
    canvas_.reset();
    std::unique_ptr<Job> job = std::move(job_);
    job->dc.reset();
    job->painter.end();
    job->writer.reset();
    pageNumber_ = 0;
    const QString shown = job->target.isEmpty() ? DeviceName() : job->target;
    // The PDF writer says nothing of a write that failed (a full disk): every write, the
    // last flush and the sync to the disk are checked, and a file without its trailer is
    // not a job that ended.
    QFile& file = *job->file;
    const int fd = file.handle();
    if (file.error() != QFileDevice::NoError || !file.flush() || !PdfComplete(fd))
        throw EPrinter(SysConst::Text(SWriteFailed).arg(shown));
    try {
        if (job->jpegs) job->jpegs->Finish(fd);
    } catch (const TPdfJpegError&) {
        throw EPrinter(SysConst::Text(SWriteFailed).arg(shown));
    }
    if (::fsync(fd) != 0) throw EPrinter(SysConst::Text(SWriteFailed).arg(shown));
    if (job->target.isEmpty()) {
        Submit(fd);
        return;
    }
    Publish(fd, job->named, job->target);
}

void TPrinter::Abort() {
    if (!job_) throw EPrinter(SysConst::Text(SNotPrinting));
    canvas_.reset();
    std::unique_ptr<Job> job = std::move(job_); // its file goes with it
    job->dc.reset();
    job->painter.end();
    aborted_ = true;
    pageNumber_ = 0;
}

void TPrinter::Submit(int fd) {
    const QString name = DeviceName();
    QList<std::pair<QByteArray, QByteArray>> options;
    auto add = [&](const QByteArray& option, const QByteArray& value) {
        options.append(std::pair(option, value));
    };
    add("copies",
        QByteArray::number((mode_.dmFields & DM_COPIES) ? std::max(1, mode_.dmCopies) : 1));
    if (mode_.dmCollate) add("collate", "true");
    const char* sides = "one-sided";
    if ((mode_.dmFields & DM_DUPLEX) && mode_.dmDuplex == DMDUP_VERTICAL)
        sides = "two-sided-long-edge";
    else if ((mode_.dmFields & DM_DUPLEX) && mode_.dmDuplex == DMDUP_HORIZONTAL)
        sides = "two-sided-short-edge";
    if (caps_.duplex) add("sides", sides);
    const QPageSize size = PageSizeOf(mode_);
    const QByteArray media = size.key().toUtf8();
    if (!media.isEmpty() && size.windowsId() != DMPAPER_USER) add("media", media);
    if (mode_.dmFields & DM_DEFAULTSOURCE) {
        const QByteArray key = SourceKey(caps_.sources, mode_.dmDefaultSource).toUtf8();
        if (!key.isEmpty()) add("InputSlot", key);
    }
    PrintServer::PrintFile(name, fd, title_.isEmpty() ? QStringLiteral("Sleevane") : title_,
                           options);
}
