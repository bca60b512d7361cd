#include "report/pagestore/RpPrntrStream.h"

#include <QDir>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <unistd.h>

// ---- Temporary files that must not outlive the program ---------------------------------

namespace {

// The names live in fixed slots of prebuilt C strings, so that a signal handler can remove
// them with nothing but unlink.
constexpr int kTempSlots = 64;
struct TempSlot {
    std::atomic<int> used{0};
    char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free);
TempSlot g_tempSlots[kTempSlots];

constexpr int kCleanupSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGABRT};
constexpr int kSignalCount = static_cast<int>(std::size(kCleanupSignals));
struct sigaction g_previousActions[kSignalCount];

void UnlinkLiveTempFiles() noexcept {
    for (TempSlot& slot : g_tempSlots)
        if (slot.used.load(std::memory_order_acquire) == 1) ::unlink(slot.path);
}

// Removes the files, then lets the signal do what it did before this handler came:
// normally end the program.
extern "C" void OnEndingSignal(int sig) {
    UnlinkLiveTempFiles();
    for (int i = 0; i < kSignalCount; ++i)
        if (kCleanupSignals[i] == sig) ::sigaction(sig, &g_previousActions[i], nullptr);
    ::raise(sig);
}

extern "C" void OnExit() {
    UnlinkLiveTempFiles();
}

void InstallCleanup() {
    static const bool installed = [] {
        std::atexit(OnExit);
        for (int i = 0; i < kSignalCount; ++i) {
            struct sigaction previous {};
            ::sigaction(kCleanupSignals[i], nullptr, &previous);
            // A signal the program was told to ignore stays ignored.
            if (previous.sa_handler == SIG_IGN && !(previous.sa_flags & SA_SIGINFO)) continue;
            g_previousActions[i] = previous;
            struct sigaction action {};
            action.sa_handler = OnEndingSignal;
            sigfillset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            ::sigaction(kCleanupSignals[i], &action, nullptr);
        }
        return true;
    }();
    (void)installed;
}

// The slot that now names path; -1 when every slot is taken or the name is too long.
int RegisterTempFile(const QByteArray& path) {
    InstallCleanup();
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kTempSlots; ++i) {
        TempSlot& slot = g_tempSlots[i];
        if (slot.used.load(std::memory_order_acquire) != 0) continue;
        std::memcpy(slot.path, path.constData(), static_cast<size_t>(path.size()) + 1);
        slot.used.store(1, std::memory_order_release);
        return i;
    }
    return -1;
}

void UnregisterTempFile(const QByteArray& path) noexcept {
    for (TempSlot& slot : g_tempSlots)
        if (slot.used.load(std::memory_order_acquire) == 1 && path == slot.path)
            slot.used.store(0, std::memory_order_release);
}

[[noreturn]] void StreamFailed(const QString& what) {
    throw EStreamError(what);
}

} // namespace

QStringList LiveTempFiles() {
    QStringList names;
    for (const TempSlot& slot : g_tempSlots)
        if (slot.used.load(std::memory_order_acquire) == 1)
            names << QFile::decodeName(QByteArray(slot.path));
    return names;
}

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
    DropTempFile();
}

void TRpStream::DropTempFile() noexcept {
    if (file_) file_->close();
    if (tempFileName_.isEmpty()) return;
    const QByteArray path = QFile::encodeName(tempFileName_);
    ::unlink(path.constData());
    UnregisterTempFile(path);
    tempFileName_.clear();
}

qint64 TRpStream::size() const {
    std::lock_guard guard(lock_);
    return buffered_ ? memory_.size() : fileSize_;
}

bool TRpStream::seek(qint64 pos) {
    std::lock_guard guard(lock_);
    if (pos < 0 || pos > size()) return false;
    return QIODevice::seek(pos);
}

bool TRpStream::atEnd() const {
    std::lock_guard guard(lock_);
    return pos() >= size();
}

qint64 TRpStream::readData(char* data, qint64 maxSize) {
    std::lock_guard guard(lock_);
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
    std::lock_guard guard(lock_);
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

// Moves the content into a new temporary file, created uniquely and only readable by its
// owner.
void TRpStream::Spill() {
    const QString dir = QDir::tempPath();
    QByteArray path = QFile::encodeName(dir + QStringLiteral("/RPPXXXXXX.tmp"));
    const int fd = ::mkstemps(path.data(), 4);
    if (fd < 0) throw ERpError(RpRes::STempFileFailed, QDir::toNativeSeparators(dir));
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered,
                    QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(path.constData());
        throw ERpError(RpRes::STempFileFailed, QDir::toNativeSeparators(dir));
    }
    // Without a free slot the name could outlive a killed program: the file then lives on
    // only through its open handle.
    if (RegisterTempFile(path) < 0) ::unlink(path.constData());
    tempFileName_ = QFile::decodeName(path);
    file_ = std::move(file);
    fileSize_ = memory_.size();
    if (file_->write(memory_) != memory_.size()) {
        const QString message = file_->errorString();
        DropTempFile();
        file_.reset();
        StreamFailed(message);
    }
    memory_ = QByteArray();
    buffered_ = false;
}

void TRpStream::CopyTo(QIODevice& dest) {
    std::lock_guard guard(lock_);
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
    std::lock_guard guard(lock_);
    if (length < 0 || length >= size()) return;
    if (buffered_)
        memory_.truncate(length);
    else if (!file_->resize(length))
        StreamFailed(file_->errorString());
    else
        fileSize_ = length;
    if (pos() > length) QIODevice::seek(length);
}

