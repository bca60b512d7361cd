// Records of other programs' metafiles that our own pages never use: arcs, chords and pies,
// point lists with their own drawing commands, the short and 8-bit text records, stretched,
// blended, keyed and unscaled bitmaps, pattern brushes and paths. Each picture maps one
// reference pixel onto one pixel, so every expected place is worked out from the record.

#include "framework/graphics/EmfRecords.h"
#include "EmfBuilder.h"
#include "framework/graphics/DeviceContext.h"
#include "support/TestSupport.h"

#include <cstring>

using namespace emf;

namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255), kBlack = qRgb(0, 0, 0), kRed = qRgb(255, 0, 0),
               kBlue = qRgb(0, 0, 255), kGreen = qRgb(0, 128, 0);

uint32_t Ref(QRgb c) {
    return static_cast<uint32_t>(qRed(c) | qGreen(c) << 8 | qBlue(c) << 16);
}

bool Is(const QImage& image, int x, int y, QRgb c, int tolerance = 40) {
    const QRgb p = image.pixel(x, y);
    return std::abs(qRed(p) - qRed(c)) <= tolerance &&
           std::abs(qGreen(p) - qGreen(c)) <= tolerance &&
           std::abs(qBlue(p) - qBlue(c)) <= tolerance;
}

// A red solid brush in slot 1 and a 3-pixel blue pen in slot 2, both selected.
EmfBuilder& RedBrushBluePen(EmfBuilder& b) {
    b.Add(EMR_CREATEBRUSHINDIRECT, {1, 0, Ref(kRed), 0});
    b.Add(EMR_SELECTOBJECT, {1});
    b.Add(EMR_CREATEPEN, {2, 0, 3, 0, Ref(kBlue)});
    b.Add(EMR_SELECTOBJECT, {2});
    return b;
}

// Circle of radius 30 about (50, 50) in box (20, 20)-(80, 80), from its rightmost point
// (80, 50) counter-clockwise to its top (50, 20): the quarter that lies up and right.
TEST(EmfRecords, ArcsChordsAndPiesFollowTheirBoxAndEnds) {
    {
        EmfBuilder b;
        RedBrushBluePen(b).Add(EMR_ARC, {20, 20, 80, 80, 80, 50, 50, 20});
        const QImage image = b.Play(100, 100);
        // On the quarter: 45 degrees is (50 + 21.2, 50 - 21.2).
        EXPECT_TRUE(Is(image, 71, 29, kBlue, 100));
        // The other three quarters stay empty.
        EXPECT_TRUE(Is(image, 29, 71, kWhite, 0));
        EXPECT_TRUE(Is(image, 29, 29, kWhite, 0));
        EXPECT_TRUE(Is(image, 71, 71, kWhite, 0));
        EXPECT_TRUE(Is(image, 50, 50, kWhite, 0)); // no fill
    }
    {
        // Clockwise, the same ends take the three other quarters.
        EmfBuilder b;
        RedBrushBluePen(b)
            .Add(EMR_SETARCDIRECTION, {2})
            .Add(EMR_ARC, {20, 20, 80, 80, 80, 50, 50, 20});
        const QImage image = b.Play(100, 100);
        EXPECT_TRUE(Is(image, 71, 29, kWhite, 0));
        EXPECT_TRUE(Is(image, 29, 71, kBlue, 100));
        EXPECT_TRUE(Is(image, 29, 29, kBlue, 100));
    }
    {
        // The pie joins both ends to the centre and fills the quarter.
        EmfBuilder b;
        RedBrushBluePen(b).Add(EMR_PIE, {20, 20, 80, 80, 80, 50, 50, 20});
        const QImage image = b.Play(100, 100);
        EXPECT_TRUE(Is(image, 60, 40, kRed));       // inside the quarter
        EXPECT_TRUE(Is(image, 65, 50, kBlue, 100)); // on the radius to (80, 50)
        EXPECT_TRUE(Is(image, 40, 60, kWhite, 0));
    }
    {
        // The chord closes the arc with the straight line from (80, 50) to (50, 20): the
        // centre side of that line stays empty, the segment beyond it is filled.
        EmfBuilder b;
        RedBrushBluePen(b).Add(EMR_CHORD, {20, 20, 80, 80, 80, 50, 50, 20});
        const QImage image = b.Play(100, 100);
        EXPECT_TRUE(Is(image, 72, 28, kRed, 60) || Is(image, 72, 28, kBlue, 100));
        EXPECT_TRUE(Is(image, 69, 31, kRed));
        EXPECT_TRUE(Is(image, 60, 40, kWhite, 0));
        EXPECT_TRUE(Is(image, 50, 50, kWhite, 0));
    }
}

