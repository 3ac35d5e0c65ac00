// Navigation from scripts.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// `go [to] <card> [of <background>] [of <window>] [of <project>]` at atom `at`: the card is
// next, prev/previous, first..tenth, last, middle, any, this/current (each optionally followed
// by `card`), or `card` with a number, `id` and a number, or a name; the card's place words
// count from the current card. 0 (also when a handler moved elsewhere meanwhile), 19 for words
// left over, or the status of resolving and going.
i16 comgo(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// The quit sequence that quit, close all windows and the menu-key path share: every window
// closes (the last one's "quitKestrove" may cancel) and the program ends. `withcard` names the
// card in the hand-over to the companion editor. 0, or a closing status.
i16 shutdown(i16 withcard);

}  // namespace kv
