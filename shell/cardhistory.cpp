#include "shell/cardhistory.h"

#include <algorithm>
#include <cstring>

#include "engine/hier.h"
#include "engine/objectsend.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "shell/mainglobals.h"

namespace kv {

namespace {

constexpr Size kListCap = 3000;

// The offset of entry `n` (0-based) of a list, or -1 past its end.
Size entryat(Handle list, int n) {
  Size size = list == nilhandle ? 0 : GetHandleSize(list), at = 0;
  for (int i = 0; i < n && at < size; ++i) at += 1 + deref(list)[at];
  return at < size ? at : -1;
}

}  // namespace

void addrecent() {
  MainGlobals& g = mainglobals();
  if (g.lockRecent || g.current.card == nilhandle) return;
  Str255 entry{};
  levelof(g.current, hiercard, entry);
  if (g.recentlist == nilhandle) {
    g.recentlist = NewHandle(0);
    if (g.recentlist == nilhandle) return;
  }
  Handle list = g.recentlist;
  Size size = GetHandleSize(list);
  if (size > 0) {
    Str255 newest{};
    std::memcpy(newest, deref(list), std::min<Size>(size, 1 + deref(list)[0]));
    if (myequalstring(newest, entry)) return;
  }
  if (size > kListCap) {
    // The last entry goes: walk to it.
    Size at = 0, last = 0;
    while (at < size) {
      last = at;
      at += 1 + deref(list)[at];
    }
    SetHandleSize(list, last);
  }
  Munger(list, 0, nullptr, 0, entry, 1 + entry[0]);
}

void getrecent(StringPtr out) {
  out[0] = 0;
  Handle list = mainglobals().recentlist;
  Size at = entryat(list, 1);
  if (at < 0) return;
  Size n = std::min<Size>(deref(list)[at], GetHandleSize(list) - at - 1);
  out[0] = u8(n);
  std::memcpy(out + 1, deref(list) + at + 1, size_t(n));
}

}  // namespace kv
