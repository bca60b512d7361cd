// Windows metafile records and the enhanced records they become: every function the
// converter knows, with its parameters in the order the older format stores them (most
// take their coordinates last to first), against the fields of the record it makes.

#include "framework/graphics/Wmf.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/EmfRecords.h"
#include "support/TestSupport.h"

#include <QtEndian>
#include <vector>

using namespace emf;

namespace {

// A placeable metafile of 1440 x 720 units at 1440 per inch, records as 16-bit words.
class Wmf {
public:
    Wmf& Rec(uint16_t function, std::initializer_list<int> params) {
        return Rec(function, std::vector<int>(params));
    }
    Wmf& Rec(uint16_t function, const std::vector<int>& params) {
        const uint32_t words = 3 + static_cast<uint32_t>(params.size());
        words_.push_back(static_cast<uint16_t>(words & 0xFFFF));
        words_.push_back(static_cast<uint16_t>(words >> 16));
        words_.push_back(function);
        for (int v : params)
            words_.push_back(static_cast<uint16_t>(v));
        return *this;
    }
    QByteArray Finish() const {
        std::vector<uint16_t> all = words_;
        for (uint16_t w : {3, 0, 0})
            all.push_back(w);
        QByteArray b(22 + 18 + 2 * static_cast<qsizetype>(all.size()), '\0');
        auto* d = reinterpret_cast<uchar*>(b.data());
        qToLittleEndian<uint32_t>(kPlaceableKey, d);
        qToLittleEndian<uint16_t>(1440, d + 10);
        qToLittleEndian<uint16_t>(720, d + 12);
        qToLittleEndian<uint16_t>(1440, d + 14);
        uint16_t sum = 0;
        for (int i = 0; i < 10; ++i)
            sum ^= qFromLittleEndian<uint16_t>(d + 2 * i);
        qToLittleEndian<uint16_t>(sum, d + 20);
        qToLittleEndian<uint16_t>(1, d + 22);
        qToLittleEndian<uint16_t>(9, d + 24);
        qToLittleEndian<uint16_t>(0x300, d + 26);
        qToLittleEndian<uint32_t>(static_cast<uint32_t>(9 + all.size()), d + 28);
        for (size_t i = 0; i < all.size(); ++i)
            qToLittleEndian<uint16_t>(all[i], d + 40 + 2 * i);
        return b;
    }

private:
    std::vector<uint16_t> words_;
};

struct Converted {
    uint32_t type;
    std::vector<int32_t> values; // the record's 32-bit fields from offset 8
    QByteArray bytes;            // the whole record
};

// The records of the converted file after its header and the five that set up its
// mapping, without the end record; read here by their sizes alone.
std::vector<Converted> Convert(const Wmf& wmf, QString* why = nullptr) {
    QString reason;
    const QByteArray emf = WmfToEmf(wmf.Finish(), &reason);
    if (why) *why = reason;
    std::vector<Converted> out;
    if (emf.isEmpty()) return out;
    const auto* d = reinterpret_cast<const uchar*>(emf.constData());
    qsizetype pos = qFromLittleEndian<uint32_t>(d + 4);
    int index = 0;
    while (pos + 8 <= emf.size()) {
        const uint32_t type = qFromLittleEndian<uint32_t>(d + pos);
        const uint32_t size = qFromLittleEndian<uint32_t>(d + pos + 4);
        if (type == EMR_EOF || size < 8) break;
        if (index++ >= 5) {
            Converted c{type, {}, emf.mid(pos, size)};
            for (uint32_t at = 8; at + 4 <= size; at += 4)
                c.values.push_back(qFromLittleEndian<int32_t>(d + pos + at));
            out.push_back(c);
        }
        pos += size;
    }
    return out;
}

std::vector<int32_t> First(const std::vector<int32_t>& v, size_t n) {
    return {v.begin(), v.begin() + static_cast<std::ptrdiff_t>(std::min(n, v.size()))};
}

TEST(Wmf, StateRecordsBecomeTheirEnhancedForms) {
    struct Case {
        const char* name;
        uint16_t function;
        std::vector<int> params;
        uint32_t type;
        std::vector<int32_t> values;
    } cases[] = {
        {"save", 0x001E, {}, EMR_SAVEDC, {}},
        {"restore", 0x0127, {-1}, EMR_RESTOREDC, {-1}},
        {"background mode", 0x0102, {1}, EMR_SETBKMODE, {1}},
        {"mix mode", 0x0104, {7}, EMR_SETROP2, {7}},
        {"fill mode", 0x0106, {2}, EMR_SETPOLYFILLMODE, {2}},
        {"stretch mode", 0x0107, {3}, EMR_SETSTRETCHBLTMODE, {3}},
        {"text alignment", 0x012E, {24}, EMR_SETTEXTALIGN, {24}},
        // Colours as two words, low first: 0x001200FF.
        {"background colour", 0x0201, {0x00FF, 0x0012}, EMR_SETBKCOLOR, {0x1200FF}},
        {"text colour", 0x0209, {0x3400, 0x0056}, EMR_SETTEXTCOLOR, {0x563400}},
        // Points are stored y, x.
        {"window origin", 0x020B, {5, 7}, EMR_SETWINDOWORGEX, {7, 5}},
        {"window extent", 0x020C, {300, 400}, EMR_SETWINDOWEXTEX, {400, 300}},
        {"move", 0x0214, {11, 22}, EMR_MOVETOEX, {22, 11}},
        {"line", 0x0213, {33, 44}, EMR_LINETO, {44, 33}},
        {"offset clip", 0x0220, {-3, 4}, EMR_OFFSETCLIPRGN, {4, -3}},
        // Scale: y denominator, y numerator, x denominator, x numerator.
        {"scale window", 0x0410, {4, 3, 2, 1}, EMR_SCALEWINDOWEXTEX, {1, 2, 3, 4}},
        // Rectangles are stored bottom, right, top, left.
        {"rectangle", 0x041B, {40, 30, 20, 10}, EMR_RECTANGLE, {10, 20, 30, 40}},
        {"ellipse", 0x0418, {41, 31, 21, 11}, EMR_ELLIPSE, {11, 21, 31, 41}},
        {"intersect clip", 0x0416, {42, 32, 22, 12}, EMR_INTERSECTCLIPRECT, {12, 22, 32, 42}},
        {"exclude clip", 0x0415, {43, 33, 23, 13}, EMR_EXCLUDECLIPRECT, {13, 23, 33, 43}},
        // Corner height and width, then the box.
        {"round rectangle", 0x061C, {6, 5, 40, 30, 20, 10}, EMR_ROUNDRECT, {10, 20, 30, 40, 5, 6}},
        // End y, end x, start y, start x, then the box.
        {"arc", 0x0817, {8, 7, 6, 5, 40, 30, 20, 10}, EMR_ARC, {10, 20, 30, 40, 5, 6, 7, 8}},
        {"pie", 0x081A, {8, 7, 6, 5, 40, 30, 20, 10}, EMR_PIE, {10, 20, 30, 40, 5, 6, 7, 8}},
        {"chord", 0x0830, {8, 7, 6, 5, 40, 30, 20, 10}, EMR_CHORD, {10, 20, 30, 40, 5, 6, 7, 8}},
        // Raster operation (two words), height, width, y, x: the brush fills the box.
        {"pattern fill",
         0x061D,
         {0x0021, 0x00F0, 50, 60, 70, 80},
         EMR_BITBLT,
         {0, 0, 0, 0, 80, 70, 60, 50, int32_t(PATCOPY)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Wmf w;
        w.Rec(c.function, c.params);
        const std::vector<Converted> records = Convert(w);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].type, c.type);
        EXPECT_EQ(First(records[0].values, c.values.size()), c.values);
    }
}

TEST(Wmf, OffsetsOfTheWindowOriginAddUp) {
    // The picture's own origin is (0, 0); two offsets move it by (3, 2), then (-10, 5).
    Wmf w;
    w.Rec(0x020F, {2, 3}).Rec(0x020F, {5, -10});
    const std::vector<Converted> records = Convert(w);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].values, (std::vector<int32_t>{3, 2}));
    EXPECT_EQ(records[1].values, (std::vector<int32_t>{-7, 7}));
}

