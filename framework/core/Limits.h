#pragma once
// Every limit this program sets against hostile input, in one place. Files describe sizes
// and counts before their data; a claim beyond one of these limits is refused (or, for a
// single metafile record, passed by) before anything of the claimed size is allocated or
// drawn. Each limit names what happens when it is passed. The values keep every sound file
// this program writes or meets far inside them.

#include <cstdint>

// ---- Pictures ------------------------------------------------------------------------

// Pixels of one decoded picture: a BMP file, an image of an icon, a bitmap record of a
// metafile, the output of a JPEG picture, a bitmap sized in code. An A4 page at 1200 dots
// per inch (9921 x 14031, 139 million pixels) fits; at 32 bits per pixel the largest
// picture takes 640 MiB. Passed: BMP files "Bitmap image is not valid", icons "Icon image
// is not valid", JPEG pictures EJPEG with JERR_IMAGE_TOO_BIG, TBitmap::SetSize "Out of
// system resources", metafile records are passed by ("bitmap of W x H pixels is too
// large"), rpptool's rendered pages "W x H pixels is too large a picture".
inline constexpr int64_t kMaxBitmapPixels = 160LL * 1024 * 1024;

// Bytes of one picture file (a JPEG, a BMP, an icon, a metafile), looked at before it is
// opened: the largest BMP whose pixels pass kMaxBitmapPixels at 32 bits, with room for its
// headers and colour table. Passed: "Cannot open file NAME: larger than N MB".
inline constexpr int64_t kMaxPictureFileBytes = 4 * kMaxBitmapPixels + (1LL << 20);

// Working memory of the JPEG decoder beside the bitmap it decodes into: the whole-image
// coefficient buffers of progressive and multi-scan files. Passed: EJPEG with
// JERR_NO_BACKING_STORE.
inline constexpr int64_t kMaxJpegDecoderBytes = 1LL << 30;

// Scans of one JPEG file; each costs a pass over the whole image. Passed: EJPEG with
// JERR_BAD_SCAN_SCRIPT.
inline constexpr int kMaxJpegScans = 1000;

// Pixels of a page drawn into a picture by the report-file tool, and the longest side of
// that picture: the time to draw and encode it grows with its pixels (an A4 page at 800
// dots per inch, 6614 x 9354, fits), and picture files refuse very long sides. Passed:
// "W x H pixels is too large a picture".
inline constexpr int64_t kMaxRenderPixels = 1LL << 26;
inline constexpr int kMaxRenderSide = 1 << 16;

// Bytes of bitmap rows that a recording writes into one of its bitmap records on a single
// thread; larger blocks of rows (a photograph of some megapixels) are written half on a
// second thread. Below it, starting a thread costs more than it saves.
inline constexpr int64_t kMinSplitBitmapRowBytes = 4LL * 1024 * 1024;

// ---- Metafiles -----------------------------------------------------------------------

// Bytes of one metafile, read or recorded. Passed: "Metafile is not valid" ("byte count N
// is too large"); a recording stops taking records.
inline constexpr int64_t kMaxMetafileBytes = 512LL * 1024 * 1024;

// Records played from one metafile; the records after them are not drawn.
inline constexpr int64_t kMaxMetafileRecords = 1 << 20;

// Pixels of all bitmap records decoded while one metafile plays (each record alone is
// held to kMaxBitmapPixels); later bitmap records are passed by.
inline constexpr int64_t kMaxMetafileBitmapPixels = 2 * kMaxBitmapPixels;

// Pixels of a run-length coded bitmap of a metafile (a few bytes of runs may claim a
// hundred megapixels) or of a pattern brush that are decoded whole wherever it is drawn.
// A larger one is decoded only where it reaches the picture's area on the device, at
// twice the device pixels it covers there; a larger pattern only as far as the area
// reaches from the pattern's origin. Each is counted against kMaxMetafileBitmapPixels at
// the size it is decoded to.
inline constexpr int64_t kMaxMetafileWholeBitmapPixels = 1LL << 22;

// Highest object-table index of a metafile; objects made at higher indexes are passed by.
inline constexpr uint32_t kMaxMetafileObjects = 0xFFFF;

// Device pixels that the shapes of one metafile fill while it plays, each counted by its
// bounds over the destination, and its edges times the rows it spans: some 30 fillings of
// a whole A4 page at 1200 dots per inch. The records after are not drawn.
inline constexpr double kMaxMetafileFillPixels = 4e9;

// What lines drawn with wide pens cost while one metafile plays: their device length times
// the pen's device width, summed (long outlines of crossing segments rasterise slowly). The
// records after are not drawn.
inline constexpr double kMaxMetafileStrokePixels = 1e8;

// Rectangles of one clip region; a clip change that would cut it into more is passed by.
inline constexpr int kMaxClipRegionRectangles = 1024;

// Rectangles of all the clip regions one metafile sets while it plays (some engines write
// the whole region at every change); the records after are not drawn.
inline constexpr int64_t kMaxMetafileClipRectangles = 1 << 18;

// Drawing states saved and not yet restored; further saves are not kept.
inline constexpr int kMaxSavedStates = 4096;

