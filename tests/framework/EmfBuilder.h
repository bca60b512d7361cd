#pragma once
// Enhanced metafiles assembled record by record for the player's tests: a header whose
// frame maps one reference pixel onto one pixel of a destination of the same size, the
// records as given, and the end record.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRgb>
#include <QtEndian>
#include <cstdint>
#include <initializer_list>

#include "framework/graphics/EmfPlayer.h"

class EmfBuilder {
public:
    // A record of the given type: 32-bit values, then raw bytes padded to four.
    EmfBuilder& Add(uint32_t type, std::initializer_list<int64_t> values,
                    const QByteArray& tail = {}) {
        QByteArray r;
        Put(r, type);
        Put(r, 0);
        for (int64_t v : values)
            Put(r, static_cast<uint32_t>(v));
        r += tail;
        while (r.size() % 4)
            r += '\0';
        qToLittleEndian<uint32_t>(static_cast<uint32_t>(r.size()),
                                  reinterpret_cast<uchar*>(r.data()) + 4);
        body_ += r;
        ++records_;
        return *this;
    }
    // A record given whole, its size field as written by the caller.
    EmfBuilder& Raw(const QByteArray& record) {
        body_ += record;
        ++records_;
        return *this;
    }

    // The file for a picture of w x h reference pixels at 10 pixels per millimetre.
    QByteArray Finish(int w, int h) const {
        QByteArray head;
        const int32_t fields[] = {
            1, 108, 0, 0, w - 1, h - 1, 0,   0,   w * 10, h * 10, 0x464D4520, 0x10000, 0,     0,
            0, 0,   0, 0, 1000,  1000,  100, 100, 0,      0,      0,          100000,  100000};
        for (int32_t v : fields)
            Put(head, static_cast<uint32_t>(v));
        QByteArray file = head + body_;
        const QByteArray eof = QByteArray::fromHex("0e000000140000000000000010000000140000"
                                                   "00");
        file += eof;
        auto* d = reinterpret_cast<uchar*>(file.data());
        qToLittleEndian<uint32_t>(static_cast<uint32_t>(file.size()), d + 48);
        qToLittleEndian<uint32_t>(static_cast<uint32_t>(records_ + 2), d + 52);
        qToLittleEndian<uint16_t>(16, d + 56);
        return file;
    }

    // Played onto a white image of w x h pixels.
    QImage Play(int w, int h) const {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        PlayEnhMetaFile(painter, Finish(w, h), QRectF(0, 0, w, h));
        painter.end();
        return image;
    }

    static void Put(QByteArray& b, uint32_t v) {
        uchar x[4];
        qToLittleEndian<uint32_t>(v, x);
        b.append(reinterpret_cast<const char*>(x), 4);
    }
    static void Put16(QByteArray& b, uint16_t v) {
        uchar x[2];
        qToLittleEndian<uint16_t>(v, x);
        b.append(reinterpret_cast<const char*>(x), 2);
    }

    // A bitmap info header with a colour table, and its rows, stored bottom-up: pixel(x, y)
    // is the index (or, at 24 bits, the colour) of the pixel at x, y counted from the top.
    static QByteArray Info(int w, int h, int bitCount, const QList<QRgb>& palette) {
        QByteArray b;
        for (int64_t v : {int64_t(40), int64_t(w), int64_t(h)})
            Put(b, static_cast<uint32_t>(v));
        Put16(b, 1);
        Put16(b, static_cast<uint16_t>(bitCount));
        for (int i = 0; i < 6; ++i)
            Put(b, i == 4 ? static_cast<uint32_t>(palette.size()) : 0u);
        for (QRgb c : palette)
            Put(b, static_cast<uint32_t>(qBlue(c) | qGreen(c) << 8 | qRed(c) << 16));
        return b;
    }

private:
    QByteArray body_;
    int records_ = 0;
};
