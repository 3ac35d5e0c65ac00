// Control fonts: every platform control of a button shows its title in the object's text
// font, size and style. The user property "aquaFont" ("name" or "name,size", the size also
// after a return or tab) overrides the object's font and size, and "__textFont" keeps the
// name of the font the control was last given. Font 0 and 1 and the sizes 0 (default) and
// 65535 (small) are settled against the script system's fonts: the system font 13 points,
// the small system font 11 and the application font 12.
#pragma once

#include "platform/controls/controls.h"
#include "store/records.h"

namespace kv {

// Gives the object's live control (and a radio group's buttons) the object's font; nothing in
// a window of style 11, whose controls keep the system font.
void setcontrolfont(spot& object);
// Adjusts a font style record for the object in place. It creates "__textFont" when missing
// and, with "aquaFont", changes the object's text font and size: changes of the object copy
// that mark no record changed.
void OverrideControlFont(spot& object, ControlFontStyleRec* record);
// Gives the object "__textFont" (with the name of its font, or of "aquaFont") when it has
// none yet, as the first drawing of every control-style button does.
void notecontrolfont(spot& object);
// Settles the record's font and size (above) in place. 0 when a font other than the system
// and application fonts keeps an explicit size, else 1.
i16 GetFontSize(ControlFontStyleRec* record);

}  // namespace kv
