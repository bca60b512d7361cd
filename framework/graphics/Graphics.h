#pragma once
// Colours, fonts, pens, brushes, the abstract picture and the canvas. A canvas draws
// through a device context (DeviceContext.h), so the same drawing code serves widgets,
// images, printers and recorded metafile pages.

#include "framework/core/Classes.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <array>
#include <cstdint>
#include <memory>

class QIODevice;
class TDeviceContext;
class TCanvas;

// ---- Colours -------------------------------------------------------------------------

// 0x00BBGGRR; values with the top bit set name a system colour by its index.
using TColor = int32_t;

inline constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
inline constexpr TColor SysColor(int index) {
    return clSystemColor | index;
}

inline constexpr TColor clScrollBar = SysColor(0);
inline constexpr TColor clBackground = SysColor(1);
inline constexpr TColor clActiveCaption = SysColor(2);
inline constexpr TColor clInactiveCaption = SysColor(3);
inline constexpr TColor clMenu = SysColor(4);
inline constexpr TColor clWindow = SysColor(5);
inline constexpr TColor clWindowFrame = SysColor(6);
inline constexpr TColor clMenuText = SysColor(7);
inline constexpr TColor clWindowText = SysColor(8);
inline constexpr TColor clCaptionText = SysColor(9);
inline constexpr TColor clActiveBorder = SysColor(10);
inline constexpr TColor clInactiveBorder = SysColor(11);
inline constexpr TColor clAppWorkSpace = SysColor(12);
inline constexpr TColor clHighlight = SysColor(13);
inline constexpr TColor clHighlightText = SysColor(14);
inline constexpr TColor clBtnFace = SysColor(15);
inline constexpr TColor clBtnShadow = SysColor(16);
inline constexpr TColor clGrayText = SysColor(17);
inline constexpr TColor clBtnText = SysColor(18);
inline constexpr TColor clInactiveCaptionText = SysColor(19);
inline constexpr TColor clBtnHighlight = SysColor(20);
inline constexpr TColor cl3DDkShadow = SysColor(21);
inline constexpr TColor cl3DLight = SysColor(22);
inline constexpr TColor clInfoText = SysColor(23);
inline constexpr TColor clInfoBk = SysColor(24);

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

inline constexpr TColor RGB(int r, int g, int b) {
    return (r & 255) | ((g & 255) << 8) | ((b & 255) << 16);
}
inline constexpr int GetRValue(TColor c) {
    return c & 255;
}
inline constexpr int GetGValue(TColor c) {
    return (c >> 8) & 255;
}
inline constexpr int GetBValue(TColor c) {
    return (c >> 16) & 255;
}

// A system colour resolved through the desktop's palette, as the screen shows it; plain
// colours unchanged.
TColor ColorToRGB(TColor c);
// A system colour as paper shows it: from the fixed classic light table (window text
// black, window white, button face silver), whatever the desktop's theme, so that a
// page looks the same on every machine; plain colours unchanged.
TColor PaperColorToRGB(TColor c);
QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);
// Colour names as layouts write them ("clRed", "clBtnFace"); false when unknown.
bool IdentToColor(const QString& ident, TColor& color);
QString ColorToIdent(TColor color);
// Makes the colour names known to the layout reader, so that `Color = clNavy` reads.
void RegisterColorIdents();

// ---- Fonts ---------------------------------------------------------------------------

// The 60-byte font record of the system's font interface, with its exact layout.
#pragma pack(push, 1)
struct LOGFONT {
    int32_t lfHeight = 0;
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;
    int32_t lfOrientation = 0;
    int32_t lfWeight = 0;
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = 0;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = 0;
    uint8_t lfPitchAndFamily = 0;
    char lfFaceName[32] = {};

    QString FaceName() const;
    void SetFaceName(const QString& name);
    bool operator==(const LOGFONT& o) const;
};
#pragma pack(pop)
static_assert(sizeof(LOGFONT) == 60);

inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_BOLD = 700;
inline constexpr uint8_t ANSI_CHARSET = 0;
inline constexpr uint8_t DEFAULT_CHARSET = 1;
inline constexpr uint8_t SYMBOL_CHARSET = 2;
inline constexpr uint8_t OUT_TT_ONLY_PRECIS = 7;

// A realised font: what CreateFontIndirect returns. The handle owns nothing but itself;
// a device context copies what it needs when the font is selected, so deleting a font
// that is still selected is harmless.
struct TFontObject {
    LOGFONT logFont;
    QFont qfont; // unturned, sized in device pixels of the reference device
};
using HFONT = std::shared_ptr<const TFontObject>;

HFONT CreateFontIndirect(const LOGFONT& lf);
inline void DeleteObject(HFONT& f) {
    f.reset();
}

// The Qt font for a font record: face substituted by its metric twin where the named face
// is not installed, em height in pixels, weight, slant, underline, strike-out, no kerning
// (advances add up exactly as measured). Escapement is not part of it.
QFont QFontFromLogFont(const LOGFONT& lf);
// Substitutions of missing faces by faces of similar width; installed once at start-up.
void InstallFontSubstitutes();
// The faces that layouts name whose stand-ins are installed, spelled as the layouts spell
// them ("Times New Roman" while only its metric twin is there).
QStringList StandInFaces();

enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
enum TFontPitch { fpDefault, fpVariable, fpFixed };

class TFont : public TPersistent {
    Q_OBJECT
public:
    enum StyleFlag {
        fsBold = ::fsBold,
        fsItalic = ::fsItalic,
        fsUnderline = ::fsUnderline,
        fsStrikeOut = ::fsStrikeOut
    };
    Q_DECLARE_FLAGS(TFontStyles, StyleFlag)
    Q_FLAG(TFontStyles)
    enum Pitch { fpDefault = ::fpDefault, fpVariable = ::fpVariable, fpFixed = ::fpFixed };
    Q_ENUM(Pitch)
private:
    Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(Pitch Pitch READ GetPitch WRITE SetPitch)
    Q_PROPERTY(int Size READ Size WRITE SetSize STORED false)
    Q_PROPERTY(TFontStyles Style READ Style WRITE SetStyle)

public:
    explicit TFont(QObject* parent = nullptr);

    int Charset() const { return charset_; }
    void SetCharset(int c);
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    int Height() const { return height_; }
    void SetHeight(int h);
    const QString& Name() const { return name_; }
    void SetName(const QString& n);
    Pitch GetPitch() const { return pitch_; }
    void SetPitch(Pitch p);
    // Points through PixelsPerInch: Size = -MulDiv(Height, 72, PixelsPerInch).
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles s);
    bool HasStyle(TFontStyle s) const { return style_.testFlag(static_cast<StyleFlag>(s)); }

    // The pixel density that Size converts through: the screen's until set, the device
    // context's for the font of a canvas with one. Setting it keeps Height.
    int PixelsPerInch() const;
    void SetPixelsPerInch(int ppi) {
        if (ppi > 0) pixelsPerInch_ = ppi;
    }

    // The font record of this font (escapement 0) and the reverse.
    LOGFONT GetLogFont() const;
    void SetLogFont(const LOGFONT& lf);
    // The realised font, made when first asked for and after every change.
    HFONT Handle() const;
    void SetHandle(const HFONT& f);
    QFont ToQFont() const { return Handle()->qfont; }

    void Assign(TPersistent* source) override;
    bool SameAs(const TFont& other) const;

    TNotifyEvent OnChange;

private:
    void Changed();
    QString name_ = QStringLiteral("MS Sans Serif");
    int height_ = -11;
    TFontStyles style_;
    TColor color_ = clWindowText;
    int charset_ = DEFAULT_CHARSET;
    Pitch pitch_ = fpDefault;
    int pixelsPerInch_ = 0; // 0: the screen's
    mutable HFONT handle_;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TFont::TFontStyles)
