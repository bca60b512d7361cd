// The report-file tool run as a user runs it: its answers, its pictures and PDF files,
// the files it writes again, and its exit codes.

#include "framework/EmfBuilder.h"
#include "framework/core/Limits.h"
#include "report/RppIndependent.h"
#include "support/ResourceUse.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

struct Outcome {
    int code = -1;
    QString out, err;
};

Outcome Tool(const QStringList& args, const QString& printServer = QString()) {
    QProcess p;
    if (!printServer.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CUPS_SERVER"), printServer);
        p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(RPPTOOL), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QByteArray ReadAll(const QString& name) {
    QFile f(name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
}

QString Three() {
    return TestData(QStringLiteral("rpp/three-pages.rpp"));
}

// Page n of the test files has n black boxes, 40 rows each, at x 40 to 139.
int BoxRows(const QImage& image, int x) {
    int rows = 0;
    for (int y = 0; y < image.height(); ++y)
        rows += qGray(image.pixel(x, y)) < 60;
    return rows;
}

TEST(RppTool, Help) {
    const Outcome r = Tool({QStringLiteral("--help")});
    EXPECT_EQ(r.code, 0);
    for (const char* command :
         {"info FILE", "render FILE PAGE OUT.png", "pdf FILE OUT.pdf", "pack FILE OUT",
          "unpack FILE OUT", "--dpi N", "print FILE [--printer NAME] [--copies N] [--pages A-B]",
          "exit status: 0", "2 wrong usage"})
        EXPECT_TRUE(r.out.contains(QLatin1String(command))) << command;
    EXPECT_TRUE(r.err.isEmpty());
}

// Reading report files asks nothing of the print server: with one that takes connections
// and never answers, every command on a one-page file ends, and none reached the server.
TEST(RppTool, NeverWaitsOnThePrintServer) {
    SilentPrintServer server;
    ASSERT_FALSE(server.Address().isEmpty());
    const QString dir = TestTempDir(), one = TestData(QStringLiteral("rpp/one-page.rpp"));
    const QStringList commands[] = {
        {QStringLiteral("info"), one},
        {QStringLiteral("render"), one, QStringLiteral("1"), dir + QStringLiteral("/p.png")},
        {QStringLiteral("pdf"), one, dir + QStringLiteral("/p.pdf")},
        {QStringLiteral("pack"), one, dir + QStringLiteral("/packed.rpp")},
        {QStringLiteral("unpack"), dir + QStringLiteral("/packed.rpp"),
         dir + QStringLiteral("/plain.rpp")},
    };
    for (const QStringList& args : commands) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const Outcome r = Tool(args, server.Address());
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
    }
    server.Stop();
    EXPECT_EQ(server.Connections(), 0);
    EXPECT_EQ(ReadAll(dir + QStringLiteral("/plain.rpp")).size(), ReadAll(one).size());
}

// Reading report files maps neither Qt's widgets nor its print support: the tool does not
// link them (ldd), and nothing loads them on the way (the dynamic loader's own account).
TEST(RppTool, ReadingLoadsNeitherWidgetsNorPrintSupport) {
    const char* const kUnwanted[] = {"libQt6Widgets", "libQt6PrintSupport"};
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(RPPTOOL)});
    ASSERT_TRUE(ldd.waitForFinished(60000));
    const QString linked = QString::fromLocal8Bit(ldd.readAllStandardOutput());
    ASSERT_TRUE(linked.contains(QLatin1String("libQt6Gui"))) << linked.toStdString();
    for (const char* lib : kUnwanted)
        EXPECT_FALSE(linked.contains(QLatin1String(lib))) << lib;
    const QString one = TestData(QStringLiteral("rpp/one-page.rpp"));
    const QStringList commands[] = {
        {QStringLiteral("info"), one},
        {QStringLiteral("render"), one, QStringLiteral("1"),
         TestTempDir() + QStringLiteral("/p.png")},
    };
    for (const QStringList& args : commands) {
        SCOPED_TRACE(args.constFirst().toStdString());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(RPPTOOL), args);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0);
        const QString loaded = QString::fromLocal8Bit(p.readAllStandardError());
        ASSERT_TRUE(loaded.contains(QLatin1String("file=libQt6Gui"))) << "no loader account";
        for (const char* lib : kUnwanted)
            EXPECT_FALSE(loaded.contains(QLatin1String(lib))) << lib;
    }
}

