// Units, size records, frames and the panel base of the report.
#include "report/RpReport.h"
#include "report/pagestore/RpUnits.h"

#include "framework/core/Resources.h"

#include <QLocale>
#include <cmath>
#include <optional>

// ---- Band names ------------------------------------------------------------------------

namespace {

// String table numbers of the band captions and of the band name prefixes.
constexpr int kBandCaptionFirst = 64000;
constexpr int kBandPrefixFirst = 64100;

std::optional<bool>& InchDefaults() {
    static std::optional<bool> inches;
    return inches;
}

} // namespace

QString BandCaption(TRpBandType type) {
    return LoadStr(kBandCaptionFirst + static_cast<int>(type));
}

QString BandNamePrefix(TRpBandType type) {
    return LoadStr(kBandPrefixFirst + static_cast<int>(type));
}

QString UniqueBandName(TComponent* owner, const QString& prefix) {
    for (int n = 1;; ++n) {
        const QString name = prefix + QString::number(n);
        if (!owner || !owner->FindComponent(name)) return name;
    }
}

bool UsesInchDefaults() {
    auto& inches = InchDefaults();
    if (!inches) inches = QLocale::system().measurementSystem() != QLocale::MetricSystem;
    return *inches;
}

void SetUsesInchDefaults(bool inches) {
    InchDefaults() = inches;
}

long double CharColumnWidth(long double points) {
    return 80.0L / points / 2.54L;
}

long double CharLineHeight(long double points) {
    return 145.3L / points / 2.54L;
}

// ---- TRpUnitBase -----------------------------------------------------------------------

TRpUnitBase::TRpUnitBase(int valueCount, QObject* parent)
    : TPersistent(parent), values_(static_cast<size_t>(valueCount), 0.0L),
      resolution_(kRpPixelsPerInch),
      units_(UsesInchDefaults() ? TRpUnit::Inches : TRpUnit::MM), remembered_(units_) {}

TRpUnitBase::~TRpUnitBase() = default;

long double TRpUnitBase::FontPoints() const {
    const int size = report_ ? std::abs(report_->Font()->Size()) : 0;
    // A report font always has a size; a record without one measures in 10-point cells.
    return size > 0 ? size : 10;
}

long double TRpUnitBase::FromNative(TRpUnit unit, bool horizontal, long double v) const {
    switch (unit) {
    case TRpUnit::MM:
        return Units::Convert(v, Units::kTenthMm, Units::kMillimetre);
    case TRpUnit::Inches:
        return Units::Convert(v, Units::kTenthMm, Units::kInch);
    case TRpUnit::Pixels:
        return Units::Convert(v, Units::kTenthMm, Units::Pixels(resolution_, zoom_));
    case TRpUnit::Characters:
        return horizontal ? v / CharColumnWidth(FontPoints()) / 10
                          : v / CharLineHeight(FontPoints()) / 10;
    case TRpUnit::Native:
        break;
    }
    return v;
}

long double TRpUnitBase::ToNative(TRpUnit unit, bool horizontal, long double v) const {
    switch (unit) {
    case TRpUnit::MM:
        return Units::Convert(v, Units::kMillimetre, Units::kTenthMm);
    case TRpUnit::Inches:
        return Units::Convert(v, Units::kInch, Units::kTenthMm);
    case TRpUnit::Pixels:
        return Units::Convert(v, Units::Pixels(resolution_, zoom_), Units::kTenthMm);
    case TRpUnit::Characters:
        return horizontal ? v * CharColumnWidth(FontPoints()) * 10
                          : v * CharLineHeight(FontPoints()) * 10;
    case TRpUnit::Native:
        break;
    }
    return v;
}

void TRpUnitBase::AfterLoad() {
    UpdateOwnerBounds();
}

