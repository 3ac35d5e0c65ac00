// Undo and redo of the open field's typing, and cloning objects in place, at a point, or onto
// another card, background or window.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// `undo` and `redo`: offered to the externals first (when no word follows); else the open
// field's text record takes back (does again) its last action; with nothing to do a beep.
// Always 0.
scriptstatus comundo(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comredo(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// `clone` object [with message] [at point] [to destination [with message] [at point]
// [with message]] and `clone [selected] objects [at point]` or `clone [selected] objects to
// destination [with message] [at point] [with message]`. `the result` gets the long ids of
// the copies, one a line. 2 for a reference that names no object or a destination that is no
// card, background or window, and for stray words of a same-layer clone; 7 for a clone part
// not followed by `to`; 37 without `the result`, when memory is refused or a list can't grow;
// or the status of the "new" message.
scriptstatus comclone(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
