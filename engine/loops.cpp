// Repeat loops (the repeat queue) and the declarations of globals and locals.
#include <cstring>

#include "engine/blockrunner.h"
#include "engine/fred.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/runblock.h"
#include "engine/status.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

repeatentry* repeats() { return HandleAs<repeatentry>(mainglobals().repeatque); }

// Raises the repeat index, growing the queue by a block when needed. 20 when it cannot grow.
i16 addrepeat(const repeatentry& e) {
  MainGlobals& g = mainglobals();
  i32 index = g.repeatindex + 1;
  if (index > 0x7FFE) return 20;
  Size have = HandleCount<repeatentry>(g.repeatque);
  if (index >= have) {
    if (memoryrefused(2 * queueblock * Size(sizeof(repeatentry)))) return 20;
    SetHandleSize(g.repeatque, (have + queueblock) * Size(sizeof(repeatentry)));
    if (MemError() != noErr) return 20;
  }
  g.repeatindex = i16(index);
  repeats()[index] = e;
  return 0;
}

// Stores a number or a piece of text into a variable's value.
void setvariable(Handle var, i32 n) {
  if (var == nilhandle) return;
  fred v = *HandleAs<fred>(var);
  longtofred(n, &v);
  disposfred(&v);
}

void setvariabletext(Handle var, const u8* bytes, Size n) {
  if (var == nilhandle) return;
  fred v = *HandleAs<fred>(var);
  if (setfredsize(&v, n) == 0 && n > 0) std::memcpy(fredaddr(&v), bytes, size_t(n));
  disposfred(&v);
}

u8 delimiterfor(u16 chunk) {
  MainGlobals& g = mainglobals();
  return chunk == tok::line ? u8(g.lineDelimiter) : chunk == tok::item ? u8(g.itemDelimiter) : u8(g.wordDelimiter);
}

// Takes the next piece of a `for each` loop's text into its variable; false when no piece is
// left. A text that ends with a delimiter yields no empty last piece.
bool takepiece(repeatentry& e) {
  Size size = GetHandleSize(e.text);
  i32 pos = e.counter;
  const u8* p = deref(e.text);
  u8 delim = delimiterfor(e.chunk);
  if (e.chunk == tok::word)
    while (pos < size && p[pos] == delim) ++pos;
  if (pos >= size) {
    e.counter = pos;
    return false;
  }
  i32 stop = pos + 1;
  if (e.chunk != tok::char_)
    for (stop = pos; stop < size && p[stop] != delim; ++stop) {
    }
  // The text is the loop's own copy: it does not move while the variable is set.
  setvariabletext(e.var, deref(e.text) + pos, stop - pos);
  e.counter = e.chunk == tok::char_ ? stop : stop + 1;
  return true;
}

// The declared variable `name` in the handler's list, as `global` declares it.
i16 borrowglobal(atom& name, Handle text, Handle variables) {
  MainGlobals& g = mainglobals();
  varentry e;
  if (findvars(&name, text, g.globalvars, &e) != 0) {
    Str255 s;
    s[0] = u8(name.length > 255 ? 255 : name.length);
    std::memcpy(s + 1, deref(text) + name.offset, s[0]);
    if (i16 st = lowcreate(s, &e); st != 0) return st;
    e.state = -2;
    if (i16 st = addvars(g.globalvars, e); st != 0) {
      killfred(e.value);
      if (e.name != nilhandle) DisposeHandle(e.name);
      return st;
    }
  }
  e.state = -2;
  return addvars(variables, e);
}

}  // namespace

void droprepeat(i16 index) {
  MainGlobals& g = mainglobals();
  while (g.repeatindex > index && g.repeatindex >= 0) {
    repeatentry& e = repeats()[g.repeatindex];
    if (e.text != nilhandle) DisposeHandle(e.text);
    e.text = nilhandle;
    --g.repeatindex;
  }
}

void trimrepeatque() {
  MainGlobals& g = mainglobals();
  if (g.repeatque == nilhandle) return;
  Size blocks = (g.repeatindex + 1 + queueblock - 1) / queueblock;
  if (blocks < 1) blocks = 1;
  // Every handler call ends here: a queue already of its size is left alone.
  const Size bytes = blocks * queueblock * Size(sizeof(repeatentry));
  if (GetHandleSize(g.repeatque) != bytes) SetHandleSize(g.repeatque, bytes);
}

