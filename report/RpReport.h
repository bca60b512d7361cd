#pragma once
// The report: page geometry held in tenths of a millimetre and shown in a chosen unit,
// frames, the panels that carry them, bands with the printable items on them, and the
// print pass that walks the bands page after page into a report printer.
//
// Every stored length is a long double in native units (0.1 mm, 254 to the inch). The
// display unit only changes how the size properties read and write; during a pass every
// size record reads in native units, so band and item geometry reaches the report printer
// in tenths of a millimetre and the printer turns it into device pixels.

#include "framework/core/Reader.h"
#include "framework/widgets/ExtCtrls.h"
#include "report/RpPrntr.h"

#include <QMap>
#include <QPointer>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class TCustomReport;
class TRpCustomBand;
class TRpPrintable;
class TMetafile;

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
    int GridFontSize() const { return gridFontSize_; }
    void SetGridFontSize(int s) { gridFontSize_ = s; }

protected:
    void Paint() override;

private:
    TRpFrame* frame_;
    int zoom_ = 100;
    int gridFontSize_ = 12;
};

// ---- Printable items -------------------------------------------------------------------

// The base of everything that prints on a band or on the page: a position and size in
// native units, a frame, and the calls a band makes while it prints.
//
// An item class overrides PrintItem to draw its content on PageCanvas() at
// Size()->Left() + offsetX, Size()->Top() + offsetY (native units, turned into device
// pixels by Printer()->ToDeviceX/ToDeviceY) and calls the base for the frame. Content that
// does not all fit on this page clears ItemDone; the band then prints the item again on
// the next column or page, where it goes on. An item that grows asks its band for room
// with RequestStretch. PrepareItem and UnprepareItem bracket a pass.
class TRpPrintable : public TCustomControl {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(TRpFrame* Frame READ Frame)
    Q_PROPERTY(TRpPrintableSize* Size READ Size)
public:
    explicit TRpPrintable(TComponent* owner);
    ~TRpPrintable() override;

    TRpFrame* Frame() const { return frame_; }
    TRpPrintableSize* Size() const { return size_; }

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    bool AlignToBand() const { return alignToBand_; }
    void SetAlignToBand(bool v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);

    // The report this item prints for, the band it stands on (none when it stands on the
    // report), and the report printer of the running pass (none outside a pass).
    TCustomReport* Report() const { return report_; }
    void SetReport(TCustomReport* report);
    TRpCustomBand* Band() const;
    TRpPrinter* Printer() const { return printer_.data(); }
    bool Printing() const { return printing_; }
    bool ItemDone() const { return itemDone_; }

    virtual bool IsPrintEnabled() const;
    virtual void AlignInBand();
    virtual void PrepareItem();
    // Prints the item with its position moved by the offsets (native units); the base
    // draws the frame.
    virtual void PrintItem(long double offsetX, long double offsetY);
    // Operation 2: the band was resized.
    virtual void BandResized(TObject* sender, int operation);
    virtual void StoreAlignment(TAlignment a);
    virtual void UnprepareItem();

    void SetBounds(int left, int top, int width, int height) override;
    void SetParent(TWinControl* parent) override;
    void Loaded() override;

protected:
    // Where items draw: the open page of the report printer. None outside a pass.
    TCanvas* PageCanvas() const;
    // False while there is no page to draw on: outside a pass, or the item in no report.
    bool CanvasOutput() const;
    // The item's rectangle on the page in device pixels, moved by the offsets.
    TRpRect DeviceRect(long double offsetX, long double offsetY) const;
    void SetItemDone(bool done) { itemDone_ = done; }
    void Paint() override;
    // Black marks four pixels long in the item's corners on the design surface.
    void DrawCornerMarks(TCanvas* canvas) const;

private:
    void EchoBounds(int left, int top, int width, int height);
    TRpFrame* frame_;
    TRpPrintableSize* size_;
    TAlignment alignment_ = TControlEnums::taLeftJustify;
    bool alignToBand_ = false;
    bool aligning_ = false;
    bool printing_ = false;
    TCustomReport* report_ = nullptr;
    // Guarded: the report frees its printers while items may still be asked to print.
    QPointer<TRpPrinter> printer_;
    bool itemDone_ = true;
    bool transparent_ = false;
    int loadedLeft_ = 0, loadedTop_ = 0, loadedWidth_ = 0, loadedHeight_ = 0;
};

