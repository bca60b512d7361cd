// The framework's printers: the print server's queues and the PDF file printer, their
// capabilities, device modes and jobs, printed for real and read back from the PDF files.
#include "framework/printing/Printers.h"

#include "framework/core/SysUtils.h"
#include "framework/printing/PrintServer.h"
#include "framework/widgets/Dialogs.h"
#include "support/FormTestSupport.h"
#include "support/TestSupport.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace {

// A printer with the named queue (or the PDF printer) selected.
std::unique_ptr<TPrinter> PrinterFor(const QString& name) {
    auto p = std::make_unique<TPrinter>();
    p->SetPrinterName(name);
    return p;
}

// A black square of side `side` pixels at (x, y) of the page's device context.
void Square(TPrinter& p, int x, int y, int side) {
    p.Handle()->FillRect(QRect(x, y, side, side), TBrushData{bsSolid, clBlack});
}

// Restores the question for PDF files when a test has replaced it.
struct QuestionGuard {
    TOutputFileQuestion saved = SetOutputFileQuestion(nullptr);
    ~QuestionGuard() { SetOutputFileQuestion(saved); }
};

} // namespace

TEST(Printers, ListEndsWithThePdfPrinterAndHoldsTheQueues) {
    REQUIRE_PRINT_SERVER();
    TPrinter p;
    ASSERT_FALSE(p.Printers().isEmpty());
    EXPECT_EQ(p.Printers().last(), QStringLiteral("Print to PDF file"));
    EXPECT_TRUE(p.Printers().contains(PdfQueue()));
    EXPECT_TRUE(p.Printers().contains(MarginsQueue()));
    // The tests' server makes the PDF queue its default; -1 selects it.
    p.SetPrinterIndex(-1);
    EXPECT_EQ(p.DeviceName(), PdfQueue());
    EXPECT_EQ(p.PortName(), QStringLiteral("cups-pdf:/") + PdfQueue());
    EXPECT_FALSE(p.IsPdfPrinter());
}

TEST(Printers, BadSelectionsAreRefusedAndKeepTheSelection) {
    REQUIRE_PRINT_SERVER();
    TPrinter p;
    p.SetPrinterName(MarginsQueue());
    const int index = p.PrinterIndex();
    try {
        p.SetPrinterName(QStringLiteral("no-such-queue"));
        FAIL() << "an unknown name was taken";
    } catch (const EPrinter& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("no-such-queue")))
            << e.Message().toStdString();
    }
    EXPECT_THROW(p.SetPrinterIndex(static_cast<int>(p.Printers().size())), EPrinter);
    EXPECT_THROW(p.SetPrinterIndex(-2), EPrinter);
    EXPECT_EQ(p.PrinterIndex(), index);
    EXPECT_EQ(p.DeviceName(), MarginsQueue());
}

