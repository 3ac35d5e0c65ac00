#include "store/forms.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/geometry.h"
#include "engine/lookups.h"
#include "engine/textutil.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/namekey.h"
#include "store/packing.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"

namespace kv {

namespace {

constexpr i16 kNoMemory = 37, kNoCard = 51, kNoCards = 53, kNoBackground = 60, kNoWindow = 61, kNoMenu = 63;

// A number chosen among `count` by a selector that needs no lookup; 0 when the selector is a
// lookup (id or name) or the number lies outside 1..count.
i32 choose(const selpart& p, i32 count) {
  switch (p.selector) {
    case sellast: return count;
    case selmiddle: return count / 2 + 1;
    case selany: return randomrange(count);
    case selprev: return p.value - 1 < 1 ? count : p.value - 1;
    case selnext: return p.value + 1 > count ? 1 : p.value + 1;
    case selnumber: return p.value >= 1 && p.value <= count ? p.value : 0;
    default: return 0;
  }
}

u32 keyof(ConstStringPtr name) {
  u32 key = 0;
  getkey(name, &key);
  return key;
}

// Whether record `recid` of the store is named `name`.
bool named(RegistryId store, u32 recid, ConstStringPtr name) {
  Str255 recname{};
  if (namevir(store, i32(recid), recname) != 0) return false;
  return myequalstring(recname, name);
}

// The first of the library's `count` entries with the id (word 4) or the name (key in word 8,
// then the record's name) the part gives; 0 when none has it.
i32 findbook(RegistryId store, Handle library, i32 count, const selpart& p) {
  u32 key = p.selector == selname ? keyof(p.name) : 0;
  i32 found = 0;
  eachbook(store, library, 1, count, [&](i32 i, const bookentry& b) {
    if ((p.selector == selid && u32(b.word4) == u32(p.value)) ||
        (p.selector == selname && u32(b.word8) == key && named(store, b.recordid, p.name)))
      found = i;
    return found != 0;
  });
  return found;
}

// The lowest window number among the open windows of a project; 0 when none is open.
u32 lowestwindow(RegistryId store) {
  const MainGlobals& g = mainglobals();
  u32 lowest = 0;
  if (g.winds == nilhandle || g.numwinds <= 0) return 0;
  i32 n = i32(std::min<Size>(g.numwinds, HandleCount<desk>(g.winds)));
  for (i32 i = 0; i < n; ++i) {
    desk d = HandleAs<desk>(g.winds)[i];
    if (d.store == store && (lowest == 0 || d.windnum < lowest)) lowest = d.windnum;
  }
  return lowest;
}

i16 findwindow(const selpart& p, RegistryId store, i32* windnum) {
  selpart w = p;
  const MainGlobals& g = mainglobals();
  if (w.selector == selnone) {
    w.selector = selnumber;
    w.value = 1;
    if (store == g.current.store && g.current.windnum != 0) {
      w.value = i32(g.current.windnum);
    } else if (u32 lowest = lowestwindow(store)) {
      w.value = i32(lowest);
    }
  }
  Handle lib = nilhandle;
  if (i16 e = holdrecord(store, 1, kindlib, &lib)) return e;
  i32 count = i32(std::min<u32>(u32(loadat<librec>(deref(lib)).entrycount), INT32_MAX));
  i32 found = choose(w, count);
  if (found == 0 && (w.selector == selid || w.selector == selname)) found = findbook(store, lib, count, w);
  checkerr(putvir(store, 1));
  if (found == 0) return kNoWindow;
  *windnum = found;
  return 0;
}

// The cards of a window in card order: the positions up to its card count. Each page of the
// card list is read once.
void eachcard(RegistryId store, Handle window, const std::function<bool(i32, const wordentry&)>& visit) {
  u32 count = loadat<windrec>(deref(window)).cardcount;
  eachword(store, window, 1, i32(std::min<u32>(count, INT32_MAX)), visit);
}

// The cards of a background, in card order (all cards when backrecid is 0).
i16 cardsof(RegistryId store, Handle window, u32 backrecid, std::vector<i32>* cards) {
  eachcard(store, window, [&](i32 i, const wordentry& e) {
    if (backrecid == 0 || e.backrecord == backrecid) cards->push_back(i);
    return false;
  });
  return 0;
}

// The first card (of the background, unless backrecid is 0) with the id or the name the part
// gives; 0 when none has it. Names are compared by key first, then by the card's record.
i32 findcardentry(RegistryId store, Handle window, u32 backrecid, const selpart& c) {
  u32 key = c.selector == selname ? keyof(c.name) : 0;
  i32 found = 0;
  eachcard(store, window, [&](i32 i, const wordentry& e) {
    if (backrecid != 0 && e.backrecord != backrecid) return false;
    if ((c.selector == selid && e.cardid == u32(c.value)) ||
        (c.selector == selname && e.namekey == key && named(store, e.cardrecord, c.name)))
      found = i;
    return found != 0;
  });
  return found;
}

// The background record id a background part names, or 0 with kThisCard for `this
// background`.
i16 findbackground(const selpart& p, RegistryId store, Handle window, u32* backrecid, bool* thisback) {
  *thisback = false;
  u32 count = loadat<windrec>(deref(window)).backcount;
  if (p.selector == selnumber && p.value == kThisCard) {
    *thisback = true;
    return 0;
  }
  if (p.selector == selnumber && (p.value < 1 || u32(p.value) > count)) return kNoBackground;
  if (p.selector != selid && p.selector != selname) {
    i32 n = choose(p, i32(std::min<u32>(count, INT32_MAX)));
    if (n == 0) return kNoBackground;
    return backnumtoid(store, window, u32(n), backrecid);
  }
  bool found = false;
  eachcard(store, window, [&](i32, const wordentry& e) {
    found = (p.selector == selid && e.backid == u32(p.value)) ||
            (p.selector == selname && named(store, e.backrecord, p.name));
    if (found) *backrecid = e.backrecord;
    return found;
  });
  return found ? i16(0) : kNoBackground;
}

i16 findcard(const form& f, RegistryId store, Handle window, i32 windnum, i32* cardnum) {
  selpart c = f.card;
  bool withback = f.back.selector != selnone;
  u32 backrecid = 0;
  bool thisback = false;
  if (withback) {
    if (i16 e = findbackground(f.back, store, window, &backrecid, &thisback)) return e;
  }
  // The card an open window of this number shows (of the background, when one was named).
  i32 shown = 0;
  desk d{};
  if (haswind(store, u32(windnum), &d)) {
    if (thisback) backrecid = d.backrecid;
    if (!withback || d.backrecid == backrecid) shown = i32(d.cardnum);
  }
  if (c.selector == selnone) {
    if (shown != 0) {
      *cardnum = shown;
      return 0;
    }
    c.selector = selnumber;
    c.value = 1;
  }
  i32 count = i32(std::min<u32>(u32(loadat<windrec>(deref(window)).cardcount), INT32_MAX));
  if (count == 0) return kNoCards;
  if (thisback && backrecid == 0) return kNoCard;
  std::vector<i32> cards;
  if (withback) cardsof(store, window, backrecid, &cards);
  if (!withback) {
    if (c.selector == selnumber && c.value == kThisCard) {
      *cardnum = kThisCard;
      return 0;
    }
    i32 n = choose(c, count);
    if (n == 0 && (c.selector == selid || c.selector == selname)) n = findcardentry(store, window, 0, c);
    if (n == 0) return kNoCard;
    *cardnum = n;
    return 0;
  }
  // Only the background's cards count.
  i32 own = i32(cards.size());
  if (own == 0) return kNoCard;
  switch (c.selector) {
    case sellast:
    case selmiddle:
    case selany: *cardnum = cards[size_t(choose(c, own) - 1)]; return 0;
    case selnumber:
      if (c.value < 1 || c.value > own) return kNoCard;
      *cardnum = cards[size_t(c.value - 1)];
      return 0;
    case selprev:
    case selnext: {
      i32 from = std::clamp(c.value, 1, count);
      for (i32 step = 1; step <= count; ++step) {
        i32 n = c.selector == selnext ? (from - 1 + step) % count + 1 : (from - 1 - step + count * 2) % count + 1;
        if (std::find(cards.begin(), cards.end(), n) != cards.end()) {
          *cardnum = n;
          return 0;
        }
      }
      return kNoCard;
    }
    default:
      if (i32 n = findcardentry(store, window, backrecid, c); n != 0) {
        *cardnum = n;
        return 0;
      }
      return kNoCard;
  }
}

}  // namespace

i16 holdrecord(RegistryId store, u32 id, u16 kind, Handle* out) {
  Handle h = nilhandle;
  if (id > u32(INT32_MAX)) return kDamagedProject;
  if (i16 e = getvir(store, i32(id), &h)) return e == memFullErr || e == kNoMemory ? kNoMemory : kDamagedProject;
  if (GetHandleSize(h) < 2 || loadat<u16>(deref(h)) != kind || recordfixedsize(h) < 0) {
    checkerr(putvir(store, i32(id)));
    return kDamagedProject;
  }
  *out = h;
  return 0;
}

i16 formtonums(const form& f, RegistryId* store, i32* cardnum, i32* windnum, i16 shared) {
  RegistryId s = nilid;
  bool opened = false;
  if (i16 e = openreferenced(f.proj, shared, &s, &opened)) return e;
  i32 w = 0, c = 0;
  i16 e = findwindow(f.wind, s, &w);
  if (e == 0) {
    Handle lib = nilhandle, window = nilhandle;
    e = holdrecord(s, 1, kindlib, &lib);
    bookentry b{};
    if (e == 0) {
      e = getbook(s, lib, w, &b) != 0 ? kNoWindow : i16(0);
      checkerr(putvir(s, 1));
    }
    if (e == 0) e = holdrecord(s, b.recordid, kindwind, &window);
    if (e == 0) {
      e = findcard(f, s, window, w, &c);
      checkerr(putvir(s, i32(b.recordid)));
    }
  }
  if (e != 0) {
    if (opened) dumpfile(s);
    return e;
  }
  if (opened) referencedopened(s);
  *store = s;
  *cardnum = c;
  *windnum = w;
  return 0;
}

i16 traytonums(const tray& t, RegistryId* store, i32* menunum) {
  RegistryId s = nilid;
  bool opened = false;
  if (i16 e = openreferenced(t.proj, 0, &s, &opened)) return e;
  selpart m = t.menu;
  if (m.selector == selnone) {
    // The project's lowest menu in the menu bar, else its first menu.
    m.selector = selnumber;
    m.value = 1;
    Handle lines = currentline();
    i16 n = currentnumlines();
    u32 lowest = 0;
    for (i32 i = 0; i < n; ++i) {
      const menuline& l = HandleAs<menuline>(lines)[i];
      if (l.store == s && (lowest == 0 || l.menunum < lowest)) lowest = l.menunum;
    }
    if (lowest != 0) m.value = i32(lowest);
  }
  Handle lib = nilhandle;
  i16 e = holdrecord(s, 2, kindlib, &lib);
  i32 found = 0;
  if (e == 0) {
    i32 count = i32(std::min<u32>(u32(loadat<librec>(deref(lib)).entrycount), INT32_MAX));
    found = m.selector == selprev || m.selector == selnext ? 0 : choose(m, count);
    if (found == 0 && (m.selector == selid || m.selector == selname)) found = findbook(s, lib, count, m);
  }
  if (e == 0) checkerr(putvir(s, 2));
  if (e == 0 && found == 0) e = kNoMenu;
  if (e != 0) {
    if (opened) dumpfile(s);
    return e;
  }
  if (opened) referencedopened(s);
  *store = s;
  *menunum = found;
  return 0;
}

i16 backnumtoid(RegistryId store, Handle window, u32 n, u32* backrecid) {
  u32 found = 0;
  i16 st = firstappearances(store, window, [&](u32 recid, u32 number) {
    if (number == n) found = recid;
    return number >= n;
  });
  if (st != 0) return st;
  if (n == 0 || found == 0) return kNoBackground;
  *backrecid = found;
  return 0;
}

}  // namespace kv