using TFontStyles = TFont::TFontStyles;

// ---- Pens and brushes ----------------------------------------------------------------

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class TPen : public TPersistent {
    Q_OBJECT
public:
    enum Style {
        psSolid = ::psSolid,
        psDash = ::psDash,
        psDot = ::psDot,
        psDashDot = ::psDashDot,
        psDashDotDot = ::psDashDotDot,
        psClear = ::psClear,
        psInsideFrame = ::psInsideFrame
    };
    Q_ENUM(Style)
private:
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(Style Style READ GetStyle WRITE SetStyle)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)

public:
    using TPersistent::TPersistent;
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    TPenStyle PenStyle() const { return style_; }
    Style GetStyle() const { return static_cast<Style>(style_); }
    void SetStyle(Style s) { SetPenStyle(static_cast<TPenStyle>(s)); }
    void SetPenStyle(TPenStyle s);
    int Width() const { return width_; }
    void SetWidth(int w);
    void Assign(TPersistent* source) override;
    TNotifyEvent OnChange;

private:
    TColor color_ = clBlack;
    TPenStyle style_ = ::psSolid;
    int width_ = 1;
};

class TBrush : public TPersistent {
    Q_OBJECT
public:
    enum Style {
        bsSolid = ::bsSolid,
        bsClear = ::bsClear,
        bsHorizontal = ::bsHorizontal,
        bsVertical = ::bsVertical,
        bsFDiagonal = ::bsFDiagonal,
        bsBDiagonal = ::bsBDiagonal,
        bsCross = ::bsCross,
        bsDiagCross = ::bsDiagCross
    };
    Q_ENUM(Style)
private:
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(Style Style READ GetStyle WRITE SetStyle)

public:
    using TPersistent::TPersistent;
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    TBrushStyle BrushStyle() const { return style_; }
    Style GetStyle() const { return static_cast<Style>(style_); }
    void SetStyle(Style s) { SetBrushStyle(static_cast<TBrushStyle>(s)); }
    void SetBrushStyle(TBrushStyle s);
    void Assign(TPersistent* source) override;
    TNotifyEvent OnChange;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = ::bsSolid;
};

// ---- Pictures ------------------------------------------------------------------------

// A drawable picture of one registered kind. Kinds load from and save to streams; a
// canvas draws them stretched into a rectangle.
class TGraphic : public TPersistent {
    Q_OBJECT
public:
    using TPersistent::TPersistent;

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int w) = 0;
    virtual void SetHeight(int h) = 0;
    virtual bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool t);

    virtual void LoadFromStream(QIODevice& stream) = 0;
    virtual void SaveToStream(QIODevice& stream) = 0;
    virtual void LoadFromFile(const QString& fileName);
    virtual void SaveToFile(const QString& fileName);

    // Draws the picture stretched into rect of the canvas.
    virtual void Draw(TCanvas& canvas, const QRect& rect) = 0;

    bool Modified() const { return modified_; }
    void SetModified(bool m) { modified_ = m; }

    TNotifyEvent OnChange;
    // Progress while a slow kind decodes: (sender, stage, percent, redrawNow, rect, message).
    std::function<void(TObject*, int, int, bool, const QRect&, const QString&)> OnProgress;

protected:
    void Changed(TObject* sender);

private:
    bool transparent_ = false;
    bool modified_ = false;
};

// The registry of picture kinds by file extension (lower case, without the dot; the empty
// extension is a kind of its own). Each kind joins it at start-up.
using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
struct TFileFormat {
    QString extension;
    QString description;
    TGraphicFactory make;
};
void RegisterFileFormat(const QString& extension, const QString& description, TGraphicFactory make);
void UnregisterFileFormat(const QString& extension);
// The kind registered for an extension (any case); null when there is none.
const TFileFormat* FindFileFormat(const QString& extension);
std::vector<TFileFormat> RegisteredFileFormats();

