#include "framework/widgets/Forms.h"

#include "framework/widgets/PrintDialogs.h"
#include "framework/graphics/FontConfig.h"

#include "framework/core/Reader.h"
#include "framework/core/Threads.h"
#include "framework/core/Translations.h"

#include <QAbstractEventDispatcher>
#include <QBuffer>
#include <QImageReader>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>
#include <climits>
#include <cstdint>
#include <optional>
#include <QWindow>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

// ---- The window of a form ------------------------------------------------------------

class TFormWidget : public QWidget {
public:
    explicit TFormWidget(TForm* form) : QWidget(nullptr), form_(form) {}

protected:
    void paintEvent(QPaintEvent*) override {
        if (!form_ || form_->IsDestroying()) return;
        QPainter painter(this);
        TForm* form = form_;
        SafePaint(this, [&] { form->PaintWidget(painter); });
    }
    void closeEvent(QCloseEvent* e) override {
        if (!form_) return;
        form_->WidgetClosing(e);
    }
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        if (!form_) return;
        TForm* form = form_;
        SafeCall(form, [&] { form->WidgetResized(e->size()); });
    }

private:
    QPointer<TForm> form_;
};

// Hands the key events of a window to its form before the window passes them on to the
// focused control: every key the window receives, whichever of its widgets it goes to.
class TWindowKeyWatcher : public QObject {
public:
    explicit TWindowKeyWatcher(TForm* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
        if (!form_ || form_->IsDestroying() || !form_->KeyPreview()) return false;
        return DeliverKeyEvent(form_, static_cast<QKeyEvent*>(e));
    }

private:
    QPointer<TForm> form_;
};

// ---- TForm -----------------------------------------------------------------------------

TForm::TForm(TComponent* owner) : TCustomControl(owner) {
    SetVisible(false);
    SetColor(clBtnFace);
    SetParentFont(false);
    RegisterEvent("OnCreate", OnCreate);
    RegisterEvent("OnDestroy", OnDestroy);
    RegisterEvent("OnShow", OnShow);
    RegisterEvent("OnHide", OnHide);
    RegisterEvent("OnActivate", OnActivate);
    RegisterEvent("OnDeactivate", OnDeactivate);
    RegisterEvent("OnPaint", OnPaint);
    RegisterEvent("OnResize", OnResize);
    RegisterEvent("OnClose", OnClose);
    RegisterEvent("OnCloseQuery", OnCloseQuery);
}

TForm::~TForm() {
    RaiseOnDestroy(); // for a window that was not freed with delete
}

void TForm::BeforeDestruction() noexcept {
    RaiseOnDestroy();
    TCustomControl::BeforeDestruction();
}

void TForm::RaiseOnDestroy() noexcept {
    if (destroyRaised_) return;
    destroyRaised_ = true;
    SafeCall([this] { Notify(OnDestroy, this); });
}

void TForm::ReadLayout(const QString& resourceName) {
    TLayoutReader::ReadResource(this, resourceName);
    Notify(OnCreate, this);
}

void TForm::DefineProperties(TFiler& filer) {
    TCustomControl::DefineProperties(filer);
    filer.DefineProperty(
        QStringLiteral("Icon"),
        [this](TReader& r) {
            const QByteArray bytes = r.ReadFileReference();
            QBuffer probe;
            probe.setData(bytes);
            probe.open(QIODevice::ReadOnly);
            if (!QImageReader(&probe).canRead()) r.Error(QStringLiteral("Icon is not a picture"));
            icon_ = QIcon();
            iconImages_ = std::async(std::launch::async, [bytes, by = ProcessorOfCaller()] {
                LeaveProcessor(by);
                QList<QImage> images;
                QImage image;
                if (!image.loadFromData(bytes)) return images;
                images << image;
                // Title bars and task lists ask for the small sizes: made once, smoothly.
                for (int side : {16, 32})
                    if (image.width() > side || image.height() > side)
                        images << image.scaled(side, side, Qt::KeepAspectRatio,
                                               Qt::SmoothTransformation);
                return images;
            });
            if (Widget()) Widget()->setWindowIcon(Icon());
        },
        [](TWriter&) {}, false);
}

const QIcon& TForm::Icon() const {
    if (iconImages_.valid())
        for (const QImage& image : iconImages_.get())
            icon_.addPixmap(QPixmap::fromImage(image));
    return icon_;
}

void TForm::SetBorderStyle(TFormBorderStyle s) {
    if (s == borderStyle_) return;
    const QSize client = ClientRect().size();
    borderStyle_ = s;
    SetBounds(Left(), Top(), client.width() + FrameSize().width(),
              client.height() + FrameSize().height());
    if (Widget()) UpdateWidget();
}

