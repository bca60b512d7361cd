#pragma once
// The printable turned label: one line of text turned by any whole number of degrees,
// printed on the page and shown on screen the same way. It measures the turned text's box
// with sine and cosine, can size itself to that box keeping the start, the middle or the
// end of the text in place, and accepts only outline fonts, the ones that can be turned.

#include "report/RpCtrls.h"

#include <QPoint>
#include <QRect>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

class TRpAngLblEnums {
    Q_GADGET
public:
    // Which point of the text stays put when the box is computed again.
    enum TAnchorStyle : uint8_t { asNone, asTextLeft, asTextCenter, asTextRight };
    Q_ENUM(TAnchorStyle)
    // What happens when the font cannot be turned.
    enum TTrueTypeAlert : uint8_t { ttaNone, ttaMessage, ttaAbort, ttaAbortMessage };
    Q_ENUM(TTrueTypeAlert)
};
using TAnchorStyle = TRpAngLblEnums::TAnchorStyle;
using TTrueTypeAlert = TRpAngLblEnums::TTrueTypeAlert;
using enum TRpAngLblEnums::TAnchorStyle;
using enum TRpAngLblEnums::TTrueTypeAlert;

// Texts of the string table.
namespace RpRes {
inline constexpr int SFontReplaced = 59999; // %s: the face assigned
inline constexpr int SFontNotTurnable = 60000;
} // namespace RpRes

// The four projections of the text's extents on the box sides, in pixels.
struct TRpTurnedExtents {
    int Ws = 0, Wc = 0, Hc = 0, Hs = 0;
};

class TRpAngledCustom : public TRpPrintable {
    Q_OBJECT
public:
    explicit TRpAngledCustom(TComponent* owner);
    ~TRpAngledCustom() override;

    TAnchorStyle AnchorStyle() const { return anchorStyle_; }
    void SetAnchorStyle(TAnchorStyle s);
    int Angle() const { return angle_; }
    // Any integer; kept as 0 to 359.
    void SetAngle(int angle);
    void SetAutoSize(bool v) override;
    TTrueTypeAlert TrueTypeAlert() const { return trueTypeAlert_; }
    void SetTrueTypeAlert(TTrueTypeAlert t);

    // Outline faces, filled while the item has a window handle.
    const QStringList& TrueTypeNames() const { return trueTypeNames_; }
    bool IsTrueType(const QString& face) const;

    // The last layout, in screen pixels at the item's zoom.
    int TextWidth() const { return textWidth_; }
    int TextHeight() const { return textHeight_; }
    const TRpTurnedExtents& Extents() const { return extents_; }
    QRect Box() const { return {boxLeft_, boxTop_, boxWidth_, boxHeight_}; }
    // Where the top-left corner of the unturned text cell lies, from the item's corner.
    QPoint TextOrigin() const { return {originX_, originY_}; }
    // The turned font last made (on the item's canvas or on the page).
    const HFONT& TurnedFont() const { return turnedFont_; }

    // Measures the turned text and places its box and origin; with resize, an auto-sized
    // item takes the box as its bounds. Only while the item has a window handle.
    void Layout(bool resize = true);
    void FillTrueTypeList();

    // Keeps the text inside frame (native units from the band's corner): nothing of it
    // prints outside.
    void SetClipFrame(const std::optional<TRpTextFrame>& frame);
    const std::optional<TRpTextFrame>& ClipFrame() const { return clipFrame_; }
    // The box of the turned text's cell, native units from the band's corner, as it prints.
    TRpTextFrame TextBox() const;
    // Whether that box lies inside the clip frame, or the item without one.
    bool TextFits() const;

    void PrintItem(long double offsetX, long double offsetY) override;
    void SetName(const QString& name) override;
    void Loaded() override;

    TRpLabelOnPrintEvent OnPrint;

protected:
    void Paint() override;
    void FontChanged() override;
    void TextChanged() override;
    void UpdateWidget() override;
    // Replaces or reports a font that cannot be turned, as TrueTypeAlert says.
    void CheckFont();
    // The canvas font turned by the angle: a copy of its font record with the escapement
    // and outline-only precision changed.
    HFONT MakeTurnedFont(TCanvas* canvas);

private:
    void UseScreenFont(TCanvas* canvas) const;
    void ComputeBox();
    void PlaceOrigin();
    bool ParentFontIsTrueType() const;
    struct TShownRun {
        QString text;
        std::vector<int> advances;
        QPoint origin;
    };
    TShownRun ShownRun(const QString& text, QPoint p, const QRect& room, long double factor) const;

    TAnchorStyle anchorStyle_ = asNone;
    int angle_ = 0;
    QStringList trueTypeNames_;
    TTrueTypeAlert trueTypeAlert_ = ttaNone;
    int textWidth_ = 0, textHeight_ = 0;
    TRpTurnedExtents extents_;
    int boxWidth_ = 0, boxHeight_ = 0;
    int boxLeft_ = 0, boxTop_ = 0;
    int originX_ = 0, originY_ = 0;
    HFONT turnedFont_;
    std::optional<TRpTextFrame> clipFrame_;
    QPointer<QWidget> listedFor_; // the window handle the list was filled for
};

class TRpAngledLabel : public TRpAngledCustom {
    Q_OBJECT
    Q_PROPERTY(TRpAngLblEnums::TAnchorStyle AnchorStyle READ AnchorStyle WRITE SetAnchorStyle)
    Q_PROPERTY(int Angle READ Angle WRITE SetAngle)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(
        TRpAngLblEnums::TTrueTypeAlert TrueTypeAlert READ TrueTypeAlert WRITE SetTrueTypeAlert)
public:
    explicit TRpAngledLabel(TComponent* owner);
};

// Makes the turned label known to the layout reader.
void RegisterAngledLabelClasses();
