// The preview control: a scroll box with the picture of one page of a report printer,
// its zoom and page navigation, and the rendered pages it keeps for painting.

#include "report/RpPrntrPreview.h"

#include "framework/core/Limits.h"
#include "framework/graphics/JpegBytes.h"

#include <QPainter>
#include <exception>

// ---- Rendered pages ---------------------------------------------------------------------

// Pictures of pages as the preview shows them, rendered once per page and size and kept
// within a memory budget, least recently used first out. A page small enough is one
// picture; a larger one (a high zoom) is cut into tiles rendered as they come into view,
// so that no zoom needs the whole page in memory.
class TRpPageRenderCache {
public:
    static constexpr int kTile = 512;

    // Draws the part `area` of page `number`, shown at `full` size, at its place.
    void Draw(QPainter& painter, const TMetafile& page, int number, QSize full, QRect area);
    void Clear();
    int Renders() const { return renders_; }

private:
    struct Entry {
        int page;
        QSize full;
        QRect tile;
        QImage image;
        quint64 lastUse;
    };
    const QImage& Tile(const TMetafile& page, int number, QSize full, const QRect& tile);
    void Evict(const Entry* keep);
    static QImage Render(const TMetafile& page, QSize full, const QRect& tile);

    std::vector<std::unique_ptr<Entry>> entries_;
    qint64 bytes_ = 0;
    quint64 clock_ = 0;
    int renders_ = 0;
};

void TRpPageRenderCache::Clear() {
    entries_.clear();
    bytes_ = 0;
    // The pictures decoded for the rendered pages go with them.
    ReleaseDecodedJpegs();
}

// The white sheet inside the frame, and the page stretched over the whole picture.
QImage TRpPageRenderCache::Render(const TMetafile& page, QSize full, const QRect& tile) {
    QImage image(tile.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(-tile.topLeft());
    painter.fillRect(QRect(1, 1, full.width() - 4, full.height() - 4), Qt::white);
    page.Play(painter, QRectF(0, 0, full.width(), full.height()));
    return image;
}

const QImage& TRpPageRenderCache::Tile(const TMetafile& page, int number, QSize full,
                                       const QRect& tile) {
    for (const auto& e : entries_)
        if (e->page == number && e->full == full && e->tile == tile) {
            e->lastUse = ++clock_;
            return e->image;
        }
    auto entry = std::make_unique<Entry>(Entry{number, full, tile, Render(page, full, tile), 0});
    ++renders_;
    entry->lastUse = ++clock_;
    bytes_ += entry->image.sizeInBytes();
    const Entry* added = entry.get();
    entries_.push_back(std::move(entry));
    Evict(added);
    return added->image;
}

void TRpPageRenderCache::Evict(const Entry* keep) {
    while (bytes_ > kMaxPreviewCacheBytes && entries_.size() > 1) {
        auto oldest = entries_.end();
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->get() != keep &&
                (oldest == entries_.end() || (*it)->lastUse < (*oldest)->lastUse))
                oldest = it;
        bytes_ -= (*oldest)->image.sizeInBytes();
        entries_.erase(oldest);
    }
}

void TRpPageRenderCache::Draw(QPainter& painter, const TMetafile& page, int number, QSize full,
                              QRect area) {
    area &= QRect(QPoint(0, 0), full);
    if (area.isEmpty()) return;
    if (qint64(full.width()) * full.height() <= kMaxPreviewWholePagePixels) {
        painter.drawImage(QPoint(0, 0), Tile(page, number, full, QRect(QPoint(0, 0), full)));
        return;
    }
    const int firstColumn = area.left() / kTile, lastColumn = area.right() / kTile;
    const int firstRow = area.top() / kTile, lastRow = area.bottom() / kTile;
    for (int row = firstRow; row <= lastRow; ++row)
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const QRect tile =
                QRect(column * kTile, row * kTile, kTile, kTile) & QRect(QPoint(0, 0), full);
            painter.drawImage(tile.topLeft(), Tile(page, number, full, tile));
        }
}

