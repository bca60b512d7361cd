// Playing metafiles as other programs write them: mapping modes, world transforms,
// paths, pattern fills, regions, clipping, text without advances, and Windows metafiles.

#include "framework/graphics/EmfPlayer.h"
#include "framework/graphics/EmfRecorder.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Wmf.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <functional>

using namespace emf;

namespace {

// Writes records the way another program would, on a 100 x 100 mm frame at 10 pixels
// per millimetre.
class Builder {
public:
    void Rec(uint32_t type, std::initializer_list<int32_t> values) {
        const qsizetype at = w_.Begin(type, static_cast<uint32_t>(8 + 4 * values.size()));
        qsizetype i = at + 8;
        for (int32_t v : values) {
            w_.PutI32(i, v);
            i += 4;
        }
    }
    void Brush(uint32_t index, uint32_t style, uint32_t color, uint32_t hatch = 0) {
        Rec(EMR_CREATEBRUSHINDIRECT,
            {int32_t(index), int32_t(style), int32_t(color), int32_t(hatch)});
        Rec(EMR_SELECTOBJECT, {int32_t(index)});
    }
    void Stock(uint32_t id) { Rec(EMR_SELECTOBJECT, {int32_t(kStockObject | id)}); }
    void Region(uint32_t type, uint32_t mode, std::initializer_list<TRectL> rects,
                uint32_t brush = 0) {
        const uint32_t cb = 32 + 16 * static_cast<uint32_t>(rects.size());
        const uint32_t dataAt = type == EMR_EXTSELECTCLIPRGN ? 16 : type == EMR_FILLRGN ? 32 : 28;
        const qsizetype at = w_.Begin(type, dataAt + cb);
        if (type == EMR_EXTSELECTCLIPRGN) {
            w_.Put32(at + 8, cb);
            w_.Put32(at + 12, mode);
        } else {
            w_.Put32(at + 24, cb);
            w_.Put32(at + 28, brush);
        }
        w_.Put32(at + dataAt, 32);
        w_.Put32(at + dataAt + 4, 1);
        w_.Put32(at + dataAt + 8, static_cast<uint32_t>(rects.size()));
        qsizetype i = at + dataAt + 32;
        for (const TRectL& r : rects) {
            w_.PutRect(i, r);
            i += 16;
        }
    }
    void Xform(uint32_t type, std::initializer_list<float> m, uint32_t mode = 0) {
        const qsizetype at = w_.Begin(type, type == EMR_SETWORLDTRANSFORM ? 32 : 36);
        qsizetype i = at + 8;
        for (float v : m) {
            w_.PutF32(i, v);
            i += 4;
        }
        if (type == EMR_MODIFYWORLDTRANSFORM) w_.Put32(at + 32, mode);
    }
    void Poly16(uint32_t type, std::initializer_list<QPoint> points) {
        const qsizetype at = w_.Begin(type, static_cast<uint32_t>(28 + 4 * points.size()));
        w_.Put32(at + 24, static_cast<uint32_t>(points.size()));
        qsizetype i = at + 28;
        for (const QPoint& p : points) {
            w_.Put16(i, static_cast<uint16_t>(p.x()));
            w_.Put16(i + 2, static_cast<uint16_t>(p.y()));
            i += 4;
        }
    }
    void Font(uint32_t index, int32_t height, int32_t escapement) {
        const qsizetype at = w_.Begin(EMR_EXTCREATEFONTINDIRECTW, 104); // the short form
        w_.Put32(at + 8, index);
        w_.PutI32(at + 12, height);
        w_.PutI32(at + 20, escapement);
        w_.PutI32(at + 28, FW_BOLD);
        const QString face = QStringLiteral("Arial");
        for (qsizetype i = 0; i < face.size(); ++i)
            w_.Put16(at + 40 + 2 * i, face[i].unicode());
        Rec(EMR_SELECTOBJECT, {int32_t(index)});
    }
    void Text(int32_t x, int32_t y, const QString& s) {
        const uint32_t n = static_cast<uint32_t>(s.size());
        const qsizetype at = w_.Begin(EMR_EXTTEXTOUTW, 76 + (2 * n + 3) / 4 * 4);
        w_.Put32(at + 24, 1);
        w_.PutI32(at + 36, x);
        w_.PutI32(at + 40, y);
        w_.Put32(at + 44, n);
        w_.Put32(at + 48, 76);
        w_.PutRect(at + 56, {0, 0, -1, -1});
        for (uint32_t i = 0; i < n; ++i)
            w_.Put16(at + 76 + 2 * i, s[i].unicode());
    }
    QByteArray Finish() {
        return w_.Finish({0, 0, 10000, 10000}, QSize(1000, 1000), QSize(100000, 100000), {});
    }
    TEmfWriter w_;
};

QImage PlayInto(const QByteArray& emf, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PlayEnhMetaFile(painter, emf, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

constexpr QRgb kWhite = 0xFFFFFFFF;

} // namespace

TEST(MetafilePlayer, RecordsOfOtherPrograms) {
    Builder b;
    // A dual file's EMF+ records are comments to this player.
    {
        const qsizetype at = b.w_.Begin(EMR_GDICOMMENT, 12 + 28);
        b.w_.Put32(at + 8, 28);
        b.w_.Put32(at + 12, 0x2B464D45);
        b.w_.Put16(at + 16, 0x4001);
        b.w_.Put16(at + 18, 1);
        b.w_.Put32(at + 20, 28);
        b.w_.Put32(at + 24, 16);
    }
    b.Rec(200, {1, 2}); // an unknown record
    // Anisotropic: 200 logical units across the 1000-pixel frame.
    b.Rec(EMR_SETMAPMODE, {8});
    b.Rec(EMR_SETWINDOWEXTEX, {200, 200});
    b.Rec(EMR_SETVIEWPORTEXTEX, {1000, 1000});
    b.Stock(NULL_PEN);
    b.Brush(1, 0, 0x0000FF);
    b.Rec(EMR_RECTANGLE, {10, 10, 50, 50}); // frame pixels 50..250
    // Upward y in hundredths of a millimetre, origin at the bottom.
    b.Rec(EMR_SETMAPMODE, {3});
    b.Rec(EMR_SETVIEWPORTORGEX, {0, 1000});
    b.Brush(2, 0, 0xFF0000);
    b.Poly16(EMR_POLYGON16, {QPoint(6000, 1000), QPoint(9000, 1000), QPoint(9000, 4000)});
    // Plain pixels under a world transform: doubled and moved.
    b.Rec(EMR_SETMAPMODE, {1});
    b.Rec(EMR_SETVIEWPORTORGEX, {0, 0});
    b.Rec(EMR_SAVEDC, {});
    b.Xform(EMR_SETWORLDTRANSFORM, {2, 0, 0, 2, 600, 100});
    b.Brush(3, 0, 0x00A000);
    b.Rec(EMR_RECTANGLE, {0, 0, 50, 50}); // frame pixels 600..700, 100..200
    b.Rec(EMR_RESTOREDC, {-1});           // no world transform, and the blue brush again
    b.Rec(EMR_RECTANGLE, {0, 500, 60, 560});
    b.Stock(BLACK_PEN);
    b.Brush(4, 0, 0x00FFFF);
    b.Rec(EMR_ELLIPSE, {100, 600, 300, 800});
    // A path filled with a hatch on an opaque background.
    b.Stock(NULL_PEN);
    b.Brush(5, 0, 0xFF00FF);
    b.Rec(EMR_BEGINPATH, {});
    b.Rec(EMR_MOVETOEX, {100, 850});
    b.Poly16(EMR_POLYLINETO16, {QPoint(300, 850), QPoint(300, 950), QPoint(100, 950)});
    b.Rec(EMR_CLOSEFIGURE, {});
    b.Rec(EMR_ENDPATH, {});
    b.Rec(EMR_FILLPATH, {0, 0, 0, 0});
    // A pattern copy and a region fill.
    b.Brush(6, 0, 0xFFFF00);
    {
        const qsizetype at = b.w_.Begin(EMR_BITBLT, 100);
        b.w_.PutI32(at + 24, 800);
        b.w_.PutI32(at + 28, 50);
        b.w_.PutI32(at + 32, 150);
        b.w_.PutI32(at + 36, 150);
        b.w_.Put32(at + 40, PATCOPY);
    }
    b.Rec(EMR_CREATEBRUSHINDIRECT, {7, 0, 0x0080FF, 0});
    b.Region(EMR_FILLRGN, 0, {{400, 850, 500, 950}}, 7);
    // Clipping to a region, then removed.
    b.Region(EMR_EXTSELECTCLIPRGN, RGN_COPY, {{0, 0, 500, 500}});
    b.Brush(8, 0, 0x808080);
    b.Rec(EMR_RECTANGLE, {400, 400, 600, 600});
    b.Rec(EMR_EXTSELECTCLIPRGN, {0, int32_t(RGN_COPY)});
    b.Rec(EMR_RECTANGLE, {520, 700, 560, 740});
    // Text without advances, measured by the player.
    b.Font(9, -40, 0);
    b.Rec(EMR_SETBKMODE, {TRANSPARENT});
    b.Rec(EMR_SETTEXTCOLOR, {0});
    b.Text(50, 300, QStringLiteral("HI"));

    const QImage image = PlayInto(b.Finish(), QSize(500, 500)); // half the frame's pixels
    image.save(QDir::temp().filePath(QStringLiteral("sleevane-metafile/other.png")));
    EXPECT_EQ(image.pixel(75, 75), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(20, 20), kWhite);
    EXPECT_EQ(image.pixel(440, 440), qRgb(0, 0, 255));   // inside the triangle
    EXPECT_EQ(image.pixel(310, 310), kWhite);            // beside it
    EXPECT_EQ(image.pixel(325, 75), qRgb(0, 160, 0));    // under the world transform
    EXPECT_EQ(image.pixel(10, 260), qRgb(0, 0, 255));    // restored brush, no transform
    EXPECT_EQ(image.pixel(100, 350), qRgb(255, 255, 0)); // ellipse centre
    EXPECT_EQ(image.pixel(100, 450), qRgb(255, 0, 255)); // path
    EXPECT_EQ(image.pixel(440, 60), qRgb(0, 255, 255));  // pattern copy
    EXPECT_EQ(image.pixel(225, 450), qRgb(255, 128, 0)); // region fill
    EXPECT_EQ(image.pixel(240, 240), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(260, 260), kWhite);              // clipped away
    EXPECT_EQ(image.pixel(270, 360), qRgb(128, 128, 128)); // clipping removed
    const QRect text = InkBox(image.copy(20, 145, 100, 40));
    EXPECT_FALSE(text.isNull());
    EXPECT_NEAR(text.left() + 20, 26, 2);
}

TEST(MetafilePlayer, StaysInsideItsRectangleAndThePaintersClip) {
    Builder b;
    b.Brush(1, 0, 0x0000FF);
    b.Stock(NULL_PEN);
    b.Rec(EMR_RECTANGLE, {-500, -500, 1500, 1500}); // far beyond the frame
    const QByteArray emf = b.Finish();
    QImage image(300, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setClipRect(QRect(0, 0, 150, 300));
        PlayEnhMetaFile(painter, emf, QRectF(100, 100, 100, 100));
    }
    EXPECT_EQ(InkBox(image), QRect(100, 100, 50, 100));
}

TEST(MetafilePlayer, AbsurdValuesAreSkipped) {
    Builder b;
    b.Xform(EMR_SETWORLDTRANSFORM, {0, 0, 0, 0, 0, 0});   // singular
    b.Xform(EMR_SETWORLDTRANSFORM, {NAN, 0, 0, 1, 0, 0}); // not a number
    b.Rec(EMR_SETMAPMODE, {8});
    b.Rec(EMR_SETWINDOWEXTEX, {0, 0}); // zero extents
    b.Font(1, -2000000000, 0);         // a font larger than any page
    b.Text(10, 10, QStringLiteral("X"));
    b.Rec(EMR_RESTOREDC, {-5});       // deeper than the saves
    b.Rec(EMR_SELECTOBJECT, {60000}); // an object never made
    b.Rec(EMR_DELETEOBJECT, {70000});
    b.Brush(2, 0, 0x0000FF);
    b.Stock(NULL_PEN);
    b.Rec(EMR_RECTANGLE, {2147483000, 2147483000, -2147483000, -2147483000});
    b.Rec(EMR_RECTANGLE, {0, 0, 100, 100});
    const QImage image = PlayInto(b.Finish(), QSize(100, 100));
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 0, 0));
}

