// Report files: the checks a page stream read from a file passes before any of its pages
// is shown, the atomic writing of a page stream into a file, and paper detection.

#include "report/pagestore/RpPrntrFile.h"
#include "report/pagestore/RpPrntrCompress.h"

#include "framework/core/Files.h"
#include "framework/core/Resources.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

namespace {

constexpr qint64 kHeaderSize = TRpPageList::kHeaderSize;
// The part of a metafile's header record that says what it is and how long it is.
constexpr qint64 kEmfHeadBytes = 52;

QString Num(qint64 v) {
    return QString::number(v);
}

[[noreturn]] void Fail(int id, qint64 a) {
    throw ERpError(id, Num(a));
}
[[noreturn]] void Fail(int id, qint64 a, qint64 b) {
    throw ERpError(id, Num(a), Num(b));
}
[[noreturn]] void Fail(int id, qint64 a, qint64 b, qint64 c) {
    throw ERpError(LoadStr(id).arg(Num(a), Num(b), Num(c)));
}

// Raises the error of a metafile head that is not one: a header record with the metafile
// signature and the metafile's whole length.
void CheckEmfHead(int page, const uchar* head, qint64 held) {
    const quint32 type = qFromLittleEndian<quint32>(head);
    const quint32 signature = qFromLittleEndian<quint32>(head + 40);
    if (type != emf::EMR_HEADER || signature != emf::kSignature) Fail(RpRes::SNotAMetafile, page);
    const qint64 stated = qFromLittleEndian<quint32>(head + 48);
    if (stated != held) Fail(RpRes::SMetafileLengthWrong, page, stated, held);
}

} // namespace

// ---- Checking a stream read from a file -------------------------------------------------

namespace {
// Bytes read or decoded between two reports of progress: small enough for a cancel to be
// felt at once, large enough for the report to cost nothing.
constexpr qint64 kProgressStep = 1 << 20;
} // namespace

// The records that follow one another from `at` with numbers counting on from
// firstNumber and sound links: what a page count that is too small leaves uncounted.
int TRpPageList::CountRecordsFrom(qint64 at, int firstNumber) {
    int count = 0;
    qint64 forward = 0;
    while (FollowRecord(firstNumber + count, at, forward) == TRecordFault::None) {
        ++count;
        at = forward;
    }
    return count;
}

void TRpPageList::CheckRecords(const TRpReadProgress& progress) {
    const qint64 size = stream_->size();
    qint64 at = kHeaderSize;
    for (int page = 1; page <= storedPages_; ++page) {
        if (at == size) Fail(RpRes::SPageCountWrong, storedPages_, page - 1);
        qint64 forward = 0;
        switch (FollowRecord(page, at, forward)) {
        case TRecordFault::None:
            break;
        case TRecordFault::Cut:
            Fail(RpRes::SRecordCut, page, at);
        case TRecordFault::Number:
            Fail(RpRes::SRecordNumberWrong, page, at, ReadInt32(at));
        case TRecordFault::Outside:
            Fail(RpRes::SLinkOutsideFile, at + 4);
        case TRecordFault::NotForward:
            Fail(RpRes::SLinkNotForward, at + 4);
        case TRecordFault::BackLink:
            Fail(RpRes::SBackLinkWrong, forward - 4);
        }
        CheckPayload(page, at + 8, forward - 4, progress);
        at = forward;
        if (progress) progress(at, size);
    }
    if (at != size) {
        const int more = CountRecordsFrom(at, storedPages_ + 1);
        if (more > 0) Fail(RpRes::SPageCountWrong, storedPages_, storedPages_ + more);
        Fail(RpRes::SBytesAfterLastPage, size - at);
    }
    cursor_ = -1;
}

// A plain payload is a metafile as it stands. Page 1 is read whole and kept, so that
// showing it reads nothing again; of the others only the head is read.
void TRpPageList::CheckPayload(int n, qint64 start, qint64 end, const TRpReadProgress& progress) {
    if (compressed_) {
        CheckCodedPayload(n, start, end, progress);
        return;
    }
    const qint64 held = end - start;
    if (held < kEmfHeadBytes || held > emf::kMaxBytes || !stream_->seek(start))
        Fail(RpRes::SNotAMetafile, n);
    if (n != 1) {
        uchar head[kEmfHeadBytes];
        if (stream_->read(reinterpret_cast<char*>(head), kEmfHeadBytes) != kEmfHeadBytes)
            Fail(RpRes::SNotAMetafile, n);
        CheckEmfHead(n, head, held);
        return;
    }
    QByteArray emf(static_cast<qsizetype>(held), Qt::Uninitialized);
    for (qint64 done = 0; done < held;) {
        const qint64 step = std::min(held - done, kProgressStep);
        if (stream_->read(emf.data() + done, step) != step) Fail(RpRes::SNotAMetafile, n);
        done += step;
        if (progress) progress(start + done, stream_->size());
    }
    CheckEmfHead(n, reinterpret_cast<const uchar*>(emf.constData()), held);
    newest_ = std::move(emf);
    newestNumber_ = 1;
}

