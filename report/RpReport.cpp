#include "report/RpReport.h"

#include "report/RpPrgres.h"
#include "report/rpprnsu.h"

#include "framework/graphics/DeviceContext.h"
#include "framework/widgets/Forms.h"

#include <QLocale>
#include <algorithm>
#include <utility>

namespace {

bool Designing(const TComponent* c) {
    return c->ComponentState() & csDesigning;
}

// Counts a nesting level for one scope.
class TDepthScope {
public:
    explicit TDepthScope(int& depth) : depth_(depth) { ++depth_; }
    ~TDepthScope() { --depth_; }
    TDepthScope(const TDepthScope&) = delete;
    TDepthScope& operator=(const TDepthScope&) = delete;

private:
    int& depth_;
};

bool SpansFullWidth(TRpBandType t) {
    return t == rbTitle || t == rbPageHeader || t == rbPageFooter || t == rbSummary ||
           t == rbOverlay;
}

constexpr const char* kPageNumber = "PAGENUMBER";
constexpr const char* kColumnNumber = "COLUMNNUMBER";
constexpr const char* kReportTitle = "REPORTTITLE";

} // namespace

// ---- TReportPrinterSettings ------------------------------------------------------------

void TReportPrinterSettings::Assign(TPersistent* source) {
    auto* s = qobject_cast<TReportPrinterSettings*>(source);
    if (!s) {
        TPersistent::Assign(source);
        return;
    }
    copies_ = s->copies_;
    collate_ = s->collate_;
    duplex_ = s->duplex_;
    printerName_ = s->printerName_;
    pdfFileName_ = s->pdfFileName_;
    firstPage_ = s->firstPage_;
    lastPage_ = s->lastPage_;
    outputBin_ = s->outputBin_;
    printerIndex_ = s->printerIndex_;
}

// ---- TCustomReport ---------------------------------------------------------------------

TCustomReport::TCustomReport(TComponent* owner)
    : TRpBasePanel(owner), controller_(std::make_unique<TRpCustomController>(this)) {
    functions_.Set(QString::fromLatin1(kPageNumber), QStringLiteral("0"));
    functions_.Set(QString::fromLatin1(kColumnNumber), QStringLiteral("0"));
    functions_.Set(QString::fromLatin1(kReportTitle), QStringLiteral("''"));
    description_ = new TStrings(this);
    bands_ = new TReportBands(this);
    page_ = new TRpPage(this);
    printerSettings_ = new TReportPrinterSettings(this);
    SetColor(clWhite);
    TRpBasePanel::SetBounds(0, 0, Width(), Height());
    if (QLocale::system().language() != QLocale::Japanese) {
        Font()->SetName(QStringLiteral("Arial"));
        Font()->SetSize(10);
    }
    // The page starts on the paper of a new report printer, the PDF file printer's until
    // it prints: a report being made asks nothing of the print server, which may be slow
    // or not answer at all.
    if (const TRpPrinter probe; probe.DeviceSettings().PaperSize() != TRpPaperSize::Default)
        page_->SetPaperSize(probe.DeviceSettings().PaperSize());
    page_->UpdateOwnerBounds();
    RegisterEvent("AfterPrint", AfterPrint);
    RegisterEvent("AfterPreview", AfterPreview);
    RegisterEvent("BeforePrint", BeforePrint);
    RegisterEvent("OnEndPage", OnEndPage);
    RegisterEvent("OnNeedData", OnNeedData);
    RegisterEvent("OnPreview", OnPreview);
    RegisterEvent("OnStartPage", OnStartPage);
}

TCustomReport::~TCustomReport() {
    destroying_ = true;
    SetDestroying();
    DetachChildren();
    bandList_.clear();
    rpPrinter_ = nullptr;
    printers_.clear();
}

// Bands and items go with the panel after this object is gone: they forget it first.
void TCustomReport::DetachChildren() {
    for (int i = 0; i < ControlCount(); ++i) {
        if (auto* band = qobject_cast<TRpCustomBand*>(Controls(i))) {
            band->SetController(nullptr);
            band->SetReport(nullptr);
        } else if (auto* item = qobject_cast<TRpPrintable*>(Controls(i))) {
            item->SetReport(nullptr);
        }
    }
}

