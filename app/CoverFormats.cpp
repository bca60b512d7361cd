#include "app/CoverFormats.h"

#include "framework/core/SysUtils.h"

namespace {

// The text pages show about 1.81 pixels per millimetre, the format pages about 2.21; the
// report about 5.33 report pixels.
constexpr TCoverFormat kFront[] = {
    {{0, 0}, {1, 1}, {0, 0}, {0, 0}, 0},
    {{120, 120}, {265, 265}, {217, 217}, {640, 640}, 120},
    {{240, 120}, {530, 265}, {217, 217}, {1280, 640}, 86},
};
constexpr TCoverFormat kRear[] = {
    {{0, 0}, {1, 1}, {0, 0}, {0, 0}, 136.64},
    {{151, 118}, {334, 260}, {273, 213}, {805, 630}, 136.64},
    {{139, 118}, {307, 260}, {251, 213}, {741, 630}, 124.64},
};

} // namespace

int CheckedFormatCode(int code) {
    if (code < 0 || code > 2)
        throw Exception(QStringLiteral("Formato di copertina sconosciuto: %1").arg(code));
    return code;
}

const TCoverFormat& FrontFormat(TFrontFormat format) {
    return kFront[CheckedFormatCode(static_cast<int>(format))];
}

const TCoverFormat& RearFormat(TRearFormat format) {
    return kRear[CheckedFormatCode(static_cast<int>(format))];
}

QPointF FrontMiniatureScale(TFrontFormat format) {
    const TCoverFormat& f = FrontFormat(format);
    if (f.millimetres.isEmpty()) return {};
    return {f.miniature.width() / f.millimetres.width(),
            f.miniature.height() / f.millimetres.height()};
}

QPointF FrontPlaceOnPaper(TFrontFormat format, QPoint p) {
    const QPointF scale = FrontMiniatureScale(format);
    if (scale.isNull()) return {};
    return {p.x() / scale.x(), p.y() / scale.y()};
}
