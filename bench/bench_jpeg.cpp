// Loading and decoding a 4000 x 3000 JPEG picture, against libjpeg's own decoder writing
// the same file as a bitmap (djpeg -bmp), on a file made at start-up. The comparison runs
// both alternately and reports their medians and the ratio.

#include "framework/graphics/Pictures.h"
#include "imaging/jpeg.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <vector>

namespace {

QString g_file;

// Gradients, soft shapes and sensor-like noise: close to what a scanned cover gives.
QImage PhotoLikeImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(4000);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int dx = x - w / 2, dy = y - h / 3;
            const int ring = ((dx * dx + dy * dy) / 9000) % 64;
            const int n = static_cast<int>(rng.bounded(24u)) - 12;
            row[x] = qRgb(std::clamp(x * 255 / w + n, 0, 255),
                          std::clamp(y * 255 / h + ring + n, 0, 255),
                          std::clamp(160 - ring * 2 + n, 0, 255));
        }
    }
    return image;
}

void MakeFile(const QString& path) {
    TBitmap bitmap;
    bitmap.SetImage(PhotoLikeImage(4000, 3000), pf24bit);
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    jpeg.SaveToFile(path);
}

double DecodeOnceMs() {
    QElapsedTimer t;
    t.start();
    TJPEGImage jpeg;
    jpeg.LoadFromFile(g_file);
    benchmark::DoNotOptimize(jpeg.Bitmap()->ScanLine(2999));
    return t.nsecsElapsed() / 1e6;
}

// djpeg writing a bitmap (bottom-up, so it keeps the whole image first) or, for
// comparison, writing rows straight out as a PPM.
double DjpegOnceMs(const char* format = "-bmp") {
    const QByteArray command =
        QByteArray("djpeg ") + format + " -outfile /dev/null '" + QFile::encodeName(g_file) + "'";
    QElapsedTimer t;
    t.start();
    if (std::system(command.constData()) != 0) return -1;
    return t.nsecsElapsed() / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void BM_LoadAndDecode4000x3000(benchmark::State& state) {
    for (auto _ : state)
        state.SetIterationTime(DecodeOnceMs() / 1000);
}
BENCHMARK(BM_LoadAndDecode4000x3000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DjpegToBmp4000x3000(benchmark::State& state) {
    for (auto _ : state) {
        const double ms = DjpegOnceMs();
        if (ms < 0) {
            state.SkipWithError("djpeg failed");
            return;
        }
        state.SetIterationTime(ms / 1000);
    }
}
BENCHMARK(BM_DjpegToBmp4000x3000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Both decoders alternately, so that both see the same machine load.
void BM_DecodeAgainstDjpeg(benchmark::State& state) {
    std::vector<double> ours, theirs, ppm;
    for (auto _ : state) {
        ours.push_back(DecodeOnceMs());
        theirs.push_back(DjpegOnceMs());
        ppm.push_back(DjpegOnceMs("-pnm"));
    }
    const double a = Median(ours), b = Median(theirs);
    state.counters["ours_ms"] = a;
    state.counters["djpeg_bmp_ms"] = b;
    state.counters["djpeg_ppm_ms"] = Median(ppm);
    state.counters["ratio"] = b > 0 ? a / b : 0;
}
BENCHMARK(BM_DecodeAgainstDjpeg)->Unit(benchmark::kMillisecond)->Iterations(15);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    RegisterStandardPictureFormats();
    RegisterJPEGFormats();
    QTemporaryDir dir;
    g_file = QDir(dir.path()).filePath(QStringLiteral("cover-4000x3000.jpg"));
    MakeFile(g_file);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
