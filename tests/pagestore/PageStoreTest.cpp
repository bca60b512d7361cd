// The page store and its stream: the record layout and its links, pages in and out with
// and without compression, the move into a temporary file, and damaged streams.

#include "PageSupport.h"
#include "support/TestSupport.h"

#include <QDate>
#include <QFileInfo>
#include <cmath>
#include <thread>

namespace {

struct Store {
    TRpStream stream;
    TRpPageList list;
    explicit Store(bool compressed = false) {
        list.SetPageStream(&stream);
        list.SetCompressed(compressed);
    }
    ~Store() { list.SetPageStream(nullptr); }
};

// A store over bytes made elsewhere, its header read.
struct LoadedStore : Store {
    explicit LoadedStore(const QByteArray& bytes) {
        stream.write(bytes);
        list.ReadHeader();
    }
};

TEST(PageStore, OnePageRecordLayout) {
    Store store;
    const auto page = RecordPage(1);
    const QByteArray emf = page->Data();
    store.list.AppendPage(*page);
    const QByteArray bytes = StreamBytes(store.stream);

    // Header, page number, forward link, the metafile as it is, backward link.
    ASSERT_EQ(bytes.size(), 124 + 4 + 4 + emf.size() + 4);
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData()), 3);
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 2), 302);
    EXPECT_EQ(Int32At(bytes, 4), 0);
    EXPECT_EQ(Int32At(bytes, 8), 1);
    EXPECT_EQ(bytes[20], '\0');
    EXPECT_EQ(bytes[21], '\0'); // not compressed
    EXPECT_EQ(bytes.mid(22, 102), QByteArray(102, '\0'));
    EXPECT_EQ(Int32At(bytes, 124), 1);
    EXPECT_EQ(Int32At(bytes, 128), bytes.size());
    EXPECT_EQ(bytes.mid(132, emf.size()), emf);
    EXPECT_EQ(Int32At(bytes, bytes.size() - 4), 124);

    // The date is today's as days since 30 December 1899 (a test running across midnight
    // may see yesterday).
    double date;
    std::memcpy(&date, bytes.constData() + 12, 8);
    const QDate day = QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(date)));
    EXPECT_LE(QDate::currentDate().daysTo(day), 0);
    EXPECT_GE(QDate::currentDate().daysTo(day), -1);
}

// Every record's forward link is the start of the next one (the stream's size for the
// last), and the 4 bytes before a record name the start of its predecessor.
TEST(PageStore, RecordsAreLinkedBothWays) {
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed);
        Store store(compressed);
        for (int i = 1; i <= 4; ++i)
            store.list.AppendPage(*RecordPage(i));
        const QByteArray bytes = StreamBytes(store.stream);
        EXPECT_EQ(bytes[21], compressed ? '\1' : '\0');
        qint64 at = 124, previous = -1;
        for (int page = 1; page <= 4; ++page) {
            EXPECT_EQ(Int32At(bytes, at), page);
            const qint32 forward = Int32At(bytes, at + 4);
            EXPECT_EQ(Int32At(bytes, forward - 4), at);
            if (previous > 0) {
                EXPECT_EQ(Int32At(bytes, at - 4), previous);
            }
            previous = at;
            at = forward;
        }
        EXPECT_EQ(at, bytes.size());
        EXPECT_EQ(Int32At(bytes, bytes.size() - 4), previous);
        // The header written with the first page still says one page; the pass rewrites
        // it when it finishes.
        EXPECT_EQ(Int32At(bytes, 8), 1);
        store.list.WriteHeader();
        EXPECT_EQ(Int32At(StreamBytes(store.stream), 8), 4);
    }
}

TEST(PageStore, CompressedRecordStartsWithTheMetafileLength) {
    Store store(true);
    const auto page = RecordPage(5);
    store.list.AppendPage(*page);
    const QByteArray bytes = StreamBytes(store.stream);
    EXPECT_EQ(Int32At(bytes, 132), page->Data().size());
    // Text pages are highly redundant.
    EXPECT_LT(bytes.size() - 136 - 4, page->Data().size() / 2);
}

