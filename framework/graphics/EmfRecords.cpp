#include "framework/graphics/EmfRecords.h"

#include "framework/core/SysUtils.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Units.h"

#include <array>
#include <cmath>
#include <cstring>

namespace emf {

namespace {

struct KindEntry {
    uint32_t type;
    TRecordKind kind;
};

constexpr uint8_t kObject = TRecordKind::kCreatesObject;
constexpr uint8_t kSetup = TRecordKind::kDeviceSetup;

// Every record kind with fixed fields: their smallest size and what they are.
constexpr KindEntry kKinds[] = {
    {EMR_HEADER, {88, 0}},
    {EMR_POLYBEZIER, {28, 0}},
    {EMR_POLYGON, {28, 0}},
    {EMR_POLYLINE, {28, 0}},
    {EMR_POLYBEZIERTO, {28, 0}},
    {EMR_POLYLINETO, {28, 0}},
    {EMR_POLYPOLYLINE, {32, 0}},
    {EMR_POLYPOLYGON, {32, 0}},
    {EMR_SETWINDOWEXTEX, {16, 0}},
    {EMR_SETWINDOWORGEX, {16, 0}},
    {EMR_SETVIEWPORTEXTEX, {16, 0}},
    {EMR_SETVIEWPORTORGEX, {16, 0}},
    {EMR_SETBRUSHORGEX, {16, 0}},
    {EMR_EOF, {20, 0}},
    {EMR_SETPIXELV, {20, 0}},
    {EMR_SETMAPPERFLAGS, {12, 0}},
    {EMR_SETMAPMODE, {12, 0}},
    {EMR_SETBKMODE, {12, 0}},
    {EMR_SETPOLYFILLMODE, {12, 0}},
    {EMR_SETROP2, {12, 0}},
    {EMR_SETSTRETCHBLTMODE, {12, 0}},
    {EMR_SETTEXTALIGN, {12, 0}},
    {EMR_SETCOLORADJUSTMENT, {32, 0}},
    {EMR_SETTEXTCOLOR, {12, 0}},
    {EMR_SETBKCOLOR, {12, 0}},
    {EMR_OFFSETCLIPRGN, {16, 0}},
    {EMR_MOVETOEX, {16, 0}},
    {EMR_SETMETARGN, {8, kSetup}},
    {EMR_EXCLUDECLIPRECT, {24, 0}},
    {EMR_INTERSECTCLIPRECT, {24, 0}},
    {EMR_SCALEVIEWPORTEXTEX, {24, 0}},
    {EMR_SCALEWINDOWEXTEX, {24, 0}},
    {EMR_SAVEDC, {8, 0}},
    {EMR_RESTOREDC, {12, 0}},
    {EMR_SETWORLDTRANSFORM, {32, 0}},
    {EMR_MODIFYWORLDTRANSFORM, {36, 0}},
    {EMR_SELECTOBJECT, {12, 0}},
    {EMR_CREATEPEN, {28, kObject}},
    {EMR_CREATEBRUSHINDIRECT, {24, kObject}},
    {EMR_DELETEOBJECT, {12, 0}},
    {EMR_ANGLEARC, {28, 0}},
    {EMR_ELLIPSE, {24, 0}},
    {EMR_RECTANGLE, {24, 0}},
    {EMR_ROUNDRECT, {32, 0}},
    {EMR_ARC, {40, 0}},
    {EMR_CHORD, {40, 0}},
    {EMR_PIE, {40, 0}},
    {EMR_SELECTPALETTE, {12, kSetup}},
    {EMR_CREATEPALETTE, {16, kObject | kSetup}},
    {EMR_SETPALETTEENTRIES, {20, kSetup}},
    {EMR_RESIZEPALETTE, {16, kSetup}},
    {EMR_REALIZEPALETTE, {8, kSetup}},
    {EMR_EXTFLOODFILL, {24, 0}},
    {EMR_LINETO, {16, 0}},
    {EMR_ARCTO, {40, 0}},
    {EMR_POLYDRAW, {28, 0}},
    {EMR_SETARCDIRECTION, {12, 0}},
    {EMR_SETMITERLIMIT, {12, 0}},
    {EMR_FILLPATH, {24, 0}},
    {EMR_STROKEANDFILLPATH, {24, 0}},
    {EMR_STROKEPATH, {24, 0}},
    {EMR_SELECTCLIPPATH, {12, 0}},
    {EMR_GDICOMMENT, {12, kSetup}},
    {EMR_FILLRGN, {32, 0}},
    {EMR_FRAMERGN, {40, 0}},
    {EMR_INVERTRGN, {28, 0}},
    {EMR_PAINTRGN, {28, 0}},
    {EMR_EXTSELECTCLIPRGN, {16, 0}},
    {EMR_BITBLT, {100, 0}},
    {EMR_STRETCHBLT, {108, 0}},
    {EMR_MASKBLT, {128, 0}},
    {EMR_PLGBLT, {140, 0}},
    {EMR_SETDIBITSTODEVICE, {76, 0}},
    {EMR_STRETCHDIBITS, {80, 0}},
    {EMR_EXTCREATEFONTINDIRECTW, {104, kObject}},
    {EMR_EXTTEXTOUTA, {60, 0}},
    {EMR_EXTTEXTOUTW, {60, 0}},
    {EMR_POLYBEZIER16, {28, 0}},
    {EMR_POLYGON16, {28, 0}},
    {EMR_POLYLINE16, {28, 0}},
    {EMR_POLYBEZIERTO16, {28, 0}},
    {EMR_POLYLINETO16, {28, 0}},
    {EMR_POLYPOLYLINE16, {32, 0}},
    {EMR_POLYPOLYGON16, {32, 0}},
    {EMR_POLYDRAW16, {28, 0}},
    {EMR_CREATEMONOBRUSH, {32, kObject}},
    {EMR_CREATEDIBPATTERNBRUSHPT, {32, kObject}},
    {EMR_EXTCREATEPEN, {52, kObject}},
    {EMR_SETICMMODE, {12, kSetup}},
    {EMR_CREATECOLORSPACE, {8, kObject | kSetup}},
    {EMR_SETCOLORSPACE, {8, kSetup}},
    {EMR_DELETECOLORSPACE, {8, kSetup}},
    {EMR_SMALLTEXTOUT, {36, 0}},
    {EMR_SETLAYOUT, {12, kSetup}},
    {EMR_TRANSPARENTBLT, {108, 0}},
    {EMR_GRADIENTFILL, {36, 0}},
    {EMR_ALPHABLEND, {108, 0}},
    {EMR_CREATECOLORSPACEW, {8, kObject | kSetup}},
};

constexpr uint32_t kHighestKind = EMR_CREATECOLORSPACEW;

// The table by type, made once.
const std::array<TRecordKind, kHighestKind + 1>& KindsByType() {
    static const auto table = [] {
        std::array<TRecordKind, kHighestKind + 1> t{};
        for (const KindEntry& e : kKinds)
            t[e.type] = e.kind;
        return t;
    }();
    return table;
}

QString CheckRegion(const TRecord& r, uint32_t at, uint32_t cb, bool mayBeEmpty) {
    if (cb == 0 && mayBeEmpty) return {};
    if (!r.Fits(at, cb)) return QStringLiteral("region data lies outside the record");
    if (cb < 32) return QStringLiteral("region data is shorter than its header");
    const uint64_t count = r.U(at + 8);
    if (32 + 16 * count > cb)
        return QStringLiteral("region of %1 rectangles does not fit its data").arg(count);
    return {};
}

QString CheckText(const TRecord& r) {
    const uint32_t options = r.U(52);
    const uint64_t chars = r.U(44);
    const uint64_t offString = r.U(48);
    const uint64_t charSize = r.type == EMR_EXTTEXTOUTW ? 2 : 1;
    if (chars > 0 && !r.Fits(offString, chars * charSize))
        return QStringLiteral("text of %1 characters lies outside the record").arg(chars);
    const uint64_t dxCount = chars * ((options & ETO_PDY) ? 2 : 1);
    // A file that sets ETO_NO_RECT may still carry the rectangle: take the layout that fits.
    const bool noRect = options & ETO_NO_RECT;
    for (uint32_t dxAt : {noRect ? 56u : 72u, 72u}) {
        if (r.size < dxAt + 4) continue;
        const uint64_t offDx = r.U(dxAt);
        if (offDx == 0 || r.Fits(offDx, 4 * dxCount)) return {};
    }
    return QStringLiteral("character advances lie outside the record");
}

} // namespace

TRecordKind RecordKind(uint32_t type) {
    if (type > kHighestKind) return {};
    return KindsByType()[type];
}

QString FromCp1252(const uchar* p, qsizetype n) {
    // The bytes where the code page differs from Latin-1.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    QString s(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        s[i] = p[i] >= 0x80 && p[i] < 0xA0 ? QChar(kHigh[p[i] - 0x80]) : QChar(p[i]);
    return s;
}

QPointF PixelsPerMillimetre(const TEnhMetaHeader& h) {
    if (h.device.width() > 0 && h.device.height() > 0) {
        if (h.micrometers.width() > 0 && h.micrometers.height() > 0)
            return {h.device.width() * 1000.0 / h.micrometers.width(),
                    h.device.height() * 1000.0 / h.micrometers.height()};
        if (h.millimeters.width() > 0 && h.millimeters.height() > 0)
            return {h.device.width() * 1.0 / h.millimeters.width(),
                    h.device.height() * 1.0 / h.millimeters.height()};
    }
    const auto screen =
        static_cast<double>(Units::Ratio(Units::kMillimetre, Units::Pixels(ScreenPixelsPerInch())));
    return {screen, screen};
}

QRectF FrameInPixels(const TEnhMetaHeader& h) {
    const QPointF k = PixelsPerMillimetre(h);
    // The frame is stored to 0.01 mm, so an edge within half of that from a whole pixel
    // is taken to be on it.
    auto edge = [](double v, double unit) {
        const double whole = std::nearbyint(v);
        return std::abs(v - whole) <= unit / 2 + 1e-9 ? whole : v;
    };
    const TRectL& f = h.frame;
    if (int64_t(f.right) - f.left > 0 && int64_t(f.bottom) - f.top > 0) {
        const double ux = k.x() / 100, uy = k.y() / 100;
        return QRectF(QPointF(edge(f.left * ux, ux), edge(f.top * uy, uy)),
                      QPointF(edge(f.right * ux, ux), edge(f.bottom * uy, uy)));
    }
    const TRectL& b = h.bounds;
    if (int64_t(b.right) - b.left >= 0 && int64_t(b.bottom) - b.top >= 0)
        return QRectF(QPointF(b.left, b.top), QPointF(b.right + 1.0, b.bottom + 1.0));
    return {};
}

// Millimetres in one of a fixed map mode's logical units.
static double MillimetresOf(Units::TLengthUnit unit) {
    return static_cast<double>(Units::Ratio(unit, Units::kMillimetre));
}

QTransform PageTransform(uint32_t mapMode, QPointF winOrg, QSizeF winExt, QPointF vpOrg,
                         QSizeF vpExt, QPointF k) {
    double sx = 1, sy = 1;
    switch (mapMode) {
    case 2:
        sx = k.x() * MillimetresOf(Units::kTenthMm), sy = -k.y() * MillimetresOf(Units::kTenthMm);
        break;
    case 3:
        sx = k.x() * MillimetresOf(Units::kHimetric), sy = -k.y() * MillimetresOf(Units::kHimetric);
        break;
    case 4:
        sx = k.x() * MillimetresOf(Units::kLoEnglish),
        sy = -k.y() * MillimetresOf(Units::kLoEnglish);
        break;
    case 5:
        sx = k.x() * MillimetresOf(Units::kHiEnglish),
        sy = -k.y() * MillimetresOf(Units::kHiEnglish);
        break;
    case 6:
        sx = k.x() * MillimetresOf(Units::kTwip), sy = -k.y() * MillimetresOf(Units::kTwip);
        break;
    case 7:
    case 8:
        if (winExt.width() == 0 || winExt.height() == 0) break;
        sx = vpExt.width() / winExt.width();
        sy = vpExt.height() / winExt.height();
        if (mapMode == 7) { // isotropic: the larger scale shrinks to the smaller
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
        break;
    default:
        break;
    }
    return QTransform(sx, 0, 0, sy, vpOrg.x() - winOrg.x() * sx, vpOrg.y() - winOrg.y() * sy);
}

bool ParseHeader(const uchar* d, qsizetype size, TEnhMetaHeader& h, QString* why) {
    auto fail = [&](const QString& reason) {
        if (why) *why = reason;
        return false;
    };
    if (size < 88) return fail(QStringLiteral("shorter than a metafile header"));
    if (U32(d) != EMR_HEADER) return fail(QStringLiteral("does not start with a header record"));
    const uint32_t headerSize = U32(d + 4);
    if (headerSize < 88 || headerSize % 4 != 0)
        return fail(QStringLiteral("header size %1 is not valid").arg(headerSize));
    if (headerSize > size) return fail(QStringLiteral("header runs past the end"));
    if (U32(d + 40) != kSignature) return fail(QStringLiteral("signature is missing"));
    h = {};
    h.headerSize = headerSize;
    h.bounds = RectL(d + 8);
    h.frame = RectL(d + 24);
    h.version = U32(d + 44);
    h.bytes = U32(d + 48);
    h.records = U32(d + 52);
    h.handles = U16(d + 56);
    const uint32_t nDescription = U32(d + 60), offDescription = U32(d + 64);
    h.palEntries = U32(d + 68);
    h.device = QSize(I32(d + 72), I32(d + 76));
    h.millimeters = QSize(I32(d + 80), I32(d + 84));
    if (nDescription > 0) {
        const uint64_t end = static_cast<uint64_t>(offDescription) + 2ULL * nDescription;
        if (offDescription < 88 || end > headerSize)
            return fail(QStringLiteral("description lies outside the header"));
        QString text(static_cast<qsizetype>(nDescription), Qt::Uninitialized);
        for (uint32_t i = 0; i < nDescription; ++i)
            text[i] = QChar(U16(d + offDescription + 2 * i));
        while (text.endsWith(QChar(0)))
            text.chop(1);
        h.description = text;
    }
    // The second extension is there only when nothing else starts inside it.
    const bool descriptionClear = nDescription == 0 || offDescription >= 108;
    if (headerSize >= 108 && descriptionClear) {
        const uint32_t cbPixelFormat = U32(d + 88), offPixelFormat = U32(d + 92);
        if (cbPixelFormat == 0 || offPixelFormat >= 108)
            h.micrometers = QSize(I32(d + 100), I32(d + 104));
    }
    return true;
}

QString CheckRecordDib(const TRecord& r, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                       uint32_t cbBits, uint32_t usage) {
    if (!r.Fits(offBmi, cbBmi)) return QStringLiteral("bitmap header lies outside the record");
    if (cbBmi < 12) return QStringLiteral("bitmap header is too short");
    const uchar* bmi = r.data + offBmi;
    const uint32_t biSize = U32(bmi);
    int64_t width, height;
    uint32_t bitCount, compression = 0, clrUsed = 0;
    const bool core = biSize == 12;
    if (core) {
        width = U16(bmi + 4);
        height = I16(bmi + 6);
        bitCount = U16(bmi + 10);
    } else {
        if (biSize < 40 || biSize > cbBmi)
            return QStringLiteral("bitmap header size %1 is not valid").arg(biSize);
        width = I32(bmi + 4);
        height = I32(bmi + 8);
        bitCount = U16(bmi + 14);
        compression = U32(bmi + 16);
        clrUsed = U32(bmi + 32);
    }
    const int64_t rows = height < 0 ? -height : height;
    if (width <= 0 || rows == 0)
        return QStringLiteral("bitmap of %1 x %2 pixels is not valid").arg(width).arg(height);
    if (width * rows > kMaxBitmapPixels)
        return QStringLiteral("bitmap of %1 x %2 pixels is too large").arg(width).arg(rows);
    const bool embedded = compression == 4 || compression == 5; // JPEG or PNG inside
    if (compression > 6)
        return QStringLiteral("bitmap compression %1 is not known").arg(compression);
    if (!embedded && bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 &&
        bitCount != 24 && bitCount != 32)
        return QStringLiteral("bitmap bit count %1 is not valid").arg(bitCount);
    if (!embedded && bitCount <= 8) {
        const uint64_t most = 1ULL << bitCount;
        if (clrUsed > most)
            return QStringLiteral("bitmap colour count %1 exceeds %2").arg(clrUsed).arg(most);
        const uint64_t entry = usage == 1 ? 2 : core ? 3 : 4;
        if (biSize + (clrUsed ? clrUsed : most) * entry > cbBmi)
            return QStringLiteral("bitmap colour table runs past the bitmap header");
    }
    if ((compression == 3 || compression == 6) && biSize == 40 && cbBmi < 52)
        return QStringLiteral("bitmap colour masks are missing");
    if (!r.Fits(offBits, cbBits)) return QStringLiteral("bitmap pixels lie outside the record");
    if (compression == 0 || compression == 3 || compression == 6) {
        const int64_t stride = (width * bitCount + 31) / 32 * 4;
        if (stride * rows > cbBits)
            return QStringLiteral(
                       "bitmap of %1 x %2 pixels at %3 bits needs %4 bytes, the record holds %5")
                .arg(width)
                .arg(rows)
                .arg(bitCount)
                .arg(stride * rows)
                .arg(cbBits);
    }
    return {};
}

QString CheckRecord(const TRecord& r) {
    const uint32_t minimum = RecordKind(r.type).minimumSize;
    if (r.size < minimum) return QStringLiteral("size %1 is below %2").arg(r.size).arg(minimum);
    const uint64_t size = r.size;
    switch (r.type) {
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
        if (28 + 8ULL * r.U(24) > size) return QStringLiteral("%1 points do not fit").arg(r.U(24));
        break;
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16:
        if (28 + 4ULL * r.U(24) > size) return QStringLiteral("%1 points do not fit").arg(r.U(24));
        break;
    case EMR_POLYDRAW:
        if (28 + 9ULL * r.U(24) > size) return QStringLiteral("%1 points do not fit").arg(r.U(24));
        break;
    case EMR_POLYDRAW16:
        if (28 + 5ULL * r.U(24) > size) return QStringLiteral("%1 points do not fit").arg(r.U(24));
        break;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16: {
        const uint64_t polys = r.U(24), points = r.U(28);
        const uint64_t pointSize = r.type == EMR_POLYPOLYLINE || r.type == EMR_POLYPOLYGON ? 8 : 4;
        if (32 + 4 * polys + pointSize * points > size)
            return QStringLiteral("%1 polygons of %2 points do not fit").arg(polys).arg(points);
        uint64_t sum = 0;
        for (uint64_t i = 0; i < polys; ++i)
            sum += r.U(static_cast<uint32_t>(32 + 4 * i));
        if (sum != points) return QStringLiteral("polygon point counts do not add up");
        break;
    }
    case EMR_EOF: {
        const uint64_t n = r.U(8);
        if (n > 0 && !r.Fits(r.U(12), 4 * n))
            return QStringLiteral("palette lies outside the record");
        break;
    }
    case EMR_CREATEPALETTE:
        if (16 + 4ULL * r.U16At(14) > size) return QStringLiteral("palette entries do not fit");
        break;
    case EMR_SETPALETTEENTRIES:
        if (20 + 4ULL * r.U(16) > size) return QStringLiteral("palette entries do not fit");
        break;
    case EMR_GDICOMMENT:
        if (12 + static_cast<uint64_t>(r.U(8)) > size)
            return QStringLiteral("comment data runs past the record");
        break;
    case EMR_FILLRGN:
        return CheckRegion(r, 32, r.U(24), false);
    case EMR_FRAMERGN:
        return CheckRegion(r, 40, r.U(24), false);
    case EMR_INVERTRGN:
    case EMR_PAINTRGN:
        return CheckRegion(r, 28, r.U(24), false);
    case EMR_EXTSELECTCLIPRGN:
        return CheckRegion(r, 16, r.U(8), true);
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT:
    case EMR_MASKBLT:
        if (r.U(88) != 0) return CheckRecordDib(r, r.U(84), r.U(88), r.U(92), r.U(96), r.U(80));
        break;
    case EMR_SETDIBITSTODEVICE:
    case EMR_STRETCHDIBITS:
        return CheckRecordDib(r, r.U(48), r.U(52), r.U(56), r.U(60), r.U(64));
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT:
        return CheckRecordDib(r, r.U(16), r.U(20), r.U(24), r.U(28), r.U(12));
    case EMR_EXTCREATEPEN:
        if (52 + 4ULL * r.U(48) > size) return QStringLiteral("dash lengths do not fit");
        if (r.U(16) != 0) return CheckRecordDib(r, r.U(12), r.U(16), r.U(20), r.U(24), 0);
        break;
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        if (!(r.U(52) & ETO_NO_RECT) && r.size < 76)
            return QStringLiteral("size %1 is below 76").arg(r.size);
        return CheckText(r);
    case EMR_SMALLTEXTOUT: {
        const uint32_t options = r.U(20);
        const uint64_t at = (options & ETO_NO_RECT) ? 36 : 52;
        const uint64_t bytes =
            static_cast<uint64_t>(r.U(16)) * ((options & ETO_SMALL_CHARS) ? 1 : 2);
        if (at + bytes > size) return QStringLiteral("text lies outside the record");
        break;
    }
    default:
        break;
    }
    return {};
}

QString CheckEnhMetaFile(const QByteArray& emf) {
    const auto* d = reinterpret_cast<const uchar*>(emf.constData());
    TEnhMetaHeader h;
    QString why;
    if (!ParseHeader(d, emf.size(), h, &why)) return why;
    if (h.bytes > kMaxBytes) return QStringLiteral("byte count %1 is too large").arg(h.bytes);
    if (h.bytes < h.headerSize)
        return QStringLiteral("byte count %1 is smaller than the header").arg(h.bytes);
    if (h.bytes > emf.size())
        return QStringLiteral("byte count %1 exceeds the %2 bytes present")
            .arg(h.bytes)
            .arg(emf.size());
    const qsizetype end = h.bytes;
    qsizetype pos = h.headerSize;
    for (int64_t index = 1; pos < end; ++index) {
        const QString where = QStringLiteral("record %1 at offset %2: ").arg(index).arg(pos);
        if (end - pos < 8) return where + QStringLiteral("cut off");
        TRecord r{U32(d + pos), U32(d + pos + 4), d + pos};
        if (r.size < 8) return where + QStringLiteral("size %1 is below 8").arg(r.size);
        if (r.size % 4 != 0)
            return where + QStringLiteral("size %1 is not a multiple of 4").arg(r.size);
        if (r.size > end - pos)
            return where + QStringLiteral("size %1 runs past the end").arg(r.size);
        if (r.type == EMR_HEADER) return where + QStringLiteral("a second header");
        const QString bad = CheckRecord(r);
        if (!bad.isEmpty()) return where + QStringLiteral("type %1, ").arg(r.type) + bad;
        if (r.type == EMR_EOF) return {};
        pos += r.size;
    }
    return QStringLiteral("no end record");
}

// ---- Walking -------------------------------------------------------------------------

TRecordWalker::TRecordWalker(const QByteArray& emf)
    : data_(reinterpret_cast<const uchar*>(emf.constData())), end_(0) {
    if (emf.size() < 88) {
        done_ = true;
        return;
    }
    const uint32_t bytes = U32(data_ + 48);
    end_ = std::min<qsizetype>(emf.size(), bytes);
    pos_ = 0;
}

bool TRecordWalker::Next(TRecord& r) {
    if (done_ || end_ - pos_ < 8) return false;
    r = {U32(data_ + pos_), U32(data_ + pos_ + 4), data_ + pos_};
    if (r.size < 8 || r.size % 4 != 0 || r.size > end_ - pos_) {
        done_ = true;
        return false;
    }
    pos_ += r.size;
    if (r.type == EMR_EOF) done_ = true;
    return true;
}

// ---- Writing -------------------------------------------------------------------------

namespace {
constexpr uint32_t kHeaderSize = 108;
}

TEmfWriter::TEmfWriter() {
    data_.fill('\0', kHeaderSize);
}

qsizetype TEmfWriter::Begin(uint32_t type, uint32_t size) {
    const qsizetype at = data_.size();
    data_.append(static_cast<qsizetype>(size), '\0');
    Put32(at, type);
    Put32(at + 4, size);
    ++records_;
    return at;
}

void TEmfWriter::Truncate(qsizetype at, uint32_t records) {
    if (at < data_.size()) data_.truncate(at);
    records_ = records;
}

void TEmfWriter::Put32(qsizetype at, uint32_t v) {
    qToLittleEndian<uint32_t>(v, reinterpret_cast<uchar*>(data_.data()) + at);
}
void TEmfWriter::Put16(qsizetype at, uint16_t v) {
    qToLittleEndian<uint16_t>(v, reinterpret_cast<uchar*>(data_.data()) + at);
}
void TEmfWriter::PutF32(qsizetype at, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    Put32(at, bits);
}
void TEmfWriter::PutRect(qsizetype at, const TRectL& r) {
    PutI32(at, r.left);
    PutI32(at + 4, r.top);
    PutI32(at + 8, r.right);
    PutI32(at + 12, r.bottom);
}
void TEmfWriter::PutBytes(qsizetype at, const void* bytes, qsizetype n) {
    if (n > 0) std::memcpy(data_.data() + at, bytes, static_cast<size_t>(n));
}

void TEmfWriter::PutDibFields(qsizetype fields, uint32_t data, qsizetype cbBmi, qsizetype cbBits) {
    Put32(fields, data);
    Put32(fields + 4, static_cast<uint32_t>(cbBmi));
    Put32(fields + 8, static_cast<uint32_t>(data + (static_cast<uint64_t>(cbBmi) + 3) / 4 * 4));
    Put32(fields + 12, static_cast<uint32_t>(cbBits));
}

void TEmfWriter::PutDib(qsizetype record, uint32_t fields, uint32_t data, QByteArrayView bmi,
                        QByteArrayView bits) {
    PutDibFields(record + fields, data, bmi.size(), bits.size());
    PutBytes(record + data, bmi.data(), bmi.size());
    PutBytes(record + data + (bmi.size() + 3) / 4 * 4, bits.data(), bits.size());
}

qsizetype TEmfWriter::StretchDIBits(const TRectL& bounds, const QRect& dest, const QRect& src,
                                    uint32_t usage, uint32_t rop, QByteArrayView info,
                                    qsizetype cbBits,
                                    const std::function<void(uchar*)>& writeBits) {
    const uint64_t bmiPadded = (static_cast<uint64_t>(info.size()) + 3) / 4 * 4;
    const uint64_t bitsPadded = (static_cast<uint64_t>(cbBits) + 3) / 4 * 4;
    // The record is not zeroed first: every byte of it is written below (the pixels may
    // be tens of megabytes, and a zeroing pass over them would be thrown away).
    const auto size = static_cast<uint32_t>(80 + bmiPadded + bitsPadded);
    const qsizetype at = data_.size();
    data_.resize(at + static_cast<qsizetype>(size));
    Put32(at, EMR_STRETCHDIBITS);
    Put32(at + 4, size);
    ++records_;
    PutRect(at + 8, bounds);
    PutI32(at + 24, dest.x());
    PutI32(at + 28, dest.y());
    PutI32(at + 32, src.x());
    PutI32(at + 36, src.y());
    PutI32(at + 40, src.width());
    PutI32(at + 44, src.height());
    PutDibFields(at + 48, 80, info.size(), cbBits);
    Put32(at + 64, usage);
    Put32(at + 68, rop);
    PutI32(at + 72, dest.width());
    PutI32(at + 76, dest.height());
    PutBytes(at + 80, info.data(), info.size());
    std::memset(MutableDataAt(at + 80 + info.size()), 0,
                static_cast<size_t>(bmiPadded - static_cast<uint64_t>(info.size())));
    uchar* bits = MutableDataAt(at + 80 + static_cast<qsizetype>(bmiPadded));
    writeBits(bits);
    std::memset(bits + cbBits, 0, static_cast<size_t>(bitsPadded - static_cast<uint64_t>(cbBits)));
    return at;
}

void TEmfWriter::Simple(uint32_t type) {
    Begin(type, 8);
}
void TEmfWriter::Simple(uint32_t type, uint32_t a) {
    Put32(Begin(type, 12) + 8, a);
}
void TEmfWriter::Simple(uint32_t type, uint32_t a, uint32_t b) {
    const qsizetype at = Begin(type, 16);
    Put32(at + 8, a);
    Put32(at + 12, b);
}

void TEmfWriter::AddBounds(const TRectL& b) {
    if (b.right < b.left || b.bottom < b.top) return;
    if (!anyBounds_) {
        bounds_ = b;
        anyBounds_ = true;
        return;
    }
    bounds_.left = std::min(bounds_.left, b.left);
    bounds_.top = std::min(bounds_.top, b.top);
    bounds_.right = std::max(bounds_.right, b.right);
    bounds_.bottom = std::max(bounds_.bottom, b.bottom);
}

uint32_t TEmfWriter::NewHandle() {
    for (uint32_t i = 1; i < used_.size(); ++i)
        if (!used_[i]) {
            used_[i] = true;
            maxHandle_ = std::max(maxHandle_, i);
            return i;
        }
    used_.push_back(true);
    const auto index = static_cast<uint32_t>(used_.size() - 1);
    maxHandle_ = std::max(maxHandle_, index);
    return index;
}

void TEmfWriter::Release(uint32_t handle) {
    if (handle > 0 && handle < used_.size()) used_[handle] = false;
}

QByteArray TEmfWriter::Finish(const TRectL& frame, QSize device, QSize micrometers,
                              const QString& description) {
    const qsizetype eof = Begin(EMR_EOF, 20);
    Put32(eof + 12, 16);
    Put32(eof + 16, 20);
    // The description sits after the fixed header; it is known only now, so the records
    // move up to make room for it.
    const qsizetype units = description.isEmpty() ? 0 : description.size() + 2;
    const qsizetype descBytes = (units * 2 + 3) / 4 * 4;
    if (descBytes > 0) {
        QByteArray desc(descBytes, '\0');
        for (qsizetype i = 0; i < description.size(); ++i)
            qToLittleEndian<uint16_t>(description[i].unicode(),
                                      reinterpret_cast<uchar*>(desc.data()) + 2 * i);
        data_.insert(kHeaderSize, desc);
    }
    Put32(0, EMR_HEADER);
    Put32(4, static_cast<uint32_t>(kHeaderSize + descBytes));
    PutRect(8, anyBounds_ ? bounds_ : TRectL{0, 0, -1, -1});
    PutRect(24, frame);
    Put32(40, kSignature);
    Put32(44, 0x00010000);
    Put32(48, static_cast<uint32_t>(data_.size()));
    Put32(52, records_);
    Put16(56, static_cast<uint16_t>(std::min<uint32_t>(maxHandle_ + 1, 0xFFFF)));
    Put32(60, static_cast<uint32_t>(units));
    Put32(64, units ? kHeaderSize : 0);
    PutI32(72, device.width());
    PutI32(76, device.height());
    PutI32(80, std::max(1, RoundInt(micrometers.width() / 1000.0L)));
    PutI32(84, std::max(1, RoundInt(micrometers.height() / 1000.0L)));
    PutI32(100, micrometers.width());
    PutI32(104, micrometers.height());
    QByteArray out;
    out.swap(data_);
    return out;
}

} // namespace emf
