#include "app/TrackList.h"

#include "framework/core/Limits.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tdebuglistener.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <unistd.h>

namespace {

[[noreturn]] void Refuse(const QString& name, const QString& why) {
    throw ETrackList(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(name), why));
}

// A descriptor of a regular file of at most maxBytes, opened without waiting (a pipe would
// wait for a writer) and looked at once open; -1 with why set otherwise.
int OpenRegularFile(const QString& name, int64_t maxBytes, QString& why) {
    const int fd =
        ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = QStringLiteral("cannot be opened (%1)").arg(QString::fromLocal8Bit(strerror(errno)));
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        why = QStringLiteral("not a regular file");
    else if (st.st_size > maxBytes)
        why = QStringLiteral("larger than %1 MB").arg(maxBytes >> 20);
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        why = QStringLiteral("cannot be read");
    if (why.isEmpty()) return fd;
    ::close(fd);
    return -1;
}

QByteArray ReadSmallFile(const QString& name) {
    QString why;
    const int fd = OpenRegularFile(name, kMaxTrackListFileBytes, why);
    if (fd < 0) Refuse(name, why);
    QFile f;
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        Refuse(name, QStringLiteral("cannot be read"));
    }
    // Read to a bound: the file may have grown since it was looked at.
    const QByteArray bytes = f.read(kMaxTrackListFileBytes + 1);
    if (bytes.size() > kMaxTrackListFileBytes)
        Refuse(name, QStringLiteral("larger than %1 MB").arg(kMaxTrackListFileBytes >> 20));
    return bytes;
}

// UTF-8 or UTF-16 with their byte-order marks, UTF-8 without; anything else is taken as
// the Windows Western code page that older programs wrote these files in.
QString DecodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringDecoder::Utf16);
        return utf16(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    QStringDecoder western("windows-1252");
    return western.isValid() ? western(bytes) : QString::fromLatin1(bytes);
}

// Control characters (a NUL, a stray escape) become spaces; runs of space one; long texts
// are cut.
QString CleanText(QString s) {
    for (QChar& c : s)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) c = u' ';
    s = s.simplified();
    if (s.size() > kMaxTrackTextChars) s.truncate(kMaxTrackTextChars);
    return s;
}

QStringList Lines(const QString& text) {
    return text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
}

void AddTrack(TTrackList& list, TTrack track, const QString& name) {
    if (list.tracks.size() >= kMaxTracks)
        Refuse(name, QStringLiteral("more than %1 tracks").arg(kMaxTracks));
    list.tracks << std::move(track);
}

int RoundedSeconds(int64_t milliseconds) {
    return static_cast<int>(RoundEven(static_cast<long double>(milliseconds) / 1000));
}

// ---- Audio files ---------------------------------------------------------------------------

// TagLib's own complaints about damaged files would go to standard error.
class TQuietTagLib : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String&) override {}
};

struct TAudioTags {
    bool read = false;
    QString why;
    QString title, performer, albumPerformer;
    int number = 0;
    int milliseconds = -1;
};

QString FromTagLib(const TagLib::String& s) {
    return CleanText(QString::fromStdWString(s.toWString()));
}

TAudioTags ReadAudioTags(const QString& name) {
    static TQuietTagLib quiet;
    TagLib::setDebugListener(&quiet);
    TAudioTags tags;
    // Audio files are large and only their headers are read: no cap on their size.
    const int fd = OpenRegularFile(name, INT64_MAX, tags.why);
    if (fd < 0) return tags;
    TagLib::FileStream stream(fd, true); // closes fd
    if (!stream.isOpen()) {
        tags.why = QStringLiteral("cannot be read");
        return tags;
    }
    const TagLib::FileRef ref(&stream, true, TagLib::AudioProperties::Fast);
    if (ref.isNull() || !ref.file()->isValid()) {
        tags.why = QStringLiteral("not an audio file that can be read");
        return tags;
    }
    tags.read = true;
    if (const TagLib::Tag* tag = ref.tag()) {
        tags.title = FromTagLib(tag->title());
        tags.performer = FromTagLib(tag->artist());
        tags.number =
            tag->track() <= static_cast<unsigned>(kMaxTracks) ? static_cast<int>(tag->track()) : 0;
    }
    const TagLib::PropertyMap properties = ref.file()->properties();
    if (properties.contains("ALBUMARTIST") && !properties["ALBUMARTIST"].isEmpty())
        tags.albumPerformer = FromTagLib(properties["ALBUMARTIST"].front());
    if (const TagLib::AudioProperties* audio = ref.audioProperties())
        if (audio->lengthInMilliseconds() > 0) tags.milliseconds = audio->lengthInMilliseconds();
    return tags;
}

