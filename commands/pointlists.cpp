#include "commands/pointlists.h"

#include <cstring>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"

namespace kv {

namespace {

// One coordinate: an expression of the joined text, a whole number within 16 bits.
scriptstatus coordinate(hierpath path, Handle text, Handle atoms, i32* i, Handle variables, i16* out) {
  fred v;
  i32 used = 0;
  i16 st = expression(path, text, atoms, *i, variables, nilhandle, &used, &v);
  if (st != 0) return st;
  i32 n = 0;
  st = fredtolong(&v, &n);
  disposfred(&v);
  if (st != 0) return st;
  if (n < -32768 || n > 32767) return err::numberrange;
  *out = i16(n);
  *i += used;
  return 0;
}

}  // namespace

scriptstatus getloclist(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                        Handle* points) {
  *count = 0;
  *points = nilhandle;
  Handle joined = nilhandle;
  i32 used = 0;
  if (i16 st = listonewh(text, atoms, at, path, variables, nilhandle, &used, &joined); st != 0) return st;
  Size n = GetHandleSize(joined);
  i32 items = 1;
  for (Size k = 0; k < n; ++k)
    if (deref(joined)[k] == ',') ++items;
  if (n == 0 || items % 2 != 0) {
    DisposeHandle(joined);
    return err::cantunderstand;
  }
  Handle listatoms = nilhandle;
  i16 st = tokenize(joined, &listatoms);
  Handle out = st == 0 ? NewHandle(Size(items / 2) * Size(sizeof(Point))) : nilhandle;
  if (st == 0 && out == nilhandle) st = err::nomemory;
  for (i32 p = 0, i = 0; st == 0 && p < items / 2; ++p) {
    Point pt{};
    st = coordinate(path, joined, listatoms, &i, variables, &pt.h);
    if (st == 0 && tokenat(listatoms, i++) != tok::comma) st = err::nocomma;
    if (st == 0) st = coordinate(path, joined, listatoms, &i, variables, &pt.v);
    if (st == 0 && tokenat(listatoms, i) == tok::comma) ++i;
    if (st == 0) std::memcpy(deref(out) + size_t(p) * sizeof(Point), &pt, sizeof pt);
  }
  if (listatoms != nilhandle) DisposeHandle(listatoms);
  DisposeHandle(joined);
  if (st != 0) {
    if (out != nilhandle) DisposeHandle(out);
    return st;
  }
  *points = out;
  *count = used;
  return 0;
}

}  // namespace kv
