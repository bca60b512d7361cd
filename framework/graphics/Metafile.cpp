#include "framework/graphics/Metafile.h"

#include "framework/core/SysUtils.h"
#include "framework/graphics/EmfPlayer.h"
#include "framework/graphics/Wmf.h"

#include <QIODevice>
#include <QImage>
#include <QPainter>
#include <QTransform>
#include <cmath>
#include <unordered_map>

using namespace emf;

namespace {

[[noreturn]] void Invalid() {
    throw EInvalidGraphic(QString::fromLatin1(SysConst::SInvalidMetafile));
}

uint32_t ColorRefOf(TColor c) {
    return static_cast<uint32_t>(ColorToRGB(c)) & 0xFFFFFF;
}

TRectL Exclusive(const QRect& r) {
    const QRect n = r.normalized();
    return {n.left(), n.top(), n.left() + n.width(), n.top() + n.height()};
}

TRectL Inclusive(const QRect& r) {
    const QRect n = r.normalized();
    return {n.left(), n.top(), n.right(), n.bottom()};
}

// Reads up to n bytes in pieces, so a header that lies about its length costs no more
// memory than the stream really holds.
QByteArray ReadExactly(QIODevice& stream, int64_t n) {
    QByteArray out;
    constexpr int64_t kChunk = 1 << 20;
    while (out.size() < n) {
        const QByteArray part = stream.read(std::min<int64_t>(kChunk, n - out.size()));
        if (part.isEmpty()) break;
        out += part;
    }
    return out;
}

} // namespace

// ---- The picture ---------------------------------------------------------------------

TMetafile::TMetafile(QObject* parent) : TGraphic(parent) {}
TMetafile::~TMetafile() = default;

int TMetafile::Width() const {
    return RoundInt(mmWidth_ * static_cast<long double>(ScreenPixelsPerInch()) / 2540);
}
int TMetafile::Height() const {
    return RoundInt(mmHeight_ * static_cast<long double>(ScreenPixelsPerInch()) / 2540);
}
int TMetafile::MMWidth() const {
    return mmWidth_;
}
int TMetafile::MMHeight() const {
    return mmHeight_;
}

void TMetafile::SetWidth(int w) {
    SetMMWidth(RoundInt(w * 2540.0L / ScreenPixelsPerInch()));
}
void TMetafile::SetHeight(int h) {
    SetMMHeight(RoundInt(h * 2540.0L / ScreenPixelsPerInch()));
}

void TMetafile::SetMMWidth(int w) {
    if (w == mmWidth_ || w < 0) return;
    mmWidth_ = w;
    Changed(this);
}

void TMetafile::SetMMHeight(int h) {
    if (h == mmHeight_ || h < 0) return;
    mmHeight_ = h;
    Changed(this);
}

void TMetafile::Clear() {
    data_.clear();
    wmf_.clear();
    header_ = {};
    mmWidth_ = mmHeight_ = 0;
    Changed(this);
}

void TMetafile::Adopt(QByteArray emf, QByteArray wmf) {
    TEnhMetaHeader h;
    if (!ParseHeader(reinterpret_cast<const uchar*>(emf.constData()), emf.size(), h, nullptr))
        Invalid();
    data_ = std::move(emf);
    wmf_ = std::move(wmf);
    header_ = h;
    const QRectF frame = FrameInPixels(h);
    const QPointF k = PixelsPerMillimetre(h);
    // The natural size is the frame's; a frame too large for an int is no size at all.
    mmWidth_ =
        static_cast<int>(std::clamp<double>(std::nearbyint(frame.width() * 100 / k.x()), 0, 1e9));
    mmHeight_ =
        static_cast<int>(std::clamp<double>(std::nearbyint(frame.height() * 100 / k.y()), 0, 1e9));
    if (int64_t(h.frame.right) - h.frame.left > 0 && int64_t(h.frame.bottom) - h.frame.top > 0) {
        mmWidth_ =
            static_cast<int>(std::min<int64_t>(int64_t(h.frame.right) - h.frame.left, 1000000000));
        mmHeight_ =
            static_cast<int>(std::min<int64_t>(int64_t(h.frame.bottom) - h.frame.top, 1000000000));
    }
    Changed(this);
}

void TMetafile::SetData(const QByteArray& emf) {
    if (!CheckEnhMetaFile(emf).isEmpty()) Invalid();
    QByteArray exact = emf.left(U32(reinterpret_cast<const uchar*>(emf.constData()) + 48));
    Adopt(std::move(exact), {});
}

