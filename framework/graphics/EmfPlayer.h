#pragma once
// Playing enhanced metafiles onto a QPainter: our own recorded pages exactly as they were
// drawn, and the usual records of other programs' files.

#include <QByteArray>
#include <QRectF>

class QPainter;

// Draws the metafile with its frame stretched onto dest, given in the painter's current
// coordinates; drawing stays inside dest and the painter's own clip. A record whose
// fields do not check out is skipped; a file whose header is unreadable draws nothing.
// The painter's state is as before when this returns.
void PlayEnhMetaFile(QPainter& painter, const QByteArray& emf, const QRectF& dest);
