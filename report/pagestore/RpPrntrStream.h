#pragma once
// The page stream that holds a report's pages while they are made and shown.

#include "report/pagestore/RpTypes.h"

#include <QFile>
#include <QIODevice>
#include <QStringList>
#include <memory>

// The page stream: a random-access stream whose content lives in memory until it holds
// more than SpillThreshold bytes, then in a temporary file of the system's temporary
// directory that has no name (or loses it as soon as it is open), so that it goes with the
// stream or with the program however that ends. Like the whole engine it is used on the
// program's one thread only.
class TRpStream : public QIODevice {
    Q_OBJECT
public:
    static constexpr int kDefaultSpillThreshold = 100000;

    // An empty stream, open for reading and writing.
    explicit TRpStream(int spillThreshold = kDefaultSpillThreshold, QObject* parent = nullptr);
    // A stream over an existing file, read only; the file is never deleted.
    static std::unique_ptr<TRpStream> OpenFile(const QString& fileName);
    ~TRpStream() override;

    bool isSequential() const override { return false; }
    qint64 size() const override;
    bool seek(qint64 pos) override;
    bool atEnd() const override;

    bool Buffered() const { return buffered_; }
    int SpillThreshold() const { return spillThreshold_; }

    // Copies the whole content into dest in blocks; the stream is left at
    // its end.
    void CopyTo(QIODevice& dest);
    // Drops the content from `length` on (a record that could not be written whole).
    void Truncate(qint64 length);
    // Writes `block` at the end. A block larger than the spill threshold is kept as it is,
    // sharing its bytes, until something is written after it that is more than a record's
    // links (the next page): a page is then not copied while the page after it is made,
    // and the last page of a pass not at all.
    void WriteShared(const QByteArray& block);


protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    TRpStream(QObject* parent, const QString& fileName);
    void Spill();
    qint64 StoredSize() const { return buffered_ ? memory_.size() : fileSize_; }
    qint64 ReadStored(qint64 at, char* data, qint64 maxSize);
    qint64 WriteStored(qint64 at, const char* data, qint64 count);
    // Writes the kept block and what follows it into memory or the file.
    bool Settle();

    QByteArray memory_;
    // After the stored content: a block kept as it was given, and the few bytes after it.
    QByteArray shared_;
    QByteArray afterShared_;
    std::unique_ptr<QFile> file_;
    qint64 fileSize_ = 0; // the file part's size, kept here rather than asked of the system
    bool buffered_ = true;
    int spillThreshold_;
};


