// A stand-in for the requests of other programs until they are received as events with their
// "appleEvent" message: the desktop's requests are carried out at once. Open application opens
// nothing when the program is a standalone or a window is open, else asks for a project; open
// documents opens each project named (nothing opened at all ends the start); quit closes the
// windows and ends the program. The speech recognizer's speech-done event goes to its handler in
// procedure-table slot 299. `notify` brings the program forward for the user.
#include "system/appleevents.h"

#include <string>

#include "engine/objectsend.h"
#include "engine/scripterror.h"
#include "engine/sendmes.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/process/process.h"
#include "platform/speech/recognition.h"
#include "shell/commandline.h"
#include "shell/mainglobals.h"
#include "shell/mousewheel.h"
#include "shell/projectclose.h"
#include "shell/quit.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "system/externalevents.h"
#include "system/proctable.h"

namespace kv {

namespace {

constexpr u32 kCoreClass = fourcc("aevt");

bool sameasfront() {
  ProcessSerialNumber front{}, self{};
  GetFrontProcess(&front);
  GetCurrentProcess(&self);
  return front == self;
}

i16 opendocuments(const HighLevelRequest& r) {
  MainGlobals& g = mainglobals();
  if (sameasfront()) g.notfront = 0;
  i16 st = 0;
  for (const std::string& path : r.paths) st = openprojectpath(path);
  if (g.numwinds < 1) startuperror(st);
  if (st > 0) doerror(st);
  return st;
}

i16 openapplication() {
  MainGlobals& g = mainglobals();
  if (currentsettings().standalone != 0 || g.numwinds > 0) return 0;
  i16 st = openfile();
  if (st != 0 && g.numwinds < 1) startuperror(st);
  return st;
}

}  // namespace

i16 notify(i32) {
  // The desktop lets a program come forward at once, so the time-out never runs out. A program
  // behind others also asks for the user's attention (the window flashes).
  if (!processisfront()) requestuserattention(true);
  ProcessSerialNumber self{0, kCurrentProcess};
  if (OSErr e = SetFrontProcess(&self); e != noErr) {
    std::string code = std::to_string(e);
    Handle& result = mainglobals().result;
    if (result == nilhandle) PtrToHand(code.data(), &result, Size(code.size()));
    else PtrToXHand(code.data(), result, Size(code.size()));
    return e;
  }
  mainglobals().notfront = 0;
  return 0;
}

i16 aevtquit(u16 quitafter) {
  MainGlobals& g = mainglobals();
  WindowRef top = nilid;
  if (topwindow(&top)) getwind(top, &g.current);
  if (sendxrtnevent(nilid, kXrtnQuit, nullptr) != 0) return 0;
  while (!g.plugin && g.numwinds > 0 && g.winds != nilhandle) {
    g.current = HandleAs<desk>(g.winds)[0];
    // The last window's "quitKestrove" may cancel the quit, as it does for the quit command.
    if (g.numwinds == 1 && cardsend("quitKestrove", sendnormal, g.current.window) == statusexittotop) return 0;
    i16 st = closefirst();
    if (st != 0 && st != kCardChanged) return st;
    dumpcurrent();
  }
  if (quitafter) quitfile();
  return 0;
}

i16 doapplevent(const EventRecord&) {
  HighLevelRequest r;
  if (!takehighlevelrequest(&r)) return 0;
  // The speech recognizer's results go to the handler installed for them.
  if (r.eventclass == kSpeechDoneClass && r.eventid == kSpeechDoneId) {
    if (auto handler = getproc<299>()) handler(r);
    return 0;
  }
  // The program's own wheel request: the record only when it is exactly 16 bytes.
  if (r.eventclass == kWheelRequestClass) {
    EventRecord wheel{};
    if (r.eventid == kWheelRequestId && wheelrecordof(r.params, &wheel)) HandleMouseWheelAppleEvent(wheel);
    return 0;
  }
  if (r.eventclass != kCoreClass) return 0;
  switch (r.eventid) {
    case fourcc("oapp"): return openapplication();
    case fourcc("odoc"): return opendocuments(r);
    case fourcc("quit"): return aevtquit(1);
    default: return 0;
  }
}

}  // namespace kv
