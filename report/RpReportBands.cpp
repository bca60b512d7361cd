// Printable items and bands: how they follow their pixel bounds on the design surface and
// how a band prints itself and its items onto the current page.
#include "report/RpReport.h"
#include "report/pagestore/RpUnits.h"

#include "framework/widgets/Forms.h"

namespace {

bool Designing(const TComponent* c) {
    return c->ComponentState() & csDesigning;
}

// Switches a size record to screen pixels for one scope.
class TPixelScope {
public:
    explicit TPixelScope(TRpUnitBase* size) : size_(size) { size_->SwitchToPixels(); }
    ~TPixelScope() { size_->RestoreUnits(); }
    TPixelScope(const TPixelScope&) = delete;
    TPixelScope& operator=(const TPixelScope&) = delete;

private:
    TRpUnitBase* size_;
};

// Bands of these types never start a page or column of their own.
bool IsPageBandType(TRpBandType t) {
    return t == rbTitle || t == rbPageHeader || t == rbPageFooter || t == rbOverlay;
}

// Chains of linked or parent bands are short; a longer walk means a cycle.
constexpr int kMaxChain = 1000;

} // namespace

// ---- TRpPrintable ----------------------------------------------------------------------

TRpPrintable::TRpPrintable(TComponent* owner)
    : TCustomControl(owner), frame_(new TRpFrame(this)), size_(new TRpPrintableSize(this)) {
    SetColor(clWhite);
    SetBounds(Left(), Top(), 10, 10);
}

TRpPrintable::~TRpPrintable() = default;

void TRpPrintable::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    StoreAlignment(a);
}

void TRpPrintable::StoreAlignment(TAlignment a) {
    alignment_ = a;
    if (alignToBand_) AlignInBand();
    Invalidate();
}

void TRpPrintable::SetAlignToBand(bool v) {
    if (v == alignToBand_) return;
    alignToBand_ = v;
    AlignInBand();
}

void TRpPrintable::SetTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    Invalidate();
}

void TRpPrintable::SetReport(TCustomReport* report) {
    report_ = report;
    size_->SetReport(report);
}

TRpCustomBand* TRpPrintable::Band() const {
    return qobject_cast<TRpCustomBand*>(Parent());
}

bool TRpPrintable::IsPrintEnabled() const {
    return Enabled() || !Visible();
}

void TRpPrintable::AlignInBand() {
    if (!alignToBand_) return;
    aligning_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{aligning_};
    TRpCustomBand* band = Band();
    switch (alignment_) {
    case TControlEnums::taLeftJustify:
        SetLeft(0);
        break;
    case TControlEnums::taRightJustify:
        if (band) SetLeft(band->Width() - Width());
        break;
    case TControlEnums::taCenter:
        if (band) SetLeft((band->Width() - Width()) / 2);
        break;
    }
}

void TRpPrintable::PrepareItem() {
    printing_ = true;
    printer_ = report_ ? report_->RpPrinter() : nullptr;
}

void TRpPrintable::UnprepareItem() {
    printing_ = false;
    printer_ = nullptr;
}

TCanvas* TRpPrintable::PageCanvas() const {
    return printer_ ? printer_->PageCanvas() : nullptr;
}

bool TRpPrintable::CanvasOutput() const {
    return report_ && PageCanvas();
}

TRpRect TRpPrintable::DeviceRect(long double offsetX, long double offsetY) const {
    const long double left = size_->NativeValue(TRpPrintableSize::iLeft) + offsetX;
    const long double top = size_->NativeValue(TRpPrintableSize::iTop) + offsetY;
    const long double width = size_->NativeValue(TRpPrintableSize::iWidth);
    const long double height = size_->NativeValue(TRpPrintableSize::iHeight);
    if (!printer_) return {};
    return {printer_->ToDeviceX(left), printer_->ToDeviceY(top), printer_->ToDeviceX(left + width),
            printer_->ToDeviceY(top + height)};
}

void TRpPrintable::PrintItem(long double offsetX, long double offsetY) {
    if (!CanvasOutput() || !frame_->HasAnyLine()) return;
    frame_->DrawFrame(PageCanvas(), DeviceRect(offsetX, offsetY), printer_->XFactor(),
                      printer_->YFactor());
}

