#include "framework/graphics/Graphics.h"
#include "framework/core/Translations.h"

#include "framework/core/Files.h"
#include "framework/core/Limits.h"
#include "framework/core/Reader.h"
#include "framework/graphics/DeviceContext.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QMutex>
#include <QPalette>
#include <QSet>
#include <cstring>

// ---- Colours -------------------------------------------------------------------------

namespace {

struct ColorName {
    TColor color;
    const char* name;
};

constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};

// The desktop colours of the classic light theme: what system colours are on paper, and
// on screen without a running GUI.
constexpr TColor kClassicSystemColors[] = {
    0xC0C0C0, // scroll bar
    0x808000, // desktop
    0x800000, // active caption
    0x808080, // inactive caption
    0xC0C0C0, // menu
    0xFFFFFF, // window
    0x000000, // window frame
    0x000000, // menu text
    0x000000, // window text
    0xFFFFFF, // caption text
    0xC0C0C0, // active border
    0xC0C0C0, // inactive border
    0x808080, // application workspace
    0x800000, // highlight
    0xFFFFFF, // highlighted text
    0xC0C0C0, // button face
    0x808080, // button shadow
    0x808080, // grey text
    0x000000, // button text
    0xC0C0C0, // inactive caption text
    0xFFFFFF, // button highlight
    0x000000, // 3D dark shadow
    0xDFDFDF, // 3D light
    0x000000, // tooltip text
    0xE1FFFF, // tooltip background
};

bool PaletteRole(int index, QPalette::ColorGroup& group, QPalette::ColorRole& role) {
    group = QPalette::Active;
    switch (index) {
    case 4:
        role = QPalette::Window;
        return true; // menu
    case 5:
        role = QPalette::Base;
        return true; // window
    case 7:
        role = QPalette::WindowText;
        return true; // menu text
    case 8:
        role = QPalette::Text;
        return true; // window text
    case 13:
        role = QPalette::Highlight;
        return true;
    case 14:
        role = QPalette::HighlightedText;
        return true;
    case 15:
        role = QPalette::Button;
        return true; // button face
    case 16:
        role = QPalette::Dark;
        return true; // button shadow
    case 17:
        group = QPalette::Disabled;
        role = QPalette::Text;
        return true;
    case 18:
        role = QPalette::ButtonText;
        return true;
    case 20:
        role = QPalette::Light;
        return true; // button highlight
    case 21:
        role = QPalette::Shadow;
        return true;
    case 22:
        role = QPalette::Midlight;
        return true;
    case 23:
        role = QPalette::ToolTipText;
        return true;
    case 24:
        role = QPalette::ToolTipBase;
        return true;
    default:
        return false;
    }
}

} // namespace

TColor PaperColorToRGB(TColor c) {
    if ((c & clSystemColor) == 0) return c & 0xFFFFFF;
    const int index = c & 0xFF;
    if (index < static_cast<int>(std::size(kClassicSystemColors)))
        return kClassicSystemColors[index];
    return clBlack;
}

TColor ColorToRGB(TColor c) {
    if ((c & clSystemColor) == 0) return c & 0xFFFFFF;
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
        PaletteRole(c & 0xFF, group, role))
        return FromQColor(QGuiApplication::palette().color(group, role));
    return PaperColorToRGB(c);
}

QColor ToQColor(TColor c) {
    const TColor rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}

bool IdentToColor(const QString& ident, TColor& color) {
    for (const ColorName& n : kColorNames)
        if (ident.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) {
            color = n.color;
            return true;
        }
    return false;
}

void RegisterColorIdents() {
    for (const ColorName& n : kColorNames)
        RegisterIntegerIdent(QString::fromLatin1(n.name), static_cast<int>(n.color));
}

QString ColorToIdent(TColor color) {
    for (const ColorName& n : kColorNames)
        if (n.color == color) return QString::fromLatin1(n.name);
    return QStringLiteral("$%1")
        .arg(static_cast<uint32_t>(color), 8, 16, QLatin1Char('0'))
        .toUpper();
}

// ---- Fonts ---------------------------------------------------------------------------

QString LOGFONT::FaceName() const {
    return QString::fromLatin1(lfFaceName,
                               static_cast<qsizetype>(strnlen(lfFaceName, sizeof lfFaceName)));
}

