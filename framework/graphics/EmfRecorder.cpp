#include "framework/graphics/EmfRecorder.h"
#include "framework/graphics/JpegBytes.h"

#include "framework/core/SysUtils.h"
#include "framework/graphics/Dib.h"
#include "framework/graphics/EmfEmbed.h"

#include <QTransform>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

using namespace emf;

namespace {

TRectL Exclusive(const QRect& r) {
    const QRect n = r.normalized();
    return {n.left(), n.top(), n.left() + n.width(), n.top() + n.height()};
}

TRectL Inclusive(const QRect& r) {
    const QRect n = r.normalized();
    return {n.left(), n.top(), n.right(), n.bottom()};
}

// A resolution that a device reports as none is taken to be the screen's.
int ResolutionOr(int ppi) {
    return ppi > 0 ? ppi : ScreenPixelsPerInch();
}

} // namespace

struct TEmfRecorderDC::Emitted {
    LOGFONT font;
    bool fontSet = false;
    uint32_t fontIndex = kStockObject | SYSTEM_FONT;
    TColor textColor = clBlack;
    TColor bkColor = clWhite;
    int bkMode = OPAQUE;
    unsigned textAlign = 0;
    int stretchMode = BLACKONWHITE;
    TPenData pen;
    uint32_t penIndex = kStockObject | BLACK_PEN;
    TBrushData brush;
    uint32_t brushIndex = kStockObject | WHITE_BRUSH;
    QPoint position;
};

TEmfRecorderDC::TEmfRecorderDC(QSize page, int dpiX, int dpiY, const QString& description)
    : page_(page), dpiX_(ResolutionOr(dpiX)), dpiY_(ResolutionOr(dpiY)), description_(description),
      emitted_(std::make_unique<Emitted>()) {
    state_.font = QFontFromLogFont(state_.logFont);
    writer_.Simple(EMR_SETMAPMODE, 1);
}

TEmfRecorderDC::~TEmfRecorderDC() = default;

uint32_t TEmfRecorderDC::NewObject() {
    return writer_.NewHandle();
}

void TEmfRecorderDC::ReleaseIfUnused(uint32_t index) {
    if (index & kStockObject) return;
    auto uses = [index](const Emitted& e) {
        return e.fontIndex == index || e.penIndex == index || e.brushIndex == index;
    };
    if (uses(*emitted_)) return;
    for (const Emitted& e : savedEmitted_)
        if (uses(e)) return;
    writer_.Simple(EMR_DELETEOBJECT, index);
    writer_.Release(index);
}

void TEmfRecorderDC::Replace(uint32_t& slot, uint32_t index) {
    const uint32_t old = slot;
    slot = index;
    writer_.Simple(EMR_SELECTOBJECT, index);
    ReleaseIfUnused(old);
}

void TEmfRecorderDC::SyncFont() {
    Emitted& e = *emitted_;
    if (e.fontSet && e.font == state_.logFont) return;
    const LOGFONT& lf = state_.logFont;
    const uint32_t index = NewObject();
    // The long form with an empty design vector, as current systems write it.
    const qsizetype at = writer_.Begin(EMR_EXTCREATEFONTINDIRECTW, 368);
    writer_.Put32(at + 8, index);
    const qsizetype f = at + 12;
    writer_.PutI32(f, lf.lfHeight);
    writer_.PutI32(f + 4, lf.lfWidth);
    writer_.PutI32(f + 8, lf.lfEscapement);
    writer_.PutI32(f + 12, lf.lfEscapement);
    writer_.PutI32(f + 16, lf.lfWeight);
    writer_.PutBytes(f + 20, &lf.lfItalic, 8);
    const QString face = lf.FaceName();
    for (qsizetype i = 0; i < face.size() && i < 31; ++i)
        writer_.Put16(f + 28 + 2 * i, face[i].unicode());
    writer_.Put32(f + 348, 0x08007664);
    e.font = lf;
    e.fontSet = true;
    Replace(e.fontIndex, index);
}