// ---- Bands -----------------------------------------------------------------------------

class TRpCustomController;

using TRpBandBeforePrintEvent = std::function<void(TObject*, bool&)>;
using TRpBandAfterPrintEvent = std::function<void(TObject*, bool)>;

// A horizontal strip of the page that prints its items at the report's cursor.
class TRpCustomBand : public TRpBasePanel {
    Q_OBJECT
    Q_PROPERTY(bool AlignToBottom READ AlignToBottom WRITE SetAlignToBottom)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool ForceNewColumn READ ForceNewColumn WRITE SetForceNewColumn)
    Q_PROPERTY(bool ForceNewPage READ ForceNewPage WRITE SetForceNewPage)
    Q_PROPERTY(bool HasChild READ HasChild WRITE SetHasChild STORED false)
    Q_PROPERTY(TRpBandSize* Size READ Size)
public:
    // Height of the part of a band that continues on a new column or page, before its
    // items stretch it: 10 mm.
    static constexpr long double kContinuationHeight = 100;
    // Continuations of one band after which a pass gives up on items that never finish.
    static constexpr int kMaxContinuations = 1000;

    explicit TRpCustomBand(TComponent* owner);
    ~TRpCustomBand() override;

    TRpBandType BandType() const { return bandType_; }
    virtual void SetBandType(TRpBandType t);
    TRpBandSize* Size() const { return size_; }
    TCustomReport* Report() const { return report_; }
    void SetReport(TCustomReport* report);

    bool AlignToBottom() const { return alignToBottom_; }
    void SetAlignToBottom(bool v) { alignToBottom_ = v; }
    bool ForceNewColumn() const { return forceNewColumn_; }
    void SetForceNewColumn(bool v) { forceNewColumn_ = v; }
    bool ForceNewPage() const { return forceNewPage_; }
    void SetForceNewPage(bool v) { forceNewPage_ = v; }
    TRpCustomBand* LinkBand() const { return linkBand_; }
    // Refused (false) when the chain of linked bands would come back to this band.
    bool SetLinkBand(TRpCustomBand* band);
    bool HasChild() const { return ChildBand() != nullptr; }
    void SetHasChild(bool v);
    // The band that continues this one below it, if any.
    TRpCustomBand* ChildBand() const;
    // The type this band places and prints as: a child band's is its parent's.
    TRpBandType EffectiveType() const;

    // Print state of the current OutputBand.
    const TRpRect& PrintRect() const { return printRect_; }
    long double Stretch() const { return stretch_; }
    bool Arranging() const { return arranging_; }
    void SetArranging(bool v) { arranging_ = v; }
    TRpCustomController* Controller() const { return controller_; }
    void SetController(TRpCustomController* c) { controller_ = c; }

    // Prints the band and its items at the report's cursor (through the report's EmitBand).
    void OutputBand();
    bool HasRoomFor(long double extra) const;
    // Asks for `extra` more height: true when the band has it (it stretched, or another item
    // had already stretched it as far) and newStretch is its stretch now; false, with
    // nothing changed, when the page has no room for it.
    bool RequestStretch(long double extra, long double& newStretch, bool& counted);
    // Height with the room the linked bands reserve, native units.
    long double HeightWithLinks() const;

    void SetBounds(int left, int top, int width, int height) override;
    void SetParent(TWinControl* parent) override;
    void SetZoom(int zoom) override;
    void Loaded() override;
    void DefineProperties(TFiler& filer) override;

    TRpBandBeforePrintEvent BeforePrint;
    TRpBandAfterPrintEvent AfterPrint;

protected:
    void Paint() override;

private:
    friend class TCustomReport;
    void PrintBand();
    bool MayContinue(int continuations) const;
    void EnsureRoom();
    void PrintItems(bool first, bool& allDone);
    void BeginPart();
    void RealignItems();
    TRpBandSize* size_;
    TRpBandType bandType_ = rbDetail;
    TCustomReport* report_ = nullptr;
    TRpRect printRect_;
    long double stretch_ = 0;
    bool alignToBottom_ = false;
    bool forceNewColumn_ = false;
    bool forceNewPage_ = false;
    bool arranging_ = false;
    int loadedHeight_ = 40;
    QPointer<TRpCustomBand> linkBand_;
    TComponentReference linkBandName_;
    TRpCustomController* controller_ = nullptr;
};

