#pragma once
// The JPEG picture: keeps the file's compressed bytes (shared between copies), reads only
// the header on load, decodes into a bitmap with libjpeg the first time its pixels are
// needed, and compresses a bitmap when a picture without compressed bytes is saved.

#include "framework/graphics/JpegBytes.h"
#include "framework/graphics/Pictures.h"

#include <QByteArray>
#include <QList>
#include <memory>
#include <optional>

struct JpegSession;

enum TJPEGOutputDepth { od24Bit, od8Bit };
enum TJPEGDecodeSpeed { dsBestQuality, dsBestSpeed };
enum TJPEGScale { sdFull, sdHalf, sdQuarter, sdEighth };

struct TJPEGDefaults {
    int SaveQuality = 90;
    bool GrayOutput = false;
    TJPEGDecodeSpeed DecodeSpeed = dsBestQuality;
    TJPEGOutputDepth OutputDepth = od24Bit;
    bool ShowPasses = false;
    bool Progressive = false;
    TJPEGScale ScaleDown = sdFull;
    bool BlockSmoothing = true;
};

// Copied into every new picture.
extern TJPEGDefaults JPEGDefaultSettings;

// The least time between two progress reports while decoding or compressing.
extern int JPEGProgressInterval; // milliseconds, 500

// Fatal libjpeg errors, with the library's message code.
class EJPEG : public EInvalidGraphic {
public:
    explicit EJPEG(int code);
    // The code and what it means for this picture.
    EJPEG(int code, const QString& cause);
    int Code() const { return code_; }

private:
    int code_ = 0;
};

// The compressed bytes of one JPEG file and what its header says.
class TJPEGData : public TSharedImage {
public:
    bool HasBytes() const { return hasBytes; }
    const QByteArray& Bytes() const { return bytes; }

    QByteArray bytes;
    bool hasBytes = false; // absent until loaded or compressed; a zero-length file has them
    int width = 0;
    int height = 0;
    bool grey = false;
};

class TJPEGImage : public TGraphic {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TJPEGImage(QObject* parent = nullptr);
    ~TJPEGImage() override;

    bool Empty() const override;
    // The decoded bitmap's size; before decoding the header's, reduced by ScaleDown.
    int Width() const override;
    int Height() const override;
    // A JPEG picture's size is fixed by its data.
    void SetWidth(int w) override;
    void SetHeight(int h) override;

    // Takes the bytes from the stream's position to its end and reads their header.
    void LoadFromStream(QIODevice& stream) override;
    // Writes the compressed bytes, compressing the bitmap first when there are none.
    void SaveToStream(QIODevice& stream) override;
    void Draw(TCanvas& canvas, const QRect& rect) override;

    // From a JPEG picture: shares its data (and copies its bitmap, if decoded). From a
    // bitmap: takes a copy, compressed only when saved.
    void Assign(TPersistent* source) override;
    // True only for a JPEG picture that shares this one's data.
    bool Equals(const TGraphic* other) const;

    // Layout streams: a 32-bit byte count, then the bytes.
    void ReadData(QIODevice& stream);
    void WriteData(QIODevice& stream);

    // The decoded bitmap, decoding first. A decode is tried once: after a failure the
    // bitmap keeps the rows decoded so far.
    TBitmap* Bitmap();
    bool Decoded() const { return bitmap_ != nullptr; }
    void DIBNeeded() { Bitmap(); }
    void JPEGNeeded();
    void Compress();
    std::shared_ptr<const TJPEGData> Data() const { return data_; }
    bool Grayscale() const { return data_->grey; }

    // A decoded picture's palette, else the temporary palette (made for palette screens).
    QList<QRgb> Palette();
    void SetPalette(const QList<QRgb>& palette);
    bool PaletteModified() const { return paletteModified_; }
    void SetPaletteModified(bool m) { paletteModified_ = m; }

    bool BlockSmoothing() const { return blockSmoothing_; }
    void SetBlockSmoothing(bool b);
    bool GrayOutput() const { return grayOutput_; }
    void SetGrayOutput(bool g);
    TJPEGOutputDepth OutputDepth() const { return outputDepth_; }
    void SetOutputDepth(TJPEGOutputDepth d);
    int SaveQuality() const { return saveQuality_; }
    void SetSaveQuality(int q);
    bool ShowPasses() const { return showPasses_; }
    void SetShowPasses(bool s) { showPasses_ = s; }
    bool Progressive() const { return progressive_; }
    void SetProgressive(bool p);
    TJPEGDecodeSpeed DecodeSpeed() const { return decodeSpeed_; }
    void SetDecodeSpeed(TJPEGDecodeSpeed s);
    TJPEGScale ScaleDown() const { return scaleDown_; }
    void SetScaleDown(TJPEGScale s);

protected:
    void AssignTo(TPersistent* dest) override;

private:
    friend struct JpegSession;
    void NewData();
    void FreeBitmap();
    void Decode();
    void CalcScaledSize() const;
    void Progress(TProgressStage stage, int percent, bool redraw, const QRect& r);
    void DecodeSettingsChanged();
    void ReadHeader();
    void ReportProgress(JpegSession& session);

    std::shared_ptr<TJPEGData> data_;
    std::unique_ptr<TBitmap> bitmap_;
    mutable int scaledWidth_ = 0;
    mutable int scaledHeight_ = 0;
    mutable bool needRecalc_ = true;
    std::optional<QList<QRgb>> tempPalette_;
    // What the frame header of the data's bytes says, looked at on the first drawing.
    std::optional<TJpegPicture> jpeg_;
    bool paletteModified_ = false;

    bool blockSmoothing_;
    bool grayOutput_;
    TJPEGOutputDepth outputDepth_;
    int saveQuality_;
    bool showPasses_;
    mutable bool progressive_;
    TJPEGDecodeSpeed decodeSpeed_;
    TJPEGScale scaleDown_;
};

// Registers "jpeg" and "jpg" with the string table's description of JPEG files; before
// that, a screen of 8 bits per pixel or fewer makes 8-bit output the default.
void RegisterJPEGFormats();
void UnregisterJPEGFormats();