void TRpUnitBase::LoadValues(TReader& reader) {
    const size_t count = values_.size();
    std::vector<long double> read;
    read.reserve(count);
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        if (read.size() == count)
            reader.Error(QStringLiteral("Values holds more than %1 numbers").arg(count));
        const long double v = reader.ReadFloat();
        if (!(std::fabs(v) <= kMaxNativeValue))
            reader.Error(QStringLiteral("Value out of range in Values"));
        read.push_back(v);
    }
    reader.ReadListEnd();
    if (read.size() != count)
        reader.Error(
            QStringLiteral("Values holds %1 numbers, %2 expected").arg(read.size()).arg(count));
    values_ = std::move(read);
}

void TRpUnitBase::SaveValues(TWriter& writer) const {
    writer.WriteListBegin();
    for (long double v : values_)
        writer.WriteFloat(v);
    writer.WriteListEnd();
}

void TRpUnitBase::DefineProperties(TFiler& filer) {
    TPersistent::DefineProperties(filer);
    filer.DefineProperty(
        QStringLiteral("Values"), [this](TReader& r) { LoadValues(r); },
        [this](TWriter& w) { SaveValues(w); }, true);
}

void TRpUnitBase::Assign(TPersistent* source) {
    auto* other = qobject_cast<TRpUnitBase*>(source);
    if (!other || other->metaObject() != metaObject()) {
        TPersistent::Assign(source);
        return;
    }
    values_ = other->values_;
    UpdateOwnerBounds();
}

void TRpUnitBase::SwitchToPixels() {
    remembered_ = units_;
    units_ = TRpUnit::Pixels;
}

void TRpUnitBase::RestoreUnits() {
    units_ = remembered_;
}

long double TRpUnitBase::Get(int index, bool horizontal) const {
    return FromNative(GetUnits(), horizontal, NativeValue(index));
}

void TRpUnitBase::Put(int index, bool horizontal, long double value) {
    SetNativeValue(index, ToNative(GetUnits(), horizontal, value));
}

void TRpUnitBase::WithOwnerUpdating(const std::function<void()>& f) {
    const bool previous = ownerUpdating_;
    ownerUpdating_ = true;
    struct Restore {
        bool& flag;
        bool value;
        ~Restore() { flag = value; }
    } restore{ownerUpdating_, previous};
    f();
}

int TRpUnitBase::PixelsOf(int index, bool horizontal) const {
    return RoundInt(FromNative(TRpUnit::Pixels, horizontal, NativeValue(index)));
}

// ---- TRpPage ---------------------------------------------------------------------------

TRpPage::TRpPage(TCustomReport* report) : TRpUnitBase(7, report) {
    // The report learns its page only after these defaults, so that no bounds are set on
    // a report still being built.
    SetNativeValue(iBottomMargin, 0);
    if (UsesInchDefaults()) {
        TRpUnitBase::SetUnits(TRpUnit::Inches);
        SetPaperSize(TRpPaperSize::Letter);
        for (auto set : {&TRpPage::SetTopMargin, &TRpPage::SetBottomMargin,
                         &TRpPage::SetRightMargin, &TRpPage::SetLeftMargin})
            (this->*set)(0.5L);
    } else {
        TRpUnitBase::SetUnits(TRpUnit::MM);
        SetPaperSize(TRpPaperSize::A4);
        for (auto set : {&TRpPage::SetTopMargin, &TRpPage::SetBottomMargin,
                         &TRpPage::SetRightMargin, &TRpPage::SetLeftMargin})
            (this->*set)(10);
    }
    SetReport(report);
}

void TRpPage::Arrange() const {
    if (Report()) Report()->ArrangeBands();
}

void TRpPage::Repaint() const {
    if (Report()) Report()->Invalidate();
}

void TRpPage::SetBottomMargin(long double v) {
    Put(iBottomMargin, false, v);
    UpdateOwnerBounds();
    Arrange();
}

void TRpPage::SetLength(long double v) {
    if (paperSize_ != TRpPaperSize::Custom) return;
    Put(iLength, false, v);
    UpdateOwnerBounds();
    Arrange();
}

void TRpPage::SetWidth(long double v) {
    if (paperSize_ != TRpPaperSize::Custom) return;
    Put(iWidth, true, v);
    UpdateOwnerBounds();
    Arrange();
}

void TRpPage::SetTopMargin(long double v) {
    Put(iTopMargin, false, v);
    Arrange();
}

