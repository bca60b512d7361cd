#pragma once
// Printable texts and pictures: the text base that breaks its caption or lines into the
// lines it prints, stretches its band while printing and goes on over pages; the memo
// that prints its lines; the picture item; and the shape and expression items.
//
// Items draw only on the report printer's page canvas, in device pixels turned from native
// units (0.1 mm) by the printer, so a kept page and a printed one are the same drawing.

#include "framework/core/Reader.h"
#include "framework/graphics/Pictures.h"
#include "report/RpReport.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// May change the text an item prints, for this print only.
using TRpLabelOnPrintEvent = std::function<void(TObject*, QString&)>;

// ---- Text items ------------------------------------------------------------------------

// A frame that a text is kept inside, in native units from its band's top-left corner (where
// an item's Size is measured from).
struct TRpTextFrame {
    long double left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TRpTextFrame&) const = default;
};

class TRpCustomLabel : public TRpPrintable {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    explicit TRpCustomLabel(TComponent* owner);
    ~TRpCustomLabel() override;

    // Whether the caption (true) or Lines (false) is what the item formats.
    virtual bool UsesCaption() const { return captionMode_; }
    // Rebuilds the lines as they will be drawn from the caption or Lines, the font and
    // the item's width.
    virtual void BuildFormattedLines();
    virtual void ReadFontSize(TReader& reader);
    virtual void WriteFontSize(TWriter& writer);

    const QString& Caption() const { return TRpPrintable::Caption(); }
    // Always formats again, also for the present caption: that is how a pass refreshes it.
    void SetCaption(const QString& caption);
    TStrings* Lines() const { return lines_; }
    void SetLines(TStrings* lines);
    bool AutoStretch() const { return autoStretch_; }
    void SetAutoStretch(bool v);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    void SetAutoSize(bool v) override;
    TControlEnums::TBiDiMode BiDiMode() const { return biDiMode_; }
    void SetBiDiMode(TControlEnums::TBiDiMode m);
    bool ParentBiDiMode() const { return parentBiDiMode_; }
    void SetParentBiDiMode(bool v) { parentBiDiMode_ = v; }

    // Formatting state, for callers that place or check the text.
    const QStringList& FormattedLines() const { return formattedLines_; }
    bool Formatted() const { return formatted_; }
    const QString& PrintCaption() const { return printCaption_; }
    int NextLine() const { return nextLine_; }
    int StreamFontSize() const { return streamFontSize_; }

    // Keeps the text inside frame: nothing prints outside it, the band is never asked to
    // grow for it, and lines below its bottom are left out rather than carried to another
    // page. Formatting stops one line after the last that can show.
    void SetClipFrame(const std::optional<TRpTextFrame>& frame);
    const std::optional<TRpTextFrame>& ClipFrame() const { return clipFrame_; }
    // Whether the whole text shows: no word cut, every line inside the clip frame, or,
    // without one, inside the item unless it may stretch. Needs no device: the layout is the
    // same on all of them.
    bool TextFits();
    // Native units from one line's top to the next: the face's design cell at the font's
    // size, the same on every device.
    long double LinePitch() const;
    // Words the last formatting measured: each once, and none past the clip frame's end.
    int MeasuredWords() const { return measuredWords_; }

    // Screen pixels at the item's zoom, as the formatter compares them with Width: the
    // face's design advances at the font's size, plus one.
    int TextWidthOf(const QString& text);
    // The height of one line of the font at the item's zoom, plus one.
    int SizingLineHeight() const;

    void PrepareItem() override;
    void PrintItem(long double offsetX, long double offsetY) override;
    void SetParent(TWinControl* parent) override;
    void SetName(const QString& name) override;
    void Loaded() override;
    void DefineProperties(TFiler& filer) override;

    TRpLabelOnPrintEvent OnPrint;

protected:
    void Paint() override;
    void FontChanged() override;
    void SetCaptionMode(bool v) { captionMode_ = v; }
    // Prints the formatted lines in the rectangle (native units), going on from the line
    // where the previous print stopped when that one left the item unfinished.
    void PrintLines(long double left, long double top, long double width, long double height,
                    long double lineHeight, bool canGrow);
    // The alignment as drawn: left and right swap for right-to-left alignment.
    TAlignment DrawnAlignment() const;
    bool ReadsRightToLeft() const { return biDiMode_ != TControlEnums::bdLeftToRight; }

private:
    struct PrintState;
    void ResizeToText();
    void AddParagraphBlock(const QString& text);
    void AddParagraph(QStringView paragraph);
    void AddWord(QStringView word);
    void FlushPendingLine();
    bool LinesFull() const { return formattedLines_.size() > maxLines_; }
    int LinesInFrame() const;
    // Design widths in ems to the formatter's pixels.
    int PixelsOfEms(qreal ems) const;
    qreal EmPixels() const;
    void RunOnPrint(long double& height, long double& lineHeight);
    PrintState BeginLines(long double left, long double top, long double width, long double height);
    long double PageLimit() const;
    long double PageRoom() const;
    bool MayPrintLine(PrintState& s);
    void PrintLine(const PrintState& s, const QString& line);
    std::vector<int> DeviceAdvances(const QString& line) const;
    long double PageLineHeight() const;

    bool captionMode_ = true;
    bool formatted_ = false;
    bool autoStretch_ = false;
    int nextLine_ = 0;
    QString printCaption_;
    int streamFontSize_ = 0;
    QStringList formattedLines_;
    TStrings* lines_;
    bool wordWrap_ = true;
    bool formatting_ = false;
    TControlEnums::TBiDiMode biDiMode_ = TControlEnums::bdLeftToRight;
    bool parentBiDiMode_ = true;
    std::optional<TRpTextFrame> clipFrame_;
    // Formatter state of one build.
    QString pendingLine_;
    qreal pendingEms_ = 0;
    qsizetype maxLines_ = 0;
    int formattedWidth_ = -1;
    bool wordCut_ = false;
    int measuredWords_ = 0;
    std::shared_ptr<const class TDesignMetrics> metrics_;
    qreal emPixels_ = 0;
    bool lineFinished_ = false;
    bool inReport_ = false;
};

