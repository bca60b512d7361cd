// JPEG pictures as their bytes, against djpeg of the same two pictures in the same run:
// two 4000 x 3000 pictures (quality 90, full-resolution colour) made by cjpeg at the start
// (SLEEVANE_BENCH_WIDTH sets another width, the height three quarters of it).
// - BM_SheetPdf: `sleevane --pdf` of a design with both pictures; its time and peak memory
//   beside djpeg's of both, and the PDF's size beside the pictures' bytes.
// - BM_Anteprima: "Anteprima" (the cover composed onto the print layout and previewed) to
//   the page painted, beside djpeg of both.
// - BM_ReportFile: the previewed page saved as a report file, its size beside the
//   pictures' bytes.
// - BM_PreviewMemory: this process's memory before the preview, with it open, and after
//   it is closed.
// The runs alternate, so that both sides of a ratio see the same machine load.

#include "app/CoverDesign.h"
#include "app/SheetComposer.h"
#include "app/Unit2.h"
#include "framework/widgets/Forms.h"
#include "imaging/jpeg.h"
#include "report/RpPrev.h"
#include "report/RpReport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

QString g_dir;
QString g_pictures[2];
qint64 g_pictureBytes = 0;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct TChildRun {
    double ms = -1;
    double peakMb = 0;
    int status = -1;
};

// One program run to its end: wall time, and its peak resident memory as GNU time reports
// it (the rusage of a child spawned from this process would count this process's pages
// that the child had before it became the program).
TChildRun RunChild(const QStringList& args, const QString& out = QStringLiteral("/dev/null")) {
    const QString peakFile = QDir(g_dir).filePath(QStringLiteral("peak.txt"));
    std::vector<QByteArray> bytes{"/usr/bin/time", "-f", "%M", "-o", peakFile.toLocal8Bit()};
    for (const QString& a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.toLocal8Bit().constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    TChildRun run;
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid) {
            run.ms = clock.nsecsElapsed() / 1e6;
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            QFile peak(peakFile);
            if (peak.open(QIODevice::ReadOnly))
                run.peakMb = peak.readAll().trimmed().split('\n').last().toDouble() / 1024;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

// djpeg of both pictures, one after the other, to nowhere: the floor of any decode.
TChildRun DjpegBoth() {
    TChildRun both{0, 0, 0};
    for (const QString& p : g_pictures) {
        const TChildRun one = RunChild({QStringLiteral("djpeg"), p});
        if (one.status != 0) return {};
        both.ms += one.ms;
        both.peakMb = std::max(both.peakMb, one.peakMb);
    }
    return both;
}

// A photograph-like picture: gradients, rings and noise, as a PPM file for cjpeg.
void MakePicture(const QString& jpg, unsigned seed) {
    // SLEEVANE_BENCH_WIDTH=8000 makes 48-megapixel pictures instead.
    const int w = qEnvironmentVariableIntValue("SLEEVANE_BENCH_WIDTH") > 0
                      ? qEnvironmentVariableIntValue("SLEEVANE_BENCH_WIDTH")
                      : 4000;
    const int h = w * 3 / 4;
    QByteArray ppm = QByteArray("P6\n") + QByteArray::number(w) + ' ' + QByteArray::number(h) +
                     QByteArray("\n255\n");
    const qsizetype head = ppm.size();
    ppm.resize(head + qsizetype(w) * h * 3);
    auto* p = reinterpret_cast<uchar*>(ppm.data() + head);
    uint32_t state = 2463534242u + seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int n = static_cast<int>(state % 9) - 4;
            const int dx = x - w / 2, dy = y - h / 3;
            const int ring = ((dx * dx + dy * dy) / 9000) % 64;
            *p++ = static_cast<uchar>(std::clamp(x * 255 / w + n, 0, 255));
            *p++ = static_cast<uchar>(std::clamp(y * 255 / h + ring + n, 0, 255));
            *p++ = static_cast<uchar>(std::clamp(160 - ring * 2 + int(seed % 50) + n, 0, 255));
        }
    const QString ppmFile = jpg + QStringLiteral(".ppm");
    QFile f(ppmFile);
    if (!f.open(QIODevice::WriteOnly) || f.write(ppm) != ppm.size()) qFatal("cannot write ppm");
    f.close();
    if (RunChild({QStringLiteral("cjpeg"), QStringLiteral("-quality"), QStringLiteral("90"),
                  QStringLiteral("-sample"), QStringLiteral("1x1"), ppmFile},
                 jpg)
            .status != 0)
        qFatal("cjpeg failed");
    QFile::remove(ppmFile);
}

TCoverDesign Design() {
    TCoverDesign design;
    design.frontFormat = TFrontFormat::Single;
    design.rearFormat = TRearFormat::WithBands;
    design.frontPicture = g_pictures[0];
    design.rearPicture = g_pictures[1];
    design.frontLine = QStringLiteral("Concerto");
    design.leftBand = QStringLiteral("Lato A");
    design.rightBand = QStringLiteral("Lato B");
    return design;
}

void BM_SheetPdf(benchmark::State& state) {
    const QString design = QDir(g_dir).filePath(QStringLiteral("cover.sleevane"));
    {
        QFile f(design);
        if (!f.open(QIODevice::WriteOnly)) return state.SkipWithError("cannot write design");
        f.write(QStringLiteral(R"({"format":"sleevane-design","version":1,
            "front":{"format":"single","picture":"%1","line":"Concerto"},
            "rear":{"format":"bands","picture":"%2","leftBand":"Lato A","rightBand":"Lato B"}})")
                    .arg(g_pictures[0], g_pictures[1])
                    .toUtf8());
    }
    const QString pdf = QDir(g_dir).filePath(QStringLiteral("sheet.pdf"));
    std::vector<double> pdfMs, djpegMs, pdfPeak, djpegPeak;
    for (auto _ : state) {
        const TChildRun d = DjpegBoth();
        const TChildRun s =
            RunChild({QStringLiteral(SLEEVANE_PROGRAM), QStringLiteral("--pdf"), design, pdf});
        if (d.status != 0 || s.status != 0) return state.SkipWithError("a run failed");
        djpegMs.push_back(d.ms);
        pdfMs.push_back(s.ms);
        djpegPeak.push_back(d.peakMb);
        pdfPeak.push_back(s.peakMb);
    }
    state.counters["pdf_ms"] = Median(pdfMs);
    state.counters["djpeg_ms"] = Median(djpegMs);
    state.counters["ratio"] = Median(pdfMs) / std::max(1e-9, Median(djpegMs));
    state.counters["pdf_peak_mb"] = Median(pdfPeak);
    state.counters["djpeg_peak_mb"] = Median(djpegPeak);
    state.counters["pdf_kb"] = QFileInfo(pdf).size() / 1024.0;
    state.counters["pictures_kb"] = g_pictureBytes / 1024.0;
    state.counters["pdf_over_pictures_kb"] = (QFileInfo(pdf).size() - g_pictureBytes) / 1024.0;
}
BENCHMARK(BM_SheetPdf)->Unit(benchmark::kMillisecond)->Iterations(7);