void TEmfRecorderDC::SyncTextState() {
    Emitted& e = *emitted_;
    if (e.textColor != state_.textColor) {
        writer_.Simple(EMR_SETTEXTCOLOR, ColorRef(state_.textColor));
        e.textColor = state_.textColor;
    }
    if (e.bkColor != state_.bkColor) {
        writer_.Simple(EMR_SETBKCOLOR, ColorRef(state_.bkColor));
        e.bkColor = state_.bkColor;
    }
    if (e.bkMode != state_.bkMode) {
        writer_.Simple(EMR_SETBKMODE, static_cast<uint32_t>(state_.bkMode));
        e.bkMode = state_.bkMode;
    }
    if (e.textAlign != state_.textAlign) {
        writer_.Simple(EMR_SETTEXTALIGN, state_.textAlign);
        e.textAlign = state_.textAlign;
    }
}

void TEmfRecorderDC::SyncPen() {
    Emitted& e = *emitted_;
    const TPenData& p = state_.pen;
    if (e.pen == p) return;
    e.pen = p;
    if (p.style == psClear) {
        Replace(e.penIndex, kStockObject | NULL_PEN);
        return;
    }
    static const uint32_t styles[] = {0, 1, 2, 3, 4, PS_NULL, 6};
    const uint32_t style = styles[std::clamp<int>(p.style, 0, 6)];
    const uint32_t index = NewObject();
    if (p.width <= 1) {
        const qsizetype at = writer_.Begin(EMR_CREATEPEN, 28);
        writer_.Put32(at + 8, index);
        writer_.Put32(at + 12, style);
        writer_.PutI32(at + 16, std::max(0, p.width));
        writer_.Put32(at + 24, ColorRef(p.color));
    } else {
        // Wide lines end flat and join mitred here, so they must say so.
        const qsizetype at = writer_.Begin(EMR_EXTCREATEPEN, 52);
        writer_.Put32(at + 8, index);
        writer_.Put32(at + 28, PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER | style);
        writer_.Put32(at + 32, static_cast<uint32_t>(p.width));
        writer_.Put32(at + 40, ColorRef(p.color));
    }
    Replace(e.penIndex, index);
}

void TEmfRecorderDC::SyncBrush(const TBrushData& b) {
    Emitted& e = *emitted_;
    if (b.style != bsSolid && b.style != bsClear) {
        // Hatch gaps take the background colour.
        if (e.bkColor != state_.bkColor || e.bkMode != state_.bkMode) SyncTextState();
    }
    if (e.brush == b) return;
    e.brush = b;
    if (b.style == bsClear) {
        Replace(e.brushIndex, kStockObject | NULL_BRUSH);
        return;
    }
    const uint32_t index = NewObject();
    const qsizetype at = writer_.Begin(EMR_CREATEBRUSHINDIRECT, 24);
    writer_.Put32(at + 8, index);
    writer_.Put32(at + 12, b.style == bsSolid ? 0 : 2);
    writer_.Put32(at + 16, ColorRef(b.color));
    static const uint32_t hatches[] = {0, 0, 0, 1, 2, 3, 4, 5};
    writer_.Put32(at + 20, hatches[std::clamp<int>(b.style, 0, 7)]);
    Replace(e.brushIndex, index);
}

void TEmfRecorderDC::SyncPosition() {
    if (emitted_->position == state_.position) return;
    writer_.Simple(EMR_MOVETOEX, static_cast<uint32_t>(state_.position.x()),
                   static_cast<uint32_t>(state_.position.y()));
    emitted_->position = state_.position;
}

void TEmfRecorderDC::Bounds(const QRect& exclusive) {
    if (!exclusive.isEmpty()) writer_.AddBounds(Inclusive(exclusive));
}

void TEmfRecorderDC::Bounds(const QRectF& area) {
    if (area.isEmpty()) return;
    writer_.AddBounds({static_cast<int32_t>(std::floor(area.left())),
                       static_cast<int32_t>(std::floor(area.top())),
                       static_cast<int32_t>(std::ceil(area.right())) - 1,
                       static_cast<int32_t>(std::ceil(area.bottom())) - 1});
}

int TEmfRecorderDC::SaveDC() {
    const int n = TDeviceContext::SaveDC();
    if (!finished_) {
        writer_.Simple(EMR_SAVEDC);
        savedEmitted_.push_back(*emitted_);
    }
    return n;
}

