// Ending the program by the user's choice: the quit dialog while the program winds down (it
// stays up at least half a second), the menus closed, the global state released, and the
// companion editor started again when it started the program.
#include "shell/quit.h"

#include <string>
#include <vector>

#include "platform/dialogs/dialogs.h"
#include "platform/events/events.h"
#include "platform/launch/launch.h"
#include "platform/prefs/bundle.h"
#include "platform/prefs/prefs.h"
#include "platform/process/exit.h"
#include "platform/resources/resources.h"
#include "platform/testing/transcript.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/windows/screens.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/menusets.h"
#include "shell/messagebox.h"
#include "shell/platformutil.h"
#include "core/settings.h"

namespace kv {

namespace {

constexpr i16 kQuitDialog = 13400, kFolderTexts = 1001, kEditorName = 17;
constexpr u32 kQuitDialogTicks = 30;

// The quit dialog, centred on the main screen and drawn at once.
DialogRef showquitdialog() {
  DialogRef d = GetNewDialog(kQuitDialog, kFirstWindowOfClass);
  transcriptadd(TranscriptKind::dialog, "quit dialog");
  if (d == nilid) return nilid;
  Rect bounds{};
  GetWindowBounds(d, kWindowStructureRgn, &bounds);
  const Rect screen = screenbounds(0);
  const i16 h = i16(screen.left + ((screen.right - screen.left) - (bounds.right - bounds.left)) / 2);
  const i16 v = i16(screen.top + ((screen.bottom - screen.top) - (bounds.bottom - bounds.top)) / 3);
  MoveWindow(d, h, v, true);
  ShowWindow(d);
  DrawDialog(d);
  return d;
}

// The companion editor: the application the hand-over names ("tranKRapplication" in the
// program's own domain, the path of the application), else the one named by entry 17 of the
// folder names beside the program.
void launcheditor() {
  std::string application;
  if (auto pref = getpreference(kRuntimeDomain, "tranKRapplication"); pref.has_value())
    application = pref->data.empty() ? macromantoutf8(pref->text) : std::string(pref->data.begin(), pref->data.end());
  if (!application.empty() && launchapplication(application, {}) == noErr) return;
  std::string folder;
  if (!applicationfolder(&folder)) return;
  Str255 name{};
  GetIndString(name, kFolderTexts, kEditorName);
  if (name[0] != 0) launchapplication(folder + "/" + macromantoutf8(pstringview(name)), {});
}

void waituntil(u32 deadline) {
  for (u32 now = TickCount(); now < deadline; now = TickCount()) {
    u32 ignored = 0;
    Delay(deadline - now, &ignored);
  }
}

}  // namespace

void quitfile() {
  MainGlobals& g = mainglobals();
  g.quitting = 1;
  const bool standalone = currentsettings().standalone != 0;
  const bool toeditor = g.fromeditor != 0 && !standalone;
  u32 deadline = TickCount();
  DialogRef dialog = nilid;
  if (!standalone && g.fromeditor == 0) {
    dialog = showquitdialog();
    deadline += kQuitDialogTicks;
  }
  hidemes();
  const i16 saved = g.menuSet;
  for (i16 set = 0; set < kMenuSets; ++set) {
    g.menuSet = set;
    closemenus();
  }
  g.menuSet = saved;
  dumpglobs(0);
  if (toeditor) launcheditor();
  waituntil(deadline);
  if (dialog != nilid) DisposeDialog(dialog);
  exitprocess(kExitOK);
}

}  // namespace kv
