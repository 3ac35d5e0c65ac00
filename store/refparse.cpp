// The part parsers and chain builders of object references.
#include "store/refparse.h"

#include <algorithm>
#include <cstring>

#include "engine/atom.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/lookups.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "store/objread.h"
#include "store/refwords.h"

namespace kv {

using namespace refwords;

namespace {

constexpr i16 kNoWord = 2, kTooLong = 14;

// The evaluator's arguments of one reference.
struct source {
  hierpath context;
  Handle text;
  Handle atoms;
  Handle variables;
  u16 tok(i32 i) const { return tokenat(atoms, i); }
};

// Reads the operand of a part at `at`: `id` and an expression gives selector 7; otherwise the
// operand's text is a number (selector 6) or a name (selector 8).
i16 operand(const source& s, i32 at, i32* used, selpart* p) {
  fred v{};
  i32 n = 0;
  if (s.tok(at) == tok::id) {
    if (i16 st = factor(s.context, s.text, s.atoms, at + 1, s.variables, nilhandle, &n, &v)) return st;
    i32 id = 0;
    i16 st = fredtolong(&v, &id);
    disposfred(&v);
    if (st != 0) return st;
    p->selector = selid;
    p->value = id;
    *used = n + 1;
    return 0;
  }
  if (i16 st = anyfact(s.context, s.text, s.atoms, at, s.variables, nilhandle, &n, &v)) return st;
  Str255 name{};
  fredtostring(&v, name);
  disposfred(&v);
  i32 number = 0;
  if (stringtolong(name, &number) == 0) {
    p->selector = selnumber;
    p->value = number;
  } else {
    p->selector = selname;
    std::memcpy(p->name, name, size_t(name[0]) + 1);
  }
  *used = n;
  return 0;
}

// An ordinal prefix: first .. tenth (selector 6 and the number), last, middle, any. False for
// other words.
bool ordinalprefix(u16 t, selpart* p) {
  if (isnumberword(t)) {
    p->selector = selnumber;
    p->value = i32(t - tok::first + 1);
    return true;
  }
  switch (t) {
    case tok::last: p->selector = sellast; return true;
    case tok::mid: p->selector = selmiddle; return true;
    case tok::any: p->selector = selany; return true;
    default: return false;
  }
}

// The number of the current background in the current window: 0 when there is no current
// window.
i16 currentbacknum(i32* value) {
  const desk& d = mainglobals().current;
  *value = 0;
  if (d.wind == nilhandle || d.store == nilid) return 0;
  u32 n = 0;
  if (i16 st = backidtobacknum(d.store, d.wind, d.backrecid, &n)) return st;
  *value = i32(n);
  return 0;
}

// One part of a destination: [`of`] [prefix] kind word [operand]. `kindof` gives the kind of a
// word (0: no such part, nothing is read); `moves` allows the prefixes prev, next and this;
// `current` gives the value of those and of a kind word that ends the line.
template <class KindOf, class Current>
i16 destpart(const source& s, i32 at, i16 wordfirst, bool moves, KindOf&& kindof, Current&& current, i32* used,
             u16* kind, selpart* part) {
  *part = selpart{};
  *used = 0;
  *kind = 0;
  i32 i = at;
  if (!wordfirst) {
    if (s.tok(i) != tok::in) return 0;
    ++i;
  }
  selpart p{};
  u16 prefix = s.tok(i);
  bool ordinal = ordinalprefix(prefix, &p);
  bool move = !ordinal && moves && (prefix == tok::prev || prefix == tok::next || prefix == tok::current);
  if (move) p.selector = prefix == tok::prev ? selprev : prefix == tok::next ? selnext : selnumber;
  if (ordinal || move) ++i;
  u16 k = kindof(s.tok(i));
  if (k == 0) return 0;
  ++i;
  if (move) {
    if (i16 st = current(k, prefix, &p.value)) return st;
  } else if (!ordinal && iseol(s.tok(i))) {
    p.selector = selnumber;
    if (i16 st = current(k, 0, &p.value)) return st;
  } else if (!ordinal) {
    i32 n = 0;
    if (i16 st = operand(s, i, &n, &p)) return st;
    i += n;
  }
  *part = p;
  *kind = k;
  *used = i - at;
  return 0;
}

}  // namespace

scriptstatus viewspot(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, u16* layer,
                      u16* type, selpart* part) {
  source s{context, text, atoms, variables};
  *part = selpart{};
  *used = 0;
  i32 i = at;
  bool prefix = ordinalprefix(s.tok(i), part);
  if (prefix) ++i;
  u16 l = 0;
  if (s.tok(i) == tok::card) l = layercard;
  if (s.tok(i) == tok::background) l = layerbackground;
  if (l != 0) ++i;
  switch (s.tok(i)) {
    case tok::btn: *type = typebutton; break;
    case tok::grc: *type = typegraphic; break;
    case tok::field: *type = typefield; break;
    case tok::part: *type = typeany; break;
    default: return kNoWord;
  }
  ++i;
  *layer = l != 0 ? l : (*type == typefield ? u16(layerbackground) : u16(layercard));
  if (!prefix) {
    i32 n = 0;
    if (i16 st = operand(s, i, &n, part)) return st;
    i += n;
  }
  *used = i - at;
  return 0;
}

scriptstatus viewiota(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used, selpart* part) {
  source s{context, text, atoms, variables};
  *part = selpart{};
  *used = 0;
  if (s.tok(at) != tok::object) return kNoWord;
  i32 n = 0;
  if (i16 st = operand(s, at + 1, &n, part)) return st;
  *used = n + 1;
  return 0;
}

scriptstatus viewcard(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i16 wordfirst, i32* used,
                      u16* kind, selpart* part) {
  auto kindof = [](u16 word) -> u16 {
    switch (word) {
      case tok::card: return objcard;
      case tok::background: return objbackground;
      case tok::wd: return objwindow;
      default: return 0;
    }
  };
  // The current one, for prev, next, this and a part without an operand; `this card` and
  // `this background` stand for themselves.
  auto current = [](u16 k, u16 prefix, i32* value) -> i16 {
    const desk& d = mainglobals().current;
    if (prefix == tok::current && k != objwindow) *value = kThisCard;
    else if (k == objcard) *value = i32(d.cardnum);
    else if (k == objwindow) *value = i32(d.windnum);
    else return currentbacknum(value);
    return 0;
  };
  source s{context, text, atoms, variables};
  return destpart(s, at, wordfirst, true, kindof, current, used, kind, part);
}

scriptstatus viewmenu(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i16 wordfirst, i32* used,
                      u16* kind, selpart* part) {
  auto kindof = [](u16 word) -> u16 { return word == tok::menu ? objmenu : word == tok::item ? objitem : 0; };
  auto first = [](u16, u16, i32* value) -> i16 {
    *value = 1;
    return 0;
  };
  source s{context, text, atoms, variables};
  return destpart(s, at, wordfirst, false, kindof, first, used, kind, part);
}

i16 grabstring(Handle text, Handle atoms, i32 at, StringPtr out, i32* used) {
  out[0] = 0;
  *used = 0;
  i32 end = at;
  while (!iseol(tokenat(atoms, end))) ++end;
  if (end == at) return 0;
  const atom* a = HandleAs<atom>(atoms);
  u64 from = a[at].offset, to = u64(a[end - 1].offset) + a[end - 1].length;
  u64 size = u64(GetHandleSize(text));
  to = std::min(to, size);
  if (from > to) from = to;
  if (to - from > 254) return kTooLong;
  out[0] = u8(to - from);
  std::memcpy(out + 1, deref(text) + from, size_t(to - from));
  *used = end - at;
  return 0;
}

scriptstatus viewstack(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i32* used,
                       selpart* part) {
  source s{context, text, atoms, variables};
  *part = selpart{};
  *used = 0;
  if (s.tok(at) == tok::current) {
    if (s.tok(at + 1) != tok::project) return kNoWord;
    *used = 2;
    return 0;
  }
  i32 i = at;
  if (s.tok(i) == tok::project) {
    ++i;
    if (iseol(s.tok(i))) {
      *used = 1;
      return 0;
    }
  }
  fred v{};
  i32 n = 0;
  i16 st = factor(s.context, s.text, s.atoms, i, s.variables, nilhandle, &n, &v);
  if (st == err::novariable) {
    // Bare words: the name is the rest of the line as written.
    if (i16 e = grabstring(text, atoms, i, part->name, &n)) return e;
  } else if (st != 0) {
    return st;
  } else {
    Size length = getfredsize(&v);
    if (length < 255) fredtostring(&v, part->name);
    disposfred(&v);
    if (length >= 255) return kTooLong;
  }
  *used = i - at + n;
  return 0;
}

scriptstatus buildform(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i16 wordfirst, i32* used,
                       form* f) {
  *f = form{};
  *used = 0;
  i32 i = at;
  u16 last = 0;
  i16 flag = wordfirst;
  // Each part must name a larger kind than the one before: a card may be followed by its
  // background, window and project, a background by its window and project.
  for (;;) {
    u16 kind = 0;
    selpart p{};
    i32 n = 0;
    if (i16 st = viewcard(context, text, atoms, i, variables, flag, &n, &kind, &p)) return st;
    if (kind == 0 || kind <= last) break;
    if (kind == objcard) f->card = p;
    if (kind == objbackground) f->back = p;
    if (kind == objwindow) f->wind = p;
    i += n;
    last = kind;
    flag = 0;
  }
  u16 t = tokenat(atoms, i);
  if (t == tok::in || (wordfirst && last == 0)) {
    i32 start = t == tok::in ? i + 1 : i, n = 0;
    if (i16 st = viewstack(context, text, atoms, start, variables, &n, &f->proj)) return st;
    i = start + n;
  }
  *used = i - at;
  return 0;
}

scriptstatus buildtray(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, i16 wordfirst, i32* used,
                       tray* t) {
  *t = tray{};
  *used = 0;
  i32 i = at;
  u16 kind = 0;
  selpart p{};
  i32 n = 0;
  if (i16 st = viewmenu(context, text, atoms, i, variables, wordfirst, &n, &kind, &p)) return st;
  bool menu = kind == objmenu;
  if (menu) {
    t->menu = p;
    i += n;
  }
  u16 next = tokenat(atoms, i);
  if (next == tok::in || (wordfirst && !menu)) {
    i32 start = next == tok::in ? i + 1 : i;
    if (i16 st = viewstack(context, text, atoms, start, variables, &n, &t->proj)) return st;
    i = start + n;
  }
  *used = i - at;
  return 0;
}

}  // namespace kv
