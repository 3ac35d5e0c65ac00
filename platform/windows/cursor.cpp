#include "platform/windows/cursor.h"

#include "platform/backend/backend.h"
#include "platform/events/events.h"
#include "platform/runtime/root.h"
#include "platform/windows/windowimpl.h"

namespace kv {

namespace {

constexpr Cursor kArrow{{{0x0000, 0x4000, 0x6000, 0x7000, 0x7800, 0x7C00, 0x7E00, 0x7F00, 0x7F80, 0x7C00, 0x6C00,
                          0x4600, 0x0600, 0x0300, 0x0300, 0x0000}},
                        {{0xC000, 0xE000, 0xF000, 0xF800, 0xFC00, 0xFE00, 0xFF00, 0xFF80, 0xFFC0, 0xFFE0, 0xFE00,
                          0xEF00, 0xCF00, 0x0780, 0x0780, 0x0380}},
                        Point{1, 1}};

// The cross: a one-pixel plus, its hot spot at the crossing, edged white by its mask.
constexpr Cursor kCross{{{0x0100, 0x0100, 0x0100, 0x0100, 0x0100, 0x0100, 0x0100, 0xFFFE, 0x0100, 0x0100, 0x0100,
                          0x0100, 0x0100, 0x0100, 0x0100, 0x0000}},
                        {{0x0380, 0x0380, 0x0380, 0x0380, 0x0380, 0x0380, 0xFFFE, 0xFFFE, 0xFFFE, 0x0380, 0x0380,
                          0x0380, 0x0380, 0x0380, 0x0380, 0x0000}},
                        Point{7, 7}};

// The arrow with a small plus at its lower right: a drop copies.
constexpr Cursor kCopyArrow{{{0x0000, 0x4000, 0x6000, 0x7000, 0x7800, 0x7C00, 0x7E00, 0x7F00, 0x7F80, 0x7C00, 0x6C08,
                              0x4608, 0x063E, 0x0308, 0x0308, 0x0000}},
                            {{0xC000, 0xE000, 0xF000, 0xF800, 0xFC00, 0xFE00, 0xFF00, 0xFF80, 0xFFC0, 0xFFFC, 0xFE1C,
                              0xEF7F, 0xCF7F, 0x07FF, 0x079C, 0x039C}},
                            Point{1, 1}};

// The I-beam of text, its hot spot on the beam at its middle.
constexpr Cursor kIBeam{{{0x0C60, 0x0280, 0x0100, 0x0100, 0x0100, 0x0100, 0x0100, 0x0100, 0x0100, 0x0100, 0x0100,
                          0x0100, 0x0100, 0x0100, 0x0280, 0x0C60}},
                        {{0x1EF0, 0x07C0, 0x0380, 0x0380, 0x0380, 0x0380, 0x0380, 0x0380, 0x0380, 0x0380, 0x0380,
                          0x0380, 0x0380, 0x0380, 0x07C0, 0x1EF0}},
                        Point{8, 7}};

// The watch: a dial on its strap, the hands at a quarter past.
constexpr Cursor kWatch{{{0x1F80, 0x1F80, 0x1F80, 0x2040, 0x4020, 0x8410, 0x8410, 0x8790, 0x8010, 0x8010, 0x4020,
                          0x2040, 0x1F80, 0x1F80, 0x1F80, 0x0000}},
                        {{0x1F80, 0x1F80, 0x1F80, 0x3FC0, 0x7FE0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0xFFF0, 0x7FE0,
                          0x3FC0, 0x1F80, 0x1F80, 0x1F80, 0x0000}},
                        Point{7, 5}};

// The pointing hand: its hot spot at the tip of the forefinger.
constexpr Cursor kPointingHand{{{0x0600, 0x0900, 0x0900, 0x0900, 0x09C0, 0x0938, 0x7926, 0x9805, 0x8801, 0x4001, 0x2001,
                                 0x2002, 0x1002, 0x0804, 0x0404, 0x07FC}},
                               {{0x0600, 0x0F00, 0x0F00, 0x0F00, 0x0FC0, 0x0FF8, 0x7FFE, 0xFFFF, 0xFFFF, 0x7FFF, 0x3FFF,
                                 0x3FFE, 0x1FFE, 0x0FFC, 0x07FC, 0x07FC}},
                               Point{0, 5}};

// The closed hand of a grab, and the open hand over something that can be grabbed.
constexpr Cursor kClosedHand{{{0x0000, 0x0000, 0x0000, 0x0000, 0x0DB0, 0x1248, 0x1004, 0x0804, 0x1804, 0x2004, 0x2008,
                               0x1008, 0x0810, 0x0420, 0x0420, 0x0000}},
                             {{0x0000, 0x0000, 0x0000, 0x0000, 0x0DB0, 0x1FF8, 0x1FFC, 0x0FFC, 0x1FFC, 0x3FFC, 0x3FF8,
                               0x1FF8, 0x0FF0, 0x07E0, 0x07E0, 0x0000}},
                             Point{8, 8}};
constexpr Cursor kOpenHand{{{0x0180, 0x1A70, 0x2648, 0x264A, 0x1249, 0x1249, 0x6809, 0x9801, 0x8802, 0x4002, 0x2002,
                             0x2004, 0x1004, 0x0808, 0x0408, 0x0408}},
                           {{0x0180, 0x1BF0, 0x3FF8, 0x3FFA, 0x1FFF, 0x1FFF, 0x7FFF, 0xFFFF, 0xFFFE, 0x7FFE, 0x3FFE,
                             0x3FFC, 0x1FFC, 0x0FF8, 0x07F8, 0x07F8}},
                           Point{8, 8}};

// A frame of the spinning cursor: a ringed disc whose dark quarter turns a quarter a frame.
Cursor spinningframe(u32 step) {
  Cursor c{};
  const int quarter = int(step % kSpinningFrames);
  for (int y = 0; y < 16; ++y) {
    u16 image = 0, mask = 0;
    for (int x = 0; x < 16; ++x) {
      const int dx = 2 * x - 15, dy = 2 * y - 15, d = dx * dx + dy * dy;
      if (d > 225) continue;
      mask = u16(mask | (0x8000 >> x));
      // Quarters clockwise from the top right: 0 (dx>0,dy<0), 1 (dx>0,dy>0), 2, 3.
      const int q = dx > 0 ? (dy < 0 ? 0 : 1) : (dy > 0 ? 2 : 3);
      if (d > 169 || q == quarter) image = u16(image | (0x8000 >> x));
    }
    c.data.v[size_t(y)] = image;
    c.mask.v[size_t(y)] = mask;
  }
  c.hotSpot = Point{8, 8};
  return c;
}

struct CursorState {
  Cursor current = kArrow;
  int hidelevel = 0;  // 0 shown, below 0 hidden
  bool obscured = false;
  Point obscuredat{0, 0};
};

CursorState& cs() { return state<CursorState>(); }

void show() {
  installwindowservices();  // so that the mouse moving is noticed before every wait and poll
  CursorState& s = cs();
  CursorImage img;
  for (int i = 0; i < 16; ++i) {
    img.data[i] = s.current.data.v[i];
    img.mask[i] = s.current.mask.v[i];
  }
  img.hotspot = s.current.hotSpot;
  Backend& b = backend();
  b.setcursor(img);
  b.showcursor(s.hidelevel >= 0 && !s.obscured);
}

}  // namespace

const Cursor& arrowcursor() { return kArrow; }
const Cursor& crosscursor() { return kCross; }

const Cursor* themecursor(ThemeCursor cursor) {
  switch (cursor) {
    case kThemeArrowCursor: return &kArrow;
    case kThemeCopyArrowCursor: return &kCopyArrow;
    case kThemeIBeamCursor: return &kIBeam;
    case kThemeCrossCursor: return &kCross;
    case kThemeWatchCursor: return &kWatch;
    case kThemeClosedHandCursor: return &kClosedHand;
    case kThemeOpenHandCursor: return &kOpenHand;
    case kThemePointingHandCursor: return &kPointingHand;
    case kThemeSpinningCursor: {
      static const Cursor first = spinningframe(0);
      return &first;
    }
    default: return nullptr;
  }
}

OSStatus SetThemeCursor(ThemeCursor cursor) {
  const Cursor* image = themecursor(cursor);
  if (image == nullptr) return themeBadCursorIndexErr;
  SetCursor(image);
  return noErr;
}

OSStatus SetAnimatedThemeCursor(ThemeCursor cursor, u32 step) {
  if (cursor != kThemeSpinningCursor) return themeBadCursorIndexErr;
  const Cursor frame = spinningframe(step);
  SetCursor(&frame);
  return noErr;
}

void InitCursor() {
  CursorState& s = cs();
  s.current = kArrow;
  s.hidelevel = 0;
  s.obscured = false;
  show();
}

void SetCursor(const Cursor* cursor) {
  if (!cursor) return;
  cs().current = *cursor;
  cs().obscured = false;
  show();
}

void HideCursor() {
  --cs().hidelevel;
  show();
}

void ShowCursor() {
  if (cs().hidelevel < 0) ++cs().hidelevel;
  show();
}

void ObscureCursor() {
  cs().obscured = true;
  cs().obscuredat = mouseposition();
  show();
}

void revealmovedcursor() {
  if (!hasstate<CursorState>()) return;
  CursorState& s = cs();
  if (s.obscured && !(mouseposition() == s.obscuredat)) {
    s.obscured = false;
    show();
  }
}

const Cursor& copyarrowcursor() { return kCopyArrow; }
const Cursor& ibeamcursor() { return kIBeam; }

Cursor currentcursor() { return cs().current; }
bool cursorvisible() { return cs().hidelevel >= 0 && !cs().obscured; }

}  // namespace kv
