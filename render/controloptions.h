// The option word of a platform-control button (bits of its control part): content type or
// orientation (0-3), bevel behaviour (4-5), offset content (6), size or data-browser view
// (8-9), bevel style (12-15); the accessors through which every reader and writer goes, and
// the conversions between classic and platform-control buttons.
//
// A getter answers 0 for an object it does not concern (another style, or not a platform
// control where the field needs one); a setter changes nothing for it.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Bevel buttons (205) that are platform controls.
i16 getBevelStyle(const spot& object);
void setBevelStyle(spot& object, i16 style);
// Behaviours as the control takes them: 0 push, 256 toggles, 512 sticky, 1024 popup menu.
i16 getBevelBtnBehavior(const spot& object);
// Popup menu (1024) defines the user property "popupData" when the object has none; the
// others remove it while it is empty. The value becomes 0; the offset-content bit stays.
void setBevelBtnBehavior(spot& object, i16 behaviour);
i16 getBevelButtonOffsetContent(const spot& object);
// Keeps bits 4, 5 and 7; the value becomes 0.
void setBevelButtonOffsetContent(spot& object, bool on);

// Bevel buttons, round buttons and image wells (205, 207, 211).
i16 getContentType(const spot& object);
void setContentType(spot& object, i16 type);
// Sliders, tabs and popup arrows (209, 210, 222).
i16 getOrientation(const spot& object);
void setOrientation(spot& object, i16 orientation);
// The styles with a size (203, 204, 207, 209, 210, 212-215, 222). Progress and indeterminate
// bars read only large (2) or normal (0).
bool hasize(u16 style);
i16 getTabOrArrowOrBtnSize(const spot& object);
void setTabOrArrowOrBtnSize(spot& object, i16 size);
// Data browsers (229) that are platform controls: column view for 'clmv', else list view.
void setDataBrowserBehavior(spot& object, u32 view);
// Whether a data browser shows column view.
bool databrowsercolumnview(const spot& object);

// A button becomes a platform control with the default range of its style (its live control
// forgotten); or a classic button again (white fill, black pen).
void make4spot(spot& object);
void make3spot(spot& object);

}  // namespace kv
