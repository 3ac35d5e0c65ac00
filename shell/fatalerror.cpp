// The fatal-error path: the status picks the text of the fatal-error dialog (string list 1001),
// the dialog shows, every open project is flushed and closed, and the program ends.
#include "core/fatalerror.h"

#include "engine/scripterror.h"
#include "platform/process/exit.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/testing/answers.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "render/offscreen.h"
#include "shell/dialogutils.h"
#include "core/mainglobals.h"
#include "system/appleevents.h"

namespace kv {

namespace {

constexpr i16 kFatalDialog = 50, kFolderTexts = 1001, kOtherFatal = 13;
// How long the program asks for the user's attention, in ticks.
constexpr i32 kAttentionTimeout = 108000;

struct FatalState {
  FatalDoing* innermost = nullptr;
};

struct fatalrow {
  i16 code, entry;
};
constexpr fatalrow kFatalTexts[] = {
    {100, 1},   {101, 2}, {102, 3},  {103, 4},  {104, 5}, {105, 6},  {116, 116}, {1006, 24},
    {1007, 30}, {-41, 7}, {-108, 7}, {-192, 8}, {-33, 9}, {-36, 10}, {-39, 11},  {-43, 12},
};

}  // namespace

FatalDoing::FatalDoing(Describe describe, const void* what)
    : outer_(state<FatalState>().innermost), describe_(describe), what_(what) {
  state<FatalState>().innermost = this;
}

FatalDoing::~FatalDoing() {
  if (hasstate<FatalState>()) state<FatalState>().innermost = outer_;
}

i16 fataltext(i16 status) {
  for (const fatalrow& r : kFatalTexts)
    if (r.code == status) return r.entry;
  return kOtherFatal;
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
  DisposeOffScreen();
  const i16 entry = fataltext(status);
  Str255 code{};
  if (entry == kOtherFatal) {
    const std::string digits = std::to_string(status);
    pstrassign(code, 256, digits.data(), digits.size());
  }
  dofatal(entry, code, reason);
}

void dofatal(i16 entry, ConstStringPtr param0, const std::string& reason) {
  SetThemeCursor(kThemeArrowCursor);
  notify(kAttentionTimeout);
  ParamText(param0, nullptr, nullptr, nullptr);
  Str255 text{};
  GetIndString(text, kFolderTexts, entry);
  // The program ends whatever is answered: a run nobody attends takes the dialog's only button
  // rather than ending as unattended, which would hide the error.
  const UnattendedPolicy policy = unattendedpolicy();
  setunattendedpolicy(UnattendedPolicy::usedefault);
  messagedialog(kFatalDialog, text);
  setunattendedpolicy(policy);
  dumpglobs(1);
  exitprocess(kExitFailure, reason);
}

}  // namespace kv
