// Commands that act as if the user had clicked, dragged or typed (click, drag, type), and the
// built-in ends of the keyboard messages that no handler took (returnInField, keyInField,
// enterInField, tabKey, doubleClickFieldObject).
#include "commands/commands.h"
#include "commands/dispatch.h"
#include "commands/find.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/objectsend.h"
#include "engine/objectutil.h"
#include "engine/scripterrors.h"
#include "engine/tokens.h"
#include "platform/events/events.h"
#include "platform/menus/menus.h"
#include "properties/propfront.h"
#include "properties/valueparsers.h"
#include "shell/cardwindow.h"
#include "shell/fieldputting.h"
#include "core/mainglobals.h"
#include "shell/textentry.h"
#include "shell/menus.h"
#include "store/objects.h"
#include "store/records.h"
#include "textengine/werecord.h"
#include "tools/handletools.h"
#include "tools/paint.h"

namespace kv {

namespace {

constexpr u32 kVisible = 1u << 0, kLockText = 1u << 3, kAutoTab = 1u << 8;
constexpr u16 kCmdKey = 0x0100, kShiftKey = 0x0200, kOptionKey = 0x0800;

// The keys clause at atom i: nothing (the statement ends: no keys), or "with" and one or more
// key words separated by commas up to the end of the statement. 19 for other words left, 2 for
// a bad word within the clause.
i16 keysclause(Handle atoms, i32 i, u16* modifiers) {
  *modifiers = 0;
  if (statementends(atoms, i)) return 0;
  if (tokenat(atoms, i) != tok::with) return err::stray;
  ++i;
  for (;;) {
    switch (tokenat(atoms, i)) {
      case tok::cmdkey: *modifiers |= kCmdKey; break;
      case tok::shiftkey: *modifiers |= kShiftKey; break;
      case tok::optionkey: *modifiers |= kOptionKey; break;
      default: return err::cantunderstand;
    }
    ++i;
    if (statementends(atoms, i)) return 0;
    if (tokenat(atoms, i) != tok::comma) return err::cantunderstand;
    ++i;
  }
}

// Runs the tool dispatcher for the click or drag command with the simulated-mouse flag set,
// putting the flag back on every path.
i16 simulate(Point start, Point finish, u16 sender, u16 modifiers) {
  MainGlobals& g = mainglobals();
  g.event.when = TickCount();
  g.event.modifiers = modifiers;
  g.event.where = start;
  FlushEvents(mUpMask, 0);
  const i16 was = g.simulatedclick;
  g.simulatedclick = 1;
  const i16 st = handletools(start, finish, sender);
  g.simulatedclick = was;
  return st;
}

scriptstatus point(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, Point* p) {
  const propctx c{path, text, atoms, variables, nilhandle};
  i16 h = 0, v = 0;
  if (i16 st = getloc(c, at, used, &h, &v)) return st;
  *p = Point{v, h};
  return 0;
}

// The text of the expression at atom `at` (its first 255 bytes).
scriptstatus textvalue(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* used, StringPtr out) {
  fred value{};
  if (i16 st = expression(path, text, atoms, at, variables, nilhandle, used, &value)) return st;
  fredtostring(&value, out);
  disposfred(&value);
  return 0;
}

bool eligible(const spot& s) {
  return s.kind == spotfield && (s.flags & kVisible) && !(s.flags & kLockText) && !islist(s);
}

// The first (or last) eligible field of a list from `from` on (or back), -1 for none.
i32 findfield(Handle list, i32 from, bool back) {
  if (list == nilhandle) return -1;
  const i32 n = spotcount(list);
  for (i32 i = from; i >= 0 && i < n; i += back ? -1 : 1)
    if (eligible(spotat(list, i))) return i;
  return -1;
}

// Whether Return in an auto-tab field goes to the next field instead: with the selection
// starting at 0, when it reaches the end of the text; with an insertion point further on, when
// the line a new line would start falls below the visible area. The text is measured as it is
// (the new line takes the height of the caret's line), so nothing is typed and taken back.
bool tabinstead(WEReference we) {
  if (we == nilid) return false;
  i32 start = 0, end = 0;
  WEGetSelection(&start, &end, we);
  if (start == 0) return end >= WEGetTextLength(we);
  const i32 line = WEOffsetToLine(start, we);
  LongRect dest{}, view{};
  WEGetDestRect(&dest, we);
  WEGetViewRect(&view, we);
  const i32 bottom = dest.top + WEGetHeight(0, line + 1, we) + WEGetHeight(line, line + 1, we);
  return bottom > view.bottom;
}

}  // namespace

scriptstatus comclick(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  clearfind();
  if (tokenat(atoms, at + 1) != tok::at) return err::noat;
  Point p{};
  i32 used = 0;
  if (i16 st = point(path, text, atoms, at + 2, variables, &used, &p)) return st;
  u16 modifiers = 0;
  if (i16 st = keysclause(atoms, at + 2 + used, &modifiers)) return st;
  return simulate(p, p, senderClick, modifiers);
}

scriptstatus comdrag(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  if (tokenat(atoms, at + 1) != tok::from) return err::nofrom;
  Point start{}, finish{};
  i32 used = 0;
  if (i16 st = point(path, text, atoms, at + 2, variables, &used, &start)) return st;
  i32 j = at + 2 + used;
  if (tokenat(atoms, j) != tok::to) return err::notoorof;
  if (i16 st = point(path, text, atoms, j + 1, variables, &used, &finish)) return st;
  u16 modifiers = 0;
  if (i16 st = keysclause(atoms, j + 1 + used, &modifiers)) return st;
  return simulate(start, finish, senderDrag, modifiers);
}

scriptstatus comtype(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  Str255 s{};
  i32 used = 0;
  if (i16 st = textvalue(path, text, atoms, at + 1, variables, &used, s)) return st;
  u16 modifiers = 0;
  if (i16 st = keysclause(atoms, at + 1 + used, &modifiers)) return st;
  MainGlobals& g = mainglobals();
  g.event.modifiers = modifiers;
  // One character with the command key: a menu item's shortcut is carried out, nothing typed.
  if (s[0] == 1 && (modifiers & kCmdKey)) {
    const i32 item = MenuKey(i16(s[1]));
    if ((item >> 16) != 0) {
      docommand(item);
      return 0;
    }
  }
  for (int i = 1; i <= s[0]; ++i) {
    if (i16 st = charcase(u16(s[i]))) return st;
  }
  return 0;
}

scriptstatus comwekeyinfield(hierpath path, Handle text, Handle atoms, i32 at, Handle variables) {
  MainGlobals& g = mainglobals();
  if (g.openfield < 0) return 0;
  Str255 s{};
  i32 used = 0;
  if (i16 st = textvalue(path, text, atoms, at + 1, variables, &used, s)) return st;
  if (!statementends(atoms, at + 1 + used)) return err::stray;
  if (s[0] == 0) return 0;
  // Two bytes at most: a two-byte character is one key.
  wekey(s[1], g.openfieldrec);
  if (s[0] >= 2) wekey(s[2], g.openfieldrec);
  g.fieldchanged = 1;
  return 0;
}

scriptstatus comenter(hierpath, Handle, Handle atoms, i32 at, Handle) {
  if (!statementends(atoms, at + 1)) return err::stray;
  if (i16 st = putdownbmap()) return st;
  putdownmodes();
  return putdownfield();
}

scriptstatus comweretin(hierpath, Handle, Handle atoms, i32 at, Handle) {
  if (!statementends(atoms, at + 1)) return err::stray;
  MainGlobals& g = mainglobals();
  if (g.openfield < 0 || g.openfieldspots == nilhandle) return 0;
  const spot s = spotat(g.openfieldspots, g.openfield);
  if ((s.flags & kAutoTab) && s.style != stylefieldscroll) {
    if (tabinstead(g.openfieldrec))
      return spotsend(sendnormal, g.openfieldspots, g.openfield, "tabKey", g.openfieldwindow);
  }
  if (g.typingblock != 0) return 0;
  wekey('\r', g.openfieldrec);
  g.fieldchanged = 1;
  return 0;
}

scriptstatus comtab(hierpath, Handle, Handle atoms, i32 at, Handle) {
  if (!statementends(atoms, at + 1)) return err::stray;
  MainGlobals& g = mainglobals();
  const desk& d = g.current;
  Handle list = nilhandle;
  i32 index = -1;
  if (g.openfield < 0) {
    if (d.tool != kBrowseTool || d.window == nilid) return 0;
    list = d.backspots;
    index = findfield(list, 0, false);
    if (index < 0) {
      list = d.cardspots;
      index = findfield(list, 0, false);
    }
    if (index < 0) return 0;
  } else {
    const bool back = (g.event.modifiers & kShiftKey) != 0;
    Handle from = g.openfieldspots;
    i32 start = g.openfield + (back ? -1 : 1);
    // The lists alternate between the card and the background; three at most are searched.
    for (int tries = 0; tries < 3 && index < 0; ++tries) {
      index = findfield(from, start, back);
      if (index >= 0) {
        list = from;
        break;
      }
      from = from == d.cardspots ? d.backspots : d.cardspots;
      start = back ? (from == nilhandle ? -1 : spotcount(from) - 1) : 0;
    }
    if (index < 0) return 0;
  }
  const u32 counter = g.changecounter;
  const WindowRef window = d.window;
  if (i16 st = putdownfield()) return st;
  if (g.changecounter != counter) return 0;
  if (i16 st = putupfield(window, list, i16(index))) return st;
  if (g.changecounter != counter || g.openfield < 0) return 0;
  WESetSelection(0, WEGetTextLength(g.openfieldrec), g.openfieldrec);
  return 0;
}

scriptstatus comdblclickfieldobject(hierpath, Handle, Handle, i32, Handle) {
  ++mainglobals().clickobjectack;
  return 0;
}

}  // namespace kv
