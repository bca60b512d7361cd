#pragma once
// Shared pieces of the printable item tests: a window that owns an A4 report, passes into
// a real page store, kept pages played into images, and what the eye would look for on
// them (rows of text, ink inside a rectangle).

#include "framework/graphics/Metafile.h"
#include "framework/widgets/Forms.h"
#include "report/RpAngLbl.h"
#include "report/RpCtrls.h"
#include "report/RpReport.h"
#include "support/TestSupport.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

class ItemsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUsesInchDefaults(false);
        RegisterReportClasses();
        RegisterPrintableItemClasses();
        RegisterAngledLabelClasses();
        form = std::make_unique<TForm>(nullptr);
    }

    // A4 portrait with 10 mm margins, zoom 100, in millimetres: at 96 pixels per inch a
    // native unit is 96 / 254 device pixels, so the band corner (100, 100) is at (38, 38).
    TReport* NewReport() {
        auto* report = new TReport(form.get());
        report->Page()->SetPaperSize(TRpPaperSize::A4);
        report->SetUnits(TRpUnit::MM);
        return report;
    }

    // The detail band prints once; a title band before it and a summary band after it.
    TRpBand* NewBand(TReport* report, long double heightMM, TRpBandType type = rbDetail) {
        auto* band = new TRpBand(form.get());
        band->SetBandType(type);
        band->SetParent(report);
        band->Size()->SetUnits(TRpUnit::MM);
        band->Size()->SetHeight(heightMM);
        return band;
    }

    // Places an item on a band at a position and size in millimetres.
    template <class T>
    T* NewItem(TRpBand* band, long double left, long double top, long double width,
               long double height) {
        auto* item = new T(form.get());
        item->SetParent(band);
        item->Size()->SetUnits(TRpUnit::MM);
        item->Size()->SetLeft(left);
        item->Size()->SetTop(top);
        item->Size()->SetWidth(width);
        item->Size()->SetHeight(height);
        return item;
    }

    std::unique_ptr<TForm> form;
};

// A pass into the page store with a preview that shows nothing: the report keeps its
// printer with the pages.
inline void RunPass(TCustomReport* report) {
    report->OnPreview = [](TObject*) {};
    report->PreviewReport();
}

// Kept page n played at its own pixel size onto white.
inline QImage RenderKeptPage(TRpPrinter* printer, int page) {
    std::unique_ptr<TMetafile> metafile = printer->FetchPage(page);
    if (!metafile) return {};
    QImage image(metafile->Width(), metafile->Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    metafile->Play(painter, QRectF(0, 0, image.width(), image.height()));
    return image;
}

// Millimetres on the page to device pixels at 96 pixels per inch.
inline int MMToPixels(long double mm) {
    return static_cast<int>(std::nearbyint(mm / 25.4L * 96));
}

// Rows of the rectangle holding ink (pixels darker than mid grey), as runs [top, bottom]:
// one run per line of text when lines are apart.
struct TInkRun {
    int top, bottom;
};
inline std::vector<TInkRun> InkRows(const QImage& image, const QRect& rect) {
    std::vector<TInkRun> runs;
    const QRect r = rect.intersected(image.rect());
    bool inside = false;
    for (int y = r.top(); y <= r.bottom() + 1; ++y) {
        bool ink = false;
        if (y <= r.bottom())
            for (int x = r.left(); x <= r.right() && !ink; ++x)
                ink = qGray(image.pixel(x, y)) < 128;
        if (ink && !inside) runs.push_back({y, y});
        if (ink) runs.back().bottom = y;
        inside = ink;
    }
    return runs;
}

// Dark pixels inside rect.
inline int DarkPixels(const QImage& image, const QRect& rect) {
    return CountPixels(image, rect, qRgb(0, 0, 0), 127);
}

// The bounding box of the dark pixels inside rect.
inline QRect DarkBox(const QImage& image, const QRect& rect) {
    QRect box;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
    return box;
}
