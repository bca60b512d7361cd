#include "FullDisk.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

TFullDisk::TFullDisk() {
    QByteArray dir = QFile::encodeName(QDir::tempPath()) + "/sleevane-full-XXXXXX";
    if (!::mkdtemp(dir.data())) {
        why_ = QStringLiteral("no folder for the file system");
        return;
    }
    dir_ = QFile::decodeName(dir);
    if (::mount("sleevane-full", dir.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                "size=64k,mode=0700") != 0) {
        why_ = QStringLiteral("cannot mount a small file system here: %1")
                   .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    mounted_ = true;
}

TFullDisk::~TFullDisk() {
    if (mounted_) ::umount2(QFile::encodeName(dir_).constData(), MNT_DETACH);
    if (!dir_.isEmpty()) QDir().rmdir(dir_);
}

QString TFullDisk::Path(const QString& name) const {
    return dir_ + QLatin1Char('/') + name;
}

void TFullDisk::Put(const QString& name, const QByteArray& bytes) const {
    QFile f(Path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush())
        << qPrintable(f.errorString());
}

void TFullDisk::Fill() const {
    const int fd = ::open(QFile::encodeName(Path(QStringLiteral("filler"))).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    char block[4096] = {};
    for (size_t n = sizeof block; n > 0;)
        if (::write(fd, block, n) < 0) n /= 2; // the last pieces, down to single bytes
    ::close(fd);
}

QStringList TFullDisk::Names() const {
    return QDir(dir_).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
