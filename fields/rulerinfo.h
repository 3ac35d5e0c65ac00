// The text of a paragraph-ruler word (`leftIndent`, `rulerInfo`, `textAlign`, ...) for the
// selection of a text record.
#pragma once

#include "platform/types.h"
#include "textengine/werecord.h"

namespace kv {

// Puts the text of the ruler word `token` for the record's selection into the handle. 0, or a
// status.
i16 GetRulerInfoFromWERec(WEReference we, Handle text, u16 token);

}  // namespace kv
