#include "report/RpPrntr.h"
#include "report/pagestore/RpUnits.h"

#include "framework/graphics/Graphics.h"

// ---- Preview factory -------------------------------------------------------------------

namespace {
TRpPreviewInterfaceClass& PreviewClassSlot() {
    static TRpPreviewInterfaceClass slot = StandardPreviewInterfaceClass();
    return slot;
}
} // namespace

void SetPreviewInterfaceClass(TRpPreviewInterfaceClass factory) {
    PreviewClassSlot() = std::move(factory);
}

const TRpPreviewInterfaceClass& PreviewInterfaceClass() {
    return PreviewClassSlot();
}

// ---- TRpPrinter ------------------------------------------------------------------------

// Until it prints, a report printer asks nothing of the print server: its settings take
// what the PDF file printer takes, which is known without asking.
TRpPrinter::TRpPrinter(QObject* parent)
    : TPersistent(parent), filePrinter_(std::make_unique<TPrinter>(TPrinterList::FileOnly)) {
    deviceSettings_.SetPrinter(filePrinter_.get());
    topOffset_ = deviceSettings_.PrintOffsetTop();
    leftOffset_ = deviceSettings_.PrintOffsetLeft();
    pageList_ = std::make_unique<TRpPageList>();
}

// The device printer, made when a job needs it or a printer is chosen, its settings read
// from it: the PDF file printer alone when that is what is chosen (the print server is
// then never asked), else the print server's list, at its default queue. With
// keepChoices the paper, orientation, copies and paper source set so far are asked of it
// again, as a report sets them after the printer.
TPrinter& TRpPrinter::OpenDevicePrinter(bool keepChoices, TPrinterNeed need) {
    if (devicePrinter_ && (need != TPrinterNeed::Queues || devicePrinter_->Printing() ||
                           devicePrinter_->Listing() == TPrinterList::Queues))
        return *devicePrinter_;
    const bool fileOnly = need == TPrinterNeed::FileOnly;
    const TPrinterSettings chosen = deviceSettings_;
    devicePrinter_ =
        std::make_unique<TPrinter>(fileOnly ? TPrinterList::FileOnly : TPrinterList::Queues);
    deviceSettings_.SetPrinter(devicePrinter_.get());
    if (keepChoices) {
        deviceSettings_.SetPaperSize(chosen.PaperSize());
        deviceSettings_.SetPaperWidth(chosen.PaperWidth());
        deviceSettings_.SetPaperLength(chosen.PaperLength());
        deviceSettings_.SetOrientation(chosen.Orientation());
        deviceSettings_.SetCopies(chosen.Copies());
        deviceSettings_.SetOutputBin(chosen.OutputBin());
        deviceSettings_.SetDuplex(chosen.Duplex());
        deviceSettings_.SetCollate(chosen.Collate());
    }
    devicePrinter_->SetOutputFileName(outputFile_);
    return *devicePrinter_;
}

TRpPrinter::~TRpPrinter() {
    try {
        if (status_ != stReady) ResetJob();
    } catch (const Exception&) {
        // Freeing goes on whatever a reset says.
    }
    ReleasePage();
    pageList_->SetPageStream(nullptr);
}

void TRpPrinter::SetPrinterIndex(int index) {
    // with the driver's defaults
    OpenDevicePrinter(false, TPrinterNeed::Queues).SetPrinterIndex(index);
    deviceSettings_.ReadFromPrinter();
}

void TRpPrinter::SetPrinterName(const QString& name) {
    // with the driver's defaults
    const bool pdf = name == TPrinter::PdfPrinterName();
    OpenDevicePrinter(false, pdf ? TPrinterNeed::FileOnly : TPrinterNeed::Queues)
        .SetPrinterName(name);
    deviceSettings_.ReadFromPrinter();
}

void TRpPrinter::SetOutputFileName(const QString& name) {
    outputFile_ = name;
    if (devicePrinter_) devicePrinter_->SetOutputFileName(name);
}