void TCustomReport::SetController(std::unique_ptr<TRpCustomController> c) {
    controller_ = std::move(c);
}

bool TCustomReport::PrintIfEmpty() const {
    return controller_->PrintIfEmpty();
}

void TCustomReport::SetPrintIfEmpty(bool v) {
    controller_->SetPrintIfEmpty(v);
}

void TCustomReport::SetUnits(TRpUnit unit) {
    page_->SetUnits(unit);
    for (TRpCustomBand* band : bandList_) {
        band->Size()->SetUnits(unit);
        band->Invalidate();
        for (int i = 0; i < band->ControlCount(); ++i)
            if (auto* item = qobject_cast<TRpPrintable*>(band->Controls(i)))
                item->Size()->SetUnits(unit);
    }
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* item = qobject_cast<TRpPrintable*>(Controls(i))) item->Size()->SetUnits(unit);
}

void TCustomReport::SetZoom(int zoom) {
    if (zoom < 1 || zoom > 300) return;
    TRpBasePanel::SetZoom(zoom);
    page_->SetZoom(zoom);
    page_->UpdateOwnerBounds();
    ArrangeBands();
}

void TCustomReport::SetBounds(int left, int top, int width, int height) {
    TRpBasePanel::SetBounds(left, top, width, height);
    if (!page_ || page_->OwnerUpdating() || page_->PaperSize() != TRpPaperSize::Custom) return;
    // A custom page follows the panel; a pixel value that is the page's present one in
    // pixels changes nothing.
    page_->SwitchToPixels();
    if (width != RoundInt(page_->Width())) page_->SetWidth(width);
    if (height != RoundInt(page_->Length())) page_->SetLength(height);
    page_->RestoreUnits();
}

void TCustomReport::Loaded() {
    TRpBasePanel::Loaded();
    SortBands();
    ArrangeBands();
}

// ---- Band list -------------------------------------------------------------------------

TRpCustomBand* TCustomReport::FindBand(TRpBandType type) const {
    for (TRpCustomBand* band : bandList_)
        if (band->BandType() == type) return band;
    return nullptr;
}

void TCustomReport::AddBand(TRpCustomBand* band) {
    if (std::find(bandList_.begin(), bandList_.end(), band) == bandList_.end())
        bandList_.push_back(band);
    SortBands();
    ArrangeBands();
}

void TCustomReport::RemoveBand(TRpCustomBand* band) {
    auto it = std::find(bandList_.begin(), bandList_.end(), band);
    if (it == bandList_.end()) return;
    bandList_.erase(it);
    if (destroying_) return;
    SortBands();
    ArrangeBands();
}

void TCustomReport::SortBands() {
    if (IsLoading() || destroying_) return;
    const std::vector<TRpCustomBand*> old = bandList_;
    std::vector<TRpCustomBand*> list;
    // A band brings its chain of child bands along, right below it.
    auto add = [&](TRpCustomBand* band) {
        while (band && !band->IsDestroying() &&
               std::find(list.begin(), list.end(), band) == list.end()) {
            list.push_back(band);
            band = band->ChildBand();
        }
    };
    auto addType = [&](TRpBandType type) {
        for (TRpCustomBand* band : old)
            if (band->BandType() == type) add(band);
    };
    addType(rbPageHeader);
    if (FindBand(rbTitle)) addType(rbTitle);
    addType(rbColumnHeader);
    add(FindBand(rbTitle));
    add(FindBand(rbDetail));
    add(FindBand(rbSummary));
    addType(rbPageFooter);
    for (TRpCustomBand* band : old)
        add(band);
    bandList_ = std::move(list);
}

