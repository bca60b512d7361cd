#include "report/pagestore/RpPrntrPages.h"

#include "report/pagestore/RpPrntrCompress.h"

#include <QDate>
#include <QDateTime>
#include <QtEndian>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {
[[noreturn]] void StreamFailed(const QString& what) {
    throw EStreamError(what);
}
} // namespace

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
    if (!stream_) return;
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
    RpAssertEngineThread();
    if (!stream_) throw ERpError(RpRes::SReportPrinterNotReady);
    if (page.Empty() || !page.Enhanced())
        throw EInvalidGraphic(SysConst::Text(SysConst::SInvalidMetafile));
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
            stream_->WriteShared(emf);
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

// The one walk over a record's links, for checking a file and for fetching a page: record
// n at `start` must bear its number, its forward link must lie past its own head and inside
// the stream, and the backward link just before the next record must name `start`. Gives
// the forward link, or the first thing that does not fit.
TRpPageList::TRecordFault TRpPageList::FollowRecord(int n, qint64 start, qint64& forward) {
    const qint64 size = stream_->size();
    if (start < kHeaderSize || start > size - kRecordOverhead) return TRecordFault::Cut;
    const auto [number, next] = ReadPair(start);
    if (number != n) return TRecordFault::Number;
    forward = next;
    if (next < 0 || next > size) return TRecordFault::Outside;
    if (next < start + kRecordOverhead) return TRecordFault::NotForward;
    if (ReadInt32(next - 4) != start) return TRecordFault::BackLink;
    return TRecordFault::None;
}

// Checks record n at start and returns its forward link.
qint64 TRpPageList::CheckRecord(int n, qint64 start) {
    qint64 forward = 0;
    switch (FollowRecord(n, start, forward)) {
    case TRecordFault::None:
        return forward;
    case TRecordFault::Cut:
    case TRecordFault::Number:
        Damaged(start);
    case TRecordFault::Outside:
    case TRecordFault::NotForward:
        Damaged(start + 4);
    case TRecordFault::BackLink:
        break;
    }
    Damaged(forward - 4);
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
        if (coder.BytesCoded() != coded) throw ERpError(RpRes::SCodeEndsEarly);
    } catch (const ERpError&) {
        throw ERpError(RpRes::SCompressedPageBad, QString::number(n));
    }
    if (StatedLength(emf) != length) throw ERpError(RpRes::SCompressedPageBad, QString::number(n));
    page->SetData(emf);
    return page;
}

std::unique_ptr<TMetafile> TRpPageList::FetchPage(int n) {
    RpAssertEngineThread();
    if (!stream_ || n < 1 || n > storedPages_) return nullptr;
    if (n == newestNumber_ && !newest_.isEmpty()) {
        auto page = std::make_unique<TMetafile>();
        page->SetData(newest_);
        return page;
    }
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

