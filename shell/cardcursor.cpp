#include "shell/cardcursor.h"

#include "engine/objectutil.h"
#include "fields/fieldview.h"
#include "media/movies.h"
#include "platform/memory/memory.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/resources/resources.h"
#include "platform/windows/cursor.h"
#include "platform/windows/windows.h"
#include "render/hittest.h"
#include "render/windowclip.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "store/records.h"
#include "system/windowkind.h"
#include "tools/paint.h"

namespace kv {

namespace {

constexpr u16 kDrawTextTool = 200, kUniversalTool = 600, kFirstPaintTool = 300, kLastPaintTool = 314;
constexpr i16 kPointerToolCursor = 1504;
constexpr u32 kLockText = 1u << 3, kAllowDrag = 1u << 16;
constexpr u16 kScrollingField = 301, kScrollingListField = 303, kTextGraphic = 106;
constexpr Size kCursorBytes = 68;

// A cursor from its 68 bytes: the image and mask rows in stored (big-endian) order, the hot
// spot big-endian too when `storedspot`, else in host order (as the cursor slots keep it).
Cursor cursorfrom(const u8* p, bool storedspot) {
  Cursor c{};
  for (int i = 0; i < 16; ++i) {
    c.data.v[i] = u16(p[2 * i] << 8 | p[2 * i + 1]);
    c.mask.v[i] = u16(p[32 + 2 * i] << 8 | p[33 + 2 * i]);
  }
  if (storedspot) {
    c.hotSpot = Point{i16(p[64] << 8 | p[65]), i16(p[66] << 8 | p[67])};
  } else {
    c.hotSpot = loadat<Point>(p + 64);
  }
  return c;
}

// The cursor a global slot holds: the arrow for its marker or for data too short to be one.
void showslot(Handle cursor) {
  if (cursor == kArrowCursorMarker || !IsValidHandle(cursor) || GetHandleSize(cursor) < kCursorBytes) {
    SetThemeCursor(kThemeArrowCursor);
    return;
  }
  const Cursor c = cursorfrom(deref(cursor), false);
  SetCursor(&c);
}

}  // namespace

void showcursorresource(i16 id) {
  Handle h = GetResource(fourcc("CURS"), id);
  if (h == nilhandle || GetHandleSize(h) < kCursorBytes) {
    SetThemeCursor(kThemeArrowCursor);
  } else {
    const Cursor c = cursorfrom(deref(h), true);
    SetCursor(&c);
  }
  if (h != nilhandle) ReleaseResource(h);
}

namespace {

bool modalwindow(WindowRef window) {
  WindowClass c = 0;
  if (GetWindowClass(window, &c) != noErr) return false;
  return (c == kModalWindowClass || c == kMovableModalWindowClass) && !windowkind(window, kindqueryfloating);
}

// What stands when nothing under the mouse chose: the object cursor, the default cursor, then
// the arrow in a modal window or with the text tool, the pointing hand elsewhere.
void restingcursor() {
  const MainGlobals& g = mainglobals();
  const desk& d = g.current;
  if (g.allowObjectCursors && g.objectcursor != nilhandle && !g.plugin) return showslot(g.objectcursor);
  if (g.defaultcursor != nilhandle && !g.plugin) return showslot(g.defaultcursor);
  const bool arrow = modalwindow(d.window) || d.tool == tooltext;
  SetThemeCursor(arrow ? kThemeArrowCursor : kThemePointingHandCursor);
}

bool inrect(Point pt, const Rect& r) { return PtInRect(pt, &r); }

// Over the scroll bar of a field that scrolls, or over its ruler.
bool onscrollbar(const spot& f, bool canscroll, Point pt) {
  if (!canscroll) return false;
  Rect r{};
  controlrect(f, &r);
  return inrect(pt, r);
}

bool onruler(const spot& f, Point pt) {
  if (!fieldhasruler(f)) return false;
  Rect r{};
  rulercontrolrect(f, &r);
  return inrect(pt, r);
}

// The region of a movie that takes the mouse: its clip region and its controller's bar while
// the controller shows, or the controller's bounds; the movie's rectangle while it is hidden.
bool overmovie(const moovrec& m, Point pt) {
  if (m.controller == nilid || !IsValidMovieController(m.controller) || !MCGetVisible(m.controller))
    return inrect(pt, m.rect);
  Rect bounds{};
  MCGetControllerBoundsRect(m.controller, &bounds);
  if (m.clip == nilid) return inrect(pt, bounds);
  Rect box{};
  GetMovieBox(m.movie, &box);
  const Rect bar{box.bottom, bounds.left, bounds.bottom, bounds.right};
  return PtInRgn(pt, m.clip) || inrect(pt, bar);
}

// The open field of this window under the point: true when it chose the cursor (or chose to
// leave it to the text services).
bool openfieldcursor(Point pt) {
  const MainGlobals& g = mainglobals();
  if (g.openfield < 0 || g.openfieldwindow != g.current.window || g.openfield >= spotcount(g.openfieldspots))
    return false;
  const spot f = spotat(g.openfieldspots, g.openfield);
  if (onscrollbar(f, fieldcanscroll(f), pt) || onruler(f, pt)) {
    SetThemeCursor(kThemeArrowCursor);
    return true;
  }
  if (!inrect(pt, f.rect)) return false;
  if (f.flags & kLockText) {
    SetThemeCursor(kThemePointingHandCursor);
  } else if (g.allowDragAndDrop && (f.flags & kAllowDrag)) {
    // Text records cannot yet tell whether a point lies in their selection: the I-beam stands
    // over the selected text as over the rest.
    if (!g.allowTextServices) SetThemeCursor(kThemeIBeamCursor);
  } else {
    SetThemeCursor(kThemeIBeamCursor);
  }
  return true;
}

}  // namespace

i16 lowcursor(Handle list, Point pt) {
  if (list == nilhandle) return 0;
  const u16 tool = mainglobals().current.tool;
  i32 found = -1;
  for (i32 i = spotcount(list) - 1; i >= 0 && found < 0; --i)
    if (lowinspot(spotat(list, i16(i)), pt)) found = i;
  if (found < 0) return 0;
  const spot s = spotat(list, i16(found));
  if (s.kind == spotfield) {
    const bool scrolls = s.style == kScrollingField || s.style == kScrollingListField;
    if (tool == kDrawTextTool) {
      SetThemeCursor(kThemeCrossCursor);
      return 1;
    }
    if (onscrollbar(s, scrolls, pt) || onruler(s, pt)) {
      SetThemeCursor(kThemeArrowCursor);
      return 1;
    }
    if (tool == tooltext || (!(s.flags & kLockText) && !islist(s))) {
      SetThemeCursor(kThemeIBeamCursor);
      return 1;
    }
  }
  if (tool == kDrawTextTool) {
    SetThemeCursor(s.style == kTextGraphic ? kThemeIBeamCursor : kThemeCrossCursor);
    return 1;
  }
  restingcursor();
  return 1;
}

void curscase(Point pt) {
  const MainGlobals& g = mainglobals();
  const desk& d = g.current;
  if (d.window == nilid) return;
  const u16 tool = d.tool == tooltext ? u16(toolbrowse) : d.tool;
  Rect area{};
  getinterior(&area);
  if (!inrect(pt, area)) {
    SetThemeCursor(kThemeArrowCursor);
    return;
  }
  if (tool >= kFirstPaintTool && tool <= kLastPaintTool) return paintcurs(tool, pt);
  if (tool == kDrawTextTool) {
    const bool found = d.backlayer ? lowcursor(d.backspots, pt)
                                   : lowcursor(d.cardspots, pt) || lowcursor(d.backspots, pt);
    if (!found) SetThemeCursor(kThemeCrossCursor);
    return;
  }
  if (tool == kUniversalTool) return showcursorresource(kPointerToolCursor);
  if (tool > kUniversalTool) return (void)SetThemeCursor(kThemeArrowCursor);
  if (tool > toolbrowse) return (void)SetThemeCursor(kThemeCrossCursor);
  if (g.movieIdle && openmoviecount() > 0) {
    for (const moovrec& m : movietable()) {
      if (m.window != d.window || m.removed || !overmovie(m, pt)) continue;
      SetThemeCursor(kThemeArrowCursor);
      return;
    }
  }
  if (openfieldcursor(pt)) return;
  if (!d.backlayer && lowcursor(d.cardspots, pt)) return;
  if (lowcursor(d.backspots, pt)) return;
  restingcursor();
}

}  // namespace kv