// A band of a chosen type.
class TRpBand : public TRpCustomBand {
    Q_OBJECT
    Q_PROPERTY(TRpReportEnums::TRpBandType BandType READ BandType WRITE SetBandType)
public:
    explicit TRpBand(TComponent* owner);
    void SetBandType(TRpBandType t) override;
};

// A band that continues its parent band below it.
class TRpChildBand : public TRpCustomBand {
    Q_OBJECT
public:
    explicit TRpChildBand(TComponent* owner);

    TRpCustomBand* ParentBand() const { return parentBand_; }
    // Refused (false) when the chain of parents would come back to this band.
    bool SetParentBand(TRpCustomBand* band);

    void Loaded() override;
    void DefineProperties(TFiler& filer) override;

private:
    QPointer<TRpCustomBand> parentBand_;
    TComponentReference parentBandName_;
};

// The switches that create or remove the report's standard bands.
class TReportBands : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(bool HasTitle READ HasTitle WRITE SetHasTitle STORED false)
    Q_PROPERTY(bool HasPageHeader READ HasPageHeader WRITE SetHasPageHeader STORED false)
    Q_PROPERTY(bool HasColumnHeader READ HasColumnHeader WRITE SetHasColumnHeader STORED false)
    Q_PROPERTY(bool HasDetail READ HasDetail WRITE SetHasDetail STORED false)
    Q_PROPERTY(bool HasPageFooter READ HasPageFooter WRITE SetHasPageFooter STORED false)
    Q_PROPERTY(bool HasSummary READ HasSummary WRITE SetHasSummary STORED false)
public:
    explicit TReportBands(TCustomReport* report);

    bool HasTitle() const { return Has(rbTitle); }
    bool HasPageHeader() const { return Has(rbPageHeader); }
    bool HasColumnHeader() const { return Has(rbColumnHeader); }
    bool HasDetail() const { return Has(rbDetail); }
    bool HasPageFooter() const { return Has(rbPageFooter); }
    bool HasSummary() const { return Has(rbSummary); }
    void SetHasTitle(bool v) { Set(rbTitle, v); }
    void SetHasPageHeader(bool v) { Set(rbPageHeader, v); }
    void SetHasColumnHeader(bool v) { Set(rbColumnHeader, v); }
    void SetHasDetail(bool v) { Set(rbDetail, v); }
    void SetHasPageFooter(bool v) { Set(rbPageFooter, v); }
    void SetHasSummary(bool v) { Set(rbSummary, v); }

private:
    bool Has(TRpBandType t) const;
    void Set(TRpBandType t, bool v);
    TCustomReport* report_;
};

// ---- Records to print ------------------------------------------------------------------

// What the band-sequence controller needs of a data set.
class TRpDataSet {
public:
    virtual ~TRpDataSet();
    virtual bool Active() const = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual void Prior() = 0;
    virtual bool Eof() const = 0;
    // Number of records; negative when it cannot be told.
    virtual int RecordCount() const = 0;
};

// Records held in memory: one map of field values per record.
class TRpMemoryDataSet : public TRpDataSet {
public:
    TRpMemoryDataSet() = default;
    explicit TRpMemoryDataSet(std::vector<QVariantMap> records) : records_(std::move(records)) {}

    void Append(const QVariantMap& record) { records_.push_back(record); }
    void SetActive(bool a) { active_ = a; }
    // The value of a field of the current record; invalid past the end.
    QVariant Field(const QString& name) const;
    int RecNo() const { return current_; }

    bool Active() const override { return active_; }
    void First() override { current_ = 0; }
    void Next() override;
    void Prior() override;
    bool Eof() const override { return current_ >= static_cast<int>(records_.size()); }
    int RecordCount() const override { return static_cast<int>(records_.size()); }

private:
    std::vector<QVariantMap> records_;
    int current_ = 0;
    bool active_ = true;
};

using TRpOnNeedDataEvent = std::function<void(TObject*, bool&)>;

// Prints the header band, the detail band once per record (or once for a report without
// records when PrintIfEmpty), and the footer band.
class TRpCustomController {
public:
    explicit TRpCustomController(TCustomReport* report) : report_(report) {}
    virtual ~TRpCustomController();

