// Damaged metafiles: each file of tests/data/bad/emf is one kind of damage. Loading must
// fail with the picture error and the exact cause; playing the raw bytes must neither
// crash nor hang. The files are made by the disabled test at the end from a sound
// recording (run it with --gtest_also_run_disabled_tests to write them again).

#include "framework/graphics/EmfPlayer.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Wmf.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <functional>

using namespace emf;

namespace {

void Put32(QByteArray& b, qsizetype at, uint32_t v) {
    qToLittleEndian<uint32_t>(v, reinterpret_cast<uchar*>(b.data()) + at);
}
void Put16(QByteArray& b, qsizetype at, uint16_t v) {
    qToLittleEndian<uint16_t>(v, reinterpret_cast<uchar*>(b.data()) + at);
}
uint32_t Get32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<uint32_t>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

// Offset of the first record of a type.
qsizetype Find(const QByteArray& emf, uint32_t type) {
    TRecordWalker walker(emf);
    TRecord r;
    while (walker.Next(r))
        if (r.type == type) return walker.Position() - r.size;
    return -1;
}

// A sound page with a fill, a text and a bitmap.
QByteArray SoundEmf() {
    TMetafile mf;
    mf.SetWidth(100);
    mf.SetHeight(60);
    {
        TMetafileCanvas canvas(&mf);
        canvas.Brush()->SetColor(clRed);
        canvas.FillRect(QRect(5, 5, 20, 10));
        canvas.Brush()->SetStyle(TBrush::bsClear);
        canvas.TextOut(5, 20, QStringLiteral("Text"));
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::blue);
        canvas.Handle()->StretchDIBits(QRect(60, 10, 30, 30), QRect(0, 0, 4, 4), ImageToDib(image),
                                       SRCCOPY);
    }
    return mf.Data();
}

// A sound file with one extra record put before the end record.
QByteArray WithRecord(const QByteArray& record) {
    QByteArray emf = SoundEmf();
    const qsizetype eof = Find(emf, EMR_EOF);
    emf.insert(eof, record);
    Put32(emf, 48, static_cast<uint32_t>(emf.size()));
    Put32(emf, 52, Get32(emf, 52) + 1);
    return emf;
}

QByteArray Record(uint32_t type, uint32_t size) {
    QByteArray r(size, '\0');
    Put32(r, 0, type);
    Put32(r, 4, size);
    return r;
}

QByteArray SoundWmf() {
    // Placeable header, metafile header, a rectangle, the end record.
    QByteArray w(22 + 18 + 14 + 6, '\0');
    Put32(w, 0, kPlaceableKey);
    Put16(w, 10, 1000);
    Put16(w, 12, 1000);
    Put16(w, 14, 1440);
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= qFromLittleEndian<uint16_t>(reinterpret_cast<const uchar*>(w.constData()) + 2 * i);
    Put16(w, 20, sum);
    Put16(w, 22, 1);
    Put16(w, 24, 9);
    Put16(w, 26, 0x300);
    Put32(w, 28, static_cast<uint32_t>((w.size() - 22) / 2));
    Put32(w, 40, 7); // rectangle: bottom, right, top, left
    Put16(w, 44, 0x041B);
    Put16(w, 46, 900);
    Put16(w, 48, 900);
    Put16(w, 50, 100);
    Put16(w, 52, 100);
    Put32(w, 54, 3); // end
    return w;
}

struct BadCase {
    const char* file;
    std::function<QByteArray()> make;
    const char* reason;
};

