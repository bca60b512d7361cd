#pragma once
// Units, size records, frames and the panel base of the report.
//
// Every stored length is a long double in native units (0.1 mm, 254 to the inch). The
// display unit only changes how the size properties read and write; during a pass every
// size record reads in native units, so band and item geometry reaches the report printer
// in tenths of a millimetre and the printer turns it into device pixels.

#include "framework/core/Reader.h"
#include "framework/widgets/ExtCtrls.h"
#include "report/pagestore/RpTypes.h"

#include <QObject>
#include <functional>
#include <vector>

class TCustomReport;
class TRpCustomBand;
class TRpPrintable;

// ---- Enumerations ----------------------------------------------------------------------

class TRpReportEnums {
    Q_GADGET
public:
    // How size properties read and write; the stored values are always native.
    enum class TRpUnit : uint8_t { MM, Inches, Pixels, Characters, Native };
    Q_ENUM(TRpUnit)

    enum TRpBandType : uint8_t {
        rbTitle,
        rbPageHeader,
        rbDetail,
        rbPageFooter,
        rbSummary,
        rbGroupHeader,
        rbGroupFooter,
        rbSubDetail,
        rbColumnHeader,
        rbOverlay,
        rbChild
    };
    Q_ENUM(TRpBandType)

    enum TReportOption { FirstPageHeader = 1, LastPageFooter = 2, Compression = 4 };
    Q_DECLARE_FLAGS(TReportOptions, TReportOption)
    Q_FLAG(TReportOptions)
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TRpReportEnums::TReportOptions)

using TRpUnit = TRpReportEnums::TRpUnit;
using TRpBandType = TRpReportEnums::TRpBandType;
using TReportOption = TRpReportEnums::TReportOption;
using TReportOptions = TRpReportEnums::TReportOptions;
using enum TRpReportEnums::TRpBandType;

inline constexpr int kBandTypeCount = 11;
// The caption a band of this type shows on the design surface ("Page Header").
QString BandCaption(TRpBandType type);
// The prefix of the names the report gives the bands it creates ("PageHeaderBand").
QString BandNamePrefix(TRpBandType type);
// The first of prefix1, prefix2, ... that no component of owner bears.
QString UniqueBandName(TComponent* owner, const QString& prefix);

// Whether new size records start in inches on Letter paper (the system measures in
// inches) or in millimetres on A4. Taken from the system locale once; tests may set it.
bool UsesInchDefaults();
void SetUsesInchDefaults(bool inches);

// Width and height of one character cell of an s-point font, in millimetres.
long double CharColumnWidth(long double points);
long double CharLineHeight(long double points);

// A device rectangle with exclusive right and bottom edges, as frames and bands use it.
struct TRpRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRpRect&) const = default;
};

// ---- Size records ----------------------------------------------------------------------

// The base of the three size records: native values with conversions to and from the
// display unit, streamed as one "Values" list in native units. The length properties show
// as double to the meta-object system; code reads and writes them as long double.
class TRpUnitBase : public TPersistent {
    Q_OBJECT
public:
    // Values beyond this magnitude (100 m) cannot be a page length; a stream holding one
    // is malformed, so that no pixel bound overflows.
    static constexpr long double kMaxNativeValue = 1.0e6L;

    ~TRpUnitBase() override;

    virtual long double FromNative(TRpUnit unit, bool horizontal, long double value) const;
    virtual long double ToNative(TRpUnit unit, bool horizontal, long double value) const;
    virtual TRpUnit GetUnits() const { return units_; }
    // Applies the values once the layout that held them has been read.
    virtual void AfterLoad();
    virtual void LoadValues(TReader& reader);
    // Applies the native values to the owning control's pixel bounds.
    virtual void UpdateOwnerBounds() {}
    virtual void SetUnits(TRpUnit unit) { units_ = unit; }
    virtual void SaveValues(TWriter& writer) const;

    // Reads and writes in screen pixels for a while, without the side effects of
    // SetUnits; RestoreUnits returns to the unit in use before.
    void SwitchToPixels();
    void RestoreUnits();

    TRpUnit Units() const { return GetUnits(); }
    int Resolution() const { return resolution_; }
    int Zoom() const { return zoom_; }
    // Stores the zoom; the owner applies it with UpdateOwnerBounds.
    void SetZoom(int zoom) { zoom_ = zoom; }
    TCustomReport* Report() const { return report_; }
    virtual void SetReport(TCustomReport* report) { report_ = report; }
    // True while this record itself sets its owner's pixel bounds.
    bool OwnerUpdating() const { return ownerUpdating_; }

