// A first `go`: the card forms of the current window.
#include "commands/navigation.h"

#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/keywords.h"
#include "shell/mainglobals.h"
#include "shell/windnav.h"
#include "store/forms.h"
#include "store/refparse.h"

namespace kv {

namespace {

enum : u16 {
  tokId = 4137,
  tokNext = 10015,
  tokToWord = 10024,
  tokPrev = 11245,
};

constexpr i16 statusstray = 19, statusnotunderstood = 2;

bool lineends(Handle atoms, i32 i) {
  u16 t = tokenat(atoms, i);
  return t == tokEndOfLine || t == tokEndOfScript;
}

// The selector of a word that stands for a card by its place; false for any other word.
bool placeword(u16 t, selpart* p) {
  i32 current = i32(mainglobals().current.cardnum);
  if (t >= tokFirst && t <= tokTenth) *p = selpart{selnumber, i32(t - tokFirst + 1), {}, 0};
  else if (t == tokLast) *p = selpart{sellast, 0, {}, 0};
  else if (t == tokAny) *p = selpart{selany, 0, {}, 0};
  else if (t == tokMiddle) *p = selpart{selmiddle, 0, {}, 0};
  else if (t == tokPrev) *p = selpart{selprev, current, {}, 0};
  else if (t == tokNext) *p = selpart{selnext, current, {}, 0};
  else if (t == tokThis) *p = selpart{selnumber, current, {}, 0};
  else return false;
  return true;
}

// The operand after `card`: `id` and a number, or a number or a name.
i16 cardoperand(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, selpart* p) {
  bool byid = tokenat(atoms, *i) == tokId;
  if (byid) ++*i;
  fred v;
  i32 used = 0;
  i16 st = byid ? factor(path, text, atoms, *i, variables, nilhandle, &used, &v)
                : anyfact(path, text, atoms, *i, variables, nilhandle, &used, &v);
  if (st != 0) return st;
  *i += used;
  if (byid) {
    i32 n = 0;
    st = fredtolong(&v, &n);
    disposfred(&v);
    *p = selpart{selid, n, {}, 0};
    return st;
  }
  Str255 name{};
  fredtostring(&v, name);
  disposfred(&v);
  i32 n = 0;
  if (stringtolong(name, &n) == 0) {
    *p = selpart{selnumber, n, {}, 0};
  } else {
    *p = selpart{selname, 0, {}, 0};
    std::memcpy(p->name, name, size_t(name[0]) + 1);
  }
  return 0;
}

}  // namespace

i16 comgo(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  i32 i = at + 1;
  if (tokenat(atoms, i) == tokToWord) ++i;
  form f{};
  if (placeword(tokenat(atoms, i), &f.card)) {
    ++i;
    if (tokenat(atoms, i) == tokCard) ++i;
  } else if (tokenat(atoms, i) == tokCard) {
    ++i;
    if (lineends(atoms, i)) {
      f.card = selpart{selnumber, i32(mainglobals().current.cardnum), {}, 0};
    } else if (i16 st = cardoperand(path, text, atoms, &i, variables, &f.card)) {
      return st;
    }
  } else {
    return statusnotunderstood;
  }
  if (tokenat(atoms, i) == tokOf) {
    // The card of a background, window or project: `of` and their parts.
    form tail{};
    i32 used = 0;
    if (i16 st = buildform(path, text, atoms, i, variables, 0, &used, &tail)) return st;
    if (used == 0 || tail.card.selector != selnone) return statusstray;
    i += used;
    f.back = tail.back;
    f.wind = tail.wind;
    f.proj = tail.proj;
  }
  if (!lineends(atoms, i)) return statusstray;
  i16 st = gotowindow(f);
  return st == kCardChanged ? i16(0) : st;
}

}  // namespace kv