// A picture's mapping records placed by the player and, kept as vector drawing inside
// another metafile, by the embedder: both put its drawing in the same place. The frame is
// 1000 reference pixels square, played onto 200 pixels: a frame pixel is a fifth of one.
TEST(MetafilePlayer, EmbeddedPicturesMapAsPlayedOnes) {
    struct Case {
        const char* name;
        std::function<void(Builder&)> mapping;
        TRectL drawn; // logical
        QRect expected;
    };
    const Case cases[] = {
        {"text units", [](Builder&) {}, {100, 100, 300, 300}, QRect(20, 20, 40, 40)},
        // Tenths of a millimetre (one frame pixel), y upward from the bottom edge.
        {"metric, y upward",
         [](Builder& b) {
             b.Rec(EMR_SETMAPMODE, {2});
             b.Rec(EMR_SETVIEWPORTORGEX, {0, 1000});
         },
         {100, 300, 300, 100},
         QRect(20, 140, 40, 40)},
        // Five frame pixels a unit, logical (50, 50) at frame pixel (100, 0).
        {"anisotropic with origins",
         [](Builder& b) {
             b.Rec(EMR_SETMAPMODE, {8});
             b.Rec(EMR_SETWINDOWEXTEX, {200, 200});
             b.Rec(EMR_SETVIEWPORTEXTEX, {1000, 1000});
             b.Rec(EMR_SETWINDOWORGEX, {50, 50});
             b.Rec(EMR_SETVIEWPORTORGEX, {100, 0});
         },
         {50, 50, 90, 90},
         QRect(20, 0, 40, 40)},
        // 10 across and 5 down: the smaller, 5, both ways.
        {"isotropic",
         [](Builder& b) {
             b.Rec(EMR_SETMAPMODE, {7});
             b.Rec(EMR_SETWINDOWEXTEX, {100, 100});
             b.Rec(EMR_SETVIEWPORTEXTEX, {1000, 500});
         },
         {0, 0, 100, 100},
         QRect(0, 0, 100, 100)},
        // The viewport scaled by 3 across and 2 down.
        {"scaled extent",
         [](Builder& b) {
             b.Rec(EMR_SETMAPMODE, {8});
             b.Rec(EMR_SETWINDOWEXTEX, {100, 100});
             b.Rec(EMR_SETVIEWPORTEXTEX, {100, 100});
             b.Rec(EMR_SCALEVIEWPORTEXTEX, {3, 1, 2, 1});
         },
         {0, 0, 100, 100},
         QRect(0, 0, 60, 40)},
        // The window scaled past any coordinate stops at 2^26: 2^30 / 2^26 = 16 frame
        // pixels a unit.
        {"absurd scale extent",
         [](Builder& b) {
             b.Rec(EMR_SETMAPMODE, {8});
             b.Rec(EMR_SETWINDOWEXTEX, {100, 100});
             b.Rec(EMR_SETVIEWPORTEXTEX, {1 << 30, 1 << 30});
             b.Rec(EMR_SCALEWINDOWEXTEX, {0x7FFFFFFF, 1, 0x7FFFFFFF, 1});
         },
         {0, 0, 25, 25},
         QRect(0, 0, 80, 80)},
        // Saves past those kept are passed by, here as on the page: the restore goes back
        // to the last one kept, before the viewport moved.
        {"saves past those kept",
         [](Builder& b) {
             b.Rec(EMR_SETMAPMODE, {8});
             b.Rec(EMR_SETWINDOWEXTEX, {100, 100});
             b.Rec(EMR_SETVIEWPORTEXTEX, {500, 500});
             for (int i = 0; i < kMaxSavedStates + 1000; ++i) {
                 if (i == kMaxSavedStates + 100) b.Rec(EMR_SETVIEWPORTORGEX, {100, 0});
                 b.Rec(EMR_SAVEDC, {});
             }
             b.Rec(EMR_RESTOREDC, {-1});
             b.Rec(EMR_SETWINDOWORGEX, {0, 0});
         },
         {0, 0, 20, 20},
         QRect(0, 0, 19, 19)},
        // Doubled and moved 100 frame pixels right; the singular one after it is skipped.
        {"world transform",
         [](Builder& b) {
             b.Xform(EMR_SETWORLDTRANSFORM, {2, 0, 0, 2, 100, 0});
             b.Xform(EMR_MODIFYWORLDTRANSFORM, {0, 0, 0, 0, 0, 0}, 2);
         },
         {0, 0, 100, 100},
         QRect(20, 0, 40, 40)},
    };
    const QSize size(200, 200);
    auto expectNear = [](const QRect& got, const QRect& want, const char* how) {
        SCOPED_TRACE(how);
        EXPECT_NEAR(got.left(), want.left(), 1);
        EXPECT_NEAR(got.top(), want.top(), 1);
        EXPECT_NEAR(got.right(), want.right(), 1);
        EXPECT_NEAR(got.bottom(), want.bottom(), 1);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Builder b;
        c.mapping(b);
        b.Stock(NULL_PEN);
        b.Stock(BLACK_BRUSH);
        b.Rec(EMR_RECTANGLE, {c.drawn.left, c.drawn.top, c.drawn.right, c.drawn.bottom});
        const QByteArray picture = b.Finish();
        // 254 pixels an inch: ten a millimetre, as the picture's own.
        TEmfRecorderDC page(size, 254, 254);
        ASSERT_TRUE(page.EmbedMetafile(picture, QRect(QPoint(0, 0), size)));
        expectNear(InkBox(PlayInto(picture, size)), c.expected, "played");
        expectNear(InkBox(PlayInto(page.Finish(), size)), c.expected, "embedded");
    }
}