// Pages come back byte for byte, whichever order they are asked for in, also while the
// stream lives in its temporary file.
TEST(PageStore, PagesComeBackInAnyOrder) {
    const QString dir = TestTempDir();
    TempDirScope tmp(dir);
    std::mt19937 random(7);
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed);
        Store store(compressed);
        std::vector<QByteArray> kept;
        for (int i = 1; i <= 30; ++i) {
            const auto page = RecordPage(static_cast<int>(random() % 100000),
                                         static_cast<int>(1 + random() % 40));
            kept.push_back(page->Data());
            store.list.AppendPage(*page);
        }
        EXPECT_FALSE(store.stream.Buffered());
        std::vector<int> order;
        for (int n = 1; n <= 30; ++n)
            order.push_back(n);
        for (int n = 30; n >= 1; --n)
            order.push_back(n);
        for (int k = 0; k < 60; ++k)
            order.push_back(static_cast<int>(1 + random() % 30));
        for (int n : order) {
            const auto page = store.list.FetchPage(n);
            ASSERT_TRUE(page) << n;
            EXPECT_EQ(page->Data(), kept[static_cast<size_t>(n - 1)]) << n;
        }
        EXPECT_EQ(store.list.FetchPage(31), nullptr);
        EXPECT_EQ(store.list.FetchPage(0), nullptr);
        EXPECT_EQ(store.list.FetchPage(-3), nullptr);
    }
}

// A page appended between fetches is found, and fetching goes on from where it was.
TEST(PageStore, FetchingWhileAppending) {
    Store store(true);
    std::vector<QByteArray> kept;
    for (int i = 1; i <= 6; ++i) {
        const auto page = RecordPage(100 + i, 5);
        kept.push_back(page->Data());
        store.list.AppendPage(*page);
        for (int n : {i, 1, i})
            EXPECT_EQ(store.list.FetchPage(n)->Data(), kept[static_cast<size_t>(n - 1)]);
    }
}

// The store takes no lock: another thread's call is refused in every build, and the store
// is as it was.
TEST(PageStore, OtherThreadsAreRefused) {
    Store store;
    const auto page = RecordPage(101, 5);
    store.list.AppendPage(*page);
    QString appendError, fetchError;
    std::thread other([&] {
        try {
            store.list.AppendPage(*page);
        } catch (const ERpError& e) {
            appendError = e.Message();
        }
        try {
            store.list.FetchPage(1);
        } catch (const ERpError& e) {
            fetchError = e.Message();
        }
    });
    other.join();
    const QString expected =
        QStringLiteral("The report engine was called from a thread other than the program's");
    EXPECT_EQ(appendError, expected);
    EXPECT_EQ(fetchError, expected);
    EXPECT_EQ(store.list.StoredPages(), 1);
    EXPECT_EQ(store.list.FetchPage(1)->Data(), page->Data());
}

TEST(PageStream, StaysInMemoryUpTo100000Bytes) {
    const QString dir = TestTempDir();
    TempDirScope tmp(dir);
    QByteArray content(100000, '\0');
    for (int i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7);
    {
        TRpStream stream;
        ASSERT_EQ(stream.write(content), 100000);
        EXPECT_TRUE(stream.Buffered());
        EXPECT_EQ(OpenFilesIn(dir), 0);

        // One byte more: the content moves into a file of the temporary directory that
        // has no name there.
        ASSERT_EQ(stream.write("!", 1), 1);
        EXPECT_FALSE(stream.Buffered());
        EXPECT_EQ(OpenFilesIn(dir), 1);
        EXPECT_TRUE(TempFilesIn(dir).isEmpty());

        // Reads and writes go on in the file, at the position they left.
        EXPECT_EQ(stream.pos(), 100001);
        ASSERT_TRUE(stream.seek(10));
        EXPECT_EQ(stream.read(5), content.mid(10, 5));
        ASSERT_TRUE(stream.seek(100000));
        EXPECT_EQ(stream.read(10), QByteArray("!"));
        EXPECT_EQ(StreamBytes(stream), content + '!');
    }
    EXPECT_EQ(OpenFilesIn(dir), 0);
    EXPECT_TRUE(TempFilesIn(dir).isEmpty());
}

