#pragma once
// The cover editor as one object: its four windows, made in their fixed order and freed
// with it, so that an editor can be made again in the same run.

#include "framework/core/Classes.h"

class TForm1;
class Tpreview;
class TInfo;
class TIntro;
class TDesignDocument;

class TEditor : public TComponent {
    Q_OBJECT
public:
    // When the windows other than the main one are made: the splash, which shows once the
    // main window has, and preview and Info, which stay hidden at start-up.
    enum class THiddenWindows {
        WithEditor, // with the main window, so that all four exist once the editor does
        Later,      // on first need or by MakeHiddenWindows, after the main window shows
    };

    // Registers the editor's classes and picture kinds and creates Form1, preview, Info
    // and Intro, in this order (the last three left to later when asked: Intro, preview,
    // Info); Form1 becomes the application's main window. Application must exist.
    explicit TEditor(TComponent* owner = nullptr,
                     THiddenWindows hidden = THiddenWindows::WithEditor);
    ~TEditor() override;

    // Makes Intro, preview and Info if they are not there yet. A splash made after the main
    // window has shown shows at once, as that showing asks; a print layout made then
    // starts as that showing leaves one: its cover pictures without size.
    void MakeHiddenWindows();
    // The print-layout and credits windows, made first if they were left to later.
    Tpreview* PrintLayout();
    TInfo* Credits();

    TForm1* Form1 = nullptr;
    Tpreview* preview = nullptr;
    TInfo* Info = nullptr;
    TIntro* Intro = nullptr;
    // The main window's cover as kept in a design file.
    TDesignDocument* Document = nullptr;

    // The editor that a window of it belongs to; null for a window made on its own.
    static TEditor* Of(const TComponent* window);

protected:
    void Notification(TComponent* c, TOperation op) override;
};
