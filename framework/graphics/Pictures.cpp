#include "framework/graphics/Pictures.h"
#include "framework/core/Translations.h"

#include "framework/core/Reader.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/Dib.h"
#include "framework/graphics/QtImage.h"

#include <QBuffer>
#include <QPainter>
#include <QtEndian>
#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr uint32_t SRCAND = 0x008800C6;
constexpr uint32_t SRCINVERT = 0x00660046;

constexpr const char* SUnknownPictureFormat =
    QT_TRANSLATE_NOOP("SysConst", "Unknown picture format");
constexpr const char* SChangeIconSize =
    QT_TRANSLATE_NOOP("SysConst", "Cannot change the size of an icon");
constexpr const char* SChangePictureSize =
    QT_TRANSLATE_NOOP("SysConst", "Cannot change the size of this picture");
constexpr const char* SScanLine = QT_TRANSLATE_NOOP("SysConst", "Scan line index out of range");
constexpr const char* SOutOfResources = QT_TRANSLATE_NOOP("SysConst", "Out of system resources");
constexpr const char* SStreamWrite = QT_TRANSLATE_NOOP("SysConst", "Stream write error");

int BitsOf(TPixelFormat pf) {
    switch (pf) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf15bit:
    case pf16bit:
        return 16;
    case pf24bit:
        return 24;
    default:
        return 32;
    }
}

bool IsIndexed(TPixelFormat pf) {
    return pf == pf1bit || pf == pf4bit || pf == pf8bit;
}

QImage::Format FormatOf(TPixelFormat pf) {
    switch (pf) {
    case pf1bit:
    case pf4bit:
    case pf8bit:
        return QImage::Format_Indexed8;
    case pf15bit:
        return QImage::Format_RGB555;
    case pf16bit:
        return QImage::Format_RGB16;
    case pf24bit:
        return QImage::Format_BGR888;
    default:
        return QImage::Format_RGB32;
    }
}

TPixelFormat PixelFormatOfImage(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return pf1bit;
    case QImage::Format_Indexed8:
        return image.colorCount() <= 2 ? pf1bit : image.colorCount() <= 16 ? pf4bit : pf8bit;
    case QImage::Format_Grayscale8:
        return pf8bit;
    case QImage::Format_RGB555:
        return pf15bit;
    case QImage::Format_RGB16:
        return pf16bit;
    case QImage::Format_BGR888:
    case QImage::Format_RGB888:
        return pf24bit;
    default:
        return pf32bit;
    }
}

TPixelFormat PixelFormatOfBits(int bits, QImage::Format format) {
    switch (bits) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 16:
        return format == QImage::Format_RGB16 ? pf16bit : pf15bit;
    case 24:
        return pf24bit;
    default:
        return pf32bit;
    }
}

QList<QRgb> BlackAndWhite() {
    return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
}

// The sixteen colours of the standard display palette.
QList<QRgb> Standard16() {
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(128, 128, 128),
            qRgb(192, 192, 192), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

// The standard sixteen, a 6 x 6 x 6 colour cube and a grey ramp.
QList<QRgb> Standard256() {
    QList<QRgb> p = Standard16();
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p << qRgb(r * 51, g * 51, b * 51);
    for (int i = 0; i < 24; ++i)
        p << qRgb(8 + i * 10, 8 + i * 10, 8 + i * 10);
    return p;
}

QList<QRgb> DefaultPalette(TPixelFormat pf) {
    return pf == pf1bit ? BlackAndWhite() : pf == pf4bit ? Standard16() : Standard256();
}

// An image in the layout of pf; indexed layouts keep a palette that fits their depth.
QImage ConvertImage(const QImage& source, TPixelFormat pf) {
    if (source.isNull()) return source;
    if (!IsIndexed(pf)) return source.convertToFormat(FormatOf(pf));
    const int maxColors = 1 << BitsOf(pf);
    if (source.format() == QImage::Format_Indexed8 && source.colorCount() <= maxColors)
        return source;
    const QImage rgb = source.convertToFormat(QImage::Format_RGB32);
    if (pf == pf8bit) return rgb.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    return rgb.convertToFormat(QImage::Format_Indexed8, DefaultPalette(pf), Qt::ThresholdDither);
}

int NearestIndex(const QList<QRgb>& palette, QRgb c) {
    int best = 0, bestDistance = INT_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(palette[i]) - qRed(c), dg = qGreen(palette[i]) - qGreen(c),
                  db = qBlue(palette[i]) - qBlue(c);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) best = i, bestDistance = d;
    }
    return best;
}