bool TEmfRecorderDC::RestoreDC(int n) {
    const int count = static_cast<int>(savedEmitted_.size());
    const int target = n < 0 ? count + n + 1 : n;
    if (!TDeviceContext::RestoreDC(n)) return false;
    if (finished_ || target < 1 || target > count) return true;
    writer_.Simple(EMR_RESTOREDC, static_cast<uint32_t>(target - count - 1));
    const Emitted before = *emitted_;
    std::vector<uint32_t> dropped{before.fontIndex, before.penIndex, before.brushIndex};
    for (size_t i = static_cast<size_t>(target - 1); i < savedEmitted_.size(); ++i)
        dropped.insert(dropped.end(), {savedEmitted_[i].fontIndex, savedEmitted_[i].penIndex,
                                       savedEmitted_[i].brushIndex});
    *emitted_ = savedEmitted_[static_cast<size_t>(target - 1)];
    savedEmitted_.resize(static_cast<size_t>(target - 1));
    std::sort(dropped.begin(), dropped.end());
    dropped.erase(std::unique(dropped.begin(), dropped.end()), dropped.end());
    for (uint32_t index : dropped)
        ReleaseIfUnused(index);
    return true;
}

void TEmfRecorderDC::LineTo(int x, int y) {
    if (finished_) return;
    SyncPen();
    SyncPosition();
    writer_.Simple(EMR_LINETO, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
    const QPoint from = state_.position;
    state_.position = emitted_->position = {x, y};
    const int half = std::max(1, state_.pen.width) / 2;
    Bounds(QRect(from, QPoint(x, y)).normalized().adjusted(-half, -half, half, half));
}

void TEmfRecorderDC::Rectangle(int left, int top, int right, int bottom) {
    if (finished_) return;
    SyncPen();
    SyncBrush(state_.brush);
    const qsizetype at = writer_.Begin(EMR_RECTANGLE, 24);
    writer_.PutRect(at + 8, {left, top, right, bottom});
    Bounds(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).normalized());
}

void TEmfRecorderDC::FillRect(const QRect& r, const TBrushData& brush) {
    if (finished_ || brush.style == bsClear || r.isEmpty()) return;
    SyncBrush(brush);
    // A pattern copy covers exactly the rectangle in every player, unlike a rectangle
    // without a pen, whose right and bottom edges players treat differently.
    const QRect n = r.normalized();
    const qsizetype at = writer_.Begin(EMR_BITBLT, 100);
    writer_.PutRect(at + 8, Inclusive(n));
    writer_.PutI32(at + 24, n.left());
    writer_.PutI32(at + 28, n.top());
    writer_.PutI32(at + 32, n.width());
    writer_.PutI32(at + 36, n.height());
    writer_.Put32(at + 40, PATCOPY);
    writer_.PutF32(at + 52, 1);
    writer_.PutF32(at + 64, 1);
    Bounds(n);
}

void TEmfRecorderDC::ExtTextOut(int x, int y, unsigned options, const QRect* rect,
                                const QString& text, const int* dx) {
    if (finished_) return;
    SyncFont();
    SyncTextState();
    const bool updateCp = state_.textAlign & TA_UPDATECP;
    if (updateCp) SyncPosition();
    const bool hasRect = rect && (options & (ETO_OPAQUE | ETO_CLIPPED));
    if (!hasRect) options &= ~(ETO_OPAQUE | ETO_CLIPPED);

    const uint32_t chars = static_cast<uint32_t>(text.size());
    const uint32_t stringBytes = (chars * 2 + 3) / 4 * 4;
    const uint64_t size = 76ULL + stringBytes + 4ULL * chars;
    if (size > static_cast<uint64_t>(kMaxBytes)) return;
    // Every text carries its advances: the ones given, or the ones measured here.
    const TTextRun run = TextRunOf(state_.font, text, dx);
    const qsizetype at = writer_.Begin(EMR_EXTTEXTOUTW, static_cast<uint32_t>(size));
    const QPoint p = updateCp ? state_.position : QPoint(x, y);
    writer_.Put32(at + 24, 1); // compatible graphics mode
    writer_.PutF32(at + 28, static_cast<float>(2540.0 / dpiX_));
    writer_.PutF32(at + 32, static_cast<float>(2540.0 / dpiY_));
    writer_.PutI32(at + 36, p.x());
    writer_.PutI32(at + 40, p.y());
    writer_.Put32(at + 44, chars);
    writer_.Put32(at + 48, 76);
    writer_.Put32(at + 52, options);
    writer_.PutRect(at + 56, hasRect ? Exclusive(*rect) : TRectL{0, 0, -1, -1});
    writer_.Put32(at + 72, static_cast<uint32_t>(76 + stringBytes));
    for (uint32_t i = 0; i < chars; ++i)
        writer_.Put16(at + 76 + 2 * i, text[i].unicode());
    for (uint32_t i = 0; i < chars; ++i)
        writer_.PutI32(at + 76 + stringBytes + 4 * i, run.advances[i]);
    TextBounds(p, run, hasRect ? options : 0, rect);

    if (updateCp) {
        const QPointF step =
            CurrentPositionAdvance(state_.textAlign, state_.logFont.lfEscapement, run.width);
        state_.position += QPoint(RoundInt(step.x()), RoundInt(step.y()));
        emitted_->position = state_.position;
    }
}

