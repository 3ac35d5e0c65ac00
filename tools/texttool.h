// The text tool and the text under the mouse: the text tool opens any field for typing, locked
// or not, without the browse tool's messages; the chunk finder describes what lies under the
// mouse for mouseChar, mouseText, mouseObject and mouseChunk.
#pragma once

#include "platform/types.h"

namespace kv {

struct fred;

// A text-tool click at `pt` on object `index` of a list: opens the field for typing and sends
// "editText" when its text takes the click. 0 (also for an object that is not a field) or a
// status.
i16 textutil(Handle list, i16 index, Point pt);
// Closes the open field without messages; putdowntextfield also marks the layer changed when
// the text changed, and answers 0.
void putdowntextfieldutil();
i16 putdowntextfield();

// What lies under the mouse in a browse-tool window, into *value: the character (mode 0),
// the text (1), the object's long id (2) or the chunk (3); empty over no object, in another
// tool or outside a project window's content.
enum : i16 { mousechunkchar = 0, mousechunktext = 1, mousechunkobject = 2, mousechunkchunk = 3 };
i16 mousechunk(fred* value, i16 mode);

}  // namespace kv
