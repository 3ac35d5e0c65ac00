// Scripts and requests: reading and answering the current request (`request appleEvent ...`,
// `reply ...`), asking another program to evaluate an expression (`request ... from program`)
// and sending it a message (`send ... to program`), with the reply turned into text.
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/ipc/programs.h"
#include "platform/memory/memory.h"
#include "platform/text/macroman.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "platform/events/events.h"
#include "shell/platformutil.h"
#include "core/runservices.h"
#include "shell/windowmanage.h"
#include "system/appleevents.h"
#include "system/programtargets.h"
#include "system/proctable.h"
#include "system/remoteprocs.h"

namespace kv {

namespace {

constexpr i16 kNotUnderstood = 2, kLeftOver = 19, kNoFrom = 46, kNoKeyword = 128, kBadKeyword = 129, kNoProgram = 127,
              kNoMemory = 37;
constexpr i16 kNotFoundText = 9, kNoProgramText = 35;

bool atend(Handle atoms, i32 at) {
  const u16 t = tokenat(atoms, at);
  return t == tok::endofline || t == tok::endofscript;
}

// Evaluates the expression at `at` into its text; `used` the atoms it took.
scriptstatus exprtext(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, std::string* out) {
  fred v{};
  i16 st = expression(path, text, atoms, at, variables, nilhandle, used, &v);
  if (st != 0) return st;
  Handle h = nilhandle;
  st = fredtonewh(&v, &h);
  disposfred(&v);
  if (st != 0) return st;
  out->assign(reinterpret_cast<const char*>(deref(h)), std::size_t(GetHandleSize(h)));
  DisposeHandle(h);
  return 0;
}

i16 bytestoit(const std::vector<u8>& bytes, Handle variables) {
  Handle h = nilhandle;
  if (PtrToHand(bytes.data(), &h, Size(bytes.size())) != noErr) return kNoMemory;
  i16 st = handtoit(h, variables);
  DisposeHandle(h);
  return st;
}

void textresult(std::string_view text) {
  Handle& r = mainglobals().result;
  if (r == nilhandle) {
    PtrToHand(text.data(), &r, Size(text.size()));
    return;
  }
  SetHandleSize(r, Size(text.size()));
  if (!text.empty()) std::memcpy(deref(r), text.data(), text.size());
}

bool isattribute(u32 key) {
  for (u32 a : {keyTransactionIDAttr, keyReturnIDAttr, keyEventClassAttr, keyEventIDAttr, keyAddressAttr,
                keyOptionalKeywordAttr, keyTimeoutAttr, keyInteractLevelAttr, keyEventSourceAttr, keyMissedKeywordAttr})
    if (a == key) return true;
  return false;
}

u32 codeof(const std::string& s) {
  return u32(u8(s[0])) << 24 | u32(u8(s[1])) << 16 | u32(u8(s[2])) << 8 | u32(u8(s[3]));
}

// Reads a part of the current request into `it`.
scriptstatus readrequest(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  CurrentRequest& c = currentrequest();
  if (!c.gotit) {
    setresult(noOutstandingHLE);
    return 0;
  }
  const u16 word = tokenat(atoms, at);
  if (word == tok::id || word == tok::class_) {
    if (!atend(atoms, at + 1)) return kLeftOver;
    const u32 code = word == tok::id ? c.currentid : c.currentclass;
    const u8 s[5] = {4, u8(code >> 24), u8(code >> 16), u8(code >> 8), u8(code)};
    return stringtoit(s, variables);
  }
  if (word == tok::sender) {
    if (!atend(atoms, at + 1)) return kLeftOver;
    const std::string name = sendername(*c.gotit);
    return bytestoit(std::vector<u8>(name.begin(), name.end()), variables);
  }
  u32 key = keyDirectObject;
  bool attribute = false;
  if (word == tok::cr) {
    if (tokenat(atoms, at + 1) != tok::id) return kNotUnderstood;
    if (!atend(atoms, at + 2)) return kLeftOver;
    key = keyReturnIDAttr;
    attribute = true;
  } else if (word == tok::data) {
    i32 pos = at + 1;
    const u16 t = tokenat(atoms, pos);
    if (t == tok::with || t == tok::in) {
      if (tokenat(atoms, pos + 1) != tok::keyword) return kNoKeyword;
      std::string k;
      i32 used = 0;
      if (i16 st = exprtext(path, text, atoms, pos + 2, variables, &used, &k); st != 0) return st;
      if (k.size() != 4) return kBadKeyword;
      key = codeof(k);
      attribute = isattribute(key);
      pos += 2 + used;
    }
    if (!atend(atoms, pos)) return kLeftOver;
  } else {
    return kNotUnderstood;
  }
  AEDesc d;
  const OSErr e = attribute ? AEGetAttributeDesc(*c.gotit, key, typeChar, &d)
                            : AEGetParamDesc(*c.gotit, key, typeChar, &d);
  if (e != noErr) {
    stringtoit(reinterpret_cast<const u8*>(""), variables);
    setresulttext(kNotFoundText);
    return 0;
  }
  return bytestoit(d.data, variables);
}

// The address of a program named by text: an 'aprl' URL or a 'psn ' of a running program.
bool targetof(const std::string& name, AEDesc* out) {
  u8 p[256];
  pstrassign(p, 256, name.data(), name.size());
  // While requests to other machines are not allowed, a program there is not even looked for:
  // the send fails as it would on the way (-906).
  u8 scheme[8] = {7};
  std::memcpy(scheme + 1, name.data(), std::min<std::size_t>(name.size(), 7));
  if (name.size() >= 7 &&
      myequalstring(scheme, reinterpret_cast<const u8*>("\x07"
                                                        "eppc://")) &&
      remoterequeststate().remoterequests == 0) {
    AECreateDesc(typeApplicationURL, name.data(), Size(name.size()), out);
    return true;
  }
  if (stringIsValidApplicationURL(p)) {
    AECreateDesc(typeApplicationURL, name.data(), Size(name.size()), out);
    return true;
  }
  ProcessSerialNumber psn{};
  if (stringIsValidLocalProcess(p) && stringtopsnX(p, &psn) == 0) {
    AECreateDesc(typeProcessSerialNumber, &psn, 8, out);
    return true;
  }
  return false;
}

// Sends a request built for `address`: requests leave the machine only while the user allows
// requests to other machines (else they fail as on the way, -906).
OSErr sendtoprogram(const AEDesc& address, const AppleEvent& event, AppleEvent* reply, i32 mode) {
  if (address.descriptorType == typeApplicationURL && remoterequeststate().remoterequests == 0) return noResponseErr;
  return AESend(event, reply, mode | kAEAlwaysInteract, 0, mainglobals().appleEventTimeout, getproc<43>(),
                getproc<44>());
}

// Asks another program to evaluate an expression; the answer goes into `it`.
scriptstatus requestfromprogram(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  std::string expr, target;
  i32 used = 0;
  if (i16 st = exprtext(path, text, atoms, at, variables, &used, &expr); st != 0) return st;
  i32 pos = at + used;
  if (tokenat(atoms, pos) != tok::from) return kNoFrom;
  if (tokenat(atoms, pos + 1) != tok::program) return kNoProgram;
  if (i16 st = exprtext(path, text, atoms, pos + 2, variables, &used, &target); st != 0) return st;
  AEDesc address;
  if (!targetof(target, &address)) return setresulttext(kNoProgramText);
  if (!atend(atoms, pos + 2 + used)) return kLeftOver;
  stringtoit(reinterpret_cast<const u8*>(""), variables);
  AppleEvent event, reply;
  OSErr e = AECreateAppleEvent(fourcc("misc"), fourcc("eval"), address, -1, 0, &event);
  if (e == noErr) e = AEPutParamPtr(&event, keyDirectObject, typeChar, expr.data(), Size(expr.size()));
  if (e == noErr) e = sendtoprogram(address, event, &reply, kAEWaitReply);
  if (e == noErr) extractdata(reply, variables);
  else setresult(e);
  return 0;
}

}  // namespace

scriptstatus comrequest(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (tokenat(atoms, at + 1) == tok::ae) return readrequest(path, text, atoms, at + 2, variables);
  return requestfromprogram(path, text, atoms, at + 1, variables);
}

scriptstatus comreply(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  CurrentRequest& c = currentrequest();
  if (!c.gotit) {
    setresult(noOutstandingHLE);
    return 0;
  }
  u32 key = keyDirectObject;
  i32 pos = at + 1;
  if (tokenat(atoms, pos) == tok::error) {
    key = keyErrorString;
    ++pos;
  }
  std::string value;
  i32 used = 0;
  if (i16 st = exprtext(path, text, atoms, pos, variables, &used, &value); st != 0) return st;
  pos += used;
  if (tokenat(atoms, pos) == tok::with && tokenat(atoms, pos + 1) == tok::keyword) {
    std::string k;
    if (i16 st = exprtext(path, text, atoms, pos + 2, variables, &used, &k); st != 0) return st;
    if (k.size() != 4) return kBadKeyword;
    key = codeof(k);
    pos += 2 + used;
  }
  if (!atend(atoms, pos)) return kLeftOver;
  OSErr e = errAEReplyNotValid;
  if (c.sendit) e = AEPutParamPtr(c.sendit, key, typeChar, value.data(), Size(value.size()));
  if (e != noErr) setresult(e);
  return 0;
}

scriptstatus sendae(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, std::string_view message,
                    bool empty, bool file) {
  std::string target, with;
  i32 used = 0;
  if (i16 st = exprtext(path, text, atoms, at, variables, &used, &target); st != 0) return st;
  i32 pos = at + used;
  i32 mode = kAEWaitReply;
  auto replyoption = [&]() {
    const u16 t = tokenat(atoms, pos);
    if ((t == tok::without || t == tok::queue) && tokenat(atoms, pos + 1) == tok::reply) {
      mode = t == tok::without ? kAENoReply : kAEQueueReply;
      pos += 2;
    }
  };
  replyoption();
  u32 cls = fourcc("misc"), id = fourcc("dosc");
  if (tokenat(atoms, pos) == tok::with) {
    if (i16 st = exprtext(path, text, atoms, pos + 1, variables, &used, &with); st != 0) return st;
    pos += 1 + used;
    if (with.size() >= 4) cls = codeof(with);
    if (with.size() >= 8) id = codeof(with.substr(4));
    if (tokenat(atoms, pos) == tok::without && tokenat(atoms, pos + 1) == tok::reply) {
      mode = kAENoReply;
      pos += 2;
    }
  }
  if (!atend(atoms, pos)) return kLeftOver;
  AEDesc address;
  if (!targetof(target, &address)) return setresulttext(kNoProgramText);
  AppleEvent event, reply;
  OSErr e = AECreateAppleEvent(cls, id, address, -1, 0, &event);
  if (e == noErr && !empty) {
    if (file) {
      const std::string path8 = macromantofilename(message);
      AEDesc list;
      AECreateList(false, &list);
      e = AEPutPtr(&list, 0, typeFileURL, path8.data(), Size(path8.size()));
      if (e == noErr) e = AEPutParamDesc(&event, keyDirectObject, list);
    } else {
      e = AEPutParamPtr(&event, keyDirectObject, typeChar, message.data(), Size(message.size()));
    }
  }
  if (e == noErr) e = sendtoprogram(address, event, &reply, mode);
  if (e != noErr) setresult(e);
  else if (mode == kAEWaitReply) extractdata(reply, nilhandle);
  return 0;
}

void extractdata(const AppleEvent& reply, Handle variables) {
  AEDesc d;
  if (AEGetParamDesc(reply, keyDirectObject, typeChar, &d) == noErr) {
    if (variables != nilhandle) bytestoit(d.data, variables);
    else textresult(std::string(d.data.begin(), d.data.end()));
  }
  i16 n = 0;
  Size got = 0;
  if (AEGetParamPtr(reply, keyErrorNumber, typeSInt16, nullptr, &n, 2, &got) == noErr) {
    // The registered mark stands in Mac Roman (0xA8).
    textresult("Got error number " + std::to_string(n) + " from Apple\xA8 event");
  }
  AEDesc s;
  if (AEGetParamDesc(reply, keyErrorString, typeChar, &s) == noErr)
    textresult(std::string(s.data.begin(), s.data.end()));
}

Boolean Psys7RTidleproc(EventRecord* event, i32* sleep, void*) {
  if (event->what == nullEvent && sleep) *sleep = 10;
  if (event->what == updateEvt) updatewindow(WindowRef(event->message), 1);
  if (isabort(event->when)) {
    FlushEvents(keyDownMask | keyUpMask | autoKeyMask, 0);
    return 1;
  }
  return 0;
}

Boolean Psys7RTeventproc(EventRecord*, i32, i32, const AEAddressDesc*) { return 1; }

}  // namespace kv
