#include "framework/graphics/DeviceContext.h"

#include "framework/core/Limits.h"
#include "framework/graphics/Dib.h"
#include "framework/graphics/JpegBytes.h"
#include "framework/graphics/PdfJpeg.h"
#include "framework/graphics/TextCellStore.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainterPath>
#include <QRawFont>
#include <QtEndian>
#include <array>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>

// ---- Base context --------------------------------------------------------------------

TDeviceContext::~TDeviceContext() = default;

HFONT TDeviceContext::SelectFont(const HFONT& font) {
    HFONT previous = selectedFont_;
    selectedFont_ = font;
    if (font) {
        state_.logFont = font->logFont;
        state_.font = font->qfont;
    }
    return previous;
}

int TDeviceContext::SaveDC() {
    saved_.push_back(state_);
    return static_cast<int>(saved_.size());
}

bool TDeviceContext::RestoreDC(int n) {
    const int count = static_cast<int>(saved_.size());
    const int target = n < 0 ? count + n + 1 : n; // -1: the latest save
    if (target < 1 || target > count) return false;
    state_ = saved_[static_cast<size_t>(target - 1)];
    saved_.resize(static_cast<size_t>(target - 1));
    return true;
}

void TDeviceContext::IntersectClipRect(const QRect& r) {
    const QRect n = r.normalized();
    state_.clip = state_.clip ? state_.clip->intersected(n) : n;
}

QSize TDeviceContext::GetTextExtentPoint(const QString& text) {
    const TTextRun run = MeasureTextRun(state_.font, text);
    return {run.width, run.ascent + run.descent};
}

TTextMetric TDeviceContext::GetTextMetrics() {
    return TextMetricsOf(state_.font);
}

bool TDeviceContext::DrawImage(const QRect&, const QImage&, const QRect&) {
    return false;
}

bool TDeviceContext::EmbedMetafile(const QByteArray&, const QRect&) {
    return false;
}

// ---- Text geometry -------------------------------------------------------------------

namespace {

// Fonts are measured at most at this size, along their height and their width alike, and
// scaled from there.
constexpr int kMaxMeasuredPixels = 1024;

// How many times wider than an unstretched face a font draws its glyphs.
qreal WidthFactor(const QFont& font) {
    const int stretch = font.stretch();
    return stretch > 0 ? stretch / 100.0 : 1.0; // no stretch asked for is the face's own
}

// The font at most at the measuring size; its measures times scale are the font's.
QFont Measurable(const QFont& font, qreal& scale) {
    scale = 1;
    const qreal widening = std::max<qreal>(1, WidthFactor(font));
    if (font.pixelSize() * widening <= kMaxMeasuredPixels) return font;
    QFont measured = font;
    const int size = std::max(1, static_cast<int>(kMaxMeasuredPixels / widening));
    measured.setPixelSize(size);
    scale = static_cast<qreal>(font.pixelSize()) / size;
    return measured;
}

using TCell = TTextCell;

// The room that every character of the Windows code page takes as the hinted font draws
// it: hinting each of them, so what is measured once is kept between runs.
void HintedCell(const QFont& font, TCell& cell) {
    TTextCellStore& store = TTextCellStore::Shared();
    const QString key = TTextCellStore::KeyOf(font);
    if (!key.isEmpty())
        if (const std::optional<TCell> kept = store.Find(key)) {
            cell = *kept;
            return;
        }
    QFont hinted = font;
    hinted.setHintingPreference(QFont::PreferFullHinting);
    const QFontMetrics im(hinted);
    auto take = [&](char16_t c) {
        const QRect r = im.boundingRect(QChar(c));
        if (r.isEmpty()) return;
        cell.ascent = std::max(cell.ascent, -r.top());
        cell.descent = std::max(cell.descent, r.bottom() + 1);
    };
    static constexpr char16_t kHigh[] = {u'€', u'‚', u'ƒ', u'„', u'…', u'†', u'‡', u'ˆ', u'‰',
                                         u'Š', u'‹', u'Œ', u'Ž', u'‘', u'’', u'“', u'”', u'•',
                                         u'–', u'—', u'˜', u'™', u'š', u'›', u'œ', u'ž', u'Ÿ'};
    for (char16_t c = 0x21; c < 0x7F; ++c)
        take(c);
    for (char16_t c : kHigh)
        take(c);
    for (char16_t c = 0xA1; c <= 0xFF; ++c)
        take(c);
    store.Add(key, cell);
}

// The text cell above and below the baseline. Small sizes get the room that every
// character of the Windows code page takes as the hinted font draws it, which the faces we
// stand in for record in their tables and the system's text metrics report (an 11-pixel
// Times New Roman cell is 14 pixels high where its rounded ascent and descent make 12);
// larger sizes get the font's ascent and descent, rounded.
TCell CellOf(const QFont& font) {
    thread_local QHash<QString, TCell> cache;
    const QString key = font.key();
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    qreal k;
    const QFontMetricsF fm(Measurable(font, k));
    TCell cell{RoundInt(fm.ascent() * k), RoundInt(fm.descent() * k)};
    constexpr qreal kHintedSizes = 255; // beyond, hinting no longer moves whole pixels
    if (fm.height() * k * std::max<qreal>(1, WidthFactor(font)) <= kHintedSizes)
        HintedCell(font, cell);
    if (cache.size() > 256) cache.clear();
    cache.insert(key, cell);
    return cell;
}

} // namespace