// A block of text lines, broken at word boundaries to the item's width.
class TRpMemo : public TRpCustomLabel {
    Q_OBJECT
    Q_PROPERTY(TControlEnums::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AlignToBand READ AlignToBand WRITE SetAlignToBand)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool AutoStretch READ AutoStretch WRITE SetAutoStretch)
    Q_PROPERTY(TControlEnums::TBiDiMode BiDiMode READ BiDiMode WRITE SetBiDiMode)
    Q_PROPERTY(bool ParentBiDiMode READ ParentBiDiMode WRITE SetParentBiDiMode)
    Q_PROPERTY(TStrings* Lines READ Lines)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
public:
    explicit TRpMemo(TComponent* owner);

    bool UsesCaption() const override { return false; }
    void PrintItem(long double offsetX, long double offsetY) override;

protected:
    void Paint() override;
};

// A text whose print caption is its expression. Expressions are printed as written: the
// covers use none, and the engine evaluates nothing of its own.
class TRpExpr : public TRpCustomLabel {
    Q_OBJECT
    Q_PROPERTY(TControlEnums::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool AutoStretch READ AutoStretch WRITE SetAutoStretch)
    Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
    Q_PROPERTY(QString Mask READ Mask WRITE SetMask)
    Q_PROPERTY(bool Master READ Master WRITE SetMaster)
    Q_PROPERTY(bool ResetAfterPrint READ ResetAfterPrint WRITE SetResetAfterPrint)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
public:
    explicit TRpExpr(TComponent* owner);

    const QString& Expression() const { return expression_; }
    void SetExpression(const QString& e) { expression_ = e; }
    const QString& Mask() const { return mask_; }
    void SetMask(const QString& m) { mask_ = m; }
    bool Master() const { return master_; }
    void SetMaster(bool v) { master_ = v; }
    bool ResetAfterPrint() const { return resetAfterPrint_; }
    void SetResetAfterPrint(bool v) { resetAfterPrint_ = v; }

    void PrintItem(long double offsetX, long double offsetY) override;

private:
    QString expression_;
    QString mask_;
    bool master_ = false;
    bool resetAfterPrint_ = false;
};

// ---- Shapes ----------------------------------------------------------------------------

class TRpShapeEnums {
    Q_GADGET
public:
    enum TRpShapeType {
        rpsRectangle,
        rpsCircle,
        rpsVertLine,
        rpsHorLine,
        rpsTopAndBottom,
        rpsRightAndLeft
    };
    Q_ENUM(TRpShapeType)
};
using TRpShapeType = TRpShapeEnums::TRpShapeType;
using enum TRpShapeEnums::TRpShapeType;

class TRpShape : public TRpPrintable {
    Q_OBJECT
    Q_PROPERTY(TBrush* Brush READ Brush)
    Q_PROPERTY(TPen* Pen READ Pen)
    Q_PROPERTY(TRpShapeEnums::TRpShapeType Shape READ Shape WRITE SetShape)
public:
    explicit TRpShape(TComponent* owner);

    TBrush* Brush() const { return brush_; }
    TPen* Pen() const { return pen_; }
    TRpShapeType Shape() const { return shape_; }
    void SetShape(TRpShapeType s);

    void PrintItem(long double offsetX, long double offsetY) override;

protected:
    void Paint() override;

private:
    void DrawShape(TCanvas* canvas, const QRect& r) const;
    TBrush* brush_;
    TPen* pen_;
    TRpShapeType shape_ = rpsRectangle;
};

// ---- Pictures --------------------------------------------------------------------------

class TRpImage : public TRpPrintable {
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool Center READ Center WRITE SetCenter)
    Q_PROPERTY(TPicture* Picture READ Picture)
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
public:
    explicit TRpImage(TComponent* owner);
    ~TRpImage() override;

    TPicture* Picture() const { return picture_; }
    // Copies p into the item's own picture.
    void SetPicture(TPicture* p);
    void SetAutoSize(bool v) override;
    bool Stretch() const { return stretch_; }
    void SetStretch(bool v);
    bool Center() const { return center_; }
    void SetCenter(bool v);
    // The picture's palette when it is a bitmap; none otherwise.
    QList<QRgb> Palette() const;
    // Where the picture is drawn, as fractions of the item's rectangle ((0, 0, 1, 1) is the
    // item), cut at the item's edges; none draws it as Stretch and Center say.
    void SetPlacement(const std::optional<QRectF>& placement) { placement_ = placement; }
    const std::optional<QRectF>& Placement() const { return placement_; }

    void PrintItem(long double offsetX, long double offsetY) override;

protected:
    void Paint() override;

private:
    void PictureChanged();
    QRect NaturalRect(const QRect& itemRect, bool centred) const;
    TPicture* picture_;
    bool stretch_ = false;
    bool center_ = false;
    std::optional<QRectF> placement_;
};

// Draws a picture stretched into rect of a page canvas: a bitmap through a
// device-independent copy of its pixels, every other kind as it draws itself. False when
// the picture could not be drawn (it failed to decode, or the context refused it).
bool DrawPictureOnPage(TCanvas* canvas, const QRect& rect, TGraphic* graphic);

// An item without an area has nothing to show: printing it would only ask for room that
// it can never fill.
bool HasNoArea(const TRpPrintable* item);

// Makes the text, shape and picture items known to the layout reader.
void RegisterPrintableItemClasses();