// The bitmap with its transparent colour cleared to no coverage.
QImage KeyedImage(const QImage& image, TColor key) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb k = qRgb(GetRValue(key), GetGValue(key), GetBValue(key)) & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((row[x] & 0xFFFFFF) == k) row[x] = 0;
    }
    return out;
}

void WriteAll(QIODevice& stream, const QByteArray& bytes) {
    if (stream.write(bytes) != bytes.size()) throw EStreamError(SysConst::Text(SStreamWrite));
}

QByteArray ReadRest(QIODevice& stream) {
    return stream.readAll();
}

// True unless an indexed image holds an index past the end of its colour table. Bytes
// below the largest power of two within the table pass eight at a time; only a word that
// holds a larger byte is looked at byte by byte.
bool IndexesInTable(const QImage& image) {
    if (image.format() != QImage::Format_Indexed8 || image.colorCount() >= 256) return true;
    const int count = image.colorCount();
    if (count == 0) return image.width() == 0 || image.height() == 0;
    int below = 1;
    while (below * 2 <= count)
        below *= 2;
    const uint64_t high = 0x0101010101010101ULL * static_cast<uint8_t>(~(below - 1));
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        int x = 0;
        for (; x + 8 <= width; x += 8) {
            uint64_t word;
            std::memcpy(&word, row + x, sizeof word);
            if (!(word & high)) continue;
            for (int k = 0; k < 8; ++k)
                if (row[x + k] >= count) return false;
        }
        for (; x < width; ++x)
            if (row[x] >= count) return false;
    }
    return true;
}

class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}

protected:
    void CreateHandle() override { SetHandle(bitmap_->BeginPaint()); }

private:
    TBitmap* bitmap_;
};

} // namespace

TSharedImage::~TSharedImage() = default;

// ---- Bitmaps --------------------------------------------------------------------------

TBitmap::TBitmap(QObject* parent) : TGraphic(parent) {}

TBitmap::~TBitmap() {
    EndPaint();
}

bool TBitmap::Empty() const {
    return image_.isNull() || image_.width() == 0 || image_.height() == 0;
}

void TBitmap::SetSize(int w, int h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (w == Width() && h == Height()) return;
    EndPaint();
    if (w == 0 || h == 0) {
        image_ = QImage();
        Changed(this);
        return;
    }
    if (static_cast<int64_t>(w) * h > kMaxBitmapPixels)
        throw EOutOfResources(SysConst::Text(SOutOfResources));
    QImage resized(w, h, FormatOf(pixelFormat_));
    if (resized.isNull()) throw EOutOfResources(SysConst::Text(SOutOfResources));
    if (resized.format() == QImage::Format_Indexed8) {
        const QList<QRgb> palette =
            image_.isNull() ? DefaultPalette(pixelFormat_) : image_.colorTable();
        resized.setColorTable(palette);
        resized.fill(static_cast<uint>(NearestIndex(palette, qRgb(255, 255, 255))));
    } else {
        resized.fill(Qt::white);
    }
    if (!image_.isNull()) {
        const QImage old = image_.convertToFormat(resized.format());
        const size_t bytes = static_cast<size_t>(std::min(old.width(), w)) * (old.depth() / 8);
        for (int y = 0; y < std::min(old.height(), h); ++y)
            std::memcpy(resized.scanLine(y), old.constScanLine(y), bytes);
    }
    image_ = std::move(resized);
    Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat pf) {
    if (pf == pixelFormat_) return;
    EndPaint();
    image_ = ConvertImage(image_, pf);
    pixelFormat_ = pf;
    Changed(this);
}

int TBitmap::BitsPerPixel() const {
    return BitsOf(pixelFormat_);
}

bool TBitmap::Monochrome() const {
    return pixelFormat_ == pf1bit && Palette() == BlackAndWhite();
}

QList<QRgb> TBitmap::Palette() const {
    if (!IsIndexed(pixelFormat_)) return {};
    return paintConverted_ ? paintPalette_ : image_.colorTable();
}

void TBitmap::SetPalette(const QList<QRgb>& palette) {
    if (!IsIndexed(pixelFormat_) || image_.isNull() || palette.isEmpty()) return;
    EndPaint();
    QList<QRgb> table = palette.mid(0, qsizetype(1) << BitsPerPixel());
    // Pixels keep their indexes; any past the new table's end show black.
    while (table.size() < image_.colorCount())
        table << qRgb(0, 0, 0);
    if (table == image_.colorTable()) return;
    image_.setColorTable(table);
    Changed(this);
}

