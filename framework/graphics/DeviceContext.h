#pragma once
// The device context: the drawing state and operations that every output (widget, image,
// printer, recorded metafile) offers. TCanvas draws only through this interface, so a
// page printed on paper and a page kept as a metafile are drawn by the same code.

#include "framework/graphics/Graphics.h"

#include <QByteArray>
#include <QFontMetricsF>
#include <QPainter>
#include <QTransform>
#include <optional>
#include <vector>

class QPageLayout;

// Background modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Text alignment flags.
inline constexpr unsigned TA_NOUPDATECP = 0, TA_UPDATECP = 1;
inline constexpr unsigned TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6;
inline constexpr unsigned TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24;
inline constexpr unsigned TA_RTLREADING = 256;

// ExtTextOut options.
inline constexpr unsigned ETO_OPAQUE = 2, ETO_CLIPPED = 4, ETO_RTLREADING = 0x80;

// DrawText formats.
inline constexpr unsigned DT_TOP = 0, DT_LEFT = 0, DT_CENTER = 1, DT_RIGHT = 2, DT_VCENTER = 4,
                          DT_BOTTOM = 8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20,
                          DT_EXPANDTABS = 0x40, DT_TABSTOP = 0x80, DT_NOCLIP = 0x100,
                          DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800,
                          DT_END_ELLIPSIS = 0x8000, DT_RTLREADING = 0x20000;

// Stretch modes.
inline constexpr int BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4;
inline constexpr uint32_t SRCCOPY = 0x00CC0020;

// Device capability indexes.
inline constexpr int TECHNOLOGY = 2, HORZSIZE = 4, VERTSIZE = 6, HORZRES = 8, VERTRES = 10,
                     BITSPIXEL = 12, PLANES = 14, NUMCOLORS = 24, LOGPIXELSX = 88, LOGPIXELSY = 90,
                     PHYSICALWIDTH = 110, PHYSICALHEIGHT = 111, PHYSICALOFFSETX = 112,
                     PHYSICALOFFSETY = 113;
inline constexpr int DT_RASDISPLAY = 1, DT_RASPRINTER = 2, DT_METAFILE = 5;

struct TPenData {
    TPenStyle style = psSolid;
    int width = 0; // 0: one device pixel
    TColor color = clBlack;
    bool operator==(const TPenData&) const = default;
};

struct TBrushData {
    TBrushStyle style = bsSolid;
    TColor color = clWhite;
    bool operator==(const TBrushData&) const = default;
};

struct TTextMetric {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
};

// A device-independent bitmap as StretchDIBits takes it: the info header with its colour
// table or masks, and the pixel rows.
struct TJpegPicture;

struct TDib {
    QByteArray info;
    QByteArray bits;
};

// Everything SaveDC keeps.
struct TDCState {
    LOGFONT logFont;
    QFont font;
    TColor textColor = clBlack;
    TColor bkColor = clWhite;
    int bkMode = OPAQUE;
    unsigned textAlign = TA_LEFT | TA_TOP;
    int stretchMode = BLACKONWHITE;
    TPenData pen;
    TBrushData brush;
    QPoint position;
    std::optional<QRect> clip; // device pixels; none: unclipped
};

class TDeviceContext {
public:
    virtual ~TDeviceContext();

    // ---- state (recorded by metafile contexts through the virtual setters)
    virtual HFONT SelectFont(const HFONT& font);
    HFONT CurrentFont() const { return selectedFont_; }
    virtual void SetTextColor(TColor c) { state_.textColor = c; }
    virtual void SetBkColor(TColor c) { state_.bkColor = c; }
    virtual void SetBkMode(int mode) {
        if (mode == TRANSPARENT || mode == OPAQUE) state_.bkMode = mode;
    }
    virtual void SetTextAlign(unsigned align) { state_.textAlign = align; }
    virtual void SetStretchBltMode(int mode) { state_.stretchMode = mode; }
    virtual void SelectPen(const TPenData& pen) { state_.pen = pen; }
    virtual void SelectBrush(const TBrushData& brush) { state_.brush = brush; }
    TColor TextColor() const { return state_.textColor; }
    TColor BkColor() const { return state_.bkColor; }
    int BkMode() const { return state_.bkMode; }
    unsigned TextAlign() const { return state_.textAlign; }
    int StretchBltMode() const { return state_.stretchMode; }
    const TPenData& Pen() const { return state_.pen; }
    const TBrushData& Brush() const { return state_.brush; }
    const LOGFONT& LogFont() const { return state_.logFont; }
    const QFont& Font() const { return state_.font; }
    const TDCState& State() const { return state_; }