bool IsAudioFileName(const QString& name) {
    static const QStringList extensions = [] {
        QStringList list;
        for (const TagLib::String& e : TagLib::FileRef::defaultFileExtensions())
            list << QString::fromStdString(e.to8Bit(true)).toLower();
        return list;
    }();
    return extensions.contains(QFileInfo(name).suffix().toLower());
}

// File names in the order people number them: "2 Due" before "10 Dieci", whatever the
// locale offers.
bool NaturalLess(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            // Compared as numbers without converting them: leading zeros off, then by length.
            QStringView x = QStringView(a).sliced(i, ei - i), y = QStringView(b).sliced(j, ej - j);
            while (x.size() > 1 && x.front() == u'0')
                x = x.sliced(1);
            while (y.size() > 1 && y.front() == u'0')
                y = y.sliced(1);
            if (x.size() != y.size()) return x.size() < y.size();
            if (const int c = x.compare(y); c != 0) return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (const int c = QString::compare(a.sliced(i, 1), b.sliced(j, 1), Qt::CaseInsensitive);
            c != 0)
            return c < 0;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j)) return a.size() - i < b.size() - j;
    return a < b;
}

// ---- Text files ----------------------------------------------------------------------------

// h:mm:ss or m:ss.
int ParseLength(const QString& s) {
    static const QRegularExpression form(QStringLiteral("^(?:(\\d{1,2}):)?(\\d{1,3}):(\\d\\d)$"));
    const QRegularExpressionMatch m = form.match(s);
    if (!m.hasMatch()) return -1;
    const int h = m.captured(1).toInt(), mm = m.captured(2).toInt(), ss = m.captured(3).toInt();
    if (ss > 59 || (m.hasCaptured(1) && !m.captured(1).isEmpty() && mm > 59)) return -1;
    return (h * 60 + mm) * 60 + ss;
}

TTrack TrackFromLine(const QString& line) {
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d{1,3})\\s*(?:[.)]|-\\s)\\s*"));
    static const QRegularExpression length(
        QStringLiteral("(?:\\s*[(\\[]([\\d:]+)[)\\]]|(?:\\t|\\s{2,})([\\d:]+))\\s*$"));
    TTrack track;
    QString rest = line;
    if (const QRegularExpressionMatch m = number.match(rest); m.hasMatch()) {
        track.number = m.captured(1).toInt();
        rest = rest.mid(m.capturedEnd());
    }
    if (const QRegularExpressionMatch m = length.match(rest); m.hasMatch()) {
        const int seconds = ParseLength(m.captured(1).isEmpty() ? m.captured(2) : m.captured(1));
        if (seconds >= 0) {
            track.seconds = seconds;
            rest.truncate(m.capturedStart());
        }
    }
    track.title = CleanText(rest);
    return track;
}

// ---- CUE sheets ----------------------------------------------------------------------------

// The words of a line, a quoted text being one (its quotes left off; an unclosed quote runs
// to the end of the line).
QStringList CueWords(const QString& line) {
    QStringList words;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i].isSpace())
            ++i;
        if (i >= line.size()) break;
        if (line[i] == u'"') {
            const qsizetype end = line.indexOf(u'"', i + 1);
            words << line.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? line.size() : end + 1;
        } else {
            qsizetype end = i;
            while (end < line.size() && !line[end].isSpace())
                ++end;
            words << line.mid(i, end - i);
            i = end;
        }
    }
    return words;
}

