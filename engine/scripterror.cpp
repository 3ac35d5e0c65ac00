// Recording the first script error of a run, reporting it to the scripts, and the error alert.
#include "engine/scripterror.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/atom.h"
#include "engine/objectsend.h"
#include "engine/sendmes.h"
#include "engine/servicehooks.h"
#include "engine/status.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/console/console.h"
#include "platform/memory/memory.h"
#include "platform/process/exit.h"
#include "platform/qd/ports.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "platform/testing/commandline.h"
#include "platform/testing/transcript.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "core/dialogs.h"
#include "core/mainglobals.h"
#include "shell/projectclose.h"
#include "shell/quit.h"
#include "core/runservices.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "store/objread.h"
#include "store/reftexts.h"
#include "system/appleevents.h"
#include "system/externalevents.h"

namespace kv {

namespace {

constexpr i16 errortexts = 1002;
constexpr i16 quititem = 2;
constexpr i32 kInteractTimeout = 108000;  // ticks the alert may wait to come forward

struct ErrorReportState {
  u16 reporting = 0;  // set while doerror sends "scriptError"
  u32 shown = 0;      // error alerts shown in the run
  i16 reported = 0;   // the status last reported with a recorded position, and that position
  i32 reportedat = -1;
  // Where the recorded error is, for the report of a headless run (valid while a position
  // is recorded): the handler, the script's line number and the line's text (Mac Roman).
  std::string handler;
  i32 line = 0;
  std::string source;
};

ErrorReportState& rs() { return state<ErrorReportState>(); }

// The handler an atom lies in: the last handler name of either chain that comes before it.
std::string handlerat(const hier& entry, i32 at) {
  const atom* atoms = HandleAs<atom>(entry.atoms);
  const i32 count = i32(HandleCount<atom>(entry.atoms));
  i32 best = -1;
  for (i32 head : {entry.firsthandler, entry.firstfunction}) {
    // The chains run in script order; a damaged link that does not move on ends the walk.
    for (i32 a = head; a >= 0 && a < count && a <= at; a = atoms[a].link > a ? atoms[a].link : -1)
      best = std::max(best, a);
  }
  if (best < 0) return {};
  const atom& name = atoms[best];
  Size size = GetHandleSize(entry.script);
  if (Size(name.offset) + name.length > size) return {};
  return std::string(reinterpret_cast<const char*>(deref(entry.script)) + name.offset, name.length);
}

// Keeps the handler, line number and line text of the error position at `offset`.
void notedplace(const hier& entry, i32 at, u32 offset) {
  ErrorReportState& s = rs();
  const char* text = reinterpret_cast<const char*>(deref(entry.script));
  Size size = GetHandleSize(entry.script);
  std::string_view script(text, size_t(std::min<Size>(Size(offset), size)));
  s.line = 1 + i32(std::count(script.begin(), script.end(), '\r'));
  size_t start = script.rfind('\r');
  start = start == std::string_view::npos ? 0 : start + 1;
  std::string_view rest(text + start, size_t(size) - start);
  rest = rest.substr(0, rest.find_first_of(std::string_view("\r\0", 2)));
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  s.source = std::string(rest);
  s.handler = handlerat(entry, at);
}

bool windowopen(WindowRef w) {
  desk d;
  return w != nilid && getwind(w, &d) != 0;
}

i16 recoverable(i16 n) { return mainglobals().erroroffset != -1 && n != err::norecovery ? 1 : 0; }

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
  if (text == nilhandle || HandToHand(&text) != noErr) return err::nomemory;
  Handle vars = NewHandle(0);
  i16 st = vars == nilhandle ? i16(err::nomemory) : tokenize(text, &atoms);
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

// The name of a project's file, or empty.
std::string projectname(RegistryId store) {
  Str255 name{};
  buildfilename(store, tok::short_, name);
  return macromantoutf8(pstringview(name));
}

// A headless run reports every error alert on standard error and in the transcript: the
// project, the error's number and text, then the handler, the object's long name, the line's
// number and its text when the error's place is known.
void reportheadless(i16 n, ConstStringPtr text) {
  const MainGlobals& g = mainglobals();
  std::string project = projectname(g.current.store), place;
  objread obj;
  if (g.erroroffset != -1 && g.faildescriptor != nilhandle && readfailing(&obj) == 0) {
    Str255 name{};
    RegistryId store = obj.kind == objitem || obj.kind == objmenu ? obj.menu.store : obj.d.store;
    if (obj.kind == objproject) buildfilename(store, tok::long_, name);
    else buildnametext(obj, tok::long_, name);
    if (store != nilid) project = projectname(store);
    writeobj(&obj);
    const ErrorReportState& s = rs();
    place = "  in ";
    if (!s.handler.empty()) place += "handler " + macromantoutf8(s.handler) + " of ";
    place += macromantoutf8(pstringview(name)) + ", line " + std::to_string(s.line) + ": " + macromantoutf8(s.source);
  }
  std::string head = "kestrove: " + (project.empty() ? std::string() : project + ": ") + "Veltrix Error Number " +
                     std::to_string(n) + ": " + macromantoutf8(pstringview(text));
  for (const std::string& line : {head, place}) {
    if (line.empty()) continue;
    writeconsole(line + "\n");
    transcriptadd(TranscriptKind::error, line);
  }
  notefailedrun();
}

// Quitting from the alert: messages are locked, the front window becomes current, the hand-over
// to the companion editor is written, the externals hear of the quit, every window is closed
// and its project written back, and the program ends.
[[noreturn]] void quitfromalert() {
  MainGlobals& g = mainglobals();
  g.lockMessages = 1;
  WindowRef top = nilid;
  if (topwindow(&top) != 0) getwind(top, &g.current);
  // The companion editor that started the program gets the front window's card back, and
  // the externals hear of the quit before the windows go.
  setuptran(1);
  sendxrtnevent(nilid, kXrtnQuit, nullptr);
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
  notedplace(entry, atom, u32(g.erroroffset));
  if (g.faildescriptor != nilhandle) DisposeHandle(g.faildescriptor);
  g.faildescriptor = entry.descriptor;
  if (g.faildescriptor != nilhandle && HandToHand(&g.faildescriptor) != noErr) g.faildescriptor = nilhandle;
}

void clearerror() {
  mainglobals().erroroffset = -1;
  if (hasstate<ErrorReportState>()) rs().reported = 0;
}

void doerror(i16 status) {
  if (status < 1) return;
  if (status == err::cancelled && option() == 0) return;
  // A print job held open ends with the script that failed.
  servicehooks().closebatchprintsession();
  ErrorReportState& s = state<ErrorReportState>();
  if (s.reporting != 0) return;
  // A status that comes back from a send that reported it already (an open that passes on
  // its opening messages' status) is not reported again.
  const MainGlobals& g = mainglobals();
  if (g.erroroffset != -1 && s.reported == status && s.reportedat == g.erroroffset) return;
  s.reported = g.erroroffset != -1 ? status : i16(0);
  s.reportedat = g.erroroffset;
  s.reporting = 1;
  i16 st = tellscripts(status);
  s.reporting = 0;
  // Below 1: a handler took "scriptError", or the built-in showed the alert already.
  if (st < 1) return;
  errordialog(600, st, recoverable(st));
}

// Entry 118 is the one text for every number without its own.
static_assert(err::numbered >= 1 && err::numbered < err::last);

void scripterrortext(i16 n, StringPtr out) {
  out[0] = 0;
  if (n >= 1 && n <= err::last && n != err::numbered) GetIndString(out, errortexts, n);
  if (out[0] != 0) return;
  Str255 pattern;
  GetIndString(pattern, errortexts, err::numbered);
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

namespace {

// The innermost level that runs a handler, or null.
const calllevel* handlerlevel() {
  const MainGlobals& g = mainglobals();
  if (g.calllevels == nilhandle) return nullptr;
  for (i32 d = std::min<i32>(g.calllevel, i32(HandleCount<calllevel>(g.calllevels)) - 1); d >= 0; --d) {
    const calllevel& l = HandleAs<calllevel>(g.calllevels)[d];
    if (l.kind == sendmeslevel && l.path != nullptr && l.path->atoms != nilhandle) return &l;
  }
  return nullptr;
}

}  // namespace

std::string runninghandler() {
  const calllevel* l = handlerlevel();
  if (l == nullptr) return {};
  const hier& e = *l->path;
  std::string text = "handler " + macromantoutf8(handlerat(e, l->atom));
  if (e.descriptor != nilhandle)
    text += " of " + macromantoutf8(std::string_view(reinterpret_cast<const char*>(deref(e.descriptor)),
                                                     size_t(GetHandleSize(e.descriptor))));
  return text;
}

std::string runningmessage() {
  const calllevel* l = handlerlevel();
  return l == nullptr ? std::string() : handlerat(*l->path, l->atom);
}

u32 scripterrorsshown() { return hasstate<ErrorReportState>() ? rs().shown : 0; }

i16 errordialog(i16, i16 n, i16) {
  if (mainglobals().lockErrorDialogs != 0) return quititem;
  GrafPtr port = nilid;
  GetPort(&port);
  char title[40];
  int len = std::snprintf(title, sizeof title, "Veltrix Error Number %d:", int(n));
  Str255 t, text;
  pstrassign(t, sizeof t, title, size_t(len));
  scripterrortext(n, text);
  // The program asks to come forward before the alert shows.
  notify(kInteractTimeout);
  ++rs().shown;
  if (headlessrun()) reportheadless(n, text);
  static constexpr u8 quit[] = "\x04Quit";
  static constexpr u8 cancel[] =
      "\x06"
      "Cancel";
  i16 hit = runalert(t, text, cautionalert, 0, 2, quit, cancel, nullptr);
  SetPort(port);
  // Cancel stops the script and goes on, whether or not the error's place is known; only
  // Quit quits.
  if (hit == quititem) quitfromalert();
  return hit;
}

}  // namespace kv
