#pragma once
// Windows, the application object with its message loop and error box, and the screen.

#include "framework/widgets/Controls.h"

#include <QIcon>
#include <QImage>
#include <future>

class TForm;

class TFormEnums : public QObject {
    Q_OBJECT
public:
    enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
    Q_ENUM(TFormBorderStyle)
    enum TBorderIcon { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
    Q_DECLARE_FLAGS(TBorderIcons, TBorderIcon)
    Q_FLAG(TBorderIcons)
    enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
    Q_ENUM(TFormStyle)
    enum TPosition {
        poDesigned,
        poDefault,
        poDefaultPosOnly,
        poDefaultSizeOnly,
        poScreenCenter,
        poDesktopCenter,
        poMainFormCenter,
        poOwnerFormCenter
    };
    Q_ENUM(TPosition)
    enum TCloseAction { caNone, caHide, caFree, caMinimize };
    Q_ENUM(TCloseAction)
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TFormEnums::TBorderIcons)
using TFormBorderStyle = TFormEnums::TFormBorderStyle;
using TBorderIcons = TFormEnums::TBorderIcons;
using TFormStyle = TFormEnums::TFormStyle;
using TPosition = TFormEnums::TPosition;
using TCloseAction = TFormEnums::TCloseAction;

using TCloseEvent = std::function<void(TObject*, TCloseAction&)>;
using TCloseQueryEvent = std::function<void(TObject*, bool&)>;

// Modal results.
inline constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                     mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

class TForm : public TCustomControl {
    Q_OBJECT
    Q_PROPERTY(TFormEnums::TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(TFormEnums::TBorderIcons BorderIcons READ BorderIcons WRITE SetBorderIcons)
    Q_PROPERTY(TFormEnums::TFormStyle FormStyle READ FormStyle WRITE SetFormStyle)
    Q_PROPERTY(TFormEnums::TPosition Position READ Position WRITE SetPosition)
    Q_PROPERTY(int PixelsPerInch READ PixelsPerInch WRITE SetPixelsPerInch)
    Q_PROPERTY(int TextHeight READ TextHeight WRITE SetTextHeight)
    Q_PROPERTY(bool KeyPreview READ KeyPreview WRITE SetKeyPreview)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)

public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle s);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle s);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition p) { position_ = p; }
    // The density the layout was made at, as layouts store it; the screen's until read.
    int PixelsPerInch() const {
        return pixelsPerInch_ > 0 ? pixelsPerInch_ : ScreenPixelsPerInch();
    }
    void SetPixelsPerInch(int v) {
        if (v > 0) pixelsPerInch_ = v;
    }
    int TextHeight() const { return textHeight_; }
    void SetTextHeight(int v) { textHeight_ = v; }
    // The window sees every key press before the control it is meant for, which still
    // gets it unless the window's handler clears the key.
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool v);
    bool PreviewsKeys() const override { return keyPreview_; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int r);
    // The window's icon; one still being decoded is waited for.
    const QIcon& Icon() const;

    // The frame around the client area that Width and Height include.
    QSize FrameSize() const;
    QRect ClientRect() const override;
    void SetClientWidth(int w) override;
    void SetClientHeight(int h) override;

    void SetVisible(bool v) override;
    // Asks OnCloseQuery, then OnClose; hides (or ends the program for the main window).
    void Close();
    int ShowModal();
    bool Active() const;
    void BringToFront();

    void DefineProperties(TFiler& filer) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    // The window's size changed, by code or by the user.
    TNotifyEvent OnResize;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    virtual bool CloseQuery();

protected:
    // OnDestroy runs here, while the window is whole.
    void BeforeDestruction() noexcept override;
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void UpdateWidget() override;
    void TextChanged() override;
    void Paint() override;
    void BoundsChanged() override;
    virtual void DoShow() { Notify(OnShow, this); }
    virtual void DoHide() { Notify(OnHide, this); }
    // Builds the window from its layout resource; call from the constructor of a window
    // class, then OnCreate runs.
    void ReadLayout(const QString& resourceName);

