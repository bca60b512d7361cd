#include "report/pagestore/RpTypes.h"

#include "framework/core/Resources.h"
#include "framework/graphics/Units.h"

#include <array>

namespace {

// Note is 279.0 long and the three sheets are 100 x 100: the values stand as devices
// have always reported them.
constexpr std::array<TRpPaperInfo, kPaperSizeCount> kPapers = {{
    {0, 0.0L, 0.0L},      // Default
    {1, 215.9L, 279.4L},  // Letter
    {2, 215.9L, 279.4L},  // LetterSmall
    {3, 279.4L, 431.8L},  // Tabloid
    {4, 431.8L, 279.4L},  // Ledger
    {5, 215.9L, 355.6L},  // Legal
    {6, 139.7L, 215.9L},  // Statement
    {7, 190.5L, 254.0L},  // Executive
    {8, 297.0L, 420.0L},  // A3
    {9, 210.0L, 297.0L},  // A4
    {10, 210.0L, 297.0L}, // A4Small
    {11, 148.0L, 210.0L}, // A5
    {12, 250.0L, 354.0L}, // B4
    {13, 182.0L, 257.0L}, // B5
    {14, 215.9L, 330.2L}, // Folio
    {15, 215.0L, 275.0L}, // Quarto
    {16, 254.0L, 355.6L}, // rp10X14
    {17, 279.4L, 431.8L}, // rp11X17
    {18, 215.9L, 279.0L}, // Note
    {19, 98.43L, 225.4L}, // Env9
    {20, 104.8L, 241.3L}, // Env10
    {21, 114.3L, 263.5L}, // Env11
    {22, 101.6L, 279.4L}, // Env12
    {23, 127.0L, 292.1L}, // Env14
    {24, 100.0L, 100.0L}, // CSheet
    {25, 100.0L, 100.0L}, // DSheet
    {26, 100.0L, 100.0L}, // ESheet
    {256, 0.0L, 0.0L},    // Custom
}};

// First and Upper share code 1, Cassette and Last code 14: reading a code takes the
// first of them.
constexpr std::array<int, kBinCount> kBinCodes = {1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 14};

QString Text(int id) {
    return LoadStr(id);
}

} // namespace

const TRpPaperInfo& PaperInfo(TRpPaperSize size) {
    return kPapers.at(static_cast<size_t>(size));
}

QString PaperSizeName(TRpPaperSize size) {
    return Text(RpRes::SPaperSizeFirst + Ordinal(size));
}

int PaperWidth10(TRpPaperSize size) {
    return Units::ConvertRounded(PaperInfo(size).width, Units::kMillimetre, Units::kTenthMm);
}

int PaperLength10(TRpPaperSize size) {
    return Units::ConvertRounded(PaperInfo(size).length, Units::kMillimetre, Units::kTenthMm);
}

TRpPaperSize PaperSizeFromCode(int code) {
    for (size_t i = 0; i < kPapers.size(); ++i)
        if (kPapers[i].code == code) return static_cast<TRpPaperSize>(i);
    return TRpPaperSize::Default;
}

int BinCode(TRpBin bin) {
    return kBinCodes.at(static_cast<size_t>(bin));
}

TRpBin BinFromCode(int code) {
    for (size_t i = 0; i < kBinCodes.size(); ++i)
        if (kBinCodes[i] == code) return static_cast<TRpBin>(i);
    return TRpBin::First;
}

ERpError::ERpError(int resourceId) : Exception(Text(resourceId)) {}

ERpError::ERpError(int resourceId, const QString& arg1) : Exception(Text(resourceId).arg(arg1)) {}

ERpError::ERpError(int resourceId, const QString& arg1, const QString& arg2)
    : Exception(Text(resourceId).arg(arg1, arg2)) {}
