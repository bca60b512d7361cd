#pragma once
// The page stream that holds a report's pages while they are made and shown.

#include "report/pagestore/RpTypes.h"

#include <QFile>
#include <QIODevice>
#include <QStringList>
#include <memory>
#include <mutex>

// The page stream: a random-access stream whose content lives in memory until it holds
// more than SpillThreshold bytes, then in a temporary file ("RPP" prefix, system
// temporary directory) that is deleted when the stream is freed, and in any case when
// the program ends, also by SIGTERM, SIGINT or SIGHUP. Every operation holds the
// stream's re-entrant lock.
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
    // Empty while the content is in memory or the stream reads a report file.
    const QString& TempFileName() const { return tempFileName_; }

    // Copies the whole content into dest in blocks, under the lock; the stream is left at
    // its end.
    void CopyTo(QIODevice& dest);
    // Drops the content from `length` on (a record that could not be written whole).
    void Truncate(qint64 length);

    std::recursive_mutex& Lock() { return lock_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    TRpStream(QObject* parent, const QString& fileName);
    void Spill();
    void DropTempFile() noexcept;

    mutable std::recursive_mutex lock_;
    QByteArray memory_;
    std::unique_ptr<QFile> file_;
    qint64 fileSize_ = 0; // the file part's size, kept here rather than asked of the system
    QString tempFileName_;
    bool buffered_ = true;
    int spillThreshold_;
};

// Names of the page-stream temporary files that exist now (for tests and diagnostics).
QStringList LiveTempFiles();