// mm:ss:ff, 75 frames a second, in frames; -1 when not such a time.
int64_t CueTime(const QString& s) {
    static const QRegularExpression form(QStringLiteral("^(\\d{1,4}):(\\d\\d):(\\d\\d)$"));
    const QRegularExpressionMatch m = form.match(s);
    if (!m.hasMatch()) return -1;
    const int mm = m.captured(1).toInt(), ss = m.captured(2).toInt(), ff = m.captured(3).toInt();
    if (ss > 59 || ff > 74) return -1;
    return (int64_t(mm) * 60 + ss) * 75 + ff;
}

struct TCueTrack {
    TTrack track;
    int file = -1;      // index into the sheet's FILE entries
    int64_t start = -1; // INDEX 01 in frames
};

// The length of a FILE entry's audio, in frames; -1 when it is not there to be measured.
int64_t AudioFrames(const QString& sheet, const QString& audio) {
    if (audio.isEmpty()) return -1;
    const QString path = QFileInfo(audio).isAbsolute()
                             ? audio
                             : QFileInfo(sheet).dir().filePath(QString(audio).replace(u'\\', u'/'));
    const TAudioTags tags = ReadAudioTags(path);
    return tags.milliseconds < 0 ? -1 : int64_t(tags.milliseconds) * 75 / 1000;
}

} // namespace

QString TrackLength(int seconds) {
    const int h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

TTrackList ReadTrackText(const QString& file) {
    TTrackList list;
    for (const QString& line : Lines(DecodeText(ReadSmallFile(file)))) {
        TTrack track = TrackFromLine(line);
        if (track.title.isEmpty() && track.seconds < 0) continue;
        AddTrack(list, std::move(track), file);
    }
    if (list.tracks.isEmpty()) Refuse(file, QStringLiteral("no track in it"));
    return list;
}

TTrackList ReadCueSheet(const QString& file) {
    TTrackList list;
    QList<TCueTrack> tracks;
    QStringList files;
    const QStringList lines = Lines(DecodeText(ReadSmallFile(file)));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QStringList w = CueWords(lines[n]);
        if (w.isEmpty()) continue;
        const QString command = w[0].toUpper();
        auto bad = [&](const QString& what) {
            Refuse(file, QStringLiteral("line %1: %2").arg(n + 1).arg(what));
        };
        if (command == u"FILE") {
            files << (w.size() > 1 ? w[1] : QString());
        } else if (command == u"TRACK") {
            if (tracks.size() >= kMaxTracks)
                Refuse(file, QStringLiteral("more than %1 tracks").arg(kMaxTracks));
            bool ok = false;
            const int number = w.size() > 1 ? w[1].toInt(&ok) : 0;
            if (!ok || number < 1 || number > kMaxTracks)
                bad(QStringLiteral("TRACK without a track number"));
            TCueTrack t;
            t.track.number = number;
            t.file = static_cast<int>(files.size()) - 1;
            tracks << t;
        } else if (command == u"TITLE" || command == u"PERFORMER") {
            const QString text = CleanText(w.value(1));
            const bool title = command == u"TITLE";
            if (tracks.isEmpty()) {
                if (!title) list.performer = text;
            } else {
                (title ? tracks.last().track.title : tracks.last().track.performer) = text;
            }
        } else if (command == u"INDEX") {
            if (tracks.isEmpty()) bad(QStringLiteral("INDEX before any TRACK"));
            const int64_t at = CueTime(w.value(2));
            if (at < 0) bad(QStringLiteral("INDEX without a time mm:ss:ff"));
            if (w.value(1).toInt() == 1) tracks.last().start = at;
        }
    }
    if (tracks.isEmpty()) Refuse(file, QStringLiteral("no TRACK in it"));

    QList<int64_t> fileFrames(files.size(), -2); // -2: not measured yet
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        TCueTrack& t = tracks[i];
        int64_t end = -1;
        if (i + 1 < tracks.size() && tracks[i + 1].file == t.file) {
            end = tracks[i + 1].start;
        } else if (t.file >= 0) {
            if (fileFrames[t.file] == -2) fileFrames[t.file] = AudioFrames(file, files[t.file]);
            end = fileFrames[t.file];
        }
        if (t.start >= 0 && end > t.start) t.track.seconds = RoundInt((end - t.start) / 75.0L);
        list.tracks << t.track;
    }
    return list;
}

