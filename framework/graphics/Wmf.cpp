#include "framework/graphics/Wmf.h"

#include "framework/core/SysUtils.h"
#include "framework/graphics/EmfRecords.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Units.h"

#include <functional>
#include <vector>

using namespace emf;

namespace {

uint32_t Pad4(uint64_t n) {
    return static_cast<uint32_t>((n + 3) / 4 * 4);
}

class Converter {
public:
    Converter(const uchar* data, qsizetype size) : d_(data), size_(size) {}
    QByteArray Run(QString* why);

private:
    struct Record {
        const uchar* p;
        uint32_t words; // parameter words
        uint16_t W(uint32_t i) const { return U16(p + 6 + 2 * i); }
        int16_t S(uint32_t i) const { return I16(p + 6 + 2 * i); }
        uint32_t Dword(uint32_t i) const { return W(i) | (static_cast<uint32_t>(W(i + 1)) << 16); }
        const uchar* Bytes(uint32_t wordOffset) const { return p + 6 + 2 * wordOffset; }
    };
    // What one function of the Windows metafile becomes.
    using Convert = bool (Converter::*)(const Record& r, uint32_t emfType);
    struct Kind {
        uint16_t function;
        uint32_t words;   // parameter words it needs at least
        Convert convert;  // false when the record is too short for its fields
        uint32_t emfType; // the enhanced record it becomes, where that is one kind
    };
    static const Kind* KindOf(uint16_t function);
    bool ConvertRecord(const Record& r, uint16_t function);

    bool SaveDC(const Record& r, uint32_t type);
    bool RestoreDC(const Record& r, uint32_t type);
    bool WordState(const Record& r, uint32_t type);
    bool ColourState(const Record& r, uint32_t type);
    bool WindowOrigin(const Record& r, uint32_t type);
    bool OffsetWindowOrigin(const Record& r, uint32_t type);
    bool WindowExtent(const Record& r, uint32_t type);
    bool ScaleWindowExtent(const Record& r, uint32_t type);
    bool PointRecord(const Record& r, uint32_t type);
    bool RectRecord(const Record& r, uint32_t type);
    bool RoundRect(const Record& r, uint32_t type);
    bool ArcRecord(const Record& r, uint32_t type);
    bool Poly(const Record& r, uint32_t type);
    bool PolyPolygon(const Record& r, uint32_t type);
    bool CreatePen(const Record& r, uint32_t type);
    bool CreateBrush(const Record& r, uint32_t type);
    bool CreateFont(const Record& r, uint32_t type);
    bool CreateDibBrush(const Record& r, uint32_t type);
    bool CreateGreyBrush(const Record& r, uint32_t type);
    bool HoldSlot(const Record& r, uint32_t type);
    bool SelectObject(const Record& r, uint32_t type);
    bool DeleteObject(const Record& r, uint32_t type);
    bool TextOut(const Record& r, uint32_t type);
    bool ExtTextOut(const Record& r, uint32_t type);
    bool StretchDibRecord(const Record& r, uint32_t type);
    bool DibStretchBlt(const Record& r, uint32_t type);
    bool DibBitBlt(const Record& r, uint32_t type);
    bool PatBlt(const Record& r, uint32_t type);

