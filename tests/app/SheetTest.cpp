// Cover designs composed onto the print layout without the editor's windows, for every
// front and rear format: the printed sheet, read from the PDF that the "Print to PDF
// file" printer writes, has each frame whole on its page at the size the format names,
// only the texts of the covers that are there, and the same pages, texts, sizes and
// places as the preview's kept pages.
#include "app/CoverDesign.h"
#include "app/SheetComposer.h"
#include "app/Unit2.h"
#include "imaging/jpeg.h"
#include "support/FormTestSupport.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr int kDpi = 300;

double ToMm(int pixels) {
    return pixels * 25.4 / kDpi;
}
int ToPixels(double mm) {
    return static_cast<int>(std::nearbyint(mm / 25.4 * kDpi));
}

// Frames are the only black on the sheet: the pictures are pale and every text has a
// colour of its own.
bool Black(QRgb c) {
    return qRed(c) < 90 && qGreen(c) < 90 && qBlue(c) < 90;
}
bool Near(QRgb c, QRgb want) {
    return std::abs(qRed(c) - qRed(want)) < 70 && std::abs(qGreen(c) - qGreen(want)) < 70 &&
           std::abs(qBlue(c) - qBlue(want)) < 70;
}
constexpr QRgb kFrontInk = qRgb(0, 0, 255);
constexpr QRgb kBandInk = qRgb(255, 0, 0);
constexpr QRgb kRearInk = qRgb(0, 160, 0);

template <class P> QRect BoxOf(const QImage& image, const QRect& rect, P wanted) {
    QRect box;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            if (wanted(line[x])) box |= QRect(x, y, 1, 1);
    }
    return box;
}
int CountOf(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            n += Near(line[x], colour);
    }
    return n;
}

// A frame found as the box of the black inside region: its lines must run all the way
// round, so that the box is a frame and not a stray mark. A queue may hand a landscape
// page on as portrait paper with its content turned: turned says the frame may lie
// either way.
void ExpectFrame(const QImage& page, const QRect& region, double widthMm, double heightMm,
                 const char* what, bool turned = false) {
    SCOPED_TRACE(what);
    const QRect box = BoxOf(page, region, Black);
    ASSERT_FALSE(box.isNull()) << "no frame";
    double w = ToMm(box.width()), h = ToMm(box.height());
    if (turned && (w > h) != (widthMm > heightMm)) std::swap(w, h);
    EXPECT_NEAR(w, widthMm, 0.2);
    EXPECT_NEAR(h, heightMm, 0.2);
    // Whole on the page, clear of the paper's edge.
    EXPECT_GE(ToMm(box.left()), 5.0);
    EXPECT_GE(ToMm(box.top()), 5.0);
    EXPECT_GE(ToMm(page.width() - 1 - box.right()), 5.0);
    EXPECT_GE(ToMm(page.height() - 1 - box.bottom()), 5.0);
    int gaps = 0;
    for (int step = 1; step < 20; ++step) {
        const int x = box.left() + box.width() * step / 20,
                  y = box.top() + box.height() * step / 20;
        gaps += BoxOf(page, QRect(box.left(), y, 3, 1), Black).isNull();
        gaps += BoxOf(page, QRect(box.right() - 2, y, 3, 1), Black).isNull();
        gaps += BoxOf(page, QRect(x, box.top(), 1, 3), Black).isNull();
        gaps += BoxOf(page, QRect(x, box.bottom() - 2, 1, 3), Black).isNull();
    }
    EXPECT_EQ(gaps, 0);
}

// ---- Text runs -------------------------------------------------------------------------

struct Word {
    int page;
    QString text;
    QRectF box; // points
};

