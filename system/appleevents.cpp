// Requests received: the catch-all handler with its gate, the "appleEvent" message and the
// default handling of each request (the `appleEvent` command), with its reply.
#include "system/appleevents.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/objectsend.h"
#include "engine/scripterror.h"
#include "engine/sendmes.h"
#include "engine/textutil.h"
#include "engine/variables.h"
#include "engine/fred.h"
#include "platform/events/events.h"
#include "platform/ipc/programs.h"
#include "platform/memory/memory.h"
#include "platform/prefs/prefs.h"
#include "platform/process/process.h"
#include "platform/runtime/root.h"
#include "platform/speech/recognition.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "platform/time/datetime.h"
#include "shell/commandline.h"
#include "core/debugmsg.h"
#include "shell/eventqueue.h"
#include "shell/windowmanage.h"
#include "core/mainglobals.h"
#include "shell/mousewheel.h"
#include "shell/platformutil.h"
#include "shell/projectclose.h"
#include "shell/quit.h"
#include "shell/redraws.h"
#include "core/settings.h"
#include "shell/startup.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "store/forms.h"
#include "system/externalevents.h"
#include "system/programtargets.h"
#include "system/proctable.h"
#include "system/osascripts.h"
#include "system/remoteprocs.h"

namespace kv {

namespace {

constexpr i16 kRefusalText = 114;  // entry of list 1007: script requests from other machines
constexpr i16 kLineTooLong = 14;
constexpr u32 kHandOverFresh = 5;  // seconds a hand-over of the companion editor stays fresh

struct ReceiveState {
  CurrentRequest current;
  std::vector<u64> setaside;  // requests that came while a file dialog was up, in order
};

ReceiveState& rs() { return state<ReceiveState>(); }

bool getshort(const AppleEvent& e, AEKeyword key, bool attribute, i16* out) {
  Size n = 0;
  return (attribute ? AEGetAttributePtr(e, key, typeSInt16, nullptr, out, 2, &n)
                    : AEGetParamPtr(e, key, typeSInt16, nullptr, out, 2, &n)) == noErr;
}

bool getpsn(const AppleEvent& e, AEKeyword key, ProcessSerialNumber* psn, OSErr* err = nullptr) {
  Size n = 0;
  OSErr r = AEGetAttributePtr(e, key, typeProcessSerialNumber, nullptr, psn, 8, &n);
  if (err) *err = r;
  return r == noErr && n == 8;
}

// A parameter as text (all of it); false when it is missing or cannot be text.
bool paramtext(const AppleEvent& e, AEKeyword key, std::string* out) {
  AEDesc d;
  if (AEGetParamDesc(e, key, typeChar, &d) != noErr) return false;
  out->assign(d.data.begin(), d.data.end());
  return true;
}

void backquotes(std::string* s) {
  for (char& c : *s)
    if (c == '`') c = '"';
}

bool isremote(const AppleEvent& e) {
  i16 source = 0;
  if (getshort(e, keyEventSourceAttr, true, &source) && source == kAERemoteProcess) return true;
  AEDesc addr;
  return AEGetAttributeDesc(e, keyAddressAttr, typeWildCard, &addr) == noErr &&
         addr.descriptorType == typeApplicationURL;
}

bool isfront() {
  ProcessSerialNumber front{}, self{};
  GetFrontProcess(&front);
  GetCurrentProcess(&self);
  return front == self;
}

// Requests whose default handling runs script.
bool runsscript(u32 cls, u32 id) {
  return (cls == fourcc("misc") && (id == fourcc("dosc") || id == fourcc("eval"))) ||
         (cls == fourcc("ascr") && id == fourcc("psbr")) || (cls == fourcc("ANSR") && id == fourcc("QUIL"));
}

// Puts a value's text into the reply as the direct parameter.
void answertext(fred* value) {
  CurrentRequest& c = currentrequest();
  Handle h = nilhandle;
  if (fredtonewh(value, &h) == 0 && h != nilhandle) {
    if (c.sendit) AEPutParamPtr(c.sendit, keyDirectObject, typeChar, deref(h), GetHandleSize(h));
    DisposeHandle(h);
  }
}

i16 doscript(const AppleEvent& e) {
  std::string text;
  if (!paramtext(e, keyDirectObject, &text)) return 0;
  i16 st = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\r', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (line.size() > 255) return kLineTooLong;
    if (line.empty()) continue;
    backquotes(&line);
    st = cardsend(line, sendnormal, mainglobals().current.window);
    if (st != 0) break;
  }
  return st;
}

i16 evaluate(const AppleEvent& e) {
  std::string text;
  if (!paramtext(e, keyDirectObject, &text)) return 0;
  // The whole expression is evaluated, whatever its length.
  backquotes(&text);
  fred value{};
  i16 st = evalsend(text, &value);
  if (st == 0) answertext(&value);
  disposfred(&value);
  return st;
}

i16 subroutine(const AppleEvent& e) {
  std::string name;
  if (!paramtext(e, fourcc("snam"), &name)) return 0;
  u8 given[256];
  pstrassign(given, 256, name.data(), std::min<std::size_t>(name.size(), 255));
  const bool command = myequalstring(given, reinterpret_cast<const u8*>("\x09"
                                                                        "docommand"));
  AEDesc list;
  if (AEGetParamDesc(e, keyDirectObject, typeAEList, &list) != noErr) return 0;
  i32 count = 0;
  if (AECountItems(list, &count) != noErr) return 0;
  std::string message = command ? "" : name + "(";
  bool lastfailed = false;
  bool first = true;
  for (i32 i = 1; i <= count; ++i) {
    AEDesc item;
    lastfailed = AEGetNthDesc(list, i, typeChar, nullptr, &item) != noErr;
    if (lastfailed) continue;
    if (!first) message += command ? " " : ", ";
    first = false;
    message.append(item.data.begin(), item.data.end());
  }
  if (lastfailed) return 0;
  if (!command) message += ")";
  backquotes(&message);
  if (command) {
    Handle vars = NewHandle(0);
    i16 st = xcomsend(message, vars, 5);
    dumpvars(vars);
    return st;
  }
  fred value{};
  i16 st = evalsend(message, &value);
  if (st == 0) answertext(&value);
  disposfred(&value);
  return st;
}

// The hand-over of the companion editor, read once by the open-application request: fresh
// (at most 5 seconds old) it opens its project at its window and card. The keys are reset.
i16 handover() {
  MainGlobals& g = mainglobals();
  const std::optional<PrefValue> time = getpreference(kRuntimeDomain, "trantime");
  if (g.fromeditor == 0) {
    u32 now = 0;
    GetDateTime(&now);
    const u32 stored = time && time->type == PrefValue::Type::number ? u32(time->number) : 0;
    g.fromeditor = stored != 0 && now - stored <= kHandOverFresh ? 1 : 0;
  }
  setpreference(kRuntimeDomain, "trantime", PrefValue::ofnumber(0));
  const std::optional<PrefValue> file = getpreference(kRuntimeDomain, "tranfile");
  removepreference(kRuntimeDomain, "tranfile");
  i32 ids[2] = {1, 1};
  const char* keys[2] = {"tranwind", "trancard"};
  for (int k = 0; k < 2; ++k) {
    const std::optional<PrefValue> v = getpreference(kRuntimeDomain, keys[k]);
    if (g.fromeditor && v && v->type == PrefValue::Type::number) ids[k] = i32(v->number);
    setpreference(kRuntimeDomain, keys[k], PrefValue::ofnumber(0));
  }
  synchronizepreferences(kRuntimeDomain);
  if (!g.fromeditor || !file) return 0;
  const std::string path = file->type == PrefValue::Type::data ? std::string(file->data.begin(), file->data.end())
                                                               : macromantoutf8(file->text);
  const std::string name = utf8tomacroman(path);
  if (name.empty() || name.size() > 255) return 0;
  form f{};
  f.card.selector = selid;
  f.card.value = ids[1];
  f.wind.selector = selid;
  f.wind.value = ids[0];
  pstrassign(f.proj.name, 256, name.data(), name.size());
  if (!isfront()) {
    ProcessSerialNumber self{0, kCurrentProcess};
    SetFrontProcess(&self);
  }
  i16 st = openwindow(f, 0, 0);
  if (st == kCardChanged) st = 0;
  if (g.numwinds < 1) startuperror(st);
  return st;
}

i16 openapplication() {
  MainGlobals& g = mainglobals();
  i16 st = 0;
  if (currentsettings().standalone == 0) st = handover();
  if (g.numwinds > 0) return st;
  st = openfile();
  if (st != 0) startuperror(st);
  return st;
}

void activate(bool redraw) {
  MainGlobals& g = mainglobals();
  g.notfront = isfront() ? 0 : 1;
  if (g.notfront == 0) aerequeststate().broughtforward = 1;
  bringapptofront(0);
  if (redraw) draweditall();
}

i16 printdocuments() {
  MainGlobals& g = mainglobals();
  if (isfront()) g.notfront = 0;
  // Printing is not connected: the request is refused rather than answered as printed.
  return errAEEventNotHandled;
}

// The default handling by class and id; its status.
i16 defaulthandling(const AppleEvent& e, u32 cls, u32 id) {
  MainGlobals& g = mainglobals();
  if (runsscript(cls, id) && isremote(e) && remoterequeststate().remoterequests == 0) return errAEEventNotHandled;
  switch (cls) {
    case fourcc("ANSR"): return id == fourcc("QUIL") ? quilletanswer() : 0;
    case fourcc("aevt"):
      switch (id) {
        case fourcc("clos"): {
          i16 st = closewindow();
          WindowRef top = nilid;
          if (st == 0 && topwindow(&top)) {
            getwind(top, &g.current);
            hilitewindows();
          }
          return st;
        }
        case fourcc("oapp"): return openapplication();
        case fourcc("odoc"):
          if (isfront()) {
            g.notfront = 0;
            aerequeststate().broughtforward = 1;
          }
          return opendocs();
        case fourcc("pdoc"): return printdocuments();
        case fourcc("quit"): return aevtquit(1);
        case fourcc("rapp"): activate(false); return 0;
        default: return 0;
      }
    case fourcc("misc"):
      if (id == fourcc("dosc")) return doscript(e);
      if (id == fourcc("eval")) return evaluate(e);
      if (id == fourcc("actv")) activate(true);
      return 0;
    case fourcc("ascr"): {
      if (id == fourcc("psbr")) return subroutine(e);
      char line[64];
      const char c[4] = {char(cls >> 24), char(cls >> 16), char(cls >> 8), char(cls)};
      const char d[4] = {char(id >> 24), char(id >> 16), char(id >> 8), char(id)};
      std::snprintf(line, sizeof line, "Ignored AppleScript Request \"%.4s\", \"%.4s\", \"", c, d);
      WriteToConsole(std::string(line) + macromantoutf8(sendername(e)) + "\"");
      return 0;
    }
    default: return 0;
  }
}

void refusalreply(i16 st) {
  CurrentRequest& c = currentrequest();
  if (st == 0 || !c.sendit) return;
  std::string text;
  if (st > 0) {
    Str255 s{};
    scripterrortext(st, s);
    text.assign(reinterpret_cast<const char*>(s + 1), s[0]);
  } else if (st == errAEEventNotHandled) {
    const u8* s = resultstr(kRefusalText);
    text.assign(reinterpret_cast<const char*>(s + 1), s[0]);
  }
  AEPutParamPtr(c.sendit, keyErrorNumber, typeSInt16, &st, 2);
  AEPutParamPtr(c.sendit, keyErrorString, typeChar, text.data(), Size(text.size()));
}

struct Scoped {
  CurrentRequest saved;
  Scoped() : saved(currentrequest()) {}
  ~Scoped() { currentrequest() = saved; }
};

}  // namespace