void TForm::SetBorderIcons(TBorderIcons icons) {
    if (icons == borderIcons_) return;
    borderIcons_ = icons;
    if (Widget()) ApplyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle s) {
    if (s == formStyle_) return;
    formStyle_ = s;
    if (Widget()) ApplyWindowFlags();
}

void TForm::SetKeyPreview(bool v) {
    keyPreview_ = v;
    WatchWindowKeys();
}

// The window of the widget exists once it is shown, and may be made anew when its flags
// change: the watcher is put on whichever is there now.
void TForm::WatchWindowKeys() {
    if (!keyPreview_ || !Widget()) return;
    QWindow* window = Widget()->windowHandle();
    if (!window) return;
    if (!keyWatcher_) keyWatcher_ = new TWindowKeyWatcher(this);
    window->installEventFilter(keyWatcher_);
}

void TForm::BoundsChanged() {
    TCustomControl::BoundsChanged();
    const QSize client = ClientRect().size();
    if (QWidget* w = Widget(); w && !followingWidget_ && w->size() != client) {
        if (borderStyle_ == TFormEnums::bsSizeable || borderStyle_ == TFormEnums::bsSizeToolWin)
            w->resize(client);
        else
            w->setFixedSize(client);
    }
    if (client == notifiedSize_ || IsLoading()) return;
    notifiedSize_ = client;
    Notify(OnResize, this);
}

// The user or the window system gave the window another size: the model follows.
void TForm::WidgetResized(const QSize& client) {
    if (client == ClientRect().size()) return;
    followingWidget_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{followingWidget_};
    SetBounds(Left(), Top(), client.width() + FrameSize().width(),
              client.height() + FrameSize().height());
}

void TForm::SetModalResult(int r) {
    modalResult_ = r;
}

QSize TForm::FrameSize() const {
    switch (borderStyle_) {
    case TFormEnums::bsNone:
        return {0, 0};
    case TFormEnums::bsSingle:
    case TFormEnums::bsDialog:
        return {6, 25};
    case TFormEnums::bsToolWindow:
        return {6, 21};
    case TFormEnums::bsSizeToolWin:
        return {8, 23};
    default:
        return {8, 27};
    }
}

QRect TForm::ClientRect() const {
    const QSize f = FrameSize();
    return {0, 0, std::max(0, Width() - f.width()), std::max(0, Height() - f.height())};
}

// Summed in 64 bits: a client size near the integer limit plus the frame must not wrap.
void TForm::SetClientWidth(int w) {
    SetWidth(static_cast<int>(std::min<int64_t>(int64_t(w) + FrameSize().width(), INT_MAX)));
}
void TForm::SetClientHeight(int h) {
    SetHeight(static_cast<int>(std::min<int64_t>(int64_t(h) + FrameSize().height(), INT_MAX)));
}

QWidget* TForm::CreateWidget(QWidget*) {
    auto* w = new TFormWidget(this);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    return w;
}

void TForm::ApplyWindowFlags() {
    QWidget* w = Widget();
    if (!w) return;
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if (borderStyle_ == TFormEnums::bsNone) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::WindowTitleHint;
        if (borderStyle_ == TFormEnums::bsToolWindow || borderStyle_ == TFormEnums::bsSizeToolWin)
            flags |= Qt::Tool;
        if (borderIcons_ & TFormEnums::biSystemMenu)
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if ((borderIcons_ & TFormEnums::biMinimize) && borderStyle_ != TFormEnums::bsDialog)
            flags |= Qt::WindowMinimizeButtonHint;
        if ((borderIcons_ & TFormEnums::biMaximize) && borderStyle_ == TFormEnums::bsSizeable)
            flags |= Qt::WindowMaximizeButtonHint;
    }
    if (formStyle_ == TFormEnums::fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    const bool wasVisible = w->isVisible();
    if (w->windowFlags() != flags) {
        w->setWindowFlags(flags);
        if (wasVisible) w->show();
        WatchWindowKeys();
    }
}

void TForm::UpdateWidget() {
    TCustomControl::UpdateWidget();
    QWidget* w = Widget();
    if (!w) return;
    ApplyWindowFlags();
    w->setWindowTitle(Caption());
    if (!Icon().isNull()) w->setWindowIcon(icon_);
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ToQColor(Color()));
    w->setPalette(pal);
    const QSize client = ClientRect().size();
    const bool sizeable =
        borderStyle_ == TFormEnums::bsSizeable || borderStyle_ == TFormEnums::bsSizeToolWin;
    if (sizeable) {
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        w->resize(client);
    } else {
        w->setFixedSize(client);
    }
    if (position_ == TFormEnums::poDesigned) w->move(Left(), Top());
}

