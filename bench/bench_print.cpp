// Printing a one-page report with two 4000 x 3000 JPEG pictures to the PDF file printer:
// the time from PrintReport to the PDF written, beside the time of decoding the page's two
// pictures one after the other (goal: at most twice that), and the time of printing the
// same page kept in the page store (PrintKeptPages), which plays its metafile onto the
// printer.

#include "framework/graphics/Pictures.h"
#include "framework/printing/Printers.h"
#include "framework/widgets/Forms.h"
#include "imaging/jpeg.h"
#include "report/RpPrntr.h"
#include "report/RpReport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

QString g_jpeg;
QString g_out;

QImage PhotoLikeImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(4000);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = static_cast<int>(rng.bounded(24u)) - 12;
            row[x] = qRgb(std::clamp(x * 255 / w + n, 0, 255), std::clamp(y * 255 / h + n, 0, 255),
                          std::clamp(160 + n, 0, 255));
        }
    }
    return image;
}

// A picture stretched into the item's frame, as the report's picture items print.
class TBenchPicture : public TRpPrintable {
public:
    TBenchPicture(TComponent* owner, const QString& file) : TRpPrintable(owner) {
        picture_.LoadFromFile(file);
    }
    void PrintItem(long double offsetX, long double offsetY) override {
        const TRpRect r = DeviceRect(offsetX, offsetY);
        Printer()->PageCanvas()->StretchDraw(
            QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)), &picture_);
        TRpPrintable::PrintItem(offsetX, offsetY);
    }

private:
    TJPEGImage picture_;
};

struct Cover {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TReport* report = nullptr;

    Cover() {
        report = new TReport(form.get());
        report->Page()->SetPaperSize(TRpPaperSize::A4);
        report->SetShowProgress(false);
        report->SetUnits(TRpUnit::MM);
        auto* band = new TRpBand(form.get());
        band->SetBandType(rbDetail);
        band->SetParent(report);
        band->Size()->SetUnits(TRpUnit::MM);
        band->Size()->SetHeight(260);
        for (int i = 0; i < 2; ++i) {
            auto* picture = new TBenchPicture(form.get(), g_jpeg);
            picture->SetParent(band);
            picture->Size()->SetUnits(TRpUnit::MM);
            picture->Size()->SetLeft(10);
            picture->Size()->SetTop(10 + 130 * i);
            picture->Size()->SetWidth(120);
            picture->Size()->SetHeight(120);
        }
        TPrinter probe;
        report->PrinterSettings()->SetPrinterIndex(static_cast<int>(probe.Printers().size()) - 1);
    }
};

double PrintReportOnceMs(Cover& cover) {
    QFile::remove(g_out);
    QElapsedTimer t;
    t.start();
    cover.report->PrintReport();
    const double ms = t.nsecsElapsed() / 1e6;
    return QFile::exists(g_out) ? ms : -1;
}

double PrintKeptOnceMs(TRpPrinter& kept) {
    QFile::remove(g_out);
    QElapsedTimer t;
    t.start();
    kept.PrintKeptPages();
    const double ms = t.nsecsElapsed() / 1e6;
    return QFile::exists(g_out) ? ms : -1;
}

void BM_PrintReportToPdf(benchmark::State& state) {
    Cover cover;
    for (auto _ : state) {
        const double ms = PrintReportOnceMs(cover);
        if (ms < 0) {
            state.SkipWithError("no PDF written");
            return;
        }
        state.SetIterationTime(ms / 1000);
    }
}
BENCHMARK(BM_PrintReportToPdf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

double DecodeTwoMs() {
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 2; ++i) {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(g_jpeg);
        benchmark::DoNotOptimize(jpeg.Bitmap()->ScanLine(2999));
    }
    return t.nsecsElapsed() / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Both alternately, so that both see the same machine load: the ratio is the goal's.
void BM_PrintReportAgainstDecode(benchmark::State& state) {
    Cover cover;
    std::vector<double> print, decode;
    for (auto _ : state) {
        decode.push_back(DecodeTwoMs());
        const double ms = PrintReportOnceMs(cover);
        if (ms < 0) {
            state.SkipWithError("no PDF written");
            return;
        }
        print.push_back(ms);
    }
    const double p = Median(print), d = Median(decode);
    state.counters["print_ms"] = p;
    state.counters["decode_ms"] = d;
    state.counters["ratio"] = d > 0 ? p / d : 0;
    state.counters["pdf_mb"] = QFileInfo(g_out).size() / 1e6;
}
BENCHMARK(BM_PrintReportAgainstDecode)->Unit(benchmark::kMillisecond)->Iterations(5);

// The pass into the page store once, then its page printed from there.
void BM_PrintKeptPageToPdf(benchmark::State& state) {
    Cover cover;
    cover.report->OnPreview = [](TObject*) {};
    cover.report->PreviewReport();
    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath(QStringLiteral("cover.rpp"));
    cover.report->RpPrinter()->SaveToFile(file);
    TRpPrinter kept;
    kept.LoadFromFile(file);
    kept.SetPrinterIndex(static_cast<int>(kept.DevicePrinter()->Printers().size()) - 1);
    kept.DevicePrinter()->SetOutputFileName(g_out);
    for (auto _ : state) {
        const double ms = PrintKeptOnceMs(kept);
        if (ms < 0) {
            state.SkipWithError("no PDF written");
            return;
        }
        state.SetIterationTime(ms / 1000);
    }
}
BENCHMARK(BM_PrintKeptPageToPdf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TApplication::Initialize();
    RegisterJPEGFormats();
    RegisterReportClasses();
    QTemporaryDir dir;
    g_jpeg = QDir(dir.path()).filePath(QStringLiteral("picture-4000x3000.jpg"));
    g_out = QDir(dir.path()).filePath(QStringLiteral("cover.pdf"));
    {
        TBitmap bitmap;
        bitmap.SetImage(PhotoLikeImage(4000, 3000), pf24bit);
        TJPEGImage jpeg;
        jpeg.Assign(&bitmap);
        jpeg.SaveToFile(g_jpeg);
    }
    SetOutputFileQuestion([](const QString&) { return std::optional(g_out); });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TApplication::Finalize();
    return 0;
}
