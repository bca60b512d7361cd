#pragma once
// The report's units: lengths and positions in tenths of a millimetre (254 to the inch),
// kept pages drawn at the reference 96 pixels per inch whatever the screen has, points at
// 72 to the inch. The conversions are those of framework/graphics/Units.h; these names are
// the report's words for them.

#include "framework/graphics/Units.h"

inline constexpr int kRpTenthsPerInch = 254;
inline constexpr int kRpPixelsPerInch = Units::kReferenceDpi;
inline constexpr int kRpPointsPerInch = 72;
static_assert(Units::Ratio(Units::kInch, Units::kTenthMm) == kRpTenthsPerInch);
static_assert(Units::Ratio(Units::kInch, Units::kPoint) == kRpPointsPerInch);

// Device pixels per tenth of a millimetre at dpi.
constexpr long double RpPixelsPerTenth(long double dpi) {
    return Units::Ratio(Units::kTenthMm, Units::Pixels(dpi));
}
// Pixels of a kept page per tenth of a millimetre.
inline constexpr long double kRpPagePixelsPerTenth = RpPixelsPerTenth(kRpPixelsPerInch);
// Tenths of a millimetre of a length in pixels at dpi; 0 without a resolution.
constexpr long double RpTenthsOfPixels(long double pixels, long double dpi) {
    return Units::Convert(pixels, Units::Pixels(dpi), Units::kTenthMm);
}
// Tenths of a millimetre of a length in points.
constexpr long double RpTenthsOfPoints(long double points) {
    return Units::Convert(points, Units::kPoint, Units::kTenthMm);
}
// Pixels at dpi of a length in points.
constexpr long double RpPixelsOfPoints(long double points, long double dpi) {
    return Units::Convert(points, Units::kPoint, Units::Pixels(dpi));
}
