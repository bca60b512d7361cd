#include "framework/graphics/Metafile.h"

#include "framework/core/SysUtils.h"
#include "framework/graphics/Dib.h"
#include "framework/graphics/EmfPlayer.h"
#include "framework/graphics/Units.h"
#include "framework/graphics/Wmf.h"

#include <QIODevice>
#include <QImage>
#include <QPainter>
#include <cmath>

using namespace emf;

namespace {

[[noreturn]] void Invalid() {
    throw EInvalidGraphic(SysConst::Text(SysConst::SInvalidMetafile));
}

// Reads up to n bytes in pieces, so a header that lies about its length costs no more
// memory than the stream really holds.
QByteArray ReadExactly(QIODevice& stream, int64_t n) {
    QByteArray out;
    constexpr int64_t kChunk = 1 << 20;
    while (out.size() < n) {
        const QByteArray part = stream.read(std::min<int64_t>(kChunk, n - out.size()));
        if (part.isEmpty()) break;
        out += part;
    }
    return out;
}

} // namespace

// ---- The picture ---------------------------------------------------------------------

TMetafile::TMetafile(QObject* parent) : TGraphic(parent) {}
TMetafile::~TMetafile() = default;

int TMetafile::Width() const {
    return Units::ConvertRounded(mmWidth_, Units::kHimetric, Units::Pixels(ScreenPixelsPerInch()));
}
int TMetafile::Height() const {
    return Units::ConvertRounded(mmHeight_, Units::kHimetric, Units::Pixels(ScreenPixelsPerInch()));
}
int TMetafile::MMWidth() const {
    return mmWidth_;
}
int TMetafile::MMHeight() const {
    return mmHeight_;
}

void TMetafile::SetWidth(int w) {
    SetMMWidth(Units::ConvertRounded(w, Units::Pixels(ScreenPixelsPerInch()), Units::kHimetric));
}
void TMetafile::SetHeight(int h) {
    SetMMHeight(Units::ConvertRounded(h, Units::Pixels(ScreenPixelsPerInch()), Units::kHimetric));
}

void TMetafile::SetMMWidth(int w) {
    if (w == mmWidth_ || w < 0) return;
    mmWidth_ = w;
    Changed(this);
}

void TMetafile::SetMMHeight(int h) {
    if (h == mmHeight_ || h < 0) return;
    mmHeight_ = h;
    Changed(this);
}

void TMetafile::Clear() {
    data_.clear();
    wmf_.clear();
    header_ = {};
    mmWidth_ = mmHeight_ = 0;
    Changed(this);
}

void TMetafile::Adopt(QByteArray emf, QByteArray wmf) {
    TEnhMetaHeader h;
    if (!ParseHeader(reinterpret_cast<const uchar*>(emf.constData()), emf.size(), h, nullptr))
        Invalid();
    data_ = std::move(emf);
    wmf_ = std::move(wmf);
    header_ = h;
    const QRectF frame = FrameInPixels(h);
    const QPointF k = PixelsPerMillimetre(h);
    // The natural size is the frame's; a frame too large for an int is no size at all.
    mmWidth_ =
        static_cast<int>(std::clamp<double>(std::nearbyint(frame.width() * 100 / k.x()), 0, 1e9));
    mmHeight_ =
        static_cast<int>(std::clamp<double>(std::nearbyint(frame.height() * 100 / k.y()), 0, 1e9));
    if (int64_t(h.frame.right) - h.frame.left > 0 && int64_t(h.frame.bottom) - h.frame.top > 0) {
        mmWidth_ =
            static_cast<int>(std::min<int64_t>(int64_t(h.frame.right) - h.frame.left, 1000000000));
        mmHeight_ =
            static_cast<int>(std::min<int64_t>(int64_t(h.frame.bottom) - h.frame.top, 1000000000));
    }
    Changed(this);
}

