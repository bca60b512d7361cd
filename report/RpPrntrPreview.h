#pragma once
// The preview controls: the picture of one page of a report printer, and the scroll box
// that shows the pages one at a time at a zoom.

#include "framework/widgets/Controls.h"
#include "framework/widgets/ScrollBox.h"
#include "report/RpPrntr.h"

#include <QPointer>
#include <functional>
#include <memory>

enum TRpZoomMode : uint8_t { zmFit, zmWidth, zmFixed };

using TRpPageAvailableEvent = std::function<void(TObject*, int)>;
using TRpProgressUpdateEvent = std::function<void(TObject*, int)>;

class TRpPageRenderCache;

// The picture of one page in the preview: the page drawn stretched over the control, with
// a black frame and a shadow on the right and at the bottom. Pages are rendered once for
// each size they are shown at and kept in a small cache, so painting (while scrolling, or
// when another window moves away) only copies pixels.
class TRpPreviewImage : public TGraphicControl {
    Q_OBJECT
public:
    explicit TRpPreviewImage(TComponent* owner);
    ~TRpPreviewImage() override;

    TRpPrinter* ReportPrinter() const { return reportPrinter_; }
    // Another printer brings other pages: the rendered ones are forgotten.
    void SetReportPrinter(TRpPrinter* printer);
    int PageNumber() const { return pageNumber_; }
    // Fetches page n from the printer (none when it has no such page yet) and repaints.
    void SetPageNumber(int n);
    TMetafile* PageImage() const { return pageImage_.get(); }
    bool ImageLoaded() const { return imageLoaded_; }
    int Zoom() const { return zoom_; }
    void SetZoom(int zoom) { zoom_ = zoom; }
    // The printer's pages were replaced under the same numbers (a report file loaded).
    void DropRenderedPages();
    // How many times a page was played to render it (for tests and measurements).
    int RenderCount() const;

protected:
    void PaintWidget(QPainter& painter) override;
    void Paint() override;

private:
    void DrawPage(QPainter& painter);
    QPointer<TRpPrinter> reportPrinter_;
    int pageNumber_ = 1;
    std::unique_ptr<TMetafile> pageImage_;
    bool imageLoaded_ = false;
    int zoom_ = 100;
    std::unique_ptr<TRpPageRenderCache> cache_;
};

// Shows the pages of a report printer one at a time at a zoom, while its pass may still
// produce them: a scroll box holding the page picture, told of new pages and of progress
// by the printer's messages.
class TRpPreview : public TScrollBox {
    Q_OBJECT
    Q_PROPERTY(int PageNumber READ PageNumber WRITE SetPageNumber)
    Q_PROPERTY(int Zoom READ Zoom WRITE SetZoom)
public:
    static constexpr int kMinZoom = 2;
    static constexpr int kMaxZoom = 2000;

    explicit TRpPreview(TComponent* owner);
    ~TRpPreview() override;

    TRpPrinter* ReportPrinter() const { return reportPrinter_; }
    // Lets go of the printer shown so far (its preview stops showing) and shows page 1 of
    // the new one.
    void SetReportPrinter(TRpPrinter* printer);
    int PageNumber() const { return pageNumber_; }
    // Ignored for a page the printer has not begun, and for the page already shown.
    void SetPageNumber(int n);
    int Zoom() const { return zoom_; }
    // Percent of true size; values outside kMinZoom .. kMaxZoom are ignored.
    void SetZoom(int zoom);
    TRpZoomMode ZoomMode() const { return zoomMode_; }
    TRpPreviewImage* Image() const { return image_; }

    void ZoomToFitPage();
    void ZoomToPageWidth();
    // Sizes the page picture for the zoom and centres it where it is smaller than the box.
    void LayoutPage();
    // After a resize: the fit or width zoom again, and the layout.
    void ReapplyZoom();

    TRpPageAvailableEvent OnPageAvailable;
    TRpProgressUpdateEvent OnProgressUpdate;

protected:
    void WndProc(TMessage& m) override;

private:
    // The page in pixels at 100 %; empty when the printer gives no size.
    QSizeF PagePixels() const;
    void PageReady(int pages);
    TRpPreviewImage* image_;
    int pageNumber_ = 1;
    QPointer<TRpPrinter> reportPrinter_;
    int zoom_ = 100;
    TRpZoomMode zoomMode_ = zmFixed;
};
