// The tool messages: what a tool tells the scripts after it made, moved, resized or was
// pressed on an object, and after painting. Each takes the object list (the card's or the
// background's) and answers the message's result, 0 when nothing is sent.
#pragma once

#include "platform/types.h"
#include "core/desk.h"

namespace kv {

// Marks the record of a layer changed in the current project: the card record for the current
// card's object list, else the background record. A failure there is fatal.
void marklayerchanged(Handle list);

// After a creation that answered `result`: -993 (nothing made) gives 0, another error is
// returned; 0 marks the layer changed and sends "newButton", "newField" or "newGraphic" to the
// list's last object (not while messages are locked).
i16 newmessage(Handle list, i16 result);
// After a paint tool that answered `result`: -993 gives 0; -992 (a new bitmap, the list's
// last object) sends it "newGraphic" and then "openPaint"; 0 sends "cardPaint" to the card.
i16 cardpaintmessage(Handle list, i16 result);
// Mark the layer changed, then "doubleClick...", "drag..." (not to a locked object) or
// "resize..." by the object's kind.
i16 dclickmessage(Handle list, i16 index);
i16 dragmessage(Handle list, i16 index);
i16 resizemessage(Handle list, i16 index);
// "pointerDown" to the card (with `card`) or to the object, the port and pen kept around it.
i16 sendpointerdown(bool card, Handle list, i16 index);
// After cloning into `list` of the window context `d`: the new object (the list's last) is
// read afresh from its record and gets "newButton", "newField" or "newGraphic" in that
// window; nothing while messages are locked.
i16 sendnewspotmessage(const desk& d, Handle list);

// The routine of procedure-table slot 58: always 0.
i16 PtoolsRTfalseproc();

}  // namespace kv
