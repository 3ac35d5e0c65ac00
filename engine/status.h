// Status results shared by the engine's value and text routines (0 is success), and the type
// script routines answer them in.
#pragma once

#include "platform/types.h"

#include "engine/scripterrors.h"

namespace kv {

// What a script routine (a command, function or property routine, or any routine that takes
// the message path) answers: 0, a script error (err::...), or one of the interpreter's own
// negative statuses. The caller must act on it: a dropped status is a lost script error, so
// the compiler warns at every call that drops one. It converts to and from i16 freely, so the
// code that reads and passes statuses on is unchanged.
class [[nodiscard]] scriptstatus {
 public:
  constexpr scriptstatus(i16 value = 0) : value_(value) {}  // NOLINT: as freely as an i16
  constexpr operator i16() const { return value_; }         // NOLINT
 private:
  i16 value_;
};

}  // namespace kv
