#pragma once
// The mapping a metafile's records set up from its logical units to its reference pixels:
// map mode, window, viewport and world transform. Playing a metafile and placing one inside
// another both follow a picture's mapping with this, so the two always place it alike.

#include "framework/graphics/EmfRecords.h"

#include <QPointF>
#include <QSizeF>
#include <QTransform>

namespace emf {

// True when every coefficient of t is a finite number.
bool Finite(const QTransform& t);

struct TMapping {
    uint32_t mode = 1;
    QPointF winOrg, vpOrg;
    QSizeF winExt{1, 1}, vpExt{1, 1};
    QTransform world;

    // True for the kinds of record that Apply takes.
    static bool Sets(uint32_t type);
    // Takes one mapping record whose fields are checked; false when it leaves the mapping
    // as it was (a value out of range, an extent that would be zero, a world transform
    // that is not finite or not invertible). Extents are kept within device coordinates.
    bool Apply(const TRecord& r);
    // Logical units to reference pixels, at the picture's reference pixels per millimetre.
    QTransform Transform(QPointF pixelsPerMillimetre) const;

private:
    using Step = bool (TMapping::*)(const TRecord&);
    static Step StepFor(uint32_t type);
    bool MapMode(const TRecord& r);
    bool Extent(const TRecord& r);
    bool Origin(const TRecord& r);
    bool ScaleExtent(const TRecord& r);
    bool WorldTransform(const TRecord& r);
};

} // namespace emf
