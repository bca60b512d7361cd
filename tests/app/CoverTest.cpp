// Covers from the main window to the page: the formats sizing the picture areas and the
// report items, pictures chosen through the real file dialog, and "Anteprima" and
// "Stampa" composing the covers onto the print layout, checked on the kept page and on
// the printed PDF.
#include "EditorFixture.h"

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
    QImage RenderKept(int n) const { return KeptPage(preview, n); }

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
    // Each area its own copy.
    EXPECT_NE(Form1->front->Picture()->Graphic(), Form1->Imagefronte->Picture()->Graphic());
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

TEST_F(CoverTest, PicturesThatFailToLoadSayWhyAndKeepTheOldOne) {
    ChooseFormats();
    Form1->PageControl1->SetActivePage(Form1->TabSheet1);
    const QString good = Picture(QStringLiteral("good.jpg"), Qt::red, {20, 20});
    ChoosePicture(Form1->front, good);
    TGraphic* before = Form1->front->Picture()->Graphic();
    const QString missing = QDir(dir).filePath(QStringLiteral("missing.jpg"));
    ChoosePicture(Form1->front, missing);
    ChoosePicture(Form1->front, Junk(QStringLiteral("junk.bmp")));
    ChoosePicture(Form1->front, Junk(QStringLiteral("junk.jpg")));
    EXPECT_EQ(shown, QStringList({QStringLiteral("Cannot open file %1.").arg(missing),
                                  QStringLiteral("Bitmap image is not valid."),
                                  QStringLiteral("JPEG error #%1.").arg(JERR_NO_SOI)}));
    EXPECT_EQ(Form1->front->Picture()->Graphic(), before);
    EXPECT_EQ(Form1->Imagefronte->Picture()->Width(), 20);
    // The name is the one that failed, so the next composition fails on it again.
    EXPECT_TRUE(Form1->frontDialog->FileName().endsWith(QStringLiteral("junk.jpg")));
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
    EXPECT_EQ(shown, QStringList{QStringLiteral("Cannot open file %1.").arg(front)});
    // Nothing after the front picture was composed, and the report did not run.
    EXPECT_EQ(preview->RpImage2->Picture()->Graphic(), nullptr);
    EXPECT_EQ(preview->Labelrp1->Caption(), QStringLiteral("Labelrp1"));
    EXPECT_EQ(preview->Report1->RpPrinter(), nullptr);

    // A rear file that is no picture stops it after the front.
    shown.clear();
    Picture(QStringLiteral("front.jpg"), Qt::red, {30, 30});
    QFile::remove(rear);
    Junk(QStringLiteral("rear.bmp"));
    Stampa();
    EXPECT_EQ(shown, QStringList{QStringLiteral("Bitmap image is not valid.")});
    EXPECT_NE(preview->RpImage1->Picture()->Graphic(), nullptr);
    EXPECT_EQ(preview->Labelrp1->Caption(), QStringLiteral("Labelrp1"));
}

// Placed at (47, 47) the line stands at 47 x 2.12 = 99.64, so 100 report pixels from the
// band's corner (page 37.8 + 100 / 1.4 = 109.2); at (66, 66), 139.92, so 140 (137.8).
TEST_F(CoverTest, APlacedLineMovesOnThePageWhenPlacedAgain) {
    ChooseFormats();
    Form1->Fronteriga->SetText(QStringLiteral("Titolo"));
    Form1->ColorDialogfront->SetColor(clBlack);
    PlaceFrontLine(47, 47);
    Anteprima();
    EXPECT_EQ(preview->RpLabel1->BoundsRect().topLeft(), QPoint(100, 100));
    const QImage first = RenderKept(1);
    const QRect firstInk = InkIn(first, Inside(kFrontFrame));
    ASSERT_FALSE(firstInk.isNull());
    EXPECT_NEAR(firstInk.left(), 109, 3);
    EXPECT_NEAR(firstInk.top(), 109, 6);

    PlaceFrontLine(66, 66);
    Anteprima();
    EXPECT_EQ(preview->RpLabel1->BoundsRect().topLeft(), QPoint(140, 140));
    const QImage second = RenderKept(1);
    const QRect secondInk = InkIn(second, Inside(kFrontFrame));
    ASSERT_FALSE(secondInk.isNull());
    EXPECT_NEAR(secondInk.left() - firstInk.left(), 29, 1);
    EXPECT_NEAR(secondInk.top() - firstInk.top(), 29, 1);
    EXPECT_NEAR(secondInk.width(), firstInk.width(), 1);
    EXPECT_NEAR(secondInk.height(), firstInk.height(), 1);
}

