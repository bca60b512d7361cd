#include "report/pagestore/RpPrntrStream.h"

#include "framework/core/Files.h"
#include "framework/core/Limits.h"

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
    // Only a regular file is read: a pipe or a device would never end.
    OpenInputFile(*s->file_, fileName, kMaxReportFileBytes,
                  QIODevice::ReadOnly | QIODevice::Unbuffered);
    s->fileSize_ = s->file_->size();
    s->QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return s;
}

TRpStream::~TRpStream() {
    QIODevice::close();
    if (file_) file_->close();
}

qint64 TRpStream::size() const {
    return StoredSize() + shared_.size() + afterShared_.size();
}

bool TRpStream::seek(qint64 pos) {
    if (pos < 0 || pos > size()) return false;
    return QIODevice::seek(pos);
}

bool TRpStream::atEnd() const {
    return pos() >= size();
}

qint64 TRpStream::readData(char* data, qint64 maxSize) {
    qint64 at = pos();
    const qint64 stored = StoredSize();
    qint64 done = 0;
    if (at < stored) {
        const qint64 n = ReadStored(at, data, std::min(maxSize, stored - at));
        if (n < 0) return -1;
        done = n;
        at += n;
        if (at < stored) return done;
    }
    // The kept block and the bytes after it, read as the one piece they are in the stream.
    for (const QByteArray* part : {&shared_, &afterShared_}) {
        const qint64 from = at - (part == &shared_ ? stored : stored + shared_.size());
        const qint64 n = std::clamp<qint64>(part->size() - from, 0, maxSize - done);
        if (n <= 0) continue;
        std::memcpy(data + done, part->constData() + from, static_cast<size_t>(n));
        done += n;
        at += n;
    }
    return done;
}

qint64 TRpStream::ReadStored(qint64 at, char* data, qint64 maxSize) {
    if (buffered_) {
        const qint64 n = std::clamp<qint64>(memory_.size() - at, 0, maxSize);
        if (n > 0) std::memcpy(data, memory_.constData() + at, static_cast<size_t>(n));
        return n;
    }
    if (file_->pos() != at && !file_->seek(at)) return -1;
    return file_->read(data, maxSize);
}

namespace {
// What may follow a kept block before it is written out: the backward link of its record,
// and the number and forward link of the next one.
constexpr qint64 kAfterSharedBytes = 12;
} // namespace

qint64 TRpStream::writeData(const char* data, qint64 count) {
    const qint64 at = pos();
    if (!shared_.isEmpty()) {
        const qint64 end = size();
        if (at == end && afterShared_.size() + count <= kAfterSharedBytes) {
            afterShared_.append(data, count);
            return count;
        }
        if (at + count > StoredSize() && !Settle()) return -1;
    }
    return WriteStored(at, data, count);
}

void TRpStream::WriteShared(const QByteArray& block) {
    if (block.size() <= spillThreshold_ || pos() != size()) {
        if (write(block) != block.size()) StreamFailed(errorString());
        return;
    }
    if (!Settle()) StreamFailed(errorString());
    shared_ = block;
    QIODevice::seek(size());
}

bool TRpStream::Settle() {
    if (shared_.isEmpty()) return true;
    const qint64 at = StoredSize();
    if (WriteStored(at, shared_.constData(), shared_.size()) == shared_.size() &&
        WriteStored(at + shared_.size(), afterShared_.constData(), afterShared_.size()) ==
            afterShared_.size()) {
        shared_ = afterShared_ = QByteArray();
        return true;
    }
    // The block stays kept, and the stored content as it was.
    if (buffered_)
        memory_.truncate(at);
    else if (file_->resize(at))
        fileSize_ = at;
    return false;
}

qint64 TRpStream::WriteStored(qint64 at, const char* data, qint64 count) {
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
    if (count > 0) std::memcpy(memory_.data() + at, data, static_cast<size_t>(count));
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
    if (length <= StoredSize()) {
        shared_ = afterShared_ = QByteArray();
    } else if (!Settle()) {
        StreamFailed(errorString());
    }
    if (buffered_)
        memory_.truncate(length);
    else if (!file_->resize(length))
        StreamFailed(file_->errorString());
    else
        fileSize_ = length;
    if (pos() > length) QIODevice::seek(length);
}

