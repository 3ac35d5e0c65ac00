// Field scrolling: a field's scroll range computed from its text record.
#pragma once

#include "platform/types.h"
#include "textengine/werecord.h"

namespace kv {

// Recomputes the scroll range of field `index` of `list` after its text was laid out again.
// When the stored scroll no longer fits it stores the limited value (redrawing the record
// when `update` is set) and answers 1; else 0. The outputs (each may be null) get the scroll,
// 0, the maximum and the page height.
// The navigation keys (arrows, home, end, page keys) in the open scrolling field while
// textArrows is on: 1 when the key was taken.
i16 handlenavkeys(u8 c);

i16 recalcfldscroll(Handle list, i16 index, WEReference we, bool update, bool reposition, i32* scroll, i32* reserved,
                    i32* maximum, i32* page);

}  // namespace kv