void TCustomReport::ArrangeBands() {
    if (IsLoading() || destroying_ || arrangingBands_) return;
    arrangingBands_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{arrangingBands_};
    auto pixels = [&](int index, bool horizontal) {
        return page_->FromNative(TRpUnit::Pixels, horizontal, page_->NativeValue(index));
    };
    int top = RoundInt(pixels(TRpPage::iTopMargin, false));
    const int left = RoundInt(pixels(TRpPage::iLeftMargin, true));
    const int fullWidth = Width() - RoundInt(pixels(TRpPage::iLeftMargin, true) +
                                             pixels(TRpPage::iRightMargin, true));
    const int columns = page_->Columns();
    const int columnWidth =
        (fullWidth - RoundInt(pixels(TRpPage::iColumnSpace, true)) * (columns - 1)) / columns;
    for (TRpCustomBand* band : bandList_) {
        band->SetArranging(true);
        band->TRpBasePanel::SetBounds(left, top, band->Width(), band->Height());
        const int width = SpansFullWidth(band->EffectiveType()) ? fullWidth : columnWidth;
        TRpBandSize* size = band->Size();
        size->SetNativeValue(TRpBandSize::iWidth, size->ToNative(TRpUnit::Pixels, true, width));
        size->UpdateOwnerBounds();
        band->SetArranging(false);
        top += band->Height();
    }
}

// ---- Measuring -------------------------------------------------------------------------

int TCustomReport::TextWidthOf(TFont* font, const QString& text) const {
    TDeviceContext* dc = ScreenMeasuringDC();
    const HFONT previous = dc->SelectFont(font->Handle());
    const QSize extent = dc->GetTextExtentPoint(text);
    dc->SelectFont(previous);
    return extent.width() + 1;
}

int TCustomReport::TextHeightOf(TFont* font, const QString&) const {
    TDeviceContext* dc = ScreenMeasuringDC();
    const HFONT previous = dc->SelectFont(font->Handle());
    const QSize extent = dc->GetTextExtentPoint(QStringLiteral("A"));
    dc->SelectFont(previous);
    return extent.height();
}

// ---- Report printers -------------------------------------------------------------------

bool TCustomReport::NewPrinterObject() {
    if (!idle_) return false;
    TControl* client = rpPrinter_ ? rpPrinter_->ClientWindow() : nullptr;
    // Printers that no preview shows any more are of no use but to the present one.
    std::erase_if(printers_, [this](const std::unique_ptr<TRpPrinter>& p) {
        return p.get() != rpPrinter_ && p.get() != printingKept_ && !p->PreviewShowing();
    });
    auto printer = std::make_unique<TRpPrinter>();
    printer->SetClientWindow(client);
    printer->AfterPreviewHandler = [this](TObject*) { Notify(AfterPreview, this); };
    printer->AfterPrintHandler = [this](TObject*) { Notify(AfterPrint, this); };
    rpPrinter_ = printer.get();
    printers_.push_back(std::move(printer));
    return true;
}

void TCustomReport::FreePrinter(TRpPrinter* printer) {
    if (rpPrinter_ == printer) rpPrinter_ = nullptr;
    std::erase_if(printers_,
                  [printer](const std::unique_ptr<TRpPrinter>& p) { return p.get() == printer; });
}

void TCustomReport::PreviewReport() {
    if (!NewPrinterObject()) return;
    TRpPrinter* printer = rpPrinter_;
    printer->SetDestination(pdPageStore);
    printer->SetMasterWindow(this);
    printer->PrintSetupHandler = [this](TObject* sender) { PrinterSetup(sender); };
    printer->SetTitle(reportTitle_);
    if (OnPreview) printer->PreviewHandler = OnPreview;
    printer->OpenPreview();
    RunReport(false);
    if (cancelFlag_) {
        FreePrinter(printer);
        return;
    }
    while (rpPrinter_ && rpPrinter_->PreviewShowing() && Application && !Application->Terminated())
        Application->HandleMessage();
}

