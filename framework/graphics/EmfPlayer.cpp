#include "framework/graphics/EmfPlayer.h"

#include "framework/core/Limits.h"
#include "framework/core/SysUtils.h"
#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/EmfMapping.h"
#include "framework/graphics/EmfRecords.h"
#include "framework/graphics/JpegBytes.h"

#include <QBuffer>
#include <QImageReader>
#include <QPagedPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRawFont>
#include <QRegion>
#include <QThread>
#include <array>
#include <atomic>
#include <cmath>
#include <optional>
#include <thread>
#include <unordered_map>
#include <variant>

using namespace emf;

namespace {

constexpr double kCoordLimit = kMaxDeviceCoordinate;
constexpr int32_t kMaxAdvance = kMaxTextAdvance;

int ToInt(double v) {
    if (std::isnan(v)) return 0;
    return RoundInt(std::clamp(v, -kCoordLimit, kCoordLimit));
}

// Bitmap source coordinates: any sound one is far inside this.
int Small(int32_t v) {
    return std::clamp<int32_t>(v, -(1 << 28), 1 << 28);
}

QColor ColorRef(uint32_t c) {
    return QColor(c & 255, (c >> 8) & 255, (c >> 16) & 255);
}

bool AxisAligned(const QTransform& t) {
    return t.m12() == 0 && t.m21() == 0 && t.m13() == 0 && t.m23() == 0;
}

struct Pen {
    uint32_t style = 0;
    double width = 0; // logical; 0: one device pixel
    QColor color = Qt::black;
    std::vector<qreal> dashes; // logical lengths of a user style
    bool Null() const { return (style & 0xF) == PS_NULL; }
};

struct Brush {
    enum Kind { Solid, Null, Hatched, Pattern } kind = Solid;
    int hatch = 0;
    QColor color = Qt::white;
    QImage pattern;
};

struct Font {
    LOGFONT lf;
    QFont font; // sized in logical units
};

struct Other {};
using Object = std::variant<std::monostate, Pen, Brush, Font, Other>;

Font MakeFont(const LOGFONT& lf) {
    return {lf, QFontFromLogFont(lf)};
}

Font StockFont(uint32_t id) {
    LOGFONT lf;
    lf.lfHeight = -13;
    lf.lfWeight = id == SYSTEM_FONT ? FW_BOLD : FW_NORMAL;
    const bool fixed = id == OEM_FIXED_FONT || id == ANSI_FIXED_FONT || id == SYSTEM_FIXED_FONT;
    lf.SetFaceName(fixed ? QStringLiteral("Courier New") : QStringLiteral("MS Sans Serif"));
    return MakeFont(lf);
}

struct State {
    TMapping mapping;
    Pen pen;
    Brush brush;
    Font font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    int bkMode = OPAQUE;
    uint32_t textAlign = 0;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    int stretchMode = BLACKONWHITE;
    int rop2 = 13;
    bool clockwise = false;
    double miterLimit = 10;
    QPointF cp;
    QRegion clip; // device pixels
};

// The part of a bitmap that is decoded (pixels counted from its top row) and the size it
// is decoded to: its columns and rows sampled evenly, each cell by its middle pixel.
struct TBitmapArea {
    QRect part;
    QSize size;

    bool Empty() const { return part.isEmpty() || size.isEmpty(); }
    // A rectangle in the whole bitmap's pixels in those of the decoded image.
    QRectF Map(const QRectF& r) const {
        const double kx = double(size.width()) / part.width(),
                     ky = double(size.height()) / part.height();
        return {(r.x() - part.x()) * kx, (r.y() - part.y()) * ky, r.width() * kx, r.height() * ky};
    }
};

class Player {
public:
    Player(QPainter& painter, const QByteArray& emf, const QRectF& dest);
    void Run();

private:
    using Handler = void (Player::*)(const TRecord&);
    static Handler HandlerFor(uint32_t type);
    QTransform Total();
    void Dirty() { totalValid_ = false; }
    // Takes the part of a device rectangle over the destination from what may still be
    // filled; false (and the play ends) when that is not left.
    bool AffordFill(const QRectF& device);
    bool AffordFillWork(double pixels);
    // Takes a path's device length, times the pen's device width, from what may still be
    // stroked; false (and the play ends) when that is not left.
    bool AffordStroke(const QPainterPath& device, double penWidth);
    void Stroke(const QPainterPath& logical, const QTransform& t);

    // ---- objects and state
    void CreateObject(uint32_t index, Object object);
    void Select(uint32_t index);
    void ApplyClip();
    void CombineClip(const QRegion& region, uint32_t mode);
    QRegion LogicalRectRegion(const TRectL& r);
    QPolygon CutToDestination(const QPolygonF& device) const;
    QRegion RegionData(const TRecord& r, uint32_t at);

    // ---- drawing
    bool UseDelegate() const;
    QRect DeviceRect(double l, double t, double r, double b);
    void SyncDelegate();
    int DevicePenWidth();
    QPen QtPen();
    QBrush QtBrush(const Brush& b) const;
    bool ApplyRop2();
    void DrawPath(const QPainterPath& logical, bool fill, bool stroke);
    void FillDevicePath(const QPainterPath& device, const Brush& brush);
    void StrokeDevicePath(const QPainterPath& device);
    void Rectangle(const TRectL& r);
    void LineTo(QPointF p);
    void Points(const TRecord& r, uint32_t at, uint32_t count, bool wide,
                std::vector<QPointF>& out);
    void Poly(const TRecord& r);
    void PolyPoly(const TRecord& r);
    void PolyDraw(const TRecord& r);
    void ArcFamily(const TRecord& r);
    void Text(QPointF ref, uint32_t options, std::optional<TRectL> rect, const QString& text,
              std::vector<int> dx);
    void TextBox(const QTransform& t, uint32_t options, const TRectL& rect);
    void TextRun(const QTransform& t, QPointF pd, const QString& text, const TTextRun& run);
    // Takes the square pixels of the characters the face lacks from what may still go to
    // fallback fonts; false when they are not left.
    bool AffordFallback(const QFont& font, const QString& text, double em);
    void ExtTextOut(const TRecord& r);
    void SmallTextOut(const TRecord& r);
    void Bitmap(const TRecord& r);
    void PrefetchJpegs();
    bool JpegBitmap(const TDib& dib, const QRect& src, const QRectF& d, uint32_t rop);
    TBitmapArea DrawnArea(QSize full, QRectF src, const QRectF& destLogical);
    QImage DecodeDrawn(const TDib& dib, bool alpha, QRectF& src, const QRectF& destLogical);
    TBitmapArea PatternArea(QSize full) const;
    void DrawImage(const QImage& image, QRectF destLogical, QRectF src, uint32_t rop,
                   double opacity);
    void PatBlt(const QRectF& destLogical, uint32_t rop);
    void FillRegion(const QRegion& region, const Brush& brush);
    Brush PatternBrush(const TRecord& r);
    void PathRecord(const TRecord& r);

    // ---- one function per kind of record, chosen by HandlerFor
    void Ignore(const TRecord&) {}
    void Mapping(const TRecord& r);
    void Save(const TRecord& r);
    void Restore(const TRecord& r);
    void BkMode(const TRecord& r);
    void PolyFillMode(const TRecord& r);
    void Rop2(const TRecord& r);
    void StretchMode(const TRecord& r);
    void TextAlign(const TRecord& r);
    void TextColor(const TRecord& r);
    void BkColor(const TRecord& r);
    void ArcDirection(const TRecord& r);
    void MiterLimit(const TRecord& r);
    void MoveTo(const TRecord& r);
    void LineToRecord(const TRecord& r);
    void SelectObject(const TRecord& r);
    void DeleteObject(const TRecord& r);
    void CreatePen(const TRecord& r);
    void ExtCreatePen(const TRecord& r);
    void CreateBrush(const TRecord& r);
    void CreatePatternBrush(const TRecord& r);
    void CreateFont(const TRecord& r);
    void CreateOther(const TRecord& r);
    void RectangleRecord(const TRecord& r);
    void RoundShape(const TRecord& r);
    void IntersectClip(const TRecord& r);
    void ExcludeClip(const TRecord& r);
    void OffsetClip(const TRecord& r);
    void SelectClipRegion(const TRecord& r);
    void FillRgn(const TRecord& r);
    void PaintRgn(const TRecord& r);