TCanvas* TBitmap::Canvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TBitmapCanvas>(this);
        canvas_->OnChange = [this](TObject*) { Changed(this); };
    }
    return canvas_.get();
}

TPainterDC* TBitmap::BeginPaint() {
    if (painter_) return dc_.get();
    if (Empty()) return nullptr;
    if (image_.format() != QImage::Format_RGB32) {
        paintFormat_ = image_.format();
        paintPalette_ = image_.colorTable();
        image_ = image_.convertToFormat(QImage::Format_RGB32);
        paintConverted_ = true;
    }
    painter_ = std::make_unique<QPainter>(&image_);
    dc_ = std::make_unique<TPainterDC>(painter_.get());
    return dc_.get();
}

QImage TBitmap::StoredPixels() const {
    if (!paintConverted_) return image_;
    if (paintFormat_ == QImage::Format_Indexed8)
        return image_.convertToFormat(QImage::Format_Indexed8, paintPalette_, Qt::ThresholdDither);
    return image_.convertToFormat(paintFormat_);
}

void TBitmap::EndPaint() const {
    if (!painter_) return;
    dib_ = {};
    if (canvas_) canvas_->SetHandle(nullptr);
    dc_.reset();
    painter_->end();
    painter_.reset();
    if (paintConverted_) {
        image_ = StoredPixels();
        paintConverted_ = false;
    }
}

const QImage& TBitmap::Image() const {
    EndPaint();
    return image_;
}

void TBitmap::SetImage(const QImage& image) {
    SetImage(image, PixelFormatOfImage(image));
}

void TBitmap::SetImage(const QImage& image, TPixelFormat pf) {
    EndPaint();
    ReplaceImage(ConvertImage(image, pf), pf);
    Changed(this);
}

void TBitmap::ReplaceImage(QImage image, TPixelFormat pf) {
    image_ = std::move(image);
    pixelFormat_ = pf;
}

uchar* TBitmap::ScanLine(int y) {
    EndPaint();
    if (y < 0 || y >= image_.height()) throw EInvalidGraphicOperation(SysConst::Text(SScanLine));
    return image_.scanLine(y);
}

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
    if (Empty()) return clDefault;
    return FromQColor(QColor(image_.pixel(0, image_.height() - 1)));
}

void TBitmap::SetTransparentColor(TColor c) {
    if (c == transparentColor_ && transparentMode_ == (c == clDefault ? tmAuto : tmFixed)) return;
    transparentColor_ = c;
    transparentMode_ = c == clDefault ? tmAuto : tmFixed;
    Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode m) {
    if (m == transparentMode_) return;
    transparentColor_ = m == tmAuto ? clDefault : TransparentColor();
    transparentMode_ = m;
    Changed(this);
}

namespace {
// Why a BMP file is refused before its pixels are looked at: the size its header claims,
// when that is more pixels than a picture may have; empty otherwise.
QString BmpTooLarge(const QByteArray& file) {
    constexpr qsizetype kInfo = 14; // the file header, then the bitmap header
    if (file.size() < kInfo + 12 || file[0] != 'B' || file[1] != 'M') return {};
    const auto* info = reinterpret_cast<const uchar*>(file.constData()) + kInfo;
    const bool core = qFromLittleEndian<uint32_t>(info) == 12;
    if (!core && file.size() < kInfo + 16) return {};
    const int64_t width =
        core ? qFromLittleEndian<uint16_t>(info + 4) : qFromLittleEndian<int32_t>(info + 4);
    int64_t height =
        core ? qFromLittleEndian<uint16_t>(info + 6) : qFromLittleEndian<int32_t>(info + 8);
    height = height < 0 ? -height : height;
    if (width <= 0 || width * height <= kMaxBitmapPixels) return {};
    return Translate("SysConst", "%1 x %2 pixels, more than %3")
        .arg(width)
        .arg(height)
        .arg(kMaxBitmapPixels);
}
} // namespace

