// Dragging the ruler's indicators: the drag ranges, the drag loop with its snapping, the
// guiding line across the text and the window that shows the value while dragging.
#include <algorithm>
#include <cstring>

#include "fields/rulercontrol.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/fonts/fonts.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/windows/screens.h"
#include "platform/windows/theme.h"

namespace kv {

namespace {

constexpr OSType kLein = fourcc("lein"), kRiin = fourcc("riin"), kFidt = fourcc("fidt");
constexpr i16 kValuesBrush = 48;
constexpr WindowAttributes kValuesAttributes = 1u << 25;
constexpr u8 kValuesSample[] = "\x0A-XX.XXX XX";

i32 whole(Fixed f) { return f >> 16; }

// A value in whole pixels snapped to a multiple of the step: away from zero when the remainder
// is above half the step, else toward zero.
i32 snapped(i32 pixels, i32 step) {
  i32 q = pixels / step;
  const i32 r = pixels % step;
  if (2 * std::abs(r) > step) q += pixels < 0 ? -1 : 1;
  return q * step;
}

// Draws the ruler again into its window.
void redrawruler(ControlRef control) {
  SavePort saved;
  SetPort(GetWindowPort(GetControlOwner(control)));
  DrawRuler(control);
}

// The guiding line's position, in the port: the indent measured from the destination's edge.
i16 guideposition(u16 kind, const rulerdatarecord& rd) {
  LongRect dest{};
  WEGetDestRect(&dest, rd.we);
  switch (kind) {
    case kRulerRight: return i16(dest.right - whole(rd.rightindent));
    case kRulerFirstLine: return i16(dest.left + whole(rd.leftindent) + whole(rd.firstindent));
    default: return i16(dest.left + whole(rd.leftindent));
  }
}

// The guiding line: a dotted vertical line in XOR mode from just above the text view to the
// window's bottom less the scroll bar's width, inset by 2 at both ends; drawn again at the
// same place it is gone.
void guidingline(i16 x, const LongRect& view, WindowRef window) {
  Rect port{};
  GetWindowPortBounds(window, &port);
  i32 bar = 15;
  GetThemeMetric(kThemeMetricScrollBarWidth, &bar);
  const i32 top = view.top - 2 + 2, bottom = port.bottom - bar - 2;
  if (bottom <= top) return;
  PenState pen{};
  GetPenState(&pen);
  PenNormal();
  PenMode(patXor);
  PenPat(&qdgray);
  MoveTo(x, i16(top));
  LineTo(x, i16(bottom - 1));
  SetPenState(&pen);
}

// The indicator's value as the values window shows it.
Fixed shownvalue(const rulerdatarecord& rd) {
  switch (rd.indrag) {
    case kRulerRight: return rd.rightindent;
    case kRulerFirstLine: return rd.firstindent;
    default: return rd.leftindent;
  }
}

// Sets the dragged indicator's attribute on the selection: true when set.
bool setindent(u16 kind, const rulerdatarecord& rd) {
  switch (kind) {
    case kRulerHanging: {
      const OSType tags[2] = {kLein, kFidt};
      const void* values[2] = {&rd.leftindent, &rd.firstindent};
      const i32 sizes[2] = {4, 4};
      return WESetAttributes(-1, -1, 2, tags, values, sizes, rd.we) == noErr;
    }
    case kRulerRight: return WESetOneAttribute(-1, -1, kRiin, &rd.rightindent, 4, rd.we) == noErr;
    case kRulerFirstLine: return WESetOneAttribute(-1, -1, kFidt, &rd.firstindent, 4, rd.we) == noErr;
    case kRulerLeft: return WESetOneAttribute(-1, -1, kLein, &rd.leftindent, 4, rd.we) == noErr;
    default: return false;
  }
}

// One indicator's drag, until the button goes up.
i16 dragloop(ControlRef control, u16 kind) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd) || !isvalidwerec(rd.we)) return 0;
  const WindowRef window = GetControlOwner(control);
  SavePort saved;
  SetPort(GetWindowPort(window));
  WindowRef values = nilid;
  GWorldPtr world = nilid;
  CreateValuesWindow(control, &values, &world);
  LongRect view{};
  WEGetViewRect(&view, rd.we);
  Rect range{};
  GetIndicatorDragCostraintRect(kind, control, &range);
  const Rect band = rulerband(control, rd);
  const Fixed left0 = rd.leftindent, right0 = rd.rightindent, first0 = rd.firstindent;
  i16 guide = guideposition(kind, rd);
  guidingline(guide, view, window);
  {
    LoopScope loop("DragIndicator");
    // The point the button went up at counts as the last one followed.
    for (bool down = true; down;) {
      down = WaitMouseUp();
      Point p = mouseposition();
      GlobalToLocal(&p);
      if (p.h < view.left || p.h > view.right) continue;
      i32 x = std::clamp<i32>(p.h, range.left, std::max(range.left, range.right));
      if (kind == kRulerLeft && first0 < 0) x = std::max<i32>(x, band.left - whole(first0));
      i32 value = kind == kRulerRight       ? range.right - x
                  : kind == kRulerFirstLine ? x - range.left - whole(rd.leftindent)
                                            : x - range.left;
      if (rd.snap) value = snapped(value, rulersnapstep(rd.units));
      switch (kind) {
        case kRulerHanging:
          rd.firstindent = first0 - (Long2Fix(value) - left0);
          rd.leftindent = Long2Fix(value);
          break;
        case kRulerRight: rd.rightindent = Long2Fix(value); break;
        case kRulerFirstLine: rd.firstindent = Long2Fix(value); break;
        default: rd.leftindent = Long2Fix(value); break;
      }
      rd.dragvalue = Long2Fix(value);
      writerulerdata(control, rd);
      Point global = p;
      LocalToGlobal(&global);
      if (values != nilid) ShowValuesWindow(values, world, global, control);
      DrawRuler(control);
      const i16 now = guideposition(kind, rd);
      if (now != guide) {
        guidingline(guide, view, window);
        guidingline(now, view, window);
        guide = now;
      }
    }
  }
  guidingline(guide, view, window);
  const bool changed = rd.leftindent != left0 || rd.rightindent != right0 || rd.firstindent != first0;
  const bool set = changed && setindent(kind, rd);
  if (values != nilid) DisposeWindow(values);
  if (world != nilid) DisposeGWorld(world);
  return set ? i16(kind) : i16(0);
}

}  // namespace

