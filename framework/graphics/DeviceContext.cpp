#include "framework/graphics/DeviceContext.h"

#include "framework/graphics/Dib.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPaintDevice>
#include <QRawFont>
#include <QtEndian>
#include <cmath>

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

// ---- Text geometry -------------------------------------------------------------------

namespace {

struct TCell {
    int ascent = 0;
    int descent = 0;
};

// The text cell above and below the baseline. Small sizes get the room that every
// character of the Windows code page takes as the hinted font draws it, which the faces we
// stand in for record in their tables and the system's text metrics report (an 11-pixel
// Times New Roman cell is 14 pixels high where its rounded ascent and descent make 12);
// larger sizes get the font's ascent and descent, rounded.
TCell CellOf(const QFont& font) {
    static QHash<QString, TCell> cache;
    const QString key = font.key();
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    const QFontMetricsF fm(font);
    TCell cell{RoundInt(fm.ascent()), RoundInt(fm.descent())};
    constexpr qreal kHintedSizes = 255; // beyond, hinting no longer moves whole pixels
    if (fm.height() <= kHintedSizes) {
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
    }
    if (cache.size() > 256) cache.clear();
    cache.insert(key, cell);
    return cell;
}

} // namespace

TTextRun MeasureTextRun(const QFont& font, const QString& text) {
    const QFontMetricsF fm(font);
    TTextRun run;
    const TCell cell = CellOf(font);
    run.ascent = cell.ascent;
    run.descent = cell.descent;
    run.advances.resize(static_cast<size_t>(text.size()), 0);
    qreal pos = 0;
    int previous = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qreal advance;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            advance = fm.horizontalAdvance(text.mid(i, 2));
            pos += advance;
            const int rounded = RoundInt(pos);
            run.advances[static_cast<size_t>(i)] = rounded - previous;
            previous = rounded;
            ++i; // the low surrogate advances nothing
            continue;
        }
        advance = text[i] == QLatin1Char('\t') ? fm.horizontalAdvance(QLatin1Char(' '))
                                               : fm.horizontalAdvance(text[i]);
        pos += advance;
        const int rounded = RoundInt(pos);
        run.advances[static_cast<size_t>(i)] = rounded - previous;
        previous = rounded;
    }
    run.width = previous;
    return run;
}

TTextMetric TextMetricsOf(const QFont& font) {
    const QFontMetricsF fm(font);
    TTextMetric tm;
    const TCell cell = CellOf(font);
    tm.tmAscent = cell.ascent;
    tm.tmDescent = cell.descent;
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    const int em = font.pixelSize() > 0 ? font.pixelSize() : RoundInt(fm.height());
    tm.tmInternalLeading = std::max(0, tm.tmHeight - em);
    tm.tmExternalLeading = std::max(0, RoundInt(fm.leading()));
    tm.tmAveCharWidth = RoundInt(fm.averageCharWidth());
    tm.tmMaxCharWidth = RoundInt(fm.maxWidth());
    return tm;
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

} // namespace