void TBitmap::LoadFromStream(QIODevice& stream) {
    const QByteArray bytes = ReadRest(stream);
    if (const QString cause = BmpTooLarge(bytes); !cause.isEmpty())
        throw EInvalidGraphic(SysConst::Text(SysConst::SInvalidBitmap) + QStringLiteral(": ") +
                              cause);
    std::optional<TDecodedDib> dib = DecodeBmpFile(bytes);
    if (!dib) throw EInvalidGraphic(SysConst::Text(SysConst::SInvalidBitmap));
    EndPaint();
    const QImage::Format format = dib->image.format();
    ReplaceImage(std::move(dib->image), PixelFormatOfBits(dib->bitCount, format));
    Changed(this);
}

void TBitmap::SaveToStream(QIODevice& stream) {
    if (Empty()) return;
    WriteAll(stream, EncodeBmpFile(Image(), BitsPerPixel()));
}

void TBitmap::Draw(TCanvas& canvas, const QRect& rect) {
    TDeviceContext* dc = canvas.Handle();
    if (Empty() || !dc) return;
    // Pixels being painted are read from a copy, so a bitmap may be drawn onto itself.
    const QImage pixels = painter_ ? StoredPixels().copy() : StoredPixels();
    if (Transparent()) {
        DrawMaskedImage(*dc, rect, KeyedImage(pixels, TransparentColor()));
        return;
    }
    if (!Monochrome()) dc->SetStretchBltMode(COLORONCOLOR);
    if (IndexesChecked(pixels) && dc->DrawImage(rect, pixels, pixels.rect())) return;
    // A recording takes rows laid out as a bitmap's straight into its record: no bitmap
    // copy of a large picture is made, nor kept.
    if (dc->StretchStoredRows(rect, pixels.rect(), pixels, BitsPerPixel())) return;
    dc->StretchDIBits(rect, pixels.rect(), DrawingDib(), SRCCOPY);
}

// Whether the stored pixels' indexes all lie in their colour table: looked at once, and
// again only when the pixels change, not at every drawing of a large picture.
bool TBitmap::IndexesChecked(const QImage& pixels) const {
    if (indexesKey_ != pixels.cacheKey()) {
        indexesInTable_ = IndexesInTable(pixels);
        indexesKey_ = pixels.cacheKey();
    }
    return indexesInTable_;
}

// The device-independent copy that contexts taking only bitmaps are given: made once and
// kept until the pixels change (any writable access to them changes their cache key).
TDib TBitmap::DrawingDib() const {
    if (painter_) return EncodeDib(StoredPixels(), BitsPerPixel());
    if (dib_.info.isEmpty() || dibKey_ != image_.cacheKey() || dibBits_ != BitsPerPixel()) {
        dib_ = EncodeDib(image_, BitsPerPixel());
        dibKey_ = image_.cacheKey();
        dibBits_ = BitsPerPixel();
    }
    return dib_;
}

