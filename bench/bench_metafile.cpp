// Recording and playing a kept page: an A4 page at screen resolution with two cover
// pictures of 4000 x 3000 pixels stretched into their covers, frames, and a few hundred
// texts, some turned. Then the same page printed at 1200 pixels per inch, and text whose
// font is thousands of times larger than the picture it is played into.

#include "framework/graphics/EmfPlayer.h"
#include "framework/graphics/Metafile.h"

#include <QApplication>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

TDib CoverPicture(int seed) {
    QImage image(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb((x + seed) & 255, (y * 3) & 255, (x ^ y) & 255);
    }
    return ImageToDib(image);
}

void DrawPage(TCanvas& canvas, const TDib& front, const TDib& rear) {
    TDeviceContext& dc = *canvas.Handle();
    dc.SetStretchBltMode(COLORONCOLOR);
    dc.StretchDIBits(QRect(38, 38, 453, 453), QRect(0, 0, 4000, 3000), front, SRCCOPY);
    dc.StretchDIBits(QRect(38, 540, 571, 446), QRect(0, 0, 4000, 3000), rear, SRCCOPY);
    canvas.Brush()->SetColor(clBlack);
    canvas.FrameRect(QRect(38, 38, 453, 453));
    canvas.FrameRect(QRect(38, 540, 571, 446));
    canvas.Brush()->SetStyle(TBrush::bsClear);
    canvas.Font()->SetName(QStringLiteral("Arial"));
    for (int i = 0; i < 300; ++i) {
        canvas.Font()->SetHeight(-(10 + i % 5));
        canvas.Font()->SetColor(i % 2 ? clBlack : clNavy);
        canvas.TextOut(60 + (i % 3) * 140, 560 + (i / 3) * 4,
                       QStringLiteral("Track %1 - a title of the song").arg(i));
    }
    for (int angle : {900, 2700}) {
        LOGFONT lf = canvas.Font()->GetLogFont();
        lf.lfEscapement = lf.lfOrientation = angle;
        dc.SelectFont(CreateFontIndirect(lf));
        dc.ExtTextOut(angle == 900 ? 50 : 600, angle == 900 ? 980 : 550, 0, nullptr,
                      QStringLiteral("Side band text"));
    }
}

QByteArray Record(const TDib& front, const TDib& rear) {
    TMetafile mf;
    mf.SetWidth(794);
    mf.SetHeight(1123);
    {
        TMetafileCanvas canvas(&mf);
        DrawPage(canvas, front, rear);
    }
    return mf.Data();
}

void BM_RecordPage(benchmark::State& state) {
    const TDib front = CoverPicture(0), rear = CoverPicture(7);
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray emf = Record(front, rear);
        bytes = emf.size();
        benchmark::DoNotOptimize(emf.constData());
    }
    state.counters["metafile_MB"] = bytes / 1e6;
}
BENCHMARK(BM_RecordPage)->Unit(benchmark::kMillisecond);

void BM_PlayPageAt100(benchmark::State& state) {
    const QByteArray emf = Record(CoverPicture(0), CoverPicture(7));
    QImage image(794, 1123, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        PlayEnhMetaFile(painter, emf, QRectF(0, 0, 794, 1123));
    }
}
BENCHMARK(BM_PlayPageAt100)->Unit(benchmark::kMillisecond);

void BM_LoadPage(benchmark::State& state) {
    const QByteArray emf = Record(CoverPicture(0), CoverPicture(7));
    for (auto _ : state) {
        TMetafile mf;
        mf.SetData(emf);
        benchmark::DoNotOptimize(mf.Data().constData());
    }
}
BENCHMARK(BM_LoadPage)->Unit(benchmark::kMillisecond);

// A strip of an A4 page at 1200 pixels per inch, a tenth of its height (the whole page
// would be 139 million pixels): the page picture played straight onto the painter.
void BM_PlayPageAt1200(benchmark::State& state) {
    TMetafile page;
    page.SetData(Record(CoverPicture(0), CoverPicture(7)));
    QImage strip(9921, 1403, QImage::Format_RGB32);
    for (auto _ : state) {
        strip.fill(Qt::white);
        QPainter painter(&strip);
        TPainterDC dc(&painter, DT_RASPRINTER);
        TCanvas canvas(&dc);
        canvas.StretchDraw(QRect(0, -4 * 1403, 9921, 14031), &page);
    }
}
BENCHMARK(BM_PlayPageAt1200)->Unit(benchmark::kMillisecond);

// Text records with an em of 55051 units, in scripts the faces have and lack, played into
// 64 x 48 pixels: glyphs go as outlines, so the peak memory (the process's: run it alone)
// stays that of a small picture.
void BM_PlayHugeText(benchmark::State& state) {
    std::vector<QByteArray> pictures;
    for (const QString& text : {QStringLiteral("Hg"), QString(4, QChar(0x0D0C)),
                                QString::fromUtf8("\u0645\u0631\u062D\u0628\u0627")}) {
        TEmfRecorderDC recorder(QSize(100, 60), 96, 96);
        LOGFONT lf;
        lf.lfHeight = -55051;
        lf.lfEscapement = lf.lfOrientation = 450;
        lf.SetFaceName(QStringLiteral("Arial"));
        recorder.SelectFont(CreateFontIndirect(lf));
        recorder.TextOut(5, 20, text);
        pictures.push_back(recorder.Finish());
    }
    QImage image(64, 48, QImage::Format_RGB32);
    for (auto _ : state)
        for (const QByteArray& emf : pictures) {
            image.fill(Qt::white);
            QPainter painter(&image);
            PlayEnhMetaFile(painter, emf, QRectF(0, 0, 64, 48));
        }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = usage.ru_maxrss / 1024.0;
}
BENCHMARK(BM_PlayHugeText)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