void releaserepeats(MainGlobals& g) {
  if (g.repeatque == nilhandle) return;
  while (g.repeatindex >= 0) {
    repeatentry& e = HandleAs<repeatentry>(g.repeatque)[g.repeatindex];
    if (e.text != nilhandle) DisposeHandle(e.text);
    e.text = nilhandle;
    --g.repeatindex;
  }
}

i16 globalutil(atom& name, Handle text, Handle variables) {
  varentry e;
  if (findvars(&name, text, variables, &e) == 0) return e.state <= -2 ? 0 : 40;
  return borrowglobal(name, text, variables);
}

// Skips a loop that does not run: on after its `end repeat` (21 when it has none).
i16 blockrunner::skiploop(i32 s, i32 end, i32* pc) const {
  i32 switches = 0;
  i32 line = matchingendrepeat(nextline(s), end, &switches);
  if (line < 0) return 21;
  *pc = nextline(line);
  return 0;
}

i16 blockrunner::dorepeat(i32 s, i32 end, i32* pc) {
  i32 body = nextline(s);
  u16 form = tok(s + 1);
  i32 used = 0;
  repeatentry e{0, 0, 0, 0, nilhandle, s, nilhandle, 0, 0};
  if (lineends(s + 1) || form == tok::forever) {
    if (form == tok::forever && !lineends(s + 2)) return 19;
  } else if (form == tok::while_ || form == tok::until) {
    u16 flag = 0;
    if (i16 st = evaluatebool(s + 2, &used, &flag); st != 0) return st;
    if (!lineends(s + 2 + used)) return 19;
    if ((form == tok::while_) != (flag != 0)) return skiploop(s, end, pc);
  } else if (form == tok::with) {
    varentry var;
    if (i16 st = createvars(&at(s + 2), text_, vars_, &var); st != 0) return st;
    if (tok(s + 3) != tok::is) return 22;
    i32 from = 0, to = 0, i = s + 4;
    if (i16 st = evaluatelong(i, &used, &from); st != 0) return st;
    i += used;
    bool down = tok(i) == tok::down;
    if (down) ++i;
    if (tok(i) != tok::to) return 7;
    if (i16 st = evaluatelong(i + 1, &used, &to); st != 0) return st;
    if (!lineends(i + 1 + used)) return 19;
    e.step = down ? -1 : 1;
    e.lower = down ? to : from;
    e.upper = down ? from : to;
    if (from < e.lower || from > e.upper) return skiploop(s, end, pc);
    e.counter = from;
    e.var = var.value;
    e.next = body;
    if (i16 st = addrepeat(e); st != 0) return st;
    setvariable(e.var, from);
    *pc = body;
    return 0;
  } else if (form == tok::each || (form == tok::for_ && tok(s + 2) == tok::each)) {
    i32 i = form == tok::each ? s + 2 : s + 3;
    u16 chunk = tok(i);
    if (chunk < firstchunkword || chunk > lastchunkword) return 4;
    varentry var, container;
    if (i16 st = createvars(&at(i + 1), text_, vars_, &var); st != 0) return st;
    if (tok(i + 2) != tok::in) return 5;
    if (i16 st = findvars(&at(i + 3), text_, vars_, &container); st != 0) return st;
    if (!lineends(i + 4)) return 19;
    // The container's value becomes text in place; the loop walks its own copy, so the body
    // may change the container freely.
    fred v = *HandleAs<fred>(container.value);
    formatfred(&v, fredhand);
    Handle copy = nilhandle;
    i16 st = v.text == nilhandle ? (copy = NewHandle(0), copy == nilhandle ? i16(37) : i16(0)) : fredtonewh(&v, &copy);
    disposfred(&v);
    if (st != 0) return st;
    e = repeatentry{1, 0, 0, 0, var.value, body, copy, chunk, 0};
    if ((st = addrepeat(e)) != 0) {
      DisposeHandle(copy);
      return st;
    }
    if (!takepiece(repeats()[mainglobals().repeatindex])) {
      droprepeat(i16(mainglobals().repeatindex - 1));
      return skiploop(s, end, pc);
    }
    *pc = body;
    return 0;
  } else {
    i32 i = form == tok::for_ ? s + 2 : s + 1;
    i32 n = 0;
    if (i16 st = evaluatelong(i, &used, &n); st != 0) return st;
    i += used;
    if (tok(i) == tok::times) ++i;
    if (!lineends(i)) return 19;
    if (n < 0) return 24;
    if (n == 0) return skiploop(s, end, pc);
    e = repeatentry{1, 1, n, 1, nilhandle, body, nilhandle, 0, 0};
  }
  if (i16 st = addrepeat(e); st != 0) return st;
  *pc = body;
  return 0;
}

