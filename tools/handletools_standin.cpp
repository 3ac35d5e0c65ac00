// A stand-in for the tool dispatcher until the editing tools exist: browse-tool clicks with the
// real mouse. The topmost object the click hits (the hit test of card rendering; the card's
// objects from the front, then the background's) gets "mouseDown", "mouseStillDown" while the
// button is held, then "mouseUp" when it is released on it or "mouseRelease" elsewhere; a
// disabled button gets nothing. A click on no object gives the card "mouseDown",
// "mouseStillDown" and "mouseUp". A handler that goes to another card or window ends the
// click without further messages.
#include "tools/handletools.h"

#include "engine/objectsend.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "render/hittest.h"
#include "shell/mainglobals.h"
#include "store/objects.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr u32 kDisabled = 1u << 7;

// The topmost object of a list under a point, or -1.
i32 hit(Handle list, Point p) {
  if (list == nilhandle) return -1;
  for (i32 i = i32(HandleCount<spot>(list)) - 1; i >= 0; --i)
    if (ptinspot(list, i16(i), p)) return i;
  return -1;
}

i16 trackobject(Handle list, i32 index, u64 stamp) {
  MainGlobals& g = mainglobals();
  WindowRef w = g.current.window;
  spot s = spotat(list, index);
  if (s.kind == spotbutton && (s.flags & kDisabled)) return 0;
  if (i16 st = spotsend(sendnormal, list, index, "mouseDown", w)) return st;
  while (g.current.changestamp == stamp && StillDown())
    if (i16 st = spotsend(sendnormal, list, index, "mouseStillDown", w)) return st;
  if (g.current.changestamp != stamp) return 0;
  // Where the button went up: the waiting mouse-up's position, else the mouse's.
  Point p{};
  EventRecord up{};
  if (GetNextEvent(mUpMask, &up)) {
    p = up.where;
    GlobalToLocal(&p);
  } else {
    GetMouse(&p);
  }
  bool inside = ptinspot(list, i16(index), p) != 0;
  return spotsend(sendnormal, list, index, inside ? "mouseUp" : "mouseRelease", w);
}

i16 trackcard(u64 stamp) {
  MainGlobals& g = mainglobals();
  WindowRef w = g.current.window;
  if (i16 st = cardsend("mouseDown", sendnormal, w)) return st;
  while (g.current.changestamp == stamp) {
    if (!StillDown()) return cardsend("mouseUp", sendnormal, w);
    if (i16 st = cardsend("mouseStillDown", sendnormal, w)) return st;
  }
  return 0;
}

}  // namespace

i16 handletools(Point start, Point, u16) {
  MainGlobals& g = mainglobals();
  SetPortWindowPort(g.current.window);
  u64 stamp = g.current.changestamp;
  if (!g.current.backlayer) {
    if (i32 i = hit(g.current.cardspots, start); i >= 0) return trackobject(g.current.cardspots, i, stamp);
  }
  if (i32 i = hit(g.current.backspots, start); i >= 0) return trackobject(g.current.backspots, i, stamp);
  return trackcard(stamp);
}

}  // namespace kv
