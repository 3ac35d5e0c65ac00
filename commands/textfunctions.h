// Routines and functions that produce texts: merge, the description of the open field, a card
// list as lines, and the functions doAsMsg, errorText and textHeightSum.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;

// Replaces the value's text by its merge: every expression between "[[" and "]]" is
// evaluated in the caller's context and replaced, brackets and all, by its value; each
// backquote becomes a double quote. An expression that fails (or leaves words over) keeps its
// text, its inner brackets turned into "?". 0, or 37 when memory runs short.
scriptstatus merge(hierpath path, Handle variables, fred* value);
// One bracketed part of a merge text (which ends in two zero bytes) at *offset (its "[["):
// merged as above; *offset moves past what it left. `depth` counts the nesting.
scriptstatus mungehandle(hierpath path, Handle variables, i32* offset, Handle text, i32 depth);

// The description of the open field: "card field 2 of window ID 100 of ..." ("bkgnd" for a
// background field; the number counts the fields of its list up to it; 0 with no open field).
void getfieldstring(StringPtr out);

// A card list (length-prefixed texts back to back, newest first) as lines, each ended by a
// return; the empty text for none. 0, or 37.
i16 stacktofred(Handle list, fred* value);

}  // namespace kv
