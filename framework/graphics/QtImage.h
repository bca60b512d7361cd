#pragma once
// Pictures of the kinds that Qt's image readers know and the framework has no reader of its
// own for (PNG, GIF): read whole within the picture limits, drawn stretched like a bitmap
// (an alpha channel composited over what is beneath), saved as the file was read.

#include "framework/graphics/Graphics.h"

#include <QByteArray>
#include <QImage>

class TQtImage : public TGraphic {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TQtImage(QObject* parent = nullptr);
    // format is the name of Qt's reader ("png", "gif"); empty takes whatever the bytes are.
    explicit TQtImage(const QByteArray& format, QObject* parent = nullptr);
    ~TQtImage() override;

    bool Empty() const override { return image_.isNull(); }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    // The size is the file's.
    void SetWidth(int w) override;
    void SetHeight(int h) override;

    // The picture held is replaced only when the new one was read whole.
    void LoadFromStream(QIODevice& stream) override;
    // As LoadFromStream; a file that cannot be read is named in the error.
    void LoadFromFile(const QString& fileName) override;
    void SaveToStream(QIODevice& stream) override;
    void Draw(TCanvas& canvas, const QRect& rect) override;
    void Assign(TPersistent* source) override;

    const QByteArray& Format() const { return format_; }
    // Straight ARGB32 when the file has an alpha channel, RGB32 otherwise.
    const QImage& Image() const { return image_; }

private:
    QByteArray format_;
    QByteArray bytes_;
    QImage image_;
};

// Decodes bytes with Qt's reader for format (empty: found by the content) into straight
// ARGB32 or RGB32. The size the file declares is checked against kMaxBitmapPixels before
// any pixel is decoded. Throws EInvalidGraphic saying why ("PNG image is not valid: ...").
QImage ReadQtImage(const QByteArray& bytes, const QByteArray& format);

// Registers "png" ("PNG images") and "gif" ("GIF images") where Qt can read them.
void RegisterQtImageFormats();