// A clip path reaching two million pixels above the page: a triangle of the page's lower
// left half with a hair-thin spike far up. Only the part over the page counts; Qt refuses
// (and loses memory on) a region made from a polygon that tall, so the whole clip was lost.
TEST(MetafilePlayer, ClipPathsFarTallerThanThePageClipToTheirPartOnIt) {
    for (int32_t fillMode : {1, 2}) { // alternate, winding
        SCOPED_TRACE(fillMode);
        Builder b;
        b.Rec(EMR_SETPOLYFILLMODE, {fillMode});
        b.Rec(EMR_BEGINPATH, {});
        b.Rec(EMR_POLYGON,
              {0, 0, 0, 0, 6, 0, 0, 1000, 1000, 0, 1000, 0, -20000000, 1, -20000000, 1, 0});
        b.Rec(EMR_ENDPATH, {});
        b.Rec(EMR_SELECTCLIPPATH, {int32_t(RGN_COPY)});
        b.Stock(NULL_PEN);
        b.Brush(1, 0, 0x0000FF);
        b.Rec(EMR_RECTANGLE, {-100, -100, 1100, 1100});
        const QImage image = PlayInto(b.Finish(), QSize(100, 100));
        int red = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                red += image.pixel(x, y) == qRgb(255, 0, 0);
        EXPECT_NEAR(red, 5000, 150);
        EXPECT_EQ(image.pixel(20, 80), qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(80, 20), kWhite);
    }
}

