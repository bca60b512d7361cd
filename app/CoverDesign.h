#pragma once
// A cover as the user designed it, as a plain value: what the cover document holds, what a
// design file keeps and what the sheet composer puts on paper.

#include "app/PictureFit.h"
#include "framework/graphics/Graphics.h"

#include <QPoint>
#include <QString>
#include <QStringList>

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
    // The line's top-left corner on the front miniature, in screen pixels, as shown.
    QPoint frontPlace;
    // Where the line prints: the last corner that counted as a placement (a corner on the
    // miniature's top row or left column does not); (0, 0) for a line never placed, which
    // prints at the layout's place.
    QPoint printPlace;
    QStringList frontLines;
    // The single line's and the lines' font.
    TCoverFont frontFont{QStringLiteral("Times New Roman")};

    QString leftBand;
    QString rightBand;
    TCoverFont bandFont{QStringLiteral("Arial")};
    QStringList rearLines;
    TCoverFont rearFont{QStringLiteral("MS Sans Serif")};
    // The central text's font made smaller, in whole points, until every line fits the card.
    bool fitRearText = false;

    // How each cover's picture goes into its frame, and in "fill" where the crop lies (each
    // axis from -1 to 1, 0 centred).
    TPictureFit frontFit = TPictureFit::Stretch;
    TPictureFit rearFit = TPictureFit::Stretch;
    QPointF frontCrop;
    QPointF rearCrop;

    // Cutting and folding aids on the sheet: crop marks outside each frame's corners
    // instead of the frame line, and dashed fold lines inside the covers.
    bool cropMarks = false;
    bool foldMarks = false;

    bool operator==(const TCoverDesign&) const = default;

    static bool IsPlacement(QPoint p) { return p.x() > 0 && p.y() > 0; }
    bool Placed() const { return IsPlacement(printPlace); }
    // The line's corner moved to p; it prints there when p counts as a placement.
    void PlaceLine(QPoint p) {
        frontPlace = p;
        if (IsPlacement(p)) printPlace = p;
    }
};

enum class TCover { Front, Rear };
// A picture that cannot be read, named with its cover and file: "front picture
// /a/b.jpg: Bitmap image is not valid".
QString PictureProblem(TCover cover, const QString& file, const QString& cause);