// Printing with a server that never answers, or answers once and then stalls, ends with
// one line naming the server, within a bound far above the tool's own wait.
TEST(RppTool, PrintGivesUpOnAServerThatStalls) {
    for (const auto mode :
         {SilentPrintServer::TMode::Silent, SilentPrintServer::TMode::AnswersOnce}) {
        SCOPED_TRACE(mode == SilentPrintServer::TMode::Silent ? "silent" : "answers once");
        SilentPrintServer server(mode);
        ASSERT_FALSE(server.Address().isEmpty());
        QElapsedTimer clock;
        clock.start();
        const Outcome r =
            Tool({QStringLiteral("print"), TestData(QStringLiteral("rpp/one-page.rpp"))},
                 server.Address());
        EXPECT_LT(clock.elapsed(), 6 * kMaxPrintServerWaitMs);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(
            r.err,
            QStringLiteral("rpptool: The print server %1 does not answer\n").arg(server.Address()));
        server.Stop();
        EXPECT_GE(server.Connections(), 1);
    }
}

TEST(RppTool, WrongUsageExitsWithTwo) {
    const QStringList cases[] = {
        {},
        {QStringLiteral("show"), Three()},
        {QStringLiteral("info")},
        {QStringLiteral("render"), Three(), QStringLiteral("two"), QStringLiteral("x.png")},
        {QStringLiteral("render"), Three(), QStringLiteral("1"), QStringLiteral("x.png"),
         QStringLiteral("--dpi")},
        {QStringLiteral("render"), Three(), QStringLiteral("1"), QStringLiteral("x.png"),
         QStringLiteral("--dpi"), QStringLiteral("0")},
        {QStringLiteral("pack"), Three()},
        {QStringLiteral("print")},
        {QStringLiteral("print"), Three(), QStringLiteral("--copies"), QStringLiteral("0")},
        {QStringLiteral("print"), Three(), QStringLiteral("--pages"), QStringLiteral("3-2")},
        {QStringLiteral("print"), Three(), QStringLiteral("--pages"), QStringLiteral("x")},
        {QStringLiteral("print"), Three(), QStringLiteral("--printer")},
        {QStringLiteral("print"), Three(), Three()},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const Outcome r = Tool(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("rpptool: "))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("usage: rpptool")));
    }
}

TEST(RppTool, BadInputExitsWithOneAndOneLine) {
    const QString missing = TestTempDir() + QStringLiteral("/missing.rpp");
    const std::pair<QStringList, QString> cases[] = {
        {{QStringLiteral("info"), missing}, QStringLiteral("Cannot open file ") + missing},
        {{QStringLiteral("info"), TestData(QStringLiteral("bad/rpp/cut-short.rpp"))},
         QStringLiteral("The link at offset 528 points outside the report file")},
        {{QStringLiteral("pdf"), TestData(QStringLiteral("bad/rpp/wrong-mark.rpp")),
          TestTempDir() + QStringLiteral("/x.pdf")},
         QStringLiteral("Not a report file")},
        {{QStringLiteral("render"), Three(), QStringLiteral("4"),
          TestTempDir() + QStringLiteral("/x.png")},
         QStringLiteral("the file has no page 4 (it has 3)")},
        // Past the program's cap on one picture (A4 at 1600 dpi: 248 million pixels).
        {{QStringLiteral("render"), Three(), QStringLiteral("1"),
          TestTempDir() + QStringLiteral("/x.png"), QStringLiteral("--dpi"),
          QStringLiteral("1600")},
         QStringLiteral("13233 x 18716 pixels is too large a picture")},
        {{QStringLiteral("pdf"), TestData(QStringLiteral("rpp/no-pages.rpp")),
          TestTempDir() + QStringLiteral("/x.pdf")},
         QStringLiteral("the file has no pages")},
        {{QStringLiteral("print"), Three(), QStringLiteral("--printer"),
          QStringLiteral("no-such-queue")},
         QStringLiteral("There is no printer named \"no-such-queue\"")},
        {{QStringLiteral("print"), missing}, QStringLiteral("Cannot open file ") + missing},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const Outcome r = Tool(args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, QStringLiteral("rpptool: ") + message + QLatin1Char('\n'));
        EXPECT_TRUE(r.out.isEmpty());
    }
}

