// Design files on disk: saved on a full disk the file keeps its bytes and the editor shows
// one error naming it and keeps its change mark; FIFOs, devices, folders and huge files are
// refused before they are read.
#include "EditorFixture.h"

#include "app/DesignDocument.h"
#include "app/DesignFile.h"
#include "support/FullDisk.h"
#include "support/HostileFiles.h"

#include <QApplication>
#include <QFile>
#include <QTest>

namespace {

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

TCoverDesign Small() {
    TCoverDesign d;
    d.frontLine = QStringLiteral("Titolo");
    return d;
}

} // namespace

// A design is about a kilobyte: far below a write buffer.
TEST(DesignFileOnDisk, FullDiskKeepsTheOldDesign) {
    TFullDisk disk;
    REQUIRE_FULL_DISK(disk);
    const QString file = disk.Path(QStringLiteral("copertina.sleevane"));
    WriteDesignFile(file, Small());
    const QByteArray old = ReadAll(file);
    ASSERT_LT(old.size(), 4096);
    disk.Fill();
    TCoverDesign changed = Small();
    changed.frontLine = QStringLiteral("Un altro titolo");
    try {
        WriteDesignFile(file, changed);
        ADD_FAILURE() << "the save on a full disk did not fail";
    } catch (const EDesignFile& e) {
        EXPECT_EQ(e.File(), file);
        EXPECT_EQ(e.Cause(), QStringLiteral("No space left on device"));
    }
    EXPECT_EQ(ReadAll(file), old);
    EXPECT_EQ(disk.Names(),
              (QStringList{QStringLiteral("copertina.sleevane"), QStringLiteral("filler")}));
}

class DesignFileOnDiskEditorTest : public EditorTest {};

TEST_F(DesignFileOnDiskEditorTest, CtrlSOnAFullDiskShowsOneErrorAndKeepsTheMark) {
    TFullDisk disk;
    REQUIRE_FULL_DISK(disk);
    const QString file = disk.Path(QStringLiteral("copertina.sleevane"));
    WriteDesignFile(file, Small());
    const QByteArray old = ReadAll(file);
    editor->Document->Open(file);
    disk.Fill();
    QStringList shown;
    Application->OnException = [&](TObject*, const Exception& e) { shown << e.Message(); };

    Intro->SetVisible(false);
    Settle();
    Form1->Widget()->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == Form1->Widget(); }));
    Form1->Fronteriga->HandleNeeded();
    Form1->Fronteriga->Widget()->setFocus();
    QTest::keyClicks(Form1->Fronteriga->Widget(), QStringLiteral(" due"));
    Settle();
    ASSERT_TRUE(Form1->Caption().contains(QStringLiteral("*copertina.sleevane")));
    QTest::keyClick(Form1->Widget(), Qt::Key_S, Qt::ControlModifier);
    Settle();
    Application->OnException = nullptr;

    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(file) && shown[0].contains(QStringLiteral("No space left")))
        << qPrintable(shown[0]);
    EXPECT_TRUE(Form1->Caption().contains(QStringLiteral("*copertina.sleevane")));
    EXPECT_TRUE(editor->Document->Modified());
    EXPECT_EQ(ReadAll(file), old);
}

TEST(DesignFileOnDisk, NoRegularFileIsRefusedWithItsName) {
    const std::vector<THostileFile> files =
        MakeHostileFiles(TestTempDir(), QLatin1String(kDesignExtension));
    ASSERT_EQ(files.size(), 5u);
    for (const THostileFile& f : files) {
        SCOPED_TRACE(f.path.toStdString());
        try {
            ReadDesignFile(f.path);
            ADD_FAILURE() << "read";
        } catch (const EDesignFile& e) {
            EXPECT_EQ(e.File(), f.path);
            EXPECT_TRUE(e.Cause().startsWith(f.cause)) << qPrintable(e.Cause());
        }
    }
}
