#include "framework/widgets/ComCtrls.h"

#include "framework/graphics/DeviceContext.h"
#include "framework/graphics/TextDraw.h"
#include "framework/widgets/ExtCtrls.h"
#include "framework/widgets/Forms.h"

#include <QFrame>
#include <QPainter>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QStyleOptionTab>
#include <QToolButton>

namespace {

// Virtual-key codes the page control reacts to.
constexpr uint16_t VK_TAB = 0x09, VK_LEFT = 0x25, VK_RIGHT = 0x27;

QString StripMnemonic(QString s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == '&' && i + 1 < s.size()) ++i;
        out += s[i];
    }
    return out;
}

} // namespace

// ---- TTabSheet -------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    SetVisible(false);
}

TTabSheet::~TTabSheet() {
    if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* pc) {
    SetParent(pc);
}

void TTabSheet::SetParent(TWinControl* parent) {
    if (parent == Parent()) return;
    if (TPageControl* old = pageControl_) {
        pageControl_ = nullptr;
        old->RemovePage(this);
    }
    TWinControl::SetParent(parent);
    if (auto* pc = qobject_cast<TPageControl*>(parent)) {
        pageControl_ = pc;
        pc->InsertPage(this);
    }
}

void TTabSheet::VisibleChanged() {
    TWinControl::VisibleChanged();
    if (Visible() && Widget()) CreateChildHandles();
}

void TTabSheet::SetImageIndex(int i) {
    if (i == imageIndex_) return;
    imageIndex_ = i;
    if (pageControl_) pageControl_->TabsChanged();
}

void TTabSheet::SetTabVisible(bool v) {
    if (v == tabVisible_) return;
    tabVisible_ = v;
    if (pageControl_) pageControl_->TabsChanged();
}

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    const auto& pages = pageControl_->pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int i) {
    if (pageControl_) pageControl_->MovePage(this, i);
}

void TTabSheet::TextChanged() {
    TWinControl::TextChanged();
    if (pageControl_) pageControl_->TabsChanged();
}

// ---- TPageControl ----------------------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 289, 193);
    SetTabStop(true);
    RegisterEvent("OnChange", OnChange);
    RegisterEvent("OnChanging", OnChanging);
}

TPageControl::~TPageControl() {
    // The pages go with the control's children; they must not call back into it.
    for (TTabSheet* p : pages_)
        p->pageControl_ = nullptr;
    pages_.clear();
    activePage_ = nullptr;
    if (images_) images_->RemoveChangeLink(this);
}

TTabSheet* TPageControl::Pages(int i) const {
    return i >= 0 && i < PageCount() ? pages_[static_cast<size_t>(i)] : nullptr;
}

void TPageControl::InsertPage(TTabSheet* page) {
    pages_.push_back(page);
    page->SetVisible(false);
    if (!activePage_ && !IsLoading()) SetActivePage(page);
    TabsChanged();
}

void TPageControl::RemovePage(TTabSheet* page) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) return;
    const auto index = it - pages_.begin();
    pages_.erase(it);
    if (page == activePage_) {
        activePage_ = nullptr;
        if (!pages_.empty() && !IsDestroying())
            SetActivePage(pages_[static_cast<size_t>(std::min<ptrdiff_t>(index, PageCount() - 1))]);
    }
    if (!IsDestroying()) TabsChanged();
}

void TPageControl::MovePage(TTabSheet* page, int index) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end() || index < 0 || index >= PageCount()) return;
    pages_.erase(it);
    pages_.insert(pages_.begin() + index, page);
    TabsChanged();
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->pageControl_ != this) return;
    if (page == activePage_) return;
    TTabSheet* old = activePage_;
    activePage_ = page;
    if (page) page->SetVisible(true);
    if (old) old->SetVisible(false);
    TabsChanged();
}

