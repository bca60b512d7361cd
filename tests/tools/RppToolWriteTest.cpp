// rpptool's pack and unpack on a full disk: one line naming the file, exit 1, and the file
// of that name kept byte for byte, even when the new one is smaller than a write buffer.

#include "support/FullDisk.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>

TEST(RppToolWrite, FullDiskKeepsTheOldFile) {
    for (const char* command : {"pack", "unpack"}) {
        SCOPED_TRACE(command);
        TFullDisk disk;
        REQUIRE_FULL_DISK(disk);
        const QByteArray old(2000, 'o');
        disk.Put(QStringLiteral("old.rpp"), old);
        disk.Fill();
        const QString target = disk.Path(QStringLiteral("old.rpp"));
        QProcess tool;
        tool.start(QStringLiteral(RPPTOOL),
                   {QLatin1String(command), TestData(QStringLiteral("rpp/one-page.rpp")), target});
        ASSERT_TRUE(tool.waitForFinished(60000));
        EXPECT_EQ(tool.exitCode(), 1);
        const QString err = QString::fromUtf8(tool.readAllStandardError());
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << qPrintable(err);
        EXPECT_TRUE(err.contains(target) && err.contains(QStringLiteral("No space left")))
            << qPrintable(err);
        QFile kept(target);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), old);
        EXPECT_EQ(disk.Names(), (QStringList{QStringLiteral("filler"), QStringLiteral("old.rpp")}));
    }
}
