// Printing reports for real: device settings read from and written to printers, passes to
// the PDF file printer and to the tests' print queues, page ranges, cancelling, kept pages
// on paper, the progress window and the printer set-up dialog. Printed pages are read
// back with pdfinfo and pdftoppm and compared with the page store's pages.
#include "ReportSupport.h"

#include "report/RpPrev.h"
#include "report/RpPrgres.h"
#include "report/RpPrntr.h"
#include "support/FormTestSupport.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <cups/cups.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

namespace {

int PrinterIndexOf(const QString& name) {
    TPrinter p;
    return static_cast<int>(p.Printers().indexOf(name));
}

// PDF jobs write to a file chosen here instead of asking.
struct PdfFileAnswer {
    explicit PdfFileAnswer(QString file)
        : saved(SetOutputFileQuestion([file](const QString&) { return std::optional(file); })) {}
    ~PdfFileAnswer() { SetOutputFileQuestion(saved); }
    TOutputFileQuestion saved;
};

// Supplies n records through OnNeedData, from the first again at every pass.
void SupplyRecords(TReport* report, int n) {
    auto served = std::make_shared<int>(0);
    report->BeforePrint = [served](TObject*, bool&) { *served = 0; };
    report->OnNeedData = [served, n](TObject*, bool& more) {
        more = *served < n;
        if (more) ++*served;
    };
}

// The ink of a rendered page or image, as a rectangle in pixels at 150 dpi.
QRect InkAt150(const QImage& image) {
    return InkBox(image);
}

// A kept page drawn at 150 dpi from its own size at screen resolution.
QImage RenderPageAt150(TRpPrinter* printer, int page) {
    std::unique_ptr<TMetafile> metafile = printer->FetchPage(page);
    if (!metafile) return {};
    const qreal scale = 150.0 / 96.0;
    QImage image(qRound(metafile->Width() * scale), qRound(metafile->Height() * scale),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    metafile->Play(painter, QRectF(0, 0, metafile->Width() * scale, metafile->Height() * scale));
    return image;
}

// Jobs of any state on the tests' print server whose title is this one.
int JobsTitled(const QString& title) {
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
    int found = 0;
    for (int i = 0; i < n; ++i)
        found += title == QString::fromUtf8(jobs[i].title);
    cupsFreeJobs(n, jobs);
    return found;
}

// Waits, letting events run, until the file exists and is a whole PDF file.
bool WaitForPdf(const QString& file, int ms = 30000) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (PdfPageCount(file) > 0) return true;
        QTest::qWait(20);
    }
    return false;
}

// "Page size: 841.89 x 595.276 pts (A4)": wider than high.
bool PdfIsLandscape(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(30000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const int at = out.indexOf(QLatin1String("Page size:"));
    const QStringList words = out.mid(at + 10).simplified().split(QLatin1Char(' '));
    return words.size() > 2 && words[0].toDouble() > words[2].toDouble();
}

// The page number a printed page shows: its marker square stands 10 mm x page from the
// left.
int MarkedPage(const QImage& page150) {
    for (int n = 1; n <= 9; ++n) {
        const int x = qRound((10.0 * n + 2.5) / 25.4 * 150), y = qRound(22.5 / 25.4 * 150);
        if (qGray(page150.pixel(x, y)) < 60) return n;
    }
    return 0;
}

// A small file system of its own, mounted for one test (when the test may mount).
struct SmallDisk {
    explicit SmallDisk(const QString& dir, const char* options) : dir(dir) {
        QDir().mkpath(dir);
        mounted =
            QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QLatin1String(options), QStringLiteral("tmpfs"), dir}) == 0;
    }
    ~SmallDisk() {
        if (mounted) QProcess::execute(QStringLiteral("umount"), {dir});
    }
    QString dir;
    bool mounted = false;
};

int Lpadmin(const QStringList& args) {
    return QProcess::execute(QStringLiteral("lpadmin"), args);
}

void ExpectNear(const QRect& a, const QRect& b, int tolerance = 1) {
    EXPECT_NEAR(a.left(), b.left(), tolerance) << "left";
    EXPECT_NEAR(a.top(), b.top(), tolerance) << "top";
    EXPECT_NEAR(a.right(), b.right(), tolerance) << "right";
    EXPECT_NEAR(a.bottom(), b.bottom(), tolerance) << "bottom";
}

} // namespace