void TForm::TextChanged() {
    if (Widget()) Widget()->setWindowTitle(Caption());
}

void TForm::Paint() {
    Notify(OnPaint, this);
}

void TForm::PlaceOnScreen() {
    QWidget* w = Widget();
    if (!w || placed_) return;
    placed_ = true;
    QRect area;
    if (QScreen* s = QGuiApplication::primaryScreen()) area = s->availableGeometry();
    switch (position_) {
    case TFormEnums::poScreenCenter:
    case TFormEnums::poDesktopCenter:
    case TFormEnums::poMainFormCenter:
    case TFormEnums::poOwnerFormCenter: {
        QRect around = area;
        if ((position_ == TFormEnums::poMainFormCenter ||
             position_ == TFormEnums::poOwnerFormCenter) &&
            Application && Application->MainForm() && Application->MainForm() != this &&
            Application->MainForm()->Widget() && Application->MainForm()->Widget()->isVisible())
            around = Application->MainForm()->Widget()->frameGeometry();
        const QSize full = w->size() + FrameSize();
        const QPoint topLeft = around.center() - QPoint(full.width() / 2, full.height() / 2);
        w->move(topLeft);
        SetBounds(topLeft.x(), topLeft.y(), Width(), Height());
        break;
    }
    default:
        w->move(Left(), Top());
        break;
    }
}

void TForm::SetVisible(bool v) {
    if (v == Visible()) {
        if (v && Widget() && !Widget()->isVisible()) Widget()->show();
        return;
    }
    TCustomControl::SetVisible(v);
    if (IsLoading()) return;
    if (v) {
        HandleNeeded();
        UpdateWidget();
        PlaceOnScreen();
        DoShow();
        if (Visible() && Widget()) {
            Widget()->show();
            WatchWindowKeys();
            Widget()->raise();
            // Windows that stay on top stay above one shown later, with or without a
            // window manager to keep them there.
            if (formStyle_ != TFormEnums::fsStayOnTop)
                for (QWidget* top : QApplication::topLevelWidgets())
                    if (top != Widget() && top->isVisible() &&
                        (top->windowFlags() & Qt::WindowStaysOnTopHint))
                        top->raise();
        }
    } else if (Widget()) {
        closingByCode_ = true;
        Widget()->hide();
        closingByCode_ = false;
        DoHide();
    }
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::Close() {
    if (!CloseQuery()) return;
    TCloseAction action = TFormEnums::caHide;
    if (OnClose) OnClose(this, action);
    if (action == TFormEnums::caNone) return;
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
        SetVisible(false);
        return;
    }
    switch (action) {
    case TFormEnums::caMinimize:
        if (Widget()) Widget()->showMinimized();
        break;
    case TFormEnums::caFree:
        SetVisible(false);
        deleteLater();
        break;
    default:
        SetVisible(false);
        break;
    }
}

void TForm::WidgetClosing(QCloseEvent* e) {
    if (closingByCode_) {
        e->accept();
        return;
    }
    // The window manager asked: run the form's own closing, which hides it if allowed.
    e->ignore();
    SafeCall([this] { Close(); });
}

int TForm::ShowModal() {
    if (Visible()) throw EInvalidOperation(QStringLiteral("Cannot make a visible window modal"));
    modalResult_ = mrNone;
    HandleNeeded();
    Widget()->setWindowModality(Qt::ApplicationModal);
    SetVisible(true);
    QPointer<TForm> self(this);
    while (self && modalResult_ == mrNone && Visible() && Application && !Application->Terminated())
        Application->HandleMessage();
    if (!self) return mrCancel;
    const int result = modalResult_ == mrNone ? mrCancel : modalResult_;
    SetVisible(false);
    if (Widget()) Widget()->setWindowModality(Qt::NonModal);
    return result;
}

bool TForm::Active() const {
    return Widget() && Widget()->isActiveWindow();
}

void TForm::BringToFront() {
    if (!Widget()) return;
    Widget()->raise();
    Widget()->activateWindow();
}

// ---- TApplication ----------------------------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() {
    if (Application == this) {
        Application = nullptr;
        SetExceptionSink(nullptr);
    }
}

void InitializeFrameworkClasses(); // the framework's layout classes, in Registrations.cpp

void TApplication::Initialize() {
    if (Application) return;
    AwaitFontConfiguration();
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        app->setQuitOnLastWindowClosed(false);
    InstallFontSubstitutes();
    InitializeFrameworkClasses();
    // Before the first window reads its layout: every text in the locale's language.
    InstallTranslations();
    Application = new TApplication(nullptr);
    SetExceptionSink([](const Exception& e) {
        if (Application) Application->HandleException(e);
    });
    InstallPrintQuestions();
    Screen = new TScreen(Application);
}

