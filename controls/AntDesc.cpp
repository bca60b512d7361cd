#include "controls/AntDesc.h"

TantRunTimeDesc::TantRunTimeDesc(TControl* owner, TChangeNotify onChange)
    : TPersistent(owner), onChange_(std::move(onChange)), owner_(owner) {}

void TantRunTimeDesc::SetState(uint8_t state) {
    if (state != state_) state_ = state;
}

TantRunTimeBooleanDesc::TantRunTimeBooleanDesc(TControl* owner, bool normal, bool selected,
                                               bool active, bool disabled, TChangeNotify onChange)
    : TantRunTimeDesc(owner, std::move(onChange)), normal_(normal), selected_(selected),
      active_(active), disabled_(disabled) {}

void TantRunTimeBooleanDesc::Store(bool& slot, bool v) {
    if (v == slot) return;
    slot = v;
    Changed();
}

TantRunTimeColorDesc::TantRunTimeColorDesc(TControl* owner, TColor normal, TColor selected,
                                           TColor active, TColor disabled, TChangeNotify onChange)
    : TantRunTimeDesc(owner, std::move(onChange)), normal_(normal), selected_(selected),
      active_(active), disabled_(disabled) {}

void TantRunTimeColorDesc::Store(TColor& slot, TColor v) {
    if (v == slot) return;
    slot = v;
    Changed();
}

TantRunTimeCursorDesc::TantRunTimeCursorDesc(TControl* owner, TCursor normal, TCursor selected,
                                             TCursor active, TCursor disabled,
                                             TChangeNotify onChange)
    : TantRunTimeDesc(owner, std::move(onChange)), normal_(static_cast<int16_t>(normal)),
      selected_(static_cast<int16_t>(selected)), active_(static_cast<int16_t>(active)),
      disabled_(static_cast<int16_t>(disabled)) {}