TEST(Wmf, PointListsKeepTheirPointsInOrder) {
    Wmf w;
    w.Rec(0x0324, {3, 10, 20, 30, 40, 50, 60});             // polygon
    w.Rec(0x0325, {2, 1, 2, 3, 4});                         // polyline
    w.Rec(0x0538, {2, 3, 1, 10, 20, 30, 40, 50, 60, 7, 8}); // polypolygon of 3 and 1
    const std::vector<Converted> records = Convert(w);
    ASSERT_EQ(records.size(), 3u);
    // Bounds (left empty), count, then x and y of each point as 16-bit pairs.
    EXPECT_EQ(records[0].type, EMR_POLYGON16);
    EXPECT_EQ(records[0].values[4], 3);
    EXPECT_EQ(records[0].values[5], 10 | 20 << 16);
    EXPECT_EQ(records[0].values[7], 50 | 60 << 16);
    EXPECT_EQ(records[1].type, EMR_POLYLINE16);
    EXPECT_EQ(std::vector<int32_t>(records[1].values.begin() + 4, records[1].values.end()),
              (std::vector<int32_t>{2, 1 | 2 << 16, 3 | 4 << 16}));
    // Polygons, points in all, the counts, the points.
    EXPECT_EQ(records[2].type, EMR_POLYPOLYGON16);
    EXPECT_EQ(std::vector<int32_t>(records[2].values.begin() + 4, records[2].values.end()),
              (std::vector<int32_t>{2, 4, 3, 1, 10 | 20 << 16, 30 | 40 << 16, 50 | 60 << 16,
                                    7 | 8 << 16}));
    // A list that claims more points than its record holds is damage.
    Wmf cut;
    cut.Rec(0x0324, {4, 10, 20, 30, 40, 50, 60});
    QString why;
    EXPECT_TRUE(Convert(cut, &why).empty());
    EXPECT_EQ(why, QStringLiteral("record 1 at offset 40: too short for function 0x0324"));
}