int TRpPrinter::PaperWidth() const {
    return Orientation() == poLandscape ? deviceSettings_.PaperLength()
                                        : deviceSettings_.PaperWidth();
}

int TRpPrinter::PaperLength() const {
    return Orientation() == poLandscape ? deviceSettings_.PaperWidth()
                                        : deviceSettings_.PaperLength();
}

int TRpPrinter::ToDeviceX(long double x) const {
    return RoundInt((x - leftOffset_) * xFactor_);
}

int TRpPrinter::ToDeviceY(long double y) const {
    return RoundInt((y - topOffset_) * yFactor_);
}

int TRpPrinter::ToDeviceWidth(long double w) const {
    return RoundInt(w * xFactor_);
}

int TRpPrinter::ToDeviceHeight(long double h) const {
    return RoundInt(h * yFactor_);
}

void TRpPrinter::StartJob() {
    RpAssertEngineThread();
    // A start refused while a job runs leaves that job as it was, its cancel request too.
    if (status_ != stReady) throw ERpError(RpRes::SReportPrinterNotReady);
    pagesReady_ = 0;
    cancelRequested_ = false;
    failed_ = false;
    if (destination_ == pdPrinter) {
        OpenDevicePrinter(true);
        deviceSettings_.ApplyToPrinter();
    }
    topOffset_ = destination_ == pdPrinter ? deviceSettings_.PrintOffsetTop() : 0;
    leftOffset_ = destination_ == pdPrinter ? deviceSettings_.PrintOffsetLeft() : 0;
    ReleasePage();
    currentPage_ = 0;
    pagesBegun_ = 0;
    status_ = stBusy;
    pageList_->SetPageStream(nullptr);
    pageStream_ = std::make_unique<TRpStream>(TRpStream::kDefaultSpillThreshold);
    pageList_->SetPageStream(pageStream_.get());
    pageList_->ResetStoredPages();
    if (destination_ == pdPrinter) {
        xFactor_ = RpPixelsPerTenth(devicePrinter_->Resolution());
        yFactor_ = RpPixelsPerTenth(devicePrinter_->Resolution());
    } else {
        xFactor_ = yFactor_ = kRpPagePixelsPerTenth;
    }
}

bool TRpPrinter::IsPageInRange() const {
    if (firstPage_ > 0 && pagesBegun_ < firstPage_) return false;
    if (lastPage_ > 0 && pagesBegun_ > lastPage_) return false;
    return true;
}

// A printed page ends; the next device page begins at once unless the range ends here.
void TRpPrinter::CloseDevicePage() {
    if (!IsPageInRange()) {
        ReleasePage(); // recorded only to be drawn on: discarded
        return;
    }
    pageCanvas_ = nullptr;
    if (devicePrinter_->Printing() && pagesBegun_ != lastPage_) devicePrinter_->NewPage();
}

void TRpPrinter::OpenDevicePage() {
    if (!IsPageInRange()) {
        OpenPage();
        return;
    }
    if (!devicePrinter_->Printing()) {
        devicePrinter_->SetTitle(title_);
        devicePrinter_->BeginDoc();
    }
    pageCanvas_ = devicePrinter_->Canvas();
}

void TRpPrinter::OpenPage() {
    auto metafile = std::make_unique<TMetafile>();
    metafile->SetWidth(ToDeviceWidth(PaperWidth()));
    metafile->SetHeight(ToDeviceHeight(PaperLength()));
    metafileCanvas_ = std::make_unique<TMetafileCanvas>(metafile.get());
    pageMetafile_ = std::move(metafile);
    pageCanvas_ = metafileCanvas_.get();
}

// Ends the recording of the open page and keeps it in the page store.
void TRpPrinter::ClosePage() {
    pageCanvas_ = nullptr;
    metafileCanvas_.reset();
    std::unique_ptr<TMetafile> page = std::move(pageMetafile_);
    if (page) pageList_->AppendPage(*page);
}

void TRpPrinter::ReleasePage() noexcept {
    pageCanvas_ = nullptr;
    metafileCanvas_.reset(); // records into the metafile: it goes first
    pageMetafile_.reset();
}

