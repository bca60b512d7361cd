// A cover made from start to print on a real X server, as a person makes it: formats
// chosen, a JPEG and a BMP loaded through the file dialog, a front line typed, turned and
// placed with a click, side bands and central lines typed, fonts applied and colours
// chosen through their dialogs, "Anteprima" with the pages saved as a report file, then
// "Stampa" to the PDF file printer; then the same cover as a booklet with a card without
// bands, printed again. The saved file is read back with rpptool and the PDFs are
// rendered with pdftoppm: frames and texts are found on their pixels.
#include "app/CoverPictures.h"
#include "app/Editor.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit4.h"
#include "report/RpPrev.h"
#include "support/FormTestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <functional>

namespace {

QWidget* W(TControl* c) {
    c->HandleNeeded();
    return c->Widget();
}

QString ShotDir() {
    const QString dir =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    return dir;
}

void Shot(QWidget* w, const char* name) {
    Settle();
    w->grab().toImage().save(QDir(ShotDir()).filePath(QString::fromLatin1(name) + ".png"));
}

void Choose(TComboBox* box, int index) {
    auto* combo = qobject_cast<QComboBox*>(W(box));
    ASSERT_TRUE(combo);
    combo->setFocus();
    for (int guard = 0; combo->currentIndex() != index && guard < 10; ++guard)
        QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
    ASSERT_EQ(box->ItemIndex(), index);
}

void TypeInto(QWidget* w, const QString& text) {
    w->setFocus();
    QTest::keyClicks(w, text);
}

void ApplyFont(TBitBtn* fonts, const QString& face, int size) {
    auto driver = WhenDialogOpens([face, size](QDialog* d) {
        auto* faceEdit = Child<QLineEdit>(d, "faceEdit");
        faceEdit->selectAll();
        QTest::keyClicks(faceEdit, face);
        auto* sizeEdit = Child<QLineEdit>(d, "sizeEdit");
        sizeEdit->selectAll();
        QTest::keyClicks(sizeEdit, QString::number(size));
        QTest::mouseClick(Child<QPushButton>(d, "applyButton"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(d, "okButton"), Qt::LeftButton);
    });
    QTest::mouseClick(W(fonts), Qt::LeftButton);
}

void PickColour(TBitBtn* colour, QColor c) {
    auto driver = WhenDialogOpens([c](QDialog* d) {
        auto* dialog = qobject_cast<QColorDialog*>(d);
        ASSERT_TRUE(dialog);
        // The colour typed as its HTML name, as a person can.
        for (auto* edit : dialog->findChildren<QLineEdit*>())
            if (edit->text().startsWith(QLatin1Char('#'))) {
                edit->selectAll();
                QTest::keyClicks(edit, c.name());
                QTest::keyClick(edit, Qt::Key_Tab);
            }
        for (auto* box : dialog->findChildren<QDialogButtonBox*>())
            if (QAbstractButton* ok = box->button(QDialogButtonBox::Ok)) ok->click();
    });
    QTest::mouseClick(W(colour), Qt::LeftButton);
}

TRpStandardPreview* OpenPreview() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == QLatin1String("Print Preview"))
            for (int i = 0; i < Application->ComponentCount(); ++i)
                if (auto* p = qobject_cast<TRpStandardPreview*>(Application->Components(i)))
                    if (p->Widget() == w) return p;
    return nullptr;
}

// Runs step on the preview window once it is open, from the loop that shows it: the
// composition before it may let events run while its pictures are read.
void WhenPreviewOpens(std::function<void(TRpStandardPreview*)> step) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, step = std::move(step)] {
        TRpStandardPreview* p = OpenPreview();
        if (!p) return;
        timer->stop();
        timer->deleteLater();
        step(p);
    });
    timer->start();
}

// ---- Reading the printed page -----------------------------------------------------------

constexpr int kDpi = 150;
int Px(double mm) {
    return static_cast<int>(std::nearbyint(mm / 25.4 * kDpi));
}
QRect MmRect(double left, double top, double width, double height) {
    return QRect(QPoint(Px(left), Px(top)), QPoint(Px(left + width) - 1, Px(top + height) - 1));
}

