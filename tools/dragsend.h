// Drag sending: dragging objects and the open field's text out of a card window with the
// platform's drag and drop, the flavours those drags promise and the send procedures that make
// them, and installing the window-wide drag handlers.
#pragma once

#include "platform/drag/drag.h"
#include "platform/events/eventrecord.h"
#include "platform/types.h"
#include "store/objread.h"

namespace kv {

// Whether drag and drop is present (asked once at start-up).
bool hasDragMgr();
// Installs the tracking and receive handlers (procedure-table slots 309 and 310) for every
// window while `allowDragAndDrop` is on, and removes them: the platform's code.
OSErr MyInitDragManager();
OSErr MyKillDragManager();
// Drags one object (the reference's list and index) from a mouse-down: true when a drag
// completed. An object without `allowDrag`, or a press that does not move, starts none.
bool PickSpot(const EventRecord& event, const objread& obj);
// Drags every selected object with `allowDrag` of the list the reference names (outline only).
bool PickSelectedSpots(const EventRecord& event, const objread& obj);
// Drags the open field's selected text from the current mouse-down: true when a drag took
// place.
bool DragText();
// The drag image of one object: an offscreen world over the object's card rectangle (none
// when the object's area is above `translucentDragLimit`) and the mask region in global
// coordinates.
OSErr MakeSpotDragImage(GWorldPtr* world, RgnHandle* mask, Handle list, i16 index);
// The send procedures (slots 312 and 311): objects' flavours from the drag state, and the
// text of the record given as reference constant.
OSErr MySendSpotDataProc(FlavorType type, u32 refcon, DragItemRef item, DragRef drag);
OSErr MySendTextDataProc(FlavorType type, u32 refcon, DragItemRef item, DragRef drag);

}  // namespace kv
