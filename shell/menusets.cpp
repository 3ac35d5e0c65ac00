#include "shell/menusets.h"

#include <algorithm>

#include "platform/memory/memory.h"
#include "shell/mainglobals.h"

namespace kv {

namespace {
menuset& current() {
  MainGlobals& g = mainglobals();
  i16 i = g.menuSet >= 0 && g.menuSet < kMenuSets ? g.menuSet : 0;
  return g.menusets[i];
}
}  // namespace

i16 initmenusets() {
  for (menuset& s : mainglobals().menusets) {
    if (s.lines == nilhandle) s.lines = NewHandle(0);
    if (s.lines == nilhandle) return 37;
    s.count = 0;
  }
  return 0;
}

Handle currentline() { return current().lines; }

i16 currentnumlines() {
  const menuset& s = current();
  if (s.lines == nilhandle || s.count <= 0) return 0;
  return i16(std::min<Size>(s.count, HandleCount<menuline>(s.lines)));
}

bool isdockmenuline(const menuline& line) {
  const menuline& dock = mainglobals().dockmenu;
  return dock.store != nilid && dock.store == line.store && dock.menunum == line.menunum;
}

}  // namespace kv
