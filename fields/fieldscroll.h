// Field scrolling: a field's scroll range computed from its text record, the open field's
// scroll bar and ruler put up for the moment they are tracked or drawn, scrolling the text to
// the bar's value, the navigation keys, and the text engine's scroll callback.
#pragma once

#include "platform/controls/controls.h"
#include "platform/types.h"
#include "textengine/werecord.h"

namespace kv {

// Recomputes the scroll range of field `index` of `list` from its text record. With
// `reposition` the text is first pinned into the view. When the stored scroll changes it is
// stored (the record redrawn when `update` is set) and the answer is 1; else 0. The outputs
// (each may be null) get the scroll, 0, the maximum and the page height. A record without the
// scroll bar flag only gets the field's rectangles and answers 0.
i16 recalcfldscroll(Handle list, i16 index, WEReference we, bool update, bool reposition, i32* scroll, i32* reserved,
                    i32* maximum, i32* page);

// Puts the open field's scroll bar up (at its rectangle with `setbounds`, else at the empty
// rectangle) with the range of its text; and down again, storing its value as the field's
// scroll.
void controlup(Handle list, i32* value, i32* minimum, i32* maximum, bool setbounds);
void controldown(Handle list);
// Puts the open field's ruler up and down, and tracks a click in it.
void rulerup(Handle list);
void rulerdown();
void runrulercontrol(Handle list, Point pt);
// Scrolls the open field's text to its scroll bar's value.
void scrolltext();
// The scroll bar's action while it is tracked.
void PcreateRTcontrollscroll(ControlRef control, i16 part);
// The navigation keys (home, end, page up, page down) in the open scrolling field while
// textArrows is on: 1 when the key was taken.
i16 handlenavkeys(u8 c);
// Draws the scroll bar of a scrolling field (with the record given, or its live one) into the
// current port and stores its scroll; the value and range go to the outputs (each may be null).
void updatewescrollbar(Handle list, i16 index, i32* value, i32* minimum, i32* maximum, WEReference we);
// Recomputes and draws the open field's scroll bar, keeping the caret's line in view.
void calfieldrect(Handle list);
// The text engine's scroll callback of the open field's record, and installing or removing it.
void PobjRTwescrollcallbackproc(WEReference we);
OSErr WEInstallScrollCallbackHook(WEReference we);
OSErr WERemoveScrollCallbackHook(WEReference we);
// Automatic text of fields: always 1.
i16 PcreateRTweautotext();

// The scroll bar and ruler put up now (none between events), for checks.
ControlRef fieldscrollglobcontrol();
ControlRef fieldscrollglobruler();

}  // namespace kv
