#include "shell/cardhistory.h"

#include <algorithm>
#include <cstring>

#include "engine/hier.h"
#include "engine/objectsend.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "store/refparse.h"
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

// Takes the newest entry off a list into *out (empty when the list is).
void takenewest(Handle list, StringPtr out) {
  out[0] = 0;
  if (list == nilhandle || GetHandleSize(list) == 0) return;
  Size size = GetHandleSize(list);
  Size n = std::min<Size>(deref(list)[0], size - 1);
  out[0] = u8(n);
  std::memcpy(out + 1, deref(list) + 1, size_t(n));
  Munger(list, 0, nullptr, std::min<Size>(size, 1 + n), "", 0);
}

// Puts an entry at the front of a list (made when missing), dropping the oldest entry first
// when the list is over the cap.
void putnewest(Handle* list, ConstStringPtr entry) {
  if (*list == nilhandle) {
    *list = NewHandle(0);
    if (*list == nilhandle) return;
  }
  Size size = GetHandleSize(*list);
  if (size > kListCap) {
    Size at = 0, last = 0;
    while (at < size) {
      last = at;
      at += 1 + deref(*list)[at];
    }
    SetHandleSize(*list, last);
  }
  Munger(*list, 0, nullptr, 0, entry, 1 + entry[0]);
}

// Builds a card destination from a reference text.
i16 formfromtext(hierpath context, Handle variables, ConstStringPtr ref, form* f) {
  Handle text = nilhandle, atoms = nilhandle;
  if (stringtonewh(ref, &text) != 0) return 37;
  i16 st = tokenize(text, &atoms);
  if (st == 0) {
    i32 used = 0;
    st = buildform(context, text, atoms, 0, variables, 1, &used, f);
  }
  if (atoms != nilhandle) DisposeHandle(atoms);
  DisposeHandle(text);
  return st;
}

}  // namespace

i16 backcard(hierpath context, Handle variables, form* f) {
  *f = form{};
  MainGlobals& g = mainglobals();
  if (g.recentlist == nilhandle || GetHandleSize(g.recentlist) == 0) return 0;
  Str255 a{}, b{};
  takenewest(g.recentlist, a);
  if (a[0] == 0) return 0;
  if (GetHandleSize(g.recentlist) == 0 || deref(g.recentlist)[0] == 0) {
    putnewest(&g.recentlist, a);
    return 0;
  }
  takenewest(g.recentlist, b);
  putnewest(&g.forwardlist, a);
  return formfromtext(context, variables, b, f);
}

i16 forthcard(hierpath context, Handle variables, form* f) {
  *f = form{};
  Str255 entry{};
  takenewest(mainglobals().forwardlist, entry);
  if (entry[0] == 0) return 0;
  return formfromtext(context, variables, entry, f);
}

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