TEST(Wmf, ObjectsTakeSlotsThatSelectAndDeleteName) {
    Wmf w;
    w.Rec(0x02FA, {2, 7, 0, 0x00FF, 0});   // pen: style, width x, y, colour -> slot 0
    w.Rec(0x02FC, {2, 0xFF00, 0x0000, 3}); // hatched brush -> slot 1
    w.Rec(0x00F7, {0x300, 0});             // palette -> slot 2, nothing recorded
    w.Rec(0x01F9, {0});                    // device pattern brush -> slot 3, grey
    w.Rec(0x012D, {1});                    // select the brush
    w.Rec(0x012D, {2});                    // the palette: nothing to select
    w.Rec(0x01F0, {0});                    // delete the pen: slot 0 and index 1 free
    w.Rec(0x06FF, {0});                    // a region takes slot 0 again
    w.Rec(0x02FC, {0, 0x0000, 0x00FF, 0}); // blue brush -> slot 4, index 1 again
    w.Rec(0x012D, {4});
    const std::vector<Converted> r = Convert(w);
    ASSERT_EQ(r.size(), 7u);
    EXPECT_EQ(r[0].type, EMR_CREATEPEN);
    EXPECT_EQ(r[0].values, (std::vector<int32_t>{1, 2, 7, 0, 0x0000FF}));
    EXPECT_EQ(r[1].type, EMR_CREATEBRUSHINDIRECT);
    EXPECT_EQ(r[1].values, (std::vector<int32_t>{2, 2, 0x00FF00, 3}));
    EXPECT_EQ(r[2].type, EMR_CREATEBRUSHINDIRECT);
    EXPECT_EQ(r[2].values, (std::vector<int32_t>{3, 0, 0x808080, 0}));
    EXPECT_EQ(r[3].type, EMR_SELECTOBJECT);
    EXPECT_EQ(r[3].values, (std::vector<int32_t>{2}));
    EXPECT_EQ(r[4].type, EMR_DELETEOBJECT);
    EXPECT_EQ(r[4].values, (std::vector<int32_t>{1}));
    EXPECT_EQ(r[5].type, EMR_CREATEBRUSHINDIRECT);
    EXPECT_EQ(r[5].values, (std::vector<int32_t>{1, 0, 0xFF0000, 0}));
    EXPECT_EQ(r[6].values, (std::vector<int32_t>{1}));
}