    TCustomReport* Report() const { return report_; }
    TRpCustomBand* DetailBand() const { return detail_; }
    TRpCustomBand* HeaderBand() const { return header_; }
    TRpCustomBand* FooterBand() const { return footer_; }
    void SetBands(TRpCustomBand* detail, TRpCustomBand* header, TRpCustomBand* footer);
    TRpDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TRpDataSet* d) { dataSet_ = d; }
    bool PrintIfEmpty() const { return printIfEmpty_; }
    void SetPrintIfEmpty(bool v) { printIfEmpty_ = v; }
    int DetailNumber() const { return detailNumber_; }

    virtual void Prepare() {}
    virtual void Unprepare();
    virtual void Execute();
    // Aggregates of the expression environment would follow the records here.
    virtual void NotifyClients() {}

    TRpOnNeedDataEvent OnNeedData;

protected:
    void PrintEmpty();
    void PrintRecords();
    bool NextRecord();

private:
    bool IsReportsOwn() const;
    bool AllowedToGoOn() const;
    void PostRecordProgress(int recordCount) const;
    TCustomReport* report_;
    QPointer<TRpCustomBand> detail_, header_, footer_;
    TRpDataSet* dataSet_ = nullptr;
    bool printIfEmpty_ = true;
    int detailNumber_ = 0;
};

class TRpController : public TRpCustomController {
public:
    using TRpCustomController::TRpCustomController;
};

// ---- The report ------------------------------------------------------------------------

class TReportPrinterSettings : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int Copies READ Copies WRITE SetCopies)
    Q_PROPERTY(bool Duplex READ Duplex WRITE SetDuplex)
    Q_PROPERTY(int FirstPage READ FirstPage WRITE SetFirstPage)
    Q_PROPERTY(int LastPage READ LastPage WRITE SetLastPage)
    Q_PROPERTY(TRpEnums::TRpBin OutputBin READ OutputBin WRITE SetOutputBin)
public:
    using TPersistent::TPersistent;
    int Copies() const { return copies_; }
    void SetCopies(int c) { copies_ = c; }
    bool Duplex() const { return duplex_; }
    void SetDuplex(bool d) { duplex_ = d; }
    int FirstPage() const { return firstPage_; }
    void SetFirstPage(int p) { firstPage_ = p; }
    int LastPage() const { return lastPage_; }
    void SetLastPage(int p) { lastPage_ = p; }
    TRpBin OutputBin() const { return outputBin_; }
    void SetOutputBin(TRpBin b) { outputBin_ = b; }
    int PrinterIndex() const { return printerIndex_; }
    void SetPrinterIndex(int i) { printerIndex_ = i; }
    // Choices of the printer set-up kept for the next print: the printer by name (it wins
    // over the index, which moves when queues come and go; empty: use the index), the PDF
    // file of the PDF file printer (empty: asked when printing), collated copies.
    const QString& PrinterName() const { return printerName_; }
    void SetPrinterName(const QString& n) { printerName_ = n; }
    const QString& PdfFileName() const { return pdfFileName_; }
    void SetPdfFileName(const QString& n) { pdfFileName_ = n; }
    bool Collate() const { return collate_; }
    void SetCollate(bool c) { collate_ = c; }
    void Assign(TPersistent* source) override;

private:
    int copies_ = 1;
    bool collate_ = false;
    bool duplex_ = false;
    QString printerName_;
    QString pdfFileName_;
    int firstPage_ = 0;
    int lastPage_ = 0;
    TRpBin outputBin_ = TRpBin::Auto;
    int printerIndex_ = -1;
};

// Named values of the report that expressions read ("PAGENUMBER", ...).
class TRpFunctions {
public:
    void Set(const QString& name, const QString& value) { values_[name] = value; }
    QString Value(const QString& name) const { return values_.value(name); }
    bool Contains(const QString& name) const { return values_.contains(name); }

private:
    QMap<QString, QString> values_;
};

using TRpReportBeforePrintEvent = std::function<void(TObject*, bool&)>;

// How a pass ended. Only a finished pass prints; a cancelled or failed one drops its job.
enum class TRpPassEnd : uint8_t { Finished, Cancelled, Failed };
using TRpNotifyEvent = TNotifyEvent;