// The test file's pages are 794 x 1123 pixels at 96 dpi: a frame of 21008 x 29713
// hundredths of a millimetre, held inclusive as 0 .. 21007 and 0 .. 29712.
TEST(RppTool, Info) {
    const Outcome r = Tool({QStringLiteral("info"), Three()});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QStringLiteral("pages: 3\n"
                                    "compressed: no\n"
                                    "paper: A4 Small 210 x 297 mm, portrait\n"
                                    "page 1: 794 x 1123 pixels, 210.1 x 297.1 mm\n"
                                    "page 2: 794 x 1123 pixels, 210.1 x 297.1 mm\n"
                                    "page 3: 794 x 1123 pixels, 210.1 x 297.1 mm\n"));
    const Outcome packed =
        Tool({QStringLiteral("info"), TestData(QStringLiteral("rpp/three-pages-packed.rpp"))});
    EXPECT_TRUE(packed.out.contains(QStringLiteral("compressed: yes\n")));
    const Outcome turned =
        Tool({QStringLiteral("info"), TestData(QStringLiteral("rpp/letter-landscape.rpp"))});
    EXPECT_TRUE(turned.out.contains(QStringLiteral("paper: Note 8 1/2 x 11 in, landscape\n")))
        << turned.out.toStdString();
    const Outcome empty =
        Tool({QStringLiteral("info"), TestData(QStringLiteral("rpp/no-pages.rpp"))});
    EXPECT_EQ(empty.out, QStringLiteral("pages: 0\ncompressed: no\npaper: none (no pages)\n"));
}