    void Point2(uint32_t type, int32_t x, int32_t y) {
        w_.Simple(type, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
    }
    void Rect(uint32_t type, const Record& r, uint32_t first);
    int Slot();
    void Create(uint32_t type, uint32_t size, const std::function<void(qsizetype)>& fill);
    void Text(int32_t x, int32_t y, uint32_t options, const TRectL* rect, const QString& text,
              const std::vector<int32_t>& dx);
    bool Dib(const Record& r, uint32_t wordOffset, uint32_t usage, QByteArray& bmi,
             QByteArray& bits);
    void StretchDib(const QRect& dest, const QRect& src, uint32_t rop, const QByteArray& bmi,
                    const QByteArray& bits, uint32_t usage);
    void Blt(uint32_t type, const QRect& dest, const QRect& src, uint32_t rop,
             const QByteArray& bmi, const QByteArray& bits);

    const uchar* d_;
    qsizetype size_;
    TEmfWriter w_;
    std::vector<int64_t> slots_; // EMF index per Windows-metafile object slot; 0: kept out
    QPointF winOrg_;
};

int Converter::Slot() {
    for (size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i] < 0) return static_cast<int>(i);
    slots_.push_back(-1);
    return static_cast<int>(slots_.size() - 1);
}

void Converter::Create(uint32_t type, uint32_t size, const std::function<void(qsizetype)>& fill) {
    const int slot = Slot();
    if (type == 0) {
        slots_[static_cast<size_t>(slot)] = 0;
        return;
    }
    const uint32_t index = w_.NewHandle();
    slots_[static_cast<size_t>(slot)] = index;
    const qsizetype at = w_.Begin(type, size);
    w_.Put32(at + 8, index);
    fill(at);
}

void Converter::Rect(uint32_t type, const Record& r, uint32_t first) {
    // Stored bottom, right, top, left.
    const qsizetype at = w_.Begin(type, 24);
    w_.PutRect(at + 8, {r.S(first + 3), r.S(first + 2), r.S(first + 1), r.S(first)});
}

void Converter::Text(int32_t x, int32_t y, uint32_t options, const TRectL* rect,
                     const QString& text, const std::vector<int32_t>& dx) {
    const auto chars = static_cast<uint32_t>(text.size());
    const uint32_t stringBytes = Pad4(2ULL * chars);
    const bool hasDx = dx.size() == chars && chars > 0;
    const uint32_t size = 76 + stringBytes + (hasDx ? 4 * chars : 0);
    const qsizetype at = w_.Begin(EMR_EXTTEXTOUTW, size);
    w_.Put32(at + 24, 1);
    w_.PutI32(at + 36, x);
    w_.PutI32(at + 40, y);
    w_.Put32(at + 44, chars);
    w_.Put32(at + 48, 76);
    w_.Put32(at + 52, rect ? options : options & ~6u);
    w_.PutRect(at + 56, rect ? *rect : TRectL{0, 0, -1, -1});
    w_.Put32(at + 72, hasDx ? 76 + stringBytes : 0);
    for (uint32_t i = 0; i < chars; ++i)
        w_.Put16(at + 76 + 2 * i, text[i].unicode());
    if (hasDx)
        for (uint32_t i = 0; i < chars; ++i)
            w_.PutI32(at + 76 + stringBytes + 4 * i, dx[i]);
}

// Splits a packed bitmap (header, colour table, pixels) that starts at wordOffset.
bool Converter::Dib(const Record& r, uint32_t wordOffset, uint32_t usage, QByteArray& bmi,
                    QByteArray& bits) {
    const uint64_t avail = 2ULL * r.words - 2ULL * wordOffset;
    if (2ULL * wordOffset > 2ULL * r.words || avail < 12) return false;
    const uchar* p = r.Bytes(wordOffset);
    const uint32_t biSize = U32(p);
    uint64_t table = 0;
    if (biSize == 12) {
        const uint32_t bpp = U16(p + 10);
        if (bpp <= 8) table = 3ULL << bpp;
    } else {
        if (biSize < 40 || avail < 40) return false;
        const uint32_t bpp = U16(p + 14), compression = U32(p + 16), used = U32(p + 32);
        const uint64_t entries = used ? used : bpp <= 8 ? 1ULL << bpp : 0;
        table = entries * (usage == 1 ? 2 : 4);
        if ((compression == 3 || compression == 6) && biSize == 40)
            table += compression == 3 ? 12 : 16;
    }
    const uint64_t header = biSize + table;
    if (header > avail) return false;
    bmi = QByteArray(reinterpret_cast<const char*>(p), static_cast<qsizetype>(header));
    bits = QByteArray(reinterpret_cast<const char*>(p + header),
                      static_cast<qsizetype>(avail - header));
    return true;
}

void Converter::StretchDib(const QRect& dest, const QRect& src, uint32_t rop, const QByteArray& bmi,
                           const QByteArray& bits, uint32_t usage) {
    w_.StretchDIBits({}, dest, src, usage, rop, bmi, bits.size(), [&](uchar* out) {
        if (!bits.isEmpty()) std::memcpy(out, bits.constData(), static_cast<size_t>(bits.size()));
    });
}

void Converter::Blt(uint32_t type, const QRect& dest, const QRect& src, uint32_t rop,
                    const QByteArray& bmi, const QByteArray& bits) {
    const uint32_t fixed = type == EMR_BITBLT ? 100 : 108;
    const uint32_t bmiPad = Pad4(bmi.size()), bitsPad = Pad4(bits.size());
    const qsizetype at = w_.Begin(type, fixed + bmiPad + bitsPad);
    w_.PutI32(at + 24, dest.x());
    w_.PutI32(at + 28, dest.y());
    w_.PutI32(at + 32, dest.width());
    w_.PutI32(at + 36, dest.height());
    w_.Put32(at + 40, rop);
    w_.PutI32(at + 44, src.x());
    w_.PutI32(at + 48, src.y());
    w_.PutF32(at + 52, 1);
    w_.PutF32(at + 64, 1);
    if (!bmi.isEmpty()) w_.PutDib(at, 84, fixed, bmi, bits);
    if (type == EMR_STRETCHBLT) {
        w_.PutI32(at + 100, src.width());
        w_.PutI32(at + 104, src.height());
    }
}

const Converter::Kind* Converter::KindOf(uint16_t function) {
    static constexpr Kind kKinds[] = {
        {0x001E, 0, &Converter::SaveDC, EMR_SAVEDC},
        {0x0127, 1, &Converter::RestoreDC, EMR_RESTOREDC},
        {0x0102, 1, &Converter::WordState, EMR_SETBKMODE},
        {0x0104, 1, &Converter::WordState, EMR_SETROP2},
        {0x0106, 1, &Converter::WordState, EMR_SETPOLYFILLMODE},
        {0x0107, 1, &Converter::WordState, EMR_SETSTRETCHBLTMODE},
        {0x012E, 1, &Converter::WordState, EMR_SETTEXTALIGN},
        {0x0201, 2, &Converter::ColourState, EMR_SETBKCOLOR},
        {0x0209, 2, &Converter::ColourState, EMR_SETTEXTCOLOR},
        {0x020B, 2, &Converter::WindowOrigin, EMR_SETWINDOWORGEX},
        {0x020F, 2, &Converter::OffsetWindowOrigin, EMR_SETWINDOWORGEX},
        {0x020C, 2, &Converter::WindowExtent, EMR_SETWINDOWEXTEX},
        {0x0410, 4, &Converter::ScaleWindowExtent, EMR_SCALEWINDOWEXTEX},
        {0x0214, 2, &Converter::PointRecord, EMR_MOVETOEX},
        {0x0213, 2, &Converter::PointRecord, EMR_LINETO},
        {0x0220, 2, &Converter::PointRecord, EMR_OFFSETCLIPRGN},
        {0x041B, 4, &Converter::RectRecord, EMR_RECTANGLE},
        {0x0418, 4, &Converter::RectRecord, EMR_ELLIPSE},
        {0x0416, 4, &Converter::RectRecord, EMR_INTERSECTCLIPRECT},
        {0x0415, 4, &Converter::RectRecord, EMR_EXCLUDECLIPRECT},
        {0x061C, 6, &Converter::RoundRect, EMR_ROUNDRECT},
        {0x0817, 8, &Converter::ArcRecord, EMR_ARC},
        {0x081A, 8, &Converter::ArcRecord, EMR_PIE},
        {0x0830, 8, &Converter::ArcRecord, EMR_CHORD},
        {0x0324, 1, &Converter::Poly, EMR_POLYGON16},
        {0x0325, 1, &Converter::Poly, EMR_POLYLINE16},
        {0x0538, 1, &Converter::PolyPolygon, EMR_POLYPOLYGON16},
        {0x02FA, 5, &Converter::CreatePen, EMR_CREATEPEN},
        {0x02FC, 4, &Converter::CreateBrush, EMR_CREATEBRUSHINDIRECT},
        {0x02FB, 9, &Converter::CreateFont, EMR_EXTCREATEFONTINDIRECTW},
        {0x0142, 2, &Converter::CreateDibBrush, EMR_CREATEDIBPATTERNBRUSHPT},
        {0x01F9, 0, &Converter::CreateGreyBrush, EMR_CREATEBRUSHINDIRECT},
        {0x00F7, 0, &Converter::HoldSlot, 0}, // palette
        {0x06FF, 0, &Converter::HoldSlot, 0}, // region
        {0x012D, 1, &Converter::SelectObject, EMR_SELECTOBJECT},
        {0x01F0, 1, &Converter::DeleteObject, EMR_DELETEOBJECT},
        {0x0521, 1, &Converter::TextOut, EMR_EXTTEXTOUTW},
        {0x0A32, 4, &Converter::ExtTextOut, EMR_EXTTEXTOUTW},
        {0x0F43, 11, &Converter::StretchDibRecord, EMR_STRETCHDIBITS},
        {0x0B41, 10, &Converter::DibStretchBlt, EMR_STRETCHBLT},
        {0x0940, 8, &Converter::DibBitBlt, EMR_BITBLT},
        {0x061D, 6, &Converter::PatBlt, EMR_BITBLT},
    };
    for (const Kind& k : kKinds)
        if (k.function == function) return &k;
    return nullptr;
}

// False when the record is too short for its fields. Functions without a kind (mapping
// mode, viewport, regions, escapes) are left out: the frame decides the mapping.
bool Converter::ConvertRecord(const Record& r, uint16_t function) {
    const Kind* kind = KindOf(function);
    if (!kind) return true;
    if (r.words < kind->words) return false;
    return (this->*kind->convert)(r, kind->emfType);
}

bool Converter::SaveDC(const Record&, uint32_t type) {
    w_.Simple(type);
    return true;
}

bool Converter::RestoreDC(const Record& r, uint32_t type) {
    w_.Simple(type, static_cast<uint32_t>(static_cast<int32_t>(r.S(0))));
    return true;
}

bool Converter::WordState(const Record& r, uint32_t type) {
    w_.Simple(type, r.W(0));
    return true;
}

bool Converter::ColourState(const Record& r, uint32_t type) {
    w_.Simple(type, r.Dword(0) & 0xFFFFFF);
    return true;
}

// Points are stored y first.
bool Converter::WindowOrigin(const Record& r, uint32_t type) {
    winOrg_ = QPointF(r.S(1), r.S(0));
    Point2(type, r.S(1), r.S(0));
    return true;
}

bool Converter::OffsetWindowOrigin(const Record& r, uint32_t type) {
    winOrg_ += QPointF(r.S(1), r.S(0));
    winOrg_ = QPointF(std::clamp(winOrg_.x(), -1e9, 1e9), std::clamp(winOrg_.y(), -1e9, 1e9));
    Point2(type, static_cast<int32_t>(winOrg_.x()), static_cast<int32_t>(winOrg_.y()));
    return true;
}

bool Converter::WindowExtent(const Record& r, uint32_t type) {
    if (r.S(0) != 0 && r.S(1) != 0) Point2(type, r.S(1), r.S(0));
    return true;
}

bool Converter::ScaleWindowExtent(const Record& r, uint32_t type) { // yDenom, yNum, xDenom, xNum
    const qsizetype at = w_.Begin(type, 24);
    w_.PutI32(at + 8, r.S(3));
    w_.PutI32(at + 12, r.S(2));
    w_.PutI32(at + 16, r.S(1));
    w_.PutI32(at + 20, r.S(0));
    return true;
}

bool Converter::PointRecord(const Record& r, uint32_t type) {
    Point2(type, r.S(1), r.S(0));
    return true;
}

bool Converter::RectRecord(const Record& r, uint32_t type) {
    Rect(type, r, 0);
    return true;
}

bool Converter::RoundRect(const Record& r, uint32_t type) { // height, width, then the box
    const qsizetype at = w_.Begin(type, 32);
    w_.PutRect(at + 8, {r.S(5), r.S(4), r.S(3), r.S(2)});
    w_.PutI32(at + 24, r.S(1));
    w_.PutI32(at + 28, r.S(0));
    return true;
}

bool Converter::ArcRecord(const Record& r, uint32_t type) { // yEnd, xEnd, yStart, xStart, box
    const qsizetype at = w_.Begin(type, 40);
    w_.PutRect(at + 8, {r.S(7), r.S(6), r.S(5), r.S(4)});
    w_.PutI32(at + 24, r.S(3));
    w_.PutI32(at + 28, r.S(2));
    w_.PutI32(at + 32, r.S(1));
    w_.PutI32(at + 36, r.S(0));
    return true;
}

bool Converter::Poly(const Record& r, uint32_t type) {
    const uint32_t count = r.W(0);
    if (r.words < 1 + 2 * count) return false;
    const qsizetype at = w_.Begin(type, 28 + 4 * count);
    w_.Put32(at + 24, count);
    w_.PutBytes(at + 28, r.Bytes(1), 4 * count);
    return true;
}

bool Converter::PolyPolygon(const Record& r, uint32_t type) {
    const uint32_t polys = r.W(0);
    if (r.words < 1 + polys) return false;
    uint64_t total = 0;
    for (uint32_t i = 0; i < polys; ++i)
        total += r.W(1 + i);
    if (r.words < 1 + polys + 2 * total) return false;
    const qsizetype at = w_.Begin(type, static_cast<uint32_t>(32 + 4 * polys + 4 * total));
    w_.Put32(at + 24, polys);
    w_.Put32(at + 28, static_cast<uint32_t>(total));
    for (uint32_t i = 0; i < polys; ++i)
        w_.Put32(at + 32 + 4 * i, r.W(1 + i));
    w_.PutBytes(at + 32 + 4 * polys, r.Bytes(1 + polys), static_cast<qsizetype>(4 * total));
    return true;
}

bool Converter::CreatePen(const Record& r, uint32_t type) { // style, width (x, y), colour
    Create(type, 28, [&](qsizetype at) {
        w_.Put32(at + 12, r.W(0));
        w_.PutI32(at + 16, std::max<int>(0, r.S(1)));
        w_.Put32(at + 24, r.Dword(3) & 0xFFFFFF);
    });
    return true;
}

bool Converter::CreateBrush(const Record& r, uint32_t type) { // style, colour, hatch
    Create(type, 24, [&](qsizetype at) {
        const uint16_t style = r.W(0);
        w_.Put32(at + 12, style <= 2 ? style : 0);
        w_.Put32(at + 16, style <= 2 ? r.Dword(1) & 0xFFFFFF : 0x808080);
        w_.Put32(at + 20, r.W(3));
    });
    return true;
}

bool Converter::CreateFont(const Record& r, uint32_t type) { // five shorts, eight bytes, face
    const uint32_t faceBytes = std::min<uint32_t>(32, 2 * r.words - 18);
    Create(type, 104, [&](qsizetype at) {
        for (uint32_t i = 0; i < 5; ++i)
            w_.PutI32(at + 12 + 4 * i, r.S(i));
        w_.PutBytes(at + 32, r.Bytes(5), 8);
        const uchar* face = r.Bytes(9);
        for (uint32_t i = 0; i < faceBytes && i < 31 && face[i]; ++i)
            w_.Put16(at + 40 + 2 * i, FromCp1252(face + i, 1)[0].unicode());
    });
    return true;
}

bool Converter::CreateDibBrush(const Record& r, uint32_t type) { // from a packed bitmap
    QByteArray bmi, bits;
    const uint32_t usage = r.W(1);
    if (!Dib(r, 2, usage, bmi, bits)) return false;
    const uint32_t bmiPad = Pad4(bmi.size()), bitsPad = Pad4(bits.size());
    Create(type, 32 + bmiPad + bitsPad, [&](qsizetype at) {
        w_.Put32(at + 12, usage);
        w_.PutDib(at, 16, 32, bmi, bits);
    });
    return true;
}

// A device-dependent pattern brush: a grey stands in for it.
bool Converter::CreateGreyBrush(const Record&, uint32_t type) {
    Create(type, 24, [&](qsizetype at) { w_.Put32(at + 16, 0x808080); });
    return true;
}

// Palettes and regions are left out, but hold their slot.
bool Converter::HoldSlot(const Record&, uint32_t) {
    Create(0, 0, {});
    return true;
}

bool Converter::SelectObject(const Record& r, uint32_t type) {
    const uint16_t slot = r.W(0);
    if (slot < slots_.size() && slots_[slot] > 0)
        w_.Simple(type, static_cast<uint32_t>(slots_[slot]));
    return true;
}

bool Converter::DeleteObject(const Record& r, uint32_t type) {
    const uint16_t slot = r.W(0);
    if (slot >= slots_.size() || slots_[slot] < 0) return true;
    if (slots_[slot] > 0) {
        w_.Simple(type, static_cast<uint32_t>(slots_[slot]));
        w_.Release(static_cast<uint32_t>(slots_[slot]));
    }
    slots_[slot] = -1;
    return true;
}

bool Converter::TextOut(const Record& r, uint32_t) { // count, string, y, x
    const uint32_t count = r.W(0), strWords = (count + 1) / 2;
    if (r.words < 1 + strWords + 2) return false;
    Text(r.S(2 + strWords), r.S(1 + strWords), 0, nullptr, FromCp1252(r.Bytes(1), count), {});
    return true;
}

bool Converter::ExtTextOut(const Record& r,
                           uint32_t) { // y, x, count, options, [rect], string, [dx]
    const uint32_t count = r.W(2), options = r.W(3);
    uint32_t at = 4;
    TRectL rect;
    const bool hasRect = options & 6;
    if (hasRect) {
        if (r.words < 8) return false;
        rect = {r.S(4), r.S(5), r.S(6), r.S(7)};
        at = 8;
    }
    const uint32_t strWords = (count + 1) / 2;
    if (r.words < at + strWords) return false;
    std::vector<int32_t> dx;
    if (r.words >= at + strWords + count)
        for (uint32_t i = 0; i < count; ++i)
            dx.push_back(r.S(at + strWords + i));
    Text(r.S(1), r.S(0), options, hasRect ? &rect : nullptr, FromCp1252(r.Bytes(at), count), dx);
    return true;
}

// rop, usage, source h w y x, destination h w y x, bitmap
bool Converter::StretchDibRecord(const Record& r, uint32_t) {
    QByteArray bmi, bits;
    if (!Dib(r, 11, r.W(2), bmi, bits)) return false;
    StretchDib(QRect(r.S(10), r.S(9), r.S(8), r.S(7)), QRect(r.S(6), r.S(5), r.S(4), r.S(3)),
               r.Dword(0), bmi, bits, r.W(2));
    return true;
}

// rop, source h w y x, [reserved], destination h w y x, [bitmap]
bool Converter::DibStretchBlt(const Record& r, uint32_t type) {
    if (r.words == 11) { // no bitmap, a reserved word: the brush fills the destination
        Blt(EMR_BITBLT, QRect(r.S(10), r.S(9), r.S(8), r.S(7)), {}, r.Dword(0), {}, {});
        return true;
    }
    QByteArray bmi, bits;
    if (!Dib(r, 10, 0, bmi, bits)) return false;
    Blt(type, QRect(r.S(9), r.S(8), r.S(7), r.S(6)), QRect(r.S(5), r.S(4), r.S(3), r.S(2)),
        r.Dword(0), bmi, bits);
    return true;
}

// rop, source y x, [reserved], height, width, destination y x, [bitmap]
bool Converter::DibBitBlt(const Record& r, uint32_t type) {
    if (r.words == 9) {
        Blt(type, QRect(r.S(8), r.S(7), r.S(6), r.S(5)), {}, r.Dword(0), {}, {});
        return true;
    }
    QByteArray bmi, bits;
    if (!Dib(r, 8, 0, bmi, bits)) return false;
    Blt(type, QRect(r.S(7), r.S(6), r.S(5), r.S(4)), QRect(r.S(3), r.S(2), r.S(5), r.S(4)),
        r.Dword(0), bmi, bits);
    return true;
}

bool Converter::PatBlt(const Record& r, uint32_t type) { // rop, height, width, y, x
    Blt(type, QRect(r.S(5), r.S(4), r.S(3), r.S(2)), {}, r.Dword(0), {}, {});
    return true;
}

QByteArray Converter::Run(QString* why) {
    auto fail = [&](const QString& reason) {
        if (why) *why = reason;
        return QByteArray();
    };
    if (size_ < kWmfHeadSize) return fail(QStringLiteral("shorter than its headers"));
    const int16_t left = I16(d_ + 6), top = I16(d_ + 8), right = I16(d_ + 10),
                  bottom = I16(d_ + 12);
    const uint16_t inch = U16(d_ + 14);
    if (right == left || bottom == top) return fail(QStringLiteral("bounding box is empty"));
    if (inch == 0) return fail(QStringLiteral("units per inch are zero"));
    const double w = std::abs(right - left), h = std::abs(bottom - top);
    // The reference device is the screen.
    const Units::TLengthUnit unit = Units::PerInch(inch);
    const Units::TLengthUnit pixel = Units::Pixels(ScreenPixelsPerInch());
    const QSize device(std::max(1, Units::ConvertRounded(w, unit, pixel)),
                       std::max(1, Units::ConvertRounded(h, unit, pixel)));
    w_.Simple(EMR_SETMAPMODE, 8);
    Point2(EMR_SETWINDOWORGEX, left, top);
    Point2(EMR_SETWINDOWEXTEX, right - left, bottom - top);
    Point2(EMR_SETVIEWPORTORGEX, 0, 0);
    Point2(EMR_SETVIEWPORTEXTEX, device.width(), device.height());
    winOrg_ = QPointF(left, top);
    w_.AddBounds({0, 0, device.width() - 1, device.height() - 1});

    qsizetype pos = kWmfHeadSize;
    for (int64_t index = 1; size_ - pos >= 6; ++index) {
        const uint64_t words = U32(d_ + pos);
        const uint16_t function = U16(d_ + pos + 4);
        const QString where = QStringLiteral("record %1 at offset %2: ").arg(index).arg(pos);
        if (words < 3) return fail(where + QStringLiteral("size %1 words is below 3").arg(words));
        if (2 * words > static_cast<uint64_t>(size_ - pos))
            return fail(where + QStringLiteral("runs past the end"));
        if (function == 0) break;
        if (!ConvertRecord(Record{d_ + pos, static_cast<uint32_t>(words - 3)}, function))
            return fail(where + QStringLiteral("too short for function 0x%1")
                                    .arg(function, 4, 16, QLatin1Char('0')));
        if (w_.Size() > kMaxBytes) return fail(QStringLiteral("too large"));
        pos += static_cast<qsizetype>(2 * words);
    }
    const TRectL frame{0, 0, Units::ConvertRounded(w, unit, Units::kHimetric),
                       Units::ConvertRounded(h, unit, Units::kHimetric)};
    const QSize micrometres(Units::ConvertRounded(w, unit, Units::kMicrometre),
                            Units::ConvertRounded(h, unit, Units::kMicrometre));
    QByteArray emf = w_.Finish(frame, device, micrometres, {});
    const QString bad = CheckEnhMetaFile(emf);
    if (!bad.isEmpty()) return fail(QStringLiteral("converted ") + bad);
    return emf;
}

} // namespace

int64_t WmfLength(const QByteArray& head) {
    if (head.size() < kWmfHeadSize) return -1;
    const auto* d = reinterpret_cast<const uchar*>(head.constData());
    if (U32(d) != kPlaceableKey) return -1;
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= U16(d + 2 * i);
    if (sum != U16(d + 20)) return -1;
    const uint16_t type = U16(d + 22), headerWords = U16(d + 24);
    if ((type != 1 && type != 2) || headerWords != 9) return -1;
    const int64_t words = U32(d + 28);
    const int64_t length = 22 + 2 * words;
    if (words < 9 || length > kMaxBytes) return -1;
    return length;
}

QByteArray WmfToEmf(const QByteArray& wmf, QString* why) {
    if (WmfLength(wmf) < 0) {
        if (why) *why = QStringLiteral("headers are not valid");
        return {};
    }
    const int64_t length = std::min<int64_t>(WmfLength(wmf), wmf.size());
    Converter c(reinterpret_cast<const uchar*>(wmf.constData()), static_cast<qsizetype>(length));
    return c.Run(why);
}
