#pragma once
// The enhanced-metafile byte format: record numbers, bounds-checked little-endian access,
// the header, structural checks of whole files and of single records, and a writer that
// the recording device context and the Windows-metafile converter share.

#include "framework/core/Limits.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTransform>
#include <QtEndian>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace emf {

enum RecordType : uint32_t {
    EMR_HEADER = 1,
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_SETBRUSHORGEX = 13,
    EMR_EOF = 14,
    EMR_SETPIXELV = 15,
    EMR_SETMAPPERFLAGS = 16,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETROP2 = 20,
    EMR_SETSTRETCHBLTMODE = 21,
    EMR_SETTEXTALIGN = 22,
    EMR_SETCOLORADJUSTMENT = 23,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_OFFSETCLIPRGN = 26,
    EMR_MOVETOEX = 27,
    EMR_SETMETARGN = 28,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SCALEVIEWPORTEXTEX = 31,
    EMR_SCALEWINDOWEXTEX = 32,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SETWORLDTRANSFORM = 35,
    EMR_MODIFYWORLDTRANSFORM = 36,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ANGLEARC = 41,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_ARC = 45,
    EMR_CHORD = 46,
    EMR_PIE = 47,
    EMR_SELECTPALETTE = 48,
    EMR_CREATEPALETTE = 49,
    EMR_SETPALETTEENTRIES = 50,
    EMR_RESIZEPALETTE = 51,
    EMR_REALIZEPALETTE = 52,
    EMR_EXTFLOODFILL = 53,
    EMR_LINETO = 54,
    EMR_ARCTO = 55,
    EMR_POLYDRAW = 56,
    EMR_SETARCDIRECTION = 57,
    EMR_SETMITERLIMIT = 58,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_CLOSEFIGURE = 61,
    EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63,
    EMR_STROKEPATH = 64,
    EMR_FLATTENPATH = 65,
    EMR_WIDENPATH = 66,
    EMR_SELECTCLIPPATH = 67,
    EMR_ABORTPATH = 68,
    EMR_GDICOMMENT = 70,
    EMR_FILLRGN = 71,
    EMR_FRAMERGN = 72,
    EMR_INVERTRGN = 73,
    EMR_PAINTRGN = 74,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_BITBLT = 76,
    EMR_STRETCHBLT = 77,
    EMR_MASKBLT = 78,
    EMR_PLGBLT = 79,
    EMR_SETDIBITSTODEVICE = 80,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
    EMR_POLYDRAW16 = 92,
    EMR_CREATEMONOBRUSH = 93,
    EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_EXTCREATEPEN = 95,
    EMR_POLYTEXTOUTA = 96,
    EMR_POLYTEXTOUTW = 97,
    EMR_SETICMMODE = 98,
    EMR_CREATECOLORSPACE = 99,
    EMR_SETCOLORSPACE = 100,
    EMR_DELETECOLORSPACE = 101,
    EMR_SMALLTEXTOUT = 108,
    EMR_ALPHABLEND = 114,
    EMR_SETLAYOUT = 115,
    EMR_TRANSPARENTBLT = 116,
    EMR_GRADIENTFILL = 118,
    EMR_CREATECOLORSPACEW = 122,
};

inline constexpr uint32_t kSignature = 0x464D4520; // " EMF"
inline constexpr uint32_t kStockObject = 0x80000000u;
inline constexpr uint32_t WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3,
                          BLACK_BRUSH = 4, NULL_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7,
                          NULL_PEN = 8, OEM_FIXED_FONT = 10, ANSI_FIXED_FONT = 11,
                          ANSI_VAR_FONT = 12, SYSTEM_FONT = 13, DEVICE_DEFAULT_FONT = 14,
                          DEFAULT_PALETTE = 15, SYSTEM_FIXED_FONT = 16, DEFAULT_GUI_FONT = 17,
                          DC_BRUSH = 18, DC_PEN = 19;
inline constexpr uint32_t PATCOPY = 0x00F00021, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062,
                          DSTINVERT = 0x00550009, PATINVERT = 0x005A0049, SRCPAINT = 0x00EE0086,
                          SRCAND = 0x008800C6, SRCINVERT = 0x00660046, NOTSRCCOPY = 0x00330008;
