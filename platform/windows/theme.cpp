#include "platform/windows/theme.h"

#include <cstring>

#include "platform/controls/controls.h"
#include "platform/memory/memory.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/fonts/fonts.h"
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

// The flat colours of the brushes: active, then inactive.
struct BrushColours {
  i16 brush;
  RGBColor active;
  RGBColor inactive;
};
constexpr RGBColor grey(u16 level) { return RGBColor{level, level, level}; }
constexpr RGBColor kWhite = grey(0xFFFF);
constexpr BrushColours kBrushes[] = {
    {1, grey(0xE8E8), grey(0xF0F0)},                                           // dialog
    {3, grey(0xE8E8), grey(0xF0F0)},                                           // alert
    {5, grey(0xECEC), grey(0xF4F4)},                                           // modeless dialog
    {7, grey(0xE4E4), grey(0xEEEE)},                                           // utility window
    {9, RGBColor{0xEDED, 0xF3F3, 0xFEFE}, grey(0xF6F6)},                       // sorted list column
    {10, kWhite, kWhite},                                                      // list
    {14, RGBColor{0x8A8A, 0xB0B0, 0xE8E8}, grey(0xB4B4)},                      // drag hilite
    {15, kWhite, kWhite},                                                      // document window
    {16, kWhite, kWhite},                                                      // file browser window
    {20, grey(0x2222), grey(0x8888)},                                          // button frame (active pen)
    {22, grey(0x8888), grey(0xA8A8)},                                          // button frame, inactive
    {29, grey(0xDDDD), grey(0xEEEE)},                                          // button face
    {46, RGBColor{0x5A5A, 0x8C8C, 0xD8D8}, grey(0xB4B4)},                      // focus highlight
    {48, RGBColor{0xFFFF, 0xFFFF, 0xC8C8}, RGBColor{0xFFFF, 0xFFFF, 0xC8C8}},  // help tags
    {-1, grey(0), grey(0)},                                                    // black
    {-2, kWhite, kWhite},                                                      // white
    {-3, RGBColor{0xB5B5, 0xD5D5, 0xFFFF}, grey(0xD4D4)},                      // primary highlight
    {-4, grey(0xD4D4), grey(0xD4D4)},                                          // secondary highlight
    {-5, RGBColor{0x3838, 0x7575, 0xD7D7}, grey(0xD4D4)},                      // alternate primary highlight
};
constexpr i16 kFocusBrush = 46;

// A colour as a depth without colour shows it: black or white by its lightness.
RGBColor fordepth(RGBColor c, i16 depth, bool colourdevice) {
  if (depth > 1 && colourdevice) return c;
  const u32 light = (u32(c.red) * 30 + u32(c.green) * 59 + u32(c.blue) * 11) / 100;
  return light >= 0x8000 ? kWhite : grey(0);
}

// What a theme drawing state keeps of the current port.
struct ThemeState {
  PenState pen;
  RGBColor fore;
  RGBColor back;
  Pattern backpat;
  i16 textmode;
};

OSStatus drawframe(const Rect* r, u32 state, u16 active, u16 inactive) {
  if (r == nullptr) return paramErr;
  SavedPen saved;
  PenNormal();
  const RGBColor c = grey(state == kThemeStateActive ? active : inactive);
  RGBForeColor(&c);
  Rect outer = *r;
  InsetRect(&outer, -1, -1);
  FrameRect(&outer);
  return noErr;
}

}  // namespace

bool themebrushcolour(i16 brush, bool active, RGBColor* out) {
  for (const BrushColours& b : kBrushes) {
    if (b.brush != brush) continue;
    if (out) *out = active ? b.active : b.inactive;
    return true;
  }
  return false;
}

OSStatus SetThemeBackground(i16 brush, i16 depth, bool colourdevice) {
  RGBColor c{};
  if (!themebrushcolour(brush, true, &c)) return paramErr;
  c = fordepth(c, depth, colourdevice);
  RGBBackColor(&c);
  BackPat(&qdwhite);
  return noErr;
}

OSStatus SetThemePen(i16 brush, i16 depth, bool colourdevice) {
  RGBColor c{};
  if (!themebrushcolour(brush, true, &c)) return paramErr;
  c = fordepth(c, depth, colourdevice);
  RGBForeColor(&c);
  PenPat(&qdblack);
  PenMode(patCopy);
  return noErr;
}

bool themecontainercolour(u32 kind, u32 state, RGBColor* out) {
  static constexpr u16 kLevels[6] = {0, 0xE4E4, 0xEEEE, 0xE8E8, 0xDEDE, 0xE2E2};
  if (kind < kThemeBackgroundTabPane || kind > kThemeBackgroundSecondaryGroupBox) return false;
  u16 level = kLevels[kind];
  if (state == kThemeStatePressed) level = u16(level - 0x1818);
  if (out) *out = grey(level);
  return true;
}

OSStatus ApplyThemeBackground(u32 kind, const Rect* bounds, u32 state, i16 depth, bool colourdevice) {
  RGBColor c{};
  if (bounds == nullptr || !themecontainercolour(kind, state, &c)) return paramErr;
  c = fordepth(c, depth, colourdevice);
  RGBBackColor(&c);
  BackPat(&qdwhite);
  return noErr;
}

