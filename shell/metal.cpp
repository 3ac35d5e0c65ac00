#include "shell/metal.h"

#include "engine/drawroutines.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/pictures.h"
#include "shell/mainglobals.h"

namespace kv {

bool IsMetalWindow(WindowRef window) {
  WindowAttributes a = 0;
  return IsValidWindowPtr(window) && GetWindowAttributes(window, &a) == noErr && (a & kWindowMetalAttribute);
}

void setmetaleraseprocs(CGrafPtr port) {
  WindowRef window = GetWindowFromPort(port);
  if (window == nilid) window = mainglobals().current.window;
  if (window == nilid || !IsMetalWindow(window) || portrecordingpicture(port)) {
    SetPortGrafProcs(port, nullptr);
    return;
  }
  QDProcs procs;
  SetStdCProcs(&procs);
  procs.rectProc = PobjRTmetaleraserectproc;
  procs.rgnProc = PobjRTmetalerasergnproc;
  SetPortGrafProcs(port, &procs);
}

}  // namespace kv
