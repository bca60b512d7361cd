#pragma once
// The cover formats in one table: every size a format gives, on paper, on its format page,
// on its text page's miniature and on the print layout's report, and the scales between
// miniature and page derived from them.

#include <QPointF>
#include <QSize>
#include <QSizeF>

#include "app/CoverDesign.h"

struct TCoverFormat {
    // The cover as it is cut, in millimetres.
    QSizeF millimetres;
    // The picture area on the format's page and the miniature on its text page, in
    // screen pixels (an absent cover's area is a single pixel, its miniature nothing).
    QSize panel, miniature;
    // The picture item at the report's zoom, in report pixels of 96 screen pixels per inch
    // (how the layout's sizes read in pixels; the item is sized in millimetres).
    QSize reportPixels;
    // The width of the cover's text block, in millimetres: the front lines stay within
    // the booklet's front half; the rear text keeps its margins inside the card.
    double textWidth;
};

// Indexed by the format code, the format boxes' item index.
const TCoverFormat& FrontFormat(TFrontFormat format);
const TCoverFormat& RearFormat(TRearFormat format);
// A code from elsewhere than the boxes (a design file) may be none of the three: raises
// an Exception naming it.
int CheckedFormatCode(int code);

// Screen font sizes reach the page multiplied by this: an 8-point font on a 1.81 pixel per
// millimetre miniature is about as tall as 17 points on paper.
inline constexpr double kFontScale = 2.12;

// Miniature pixels per millimetre of the front cover, across and down: the booklet is
// squeezed into the single cover's square, so its miniature's width stands for 240 mm.
QPointF FrontMiniatureScale(TFrontFormat format);
// Where a point of the front miniature lies on the printed front cover, in millimetres
// from its top-left corner: the same relative point.
QPointF FrontPlaceOnPaper(TFrontFormat format, QPoint miniaturePoint);