CurrentRequest& currentrequest() { return rs().current; }

void setresult(OSErr err) {
  switch (err) {
    case errAEEventNotHandled: setresulttext(29); return;
    case errAETimeout: setresulttext(30); return;
    case noOutstandingHLE: setresulttext(28); return;
    case userCanceledErr: setresulttext(1); return;
    default: break;
  }
  const u8* format = resultstr(31);
  std::string f(reinterpret_cast<const char*>(format + 1), format[0]);
  std::string out;
  if (std::size_t at = f.find("%d"); at != std::string::npos)
    out = f.substr(0, at) + std::to_string(err) + f.substr(at + 2);
  else out = f;
  Handle& r = mainglobals().result;
  if (r == nilhandle) PtrToHand(out.data(), &r, Size(out.size()));
  else {
    SetHandleSize(r, Size(out.size()));
    if (!out.empty()) std::memcpy(deref(r), out.data(), out.size());
  }
}

std::string sendername(const AppleEvent& e) {
  std::string name;
  i16 source = 0;
  const bool gotsource = getshort(e, keyEventSourceAttr, true, &source);
  AEDesc url;
  if ((!gotsource || source == kAERemoteProcess) &&
      AEGetAttributeDesc(e, keyAddressAttr, typeApplicationURL, &url) == noErr && !url.data.empty()) {
    name.assign(url.data.begin(), url.data.end());
    if (name.size() > 255) name.resize(255);
  } else if (ProcessSerialNumber p{}; getpsn(e, keyAddressAttr, &p)) {
    if (p.lowLongOfPSN == kCurrentProcess || p.lowLongOfPSN == ownprogramid()) name = utf8tomacroman(programname());
    else name = utf8tomacroman(programnameof(joinedfolder(), p.lowLongOfPSN));
  }
  // A quote in the name would end its parameter of the message early.
  std::erase(name, '"');
  return name;
}

