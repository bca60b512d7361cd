#pragma once
// Buttons with glyphs: the glyph (a picture from the layout, or the standard one of the
// button's kind) and the caption laid out together on the button face.

#include "framework/graphics/Pictures.h"
#include "framework/widgets/StdCtrls.h"

class TButtonsEnums : public QObject {
    Q_OBJECT
public:
    enum TBitBtnKind {
        bkCustom,
        bkOK,
        bkCancel,
        bkHelp,
        bkYes,
        bkNo,
        bkClose,
        bkAbort,
        bkRetry,
        bkIgnore,
        bkAll
    };
    Q_ENUM(TBitBtnKind)
    enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
    Q_ENUM(TButtonLayout)
};
using TBitBtnKind = TButtonsEnums::TBitBtnKind;
using TButtonLayout = TButtonsEnums::TButtonLayout;

// A push button with a glyph. A kind other than bkCustom gives the button its standard
// caption (unless the layout names one), modal result and glyph (unless Glyph holds a
// picture); a bkClose button closes its window after OnClick. A glyph image may hold
// NumGlyphs pictures side by side: up, disabled, down.
class TBitBtn : public TButton {
    Q_OBJECT
    Q_PROPERTY(TPicture* Glyph READ Glyph)
    Q_PROPERTY(TButtonsEnums::TBitBtnKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(TButtonsEnums::TButtonLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
public:
    explicit TBitBtn(TComponent* owner);

    TPicture* Glyph() const { return glyph_; }
    void SetGlyph(TPicture* g) { glyph_->Assign(g); }
    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind k);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout l);
    // Pixels from the edge to the glyph; -1 centres glyph and caption together.
    int Margin() const { return margin_; }
    void SetMargin(int m);
    // Pixels between glyph and caption.
    int Spacing() const { return spacing_; }
    void SetSpacing(int s);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n);

    // The picture shown for a state (enabled, disabled, pressed); null when none.
    QImage GlyphImage(bool enabled, bool down) const;
    // Where glyph and caption go on a face of the given content rectangle.
    void LayoutFace(const QRect& content, const QSize& glyph, const QSize& caption,
                    QRect& glyphRect, QRect& captionRect) const;

    void Click() override;

    // The standard caption and glyph of a kind.
    static QString KindCaption(TBitBtnKind kind);
    static QImage KindGlyph(TBitBtnKind kind);

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void TextChanged() override;

private:
    TPicture* glyph_;
    TBitBtnKind kind_ = TButtonsEnums::bkCustom;
    TButtonLayout layout_ = TButtonsEnums::blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    int numGlyphs_ = 1;
    bool captionSet_ = false;
    bool settingKind_ = false;
};

// A flat tool button with a glyph and/or a caption. Speed buttons of one parent that share
// a GroupIndex other than 0 stay down when pressed, and pressing one releases the others
// (all may be up with AllowAllUp).
class TSpeedButton : public TControl {
    Q_OBJECT
    Q_PROPERTY(TPicture* Glyph READ Glyph)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
public:
    explicit TSpeedButton(TComponent* owner);

    TPicture* Glyph() const { return glyph_; }
    bool Flat() const { return flat_; }
    void SetFlat(bool v);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int v);
    bool Down() const { return down_; }
    // Without a group, a speed button cannot stay down.
    void SetDown(bool v);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool v) { allowAllUp_ = v; }

    void Click() override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;
    void TextChanged() override;

private:
    TPicture* glyph_;
    bool flat_ = false;
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
};
