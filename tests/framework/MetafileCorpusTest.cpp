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

constexpr QRgb kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0), kBlue = qRgb(0, 0, 255);

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

// What playing the damaged bytes still draws of the sound page: nothing when the header
// or the first record is unreadable, else the fill and, unless it is the damaged record,
// the bitmap.
enum Drawn { kNothing, kFillOnly, kFillAndBitmap };

struct BadCase {
    const char* file;
    std::function<QByteArray()> make;
    const char* reason;
    Drawn drawn;
};

const std::vector<BadCase>& Cases() {
    static const std::vector<BadCase> cases = {
        {"empty.emf", [] { return QByteArray(); }, "shorter than a metafile header", kNothing},
        {"short-header.emf", [] { return SoundEmf().left(60); }, "shorter than a metafile header",
         kNothing},
        {"bad-signature.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 40, 0x20202020);
             return b;
         },
         "signature is missing", kNothing},
        {"header-not-first.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 0, EMR_POLYGON);
             return b;
         },
         "does not start with a header record", kNothing},
        {"header-size-not-aligned.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 4, 110);
             return b;
         },
         "header size 110 is not valid", kNothing},
        {"description-outside-header.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 60, 40);
             Put32(b, 64, 100);
             return b;
         },
         "description lies outside the header", kNothing},
        {"byte-count-past-end.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 48, static_cast<uint32_t>(b.size() + 4000));
             return b;
         },
         "byte count 4948 exceeds the 948 bytes present", kFillAndBitmap},
        {"byte-count-huge.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 48, 0xFFFFFFF0u);
             return b;
         },
         "byte count 4294967280 is too large", kFillAndBitmap},
        {"record-size-zero.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 108 + 4, 0);
             return b;
         },
         "record 1 at offset 108: size 0 is below 8", kNothing},
        {"record-size-not-aligned.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 108 + 4, 14);
             return b;
         },
         "record 1 at offset 108: size 14 is not a multiple of 4", kNothing},
        {"record-past-end.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 108 + 4, 0x7FFFFFF0);
             return b;
         },
         "record 1 at offset 108: size 2147483632 runs past the end", kNothing},
        {"record-cut-off.emf",
         [] {
             QByteArray b = SoundEmf().left(Find(SoundEmf(), EMR_EOF) + 4);
             Put32(b, 48, static_cast<uint32_t>(b.size()));
             return b;
         },
         "record 11 at offset 928: cut off", kFillAndBitmap},
        {"no-end-record.emf",
         [] {
             QByteArray b = SoundEmf().left(Find(SoundEmf(), EMR_EOF));
             Put32(b, 48, static_cast<uint32_t>(b.size()));
             return b;
         },
         "no end record", kFillAndBitmap},
        {"second-header.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, 108, EMR_HEADER);
             return b;
         },
         "record 1 at offset 108: a second header", kFillAndBitmap},
        {"text-past-record.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, Find(b, EMR_EXTTEXTOUTW) + 48, 4000);
             return b;
         },
         "record 9 at offset 660: type 84, text of 4 characters lies outside the record",
         kFillAndBitmap},
        {"text-advances-past-record.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, Find(b, EMR_EXTTEXTOUTW) + 72, 0xFFFFFF00u);
             return b;
         },
         "record 9 at offset 660: type 84, character advances lie outside the record",
         kFillAndBitmap},
        {"bitmap-too-large.emf",
         [] {
             QByteArray b = SoundEmf();
             const qsizetype at = Find(b, EMR_STRETCHDIBITS) + 80;
             Put32(b, at + 4, 100000);
             Put32(b, at + 8, 100000);
             return b;
         },
         "record 10 at offset 760: type 81, bitmap of 100000 x 100000 pixels is too large",
         kFillOnly},
        {"bitmap-pixels-do-not-fit.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, Find(b, EMR_STRETCHDIBITS) + 80 + 8, 400);
             return b;
         },
         "record 10 at offset 760: type 81, bitmap of 4 x 400 pixels at 24 bits needs 4800 bytes, "
         "the record holds 48",
         kFillOnly},
        {"bitmap-negative-width.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, Find(b, EMR_STRETCHDIBITS) + 80 + 4, static_cast<uint32_t>(-4));
             return b;
         },
         "record 10 at offset 760: type 81, bitmap of -4 x 4 pixels is not valid", kFillOnly},
        {"bitmap-header-outside.emf",
         [] {
             QByteArray b = SoundEmf();
             Put32(b, Find(b, EMR_STRETCHDIBITS) + 48, 0xFFFFFFF8u);
             return b;
         },
         "record 10 at offset 760: type 81, bitmap header lies outside the record", kFillOnly},
        {"bitmap-bit-count.emf",
         [] {
             QByteArray b = SoundEmf();
             Put16(b, Find(b, EMR_STRETCHDIBITS) + 80 + 14, 7);
             return b;
         },
         "record 10 at offset 760: type 81, bitmap bit count 7 is not valid", kFillOnly},
        {"record-below-its-fields.emf", [] { return WithRecord(Record(EMR_STRETCHDIBITS, 40)); },
         "record 11 at offset 928: type 81, size 40 is below 80", kFillAndBitmap},
        {"polygon-points-past-record.emf",
         [] {
             QByteArray r = Record(EMR_POLYGON16, 36);
             Put32(r, 24, 0x40000000);
             return WithRecord(r);
         },
         "record 11 at offset 928: type 86, 1073741824 points do not fit", kFillAndBitmap},
        {"polypolygon-counts-disagree.emf",
         [] {
             QByteArray r = Record(EMR_POLYPOLYGON16, 32 + 8 + 16);
             Put32(r, 24, 2);
             Put32(r, 28, 4);
             Put32(r, 32, 3);
             Put32(r, 36, 3);
             return WithRecord(r);
         },
         "record 11 at offset 928: type 91, polygon point counts do not add up", kFillAndBitmap},
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
         "record 11 at offset 928: type 75, region of 1000000 rectangles does not fit its data",
         kFillAndBitmap},
        {"bad-checksum.wmf",
         [] {
             QByteArray w = SoundWmf();
             Put16(w, 20, 1);
             return w;
         },
         "headers are not valid", kNothing},
        {"record-size-zero.wmf",
         [] {
             QByteArray w = SoundWmf();
             Put32(w, 40, 0);
             return w;
         },
         "record 1 at offset 40: size 0 words is below 3", kNothing},
        {"record-past-end.wmf",
         [] {
             QByteArray w = SoundWmf();
             Put32(w, 40, 5000);
             return w;
         },
         "record 1 at offset 40: runs past the end", kNothing},
        {"rectangle-too-short.wmf",
         [] {
             QByteArray w = SoundWmf();
             Put32(w, 40, 5);
             Put32(w, 50, 5);
             return w;
         },
         "record 1 at offset 40: too short for function 0x041b", kNothing},
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
         "bounding box is empty", kNothing},
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

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The message of what f throws, empty when it throws nothing.
QString ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

} // namespace

