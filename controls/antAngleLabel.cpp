#include "controls/antAngleLabel.h"

#include "framework/core/Reader.h"
#include "framework/graphics/FontConfig.h"
#include "framework/graphics/TextDraw.h"

#include <cstdlib>
#include <optional>

namespace {
// cos 45 degrees as the diagonal box has always been sized with.
constexpr long double kCos45 = 0.7071067L;

// A face that cannot be turned (one with bitmaps only, or none installed) shows as the
// face that prints in its stead, so the label shows what the page will.
QString TurnableFace(const QString& face) {
    return IsScalableFace(face) ? face : QStringLiteral("Arial");
}
} // namespace

TantCustomAngleLabel::TantCustomAngleLabel(TComponent* owner) : TCustomLabel(owner) {
    SetTransparent(true);
    Font()->SetName(QStringLiteral("Arial"));
    Font()->SetSize(14);
}

TantCustomAngleLabel::~TantCustomAngleLabel() {
    if (rotatedFont_) DeleteObject(rotatedFont_);
}

TantAngleDirection TantCustomAngleLabel::DirectionOfAngle(int angle) {
    // 64 bits: negating INT_MIN or adding to INT_MAX must not overflow.
    int64_t a = angle;
    if (a < 0) a = 360 - ((-a) % 360);
    // 23, not 22.5: a typed 22 already turns the text to 45 degrees.
    return static_cast<TantAngleDirection>(((a + 23) % 360) / 45);
}

void TantCustomAngleLabel::SetAngle(int angle) {
    SetAngleDirection(DirectionOfAngle(angle));
}

void TantCustomAngleLabel::SetAngleDirection(TantAngleDirection direction) {
    if (direction == direction_ || direction > adSouthEast) return;
    direction_ = direction;
    angle_ = direction * 45;
    AdjustBounds();
    Invalidate();
}

void TantCustomAngleLabel::CreateRotatedFont() {
    const TFont* font = Font();
    LOGFONT lf{}; // every byte zero, so unset fields take the system defaults
    lf.lfHeight = font->Height();
    lf.lfWidth = 0;
    lf.lfEscapement = angle_ * 10;
    lf.lfOrientation = 0;
    lf.lfWeight = font->HasStyle(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font->HasStyle(fsItalic) ? 1 : 0;
    lf.lfUnderline = font->HasStyle(fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = font->HasStyle(fsStrikeOut) ? 1 : 0;
    // Turned text has always been drawn with the ANSI set, whatever the font asks for.
    lf.lfCharSet = ANSI_CHARSET;
    lf.SetFaceName(TurnableFace(font->Name()));
    if (rotatedFont_) DeleteObject(rotatedFont_);
    rotatedFont_ = CreateFontIndirect(lf);
}

void TantCustomAngleLabel::CalcRotatedBounds(QRect& rect) {
    QString text = Caption();
    // An empty label keeps the size of one space so that it can still be seen and placed.
    if (text.isEmpty() || (ShowAccelChar() && text == QLatin1String("&"))) text += QLatin1Char(' ');
    unsigned flags = DT_CALCRECT | DT_EXPANDTABS | DT_LEFT;
    if (WordWrap()) flags |= DT_WORDBREAK;
    if (!ShowAccelChar()) flags |= DT_NOPREFIX;
    TCanvas* canvas = Canvas();
    // Outside a paint or an auto-size step there is no context yet: measure on the screen's.
    std::optional<TCanvasHandleScope> borrow;
    if (!canvas->HandleAllocated()) borrow.emplace(*canvas, ScreenMeasuringDC());
    canvas->Font()->Assign(Font());
    canvas->Font()->SetName(TurnableFace(Font()->Name()));
    canvas->RequireFont();
    DrawText(canvas->Handle(), text, rect, flags);

    const int64_t l = rect.left(), t = rect.top();
    const int64_t w = rect.width(), h = rect.height();
    const int64_t r = l + w, b = t + h;
    const int64_t fh = Font()->Height(); // negative for a character height, the usual case
    const int64_t s = std::llabs(fh) + RoundEven(static_cast<long double>(w) * kCos45);

    int64_t right = r, bottom = b, x = l, y = t;
    switch (direction_) {
    case adEast:
        break;
    case adNothEast:
        right = l + s, bottom = t + s;
        y = t + s + fh;
        break;
    case adNoth:
        right = l + h, bottom = t + w;
        y = t + w;
        break;
    case adNothWest:
        right = l + s, bottom = t + s;
        x = l + s + fh, y = t + s;
        break;
    case adWest:
        x = r, y = b;
        break;
    case adSouthWest:
        right = l + s, bottom = t + s;
        x = l + s, y = t - fh;
        break;
    case adSouth:
        right = l + h, bottom = t + w;
        x = l + h;
        break;
    case adSouthEast:
        right = l + s, bottom = t + s;
        x = l - fh;
        break;
    }
    rect = QRect(static_cast<int>(l), static_cast<int>(t), static_cast<int>(right - l),
                 static_cast<int>(bottom - t));
    textX_ = static_cast<int>(x);
    textY_ = static_cast<int>(y);
}

void TantCustomAngleLabel::DoDrawText(QRect& rect, unsigned flags) {
    if (flags & DT_CALCRECT) {
        CalcRotatedBounds(rect);
        return;
    }
    // The place comes from the last measuring, not from rect: the turned text does not
    // start at the rectangle's corner.
    TCanvas* canvas = Canvas();
    CreateRotatedFont();
    canvas->RequireFont();  // text colour from the label's font
    canvas->RequireBrush(); // the clear brush leaves the background alone
    TDeviceContext* dc = canvas->Handle();
    HFONT previous = dc->SelectFont(rotatedFont_);
    dc->TextOut(textX_, textY_, Caption());
    dc->SelectFont(previous);
}

void TantCustomAngleLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TantCustomAngleLabel::FontChanged() {
    // Only a change of size repaints (through the new bounds); callers that change just
    // the colour ask for the repaint themselves.
    AdjustBounds();
}

void TantCustomAngleLabel::Loaded() {
    TCustomLabel::Loaded();
    CreateRotatedFont();
    AdjustBounds();
}

void RegisterAngleLabelClasses() {
    RegisterComponentClass<TantAngleLabel>();
}
