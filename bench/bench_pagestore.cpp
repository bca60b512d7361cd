// The page store under a long report: 1000 text pages recorded through the page canvas
// and appended (the stream lives in its temporary file), then fetched forward, backward,
// at random, and as neighbours near the start, the middle and the end. Then the splay
// coder's throughput on page bytes beside deflate at level 1, the coding of gzip -1, on
// the same bytes in the same run.

#include "framework/widgets/Forms.h"
#include "report/RpPrntr.h"
#include "report/pagestore/RpPrntrCompress.h"

#include <QApplication>
#include <QBuffer>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <random>

#ifdef SLEEVANE_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

constexpr int kPages = 1000;

void DrawTextPage(TCanvas& canvas, int seed) {
    std::mt19937 random(static_cast<unsigned>(seed));
    canvas.Font()->SetName(QStringLiteral("Arial"));
    canvas.Font()->SetHeight(-13);
    for (int i = 0; i < 40; ++i)
        canvas.TextOut(40, 40 + i * 26,
                       QStringLiteral("Page %1, line %2: track %3, a title of the song")
                           .arg(seed)
                           .arg(i)
                           .arg(random() % 1000));
    canvas.Rectangle(20, 20, 770, 1100);
}

void RunPass(TRpPrinter& printer, int pages) {
    printer.StartJob();
    for (int i = 1; i <= pages; ++i) {
        printer.StartNewPage();
        DrawTextPage(*printer.PageCanvas(), i);
    }
    printer.FinishJob();
}

// One finished 1000-page pass per compression setting, made once.
TRpPrinter& Store(bool compressed) {
    static TRpPrinter* stores[2] = {};
    TRpPrinter*& p = stores[compressed ? 1 : 0];
    if (!p) {
        p = new TRpPrinter;
        p->SetCompressed(compressed);
        RunPass(*p, kPages);
    }
    return *p;
}

void BM_AppendTextPages(benchmark::State& state) {
    for (auto _ : state) {
        TRpPrinter printer;
        printer.SetCompressed(state.range(0) != 0);
        RunPass(printer, kPages);
        state.counters["stream_MB"] = printer.PageStream()->size() / 1e6;
    }
    state.SetItemsProcessed(state.iterations() * kPages);
}
BENCHMARK(BM_AppendTextPages)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