class ReportPrintTest : public ReportTest {
protected:
    // A report of `pages` pages: one 200 mm detail band per record, framed, and on each
    // page a black 5 mm square 10 mm x page number from the left, 20 mm down, so that a
    // printed page tells which page it is.
    TReport* PagedReport(int pages, long double bandMM = 200) {
        TReport* report = NewReport();
        report->SetShowProgress(false);
        TRpBand* band = NewBand(report, rbDetail, bandMM);
        for (auto side : {&TRpFrame::SetDrawLeft, &TRpFrame::SetDrawTop, &TRpFrame::SetDrawRight,
                          &TRpFrame::SetDrawBottom})
            (band->Frame()->*side)(true);
        band->Frame()->SetWidth(2);
        auto* marker = new TCountingItem(form.get());
        marker->SetParent(band);
        marker->onPrint = [](TCountingItem* item) {
            TRpPrinter* p = item->Printer();
            const int page = p->CurrentPage();
            p->PageCanvas()->Brush()->SetColor(clBlack);
            p->PageCanvas()->FillRect(QRect(p->ToDeviceX(100 * page), p->ToDeviceY(200),
                                            p->ToDeviceWidth(50), p->ToDeviceHeight(50)));
        };
        SupplyRecords(report, pages);
        return report;
    }

    // A pass into the page store, kept by the report.
    static void PreviewPass(TReport* report) {
        report->OnPreview = [](TObject*) {};
        report->PreviewReport();
    }
};

// ---- Device settings -------------------------------------------------------------------

TEST_F(ReportPrintTest, PaperTablesAndTheOffersOfAPrinter) {
    REQUIRE_PRINT_SERVER();
    TPrinterSettings unset;
    EXPECT_EQ(unset.PaperSize(), TRpPaperSize::A4);
    EXPECT_EQ(unset.PaperWidth(), 2100);
    EXPECT_EQ(unset.PaperLength(), 2970);
    unset.SetPaperSize(TRpPaperSize::Letter); // no printer: nothing is offered
    EXPECT_EQ(unset.PaperSize(), TRpPaperSize::A4);
    EXPECT_FALSE(unset.Supports(DM_COPIES));

    TPrinter printer;
    printer.SetPrinterName(MarginsQueue()); // offers Letter, A4 and Note
    TPrinterSettings s;
    s.SetPrinter(&printer);
    EXPECT_EQ(s.DeviceName(), MarginsQueue());
    EXPECT_EQ(s.PaperSize(), TRpPaperSize::A4);
    s.SetPaperSize(TRpPaperSize::Letter);
    EXPECT_EQ(s.PaperWidth(), 2159); // 215.9 x 279.4 mm
    EXPECT_EQ(s.PaperLength(), 2794);
    s.SetPaperSize(TRpPaperSize::Note);
    EXPECT_EQ(s.PaperWidth(), 2159);
    EXPECT_EQ(s.PaperLength(), 2790);
    s.SetPaperSize(TRpPaperSize::A4Small); // code 10 is not offered
    EXPECT_EQ(s.PaperSize(), TRpPaperSize::Note);
    s.SetPaperSize(TRpPaperSize::Default);
    EXPECT_EQ(s.PaperSize(), TRpPaperSize::Default);
    EXPECT_TRUE(s.PaperSupported(TRpPaperSize::Letter));
    EXPECT_FALSE(s.PaperSupported(TRpPaperSize::A3));
    EXPECT_FALSE(s.PaperSupported(TRpPaperSize::Custom));
}

TEST_F(ReportPrintTest, OffsetsAndResolutionOfAPrinterWithMargins) {
    REQUIRE_PRINT_SERVER();
    TPrinter printer;
    printer.SetPrinterName(MarginsQueue());
    TPrinterSettings s;
    s.SetPrinter(&printer);
    EXPECT_EQ(s.DotsPerInchX(), 600);
    EXPECT_EQ(s.DotsPerInchY(), 600);
    // 100 and 120 pixels at 600 dpi: 42.33 and 50.8 tenths of a millimetre.
    EXPECT_EQ(s.PrintOffsetLeft(), 42);
    EXPECT_EQ(s.PrintOffsetTop(), 51);
    EXPECT_EQ(s.Copies(), 1);
    EXPECT_FALSE(s.Duplex());
    EXPECT_EQ(s.OutputBin(), TRpBin::Auto);
}