void TRpPrintable::BandResized(TObject*, int operation) {
    if (operation == 2) AlignInBand();
}

void TRpPrintable::SetBounds(int left, int top, int width, int height) {
    if (size_->OwnerUpdating()) {
        TCustomControl::SetBounds(left, top, width, height);
    } else if (IsLoading()) {
        // The stored Values decide; pixel bounds of the layout only fill what they leave 0.
        if (left) loadedLeft_ = left;
        if (top) loadedTop_ = top;
        if (width) loadedWidth_ = width;
        if (height) loadedHeight_ = height;
        return;
    } else {
        EchoBounds(left, top, width, height);
    }
    if (!aligning_) AlignInBand();
}

// A pixel value is compared with the record's value in pixels at the same zoom, so that a
// move is never taken for the present position.
void TRpPrintable::EchoBounds(int left, int top, int width, int height) {
    const TPixelScope pixels(size_);
    if (height != RoundInt(size_->Height())) size_->SetHeight(height);
    if (width != RoundInt(size_->Width())) size_->SetWidth(width);
    if (top != RoundInt(size_->Top())) size_->SetTop(top);
    if (left != RoundInt(size_->Left())) size_->SetLeft(left);
}

void TRpPrintable::SetParent(TWinControl* parent) {
    TCustomControl::SetParent(parent);
    if (auto* report = qobject_cast<TCustomReport*>(parent)) {
        size_->SetUnits(report->Units());
        SetReport(report);
        size_->SetZoom(report->Zoom());
    } else if (auto* band = qobject_cast<TRpCustomBand*>(parent)) {
        size_->SetUnits(band->Size()->Units());
        if (band->Report()) SetReport(band->Report());
        size_->SetZoom(band->Report() ? band->Report()->Zoom() : band->Zoom());
    } else {
        return;
    }
    size_->UpdateOwnerBounds();
    if (!IsLoading()) SetBounds(Left(), Top(), Width(), Height());
}

void TRpPrintable::Loaded() {
    TCustomControl::Loaded();
    size_->AfterLoad();
    const int left = Left() ? Left() : loadedLeft_;
    const int top = Top() ? Top() : loadedTop_;
    const int width = Width() ? Width() : loadedWidth_;
    const int height = Height() ? Height() : loadedHeight_;
    SetBounds(left, top, width, height);
}

void TRpPrintable::Paint() {
    if (printing_) return;
    TCanvas* canvas = Canvas();
    const int w = Width(), h = Height();
    if (!transparent_) {
        canvas->Brush()->SetBrushStyle(bsSolid);
        canvas->Brush()->SetColor(clWhite);
        canvas->FillRect(ClientRect());
    }
    DrawCornerMarks(canvas);
    const long double factor =
        Units::Ratio(Units::kTenthMm, Units::Pixels(kRpPixelsPerInch, size_->Zoom()));
    frame_->DrawFrame(canvas, {0, 0, w, h}, factor, factor);
}

void TRpPrintable::DrawCornerMarks(TCanvas* canvas) const {
    const int w = Width(), h = Height();
    canvas->Pen()->SetColor(clBlack);
    canvas->Pen()->SetWidth(1);
    constexpr int mark = 4;
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)}) {
        const int dx = corner.x() == 0 ? mark : -mark;
        const int dy = corner.y() == 0 ? mark : -mark;
        canvas->MoveTo(corner.x(), corner.y());
        canvas->LineTo(corner.x() + dx, corner.y());
        canvas->MoveTo(corner.x(), corner.y());
        canvas->LineTo(corner.x(), corner.y() + dy);
    }
}

// ---- TRpCustomBand ---------------------------------------------------------------------

TRpCustomBand::TRpCustomBand(TComponent* owner)
    : TRpBasePanel(owner), size_(new TRpBandSize(this)) {
    SetAlign(TControlEnums::alNone);
    SetCaption(QString());
    SetColor(clWhite);
    RegisterEvent("BeforePrint", BeforePrint);
    RegisterEvent("AfterPrint", AfterPrint);
    SetBounds(Left(), Top(), Width(), 40);
}

TRpCustomBand::~TRpCustomBand() {
    SetDestroying();
    if (report_) report_->RemoveBand(this);
}

