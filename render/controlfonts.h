// Control fonts: every platform control of a button shows its title in the object's text
// font, size and style, which two user properties may override.
#pragma once

#include "platform/controls/controls.h"
#include "store/records.h"

namespace kv {

// Gives the object's live control (and a radio group's buttons) the object's font.
void setcontrolfont(spot& object);
// Adjusts a font style record for the object in place.
void OverrideControlFont(spot& object, ControlFontStyleRec* record);

}  // namespace kv
