#include "framework/widgets/Buttons.h"

#include "framework/graphics/ImgList.h"
#include "framework/widgets/Forms.h"

#include <QCoreApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QThread>
#include <QToolButton>

namespace {

// The button face: the style's bevel, then glyph and caption where the control lays them.
class TBitBtnWidget : public QPushButton {
public:
    TBitBtnWidget(TBitBtn* control, QWidget* parent)
        : QPushButton(parent), control_(control), alive_(control) {}

protected:
    void paintEvent(QPaintEvent*) override {
        if (!alive_ || alive_->IsDestroying()) return;
        QStylePainter p(this);
        QStyleOptionButton opt;
        initStyleOption(&opt);
        const QString caption = opt.text;
        opt.text.clear();
        opt.icon = QIcon();
        p.drawControl(QStyle::CE_PushButtonBevel, opt);
        QRect content = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
        const bool down = isDown() || isChecked();
        if (down)
            content.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &opt, this),
                              style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &opt, this));
        // The glyph may be a picture that decodes now, and fails to: the face is drawn
        // without it.
        QImage glyph;
        SafePaint(this, [&] { glyph = control_->GlyphImage(isEnabled(), down); });
        const QSize captionSize =
            caption.isEmpty()
                ? QSize()
                : fontMetrics().size(Qt::TextShowMnemonic | Qt::TextSingleLine, caption);
        QRect glyphRect, captionRect;
        control_->LayoutFace(content, glyph.size(), captionSize, glyphRect, captionRect);
        if (!glyph.isNull()) p.drawImage(glyphRect.topLeft(), glyph);
        if (!caption.isEmpty())
            style()->drawItemText(&p, captionRect, Qt::AlignCenter | Qt::TextShowMnemonic,
                                  palette(), isEnabled(), caption, QPalette::ButtonText);
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &opt, this);
            p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
    }

private:
    TBitBtn* control_;
    QPointer<TComponent> alive_;
};

QImage DrawGlyph(const std::function<void(QPainter&)>& draw) {
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return image;
}

void Check(QPainter& p, const QColor& c, qreal dx = 0) {
    QPen pen(c, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.drawPolyline(
        QPolygonF({QPointF(2.5 + dx, 8.5), QPointF(6 + dx, 12.5), QPointF(13.5 + dx, 3.5)}));
}

void Cross(QPainter& p, const QColor& c) {
    p.setPen(QPen(c, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

} // namespace

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner), glyph_(new TPicture(this)) {
    glyph_->OnChange = [this](TObject*) { Invalidate(); };
}

QWidget* TBitBtn::CreateWidget(QWidget* parentWidget) {
    auto* b = new TBitBtnWidget(this, parentWidget);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this] { SafeCall(this, [&] { Click(); }); });
    return b;
}

void TBitBtn::TextChanged() {
    if (!settingKind_) captionSet_ = true;
    TButton::TextChanged();
}

QString TBitBtn::KindCaption(TBitBtnKind kind) {
    switch (kind) {
    case TButtonsEnums::bkOK:
        return tr("OK");
    case TButtonsEnums::bkCancel:
        return tr("Cancel");
    case TButtonsEnums::bkHelp:
        return tr("&Help");
    case TButtonsEnums::bkYes:
        return tr("&Yes");
    case TButtonsEnums::bkNo:
        return tr("&No");
    case TButtonsEnums::bkClose:
        return tr("&Close");
    case TButtonsEnums::bkAbort:
        return tr("Abort");
    case TButtonsEnums::bkRetry:
        return tr("&Retry");
    case TButtonsEnums::bkIgnore:
        return tr("&Ignore");
    case TButtonsEnums::bkAll:
        return tr("&All");
    default:
        return {};
    }
}

