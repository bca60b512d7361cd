#include "report/pagestore/RpPrntrStream.h"

#include <QDir>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <unistd.h>

namespace {
[[noreturn]] void StreamFailed(const QString& what) {
    throw EStreamError(what);
}
} // namespace

// ---- TRpStream -------------------------------------------------------------------------

TRpStream::TRpStream(int spillThreshold, QObject* parent)
    : QIODevice(parent), spillThreshold_(spillThreshold) {
    QIODevice::open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

TRpStream::TRpStream(QObject* parent, const QString& fileName)
    : QIODevice(parent), file_(std::make_unique<QFile>(fileName)), buffered_(false),
      spillThreshold_(kDefaultSpillThreshold) {}

std::unique_ptr<TRpStream> TRpStream::OpenFile(const QString& fileName) {
    std::unique_ptr<TRpStream> s(new TRpStream(nullptr, fileName));
    if (!s->file_->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw EFOpenError(QString::fromLatin1(SysConst::SFOpenError).arg(fileName));
    s->fileSize_ = s->file_->size();
    s->QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return s;
}

TRpStream::~TRpStream() {
    QIODevice::close();
    if (file_) file_->close();
}

qint64 TRpStream::size() const {
    return buffered_ ? memory_.size() : fileSize_;
}

bool TRpStream::seek(qint64 pos) {
    if (pos < 0 || pos > size()) return false;
    return QIODevice::seek(pos);
}

bool TRpStream::atEnd() const {
    return pos() >= size();
}

qint64 TRpStream::readData(char* data, qint64 maxSize) {
    const qint64 at = pos();
    if (buffered_) {
        const qint64 n = std::clamp<qint64>(memory_.size() - at, 0, maxSize);
        if (n > 0) std::memcpy(data, memory_.constData() + at, static_cast<size_t>(n));
        return n;
    }
    if (file_->pos() != at && !file_->seek(at)) return -1;
    return file_->read(data, maxSize);
}

qint64 TRpStream::writeData(const char* data, qint64 count) {
    const qint64 at = pos();
    if (buffered_ && std::max<qint64>(memory_.size(), at + count) > spillThreshold_) {
        // The content moves to the file first and this write goes there, so that a large
        // page is not copied into memory only to be copied out again.
        try {
            Spill();
        } catch (const Exception& e) {
            // Qt's frames above must not see the exception: the write fails instead.
            setErrorString(e.Message());
            return -1;
        }
    }
    if (!buffered_) {
        if (file_->pos() != at && !file_->seek(at)) return -1;
        const qint64 written = file_->write(data, count);
        if (written > 0) fileSize_ = std::max(fileSize_, at + written);
        return written;
    }
    if (at + count > std::numeric_limits<int>::max()) return -1;
    if (at + count > memory_.size()) memory_.resize(at + count);
    std::memcpy(memory_.data() + at, data, static_cast<size_t>(count));
    return count;
}

namespace {
// A file in dir that has no name from the start where the file system allows it, else one
// unlinked as soon as it is open: either way nothing is left of it once its handle
// closes, whatever ends the program. -1 when none can be made.
int OpenNamelessFile(const QString& dir) {
    const QByteArray folder = QFile::encodeName(dir);
#ifdef O_TMPFILE
    const int fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
#endif
    QByteArray path = folder + "/RPPXXXXXX.tmp";
    const int named = ::mkostemps(path.data(), 4, O_CLOEXEC);
    if (named >= 0) ::unlink(path.constData());
    return named;
}
} // namespace

// Moves the content into a new temporary file of the system's temporary directory, only
// readable by its owner.
void TRpStream::Spill() {
    const QString dir = QDir::tempPath();
    const int fd = OpenNamelessFile(dir);
    if (fd < 0) throw ERpError(RpRes::STempFileFailed, QDir::toNativeSeparators(dir));
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered,
                    QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw ERpError(RpRes::STempFileFailed, QDir::toNativeSeparators(dir));
    }
    if (file->write(memory_) != memory_.size()) StreamFailed(file->errorString());
    file_ = std::move(file);
    fileSize_ = memory_.size();
    memory_ = QByteArray();
    buffered_ = false;
}

void TRpStream::CopyTo(QIODevice& dest) {
    if (!seek(0)) StreamFailed(errorString());
    constexpr qint64 kBlock = 10240;
    char block[kBlock];
    for (;;) {
        const qint64 n = read(block, kBlock);
        if (n < 0) StreamFailed(errorString());
        if (n == 0) break;
        if (dest.write(block, n) != n) StreamFailed(dest.errorString());
    }
}

void TRpStream::Truncate(qint64 length) {
    if (length < 0 || length >= size()) return;
    if (buffered_)
        memory_.truncate(length);
    else if (!file_->resize(length))
        StreamFailed(file_->errorString());
    else
        fileSize_ = length;
    if (pos() > length) QIODevice::seek(length);
}

