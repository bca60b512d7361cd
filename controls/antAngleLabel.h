#pragma once
// The on-screen label that draws its caption as one line turned to one of eight compass
// directions and sizes itself to the turned text. The cover editor's front-line and
// side-band previews are made of it.

#include "framework/widgets/StdCtrls.h"

#include <cstdint>

class TantCustomAngleLabel : public TCustomLabel {
    Q_OBJECT
public:
    // Counted counter-clockwise from normal left-to-right text; ordinal x 45 is the angle.
    enum TantAngleDirection : uint8_t {
        adEast,
        adNothEast,
        adNoth,
        adNothWest,
        adWest,
        adSouthWest,
        adSouth,
        adSouthEast
    };
    Q_ENUM(TantAngleDirection)

    explicit TantCustomAngleLabel(TComponent* owner);
    ~TantCustomAngleLabel() override;

    // Always the current direction's angle; writing snaps to the nearest direction.
    int Angle() const { return angle_; }
    void SetAngle(int angle);
    TantAngleDirection AngleDirection() const { return direction_; }
    void SetAngleDirection(TantAngleDirection direction);

    // The direction an angle in degrees snaps to (any integer, negative ones included).
    static TantAngleDirection DirectionOfAngle(int angle);

    // Where the turned text's reference point (the top-left corner of the unturned text
    // cell) lies in the client area, as the last measuring found it.
    QPoint TextOrigin() const { return {textX_, textY_}; }
    // The turned font last made; empty before the first paint or end of loading.
    const HFONT& RotatedFont() const { return rotatedFont_; }

    // Builds a new turned font from the label's font and angle and keeps it.
    virtual void CreateRotatedFont();
    // Measures the unturned text from rect's top-left corner, turns rect into the bounding
    // box of the turned text and sets the text origin.
    virtual void CalcRotatedBounds(QRect& rect);

    void Loaded() override;

protected:
    void DoDrawText(QRect& rect, unsigned flags) override;
    void TextChanged() override;
    void FontChanged() override;

private:
    int angle_ = 0;
    TantAngleDirection direction_ = adEast;
    int textX_ = 0;
    int textY_ = 0;
    HFONT rotatedFont_;
};

using TantAngleDirection = TantCustomAngleLabel::TantAngleDirection;
using enum TantCustomAngleLabel::TantAngleDirection;

class TantAngleLabel : public TantCustomAngleLabel {
    Q_OBJECT
    // Angle comes first so that a layout giving both ends on the direction it names.
    Q_PROPERTY(int Angle READ Angle WRITE SetAngle)
    Q_PROPERTY(TantCustomAngleLabel::TantAngleDirection AngleDirection READ AngleDirection WRITE
                   SetAngleDirection)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
public:
    using TantCustomAngleLabel::TantCustomAngleLabel;
};

// Makes the angle label known to the layout reader.
void RegisterAngleLabelClasses();