QFontMetricsF MetricsOf(const QFont& font, qreal& scale) {
    return QFontMetricsF(Measurable(font, scale));
}

namespace {

// The advances of the first 256 characters of a font at its measuring size, each asked of
// the font machinery once: a long text then measures at the cost of a table look-up a
// character.
class TLatinAdvances {
public:
    qreal Of(const QFontMetricsF& fm, QChar c) {
        qreal& kept = advances_[c.unicode()];
        if (kept < 0) kept = fm.horizontalAdvance(c);
        return kept;
    }
    TLatinAdvances() { advances_.fill(-1); }

private:
    std::array<qreal, 256> advances_;
};

TLatinAdvances& LatinAdvancesOf(const QFont& font) {
    thread_local QHash<QString, std::shared_ptr<TLatinAdvances>> cache;
    const QString key = font.key();
    if (auto it = cache.constFind(key); it != cache.constEnd()) return **it;
    if (cache.size() >= 64) cache.clear();
    return **cache.insert(key, std::make_shared<TLatinAdvances>());
}

// Halves to even as RoundInt does, whatever the rounding mode, in double precision: a long
// text rounds its running width once a character.
int RoundHalfEven(qreal v) {
    if (!(std::abs(v) < 1e9)) return RoundInt(v);
    qreal r = std::floor(v + 0.5);
    if (r - v == 0.5 && std::fmod(r, 2) != 0) r -= 1;
    return static_cast<int>(r);
}

} // namespace

TTextRun MeasureTextRun(const QFont& font, const QString& text) {
    qreal k;
    const QFontMetricsF fm = MetricsOf(font, k);
    TLatinAdvances& latin = LatinAdvancesOf(font);
    TTextRun run;
    const TCell cell = CellOf(font);
    run.ascent = cell.ascent;
    run.descent = cell.descent;
    run.advances.resize(static_cast<size_t>(text.size()), 0);
    qreal pos = 0;
    int previous = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (pair)
            pos += fm.horizontalAdvance(text.mid(i, 2)) * k;
        else if (text[i].unicode() < 256)
            pos += latin.Of(fm, text[i] == QLatin1Char('\t') ? QLatin1Char(' ') : text[i]) * k;
        else
            pos += fm.horizontalAdvance(text[i]) * k;
        const int rounded = RoundHalfEven(pos);
        run.advances[static_cast<size_t>(i)] = rounded - previous;
        previous = rounded;
        if (pair) ++i; // the low surrogate advances nothing
    }
    run.width = previous;
    return run;
}

TTextRun TextRunOf(const QFont& font, const QString& text, const int* advances) {
    if (!advances) return MeasureTextRun(font, text);
    qreal k;
    const QFontMetricsF fm = MetricsOf(font, k);
    TTextRun run;
    const TCell cell = CellOf(font);
    run.ascent = cell.ascent;
    run.descent = cell.descent;
    run.advances.assign(advances, advances + text.size());
    int64_t width = 0;
    for (int a : run.advances)
        width += a;
    run.width = static_cast<int>(std::clamp<int64_t>(width, INT_MIN, INT_MAX));
    return run;
}

