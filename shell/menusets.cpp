#include "shell/menusets.h"

#include <algorithm>

#include "engine/lookups.h"
#include "engine/objectutil.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"
#include "shell/menus.h"
#include "store/forms.h"
#include "store/objread.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr i16 kOwnSubmenu = 113;
constexpr i16 kProtectedResult = 107;
constexpr u32 kProtectedFlag = 2;
constexpr i32 kLineSize = i32(sizeof(menuline));

menuset& current() {
  MainGlobals& g = mainglobals();
  i16 i = g.menuSet >= 0 && g.menuSet < kMenuSets ? g.menuSet : 0;
  return g.menusets[i];
}

bool issubmenu(const menuline& l) { return l.placement == placesubmenu || l.placement == placepopup; }

menuline* lineptr(i32 index) { return &HandleAs<menuline>(currentline())[index]; }

void protectedresult() { stringtohand(resultstr(kProtectedResult), mainglobals().result); }

// Calls fn on every line of every set, and on the dock menu's line.
template <class Fn>
void everyline(Fn&& fn) {
  MainGlobals& g = mainglobals();
  for (menuset& s : g.menusets) {
    if (s.lines == nilhandle) continue;
    i32 n = i32(std::min<Size>(std::max<i16>(s.count, 0), HandleCount<menuline>(s.lines)));
    for (i32 i = 0; i < n; ++i) fn(HandleAs<menuline>(s.lines)[i]);
  }
  if (g.dockmenu.store != nilid) fn(g.dockmenu);
}

}  // namespace

i16 initmenusets() {
  MainGlobals& g = mainglobals();
  for (menuset& s : g.menusets) {
    if (s.lines == nilhandle) s.lines = NewHandle(0);
    if (s.lines == nilhandle) return 37;
    s.count = 0;
  }
  g.fontmenu = nilid;
  return 0;
}

u32 menuflags(const menuline& line) {
  if (line.menu == nilhandle || GetHandleSize(line.menu) < Size(sizeof(menurec))) return 0;
  return loadat<menurec>(deref(line.menu)).flags;
}

bool menuprotected(const menuline& line) { return (menuflags(line) & kProtectedFlag) != 0; }

i32 menuitemcount(const menuline& line) {
  return line.items == nilhandle ? 0 : i32(GetHandleSize(line.items) / Size(sizeof(menuitem)));
}

void syncmenuitems(RegistryId store, u32 menurecid) {
  everyline([&](menuline& l) {
    if (l.store == store && l.menurecid == menurecid && l.menu != nilhandle)
      l.items = Handle(loadat<menurec>(deref(l.menu)).items);
  });
}

i16 lowinsert(const tray& t, RegistryId parentstore, u32 parentnum, i32 position, u16 placement, bool rebuild) {
  RegistryId store = nilid;
  i32 menunum = 0;
  if (i16 st = traytonums(t, &store, &menunum)) return st;
  i16 st = insertline(store, u32(menunum), parentstore, parentnum, position, placement, rebuild);
  // A project opened only for the reference closes again.
  if (st != 0) dumpfile(store);
  return st;
}

i16 insertline(RegistryId store, u32 menunum, RegistryId parentstore, u32 parentnum, i32 position, u16 placement,
               bool rebuild) {
  bool sub = placement == placesubmenu || placement == placepopup;
  // Refused before anything moves: a menu under one of its own items.
  if (sub && parentstore == store && parentnum == menunum) return kOwnSubmenu;
  i32 target = position;
  if (placement == placehelp) {
    // One Help line per set.
    shellmenustate().helpmenushown = 1;
    if (i32 i = firstlineof(placehelp); i >= 0) deleteline(i);
  } else if (sub) {
    // One submenu per item.
    for (i32 i = 0; i < currentnumlines(); ++i) {
      const menuline& l = *lineptr(i);
      if (issubmenu(l) && l.parentstore == parentstore && l.parentnum == parentnum && l.position == position) {
        deleteline(i);
        break;
      }
    }
    target = currentnumlines();
  }
  menuline line{};
  i32 index = 0;
  i32 n = currentnumlines();
  if (hasmenu(store, menunum, &line, &index)) {
    // The line moves; its records stay held.
    if (index < target) --target;
    target = std::clamp(target, 0, n - 1);
    menuline* a = lineptr(0);
    if (target < index) std::rotate(a + target, a + index, a + index + 1);
    else std::rotate(a + index, a + index + 1, a + target + 1);
    index = target;
  } else {
    if (i16 st = holdmenu(store, menunum, &line)) return st;
    index = std::clamp(target, 0, n);
    if (i16 st = qadd(currentline(), &index, kLineSize)) {
      releasemenu(&line);
      return st;
    }
    *lineptr(index) = line;
    ++current().count;
  }
  menuline* l = lineptr(index);
  l->parentstore = parentstore;
  l->parentnum = parentnum;
  l->placement = placement;
  l->position = u16(std::clamp(position, 0, 0xFFFF));
  if (rebuild) {
    reorderlines();
    buildmenubar();
    drawmenubar();
  }
  return 0;
}

