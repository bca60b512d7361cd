#include "framework/graphics/TextDraw.h"

#include <QFontMetricsF>
#include <memory>

namespace {

// Removes accelerator prefixes: "&x" marks x, "&&" stands for "&".
QString StripPrefix(const QString& s, int& underline) {
    QString out;
    underline = -1;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&') && i + 1 < s.size()) {
            ++i;
            if (s[i] != QLatin1Char('&')) underline = static_cast<int>(out.size());
        } else if (s[i] == QLatin1Char('&')) {
            continue; // a lone trailing prefix marks nothing
        }
        out += s[i];
    }
    return out;
}

int TabWidth(TDeviceContext* dc) {
    return 8 * std::max(1, dc->GetTextMetrics().tmAveCharWidth);
}

// Width of a line with tabs expanded to the next multiple of the tab width.
int LineWidth(TDeviceContext* dc, const QString& line, unsigned format) {
    if (!(format & DT_EXPANDTABS) || !line.contains(QLatin1Char('\t')))
        return dc->GetTextExtentPoint(line).width();
    const int tab = TabWidth(dc);
    const QStringList parts = line.split(QLatin1Char('\t'));
    int x = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        x += dc->GetTextExtentPoint(parts[i]).width();
        if (i + 1 < parts.size()) x = (x / tab + 1) * tab;
    }
    return x;
}

} // namespace

std::vector<TFormattedLine> FormatTextLines(TDeviceContext* dc, const QString& text, int width,
                                            unsigned format) {
    std::vector<TFormattedLine> lines;
    QStringList raw;
    if (format & DT_SINGLELINE) {
        QString s = text;
        s.replace(QLatin1String("\r\n"), QLatin1String(" "));
        raw << s;
    } else {
        QString s = text;
        s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        raw = s.split(QLatin1Char('\n'));
    }
    for (const QString& paragraph : raw) {
        TFormattedLine line;
        line.text = (format & DT_NOPREFIX) ? paragraph : StripPrefix(paragraph, line.underline);
        if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) {
            line.width = LineWidth(dc, line.text, format);
            lines.push_back(line);
            continue;
        }
        // Break at blanks so that each line fits; a word longer than the width stands alone.
        const QString& s = line.text;
        qsizetype start = 0;
        while (start < s.size()) {
            qsizetype lineEnd = -1, pos = start;
            for (;;) {
                qsizetype next = s.indexOf(QLatin1Char(' '), pos);
                if (next < 0) next = s.size();
                const bool fits = LineWidth(dc, s.mid(start, next - start), format) <= width;
                if (!fits && lineEnd >= 0) break;
                lineEnd = next;
                if (!fits || next >= s.size()) break;
                pos = next + 1;
            }
            TFormattedLine part;
            part.text = s.mid(start, lineEnd - start);
            if (line.underline >= start && line.underline < lineEnd)
                part.underline = static_cast<int>(line.underline - start);
            part.width = LineWidth(dc, part.text, format);
            lines.push_back(part);
            start = lineEnd;
            while (start < s.size() && s[start] == QLatin1Char(' '))
                ++start;
        }
        if (s.isEmpty()) lines.push_back(line);
    }
    return lines;
}

