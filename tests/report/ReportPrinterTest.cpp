// The report printer with its page store: job states, page size at screen resolution,
// conversions, kept pages, messages to its windows, the preview hook and the lifetime
// of its temporary file.

#include "pagestore/PageSupport.h"
#include "report/RpPrntr.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <climits>

namespace {

// A window that notes the messages it receives; it may react to one.
class MessageLog : public TControl {
public:
    using TControl::TControl;
    std::vector<TMessage> received;
    std::function<void(const TMessage&)> react;

protected:
    void WndProc(TMessage& m) override {
        received.push_back(m);
        if (react) react(m);
    }
};

std::vector<intptr_t> Params(const MessageLog& log, unsigned msg) {
    std::vector<intptr_t> out;
    for (const TMessage& m : log.received)
        if (m.Msg == msg) out.push_back(m.WParam);
    return out;
}

QString MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ERpError& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

// Draws n pages through the printer's canvas.
void DrawPages(TRpPrinter& printer, int n, int firstSeed = 1) {
    for (int i = 0; i < n; ++i) {
        printer.StartNewPage();
        DrawTextPage(*printer.PageCanvas(), firstSeed + i);
    }
}

TEST(ReportPrinter, ConstructionValues) {
    TRpPrinter printer;
    EXPECT_EQ(printer.Status(), stReady);
    EXPECT_EQ(printer.Destination(), pdPageStore);
    EXPECT_EQ(printer.CurrentPage(), 0);
    EXPECT_EQ(printer.PagesReady(), 0);
    EXPECT_EQ(printer.XFactor(), 1.0L);
    EXPECT_EQ(printer.YFactor(), 1.0L);
    // No device printer until one is asked for: a new report printer has not asked the
    // print server anything.
    EXPECT_EQ(printer.DevicePrinter(), nullptr);
    EXPECT_FALSE(printer.PreviewShowing());
    EXPECT_FALSE(printer.FromFile());
    EXPECT_FALSE(printer.Compressed());
    EXPECT_EQ(printer.PageCanvas(), nullptr);
    EXPECT_EQ(printer.ClientWindow(), nullptr);
    EXPECT_EQ(printer.MasterWindow(), nullptr);

    TRpPrinterSettings report;
    EXPECT_EQ(report.Copies(), 1);
    EXPECT_FALSE(report.Duplex());
    EXPECT_EQ(report.OutputBin(), TRpBin::Auto);
    EXPECT_EQ(report.PaperSize(), TRpPaperSize::Letter);
    EXPECT_EQ(report.PrinterIndex(), -1);
    EXPECT_EQ(report.FirstPage(), 0);
    EXPECT_EQ(report.LastPage(), 0);
}

// With no printer nothing can be changed on the device but a Default paper size; the
// page keeps A4 portrait, 210 x 297 mm.
TEST(ReportPrinter, DeviceValuesWithoutPrinter) {
    TPrinterSettings printer;
    EXPECT_EQ(printer.PaperSize(), TRpPaperSize::A4);
    EXPECT_EQ(printer.PaperWidth(), 2100);
    EXPECT_EQ(printer.PaperLength(), 2970);
    printer.SetOrientation(poLandscape);
    printer.SetCopies(3);
    printer.SetOutputBin(TRpBin::Manual);
    printer.SetPaperSize(TRpPaperSize::Letter);
    printer.SetPaperSize(TRpPaperSize::Custom);
    printer.SetPaperWidth(1000);
    EXPECT_EQ(printer.Orientation(), poPortrait);
    EXPECT_EQ(printer.OutputBin(), TRpBin::First);
    EXPECT_EQ(printer.PaperSize(), TRpPaperSize::A4);
    EXPECT_EQ(printer.PaperWidth(), 2100);
    EXPECT_FALSE(printer.Supports(DM_COPIES));
    EXPECT_FALSE(printer.PaperSupported(TRpPaperSize::A4));
    // Default is always taken; its size is the device's, none here.
    printer.SetPaperSize(TRpPaperSize::Default);
    EXPECT_EQ(printer.PaperSize(), TRpPaperSize::Default);
    EXPECT_EQ(printer.PaperWidth(), 0);
}

TEST(ReportPrinter, JobStateErrors) {
    TRpPrinter printer;
    EXPECT_EQ(MessageOf([&] { printer.StartNewPage(); }),
              QStringLiteral("Illegal call to NewPage"));
    printer.FinishJob(); // nothing outside a job
    EXPECT_EQ(printer.Status(), stReady);

    printer.StartJob();
    EXPECT_EQ(printer.Status(), stBusy);
    DrawPages(printer, 1);
    printer.RequestCancel();
    EXPECT_EQ(MessageOf([&] { printer.StartJob(); }), QStringLiteral("Report printer not ready"));
    // The refused start leaves the running job and its cancel request alone.
    EXPECT_TRUE(printer.CancelRequested());
    EXPECT_EQ(printer.Status(), stBusy);
    EXPECT_EQ(printer.CurrentPage(), 1);
    DrawPages(printer, 1);
    printer.FinishJob();
    EXPECT_EQ(printer.Status(), stFinished);
    EXPECT_EQ(printer.PagesBegun(), 2);
    EXPECT_TRUE(printer.FetchPage(2));

    EXPECT_EQ(MessageOf([&] { printer.StartNewPage(); }),
              QStringLiteral("Illegal call to NewPage"));
    EXPECT_EQ(MessageOf([&] { printer.StartJob(); }), QStringLiteral("Report printer not ready"));
    printer.ResetJob();
    EXPECT_EQ(printer.Status(), stReady);
    EXPECT_EQ(printer.FetchPage(1), nullptr);
    printer.StartJob();
    EXPECT_EQ(printer.PagesBegun(), 0);
    EXPECT_EQ(printer.CurrentPage(), 0);
}

// round(2100 x 96 / 254) = round(793.70) = 794 and round(2970 x 96 / 254) =
// round(1122.52) = 1123.
TEST(ReportPrinter, A4PageAtScreenResolution) {
    // The report's 96 pixels per inch, not the screen's.
    const TScreenPixelsPerInchOverride screen(120);
    TRpPrinter printer;
    printer.StartJob();
    EXPECT_EQ(printer.XFactor(), 96.0L / 254.0L);
    DrawPages(printer, 1);
    EXPECT_EQ(printer.PageMetafile()->Width(), 794);
    EXPECT_EQ(printer.PageMetafile()->Height(), 1123);
    printer.FinishJob();
    const auto page = printer.FetchPage(1);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Width(), 794);
    EXPECT_EQ(page->Height(), 1123);
}