void TMetafile::SetData(const QByteArray& emf) {
    if (!CheckEnhMetaFile(emf).isEmpty()) Invalid();
    QByteArray exact = emf.left(U32(reinterpret_cast<const uchar*>(emf.constData()) + 48));
    Adopt(std::move(exact), {});
}

void TMetafile::LoadFromStream(QIODevice& stream) {
    const QByteArray key = stream.peek(4);
    if (key.size() == 4 && U32(reinterpret_cast<const uchar*>(key.constData())) == kPlaceableKey) {
        const QByteArray head = stream.peek(kWmfHeadSize);
        const int64_t length = WmfLength(head);
        if (length < 0) Invalid();
        if (!stream.isSequential() && stream.size() - stream.pos() < length) Invalid();
        const QByteArray wmf = ReadExactly(stream, length);
        if (wmf.size() != length) Invalid();
        QString why;
        QByteArray converted = WmfToEmf(wmf, &why);
        if (converted.isEmpty() || !CheckEnhMetaFile(converted).isEmpty()) Invalid();
        Adopt(std::move(converted), wmf);
        return;
    }
    QByteArray head = stream.read(88);
    if (head.size() < 88) Invalid();
    const auto* h = reinterpret_cast<const uchar*>(head.constData());
    if (U32(h) != EMR_HEADER || U32(h + 40) != kSignature) Invalid();
    const int64_t bytes = U32(h + 48);
    if (bytes < 88 || bytes > kMaxBytes) Invalid();
    if (!stream.isSequential() && stream.size() - stream.pos() < bytes - 88) Invalid();
    head += ReadExactly(stream, bytes - 88);
    if (head.size() != bytes || !CheckEnhMetaFile(head).isEmpty()) Invalid();
    Adopt(std::move(head), {});
}

void TMetafile::SaveToStream(QIODevice& stream) {
    const QByteArray& bytes = Enhanced() ? data_ : wmf_;
    if (stream.write(bytes) != bytes.size())
        throw EStreamError(QStringLiteral("Stream write error"));
}

void TMetafile::Play(QPainter& painter, const QRectF& dest) const {
    if (!Empty()) PlayEnhMetaFile(painter, data_, dest);
}

void TMetafile::Draw(TCanvas& canvas, const QRect& rect) {
    TDeviceContext* dc = canvas.Handle();
    if (!dc || Empty() || rect.isEmpty()) return;
    if (dc->EmbedMetafile(data_, rect)) return;
    if (QPainter* painter = dc->DirectPainter()) {
        Play(*painter, QRectF(rect));
        return;
    }
    DrawThroughBitmaps(*dc, rect);
}

namespace {

// Most pixels of one tile of a picture drawn through bitmaps, and of all its tiles
// together: a destination larger than that (a page at a fine resolution) is drawn at a
// coarser one and stretched, rather than not at all.
constexpr int64_t kTilePixels = 4LL * 1024 * 1024;
constexpr int kTileWidth = 4096;
constexpr int64_t kMaxTiledPixels = 256LL * 1024 * 1024;

// The part of rect that the context can show: inside its clip and its page, when it
// knows them.
QRect ShownPart(const TDeviceContext& dc, const QRect& rect) {
    QRect shown = rect;
    if (dc.ClipRect()) shown &= *dc.ClipRect();
    const int width = dc.GetDeviceCaps(HORZRES), height = dc.GetDeviceCaps(VERTRES);
    if (width > 0 && height > 0) shown &= QRect(0, 0, width, height);
    return shown;
}

} // namespace