TEST_F(ReportPrintTest, PaperSourceCodesBothWays) {
    REQUIRE_PRINT_SERVER();
    TPrinter printer;
    printer.SetPrinterName(MarginsQueue());
    TPrinterSettings s;
    s.SetPrinter(&printer);
    TDeviceMode m = printer.DeviceMode();
    m.dmDefaultSource = 14;
    printer.SetDeviceMode(m);
    s.ReadFromPrinter();
    EXPECT_EQ(s.OutputBin(), TRpBin::Cassette);
    m.dmDefaultSource = 1;
    printer.SetDeviceMode(m);
    s.ReadFromPrinter();
    EXPECT_EQ(s.OutputBin(), TRpBin::First);

    s.SetOutputBin(TRpBin::Upper);
    s.ApplyToPrinter();
    EXPECT_EQ(printer.DeviceMode().dmDefaultSource, 1);
    s.SetOutputBin(TRpBin::Last);
    s.ApplyToPrinter();
    EXPECT_EQ(printer.DeviceMode().dmDefaultSource, 14);
}

TEST_F(ReportPrintTest, ApplyWritesCopiesSourceAndOrientationAlwaysAndDuplexOnlyWhenSet) {
    TPrinter printer;
    printer.SetPrinterName(TPrinter::PdfPrinterName()); // carries no paper source
    TPrinterSettings s;
    s.SetPrinter(&printer);
    EXPECT_FALSE(printer.DeviceMode().dmFields & DM_DEFAULTSOURCE);
    s.SetCopies(3);
    s.SetOrientation(poLandscape);
    s.ApplyToPrinter();
    const TDeviceMode& m = printer.DeviceMode();
    EXPECT_TRUE(m.dmFields & DM_DEFAULTSOURCE);
    EXPECT_EQ(m.dmDefaultSource, 1); // First
    EXPECT_EQ(m.dmCopies, 3);
    EXPECT_EQ(m.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_FALSE(m.dmFields & DM_DUPLEX);
}

// ---- Passes to printers -----------------------------------------------------------------

TEST_F(ReportPrintTest, PageRangeSendsOnlyItsPagesToThePrinter) {
    const QString file = TestTempDir() + QStringLiteral("/range.pdf");
    PdfFileAnswer answer(file);
    TReport* report = PagedReport(5);
    report->PrinterSettings()->SetPrinterIndex(PrinterIndexOf(TPrinter::PdfPrinterName()));
    report->PrinterSettings()->SetFirstPage(2);
    report->PrinterSettings()->SetLastPage(3);
    int printed = 0;
    report->AfterPrint = [&](TObject*) { ++printed; };
    report->PrintReport();
    EXPECT_EQ(printed, 1);
    EXPECT_TRUE(report->Idle());
    EXPECT_EQ(report->RpPrinter(), nullptr);
    ASSERT_EQ(PdfPageCount(file), 2);
    // The markers of pages 2 and 3: 20 and 30 mm from the left (118 and 177 px at 150
    // dpi), 20 mm down (118 px), 5 mm wide (30 px).
    const QImage first = RenderPdfPage(file, 1, 150);
    const QImage second = RenderPdfPage(file, 2, 150);
    EXPECT_GT(CountPixels(first, QRect(120, 120, 25, 25), qRgb(0, 0, 0)), 600);
    EXPECT_EQ(CountPixels(first, QRect(179, 120, 25, 25), qRgb(0, 0, 0)), 0);
    EXPECT_GT(CountPixels(second, QRect(179, 120, 25, 25), qRgb(0, 0, 0)), 600);
}

TEST_F(ReportPrintTest, ReportPrinterRecordsPagesOutsideTheRangeAndDiscardsThem) {
    const QString file = TestTempDir() + QStringLiteral("/direct.pdf");
    PdfFileAnswer answer(file);
    TRpPrinter printer;
    printer.SetPrinterIndex(PrinterIndexOf(TPrinter::PdfPrinterName()));
    printer.SetDestination(pdPrinter);
    printer.SetFirstPage(2);
    printer.SetLastPage(3);
    printer.StartJob();
    EXPECT_NEAR(static_cast<double>(printer.XFactor()), 600.0 / 254, 1e-9);
    std::vector<bool> recorded;
    for (int i = 1; i <= 5; ++i) {
        printer.StartNewPage();
        recorded.push_back(printer.PageMetafile() != nullptr);
        EXPECT_NE(printer.PageCanvas(), nullptr);
        EXPECT_EQ(printer.DevicePrinter()->Printing(), i >= 2);
    }
    EXPECT_EQ(recorded, (std::vector<bool>{true, false, false, true, true}));
    printer.FinishJob();
    EXPECT_EQ(printer.Status(), stFinished);
    EXPECT_EQ(printer.PagesBegun(), 5);
    EXPECT_EQ(PdfPageCount(file), 2);
}

TEST_F(ReportPrintTest, CancelledPassLeavesNoPrint) {
    const QString file = TestTempDir() + QStringLiteral("/cancelled.pdf");
    PdfFileAnswer answer(file);
    TReport* report = PagedReport(4);
    report->PrinterSettings()->SetPrinterIndex(PrinterIndexOf(TPrinter::PdfPrinterName()));
    // The progress window's Cancel, pressed while the second record prints.
    report->OnStartPage = [](TObject* sender) {
        auto* r = static_cast<TReport*>(sender);
        if (r->PageNo() == 2)
            QTimer::singleShot(0, [] {
                for (int i = 0; i < Application->ComponentCount(); ++i)
                    if (auto* f = qobject_cast<TRpProgressForm*>(Application->Components(i)))
                        f->CancelButton->Click();
            });
    };
    report->PrintReport();
    EXPECT_TRUE(report->Idle());
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(ReportPrintTest, KeptPagesPrintAtTheirSizeAndPlaceAndCancelStopsAfterAPage) {
    TReport* report = PagedReport(3);
    PreviewPass(report);
    TRpPrinter* kept = report->RpPrinter();
    ASSERT_TRUE(kept);
    const QString saved = TestTempDir() + QStringLiteral("/kept.rpp");
    kept->SaveToFile(saved);

    TRpPrinter loaded;
    loaded.LoadFromFile(saved);
    loaded.SetPrinterIndex(PrinterIndexOf(TPrinter::PdfPrinterName()));
    const QString file = TestTempDir() + QStringLiteral("/kept.pdf");
    loaded.DevicePrinter()->SetOutputFileName(file);
    loaded.PrintKeptPages();
    ASSERT_EQ(PdfPageCount(file), 3);
    for (int page = 1; page <= 3; ++page)
        ExpectNear(InkAt150(RenderPdfPage(file, page, 150)), InkAt150(RenderPageAt150(kept, page)));

    // A cancel seen while the first page prints drops the job: nothing comes out.
    const QString cancelled = TestTempDir() + QStringLiteral("/kept-cancelled.pdf");
    loaded.DevicePrinter()->SetOutputFileName(cancelled);
    QTimer::singleShot(0, [&] { loaded.RequestCancel(); });
    loaded.PrintKeptPages();
    EXPECT_FALSE(loaded.DevicePrinter()->Printing());
    EXPECT_FALSE(QFile::exists(cancelled));
}

TEST_F(ReportPrintTest, KeptPagesOnAPrinterWithMarginsAreNotStretched) {
    REQUIRE_PRINT_SERVER();
    TReport* report = PagedReport(1);
    PreviewPass(report);
    TRpPrinter* kept = report->RpPrinter();
    ASSERT_TRUE(kept);
    const QString saved = TestTempDir() + QStringLiteral("/margins.rpp");
    kept->SaveToFile(saved);
    TRpPrinter loaded;
    loaded.LoadFromFile(saved);
    loaded.SetPrinterIndex(PrinterIndexOf(MarginsQueue()));
    const QString title = UniqueJobTitle("keptmargins");
    loaded.SetTitle(title);
    loaded.PrintKeptPages();
    const QString out = WaitForQueueOutput(title);
    ASSERT_FALSE(out.isEmpty());
    ExpectNear(InkAt150(RenderPdfPage(out, 1, 150)), InkAt150(RenderPageAt150(kept, 1)));
}

// The same report printed and kept: one page painter, so the frames and markers fall on
// the same pixels, through the PDF file printer, the PDF queue and the queue with margins.
TEST_F(ReportPrintTest, PrintedPagesMatchTheKeptPagesWithinAPixel) {
    REQUIRE_PRINT_SERVER();
    TReport* report = PagedReport(2);
    PreviewPass(report);
    TRpPrinter* kept = report->RpPrinter();
    ASSERT_TRUE(kept);
    const QImage keptPages[] = {RenderPageAt150(kept, 1), RenderPageAt150(kept, 2)};

    const QString file = TestTempDir() + QStringLiteral("/twopages.pdf");
    PdfFileAnswer answer(file);
    report->PrinterSettings()->SetPrinterIndex(PrinterIndexOf(TPrinter::PdfPrinterName()));
    int printed = 0;
    report->AfterPrint = [&](TObject*) { ++printed; };
    report->PrintReport();
    ASSERT_EQ(printed, 1);
    ASSERT_EQ(PdfPageCount(file), 2);

    QStringList outputs{file};
    for (const QString& queue : {PdfQueue(), MarginsQueue()}) {
        const QString title = UniqueJobTitle("twopages");
        report->SetReportTitle(title);
        report->PrinterSettings()->SetPrinterIndex(PrinterIndexOf(queue));
        report->PrintReport();
        outputs << WaitForQueueOutput(title);
        ASSERT_FALSE(outputs.last().isEmpty()) << queue.toStdString();
    }
    for (const QString& out : outputs) {
        ASSERT_EQ(PdfPageCount(out), 2) << out.toStdString();
        for (int page = 1; page <= 2; ++page) {
            SCOPED_TRACE(out.toStdString() + " page " + std::to_string(page));
            const QImage printed = RenderPdfPage(out, page, 150);
            ExpectNear(InkAt150(printed), InkAt150(keptPages[page - 1]));
            // The marker of this page, 10 mm x page from the left, 20 mm down.
            const QRect marker(RoundInt(page * 10 * 150 / 25.4), RoundInt(20 * 150 / 25.4), 29, 29);
            EXPECT_GT(CountPixels(printed, marker.adjusted(2, 2, -2, -2), qRgb(0, 0, 0)), 600);
        }
    }
}

// ---- Progress window and printer set-up -------------------------------------------------

TEST_F(ReportPrintTest, ProgressShowsEveryFifthPercentAndCancelAsksThePrinter) {
    TRpPrinter printer;
    std::unique_ptr<TRpProgressForm> progress = std::make_unique<TRpProgressForm>(nullptr);
    EXPECT_EQ(progress->Caption(), QStringLiteral("Printing progress"));
    EXPECT_EQ(progress->CancelButton->Caption(), QStringLiteral("Cancel"));
    progress->SetReportPrinter(&printer);
    printer.SetClientWindow(progress.get());
    QStringList seen;
    for (int percent : {37, 40, 41, 45}) {
        printer.PostProgress(percent);
        // The progress goes to the window as a posted message: delivered here and now.
        QCoreApplication::sendPostedEvents(progress.get(), TMessageEvent::EventType());
        seen << QStringLiteral("%1 %2")
                    .arg(progress->Gauge->Position())
                    .arg(progress->Info->Caption());
    }
    EXPECT_EQ(seen, (QStringList{QStringLiteral("0 "), QStringLiteral("40 40%  Completed"),
                                 QStringLiteral("40 40%  Completed"),
                                 QStringLiteral("45 45%  Completed")}));
    printer.PostProgress(0);
    QCoreApplication::sendPostedEvents(progress.get(), TMessageEvent::EventType());
    EXPECT_EQ(progress->Info->Caption(), QStringLiteral("0%  Completed"));
    EXPECT_FALSE(printer.CancelRequested());
    progress->CancelButton->Click();
    EXPECT_TRUE(printer.CancelRequested());
}

TEST_F(ReportPrintTest, SetUpOffersThePagesOfTheFinishedPassAndKeepsTheChoice) {
    REQUIRE_PRINT_SERVER();
    TReport* report = PagedReport(3);
    PreviewPass(report);
    ASSERT_EQ(report->RpPrinter()->PagesBegun(), 3);
    report->PrinterSettings()->SetCopies(2);
    int min = -1, max = -1, from = -1, to = -1, copies = -1;
    auto driver = WhenDialogOpens([&](QDialog* d) {
        auto* fromBox = Child<QSpinBox>(d, "from");
        auto* toBox = Child<QSpinBox>(d, "to");
        min = fromBox->minimum();
        max = toBox->maximum();
        from = fromBox->value();
        to = toBox->value();
        copies = Child<QSpinBox>(d, "copies")->value();
        Child<QRadioButton>(d, "printRange")->click();
        fromBox->setValue(2);
        for (auto* box : d->findChildren<QDialogButtonBox*>())
            if (QAbstractButton* ok = box->button(QDialogButtonBox::Ok)) ok->click();
    });
    report->PrinterSetup(nullptr);
    EXPECT_EQ(min, 1);
    EXPECT_EQ(max, 3);
    EXPECT_EQ(from, 1);
    EXPECT_EQ(to, 3);
    EXPECT_EQ(copies, 2);
    EXPECT_EQ(report->PrinterSettings()->FirstPage(), 2);
    EXPECT_EQ(report->PrinterSettings()->LastPage(), 3);
    EXPECT_EQ(report->Tag(), 0);

    report->SetTag(5);
    driver = WhenDialogOpens([](QDialog* d) { d->reject(); });
    report->PrinterSetup(nullptr);
    EXPECT_EQ(report->Tag(), 1);
    EXPECT_EQ(report->PrinterSettings()->FirstPage(), 2);
}

// ---- Passes that end, and the print road of the preview -----------------------------

// An item that raises while page 2 of 3 prints: the pass fails, and nothing of it reaches
// a printer or a file; an earlier file of the same name stays as it was, and no file is
// left beside it. The program goes on: the next pass prints.
TEST_F(ReportPrintTest, FailedPassLeavesNoJobAndNoFile) {
    struct Case {
        const char* name;
        bool toQueue;
    };
    for (const Case c : {Case{"PDF file", false}, Case{"queue", true}}) {
        SCOPED_TRACE(c.name);
        if (c.toQueue && PdfQueue().isEmpty()) continue;
        const QString dir = TestTempDir() + QStringLiteral("/failed-") + QLatin1String(c.name);
        QDir().mkpath(dir);
        const QString file = dir + QStringLiteral("/out.pdf");
        {
            QFile earlier(file);
            ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier");
        }
        const QString title = UniqueJobTitle("failedpass");
        TReport* report = PagedReport(3);
        report->SetReportTitle(title);
        report->PrinterSettings()->SetPrinterName(c.toQueue ? PdfQueue()
                                                            : TPrinter::PdfPrinterName());
        report->PrinterSettings()->SetPdfFileName(file);
        bool fail = true;
        auto* bomb = new TCountingItem(form.get());
        bomb->SetParent(report->FindBand(rbDetail));
        bomb->onPrint = [&fail](TCountingItem* item) {
            if (fail && item->Printer()->CurrentPage() == 2)
                throw Exception(QStringLiteral("page 2 cannot print"));
        };
        EXPECT_THROW(report->PrintReport(), Exception);
        EXPECT_TRUE(report->Idle());
        EXPECT_EQ(report->PassEnd(), TRpPassEnd::Failed);
        EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"out.pdf"});
        QFile kept(file);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), QByteArray("earlier"));
        kept.close();
        if (c.toQueue) {
            EXPECT_EQ(JobsTitled(title), 0);
        }

        // Items do not keep the printer of the failed pass.
        EXPECT_EQ(bomb->Printer(), nullptr);
        fail = false;
        report->PrintReport();
        EXPECT_EQ(report->PassEnd(), TRpPassEnd::Finished);
        if (c.toQueue) {
            EXPECT_EQ(PdfPageCount(WaitForQueueOutput(title)), 3);
        } else {
            EXPECT_EQ(PdfPageCount(file), 3);
            EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"out.pdf"});
        }
    }
}

