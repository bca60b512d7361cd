// Report files: what the printer saves (read back by a reader written from the format
// alone), files written elsewhere, damaged files refused with their cause, saving only
// finished passes and replacing files whole, and paper detection.

#include "pagestore/PageSupport.h"
#include "report/RpPrntr.h"
#include "RppIndependent.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

namespace {

QByteArray ReadAll(const QString& name) {
    QFile f(name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
}

void WriteAll(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A finished pass of n text pages into the page store.
void Pass(TRpPrinter& printer, int n, bool compressed = false) {
    printer.SetCompressed(compressed);
    printer.StartJob();
    for (int i = 1; i <= n; ++i) {
        printer.StartNewPage();
        DrawTextPage(*printer.PageCanvas(), i, 10);
    }
    printer.FinishJob();
}

QString ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

// The rows of a rendered page that carry black ink in its first 200 columns.
int InkedRows(const TMetafile& page) {
    QImage image(page.Width(), page.Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page.Play(painter, QRectF(0, 0, image.width(), image.height()));
    painter.end();
    int rows = 0;
    for (int y = 0; y < image.height(); ++y)
        if (CountPixels(image, QRect(0, y, 200, 1), qRgb(0, 0, 0), 40) > 0) ++rows;
    return rows;
}

TEST(ReportFile, OnePageFileLayout) {
    const QString name = TestTempDir() + QStringLiteral("/one.rpp");
    TRpPrinter printer;
    Pass(printer, 1);
    printer.SaveToFile(name);
    const QByteArray file = ReadAll(name);
    ASSERT_GT(file.size(), 136 + 52);
    // The metafile states its own length at byte 48 of its header.
    const qint32 emfLength = Int32At(file, 132 + 48);
    EXPECT_EQ(file.size(), 124 + 4 + 4 + emfLength + 4);
    EXPECT_EQ(Int32At(file, 8), 1);
    EXPECT_EQ(Int32At(file, 124), 1);
    EXPECT_EQ(Int32At(file, 128), file.size());
    EXPECT_EQ(Int32At(file, file.size() - 4), 124);
}

TEST(ReportFile, SavedFilesReadWithAReaderOfTheirOwn) {
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed);
        const QString name = TestTempDir() + QStringLiteral("/saved.rpp");
        TRpPrinter printer;
        Pass(printer, 3, compressed);
        printer.SaveToFile(name);
        const independent::Read read = independent::ReadFile(ReadAll(name));
        EXPECT_TRUE(read.fault.isEmpty()) << read.fault.toStdString();
        EXPECT_EQ(read.compressed, compressed);
        ASSERT_EQ(read.pages.size(), 3u);
        for (int n = 1; n <= 3; ++n)
            EXPECT_EQ(read.pages[n - 1], printer.FetchPage(n)->Data()) << n;
    }
}

TEST(ReportFile, FilesWrittenElsewhereLoad) {
    // Page n carries n black boxes, 40 rows high each, down its left side.
    std::vector<QByteArray> pages;
    for (int n = 1; n <= 3; ++n) {
        std::vector<QRect> boxes;
        for (int i = 0; i < n; ++i)
            boxes.emplace_back(40, 40 + 60 * i, 100, 40);
        pages.push_back(independent::Metafile(794, 1123, boxes));
    }
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed);
        const QString name = TestTempDir() + QStringLiteral("/elsewhere.rpp");
        WriteAll(name, independent::Write(pages, compressed));
        TRpPrinter printer;
        printer.LoadFromFile(name);
        EXPECT_EQ(printer.PagesBegun(), 3);
        EXPECT_EQ(printer.Compressed(), compressed);
        for (int n : {2, 3, 1}) {
            const std::unique_ptr<TMetafile> page = printer.FetchPage(n);
            ASSERT_TRUE(page);
            EXPECT_EQ(page->Data(), pages[n - 1]);
            EXPECT_EQ(InkedRows(*page), 40 * n);
        }
    }
    // The files of the test data were written by yet another writer.
    TRpPrinter plain, packed;
    plain.LoadFromFile(TestData(QStringLiteral("rpp/three-pages.rpp")));
    packed.LoadFromFile(TestData(QStringLiteral("rpp/three-pages-packed.rpp")));
    EXPECT_FALSE(plain.Compressed());
    EXPECT_TRUE(packed.Compressed());
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(packed.FetchPage(n)->Data(), plain.FetchPage(n)->Data());
        EXPECT_EQ(InkedRows(*plain.FetchPage(n)), 40 * n) << n;
    }
    TRpPrinter empty;
    empty.LoadFromFile(TestData(QStringLiteral("rpp/no-pages.rpp")));
    EXPECT_EQ(empty.Status(), stFinished);
    EXPECT_EQ(empty.PagesBegun(), 0);
    EXPECT_EQ(empty.FetchPage(1), nullptr);
}

