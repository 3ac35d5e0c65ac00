// The card clipboard: one whole card with its background, copied into a scratch file of this
// process and pasted after the current card of the current window, in its own project or
// another.
#pragma once

#include "platform/types.h"
#include "core/desk.h"

namespace kv {

// `copy card`: the card of a window context (with its background) becomes the card clipboard.
// 0; 107 when the scratch folder's volume lacks the packed sizes + 10,000 bytes; 108 when this
// user cannot write the scratch folder; 37 when memory runs out; or a file error's status.
i16 cardcopy(const desk& d);
// `paste card`: a new card after the current one, sharing the copied card's background when it
// is pasted into the window it came from (that background is still there), else with a
// background of its own; then the window goes to it. 0 (also with nothing on the clipboard, a
// locked project, a disk too full, or a scratch file that does not check out), 37 when memory
// is refused, or the move's status.
i16 cardpaste();
// The scratch file goes and the card clipboard is empty.
void emptycardclipboard();

}  // namespace kv
