// The script dialogs' commands: alert, ask, answer and the program chooser's function. What
// they show, and what the other subsystems call, is in core/dialogs.h.
#pragma once

#include "core/dialogs.h"
#include "engine/hier.h"
#include "platform/types.h"
#include "shell/dialogutils.h"

namespace kv {

scriptstatus comalert(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comask(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comanswer(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus answerprogramX(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
