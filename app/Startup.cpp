#include "app/Startup.h"

#include "app/DesignDocument.h"
#include "app/Editor.h"
#include "framework/widgets/Forms.h"
#include "imaging/jpeg.h"

#include <QTimer>

TEditor* MakeEditor(TComponent* owner) {
    // The two windows nobody sees at start-up are left out of the time the main window
    // takes to show.
    auto* editor = new TEditor(owner, TEditor::THiddenWindows::Later);
    QTimer::singleShot(0, editor, [editor] { SafeCall([&] { editor->MakeHiddenWindows(); }); });
    return editor;
}

int RunEditor(const QString& design) {
    // Owned by the application, which frees what it owns last first: a preview window
    // still open at the end goes before the report whose pages it shows.
    TEditor* editor = MakeEditor(Application);
    if (!design.isEmpty())
        // From the loop, over the shown window, so that a refusal has a window to show in.
        QTimer::singleShot(0, editor->Document, [editor, design] {
            SafeCall([&] { editor->Document->Open(design); });
        });
    Application->Run();
    UnregisterJPEGFormats();
    return 0;
}
