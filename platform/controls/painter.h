// The painter of the controls of buttons: draws one control into the current port in its
// state, flat and deterministic, inside the control's bounds and the port's clip. Before the
// control erases its background it sets the background up (its colour procedure, message 23);
// the control's draw-event handlers run around the drawing. Draw1Control and
// DrawControlInCurrentPort hand every control of those kinds to it.
#pragma once

#include "platform/controls/controls.h"

namespace kv {

void paintcontrol(ControlRef control);
// The number of the tab of a tabs control under a point (port coordinates), as the tabs are
// drawn; 0 off the tabs.
i16 tabat(ControlRef control, Point pt);

// Whether a control animates now: a push button whose 'dflt' tag is on, a progress bar or
// chasing arrows whose 'anim' tag is on.
bool controlanimates(ControlRef control);
// The phase of animated controls at the current tick (it moves every four ticks).
u32 animationphase();

// For tests: image wells draw nothing at all (as on a system whose image well is broken).
void setimagewellsdrawnothing(bool on);

}  // namespace kv