// Offsets in the messages: the three records of the damaged files start at 124, 312
// (after 12 + 176 bytes) and 524 (after 12 + 200), and the file ends at 760. The hostile
// files load: their pages claim or draw what no page needs (fonts stretched past any glyph
// size, frames past the render limits), and they are drawn within bounds; page 2 of one
// holds a metafile that does not load.
TEST(ReportFile, DamagedFilesAreRefusedWithTheirCause) {
    struct Outcome {
        QString error; // the refusal, empty when the file loads
        int pages = 0;
        int badPage = 0; // a page whose metafile does not load
    };
    auto refused = [](const char* error) { return Outcome{QLatin1String(error)}; };
    const std::map<QString, Outcome> expected = {
        {"empty", refused("The report file is 0 bytes long, shorter than its header")},
        {"shorter-than-header",
         refused("The report file is 100 bytes long, shorter than its header")},
        {"wrong-mark", refused("Not a report file")},
        {"wrong-version", refused("Not a report file")},
        {"page-count-negative",
         refused("The report file's header counts -1 pages, but the file holds 3")},
        {"page-count-too-large",
         refused("The report file's header counts 4 pages, but the file holds 3")},
        {"page-count-too-small",
         refused("The report file's header counts 2 pages, but the file holds 3")},
        {"page-count-huge",
         refused("The report file's header counts 2147483647 pages, but the file holds 3")},
        {"record-number-wrong", refused("Page 2 of the report file, at offset 312, is numbered 7")},
        {"forward-link-outside", refused("The link at offset 128 points outside the report file")},
        {"forward-link-negative", refused("The link at offset 316 points outside the report file")},
        {"forward-link-not-forward", refused("The link at offset 316 does not lead past its record")},
        {"backward-link-wrong",
         refused("The backward link at offset 520 does not point to the start of its record")},
        {"last-backward-link-wrong",
         refused("The backward link at offset 756 does not point to the start of its record")},
        {"cut-short", refused("The link at offset 528 points outside the report file")},
        {"bytes-after-last-page", refused("The report file goes on for 16 bytes after its last page")},
        {"metafile-length-wrong",
         refused("Page 1 of the report file holds a metafile of 4000 bytes in a record of 176")},
        {"not-a-metafile", refused("Page 2 of the report file does not hold a metafile")},
        {"compressed-length-negative", refused("The compressed page 2 states a length of -5 bytes")},
        {"compressed-ends-before-its-length",
         refused("The compressed page 1 ends before its 240 bytes")},
        {"compressed-decodes-past-its-length",
         refused("The compressed page 3 goes on past its 184 bytes")},
        {"compressed-not-a-metafile", refused("Page 2 of the report file does not hold a metafile")},
        {"found-page-font-width", {{}, 1}},
        {"found-page-font-width-64255", {{}, 1}},
        {"found-page-frame-at-render-limit", {{}, 1}},
        {"found-page-frame-sliver", {{}, 1}},
        {"page-font-width-world-transform", {{}, 1}},
        {"page-frame-largest", {{}, 1}},
        {"page-frame-tall", {{}, 1}},
        {"page-metafile-not-valid", {{}, 3, 2}},
        // Page 1 is read whole to be shown, so its fault refuses the file.
        {"first-page-metafile-not-valid", refused("Metafile is not valid")},
    };
    const QDir dir(TestData(QStringLiteral("bad/rpp")));
    const QStringList files = dir.entryList({QStringLiteral("*.rpp")}, QDir::Files);
    EXPECT_EQ(static_cast<size_t>(files.size()), expected.size());
    for (const QString& file : files) {
        const QString name = QFileInfo(file).completeBaseName();
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(expected.count(name)) << "no expected outcome for this file";
        const Outcome& outcome = expected.at(name);
        TRpPrinter printer;
        printer.LoadFromFile(TestData(QStringLiteral("rpp/one-page.rpp")));
        ASSERT_EQ(printer.PagesBegun(), 1);
        if (outcome.error.isEmpty()) {
            EXPECT_EQ(ErrorOf([&] { printer.LoadFromFile(dir.filePath(file)); }),
                      QStringLiteral("(no error)"));
            EXPECT_EQ(printer.PagesBegun(), outcome.pages);
            for (int n = 1; n <= printer.PagesBegun(); ++n) {
                std::unique_ptr<TMetafile> page;
                const QString error = ErrorOf([&] { page = printer.FetchPage(n); });
                if (n == outcome.badPage) {
                    EXPECT_EQ(error, QStringLiteral("Metafile is not valid")) << n;
                    continue;
                }
                ASSERT_TRUE(page) << n << ": " << error.toStdString();
                QImage image(64, 48, QImage::Format_RGB32);
                image.fill(Qt::white);
                QPainter painter(&image);
                page->Play(painter, QRectF(0, 0, 64, 48));
            }
            continue;
        }
        EXPECT_EQ(ErrorOf([&] { printer.LoadFromFile(dir.filePath(file)); }), outcome.error);
        // Nothing of the refused file is kept, and the pages kept before stay.
        EXPECT_EQ(printer.Status(), stFinished);
        EXPECT_EQ(printer.PagesBegun(), 1);
        EXPECT_TRUE(printer.FromFile());
        EXPECT_NE(printer.FetchPage(1), nullptr);
        EXPECT_EQ(printer.FetchPage(2), nullptr);
    }
}

