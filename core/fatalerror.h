// The fatal-error path: a status that the caller cannot recover from ends the program.
#pragma once

#include <string>

#include "platform/types.h"

namespace kv {

// Returns when status is 0; any other status ends the program through `dofatal` with the
// entry of string list 1001 that fataltext names (the status's digits as ^0 for the catch-all
// entry 13), the exit reason naming the status, its text and what was being done ("fatal error
// 105: A record of the project file is damaged: card 12 of window "Main" could not be read.").
void checkerr(i16 status);
// The entry of string list 1001 that tells of a fatal status: 1-6 for the store's 100-105, 7
// for memory (-41, -108), 8-12 for -192, -33, -36, -39, -43, 24 and 30 for 1006 and 1007, 116
// for 116, 13 for any other.
i16 fataltext(i16 status);
// Shows dialog 50 with entry `entry` of string list 1001 (^0 replaced by `param0`), asking for
// the user's attention first; then every open project is flushed and closed (dumpglobs(1)) and
// the program ends with status 1 through the process-exit hook, which tests intercept.
[[noreturn]] void dofatal(i16 entry, ConstStringPtr param0, const std::string& reason);

// What the program is doing while it lives, for the message of a fatal error: the innermost
// names it. `describe` is asked only when a fatal error happens, with `what`, which must live
// as long as the scope.
class FatalDoing {
 public:
  using Describe = std::string (*)(const void* what);
  FatalDoing(Describe describe, const void* what);
  ~FatalDoing();
  FatalDoing(const FatalDoing&) = delete;
  FatalDoing& operator=(const FatalDoing&) = delete;
  std::string describe() const { return describe_(what_); }

 private:
  FatalDoing* outer_;
  Describe describe_;
  const void* what_;
};

}  // namespace kv
