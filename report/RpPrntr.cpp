#include "report/RpPrntr.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QtEndian>
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

// ---- TPrinterSettings ------------------------------------------------------------------

TPrinterSettings::TPrinterSettings() = default;

bool TPrinterSettings::Supports(uint32_t fields) const {
    return printer_ && (printer_->DeviceMode().dmFields & fields) == fields;
}

void TPrinterSettings::SetPrinter(TPrinter* printer) {
    printer_ = printer;
    if (printer_ && !printer_->Printers().isEmpty()) ReadFromPrinter();
}

namespace {
// Pixels of a device at dpi as 0.1 mm.
int PixelsToTenths(int pixels, int dpi) {
    return dpi > 0 ? RoundInt(static_cast<long double>(pixels) / dpi * 254) : 0;
}
} // namespace

void TPrinterSettings::ReadFromPrinter() {
    if (!printer_) return;
    deviceName_ = printer_->DeviceName();
    driverName_ = printer_->DriverName().section(QLatin1Char('/'), -1).left(63);
    portName_ = printer_->PortName();
    const TDeviceMode& m = printer_->DeviceMode();
    dotsPerInchX_ = dotsPerInchY_ = printer_->Resolution();
    copies_ = (m.dmFields & DM_COPIES) ? m.dmCopies : 1;
    outputBin_ = (m.dmFields & DM_DEFAULTSOURCE) ? BinFromCode(m.dmDefaultSource) : TRpBin::First;
    duplex_ = (m.dmFields & DM_DUPLEX) && m.dmDuplex != DMDUP_SIMPLEX;
    const QPoint offset = printer_->PrintingOffset();
    printOffsetLeft_ = PixelsToTenths(offset.x(), dotsPerInchX_);
    printOffsetTop_ = PixelsToTenths(offset.y(), dotsPerInchY_);
    paperSize_ =
        (m.dmFields & DM_PAPERSIZE) ? PaperSizeFromCode(m.dmPaperSize) : TRpPaperSize::Default;
    const QSize page = printer_->PhysicalPageSize();
    paperWidth_ = PixelsToTenths(page.width(), dotsPerInchX_);
    paperLength_ = PixelsToTenths(page.height(), dotsPerInchY_);
    paperSupported_.fill(false);
    for (int i = 0; i < kSupportedPaperCount; ++i) {
        const auto size = static_cast<TRpPaperSize>(i + 1);
        paperSupported_[static_cast<size_t>(i)] =
            printer_->PaperCodes().contains(PaperInfo(size).code);
    }
}

void TPrinterSettings::ApplyToPrinter() {
    if (!printer_) return;
    TDeviceMode m = printer_->DeviceMode();
    if (paperSize_ == TRpPaperSize::Custom) {
        if (Supports(DM_PAPERLENGTH)) m.dmPaperLength = paperLength_;
        if (Supports(DM_PAPERWIDTH)) m.dmPaperWidth = paperWidth_;
    }
    if (duplex_) {
        m.dmFields |= DM_DUPLEX;
        m.dmDuplex = DMDUP_HORIZONTAL;
    }
    m.dmFields |= DM_COLLATE;
    m.dmCollate = collate_ ? 1 : 0;
    if (Supports(DM_PAPERSIZE) && paperSize_ != TRpPaperSize::Default)
        m.dmPaperSize = PaperInfo(paperSize_).code;
    m.dmFields |= DM_COPIES;
    m.dmCopies = copies_;
    m.dmFields |= DM_DEFAULTSOURCE;
    m.dmDefaultSource = BinCode(outputBin_) | (m.dmDefaultSource & DMBIN_USER);
    m.dmFields |= DM_ORIENTATION;
    m.dmOrientation = orientation_ == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    printer_->SetDeviceMode(m);
}

void TPrinterSettings::SetCopies(int copies) {
    if (Supports(DM_COPIES)) copies_ = copies;
}

void TPrinterSettings::SetDuplex(bool duplex) {
    if (!duplex || Supports(DM_DUPLEX)) duplex_ = duplex;
}

void TPrinterSettings::SetOrientation(TPrinterOrientation orientation) {
    if (Supports(DM_ORIENTATION)) orientation_ = orientation;
}

void TPrinterSettings::SetOutputBin(TRpBin bin) {
    if (Supports(DM_DEFAULTSOURCE)) outputBin_ = bin;
}

bool TPrinterSettings::PaperSupported(TRpPaperSize size) const {
    const int i = Ordinal(size) - 1; // Letter is the first a printer can offer
    return i >= 0 && i < kSupportedPaperCount && paperSupported_[static_cast<size_t>(i)];
}

void TPrinterSettings::SetPaperSize(TRpPaperSize size) {
    if (size == TRpPaperSize::Default || PaperSupported(size)) paperSize_ = size;
}

int TPrinterSettings::PaperWidth() const {
    if (paperSize_ == TRpPaperSize::Default || paperSize_ == TRpPaperSize::Custom)
        return paperWidth_;
    return PaperWidth10(paperSize_);
}

