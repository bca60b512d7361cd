#include "framework/printing/PrintServer.h"

#include "framework/core/Limits.h"
#include "framework/core/SysUtils.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QSize>
#include <QThread>
#include <QUrl>

#include <cups/cups.h>
#include <cups/ppd.h>

// The print server's library marks its reading of queue description files deprecated, yet
// it is the one interface to a queue's paper sources and resolution.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const SServerSilent = "The print server %1 does not answer";
const char* const SServerFailed = "The print server %1 failed: %2";
const char* const SNoServerLibrary = "The print server's library %1 cannot be loaded: %2";
const char* const SGone = "The printer %1 is gone (the print server %2 no longer has it)";
const char* const SNotAccepting = "The printer %1 does not accept jobs: %2";
const char* const SNotAcceptingReason = "the queue is not accepting jobs";
const char* const SRejected = "The printer %1 rejected the job: %2";
const char* const SNoMemory = "Cannot keep the description of the printer %1";

// ---- The print server's library ---------------------------------------------------------

// The print server's client library is loaded by the first step that talks to the server:
// a program that never prints, as the editor until its first print, never maps it nor the
// network and security libraries that come with it.
#define SLEEVANE_CUPS_FUNCTIONS(X)                                                                 \
    X(cupsAddOption)                                                                               \
    X(cupsDoIORequest)                                                                             \
    X(cupsDoRequest)                                                                               \
    X(cupsEncodeOptions2)                                                                          \
    X(cupsEncryption)                                                                              \
    X(cupsFreeOptions)                                                                             \
    X(cupsGetFd)                                                                                   \
    X(cupsLastError)                                                                               \
    X(cupsLastErrorString)                                                                         \
    X(cupsServer)                                                                                  \
    X(cupsUser)                                                                                    \
    X(httpAssembleURIf)                                                                            \
    X(httpClose)                                                                                   \
    X(httpConnect2)                                                                                \
    X(httpSetTimeout)                                                                              \
    X(ippAddString)                                                                                \
    X(ippAddStrings)                                                                               \
    X(ippDelete)                                                                                   \
    X(ippFindAttribute)                                                                            \
    X(ippFirstAttribute)                                                                           \
    X(ippGetBoolean)                                                                               \
    X(ippGetGroupTag)                                                                              \
    X(ippGetName)                                                                                  \
    X(ippGetStatusCode)                                                                            \
    X(ippGetString)                                                                                \
    X(ippGetValueTag)                                                                              \
    X(ippNewRequest)                                                                               \
    X(ippNextAttribute)                                                                            \
    X(ippPort)                                                                                     \
    X(ppdClose)                                                                                    \
    X(ppdFindChoice)                                                                               \
    X(ppdFindOption)                                                                               \
    X(ppdOpenFd)

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

// ---- One exchange with the server -------------------------------------------------------

// Tells the server's library to give up once the deadline has passed.
int WithinDeadline(http_t*, void* deadline) {
    return static_cast<QDeadlineTimer*>(deadline)->hasExpired() ? 0 : 1;
}

// The server as the user named it: a socket, a host, with its port when not the usual one.
QString ServerName() {
    const QString server = QString::fromLocal8Bit(Cups().cupsServer());
    const int port = Cups().ippPort();
    if (server.startsWith(QLatin1Char('/')) || port == IPP_PORT) return server;
    return QStringLiteral("%1:%2").arg(server).arg(port);
}

// A connection of its own, every wait of which ends by the deadline. A server that is not
// there at all (refused at once) leaves it unconnected.
class TExchange {
public:
    explicit TExchange(int waitMs = kMaxPrintServerWaitMs) : deadline_(waitMs) {
        const TCupsLibrary& c = Cups();
        http_ = c.httpConnect2(c.cupsServer(), c.ippPort(), nullptr, AF_UNSPEC, c.cupsEncryption(),
                               1, waitMs, nullptr);
        if (!http_) {
            // A connection that did not come within the deadline is a server that does
            // not answer; one refused at once is no server.
            if (deadline_.hasExpired()) Silent();
            return;
        }
        c.httpSetTimeout(http_, 0.25, WithinDeadline, &deadline_);
    }
    ~TExchange() {
        if (http_) Cups().httpClose(http_);
    }
    TExchange(const TExchange&) = delete;
    TExchange& operator=(const TExchange&) = delete;

    bool Connected() const { return http_ != nullptr; }

    // The answer to request (taken); null with the server's error otherwise. Silence
    // until the deadline raises EPrinter.
    ipp_t* Ask(ipp_t* request, const char* resource, int infile = -1) {
        const TCupsLibrary& c = Cups();
        ipp_t* response = infile >= 0 ? c.cupsDoIORequest(http_, request, resource, infile, -1)
                                      : c.cupsDoRequest(http_, request, resource);
        if (!response && deadline_.hasExpired()) Silent();
        return response;
    }