int TPageControl::ActivePageIndex() const {
    auto it = std::find(pages_.begin(), pages_.end(), activePage_);
    return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void TPageControl::SetActivePageIndex(int i) {
    if (IsLoading()) {
        // The pages follow in the layout.
        loadedIndex_ = i;
        return;
    }
    if (i < -1 || i >= PageCount()) return;
    SetActivePage(i < 0 ? nullptr : pages_[static_cast<size_t>(i)]);
}

void TPageControl::SetImages(TCustomImageList* images) {
    if (images == images_) return;
    if (images_) {
        images_->RemoveChangeLink(this);
        RemoveFreeNotification(images_);
    }
    images_ = images;
    if (images_) {
        FreeNotification(images_);
        images_->AddChangeLink(this, [this] { TabsChanged(); });
    }
    TabsChanged();
}

void TPageControl::SetMultiLine(bool v) {
    if (v == multiLine_) return;
    multiLine_ = v;
    TabsChanged();
}

void TPageControl::SetTabHeight(int h) {
    if (h < 0 || h == tabHeight_) return;
    tabHeight_ = h;
    TabsChanged();
}

void TPageControl::SetTabWidth(int w) {
    if (w < 0 || w == tabWidth_) return;
    tabWidth_ = w;
    TabsChanged();
}

void TPageControl::DefineProperties(TFiler& filer) {
    TWinControl::DefineProperties(filer);
    imagesRef_.Define(filer, QStringLiteral("Images"));
    activePageRef_.Define(filer, QStringLiteral("ActivePage"));
}

void TPageControl::Loaded() {
    TWinControl::Loaded();
    if (imagesRef_.Pending()) SetImages(qobject_cast<TCustomImageList*>(imagesRef_.Resolve(this)));
    if (activePageRef_.Pending())
        SetActivePage(qobject_cast<TTabSheet*>(activePageRef_.Resolve(this)));
    else if (loadedIndex_ >= -1)
        SetActivePageIndex(loadedIndex_);
    if (!activePage_ && loadedIndex_ != -1) {
        for (TTabSheet* p : pages_)
            if (p->TabVisible()) {
                SetActivePage(p);
                break;
            }
    }
    loadedIndex_ = -2;
    TabsChanged();
}

void TPageControl::Notification(TComponent* c, TOperation op) {
    TWinControl::Notification(c, op);
    if (op == opRemove && c == images_) {
        images_ = nullptr;
        TabsChanged();
    }
}

void TPageControl::TabsChanged() {
    // Pages, pictures and font come one by one from a layout: the tabs are laid out once,
    // when all have come.
    if (IsLoading()) return;
    LayoutTabs();
    Invalidate();
}

QRect TPageControl::DisplayRect() const {
    return {4, tabsHeight_ + 4, std::max(0, Width() - 8), std::max(0, Height() - tabsHeight_ - 8)};
}

void TPageControl::LayoutTabs() {
    const QFontMetrics fm(Font()->ToQFont());
    const int imageWidth = images_ ? images_->Width() : 0,
              imageHeight = images_ ? images_->Height() : 0;
    const int tabHeight =
        tabHeight_ > 0 ? tabHeight_ : std::max(18, std::max(fm.height(), imageHeight) + 4);
    const int available = std::max(1, Width() - 4);
    tabRects_.assign(pages_.size(), QRect());

    // Fill rows left to right; a tab that does not fit starts a new row (MultiLine).
    std::vector<std::vector<size_t>> rows;
    std::vector<int> widths(pages_.size(), 0);
    std::vector<size_t> row;
    int x = 0;
    for (size_t i = 0; i < pages_.size(); ++i) {
        const TTabSheet* p = pages_[i];
        if (!p->TabVisible()) continue;
        const bool picture = images_ && p->ImageIndex() >= 0 && p->ImageIndex() < images_->Count();
        int w = tabWidth_;
        if (w <= 0)
            w = fm.horizontalAdvance(StripMnemonic(p->Caption())) + (picture ? imageWidth + 3 : 0) +
                12;
        widths[i] = w;
        if (multiLine_ && !row.empty() && x + w > available) {
            rows.push_back(row);
            row.clear();
            x = 0;
        }
        row.push_back(i);
        x += w;
    }
    if (!row.empty()) rows.push_back(row);
    rowCount_ = static_cast<int>(rows.size());
    tabsHeight_ = rowCount_ > 0 ? rowCount_ * tabHeight + 2 : 0;

    // The row of the active tab lies next to the page; the others follow above it in turn.
    size_t activeRow = 0;
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t i : rows[r])
            if (pages_[i] == activePage_) activeRow = r;
    for (size_t k = 0; k < rows.size(); ++k) {
        const std::vector<size_t>& r = rows[(activeRow + k) % rows.size()];
        const int y = 2 + (rowCount_ - 1 - static_cast<int>(k)) * tabHeight;
        int total = 0;
        for (size_t i : r)
            total += widths[i];
        // With several rows every row is stretched to the full width.
        const int extra = rowCount_ > 1 ? std::max(0, available - total) : 0;
        const int n = static_cast<int>(r.size());
        int left = 2;
        for (int j = 0; j < n; ++j) {
            const size_t i = r[static_cast<size_t>(j)];
            const int w = widths[i] + extra / n + (j < extra % n ? 1 : 0);
            tabRects_[i] = QRect(left, y, w, tabHeight);
            left += w;
        }
    }
    const QRect display = DisplayRect();
    for (TTabSheet* p : pages_)
        p->SetBounds(display.x(), display.y(), display.width(), display.height());
}

