// Drag sending: dragging objects and text out of a card window with the platform's drag and
// drop.
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/types.h"
#include "store/objread.h"

namespace kv {

// Whether drag and drop is present.
bool hasDragMgr();
// Drags one object (the reference's list and index) from a mouse-down: true when a drag
// completed.
bool PickSpot(const EventRecord& event, const objread& obj);
// Drags every selected object of the list the reference names: true when a drag completed.
bool PickSelectedSpots(const EventRecord& event, const objread& obj);
// Installs the drag tracking and receive handlers for every window (the `allowDragAndDrop`
// switch turned on) and removes them (turned off): the platform's code.
OSErr MyInitDragManager();
OSErr MyKillDragManager();

}  // namespace kv
