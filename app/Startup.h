#pragma once
// Start-up of the cover editor: the four windows in their fixed order, then the loop.

// Registers the editor's classes and picture kinds and creates Form1, preview, Info and
// Intro (in this order) owned by the application. Application must exist.
void CreateEditorWindows();
// The whole program after the application object exists: windows, loop; exit code.
int RunEditor();
