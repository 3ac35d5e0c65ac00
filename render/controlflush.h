// Rebuilding the platform controls of a card's or background's buttons after their data
// changed.
#pragma once

#include "platform/types.h"
#include "store/objread.h"

namespace kv {

// Disposes and rebuilds the platform controls of the buttons of the reference's card or
// background (`rebuild` 1), or only disposes them (0).
void lowflush(const objread& obj, i16 rebuild);

}  // namespace kv
