// Cursors named by scripts: a cursor id or name, "arrow", "watch", "busy", or none; and the
// busy cursor that turns while a handler runs.
#pragma once

#include "platform/runtime/registry.h"
#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

struct fred;

// Sets a cursor slot from a value's text: slot 0 the object cursor of the global state, 1 the
// default cursor. A number is a cursor id (0 none), "none", "empty" or no text none, "arrow"
// the arrow mark, "watch" and "busy" copies of the program's cursors 4 and 2000, any other
// text a cursor resource's name. The slot's old cursor is freed. A cursor not found leaves
// the slot and puts result text 15 into `the result`. 0, or 37 when a cursor cannot be copied.
i16 findefaultcurs(const fred& value, i16 slot);
// As findrez, with a host-order copy of the cursor found handed out in *out.
i16 findefaultcursrez(RegistryId store, ResType type, ConstStringPtr text, u32* recordid, Handle* out);

// `set the cursor to <value>`: the busy cursor stops; 0 or "none" hides the cursor; "arrow",
// "watch", "hand", "open hand", "closed hand" show those cursors; "busy" shows the spinning
// cursor and starts the busy-cursor task; any other text or number is a cursor resource. Not
// found: result text 15 and 0.
i16 setcursorvalue(const fred& value);

// The busy-cursor task: unless another program is in front, when the front window is a
// project window the statement loop is asked to advance the busy cursor; the task is due
// again 500 ms on.
void spincursor(u32 now);
// Runs the busy-cursor task when it is due and advances the busy cursor when asked (the
// event loop and the statement loop call it).
void checkbusycursor(u32 now);
// Stops the busy-cursor task.
void stopbusycursor();

// The busy cursor's frame counter, and whether a script hid the cursor.
struct ScriptCursorState {
  u32 cursorcounter;  // the busy cursor's frame counter
  i16 cursorhidden;   // `set the cursor to none` hid the cursor (shown again by the next)
};
inline ScriptCursorState& scriptcursorstate() { return state<ScriptCursorState>(); }

}  // namespace kv
