#include "HostileFiles.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

std::vector<THostileFile> MakeHostileFiles(const QString& dir, const QString& extension) {
    const auto name = [&](const char* stem) {
        return QDir(dir).filePath(QLatin1String(stem) + QLatin1Char('.') + extension);
    };
    const QString pipe = name("pipe"), zero = name("zero"), random = name("random"),
                  folder = name("folder"), huge = name("huge");
    if (!QDir().mkpath(dir) || ::mkfifo(QFile::encodeName(pipe).constData(), 0600) != 0 ||
        !QFile::link(QStringLiteral("/dev/zero"), zero) ||
        !QFile::link(QStringLiteral("/dev/urandom"), random) || !QDir().mkpath(folder))
        return {};
    QFile sparse(huge);
    if (!sparse.open(QIODevice::WriteOnly) || !sparse.resize(3LL << 30)) return {};
    return {{pipe, QStringLiteral("a pipe, not a regular file")},
            {zero, QStringLiteral("a device, not a regular file")},
            {random, QStringLiteral("a device, not a regular file")},
            {folder, QStringLiteral("a folder, not a file")},
            {huge, QStringLiteral("larger than")}};
}
