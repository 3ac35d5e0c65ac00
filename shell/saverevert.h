// The save and revert commands of the current window: writing what changed in the current
// card, background and window (or in every open project) to the project files, and throwing
// away the unsaved changes of the current card and background.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// `save` or `save all`: 0, 19 for other words, 37 when memory is short, or the status of
// putting down the open field or painting (a field handler that moved elsewhere ends it with 0).
// A project whose file is locked is not written: "The file is locked." is the result.
scriptstatus comsave(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `revert`: the card and background go back to what the project file holds, after the open
// field is put down ("closeField"); their scripts are read again. 0, 19 for other words, or
// the status of putting down the field or painting.
scriptstatus comrevert(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
