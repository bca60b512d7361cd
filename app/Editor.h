#pragma once
// The cover editor as one object: its four windows, made in their fixed order when it is
// made and freed with it, so that an editor can be made again in the same run.

#include "framework/core/Classes.h"

class TForm1;
class Tpreview;
class TInfo;
class TIntro;
class TDesignDocument;

class TEditor : public TComponent {
    Q_OBJECT
public:
    // When the two windows that stay hidden at start-up, preview and Info, are made.
    enum class THiddenWindows {
        WithEditor, // with the others, so that all four exist once the editor does
        Later,      // on first need or by MakeHiddenWindows, after the main window shows
    };

    // Registers the editor's classes and picture kinds and creates Form1, preview, Info
    // and Intro, in this order (preview and Info left to later when asked); Form1 becomes
    // the application's main window. Application must exist.
    explicit TEditor(TComponent* owner = nullptr,
                     THiddenWindows hidden = THiddenWindows::WithEditor);
    ~TEditor() override;

    // Makes preview and Info if they are not there yet. A print layout made after the main
    // window has shown starts as that showing leaves one: its cover pictures without size.
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
