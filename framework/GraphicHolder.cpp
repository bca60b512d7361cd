#include "framework/GraphicHolder.h"

#include "framework/DeviceContext.h"
#include "framework/Reader.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

// ---- TImageGraphic ---------------------------------------------------------------------

TImageGraphic::TImageGraphic(const QImage& image, QObject* parent)
    : TGraphic(parent), image_(image) {}

void TImageGraphic::SetImage(const QImage& image) {
    image_ = image;
    Changed(this);
}

void TImageGraphic::Resize(int w, int h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (w == image_.width() && h == image_.height()) return;
    if (w == 0 || h == 0) {
        image_ = QImage();
    } else {
        QImage resized(w, h, image_.isNull() ? QImage::Format_RGB32 : image_.format());
        resized.fill(Qt::white);
        if (!image_.isNull()) {
            QPainter p(&resized);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, image_);
        }
        image_ = resized;
    }
    Changed(this);
}

void TImageGraphic::SetWidth(int w) {
    Resize(w, image_.height() > 0 ? image_.height() : 1);
}
void TImageGraphic::SetHeight(int h) {
    Resize(image_.width() > 0 ? image_.width() : 1, h);
}

void TImageGraphic::SetTransparent(bool t) {
    if (t == Transparent()) return;
    TGraphic::SetTransparent(t);
    Changed(this);
}

void TImageGraphic::LoadFromStream(QIODevice& stream) {
    QImageReader reader(&stream);
    // Bound what a corrupt header can make us allocate.
    const QSize size = reader.size();
    if (size.isValid() && static_cast<qint64>(size.width()) * size.height() > 64LL * 1024 * 1024)
        throw EInvalidGraphic(QStringLiteral("Image is too large"));
    QImage image = reader.read();
    if (image.isNull()) throw EInvalidGraphic(QStringLiteral("Image is not valid"));
    SetImage(image);
}

void TImageGraphic::SaveToStream(QIODevice& stream) {
    if (!image_.save(&stream, "PNG")) throw EStreamError(QStringLiteral("Stream write error"));
}

QImage TImageGraphic::DrawnImage() const {
    if (!Transparent() || image_.isNull() || image_.hasAlphaChannel()) return image_;
    QImage argb = image_.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = argb.pixel(0, argb.height() - 1) & 0xFFFFFF;
    for (int y = 0; y < argb.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if ((row[x] & 0xFFFFFF) == key) row[x] = 0;
    }
    return argb;
}

void TImageGraphic::Draw(TCanvas& canvas, const QRect& rect) {
    if (image_.isNull() || rect.isEmpty()) return;
    const QImage drawn = DrawnImage();
    if (auto* pdc = dynamic_cast<TPainterDC*>(canvas.Handle())) {
        // Nearest-pixel stretching, as the device's colour-on-colour stretch mode does.
        QPainter* p = pdc->Painter();
        p->save();
        p->setRenderHint(QPainter::SmoothPixmapTransform, false);
        p->drawImage(rect, drawn);
        p->restore();
        return;
    }
    // Other devices take device-independent bitmaps without alpha: flatten onto white.
    QImage flat(drawn.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter p(&flat);
        p.drawImage(0, 0, drawn);
    }
    canvas.Handle()->StretchDIBits(rect, flat.rect(), ImageToDib(flat));
}

void TImageGraphic::Assign(TPersistent* source) {
    if (auto* g = qobject_cast<TImageGraphic*>(source)) {
        image_ = g->image_;
        TGraphic::SetTransparent(g->Transparent());
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

// ---- Copies ----------------------------------------------------------------------------

std::unique_ptr<TGraphic> CopyGraphic(TGraphic* source) {
    if (!source) return nullptr;
    if (auto* g = qobject_cast<TImageGraphic*>(source)) {
        auto copy = std::make_unique<TImageGraphic>(g->Image());
        copy->SetTransparent(g->Transparent());
        return copy;
    }
    // The registered kind of the same class copies itself.
    for (const TFileFormat& f : RegisteredFileFormats()) {
        std::unique_ptr<TGraphic> g = f.make();
        if (g && g->metaObject() == source->metaObject()) {
            g->Assign(source);
            return g;
        }
    }
    // A kind nobody registered: keep what it draws.
    return std::make_unique<TImageGraphic>(GraphicToImage(source));
}

QImage GraphicToImage(TGraphic* g) {
    if (!g || g->Empty()) return {};
    if (auto* ig = qobject_cast<TImageGraphic*>(g)) return ig->DrawnImage();
    QImage image(g->Width(), g->Height(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    TPainterDC dc(&p);
    TCanvas canvas(&dc);
    g->Draw(canvas, image.rect());
    canvas.SetHandle(nullptr);
    return image;
}

// ---- TPictureHolder --------------------------------------------------------------------

TPictureHolder::TPictureHolder(QObject* parent) : TPersistent(parent) {}

TPictureHolder::~TPictureHolder() = default;

void TPictureHolder::TakeGraphic(std::unique_ptr<TGraphic> g) {
    graphic_ = std::move(g);
    if (graphic_) graphic_->OnChange = [this](TObject*) { Changed(); };
    Changed();
}

void TPictureHolder::SetGraphic(TGraphic* g) {
    if (g == graphic_.get()) return;
    TakeGraphic(CopyGraphic(g));
}

void TPictureHolder::LoadFromFile(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix();
    const TFileFormat* format = FindFileFormat(ext);
    if (!format) throw EInvalidGraphic(QString::fromLatin1(SysConst::SUnknownExtension).arg(ext));
    std::unique_ptr<TGraphic> g = format->make();
    g->LoadFromFile(fileName);
    TakeGraphic(std::move(g));
}

void TPictureHolder::SaveToFile(const QString& fileName) {
    if (graphic_) graphic_->SaveToFile(fileName);
}

void TPictureHolder::Assign(TPersistent* source) {
    if (!source) {
        TakeGraphic(nullptr);
        return;
    }
    if (auto* p = qobject_cast<TPictureHolder*>(source)) {
        if (p != this) TakeGraphic(CopyGraphic(p->Graphic()));
        return;
    }
    if (auto* g = qobject_cast<TGraphic*>(source)) {
        SetGraphic(g);
        return;
    }
    TPersistent::Assign(source);
}

void TPictureHolder::DefineProperties(TFiler& filer) {
    filer.DefineProperty(
        QStringLiteral("Data"),
        [this](TReader& r) {
            QByteArray bytes = r.ReadFileReference();
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            auto g = std::make_unique<TImageGraphic>();
            try {
                g->LoadFromStream(buffer);
            } catch (const Exception& e) {
                r.Error(e.Message());
            }
            TakeGraphic(std::move(g));
        },
        [](TWriter&) {}, !Empty());
}

void TPictureHolder::Changed() {
    Notify(OnChange, this);
}
