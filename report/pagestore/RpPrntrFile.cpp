// Report files: the checks a page stream read from a file passes before any of its pages
// is shown, the atomic writing of a page stream into a file, and paper detection.

#include "report/pagestore/RpPrntrFile.h"
#include "report/pagestore/RpPrntrCompress.h"

#include "framework/core/Resources.h"

#include <QSaveFile>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace {

constexpr qint64 kHeaderSize = TRpPageList::kHeaderSize;
constexpr qint64 kRecordOverhead = 12; // page number, forward and backward links
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

// The records that follow one another from `at` with numbers counting on from
// firstNumber and sound links: what a page count that is too small leaves uncounted.
int TRpPageList::CountRecordsFrom(qint64 at, int firstNumber) {
    const qint64 size = stream_->size();
    int count = 0;
    while (at <= size - kRecordOverhead && ReadInt32(at) == firstNumber + count) {
        const qint64 forward = ReadInt32(at + 4);
        if (forward < at + kRecordOverhead || forward > size || ReadInt32(forward - 4) != at) break;
        ++count;
        at = forward;
    }
    return count;
}

void TRpPageList::CheckRecords() {
    const qint64 size = stream_->size();
    qint64 at = kHeaderSize;
    for (int page = 1; page <= storedPages_; ++page) {
        if (at == size) Fail(RpRes::SPageCountWrong, storedPages_, page - 1);
        if (at > size - kRecordOverhead) Fail(RpRes::SRecordCut, page, at);
        const qint32 number = ReadInt32(at);
        if (number != page) Fail(RpRes::SRecordNumberWrong, page, at, number);
        const qint64 forward = ReadInt32(at + 4);
        if (forward < 0 || forward > size) Fail(RpRes::SLinkOutsideFile, at + 4);
        if (forward < at + kRecordOverhead) Fail(RpRes::SLinkNotForward, at + 4);
        if (ReadInt32(forward - 4) != at) Fail(RpRes::SBackLinkWrong, forward - 4);
        CheckPayload(page, at + 8, forward - 4);
        at = forward;
    }
    if (at != size) {
        const int more = CountRecordsFrom(at, storedPages_ + 1);
        if (more > 0) Fail(RpRes::SPageCountWrong, storedPages_, storedPages_ + more);
        Fail(RpRes::SBytesAfterLastPage, size - at);
    }
    cursor_ = -1;
}

void TRpPageList::CheckPayload(int n, qint64 start, qint64 end) {
    if (compressed_) {
        CheckCodedPayload(n, start, end);
        return;
    }
    const qint64 held = end - start;
    uchar head[kEmfHeadBytes];
    if (held < kEmfHeadBytes || !stream_->seek(start) ||
        stream_->read(reinterpret_cast<char*>(head), kEmfHeadBytes) != kEmfHeadBytes)
        Fail(RpRes::SNotAMetafile, n);
    CheckEmfHead(n, head, held);
}

// Decodes the whole record, keeping only the metafile's head: the code must give exactly
// the stated number of bytes from exactly the bytes the record holds.
void TRpPageList::CheckCodedPayload(int n, qint64 start, qint64 end) {
    if (end - start < 4) Fail(RpRes::SCompressedLengthBad, n, end - start);
    const qint64 length = ReadInt32(start);
    const qint64 coded = end - start - 4;
    if (length < kEmfHeadBytes || length > emf::kMaxBytes)
        Fail(RpRes::SCompressedLengthBad, n, length);
    // Every byte takes at least one bit of code: fewer bits cannot hold the length.
    if (length > 8 * coded) Fail(RpRes::SCompressedEndsEarly, n, length);
    if (!stream_->seek(start + 4)) Fail(RpRes::SRecordCut, n, start);
    uchar head[kEmfHeadBytes];
    TRpCompress coder(*stream_, TRpCompress::cmDecode, coded);
    try {
        if (n == 1) {
            // The page shown first is kept as decoded here, so that showing it does not
            // decode it a second time.
            QByteArray emf(static_cast<qsizetype>(length), Qt::Uninitialized);
            coder.Decode(reinterpret_cast<uint8_t*>(emf.data()), static_cast<size_t>(length));
            std::memcpy(head, emf.constData(), kEmfHeadBytes);
            newest_ = std::move(emf);
            newestNumber_ = 1;
        } else {
            coder.Decode(head, kEmfHeadBytes);
        }
        std::vector<uint8_t> scratch(n == 1 ? 0 : 64 * 1024);
        for (qint64 left = n == 1 ? 0 : length - kEmfHeadBytes; left > 0;) {
            const auto step = static_cast<size_t>(std::min<qint64>(left, qint64(scratch.size())));
            coder.Decode(scratch.data(), step);
            left -= static_cast<qint64>(step);
        }
    } catch (const ERpError&) {
        // The only failure of decoding: the coded bytes ran out.
        Fail(RpRes::SCompressedEndsEarly, n, length);
    }
    if (coder.BytesCoded() != coded) Fail(RpRes::SCompressedGoesOn, n, length);
    CheckEmfHead(n, head, length);
}

// ---- Reading ----------------------------------------------------------------------------

TRpReportFile ReadReportFile(const QString& fileName) {
    TRpReportFile file;
    file.stream = TRpStream::OpenFile(fileName);
    file.pages = std::make_unique<TRpPageList>();
    file.pages->SetPageStream(file.stream.get());
    file.pages->ReadHeader();
    file.pages->CheckRecords();
    return file;
}

// ---- Writing ----------------------------------------------------------------------------

void WriteReportFile(TRpStream& stream, int pages, const QString& fileName) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(QString::fromLatin1(SysConst::SFCreateError).arg(fileName) +
                            QStringLiteral(": ") + file.errorString());
    stream.CopyTo(file);
    if (file.size() >= kHeaderSize) {
        uchar count[4];
        qToLittleEndian(static_cast<qint32>(pages), count);
        if (!file.seek(8) || file.write(reinterpret_cast<const char*>(count), 4) != 4)
            throw EStreamError(file.errorString());
    }
    if (!file.commit())
        throw EFCreateError(QString::fromLatin1(SysConst::SFCreateError).arg(fileName) +
                            QStringLiteral(": ") + file.errorString());
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
