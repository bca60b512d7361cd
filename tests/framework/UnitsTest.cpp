// Length and resolution conversions: known lengths both ways, round trips of whole units
// through a finer unit, halves to even, and no resolution.
#include "framework/graphics/Units.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace Units;

struct Length {
    const char* what;
    long double value;
    TLengthUnit from, to;
    long double expected;
};

// The report's pixels: 96 screen pixels per inch at the report's zoom of 140.
constexpr TLengthUnit kReportPixel = Pixels(kReferenceDpi, 140);

const Length kKnown[] = {
    {"inch in millimetres", 1, kInch, kMillimetre, 25.4L},
    {"inch in tenths of a millimetre", 1, kInch, kTenthMm, 254},
    {"inch in metafile hundredths", 1, kInch, kHimetric, 2540},
    {"inch in micrometres", 1, kInch, kMicrometre, 25400},
    {"inch in points", 1, kInch, kPoint, 72},
    {"inch in twips", 1, kInch, kTwip, 1440},
    {"12 points at the reference density", 12, kPoint, kReferencePixel, 16},
    {"a metafile frame of 5080 at the reference density", 5080, kHimetric, kReferencePixel, 192},
    {"A4 width at 300 dpi", 210, kMillimetre, Pixels(300), 2480.31496L},
    {"report pixel in millimetres (0.18899)", 1, kReportPixel, kMillimetre, 0.1889881L},
    {"640 report pixels in millimetres", 640, kReportPixel, kMillimetre, 120.95238L},
    {"120 mm in report pixels", 120, kMillimetre, kReportPixel, 634.96063L},
    {"300% zoom at 72 dpi", 1, kInch, Pixels(72, 300), 216},
};

TEST(UnitsTest, KnownLengthsConvertBothWays) {
    for (const Length& l : kKnown) {
        SCOPED_TRACE(l.what);
        const long double near = 5e-6L * std::max(1.0L, std::fabs(l.expected));
        EXPECT_NEAR(double(Convert(l.value, l.from, l.to)), double(l.expected), double(near));
        EXPECT_NEAR(double(Convert(l.expected, l.to, l.from)), double(l.value), double(near));
    }
    // Metric to metric and inch to inch are exact.
    EXPECT_EQ(Convert(1200, kTenthMm, kMillimetre), 120.0L);
    EXPECT_EQ(Convert(2100, kTenthMm, kHimetric), 21000.0L);
    EXPECT_EQ(Convert(90, kPoint, kInch), 1.25L);
    EXPECT_EQ(Ratio(kTenthMm, Pixels(600)), 600.0L / 254);
}

TEST(UnitsTest, WholeUnitsComeBackThroughAFinerUnit) {
    struct Trip {
        TLengthUnit coarse, fine;
    };
    const Trip trips[] = {{kReferencePixel, kHimetric}, {Pixels(600), kHimetric},
                          {kReferencePixel, kTenthMm},  {kTenthMm, Pixels(1200)},
                          {kReportPixel, kTenthMm},     {kPoint, kTwip},
                          {kMillimetre, kMicrometre}};
    for (const Trip& t : trips)
        for (int v = -3000; v <= 3000; v += 7) {
            const int fine = ConvertRounded(v, t.coarse, t.fine);
            ASSERT_EQ(ConvertRounded(fine, t.fine, t.coarse), v)
                << v << " through " << fine << " of " << double(t.fine.per127mm);
        }
}

TEST(UnitsTest, HalvesRoundToEven) {
    const Length halves[] = {
        {"18 points: 63.5 tenths", 18, kPoint, kTenthMm, 64},
        {"54 points: 190.5 tenths", 54, kPoint, kTenthMm, 190},
        {"10 twips: half a point", 10, kTwip, kPoint, 0},
        {"30 twips: 1.5 points", 30, kTwip, kPoint, 2},
        {"50 twips: 2.5 points", 50, kTwip, kPoint, 2},
        {"-30 twips", -30, kTwip, kPoint, -2},
        {"5 micrometres: half a hundredth", 5, kMicrometre, kHimetric, 0},
        {"15 micrometres", 15, kMicrometre, kHimetric, 2},
    };
    for (const Length& h : halves)
        EXPECT_EQ(ConvertRounded(h.value, h.from, h.to), h.expected) << h.what;
}

TEST(UnitsTest, NoResolutionGivesNothing) {
    EXPECT_EQ(Convert(100, Pixels(0), kTenthMm), 0);
    EXPECT_EQ(Convert(100, Pixels(96, 0), kTenthMm), 0);
    EXPECT_EQ(Convert(100, kTenthMm, Pixels(0)), 0);
}

} // namespace
