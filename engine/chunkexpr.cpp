// Chunk expressions read from a script: chunk specifications, the value of a chunk of an
// operand, and the functions `offset` and `lineOffset`.
#include <algorithm>
#include <cstring>

#include "engine/chunks.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"

namespace kv {

namespace {

bool ischunkword(u16 t) { return t >= firstchunkword && t <= lastchunkword; }
bool isordinal(u16 t) { return t >= firstordinal && t <= lastordinal; }

// A chunk number: a number literal already parsed once and directly followed by `of` or `to`
// is taken from its atom; anything else is evaluated and read as an integer.
scriptstatus chunknumber(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                         i32* count, i32* n) {
  u16 next = tokenat(atoms, at + 1);
  if (tokenat(atoms, at) == tok::numberatom && (next == tok::in || next == tok::to)) {
    atom a = HandleAs<atom>(atoms)[at];
    double d = 0;
    std::memcpy(&d, a.value, sizeof d);
    if (a.numstate == numcached && d > -2147483649.0 && d < 2147483648.0 && i32(d) != 0) {
      *n = i32(d);
      *count = 1;
      return 0;
    }
  }
  fred v{};
  i32 used = 0;
  if (i16 st = expression(context, text, atoms, at, variables, locals, &used, &v); st != 0) return st;
  i16 st = fredtolong(&v, n);
  disposfred(&v);
  if (st == 0) *count = used;
  return st;
}

}  // namespace

bool startschunk(Handle atoms, i32 at) {
  u16 t = tokenat(atoms, at);
  if (t == tok::the) t = tokenat(atoms, ++at);
  else if (ischunkword(t)) return true;
  return isordinal(t) && ischunkword(tokenat(atoms, at + 1));
}

scriptstatus buildchunk(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                        i32* count, u16* type, chunkspec* spec) {
  *count = 0;
  *spec = chunkspec{};
  const i32 the = tokenat(atoms, at) == tok::the && isordinal(tokenat(atoms, at + 1)) ? 1 : 0;
  u16 t = tokenat(atoms, at + the);
  if (isordinal(t)) {
    u16 kind = tokenat(atoms, at + the + 1);
    if (!ischunkword(kind)) return err::nochunkword;
    if (tokenat(atoms, at + the + 2) != tok::in) return err::noof;
    *type = kind;
    switch (t) {
      case tok::last: spec->mode = chunklast; break;
      case tok::mid: spec->mode = chunkmiddle; break;
      case tok::any: spec->mode = chunkany; break;
      default: *spec = chunkspec{chunkrange, i32(t - tok::first + 1), i32(t - tok::first + 1)}; break;
    }
    *count = the + 3;
    return 0;
  }
  if (!ischunkword(t)) return err::nochunkword;
  *type = t;
  i32 pos = at + 1, used = 0, first = 0, last = 0;
  if (i16 st = chunknumber(context, text, atoms, pos, variables, locals, &used, &first); st != 0) return st;
  if (first < 0) return err::negativechunk;
  pos += used;
  last = first;
  if (tokenat(atoms, pos) == tok::to) {
    ++pos;
    if (i16 st = chunknumber(context, text, atoms, pos, variables, locals, &used, &last); st != 0) return st;
    if (last < 0) return err::negativechunk;
    pos += used;
    if (tokenat(atoms, pos) != tok::in) return err::noof;
  } else if (tokenat(atoms, pos) != tok::in) {
    return err::notoorof;
  }
  *spec = chunkspec{chunkrange, first, std::max(first, last)};
  *count = pos + 1 - at;
  return 0;
}

scriptstatus readchunks(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                        i32* count, chunkslots* slots) {
  *count = 0;
  *slots = chunkslots{};
  i32 pos = at;
  while (startschunk(atoms, pos)) {
    u16 type = 0;
    chunkspec spec;
    i32 used = 0;
    if (i16 st = buildchunk(context, text, atoms, pos, variables, locals, &used, &type, &spec); st != 0) return st;
    slots->slot[type - tok::line] = spec;  // a second specification of a type replaces the first
    pos += used;
  }
  if (pos == at) return err::nochunkword;
  *count = pos - at;
  return 0;
}

scriptstatus sourcechunk(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                         i32* count, fred* value) {
  *count = 0;
  chunkslots slots;
  i32 used = 0, factorused = 0;
  if (i16 st = readchunks(context, text, atoms, at, variables, locals, &used, &slots); st != 0) return st;
  fred container{};
  if (i16 st = factor(context, text, atoms, at + used, variables, locals, &factorused, &container); st != 0) return st;
  // A variable holding a number is read through a copy: narrowing needs the number's text,
  // and the variable keeps its number (reading a chunk must not round it to the format).
  fred numbercopy{};
  numbercopy.cls = freddisposed;
  fred* source = &container;
  if (container.cls == fredworking && container.type != fredhand && container.type != fredstring) {
    numbercopy = container;
    numbercopy.cls = fredtemp;
    numbercopy.link = nilhandle;
    numbercopy.text = nilhandle;
    source = &numbercopy;
  }
  i32 start = 0, end = getfredsize(source);
  chunksetall(source, slots, &start, &end);
  i16 st = newfred(value, fredtemp, fredstring, end - start);
  if (st == 0 && end > start) std::memcpy(fredaddr(value), fredaddr(source) + start, size_t(end - start));
  disposfred(&numbercopy);
  disposfred(&container);
  if (st != 0) {
    disposfred(value);
    return st;
  }
  *count = used + factorused;
  return 0;
}

scriptstatus funoffs(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
                     fred* value) {
  *count = 0;
  const u16 function = tokenat(atoms, at);
  if (tokenat(atoms, at + 1) != tok::leftparen) return err::noparens;
  fred args[3] = {};
  i32 nargs = 0, pos = at + 2;
  i16 st = 0;
  for (;;) {
    i32 used = 0;
    st = expression(context, text, atoms, pos, variables, locals, &used, &args[nargs]);
    if (st != 0) break;
    ++nargs;
    pos += used;
    if (nargs == 3 || tokenat(atoms, pos) != tok::comma) break;
    ++pos;
  }
  if (st == 0 && nargs < 2) st = err::nocomma;
  if (st == 0 && tokenat(atoms, pos) != tok::rightparen) st = err::noparen;
  i32 skip = 0;
  if (st == 0 && nargs == 3) st = fredtolong(&args[2], &skip);
  if (st == 0) {
    static constexpr u8 none = 0;
    i32 nn = getfredsize(&args[0]), hn = getfredsize(&args[1]);
    const u8* needle = nn > 0 ? fredaddr(&args[0]) : &none;
    const u8* hay = hn > 0 ? fredaddr(&args[1]) : &none;
    i32 found = function == tok::lineoffset ? textlineoffset(hay, hn, needle, nn, skip)
                                            : textoffset(hay, hn, needle, nn, skip);
    longtonewfred(found, value);
    *count = pos + 1 - at;
  }
  for (i32 i = 0; i < nargs; ++i) disposfred(&args[i]);
  return st;
}

}  // namespace kv