TEST(EmfRecords, PolyDrawFollowsItsPointTypes) {
    // Move to (10, 10), line to (90, 10), line to (90, 90) closing the figure: a triangle
    // outline whose closing side is the diagonal; then a separate move and line below.
    QByteArray points;
    for (int v : {10, 10, 90, 10, 90, 90, 10, 95, 40, 95})
        EmfBuilder::Put(points, static_cast<uint32_t>(v));
    const QByteArray types = QByteArray::fromHex("060203"
                                                 "0602");
    for (bool wide : {true, false}) {
        SCOPED_TRACE(wide ? "32-bit points" : "16-bit points");
        QByteArray tail;
        if (wide) {
            tail = points;
        } else {
            for (int i = 0; i < 10; ++i)
                EmfBuilder::Put16(tail, static_cast<uint16_t>(qFromLittleEndian<uint32_t>(
                                            points.constData() + 4 * i)));
        }
        tail += types;
        EmfBuilder b;
        RedBrushBluePen(b).Add(wide ? EMR_POLYDRAW : EMR_POLYDRAW16, {0, 0, 100, 100, 5}, tail);
        const QImage image = b.Play(100, 100);
        EXPECT_TRUE(Is(image, 50, 10, kBlue, 100)); // top side
        EXPECT_TRUE(Is(image, 90, 50, kBlue, 100)); // right side
        EXPECT_TRUE(Is(image, 50, 50, kBlue, 100)); // the closing diagonal
        EXPECT_TRUE(Is(image, 25, 95, kBlue, 100)); // the second figure
        EXPECT_TRUE(Is(image, 70, 30, kWhite, 0));  // never filled
        EXPECT_TRUE(Is(image, 60, 95, kWhite, 0));  // the second figure ends at x 40
    }
}

TEST(EmfRecords, PolygonsMustHoldTheirPoints) {
    // Three 16-bit points take 28 + 12 bytes: a record that claims three while holding two
    // is refused and leaves the picture alone; the one that holds them fills.
    QByteArray three;
    for (int v : {10, 10, 90, 10, 50, 90})
        EmfBuilder::Put16(three, static_cast<uint16_t>(v));
    EmfBuilder sound;
    RedBrushBluePen(sound).Add(EMR_POLYGON16, {0, 0, 100, 100, 3}, three);
    EXPECT_TRUE(Is(sound.Play(100, 100), 50, 40, kRed));
    TRecord r{EMR_POLYGON16, 40, nullptr};
    QByteArray bytes(40, '\0');
    qToLittleEndian<uint32_t>(3, reinterpret_cast<uchar*>(bytes.data()) + 24);
    r.data = reinterpret_cast<const uchar*>(bytes.constData());
    EXPECT_EQ(CheckRecord(r), QString());
    r.size = 36;
    EXPECT_EQ(CheckRecord(r), QStringLiteral("3 points do not fit"));

    QByteArray cut = three.left(8);
    EmfBuilder damaged;
    RedBrushBluePen(damaged).Add(EMR_POLYGON16, {0, 0, 100, 100, 3}, cut);
    const QImage image = damaged.Play(100, 100);
    EXPECT_EQ(InkBox(image), QRect());
    // The same for the 32-bit form: 28 + 8 n bytes.
    r = {EMR_POLYGON, 28 + 8 * 3, reinterpret_cast<const uchar*>(bytes.constData())};
    QByteArray wide(28 + 8 * 3, '\0');
    qToLittleEndian<uint32_t>(3, reinterpret_cast<uchar*>(wide.data()) + 24);
    r.data = reinterpret_cast<const uchar*>(wide.constData());
    EXPECT_EQ(CheckRecord(r), QString());
    r.size -= 4;
    EXPECT_EQ(CheckRecord(r), QStringLiteral("3 points do not fit"));
}

