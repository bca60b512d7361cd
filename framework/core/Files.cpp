#include "framework/core/Files.h"
#include "framework/core/Translations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* SFWriteError = QT_TRANSLATE_NOOP("SysConst", "Cannot write file %1");

// The system's reason in the program's language: the C library speaks the language of its
// own locale only where that locale is installed, so the reasons a user meets most often
// come from the catalogues (the same words as the C library's in English).
QString SystemError(int error) {
    switch (error) {
    case ENOENT: return Translate("SysConst", "No such file or directory");
    case EACCES: return Translate("SysConst", "Permission denied");
    case ENOSPC: return Translate("SysConst", "No space left on device");
    case EISDIR: return Translate("SysConst", "Is a directory");
    case ENOTDIR: return Translate("SysConst", "Not a directory");
    case EROFS: return Translate("SysConst", "Read-only file system");
    case EFBIG: return Translate("SysConst", "File too large");
    case EIO: return Translate("SysConst", "Input/output error");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

// A size in the unit a person reads it in.
QString SizeText(int64_t bytes) {
    if (bytes >= (1LL << 20) && bytes % (1LL << 20) == 0)
        return QStringLiteral("%1 MB").arg(bytes >> 20);
    if (bytes >= 1024 && bytes % 1024 == 0) return QStringLiteral("%1 KB").arg(bytes >> 10);
    return Translate("SysConst", "%1 bytes").arg(bytes);
}

QString KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return Translate("SysConst", "a folder, not a file");
    if (S_ISFIFO(mode)) return Translate("SysConst", "a pipe, not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return Translate("SysConst", "a device, not a regular file");
    if (S_ISSOCK(mode)) return Translate("SysConst", "a socket, not a regular file");
    return Translate("SysConst", "not a regular file");
}

// ---- Inputs ------------------------------------------------------------------------------

[[noreturn]] void Refuse(const QString& fileName, const QString& cause) {
    throw EFInputError(SysConst::Text(SysConst::SFOpenError).arg(fileName) + QStringLiteral(": ") +
                           cause,
                       fileName, cause);
}
// The framework's own text, which names no cause; the cause goes with the exception.
[[noreturn]] void CannotOpen(const QString& fileName, int error) {
    throw EFInputError(SysConst::Text(SysConst::SFOpenError).arg(fileName), fileName,
                       SystemError(error));
}
} // namespace

void OpenInputFile(QFile& file, const QString& fileName, int64_t maxBytes,
                   QIODevice::OpenMode mode) {
    if (fileName.isEmpty()) CannotOpen(fileName, ENOENT);
    // Without waiting: opening a pipe for reading would wait for a writer.
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) CannotOpen(fileName, errno);
    struct stat st {};
    QString cause;
    if (::fstat(fd, &st) != 0)
        cause = SystemError(errno);
    else if (!S_ISREG(st.st_mode))
        cause = KindOf(st.st_mode);
    else if (st.st_size > maxBytes)
        cause = Translate("SysConst", "larger than %1").arg(SizeText(maxBytes));
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        cause = SystemError(errno);
    if (!cause.isEmpty() ||
        !file.open(fd, mode | QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (cause.isEmpty()) CannotOpen(fileName, EBADF);
        Refuse(fileName, cause);
    }
}

// ---- Outputs -----------------------------------------------------------------------------

TFileReplacement::TFileReplacement(const QString& fileName) : fileName_(fileName), file_(fileName) {
    // Unbuffered: a write that fails says so at once, not at a flush whose failure the
    // commit would not see.
    if (fileName.isEmpty() || !file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QString cause =
            fileName.isEmpty() ? Translate("SysConst", "no file name") : file_.errorString();
        throw EFWriteError(
            SysConst::Text(SysConst::SFCreateError).arg(QDir::toNativeSeparators(fileName)) +
                QStringLiteral(": ") + cause,
            fileName, cause);
    }
}

void TFileReplacement::Fail(const QString& cause) {
    if (file_.isOpen()) file_.cancelWriting();
    // The cancelled file is dropped: nothing of it takes the name.
    if (file_.isOpen()) file_.commit();
    throw EFWriteError(SysConst::Text(SFWriteError).arg(QDir::toNativeSeparators(fileName_)) +
                           QStringLiteral(": ") + cause,
                       fileName_, cause);
}

void TFileReplacement::Write(const char* data, qint64 size) {
    if (file_.write(data, size) != size) Fail();
}

void TFileReplacement::WriteAt(qint64 at, const char* data, qint64 size) {
    const qint64 back = file_.pos();
    if (!file_.seek(at)) Fail();
    Write(data, size);
    if (!file_.seek(back)) Fail();
}

void TFileReplacement::Commit() {
    if (!file_.flush()) Fail();
    // A file system may keep a write's failure (a full disk, a lost server) until the data
    // goes out: the sync makes it say so before the new file takes the old one's place.
    const int fd = file_.handle();
    if (fd >= 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) Fail(SystemError(errno));
    if (!file_.commit()) {
        const QString cause = file_.errorString();
        throw EFWriteError(SysConst::Text(SFWriteError).arg(QDir::toNativeSeparators(fileName_)) +
                               QStringLiteral(": ") + cause,
                           fileName_, cause);
    }
    // The new name is kept over a crash too; a folder that cannot be synced has the file
    // in place all the same, so nothing is said.
    const int dir = ::open(QFile::encodeName(QFileInfo(fileName_).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void WriteFileWhole(const QString& fileName, const QByteArray& bytes) {
    TFileReplacement file(fileName);
    file.Write(bytes);
    file.Commit();
}