// Decodes the whole record, keeping only the metafile's head: the code must give exactly
// the stated number of bytes from exactly the bytes the record holds.
void TRpPageList::CheckCodedPayload(int n, qint64 start, qint64 end,
                                    const TRpReadProgress& progress) {
    if (end - start < 4) Fail(RpRes::SCompressedLengthBad, n, end - start);
    const qint64 length = ReadInt32(start);
    const qint64 coded = end - start - 4;
    if (length < kEmfHeadBytes || length > emf::kMaxBytes)
        Fail(RpRes::SCompressedLengthBad, n, length);
    // Every byte takes at least one bit of code: fewer bits cannot hold the length.
    if (length > 8 * coded) Fail(RpRes::SCompressedEndsEarly, n, length);
    if (!stream_->seek(start + 4)) Fail(RpRes::SRecordCut, n, start);
    TRpCompress coder(*stream_, TRpCompress::cmDecode, coded);
    // The page shown first is kept as decoded here, so that showing it does not decode it a
    // second time; the others go through a scratch buffer.
    QByteArray emf(static_cast<qsizetype>(n == 1 ? length : std::min(length, kProgressStep)),
                   Qt::Uninitialized);
    uchar head[kEmfHeadBytes];
    try {
        for (qint64 done = 0; done < length;) {
            const qint64 step = std::min(length - done, kProgressStep);
            auto* out = reinterpret_cast<uint8_t*>(emf.data()) + (n == 1 ? done : 0);
            coder.Decode(out, static_cast<size_t>(step));
            if (done == 0) std::memcpy(head, out, kEmfHeadBytes);
            done += step;
            if (progress) progress(start + 4 + coder.BytesCoded(), stream_->size());
        }
    } catch (const ERpError&) {
        // The only failure of decoding: the coded bytes ran out.
        Fail(RpRes::SCompressedEndsEarly, n, length);
    }
    if (coder.BytesCoded() != coded) Fail(RpRes::SCompressedGoesOn, n, length);
    CheckEmfHead(n, head, length);
    if (n != 1) return;
    newest_ = std::move(emf);
    newestNumber_ = 1;
}

// ---- Reading ----------------------------------------------------------------------------

namespace {
TRpReportFile OpenReportFile(const QString& fileName) {
    TRpReportFile file;
    file.stream = TRpStream::OpenFile(fileName);
    file.pages = std::make_unique<TRpPageList>();
    file.pages->SetPageStream(file.stream.get());
    return file;
}
} // namespace

TRpReportFile ReadReportFile(const QString& fileName) {
    TRpReportFile file = OpenReportFile(fileName);
    file.pages->ReadHeader();
    file.pages->CheckRecords();
    return file;
}

TRpReportFileLoad::TRpReportFileLoad(const QString& fileName, QObject* parent)
    : QObject(parent), file_(OpenReportFile(fileName)) {
    thread_ = std::thread([this] { Run(); });
}

TRpReportFileLoad::~TRpReportFileLoad() {
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
}

// On the load's own thread. What it tells the program's thread goes as queued calls on
// this object, which are dropped should the load be gone by then.
void TRpReportFileLoad::Run() {
    try {
        file_.pages->ReadHeader();
        file_.pages->CheckRecords([this](qint64 done, qint64 total) {
            if (cancel_) throw EAbort();
            const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
            if (percent == percent_) return;
            percent_ = percent;
            QMetaObject::invokeMethod(
                this, [this, percent] { emit Progress(percent); }, Qt::QueuedConnection);
        });
    } catch (...) {
        failure_ = std::current_exception();
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            thread_.join();
            ended_ = true;
            emit Finished();
        },
        Qt::QueuedConnection);
}

TRpReportFile TRpReportFileLoad::TakeFile() {
    if (!ended_) throw EAbort();
    if (failure_) std::rethrow_exception(failure_);
    return std::move(file_);
}

// ---- Writing ----------------------------------------------------------------------------

void WriteReportFile(TRpStream& stream, int pages, const QString& fileName) {
    TFileReplacement file(fileName);
    try {
        stream.CopyTo(file.Device());
    } catch (const EStreamError& e) {
        // A write of the new file, or a read of the pages, stopped the copy.
        file.Fail(e.Message());
    }
    if (stream.size() >= kHeaderSize) {
        uchar count[4];
        qToLittleEndian(static_cast<qint32>(pages), count);
        file.WriteAt(8, reinterpret_cast<const char*>(count), 4);
    }
    file.Commit();
}

// ---- Paper detection --------------------------------------------------------------------

bool DetectPaperSize(int widthPixels, int heightPixels, long double factor, TRpPaperSize& size,
                     TPrinterOrientation& orientation) {
    if (!(factor > 0)) return false;
    // Whole units of 4 mm: 40 tenths of a millimetre.
    const auto w = static_cast<int64_t>(std::trunc(widthPixels / factor / 40));
    const auto h = static_cast<int64_t>(std::trunc(heightPixels / factor / 40));
    bool found = false;
    for (int i = Ordinal(TRpPaperSize::Letter); i <= Ordinal(TRpPaperSize::ESheet); ++i) {
        const auto paper = static_cast<TRpPaperSize>(i);
        const auto tw = static_cast<int64_t>(std::trunc(PaperInfo(paper).width / 4));
        const auto th = static_cast<int64_t>(std::trunc(PaperInfo(paper).length / 4));
        if (tw == w && th == h) {
            size = paper;
            orientation = poPortrait;
            found = true;
        }
        if (th == w && tw == h) {
            size = paper;
            orientation = poLandscape;
            found = true;
        }
    }
    return found;
}
