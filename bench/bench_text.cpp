// Texts at the design reader's caps, laid out and printed as a cover sheet holds them: each
// text kept inside its cover's frame. One pass into the page store (what "Anteprima" runs)
// and one print to a PDF file (what "Stampa" runs) per case; the goal is at most 2 s and
// 300 MB for each, whatever the text. The cases:
//   RearLine:     one rear line of 80,000 characters of short words
//   RearLines:    a million rear lines of one word each
//   FrontLine:    a front line of 9.9 million characters, running down to the right
//   FrontBlock:   one front paragraph of 9.9 million characters of short words
// and the editor's miniature of the 9.9-million-character front line (MiniatureLine).
// The counter peak_MB is the process's peak resident size after the case (it only grows:
// run one case at a time, with --benchmark_filter, to read each one's own).

#include "controls/antAngleLabel.h"
#include "framework/printing/Printers.h"
#include "framework/widgets/Forms.h"
#include "report/RpAngLbl.h"
#include "report/RpCtrls.h"
#include "report/RpPrntr.h"
#include "report/RpReport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <sys/resource.h>

namespace {

QString g_out;

constexpr qsizetype kFrontLineChars = 9'900'000;

QString ShortWords(qsizetype chars) {
    QString text;
    text.reserve(chars);
    while (text.size() + 3 <= chars)
        text += QStringLiteral("ab ");
    return text;
}

double PeakMegabytes() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return static_cast<double>(use.ru_maxrss) / 1024;
}

template <class T>
T* Place(TForm* form, TRpBand* band, long double l, long double t, long double w, long double h) {
    auto* item = new T(form);
    item->SetParent(band);
    item->Size()->SetUnits(TRpUnit::MM);
    item->Size()->SetLeft(l);
    item->Size()->SetTop(t);
    item->Size()->SetWidth(w);
    item->Size()->SetHeight(h);
    return item;
}

// The sheet: the front cover above the rear card, each text inside its cover's frame.
struct Sheet {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TReport* report = nullptr;
    TRpMemo* front = nullptr;
    TRpMemo* rear = nullptr;
    TRpAngledLabel* line = nullptr;

    Sheet() {
        report = new TReport(form.get());
        report->Page()->SetPaperSize(TRpPaperSize::A4);
        report->SetShowProgress(false);
        report->SetUnits(TRpUnit::MM);
        auto* band = new TRpBand(form.get());
        band->SetBandType(rbDetail);
        band->SetParent(report);
        band->Size()->SetUnits(TRpUnit::MM);
        band->Size()->SetHeight(260);
        front = Place<TRpMemo>(form.get(), band, 0, 0, 120, 30);
        rear = Place<TRpMemo>(form.get(), band, 6, 130, 139, 30);
        for (TRpMemo* memo : {front, rear}) {
            memo->SetAutoSize(false);
            memo->SetAutoStretch(true);
            memo->Font()->SetName(QStringLiteral("Arial"));
            memo->Font()->SetSize(21);
        }
        front->SetClipFrame(TRpTextFrame{0, 0, 1200, 1200});
        rear->SetClipFrame(TRpTextFrame{0, 1300, 1510, 1180});
        line = Place<TRpAngledLabel>(form.get(), band, 20, 20, 10, 10);
        line->HandleNeeded();
        line->Font()->SetName(QStringLiteral("Arial"));
        line->Font()->SetSize(38);
        line->SetAngle(315);
        line->SetClipFrame(TRpTextFrame{0, 0, 1200, 1200});
        TPrinter probe;
        report->PrinterSettings()->SetPrinterIndex(static_cast<int>(probe.Printers().size()) - 1);
    }
};

void Fill(Sheet& sheet, int which) {
    switch (which) {
    case 0:
        sheet.rear->Lines()->Add(ShortWords(80'000));
        break;
    case 1: {
        QStringList lines;
        lines.reserve(1'000'000);
        for (int i = 0; i < 1'000'000; ++i)
            lines << QStringLiteral("traccia");
        sheet.rear->Lines()->SetList(lines);
        break;
    }
    case 2:
        sheet.line->SetCaption(QString(kFrontLineChars, QLatin1Char('W')));
        break;
    case 3:
        sheet.front->Lines()->Add(ShortWords(kFrontLineChars));
        break;
    }
}

const char* const kNames[] = {"RearLine", "RearLines", "FrontLine", "FrontBlock"};

void BM_PreviewPass(benchmark::State& state) {
    Sheet sheet;
    Fill(sheet, static_cast<int>(state.range(0)));
    state.SetLabel(kNames[state.range(0)]);
    sheet.report->OnPreview = [](TObject*) {};
    for (auto _ : state)
        sheet.report->PreviewReport();
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_PreviewPass)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PrintToPdf(benchmark::State& state) {
    Sheet sheet;
    Fill(sheet, static_cast<int>(state.range(0)));
    state.SetLabel(kNames[state.range(0)]);
    for (auto _ : state) {
        QFile::remove(g_out);
        sheet.report->PrintReport();
        if (!QFile::exists(g_out)) {
            state.SkipWithError("no PDF written");
            return;
        }
    }
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_PrintToPdf)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(1);

// The editor's miniature of the front line: the on-screen turned label given the 9.9-million
// character line, measured and painted once.
void BM_MiniatureLine(benchmark::State& state) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 217, 217);
    form.HandleNeeded();
    auto* label = new TantAngleLabel(&form);
    label->SetParent(&form);
    label->SetAngle(45);
    const QString line(kFrontLineChars, QLatin1Char('W'));
    for (auto _ : state) {
        label->SetCaption(line);
        benchmark::DoNotOptimize(form.Widget()->grab());
        label->SetCaption(QString());
    }
    state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_MiniatureLine)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TApplication::Initialize();
    RegisterReportClasses();
    RegisterPrintableItemClasses();
    RegisterAngledLabelClasses();
    QTemporaryDir dir;
    g_out = QDir(dir.path()).filePath(QStringLiteral("sheet.pdf"));
    SetOutputFileQuestion([](const QString&) { return std::optional(g_out); });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TApplication::Finalize();
    return 0;
}