TTextMetric TextMetricsOf(const QFont& font) {
    qreal k;
    const QFontMetricsF fm = MetricsOf(font, k);
    TTextMetric tm;
    const TCell cell = CellOf(font);
    tm.tmAscent = cell.ascent;
    tm.tmDescent = cell.descent;
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    const int em = font.pixelSize() > 0 ? font.pixelSize() : RoundInt(fm.height() * k);
    tm.tmInternalLeading = std::max(0, tm.tmHeight - em);
    tm.tmExternalLeading = std::max(0, RoundInt(fm.leading() * k));
    tm.tmAveCharWidth = RoundInt(fm.averageCharWidth() * k);
    tm.tmMaxCharWidth = RoundInt(fm.maxWidth() * k);
    return tm;
}

TTextPlacement PlaceTextRun(unsigned textAlign, const TTextRun& run) {
    TTextPlacement place;
    switch (textAlign & TA_CENTER) {
    case TA_RIGHT:
        place.start = -run.width;
        break;
    case TA_CENTER:
        place.start = -run.width / 2.0;
        break;
    default:
        break;
    }
    switch (textAlign & TA_BASELINE) {
    case TA_BOTTOM:
        place.baseline = -run.descent;
        break;
    case TA_BASELINE:
        break;
    default:
        place.baseline = run.ascent;
        break;
    }
    return place;
}

QPointF CurrentPositionAdvance(unsigned textAlign, int escapement, qreal width) {
    const unsigned h = textAlign & TA_CENTER;
    const int sign = h == TA_RIGHT ? -1 : h == TA_CENTER ? 0 : 1;
    const qreal a = escapement * M_PI / 1800.0;
    return {sign * width * std::cos(a), -sign * width * std::sin(a)};
}

namespace {

// A copy, not a reference into the cache, which is emptied when it grows past its size. Text
// runs are painted on more than one thread (pages played off the GUI one), and a raw font
// belongs to the thread that made it: each thread keeps a cache of its own.
QRawFont RawFontFor(const QFont& font) {
    thread_local QHash<QString, QRawFont> cache;
    const QString key = font.key();
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    if (cache.size() >= 64) cache.clear();
    return *cache.insert(key, QRawFont::fromFont(font));
}

// One visible glyph of a run: its index in the face (0 when the face lacks it), the
// characters it stands for and where its origin lies along the baseline.
struct TRunGlyph {
    quint32 glyph;
    QString chars;
    qreal x;
};

std::vector<TRunGlyph> VisibleGlyphs(const QRawFont& raw, const QString& text, const TTextRun& run,
                                     qreal start) {
    std::vector<quint32> glyphs(static_cast<size_t>(text.size()) + 1);
    int glyphCount = static_cast<int>(glyphs.size());
    const bool mapped =
        raw.isValid() && raw.glyphIndexesForChars(text.constData(), static_cast<int>(text.size()),
                                                  glyphs.data(), &glyphCount);
    std::vector<TRunGlyph> out;
    qreal x = start;
    int g = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QChar c = text[i];
        const quint32 glyph = mapped && g < glyphCount ? glyphs[static_cast<size_t>(g)] : 0;
        ++g;
        if (c != QLatin1Char('\t') && !c.isSpace())
            out.push_back({glyph, pair ? text.mid(i, 2) : QString(c), x});
        x += run.advances[static_cast<size_t>(i)];
        if (pair) x += run.advances[static_cast<size_t>(++i)];
    }
    return out;
}

