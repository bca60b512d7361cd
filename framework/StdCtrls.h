#pragma once
// Standard controls.

#include "framework/Controls.h"

// The framework's plain label: draws its caption with DrawText and sizes itself to it.
// Subclasses replace the text-drawing step (DoDrawText), which both measures (with
// DT_CALCRECT) and draws.
class TCustomLabel : public TGraphicControl {
    Q_OBJECT
public:
    explicit TCustomLabel(TComponent* owner);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout l);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    void SetAutoSize(bool v) override;

    // The auto-size step: measures on the screen and sets width and height (keeping the
    // right edge for right-aligned labels). Nothing while loading.
    virtual void AdjustBounds();
    void AdjustSize() override { AdjustBounds(); }
    void Loaded() override;

    // How many times the label has painted; lets callers see whether a change repainted.
    int PaintCount() const { return paintCount_; }

protected:
    virtual QString GetLabelText() const { return Caption(); }
    virtual void DoDrawText(QRect& rect, unsigned flags);
    void Paint() override;
    // For labels that paint in their own way but still count their paints.
    void CountPaint() { ++paintCount_; }
    void TextChanged() override;
    void FontChanged() override;

private:
    TAlignment alignment_ = TControlEnums::taLeftJustify;
    TTextLayout layout_ = TControlEnums::tlTop;
    bool showAccelChar_ = true;
    bool transparent_ = false;
    bool wordWrap_ = false;
    int paintCount_ = 0;
};

class TLabel : public TCustomLabel {
    Q_OBJECT
    Q_PROPERTY(TControlEnums::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(TControlEnums::TTextLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
public:
    using TCustomLabel::TCustomLabel;
};
