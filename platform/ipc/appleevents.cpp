#include "platform/ipc/appleevents.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "platform/backend/backend.h"
#include "platform/events/events.h"
#include "platform/ipc/programs.h"
#include "platform/ipc/remote.h"
#include "platform/runtime/root.h"
#include "platform/text/macroman.h"

namespace kv {

namespace {

constexpr int kInjected = -2;  // the connection of an event a test injected as a remote one

struct Handlerrow {
  AEEventHandlerProcPtr proc = nullptr;
  i32 refcon = 0;
};
struct Coercionrow {
  AECoercionHandlerProcPtr proc = nullptr;
  i32 refcon = 0;
};

// An event on its way through the handlers, and where its reply goes.
struct Current {
  AppleEvent event;
  int connection = -1;  // a socket, kInjected, or -1 (in process)
  bool wantsreply = false;
  bool suspended = false;
};

struct AEState {
  std::map<std::pair<u32, u32>, Handlerrow> handlers;
  std::map<std::pair<u32, u32>, Coercionrow> coercions;
  std::map<u64, Current> suspended;
  u64 nexttoken = 1;
  Current* current = nullptr;  // the event being handled (innermost)
  std::vector<AppleEvent> injectedreplies;
};

AEState& as() { return state<AEState>(); }

std::vector<std::pair<AEKeyword, AEDesc>>::const_iterator findkey(const std::vector<std::pair<AEKeyword, AEDesc>>& v,
                                                                  AEKeyword key) {
  return std::find_if(v.begin(), v.end(), [key](const auto& p) { return p.first == key; });
}

void putkeyed(std::vector<std::pair<AEKeyword, AEDesc>>* v, AEKeyword key, AEDesc desc) {
  for (auto& p : *v) {
    if (p.first == key) {
      p.second = std::move(desc);
      return;
    }
  }
  v->emplace_back(key, std::move(desc));
}

AEDesc plain(DescType type, const void* data, std::size_t size) {
  AEDesc d;
  d.descriptorType = type;
  const u8* p = static_cast<const u8*>(data);
  if (size > 0 && p) d.data.assign(p, p + size);
  return d;
}

template <class T>
AEDesc number(DescType type, T v) {
  return plain(type, &v, sizeof v);
}

// The value of a number descriptor; false when it is none.
bool numberof(const AEDesc& d, i64* v) {
  if (d.descriptorType == typeSInt16 && d.data.size() == 2) {
    i16 x;
    std::memcpy(&x, d.data.data(), 2);
    *v = x;
    return true;
  }
  if (d.descriptorType == typeSInt32 && d.data.size() == 4) {
    i32 x;
    std::memcpy(&x, d.data.data(), 4);
    *v = x;
    return true;
  }
  if (d.descriptorType == typeChar || d.descriptorType == typeUTF8Text) {
    std::string t(d.data.begin(), d.data.end());
    std::size_t a = t.find_first_not_of(' '), b = t.find_last_not_of(' ');
    if (a == std::string::npos) return false;
    t = t.substr(a, b - a + 1);
    std::size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
    if (i == t.size() || t.size() > 11) return false;
    i64 n = 0;
    for (std::size_t k = i; k < t.size(); ++k) {
      if (t[k] < '0' || t[k] > '9') return false;
      n = n * 10 + (t[k] - '0');
    }
    *v = t[0] == '-' ? -n : n;
    return true;
  }
  return false;
}

bool iscode(DescType t) { return t == typeType || t == typeEnumerated || t == typeKeyword; }

OSErr builtincoercion(const AEDesc& d, DescType want, AEDesc* out) {
  const DescType have = d.descriptorType;
  if (want == typeAEList) {
    AEDesc list;
    list.descriptorType = typeAEList;
    list.items.emplace_back(0, d);
    *out = std::move(list);
    return noErr;
  }
  if (have == typeAEList && d.items.size() == 1 && !isaggregate(want))
    return AECoerceDesc(d.items[0].second, want, out);
  // A record of a type of its own (keyed items, no data: styled text 'STXT', say) is a record.
  if (want == typeAERecord && !isaggregate(have) && d.data.empty() && !d.items.empty()) {
    *out = d;
    out->descriptorType = typeAERecord;
    return noErr;
  }
  if (isaggregate(have) || have == typeNull) return errAECoercionFail;
  const std::string bytes(d.data.begin(), d.data.end());
  i64 n = 0;
  switch (want) {
    case typeChar:
      if (have == typeUTF8Text || have == typeFileURL) {
        const std::string t = have == typeFileURL ? filenametomacroman(bytes) : utf8tomacroman(bytes);
        *out = plain(typeChar, t.data(), t.size());
        return noErr;
      }
      if (have == typeApplicationURL) {
        *out = plain(typeChar, bytes.data(), bytes.size());
        return noErr;
      }
      if (iscode(have) && d.data.size() == 4) {
        u32 c;
        std::memcpy(&c, d.data.data(), 4);
        const char t[4] = {char(c >> 24), char(c >> 16), char(c >> 8), char(c)};
        *out = plain(typeChar, t, 4);
        return noErr;
      }
      if (numberof(d, &n)) {
        const std::string t = std::to_string(n);
        *out = plain(typeChar, t.data(), t.size());
        return noErr;
      }
      return errAECoercionFail;
    case typeUTF8Text:
    case typeFileURL:
      if (have == typeChar || have == typeUTF8Text || have == typeFileURL) {
        const std::string t = have == typeChar
                                  ? (want == typeFileURL ? macromantofilename(bytes) : macromantoutf8(bytes))
                                  : bytes;
        *out = plain(want, t.data(), t.size());
        return noErr;
      }
      return errAECoercionFail;
    case typeSInt16:
      if (numberof(d, &n) && n >= -32768 && n <= 32767) {
        *out = number(typeSInt16, i16(n));
        return noErr;
      }
      return errAECoercionFail;
    case typeSInt32:
      if (numberof(d, &n) && n >= INT32_MIN && n <= INT32_MAX) {
        *out = number(typeSInt32, i32(n));
        return noErr;
      }
      return errAECoercionFail;
    case typeType:
    case typeEnumerated:
    case typeKeyword:
      if (iscode(have) && d.data.size() == 4) {
        *out = plain(want, d.data.data(), 4);
        return noErr;
      }
      if (have == typeChar && d.data.size() == 4) {
        const u32 c = u32(d.data[0]) << 24 | u32(d.data[1]) << 16 | u32(d.data[2]) << 8 | d.data[3];
        *out = number(want, c);
        return noErr;
      }
      return errAECoercionFail;
    default: return errAECoercionFail;
  }
}

OSErr copyout(const AEDesc& d, DescType* type, void* buf, Size max, Size* actual) {
  if (type) *type = d.descriptorType;
  if (actual) *actual = Size(d.data.size());
  if (buf && max > 0) std::memcpy(buf, d.data.data(), std::min<std::size_t>(std::size_t(max), d.data.size()));
  return noErr;
}

OSErr readkeyed(const std::vector<std::pair<AEKeyword, AEDesc>>& v, AEKeyword key, DescType desired, AEDesc* out) {
  auto it = findkey(v, key);
  if (it == v.end()) return errAEDescNotFound;
  return AECoerceDesc(it->second, desired, out);
}

AppleEvent newreply() {
  AppleEvent r;
  r.descriptorType = typeAppleEvent;
  const u32 cls = fourcc("aevt"), id = fourcc("ansr");
  AEPutAttributePtr(&r, keyEventClassAttr, typeType, &cls, 4);
  AEPutAttributePtr(&r, keyEventIDAttr, typeType, &id, 4);
  return r;
}

// Runs an event through its handler: the reply (a null descriptor when none is wanted) gets
// the handler's error as 'errn' when the handler put none there.
OSErr dispatch(Current& c, AppleEvent* reply) {
  AEState& s = as();
  u32 cls = 0, id = 0;
  AEGetAttributePtr(c.event, keyEventClassAttr, typeType, nullptr, &cls, 4, nullptr);
  AEGetAttributePtr(c.event, keyEventIDAttr, typeType, nullptr, &id, 4, nullptr);
  const Handlerrow* h = nullptr;
  for (auto key : {std::pair{cls, id}, std::pair{cls, u32(typeWildCard)}, std::pair{u32(typeWildCard), id},
                   std::pair{u32(typeWildCard), u32(typeWildCard)}}) {
    if (auto it = s.handlers.find(key); it != s.handlers.end()) {
      h = &it->second;
      break;
    }
  }
  *reply = c.wantsreply ? newreply() : AppleEvent{};
  if (!h) return errAEEventNotHandled;
  Current* outer = s.current;
  s.current = &c;
  const AEEventHandlerProcPtr proc = h->proc;
  const i32 refcon = h->refcon;
  OSErr err = proc(&c.event, reply, refcon);
  s.current = outer;
  if (err != noErr && c.wantsreply && findkey(reply->items, keyErrorNumber) == reply->items.end()) {
    const i16 e = err;
    AEPutParamPtr(reply, keyErrorNumber, typeSInt16, &e, 2);
  }
  return err;
}

void deliver(const Current& c, const AppleEvent& reply) {
  if (c.connection == kInjected) {
    as().injectedreplies.push_back(reply);
    return;
  }
  if (c.connection < 0) return;
  if (RemoteEndpoint* r = ownremoteendpoint(); r && r->owns(c.connection)) {
    if (c.wantsreply) r->answer(c.connection, reply);
    else r->drop(c.connection);
    return;
  }
  if (ProgramEndpoint* e = ownendpoint(); e && c.wantsreply) {
    e->answer(c.connection, reply);
  } else if (e) {
    e->drop(c.connection);
  }
}

OSErr runandreply(Current c) {
  AppleEvent reply;
  OSErr err = dispatch(c, &reply);
  if (c.suspended) return err;
  deliver(c, reply);
  return err;
}

bool isself(const AEDesc& target) {
  if (target.descriptorType != typeProcessSerialNumber || target.data.size() != 8) return false;
  ProcessSerialNumber p;
  std::memcpy(&p, target.data.data(), 8);
  return p.highLongOfPSN == 0 && (p.lowLongOfPSN == kCurrentProcess || p.lowLongOfPSN == ownprogramid());
}

void stamp(AppleEvent* e, u32 senderid, i16 source) {
  const ProcessSerialNumber from{0, senderid};
  AEPutAttributePtr(e, keyOriginalAddressAttr, typeProcessSerialNumber, &from, 8);
  AEPutAttributePtr(e, keyEventSourceAttr, typeSInt16, &source, 2);
}

struct WaitContext {
  AEIdleProcPtr idle;
  u64 lastnanos;
};

// Every tenth of a second of a wait: the idle procedure sees a null event; headless, the
// virtual clock moves by the time waited.
bool waitidle(void* context) {
  auto* w = static_cast<WaitContext*>(context);
  Backend& b = backend();
  if (b.headless()) b.sleepuntilnanos(b.uptimenanos() + 100'000'000ull);
  if (!w->idle) return false;
  EventRecord e{};
  e.when = b.ticks();
  i32 sleep = 0;
  return w->idle(&e, &sleep, nullptr) != 0;
}

}  // namespace

bool isaggregate(DescType type) { return type == typeAEList || type == typeAERecord || type == typeAppleEvent; }

OSErr AECreateDesc(DescType type, const void* data, Size size, AEDesc* out) {
  if (size < 0) return paramErr;
  *out = plain(type, data, std::size_t(size));
  return noErr;
}

OSErr AECreateList(bool isrecord, AEDesc* out) {
  *out = AEDesc{};
  out->descriptorType = isrecord ? typeAERecord : typeAEList;
  return noErr;
}

void AEDisposeDesc(AEDesc* desc) { *desc = AEDesc{}; }

OSErr AECountItems(const AEDesc& list, i32* count) {
  if (!isaggregate(list.descriptorType)) return errAEWrongDataType;
  *count = i32(list.items.size());
  return noErr;
}

OSErr AEPutPtr(AEDesc* list, i32 index, DescType type, const void* data, Size size) {
  if (size < 0) return paramErr;
  return AEPutDesc(list, index, plain(type, data, std::size_t(size)));
}

OSErr AEPutDesc(AEDesc* list, i32 index, const AEDesc& item) {
  if (list->descriptorType != typeAEList) return errAEWrongDataType;
  const i32 n = i32(list->items.size());
  if (index < 0 || index > n + 1) return errAEIllegalIndex;
  if (index == 0 || index == n + 1) list->items.emplace_back(0, item);
  else list->items[std::size_t(index - 1)].second = item;
  return noErr;
}

OSErr AEGetNthDesc(const AEDesc& list, i32 index, DescType desired, AEKeyword* key, AEDesc* out) {
  if (!isaggregate(list.descriptorType)) return errAEWrongDataType;
  if (index < 1 || index > i32(list.items.size())) return errAEIllegalIndex;
  const auto& item = list.items[std::size_t(index - 1)];
  if (key) *key = item.first;
  return AECoerceDesc(item.second, desired, out);
}

OSErr AEGetNthPtr(const AEDesc& list, i32 index, DescType desired, AEKeyword* key, DescType* type, void* buf, Size max,
                  Size* actual) {
  AEDesc d;
  if (OSErr e = AEGetNthDesc(list, index, desired, key, &d); e != noErr) return e;
  return copyout(d, type, buf, max, actual);
}

OSErr AECoerceDesc(const AEDesc& desc, DescType desired, AEDesc* out) {
  if (desired == desc.descriptorType || desired == typeWildCard) {
    *out = desc;
    return noErr;
  }
  AEState& s = as();
  if (auto it = s.coercions.find({desc.descriptorType, desired}); it != s.coercions.end()) {
    AEDesc result;
    const Coercionrow row = it->second;
    OSErr e = row.proc(&desc, desired, row.refcon, &result);
    if (e != noErr) return errAECoercionFail;
    *out = std::move(result);
    return noErr;
  }
  return builtincoercion(desc, desired, out);
}

OSErr AECoercePtr(DescType type, const void* data, Size size, DescType desired, AEDesc* out) {
  if (size < 0) return paramErr;
  return AECoerceDesc(plain(type, data, std::size_t(size)), desired, out);
}

OSErr AECreateAppleEvent(AEEventClass cls, AEEventID id, const AEAddressDesc& target, i16 returnID, i32 transactionID,
                         AppleEvent* out) {
  *out = AppleEvent{};
  out->descriptorType = typeAppleEvent;
  AEPutAttributePtr(out, keyEventClassAttr, typeType, &cls, 4);
  AEPutAttributePtr(out, keyEventIDAttr, typeType, &id, 4);
  AEPutAttributeDesc(out, keyAddressAttr, target);
  // A new return id (-1 asks for one) numbers the exchange.
  static_assert(sizeof(i16) == 2);
  const i32 rtid = returnID == -1 ? i32(as().nexttoken++ & 0x7FFF) : returnID;
  AEPutAttributePtr(out, keyReturnIDAttr, typeSInt32, &rtid, 4);
  AEPutAttributePtr(out, keyTransactionIDAttr, typeSInt32, &transactionID, 4);
  return noErr;
}

OSErr AEPutParamPtr(AppleEvent* event, AEKeyword key, DescType type, const void* data, Size size) {
  if (size < 0) return paramErr;
  return AEPutParamDesc(event, key, plain(type, data, std::size_t(size)));
}

OSErr AEPutParamDesc(AppleEvent* event, AEKeyword key, const AEDesc& desc) {
  if (event->descriptorType != typeAppleEvent && event->descriptorType != typeAERecord) return errAENotAEDesc;
  putkeyed(&event->items, key, desc);
  return noErr;
}

OSErr AEGetParamDesc(const AppleEvent& event, AEKeyword key, DescType desired, AEDesc* out) {
  return readkeyed(event.items, key, desired, out);
}

OSErr AEGetParamPtr(const AppleEvent& event, AEKeyword key, DescType desired, DescType* type, void* buf, Size max,
                    Size* actual) {
  AEDesc d;
  if (OSErr e = AEGetParamDesc(event, key, desired, &d); e != noErr) return e;
  return copyout(d, type, buf, max, actual);
}

OSErr AEPutAttributePtr(AppleEvent* event, AEKeyword key, DescType type, const void* data, Size size) {
  if (size < 0) return paramErr;
  return AEPutAttributeDesc(event, key, plain(type, data, std::size_t(size)));
}

OSErr AEPutAttributeDesc(AppleEvent* event, AEKeyword key, const AEDesc& desc) {
  if (event->descriptorType != typeAppleEvent) return errAENotAEDesc;
  putkeyed(&event->attributes, key, desc);
  return noErr;
}

OSErr AEGetAttributeDesc(const AppleEvent& event, AEKeyword key, DescType desired, AEDesc* out) {
  if (event.descriptorType != typeAppleEvent) return errAENotAEDesc;
  return readkeyed(event.attributes, key, desired, out);
}

OSErr AEGetAttributePtr(const AppleEvent& event, AEKeyword key, DescType desired, DescType* type, void* buf, Size max,
                        Size* actual) {
  AEDesc d;
  if (OSErr e = AEGetAttributeDesc(event, key, desired, &d); e != noErr) return e;
  return copyout(d, type, buf, max, actual);
}

OSErr AEInstallEventHandler(AEEventClass cls, AEEventID id, AEEventHandlerProcPtr handler, i32 refcon) {
  if (!handler) return paramErr;
  as().handlers[{cls, id}] = Handlerrow{handler, refcon};
  return noErr;
}

OSErr AEInstallCoercionHandler(DescType from, DescType to, AECoercionHandlerProcPtr handler, i32 refcon) {
  if (!handler) return paramErr;
  as().coercions[{from, to}] = Coercionrow{handler, refcon};
  return noErr;
}

void AERemoveHandlers() {
  AEState& s = as();
  s.handlers.clear();
  s.coercions.clear();
}

AppleEvent requestevent(const HighLevelRequest& r) {
  if (r.event) return *r.event;
  // The program's own requests (the launch request, the wheel) and the desktop's.
  AppleEvent e;
  const ProcessSerialNumber self{0, kCurrentProcess};
  AEDesc target = plain(typeProcessSerialNumber, &self, 8);
  AECreateAppleEvent(r.eventclass, r.eventid, target, 0, 0, &e);
  stamp(&e, kCurrentProcess, kAEDirectCall);
  if (!r.paths.empty()) {
    AEDesc list;
    AECreateList(false, &list);
    for (const std::string& p : r.paths) AEPutPtr(&list, 0, typeFileURL, p.data(), Size(p.size()));
    AEPutParamDesc(&e, keyDirectObject, list);
  }
  for (const auto& [key, bytes] : r.params) {
    const DescType type = r.eventclass == fourcc("MDOX") ? typeEventRecord : typeChar;
    AEPutParamPtr(&e, key, type, bytes.data(), Size(bytes.size()));
  }
  return e;
}

OSErr AEProcessAppleEvent(const EventRecord&) {
  HighLevelRequest r;
  if (!takehighlevelrequest(&r)) return errAEEventNotHandled;
  Current c;
  c.event = requestevent(r);
  c.connection = r.connection;
  c.wantsreply = r.wantsreply;
  return runandreply(std::move(c));
}

OSErr AESuspendTheCurrentEvent(const AppleEvent*, u64* token) {
  AEState& s = as();
  if (!s.current) return errAEEventNotHandled;
  const u64 t = s.nexttoken++;
  Current kept = *s.current;
  kept.suspended = false;
  s.current->suspended = true;
  s.suspended.emplace(t, std::move(kept));
  if (token) *token = t;
  return noErr;
}

OSErr AEResumeTheCurrentEvent(u64 token) {
  AEState& s = as();
  auto it = s.suspended.find(token);
  if (it == s.suspended.end()) return errAEEventNotHandled;
  Current c = std::move(it->second);
  s.suspended.erase(it);
  return runandreply(std::move(c));
}

OSErr AESend(const AppleEvent& event, AppleEvent* reply, i32 mode, i16, i32 timeout, AEIdleProcPtr idle,
             AEFilterProcPtr) {
  const i32 kind = mode & 3;
  if (kind != kAENoReply && kind != kAEQueueReply && kind != kAEWaitReply) return errAEUnknownSendMode;
  AEDesc target;
  if (AEGetAttributeDesc(event, keyAddressAttr, typeWildCard, &target) != noErr) return procNotFoundErr;
  const bool wait = kind == kAEWaitReply;
  const i64 ticks = timeout == kNoTimeOut ? -1 : timeout < 0 ? 3600 : timeout;
  const i64 ms = ticks < 0 ? -1 : ticks * 1000 / 60;
  WaitContext w{idle, 0};
  AppleEvent answer;
  if (target.descriptorType == typeApplicationURL) {
    // A program on another machine, over TCP.
    OSErr err = sendremoterequest(std::string(target.data.begin(), target.data.end()), ownprogramname(), event, wait,
                                  ms, &answer, waitidle, &w);
    if (err == noErr && wait && reply) *reply = std::move(answer);
    return err;
  }
  if (target.descriptorType != typeProcessSerialNumber || target.data.size() != 8) return procNotFoundErr;
  if (isself(target)) {
    // Requests to this program never touch its socket.
    Current c;
    c.event = event;
    stamp(&c.event, kCurrentProcess, kAEDirectCall);
    if (wait) {
      c.wantsreply = true;
      AppleEvent own;
      dispatch(c, &own);
      if (reply) *reply = std::move(own);
      return noErr;
    }
    HighLevelRequest r;
    AEGetAttributePtr(event, keyEventClassAttr, typeType, nullptr, &r.eventclass, 4, nullptr);
    AEGetAttributePtr(event, keyEventIDAttr, typeType, nullptr, &r.eventid, 4, nullptr);
    r.event = std::make_shared<AppleEvent>(std::move(c.event));
    return posthighlevelrequest(std::move(r)) ? noErr : memFullErr;
  }
  ProcessSerialNumber p;
  std::memcpy(&p, target.data.data(), 8);
  OSErr err = sendrequest(joinedfolder(), p.lowLongOfPSN, ownprogramid(), event, wait, ms, &answer, waitidle, &w);
  if (err == noErr && wait && reply) *reply = std::move(answer);
  return err;
}

OSErr AEInteractWithUser(i32, void*, AEIdleProcPtr) {
  if (!processisfront()) requestuserattention(true);
  ProcessSerialNumber self{0, kCurrentProcess};
  return SetFrontProcess(&self);
}

void injectremoteevent(AppleEvent event, const std::string& url) {
  AEPutAttributePtr(&event, keyAddressAttr, typeApplicationURL, url.data(), Size(url.size()));
  const i16 source = kAERemoteProcess;
  AEPutAttributePtr(&event, keyEventSourceAttr, typeSInt16, &source, 2);
  HighLevelRequest r;
  AEGetAttributePtr(event, keyEventClassAttr, typeType, nullptr, &r.eventclass, 4, nullptr);
  AEGetAttributePtr(event, keyEventIDAttr, typeType, nullptr, &r.eventid, 4, nullptr);
  r.event = std::make_shared<AppleEvent>(std::move(event));
  r.connection = kInjected;
  r.wantsreply = true;
  posthighlevelrequest(std::move(r));
}

bool takeinjectedreply(AppleEvent* reply) {
  AEState& s = as();
  if (s.injectedreplies.empty()) return false;
  *reply = std::move(s.injectedreplies.front());
  s.injectedreplies.erase(s.injectedreplies.begin());
  return true;
}

namespace {

void postincoming(IncomingRequest& in, int connection) {
  HighLevelRequest r;
  AEGetAttributePtr(in.event, keyEventClassAttr, typeType, nullptr, &r.eventclass, 4, nullptr);
  AEGetAttributePtr(in.event, keyEventIDAttr, typeType, nullptr, &r.eventid, 4, nullptr);
  r.event = std::make_shared<AppleEvent>(std::move(in.event));
  r.connection = connection;
  r.wantsreply = connection >= 0;
  if (posthighlevelrequest(std::move(r))) return;
  if (RemoteEndpoint* re = ownremoteendpoint(); re && re->owns(connection)) re->drop(connection);
  else if (ProgramEndpoint* e = ownendpoint()) e->drop(connection);
}

}  // namespace

bool takeincomingrequests() {
  bool any = false;
  // Requests from other machines come stamped with their sender's address by the endpoint.
  if (RemoteEndpoint* re = ownremoteendpoint()) {
    for (IncomingRequest& in : re->take(0)) {
      postincoming(in, in.connection);
      any = true;
    }
  }
  ProgramEndpoint* e = ownendpoint();
  if (!e) return any;
  for (IncomingRequest& in : e->take(0)) {
    // What the sender says of itself is not taken: the address and source are the socket's.
    const ProcessSerialNumber from{0, in.sender};
    AEPutAttributePtr(&in.event, keyAddressAttr, typeProcessSerialNumber, &from, 8);
    stamp(&in.event, in.sender, kAELocalProcess);
    postincoming(in, in.connection);
    any = true;
  }
  return any;
}

}  // namespace kv
