// Covers from the main window to the page: the formats sizing the picture areas and the
// report items, pictures chosen through the real file dialog, and "Anteprima" and
// "Stampa" composing the covers onto the print layout, checked on the kept page and on
// the printed PDF.
#include "EditorFixture.h"
#include "app/CoverPictures.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

namespace {

QWidget* W(TControl* c) {
    c->HandleNeeded();
    return c->Widget();
}

// Chooses an item of a closed drop-down list with the arrow keys, as a user can.
void Choose(TComboBox* box, int index) {
    auto* combo = qobject_cast<QComboBox*>(W(box));
    ASSERT_TRUE(combo);
    for (int guard = 0; combo->currentIndex() != index && guard < 10; ++guard)
        QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
    ASSERT_EQ(box->ItemIndex(), index);
}

int PdfPrinterIndex() {
    TPrinter p;
    return static_cast<int>(p.Printers().indexOf(TPrinter::PdfPrinterName()));
}

// PDF jobs go to this file (or are declined with an empty name) instead of asking.
struct PdfFileAnswer {
    explicit PdfFileAnswer(QString file)
        : saved(SetOutputFileQuestion([file](const QString&) -> std::optional<QString> {
              if (file.isEmpty()) return std::nullopt;
              return file;
          })) {}
    ~PdfFileAnswer() { SetOutputFileQuestion(saved); }
    TOutputFileQuestion saved;
};

// ---- Reading pages ---------------------------------------------------------------------

QImage KeptPage(const Tpreview* preview, int n) {
    TRpPrinter* printer = preview->Report1->RpPrinter();
    if (!printer) return {};
    std::unique_ptr<TMetafile> page = printer->FetchPage(n);
    if (!page) return {};
    QImage image(page->Width(), page->Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page->Play(painter, QRectF(0, 0, image.width(), image.height()));
    return image;
}

bool Dark(QRgb c) {
    return qGray(c) < 128;
}
bool Reddish(QRgb c) {
    return qRed(c) > 180 && qGreen(c) < 90 && qBlue(c) < 90;
}

template <class P> QRect BoxOf(const QImage& image, const QRect& rect, P wanted) {
    QRect box;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (wanted(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}
template <class P> int CountIn(const QImage& image, const QRect& rect, P wanted) {
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += wanted(image.pixel(x, y));
    return n;
}
QRect InkIn(const QImage& image, const QRect& rect) {
    return BoxOf(image, rect, Dark);
}

// Page pixels at 96 per inch, worked from millimetres: the band's corner at 10 mm is
// 37.8; the front cover, 120 mm, is 453.5 across; the rear cover starts 129.6 mm below
// the band's top (page 527.6) and is 151 x 118 mm (570.7 x 446.0).
const QRect kFrontFrame(38, 38, 453, 453);
const QRect kRearFrame(38, 528, 571, 446);
// Report pixels at zoom 140 on the page at 96 pixels per inch.
int PageFromReport(int reportPixels) {
    return static_cast<int>(std::nearbyint(reportPixels / 1.4));
}
// Inside the frames, clear of their lines.
QRect Inside(const QRect& frame) {
    return frame.adjusted(3, 3, -3, -3);
}

void ExpectFrame(const QImage& page, const QRect& frame, const char* what) {
    SCOPED_TRACE(what);
    // The frame's lines are the darkest thing across its edges.
    const QRect outer = frame.adjusted(-4, -4, 4, 4);
    const QRect ink = InkIn(page, outer);
    EXPECT_NEAR(ink.left(), frame.left(), 1);
    EXPECT_NEAR(ink.top(), frame.top(), 1);
    EXPECT_NEAR(ink.right(), frame.right(), 1);
    EXPECT_NEAR(ink.bottom(), frame.bottom(), 1);
    // Lines all the way round.
    for (int y = frame.top() + 10; y < frame.bottom() - 10; y += 25) {
        EXPECT_GT(CountIn(page, QRect(frame.left() - 1, y, 3, 1), Dark), 0) << "left " << y;
        EXPECT_GT(CountIn(page, QRect(frame.right() - 1, y, 3, 1), Dark), 0) << "right " << y;
    }
    for (int x = frame.left() + 10; x < frame.right() - 10; x += 25) {
        EXPECT_GT(CountIn(page, QRect(x, frame.top() - 1, 1, 3), Dark), 0) << "top " << x;
        EXPECT_GT(CountIn(page, QRect(x, frame.bottom() - 1, 1, 3), Dark), 0) << "bottom " << x;
    }
}

// ---- The fixture -----------------------------------------------------------------------

class CoverTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        Application->OnException = [this](TObject*, const Exception& e) {
            shown << ErrorBoxText(e.Message());
        };
        // The kept pages are read here rather than shown.
        preview->Report1->OnPreview = [](TObject*) {};
        preview->Report1->PrinterSettings()->SetPrinterIndex(PdfPrinterIndex());
        dir = TestTempDir();
    }
    void TearDown() override {
        Application->OnException = nullptr;
        EditorTest::TearDown();
    }
    // The sheet the last "Anteprima" or "Stampa" composed.
    Tpreview* Sheet() const { return Form1->LastSheet(); }
    QImage RenderKept(int n) const { return KeptPage(Sheet(), n); }

    QString Picture(const QString& name, QColor colour, QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = QDir(dir).filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }
    QString Junk(const QString& name) {
        const QString path = QDir(dir).filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture at all\n");
        return path;
    }
    void ChoosePicture(TImage* area, const QString& file) {
        auto driver = WhenDialogOpens([file](QDialog* d) { ConfirmFile(d, file); });
        QTest::mouseClick(W(area), Qt::LeftButton, {}, QPoint(10, 10));
        // The picture shows once it has been read.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Form1->Document()->Pictures()->Reading(); }));
        Settle();
    }
    // Both covers in their usual formats.
    void ChooseFormats() {
        Form1->PageControl1->SetActivePage(Form1->TabSheet1);
        Choose(Form1->ComboBox1, 1);
        Form1->PageControl1->SetActivePage(Form1->TabSheet2);
        Choose(Form1->ComboBox2, 1);
    }
    void PlaceFrontLine(int x, int y) {
        Form1->PageControl1->SetActivePage(Form1->TabSheet3);
        QTest::mouseClick(W(Form1->Imagefronte), Qt::LeftButton, {}, QPoint(x, y));
    }
    void Anteprima() { QTest::mouseClick(W(Form1->BitBtn1), Qt::LeftButton); }
    void Stampa() { QTest::mouseClick(W(Form1->BitBtn2), Qt::LeftButton); }

    QStringList shown;
    QString dir;
};

// ---- Formats ---------------------------------------------------------------------------

// Item sizes in tenths of a millimetre: what the formats are named after.
struct FrontRow {
    int code;
    QSize panel, miniature;
    int pictureWidth, linesWidth, height;
};

class FrontFormatTest : public CoverTest, public ::testing::WithParamInterface<FrontRow> {};

long double Native(const TRpPrintable* item, int index) {
    return item->Size()->NativeValue(index);
}

TEST_P(FrontFormatTest, SizesTheAreasAndTheItems) {
    const FrontRow& row = GetParam();
    Form1->PageControl1->SetActivePage(Form1->TabSheet1);
    Choose(Form1->ComboBox1, row.code);
    EXPECT_EQ(Form1->Panel1->BoundsRect(), QRect(QPoint(4, 24), row.panel));
    EXPECT_EQ(Form1->Panelfronte->BoundsRect(), QRect(QPoint(8, 16), row.miniature));
    EXPECT_EQ(Native(preview->RpImage1, TRpPrintableSize::iWidth), row.pictureWidth);
    EXPECT_EQ(Native(preview->RpImage1, TRpPrintableSize::iHeight), row.height);
    EXPECT_EQ(Native(preview->RpMemo1, TRpPrintableSize::iWidth), row.linesWidth);
    EXPECT_EQ(Native(preview->RpMemo1, TRpPrintableSize::iHeight), row.height);
    // About the fixed corner at the band's corner.
    EXPECT_EQ(preview->RpImage1->BoundsRect().topLeft(), QPoint(0, 0));
    // The booklet's miniature shows where it folds.
    EXPECT_EQ(Form1->Piegafronte->Visible(), row.code == 2);
    // The picture inside the bevel fills the area less a pixel each side.
    if (row.code == 1) {
        Settle();
        EXPECT_EQ(Form1->front->BoundsRect(), QRect(1, 1, 263, 263));
        EXPECT_EQ(Form1->Imagefronte->BoundsRect(), QRect(1, 1, 215, 215));
    }
}

INSTANTIATE_TEST_SUITE_P(Codes, FrontFormatTest,
                         ::testing::Values(FrontRow{0, {1, 1}, {0, 0}, 0, 0, 0},
                                           FrontRow{1, {265, 265}, {217, 217}, 1200, 1200, 1200},
                                           FrontRow{2, {530, 265}, {217, 217}, 2400, 860, 1200}),
                         [](const auto& i) { return "Code" + std::to_string(i.param.code); });

struct RearRow {
    int code;
    QSize panel, miniature;
    int width, height;
};

class RearFormatTest : public CoverTest, public ::testing::WithParamInterface<RearRow> {};

TEST_P(RearFormatTest, SizesTheAreasAndThePicture) {
    const RearRow& row = GetParam();
    Choose(Form1->ComboBox2, row.code);
    EXPECT_EQ(Form1->Panel2->BoundsRect(), QRect(QPoint(4, 24), row.panel));
    EXPECT_EQ(Form1->Panelrear->BoundsRect(), QRect(QPoint(8, 16), row.miniature));
    EXPECT_EQ(Native(preview->RpImage2, TRpPrintableSize::iWidth), row.width);
    EXPECT_EQ(Native(preview->RpImage2, TRpPrintableSize::iHeight), row.height);
    // Resized about its fixed corner, at the top of the rear cover's band.
    EXPECT_EQ(Native(preview->RpImage2, TRpPrintableSize::iTop), 0);
    EXPECT_EQ(Native(preview->RpImage2, TRpPrintableSize::iLeft), 0);
    // The band labels never move on screen, whatever the format.
    EXPECT_EQ(Form1->Labelr2->Left(), 257);
}

INSTANTIATE_TEST_SUITE_P(Codes, RearFormatTest,
                         ::testing::Values(RearRow{0, {1, 1}, {0, 0}, 0, 0},
                                           RearRow{1, {334, 260}, {273, 213}, 1510, 1180},
                                           RearRow{2, {307, 260}, {251, 213}, 1390, 1180}),
                         [](const auto& i) { return "Code" + std::to_string(i.param.code); });

TEST_F(CoverTest, PicturesHaveNoSizeOnThePageUntilAFormatIsChosen) {
    EXPECT_EQ(preview->RpImage1->BoundsRect().size(), QSize(0, 0));
    EXPECT_EQ(preview->RpImage2->BoundsRect().size(), QSize(0, 0));
    EXPECT_EQ(preview->RpMemo1->BoundsRect().size(), QSize(14, 24));
}

// Text typed into a box leaves no item chosen (-1): nothing changes size.
TEST_F(CoverTest, TypedFormatTextChangesNothing) {
    ChooseFormats();
    for (TComboBox* box : {Form1->ComboBox1, Form1->ComboBox2}) {
        auto* combo = qobject_cast<QComboBox*>(W(box));
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("Copertina"));
        EXPECT_EQ(box->ItemIndex(), -1);
    }
    EXPECT_EQ(Form1->Panel1->BoundsRect().size(), QSize(265, 265));
    EXPECT_EQ(Form1->Panelfronte->BoundsRect().size(), QSize(217, 217));
    EXPECT_EQ(Native(preview->RpImage1, TRpPrintableSize::iWidth), 1200);
    EXPECT_EQ(Form1->Panel2->BoundsRect().size(), QSize(334, 260));
    EXPECT_EQ(Native(preview->RpImage2, TRpPrintableSize::iWidth), 1510);
    // The design keeps the formats chosen last.
    EXPECT_EQ(Form1->Design().frontFormat, TFrontFormat::Single);
    EXPECT_EQ(Form1->Design().rearFormat, TRearFormat::WithBands);
    EXPECT_TRUE(shown.isEmpty());
}

// ---- Pictures --------------------------------------------------------------------------

TEST_F(CoverTest, AChosenPictureFillsBothAreasOfItsCoverOnly) {
    ChooseFormats();
    const QString jpeg = Picture(QStringLiteral("front.JPG"), Qt::red, {300, 100});
    Form1->PageControl1->SetActivePage(Form1->TabSheet1);
    ChoosePicture(Form1->front, jpeg);
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    EXPECT_EQ(Form1->frontDialog->FileName(), jpeg);
    EXPECT_EQ(Form1->front->Picture()->Width(), 300);
    EXPECT_EQ(Form1->Imagefronte->Picture()->Width(), 300);
    // Each area its own copy of the one picture read, which shares the decoded pixels.
    EXPECT_NE(Form1->front->Picture()->Graphic(), Form1->Imagefronte->Picture()->Graphic());
    EXPECT_EQ(Form1->Document()->Pictures()->Reads(), 1);
    EXPECT_EQ(Form1->rear->Picture()->Graphic(), nullptr);
    EXPECT_EQ(Form1->Imagerear->Picture()->Graphic(), nullptr);
    // Squeezed into the whole area, not cropped.
    Settle();
    const QImage shot = W(Form1->front)->grab().toImage();
    EXPECT_EQ(CountIn(shot, shot.rect(), Reddish), shot.width() * shot.height());
}

TEST_F(CoverTest, CancelledDialogsChangeNothing) {
    ChooseFormats();
    const QString bmp = Picture(QStringLiteral("rear.bmp"), Qt::blue, {40, 30});
    Form1->PageControl1->SetActivePage(Form1->TabSheet2);
    ChoosePicture(Form1->rear, bmp);
    TGraphic* before = Form1->rear->Picture()->Graphic();
    ASSERT_TRUE(before);
    {
        auto driver = WhenDialogOpens([](QDialog* d) { d->reject(); });
        QTest::mouseClick(W(Form1->rear), Qt::LeftButton, {}, QPoint(10, 10));
    }
    EXPECT_EQ(Form1->rear->Picture()->Graphic(), before);
    EXPECT_EQ(Form1->rearDialog->FileName(), bmp);
    // Nor does a cancelled colour dialog.
    Form1->ColorDialogbande->SetColor(clRed);
    const TColor colour = Form1->Labelr1->Font()->Color();
    {
        auto driver = WhenDialogOpens([](QDialog* d) { d->reject(); });
        QTest::mouseClick(W(Form1->BitBtn9), Qt::LeftButton);
    }
    EXPECT_EQ(Form1->Labelr1->Font()->Color(), colour);
    EXPECT_EQ(Form1->Labelr2->Font()->Color(), colour);
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
}

// A picture that cannot be read says why, naming the cover and the file; the cover keeps
// the name, and its areas say which file it is.
TEST_F(CoverTest, PicturesThatFailToLoadSayWhyAndKeepTheirName) {
    ChooseFormats();
    Form1->PageControl1->SetActivePage(Form1->TabSheet1);
    const QString good = Picture(QStringLiteral("good.jpg"), Qt::red, {20, 20});
    ChoosePicture(Form1->front, good);
    const QString missing = QDir(dir).filePath(QStringLiteral("missing.jpg"));
    ChoosePicture(Form1->front, missing);
    const QString junkBmp = Junk(QStringLiteral("junk.bmp"));
    ChoosePicture(Form1->front, junkBmp);
    const QString junkJpeg = Junk(QStringLiteral("junk.jpg"));
    ChoosePicture(Form1->front, junkJpeg);
    EXPECT_EQ(
        shown,
        QStringList(
            {QStringLiteral("front picture: Cannot open file %1.").arg(missing),
             QStringLiteral("front picture %1: Bitmap image is not valid.").arg(junkBmp),
             QStringLiteral("front picture %1: JPEG error #%2.").arg(junkJpeg).arg(JERR_NO_SOI)}));
    EXPECT_EQ(Form1->Design().frontPicture, junkJpeg);
    EXPECT_EQ(Form1->front->Picture()->Graphic(), nullptr);
    EXPECT_TRUE(Form1->Panel1->Caption().contains(junkJpeg));
    EXPECT_TRUE(Form1->Panelfronte->Caption().contains(junkJpeg));
    // Undone, the good picture is back.
    for (int i = 0; i < 3; ++i)
        Form1->Document()->Undo();
    EXPECT_EQ(Form1->Design().frontPicture, good);
    EXPECT_EQ(Form1->front->Picture()->Width(), 20);
}

// ---- Composition -----------------------------------------------------------------------

TEST_F(CoverTest, WithoutChosenPicturesTheFramesPrintEmpty) {
    ChooseFormats();
    Form1->Memo2->SetText(QStringLiteral("Tracce"));
    Anteprima();
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    const QImage page = RenderKept(1);
    ASSERT_EQ(page.size(), QSize(794, 1123));
    ExpectFrame(page, kFrontFrame, "front");
    ExpectFrame(page, kRearFrame, "rear");
    EXPECT_TRUE(InkIn(page, Inside(kFrontFrame)).isNull());
    // The rear text is all there is inside the rear frame.
    EXPECT_FALSE(InkIn(page, Inside(kRearFrame)).isNull());
}

TEST_F(CoverTest, AFrontCoverAloneNeedsNoRearPicture) {
    Form1->PageControl1->SetActivePage(Form1->TabSheet1);
    Choose(Form1->ComboBox1, 1);
    Form1->PageControl1->SetActivePage(Form1->TabSheet2);
    Choose(Form1->ComboBox2, 0);
    ChoosePicture(Form1->front, Picture(QStringLiteral("red.jpg"), Qt::red, {64, 64}));
    Anteprima();
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    const QImage page = RenderKept(1);
    ASSERT_FALSE(page.isNull());
    // The picture fills its frame; below it there is no rear frame.
    const QRect red = BoxOf(page, QRect(0, 0, 794, 600), Reddish);
    EXPECT_NEAR(red.left(), 39, 2);
    EXPECT_NEAR(red.right(), 489, 2);
    EXPECT_NEAR(red.bottom(), 489, 2);
    EXPECT_EQ(CountIn(page, kRearFrame, Reddish), 0);
    EXPECT_EQ(CountIn(page, QRect(38, 527, 575, 3), Dark), 0);
}

TEST_F(CoverTest, AFileGoneSinceItWasChosenStopsTheComposition) {
    ChooseFormats();
    const QString front = Picture(QStringLiteral("front.jpg"), Qt::red, {30, 30});
    const QString rear = Picture(QStringLiteral("rear.bmp"), Qt::blue, {30, 30});
    Form1->PageControl1->SetActivePage(Form1->TabSheet1);
    ChoosePicture(Form1->front, front);
    Form1->PageControl1->SetActivePage(Form1->TabSheet2);
    ChoosePicture(Form1->rear, rear);
    ASSERT_TRUE(QFile::remove(front));
    Form1->Edit1->SetText(QStringLiteral("sinistra"));
    Anteprima();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(
        shown[0].startsWith(QStringLiteral("front picture: Cannot open file %1").arg(front)))
        << shown[0].toStdString();
    // No sheet was composed, and no report ran.
    EXPECT_EQ(Sheet(), nullptr);

    // Both pictures unreadable: one message naming both, each with its cover.
    shown.clear();
    QFile::remove(rear);
    Junk(QStringLiteral("rear.bmp"));
    Stampa();
    ASSERT_EQ(shown.size(), 1);
    const QStringList lines = shown[0].split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << shown[0].toStdString();
    EXPECT_TRUE(lines[0].contains(front));
    EXPECT_TRUE(
        lines[1].startsWith(QStringLiteral("rear picture %1: Bitmap image is not valid").arg(rear)))
        << lines[1].toStdString();
    EXPECT_EQ(Sheet(), nullptr);
}

// The line's corner prints at the point of the cover that was clicked on the 217-pixel
// miniature of the 120 mm cover: (47, 47) is 25.99 mm from the band's corner, 98.2 pixels
// of this page (page 37.8 + 98.2 = 136.0); (66, 66) is 36.50 mm, 137.9 (175.7).
TEST_F(CoverTest, APlacedLineMovesOnThePageWhenPlacedAgain) {
    ChooseFormats();
    Form1->Fronteriga->SetText(QStringLiteral("Titolo"));
    Form1->ColorDialogfront->SetColor(clBlack);
    PlaceFrontLine(47, 47);
    Anteprima();
    const QImage first = RenderKept(1);
    const QRect firstInk = InkIn(first, Inside(kFrontFrame));
    ASSERT_FALSE(firstInk.isNull());
    EXPECT_NEAR(firstInk.left(), 136, 3);
    EXPECT_NEAR(firstInk.top(), 136, 6);

    PlaceFrontLine(66, 66);
    Anteprima();
    const QImage second = RenderKept(1);
    const QRect secondInk = InkIn(second, Inside(kFrontFrame));
    ASSERT_FALSE(secondInk.isNull());
    EXPECT_NEAR(secondInk.left() - firstInk.left(), 39.7, 1);
    EXPECT_NEAR(secondInk.top() - firstInk.top(), 39.7, 1);
    EXPECT_NEAR(secondInk.width(), firstInk.width(), 1);
    EXPECT_NEAR(secondInk.height(), firstInk.height(), 1);
}

// x = 100, y = 50 on the miniature: 55.30 and 27.65 mm into the 120 mm cover; a click
// on the left column moves the label on screen but is no placement.
TEST_F(CoverTest, AClickPlacesTheLineAtTheSamePointOfTheCover) {
    ChooseFormats();
    Form1->Fronteriga->SetText(QStringLiteral("Titolo"));
    PlaceFrontLine(100, 50);
    Anteprima();
    const TRpPrintableSize* size = Sheet()->RpLabel1->Size();
    EXPECT_NEAR(static_cast<double>(size->NativeValue(TRpPrintableSize::iLeft)), 553.0, 0.1);
    EXPECT_NEAR(static_cast<double>(size->NativeValue(TRpPrintableSize::iTop)), 276.5, 0.1);

    PlaceFrontLine(0, 80);
    EXPECT_EQ(Form1->Labelfront->Left(), 0);
    EXPECT_EQ(Form1->Labelfront->Top(), 80);
    Anteprima();
    size = Sheet()->RpLabel1->Size();
    EXPECT_NEAR(static_cast<double>(size->NativeValue(TRpPrintableSize::iLeft)), 553.0, 0.1);
    EXPECT_NEAR(static_cast<double>(size->NativeValue(TRpPrintableSize::iTop)), 276.5, 0.1);
}

// An unplaced line looks as it does on screen, at the layout's place: face, size, style,
// colour and angle are the user's; only the place waits for a click.
TEST_F(CoverTest, AnUnplacedLineLooksAsOnScreenAtTheLayoutsPlace) {
    Form1->PageControl1->SetActivePage(Form1->TabSheet1);
    Choose(Form1->ComboBox1, 1);
    Form1->Fronteriga->SetText(QStringLiteral("Titolo"));
    TCoverDesign d = Form1->Design();
    d.frontAngle = 90;
    d.frontFont.bold = true;
    d.frontFont.color = clRed;
    Form1->Document()->Change(d, QString());
    EXPECT_EQ(Form1->Labelfront->Angle(), 90);
    Anteprima();
    EXPECT_EQ(Sheet()->RpLabel1->Caption(), QStringLiteral("Titolo"));
    EXPECT_EQ(Sheet()->RpLabel1->Angle(), 90);
    EXPECT_EQ(Sheet()->RpLabel1->Font()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(Sheet()->RpLabel1->Font()->Size(), 17);
    EXPECT_TRUE(Sheet()->RpLabel1->Font()->HasStyle(fsBold));
    EXPECT_EQ(Sheet()->RpLabel1->Left(), 370);
    EXPECT_EQ(Sheet()->RpLabel1->Top(), 45);
    // On the page: red, turned to read upwards from the layout's place, 69.85 mm and
    // 8.47 mm from the band's corner (page 301.8, 69.8).
    const QRect red = BoxOf(RenderKept(1), Inside(kFrontFrame), Reddish);
    ASSERT_FALSE(red.isNull());
    EXPECT_GT(red.height(), 2 * red.width());
    // Across the line the ink starts below the cell's leading, inside the item's box.
    EXPECT_GE(red.left(), 301);
    EXPECT_LE(red.right(), 302 + PageFromReport(Sheet()->RpLabel1->Width()) + 1);
    EXPECT_NEAR(red.top(), 70, 4);
}

TEST_F(CoverTest, MemoLinesBecomeReportLinesAndAnEmptiedMemoEmptiesThePage) {
    ChooseFormats();
    Form1->RadioGroup1->SetItemIndex(1);
    Form1->RadioGroup1Click(Form1->RadioGroup1);
    Form1->Memo1->SetText(QStringLiteral("uno\r\ndue\r\ntre"));
    Anteprima();
    EXPECT_EQ(Sheet()->RpMemo1->Lines()->List(), QStringList({"uno", "due", "tre"}));
    EXPECT_EQ(Sheet()->RpMemo1->Font()->Size(), 17);
    EXPECT_FALSE(InkIn(RenderKept(1), Inside(kFrontFrame)).isNull());

    for (const char* text : {"", "\r\n  \r\n"}) {
        Form1->Memo1->SetText(QString::fromLatin1(text));
        Anteprima();
        EXPECT_EQ(Sheet()->RpMemo1->Lines()->Count(), 0) << text;
        EXPECT_TRUE(InkIn(RenderKept(1), Inside(kFrontFrame)).isNull()) << text;
    }
}

// Printed with both side bands empty: the frames and the central text are on the paper,
// nothing stands where the band labels would.
TEST_F(CoverTest, StampaWithEmptyBandsPrintsTheRestOfTheCover) {
    ChooseFormats();
    Form1->Fronteriga->SetText(QStringLiteral("Titolo"));
    PlaceFrontLine(50, 50);
    Form1->Memo2->SetText(QStringLiteral("Tracce\r\nuno\r\ndue"));
    const QString pdf = QDir(dir).filePath(QStringLiteral("cover.pdf"));
    PdfFileAnswer answer(pdf);
    Stampa();
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    ASSERT_EQ(PdfPageCount(pdf), 1);
    const QImage page = RenderPdfPage(pdf, 1, 96).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(page.size(), QSize(794, 1123));
    ExpectFrame(page, kFrontFrame, "front");
    ExpectFrame(page, kRearFrame, "rear");
    // The line at (50, 50) of the miniature: 27.65 mm, page 37.8 + 104.5.
    const QRect line = InkIn(page, Inside(kFrontFrame));
    ASSERT_FALSE(line.isNull());
    EXPECT_NEAR(line.left(), 142, 3);
    // The central text from 42 report pixels in (page 67.8), three lines.
    const QRect text = InkIn(page, QRect(60, 531, 520, 440));
    ASSERT_FALSE(text.isNull());
    EXPECT_NEAR(text.left(), 69, 3);
    // The band strips: inside the frame, the left 17 and the right 17 report pixels.
    EXPECT_TRUE(InkIn(page, QRect(40, 531, 12, 440)).isNull());
    EXPECT_TRUE(InkIn(page, QRect(594, 531, 12, 440)).isNull());
}

} // namespace

// The additions reached from context menus, each one step of the document: a picture fitted
// whole shows so in both areas, and a dragged filling picture moves its crop; a list brought
// in from a CUE sheet replaces the rear text; a list too long for the card colours its memo
// until it is fitted, and the miniature shows it at the size it prints at.
TEST_F(CoverTest, FitCropMarksAndTrackListsAreStepsShownInTheWindow) {
    ChooseFormats();
    Form1->PageControl1->SetActivePage(Form1->TabSheet1);
    ChoosePicture(Form1->front, Picture(QStringLiteral("wide.png"), Qt::red, {200, 100}));
    QUndoStack* history = Form1->Document()->History();
    const int steps = history->count();

    Form1->SetPictureFit(TCover::Front, TPictureFit::Fit);
    ASSERT_TRUE(Form1->front->Placement());
    EXPECT_NEAR(Form1->front->Placement()->top(), 0.25, 1e-9);
    EXPECT_EQ(Form1->Imagefronte->Placement(), Form1->front->Placement());
    Form1->SetPictureFit(TCover::Front, TPictureFit::Fill);
    QTest::mousePress(W(Form1->front), Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(W(Form1->front), QPoint(130, 100));
    QTest::mouseRelease(W(Form1->front), Qt::LeftButton, {}, QPoint(130, 100));
    EXPECT_GT(Form1->Design().frontCrop.x(), 0);
    EXPECT_TRUE(shown.isEmpty()); // the drag opened no picture dialog
    Form1->SetMarks(true, true);
    EXPECT_TRUE(Form1->Design().cropMarks && Form1->Design().foldMarks);
    EXPECT_EQ(history->count(), steps + 4);

    const QString cue = QDir(dir).filePath(QStringLiteral("album.cue"));
    QFile f(cue);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PERFORMER \"Gruppo\"\nFILE \"manca.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"Uno\"\n"
            "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    TITLE \"Due\"\n    INDEX 01 03:12:00\n");
    f.close();
    Form1->FillRearText(cue);
    EXPECT_EQ(Form1->Memo2->Lines()->List(),
              (QStringList{QStringLiteral("1. Uno (3:12)"), QStringLiteral("2. Due")}));
    Form1->Document()->Undo();
    EXPECT_TRUE(Form1->Memo2->Lines()->List().isEmpty());

    QStringList tracks;
    for (int i = 1; i <= 40; ++i)
        tracks << QStringLiteral("Traccia %1").arg(i);
    TCoverDesign d = Form1->Design();
    d.rearLines = tracks;
    d.rearFont.size = 12;
    Form1->Document()->Change(d, QStringLiteral("Tracce"));
    EXPECT_EQ(Form1->Memo2->Color(), TForm1::kNotFittingColour);
    EXPECT_EQ(Form1->Labelrear->Font()->Size(), 12);
    Form1->SetFitRearText(true);
    EXPECT_EQ(Form1->Memo2->Color(), clWindow);
    EXPECT_LT(Form1->Labelrear->Font()->Size(), 12);
    Form1->Document()->Undo();
    EXPECT_EQ(Form1->Memo2->Color(), TForm1::kNotFittingColour);
}