// A face without underline and strike-out, for glyphs drawn one at a time: the run draws
// its own lines across its whole width.
QFont Plain(QFont font) {
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

void PaintGlyphs(QPainter& painter, const QFont& font, const QRawFont& raw,
                 const std::vector<TRunGlyph>& glyphs, qreal baseline, const QColor& color) {
    QList<quint32> runGlyphs;
    QList<QPointF> runPositions;
    painter.setPen(color);
    painter.setFont(Plain(font));
    for (const TRunGlyph& g : glyphs) {
        if (g.glyph != 0) {
            runGlyphs << g.glyph;
            runPositions << QPointF(g.x, baseline);
        } else {
            // Not in this face: let the font machinery find a fallback for it.
            painter.drawText(QPointF(g.x, baseline), g.chars);
        }
    }
    if (runGlyphs.isEmpty()) return;
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(runGlyphs);
    run.setPositions(runPositions);
    painter.drawGlyphRun(QPointF(0, 0), run);
}

// The glyphs as filled outlines, taken from the unstretched face at the measuring size (raw)
// and scaled by k, k times the font's width factor across: no glyph image is ever made,
// whatever the size or the stretch.
void PaintGlyphOutlines(QPainter& painter, const QFont& face, const QRawFont& raw, qreal k,
                        qreal widening, const std::vector<TRunGlyph>& glyphs, qreal baseline,
                        const QColor& color) {
    const QFont outlineFont = Plain(face);
    QPainterPath path;
    for (const TRunGlyph& g : glyphs) {
        QPainterPath outline;
        if (g.glyph != 0)
            outline = raw.pathForGlyph(g.glyph);
        else
            outline.addText(QPointF(0, 0), outlineFont, g.chars);
        path.addPath(QTransform(k * widening, 0, 0, k, g.x, baseline).map(outline));
    }
    path.setFillRule(Qt::WindingFill);
    painter.fillPath(path, color);
}

// The size of a font's glyphs on the device: its em, widened by its stretch across, then
// stretched by the painter's transform as far as that stretches anything (the larger
// singular value of the whole mapping). Glyph images grow with it in both directions.
qreal DeviceGlyphSize(const QPainter& painter, const QFont& font) {
    const QTransform t = painter.combinedTransform();
    const qreal w = WidthFactor(font);
    const qreal a = t.m11() * w, b = t.m12() * w, c = t.m21(), d = t.m22();
    const qreal half = (a * a + b * b + c * c + d * d) / 2, det = a * d - b * c;
    const qreal stretch = std::sqrt(half + std::sqrt(std::max<qreal>(0, half * half - det * det)));
    const qreal size = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    return size * stretch;
}

// The characters of a run that can show: those whose cells come within two ems of the part
// of the device the painter can reach, in the run's own coordinates (x along the baseline).
struct TRunSlice {
    qsizetype first = 0;
    qsizetype count = 0;
    qreal start = 0; // where the first of them begins along the baseline
};
TRunSlice SliceOnShow(const QPainter& painter, const QFont& font, const TTextRun& run,
                      qreal start) {
    const qsizetype n = static_cast<qsizetype>(run.advances.size());
    TRunSlice all{0, n, start};
    const QPaintDevice* device = painter.device();
    if (!device || n < 64) return all;
    bool invertible = false;
    const QTransform back = painter.combinedTransform().inverted(&invertible);
    if (!invertible) return all;
    QRectF room = back.mapRect(QRectF(0, 0, device->width(), device->height()));
    if (painter.hasClipping()) room &= painter.clipBoundingRect();
    const qreal em = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    const qreal margin = 2 * std::max<qreal>(em, 1) * std::max<qreal>(1, WidthFactor(font));
    const qreal from = room.left() - margin, to = room.right() + margin;
    TRunSlice slice{0, 0, start};
    qreal x = start;
    qsizetype i = 0;
    for (; i < n && x + run.advances[static_cast<size_t>(i)] < from; ++i)
        x += run.advances[static_cast<size_t>(i)];
    slice.first = i;
    slice.start = x;
    for (; i < n && x <= to; ++i)
        x += run.advances[static_cast<size_t>(i)];
    // A pair of surrogates stays whole.
    if (i < n && i > 0 && run.advances[static_cast<size_t>(i)] == 0) ++i;
    slice.count = i - slice.first;
    return slice;
}

void PaintLines(QPainter& painter, const QFont& font, const TTextPlacement& place,
                const TTextRun& run, const QColor& color) {
    if (!font.underline() && !font.strikeOut()) return;
    qreal k;
    const QFontMetricsF fm = MetricsOf(font, k);
    const qreal thickness = std::max<qreal>(1.0, fm.lineWidth() * k);
    if (font.underline())
        painter.fillRect(
            QRectF(place.start, place.baseline + fm.underlinePos() * k, run.width, thickness),
            color);
    if (font.strikeOut())
        painter.fillRect(
            QRectF(place.start, place.baseline - fm.strikeOutPos() * k, run.width, thickness),
            color);
}

} // namespace