void TRpPage::SetLeftMargin(long double v) {
    Put(iLeftMargin, true, v);
    Arrange();
}

void TRpPage::SetRightMargin(long double v) {
    Put(iRightMargin, true, v);
    Arrange();
}

void TRpPage::SetColumnSpace(long double v) {
    Put(iColumnSpace, true, v);
    Arrange();
}

void TRpPage::SetColumns(int n) {
    if (n == columns_ || n <= 0) return;
    columns_ = n;
    Arrange();
    Repaint();
}

void TRpPage::SetOrientation(TPrinterOrientation o) {
    orientation_ = o;
    SetPaperSize(paperSize_);
}

void TRpPage::SetPaperSize(TRpPaperSize p) {
    if (p != TRpPaperSize::Default && p != TRpPaperSize::Custom) {
        SwitchToPixels();
        SetUnits(TRpUnit::MM);
        // Custom, so that width and length take the table's values.
        paperSize_ = TRpPaperSize::Custom;
        const TRpPaperInfo& paper = PaperInfo(p);
        const bool portrait = orientation_ == poPortrait;
        SetWidth(portrait ? paper.width : paper.length);
        SetLength(portrait ? paper.length : paper.width);
        RestoreUnits();
        Arrange();
    }
    paperSize_ = p;
}

void TRpPage::SetRuler(bool r) {
    if (r == ruler_) return;
    ruler_ = r;
    Repaint();
    if (Report()) Report()->SetUnits(Report()->Units());
}

void TRpPage::SetUnits(TRpUnit unit) {
    TRpUnitBase::SetUnits(unit);
    Repaint();
}

void TRpPage::LoadValues(TReader& reader) {
    TRpUnitBase::LoadValues(reader);
    UpdateOwnerBounds();
}

void TRpPage::UpdateOwnerBounds() {
    TCustomReport* report = Report();
    if (!report || OwnerUpdating()) return;
    WithOwnerUpdating([&] {
        report->SetBounds(report->Left(), report->Top(), PixelsOf(iWidth, true),
                          PixelsOf(iLength, false));
    });
}

// ---- TRpBandSize -----------------------------------------------------------------------

TRpBandSize::TRpBandSize(TRpCustomBand* band) : TRpUnitBase(2, band), band_(band) {
    SetNativeValue(iWidth, 40);
    SetNativeValue(iHeight, 20);
}

void TRpBandSize::SetHeight(long double v) {
    Put(iHeight, false, v);
    UpdateOwnerBounds();
}

void TRpBandSize::SetWidth(long double v) {
    Put(iWidth, true, v);
    UpdateOwnerBounds();
}

void TRpBandSize::UpdateOwnerBounds() {
    if (!band_) return;
    WithOwnerUpdating([&] {
        band_->SetBounds(band_->Left(), band_->Top(), PixelsOf(iWidth, true),
                         PixelsOf(iHeight, false));
    });
}

// ---- TRpPrintableSize ------------------------------------------------------------------

TRpPrintableSize::TRpPrintableSize(TRpPrintable* item) : TRpUnitBase(4, item), item_(item) {
    for (int i = 0; i < 4; ++i)
        SetNativeValue(i, 20);
}

void TRpPrintableSize::Set(int index, bool horizontal, long double v) {
    Put(index, horizontal, v);
    UpdateOwnerBounds();
}

void TRpPrintableSize::SetHeight(long double v) {
    Set(iHeight, false, v);
}
void TRpPrintableSize::SetLeft(long double v) {
    Set(iLeft, true, v);
}
void TRpPrintableSize::SetTop(long double v) {
    Set(iTop, false, v);
}
void TRpPrintableSize::SetWidth(long double v) {
    Set(iWidth, true, v);
}

void TRpPrintableSize::UpdateOwnerBounds() {
    if (!item_) return;
    WithOwnerUpdating([&] {
        item_->SetBounds(PixelsOf(iLeft, true), PixelsOf(iTop, false), PixelsOf(iWidth, true),
                         PixelsOf(iHeight, false));
    });
}

