// Until the evaluator exists an expression is a single atom: a quoted string gives the text
// between its quotes, any other atom its own text. An end of line or of script is error 3.
#include "engine/expression.h"

#include "engine/atom.h"
#include "engine/fred.h"
#include "platform/memory/memory.h"

namespace kv {

i16 expression(hier*, Handle text, Handle atoms, i32 at, Handle, Handle, i32* count, fred* value) {
  *count = 0;
  if (at < 0 || at >= HandleCount<atom>(atoms)) return 3;
  atom a = HandleAs<atom>(atoms)[at];
  if (a.token <= 1) return 3;
  i16 st = a.token == 2 ? quotetonewfred(a, text, value) : atomtonewfred(a, text, value);
  if (st == 0) *count = 1;
  return st;
}

}  // namespace kv