TEST(Wmf, FontsKeepTheirSizesAndFace) {
    // Height, width, escapement, orientation, weight; italic, underline, strike-out,
    // character set, precisions, quality and pitch as bytes; the face.
    Wmf w;
    w.Rec(0x02FB, {-24, 0, 900, 900, 700, 0x0101, 0x0000, 0x0000, 0x0000, 'T' | 'i' << 8,
                   'm' | 'e' << 8, 's' | 0 << 8});
    const std::vector<Converted> r = Convert(w);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].type, EMR_EXTCREATEFONTINDIRECTW);
    EXPECT_EQ(First(r[0].values, 6), (std::vector<int32_t>{1, -24, 0, 900, 900, 700}));
    const QByteArray& b = r[0].bytes;
    EXPECT_EQ(b.at(32), 1); // italic
    EXPECT_EQ(b.at(33), 1); // underline
    QString face;
    for (int i = 0; i < 32 && qFromLittleEndian<uint16_t>(b.constData() + 40 + 2 * i); ++i)
        face += QChar(qFromLittleEndian<uint16_t>(b.constData() + 40 + 2 * i));
    EXPECT_EQ(face, QStringLiteral("Times"));
}

TEST(Wmf, TextIsPlacedAtItsPointWithItsAdvances) {
    Wmf w;
    // Count, the characters packed two to a word, then y and x.
    w.Rec(0x0521, {2, 'H' | 'I' << 8, 60, 70});
    // y, x, count, options, the characters, then one advance per character.
    w.Rec(0x0A32, {11, 22, 3, 0, 'a' | 'b' << 8, 'c', 5, 6, 7});
    // With ETO_OPAQUE the rectangle (left, top, right, bottom) comes before the characters.
    w.Rec(0x0A32, {13, 24, 1, 2, 1, 2, 3, 4, 'z'});
    const std::vector<Converted> r = Convert(w);
    ASSERT_EQ(r.size(), 3u);
    for (const Converted& c : r)
        EXPECT_EQ(c.type, EMR_EXTTEXTOUTW);
    auto point = [](const Converted& c) { return QPoint(c.values[7], c.values[8]); };
    auto text = [](const Converted& c) {
        const uint32_t n = static_cast<uint32_t>(c.values[9]), at = c.values[10];
        QString s;
        for (uint32_t i = 0; i < n; ++i)
            s += QChar(qFromLittleEndian<uint16_t>(c.bytes.constData() + at + 2 * i));
        return s;
    };
    EXPECT_EQ(point(r[0]), QPoint(70, 60));
    EXPECT_EQ(text(r[0]), QStringLiteral("HI"));
    EXPECT_EQ(r[0].values[16], 0); // no advances

    EXPECT_EQ(point(r[1]), QPoint(22, 11));
    EXPECT_EQ(text(r[1]), QStringLiteral("abc"));
    const uint32_t offDx = static_cast<uint32_t>(r[1].values[16]);
    ASSERT_NE(offDx, 0u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(qFromLittleEndian<int32_t>(r[1].bytes.constData() + offDx + 4 * i), 5 + i);

    EXPECT_EQ(point(r[2]), QPoint(24, 13));
    EXPECT_EQ(text(r[2]), QStringLiteral("z"));
    EXPECT_EQ(r[2].values[11], 2); // opaque
    EXPECT_EQ(First({r[2].values.begin() + 12, r[2].values.end()}, 4),
              (std::vector<int32_t>{1, 2, 3, 4}));
}

// A 1 x 1 blue bitmap at 24 bits, packed: its 40-byte header and one padded row.
std::vector<int> WithPixel(std::vector<int> params) {
    for (int v : {40, 0, 1, 0, 1, 0, 1, 24, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00FF, 0x0000})
        params.push_back(v);
    return params;
}

TEST(Wmf, BitmapRecordsCarryTheirPixelsAcross) {
    constexpr int kCopy[2] = {0x0020, 0x00CC}; // SRCCOPY, low word first
    Wmf w;
    // Stretched bitmap: raster operation, usage, source h w y x, destination h w y x.
    w.Rec(0x0F43, WithPixel({kCopy[0], kCopy[1], 0, 1, 1, 0, 0, 40, 30, 20, 10}));
    // Stretched copy: raster operation, source h w y x, destination h w y x.
    w.Rec(0x0B41, WithPixel({kCopy[0], kCopy[1], 1, 1, 0, 0, 44, 33, 22, 11}));
    // Copy: raster operation, source y x, height, width, destination y x.
    w.Rec(0x0940, WithPixel({kCopy[0], kCopy[1], 0, 0, 8, 9, 5, 6}));
    // Without a bitmap, a reserved word, and the brush fills the destination.
    w.Rec(0x0B41, {0x0021, 0x00F0, 1, 1, 0, 0, 0, 4, 3, 2, 1});
    w.Rec(0x0940, {0x0042, 0x0000, 0, 0, 0, 7, 6, 5, 4});
    // Pattern brush: style, usage, bitmap.
    w.Rec(0x0142, WithPixel({5, 0}));
    const std::vector<Converted> r = Convert(w);
    ASSERT_EQ(r.size(), 6u);

    EXPECT_EQ(r[0].type, EMR_STRETCHDIBITS);
    // Destination x, y; source x, y, w, h; header at 80 (40 bytes); rows at 120 (4 bytes);
    // usage, operation; destination w, h.
    EXPECT_EQ(
        std::vector<int32_t>(r[0].values.begin() + 4, r[0].values.begin() + 18),
        (std::vector<int32_t>{10, 20, 0, 0, 1, 1, 80, 40, 120, 4, 0, int32_t(SRCCOPY), 30, 40}));
    EXPECT_EQ(r[0].bytes.mid(120, 3), QByteArray::fromHex("ff0000"));

    EXPECT_EQ(r[1].type, EMR_STRETCHBLT);
    EXPECT_EQ(std::vector<int32_t>(r[1].values.begin() + 4, r[1].values.begin() + 11),
              (std::vector<int32_t>{11, 22, 33, 44, int32_t(SRCCOPY), 0, 0}));
    EXPECT_EQ(std::vector<int32_t>(r[1].values.begin() + 19, r[1].values.begin() + 25),
              (std::vector<int32_t>{108, 40, 148, 4, 1, 1}));

    EXPECT_EQ(r[2].type, EMR_BITBLT);
    EXPECT_EQ(std::vector<int32_t>(r[2].values.begin() + 4, r[2].values.begin() + 11),
              (std::vector<int32_t>{6, 5, 9, 8, int32_t(SRCCOPY), 0, 0}));
    EXPECT_EQ(std::vector<int32_t>(r[2].values.begin() + 19, r[2].values.begin() + 23),
              (std::vector<int32_t>{100, 40, 140, 4}));

    EXPECT_EQ(r[3].type, EMR_BITBLT);
    EXPECT_EQ(std::vector<int32_t>(r[3].values.begin() + 4, r[3].values.begin() + 9),
              (std::vector<int32_t>{1, 2, 3, 4, int32_t(PATCOPY)}));
    EXPECT_EQ(r[3].values[20], 0); // no bitmap
    EXPECT_EQ(r[4].type, EMR_BITBLT);
    EXPECT_EQ(std::vector<int32_t>(r[4].values.begin() + 4, r[4].values.begin() + 9),
              (std::vector<int32_t>{4, 5, 6, 7, int32_t(BLACKNESS)}));

    EXPECT_EQ(r[5].type, EMR_CREATEDIBPATTERNBRUSHPT);
    EXPECT_EQ(r[5].values, (std::vector<int32_t>{1, 0, 32, 40, 72, 4, 40, 1, 1, 0x180001, 0, 4, 0,
                                                 0, 0, 0, 0xFF}));
}

} // namespace