// The time from "Anteprima" (the sheet composed afresh, as the editor composes it) to page 1
// painted in the preview window; whileShown runs then, with the window and the report, before
// the window is closed.
double AnteprimaMs(const std::function<void(TRpStandardPreview*, TCustomReport*)>& whileShown) {
    TCustomReport* report = nullptr;
    QElapsedTimer clock;
    double painted = -1;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* printer = report ? report->RpPrinter() : nullptr;
        auto* window =
            printer ? qobject_cast<TRpStandardPreview*>(printer->PreviewForm()) : nullptr;
        if (!window || !window->RpPreview->Image()->ImageLoaded() ||
            window->RpPreview->Image()->RenderCount() == 0)
            return;
        painted = clock.nsecsElapsed() / 1e6;
        watch.stop();
        if (whileShown) whileShown(window, report);
        window->Close();
    });
    watch.start();
    clock.start();
    const std::unique_ptr<Tpreview> sheet = ComposeSheet(Design(), TCoverOutput::Preview);
    report = sheet->Report1;
    report->PreviewReport();
    Application->ProcessMessages();
    return painted;
}

void BM_Anteprima(benchmark::State& state) {
    std::vector<double> shown, djpeg;
    for (auto _ : state) {
        const TChildRun d = DjpegBoth();
        const double ms = AnteprimaMs({});
        if (d.status != 0 || ms < 0) return state.SkipWithError("a run failed");
        djpeg.push_back(d.ms);
        shown.push_back(ms);
    }
    state.counters["anteprima_ms"] = Median(shown);
    state.counters["djpeg_ms"] = Median(djpeg);
    state.counters["ratio"] = Median(shown) / std::max(1e-9, Median(djpeg));
}
BENCHMARK(BM_Anteprima)->Unit(benchmark::kMillisecond)->Iterations(7);

void BM_ReportFile(benchmark::State& state) {
    const QString rpp = QDir(g_dir).filePath(QStringLiteral("sheet.rpp"));
    for (auto _ : state) {
        AnteprimaMs([&](TRpStandardPreview*, TCustomReport* report) {
            report->RpPrinter()->SaveToFile(rpp);
        });
    }
    state.counters["report_kb"] = QFileInfo(rpp).size() / 1024.0;
    state.counters["pictures_kb"] = g_pictureBytes / 1024.0;
    state.counters["report_over_pictures_kb"] = (QFileInfo(rpp).size() - g_pictureBytes) / 1024.0;
}
BENCHMARK(BM_ReportFile)->Unit(benchmark::kMillisecond)->Iterations(1);

// Resident memory of this process and its peak, from the kernel's account.
double StatusMb(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    double mb = 0;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0) mb = std::atof(line + n) / 1024;
    std::fclose(f);
    return mb;
}

void BM_PreviewMemory(benchmark::State& state) {
    AnteprimaMs({}); // what stays from any first run (fonts, layouts)
    double before = 0, open = 0, after = 0;
    for (auto _ : state) {
        before = StatusMb("VmRSS:");
        AnteprimaMs([&](TRpStandardPreview*, TCustomReport*) { open = StatusMb("VmRSS:"); });
        Application->ProcessMessages();
        after = StatusMb("VmRSS:");
    }
    const TChildRun d = DjpegBoth();
    state.counters["before_mb"] = before;
    state.counters["open_mb"] = open;
    state.counters["after_close_mb"] = after;
    state.counters["peak_mb"] = StatusMb("VmHWM:");
    state.counters["djpeg_peak_mb"] = d.peakMb;
}
BENCHMARK(BM_PreviewMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TApplication::Initialize();
    RegisterMetafileFormats();
    RegisterJPEGFormats();
    SetUsesInchDefaults(false);
    RegisterReportClasses();
    QTemporaryDir dir;
    g_dir = dir.path();
    for (int i = 0; i < 2; ++i) {
        g_pictures[i] = QDir(g_dir).filePath(QStringLiteral("cover-%1.jpg").arg(i));
        MakePicture(g_pictures[i], 11 + 40 * i);
        g_pictureBytes += QFileInfo(g_pictures[i]).size();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TApplication::Finalize();
    return 0;
}
