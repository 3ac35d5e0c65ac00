// The start-up sequence: from a bare process to the point where the main loop takes over. It
// fills the global state, checks the system, makes the message box and the card offscreen
// world, installs the volume handler, opens the standalone's own project, waits for a first
// window (the desktop's open requests arrive as high-level events), and sends the launch
// arguments to the current card.
#pragma once

#include <string>
#include <vector>

#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

struct StartupOptions {
  // The program's name, then the launch arguments, each sent to the current card as a message
  // (UTF-8). A first argument that starts with "-psn_" is skipped.
  std::vector<std::string> arguments;
  // Post the desktop's launch request (open documents with these paths, or open application
  // when there are none) once the event queue is flushed.
  bool launchrequest = true;
  std::vector<std::string> documents;
  // Wait until a window is open before the launch arguments go (a run of command-line
  // requests with no project named does not wait).
  bool waitforwindow = true;
};

// Runs the start-up sequence. 0 when the main loop may begin; otherwise the process's exit
// status (a refused system, no memory, no offscreen world).
int startup(const StartupOptions& options);

// The recursion budget for a stack of the given soft and hard limits (signed 64-bit; negative
// means unlimited): the soft limit is raised to a quarter of the hard limit when that is more,
// and the budget is that less 64 KB, at least 256 KB, and never above 2 GB less 64 KB.
// *raised gets the soft limit to set.
u32 stackbudgetfor(i64 soft, i64 hard, i64* raised);
// 0 when the system version (BCD, 0xMMmb) and the Carbon library version are accepted, else
// the entry of string list 1000 that says why not.
i16 systemrefusal(u16 sysversion, i32 carbonlib);
// Makes the card offscreen world at `depth`, falling back from 32 to 16, 8 and 1 bits through
// `create` (CreateOffScreen's form): the depth made, or 0 when every depth failed. Another
// depth is tried once; when it fails the fallback starts at 32.
i16 createoffscreenat(i16 depth, i16 (*create)(i16));

// Installs the program's handlers of the platform's events on the application: the volume
// handler, which posts disk events to the internal queue.
void installcarbonhandlers();
// Makes the message box window: 550 pixels wide, centred on the screen that holds most of it,
// 44 to 7 pixels above its bottom; floating, with close and collapse boxes and a side title
// bar; window kind 118; hidden.
void initmes();
// Opens the start project: a standalone's Resources/main.kv45 (the main project); other starts
// open nothing here.
void finderfile();
// The fatal start-up alert for a status (its text from the script error texts); ends the
// process.
[[noreturn]] void startuperror(i16 status);

// What start-up measured and chose: the stack budget, the windows' tag, the font-force
// setting, the platform's facts (the system version, its services, the menu bar's height, the
// screen and the default window rectangle) and the offscreen size overrides.
struct StartupFacts {
  u32 stackbudget;  // bytes of stack the recursion checks may use
  u32 creator;      // 'VIZu': the tag of the runtime's windows
  i16 fontforce;    // the script system's font-force setting at start-up
  u16 sysversion;   // 'sysv', four BCD digits
  i16 hasContextualMenus;
  i16 hasAltiVec;
  i16 menubarheight;
  Rect screenrect;          // the main screen less the menu bar
  Rect defaultwindowrect;   // the same, inset by 4, its top-left moved to (20, 20)
  i16 offwidth, offheight;  // the offscreen size overrides of settings words 9 and 10 (0 none)
};
inline StartupFacts& startupfacts() { return state<StartupFacts>(); }

}  // namespace kv
