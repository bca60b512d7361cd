// Track lists brought in: a CUE sheet, text files and a folder of audio files tagged here
// with TagLib give the expected lines; bad files are refused naming the file, and a pipe
// is never waited on.

#include "app/TrackList.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <sys/stat.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tpropertymap.h>

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

template <class T> QByteArray Le(T v) {
    QByteArray b(sizeof(T), '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// Silent 8-bit mono PCM at 100 samples a second: `seconds` long in 100 bytes a second.
QByteArray Wav(int seconds) {
    const QByteArray data(seconds * 100, '\x80');
    const QByteArray fmt = Le<uint16_t>(1) + Le<uint16_t>(1) + Le<uint32_t>(100) +
                           Le<uint32_t>(100) + Le<uint16_t>(1) + Le<uint16_t>(8);
    const QByteArray body = "WAVEfmt " + Le<uint32_t>(16) + fmt + "data" +
                            Le<uint32_t>(static_cast<uint32_t>(data.size())) + data;
    return "RIFF" + Le<uint32_t>(static_cast<uint32_t>(body.size())) + body;
}

void Tag(const QString& path, const char* title, const char* artist, unsigned track,
         const char* albumArtist) {
    TagLib::FileRef ref(QFile::encodeName(path).constData());
    ASSERT_FALSE(ref.isNull()) << path.toStdString();
    ref.tag()->setTitle(TagLib::String(title, TagLib::String::UTF8));
    ref.tag()->setArtist(TagLib::String(artist, TagLib::String::UTF8));
    ref.tag()->setTrack(track);
    TagLib::PropertyMap properties = ref.file()->properties();
    properties.replace("ALBUMARTIST",
                       TagLib::StringList(TagLib::String(albumArtist, TagLib::String::UTF8)));
    ref.file()->setProperties(properties);
    ASSERT_TRUE(ref.save());
}

QString ErrorOf(const QString& path) {
    try {
        ReadTrackList(path);
    } catch (const ETrackList& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

class TrackListTest : public ::testing::Test {
protected:
    void SetUp() override { dir = QDir(TestTempDir()); }
    QString Path(const QString& name) const { return dir.filePath(name); }
    QDir dir;
};

const char kCue[] = "REM made by hand\r\n"
                    "PERFORMER \"Nadia Rossi\"\r\n"
                    "TITLE \"Giorno\"\r\n"
                    "FILE \"giorno.wav\" WAVE\r\n"
                    "  TRACK 01 AUDIO\r\n"
                    "    TITLE \"Alba\"\r\n"
                    "    INDEX 01 00:00:00\r\n"
                    "  TRACK 02 AUDIO\r\n"
                    "    TITLE \"Mezzogiorno\"\r\n"
                    "    PERFORMER \"Luca Bianchi\"\r\n"
                    "    INDEX 00 03:10:00\r\n"
                    "    INDEX 01 03:12:00\r\n"
                    "  TRACK 03 AUDIO\r\n"
                    "    TITLE \"Citt\xe0 di sera\"\r\n" // in the Western code page
                    "    PERFORMER \"Nadia Rossi\"\r\n"
                    "    INDEX 01 05:30:37\r\n";

TEST_F(TrackListTest, ACueSheetGivesItsTracksWithTheAudioFilesLength) {
    Write(Path(QStringLiteral("giorno.cue")), kCue);
    // 7:00 of audio: the last track runs 420 - 330.49 = 89.51 s, 1:30.
    Write(Path(QStringLiteral("giorno.wav")), Wav(420));
    const QStringList expected = {QStringLiteral("1. Alba (3:12)"),
                                  QStringLiteral("2. Luca Bianchi - Mezzogiorno (2:18)"),
                                  QStringLiteral("3. Città di sera (1:30)")};
    EXPECT_EQ(TrackLines(ReadTrackList(Path(QStringLiteral("giorno.cue")))), expected);

    // Without the audio file the last length is not known.
    QFile::remove(Path(QStringLiteral("giorno.wav")));
    EXPECT_EQ(TrackLines(ReadCueSheet(Path(QStringLiteral("giorno.cue")))).last(),
              QStringLiteral("3. Città di sera"));
}

TEST_F(TrackListTest, TextLinesKeepTheirNumbersAndLengths) {
    Write(Path(QStringLiteral("tracce.txt")), "\xEF\xBB\xBF"
                                              "1. Alba  3:12\n"
                                              "Mezzogiorno (2:18)\n"
                                              "\n"
                                              "03) Citt\xC3\xA0 di sera\t1:02:03\n"
                                              "1999\n"
                                              "5 - Notte [12:7]\n");
    const QStringList expected = {QStringLiteral("1. Alba (3:12)"),
                                  QStringLiteral("2. Mezzogiorno (2:18)"),
                                  QStringLiteral("3. Città di sera (1:02:03)"),
                                  QStringLiteral("4. 1999"), QStringLiteral("5. Notte [12:7]")};
    EXPECT_EQ(TrackLines(ReadTrackList(Path(QStringLiteral("tracce.txt")))), expected);
}

TEST_F(TrackListTest, AFolderOfTaggedAudioFilesGivesItsTracksInTagOrder) {
    Write(Path(QStringLiteral("a.wav")), Wav(3));
    Tag(Path(QStringLiteral("a.wav")), "Mezzogiorno", "Luca Bianchi", 2, "Nadia Rossi");
    Write(Path(QStringLiteral("b.wav")), Wav(192));
    Tag(Path(QStringLiteral("b.wav")), "Alba", "Nadia Rossi", 1, "Nadia Rossi");
    Write(Path(QStringLiteral("c.wav")), Wav(65));
    Tag(Path(QStringLiteral("c.wav")), "Città di sera", "Nadia Rossi", 3, "Nadia Rossi");
    Write(Path(QStringLiteral("notes.txt")), "not audio");
    Write(Path(QStringLiteral("broken.ogg")), QByteArray(4000, '\x4f'));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path(QStringLiteral("pipe.mp3"))).constData(), 0600), 0);

    const auto descriptors = [] { return QDir(QStringLiteral("/proc/self/fd")).count(); };
    const auto openBefore = descriptors();
    const TTrackList list = ReadTrackList(dir.path());
    EXPECT_EQ(descriptors(), openBefore); // every file given back
    const QStringList expected = {QStringLiteral("1. Alba (3:12)"),
                                  QStringLiteral("2. Luca Bianchi - Mezzogiorno (0:03)"),
                                  QStringLiteral("3. Città di sera (1:05)")};
    EXPECT_EQ(TrackLines(list), expected);
    EXPECT_EQ(list.skipped,
              QStringList({QStringLiteral("broken.ogg: not an audio file that can be read"),
                           QStringLiteral("pipe.mp3: not a regular file")}));

    // Untagged files go by their names, numbers in them read as numbers.
    const QDir plain(TestTempDir());
    Write(plain.filePath(QStringLiteral("10 Dieci.wav")), Wav(4));
    Write(plain.filePath(QStringLiteral("2 Due.wav")), Wav(3));
    EXPECT_EQ(
        TrackLines(ReadAudioFolder(plain.path())),
        QStringList({QStringLiteral("1. 2 Due (0:03)"), QStringLiteral("2. 10 Dieci (0:04)")}));
}

TEST_F(TrackListTest, BadFilesAreRefusedNamingThem) {
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* reason;
    };
    QByteArray many;
    for (int i = 1; i <= 1000; ++i)
        many += "TRACK " + QByteArray::number(i) + " AUDIO\n";
    const Case cases[] = {
        {"empty.txt", "\n \n\t\n", "no track in it"},
        {"none.cue", "PERFORMER \"Nadia Rossi\"\n", "no TRACK in it"},
        {"time.cue", "TRACK 01 AUDIO\n  INDEX 01 03:99:00\n",
         "line 2: INDEX without a time mm:ss:ff"},
        {"many.cue", many, "more than 999 tracks"},
        {"large.txt", QByteArray((1 << 20) + 1, 'a'), "larger than 1 MB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Path(QString::fromLatin1(c.name));
        Write(path, c.bytes);
        EXPECT_EQ(ErrorOf(path), path + QStringLiteral(": ") + QLatin1String(c.reason));
    }
    const QString pipe = Path(QStringLiteral("pipe.cue"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(ErrorOf(pipe), pipe + QStringLiteral(": not a regular file"));
    const QString empty = Path(QStringLiteral("empty"));
    ASSERT_TRUE(QDir().mkdir(empty));
    EXPECT_EQ(ErrorOf(empty), empty + QStringLiteral(": no audio file in it"));
}

} // namespace
