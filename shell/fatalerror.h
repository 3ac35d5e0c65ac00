// The fatal-error path: a status that the caller cannot recover from ends the program.
#pragma once

#include <string>

#include "platform/types.h"

namespace kv {

// Returns when status is 0; any other status ends the program (through the process-exit
// hook, which tests intercept) with status 1, naming the status, its text and what was being
// done ("fatal error 105: A record of the project file is damaged: card 12 of window "Main"
// could not be read."). Nothing is written back: the project files stay as they are.
void checkerr(i16 status);

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
