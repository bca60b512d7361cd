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
    // Registers the editor's classes and picture kinds and creates Form1, preview, Info
    // and Intro, in this order; Form1 becomes the application's main window. Application
    // must exist.
    explicit TEditor(TComponent* owner = nullptr);
    ~TEditor() override;

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
