// The report library in a program of its own: linked with neither the editor nor the test
// support, it finds its texts, its window layouts and their pictures, and the page store's
// texts under it.
#include "framework/core/Resources.h"
#include "framework/widgets/Forms.h"
#include "report/RpAngLbl.h"
#include "report/RpPrev.h"
#include "report/RpPrgres.h"
#include "report/RpPrntr.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TextCase {
    int id;
    const char* text;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.id;
}

class ReportAloneTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ReportAloneTextTest, TheTableHoldsTheText) {
    EXPECT_EQ(LoadStr(GetParam().id).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    ReportAndPageStore, ReportAloneTextTest,
    ::testing::Values(TextCase{RpRes::SReportPrinterNotReady, "Report printer not ready"},
                      TextCase{RpRes::SPaperSizeFirst + 9, "A4 210 x 297 mm"},
                      TextCase{RpRes::SNothingToSave, "There are no finished pages to save"},
                      TextCase{RpRes::SFontNotTurnable,
                               "Font selected is not a TrueType Font and can't be rotated"},
                      TextCase{RpRes::SCompleted, " Completed"},
                      TextCase{RpRes::SLoadingReport, "Loading %1..."}));

TEST(ReportAlone, AFileThatIsNoReportIsRefusedWithItsText) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("notes.rpp"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    TRpPrinter printer;
    try {
        printer.LoadFromFile(path);
        FAIL() << "a file of 4096 'x' loaded as a report";
    } catch (const ERpError& e) {
        EXPECT_EQ(e.Message().toStdString(), "Not a report file");
    }
}

TEST(ReportAlone, TheProgressWindowIsReadFromItsLayout) {
    TRpProgressForm form(nullptr);
    EXPECT_EQ(form.Caption().toStdString(), "Printing progress");
    ASSERT_TRUE(form.CancelButton && form.Gauge && form.Info);
    EXPECT_EQ(form.CancelButton->Caption().toStdString(), "Cancel");
    EXPECT_EQ(form.ClientWidth(), 149);
}

TEST(ReportAlone, ThePreviewWindowHasItsGlyphs) {
    TRpPrinter printer;
    TRpStandardPreview window(nullptr, &printer);
    EXPECT_EQ(window.Caption().toStdString(), "Print Preview");
    ASSERT_TRUE(window.Images);
    EXPECT_EQ(window.Images->Count(), 11);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication qapp(argc, argv);
    TApplication::Initialize();
    const int rc = RUN_ALL_TESTS();
    TApplication::Finalize();
    return rc;
}