// A block beyond the spill threshold is kept as it was given until the next one comes:
// meanwhile the stream reads, writes and truncates as if it had been written, and written
// out it gives the same bytes.
TEST(PageStream, KeepsALargeBlockUntilTheNext) {
    const QString dir = TestTempDir();
    TempDirScope tmp(dir);
    auto block = [](char first) {
        QByteArray b(32, '\0');
        for (int i = 0; i < b.size(); ++i)
            b[i] = static_cast<char>(first + i);
        return b;
    };
    TRpStream stream(10);
    QByteArray expected = "head" + block('a') + "back";
    stream.write("head");
    stream.WriteShared(block('a'));
    stream.write("back");
    EXPECT_TRUE(stream.Buffered());
    EXPECT_EQ(OpenFilesIn(dir), 0);
    ASSERT_TRUE(stream.seek(1));
    stream.write("EA", 2);
    expected.replace(1, 2, "EA");
    ASSERT_TRUE(stream.seek(2));
    EXPECT_EQ(stream.read(33), expected.mid(2, 33)); // across the block's start and end
    EXPECT_EQ(StreamBytes(stream), expected);

    stream.WriteShared(block('A'));
    expected += block('A');
    EXPECT_FALSE(stream.Buffered());
    EXPECT_EQ(OpenFilesIn(dir), 1);
    EXPECT_EQ(StreamBytes(stream), expected);
    stream.Truncate(expected.size() - 5);
    expected.chop(5);
    EXPECT_EQ(StreamBytes(stream), expected);
    stream.write("tail");
    EXPECT_EQ(StreamBytes(stream), expected + "tail");
}

TEST(PageStream, TwoStreamsGetTwoFiles) {
    const QString dir = TestTempDir();
    TempDirScope tmp(dir);
    TRpStream a(10), b(10);
    a.write(QByteArray(11, 'a'));
    b.write(QByteArray(11, 'b'));
    EXPECT_EQ(OpenFilesIn(dir), 2);
    EXPECT_EQ(StreamBytes(a), QByteArray(11, 'a'));
    EXPECT_EQ(StreamBytes(b), QByteArray(11, 'b'));
}

TEST(PageStream, OpenFileReadsAndNeverDeletes) {
    const QString name = TestTempDir() + QStringLiteral("/pages.rpp");
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0123456789");
    file.close();
    {
        const auto stream = TRpStream::OpenFile(name);
        EXPECT_EQ(stream->size(), 10);
        EXPECT_EQ(stream->read(4), QByteArray("0123"));
        EXPECT_EQ(stream->write("x", 1), -1);
    }
    EXPECT_TRUE(QFile::exists(name));
    EXPECT_THROW(TRpStream::OpenFile(name + QStringLiteral(".missing")), EFOpenError);
}

// ---- Damaged streams -------------------------------------------------------------------

QByteArray GoodStream(bool compressed, int pages = 3) {
    Store store(compressed);
    for (int i = 1; i <= pages; ++i)
        store.list.AppendPage(*RecordPage(i, 6));
    store.list.WriteHeader();
    return StreamBytes(store.stream);
}

// Record starts of a sound stream.
std::vector<qint64> Starts(const QByteArray& bytes) {
    std::vector<qint64> starts;
    for (qint64 at = 124; at < bytes.size(); at = Int32At(bytes, at + 4))
        starts.push_back(at);
    return starts;
}

