#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdlib>
#include <map>
#include <memory>

#include <atomic>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

QString TestData(const QString& relative) {
    const char* root = std::getenv("SLEEVANE_TEST_DATA");
    return QDir(QString::fromLocal8Bit(root ? root : SLEEVANE_SOURCE_TEST_DATA)).filePath(relative);
}

QString TestTempDir() {
    static std::vector<std::unique_ptr<QTemporaryDir>> dirs;
    dirs.push_back(std::make_unique<QTemporaryDir>());
    return dirs.back()->path();
}

static bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

int CountPixels(const QImage& image, const QRect& rect, QRgb c, int tolerance) {
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (Near(image.pixel(x, y), c, tolerance)) ++n;
    return n;
}

QRect InkBox(const QImage& image, QRgb background, int tolerance) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!Near(image.pixel(x, y), background, tolerance)) box |= QRect(x, y, 1, 1);
    return box;
}

int ImageDifference(const QImage& a, const QImage& b, int* differing, int threshold) {
    if (a.size() != b.size()) return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32),
                 y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0, count = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int d = std::max({std::abs(qRed(p[col]) - qRed(q[col])),
                                    std::abs(qGreen(p[col]) - qGreen(q[col])),
                                    std::abs(qBlue(p[col]) - qBlue(q[col]))});
            worst = std::max(worst, d);
            if (d > threshold) ++count;
        }
    }
    if (differing) *differing = count;
    return worst;
}

void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// ---- Printing ----------------------------------------------------------------------------

QString PdfQueue() {
    return qEnvironmentVariable("SLEEVANE_PDF_QUEUE");
}

QString MarginsQueue() {
    return qEnvironmentVariable("SLEEVANE_MARGINS_QUEUE");
}

QString ClosedQueue() {
    return qEnvironmentVariable("SLEEVANE_CLOSED_QUEUE");
}

QString PrintOutputDir() {
    return qEnvironmentVariable("SLEEVANE_PDF_OUT");
}

QString UniqueJobTitle(const char* stem) {
    static int serial = 0;
    return QStringLiteral("%1%2x%3x%4")
        .arg(QLatin1String(stem))
        .arg(QCoreApplication::applicationPid())
        .arg(QDateTime::currentMSecsSinceEpoch())
        .arg(++serial);
}

QString WaitForQueueOutput(const QString& title, int timeoutMs) {
    const QDir dir(PrintOutputDir());
    QFileSystemWatcher watcher({dir.path()});
    QEventLoop loop;
    QString whole;
    // The backend writes the file under its final name; a page count means it is whole.
    // Each change to the folder or to the file itself is looked at as it comes.
    auto look = [&] {
        const QStringList found =
            dir.entryList({title + QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
        if (found.isEmpty()) return;
        const QString path = dir.filePath(found.first());
        if (!watcher.files().contains(path)) watcher.addPath(path);
        if (PdfPageCount(path) > 0) {
            whole = path;
            loop.quit();
        }
    };
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, look);
    QObject::connect(&watcher, &QFileSystemWatcher::fileChanged, &loop, look);
    look();
    if (!whole.isEmpty()) return whole;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return whole;
}

int PdfPageCount(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return -1;
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpression pages(QStringLiteral("^Pages:\\s+(\\d+)"),
                                   QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = pages.match(out);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QImage RenderPdfPage(const QString& pdf, int page, int dpi) {
    const QString base = TestTempDir() + QStringLiteral("/render-%1").arg(UniqueJobTitle("p"));
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
             QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
             QString::number(page), QStringLiteral("-singlefile"), pdf, base});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
    return QImage(base + QStringLiteral(".png"));
}

namespace {

std::map<std::string, TChildBody>& ChildBodies() {
    static std::map<std::string, TChildBody> bodies;
    return bodies;
}

} // namespace

bool RegisterChildBody(const char* name, TChildBody body) {
    ChildBodies()[name] = body;
    return true;
}

TChildBody ChildBodyToRun() {
    const QByteArray name = qgetenv("SLEEVANE_TEST_CHILD");
    if (name.isEmpty()) return nullptr;
    const auto it = ChildBodies().find(name.toStdString());
    return it == ChildBodies().end() ? nullptr : it->second;
}

// ---- A print server that never answers -----------------------------------------------------

struct SilentPrintServer::TState {
    TMode mode = TMode::Silent;
    int fd = -1;
    int port = 0;
    int stop[2] = {-1, -1};
    std::atomic<int> connections{0}, requests{0};
    std::thread thread;

    // Takes connections and reads them until told to stop.
    void Serve() {
        std::vector<pollfd> polled{{stop[0], POLLIN, 0}, {fd, POLLIN, 0}};
        std::map<int, QByteArray> read;
        bool answered = false;
        for (;;) {
            if (::poll(polled.data(), polled.size(), -1) < 0 && errno != EINTR) break;
            if (polled[0].revents) {
                // Connections still waiting count too.
                for (int c; (c = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
                    ++connections;
                    ::close(c);
                }
                break;
            }
            if (polled[1].revents & POLLIN) {
                const int c = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
                if (c >= 0) {
                    ++connections;
                    polled.push_back(
                        {c, static_cast<short>(mode == TMode::Silent ? 0 : POLLIN), 0});
                }
            }
            for (size_t i = 2; i < polled.size(); ++i) {
                if (!(polled[i].revents & (POLLIN | POLLHUP))) continue;
                char buffer[65536];
                const ssize_t n = ::read(polled[i].fd, buffer, sizeof buffer);
                if (n <= 0) {
                    polled[i].events = 0; // closed by the client: kept until the end
                    continue;
                }
                QByteArray& data = read[polled[i].fd];
                const bool began = data.isEmpty();
                data.append(buffer, n);
                if (began) ++requests;
                if (answered || !data.contains("\r\n\r\n")) continue;
                // The status of an IPP answer, "successful-ok", with no attributes.
                static const char body[] = {2, 0, 0, 0, 0, 0, 0, 1, 3};
                const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\n"
                                          "Content-Length: " +
                                          QByteArray::number(int(sizeof body)) + "\r\n\r\n" +
                                          QByteArray(body, sizeof body);
                answered = ::write(polled[i].fd, answer.constData(), answer.size()) > 0;
                data.clear();
            }
        }
        for (size_t i = 2; i < polled.size(); ++i)
            ::close(polled[i].fd);
    }
};

SilentPrintServer::SilentPrintServer(TMode mode) : state_(std::make_unique<TState>()) {
    TState& s = *state_;
    s.mode = mode;
    s.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s.fd < 0) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(s.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s.fd, 128) != 0 ||
        ::getsockname(s.fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(s.stop, O_CLOEXEC) != 0) {
        ::close(s.fd);
        s.fd = -1;
        return;
    }
    s.port = ntohs(address.sin_port);
    s.thread = std::thread([&s] { s.Serve(); });
}

void SilentPrintServer::Stop() {
    TState& s = *state_;
    if (!s.thread.joinable()) return;
    const char stop = 1;
    (void)!::write(s.stop[1], &stop, 1);
    s.thread.join();
}

SilentPrintServer::~SilentPrintServer() {
    Stop();
    TState& s = *state_;
    for (int fd : {s.fd, s.stop[0], s.stop[1]})
        if (fd >= 0) ::close(fd);
}

QString SilentPrintServer::Address() const {
    return state_->fd < 0 ? QString() : QStringLiteral("127.0.0.1:%1").arg(state_->port);
}

int SilentPrintServer::Connections() const {
    return state_->connections;
}

int SilentPrintServer::Requests() const {
    return state_->requests;
}