// ---- Canvas --------------------------------------------------------------------------

enum TCanvasStateFlag : unsigned { csFontValid = 1, csPenValid = 2, csBrushValid = 4 };

class TCanvas : public TPersistent {
    Q_OBJECT
public:
    explicit TCanvas(TDeviceContext* dc = nullptr);
    ~TCanvas() override;

    // The device context this canvas draws on; null while none is attached. Attaching one
    // sizes the font in the context's pixels, keeping its size in points.
    TDeviceContext* Handle() const { return dc_; }
    void SetHandle(TDeviceContext* dc);
    bool HandleAllocated() const { return dc_ != nullptr; }

    TFont* Font() const { return font_; }
    TPen* Pen() const { return pen_; }
    TBrush* Brush() const { return brush_; }
    void SetFont(TFont* f) { font_->Assign(f); }

    QPoint PenPos() const { return penPos_; }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const QRect& r) { Rectangle(r.left(), r.top(), r.right() + 1, r.bottom() + 1); }
    void FillRect(const QRect& r);
    void FrameRect(const QRect& r);
    void TextOut(int x, int y, const QString& text);
    void TextRect(const QRect& r, int x, int y, const QString& text);
    QSize TextExtent(const QString& text);
    int TextWidth(const QString& text) { return TextExtent(text).width(); }
    int TextHeight(const QString& text) { return TextExtent(text).height(); }
    void Draw(int x, int y, TGraphic* g);
    void StretchDraw(const QRect& r, TGraphic* g);

    // Selects font, pen and brush into the device context as the next call needs them.
    void RequireFont();
    void RequirePen();
    void RequireBrush();

    TNotifyEvent OnChange;

protected:
    // Hook for canvases that make their device context on demand.
    virtual void CreateHandle() {}

private:
    void RequireHandle();
    void AdoptResolution(const TDeviceContext& dc);
    TDeviceContext* dc_ = nullptr;
    TFont* font_;
    TPen* pen_;
    TBrush* brush_;
    QPoint penPos_;
    unsigned state_ = 0;
};

// Attaches a device context to a canvas for as long as the scope lasts, then gives the
// canvas back the context it had (none outside any scope): painting and measuring lend a
// canvas a context only for the one step, and a measuring step inside a painting one
// leaves the painter in place.
class TCanvasHandleScope {
public:
    TCanvasHandleScope(TCanvas& canvas, TDeviceContext* dc)
        : canvas_(canvas), previous_(canvas.Handle()) {
        canvas_.SetHandle(dc);
    }
    ~TCanvasHandleScope() { canvas_.SetHandle(previous_); }
    TCanvasHandleScope(const TCanvasHandleScope&) = delete;
    TCanvasHandleScope& operator=(const TCanvasHandleScope&) = delete;

private:
    TCanvas& canvas_;
    TDeviceContext* previous_;
};

// ---- Screen metrics ------------------------------------------------------------------

// The screen's pixels per inch, as fonts convert points and screen contexts report it: 96
// on every display, since high-density displays scale through Qt's device pixel ratio
// rather than through the pixels that layouts and pages are measured in. So nothing that
// is measured, recorded or printed depends on the display it runs on.
int ScreenPixelsPerInch();

// Makes the screen report another density for as long as it lives (tests of what a
// different screen would do); overrides nest.
class TScreenPixelsPerInchOverride {
public:
    explicit TScreenPixelsPerInchOverride(int ppi);
    ~TScreenPixelsPerInchOverride();
    TScreenPixelsPerInchOverride(const TScreenPixelsPerInchOverride&) = delete;
    TScreenPixelsPerInchOverride& operator=(const TScreenPixelsPerInchOverride&) = delete;

private:
    int previous_;
};