TEST(Printers, QueueCapabilitiesComeFromItsDescription) {
    REQUIRE_PRINT_SERVER();
    auto p = PrinterFor(MarginsQueue());
    EXPECT_EQ(p->Resolution(), 600);
    // Letter 1, A4 9, Note 18; no sizes of any length.
    EXPECT_EQ(p->PaperCodes(), (QList<int>{1, 9, 18}));
    EXPECT_TRUE(p->SupportsDuplex());
    QList<int> sources;
    for (const TPaperSource& s : p->PaperSources())
        sources << s.code;
    EXPECT_EQ(sources,
              (QList<int>{DMBIN_AUTO, DMBIN_UPPER, DMBIN_LOWER, DMBIN_MANUAL, DMBIN_CASSETTE}));
    const TDeviceMode& m = p->DeviceMode();
    EXPECT_EQ(m.dmPaperSize, 9);
    EXPECT_EQ(m.dmDefaultSource, DMBIN_AUTO);
    EXPECT_EQ(m.dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(m.dmCopies, 1);
    EXPECT_TRUE(m.dmFields & DM_DUPLEX);
    EXPECT_TRUE(m.dmFields & DM_DEFAULTSOURCE);
    EXPECT_FALSE(m.dmFields & DM_PAPERWIDTH);
    // 12 pt and 14.4 pt at 600 dpi.
    EXPECT_EQ(p->PrintingOffset(), QPoint(100, 120));
    // The queue's A4 is 595 x 842 pt: 4958.3 x 7016.7 pixels.
    EXPECT_EQ(p->PhysicalPageSize(), QSize(4958, 7017));
    // Less 12 pt each side and 14.4 + 12 pt top and bottom (100 + 100, 120 + 100 px).
    EXPECT_EQ(p->PageWidth(), 4958 - 200);
    EXPECT_EQ(p->PageHeight(), 7017 - 220);
}

TEST(Printers, LandscapeTurnsOffsetsAndPage) {
    REQUIRE_PRINT_SERVER();
    auto p = PrinterFor(MarginsQueue());
    TDeviceMode m = p->DeviceMode();
    m.dmOrientation = DMORIENT_LANDSCAPE;
    p->SetDeviceMode(m);
    EXPECT_EQ(p->PhysicalPageSize(), QSize(7017, 4958));
    // The sheet turned: its top margin (120 px) is now on the left, its right (100 px)
    // at the top.
    EXPECT_EQ(p->PrintingOffset(), QPoint(120, 100));
}

TEST(Printers, DeviceModesThePrinterCannotTakeAreRefusedWhole) {
    REQUIRE_PRINT_SERVER();
    auto p = PrinterFor(MarginsQueue());
    const TDeviceMode before = p->DeviceMode();
    auto refused = [&](TDeviceMode m, const QString& part) {
        m.dmCopies = 3; // changed too, and must not stay
        try {
            p->SetDeviceMode(m);
            ADD_FAILURE() << "taken: " << part.toStdString();
        } catch (const EPrinter& e) {
            EXPECT_TRUE(e.Message().contains(part)) << e.Message().toStdString();
        }
        EXPECT_EQ(p->DeviceMode(), before);
    };
    TDeviceMode m = before;
    m.dmPaperSize = 10; // A4 small: not in this queue's list
    refused(m, MarginsQueue());
    m = before;
    m.dmPaperSize = DMPAPER_USER;
    m.dmPaperWidth = 1000;
    m.dmPaperLength = 1500;
    refused(m, QStringLiteral("100 x 150 mm"));
    m = before;
    m.dmOrientation = 3;
    refused(m, QStringLiteral("Orientation 3"));
    m = before;
    m.dmDuplex = 7;
    refused(m, QStringLiteral("Two-sided mode 7"));

    TDeviceMode zeroCopies = before;
    zeroCopies.dmCopies = 0;
    EXPECT_THROW(p->SetDeviceMode(zeroCopies), EPrinter);

    TDeviceMode letter = before;
    letter.dmPaperSize = 1;
    letter.dmDuplex = DMDUP_HORIZONTAL;
    p->SetDeviceMode(letter);
    EXPECT_EQ(p->DeviceMode(), letter);
    // Letter is 612 x 792 pt.
    EXPECT_EQ(p->PhysicalPageSize(), QSize(5100, 6600));
}

TEST(Printers, PdfPrinterTakesAnySizeButPrintsOneSided) {
    TPrinter p;
    p.SetPrinterName(TPrinter::PdfPrinterName());
    EXPECT_TRUE(p.IsPdfPrinter());
    EXPECT_EQ(p.PrinterIndex(), p.Printers().size() - 1);
    EXPECT_TRUE(p.PaperCodes().contains(9));
    EXPECT_TRUE(p.PaperCodes().contains(DMPAPER_USER));
    EXPECT_EQ(p.PrintingOffset(), QPoint(0, 0));
    TDeviceMode m = p.DeviceMode();
    m.dmPaperSize = DMPAPER_USER;
    m.dmPaperWidth = 1200;  // 120 x 120 mm: a PDF page of whole points, 340 x 340,
    m.dmPaperLength = 1200; // so 2833.3 pixels at 600 dpi
    p.SetDeviceMode(m);
    EXPECT_EQ(p.PhysicalPageSize(), QSize(2833, 2833));
    m.dmFields |= DM_DUPLEX;
    m.dmDuplex = DMDUP_VERTICAL;
    EXPECT_THROW(p.SetDeviceMode(m), EPrinter);
}

TEST(Printers, PdfJobWithAGivenFileDrawsFromThePaperCorner) {
    TPrinter p;
    p.SetPrinterName(TPrinter::PdfPrinterName());
    const QString file = TestTempDir() + QStringLiteral("/two.pdf");
    p.SetOutputFileName(file);
    p.SetTitle(QStringLiteral("Two pages"));
    p.BeginDoc();
    ASSERT_TRUE(p.Printing());
    EXPECT_EQ(p.PageNumber(), 1);
    EXPECT_EQ(p.Handle()->GetDeviceCaps(LOGPIXELSX), 600);
    EXPECT_EQ(p.Handle()->GetDeviceCaps(PHYSICALOFFSETX), 0);
    Square(p, 600, 1200, 300); // 1 inch across, 2 down, half an inch wide
    p.NewPage();
    EXPECT_EQ(p.PageNumber(), 2);
    Square(p, 1200, 600, 300);
    p.EndDoc();
    EXPECT_FALSE(p.Printing());
    ASSERT_EQ(PdfPageCount(file), 2);
    // At 150 dpi: 150, 300 and 75 pixels.
    const QImage one = RenderPdfPage(file, 1, 150);
    const QImage two = RenderPdfPage(file, 2, 150);
    EXPECT_EQ(InkBox(one), QRect(150, 300, 75, 75));
    EXPECT_EQ(InkBox(two), QRect(300, 150, 75, 75));
}

TEST(Printers, AbortLeavesNoFileAndAJobCanFollow) {
    TPrinter p;
    p.SetPrinterName(TPrinter::PdfPrinterName());
    const QString file = TestTempDir() + QStringLiteral("/aborted.pdf");
    p.SetOutputFileName(file);
    p.BeginDoc();
    Square(p, 0, 0, 100);
    p.Abort();
    EXPECT_TRUE(p.Aborted());
    EXPECT_FALSE(p.Printing());
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_THROW(p.NewPage(), EPrinter);
    EXPECT_THROW(p.EndDoc(), EPrinter);
    p.BeginDoc();
    EXPECT_FALSE(p.Aborted());
    EXPECT_THROW(p.SetPrinterIndex(0), EPrinter); // not during a job
    p.EndDoc();
    EXPECT_EQ(PdfPageCount(file), 1);
}

// A PDF file has no name until it is whole: while the job runs nothing is in its folder
// (a kill leaves nothing), and only the target is there once it ends.
TEST(Printers, PdfFileIsNamelessUntilWhole) {
    TPrinter p;
    p.SetPrinterName(TPrinter::PdfPrinterName());
    const QString dir = TestTempDir() + QStringLiteral("/nameless");
    ASSERT_TRUE(QDir().mkpath(dir));
    p.SetOutputFileName(dir + QStringLiteral("/sheet.pdf"));
    p.BeginDoc();
    Square(p, 0, 0, 100);
    p.NewPage();
    EXPECT_EQ(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());
    p.EndDoc();
    EXPECT_EQ(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("sheet.pdf")});
    EXPECT_EQ(PdfPageCount(dir + QStringLiteral("/sheet.pdf")), 2);
}