TEST(ReportPrinter, ConversionsRoundHalvesToEven) {
    TRpPrinter printer; // factors 1.0 before a job
    EXPECT_EQ(printer.ToDeviceWidth(2.5L), 2);
    EXPECT_EQ(printer.ToDeviceWidth(3.5L), 4);
    EXPECT_EQ(printer.ToDeviceHeight(-2.5L), -2);
    EXPECT_EQ(printer.ToDeviceX(0.5L), 0);
    EXPECT_EQ(printer.ToDeviceY(1.5L), 2);
    printer.StartJob();
    // 254 native units are one inch, 96 pixels; 100 native units are 37.795 pixels.
    EXPECT_EQ(printer.ToDeviceX(254), 96);
    EXPECT_EQ(printer.ToDeviceY(100), 38);
    EXPECT_EQ(printer.ToDeviceWidth(1200), 454);  // 453.54
    EXPECT_EQ(printer.ToDeviceHeight(1180), 446); // 445.98
    // 127 native units are 48 pixels exactly; a quarter pixel more or less rounds back.
    EXPECT_EQ(printer.ToDeviceX(127 + 127.0L / 192), 48);
    EXPECT_EQ(printer.ToDeviceX(127 - 127.0L / 192), 48);
}

TEST(ReportPrinter, PagesReadyAndProgressArePosted) {
    MessageLog window(nullptr);
    TRpPrinter printer;
    printer.SetClientWindow(&window);
    printer.StartJob();
    DrawPages(printer, 3);
    printer.PostProgress(40);
    printer.FinishJob();
    // Posted, so nothing arrives before the loop runs.
    EXPECT_TRUE(window.received.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(Params(window, RPM_PAGEREADY), (std::vector<intptr_t>{1, 2, 3}));
    EXPECT_EQ(Params(window, RPM_PROGRESS), (std::vector<intptr_t>{40}));
    EXPECT_EQ(printer.PagesReady(), 3);
    EXPECT_EQ(printer.ProgressPercent(), 40);
    // Their numbers are those other windows of the program know.
    EXPECT_EQ(RPM_PROGRESS, 0x400u);
    EXPECT_EQ(RPM_PAGEREADY, 0x401u);
    EXPECT_EQ(RPM_PRINTREQUEST, 0x402u);
    EXPECT_EQ(RPM_PREVIEWCLOSED, 0x404u);
}

// The page open when a pass is cancelled is kept as the last page; no message goes out
// for it and the header keeps the count written with the first page.
TEST(ReportPrinter, AbortJobKeepsTheOpenPage) {
    MessageLog window(nullptr);
    TRpPrinter printer;
    printer.SetClientWindow(&window);
    printer.StartJob();
    DrawPages(printer, 2);
    printer.PageCanvas()->TextOut(100, 100, QStringLiteral("cut short"));
    printer.RequestCancel();
    printer.AbortJob();
    QCoreApplication::processEvents();
    EXPECT_EQ(printer.Status(), stFinished);
    EXPECT_EQ(printer.PageCanvas(), nullptr);
    EXPECT_EQ(Params(window, RPM_PAGEREADY), (std::vector<intptr_t>{1}));
    const auto last = printer.FetchPage(2);
    ASSERT_TRUE(last);
    const QString text = QStringLiteral("cut short");
    EXPECT_TRUE(last->Data().contains(
        QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2)));
    EXPECT_EQ(printer.PageList()->StoredPages(), 2);
    EXPECT_EQ(Int32At(StreamBytes(*printer.PageStream()), 8), 1);
}

