#pragma once
// The page store: the pages of a report as metafile records in a page stream.

#include "framework/graphics/Metafile.h"
#include "report/pagestore/RpPrntrStream.h"

#include <QByteArray>
#include <functional>
#include <memory>
#include <utility>

// Told how far a long read has come: the bytes of the stream checked so far, of all. It
// may raise an exception (EAbort when the user gives the read up), which stops the read.
using TRpReadProgress = std::function<void(qint64 done, qint64 total)>;

// The page store: a 124-byte header and one record per page in a page stream. A record is
// its page number, a forward link to the next record, the page's metafile (or its length
// and its coded bytes when compressed) and a backward link to its own start. Every link
// and length is checked against the stream before it is followed.
class TRpPageList {
public:
    static constexpr qint64 kHeaderSize = 124;

    TRpPageList();
    ~TRpPageList();

    bool Compressed() const { return compressed_; }
    void SetCompressed(bool c) { compressed_ = c; }
    int StoredPages() const { return storedPages_; }
    void ResetStoredPages() {
        storedPages_ = 0;
        newest_ = {};
    }
    TRpStream* PageStream() const { return stream_; }
    void SetPageStream(TRpStream* stream);

    // Takes the page's bytes without copying them: they are shared with the metafile.
    void AppendPage(TMetafile& page);
    // A new metafile with page n; none when n is not a stored page.
    std::unique_ptr<TMetafile> FetchPage(int n);
    // Leaves the stream at the start of record n (1 <= n <= StoredPages).
    void SeekPage(int n);
    void WriteHeader();
    // Takes the page count and compression of a stream's header.
    void ReadHeader();
    // Walks every record of a stream read from a file: numbers, links both ways, and each
    // payload a metafile of its stated length (compressed ones decoded to check). Raises
    // ERpError naming what does not fit and where. Page 1 is kept as read, since it is the
    // page shown first; `progress` hears of every step.
    void CheckRecords(const TRpReadProgress& progress = {});


private:
    qint32 ReadInt32(qint64 at);
    std::pair<qint32, qint32> ReadPair(qint64 at);
    void WriteInt32(qint32 value);
    void SeekRecordHead(qint64 start);
    qint64 LastRecordStart();
    qint64 WalkTo(int n, qint64 from, int fromPage);
    enum class TRecordFault { None, Cut, Number, Outside, NotForward, BackLink };
    TRecordFault FollowRecord(int n, qint64 start, qint64& forward);
    qint64 CheckRecord(int n, qint64 start);
    std::unique_ptr<TMetafile> ReadPayload(int n, qint64 start, qint64 forward);
    void CheckPayload(int n, qint64 start, qint64 end, const TRpReadProgress& progress);
    void CheckCodedPayload(int n, qint64 start, qint64 end, const TRpReadProgress& progress);
    int CountRecordsFrom(qint64 at, int firstNumber);

    TRpStream* stream_ = nullptr;
    bool compressed_ = false;
    int storedPages_ = 0;
    qint64 cursor_ = -1; // where the store left the stream: a record start or the end
    int cursorPage_ = 0; // the page of the record at the cursor
    // The page appended last, whose bytes its metafile shares: the page a preview asks
    // for as a pass ends comes back without being read again. One page at most.
    QByteArray newest_;
    int newestNumber_ = 0;
};

