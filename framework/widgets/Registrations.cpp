// The classes and identifiers that layouts may name, made known to the layout reader.
#include "framework/core/Reader.h"
#include "framework/graphics/ImgList.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Pictures.h"
#include "framework/graphics/QtImage.h"
#include "framework/widgets/Buttons.h"
#include "framework/widgets/ComCtrls.h"
#include "framework/widgets/Dialogs.h"
#include "framework/widgets/ExtCtrls.h"
#include "framework/widgets/Forms.h"
#include "framework/widgets/PrintDialogs.h"
#include "framework/widgets/ScrollBox.h"
#include "framework/widgets/StdCtrls.h"

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
    RegisterColorIdents();
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
    RegisterComponentClass<TPrintDialog>();
    RegisterStandardPictureFormats();
    RegisterMetafileFormats();
    RegisterQtImageFormats();
}