namespace {

// A placeable Windows metafile one inch square in twips, its records as 16-bit words.
class WmfBuilder {
public:
    void Rec(uint16_t function, std::initializer_list<int> params) {
        std::vector<uint16_t> p;
        for (int v : params)
            p.push_back(static_cast<uint16_t>(v));
        Raw(function, p);
    }
    void Raw(uint16_t function, const std::vector<uint16_t>& params) {
        const uint32_t words = 3 + static_cast<uint32_t>(params.size());
        words_.push_back(static_cast<uint16_t>(words & 0xFFFF));
        words_.push_back(static_cast<uint16_t>(words >> 16));
        words_.push_back(function);
        words_.insert(words_.end(), params.begin(), params.end());
    }
    QByteArray Finish() {
        Rec(0, {});
        QByteArray b(22 + 18 + 2 * static_cast<qsizetype>(words_.size()), '\0');
        auto* d = reinterpret_cast<uchar*>(b.data());
        qToLittleEndian<uint32_t>(kPlaceableKey, d);
        qToLittleEndian<uint16_t>(1440, d + 10);
        qToLittleEndian<uint16_t>(1440, d + 12);
        qToLittleEndian<uint16_t>(1440, d + 14);
        uint16_t sum = 0;
        for (int i = 0; i < 10; ++i)
            sum ^= qFromLittleEndian<uint16_t>(d + 2 * i);
        qToLittleEndian<uint16_t>(sum, d + 20);
        qToLittleEndian<uint16_t>(1, d + 22);
        qToLittleEndian<uint16_t>(9, d + 24);
        qToLittleEndian<uint16_t>(0x300, d + 26);
        qToLittleEndian<uint32_t>(static_cast<uint32_t>(9 + words_.size()), d + 28);
        for (size_t i = 0; i < words_.size(); ++i)
            qToLittleEndian<uint16_t>(words_[i], d + 40 + 2 * i);
        return b;
    }

private:
    std::vector<uint16_t> words_;
};

} // namespace

