#pragma once
// A cover as the user designed it, as a plain value: what the main window's controls
// hold, read out of them, and the composition that puts a design onto the print layout's
// report and runs it. Composition needs no main window: only the print-layout window.

#include "framework/graphics/Graphics.h"

#include <QPoint>
#include <QString>
#include <QStringList>

class Tpreview;

// The codes are the item indexes of the format boxes.
enum class TFrontFormat { None = 0, Single = 1, Double = 2 };
enum class TRearFormat { None = 0, WithBands = 1, WithoutBands = 2 };
// Which front text the user writes: the turned single line or the block of lines.
enum class TFrontTextMode { OneLine = 0, Lines = 1 };

// A font as the editor shows it: the size in points on screen, before any scaling.
struct TCoverFont {
    QString name;
    int size = 8;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    TColor color = clWindowText;
    int charset = 0;

    bool operator==(const TCoverFont&) const = default;
    static TCoverFont Of(const TFont* font);
    // Face, style, colour and character set onto target, at the given size in points.
    void GiveTo(TFont* target, int points) const;
};

struct TCoverDesign {
    TFrontFormat frontFormat = TFrontFormat::None;
    TRearFormat rearFormat = TRearFormat::None;
    // Picture files, read afresh at every composition; empty for a cover without one.
    QString frontPicture;
    QString rearPicture;

    TFrontTextMode textMode = TFrontTextMode::OneLine;
    QString frontLine;
    // Degrees counter-clockwise, one of 0, 45, ..., 315.
    int frontAngle = 0;
    // The line's top-left corner on the front miniature, in screen pixels; a corner on
    // the miniature's top row or left column is no placement.
    QPoint frontPlace;
    QStringList frontLines;
    // The single line's and the lines' font.
    TCoverFont frontFont{QStringLiteral("Times New Roman")};

    QString leftBand;
    QString rightBand;
    TCoverFont bandFont{QStringLiteral("Arial")};
    QStringList rearLines;
    TCoverFont rearFont{QStringLiteral("MS Sans Serif")};

    bool operator==(const TCoverDesign&) const = default;

    bool Placed() const { return frontPlace.x() > 0 && frontPlace.y() > 0; }
};

enum class TCoverOutput { Preview, Print };

// Give the cover items of the layout's report the sizes of a format, each cover's own.
void SizeFrontCover(Tpreview& layout, TFrontFormat format);
void SizeRearCover(Tpreview& layout, TRearFormat format);
// Puts design onto the layout's report items for output. A picture file that cannot be
// read fails with its own error, leaving the items after it as they were; a format that
// is none of the three fails before anything is touched.
void ComposeCovers(const TCoverDesign& design, Tpreview& layout, TCoverOutput output);
// Composes, then runs the report: the preview returns once its window has closed.
void PreviewCovers(const TCoverDesign& design, Tpreview& layout);
void PrintCovers(const TCoverDesign& design, Tpreview& layout);