void TRpCustomBand::SetBandType(TRpBandType t) {
    if (t == bandType_) return;
    bandType_ = t;
    if (report_) {
        report_->SortBands();
        report_->ArrangeBands();
    }
}

void TRpCustomBand::SetReport(TCustomReport* report) {
    report_ = report;
    size_->SetReport(report);
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* item = qobject_cast<TRpPrintable*>(Controls(i))) item->SetReport(report);
}

bool TRpCustomBand::SetLinkBand(TRpCustomBand* band) {
    int steps = 0;
    for (TRpCustomBand* b = band; b; b = b->LinkBand())
        if (b == this || ++steps > kMaxChain) return false;
    linkBand_ = band;
    return true;
}

TRpCustomBand* TRpCustomBand::ChildBand() const {
    if (!report_) return nullptr;
    for (int i = 0; i < report_->BandCount(); ++i) {
        auto* child = qobject_cast<TRpChildBand*>(report_->BandAt(i));
        if (child && child->BandType() == rbChild && child->ParentBand() == this) return child;
    }
    return nullptr;
}

void TRpCustomBand::SetHasChild(bool v) {
    if (v == HasChild()) return;
    if (v) {
        auto* child = new TRpChildBand(Owner());
        child->SetParent(Parent());
        child->SetParentBand(this);
        return;
    }
    TRpCustomBand* child = ChildBand();
    if (TRpCustomBand* grandChild = child->ChildBand())
        qobject_cast<TRpChildBand*>(grandChild)->SetParentBand(this);
    delete child;
}

TRpBandType TRpCustomBand::EffectiveType() const {
    const TRpCustomBand* b = this;
    for (int steps = 0; b && b->BandType() == rbChild && steps < kMaxChain; ++steps) {
        auto* child = qobject_cast<const TRpChildBand*>(b);
        b = child ? child->ParentBand() : nullptr;
    }
    return b ? b->BandType() : rbChild;
}

long double TRpCustomBand::HeightWithLinks() const {
    long double height = size_->NativeValue(TRpBandSize::iHeight);
    int steps = 0;
    for (TRpCustomBand* b = LinkBand(); b && b != this && ++steps <= kMaxChain; b = b->LinkBand())
        height += b->Size()->NativeValue(TRpBandSize::iHeight);
    return height;
}

void TRpCustomBand::SetBounds(int left, int top, int width, int height) {
    if (size_->OwnerUpdating()) {
        TRpBasePanel::SetBounds(left, top, width, height);
        if (report_ && !arranging_) report_->ArrangeBands();
        RealignItems();
        return;
    }
    if (IsLoading()) {
        if (height != 40) loadedHeight_ = height;
        TRpBasePanel::SetBounds(left, top, Width(), Height());
        return;
    }
    const TPixelScope pixels(size_);
    if (height != RoundInt(size_->Height())) size_->SetHeight(height);
    if (left != Left() || top != Top()) {
        TRpBasePanel::SetBounds(left, top, Width(), Height());
        if (report_) report_->ArrangeBands();
    }
    if (report_) report_->pageImage_.reset();
}

void TRpCustomBand::RealignItems() {
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* item = qobject_cast<TRpPrintable*>(Controls(i)); item && item->AlignToBand())
            item->BandResized(this, 2);
}

void TRpCustomBand::SetParent(TWinControl* parent) {
    // Bands stand on the report itself, never on another band.
    if (auto* band = qobject_cast<TRpCustomBand*>(parent)) parent = band->Parent();
    if (report_ && parent != report_) {
        TCustomReport* old = report_;
        SetReport(nullptr);
        old->RemoveBand(this);
    }
    TRpBasePanel::SetParent(parent);
    if (auto* report = qobject_cast<TCustomReport*>(parent)) {
        SetReport(report);
        report->AddBand(this);
        SetZoom(report->Zoom());
    }
}

void TRpCustomBand::SetZoom(int zoom) {
    if (zoom <= 0) return;
    TRpBasePanel::SetZoom(zoom);
    size_->SetZoom(zoom);
    size_->UpdateOwnerBounds();
}

