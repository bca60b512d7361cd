#include "support/ResourceUse.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct ChildReport {
    int result;
    int64_t startKiB;
    int64_t peakKiB;
    double cpuSeconds;
};

int64_t PeakKiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

[[noreturn]] void RunAndReport(const std::function<int()>& work, int out) {
    ChildReport report{-2, PeakKiB(), 0, 0};
    const double startCpu = CpuSeconds();
    try {
        report.result = work();
    } catch (...) {
        report.result = -2;
    }
    report.peakKiB = PeakKiB();
    report.cpuSeconds = CpuSeconds() - startCpu;
    const ssize_t written = write(out, &report, sizeof report);
    // Leave at once: the copy of the test process must not run its exit handlers.
    _exit(written == static_cast<ssize_t>(sizeof report) ? 0 : 3);
}

// Waits for the report until the deadline; false when none came in time.
bool ReadReport(int in, ChildReport& report, double secondsAllowed, const QElapsedTimer& clock) {
    char* at = reinterpret_cast<char*>(&report);
    size_t got = 0;
    while (got < sizeof report) {
        const int left = static_cast<int>(secondsAllowed * 1000 - clock.elapsed());
        if (left <= 0) return false;
        pollfd p{in, POLLIN, 0};
        const int ready = poll(&p, 1, left);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t n = read(in, at + got, sizeof report - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false; // the child ended without a report
        got += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool UnderSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

TResourceUse MeasureInChild(const std::function<int()>& work, double secondsAllowed) {
    TResourceUse use;
    int fds[2];
    if (pipe(fds) != 0) return use;
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return use;
    }
    if (pid == 0) {
        close(fds[0]);
        RunAndReport(work, fds[1]);
    }
    close(fds[1]);
    ChildReport report{};
    const bool reported = ReadReport(fds[0], report, secondsAllowed, clock);
    close(fds[0]);
    if (!reported) kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    use.seconds = clock.elapsed() / 1000.0;
    if (reported) {
        use.ran = true;
        use.result = report.result;
        use.peakBytes = (report.peakKiB - report.startKiB) * 1024;
        use.cpuSeconds = report.cpuSeconds;
    } else if (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL) {
        use.signal = WTERMSIG(status);
    } else {
        use.timedOut = true;
    }
    return use;
}

TResourceUse MeasureProgram(const QString& program, const QStringList& args,
                            double secondsAllowed) {
    TResourceUse use;
    QTemporaryDir dir;
    const QString report = dir.filePath(QStringLiteral("time.txt"));
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    // GNU time counts the peak of the program below it; timeout ends it when it runs long.
    QStringList line = {QStringLiteral("-f"),
                        QStringLiteral("%M %U %S"),
                        QStringLiteral("-o"),
                        report,
                        QStringLiteral("timeout"),
                        QStringLiteral("-s"),
                        QStringLiteral("KILL"),
                        QString::number(secondsAllowed),
                        program};
    line += args;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral("/usr/bin/time"), line);
    if (!process.waitForStarted() ||
        !process.waitForFinished(static_cast<int>(secondsAllowed * 1000) + 30000)) {
        process.kill();
        process.waitForFinished();
        use.timedOut = true;
        return use;
    }
    use.seconds = clock.elapsed() / 1000.0;
    use.errorOutput = QString::fromUtf8(process.readAllStandardError());
    QFile f(report);
    if (f.open(QIODevice::ReadOnly)) {
        // The last line holds the peak and the times; a line before it may say how the
        // program ended.
        const QList<QByteArray> fields = f.readAll().trimmed().split('\n').last().split(' ');
        if (fields.size() == 3) {
            use.peakBytes = fields[0].toLongLong() * 1024;
            use.cpuSeconds = fields[1].toDouble() + fields[2].toDouble();
        }
    }
    const int code = process.exitCode();
    if (code == 128 + SIGKILL || code == 124) {
        use.timedOut = true;
    } else if (code > 128) {
        use.signal = code - 128;
    } else {
        use.ran = true;
        use.result = code;
    }
    return use;
}