TTrackList ReadAudioFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir()) Refuse(folder, QStringLiteral("not a folder"));
    QDir dir(folder);
    QStringList names;
    // Entries are counted as they come: a folder of millions is not listed whole.
    {
        QDirIterator it(folder, QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
        int seen = 0;
        while (it.hasNext()) {
            it.next();
            if (++seen > kMaxTrackFolderEntries)
                Refuse(folder, QStringLiteral("more than %1 files").arg(kMaxTrackFolderEntries));
            if (IsAudioFileName(it.fileName())) names << it.fileName();
        }
    }
    std::sort(names.begin(), names.end(), NaturalLess);

    TTrackList list;
    QStringList albumPerformers;
    for (const QString& name : names) {
        const TAudioTags tags = ReadAudioTags(dir.filePath(name));
        if (!tags.read) {
            list.skipped << QStringLiteral("%1: %2").arg(name, tags.why);
            continue;
        }
        TTrack track;
        track.number = tags.number;
        track.title =
            tags.title.isEmpty() ? CleanText(QFileInfo(name).completeBaseName()) : tags.title;
        track.performer = tags.performer;
        albumPerformers << tags.albumPerformer;
        if (tags.milliseconds >= 0) track.seconds = RoundedSeconds(tags.milliseconds);
        AddTrack(list, std::move(track), folder);
    }
    if (list.tracks.isEmpty())
        Refuse(folder, list.skipped.isEmpty() ? QStringLiteral("no audio file in it")
                                              : QStringLiteral("no audio file that can be read"));

    // By the tags' numbers when each track has one of its own.
    QList<int> numbers;
    for (const TTrack& t : list.tracks)
        numbers << t.number;
    std::sort(numbers.begin(), numbers.end());
    const bool numbered =
        numbers.first() > 0 && std::adjacent_find(numbers.begin(), numbers.end()) == numbers.end();
    if (numbered)
        std::stable_sort(list.tracks.begin(), list.tracks.end(),
                         [](const TTrack& a, const TTrack& b) { return a.number < b.number; });
    else
        for (TTrack& t : list.tracks)
            t.number = 0;

    // The album's performer, when every file names the same.
    albumPerformers.removeDuplicates();
    if (albumPerformers.size() == 1) list.performer = albumPerformers.first();
    return list;
}

TTrackList ReadTrackList(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) return ReadAudioFolder(path);
    if (info.suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) == 0)
        return ReadCueSheet(path);
    return ReadTrackText(path);
}

QStringList TrackLines(const TTrackList& list) {
    // Without an album performer, the one every track shares stands for it.
    QString album = list.performer;
    if (album.isEmpty() && !list.tracks.isEmpty() &&
        std::all_of(list.tracks.begin(), list.tracks.end(),
                    [&](const TTrack& t) { return t.performer == list.tracks.first().performer; }))
        album = list.tracks.first().performer;
    QStringList lines;
    int position = 0;
    for (const TTrack& t : list.tracks) {
        ++position;
        QString line = QStringLiteral("%1. ").arg(t.number > 0 ? t.number : position);
        if (!t.performer.isEmpty() && t.performer != album)
            line += t.performer + QStringLiteral(" - ");
        line += t.title;
        if (t.seconds >= 0) line += QStringLiteral(" (%1)").arg(TrackLength(t.seconds));
        lines << line;
    }
    return lines;
}