void TRpCustomBand::Loaded() {
    TRpBasePanel::Loaded();
    size_->AfterLoad();
    if (loadedHeight_ != 40 && Height() == 40) SetBounds(Left(), Top(), Width(), loadedHeight_);
    if (linkBandName_.Pending())
        SetLinkBand(qobject_cast<TRpCustomBand*>(linkBandName_.Resolve(this)));
    if (report_ && !report_->IsLoading()) {
        report_->SortBands();
        report_->ArrangeBands();
    }
}

void TRpCustomBand::DefineProperties(TFiler& filer) {
    TRpBasePanel::DefineProperties(filer);
    linkBandName_.Define(filer, QStringLiteral("LinkBand"));
}

void TRpCustomBand::Paint() {
    TRpBasePanel::Paint();
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(clGray);
    canvas->FrameRect(ClientRect());
    const long double factor = kRpPagePixelsPerTenth;
    Frame()->DrawFrame(canvas, {0, 0, Width(), Height()}, factor, factor);
    canvas->Brush()->SetBrushStyle(bsClear);
    canvas->Font()->SetName(QStringLiteral("Arial"));
    canvas->Font()->SetHeight(-9);
    canvas->Font()->SetColor(clGray);
    const QString caption = BandCaption(bandType_);
    canvas->TextOut(2, Height() - canvas->TextHeight(caption) - 1, caption);
}

// ---- Printing a band -------------------------------------------------------------------

void TRpCustomBand::OutputBand() {
    TCustomReport* report = report_;
    if (!report) return;
    bool print = Enabled();
    if (print && BeforePrint && !Designing(this)) BeforePrint(this, print);
    if (print)
        PrintBand();
    else if (!Enabled() && controller_)
        controller_->NotifyClients();
    if (AfterPrint && !Designing(this)) AfterPrint(this, print);
    TRpCustomBand* child = ChildBand();
    if (!child) return;
    // Below a page footer its child prints as a page footer too.
    const bool asFooter = bandType_ == rbPageFooter;
    if (asFooter) child->SetBandType(rbPageFooter);
    struct Restore {
        TRpCustomBand* child;
        ~Restore() { child->SetBandType(rbChild); }
    } restore{child};
    report->EmitBand(child);
}

void TRpCustomBand::PrintBand() {
    TCustomReport* report = report_;
    const bool placeable = !IsPageBandType(bandType_) && report->PageNo() >= 1;
    if (forceNewPage_ && placeable)
        report->ForcePageBreak();
    else if (forceNewColumn_ && placeable)
        report->ForceColumnBreak();
    else
        EnsureRoom();
    if (controller_) controller_->NotifyClients();
    const long double height = size_->NativeValue(TRpBandSize::iHeight);
    stretch_ = 0;
    BeginPart();
    bool first = true;
    for (int continuations = 0;; ++continuations) {
        bool allDone = true;
        PrintItems(first, allDone);
        if (report->RpPrinter())
            Frame()->DrawFrame(report->RpPrinter()->PageCanvas(), printRect_,
                               report->RpPrinter()->XFactor(), report->RpPrinter()->YFactor());
        if (allDone || !MayContinue(continuations)) break;
        // The rest goes on in the next column or on the next page.
        report->AdvanceColumn();
        size_->SetNativeValue(TRpBandSize::iHeight, kContinuationHeight);
        stretch_ = 0;
        first = false;
        BeginPart();
    }
    report->cursorY_ += RoundInt(size_->NativeValue(TRpBandSize::iHeight) + stretch_);
    size_->SetNativeValue(TRpBandSize::iHeight, height);
}

// Items that never finish would start columns and pages without end: the pass gives up
// after a bounded number of continuations, or as soon as a cancel is requested.
bool TRpCustomBand::MayContinue(int continuations) const {
    TCustomReport* report = report_;
    if (report->PlacingPageBands()) return false;
    if (report->RpPrinter() && report->RpPrinter()->CancelRequested()) {
        report->CancelRun();
        return false;
    }
    if (continuations >= kMaxContinuations) {
        report->StopPass();
        return false;
    }
    return true;
}