// The words of a PDF's text layer with their boxes, as poppler reads them.
std::vector<Word> WordsOf(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(60000));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    std::vector<Word> words;
    int page = 0;
    static const QRegularExpression token(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (auto it = token.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) {
            ++page;
            continue;
        }
        words.push_back({page, m.captured(5),
                         QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    }
    return words;
}

// The kept pages of a preview pass written as a PDF, each page at its own size.
void WriteKeptPages(TRpPrinter* printer, const QString& pdf) {
    QPdfWriter writer(pdf);
    writer.setResolution(1200);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    for (int n = 1; n <= printer->PagesBegun(); ++n) {
        const std::unique_ptr<TMetafile> page = printer->FetchPage(n);
        ASSERT_TRUE(page);
        writer.setPageSize(QPageSize(QSizeF(page->MMWidth() / 100.0, page->MMHeight() / 100.0),
                                     QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
        if (n == 1)
            ASSERT_TRUE(painter.begin(&writer));
        else
            ASSERT_TRUE(writer.newPage());
        page->Play(painter, QRectF(painter.viewport()));
    }
    painter.end();
}

// ---- The sheets ------------------------------------------------------------------------

struct Sheet {
    TFrontFormat front;
    TRearFormat rear;
};

// Sizes the formats are named after, in millimetres.
QSizeF FrontMm(TFrontFormat f) {
    return f == TFrontFormat::Double ? QSizeF(240, 120) : QSizeF(120, 120);
}
QSizeF RearMm(TRearFormat r) {
    return r == TRearFormat::WithBands ? QSizeF(151, 118) : QSizeF(139, 118);
}

class SheetTest : public ::testing::TestWithParam<Sheet> {
protected:
    void SetUp() override {
        SetUsesInchDefaults(false);
        RegisterJPEGFormats();
        layout = std::make_unique<Tpreview>(nullptr);
        layout->Report1->OnPreview = [](TObject*) {};
        TPrinter printer;
        layout->Report1->PrinterSettings()->SetPrinterIndex(
            static_cast<int>(printer.Printers().indexOf(TPrinter::PdfPrinterName())));
        dir = TestTempDir();
    }

    QString Picture(const QString& name, QColor colour) {
        QImage image(QSize(64, 48), QImage::Format_RGB32);
        image.fill(colour);
        const QString path = QDir(dir).filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    // A cover with everything on it, each text in its own colour.
    TCoverDesign Design(const Sheet& sheet) {
        TCoverDesign d;
        d.frontFormat = sheet.front;
        d.rearFormat = sheet.rear;
        d.frontPicture = Picture(QStringLiteral("front.jpg"), QColor(255, 240, 200));
        d.rearPicture = Picture(QStringLiteral("rear.bmp"), QColor(220, 240, 255));
        d.frontLine = QStringLiteral("Concerto");
        d.PlaceLine(QPoint(40, 30));
        d.frontFont.color = 0xFF0000; // blue: red in the low byte
        d.leftBand = QStringLiteral("Lato A");
        d.rightBand = QStringLiteral("Lato B");
        d.bandFont.color = 0x0000FF;
        d.rearLines = {QStringLiteral("Tracce"), QStringLiteral("uno due"), QStringLiteral("tre")};
        d.rearFont.name = QStringLiteral("Arial");
        d.rearFont.color = 0x00A000;
        return d;
    }

    // Composed fresh, with the printer set-up of the layout kept between sheets, and run.
    void Run(const TCoverDesign& design, TCoverOutput output) {
        composed = ComposeSheet(design, output, layout->Report1->ReportTitle());
        CarryReportSetUp(*layout->Report1, *composed->Report1);
        if (output == TCoverOutput::Print)
            composed->Report1->PrintReport();
        else
            composed->Report1->PreviewReport();
    }

public:
    void Print(const TCoverDesign& design) { Run(design, TCoverOutput::Print); }

protected:
    // The preview pass of design has pages pages, and their words are the printed ones.
    void ExpectPreviewIsThePrint(const TCoverDesign& design, const QString& printed, int pages) {
        Run(design, TCoverOutput::Preview);
        TRpPrinter* kept = composed->Report1->RpPrinter();
        ASSERT_TRUE(kept);
        ASSERT_EQ(kept->PagesBegun(), pages);
        const QString previewed = QDir(dir).filePath(QStringLiteral("previewed.pdf"));
        WriteKeptPages(kept, previewed);
        const std::vector<Word> a = WordsOf(printed), b = WordsOf(previewed);
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) {
            SCOPED_TRACE(a[i].text.toStdString());
            EXPECT_EQ(a[i].page, b[i].page);
            EXPECT_EQ(a[i].text, b[i].text);
            // The kept page places text on a coarser grid than the printer does: a point
            // for places, a few per cent for extents, far less than the quarter that a
            // preview at another scale than the print's would take off. Line pitches
            // rounded on that grid add up down a long list: a per cent of the way down.
            EXPECT_NEAR(a[i].box.left(), b[i].box.left(), 1.0);
            EXPECT_NEAR(a[i].box.top(), b[i].box.top(), 1.0 + 0.01 * a[i].box.top());
            EXPECT_NEAR(a[i].box.width(), b[i].box.width(), 0.5 + 0.03 * a[i].box.width());
            EXPECT_NEAR(a[i].box.height(), b[i].box.height(), 0.5 + 0.03 * a[i].box.height());
        }
    }

    std::unique_ptr<Tpreview> layout;
    std::unique_ptr<Tpreview> composed;
    QString dir;
};

TEST_P(SheetTest, FramesAtTheirSizesOnlyTheCoversThereAndThePreviewIsThePrint) {
    const Sheet sheet = GetParam();
    const TCoverDesign design = Design(sheet);
    const bool hasFront = sheet.front != TFrontFormat::None;
    const bool hasRear = sheet.rear != TRearFormat::None;
    const bool wide = sheet.front == TFrontFormat::Double;

    // Printed.
    const QString printed = QDir(dir).filePath(QStringLiteral("printed.pdf"));
    const TOutputFileQuestion saved =
        SetOutputFileQuestion([&](const QString&) -> std::optional<QString> { return printed; });
    Run(design, TCoverOutput::Print);
    SetOutputFileQuestion(saved);
    const int pages = wide && hasRear ? 2 : 1;
    ASSERT_EQ(PdfPageCount(printed), pages);

    // Where each cover is: page 1 holds the front and, on a portrait sheet, the rear below.
    const int rearPage = wide ? 2 : 1;
    int frontInk = 0, bandInk = 0, rearInk = 0;
    for (int n = 1; n <= pages; ++n) {
        SCOPED_TRACE(n);
        const QImage page = RenderPdfPage(printed, n, kDpi).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(page.isNull());
        const QSizeF paper(ToMm(page.width()), ToMm(page.height()));
        EXPECT_NEAR(paper.width(), wide ? 297 : 210, 0.5);
        EXPECT_NEAR(paper.height(), wide ? 210 : 297, 0.5);
        // The front ends 130 mm down the page, the rear of a portrait sheet starts below.
        const QRect top(0, 0, page.width(), ToPixels(135));
        const QRect below(0, ToPixels(135), page.width(), page.height() - ToPixels(135));
        if (n == 1 && hasFront) ExpectFrame(page, top, FrontMm(sheet.front).width(), 120, "front");
        if (n == rearPage && hasRear)
            ExpectFrame(page, wide ? page.rect() : below, RearMm(sheet.rear).width(), 118, "rear");
        if (n == 1 && !hasFront) {
            EXPECT_TRUE(BoxOf(page, top, Black).isNull());
        }
        if (n == 1 && !wide && !hasRear) {
            EXPECT_TRUE(BoxOf(page, below, Black).isNull());
        }
        frontInk += CountOf(page, kFrontInk);
        bandInk += CountOf(page, kBandInk);
        rearInk += CountOf(page, kRearInk);
    }
    // Texts print with their covers only; the side bands only on the card that has them.
    EXPECT_EQ(frontInk > 0, hasFront) << frontInk;
    EXPECT_EQ(bandInk > 0, sheet.rear == TRearFormat::WithBands) << bandInk;
    EXPECT_EQ(rearInk > 0, hasRear) << rearInk;

    // Previewed: the same pages with the same words, the same size and in the same places.
    ExpectPreviewIsThePrint(design, printed, pages);
    EXPECT_EQ(WordsOf(printed).empty(), !hasFront && !hasRear);
    for (int n = 1; n <= pages; ++n) {
        const std::unique_ptr<TMetafile> kept = composed->Report1->RpPrinter()->FetchPage(n);
        ASSERT_TRUE(kept);
        EXPECT_EQ(kept->MMWidth() > kept->MMHeight(), wide) << n;
    }
}

// Texts too long for their covers: each is cut at its own cover's frame, the sheet stays one
// page, and the check before printing names the text.
TEST_F(SheetTest, TextsStayInsideTheirCovers) {
    struct Case {
        const char* what;
        std::function<void(TCoverDesign&)> edit;
        std::vector<TCoverText> cut;
    };
    const std::vector<Case> cases = {
        {"as designed", [](TCoverDesign&) {}, {}},
        {"40 tracks at 12 points",
         [](TCoverDesign& d) {
             d.rearLines.clear();
             for (int i = 1; i <= 40; ++i)
                 d.rearLines << QStringLiteral("Traccia %1").arg(i);
             d.rearFont.size = 12;
         },
         {TCoverText::RearLines}},
        {"a long band text",
         [](TCoverDesign& d) {
             d.leftBand = QString(60, QLatin1Char('W'));
             d.bandFont.size = 7;
         },
         {TCoverText::LeftBand}},
        {"15 front lines at 14 points",
         [](TCoverDesign& d) {
             d.textMode = TFrontTextMode::Lines;
             d.frontLine.clear();
             for (int i = 1; i <= 15; ++i)
                 d.frontLines << QStringLiteral("Riga %1").arg(i);
             d.frontFont.size = 14;
         },
         {TCoverText::FrontLines}},
        {"40 tracks at 12 points, fitted",
         [](TCoverDesign& d) {
             d.rearLines.clear();
             for (int i = 1; i <= 40; ++i)
                 d.rearLines << QStringLiteral("Traccia %1").arg(i);
             d.rearFont.size = 12;
             d.fitRearText = true;
         },
         {}},
        {"a line placed low",
         [](TCoverDesign& d) {
             d.PlaceLine(QPoint(150, 210));
             d.frontFont.size = 14;
         },
         {TCoverText::FrontLine}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TCoverDesign design = Design({TFrontFormat::Single, TRearFormat::WithBands});
        c.edit(design);
        EXPECT_EQ(TextsNotFitting(design), c.cut);
        const QString printed = QDir(dir).filePath(QStringLiteral("cut.pdf"));
        const TOutputFileQuestion saved = SetOutputFileQuestion(
            [&](const QString&) -> std::optional<QString> { return printed; });
        Run(design, TCoverOutput::Print);
        SetOutputFileQuestion(saved);
        ASSERT_EQ(PdfPageCount(printed), 1);
        const QImage page = RenderPdfPage(printed, 1, kDpi).convertToFormat(QImage::Format_RGB32);
        const QRect front = BoxOf(page, QRect(0, 0, page.width(), ToPixels(135)), Black);
        const QRect rear = BoxOf(
            page, QRect(0, ToPixels(135), page.width(), page.height() - ToPixels(135)), Black);
        QImage outside = page;
        for (const QRect& frame : {front, rear})
            for (int y = frame.top(); y <= frame.bottom(); ++y)
                for (int x = frame.left(); x <= frame.right(); ++x)
                    outside.setPixel(x, y, qRgb(255, 255, 255));
        for (QRgb ink : {kFrontInk, kBandInk, kRearInk}) {
            EXPECT_GT(CountOf(page, ink), 0);
            EXPECT_EQ(CountOf(outside, ink), 0);
        }
        // Every line of a fitted list prints, the last one inside the card.
        if (design.fitRearText) {
            const std::vector<Word> words = WordsOf(printed);
            const auto last = std::find_if(words.begin(), words.end(), [](const Word& w) {
                return w.text == QStringLiteral("40");
            });
            ASSERT_NE(last, words.end());
            EXPECT_LT(last->box.bottom() / 72 * kDpi, rear.bottom());
        }
    }
}

// The sheet's pixels of a design printed to PDF at kDpi.
QImage PrintedPage(SheetTest& t, const TCoverDesign& design, const QString& pdf, int n = 1);

// A striped 2:1 picture (red, green, blue, yellow stripes, each a quarter of its width) on
// the single front cover: where the stripes fall says how the picture went into its frame.
TEST_F(SheetTest, PictureFitModesPlaceTheStripes) {
    QImage striped(QSize(200, 100), QImage::Format_RGB32);
    constexpr QRgb stripes[] = {qRgb(255, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 255),
                                qRgb(255, 255, 0)};
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 100; ++y)
            striped.setPixel(x, y, stripes[x / 50]);
    const QString picture = QDir(dir).filePath(QStringLiteral("striped.png"));
    ASSERT_TRUE(striped.save(picture));
    constexpr QRgb W = qRgb(255, 255, 255), R = stripes[0], G = stripes[1], B = stripes[2],
                   Y = stripes[3];
    struct Case {
        TPictureFit fit;
        QPointF crop;
        // The colours at 15, 45, 75 and 105 mm across the frame, 60 mm down, and 10 mm down.
        QRgb middle[4];
        QRgb high[4];
    };
    const Case cases[] = {
        {TPictureFit::Stretch, {}, {R, G, B, Y}, {R, G, B, Y}},
        {TPictureFit::Fit, {}, {R, G, B, Y}, {W, W, W, W}},
        {TPictureFit::Fill, {}, {G, G, B, B}, {G, G, B, B}},
        {TPictureFit::Fill, {1, 0}, {R, R, G, G}, {R, R, G, G}},
        {TPictureFit::Fill, {-1, 0}, {B, B, Y, Y}, {B, B, Y, Y}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(PictureFitName(c.fit).toStdString() + " " + std::to_string(c.crop.x()));
        TCoverDesign design;
        design.frontFormat = TFrontFormat::Single;
        design.frontPicture = picture;
        design.frontFit = c.fit;
        design.frontCrop = c.crop;
        const QImage page = PrintedPage(*this, design, QDir(dir).filePath(QStringLiteral("s.pdf")));
        const QRect frame = BoxOf(page, page.rect(), Black);
        ASSERT_NEAR(ToMm(frame.width()), 120, 0.5);
        for (int i = 0; i < 4; ++i) {
            const int x = frame.left() + ToPixels(15 + 30 * i);
            EXPECT_TRUE(Near(page.pixel(x, frame.top() + ToPixels(60)), c.middle[i])) << i;
            EXPECT_TRUE(Near(page.pixel(x, frame.top() + ToPixels(10)), c.high[i])) << i;
        }
    }
}

// Crop marks stand outside the frames' corners instead of the frame lines; fold lines are
// dashed at 6 and 145 mm of the card and in the booklet's middle; without them, neither.
TEST_F(SheetTest, CropMarksAndFoldLines) {
    for (TFrontFormat front : {TFrontFormat::Single, TFrontFormat::Double}) {
        TCoverDesign design;
        design.frontFormat = front;
        design.rearFormat = TRearFormat::WithBands;
        const bool wide = front == TFrontFormat::Double;
        const QString pdf = QDir(dir).filePath(QStringLiteral("m.pdf"));
        // The frames, found where the plain sheet draws them.
        std::vector<QRect> frames;
        for (int n = 1; n <= (wide ? 2 : 1); ++n) {
            const QImage plain = PrintedPage(*this, design, pdf, n);
            const int split = wide ? plain.height() : ToPixels(135);
            frames.push_back(BoxOf(plain, QRect(0, 0, plain.width(), split), Black));
            if (!wide)
                frames.push_back(
                    BoxOf(plain, QRect(0, split, plain.width(), plain.height() - split), Black));
        }
        ASSERT_EQ(frames.size(), 2u);
        const QRect frontFrame = frames[0], card = frames[1];
        const int rearPage = wide ? 2 : 1;
        const auto darkIn = [](const QImage& image, const QRect& r) {
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    n += Black(image.pixel(x, y));
            return n;
        };
        const auto column = [&](const QImage& image, const QRect& f, double mm) {
            const int x = f.left() + ToPixels(mm);
            return darkIn(image, QRect(x - 2, f.top() + 5, 5, f.height() - 10));
        };

        design.cropMarks = true;
        for (int n = 1; n <= (wide ? 2 : 1); ++n) {
            SCOPED_TRACE(n);
            const QImage page = PrintedPage(*this, design, pdf, n);
            for (const QRect& f : {frontFrame, card}) {
                if ((f == card) != (n == rearPage) && wide) continue;
                // No frame line: the middle of every edge is clear.
                EXPECT_EQ(darkIn(page, QRect(f.center().x() - 20, f.top() - 2, 40, 5)), 0);
                EXPECT_EQ(darkIn(page, QRect(f.left() - 2, f.center().y() - 20, 5, 40)), 0);
                // A mark on the line of the top edge, 3 to 8 mm left of the corner, and
                // on the line of the left edge above it; nothing in the corner's gap.
                EXPECT_GT(darkIn(page, QRect(f.left() - ToPixels(7), f.top() - 2, ToPixels(3), 5)),
                          0);
                EXPECT_GT(darkIn(page, QRect(f.left() - 2, f.top() - ToPixels(7), 5, ToPixels(3))),
                          0);
                EXPECT_EQ(darkIn(page, QRect(f.left() - ToPixels(2.5), f.top() - ToPixels(2.5),
                                             ToPixels(2), ToPixels(2))),
                          0);
                EXPECT_GT(
                    darkIn(page, QRect(f.right() + ToPixels(4), f.bottom() - 2, ToPixels(3), 5)),
                    0);
            }
            // No fold lines.
            if (n == rearPage) EXPECT_EQ(column(page, card, 6), 0);
        }

        design.cropMarks = false;
        design.foldMarks = true;
        const QImage rearPageImage = PrintedPage(*this, design, pdf, rearPage);
        for (double mm : {6.0, 145.0}) {
            SCOPED_TRACE(mm);
            const int dark = column(rearPageImage, card, mm);
            // Dashed: a good part of the card's height, not all of it.
            EXPECT_GT(dark, card.height() / 5);
            EXPECT_LT(dark, card.height() * 5 * 4 / 5);
        }
        const QImage frontPage = PrintedPage(*this, design, pdf, 1);
        if (wide) EXPECT_GT(column(frontPage, frontFrame, 120), frontFrame.height() / 5);
        EXPECT_EQ(column(frontPage, frontFrame, 60), 0);
    }
}

// A design from elsewhere than the editor's boxes may name no format the sheet knows: it
// is refused before anything is made.
TEST_F(SheetTest, AnUnknownFormatIsRefused) {
    for (const auto& [front, rear] : {std::pair{7, 1}, std::pair{1, -1}}) {
        TCoverDesign design = Design({TFrontFormat::Single, TRearFormat::WithBands});
        design.frontFormat = static_cast<TFrontFormat>(front);
        design.rearFormat = static_cast<TRearFormat>(rear);
        EXPECT_THROW(ComposeSheet(design, TCoverOutput::Print), Exception);
    }
}

QImage PrintedPage(SheetTest& t, const TCoverDesign& design, const QString& pdf, int n) {
    const TOutputFileQuestion saved =
        SetOutputFileQuestion([&](const QString&) -> std::optional<QString> { return pdf; });
    t.Print(design);
    SetOutputFileQuestion(saved);
    return RenderPdfPage(pdf, n, kDpi).convertToFormat(QImage::Format_RGB32);
}

std::string SheetName(const ::testing::TestParamInfo<Sheet>& i) {
    static const char* const front[] = {"NoFront", "Single", "Double"};
    static const char* const rear[] = {"NoRear", "WithBands", "WithoutBands"};
    return std::string(front[static_cast<int>(i.param.front)]) +
           rear[static_cast<int>(i.param.rear)];
}

// The sheets through the print server's PDF queues, one of them with unprintable margins:
// frames whole at their sizes, whatever the queue does with the page.
class QueuedSheetTest : public SheetTest {};

TEST_P(QueuedSheetTest, FramesAtTheirSizesThroughTheQueues) {
    REQUIRE_PRINT_SERVER();
    const Sheet sheet = GetParam();
    const bool wide = sheet.front == TFrontFormat::Double;
    const bool hasFront = sheet.front != TFrontFormat::None;
    const bool hasRear = sheet.rear != TRearFormat::None;
    const TCoverDesign design = Design(sheet);
    TPrinter printer;
    for (const QString& queue : {PdfQueue(), MarginsQueue()}) {
        SCOPED_TRACE(queue.toStdString());
        const QString title = UniqueJobTitle("sheet");
        layout->Report1->SetReportTitle(title);
        layout->Report1->PrinterSettings()->SetPrinterIndex(
            static_cast<int>(printer.Printers().indexOf(queue)));
        Run(design, TCoverOutput::Print);
        const QString out = WaitForQueueOutput(title);
        ASSERT_FALSE(out.isEmpty());
        const int pages = wide && hasRear ? 2 : 1;
        ASSERT_EQ(PdfPageCount(out), pages);
        for (int n = 1; n <= pages; ++n) {
            SCOPED_TRACE(n);
            const QImage page = RenderPdfPage(out, n, kDpi).convertToFormat(QImage::Format_RGB32);
            ASSERT_FALSE(page.isNull());
            // A sheet of single covers stays portrait; the booklet's pages hold one
            // cover each, however the queue turns them.
            if (!wide) {
                EXPECT_LT(page.width(), page.height());
                const QRect top(0, 0, page.width(), ToPixels(135));
                const QRect below(0, ToPixels(135), page.width(), page.height() - ToPixels(135));
                if (hasFront) ExpectFrame(page, top, FrontMm(sheet.front).width(), 120, "front");
                if (hasRear) ExpectFrame(page, below, RearMm(sheet.rear).width(), 118, "rear");
            } else if (n == 1) {
                ExpectFrame(page, page.rect(), 240, 120, "front", true);
            } else {
                ExpectFrame(page, page.rect(), RearMm(sheet.rear).width(), 118, "rear", true);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, QueuedSheetTest,
                         ::testing::Values(Sheet{TFrontFormat::Single, TRearFormat::WithBands},
                                           Sheet{TFrontFormat::Double, TRearFormat::WithoutBands},
                                           Sheet{TFrontFormat::Single, TRearFormat::None}),
                         SheetName);

std::vector<Sheet> AllSheets() {
    std::vector<Sheet> sheets;
    for (TFrontFormat f : {TFrontFormat::None, TFrontFormat::Single, TFrontFormat::Double})
        for (TRearFormat r : {TRearFormat::None, TRearFormat::WithBands, TRearFormat::WithoutBands})
            sheets.push_back({f, r});
    return sheets;
}

INSTANTIATE_TEST_SUITE_P(Formats, SheetTest, ::testing::ValuesIn(AllSheets()), SheetName);

} // namespace
