// Drop reception: the receive handler of every window of the program. A drop is first offered
// to scripts as "mouseDrop" and judged by the verdict (`accept`, `ignore`, `refuse`, or what the
// handler returned); then the default action runs: dragged text goes into a field.
#pragma once

#include "platform/drag/drag.h"
#include "platform/types.h"
#include "shell/desk.h"
#include "textengine/werecord.h"

namespace kv {

// The receive handler (procedure-table slot 310) is declared with the tracking handler in
// tools/dragtrack.h: noErr when the drop was taken, dragNotAcceptedErr otherwise.

// A drop while a browse tool or the text tool is chosen: true when taken.
bool ReceiveDropInBrowseWd(WindowRef window, DragRef drag);
// Dragged text into the open field or another field under the drop point (browse tools).
bool ReceiveTextDropInBrowseWd(WindowRef window, DragRef drag);
// Appends the text of item `index` (from 1) to a record and leaves the selection at its end:
// the engine's status, -108 when memory is short, -1854 when the item carries no text.
OSErr CollectOneDraggedTextItem(DragRef drag, u16 index, WEReference we);
// A new field (style 301, 200 by 100 pixels centred on the drop point, moved 10 pixels right and
// down for each item before it) from text item `index` (from 1), pointer tools: true when made.
bool ReceiveTextDropInPointerWd(u16 index, DragRef drag, DragItemRef item, Point drop);
// Makes a field in the window context's edited layer from a record (which it disposes) and
// sends it "newField": the send's status, or a memory error.
i16 newField(const desk& d, WEReference we);
// Places the object just cloned at the end of the target list (`gTargetQ`): a new id, selected,
// moved by the drag's displacement from the press to the drop point (card coordinates).
void AlignNewObject(Point drop);
// For a move inside the open field: deletes its selection (widened by a following space when
// it is a whole word) and corrects the insertion offset that lies after it.
void weAdjustInsertPtForMove(i32* offset);

}  // namespace kv