// ---- TRpPreviewImage --------------------------------------------------------------------

TRpPreviewImage::TRpPreviewImage(TComponent* owner)
    : TGraphicControl(owner), cache_(std::make_unique<TRpPageRenderCache>()) {
    SetBounds(0, 0, 100, 50);
}

TRpPreviewImage::~TRpPreviewImage() {
    cache_->Clear();
}

void TRpPreviewImage::SetReportPrinter(TRpPrinter* printer) {
    reportPrinter_ = printer;
    DropRenderedPages();
}

void TRpPreviewImage::DropRenderedPages() {
    cache_->Clear();
}

int TRpPreviewImage::RenderCount() const {
    return cache_->Renders();
}

void TRpPreviewImage::SetPageNumber(int n) {
    pageNumber_ = n;
    pageImage_.reset();
    imageLoaded_ = false;
    if (reportPrinter_) pageImage_ = reportPrinter_->FetchPage(n);
    imageLoaded_ = pageImage_ != nullptr;
    Repaint();
}

void TRpPreviewImage::DrawPage(QPainter& painter) {
    if (!imageLoaded_ || !pageImage_ || Width() <= 0 || Height() <= 0) return;
    // Only what can be seen is rendered; the painter's clip keeps the rest as it was.
    QRect area = Widget() ? Widget()->visibleRegion().boundingRect() : QRect();
    if (area.isEmpty()) area = ClientRect();
    cache_->Draw(painter, *pageImage_, pageNumber_, QSize(Width(), Height()), area);
}

void TRpPreviewImage::PaintWidget(QPainter& painter) {
    DrawPage(painter);
    TGraphicControl::PaintWidget(painter);
}

// The frame and a two-pixel shadow on the right and at the bottom, over the page.
void TRpPreviewImage::Paint() {
    if (!imageLoaded_) return;
    const int w = Width(), h = Height();
    TCanvas* canvas = Canvas();
    canvas->Pen()->SetColor(clBlack);
    canvas->Pen()->SetWidth(1);
    canvas->MoveTo(0, 0);
    canvas->LineTo(0, h - 3);
    canvas->LineTo(w - 3, h - 3);
    canvas->LineTo(w - 3, 0);
    canvas->LineTo(0, 0);
    canvas->Brush()->SetColor(clBlack);
    canvas->FillRect(QRect(w - 2, 2, 2, h - 2));
    canvas->FillRect(QRect(2, h - 2, w - 2, 2));
}

// ---- TRpPreview -------------------------------------------------------------------------

TRpPreview::TRpPreview(TComponent* owner) : TScrollBox(owner) {
    RegisterEvent("OnPageAvailable", OnPageAvailable);
    RegisterEvent("OnProgressUpdate", OnProgressUpdate);
    image_ = new TRpPreviewImage(this);
    image_->SetParent(this);
    SetBounds(Left(), Top(), 250, 250);
    HorzScrollBar()->SetTracking(true);
    VertScrollBar()->SetTracking(true);
    OnResize = [this](TObject*) { ReapplyZoom(); };
}

TRpPreview::~TRpPreview() {
    SetDestroying();
    if (reportPrinter_) SafeCall([this] { SetReportPrinter(nullptr); });
}

void TRpPreview::SetReportPrinter(TRpPrinter* printer) {
    std::exception_ptr failure;
    TRpPrinter* old = reportPrinter_;
    if (old && old->ClientWindow() == this) {
        // The printer learns first that no preview shows it any more; a handler that
        // fails does not keep it posting to this control.
        try {
            old->SetPreviewShowing(false);
        } catch (...) {
            failure = std::current_exception();
        }
        old->SetClientWindow(nullptr);
    }
    reportPrinter_ = printer;
    image_->SetReportPrinter(printer);
    if (printer) {
        printer->SetClientWindow(this);
        printer->SetPreviewShowing(true);
    }
    if (!IsDestroying()) {
        SetPageNumber(1);
        image_->SetPageNumber(1);
        Invalidate();
        image_->OnClick = OnClick;
        image_->OnDblClick = OnDblClick;
        image_->OnMouseDown = OnMouseDown;
        image_->OnMouseMove = OnMouseMove;
        image_->OnMouseUp = OnMouseUp;
    }
    if (failure) std::rethrow_exception(failure);
}