    // The file at resource into fd; false when the server has none. Silence until the
    // deadline raises EPrinter.
    bool Fetch(const char* resource, int fd) {
        const http_status_t status = Cups().cupsGetFd(http_, resource, fd);
        if (status != HTTP_STATUS_OK && deadline_.hasExpired()) Silent();
        return status == HTTP_STATUS_OK;
    }

    [[noreturn]] void Failed() const {
        throw EPrinter(QString::fromLatin1(SServerFailed)
                           .arg(ServerName(), QString::fromUtf8(Cups().cupsLastErrorString())));
    }

private:
    [[noreturn]] static void Silent() {
        throw EPrinter(QString::fromLatin1(SServerSilent).arg(ServerName()));
    }

    QDeadlineTimer deadline_;
    http_t* http_ = nullptr;
};

struct TResponse {
    ipp_t* ipp;
    ~TResponse() { Cups().ippDelete(ipp); }
    ipp_status_t Status() const {
        return ipp ? Cups().ippGetStatusCode(ipp) : Cups().cupsLastError();
    }
    bool Ok() const { return ipp && Status() <= IPP_STATUS_OK_EVENTS_COMPLETE; }
    QString Text(const char* name) const {
        ipp_attribute_t* a = ipp ? Cups().ippFindAttribute(ipp, name, IPP_TAG_ZERO) : nullptr;
        const char* text = a ? Cups().ippGetString(a, 0, nullptr) : nullptr;
        return text ? QString::fromUtf8(text) : QString();
    }
};

QByteArray QueueUri(const QString& queue) {
    char uri[HTTP_MAX_URI];
    const QByteArray name = queue.toUtf8();
    Cups().httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                            "/printers/%s", name.constData());
    return uri;
}

QByteArray QueueResource(const QString& queue) {
    return "/printers/" + QUrl::toPercentEncoding(queue);
}

} // namespace

// ---- What a process keeps ----------------------------------------------------------------