QImage TBitBtn::KindGlyph(TBitBtnKind kind) {
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    static QHash<int, QImage> cache;
    if (auto it = cache.constFind(kind); it != cache.constEnd()) return *it;
    const QColor green(0, 128, 0), red(192, 0, 0), blue(0, 0, 160);
    QImage image;
    switch (kind) {
    case TButtonsEnums::bkOK:
    case TButtonsEnums::bkYes:
        image = DrawGlyph([&](QPainter& p) { Check(p, green); });
        break;
    case TButtonsEnums::bkAll:
        image = DrawGlyph([&](QPainter& p) {
            p.scale(0.8, 0.8);
            Check(p, green, -1);
            Check(p, green, 5);
        });
        break;
    case TButtonsEnums::bkCancel:
    case TButtonsEnums::bkAbort:
        image = DrawGlyph([&](QPainter& p) { Cross(p, red); });
        break;
    case TButtonsEnums::bkNo:
        image = DrawGlyph([&](QPainter& p) {
            p.setPen(QPen(red, 2.2));
            p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
            p.drawLine(QPointF(4.5, 11.5), QPointF(11.5, 4.5));
        });
        break;
    case TButtonsEnums::bkClose:
        // An open door with an arrow leading out.
        image = DrawGlyph([&](QPainter& p) {
            p.setPen(QPen(QColor(64, 64, 64), 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(1.5, 1.5, 8, 13));
            p.setBrush(QColor(181, 121, 66));
            p.drawPolygon(QPolygonF(
                {QPointF(1.5, 1.5), QPointF(6.5, 3.5), QPointF(6.5, 15.5), QPointF(1.5, 14.5)}));
            p.setPen(QPen(green, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(8.5, 8.5), QPointF(14.5, 8.5));
            p.drawPolyline(
                QPolygonF({QPointF(11.5, 5.5), QPointF(14.5, 8.5), QPointF(11.5, 11.5)}));
        });
        break;
    case TButtonsEnums::bkHelp:
        image = DrawGlyph([&](QPainter& p) {
            QFont f = p.font();
            f.setPixelSize(15);
            f.setBold(true);
            p.setFont(f);
            p.setPen(blue);
            p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
        });
        break;
    case TButtonsEnums::bkRetry:
        image = DrawGlyph([&](QPainter& p) {
            p.setPen(QPen(green, 2, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(QRectF(3, 3, 10, 10), 90 * 16, 270 * 16);
            p.setBrush(green);
            p.setPen(Qt::NoPen);
            p.drawPolygon(QPolygonF({QPointF(8, 0.5), QPointF(12, 3), QPointF(8, 5.5)}));
        });
        break;
    case TButtonsEnums::bkIgnore:
        image = DrawGlyph([&](QPainter& p) {
            p.setPen(QPen(blue, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(2.5, 8.5), QPointF(13.5, 8.5));
            p.drawPolyline(QPolygonF({QPointF(9.5, 4.5), QPointF(13.5, 8.5), QPointF(9.5, 12.5)}));
        });
        break;
    default:
        break;
    }
    cache.insert(kind, image);
    return image;
}

void TBitBtn::SetKind(TBitBtnKind k) {
    if (k == kind_) return;
    kind_ = k;
    if (k != TButtonsEnums::bkCustom) {
        SetDefault(k == TButtonsEnums::bkOK || k == TButtonsEnums::bkYes);
        SetCancel(k == TButtonsEnums::bkCancel || k == TButtonsEnums::bkNo);
        // A caption from the layout stays; otherwise the kind names the button.
        if (!IsLoading() || !captionSet_) {
            settingKind_ = true;
            SetCaption(KindCaption(k));
            settingKind_ = false;
        }
        static const int results[] = {mrNone, mrOk,    mrCancel, mrNone,   mrYes, mrNo,
                                      mrNone, mrAbort, mrRetry,  mrIgnore, mrAll};
        SetModalResult(results[k]);
    }
    Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout l) {
    if (l == layout_) return;
    layout_ = l;
    Invalidate();
}

void TBitBtn::SetMargin(int m) {
    if (m < -1 || m == margin_) return;
    margin_ = m;
    Invalidate();
}

void TBitBtn::SetSpacing(int s) {
    if (s < -1 || s == spacing_) return;
    spacing_ = s;
    Invalidate();
}

void TBitBtn::SetNumGlyphs(int n) {
    if (n < 1 || n > 4 || n == numGlyphs_) return;
    numGlyphs_ = n;
    Invalidate();
}

QImage TBitBtn::GlyphImage(bool enabled, bool down) const {
    QImage image = GlyphImageOf(glyph_->Graphic());
    int count = numGlyphs_;
    if (image.isNull()) {
        image = KindGlyph(kind_);
        count = 1;
    }
    if (image.isNull()) return image;
    count = std::clamp(count, 1, 4);
    const int w = image.width() / count;
    int index = 0;
    if (!enabled && count >= 2)
        index = 1;
    else if (down && count >= 3)
        index = 2;
    if (count > 1) image = image.copy(index * w, 0, w, image.height());
    if (!enabled && (count < 2)) {
        // No disabled picture of its own: a paler grey version.
        QImage grey = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < grey.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(grey.scanLine(y));
            for (int x = 0; x < grey.width(); ++x) {
                const int v = 128 + qGray(row[x]) / 2;
                row[x] = qRgba(v, v, v, qAlpha(row[x]) / 2);
            }
        }
        image = grey;
    }
    return image;
}

void TBitBtn::LayoutFace(const QRect& content, const QSize& glyph, const QSize& caption,
                         QRect& glyphRect, QRect& captionRect) const {
    const bool hasGlyph = glyph.isValid() && !glyph.isEmpty();
    const bool hasCaption = caption.isValid() && !caption.isEmpty();
    const int spacing = hasGlyph && hasCaption ? std::max(0, spacing_) : 0;
    const QSize g = hasGlyph ? glyph : QSize(0, 0);
    const QSize c = hasCaption ? caption : QSize(0, 0);
    const bool horizontal =
        layout_ == TButtonsEnums::blGlyphLeft || layout_ == TButtonsEnums::blGlyphRight;
    if (horizontal) {
        const int total = g.width() + spacing + c.width();
        int start =
            margin_ < 0 ? content.left() + (content.width() - total) / 2 : content.left() + margin_;
        const int gy = content.top() + (content.height() - g.height()) / 2;
        const int cy = content.top() + (content.height() - c.height()) / 2;
        if (layout_ == TButtonsEnums::blGlyphLeft) {
            glyphRect = QRect(QPoint(start, gy), g);
            captionRect = QRect(QPoint(start + g.width() + spacing, cy), c);
        } else {
            if (margin_ >= 0) start = content.right() + 1 - margin_ - total;
            captionRect = QRect(QPoint(start, cy), c);
            glyphRect = QRect(QPoint(start + c.width() + spacing, gy), g);
        }
    } else {
        const int total = g.height() + spacing + c.height();
        int start =
            margin_ < 0 ? content.top() + (content.height() - total) / 2 : content.top() + margin_;
        const int gx = content.left() + (content.width() - g.width()) / 2;
        const int cx = content.left() + (content.width() - c.width()) / 2;
        if (layout_ == TButtonsEnums::blGlyphTop) {
            glyphRect = QRect(QPoint(gx, start), g);
            captionRect = QRect(QPoint(cx, start + g.height() + spacing), c);
        } else {
            if (margin_ >= 0) start = content.bottom() + 1 - margin_ - total;
            captionRect = QRect(QPoint(cx, start), c);
            glyphRect = QRect(QPoint(gx, start + c.height() + spacing), g);
        }
    }
}

void TBitBtn::Click() {
    QPointer<TBitBtn> self(this);
    TButton::Click();
    if (!self || kind_ != TButtonsEnums::bkClose) return;
    if (TForm* form = GetParentForm(this)) form->Close();
}

// ---- TSpeedButton ----------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* owner) : TControl(owner), glyph_(new TPicture(this)) {
    SetBounds(0, 0, 23, 22);
    // The Qt button reports its own clicks.
    clickEvents_ = false;
    glyph_->OnChange = [this](TObject*) {
        if (Widget()) UpdateWidget();
    };
}

QWidget* TSpeedButton::CreateWidget(QWidget* parentWidget) {
    auto* b = new QToolButton(parentWidget);
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QToolButton::clicked, this, [this] { SafeCall(this, [&] { Click(); }); });
    return b;
}

void TSpeedButton::UpdateWidget() {
    TControl::UpdateWidget();
    auto* b = qobject_cast<QToolButton*>(Widget());
    if (!b) return;
    const QSignalBlocker block(b);
    const QImage glyph = GlyphImageOf(glyph_->Graphic());
    b->setIcon(glyph.isNull() ? QIcon() : QIcon(QPixmap::fromImage(glyph)));
    if (!glyph.isNull()) b->setIconSize(glyph.size());
    b->setText(Caption());
    b->setToolButtonStyle(glyph.isNull()        ? Qt::ToolButtonTextOnly
                          : Caption().isEmpty() ? Qt::ToolButtonIconOnly
                                                : Qt::ToolButtonTextBesideIcon);
    b->setAutoRaise(flat_);
    b->setCheckable(groupIndex_ != 0);
    if (groupIndex_ != 0) b->setChecked(down_);
}

void TSpeedButton::TextChanged() {
    TControl::TextChanged();
    if (Widget()) UpdateWidget();
}

void TSpeedButton::SetFlat(bool v) {
    if (v == flat_) return;
    flat_ = v;
    if (Widget()) UpdateWidget();
}

void TSpeedButton::SetGroupIndex(int v) {
    if (v == groupIndex_) return;
    groupIndex_ = v;
    if (v == 0) down_ = false;
    if (Widget()) UpdateWidget();
}

void TSpeedButton::SetDown(bool v) {
    if (groupIndex_ == 0) v = false;
    if (v != down_) {
        if (v && Parent())
            for (int i = 0; i < Parent()->ControlCount(); ++i) {
                auto* other = qobject_cast<TSpeedButton*>(Parent()->Controls(i));
                if (other && other != this && other->groupIndex_ == groupIndex_ && other->down_) {
                    other->down_ = false;
                    if (other->Widget()) other->UpdateWidget();
                }
            }
        down_ = v;
    }
    if (Widget()) UpdateWidget();
}

void TSpeedButton::Click() {
    if (groupIndex_ != 0) SetDown(!down_ || !allowAllUp_);
    TControl::Click();
}
