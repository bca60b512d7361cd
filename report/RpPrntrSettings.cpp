#include "report/RpPrntrSettings.h"
#include "report/pagestore/RpUnits.h"

// ---- TPrinterSettings ------------------------------------------------------------------

TPrinterSettings::TPrinterSettings() = default;

bool TPrinterSettings::Supports(uint32_t fields) const {
    return printer_ && (printer_->DeviceMode().dmFields & fields) == fields;
}

void TPrinterSettings::SetPrinter(TPrinter* printer) {
    printer_ = printer;
    if (printer_ && !printer_->Printers().isEmpty()) ReadFromPrinter();
}

namespace {
// Pixels of a device at dpi as 0.1 mm.
int PixelsToTenths(int pixels, int dpi) {
    return RoundInt(RpTenthsOfPixels(pixels, dpi));
}
} // namespace

void TPrinterSettings::ReadFromPrinter() {
    if (!printer_) return;
    deviceName_ = printer_->DeviceName();
    driverName_ = printer_->DriverName().section(QLatin1Char('/'), -1).left(63);
    portName_ = printer_->PortName();
    const TDeviceMode& m = printer_->DeviceMode();
    dotsPerInchX_ = dotsPerInchY_ = printer_->Resolution();
    copies_ = (m.dmFields & DM_COPIES) ? m.dmCopies : 1;
    outputBin_ = (m.dmFields & DM_DEFAULTSOURCE) ? BinFromCode(m.dmDefaultSource) : TRpBin::First;
    duplex_ = (m.dmFields & DM_DUPLEX) && m.dmDuplex != DMDUP_SIMPLEX;
    const QPoint offset = printer_->PrintingOffset();
    printOffsetLeft_ = PixelsToTenths(offset.x(), dotsPerInchX_);
    printOffsetTop_ = PixelsToTenths(offset.y(), dotsPerInchY_);
    paperSize_ =
        (m.dmFields & DM_PAPERSIZE) ? PaperSizeFromCode(m.dmPaperSize) : TRpPaperSize::Default;
    const QSize page = printer_->PhysicalPageSize();
    paperWidth_ = PixelsToTenths(page.width(), dotsPerInchX_);
    paperLength_ = PixelsToTenths(page.height(), dotsPerInchY_);
    paperSupported_.fill(false);
    for (int i = 0; i < kSupportedPaperCount; ++i) {
        const auto size = static_cast<TRpPaperSize>(i + 1);
        paperSupported_[static_cast<size_t>(i)] =
            printer_->PaperCodes().contains(PaperInfo(size).code);
    }
}

void TPrinterSettings::ApplyToPrinter() {
    if (!printer_) return;
    TDeviceMode m = printer_->DeviceMode();
    if (paperSize_ == TRpPaperSize::Custom) {
        if (Supports(DM_PAPERLENGTH)) m.dmPaperLength = paperLength_;
        if (Supports(DM_PAPERWIDTH)) m.dmPaperWidth = paperWidth_;
    }
    if (duplex_) {
        m.dmFields |= DM_DUPLEX;
        m.dmDuplex = DMDUP_HORIZONTAL;
    }
    m.dmFields |= DM_COLLATE;
    m.dmCollate = collate_ ? 1 : 0;
    if (Supports(DM_PAPERSIZE) && paperSize_ != TRpPaperSize::Default)
        m.dmPaperSize = PaperInfo(paperSize_).code;
    m.dmFields |= DM_COPIES;
    m.dmCopies = copies_;
    m.dmFields |= DM_DEFAULTSOURCE;
    m.dmDefaultSource = BinCode(outputBin_) | (m.dmDefaultSource & DMBIN_USER);
    m.dmFields |= DM_ORIENTATION;
    m.dmOrientation = orientation_ == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    printer_->SetDeviceMode(m);
}

void TPrinterSettings::SetCopies(int copies) {
    if (Supports(DM_COPIES)) copies_ = copies;
}

void TPrinterSettings::SetDuplex(bool duplex) {
    if (!duplex || Supports(DM_DUPLEX)) duplex_ = duplex;
}

void TPrinterSettings::SetOrientation(TPrinterOrientation orientation) {
    if (Supports(DM_ORIENTATION)) orientation_ = orientation;
}

void TPrinterSettings::SetOutputBin(TRpBin bin) {
    if (Supports(DM_DEFAULTSOURCE)) outputBin_ = bin;
}

bool TPrinterSettings::PaperSupported(TRpPaperSize size) const {
    const int i = Ordinal(size) - 1; // Letter is the first a printer can offer
    return i >= 0 && i < kSupportedPaperCount && paperSupported_[static_cast<size_t>(i)];
}

void TPrinterSettings::SetPaperSize(TRpPaperSize size) {
    if (size == TRpPaperSize::Default || PaperSupported(size)) paperSize_ = size;
}

int TPrinterSettings::PaperWidth() const {
    if (paperSize_ == TRpPaperSize::Default || paperSize_ == TRpPaperSize::Custom)
        return paperWidth_;
    return PaperWidth10(paperSize_);
}

int TPrinterSettings::PaperLength() const {
    if (paperSize_ == TRpPaperSize::Default || paperSize_ == TRpPaperSize::Custom)
        return paperLength_;
    return PaperLength10(paperSize_);
}

void TPrinterSettings::SetPaperWidth(int width) {
    if (paperSize_ == TRpPaperSize::Custom) paperWidth_ = width;
}

void TPrinterSettings::SetPaperLength(int length) {
    if (paperSize_ == TRpPaperSize::Custom) paperLength_ = length;
}

// ---- TRpPrinterSettings ----------------------------------------------------------------

void TRpPrinterSettings::Assign(TPersistent* source) {
    if (auto* s = qobject_cast<TRpPrinterSettings*>(source)) {
        copies_ = s->copies_;
        duplex_ = s->duplex_;
        outputBin_ = s->outputBin_;
        paperSize_ = s->paperSize_;
        printerIndex_ = s->printerIndex_;
        firstPage_ = s->firstPage_;
        lastPage_ = s->lastPage_;
        return;
    }
    TPersistent::Assign(source);
}