namespace {

struct TKept {
    std::mutex lock;
    std::optional<TQueueList> queues;
    std::map<QString, TQueueDescription> descriptions;
};

TKept& Kept() {
    static TKept kept;
    return kept;
}

TQueueList AskQueues() {
    TQueueList list;
    TExchange exchange;
    if (!exchange.Connected()) return list;
    const TCupsLibrary& c = Cups();
    static const char* const kWanted[] = {"printer-name", "printer-make-and-model", "device-uri"};
    ipp_t* request = c.ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    c.ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                    static_cast<int>(std::size(kWanted)), nullptr, kWanted);
    {
        const TResponse printers{exchange.Ask(request, "/")};
        // A server without queues answers "not found".
        if (!printers.ipp) exchange.Failed();
        if (!printers.Ok() && printers.Status() != IPP_STATUS_ERROR_NOT_FOUND) exchange.Failed();
        TQueueInfo queue;
        auto take = [&] {
            if (!queue.name.isEmpty()) list.queues.append(queue);
            queue = {};
        };
        for (ipp_attribute_t* a = c.ippFirstAttribute(printers.ipp); a;
             a = c.ippNextAttribute(printers.ipp)) {
            const char* name = c.ippGetName(a);
            if (c.ippGetGroupTag(a) != IPP_TAG_PRINTER || !name) {
                take();
                continue;
            }
            const char* text = c.ippGetString(a, 0, nullptr);
            const QString value = text ? QString::fromUtf8(text) : QString();
            if (qstrcmp(name, "printer-name") == 0)
                queue.name = value;
            else if (qstrcmp(name, "printer-make-and-model") == 0)
                queue.makeAndModel = value;
            else if (qstrcmp(name, "device-uri") == 0)
                queue.deviceUri = value;
        }
        take();
    }
    // The user's choice first, as the server's own tools take it.
    for (const char* variable : {"LPDEST", "PRINTER"}) {
        const QString named = qEnvironmentVariable(variable);
        if (!named.isEmpty() && named != QLatin1String("lp")) {
            list.defaultQueue = named.section(QLatin1Char('/'), 0, 0);
            return list;
        }
    }
    const TResponse def{exchange.Ask(c.ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/")};
    if (!def.ipp) exchange.Failed();
    if (def.Ok()) list.defaultQueue = def.Text("printer-name");
    return list;
}

// A file in memory for what the server sends: nothing of it is ever left on disk.
struct TMemoryFile {
    int fd = ::memfd_create("sleevane-ppd", MFD_CLOEXEC);
    ~TMemoryFile() {
        if (fd >= 0) ::close(fd);
    }
};

int ResolutionOf(const char* choice) {
    const int value = std::atoi(choice ? choice : "");
    return value > 0 ? value : 0;
}

// A paper of the description: the standard size its key names, else the standard size of
// its dimensions, else a size of its own.
QPageSize PageSizeOf(const QString& key, const QSize& points, const QString& name) {
    for (int id = 0; id <= QPageSize::LastPageSize; ++id) {
        const auto standard = static_cast<QPageSize::PageSizeId>(id);
        if (QPageSize::key(standard) == key) return QPageSize(standard);
    }
    return QPageSize(points, name, QPageSize::FuzzyMatch);
}

TQueueDescription ReadDescription(ppd_file_t* ppd) {
    const TCupsLibrary& c = Cups();
    TQueueDescription d;
    ppd_option_t* pageSize = c.ppdFindOption(ppd, "PageSize");
    for (int i = 0; i < ppd->num_sizes; ++i) {
        const ppd_size_t& s = ppd->sizes[i];
        const QByteArray key(s.name);
        if (key == "Custom" || key.startsWith("Custom.")) continue;
        ppd_choice_t* choice = pageSize ? c.ppdFindChoice(pageSize, s.name) : nullptr;
        const QString text = choice ? QString::fromUtf8(choice->text) : QString::fromUtf8(key);
        const QPageSize size =
            PageSizeOf(QString::fromUtf8(key), QSize(qRound(s.width), qRound(s.length)), text);
        if (!size.isValid()) continue;
        d.pageSizes.append(size);
        d.margins.append(QMarginsF(s.left, s.length - s.top, s.width - s.right, s.bottom));
        if (pageSize && pageSize->defchoice == key) d.defaultPageSize = size;
    }
    if (!d.defaultPageSize.isValid())
        d.defaultPageSize = d.pageSizes.isEmpty() ? QPageSize(QPageSize::A4) : d.pageSizes.first();
    d.customSizes = ppd->variable_sizes != 0;
    d.customMargins = QMarginsF(ppd->custom_margins[0], ppd->custom_margins[3],
                                ppd->custom_margins[2], ppd->custom_margins[1]);
    for (const char* name : {"Duplex", "JCLDuplex"})
        if (ppd_option_t* duplex = c.ppdFindOption(ppd, name))
            for (int i = 0; i < duplex->num_choices; ++i)
                if (qstrcmp(duplex->choices[i].choice, "DuplexNoTumble") == 0 ||
                    qstrcmp(duplex->choices[i].choice, "DuplexTumble") == 0)
                    d.duplex = true;
    if (ppd_option_t* slot = c.ppdFindOption(ppd, "InputSlot")) {
        for (int i = 0; i < slot->num_choices; ++i)
            d.inputSlots << QString::fromUtf8(slot->choices[i].choice);
        d.defaultInputSlot = QString::fromUtf8(slot->defchoice);
    }
    if (ppd_option_t* res = c.ppdFindOption(ppd, "Resolution"))
        if (const int dpi = ResolutionOf(res->defchoice)) d.dpi = dpi;
    return d;
}

TQueueDescription AskDescription(const QString& queue) {
    TQueueDescription none;
    none.defaultPageSize = QPageSize(QPageSize::A4);
    TExchange exchange;
    if (!exchange.Connected()) return none;
    TMemoryFile file;
    if (file.fd < 0) throw EPrinter(QString::fromLatin1(SNoMemory).arg(queue));
    const QByteArray resource = QueueResource(queue) + ".ppd";
    if (!exchange.Fetch(resource.constData(), file.fd)) return none;
    if (::lseek(file.fd, 0, SEEK_SET) != 0) return none;
    ppd_file_t* ppd = Cups().ppdOpenFd(file.fd);
    if (!ppd) return none;
    struct Close {
        ppd_file_t* ppd;
        ~Close() { Cups().ppdClose(ppd); }
    } close{ppd};
    return ReadDescription(ppd);
}

} // namespace

namespace {
void AskAccepting(const QString& queue);
void HandOver(const QString& queue, int fd, const QString& title,
              const QList<std::pair<QByteArray, QByteArray>>& options);
} // namespace

// ---- Waiting with a window ---------------------------------------------------------------

namespace {

std::atomic<bool> gResponsive{false};

// Runs an exchange with the server. On the window thread of a program that asked for it,
// the exchange runs on a thread of its own while the window thread goes on with its
// events (repaints, timers) but not with the user's input, until the exchange ends, which
// it does within its own bound; its error is raised here. Elsewhere it runs in place.
void Exchanging(const std::function<void()>& work) {
    const QCoreApplication* app = QCoreApplication::instance();
    if (!gResponsive.load() || !app || QThread::currentThread() != app->thread()) {
        work();
        return;
    }
    std::exception_ptr failure;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    if (failure) std::rethrow_exception(failure);
}

} // namespace

// ---- The calls ---------------------------------------------------------------------------

namespace PrintServer {

QString Name() {
    return ServerName();
}

void SetResponsiveWaits(bool on) {
    gResponsive.store(on);
}

// What is kept is not locked while the server is asked: the window thread may ask again
// from an event while it waits.
TQueueList Queues(bool refresh) {
    TKept& kept = Kept();
    {
        std::lock_guard guard(kept.lock);
        if (!refresh && kept.queues) return *kept.queues;
    }
    TQueueList list;
    Exchanging([&] { list = AskQueues(); });
    std::lock_guard guard(kept.lock);
    kept.queues = list;
    return list;
}

TQueueDescription Describe(const QString& queue) {
    TKept& kept = Kept();
    {
        std::lock_guard guard(kept.lock);
        const auto at = kept.descriptions.find(queue);
        if (at != kept.descriptions.end()) return at->second;
    }
    TQueueDescription description;
    Exchanging([&] { description = AskDescription(queue); });
    std::lock_guard guard(kept.lock);
    return kept.descriptions.emplace(queue, description).first->second;
}

void CheckAccepting(const QString& queue) {
    Exchanging([&] { AskAccepting(queue); });
}

void PrintFile(const QString& queue, int fd, const QString& title,
               const QList<std::pair<QByteArray, QByteArray>>& options) {
    Exchanging([&] { HandOver(queue, fd, title, options); });
}

} // namespace PrintServer

namespace {

void AskAccepting(const QString& queue) {
    TExchange exchange;
    const TCupsLibrary& c = Cups();
    if (!exchange.Connected()) throw EPrinter(QString::fromLatin1(SGone).arg(queue, ServerName()));
    ipp_t* request = c.ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    const QByteArray uri = QueueUri(queue);
    c.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                   uri.constData());
    static const char* const kWanted[] = {"printer-is-accepting-jobs", "printer-state-message"};
    c.ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                    static_cast<int>(std::size(kWanted)), nullptr, kWanted);
    const TResponse answer{exchange.Ask(request, "/")};
    if (answer.Status() == IPP_STATUS_ERROR_NOT_FOUND)
        throw EPrinter(QString::fromLatin1(SGone).arg(queue, ServerName()));
    if (!answer.Ok()) exchange.Failed();
    ipp_attribute_t* accepting =
        c.ippFindAttribute(answer.ipp, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    if (accepting && !c.ippGetBoolean(accepting, 0)) {
        QString reason = answer.Text("printer-state-message");
        if (reason.isEmpty()) reason = QString::fromLatin1(SNotAcceptingReason);
        throw EPrinter(QString::fromLatin1(SNotAccepting).arg(queue, reason));
    }
}

void HandOver(const QString& queue, int fd, const QString& title,
              const QList<std::pair<QByteArray, QByteArray>>& options) {
    struct stat info {};
    const qint64 size = ::fstat(fd, &info) == 0 ? info.st_size : 0;
    // Handing a large file over takes its time: a second more for each 16 MB.
    TExchange exchange(kMaxPrintServerWaitMs + static_cast<int>(size >> 24) * 1000);
    if (!exchange.Connected()) throw EPrinter(QString::fromLatin1(SGone).arg(queue, ServerName()));
    const TCupsLibrary& c = Cups();
    cups_option_t* list = nullptr;
    int count = 0;
    for (const auto& [name, value] : options)
        count = c.cupsAddOption(name.constData(), value.constData(), count, &list);
    ipp_t* request = c.ippNewRequest(IPP_OP_PRINT_JOB);
    const QByteArray uri = QueueUri(queue), name = title.toUtf8();
    c.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                   uri.constData());
    c.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                   c.cupsUser());
    c.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, name.constData());
    c.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
                   "application/pdf");
    c.cupsEncodeOptions2(request, count, list, IPP_TAG_OPERATION);
    c.cupsEncodeOptions2(request, count, list, IPP_TAG_JOB);
    c.cupsFreeOptions(count, list);
    if (::lseek(fd, 0, SEEK_SET) != 0)
        throw EPrinter(QString::fromLatin1(SRejected).arg(queue, qt_error_string(errno)));
    const QByteArray resource = QueueResource(queue);
    const TResponse answer{exchange.Ask(request, resource.constData(), fd)};
    if (answer.Ok()) return;
    if (answer.Status() == IPP_STATUS_ERROR_NOT_FOUND)
        throw EPrinter(QString::fromLatin1(SGone).arg(queue, ServerName()));
    if (!answer.ipp && answer.Status() >= IPP_STATUS_ERROR_INTERNAL) exchange.Failed();
    throw EPrinter(
        QString::fromLatin1(SRejected).arg(queue, QString::fromUtf8(c.cupsLastErrorString())));
}

} // namespace