void TRpPrinter::StartNewPage() {
    if (status_ != stBusy) throw ERpError(RpRes::SIllegalNewPage);
    if (currentPage_ > 0) {
        if (destination_ == pdPrinter)
            CloseDevicePage();
        else
            ClosePage();
        PostPagesReady(pagesReady_ + 1);
    }
    ++pagesBegun_;
    ++currentPage_;
    if (destination_ == pdPrinter)
        OpenDevicePage();
    else
        OpenPage();
}

void TRpPrinter::FinishJob() {
    if (status_ != stBusy) return;
    if (destination_ == pdPrinter) {
        ReleasePage();
        pageCanvas_ = nullptr;
        try {
            if (devicePrinter_ && devicePrinter_->Printing()) devicePrinter_->EndDoc();
        } catch (...) {
            // The printer took nothing (its job is gone with its file): the pass failed.
            status_ = stFinished;
            failed_ = true;
            throw;
        }
    } else if (pagesBegun_ > 0) {
        ClosePage();
    }
    PostPagesReady(pagesReady_ + 1);
    status_ = stFinished;
    if (destination_ == pdPrinter) {
        if (AfterPrintHandler) AfterPrintHandler(this);
    } else {
        pageList_->WriteHeader();
    }
}

void TRpPrinter::AbortJob() {
    if (destination_ == pdPrinter) {
        ReleasePage();
        pageCanvas_ = nullptr;
        if (devicePrinter_ && devicePrinter_->Printing()) devicePrinter_->Abort();
    } else if (pageMetafile_) {
        ClosePage();
    }
    status_ = stFinished;
}

void TRpPrinter::FailJob() {
    failed_ = true;
    if (destination_ == pdPrinter) {
        AbortJob();
        return;
    }
    // The page the pass was drawing when it failed is not kept.
    ReleasePage();
    status_ = stFinished;
}

void TRpPrinter::ResetJob() {
    if (status_ == stBusy) RequestCancel();
    ReleasePage();
    pageList_->SetPageStream(nullptr);
    pageStream_.reset();
    pageList_->ResetStoredPages();
    status_ = stReady;
}

void TRpPrinter::PostProgress(int percent) {
    progressPercent_ = percent;
    if (clientWindow_) PostMessage(clientWindow_, RPM_PROGRESS, percent, 0);
}

void TRpPrinter::PostPagesReady(int count) {
    pagesReady_ = count;
    if (clientWindow_) PostMessage(clientWindow_, RPM_PAGEREADY, count, 0);
}

std::unique_ptr<TMetafile> TRpPrinter::FetchPage(int n) {
    if (status_ != stBusy && status_ != stFinished) return nullptr;
    if (n < 1 || n > pagesBegun_) return nullptr;
    return pageList_->FetchPage(n);
}

void TRpPrinter::OpenPreview() {
    if (PreviewHandler) {
        PreviewHandler(this);
        return;
    }
    const TRpPreviewInterfaceClass& factory = PreviewInterfaceClass();
    if (!factory) throw ERpError(RpRes::SNoPreviewWindow);
    std::unique_ptr<TRpPreviewInterface> preview = factory();
    if (!preview) throw ERpError(RpRes::SNoPreviewWindow);
    previewForm_ = preview->ShowPreview(this);
}

void TRpPrinter::SetPreviewShowing(bool showing) {
    const bool wasShowing = previewShowing_;
    struct Store {
        bool& field;
        bool value;
        ~Store() { field = value; }
    } store{previewShowing_, showing};
    if (wasShowing && !showing) {
        if (status_ == stBusy) RequestCancel();
        if (AfterPreviewHandler) AfterPreviewHandler(this);
    }
}

void TRpPrinter::NotifyPreviewClosed() {
    TControl* master = masterWindow_;
    if (master) SendMessage(master, RPM_PREVIEWCLOSED, 0, reinterpret_cast<intptr_t>(this));
}

