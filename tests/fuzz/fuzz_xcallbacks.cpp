// replay-runs: 150 (each input opens a whole project; this keeps the replay short)
// What externals hand back to the runtime: a stand-in external, called in the current card of
// an open project as the classic call and the native call set it up, makes requests of the
// callback, the memory services and the native routines with words, texts, handles and
// descriptors made from the input. Texts come with their lengths from the input (one stops
// at its zero byte), handles are the external's own, made by the services, answered by an
// earlier request, already disposed, or numbers that name no live handle; a descriptor is one
// an earlier request filled, or one with bytes of the input written over it. Pointers are
// always to buffers of the external's own that are large enough: an external that hands back
// a wild address is beyond help. Nothing may crash or leak, no record stays held, and after
// the external let its handles and descriptors go, the runtime holds none of them.
//
// The input is a list of up to 48 requests: an operation byte, then its words. Below 0xA0 it
// picks a callback request (from the served codes and a few unserved ones), 0xA0-0xDF a native
// routine, and above that a memory service; each word takes a kind byte and what the kind
// needs (a 32-bit number, a length byte and the text, a 16-bit length and a handle's bytes).
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "engine/fred.h"
#include "engine/hier.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/testing/answers.h"
#include "store/records.h"
#include "system/externals.h"
#include "system/externalstate.h"
#include "system/kvexternal.h"
#include "system/nativecall.h"
#include "system/proctable.h"
#include "tests/fuzz/projectlines.h"