TEST(EmfRecords, BitmapsPastThePixelLimitAreNamedWidthFirst) {
    // STRETCHDIBITS whose header claims 20000 x 9000 pixels (180 million, past the limit),
    // and one of 9000 x 20000, with no rows.
    for (const QSize size : {QSize(20000, 9000), QSize(9000, 20000), QSize(16384, 10240)}) {
        QByteArray bytes(80 + 40, '\0');
        auto* d = reinterpret_cast<uchar*>(bytes.data());
        qToLittleEndian<uint32_t>(EMR_STRETCHDIBITS, d);
        qToLittleEndian<uint32_t>(static_cast<uint32_t>(bytes.size()), d + 4);
        qToLittleEndian<uint32_t>(80, d + 48);
        qToLittleEndian<uint32_t>(40, d + 52);
        qToLittleEndian<uint32_t>(120, d + 56);
        qToLittleEndian<uint32_t>(40, d + 80);
        qToLittleEndian<int32_t>(size.width(), d + 84);
        qToLittleEndian<int32_t>(size.height(), d + 88);
        qToLittleEndian<uint16_t>(1, d + 92);
        qToLittleEndian<uint16_t>(24, d + 94);
        const TRecord r{EMR_STRETCHDIBITS, static_cast<uint32_t>(bytes.size()), d};
        const QString expected =
            size.width() == 16384
                ? QStringLiteral("bitmap of 16384 x 10240 pixels at 24 bits needs 503316480 "
                                 "bytes, the record holds 0")
                : QStringLiteral("bitmap of %1 x %2 pixels is too large")
                      .arg(size.width())
                      .arg(size.height());
        EXPECT_EQ(CheckRecord(r), expected);
    }
}

// A text record draws its characters from the reference point to the right, top-aligned
// by default: the ink of "HH" at 40 pixels lies right of and below (20, 30).
TEST(EmfRecords, ShortAndEightBitTextRecordsDrawAtTheirPoint) {
    auto font = [](EmfBuilder& b) {
        QByteArray lf(92, '\0');
        qToLittleEndian<int32_t>(-40, reinterpret_cast<uchar*>(lf.data()));
        qToLittleEndian<int32_t>(400, reinterpret_cast<uchar*>(lf.data()) + 16);
        const char16_t face[] = u"Arial";
        for (int i = 0; i < 5; ++i)
            qToLittleEndian<uint16_t>(face[i], reinterpret_cast<uchar*>(lf.data()) + 28 + 2 * i);
        b.Add(EMR_EXTCREATEFONTINDIRECTW, {3}, lf);
        b.Add(EMR_SELECTOBJECT, {3});
        b.Add(EMR_SETBKMODE, {1});
        b.Add(EMR_SETTEXTCOLOR, {Ref(kGreen)});
    };
    auto inkOf = [](const EmfBuilder& b) { return InkBox(b.Play(120, 100)); };

    EmfBuilder wide;
    font(wide);
    QByteArray text16;
    EmfBuilder::Put16(text16, 'H');
    EmfBuilder::Put16(text16, 'H');
    wide.Add(EMR_EXTTEXTOUTW, {0, 0, 0, 0, 1, 0, 0, 20, 30, 2, 76, 0, 0, 0, -1, -1, 0}, text16);
    const QRect reference = inkOf(wide);
    ASSERT_FALSE(reference.isEmpty());
    // Two capitals of a 40-pixel font hang below the point, a side bearing right of it:
    // about 30 pixels high and 56 wide (two advances of 0.722 em less the bearings).
    EXPECT_NEAR(reference.left(), 20 + 3, 2);
    EXPECT_GT(reference.top(), 30 + 4);
    EXPECT_LT(reference.top(), 30 + 16);
    EXPECT_NEAR(reference.height(), 29, 2);
    EXPECT_NEAR(reference.width(), 52, 3);

    EmfBuilder ansi;
    font(ansi);
    ansi.Add(EMR_EXTTEXTOUTA, {0, 0, 0, 0, 1, 0, 0, 20, 30, 2, 76, 0, 0, 0, -1, -1, 0},
             QByteArray("HH"));
    EXPECT_EQ(inkOf(ansi), reference);

    // The short record: x, y, count, options, mode, two scales, [rectangle], characters.
    EmfBuilder small;
    font(small);
    small.Add(EMR_SMALLTEXTOUT, {20, 30, 2, ETO_NO_RECT | ETO_SMALL_CHARS, 1, 0, 0},
              QByteArray("HH"));
    EXPECT_EQ(inkOf(small), reference);
    EmfBuilder small16;
    font(small16);
    small16.Add(EMR_SMALLTEXTOUT, {20, 30, 2, 0, 1, 0, 0, 0, 0, 0, 0}, text16);
    EXPECT_EQ(inkOf(small16), reference);
    // Moved by its point.
    EmfBuilder moved;
    font(moved);
    moved.Add(EMR_SMALLTEXTOUT, {50, 40, 2, ETO_NO_RECT | ETO_SMALL_CHARS, 1, 0, 0},
              QByteArray("HH"));
    EXPECT_EQ(inkOf(moved), reference.translated(30, 10));
    // Windows-1252 bytes: 0x80 is the euro sign, not a control character.
    EmfBuilder euro;
    font(euro);
    euro.Add(EMR_EXTTEXTOUTA, {0, 0, 0, 0, 1, 0, 0, 20, 30, 1, 76, 0, 0, 0, -1, -1, 0},
             QByteArray("\x80"));
    EXPECT_FALSE(inkOf(euro).isEmpty());
}