TEST(ReportFile, MissingFileIsTheStreamError) {
    TRpPrinter printer;
    const QString name = TestTempDir() + QStringLiteral("/none.rpp");
    EXPECT_EQ(ErrorOf([&] { printer.LoadFromFile(name); }),
              QStringLiteral("Cannot open file ") + name);
}

TEST(ReportFile, PaperDetection) {
    TRpPrinter printer;
    Pass(printer, 1);
    const std::unique_ptr<TMetafile> page = printer.FetchPage(1);
    ASSERT_EQ(page->Width(), 794);
    ASSERT_EQ(page->Height(), 1123);
    TRpPaperSize size = TRpPaperSize::Default;
    TPrinterOrientation orientation = poLandscape;
    // 794 px at 96/254 px per 0.1 mm is 52.5 units of 4 mm, 1123 px 74.3: A4 and the
    // later A4 Small row both read 52 x 74.
    ASSERT_TRUE(DetectPaperSize(794, 1123, 96 / 254.0L, size, orientation));
    EXPECT_EQ(size, TRpPaperSize::A4Small);
    EXPECT_EQ(orientation, poPortrait);
    // Letter turned: 1056 x 816 px read 69 x 53, as Letter, Letter Small and Note (215.9 x
    // 279.0 mm) do turned; Note is the last of them.
    ASSERT_TRUE(DetectPaperSize(1056, 816, 96 / 254.0L, size, orientation));
    EXPECT_EQ(size, TRpPaperSize::Note);
    EXPECT_EQ(orientation, poLandscape);
    EXPECT_FALSE(DetectPaperSize(0, 0, 96 / 254.0L, size, orientation));
    EXPECT_FALSE(DetectPaperSize(794, 1123, 0, size, orientation));
    EXPECT_FALSE(DetectPaperSize(500, 500, 96 / 254.0L, size, orientation));
}

