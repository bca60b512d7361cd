// Fonts, font records, formatted text and text placement at any escapement.
#include "framework/graphics/DeviceContext.h"
#include "framework/widgets/Forms.h"
#include "framework/graphics/TextCellStore.h"
#include "framework/graphics/TextDraw.h"
#include "framework/core/Limits.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>

namespace {

TEST(FontTest, PointsAndPixelsConvertAt96PixelsPerInch) {
    TFont f;
    f.SetPixelsPerInch(96);
    struct {
        int height, points;
    } table[] = {{-11, 8}, {-13, 10}, {-16, 12}, {-12, 9}, {-27, 20}};
    for (auto [height, points] : table) {
        f.SetHeight(height);
        EXPECT_EQ(f.Size(), points) << height;
    }
    f.SetSize(8);
    EXPECT_EQ(f.Height(), -11);
    f.SetSize(14);
    EXPECT_EQ(f.Height(), -19);
    // A printer font keeps the point size of a screen font assigned to it.
    TFont printer;
    printer.SetPixelsPerInch(600);
    f.SetSize(10);
    printer.Assign(&f);
    EXPECT_EQ(printer.Size(), 10);
    EXPECT_EQ(printer.Height(), -83);
}

TEST(FontTest, LogFontRoundTripKeepsEveryField) {
    TFont f;
    f.SetName(QStringLiteral("Times New Roman"));
    f.SetHeight(-15);
    f.SetStyle(TFont::fsBold | TFont::fsUnderline | TFont::fsStrikeOut);
    f.SetCharset(238);
    LOGFONT lf = f.GetLogFont();
    EXPECT_EQ(lf.lfHeight, -15);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfItalic, 0);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfStrikeOut, 1);
    EXPECT_EQ(lf.lfCharSet, 238);
    EXPECT_EQ(lf.FaceName(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(lf.lfFaceName[15], '\0');

    // Byte layout: the record is the system's 60 bytes, face name at offset 28.
    const auto* bytes = reinterpret_cast<const unsigned char*>(&lf);
    EXPECT_EQ(bytes[0], 0xF1); // -15, little-endian
    EXPECT_EQ(bytes[16], 700 & 0xFF);
    EXPECT_EQ(bytes[28], 'T');

    lf.lfEscapement = 900;
    TFont g;
    g.SetLogFont(lf);
    EXPECT_EQ(g.Name(), f.Name());
    EXPECT_EQ(g.Height(), f.Height());
    EXPECT_EQ(g.Style(), f.Style());
    EXPECT_EQ(g.Charset(), 238);
    // A face name of 31 characters and more is cut to fit its zero.
    lf.SetFaceName(QString(40, QLatin1Char('x')));
    EXPECT_EQ(lf.FaceName().size(), 31);
}

TEST(FontTest, MissingFacesFallBackToTheirMetricTwins) {
    LOGFONT lf;
    lf.lfHeight = -11;
    lf.SetFaceName(QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(QFontFromLogFont(lf).family(), QStringLiteral("Liberation Sans"));
    lf.SetFaceName(QStringLiteral("Arial"));
    EXPECT_EQ(QFontFromLogFont(lf).family(), QStringLiteral("Liberation Sans"));
    lf.SetFaceName(QStringLiteral("Times New Roman"));
    EXPECT_EQ(QFontFromLogFont(lf).family(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(QFontFromLogFont(lf).pixelSize(), 11);
    // A positive height is the cell, so the em comes out smaller.
    lf.lfHeight = 20;
    const QFont cell = QFontFromLogFont(lf);
    EXPECT_LT(cell.pixelSize(), 20);
    EXPECT_EQ(TextMetricsOf(cell).tmHeight, 20);
}

TEST(TextCellStore, KeepsCellsBetweenRunsUnderTheirFace) {
    QFont sans(QStringLiteral("Liberation Sans"));
    sans.setPixelSize(11);
    QFont larger = sans;
    larger.setPixelSize(12);
    QFont serif(QStringLiteral("Liberation Serif"));
    serif.setPixelSize(11);
    const QString key = TTextCellStore::KeyOf(sans);
    ASSERT_FALSE(key.isEmpty());
    EXPECT_EQ(TTextCellStore::KeyOf(QFont(sans)), key);
    EXPECT_NE(TTextCellStore::KeyOf(larger), key);
    // Another face under one name is measured anew: the key names the face by its header.
    const QString serifKey = TTextCellStore::KeyOf(serif);
    EXPECT_NE(serifKey.section(QLatin1Char('|'), -1), key.section(QLatin1Char('|'), -1));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cache/text-cells"));
    {
        TTextCellStore run(path);
        EXPECT_FALSE(run.Find(key));
        run.Add(key, {9, 3});
        ASSERT_TRUE(run.Save());
    }
    {
        // A later run finds it and adds its own; one that ran beside it keeps both.
        TTextCellStore later(path), beside(path);
        EXPECT_EQ(later.Find(key), TTextCell({9, 3}));
        later.Add(serifKey, {10, 4});
        beside.Add(TTextCellStore::KeyOf(larger), {10, 3});
        ASSERT_TRUE(later.Save());
        ASSERT_TRUE(beside.Save());
    }
    const TTextCellStore next(path);
    EXPECT_EQ(next.Find(key), TTextCell({9, 3}));
    EXPECT_EQ(next.Find(serifKey), TTextCell({10, 4}));
    EXPECT_EQ(next.Find(TTextCellStore::KeyOf(larger)), TTextCell({10, 3}));

    // Damaged lines are passed by, the others read; a file of another kind keeps nothing.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.readLine();
    file.close();
    const struct {
        QByteArray text;
        bool read;
    } cases[] = {
        {header + "9 3 " + key.toUtf8() + "\n", true},
        {header + "9 3\n-1 3 a\nx 3 b\n9 99999999 c\n9 3 " + key.toUtf8(), true},
        {"text-cells 0\n9 3 " + key.toUtf8() + "\n", false},
        {header + "9 3 " + key.toUtf8() + "\n" + QByteArray(kMaxTextCellStoreBytes, ' '), false},
        {QByteArray(), false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.text);
        file.close();
        const TTextCellStore damaged(path);
        EXPECT_EQ(damaged.Find(key).has_value(), c.read) << c.text.left(40).toStdString();
        EXPECT_FALSE(damaged.Find(QStringLiteral("a")) || damaged.Find(QStringLiteral("b")) ||
                     damaged.Find(QStringLiteral("c")));
    }
}

// A device context over a white image, with the font given.
struct Surface {
    QImage image;
    QPainter painter;
    TPainterDC dc;
    explicit Surface(QSize size = {300, 300})
        : image(MakeImage(size)), painter(&image), dc(&painter) {}
    static QImage MakeImage(QSize size) {
        QImage i(size, QImage::Format_RGB32);
        i.fill(Qt::white);
        i.setDotsPerMeterX(3780);
        i.setDotsPerMeterY(3780);
        return i;
    }
    void Font(const QString& face, int height, int escapement = 0) {
        LOGFONT lf;
        lf.lfHeight = height;
        lf.lfEscapement = escapement;
        lf.SetFaceName(face);
        dc.SelectFont(CreateFontIndirect(lf));
    }
    QImage Done() {
        painter.end();
        return image;
    }
};

TEST(DrawTextTest, MeasuresLinesTabsPrefixesAndBreaks) {
    Surface s;
    s.Font(QStringLiteral("Arial"), -13);
    const int line = s.dc.GetTextMetrics().tmHeight;
    const int ave = s.dc.GetTextMetrics().tmAveCharWidth;
    auto measure = [&](const QString& text, unsigned flags, int width = 1000) {
        QRect r(5, 7, width, 0);
        DrawText(&s.dc, text, r, flags | DT_CALCRECT);
        EXPECT_EQ(r.topLeft(), QPoint(5, 7)) << text.toStdString();
        return r.size();
    };
    auto width = [&](const QString& t) { return s.dc.GetTextExtentPoint(t).width(); };

    EXPECT_EQ(measure(QString(), 0), QSize(0, 0));
    EXPECT_EQ(measure(QStringLiteral("Hello"), 0), QSize(width(QStringLiteral("Hello")), line));
    EXPECT_EQ(measure(QStringLiteral("ab\r\nlonger line\ncd"), 0),
              QSize(width(QStringLiteral("longer line")), 3 * line));
    // A tab goes to the next stop of eight average characters.
    EXPECT_EQ(measure(QStringLiteral("a\tb"), DT_EXPANDTABS).width(),
              8 * ave + width(QStringLiteral("b")));
    // An ampersand marks the next character and is not measured; a doubled one stands.
    EXPECT_EQ(measure(QStringLiteral("&File"), 0).width(), width(QStringLiteral("File")));
    EXPECT_EQ(measure(QStringLiteral("A&&B"), 0).width(), width(QStringLiteral("A&B")));
    EXPECT_EQ(measure(QStringLiteral("&File"), DT_NOPREFIX).width(),
              width(QStringLiteral("&File")));
    // Word breaking keeps words whole; a word wider than the box stands alone.
    const int box = width(QStringLiteral("alpha beta")) + 1;
    const QSize wrapped = measure(QStringLiteral("alpha beta gam del"), DT_WORDBREAK, box);
    EXPECT_EQ(wrapped.height(), 2 * line);
    EXPECT_LE(wrapped.width(), box);
    EXPECT_EQ(measure(QStringLiteral("incomprehensibilities ok"), DT_WORDBREAK, 20).height(),
              2 * line);
    const auto lines =
        FormatTextLines(&s.dc, QStringLiteral("alpha beta gam del"), box, DT_WORDBREAK);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, QStringLiteral("alpha beta"));
    EXPECT_EQ(lines[1].text, QStringLiteral("gam del"));
}

TEST(DrawTextTest, DrawsAlignedAndClippedToItsRectangle) {
    Surface s({200, 60});
    s.Font(QStringLiteral("Arial"), -20);
    s.dc.SetBkMode(TRANSPARENT);
    QRect left(10, 10, 180, 40), right = left;
    DrawText(&s.dc, QStringLiteral("IIII"), left, DT_LEFT);
    const QImage a = s.Done();
    Surface t({200, 60});
    t.Font(QStringLiteral("Arial"), -20);
    t.dc.SetBkMode(TRANSPARENT);
    DrawText(&t.dc, QStringLiteral("IIII"), right, DT_RIGHT);
    const QImage b = t.Done();
    const QRect inkLeft = InkBox(a), inkRight = InkBox(b);
    EXPECT_NEAR(inkLeft.left(), 10, 3);
    EXPECT_NEAR(inkRight.right(), 189, 3);
    EXPECT_EQ(inkLeft.width(), inkRight.width());
    // Nothing is drawn outside the rectangle.
    Surface c({200, 60});
    c.Font(QStringLiteral("Arial"), -40);
    QRect small(20, 20, 30, 10);
    DrawText(&c.dc, QStringLiteral("WWWW"), small, 0);
    EXPECT_TRUE(small.contains(InkBox(c.Done())));
}

// Where the reference point lies in the text cell for each escapement: the glyph cell
// spans [0, W] along the baseline direction u and [-descent, ascent] along v.
TEST(TextPlacementTest, ReferencePointRulesHoldAtEveryAngle) {
    const QPoint p(150, 150);
    for (int angle : {0, 45, 90, 180, 270}) {
        for (unsigned align :
             {TA_LEFT | TA_TOP, TA_LEFT | TA_BASELINE, TA_RIGHT | TA_TOP, TA_CENTER | TA_BOTTOM}) {
            Surface s;
            s.Font(QStringLiteral("Arial"), -30, angle * 10);
            s.dc.SetBkMode(TRANSPARENT);
            s.dc.SetTextAlign(align);
            const QString text = QStringLiteral("HHHH");
            const TTextRun run = MeasureTextRun(s.dc.Font(), text);
            s.dc.TextOut(p.x(), p.y(), text);
            const QImage img = s.Done();
            const QRect ink = InkBox(img);
            ASSERT_FALSE(ink.isEmpty()) << angle;

            // Expected cell corners from the rules, then the box around them.
            const double a = angle * M_PI / 180.0;
            const QPointF u(std::cos(a), -std::sin(a)), v(-std::sin(a), -std::cos(a));
            const double W = run.width;
            const double h = (align & TA_CENTER) == TA_RIGHT    ? -W
                             : (align & TA_CENTER) == TA_CENTER ? -W / 2
                                                                : 0;
            const double k = (align & TA_BASELINE) == TA_BASELINE ? 0
                             : (align & TA_BASELINE) == TA_BOTTOM ? run.descent
                                                                  : -run.ascent;
            const QPointF origin = QPointF(p) + h * u + k * v;
            QPolygonF cell;
            for (double s1 : {0.0, W})
                for (double t1 : {-double(run.descent), double(run.ascent)})
                    cell << origin + s1 * u + t1 * v;
            const QRectF expected = cell.boundingRect();
            // "H" has ink from the baseline to the cap height and nearly the full
            // advance: the ink must lie inside the cell and reach close to its ends.
            EXPECT_TRUE(expected.adjusted(-2, -2, 2, 2).contains(QRectF(ink)))
                << angle << " " << align;
            const QPointF inkCentre = QRectF(ink).center();
            const QPointF baselineMid = origin + (W / 2) * u + (run.ascent * 0.35) * v;
            EXPECT_LT(std::hypot(inkCentre.x() - baselineMid.x(), inkCentre.y() - baselineMid.y()),
                      6.0)
                << angle << " " << align;
        }
    }
}

TEST(TextPlacementTest, NinetyDegreesReadsUpwardFromTheReferencePoint) {
    Surface s;
    s.Font(QStringLiteral("Arial"), -30, 900);
    s.dc.SetBkMode(TRANSPARENT);
    s.dc.TextOut(100, 250, QStringLiteral("L"));
    const QRect ink = InkBox(s.Done());
    // The letter's stem is on its left, which after a quarter turn is the bottom: the
    // foot of the "L" points up, so the ink column at the bottom is the widest.
    EXPECT_LT(ink.bottom(), 251);
    EXPECT_GE(ink.left(), 100);
    EXPECT_LE(ink.right(), 100 + TextMetricsOf(s.dc.Font()).tmHeight);
}

TEST(CanvasTest, RectanglesFillsAndFramesCoverTheirPixelsExactly) {
    Surface s({40, 40});
    TCanvas canvas(&s.dc);
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect(QRect(2, 3, 10, 5)); // 2..11 x 3..7
    canvas.Brush()->SetColor(clBlue);
    canvas.FrameRect(QRect(20, 20, 10, 10));
    canvas.Pen()->SetColor(clLime);
    canvas.Brush()->SetColor(clYellow);
    canvas.Rectangle(5, 25, 15, 35); // outline 5..14 x 25..34, right and bottom exclusive
    const QImage img = s.Done();
    EXPECT_EQ(CountPixels(img, img.rect(), qRgb(255, 0, 0), 0), 50);
    EXPECT_EQ(InkBox(img.copy(0, 0, 19, 19)), QRect(2, 3, 10, 5));
    EXPECT_EQ(CountPixels(img, img.rect(), qRgb(0, 0, 255), 0), 36);
    EXPECT_EQ(img.pixel(20, 20), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(29, 29), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(25, 25), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(5, 25), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(14, 34), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(15, 35), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(10, 30), qRgb(255, 255, 0));
}

TEST(CanvasTest, ClippingLimitsDrawingUntilRemoved) {
    Surface s({40, 40});
    TCanvas canvas(&s.dc);
    s.dc.IntersectClipRect(QRect(10, 10, 10, 10));
    canvas.Brush()->SetColor(clBlack);
    canvas.FillRect(QRect(0, 0, 40, 40));
    EXPECT_EQ(s.dc.ClipRect(), QRect(10, 10, 10, 10));
    s.dc.RemoveClip();
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect(QRect(30, 30, 5, 5));
    const QImage img = s.Done();
    EXPECT_EQ(CountPixels(img, img.rect(), qRgb(0, 0, 0), 0), 100);
    EXPECT_EQ(CountPixels(img, img.rect(), qRgb(255, 0, 0), 0), 25);
}

TEST(CanvasTest, DeviceCapabilitiesComeFromTheDevice) {
    Surface s({123, 45});
    EXPECT_EQ(s.dc.GetDeviceCaps(LOGPIXELSX), 96);
    EXPECT_EQ(s.dc.GetDeviceCaps(LOGPIXELSY), 96);
    EXPECT_EQ(s.dc.GetDeviceCaps(HORZRES), 123);
    EXPECT_EQ(s.dc.GetDeviceCaps(VERTRES), 45);
    s.dc.SetDeviceCaps(PHYSICALOFFSETX, 17);
    EXPECT_EQ(s.dc.GetDeviceCaps(PHYSICALOFFSETX), 17);
}

TEST(ColorTest, LayoutNamesAndSystemColours) {
    TColor c;
    ASSERT_TRUE(IdentToColor(QStringLiteral("clNavy"), c));
    EXPECT_EQ(c, 0x800000);
    EXPECT_EQ(GetBValue(c), 128);
    EXPECT_FALSE(IdentToColor(QStringLiteral("clMauve"), c));
    EXPECT_EQ(ColorToIdent(clBtnFace), QStringLiteral("clBtnFace"));
    EXPECT_EQ(ColorToRGB(clRed), 0x0000FF);
    // System colours resolve to plain colours.
    EXPECT_EQ(ColorToRGB(clBtnFace) & ~0xFFFFFF, 0);
    EXPECT_EQ(ToQColor(clLime), QColor(0, 255, 0));
}

} // namespace
