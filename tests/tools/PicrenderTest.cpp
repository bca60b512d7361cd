// Hostile pictures nobody here drew, made up on the spot: extreme shapes and sizes at the
// pixel limit, headers that promise what their data does not hold, text in other scripts,
// sizes and turns. The picture tool loads and draws each as the editor would and must end
// by itself with success or a refusal, within its time, under its memory.

#include "framework/core/Limits.h"
#include "support/ResourceUse.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <vector>

namespace {

// Time the tool may take in processor seconds, and memory for pictures and for text.
constexpr double kSeconds = 10;
constexpr int64_t kPictureBytes = 2LL << 30, kTextBytes = 1LL << 30;

void Put32(QByteArray& b, uint32_t v) {
    uchar x[4];
    qToLittleEndian<uint32_t>(v, x);
    b.append(reinterpret_cast<const char*>(x), 4);
}
void Put16(QByteArray& b, uint16_t v) {
    uchar x[2];
    qToLittleEndian<uint16_t>(v, x);
    b.append(reinterpret_cast<const char*>(x), 2);
}

// A bitmap file: header of w x h (negative h: top-down) at the given depth and compression,
// two colours, then the rows as given.
QByteArray Bmp(int w, int h, int bits, uint32_t compression, const QByteArray& rows) {
    QByteArray info;
    Put32(info, 40);
    Put32(info, static_cast<uint32_t>(w));
    Put32(info, static_cast<uint32_t>(h));
    Put16(info, 1);
    Put16(info, static_cast<uint16_t>(bits));
    Put32(info, compression);
    Put32(info, static_cast<uint32_t>(rows.size()));
    Put32(info, 3780);
    Put32(info, 3780);
    Put32(info, bits <= 8 ? 2 : 0);
    Put32(info, 0);
    if (bits <= 8) {
        Put32(info, 0x00204080);
        Put32(info, 0x00FFFFFF);
    }
    QByteArray file("BM");
    Put32(file, static_cast<uint32_t>(14 + info.size() + rows.size()));
    Put32(file, 0);
    Put32(file, static_cast<uint32_t>(14 + info.size()));
    return file + info + rows;
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The JPEG file of the malformed corpus with its frame header claiming w x h.
QByteArray JpegHeader(int w, int h, bool progressive) {
    QByteArray jpeg = ReadFile(TestData(QStringLiteral("bad/jpeg/header-only-16384x16384.jpg")));
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    if (sof < 0) return {};
    if (progressive) jpeg[sof + 1] = '\xC2';
    jpeg[sof + 5] = static_cast<char>(h >> 8);
    jpeg[sof + 6] = static_cast<char>(h & 255);
    jpeg[sof + 7] = static_cast<char>(w >> 8);
    jpeg[sof + 8] = static_cast<char>(w & 255);
    return jpeg;
}

// ---- Enhanced metafiles

QByteArray Record(uint32_t type, const std::vector<int64_t>& values, QByteArray tail = {}) {
    QByteArray r;
    Put32(r, type);
    Put32(r, 0);
    for (int64_t v : values)
        Put32(r, static_cast<uint32_t>(v));
    r += tail;
    while (r.size() % 4)
        r += '\0';
    qToLittleEndian<uint32_t>(static_cast<uint32_t>(r.size()),
                              reinterpret_cast<uchar*>(r.data()) + 4);
    return r;
}

// A picture of w x h reference pixels at 10 per millimetre holding the records.
QByteArray Emf(const std::vector<QByteArray>& records, int w = 100, int h = 60) {
    QByteArray body;
    for (const QByteArray& r : records)
        body += r;
    body += QByteArray::fromHex("0e000000140000000000000010000000"
                                "14000000");
    QByteArray head;
    for (int64_t v : {int64_t(1),
                      int64_t(108),
                      int64_t(0),
                      int64_t(0),
                      int64_t(w - 1),
                      int64_t(h - 1),
                      int64_t(0),
                      int64_t(0),
                      int64_t(w * 10),
                      int64_t(h * 10),
                      int64_t(0x464D4520),
                      int64_t(0x10000),
                      int64_t(108 + body.size()),
                      int64_t(records.size() + 2),
                      int64_t(16),
                      int64_t(0),
                      int64_t(0),
                      int64_t(0),
                      int64_t(1000),
                      int64_t(1000),
                      int64_t(100),
                      int64_t(100),
                      int64_t(0),
                      int64_t(0),
                      int64_t(0),
                      int64_t(100000),
                      int64_t(100000)})
        Put32(head, static_cast<uint32_t>(v));
    return head + body;
}

QByteArray Font(uint32_t index, int32_t height, int32_t escapement, const QString& face) {
    QByteArray lf;
    for (int32_t v : {height, 0, escapement, escapement, 400})
        Put32(lf, static_cast<uint32_t>(v));
    lf += QByteArray(8, '\0');
    for (int i = 0; i < 32; ++i)
        Put16(lf, i < face.size() ? face[i].unicode() : 0);
    return Record(82, {index}, lf); // EMR_EXTCREATEFONTINDIRECTW
}

QByteArray Text(int32_t x, int32_t y, const QString& text) {
    QByteArray s;
    for (QChar c : text)
        Put16(s, c.unicode());
    return Record(84, {0, 0, 0, 0, 1, 0, 0, x, y, text.size(), 76, 0, 0, 0, -1, -1, 0}, s);
}

// A text in the given face, height and turn, drawn at the middle of a 100 x 60 picture.
QByteArray TextPicture(const QString& text, int32_t height, int32_t escapement,
                       const QString& face = QStringLiteral("Arial")) {
    return Emf(
        {Font(1, height, escapement, face), Record(37, {1}), Record(18, {1}), Text(50, 30, text)});
}

// A stretched run-length bitmap of w x h whose data is only its end mark.
QByteArray RleRecord(int w, int h) {
    QByteArray bmp = Bmp(w, h, 8, 1, QByteArray::fromHex("0001"));
    const QByteArray info = bmp.mid(14, 48), bits = bmp.mid(62);
    return Record(81,
                  {0, 0, 99, 59, 0, 0, 0, 0, w, h, 80, info.size(), 80 + info.size(), bits.size(),
                   0, 0x00CC0020, 100, 60},
                  info + bits);
}

struct Hostile {
    QString name;
    QByteArray bytes;
    QString size; // drawn at this size; empty: the picture's own
    int64_t bytesAllowed;
};

// Pictures whose headers claim sizes at and past the pixel limit, in extreme shapes.
std::vector<Hostile> Pictures() {
    std::vector<Hostile> files;
    auto picture = [&](const char* name, QByteArray bytes, const char* size = "64x48") {
        files.push_back(
            {QLatin1String(name), std::move(bytes), QLatin1String(size), kPictureBytes});
    };
    const QByteArray endMark = QByteArray::fromHex("0001");
    // Shapes at the limit whose data is one end mark: a column, a row, a square.
    picture("column.bmp", Bmp(1, int(kMaxBitmapPixels), 8, 1, endMark));
    picture("row.bmp", Bmp(int(kMaxBitmapPixels), 1, 8, 1, endMark));
    picture("square-rle4.bmp", Bmp(12952, 12952, 4, 2, endMark));
    picture("past-the-limit.bmp", Bmp(12953, 12953, 8, 1, endMark));
    picture("negative-height.bmp", Bmp(16384, -10240, 8, 1, endMark));
    picture("most-negative-height.bmp", Bmp(1, INT32_MIN, 8, 0, {}));
    // Rows promised at 32 bits, a few given.
    picture("rows-short.bmp", Bmp(16384, 10240, 32, 0, QByteArray(4096, '\x7F')));
    // JPEG headers: within the limit, just past it, progressive, and the widest shape.
    picture("header-at-limit.jpg", JpegHeader(16384, 10240, false));
    picture("header-past-limit.jpg", JpegHeader(16384, 10241, false));
    picture("progressive-at-limit.jpg", JpegHeader(16384, 10240, true));
    picture("widest.jpg", JpegHeader(65500, 2561, false));
    picture("widest-past-limit.jpg", JpegHeader(65500, 2562, false));
    // Metafiles with bitmaps at the limit, more than one playing may decode.
    picture("bitmaps.emf", Emf({RleRecord(16384, 10240), RleRecord(16384, 10240),
                                RleRecord(16384, 10240), RleRecord(10240, 16384)}));
    picture("bitmaps-large-page.emf", Emf({RleRecord(16384, 10240)}), "2000x1200");
    return files;
}

const struct {
    const char* name;
    const char16_t* text;
} kScripts[] = {
    {"arabic", u"\u0627\u0644\u0639\u0631\u0628\u064A\u0629"},
    {"devanagari", u"\u0926\u0947\u0935\u0928\u093E\u0917\u0930\u0940"},
    {"malayalam", u"\u0D0C\u0D2E\u0D32\u0D2F\u0D3E\u0D33\u0D02"},
    {"cjk", u"\u6F22\u5B57\u304B\u306A\uAC00"},
    {"thai", u"\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22"},
    {"emoji", u"\U0001F600\U0001F3B5\U0001F4BF"},
    {"latin", u"Sleevane"},
};

// Text in other scripts at sizes from small to far beyond the page, straight or turned.
std::vector<Hostile> Texts(std::initializer_list<int32_t> heights,
                           std::initializer_list<int32_t> turns) {
    std::vector<Hostile> files;
    for (const auto& s : kScripts)
        for (int32_t height : heights)
            for (int32_t turn : turns)
                files.push_back({QStringLiteral("%1-%2-%3.emf")
                                     .arg(QLatin1String(s.name))
                                     .arg(-height)
                                     .arg(turn),
                                 TextPicture(QString::fromUtf16(s.text), height, turn),
                                 QStringLiteral("64x48"), kTextBytes});
    return files;
}

std::vector<Hostile> LongTexts() {
    std::vector<Hostile> files;
    files.push_back({QStringLiteral("long-line.emf"),
                     TextPicture(QString(20000, QLatin1Char('W')), -40, 0), QStringLiteral("64x48"),
                     kTextBytes});
    std::vector<QByteArray> records = {Font(1, -2000, 900, QStringLiteral("Arial")),
                                       Record(37, {1})};
    for (int i = 0; i < 200; ++i)
        records.push_back(Text(i % 100, i % 60, QStringLiteral("\u0D0C\u0D0C")));
    files.push_back(
        {QStringLiteral("many-lines.emf"), Emf(records), QStringLiteral("64x48"), kTextBytes});
    files.push_back({QStringLiteral("page-size.emf"),
                     TextPicture(QStringLiteral("\u0D0C\u0D2E Sleevane"), -50, 450),
                     QStringLiteral("2000x1200"), kTextBytes});
    return files;
}

// Runs the tool on each file; returns how many it refused.
int RenderAll(const std::vector<Hostile>& files) {
    const QString dir = TestTempDir();
    const double seconds = UnderSanitizer() ? 6 * kSeconds : kSeconds;
    int refused = 0;
    for (const Hostile& h : files) {
        SCOPED_TRACE(h.name.toStdString());
        const QString in = QDir(dir).filePath(h.name);
        QFile f(in);
        if (!f.open(QIODevice::WriteOnly)) {
            ADD_FAILURE() << "cannot write " << in.toStdString();
            continue;
        }
        f.write(h.bytes);
        f.close();
        QStringList args = {in, QDir(dir).filePath(QStringLiteral("out.png"))};
        if (!h.size.isEmpty()) args << h.size;
        const TResourceUse use =
            MeasureProgram(QStringLiteral(SLEEVANE_PICRENDER), args, 3 * seconds);
        EXPECT_TRUE(use.ran) << "signal " << use.signal << (use.timedOut ? ", timed out" : "");
        EXPECT_TRUE(use.result == 0 || use.result == 1) << use.result;
        // Its own line at most: notes of Qt's (font fallbacks for other scripts) are not shown.
        EXPECT_LE(use.errorOutput.count(QLatin1Char('\n')), use.result == 1 ? 1 : 0)
            << use.errorOutput.toStdString();
        EXPECT_LT(use.cpuSeconds, seconds);
        EXPECT_LT(use.peakBytes, UnderSanitizer() ? h.bytesAllowed * 3 / 2 : h.bytesAllowed);
        if (use.result == 1) ++refused;
        QFile::remove(in);
    }
    return refused;
}

TEST(Picrender, PicturesAtAndPastThePixelLimit) {
    // The claims past the limit are refused: four bitmaps and two JPEG headers at least.
    EXPECT_GE(RenderAll(Pictures()), 6);
}

TEST(Picrender, TextInOtherScriptsAtEverySize) {
    EXPECT_EQ(RenderAll(Texts({-20, -5000, -60000}, {0})), 0);
}

TEST(Picrender, TurnedText) {
    EXPECT_EQ(RenderAll(Texts({-300, -60000}, {450, 900, 2700})), 0);
}

TEST(Picrender, LongAndRepeatedText) {
    EXPECT_EQ(RenderAll(LongTexts()), 0);
}

// Fonts stretched far past any glyph size (wide, negative, turned, under huge transforms),
// as found by fuzzing and made around those finds: drawn, or refused when their bytes do
// not load, at the size of a small picture and of a page.
TEST(Picrender, StretchedFonts) {
    std::vector<Hostile> files;
    const QDir dir(TestData(QStringLiteral("bad/emf")));
    for (const QString& name :
         dir.entryList({QStringLiteral("font-*.emf"), QStringLiteral("found-font-*.emf")}))
        for (const char* size : {"64x48", "2000x1200"})
            files.push_back({name, ReadFile(dir.filePath(name)), QLatin1String(size), kTextBytes});
    ASSERT_EQ(files.size(), 20u);
    // The three found as raw bytes do not load as files.
    EXPECT_EQ(RenderAll(files), 6);
}

} // namespace