const std::vector<BadCase>& Cases() {
    static const std::vector<BadCase> cases = {
        {"empty.emf", [] { return QByteArray(); }, "shorter than a metafile header"},
        {"short-header.emf", [] { return SoundEmf().left(60); }, "shorter than a metafile header"},
        {"bad-signature.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 40, 0x20202020);
             return b;
         },
         "signature is missing"},
        {"header-not-first.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 0, EMR_POLYGON);
             return b;
         },
         "does not start with a header record"},
        {"header-size-not-aligned.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 4, 110);
             return b;
         },
         "header size 110 is not valid"},
        {"description-outside-header.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 60, 40);
             Put32(b, 64, 100);
             return b;
         },
         "description lies outside the header"},
        {"byte-count-past-end.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 48, static_cast<uint32_t>(b.size() + 4000));
             return b;
         },
         nullptr},
        {"byte-count-huge.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 48, 0xFFFFFFF0u);
             return b;
         },
         "byte count 4294967280 is too large"},
        {"record-size-zero.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 108 + 4, 0);
             return b;
         },
         "record 1 at offset 108: size 0 is below 8"},
        {"record-size-not-aligned.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 108 + 4, 14);
             return b;
         },
         "record 1 at offset 108: size 14 is not a multiple of 4"},
        {"record-past-end.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 108 + 4, 0x7FFFFFF0);
             return b;
         },
         "record 1 at offset 108: size 2147483632 runs past the end"},
        {"record-cut-off.emf",
         [] {
             QByteArray b = SoundEmf().left(Find(SoundEmf(), EMR_EOF) + 4);
             Put32(b, 48, static_cast<uint32_t>(b.size()));
             return b;
         },
         nullptr},
        {"no-end-record.emf",
         [] {
             QByteArray b = SoundEmf().left(Find(SoundEmf(), EMR_EOF));
             Put32(b, 48, static_cast<uint32_t>(b.size()));
             return b;
         },
         "no end record"},
        {"second-header.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 108, EMR_HEADER);
             return b;
         },
         "record 1 at offset 108: a second header"},
        {"text-past-record.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, Find(b, EMR_EXTTEXTOUTW) + 48, 4000);
             return b;
         },
         nullptr},
        {"text-advances-past-record.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, Find(b, EMR_EXTTEXTOUTW) + 72, 0xFFFFFF00u);
             return b;
         },
         nullptr},
        {"bitmap-too-large.emf",
         [] {
             QByteArray b = SoundEmf();
             const qsizetype at = Find(b, EMR_STRETCHDIBITS) + 80;
             Put32(b, at + 4, 100000);
             Put32(b, at + 8, 100000);
             return b;
         },
         nullptr},
        {"bitmap-pixels-do-not-fit.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, Find(b, EMR_STRETCHDIBITS) + 80 + 8, 400);
             return b;
         },
         nullptr},
        {"bitmap-negative-width.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, Find(b, EMR_STRETCHDIBITS) + 80 + 4, static_cast<uint32_t>(-4));
             return b;
         },
         nullptr},
        {"bitmap-header-outside.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, Find(b, EMR_STRETCHDIBITS) + 48, 0xFFFFFFF8u);
             return b;
         },
         nullptr},
        {"bitmap-bit-count.emf",
         [] {
             QByteArray b = SoundEmf();
             Put16(b, Find(b, EMR_STRETCHDIBITS) + 80 + 14, 7);
             return b;
         },
         nullptr},
        {"record-below-its-fields.emf", [] { return WithRecord(Record(EMR_STRETCHDIBITS, 40)); },
         nullptr},
        {"polygon-points-past-record.emf",
         [] {
             QByteArray r = Record(EMR_POLYGON16, 36);
             Put32(r, 24, 0x40000000);
             return WithRecord(r);
         },
         nullptr},
        {"polypolygon-counts-disagree.emf",
         [] {
             QByteArray r = Record(EMR_POLYPOLYGON16, 32 + 8 + 16);
             Put32(r, 24, 2);
             Put32(r, 28, 4);
             Put32(r, 32, 3);
             Put32(r, 36, 3);
             return WithRecord(r);
         },
         nullptr},
        {"region-past-record.emf",
         [] {
             QByteArray r = Record(EMR_EXTSELECTCLIPRGN, 16 + 48);
             Put32(r, 8, 48);
             Put32(r, 12, RGN_COPY);
             Put32(r, 16, 32);
             Put32(r, 20, 1);
             Put32(r, 24, 1000000);
             return WithRecord(r);
         },
         nullptr},
        {"bad-checksum.wmf",
         [] {
             QByteArray w = SoundWmf();
             Put16(w, 20, 1);
             return w;
         },
         "headers are not valid"},
        {"record-size-zero.wmf",
         [] {
             QByteArray w = SoundWmf();
             Put32(w, 40, 0);
             return w;
         },
         "record 1 at offset 40: size 0 words is below 3"},
        {"record-past-end.wmf",
         [] {
             QByteArray w = SoundWmf();
             Put32(w, 40, 5000);
             return w;
         },
         "record 1 at offset 40: runs past the end"},
        {"rectangle-too-short.wmf",
         [] {
             QByteArray w = SoundWmf();
             Put32(w, 40, 5);
             Put32(w, 50, 5);
             return w;
         },
         "record 1 at offset 40: too short for function 0x041b"},
        {"empty-bounding-box.wmf",
         [] {
             QByteArray w = SoundWmf();
             Put16(w, 10, 0);
             uint16_t sum = 0;
             for (int i = 0; i < 10; ++i)
                 sum ^= qFromLittleEndian<uint16_t>(reinterpret_cast<const uchar*>(w.constData()) +
                                                    2 * i);
             Put16(w, 20, sum);
             return w;
         },
         "bounding box is empty"},
    };
    return cases;
}