int DrawText(TDeviceContext* dc, const QString& text, QRect& rect, unsigned format) {
    if (text.isEmpty()) {
        if (format & DT_CALCRECT) rect.setSize(QSize(0, 0));
        return 0;
    }
    const TTextMetric tm = dc->GetTextMetrics();
    const int lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
    const std::vector<TFormattedLine> lines = FormatTextLines(dc, text, rect.width(), format);
    const int height = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const TFormattedLine& l : lines)
            widest = std::max(widest, l.width);
        rect.setWidth(widest);
        rect.setHeight(height);
        return height;
    }
    int y = rect.top();
    if (format & DT_SINGLELINE) {
        if (format & DT_BOTTOM)
            y = rect.top() + rect.height() - lineHeight;
        else if (format & DT_VCENTER)
            y = rect.top() + (rect.height() - lineHeight) / 2;
    }
    const unsigned savedAlign = dc->TextAlign();
    dc->SetTextAlign(TA_LEFT | TA_TOP);
    const bool clip = !(format & DT_NOCLIP);
    const int tab = TabWidth(dc);
    for (const TFormattedLine& line : lines) {
        int x = rect.left();
        if (format & DT_RIGHT)
            x = rect.left() + rect.width() - line.width;
        else if (format & DT_CENTER)
            x = rect.left() + (rect.width() - line.width) / 2;
        // Draw tab-separated parts at their stops.
        int partX = x;
        qsizetype from = 0;
        const QString& s = line.text;
        for (;;) {
            qsizetype tabAt = (format & DT_EXPANDTABS) ? s.indexOf(QLatin1Char('\t'), from) : -1;
            const QString part = s.mid(from, tabAt < 0 ? -1 : tabAt - from);
            if (!part.isEmpty())
                dc->ExtTextOut(partX, y, clip ? ETO_CLIPPED : 0, clip ? &rect : nullptr, part);
            if (line.underline >= from && (tabAt < 0 || line.underline < tabAt)) {
                const int before = dc->GetTextExtentPoint(part.left(line.underline - from)).width();
                const int w = dc->GetTextExtentPoint(part.mid(line.underline - from, 1)).width();
                dc->FillRect(QRect(partX + before, y + tm.tmAscent + 1, w, 1),
                             {bsSolid, dc->TextColor()});
            }
            if (tabAt < 0) break;
            partX += dc->GetTextExtentPoint(part).width();
            partX = x + ((partX - x) / tab + 1) * tab;
            from = tabAt + 1;
        }
        y += lineHeight;
    }
    dc->SetTextAlign(savedAlign);
    return height;
}

// ---- Design metrics --------------------------------------------------------------------

namespace {

// Unhinted advances at this em are the design advances scaled, with no rounding to speak of.
constexpr int kDesignPixels = 1024;

QFont DesignFont(const QFont& font) {
    QFont f = font;
    f.setPixelSize(kDesignPixels);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    return f;
}

} // namespace

TDesignMetrics::TDesignMetrics(const QFont& font) : font_(DesignFont(font)) {
    const QFontMetricsF fm(font_);
    ascent_ = fm.ascent() / kDesignPixels;
    descent_ = fm.descent() / kDesignPixels;
    latin_.fill(-1);
}

qreal TDesignMetrics::Measure(QStringView chars) const {
    return QFontMetricsF(font_).horizontalAdvance(chars.toString()) / kDesignPixels;
}

qreal TDesignMetrics::AdvanceAt(QStringView text, qsizetype i, int* units) const {
    QChar c = text[i];
    if (c == QLatin1Char('\t')) c = QLatin1Char(' ');
    const bool pair = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    if (units) *units = pair ? 2 : 1;
    if (!pair && c.unicode() < 256) {
        float& kept = latin_[c.unicode()];
        if (kept < 0) kept = static_cast<float>(Measure(QStringView(&c, 1)));
        return kept;
    }
    const char32_t code = pair ? QChar::surrogateToUcs4(c, text[i + 1]) : c.unicode();
    if (auto it = others_.constFind(code); it != others_.constEnd()) return *it;
    if (others_.size() > 4096) others_.clear();
    const qreal advance = Measure(pair ? text.mid(i, 2) : QStringView(&c, 1));
    others_.insert(code, advance);
    return advance;
}

qreal TDesignMetrics::Width(QStringView text) const {
    qreal width = 0;
    int units = 1;
    for (qsizetype i = 0; i < text.size(); i += units)
        width += AdvanceAt(text, i, &units);
    return width;
}

std::shared_ptr<const TDesignMetrics> DesignMetricsOf(const QFont& font) {
    thread_local QHash<QString, std::shared_ptr<const TDesignMetrics>> cache;
    const QString key = DesignFont(font).key();
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    if (cache.size() >= 64) cache.clear();
    return *cache.insert(key, std::make_shared<const TDesignMetrics>(font));
}

long double EmInchesOf(const TFont& font) {
    const int ppi = font.PixelsPerInch();
    const int height = font.Height();
    const int points = font.Size();
    if (height < 0 && points > 0 && -MulDiv(points, ppi, 72) == height)
        return static_cast<long double>(points) / 72;
    if (height > 0) {
        // A positive height is the whole cell.
        const qreal cell = DesignMetricsOf(font.ToQFont())->LineHeight();
        return cell > 0 ? height / cell / ppi : static_cast<long double>(height) / ppi;
    }
    return static_cast<long double>(-static_cast<int64_t>(height)) / ppi;
}