i16 blockrunner::endrepeat(i32 s, i32* pc) {
  MainGlobals& g = mainglobals();
  repeatentry& e = repeats()[g.repeatindex];
  if (e.step == 0) {
    *pc = e.next;
    --g.repeatindex;
    return 0;
  }
  if (e.chunk != tok::endofline) {
    if (takepiece(e)) {
      *pc = e.next;
      return 0;
    }
  } else {
    e.counter += e.step;
    if (e.counter >= e.lower && e.counter <= e.upper) {
      setvariable(e.var, e.counter);
      *pc = e.next;
      return 0;
    }
  }
  droprepeat(i16(g.repeatindex - 1));
  *pc = nextline(s);
  return 0;
}

i16 blockrunner::doglobal(i32 s, i32* pc) {
  for (i32 i = s + 1;; i += 2) {
    if (lineends(i)) break;
    if (i16 st = globalutil(at(i), text_, vars_); st != 0) return st;
    if (lineends(i + 1)) break;
    if (tok(i + 1) != tok::comma) return 39;
  }
  *pc = nextline(s);
  return 0;
}

i16 blockrunner::doglobals(i32 s, i32* pc) {
  if (!lineends(s + 1)) return 19;
  MainGlobals& g = mainglobals();
  for (Size i = 0; i < HandleCount<varentry>(g.globalvars); ++i) {
    varentry e = HandleAs<varentry>(g.globalvars)[i];
    if (e.name == nilhandle) continue;
    // Declared through an atom of its own name, as `global` would.
    Handle name = e.name;
    atom a{tok::unknown, u16(GetHandleSize(name) > 255 ? 255 : GetHandleSize(name)),
           -1,           0,
           nilhandle,    {0, 0},
           numnotcached, {0, 0, 0}};
    if (i16 st = globalutil(a, name, vars_); st != 0) return st;
  }
  *pc = nextline(s);
  return 0;
}

i16 blockrunner::dolocal(i32 s, i32* pc) {
  bool isenum = tok(s) == tok::enum_;
  i32 i = s + 1;
  bool global = tok(i) == tok::global;
  if (global) ++i;
  i32 counter = 1;
  while (!lineends(i)) {
    atom& name = at(i);
    varentry local;
    bool inhandler = findvars(&name, text_, vars_, &local) == 0;
    if (global) {
      if (inhandler && local.state > -2) return 40;
      if (!inhandler) {
        if (i16 st = borrowglobal(name, text_, vars_); st != 0) return st;
      }
    } else {
      if (inhandler && local.state <= -2) return 2;
      if (!inhandler) {
        Str255 s255;
        s255[0] = u8(name.length > 255 ? 255 : name.length);
        std::memcpy(s255 + 1, deref(text_) + name.offset, s255[0]);
        varentry e;
        if (i16 st = lowcreate(s255, &e); st != 0) return st;
        if (i16 st = addvars(vars_, e); st != 0) {
          killfred(e.value);
          if (e.name != nilhandle) DisposeHandle(e.name);
          return st;
        }
      }
    }
    ++i;
    bool assigned = false;
    if (tok(i) == tok::is) {
      i32 used = 0;
      if (i16 st = evaluatelong(i + 1, &used, &counter); st != 0) return st;
      i += 1 + used;
      assigned = true;
    }
    if (isenum || assigned) {
      varentry e;
      if (findvars(&name, text_, vars_, &e) == 0) setvariable(e.value, counter);
    }
    ++counter;
    if (lineends(i)) break;
    if (tok(i) != tok::comma) return 39;
    ++i;
  }
  *pc = nextline(s);
  return 0;
}

}  // namespace kv
