// `listKey field, key`: the built-in end of the keys typed in a list field. A scrolling list
// takes the navigation keys; any list selects the first row that starts with the keys typed
// within 90 ticks of each other; the arrow keys repeat while they are held. A new selection
// sends "clickList" to the field.
#include "commands/listkey.h"

#include <algorithm>

#include "commands/commands.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "fields/listfields.h"
#include "platform/events/events.h"
#include "platform/events/keycodes.h"
#include "platform/events/watchdog.h"
#include "platform/memory/memory.h"
#include "platform/process/process.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "engine/lookups.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr u8 kHome = 1, kEnd = 4, kPageUp = 11, kPageDown = 12, kLeft = 28, kRight = 29, kUp = 30, kDown = 31;
constexpr u16 kCmdKey = 0x0100;
constexpr u32 kFirstRepeat = 10, kNextRepeat = 2;

// The type-ahead buffer of listKey, kept for the whole run.
struct ListKeyState {
  typeahead buffer;
};

// The virtual key of an arrow's character, 0 for another character.
u8 arrowkeycode(u8 key) {
  switch (key) {
    case kLeft: return kVKLeftArrow;
    case kRight: return kVKRightArrow;
    case kUp: return kVKUpArrow;
    case kDown: return kVKDownArrow;
    default: return 0;
  }
}

bool keyheld(u8 keycode) {
  KeyMap keys{};
  GetKeys(keys);
  return ((keys[keycode / 8] >> (keycode % 8)) & 1) != 0;
}

listkeyoutcome navigate(listrows& list, u8 key, bool command) {
  listkeyoutcome out{true, false};
  const i32 rows = list.count();
  const listwindow w = list.window();
  // A page is the rows shown whole; a step is never less than one row.
  const i32 page = std::max(1, w.shown - (w.partial ? 1 : 0));
  const i32 lasttop = std::max(0, rows - page);
  switch (key) {
    case kHome: list.scrollto(0); return out;
    case kEnd: list.scrollto(lasttop); return out;
    case kPageUp: list.scrollto(std::max(0, w.first - page)); return out;
    case kPageDown: list.scrollto(std::clamp(w.first + page, 0, lasttop)); return out;
    default: break;
  }
  if (rows <= 0) return out;
  const i32 old = list.selected();
  i32 row = old;
  if (key == kLeft || key == kUp) row = command ? 0 : old < 0 ? rows - 1 : std::max(0, old - 1);
  else row = command ? rows - 1 : old < 0 ? 0 : std::min(rows - 1, old + 1);
  if (row != old) {
    list.select(row);
    out.changed = true;
  }
  return out;
}

}  // namespace

listkeyoutcome listkeystep(listrows& list, u8 key, bool command, bool scrolling, typeahead& buffer, u32 now) {
  if (scrolling && (key == kHome || key == kEnd || key == kPageUp || key == kPageDown || arrowkeycode(key) != 0))
    return navigate(list, key, command);
  if (!typeaheadkey(key)) return {};
  if (!typeaheadadd(buffer, list.id(), key, now)) {
    SysBeep(1);
    return {};
  }
  const i32 found = typeaheadsearch(buffer, list.count(),
                                    [&list](i32 row, u8* text, i32 limit) { return list.cell(row, text, limit); });
  if (found < 0) {
    SysBeep(1);
    return {};
  }
  const i32 old = list.selected();
  list.select(found);
  return listkeyoutcome{true, found != old};
}

i16 listkeyrun(listrows& list, u8 key, bool command, bool scrolling, const std::function<i16(bool)>& after) {
  typeahead& buffer = state<ListKeyState>().buffer;
  listkeyoutcome step = listkeystep(list, key, command, scrolling, buffer, TickCount());
  i16 st = step.draw ? after(step.changed) : i16(0);
  const u8 arrow = scrolling ? arrowkeycode(key) : 0;
  if (arrow == 0) return st;
  LoopScope loop("listKey");
  for (u32 wait = kFirstRepeat; st == 0; wait = kNextRepeat) {
    // The key is looked at every tick of the wait (a headless poll moves the clock itself).
    for (const u32 start = TickCount(); TickCount() - start < wait;) {
      if (!keyheld(arrow)) return st;
      Delay(1, nullptr);
    }
    if (!keyheld(arrow)) return st;
    FlushEvents(autoKeyMask, 0);
    step = listkeystep(list, key, command, scrolling, buffer, TickCount());
    if (step.draw) st = after(step.changed);
  }
  return st;
}