void TCustomReport::PrintReport() {
    TRpPrinter* remembered = rpPrinter_;
    if (!NewPrinterObject()) return;
    TRpPrinter* printer = rpPrinter_;
    // Whatever happens, the pass's printer and window go and the previous printer comes
    // back, unless its preview closed meanwhile and it went too.
    struct Restore {
        TCustomReport* report;
        TRpPrinter* printer;
        TRpPrinter* remembered;
        std::unique_ptr<TRpProgressForm> progress;
        ~Restore() {
            progress.reset();
            report->FreePrinter(printer);
            const bool alive = std::any_of(
                report->printers_.begin(), report->printers_.end(),
                [this](const std::unique_ptr<TRpPrinter>& p) { return p.get() == remembered; });
            report->rpPrinter_ = alive ? remembered : nullptr;
        }
    } restore{this, printer, remembered, nullptr};
    printer->SetDestination(pdPrinter);
    restore.progress = std::make_unique<TRpProgressForm>(Application);
    restore.progress->SetReportPrinter(printer);
    if (showProgress_) restore.progress->Show();
    printer->SetClientWindow(restore.progress.get());
    RunReport(false);
}

void TCustomReport::PrinterSetup(TObject*) {
    auto dialog = std::make_unique<TRpPrintDialog>(Application);
    TPrinter own;
    TReportPrinterSettings& s = *printerSettings_;
    // The dialog opens on the choices kept from the last set-up; a printer that has gone
    // since leaves the system's default.
    if (!s.PrinterName().isEmpty() && own.Printers().contains(s.PrinterName()))
        own.SetPrinterName(s.PrinterName());
    else if (s.PrinterIndex() >= -1 && s.PrinterIndex() < own.Printers().size())
        own.SetPrinterIndex(s.PrinterIndex());
    own.SetOutputFileName(s.PdfFileName());
    dialog->SetPrinter(&own);
    dialog->SetMinPage(0);
    dialog->SetMaxPage(9999);
    if (rpPrinter_ && rpPrinter_->Status() == stFinished) {
        dialog->SetMinPage(1);
        dialog->SetMaxPage(rpPrinter_->PagesBegun());
        dialog->SetFromPage(1);
        dialog->SetToPage(rpPrinter_->PagesBegun());
    }
    // A running pass refuses the set-up. No new report printer is made only to learn
    // whether printers exist: it would replace the one the preview shows.
    if (!idle_ || own.Printers().isEmpty()) return;
    dialog->SetOptions(poPageNums | poWarning);
    PresetDeviceMode(own);
    dialog->SetCopies(s.Copies());
    dialog->SetCollate(s.Collate());
    if (s.FirstPage() > 0 || s.LastPage() > 0) {
        dialog->SetPrintRange(prPageNums);
        const int max = dialog->MaxPage();
        dialog->SetFromPage(std::clamp(s.FirstPage(), 1, max));
        dialog->SetToPage(std::clamp(s.LastPage() > 0 ? s.LastPage() : max, 1, max));
    }
    if (!dialog->Execute()) {
        SetTag(1);
        return;
    }
    const TDeviceMode& chosen = own.DeviceMode();
    s.SetCopies(dialog->Copies());
    s.SetCollate(dialog->Collate());
    s.SetPrinterIndex(own.PrinterIndex());
    s.SetPrinterName(own.DeviceName());
    s.SetPdfFileName(own.IsPdfPrinter() ? own.OutputFileName() : QString());
    s.SetDuplex((chosen.dmFields & DM_DUPLEX) && chosen.dmDuplex != DMDUP_SIMPLEX);
    page_->SetOrientation(chosen.dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait);
    if (chosen.dmFields & DM_PAPERSIZE) {
        const TRpPaperSize paper = PaperSizeFromCode(chosen.dmPaperSize);
        if (paper != TRpPaperSize::Default && paper != TRpPaperSize::Custom)
            page_->SetPaperSize(paper);
    }
    if (dialog->PrintRange() == prPageNums) {
        s.SetFirstPage(dialog->FromPage());
        s.SetLastPage(dialog->ToPage());
    } else {
        s.SetFirstPage(0);
        s.SetLastPage(0);
    }
    SetTag(0);
}