void TBitmap::Assign(TPersistent* source) {
    if (!source) {
        EndPaint();
        image_ = QImage();
        Changed(this);
        return;
    }
    if (auto* b = qobject_cast<TBitmap*>(source)) {
        if (b == this) return;
        const QImage pixels = b->Image();
        EndPaint();
        ReplaceImage(pixels, b->pixelFormat_);
        transparentMode_ = b->transparentMode_;
        transparentColor_ = b->transparentColor_;
        SetTransparent(b->Transparent());
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

// ---- Drawing with coverage ------------------------------------------------------------

void DrawMaskedImage(TDeviceContext& dc, const QRect& dest, const QImage& argb) {
    if (argb.isNull() || dest.width() == 0 || dest.height() == 0) return;
    if (dc.DrawImage(dest, argb, argb.rect())) return;
    // Elsewhere the raster operations do it: the destination ANDed with a mask that is white
    // where nothing covers, then XORed with the colours, black where nothing covers.
    const QImage source = argb.convertToFormat(QImage::Format_ARGB32);
    const int w = source.width(), h = source.height();
    QImage mask(w, h, QImage::Format_Indexed8);
    mask.setColorTable(BlackAndWhite());
    QImage colour(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        uchar* m = mask.scanLine(y);
        auto* c = reinterpret_cast<QRgb*>(colour.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const bool covered = qAlpha(in[x]) >= 128;
            m[x] = covered ? 0 : 1;
            c[x] = covered ? (in[x] | 0xFF000000u) : qRgb(0, 0, 0);
        }
    }
    dc.SetStretchBltMode(COLORONCOLOR);
    if (!dc.StretchDIBits(dest, QRect(0, 0, w, h), EncodeDib(mask, 1), SRCAND)) {
        // A context that keeps only plain copies gets the picture on white.
        QImage onWhite(w, h, QImage::Format_RGB32);
        onWhite.fill(Qt::white);
        QPainter(&onWhite).drawImage(0, 0, source);
        dc.StretchDIBits(dest, QRect(0, 0, w, h), EncodeDib(onWhite, 24), SRCCOPY);
        return;
    }
    dc.StretchDIBits(dest, QRect(0, 0, w, h), EncodeDib(colour, 24), SRCINVERT);
}

// ---- Icons ----------------------------------------------------------------------------

namespace {

struct IconEntry {
    int index = 0;
    int width = 0, height = 0, bitCount = 0;
    uint32_t size = 0, offset = 0;
};

bool IsPng(QByteArrayView b) {
    return b.size() >= 8 && std::memcmp(b.data(), "\x89PNG\r\n\x1a\n", 8) == 0;
}

// Applies the AND mask (a set bit leaves the pixel uncovered) or, for 32-bit images that
// carry one, the alpha channel.
QImage IconImageFromDib(QByteArrayView data) {
    const std::optional<TDibHeader> h = ReadDibHeader(data);
    if (!h || h->topDown || (h->compression != BI_RGB && h->compression != BI_BITFIELDS)) return {};
    const int rows = h->height / 2; // colour rows, then mask rows
    if (rows <= 0) return {};
    TDibHeader colourHeader = *h;
    colourHeader.height = rows;
    const int64_t xorSize = colourHeader.ImageSize();
    const int64_t andStride = ((static_cast<int64_t>(h->width) + 31) / 32) * 4;
    const int64_t andSize = andStride * rows;
    if (h->infoSize + xorSize > data.size()) return {};
    QByteArray info(data.data(), static_cast<qsizetype>(h->infoSize));
    auto* p = reinterpret_cast<uchar*>(info.data());
    if (h->headerSize == 12)
        qToLittleEndian<uint16_t>(static_cast<uint16_t>(rows), p + 6);
    else
        qToLittleEndian<int32_t>(rows, p + 8);
    const QByteArrayView xorBits =
        data.sliced(static_cast<qsizetype>(h->infoSize), static_cast<qsizetype>(xorSize));
    std::optional<TDecodedDib> decoded = DecodeDib(info, xorBits);
    if (!decoded) return {};
    QImage out = decoded->image.convertToFormat(QImage::Format_ARGB32);
    const auto* raw = reinterpret_cast<const uchar*>(xorBits.data());
    bool alpha = false;
    if (h->bitCount == 32) {
        for (int64_t s = 0; s < rows && !alpha; ++s)
            for (int x = 0; x < h->width && !alpha; ++x)
                alpha = raw[s * colourHeader.Stride() + 4 * x + 3] != 0;
    }
    if (alpha) {
        for (int64_t s = 0; s < rows; ++s) {
            auto* row = reinterpret_cast<QRgb*>(out.scanLine(static_cast<int>(rows - 1 - s)));
            for (int x = 0; x < h->width; ++x)
                row[x] = (row[x] & 0xFFFFFF) |
                         (uint32_t(raw[s * colourHeader.Stride() + 4 * x + 3]) << 24);
        }
        return out;
    }
    const int64_t andAt = h->infoSize + xorSize;
    if (andAt + andSize > data.size()) return h->bitCount == 32 ? out : QImage();
    const auto* mask = reinterpret_cast<const uchar*>(data.data()) + andAt;
    for (int64_t s = 0; s < rows; ++s) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(static_cast<int>(rows - 1 - s)));
        for (int x = 0; x < h->width; ++x)
            if ((mask[s * andStride + (x >> 3)] >> (7 - (x & 7))) & 1) row[x] &= 0x00FFFFFF;
    }
    return out;
}

QImage IconImage(QByteArrayView file, const IconEntry& e) {
    const QByteArrayView data = file.sliced(e.offset, e.size);
    if (IsPng(data)) {
        try {
            return ReadQtImage(data.toByteArray(), "png").convertToFormat(QImage::Format_ARGB32);
        } catch (const Exception&) {
            return {};
        }
    }
    return IconImageFromDib(data);
}

QImage ReadIconFile(QByteArrayView file) {
    if (file.size() < 6) return {};
    const auto* b = reinterpret_cast<const uchar*>(file.data());
    const int count = qFromLittleEndian<uint16_t>(b + 4);
    if (qFromLittleEndian<uint16_t>(b) != 0 || qFromLittleEndian<uint16_t>(b + 2) != 1 ||
        count == 0)
        return {};
    const int64_t directoryEnd = 6 + int64_t(16) * count;
    if (directoryEnd > file.size()) return {};
    std::vector<IconEntry> entries;
    for (int i = 0; i < count; ++i) {
        const uchar* e = b + 6 + 16 * i;
        IconEntry entry;
        entry.index = i;
        entry.width = e[0] ? e[0] : 256;
        entry.height = e[1] ? e[1] : 256;
        entry.bitCount = qFromLittleEndian<uint16_t>(e + 6);
        if (entry.bitCount == 0 && e[2]) entry.bitCount = e[2] <= 2 ? 1 : e[2] <= 16 ? 4 : 8;
        entry.size = qFromLittleEndian<uint32_t>(e + 8);
        entry.offset = qFromLittleEndian<uint32_t>(e + 12);
        if (entry.offset < directoryEnd || entry.size < 8 ||
            int64_t(entry.offset) + entry.size > file.size())
            continue;
        entries.push_back(entry);
    }
    // Largest first, then deepest; the first image that reads is the icon.
    std::stable_sort(entries.begin(), entries.end(), [](const IconEntry& a, const IconEntry& c) {
        const int64_t areaA = int64_t(a.width) * a.height, areaC = int64_t(c.width) * c.height;
        return areaA != areaC ? areaA > areaC : a.bitCount > c.bitCount;
    });
    for (const IconEntry& e : entries) {
        QImage image = IconImage(file, e);
        if (!image.isNull()) return image;
    }
    return {};
}

} // namespace

