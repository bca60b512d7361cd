#include "framework/graphics/TextDraw.h"

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