int TPrinterSettings::PaperLength() const {
    if (paperSize_ == TRpPaperSize::Default || paperSize_ == TRpPaperSize::Custom)
        return paperLength_;
    return PaperLength10(paperSize_);
}

void TPrinterSettings::SetPaperWidth(int width) {
    if (paperSize_ == TRpPaperSize::Custom) paperWidth_ = width;
}

void TPrinterSettings::SetPaperLength(int length) {
    if (paperSize_ == TRpPaperSize::Custom) paperLength_ = length;
}

// ---- TRpPrinterSettings ----------------------------------------------------------------

void TRpPrinterSettings::Assign(TPersistent* source) {
    if (auto* s = qobject_cast<TRpPrinterSettings*>(source)) {
        copies_ = s->copies_;
        duplex_ = s->duplex_;
        outputBin_ = s->outputBin_;
        paperSize_ = s->paperSize_;
        printerIndex_ = s->printerIndex_;
        firstPage_ = s->firstPage_;
        lastPage_ = s->lastPage_;
        return;
    }
    TPersistent::Assign(source);
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

// ---- TRpCompress -----------------------------------------------------------------------

namespace {
constexpr size_t kCoderBuffer = 64 * 1024;
}

TRpCompress::TRpCompress(QIODevice& stream, TMode mode, qint64 inputLimit)
    : stream_(stream), mode_(mode), buffer_(kCoderBuffer),
      inputLeft_(inputLimit < 0 ? std::numeric_limits<qint64>::max() : inputLimit) {
    Reset();
}

TRpCompress::~TRpCompress() {
    if (mode_ != cmEncode || flushed_) return;
    try {
        Flush();
    } catch (const Exception&) {
        // A write that fails while the coder goes has nobody left to tell.
    }
}

// Heap order: node j hangs below (j - 1) / 2, so bytes 0 to 254 start with 8-bit codes
// and byte 255 with a 9-bit one.
void TRpCompress::Reset() {
    // Odd nodes hang on the left (side 0), even ones on the right (side 1).
    for (unsigned j = 1; j < link_.size(); ++j)
        link_[j] = static_cast<uint16_t>((j - 1) / 2 * 2 + (j % 2 == 0 ? 1 : 0));
    for (unsigned i = 0; i < child_.size(); ++i)
        child_[i] = {static_cast<uint16_t>(2 * i + 1), static_cast<uint16_t>(2 * i + 2)};
    bitBuffer_ = 0;
    bitCount_ = 0;
    bitsUsed_ = 0;
    bufferPos_ = bufferEnd_ = 0;
}

// One walk up from the leaf gives the code and splays. Each step looks at a node a, its
// parent p and grandparent g: the two bits say on which side a hangs below p and p below
// g; then a takes the place of p's sibling u below g, and u takes a's place below p. The
// tree above g does not change, so the walk goes on from g. Bits come leaf first: each
// new pair is shifted in at the bottom, which leaves the root's bit at bit 0, the first
// to go out; deep codes come in pieces of at most 32 bits, the deepest first. The bit
// state stays in locals for the whole run; whole 32-bit words go to the buffer, least
// significant byte first.
void TRpCompress::Encode(const uint8_t* data, size_t count) {
    uint64_t bits = bitBuffer_;
    unsigned held = bitCount_;
    qint64 used = 0;
    auto put = [&](uint32_t code, unsigned length) {
        bits |= static_cast<uint64_t>(code) << held;
        held += length;
        used += length;
        if (held < 32) return;
        if (bufferEnd_ + 4 > buffer_.size()) FlushOutput();
        qToLittleEndian(static_cast<uint32_t>(bits), buffer_.data() + bufferEnd_);
        bufferEnd_ += 4;
        bits >>= 32;
        held -= 32;
    };
    struct Piece {
        uint32_t bits;
        unsigned count;
    };
    for (size_t k = 0; k < count; ++k) {
        Piece pieces[10];
        int pieceCount = 0;
        uint32_t code = 0;
        unsigned length = 0;
        unsigned a = 256u + data[k];
        for (;;) {
            const unsigned linkA = link_[a];
            const unsigned p = linkA >> 1, sideA = linkA & 1;
            if (p == 0) {
                code = (code << 1) | sideA;
                ++length;
                break;
            }
            const unsigned linkP = link_[p];
            const unsigned g = linkP >> 1, sideP = linkP & 1;
            code = (code << 2) | (sideA << 1) | sideP;
            length += 2;
            const unsigned u = child_[g][sideP ^ 1];
            child_[g][sideP ^ 1] = static_cast<uint16_t>(a);
            child_[p][sideA] = static_cast<uint16_t>(u);
            link_[a] = static_cast<uint16_t>(g << 1 | (sideP ^ 1));
            link_[u] = static_cast<uint16_t>(p << 1 | sideA);
            if (g == 0) break;
            a = g;
            if (length >= 31) {
                pieces[pieceCount++] = {code, length};
                code = 0;
                length = 0;
            }
        }
        put(code, length);
        while (pieceCount > 0) {
            const Piece& piece = pieces[--pieceCount];
            put(piece.bits, piece.count);
        }
    }
    bitBuffer_ = bits;
    bitCount_ = held;
    bitsUsed_ += used;
}

void TRpCompress::FlushOutput() {
    if (bufferEnd_ == 0) return;
    const auto n = static_cast<qint64>(bufferEnd_);
    if (stream_.write(reinterpret_cast<const char*>(buffer_.data()), n) != n)
        StreamFailed(stream_.errorString());
    bufferEnd_ = 0;
}

void TRpCompress::Flush() {
    if (mode_ != cmEncode) return;
    while (bitCount_ > 0) {
        if (bufferEnd_ == buffer_.size()) FlushOutput();
        buffer_[bufferEnd_++] = static_cast<uint8_t>(bitBuffer_);
        bitBuffer_ >>= 8;
        bitCount_ = bitCount_ > 8 ? bitCount_ - 8 : 0;
    }
    bitBuffer_ = 0;
    FlushOutput();
    flushed_ = true;
}

qint64 TRpCompress::BytesProduced() const {
    return (bitsUsed_ + 7) / 8;
}

qint64 TRpCompress::BytesConsumed() const {
    return (bitsUsed_ + 7) / 8;
}

void TRpCompress::InputEnded() const {
    throw ERpError(RpRes::SCodeEndsEarly);
}

// Reads the next input bytes, never past the coded bytes the caller allowed; false at
// their end.
bool TRpCompress::FillBuffer() {
    const qint64 want = std::min<qint64>(static_cast<qint64>(buffer_.size()), inputLeft_);
    const qint64 got = want > 0 ? stream_.read(reinterpret_cast<char*>(buffer_.data()), want) : 0;
    if (got <= 0) return false;
    inputLeft_ -= got;
    bufferPos_ = 0;
    bufferEnd_ = static_cast<size_t>(got);
    return true;
}

// Brings the bit buffer up to at least 57 bits while input lasts. Eight bytes are loaded
// at once where they are there: the bytes that fit only in part are loaded again whole
// next time, and or-ing the same bits twice changes nothing.
void TRpCompress::TopUp() {
    while (bitCount_ <= 56) {
        if (bufferPos_ + 8 <= bufferEnd_) {
            const uint64_t word = qFromLittleEndian<uint64_t>(buffer_.data() + bufferPos_);
            bitBuffer_ |= word << bitCount_;
            const unsigned whole = (63 - bitCount_) >> 3;
            bufferPos_ += whole;
            bitCount_ += whole * 8;
            return;
        }
        if (bufferPos_ == bufferEnd_ && !FillBuffer()) return;
        if (bufferPos_ + 8 > bufferEnd_) {
            bitBuffer_ |= static_cast<uint64_t>(buffer_[bufferPos_++]) << bitCount_;
            bitCount_ += 8;
        }
    }
}

uint8_t TRpCompress::Decode() {
    uint8_t b;
    Decode(&b, 1);
    return b;
}

// Each byte descends from the root, one bit a level, noting the path; the splay then
// works on the noted path from the leaf up, two levels a step, as coding does. The bit
// state stays in locals except while the buffer is topped up.
void TRpCompress::Decode(uint8_t* out, size_t count) {
    uint16_t path[260];
    uint8_t side[260];
    uint64_t bits = bitBuffer_;
    unsigned held = bitCount_;
    qint64 used = 0;
    auto topUp = [&] {
        bitBuffer_ = bits;
        bitCount_ = held;
        TopUp();
        bits = bitBuffer_;
        held = bitCount_;
    };
    for (size_t k = 0; k < count; ++k) {
        if (held < 32) topUp();
        unsigned node = 0;
        unsigned depth = 0;
        path[0] = 0;
        do {
            if (held == 0) {
                topUp();
                if (held == 0) {
                    bitsUsed_ += used;
                    InputEnded();
                }
            }
            const unsigned bit = bits & 1;
            bits >>= 1;
            --held;
            node = child_[node][bit];
            ++depth;
            path[depth] = static_cast<uint16_t>(node);
            side[depth] = static_cast<uint8_t>(bit);
        } while (node < 256);
        used += depth;
        out[k] = static_cast<uint8_t>(node - 256);
        for (unsigned d = depth; d >= 2; d -= 2) {
            const unsigned a = path[d], p = path[d - 1], g = path[d - 2];
            const unsigned sideP = side[d - 1];
            const unsigned u = child_[g][sideP ^ 1];
            child_[g][sideP ^ 1] = static_cast<uint16_t>(a);
            child_[p][side[d]] = static_cast<uint16_t>(u);
        }
    }
    bitBuffer_ = bits;
    bitCount_ = held;
    bitsUsed_ += used;
}

// ---- TRpPageList -----------------------------------------------------------------------

namespace {

constexpr uint16_t kFileMark = 3;
constexpr uint16_t kFileVersion = 302;
constexpr qint64 kRecordOverhead = 12; // page number, forward and backward links

[[noreturn]] void Damaged(qint64 offset) {
    throw ERpError(RpRes::SPageStoreDamaged, QString::number(offset));
}

// The length a metafile's header gives for the whole metafile; -1 without a header.
qint64 StatedLength(const QByteArray& emf) {
    constexpr qsizetype kBytesField = 48;
    if (emf.size() < kBytesField + 4) return -1;
    return qFromLittleEndian<quint32>(emf.constData() + kBytesField);
}

// Days since 30 December 1899, the fraction being the time of day.
double OleDateNow() {
    const QDateTime now = QDateTime::currentDateTime();
    return static_cast<double>(QDate(1899, 12, 30).daysTo(now.date())) +
           now.time().msecsSinceStartOfDay() / 86400000.0;
}

} // namespace

TRpPageList::TRpPageList() = default;
TRpPageList::~TRpPageList() = default;

void TRpPageList::SetPageStream(TRpStream* stream) {
    std::lock_guard guard(lock_);
    stream_ = stream;
    cursor_ = -1;
    cursorPage_ = 0;
    newest_ = {};
}

qint32 TRpPageList::ReadInt32(qint64 at) {
    uchar b[4];
    if (at < 0 || at + 4 > stream_->size() || !stream_->seek(at) ||
        stream_->read(reinterpret_cast<char*>(b), 4) != 4)
        Damaged(at);
    return qFromLittleEndian<qint32>(b);
}

void TRpPageList::WriteInt32(qint32 value) {
    uchar b[4];
    qToLittleEndian(value, b);
    if (stream_->write(reinterpret_cast<const char*>(b), 4) != 4)
        StreamFailed(stream_->errorString());
}

void TRpPageList::WriteHeader() {
    std::lock_guard guard(lock_);
    if (!stream_) return;
    std::lock_guard streamGuard(stream_->Lock());
    uchar header[kHeaderSize] = {};
    qToLittleEndian(kFileMark, header);
    qToLittleEndian(kFileVersion, header + 2);
    qToLittleEndian(static_cast<qint32>(storedPages_), header + 8);
    const double date = OleDateNow();
    uint64_t dateBits;
    std::memcpy(&dateBits, &date, sizeof date);
    qToLittleEndian(dateBits, header + 12);
    header[21] = compressed_ ? 1 : 0;
    if (!stream_->seek(0) ||
        stream_->write(reinterpret_cast<const char*>(header), kHeaderSize) != kHeaderSize)
        StreamFailed(stream_->errorString());
    cursor_ = kHeaderSize;
    cursorPage_ = 1;
}

void TRpPageList::ReadHeader() {
    std::lock_guard guard(lock_);
    std::lock_guard streamGuard(stream_->Lock());
    const qint64 size = stream_->size();
    uchar header[kHeaderSize];
    if (size < kHeaderSize) throw ERpError(RpRes::SFileShorterThanHeader, QString::number(size));
    if (!stream_->seek(0) ||
        stream_->read(reinterpret_cast<char*>(header), kHeaderSize) != kHeaderSize)
        StreamFailed(stream_->errorString());
    if (qFromLittleEndian<uint16_t>(header) != kFileMark ||
        qFromLittleEndian<uint16_t>(header + 2) != kFileVersion)
        throw ERpError(RpRes::SNotAReportFile);
    const qint32 pages = qFromLittleEndian<qint32>(header + 8);
    // Every record takes at least its page number and two links.
    if (pages < 0 || pages > (size - kHeaderSize) / kRecordOverhead)
        throw ERpError(RpRes::SPageCountWrong, QString::number(pages),
                       QString::number(CountRecordsFrom(kHeaderSize, 1)));
    storedPages_ = pages;
    compressed_ = header[21] != 0;
    cursor_ = kHeaderSize;
    cursorPage_ = 1;
}

void TRpPageList::AppendPage(TMetafile& page) {
    std::lock_guard guard(lock_);
    if (!stream_) throw ERpError(RpRes::SReportPrinterNotReady);
    if (page.Empty() || !page.Enhanced())
        throw EInvalidGraphic(QString::fromLatin1(SysConst::SInvalidMetafile));
    std::lock_guard streamGuard(stream_->Lock());
    const qint64 start = std::max(stream_->size(), kHeaderSize);
    const QByteArray& emf = page.Data();
    // Links are 32-bit offsets; coded bytes take at most 9 bits a byte.
    const qint64 worst = start + kRecordOverhead + 4 + emf.size() + emf.size() / 8 + 2;
    if (worst > std::numeric_limits<qint32>::max()) throw ERpError(RpRes::SPageStoreFull);

    ++storedPages_;
    try {
        if (storedPages_ == 1) WriteHeader();
        if (!stream_->seek(start)) StreamFailed(stream_->errorString());
        WriteInt32(storedPages_);
        const qint64 forwardAt = stream_->pos();
        WriteInt32(0);
        if (compressed_) {
            WriteInt32(static_cast<qint32>(emf.size()));
            TRpCompress coder(*stream_, TRpCompress::cmEncode);
            coder.Encode(reinterpret_cast<const uint8_t*>(emf.constData()),
                         static_cast<size_t>(emf.size()));
            coder.Flush();
        } else {
            page.SaveToStream(*stream_);
        }
        WriteInt32(static_cast<qint32>(start));
        const qint64 end = stream_->pos();
        if (!stream_->seek(forwardAt)) StreamFailed(stream_->errorString());
        WriteInt32(static_cast<qint32>(end));
        if (!stream_->seek(end)) StreamFailed(stream_->errorString());
        cursor_ = end;
        cursorPage_ = storedPages_ + 1;
        newest_ = emf;
        newestNumber_ = storedPages_;
    } catch (...) {
        // A record written in part would break the links of every later one.
        --storedPages_;
        stream_->Truncate(start);
        cursor_ = -1;
        throw;
    }
}

qint64 TRpPageList::LastRecordStart() {
    const qint64 size = stream_->size();
    const qint64 start = ReadInt32(size - 4);
    if (start < kHeaderSize || start > size - kRecordOverhead) Damaged(size - 4);
    return start;
}

// Reads the 8 bytes at `at` as two numbers.
std::pair<qint32, qint32> TRpPageList::ReadPair(qint64 at) {
    uchar b[8];
    if (at < 0 || at + 8 > stream_->size() || !stream_->seek(at) ||
        stream_->read(reinterpret_cast<char*>(b), 8) != 8)
        Damaged(at);
    return {qFromLittleEndian<qint32>(b), qFromLittleEndian<qint32>(b + 4)};
}

// Follows the links from record `from`, which must be page fromPage, to record n: forward
// links when n lies after it, the backward link just before each record when n lies
// before. One read a step gives a record's page number with the link to follow. Each
// step must reach the next page number and move the right way, so a damaged stream
// cannot make it loop.
qint64 TRpPageList::WalkTo(int n, qint64 from, int fromPage) {
    const qint64 size = stream_->size();
    qint64 at = from;
    int page = fromPage;
    if (page <= n) {
        for (;;) {
            const auto [number, next] = ReadPair(at);
            if (number != page) Damaged(at);
            if (page == n) return at;
            if (next <= at || next > size - kRecordOverhead) Damaged(at + 4);
            at = next;
            ++page;
        }
    }
    for (;;) {
        const auto [previous, number] = ReadPair(at - 4);
        if (number != page) Damaged(at);
        if (page == n) return at;
        if (previous >= at || previous < kHeaderSize) Damaged(at - 4);
        at = previous;
        --page;
    }
}

void TRpPageList::SeekPage(int n) {
    std::lock_guard guard(lock_);
    std::lock_guard streamGuard(stream_->Lock());
    if (n < 1 || n > storedPages_) Damaged(stream_->pos());
    // The walk starts at the first record, at the last, or at the cursor, whichever is
    // nearest. The position counts as a cursor only where this store left it, at the
    // start of a record it knows.
    const bool atCursor = stream_->pos() == cursor_;
    qint64 at = kHeaderSize;
    int page = 1;
    if (n - 1 > storedPages_ - n) {
        at = LastRecordStart();
        page = storedPages_;
    }
    if (atCursor && cursorPage_ >= 1 && cursorPage_ <= storedPages_ &&
        std::abs(n - cursorPage_) < std::abs(n - page)) {
        at = cursor_;
        page = cursorPage_;
    }
    at = WalkTo(n, at, page);
    if (!stream_->seek(at)) Damaged(at);
    cursor_ = at;
    cursorPage_ = n;
}

// Checks record n at start: its page number, a forward link inside the stream and a
// backward link that names its own start. Returns its forward link.
qint64 TRpPageList::CheckRecord(int n, qint64 start) {
    const qint64 size = stream_->size();
    if (start < kHeaderSize || start > size - kRecordOverhead || ReadInt32(start) != n)
        Damaged(start);
    const qint64 forward = ReadInt32(start + 4);
    if (forward < start + kRecordOverhead || forward > size) Damaged(start + 4);
    if (ReadInt32(forward - 4) != start) Damaged(forward - 4);
    return forward;
}

std::unique_ptr<TMetafile> TRpPageList::ReadPayload(int n, qint64 start, qint64 forward) {
    const qint64 payloadAt = start + 8;
    const qint64 payloadSize = forward - 4 - payloadAt;
    auto page = std::make_unique<TMetafile>();
    if (!compressed_) {
        if (!stream_->seek(payloadAt)) Damaged(payloadAt);
        const QByteArray emf = stream_->read(payloadSize);
        if (emf.size() != payloadSize || StatedLength(emf) != payloadSize) Damaged(payloadAt);
        page->SetData(emf);
        return page;
    }
    if (payloadSize < 4) Damaged(payloadAt);
    const qint64 length = ReadInt32(payloadAt);
    const qint64 coded = payloadSize - 4;
    // Every byte takes at least one bit of code.
    if (length < 0 || length > emf::kMaxBytes || length > 8 * coded)
        throw ERpError(RpRes::SCompressedPageBad, QString::number(n));
    QByteArray emf(static_cast<qsizetype>(length), Qt::Uninitialized);
    try {
        TRpCompress coder(*stream_, TRpCompress::cmDecode, coded);
        coder.Decode(reinterpret_cast<uint8_t*>(emf.data()), static_cast<size_t>(length));
        if (coder.BytesConsumed() != coded) throw ERpError(RpRes::SCodeEndsEarly);
    } catch (const ERpError&) {
        throw ERpError(RpRes::SCompressedPageBad, QString::number(n));
    }
    if (StatedLength(emf) != length) throw ERpError(RpRes::SCompressedPageBad, QString::number(n));
    page->SetData(emf);
    return page;
}

std::unique_ptr<TMetafile> TRpPageList::FetchPage(int n) {
    std::lock_guard guard(lock_);
    if (!stream_ || n < 1 || n > storedPages_) return nullptr;
    if (n == newestNumber_ && !newest_.isEmpty()) {
        auto page = std::make_unique<TMetafile>();
        page->SetData(newest_);
        return page;
    }
    std::lock_guard streamGuard(stream_->Lock());
    SeekPage(n);
    const qint64 start = cursor_;
    cursor_ = -1; // until the record has been read whole
    const qint64 forward = CheckRecord(n, start);
    if (!stream_->seek(start + 8)) Damaged(start + 8);
    std::unique_ptr<TMetafile> page = ReadPayload(n, start, forward);
    if (!stream_->seek(forward)) Damaged(forward);
    cursor_ = forward;
    cursorPage_ = n + 1;
    return page;
}

// ---- Preview factory -------------------------------------------------------------------

namespace {
TRpPreviewInterfaceClass& PreviewClassSlot() {
    static TRpPreviewInterfaceClass slot = StandardPreviewInterfaceClass();
    return slot;
}
} // namespace

void SetPreviewInterfaceClass(TRpPreviewInterfaceClass factory) {
    PreviewClassSlot() = std::move(factory);
}

const TRpPreviewInterfaceClass& PreviewInterfaceClass() {
    return PreviewClassSlot();
}

// ---- TRpPrinter ------------------------------------------------------------------------

TRpPrinter::TRpPrinter(QObject* parent)
    : TPersistent(parent), devicePrinter_(std::make_unique<TPrinter>()) {
    printersInstalled_ = !devicePrinter_->Printers().isEmpty();
    if (printersInstalled_) {
        // The printer the program has chosen, when it lies in the list; the settings are
        // read from the printer then selected.
        const int chosen = ::Printer()->PrinterIndex();
        if (chosen >= 0 && chosen < devicePrinter_->Printers().size() &&
            chosen != devicePrinter_->PrinterIndex())
            devicePrinter_->SetPrinterIndex(chosen);
        deviceSettings_.SetPrinter(devicePrinter_.get());
    }
    topOffset_ = deviceSettings_.PrintOffsetTop();
    leftOffset_ = deviceSettings_.PrintOffsetLeft();
    pageList_ = std::make_unique<TRpPageList>();
}

TRpPrinter::~TRpPrinter() {
    try {
        if (status_ != stReady) ResetJob();
    } catch (const Exception&) {
        // Freeing goes on whatever a reset says.
    }
    ReleasePage();
    pageList_->SetPageStream(nullptr);
}

void TRpPrinter::SetPrinterIndex(int index) {
    if (!printersInstalled_) return;
    devicePrinter_->SetPrinterIndex(index); // with the driver's defaults
    deviceSettings_.ReadFromPrinter();
}

void TRpPrinter::SetPrinterName(const QString& name) {
    if (!printersInstalled_) return;
    devicePrinter_->SetPrinterName(name);
    deviceSettings_.ReadFromPrinter();
}

int TRpPrinter::PaperWidth() const {
    return Orientation() == poLandscape ? deviceSettings_.PaperLength()
                                        : deviceSettings_.PaperWidth();
}

int TRpPrinter::PaperLength() const {
    return Orientation() == poLandscape ? deviceSettings_.PaperWidth()
                                        : deviceSettings_.PaperLength();
}

int TRpPrinter::ToDeviceX(long double x) const {
    return RoundInt((x - leftOffset_) * xFactor_);
}

int TRpPrinter::ToDeviceY(long double y) const {
    return RoundInt((y - topOffset_) * yFactor_);
}

int TRpPrinter::ToDeviceWidth(long double w) const {
    return RoundInt(w * xFactor_);
}

int TRpPrinter::ToDeviceHeight(long double h) const {
    return RoundInt(h * yFactor_);
}

void TRpPrinter::StartJob() {
    pagesReady_ = 0;
    cancelRequested_ = false;
    failed_ = false;
    if (destination_ == pdPrinter && printersInstalled_) deviceSettings_.ApplyToPrinter();
    topOffset_ = destination_ == pdPrinter ? deviceSettings_.PrintOffsetTop() : 0;
    leftOffset_ = destination_ == pdPrinter ? deviceSettings_.PrintOffsetLeft() : 0;
    if (status_ != stReady) throw ERpError(RpRes::SReportPrinterNotReady);
    if (destination_ == pdPrinter && !printersInstalled_)
        throw ERpError(RpRes::SNoPrinterInstalled);
    ReleasePage();
    currentPage_ = 0;
    pagesBegun_ = 0;
    status_ = stBusy;
    pageList_->SetPageStream(nullptr);
    pageStream_ = std::make_unique<TRpStream>(TRpStream::kDefaultSpillThreshold);
    pageList_->SetPageStream(pageStream_.get());
    pageList_->ResetStoredPages();
    if (destination_ == pdPrinter) {
        xFactor_ = devicePrinter_->Resolution() / 254.0L;
        yFactor_ = devicePrinter_->Resolution() / 254.0L;
    } else {
        xFactor_ = yFactor_ = RpScreenPixelsPerInch() / 254.0L;
    }
}

bool TRpPrinter::IsPageInRange() const {
    if (firstPage_ > 0 && pagesBegun_ < firstPage_) return false;
    if (lastPage_ > 0 && pagesBegun_ > lastPage_) return false;
    return true;
}

// A printed page ends; the next device page begins at once unless the range ends here.
void TRpPrinter::CloseDevicePage() {
    if (!IsPageInRange()) {
        ReleasePage(); // recorded only to be drawn on: discarded
        return;
    }
    pageCanvas_ = nullptr;
    if (devicePrinter_->Printing() && pagesBegun_ != lastPage_) devicePrinter_->NewPage();
}

void TRpPrinter::OpenDevicePage() {
    if (!IsPageInRange()) {
        OpenPage();
        return;
    }
    if (!devicePrinter_->Printing()) {
        devicePrinter_->SetTitle(title_);
        devicePrinter_->BeginDoc();
    }
    pageCanvas_ = devicePrinter_->Canvas();
}

void TRpPrinter::OpenPage() {
    auto metafile = std::make_unique<TMetafile>();
    metafile->SetWidth(ToDeviceWidth(PaperWidth()));
    metafile->SetHeight(ToDeviceHeight(PaperLength()));
    metafileCanvas_ = std::make_unique<TMetafileCanvas>(metafile.get());
    pageMetafile_ = std::move(metafile);
    pageCanvas_ = metafileCanvas_.get();
}

// Ends the recording of the open page and keeps it in the page store.
void TRpPrinter::ClosePage() {
    pageCanvas_ = nullptr;
    metafileCanvas_.reset();
    std::unique_ptr<TMetafile> page = std::move(pageMetafile_);
    if (page) pageList_->AppendPage(*page);
}

void TRpPrinter::ReleasePage() noexcept {
    pageCanvas_ = nullptr;
    metafileCanvas_.reset(); // records into the metafile: it goes first
    pageMetafile_.reset();
}

void TRpPrinter::StartNewPage() {
    if (status_ != stBusy) throw ERpError(RpRes::SIllegalNewPage);
    if (currentPage_ > 0) {
        if (destination_ == pdPrinter)
            CloseDevicePage();
        else
            ClosePage();
        PostPagesReady(pagesReady_ + 1);
    }
    ++pagesBegun_;
    ++currentPage_;
    if (destination_ == pdPrinter)
        OpenDevicePage();
    else
        OpenPage();
}

void TRpPrinter::FinishJob() {
    if (status_ != stBusy) return;
    if (destination_ == pdPrinter) {
        ReleasePage();
        pageCanvas_ = nullptr;
        try {
            if (devicePrinter_->Printing()) devicePrinter_->EndDoc();
        } catch (...) {
            // The printer took nothing (its job is gone with its file): the pass failed.
            status_ = stFinished;
            failed_ = true;
            throw;
        }
    } else if (pagesBegun_ > 0) {
        ClosePage();
    }
    PostPagesReady(pagesReady_ + 1);
    status_ = stFinished;
    if (destination_ == pdPrinter) {
        if (AfterPrintHandler) AfterPrintHandler(this);
    } else {
        pageList_->WriteHeader();
    }
}

void TRpPrinter::AbortJob() {
    if (destination_ == pdPrinter) {
        ReleasePage();
        pageCanvas_ = nullptr;
        if (devicePrinter_->Printing()) devicePrinter_->Abort();
    } else if (pageMetafile_) {
        ClosePage();
    }
    status_ = stFinished;
}

void TRpPrinter::FailJob() {
    failed_ = true;
    if (destination_ == pdPrinter) {
        AbortJob();
        return;
    }
    // The page the pass was drawing when it failed is not kept.
    ReleasePage();
    status_ = stFinished;
}

void TRpPrinter::ResetJob() {
    if (status_ == stBusy) RequestCancel();
    ReleasePage();
    pageList_->SetPageStream(nullptr);
    pageStream_.reset();
    pageList_->ResetStoredPages();
    status_ = stReady;
}

void TRpPrinter::PostProgress(int percent) {
    progressPercent_ = percent;
    if (clientWindow_) PostMessage(clientWindow_, RPM_PROGRESS, percent, 0);
}

void TRpPrinter::PostPagesReady(int count) {
    pagesReady_ = count;
    if (clientWindow_) PostMessage(clientWindow_, RPM_PAGEREADY, count, 0);
}

std::unique_ptr<TMetafile> TRpPrinter::FetchPage(int n) {
    if (status_ != stBusy && status_ != stFinished) return nullptr;
    if (n < 1 || n > pagesBegun_) return nullptr;
    return pageList_->FetchPage(n);
}

void TRpPrinter::OpenPreview() {
    if (PreviewHandler) {
        PreviewHandler(this);
        return;
    }
    const TRpPreviewInterfaceClass& factory = PreviewInterfaceClass();
    if (!factory) throw ERpError(RpRes::SNoPreviewWindow);
    std::unique_ptr<TRpPreviewInterface> preview = factory();
    if (!preview) throw ERpError(RpRes::SNoPreviewWindow);
    previewForm_ = preview->ShowPreview(this);
}

void TRpPrinter::SetPreviewShowing(bool showing) {
    const bool wasShowing = previewShowing_;
    struct Store {
        bool& field;
        bool value;
        ~Store() { field = value; }
    } store{previewShowing_, showing};
    if (wasShowing && !showing) {
        if (status_ == stBusy) RequestCancel();
        if (AfterPreviewHandler) AfterPreviewHandler(this);
    }
}

void TRpPrinter::NotifyPreviewClosed() {
    TControl* master = masterWindow_;
    if (master) SendMessage(master, RPM_PREVIEWCLOSED, 0, reinterpret_cast<intptr_t>(this));
}

void TRpPrinter::PrintKeptPages() {
    if (masterWindow_) {
        PostMessage(masterWindow_, RPM_PRINTREQUEST, 0, reinterpret_cast<intptr_t>(this));
        return;
    }
    PrintLoadedPages();
}

void TRpPrinter::PrintLoadedPages() {
    if (status_ != stFinished || !printersInstalled_ || pagesBegun_ == 0) return;
    const int first = std::max(1, firstPage_);
    const int last = lastPage_ > 0 ? std::min(lastPage_, pagesBegun_) : pagesBegun_;
    if (first > last) return;
    TPrinter& device = *devicePrinter_;
    device.SetTitle(title_);
    if (device.Printing()) device.Abort();
    deviceSettings_.ApplyToPrinter();
    device.BeginDoc();
    // Whatever stops the loop early drops the job: no half print reaches the printer.
    struct DropJob {
        TPrinter& device;
        ~DropJob() {
            if (device.Printing()) device.Abort();
        }
    } dropJob{device};
    for (int i = first; i <= last; ++i) {
        if (Application) Application->ProcessMessages();
        if (cancelRequested_) return;
        PrintKeptPage(i);
        if (i < last) device.NewPage();
    }
    if (cancelRequested_) return;
    device.EndDoc();
}

// A kept page on the device at its own size, from the paper's corner less the printing
// offsets, as a pass to the printer draws it: a page stretched onto the printable area
// would print its items shrunk and moved.
void TRpPrinter::PrintKeptPage(int n) {
    const std::unique_ptr<TMetafile> page = FetchPage(n);
    if (!page) return;
    const long double dpi = devicePrinter_->Resolution();
    const long double perPixel = dpi / RpScreenPixelsPerInch();
    const long double perTenth = dpi / 254.0L;
    const QRect where(RoundInt(-deviceSettings_.PrintOffsetLeft() * perTenth),
                      RoundInt(-deviceSettings_.PrintOffsetTop() * perTenth),
                      RoundInt(page->Width() * perPixel), RoundInt(page->Height() * perPixel));
    devicePrinter_->Canvas()->StretchDraw(where, page.get());
}

void TRpPrinter::SaveToFile(const QString& fileName) {
    // Only a finished pass has pages that stay as they are; a failed one has only some.
    if (status_ != stFinished || !pageStream_ || failed_) throw ERpError(RpRes::SNothingToSave);
    std::lock_guard guard(pageList_->Lock());
    WriteReportFile(*pageStream_, pageList_->StoredPages(), fileName);
}

void TRpPrinter::DetectPaper(TRpPageList& pages) {
    const std::unique_ptr<TMetafile> first = pages.FetchPage(1);
    if (!first) return;
    TRpPaperSize size;
    TPrinterOrientation orientation;
    if (!DetectPaperSize(first->Width(), first->Height(), xFactor_, size, orientation)) return;
    SetPaperSize(size);
    SetOrientation(orientation);
}

void TRpPrinter::LoadFromFile(const QString& fileName) {
    if (status_ != stReady) ResetJob();
    // Whatever happens below, the pages kept so far are gone.
    pagesBegun_ = 0;
    pagesReady_ = 0;
    fromFile_ = false;
    std::unique_ptr<TRpStream> stream = TRpStream::OpenFile(fileName);
    auto list = std::make_unique<TRpPageList>();
    list->SetPageStream(stream.get());
    list->ReadHeader();
    list->CheckRecords();
    xFactor_ = yFactor_ = RpScreenPixelsPerInch() / 254.0L;
    if (list->StoredPages() > 0) DetectPaper(*list);
    pageList_ = std::move(list);
    pageStream_ = std::move(stream);
    pagesBegun_ = pageList_->StoredPages();
    pagesReady_ = pagesBegun_;
    status_ = stFinished;
    // A cancel asked of an earlier pass is no reason to stop printing these pages.
    cancelRequested_ = false;
    failed_ = false;
    PrintSetupHandler = nullptr;
    ExportHandler = nullptr;
    fromFile_ = true;
}
