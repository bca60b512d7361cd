// JPEG pictures from their files to the page, the report file and the PDF: the bytes of
// the pictures, not their pixels, in every file the programs write.

#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Metafile.h"
#include "imaging/jpeg.h"
#include "report/RpCtrls.h"
#include "report/pagestore/RpPrntrFile.h"
#include "report/pagestore/RpPrntrPages.h"
#include "report/pagestore/RpPrntrStream.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>

namespace {

QByteArray ReadAll(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Colour bands and noise, so that the coded bytes are those of a photograph.
QImage Photo(int w, int h, int seed) {
    QImage image(w, h, QImage::Format_RGB32);
    uint32_t state = 2463534242u + seed;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int n = static_cast<int>(state % 16);
            row[x] = qRgb((x * 255 / w + n) & 255, (y * 255 / h + n) & 255, (seed * 90 + n) & 255);
        }
    }
    return image;
}

// A JPEG file as cjpeg writes it (full-resolution colour, or grey): the file as the user
// has it, not as this program would code it.
QString MakeJpeg(const QString& dir, const QString& name, const QImage& image,
                 const QStringList& options = {}) {
    const QString ppm = QDir(dir).filePath(name + QStringLiteral(".ppm"));
    const QString jpg = QDir(dir).filePath(name + QStringLiteral(".jpg"));
    EXPECT_TRUE(image.save(ppm, image.isGrayscale() ? "PGM" : "PPM"));
    QProcess cjpeg;
    cjpeg.start(QStringLiteral("cjpeg"),
                QStringList{QStringLiteral("-quality"), QStringLiteral("90")} + options +
                    QStringList{QStringLiteral("-outfile"), jpg, ppm});
    EXPECT_TRUE(cjpeg.waitForFinished(60000));
    EXPECT_EQ(cjpeg.exitCode(), 0);
    return jpg;
}

struct Outcome {
    int code = -1;
    QString err;
};

Outcome Start(const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

// The images pdfimages takes out of a PDF file, as it takes them (-all: DCT images as
// their bytes), in the order of the file.
QList<QByteArray> PdfImages(const QString& pdf) {
    const QString dir = TestTempDir() + QStringLiteral("/images-") + QFileInfo(pdf).baseName();
    QDir().mkpath(dir);
    QProcess p;
    p.start(QStringLiteral("pdfimages"), {QStringLiteral("-all"), pdf, dir + QStringLiteral("/i")});
    EXPECT_TRUE(p.waitForFinished(60000));
    QList<QByteArray> images;
    for (const QString& f : QDir(dir).entryList(QDir::Files, QDir::Name))
        images << ReadAll(QDir(dir).filePath(f));
    return images;
}

class JpegPassTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"cjpeg", "pdfimages"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        dir = TestTempDir();
        colour = MakeJpeg(dir, QStringLiteral("colour"), Photo(900, 600, 1),
                          {QStringLiteral("-sample"), QStringLiteral("1x1")});
        grey = MakeJpeg(dir, QStringLiteral("grey"),
                        Photo(500, 700, 2).convertToFormat(QImage::Format_Grayscale8),
                        {QStringLiteral("-progressive")});
    }

    // A report file of one A4 page with both pictures drawn as the picture item draws
    // them; pixels: the pictures decoded and drawn as bitmaps, as pages were kept before.
    QString ReportFile(const QString& name, bool pixels) {
        TMetafile page;
        page.SetWidth(794);
        page.SetHeight(1123);
        {
            TMetafileCanvas canvas(&page);
            for (const auto& [file, rect] : {std::pair{colour, QRect(38, 38, 454, 302)},
                                             std::pair{grey, QRect(38, 420, 300, 420)}}) {
                TJPEGImage jpeg;
                jpeg.LoadFromFile(file);
                if (pixels)
                    EXPECT_TRUE(DrawPictureOnPage(&canvas, rect, jpeg.Bitmap()));
                else
                    EXPECT_TRUE(DrawPictureOnPage(&canvas, rect, &jpeg));
            }
        }
        TRpStream stream;
        TRpPageList pages;
        pages.SetPageStream(&stream);
        pages.AppendPage(page);
        pages.WriteHeader();
        const QString out = QDir(dir).filePath(name);
        WriteReportFile(stream, pages.StoredPages(), out);
        pages.SetPageStream(nullptr);
        return out;
    }

    QString dir, colour, grey;
};