void inithandlers() {
  AEInstallEventHandler(typeWildCard, typeWildCard, getproc<39>(), 0);
  AEInstallCoercionHandler(typeAEList, typeChar, getproc<40>(), 0);
  AEInstallCoercionHandler(typeChar, typeAddress, getproc<41>(), 0);
}

i16 doapplevent(const EventRecord& event) {
  HighLevelRequest r;
  // The speech recognizer's results go to the handler installed for them.
  // A high-level event carries its class in the message and its id in the point's halves.
  const u32 id = u32(u16(event.where.v)) << 16 | u16(event.where.h);
  if (event.message == kSpeechDoneClass && id == kSpeechDoneId) {
    if (!takehighlevelrequest(&r)) return 0;
    if (auto handler = getproc<299>()) handler(r);
    return 0;
  }
  return AEProcessAppleEvent(event);
}

OSErr Psys7RTwildwild(const AppleEvent* event, AppleEvent* reply, i32) {
  MainGlobals& g = mainglobals();
  if (aerequeststate().aepending) {
    // Every request that comes is kept (not only the last), so that none stays unanswered.
    u64 token = 0;
    if (AESuspendTheCurrentEvent(event, &token) == noErr) {
      rs().setaside.push_back(token);
      aerequeststate().aependingevent = token;
    }
    return errAEEventNotHandled;
  }
  Scoped keep;
  CurrentRequest& c = currentrequest();
  c.gotit = event;
  c.sendit = reply && reply->descriptorType == typeAppleEvent ? reply : nullptr;
  ProcessSerialNumber addr{};
  OSErr e1 = noErr;
  getpsn(*event, keyAddressAttr, &addr, &e1);
  bool remote = false;
  if (e1 == errAECoercionFail) {
    e1 = noErr;
    remote = true;
  }
  Size n = 0;
  OSErr e2 = AEGetAttributePtr(*event, keyEventClassAttr, typeType, nullptr, &c.currentclass, 4, &n);
  OSErr e3 = AEGetAttributePtr(*event, keyEventIDAttr, typeType, nullptr, &c.currentid, 4, &n);
  const OSErr err = OSErr(e1 | e2 | e3);
  if (err != noErr) {
    if (!(c.currentclass == fourcc("aevt") && c.currentid == fourcc("oapp") && err == errAEDescNotFound))
      return errAEEventNotHandled;
  } else {
    if (osarunstate().compilingosa) return errAEEventNotHandled;
    if (osarunstate().runningosa && !remote) {
      i16 source = 0;
      ProcessSerialNumber from{};
      if (!getshort(*event, keyEventSourceAttr, true, &source) || !getpsn(*event, keyOriginalAddressAttr, &from))
        return errAEEventNotHandled;
      const bool self = addr == ProcessSerialNumber{0, kCurrentProcess} &&
                        from == ProcessSerialNumber{0, kCurrentProcess} && source == kAEDirectCall;
      const u32 cl = c.currentclass, id = c.currentid;
      const bool allowed = (cl == fourcc("aevt") &&
                            (id == fourcc("odoc") || id == fourcc("pdoc") || id == fourcc("quit") ||
                             id == fourcc("clos") || id == fourcc("oapp"))) ||
                           runsscript(cl, id);
      if (self && !allowed) return errAEEventNotHandled;
    }
  }
  if (g.numwinds < 1) {
    // With no window the request is handled as a script command would be; the event itself
    // is answered as handled.
    (void)comappleevent({}, nilhandle, nilhandle, 0, nilhandle);
    return noErr;
  }
  if (c.currentclass == kWheelRequestClass) {
    AEDesc d;
    if (c.currentid == kWheelRequestId && AEGetParamDesc(*event, keyDirectObject, typeEventRecord, &d) == noErr &&
        d.data.size() == sizeof(EventRecord)) {
      EventRecord wheel{};
      std::memcpy(&wheel, d.data.data(), sizeof wheel);
      HandleMouseWheelAppleEvent(wheel);
    }
    return noErr;
  }
  const char cl[4] = {char(c.currentclass >> 24), char(c.currentclass >> 16), char(c.currentclass >> 8),
                      char(c.currentclass)};
  const char id[4] = {char(c.currentid >> 24), char(c.currentid >> 16), char(c.currentid >> 8), char(c.currentid)};
  std::string message = "appleEvent \"" + std::string(cl, 4) + "\", \"" + std::string(id, 4) + "\", \"";
  message += sendername(*event);
  if (c.currentclass == fourcc("ascr") && (c.currentid == fourcc("gdte") || c.currentid == fourcc("gdut")))
    return errAEEventNotHandled;
  message += '"';
  if (cardsend(message, sendnormal, g.current.window) == 1) return errAEEventNotHandled;
  return noErr;
}

