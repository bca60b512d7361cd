#pragma once
// The state-styled label: a caption that behaves like a link or a flat button. It is
// Normal, Selected while the pointer is over it, Active while the left button is held on
// it, or Disabled, and each state has its own text and shadow colour, cursor, halo and
// underline. The text carries a drop shadow and, when the state asks for it, a halo of
// copies around it.

#include "controls/AntDesc.h"
#include "framework/widgets/StdCtrls.h"

class TantCustomLabel : public TCustomLabel {
    Q_OBJECT
public:
    // Which copies make the halo: up, down, left and right; the four diagonal corners; all.
    enum TantHighLightStyle : uint8_t { hlsNormal, hlsDiagonal, hlsFull };
    Q_ENUM(TantHighLightStyle)

    explicit TantCustomLabel(TComponent* owner);
    ~TantCustomLabel() override;

    uint8_t State() const { return state_; }
    // Switches every descriptor, the cursor, the font colour and underline together.
    virtual void SetState(uint8_t state);
    // Whether the label reacts to the mouse at all.
    bool Active() const { return active_; }
    virtual void SetActive(bool active);
    bool ButtonDown() const { return buttonDown_; }
    bool PointerInside() const { return mouseInside_; }

    void SetAutoSize(bool v) override;
    void SetEnabled(bool e) override;
    bool Color3d() const { return color3d_; }
    void SetColor3d(bool v);
    int Color3dXDepth() const { return color3dXDepth_; }
    void SetColor3dXDepth(int v);
    int Color3dYDepth() const { return color3dYDepth_; }
    void SetColor3dYDepth(int v);
    TantHighLightStyle HighLightStyle() const { return highLightStyle_; }
    void SetHighLightStyle(TantHighLightStyle v);
    int HighLightXDepth() const { return highLightXDepth_; }
    void SetHighLightXDepth(int v);
    int HighLightYDepth() const { return highLightYDepth_; }
    void SetHighLightYDepth(int v);

    TantRunTimeColorDesc* ColorFront() const { return colorFront_; }
    TantRunTimeColorDesc* ColorBack() const { return colorBack_; }
    TantRunTimeCursorDesc* Cursors() const { return cursors_; }
    TantRunTimeBooleanDesc* HighLight() const { return highLight_; }
    TantRunTimeColorDesc* HighLightColor() const { return highLightColor_; }
    TantRunTimeBooleanDesc* UnderLine() const { return underLine_; }

    void AdjustBounds() override;
    void Loaded() override;

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;

protected:
    // Text without a shadow (and the engraved look when disabled).
    virtual void DrawPlain(const QString& text, QRect& rect, unsigned flags);
    // Text over its shadow; rect grows to hold both, so measuring includes the shadow.
    virtual void Draw3D(const QString& text, QRect& rect, unsigned flags);
    // The halo around the text in rect.
    virtual void DrawHighLight(const QString& text, const QRect& rect, unsigned flags);

    void Paint() override;
    void DoDrawText(QRect& rect, unsigned flags) override;
    void TextChanged() override;
    void FontChanged() override;

private:
    bool Reacting() const { return Enabled() && active_; }
    void TrackPointer(int x, int y);
    void SetDepth(int& field, int v);
    void SetTextColor(TColor c);
    // DrawText with the canvas as it stands.
    void Text(const QString& text, QRect& rect, unsigned flags);

    uint8_t state_ = lsNormal;
    bool mouseInside_ = false;
    bool buttonDown_ = false;
    bool active_ = true;
    bool color3d_ = true;
    int color3dXDepth_ = 1;
    int color3dYDepth_ = 1;
    TantRunTimeColorDesc* colorFront_;
    TantRunTimeColorDesc* colorBack_;
    TantRunTimeCursorDesc* cursors_;
    TantRunTimeBooleanDesc* highLight_;
    TantRunTimeColorDesc* highLightColor_;
    TantHighLightStyle highLightStyle_ = hlsNormal;
    int highLightXDepth_ = 1;
    int highLightYDepth_ = 1;
    TantRunTimeBooleanDesc* underLine_;
};

using TantHighLightStyle = TantCustomLabel::TantHighLightStyle;
using enum TantCustomLabel::TantHighLightStyle;

class TantLabel : public TantCustomLabel {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(TControlEnums::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool Color3d READ Color3d WRITE SetColor3d)
    Q_PROPERTY(int Color3dXDepth READ Color3dXDepth WRITE SetColor3dXDepth)
    Q_PROPERTY(int Color3dYDepth READ Color3dYDepth WRITE SetColor3dYDepth)
    Q_PROPERTY(TantRunTimeColorDesc* ColorFront READ ColorFront)
    Q_PROPERTY(TantRunTimeColorDesc* ColorBack READ ColorBack)
    Q_PROPERTY(TantRunTimeCursorDesc* Cursors READ Cursors)
    Q_PROPERTY(TantRunTimeBooleanDesc* HighLight READ HighLight)
    Q_PROPERTY(TantRunTimeColorDesc* HighLightColor READ HighLightColor)
    Q_PROPERTY(TantCustomLabel::TantHighLightStyle HighLightStyle READ HighLightStyle WRITE
                   SetHighLightStyle)
    Q_PROPERTY(int HighLightXDepth READ HighLightXDepth WRITE SetHighLightXDepth)
    Q_PROPERTY(int HighLightYDepth READ HighLightYDepth WRITE SetHighLightYDepth)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(TantRunTimeBooleanDesc* UnderLine READ UnderLine)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(TControlEnums::TTextLayout Layout READ Layout WRITE SetLayout)
public:
    using TantCustomLabel::TantCustomLabel;
};

// Makes the state-styled label known to the layout reader.
void RegisterLabelClasses();
