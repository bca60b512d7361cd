// Report files are looked at before they are read: FIFOs, devices, folders and files past
// the cap are refused at once with their names, by the plain read and by the load of the
// preview alike.
#include "framework/core/Files.h"
#include "report/pagestore/RpPrntrFile.h"
#include "support/HostileFiles.h"
#include "support/TestSupport.h"

TEST(ReportFileInput, NoRegularFileIsRefusedWithItsName) {
    const std::vector<THostileFile> files = MakeHostileFiles(TestTempDir(), QStringLiteral("rpp"));
    ASSERT_EQ(files.size(), 5u);
    for (const THostileFile& f : files) {
        SCOPED_TRACE(f.path.toStdString());
        const QString want = QStringLiteral("Cannot open file %1: %2").arg(f.path, f.cause);
        try {
            ReadReportFile(f.path);
            ADD_FAILURE() << "read";
        } catch (const EFInputError& e) {
            EXPECT_TRUE(e.Message().startsWith(want)) << qPrintable(e.Message());
        }
        try {
            TRpReportFileLoad load(f.path);
            ADD_FAILURE() << "loading";
        } catch (const EFInputError& e) {
            EXPECT_TRUE(e.Message().startsWith(want)) << qPrintable(e.Message());
        }
    }
}