// The dialog's printer shows the page's paper and orientation and the kept two-sided
// choice, as far as the printer takes them.
void TCustomReport::PresetDeviceMode(TPrinter& own) const {
    TDeviceMode m = own.DeviceMode();
    m.dmFields |= DM_ORIENTATION;
    m.dmOrientation = page_->Orientation() == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    const int code = PaperInfo(page_->PaperSize()).code;
    if ((m.dmFields & DM_PAPERSIZE) && own.PaperCodes().contains(code)) m.dmPaperSize = code;
    if (own.SupportsDuplex()) {
        m.dmFields |= DM_DUPLEX;
        m.dmDuplex = printerSettings_->Duplex() ? DMDUP_VERTICAL : DMDUP_SIMPLEX;
    }
    m.dmCollate = printerSettings_->Collate() ? 1 : 0;
    own.SetDeviceMode(m);
}

void TCustomReport::CancelRun() {
    if (idle_) return;
    cancelFlag_ = true;
    if (rpPrinter_) rpPrinter_->RequestCancel();
}

void TCustomReport::StopPass() {
    if (!idle_) stopped_ = true;
}

void TCustomReport::WndProc(TMessage& m) {
    switch (m.Msg) {
    case RPM_PAGEREADY:
        if (m.WParam == 1 && rpPrinter_) {
            pageImage_ = rpPrinter_->FetchPage(1);
            Invalidate();
        }
        return;
    case RPM_PRINTREQUEST:
        PrintRequest(reinterpret_cast<TRpPrinter*>(m.LParam));
        return;
    case RPM_PREVIEWCLOSED: {
        auto* printer = reinterpret_cast<TRpPrinter*>(m.LParam);
        if (!idle_ && printer == rpPrinter_) {
            CancelRun();
            return;
        }
        if (printer && printer == printingKept_) {
            // Its pages are printing: the job stops, and the printer goes after it.
            printer->RequestCancel();
            freeAfterPrinting_ = true;
            return;
        }
        // Only printers this report made are freed here.
        FreePrinter(printer);
        return;
    }
    default:
        TRpBasePanel::WndProc(m);
    }
}

bool TCustomReport::OwnsPrinter(const TRpPrinter* printer) const {
    return printer && std::any_of(printers_.begin(), printers_.end(),
                                  [printer](const std::unique_ptr<TRpPrinter>& p) {
                                      return p.get() == printer;
                                  });
}

// The preview's Print: a pass of its own pages prints by running the report again to the
// printer; pages loaded from a file print as they are, with the choices of the set-up.
void TCustomReport::PrintRequest(TRpPrinter* from) {
    if (OwnsPrinter(from) && from->FromFile()) {
        if (!idle_ || printingKept_) return;
        printingKept_ = from;
        struct Done {
            TCustomReport* report;
            ~Done() {
                TRpPrinter* printer = report->printingKept_;
                report->printingKept_ = nullptr;
                if (std::exchange(report->freeAfterPrinting_, false)) report->FreePrinter(printer);
            }
        } done{this};
        ApplyChoicesTo(*from, false);
        from->PrintLoadedPages();
        return;
    }
    PrintReport();
}

// ---- The pass --------------------------------------------------------------------------

void TCustomReport::RunReport(bool composite) {
    if (!idle_) return;
    const bool visible = Visible();
    pageImage_.reset();
    CheckMargins();
    ResetRunState();
    struct AtEnd {
        TCustomReport* report;
        bool visible;
        ~AtEnd() {
            report->SetVisible(visible);
            report->idle_ = true;
        }
    } atEnd{this, visible};
    bool print = true;
    if (BeforePrint && !Designing(this)) BeforePrint(this, print);
    if (!print) return;
    const TRpUnit units = Units();
    SetUnits(TRpUnit::Native);
    try {
        StartPass(composite);
        ExecuteController();
        // A cancel the printer was asked for (the progress window's button) ends the pass
        // as the report's own does: the job is dropped, not printed half.
        if (rpPrinter_ && rpPrinter_->CancelRequested()) cancelFlag_ = true;
        if (!composite) {
            cursorX_ = RoundInt(page_->NativeValue(TRpPage::iLeftMargin));
            finishing_ = true;
            if (!cancelFlag_) EndCurrentPage();
        }
    } catch (...) {
        // The pass's own failure is the one reported; a second one while cleaning up is not.
        try {
            SetUnits(units);
            FinishPass(composite, TRpPassEnd::Failed);
        } catch (...) {
        }
        throw;
    }
    SetUnits(units);
    FinishPass(composite, cancelFlag_ ? TRpPassEnd::Cancelled : TRpPassEnd::Finished);
}

