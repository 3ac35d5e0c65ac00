// The statement interpreter: a block runs line by line from its atoms. Control structures
// are done here; any other statement goes to sendmes as a command.
#include "engine/runblock.h"
#include "engine/status.h"

#include <cstring>

#include "engine/blockrunner.h"
#include "engine/container.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/scripterror.h"
#include "engine/sendmes.h"
#include "engine/servicehooks.h"
#include "engine/textutil.h"
#include "engine/tokens.h"
#include "engine/variables.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "core/memoryguard.h"

namespace kv {

namespace {

constexpr Size stackneeded = 32768;

struct RunState {
  u64 polledtick = ~u64(0);   // the tick of the last housekeeping between statements (none yet)
  u64 abortedtick = ~u64(0);  // the tick of the last whole abort check
};

// The abort check after a statement. isabort looks at the run's limits and the abort key only
// when the clock moved; between two statements of one tick only the end of the run can stop the
// script, so only that is asked then (a test's injected check sees every statement).
inline i16 abortcheck(u32 now) {
  RunState& r = state<RunState>();
  if (u64(now) != r.abortedtick || abortcheckinjected()) {
    r.abortedtick = now;
    return isabort(now);
  }
  return scriptstop() != ScriptStop::none ? i16(statusexittotop) : i16(0);
}

// Housekeeping before a statement: the busy cursor turns, animated controls take their turn,
// the sound queues are serviced, and window output left waiting is flushed, so that a handler
// that draws in a loop shows every step. All of it is due by the clock, so it runs once per
// tick; only a cursor step asked for and output waiting to be flushed are looked at before
// every statement.
inline void housekeeping(MainGlobals& g, u32 now) {
  RunState& r = state<RunState>();
  if (u64(now) == r.polledtick && g.busycursorstep == 0 && g.flushwanted == 0) return;
  r.polledtick = now;
  if (g.busycursordue != 0 || g.busycursorstep != 0) servicehooks().checkbusycursor(now);
  if (g.controlidle) servicehooks().checkcontrols(now);
  servicehooks().checksound(now);
  if (g.flushwanted != 0) servicehooks().checkflush(now);
}

}  // namespace

// --- The block runner ------------------------------------------------------------------------

blockrunner::blockrunner(hierpath entry, i32 handleratom, Handle variables, fred* result)
    : entry_(entry),
      text_(entry.front().script),
      atoms_(entry.front().atoms),
      handler_(handleratom),
      vars_(variables),
      result_(result) {}

i32 blockrunner::nextline(i32 i) const { return atomview(atoms_).nextline(i); }

bool blockrunner::lineends(i32 i) const { return atomview(atoms_).lineends(i); }

bool blockrunner::ishandlername(i32 i) const {
  const atom& name = at(handler_);
  const atom& a = at(i);
  if (a.token >= firstcommand && a.token == name.token) return true;
  if (a.length != name.length || a.token == tok::endofline || a.token == tok::endofscript) return false;
  return equalchars(deref(text_) + a.offset, deref(text_) + name.offset, a.length);
}

i16 blockrunner::post(i16 st, i32 atom) const {
  if (st > 0) posterror(entry_.front(), atom, text_);
  return st;
}

i16 blockrunner::evaluate(i32 i, i32* used, fred* value) const {
  return expression(entry_, text_, atoms_, i, vars_, nilhandle, used, value);
}

i16 blockrunner::evaluatelong(i32 i, i32* used, i32* n) const {
  fred v;
  i16 st = evaluate(i, used, &v);
  if (st != 0) return st;
  st = fredtolong(&v, n) != 0 ? i16(13) : i16(0);
  disposfred(&v);
  return st;
}

i16 blockrunner::evaluatebool(i32 i, i32* used, u16* b) const {
  fred v;
  i16 st = evaluate(i, used, &v);
  if (st != 0) return st;
  st = fredtobool(&v, b) != 0 ? i16(15) : i16(0);
  disposfred(&v);
  return st;
}

i32 blockrunner::matchingendrepeat(i32 from, i32 end, i32* switches) const {
  i32 depth = 1;
  *switches = 0;
  for (i32 line = from; line < end && tok(line) != tok::endofscript; line = nextline(line)) {
    u16 t = tok(line);
    if (t == tok::repeat) {
      ++depth;
    } else if (t == tok::end && tok(line + 1) == tok::repeat) {
      if (--depth == 0) return line;
    } else if (t == tok::end && tok(line + 1) == tok::switch_) {
      ++*switches;
    }
  }
  return -1;
}

void blockrunner::dropswitches(i32 n) const {
  MainGlobals& g = mainglobals();
  while (n-- > 0 && g.switchindex >= 0) --g.switchindex;
}

// `exit repeat` (and a nested part that ended with it) from the line at `from`.
i16 blockrunner::exitrepeat(i32 from, i32 end, i32* pc) const {
  i32 switches = 0;
  i32 line = matchingendrepeat(from, end, &switches);
  if (line < 0) return statusexitrepeat;
  droprepeat(mainglobals().repeatindex - 1);
  dropswitches(switches);
  *pc = nextline(line);
  return 0;
}

// `next repeat`: on to the matching `end repeat`, which starts the next pass.
i16 blockrunner::nextrepeat(i32 from, i32 end, i32* pc) const {
  i32 switches = 0;
  i32 line = matchingendrepeat(from, end, &switches);
  if (line < 0) return statusnextrepeat;
  dropswitches(switches);
  *pc = line;
  return 0;
}

// `exit switch`: to the running switch's `end switch` line when it lies in this block.
i16 blockrunner::exitswitch(i32 first, i32 end, i32* pc) const {
  MainGlobals& g = mainglobals();
  if (g.switchindex < 0) return 214;
  i32 endatom = HandleAs<switchentry>(g.switchque)[g.switchindex].endatom();
  if (endatom < first || endatom >= end) return statusexitswitch;
  *pc = endatom;
  return 0;
}

// A nested part (of an `if` or `try`) ended with `exit repeat`, `next repeat` or `exit
// switch`: carry it out as if met here, after the part.
i16 blockrunner::afternested(i16 st, i32 after, i32 first, i32 end, i32* pc) const {
  *pc = after;
  switch (st) {
    case statusexitrepeat: return exitrepeat(after, end, pc);
    case statusnextrepeat: return nextrepeat(after, end, pc);
    case statusexitswitch: return exitswitch(first, end, pc);
    default: return st;
  }
}

i16 blockrunner::run(i32 first, i32 end) {
  MainGlobals& g = mainglobals();
  i16 repeats = g.repeatindex;
  i32 pc = first;
  // The clock read after a statement serves the housekeeping before the next one.
  u32 now = TickCount();
  for (;;) {
    u16 t = pc < end ? tok(pc) : u16(tok::endofscript);
    if (t == tok::endofscript) {
      if (g.repeatindex == repeats) return 0;
      return post(36, pc < end ? pc : end - 1);
    }
    if (nostack(stackneeded) != 0) return post(50, pc);
    if (t == tok::endofline) {
      ++pc;
      continue;
    }
    i32 statement = pc;
    housekeeping(g, now);
    i16 st = step(t, first, end, &pc);
    if (st != 0) return st > 0 ? post(st, statement) : st;
    // One tick reading per statement; headless, every 1,000 statements move the clock a tick.
    notestatements(1);
    now = TickCount();
    st = abortcheck(now);
    if (st != 0) return st > 0 ? post(st, statement) : st;
  }
}

// The first atom of the line after the command statement at s. A command's atom keeps it once
// found: the atoms of a script never change.
i32 blockrunner::lineafter(i32 s) const {
  atom& a = at(s);
  if (a.numstate == numlineafter) return i32(a.value[0]);
  i32 next = nextline(s);
  if (a.token >= firstcommand && a.token <= lastcommand && a.numstate == numnotcached) {
    a.value[0] = u32(next);
    a.numstate = numlineafter;
  }
  return next;
}

// One statement at *pc, whose first token is t; on 0, *pc is where the next one starts.
i16 blockrunner::step(u16 t, i32 first, i32 end, i32* pc) {
  i32 s = *pc;
  // Only language words, `return`, `globals`, `accept`, `ignore` and `refuse` start a
  // statement done here: any other goes to sendmes at once.
  bool here = (t >= tok::case_ && t <= tok::then) || t == tok::cr || t == tok::globals || t == tok::accept ||
              t == tok::ignore || t == tok::refuse;
  if (here) {
    // The commonest of them go straight to their routines.
    if (t == tok::end) {
      // `end repeat` ends every pass of a loop: what doend checks for it, then the loop's turn.
      if (tok(s + 1) == tok::repeat && lineends(s + 2) && mainglobals().repeatindex >= 0) return endrepeat(s, pc);
      return doend(s, pc);
    }
    if (t == tok::if_) return doif(s, first, end, pc);
    if (t == tok::cr) return doreturn(s);
    return control(t, first, end, pc);
  }
  i16 st = sendmes(entry_, text_, atoms_, s, vars_, nullptr, sendmeslevel);
  if (st != 0) return st;
  // The line after, as lineafter gives it: read here once the command's atom keeps it.
  const atom& a = at(s);
  *pc = a.numstate == numlineafter ? i32(a.value[0]) : lineafter(s);
  return 0;
}

// A statement done here (see step): kept apart, so that a command's step sets up none of it.
[[gnu::noinline]] i16 blockrunner::control(u16 t, i32 first, i32 end, i32* pc) {
  i32 s = *pc;
  switch (t) {
    case tok::cr: return doreturn(s);
    case tok::global: return doglobal(s, pc);
    case tok::globals: return doglobals(s, pc);
    case tok::local:
    case tok::enum_: return dolocal(s, pc);
    case tok::accept:
    case tok::ignore:
    case tok::refuse: return dodrop(s, pc);
    case tok::exit: return doexit(s, first, end, pc);
    case tok::next:
      if (tok(s + 1) != tok::repeat) return 34;
      if (!lineends(s + 2)) return 19;
      if (mainglobals().repeatindex < 0) return 35;
      return nextrepeat(nextline(s), end, pc);
    case tok::pass:
      if (!ishandlername(s + 1)) return 30;
      return statuspass;
    case tok::throw_: return dothrow(s, pc);
    case tok::try_: return dotry(s, first, end, pc);
    case tok::catch_: return 143;
    case tok::end: return doend(s, pc);
    case tok::else_: return 28;
    case tok::if_: return doif(s, first, end, pc);
    case tok::repeat: return dorepeat(s, end, pc);
    case tok::switch_: return doswitch(s, pc);
    case tok::case_: return docase(s, pc);
    default: break;
  }
  i16 st = sendmes(entry_, text_, atoms_, s, vars_, nullptr, sendmeslevel);
  if (st == 0) *pc = lineafter(s);
  return st;
}

i16 blockrunner::doreturn(i32 s) {
  fred v;
  i32 used = 0;
  if (lineends(s + 1)) {
    newfred(&v, fredtemp, fredstring, 0);
  } else if (i16 st = evaluate(s + 1, &used, &v); st != 0) {
    return st;
  }
  if (result_ != nullptr) {
    i16 st = fredtofred(&v, result_);
    disposfred(&v);
    if (st != 0) return st;
  } else {
    MainGlobals& g = mainglobals();
    i16 st = g.result == nilhandle ? fredtonewh(&v, &g.result) : fredtohand(&v, g.result);
    disposfred(&v);
    if (st != 0) return st;
  }
  return statusreturn;
}

i16 blockrunner::dothrow(i32 s, i32* pc) {
  i32 n = 0, used = 0;
  if (!lineends(s + 1)) {
    if (i16 st = evaluatelong(s + 1, &used, &n); st != 0) return st;
  }
  if (n == 0) {
    *pc = nextline(s);
    return 0;
  }
  return i16(n > 32767 ? 32767 : n < -32768 ? -32768 : n);
}

i16 blockrunner::doexit(i32 s, i32 first, i32 end, i32* pc) {
  u16 what = tok(s + 1);
  if (what == tok::script) return statusreturn;
  if (what == tok::switch_) return exitswitch(first, end, pc);
  if (what == tok::repeat) {
    if (!lineends(s + 2)) return 19;
    if (mainglobals().repeatindex < 0) return 31;
    return exitrepeat(nextline(s), end, pc);
  }
  if (what == tok::to && tok(s + 2) == tok::kestrove) return lineends(s + 3) ? i16(statusexittotop) : i16(19);
  if (!lineends(s + 1) && ishandlername(s + 1)) return statusreturn;
  return 33;
}

i16 blockrunner::dodrop(i32 s, i32* pc) {
  i32 i = s + 1;
  if (tok(i) == tok::drop) ++i;
  if (!lineends(i)) return 19;
  MainGlobals& g = mainglobals();
  if (g.dropunderway != 0) {
    g.dropverdict = tok(s);
    return statusexittotop;
  }
  *pc = nextline(s);
  return 0;
}

i16 blockrunner::doend(i32 s, i32* pc) {
  const atomview view(atoms_);
  u16 what = view.tok(s + 1);
  MainGlobals& g = mainglobals();
  if (what != tok::try_ && what != tok::repeat && what != tok::switch_) return 29;
  if (!view.lineends(s + 2)) return 19;
  if (what == tok::try_) {
    if (g.trydepth > 0) --g.trydepth;
    *pc = nextline(s);
    return 0;
  }
  if (what == tok::switch_) {
    if (g.switchindex < 0) return 29;
    --g.switchindex;
    *pc = nextline(s);
    return 0;
  }
  if (g.repeatindex < 0) return 29;
  return endrepeat(s, pc);
}

// --- try / catch -----------------------------------------------------------------------------

i16 blockrunner::dotry(i32 s, i32 first, i32 end, i32* pc) {
  if (!lineends(s + 1)) return 19;
  i32 catchatom = at(s).link;
  if (catchatom <= s || tok(catchatom) != tok::catch_) return 143;
  // The `end` of `end try`: the catch part runs up to the next partner.
  i32 partner = at(catchatom).link;
  i32 endatom = partner;
  for (i32 steps = 0; endatom > 0 && tok(endatom) == tok::catch_ && steps < count(); ++steps)
    endatom = at(endatom).link;
  if (partner <= catchatom || endatom <= catchatom || tok(endatom) != tok::end || endatom >= end) return 143;

  MainGlobals& g = mainglobals();
  ++g.trydepth;
  i16 kept = blockrunner(entry_, handler_, vars_, result_).run(nextline(s), catchatom);
  if (g.trydepth > 0) --g.trydepth;
  i32 after = nextline(endatom);
  if (kept < 0) {
    // return, pass, exit and the loop statements leave the try statement.
    return afternested(kept, after, first, end, pc);
  }
  // The catch line: an optional container for the error number.
  if (!lineends(catchatom + 1)) {
    chunkpart dest;
    i32 used = 0;
    i16 st = destination(entry_, text_, atoms_, catchatom + 1, vars_, nilhandle, &used, &dest, 1, 0);
    if (st != 0) return post(st, catchatom);
    if (!lineends(catchatom + 1 + used)) {
      releasecontainer(&dest);
      return post(19, catchatom);
    }
    fred n;
    longtonewfred(kept, &n);
    if ((st = pututil(&dest, &n, tok::into)) != 0) return post(st, catchatom);
  }
  if (kept > 0) {
    i16 st = blockrunner(entry_, handler_, vars_, result_).run(nextline(catchatom), partner);
    if (st != 0) return afternested(st, after, first, end, pc);
  }
  *pc = after;
  return 0;
}

// --- if --------------------------------------------------------------------------------------

i16 blockrunner::doif(i32 s, i32 first, i32 end, i32* pc) {
  u16 flag = 0;
  i32 used = 0;
  if (i16 st = evaluatebool(s + 1, &used, &flag); st != 0) return st;
  if (tok(s + 1 + used) != tok::then) return 25;
  ifshape shape;
  if (i16 st = ifcrawl(s, end, &shape); st != 0) return st;
  i16 st = 0;
  if (flag != 0) {
    st = blockrunner(entry_, handler_, vars_, result_).run(shape.thenfirst, shape.thenend);
  } else if (shape.elsefirst >= 0) {
    st = blockrunner(entry_, handler_, vars_, result_).run(shape.elsefirst, shape.elseend);
  }
  if (st != 0) return afternested(st, shape.after, first, end, pc);
  *pc = shape.after;
  return 0;
}

// The extent of one part (`then` or `else`) starting after its keyword at `kw`: single-line
// (the rest of the line, a whole nested `if`, or for `then` a repeat up to its end) or, when
// the keyword ends its line, the lines up to `else` or `end if`.
i16 blockrunner::partcrawl(i32 kw, i32 end, bool isthen, i32* partfirst, i32* partend, bool* multi) const {
  i32 s = kw + 1;
  *multi = lineends(s);
  if (!*multi) {
    *partfirst = s;
    if (tok(s) == tok::if_) {
      ifshape nested;
      if (i16 st = ifcrawl(s, end, &nested); st != 0) return st;
      *partend = nested.after;
    } else if (isthen && tok(s) == tok::repeat) {
      i32 switches = 0;
      i32 line = matchingendrepeat(nextline(s), end, &switches);
      if (line < 0) return 21;
      *partend = nextline(line);
    } else {
      *partend = nextline(s);
    }
    return 0;
  }
  *partfirst = nextline(kw);
  for (i32 line = *partfirst; line < end && tok(line) != tok::endofscript;) {
    u16 t = tok(line);
    if (t == tok::else_) {
      if (!isthen) return 28;
      *partend = line;
      return 0;
    }
    if (t == tok::end && tok(line + 1) == tok::if_) {
      *partend = line;
      return 0;
    }
    if (t == tok::if_) {
      ifshape nested;
      if (i16 st = ifcrawl(line, end, &nested); st != 0) return st;
      line = nested.after;
    } else {
      line = nextline(line);
    }
  }
  return 26;
}

// Measures a whole `if` statement. The counts are cached in the link words of the `if`,
// `then` and `else` atoms the first time, and read from there afterwards.
i16 blockrunner::ifcrawl(i32 s, i32 end, ifshape* shape) const {
  if (nostack(stackneeded) != 0) return 50;
  // The measured shape is read from the atoms in place: nothing here allocates.
  const atomview view(atoms_);
  i32 thenatom = s + 1;
  while (!view.lineends(thenatom) && view.tok(thenatom) != tok::then) ++thenatom;
  if (view.tok(thenatom) != tok::then) return 25;
  i32 iflink = view.atoms[s].link, thenlink = view.atoms[thenatom].link;
  if (iflink > 0 && thenlink > 0) {
    shape->thenfirst = view.lineends(thenatom + 1) ? view.nextline(thenatom) : thenatom + 1;
    shape->thenend = thenatom + thenlink;
    shape->after = s + iflink;
    i32 e = shape->thenend;
    shape->elsefirst = -1;
    if (view.tok(e) == tok::else_ && view.atoms[e].link > 0 && e < shape->after) {
      shape->elsefirst = view.lineends(e + 1) ? view.nextline(e) : e + 1;
      shape->elseend = e + view.atoms[e].link;
    }
    return 0;
  }
  atom& ifa = at(s);
  atom& thena = at(thenatom);
  bool multi = false;
  if (i16 st = partcrawl(thenatom, end, true, &shape->thenfirst, &shape->thenend, &multi); st != 0) return st;
  shape->elsefirst = -1;
  shape->elseend = -1;
  i32 after = shape->thenend;
  i32 closing = -1;  // the `end if` line, when a multi-line part closes with one
  if (multi && tok(after) == tok::end) closing = after;
  if (tok(after) == tok::else_) {
    i32 elseatom = after;
    bool elsemulti = false;
    if (i16 st = partcrawl(elseatom, end, false, &shape->elsefirst, &shape->elseend, &elsemulti); st != 0) return st;
    after = shape->elseend;
    closing = elsemulti ? after : -1;
    at(elseatom).link = shape->elseend - elseatom;
  }
  if (closing >= 0) {
    if (!lineends(closing + 2)) return 19;
    after = nextline(closing);
  }
  shape->after = after;
  thena.link = shape->thenend - thenatom;
  ifa.link = after - s;
  return 0;
}

// --- switch ----------------------------------------------------------------------------------

i16 blockrunner::doswitch(i32 s, i32* pc) {
  i32 firstcase = at(s).link;
  if (firstcase <= s) return 142;
  i32 endatom = firstcase;
  for (i32 steps = 0; tok(endatom) == tok::case_ && steps < count(); ++steps) {
    endatom = at(endatom).link;
    if (endatom <= s) return 142;
  }
  if (tok(endatom) != tok::end) return 142;
  MainGlobals& g = mainglobals();
  if (i16 st = addswitch(endatom); st != 0) return st;
  if (lineends(s + 1)) {
    HandleAs<switchentry>(g.switchque)[g.switchindex].word |= 0x80000000u;
    *pc = firstcase;
    return 0;
  }
  fred value;
  i32 used = 0;
  if (i16 st = evaluate(s + 1, &used, &value); st != 0) return st;
  if (!lineends(s + 1 + used)) {
    disposfred(&value);
    return 19;
  }
  for (i32 c = firstcase; tok(c) == tok::case_; c = at(c).link) {
    fred casevalue;
    i16 st = evaluate(c + 1, &used, &casevalue);
    if (st == 0 && !lineends(c + 1 + used)) {
      disposfred(&casevalue);
      st = 19;
    }
    if (st != 0) {
      disposfred(&value);
      return post(st, c);
    }
    i16 equal = fredisfred(&value, &casevalue);
    disposfred(&casevalue);
    if (equal != 0) {
      disposfred(&value);
      *pc = nextline(c);
      return 0;
    }
  }
  disposfred(&value);
  --g.switchindex;
  *pc = nextline(endatom);
  return 0;
}

i16 blockrunner::docase(i32 s, i32* pc) {
  MainGlobals& g = mainglobals();
  bool condition = g.switchindex >= 0 && HandleAs<switchentry>(g.switchque)[g.switchindex].condition();
  if (!condition) {
    *pc = nextline(s);
    return 0;
  }
  u16 flag = 0;
  i32 used = 0;
  if (i16 st = evaluatebool(s + 1, &used, &flag); st != 0) return st;
  if (!lineends(s + 1 + used)) return 19;
  if (flag == 0) {
    i32 next = at(s).link;
    *pc = next > s ? next : nextline(s);
    return 0;
  }
  HandleAs<switchentry>(g.switchque)[g.switchindex].word &= 0x7FFFFFFFu;
  *pc = nextline(s);
  return 0;
}

i16 blockrunner::addswitch(i32 endatom) const {
  MainGlobals& g = mainglobals();
  i32 index = g.switchindex + 1;
  Size have = HandleCount<switchentry>(g.switchque);
  if (index >= have) {
    Size bytes = (have + queueblock) * Size(sizeof(switchentry));
    if (memoryrefused(2 * queueblock * Size(sizeof(switchentry)))) return 144;
    SetHandleSize(g.switchque, bytes);
    if (MemError() != noErr) return 144;
  }
  g.switchindex = i16(index);
  HandleAs<switchentry>(g.switchque)[index] = switchentry{u32(endatom)};
  return 0;
}

// --- Entry points ----------------------------------------------------------------------------

scriptstatus runblock(hierpath entry, i32 handleratom, i32 first, i32 end, Handle variables, fred* result) {
  if (entry.empty() || entry.front().atoms == nilhandle) return 0;
  return blockrunner(entry, handleratom, variables, result).run(first, end);
}

void trimswitchque() {
  MainGlobals& g = mainglobals();
  if (g.switchque == nilhandle) return;
  Size blocks = (g.switchindex + 1 + queueblock - 1) / queueblock;
  if (blocks < 1) blocks = 1;
  const Size bytes = blocks * queueblock * Size(sizeof(switchentry));
  if (GetHandleSize(g.switchque) != bytes) SetHandleSize(g.switchque, bytes);
}

void restorequeues(i16 repeatindex, i16 switchindex) {
  droprepeat(repeatindex);
  MainGlobals& g = mainglobals();
  if (g.switchindex > switchindex) g.switchindex = switchindex;
  trimrepeatque();
  trimswitchque();
}

}  // namespace kv