void TRpPreview::SetPageNumber(int n) {
    if (n == pageNumber_ && image_->ImageLoaded()) return;
    if (n <= 0 || !reportPrinter_ || n > reportPrinter_->PagesBegun()) return;
    image_->SetPageNumber(n);
    pageNumber_ = n;
    HorzScrollBar()->SetPosition(0);
    VertScrollBar()->SetPosition(0);
}

void TRpPreview::SetZoom(int zoom) {
    if (zoom < kMinZoom || zoom > kMaxZoom) return;
    zoomMode_ = zmFixed;
    zoom_ = zoom;
    LayoutPage();
}

QSizeF TRpPreview::PagePixels() const {
    if (!reportPrinter_) return {215.9, 279.4}; // Letter's millimetres, taken as pixels
    return QSizeF(reportPrinter_->ToDeviceWidth(reportPrinter_->PaperWidth()),
                  reportPrinter_->ToDeviceHeight(reportPrinter_->PaperLength()));
}

void TRpPreview::LayoutPage() {
    int w, h;
    if (reportPrinter_) {
        w = reportPrinter_->ToDeviceWidth(reportPrinter_->PaperWidth() / 100.0L * zoom_) + 4;
        h = reportPrinter_->ToDeviceHeight(reportPrinter_->PaperLength() / 100.0L * zoom_) + 4;
    } else {
        w = RoundInt(215.9L / 100 * zoom_) + 4;
        h = RoundInt(279.4L / 100 * zoom_) + 4;
    }
    const int left = w < Width() ? (Width() - w) / 2 : 0;
    const int top = h < Height() ? (Height() - h) / 2 : 0;
    image_->SetBounds(left, top, w, h);
    HorzScrollBar()->SetPosition(0);
    VertScrollBar()->SetPosition(0);
    image_->SetZoom(zoom_);
}

void TRpPreview::ZoomToFitPage() {
    const QSizeF page = PagePixels();
    // A page without a size has no zoom that fits it.
    if (!(page.width() > 0) || !(page.height() > 0)) return;
    const int across = RoundInt(Width() / static_cast<long double>(page.width()) * 95);
    const int down = RoundInt(Height() / static_cast<long double>(page.height()) * 95);
    SetZoom(std::min(across, down));
    zoomMode_ = zmFit;
}

void TRpPreview::ZoomToPageWidth() {
    const QSizeF page = PagePixels();
    if (!(page.width() > 0)) return;
    // The printer's page leaves room beside it; the stand-in Letter sheet a little less.
    const int percent = reportPrinter_ ? 90 : 95;
    SetZoom(RoundInt(Width() / static_cast<long double>(page.width()) * percent));
    LayoutPage();
    zoomMode_ = zmWidth;
}

void TRpPreview::ReapplyZoom() {
    if (zoomMode_ == zmFit)
        ZoomToFitPage();
    else if (zoomMode_ == zmWidth)
        ZoomToPageWidth();
    LayoutPage();
}

void TRpPreview::PageReady(int pages) {
    if (pages == pageNumber_ && reportPrinter_ && !image_->ImageLoaded() &&
        image_->PageNumber() <= reportPrinter_->PagesReady()) {
        ZoomToPageWidth();
        image_->SetPageNumber(image_->PageNumber());
    }
    if (OnPageAvailable) OnPageAvailable(this, pages);
}

void TRpPreview::WndProc(TMessage& m) {
    switch (m.Msg) {
    case RPM_PAGEREADY:
        PageReady(static_cast<int>(m.WParam));
        return;
    case RPM_PROGRESS:
        if (OnProgressUpdate) OnProgressUpdate(this, static_cast<int>(m.WParam));
        return;
    default:
        TScrollBox::WndProc(m);
    }
}