// Fonts stretched past any glyph size, the inputs that fuzzing found as they were found
// (raw bytes that do not load as files) and sound files made around them. Played at the
// frame's own size, the four letters of "Wide" from (5, 20): stretched 40 times they run past
// the picture's right edge, or turned up and out of its top; a negative width is no stretch
// (some 30 pixels of text); under a transform that makes the glyphs larger than any font,
// nothing is drawn.
struct StretchedFont {
    const char* file;
    bool loads;
    int minInkWidth, maxInkWidth; // of the ink's bounding box; 0, 0: no ink
};
const StretchedFont kStretchedFonts[] = {
    {"found-font-width-4128768.emf", false, 20, 100},
    {"found-font-width-64255.emf", false, 0, 100},
    {"found-font-width-64255-minimised.emf", false, 0, 100},
    {"font-width-huge.emf", true, 80, 100},
    {"font-width-negative.emf", true, 15, 40},
    {"font-width-most-negative.emf", true, 15, 40},
    {"font-width-turned.emf", true, 1, 30},
    {"font-width-turned-45.emf", true, 15, 30}, // up and out of the top by x = 25
    {"font-width-world-transform.emf", true, 0, 0},
    {"font-width-world-stretch.emf", true, 0, 0},
};

TEST(MetafileCorpus, StretchedFontsPlayWithinTheFontLimits) {
    const QDir dir(TestData(QStringLiteral("bad/emf")));
    for (const StretchedFont& c : kStretchedFonts) {
        SCOPED_TRACE(c.file);
        const QString path = dir.filePath(QString::fromLatin1(c.file));
        const QByteArray bytes = ReadFile(path);
        ASSERT_FALSE(bytes.isEmpty());
        TMetafile mf;
        EXPECT_EQ(ErrorOf([&] { mf.LoadFromFile(path); }).isEmpty(), c.loads);
        for (QSize size : {QSize(100, 60), QSize(64, 48), QSize(2000, 1200)}) {
            QImage image(size, QImage::Format_RGB32);
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                PlayEnhMetaFile(painter, bytes, QRectF(QPointF(0, 0), QSizeF(size)));
            }
            if (size != QSize(100, 60)) continue;
            const QRect ink = InkBox(image);
            EXPECT_GE(ink.width(), c.minInkWidth) << ink.width();
            EXPECT_LE(ink.width(), c.maxInkWidth) << ink.width();
        }
    }
}

TEST(MetafileCorpus, EveryDamagedFileIsRejectedWithItsCause) {
    const QDir dir(TestData(QStringLiteral("bad/emf")));
    ASSERT_EQ(dir.entryList(QDir::Files).size(),
              static_cast<qsizetype>(Cases().size() + std::size(kStretchedFonts)));
    for (const BadCase& c : Cases()) {
        const QString path = dir.filePath(QString::fromLatin1(c.file));
        ASSERT_TRUE(QFile::exists(path)) << c.file;
        const QByteArray bytes = ReadFile(path);
        const bool wmf = path.endsWith(QLatin1String(".wmf"));
        EXPECT_EQ(Reason(bytes, wmf), QString::fromLatin1(c.reason)) << c.file;

        TMetafile mf;
        try {
            mf.LoadFromFile(path);
            ADD_FAILURE() << c.file << " loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Metafile is not valid")) << c.file;
        }
        EXPECT_TRUE(mf.Empty()) << c.file;

        // Played without the load checks: nothing breaks, and only the damaged record (or
        // everything after an unreadable size) is passed by. The sound page fills
        // (5, 5)-(25, 15) red and stretches a blue bitmap over (60, 10)-(90, 40).
        QImage image(100, 60, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            PlayEnhMetaFile(painter, bytes, QRectF(0, 0, 100, 60));
        }
        EXPECT_EQ(image.pixel(10, 10), c.drawn == kNothing ? kWhite : kRed) << c.file;
        EXPECT_EQ(image.pixel(70, 20), c.drawn == kFillAndBitmap ? kBlue : kWhite) << c.file;
        if (c.drawn == kNothing) {
            EXPECT_EQ(InkBox(image), QRect()) << c.file;
        }
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
    // Only the fixed header was read: the length it names is more than the stream holds.
    EXPECT_EQ(buffer.pos(), 88);
    EXPECT_TRUE(mf.Empty());
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