TIcon::TIcon(QObject* parent) : TGraphic(parent) {}
TIcon::~TIcon() = default;

void TIcon::SetWidth(int) {
    throw EInvalidGraphicOperation(SysConst::Text(SChangeIconSize));
}
void TIcon::SetHeight(int) {
    throw EInvalidGraphicOperation(SysConst::Text(SChangeIconSize));
}

void TIcon::LoadFromStream(QIODevice& stream) {
    LoadFromBytes(ReadRest(stream));
}

void TIcon::LoadFromBytes(const QByteArray& bytes) {
    QImage image = ReadIconFile(bytes);
    if (image.isNull()) throw EInvalidGraphic(SysConst::Text(SysConst::SInvalidIcon));
    image_ = std::move(image);
    file_ = bytes;
    Changed(this);
}

void TIcon::SaveToStream(QIODevice& stream) {
    WriteAll(stream, file_);
}

void TIcon::Draw(TCanvas& canvas, const QRect& rect) {
    if (TDeviceContext* dc = canvas.Handle()) DrawMaskedImage(*dc, rect, image_);
}

void TIcon::Assign(TPersistent* source) {
    if (!source) {
        image_ = QImage();
        file_.clear();
        Changed(this);
        return;
    }
    if (auto* icon = qobject_cast<TIcon*>(source)) {
        if (icon == this) return;
        image_ = icon->image_;
        file_ = icon->file_;
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

// ---- Pictures recognised by content ---------------------------------------------------

namespace {

enum class Content { Unknown, Bmp, Jpeg, Gif, Png, Icon, Emf, Wmf };

Content Recognise(QByteArrayView b) {
    const auto* u = reinterpret_cast<const uchar*>(b.data());
    if (b.size() >= 2 && u[0] == 'B' && u[1] == 'M') return Content::Bmp;
    if (b.size() >= 3 && u[0] == 0xFF && u[1] == 0xD8 && u[2] == 0xFF) return Content::Jpeg;
    if (b.size() >= 6 && (b.first(6) == "GIF87a" || b.first(6) == "GIF89a")) return Content::Gif;
    if (IsPng(b)) return Content::Png;
    if (b.size() >= 6 && qFromLittleEndian<uint32_t>(u) == 0x00010000 &&
        qFromLittleEndian<uint16_t>(u + 4) > 0)
        return Content::Icon;
    if (b.size() >= 44 && qFromLittleEndian<uint32_t>(u) == 1 &&
        qFromLittleEndian<uint32_t>(u + 40) == 0x464D4520)
        return Content::Emf;
    if (b.size() >= 4 && qFromLittleEndian<uint32_t>(u) == 0x9AC6CDD7) return Content::Wmf;
    return Content::Unknown;
}

std::unique_ptr<TGraphic> LoadRegisteredKind(std::initializer_list<const char*> extensions,
                                             const QByteArray& bytes) {
    for (const char* ext : extensions) {
        const TFileFormat* format = FindFileFormat(QString::fromLatin1(ext));
        if (!format) continue;
        std::unique_ptr<TGraphic> g = format->make();
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        g->LoadFromStream(buffer);
        return g;
    }
    throw EInvalidGraphic(SysConst::Text(SUnknownPictureFormat));
}

template <class T> std::unique_ptr<TGraphic> LoadKind(const QByteArray& bytes) {
    auto g = std::make_unique<T>();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    g->LoadFromStream(buffer);
    return g;
}

} // namespace

std::unique_ptr<TGraphic> GraphicFromBytes(const QByteArray& bytes) {
    switch (Recognise(bytes)) {
    case Content::Bmp:
        return LoadKind<TBitmap>(bytes);
    case Content::Icon:
        return LoadKind<TIcon>(bytes);
    case Content::Jpeg:
        return LoadRegisteredKind({"jpg", "jpeg"}, bytes);
    case Content::Emf:
        return LoadRegisteredKind({"emf"}, bytes);
    case Content::Wmf:
        return LoadRegisteredKind({"wmf"}, bytes);
    case Content::Gif:
    case Content::Png:
        return LoadKind<TAutoGraphic>(bytes);
    default:
        throw EInvalidGraphic(SysConst::Text(SUnknownPictureFormat));
    }
}

TAutoGraphic::TAutoGraphic(QObject* parent) : TGraphic(parent) {}
TAutoGraphic::~TAutoGraphic() = default;

bool TAutoGraphic::Empty() const {
    return inner_ ? inner_->Empty() : image_.isNull();
}
int TAutoGraphic::Width() const {
    return inner_ ? inner_->Width() : image_.width();
}
int TAutoGraphic::Height() const {
    return inner_ ? inner_->Height() : image_.height();
}

void TAutoGraphic::SetWidth(int w) {
    if (!inner_) throw EInvalidGraphicOperation(SysConst::Text(SChangePictureSize));
    inner_->SetWidth(w);
}

void TAutoGraphic::SetHeight(int h) {
    if (!inner_) throw EInvalidGraphicOperation(SysConst::Text(SChangePictureSize));
    inner_->SetHeight(h);
}

void TAutoGraphic::LoadFromStream(QIODevice& stream) {
    Load(ReadRest(stream));
}

void TAutoGraphic::Load(const QByteArray& bytes) {
    const Content kind = Recognise(bytes);
    std::unique_ptr<TGraphic> inner;
    QImage image;
    if (kind == Content::Gif || kind == Content::Png) {
        image = ReadQtImage(bytes, kind == Content::Gif ? "gif" : "png");
    } else {
        inner = GraphicFromBytes(bytes);
        inner->OnChange = [this](TObject*) { Changed(this); };
        inner->OnProgress = [this](TObject* s, int stage, int percent, bool redraw, const QRect& r,
                                   const QString& m) {
            if (OnProgress) OnProgress(s, stage, percent, redraw, r, m);
        };
    }
    inner_ = std::move(inner);
    image_ = std::move(image);
    bytes_ = bytes;
    Changed(this);
}

void TAutoGraphic::SaveToStream(QIODevice& stream) {
    WriteAll(stream, bytes_);
}

void TAutoGraphic::Draw(TCanvas& canvas, const QRect& rect) {
    if (inner_) {
        inner_->Draw(canvas, rect);
        return;
    }
    TDeviceContext* dc = canvas.Handle();
    if (!dc || image_.isNull()) return;
    if (image_.hasAlphaChannel()) {
        DrawMaskedImage(*dc, rect, image_);
        return;
    }
    dc->SetStretchBltMode(COLORONCOLOR);
    if (IndexesInTable(image_) && dc->DrawImage(rect, image_, image_.rect())) return;
    dc->StretchDIBits(rect, image_.rect(), EncodeDib(image_, 24), SRCCOPY);
}

void TAutoGraphic::Assign(TPersistent* source) {
    if (!source) {
        inner_.reset();
        image_ = QImage();
        bytes_.clear();
        Changed(this);
        return;
    }
    if (auto* a = qobject_cast<TAutoGraphic*>(source)) {
        if (a == this) return;
        if (a->bytes_.isEmpty())
            Assign(nullptr);
        else
            Load(a->bytes_);
        return;
    }
    TGraphic::Assign(source);
}

// ---- The picture holder ---------------------------------------------------------------

std::unique_ptr<TGraphic> NewGraphicLike(const TGraphic& g) {
    if (QObject* made = g.metaObject()->newInstance()) {
        if (auto* graphic = qobject_cast<TGraphic*>(made))
            return std::unique_ptr<TGraphic>(graphic);
        delete made;
    }
    // Kinds without an invokable constructor are made by their registered factory.
    for (const TFileFormat& format : RegisteredFileFormats()) {
        std::unique_ptr<TGraphic> candidate = format.make();
        if (candidate && candidate->metaObject() == g.metaObject()) return candidate;
    }
    return nullptr;
}

QString PictureFileExtension(const QString& fileName) {
    const QString name = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

TPicture::TPicture(QObject* parent) : TPersistent(parent) {}
TPicture::~TPicture() = default;

void TPicture::Changed() {
    Notify(OnChange, this);
}

void TPicture::Take(std::unique_ptr<TGraphic> g) {
    if (g) {
        g->OnChange = [this](TObject*) { Changed(); };
        g->OnProgress = [this](TObject* s, int stage, int percent, bool redraw, const QRect& r,
                               const QString& m) {
            if (OnProgress) OnProgress(s, stage, percent, redraw, r, m);
        };
    }
    graphic_ = std::move(g);
    Changed();
}

void TPicture::SetGraphic(TGraphic* g) {
    if (g == graphic_.get()) return;
    if (!g) {
        Take(nullptr);
        return;
    }
    std::unique_ptr<TGraphic> copy = NewGraphicLike(*g);
    if (!copy)
        throw EConvertError(Translate("SysConst", "Cannot assign a %1 to a TPicture")
                                .arg(QString::fromLatin1(g->metaObject()->className())));
    copy->Assign(g);
    Take(std::move(copy));
}

TBitmap* TPicture::Bitmap() {
    if (auto* b = qobject_cast<TBitmap*>(graphic_.get())) return b;
    Take(std::make_unique<TBitmap>());
    return static_cast<TBitmap*>(graphic_.get());
}

void TPicture::LoadFromFile(const QString& fileName) {
    const QString ext = PictureFileExtension(fileName);
    const TFileFormat* format = FindFileFormat(ext);
    if (!format) {
        EInvalidGraphic e(SysConst::Text(SysConst::SUnknownExtension).arg(ext));
        e.SetFileName(fileName);
        throw e;
    }
    std::unique_ptr<TGraphic> g = format->make();
    g->OnProgress = [this](TObject* s, int stage, int percent, bool redraw, const QRect& r,
                           const QString& m) {
        if (OnProgress) OnProgress(s, stage, percent, redraw, r, m);
    };
    g->LoadFromFile(fileName);
    Take(std::move(g));
}

void TPicture::SaveToFile(const QString& fileName) {
    if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::Assign(TPersistent* source) {
    if (!source) {
        SetGraphic(nullptr);
        return;
    }
    if (auto* p = qobject_cast<TPicture*>(source)) {
        SetGraphic(p->Graphic());
        return;
    }
    if (auto* g = qobject_cast<TGraphic*>(source)) {
        SetGraphic(g);
        return;
    }
    TPersistent::Assign(source);
}

void TPicture::AssignTo(TPersistent* dest) {
    if (auto* g = qobject_cast<TGraphic*>(dest); g && graphic_) {
        g->Assign(graphic_.get());
        return;
    }
    TPersistent::AssignTo(dest);
}

void TPicture::DefineProperties(TFiler& filer) {
    filer.DefineProperty(
        QStringLiteral("Data"),
        [this](TReader& reader) {
            const QByteArray bytes = reader.ReadFileReference();
            try {
                Take(GraphicFromBytes(bytes));
            } catch (const Exception& e) {
                reader.Error(e.Message());
            }
        },
        [](TWriter&) {}, false);
}

void RegisterStandardPictureFormats() {
    RegisterFileFormat(QStringLiteral("bmp"), QStringLiteral("Bitmaps"),
                       [] { return std::make_unique<TBitmap>(); });
    RegisterFileFormat(QStringLiteral("ico"), QStringLiteral("Icons"),
                       [] { return std::make_unique<TIcon>(); });
    RegisterFileFormat(QString(), QStringLiteral("Pictures"),
                       [] { return std::make_unique<TAutoGraphic>(); });
}
