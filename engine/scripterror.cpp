// Recording the first script error of a run, reporting it to the scripts, and the error alert.
#include "engine/scripterror.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/atom.h"
#include "engine/objectsend.h"
#include "engine/status.h"
#include "engine/tokenizer.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/text/pstring.h"
#include "shell/dialogs.h"
#include "shell/mainglobals.h"
#include "shell/quit.h"
#include "shell/runservices.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "store/objread.h"

namespace kv {

namespace {

constexpr i16 errortexts = 1002;
constexpr i16 lasterror = 234;
constexpr i16 unknownerror = 118;
constexpr i16 usercancelled = 62;
constexpr i16 norecovery = 85;
constexpr i16 quititem = 2;

struct ErrorReportState {
  u16 reporting = 0;  // set while doerror sends "scriptError"
};

bool windowopen(WindowRef w) {
  desk d;
  return w != nilid && getwind(w, &d) != 0;
}

i16 recoverable(i16 n) { return mainglobals().erroroffset != -1 && n != norecovery ? 1 : 0; }

// Who is told about an error.
enum class receiver { card, object, shared };

receiver receiverof(const objread& obj) {
  const MainGlobals& g = mainglobals();
  switch (obj.kind) {
    case objitem:
    case objmenu: return obj.held != 0 || isdockmenuline(obj.menu) ? receiver::object : receiver::card;
    case objpart:
    case objcard:
    case objbackground:
    case objwindow: return windowopen(obj.d.window) ? receiver::object : receiver::card;
    case objproject:
      if (windowopen(obj.d.window)) return receiver::object;
      return g.sharedstore != nilid && g.sharedstore == obj.d.store ? receiver::shared : receiver::card;
    default: return receiver::card;
  }
}

// Reads the failing object's reference text into a descriptor: 0, or the reader's error.
i16 readfailing(objread* obj) {
  const MainGlobals& g = mainglobals();
  Handle text = g.faildescriptor, atoms = nilhandle;
  if (text == nilhandle || HandToHand(&text) != noErr) return statusnomemory;
  Handle vars = NewHandle(0);
  i16 st = vars == nilhandle ? i16(statusnomemory) : tokenize(text, &atoms);
  if (st == 0) {
    hier none = emptyhier();
    i32 used = 0;
    *obj = objread{};
    st = scanobj(hierpath(&none, 1), text, atoms, 0, vars, &used, obj);
  }
  if (vars != nilhandle) dumpvars(vars);
  if (atoms != nilhandle) DisposeHandle(atoms);
  DisposeHandle(text);
  return st;
}

// Sends "scriptError n" to whoever should hear of it: the status of that send. With no
// window to receive it, the error itself (the alert then shows it).
i16 tellscripts(i16 status) {
  const MainGlobals& g = mainglobals();
  std::string text = "scriptError " + std::to_string(status);
  objread obj;
  if (g.erroroffset != -1 && g.faildescriptor != nilhandle && readfailing(&obj) == 0) {
    receiver r = receiverof(obj);
    if (r == receiver::object) {
      // Delivered to the descriptor itself: its text is never formatted or read again.
      desk d = obj.d;
      i16 st = lowsend(text, hierpath(), nilhandle, obj);
      safewriteobj(&obj, d.changestamp, d.serial, d.cardnum);
      return st;
    }
    writeobj(&obj);
    if (r == receiver::shared) return sharesend(text);
  }
  WindowRef w = mainglobals().current.window;
  if (!windowopen(w)) return status;
  return cardsend(text, sendforced, w);
}

// Quitting from the alert: messages are locked, the front window becomes current, every
// window is closed and its project written back, and the program ends.
[[noreturn]] void quitfromalert() {
  MainGlobals& g = mainglobals();
  g.lockMessages = 1;
  WindowRef top = nilid;
  if (topwindow(&top) != 0) getwind(top, &g.current);
  while (g.numwinds > 0 && g.winds != nilhandle) {
    i16 before = g.numwinds;
    g.current = HandleAs<desk>(g.winds)[0];
    closefirst();
    dumpcurrent();
    // A window that would not close ends the loop rather than being tried for ever.
    if (g.numwinds >= before) break;
  }
  quitfile();
}

}  // namespace

void posterror(const hier& entry, i32 atom, Handle text) {
  MainGlobals& g = mainglobals();
  if (entry.script != text || text == nilhandle || g.erroroffset != -1 || g.trydepth != 0) return;
  // An entry of no level holds a text that `do` runs, no object's script: the error is posted
  // at the `do` statement.
  if (entry.level == hierempty) return;
  if (entry.atoms == nilhandle || atom < 0 || atom >= HandleCount<struct atom>(entry.atoms)) return;
  g.erroroffset = i32(HandleAs<struct atom>(entry.atoms)[atom].offset);
  if (g.faildescriptor != nilhandle) DisposeHandle(g.faildescriptor);
  g.faildescriptor = entry.descriptor;
  if (g.faildescriptor != nilhandle && HandToHand(&g.faildescriptor) != noErr) g.faildescriptor = nilhandle;
}

void clearerror() { mainglobals().erroroffset = -1; }

void doerror(i16 status) {
  if (status < 1) return;
  if (status == usercancelled && option() == 0) return;
  ErrorReportState& s = state<ErrorReportState>();
  if (s.reporting != 0) return;
  s.reporting = 1;
  i16 st = tellscripts(status);
  s.reporting = 0;
  // Below 1: a handler took "scriptError", or the built-in showed the alert already.
  if (st < 1) return;
  errordialog(600, st, recoverable(st));
}

void scripterrortext(i16 n, StringPtr out) {
  out[0] = 0;
  if (n >= 1 && n <= lasterror && n != unknownerror) GetIndString(out, errortexts, n);
  if (out[0] != 0) return;
  Str255 pattern;
  GetIndString(pattern, errortexts, unknownerror);
  // Entry 118 names the number where it says ^0.
  char number[16];
  int len = std::snprintf(number, sizeof number, "%d", int(n));
  for (int i = 1; i <= pattern[0]; ++i) {
    if (pattern[i] == '^' && i < pattern[0] && pattern[i + 1] == '0') {
      pstrappend(out, 256, number, size_t(len));
      ++i;
    } else {
      pstrappend(out, 256, &pattern[i], 1);
    }
  }
}

i16 showerrordialog(i16 n) { return errordialog(600, n, recoverable(n)); }

i16 errordialog(i16, i16 n, i16) {
  if (mainglobals().lockErrorDialogs != 0) return quititem;
  GrafPtr port = nilid;
  GetPort(&port);
  char title[40];
  int len = std::snprintf(title, sizeof title, "Veltrix Error Number %d:", int(n));
  Str255 t, text;
  pstrassign(t, sizeof t, title, size_t(len));
  scripterrortext(n, text);
  static constexpr u8 quit[] = "\x04Quit";
  static constexpr u8 cancel[] = "\x06" "Cancel";
  ConstStringPtr buttons[2] = {quit, cancel};
  i16 hit = runalert(t, text, cautionalert, 0, 2, buttons);
  SetPort(port);
  // Cancel stops the script and goes on, whether or not the error's place is known; only
  // Quit quits.
  if (hit == quititem) quitfromalert();
  return hit;
}

}  // namespace kv
