#pragma once
// Types the report engine's modules share: paper sizes and paper sources with their
// device-mode codes, page orientation, the engine's error and its resource texts.

#include "framework/core/SysUtils.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <QString>
#include <cstdint>

// The enumerations that layouts name (published properties), registered with Qt's
// meta-object data so the layout reader knows their values.
class TRpEnums {
    Q_GADGET
public:
    enum class TRpPaperSize : uint8_t {
        Default,
        Letter,
        LetterSmall,
        Tabloid,
        Ledger,
        Legal,
        Statement,
        Executive,
        A3,
        A4,
        A4Small,
        A5,
        B4,
        B5,
        Folio,
        Quarto,
        rp10X14,
        rp11X17,
        Note,
        Env9,
        Env10,
        Env11,
        Env12,
        Env14,
        CSheet,
        DSheet,
        ESheet,
        Custom
    };
    Q_ENUM(TRpPaperSize)

    enum class TRpBin : uint8_t {
        First,
        Upper,
        Lower,
        Middle,
        Manual,
        Envelope,
        EnvManual,
        Auto,
        Tractor,
        SmallFormat,
        LargeFormat,
        LargeCapacity,
        Cassette,
        Last
    };
    Q_ENUM(TRpBin)

    enum TPrinterOrientation : uint8_t { poPortrait, poLandscape };
    Q_ENUM(TPrinterOrientation)
};

using TRpPaperSize = TRpEnums::TRpPaperSize;
using TRpBin = TRpEnums::TRpBin;
using TPrinterOrientation = TRpEnums::TPrinterOrientation;
inline constexpr TPrinterOrientation poPortrait = TRpEnums::poPortrait;
inline constexpr TPrinterOrientation poLandscape = TRpEnums::poLandscape;

// ---- Paper sizes -----------------------------------------------------------------------

inline constexpr int kPaperSizeCount = 28;
// Paper sizes a printer can offer: Letter to Custom.
inline constexpr int kSupportedPaperCount = 27;

struct TRpPaperInfo {
    int code;           // device-mode paper code
    long double width;  // millimetres, portrait; 0 for Default and Custom
    long double length; // millimetres, portrait; 0 for Default and Custom
};

const TRpPaperInfo& PaperInfo(TRpPaperSize size);
// The display name from the engine's string table.
QString PaperSizeName(TRpPaperSize size);
// Portrait width and length in 0.1 mm: the millimetres times 10, rounded (halves to even).
int PaperWidth10(TRpPaperSize size);
int PaperLength10(TRpPaperSize size);
// The paper size whose device-mode code this is; Default when none is.
TRpPaperSize PaperSizeFromCode(int code);
inline int Ordinal(TRpPaperSize size) {
    return static_cast<int>(size);
}

// ---- Paper sources ---------------------------------------------------------------------

inline constexpr int kBinCount = 14;
int BinCode(TRpBin bin);
// The first paper source with this device-mode code; First when none has it.
TRpBin BinFromCode(int code);

// ---- Errors and texts ------------------------------------------------------------------

// Numbers of the engine's texts in the string table.
namespace RpRes {
inline constexpr int SPaperSizeFirst = 61000; // + ordinal of the paper size
inline constexpr int SReportPrinterNotReady = 63000;
inline constexpr int SIllegalNewPage = 63001;
inline constexpr int SNoPreviewWindow = 63002;
inline constexpr int SNoPrinterInstalled = 63003;
inline constexpr int SPageStoreDamaged = 63004;  // %1: offset
inline constexpr int SCompressedPageBad = 63005; // %1: page
inline constexpr int SNotAReportFile = 63006;
inline constexpr int SPageStoreFull = 63007;
inline constexpr int STempFileFailed = 63008; // %1: directory
inline constexpr int SCodeEndsEarly = 63009;
inline constexpr int SNotEngineThread = 63010;
// Report files
inline constexpr int SFileShorterThanHeader = 63100; // %1: length
inline constexpr int SPageCountWrong = 63101;        // %1: header's count, %2: pages found
inline constexpr int SRecordNumberWrong = 63102;     // %1: page, %2: offset, %3: number
inline constexpr int SLinkOutsideFile = 63103;       // %1: offset of the link
inline constexpr int SLinkNotForward = 63104;        // %1: offset of the link
inline constexpr int SBackLinkWrong = 63105;         // %1: offset of the link
inline constexpr int SRecordCut = 63106;             // %1: page, %2: offset
inline constexpr int SBytesAfterLastPage = 63107;    // %1: count
inline constexpr int SNotAMetafile = 63108;          // %1: page
inline constexpr int SMetafileLengthWrong = 63109;   // %1: page, %2: stated, %3: held
inline constexpr int SCompressedLengthBad = 63110;   // %1: page, %2: length
inline constexpr int SCompressedEndsEarly = 63111;   // %1: page, %2: length
inline constexpr int SCompressedGoesOn = 63112;      // %1: page, %2: length
inline constexpr int SNothingToSave = 63113;
} // namespace RpRes

// The report engine's error: its message is a text of the string table, with %1, %2...
// filled from the arguments.
class ERpError : public Exception {
public:
    explicit ERpError(const QString& message) : Exception(message) {}
    explicit ERpError(int resourceId);
    ERpError(int resourceId, const QString& arg1);
    ERpError(int resourceId, const QString& arg1, const QString& arg2);
};

// The engine runs on the program's one thread (the one that made the application object):
// the preview reads pages while a pass appends them only through the message loop, one
// call at a time, so nothing of it takes a lock. A call from another thread raises
// ERpError in every build instead of racing the pass.
inline void RpAssertEngineThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) throw ERpError(RpRes::SNotEngineThread);
}