// The band's rectangle on the page at the cursor, filled with its colour.
void TRpCustomBand::BeginPart() {
    TCustomReport* report = report_;
    TRpPrinter* printer = report->RpPrinter();
    if (!printer) return;
    const int x = report->CursorX(), y = report->CursorY();
    printRect_ = {printer->ToDeviceX(x), printer->ToDeviceY(y),
                  printer->ToDeviceX(size_->NativeValue(TRpBandSize::iWidth) + x),
                  printer->ToDeviceY(size_->NativeValue(TRpBandSize::iHeight) + y - 1)};
    if (!printer->PageCanvas()) return;
    TCanvas* canvas = printer->PageCanvas();
    canvas->Brush()->SetBrushStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(QRect(printRect_.Left, printRect_.Top, printRect_.Right - printRect_.Left,
                           printRect_.Bottom - printRect_.Top));
}

void TRpCustomBand::PrintItems(bool first, bool& allDone) {
    TCustomReport* report = report_;
    for (int i = 0; i < ControlCount(); ++i) {
        auto* item = qobject_cast<TRpPrintable*>(Controls(i));
        if (!item || !item->Enabled()) continue;
        if (first || !item->ItemDone()) item->PrintItem(report->CursorX(), report->CursorY());
        allDone = allDone && item->ItemDone();
    }
}

void TRpCustomBand::EnsureRoom() {
    if (bandType_ == rbPageFooter || report_->PlacingPageBands()) return;
    const int needed = RoundInt(HeightWithLinks());
    if (report_->CursorY() == -1 || report_->RemainingHeight() < needed) report_->AdvanceColumn();
}

bool TRpCustomBand::HasRoomFor(long double extra) const {
    if (!report_) return false;
    return static_cast<int64_t>(report_->RemainingHeight()) >=
           RoundEven(size_->NativeValue(TRpBandSize::iHeight) + stretch_ + extra);
}

bool TRpCustomBand::RequestStretch(long double extra, long double& newStretch, bool& counted) {
    if (!HasRoomFor(extra)) return false;
    if (!counted && extra < stretch_) {
        // Another item already stretched the band at least this far.
        newStretch = stretch_;
        counted = true;
        return true;
    }
    stretch_ += extra;
    newStretch = stretch_;
    counted = true;
    return true;
}

// ---- TRpBand and TRpChildBand ----------------------------------------------------------

TRpBand::TRpBand(TComponent* owner) : TRpCustomBand(owner) {}

void TRpBand::SetBandType(TRpBandType t) {
    TRpCustomBand::SetBandType(t);
}

TRpChildBand::TRpChildBand(TComponent* owner) : TRpCustomBand(owner) {
    TRpCustomBand::SetBandType(rbChild);
}

bool TRpChildBand::SetParentBand(TRpCustomBand* band) {
    int steps = 0;
    for (TRpCustomBand* b = band; b; ++steps) {
        if (b == this || steps > kMaxChain) return false;
        auto* child = qobject_cast<TRpChildBand*>(b);
        b = child ? child->ParentBand() : nullptr;
    }
    parentBand_ = band;
    if (Report() && !Report()->IsDestroying()) {
        Report()->SortBands();
        Report()->ArrangeBands();
    }
    return true;
}

void TRpChildBand::Loaded() {
    if (parentBandName_.Pending())
        SetParentBand(qobject_cast<TRpCustomBand*>(parentBandName_.Resolve(this)));
    TRpCustomBand::Loaded();
}

void TRpChildBand::DefineProperties(TFiler& filer) {
    TRpCustomBand::DefineProperties(filer);
    parentBandName_.Define(filer, QStringLiteral("ParentBand"));
}

// ---- TReportBands ----------------------------------------------------------------------

TReportBands::TReportBands(TCustomReport* report) : TPersistent(report), report_(report) {}

bool TReportBands::Has(TRpBandType t) const {
    return report_->FindBand(t) != nullptr;
}

void TReportBands::Set(TRpBandType t, bool v) {
    if (v == Has(t)) return;
    if (!v) {
        delete report_->FindBand(t);
        return;
    }
    TComponent* owner = report_->Owner() ? report_->Owner() : report_;
    auto* band = new TRpBand(owner);
    band->SetName(UniqueBandName(owner, BandNamePrefix(t)));
    band->SetBandType(t);
    band->SetParent(report_);
}
