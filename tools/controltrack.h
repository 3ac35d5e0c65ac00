// Control button tracking: a browse click on a button drawn by a platform control, tracked
// through the platform's control tracking with its own action procedure.
#pragma once

#include "platform/controls/controls.h"
#include "platform/types.h"

namespace kv {

// A browse click at `pt` on control button `index` of a list: "mouseDown" (littleArrows:
// "mouseDown up", "mouseDown down" or "mouseDown "), "mouseStillDown" with the part's word or
// the value while the control is held, the control's value, range, chosen item or tab stored
// into the button, then "mouseUp" (with the value where the style has one) or "mouseRelease".
// 0, a script error, or -991 when a handler changed the layers or the window. `changes` is
// the layer change counter at the click's start.
i16 trackcontrolbutton(Handle list, i16 index, Point pt, u64 changes);

// The control action procedure of the tracking (procedure-table slot 266): turns the part
// held and the value changes into "mouseStillDown" messages; a message's error is kept for the
// tracker. Nothing once the tracked control is gone.
void PtoolRTtrackbtn(ControlRef control, i16 part);

}  // namespace kv
