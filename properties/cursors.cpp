// Cursors set from scripts: the cursor slots of the global state, the cursor of `set the
// cursor`, and the busy cursor, a task due on the tick clock that the loops check.
#include "properties/cursors.h"

#include <cstring>

#include "engine/fred.h"
#include "engine/numbers.h"
#include "engine/numbertext.h"
#include "engine/scripterrors.h"
#include "platform/events/events.h"
#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "platform/windows/windows.h"
#include "properties/resourcescursors.h"
#include "core/mainglobals.h"
#include "store/byteorder.h"
#include "system/windowkind.h"

namespace kv {

namespace {

constexpr i16 resultnotfound = 15;
constexpr i16 kWatchCursor = 4, kBusyCursor = 2000;
constexpr u32 kBusyTicks = 30;  // 500 ms

bool equalsword(ConstStringPtr s, const char* word) {
  Str255 w{};
  setpstring(w, word);
  return myequalstring(s, w);
}

// A host-order copy of one of the program's own cursors; none when memory runs out.
Handle programcursor(i16 id) {
  Handle h = GetResource(fourcc("CURS"), id);
  if (h == nilhandle || HandToHand(&h) != noErr) return nilhandle;
  endianswapcurs(h);
  return h;
}

void releaseslot(Handle h) {
  if (h != nilhandle && h != kArrowCursorMarker) DisposeHandle(h);
}

// The cursor stays hidden only while `none` holds: any cursor shown brings it back.
void reveal() {
  if (scriptcursorstate().cursorhidden) {
    scriptcursorstate().cursorhidden = 0;
    ShowCursor();
  }
}

void hide() {
  if (!scriptcursorstate().cursorhidden) {
    scriptcursorstate().cursorhidden = 1;
    HideCursor();
  }
}

}  // namespace

i16 findefaultcursrez(RegistryId store, ResType type, ConstStringPtr text, u32* recordid, Handle* out) {
  i32 n = 0;
  const bool number = stringisnumber(text) == integerform && stringtolong(text, &n) == 0;
  ConstStringPtr name = number ? nullptr : text;
  const RegistryId shared = mainglobals().sharedstore;
  if (store != nilid && lowrez(store, type, name, u32(n), recordid, out)) return 0;
  if (shared != nilid && shared != store && lowrez(shared, type, name, u32(n), recordid, out)) return 0;
  return 1;
}

i16 findefaultcurs(const fred& value, i16 slot) {
  MainGlobals& g = mainglobals();
  Str255 s{};
  fredtostring(const_cast<fred*>(&value), s);
  Handle chosen = nilhandle;
  i32 n = 0;
  const bool number = stringisnumber(s) == integerform && stringtolong(s, &n) == 0;
  if (number && n == 0) {
    chosen = nilhandle;
  } else if (!number && (s[0] == 0 || equalsword(s, "none") || equalsword(s, "empty"))) {
    chosen = nilhandle;
  } else if (!number && equalsword(s, "arrow")) {
    chosen = kArrowCursorMarker;
  } else if (!number && (equalsword(s, "watch") || equalsword(s, "busy"))) {
    chosen = programcursor(equalsword(s, "watch") ? kWatchCursor : kBusyCursor);
    if (chosen == nilhandle) return err::nomemory;
  } else {
    u32 rec = 0;
    if (findefaultcursrez(g.current.store, fourcc("CURS"), s, &rec, &chosen) != 0) {
      setresulttext(resultnotfound);
      return 0;
    }
    if (chosen == nilhandle) return err::nomemory;
  }
  Handle& field = slot == 0 ? g.objectcursor : g.defaultcursor;
  releaseslot(field);
  field = chosen;
  return 0;
}

i16 setcursorvalue(const fred& value) {
  MainGlobals& g = mainglobals();
  stopbusycursor();
  Str255 s{};
  fredtostring(const_cast<fred*>(&value), s);
  i32 n = 0;
  const bool number = stringisnumber(s) == integerform && stringtolong(s, &n) == 0;
  if ((number && n == 0) || (!number && equalsword(s, "none"))) {
    hide();
    return 0;
  }
  if (!number) {
    static constexpr std::pair<const char*, ThemeCursor> kThemes[] = {{"arrow", kThemeArrowCursor},
                                                                      {"watch", kThemeWatchCursor},
                                                                      {"hand", kThemePointingHandCursor},
                                                                      {"open hand", kThemeOpenHandCursor},
                                                                      {"closed hand", kThemeClosedHandCursor}};
    for (const auto& [word, cursor] : kThemes) {
      if (!equalsword(s, word)) continue;
      reveal();
      SetThemeCursor(cursor);
      return 0;
    }
    if (equalsword(s, "busy")) {
      reveal();
      scriptcursorstate().cursorcounter = 0;
      SetAnimatedThemeCursor(kThemeSpinningCursor, 0);
      g.busycursordue = TickCount() + kBusyTicks;
      if (g.busycursordue == 0) g.busycursordue = 1;
      return 0;
    }
  }
  u32 rec = 0;
  Handle cursor = nilhandle;
  if (findefaultcursrez(g.current.store, fourcc("CURS"), s, &rec, &cursor) != 0) {
    setresulttext(resultnotfound);
    return 0;
  }
  if (cursor == nilhandle) return err::nomemory;
  reveal();
  showcursordata(cursor);
  DisposeHandle(cursor);
  return 0;
}

void spincursor(u32 now) {
  MainGlobals& g = mainglobals();
  if (!g.notfront) {
    const WindowRef front = FrontWindow();
    const i16 kind = front != nilid ? GetWindowKind(front) : i16(0);
    if (kind == kindprojectwindow || kind == kindpalettewindow) g.busycursorstep = 1;
  }
  g.busycursordue = now + kBusyTicks;
  if (g.busycursordue == 0) g.busycursordue = 1;
}

void checkbusycursor(u32 now) {
  MainGlobals& g = mainglobals();
  if (g.busycursordue != 0 && i32(now - g.busycursordue) >= 0) spincursor(now);
  if (g.busycursorstep) {
    g.busycursorstep = 0;
    ++scriptcursorstate().cursorcounter;
    SetAnimatedThemeCursor(kThemeSpinningCursor, scriptcursorstate().cursorcounter);
  }
}

void stopbusycursor() {
  MainGlobals& g = mainglobals();
  g.busycursordue = 0;
  g.busycursorstep = 0;
}

}  // namespace kv