void TMetafile::LoadFromStream(QIODevice& stream) {
    const QByteArray key = stream.peek(4);
    if (key.size() == 4 && U32(reinterpret_cast<const uchar*>(key.constData())) == kPlaceableKey) {
        const QByteArray head = stream.peek(kWmfHeadSize);
        const int64_t length = WmfLength(head);
        if (length < 0) Invalid();
        if (!stream.isSequential() && stream.size() - stream.pos() < length) Invalid();
        const QByteArray wmf = ReadExactly(stream, length);
        if (wmf.size() != length) Invalid();
        QString why;
        QByteArray converted = WmfToEmf(wmf, &why);
        if (converted.isEmpty() || !CheckEnhMetaFile(converted).isEmpty()) Invalid();
        Adopt(std::move(converted), wmf);
        return;
    }
    QByteArray head = stream.read(88);
    if (head.size() < 88) Invalid();
    const auto* h = reinterpret_cast<const uchar*>(head.constData());
    if (U32(h) != EMR_HEADER || U32(h + 40) != kSignature) Invalid();
    const int64_t bytes = U32(h + 48);
    if (bytes < 88 || bytes > kMaxBytes) Invalid();
    if (!stream.isSequential() && stream.size() - stream.pos() < bytes - 88) Invalid();
    head += ReadExactly(stream, bytes - 88);
    if (head.size() != bytes || !CheckEnhMetaFile(head).isEmpty()) Invalid();
    Adopt(std::move(head), {});
}

void TMetafile::SaveToStream(QIODevice& stream) {
    const QByteArray& bytes = Enhanced() ? data_ : wmf_;
    if (stream.write(bytes) != bytes.size())
        throw EStreamError(QStringLiteral("Stream write error"));
}

void TMetafile::Play(QPainter& painter, const QRectF& dest) const {
    if (!Empty()) PlayEnhMetaFile(painter, data_, dest);
}