    int ValueCount() const { return static_cast<int>(values_.size()); }
    long double NativeValue(int index) const { return values_.at(static_cast<size_t>(index)); }
    // Stores a native value as it is, without the owner's reaction.
    void SetNativeValue(int index, long double v) { values_.at(static_cast<size_t>(index)) = v; }

    void DefineProperties(TFiler& filer) override;
    void Assign(TPersistent* source) override;

protected:
    // The record is freed with its owner (parent), the report, band or item.
    TRpUnitBase(int valueCount, QObject* parent);

    // A value in the present unit, and its store from the present unit.
    long double Get(int index, bool horizontal) const;
    void Put(int index, bool horizontal, long double value);
    // Sets the owner's bounds with the echo from the owner suppressed.
    void WithOwnerUpdating(const std::function<void()>& f);
    // The pixel value of a stored length at this record's zoom, rounded.
    int PixelsOf(int index, bool horizontal) const;

private:
    long double FontPoints() const;
    std::vector<long double> values_;
    int resolution_;
    TRpUnit units_;
    TRpUnit remembered_;
    TCustomReport* report_ = nullptr;
    bool ownerUpdating_ = false;
    int zoom_ = 100;
};

// The page of a report: paper, margins and columns.
class TRpPage : public TRpUnitBase {
    Q_OBJECT
    Q_PROPERTY(double BottomMargin READ BottomMargin WRITE SetBottomMargin STORED false)
    Q_PROPERTY(double Length READ Length WRITE SetLength STORED false)
    Q_PROPERTY(double TopMargin READ TopMargin WRITE SetTopMargin STORED false)
    Q_PROPERTY(double Width READ Width WRITE SetWidth STORED false)
    Q_PROPERTY(double LeftMargin READ LeftMargin WRITE SetLeftMargin STORED false)
    Q_PROPERTY(double RightMargin READ RightMargin WRITE SetRightMargin STORED false)
    Q_PROPERTY(double ColumnSpace READ ColumnSpace WRITE SetColumnSpace STORED false)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_PROPERTY(TRpEnums::TPrinterOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(TRpEnums::TRpPaperSize PaperSize READ PaperSize WRITE SetPaperSize)
    Q_PROPERTY(bool Ruler READ Ruler WRITE SetRuler)
public:
    enum Index {
        iBottomMargin,
        iLength,
        iTopMargin,
        iWidth,
        iLeftMargin,
        iRightMargin,
        iColumnSpace
    };

    explicit TRpPage(TCustomReport* report);

    long double BottomMargin() const { return Get(iBottomMargin, false); }
    long double Length() const { return Get(iLength, false); }
    long double TopMargin() const { return Get(iTopMargin, false); }
    long double Width() const { return Get(iWidth, true); }
    long double LeftMargin() const { return Get(iLeftMargin, true); }
    long double RightMargin() const { return Get(iRightMargin, true); }
    long double ColumnSpace() const { return Get(iColumnSpace, true); }
    void SetBottomMargin(long double v);
    // Accepted only while PaperSize is Custom.
    void SetLength(long double v);
    void SetWidth(long double v);
    void SetTopMargin(long double v);
    void SetLeftMargin(long double v);
    void SetRightMargin(long double v);
    void SetColumnSpace(long double v);

    int Columns() const { return columns_; }
    void SetColumns(int n);
    TPrinterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation o);
    TRpPaperSize PaperSize() const { return paperSize_; }
    void SetPaperSize(TRpPaperSize p);
    bool Ruler() const { return ruler_; }
    void SetRuler(bool r);

    void LoadValues(TReader& reader) override;
    void UpdateOwnerBounds() override;
    void SetUnits(TRpUnit unit) override;

private:
    void Arrange() const;
    void Repaint() const;
    int columns_ = 1;
    TPrinterOrientation orientation_ = poPortrait;
    TRpPaperSize paperSize_ = TRpPaperSize::Default;
    bool ruler_ = true;
};

// Height and width of a band.
class TRpBandSize : public TRpUnitBase {
    Q_OBJECT
    Q_PROPERTY(double Height READ Height WRITE SetHeight STORED false)
    Q_PROPERTY(double Width READ Width WRITE SetWidth STORED false)
public:
    enum Index { iHeight, iWidth };

