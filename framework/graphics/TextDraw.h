#pragma once
// Formatted text in a rectangle, the way labels and report texts measure and draw it:
// lines, word breaking, tab expansion, accelerator prefixes and alignment.

#include "framework/graphics/DeviceContext.h"

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