    QPainter& painter_;
    const QByteArray& emf_;
    QRectF dest_;
    TEnhMetaHeader header_;
    bool valid_ = false;
    double kx_ = 0, ky_ = 0; // reference pixels per millimetre
    QTransform entry_, base_, total_;
    bool totalValid_ = false;
    QRegion initialClip_;
    State state_;
    std::vector<State> saved_;
    std::vector<Object> objects_;
    std::optional<TPainterDC> delegate_;
    bool inPath_ = false;
    QPainterPath path_; // device coordinates
    bool rasterOps_ = false;
    int64_t bitmapBudget_ = kMaxMetafileBitmapPixels; // pixels that bitmaps may still decode to
    // What the rest of the play may still cost: pixels filled, pixels of outline stroked with
    // wide pens, rectangles of clip regions set. A play that spends one ends there.
    double fillBudget_ = kMaxMetafileFillPixels;
    double strokeBudget_ = kMaxMetafileStrokePixels;
    int64_t clipBudget_ = kMaxMetafileClipRectangles;
    bool spent_ = false;
    double fallbackArea_ = kMaxFallbackTextArea;
    std::unordered_map<QString, QRawFont> rawFonts_;
};

Player::Player(QPainter& painter, const QByteArray& emf, const QRectF& dest)
    : painter_(painter), emf_(emf), dest_(dest) {
    QString why;
    valid_ =
        ParseHeader(reinterpret_cast<const uchar*>(emf.constData()), emf.size(), header_, &why);
    if (!valid_) return;
    const QPointF k = PixelsPerMillimetre(header_);
    kx_ = k.x();
    ky_ = k.y();
    const QRectF frame = FrameInPixels(header_);
    if (frame.width() <= 0 || frame.height() <= 0 || dest.isEmpty()) {
        valid_ = false;
        return;
    }
    entry_ = painter.combinedTransform();
    base_ = QTransform::fromTranslate(-frame.left(), -frame.top()) *
            QTransform::fromScale(dest.width() / frame.width(), dest.height() / frame.height()) *
            QTransform::fromTranslate(dest.left(), dest.top()) * entry_;
    if (!Finite(base_)) valid_ = false;
}

void Player::Run() {
    if (!valid_) return;
    painter_.save();
    const QRectF d = entry_.mapRect(dest_);
    initialClip_ = QRegion(QRect(QPoint(ToInt(d.left()), ToInt(d.top())),
                                 QPoint(ToInt(d.right()) - 1, ToInt(d.bottom()) - 1)));
    if (painter_.hasClipping())
        initialClip_ &= painter_.combinedTransform().map(painter_.clipRegion());
    painter_.setViewTransformEnabled(false);
    rasterOps_ =
        painter_.paintEngine() && painter_.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    delegate_.emplace(&painter_);
    state_.font = StockFont(SYSTEM_FONT);
    state_.clip = initialClip_;
    ApplyClip();
    PrefetchJpegs();
    TRecordWalker walker(emf_);
    TRecord r;
    bool first = true;
    for (int64_t played = 0; walker.Next(r) && played < kMaxMetafileRecords; ++played) {
        if (first) { // the header
            first = false;
            continue;
        }
        if (!CheckRecord(r).isEmpty()) continue;
        if (r.type == EMR_EOF || spent_) break;
        (this->*HandlerFor(r.type))(r);
    }
    delegate_.reset();
    painter_.restore();
}

QTransform Player::Total() {
    if (!totalValid_) {
        total_ = state_.mapping.Transform(QPointF(kx_, ky_)) * base_;
        totalValid_ = true;
    }
    return total_;
}

// ---- objects, state and clipping ------------------------------------------------------

void Player::CreateObject(uint32_t index, Object object) {
    if (index == 0 || index > kMaxMetafileObjects) return;
    if (index >= objects_.size()) objects_.resize(index + 1);
    objects_[index] = std::move(object);
}

void Player::Select(uint32_t index) {
    if (index & kStockObject) {
        const uint32_t id = index & 0x7FFFFFFF;
        static const int greys[] = {255, 192, 128, 64, 0};
        if (id <= BLACK_BRUSH || id == DC_BRUSH) {
            const int g = id == DC_BRUSH ? 255 : greys[id];
            state_.brush = Brush{Brush::Solid, 0, QColor(g, g, g), {}};
        } else if (id == NULL_BRUSH) {
            state_.brush = Brush{Brush::Null, 0, Qt::white, {}};
        } else if (id == WHITE_PEN || id == BLACK_PEN || id == DC_PEN) {
            state_.pen = Pen{0, 0, id == WHITE_PEN ? Qt::white : Qt::black, {}};
        } else if (id == NULL_PEN) {
            state_.pen = Pen{PS_NULL, 0, Qt::black, {}};
        } else if (id >= OEM_FIXED_FONT && id <= SYSTEM_FIXED_FONT && id != DEFAULT_PALETTE) {
            state_.font = StockFont(id);
        } else if (id == DEFAULT_GUI_FONT) {
            state_.font = StockFont(id);
        }
        return;
    }
    if (index >= objects_.size()) return; // an unknown object keeps the selection
    const Object& o = objects_[index];
    if (auto* p = std::get_if<Pen>(&o))
        state_.pen = *p;
    else if (auto* b = std::get_if<Brush>(&o))
        state_.brush = *b;
    else if (auto* f = std::get_if<Font>(&o))
        state_.font = *f;
}

void Player::ApplyClip() {
    // Some engines write the whole region out at every change (a PDF file grows by it).
    clipBudget_ -= state_.clip.rectCount();
    if (clipBudget_ < 0) {
        spent_ = true;
        return;
    }
    painter_.setTransform(QTransform());
    painter_.setClipRegion(state_.clip);
}

void Player::CombineClip(const QRegion& region, uint32_t mode) {
    QRegion clip = state_.clip;
    switch (mode) {
    case RGN_AND:
        clip &= region;
        break;
    case RGN_OR:
        clip |= region;
        break;
    case RGN_XOR:
        clip ^= region;
        break;
    case RGN_DIFF:
        clip -= region;
        break;
    case RGN_COPY:
        clip = region;
        break;
    default:
        return;
    }
    clip &= initialClip_; // nothing ever draws outside the destination
    // Each change costs time in proportion to the region's rectangles: a clip cut into more
    // pieces than any page needs is passed by.
    if (clip.rectCount() > kMaxClipRegionRectangles) return;
    state_.clip = clip;
    ApplyClip();
}

QRegion Player::LogicalRectRegion(const TRectL& r) {
    const QTransform t = Total();
    if (AxisAligned(t)) return QRegion(DeviceRect(r.left, r.top, r.right, r.bottom));
    const QPolygon device =
        CutToDestination(t.map(QPolygonF(QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom)))));
    // A turned rectangle without area is an empty region.
    int64_t twiceArea = 0;
    for (qsizetype i = 0; i < device.size(); ++i) {
        const QPoint& a = device[i];
        const QPoint& b = device[(i + 1) % device.size()];
        twiceArea += int64_t(a.x()) * b.y() - int64_t(b.x()) * a.y();
    }
    if (twiceArea == 0) return QRegion();
    return QRegion(device);
}

// Only the part of a polygon over the destination counts (every clip is cut to it), and
// Qt's polygon regions lose memory on polygons far taller than any page: each polygon is
// cut to the destination's bounds, side by side, before it becomes a region. Cutting along
// a straight line keeps every point on the inner side at its winding number, so both fill
// rules give the same region there. Fewer than three corners left is no polygon.
QPolygon Player::CutToDestination(const QPolygonF& device) const {
    const QRectF bounds = QRectF(initialClip_.boundingRect()).adjusted(-1, -1, 1, 1);
    QPolygonF poly = device;
    const auto cut = [&poly](auto inside, auto crossing) {
        QPolygonF kept;
        for (qsizetype i = 0; i < poly.size(); ++i) {
            const QPointF& a = poly[(i + poly.size() - 1) % poly.size()];
            const QPointF& b = poly[i];
            if (inside(b)) {
                if (!inside(a)) kept << crossing(a, b);
                kept << b;
            } else if (inside(a)) {
                kept << crossing(a, b);
            }
        }
        poly.swap(kept);
    };
    const auto atX = [](double x) {
        return [x](const QPointF& a, const QPointF& b) {
            return QPointF(x, a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x()));
        };
    };
    const auto atY = [](double y) {
        return [y](const QPointF& a, const QPointF& b) {
            return QPointF(a.x() + (b.x() - a.x()) * (y - a.y()) / (b.y() - a.y()), y);
        };
    };
    cut([&](const QPointF& p) { return p.x() >= bounds.left(); }, atX(bounds.left()));
    cut([&](const QPointF& p) { return p.x() <= bounds.right(); }, atX(bounds.right()));
    cut([&](const QPointF& p) { return p.y() >= bounds.top(); }, atY(bounds.top()));
    cut([&](const QPointF& p) { return p.y() <= bounds.bottom(); }, atY(bounds.bottom()));
    QPolygon rounded;
    if (poly.size() < 3) return rounded;
    rounded.reserve(poly.size());
    for (const QPointF& p : poly)
        rounded << QPoint(ToInt(p.x()), ToInt(p.y()));
    return rounded;
}

// Region rectangles are reference-device pixels: only the frame mapping applies to them.
QRegion Player::RegionData(const TRecord& r, uint32_t at) {
    const uint32_t count = r.U(at + 8);
    std::vector<QRegion> parts;
    parts.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const TRectL rc = RectL(r.data + at + 32 + 16 * i);
        const QRectF d =
            base_.mapRect(QRectF(QPointF(rc.left, rc.top), QPointF(rc.right, rc.bottom)));
        const int x0 = ToInt(d.left()), y0 = ToInt(d.top()), x1 = ToInt(d.right()),
                  y1 = ToInt(d.bottom());
        if (x1 > x0 && y1 > y0) parts.emplace_back(QRect(x0, y0, x1 - x0, y1 - y0));
    }
    // Unite pairwise so that many rectangles do not cost a quadratic time.
    while (parts.size() > 1) {
        std::vector<QRegion> next;
        next.reserve(parts.size() / 2 + 1);
        for (size_t i = 0; i + 1 < parts.size(); i += 2)
            next.push_back(parts[i].united(parts[i + 1]));
        if (parts.size() % 2) next.push_back(parts.back());
        parts.swap(next);
    }
    return parts.empty() ? QRegion() : parts.front();
}

// ---- drawing helpers -----------------------------------------------------------------

// Shapes whose corners stay on whole device pixels are drawn by the same code as direct
// drawing, so a page played at its recorded size matches it pixel for pixel.
bool Player::UseDelegate() const {
    return state_.rop2 == 13 && state_.brush.kind != Brush::Pattern && state_.pen.dashes.empty();
}

