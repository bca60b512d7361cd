#pragma once
// How a cover's picture goes into its frame: stretched to the frame, fitted whole inside it
// (aspect kept, centred, the rest of the frame left white), or filling it (aspect kept, the
// part that passes the frame cut off, centred unless the crop was moved).

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <optional>

enum class TPictureFit { Stretch, Fit, Fill };

// "stretch", "fit", "fill": the names design files keep.
QString PictureFitName(TPictureFit fit);
std::optional<TPictureFit> PictureFitFromName(const QString& name);

// Where a picture is drawn. Lengths of the frame and of target and drawn are in the
// frame's units (any: device pixels, tenths of a millimetre); source is in picture pixels.
struct TPicturePlacement {
    // The part of the picture that shows, and where it shows. Empty targets draw nothing.
    QRectF source;
    QRectF target;
    // Where the whole picture goes: the target, except in "fill", where it passes the frame
    // and is drawn clipped to it. Drawing the whole picture here through a clip to the
    // frame gives the same page as drawing source onto target, with any kind of picture.
    QRectF drawn;
    bool clipToFrame = false;
};

// crop moves the picture inside the frame in "fill": on each axis, -1 puts the picture's
// far end (right, bottom) at the frame's edge, 0 centres it, +1 puts its near end (left,
// top) there; values beyond are taken as -1 or +1. Other modes ignore it.
TPicturePlacement PlacePicture(const QSize& picture, const QRectF& frame, TPictureFit fit,
                               const QPointF& crop = {});

// The crop after the picture is dragged by drag (frame units) in "fill", kept within
// [-1, 1]; an axis on which the picture does not pass the frame keeps its value.
QPointF CropAfterDrag(const QSize& picture, const QRectF& frame, const QPointF& crop,
                      const QPointF& drag);

// Where the picture goes as fractions of its frame ((0, 0, 1, 1) is the frame), for a frame
// of frameSize in any unit: its aspect is what counts. None for "stretch", which fills the
// frame as it is, and for a picture or frame without an area.
std::optional<QRectF> PictureFractions(const QSize& picture, const QSizeF& frameSize,
                                       TPictureFit fit, const QPointF& crop = {});