void TApplication::Finalize() {
    delete Application; // frees the windows and the screen it owns
    Application = nullptr;
    Screen = nullptr;
    AwaitFontConfiguration();
}

void TApplication::Run() {
    if (mainForm_ && !terminated_) SafeCall([this] { mainForm_->Show(); });
    while (!terminated_) {
        HandleMessage();
        // Nothing runs below this loop, so what was deleted later outside any event (which
        // Qt's own rule keeps for a loop that never starts here) can go now.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Qt frees a deferred deletion only in a loop below the handler that asked for it; asking
// for the deferred deletions here by hand would free a window under its running handler.
void TApplication::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleMessage() {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TApplication::Terminate() {
    terminated_ = true;
    if (auto* d = QAbstractEventDispatcher::instance()) d->wakeUp();
}

QString TApplication::Title() const {
    if (!title_.isEmpty()) return title_;
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void TApplication::HandleException(const std::exception& e) {
    if (dynamic_cast<const EAbort*>(&e)) return;
    const auto* ex = dynamic_cast<const Exception*>(&e);
    const Exception wrapped = ex ? *ex : Exception(QString::fromLocal8Bit(e.what()));
    if (Painting()) {
        // No window opens inside a paint event: the loop tells it.
        QMetaObject::invokeMethod(
            this, [this, wrapped] { SafeCall([&] { HandleException(wrapped); }); },
            Qt::QueuedConnection);
        return;
    }
    if (OnException) {
        OnException(this, wrapped);
        return;
    }
    ShowException(wrapped);
}

namespace {

// Runs a message box made on the heap: its parent window may be freed while it is open, and
// Qt then frees the box with it. Returns what exec returned; nothing when the box went.
std::optional<int> ExecBox(QMessageBox* made) {
    QPointer<QMessageBox> box(made);
    const int result = box->exec();
    if (!box) return std::nullopt;
    delete box.data();
    return result;
}

} // namespace

void TApplication::ShowException(const Exception& e) {
    if (Painting()) {
        QMetaObject::invokeMethod(
            this, [this, e] { SafeCall([&] { ShowException(e); }); }, Qt::QueuedConnection);
        return;
    }
    ExecBox(new QMessageBox(QMessageBox::Critical, Title(), ErrorBoxText(e.Message()),
                            QMessageBox::Ok, QApplication::activeWindow()));
}

int TApplication::MessageBox(const QString& text, const QString& caption, unsigned flags) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        icon = QMessageBox::Critical;
        break;
    case MB_ICONQUESTION:
        icon = QMessageBox::Question;
        break;
    case MB_ICONWARNING:
        icon = QMessageBox::Warning;
        break;
    case MB_ICONINFORMATION:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MB_YESNOCANCEL:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case MB_YESNO:
        buttons = QMessageBox::Yes | QMessageBox::No;
        break;
    default:
        break;
    }
    const std::optional<int> pressed =
        ExecBox(new QMessageBox(icon, caption, text, buttons, QApplication::activeWindow()));
    if (!pressed) return IDCANCEL;
    switch (*pressed) {
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDOK;
    }
}

void TApplication::Notification(TComponent* c, TOperation op) {
    TComponent::Notification(c, op);
    if (op == opRemove && c == mainForm_) mainForm_ = nullptr;
}

void ShowMessage(const QString& text) {
    if (Application) Application->MessageBox(text, Application->Title(), MB_OK);
}

TForm* GetParentForm(TControl* control) {
    while (control && !qobject_cast<TForm*>(control))
        control = control->Parent();
    return qobject_cast<TForm*>(control);
}

// ---- TScreen -------------------------------------------------------------------------

TScreen::TScreen(TComponent* owner) : TComponent(owner) {}

int TScreen::PixelsPerInch() const {
    return ScreenPixelsPerInch();
}

int TScreen::Width() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int TScreen::Height() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

void TScreen::SetCursor(TCursor c) {
    if (c == cursor_) return;
    if (cursor_ != crDefault) QGuiApplication::restoreOverrideCursor();
    cursor_ = c;
    if (c != crDefault) QGuiApplication::setOverrideCursor(QCursor(ToQtCursor(c)));
}

TForm* TScreen::ActiveForm() const {
    QWidget* active = QApplication::activeWindow();
    if (!Application || !active) return nullptr;
    for (int i = 0; i < Application->ComponentCount(); ++i)
        if (auto* f = qobject_cast<TForm*>(Application->Components(i)); f && f->Widget() == active)
            return f;
    return nullptr;
}

QStringList TScreen::Fonts() const {
    return QFontDatabase::families();
}