// A file named before that exists is replaced when the question says so; otherwise the
// user names another, the document's name proposed, and the old file stays. Without a
// question (a program without a window) the named file is replaced.
TEST(Printers, ExistingPdfFileIsReplacedOnlyWhenTheUserSaysSo) {
    QuestionGuard guard;
    const TReplaceQuestion savedReplace = SetReplaceQuestion(nullptr);
    struct Row {
        const char* name;
        bool asked, replace; // a replace question installed; its answer
        bool replaced;
    };
    for (const Row row : {Row{"yes", true, true, true}, Row{"no", true, false, false},
                          Row{"no question", false, false, true}}) {
        SCOPED_TRACE(row.name);
        const QString dir = TestTempDir();
        const QString file = dir + QStringLiteral("/old.pdf"),
                      other = dir + QStringLiteral("/new.pdf");
        {
            QFile old(file);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("earlier");
        }
        QString askedAbout, proposed;
        SetReplaceQuestion(row.asked ? TReplaceQuestion([&](const QString& f) {
            askedAbout = f;
            return row.replace;
        })
                                     : TReplaceQuestion());
        SetOutputFileQuestion([&](const QString& title) -> std::optional<QString> {
            proposed = title;
            return other;
        });
        TPrinter p;
        p.SetPrinterName(TPrinter::PdfPrinterName());
        p.SetTitle(QStringLiteral("Copertina"));
        p.SetOutputFileName(file);
        p.BeginDoc();
        p.EndDoc();
        EXPECT_EQ(askedAbout, row.asked ? file : QString());
        EXPECT_EQ(PdfPageCount(file) == 1, row.replaced);
        EXPECT_EQ(QFile::exists(other), !row.replaced);
        EXPECT_EQ(proposed, row.replaced ? QString() : QStringLiteral("Copertina"));
    }
    SetReplaceQuestion(savedReplace);
}