QRect Player::DeviceRect(double l, double t, double r, double b) {
    const QTransform m = Total();
    const QPointF p1 = m.map(QPointF(l, t)), p2 = m.map(QPointF(r, b));
    int x0 = ToInt(std::min(p1.x(), p2.x())), x1 = ToInt(std::max(p1.x(), p2.x()));
    int y0 = ToInt(std::min(p1.y(), p2.y())), y1 = ToInt(std::max(p1.y(), p2.y()));
    // A bar of the picture never vanishes when it is shown smaller.
    if (x1 == x0 && l != r) ++x1;
    if (y1 == y0 && t != b) ++y1;
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

int Player::DevicePenWidth() {
    if (state_.pen.width <= 0) return 0;
    const QTransform t = Total();
    const double scale = std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
    return std::max(1, ToInt(state_.pen.width * scale));
}

void Player::SyncDelegate() {
    TPenData pen;
    const uint32_t style = state_.pen.style & 0xF;
    static const TPenStyle styles[] = {psSolid, psDash,        psDot, psDashDot, psDashDotDot,
                                       psClear, psInsideFrame, psDot, psDot};
    pen.style = style < 9 ? styles[style] : psSolid;
    pen.width = DevicePenWidth();
    pen.color = FromQColor(state_.pen.color);
    delegate_->SelectPen(pen);
    TBrushData brush;
    static const TBrushStyle hatches[] = {bsHorizontal, bsVertical, bsFDiagonal,
                                          bsBDiagonal,  bsCross,    bsDiagCross};
    brush.style =
        state_.brush.kind == Brush::Null ? bsClear
        : state_.brush.kind == Brush::Hatched && state_.brush.hatch >= 0 && state_.brush.hatch < 6
            ? hatches[state_.brush.hatch]
            : bsSolid;
    brush.color = FromQColor(state_.brush.color);
    delegate_->SelectBrush(brush);
    delegate_->SetBkColor(FromQColor(state_.bkColor));
    delegate_->SetBkMode(state_.bkMode);
    delegate_->SetStretchBltMode(state_.stretchMode);
    painter_.setTransform(QTransform());
}

QPen Player::QtPen() {
    const Pen& p = state_.pen;
    if (p.Null()) return Qt::NoPen;
    QPen pen(p.color);
    const QTransform t = Total();
    const double scale = std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
    const bool cosmetic = p.width * scale < 1.5;
    pen.setCosmetic(cosmetic);
    pen.setWidthF(cosmetic ? 0 : p.width);
    switch (p.style & 0xF00) {
    case 0x100:
        pen.setCapStyle(Qt::SquareCap);
        break;
    case 0x200:
        pen.setCapStyle(Qt::FlatCap);
        break;
    default:
        pen.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (p.style & 0xF000) {
    case 0x1000:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case 0x2000:
        pen.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        pen.setJoinStyle(Qt::RoundJoin);
        break;
    }
    pen.setMiterLimit(state_.miterLimit);
    switch (p.style & 0xF) {
    case 1:
        pen.setStyle(Qt::DashLine);
        break;
    case 2:
        pen.setStyle(Qt::DotLine);
        break;
    case 3:
        pen.setStyle(Qt::DashDotLine);
        break;
    case 4:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    case 7:
        if (!p.dashes.empty() && p.width > 0) {
            QList<qreal> pattern;
            for (qreal d : p.dashes)
                pattern << std::max<qreal>(d / p.width, 0.01);
            if (pattern.size() % 2) pattern << pattern.back();
            pen.setDashPattern(pattern);
        } else {
            pen.setStyle(Qt::DotLine);
        }
        break;
    default:
        break;
    }
    return pen;
}

QBrush Player::QtBrush(const Brush& b) const {
    switch (b.kind) {
    case Brush::Null:
        return Qt::NoBrush;
    case Brush::Hatched: {
        static const Qt::BrushStyle hatch[] = {Qt::HorPattern,   Qt::VerPattern,
                                               Qt::BDiagPattern, Qt::FDiagPattern,
                                               Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(b.color, b.hatch >= 0 && b.hatch < 6 ? hatch[b.hatch] : Qt::SolidPattern);
    }
    case Brush::Pattern:
        return b.pattern.isNull() ? QBrush(b.color) : QBrush(b.pattern);
    default:
        return QBrush(b.color);
    }
}

// False when the mix mode draws nothing.
bool Player::ApplyRop2() {
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (state_.rop2) {
    case 11:
        return false; // R2_NOP
    case 6:
        mode = QPainter::RasterOp_NotDestination;
        break;
    case 7:
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
    case 9:
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case 15:
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
    default:
        break;
    }
    if (mode != QPainter::CompositionMode_SourceOver && !rasterOps_)
        mode = QPainter::CompositionMode_SourceOver;
    painter_.setCompositionMode(mode);
    return true;
}

bool Player::AffordFill(const QRectF& device) {
    const QRectF shown = device.normalized().intersected(QRectF(initialClip_.boundingRect()));
    return AffordFillWork(shown.width() * shown.height());
}

bool Player::AffordFillWork(double pixels) {
    fillBudget_ -= pixels;
    if (!(fillBudget_ >= 0)) spent_ = true;
    return !spent_;
}

bool Player::AffordStroke(const QPainterPath& device, double penWidth) {
    strokeBudget_ -= device.length() * std::max(1.0, penWidth);
    if (!(strokeBudget_ >= 0)) spent_ = true;
    return !spent_;
}

// Wide pens stroke long paths a piece at a time: the rasteriser keeps the cells of each
// row in a sorted list, so one outline of thousands of crossing segments costs the square
// of their number, pieces only their sum. Each piece starts where the last one ended.
void Player::Stroke(const QPainterPath& logical, const QTransform& t) {
    const QPen pen = QtPen();
    if (pen.style() == Qt::NoPen) return;
    const double scale = std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
    if (!pen.isCosmetic() && !AffordStroke(t.map(logical), pen.widthF() * scale)) return;
    painter_.setTransform(t);
    constexpr int kPiece = 64;
    if (pen.isCosmetic() || logical.elementCount() <= kPiece) {
        painter_.strokePath(logical, pen);
        return;
    }
    QPainterPath piece;
    for (int i = 0; i < logical.elementCount(); ++i) {
        const QPainterPath::Element e = logical.elementAt(i);
        if (e.isMoveTo() || piece.elementCount() >= kPiece) {
            if (piece.elementCount() > 1) painter_.strokePath(piece, pen);
            const QPointF from = e.isMoveTo() ? QPointF(e) : piece.currentPosition();
            piece = QPainterPath(from);
            if (e.isMoveTo()) continue;
        }
        if (e.isLineTo()) {
            piece.lineTo(e);
        } else if (e.isCurveTo() && i + 2 < logical.elementCount()) {
            piece.cubicTo(e, logical.elementAt(i + 1), logical.elementAt(i + 2));
            i += 2;
        }
    }
    if (piece.elementCount() > 1) painter_.strokePath(piece, pen);
}

void Player::FillDevicePath(const QPainterPath& device, const Brush& brush) {
    if (brush.kind == Brush::Null) return;
    // A filled outline also costs its edges on every row it spans; one of many edges is
    // filled without smoothing, whose rasteriser does not slow with their square.
    const QRectF bounds =
        device.controlPointRect().intersected(QRectF(initialClip_.boundingRect()));
    const int edges = device.elementCount();
    if (!AffordFill(bounds) || !AffordFillWork(double(edges) * bounds.height())) return;
    if (edges > 1024) painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setTransform(QTransform());
    if (brush.kind == Brush::Hatched && state_.bkMode == OPAQUE)
        painter_.fillPath(device, state_.bkColor);
    painter_.fillPath(device, QtBrush(brush));
}

void Player::StrokeDevicePath(const QPainterPath& device) {
    if (state_.pen.Null()) return;
    // Stroke in logical space so that wide pens scale with the picture.
    const QTransform t = Total();
    bool invertible = false;
    const QTransform inverse = t.inverted(&invertible);
    if (!invertible) return;
    Stroke(inverse.map(device), t);
}

void Player::DrawPath(const QPainterPath& logical, bool fill, bool stroke) {
    const QTransform t = Total();
    if (inPath_) {
        path_.addPath(t.map(logical));
        return;
    }
    painter_.save();
    if (ApplyRop2()) {
        painter_.setRenderHint(QPainter::Antialiasing, true);
        if (fill) {
            QPainterPath filled = t.map(logical);
            filled.setFillRule(state_.fillRule);
            FillDevicePath(filled, state_.brush);
        }
        if (stroke && !state_.pen.Null()) Stroke(logical, t);
    }
    painter_.restore();
}

void Player::Rectangle(const TRectL& r) {
    const QTransform t = Total();
    if (inPath_) {
        QPainterPath p;
        p.addRect(QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom)));
        path_.addPath(t.map(p));
        return;
    }
    if (AxisAligned(t) && UseDelegate()) {
        const QRect d = DeviceRect(r.left, r.top, r.right, r.bottom);
        if (!AffordFill(d)) return;
        SyncDelegate();
        delegate_->Rectangle(d.left(), d.top(), d.left() + d.width(), d.top() + d.height());
        return;
    }
    QPainterPath p;
    p.addRect(QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom)).normalized());
    DrawPath(p, true, true);
}

void Player::LineTo(QPointF to) {
    const QPointF from = state_.cp;
    state_.cp = to;
    const QTransform t = Total();
    if (inPath_) {
        if (path_.elementCount() == 0) path_.moveTo(t.map(from));
        path_.lineTo(t.map(to));
        return;
    }
    if (state_.pen.Null()) return;
    const bool flat = (state_.pen.style & 0xF00) == 0x200;
    if (AxisAligned(t) && UseDelegate() && (state_.pen.width <= 1 || flat) &&
        std::abs(from.x()) < kCoordLimit && std::abs(from.y()) < kCoordLimit &&
        std::abs(to.x()) < kCoordLimit && std::abs(to.y()) < kCoordLimit) {
        // Lines are drawn in logical units under the mapping, as direct drawing on a
        // scaled painter draws them: a thin pen stays one device pixel wide.
        SyncDelegate();
        TPenData pen = delegate_->Pen();
        pen.width = static_cast<int>(std::min(state_.pen.width, 1e6));
        delegate_->SelectPen(pen);
        painter_.setTransform(t);
        delegate_->MoveTo(static_cast<int>(from.x()), static_cast<int>(from.y()));
        delegate_->LineTo(static_cast<int>(to.x()), static_cast<int>(to.y()));
        return;
    }
    QPainterPath p(from);
    p.lineTo(to);
    DrawPath(p, false, true);
}

void Player::Points(const TRecord& r, uint32_t at, uint32_t count, bool wide,
                    std::vector<QPointF>& out) {
    out.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (wide)
            out[i] = QPointF(r.I(at + 8 * i), r.I(at + 8 * i + 4));
        else
            out[i] = QPointF(I16(r.data + at + 4 * i), I16(r.data + at + 4 * i + 2));
    }
}