TEST(ReportPrinter, FetchPageOnlyForPagesThatExist) {
    TRpPrinter printer;
    EXPECT_EQ(printer.FetchPage(1), nullptr); // no job
    printer.StartJob();
    DrawPages(printer, 3);
    // Page 3 is still open: begun but not in the store yet.
    EXPECT_TRUE(printer.FetchPage(2));
    EXPECT_EQ(printer.FetchPage(3), nullptr);
    printer.FinishJob();
    for (int n : {0, -1, INT_MIN, 4, INT_MAX})
        EXPECT_EQ(printer.FetchPage(n), nullptr) << n;
    for (int n : {3, 1, 2})
        EXPECT_TRUE(printer.FetchPage(n)) << n;
}

TEST(ReportPrinter, CompressedPassRoundTrips) {
    TRpPrinter printer;
    printer.SetCompressed(true);
    printer.StartJob();
    for (int i = 1; i <= 5; ++i) {
        printer.StartNewPage();
        DrawTextPage(*printer.PageCanvas(), i * 11);
    }
    printer.FinishJob();
    const QByteArray bytes = StreamBytes(*printer.PageStream());
    EXPECT_EQ(bytes[21], '\1');
    EXPECT_EQ(Int32At(bytes, 8), 5);
    for (int n = 5; n >= 1; --n) {
        const auto page = printer.FetchPage(n);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->Data(), RecordPage(n * 11)->Data()) << n;
    }
}

// ---- The temporary file ----------------------------------------------------------------

// A pass long enough to move its page stream into a temporary file.
void SpilledPass(TRpPrinter& printer) {
    printer.StartJob();
    int seed = 1;
    while (printer.PageStream()->Buffered())
        DrawPages(printer, 1, seed++);
}

TEST(ReportPrinter, TemporaryFileGoesWithResetAndDestruction) {
    const QString dir = TestTempDir();
    TempDirScope tmp(dir);
    {
        TRpPrinter printer;
        SpilledPass(printer);
        EXPECT_EQ(OpenFilesIn(dir), 1);
        printer.FinishJob();
        printer.ResetJob();
        EXPECT_EQ(OpenFilesIn(dir), 0);
        EXPECT_EQ(printer.PageStream(), nullptr);
    }
    {
        auto printer = std::make_unique<TRpPrinter>();
        SpilledPass(*printer);
        printer->FinishJob();
        printer.reset();
        EXPECT_EQ(OpenFilesIn(dir), 0);
    }
    {
        // A cancelled pass: the report aborts the job and frees its printer.
        auto printer = std::make_unique<TRpPrinter>();
        SpilledPass(*printer);
        printer->RequestCancel();
        printer->AbortJob();
        EXPECT_EQ(OpenFilesIn(dir), 1);
        printer.reset();
        EXPECT_EQ(OpenFilesIn(dir), 0);
    }
    {
        // Freed in the middle of a pass, a page open.
        auto printer = std::make_unique<TRpPrinter>();
        SpilledPass(*printer);
        printer.reset();
        EXPECT_EQ(OpenFilesIn(dir), 0);
    }
    EXPECT_TRUE(TempFilesIn(dir).isEmpty());
}

// ---- Windows ---------------------------------------------------------------------------

