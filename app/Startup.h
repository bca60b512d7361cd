#pragma once
// Start-up of the cover editor: the editor with its four windows, then the loop.

#include <QString>

class TComponent;
class TEditor;

// The editor as the program makes it: the main window at once; the splash, the hidden
// print layout and the credits once the main window has painted (or on first need
// before), and then the design named, if any.
TEditor* MakeEditor(TComponent* owner, const QString& design = QString());

// The whole program after the application object exists: editor, loop; exit code.
int RunEditor(const QString& design = QString());
