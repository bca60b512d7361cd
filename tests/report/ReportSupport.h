#pragma once
// Shared pieces of the report tests: a window that owns a report, items that print in
// known ways, and a page fetched from the report printer drawn into an image.

#include "framework/graphics/Metafile.h"
#include "framework/widgets/Forms.h"
#include "report/RpReport.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>

// Millimetre defaults (the locale decides otherwise), the classes layouts name, and a
// window that owns what a test builds.
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUsesInchDefaults(false);
        RegisterReportClasses();
        form = std::make_unique<TForm>(nullptr);
    }

    // An A4 portrait report with 10 mm margins, no data, zoom 100, in millimetres.
    TReport* NewReport() {
        auto* report = new TReport(form.get());
        report->Page()->SetPaperSize(TRpPaperSize::A4);
        report->SetUnits(TRpUnit::MM);
        return report;
    }

    TRpBand* NewBand(TReport* report, TRpBandType type, long double heightMM) {
        auto* band = new TRpBand(form.get());
        band->SetBandType(type);
        band->SetParent(report);
        band->Size()->SetUnits(TRpUnit::MM);
        band->Size()->SetHeight(heightMM);
        return band;
    }

    std::unique_ptr<TForm> form;
};

// An item that counts its prints and can refuse to finish for a number of prints (or for
// ever), the way a text that runs over the page bottom does.
class TCountingItem : public TRpPrintable {
public:
    explicit TCountingItem(TComponent* owner) : TRpPrintable(owner) {}

    void PrintItem(long double offsetX, long double offsetY) override {
        ++prints;
        offsets.emplace_back(offsetX, offsetY);
        pages.push_back(Printer() ? Printer()->CurrentPage() : 0);
        SetItemDone(unfinishedPrints >= 0 && prints > unfinishedPrints);
        if (onPrint) onPrint(this);
        TRpPrintable::PrintItem(offsetX, offsetY);
    }

    // Prints that leave the item unfinished; negative: it never finishes.
    int unfinishedPrints = 0;
    int prints = 0;
    std::vector<std::pair<long double, long double>> offsets;
    std::vector<int> pages;
    std::function<void(TCountingItem*)> onPrint;
};

inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}

// A kept page drawn at its own pixel size on white.
inline QImage RenderPage(TRpPrinter* printer, int page) {
    std::unique_ptr<TMetafile> metafile = printer->FetchPage(page);
    if (!metafile) return {};
    QImage image(metafile->Width(), metafile->Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    metafile->Play(painter, QRectF(0, 0, image.width(), image.height()));
    return image;
}