QRect TPageControl::TabRect(TTabSheet* page) const {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) return {};
    return tabRects_[static_cast<size_t>(it - pages_.begin())];
}

TTabSheet* TPageControl::PageAtPos(int x, int y) const {
    // The active tab is drawn over its neighbours, so it wins where they touch.
    if (activePage_ && TabRect(activePage_).contains(x, y)) return activePage_;
    for (size_t i = 0; i < pages_.size(); ++i)
        if (tabRects_[i].contains(x, y)) return pages_[i];
    return nullptr;
}

void TPageControl::ChangeActivePage(TTabSheet* page) {
    if (page == activePage_) return;
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    SetActivePage(page);
    Notify(OnChange, this);
}

void TPageControl::SelectNextPage(bool goForward) {
    const int n = PageCount();
    if (n == 0) return;
    int i = ActivePageIndex();
    for (int step = 0; step < n; ++step) {
        i = goForward ? (i + 1) % n : (i <= 0 ? n - 1 : i - 1);
        if (pages_[static_cast<size_t>(i)]->TabVisible()) {
            ChangeActivePage(pages_[static_cast<size_t>(i)]);
            return;
        }
    }
}

void TPageControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        if (TTabSheet* page = PageAtPos(x, y)) {
            SetFocus();
            ChangeActivePage(page);
        }
    }
    TWinControl::MouseDown(button, shift, x, y);
}

void TPageControl::KeyDown(uint16_t& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if (key == VK_TAB && (shift & ssCtrl)) {
        key = 0;
        SelectNextPage(!(shift & ssShift));
    } else if ((key == VK_LEFT || key == VK_RIGHT) && !(shift & (ssCtrl | ssAlt | ssShift))) {
        // Arrows move to the neighbouring tab without wrapping round.
        const int i = ActivePageIndex() + (key == VK_RIGHT ? 1 : -1);
        key = 0;
        if (TTabSheet* p = Pages(i)) ChangeActivePage(p);
    }
}

void TPageControl::UpdateWidget() {
    TWinControl::UpdateWidget();
    if (QWidget* w = Widget()) w->setFocusPolicy(Qt::StrongFocus);
}

void TPageControl::BoundsChanged() {
    TWinControl::BoundsChanged();
    TabsChanged();
}

void TPageControl::FontChanged() {
    TWinControl::FontChanged();
    TabsChanged();
}

