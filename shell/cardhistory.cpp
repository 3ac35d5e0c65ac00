#include "shell/cardhistory.h"

#include <algorithm>
#include <cstring>

#include "engine/container.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/hier.h"
#include "engine/keywords.h"
#include "engine/objectsend.h"
#include "engine/textutil.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "store/refparse.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/mainglobals.h"
#include "shell/windnav.h"
#include "store/objread.h"
#include "store/reftexts.h"

namespace kv {

namespace {

constexpr Size kListCap = 3000;
constexpr i16 kNotUnderstood = 2, kStray = 19;

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
scriptstatus formfromtext(hierpath context, Handle variables, ConstStringPtr ref, form* f) {
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

scriptstatus backcard(hierpath context, Handle variables, form* f) {
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

scriptstatus forthcard(hierpath context, Handle variables, form* f) {
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
  Handle list = g.recentlist;
  if (list != nilhandle && GetHandleSize(list) > 0) {
    Str255 newest{};
    std::memcpy(newest, deref(list), size_t(std::min<Size>(GetHandleSize(list), 1 + deref(list)[0])));
    if (myequalstring(newest, entry)) return;
  }
  putnewest(&g.recentlist, entry);
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

scriptstatus compush(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  Str255 entry{};
  if (tokenat(atoms, at + 1) == tok::recent && tokenat(atoms, at + 2) == tok::card && statementends(atoms, at + 3)) {
    getrecent(entry);
    if (entry[0] == 0) return 0;
  } else {
    objread obj{};
    i32 used = 0;
    if (i16 st = scanobj(path, text, atoms, at + 1, variables, &used, &obj)) return st;
    i16 st = 0;
    if (obj.kind < objcard || obj.kind > objapp) {
      st = kNotUnderstood;
    } else if (!statementends(atoms, at + 1 + used)) {
      st = kStray;
    } else if (obj.kind == objcard) {
      buildreadback(obj, entry);
    } else {
      // Anything above a card names the card it shows (the current card for the shared
      // script and the application).
      objread card{};
      card.kind = objcard;
      card.d = obj.d.window != nilid || obj.d.card != nilhandle ? obj.d : g.current;
      buildreadback(card, entry);
    }
    writeobj(&obj);
    if (st != 0) return st;
  }
  putnewest(&g.pushlist, entry);
  return 0;
}

scriptstatus compop(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (tokenat(atoms, at + 1) != tok::card) return kNotUnderstood;
  Str255 entry{};
  takenewest(mainglobals().pushlist, entry);
  const u16 prep = tokenat(atoms, at + 2);
  if (prep == tok::into || prep == tok::before || prep == tok::after) {
    chunkpart dest;
    i32 used = 0;
    if (i16 st = destination(path, text, atoms, at + 3, variables, nilhandle, &used, &dest, 1, 0)) return st;
    if (!statementends(atoms, at + 3 + used)) {
      releasecontainer(&dest);
      return kStray;
    }
    fred value;
    if (i16 st = stringtonewfred(entry, &value)) {
      releasecontainer(&dest);
      return st;
    }
    return pututil(&dest, &value, prep);
  }
  if (!statementends(atoms, at + 2)) return kNotUnderstood;
  if (entry[0] == 0) return 0;
  form f{};
  if (i16 st = formfromtext(path, variables, entry, &f)) return st;
  i16 st = gotowindow(f);
  return st == kCardChanged ? i16(0) : st;
}

}  // namespace kv
