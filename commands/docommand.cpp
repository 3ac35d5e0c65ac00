#include "commands/docommand.h"

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/scripterrors.h"
#include "engine/sendmes.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"

namespace kv {

namespace {

constexpr Size kLongestLine = 255;

// Where the first line longer than the longest allowed starts; the text's size when none is.
Size longlinestart(Handle message) {
  Size n = GetHandleSize(message);
  Size start = 0;
  for (Size i = 0; i <= n; ++i) {
    if (i < n && deref(message)[i] != 13) continue;
    if (i - start > kLongestLine) return start;
    start = i + 1;
  }
  return n;
}

}  // namespace

scriptstatus comdo(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  fred value;
  i32 used = 0;
  i16 st = expression(path, text, atoms, at + 1, variables, nilhandle, &used, &value);
  if (st != 0) return st;
  u16 after = tokenat(atoms, at + 1 + used);
  if (after != tok::endofline && after != tok::endofscript) {
    disposfred(&value);
    return err::stray;
  }
  Handle message = nilhandle;
  st = fredtonewh(&value, &message);
  disposfred(&value);
  if (st != 0) return st;
  Size cut = longlinestart(message);
  bool toolong = cut < GetHandleSize(message);
  if (toolong) SetHandleSize(message, cut);
  st = meesend(message, variables, path);
  DisposeHandle(message);
  return st == 0 && toolong ? err::nametoolong : st;
}

}  // namespace kv