// A 2 x 2 bitmap, stored bottom-up: top row red, blue; bottom row green, black.
QByteArray TwoByTwo() {
    QByteArray b = EmfBuilder::Info(2, 2, 8, {kRed, kBlue, kGreen, kBlack});
    b += QByteArray::fromHex("02030000"
                             "00010000");
    return b;
}

// The bitmap record of type with the 2 x 2 bitmap at the end of its fixed part.
QByteArray BltRecord(uint32_t type, int x, int y, int cx, int cy, uint32_t rop, int cxSrc,
                     int cySrc) {
    const QByteArray dib = TwoByTwo();
    const uint32_t fixed = 108, cbBmi = 40 + 16;
    QByteArray r;
    for (int64_t v : {int64_t(type), int64_t(fixed + dib.size()), int64_t(0), int64_t(0),
                      int64_t(100), int64_t(100), int64_t(x), int64_t(y), int64_t(cx), int64_t(cy),
                      int64_t(rop), int64_t(0), int64_t(0)})
        EmfBuilder::Put(r, static_cast<uint32_t>(v));
    for (float f : {1.f, 0.f, 0.f, 1.f, 0.f, 0.f}) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        EmfBuilder::Put(r, bits);
    }
    for (int64_t v :
         {int64_t(0), int64_t(0), int64_t(fixed), int64_t(cbBmi), int64_t(fixed + cbBmi),
          int64_t(dib.size() - cbBmi), int64_t(cxSrc), int64_t(cySrc)})
        EmfBuilder::Put(r, static_cast<uint32_t>(v));
    return r + dib;
}

TEST(EmfRecords, StretchedBitmapsFillTheirDestination) {
    EmfBuilder b;
    b.Raw(BltRecord(EMR_STRETCHBLT, 10, 10, 80, 80, SRCCOPY, 2, 2));
    const QImage image = b.Play(100, 100);
    EXPECT_TRUE(Is(image, 20, 20, kRed, 0));
    EXPECT_TRUE(Is(image, 80, 20, kBlue, 0));
    EXPECT_TRUE(Is(image, 20, 80, kGreen, 0));
    EXPECT_TRUE(Is(image, 80, 80, kBlack, 0));
    EXPECT_TRUE(Is(image, 5, 5, kWhite, 0));
    EXPECT_TRUE(Is(image, 95, 95, kWhite, 0));

    // A negative width mirrors the bitmap about the destination's left edge.
    EmfBuilder mirrored;
    mirrored.Raw(BltRecord(EMR_STRETCHBLT, 90, 10, -80, 80, SRCCOPY, 2, 2));
    const QImage m = mirrored.Play(100, 100);
    EXPECT_TRUE(Is(m, 20, 20, kBlue, 0));
    EXPECT_TRUE(Is(m, 80, 20, kRed, 0));

    // A source of one pixel, the top-left one, stretched over the whole destination.
    EmfBuilder one;
    QByteArray r = BltRecord(EMR_STRETCHBLT, 10, 10, 80, 80, SRCCOPY, 1, 1);
    one.Raw(r);
    EXPECT_TRUE(Is(one.Play(100, 100), 80, 80, kRed, 0));
}

