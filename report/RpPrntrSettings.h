#pragma once
// Printer settings: the device-level settings of one printer, and the printer choices a
// report keeps between passes.

#include "framework/core/Classes.h"
#include "framework/printing/Printers.h"
#include "report/pagestore/RpTypes.h"

#include <QString>
#include <array>
#include <cstdint>

// The device-level settings of one printer. Without a printer nothing is read, the
// capability test answers false, and the setters keep the construction values (except a
// Default paper size, always taken).
class TPrinterSettings {
public:
    TPrinterSettings();

    // The printer these settings belong to (not owned); setting one that has printers
    // reads the settings from it.
    TPrinter* Printer() const { return printer_; }
    void SetPrinter(TPrinter* printer);
    // Reads names, resolution, copies, paper source, two-sided printing, printing
    // offsets, paper and the papers offered from the printer.
    void ReadFromPrinter();
    // Writes paper, two-sided printing, copies, paper source and orientation into the
    // printer's device mode; EPrinter when the printer cannot take them (nothing changes).
    void ApplyToPrinter();

    const QString& DeviceName() const { return deviceName_; }
    const QString& DriverName() const { return driverName_; }
    const QString& PortName() const { return portName_; }

    // True when a printer is set and its device mode carries all these DM_ bits.
    bool Supports(uint32_t fields) const;

    int Copies() const { return copies_; }
    void SetCopies(int copies);
    bool Duplex() const { return duplex_; }
    // Stored only when the printer prints on both sides.
    void SetDuplex(bool duplex);
    bool Collate() const { return collate_; }
    void SetCollate(bool collate) { collate_ = collate; }
    TPrinterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation orientation);
    TRpBin OutputBin() const { return outputBin_; }
    void SetOutputBin(TRpBin bin);
    TRpPaperSize PaperSize() const { return paperSize_; }
    // Taken when the printer offers that paper; Default always.
    void SetPaperSize(TRpPaperSize size);
    bool PaperSupported(TRpPaperSize size) const;
    // 0.1 mm: the table size for a listed paper, the stored size for Default and Custom.
    int PaperWidth() const;
    int PaperLength() const;
    // Stored only while the paper size is Custom.
    void SetPaperWidth(int width);
    void SetPaperLength(int length);
    int DotsPerInchX() const { return dotsPerInchX_; }
    int DotsPerInchY() const { return dotsPerInchY_; }
    int PrintOffsetTop() const { return printOffsetTop_; }
    int PrintOffsetLeft() const { return printOffsetLeft_; }

private:
    QString deviceName_, driverName_, portName_;
    TPrinter* printer_ = nullptr;
    int copies_ = 0;
    bool duplex_ = false;
    bool collate_ = false;
    TPrinterOrientation orientation_ = poPortrait;
    TRpBin outputBin_ = TRpBin::First;
    TRpPaperSize paperSize_ = TRpPaperSize::A4;
    std::array<bool, kSupportedPaperCount> paperSupported_{};
    int paperWidth_ = 0, paperLength_ = 0;
    int dotsPerInchX_ = 0, dotsPerInchY_ = 0;
    int printOffsetTop_ = 0, printOffsetLeft_ = 0;
};

// The printer choices a report keeps between passes.
class TRpPrinterSettings : public TPersistent {
    Q_OBJECT
public:
    explicit TRpPrinterSettings(QObject* parent = nullptr) : TPersistent(parent) {}

    int Copies() const { return copies_; }
    void SetCopies(int v) { copies_ = v; }
    bool Duplex() const { return duplex_; }
    void SetDuplex(bool v) { duplex_ = v; }
    TRpBin OutputBin() const { return outputBin_; }
    void SetOutputBin(TRpBin v) { outputBin_ = v; }
    TRpPaperSize PaperSize() const { return paperSize_; }
    void SetPaperSize(TRpPaperSize v) { paperSize_ = v; }
    // -1: the system's default printer.
    int PrinterIndex() const { return printerIndex_; }
    void SetPrinterIndex(int v) { printerIndex_ = v; }
    // 0 or less: no limit on that side.
    int FirstPage() const { return firstPage_; }
    void SetFirstPage(int v) { firstPage_ = v; }
    int LastPage() const { return lastPage_; }
    void SetLastPage(int v) { lastPage_ = v; }

    void Assign(TPersistent* source) override;

private:
    int copies_ = 1;
    bool duplex_ = false;
    TRpBin outputBin_ = TRpBin::Auto;
    TRpPaperSize paperSize_ = TRpPaperSize::Letter;
    int printerIndex_ = -1;
    int firstPage_ = 0;
    int lastPage_ = 0;
};