void TMetafile::Draw(TCanvas& canvas, const QRect& rect) {
    TDeviceContext* dc = canvas.Handle();
    if (!dc || Empty() || rect.isEmpty()) return;
    if (auto* painterDc = dynamic_cast<TPainterDC*>(dc)) {
        Play(*painterDc->Painter(), QRectF(rect));
    } else if (auto* recorder = dynamic_cast<TEmfRecorderDC*>(dc)) {
        recorder->EmbedMetafile(data_, rect);
    } else {
        // Any other context takes the picture as a bitmap of the destination's size.
        const int64_t pixels = int64_t(rect.width()) * rect.height();
        if (pixels > kMaxBitmapPixels) return;
        QImage image(rect.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        Play(painter, QRectF(0, 0, rect.width(), rect.height()));
        painter.end();
        dc->StretchDIBits(rect, QRect(0, 0, rect.width(), rect.height()), ImageToDib(image),
                          SRCCOPY);
    }
}

void TMetafile::Assign(TPersistent* source) {
    if (auto* m = qobject_cast<TMetafile*>(source)) {
        data_ = m->data_;
        wmf_ = m->wmf_;
        header_ = m->header_;
        mmWidth_ = m->mmWidth_;
        mmHeight_ = m->mmHeight_;
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

// ---- The recording context -----------------------------------------------------------

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
    : page_(page), dpiX_(dpiX > 0 ? dpiX : 96), dpiY_(dpiY > 0 ? dpiY : 96),
      description_(description), emitted_(std::make_unique<Emitted>()) {
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
        writer_.Simple(EMR_SETTEXTCOLOR, ColorRefOf(state_.textColor));
        e.textColor = state_.textColor;
    }
    if (e.bkColor != state_.bkColor) {
        writer_.Simple(EMR_SETBKCOLOR, ColorRefOf(state_.bkColor));
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
        writer_.Put32(at + 24, ColorRefOf(p.color));
    } else {
        // Wide lines end flat and join mitred here, so they must say so.
        const qsizetype at = writer_.Begin(EMR_EXTCREATEPEN, 52);
        writer_.Put32(at + 8, index);
        writer_.Put32(at + 28, PS_GEOMETRIC | PS_ENDCAP_FLAT | PS_JOIN_MITER | style);
        writer_.Put32(at + 32, static_cast<uint32_t>(p.width));
        writer_.Put32(at + 40, ColorRefOf(p.color));
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
    writer_.Put32(at + 16, ColorRefOf(b.color));
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
    const TTextRun run = MeasureTextRun(state_.font, text);
    std::vector<int> advances = dx ? std::vector<int>(dx, dx + text.size()) : run.advances;
    const bool hasRect = rect && (options & (ETO_OPAQUE | ETO_CLIPPED));
    if (!hasRect) options &= ~(ETO_OPAQUE | ETO_CLIPPED);

    const uint32_t chars = static_cast<uint32_t>(text.size());
    const uint32_t stringBytes = (chars * 2 + 3) / 4 * 4;
    const uint64_t size = 76ULL + stringBytes + 4ULL * chars;
    if (size > static_cast<uint64_t>(kMaxBytes)) return;
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
    int width = 0;
    for (uint32_t i = 0; i < chars; ++i) {
        writer_.PutI32(at + 76 + stringBytes + 4 * i, advances[i]);
        width += advances[i];
    }

    // The ink box: the text cell turned about the reference point, and the opaque box.
    qreal h = 0;
    switch (state_.textAlign & TA_CENTER) {
    case TA_RIGHT:
        h = -width;
        break;
    case TA_CENTER:
        h = -width / 2.0;
        break;
    default:
        break;
    }
    qreal top = 0;
    switch (state_.textAlign & TA_BASELINE) {
    case TA_BOTTOM:
        top = -run.descent - run.ascent;
        break;
    case TA_BASELINE:
        top = -run.ascent;
        break;
    default:
        break;
    }
    QTransform turn;
    turn.translate(p.x(), p.y());
    turn.rotate(-state_.logFont.lfEscapement / 10.0);
    QRectF cell = turn.mapRect(QRectF(h, top, width, run.ascent + run.descent));
    if (hasRect && (options & ETO_CLIPPED)) cell &= QRectF(rect->normalized());
    if (chars > 0) Bounds(cell);
    if (hasRect && (options & ETO_OPAQUE)) Bounds(rect->normalized());

    if (updateCp) {
        const qreal a = state_.logFont.lfEscapement * M_PI / 1800.0;
        const unsigned align = state_.textAlign & TA_CENTER;
        const int sign = align == TA_RIGHT ? -1 : align == TA_CENTER ? 0 : 1;
        state_.position +=
            QPoint(RoundInt(sign * width * std::cos(a)), RoundInt(-sign * width * std::sin(a)));
        emitted_->position = state_.position;
    }
}

bool TEmfRecorderDC::StretchDIBits(const QRect& dest, const QRect& src, const TDib& dib,
                                   uint32_t rop) {
    if (finished_ || rop != SRCCOPY || dib.info.size() < 12) return false;
    // Only bitmaps that direct drawing can show as well.
    const auto* info = reinterpret_cast<const uchar*>(dib.info.constData());
    if (U32(info) != 12 && dib.info.size() >= 20 && U32(info + 16) != 0 && U32(info + 16) != 3)
        return false;
    const uint64_t cbBmi = static_cast<uint64_t>(dib.info.size()),
                   cbBits = static_cast<uint64_t>(dib.bits.size());
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
    const qsizetype at = writer_.Begin(EMR_STRETCHDIBITS, static_cast<uint32_t>(size));
    writer_.PutRect(at + 8, Inclusive(dest));
    writer_.PutI32(at + 24, dest.x());
    writer_.PutI32(at + 28, dest.y());
    writer_.PutI32(at + 32, src.x());
    writer_.PutI32(at + 36, src.y());
    writer_.PutI32(at + 40, src.width());
    writer_.PutI32(at + 44, src.height());
    writer_.Put32(at + 48, 80);
    writer_.Put32(at + 52, static_cast<uint32_t>(cbBmi));
    writer_.Put32(at + 56, static_cast<uint32_t>(80 + bmiPadded));
    writer_.Put32(at + 60, static_cast<uint32_t>(cbBits));
    writer_.Put32(at + 64, 0);
    writer_.Put32(at + 68, SRCCOPY);
    writer_.PutI32(at + 72, dest.width());
    writer_.PutI32(at + 76, dest.height());
    writer_.PutBytes(at + 80, dib.info.constData(), dib.info.size());
    writer_.PutBytes(at + 80 + static_cast<qsizetype>(bmiPadded), dib.bits.constData(),
                     dib.bits.size());
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

// ---- Embedding another metafile ------------------------------------------------------

namespace {

// What the embedded picture's mapping records have set so far; its whole mapping is
// folded into the world transform, since this context's page mapping stays plain.
struct Mapping {
    uint32_t mode = 1;
    QPointF winOrg, vpOrg;
    QSizeF winExt{1, 1}, vpExt{1, 1};
    QTransform world;
};

bool ObjectCreating(uint32_t type) {
    return type == EMR_CREATEPEN || type == EMR_CREATEBRUSHINDIRECT ||
           type == EMR_EXTCREATEFONTINDIRECTW || type == EMR_CREATEMONOBRUSH ||
           type == EMR_CREATEDIBPATTERNBRUSHPT || type == EMR_EXTCREATEPEN;
}

bool Dropped(uint32_t type) {
    switch (type) {
    case EMR_SELECTPALETTE:
    case EMR_CREATEPALETTE:
    case EMR_SETPALETTEENTRIES:
    case EMR_RESIZEPALETTE:
    case EMR_REALIZEPALETTE:
    case EMR_SETICMMODE:
    case EMR_CREATECOLORSPACE:
    case EMR_SETCOLORSPACE:
    case EMR_DELETECOLORSPACE:
    case EMR_CREATECOLORSPACEW:
    case EMR_SETMETARGN:
    case EMR_SETLAYOUT:
    case EMR_GDICOMMENT:
        return true;
    default:
        return false;
    }
}

} // namespace

void TEmfRecorderDC::EmbedMetafile(const QByteArray& src, const QRect& destIn) {
    const QRect dest = destIn.normalized();
    if (finished_ || dest.isEmpty() || !CheckEnhMetaFile(src).isEmpty()) return;
    TEnhMetaHeader h;
    ParseHeader(reinterpret_cast<const uchar*>(src.constData()), src.size(), h, nullptr);
    const QRectF frame = FrameInPixels(h);
    if (frame.isEmpty()) return;
    const QPointF k = PixelsPerMillimetre(h);
    const QTransform base =
        QTransform::fromTranslate(-frame.left(), -frame.top()) *
        QTransform::fromScale(dest.width() / frame.width(), dest.height() / frame.height()) *
        QTransform::fromTranslate(dest.x(), dest.y());
    // The picture draws inside its rectangle and the clip in force.
    QRect area = dest;
    if (state_.clip) area &= *state_.clip;
    if (area.isEmpty()) return;

    writer_.Simple(EMR_SAVEDC);
    savedEmitted_.push_back(*emitted_);
    writer_.PutRect(writer_.Begin(EMR_INTERSECTCLIPRECT, 24) + 8, Exclusive(area));
    // The picture expects a fresh context.
    writer_.Simple(EMR_SETTEXTCOLOR, 0);
    writer_.Simple(EMR_SETBKCOLOR, 0xFFFFFF);
    writer_.Simple(EMR_SETBKMODE, OPAQUE);
    writer_.Simple(EMR_SETTEXTALIGN, 0);
    writer_.Simple(EMR_SETSTRETCHBLTMODE, BLACKONWHITE);
    writer_.Simple(EMR_SETPOLYFILLMODE, 1);
    writer_.Simple(EMR_SETROP2, 13);
    writer_.Simple(EMR_SELECTOBJECT, kStockObject | BLACK_PEN);
    writer_.Simple(EMR_SELECTOBJECT, kStockObject | WHITE_BRUSH);
    writer_.Simple(EMR_SELECTOBJECT, kStockObject | SYSTEM_FONT);
    writer_.Simple(EMR_MOVETOEX, 0, 0);

    Mapping m;
    std::vector<Mapping> stack;
    auto emitWorld = [&] {
        const QTransform t =
            m.world * PageTransform(m.mode, m.winOrg, m.winExt, m.vpOrg, m.vpExt, k) * base;
        const qsizetype at = writer_.Begin(EMR_SETWORLDTRANSFORM, 32);
        const double v[6] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
        for (int i = 0; i < 6; ++i)
            writer_.PutF32(at + 8 + 4 * i, static_cast<float>(v[i]));
    };
    emitWorld();
    std::unordered_map<uint32_t, uint32_t> handles;
    auto mapIndex = [&](uint32_t i, uint32_t& out) {
        if (i & kStockObject) {
            out = i;
            return true;
        }
        const auto it = handles.find(i);
        if (it == handles.end()) return false;
        out = it->second;
        return true;
    };
    auto copy = [&](const TRecord& r) {
        const qsizetype at = writer_.Begin(r.type, r.size);
        writer_.PutBytes(at + 8, r.data + 8, r.size - 8);
        return at;
    };
    // Region rectangles are reference pixels of the embedded picture.
    auto regionCopy = [&](const TRecord& r, uint32_t dataAt) {
        const qsizetype at = copy(r);
        const uint32_t count = r.U(dataAt + 8);
        for (uint32_t i = 0; i < count; ++i) {
            const TRectL rc = RectL(r.data + dataAt + 32 + 16 * i);
            const QRectF d =
                base.mapRect(QRectF(QPointF(rc.left, rc.top), QPointF(rc.right, rc.bottom)));
            auto edge = [](double v) { return RoundInt(std::clamp(v, -1e9, 1e9)); };
            QRect mapped(QPoint(edge(d.left()), edge(d.top())),
                         QPoint(edge(d.right()) - 1, edge(d.bottom()) - 1));
            mapped &= area;
            writer_.PutRect(at + dataAt + 32 + 16 * i,
                            mapped.isEmpty() ? TRectL{} : Exclusive(mapped));
        }
        writer_.PutRect(at + dataAt + 16, Exclusive(area));
        return at;
    };

    TRecordWalker walker(src);
    TRecord r;
    bool first = true;
    while (walker.Next(r)) {
        if (first) {
            first = false;
            continue;
        }
        if (r.type == EMR_EOF) break;
        if (!CheckRecord(r).isEmpty() || Dropped(r.type)) continue;
        switch (r.type) {
        case EMR_SETMAPMODE:
            if (r.U(8) >= 1 && r.U(8) <= 8) m.mode = r.U(8), emitWorld();
            break;
        case EMR_SETWINDOWEXTEX:
        case EMR_SETVIEWPORTEXTEX:
            if (r.I(8) != 0 && r.I(12) != 0) {
                (r.type == EMR_SETWINDOWEXTEX ? m.winExt : m.vpExt) = QSizeF(r.I(8), r.I(12));
                emitWorld();
            }
            break;
        case EMR_SETWINDOWORGEX:
            m.winOrg = QPointF(r.I(8), r.I(12)), emitWorld();
            break;
        case EMR_SETVIEWPORTORGEX:
            m.vpOrg = QPointF(r.I(8), r.I(12)), emitWorld();
            break;
        case EMR_SCALEVIEWPORTEXTEX:
        case EMR_SCALEWINDOWEXTEX: {
            const int32_t xn = r.I(8), xd = r.I(12), yn = r.I(16), yd = r.I(20);
            if (xn == 0 || xd == 0 || yn == 0 || yd == 0) break;
            QSizeF& e = r.type == EMR_SCALEWINDOWEXTEX ? m.winExt : m.vpExt;
            e = QSizeF(e.width() * xn / xd, e.height() * yn / yd);
            emitWorld();
            break;
        }
        case EMR_SETWORLDTRANSFORM:
        case EMR_MODIFYWORLDTRANSFORM: {
            const QTransform x(F32(r.data + 8), F32(r.data + 12), F32(r.data + 16),
                               F32(r.data + 20), F32(r.data + 24), F32(r.data + 28));
            const uint32_t mode = r.type == EMR_SETWORLDTRANSFORM ? 4 : r.U(32);
            QTransform w = mode == 1   ? QTransform()
                           : mode == 2 ? x * m.world
                           : mode == 3 ? m.world * x
                                       : x;
            if (mode < 1 || mode > 4 || !std::isfinite(w.determinant()) ||
                std::abs(w.determinant()) < 1e-12)
                break;
            m.world = w;
            emitWorld();
            break;
        }
        case EMR_SAVEDC:
            stack.push_back(m);
            copy(r);
            break;
        case EMR_RESTOREDC: {
            // Never past the picture's own saves, which would undo the embedding.
            const int64_t n = r.I(8), size = static_cast<int64_t>(stack.size());
            const int64_t target = n < 0 ? size + n : n - 1;
            if (target < 0 || target >= size) break;
            m = stack[static_cast<size_t>(target)];
            stack.resize(static_cast<size_t>(target));
            writer_.Simple(EMR_RESTOREDC, static_cast<uint32_t>(target - size));
            break;
        }
        case EMR_SELECTOBJECT: {
            uint32_t o;
            if (mapIndex(r.U(8), o)) writer_.Put32(copy(r) + 8, o);
            break;
        }
        case EMR_DELETEOBJECT: {
            const auto it = handles.find(r.U(8));
            if (it == handles.end()) break;
            writer_.Simple(EMR_DELETEOBJECT, it->second);
            writer_.Release(it->second);
            handles.erase(it);
            break;
        }
        case EMR_FILLRGN:
        case EMR_FRAMERGN: {
            uint32_t o;
            if (mapIndex(r.U(28), o))
                writer_.Put32(regionCopy(r, r.type == EMR_FILLRGN ? 32 : 40) + 28, o);
            break;
        }
        case EMR_PAINTRGN:
        case EMR_INVERTRGN:
            regionCopy(r, 28);
            break;
        case EMR_EXTSELECTCLIPRGN:
            if (r.U(8) != 0) {
                regionCopy(r, 16);
            } else if (r.U(12) == RGN_COPY) {
                // Clipping removed: back to the picture's own area.
                const qsizetype at = writer_.Begin(EMR_EXTSELECTCLIPRGN, 64);
                writer_.Put32(at + 8, 48);
                writer_.Put32(at + 12, RGN_COPY);
                writer_.Put32(at + 16, 32);
                writer_.Put32(at + 20, 1);
                writer_.Put32(at + 24, 1);
                writer_.Put32(at + 28, 16);
                writer_.PutRect(at + 32, Exclusive(area));
                writer_.PutRect(at + 48, Exclusive(area));
            }
            break;
        default:
            if (ObjectCreating(r.type)) {
                const uint32_t srcIndex = r.U(8);
                if (srcIndex == 0 || (srcIndex & kStockObject)) break;
                const auto it = handles.find(srcIndex);
                if (it != handles.end()) {
                    writer_.Simple(EMR_DELETEOBJECT, it->second);
                    writer_.Release(it->second);
                }
                const uint32_t host = writer_.NewHandle();
                handles[srcIndex] = host;
                writer_.Put32(copy(r) + 8, host);
            } else {
                copy(r);
            }
            break;
        }
    }
    writer_.Simple(EMR_RESTOREDC, static_cast<uint32_t>(-1));
    *emitted_ = savedEmitted_.back();
    savedEmitted_.pop_back();
    for (const auto& [from, host] : handles) {
        writer_.Simple(EMR_DELETEOBJECT, host);
        writer_.Release(host);
    }
    Bounds(area);
}

// ---- The recording canvas ------------------------------------------------------------

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, TDeviceContext* referenceDevice,
                                 const QString& description)
    : metafile_(metafile) {
    const int dpiX =
        referenceDevice ? referenceDevice->GetDeviceCaps(LOGPIXELSX) : ScreenPixelsPerInch();
    const int dpiY =
        referenceDevice ? referenceDevice->GetDeviceCaps(LOGPIXELSY) : ScreenPixelsPerInch();
    QSize page;
    if (metafile && metafile->MMWidth() > 0 && metafile->MMHeight() > 0)
        page = QSize(RoundInt(metafile->MMWidth() * static_cast<long double>(dpiX) / 2540),
                     RoundInt(metafile->MMHeight() * static_cast<long double>(dpiY) / 2540));
    recorder_ = std::make_unique<TEmfRecorderDC>(page, dpiX, dpiY, description);
    Font()->SetPixelsPerInch(dpiY);
    SetHandle(recorder_.get());
}

TMetafileCanvas::~TMetafileCanvas() {
    try {
        Finish();
    } catch (...) {
        // A recording that cannot be kept leaves the metafile as it was.
    }
}

void TMetafileCanvas::Finish() {
    if (!recorder_ || recorder_->Finished()) return;
    const QByteArray bytes = recorder_->Finish();
    if (metafile_) metafile_->SetData(bytes);
}

void RegisterMetafileFormats() {
    RegisterFileFormat(QStringLiteral("emf"), QStringLiteral("Enhanced Metafiles"),
                       [] { return std::make_unique<TMetafile>(); });
    RegisterFileFormat(QStringLiteral("wmf"), QStringLiteral("Metafiles"),
                       [] { return std::make_unique<TMetafile>(); });
}