// The ink box: the text cell turned about the reference point, and the opaque box.
void TEmfRecorderDC::TextBounds(QPoint p, const TTextRun& run, unsigned options,
                                const QRect* rect) {
    QTransform turn;
    turn.translate(p.x(), p.y());
    turn.rotate(-(state_.logFont.lfEscapement / 10.0));
    QRectF cell = turn.mapRect(PlaceTextRun(state_.textAlign, run).Cell(run));
    if (options & ETO_CLIPPED) cell &= QRectF(rect->normalized());
    if (!run.advances.empty()) Bounds(cell);
    if (options & ETO_OPAQUE) Bounds(rect->normalized());
}

bool TEmfRecorderDC::StretchDIBits(const QRect& dest, const QRect& src, const TDib& dib,
                                   uint32_t rop) {
    if (rop != SRCCOPY) return false;
    return RecordStretchDIBits(dest, src, dib.info, dib.bits.size(), [&](uchar* out) {
        if (!dib.bits.isEmpty())
            std::memcpy(out, dib.bits.constData(), static_cast<size_t>(dib.bits.size()));
    });
}

bool TEmfRecorderDC::StretchStoredRows(const QRect& dest, const QRect& src, const QImage& image,
                                       int bitCount) {
    if (!DibRowsAsStored(image, bitCount)) return false;
    return RecordStretchDIBits(dest, src, StoredRowsDibInfo(image, bitCount),
                               StoredRowsDibSize(image, bitCount),
                               [&](uchar* out) { WriteStoredRowsDib(image, bitCount, out); });
}

bool TEmfRecorderDC::StretchJpeg(const QRect& dest, const TJpegPicture& jpeg) {
    if (jpeg.size.isEmpty() || jpeg.bytes.isEmpty()) return false;
    // The header of a JPEG bitmap: its size, no bit count of its own, the bytes' count.
    QByteArray info(40, '\0');
    auto* h = reinterpret_cast<uchar*>(info.data());
    qToLittleEndian<uint32_t>(40, h);
    qToLittleEndian<int32_t>(jpeg.size.width(), h + 4);
    qToLittleEndian<int32_t>(jpeg.size.height(), h + 8);
    qToLittleEndian<uint16_t>(1, h + 12);
    qToLittleEndian<uint32_t>(BI_JPEG, h + 16);
    qToLittleEndian<uint32_t>(static_cast<uint32_t>(jpeg.bytes.size()), h + 20);
    return RecordStretchDIBits(
        dest, QRect(QPoint(0, 0), jpeg.size), info, jpeg.bytes.size(),
        [&](uchar* out) {
            std::memcpy(out, jpeg.bytes.constData(), static_cast<size_t>(jpeg.bytes.size()));
        },
        true);
}

