#pragma once
// A file system of a few pages, mounted for one test and filled to its last byte: a writer
// on it meets "No space left on device" on its first write, as on a full disk.

#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>

class TFullDisk {
public:
    // Mounts the file system; Mounted() says whether that was permitted.
    TFullDisk();
    ~TFullDisk();
    TFullDisk(const TFullDisk&) = delete;
    TFullDisk& operator=(const TFullDisk&) = delete;

    bool Mounted() const { return mounted_; }
    const QString& Why() const { return why_; }
    QString Path(const QString& name) const;
    // Writes a file while there is room.
    void Put(const QString& name, const QByteArray& bytes) const;
    // Takes every byte that is left.
    void Fill() const;
    // The names in its folder (nothing of a failed write may stay).
    QStringList Names() const;

private:
    QString dir_;
    QString why_;
    bool mounted_ = false;
};

// Skips a test that needs a full disk where mounting is not permitted (not root).
#define REQUIRE_FULL_DISK(disk)                                                                    \
    do {                                                                                           \
        if (!(disk).Mounted()) GTEST_SKIP() << qPrintable((disk).Why());                           \
    } while (0)