// The same failure in a pass to the preview: what it drew stays on show, but it is not a
// report that can be saved.
TEST_F(ReportPrintTest, FailedPreviewPassCannotBeSaved) {
    TReport* report = PagedReport(3);
    auto* bomb = new TCountingItem(form.get());
    bomb->SetParent(report->FindBand(rbDetail));
    bomb->onPrint = [](TCountingItem* item) {
        if (item->Printer()->CurrentPage() == 2) throw Exception(QStringLiteral("no page 2"));
    };
    EXPECT_THROW(PreviewPass(report), Exception);
    TRpPrinter* printer = report->RpPrinter();
    ASSERT_TRUE(printer);
    EXPECT_TRUE(printer->Failed());
    EXPECT_EQ(printer->Status(), stFinished);
    const QString file = TestTempDir() + QStringLiteral("/failed.rpp");
    EXPECT_THROW(printer->SaveToFile(file), ERpError);
    EXPECT_FALSE(QFile::exists(file));
}

// The choices of the printer set-up, made in the real dialog, reach the next print from
// the preview's Print button: for the report's pass (the report runs again to the
// printer) and for pages loaded from a file; nothing asks for the PDF file again.
TEST_F(ReportPrintTest, PreviewPrintButtonPrintsWithTheSetUpChoices) {
    const QString file = TestTempDir() + QStringLiteral("/preview-print.pdf");
    const auto noQuestion = SetOutputFileQuestion([](const QString&) {
        ADD_FAILURE() << "the PDF file was asked for again";
        return std::optional<QString>();
    });
    TReport* report = PagedReport(3, 150);
    report->Page()->SetOrientation(poLandscape);
    PreviewPass(report);
    TRpPrinter* kept = report->RpPrinter();
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->PagesBegun(), 3);

    auto driver = WhenDialogOpens([&](QDialog* d) {
        auto* printers = Child<QComboBox>(d, "printers");
        printers->setCurrentIndex(printers->count() - 1); // the PDF file
        Child<QLineEdit>(d, "filename")->setText(file);
        Child<QSpinBox>(d, "copies")->setValue(2);
        Child<QRadioButton>(d, "printRange")->click();
        Child<QSpinBox>(d, "from")->setValue(2);
        Child<QSpinBox>(d, "to")->setValue(3);
        for (auto* box : d->findChildren<QDialogButtonBox*>())
            if (QAbstractButton* ok = box->button(QDialogButtonBox::Ok)) ok->click();
    });
    report->PrinterSetup(nullptr);
    driver.reset();
    ASSERT_EQ(report->Tag(), 0);
    const TReportPrinterSettings& s = *report->PrinterSettings();
    EXPECT_EQ(s.PrinterName(), TPrinter::PdfPrinterName());
    EXPECT_EQ(s.PdfFileName(), file);
    EXPECT_EQ(s.Copies(), 2);
    EXPECT_EQ(std::make_pair(s.FirstPage(), s.LastPage()), std::make_pair(2, 3));
    EXPECT_EQ(report->Page()->Orientation(), poLandscape);

    // What the printer of the pass was given, seen as it finishes.
    TDeviceMode printed;
    report->AfterPrint = [&](TObject*) {
        printed = report->RpPrinter()->DevicePrinter()->DeviceMode();
    };
    auto* window = new TRpStandardPreview(Application, kept);
    QPointer<TRpStandardPreview> guard(window);
    window->Present();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
    const auto expectPages23 = [&] {
        ASSERT_TRUE(WaitForPdf(file));
        ASSERT_EQ(PdfPageCount(file), 2);
        EXPECT_TRUE(PdfIsLandscape(file));
        EXPECT_EQ(MarkedPage(RenderPdfPage(file, 1, 150)), 2);
        EXPECT_EQ(MarkedPage(RenderPdfPage(file, 2, 150)), 3);
    };
    QTest::mouseClick(window->Print->Widget(), Qt::LeftButton);
    expectPages23();
    EXPECT_EQ(printed.dmCopies, 2);
    EXPECT_EQ(printed.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(report->RpPrinter(), kept); // the preview's printer again

    // The same pages from a file, loaded into the printer the preview shows.
    const QString saved = TestTempDir() + QStringLiteral("/preview-print.rpp");
    kept->SaveToFile(saved);
    kept->LoadFromFile(saved);
    ASSERT_TRUE(QFile::remove(file));
    QTest::mouseClick(window->Print->Widget(), Qt::LeftButton);
    expectPages23();
    EXPECT_EQ(kept->DevicePrinter()->DeviceMode().dmCopies, 2);
    if (guard) guard->Close();
    Settle();
    SetOutputFileQuestion(noQuestion);
}

