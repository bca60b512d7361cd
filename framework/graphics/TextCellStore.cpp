#include "framework/graphics/TextCellStore.h"

#include "framework/core/Limits.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QRawFont>
#include <QThreadPool>
#include <QStandardPaths>
#include <cstdio>
#include <fontconfig/fontconfig.h>

namespace {

// The first line of the file: cells measured under another Qt or font configuration
// library may differ, so a file from another pair is read as empty.
QByteArray Header() {
    return "text-cells 1 qt " + QByteArray(qVersion()) + " fontconfig " +
           QByteArray::number(FcGetVersion());
}

// A cell no hinted face of a measured size comes near; beyond it a line is damaged.
constexpr int kMaxCellSide = 1 << 16;

} // namespace

TTextCellStore::TTextCellStore(QString path) : path_(std::move(path)), cells_(ReadFile(path_)) {}

QHash<QString, TTextCell> TTextCellStore::ReadFile(const QString& path) {
    QHash<QString, TTextCell> cells;
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxTextCellStoreBytes)
        return cells;
    const QList<QByteArray> lines = file.read(kMaxTextCellStoreBytes).split('\n');
    if (lines.isEmpty() || lines.front() != Header()) return cells;
    for (qsizetype i = 1; i < lines.size() && cells.size() < kMaxStoredTextCells; ++i) {
        // "ASCENT DESCENT KEY", the key to the end of the line
        const QByteArray& line = lines[i];
        const qsizetype first = line.indexOf(' ');
        const qsizetype second = first < 0 ? -1 : line.indexOf(' ', first + 1);
        if (second < 0 || second + 1 >= line.size()) continue;
        bool okA = false, okD = false;
        const int ascent = line.left(first).toInt(&okA);
        const int descent = line.mid(first + 1, second - first - 1).toInt(&okD);
        if (!okA || !okD || ascent < 0 || descent < 0 || ascent > kMaxCellSide ||
            descent > kMaxCellSide)
            continue;
        cells.insert(QString::fromUtf8(line.mid(second + 1)), TTextCell{ascent, descent});
    }
    return cells;
}

std::optional<TTextCell> TTextCellStore::Find(const QString& key) const {
    const QMutexLocker lock(&mutex_);
    if (auto it = cells_.constFind(key); it != cells_.constEnd()) return *it;
    return std::nullopt;
}

void TTextCellStore::Add(const QString& key, TTextCell cell) {
    if (key.isEmpty() || key.contains(QLatin1Char('\n'))) return;
    const QMutexLocker lock(&mutex_);
    if (added_.size() >= kMaxStoredTextCells) return;
    cells_.insert(key, cell);
    added_.insert(key, cell);
    // Written at once, on a thread of the pool, so that a run ended before it closes (a
    // session's end, a kill) keeps what it measured too; cells added while a write waits
    // go with it.
    if (saveOnAdd_ && !saveQueued_.exchange(true))
        QThreadPool::globalInstance()->start([this] {
            saveQueued_ = false;
            Save();
        });
}

bool TTextCellStore::Save() const {
    QHash<QString, TTextCell> added;
    {
        const QMutexLocker lock(&mutex_);
        added = added_;
    }
    if (added.isEmpty() || path_.isEmpty()) return true;
    // One writer at a time, and the measuring threads never wait on the disk.
    const QMutexLocker lock(&writing_);
    QHash<QString, TTextCell> all = ReadFile(path_);
    // What this run measured goes first when the file is full.
    if (all.size() + added.size() > kMaxStoredTextCells) all.clear();
    all.insert(added);
    QByteArray text = Header() + '\n';
    for (auto it = all.constBegin(); it != all.constEnd(); ++it)
        text += QByteArray::number(it->ascent) + ' ' + QByteArray::number(it->descent) + ' ' +
                it.key().toUtf8() + '\n';
    // Written beside the file and renamed over it, so that a reader sees the old file or
    // the new one; a cache is not worth waiting for the disk, so it is not synced.
    QDir().mkpath(QFileInfo(path_).absolutePath());
    const QString part =
        path_ + QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid());
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(text) != text.size() || !file.flush()) {
        file.remove();
        return false;
    }
    file.close();
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(path_).constData()) != 0) {
        QFile::remove(part);
        return false;
    }
    return true;
}

QString TTextCellStore::KeyOf(const QFont& font) {
    const QRawFont face = QRawFont::fromFont(font);
    const QByteArray head = face.isValid() ? face.fontTable("head") : QByteArray();
    if (head.isEmpty()) return {};
    return font.key() + QLatin1Char('|') + face.familyName() + QLatin1Char('|') +
           face.styleName() + QLatin1Char('|') + QString::number(face.pixelSize()) +
           QLatin1Char('|') +
           QString::fromLatin1(QCryptographicHash::hash(head, QCryptographicHash::Sha1).toHex());
}

TTextCellStore& TTextCellStore::Shared() {
    static TTextCellStore* store = [] {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        auto* s = new TTextCellStore(dir.isEmpty() ? QString() : dir + QStringLiteral("/text-cells"));
        s->saveOnAdd_ = true;
        return s;
    }();
    return *store;
}
