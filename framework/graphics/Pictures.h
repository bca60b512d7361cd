#pragma once
// Pictures: the holder that loads a picture of the kind its file extension names, and the
// kinds the framework brings itself: bitmaps (pixels as stored, BMP files read by our own
// reader), icons, and the kind that recognises a file by its content.

#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Graphics.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <memory>

class QPainter;
class TPainterDC;
class TBitmap;

enum TProgressStage { psStarting, psRunning, psEnding };

// Picture data shared between copies of a picture. Owners hold it through
// std::shared_ptr, so the last owner to let go frees it.
class TSharedImage {
public:
    virtual ~TSharedImage();
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };
enum TTransparentMode { tmAuto, tmFixed };

// ---- Bitmaps --------------------------------------------------------------------------

class TBitmap : public TGraphic {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TBitmap(QObject* parent = nullptr);
    ~TBitmap() override;

    bool Empty() const override;
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    // Resizing keeps the pixels at the top left and paints new ones white.
    void SetWidth(int w) override { SetSize(w, Height()); }
    void SetHeight(int h) override { SetSize(Width(), h); }
    void SetSize(int w, int h);

    // pfDevice is the screen's own layout, 32 bits per pixel.
    TPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat pf);
    int BitsPerPixel() const;
    // One bit per pixel with a black and white palette.
    bool Monochrome() const;
    // The colour table of a bitmap of up to 8 bits per pixel, as stored; empty otherwise.
    QList<QRgb> Palette() const;
    void SetPalette(const QList<QRgb>& palette);

    // A canvas that draws on the pixels; painting ends before the pixels are handed out.
    TCanvas* Canvas();
    // The pixels: Indexed8 for up to 8 bits per pixel, RGB555 or RGB16, BGR888, RGB32.
    const QImage& Image() const;
    // Takes an image's pixels; the pixel format follows the image's format unless given.
    void SetImage(const QImage& image);
    void SetImage(const QImage& image, TPixelFormat pf);
    // Writable row y, top row first; rows lie at increasing addresses BytesPerLine apart.
    uchar* ScanLine(int y);
    int BytesPerLine() const { return static_cast<int>(image_.bytesPerLine()); }

    // The colour left unpainted when drawn transparent: the bottom-left pixel's colour
    // unless fixed.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor c);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode m);

    // BMP files; saving keeps the bits per pixel and palette.
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;
    // The whole bitmap stretched colour on colour: the pixels straight onto contexts that
    // take images, a device-independent copy onto others.
    void Draw(TCanvas& canvas, const QRect& rect) override;

    void Assign(TPersistent* source) override;

    // Called by the canvas when it needs its device context.
    TPainterDC* BeginPaint();
    void EndPaint() const;

private:
    void ReplaceImage(QImage image, TPixelFormat pf);

    mutable QImage image_;
    TPixelFormat pixelFormat_ = pfDevice;
    TTransparentMode transparentMode_ = tmAuto;
    TColor transparentColor_ = clDefault;
    std::unique_ptr<TCanvas> canvas_;
    mutable std::unique_ptr<QPainter> painter_;
    mutable std::unique_ptr<TPainterDC> dc_;
    // Pixels are painted in 32 bits, where every raster operation works, and put back
    // into their own layout (indexed ones onto their palette) afterwards.
    QImage StoredPixels() const;
    mutable bool paintConverted_ = false;
    mutable QImage::Format paintFormat_ = QImage::Format_RGB32;
    mutable QList<QRgb> paintPalette_;
    bool IndexesChecked(const QImage& pixels) const;
    mutable qint64 indexesKey_ = 0;
    mutable bool indexesInTable_ = true;
    TDib DrawingDib() const;
    mutable TDib dib_;
    mutable qint64 dibKey_ = 0;
    mutable int dibBits_ = 0;
};

// ---- Icons ----------------------------------------------------------------------------

// The best image of an icon file (the largest, then the deepest), with its transparency
// from the AND mask or its alpha channel.
class TIcon : public TGraphic {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TIcon(QObject* parent = nullptr);
    ~TIcon() override;

    bool Empty() const override { return image_.isNull(); }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    // An icon's size is fixed by its file.
    void SetWidth(int w) override;
    void SetHeight(int h) override;

    void LoadFromStream(QIODevice& stream) override;
    // Writes the icon file as read.
    void SaveToStream(QIODevice& stream) override;
    void Draw(TCanvas& canvas, const QRect& rect) override;
    void Assign(TPersistent* source) override;

    // Straight (not premultiplied) ARGB32.
    const QImage& Image() const { return image_; }
    void LoadFromBytes(const QByteArray& bytes);

private:
    QImage image_;
    QByteArray file_;
};

// ---- Pictures recognised by content ---------------------------------------------------

// A picture of whatever kind its bytes show: BMP, JPEG, GIF, PNG, icon, enhanced or
// placeable Windows metafile. Kinds with a registered extension are read by that kind;
// GIF and PNG by Qt. Saving writes the bytes as read.
class TAutoGraphic : public TGraphic {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TAutoGraphic(QObject* parent = nullptr);
    ~TAutoGraphic() override;

    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    void SetWidth(int w) override;
    void SetHeight(int h) override;

    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;
    void Draw(TCanvas& canvas, const QRect& rect) override;
    void Assign(TPersistent* source) override;

    // The picture of the recognised kind; null for GIF and PNG files and while empty.
    TGraphic* Inner() const { return inner_.get(); }

private:
    void Load(const QByteArray& bytes);
    QByteArray bytes_;
    std::unique_ptr<TGraphic> inner_;
    QImage image_; // GIF and PNG, straight ARGB32
};

// The picture kind that reads these bytes, found by their content and already loaded;
// EInvalidGraphic when no kind knows them.
std::unique_ptr<TGraphic> GraphicFromBytes(const QByteArray& bytes);

// Draws an image with an alpha channel: composited on painter contexts, as an AND mask
// and an XOR colour bitmap on any other context.
void DrawMaskedImage(TDeviceContext& dc, const QRect& dest, const QImage& argb);

// ---- The picture holder ---------------------------------------------------------------

class TPicture : public TPersistent {
    Q_OBJECT
public:
    explicit TPicture(QObject* parent = nullptr);
    ~TPicture() override;

    // The picture held; null while empty.
    TGraphic* Graphic() const { return graphic_.get(); }
    // Holds a copy of g (of g's kind); null empties the picture.
    void SetGraphic(TGraphic* g);
    // The picture as a bitmap: a picture of another kind is replaced by an empty bitmap.
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* b) { SetGraphic(b); }

    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // Loads the kind registered for the file's extension (without its dot, any case). The
    // picture held is replaced only when the new one loaded without error.
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName);

    void Assign(TPersistent* source) override;
    // "Data": a picture file among the compiled-in resources, recognised by its content.
    void DefineProperties(TFiler& filer) override;

    TNotifyEvent OnChange;
    std::function<void(TObject*, int, int, bool, const QRect&, const QString&)> OnProgress;

protected:
    void AssignTo(TPersistent* dest) override;

private:
    void Take(std::unique_ptr<TGraphic> g);
    void Changed();
    std::unique_ptr<TGraphic> graphic_;
};

// A new picture of the same kind as g, or null when the kind cannot be made.
std::unique_ptr<TGraphic> NewGraphicLike(const TGraphic& g);

// The extension of a file name without its dot ("" when there is none).
QString PictureFileExtension(const QString& fileName);

// Registers "bmp" (Bitmaps), "ico" (Icons) and the empty extension.
void RegisterStandardPictureFormats();