void TPageControl::PaintWidget(QPainter& p) {
    QWidget* w = Widget();
    if (!w) return;
    QStyle* style = w->style();
    const QFont font = Font()->ToQFont();
    p.setFont(font);

    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(w);
    frame.rect = QRect(0, tabsHeight_, Width(), Height() - tabsHeight_);
    frame.shape = QTabBar::RoundedNorth;
    frame.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
    frame.tabBarSize = QSize(Width(), tabsHeight_);
    frame.tabBarRect = QRect(0, 0, Width(), tabsHeight_);
    if (activePage_) frame.selectedTabRect = TabRect(activePage_);
    style->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &p, w);

    auto drawTab = [&](size_t i) {
        const QRect rect = tabRects_[i];
        if (rect.isEmpty()) return;
        TTabSheet* page = pages_[i];
        const bool selected = page == activePage_;
        QStyleOptionTab tab;
        tab.initFrom(w);
        tab.rect = rect;
        tab.shape = QTabBar::RoundedNorth;
        tab.fontMetrics = QFontMetrics(font);
        tab.position = QStyleOptionTab::Middle;
        tab.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        if (selected) tab.state |= QStyle::State_Selected;
        if (!Enabled()) tab.state &= ~QStyle::State_Enabled;
        style->drawControl(QStyle::CE_TabBarTabShape, &tab, &p, w);

        const int index = page->ImageIndex();
        const bool picture = images_ && index >= 0 && index < images_->Count();
        const QString caption = page->Caption();
        const int textWidth = QFontMetrics(font).horizontalAdvance(StripMnemonic(caption));
        const int contentWidth = textWidth + (picture ? images_->Width() + 3 : 0);
        QRect content = rect;
        if (!selected) content.translate(0, 1);
        int x = content.left() + std::max(6, (content.width() - contentWidth) / 2);
        if (picture) {
            const QPixmap pm = images_->Pixmap(index, Enabled());
            p.drawPixmap(x, content.top() + (content.height() - pm.height()) / 2, pm);
            x += images_->Width() + 3;
        }
        const QRect textRect(x, content.top(), textWidth + 1, content.height());
        style->drawItemText(&p, textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                            w->palette(), Enabled(), caption, QPalette::WindowText);
        if (selected && w->hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(w);
            focus.rect = rect.adjusted(3, 3, -3, -2);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, w);
        }
    };
    size_t activeIndex = pages_.size();
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (pages_[i] == activePage_)
            activeIndex = i;
        else
            drawTab(i);
    }
    if (activeIndex < pages_.size()) drawTab(activeIndex);
}

// ---- TToolButton -----------------------------------------------------------------------

TToolButton::TToolButton(TComponent* owner) : TControl(owner) {
    SetBounds(0, 0, 23, 22);
    // The Qt button reports its own clicks.
    clickEvents_ = false;
}

TToolButton::~TToolButton() {
    if (toolBar_) std::erase(toolBar_->buttons_, this);
}

void TToolButton::SetParent(TWinControl* parent) {
    if (parent == Parent()) return;
    if (toolBar_) {
        std::erase(toolBar_->buttons_, this);
        toolBar_ = nullptr;
    }
    TControl::SetParent(parent);
    if (auto* bar = qobject_cast<TToolBar*>(parent)) {
        toolBar_ = bar;
        bar->buttons_.push_back(this);
        bar->ArrangeButtons();
    }
}

QWidget* TToolButton::CreateWidget(QWidget* parentWidget) {
    if (IsGap()) {
        auto* f = new QFrame(parentWidget);
        if (style_ == TComCtrlsEnums::tbsDivider) {
            f->setFrameShape(QFrame::VLine);
            f->setFrameShadow(QFrame::Sunken);
        }
        return f;
    }
    auto* b = new QToolButton(parentWidget);
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QToolButton::clicked, this, [this] { SafeCall(this, [&] { Click(); }); });
    return b;
}

void TToolButton::UpdateWidget() {
    TControl::UpdateWidget();
    auto* b = qobject_cast<QToolButton*>(Widget());
    if (!b) return;
    const QSignalBlocker block(b);
    TCustomImageList* images = toolBar_ ? toolBar_->Images() : nullptr;
    const bool picture = images && imageIndex_ >= 0 && imageIndex_ < images->Count();
    if (picture) {
        QIcon icon(images->Pixmap(imageIndex_, true));
        icon.addPixmap(images->Pixmap(imageIndex_, false), QIcon::Disabled);
        b->setIcon(icon);
        b->setIconSize(QSize(images->Width(), images->Height()));
    } else {
        b->setIcon(QIcon());
    }
    b->setText(Caption());
    const bool captions = toolBar_ && toolBar_->ShowCaptions();
    b->setToolButtonStyle(!picture   ? Qt::ToolButtonTextOnly
                          : captions ? Qt::ToolButtonTextUnderIcon
                                     : Qt::ToolButtonIconOnly);
    b->setAutoRaise(toolBar_ && toolBar_->Flat());
    b->setCheckable(style_ == TComCtrlsEnums::tbsCheck);
    if (style_ == TComCtrlsEnums::tbsCheck)
        b->setChecked(down_);
    else
        b->setDown(down_);
}