void GetIndicatorDragCostraintRect(u16 kind, ControlRef control, Rect* r) {
  rulerdatarecord rd{};
  *r = Rect{0, 0, 0, 0};
  if (!readrulerdata(control, &rd)) return;
  Rect b = rulerband(control, rd);
  const i32 minimum = rd.mintextwidth;
  const i32 left = whole(rd.leftindent), right = whole(rd.rightindent), first = whole(rd.firstindent);
  switch (kind) {
    case kRulerHanging:
    case kRulerFirstLine: b.right = i16(b.right - (minimum + right)); break;
    case kRulerRight: b.left = i16(b.left + minimum + left + std::max(first, 0)); break;
    case kRulerLeft: b.right = i16(b.right - (minimum + right) - std::max(first, 0)); break;
    case 5: InsetRect(&b, i16(rd.trackinset), 0); break;
    default: break;
  }
  *r = b;
}

i16 TrackRuler(ControlRef control, Point start) {
  rulerdatarecord rd{};
  if (!IsControlVisible(control) || !readrulerdata(control, &rd)) return 0;
  const u16 kind = GetPartPointedTo(start, control);
  rd.indrag = kind;
  writerulerdata(control, rd);
  redrawruler(control);
  const bool autoscroll = isvalidwerec(rd.we) && WEFeatureFlag(weFAutoScroll, -1, rd.we) != 0;
  if (autoscroll) WEFeatureFlag(weFAutoScroll, 0, rd.we);
  i16 part = 0;
  if (kind >= kRulerHanging && kind <= kRulerLeft) part = DragIndicator(start, control);
  if (autoscroll && isvalidwerec(rd.we)) WEFeatureFlag(weFAutoScroll, 1, rd.we);
  if (readrulerdata(control, &rd)) {
    rd.indrag = 0;
    UpdateRulerIndents(&rd);
    writerulerdata(control, rd);
    redrawruler(control);
  }
  return part;
}

