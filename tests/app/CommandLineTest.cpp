// The program run from the command line as a user runs it: --pdf writes the page that
// "Stampa" prints for the same design, --print sends designs one after the other to a
// queue, and wrong usage and failures end with their exit codes and one line each.
#include "EditorFixture.h"

#include "app/DesignDocument.h"
#include "app/DesignFile.h"

#include <QDir>
#include <QPainter>
#include <QProcess>
#include <QTest>

namespace {

struct TRun {
    int exitCode = -1;
    QString out, err;
};

TRun Sleevane(const QStringList& arguments) {
    QProcess p;
    // As from a terminal without a display: no window may be needed.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SLEEVANE_PROGRAM), arguments);
    TRun run;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    run.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(p.readAllStandardError());
    return run;
}

// One line of our own, saying what went wrong.
void ExpectOneLine(const TRun& run, const QString& saying) {
    EXPECT_TRUE(run.err.startsWith(QLatin1String("sleevane: "))) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(saying))
        << run.err.toStdString() << " | wanted: " << saying.toStdString();
}

QString WritePicture(const QString& path, QColor from, QColor to) {
    QImage image(300, 240, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient g(0, 0, 300, 240);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    painter.fillRect(image.rect(), g);
    painter.end();
    EXPECT_TRUE(image.save(path));
    return path;
}

// A cover with all its parts: pictures, a placed and turned line, bands, central lines.
TCoverDesign FullCover(const QString& dir) {
    TCoverDesign d;
    d.frontFormat = TFrontFormat::Single;
    d.rearFormat = TRearFormat::WithBands;
    d.frontPicture = WritePicture(QDir(dir).filePath(QStringLiteral("fronte.jpg")),
                                  QColor(255, 240, 180), QColor(240, 200, 120));
    d.rearPicture = WritePicture(QDir(dir).filePath(QStringLiteral("retro.bmp")),
                                 QColor(220, 240, 255), QColor(170, 210, 250));
    d.frontLine = QStringLiteral("Concerto");
    d.frontAngle = 45;
    d.PlaceLine(QPoint(60, 90));
    d.frontFont = {QStringLiteral("Arial"), 12, true, false, false, false, RGB(0, 0, 200), 0};
    d.leftBand = QStringLiteral("Lato A");
    d.rightBand = QStringLiteral("Lato B");
    d.bandFont = {QStringLiteral("Arial"), 9, false, true, false, false, RGB(200, 0, 0), 0};
    d.rearLines = {QStringLiteral("1. Preludio"), QStringLiteral("2. Aria")};
    d.rearFont = {
        QStringLiteral("Times New Roman"), 10, false, false, true, false, RGB(0, 120, 0), 0};
    return d;
}

class CommandLineTest : public EditorTest {};

// The same design printed by "Stampa" in the editor that opened it and by --pdf.
TEST_F(CommandLineTest, PdfGivesThePagesOfStampa) {
    const QString dir = TestTempDir();
    const QString design = QDir(dir).filePath(QStringLiteral("copertina.sleevane"));
    WriteDesignFile(design, FullCover(dir));
    QStringList shown;
    Application->OnException = [&](TObject*, const Exception& e) { shown << e.Message(); };
    editor->Document->Open(design);
    TPrinter printers;
    preview->Report1->PrinterSettings()->SetPrinterIndex(
        static_cast<int>(printers.Printers().indexOf(TPrinter::PdfPrinterName())));
    const QString stampa = QDir(dir).filePath(QStringLiteral("stampa.pdf"));
    const TOutputFileQuestion saved =
        SetOutputFileQuestion([&](const QString&) -> std::optional<QString> { return stampa; });
    QTest::mouseClick(Form1->BitBtn2->Widget(), Qt::LeftButton);
    SetOutputFileQuestion(saved);
    Application->OnException = nullptr;
    ASSERT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();

    const QString written = QDir(dir).filePath(QStringLiteral("riga di comando.pdf"));
    const TRun run = Sleevane({QStringLiteral("--pdf"), design, written});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    ASSERT_EQ(PdfPageCount(written), 1);
    const QImage a = RenderPdfPage(stampa, 1, 100);
    const QImage b = RenderPdfPage(written, 1, 100);
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(ImageDifference(a, b), 0);
    // A whole cover, not an empty page: both pictures' colours are on it.
    EXPECT_GT(CountPixels(b, b.rect(), qRgb(248, 222, 150), 30), 10000);
    EXPECT_GT(CountPixels(b, b.rect(), qRgb(195, 225, 252), 30), 10000);
}

struct UsageRow {
    const char* name;
    QStringList arguments;
    const char* saying;
};

class WrongUsageTest : public ::testing::TestWithParam<UsageRow> {};

TEST_P(WrongUsageTest, EndsWithTwoAndOneLine) {
    const TRun run = Sleevane(GetParam().arguments);
    EXPECT_EQ(run.exitCode, 2);
    ExpectOneLine(run, QString::fromUtf8(GetParam().saying));
    EXPECT_TRUE(run.out.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrongUsageTest,
    ::testing::Values(
        UsageRow{"UnknownOption", {"--stampa", "a.sleevane"}, "unknown option --stampa"},
        UsageRow{"PrintWithoutDesign", {"--print"}, "--print needs a design"},
        UsageRow{"PdfWithoutOutput", {"--pdf", "a.sleevane"}, "--pdf takes one design"},
        UsageRow{"PdfWithTwoDesigns",
                 {"--pdf", "a.sleevane", "b.sleevane", "c.pdf"},
                 "--pdf takes one design"},
        UsageRow{"BothModes", {"--print", "--pdf", "a.sleevane", "b.pdf"}, "do not go together"},
        UsageRow{"CopiesNotANumber",
                 {"--print", "a.sleevane", "--copies", "due"},
                 "--copies takes a number from 1 to 999, not due"},
        UsageRow{"NoCopies", {"--print", "a.sleevane", "--copies=0"}, "from 1 to 999, not 0"},
        UsageRow{"PrinterWithoutName",
                 {"--print", "a.sleevane", "--printer"},
                 "--printer needs a printer's name"},
        UsageRow{"CopiesWithoutPrint", {"a.sleevane", "--copies", "2"}, "go with --print"},
        UsageRow{"TwoDesignsToOpen", {"a.sleevane", "b.sleevane"}, "one design at a time"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, HelpListsEveryMode) {
    const TRun run = Sleevane({QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.err.isEmpty());
    for (const char* word : {"sleevane [DESIGN]", "--print DESIGN...", "--printer NAME",
                             "--copies N", "--pdf DESIGN OUT.pdf", "Exit status"})
        EXPECT_TRUE(run.out.contains(QLatin1String(word))) << word;
}

// Each failure: exit code 1, one line naming what failed, and nothing half written.
TEST(CommandLine, FailuresEndWithOneAndOneLine) {
    const QString dir = TestTempDir();
    const QString good = QDir(dir).filePath(QStringLiteral("buona.sleevane"));
    WriteDesignFile(good, FullCover(dir));
    const QString damaged = QDir(dir).filePath(QStringLiteral("rotta.sleevane"));
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"format": "sleevane-design", "version": 1, "front": {"angle": 30}})");
    }
    TCoverDesign lost = FullCover(dir);
    lost.rearPicture = QDir(dir).filePath(QStringLiteral("sparita.bmp"));
    const QString missing = QDir(dir).filePath(QStringLiteral("senza.sleevane"));
    WriteDesignFile(missing, lost);
    const QString pdf = QDir(dir).filePath(QStringLiteral("out.pdf"));

    struct Row {
        QStringList arguments;
        QString saying;
    };
    const Row rows[] = {
        {{QStringLiteral("--pdf"), damaged, pdf},
         QStringLiteral("%1: front.angle: 30 is not a multiple of 45").arg(damaged)},
        {{QStringLiteral("--pdf"), QDir(dir).filePath(QStringLiteral("nessuna.sleevane")), pdf},
         QStringLiteral("nessuna.sleevane")},
        {{QStringLiteral("--pdf"), missing, pdf},
         QStringLiteral("%1: rear picture: Cannot open file %2").arg(missing, lost.rearPicture)},
        {{QStringLiteral("--print"), good, QStringLiteral("--printer"), QStringLiteral("Nessuna")},
         QStringLiteral("unknown printer Nessuna")},
        {{QStringLiteral("--pdf"), good, QDir(dir).filePath(QStringLiteral("no/such/out.pdf"))},
         good + QStringLiteral(": ")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        const TRun run = Sleevane(row.arguments);
        EXPECT_EQ(run.exitCode, 1);
        ExpectOneLine(run, row.saying);
        EXPECT_FALSE(QFile::exists(pdf));
    }
}

// Designs printed one after the other on a queue of the tests' print server; a queue
// that refuses jobs fails them.
TEST(CommandLine, PrintSendsEachDesignToTheQueue) {
    REQUIRE_PRINT_SERVER();
    const QString dir = TestTempDir();
    // Each job goes by its design's name.
    QStringList titles, designs;
    for (const char* stem : {"cliuno", "clidue"}) {
        titles << UniqueJobTitle(stem);
        designs << QDir(dir).filePath(titles.last() + QStringLiteral(".sleevane"));
        WriteDesignFile(designs.last(), FullCover(dir));
    }
    TRun run = Sleevane(QStringList{QStringLiteral("--print")} + designs +
                        QStringList{QStringLiteral("--printer"), PdfQueue()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    for (const QString& title : titles) {
        const QString printed = WaitForQueueOutput(title);
        ASSERT_FALSE(printed.isEmpty()) << title.toStdString();
        EXPECT_EQ(PdfPageCount(printed), 1);
    }

    run = Sleevane(
        {QStringLiteral("--print"), designs[0], QStringLiteral("--printer"), ClosedQueue()});
    EXPECT_EQ(run.exitCode, 1);
    ExpectOneLine(run, designs[0] + QStringLiteral(": "));
}

} // namespace