struct Damage {
    const char* name;
    bool compressed;
    int page; // the page to fetch
    std::function<void(QByteArray&, const std::vector<qint64>&)> apply;
    const char* message;
};

TEST(PageStore, DamagedRecordsAreRefused) {
    const Damage cases[] = {
        {"last record's start past the end", false, 3,
         [](QByteArray& b, auto&) { PutInt32(b, b.size() - 4, b.size() + 100); },
         "The page store is damaged"},
        {"last record's start inside the header", false, 3,
         [](QByteArray& b, auto&) { PutInt32(b, b.size() - 4, 16); }, "The page store is damaged"},
        {"first forward link past the end", false, 1,
         [](QByteArray& b, auto& s) { PutInt32(b, s[0] + 4, 0x7FFFFFF0); },
         "The page store is damaged"},
        {"forward link behind its record", false, 1,
         [](QByteArray& b, auto& s) { PutInt32(b, s[0] + 4, s[0] + 4); },
         "The page store is damaged"},
        {"backward link of page 2 wrong", false, 2,
         [](QByteArray& b, auto& s) { PutInt32(b, s[2] - 4, s[0]); }, "The page store is damaged"},
        {"page number of record 2 wrong", false, 2,
         [](QByteArray& b, auto& s) { PutInt32(b, s[1], 7); }, "The page store is damaged"},
        {"metafile shorter than its record", false, 3,
         [](QByteArray& b, auto& s) {
             b.insert(b.size() - 4, 4, '\0');
             PutInt32(b, s[2] + 4, Int32At(b, s[2] + 4) + 4);
         },
         "The page store is damaged"},
        {"coded length far too large", true, 1,
         [](QByteArray& b, auto& s) { PutInt32(b, s[0] + 8, 0x7FFFFFFF); },
         "The compressed page 1 does not match its record"},
        {"coded length negative", true, 2,
         [](QByteArray& b, auto& s) { PutInt32(b, s[1] + 8, -5); },
         "The compressed page 2 does not match its record"},
        {"coded length one too long", true, 1,
         [](QByteArray& b, auto& s) { PutInt32(b, s[0] + 8, Int32At(b, s[0] + 8) + 1); },
         "The compressed page 1 does not match its record"},
        {"coded length one too short", true, 1,
         [](QByteArray& b, auto& s) { PutInt32(b, s[0] + 8, Int32At(b, s[0] + 8) - 1); },
         "The compressed page 1 does not match its record"},
        {"coded bytes cut short", true, 3,
         [](QByteArray& b, auto& s) {
             b.remove(s[2] + 20, 10);
             PutInt32(b, s[2] + 4, Int32At(b, s[2] + 4) - 10);
         },
         "The compressed page 3 does not match its record"},
    };
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.name);
        QByteArray bytes = GoodStream(d.compressed);
        d.apply(bytes, Starts(bytes));
        LoadedStore store(bytes);
        try {
            store.list.FetchPage(d.page);
            ADD_FAILURE() << "no error";
        } catch (const ERpError& e) {
            EXPECT_TRUE(e.Message().startsWith(QLatin1String(d.message)))
                << e.Message().toStdString();
        }
    }
}

// Links that lead round in a circle, or a header that promises more pages than there
// are, end the walk with an error.
TEST(PageStore, WalksEnd) {
    QByteArray bytes = GoodStream(false, 7);
    const std::vector<qint64> starts = Starts(bytes);
    PutInt32(bytes, starts[3] + 4, static_cast<qint32>(starts[2])); // page 4 -> page 3
    LoadedStore circle(bytes);
    ASSERT_TRUE(circle.list.FetchPage(3)); // the cursor now stands at page 4
    EXPECT_THROW(circle.list.FetchPage(5), ERpError);

    QByteArray more = GoodStream(false, 3);
    PutInt32(more, 8, 4);
    LoadedStore promised(more);
    EXPECT_THROW(promised.list.FetchPage(4), ERpError);
    EXPECT_THROW(promised.list.FetchPage(3), ERpError); // "last" page is not number 4
    EXPECT_TRUE(promised.list.FetchPage(2));
}

