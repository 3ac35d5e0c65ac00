// The message box's text and the lines it runs: an expression is answered into the box, any
// other line runs as statements in the current card's context, with the global variables as
// the box's own.
#include "shell/messagebox.h"

#include "engine/fred.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/scripterror.h"
#include "engine/status.h"
#include "engine/textutil.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "store/commitpoints.h"

namespace kv {

namespace {

constexpr i16 kNotUnderstood = 1;  // what a message nobody takes ends with

bool blankline(std::string_view line) {
  for (char c : line)
    if (c != ' ' && c != '\t') return false;
  return true;
}

bool samevariable(const varentry& a, const varentry& b) {
  if (a.key != b.key) return false;
  Str255 name;
  handtostring(b.name, name);
  return equalhand(a.name, name) != 0;
}

// A variable list that borrows every global: a line runs with it, so that it reads and
// writes the globals as its own variables.
Handle borrowglobals() {
  Handle list = NewHandle(0);
  Handle globals = mainglobals().globalvars;
  if (list == nilhandle || globals == nilhandle) return list;
  for (Size i = 0; i < HandleCount<varentry>(globals); ++i) {
    varentry e = HandleAs<varentry>(globals)[i];
    e.state = varborrowed;
    if (addvars(list, e) != 0) break;
  }
  return list;
}

// The variables a line made become globals (unless a handler it called declared a global of
// the same name meanwhile); the list then goes.
void keepasglobals(Handle list) {
  Handle globals = mainglobals().globalvars;
  for (Size i = 0; globals != nilhandle && i < HandleCount<varentry>(list); ++i) {
    varentry e = HandleAs<varentry>(list)[i];
    if (e.state <= varborrowed) continue;
    bool known = false;
    for (Size k = 0; k < HandleCount<varentry>(globals) && !known; ++k)
      known = samevariable(HandleAs<varentry>(globals)[k], e);
    if (known) continue;
    e.state = varborrowed;
    if (addvars(globals, e) == 0) HandleAs<varentry>(list)[i].state = varborrowed;
  }
  dumpvars(list);
}

}  // namespace

i16 setmsgtext(fred* value) {
  MainGlobals& g = mainglobals();
  if (g.msgpending == nilhandle) g.msgpending = NewHandle(0);
  if (g.msgpending == nilhandle) return err::nomemory;
  return fredtohand(value, g.msgpending);
}

i16 runmsgline(std::string_view line) {
  if (blankline(line)) return 0;
  // The line is one change: what it does reaches the project file when it is done.
  ChangeScope change;
  MainGlobals& g = mainglobals();
  clearerror();
  // An expression first: the whole line, and more than a single word that names nothing.
  fred answer;
  i16 tried = evalsend(line, &answer);
  if (tried == 0) {
    i16 st = setmsgtext(&answer);
    disposfred(&answer);
    return st;
  }
  disposfred(&answer);
  // An expression that ran a handler which failed has failed where the handler says.
  i16 st = tried;
  if (g.erroroffset == -1) {
    Handle vars = borrowglobals();
    if (vars == nilhandle) return err::nomemory;
    st = xcomdo(line, vars);
    keepasglobals(vars);
    // A first word of the line that nobody takes: the complaint is the expression's. A
    // handler the line called that met a word nobody takes has failed with its own error
    // (its place is recorded), as it would have wherever it was called from.
    if (st == kNotUnderstood && tried > 0 && g.erroroffset == -1) st = tried;
  }
  doerror(st);
  return st < 0 ? i16(0) : st;
}

}  // namespace kv
