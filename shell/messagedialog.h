// Messages the program shows in a dialog with one OK button: an entry of one of its string
// lists, with the caller's text standing for "^0". Until the dialog model runs them they go
// to the transcript and take their answer from the answers queue (an "alert" answer), or
// the default button when nobody is there.
#pragma once

#include "platform/types.h"

namespace kv {

// Shows entry `index` of string list `list` with `param` (may be null) for "^0", and returns
// once it was dismissed.
void showmessage(i16 list, i16 index, ConstStringPtr param);

}  // namespace kv
