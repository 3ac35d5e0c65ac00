// Forms the command routines share: an operand read as text, and the window context of a
// command that works in another window for a while.
#pragma once

#include "engine/hier.h"
#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "core/desk.h"

namespace kv {

// The text of the expression at atom `at` as a short string (cut at 255 characters); *used is
// the atoms it took. The expression's status.
scriptstatus textoperand(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, Str255 out);

// The current window context and port, given back when the command ends: the context as the
// window table holds it then (a handler may have changed the entry meanwhile).
class KeepContext {
 public:
  KeepContext();
  ~KeepContext();
  KeepContext(const KeepContext&) = delete;
  KeepContext& operator=(const KeepContext&) = delete;

 private:
  desk saved_;
  GrafPtr port_;
};

}  // namespace kv
