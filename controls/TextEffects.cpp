#include "controls/TextEffects.h"

#include "controls/antAngleLabel.h"
#include "controls/antLabel.h"

void RegisterTextEffectControls() {
    RegisterAngleLabelClasses();
    RegisterLabelClasses();
}
