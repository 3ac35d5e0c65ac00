// Changing the style and the paragraph format of a record's selection, and of one attribute
// over a range.
#pragma once

#include "textengine/werecord.h"

namespace kv {

// Applies the attributes the mode names (weDo...) to the selection; with an empty selection
// the style of the next typed text changes.
OSErr WESetStyle(u32 mode, const WETextStyle* style, WEReference we);
// Applies the ruler fields the mode names to the paragraphs of the selection.
OSErr WESetRuler(u16 mode, const WERuler* ruler, WEReference we);
// Sets one attribute over [start, end) (-1, -1: the selection): 'strk' strike-through (1 byte,
// 0 or 1), 'pjst' paragraph justification (4 bytes: 'left', 'rght', 'deft', 'cent', 'full'),
// 'pbcl' background colour (6 bytes), 'pptm' transfer mode (2 bytes), 'xshf' vertical shift
// (4 bytes, 16.16 pixels). An unknown tag or a short value gives paramErr.
OSErr WESetOneAttribute(i32 start, i32 end, OSType tag, const void* value, i32 size, WEReference we);

}  // namespace kv
