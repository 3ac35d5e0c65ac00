// Reading attributes of a text record by tag, for the callers that only read them (the text
// property getters), until attributes are built whole in the engine's interface.
#pragma once

#include "platform/types.h"
#include "textengine/werecord.h"

namespace kv {

// Tags read: 'font' (2 bytes), 'ptsz' (4, 16.16), 'colr' and 'pbcl' (6), 'pptm' (2), 'xshf'
// (4, 16.16), 'strk' (1, boolean) and 'pjst' (4, the alignment tag 'left', 'rght', 'deft',
// 'cent' or 'full'); any other tag or a size not the tag's is refused (non-zero).
// One attribute at an offset (-1: the selection start), into value.
OSErr WEGetOneAttribute(i32 offset, OSType tag, void* value, i32 size, WEReference we);
// Which of `count` candidate values (each `size` bytes, one after another) the attribute takes
// somewhere in [start, end) (-1: the selection's ends; an empty selection reads the style the
// next typed character takes): matches[i] is 1 for those it takes; *continuous (may be null)
// tells whether it is the same throughout. -50 for a reversed range.
OSErr WEMatchAttributes(i32 start, i32 end, OSType tag, i32 size, i32 count, const void* candidates, u8* matches,
                        bool* continuous, WEReference we);

}  // namespace kv