void TRpPrinter::PrintKeptPages() {
    if (masterWindow_) {
        PostMessage(masterWindow_, RPM_PRINTREQUEST, 0, reinterpret_cast<intptr_t>(this));
        return;
    }
    PrintLoadedPages();
}

void TRpPrinter::PrintLoadedPages() {
    if (status_ != stFinished || pagesBegun_ == 0) return;
    const int first = std::max(1, firstPage_);
    const int last = lastPage_ > 0 ? std::min(lastPage_, pagesBegun_) : pagesBegun_;
    if (first > last) return;
    TPrinter& device = OpenDevicePrinter(true);
    device.SetTitle(title_);
    if (device.Printing()) device.Abort();
    deviceSettings_.ApplyToPrinter();
    device.BeginDoc();
    // Whatever stops the loop early drops the job: no half print reaches the printer.
    struct DropJob {
        TPrinter& device;
        ~DropJob() {
            if (device.Printing()) device.Abort();
        }
    } dropJob{device};
    for (int i = first; i <= last; ++i) {
        if (Application) Application->ProcessMessages();
        if (cancelRequested_) return;
        PrintKeptPage(i);
        if (i < last) device.NewPage();
    }
    if (cancelRequested_) return;
    device.EndDoc();
}

// A kept page on the device at its own size, from the paper's corner less the printing
// offsets, as a pass to the printer draws it: a page stretched onto the printable area
// would print its items shrunk and moved.
void TRpPrinter::PrintKeptPage(int n) {
    const std::unique_ptr<TMetafile> page = FetchPage(n);
    if (!page) return;
    const long double dpi = devicePrinter_->Resolution();
    const long double perPixel = Units::Ratio(Units::kReferencePixel, Units::Pixels(dpi));
    const long double perTenth = RpPixelsPerTenth(dpi);
    const QRect where(RoundInt(-deviceSettings_.PrintOffsetLeft() * perTenth),
                      RoundInt(-deviceSettings_.PrintOffsetTop() * perTenth),
                      RoundInt(page->Width() * perPixel), RoundInt(page->Height() * perPixel));
    devicePrinter_->Canvas()->StretchDraw(where, page.get());
}

void TRpPrinter::SaveToFile(const QString& fileName) {
    // Only a finished pass has pages that stay as they are; a failed one has only some.
    if (status_ != stFinished || !pageStream_ || failed_) throw ERpError(RpRes::SNothingToSave);
    WriteReportFile(*pageStream_, pageList_->StoredPages(), fileName);
}

void TRpPrinter::DetectPaper(const TMetafile& first) {
    TRpPaperSize size;
    TPrinterOrientation orientation;
    if (!DetectPaperSize(first.Width(), first.Height(), xFactor_, size, orientation)) return;
    SetPaperSize(size);
    SetOrientation(orientation);
}

void TRpPrinter::LoadFromFile(const QString& fileName) {
    // The file is read and checked whole into a page store of its own before anything of
    // the pages shown so far goes: a file that cannot be used leaves them as they were.
    TakeReportFile(ReadReportFile(fileName));
}

void TRpPrinter::TakeReportFile(TRpReportFile file) {
    // Page 1 is taken before anything of the pages so far goes: a page that is no metafile
    // leaves them as they were.
    const std::unique_ptr<TMetafile> first = file.pages->FetchPage(1);
    if (status_ != stReady) ResetJob();
    pagesBegun_ = 0;
    pagesReady_ = 0;
    fromFile_ = false;
    xFactor_ = yFactor_ = kRpPagePixelsPerTenth;
    if (first) DetectPaper(*first);
    pageList_ = std::move(file.pages);
    pageStream_ = std::move(file.stream);
    pagesBegun_ = pageList_->StoredPages();
    pagesReady_ = pagesBegun_;
    status_ = stFinished;
    // A cancel asked of an earlier pass is no reason to stop printing these pages.
    cancelRequested_ = false;
    failed_ = false;
    PrintSetupHandler = nullptr;
    ExportHandler = nullptr;
    fromFile_ = true;
}
