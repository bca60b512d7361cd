#include "framework/graphics/JpegBytes.h"

#include "framework/core/Limits.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QMutex>
#include <QMutexLocker>
#include <vector>

std::optional<TJpegPicture> InspectJpeg(const QByteArray& bytes) {
    const auto* b = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n < 4 || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;
    TJpegPicture jpeg;
    qsizetype at = 2;
    while (at + 4 <= n) {
        if (b[at] != 0xFF) return std::nullopt;
        const uchar marker = b[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA ||
            (marker >= 0xD0 && marker <= 0xD7))
            return std::nullopt; // no frame before the image data
        const qsizetype length = (b[at + 2] << 8) | b[at + 3];
        if (length < 2 || at + 2 + length > n) return std::nullopt;
        const uchar* seg = b + at + 4;
        if (marker == 0xEE && length >= 14 && std::equal(seg, seg + 5, "Adobe")) jpeg.adobe = true;
        // Huffman-coded frames: baseline, extended sequential, progressive.
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            if (length < 8) return std::nullopt;
            const int precision = seg[0];
            const int height = (seg[1] << 8) | seg[2], width = (seg[3] << 8) | seg[4];
            const int components = seg[5];
            if (precision != 8 || width <= 0 || height <= 0 ||
                (components != 1 && components != 3 && components != 4) ||
                length < 8 + 3 * components || int64_t(width) * height > kMaxBitmapPixels)
                return std::nullopt;
            jpeg.size = QSize(width, height);
            jpeg.components = components;
            // An Adobe marker may follow the frame; look on for it without requiring it.
            for (qsizetype k = at + 2 + length; k + 4 <= n && b[k] == 0xFF;) {
                const uchar m = b[k + 1];
                if (m == 0xDA || m == 0xD9) break;
                const qsizetype len = (b[k + 2] << 8) | b[k + 3];
                if (len < 2 || k + 2 + len > n) break;
                if (m == 0xEE && len >= 14 && std::equal(b + k + 4, b + k + 9, "Adobe"))
                    jpeg.adobe = true;
                k += 2 + len;
            }
            jpeg.bytes = bytes;
            return jpeg;
        }
        if (marker >= 0xC3 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return std::nullopt; // lossless, hierarchical or arithmetic-coded frames
        at += 2 + length;
    }
    return std::nullopt;
}

QSize JpegScaledSize(QSize full, int divisor) {
    return {(full.width() + divisor - 1) / divisor, (full.height() + divisor - 1) / divisor};
}

int JpegScaleFor(QSize full, QSize wanted) {
    for (int divisor : {8, 4, 2}) {
        const QSize scaled(full.width() / divisor, full.height() / divisor);
        if (scaled.width() >= wanted.width() && scaled.height() >= wanted.height()) return divisor;
    }
    return 1;
}

namespace {

struct TDecoded {
    size_t hash;
    qsizetype length;
    QSize size;
    QImage image;
    quint64 lastUse;
};

struct TDecodedCache {
    QMutex lock;
    std::vector<TDecoded> entries;
    qint64 bytes = 0;
    quint64 clock = 0;
};

TDecodedCache& Cache() {
    static TDecodedCache cache;
    return cache;
}

QImage Decode(const QByteArray& bytes, QSize size, QSize full) {
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    if (size != full) reader.setScaledSize(size);
    QImage image = reader.read();
    return image.size() == size ? image : QImage();
}

} // namespace

QImage DecodeJpegToFill(const TJpegPicture& jpeg, QSize wanted, bool keep) {
    if (jpeg.size.isEmpty()) return {};
    QSize size = jpeg.size;
    if (!wanted.isEmpty()) {
        const int divisor = JpegScaleFor(jpeg.size, wanted);
        if (divisor > 1) size = QSize(jpeg.size.width() / divisor, jpeg.size.height() / divisor);
    }
    const size_t hash = qHash(jpeg.bytes);
    TDecodedCache& cache = Cache();
    {
        QMutexLocker locked(&cache.lock);
        for (TDecoded& e : cache.entries)
            if (e.hash == hash && e.length == jpeg.bytes.size() && e.size == size) {
                e.lastUse = ++cache.clock;
                return e.image;
            }
    }
    QImage image = Decode(jpeg.bytes, size, jpeg.size);
    if (image.isNull() || !keep) return image;
    QMutexLocker locked(&cache.lock);
    // The same picture at another scale is not needed any more: the place it fills changed.
    for (auto it = cache.entries.begin(); it != cache.entries.end();)
        if (it->hash == hash && it->length == jpeg.bytes.size()) {
            cache.bytes -= it->image.sizeInBytes();
            it = cache.entries.erase(it);
        } else {
            ++it;
        }
    if (image.sizeInBytes() > kMaxJpegDecodeCacheBytes) return image;
    cache.entries.push_back({hash, jpeg.bytes.size(), size, image, ++cache.clock});
    cache.bytes += image.sizeInBytes();
    while (cache.bytes > kMaxJpegDecodeCacheBytes && cache.entries.size() > 1) {
        auto oldest = cache.entries.begin();
        for (auto it = cache.entries.begin(); it != cache.entries.end(); ++it)
            if (it->lastUse < oldest->lastUse) oldest = it;
        cache.bytes -= oldest->image.sizeInBytes();
        cache.entries.erase(oldest);
    }
    return image;
}

void ReleaseDecodedJpegs() {
    TDecodedCache& cache = Cache();
    QMutexLocker locked(&cache.lock);
    cache.entries.clear();
    cache.entries.shrink_to_fit();
    cache.bytes = 0;
}

qint64 DecodedJpegBytes() {
    TDecodedCache& cache = Cache();
    QMutexLocker locked(&cache.lock);
    return cache.bytes;
}
