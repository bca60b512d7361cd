#pragma once
// The device context that records enhanced-metafile records: kept report pages are drawn
// on it, and another metafile drawn on it is kept as vector drawing.

#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/EmfRecords.h"

#include <QByteArray>
#include <QRectF>
#include <functional>
#include <memory>
#include <vector>

// The device context that records what is drawn on it as enhanced-metafile records, in
// pixels of a reference device of the given resolution. Every text carries its glyph
// advances, so other programs place each character where this program measured it.
class TEmfRecorderDC : public TDeviceContext {
public:
    // page: the picture's size in reference pixels (empty: the frame becomes the inked
    // area when the recording ends).
    TEmfRecorderDC(QSize page, int pixelsPerInchX, int pixelsPerInchY,
                   const QString& description = {});
    ~TEmfRecorderDC() override;

    int SaveDC() override;
    bool RestoreDC(int n) override;
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void FillRect(const QRect& r, const TBrushData& brush) override;
    void ExtTextOut(int x, int y, unsigned options, const QRect* rect, const QString& text,
                    const int* dx) override;
    bool StretchDIBits(const QRect& dest, const QRect& src, const TDib& dib, uint32_t rop) override;
    // The picture's rows go straight into the record.
    bool StretchStoredRows(const QRect& dest, const QRect& src, const QImage& image,
                           int bitCount) override;
    // The picture's compressed bytes go into the record as they are (a JPEG bitmap).
    bool StretchJpeg(const QRect& dest, const TJpegPicture& jpeg) override;
    void IntersectClipRect(const QRect& r) override;
    void RemoveClip() override;
    int GetDeviceCaps(int index) const override;

    // Records another metafile stretched into dest (reference pixels), so that it stays
    // vector drawing in this one; false when it is not a sound metafile.
    bool EmbedMetafile(const QByteArray& emf, const QRect& dest) override;

    bool Finished() const { return finished_; }
    // Ends the recording and hands over the bytes; later drawing is ignored.
    QByteArray Finish();
    qsizetype RecordedBytes() const { return writer_.Size(); }

private:
    struct Emitted; // the state as the records so far leave it
    void SyncFont();
    void SyncTextState();
    void SyncPen();
    void SyncBrush(const TBrushData& brush);
    void SyncPosition();
    uint32_t NewObject();
    void Replace(uint32_t& slot, uint32_t newIndex);
    void ReleaseIfUnused(uint32_t index);
    void Bounds(const QRect& exclusive);
    void Bounds(const QRectF& area);
    uint32_t ColorRef(TColor c) const;
    void TextBounds(QPoint p, const TTextRun& run, unsigned options, const QRect* rect);
    bool RecordStretchDIBits(const QRect& dest, const QRect& src, QByteArrayView info,
                             qsizetype cbBits, const std::function<void(uchar*)>& writeBits,
                             bool embedded = false);

    emf::TEmfWriter writer_;
    QSize page_;
    int dpiX_, dpiY_;
    QString description_;
    bool finished_ = false;
    std::unique_ptr<Emitted> emitted_;
    std::vector<Emitted> savedEmitted_;
};
