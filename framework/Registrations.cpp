// The classes and identifiers that layouts may name, made known to the layout reader.
#include "framework/Forms.h"
#include "framework/Metafile.h"
#include "framework/Pictures.h"
#include "framework/Reader.h"

void InitializeFrameworkClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    const struct {
        const char* name;
        int value;
    } cursors[] = {
        {"crDefault", crDefault}, {"crNone", crNone}, {"crArrow", crArrow}, {"crCross", crCross},
        {"crIBeam", crIBeam}, {"crSizeNESW", crSizeNESW}, {"crSizeNS", crSizeNS},
        {"crSizeNWSE", crSizeNWSE}, {"crSizeWE", crSizeWE}, {"crUpArrow", crUpArrow},
        {"crHourGlass", crHourGlass}, {"crDrag", crDrag}, {"crNoDrop", crNoDrop},
        {"crHSplit", crHSplit}, {"crVSplit", crVSplit}, {"crMultiDrag", crMultiDrag},
        {"crSQLWait", crSQLWait}, {"crNo", crNo}, {"crAppStart", crAppStart}, {"crHelp", crHelp},
        {"crHandPoint", crHandPoint}, {"crSizeAll", crSizeAll},
    };
    for (const auto& c : cursors) RegisterIntegerIdent(QString::fromLatin1(c.name), c.value);
    RegisterComponentClass<TForm>();
    RegisterStandardPictureFormats();
    RegisterMetafileFormats();
}
