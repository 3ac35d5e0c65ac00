#include "shell/metal.h"

#include "render/drawroutines.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "core/mainglobals.h"

namespace kv {

namespace {

// The greys of the grip's lines from the outermost inwards, then of its dot.
constexpr u8 kGripGreys[] = {49, 236, 210, 174, 48, 236, 210, 165, 48, 236, 211, 174, 49, 236};
constexpr u8 kGripDot = 213;

void greypen(u8 level) {
  const u16 c = u16(level * 256);
  const RGBColor grey{c, c, c};
  RGBForeColor(&grey);
}

// The grip's triangle in the corner of the port's bounds.
RgnHandle griptriangle(const Rect& bounds) {
  const i16 right = bounds.right, bottom = bounds.bottom;
  PolyHandle poly = newpolygon({Point{i16(bottom + 2), i16(right - 22)}, Point{i16(bottom - 22), i16(right + 2)},
                                Point{i16(bottom + 2), i16(right + 2)}, Point{i16(bottom + 2), i16(right - 22)}});
  RgnHandle rgn = NewRgn();
  if (poly != nilhandle) PolyRgn(rgn, poly);
  KillPoly(poly);
  return rgn;
}

}  // namespace

bool IsMetalWindow(WindowRef window) {
  WindowAttributes a = 0;
  return IsValidWindowPtr(window) && GetWindowAttributes(window, &a) == noErr && (a & kWindowMetalAttribute);
}

void setmetaleraseprocs(CGrafPtr port) {
  WindowRef window = GetWindowFromPort(port);
  if (window == nilid) window = mainglobals().current.window;
  if (window == nilid || !IsMetalWindow(window) || portrecordingpicture(port)) {
    SetPortGrafProcs(port, nullptr);
    return;
  }
  QDProcs procs;
  SetStdCProcs(&procs);
  procs.rectProc = PobjRTmetaleraserectproc;
  procs.rgnProc = PobjRTmetalerasergnproc;
  SetPortGrafProcs(port, &procs);
}

}  // namespace kv

namespace kv {

void myDrawMetalGrow(WindowRef window) {
  CGrafPtr port = IsValidWindowPtr(window) ? GetWindowPort(window) : nilid;
  if (!IsValidPort(port)) return;
  SavePort saved;
  ThemeDrawingState theme = nilhandle;
  GetThemeDrawingState(&theme);
  SetPort(port);
  NormalizeThemeDrawingState();
  PenNormal();
  Rect bounds{};
  GetPortBounds(port, &bounds);
  RgnHandle triangle = griptriangle(bounds);
  myMetalEraseRgn(triangle, window);
  SetClip(triangle);
  SetPortVisibleRegion(port, triangle);
  const i16 visibility = GetPortPenVisibility(port);
  SetPortPenVisibility(port, 0);
  const i16 right = bounds.right, bottom = bounds.bottom;
  for (i16 k = 16; k >= 3; --k) {
    greypen(kGripGreys[16 - k]);
    MoveTo(i16(right - 2), i16(bottom - k));
    LineTo(i16(right - k), i16(bottom - 2));
  }
  greypen(kGripDot);
  MoveTo(i16(right - 2), i16(bottom - 2));
  LineTo(i16(right - 2), i16(bottom - 2));
  SetThemeDrawingState(theme, true);
  RgnHandle rest = NewRgn();
  RectRgn(rest, bounds);
  DiffRgn(rest, triangle, rest);
  SetPortVisibleRegion(port, rest);
  SetClip(rest);
  DisposeRgn(rest);
  DisposeRgn(triangle);
  SetPortPenVisibility(port, visibility);
}

bool IsGrowClickInMetalWindow(WindowRef window, Point where) {
  if (!IsMetalWindow(window)) return false;
  Rect content{}, port{};
  GetWindowBounds(window, kWindowContentRgn, &content);
  GetWindowPortBounds(window, &port);
  const Point local{i16(where.v - content.top + port.top), i16(where.h - content.left + port.left)};
  const Rect square{i16(port.bottom - 15), i16(port.right - 15), port.bottom, port.right};
  return PtInRect(local, &square);
}

}  // namespace kv
