#include "framework/core/ToolMessages.h"

#include <QMutex>
#include <QMutexLocker>
#include <atomic>
#include <cstdio>

namespace {

std::atomic<int> dropped{0};
const char* toolName = "";
QMutex firstLock;
QString first; // guarded by firstLock

void Filter(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s: %s\n", toolName, qPrintable(message));
        return; // Qt aborts after the handler
    }
    if (dropped.fetch_add(1) == 0) {
        QMutexLocker lock(&firstLock);
        // A note may run over lines; the summary keeps to one.
        first = message.simplified();
    }
}

} // namespace

void InstallToolMessageFilter(const char* tool) {
    toolName = tool;
    qInstallMessageHandler(Filter);
}

int DroppedToolMessages() {
    return dropped.load();
}

QString DroppedToolMessagesSummary() {
    const int n = dropped.load();
    if (n == 0) return {};
    QMutexLocker lock(&firstLock);
    return QStringLiteral("%1 %2 from Qt left out, the first: %3")
        .arg(n)
        .arg(n == 1 ? QStringLiteral("note") : QStringLiteral("notes"), first);
}