// Each way a print can fail ends in one error naming the printer or the file, leaves no
// job and no file behind, and the next print works.
TEST_F(ReportPrintTest, PrintFailuresEndInOneMessageAndLeaveNothing) {
    REQUIRE_PRINT_SERVER();
    const QString base = TestTempDir() + QStringLiteral("/failures");
    QDir().mkpath(base);
    TReport* report = PagedReport(3);
    TReportPrinterSettings& s = *report->PrinterSettings();
    enum Kind { Rejecting, Deleted, Unwritable, FullDisk };
    for (const Kind kind : {Rejecting, Deleted, Unwritable, FullDisk}) {
        const char* names[] = {"rejecting queue", "deleted queue", "unwritable folder",
                               "full disk"};
        SCOPED_TRACE(names[kind]);
        const QString title = UniqueJobTitle("failure");
        report->SetReportTitle(title);
        const QString dir = base + QLatin1Char('/') + QString::number(kind);
        const QString file = dir + QStringLiteral("/out.pdf");
        std::unique_ptr<SmallDisk> disk;
        QString named;
        switch (kind) {
        case Rejecting:
            s.SetPrinterName(ClosedQueue());
            named = ClosedQueue();
            break;
        case Deleted: {
            // Chosen while it is there, gone when the job begins.
            named = QStringLiteral("gone-") + title;
            ASSERT_EQ(Lpadmin({QStringLiteral("-p"), named, QStringLiteral("-E"),
                               QStringLiteral("-v"), QStringLiteral("file:///dev/null")}),
                      0);
            TPrinter listed; // the list this process read first is older than the queue
            listed.Refresh();
            ASSERT_TRUE(listed.Printers().contains(named));
            s.SetPrinterName(named);
            ASSERT_EQ(Lpadmin({QStringLiteral("-x"), named}), 0);
            break;
        }
        case Unwritable:
            disk = std::make_unique<SmallDisk>(dir, "size=1m,ro");
            if (!disk->mounted) {
                // Without mounting, a folder without write permission (root ignores it).
                ASSERT_NE(::geteuid(), 0u);
                QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
            }
            s.SetPrinterName(TPrinter::PdfPrinterName());
            s.SetPdfFileName(file);
            named = file;
            break;
        case FullDisk: {
            disk = std::make_unique<SmallDisk>(dir, "size=1m");
            if (!disk->mounted) {
                std::cout << "[  NOTE    ] full disk not tried: mounting needs root\n";
                continue;
            }
            // Less room left than the PDF needs.
            struct statvfs fs {};
            ASSERT_EQ(::statvfs(QFile::encodeName(dir).constData(), &fs), 0);
            QFile filler(dir + QStringLiteral("/filler"));
            ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
            const qint64 free = qint64(fs.f_bavail) * qint64(fs.f_frsize);
            filler.write(QByteArray(free - 1024, 'x'));
            filler.close();
            s.SetPrinterName(TPrinter::PdfPrinterName());
            s.SetPdfFileName(file);
            named = file;
            break;
        }
        }
        const QStringList before = QDir(dir).entryList(QDir::Files | QDir::Hidden);
        int errors = 0;
        QString message;
        try {
            report->PrintReport();
        } catch (const Exception& e) {
            ++errors;
            message = e.Message();
        }
        EXPECT_EQ(errors, 1);
        EXPECT_TRUE(message.contains(named)) << message.toStdString();
        EXPECT_TRUE(report->Idle());
        EXPECT_EQ(report->RpPrinter(), nullptr);
        EXPECT_EQ(JobsTitled(title), 0);
        EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), before);
        if (kind == Unwritable && !disk->mounted)
            QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // The program goes on: the next print, to a queue that takes it, prints.
    const QString title = UniqueJobTitle("afterfailures");
    report->SetReportTitle(title);
    s.SetPrinterName(PdfQueue());
    report->PrintReport();
    EXPECT_EQ(PdfPageCount(WaitForQueueOutput(title)), 3);
}