// x = 100, y = 50 on the miniature: 212 and 106 report pixels, 40.07 and 20.03 mm.
TEST_F(CoverTest, AClickPlacesTheLineAtTwiceAndAlittleMoreItsPixels) {
    ChooseFormats();
    Form1->Fronteriga->SetText(QStringLiteral("Titolo"));
    PlaceFrontLine(100, 50);
    Anteprima();
    EXPECT_EQ(preview->RpLabel1->Left(), 212);
    EXPECT_EQ(preview->RpLabel1->Top(), 106);
    const TRpPrintableSize* size = preview->RpLabel1->Size();
    EXPECT_NEAR(static_cast<double>(size->NativeValue(TRpPrintableSize::iLeft)), 400.7, 0.1);
    EXPECT_NEAR(static_cast<double>(size->NativeValue(TRpPrintableSize::iTop)), 200.3, 0.1);

    // A click on the left column moves the label on screen but is no placement.
    PlaceFrontLine(0, 80);
    EXPECT_EQ(Form1->Labelfront->Left(), 0);
    EXPECT_EQ(Form1->Labelfront->Top(), 80);
    Anteprima();
    EXPECT_EQ(preview->RpLabel1->Left(), 212);
    EXPECT_EQ(preview->RpLabel1->Top(), 106);
}