// A queue deleted while a job is drawn fails the job naming it: never a silent change to
// another queue.
TEST(Printers, QueueGoneDuringTheJobIsAnError) {
    REQUIRE_PRINT_SERVER();
    const QString queue = UniqueJobTitle("gone");
    ASSERT_EQ(QProcess::execute(QStringLiteral("lpadmin"),
                                {QStringLiteral("-p"), queue, QStringLiteral("-E"),
                                 QStringLiteral("-v"), QStringLiteral("file:///dev/null")}),
              0);
    TPrinter p;
    p.SetPrinterName(queue); // not in the list read first: read again
    p.BeginDoc();
    Square(p, 0, 0, 10);
    ASSERT_EQ(QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-x"), queue}), 0);
    try {
        p.EndDoc();
        FAIL() << "a job went to a queue that is gone";
    } catch (const EPrinter& e) {
        EXPECT_EQ(e.Message().left(e.Message().indexOf(QLatin1Char('('))).trimmed(),
                  QStringLiteral("The printer %1 is gone").arg(queue));
    }
    EXPECT_FALSE(p.Printing());
    EXPECT_EQ(p.DeviceName(), queue);
}

TEST(Printers, UnwritablePdfFileIsAnErrorWithNoJob) {
    TPrinter p;
    p.SetPrinterName(TPrinter::PdfPrinterName());
    p.SetOutputFileName(TestTempDir() + QStringLiteral("/missing/folder/out.pdf"));
    try {
        p.BeginDoc();
        FAIL() << "began a job it cannot write";
    } catch (const EPrinter& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("missing/folder/out.pdf")))
            << e.Message().toStdString();
    }
    EXPECT_FALSE(p.Printing());
    EXPECT_EQ(p.Canvas(), nullptr);
}

TEST(Printers, PdfPrinterAsksForItsFileAndDecliningAbortsSilently) {
    QuestionGuard guard;
    TPrinter p;
    p.SetPrinterName(TPrinter::PdfPrinterName());
    p.SetTitle(QStringLiteral("Cover"));
    QString askedWith;
    SetOutputFileQuestion([&](const QString& title) -> std::optional<QString> {
        askedWith = title;
        return std::nullopt;
    });
    EXPECT_THROW(p.BeginDoc(), EAbort);
    EXPECT_EQ(askedWith, QStringLiteral("Cover"));
    EXPECT_FALSE(p.Printing());

    const QString file = TestTempDir() + QStringLiteral("/asked.pdf");
    SetOutputFileQuestion([&](const QString&) -> std::optional<QString> { return file; });
    p.BeginDoc();
    p.EndDoc();
    EXPECT_EQ(PdfPageCount(file), 1);
}