void PaintTextRun(QPainter& painter, const QFont& font, QPointF p, unsigned textAlign,
                  int escapement, const QString& text, const TTextRun& run, const QColor& color,
                  std::optional<QColor> background) {
    if (text.isEmpty() || run.advances.size() != static_cast<size_t>(text.size())) return;
    const TTextPlacement place = PlaceTextRun(textAlign, run);
    painter.save();
    painter.translate(p);
    if (escapement % 3600 != 0) painter.rotate(-(escapement / 10.0));
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (background) painter.fillRect(place.Cell(run), *background);
    // Glyphs beyond the largest font are passed by; large ones never reach the glyph cache,
    // which rasterises each glyph whole (and fails on glyphs wider than it can describe).
    const qreal size = DeviceGlyphSize(painter, font);
    if (size <= kMaxFontPixels) {
        // Only the characters that can reach the part of the device on show are looked up
        // and drawn: a run far longer than its room costs what its room holds.
        const TRunSlice slice = SliceOnShow(painter, font, run, place.start);
        const QString shown = text.mid(slice.first, slice.count);
        TTextRun part;
        part.advances.assign(run.advances.begin() + slice.first,
                             run.advances.begin() + slice.first + slice.count);
        if (size > kMaxRasterTextPixels) {
            qreal k = 1;
            QFont face = Measurable(font, k);
            face.setStretch(QFont::Unstretched);
            const QRawFont& raw = RawFontFor(face);
            PaintGlyphOutlines(painter, face, raw, k, WidthFactor(font),
                               VisibleGlyphs(raw, shown, part, slice.start), place.baseline, color);
        } else {
            const QRawFont& raw = RawFontFor(font);
            PaintGlyphs(painter, font, raw, VisibleGlyphs(raw, shown, part, slice.start),
                        place.baseline, color);
        }
    }
    PaintLines(painter, font, place, run, color);
    painter.restore();
}

// ---- DIB conversion ------------------------------------------------------------------

QImage DibToImage(const TDib& dib) {
    std::optional<TDecodedDib> decoded = DecodeDib(dib.info, dib.bits);
    return decoded ? std::move(decoded->image) : QImage();
}

TDib ImageToDib(const QImage& image) {
    const bool indexed =
        image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Grayscale8;
    return EncodeDib(image, indexed ? 8 : 24);
}

// ---- The context over a QPainter -----------------------------------------------------