void Player::Poly(const TRecord& r) {
    const bool wide = r.type < EMR_POLYBEZIER16;
    const uint32_t type = wide ? r.type : r.type - EMR_POLYBEZIER16 + EMR_POLYBEZIER;
    std::vector<QPointF> pts;
    Points(r, 28, r.U(24), wide, pts);
    if (pts.empty()) return;
    const bool to = type == EMR_POLYBEZIERTO || type == EMR_POLYLINETO;
    QPainterPath p(to ? state_.cp : pts[0]);
    const size_t first = to ? 0 : 1;
    if (type == EMR_POLYBEZIER || type == EMR_POLYBEZIERTO) {
        for (size_t i = first; i + 2 < pts.size(); i += 3)
            p.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
    } else {
        for (size_t i = first; i < pts.size(); ++i)
            p.lineTo(pts[i]);
    }
    if (to) state_.cp = pts.back();
    if (type == EMR_POLYGON) p.closeSubpath();
    if (inPath_) {
        // Figures in a path continue from the current point.
        if (to && path_.elementCount() > 0) {
            const QTransform t = Total();
            for (int i = 1; i < p.elementCount(); ++i) {
                const auto e = p.elementAt(i);
                if (e.type == QPainterPath::LineToElement)
                    path_.lineTo(t.map(QPointF(e)));
                else if (e.type == QPainterPath::CurveToElement && i + 2 < p.elementCount()) {
                    path_.cubicTo(t.map(QPointF(e)), t.map(QPointF(p.elementAt(i + 1))),
                                  t.map(QPointF(p.elementAt(i + 2))));
                    i += 2;
                }
            }
            return;
        }
        path_.addPath(Total().map(p));
        return;
    }
    p.setFillRule(state_.fillRule);
    DrawPath(p, type == EMR_POLYGON, true);
}

void Player::PolyPoly(const TRecord& r) {
    const bool wide = r.type == EMR_POLYPOLYLINE || r.type == EMR_POLYPOLYGON;
    const bool polygon = r.type == EMR_POLYPOLYGON || r.type == EMR_POLYPOLYGON16;
    const uint32_t polys = r.U(24), total = r.U(28);
    std::vector<QPointF> pts;
    Points(r, 32 + 4 * polys, total, wide, pts);
    QPainterPath p;
    p.setFillRule(state_.fillRule);
    size_t at = 0;
    for (uint32_t i = 0; i < polys; ++i) {
        const uint32_t n = r.U(32 + 4 * i);
        if (n == 0) continue;
        p.moveTo(pts[at]);
        for (uint32_t k = 1; k < n; ++k)
            p.lineTo(pts[at + k]);
        if (polygon) p.closeSubpath();
        at += n;
    }
    DrawPath(p, polygon, true);
}

void Player::PolyDraw(const TRecord& r) {
    const bool wide = r.type == EMR_POLYDRAW;
    const uint32_t n = r.U(24);
    std::vector<QPointF> pts;
    Points(r, 28, n, wide, pts);
    const uchar* types = r.data + 28 + n * (wide ? 8 : 4);
    QPainterPath p(state_.cp);
    for (uint32_t i = 0; i < n; ++i) {
        const uchar t = types[i] & 6;
        if (t == 6)
            p.moveTo(pts[i]);
        else if (t == 4 && i + 2 < n) {
            p.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
            i += 2;
        } else
            p.lineTo(pts[i]);
        if (types[i] & 1) p.closeSubpath();
    }
    if (n) state_.cp = pts[n - 1];
    DrawPath(p, false, true);
}

void Player::ArcFamily(const TRecord& r) {
    QPainterPath p;
    if (r.type == EMR_ANGLEARC) {
        const QPointF c(r.I(8), r.I(12));
        const double radius = r.U(16);
        const double start = F32(r.data + 20), sweep = F32(r.data + 24);
        if (!std::isfinite(start) || !std::isfinite(sweep) || radius > kCoordLimit) return;
        // More than a full turn draws the same circle again.
        const double turn = std::clamp<double>(sweep, -360, 360), from = std::fmod(start, 360.0);
        const QRectF box(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
        p.moveTo(state_.cp);
        p.arcTo(box, from, turn);
        state_.cp = p.currentPosition();
        DrawPath(p, false, true);
        return;
    }
    const TRectL b = RectL(r.data + 8);
    const QRectF box = QRectF(QPointF(b.left, b.top), QPointF(b.right, b.bottom)).normalized();
    if (box.width() <= 0 || box.height() <= 0) return;
    const QPointF c = box.center();
    auto angle = [&](QPointF pt) {
        return std::atan2(-(pt.y() - c.y()) / box.height(), (pt.x() - c.x()) / box.width()) * 180 /
               M_PI;
    };
    const double a1 = angle(QPointF(r.I(24), r.I(28))), a2 = angle(QPointF(r.I(32), r.I(36)));
    double sweep = a2 - a1;
    if (state_.clockwise) {
        while (sweep >= 0)
            sweep -= 360;
    } else {
        while (sweep <= 0)
            sweep += 360;
    }
    switch (r.type) {
    case EMR_PIE:
        p.moveTo(c);
        p.arcTo(box, a1, sweep);
        p.closeSubpath();
        DrawPath(p, true, true);
        break;
    case EMR_CHORD:
        p.arcMoveTo(box, a1);
        p.arcTo(box, a1, sweep);
        p.closeSubpath();
        DrawPath(p, true, true);
        break;
    case EMR_ARCTO:
        p.moveTo(state_.cp);
        p.arcTo(box, a1, sweep);
        state_.cp = p.currentPosition();
        DrawPath(p, false, true);
        break;
    default:
        p.arcMoveTo(box, a1);
        p.arcTo(box, a1, sweep);
        DrawPath(p, false, true);
        break;
    }
}

// ---- text ----------------------------------------------------------------------------

// The opaque box and the clip of a text record, in device pixels.
void Player::TextBox(const QTransform& t, uint32_t options, const TRectL& rc) {
    QPainterPath area;
    if (AxisAligned(t))
        area.addRect(DeviceRect(rc.left, rc.top, rc.right, rc.bottom));
    else
        area.addPolygon(
            t.map(QPolygonF(QRectF(QPointF(rc.left, rc.top), QPointF(rc.right, rc.bottom)))));
    if (options & ETO_OPAQUE) painter_.fillPath(area, state_.bkColor);
    if (!(options & ETO_CLIPPED)) return;
    if (AxisAligned(t))
        painter_.setClipRect(area.boundingRect().toRect(), Qt::IntersectClip);
    else
        painter_.setClipPath(area, Qt::IntersectClip);
}

// Draws a run at device point pd under the logical-to-device transform t: with a plain
// scale as direct drawing does on a scaled painter, otherwise in the run's own turned and
// stretched coordinates.
void Player::TextRun(const QTransform& t, QPointF pd, const QString& text, const TTextRun& run) {
    const Font& font = state_.font;
    const int escapement = font.lf.lfEscapement;
    const double theta = escapement * M_PI / 1800;
    const bool uniform = t.m12() == 0 && t.m21() == 0 && t.m11() > 0 && t.m11() == t.m22();
    const QPointF u(t.m11() * std::cos(theta) - t.m21() * std::sin(theta),
                    t.m12() * std::cos(theta) - t.m22() * std::sin(theta));
    const double su = uniform ? t.m11() : std::hypot(u.x(), u.y());
    const double sv = uniform  ? su
                      : su > 0 ? std::abs(t.m11() * t.m22() - t.m12() * t.m21()) / su
                               : 0;
    // The glyphs' device size: the em along the run's upright, or its width (the em
    // widened by the font's stretch) along the run, whichever is larger.
    const double pixels = std::abs(static_cast<double>(font.font.pixelSize()));
    const double widening = font.font.stretch() > 0 ? font.font.stretch() / 100.0 : 1.0;
    const double em = std::max(pixels * sv, pixels * widening * su);
    if (su <= 1e-6 || sv <= 1e-6 || !(em < kMaxFontPixels) || !std::isfinite(pd.x()) ||
        !std::isfinite(pd.y()) || !AffordFallback(font.font, text, em))
        return;
    std::optional<QColor> background;
    if (state_.bkMode == OPAQUE) background = state_.bkColor;
    if (uniform) {
        if (su != 1) painter_.setTransform(QTransform::fromScale(su, su));
        PaintTextRun(painter_, font.font, pd / su, state_.textAlign, escapement, text, run,
                     state_.textColor, background);
        return;
    }
    QTransform local;
    local.translate(pd.x(), pd.y());
    local.rotate(-std::atan2(-u.y(), u.x()) * 180 / M_PI);
    local.scale(su, sv);
    painter_.setTransform(local);
    PaintTextRun(painter_, font.font, QPointF(0, 0), state_.textAlign, 0, text, run,
                 state_.textColor, background);
}

void Player::Text(QPointF ref, uint32_t options, std::optional<TRectL> rect, const QString& text,
                  std::vector<int> dx) {
    const QTransform t = Total();
    painter_.save();
    painter_.setTransform(QTransform());
    if (rect && (options & (ETO_OPAQUE | ETO_CLIPPED))) TextBox(t, options, *rect);
    if (text.isEmpty() || (options & ETO_GLYPH_INDEX)) {
        painter_.restore();
        return;
    }
    QString shown = text;
    if (shown.size() > kMaxTextLength) {
        shown.truncate(kMaxTextLength);
        if (!dx.empty()) dx.resize(static_cast<size_t>(kMaxTextLength));
    }
    const bool given = dx.size() == static_cast<size_t>(shown.size());
    const TTextRun run = TextRunOf(state_.font.font, shown, given ? dx.data() : nullptr);
    const bool updateCp = state_.textAlign & TA_UPDATECP;
    TextRun(t, t.map(updateCp ? state_.cp : ref), shown, run);
    painter_.restore();
    if (updateCp)
        state_.cp +=
            CurrentPositionAdvance(state_.textAlign, state_.font.lf.lfEscapement, run.width);
}

bool Player::AffordFallback(const QFont& font, const QString& text, double em) {
    auto it = rawFonts_.find(font.key());
    if (it == rawFonts_.end()) {
        if (rawFonts_.size() > 64) rawFonts_.clear();
        it = rawFonts_.emplace(font.key(), QRawFont::fromFont(font)).first;
    }
    int64_t outside = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(text[i], text[i + 1]), ++i;
        if (!QChar::isSpace(c) && !it->second.supportsCharacter(c)) ++outside;
    }
    const double area = em * em * static_cast<double>(outside);
    if (area > fallbackArea_) return false;
    fallbackArea_ -= area;
    return true;
}