namespace {

using namespace kv;

void check(bool ok) {
  if (!ok) std::abort();
}

// The words of each served request, in order: n a number, p a length-prefixed text, z a
// zero-terminated text, o a 256-byte answer buffer, h a handle, s a handle slot, i a 32-bit
// slot, d a descriptor, c a cursor into a zero-terminated text, b a buffer and m its size.
struct Request {
  u16 code;
  const char* words;
};
constexpr Request kRequests[] = {
    {1, "p"},      {2, "p"},      {3, "z"},      {4, "pz"},    {5, "p"},      {6, "bm"},     {7, "p"},
    {8, "zo"},     {9, "p"},      {10, "p"},     {11, "p"},    {12, ""},      {13, "no"},    {14, "no"},
    {15, "nno"},   {16, "no"},    {17, ""},      {18, "p"},    {19, "ph"},    {20, "np"},    {21, "nn"},
    {22, "nn"},    {23, "nph"},   {24, "nnh"},   {25, "nnh"},  {26, "pp"},    {27, "zo"},    {28, "c"},
    {39, "c"},     {4500, "pdn"}, {4501, "dn"},  {4502, "n"},  {4503, ""},    {4504, ""},    {5000, "np"},
    {5001, "nn"},  {5002, "nn"},  {5003, "nph"}, {5004, "np"}, {5005, "nn"},  {5006, "np"},  {5007, "nn"},
    {5008, "nph"}, {5009, "nnh"}, {5010, ""},    {5011, "nn"}, {5012, "n"},   {5013, "nnn"}, {5014, "pp"},
    {5015, "pp"},  {5016, "pps"}, {5017, "pph"}, {5018, "pi"}, {5019, "pns"}, {5020, "pnh"}, {5021, "ppi"},
    {5022, "pno"}, {5023, "nnp"}, {0, "nnn"},    {29, "nnn"},  {4499, "nnn"}, {5024, "nnn"}, {65535, "nnn"},
};
constexpr std::size_t kRequestCount = sizeof(kRequests) / sizeof(kRequests[0]);

// The requests whose output word 0 is a new handle that then belongs to the external.
bool answershandle(u16 code) {
  return code == 2 || code == 7 || code == 18 || (code >= 20 && code <= 22) || code == 5004 || code == 5005;
}

constexpr std::size_t kBuffer = 512;

// The stand-in external: its buffers, handles and descriptors, and the input it reads.
class External {
 public:
  External(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool more() const { return at_ < size_; }
  u8 byte() { return at_ < size_ ? data_[at_++] : 0; }
  u32 number() {
    u32 n = 0;
    for (int i = 0; i < 4; ++i) n = n << 8 | byte();
    return n;
  }

  // A buffer of the external's own, zeroed, that stays where it is until the input ends.
  u8* buffer() {
    buffers_.push_back(std::make_unique<std::array<u8, kBuffer>>());
    buffers_.back()->fill(0);
    return buffers_.back()->data();
  }
  // A length-prefixed text of the input (the bytes after it are zero, so it also ends there).
  u8* pascal() {
    u8* b = buffer();
    b[0] = byte();
    for (int i = 1; i <= b[0]; ++i) b[i] = byte();
    return b;
  }
  u8* zeroterminated() {
    u8* b = buffer();
    for (int n = byte(), i = 0; i < n; ++i) b[i] = byte();
    return b;
  }
  // A handle: the external's own made now with bytes of the input, one it holds, one it let
  // go, a number that names no live handle, or none.
  kv_handle handle() {
    switch (byte() % 5) {
      case 0: {
        std::size_t n = std::size_t(byte()) << 4 | byte() % 16;
        kv_handle h = externalservices()->NewHandle(i32(n));
        if (h == 0) return 0;
        u8* p = deref(Handle(h));
        for (std::size_t i = 0; i < n; ++i) p[i] = byte();
        owned_.insert(h);
        return h;
      }
      case 1: return owned_.empty() ? 0 : *std::next(owned_.begin(), long(byte() % owned_.size()));
      case 2: return gone_.empty() ? 0 : gone_[byte() % gone_.size()];
      case 3: {
        u32 n = number();
        return IsValidHandle(Handle(n)) && !owned_.contains(n) ? 0xFFFFFFFFu : n;
      }
      default: return 0;
    }
  }
  // A descriptor: the last one a request filled, as it stands or with input bytes over it.
  u8* descriptor() {
    u8* d = buffer();
    std::memcpy(d, kept_.data(), kept_.size());
    if (byte() & 1) {
      for (int n = byte() % 16; n > 0; --n) d[byte() % KV_DESCRIPTOR_SIZE] = byte();
    }
    return d;
  }
  void keepdescriptor(const u8* d) {
    std::memcpy(kept_.data(), d, kept_.size());
    descriptors_.insert(loadat<u32>(d));
  }

  void take(kv_handle h) {
    if (h != 0 && IsValidHandle(Handle(h))) owned_.insert(h);
  }
  void dispose(kv_handle h) {
    externalservices()->DisposeHandle(h);
    if (owned_.erase(h) > 0) gone_.push_back(h);
  }

  // The external lets go of what it still holds: its handles and its descriptors.
  void finish() {
    while (!owned_.empty()) dispose(*owned_.begin());
    for (u32 id : descriptors_) {
      u8 d[KV_DESCRIPTOR_SIZE] = {};
      storeat<u32>(d, id);
      xstate().xcmd.request = 4501;
      xstate().xcmd.in[0] = u64(reinterpret_cast<std::uintptr_t>(d));
      xstate().xcmd.in[1] = 1;
      callback();
    }
  }

  void callback() { reinterpret_cast<void (*)()>(static_cast<std::uintptr_t>(xstate().xcmd.entrypoint))(); }

  void request();
  void native(hierpath* path, Handle vars);
  void memory();

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  std::vector<std::unique_ptr<std::array<u8, kBuffer>>> buffers_;
  std::set<kv_handle> owned_;
  std::vector<kv_handle> gone_;
  std::array<u8, KV_DESCRIPTOR_SIZE> kept_{};
  std::set<u32> descriptors_;
};

void External::request() {
  const Request& r = kRequests[byte() % kRequestCount];
  kv_paramblock& b = xstate().xcmd;
  b.request = r.code;
  std::memset(b.in, 0, sizeof b.in);
  kv_handle slot = 0;
  i32 slotnumber = 0;
  u8* descriptor = nullptr;
  u8* cursorbuffer = nullptr;
  const char* cursor = nullptr;
  u8* buffer6 = nullptr;
  for (int w = 0; r.words[w] != 0; ++w) {
    u64 word = 0;
    switch (r.words[w]) {
      case 'n': word = (byte() & 1) ? u64(i64(i32(number()))) : u64(number()); break;
      case 'p': word = u64(reinterpret_cast<std::uintptr_t>(pascal())); break;
      case 'z': word = u64(reinterpret_cast<std::uintptr_t>(zeroterminated())); break;
      case 'o': word = u64(reinterpret_cast<std::uintptr_t>(buffer())); break;
      case 'h': word = handle(); break;
      case 's': word = u64(reinterpret_cast<std::uintptr_t>(&slot)); break;
      case 'i': word = u64(reinterpret_cast<std::uintptr_t>(&slotnumber)); break;
      case 'd':
        word = u64(reinterpret_cast<std::uintptr_t>(descriptor = descriptor ? descriptor : this->descriptor()));
        break;
      case 'c':
        cursorbuffer = zeroterminated();
        cursor = reinterpret_cast<const char*>(cursorbuffer);
        word = u64(reinterpret_cast<std::uintptr_t>(&cursor));
        break;
      case 'b': word = u64(reinterpret_cast<std::uintptr_t>(buffer6 = buffer())); break;
      case 'm': word = byte() % (kBuffer + 1); break;
    }
    // A word left out: an external may hand 0 for any address.
    if (r.words[w] != 'n' && r.words[w] != 'm' && (byte() & 0x1F) == 0) word = 0;
    b.in[w] = word;
  }
  if (r.code == 6 && buffer6 == nullptr) b.in[1] = 0;
  std::memset(b.out, 0, sizeof b.out);
  callback();
  if (answershandle(r.code) && b.result == 0) take(kv_handle(b.out[0]));
  if (slot != 0) take(slot);
  if (r.code == 4500 && b.result == 0 && descriptor != nullptr) keepdescriptor(descriptor);
  if (cursor != nullptr)
    check(cursor >= reinterpret_cast<const char*>(cursorbuffer) &&
          cursor < reinterpret_cast<const char*>(cursorbuffer) + kBuffer);
  // A bitmap handed out (5000-5002) is the external's to draw into: bytes of the input go in.
  if (r.code >= 5000 && r.code <= 5002 && b.result == 0) {
    const kv_bitmapinfo* info = reinterpret_cast<const kv_bitmapinfo*>(static_cast<std::uintptr_t>(b.out[0]));
    Handle pic = Handle(info->picture);
    if (IsValidHandle(pic) && GetHandleSize(pic) > 0) {
      for (int n = byte() % 32; n > 0; --n) deref(pic)[number() % u32(GetHandleSize(pic))] = byte();
    }
  }
}

void External::native(hierpath* path, Handle vars) {
  const kv_nativeprocs* procs = nativeprocs();
  // The parameters the runtime made for the call: texts, numbers and truth values.
  Handle params = NewHandle(0);
  if (params == nilhandle) return;
  const int count = byte() % 4;
  for (int i = 0; i < count; ++i) {
    fred v{};
    switch (byte() % 4) {
      case 0:
        newfred(&v, fredtemp, fredlong, 0);
        v.integer = i32(number());
        break;
      case 1:
        newfred(&v, fredtemp, fredbool, 0);
        v.integer = byte() & 1;
        break;
      case 2: {
        u8* t = pascal();
        newfred(&v, fredtemp, fredhand, t[0]);
        if (v.text != nilhandle) std::memcpy(deref(v.text), t + 1, t[0]);
        break;
      }
      default: {
        u8* t = pascal();
        newfred(&v, fredtemp, fredstring, std::min<Size>(t[0], kFredShortMax));
        std::memcpy(v.shorttext + 1, t + 1, v.shorttext[0]);
        break;
      }
    }
    if (PtrAndHand(&v, params, sizeof v) != noErr) disposfred(&v);
  }
  fred result{};
  newfred(&result, fredtemp, fredstring, 0);
  kv_native b{};
  b.kind = 5;
  b.paramcount = (byte() & 7) == 0 ? i32(number()) : i32(HandleCount<fred>(params));
  b.params = params;
  b.variables = vars;
  b.result = asvalue(&result);
  b.path = u64(reinterpret_cast<std::uintptr_t>(path));
  b.project = mainglobals().current.store;
  b.procs = procs;
  u8* out = buffer();
  kv_handle got = 0;
  double real = 0;
  i32 whole = 0;
  const u8 op = byte();
  switch (op % 40) {
    case 0: procs->PSetReturnValString(pascal(), &b); break;
    case 1: procs->PSetReturnValHandle(handle(), &b); break;
    case 2: procs->PSendMessage(pascal(), (byte() & 1) ? pascal() : nullptr, &b); break;
    case 3: procs->PHasMemory(i32(number())); break;
    case 4: procs->PDecodeString(pascal(), pascal()); break;
    case 5: procs->PDecodeParam(i16(number()), pascal(), &b); break;
    case 6: procs->PEvalExpHandle(pascal(), &got, &b); break;
    case 7: procs->PEvalExpString(pascal(), out, &b); break;
    case 8: procs->PEvalExpDouble(pascal(), &real, &b); break;
    case 9: procs->PEvalExpLong(pascal(), &whole, &b); break;
    case 10: procs->PGetGlobalHandle(pascal(), &got); break;
    case 11: procs->PGetGlobalString(pascal(), out); break;
    case 12: procs->PGetGlobalDouble(pascal(), &real); break;
    case 13: procs->PGetGlobalLong(pascal(), &whole); break;
    case 14: procs->PSetGlobalHandle(pascal(), handle()); break;
    case 15: procs->PSetGlobalString(pascal(), pascal()); break;
    case 16: {
      u64 bits = u64(number()) << 32 | number();
      std::memcpy(&real, &bits, sizeof real);
      procs->PSetGlobalDouble(pascal(), real);
      break;
    }
    case 17: procs->PSetGlobalLong(pascal(), i32(number())); break;
    case 18: got = procs->PGetParamHandle(i16(number()), &b); break;
    case 19: procs->PGetParamString(i16(number()), out, &b); break;
    case 20: procs->PGetParamDouble(i16(number()), &b); break;
    case 21: procs->PGetParamLong(i16(number()), &b); break;
    case 22: procs->PGetParamLength(i16(number()), &b); break;
    case 23: procs->PGetFieldHandle(pascal(), &got, &b); break;
    case 24: procs->PGetFieldString(pascal(), out, &b); break;
    case 25: procs->PSetFieldHandle(pascal(), handle(), &b); break;
    case 26: procs->PSetFieldString(pascal(), pascal(), &b); break;
    case 27: {
      u32 record = 0;
      procs->PGetCurTEHandle(&record);
      break;
    }
    case 28: procs->PTouchCurTEHandle(); break;
    case 29: {
      u8* d = descriptor();
      if (procs->PGetRead(pascal(), d, &b) == 0) keepdescriptor(d);
      break;
    }
    case 30: procs->PPutRead(descriptor()); break;
    case 31: {
      u64 x = 0, y = 0, z = 0;
      procs->PGetGAddr(i32(number()), &x, &y, &z, &b);
      break;
    }
    case 32: {
      kv_rect r{};
      r.top = i16(number());
      r.left = i16(number());
      r.bottom = i16(r.top + byte() % 200);
      r.right = i16(r.left + byte() % 200);
      procs->PNewWin(&r, pascal(), i16(byte() & 1), i32(byte() % 20), i16(byte() & 1), i16(byte() & 1));
      break;
    }
    case 33: procs->PShowWin(number()); break;
    case 34: procs->PHideWin(number()); break;
    case 35: procs->PMoveWin(number(), kv_point{i16(number()), i16(number())}, i16(byte() & 1)); break;
    case 36: procs->PSizeWin(number(), i16(number()), i16(number()), i16(byte() & 1)); break;
    case 37: procs->PSetWinPosition(number(), i16(number())); break;
    case 38: {
      i16 position = 0;
      u16 floating = 0;
      procs->PGetWinPosition(number(), &position, &floating);
      break;
    }
    default: procs->PGetWindowPtr(pascal()); break;
  }
  take(got);
  disposfred(&result);
  for (fred& v : std::span<fred>(HandleAs<fred>(params), std::size_t(HandleCount<fred>(params)))) disposfred(&v);
  DisposeHandle(params);
}

void External::memory() {
  const kv_services* s = externalservices();
  switch (byte() % 6) {
    case 0: take(s->NewHandle(i32(number() % 100000))); break;
    case 1: dispose(handle()); break;
    case 2: s->SetHandleSize(handle(), i32(number() % 100000)); break;
    case 3: s->GetHandleSize(handle()); break;
    case 4: s->HLock(handle()); break;
    default: s->HUnlock(handle()); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 14) return 0;
  External external(data, size);
  setunattendedpolicy(UnattendedPolicy::usedefault);
  fuzzlines::withproject(testproject::small(), [&] {
    const u64 holds = fuzzlines::holds();
    // The call context the classic call sets up: a command of the current card, with a path of
    // one level and a variable list of its own.
    hier level = emptyhier();
    level.level = hiershared;
    hierpath path(&level, 1);
    Handle vars = NewHandle(0);
    if (vars == nilhandle) return;
    ExternalState& x = xstate();
    x.xcmd = kv_paramblock{};
    x.xcmd.entrypoint = getproc(440);
    x.context.hier = path;
    x.context.vars = vars;
    x.context.type = xclasscommand;
    for (int n = 0; n < 48 && external.more(); ++n) {
      const u8 op = external.byte();
      if (op < 0xA0) external.request();
      else if (op < 0xE0) external.native(&path, vars);
      else external.memory();
      x.context.hier = path;
      x.context.vars = vars;
      if (fuzzlines::holds() != holds) std::abort();
    }
    external.finish();
    check(x.references.count() == 0);
    x.context = xcontext{};
    dumpvars(vars);
  });
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  auto text = [](std::vector<u8>& s, const std::string& t) {
    s.push_back(u8(t.size()));
    s.insert(s.end(), t.begin(), t.end());
  };
  auto request = [](std::vector<u8>& s, u16 code) {
    for (std::size_t i = 0; i < kRequestCount; ++i) {
      if (kRequests[i].code == code) {
        s.push_back(0);
        s.push_back(u8(i));
        return;
      }
    }
  };
  auto keep = [](std::vector<u8>& s) { s.push_back(1); };  // the word's keep byte (not left out)
  // Evaluate an expression, read a global back, set it from a handle of the external's.
  std::vector<u8> a;
  request(a, 2);
  text(a, "1 + 2 * the number of cards");
  keep(a);
  request(a, 19);
  text(a, "g");
  keep(a);
  a.insert(a.end(), {0, 0, 5, 'h', 'e', 'l', 'l', 'o'});
  keep(a);
  request(a, 18);
  text(a, "g");
  keep(a);
  out->push_back(a);
  // Hold a descriptor of the card, hand it back damaged, then whole.
  std::vector<u8> d;
  request(d, 4500);
  text(d, "this card");
  keep(d);
  d.push_back(0);
  keep(d);
  d.insert(d.end(), {1, 0, 0, 0, 1, 1});
  request(d, 4501);
  d.insert(d.end(), {1, 2, 0, 0x12, 3, 0x7F});
  keep(d);
  d.insert(d.end(), {1, 0, 0, 0, 1});
  request(d, 4501);
  d.push_back(0);
  keep(d);
  d.insert(d.end(), {1, 0, 0, 0, 1});
  out->push_back(d);
  // External-resource records: add one, read it, rename and count; native routines.
  std::vector<u8> r;
  request(r, 5003);
  r.insert(r.end(), {0, 'T', 'E', 'X', 'T'});
  text(r, "notes");
  keep(r);
  r.insert(r.end(), {0, 0, 3, 'a', 'b', 'c'});
  keep(r);
  request(r, 5004);
  r.insert(r.end(), {0, 'T', 'E', 'X', 'T'});
  text(r, "notes");
  keep(r);
  request(r, 5010);
  r.insert(r.end(), {0xA0, 2, 2, 5, 'h', 'e', 'l', 'l', 'o', 0, 0, 0, 0, 6});
  text(r, "the long name of this card");
  r.insert(r.end(), {0xE0, 0, 0, 0, 0x10, 0});
  out->push_back(r);
  return out->size();
}
