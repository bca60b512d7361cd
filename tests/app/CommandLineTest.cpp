// The program run from the command line as a user runs it: --pdf writes the page that
// "Stampa" prints for the same design, --print sends designs one after the other to a
// queue, and wrong usage and failures end with their exit codes and one line each.
#include "EditorFixture.h"

#include "app/DesignDocument.h"
#include "app/DesignFile.h"
#include "framework/core/Limits.h"
#include "support/ResourceUse.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <sys/resource.h>

namespace {

struct TRun {
    int exitCode = -1;
    QString out, err;
};

// As from a terminal without a display (no window may be needed), with these variables.
TRun Sleevane(const QStringList& arguments, const QStringList& variables = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    for (const QString& v : variables)
        env.insert(v.section(QLatin1Char('='), 0, 0), v.section(QLatin1Char('='), 1));
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

// The help, a usage error and a failed run speak the locale's language, and only it;
// under the C locale the texts are as written. Exit codes are the same in every language.
TEST(CommandLine, SpeaksTheLocalesLanguage) {
    const QDir dir(TestTempDir());
    const QString missing = dir.filePath(QStringLiteral("manca.sleevane"));
    const QString design = dir.filePath(QStringLiteral("stessa.sleevane"));
    QFile(design).open(QIODevice::WriteOnly);
    struct Row {
        const char* locale;
        const char *help, *usage, *failure; // what this language says
        const char* other;                  // what the other language would say
    };
    const Row rows[] = {
        {"it_IT.UTF-8", "Uso: sleevane [PROGETTO]", "--copies vuole un numero (sleevane --help",
         "il file PDF sostituirebbe il progetto", "Usage|Exit status|needs a|shows the|Cannot"},
        {"en_US.UTF-8", "Usage: sleevane [DESIGN]", "--copies needs a number (sleevane --help",
         "the PDF file would replace the design", "Uso|Stato d'uscita|vuole un|mostra|Impossibile"},
        {"C", "Usage: sleevane [DESIGN]", "--copies needs a number (sleevane --help",
         "the PDF file would replace the design", "Uso|Stato d'uscita|vuole un|mostra|Impossibile"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.locale);
        const QString locale = QLatin1String(row.locale);
        const QStringList variables = {QStringLiteral("LC_ALL=") + locale,
                                       QStringLiteral("LANG=") + locale,
                                       QStringLiteral("LANGUAGE=")};
        const QRegularExpression other(QLatin1String(row.other));
        const TRun help = Sleevane({QStringLiteral("--help")}, variables);
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.startsWith(QLatin1String(row.help))) << help.out.toStdString();
        EXPECT_FALSE(help.out.contains(other)) << help.out.toStdString();
        const TRun usage = Sleevane({QStringLiteral("--copies")}, variables);
        EXPECT_EQ(usage.exitCode, 2);
        ExpectOneLine(usage, QLatin1String(row.usage));
        const TRun same = Sleevane({QStringLiteral("--pdf"), design, design}, variables);
        EXPECT_EQ(same.exitCode, 1);
        ExpectOneLine(same, design + QStringLiteral(": ") + QLatin1String(row.failure));
        // The design file's own reader words the reason of a missing design.
        const TRun lost = Sleevane(
            {QStringLiteral("--pdf"), missing, dir.filePath(QStringLiteral("out.pdf"))}, variables);
        EXPECT_EQ(lost.exitCode, 1);
        ExpectOneLine(lost, missing);
        for (const TRun* run : {&usage, &same, &lost})
            EXPECT_FALSE(run->err.contains(other)) << run->err.toStdString();
    }
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
        // A typo that would write the PDF over the design.
        {{QStringLiteral("--pdf"), good, good},
         good + QStringLiteral(": the PDF file would replace the design itself")},
    };
    const QByteArray before = [&] {
        QFile f(good);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        const TRun run = Sleevane(row.arguments);
        EXPECT_EQ(run.exitCode, 1);
        ExpectOneLine(run, row.saying);
        EXPECT_FALSE(QFile::exists(pdf));
    }
    QFile kept(good);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), before);
    // A display that is not there: one line, not Qt's page of advice.
    const TRun editor = Sleevane({good}, {QStringLiteral("DISPLAY=:4711")});
    EXPECT_EQ(editor.exitCode, 1);
    ExpectOneLine(editor, QStringLiteral("the display :4711 cannot be opened"));
}