void TCustomReport::ResetRunState() {
    idle_ = false;
    cancelFlag_ = false;
    finishing_ = false;
    stopped_ = false;
    headerLatch_ = false;
    columnBreakLatch_ = false;
    pageBandDepth_ = 0;
}

// Margins wider or longer than the page leave no room at all: they become 0.
void TCustomReport::CheckMargins() {
    if (page_->Width() - page_->LeftMargin() - page_->RightMargin() < 0) {
        page_->SetLeftMargin(0);
        page_->SetRightMargin(0);
    }
    if (page_->Length() - page_->TopMargin() - page_->BottomMargin() < 0) {
        page_->SetTopMargin(0);
        page_->SetBottomMargin(0);
    }
}

void TCustomReport::StartPass(bool composite) {
    TRpPrinter* printer = rpPrinter_;
    if (!printer) throw ERpError(RpRes::SReportPrinterNotReady);
    if (!composite) {
        ApplyPrinterSettings();
        printer->SetTitle(reportTitle_);
        printer->SetCompressed(options_.testFlag(TRpReportEnums::Compression));
        printer->StartJob();
        cursorY_ = -1;
        pageNo_ = 0;
        columnNo_ = page_->Columns();
    } else {
        page_->SetPaperSize(printer->PaperSize());
        page_->SetOrientation(printer->Orientation());
        columnNo_ = 1;
    }
    SumPageFooterHeight();
    for (TRpCustomBand* band : bandList_)
        band->SetReport(this);
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* item = qobject_cast<TRpPrintable*>(Controls(i))) item->SetReport(this);
    cursorX_ = RoundInt(page_->NativeValue(TRpPage::iLeftMargin));
    functions_.Set(QString::fromLatin1(kReportTitle), reportTitle_);
    controller_->Prepare();
    ForEachPrintable([](TRpPrintable* item) { item->PrepareItem(); });
}

// Only a finished pass reaches paper or a PDF file; a cancelled or failed one drops its job
// whole. A pass into the page store keeps what it drew for the preview either way.
void TCustomReport::FinishPass(bool composite, TRpPassEnd end) {
    passEnd_ = end;
    struct Unprepare {
        TCustomReport* report;
        ~Unprepare() {
            report->ForEachPrintable([](TRpPrintable* item) { item->UnprepareItem(); });
        }
    } unprepare{this};
    controller_->Unprepare();
    TRpPrinter* printer = rpPrinter_;
    if (!printer || composite) return;
    switch (end) {
    case TRpPassEnd::Finished:
        printer->FinishJob();
        break;
    case TRpPassEnd::Cancelled:
        printer->AbortJob();
        break;
    case TRpPassEnd::Failed:
        printer->FailJob();
        break;
    }
}

void TCustomReport::ApplyPrinterSettings() {
    ApplyChoicesTo(*rpPrinter_, true);
}

// The printer and settings of the last set-up, for a pass or for loaded pages. A printer
// chosen by name that has gone since is an error naming it, not a job on another printer.
// Loaded pages keep the paper and orientation they were drawn on. Only what prints chooses
// a printer: pages kept for the preview are laid out without asking the print server.
void TCustomReport::ApplyChoicesTo(TRpPrinter& printer, bool pass) {
    const TReportPrinterSettings& s = *printerSettings_;
    const TRpPaperSize loadedPaper = printer.PaperSize();
    const TPrinterOrientation loadedOrientation = printer.Orientation();
    if (!pass || printer.Destination() == pdPrinter) {
        if (!s.PrinterName().isEmpty())
            printer.SetPrinterName(s.PrinterName());
        else
            printer.SetPrinterIndex(s.PrinterIndex());
    }
    if (pass) {
        printer.SetPaperSize(page_->PaperSize());
        if (page_->PaperSize() == TRpPaperSize::Custom) {
            printer.SetPaperWidth(RoundInt(page_->NativeValue(TRpPage::iWidth)));
            printer.SetPaperLength(RoundInt(page_->NativeValue(TRpPage::iLength)));
        }
        printer.SetOrientation(page_->Orientation());
    } else {
        printer.SetPaperSize(loadedPaper);
        printer.SetOrientation(loadedOrientation);
    }
    printer.SetCopies(s.Copies());
    printer.SetCollate(s.Collate());
    printer.SetDuplex(s.Duplex());
    printer.SetOutputBin(s.OutputBin());
    printer.SetFirstPage(s.FirstPage());
    printer.SetLastPage(s.LastPage());
    printer.SetOutputFileName(s.PdfFileName());
}