inline constexpr uint32_t RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5;
inline constexpr uint32_t PS_NULL = 5, PS_ENDCAP_FLAT = 0x200, PS_JOIN_MITER = 0x2000,
                          PS_GEOMETRIC = 0x10000;
inline constexpr uint32_t ETO_GLYPH_INDEX = 0x10, ETO_NO_RECT = 0x100, ETO_SMALL_CHARS = 0x200,
                          ETO_PDY = 0x2000;

// Largest metafile this program reads or writes.
inline constexpr int64_t kMaxBytes = kMaxMetafileBytes;

inline uint32_t U32(const uchar* p) {
    return qFromLittleEndian<uint32_t>(p);
}
inline int32_t I32(const uchar* p) {
    return qFromLittleEndian<int32_t>(p);
}
inline uint16_t U16(const uchar* p) {
    return qFromLittleEndian<uint16_t>(p);
}
inline int16_t I16(const uchar* p) {
    return qFromLittleEndian<int16_t>(p);
}
inline float F32(const uchar* p) {
    const uint32_t bits = U32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// RECTL as stored: inclusive or exclusive depends on the field.
struct TRectL {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const TRectL&) const = default;
};
inline TRectL RectL(const uchar* p) {
    return {I32(p), I32(p + 4), I32(p + 8), I32(p + 12)};
}

// A record seen in place: type, size and its bytes, all inside the file.
struct TRecord {
    uint32_t type = 0;
    uint32_t size = 0;
    const uchar* data = nullptr;
    // True when [off, off + len) lies inside the record past its type and size.
    bool Fits(uint64_t off, uint64_t len) const { return off >= 8 && off + len <= size; }
    uint32_t U(uint32_t at) const { return U32(data + at); }
    int32_t I(uint32_t at) const { return I32(data + at); }
    uint16_t U16At(uint32_t at) const { return U16(data + at); }
};

struct TEnhMetaHeader {
    TRectL bounds; // inked area, inclusive reference-device pixels
    TRectL frame;  // picture extent in 0.01 mm
    uint32_t headerSize = 0;
    uint32_t version = 0;
    uint32_t bytes = 0;
    uint32_t records = 0;
    uint16_t handles = 0;
    uint32_t palEntries = 0;
    QSize device;      // reference device, pixels
    QSize millimeters; // reference device, millimetres
    QSize micrometers; // reference device, micrometres; empty when the header is older
    QString description;
};

// What the program knows of a kind of record: the size of its fixed fields (8 for kinds
// without any, and for unknown ones) and what it does besides drawing.
struct TRecordKind {
    // Makes an object in the table at the index held at @8.
    static constexpr uint8_t kCreatesObject = 1;
    // Sets up the output device (palettes, colour management, layout, comments): nothing
    // that a picture kept inside another needs.
    static constexpr uint8_t kDeviceSetup = 2;
    uint32_t minimumSize = 8;
    uint8_t traits = 0;
    bool Has(uint8_t trait) const { return (traits & trait) != 0; }
};
TRecordKind RecordKind(uint32_t type);

// Text of single-byte records, which this program reads as Windows-1252.
QString FromCp1252(const uchar* p, qsizetype n);

// Reference-device pixels per millimetre, horizontally and vertically: from the header's
// micrometres when present, else its millimetres, else the screen's density.
QPointF PixelsPerMillimetre(const TEnhMetaHeader& h);
// The picture's frame in reference-device pixels (the inked area when the frame is
// empty); an empty rectangle when neither is usable.
QRectF FrameInPixels(const TEnhMetaHeader& h);

// The page-to-reference-pixel mapping of a map mode with its window and viewport.
QTransform PageTransform(uint32_t mapMode, QPointF winOrg, QSizeF winExt, QPointF vpOrg,
                         QSizeF vpExt, QPointF pixelsPerMillimetre);

// Reads the header at the start of data; false with the reason when it is not one.
bool ParseHeader(const uchar* data, qsizetype size, TEnhMetaHeader& header, QString* why);