void TToolButton::TextChanged() {
    TControl::TextChanged();
    if (Widget()) UpdateWidget();
}

void TToolButton::VisibleChanged() {
    TControl::VisibleChanged();
    if (toolBar_) toolBar_->ArrangeButtons();
}

void TToolButton::SetImageIndex(int i) {
    if (i == imageIndex_) return;
    imageIndex_ = i;
    if (Widget()) UpdateWidget();
}

void TToolButton::SetStyle(TToolButtonStyle s) {
    if (s == style_) return;
    const bool wasGap = IsGap();
    style_ = s;
    if (Widget() && (wasGap != IsGap() || IsGap())) {
        DestroyHandle();
        HandleNeeded();
    } else if (Widget()) {
        UpdateWidget();
    }
    if (toolBar_) toolBar_->ArrangeButtons();
}

void TToolButton::SetWrap(bool v) {
    if (v == wrap_) return;
    wrap_ = v;
    if (toolBar_) toolBar_->ArrangeButtons();
}

bool TToolButton::TextOnly() const {
    TCustomImageList* images = toolBar_ ? toolBar_->Images() : nullptr;
    return !IsGap() && !Caption().isEmpty() &&
           !(images && imageIndex_ >= 0 && imageIndex_ < images->Count());
}

int TToolButton::CaptionWidth() const {
    const QFontMetrics fm(Font()->ToQFont());
    return fm.size(Qt::TextShowMnemonic, Caption()).width() + 12;
}

std::vector<TToolButton*> TToolButton::Group() {
    std::vector<TToolButton*> group;
    if (!toolBar_) return {this};
    std::vector<TToolButton*> line;
    for (TControl* c : toolBar_->OrderedControls())
        if (auto* b = qobject_cast<TToolButton*>(c)) line.push_back(b);
    auto grouped = [](TToolButton* b) {
        return b->grouped_ && b->style_ == TComCtrlsEnums::tbsCheck;
    };
    auto it = std::find(line.begin(), line.end(), this);
    if (it == line.end()) return {this};
    auto first = it, last = it;
    while (first != line.begin() && grouped(*(first - 1)))
        --first;
    while (last + 1 != line.end() && grouped(*(last + 1)))
        ++last;
    group.assign(first, last + 1);
    return group;
}

void TToolButton::SetDown(bool v) {
    if (v != down_) {
        if (v && grouped_ && style_ == TComCtrlsEnums::tbsCheck)
            for (TToolButton* b : Group())
                if (b != this && b->down_) {
                    b->down_ = false;
                    if (b->Widget()) b->UpdateWidget();
                }
        down_ = v;
    }
    if (Widget()) UpdateWidget();
}

void TToolButton::Click() {
    if (style_ == TComCtrlsEnums::tbsCheck) {
        // The pressed button of a group stays down unless the group may be all up.
        const bool stayDown = down_ && grouped_ && !allowAllUp_;
        SetDown(stayDown || !down_);
    }
    TControl::Click();
}

// ---- TToolBar --------------------------------------------------------------------------

TToolBar::TToolBar(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 150, 29);
    SetAlign(TControlEnums::alTop);
}

TToolBar::~TToolBar() {
    for (TToolButton* b : buttons_)
        b->toolBar_ = nullptr;
    buttons_.clear();
    if (images_) images_->RemoveChangeLink(this);
}

TToolButton* TToolBar::Buttons(int i) const {
    return i >= 0 && i < ButtonCount() ? buttons_[static_cast<size_t>(i)] : nullptr;
}

