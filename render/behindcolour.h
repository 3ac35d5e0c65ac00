// The colour behind objects: whether an object's colours are dimmed because its window is
// inactive, and what a platform control erases itself with. A control of a button with
// `autoBackground` gets the colour procedure Pfindbehindcolor (slot 267): it finds the object
// the control stands on (`spotparent`) and sets the port's background from it: a filled
// graphic's colour or theme brush, the background of a tab pane, placard, window or list
// header or secondary group box, an image well's face, or else the window's theme brush. Two
// draw-event handlers go with it: chasing arrows draw on the window's theme background (slot
// 436), and controls of a metal window erase with the metal texture unless their 'Metl'
// property is 0 (slot 439).
#pragma once

#include "platform/controls/controls.h"
#include "platform/events/handlers.h"
#include "platform/types.h"
#include "render/spotparent.h"
#include "store/records.h"

namespace kv {

// Whether the objects of the current window draw dimmed: the window exists and is not hilited,
// or its root control is inactive (as while the program is behind).
bool windowdimmed();
// 1 when the object's colours are to be dimmed: it has autoDim, no card image is being drawn
// (printing, a drag image, a window image), and the current window is dimmed; else 0.
i16 bgShouldBeGrayed(const spot& object);

// The colour procedure: 0 when it set the background, 1 when the control takes its default,
// -30599 for an invalid control.
OSStatus Pfindbehindcolor(ControlRef control, i16 message, i16 depth, bool isColour);
// The draw-event handlers: 0 when they took the event, eventNotHandledErr otherwise.
OSStatus PdrawRTsetidlerBGproc(EventHandlerCallRef call, EventRef event, u32 userdata);
OSStatus PdrawRTDrawMetalWindowControl(EventHandlerCallRef call, EventRef event, u32 userdata);

}  // namespace kv