TEST(RppTool, Render) {
    const QString out = TestTempDir() + QStringLiteral("/page2.png");
    Outcome r = Tool({QStringLiteral("render"), Three(), QStringLiteral("2"), out});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    QImage image(out);
    ASSERT_EQ(image.size(), QSize(794, 1123));
    EXPECT_EQ(BoxRows(image, 90), 80);
    EXPECT_EQ(qRound(image.dotsPerMeterX() * 0.0254), 96);

    // At 192 dpi everything doubles: 21007 / 2540 x 192 = 1587.9, 29712 likewise 2245.9.
    r = Tool({QStringLiteral("render"), Three(), QStringLiteral("3"), out, QStringLiteral("--dpi"),
              QStringLiteral("192")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    image.load(out);
    ASSERT_EQ(image.size(), QSize(1588, 2246));
    EXPECT_EQ(BoxRows(image, 180), 3 * 80);
}

TEST(RppTool, Pdf) {
    const QString out = TestTempDir() + QStringLiteral("/pages.pdf");
    const Outcome r = Tool({QStringLiteral("pdf"), Three(), out});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QByteArray pdf = ReadAll(out);
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "),
              3);
    // Drawn again by another program, page 2 shows its two boxes.
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty()) GTEST_SKIP() << "pdftoppm is not installed";
    QProcess p;
    const QString prefix = TestTempDir() + QStringLiteral("/drawn");
    p.start(pdftoppm, {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-f"),
                       QStringLiteral("2"), QStringLiteral("-l"), QStringLiteral("2"),
                       QStringLiteral("-png"), QStringLiteral("-singlefile"), out, prefix});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QImage page(prefix + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(page.width(), 794, 1);
    EXPECT_NEAR(BoxRows(page, 90), 80, 2);
}

TEST(RppTool, PackAndUnpack) {
    const QString packed = TestTempDir() + QStringLiteral("/packed.rpp");
    const QString unpacked = TestTempDir() + QStringLiteral("/unpacked.rpp");
    EXPECT_EQ(Tool({QStringLiteral("pack"), Three(), packed}).code, 0);
    EXPECT_EQ(Tool({QStringLiteral("unpack"), packed, unpacked}).code, 0);
    const independent::Read original = independent::ReadFile(ReadAll(Three()));
    const independent::Read coded = independent::ReadFile(ReadAll(packed));
    const independent::Read plain = independent::ReadFile(ReadAll(unpacked));
    ASSERT_TRUE(coded.fault.isEmpty()) << coded.fault.toStdString();
    ASSERT_TRUE(plain.fault.isEmpty()) << plain.fault.toStdString();
    EXPECT_TRUE(coded.compressed);
    EXPECT_FALSE(plain.compressed);
    EXPECT_EQ(coded.pages, original.pages);
    EXPECT_EQ(plain.pages, original.pages);
    // Plain again, the file is the original but for the date it was written.
    QByteArray a = ReadAll(Three()), b = ReadAll(unpacked);
    ASSERT_EQ(a.size(), b.size());
    a.replace(12, 8, QByteArray(8, '\0'));
    b.replace(12, 8, QByteArray(8, '\0'));
    EXPECT_EQ(a, b);
}

// ---- Hostile files -------------------------------------------------------------------

// Pages of 794 x 1123 reference pixels (79.4 x 112.3 mm) that hold far more than any page
// needs, each in a report file of its own.
QByteArray OnePage(const EmfBuilder& page) {
    return independent::Write({page.Finish(794, 1123)}, false);
}

QByteArray ClipHoles(int n) {
    EmfBuilder page;
    for (int i = 0; i < n; ++i) { // EMR_EXCLUDECLIPRECT: a hole of 2 x 2 somewhere
        const int x = i * 7 % 790, y = i * 13 % 1120;
        page.Add(29, {x, y, x + 2, y + 2});
    }
    page.Add(43, {0, 0, 794, 1123}); // EMR_RECTANGLE
    return OnePage(page);
}

QByteArray FullPageRectangles(int n) {
    EmfBuilder page;
    page.Add(39, {1, 0, 0x0000FF, 0}).Add(37, {1}); // a red brush, selected
    for (int i = 0; i < n; ++i)
        page.Add(43, {0, 0, 794, 1123});
    return OnePage(page);
}

// One polyline of n points zigzagging across the page under a pen 40 units wide.
QByteArray WidePolyline(int n) {
    EmfBuilder page;
    page.Add(38, {1, 0, 40, 0, 0}).Add(37, {1}); // EMR_CREATEPEN, selected
    QByteArray points;
    for (int i = 0; i < n; ++i)
        for (int v : {i * 37 % 790, i * 91 % 1120}) {
            const auto u = static_cast<uint16_t>(v);
            points += static_cast<char>(u & 0xFF);
            points += static_cast<char>(u >> 8);
        }
    page.Add(87, {0, 0, 794, 1123, n}, points); // EMR_POLYLINE16
    return OnePage(page);
}

QByteArray TinyPages(int n) {
    const QByteArray page = EmfBuilder().Finish(10, 10);
    return independent::Write(std::vector<QByteArray>(static_cast<size_t>(n), page), false);
}

QByteArray File(const char* name) {
    return ReadAll(TestData(QStringLiteral("bad/rpp/%1").arg(QLatin1String(name))));
}

// Every command ends by itself within its time and memory, with 0 (done) or 1 (refused, in
// one line saying why) and nothing else on standard error. One test a row: each has the
// whole of a test's time, under the sanitizers too.
struct HostileCase {
    const char* name;
    std::function<QByteArray()> make;
    const char* command; // info, render (page 1 at 300 dpi) or pdf
    int code;
    const char* error; // after "rpptool: "
};

const std::vector<HostileCase>& HostileCases() {
    static const std::vector<HostileCase> cases = {
        {"clip-holes", [] { return ClipHoles(100000); }, "render", 0, ""},
        {"clip-holes", [] { return ClipHoles(100000); }, "pdf", 0, ""},
        {"rectangles", [] { return FullPageRectangles(100000); }, "render", 0, ""},
        {"rectangles", [] { return FullPageRectangles(100000); }, "pdf", 0, ""},
        {"polyline", [] { return WidePolyline(1000000); }, "render", 0, ""},
        {"polyline", [] { return WidePolyline(1000000); }, "pdf", 0, ""},
        {"tiny-pages", [] { return TinyPages(10000); }, "info", 0, ""},
        {"tiny-pages", [] { return TinyPages(10000); }, "pdf", 0, ""},
        {"found-page-font-width", [] { return File("found-page-font-width.rpp"); }, "render", 0,
         ""},
        {"found-page-font-width-64255", [] { return File("found-page-font-width-64255.rpp"); },
         "render", 0, ""},
        {"page-font-width-world-transform",
         [] { return File("page-font-width-world-transform.rpp"); }, "pdf", 0, ""},
        // 528902 hundredths of a millimetre at 300 dpi: 62469 pixels a side.
        {"found-page-frame-at-render-limit",
         [] { return File("found-page-frame-at-render-limit.rpp"); }, "render", 1,
         "62469 x 62469 pixels is too large a picture"},
        {"found-page-frame-sliver", [] { return File("found-page-frame-sliver.rpp"); }, "render", 1,
         "31 x 118110236 pixels is too large a picture"},
        {"page-frame-tall", [] { return File("page-frame-tall.rpp"); }, "render", 1,
         "248 x 236220 pixels is too large a picture"},
        {"page-frame-largest", [] { return File("page-frame-largest.rpp"); }, "info", 0, ""},
        {"page-metafile-not-valid", [] { return File("page-metafile-not-valid.rpp"); }, "pdf", 1,
         "page 2: Metafile is not valid"},
        {"page-metafile-not-valid", [] { return File("page-metafile-not-valid.rpp"); }, "info", 1,
         "page 2: Metafile is not valid"},
    };
    return cases;
}

class HostileFilesEndInTimeWithOneLineAtMost : public testing::TestWithParam<size_t> {};

TEST_P(HostileFilesEndInTimeWithOneLineAtMost, Row) {
    // Far above what a row takes (a second or two), for a busy machine and the sanitizers.
    constexpr double kSeconds = 10;
    constexpr int64_t kBytes = 1LL << 30;
    const HostileCase& c = HostileCases().at(GetParam());
    const double seconds = UnderSanitizer() ? 6 * kSeconds : kSeconds;
    const QString in = TestTempDir() + QStringLiteral("/hostile.rpp");
    QFile f(in);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(c.make());
    f.close();
    QStringList args = {QLatin1String(c.command), in};
    if (QLatin1String(c.command) == QLatin1String("render"))
        args << QStringLiteral("1") << TestTempDir() + QStringLiteral("/hostile.png")
             << QStringLiteral("--dpi") << QStringLiteral("300");
    else if (QLatin1String(c.command) == QLatin1String("pdf"))
        args << TestTempDir() + QStringLiteral("/hostile.pdf");
    // Within the test's own time limit.
    const TResourceUse use =
        MeasureProgram(QStringLiteral(RPPTOOL), args, std::min(3 * seconds, 100.0));
    ASSERT_TRUE(use.ran) << "signal " << use.signal << (use.timedOut ? ", timed out" : "");
    EXPECT_EQ(use.result, c.code);
    const QString error =
        *c.error ? QStringLiteral("rpptool: %1\n").arg(QLatin1String(c.error)) : QString();
    EXPECT_EQ(use.errorOutput, error);
    EXPECT_LT(use.cpuSeconds, seconds);
    EXPECT_LT(use.peakBytes, UnderSanitizer() ? kBytes * 3 / 2 : kBytes);
    RecordProperty(std::string(c.name) + "-" + c.command + "-ms",
                   static_cast<int>(use.seconds * 1000));
}

INSTANTIATE_TEST_SUITE_P(RppTool, HostileFilesEndInTimeWithOneLineAtMost,
                         testing::Range<size_t>(0, HostileCases().size()),
                         [](const testing::TestParamInfo<size_t>& info) {
                             const HostileCase& c = HostileCases().at(info.param);
                             std::string name = std::string(c.name) + "_" + c.command;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace

// Printing hands the job to the queue: the queue's PDF has the pages asked for. A queue
// that refuses jobs is a one-line failure naming it.
TEST(RppTool, PrintHandsTheJobToTheQueue) {
    REQUIRE_PRINT_SERVER();
    const QString title = UniqueJobTitle("rpptool");
    const QString file = TestTempDir() + QLatin1Char('/') + title + QStringLiteral(".rpp");
    ASSERT_TRUE(QFile::copy(Three(), file));
    const Outcome r = Tool({QStringLiteral("print"), file, QStringLiteral("--printer"), PdfQueue(),
                            QStringLiteral("--pages"), QStringLiteral("2-3"),
                            QStringLiteral("--copies"), QStringLiteral("2")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    const QString pdf = WaitForQueueOutput(title);
    ASSERT_EQ(PdfPageCount(pdf), 2);
    // Page n of the file has n boxes of 40 rows (a row more or less at each edge once printed).
    EXPECT_NEAR(BoxRows(RenderPdfPage(pdf, 1, 96), 90), 80, 6);
    EXPECT_NEAR(BoxRows(RenderPdfPage(pdf, 2, 96), 90), 120, 6);

    const Outcome closed =
        Tool({QStringLiteral("print"), file, QStringLiteral("--printer"), ClosedQueue()});
    EXPECT_EQ(closed.code, 1);
    EXPECT_TRUE(closed.err.startsWith(QStringLiteral("rpptool: The printer ") + ClosedQueue()))
        << closed.err.toStdString();
    EXPECT_EQ(closed.err.count(QLatin1Char('\n')), 1);
}