void LOGFONT::SetFaceName(const QString& name) {
    std::memset(lfFaceName, 0, sizeof lfFaceName);
    const QByteArray bytes = name.toLatin1().left(sizeof lfFaceName - 1);
    std::memcpy(lfFaceName, bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool LOGFONT::operator==(const LOGFONT& o) const {
    return std::memcmp(this, &o, sizeof *this) == 0;
}

namespace {

struct FaceSubstitute {
    const char* face;
    const char* substitutes[3];
};

// Faces that layouts name, mapped to installed faces of about the same width.
constexpr FaceSubstitute kFaceSubstitutes[] = {
    {"MS Sans Serif", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"Microsoft Sans Serif", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"Arial", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"Helvetica", {"Liberation Sans", "Arimo", "DejaVu Sans"}},
    {"Tahoma", {"DejaVu Sans", "Liberation Sans", nullptr}},
    {"Verdana", {"DejaVu Sans", "Liberation Sans", nullptr}},
    {"Times New Roman", {"Liberation Serif", "Tinos", "DejaVu Serif"}},
    {"MS Serif", {"Liberation Serif", "Tinos", "DejaVu Serif"}},
    {"Courier New", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"}},
    {"Courier", {"Liberation Mono", "Cousine", "DejaVu Sans Mono"}},
};

// Whether a family of that name is installed, by the font database's list of families
// (read once): asking the database for one family runs the system's alias rules for it,
// which costs as much as listing them all, and a face missing under its own name is
// looked up among its stand-ins anyway.
bool Installed(const QString& family) {
    static const QSet<QString> installed = [] {
        QSet<QString> names;
        for (const QString& f : QFontDatabase::families()) {
            names.insert(f.toCaseFolded());
            // "Family [Foundry]" where two foundries make one family
            if (const qsizetype bracket = f.indexOf(QLatin1String(" [")); bracket > 0)
                names.insert(f.left(bracket).toCaseFolded());
        }
        return names;
    }();
    return installed.contains(family.toCaseFolded());
}

// Text is measured and drawn off the GUI thread too (pages recorded or played there).
QString ResolveFamily(const QString& face) {
    static QMutex mutex;
    static QHash<QString, QString> cache;
    const QMutexLocker lock(&mutex);
    auto it = cache.constFind(face);
    if (it != cache.constEnd()) return *it;
    QString family = face;
    if (!Installed(face)) {
        for (const FaceSubstitute& s : kFaceSubstitutes) {
            if (face.compare(QLatin1String(s.face), Qt::CaseInsensitive) != 0) continue;
            for (const char* candidate : s.substitutes)
                if (candidate && Installed(QString::fromLatin1(candidate))) {
                    family = QString::fromLatin1(candidate);
                    break;
                }
            break;
        }
    }
    cache.insert(face, family);
    return family;
}

} // namespace

QStringList StandInFaces() {
    QStringList faces;
    for (const FaceSubstitute& s : kFaceSubstitutes) {
        const QString face = QString::fromLatin1(s.face);
        if (Installed(face)) continue; // installed itself
        for (const char* c : s.substitutes)
            if (c && Installed(QString::fromLatin1(c))) {
                faces << face;
                break;
            }
    }
    return faces;
}

void InstallFontSubstitutes() {
    for (const FaceSubstitute& s : kFaceSubstitutes) {
        QStringList list;
        for (const char* c : s.substitutes)
            if (c) list << QString::fromLatin1(c);
        QFont::insertSubstitutions(QString::fromLatin1(s.face), list);
    }
}

QFont QFontFromLogFont(const LOGFONT& lf) {
    QFont f(
        ResolveFamily(lf.FaceName().isEmpty() ? QStringLiteral("MS Sans Serif") : lf.FaceName()));
    f.setKerning(false);
    f.setStyleStrategy(QFont::PreferOutline);
    f.setHintingPreference(QFont::PreferNoHinting);
    if (lf.lfWeight > 0)
        f.setWeight(static_cast<QFont::Weight>(std::clamp<int>(lf.lfWeight, 100, 900)));
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    int em = 13;
    if (lf.lfHeight < 0) {
        em = -static_cast<int64_t>(lf.lfHeight) > 100000 ? 100000 : -lf.lfHeight;
    } else if (lf.lfHeight > 0) {
        // A positive height is the cell (ascent + descent); find the em that gives it.
        QFont probe = f;
        probe.setPixelSize(1000);
        const QFontMetricsF fm(probe);
        const qreal cell = fm.ascent() + fm.descent();
        const qreal h = std::min<int>(lf.lfHeight, 100000);
        em = cell > 0 ? std::max(1, RoundInt(h * 1000 / cell)) : lf.lfHeight;
    }
    f.setPixelSize(std::max(1, em));
    if (lf.lfWidth > 0) {
        // A width asks for glyphs of that average width: stretch from the natural one.
        qreal scale;
        const qreal natural = MetricsOf(f, scale).averageCharWidth() * scale;
        if (natural > 0) f.setStretch(std::clamp(RoundInt(100.0L * lf.lfWidth / natural), 1, 4000));
    }
    return f;
}

HFONT CreateFontIndirect(const LOGFONT& lf) {
    auto obj = std::make_shared<TFontObject>();
    obj->logFont = lf;
    obj->qfont = QFontFromLogFont(lf);
    return obj;
}

TFont::TFont(QObject* parent) : TPersistent(parent) {}

int TFont::PixelsPerInch() const {
    return pixelsPerInch_ > 0 ? pixelsPerInch_ : ScreenPixelsPerInch();
}

void TFont::Changed() {
    handle_.reset();
    Notify(OnChange, this);
}

void TFont::SetCharset(int c) {
    if (c == charset_) return;
    charset_ = c;
    Changed();
}

void TFont::SetColor(TColor c) {
    if (c == color_) return;
    color_ = c;
    // Colour is not part of the realised font; keep the handle.
    Notify(OnChange, this);
}

void TFont::SetHeight(int h) {
    if (h == height_) return;
    height_ = h;
    Changed();
}

void TFont::SetName(const QString& n) {
    if (n.isEmpty() || n == name_) return;
    name_ = n;
    Changed();
}

void TFont::SetPitch(Pitch p) {
    if (p == pitch_) return;
    pitch_ = p;
    Changed();
}

int TFont::Size() const {
    return -MulDiv(height_, 72, PixelsPerInch());
}

void TFont::SetSize(int points) {
    SetHeight(-MulDiv(points, PixelsPerInch(), 72));
}

void TFont::SetStyle(TFontStyles s) {
    if (s == style_) return;
    style_ = s;
    Changed();
}

LOGFONT TFont::GetLogFont() const {
    LOGFONT lf;
    lf.lfHeight = height_;
    lf.lfWeight = HasStyle(::fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = HasStyle(::fsItalic);
    lf.lfUnderline = HasStyle(::fsUnderline);
    lf.lfStrikeOut = HasStyle(::fsStrikeOut);
    lf.lfCharSet = static_cast<uint8_t>(charset_);
    lf.lfPitchAndFamily = static_cast<uint8_t>(pitch_ == fpFixed      ? 1
                                               : pitch_ == fpVariable ? 2
                                                                      : 0);
    lf.SetFaceName(name_);
    return lf;
}

void TFont::SetLogFont(const LOGFONT& lf) {
    TFontStyles s;
    if (lf.lfWeight >= 600) s |= fsBold;
    if (lf.lfItalic) s |= fsItalic;
    if (lf.lfUnderline) s |= fsUnderline;
    if (lf.lfStrikeOut) s |= fsStrikeOut;
    const bool changed =
        lf.lfHeight != height_ || s != style_ || lf.lfCharSet != charset_ || lf.FaceName() != name_;
    height_ = lf.lfHeight;
    style_ = s;
    charset_ = lf.lfCharSet;
    if (!lf.FaceName().isEmpty()) name_ = lf.FaceName();
    handle_ = CreateFontIndirect(lf);
    if (changed) Notify(OnChange, this);
}

HFONT TFont::Handle() const {
    if (!handle_) handle_ = CreateFontIndirect(GetLogFont());
    return handle_;
}

void TFont::SetHandle(const HFONT& f) {
    if (f) SetLogFont(f->logFont);
}

void TFont::Assign(TPersistent* source) {
    if (auto* f = qobject_cast<TFont*>(source)) {
        const int ppi = PixelsPerInch(), sourcePpi = f->PixelsPerInch();
        if (SameAs(*f) && sourcePpi == ppi) return;
        name_ = f->name_;
        style_ = f->style_;
        color_ = f->color_;
        charset_ = f->charset_;
        pitch_ = f->pitch_;
        // The size in points carries over when the densities differ (a screen font
        // assigned to a printer canvas keeps its point size).
        height_ = sourcePpi == ppi ? f->height_ : -MulDiv(f->Size(), ppi, 72);
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

bool TFont::SameAs(const TFont& o) const {
    return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && color_ == o.color_ &&
           charset_ == o.charset_ && pitch_ == o.pitch_;
}

// ---- Pens and brushes ----------------------------------------------------------------

void TPen::SetColor(TColor c) {
    if (c == color_) return;
    color_ = c;
    Notify(OnChange, this);
}

void TPen::SetPenStyle(TPenStyle s) {
    if (s == style_) return;
    style_ = s;
    Notify(OnChange, this);
}

void TPen::SetWidth(int w) {
    if (w < 0 || w == width_) return;
    width_ = w;
    Notify(OnChange, this);
}

void TPen::Assign(TPersistent* source) {
    if (auto* p = qobject_cast<TPen*>(source)) {
        color_ = p->color_;
        style_ = p->style_;
        width_ = p->width_;
        Notify(OnChange, this);
        return;
    }
    TPersistent::Assign(source);
}

void TBrush::SetColor(TColor c) {
    if (c == color_ && style_ != ::bsClear) return;
    color_ = c;
    if (style_ == ::bsClear) style_ = ::bsSolid;
    Notify(OnChange, this);
}

void TBrush::SetBrushStyle(TBrushStyle s) {
    if (s == style_) return;
    style_ = s;
    Notify(OnChange, this);
}

void TBrush::Assign(TPersistent* source) {
    if (auto* b = qobject_cast<TBrush*>(source)) {
        color_ = b->color_;
        style_ = b->style_;
        Notify(OnChange, this);
        return;
    }
    TPersistent::Assign(source);
}

// ---- Pictures ------------------------------------------------------------------------

void TGraphic::SetTransparent(bool t) {
    if (t == transparent_) return;
    transparent_ = t;
    Changed(this);
}

void TGraphic::LoadFromFile(const QString& fileName) {
    try {
        // Only a regular file within the cap is read: a pipe or a device never ends.
        QFile f;
        OpenInputFile(f, fileName, kMaxPictureFileBytes);
        LoadFromStream(f);
    } catch (const EAbort&) {
        throw;
    } catch (Exception& e) {
        e.SetFileName(fileName);
        throw;
    } catch (const std::bad_alloc&) {
        EOutOfResources e(Translate("SysConst", "Out of memory"));
        e.SetFileName(fileName);
        throw e;
    }
}

void TGraphic::SaveToFile(const QString& fileName) {
    QFile f(fileName);
    if (fileName.isEmpty() || !f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EFOpenError(Translate("SysConst", "Cannot create file %1").arg(fileName));
    SaveToStream(f);
    if (!f.flush()) throw EStreamError(Translate("SysConst", "Stream write error"));
}

void TGraphic::Changed(TObject* sender) {
    modified_ = true;
    Notify(OnChange, sender);
}

namespace {
std::vector<TFileFormat>& FileFormats() {
    static std::vector<TFileFormat> formats;
    return formats;
}
} // namespace

void RegisterFileFormat(const QString& extension, const QString& description,
                        TGraphicFactory make) {
    UnregisterFileFormat(extension);
    FileFormats().push_back({extension.toLower(), description, std::move(make)});
}

void UnregisterFileFormat(const QString& extension) {
    auto& formats = FileFormats();
    std::erase_if(formats,
                  [&](const TFileFormat& f) { return f.extension == extension.toLower(); });
}

const TFileFormat* FindFileFormat(const QString& extension) {
    for (const TFileFormat& f : FileFormats())
        if (f.extension == extension.toLower()) return &f;
    return nullptr;
}

std::vector<TFileFormat> RegisteredFileFormats() {
    return FileFormats();
}

// ---- Canvas --------------------------------------------------------------------------

TCanvas::TCanvas(TDeviceContext* dc)
    : font_(new TFont(this)), pen_(new TPen(this)), brush_(new TBrush(this)) {
    font_->OnChange = [this](TObject*) { state_ &= ~csFontValid; };
    pen_->OnChange = [this](TObject*) { state_ &= ~csPenValid; };
    brush_->OnChange = [this](TObject*) { state_ &= ~csBrushValid; };
    SetHandle(dc);
}

TCanvas::~TCanvas() = default;

void TCanvas::SetHandle(TDeviceContext* dc) {
    dc_ = dc;
    // Font, pen and brush are selected into the new context as they are next needed.
    state_ = 0;
    if (dc) AdoptResolution(*dc);
}

// The font is sized in the pixels of the device it draws on; a font given in points keeps
// its size in points on a device of another density, so a page prints alike at any
// resolution.
void TCanvas::AdoptResolution(const TDeviceContext& dc) {
    const int ppi = dc.GetDeviceCaps(LOGPIXELSY);
    if (ppi <= 0) return;
    if (ppi == font_->PixelsPerInch()) {
        font_->SetPixelsPerInch(ppi);
        return;
    }
    const int points = font_->Size();
    font_->SetPixelsPerInch(ppi);
    font_->SetSize(points);
}

void TCanvas::RequireHandle() {
    if (!dc_) CreateHandle();
    if (!dc_) throw EInvalidOperation(Translate("SysConst", "Canvas does not allow drawing"));
}

void TCanvas::RequireFont() {
    RequireHandle();
    if (state_ & csFontValid) return;
    dc_->SelectFont(font_->Handle());
    dc_->SetTextColor(dc_->ResolveColor(font_->Color()));
    state_ |= csFontValid;
}

void TCanvas::RequirePen() {
    RequireHandle();
    if (state_ & csPenValid) return;
    dc_->SelectPen({pen_->PenStyle(), pen_->Width(), dc_->ResolveColor(pen_->Color())});
    state_ |= csPenValid;
}

void TCanvas::RequireBrush() {
    RequireHandle();
    if (state_ & csBrushValid) return;
    const TColor color = dc_->ResolveColor(brush_->Color());
    dc_->SelectBrush({brush_->BrushStyle(), color});
    // A clear brush draws text without a background; any other paints the cell.
    dc_->SetBkColor(color);
    dc_->SetBkMode(brush_->BrushStyle() == ::bsClear ? TRANSPARENT : OPAQUE);
    state_ |= csBrushValid;
}

void TCanvas::MoveTo(int x, int y) {
    RequireHandle();
    dc_->MoveTo(x, y);
    penPos_ = {x, y};
}

void TCanvas::LineTo(int x, int y) {
    RequirePen();
    RequireBrush();
    dc_->MoveTo(penPos_.x(), penPos_.y());
    dc_->LineTo(x, y);
    penPos_ = {x, y};
    Notify(OnChange, this);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    RequirePen();
    RequireBrush();
    dc_->Rectangle(x1, y1, x2, y2);
    Notify(OnChange, this);
}

void TCanvas::FillRect(const QRect& r) {
    RequireBrush();
    dc_->FillRect(r, {brush_->BrushStyle(), dc_->ResolveColor(brush_->Color())});
    Notify(OnChange, this);
}

void TCanvas::FrameRect(const QRect& r) {
    RequireBrush();
    const TBrushData b{::bsSolid, dc_->ResolveColor(brush_->Color())};
    const int l = r.left(), t = r.top(), rr = r.right() + 1, bb = r.bottom() + 1;
    if (rr <= l || bb <= t) return;
    dc_->FillRect(QRect(l, t, rr - l, 1), b);
    dc_->FillRect(QRect(l, bb - 1, rr - l, 1), b);
    dc_->FillRect(QRect(l, t, 1, bb - t), b);
    dc_->FillRect(QRect(rr - 1, t, 1, bb - t), b);
    Notify(OnChange, this);
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    RequireFont();
    RequireBrush();
    dc_->ExtTextOut(x, y, 0, nullptr, text);
    penPos_ = {x + dc_->GetTextExtentPoint(text).width(), y};
    Notify(OnChange, this);
}

void TCanvas::TextRect(const QRect& r, int x, int y, const QString& text) {
    RequireFont();
    RequireBrush();
    unsigned options = ETO_CLIPPED;
    if (brush_->BrushStyle() != ::bsClear) options |= ETO_OPAQUE;
    dc_->ExtTextOut(x, y, options, &r, text);
    Notify(OnChange, this);
}

QSize TCanvas::TextExtent(const QString& text) {
    RequireFont();
    return dc_->GetTextExtentPoint(text);
}

void TCanvas::Draw(int x, int y, TGraphic* g) {
    if (!g || g->Empty()) return;
    StretchDraw(QRect(x, y, g->Width(), g->Height()), g);
}

void TCanvas::StretchDraw(const QRect& r, TGraphic* g) {
    if (!g || g->Empty()) return;
    RequireHandle();
    g->Draw(*this, r);
    Notify(OnChange, this);
}

// ---- Screen metrics ------------------------------------------------------------------

namespace {
constexpr int kScreenPixelsPerInch = 96;
int g_screenPixelsPerInchOverride = 0; // 0: none
} // namespace

int ScreenPixelsPerInch() {
    return g_screenPixelsPerInchOverride > 0 ? g_screenPixelsPerInchOverride : kScreenPixelsPerInch;
}

TScreenPixelsPerInchOverride::TScreenPixelsPerInchOverride(int ppi)
    : previous_(g_screenPixelsPerInchOverride) {
    if (ppi > 0) g_screenPixelsPerInchOverride = ppi;
}

TScreenPixelsPerInchOverride::~TScreenPixelsPerInchOverride() {
    g_screenPixelsPerInchOverride = previous_;
}
