#pragma once
// Start-up of the cover editor: the editor with its four windows, then the loop.

#include <QString>

class TComponent;
class TEditor;

// The editor as the program makes it: the main window and the splash at once, the hidden
// print layout and credits from the loop once the main window has shown (or on first
// need before).
TEditor* MakeEditor(TComponent* owner);

// The whole program after the application object exists: editor, loop; exit code. A
// design named is opened once the main window shows.
int RunEditor(const QString& design = QString());
