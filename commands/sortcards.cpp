// `sort [ascending|descending] [text|numeric|international|dateTime] by <expression>`: the
// cards of the current window put in the order of a key evaluated on each card.
//
// The command visits every card with messages locked and drawing hidden, keeps one key per card,
// sorts the keys, and writes the window's card list again in the new order. The key expression
// may itself add, remove or move cards; the list is then no longer the one the keys were taken
// from, and nothing is written.
#include "commands/sortcards.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "commands/dates.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/text/casefold.h"
#include "platform/text/intlcompare.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "core/runservices.h"
#include "shell/windnav.h"
#include "shell/windtable.h"
#include "core/memoryguard.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"

namespace kv {

namespace {

constexpr u64 kSortDiskSpace = 40000;

struct SortState {
  u16 direction = tok::ascending;  // read by the comparators
};

u16 direction() { return state<SortState>().direction; }

// A comparison in the sort's direction; equal keys keep the cards' order in both directions.
int directed(int c, const sortentry& a, const sortentry& b) {
  if (c != 0) return direction() == tok::descending ? -c : c;
  return a.index < b.index ? -1 : a.index > b.index ? 1 : 0;
}

Handle keytext(const sortentry& e) { return Handle(e.lo); }

std::string_view textof(Handle h, Size limit) {
  if (h == nilhandle) return {};
  Size n = std::min(GetHandleSize(h), limit);
  return {reinterpret_cast<const char*>(deref(h)), std::size_t(n)};
}

double keynumber(const sortentry& e) {
  const u64 bits = u64(e.hi) << 32 | e.lo;
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

i64 keyseconds(const sortentry& e) { return i64(u64(e.hi) << 32 | e.lo); }

void setbits(sortentry& e, u64 bits) {
  e.lo = u32(bits);
  e.hi = u32(bits >> 32);
}

void freekeys(std::vector<sortentry>& entries, u16 kind) {
  if (kind != tok::text && kind != tok::intl) return;
  for (sortentry& e : entries) {
    if (keytext(e) != nilhandle) DisposeHandle(keytext(e));
    e.lo = 0;
  }
}

// The key of the current card from the value of the key expression (or none when it failed).
i16 takekey(fred* value, u16 kind, sortentry& e) {
  if (kind == tok::numeric) {
    double d = 0;
    if (value == nullptr || fredtodouble(value, &d) != 0) d = 0;
    u64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    setbits(e, bits);
    return 0;
  }
  if (kind == tok::datetime) {
    LongDateTime secs = std::numeric_limits<i64>::min();
    if (value == nullptr || getfredsize(value) == 0 || getlongdatetime(value, &secs) != 0)
      secs = std::numeric_limits<i64>::min();
    setbits(e, u64(secs));
    return 0;
  }
  Handle h = nilhandle;
  if (value != nullptr) {
    if (memoryrefused(getfredsize(value))) return err::nocardlistmemory;
    if (fredtonewh(value, &h) != 0) return err::nocardlistmemory;
  } else {
    h = NewHandle(0);
    if (h == nilhandle) return err::nocardlistmemory;
  }
  e.lo = h;
  return 0;
}

// Brings the current port's pen to one level hidden; undone by showpen with the same count.
i16 hidepen(CGrafPtr port) {
  const i16 level = GetPortPenVisibility(port);
  if (level >= 0) {
    HidePen();
    return 1;
  }
  for (i16 i = level; i < -1; ++i) ShowPen();
  return i16(level + 1);
}

void showpen(i16 hidden) {
  for (i16 i = 0; i < hidden; ++i) ShowPen();
  for (i16 i = hidden; i < 0; ++i) HidePen();
}

i16 gotocard(i32 n) {
  form f{};
  f.card.selector = selnumber;
  f.card.value = n;
  return gotowindow(f);
}

// The card records of the window's list in order.
std::vector<u32> cardrecords(const desk& d, i32 count) {
  std::vector<u32> out;
  out.reserve(std::size_t(count));
  eachword(d.store, d.wind, 1, count, [&out](i32, const wordentry& e) {
    out.push_back(e.cardrecord);
    return false;
  });
  return out;
}

i32 cardcount(const desk& d) {
  if (d.wind == nilhandle || GetHandleSize(d.wind) < Size(sizeof(windrec))) return 0;
  return i32(std::min<u32>(HandleAs<windrec>(d.wind)->cardcount, 0x7FFFFFFF));
}

// Writes the card list in the sorted order: every entry read first, then the new order built
// whole, then written. 0, or 86 when the buffer cannot be had (nothing written).
i16 rewritelist(std::vector<sortentry>& entries) {
  MainGlobals& g = mainglobals();
  const desk d = g.current;
  const i32 count = i32(entries.size());
  if (memoryrefused64(64 * i64(count))) return err::nocardlistmemory;
  std::vector<wordentry> old;
  old.reserve(std::size_t(count));
  eachword(d.store, d.wind, 1, count, [&old](i32, const wordentry& e) {
    old.push_back(e);
    return false;
  });
  if (i32(old.size()) != count) return err::cantsort;
  std::vector<wordentry> sorted;
  sorted.reserve(std::size_t(count));
  for (const sortentry& e : entries) sorted.push_back(old[e.index]);
  for (i32 k = 0; k < count; ++k) putword(d.store, d.wind, k + 1, sorted[std::size_t(k)]);
  // The card shown keeps its place in the window's context, so that what is stored for it when
  // it is left goes to its own entry.
  for (i32 k = 0; k < count; ++k) {
    if (sorted[std::size_t(k)].cardrecord != d.cardrecid) continue;
    g.current.cardnum = u32(k + 1);
    putwind(g.current.window, g.current);
    break;
  }
  return 0;
}

}  // namespace

int textcomp(const void* a, const void* b) {
  const sortentry& x = *static_cast<const sortentry*>(a);
  const sortentry& y = *static_cast<const sortentry*>(b);
  const std::string_view s = textof(keytext(x), std::numeric_limits<Size>::max());
  const std::string_view t = textof(keytext(y), std::numeric_limits<Size>::max());
  const std::size_t n = std::min(s.size(), t.size());
  int c = 0;
  for (std::size_t i = 0; i < n && c == 0; ++i) c = int(lowerchar(u8(s[i]))) - int(lowerchar(u8(t[i])));
  if (c == 0) c = s.size() < t.size() ? -1 : s.size() > t.size() ? 1 : 0;
  return directed(c, x, y);
}

int intercomp(const void* a, const void* b) {
  const sortentry& x = *static_cast<const sortentry*>(a);
  const sortentry& y = *static_cast<const sortentry*>(b);
  return directed(intlcompare(textof(keytext(x), 255), textof(keytext(y), 255)), x, y);
}

int numcomp(const void* a, const void* b) {
  const sortentry& x = *static_cast<const sortentry*>(a);
  const sortentry& y = *static_cast<const sortentry*>(b);
  const double d = keynumber(x) - keynumber(y);
  return directed(d < 0 ? -1 : d > 0 ? 1 : 0, x, y);
}

int datecomp(const void* a, const void* b) {
  const sortentry& x = *static_cast<const sortentry*>(a);
  const sortentry& y = *static_cast<const sortentry*>(b);
  const i64 s = keyseconds(x), t = keyseconds(y);
  return directed(s < t ? -1 : s > t ? 1 : 0, x, y);
}

scriptstatus comsort(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  const RegistryId store = g.current.store;
  const u32 windnum = g.current.windnum;
  if (islocked(store) || nodiskspace(store, kSortDiskSpace)) return 0;
  ++g.textchanges;  // the next find starts afresh

  i32 i = at + 1;
  u16 way = tok::ascending, kind = tok::text;
  if (tokenat(atoms, i) == tok::ascending || tokenat(atoms, i) == tok::descending) way = tokenat(atoms, i++);
  const u16 k = tokenat(atoms, i);
  if (k == tok::intl || k == tok::numeric || k == tok::text || k == tok::datetime) {
    kind = k;
    ++i;
  }
  if (tokenat(atoms, i) != tok::by) return err::noby;
  const i32 keyat = i + 1;
  state<SortState>().direction = way;

  const i32 count = cardcount(g.current);
  if (memoryrefused64(12 * i64(count) + 20000)) return err::nocardlistmemory;
  if (count == 0) return err::cantsort;
  const std::vector<u32> before = cardrecords(g.current, count);
  const u32 changes = g.changecounter;
  std::vector<sortentry> entries(static_cast<std::size_t>(count));

  const i16 locked = g.lockMessages;
  g.lockMessages = 1;
  i16 walk = err::cantsort;
  i32 keys = 0;
  {
    SavePort saved;
    const WindowRef window = g.current.window;
    const CGrafPtr port = window != nilid ? GetWindowPort(window) : CGrafPtr(0);
    i16 hidden = 0;
    if (port != 0) {
      SetPort(port);
      hidden = hidepen(port);
    }
    for (i32 n = 1; n <= count; ++n) {
      if (i16 st = gotocard(n)) {
        walk = st;
        break;
      }
      if (i16 st = isabort(TickCount())) {
        walk = st;
        break;
      }
      fred value;
      i32 used = 0;
      const i16 st = expression(path, text, atoms, keyat, variables, nilhandle, &used, &value);
      if (st == 0 && statementends(atoms, keyat + used) && walk == err::cantsort) walk = 0;
      sortentry& e = entries[std::size_t(n - 1)];
      e.index = u32(n - 1);
      const i16 taken = takekey(st == 0 ? &value : nullptr, kind, e);
      if (st == 0) disposfred(&value);
      ++keys;
      if (taken != 0) {
        walk = taken;
        break;
      }
    }
    if (port != 0 && IsValidPort(port)) {
      SetPort(port);
      showpen(hidden);
    }
  }
  g.lockMessages = locked;
  entries.resize(std::size_t(keys));

  // The list must still be the one the keys were taken from.
  if (walk == 0 && (cardcount(g.current) != count || g.changecounter != changes || g.current.store != store ||
                    g.current.windnum != windnum || cardrecords(g.current, count) != before))
    walk = err::cantsort;
  if (walk == 0) {
    int (*compare)(const void*, const void*) = kind == tok::numeric    ? numcomp
                                               : kind == tok::datetime ? datecomp
                                               : kind == tok::intl     ? intercomp
                                                                       : textcomp;
    std::sort(entries.begin(), entries.end(),
              [compare](const sortentry& a, const sortentry& b) { return compare(&a, &b) < 0; });
    walk = rewritelist(entries);
  }
  freekeys(entries, kind);

  const i16 st = gotocard(1);
  if (st != 0 && st != kCardChanged) return st;
  return walk == kCardChanged ? i16(0) : walk;
}

}  // namespace kv
