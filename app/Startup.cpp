#include "app/Startup.h"

#include "app/Editor.h"
#include "framework/widgets/Forms.h"
#include "imaging/jpeg.h"

int RunEditor() {
    // Owned by the application, which frees what it owns last first: a preview window
    // still open at the end goes before the report whose pages it shows.
    new TEditor(Application);
    Application->Run();
    UnregisterJPEGFormats();
    return 0;
}
