#include "render/drawroutines.h"

#include <algorithm>

#include "platform/process/gestalt.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "core/mainglobals.h"
#include "shell/metal.h"

namespace kv {

namespace {

// The port made current for a while; the port and device before are put back at the end.
class PortSwitch {
 public:
  explicit PortSwitch(CGrafPtr port) {
    GetGWorld(&port_, &device_);
    SetPort(port);
  }
  ~PortSwitch() { SetGWorld(port_, device_); }
  PortSwitch(const PortSwitch&) = delete;
  PortSwitch& operator=(const PortSwitch&) = delete;

 private:
  CGrafPtr port_ = 0;
  GDHandle device_ = 0;
};

// Whether the inactive metal look exists: from system 10.5 on.
bool inactivemetallook() {
  i32 version = 0;
  return Gestalt(fourcc("sysv"), &version) == noErr && version > 0x104F;
}

// Draws the metal texture of a window into its port within `area` (port coordinates, further
// limited by the port's clip region), the texture spanning the window's whole structure so it
// lines up with the frame; then, when another port is current, copies what was drawn into it.
// False when the window's port is not valid.
bool metalerase(WindowRef window, RgnHandle area) {
  CGrafPtr wport = GetWindowPort(window);
  if (!IsValidPort(wport)) return false;
  Rect bounds, widths{0, 0, 0, 0};
  GetPortBounds(wport, &bounds);
  GetWindowStructureWidths(window, &widths);
  const Rect background{i16(bounds.top - widths.top), i16(bounds.left - widths.left),
                        i16(bounds.bottom + widths.bottom), i16(bounds.right + widths.right)};
  const bool active = IsWindowHilited(window) || !inactivemetallook();
  RgnHandle clip = NewRgn();
  RgnHandle saved = NewRgn();
  CGrafPtr current = currentportid();
  {
    PortSwitch to(wport);
    GetClip(saved);
    SectRgn(area, saved, clip);
    SetClip(clip);
    drawthemebackground(background, kThemeBackgroundMetal, active);
    SetClip(saved);
  }
  if (current != wport && IsValidPort(current)) {
    // The window's interior grown by a pixel, within the texture, and only where it was drawn.
    Rect copy{i16(bounds.top - 1), i16(bounds.left - 1), i16(bounds.bottom + 1), i16(bounds.right + 1)};
    copy.right = std::min<i16>(copy.right, i16(background.right - background.left + 1));
    copy.bottom = std::min<i16>(copy.bottom, i16(background.bottom - background.top + 1));
    Rect drawn = regionbounds(clip);
    if (SectRect(&copy, &drawn, &copy)) {
      RGBColor fore, back;
      GetForeColor(&fore);
      GetBackColor(&back);
      const RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
      RGBForeColor(&black);
      RGBBackColor(&white);
      CopyBits(GetPortBitMapForCopyBits(wport), GetPortBitMapForCopyBits(current), &copy, &copy, srcCopy, clip);
      RGBForeColor(&fore);
      RGBBackColor(&back);
    }
  }
  DisposeRgn(saved);
  DisposeRgn(clip);
  return true;
}

// The window whose card the current port shows: the port's own window, else the current one.
WindowRef currentcardwindow() {
  WindowRef w = GetWindowFromPort(currentportid());
  return w ? w : mainglobals().current.window;
}

}  // namespace

i16 SetPortPenVisibility(CGrafPtr port, i16 level) {
  if (!IsValidPort(port)) return 0;
  PortSwitch to(port);
  while (GetPortPenVisibility(port) < level) ShowPen();
  while (GetPortPenVisibility(port) > level) HidePen();
  return GetPortPenVisibility(port);
}

void drawdgrow(WindowRef window) {
  CGrafPtr port = GetWindowPort(window);
  if (!IsValidPort(port)) return;
  i32 side = 15;
  GetThemeMetric(kThemeMetricScrollBarWidth, &side);
  Rect bounds;
  GetPortBounds(port, &bounds);
  const Rect box{i16(bounds.bottom - side), i16(bounds.right - side), i16(bounds.bottom + 1), i16(bounds.right + 1)};
  PortSwitch to(port);
  RgnHandle saved = NewRgn();
  GetClip(saved);
  ClipRect(&box);
  DrawGrowIcon(window);
  SetClip(saved);
  DisposeRgn(saved);
}

void myEraseRect(const Rect* r, const desk* context) {
  const WindowRef window = context ? context->window : nilid;
  if (IsMetalWindow(window) && !mainglobals().drawingfield) {
    RgnHandle area = NewRgn();
    RectRgn(area, *r);
    const bool done = metalerase(window, area);
    DisposeRgn(area);
    if (done) return;
  }
  StdRect(kQDGrafVerbErase, r);
}

void myMetalEraseRgn(RgnHandle rgn, WindowRef window) {
  if (!metalerase(window, rgn)) StdRgn(kQDGrafVerbErase, rgn);
}

void PobjRTmetaleraserectproc(GrafVerb verb, const Rect* r) {
  if (r == nullptr || r->left > r->right || r->top > r->bottom) return;
  if (verb == kQDGrafVerbErase) {
    RgnHandle area = NewRgn();
    RectRgn(area, *r);
    const bool done = metalerase(currentcardwindow(), area);
    DisposeRgn(area);
    if (done) return;
  }
  StdRect(verb, r);
}

void PobjRTmetalerasergnproc(GrafVerb verb, RgnHandle rgn) {
  if (verb == kQDGrafVerbErase && metalerase(currentcardwindow(), rgn)) return;
  StdRgn(verb, rgn);
}

}  // namespace kv