TEST(EmfRecords, AlphaBlendMixesAndTransparentBltLeavesItsKeyColour) {
    // Constant alpha 128 of 255: half of red over white.
    EmfBuilder half;
    half.Raw(BltRecord(EMR_ALPHABLEND, 0, 0, 100, 100, 128u << 16, 2, 2));
    const QImage h = half.Play(100, 100);
    EXPECT_TRUE(Is(h, 25, 25, qRgb(255, 127, 127), 3));
    EXPECT_TRUE(Is(h, 75, 75, qRgb(127, 127, 127), 3));

    // Blue is the key: its quarter keeps the white below, the others are copied.
    EmfBuilder keyed;
    keyed.Raw(BltRecord(EMR_TRANSPARENTBLT, 0, 0, 100, 100, Ref(kBlue), 2, 2));
    const QImage k = keyed.Play(100, 100);
    EXPECT_TRUE(Is(k, 25, 25, kRed, 0));
    EXPECT_TRUE(Is(k, 75, 25, kWhite, 0));
    EXPECT_TRUE(Is(k, 75, 75, kBlack, 0));
}

TEST(EmfRecords, SetDiBitsToDeviceCopiesItsSourceUnscaled) {
    // Destination (30, 40), source rectangle: the whole 2 x 2 bitmap.
    const QByteArray dib = TwoByTwo();
    EmfBuilder b;
    b.Add(EMR_SETDIBITSTODEVICE, {0, 0, 100, 100, 30, 40, 0, 0, 2, 2, 76, 56, 76 + 56, 8, 0, 0, 2},
          dib);
    const QImage image = b.Play(100, 100);
    EXPECT_TRUE(Is(image, 30, 40, kRed, 0));
    EXPECT_TRUE(Is(image, 31, 40, kBlue, 0));
    EXPECT_TRUE(Is(image, 30, 41, kGreen, 0));
    EXPECT_TRUE(Is(image, 31, 41, kBlack, 0));
    EXPECT_TRUE(Is(image, 32, 40, kWhite, 0));
    EXPECT_TRUE(Is(image, 30, 42, kWhite, 0));
    EXPECT_EQ(InkBox(image), QRect(30, 40, 2, 2));
}

// An 8 x 8 pattern of columns: four red, four blue.
QByteArray Columns() {
    QByteArray b = EmfBuilder::Info(8, 8, 8, {kRed, kBlue});
    for (int y = 0; y < 8; ++y)
        b += QByteArray::fromHex("0000000001010101");
    return b;
}

TEST(EmfRecords, PatternBrushesRepeatTheirBitmap) {
    const QByteArray dib = Columns();
    EmfBuilder b;
    b.Add(EMR_CREATEDIBPATTERNBRUSHPT, {1, 0, 32, 40 + 8, 32 + 48, 64}, dib);
    b.Add(EMR_SELECTOBJECT, {1});
    b.Add(EMR_SELECTOBJECT, {kStockObject | NULL_PEN});
    b.Add(EMR_RECTANGLE, {0, 0, 64, 64});
    const QImage image = b.Play(100, 100);
    // Columns of four repeat from the device origin.
    for (int x : {1, 9, 17, 33})
        EXPECT_TRUE(Is(image, x, 20, kRed, 0)) << x;
    for (int x : {5, 13, 21, 37})
        EXPECT_TRUE(Is(image, x, 20, kBlue, 0)) << x;
    EXPECT_TRUE(Is(image, 80, 80, kWhite, 0));

    // A monochrome brush: clear bits take the text colour, set bits the background colour.
    QByteArray mono = EmfBuilder::Info(8, 8, 1, {kBlack, kWhite});
    for (int y = 0; y < 8; ++y)
        mono += QByteArray::fromHex("0f000000");
    EmfBuilder m;
    m.Add(EMR_SETTEXTCOLOR, {Ref(kGreen)});
    m.Add(EMR_SETBKCOLOR, {Ref(kRed)});
    m.Add(EMR_CREATEMONOBRUSH, {1, 0, 32, 40 + 8, 32 + 48, 32}, mono);
    m.Add(EMR_SELECTOBJECT, {1});
    m.Add(EMR_SELECTOBJECT, {kStockObject | NULL_PEN});
    m.Add(EMR_RECTANGLE, {0, 0, 64, 64});
    const QImage mi = m.Play(100, 100);
    EXPECT_TRUE(Is(mi, 1, 20, kGreen, 0));
    EXPECT_TRUE(Is(mi, 5, 20, kRed, 0));
}

