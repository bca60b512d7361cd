// Report files written on a full disk: the file of that name keeps its bytes, whatever the
// size of the new one (one smaller than a write buffer too), and the failure names it.

#include "PageSupport.h"
#include "report/pagestore/RpPrntrFile.h"
#include "support/FullDisk.h"
#include "support/TestSupport.h"

#include "framework/core/Files.h"

#include <QFile>

namespace {

struct Pages {
    const char* name;
    int count;
    int lines;
    bool compressed;
};

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

} // namespace

TEST(ReportFileWrite, FullDiskKeepsTheOldFileAndSaysSo) {
    // A text-only page is a few kilobytes: smaller than a write buffer, so only a writer
    // that checks its flush sees it fail.
    const Pages cases[] = {{"one short page", 1, 3, false},
                           {"one short page packed", 1, 3, true},
                           {"pages larger than the disk", 6, 40, false}};
    for (const Pages& c : cases) {
        SCOPED_TRACE(c.name);
        TFullDisk disk;
        REQUIRE_FULL_DISK(disk);
        TRpStream stream;
        TRpPageList pages;
        pages.SetPageStream(&stream);
        pages.SetCompressed(c.compressed);
        for (int n = 1; n <= c.count; ++n)
            pages.AppendPage(*RecordPage(n, c.lines));
        pages.WriteHeader();
        if (c.lines == 3) {
            ASSERT_LT(stream.size(), 16384);
        }

        const QByteArray old(3000, 'o');
        disk.Put(QStringLiteral("old.rpp"), old);
        disk.Fill();
        const QString target = disk.Path(QStringLiteral("old.rpp"));
        try {
            WriteReportFile(stream, pages.StoredPages(), target);
            ADD_FAILURE() << "the write on a full disk did not fail";
        } catch (const EFWriteError& e) {
            EXPECT_EQ(e.File(), target);
            EXPECT_TRUE(e.Message().contains(target)) << qPrintable(e.Message());
            EXPECT_TRUE(e.Message().contains(QStringLiteral("No space left on device")))
                << qPrintable(e.Message());
        }
        EXPECT_EQ(ReadAll(target), old);
        EXPECT_EQ(disk.Names(), (QStringList{QStringLiteral("filler"), QStringLiteral("old.rpp")}));
        pages.SetPageStream(nullptr);
    }
}