    virtual int SaveDC();
    // Restores the state saved by SaveDC number n (negative: relative to the latest).
    virtual bool RestoreDC(int n);

    // ---- drawing
    virtual void MoveTo(int x, int y) { state_.position = {x, y}; }
    virtual void LineTo(int x, int y) = 0;
    // Outline with the pen, fill with the brush; right and bottom are exclusive.
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    // Fills r (right and bottom exclusive) with a brush, leaving the pen unused.
    virtual void FillRect(const QRect& r, const TBrushData& brush) = 0;
    // Draws text at (x, y) placed by the text alignment and escapement of the selected
    // font; dx, when given, holds one advance per UTF-16 unit.
    virtual void ExtTextOut(int x, int y, unsigned options, const QRect* rect, const QString& text,
                            const int* dx = nullptr) = 0;
    void TextOut(int x, int y, const QString& text) { ExtTextOut(x, y, 0, nullptr, text); }
    // Copies the source rectangle of a device-independent bitmap into the destination
    // rectangle, stretching as needed. Returns false for a bitmap it cannot read.
    virtual bool StretchDIBits(const QRect& dest, const QRect& src, const TDib& dib,
                               uint32_t rop = SRCCOPY) = 0;
    // The same for an image whose rows a context can take as they are (see
    // DibRowsAsStored), copied once; false where it cannot, and the caller goes through
    // StretchDIBits.
    virtual bool StretchStoredRows(const QRect& /*dest*/, const QRect& /*src*/,
                                   const QImage& /*image*/, int /*bitCount*/) {
        return false;
    }

    // ---- clipping (device pixels after the call; intersections accumulate)
    virtual void IntersectClipRect(const QRect& r);
    virtual void RemoveClip() { state_.clip.reset(); }
    std::optional<QRect> ClipRect() const { return state_.clip; }

    // ---- measuring with the selected font
    virtual QSize GetTextExtentPoint(const QString& text);
    virtual TTextMetric GetTextMetrics();
    // The device's resolution (LOGPIXELSX, LOGPIXELSY) is the one every size drawn on it
    // is measured in.
    virtual int GetDeviceCaps(int index) const = 0;

    // ---- colours
    // The plain colour a system colour stands for on this device: the desktop's on the
    // screen, the classic light table on paper and in recorded pages.
    virtual TColor ResolveColor(TColor c) const { return PaperColorToRGB(c); }

    // ---- how pictures reach this context (every context takes device-independent
    // bitmaps through StretchDIBits; these are the better ways some contexts offer)
    // A painter that pictures may draw on directly, in this context's coordinates and
    // clip; null when there is none.
    virtual QPainter* DirectPainter() const { return nullptr; }
    // Draws the source rectangle of an image stretched into dest (negative extents
    // mirror), by the stretch mode; false when the context takes only bitmaps.
    virtual bool DrawImage(const QRect& dest, const QImage& image, const QRect& src);
    // Keeps an enhanced metafile stretched into dest as drawing of its own; false when
    // the context cannot.
    virtual bool EmbedMetafile(const QByteArray& emf, const QRect& dest);
    // Draws a JPEG picture stretched into dest from its compressed bytes: a recording and
    // a PDF file keep the bytes as they are, a printer takes the picture decoded at most at
    // its own resolution. False where the context takes only pixels (the screen, where
    // pictures keep their decoded bitmaps for the next paint): the caller decodes.
    virtual bool StretchJpeg(const QRect& /*dest*/, const TJpegPicture& /*jpeg*/) { return false; }

protected:
    TDCState state_;

private:
    HFONT selectedFont_;
    std::vector<TDCState> saved_;
};

// ---- Text geometry shared by every context that draws text ---------------------------

// Glyph placement of one text run: advances per UTF-16 unit in device pixels, rounded so
// that they add up to the rounded total, and the font's ascent and descent.
struct TTextRun {
    std::vector<int> advances;
    int width = 0;
    int ascent = 0;
    int descent = 0;
};
TTextRun MeasureTextRun(const QFont& font, const QString& text);
// The run with the advances given (one per UTF-16 unit), measured only when there are
// none; the font gives ascent and descent.
TTextRun TextRunOf(const QFont& font, const QString& text, const int* advances);
TTextMetric TextMetricsOf(const QFont& font);
// Metrics of a font taken at a size the font machinery handles well: what they give,
// times scale, is the font's own. Outlines are unhinted, so their metrics grow linearly,
// and a face is never loaded at an absurd size.
QFontMetricsF MetricsOf(const QFont& font, qreal& scale);

