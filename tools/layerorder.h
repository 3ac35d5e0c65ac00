// The layer-order commands: the selected objects of the edited layer moved to the front or the
// back of their list, or one place forward or back.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// `bringFront` (the selected objects after all others, each group in its order) and `sendBack`
// (the selected objects first); the command word at `at` decides. 2 for words after it.
scriptstatus combring(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `shuffleForward` and `shuffleBack`: each selected object changes places with the nearest
// unselected object in front of (behind) it. 2 for words after the command.
scriptstatus comshuffle(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
