#include "platform/windows/theme.h"

#include "platform/qd/bottleneck.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windowimpl.h"

namespace kv {

namespace {

constexpr i32 kScrollBarWidth = 15;

// Grey levels of the metal texture: a plain grey with a slightly darker line every fourth row.
constexpr u16 kMetalActive = 0xAC;
constexpr u16 kMetalInactive = 0xC8;
constexpr u16 kMetalLine = 0x0A;

// The current port's pen and colours, put back when the drawing is done.
class SavedPen {
 public:
  SavedPen() {
    GetPenState(&pen_);
    GetForeColor(&fore_);
    GetBackColor(&back_);
  }
  ~SavedPen() {
    SetPenState(&pen_);
    RGBForeColor(&fore_);
    RGBBackColor(&back_);
  }
  SavedPen(const SavedPen&) = delete;
  SavedPen& operator=(const SavedPen&) = delete;

 private:
  PenState pen_{};
  RGBColor fore_{};
  RGBColor back_{};
};

}  // namespace

OSStatus GetThemeMetric(i32 metric, i32* out) {
  if (metric != kThemeMetricScrollBarWidth || out == nullptr) return paramErr;
  *out = kScrollBarWidth;
  return noErr;
}

RGBColor metalrowcolour(i32 row, bool active) {
  u16 level = active ? kMetalActive : kMetalInactive;
  if ((row & 3) == 3) level = u16(level - kMetalLine);
  u16 c = u16(level * 257);
  return RGBColor{c, c, c};
}

OSStatus drawthemebackground(const Rect& bounds, u32 kind, bool active) {
  if (kind != kThemeBackgroundMetal) return paramErr;
  if (bounds.bottom <= bounds.top || bounds.right <= bounds.left) return noErr;
  SavedPen saved;
  PenNormal();
  // Runs of rows of one colour are painted as one rectangle.
  i32 height = bounds.bottom - bounds.top;
  for (i32 start = 0; start < height;) {
    RGBColor c = metalrowcolour(start, active);
    i32 end = start + 1;
    while (end < height && metalrowcolour(end, active) == c) ++end;
    Rect band{i16(bounds.top + start), bounds.left, i16(bounds.top + end), bounds.right};
    RGBForeColor(&c);
    StdRect(kQDGrafVerbPaint, &band);
    start = end;
  }
  return noErr;
}

void DrawGrowIcon(WindowRef window) {
  WindowData* w = wd(window);
  if (!w || !frameshape(*w).growbox) return;
  CGrafPtr port = GetWindowPort(window);
  if (!IsValidPort(port)) return;
  GrafPtr before = 0;
  GetPort(&before);
  SetPort(port);
  {
    SavedPen saved;
    PenNormal();
    const RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
    RGBForeColor(&black);
    RGBBackColor(&white);
    Rect bounds;
    GetWindowPortBounds(window, &bounds);
    const i16 b = bounds.bottom, r = bounds.right;
    Rect box{i16(b - kScrollBarWidth), i16(r - kScrollBarWidth), b, r};
    EraseRect(&box);
    // The lines above and to the left of the box, then the grip.
    MoveTo(i16(box.left - 1), i16(box.top - 1));
    LineTo(i16(r - 1), i16(box.top - 1));
    MoveTo(i16(box.left - 1), i16(box.top - 1));
    LineTo(i16(box.left - 1), i16(b - 1));
    for (i16 k = 4; k <= 12; k = i16(k + 4)) {
      MoveTo(i16(r - 3), i16(b - k - 1));
      LineTo(i16(r - k - 1), i16(b - 3));
    }
  }
  SetPort(before);
}

}  // namespace kv
