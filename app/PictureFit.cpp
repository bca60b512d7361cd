#include "app/PictureFit.h"

#include <algorithm>

namespace {

// The length the picture passes the frame by on each axis, when scaled to fill it.
// Rounding leaves a trace of a length where the aspects match; it counts as none.
QSizeF Spare(const QSizeF& picture, const QSizeF& frame, double scale) {
    auto over = [](double scaled, double length) {
        const double d = scaled - length;
        return d > 1e-9 * length ? d : 0.0;
    };
    return {over(picture.width() * scale, frame.width()),
            over(picture.height() * scale, frame.height())};
}

double FillScale(const QSizeF& picture, const QSizeF& frame) {
    return std::max(frame.width() / picture.width(), frame.height() / picture.height());
}

} // namespace

QString PictureFitName(TPictureFit fit) {
    switch (fit) {
    case TPictureFit::Fit:
        return QStringLiteral("fit");
    case TPictureFit::Fill:
        return QStringLiteral("fill");
    case TPictureFit::Stretch:
        break;
    }
    return QStringLiteral("stretch");
}

std::optional<TPictureFit> PictureFitFromName(const QString& name) {
    for (TPictureFit fit : {TPictureFit::Stretch, TPictureFit::Fit, TPictureFit::Fill})
        if (name == PictureFitName(fit)) return fit;
    return std::nullopt;
}

TPicturePlacement PlacePicture(const QSize& picture, const QRectF& frame, TPictureFit fit,
                               const QPointF& crop) {
    TPicturePlacement p;
    if (picture.isEmpty() || frame.isEmpty()) return p;
    const QSizeF size(picture);
    p.source = QRectF(QPointF(0, 0), size);
    switch (fit) {
    case TPictureFit::Stretch:
        p.target = frame;
        break;
    case TPictureFit::Fit: {
        const double scale = std::min(frame.width() / size.width(), frame.height() / size.height());
        QRectF t(QPointF(0, 0), size * scale);
        t.moveCenter(frame.center());
        p.target = t;
        break;
    }
    case TPictureFit::Fill: {
        const double scale = FillScale(size, frame.size());
        const QSizeF spare = Spare(size, frame.size(), scale);
        const double cx = std::clamp(crop.x(), -1.0, 1.0), cy = std::clamp(crop.y(), -1.0, 1.0);
        QRectF whole(QPointF(0, 0), size * scale);
        whole.moveCenter(frame.center() + QPointF(cx * spare.width() / 2, cy * spare.height() / 2));
        p.target = frame;
        p.source =
            QRectF((frame.left() - whole.left()) / scale, (frame.top() - whole.top()) / scale,
                   frame.width() / scale, frame.height() / scale);
        p.drawn = whole;
        p.clipToFrame = true;
        return p;
    }
    }
    p.drawn = p.target;
    return p;
}

QPointF CropAfterDrag(const QSize& picture, const QRectF& frame, const QPointF& crop,
                      const QPointF& drag) {
    if (picture.isEmpty() || frame.isEmpty()) return crop;
    const QSizeF size(picture);
    const QSizeF spare = Spare(size, frame.size(), FillScale(size, frame.size()));
    auto axis = [](double value, double moved, double spareLength) {
        if (spareLength <= 0) return value;
        return std::clamp(std::clamp(value, -1.0, 1.0) + moved / (spareLength / 2), -1.0, 1.0);
    };
    return {axis(crop.x(), drag.x(), spare.width()), axis(crop.y(), drag.y(), spare.height())};
}

std::optional<QRectF> PictureFractions(const QSize& picture, const QSizeF& frameSize,
                                       TPictureFit fit, const QPointF& crop) {
    if (fit == TPictureFit::Stretch || picture.isEmpty() || frameSize.isEmpty())
        return std::nullopt;
    const QRectF d = PlacePicture(picture, QRectF(QPointF(0, 0), frameSize), fit, crop).drawn;
    const double w = frameSize.width(), h = frameSize.height();
    return QRectF(d.left() / w, d.top() / h, d.width() / w, d.height() / h);
}