TEST(MetafilePlayer, PlaceableWindowsMetafile) {
    WmfBuilder w;
    w.Rec(0x020B, {0, 0});                 // window origin
    w.Rec(0x020C, {1440, 1440});           // window extent
    w.Rec(0x02FC, {0, 0x00FF, 0x0000, 0}); // red brush -> slot 0
    w.Rec(0x012D, {0});
    w.Rec(0x02FA, {5, 0, 0, 0, 0}); // null pen -> slot 1
    w.Rec(0x012D, {1});
    w.Rec(0x041B, {720, 720, 0, 0});       // rectangle: bottom, right, top, left
    w.Rec(0x02FC, {0, 0xFF00, 0x0000, 0}); // green brush -> slot 2
    w.Rec(0x012D, {2});
    w.Rec(0x01F0, {0}); // the red one is deleted; its slot is free again
    w.Rec(0x0324, {3, 800, 100, 1400, 100, 1400, 700}); // triangle
    // A 2 x 2 blue bitmap stretched over the lower right quarter.
    std::vector<uint16_t> dib = {0x0000, 0x0000, 0, 2, 2, 0, 0, 720, 720, 720, 720};
    dib[0] = 0x0020; // SRCCOPY low word
    dib[1] = 0x00CC;
    const uint16_t header[] = {40, 0, 2, 0, 2, 0, 1, 24, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    dib.insert(dib.end(), std::begin(header), std::end(header));
    for (int row = 0; row < 2; ++row) {
        const uint16_t pixels[] = {0x00FF, 0xFF00, 0x0000, 0x0000}; // blue, blue, padding
        dib.insert(dib.end(), std::begin(pixels), std::end(pixels));
    }
    w.Raw(0x0F43, dib);
    // Text in a font 300 twips high.
    std::vector<uint16_t> font = {static_cast<uint16_t>(-300), 0, 0, 0, 700, 0, 0, 0, 0};
    const char face[] = "Arial\0\0\0";
    for (int i = 0; i < 8; i += 2)
        font.push_back(static_cast<uint16_t>(uint8_t(face[i]) | (uint8_t(face[i + 1]) << 8)));
    w.Raw(0x02FB, font); // -> slot 0
    w.Rec(0x012D, {0});
    w.Rec(0x0102, {TRANSPARENT});
    w.Rec(0x0521, {2, 'H' | ('I' << 8), 60, 60}); // "HI" at (60, 60)... y then x
    const QByteArray wmf = w.Finish();

    QByteArray stream = "head" + wmf + "tail";
    QBuffer buffer(&stream);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(4);
    TMetafile mf;
    mf.LoadFromStream(buffer);
    EXPECT_EQ(buffer.pos(), 4 + wmf.size());
    EXPECT_FALSE(mf.Enhanced());
    EXPECT_EQ(mf.Width(), 96);
    EXPECT_EQ(mf.Height(), 96);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    mf.SaveToStream(out);
    EXPECT_EQ(out.data(), wmf); // saved as it was read

    QImage image(192, 192, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        mf.Play(painter, QRectF(0, 0, 192, 192));
    }
    image.save(QDir::temp().filePath(QStringLiteral("sleevane-metafile/wmf.png")));
    EXPECT_EQ(image.pixel(80, 80), qRgb(255, 0, 0));   // rectangle, top left quarter
    EXPECT_EQ(image.pixel(180, 20), qRgb(0, 255, 0));  // triangle
    EXPECT_EQ(image.pixel(120, 60), kWhite);           // below its long side
    EXPECT_EQ(image.pixel(150, 150), qRgb(0, 0, 255)); // bitmap
    EXPECT_FALSE(InkBox(image.copy(0, 0, 60, 40), qRgb(255, 0, 0)).isNull()); // text on red
}

// An office suite's export of office-shapes.svg, as an enhanced and as a Windows
// metafile: paths of curves, polygons, fonts with escapement, clipping and comments.
TEST(MetafilePlayer, FilesWrittenByAnOfficeSuite) {
    for (const char* name : {"emf/office-shapes.emf", "emf/office-shapes.wmf"}) {
        TMetafile mf;
        mf.LoadFromFile(TestData(QString::fromLatin1(name)));
        EXPECT_NEAR(mf.Width(), 373, 1) << name; // 9855 hundredths of a mm
        EXPECT_NEAR(mf.Height(), 273, 1) << name;
        QImage image(mf.Width(), mf.Height(), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            mf.Play(painter, QRectF(0, 0, mf.Width(), mf.Height()));
        }
        EXPECT_EQ(image.pixel(60, 45), qRgb(255, 0, 0)) << name;
        EXPECT_EQ(image.pixel(6, 45), qRgb(0, 0, 0)) << name; // its outline
        EXPECT_EQ(image.pixel(235, 55), qRgb(0, 160, 0)) << name;
        EXPECT_EQ(image.pixel(125, 220), qRgb(0, 0, 255)) << name;
        EXPECT_EQ(image.pixel(60, 140), kWhite) << name;
        const QRect text = InkBox(image.copy(120, 101, 160, 20));
        EXPECT_NEAR(text.left() + 120, 138, 2) << name;
        EXPECT_NEAR(text.width(), 128, 3) << name;
        EXPECT_FALSE(InkBox(image.copy(355, 140, 18, 80)).isNull()) << name; // the turned text
    }
}

TEST(MetafilePlayer, RunLengthCodedBitmaps) {
    // 4 x 2 pixels, bottom row first: four reds; then two blues and two greens.
    const QByteArray rle8 = QByteArray::fromHex("0401"
                                                "0000"
                                                "0200"
                                                "0202"
                                                "0001");
    // The same with two pixels to a byte, the top row given as it stands.
    const QByteArray rle4 = QByteArray::fromHex("0411"
                                                "0000"
                                                "0004"
                                                "0022"
                                                "0001");
    for (const auto& [compression, bits] : {std::pair{1u, rle8}, std::pair{2u, rle4}}) {
        QByteArray bmi(40 + 12, '\0');
        auto* h = reinterpret_cast<uchar*>(bmi.data());
        qToLittleEndian<uint32_t>(40, h);
        qToLittleEndian<int32_t>(4, h + 4);
        qToLittleEndian<int32_t>(2, h + 8);
        qToLittleEndian<uint16_t>(1, h + 12);
        qToLittleEndian<uint16_t>(compression == 1 ? 8 : 4, h + 14);
        qToLittleEndian<uint32_t>(compression, h + 16);
        qToLittleEndian<uint32_t>(3, h + 32);
        const uchar colors[] = {255, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0}; // blue, red, green
        std::memcpy(h + 40, colors, sizeof colors);
        Builder b;
        const uint32_t bitsPad = (static_cast<uint32_t>(bits.size()) + 3) / 4 * 4;
        const qsizetype at = b.w_.Begin(EMR_STRETCHDIBITS, 80 + 52 + bitsPad);
        b.w_.PutI32(at + 40, 4);
        b.w_.PutI32(at + 44, 2);
        b.w_.Put32(at + 48, 80);
        b.w_.Put32(at + 52, 52);
        b.w_.Put32(at + 56, 132);
        b.w_.Put32(at + 60, static_cast<uint32_t>(bits.size()));
        b.w_.Put32(at + 68, SRCCOPY);
        b.w_.PutI32(at + 72, 1000);
        b.w_.PutI32(at + 76, 1000);
        b.w_.PutBytes(at + 80, bmi.constData(), bmi.size());
        b.w_.PutBytes(at + 132, bits.constData(), bits.size());
        const QByteArray emf = b.Finish();
        ASSERT_EQ(CheckEnhMetaFile(emf), QString());
        const QImage image = PlayInto(emf, QSize(100, 100));
        EXPECT_EQ(image.pixel(10, 25), qRgb(0, 0, 255)) << compression;
        EXPECT_EQ(image.pixel(90, 25), qRgb(0, 255, 0)) << compression;
        EXPECT_EQ(image.pixel(10, 75), qRgb(255, 0, 0)) << compression;
        EXPECT_EQ(image.pixel(90, 75), qRgb(255, 0, 0)) << compression;
    }
}

// Run-length coded bitmaps claim their size in a few bytes of runs: those larger than is
// decoded whole are decoded where they show, at about the size they are drawn, and come
// out on the page as a whole decoding would; three of the largest drawn small (more than
// a play may decode whole) all show.
TEST(MetafilePlayer, LargeRunLengthCodedBitmapsShowWhereDrawn) {
    constexpr QRgb kRed = 0xFFFF0000, kBlue = 0xFF0000FF;
    struct Case {
        const char* name;
        uint32_t kind;            // a bitmap record, or a pattern brush filling a rectangle
        int side;                 // pixels of the square bitmap
        bool quarter;             // its top left quarter red, the rest blue; else all blue
        std::vector<QRect> dests; // pixels of the 100 x 100 page
        std::vector<std::pair<QPoint, QRgb>> expect;
    };
    const QRect page(0, 0, 100, 100);
    const Case cases[] = {
        {"drawn small",
         EMR_STRETCHDIBITS,
         2100,
         true,
         {QRect(0, 0, 50, 50)},
         {{{12, 12}, kRed},
          {{37, 12}, kBlue},
          {{12, 37}, kBlue},
          {{37, 37}, kBlue},
          {{75, 75}, kWhite}}},
        // Four page pixels to one of the bitmap's; its corner of colours at (50, 50).
        {"magnified, partly on the page",
         EMR_STRETCHBLT,
         2100,
         true,
         {QRect(-4150, -4150, 8400, 8400)},
         {{{45, 45}, kRed}, {{55, 45}, kBlue}, {{45, 55}, kBlue}, {{55, 55}, kBlue}}},
        {"pattern",
         EMR_CREATEDIBPATTERNBRUSHPT,
         2100,
         true,
         {page},
         {{{2, 2}, kRed}, {{97, 97}, kRed}}},
        {"three of the largest",
         EMR_STRETCHDIBITS,
         12000,
         false,
         {QRect(0, 0, 20, 20), QRect(30, 0, 20, 20), QRect(60, 0, 20, 20)},
         {{{10, 10}, kBlue}, {{40, 10}, kBlue}, {{70, 10}, kBlue}, {{25, 10}, kWhite}}},
        {"three of the largest copied",
         EMR_STRETCHBLT,
         12000,
         false,
         {QRect(0, 0, 20, 20), QRect(30, 0, 20, 20), QRect(60, 0, 20, 20)},
         {{{10, 10}, kBlue}, {{40, 10}, kBlue}, {{70, 10}, kBlue}}},
        {"three of the largest as patterns",
         EMR_CREATEDIBPATTERNBRUSHPT,
         12000,
         false,
         {QRect(0, 0, 20, 20), QRect(30, 0, 20, 20), QRect(60, 0, 20, 20)},
         {{{10, 10}, kBlue}, {{40, 10}, kBlue}, {{70, 10}, kBlue}}},
    };
    for (const Case& c : cases) {
        // Eight bits a pixel, two colours: blue, red. Rows bottom first.
        QByteArray bmi(48, '\0');
        auto* h = reinterpret_cast<uchar*>(bmi.data());
        qToLittleEndian<uint32_t>(40, h);
        qToLittleEndian<int32_t>(c.side, h + 4);
        qToLittleEndian<int32_t>(c.side, h + 8);
        qToLittleEndian<uint16_t>(1, h + 12);
        qToLittleEndian<uint16_t>(8, h + 14);
        qToLittleEndian<uint32_t>(1, h + 16);
        qToLittleEndian<uint32_t>(2, h + 32);
        h[40] = 255; // blue
        h[46] = 255; // red
        QByteArray bits;
        if (c.quarter) {
            const int half = c.side / 2;
            for (int y = 0; y < half; ++y)
                bits += QByteArray::fromHex("0000"); // the lower half: runs end at once
            for (int y = half; y < c.side; ++y) {
                for (int left = half; left > 0; left -= 255)
                    bits += char(std::min(left, 255)) + QByteArray(1, '\1');
                bits += QByteArray::fromHex("0000");
            }
        }
        bits += QByteArray::fromHex("0001");
        const auto cbBits = static_cast<uint32_t>(bits.size());
        const uint32_t bitsPad = (cbBits + 3) / 4 * 4;
        Builder b;
        b.Stock(NULL_PEN);
        int index = 1;
        for (const QRect& dest : c.dests) {
            const QRect d(dest.topLeft() * 10, dest.size() * 10); // ten units to a pixel
            if (c.kind == EMR_STRETCHDIBITS) {
                const qsizetype at = b.w_.Begin(c.kind, 80 + 48 + bitsPad);
                b.w_.PutI32(at + 24, d.x());
                b.w_.PutI32(at + 28, d.y());
                b.w_.PutI32(at + 40, c.side);
                b.w_.PutI32(at + 44, c.side);
                b.w_.Put32(at + 48, 80);
                b.w_.Put32(at + 52, 48);
                b.w_.Put32(at + 56, 128);
                b.w_.Put32(at + 60, cbBits);
                b.w_.Put32(at + 68, SRCCOPY);
                b.w_.PutI32(at + 72, d.width());
                b.w_.PutI32(at + 76, d.height());
                b.w_.PutBytes(at + 80, bmi.constData(), 48);
                b.w_.PutBytes(at + 128, bits.constData(), cbBits);
            } else if (c.kind == EMR_STRETCHBLT) {
                const qsizetype at = b.w_.Begin(c.kind, 108 + 48 + bitsPad);
                b.w_.PutI32(at + 24, d.x());
                b.w_.PutI32(at + 28, d.y());
                b.w_.PutI32(at + 32, d.width());
                b.w_.PutI32(at + 36, d.height());
                b.w_.Put32(at + 40, SRCCOPY);
                b.w_.PutF32(at + 52, 1);
                b.w_.PutF32(at + 64, 1);
                b.w_.Put32(at + 84, 108);
                b.w_.Put32(at + 88, 48);
                b.w_.Put32(at + 92, 156);
                b.w_.Put32(at + 96, cbBits);
                b.w_.PutI32(at + 100, c.side);
                b.w_.PutI32(at + 104, c.side);
                b.w_.PutBytes(at + 108, bmi.constData(), 48);
                b.w_.PutBytes(at + 156, bits.constData(), cbBits);
            } else {
                const qsizetype at = b.w_.Begin(c.kind, 32 + 48 + bitsPad);
                b.w_.Put32(at + 8, static_cast<uint32_t>(index));
                b.w_.Put32(at + 16, 32);
                b.w_.Put32(at + 20, 48);
                b.w_.Put32(at + 24, 80);
                b.w_.Put32(at + 28, cbBits);
                b.w_.PutBytes(at + 32, bmi.constData(), 48);
                b.w_.PutBytes(at + 80, bits.constData(), cbBits);
                b.Rec(EMR_SELECTOBJECT, {index++});
                b.Rec(EMR_RECTANGLE, {d.left(), d.top(), d.right() + 1, d.bottom() + 1});
            }
        }
        const QByteArray emf = b.Finish();
        ASSERT_EQ(CheckEnhMetaFile(emf), QString()) << c.name;
        const QImage image = PlayInto(emf, page.size());
        for (const auto& [at, colour] : c.expect)
            EXPECT_EQ(image.pixel(at), colour) << c.name << " at " << at.x() << ", " << at.y();
    }
}