    explicit TRpBandSize(TRpCustomBand* band);

    long double Height() const { return Get(iHeight, false); }
    long double Width() const { return Get(iWidth, true); }
    void SetHeight(long double v);
    void SetWidth(long double v);
    TRpCustomBand* Band() const { return band_; }

    void UpdateOwnerBounds() override;

private:
    TRpCustomBand* band_;
};

// Position and size of a printable item, relative to its band (or to the page for an
// item placed on the report itself).
class TRpPrintableSize : public TRpUnitBase {
    Q_OBJECT
    Q_PROPERTY(double Height READ Height WRITE SetHeight STORED false)
    Q_PROPERTY(double Left READ Left WRITE SetLeft STORED false)
    Q_PROPERTY(double Top READ Top WRITE SetTop STORED false)
    Q_PROPERTY(double Width READ Width WRITE SetWidth STORED false)
public:
    enum Index { iHeight, iLeft, iTop, iWidth };

    explicit TRpPrintableSize(TRpPrintable* item);

    long double Height() const { return Get(iHeight, false); }
    long double Left() const { return Get(iLeft, true); }
    long double Top() const { return Get(iTop, false); }
    long double Width() const { return Get(iWidth, true); }
    void SetHeight(long double v);
    void SetLeft(long double v);
    void SetTop(long double v);
    void SetWidth(long double v);
    TRpPrintable* Item() const { return item_; }

    void UpdateOwnerBounds() override;

private:
    void Set(int index, bool horizontal, long double v);
    TRpPrintable* item_;
};

// ---- Frames ----------------------------------------------------------------------------

// Up to four lines around a report, band or item; the width is in points.
class TRpFrame : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool DrawTop READ DrawTop WRITE SetDrawTop)
    Q_PROPERTY(bool DrawBottom READ DrawBottom WRITE SetDrawBottom)
    Q_PROPERTY(bool DrawLeft READ DrawLeft WRITE SetDrawLeft)
    Q_PROPERTY(bool DrawRight READ DrawRight WRITE SetDrawRight)
    Q_PROPERTY(TPen::Style Style READ Style WRITE SetStyle)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
public:
    explicit TRpFrame(TControl* owner);

    TColor Color() const { return color_; }
    void SetColor(TColor c);
    bool DrawTop() const { return drawTop_; }
    void SetDrawTop(bool v);
    bool DrawBottom() const { return drawBottom_; }
    void SetDrawBottom(bool v);
    bool DrawLeft() const { return drawLeft_; }
    void SetDrawLeft(bool v);
    bool DrawRight() const { return drawRight_; }
    void SetDrawRight(bool v);
    TPen::Style Style() const { return style_; }
    void SetStyle(TPen::Style s);
    int Width() const { return width_; }
    void SetWidth(int w);

    bool HasAnyLine() const { return drawTop_ || drawBottom_ || drawLeft_ || drawRight_; }
    void ApplyPen(TPen* pen) const;
    // Line thickness in device pixels for factors in device pixels per native unit; a
    // hairline (negative width) and a line that would vanish are one pixel.
    int LineWidth(long double factor) const;
    // Fills the enabled lines inside rect (exclusive right and bottom).
    void DrawFrame(TCanvas* canvas, const TRpRect& rect, long double xFactor,
                   long double yFactor) const;

    void Assign(TPersistent* source) override;

private:
    void Changed() const;
    TControl* owner_;
    TColor color_ = clBlack;
    bool drawTop_ = false, drawBottom_ = false, drawLeft_ = false, drawRight_ = false;
    TPen::Style style_ = TPen::psSolid;
    int width_ = 1;
};

// ---- Panels ----------------------------------------------------------------------------

// A panel with a frame and a zoom: the report and its bands.
class TRpBasePanel : public TCustomPanel {
    Q_OBJECT
    Q_PROPERTY(TRpFrame* Frame READ Frame)
public:
    explicit TRpBasePanel(TComponent* owner);
    ~TRpBasePanel() override;

    TRpFrame* Frame() const { return frame_; }
    int Zoom() const { return zoom_; }
    // Stores the zoom (0 is ignored) and passes it to the items and bands on the panel.
    virtual void SetZoom(int zoom);

protected:
    void Paint() override;

private:
    TRpFrame* frame_;
    int zoom_ = 100;
};