bool TEmfRecorderDC::RecordStretchDIBits(const QRect& dest, const QRect& src, QByteArrayView info,
                                         qsizetype cbBitsIn,
                                         const std::function<void(uchar*)>& writeBits,
                                         bool embedded) {
    if (finished_ || info.size() < 12) return false;
    // Only bitmaps that direct drawing can show as well.
    const auto* header = reinterpret_cast<const uchar*>(info.data());
    if (!embedded && U32(header) != 12 && info.size() >= 20 && U32(header + 16) != 0 &&
        U32(header + 16) != 3)
        return false;
    const uint64_t cbBmi = static_cast<uint64_t>(info.size()),
                   cbBits = static_cast<uint64_t>(cbBitsIn);
    const uint64_t bmiPadded = (cbBmi + 3) / 4 * 4, bitsPadded = (cbBits + 3) / 4 * 4;
    const uint64_t size = 80 + bmiPadded + bitsPadded;
    if (size > static_cast<uint64_t>(kMaxBytes) ||
        writer_.Size() + static_cast<int64_t>(size) > kMaxBytes)
        return false;
    if (emitted_->stretchMode != state_.stretchMode) {
        writer_.Simple(EMR_SETSTRETCHBLTMODE, static_cast<uint32_t>(state_.stretchMode));
        emitted_->stretchMode = state_.stretchMode;
    }
    const uint32_t records = writer_.Records();
    const qsizetype at =
        writer_.StretchDIBits(Inclusive(dest), dest, src, 0, SRCCOPY, info, cbBitsIn, writeBits);
    // A bitmap that its own header does not describe is not recorded.
    const TRecord r{EMR_STRETCHDIBITS, static_cast<uint32_t>(size), writer_.DataAt(at)};
    if (!CheckRecord(r).isEmpty()) {
        writer_.Truncate(at, records);
        return false;
    }
    Bounds(dest.normalized());
    return true;
}

void TEmfRecorderDC::IntersectClipRect(const QRect& r) {
    TDeviceContext::IntersectClipRect(r);
    if (finished_) return;
    const qsizetype at = writer_.Begin(EMR_INTERSECTCLIPRECT, 24);
    writer_.PutRect(at + 8, Exclusive(r));
}

void TEmfRecorderDC::RemoveClip() {
    TDeviceContext::RemoveClip();
    if (finished_) return;
    const qsizetype at = writer_.Begin(EMR_EXTSELECTCLIPRGN, 16);
    writer_.Put32(at + 12, RGN_COPY);
}

uint32_t TEmfRecorderDC::ColorRef(TColor c) const {
    return static_cast<uint32_t>(ResolveColor(c)) & 0xFFFFFF;
}

bool TEmfRecorderDC::EmbedMetafile(const QByteArray& src, const QRect& destIn) {
    const QRect dest = destIn.normalized();
    if (finished_ || dest.isEmpty() || !CheckEnhMetaFile(src).isEmpty()) return false;
    // The picture draws inside its rectangle and the clip in force.
    QRect area = dest;
    if (state_.clip) area &= *state_.clip;
    if (area.isEmpty()) return true;
    if (EmbedEnhMetaFile(writer_, src, dest, area)) Bounds(area);
    return true;
}

int TEmfRecorderDC::GetDeviceCaps(int index) const {
    switch (index) {
    case TECHNOLOGY:
        return DT_METAFILE;
    case HORZRES:
    case PHYSICALWIDTH:
        return page_.width();
    case VERTRES:
    case PHYSICALHEIGHT:
        return page_.height();
    case HORZSIZE:
        return RoundInt(page_.width() * 25.4L / dpiX_);
    case VERTSIZE:
        return RoundInt(page_.height() * 25.4L / dpiY_);
    case LOGPIXELSX:
        return dpiX_;
    case LOGPIXELSY:
        return dpiY_;
    case BITSPIXEL:
        return 24;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    default:
        return 0;
    }
}

QByteArray TEmfRecorderDC::Finish() {
    if (finished_) return {};
    finished_ = true;
    QSize page = page_;
    TRectL frame;
    if (page.width() > 0 && page.height() > 0) {
        frame = {0, 0, RoundInt(page.width() * 2540.0L / dpiX_),
                 RoundInt(page.height() * 2540.0L / dpiY_)};
    } else {
        const TRectL b = writer_.HasBounds() ? writer_.Bounds() : TRectL{0, 0, 0, 0};
        frame = {RoundInt(b.left * 2540.0L / dpiX_), RoundInt(b.top * 2540.0L / dpiY_),
                 RoundInt((b.right + 1LL) * 2540.0L / dpiX_),
                 RoundInt((b.bottom + 1LL) * 2540.0L / dpiY_)};
        page = QSize(std::max(1, b.right + 1), std::max(1, b.bottom + 1));
    }
    const QSize micrometers(RoundInt(page.width() * 25400.0L / dpiX_),
                            RoundInt(page.height() * 25400.0L / dpiY_));
    return writer_.Finish(frame, page, micrometers, description_);
}
