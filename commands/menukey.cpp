// The built-in end of "menuKey": the command key that no menu item and no handler took.
#include "commands/commands.h"
#include "commands/navigation.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"

namespace kv {

scriptstatus comenukey(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred key{};
  i32 used = 0;
  if (i16 st = expression(path, text, atoms, at + 1, variables, nilhandle, &used, &key)) return st;
  Str255 s{};
  fredtostring(&key, s);
  disposfred(&key);
  u16 next = tokenat(atoms, at + 1 + used);
  if (next != tok::endofline && next != tok::endofscript) return err::stray;
  // Command-Q quits; every other key does nothing.
  if (s[0] == 1 && (s[1] == 'q' || s[1] == 'Q')) return shutdown(0);
  return 0;
}

}  // namespace kv