TEST(Printers, StartUpQuestionIsASaveDialog) {
    // The question the window layer installs: a real save dialog, answered by typing.
    TPrinter p;
    p.SetPrinterName(TPrinter::PdfPrinterName());
    p.SetTitle(QStringLiteral("Sleeve"));
    const QString dir = TestTempDir();
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir); // where the dialog opens
    QString offered;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        auto* edit = Child<QLineEdit>(d, "fileNameEdit");
        offered = edit->text();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("typed"));
        for (auto* box : d->findChildren<QDialogButtonBox*>())
            if (QAbstractButton* b = box->button(QDialogButtonBox::Save))
                QTest::mouseClick(b, Qt::LeftButton);
    });
    p.BeginDoc();
    p.EndDoc();
    QDir::setCurrent(cwd);
    EXPECT_EQ(offered, QStringLiteral("Sleeve.pdf"));
    EXPECT_EQ(PdfPageCount(dir + QStringLiteral("/typed.pdf")), 1);

    driver = WhenDialogOpens([](QDialog* d) { d->reject(); });
    EXPECT_THROW(p.BeginDoc(), EAbort);
    EXPECT_FALSE(p.Printing());
}

TEST(Printers, QueueJobComesOutOfThePrintServer) {
    REQUIRE_PRINT_SERVER();
    auto p = PrinterFor(PdfQueue());
    const QString title = UniqueJobTitle("queuejob");
    p->SetTitle(title);
    p->BeginDoc();
    const int dpi = p->Resolution();
    Square(*p, dpi, 2 * dpi, dpi / 2);
    p->NewPage();
    Square(*p, 2 * dpi, dpi, dpi / 2);
    p->EndDoc();
    const QString out = WaitForQueueOutput(title);
    ASSERT_FALSE(out.isEmpty()) << "no output for " << title.toStdString();
    EXPECT_EQ(PdfPageCount(out), 2);
    const QImage one = RenderPdfPage(out, 1, 150);
    const QRect ink = InkBox(one);
    EXPECT_NEAR(ink.left(), 150, 1);
    EXPECT_NEAR(ink.top(), 300, 1);
    EXPECT_NEAR(ink.width(), 75, 1);
}

TEST(Printers, QueueOffsetMovesItsPrintsButNeverAPdfFile) {
    REQUIRE_PRINT_SERVER();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, TestTempDir());
    struct Row {
        QString printer;
        TPrinterOffset offset;
        QPoint shiftAt150; // pixels of a 150-dpi rendering
    };
    const Row rows[] = {
        {PdfQueue(), {5.08, -3.386}, {30, -20}},
        {PdfQueue(), {-8.466, 10.16}, {-50, 60}},
        {PdfQueue(), {0, 0}, {0, 0}},
        // Asked of the PDF file printer: its files stay where they are.
        {TPrinter::PdfPrinterName(), {5.08, 5.08}, {0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.printer.toStdString() + " " + std::to_string(row.offset.x) + "," +
                     std::to_string(row.offset.y));
        TPrinter::StoreOffset(row.printer, row.offset);
        auto p = PrinterFor(row.printer);
        const QString title = UniqueJobTitle("offset");
        const QString file = TestTempDir() + QStringLiteral("/") + title + QStringLiteral(".pdf");
        p->SetTitle(title);
        if (p->IsPdfPrinter()) p->SetOutputFileName(file);
        p->BeginDoc();
        const int dpi = p->Resolution();
        Square(*p, dpi, 2 * dpi, dpi / 2);
        p->EndDoc();
        const QString out = p->IsPdfPrinter() ? file : WaitForQueueOutput(title);
        ASSERT_FALSE(out.isEmpty()) << "no output for " << title.toStdString();
        const QRect ink = InkBox(RenderPdfPage(out, 1, 150));
        EXPECT_NEAR(ink.left(), 150 + row.shiftAt150.x(), 1);
        EXPECT_NEAR(ink.top(), 300 + row.shiftAt150.y(), 1);
        EXPECT_NEAR(ink.width(), 75, 1);
    }
    TPrinter::StoreOffset(PdfQueue(), {});
    EXPECT_EQ(TPrinter::StoredOffset(PdfQueue()), TPrinterOffset{});
}