// With a print server that never answers, or answers once and then stalls: --pdf never
// asks it anything, --print ends with one line naming it, within a bound far above the
// program's own wait.
TEST(CommandLine, StallingPrintServerStopsOnlyPrinting) {
    const QString dir = TestTempDir();
    const QString design = QDir(dir).filePath(QStringLiteral("copertina.sleevane"));
    WriteDesignFile(design, FullCover(dir));
    for (const auto mode :
         {SilentPrintServer::TMode::Silent, SilentPrintServer::TMode::AnswersOnce}) {
        SCOPED_TRACE(mode == SilentPrintServer::TMode::Silent ? "silent" : "answers once");
        SilentPrintServer server(mode);
        ASSERT_FALSE(server.Address().isEmpty());
        const QString variable = QStringLiteral("CUPS_SERVER=") + server.Address();
        const QString pdf = QDir(dir).filePath(QStringLiteral("foglio.pdf"));
        const TRun written = Sleevane({QStringLiteral("--pdf"), design, pdf}, {variable});
        EXPECT_EQ(written.exitCode, 0) << written.err.toStdString();
        EXPECT_EQ(PdfPageCount(pdf), 1);
        QElapsedTimer clock;
        clock.start();
        const TRun printed = Sleevane({QStringLiteral("--print"), design}, {variable});
        EXPECT_LT(clock.elapsed(), 6 * kMaxPrintServerWaitMs);
        EXPECT_EQ(printed.exitCode, 1);
        ExpectOneLine(printed,
                      QStringLiteral("The print server %1 does not answer").arg(server.Address()));
        server.Stop();
        // Only --print reached it.
        EXPECT_GE(server.Connections(), 1);
        EXPECT_LE(server.Connections(), 2);
    }
}

// Running out of memory while a design prints is one line and exit 1: the error hooks of
// the run are gone with it, and nothing else is said.
TEST(CommandLine, OutOfMemoryIsOneLine) {
    if (UnderSanitizer()) GTEST_SKIP() << "the sanitizers reserve more address space than the cap";
    const QString dir = TestTempDir();
    TCoverDesign endless = FullCover(dir);
    endless.frontPicture = QDir(dir).filePath(QStringLiteral("zero.jpg"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), endless.frontPicture));
    const QString design = QDir(dir).filePath(QStringLiteral("senza fine.sleevane"));
    WriteDesignFile(design, endless);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(v));
    p.setProcessEnvironment(env);
    p.setChildProcessModifier([] {
        const rlimit cap{768u << 20, 768u << 20};
        ::setrlimit(RLIMIT_AS, &cap);
    });
    p.start(QStringLiteral(SLEEVANE_PROGRAM),
            {QStringLiteral("--pdf"), design, QDir(dir).filePath(QStringLiteral("out.pdf"))});
    ASSERT_TRUE(p.waitForFinished(120000));
    TRun run;
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    run.err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(run.exitCode, 1);
    ExpectOneLine(run, design);
}

// A one-design print asks the server for the queues, the queue's description, whether it
// takes jobs, and hands the job over: a handful of requests, as the server's own tools
// make.
TEST(CommandLine, PrintAsksThePrintServerAFewThings) {
    REQUIRE_PRINT_SERVER();
    const QString log = QFileInfo(qEnvironmentVariable("CUPS_SERVER")).absolutePath() +
                        QStringLiteral("/log/access_log");
    auto lines = [&] {
        QFile f(log);
        return f.open(QIODevice::ReadOnly) ? f.readAll().count('\n') : -1;
    };
    // The log is the server's: other tests printing at the same moment write to it too, so
    // the fewest lines of three jobs is the one that counts.
    const QString dir = TestTempDir();
    qsizetype fewest = -1;
    for (int attempt = 0; attempt < 3 && (fewest < 0 || fewest > 6); ++attempt) {
        const QString title = UniqueJobTitle("richieste");
        const QString design = QDir(dir).filePath(title + QStringLiteral(".sleevane"));
        WriteDesignFile(design, FullCover(dir));
        const qsizetype before = lines();
        ASSERT_GE(before, 0) << log.toStdString();
        const TRun run = Sleevane({QStringLiteral("--print"), design});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const qsizetype asked = lines() - before;
        ASSERT_FALSE(WaitForQueueOutput(title).isEmpty());
        fewest = fewest < 0 ? asked : std::min(fewest, asked);
    }
    EXPECT_LE(fewest, 6);
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