// The cause of the damage as the checks name it.
QString Reason(const QByteArray& bytes, bool wmf) {
    if (!wmf) return CheckEnhMetaFile(bytes);
    QString why;
    if (WmfToEmf(bytes, &why).isEmpty()) return why;
    return {};
}

// The causes that depend on where the recording put things, written here in full.
QString ExpectedReason(const BadCase& c, const QByteArray& bytes) {
    if (c.reason) return QString::fromLatin1(c.reason);
    const QString name = QString::fromLatin1(c.file);
    auto where = [&](uint32_t type) {
        TRecordWalker walker(bytes);
        TRecord r;
        int index = -1;
        QString last; // the damaged record is the last of its type
        while (walker.Next(r)) {
            ++index;
            if (r.type == type)
                last = QStringLiteral("record %1 at offset %2: type %3, ")
                           .arg(index)
                           .arg(walker.Position() - r.size)
                           .arg(type);
        }
        return last;
    };
    if (name == QLatin1String("byte-count-past-end.emf"))
        return QStringLiteral("byte count %1 exceeds the %2 bytes present")
            .arg(Get32(bytes, 48))
            .arg(bytes.size());
    if (name == QLatin1String("record-cut-off.emf")) {
        TRecordWalker walker(bytes);
        TRecord r;
        int walked = 0;
        while (walker.Next(r))
            ++walked;
        return QStringLiteral("record %1 at offset %2: cut off").arg(walked).arg(walker.Position());
    }
    if (name.startsWith(QLatin1String("text-past")))
        return where(EMR_EXTTEXTOUTW) +
               QStringLiteral("text of 4 characters lies outside the record");
    if (name.startsWith(QLatin1String("text-advances")))
        return where(EMR_EXTTEXTOUTW) + QStringLiteral("character advances lie outside the record");
    if (name == QLatin1String("bitmap-too-large.emf"))
        return where(EMR_STRETCHDIBITS) +
               QStringLiteral("bitmap of 100000 x 100000 pixels is too large");
    if (name == QLatin1String("bitmap-pixels-do-not-fit.emf"))
        return where(EMR_STRETCHDIBITS) +
               QStringLiteral(
                   "bitmap of 4 x 400 pixels at 24 bits needs 4800 bytes, the record holds 48");
    if (name == QLatin1String("bitmap-negative-width.emf"))
        return where(EMR_STRETCHDIBITS) + QStringLiteral("bitmap of -4 x 4 pixels is not valid");
    if (name == QLatin1String("bitmap-header-outside.emf"))
        return where(EMR_STRETCHDIBITS) + QStringLiteral("bitmap header lies outside the record");
    if (name == QLatin1String("bitmap-bit-count.emf"))
        return where(EMR_STRETCHDIBITS) + QStringLiteral("bitmap bit count 7 is not valid");
    if (name == QLatin1String("record-below-its-fields.emf"))
        return where(EMR_STRETCHDIBITS) + QStringLiteral("size 40 is below 80");
    if (name.startsWith(QLatin1String("polygon-points")))
        return where(EMR_POLYGON16) + QStringLiteral("1073741824 points do not fit");
    if (name.startsWith(QLatin1String("polypolygon")))
        return where(EMR_POLYPOLYGON16) + QStringLiteral("polygon point counts do not add up");
    if (name.startsWith(QLatin1String("region")))
        return where(EMR_EXTSELECTCLIPRGN) +
               QStringLiteral("region of 1000000 rectangles does not fit its data");
    return QStringLiteral("?");
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(MetafileCorpus, EveryDamagedFileIsRejectedWithItsCause) {
    const QDir dir(TestData(QStringLiteral("bad/emf")));
    ASSERT_EQ(dir.entryList(QDir::Files).size(), static_cast<qsizetype>(Cases().size()));
    for (const BadCase& c : Cases()) {
        const QString path = dir.filePath(QString::fromLatin1(c.file));
        ASSERT_TRUE(QFile::exists(path)) << c.file;
        const QByteArray bytes = ReadFile(path);
        const bool wmf = path.endsWith(QLatin1String(".wmf"));
        EXPECT_EQ(Reason(bytes, wmf), ExpectedReason(c, bytes)) << c.file;

        TMetafile mf;
        try {
            mf.LoadFromFile(path);
            ADD_FAILURE() << c.file << " loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Metafile is not valid")) << c.file;
        }
        EXPECT_TRUE(mf.Empty()) << c.file;

        // Played without the load checks: nothing breaks, the damaged record is passed by.
        QImage image(100, 60, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        PlayEnhMetaFile(painter, bytes, QRectF(0, 0, 100, 60));
    }
}