// An unplaced line looks as it does on screen, at the layout's place: face, size, style,
// colour and angle are the user's; only the place waits for a click.
TEST_F(CoverTest, AnUnplacedLineLooksAsOnScreenAtTheLayoutsPlace) {
    Form1->PageControl1->SetActivePage(Form1->TabSheet1);
    Choose(Form1->ComboBox1, 1);
    Form1->Fronteriga->SetText(QStringLiteral("Titolo"));
    Form1->Labelfront->SetAngle(90);
    Form1->Labelfront->Font()->SetStyle(TFont::TFontStyles(TFont::fsBold));
    Form1->Labelfront->Font()->SetColor(clRed);
    Anteprima();
    EXPECT_EQ(preview->RpLabel1->Caption(), QStringLiteral("Titolo"));
    EXPECT_EQ(preview->RpLabel1->Angle(), 90);
    EXPECT_EQ(preview->RpLabel1->Font()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(preview->RpLabel1->Font()->Size(), 17);
    EXPECT_TRUE(preview->RpLabel1->Font()->HasStyle(fsBold));
    EXPECT_EQ(preview->RpLabel1->Left(), 370);
    EXPECT_EQ(preview->RpLabel1->Top(), 45);
    // On the page: red, turned to read upwards from the layout's place, 69.85 mm and
    // 8.47 mm from the band's corner (page 301.8, 69.8).
    const QRect red = BoxOf(RenderKept(1), Inside(kFrontFrame), Reddish);
    ASSERT_FALSE(red.isNull());
    EXPECT_GT(red.height(), 2 * red.width());
    // Across the line the ink starts below the cell's leading, inside the item's box.
    EXPECT_GE(red.left(), 301);
    EXPECT_LE(red.right(), 302 + PageFromReport(preview->RpLabel1->Width()) + 1);
    EXPECT_NEAR(red.top(), 70, 4);
}

// 8 x 2.12 = 16.96 -> 17; 10 x 2.12 = 21.2 -> 21: the preview shows the print's sizes.
TEST_F(CoverTest, FontSizesAreTheSameInPreviewAndPrint) {
    ChooseFormats();
    Form1->Fronteriga->SetText(QStringLiteral("Titolo"));
    Form1->Memo2->SetText(QStringLiteral("Tracce"));
    Form1->Labelrear->Font()->SetSize(10);
    Form1->Labelfront->SetAngle(90);
    PlaceFrontLine(20, 20);
    ASSERT_EQ(Form1->Labelfront->Font()->Size(), 8);
    ASSERT_EQ(Form1->Labelr1->Font()->Size(), 8);
    struct Sizes {
        int line, left, right, rear;
        bool operator==(const Sizes&) const = default;
    };
    auto sizes = [&] {
        return Sizes{preview->RpLabel1->Font()->Size(), preview->Labelrp1->Font()->Size(),
                     preview->Labelrp2->Font()->Size(), preview->RpMemo2->Font()->Size()};
    };
    Anteprima();
    const Sizes previewed = sizes();
    EXPECT_TRUE(previewed == (Sizes{17, 17, 17, 21}));
    EXPECT_EQ(preview->RpMemo2->Font()->Name(), QStringLiteral("MS Sans Serif"));
    PdfFileAnswer declined{QString()}; // the job is declined; the composition is done
    Stampa();
    EXPECT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    EXPECT_TRUE(sizes() == previewed);
}

TEST_F(CoverTest, EmptyCaptionsAreABlankInPreviewOnly) {
    Anteprima();
    EXPECT_EQ(preview->RpLabel1->Caption(), QStringLiteral(" "));
    EXPECT_EQ(preview->Labelrp1->Caption(), QStringLiteral(" "));
    EXPECT_EQ(preview->Labelrp2->Caption(), QStringLiteral(" "));
    PdfFileAnswer declined{QString()};
    Stampa();
    EXPECT_EQ(preview->RpLabel1->Caption(), QStringLiteral(" "));
    EXPECT_EQ(preview->Labelrp1->Caption(), QString());
    EXPECT_EQ(preview->Labelrp2->Caption(), QString());
}

TEST_F(CoverTest, MemoLinesBecomeReportLinesAndAnEmptiedMemoEmptiesThePage) {
    ChooseFormats();
    Form1->RadioGroup1->SetItemIndex(1);
    Form1->RadioGroup1Click(Form1->RadioGroup1);
    Form1->Memo1->SetText(QStringLiteral("uno\r\ndue\r\ntre"));
    Anteprima();
    EXPECT_EQ(preview->RpMemo1->Lines()->List(), QStringList({"uno", "due", "tre"}));
    EXPECT_EQ(preview->RpMemo1->Font()->Size(), 17);
    EXPECT_FALSE(InkIn(RenderKept(1), Inside(kFrontFrame)).isNull());

    for (const char* text : {"", "\r\n  \r\n"}) {
        Form1->Memo1->SetText(QString::fromLatin1(text));
        Anteprima();
        EXPECT_EQ(preview->RpMemo1->Lines()->Count(), 0) << text;
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
    // The line at 106 report pixels: page 37.8 + 75.7.
    const QRect line = InkIn(page, Inside(kFrontFrame));
    ASSERT_FALSE(line.isNull());
    EXPECT_NEAR(line.left(), 114, 3);
    // The central text from 42 report pixels in (page 67.8), three lines.
    const QRect text = InkIn(page, QRect(60, 531, 520, 440));
    ASSERT_FALSE(text.isNull());
    EXPECT_NEAR(text.left(), 69, 3);
    // The band strips: inside the frame, the left 17 and the right 17 report pixels.
    EXPECT_TRUE(InkIn(page, QRect(40, 531, 12, 440)).isNull());
    EXPECT_TRUE(InkIn(page, QRect(594, 531, 12, 440)).isNull());
}

} // namespace