i16 DragIndicator(Point, ControlRef control) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd)) return 0;
  // With drag sounds on the drag is wrapped in the theme's slider sound, which plays nothing
  // here.
  return dragloop(control, rd.indrag);
}

// --- The values window -----------------------------------------------------------------------

OSStatus CreateValuesWindow(ControlRef control, WindowRef* window, GWorldPtr* world) {
  *window = nilid;
  *world = nilid;
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd)) return paramErr;
  i16 width = 0;
  {
    SavePort saved;
    const CGrafPtr port = CreateNewPort();
    SetPort(port);
    TextFont(rd.numberfont);
    TextSize(rd.numbersize);
    TextFace(rd.numberface);
    width = i16(StringWidth(kValuesSample) + 4);
    DisposePort(port);
  }
  const Rect size{0, 0, i16(rd.numbersize + 3), width};
  if (OSStatus err = CreateNewWindow(kHelpWindowClass, kValuesAttributes, &size, window); err != noErr) return err;
  if (OSErr err = NewGWorld(world, 0, &size, 0, 0, 0); err != noErr) {
    DisposeWindow(*window);
    *window = nilid;
    *world = nilid;
    return err;
  }
  return noErr;
}

void ShowValuesWindow(WindowRef window, GWorldPtr world, Point globalmouse, ControlRef control) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd)) return;
  Rect content{};
  GetWindowBounds(window, kWindowContentRgn, &content);
  const i16 width = i16(content.right - content.left);
  Rect bounds{};
  GetControlBounds(control, &bounds);
  Point top{bounds.top, bounds.left};
  {
    SavePort saved;
    SetPort(GetWindowPort(GetControlOwner(control)));
    LocalToGlobal(&top);
  }
  const Rect screen = screenbounds(0);
  i16 h = i16(globalmouse.h + 10);
  if (h + width > screen.right) h = i16(screen.right - width);
  MoveWindow(window, h, i16(top.v + 12), false);
  DrawValuesWindowContent(window, world, control);
  if (rd.showvalues) ShowWindow(window);
}

void DrawValuesWindowContent(WindowRef window, GWorldPtr world, ControlRef control) {
  rulerdatarecord rd{};
  if (!readrulerdata(control, &rd) || world == nilid) return;
  Str255 text{};
  GetPascalStringFromFixedValue(shownvalue(rd), rd, text);
  CGrafPtr port = nilid;
  GDHandle device = 0;
  GetGWorld(&port, &device);
  SetGWorld(world, 0);
  Rect all{};
  GetPortBounds(world, &all);
  SetThemeBackground(kValuesBrush, portdepth(world), true);
  EraseRect(&all);
  ForeColor(blackColor);
  TextFont(rd.numberfont);
  TextSize(rd.numbersize);
  TextFace(rd.numberface);
  FontInfo fi{};
  GetFontInfo(&fi);
  MoveTo(2, i16(std::min<i32>(all.bottom - 1, fi.ascent + 1)));
  DrawString(text);
  SetGWorld(GetWindowPort(window), 0);
  BackColor(whiteColor);
  CopyBits(GetPortBitMapForCopyBits(world), GetPortBitMapForCopyBits(GetWindowPort(window)), &all, &all, srcCopy, 0);
  SetGWorld(port, device);
}

void HideValuesWindow(WindowRef window) {
  if (IsValidWindowPtr(window)) HideWindow(window);
}

}  // namespace kv
