// The report-file tool run as a user runs it: its answers, its pictures and PDF files,
// the files it writes again, and its exit codes.

#include "report/RppIndependent.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

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
    for (const char* command : {"info FILE", "render FILE PAGE OUT.png", "pdf FILE OUT.pdf",
                                "pack FILE OUT", "unpack FILE OUT", "--dpi N"})
        EXPECT_TRUE(r.out.contains(QLatin1String(command))) << command;
    EXPECT_TRUE(r.err.isEmpty());
}

// Reading report files asks nothing of the print server: with one that takes connections
// and never answers, every command on a one-page file still ends at once.
TEST(RppTool, NeverWaitsOnThePrintServer) {
    const SilentPrintServer server;
    ASSERT_FALSE(server.Address().isEmpty());
    const QString dir = TestTempDir(), one = TestData(QStringLiteral("rpp/one-page.rpp"));
    const QStringList commands[] = {
        {QStringLiteral("info"), one},
        {QStringLiteral("render"), one, QStringLiteral("1"), dir + QStringLiteral("/p.png")},
        {QStringLiteral("pdf"), one, dir + QStringLiteral("/p.pdf")},
        {QStringLiteral("pack"), one, dir + QStringLiteral("/packed.rpp")},
        {QStringLiteral("unpack"), dir + QStringLiteral("/packed.rpp"), dir + QStringLiteral("/plain.rpp")},
    };
    for (const QStringList& args : commands) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        QElapsedTimer clock;
        clock.start();
        const Outcome r = Tool(args, server.Address());
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_LT(clock.elapsed(), 1000);
    }
    EXPECT_EQ(ReadAll(dir + QStringLiteral("/plain.rpp")).size(), ReadAll(one).size());
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
          TestTempDir() + QStringLiteral("/x.png"), QStringLiteral("--dpi"), QStringLiteral("1600")},
         QStringLiteral("13233 x 18716 pixels is too large a picture")},
        {{QStringLiteral("pdf"), TestData(QStringLiteral("rpp/no-pages.rpp")),
          TestTempDir() + QStringLiteral("/x.pdf")},
         QStringLiteral("the file has no pages")},
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
    const Outcome empty = Tool({QStringLiteral("info"), TestData(QStringLiteral("rpp/no-pages.rpp"))});
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

} // namespace