std::vector<TControl*> TToolBar::OrderedControls() {
    std::erase_if(order_,
                  [this](const QPointer<TControl>& c) { return !c || c->Parent() != this; });
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (std::find(order_.begin(), order_.end(), c) == order_.end()) order_.emplace_back(c);
    }
    std::vector<TControl*> out;
    for (const auto& c : order_)
        out.push_back(c.data());
    return out;
}

void TToolBar::Loaded() {
    TCustomControl::Loaded();
    if (imagesRef_.Pending()) SetImages(qobject_cast<TCustomImageList*>(imagesRef_.Resolve(this)));
    // The layout's order is that of the controls' places on the bar.
    order_.clear();
    std::vector<TControl*> controls;
    for (int i = 0; i < ControlCount(); ++i)
        controls.push_back(Controls(i));
    std::stable_sort(controls.begin(), controls.end(),
                     [](TControl* a, TControl* b) { return a->Left() < b->Left(); });
    for (TControl* c : controls)
        order_.emplace_back(c);
    ArrangeButtons();
    UpdateButtons();
}

void TToolBar::ArrangeButtons() {
    if (arranging_ || IsLoading()) return;
    arranging_ = true;
    const int startX = indent_ + borderWidth_;
    int x = startX, y = 2 + borderWidth_;
    rows_ = 1;
    for (TControl* c : OrderedControls()) {
        if (!c->Visible()) continue;
        auto* button = qobject_cast<TToolButton*>(c);
        int w = c->Width(), h = c->Height();
        if (button) {
            h = buttonHeight_;
            if (!button->IsGap())
                w = button->TextOnly() ? std::max(w, button->CaptionWidth()) : buttonWidth_;
        }
        c->SetBounds(x, y, w, h);
        x += w;
        if (button && button->Wrap()) {
            x = startX;
            y += buttonHeight_;
            ++rows_;
        }
    }
    arranging_ = false;
    AdjustSize();
}

bool TToolBar::CanAutoSize(int& newWidth, int& newHeight) {
    (void)newWidth;
    newHeight = rows_ * buttonHeight_ + 2 * borderWidth_ + 2;
    return true;
}

void TToolBar::UpdateButtons() {
    for (TToolButton* b : buttons_)
        if (b->Widget()) b->UpdateWidget();
}

void TToolBar::SetImages(TCustomImageList* images) {
    if (images == images_) return;
    if (images_) {
        images_->RemoveChangeLink(this);
        RemoveFreeNotification(images_);
    }
    images_ = images;
    if (images_) {
        FreeNotification(images_);
        images_->AddChangeLink(this, [this] { UpdateButtons(); });
    }
    UpdateButtons();
}

void TToolBar::Notification(TComponent* c, TOperation op) {
    TCustomControl::Notification(c, op);
    if (op == opRemove && c == images_) {
        images_ = nullptr;
        UpdateButtons();
    }
}

void TToolBar::DefineProperties(TFiler& filer) {
    TCustomControl::DefineProperties(filer);
    imagesRef_.Define(filer, QStringLiteral("Images"));
}

void TToolBar::SetButtonWidth(int w) {
    if (w < 1 || w == buttonWidth_) return;
    buttonWidth_ = w;
    ArrangeButtons();
}

void TToolBar::SetButtonHeight(int h) {
    if (h < 1 || h == buttonHeight_) return;
    buttonHeight_ = h;
    ArrangeButtons();
}

void TToolBar::SetFlat(bool v) {
    if (v == flat_) return;
    flat_ = v;
    UpdateButtons();
}

void TToolBar::SetIndent(int v) {
    if (v < 0 || v == indent_) return;
    indent_ = v;
    ArrangeButtons();
}

void TToolBar::SetBorderWidth(int v) {
    if (v < 0 || v == borderWidth_) return;
    borderWidth_ = v;
    ArrangeButtons();
}

void TToolBar::SetShowCaptions(bool v) {
    if (v == showCaptions_) return;
    showCaptions_ = v;
    UpdateButtons();
}

void TToolBar::BoundsChanged() {
    TCustomControl::BoundsChanged();
    Invalidate();
}