// Where a run lies from its reference point by the text alignment flags, in the run's own
// coordinates (x along the baseline, y across it towards the glyphs' feet, the reference
// point at the origin): the run starts at x = start, its baseline lies at y = baseline.
struct TTextPlacement {
    qreal start = 0;
    qreal baseline = 0;
    // The cell of a run: its width along the baseline, ascent above it, descent below.
    QRectF Cell(const TTextRun& run) const {
        return QRectF(start, baseline - run.ascent, run.width, run.ascent + run.descent);
    }
};
TTextPlacement PlaceTextRun(unsigned textAlign, const TTextRun& run);
// How far a run moves the current position when the text alignment asks for it to be
// updated: its width along the baseline turned by the escapement (tenths of a degree,
// counter-clockwise), back for right-aligned runs, not at all for centred ones.
QPointF CurrentPositionAdvance(unsigned textAlign, int escapement, qreal width);

// Draws a measured run on a painter with the system's placement rules: reference point p,
// text alignment flags, escapement in tenths of a degree counter-clockwise, optional
// opaque background colour. Glyphs far larger than any output needs are drawn as
// outlines, so a run costs bounded memory and time at any size.
void PaintTextRun(QPainter& painter, const QFont& font, QPointF p, unsigned textAlign,
                  int escapement, const QString& text, const TTextRun& run, const QColor& color,
                  std::optional<QColor> background);

// ---- The device context over a QPainter ----------------------------------------------

// The sheet a printer draws on, in its device pixels: the whole paper, and the part the
// printer can reach, whose top-left corner is the painter's origin.
struct TPageGeometry {
    int pixelsPerInchX = 0;
    int pixelsPerInchY = 0;
    QSize paper;
    QRect printable; // in paper coordinates
    bool operator==(const TPageGeometry&) const = default;
};
// The geometry of a page layout at a resolution; full-page layouts reach the whole sheet.
TPageGeometry PageGeometryOf(const QPageLayout& layout, int pixelsPerInchX, int pixelsPerInchY);

class TPainterDC : public TDeviceContext {
public:
    // Draws on painter, which must outlive this context. technology: DT_RASDISPLAY for
    // the screen and images drawn like it (the screen's resolution and colours), or
    // DT_RASPRINTER for paper (the device's resolution, paper colours); a paged device
    // (a printer, a PDF writer) gives its page geometry itself.
    explicit TPainterDC(QPainter* painter, int technology = DT_RASDISPLAY);
    ~TPainterDC() override;

    QPainter* Painter() const { return painter_; }

    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void FillRect(const QRect& r, const TBrushData& brush) override;
    void ExtTextOut(int x, int y, unsigned options, const QRect* rect, const QString& text,
                    const int* dx) override;
    bool StretchDIBits(const QRect& dest, const QRect& src, const TDib& dib, uint32_t rop) override;
    void IntersectClipRect(const QRect& r) override;
    void RemoveClip() override;
    bool RestoreDC(int n) override;
    int GetDeviceCaps(int index) const override;
    TColor ResolveColor(TColor c) const override;
    QPainter* DirectPainter() const override { return painter_; }
    bool DrawImage(const QRect& dest, const QImage& image, const QRect& src) override;
    bool StretchJpeg(const QRect& dest, const TJpegPicture& jpeg) override;

    // The page this context draws on, for a device that cannot say (an image standing in
    // for a printer's page): resolution, paper and printable area.
    void SetPageGeometry(const TPageGeometry& page);
    const std::optional<TPageGeometry>& PageGeometry() const { return page_; }
    // Overrides for single capabilities.
    void SetDeviceCaps(int index, int value);

private:
    void ApplyClip();
    int DeviceCaps(int index) const;
    QColor DeviceColor(TColor c) const { return ToQColor(ResolveColor(c)); }
    QPainter* painter_;
    int technology_;
    std::optional<TPageGeometry> page_;
    std::vector<std::pair<int, int>> capsOverride_;
};

// Decodes a device-independent bitmap (header, colour table or masks, rows) into an
// image; a null image when the bitmap is malformed.
QImage DibToImage(const TDib& dib);
// The device-independent copy of an image: 24 bits per pixel, or 8 bits with its palette
// for indexed images.
TDib ImageToDib(const QImage& image);
