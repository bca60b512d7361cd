#pragma once
// Pages for the page-store tests: real metafiles recorded through a canvas, and byte
// readers for the stream layout.

#include "framework/graphics/Metafile.h"
#include "report/pagestore/RpPrntrPages.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QDir>
#include <QtEndian>
#include <memory>
#include <random>

// Lines of text as report items draw them; `seed` varies the words and their places.
inline void DrawTextPage(TCanvas& canvas, int seed, int lines = 40) {
    std::mt19937 random(static_cast<unsigned>(seed));
    canvas.Font()->SetName(QStringLiteral("Arial"));
    for (int i = 0; i < lines; ++i) {
        canvas.Font()->SetHeight(-static_cast<int>(10 + random() % 8));
        canvas.TextOut(static_cast<int>(30 + random() % 60), 30 + i * 25,
                       QStringLiteral("Page %1, line %2: track %3 of the disc")
                           .arg(seed)
                           .arg(i)
                           .arg(random() % 1000));
    }
    canvas.Rectangle(20, 20, 700 + static_cast<int>(random() % 50), 1100);
}

inline std::unique_ptr<TMetafile> RecordPage(int seed, int lines = 40) {
    auto page = std::make_unique<TMetafile>();
    page->SetWidth(794);
    page->SetHeight(1123);
    {
        TMetafileCanvas canvas(page.get());
        DrawTextPage(canvas, seed, lines);
    }
    return page;
}

inline QByteArray StreamBytes(TRpStream& stream) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    stream.CopyTo(buffer);
    return bytes;
}

inline qint32 Int32At(const QByteArray& bytes, qint64 at) {
    return qFromLittleEndian<qint32>(bytes.constData() + at);
}

inline void PutInt32(QByteArray& bytes, qint64 at, qint32 value) {
    qToLittleEndian(value, bytes.data() + at);
}

// Every name in dir: a page stream's temporary file must never have one there.
inline QStringList TempFilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// Files in dir that process pid holds open: where a page stream's nameless temporary file
// shows that it is there.
inline int OpenFilesIn(const QString& dir, qint64 pid = QCoreApplication::applicationPid()) {
    const QString folder = QFileInfo(dir).canonicalFilePath() + QLatin1Char('/');
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    int count = 0;
    for (const QFileInfo& fd : fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        count += fd.symLinkTarget().startsWith(folder);
    return count;
}

// Points the system temporary directory at dir for as long as it lives.
class TempDirScope {
public:
    explicit TempDirScope(const QString& dir) : old_(qgetenv("TMPDIR")) {
        qputenv("TMPDIR", QFile::encodeName(dir));
    }
    ~TempDirScope() {
        if (old_.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", old_);
    }

private:
    QByteArray old_;
};
