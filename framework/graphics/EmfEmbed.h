#pragma once
// Placing one enhanced metafile inside another while it is written: the picture's records
// are copied into the page, its mapping folded into world transforms and its objects
// renumbered, so that it stays vector drawing at any size it is later played at.

#include "framework/graphics/EmfRecords.h"

#include <QByteArray>
#include <QRect>

namespace emf {

// Appends the drawing of src (a checked metafile) to writer with its frame stretched
// onto dest and nothing drawn outside area, both in the writer's reference pixels. The
// records are enclosed in a saved state, so the writer's state is as before afterwards,
// and every object they make is deleted again. False when src has no frame to place.
bool EmbedEnhMetaFile(TEmfWriter& writer, const QByteArray& src, const QRect& dest,
                      const QRect& area);

} // namespace emf