void TToolBar::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetBrushStyle(bsSolid);
    canvas->FillRect(ClientRect());
    // The etched edge along the top.
    canvas->Pen()->SetColor(clBtnShadow);
    canvas->MoveTo(0, 0);
    canvas->LineTo(Width(), 0);
    canvas->Pen()->SetColor(clBtnHighlight);
    canvas->MoveTo(0, 1);
    canvas->LineTo(Width(), 1);
}

// ---- Status bars -----------------------------------------------------------------------

TStatusPanel::TStatusPanel(TComponent* owner) : TComponent(owner) {}

TStatusPanel::~TStatusPanel() {
    if (bar_) bar_->Panels()->Detach(this);
}

void TStatusPanel::SetParentComponent(TComponent* parent) {
    if (auto* bar = qobject_cast<TStatusBar*>(parent)) {
        bar->InsertComponent(this);
        bar->Panels()->Attach(this);
    }
}

int TStatusPanel::Index() const {
    if (!bar_) return -1;
    const auto& panels = bar_->Panels()->panels_;
    return static_cast<int>(std::find(panels.begin(), panels.end(), this) - panels.begin());
}

void TStatusPanel::Changed() {
    if (bar_) bar_->Invalidate();
}

void TStatusPanel::SetText(const QString& t) {
    if (t == text_) return;
    text_ = t;
    Changed();
}

void TStatusPanel::SetWidth(int w) {
    if (w < 0 || w == width_) return;
    width_ = w;
    Changed();
}

void TStatusPanel::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    Changed();
}

void TStatusPanel::SetBevel(TStatusPanelBevel b) {
    if (b == bevel_) return;
    bevel_ = b;
    Changed();
}

TStatusPanels::TStatusPanels(TStatusBar* bar) : TPersistent(bar), bar_(bar) {}

TStatusPanel* TStatusPanels::Items(int i) const {
    if (i < 0 || i >= Count())
        throw EInvalidOperation(QStringLiteral("List index out of bounds (%1)").arg(i));
    return panels_[static_cast<size_t>(i)];
}

TStatusPanel* TStatusPanels::Add() {
    auto* p = new TStatusPanel(bar_);
    Attach(p);
    return p;
}

void TStatusPanels::Clear() {
    const auto panels = panels_;
    for (TStatusPanel* p : panels)
        delete p;
    panels_.clear();
    bar_->Invalidate();
}

void TStatusPanels::Attach(TStatusPanel* p) {
    if (p->bar_ == bar_) return;
    if (p->bar_) p->bar_->Panels()->Detach(p);
    p->bar_ = bar_;
    panels_.push_back(p);
    bar_->Invalidate();
}

void TStatusPanels::Detach(TStatusPanel* p) {
    std::erase(panels_, p);
    p->bar_ = nullptr;
    bar_->Invalidate();
}

TStatusBar::TStatusBar(TComponent* owner)
    : TCustomControl(owner), panels_(new TStatusPanels(this)) {
    SetBounds(0, 0, 150, 19);
    SetAlign(TControlEnums::alBottom);
}

TStatusBar::~TStatusBar() {
    for (TStatusPanel* p : panels_->panels_)
        p->bar_ = nullptr;
    panels_->panels_.clear();
}

void TStatusBar::SetSimplePanel(bool v) {
    if (v == simplePanel_) return;
    simplePanel_ = v;
    Invalidate();
}

void TStatusBar::SetSimpleText(const QString& t) {
    if (t == simpleText_) return;
    simpleText_ = t;
    Invalidate();
}

void TStatusBar::SetSizeGrip(bool v) {
    if (v == sizeGrip_) return;
    sizeGrip_ = v;
    Invalidate();
}

QRect TStatusBar::PanelRect(int i) const {
    if (simplePanel_) return {0, 2, Width(), Height() - 2};
    int x = 0;
    for (int k = 0; k < panels_->Count(); ++k) {
        const bool last = k == panels_->Count() - 1;
        const int w = last ? std::max(0, Width() - x) : panels_->Items(k)->Width();
        // Two pixels apart, two below the top edge.
        if (k == i) return {x, 2, std::max(0, w - 2), std::max(0, Height() - 2)};
        x += w;
    }
    return {};
}

