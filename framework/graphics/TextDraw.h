#pragma once
// Formatted text in a rectangle, the way labels and report texts measure and draw it:
// lines, word breaking, tab expansion, accelerator prefixes and alignment.

#include "framework/graphics/DeviceContext.h"

#include <QHash>
#include <QStringView>
#include <array>
#include <memory>

// Draws text in rect with the context's selected font, colours and background mode, or
// with DT_CALCRECT only measures it: rect's right and bottom then enclose the text.
// Returns the height of the text drawn or measured.
int DrawText(TDeviceContext* dc, const QString& text, QRect& rect, unsigned format);

struct TFormattedLine {
    QString text;       // what is drawn (prefix characters removed, tabs kept)
    int underline = -1; // index in text of the character an accelerator prefix marks
    int width = 0;
};
// The lines DrawText makes of text for a given width (ignored without DT_WORDBREAK).
std::vector<TFormattedLine> FormatTextLines(TDeviceContext* dc, const QString& text, int width,
                                            unsigned format);

// ---- Design metrics --------------------------------------------------------------------

// A face's glyph advances and line cell in its own design units, unhinted, as fractions of
// the em: what text measures at every size and on every device alike. A text laid out with
// these breaks its lines and spaces them the same on a 96-dpi page and on 1200-dpi paper;
// only the scale from ems to the device's pixels differs. Advances add up exactly (no
// kerning), so the width of a text is the sum of the widths of its parts.
class TDesignMetrics {
public:
    // The face, weight, slant and stretch of font; its size does not matter.
    explicit TDesignMetrics(const QFont& font);

    // The advance of the character at i (a surrogate pair counts once, at its first unit;
    // a tab advances as a blank), in ems; units is set to the UTF-16 units it takes.
    qreal AdvanceAt(QStringView text, qsizetype i, int* units = nullptr) const;
    qreal Width(QStringView text) const;
    qreal Ascent() const { return ascent_; }
    qreal Descent() const { return descent_; }
    // The distance from one line's top to the next: ascent and descent.
    qreal LineHeight() const { return ascent_ + descent_; }

private:
    qreal Measure(QStringView chars) const;
    QFont font_;
    qreal ascent_ = 0, descent_ = 0;
    mutable std::array<float, 256> latin_;
    mutable QHash<char32_t, qreal> others_;
};

// The em of a font in inches: its size in points where it was given in points (so that it
// is the same on every device), else its height in pixels at its density.
long double EmInchesOf(const TFont& font);

// The design metrics of a font, kept per face and style on each thread.
std::shared_ptr<const TDesignMetrics> DesignMetricsOf(const QFont& font);