// Items and the progress window hold their report printer guarded: once the report frees
// it, they see none, and an item asked to print then draws nothing.
TEST_F(ReportPrintTest, NothingKeepsAFreedReportPrinter) {
    TReport* report = PagedReport(1);
    auto* item = new TCountingItem(form.get());
    item->SetParent(report->FindBand(rbDetail));
    TRpPrinter* seen = nullptr;
    item->onPrint = [&seen](TCountingItem* i) { seen = i->Printer(); };
    PreviewPass(report);
    TRpPrinter* printer = report->RpPrinter();
    ASSERT_TRUE(printer);
    ASSERT_EQ(seen, printer);
    TRpProgressForm progress(nullptr);
    progress.SetReportPrinter(printer);
    item->PrepareItem(); // as if a pass were still under way
    ASSERT_EQ(item->Printer(), printer);
    SendMessage(report, RPM_PREVIEWCLOSED, 0, reinterpret_cast<intptr_t>(printer));
    ASSERT_EQ(report->RpPrinter(), nullptr);
    EXPECT_EQ(item->Printer(), nullptr);
    EXPECT_EQ(progress.ReportPrinter(), nullptr);
    item->onPrint = nullptr;
    item->PrintItem(0, 0);
    progress.CancelButtonClick(nullptr);
    item->UnprepareItem();
}