// The whole file's structure and every record's fields; empty when sound, else why not.
QString CheckEnhMetaFile(const QByteArray& emf);
// The fields of one record (its size and alignment already checked); empty when sound.
QString CheckRecord(const TRecord& r);
// A device-independent bitmap held in a record at [offBmi, +cbBmi) and [offBits, +cbBits).
QString CheckRecordDib(const TRecord& r, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                       uint32_t cbBits, uint32_t usage);

// Steps through the records of a checked file.
class TRecordWalker {
public:
    explicit TRecordWalker(const QByteArray& emf);
    // The next record; false at the end record, at the end of the data or at a record
    // whose size does not fit.
    bool Next(TRecord& r);
    qsizetype Position() const { return pos_; }

private:
    const uchar* data_;
    qsizetype end_;
    qsizetype pos_ = 0;
    bool done_ = false;
};

// Appends records to a growing metafile and keeps what the header needs.
class TEmfWriter {
public:
    TEmfWriter();
    // Appends a zeroed record of the given type and size (a multiple of 4) and returns
    // its offset; write the fields with the Put functions.
    qsizetype Begin(uint32_t type, uint32_t size);
    void Put32(qsizetype at, uint32_t v);
    void PutI32(qsizetype at, int32_t v) { Put32(at, static_cast<uint32_t>(v)); }
    void Put16(qsizetype at, uint16_t v);
    void PutF32(qsizetype at, float v);
    void PutRect(qsizetype at, const TRectL& r);
    void PutBytes(qsizetype at, const void* bytes, qsizetype n);
    // The four fields that place a record's bitmap (offBmi, cbBmi, offBits, cbBits), from
    // fields on: its info at offset data of the record, its pixels after it, each padded
    // to four bytes.
    void PutDibFields(qsizetype fields, uint32_t data, qsizetype cbBmi, qsizetype cbBits);
    // Those fields and the bitmap itself, in a record made by Begin (whose padding is zero).
    void PutDib(qsizetype record, uint32_t fields, uint32_t data, QByteArrayView bmi,
                QByteArrayView bits);
    // A record with one or two 32-bit values.
    void Simple(uint32_t type);
    void Simple(uint32_t type, uint32_t a);
    void Simple(uint32_t type, uint32_t a, uint32_t b);
    // A STRETCHDIBITS record that draws src of a bitmap onto dest with rop: the bitmap's
    // info is copied, its cbBits bytes of pixels are written in place by writeBits, each
    // padded to four bytes. writeBits must write all cbBits bytes: the place it is given
    // is not cleared first. Returns the record's offset.
    qsizetype StretchDIBits(const TRectL& bounds, const QRect& dest, const QRect& src,
                            uint32_t usage, uint32_t rop, QByteArrayView info, qsizetype cbBits,
                            const std::function<void(uchar*)>& writeBits);
    // Adds an inclusive ink box of reference pixels to the header's bounds.
    void AddBounds(const TRectL& inclusive);
    // The lowest free object index; Release gives it back.
    uint32_t NewHandle();
    bool HasBounds() const { return anyBounds_; }
    const TRectL& Bounds() const { return bounds_; }
    // Takes back the records from offset at onwards (a record that turned out unusable).
    void Truncate(qsizetype at, uint32_t records);
    uint32_t Records() const { return records_; }
    void Release(uint32_t handle);
    qsizetype Size() const { return data_.size(); }
    const uchar* DataAt(qsizetype at) const {
        return reinterpret_cast<const uchar*>(data_.constData()) + at;
    }
    // Where a record's body is written in place (valid until the next Begin).
    uchar* MutableDataAt(qsizetype at) { return reinterpret_cast<uchar*>(data_.data()) + at; }
    // Writes the end record and the header and hands over the bytes.
    QByteArray Finish(const TRectL& frame, QSize devicePixels, QSize deviceMicrometers,
                      const QString& description);

private:
    QByteArray data_;
    uint32_t records_ = 1;
    TRectL bounds_{0, 0, -1, -1};
    bool anyBounds_ = false;
    std::vector<bool> used_{true}; // slot 0 is reserved
    uint32_t maxHandle_ = 0;
};

} // namespace emf
