#include "app/Startup.h"

#include "app/Editor.h"
#include "framework/widgets/Forms.h"
#include "imaging/jpeg.h"

int RunEditor() {
    {
        TEditor editor;
        Application->Run();
    }
    UnregisterJPEGFormats();
    return 0;
}