void Player::ExtTextOut(const TRecord& r) {
    const bool wide = r.type == EMR_EXTTEXTOUTW;
    const QPointF ref(r.I(36), r.I(40));
    const uint32_t chars = r.U(44), offString = r.U(48), options = r.U(52);
    // The layout without the rectangle, when the flag says so and its offsets fit.
    bool hasRect = true;
    uint32_t dxAt = 72;
    const uint64_t dxCount = static_cast<uint64_t>(chars) * ((options & ETO_PDY) ? 2 : 1);
    auto fits = [&](uint32_t at) {
        if (r.size < at + 4) return false;
        const uint32_t off = r.U(at);
        return off == 0 || r.Fits(off, 4 * dxCount);
    };
    if ((options & ETO_NO_RECT) && fits(56)) {
        hasRect = false;
        dxAt = 56;
    }
    QString text;
    if (chars > 0) {
        const uchar* s = r.data + offString;
        if (wide) {
            text.resize(chars);
            for (uint32_t i = 0; i < chars; ++i)
                text[i] = QChar(U16(s + 2 * i));
        } else {
            text = FromCp1252(s, chars);
        }
    }
    std::vector<int> dx;
    const uint32_t offDx = r.U(dxAt);
    if (offDx != 0 && chars > 0) {
        const uint32_t step = (options & ETO_PDY) ? 8 : 4;
        dx.resize(chars);
        for (uint32_t i = 0; i < chars; ++i)
            dx[i] = std::clamp<int32_t>(r.I(offDx + step * i), -kMaxAdvance, kMaxAdvance);
    }
    std::optional<TRectL> rect;
    if (hasRect) rect = RectL(r.data + 56);
    Text(ref, options, rect, text, std::move(dx));
}

void Player::SmallTextOut(const TRecord& r) {
    const QPointF ref(r.I(8), r.I(12));
    const uint32_t chars = r.U(16), options = r.U(20);
    std::optional<TRectL> rect;
    uint32_t at = 36;
    if (!(options & ETO_NO_RECT)) {
        rect = RectL(r.data + 36);
        at = 52;
    }
    QString text;
    if (options & ETO_SMALL_CHARS) {
        text = FromCp1252(r.data + at, chars);
    } else {
        text.resize(chars);
        for (uint32_t i = 0; i < chars; ++i)
            text[i] = QChar(U16(r.data + at + 2 * i));
    }
    Text(ref, options, rect, text, {});
}

// ---- bitmaps -------------------------------------------------------------------------

namespace {

TDib DibOf(const TRecord& r, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits) {
    // The record outlives the drawing: refer to its bytes rather than copy them.
    return {QByteArray::fromRawData(reinterpret_cast<const char*>(r.data + offBmi), cbBmi),
            QByteArray::fromRawData(reinterpret_cast<const char*>(r.data + offBits), cbBits)};
}

bool BottomUp(const TDib& dib) {
    const auto* b = reinterpret_cast<const uchar*>(dib.info.constData());
    return U32(b) == 12 ? I16(b + 6) > 0 : I32(b + 8) > 0;
}

uint32_t Compression(const TDib& dib) {
    const auto* b = reinterpret_cast<const uchar*>(dib.info.constData());
    return U32(b) == 12 ? 0 : U32(b + 16);
}

// The part of a run-length coded bitmap of 8 or 4 bits per pixel that area names, first
// row on top, at the area's size. Runs that leave the bitmap are cut off; what the data
// does not reach stays colour 0. Only the image of the area's size is allocated, however
// large the bitmap claims to be.
QImage DecodeRle(const TDib& dib, bool four, const TBitmapArea& area) {
    const auto* b = reinterpret_cast<const uchar*>(dib.info.constData());
    if (U32(b) < 40 || U16(b + 14) != (four ? 4 : 8)) return {};
    const int64_t width = I32(b + 4), height = I32(b + 8);
    if (width <= 0 || height <= 0 || width * height > kMaxBitmapPixels) return {};
    const QRect part = area.part;
    if (area.Empty() || part.left() < 0 || part.top() < 0 || part.right() >= width ||
        part.bottom() >= height || area.size.width() > part.width() ||
        area.size.height() > part.height())
        return {};
    const uint32_t most = four ? 16 : 256, used = U32(b + 32);
    const uint32_t colors = used && used < most ? used : most;
    const uint32_t headerSize = U32(b);
    QList<QRgb> table;
    for (uint32_t i = 0; i < most; ++i) {
        const uint64_t at = headerSize + 4ULL * i;
        table << (i < colors && at + 4 <= static_cast<uint64_t>(dib.info.size())
                      ? qRgb(b[at + 2], b[at + 1], b[at])
                      : qRgb(0, 0, 0));
    }
    QImage image(area.size, QImage::Format_Indexed8);
    if (image.isNull()) return {};
    image.setColorTable(table);
    image.fill(0);
    // The cell of the decoded image that pixel at (counted from first, of span pixels)
    // samples, or -1 when it samples none: cell o takes pixel (2o + 1) span / 2 cells.
    auto cell = [](int64_t at, int64_t first, int64_t span, int64_t cells) -> int64_t {
        const int64_t u = at - first;
        if (u < 0 || u >= span) return -1;
        for (int64_t o = u * cells / span; o <= u * cells / span + 1 && o < cells; ++o)
            if ((2 * o + 1) * span / (2 * cells) == u) return o;
        return -1;
    };
    const int64_t cols = area.size.width(), rowsOut = area.size.height();
    const auto* d = reinterpret_cast<const uchar*>(dib.bits.constData());
    const qsizetype n = dib.bits.size();
    int64_t x = 0, y = 0; // y counts rows from the bottom
    auto put = [&](uint8_t index) {
        if (x < width && y < height) {
            const int64_t ox = cell(x, part.x(), part.width(), cols);
            const int64_t oy = cell(height - 1 - y, part.y(), part.height(), rowsOut);
            if (ox >= 0 && oy >= 0) image.scanLine(static_cast<int>(oy))[ox] = index;
        }
        ++x;
    };
    // Rows above the part are the last stored: the runs stop where they begin.
    const int64_t last = height - part.y();
    for (qsizetype i = 0; i + 1 < n && y < last;) {
        const uint8_t count = d[i], value = d[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k)
                put(four ? (k % 2 ? value & 15 : value >> 4) : value);
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // move on
            if (i + 1 >= n) break;
            x += d[i];
            y += d[i + 1];
            i += 2;
        } else { // pixels as they stand, padded to a word
            const qsizetype bytes = four ? (value + 1) / 2 : value;
            if (i + bytes > n) break;
            for (int k = 0; k < value; ++k)
                put(four ? (k % 2 ? d[i + k / 2] & 15 : d[i + k / 2] >> 4) : d[i + k]);
            i += (bytes + 1) / 2 * 2;
        }
    }
    return image;
}

// The pixels a checked bitmap header claims.
int64_t HeaderPixels(const TDib& dib) {
    const auto* b = reinterpret_cast<const uchar*>(dib.info.constData());
    if (U32(b) == 12) return int64_t(U16(b + 4)) * std::abs(int64_t(I16(b + 6)));
    return std::abs(int64_t(I32(b + 4))) * std::abs(int64_t(I32(b + 8)));
}

// The columns and rows a checked bitmap header claims.
QSize HeaderSize(const TDib& dib) {
    const auto* b = reinterpret_cast<const uchar*>(dib.info.constData());
    if (U32(b) == 12) return {U16(b + 4), std::abs(int(I16(b + 6)))};
    return {static_cast<int>(std::abs(int64_t(I32(b + 4)))),
            static_cast<int>(std::abs(int64_t(I32(b + 8))))};
}

bool RunLengthCoded(const TDib& dib) {
    const uint32_t compression = Compression(dib);
    return compression == 1 || compression == 2;
}

// The source rectangle as QPainter::drawImage takes it: an empty width or height runs to
// the bitmap's right or bottom edge.
QRectF PainterSource(QRectF s, QSize full) {
    if (s.width() <= 0) s.setWidth(full.width() - s.x());
    if (s.height() <= 0) s.setHeight(full.height() - s.y());
    return s;
}

// Takes pixels from what one playing may still decode; false when they are not left.
bool Spend(int64_t& budget, int64_t pixels) {
    if (pixels > budget) return false;
    budget -= pixels;
    return true;
}

// The bitmap as an image with its first row on top; alpha kept when asked for. Nothing
// when its pixels are more than the budget left. A run-length coded one is decoded as
// area names (the others whole), and counted at that size.
QImage DecodeDib(const TDib& dib, bool alpha, int64_t& budget, const TBitmapArea& area) {
    const uint32_t compression = Compression(dib);
    if (compression == 4 || compression == 5) {
        // Ask the embedded picture its size before decoding it.
        QByteArray data = dib.bits;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (!size.isValid() || int64_t(size.width()) * size.height() > kMaxBitmapPixels ||
            !Spend(budget, int64_t(size.width()) * size.height()))
            return {};
        return reader.read();
    }
    if (compression == 1 || compression == 2) {
        if (area.Empty() || !Spend(budget, int64_t(area.size.width()) * area.size.height()))
            return {};
        return DecodeRle(dib, compression == 2, area);
    }
    if (!Spend(budget, HeaderPixels(dib))) return {};
    const auto* b = reinterpret_cast<const uchar*>(dib.info.constData());
    if (alpha && U32(b) >= 40 && U16(b + 14) == 32 && compression == 0) {
        const int w = I32(b + 4), h = I32(b + 8);
        const int rows = h < 0 ? -h : h;
        QImage image(reinterpret_cast<const uchar*>(dib.bits.constData()), w, rows, w * 4,
                     QImage::Format_ARGB32_Premultiplied);
        return h > 0 ? image.mirrored(false, true) : image.copy();
    }
    return DibToImage(dib);
}

} // namespace