void PaintTextRun(QPainter& painter, const QFont& font, QPointF p, unsigned textAlign,
                  int escapement, const QString& text, const std::vector<int>& advancesIn,
                  const QColor& color, std::optional<QColor> background) {
    if (text.isEmpty()) return;
    // Given advances are used as they are; only a run without them is measured.
    const std::vector<int> advances = advancesIn.size() == static_cast<size_t>(text.size())
                                          ? advancesIn
                                          : MeasureTextRun(font, text).advances;
    int width = 0;
    for (int a : advances)
        width += a;
    const TCell cell = CellOf(font);
    const int ascent = cell.ascent, descent = cell.descent;

    qreal h = 0;
    switch (textAlign & TA_CENTER) {
    case TA_RIGHT:
        h = -width;
        break;
    case TA_CENTER:
        h = -width / 2.0;
        break;
    default:
        break;
    }
    qreal baseline = 0; // local y of the baseline, the reference point at 0
    switch (textAlign & TA_BASELINE) {
    case TA_BOTTOM:
        baseline = -descent;
        break;
    case TA_BASELINE:
        baseline = 0;
        break;
    default:
        baseline = ascent;
        break;
    }

    painter.save();
    painter.translate(p);
    if (escapement % 3600 != 0) painter.rotate(-escapement / 10.0);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (background)
        painter.fillRect(QRectF(h, baseline - ascent, width, ascent + descent), *background);

    const QRawFont raw = RawFontFor(font);
    std::vector<quint32> glyphs(static_cast<size_t>(text.size()) + 1);
    int glyphCount = static_cast<int>(glyphs.size());
    const bool mapped =
        raw.isValid() && raw.glyphIndexesForChars(text.constData(), static_cast<int>(text.size()),
                                                  glyphs.data(), &glyphCount);
    QList<quint32> runGlyphs;
    QList<QPointF> runPositions;
    painter.setPen(color);
    painter.setFont(font);
    qreal x = h;
    int g = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QChar c = text[i];
        const quint32 glyph = mapped && g < glyphCount ? glyphs[static_cast<size_t>(g)] : 0;
        ++g;
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && !c.isSpace()) {
            if (glyph != 0) {
                runGlyphs << glyph;
                runPositions << QPointF(x, baseline);
            } else {
                // Not in this face: let the font machinery find a fallback for it.
                QFont plain = font;
                plain.setUnderline(false);
                plain.setStrikeOut(false);
                painter.setFont(plain);
                painter.drawText(QPointF(x, baseline), pair ? text.mid(i, 2) : QString(c));
                painter.setFont(font);
            }
        }
        x += advances[static_cast<size_t>(i)];
        if (pair) x += advances[static_cast<size_t>(++i)];
    }
    if (!runGlyphs.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(runGlyphs);
        run.setPositions(runPositions);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    if (font.underline() || font.strikeOut()) {
        const QFontMetricsF fm(font);
        const qreal thickness = std::max<qreal>(1.0, fm.lineWidth());
        if (font.underline())
            painter.fillRect(QRectF(h, baseline + fm.underlinePos(), width, thickness), color);
        if (font.strikeOut())
            painter.fillRect(QRectF(h, baseline - fm.strikeOutPos(), width, thickness), color);
    }
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

QPen QtPen(const TPenData& p) {
    if (p.style == psClear) return Qt::NoPen;
    QPen pen(ToQColor(p.color));
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

TPainterDC::TPainterDC(QPainter* painter, int technology)
    : painter_(painter), technology_(technology) {
    painter_->save();
    state_.font = QFontFromLogFont(state_.logFont);
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
    QPen pen = QtPen(state_.pen);
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
        const QBrush b(ToQColor(pen.color));
        if (pen.style == psSolid || pen.style == psInsideFrame || w > 1) {
            painter_->fillRect(QRect(r.left(), r.top(), r.width(), std::min(w, r.height())), b);
            painter_->fillRect(
                QRect(r.left(), r.bottom() - w + 1, r.width(), std::min(w, r.height())), b);
            painter_->fillRect(QRect(r.left(), r.top(), std::min(w, r.width()), r.height()), b);
            painter_->fillRect(
                QRect(r.right() - w + 1, r.top(), std::min(w, r.width()), r.height()), b);
        } else {
            painter_->setPen(QtPen(pen));
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
        painter_->fillRect(n, ToQColor(state_.bkColor));
    painter_->fillRect(n, QBrush(ToQColor(brush.color), QtBrushStyle(brush.style)));
}

void TPainterDC::ExtTextOut(int x, int y, unsigned options, const QRect* rect, const QString& text,
                            const int* dx) {
    const bool hasRect = rect && (options & (ETO_OPAQUE | ETO_CLIPPED));
    painter_->save();
    if (hasRect && (options & ETO_OPAQUE))
        painter_->fillRect(rect->normalized(), ToQColor(state_.bkColor));
    if (hasRect && (options & ETO_CLIPPED))
        painter_->setClipRect(rect->normalized(), Qt::IntersectClip);
    std::vector<int> advances;
    if (dx) advances.assign(dx, dx + text.size());
    std::optional<QColor> background;
    if (state_.bkMode == OPAQUE) background = ToQColor(state_.bkColor);
    const bool updateCp = state_.textAlign & TA_UPDATECP;
    const QPoint p = updateCp ? state_.position : QPoint(x, y);
    PaintTextRun(*painter_, state_.font, p, state_.textAlign, state_.logFont.lfEscapement, text,
                 advances, ToQColor(state_.textColor), background);
    painter_->restore();
    if (updateCp) {
        int width = 0;
        if (dx)
            for (qsizetype i = 0; i < text.size(); ++i)
                width += dx[i];
        else
            width = MeasureTextRun(state_.font, text).width;
        const qreal a = state_.logFont.lfEscapement * M_PI / 1800.0;
        const int sign = (state_.textAlign & TA_CENTER) == TA_RIGHT    ? -1
                         : (state_.textAlign & TA_CENTER) == TA_CENTER ? 0
                                                                       : 1;
        state_.position +=
            QPoint(RoundInt(sign * width * std::cos(a)), RoundInt(-sign * width * std::sin(a)));
    }
}

bool TPainterDC::StretchDIBits(const QRect& dest, const QRect& src, const TDib& dib, uint32_t rop) {
    if (rop != SRCCOPY) return false;
    const QImage image = DibToImage(dib);
    if (image.isNull()) return false;
    const int32_t headerHeight =
        dib.info.size() >= 12 && qFromLittleEndian<uint32_t>(dib.info.constData()) == 12
            ? static_cast<int16_t>(qFromLittleEndian<uint16_t>(dib.info.constData() + 6))
            : qFromLittleEndian<int32_t>(dib.info.constData() + 8);
    QRect source = src;
    if (headerHeight > 0) // bottom-up: the source y counts from the bottom row
        source.moveTop(image.height() - src.y() - src.height());
    StretchImage(dest, source, image);
    return true;
}

void TPainterDC::StretchImage(const QRect& dest, const QRect& source, const QImage& image) {
    painter_->save();
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, state_.stretchMode == HALFTONE);
    QRectF target = dest;
    QTransform mirror;
    if (dest.width() < 0 || dest.height() < 0) {
        // Negative extents mirror the picture about the destination's origin.
        mirror.translate(dest.x(), dest.y());
        mirror.scale(dest.width() < 0 ? -1 : 1, dest.height() < 0 ? -1 : 1);
        mirror.translate(-dest.x(), -dest.y());
        target = QRectF(dest.x(), dest.y(), std::abs(dest.width()), std::abs(dest.height()));
        painter_->setTransform(mirror, true);
    }
    painter_->drawImage(target, image, source);
    painter_->restore();
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
    const QPaintDevice* d = painter_->device();
    switch (index) {
    case TECHNOLOGY:
        return technology_;
    case HORZSIZE:
        return d->widthMM();
    case VERTSIZE:
        return d->heightMM();
    case HORZRES:
    case PHYSICALWIDTH:
        return d->width();
    case VERTRES:
    case PHYSICALHEIGHT:
        return d->height();
    case BITSPIXEL:
        return d->depth();
    case PLANES:
        return 1;
    case NUMCOLORS:
        return d->depth() <= 8 ? 1 << d->depth() : -1;
    case LOGPIXELSX:
        return d->logicalDpiX();
    case LOGPIXELSY:
        return d->logicalDpiY();
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY:
        return 0;
    default:
        return 0;
    }
}