template <class P> QRect BoxOf(const QImage& image, const QRect& rect, P wanted) {
    QRect box;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (wanted(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}
bool Black(QRgb c) {
    return qRed(c) < 80 && qGreen(c) < 80 && qBlue(c) < 80;
}
bool Blue(QRgb c) {
    return qBlue(c) > 150 && qRed(c) < 110 && qGreen(c) < 110;
}
bool Red(QRgb c) {
    return qRed(c) > 150 && qGreen(c) < 110 && qBlue(c) < 110;
}
bool Green(QRgb c) {
    return qGreen(c) > 60 && qRed(c) < 90 && qBlue(c) < 90;
}
int Runs(const QImage& image, const QRect& rect, bool (*wanted)(QRgb)) {
    int runs = 0;
    bool inside = false;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        const bool ink = !BoxOf(image, QRect(rect.left(), y, rect.width(), 1), wanted).isNull();
        runs += ink && !inside;
        inside = ink;
    }
    return runs;
}

void ExpectNearMm(int px, double mm, const char* what, double toleranceMm = 0.6) {
    EXPECT_NEAR(px, mm / 25.4 * kDpi, toleranceMm / 25.4 * kDpi) << what;
}

// A frame's outer size: what is cut out along it. A pixel at this resolution is 0.17 mm.
void ExpectSizeMm(const QRect& frame, double widthMm, double heightMm, const char* what) {
    ASSERT_FALSE(frame.isNull()) << what;
    EXPECT_NEAR(frame.width() * 25.4 / kDpi, widthMm, 0.35) << what;
    EXPECT_NEAR(frame.height() * 25.4 / kDpi, heightMm, 0.35) << what;
}

// Turned text: its ink starts inside its line's cell, after the room the font keeps above
// its capitals (or below its baseline), which is up to 2.5 mm at these sizes.
void ExpectInCell(int px, double cellMm, const char* what) {
    EXPECT_GE(px, Px(cellMm - 0.5)) << what;
    EXPECT_LE(px, Px(cellMm + 2.5)) << what;
}

QImage Wash(QSize size, QColor from, QColor to) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    painter.fillRect(image.rect(), g);
    painter.end();
    // A corner pixel of its own: a transparent miniature leaves only this one unpainted.
    image.setPixel(0, size.height() - 1, qRgb(255, 255, 255));
    return image;
}

// ---- The road of one cover -------------------------------------------------------------

