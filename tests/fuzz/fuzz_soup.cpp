// Applies arbitrary bytes as a soup of embedded objects to the middle of a text, as a paste or
// a drop would: whatever the sizes and offsets inside say, nothing is read outside the soup,
// every object made stands on a byte of the inserted range, in the chain's offset order, as
// the object of that byte's run, and the objects written out again read back the same.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "tests/fuzz/fuzzcheck.h"
#include "textengine/weinternal.h"

namespace {

using namespace kv;

constexpr i32 kStart = 4, kEnd = 12;

// The chain's objects in order (the sentinel left out), checked to lie in [kStart, kEnd) and to
// be the objects of their bytes' runs.
std::vector<WEObjectDescHandle> objects(WEReference we) {
  std::vector<WEObjectDescHandle> out;
  i32 last = -1;
  WEObjectDescHandle h = nilhandle;
  for (i32 at; (at = WEFindNextObject(last, &h, we)) >= 0;) {
    check(at > last && at >= kStart && at < kEnd);
    WEObjectDescHandle there = nilhandle;
    check(WEGetObjectAtOffset(at, &there, we) == noErr && there == h);
    out.push_back(h);
    last = at;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  usebuiltinmetricsfont(true);
  const Rect bounds{0, 0, 20, 20};
  GWorldPtr port = 0;
  check(NewGWorld(&port, 32, &bounds, 0, 0, 0) == noErr);
  SetGWorld(port, 0);
  const LongRect dest{0, 0, 100, 200};
  WEReference we = nilid;
  check(WENew(&dest, &dest, 1u << weFInhibitRedraw, &we) == noErr);
  Handle text = nilhandle;
  const char* bytes = "abcd\x01\x01\x01\x01\x01\x01\x01\x01wxyz";
  check(PtrToHand(bytes, &text, 16) == noErr);
  check(WEUseText(text, we) == noErr);
  Handle soup = nilhandle;
  check(PtrToHand(data, &soup, Size(size)) == noErr);
  const OSErr err = _WEApplySoup(kStart, kEnd, soup, we);
  check(err == noErr || err == weMalformedScrapErr);
  check(GetHandleSize(soup) == Size(size) && (size == 0 || std::memcmp(deref(soup), data, size) == 0));
  const std::vector<WEObjectDescHandle> made = objects(we);
  // Written out and read back into a second text: the same objects in the same places.
  Handle out = NewHandle(0);
  for (WEObjectDescHandle h : made) check(_WEAppendObjectToSoup(out, h, WEGetObjectOffset(h) - kStart) == noErr);
  WEReference again = nilid;
  check(WENew(&dest, &dest, 1u << weFInhibitRedraw, &again) == noErr);
  Handle copy = nilhandle;
  check(PtrToHand(bytes, &copy, 16) == noErr);
  check(WEUseText(copy, again) == noErr);
  check(_WEApplySoup(kStart, kEnd, out, again) == noErr);
  const std::vector<WEObjectDescHandle> back = objects(again);
  check(back.size() == made.size());
  for (std::size_t i = 0; i < made.size(); ++i) {
    check(WEGetObjectOffset(back[i]) == WEGetObjectOffset(made[i]));
    check(WEGetObjectType(back[i]) == WEGetObjectType(made[i]));
    check(WEGetObjectSize(back[i]) == WEGetObjectSize(made[i]));
  }
  DisposeHandle(out);
  DisposeHandle(soup);
  WEDispose(again);
  WEDispose(we);
  SetGWorld(0, 0);
  DisposeGWorld(port);
  return 0;
}

extern "C" std::size_t kvFuzzSeeds(std::vector<std::vector<std::uint8_t>>* out) {
  // Two objects: one at the range's start with 3 bytes of data, one 5 bytes in with none.
  std::vector<std::uint8_t> seed;
  const WESoupHeader a{0, fourcc("PICT"), 0, 3, 10, 20, 0, 0}, b{5, fourcc("blob"), 0, 0, 32, 32, -2, 0};
  seed.insert(seed.end(), reinterpret_cast<const std::uint8_t*>(&a),
              reinterpret_cast<const std::uint8_t*>(&a) + sizeof a);
  seed.insert(seed.end(), {1, 2, 3});
  seed.insert(seed.end(), reinterpret_cast<const std::uint8_t*>(&b),
              reinterpret_cast<const std::uint8_t*>(&b) + sizeof b);
  out->push_back(seed);
  return out->size();
}