void TCustomReport::SumPageFooterHeight() {
    pageFooterHeight_ = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        auto* band = qobject_cast<TRpCustomBand*>(Controls(i));
        if (!band || !band->Enabled() || band->BandType() != rbPageFooter) continue;
        int steps = 0;
        for (TRpCustomBand* b = band; b && steps < BandCount() + 1; b = b->ChildBand(), ++steps)
            pageFooterHeight_ += b->Size()->NativeValue(TRpBandSize::iHeight);
    }
}

void TCustomReport::ForEachPrintable(const std::function<void(TRpPrintable*)>& f) const {
    std::function<void(const TWinControl*)> walk = [&](const TWinControl* parent) {
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* c = parent->Controls(i);
            if (auto* item = qobject_cast<TRpPrintable*>(c)) f(item);
            if (auto* panel = qobject_cast<TWinControl*>(c)) walk(panel);
        }
    };
    walk(this);
}

void TCustomReport::ExecuteController() {
    controller_->SetBands(FindBand(rbDetail), FindBand(rbTitle), FindBand(rbSummary));
    controller_->OnNeedData = OnNeedData;
    controller_->Execute();
}

// ---- Pages and columns -----------------------------------------------------------------

// The height of the page for its orientation, 0.1 mm: the page footer is placed from it,
// so room and bottom alignment measure from it too and no band runs into the footer.
long double TCustomReport::PageHeight() const {
    return page_->NativeValue(TRpPage::iLength);
}

void TCustomReport::EmitBand(TRpCustomBand* band) {
    // After a pass gave up, only the page's own bands still print, to close the page.
    if (!band || (stopped_ && !PlacingPageBands())) return;
    if (band->AlignToBottom()) {
        // A page must have begun for the band to stand at its bottom.
        if (cursorY_ == -1 && !PlacingPageBands()) AdvanceColumn();
        cursorY_ = RoundInt(PageHeight() - page_->NativeValue(TRpPage::iBottomMargin) -
                            band->Size()->NativeValue(TRpBandSize::iHeight) - pageFooterHeight_);
    }
    band->OutputBand();
}

int TCustomReport::RemainingHeight() const {
    if (idle_ || cursorY_ == -1) return 0;
    return RoundInt(PageHeight() - page_->NativeValue(TRpPage::iBottomMargin) - pageFooterHeight_ -
                    cursorY_);
}

void TCustomReport::AdvanceColumn() {
    if (columnNo_ >= page_->Columns()) {
        columnNo_ = 1;
        cursorX_ = RoundInt(page_->NativeValue(TRpPage::iLeftMargin));
        BeginNewPage();
    } else {
        cursorX_ += RoundInt(ColumnStep());
        cursorY_ = columnTop_;
        ++columnNo_;
    }
    SetColumnNumber(columnNo_);
    if (pageNo_ == 1 && columnNo_ == 1) return;
    const TDepthScope placing(pageBandDepth_);
    EmitBand(FindBand(rbColumnHeader));
}

// The detail band's width and the space after it; without a detail band, the page's
// printable width shared out among the columns.
long double TCustomReport::ColumnStep() const {
    const long double space = page_->NativeValue(TRpPage::iColumnSpace);
    if (TRpCustomBand* detail = FindBand(rbDetail))
        return detail->Size()->NativeValue(TRpBandSize::iWidth) + space;
    const int columns = page_->Columns();
    const long double printable = page_->NativeValue(TRpPage::iWidth) -
                                  page_->NativeValue(TRpPage::iLeftMargin) -
                                  page_->NativeValue(TRpPage::iRightMargin);
    return (printable - space * (columns - 1)) / columns + space;
}