class CountingPreview : public TRpPreviewInterface {
public:
    static inline int made = 0, freed = 0;
    static inline TForm* window = nullptr;
    CountingPreview() { ++made; }
    ~CountingPreview() override { ++freed; }
    TForm* ShowPreview(TRpPrinter* printer) override {
        window = new TForm(nullptr);
        window->SetCaption(printer->Title());
        return window;
    }
};

TEST(ReportPrinter, OpenPreview) {
    TRpPrinter printer;
    printer.SetTitle(QStringLiteral("Covers"));
    const TRpPreviewInterfaceClass before = PreviewInterfaceClass();
    SetPreviewInterfaceClass(nullptr);
    EXPECT_EQ(MessageOf([&] { printer.OpenPreview(); }),
              QStringLiteral("No preview window is available"));

    RegisterPreviewInterface<CountingPreview>();
    printer.OpenPreview();
    EXPECT_EQ(CountingPreview::made, 1);
    EXPECT_EQ(CountingPreview::freed, 1);
    ASSERT_EQ(printer.PreviewForm(), CountingPreview::window);
    EXPECT_EQ(printer.PreviewForm()->Caption(), QStringLiteral("Covers"));
    delete CountingPreview::window;
    EXPECT_EQ(printer.PreviewForm(), nullptr);

    // A handler takes the place of any preview window.
    TObject* sender = nullptr;
    printer.PreviewHandler = [&](TObject* s) { sender = s; };
    printer.OpenPreview();
    EXPECT_EQ(sender, &printer);
    EXPECT_EQ(CountingPreview::made, 1);
    SetPreviewInterfaceClass(before);
}

TEST(ReportPrinter, PreviewShowingEnds) {
    TRpPrinter printer;
    int calls = 0;
    printer.AfterPreviewHandler = [&](TObject* sender) {
        EXPECT_EQ(sender, &printer);
        ++calls;
        throw Exception(QStringLiteral("handler failed"));
    };
    printer.SetPreviewShowing(false);
    printer.SetPreviewShowing(true);
    EXPECT_EQ(calls, 0);
    printer.StartJob();
    EXPECT_THROW(printer.SetPreviewShowing(false), Exception);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(printer.PreviewShowing());
    EXPECT_TRUE(printer.CancelRequested());
}

// The report frees its printer while it handles RPM_PREVIEWCLOSED; the printer must
// not be touched after the send.
TEST(ReportPrinter, PreviewClosedMayFreeThePrinter) {
    MessageLog report(nullptr);
    auto* printer = new TRpPrinter;
    printer->SetMasterWindow(&report);
    printer->StartJob();
    DrawPages(*printer, 1);
    printer->FinishJob();
    report.react = [&](const TMessage& m) {
        if (m.Msg == RPM_PREVIEWCLOSED) delete reinterpret_cast<TRpPrinter*>(m.LParam);
    };
    const intptr_t expected = reinterpret_cast<intptr_t>(printer);
    printer->NotifyPreviewClosed();
    ASSERT_EQ(report.received.size(), 1u);
    EXPECT_EQ(report.received[0].LParam, expected);
}

// ---- Report files ----------------------------------------------------------------------

TEST(ReportPrinter, SavedFileIsThePageStream) {
    const QString dir = TestTempDir();
    const QString name = dir + QStringLiteral("/covers.rpp");
    TRpPrinter printer;
    printer.StartJob();
    DrawPages(printer, 3);
    EXPECT_THROW(printer.SaveToFile(name), ERpError); // still running: nothing written
    EXPECT_FALSE(QFile::exists(name));
    printer.FinishJob();
    printer.SaveToFile(name);
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), StreamBytes(*printer.PageStream()));

    TRpPrinter loaded;
    loaded.LoadFromFile(name);
    EXPECT_EQ(loaded.Status(), stFinished);
    EXPECT_TRUE(loaded.FromFile());
    EXPECT_EQ(loaded.PagesBegun(), 3);
    for (int n : {2, 3, 1})
        EXPECT_EQ(loaded.FetchPage(n)->Data(), printer.FetchPage(n)->Data());
    // Until it prints, a report printer takes the papers of the PDF file printer, which
    // offers every size: of A4 and A4 Small, the same size, the later row is detected.
    EXPECT_EQ(loaded.PaperSize(), TRpPaperSize::A4Small);
    EXPECT_EQ(loaded.DevicePrinter(), nullptr);
    loaded.ResetJob();
    EXPECT_TRUE(QFile::exists(name));
}

} // namespace