// ---- TRpFrame --------------------------------------------------------------------------

TRpFrame::TRpFrame(TControl* owner) : TPersistent(owner), owner_(owner) {}

void TRpFrame::Changed() const {
    if (owner_) owner_->Invalidate();
}

void TRpFrame::SetColor(TColor c) {
    color_ = c;
    Changed();
}
void TRpFrame::SetDrawTop(bool v) {
    drawTop_ = v;
    Changed();
}
void TRpFrame::SetDrawBottom(bool v) {
    drawBottom_ = v;
    Changed();
}
void TRpFrame::SetDrawLeft(bool v) {
    drawLeft_ = v;
    Changed();
}
void TRpFrame::SetDrawRight(bool v) {
    drawRight_ = v;
    Changed();
}
void TRpFrame::SetStyle(TPen::Style s) {
    style_ = s;
    Changed();
}
void TRpFrame::SetWidth(int w) {
    width_ = w;
    Changed();
}

void TRpFrame::ApplyPen(TPen* pen) const {
    pen->SetWidth(1);
    pen->SetStyle(style_);
    pen->SetColor(color_);
}

int TRpFrame::LineWidth(long double factor) const {
    if (width_ < 0) return 1; // a hairline
    // A line can be no thicker than a page is long.
    constexpr long double kThickest = 100000;
    const long double exact =
        std::min(factor * Units::Convert(width_, Units::kPoint, Units::kTenthMm), kThickest);
    const int pixels = RoundInt(exact);
    return pixels < 1 && width_ >= 1 ? 1 : pixels;
}

void TRpFrame::DrawFrame(TCanvas* canvas, const TRpRect& r, long double xFactor,
                         long double yFactor) const {
    if (!canvas) return;
    const int vw = LineWidth(xFactor);
    const int hw = LineWidth(yFactor);
    canvas->Brush()->SetBrushStyle(bsSolid);
    canvas->Brush()->SetColor(color_);
    ApplyPen(canvas->Pen());
    const int width = r.Right - r.Left, height = r.Bottom - r.Top;
    // Lines are filled rectangles inside the frame's rectangle.
    if (drawTop_) canvas->FillRect(QRect(r.Left, r.Top, width, hw));
    if (drawBottom_) canvas->FillRect(QRect(r.Left, r.Bottom - hw, width, hw));
    if (drawLeft_) canvas->FillRect(QRect(r.Left, r.Top, vw, height));
    if (drawRight_) canvas->FillRect(QRect(r.Right - vw, r.Top, vw, height));
    canvas->Brush()->SetBrushStyle(bsClear);
}

void TRpFrame::Assign(TPersistent* source) {
    auto* f = qobject_cast<TRpFrame*>(source);
    if (!f) {
        TPersistent::Assign(source);
        return;
    }
    color_ = f->color_;
    drawTop_ = f->drawTop_;
    drawBottom_ = f->drawBottom_;
    drawLeft_ = f->drawLeft_;
    drawRight_ = f->drawRight_;
    style_ = f->style_;
    width_ = f->width_;
    Changed();
}

// ---- TRpBasePanel ----------------------------------------------------------------------

TRpBasePanel::TRpBasePanel(TComponent* owner) : TCustomPanel(owner), frame_(new TRpFrame(this)) {
    SetBevelOuter(TExtCtrlsEnums::bvNone);
    SetBevelInner(TExtCtrlsEnums::bvNone);
}

TRpBasePanel::~TRpBasePanel() = default;

void TRpBasePanel::SetZoom(int zoom) {
    if (zoom <= 0) return;
    zoom_ = zoom;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (auto* item = qobject_cast<TRpPrintable*>(c)) {
            item->Size()->SetZoom(zoom);
            item->Size()->UpdateOwnerBounds();
        } else if (auto* panel = qobject_cast<TRpBasePanel*>(c)) {
            panel->SetZoom(zoom);
        }
    }
}

void TRpBasePanel::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetBrushStyle(bsSolid);
    canvas->Brush()->SetColor(Enabled() ? Color() : RGB(192, 192, 192));
    canvas->FillRect(ClientRect());
}
