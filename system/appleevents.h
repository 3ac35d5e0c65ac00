// Requests from other programs and the desktop, delivered as high-level events.
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/types.h"

namespace kv {

// Handles the high-level event just fetched into `event`: 0, or the status of what it ran.
i16 doapplevent(const EventRecord& event);
// Asks for the right to interact with the user (the dialogs of the shell ask before they
// appear; `timeout` in ticks): the program is brought forward and the not-front flag cleared.
// A refusal's code is put into `the result` and answered; 0 when allowed.
i16 notify(i32 timeout);
// Closes every window (sending "quitKestrove" to the last one: a handler that exits to the top
// keeps everything open) and, with `quitafter`, ends the program. 0, or a closing status.
i16 aevtquit(u16 quitafter);

}  // namespace kv