TEST(MetafileCorpus, APlayedFileSkipsOnlyItsDamagedRecord) {
    // The bitmap claims more rows than it holds; the fill before it and the records after
    // it still draw.
    QByteArray b = SoundEmf();
    Put32(b, Find(b, EMR_STRETCHDIBITS) + 80 + 8, 400);
    QByteArray tail = Record(EMR_BITBLT, 100);
    Put32(tail, 24, 40);
    Put32(tail, 28, 40);
    Put32(tail, 32, 10);
    Put32(tail, 36, 10);
    Put32(tail, 40, PATCOPY);
    const qsizetype eof = Find(b, EMR_EOF);
    b.insert(eof, tail);
    Put32(b, 48, static_cast<uint32_t>(b.size()));
    QImage image(100, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PlayEnhMetaFile(painter, b, QRectF(0, 0, 100, 60));
    }
    EXPECT_EQ(image.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(70, 20), qRgb(255, 255, 255)); // the bitmap is left out
    EXPECT_EQ(image.pixel(45, 45), qRgb(255, 0, 0));     // the red brush is still selected
}

TEST(MetafileCorpus, StreamWithALyingLengthIsRejectedWithoutReadingOn) {
    QByteArray b = SoundEmf();
    Put32(b, 48, 400000000);
    QBuffer buffer(&b);
    buffer.open(QIODevice::ReadOnly);
    TMetafile mf;
    EXPECT_THROW(mf.LoadFromStream(buffer), EInvalidGraphic);
}

TEST(MetafileCorpus, DISABLED_WriteCorpus) {
    const QString dir = TestData(QStringLiteral("bad/emf"));
    QDir().mkpath(dir);
    for (const BadCase& c : Cases()) {
        QFile f(QDir(dir).filePath(QString::fromLatin1(c.file)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.make());
    }
}
