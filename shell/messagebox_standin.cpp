// A stand-in for the message box's handler until the message box takes typing and shows its
// text: the window exists and can be shown and hidden; its events change nothing (a typed line
// is never run as a script in any case).
#include "platform/windows/windows.h"
#include "shell/mainglobals.h"
#include "shell/messagebox.h"

namespace kv {

void runmess(i16, u32) {}

void hidemes() {
  WindowRef w = mainglobals().msgwindow;
  if (w != nilid && IsValidWindowPtr(w)) HideWindow(w);
}

bool msgvisible() {
  WindowRef w = mainglobals().msgwindow;
  return w != nilid && IsValidWindowPtr(w) && IsWindowVisible(w);
}

}  // namespace kv