// Size in device pixels of the glyphs of a font that text is drawn with, the larger of
// their height and their width (the em widened by the font's stretch), under every
// transform on the way to the device. Text in a larger font is passed by.
inline constexpr double kMaxFontPixels = 1e5;

// Glyphs larger than this on the device (as kMaxFontPixels measures them) are drawn as
// filled outlines instead of through Qt's glyph cache, which renders each glyph whole into
// an image: a huge or widely stretched font there asks for gigabytes, or for an image wider
// than the cache can describe.
inline constexpr double kMaxRasterTextPixels = 512;

// Characters that the font's own face lacks are drawn through the system's fallback
// fonts, which for some scripts costs time and memory that grow with the square of the
// size: the square device pixels of such characters (the square of the larger of their
// height and width, summed over them) that one metafile playing draws. Text beyond is
// passed by.
inline constexpr double kMaxFallbackTextArea = 1e8;

// UTF-16 units of one text record that are drawn; the rest is cut off.
inline constexpr int64_t kMaxTextLength = 1 << 14;

// Largest advance of one character, in logical units; larger advances are clamped, so
// that their sums stay far inside an int.
inline constexpr int32_t kMaxTextAdvance = 1 << 16;

// Largest device coordinate; coordinates beyond are clamped before they become integers.
inline constexpr double kMaxDeviceCoordinate = 1 << 26;

// ---- Report files ----------------------------------------------------------------------

// Bytes of one report file: its records link by 32-bit offsets, so no report file that
// can be written is larger. Passed: "Cannot open file NAME: larger than N bytes", before
// it is opened.
inline constexpr int64_t kMaxReportFileBytes = 0x7FFFFFFF;

// ---- Layouts -------------------------------------------------------------------------

// Objects nested inside one another in a stored layout. Passed: the reader error "Objects
// nested deeper than 100 levels" naming the file, line and object.
inline constexpr int kMaxLayoutNesting = 100;

// ---- Preview ---------------------------------------------------------------------------

// Bytes of rendered pages the preview keeps for repainting; the least recently shown go
// first beyond it (the page on show always stays).
inline constexpr int64_t kMaxPreviewCacheBytes = 64LL << 20;

// Pixels of a page shown whole as one rendered picture; larger (a high zoom) it is
// rendered in tiles as they come into view.
inline constexpr int64_t kMaxPreviewWholePagePixels = 4LL << 20;

// Bytes of JPEG pictures kept decoded at the scale they were last shown, so that a page
// painted again or tile by tile decodes each picture once; the least recently drawn go
// first beyond it.
inline constexpr int64_t kMaxJpegDecodeCacheBytes = 48LL << 20;

// ---- Print server ----------------------------------------------------------------------

// Milliseconds one exchange with the print server may take, from connecting to the last
// answer (listing the queues, reading a queue's description, asking whether it takes
// jobs, handing a job over). Passed: EPrinter "The print server S does not answer" (no
// window and no command waits longer than this on it).
inline constexpr int kMaxPrintServerWaitMs = 5000;

// ---- Fonts ---------------------------------------------------------------------------

// Largest font size in points that the font dialog takes and a design file may name.
// Passed: the dialog says "Size must be a number."; a design file is refused.
inline constexpr int kMaxFontPoints = 1638;

// Text cells kept between runs (TextCellStore.h), and the bytes of the file that keeps
// them. Passed: a run keeps only the cells it measured itself; a larger file is not read.
inline constexpr int kMaxStoredTextCells = 4096;
inline constexpr int64_t kMaxTextCellStoreBytes = 1LL << 20;

// ---- Cover designs -------------------------------------------------------------------

// Bytes of one design file; a design is a few kilobytes even with long track lists.
// Passed: the design is refused before it is opened ("larger than 10 MB").
inline constexpr int64_t kMaxDesignFileBytes = 10LL * 1024 * 1024;

// Copies of one printed sheet or report, wherever they are asked for: the print dialog's
// own copies field stops at 999, and the command line, rpptool and a printer's device mode
// take what the dialog can ask. Passed: wrong usage on a command line, EPrinter for a
// device mode.
inline constexpr int kMaxPrintCopies = 999;

// Millimetres a printer's output may be shifted each way (the offset kept for each queue).
// A kept value beyond it (a settings file edited by hand) is taken as this bound.
inline constexpr double kMaxPrinterOffsetMm = 50.0;

// ---- Track lists -----------------------------------------------------------------------

// Bytes of a text file or CUE sheet read as a track list: a thousand tracks with long
// titles take a few hundred kilobytes. Passed: "NAME: larger than 1 MB", before it is read.
inline constexpr int64_t kMaxTrackListFileBytes = 1LL << 20;

// Tracks of one track list, and entries of a folder looked at for audio files. Passed:
// "NAME: more than 999 tracks", "NAME: more than 4096 files".
inline constexpr int kMaxTracks = 999;
inline constexpr int kMaxTrackFolderEntries = 4096;

// Characters of one title or performer kept; the rest is cut off.
inline constexpr int kMaxTrackTextChars = 500;
