#pragma once
// The picture that a control holds (an image control's picture, a button's glyph): one
// graphic of a registered kind, loaded from a file by its extension or from a picture
// compiled into a layout. Also the graphic kind of those compiled-in pictures.

#include "framework/Graphics.h"

#include <QImage>
#include <memory>

// A picture kept as a Qt image: the glyphs, icons and pictures that layouts carry
// (`Glyph.Data = file 'close.png'`). Drawn with its alpha channel on screen; drawn
// transparent, an image without alpha leaves out the colour of its bottom-left pixel.
class TImageGraphic : public TGraphic {
    Q_OBJECT
public:
    explicit TImageGraphic(QObject* parent = nullptr) : TGraphic(parent) {}
    explicit TImageGraphic(const QImage& image, QObject* parent = nullptr);

    bool Empty() const override { return image_.isNull(); }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    void SetWidth(int w) override;
    void SetHeight(int h) override;
    void SetTransparent(bool t) override;

    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;
    void Draw(TCanvas& canvas, const QRect& rect) override;
    void Assign(TPersistent* source) override;

    const QImage& Image() const { return image_; }
    void SetImage(const QImage& image);
    // The image as drawn: with the transparent colour cut out when Transparent is set.
    QImage DrawnImage() const;

private:
    void Resize(int w, int h);
    QImage image_;
};

// Holds one graphic on behalf of a control and tells it about changes. Assigning copies
// the graphic, so two controls never share one.
class TPictureHolder : public TPersistent {
    Q_OBJECT
public:
    explicit TPictureHolder(QObject* parent = nullptr);
    ~TPictureHolder() override;

    TGraphic* Graphic() const { return graphic_.get(); }
    // Keeps a copy of g (none: the picture becomes empty).
    void SetGraphic(TGraphic* g);
    // Takes g over without copying it.
    void TakeGraphic(std::unique_ptr<TGraphic> g);
    bool Empty() const { return !graphic_ || graphic_->Empty(); }
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // Loads the file as the kind registered for its extension; the old graphic stays
    // when loading fails.
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName);

    void Assign(TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

    TNotifyEvent OnChange;

private:
    void Changed();
    std::unique_ptr<TGraphic> graphic_;
};

// What a graphic draws at its own size, on a transparent image.
QImage GraphicToImage(TGraphic* g);
// A new graphic of the same kind holding the same picture.
std::unique_ptr<TGraphic> CopyGraphic(TGraphic* source);