// Where a bitmap of full pixels drawn from src (its pixels, rows from the top) into
// destLogical reaches the picture's area on the device: that part, at twice the device
// pixels it covers there, or the whole bitmap when it is small enough to decode whole.
// Empty when none of it shows.
TBitmapArea Player::DrawnArea(QSize full, QRectF src, const QRectF& d) {
    const TBitmapArea whole{QRect(QPoint(), full), full};
    if (int64_t(full.width()) * full.height() <= kMaxMetafileWholeBitmapPixels) return whole;
    src = PainterSource(src, full);
    if (!(src.width() > 0 && src.height() > 0) || d.width() == 0 || d.height() == 0) return {};
    const QTransform toDevice =
        QTransform::fromTranslate(-src.x(), -src.y()) *
        QTransform::fromScale(d.width() / src.width(), d.height() / src.height()) *
        QTransform::fromTranslate(d.x(), d.y()) * Total();
    bool invertible = false;
    const QTransform back = toDevice.inverted(&invertible);
    if (!invertible || !Finite(toDevice) || !Finite(back)) return {};
    const QRectF shown = back.mapRect(QRectF(initialClip_.boundingRect()))
                             .intersected(src)
                             .intersected(QRectF(QPointF(), QSizeF(full)));
    if (shown.isEmpty()) return {};
    // A pixel more on each side for smoothing to blend with.
    const int x0 = std::max(0, static_cast<int>(std::floor(shown.left())) - 1);
    const int y0 = std::max(0, static_cast<int>(std::floor(shown.top())) - 1);
    const int x1 = std::min(full.width(), static_cast<int>(std::ceil(shown.right())) + 1);
    const int y1 = std::min(full.height(), static_cast<int>(std::ceil(shown.bottom())) + 1);
    if (x1 <= x0 || y1 <= y0) return {};
    const QRect part(x0, y0, x1 - x0, y1 - y0);
    // Device pixels per pixel of the bitmap along its rows and down its columns.
    const double across = std::hypot(toDevice.m11(), toDevice.m12());
    const double down = std::hypot(toDevice.m21(), toDevice.m22());
    auto cells = [](int span, double perPixel) {
        const double wanted = std::ceil(2 * span * perPixel);
        return wanted < span ? std::max(1, static_cast<int>(wanted)) : span;
    };
    return {part, QSize(cells(part.width(), across), cells(part.height(), down))};
}

// The bitmap decoded for drawing src of it (rows from its top) into destLogical: a
// run-length coded one only as far as it shows, with src moved into the part decoded.
QImage Player::DecodeDrawn(const TDib& dib, bool alpha, QRectF& src, const QRectF& d) {
    if (!RunLengthCoded(dib)) return DecodeDib(dib, alpha, bitmapBudget_, {});
    const QSize full = HeaderSize(dib);
    const TBitmapArea area = DrawnArea(full, src, d);
    QImage image = DecodeDib(dib, alpha, bitmapBudget_, area);
    if (!image.isNull()) src = area.Map(PainterSource(src, full));
    return image;
}

// The part of a pattern of full pixels that fills can show: patterns repeat from the
// device's origin, so one that reaches past the picture's area on the device is cut
// there (a small one is kept whole). Empty when the area is.
TBitmapArea Player::PatternArea(QSize full) const {
    const TBitmapArea whole{QRect(QPoint(), full), full};
    const QRect shown = initialClip_.boundingRect();
    if (int64_t(full.width()) * full.height() <= kMaxMetafileWholeBitmapPixels ||
        !painter_.brushOrigin().isNull() || shown.left() < 0 || shown.top() < 0)
        return whole;
    const QRect part(0, 0, std::min(full.width(), shown.right() + 1),
                     std::min(full.height(), shown.bottom() + 1));
    return {part, part.size()};
}

void Player::DrawImage(const QImage& image, QRectF d, QRectF src, uint32_t rop, double opacity) {
    if (image.isNull() || d.width() == 0 || d.height() == 0) return;
    painter_.save();
    painter_.setTransform(Total());
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, state_.stretchMode == HALFTONE);
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case SRCPAINT:
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
    case SRCAND:
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case SRCINVERT:
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
    case NOTSRCCOPY:
        mode = QPainter::RasterOp_NotSource;
        break;
    default:
        break;
    }
    if (mode != QPainter::CompositionMode_SourceOver && rasterOps_)
        painter_.setCompositionMode(mode);
    painter_.setOpacity(opacity);
    QTransform mirror;
    if (d.width() < 0 || d.height() < 0) {
        mirror.translate(d.x(), d.y());
        mirror.scale(d.width() < 0 ? -1 : 1, d.height() < 0 ? -1 : 1);
        mirror.translate(-d.x(), -d.y());
        d = QRectF(d.x(), d.y(), std::abs(d.width()), std::abs(d.height()));
        painter_.setTransform(mirror * Total());
    }
    painter_.drawImage(d, image, src);
    painter_.restore();
}

void Player::PatBlt(const QRectF& d, uint32_t rop) {
    const QTransform t = Total();
    if (rop == PATCOPY && AxisAligned(t) && UseDelegate()) {
        const QRect device = DeviceRect(d.left(), d.top(), d.right(), d.bottom());
        if (!AffordFill(device)) return;
        SyncDelegate();
        const TBrushData brush = delegate_->Brush();
        delegate_->FillRect(device, brush);
        return;
    }
    QPainterPath p;
    p.addRect(d.normalized());
    const QPainterPath device = t.map(p);
    if (!AffordFill(device.boundingRect())) return;
    painter_.save();
    painter_.setTransform(QTransform());
    switch (rop) {
    case PATCOPY:
        FillDevicePath(device, state_.brush);
        break;
    case BLACKNESS:
        painter_.fillPath(device, Qt::black);
        break;
    case WHITENESS:
        painter_.fillPath(device, Qt::white);
        break;
    case DSTINVERT:
        if (rasterOps_) {
            painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
            painter_.fillPath(device, Qt::black);
        }
        break;
    case PATINVERT:
        if (rasterOps_) {
            painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter_.fillPath(device, QtBrush(state_.brush));
        }
        break;
    default:
        break;
    }
    painter_.restore();
}

void Player::Bitmap(const TRecord& r) {
    switch (r.type) {
    case EMR_STRETCHDIBITS:
    case EMR_SETDIBITSTODEVICE: {
        const bool stretch = r.type == EMR_STRETCHDIBITS;
        const QRect src(Small(r.I(32)), Small(r.I(36)), Small(r.I(40)), Small(r.I(44)));
        const QRectF d(r.I(24), r.I(28), stretch ? r.I(72) : src.width(),
                       stretch ? r.I(76) : src.height());
        const uint32_t rop = stretch ? r.U(68) : SRCCOPY;
        if (r.U(64) != 0) return; // palette indices: no palette is kept
        const TDib dib = DibOf(r, r.U(48), r.U(52), r.U(56), r.U(60));
        const QTransform t = Total();
        const uint32_t compression = Compression(dib);
        if (compression == 4 && JpegBitmap(dib, src, d, rop)) return;
        if (rop == SRCCOPY && AxisAligned(t) && (compression == 0 || compression == 3)) {
            const QPointF a = t.map(d.topLeft()),
                          b = t.map(QPointF(d.x() + d.width(), d.y() + d.height()));
            int x0 = ToInt(a.x()), x1 = ToInt(b.x()), y0 = ToInt(a.y()), y1 = ToInt(b.y());
            if (x1 == x0 && d.width() != 0) x1 = x0 + (b.x() > a.x() ? 1 : -1);
            if (y1 == y0 && d.height() != 0) y1 = y0 + (b.y() > a.y() ? 1 : -1);
            if (!Spend(bitmapBudget_, HeaderPixels(dib))) return;
            SyncDelegate();
            delegate_->StretchDIBits(QRect(x0, y0, x1 - x0, y1 - y0), src, dib, SRCCOPY);
            return;
        }
        // The rows of a bottom-up bitmap counted from its top: before decoding for a
        // run-length coded one (its decoding needs them), after for the others.
        const bool rle = RunLengthCoded(dib);
        QRectF source = src;
        if (rle && BottomUp(dib))
            source.moveTop(HeaderSize(dib).height() - src.y() - src.height());
        const QImage image = DecodeDrawn(dib, false, source, d);
        if (image.isNull()) return;
        if (!rle && BottomUp(dib)) source.moveTop(image.height() - src.y() - src.height());
        DrawImage(image, d, source, rop, 1.0);
        return;
    }
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT: {
        const QRectF d(r.I(24), r.I(28), r.I(32), r.I(36));
        const uint32_t rop = r.U(40);
        if (r.U(88) == 0) {
            if (r.type == EMR_BITBLT || r.type == EMR_STRETCHBLT) PatBlt(d, rop);
            return;
        }
        if (r.U(80) != 0) return;
        const TDib dib = DibOf(r, r.U(84), r.U(88), r.U(92), r.U(96));
        const bool alpha = r.type == EMR_ALPHABLEND && ((rop >> 24) & 1);
        QRectF src(r.I(44), r.I(48), d.width(), d.height());
        if (r.type != EMR_BITBLT) src.setSize(QSizeF(r.I(100), r.I(104)));
        QImage image = DecodeDrawn(dib, alpha, src, d);
        if (image.isNull()) return;
        double opacity = 1.0;
        uint32_t mode = rop;
        if (r.type == EMR_ALPHABLEND) {
            opacity = ((rop >> 16) & 255) / 255.0;
            mode = SRCCOPY;
        } else if (r.type == EMR_TRANSPARENTBLT) {
            const QRgb key = ColorRef(rop).rgb();
            image = image.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < image.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF)) line[x] = 0;
            }
            mode = SRCCOPY;
        }
        DrawImage(image, d, src, mode, opacity);
        return;
    }
    default:
        return;
    }
}