TEST(PageStore, HeadersThatAreNotReportFiles) {
    const QByteArray good = GoodStream(false, 2);
    auto with = [&](const std::function<void(QByteArray&)>& change) {
        QByteArray b = good;
        change(b);
        return b;
    };
    const struct {
        const char* name;
        QByteArray bytes;
        const char* message;
    } cases[] = {
        {"a byte short of a header", good.left(123),
         "The report file is 123 bytes long, shorter than its header"},
        {"wrong mark", with([](QByteArray& b) { b[0] = 4; }), "Not a report file"},
        {"wrong version", with([](QByteArray& b) { b[2] = 1; }), "Not a report file"},
        {"negative page count", with([](QByteArray& b) { PutInt32(b, 8, -1); }),
         "The report file's header counts -1 pages, but the file holds 2"},
        {"a million pages", with([](QByteArray& b) { PutInt32(b, 8, 1000000); }),
         "The report file's header counts 1000000 pages, but the file holds 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Store store;
        store.stream.write(c.bytes);
        try {
            store.list.ReadHeader();
            ADD_FAILURE() << "read";
        } catch (const ERpError& e) {
            EXPECT_EQ(e.Message(), QLatin1String(c.message));
        }
    }
}

// Random damage anywhere after the header, pages fetched in order from a fresh store: each
// fetch gives a page or refuses with a message, never a crash, a hang or a read outside the
// stream (the sanitizer build watches the last). A page whose record and every byte before
// it are untouched comes back as it was written; a page returned otherwise is a whole
// metafile; both kinds of outcome occur.
TEST(PageStore, RandomDamageIsReadOrRefused) {
    std::mt19937 random(99);
    int kept = 0, refused = 0, loadedDamaged = 0;
    for (bool compressed : {false, true}) {
        const QByteArray good = GoodStream(compressed, 4);
        const std::vector<qint64> starts = Starts(good);
        std::vector<QByteArray> pages;
        {
            LoadedStore sound(good);
            for (int n = 1; n <= 4; ++n)
                pages.push_back(sound.list.FetchPage(n)->Data());
        }
        for (int round = 0; round < 150; ++round) {
            QByteArray bytes = good;
            const int flips = 1 + static_cast<int>(random() % 4);
            qint64 first = bytes.size();
            for (int i = 0; i < flips; ++i) {
                const qint64 at = 124 + static_cast<qint64>(random() % (bytes.size() - 124));
                bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8)));
                first = std::min(first, at);
            }
            SCOPED_TRACE(QStringLiteral("%1, round %2, first change at %3")
                             .arg(compressed ? "compressed" : "plain")
                             .arg(round)
                             .arg(first)
                             .toStdString());
            LoadedStore store(bytes);
            for (int n = 1; n <= 4; ++n) {
                const qint64 end = n < 4 ? starts[static_cast<size_t>(n)] : good.size();
                try {
                    const std::unique_ptr<TMetafile> page = store.list.FetchPage(n);
                    ASSERT_TRUE(page) << n;
                    if (end <= first) {
                        EXPECT_EQ(page->Data(), pages[static_cast<size_t>(n - 1)]) << n;
                        ++kept;
                    } else {
                        EXPECT_EQ(Int32At(page->Data(), 48), page->Data().size()) << n;
                        ++loadedDamaged;
                    }
                } catch (const Exception& e) {
                    EXPECT_LT(first, end) << n << " refused though untouched";
                    EXPECT_FALSE(e.Message().isEmpty());
                    ++refused;
                }
            }
        }
    }
    RecordProperty("kept", kept);
    RecordProperty("refused", refused);
    RecordProperty("loaded_damaged", loadedDamaged);
    EXPECT_GT(kept, 0);
    EXPECT_GT(refused, 0);
    EXPECT_GT(loadedDamaged, 0);
}

} // namespace
