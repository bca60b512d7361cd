#pragma once
// Files as the program meets them: an input is looked at before anything of it is read,
// and an output replaces the file of its name only once it is whole on the disk.

#include "framework/core/SysUtils.h"

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <cstdint>

// Raised for a file that cannot be written whole: the message names the file and the
// cause ("Cannot write file NAME: No space left on device"); File() and Cause() give them
// apart for callers that word their own message.
class EFWriteError : public EStreamError {
public:
    EFWriteError(const QString& message, const QString& file, const QString& cause)
        : EStreamError(message), cause_(cause) {
        SetFileName(file);
    }
    const QString& File() const { return FileName(); }
    const QString& Cause() const { return cause_; }

private:
    QString cause_;
};

// Raised for an input that is not read at all: one that cannot be opened (the framework's
// "Cannot open file NAME"), or one refused as it is looked at: not a regular file (a FIFO,
// a device, a folder) or larger than its cap ("Cannot open file NAME: CAUSE"). File() and
// Cause() give the name and the cause apart.
class EFInputError : public EFOpenError {
public:
    EFInputError(const QString& message, const QString& file, const QString& cause)
        : EFOpenError(message), cause_(cause) {
        SetFileName(file);
    }
    const QString& File() const { return FileName(); }
    const QString& Cause() const { return cause_; }

private:
    QString cause_;
};

// Opens a file for reading into `file` once it is seen to be a regular file of at most
// maxBytes bytes; what is looked at is what is read (the file is opened first, without
// waiting, and then looked at). Raises EFInputError.
void OpenInputFile(QFile& file, const QString& fileName, int64_t maxBytes,
                   QIODevice::OpenMode mode = QIODevice::ReadOnly);

// A file written whole or not at all. The bytes go into a file beside the target that has
// no name yet; every write is checked, and Commit flushes and syncs the new file before it
// takes the target's name in one step. A failure anywhere, or a writer dropped without
// Commit, leaves the file of that name byte for byte as it was, and nothing else behind.
// Every failure raises EFWriteError naming the file.
class TFileReplacement {
public:
    explicit TFileReplacement(const QString& fileName);
    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;

    // The new file, for writers that write through a device; their own writes must be
    // checked too (a short write raises through Fail).
    QIODevice& Device() { return file_; }
    void Write(const char* data, qint64 size);
    void Write(const QByteArray& bytes) { Write(bytes.constData(), bytes.size()); }
    // Writes at `at` and goes back to where the writing was.
    void WriteAt(qint64 at, const char* data, qint64 size);
    void Commit();

    // Gives the new file up and raises EFWriteError naming the file with `cause`.
    [[noreturn]] void Fail(const QString& cause);
    [[noreturn]] void Fail() { Fail(file_.errorString()); }

    const QString& FileName() const { return fileName_; }

private:
    QString fileName_;
    QSaveFile file_;
};

// Writes bytes into a file whole or not at all (TFileReplacement).
void WriteFileWhole(const QString& fileName, const QByteArray& bytes);