OSStatus GetThemeDrawingState(ThemeDrawingState* state) {
  if (state == nullptr) return paramErr;
  ThemeState t{};
  GetPenState(&t.pen);
  GetForeColor(&t.fore);
  GetBackColor(&t.back);
  GetPortBackPat(currentportid(), &t.backpat);
  t.textmode = GetPortTextMode(currentportid());
  *state = nilhandle;
  if (PtrToHand(&t, state, Size(sizeof t)) != noErr) return memFullErr;
  return noErr;
}

OSStatus SetThemeDrawingState(ThemeDrawingState state, bool disposeNow) {
  if (!IsValidHandle(state) || GetHandleSize(state) != Size(sizeof(ThemeState))) return paramErr;
  ThemeState t{};
  std::memcpy(&t, deref(state), sizeof t);
  SetPenState(&t.pen);
  RGBForeColor(&t.fore);
  RGBBackColor(&t.back);
  BackPat(&t.backpat);
  TextMode(t.textmode);
  if (disposeNow) DisposeHandle(state);
  return noErr;
}

OSStatus DisposeThemeDrawingState(ThemeDrawingState state) {
  if (!IsValidHandle(state)) return paramErr;
  DisposeHandle(state);
  return noErr;
}

OSStatus NormalizeThemeDrawingState() {
  PenNormal();
  const RGBColor black = grey(0);
  RGBForeColor(&black);
  RGBBackColor(&kWhite);
  BackPat(&qdwhite);
  TextMode(srcOr);
  return noErr;
}

OSStatus DrawThemeFocusRegion(RgnHandle rgn, bool active) {
  if (!IsValidRgn(rgn)) return paramErr;
  RgnHandle band = NewRgn();
  if (!band) return memFullErr;
  CopyRgn(rgn, band);
  InsetRgn(band, -kThemeFocusRingWidth, -kThemeFocusRingWidth);
  DiffRgn(band, rgn, band);
  {
    SavedPen saved;
    PenNormal();
    RGBColor c{};
    themebrushcolour(kFocusBrush, active, &c);
    RGBForeColor(&c);
    PaintRgn(band);
  }
  DisposeRgn(band);
  return noErr;
}

OSStatus DrawThemeFocusRect(const Rect* r, bool active) {
  if (r == nullptr) return paramErr;
  RgnHandle rgn = NewRgn();
  if (!rgn) return memFullErr;
  RectRgn(rgn, *r);
  OSStatus st = DrawThemeFocusRegion(rgn, active);
  DisposeRgn(rgn);
  return st;
}

OSStatus DrawThemeEditTextFrame(const Rect* r, u32 state) { return drawframe(r, state, 0x8C8C, 0xC4C4); }

OSStatus DrawThemeListBoxFrame(const Rect* r, u32 state) { return drawframe(r, state, 0x7C7C, 0xBCBC); }

OSStatus GetThemeMetric(i32 metric, i32* out) {
  if (out == nullptr) return paramErr;
  if (metric == kThemeMetricScrollBarWidth) {
    *out = kScrollBarWidth;
    return noErr;
  }
  return controlsizemetric(metric, out);
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

// --- Fonts, separators and group boxes ----------------------------------------------------------

OSStatus GetThemeFont(u16 fontID, i16, Str255 name, i16* size, u8* style) {
  FontKey k{};
  switch (fontID) {
    case kThemeSystemFont: k = {systemFont, 12, 0}; break;
    case kThemeSmallSystemFont:
    case kThemeLabelFont: k = {systemFont, 11, 0}; break;
    case kThemeSmallEmphasizedSystemFont: k = {systemFont, 11, facebold}; break;
    case kThemeApplicationFont: k = {applFont, 12, 0}; break;
    default: return paramErr;
  }
  if (name) GetFontName(k.font, name);
  if (size) *size = k.size;
  if (style) *style = k.face;
  return noErr;
}

OSStatus DrawThemeSeparator(const Rect* r, u32 state) {
  if (r == nullptr) return paramErr;
  SavedPen saved;
  PenNormal();
  const RGBColor c = grey(state == kThemeStateActive ? 0x9999 : 0xC4C4);
  RGBForeColor(&c);
  if (r->right - r->left >= r->bottom - r->top) {
    MoveTo(r->left, i16((r->top + r->bottom) / 2));
    LineTo(i16(r->right - 1), i16((r->top + r->bottom) / 2));
  } else {
    MoveTo(i16((r->left + r->right) / 2), r->top);
    LineTo(i16((r->left + r->right) / 2), i16(r->bottom - 1));
  }
  return noErr;
}

OSStatus DrawThemeSecondaryGroup(const Rect* r, u32 state) {
  if (r == nullptr) return paramErr;
  SavedPen saved;
  PenNormal();
  RGBColor fill{};
  themecontainercolour(kThemeBackgroundSecondaryGroupBox, kThemeStateActive, &fill);
  RGBForeColor(&fill);
  PaintRect(r);
  const RGBColor edge = grey(state == kThemeStateActive ? 0xB4B4 : 0xD4D4);
  RGBForeColor(&edge);
  FrameRect(r);
  return noErr;
}

}  // namespace kv
