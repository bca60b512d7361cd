#pragma once
// Start-up of the cover editor: the editor with its four windows, then the loop.

// The whole program after the application object exists: editor, loop; exit code.
int RunEditor();
