#pragma once
// JPEG pictures in PDF files as their own bytes. Qt's PDF engine decodes what it is given
// and codes it again; here each JPEG picture is drawn as a small placeholder image that
// carries its number, and once the file is complete every placeholder's image object is
// given the picture's original bytes as a DCT-coded image (through qpdf, which reads and
// writes the file's objects). pdfimages then gives back the very files the pictures came
// from, and nothing is decoded on the way.

#include "framework/graphics/JpegBytes.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QString>
#include <optional>
#include <stdexcept>
#include <vector>

class QPaintDevice;
class QPainter;

class TPdfJpegPass {
public:
    // JPEG pictures drawn on painters of device (a PDF writer or printer) take this road
    // until the pass is destroyed.
    explicit TPdfJpegPass(QPaintDevice* device);
    ~TPdfJpegPass();
    TPdfJpegPass(const TPdfJpegPass&) = delete;
    TPdfJpegPass& operator=(const TPdfJpegPass&) = delete;

    // The pass that pictures drawn on device go through; null when there is none.
    static TPdfJpegPass* For(const QPaintDevice* device);

    // Draws the placeholder of the picture stretched over dest (painter coordinates; the
    // painter's transform and clip apply as to any picture). The same bytes drawn again
    // share one image object.
    void Place(QPainter& painter, const QRectF& dest, const TJpegPicture& jpeg);
    int Pictures() const { return static_cast<int>(pictures_.size()); }

    // Gives the placeholders of the finished file their pictures' bytes: a named file is
    // replaced whole by a new one; an open file (one without a name yet) is rewritten
    // through its descriptor. Throws TPdfJpegError when it cannot read or write the file.
    void Finish(const QString& pdfFile);
    void Finish(int fd);

private:
    // The file with the pictures' bytes in place of their placeholders; nothing when no
    // placeholder is in it.
    std::optional<QByteArray> Rewrite(const QByteArray& written) const;
    struct Picture {
        TJpegPicture jpeg;
        QImage placeholder;
    };
    QPaintDevice* device_;
    std::vector<Picture> pictures_;
};

class TPdfJpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
