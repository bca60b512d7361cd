#pragma once
// Metafile pictures: the "emf" and "wmf" picture kinds, the device context that records
// enhanced-metafile records, and the canvas that draws into a metafile. Kept report
// pages are such metafiles, recorded at screen resolution.

#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/EmfRecords.h"
#include "framework/graphics/Graphics.h"

#include <QByteArray>
#include <QPointer>
#include <QRectF>

class QPainter;

// A picture held as enhanced-metafile bytes. A Windows metafile is loaded by turning it
// into the same records; its original bytes are what it saves.
class TMetafile : public TGraphic {
    Q_OBJECT
public:
    explicit TMetafile(QObject* parent = nullptr);
    ~TMetafile() override;

    bool Empty() const override { return data_.isEmpty(); }
    // Size in screen pixels: the frame's, unless set; setting it changes the size the
    // picture is drawn at by default, not its records.
    int Width() const override;
    int Height() const override;
    void SetWidth(int w) override;
    void SetHeight(int h) override;
    // Size in 0.01 mm, as Width and Height.
    int MMWidth() const;
    int MMHeight() const;
    void SetMMWidth(int w);
    void SetMMHeight(int h);
    // False when the picture was loaded from a Windows metafile.
    bool Enhanced() const { return wmf_.isEmpty(); }

    // Reads one metafile from the stream's position (enhanced, or a placeable Windows
    // metafile), its length from its header, and leaves the stream just after it.
    // Raises EInvalidGraphic "Metafile is not valid" when the bytes are not a sound one.
    void LoadFromStream(QIODevice& stream) override;
    // Writes the bytes exactly as held.
    void SaveToStream(QIODevice& stream) override;
    void Draw(TCanvas& canvas, const QRect& rect) override;
    void Assign(TPersistent* source) override;

    // The enhanced-metafile bytes; SetData checks them as LoadFromStream does.
    const QByteArray& Data() const { return data_; }
    void SetData(const QByteArray& emf);
    const emf::TEnhMetaHeader& Header() const { return header_; }
    QString Description() const { return header_.description; }
    void Clear();

    // Draws the picture with its frame stretched onto dest of the painter.
    void Play(QPainter& painter, const QRectF& dest) const;

private:
    void Adopt(QByteArray emf, QByteArray wmf);
    QByteArray data_;
    QByteArray wmf_;
    emf::TEnhMetaHeader header_;
    int mmWidth_ = 0, mmHeight_ = 0; // 0.01 mm; 0 until loaded or set
};

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
    void IntersectClipRect(const QRect& r) override;
    void RemoveClip() override;
    int GetDeviceCaps(int index) const override;

    // Records another metafile stretched into dest (reference pixels), so that it stays
    // vector drawing in this one.
    void EmbedMetafile(const QByteArray& emf, const QRect& dest);

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

    emf::TEmfWriter writer_;
    QSize page_;
    int dpiX_, dpiY_;
    QString description_;
    bool finished_ = false;
    std::unique_ptr<Emitted> emitted_;
    std::vector<Emitted> savedEmitted_;
};

// A canvas that records into a metafile. The metafile's Width and Height (screen
// pixels) give the page; the recording ends, and the metafile receives it, when the
// canvas is freed or Finish is called (a recording that cannot be kept when the canvas is
// freed leaves the metafile as it was).
class TMetafileCanvas : public TCanvas {
    Q_OBJECT
public:
    // referenceDevice: whose resolution the records use; none: the screen's.
    explicit TMetafileCanvas(TMetafile* metafile, TDeviceContext* referenceDevice = nullptr,
                             const QString& description = {});
    ~TMetafileCanvas() override;

    void Finish();
    TEmfRecorderDC* Recorder() const { return recorder_.get(); }

private:
    // Not owned: a metafile freed first is simply not given the recording.
    QPointer<TMetafile> metafile_;
    std::unique_ptr<TEmfRecorderDC> recorder_;
};

// Joins the "emf" and "wmf" picture kinds to the picture registry.
void RegisterMetafileFormats();
