// Recording pages into enhanced metafiles and playing them back: what is played must be
// what direct drawing gives, at the recorded size and at others.

#include "framework/graphics/Metafile.h"
#include "framework/graphics/EmfPlayer.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>

using namespace emf;

namespace {

constexpr QSize kPage(794, 1123); // A4 at 96 pixels per inch

// Regions of the test page, each holding one drawn item and nothing else.
struct Region {
    const char* name;
    QRect rect;
};
const Region kRegions[] = {
    {"text 0", QRect(40, 40, 300, 60)},     {"text 45", QRect(40, 120, 260, 200)},
    {"text 90", QRect(360, 40, 80, 300)},   {"text 180", QRect(460, 40, 300, 60)},
    {"text 270", QRect(460, 120, 80, 220)}, {"frame", QRect(560, 120, 200, 200)},
    {"clipped", QRect(40, 360, 300, 60)},   {"bitmap", QRect(360, 360, 400, 300)},
    {"palette", QRect(40, 460, 200, 200)},  {"filled", QRect(40, 700, 300, 100)},
    {"lines", QRect(360, 700, 400, 200)},   {"opaque", QRect(40, 840, 300, 60)},
};

QImage TestPicture() {
    QImage image(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixel(x, y,
                           x < 20 ? (y < 15 ? qRgb(255, 0, 0) : qRgb(0, 0, 255))
                                  : (y < 15 ? qRgb(0, 160, 0) : qRgb(250, 200, 0)));
    return image;
}

QImage PalettePicture() {
    QImage image(4, 4, QImage::Format_Indexed8);
    image.setColorTable({qRgb(200, 0, 200), qRgb(0, 200, 200)});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, (x + y) % 2);
    return image;
}

void TurnedText(TDeviceContext& dc, int x, int y, int escapement, const QString& text) {
    LOGFONT lf;
    lf.lfHeight = -20;
    lf.lfWeight = FW_BOLD;
    lf.lfEscapement = lf.lfOrientation = escapement;
    lf.SetFaceName(QStringLiteral("Arial"));
    dc.SelectFont(CreateFontIndirect(lf));
    dc.SetTextColor(clNavy);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextAlign(TA_LEFT | TA_TOP);
    dc.ExtTextOut(x, y, 0, nullptr, text);
}

// The page every comparison draws: turned texts, a frame, a clipped text, stretched
// bitmaps, fills, lines and a text on an opaque background.
void DrawPage(TCanvas& canvas) {
    TDeviceContext& dc = *canvas.Handle();
    dc.SaveDC();
    TurnedText(dc, 50, 50, 0, QStringLiteral("Fronte 0"));
    TurnedText(dc, 60, 300, 450, QStringLiteral("Diagonal"));
    TurnedText(dc, 370, 320, 900, QStringLiteral("Up ninety"));
    TurnedText(dc, 740, 90, 1800, QStringLiteral("Upside"));
    TurnedText(dc, 520, 130, 2700, QStringLiteral("Down side"));
    dc.RestoreDC(-1);

    canvas.Brush()->SetColor(clRed);
    canvas.FrameRect(QRect(570, 130, 180, 180));
    canvas.Brush()->SetColor(clWhite);
    canvas.Font()->SetName(QStringLiteral("Times New Roman"));
    canvas.Font()->SetHeight(-24);
    canvas.Font()->SetColor(clGreen);
    canvas.TextRect(QRect(50, 370, 120, 40), 50, 370, QStringLiteral("Clipped text runs long"));

    const TDib dib = ImageToDib(TestPicture());
    dc.SetStretchBltMode(COLORONCOLOR);
    dc.StretchDIBits(QRect(370, 370, 380, 280), QRect(0, 0, 40, 30), dib, SRCCOPY);
    dc.StretchDIBits(QRect(50, 470, 160, 160), QRect(0, 0, 4, 4), ImageToDib(PalettePicture()),
                     SRCCOPY);

    canvas.Brush()->SetColor(clTeal);
    canvas.FillRect(QRect(50, 710, 280, 80));
    canvas.Brush()->SetStyle(TBrush::bsDiagCross);
    canvas.Brush()->SetColor(clMaroon);
    canvas.Pen()->SetColor(clBlue);
    canvas.Pen()->SetWidth(3);
    canvas.Rectangle(370, 710, 560, 890);
    canvas.Pen()->SetWidth(1);
    canvas.Pen()->SetColor(clPurple);
    canvas.MoveTo(580, 720);
    canvas.LineTo(750, 880);
    canvas.MoveTo(580, 880);
    canvas.LineTo(750, 880);

    canvas.Brush()->SetStyle(TBrush::bsSolid);
    canvas.Brush()->SetColor(clYellow);
    canvas.Font()->SetName(QStringLiteral("Courier New"));
    canvas.Font()->SetColor(clBlack);
    canvas.TextOut(50, 850, QStringLiteral("Opaque cell"));
}

QImage Blank(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The page drawn directly through a painter context, scaled to size.
QImage DrawDirect(QSize size) {
    QImage image = Blank(size);
    QPainter painter(&image);
    painter.scale(size.width() / double(kPage.width()), size.height() / double(kPage.height()));
    TPainterDC dc(&painter);
    TCanvas canvas(&dc);
    DrawPage(canvas);
    return image;
}

TMetafile* RecordPage(QObject* owner) {
    auto* mf = new TMetafile(owner);
    mf->SetWidth(kPage.width());
    mf->SetHeight(kPage.height());
    TMetafileCanvas canvas(mf);
    DrawPage(canvas);
    return mf;
}

QImage Play(const QByteArray& emf, QSize size) {
    QImage image = Blank(size);
    QPainter painter(&image);
    PlayEnhMetaFile(painter, emf, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

QRect Scaled(const QRect& r, double s) {
    return QRect(QPoint(int(r.left() * s), int(r.top() * s)),
                 QPoint(int((r.right() + 1) * s) - 1, int((r.bottom() + 1) * s) - 1));
}

QRect InkIn(const QImage& image, const QRect& region) {
    const QRect box = InkBox(image.copy(region));
    return box.isNull() ? box : box.translated(region.topLeft());
}

std::vector<TRecord> Records(const QByteArray& emf) {
    std::vector<TRecord> out;
    TRecordWalker walker(emf);
    TRecord r;
    while (walker.Next(r))
        out.push_back(r);
    return out;
}

void SavePng(const QImage& image, const QString& name) {
    const QString dir = QDir::temp().filePath(QStringLiteral("sleevane-metafile"));
    QDir().mkpath(dir);
    image.save(QDir(dir).filePath(name));
}

} // namespace

TEST(Metafile, PlayedAtRecordedSizeEqualsDirectDrawing) {
    QObject owner;
    TMetafile* mf = RecordPage(&owner);
    const QImage direct = DrawDirect(kPage);
    const QImage played = Play(mf->Data(), kPage);
    SavePng(direct, QStringLiteral("direct.png"));
    SavePng(played, QStringLiteral("played.png"));
    for (const Region& region : kRegions) {
        const QRect expected = InkIn(direct, region.rect);
        EXPECT_FALSE(expected.isNull()) << region.name;
        EXPECT_EQ(InkIn(played, region.rect), expected) << region.name;
    }
    int differing = 0;
    ImageDifference(direct, played, &differing, 8);
    EXPECT_EQ(differing, 0);
}

TEST(Metafile, PlayedAtOtherSizesMatchesScaledDirectDrawing) {
    QObject owner;
    TMetafile* mf = RecordPage(&owner);
    for (double s : {0.5, 1.5, 2.0}) {
        const QSize size(RoundInt(kPage.width() * s), RoundInt(kPage.height() * s));
        const QImage direct = DrawDirect(size);
        const QImage played = Play(mf->Data(), size);
        SavePng(played, QStringLiteral("played-%1.png").arg(s));
        SavePng(direct, QStringLiteral("direct-%1.png").arg(s));
        for (const Region& region : kRegions) {
            const QRect area = Scaled(region.rect, s);
            const QRect expected = InkIn(direct, area), got = InkIn(played, area);
            ASSERT_FALSE(expected.isNull()) << region.name << " at " << s;
            ASSERT_FALSE(got.isNull()) << region.name << " at " << s;
            EXPECT_LE(std::abs(got.left() - expected.left()), 1) << region.name << " at " << s;
            EXPECT_LE(std::abs(got.top() - expected.top()), 1) << region.name << " at " << s;
            EXPECT_LE(std::abs(got.right() - expected.right()), 1) << region.name << " at " << s;
            EXPECT_LE(std::abs(got.bottom() - expected.bottom()), 1) << region.name << " at " << s;
        }
        int differing = 0;
        ImageDifference(direct, played, &differing, 64);
        EXPECT_LT(differing, size.width() * size.height() / 500) << "at " << s;
    }
}

TEST(Metafile, SavedAndLoadedFromTheMiddleOfAStream) {
    QObject owner;
    TMetafile* mf = RecordPage(&owner);
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    buffer.write("leading bytes");
    mf->SaveToStream(buffer);
    const qint64 end = buffer.pos();
    buffer.write("trailing bytes");
    EXPECT_EQ(end - 13, mf->Data().size());

    buffer.seek(13);
    TMetafile loaded;
    loaded.LoadFromStream(buffer);
    EXPECT_EQ(buffer.pos(), end); // the stream stands just after the metafile
    EXPECT_EQ(loaded.Data(), mf->Data());
    EXPECT_EQ(loaded.Width(), 794);
    EXPECT_EQ(loaded.Height(), 1123);
    EXPECT_TRUE(loaded.Enhanced());
    int differing = 0;
    ImageDifference(Play(mf->Data(), kPage), Play(loaded.Data(), kPage), &differing, 0);
    EXPECT_EQ(differing, 0);

    const QString file = QDir(TestTempDir()).filePath(QStringLiteral("page.emf"));
    loaded.SaveToFile(file);
    TMetafile fromFile;
    fromFile.LoadFromFile(file);
    EXPECT_EQ(fromFile.Data(), mf->Data());
}

TEST(Metafile, HeaderDescribesThePage) {
    TMetafile mf;
    mf.SetWidth(794);
    mf.SetHeight(1123);
    {
        TMetafileCanvas canvas(&mf, nullptr, QStringLiteral("Sleevane\0Page 1"));
        EXPECT_EQ(canvas.Handle()->GetDeviceCaps(TECHNOLOGY), DT_METAFILE);
        EXPECT_EQ(canvas.Handle()->GetDeviceCaps(LOGPIXELSX), 96);
        EXPECT_EQ(canvas.Handle()->GetDeviceCaps(LOGPIXELSY), 96);
        EXPECT_EQ(canvas.Handle()->GetDeviceCaps(HORZRES), 794);
        EXPECT_EQ(canvas.Handle()->GetDeviceCaps(VERTRES), 1123);
        canvas.Brush()->SetColor(clRed);
        canvas.FillRect(QRect(10, 20, 30, 40)); // pixels 10..39 x 20..59
        canvas.Brush()->SetColor(clBlue);
        canvas.FillRect(QRect(100, 5, 1, 1));
        canvas.Brush()->SetColor(clRed); // a brush again: the blue one is deleted
        canvas.FillRect(QRect(200, 300, 2, 2));
    }
    const TEnhMetaHeader& h = mf.Header();
    // Ink from x 10 to 201, y 5 to 301, inclusive.
    EXPECT_EQ(h.bounds, (TRectL{10, 5, 201, 301}));
    // 794 and 1123 pixels at 96 per inch are 21008.3 and 29712.9 hundredths of a mm.
    EXPECT_EQ(h.frame, (TRectL{0, 0, 21008, 29713}));
    EXPECT_EQ(h.device, QSize(794, 1123));
    EXPECT_EQ(h.millimeters, QSize(210, 297));
    EXPECT_EQ(h.micrometers, QSize(210079, 297127)); // 794 x 25400 / 96 = 210079.2
    EXPECT_EQ(h.description, QStringLiteral("Sleevane\0Page 1"));
    EXPECT_EQ(h.bytes, static_cast<uint32_t>(mf.Data().size()));
    EXPECT_EQ(h.headerSize % 4, 0u);
    const std::vector<TRecord> records = Records(mf.Data());
    EXPECT_EQ(h.records, records.size());
    EXPECT_EQ(records.front().type, EMR_HEADER);
    EXPECT_EQ(records.back().type, EMR_EOF);
    EXPECT_EQ(records.back().U(records.back().size - 4), records.back().size);
    // Every object index is below the handle count, and the slot of a deleted brush is
    // taken again: two slots and the reserved one.
    uint32_t highest = 0;
    int creates = 0;
    for (const TRecord& r : records)
        if (r.type == EMR_CREATEBRUSHINDIRECT) {
            highest = std::max(highest, r.U(8));
            ++creates;
        }
    EXPECT_EQ(creates, 3);
    EXPECT_EQ(h.handles, 3);
    EXPECT_LT(highest, h.handles);
    EXPECT_EQ(mf.Width(), 794);
    EXPECT_EQ(mf.Height(), 1123);
    EXPECT_EQ(mf.MMWidth(), 21008);
    EXPECT_TRUE(CheckEnhMetaFile(mf.Data()).isEmpty());
}

TEST(Metafile, TextRecordsCarryFontAndAdvances) {
    TMetafile mf;
    mf.SetWidth(200);
    mf.SetHeight(100);
    LOGFONT lf;
    lf.lfHeight = -16;
    lf.lfEscapement = 450;
    lf.SetFaceName(QStringLiteral("Arial"));
    const HFONT font = CreateFontIndirect(lf);
    // Arial's metric twin advances A 1366, b 1139, c 1024 of 2048 units: at 16 pixels the
    // glyphs start at 0, 10.67, 19.57 and end at 27.57, rounded 0, 11, 20, 28.
    const int advances[3] = {11, 9, 8};
    {
        TMetafileCanvas canvas(&mf);
        canvas.Handle()->SelectFont(font);
        canvas.Handle()->ExtTextOut(10, 80, 0, nullptr, QStringLiteral("Abc"));
    }
    bool sawFont = false, sawText = false;
    for (const TRecord& r : Records(mf.Data())) {
        if (r.type == EMR_EXTCREATEFONTINDIRECTW) {
            sawFont = true;
            EXPECT_EQ(r.size, 368u);
            EXPECT_EQ(r.I(12), -16);
            EXPECT_EQ(r.I(20), 450);
            EXPECT_EQ(r.U(360), 0x08007664u);
            EXPECT_EQ(U16(r.data + 40), 'A');
        } else if (r.type == EMR_EXTTEXTOUTW) {
            sawText = true;
            EXPECT_EQ(r.U(44), 3u);
            const uint32_t offDx = r.U(72);
            ASSERT_NE(offDx, 0u);
            EXPECT_EQ(offDx % 4, 0u);
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(r.I(offDx + 4 * i), advances[i]);
        }
    }
    EXPECT_TRUE(sawFont);
    EXPECT_TRUE(sawText);
}

TEST(Metafile, RegisteredForBothExtensions) {
    RegisterMetafileFormats();
    const TFileFormat* emf = FindFileFormat(QStringLiteral("EMF"));
    const TFileFormat* wmf = FindFileFormat(QStringLiteral("wmf"));
    ASSERT_TRUE(emf && wmf);
    EXPECT_EQ(emf->description, QStringLiteral("Enhanced Metafiles"));
    EXPECT_EQ(wmf->description, QStringLiteral("Metafiles"));
    EXPECT_TRUE(qobject_cast<TMetafile*>(emf->make().get()));
    EXPECT_TRUE(qobject_cast<TMetafile*>(wmf->make().get()));
}

TEST(Metafile, DrawnOnACanvasStretchedIntoARectangle) {
    QObject owner;
    TMetafile* page = RecordPage(&owner);
    // Onto a painter: the page shrunk into a rectangle of a larger image.
    QImage image = Blank(QSize(600, 640));
    {
        QPainter painter(&image);
        TPainterDC dc(&painter);
        TCanvas canvas(&dc);
        canvas.StretchDraw(QRect(100, 50, 397, 562), page);
    }
    const QImage alone = Play(page->Data(), QSize(397, 562));
    int differing = 0;
    ImageDifference(image.copy(100, 50, 397, 562), alone, &differing, 0);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(InkBox(image.copy(0, 0, 100, 640)), QRect()); // nothing outside

    // Into another recording: it stays vector drawing and plays the same.
    TMetafile outer;
    outer.SetWidth(600);
    outer.SetHeight(640);
    {
        TMetafileCanvas canvas(&outer);
        canvas.Brush()->SetColor(clSilver);
        canvas.FillRect(QRect(0, 0, 600, 40));
        canvas.StretchDraw(QRect(100, 50, 397, 562), page);
        canvas.FillRect(QRect(0, 620, 600, 20)); // the outer state is back after the picture
    }
    bool anyBitmapOfPageSize = false;
    for (const TRecord& r : Records(outer.Data()))
        if (r.type == EMR_STRETCHDIBITS && r.I(72) == 397) anyBitmapOfPageSize = true;
    EXPECT_FALSE(anyBitmapOfPageSize);
    const QImage replayed = Play(outer.Data(), QSize(600, 640));
    SavePng(replayed, QStringLiteral("embedded.png"));
    for (const Region& region : kRegions) {
        const QRect inner = Scaled(region.rect, 0.5).translated(100, 50);
        const QRect a = InkIn(replayed, inner), b = InkIn(image, inner);
        EXPECT_LE((a.topLeft() - b.topLeft()).manhattanLength(), 2) << region.name;
        EXPECT_LE((a.bottomRight() - b.bottomRight()).manhattanLength(), 2) << region.name;
    }
    EXPECT_EQ(replayed.pixel(300, 20), qRgb(192, 192, 192));
    EXPECT_EQ(replayed.pixel(300, 630), qRgb(192, 192, 192));
    EXPECT_EQ(replayed.pixel(50, 300), qRgb(255, 255, 255));
}

// Another program reads our pages: the office suite's converter, where it is installed.
TEST(Metafile, OtherProgramsRenderTheRecordedPage) {
    QObject owner;
    TMetafile* mf = RecordPage(&owner);
    const QString dir = QDir::temp().filePath(QStringLiteral("sleevane-metafile"));
    QDir().mkpath(dir);
    const QString file = QDir(dir).filePath(QStringLiteral("page.emf"));
    mf->SaveToFile(file);
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) GTEST_SKIP() << "soffice is not installed";
    QFile::remove(QDir(dir).filePath(QStringLiteral("page.png")));
    QProcess process;
    // A profile of its own, so that other office processes running meanwhile do not matter.
    const QString profile = QStringLiteral("-env:UserInstallation=file://") + TestTempDir();
    process.start(soffice, {profile, QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                            QStringLiteral("png"), QStringLiteral("--outdir"), dir, file});
    ASSERT_TRUE(process.waitForFinished(180000));
    QImage png(QDir(dir).filePath(QStringLiteral("page.png")));
    ASSERT_FALSE(png.isNull());
    png = png.convertToFormat(QImage::Format_RGB32);
    // The converter fits the picture into its page's margins: find where it put it from
    // the ink of the whole page, then expect every item at its place within that.
    const QImage direct = DrawDirect(kPage);
    const QRect inkDirect = InkBox(direct), inkPng = InkBox(png);
    ASSERT_FALSE(inkPng.isNull());
    const double sx = double(inkPng.width()) / inkDirect.width(),
                 sy = double(inkPng.height()) / inkDirect.height();
    EXPECT_NEAR(sx / sy, 1.0, 0.01);
    auto map = [&](QPointF p) {
        return QPointF(inkPng.left() + (p.x() - inkDirect.left()) * sx,
                       inkPng.top() + (p.y() - inkDirect.top()) * sy);
    };
    auto at = [&](int x, int y) {
        const QPointF p = map(QPointF(x, y));
        return png.pixel(int(p.x()), int(p.y()));
    };
    EXPECT_EQ(at(460, 440), qRgb(255, 0, 0));
    EXPECT_EQ(at(660, 440), qRgb(0, 160, 0));
    EXPECT_EQ(at(460, 580), qRgb(0, 0, 255));
    EXPECT_EQ(at(660, 580), qRgb(250, 200, 0));
    EXPECT_EQ(at(190, 750), qRgb(0, 128, 128));
    EXPECT_EQ(at(100, 860), qRgb(255, 255, 0));
    for (const Region& region : kRegions) {
        const QRect expected = InkIn(direct, region.rect);
        const QRectF mapped(map(expected.topLeft()), map(expected.bottomRight() + QPoint(1, 1)));
        const QRect got = InkIn(png, mapped.toAlignedRect().adjusted(-8, -8, 8, 8));
        ASSERT_FALSE(got.isNull()) << region.name;
        EXPECT_LE((QPointF(got.topLeft()) - mapped.topLeft()).manhattanLength(), 6) << region.name;
        EXPECT_LE((QPointF(got.bottomRight()) - mapped.bottomRight()).manhattanLength(), 6)
            << region.name;
    }
}

TEST(Metafile, FrameFollowsTheInkWithoutASizeAndTheReferenceDevicesResolution) {
    TMetafile unsized;
    {
        TMetafileCanvas canvas(&unsized);
        canvas.Brush()->SetColor(clRed);
        canvas.FillRect(QRect(0, 0, 96, 48)); // one inch by half an inch at 96 per inch
    }
    EXPECT_EQ(unsized.Header().frame, (TRectL{0, 0, 2540, 1270}));
    EXPECT_EQ(unsized.Width(), 96);
    EXPECT_EQ(unsized.Height(), 48);

    // A printer-like reference of 300 pixels per inch: the same paper, more pixels.
    QImage paper(300, 300, QImage::Format_RGB32);
    paper.setDotsPerMeterX(11811);
    paper.setDotsPerMeterY(11811);
    QPainter painter(&paper);
    TPainterDC printer(&painter, DT_RASPRINTER);
    TMetafile fine;
    fine.SetMMWidth(2540);
    fine.SetMMHeight(2540);
    {
        TMetafileCanvas canvas(&fine, &printer);
        EXPECT_EQ(canvas.Handle()->GetDeviceCaps(LOGPIXELSX), 300);
        EXPECT_EQ(canvas.Handle()->GetDeviceCaps(HORZRES), 300);
        canvas.Brush()->SetColor(clBlue);
        canvas.FillRect(QRect(150, 0, 150, 300)); // the right half
    }
    EXPECT_EQ(fine.Header().device, QSize(300, 300));
    EXPECT_EQ(fine.Header().frame, (TRectL{0, 0, 2540, 2540}));
    const QImage shown = Play(fine.Data(), QSize(96, 96));
    EXPECT_EQ(shown.pixel(40, 48), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(56, 48), qRgb(0, 0, 255));
}