class TCustomReport : public TRpBasePanel {
    Q_OBJECT
    Q_PROPERTY(TReportBands* Bands READ Bands)
    Q_PROPERTY(TStrings* Description READ Description)
    Q_PROPERTY(TRpReportEnums::TReportOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(TRpPage* Page READ Page)
    Q_PROPERTY(TReportPrinterSettings* PrinterSettings READ PrinterSettings)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_PROPERTY(QString ReportTitle READ ReportTitle WRITE SetReportTitle)
    Q_PROPERTY(bool ShowProgress READ ShowProgress WRITE SetShowProgress)
    Q_PROPERTY(bool SnapToGrid READ SnapToGrid WRITE SetSnapToGrid)
    Q_PROPERTY(TRpReportEnums::TRpUnit Units READ Units WRITE SetUnits)
    Q_PROPERTY(int Zoom READ Zoom WRITE SetZoom)
public:
    explicit TCustomReport(TComponent* owner);
    ~TCustomReport() override;

    // ---- properties
    TReportBands* Bands() const { return bands_; }
    TStrings* Description() const { return description_; }
    TReportOptions Options() const { return options_; }
    void SetOptions(TReportOptions o) { options_ = o; }
    TRpPage* Page() const { return page_; }
    TReportPrinterSettings* PrinterSettings() const { return printerSettings_; }
    bool PrintIfEmpty() const;
    void SetPrintIfEmpty(bool v);
    const QString& ReportTitle() const { return reportTitle_; }
    void SetReportTitle(const QString& t) { reportTitle_ = t; }
    bool ShowProgress() const { return showProgress_; }
    void SetShowProgress(bool v) { showProgress_ = v; }
    bool SnapToGrid() const { return snapToGrid_; }
    void SetSnapToGrid(bool v) { snapToGrid_ = v; }
    TRpUnit Units() const { return page_->Units(); }
    // Changes how every size record of the report reads and writes.
    void SetUnits(TRpUnit unit);
    // Accepts 1 to 300.
    void SetZoom(int zoom) override;
    TRpFunctions& Functions() { return functions_; }
    TRpCustomController* Controller() const { return controller_.get(); }

    // ---- bands
    int BandCount() const { return static_cast<int>(bandList_.size()); }
    TRpCustomBand* BandAt(int i) const { return bandList_.at(static_cast<size_t>(i)); }
    // The first band of the list with this type; none when there is none.
    TRpCustomBand* FindBand(TRpBandType type) const;
    void AddBand(TRpCustomBand* band);
    void RemoveBand(TRpCustomBand* band);
    // Rebuilds the band list in print order, and places the bands on the panel.
    void SortBands();
    void ArrangeBands();

    // ---- entry points
    // Runs a pass into the page store and shows it; returns when the preview has closed.
    void PreviewReport();
    // Runs a pass to the chosen printer with the progress window; nothing while a pass
    // runs or when no printer is installed.
    void PrintReport();
    // The preview's printer set-up: the print dialog for the next print's printer,
    // orientation, copies and page range. Tag becomes 0 when confirmed, 1 when cancelled.
    void PrinterSetup(TObject* sender);
    virtual void RunReport(bool composite);
    // Stops the running pass at its next check.
    void CancelRun();

    // ---- run state and page logic (called by bands and the controller)
    bool Idle() const { return idle_; }
    bool CancelFlag() const { return cancelFlag_; }
    bool Finishing() const { return finishing_; }
    int PageNo() const { return pageNo_; }
    int ColumnNo() const { return columnNo_; }
    int ColumnTop() const { return columnTop_; }
    int CursorX() const { return cursorX_; }
    int CursorY() const { return cursorY_; }
    void SetCursorY(int y) { cursorY_ = y; }
    long double PageFooterHeight() const { return pageFooterHeight_; }
    bool HeaderLatch() const { return headerLatch_; }
    void SetHeaderLatch() { headerLatch_ = true; }
    bool ColumnBreakLatch() const { return columnBreakLatch_; }
    // How the last pass ended; Finished before the first.
    TRpPassEnd PassEnd() const { return passEnd_; }
    // True once a pass has given up on a band whose items never finish.
    bool Stopped() const { return stopped_; }
    // True while the page's own bands print (page header and footer, column header):
    // they never start another page.
    bool PlacingPageBands() const { return pageBandDepth_ > 0; }

    TRpPrinter* RpPrinter() const { return rpPrinter_; }
    void EmitBand(TRpCustomBand* band);
    int RemainingHeight() const;
    void AdvanceColumn();
    void ForcePageBreak();
    void ForceColumnBreak();
    // Called by a band whose items need more continuations than a pass allows.
    void StopPass();
    // Screen pixels of the text in the font, plus one; 0 when it cannot be measured.
    int TextWidthOf(TFont* font, const QString& text) const;
    // Screen pixels of the height of "A" in the font.
    int TextHeightOf(TFont* font, const QString& text) const;
    // The picture of page 1 shown on the panel; none before a pass.
    TMetafile* PageImage() const { return pageImage_.get(); }

    void SetBounds(int left, int top, int width, int height) override;
    void Loaded() override;

    // ---- events
    TNotifyEvent AfterPrint;
    TNotifyEvent AfterPreview;
    TRpReportBeforePrintEvent BeforePrint;
    TRpNotifyEvent OnEndPage;
    TRpOnNeedDataEvent OnNeedData;
    TNotifyEvent OnPreview;
    TRpNotifyEvent OnStartPage;

protected:
    void WndProc(TMessage& m) override;
    void SetController(std::unique_ptr<TRpCustomController> c);
    virtual void ExecuteController();

private:
    friend class TRpCustomBand;
    friend class TRpCustomController;
    bool NewPrinterObject();
    void FreePrinter(TRpPrinter* printer);
    bool OwnsPrinter(const TRpPrinter* printer) const;
    void PrintRequest(TRpPrinter* from);
    void ApplyPrinterSettings();
    void ApplyChoicesTo(TRpPrinter& printer, bool pass);
    void PresetDeviceMode(TPrinter& own) const;
    void StartPass(bool composite);
    void FinishPass(bool composite, TRpPassEnd end);
    void CheckMargins();
    void SumPageFooterHeight();
    void ResetRunState();
    void BeginNewPage();
    void EndCurrentPage();
    void PrintPageItems();
    long double PageHeight() const;
    long double ColumnStep() const;
    void ForEachPrintable(const std::function<void(TRpPrintable*)>& f) const;
    void DetachChildren();
    void SetPageNumber(int n);
    void SetColumnNumber(int n);

    TReportBands* bands_;
    TStrings* description_;
    TRpPage* page_;
    TReportPrinterSettings* printerSettings_;
    std::unique_ptr<TRpCustomController> controller_;
    std::vector<TRpCustomBand*> bandList_;
    TRpFunctions functions_;
    TReportOptions options_ = TRpReportEnums::FirstPageHeader | TRpReportEnums::LastPageFooter;
    QString reportTitle_;
    bool showProgress_ = true;
    bool snapToGrid_ = true;

    // Run state.
    bool idle_ = true;
    bool cancelFlag_ = false;
    bool finishing_ = false;
    bool stopped_ = false;
    TRpPassEnd passEnd_ = TRpPassEnd::Finished;
    bool headerLatch_ = false;
    bool columnBreakLatch_ = false;
    bool destroying_ = false;
    bool arrangingBands_ = false;
    int pageBandDepth_ = 0;
    int pageNo_ = 0;
    int columnNo_ = 1;
    int columnTop_ = 0;
    int cursorX_ = 0;
    int cursorY_ = -1;
    long double pageFooterHeight_ = 0;

    // Report printers this report made: the current one, and earlier ones whose preview
    // still shows them. Freed when their preview closes, or with the report.
    TRpPrinter* rpPrinter_ = nullptr;
    std::vector<std::unique_ptr<TRpPrinter>> printers_;
    // The printer whose loaded pages are printing, and whether its preview closed meanwhile.
    TRpPrinter* printingKept_ = nullptr;
    bool freeAfterPrinting_ = false;
    std::unique_ptr<TMetafile> pageImage_;
};

// The report with its data-set controller.
class TReport : public TCustomReport {
    Q_OBJECT
public:
    explicit TReport(TComponent* owner);

    TRpDataSet* DataSet() const;
    void SetDataSet(TRpDataSet* d);
};

// Makes the report, its bands and the printable base known to the layout reader.
void RegisterReportClasses();
