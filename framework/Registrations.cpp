// The classes and identifiers that layouts may name, made known to the layout reader.
#include "framework/Buttons.h"
#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/Metafile.h"
#include "framework/Pictures.h"
#include "framework/Reader.h"
#include "framework/ScrollBox.h"
#include "framework/StdCtrls.h"

void InitializeFrameworkClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    const struct {
        const char* name;
        int value;
    } cursors[] = {
        {"crDefault", crDefault},     {"crNone", crNone},           {"crArrow", crArrow},
        {"crCross", crCross},         {"crIBeam", crIBeam},         {"crSizeNESW", crSizeNESW},
        {"crSizeNS", crSizeNS},       {"crSizeNWSE", crSizeNWSE},   {"crSizeWE", crSizeWE},
        {"crUpArrow", crUpArrow},     {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
        {"crNoDrop", crNoDrop},       {"crHSplit", crHSplit},       {"crVSplit", crVSplit},
        {"crMultiDrag", crMultiDrag}, {"crSQLWait", crSQLWait},     {"crNo", crNo},
        {"crAppStart", crAppStart},   {"crHelp", crHelp},           {"crHandPoint", crHandPoint},
        {"crSizeAll", crSizeAll},
    };
    for (const auto& c : cursors)
        RegisterIntegerIdent(QString::fromLatin1(c.name), c.value);
    RegisterComponentClass<TForm>();
    RegisterComponentClass<TLabel>();
    RegisterComponentClass<TEdit>();
    RegisterComponentClass<TMemo>();
    RegisterComponentClass<TComboBox>();
    RegisterComponentClass<TGroupBox>();
    RegisterComponentClass<TButton>();
    RegisterComponentClass<TCheckBox>();
    RegisterComponentClass<TRadioButton>();
    RegisterComponentClass<TPanel>();
    RegisterComponentClass<TBevel>();
    RegisterComponentClass<TRadioGroup>();
    RegisterComponentClass<TImage>();
    RegisterComponentClass<TBitBtn>();
    RegisterComponentClass<TSpeedButton>();
    RegisterComponentClass<TImageList>();
    RegisterComponentClass<TPageControl>();
    RegisterComponentClass<TTabSheet>();
    RegisterComponentClass<TToolBar>();
    RegisterComponentClass<TToolButton>();
    RegisterComponentClass<TStatusBar>();
    RegisterComponentClass<TStatusPanel>();
    RegisterComponentClass<TProgressBar>();
    RegisterComponentClass<TScrollBox>();
    RegisterComponentClass<TOpenDialog>();
    RegisterComponentClass<TSaveDialog>();
    RegisterComponentClass<TFontDialog>();
    RegisterComponentClass<TColorDialog>();
    RegisterStandardPictureFormats();
    RegisterMetafileFormats();
}
