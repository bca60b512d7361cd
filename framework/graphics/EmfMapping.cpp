#include "framework/graphics/EmfMapping.h"

#include "framework/core/Limits.h"

#include <algorithm>
#include <cmath>

namespace emf {

namespace {

double Clamp(double v) {
    return std::isfinite(v) ? std::clamp(v, -kMaxDeviceCoordinate, kMaxDeviceCoordinate) : 0.0;
}

} // namespace

bool Finite(const QTransform& t) {
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) &&
           std::isfinite(t.m22()) && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

// The one list of the records the mapping takes, for Sets and Apply alike.
TMapping::Step TMapping::StepFor(uint32_t type) {
    switch (type) {
    case EMR_SETMAPMODE:
        return &TMapping::MapMode;
    case EMR_SETWINDOWEXTEX:
    case EMR_SETVIEWPORTEXTEX:
        return &TMapping::Extent;
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTORGEX:
        return &TMapping::Origin;
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX:
        return &TMapping::ScaleExtent;
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM:
        return &TMapping::WorldTransform;
    default:
        return nullptr;
    }
}

bool TMapping::Sets(uint32_t type) {
    return StepFor(type) != nullptr;
}

bool TMapping::Apply(const TRecord& r) {
    const Step step = StepFor(r.type);
    return step && (this->*step)(r);
}

QTransform TMapping::Transform(QPointF pixelsPerMillimetre) const {
    return world * PageTransform(mode, winOrg, winExt, vpOrg, vpExt, pixelsPerMillimetre);
}

bool TMapping::MapMode(const TRecord& r) {
    if (r.U(8) < 1 || r.U(8) > 8) return false;
    mode = r.U(8);
    return true;
}

bool TMapping::Extent(const TRecord& r) {
    if (r.I(8) == 0 || r.I(12) == 0) return false;
    (r.type == EMR_SETWINDOWEXTEX ? winExt : vpExt) = QSizeF(r.I(8), r.I(12));
    return true;
}

bool TMapping::Origin(const TRecord& r) {
    (r.type == EMR_SETWINDOWORGEX ? winOrg : vpOrg) = QPointF(r.I(8), r.I(12));
    return true;
}

bool TMapping::ScaleExtent(const TRecord& r) {
    const int32_t xn = r.I(8), xd = r.I(12), yn = r.I(16), yd = r.I(20);
    if (xn == 0 || xd == 0 || yn == 0 || yd == 0) return false;
    QSizeF& e = r.type == EMR_SCALEWINDOWEXTEX ? winExt : vpExt;
    const QSizeF scaled(Clamp(e.width() * xn / xd), Clamp(e.height() * yn / yd));
    if (scaled.width() == 0 || scaled.height() == 0) return false;
    e = scaled;
    return true;
}

bool TMapping::WorldTransform(const TRecord& r) {
    const QTransform x(F32(r.data + 8), F32(r.data + 12), F32(r.data + 16), F32(r.data + 20),
                       F32(r.data + 24), F32(r.data + 28));
    const uint32_t how = r.type == EMR_SETWORLDTRANSFORM ? 4 : r.U(32);
    QTransform w;
    switch (how) {
    case 1:
        break;
    case 2:
        w = x * world;
        break;
    case 3:
        w = world * x;
        break;
    case 4:
        w = x;
        break;
    default:
        return false;
    }
    if (!Finite(w) || std::abs(w.determinant()) < 1e-12) return false; // singular: keep the old
    world = w;
    return true;
}

} // namespace emf