namespace {

// The rows of a list field's live list.
class fieldrows final : public listrows {
 public:
  explicit fieldrows(const spot& s) : s_(s) {}
  u32 id() const override { return livefield(s_); }
  i32 count() const override { return std::max(0, listrowcount(s_)); }
  i32 selected() const override {
    Handle rows = NewHandle(0);
    i32 first = -1;
    if (rows != nilhandle && listselectedrows(s_, rows) && GetHandleSize(rows) >= Size(sizeof(i32)))
      first = loadat<i32>(deref(rows));
    if (rows != nilhandle) DisposeHandle(rows);
    return first;
  }
  void select(i32 row) override {
    Handle rows = NewHandle(0);
    if (rows != nilhandle && listselectedrows(s_, rows)) {
      const i32 n = i32(GetHandleSize(rows) / Size(sizeof(i32)));
      for (i32 i = 0; i < n; ++i) listselectrow(s_, loadat<i32>(deref(rows) + i * 4), false);
    }
    if (rows != nilhandle) DisposeHandle(rows);
    listselectrow(s_, row, true);
  }
  listwindow window() const override {
    listwindow w{};
    if (!listvisiblerows(s_, &w)) return listwindow{};
    return w;
  }
  void scrollto(i32 first) override { listscrollto(s_, first); }
  i32 cell(i32 row, u8* buffer, i32 limit) const override { return listcelltext(s_, row, buffer, limit); }

 private:
  spot s_;
};

// The field's window made the current one, with its port, while its list is loaded or drawn
// (no message is sent meanwhile: a handler may change the current window).
class inwindow {
 public:
  explicit inwindow(const desk& d) : saved_(mainglobals().current) {
    mainglobals().current = d;
    SetPortWindowPort(d.window);
  }
  ~inwindow() { mainglobals().current = saved_; }
  inwindow(const inwindow&) = delete;
  inwindow& operator=(const inwindow&) = delete;

 private:
  SavePort port_;
  desk saved_;
};

// The list field the reference names, in the window that shows it: false (nothing to do) for
// another object, a field that is not a list, a window that is not open or a card not shown.
bool shownlist(const objread& obj, desk* open) {
  if (obj.kind != objpart) return false;
  const spot s = spotat(obj.objects, obj.objindex);
  if (s.kind != spotfield || (s.style != stylefieldlist && s.style != stylefieldscrolllist)) return false;
  if (!haswind(obj.d.store, obj.d.windnum, open) || open->window == nilid) return false;
  return open->cardnum == obj.d.cardnum;
}

}  // namespace

scriptstatus comlistkey(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, at + 1, variables, &used, &obj)) return st;
  desk open{};
  if (!shownlist(obj, &open)) {
    writeobj(&obj);
    return 0;
  }
  spot s = spotat(obj.objects, obj.objindex);
  if (!haslivelist(s)) {
    inwindow context(open);
    forcelistload(s, 0);
    putspot(obj.objects, obj.objindex, s);
  }
  i32 j = at + 1 + used;
  fred value{};
  i16 st = 0;
  if (tokenat(atoms, j) != tok::comma) {
    st = err::nocomma;
  } else if ((st = expression(path, text, atoms, j + 1, variables, nilhandle, &used, &value)) == 0) {
    Str255 key{};
    fredtostring(&value, key);
    disposfred(&value);
    if (!statementends(atoms, j + 1 + used)) {
      st = err::stray;
    } else if (key[0] > 0 && haslivelist(s)) {
      const bool scrolling = s.style == stylefieldscrolllist;
      const bool command = (mainglobals().event.modifiers & kCmdKey) != 0;
      fieldrows rows(s);
      st = listkeyrun(rows, key[1], command, scrolling, [&](bool changed) -> i16 {
        {
          inwindow context(open);
          if (scrolling) listshowselection(s);
          listredraw(s, scrolling);
        }
        return changed ? spotsend(sendnormal, obj.objects, obj.objindex, "clickList", open.window) : i16(0);
      });
    }
  }
  writeobj(&obj);
  return st;
}

}  // namespace kv
