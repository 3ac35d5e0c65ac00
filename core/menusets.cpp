#include "core/menusets.h"

#include <algorithm>

#include "core/mainglobals.h"
#include "platform/memory/memory.h"

namespace kv {

namespace {

menuset& current() {
  MainGlobals& g = mainglobals();
  i16 i = g.menuSet >= 0 && g.menuSet < kMenuSets ? g.menuSet : 0;
  return g.menusets[i];
}

menuline* lineptr(i32 index) { return &HandleAs<menuline>(currentline())[index]; }

}  // namespace

Handle currentline() { return current().lines; }

i16 currentnumlines() {
  const menuset& s = current();
  if (s.lines == nilhandle || s.count <= 0) return 0;
  return i16(std::min<Size>(s.count, HandleCount<menuline>(s.lines)));
}

menuline lineat(i32 index) {
  if (index < 0 || index >= currentnumlines()) return menuline{};
  return *lineptr(index);
}

i32 firstlineof(u16 placement) {
  i16 n = currentnumlines();
  for (i32 i = 0; i < n; ++i)
    if (lineptr(i)->placement == placement) return i;
  return -1;
}

bool isdockmenuline(const menuline& line) {
  const menuline& dock = mainglobals().dockmenu;
  return dock.store != nilid && dock.store == line.store && dock.menunum == line.menunum;
}

}  // namespace kv