void resumesetaside() {
  aerequeststate().aepending = 0;
  aerequeststate().aependingevent = 0;
  const std::vector<u64> tokens = std::exchange(rs().setaside, {});
  for (u64 t : tokens) AEResumeTheCurrentEvent(t);
}

scriptstatus comappleevent(hierpath, Handle, Handle, i32, Handle) {
  CurrentRequest& c = currentrequest();
  if (!c.gotit) return 0;
  const i16 st = defaulthandling(*c.gotit, c.currentclass, c.currentid);
  refusalreply(st);
  return 0;
}

i16 opendocs() {
  MainGlobals& g = mainglobals();
  CurrentRequest& c = currentrequest();
  AEDesc list;
  i32 count = 0;
  i16 st = 0;
  OSErr e = errAEDescNotFound;
  if (c.gotit) e = AEGetParamDesc(*c.gotit, keyDirectObject, typeAEList, &list);
  if (e != noErr) {
    st = e;
  } else if (OSErr e2 = AECountItems(list, &count); e2 != noErr) {
    st = e2;
  } else {
    for (i32 i = 1; i <= count; ++i) {
      AEDesc item;
      if (OSErr r = AEGetNthDesc(list, i, typeFileURL, nullptr, &item); r != noErr) {
        st = r;
        continue;
      }
      st = openprojectpath(std::string(item.data.begin(), item.data.end()));
    }
  }
  if (g.numwinds < 1) startuperror(st);
  if (st != 0) doerror(st);
  return st;
}

