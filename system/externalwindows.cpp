#include "system/externalwindows.h"

#include <algorithm>

#include "engine/textutil.h"
#include "engine/tokens.h"
#include "platform/qd/shapes.h"
#include "core/desk.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "store/objread.h"
#include "store/reftexts.h"
#include "system/externalevents.h"
#include "system/windowkind.h"

namespace kv {

namespace {

constexpr WindowAttributes kFloatingAttributes = kWindowCloseBoxAttribute | kWindowResizableAttribute;
constexpr WindowAttributes kDocumentAttributes = kWindowCloseBoxAttribute | kWindowFullZoomAttribute |
                                                 kWindowResizableAttribute;

i16 clip16(i32 n) { return i16(std::clamp<i32>(n, -32768, 32767)); }

// A rectangle of a size whose left and top are given, worked in 32 bits.
Rect rectat(i32 left, i32 top, i32 width, i32 height) {
  return Rect{clip16(top), clip16(left), clip16(top + height), clip16(left + width)};
}

Rect contentof(WindowRef window) {
  Rect r{};
  GetWindowBounds(window, kWindowContentRgn, &r);
  return r;
}

// Moves and sizes a window's content. (The limit to the runtime's drawing bounds comes with
// the window-management routines, as for the window properties.)
// Definitions of the floating families, which put the window in the platform's toolbar class.
bool floatingdefinition(i32 definition) {
  return (definition >= 1057 && definition <= 1087) || (definition >= 1985 && definition <= 1999);
}

struct Positions {
  u16 firstordinary = kNoPosition, lastordinary = kNoPosition;
  u16 firstfloating = kNoPosition, lastfloating = kNoPosition;
  u16 position = kNoPosition;
  bool inordinary() const {
    return firstordinary != kNoPosition && position >= firstordinary && position <= lastordinary;
  }
  bool infloating() const {
    return firstfloating != kNoPosition && position >= firstfloating && position <= lastfloating;
  }
};

Positions positionsof(WindowRef window) {
  Positions p;
  u16 i = 0;
  for (WindowRef w = GetWindowList(); w != nilid; w = GetNextWindow(w), ++i) {
    if (w == window) p.position = i;
    if (!IsWindowVisible(w)) continue;
    if (windowkind(w, kindqueryordinary)) {
      if (p.firstordinary == kNoPosition) p.firstordinary = i;
      p.lastordinary = i;
    }
    if (windowkind(w, kindqueryfloating)) {
      if (p.firstfloating == kNoPosition) p.firstfloating = i;
      p.lastfloating = i;
    }
  }
  return p;
}

WindowRef windowat(u16 index) {
  WindowRef w = GetWindowList();
  for (u16 i = 0; w != nilid && i < index; ++i) w = GetNextWindow(w);
  return w;
}

// The front-most window of a kind whose title is the text in any case.
WindowRef titled(ConstStringPtr title, u16 query) {
  if (title == nullptr) return nilid;
  for (WindowRef w = GetWindowList(); w != nilid; w = GetNextWindow(w)) {
    if (!windowkind(w, query)) continue;
    Str255 name;
    GetWTitle(w, name);
    if (myequalstring(name, title)) return w;
  }
  return nilid;
}

void showhidekind(i16 show, u16 query) {
  for (WindowRef w = GetWindowList(); w != nilid; w = GetNextWindow(w))
    if (windowkind(w, query)) ShowHide(w, show == 1);
  orderwindows();
  hilitewindows();
}

WindowRef frontmost(u16 query) {
  for (WindowRef w = GetWindowList(); w != nilid; w = GetNextWindow(w))
    if (windowkind(w, query)) return w;
  return nilid;
}

}  // namespace

void PShowWin(WindowRef window) {
  if (!IsValidWindowPtr(window)) return;
  ShowWindow(window);
  orderwindows();
  hilitewindows();
}

void PHideWin(WindowRef window) {
  if (!IsValidWindowPtr(window)) return;
  HideWindow(window);
  orderwindows();
  hilitewindows();
}

void PCloseWin(WindowRef window) {
  // Only the windows externals make are theirs to close: a project window closes through its
  // project, with its messages.
  if (!windowkind(window, kindqueryexternal)) return;
  DisposeWindow(window);
  orderwindows();
  hilitewindows();
  dropwindowregistrations(window);
}

void PShowHidePalettes(i16 show) { showhidekind(show, kindqueryxfloating); }

void PShowHideKVPalettes(i16 show) { showhidekind(show, kindquerypalette); }

WindowRef PGetWindowPtr(ConstStringPtr title) { return titled(title, kindqueryexternal); }

WindowRef PGetKVWindowPtr(ConstStringPtr title) { return titled(title, kindqueryruntime); }

void PGetFrontMostWindInfo(kv_windowinfo* info, bool palettes) {
  if (info == nullptr) return;
  WindowRef w = frontmost(kindqueryproject);
  if (w == nilid && palettes) w = frontmost(kindquerypalette);
  info->found = 0;
  if (w == nilid) return;
  i16 position = 0;
  u16 floating = 0;
  PGetWinPosition(w, &position, &floating);
  info->layer = floating;
  info->position = position;
  Rect c = contentof(w);
  info->content = kv_rect{c.top, c.left, c.bottom, c.right};
  info->window = w;
  info->found = 1;
  info->visible = IsWindowVisible(w) ? 1 : 0;
  objread r{};
  r.kind = objwindow;
  info->reference[0] = 0;
  if (getwind(w, &r.d)) buildwindid(&r, tok::long_, info->reference);
}

WindowRef PNewWin(const Rect* bounds, ConstStringPtr title, bool visible, i32 definition, bool, bool floating) {
  if (!bounds) return nilid;
  WindowRef w = nilid;
  WindowAttributes attributes = floating ? kFloatingAttributes : kDocumentAttributes;
  if (CreateWindowWithDefinition(i16(definition & 0xFFFF), kDocumentWindowClass, attributes, bounds, &w) != noErr)
    return nilid;
  WindowRef firstdoc = nilid, lastdoc = nilid, firstfloat = nilid, lastfloat = nilid;
  locatewindows(&firstdoc, &lastdoc, &firstfloat, &lastfloat);
  if (!floating && lastfloat != nilid) sendbehind(w, lastfloat);
  else BringToFront(w);
  if (title) SetWTitle(w, title);
  if (floatingdefinition(definition)) SetWindowClass(w, kToolbarWindowClass);
  SetWindowKind(w, floating ? kindxfloating : kindxwindow);
  if (visible) ShowWindow(w);
  orderwindows();
  hilitewindows();
  return w;
}

void PMoveWin(WindowRef window, Point where, bool centre) {
  if (!IsValidWindowPtr(window)) return;
  if (!centre) {
    MoveWindow(window, where.h, where.v, false);
    return;
  }
  Rect c = contentof(window);
  i32 width = i32(c.right) - c.left, height = i32(c.bottom) - c.top;
  Rect r = rectat(where.h - width / 2, where.v - height / 2, width, height);
  if (EmptyRect(&r)) return;
  // Moved and sized within the drawing bounds.
  rectowind(r, window);
}

void PSizeWin(WindowRef window, i16 width, i16 height, bool centre) {
  if (!IsValidWindowPtr(window)) return;
  if (!centre) {
    SizeWindow(window, width, height, true);
    return;
  }
  Rect c = contentof(window);
  rectowind(rectat((i32(c.left) + c.right) / 2 - width / 2, (i32(c.top) + c.bottom) / 2 - height / 2, width, height),
            window);
}

void locatepositions(WindowRef window, u16* firstordinary, u16* lastordinary, u16* firstfloating, u16* lastfloating,
                     u16* position) {
  Positions p = positionsof(window);
  if (firstordinary) *firstordinary = p.firstordinary;
  if (lastordinary) *lastordinary = p.lastordinary;
  if (firstfloating) *firstfloating = p.firstfloating;
  if (lastfloating) *lastfloating = p.lastfloating;
  if (position) *position = p.position;
}

void PGetWinPosition(WindowRef window, i16* position, u16* floating) {
  if (!IsValidWindowPtr(window)) return;
  Positions p = positionsof(window);
  u16 layer = 0;
  if (p.inordinary()) {
    if (position) *position = i16(p.position - p.firstordinary);
  } else if (p.infloating()) {
    layer = 1;
    if (position) *position = i16(p.position - p.firstfloating);
  }
  if (floating) *floating = layer;
}

void PSetWinPosition(WindowRef window, i16 steps) {
  if (!IsValidWindowPtr(window)) return;
  if (steps == 0) {
    selectwindow(window);
    return;
  }
  Positions p = positionsof(window);
  i32 target = p.position;
  if (p.inordinary() || p.infloating()) {
    i32 first = p.inordinary() ? p.firstordinary : p.firstfloating;
    i32 last = p.inordinary() ? p.lastordinary : p.lastfloating;
    target = i32(p.position) - steps - (steps > 0 ? 1 : 0);
    if (target < first) {
      selectwindow(window);
      return;
    }
    target = std::min(target, last);
  }
  WindowRef behind = windowat(u16(target));
  if (behind != window) sendbehind(window, behind);
}

}  // namespace kv
