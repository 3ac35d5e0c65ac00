#include "platform/windows/compositor.h"

#include <algorithm>

#include "platform/windows/cursor.h"
#include "platform/windows/screens.h"
#include "platform/windows/windowimpl.h"

namespace kv {

namespace {

struct CompositorState {
  bool dirty = true;
  Frame frame;
  MenuBarDrawer menubar = nullptr;
};

CompositorState& cs() { return state<CompositorState>(); }

constexpr u32 kDesktop = 0x6B7B8F;
constexpr u32 kFrameActive = 0xD8D8D8;
constexpr u32 kFrameInactive = 0xF0F0F0;
constexpr u32 kBorder = 0x707070;
constexpr u32 kContent = 0xFFFFFF;
constexpr u32 kCloseBox = 0xFF5F57;
constexpr u32 kCollapseBox = 0xFFBD2E;
constexpr u32 kZoomBox = 0x28C940;
constexpr u32 kBoxInactive = 0xC0C0C0;
constexpr u32 kPressed = 0x404040;

u32 blend(u32 over, u32 under, float alpha) {
  if (alpha >= 1.0f) return over;
  u32 out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    float a = float((over >> shift) & 0xFF), b = float((under >> shift) & 0xFF);
    out |= u32(a * alpha + b * (1.0f - alpha) + 0.5f) << shift;
  }
  return out;
}

// Fills a global rectangle of a frame whose pixel (0, 0) lies at the global point org.
void fill(Frame& f, Point org, const Rect& r, u32 colour, float alpha = 1.0f) {
  i32 top = std::max<i32>(r.top - org.v, 0), left = std::max<i32>(r.left - org.h, 0);
  i32 bottom = std::min<i32>(r.bottom - org.v, f.height), right = std::min<i32>(r.right - org.h, f.width);
  for (i32 y = top; y < bottom; ++y) {
    u32* row = f.pixels.data() + std::size_t(y) * std::size_t(f.width);
    for (i32 x = left; x < right; ++x) row[x] = blend(colour, row[x], alpha);
  }
}

void frameoutline(Frame& f, Point org, const Rect& r, u32 colour, float alpha) {
  fill(f, org, Rect{r.top, r.left, i16(r.top + 1), r.right}, colour, alpha);
  fill(f, org, Rect{i16(r.bottom - 1), r.left, r.bottom, r.right}, colour, alpha);
  fill(f, org, Rect{r.top, r.left, r.bottom, i16(r.left + 1)}, colour, alpha);
  fill(f, org, Rect{r.top, i16(r.right - 1), r.bottom, r.right}, colour, alpha);
}

void drawwindow(Frame& f, Point org, WindowRef id, const WindowData& w) {
  float a = w.alpha;
  Rect s = structurerect(id, w);
  if (!w.defproc) {
    fill(f, org, s, w.hilited ? kFrameActive : kFrameInactive, a);
    FrameShape shape = frameshape(w);
    if (shape.top || shape.left) frameoutline(f, org, s, kBorder, a);
    struct Box {
      u16 code;
      i16 part;
      u32 colour;
    };
    const Box boxes[] = {{kWindowCloseBoxRgn, inGoAway, kCloseBox},
                         {kWindowCollapseBoxRgn, inCollapseBox, kCollapseBox},
                         {kWindowZoomBoxRgn, inZoomOut, kZoomBox}};
    for (const Box& b : boxes) {
      Rect r = partrect(id, w, b.code);
      if (emptyrect(r)) continue;
      bool pressed = w.pressedpart == b.part || (b.part == inZoomOut && w.pressedpart == inZoomIn);
      fill(f, org, r, pressed ? kPressed : w.hilited ? b.colour : kBoxInactive, a);
    }
  }
  fill(f, org, w.content, kContent, a);
}

}  // namespace

void screenchanged() { cs().dirty = true; }

void setmenubardrawer(MenuBarDrawer drawer) {
  cs().menubar = drawer;
  cs().dirty = true;
}

const Frame& composescreen() {
  CompositorState& c = cs();
  Rect main = screenbounds(0);
  Frame& f = c.frame;
  f.width = i16(main.right - main.left);
  f.height = i16(main.bottom - main.top);
  f.pixels.assign(std::size_t(f.width) * std::size_t(f.height), kDesktop);
  if (hasstate<WindowState>()) {
    const auto order = ws().order;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
      WindowData* w = wd(*it);
      if (!w || !w->visible || w->collapsed) continue;
      drawwindow(f, Point{main.top, main.left}, *it, *w);
      w->framedirty = false;
    }
  }
  Rect band = menubarrect();
  if (!emptyrect(band)) {
    if (c.menubar) {
      c.menubar(f, band);
    } else {
      Point org{main.top, main.left};
      fill(f, org, band, 0xFFFFFF);
      fill(f, org, Rect{i16(band.bottom - 1), band.left, band.bottom, band.right}, 0x000000);
    }
  }
  c.dirty = false;
  backend().present(f, {main});
  return f;
}

Frame composewindow(WindowRef window, bool withframe) {
  Frame f;
  WindowData* w = wd(window);
  if (!w) return f;
  Rect r = withframe ? structurerect(window, *w) : w->content;
  f.width = i16(r.right - r.left);
  f.height = i16(r.bottom - r.top);
  f.pixels.assign(std::size_t(f.width) * std::size_t(f.height), 0);
  drawwindow(f, Point{r.top, r.left}, window, *w);
  return f;
}

void presentscreen() {
  revealmovedcursor();
  CompositorState& c = cs();
  bool dirty = c.dirty;
  if (!dirty && hasstate<WindowState>()) {
    ws().windows.each([&](RegistryId, const WindowData& w) { dirty = dirty || w.framedirty; });
  }
  if (dirty) composescreen();
}

}  // namespace kv
