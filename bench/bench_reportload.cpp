// Loading a large report file as the preview does it: a one-page report with two
// 4000 x 3000 pictures (about 72 MB of metafile), saved with packed page records and
// with plain ones, loaded by the report printer and its first page fetched to be shown.
// Beside it, in the same run, the floor of that work: reading the file and decoding its
// records once. The load should take at most 1.5 times the floor.

#include "framework/graphics/Pictures.h"
#include "framework/widgets/Forms.h"
#include "report/RpPrntr.h"
#include "report/pagestore/RpPrntrCompress.h"
#include "report/pagestore/RpPrntrFile.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <benchmark/benchmark.h>
#include <random>

namespace {

// A photograph-like picture: smooth gradients with noise, which codes neither to nothing
// nor to more than it holds.
QImage Picture(int seed) {
    QImage image(4000, 3000, QImage::Format_RGB888);
    std::mt19937 random(static_cast<unsigned>(seed));
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const unsigned noise = random() % 24;
            row[3 * x] = static_cast<uchar>((x / 16 + noise) & 0xff);
            row[3 * x + 1] = static_cast<uchar>((y / 12 + noise) & 0xff);
            row[3 * x + 2] = static_cast<uchar>(((x + y) / 28 + noise) & 0xff);
        }
    }
    return image;
}

struct Files {
    QTemporaryDir dir;
    QString packed, plain;
};

// The two files, made once.
const Files& TheFiles() {
    static Files* files = [] {
        auto* f = new Files;
        TRpPrinter printer;
        printer.StartJob();
        printer.StartNewPage();
        for (int i = 0; i < 2; ++i) {
            TBitmap bitmap;
            bitmap.SetImage(Picture(i), pf24bit);
            printer.PageCanvas()->StretchDraw(QRect(40, 40 + i * 520, 700, 500), &bitmap);
        }
        printer.FinishJob();
        for (const bool compressed : {true, false}) {
            TRpStream stream;
            TRpPageList pages;
            pages.SetPageStream(&stream);
            pages.SetCompressed(compressed);
            pages.AppendPage(*printer.FetchPage(1));
            pages.WriteHeader();
            const QString name = f->dir.filePath(compressed ? QStringLiteral("packed.rpp")
                                                            : QStringLiteral("plain.rpp"));
            WriteReportFile(stream, 1, name);
            pages.SetPageStream(nullptr);
            (compressed ? f->packed : f->plain) = name;
        }
        return f;
    }();
    return *files;
}

const QString& FileOf(const benchmark::State& state) {
    return state.range(0) ? TheFiles().packed : TheFiles().plain;
}

// What the preview's load does: the file checked and read, page 1 fetched to be shown.
void BM_LoadAndShowFirstPage(benchmark::State& state) {
    const QString& name = FileOf(state);
    for (auto _ : state) {
        TRpPrinter printer;
        printer.LoadFromFile(name);
        std::unique_ptr<TMetafile> page = printer.FetchPage(1);
        benchmark::DoNotOptimize(page->Data().size());
    }
    state.counters["MB"] = static_cast<double>(QFileInfo(name).size()) / 1e6;
}
BENCHMARK(BM_LoadAndShowFirstPage)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2);

// The floor: the file read whole, and the one record's payload decoded once.
void BM_ReadAndDecodeOnce(benchmark::State& state) {
    const QString& name = FileOf(state);
    for (auto _ : state) {
        QFile file(name);
        file.open(QIODevice::ReadOnly);
        QByteArray bytes = file.readAll();
        // Header, then the record: page number, forward link, payload, backward link.
        const qint64 payloadAt = 124 + 8;
        const qint64 payloadEnd = bytes.size() - 4;
        if (state.range(0)) {
            const auto length = qFromLittleEndian<qint32>(bytes.constData() + payloadAt);
            QBuffer coded(&bytes);
            coded.open(QIODevice::ReadOnly);
            coded.seek(payloadAt + 4);
            QByteArray emf(length, Qt::Uninitialized);
            TRpCompress coder(coded, TRpCompress::cmDecode, payloadEnd - payloadAt - 4);
            coder.Decode(reinterpret_cast<uint8_t*>(emf.data()), static_cast<size_t>(length));
            benchmark::DoNotOptimize(emf.data());
        } else {
            benchmark::DoNotOptimize(bytes.data());
        }
    }
}
BENCHMARK(BM_ReadAndDecodeOnce)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TApplication::Initialize();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TApplication::Finalize();
    return 0;
}
