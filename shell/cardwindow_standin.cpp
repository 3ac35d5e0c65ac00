// A stand-in for the card window's handler until the window module handles its events: a draw
// asks for the card's redraw, a click goes to the tool dispatcher, idle sends "idle" to the
// card every `idleTicks` ticks, keys become their key messages, and a moving mouse sets the
// cursor. Moves, the mouse messages of cursor tracking, tool tips, opening fields and the
// paint modes join with the window module. Until fields are put up, nothing opens a field here; the open field is closed as
// the text tool closes it, and putdownfield then sends "leaveField" (no text can have
// changed yet).
#include "shell/cardwindow.h"

#include <cstdio>

#include "engine/containerutil.h"
#include "engine/objectsend.h"
#include "engine/scripterror.h"
#include "platform/events/events.h"
#include "shell/cardcursor.h"
#include "shell/eventqueue.h"
#include "shell/mainglobals.h"
#include "shell/messagebox.h"
#include "shell/redraws.h"
#include "shell/runservices.h"
#include "shell/windtable.h"
#include "tools/handletools.h"
#include "tools/texttool.h"

namespace kv {

namespace {

// Function keys F1 to F15 by their key codes.
constexpr u8 kFunctionKeys[15] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113};

i16 tocard(std::string_view message) { return cardsend(message, sendnormal, mainglobals().current.window); }

void click(Point p) {
  MainGlobals& g = mainglobals();
  g.senddepth = 1;
  g.clickloc = p;
  i16 st = handletools(p, p, senderMouse);
  if (st > 0) doerror(st);
  g.senddepth = 0;
}

void idle() {
  MainGlobals& g = mainglobals();
  u32 now = TickCount();
  if (i32(now - g.nextidle) < 0) return;
  g.nextidle = now + u32(g.idleTicks < 0 ? 0 : g.idleTicks);
  tocard("idle");
}

}  // namespace

void runedit(u16 kind, u32 data, WindowRef window) {
  MainGlobals& g = mainglobals();
  if (getwind(window, &g.current) == 0) return;
  SetPortWindowPort(window);
  switch (kind) {
    case kWindowDraw: drawedit(g.current, nullptr); break;
    case kWindowClick: click(wordpoint(data)); break;
    case kWindowIdle: idle(); break;
    case kWindowKey: charcase(u16(data)); break;
    case kWindowMouse: curscase(wordpoint(data)); break;
    default: break;
  }
}

i16 charcase(u16 key) {
  MainGlobals& g = mainglobals();
  u8 ch = u8(key & 0xFF);
  u8 code = u8(key >> 8);
  char text[32];
  if (g.event.modifiers & controlKey) {
    std::snprintf(text, sizeof text, "controlKey %u", unsigned(ch));
    return tocard(text);
  }
  switch (ch) {
    case 9: return tocard("tabKey");
    case 3: return tocard("enterKey");
    case 13: return tocard("returnKey");
    case 28:
    case 29:
    case 30:
    case 31:
      if (!g.textArrows || option()) {
        const char* dir = ch == 28 ? "left" : ch == 29 ? "right" : ch == 30 ? "up" : "down";
        std::snprintf(text, sizeof text, "arrowKey %s", dir);
        return tocard(text);
      }
      break;
    case 16:
      for (int n = 0; n < 15; ++n) {
        if (kFunctionKeys[n] == code) {
          std::snprintf(text, sizeof text, "functionKey %d", n + 1);
          return tocard(text);
        }
      }
      break;
    default: break;
  }
  if (!msgvisible() && !g.blindTyping) {
    Str255 message{};
    keystrokestr(message, ch);
    if (message[0] == 0) return 0;  // the first byte of a two-byte character waits for the second
    return tocard(std::string_view(reinterpret_cast<const char*>(message + 1), message[0]));
  }
  runmain(kWindowKey, key, g.msgwindow);
  return 0;
}

i16 sendmous(i16) {
  MainGlobals& g = mainglobals();
  g.mouseobject = -1;
  g.mousewindow = nilid;
  return 0;
}

void checktooltip(u32) {}

void cleartooltip() {}

i16 putupfield(WindowRef, Handle, i16) { return 0; }

void putdownfieldutil() { putdowntextfieldutil(); }

i16 putdownfield() {
  MainGlobals& g = mainglobals();
  if (g.openfield < 0) return 0;
  Handle list = g.openfieldspots;
  i16 index = g.openfield;
  WindowRef w = g.openfieldwindow;
  putdownfieldutil();
  return spotsend(sendnormal, list, index, "leaveField", w);
}

void putdownmodes() {}

}  // namespace kv
