#include "shell/cardscroll.h"

#include <algorithm>

#include "media/movies.h"
#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "render/windowclip.h"
#include "shell/drawcase.h"
#include "core/mainglobals.h"
#include "shell/metal.h"
#include "shell/platformutil.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr u32 kResizable = 1u << 2;
constexpr i16 kGrowTriangle = 22, kGrowOverhang = 2;

// The card's size: the background's width and height (0 without a background record).
Point cardsize(const desk& d) {
  if (d.back == nilhandle || GetHandleSize(d.back) < Size(sizeof(backrec))) return Point{0, 0};
  const backrec b = loadat<backrec>(deref(d.back));
  return Point{i16(std::min<u32>(b.height, 32767)), i16(std::min<u32>(b.width, 32767))};
}

bool validbar(ControlRef bar) { return bar != nilid && IsValidControlHandle(bar); }

i32 barvalue(ControlRef bar) { return validbar(bar) ? GetControl32BitValue(bar) : 0; }

// The current window's port, made the current port; none without a window.
bool windowport(const desk& d) {
  if (d.window == nilid || !IsValidWindowPtr(d.window)) return false;
  SetPortWindowPort(d.window);
  return true;
}

// The triangle of the grow box at the interior's bottom-right corner.
void growtriangle(const Rect& interior, RgnHandle out) {
  const i16 r = interior.right, b = interior.bottom;
  OpenRgn();
  MoveTo(i16(r - kGrowTriangle), i16(b + kGrowOverhang));
  LineTo(i16(r + kGrowOverhang), i16(b - kGrowTriangle));
  LineTo(i16(r + kGrowOverhang), i16(b + kGrowOverhang));
  LineTo(i16(r - kGrowTriangle), i16(b + kGrowOverhang));
  CloseRgn(out);
}

// Redraws the part `area` (port coordinates at the origin) of the current window's interior:
// the visible region limited to it, the card drawn at the scroll position with its movies.
void redrawpart(const desk& d, RgnHandle area) {
  const CGrafPtr port = GetWindowPort(d.window);
  RgnHandle saved = NewRgn(), limited = NewRgn();
  if (saved == nilid || limited == nilid) {
    if (saved != nilid) DisposeRgn(saved);
    return;
  }
  GetPortVisibleRegion(port, saved);
  SectRgn(saved, area, limited);
  SetPortVisibleRegion(port, limited);
  lowclipup();
  drawcase(1);
  drawmovies(d.window);
  lowclipdown();
  SetPortVisibleRegion(port, saved);
  DisposeRgn(limited);
  DisposeRgn(saved);
}

}  // namespace

void PeditRTscrollcard(ControlRef control, i16 part) {
  const desk& d = mainglobals().current;
  if (!validbar(control) || (control != d.vscroll && control != d.hscroll) || !windowport(d)) return;
  const bool vertical = control == d.vscroll;
  lowclipdown();
  Rect interior{};
  getinterior(&interior);
  const i32 page = vertical ? interior.bottom - interior.top : interior.right - interior.left;
  const i32 value = GetControl32BitValue(control), maximum = GetControl32BitMaximum(control);
  const i32 step = std::max<i32>(mainglobals().cardScrollStep, 1);
  RgnHandle area = NewRgn();
  if (area == nilid) return;
  i32 scrolled = 0;  // the bits' shift along the bar's axis; 0 redraws the whole interior
  switch (part) {
    case kControlPageUpPart: SetControl32BitValue(control, value - page); break;
    case kControlPageDownPart: SetControl32BitValue(control, value + page); break;
    case kControlIndicatorPart: break;
    case kControlUpButtonPart:
      if (value <= GetControl32BitMinimum(control)) part = kControlNoPart;
      scrolled = std::min(value - GetControl32BitMinimum(control), step);
      break;
    case kControlDownButtonPart:
      if (value >= maximum) part = kControlNoPart;
      scrolled = -std::min(maximum - value, step);
      break;
    default: part = kControlNoPart; break;
  }
  if (part == kControlNoPart) {
    DisposeRgn(area);
    lowclipup();
    return;
  }
  if (scrolled != 0) {
    // The arrows move the bits already shown and draw only the strip they uncover.
    SetControl32BitValue(control, value - scrolled);
    ClipRect(&interior);
    ScrollRect(&interior, vertical ? i16(0) : i16(scrolled), vertical ? i16(scrolled) : i16(0), area);
  } else {
    RectRgn(area, interior);
  }
  redrawpart(d, area);
  DisposeRgn(area);
  lowclipup();
}

void lowclipup() {
  const desk& d = mainglobals().current;
  if (!windowport(d)) return;
  SetOrigin(i16(barvalue(d.hscroll)), i16(barvalue(d.vscroll)));
  Rect interior{};
  getinterior(&interior);
  ClipRect(&interior);
  if (!IsMetalWindow(d.window)) return;
  RgnHandle visible = NewRgn();
  RectRgn(visible, interior);
  if (d.wind != nilhandle && (loadat<windrec>(deref(d.wind)).flags & kResizable)) {
    RgnHandle corner = NewRgn();
    growtriangle(interior, corner);
    DiffRgn(visible, corner, visible);
    DisposeRgn(corner);
  }
  SetPortVisibleRegion(GetWindowPort(d.window), visible);
  DisposeRgn(visible);
}

void lowrectbar() {
  const desk& d = mainglobals().current;
  if (!windowport(d)) return;
  lowclipdown();
  Rect port{};
  GetWindowPortBounds(d.window, &port);
  const i16 w = kScrollBarWidth;
  const Rect vertical{i16(port.top - 1), i16(port.right - w), i16(port.bottom - w + 1), i16(port.right + 1)};
  const Rect horizontal{i16(port.bottom - w), i16(port.left - 1), i16(port.bottom + 1), i16(port.right - w + 1)};
  if (validbar(d.vscroll)) SetControlBounds(d.vscroll, &vertical);
  if (validbar(d.hscroll)) SetControlBounds(d.hscroll, &horizontal);
  Rect interior{};
  getinterior(&interior);
  const Point card = cardsize(d);
  if (card.h < interior.right - interior.left && validbar(d.hscroll)) SetControl32BitValue(d.hscroll, 0);
  if (card.v < interior.bottom - interior.top && validbar(d.vscroll)) SetControl32BitValue(d.vscroll, 0);
  lowclipup();
}

void lowfixbar() {
  const desk& d = mainglobals().current;
  if (!windowport(d)) return;
  lowclipdown();
  Rect interior{};
  getinterior(&interior);
  const i32 width = interior.right - interior.left, height = interior.bottom - interior.top;
  const Point card = cardsize(d);
  if (validbar(d.hscroll)) SetControl32BitMaximum(d.hscroll, std::max<i32>(card.h - width, 0));
  if (validbar(d.vscroll)) SetControl32BitMaximum(d.vscroll, std::max<i32>(card.v - height, 0));
  hilitemoovs(d.window);
  if (validbar(d.vscroll)) SetControlViewSize(d.vscroll, height + 1);
  if (validbar(d.hscroll)) SetControlViewSize(d.hscroll, width + 1);
  lowclipup();
}

}  // namespace kv
