#include "engine/lookups.h"

#include <algorithm>

#include "engine/servicehooks.h"
#include "platform/memory/memory.h"
#include "platform/windows/windows.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"

namespace kv {

namespace {
constexpr i16 kNoMemory = 37;

// Calls fn on each desk of the window table until it answers true; the index it stopped at,
// or -1.
template <class Fn>
i32 eachdesk(Fn&& fn) {
  const MainGlobals& g = mainglobals();
  if (g.winds == nilhandle || g.numwinds <= 0) return -1;
  i32 n = i32(std::min<Size>(g.numwinds, HandleCount<desk>(g.winds)));
  for (i32 i = 0; i < n; ++i)
    if (fn(HandleAs<desk>(g.winds)[i])) return i;
  return -1;
}
}  // namespace

i16 totwind(RegistryId store) {
  i16 n = 0;
  eachdesk([&](const desk& d) {
    if (d.store == store) ++n;
    return false;
  });
  return n;
}

bool haswind(RegistryId store, u32 windnum, desk* out) {
  i32 i = eachdesk([&](const desk& d) {
    return d.store == store && d.windnum == windnum && d.window != nilid && IsValidWindowPtr(d.window);
  });
  if (i < 0) return false;
  *out = HandleAs<desk>(mainglobals().winds)[i];
  return true;
}

bool hasmenu(RegistryId store, u32 menunum, menuline* out, i32* index) {
  Handle lines = currentline();
  i16 n = currentnumlines();
  for (i32 i = 0; i < n; ++i) {
    const menuline& l = HandleAs<menuline>(lines)[i];
    if (l.store == store && l.menunum == menunum) {
      *out = l;
      *index = i;
      return true;
    }
  }
  return false;
}

void dumpfile(RegistryId store) {
  const projectstore* st = findprojectstore(store);
  if (st == nullptr || store == mainglobals().sharedstore) return;
  // With no window of the project left open, the sounds kept from it hold it no longer.
  if (totwind(store) == 0) servicehooks().closekeptsounds(store);
  if (st->cache != nilhandle) {
    Size n = HandleCount<virentry>(st->cache);
    for (Size i = 0; i < n; ++i)
      if (HandleAs<virentry>(st->cache)[i].usecount != 0) return;
  }
  checkerr(closevir(store));
}

i16 firstappearances(RegistryId store, Handle window, const std::function<bool(u32, u32)>& fn) {
  u32 backs = loadat<windrec>(deref(window)).backcount;
  if (memoryrefused(Size(backs) * 4)) return kNoMemory;
  Handle seen = NewHandle(0);
  if (seen == nilhandle) return kNoMemory;
  u32 cards = loadat<windrec>(deref(window)).cardcount, last = 0;
  i16 result = 0;
  eachword(store, window, 1, i32(std::min<u32>(cards, INT32_MAX)), [&](i32 i, const wordentry& e) {
    // Consecutive cards of one background are passed over at once.
    if (i > 1 && e.backrecord == last) return false;
    last = e.backrecord;
    Size n = HandleCount<u32>(seen);
    bool known = false;
    for (Size j = 0; j < n && !known; ++j) known = HandleAs<u32>(seen)[j] == last;
    if (known) return false;
    if (PtrAndHand(&last, seen, 4) != noErr) {
      result = kNoMemory;
      return true;
    }
    return fn(last, u32(n + 1));
  });
  DisposeHandle(seen);
  return result;
}

i16 backidtobacknum(RegistryId store, Handle window, u32 backrecid, u32* number) {
  u32 found = 0;
  i16 st = firstappearances(store, window, [&](u32 recid, u32 n) {
    if (recid == backrecid) found = n;
    return found != 0;
  });
  if (st != 0) return st;
  if (found == 0) return 60;
  *number = found;
  return 0;
}

i16 addir(i16 volume, u32 dirid) {
  MainGlobals& g = mainglobals();
  if (g.dirlist == nilhandle) {
    g.dirlist = NewHandle(0);
    if (g.dirlist == nilhandle) return kNoMemory;
  }
  Size n = HandleCount<dirlistentry>(g.dirlist);
  dirlistentry* e = HandleAs<dirlistentry>(g.dirlist);
  for (Size i = 0; i < n; ++i) {
    if (e[i].volume == volume && e[i].dirid == dirid) {
      ++e[i].uses;
      return 0;
    }
  }
  dirlistentry added{volume, dirid, 1};
  if (PtrAndHand(&added, g.dirlist, Size(sizeof added)) != noErr) return kNoMemory;
  return 0;
}

}  // namespace kv
