// The engine's shared types: the paper table with its codes, sizes and names, paper
// sources, the engine's error texts and its message numbers.

#include "report/pagestore/RpTypes.h"
#include "framework/core/Resources.h"
#include "support/TestSupport.h"

#include <QMetaEnum>

namespace {

struct PaperRow {
    TRpPaperSize size;
    int code;
    int width10, length10; // 0.1 mm
    const char* name;
};

// Millimetres times 10: 215.9 -> 2159, 98.43 -> 984.3 -> 984, 104.8 -> 1048.
const PaperRow kPapers[] = {
    {TRpPaperSize::Default, 0, 0, 0, "Default size"},
    {TRpPaperSize::Letter, 1, 2159, 2794, "Letter 8 1/2 x 11 in"},
    {TRpPaperSize::LetterSmall, 2, 2159, 2794, "Letter Small 8 1/2 x 11 in"},
    {TRpPaperSize::Tabloid, 3, 2794, 4318, "Tabloid 11 x 17 in"},
    {TRpPaperSize::Ledger, 4, 4318, 2794, "Ledger 17 x 11 in"},
    {TRpPaperSize::Legal, 5, 2159, 3556, "Legal 8 1/2 x 14 in"},
    {TRpPaperSize::Statement, 6, 1397, 2159, "Statement 5 1/2 x 8 1/2 in"},
    {TRpPaperSize::Executive, 7, 1905, 2540, "Executive7 1/2 x 10 in"},
    {TRpPaperSize::A3, 8, 2970, 4200, "A3 297 x 420 mm"},
    {TRpPaperSize::A4, 9, 2100, 2970, "A4 210 x 297 mm"},
    {TRpPaperSize::A4Small, 10, 2100, 2970, "A4 Small 210 x 297 mm"},
    {TRpPaperSize::A5, 11, 1480, 2100, "A5 148 x 210 mm"},
    {TRpPaperSize::B4, 12, 2500, 3540, "B4 250 x 354 mm"},
    {TRpPaperSize::B5, 13, 1820, 2570, "B5 182 x 257 mm"},
    {TRpPaperSize::Folio, 14, 2159, 3302, "Folio 8 1/2 x 13 in"},
    {TRpPaperSize::Quarto, 15, 2150, 2750, "Quarto 215 x 275 mm"},
    {TRpPaperSize::rp10X14, 16, 2540, 3556, "10x14 in"},
    {TRpPaperSize::rp11X17, 17, 2794, 4318, "11x17 in"},
    {TRpPaperSize::Note, 18, 2159, 2790, "Note 8 1/2 x 11 in"},
    {TRpPaperSize::Env9, 19, 984, 2254, "Envelope #9 3 7/8 x 8 7/8"},
    {TRpPaperSize::Env10, 20, 1048, 2413, "Envelope #10 4 1/8 x 9 1/2"},
    {TRpPaperSize::Env11, 21, 1143, 2635, "Envelope #11 4 1/2 x 10 3/8"},
    {TRpPaperSize::Env12, 22, 1016, 2794, "Envelope #12 4 \\276 x 11"},
    {TRpPaperSize::Env14, 23, 1270, 2921, "Envelope #14 4 \\276 x 11"},
    {TRpPaperSize::CSheet, 24, 1000, 1000, "C size sheet"},
    {TRpPaperSize::DSheet, 25, 1000, 1000, "D size sheet"},
    {TRpPaperSize::ESheet, 26, 1000, 1000, "E size sheet"},
    {TRpPaperSize::Custom, 256, 0, 0, "Custom Size"},
};

TEST(RpTypes, PaperTable) {
    ASSERT_EQ(std::size(kPapers), size_t(kPaperSizeCount));
    for (const PaperRow& row : kPapers) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(PaperInfo(row.size).code, row.code);
        EXPECT_EQ(PaperWidth10(row.size), row.width10);
        EXPECT_EQ(PaperLength10(row.size), row.length10);
        EXPECT_EQ(PaperSizeName(row.size), QString::fromLatin1(row.name));
        EXPECT_EQ(PaperSizeFromCode(row.code), row.size);
    }
    EXPECT_EQ(PaperSizeFromCode(27), TRpPaperSize::Default);
    EXPECT_EQ(PaperSizeFromCode(-1), TRpPaperSize::Default);
    // Layouts name the values as they stand.
    const QMetaEnum e = QMetaEnum::fromType<TRpPaperSize>();
    EXPECT_EQ(e.keyToValue("rp10X14"), Ordinal(TRpPaperSize::rp10X14));
    EXPECT_EQ(e.keyToValue("Custom"), 27);
    EXPECT_EQ(QMetaEnum::fromType<TPrinterOrientation>().keyToValue("poLandscape"), 1);
}

TEST(RpTypes, PaperSourceCodes) {
    const std::pair<TRpBin, int> codes[] = {
        {TRpBin::First, 1},       {TRpBin::Upper, 1},        {TRpBin::Lower, 2},
        {TRpBin::Middle, 3},      {TRpBin::Manual, 4},       {TRpBin::Envelope, 5},
        {TRpBin::EnvManual, 6},   {TRpBin::Auto, 7},         {TRpBin::Tractor, 8},
        {TRpBin::SmallFormat, 9}, {TRpBin::LargeFormat, 10}, {TRpBin::LargeCapacity, 11},
        {TRpBin::Cassette, 14},   {TRpBin::Last, 14},
    };
    for (auto [bin, code] : codes)
        EXPECT_EQ(BinCode(bin), code);
    // A code read back names the first source that has it; unknown codes read as First.
    EXPECT_EQ(BinFromCode(1), TRpBin::First);
    EXPECT_EQ(BinFromCode(14), TRpBin::Cassette);
    EXPECT_EQ(BinFromCode(7), TRpBin::Auto);
    EXPECT_EQ(BinFromCode(12), TRpBin::First);
}

TEST(RpTypes, Errors) {
    EXPECT_EQ(ERpError(RpRes::SReportPrinterNotReady).Message(),
              QStringLiteral("Report printer not ready"));
    EXPECT_EQ(ERpError(RpRes::SIllegalNewPage).Message(),
              QStringLiteral("Illegal call to NewPage"));
    EXPECT_EQ(ERpError(RpRes::SCompressedPageBad, QStringLiteral("4")).Message(),
              QStringLiteral("The compressed page 4 does not match its record"));
    // Existing texts are still there.
    EXPECT_EQ(LoadStr(62000), QStringLiteral("JPEG Image File"));
    const Exception& base = ERpError(QStringLiteral("x"));
    EXPECT_EQ(base.Message(), QStringLiteral("x"));
}

} // namespace