private:
    friend class TFormWidget;
    void ApplyWindowFlags();
    void PlaceOnScreen();
    void WidgetClosing(QCloseEvent* e);
    void RaiseOnDestroy() noexcept;
    void WidgetResized(const QSize& client);
    void WatchWindowKeys();
    TFormBorderStyle borderStyle_ = TFormEnums::bsSizeable;
    TBorderIcons borderIcons_ =
        TFormEnums::biSystemMenu | TFormEnums::biMinimize | TFormEnums::biMaximize;
    TFormStyle formStyle_ = TFormEnums::fsNormal;
    TPosition position_ = TFormEnums::poDesigned;
    int pixelsPerInch_ = 0; // 0: the screen's
    int textHeight_ = 13;
    bool keyPreview_ = false;
    int modalResult_ = mrNone;
    bool closingByCode_ = false;
    bool placed_ = false;
    bool destroyRaised_ = false;
    bool followingWidget_ = false;
    QSize notifiedSize_;
    QObject* keyWatcher_ = nullptr;
    mutable QIcon icon_;
    // The icon's picture and its small sizes, decoded on a thread of their own while the
    // rest of the window is read.
    mutable std::future<QList<QImage>> iconImages_;
};

class TApplication : public TComponent {
    Q_OBJECT
public:
    explicit TApplication(TComponent* owner = nullptr);
    ~TApplication() override;

    // Makes the global Application and Screen (a QApplication must exist), registers the
    // framework's classes and picture kinds, and installs font substitutes.
    static void Initialize();
    // Frees the windows the application owns and the globals.
    static void Finalize();

    // Creates a window owned by the application; the first becomes the main window.
    template <class T> void CreateForm(T*& reference) {
        reference = new T(this);
        if (!mainForm_) mainForm_ = reference;
    }
    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* f) { mainForm_ = f; }

    // Shows the main window and dispatches events until the application is terminated.
    // This is the top-level loop: no handler is running when it frees what was
    // deleted later (windows closed with caFree).
    void Run();
    // Lets every pending event run, then returns. Called from a handler (a progress
    // window's Cancel, a modal loop), it frees nothing whose handler may still be running:
    // what is deleted later goes once the handler that asked for it has returned.
    void ProcessMessages();
    // Waits for at least one event and dispatches what is pending, as ProcessMessages.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }

    // The executable's name without its extension unless set.
    QString Title() const;
    void SetTitle(const QString& t) { title_ = t; }

    // Shows the error box for an exception (nothing for a silent abort). While a paint
    // step runs, the box is posted and opens from the loop.
    void HandleException(const std::exception& e);
    void ShowException(const Exception& e);
    // A message box over the active window; returns the button pressed (IDOK, ...), or
    // IDCANCEL when the box went with its window while it was open.
    int MessageBox(const QString& text, const QString& caption, unsigned flags);

    std::function<void(TObject*, const Exception&)> OnException;

    void Notification(TComponent* c, TOperation op) override;

private:
    QPointer<TForm> mainForm_;
    bool terminated_ = false;
    QString title_;
};

class TScreen : public TComponent {
    Q_OBJECT
public:
    explicit TScreen(TComponent* owner);
    // The framework's screen density (ScreenPixelsPerInch), whatever the display's.
    int PixelsPerInch() const;
    int Width() const;
    int Height() const;
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c);
    TForm* ActiveForm() const;
    QStringList Fonts() const;

private:
    TCursor cursor_ = crDefault;
};

extern TApplication* Application;
extern TScreen* Screen;

// Message box flags and results.
inline constexpr unsigned MB_OK = 0, MB_OKCANCEL = 1, MB_YESNOCANCEL = 3, MB_YESNO = 4,
                          MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30,
                          MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7;

void ShowMessage(const QString& text);

// The window a control stands on (the control itself when it is one); null when it is
// not placed on a window.
TForm* GetParentForm(TControl* control);