// For a context that takes only bitmaps: the shown part in tiles, each played into an
// image on white and handed over as a bitmap.
void TMetafile::DrawThroughBitmaps(TDeviceContext& dc, const QRect& rect) const {
    const QRect shown = ShownPart(dc, rect);
    if (shown.isEmpty()) return;
    const long double area = static_cast<long double>(shown.width()) * shown.height();
    const double scale = area > kMaxTiledPixels ? std::sqrt(kMaxTiledPixels / area) : 1.0;
    const int width = std::max(1, static_cast<int>(std::ceil(shown.width() * scale)));
    const int height = std::max(1, static_cast<int>(std::ceil(shown.height() * scale)));
    const int tileWidth = std::min(width, kTileWidth);
    const int tileHeight = static_cast<int>(std::max<int64_t>(1, kTilePixels / tileWidth));
    // The whole picture in the coordinates of the scaled shown part.
    const QRectF picture((rect.x() - shown.x()) * scale, (rect.y() - shown.y()) * scale,
                         rect.width() * scale, rect.height() * scale);
    auto toDevice = [&](int v, int origin, int end) {
        return std::min(end, origin + RoundInt(v / scale));
    };
    dc.SetStretchBltMode(COLORONCOLOR);
    for (int ty = 0; ty < height; ty += tileHeight) {
        for (int tx = 0; tx < width; tx += tileWidth) {
            const int tw = std::min(tileWidth, width - tx), th = std::min(tileHeight, height - ty);
            QImage tile(tw, th, QImage::Format_RGB32);
            if (tile.isNull()) return;
            tile.fill(Qt::white);
            QPainter painter(&tile);
            Play(painter, picture.translated(-tx, -ty));
            painter.end();
            const int x0 = toDevice(tx, shown.x(), shown.x() + shown.width());
            const int y0 = toDevice(ty, shown.y(), shown.y() + shown.height());
            const int x1 = toDevice(tx + tw, shown.x(), shown.x() + shown.width());
            const int y1 = toDevice(ty + th, shown.y(), shown.y() + shown.height());
            if (x1 > x0 && y1 > y0)
                dc.StretchDIBits(QRect(x0, y0, x1 - x0, y1 - y0), QRect(0, 0, tw, th),
                                 EncodeDib(tile, 32), SRCCOPY);
        }
    }
}

void TMetafile::Assign(TPersistent* source) {
    if (auto* m = qobject_cast<TMetafile*>(source)) {
        data_ = m->data_;
        wmf_ = m->wmf_;
        header_ = m->header_;
        mmWidth_ = m->mmWidth_;
        mmHeight_ = m->mmHeight_;
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

// ---- The recording canvas ------------------------------------------------------------

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, TDeviceContext* referenceDevice,
                                 const QString& description)
    : metafile_(metafile) {
    const int dpiX =
        referenceDevice ? referenceDevice->GetDeviceCaps(LOGPIXELSX) : ScreenPixelsPerInch();
    const int dpiY =
        referenceDevice ? referenceDevice->GetDeviceCaps(LOGPIXELSY) : ScreenPixelsPerInch();
    QSize page;
    if (metafile && metafile->MMWidth() > 0 && metafile->MMHeight() > 0)
        page = QSize(
            Units::ConvertRounded(metafile->MMWidth(), Units::kHimetric, Units::Pixels(dpiX)),
            Units::ConvertRounded(metafile->MMHeight(), Units::kHimetric, Units::Pixels(dpiY)));
    recorder_ = std::make_unique<TEmfRecorderDC>(page, dpiX, dpiY, description);
    Font()->SetPixelsPerInch(dpiY);
    SetHandle(recorder_.get());
}

TMetafileCanvas::~TMetafileCanvas() {
    try {
        Finish();
    } catch (...) {
        // A recording that cannot be kept leaves the metafile as it was.
    }
}

void TMetafileCanvas::Finish() {
    if (!recorder_ || recorder_->Finished()) return;
    const QByteArray bytes = recorder_->Finish();
    if (metafile_) metafile_->SetData(bytes);
}

void RegisterMetafileFormats() {
    RegisterFileFormat(QStringLiteral("emf"), QStringLiteral("Enhanced Metafiles"),
                       [] { return std::make_unique<TMetafile>(); });
    RegisterFileFormat(QStringLiteral("wmf"), QStringLiteral("Metafiles"),
                       [] { return std::make_unique<TMetafile>(); });
}
