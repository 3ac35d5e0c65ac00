// Writing styled text as RTF: a range of a text record into a handle.
#pragma once

#include "platform/types.h"
#include "textengine/werecord.h"

namespace kv {

// Writes [start, end) of the record (-1 for either: the selection's) as RTF text into `out`,
// replacing what it held; `footer` (may be null) is written before the closing brace. 0, or
// an error code.
OSErr RTFWriteHandleCrutch(i32 start, i32 end, WEReference we, Handle out, const char* footer, i16 flags);

}  // namespace kv