TEST(Printers, MarginsQueuePrintsFromThePrintableCorner) {
    REQUIRE_PRINT_SERVER();
    auto p = PrinterFor(MarginsQueue());
    const QString title = UniqueJobTitle("margins");
    p->SetTitle(title);
    p->BeginDoc();
    EXPECT_EQ(p->Handle()->GetDeviceCaps(PHYSICALOFFSETX), 100);
    EXPECT_EQ(p->Handle()->GetDeviceCaps(PHYSICALOFFSETY), 120);
    EXPECT_EQ(p->Handle()->GetDeviceCaps(HORZRES), 4958 - 200);
    // Device (500, 480) is paper (600, 600): one inch from each edge.
    Square(*p, 500, 480, 300);
    p->EndDoc();
    const QString out = WaitForQueueOutput(title);
    ASSERT_FALSE(out.isEmpty());
    const QRect ink = InkBox(RenderPdfPage(out, 1, 150));
    EXPECT_NEAR(ink.left(), 150, 1);
    EXPECT_NEAR(ink.top(), 150, 1);
    EXPECT_NEAR(ink.width(), 75, 1);
}

TEST(Printers, ClosedQueueErrorNamesQueueAndReason) {
    REQUIRE_PRINT_SERVER();
    auto p = PrinterFor(ClosedQueue());
    try {
        p->BeginDoc();
        FAIL() << "a closed queue began a job";
    } catch (const EPrinter& e) {
        EXPECT_TRUE(e.Message().contains(ClosedQueue())) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("closed for the tests")))
            << e.Message().toStdString();
    }
    EXPECT_FALSE(p->Printing());

    // A queue that closes while the job is drawn rejects it when it is handed over.
    ASSERT_EQ(QProcess::execute(QStringLiteral("cupsaccept"), {ClosedQueue()}), 0);
    p->BeginDoc();
    Square(*p, 0, 0, 10);
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("cupsreject"),
                          {QStringLiteral("-r"), QStringLiteral("closed again"), ClosedQueue()}),
        0);
    try {
        p->EndDoc();
        FAIL() << "a closed queue took a job";
    } catch (const EPrinter& e) {
        EXPECT_TRUE(e.Message().contains(ClosedQueue())) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("not accepting"), Qt::CaseInsensitive))
            << e.Message().toStdString();
    }
    EXPECT_FALSE(p->Printing());
    QProcess::execute(
        QStringLiteral("cupsreject"),
        {QStringLiteral("-r"), QStringLiteral("closed for the tests"), ClosedQueue()});
}

// The window thread goes on with its timers while a question to a server that never
// answers waits on a thread of its own, and the question still ends with the one error.
// The print server's library reads where the server is once for each thread, and each
// question of a window thread has a new one.
TEST(Printers, WindowThreadRunsItsTimersWhileTheServerIsSilent) {
    const SilentPrintServer server;
    ASSERT_FALSE(server.Address().isEmpty());
    const QByteArray saved = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", server.Address().toUtf8());
    PrintServer::SetResponsiveWaits(true);
    struct Restore {
        QByteArray saved;
        ~Restore() {
            PrintServer::SetResponsiveWaits(false);
            if (saved.isEmpty())
                qunsetenv("CUPS_SERVER");
            else
                qputenv("CUPS_SERVER", saved);
        }
    } restore{saved};
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(100);
    QString message;
    int errors = 0;
    try {
        PrintServer::Queues(true);
    } catch (const EPrinter& e) {
        ++errors;
        message = e.Message();
    }
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(message.contains(server.Address())) << message.toStdString();
    // A wait of seconds at a tick every tenth of one: many ticks, never none.
    EXPECT_GT(ticks, 2);
    EXPECT_GE(server.Connections(), 1);
}