// A page with several JPEG pictures for the screen: they are decoded side by side, each on
// a thread of its own, at the scale their records will ask for, before the records play
// (a picture is drawn where its record stands, so playing cannot wait for them). Our pages
// keep the mapping the records start with; a picture that a later mapping draws at
// another size is decoded again where it is drawn.
void Player::PrefetchJpegs() {
    if (dynamic_cast<const QPagedPaintDevice*>(painter_.device())) return;
    const QTransform t = Total();
    std::vector<std::pair<TJpegPicture, QSize>> pictures;
    int64_t pixels = 0;
    TRecordWalker walker(emf_);
    TRecord r;
    bool first = true;
    for (int64_t n = 0; walker.Next(r) && n < kMaxMetafileRecords; ++n) {
        if (first) {
            first = false;
            continue;
        }
        if (r.type != EMR_STRETCHDIBITS || !CheckRecord(r).isEmpty() || r.U(64) != 0 ||
            r.U(68) != SRCCOPY)
            continue;
        const TDib dib = DibOf(r, r.U(48), r.U(52), r.U(56), r.U(60));
        if (Compression(dib) != 4) continue;
        std::optional<TJpegPicture> jpeg = InspectJpeg(dib.bits);
        if (!jpeg || r.I(72) <= 0 || r.I(76) <= 0) continue;
        const QRectF covered = t.mapRect(QRectF(r.I(24), r.I(28), r.I(72), r.I(76)));
        const QSize wanted = QSize(std::max(1, static_cast<int>(std::ceil(covered.width()))),
                                   std::max(1, static_cast<int>(std::ceil(covered.height()))))
                                 .boundedTo(jpeg->size);
        const QSize scaled = JpegScaledSize(jpeg->size, JpegScaleFor(jpeg->size, wanted));
        pixels += int64_t(scaled.width()) * scaled.height();
        if (pixels > bitmapBudget_) break;
        pictures.emplace_back(std::move(*jpeg), wanted);
    }
    const size_t threads =
        std::min<size_t>(pictures.size(), std::max(1, QThread::idealThreadCount()));
    if (threads < 2) return; // one picture is decoded where it is drawn
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next++) < pictures.size();)
            DecodeJpegToFill(pictures[i].first, pictures[i].second);
    };
    std::vector<std::thread> others;
    for (size_t i = 1; i < threads; ++i)
        others.emplace_back(work);
    work();
    for (std::thread& other : others)
        other.join();
}

