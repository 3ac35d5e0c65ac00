// The interpreter's block runner, shared by its files (runblock.cpp: statements, if, try and
// switch; loops.cpp: repeat loops and variable declarations). Not for other callers.
#pragma once

#include "engine/atom.h"
#include "engine/hier.h"
#include "engine/keywords.h"
#include "engine/expression.h"
#include "platform/memory/memory.h"

namespace kv {

struct fred;

// Words the interpreter looks for by token.
enum : u16 {
  tokAccept = 2001,
  tokIgnore = 2082,
  tokRefuse = 2153,
  tokGlobals = 3062,
  tokScript = 4233,
  tokDown = 5004,
  tokReturnWord = 5007,
  tokEach = 10006,
  tokEnum = 10009,
  tokGlobal = 10011,
  tokLocal = 10014,
  tokNext = 10015,
  tokIn = 10016,
  tokPass = 10017,
  tokThrow = 10021,
  tokDrop = 11081,
  tokFor = 11115,
  tokKestrove = 11134,
  tokTimes = 11317,
  tokUntil = 11330,
  tokWhile = 11345,
};

// The measured parts of an `if` statement.
struct ifshape {
  i32 thenfirst = -1, thenend = -1;  // the then part's atoms
  i32 elsefirst = -1, elseend = -1;  // the else part's, or -1 without one
  i32 after = -1;                    // the first atom after the whole statement
};

// Drops the loops above `index`, releasing their texts.
void droprepeat(i16 index);

class blockrunner {
 public:
  blockrunner(hierpath entry, i32 handleratom, Handle variables, fred* result);
  // Runs [first, end) line by line.
  i16 run(i32 first, i32 end);

 private:
  u16 tok(i32 i) const { return tokenat(atoms_, i); }
  atom& at(i32 i) const { return HandleAs<atom>(atoms_)[i]; }
  i32 count() const { return i32(HandleCount<atom>(atoms_)); }
  i32 nextline(i32 i) const;
  i32 lineafter(i32 s) const;
  bool lineends(i32 i) const;
  bool ishandlername(i32 i) const;
  i16 post(i16 st, i32 atom) const;
  i16 evaluate(i32 i, i32* used, fred* value) const;
  i16 evaluatelong(i32 i, i32* used, i32* n) const;
  i16 evaluatebool(i32 i, i32* used, u16* b) const;

  i16 step(u16 t, i32 first, i32 end, i32* pc);
  i16 control(u16 t, i32 first, i32 end, i32* pc);
  i16 doreturn(i32 s);
  i16 dothrow(i32 s, i32* pc);
  i16 doexit(i32 s, i32 first, i32 end, i32* pc);
  i16 dodrop(i32 s, i32* pc);
  i16 doend(i32 s, i32* pc);
  i16 dotry(i32 s, i32 first, i32 end, i32* pc);
  i16 doif(i32 s, i32 first, i32 end, i32* pc);
  i16 partcrawl(i32 kw, i32 end, bool isthen, i32* partfirst, i32* partend, bool* multi) const;
  i16 ifcrawl(i32 s, i32 end, ifshape* shape) const;
  i16 doswitch(i32 s, i32* pc);
  i16 docase(i32 s, i32* pc);
  i16 addswitch(i32 endatom) const;

  // loops.cpp
  i16 dorepeat(i32 s, i32 end, i32* pc);
  i16 endrepeat(i32 s, i32* pc);
  i16 skiploop(i32 s, i32 end, i32* pc) const;
  i16 doglobal(i32 s, i32* pc);
  i16 doglobals(i32 s, i32* pc);
  i16 dolocal(i32 s, i32* pc);

  i32 matchingendrepeat(i32 from, i32 end, i32* switches) const;
  void dropswitches(i32 n) const;
  i16 exitrepeat(i32 from, i32 end, i32* pc) const;
  i16 nextrepeat(i32 from, i32 end, i32* pc) const;
  i16 exitswitch(i32 first, i32 end, i32* pc) const;
  i16 afternested(i16 st, i32 after, i32 first, i32 end, i32* pc) const;

  hierpath entry_;
  Handle text_;
  Handle atoms_;
  i32 handler_;
  Handle vars_;
  fred* result_;
};

}  // namespace kv