template <class Next> void Fetching(benchmark::State& state, Next next) {
    TRpPrinter& printer = Store(state.range(0) != 0);
    int n = 0;
    for (auto _ : state) {
        n = next(n);
        auto page = printer.FetchPage(n);
        if (!page) state.SkipWithError("page missing");
        benchmark::DoNotOptimize(page.get());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FetchForward(benchmark::State& state) {
    Fetching(state, [](int n) { return n % kPages + 1; });
}
BENCHMARK(BM_FetchForward)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_FetchBackward(benchmark::State& state) {
    Fetching(state, [](int n) { return n <= 1 ? kPages : n - 1; });
}
BENCHMARK(BM_FetchBackward)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_FetchRandom(benchmark::State& state) {
    std::mt19937 random(5);
    Fetching(state, [&](int) { return static_cast<int>(1 + random() % kPages); });
}
BENCHMARK(BM_FetchRandom)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Next and previous page in turn around page p, as a preview steps back and forth.
void BM_FetchNeighbour(benchmark::State& state) {
    const int p = static_cast<int>(state.range(1));
    Fetching(state, [p](int n) { return n == p ? p + 1 : p; });
}
BENCHMARK(BM_FetchNeighbour)->ArgsProduct({{0, 1}, {2, 500, 998}})->Unit(benchmark::kMicrosecond);

// ---- Coder throughput ------------------------------------------------------------------

const QByteArray& PageBytes() {
    static const QByteArray bytes = [] {
        TRpPrinter printer;
        RunPass(printer, 50);
        QByteArray all;
        for (int n = 1; n <= 50; ++n)
            all += printer.FetchPage(n)->Data();
        return all;
    }();
    return bytes;
}

QByteArray SplayEncode(const QByteArray& plain) {
    QByteArray out;
    out.reserve(plain.size());
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    TRpCompress coder(buffer, TRpCompress::cmEncode);
    coder.Encode(reinterpret_cast<const uint8_t*>(plain.constData()),
                 static_cast<size_t>(plain.size()));
    coder.Flush();
    return out;
}

void BM_SplayEncode(benchmark::State& state) {
    const QByteArray& plain = PageBytes();
    qsizetype coded = 0;
    for (auto _ : state) {
        const QByteArray out = SplayEncode(plain);
        coded = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetBytesProcessed(state.iterations() * plain.size());
    state.counters["ratio"] = double(coded) / double(plain.size());
}
BENCHMARK(BM_SplayEncode)->Unit(benchmark::kMillisecond);

void BM_SplayDecode(benchmark::State& state) {
    const QByteArray& plain = PageBytes();
    QByteArray coded = SplayEncode(plain);
    QByteArray out(plain.size(), '\0');
    for (auto _ : state) {
        QBuffer buffer(&coded);
        buffer.open(QIODevice::ReadOnly);
        TRpCompress coder(buffer, TRpCompress::cmDecode, coded.size());
        coder.Decode(reinterpret_cast<uint8_t*>(out.data()), static_cast<size_t>(out.size()));
        benchmark::DoNotOptimize(out.data());
    }
    if (out != plain) state.SkipWithError("decoded bytes differ");
    state.SetBytesProcessed(state.iterations() * plain.size());
}
BENCHMARK(BM_SplayDecode)->Unit(benchmark::kMillisecond);

#ifdef SLEEVANE_HAVE_ZLIB
// Deflate at level 1 with the gzip wrapper: what gzip -1 does, without a process.
void BM_Gzip1(benchmark::State& state) {
    const QByteArray& plain = PageBytes();
    std::vector<Bytef> out(compressBound(static_cast<uLong>(plain.size())) + 64);
    uLong coded = 0;
    for (auto _ : state) {
        z_stream z{};
        deflateInit2(&z, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.constData()));
        z.avail_in = static_cast<uInt>(plain.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        if (deflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("deflate failed");
        coded = z.total_out;
        deflateEnd(&z);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * plain.size());
    state.counters["ratio"] = double(coded) / double(plain.size());
}
BENCHMARK(BM_Gzip1)->Unit(benchmark::kMillisecond);

void BM_Gunzip(benchmark::State& state) {
    const QByteArray& plain = PageBytes();
    std::vector<Bytef> coded(compressBound(static_cast<uLong>(plain.size())) + 64);
    z_stream z{};
    deflateInit2(&z, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.constData()));
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = coded.data();
    z.avail_out = static_cast<uInt>(coded.size());
    deflate(&z, Z_FINISH);
    const uLong codedSize = z.total_out;
    deflateEnd(&z);
    std::vector<Bytef> out(static_cast<size_t>(plain.size()));
    for (auto _ : state) {
        z_stream i{};
        inflateInit2(&i, 15 + 16);
        i.next_in = coded.data();
        i.avail_in = static_cast<uInt>(codedSize);
        i.next_out = out.data();
        i.avail_out = static_cast<uInt>(out.size());
        if (inflate(&i, Z_FINISH) != Z_STREAM_END) state.SkipWithError("inflate failed");
        inflateEnd(&i);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * plain.size());
}
BENCHMARK(BM_Gunzip)->Unit(benchmark::kMillisecond);
#else
// Without zlib: the gzip program itself, its start included.
void BM_Gzip1(benchmark::State& state) {
    const QByteArray& plain = PageBytes();
    for (auto _ : state) {
        QProcess gzip;
        gzip.start(QStringLiteral("gzip"), {QStringLiteral("-1"), QStringLiteral("-c")});
        gzip.write(plain);
        gzip.closeWriteChannel();
        gzip.waitForFinished(-1);
        benchmark::DoNotOptimize(gzip.readAllStandardOutput().size());
    }
    state.SetBytesProcessed(state.iterations() * plain.size());
}
BENCHMARK(BM_Gzip1)->Unit(benchmark::kMillisecond);
#endif

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
