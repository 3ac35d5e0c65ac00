#include "platform/windows/screens.h"

#include <algorithm>

#include "platform/backend/backend.h"
#include "platform/runtime/root.h"
#include "platform/windows/compositor.h"

namespace kv {

namespace {

constexpr i16 kMenuBarHeight = 22;

struct ScreenState {
  bool menubarvisible = true;
};

ScreenState& ss() { return state<ScreenState>(); }

i32 overlap(const Rect& a, const Rect& b) {
  i32 w = std::min<i32>(a.right, b.right) - std::max<i32>(a.left, b.left);
  i32 h = std::min<i32>(a.bottom, b.bottom) - std::max<i32>(a.top, b.top);
  return w > 0 && h > 0 ? w * h : 0;
}

}  // namespace

i16 screencount() { return i16(backend().screens().size()); }

Rect screenbounds(i16 screen) {
  auto s = backend().screens();
  if (screen < 0 || std::size_t(screen) >= s.size()) return Rect{0, 0, 0, 0};
  return s[std::size_t(screen)].bounds;
}

i16 screendepth(i16 screen) {
  auto s = backend().screens();
  if (screen < 0 || std::size_t(screen) >= s.size()) return 0;
  return s[std::size_t(screen)].depth;
}

bool screenhasdepth(i16 screen, i16 depth) {
  return screen >= 0 && screen < screencount() && (depth == 1 || depth == 8 || depth == 16 || depth == 32);
}

OSErr setscreendepth(i16 screen, i16 depth) {
  if (!screenhasdepth(screen, depth)) return paramErr;
  if (screendepth(screen) == depth) return noErr;
  if (!backend().setscreendepth(std::size_t(screen), depth)) return paramErr;
  screenchanged();
  return noErr;
}

Rect availablebounds(i16 screen) {
  Rect r = screenbounds(screen);
  if (screen == 0 && ss().menubarvisible) r.top = i16(r.top + kMenuBarHeight);
  return r;
}

OSStatus GetAvailableWindowPositioningBounds(i16 screen, Rect* bounds) {
  if (!bounds || screen < 0 || screen >= screencount()) return paramErr;
  *bounds = availablebounds(screen);
  return noErr;
}

i16 greatestareascreen(const Rect& r) {
  auto s = backend().screens();
  i16 best = 0;
  i32 bestarea = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    i32 a = overlap(r, s[i].bounds);
    if (a > bestarea) {
      bestarea = a;
      best = i16(i);
    }
  }
  return best;
}

i16 GetMBarHeight() { return kMenuBarHeight; }
bool IsMenuBarVisible() { return ss().menubarvisible; }
void ShowMenuBar() {
  if (!ss().menubarvisible) screenchanged();
  ss().menubarvisible = true;
}

void HideMenuBar() {
  if (ss().menubarvisible) screenchanged();
  ss().menubarvisible = false;
}

Rect menubarrect() {
  if (!ss().menubarvisible) return Rect{0, 0, 0, 0};
  Rect main = screenbounds(0);
  return Rect{main.top, main.left, i16(main.top + kMenuBarHeight), main.right};
}

}  // namespace kv