TEST(ReportFile, SavingWaitsForAFinishedPass) {
    const QString name = TestTempDir() + QStringLiteral("/early.rpp");
    WriteAll(name, "an older file");
    TRpPrinter printer;
    EXPECT_EQ(ErrorOf([&] { printer.SaveToFile(name); }),
              QStringLiteral("There are no finished pages to save"));
    printer.StartJob();
    printer.StartNewPage();
    printer.StartNewPage();
    EXPECT_EQ(ErrorOf([&] { printer.SaveToFile(name); }),
              QStringLiteral("There are no finished pages to save"));
    EXPECT_EQ(ReadAll(name), QByteArray("an older file"));
    printer.FinishJob();
    printer.SaveToFile(name);
    EXPECT_EQ(Int32At(ReadAll(name), 8), 2);
}

// A cancelled pass keeps its pages, but its header still counts the first only.
TEST(ReportFile, SavingACancelledPassCountsEveryPage) {
    const QString name = TestTempDir() + QStringLiteral("/cancelled.rpp");
    TRpPrinter printer;
    printer.StartJob();
    for (int i = 0; i < 3; ++i)
        printer.StartNewPage();
    printer.AbortJob();
    EXPECT_EQ(Int32At(StreamBytes(*printer.PageStream()), 8), 1);
    printer.SaveToFile(name);
    TRpPrinter loaded;
    loaded.LoadFromFile(name);
    EXPECT_EQ(loaded.PagesBegun(), 3);
}

TEST(ReportFile, SavingReplacesTheWholeFile) {
    const QString name = TestTempDir() + QStringLiteral("/replaced.rpp");
    WriteAll(name, QByteArray(100000, 'x'));
    TRpPrinter printer;
    Pass(printer, 1);
    printer.SaveToFile(name);
    EXPECT_EQ(ReadAll(name), StreamBytes(*printer.PageStream()));

    const QString nowhere = TestTempDir() + QStringLiteral("/no such folder/a.rpp");
    EXPECT_TRUE(ErrorOf([&] {
                    printer.SaveToFile(nowhere);
                }).startsWith(QStringLiteral("Cannot create file ") + nowhere));
}

// The loaded file is the page stream: writing it in place would have emptied it.
TEST(ReportFile, SavingALoadedFileUnderItsOwnName) {
    const QString name = TestTempDir() + QStringLiteral("/own.rpp");
    const QByteArray original = ReadAll(TestData(QStringLiteral("rpp/three-pages-packed.rpp")));
    WriteAll(name, original);
    TRpPrinter printer;
    printer.LoadFromFile(name);
    const QByteArray page2 = printer.FetchPage(2)->Data();
    printer.SaveToFile(name);
    EXPECT_EQ(ReadAll(name), original);
    EXPECT_EQ(printer.FetchPage(2)->Data(), page2);
    EXPECT_EQ(printer.FetchPage(3)->Data().size(), printer.FetchPage(3)->Data().size());
    TRpPrinter again;
    again.LoadFromFile(name);
    EXPECT_EQ(again.FetchPage(2)->Data(), page2);
}

TEST(ReportFile, LoadingForgetsAnEarlierCancel) {
    TRpPrinter printer;
    printer.StartJob();
    printer.RequestCancel();
    printer.AbortJob();
    printer.LoadFromFile(TestData(QStringLiteral("rpp/three-pages.rpp")));
    EXPECT_FALSE(printer.CancelRequested());
    EXPECT_EQ(printer.PagesReady(), 3);
}

} // namespace