void TCustomReport::BeginNewPage() {
    EndCurrentPage();
    SetPageNumber(pageNo_ + 1);
    if (rpPrinter_) rpPrinter_->StartNewPage();
    cursorY_ = RoundInt(page_->NativeValue(TRpPage::iTopMargin));
    if (OnStartPage && !Designing(this)) OnStartPage(this);
    if (pageNo_ > 1 || options_.testFlag(TRpReportEnums::FirstPageHeader)) {
        const TDepthScope placing(pageBandDepth_);
        EmitBand(FindBand(rbPageHeader));
    }
    columnTop_ = cursorY_;
    if (TRpCustomBand* title = FindBand(rbTitle); title && pageNo_ == 1)
        columnTop_ += RoundInt(title->Size()->NativeValue(TRpBandSize::iHeight));
}

void TCustomReport::EndCurrentPage() {
    if (pageNo_ <= 0) return;
    cursorY_ =
        RoundInt(PageHeight() - page_->NativeValue(TRpPage::iBottomMargin) - pageFooterHeight_);
    if (!finishing_ || options_.testFlag(TRpReportEnums::LastPageFooter)) {
        const TDepthScope placing(pageBandDepth_);
        EmitBand(FindBand(rbPageFooter));
    }
    PrintPageItems();
    if (OnEndPage && !Designing(this)) OnEndPage(this);
}

void TCustomReport::PrintPageItems() {
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* item = qobject_cast<TRpPrintable*>(Controls(i))) item->PrintItem(0, 0);
    TRpPrinter* printer = rpPrinter_;
    if (!printer || !Frame()->HasAnyLine()) return;
    auto native = [&](int index) { return page_->NativeValue(index); };
    const TRpRect rect{
        printer->ToDeviceX(native(TRpPage::iLeftMargin)),
        printer->ToDeviceY(native(TRpPage::iTopMargin)),
        printer->ToDeviceX(native(TRpPage::iWidth) - native(TRpPage::iRightMargin)),
        printer->ToDeviceY(native(TRpPage::iLength) - native(TRpPage::iBottomMargin))};
    Frame()->DrawFrame(printer->PageCanvas(), rect, printer->XFactor(), printer->YFactor());
}

void TCustomReport::ForcePageBreak() {
    if (idle_ || PlacingPageBands()) return;
    if (headerLatch_) {
        // The first break after a title or column header printed by the controller would
        // leave them alone on their page.
        headerLatch_ = false;
        return;
    }
    do
        AdvanceColumn();
    while (columnNo_ != 1);
}

void TCustomReport::ForceColumnBreak() {
    if (idle_ || PlacingPageBands()) return;
    if (columnBreakLatch_ || columnNo_ > 1) {
        AdvanceColumn();
        return;
    }
    columnBreakLatch_ = true;
}

void TCustomReport::SetPageNumber(int n) {
    pageNo_ = n;
    functions_.Set(QString::fromLatin1(kPageNumber), QString::number(n));
}

void TCustomReport::SetColumnNumber(int n) {
    functions_.Set(QString::fromLatin1(kColumnNumber), QString::number(n));
}

// ---- TReport ---------------------------------------------------------------------------

TReport::TReport(TComponent* owner) : TCustomReport(owner) {
    const bool printIfEmpty = PrintIfEmpty();
    SetController(std::make_unique<TRpController>(this));
    SetPrintIfEmpty(printIfEmpty);
}

TRpDataSet* TReport::DataSet() const {
    return Controller()->DataSet();
}

void TReport::SetDataSet(TRpDataSet* d) {
    Controller()->SetDataSet(d);
}

// ---- Registration ----------------------------------------------------------------------

void RegisterReportClasses() {
    RegisterComponentClass<TReport>();
    RegisterComponentClass<TRpBand>();
    RegisterComponentClass<TRpChildBand>();
    RegisterComponentClass<TRpPrintable>();
}
