#pragma once
// Windows bitmap files assembled byte by byte, so that every header variant and pixel
// layout can be read back against pixels known in advance.

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QtEndian>
#include <array>
#include <cstdint>
#include <functional>

struct BmpLayout {
    int headerSize = 40;
    int width = 0;
    int height = 0; // negative: rows stored top row first
    int bitCount = 24;
    uint32_t compression = 0;
    QList<QRgb> palette;             // written as the colour table
    std::array<uint32_t, 3> masks{}; // bit fields: inside long headers, after a 40-byte one
    QByteArray bits;                 // pixel data as stored
};

inline void PutU32(QByteArray& b, int at, uint32_t v) {
    qToLittleEndian<uint32_t>(v, reinterpret_cast<uchar*>(b.data()) + at);
}
inline void PutU16(QByteArray& b, int at, uint16_t v) {
    qToLittleEndian<uint16_t>(v, reinterpret_cast<uchar*>(b.data()) + at);
}

inline QByteArray MakeBmp(const BmpLayout& s) {
    QByteArray header(s.headerSize, '\0');
    PutU32(header, 0, static_cast<uint32_t>(s.headerSize));
    if (s.headerSize == 12) {
        PutU16(header, 4, static_cast<uint16_t>(s.width));
        PutU16(header, 6, static_cast<uint16_t>(s.height));
        PutU16(header, 8, 1);
        PutU16(header, 10, static_cast<uint16_t>(s.bitCount));
    } else {
        PutU32(header, 4, static_cast<uint32_t>(s.width));
        PutU32(header, 8, static_cast<uint32_t>(s.height));
        PutU16(header, 12, 1);
        PutU16(header, 14, static_cast<uint16_t>(s.bitCount));
        PutU32(header, 16, s.compression);
        PutU32(header, 20, static_cast<uint32_t>(s.bits.size()));
        PutU32(header, 32, static_cast<uint32_t>(s.palette.size()));
    }
    QByteArray extra;
    if (s.compression == 3) {
        QByteArray m(12, '\0');
        for (int i = 0; i < 3; ++i)
            PutU32(m, 4 * i, s.masks[static_cast<size_t>(i)]);
        if (s.headerSize >= 52)
            header.replace(40, 12, m);
        else
            extra = m;
    }
    for (QRgb c : s.palette) {
        extra += static_cast<char>(qBlue(c));
        extra += static_cast<char>(qGreen(c));
        extra += static_cast<char>(qRed(c));
        if (s.headerSize != 12) extra += '\0';
    }
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    const int offset = 14 + static_cast<int>(header.size() + extra.size());
    PutU32(file, 2, static_cast<uint32_t>(offset + s.bits.size()));
    PutU32(file, 10, static_cast<uint32_t>(offset));
    return file + header + extra + s.bits;
}

// Rows of w x h pixels stored bottom row first (top row first with topDown), each padded
// to 4 bytes; pixel(x, y) gives the stored value of the pixel at x, y (y from the top).
inline QByteArray PackRows(int w, int h, int bitCount,
                           const std::function<uint32_t(int, int)>& pixel, bool topDown = false) {
    const int stride = ((w * bitCount + 31) / 32) * 4;
    QByteArray bits(stride * h, '\0');
    auto* b = reinterpret_cast<uchar*>(bits.data());
    for (int stored = 0; stored < h; ++stored) {
        const int y = topDown ? stored : h - 1 - stored;
        uchar* row = b + stored * stride;
        for (int x = 0; x < w; ++x) {
            const uint32_t v = pixel(x, y);
            switch (bitCount) {
            case 1:
                row[x / 8] |= static_cast<uchar>((v & 1) << (7 - x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<uchar>((v & 15) << (x % 2 ? 0 : 4));
                break;
            case 8:
                row[x] = static_cast<uchar>(v);
                break;
            case 16:
                qToLittleEndian<uint16_t>(static_cast<uint16_t>(v), row + 2 * x);
                break;
            case 24:
                row[3 * x] = static_cast<uchar>(v);
                row[3 * x + 1] = static_cast<uchar>(v >> 8);
                row[3 * x + 2] = static_cast<uchar>(v >> 16);
                break;
            case 32:
                qToLittleEndian<uint32_t>(v, row + 4 * x);
                break;
            }
        }
    }
    return bits;
}
