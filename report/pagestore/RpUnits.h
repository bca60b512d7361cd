#pragma once
// The report's units, decided here once: lengths and positions in tenths of a millimetre
// (254 to the inch), kept pages drawn at 96 pixels per inch whatever the screen has,
// points at 72 to the inch, and every conversion between them and device pixels.

inline constexpr int kRpTenthsPerInch = 254;
inline constexpr int kRpPixelsPerInch = 96;
inline constexpr int kRpPointsPerInch = 72;

// Device pixels per tenth of a millimetre at dpi.
constexpr long double RpPixelsPerTenth(long double dpi) {
    return dpi / kRpTenthsPerInch;
}
// Pixels of a kept page per tenth of a millimetre.
inline constexpr long double kRpPagePixelsPerTenth = RpPixelsPerTenth(kRpPixelsPerInch);
// Tenths of a millimetre of a length in pixels at dpi; 0 without a resolution.
constexpr long double RpTenthsOfPixels(long double pixels, long double dpi) {
    return dpi > 0 ? pixels / dpi * kRpTenthsPerInch : 0;
}
// Tenths of a millimetre of a length in points.
constexpr long double RpTenthsOfPoints(long double points) {
    return points / kRpPointsPerInch * kRpTenthsPerInch;
}
// Pixels at dpi of a length in points.
constexpr long double RpPixelsOfPoints(long double points, long double dpi) {
    return points / kRpPointsPerInch * dpi;
}
