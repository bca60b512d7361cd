#include "framework/graphics/ImgList.h"

#include "framework/core/Reader.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Pictures.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

void TCustomImageList::SetWidth(int w) {
    if (w < 1 || w > 256 || w == width_) return;
    width_ = w;
    Clear();
}

void TCustomImageList::SetHeight(int h) {
    if (h < 1 || h > 256 || h == height_) return;
    height_ = h;
    Clear();
}

int TCustomImageList::Add(const QImage& strip) {
    if (strip.isNull()) return -1;
    QImage source = strip.convertToFormat(QImage::Format_ARGB32);
    if (masked_ && !strip.hasAlphaChannel()) source = CutOutBottomLeftColour(strip);
    if (source.width() < width_ || source.height() < height_)
        source = source.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const int first = Count();
    for (int y = 0; y + height_ <= source.height(); y += height_)
        for (int x = 0; x + width_ <= source.width(); x += width_)
            images_.push_back(source.copy(x, y, width_, height_));
    if (Count() == first) return -1;
    Changed();
    return first;
}

void TCustomImageList::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    images_.erase(images_.begin() + index);
    Changed();
}

void TCustomImageList::Clear() {
    if (images_.empty()) return;
    images_.clear();
    Changed();
}

QImage TCustomImageList::Image(int index) const {
    if (index < 0 || index >= Count()) return {};
    return images_[static_cast<size_t>(index)];
}

QPixmap TCustomImageList::Pixmap(int index, bool enabled) const {
    QImage image = Image(index);
    if (image.isNull()) return {};
    if (!enabled) {
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int v = 128 + qGray(row[x]) / 2;
                row[x] = qRgba(v, v, v, qAlpha(row[x]) / 2);
            }
        }
    }
    return QPixmap::fromImage(image);
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) const {
    if (!canvas || !canvas->Handle() || index < 0 || index >= Count()) return;
    const QImage image = Pixmap(index, enabled).toImage().convertToFormat(QImage::Format_ARGB32);
    DrawMaskedImage(*canvas->Handle(), QRect(QPoint(x, y), image.size()), image);
}

void TCustomImageList::DefineProperties(TFiler& filer) {
    TComponent::DefineProperties(filer);
    filer.DefineProperty(
        QStringLiteral("Bitmap"),
        [this](TReader& r) {
            auto readStrip = [&] {
                QByteArray bytes = r.ReadFileReference();
                QBuffer buffer(&bytes);
                buffer.open(QIODevice::ReadOnly);
                QImageReader reader(&buffer);
                const QSize size = reader.size();
                if (!size.isValid() ||
                    static_cast<qint64>(size.width()) * size.height() > 16LL * 1024 * 1024)
                    r.Error(QStringLiteral("Image list picture is not valid"));
                const QImage strip = reader.read();
                if (strip.isNull()) r.Error(QStringLiteral("Image list picture is not valid"));
                if (strip.width() % width_ != 0 || strip.height() % height_ != 0)
                    r.Error(
                        QStringLiteral("Image list picture of %1 x %2 is not made of %3 x %4 cells")
                            .arg(strip.width())
                            .arg(strip.height())
                            .arg(width_)
                            .arg(height_));
                Add(strip);
            };
            if (r.NextValue() == TValueType::List) {
                r.ReadListBegin();
                while (!r.EndOfList())
                    readStrip();
                r.ReadListEnd();
            } else {
                readStrip();
            }
        },
        [](TWriter&) {}, Count() > 0);
}

void TCustomImageList::AddChangeLink(QObject* receiver, std::function<void()> changed) {
    RemoveChangeLink(receiver);
    links_.emplace_back(receiver, std::move(changed));
}

void TCustomImageList::RemoveChangeLink(QObject* receiver) {
    std::erase_if(links_, [&](const auto& l) { return !l.first || l.first == receiver; });
}

void TCustomImageList::Changed() {
    const auto links = links_;
    for (const auto& [receiver, changed] : links)
        if (receiver) changed();
    Notify(OnChange, this);
}

QImage CutOutBottomLeftColour(const QImage& image) {
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) return argb;
    const QRgb key = argb.pixel(0, argb.height() - 1) & 0xFFFFFF;
    for (int y = 0; y < argb.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if ((row[x] & 0xFFFFFF) == key) row[x] = 0;
    }
    return argb;
}

QImage GlyphImageOf(TGraphic* g) {
    if (!g || g->Empty()) return {};
    if (auto* a = qobject_cast<TAutoGraphic*>(g); a && a->Inner()) g = a->Inner();
    if (auto* b = qobject_cast<TBitmap*>(g)) return CutOutBottomLeftColour(b->Image());
    QImage image(g->Width(), g->Height(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    TPainterDC dc(&p);
    TCanvas canvas(&dc);
    g->Draw(canvas, image.rect());
    canvas.SetHandle(nullptr);
    return image;
}