TEST(CoverEndToEnd, FromStartToPrint) {
    const QString dir = TestTempDir();
    const QString jpeg = QDir(dir).filePath(QStringLiteral("fronte.jpg"));
    const QString bmp = QDir(dir).filePath(QStringLiteral("retro.bmp"));
    // Light diagonal washes, so that texts and frames stand out.
    ASSERT_TRUE(
        Wash(QSize(480, 480), QColor(255, 244, 180), QColor(250, 205, 130)).save(jpeg, "JPG", 95));
    ASSERT_TRUE(
        Wash(QSize(600, 470), QColor(225, 242, 255), QColor(170, 212, 248)).save(bmp, "BMP"));
    QStringList shown;
    Application->OnException = [&](TObject*, const Exception& e) {
        shown << ErrorBoxText(e.Message());
    };

    TEditor editor;
    TForm1* Form1 = editor.Form1;
    TIntro* Intro = editor.Intro;
    Form1->Show();
    ASSERT_TRUE(WaitUntil([&] { return Form1->Widget()->isVisible() && Intro->Visible(); }));
    QTest::mouseClick(W(Intro->Image1), Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_TRUE(WaitUntil([&] { return !Intro->Visible(); }));

    // Formats and pictures.
    Form1->PageControl1->SetActivePage(Form1->TabSheet1);
    Choose(Form1->ComboBox1, 1);
    EXPECT_EQ(Form1->ComboBox1->Text(), QStringLiteral("Copertina Frontale [120x120mm]"));
    {
        auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, jpeg); });
        QTest::mouseClick(W(Form1->front), Qt::LeftButton, {}, QPoint(100, 100));
    }
    Shot(Form1->Widget(), "e2e-cover-fronte");
    Form1->PageControl1->SetActivePage(Form1->TabSheet2);
    Choose(Form1->ComboBox2, 1);
    EXPECT_EQ(Form1->ComboBox2->Text(),
              QStringLiteral("Copertina Posteriore con bande [151x118mm]"));
    {
        auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, bmp); });
        QTest::mouseClick(W(Form1->rear), Qt::LeftButton, {}, QPoint(100, 100));
    }
    // The pictures show once they have been read.
    ASSERT_TRUE(WaitUntil([&] { return !Form1->Document()->Pictures()->Reading(); }));
    ASSERT_EQ(Form1->front->Picture()->Width(), 480);
    ASSERT_EQ(Form1->rear->Picture()->Width(), 600);
    Shot(Form1->Widget(), "e2e-cover-retro");

    // The front line: typed, colour and font chosen, turned to 90, placed with a click.
    Form1->PageControl1->SetActivePage(Form1->TabSheet3);
    TypeInto(W(Form1->Fronteriga), QStringLiteral("Concerto"));
    PickColour(Form1->BitBtn5, QColor(0, 0, 255));
    ApplyFont(Form1->BitBtn6, QStringLiteral("Arial"), 10);
    Choose(Form1->ComboBox3, 2);
    EXPECT_EQ(Form1->Labelfront->Angle(), 90);
    QTest::mouseClick(W(Form1->Imagefronte), Qt::LeftButton, {}, QPoint(60, 40));
    EXPECT_EQ(Form1->Labelfront->BoundsRect().topLeft(), QPoint(60, 40));
    Shot(Form1->Widget(), "e2e-cover-testo-fronte");

    // The rear texts.
    Form1->PageControl1->SetActivePage(Form1->TabSheet4);
    TypeInto(W(Form1->Edit1), QStringLiteral("Lato A"));
    TypeInto(W(Form1->Edit2), QStringLiteral("Lato B"));
    QWidget* memo = W(Form1->Memo2);
    memo->setFocus();
    QTest::keyClicks(memo, QStringLiteral("1. Preludio"));
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QStringLiteral("2. Aria"));
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QStringLiteral("3. Finale"));
    PickColour(Form1->BitBtn9, QColor(255, 0, 0));
    ApplyFont(Form1->BitBtn10, QStringLiteral("Arial"), 9);
    PickColour(Form1->BitBtn7, QColor(0, 128, 0));
    ApplyFont(Form1->BitBtn8, QStringLiteral("Arial"), 10);
    EXPECT_EQ(Form1->Labelr1->Font()->Color(), clRed);
    EXPECT_EQ(Form1->Labelrear->Font()->Size(), 10);
    Shot(Form1->Widget(), "e2e-cover-testo-retro");
    ASSERT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();

    // "Anteprima": the preview shows the page; it is saved as a report file, the printer
    // set-up chooses the PDF file printer and its file, and the preview is closed.
    const QString rpp = QDir(dir).filePath(QStringLiteral("copertina.rpp"));
    const QString pdf = QDir(dir).filePath(QStringLiteral("copertina.pdf"));
    bool previewSeen = false;
    WhenPreviewOpens([&](TRpStandardPreview* p) {
        previewSeen = true;
        WaitUntil([&] { return Form1->LastSheet() && Form1->LastSheet()->Report1->Idle(); });
        Shot(p->Widget(), "e2e-cover-anteprima");
        {
            auto driver = WhenDialogOpens([&](QDialog* d) { ConfirmFile(d, rpp); });
            QTest::mouseClick(W(p->SaveReport), Qt::LeftButton);
        }
        {
            auto driver = WhenDialogOpens([&](QDialog* d) {
                auto* printers = Child<QComboBox>(d, "printers");
                printers->setCurrentIndex(printers->count() - 1); // the file entry
                auto* filename = Child<QLineEdit>(d, "filename");
                EXPECT_TRUE(WaitUntil([&] { return filename->isEnabled(); }, 10000));
                filename->setText(pdf);
                for (auto* box : d->findChildren<QDialogButtonBox*>())
                    if (QAbstractButton* ok = box->button(QDialogButtonBox::Ok)) ok->click();
            });
            QTest::mouseClick(W(p->PrintSetup), Qt::LeftButton);
        }
        QTest::mouseClick(W(p->ExitButton), Qt::LeftButton);
    });
    QTest::mouseClick(W(Form1->BitBtn1), Qt::LeftButton);
    ASSERT_TRUE(previewSeen);
    ASSERT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    ASSERT_TRUE(QFile::exists(rpp));

    // "Stampa" to the PDF file printer, into the file the set-up named: nothing asks again.
    {
        auto driver = WhenDialogOpens([](QDialog* d) {
            ADD_FAILURE() << "asked again: " << d->windowTitle().toStdString();
            d->reject();
        });
        QTest::mouseClick(W(Form1->BitBtn2), Qt::LeftButton);
        ASSERT_TRUE(
            WaitUntil([&] { return Form1->LastSheet() && Form1->LastSheet()->Report1->Idle(); }));
    }
    ASSERT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    ASSERT_EQ(PdfPageCount(pdf), 1);

    // The saved report file, read by the command-line tool.
    QProcess tool;
    tool.start(QStringLiteral(RPPTOOL), {QStringLiteral("info"), rpp});
    ASSERT_TRUE(tool.waitForFinished(60000));
    const QString info = QString::fromUtf8(tool.readAllStandardOutput());
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("pages: 1"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("A4"))) << info.toStdString();

    // The printed sheet.
    const QImage page = RenderPdfPage(pdf, 1, kDpi).convertToFormat(QImage::Format_RGB32);
    ASSERT_NEAR(page.width(), Px(210), 1);
    ASSERT_NEAR(page.height(), Px(297), 1);
    page.save(QDir(ShotDir()).filePath(QStringLiteral("e2e-cover-sheet.png")));
    // Front frame: 120 mm square at the 10 mm margin corner.
    const QRect front = BoxOf(page, MmRect(0, 0, 140, 135), Black);
    ExpectNearMm(front.left(), 10, "front left");
    ExpectNearMm(front.top(), 10, "front top");
    ExpectSizeMm(front, 120, 120, "front");
    // Rear frame: 151 x 118 mm, 129.6 mm below the band's top.
    const QRect rear = BoxOf(page, MmRect(0, 135, 200, 150), Black);
    ExpectNearMm(rear.left(), 10, "rear left");
    ExpectNearMm(rear.top(), 139.6, "rear top");
    ExpectSizeMm(rear, 151, 118, "rear");
    // The pictures fill their frames.
    const QRgb yellow = page.pixel(Px(70), Px(100));
    EXPECT_GT(qRed(yellow), 200);
    EXPECT_LT(qBlue(yellow), 190);
    const QRgb cyan = page.pixel(Px(130), Px(240));
    EXPECT_GT(qBlue(cyan), 200);
    EXPECT_LT(qRed(cyan), 230);
    // The front line, placed at 60, 40 on the 217-pixel miniature: the same point of the
    // 120 mm cover, 33.18 and 22.12 mm from the band's corner; turned to read upwards.
    const QRect line = BoxOf(page, MmRect(10, 10, 121, 121), Blue);
    ASSERT_FALSE(line.isNull());
    ExpectInCell(line.left(), 43.18, "line left");
    ExpectNearMm(line.top(), 32.12, "line top", 1.5);
    EXPECT_GT(line.height(), 2 * line.width());
    // The side bands: the left one 0.38 mm inside the card, from 131.91 mm down.
    const QRect left = BoxOf(page, MmRect(10, 140, 12, 119), Red);
    ASSERT_FALSE(left.isNull());
    ExpectInCell(left.left(), 10.38, "left band");
    EXPECT_GE(left.top(), Px(141.91) - 2);
    EXPECT_GT(left.height(), 3 * left.width());
    // The right band stands as far inside the card's right edge (161 mm) as the left one
    // inside its left edge, reading downwards from 130.02 mm.
    const QRect right = BoxOf(page, MmRect(150, 140, 13, 119), Red);
    ASSERT_FALSE(right.isNull());
    EXPECT_LE(right.right(), Px(161 - 0.38));
    EXPECT_GE(right.left(), Px(153));
    ExpectNearMm(right.top(), 140.02, "right band top", 1.5);
    // The central text from 7.94, 129.83 mm: three lines.
    const QRect text = BoxOf(page, MmRect(16, 139, 130, 119), Green);
    ASSERT_FALSE(text.isNull());
    ExpectNearMm(text.left(), 17.94, "text left", 1.0);
    ExpectNearMm(text.top(), 139.83, "text top", 2.0);
    EXPECT_EQ(Runs(page, text, Green), 3);

    // The same cover as a booklet with a card without bands: the booklet is wider than a
    // portrait sheet, so each takes a landscape page of its own, whole and at true size,
    // and the card has no side-band texts.
    Form1->PageControl1->SetActivePage(Form1->TabSheet1);
    Choose(Form1->ComboBox1, 2);
    Form1->PageControl1->SetActivePage(Form1->TabSheet2);
    Choose(Form1->ComboBox2, 2);
    // "Anteprima" shows the two pages that "Stampa" prints. The first preview window went
    // when it closed, as the program's own loop lets it go between two events.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QString pageText;
    WhenPreviewOpens([&](TRpStandardPreview* p) {
        WaitUntil([&] { return Form1->LastSheet() && Form1->LastSheet()->Report1->Idle(); });
        // The page shows before the report has counted its pages: "Page 1 of 0" meanwhile.
        const QRegularExpression counted(QStringLiteral("^Page \\d+ of [1-9]"));
        EXPECT_TRUE(WaitUntil(
            [&] { return counted.match(p->StatusBar->Panels()->Items(1)->Text()).hasMatch(); },
            10000));
        pageText = p->StatusBar->Panels()->Items(1)->Text();
        Shot(p->Widget(), "e2e-booklet-anteprima");
        QTest::mouseClick(W(p->ExitButton), Qt::LeftButton);
    });
    QTest::mouseClick(W(Form1->BitBtn1), Qt::LeftButton);
    EXPECT_EQ(pageText, QStringLiteral("Page 1 of 2"));
    // "Stampa" writes again to the file that the printer set-up named, without asking.
    const QString booklet = pdf;
    ASSERT_TRUE(QFile::remove(booklet));
    {
        auto driver = WhenDialogOpens([](QDialog* d) {
            ADD_FAILURE() << "asked again: " << d->windowTitle().toStdString();
            d->reject();
        });
        QTest::mouseClick(W(Form1->BitBtn2), Qt::LeftButton);
        ASSERT_TRUE(
            WaitUntil([&] { return Form1->LastSheet() && Form1->LastSheet()->Report1->Idle(); }));
    }
    ASSERT_TRUE(shown.isEmpty()) << shown.join('|').toStdString();
    ASSERT_EQ(PdfPageCount(booklet), 2);
    const QSize sizes[] = {{240, 120}, {139, 118}};
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        const QImage sheet = RenderPdfPage(booklet, n, kDpi).convertToFormat(QImage::Format_RGB32);
        ASSERT_NEAR(sheet.width(), Px(297), 1);
        ASSERT_NEAR(sheet.height(), Px(210), 1);
        sheet.save(QDir(ShotDir()).filePath(QStringLiteral("e2e-booklet-page%1.png").arg(n)));
        const QRect frame = BoxOf(sheet, sheet.rect(), Black);
        ExpectNearMm(frame.left(), 10, "left");
        ExpectNearMm(frame.top(), 10, "top");
        ExpectSizeMm(frame, sizes[n - 1].width(), sizes[n - 1].height(), "frame");
        EXPECT_EQ(n == 1, !BoxOf(sheet, sheet.rect(), Blue).isNull()) << "front line";
        EXPECT_TRUE(BoxOf(sheet, sheet.rect(), Red).isNull()) << "no side bands";
        EXPECT_EQ(n == 2, Runs(sheet, frame.adjusted(8, 8, -8, -8), Green) == 3) << "tracks";
    }

    Application->OnException = nullptr;
}

} // namespace