// The kept two-sided, collate and copies choices reach the queue: two collated copies of
// a one-page report come out as two pages, and printed on both sides each copy gets its
// blank back, four pages; a printer without two-sided printing keeps one side.
TEST_F(ReportPrintTest, KeptDuplexCollateAndCopiesReachTheQueue) {
    REQUIRE_PRINT_SERVER();
    struct Case {
        QString queue;
        int duplex;
        int pagesOut;
    };
    for (const Case& c :
         {Case{MarginsQueue(), DMDUP_HORIZONTAL, 4}, Case{PdfQueue(), DMDUP_SIMPLEX, 2}}) {
        SCOPED_TRACE(c.queue.toStdString());
        TReport* report = PagedReport(1);
        const QString title = UniqueJobTitle("duplex");
        report->SetReportTitle(title);
        TReportPrinterSettings& s = *report->PrinterSettings();
        s.SetPrinterName(c.queue);
        s.SetDuplex(true);
        s.SetCollate(true);
        s.SetCopies(2);
        TDeviceMode printed;
        report->AfterPrint = [&](TObject*) {
            printed = report->RpPrinter()->DevicePrinter()->DeviceMode();
        };
        report->PrintReport();
        const bool twoSided = (printed.dmFields & DM_DUPLEX) && printed.dmDuplex != DMDUP_SIMPLEX;
        EXPECT_EQ(twoSided ? printed.dmDuplex : DMDUP_SIMPLEX, c.duplex);
        EXPECT_EQ(printed.dmCollate, 1);
        EXPECT_EQ(printed.dmCopies, 2);
        EXPECT_EQ(PdfPageCount(WaitForQueueOutput(title)), c.pagesOut);
    }
}