// A triangle path (10, 10), (90, 10), (10, 90).
EmfBuilder& Triangle(EmfBuilder& b) {
    b.Add(EMR_BEGINPATH, {});
    b.Add(EMR_MOVETOEX, {10, 10});
    b.Add(EMR_LINETO, {90, 10});
    b.Add(EMR_LINETO, {10, 90});
    b.Add(EMR_CLOSEFIGURE, {});
    b.Add(EMR_ENDPATH, {});
    return b;
}

TEST(EmfRecords, PathsAreFilledStrokedClippedOrDropped) {
    auto play = [](EmfBuilder& b) { return b.Play(100, 100); };
    {
        EmfBuilder b;
        Triangle(RedBrushBluePen(b)).Add(EMR_FILLPATH, {0, 0, 100, 100});
        const QImage image = play(b);
        EXPECT_TRUE(Is(image, 30, 30, kRed, 0));
        EXPECT_TRUE(Is(image, 70, 70, kWhite, 0));
        EXPECT_TRUE(Is(image, 50, 10, kRed, 100)); // filled, not outlined
    }
    {
        EmfBuilder b;
        Triangle(RedBrushBluePen(b)).Add(EMR_STROKEPATH, {0, 0, 100, 100});
        const QImage image = play(b);
        EXPECT_TRUE(Is(image, 30, 30, kWhite, 0));
        EXPECT_TRUE(Is(image, 50, 10, kBlue, 60));
        EXPECT_TRUE(Is(image, 50, 50, kBlue, 100)); // the long side
        EXPECT_TRUE(Is(image, 10, 50, kBlue, 100)); // the side that closes the figure
    }
    {
        EmfBuilder b;
        Triangle(RedBrushBluePen(b)).Add(EMR_STROKEANDFILLPATH, {0, 0, 100, 100});
        const QImage image = play(b);
        EXPECT_TRUE(Is(image, 30, 30, kRed, 0));
        EXPECT_TRUE(Is(image, 50, 10, kBlue, 60));
    }
    {
        // An aborted path draws nothing; neither does a path still open.
        EmfBuilder b;
        Triangle(RedBrushBluePen(b)).Add(EMR_ABORTPATH, {}).Add(EMR_FILLPATH, {0, 0, 100, 100});
        EXPECT_EQ(InkBox(play(b)), QRect());
        EmfBuilder open;
        RedBrushBluePen(open).Add(EMR_BEGINPATH, {}).Add(EMR_RECTANGLE, {10, 10, 90, 90});
        open.Add(EMR_FILLPATH, {0, 0, 100, 100});
        EXPECT_EQ(InkBox(play(open)), QRect());
    }
    {
        // Selected as the clip, the path cuts a later rectangle to the triangle.
        EmfBuilder b;
        Triangle(RedBrushBluePen(b)).Add(EMR_SELECTCLIPPATH, {RGN_COPY});
        b.Add(EMR_SELECTOBJECT, {kStockObject | NULL_PEN});
        b.Add(EMR_RECTANGLE, {0, 0, 100, 100});
        const QImage image = play(b);
        EXPECT_TRUE(Is(image, 30, 30, kRed, 0));
        EXPECT_TRUE(Is(image, 70, 70, kWhite, 0));
        EXPECT_TRUE(Is(image, 95, 5, kWhite, 0));
    }
    {
        // Widened by a 3-pixel pen, the path becomes a band along the sides: filling it
        // paints the sides and leaves the inside.
        EmfBuilder b;
        Triangle(RedBrushBluePen(b)).Add(EMR_WIDENPATH, {}).Add(EMR_FILLPATH, {0, 0, 100, 100});
        const QImage image = play(b);
        EXPECT_TRUE(Is(image, 50, 10, kRed, 60));
        EXPECT_TRUE(Is(image, 30, 30, kWhite, 0));
    }
}

} // namespace
