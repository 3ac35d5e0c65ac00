// The members of the functions without parameters that read the state of the program: the
// mouse, the keys and the last click, the interrupt flag, the last find, the error's place,
// windows, menus and projects, the screen, the clock, memory, the program's own place, the
// selection and the printing facts.
#pragma once

#include "platform/types.h"

namespace kv {

struct fred;

// Answers member `fn` (its modifier word inside the parentheses, or 0) into a new value: 0, a
// script error, or 124 for a member that is not answered here.
i16 funzerostate(u16 fn, u16 modifier, fred* value);

}  // namespace kv
