#pragma once
// Printable items and bands: the base of everything that prints on a band or on the page,
// the bands that print them at the report's cursor, and the report's band switches.

#include "report/RpPrntr.h"
#include "report/RpReportGeometry.h"

#include <QPointer>
#include <functional>

class TCustomReport;
class TRpCustomController;

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
