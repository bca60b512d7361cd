#pragma once
// Lengths and resolutions, decided here once. Every conversion between millimetres, tenths
// and hundredths of a millimetre, micrometres, inches, points, twips and device pixels at a
// resolution (and a zoom) goes through Convert, and every one that ends in whole units
// through ConvertRounded, which rounds halves to even as RoundInt does.
//
// A unit is held as the number of it in 127 mm (five inches): the shortest length that is a
// whole number of every metric and every inch-based unit here. So a conversion is one exact
// product and one division, and a metric-to-metric or inch-to-inch conversion gives the
// value the plain factor would (1200 tenths of a millimetre are exactly 120 mm).

#include "framework/core/SysUtils.h"

namespace Units {

struct TLengthUnit {
    long double per127mm;
};

constexpr TLengthUnit PerInch(long double n) {
    return {n * 5};
}
constexpr TLengthUnit PerMillimetre(long double n) {
    return {n * 127};
}

inline constexpr TLengthUnit kInch = PerInch(1);
inline constexpr TLengthUnit kPoint = PerInch(72);
inline constexpr TLengthUnit kTwip = PerInch(1440);
inline constexpr TLengthUnit kLoEnglish = PerInch(100);  // 0.01 inch
inline constexpr TLengthUnit kHiEnglish = PerInch(1000); // 0.001 inch
inline constexpr TLengthUnit kMillimetre = PerMillimetre(1);
// The report's native unit, 254 to the inch.
inline constexpr TLengthUnit kTenthMm = PerMillimetre(10);
// The hundredths of a millimetre of metafile frames and sizes.
inline constexpr TLengthUnit kHimetric = PerMillimetre(100);
inline constexpr TLengthUnit kMicrometre = PerMillimetre(1000);

// The reference density: the screen as layouts and pages are measured, and the kept pages
// of a report, whatever the display has.
inline constexpr int kReferenceDpi = 96;

// Device pixels at dpi seen at a zoom in percent. The report's pixels are Pixels(96, 140):
// one is 0.18899 mm, and 640 of them are 120.95 mm.
constexpr TLengthUnit Pixels(long double dpi, long double zoomPercent = 100) {
    return {dpi * zoomPercent / 20};
}
inline constexpr TLengthUnit kReferencePixel = Pixels(kReferenceDpi);

// A length v in `from` given in `to`; 0 when `from` has no size (a resolution of 0).
constexpr long double Convert(long double v, TLengthUnit from, TLengthUnit to) {
    return from.per127mm > 0 ? v * to.per127mm / from.per127mm : 0;
}
// The same to the nearest whole unit, halves to even.
inline int ConvertRounded(long double v, TLengthUnit from, TLengthUnit to) {
    return RoundInt(Convert(v, from, to));
}
// How many `to` one `from` is: the factor of a scale (device pixels per tenth of a
// millimetre at a resolution).
constexpr long double Ratio(TLengthUnit from, TLengthUnit to) {
    return Convert(1, from, to);
}

} // namespace Units