TEST_F(JpegPassTest, ReportFileIsAboutThePicturesSizeAndShowsWhatTheOldOneShowed) {
    const QString bytesFile = ReportFile(QStringLiteral("bytes.rpp"), false);
    const QString pixelsFile = ReportFile(QStringLiteral("pixels.rpp"), true);
    const qint64 pictures = QFileInfo(colour).size() + QFileInfo(grey).size();
    EXPECT_GE(QFileInfo(bytesFile).size(), pictures);
    EXPECT_LE(QFileInfo(bytesFile).size(), pictures + 8 * 1024);
    // Pixels take three bytes each: the old file is some times larger.
    EXPECT_GT(QFileInfo(pixelsFile).size(), 900 * 600 * 3);
    // Both play the same page: the files written before still play as they did.
    const QString renderOld = QDir(dir).filePath(QStringLiteral("old.png"));
    const QString renderNew = QDir(dir).filePath(QStringLiteral("new.png"));
    for (const auto& [file, png] :
         {std::pair{pixelsFile, renderOld}, std::pair{bytesFile, renderNew}}) {
        const Outcome r = Start(QStringLiteral(RPPTOOL),
                                {QStringLiteral("render"), file, QStringLiteral("1"), png});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }
    const QImage a = QImage(renderOld).convertToFormat(QImage::Format_RGB32);
    const QImage b = QImage(renderNew).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(a.size(), b.size());
    // Stretched from full or from scaled pixels the pictures differ by some levels, and
    // by more only along their edges.
    int differing = 0;
    ImageDifference(a, b, &differing, 48);
    EXPECT_LT(differing, a.width() * a.height() / 200);
    EXPECT_EQ(InkBox(b).topLeft(), QPoint(38, 38));
}

TEST_F(JpegPassTest, PdfFilesCarryThePicturesOriginalBytes) {
    // rpptool pdf of a report file.
    const QString rpp = ReportFile(QStringLiteral("page.rpp"), false);
    const QString fromTool = QDir(dir).filePath(QStringLiteral("tool.pdf"));
    Outcome r = Start(QStringLiteral(RPPTOOL), {QStringLiteral("pdf"), rpp, fromTool});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // The sheet of a design, printed by the editor's command line.
    const QString design = QDir(dir).filePath(QStringLiteral("cover.sleevane"));
    {
        QFile f(design);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral(R"({"format":"sleevane-design","version":1,
            "front":{"format":"single","picture":"%1","textMode":"line","line":"Concerto"},
            "rear":{"format":"bands","picture":"%2","leftBand":"Lato A","lines":["1. Aria"]}})")
                    .arg(colour, grey)
                    .toUtf8());
    }
    const QString sheet = QDir(dir).filePath(QStringLiteral("sheet.pdf"));
    r = Start(QStringLiteral(SLEEVANE_PROGRAM), {QStringLiteral("--pdf"), design, sheet});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QList<QByteArray> originals{ReadAll(colour), ReadAll(grey)};
    for (const QString& pdf : {fromTool, sheet}) {
        SCOPED_TRACE(pdf.toStdString());
        QList<QByteArray> images = PdfImages(pdf);
        ASSERT_EQ(images.size(), 2);
        EXPECT_TRUE(images.contains(originals[0]));
        EXPECT_TRUE(images.contains(originals[1]));
        EXPECT_LE(QFileInfo(pdf).size(), originals[0].size() + originals[1].size() + 300 * 1024);
        // Drawn by another program: the colour picture where its frame is.
        const QImage page = RenderPdfPage(pdf, 1, 24);
        ASSERT_FALSE(page.isNull());
        EXPECT_GT(CountPixels(page, QRect(8, 8, 30, 20), qRgb(40, 40, 255), 200), 200);
    }
}

// A printer takes a picture at its own resolution at most: a 900-pixel picture in a frame of
// 50 mm at 150 dots per inch is sent as 295 pixels, drawn by the picture item during a pass
// to the printer or played from a kept page.
TEST_F(JpegPassTest, PrinterTakesPicturesAtItsResolution) {
    TMetafile kept;
    kept.SetWidth(400);
    kept.SetHeight(300);
    {
        TMetafileCanvas canvas(&kept);
        TJPEGImage jpeg;
        jpeg.LoadFromFile(colour);
        canvas.StretchDraw(QRect(0, 0, 400, 300), &jpeg);
    }
    for (const bool fromPage : {false, true}) {
        SCOPED_TRACE(fromPage ? "kept page" : "item");
        const QString pdf = QDir(dir).filePath(QStringLiteral("printer-%1.pdf").arg(fromPage));
        {
            QPdfWriter writer(pdf);
            writer.setResolution(150);
            QPainter painter(&writer);
            TPainterDC dc(&painter, DT_RASPRINTER);
            TCanvas canvas(&dc);
            TJPEGImage jpeg;
            jpeg.LoadFromFile(colour);
            if (fromPage)
                canvas.StretchDraw(QRect(100, 100, 295, 197), &kept);
            else
                canvas.StretchDraw(QRect(100, 100, 295, 197), &jpeg);
            EXPECT_FALSE(jpeg.Decoded()); // decoded at the printer's size, not kept whole
        }
        QProcess p;
        p.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        ASSERT_TRUE(p.waitForFinished(60000));
        const QStringList lines =
            QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        ASSERT_GE(lines.size(), 3);
        const QStringList fields = lines[2].simplified().split(QLatin1Char(' '));
        ASSERT_GE(fields.size(), 5);
        EXPECT_EQ(fields[3].toInt(), 295);
        EXPECT_EQ(fields[4].toInt(), 197);
    }
}

} // namespace
