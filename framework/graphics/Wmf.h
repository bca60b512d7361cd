#pragma once
// Placeable Windows metafiles, read by turning their records into enhanced-metafile
// records, so that one player draws both kinds.

#include <QByteArray>
#include <QString>
#include <cstdint>

inline constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
// The placeable header and the metafile header that follows it.
inline constexpr int kWmfHeadSize = 22 + 18;

// The length in bytes of the placeable metafile whose first bytes are head, from its
// headers; -1 when they are not sound.
int64_t WmfLength(const QByteArray& head);

// The enhanced metafile with the same drawing, its frame the placeable bounding box;
// empty, with the reason in why, when the bytes are not a sound placeable metafile.
// Regions, palettes, escapes and raster-operation records are left out.
QByteArray WmfToEmf(const QByteArray& wmf, QString* why);