void deleteline(i32 index) {
  if (index < 0 || index >= currentnumlines()) return;
  menuline line = *lineptr(index);
  qdelete(currentline(), index, kLineSize);
  --current().count;
  releasemenu(&line);
}

void reorderlines() {
  // Submenus and pop-ups whose parent menu has no line go, one at a time.
  while (true) {
    i32 orphan = -1;
    for (i32 i = 0; i < currentnumlines() && orphan < 0; ++i) {
      const menuline& l = *lineptr(i);
      menuline parent{};
      i32 at = 0;
      if (issubmenu(l) && !hasmenu(l.parentstore, l.parentnum, &parent, &at)) orphan = i;
    }
    if (orphan < 0) break;
    deleteline(orphan);
  }
  // The bar's and the Help menu's lines first, in their order; the submenus after them.
  i32 n = currentnumlines();
  if (n > 1) {
    menuline* a = lineptr(0);
    std::stable_partition(a, a + n, [](const menuline& l) { return !issubmenu(l); });
  }
}

void adjusthiers(RegistryId store, u32 menunum, i32 item, bool inserting) {
  for (i32 i = 0; i < currentnumlines();) {
    menuline* l = lineptr(i);
    if (issubmenu(*l) && l->parentstore == store && l->parentnum == menunum) {
      if (inserting) {
        if (l->position > item) ++l->position;
      } else if (l->position == item) {
        deleteline(i);
        continue;
      } else if (l->position > item) {
        --l->position;
      }
    }
    ++i;
  }
}

void closemenus() {
  for (i32 i = currentnumlines() - 1; i >= 0; --i) {
    if (menuprotected(*lineptr(i))) protectedresult();
    else deleteline(i);
  }
}

void killprojmenus(RegistryId store, bool force) {
  MainGlobals& g = mainglobals();
  i16 saved = g.menuSet;
  for (i16 s = 0; s < kMenuSets; ++s) {
    g.menuSet = s;
    for (i32 i = currentnumlines() - 1; i >= 0; --i) {
      const menuline& l = *lineptr(i);
      if (l.store != store) continue;
      if (menuprotected(l) && !force) protectedresult();
      else deleteline(i);
    }
  }
  g.menuSet = saved;
  buildmenubar();
  drawmenubar();
}

void releasemenusets() {
  MainGlobals& g = mainglobals();
  i16 saved = g.menuSet;
  for (i16 s = 0; s < kMenuSets; ++s) {
    g.menuSet = s;
    for (i32 i = currentnumlines() - 1; i >= 0; --i) deleteline(i);
  }
  g.menuSet = saved;
  removedockmenu();
}

void protectprojmenus(RegistryId store, bool protect) {
  MainGlobals& g = mainglobals();
  for (menuset& s : g.menusets) {
    if (s.lines == nilhandle) continue;
    i32 n = i32(std::min<Size>(std::max<i16>(s.count, 0), HandleCount<menuline>(s.lines)));
    for (i32 i = 0; i < n; ++i) {
      menuline l = HandleAs<menuline>(s.lines)[i];
      if ((store != nilid && l.store != store) || l.menu == nilhandle) continue;
      menurec r = loadat<menurec>(deref(l.menu));
      r.flags = protect ? u32(r.flags | kProtectedFlag) : u32(r.flags & ~kProtectedFlag);
      storeat(deref(l.menu), r);
    }
  }
}

}  // namespace kv