// A JPEG bitmap drawn whole: its bytes handed on as they are where the output keeps
// them (a recording, a PDF file) or decodes them for itself (a printer); else decoded at
// the least scale that fills the device pixels it covers, and kept so for the next
// drawing. False for what the general road takes (a part of the picture, raster
// operations): that decodes the whole picture.
bool Player::JpegBitmap(const TDib& dib, const QRect& src, const QRectF& d, uint32_t rop) {
    std::optional<TJpegPicture> jpeg = InspectJpeg(dib.bits);
    if (!jpeg) return true; // not a picture this program can read: nothing is drawn
    const bool whole = src.x() == 0 && src.y() == 0 &&
                       (src.width() <= 0 || src.width() == jpeg->size.width()) &&
                       (src.height() <= 0 || src.height() == jpeg->size.height());
    if (!whole || rop != SRCCOPY || d.width() <= 0 || d.height() <= 0) return false;
    const QTransform t = Total();
    if (AxisAligned(t)) {
        const QPointF a = t.map(d.topLeft()), b = t.map(d.bottomRight());
        const QRect device(
            QPoint(ToInt(std::min(a.x(), b.x())), ToInt(std::min(a.y(), b.y()))),
            QPoint(ToInt(std::max(a.x(), b.x())) - 1, ToInt(std::max(a.y(), b.y())) - 1));
        if (device.width() > 0 && device.height() > 0 && a.x() < b.x() && a.y() < b.y()) {
            SyncDelegate();
            // The context keeps the bytes beyond this record's life.
            TJpegPicture own = *jpeg;
            own.bytes = QByteArray(jpeg->bytes.constData(), jpeg->bytes.size());
            if (delegate_->StretchJpeg(device, own)) return true;
        }
    }
    const QRectF covered = t.mapRect(d);
    const QSize wanted(std::max(1, static_cast<int>(std::ceil(covered.width()))),
                       std::max(1, static_cast<int>(std::ceil(covered.height()))));
    const QSize scaled =
        JpegScaledSize(jpeg->size, JpegScaleFor(jpeg->size, wanted.boundedTo(jpeg->size)));
    if (!Spend(bitmapBudget_, int64_t(scaled.width()) * scaled.height())) return true;
    // Paper takes the picture at most at its resolution, and once: nothing is kept. The
    // screen keeps it at the scale shown for the next paint.
    const bool paper = dynamic_cast<const QPagedPaintDevice*>(painter_.device()) != nullptr;
    QImage image = DecodeJpegToFill(*jpeg, wanted.boundedTo(jpeg->size), !paper);
    if (image.isNull()) return true;
    if (paper && (image.width() > wanted.width() || image.height() > wanted.height()))
        image = image.scaled(wanted.boundedTo(image.size()), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    DrawImage(image, d, QRectF(image.rect()), SRCCOPY, 1.0);
    return true;
}

void Player::FillRegion(const QRegion& region, const Brush& brush) {
    if (inPath_ || brush.kind == Brush::Null) return;
    QPainterPath p;
    p.addRegion(region);
    painter_.save();
    FillDevicePath(p, brush);
    painter_.restore();
}

Brush Player::PatternBrush(const TRecord& r) {
    Brush b;
    const TDib dib = DibOf(r, r.U(16), r.U(20), r.U(24), r.U(28));
    QImage image = DecodeDib(dib, false, bitmapBudget_, PatternArea(HeaderSize(dib)));
    if (image.isNull() || r.U(12) == 1) {
        b.kind = Brush::Solid;
        b.color = Qt::gray;
        return b;
    }
    // Only the part that fills can show is converted and kept.
    const TBitmapArea shown = PatternArea(image.size());
    if (shown.part != image.rect()) image = image.copy(shown.part);
    if (r.type == EMR_CREATEMONOBRUSH) {
        // Set bits take the background colour, clear bits the text colour.
        image = image.convertToFormat(QImage::Format_Indexed8);
        if (image.colorCount() >= 2) {
            image.setColor(0, state_.textColor.rgb());
            image.setColor(1, state_.bkColor.rgb());
        }
    }
    b.kind = Brush::Pattern;
    b.pattern = image.convertToFormat(QImage::Format_RGB32).copy();
    return b;
}

void Player::PathRecord(const TRecord& r) {
    switch (r.type) {
    case EMR_BEGINPATH:
        inPath_ = true;
        path_ = QPainterPath();
        break;
    case EMR_ENDPATH:
        inPath_ = false;
        break;
    case EMR_ABORTPATH:
        inPath_ = false;
        path_ = QPainterPath();
        break;
    case EMR_CLOSEFIGURE:
        if (inPath_) path_.closeSubpath();
        break;
    case EMR_FLATTENPATH:
        break;
    case EMR_WIDENPATH:
        if (!inPath_ && !state_.pen.Null()) {
            const QTransform t = Total();
            QPainterPathStroker stroker(QtPen());
            const double scale = std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
            stroker.setWidth(std::max(1.0, state_.pen.width * scale));
            path_ = stroker.createStroke(path_);
        }
        break;
    case EMR_FILLPATH:
    case EMR_STROKEPATH:
    case EMR_STROKEANDFILLPATH:
        if (inPath_) break;
        painter_.save();
        if (ApplyRop2()) {
            painter_.setRenderHint(QPainter::Antialiasing, true);
            path_.setFillRule(state_.fillRule);
            if (r.type != EMR_STROKEPATH) FillDevicePath(path_, state_.brush);
            if (r.type != EMR_FILLPATH) StrokeDevicePath(path_);
        }
        painter_.restore();
        path_ = QPainterPath();
        break;
    case EMR_SELECTCLIPPATH:
        if (inPath_) break;
        path_.setFillRule(state_.fillRule);
        CombineClip(QRegion(CutToDestination(path_.toFillPolygon()), state_.fillRule), r.U(8));
        path_ = QPainterPath();
        break;
    default:
        break;
    }
}

// ---- the records ---------------------------------------------------------------------

Player::Handler Player::HandlerFor(uint32_t type) {
    struct Entry {
        uint32_t type;
        Handler handler;
    };
    static constexpr Entry kEntries[] = {
        {EMR_SAVEDC, &Player::Save},
        {EMR_RESTOREDC, &Player::Restore},
        {EMR_SETBKMODE, &Player::BkMode},
        {EMR_SETPOLYFILLMODE, &Player::PolyFillMode},
        {EMR_SETROP2, &Player::Rop2},
        {EMR_SETSTRETCHBLTMODE, &Player::StretchMode},
        {EMR_SETTEXTALIGN, &Player::TextAlign},
        {EMR_SETTEXTCOLOR, &Player::TextColor},
        {EMR_SETBKCOLOR, &Player::BkColor},
        {EMR_SETARCDIRECTION, &Player::ArcDirection},
        {EMR_SETMITERLIMIT, &Player::MiterLimit},
        {EMR_MOVETOEX, &Player::MoveTo},
        {EMR_LINETO, &Player::LineToRecord},
        {EMR_SELECTOBJECT, &Player::SelectObject},
        {EMR_DELETEOBJECT, &Player::DeleteObject},
        {EMR_CREATEPEN, &Player::CreatePen},
        {EMR_EXTCREATEPEN, &Player::ExtCreatePen},
        {EMR_CREATEBRUSHINDIRECT, &Player::CreateBrush},
        {EMR_CREATEMONOBRUSH, &Player::CreatePatternBrush},
        {EMR_CREATEDIBPATTERNBRUSHPT, &Player::CreatePatternBrush},
        {EMR_EXTCREATEFONTINDIRECTW, &Player::CreateFont},
        {EMR_RECTANGLE, &Player::RectangleRecord},
        {EMR_ELLIPSE, &Player::RoundShape},
        {EMR_ROUNDRECT, &Player::RoundShape},
        {EMR_ARC, &Player::ArcFamily},
        {EMR_CHORD, &Player::ArcFamily},
        {EMR_PIE, &Player::ArcFamily},
        {EMR_ARCTO, &Player::ArcFamily},
        {EMR_ANGLEARC, &Player::ArcFamily},
        {EMR_POLYBEZIER, &Player::Poly},
        {EMR_POLYGON, &Player::Poly},
        {EMR_POLYLINE, &Player::Poly},
        {EMR_POLYBEZIERTO, &Player::Poly},
        {EMR_POLYLINETO, &Player::Poly},
        {EMR_POLYBEZIER16, &Player::Poly},
        {EMR_POLYGON16, &Player::Poly},
        {EMR_POLYLINE16, &Player::Poly},
        {EMR_POLYBEZIERTO16, &Player::Poly},
        {EMR_POLYLINETO16, &Player::Poly},
        {EMR_POLYPOLYLINE, &Player::PolyPoly},
        {EMR_POLYPOLYGON, &Player::PolyPoly},
        {EMR_POLYPOLYLINE16, &Player::PolyPoly},
        {EMR_POLYPOLYGON16, &Player::PolyPoly},
        {EMR_POLYDRAW, &Player::PolyDraw},
        {EMR_POLYDRAW16, &Player::PolyDraw},
        {EMR_EXTTEXTOUTA, &Player::ExtTextOut},
        {EMR_EXTTEXTOUTW, &Player::ExtTextOut},
        {EMR_SMALLTEXTOUT, &Player::SmallTextOut},
        {EMR_BITBLT, &Player::Bitmap},
        {EMR_STRETCHBLT, &Player::Bitmap},
        {EMR_ALPHABLEND, &Player::Bitmap},
        {EMR_TRANSPARENTBLT, &Player::Bitmap},
        {EMR_STRETCHDIBITS, &Player::Bitmap},
        {EMR_SETDIBITSTODEVICE, &Player::Bitmap},
        {EMR_INTERSECTCLIPRECT, &Player::IntersectClip},
        {EMR_EXCLUDECLIPRECT, &Player::ExcludeClip},
        {EMR_OFFSETCLIPRGN, &Player::OffsetClip},
        {EMR_EXTSELECTCLIPRGN, &Player::SelectClipRegion},
        {EMR_FILLRGN, &Player::FillRgn},
        {EMR_PAINTRGN, &Player::PaintRgn},
        {EMR_BEGINPATH, &Player::PathRecord},
        {EMR_ENDPATH, &Player::PathRecord},
        {EMR_CLOSEFIGURE, &Player::PathRecord},
        {EMR_FILLPATH, &Player::PathRecord},
        {EMR_STROKEANDFILLPATH, &Player::PathRecord},
        {EMR_STROKEPATH, &Player::PathRecord},
        {EMR_FLATTENPATH, &Player::PathRecord},
        {EMR_WIDENPATH, &Player::PathRecord},
        {EMR_SELECTCLIPPATH, &Player::PathRecord},
        {EMR_ABORTPATH, &Player::PathRecord},
    };
    static const auto table = [] {
        std::array<Handler, 256> t;
        t.fill(&Player::Ignore);
        for (uint32_t type = 0; type < t.size(); ++type)
            if (TMapping::Sets(type)) t[type] = &Player::Mapping;
        for (const Entry& e : kEntries)
            t[e.type] = e.handler;
        return t;
    }();
    if (type < table.size()) {
        // Objects this player has no use for still take their slot.
        if (table[type] == &Player::Ignore && RecordKind(type).Has(TRecordKind::kCreatesObject))
            return &Player::CreateOther;
        return table[type];
    }
    return &Player::Ignore; // comments (EMF+ included), palettes, unknown types
}

void Player::Mapping(const TRecord& r) {
    if (state_.mapping.Apply(r)) Dirty();
}

void Player::Save(const TRecord&) {
    if (saved_.size() < kMaxSavedStates) saved_.push_back(state_);
}

void Player::Restore(const TRecord& r) {
    const int32_t n = r.I(8);
    const int64_t target = n < 0 ? static_cast<int64_t>(saved_.size()) + n : n - 1;
    if (target < 0 || target >= static_cast<int64_t>(saved_.size())) return;
    state_ = saved_[static_cast<size_t>(target)];
    saved_.resize(static_cast<size_t>(target));
    Dirty();
    ApplyClip();
}

void Player::BkMode(const TRecord& r) {
    if (r.U(8) == TRANSPARENT || r.U(8) == OPAQUE) state_.bkMode = static_cast<int>(r.U(8));
}

void Player::PolyFillMode(const TRecord& r) {
    state_.fillRule = r.U(8) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
}

void Player::Rop2(const TRecord& r) {
    state_.rop2 = static_cast<int>(r.U(8) & 0xFF);
}

void Player::StretchMode(const TRecord& r) {
    state_.stretchMode = static_cast<int>(r.U(8));
}

void Player::TextAlign(const TRecord& r) {
    state_.textAlign = r.U(8);
}

void Player::TextColor(const TRecord& r) {
    state_.textColor = ColorRef(r.U(8));
}

void Player::BkColor(const TRecord& r) {
    state_.bkColor = ColorRef(r.U(8));
}

void Player::ArcDirection(const TRecord& r) {
    state_.clockwise = r.U(8) == 2;
}

void Player::MiterLimit(const TRecord& r) {
    const float m = F32(r.data + 8);
    if (std::isfinite(m) && m >= 1 && m < 1000) state_.miterLimit = m;
}

void Player::MoveTo(const TRecord& r) {
    state_.cp = QPointF(r.I(8), r.I(12));
    if (inPath_) path_.moveTo(Total().map(state_.cp));
}

void Player::LineToRecord(const TRecord& r) {
    LineTo(QPointF(r.I(8), r.I(12)));
}

void Player::SelectObject(const TRecord& r) {
    Select(r.U(8));
}

void Player::DeleteObject(const TRecord& r) {
    if (!(r.U(8) & kStockObject) && r.U(8) < objects_.size()) objects_[r.U(8)] = std::monostate{};
}

void Player::CreatePen(const TRecord& r) {
    CreateObject(r.U(8), Pen{r.U(12),
                             static_cast<double>(std::clamp<int32_t>(r.I(16), 0, 1 << 20)),
                             ColorRef(r.U(24)),
                             {}});
}

void Player::ExtCreatePen(const TRecord& r) {
    const uint32_t style = r.U(28);
    Pen p{style, static_cast<double>(std::min<uint32_t>(r.U(32), 1 << 20)), ColorRef(r.U(40)), {}};
    if (!(style & PS_GEOMETRIC)) p.width = 0;
    if (r.U(36) == 1) p.style = (p.style & ~0xFu) | PS_NULL; // hollow brush: nothing drawn
    if ((style & 0xF) == 7)
        for (uint32_t i = 0; i < std::min<uint32_t>(r.U(48), 64); ++i)
            p.dashes.push_back(r.U(52 + 4 * i));
    CreateObject(r.U(8), p);
}

void Player::CreateBrush(const TRecord& r) {
    Brush b;
    const uint32_t style = r.U(12);
    b.color = ColorRef(r.U(16));
    b.kind = style == 1 ? Brush::Null : style == 2 ? Brush::Hatched : Brush::Solid;
    b.hatch = static_cast<int>(r.U(20));
    CreateObject(r.U(8), b);
}

void Player::CreatePatternBrush(const TRecord& r) {
    CreateObject(r.U(8), PatternBrush(r));
}

void Player::CreateFont(const TRecord& r) {
    LOGFONT lf;
    const uchar* f = r.data + 12;
    lf.lfHeight = I32(f);
    lf.lfWidth = I32(f + 4);
    lf.lfEscapement = I32(f + 8);
    lf.lfOrientation = I32(f + 12);
    lf.lfWeight = I32(f + 16);
    std::memcpy(&lf.lfItalic, f + 20, 8);
    QString face;
    for (int i = 0; i < 32 && U16(f + 28 + 2 * i); ++i)
        face += QChar(U16(f + 28 + 2 * i));
    lf.SetFaceName(face);
    CreateObject(r.U(8), MakeFont(lf));
}

void Player::CreateOther(const TRecord& r) {
    if (r.size >= 12) CreateObject(r.U(8), Other{});
}

void Player::RectangleRecord(const TRecord& r) {
    Rectangle(RectL(r.data + 8));
}

void Player::RoundShape(const TRecord& r) {
    const TRectL b = RectL(r.data + 8);
    const QRectF box = QRectF(QPointF(b.left, b.top), QPointF(b.right, b.bottom)).normalized();
    QPainterPath p;
    if (r.type == EMR_ELLIPSE)
        p.addEllipse(box);
    else
        p.addRoundedRect(box, std::abs(double(r.I(24))) / 2, std::abs(double(r.I(28))) / 2);
    DrawPath(p, true, true);
}

void Player::IntersectClip(const TRecord& r) {
    CombineClip(LogicalRectRegion(RectL(r.data + 8)), RGN_AND);
}

void Player::ExcludeClip(const TRecord& r) {
    CombineClip(LogicalRectRegion(RectL(r.data + 8)), RGN_DIFF);
}

void Player::OffsetClip(const TRecord& r) {
    const QTransform t = Total();
    const QPointF o(t.m11() * r.I(8) + t.m21() * r.I(12), t.m12() * r.I(8) + t.m22() * r.I(12));
    state_.clip.translate(ToInt(o.x()), ToInt(o.y()));
    CombineClip(state_.clip, RGN_COPY);
}

void Player::SelectClipRegion(const TRecord& r) {
    const uint32_t cb = r.U(8), mode = r.U(12);
    if (cb == 0) {
        if (mode == RGN_COPY) CombineClip(initialClip_, RGN_COPY); // clipping removed
        return;
    }
    CombineClip(RegionData(r, 16), mode);
}

void Player::FillRgn(const TRecord& r) {
    const uint32_t index = r.U(28);
    Brush brush = state_.brush;
    if (index & kStockObject) {
        const Brush saved = state_.brush;
        Select(index);
        brush = state_.brush;
        state_.brush = saved;
    } else if (index < objects_.size()) {
        const auto* b = std::get_if<Brush>(&objects_[index]);
        if (!b) return;
        brush = *b;
    } else {
        return;
    }
    FillRegion(RegionData(r, 32), brush);
}

void Player::PaintRgn(const TRecord& r) {
    FillRegion(RegionData(r, 28), state_.brush);
}

} // namespace

void PlayEnhMetaFile(QPainter& painter, const QByteArray& emf, const QRectF& dest) {
    if (!painter.isActive()) return;
    Player player(painter, emf, dest);
    player.Run();
}