i16 quilletanswer() {
  CurrentRequest& c = currentrequest();
  std::string text;
  if (!c.gotit || !paramtext(*c.gotit, keyDirectObject, &text)) return 0;
  std::string name = text, answer;
  if (std::size_t cr = text.find('\r'); cr != std::string::npos) {
    name = text.substr(0, cr);
    answer = text.substr(cr + 1);
  }
  Handle vars = NewHandle(0);
  Handle h = nilhandle;
  PtrToHand(answer.data(), &h, Size(answer.size()));
  i16 st = vars != nilhandle && h != nilhandle ? handtoit(h, vars) : i16(37);
  if (h != nilhandle) DisposeHandle(h);
  if (st == 0) st = xcomsend(name + " it", vars, sendnormal);
  dumpvars(vars);
  return st;
}

i16 notify(i32 timeout) {
  OSErr e = AEInteractWithUser(timeout, nullptr, getproc<43>());
  if (e != noErr) {
    setresult(e);
    return e;
  }
  mainglobals().notfront = 0;
  return 0;
}

i16 aevtquit(u16 quitafter) {
  MainGlobals& g = mainglobals();
  if (aerequeststate().busyref[0] != 0 || aerequeststate().busyref[1] != 0 || aerequeststate().busyref[2] != 0) {
    KVBeep(1);
    return 1;
  }
  WindowRef top = nilid;
  if (topwindow(&top)) getwind(top, &g.current);
  if (sendxrtnevent(nilid, kXrtnQuit, nullptr) != 0) return 0;
  setuptran(0);
  aerequeststate().quitbyevent = quitafter;
  while (!g.plugin && g.numwinds > 0 && g.winds != nilhandle) {
    g.current = HandleAs<desk>(g.winds)[0];
    // The last window's "quitKestrove" may cancel the quit, as it does for the quit command.
    if (g.numwinds == 1 && cardsend("quitKestrove", sendnormal, g.current.window) == statusexittotop) {
      aerequeststate().quitbyevent = 0;
      return 0;
    }
    i16 st = closefirst();
    if (st != 0 && st != kCardChanged) {
      aerequeststate().quitbyevent = 0;
      return st;
    }
    dumpcurrent();
  }
  aerequeststate().quitbyevent = 0;
  if (quitafter) quitfile();
  return 0;
}

}  // namespace kv
