// Drop reception: the receive handler of every window of the program. A drop is first offered
// to scripts as "mouseDrop" and judged by the verdict (`accept`, `ignore`, `refuse`, or what the
// handler returned); then the default action runs: dragged text goes into a field.
#pragma once

#include <string>

#include "platform/drag/drag.h"
#include "platform/types.h"
#include "core/desk.h"
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
// Reads the RTF of item `index` (from 1), an 'RTF ' flavour or an RTF file or package, into a
// record in place of its selection: the reader's status, -108 when memory is short, 186 when
// the file cannot be found, a file error; 0 and nothing added for an item of another kind.
i32 CollectOneRTFItemIntoWERec(DragRef drag, u16 index, WEReference we);
// A new field (style 301, 200 by 100 pixels centred on the drop point, moved 10 pixels right and
// down for each item before it) from text item `index` (from 1), pointer tools: true when made.
bool ReceiveTextDropInPointerWd(u16 index, DragRef drag, DragItemRef item, Point drop);
// Makes a field in the window context's edited layer from a record (which it disposes) and
// sends it "newField": the send's status, or a memory error.
i16 newField(const desk& d, WEReference we);
// Places the object just cloned at the end of the target list (`gTargetQ`): a new id, selected,
// moved by the drag's displacement from the press to the drop point (card coordinates).
void AlignNewObject(Point drop);
// What one "mouseDrop" send decided: run the default action, count the drop as taken without
// it, or refuse the drop.
enum class Verdict { run, taken, refused };
// The verdict of a "mouseDrop" send that answered `status` (a script error was reported by the
// send itself).
Verdict verdictof(i16 status);
// Sends "mouseDrop" (with the offset when it is 0 or more) to an object and judges it.
Verdict senddrop(WindowRef window, Handle list, i16 index, i32 offset);
// Whether the object a drop was sent to is still there: its window open, the same id at its
// index (a handler may delete it, change cards or close the window while the drop is open).
bool stillthere(WindowRef window, Handle list, i16 index, u32 id);
// Invalidates an object's rectangle in its window.
void invalobject(WindowRef window, Handle list, i16 index);
// Forgets the drag caret the drop came with: the open field and the target are redrawn.
void removecaret(WindowRef window, Handle list, i16 index);
// The whole data fork of a file (a POSIX path, UTF-8) read from `offset` into a new handle,
// asking for `slack` bytes more of the memory guard: noErr, -108 when memory is short, or the
// file system's error. The file is closed on every path.
OSErr readwholefile(const std::string& path, i64 offset, i32 slack, Handle* out);
// A POSIX path (UTF-8) as the Mac Roman name the file calls take; false when too long.
bool macromanpath(const std::string& path, Str255 out);
// For a move inside the open field: deletes its selection (widened by a following space when
// it is a whole word) and corrects the insertion offset that lies after it.
void weAdjustInsertPtForMove(i32* offset);

}  // namespace kv
