#pragma once
// Text cells kept between runs. Measuring the cell of a hinted face means hinting every
// glyph of the code page, about a millisecond a face and size, and a window measures
// several at its start; once measured, a cell is kept in the user's cache and read back
// by the next run. A kept cell names its face by the face's own header table as well as
// by the font asked for, so a face replaced or updated is measured again.

#include <QFont>
#include <QHash>
#include <QMutex>
#include <QString>
#include <atomic>
#include <optional>

struct TTextCell {
    int ascent = 0;
    int descent = 0;
    bool operator==(const TTextCell&) const = default;
};

class TTextCellStore {
public:
    // Cells kept in the file at path (read at once; a missing or damaged file keeps
    // nothing).
    explicit TTextCellStore(QString path);

    std::optional<TTextCell> Find(const QString& key) const;
    void Add(const QString& key, TTextCell cell);
    // Writes the cells added since it was read, with those another run kept in the
    // meantime, in one step; false when the file could not be written.
    bool Save() const;

    // The key a font's cell is kept under: the font asked for and the face that answers
    // it. Empty for a face that names itself by no header table (nothing is kept then).
    static QString KeyOf(const QFont& font);

    // The one store of this user and program, saved as each cell is added.
    static TTextCellStore& Shared();

private:
    static QHash<QString, TTextCell> ReadFile(const QString& path);

    const QString path_;
    mutable QMutex mutex_;
    mutable QMutex writing_;
    bool saveOnAdd_ = false;
    std::atomic<bool> saveQueued_ = false;
    QHash<QString, TTextCell> cells_;
    QHash<QString, TTextCell> added_;
};
