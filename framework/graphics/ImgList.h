#pragma once
// Image lists: numbered pictures of one size (tab icons, tool-bar glyphs), read from a
// layout as one or more strips of equal cells.

#include "framework/graphics/Graphics.h"

#include <QImage>
#include <QPixmap>
#include <vector>

// Holds Count pictures of Width x Height pixels. A layout gives them as picture files:
//   Bitmap = file 'icons.png'                      a strip, cut into cells left to right
//   Bitmap = (file 'zoom.png' file 'pages.png')    several strips, one after the other
// Width and Height must come before Bitmap. With Masked set, a picture without an alpha
// channel leaves out the colour of its strip's bottom-left pixel.
class TCustomImageList : public TComponent {
    Q_OBJECT
public:
    explicit TCustomImageList(TComponent* owner);

    int Width() const { return width_; }
    // Changing the size empties the list.
    void SetWidth(int w);
    int Height() const { return height_; }
    void SetHeight(int h);
    bool Masked() const { return masked_; }
    void SetMasked(bool v) { masked_ = v; }
    int Count() const { return static_cast<int>(images_.size()); }

    // Adds the cells of a strip (scaled to the list's size when it is one picture of
    // another size); returns the index of the first, -1 when it holds none.
    int Add(const QImage& strip);
    void Delete(int index);
    void Clear();
    // The picture at index; a null image outside the list.
    QImage Image(int index) const;
    // The picture for a Qt widget, greyed when not enabled.
    QPixmap Pixmap(int index, bool enabled = true) const;
    // Draws the picture at index with its top-left corner at (x, y).
    void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true) const;

    void DefineProperties(TFiler& filer) override;

    // Controls that show the list's pictures are told of every change through a link
    // of their own; the link goes when its receiver does.
    void AddChangeLink(QObject* receiver, std::function<void()> changed);
    void RemoveChangeLink(QObject* receiver);

    TNotifyEvent OnChange;

private:
    void Changed();
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> links_;
    std::vector<QImage> images_;
    int width_ = 16;
    int height_ = 16;
    bool masked_ = true;
};

class TImageList : public TCustomImageList {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(bool Masked READ Masked WRITE SetMasked)
public:
    using TCustomImageList::TCustomImageList;
};

// The picture with the colour of its bottom-left pixel left out, as the system shows
// glyphs and masked image-list pictures that carry no alpha channel of their own.
QImage CutOutBottomLeftColour(const QImage& image);
// What a picture shows, at its own size on a transparent image, for Qt widgets: a bitmap
// without alpha has its bottom-left colour cut out.
QImage GlyphImageOf(TGraphic* g);
