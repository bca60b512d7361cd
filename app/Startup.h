#pragma once
// Start-up of the cover editor: the editor with its four windows, then the loop.

#include <QString>

// The whole program after the application object exists: editor, loop; exit code. A
// design named is opened once the main window shows.
int RunEditor(const QString& design = QString());