void TStatusBar::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetBrushStyle(bsSolid);
    canvas->FillRect(ClientRect());
    canvas->Font()->Assign(Font());
    auto panel = [&](QRect r, const QString& text, TAlignment alignment, TStatusPanelBevel bevel) {
        if (r.isEmpty()) return;
        if (bevel != TComCtrlsEnums::pbNone) {
            const bool lowered = bevel == TComCtrlsEnums::pbLowered;
            Frame3D(canvas, r, lowered ? clBtnShadow : clBtnHighlight,
                    lowered ? clBtnHighlight : clBtnShadow, 1);
        }
        r.adjust(2, 0, -2, 0);
        canvas->Brush()->SetBrushStyle(bsClear);
        canvas->RequireFont();
        canvas->RequireBrush();
        unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
        if (alignment == TControlEnums::taCenter)
            flags |= DT_CENTER;
        else if (alignment == TControlEnums::taRightJustify)
            flags |= DT_RIGHT;
        DrawText(canvas->Handle(), text, r, flags);
    };
    if (simplePanel_) {
        panel(PanelRect(0), simpleText_, TControlEnums::taLeftJustify, TComCtrlsEnums::pbLowered);
    } else {
        for (int i = 0; i < panels_->Count(); ++i) {
            const TStatusPanel* p = panels_->Items(i);
            panel(PanelRect(i), p->Text(), p->Alignment(), p->Bevel());
        }
    }
    const TForm* form = GetParentForm(this);
    if (sizeGrip_ && form &&
        (form->BorderStyle() == TFormEnums::bsSizeable ||
         form->BorderStyle() == TFormEnums::bsSizeToolWin)) {
        // Three diagonal ridges in the bottom-right corner.
        const int w = Width(), h = Height();
        for (int k = 0; k < 3; ++k) {
            const int d = 4 + 4 * k;
            canvas->Pen()->SetColor(clBtnHighlight);
            canvas->MoveTo(w - d - 1, h);
            canvas->LineTo(w, h - d - 1);
            canvas->Pen()->SetColor(clBtnShadow);
            canvas->MoveTo(w - d, h);
            canvas->LineTo(w, h - d);
            canvas->MoveTo(w - d + 1, h);
            canvas->LineTo(w, h - d + 1);
        }
    }
}

// ---- TProgressBar ----------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 150, 16);
}

QWidget* TProgressBar::CreateWidget(QWidget* parentWidget) {
    auto* p = new QProgressBar(parentWidget);
    p->setTextVisible(false);
    return p;
}

void TProgressBar::UpdateWidget() {
    TWinControl::UpdateWidget();
    if (auto* p = qobject_cast<QProgressBar*>(Widget())) {
        p->setOrientation(orientation_ == TComCtrlsEnums::pbVertical ? Qt::Vertical
                                                                     : Qt::Horizontal);
        p->setRange(min_, max_);
        p->setValue(position_);
    }
}

void TProgressBar::SetMin(int v) {
    if (v == min_) return;
    min_ = v;
    if (max_ < min_) max_ = min_;
    position_ = std::clamp(position_, min_, max_);
    if (Widget()) UpdateWidget();
}

void TProgressBar::SetMax(int v) {
    if (v == max_) return;
    max_ = v;
    if (min_ > max_) min_ = max_;
    position_ = std::clamp(position_, min_, max_);
    if (Widget()) UpdateWidget();
}

void TProgressBar::SetPosition(int v) {
    v = std::clamp(v, min_, max_);
    if (v == position_) return;
    position_ = v;
    if (Widget()) UpdateWidget();
}

void TProgressBar::SetOrientation(TProgressBarOrientation o) {
    if (o == orientation_) return;
    orientation_ = o;
    if (Widget()) UpdateWidget();
}

void TProgressBar::StepIt() {
    int v = position_ + step_;
    if (v > max_) v = min_ + (v - max_ - 1) % std::max(1, max_ - min_ + 1);
    SetPosition(v);
}