namespace {

QPen QtPen(const TPenData& p, const QColor& color) {
    if (p.style == psClear) return Qt::NoPen;
    QPen pen(color);
    pen.setWidth(std::max(0, p.width));
    pen.setCosmetic(p.width <= 1);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    switch (p.style) {
    case psDash:
        pen.setStyle(Qt::DashLine);
        break;
    case psDot:
        pen.setStyle(Qt::DotLine);
        break;
    case psDashDot:
        pen.setStyle(Qt::DashDotLine);
        break;
    case psDashDotDot:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    default:
        pen.setStyle(Qt::SolidLine);
        break;
    }
    return pen;
}

Qt::BrushStyle QtBrushStyle(TBrushStyle s) {
    switch (s) {
    case bsClear:
        return Qt::NoBrush;
    case bsHorizontal:
        return Qt::HorPattern;
    case bsVertical:
        return Qt::VerPattern;
    case bsFDiagonal:
        return Qt::BDiagPattern;
    case bsBDiagonal:
        return Qt::FDiagPattern;
    case bsCross:
        return Qt::CrossPattern;
    case bsDiagCross:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

} // namespace

TPageGeometry PageGeometryOf(const QPageLayout& layout, int dpiX, int dpiY) {
    // Millimetres keep metric sheets exact (points are rounded to whole ones).
    const QRectF full = layout.fullRect(QPageLayout::Millimeter);
    const QRectF paint = layout.paintRect(QPageLayout::Millimeter);
    auto x = [dpiX](qreal mm) { return RoundInt(mm * dpiX / 25.4L); };
    auto y = [dpiY](qreal mm) { return RoundInt(mm * dpiY / 25.4L); };
    TPageGeometry page;
    page.pixelsPerInchX = dpiX;
    page.pixelsPerInchY = dpiY;
    page.paper = QSize(x(full.width()), y(full.height()));
    page.printable = QRect(QPoint(x(paint.left()), y(paint.top())),
                           QPoint(x(paint.right()) - 1, y(paint.bottom()) - 1));
    return page;
}

TPainterDC::TPainterDC(QPainter* painter, int technology)
    : painter_(painter), technology_(technology) {
    painter_->save();
    state_.font = QFontFromLogFont(state_.logFont);
    QPaintDevice* device = painter_->device();
    if (auto* paged = dynamic_cast<QPagedPaintDevice*>(device)) {
        page_ = PageGeometryOf(paged->pageLayout(), device->logicalDpiX(), device->logicalDpiY());
        // What the painter reaches is the device's to say: its own rounding may differ.
        page_->printable.setSize(QSize(device->width(), device->height()));
    }
}

TPainterDC::~TPainterDC() {
    painter_->restore();
}

void TPainterDC::ApplyClip() {
    if (state_.clip)
        painter_->setClipRect(*state_.clip);
    else
        painter_->setClipping(false);
}

void TPainterDC::IntersectClipRect(const QRect& r) {
    TDeviceContext::IntersectClipRect(r);
    ApplyClip();
}

void TPainterDC::RemoveClip() {
    TDeviceContext::RemoveClip();
    ApplyClip();
}

bool TPainterDC::RestoreDC(int n) {
    if (!TDeviceContext::RestoreDC(n)) return false;
    ApplyClip();
    return true;
}

void TPainterDC::LineTo(int x, int y) {
    const QPoint from = state_.position;
    state_.position = {x, y};
    if (state_.pen.style == psClear || from == QPoint(x, y)) return;
    painter_->save();
    painter_->setRenderHint(QPainter::Antialiasing, false);
    QPen pen = QtPen(state_.pen, DeviceColor(state_.pen.color));
    // A thin flat-capped line leaves out whichever end lies further right or down, not
    // the end point; square caps draw both ends, and the step back below leaves out the
    // end point whatever the direction.
    if (pen.isCosmetic()) pen.setCapStyle(Qt::SquareCap);
    painter_->setPen(pen);
    // The end point itself is not drawn: step back one pixel along the longer axis.
    const int dx = x - from.x(), dy = y - from.y();
    QPointF end(x, y);
    if (std::abs(dx) >= std::abs(dy))
        end -= QPointF(dx > 0 ? 1 : -1, dy * 1.0 / std::abs(dx));
    else
        end -= QPointF(dx * 1.0 / std::abs(dy), dy > 0 ? 1 : -1);
    painter_->drawLine(QPointF(from), end);
    painter_->restore();
}

void TPainterDC::Rectangle(int left, int top, int right, int bottom) {
    QRect r = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).normalized();
    painter_->save();
    painter_->setRenderHint(QPainter::Antialiasing, false);
    const TPenData& pen = state_.pen;
    if (state_.brush.style != bsClear) {
        // Without a pen the fill stops one pixel short on the right and at the bottom.
        FillRect(pen.style == psClear ? r.adjusted(0, 0, -1, -1) : r, state_.brush);
    }
    if (pen.style != psClear) {
        const int w = std::max(1, pen.width);
        const QBrush b(DeviceColor(pen.color));
        if (pen.style == psSolid || pen.style == psInsideFrame || w > 1) {
            painter_->fillRect(QRect(r.left(), r.top(), r.width(), std::min(w, r.height())), b);
            painter_->fillRect(
                QRect(r.left(), r.bottom() - w + 1, r.width(), std::min(w, r.height())), b);
            painter_->fillRect(QRect(r.left(), r.top(), std::min(w, r.width()), r.height()), b);
            painter_->fillRect(
                QRect(r.right() - w + 1, r.top(), std::min(w, r.width()), r.height()), b);
        } else {
            painter_->setPen(QtPen(pen, DeviceColor(pen.color)));
            painter_->setBrush(Qt::NoBrush);
            painter_->drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
    painter_->restore();
}

void TPainterDC::FillRect(const QRect& r, const TBrushData& brush) {
    if (brush.style == bsClear || r.isEmpty()) return;
    const QRect n = r.normalized();
    if (brush.style != bsSolid && state_.bkMode == OPAQUE)
        painter_->fillRect(n, DeviceColor(state_.bkColor));
    painter_->fillRect(n, QBrush(DeviceColor(brush.color), QtBrushStyle(brush.style)));
}

void TPainterDC::ExtTextOut(int x, int y, unsigned options, const QRect* rect, const QString& text,
                            const int* dx) {
    const bool hasRect = rect && (options & (ETO_OPAQUE | ETO_CLIPPED));
    painter_->save();
    if (hasRect && (options & ETO_OPAQUE))
        painter_->fillRect(rect->normalized(), DeviceColor(state_.bkColor));
    if (hasRect && (options & ETO_CLIPPED))
        painter_->setClipRect(rect->normalized(), Qt::IntersectClip);
    std::optional<QColor> background;
    if (state_.bkMode == OPAQUE) background = DeviceColor(state_.bkColor);
    const bool updateCp = state_.textAlign & TA_UPDATECP;
    const QPoint p = updateCp ? state_.position : QPoint(x, y);
    const int escapement = state_.logFont.lfEscapement;
    const TTextRun run = TextRunOf(state_.font, text, dx);
    PaintTextRun(*painter_, state_.font, p, state_.textAlign, escapement, text, run,
                 DeviceColor(state_.textColor), background);
    painter_->restore();
    if (updateCp) {
        const QPointF step = CurrentPositionAdvance(state_.textAlign, escapement, run.width);
        state_.position += QPoint(RoundInt(step.x()), RoundInt(step.y()));
    }
}

bool TPainterDC::DrawImage(const QRect& dest, const QImage& image, const QRect& src) {
    if (image.isNull() || dest.width() == 0 || dest.height() == 0) return true;
    painter_->save();
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, state_.stretchMode == HALFTONE);
    QRectF target = dest;
    if (dest.width() < 0 || dest.height() < 0) {
        // Negative extents mirror the picture about the destination's origin.
        QTransform mirror;
        mirror.translate(dest.x(), dest.y());
        mirror.scale(dest.width() < 0 ? -1 : 1, dest.height() < 0 ? -1 : 1);
        mirror.translate(-dest.x(), -dest.y());
        target = QRectF(dest.x(), dest.y(), std::abs(dest.width()), std::abs(dest.height()));
        painter_->setTransform(mirror, true);
    }
    painter_->drawImage(target, image, src);
    painter_->restore();
    return true;
}

namespace {

// A plain 24-bit picture as an image over its own rows, in the order they are stored:
// large pictures are drawn without a converted copy of them. Null for other kinds.
QImage WrapPlainDib(const TDib& dib) {
    if (dib.info.size() < 40) return {};
    const auto* h = reinterpret_cast<const uchar*>(dib.info.constData());
    const uint32_t headerSize = qFromLittleEndian<uint32_t>(h);
    const int32_t width = qFromLittleEndian<int32_t>(h + 4);
    const int32_t height = qFromLittleEndian<int32_t>(h + 8);
    if (headerSize < 40 || headerSize > static_cast<uint32_t>(dib.info.size()) || width <= 0 ||
        height == 0 || height == std::numeric_limits<int32_t>::min() ||
        qFromLittleEndian<uint16_t>(h + 12) != 1 || qFromLittleEndian<uint16_t>(h + 14) != 24 ||
        qFromLittleEndian<uint32_t>(h + 16) != 0)
        return {};
    const qint64 stride = (qint64(width) * 24 + 31) / 32 * 4;
    const qint64 rows = height < 0 ? -qint64(height) : qint64(height);
    if (stride * rows > dib.bits.size() || stride > std::numeric_limits<int>::max()) return {};
    return QImage(reinterpret_cast<const uchar*>(dib.bits.constData()), width,
                  static_cast<int>(rows), stride, QImage::Format_BGR888);
}

} // namespace

bool TPainterDC::StretchDIBits(const QRect& dest, const QRect& src, const TDib& dib, uint32_t rop) {
    if (rop != SRCCOPY) return false;
    const QImage wrapped = WrapPlainDib(dib);
    const QImage image = wrapped.isNull() ? DibToImage(dib) : wrapped;
    if (image.isNull()) return false;
    const int32_t headerHeight =
        dib.info.size() >= 12 && qFromLittleEndian<uint32_t>(dib.info.constData()) == 12
            ? static_cast<int16_t>(qFromLittleEndian<uint16_t>(dib.info.constData() + 6))
            : qFromLittleEndian<int32_t>(dib.info.constData() + 8);
    if (headerHeight <= 0) return DrawImage(dest, image, src);
    // Bottom-up, the source y counts from the bottom row. So do the stored rows of a
    // wrapped picture, which is then drawn turned over (the destination mirrored about its
    // middle); a converted one stands upright.
    if (!wrapped.isNull())
        return DrawImage(QRect(dest.x(), dest.y() + dest.height(), dest.width(), -dest.height()),
                         image, src);
    QRect source = src;
    source.moveTop(image.height() - src.y() - src.height());
    return DrawImage(dest, image, source);
}

bool TPainterDC::StretchJpeg(const QRect& dest, const TJpegPicture& jpeg) {
    if (jpeg.size.isEmpty() || dest.width() <= 0 || dest.height() <= 0) return false;
    if (TPdfJpegPass* pass = TPdfJpegPass::For(painter_->device())) {
        pass->Place(*painter_, QRectF(dest), jpeg);
        return true;
    }
    if (technology_ != DT_RASPRINTER) return false;
    // Paper takes the picture at most at its own resolution: decoded at the least of
    // libjpeg's scales that fills the device pixels it covers, then brought to them.
    const QRectF covered = painter_->combinedTransform().mapRect(QRectF(dest));
    const QSize device(std::max(1, static_cast<int>(std::ceil(covered.width() - 1e-6))),
                       std::max(1, static_cast<int>(std::ceil(covered.height() - 1e-6))));
    QImage image = DecodeJpegToFill(jpeg, device, false);
    if (image.isNull()) return false;
    if (image.width() > device.width() || image.height() > device.height())
        image = image.scaled(device.boundedTo(image.size()), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    painter_->save();
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter_->drawImage(QRectF(dest), image);
    painter_->restore();
    return true;
}

TColor TPainterDC::ResolveColor(TColor c) const {
    return technology_ == DT_RASDISPLAY ? ColorToRGB(c) : PaperColorToRGB(c);
}

void TPainterDC::SetPageGeometry(const TPageGeometry& page) {
    page_ = page;
}

void TPainterDC::SetDeviceCaps(int index, int value) {
    for (auto& [i, v] : capsOverride_)
        if (i == index) {
            v = value;
            return;
        }
    capsOverride_.emplace_back(index, value);
}

int TPainterDC::GetDeviceCaps(int index) const {
    for (const auto& [i, v] : capsOverride_)
        if (i == index) return v;
    return DeviceCaps(index);
}

int TPainterDC::DeviceCaps(int index) const {
    const QPaintDevice* d = painter_->device();
    switch (index) {
    case TECHNOLOGY:
        return technology_;
    case LOGPIXELSX:
        // The screen and images drawn like it measure in the screen's pixels, whatever the
        // display; paper in the printer's.
        return page_                          ? page_->pixelsPerInchX
               : technology_ == DT_RASDISPLAY ? ScreenPixelsPerInch()
                                              : d->logicalDpiX();
    case LOGPIXELSY:
        return page_                          ? page_->pixelsPerInchY
               : technology_ == DT_RASDISPLAY ? ScreenPixelsPerInch()
                                              : d->logicalDpiY();
    case HORZRES:
        return page_ ? page_->printable.width() : d->width();
    case VERTRES:
        return page_ ? page_->printable.height() : d->height();
    case PHYSICALWIDTH:
        return page_ ? page_->paper.width() : d->width();
    case PHYSICALHEIGHT:
        return page_ ? page_->paper.height() : d->height();
    case PHYSICALOFFSETX:
        return page_ ? page_->printable.left() : 0;
    case PHYSICALOFFSETY:
        return page_ ? page_->printable.top() : 0;
    case HORZSIZE:
        return RoundInt(DeviceCaps(HORZRES) * 25.4L / std::max(1, DeviceCaps(LOGPIXELSX)));
    case VERTSIZE:
        return RoundInt(DeviceCaps(VERTRES) * 25.4L / std::max(1, DeviceCaps(LOGPIXELSY)));
    case BITSPIXEL:
        return d->depth();
    case PLANES:
        return 1;
    case NUMCOLORS:
        return d->depth() <= 8 ? 1 << d->depth() : -1;
    default:
        return 0;
    }
}
