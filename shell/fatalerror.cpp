// The fatal-error path. The fatal-error dialog joins it when the dialogs run; until then the
// status, its text and what was being done reach the transcript and the exit reason.
#include "shell/fatalerror.h"

#include "engine/scripterror.h"
#include "platform/process/exit.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"

namespace kv {

namespace {
struct FatalState {
  FatalDoing* innermost = nullptr;
};
}  // namespace

FatalDoing::FatalDoing(Describe describe, const void* what)
    : outer_(state<FatalState>().innermost), describe_(describe), what_(what) {
  state<FatalState>().innermost = this;
}

FatalDoing::~FatalDoing() {
  if (hasstate<FatalState>()) state<FatalState>().innermost = outer_;
}

void checkerr(i16 status) {
  if (status == 0) return;
  Str255 text;
  scripterrortext(status, text);
  std::string reason = "fatal error " + std::to_string(status) + ": " + macromantoutf8(pstringview(text));
  if (const FatalDoing* doing = state<FatalState>().innermost) {
    if (!reason.empty() && reason.back() == '.') reason.pop_back();
    reason += ": " + doing->describe() + ".";
  }
  exitprocess(kExitFailure, reason);
}

}  // namespace kv
