// Object references as the evaluator reads them: whether an object exists, the contents of
// fields and objects, and function calls sent straight to an object.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;
struct chunkpart;

// True when the object reference at the atoms resolves; *count is the atoms it took.
bool objectexists(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count);
// The contents of the field named at the atoms (`field 1`, `card field "x"`, `first field`).
scriptstatus sourceobject(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);
// `me`: the contents of the object whose script runs.
scriptstatus objectcontents(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                            fred* value);
// `target`: the contents of the target, or its reference text.
i16 targetcontents(i32* count, fred* value);
// A field named at the atoms (`field 1`, `me`) as a container: its stored text, the range its
// characters (the style runs before them and the tail after them left out). 10 for a button or
// graphic, 11 for what is no object part; the reference's errors.
scriptstatus fieldcontainer(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                            chunkpart* dest);
// Replaces bytes [start, end) of a field container's text by `n` bytes (the style runs after the
// change follow it), marks the record that holds the field changed, reloads a list field and
// releases the container. With `resetscroll` (a put into the whole field) the field scrolls
// back to its top, unless it is a scrolling list field. 37 when memory is short.
i16 putfield(chunkpart* dest, u32 start, u32 end, const u8* bytes, Size n, bool resetscroll = false);
// Releases a field container without writing.
void releasefieldcontainer(chunkpart* dest);
// A function call (name at `name`) sent to the object named after `via` (at `at`).
scriptstatus loweval(hierpath path, Handle text, Handle atoms, i32 name, i32 at, Handle variables, i32* count,
                     fred* value);
// The selected text of the open field, empty when none is open; *count becomes `used`.
i16 selectedtext(i32 used, i32* count, fred* value);
// The shared project's script text; *count becomes `used`.
i16 sharedscripttext(i32 used, i32* count, fred* value);

}  // namespace kv
