#include "framework/graphics/EmfEmbed.h"

#include "framework/core/Limits.h"
#include "framework/core/SysUtils.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/EmfMapping.h"

#include <QTransform>
#include <array>
#include <cmath>
#include <unordered_map>

namespace emf {

namespace {

TRectL Exclusive(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

class Embedder {
public:
    Embedder(TEmfWriter& writer, const TEnhMetaHeader& h, const QRect& dest, const QRect& area);
    void Run(const QByteArray& src);

private:
    using Handler = void (Embedder::*)(const TRecord&);
    static Handler HandlerFor(uint32_t type);

    void Begin();
    void End();
    void EmitWorld();
    qsizetype Copy(const TRecord& r);
    qsizetype CopyRegion(const TRecord& r, uint32_t dataAt);
    bool MapIndex(uint32_t index, uint32_t& out) const;
    void DeleteHost(uint32_t host);

    // ---- one function per kind of record
    void CopyRecord(const TRecord& r) { Copy(r); }
    void Mapping(const TRecord& r);
    void Save(const TRecord& r);
    void Restore(const TRecord& r);
    void Select(const TRecord& r);
    void Delete(const TRecord& r);
    void CreateObject(const TRecord& r);
    void BrushRegion(const TRecord& r);
    void PaintRegion(const TRecord& r);
    void ClipRegion(const TRecord& r);

    TEmfWriter& w_;
    QPointF k_; // the picture's reference pixels per millimetre
    QTransform base_;
    QRect area_;
    // What the picture's mapping records have set so far; the whole of it is folded into
    // the world transform, since the page's own mapping stays plain.
    TMapping m_;
    std::vector<TMapping> stack_;
    std::unordered_map<uint32_t, uint32_t> handles_; // picture's index -> page's index
};

Embedder::Embedder(TEmfWriter& writer, const TEnhMetaHeader& h, const QRect& dest,
                   const QRect& area)
    : w_(writer), k_(PixelsPerMillimetre(h)), area_(area) {
    const QRectF frame = FrameInPixels(h);
    base_ = QTransform::fromTranslate(-frame.left(), -frame.top()) *
            QTransform::fromScale(dest.width() / frame.width(), dest.height() / frame.height()) *
            QTransform::fromTranslate(dest.x(), dest.y());
}

Embedder::Handler Embedder::HandlerFor(uint32_t type) {
    struct Entry {
        uint32_t type;
        Handler handler;
    };
    static constexpr Entry kEntries[] = {
        {EMR_SAVEDC, &Embedder::Save},
        {EMR_RESTOREDC, &Embedder::Restore},
        {EMR_SELECTOBJECT, &Embedder::Select},
        {EMR_DELETEOBJECT, &Embedder::Delete},
        {EMR_FILLRGN, &Embedder::BrushRegion},
        {EMR_FRAMERGN, &Embedder::BrushRegion},
        {EMR_PAINTRGN, &Embedder::PaintRegion},
        {EMR_INVERTRGN, &Embedder::PaintRegion},
        {EMR_EXTSELECTCLIPRGN, &Embedder::ClipRegion},
    };
    if (TMapping::Sets(type)) return &Embedder::Mapping;
    for (const Entry& e : kEntries)
        if (e.type == type) return e.handler;
    return RecordKind(type).Has(TRecordKind::kCreatesObject) ? &Embedder::CreateObject
                                                             : &Embedder::CopyRecord;
}

void Embedder::Run(const QByteArray& src) {
    Begin();
    TRecordWalker walker(src);
    TRecord r;
    bool header = true;
    // No more records than a player plays of one picture.
    for (int64_t seen = 0; seen < kMaxMetafileRecords && walker.Next(r); ++seen) {
        if (std::exchange(header, false)) continue;
        if (r.type == EMR_EOF) break;
        if (!CheckRecord(r).isEmpty() || RecordKind(r.type).Has(TRecordKind::kDeviceSetup))
            continue;
        (this->*HandlerFor(r.type))(r);
    }
    End();
}

void Embedder::Begin() {
    w_.Simple(EMR_SAVEDC);
    w_.PutRect(w_.Begin(EMR_INTERSECTCLIPRECT, 24) + 8, Exclusive(area_));
    // The picture expects a fresh context.
    w_.Simple(EMR_SETTEXTCOLOR, 0);
    w_.Simple(EMR_SETBKCOLOR, 0xFFFFFF);
    w_.Simple(EMR_SETBKMODE, OPAQUE);
    w_.Simple(EMR_SETTEXTALIGN, 0);
    w_.Simple(EMR_SETSTRETCHBLTMODE, BLACKONWHITE);
    w_.Simple(EMR_SETPOLYFILLMODE, 1);
    w_.Simple(EMR_SETROP2, 13);
    w_.Simple(EMR_SELECTOBJECT, kStockObject | BLACK_PEN);
    w_.Simple(EMR_SELECTOBJECT, kStockObject | WHITE_BRUSH);
    w_.Simple(EMR_SELECTOBJECT, kStockObject | SYSTEM_FONT);
    w_.Simple(EMR_MOVETOEX, 0, 0);
    EmitWorld();
}

// Objects go only once the page's own selections are back.
void Embedder::End() {
    w_.Simple(EMR_RESTOREDC, static_cast<uint32_t>(-1));
    for (const auto& [from, host] : handles_)
        DeleteHost(host);
    handles_.clear();
}

void Embedder::EmitWorld() {
    const QTransform t = m_.Transform(k_) * base_;
    const qsizetype at = w_.Begin(EMR_SETWORLDTRANSFORM, 32);
    const double v[6] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    for (int i = 0; i < 6; ++i)
        w_.PutF32(at + 8 + 4 * i, static_cast<float>(v[i]));
}

qsizetype Embedder::Copy(const TRecord& r) {
    const qsizetype at = w_.Begin(r.type, r.size);
    w_.PutBytes(at + 8, r.data + 8, r.size - 8);
    return at;
}

// Region rectangles are reference pixels of the embedded picture: they take only its frame
// mapping, and never reach outside the area.
qsizetype Embedder::CopyRegion(const TRecord& r, uint32_t dataAt) {
    const qsizetype at = Copy(r);
    const uint32_t count = r.U(dataAt + 8);
    auto edge = [](double v) { return RoundInt(std::clamp(v, -1e9, 1e9)); };
    for (uint32_t i = 0; i < count; ++i) {
        const TRectL rc = RectL(r.data + dataAt + 32 + 16 * i);
        const QRectF d =
            base_.mapRect(QRectF(QPointF(rc.left, rc.top), QPointF(rc.right, rc.bottom)));
        QRect mapped(QPoint(edge(d.left()), edge(d.top())),
                     QPoint(edge(d.right()) - 1, edge(d.bottom()) - 1));
        mapped &= area_;
        w_.PutRect(at + dataAt + 32 + 16 * i, mapped.isEmpty() ? TRectL{} : Exclusive(mapped));
    }
    w_.PutRect(at + dataAt + 16, Exclusive(area_));
    return at;
}

bool Embedder::MapIndex(uint32_t index, uint32_t& out) const {
    if (index & kStockObject) {
        out = index;
        return true;
    }
    const auto it = handles_.find(index);
    if (it == handles_.end()) return false;
    out = it->second;
    return true;
}

void Embedder::DeleteHost(uint32_t host) {
    w_.Simple(EMR_DELETEOBJECT, host);
    w_.Release(host);
}

void Embedder::Mapping(const TRecord& r) {
    if (m_.Apply(r)) EmitWorld();
}

// Saves past those a player keeps are passed by, as it passes them by.
void Embedder::Save(const TRecord& r) {
    if (stack_.size() >= static_cast<size_t>(kMaxSavedStates)) return;
    stack_.push_back(m_);
    Copy(r);
}

// Never past the picture's own saves, which would undo the embedding.
void Embedder::Restore(const TRecord& r) {
    const int64_t n = r.I(8), size = static_cast<int64_t>(stack_.size());
    const int64_t target = n < 0 ? size + n : n - 1;
    if (target < 0 || target >= size) return;
    m_ = stack_[static_cast<size_t>(target)];
    stack_.resize(static_cast<size_t>(target));
    w_.Simple(EMR_RESTOREDC, static_cast<uint32_t>(target - size));
}

void Embedder::Select(const TRecord& r) {
    uint32_t host;
    if (MapIndex(r.U(8), host)) w_.Put32(Copy(r) + 8, host);
}

void Embedder::Delete(const TRecord& r) {
    const auto it = handles_.find(r.U(8));
    if (it == handles_.end()) return;
    DeleteHost(it->second);
    handles_.erase(it);
}

void Embedder::CreateObject(const TRecord& r) {
    const uint32_t index = r.U(8);
    if (index == 0 || (index & kStockObject)) return;
    const auto it = handles_.find(index);
    if (it != handles_.end()) DeleteHost(it->second);
    const uint32_t host = w_.NewHandle();
    handles_[index] = host;
    w_.Put32(Copy(r) + 8, host);
}

void Embedder::BrushRegion(const TRecord& r) {
    uint32_t host;
    if (MapIndex(r.U(28), host))
        w_.Put32(CopyRegion(r, r.type == EMR_FILLRGN ? 32 : 40) + 28, host);
}

void Embedder::PaintRegion(const TRecord& r) {
    CopyRegion(r, 28);
}

void Embedder::ClipRegion(const TRecord& r) {
    if (r.U(8) != 0) {
        CopyRegion(r, 16);
        return;
    }
    if (r.U(12) != RGN_COPY) return;
    // Clipping removed: back to the picture's own area.
    const qsizetype at = w_.Begin(EMR_EXTSELECTCLIPRGN, 64);
    w_.Put32(at + 8, 48);
    w_.Put32(at + 12, RGN_COPY);
    w_.Put32(at + 16, 32);
    w_.Put32(at + 20, 1);
    w_.Put32(at + 24, 1);
    w_.Put32(at + 28, 16);
    w_.PutRect(at + 32, Exclusive(area_));
    w_.PutRect(at + 48, Exclusive(area_));
}

} // namespace

bool EmbedEnhMetaFile(TEmfWriter& writer, const QByteArray& src, const QRect& dest,
                      const QRect& area) {
    TEnhMetaHeader h;
    if (!ParseHeader(reinterpret_cast<const uchar*>(src.constData()), src.size(), h, nullptr))
        return false;
    if (FrameInPixels(h).isEmpty() || dest.isEmpty() || area.isEmpty()) return false;
    Embedder(writer, h, dest, area).Run(src);
    return true;
}

} // namespace emf
