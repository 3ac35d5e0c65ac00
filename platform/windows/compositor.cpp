#include "platform/windows/compositor.h"

#include <algorithm>
#include <vector>

#include "platform/menus/menulayout.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/windows/cursor.h"
#include "platform/windows/screens.h"
#include "platform/windows/theme.h"
#include "platform/windows/windowimpl.h"

namespace kv {

namespace {

struct CompositorState {
  bool dirty = true;
  Frame frame;
  // The port the compositor draws window contents and titles through. Like every port it is
  // released with the drawing layer's state.
  CGrafPtr port = nilid;
  u64 drawnat = 0;  // the drawing layer's count when the screen was last composed
  i32 frozen = 0;   // screen updates disabled this many times
  // The pixel buffer of each visible window when the screen was last composed: drawing is
  // traced to windows by its buffer.
  std::vector<std::pair<RegistryId, const void*>> bases;
  u32 composes = 0, partials = 0;
  bool overlaid = false;  // a drag shows itself above the windows
  DragOverlay overlay;
  bool onrequest = false;  // presentscreen does nothing; the screen is composed only when asked
};

CompositorState& cs() { return state<CompositorState>(); }

constexpr u32 kDesktop = 0x6B7B8F;
constexpr u32 kFrameActive = 0xD8D8D8;
constexpr u32 kFrameInactive = 0xF0F0F0;
constexpr u32 kBorder = 0x707070;
constexpr u32 kContent = 0xFFFFFF;
constexpr u32 kCloseBox = 0xFF5F57;
constexpr u32 kModifiedDot = 0x4D0000;
constexpr u32 kCollapseBox = 0xFFBD2E;
constexpr u32 kZoomBox = 0x28C940;
constexpr u32 kBoxInactive = 0xC0C0C0;
constexpr u32 kPressed = 0x404040;
constexpr u32 kMenuBack = 0xFFFFFF;
constexpr u32 kMenuLine = 0x000000;
constexpr u32 kMenuHilite = 0x3875D7;
constexpr u32 kSeparator = 0xC8C8C8;
constexpr RGBColor kMenuInk{0, 0, 0};
constexpr RGBColor kMenuInkDisabled{0x9999, 0x9999, 0x9999};
constexpr RGBColor kMenuInkHilited{0xFFFF, 0xFFFF, 0xFFFF};
constexpr u8 kAppleTitle = 20;
constexpr u8 kCheckGlyph = 0xC3;  // the Mac Roman square root sign stands for the check mark
constexpr RGBColor kTitleActive{0, 0, 0};
constexpr RGBColor kTitleInactive{0x8888, 0x8888, 0x8888};
constexpr Rect kNoClip{-32768, -32768, 32767, 32767};

u32 mix(u32 over, u32 under, float alpha) {
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
    for (i32 x = left; x < right; ++x) row[x] = mix(colour, row[x], alpha);
  }
}

void frameoutline(Frame& f, Point org, const Rect& r, u32 colour, float alpha) {
  fill(f, org, Rect{r.top, r.left, i16(r.top + 1), r.right}, colour, alpha);
  fill(f, org, Rect{i16(r.bottom - 1), r.left, r.bottom, r.right}, colour, alpha);
  fill(f, org, Rect{r.top, r.left, r.bottom, i16(r.left + 1)}, colour, alpha);
  fill(f, org, Rect{r.top, i16(r.right - 1), r.bottom, r.right}, colour, alpha);
}

// A 32-bit pixel map over a frame whose pixel (0, 0) lies at the global point org: drawing
// through it uses global coordinates.
PixMap framepixmap(Frame& f, Point org) {
  PixMap pm{};
  pm.baseAddr = reinterpret_cast<Ptr>(f.pixels.data());
  pm.rowBytes = u16(u16(f.width * 4) | pixmapflag);
  pm.bounds = Rect{org.v, org.h, i16(org.v + f.height), i16(org.h + f.width)};
  pm.hRes = pm.vRes = fixed72dpi;
  pm.pixelType = rgbDirect;
  pm.pixelSize = 32;
  pm.cmpCount = 3;
  pm.cmpSize = 8;
  return pm;
}

// The widest frame one pixel map can describe (row bytes stop at 0x3FFF).
constexpr i32 kMaxTileWidth = rowbytesmask / 4;

// Runs draw(tile, org) over the frame in tiles narrow enough for a pixel map: the frame itself
// when it is narrow enough, otherwise strips copied out and back.
template <class Draw>
void bytiles(Frame& f, Point org, Draw draw) {
  if (f.width <= kMaxTileWidth) {
    draw(f, org);
    return;
  }
  for (i32 x0 = 0; x0 < f.width; x0 += kMaxTileWidth) {
    Frame t;
    t.width = i16(std::min<i32>(kMaxTileWidth, f.width - x0));
    t.height = f.height;
    t.pixels.resize(std::size_t(t.width) * std::size_t(t.height));
    auto row = [&](i32 y) { return f.pixels.begin() + std::ptrdiff_t(y) * f.width + x0; };
    for (i32 y = 0; y < f.height; ++y) std::copy_n(row(y), t.width, t.pixels.begin() + std::ptrdiff_t(y) * t.width);
    draw(t, Point{org.v, i16(org.h + x0)});
    for (i32 y = 0; y < f.height; ++y) std::copy_n(t.pixels.begin() + std::ptrdiff_t(y) * t.width, t.width, row(y));
  }
}

// While it lives, the compositor's own port is current (with the main screen's device) and
// draws into a frame in global coordinates, black on white with nothing clipped; the caller's
// port and device come back at the end.
class FramePort {
 public:
  FramePort(Frame& f, Point org) : pm_(framepixmap(f, org)) {
    CompositorState& c = cs();
    if (!IsValidPort(c.port)) c.port = CreateNewPort();
    if (!c.port) return;
    SetGWorld(c.port, GetMainDevice());
    SetPortBits(bits());
    SetPortBounds(c.port, &pm_.bounds);
    RgnHandle vis = NewRgn();
    RectRgn(vis, pm_.bounds);
    SetPortVisibleRegion(c.port, vis);
    DisposeRgn(vis);
    ClipRect(&kNoClip);
    PenNormal();
    ForeColor(blackColor);
    BackColor(whiteColor);
    TextMode(srcOr);
    ok_ = true;
  }
  bool ok() const { return ok_; }
  const BitMap* bits() const { return reinterpret_cast<const BitMap*>(&pm_); }

 private:
  SavePort saved_;
  PixMap pm_;
  bool ok_ = false;
};

// The window's port pixels over its content (blended by the window's opacity), only inside
// `shape` (global) when one is given.
void drawcontent(FramePort& fp, Frame& f, Point org, const WindowData& w, RgnHandle shape = nilid) {
  PixMap src = pixmaprecord(GetPortPixMap(w.port));
  src.rowBytes |= pixmapflag;
  const Rect& c = w.content;
  const Rect sr = src.bounds;
  const Rect dr{c.top, c.left, i16(c.top + (sr.bottom - sr.top)), i16(c.left + (sr.right - sr.left))};
  // A port that could not follow the window's size leaves the rest of the content white.
  if (!shape && (!src.baseAddr || !fp.ok() || !(dr == c))) fill(f, org, c, kContent, w.alpha);
  if (!src.baseAddr || !fp.ok()) return;
  ClipRect(&c);
  i16 mode = srcCopy;
  if (w.alpha < 1.0f) {
    const u16 share = u16(w.alpha * 65535.0f + 0.5f);
    const RGBColor op{share, share, share};
    OpColor(&op);
    mode = blend;
  }
  CopyBits(reinterpret_cast<const BitMap*>(&src), fp.bits(), &sr, &dr, mode, shape);
  ClipRect(&kNoClip);
}

// The title, centred in the title text area in the system font.
void drawtitle(FramePort& fp, WindowRef id, const WindowData& w) {
  if (w.title.empty() || !fp.ok()) return;
  const Rect t = partrect(id, w, kWindowTitleTextRgn);
  if (emptyrect(t)) return;
  TextFont(0);
  TextSize(frameshape(w).titlesize < 20 ? 10 : 12);
  TextFace(0);
  const RGBColor ink = w.hilited ? kTitleActive : kTitleInactive;
  RGBForeColor(&ink);
  ClipRect(&t);
  FontInfo fi;
  GetFontInfo(&fi);
  const i16 n = i16(std::min<std::size_t>(w.title.size(), 255));
  const i16 width = TextWidth(w.title.data(), 0, n);
  MoveTo(i16(std::max<i32>(t.left, (t.left + t.right - width) / 2)),
         i16((t.top + t.bottom + fi.ascent - fi.descent) / 2));
  DrawText(w.title.data(), 0, n);
  ClipRect(&kNoClip);
  ForeColor(blackColor);
}

void drawwindow(Frame& f, Point org, WindowRef id, const WindowData& w) {
  FramePort fp(f, org);
  float a = w.alpha;
  Rect s = structurerect(id, w);
  if (!w.defproc) {
    // The frame around the content (the content's own pixels come from the port). A metal
    // window's frame shows the metal texture, its rows counted from the structure's top as
    // the theme draws it inside.
    const Rect& c = w.content;
    const u32 colour = w.hilited ? kFrameActive : kFrameInactive;
    const bool metal = w.attributes & kWindowMetalAttribute;
    auto band = [&](const Rect& r) {
      if (!metal) {
        fill(f, org, r, colour, a);
        return;
      }
      for (i32 y = r.top; y < r.bottom; ++y) {
        const RGBColor m = metalrowcolour(y - s.top, w.hilited);
        const u32 grey = (u32(m.red >> 8) << 16) | (u32(m.green >> 8) << 8) | u32(m.blue >> 8);
        fill(f, org, Rect{i16(y), r.left, i16(y + 1), r.right}, grey, a);
      }
    };
    band(Rect{s.top, s.left, c.top, s.right});
    band(Rect{c.bottom, s.left, s.bottom, s.right});
    band(Rect{c.top, s.left, c.bottom, c.left});
    band(Rect{c.top, c.right, c.bottom, s.right});
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
      // A window with unsaved changes shows a dark dot in its close box.
      if (b.code == kWindowCloseBoxRgn && w.modified) {
        const i16 h = i16((r.left + r.right) / 2), v = i16((r.top + r.bottom) / 2);
        fill(f, org, Rect{i16(v - 2), i16(h - 2), i16(v + 2), i16(h + 2)}, kModifiedDot, a);
      }
    }
    drawtitle(fp, id, w);
    drawcontent(fp, f, org, w);
    return;
  }
  // A custom definition draws no frame: the content shows only inside the structure region,
  // and what lies behind shows through its holes.
  RgnHandle shape = NewRgn();
  if (!customregion(id, w, kWindowStructureRgn, shape)) RectRgn(shape, w.content);
  drawcontent(fp, f, org, w, shape);
  DisposeRgn(shape);
}

// A line of menu text in the system font (or the item's font and style) with its baseline in
// the middle of the rectangle, starting at h.
void drawmenutext(const std::string& text, const Rect& r, i16 h, const RGBColor& ink, i16 font = 0, u8 style = 0) {
  if (text.empty()) return;
  TextFont(font);
  TextSize(12);
  TextFace(style);
  RGBForeColor(&ink);
  FontInfo fi;
  GetFontInfo(&fi);
  ClipRect(&r);
  MoveTo(h, i16((r.top + r.bottom + fi.ascent - fi.descent) / 2));
  DrawText(text.data(), 0, i16(std::min<std::size_t>(text.size(), 255)));
  ClipRect(&kNoClip);
  TextFace(0);
  ForeColor(blackColor);
}

i16 menutextwidth(const std::string& text) {
  TextFont(0);
  TextSize(12);
  TextFace(0);
  return TextWidth(text.data(), 0, i16(std::min<std::size_t>(text.size(), 255)));
}

// The menu bar from the menu model: its band, the titles (the highlighted one inverted), and
// the menus open while a menu is tracked.
void drawmenus(Frame& f, Point org) {
  Rect band = menubarrect();
  FramePort fp(f, org);
  if (!emptyrect(band)) {
    fill(f, org, band, kMenuBack);
    fill(f, org, Rect{i16(band.bottom - 1), band.left, band.bottom, band.right}, kMenuLine);
    for (const MenuTitleView& t : menubartitles()) {
      if (t.hilited) fill(f, org, Rect{t.rect.top, t.rect.left, i16(t.rect.bottom - 1), t.rect.right}, kMenuHilite);
      const RGBColor& ink = t.hilited ? kMenuInkHilited : t.enabled ? kMenuInk : kMenuInkDisabled;
      if (t.title.size() == 1 && u8(t.title[0]) == kAppleTitle) {
        // The Apple menu's title is a small round mark.
        i16 cx = i16((t.rect.left + t.rect.right) / 2), cy = i16((t.rect.top + t.rect.bottom) / 2);
        if (fp.ok()) {
          RGBForeColor(&ink);
          Rect dot{i16(cy - 6), i16(cx - 5), i16(cy + 5), i16(cx + 5)};
          PaintOval(&dot);
          ForeColor(blackColor);
        }
        continue;
      }
      if (fp.ok()) drawmenutext(t.title, t.rect, i16(t.rect.left + 10), ink);
    }
  }
  for (const OpenMenuView& m : openmenus()) {
    const Rect& r = m.frame;
    fill(f, org, Rect{i16(r.top + 3), i16(r.left + 3), i16(r.bottom + 3), i16(r.right + 3)}, 0x000000, 0.25f);
    fill(f, org, r, kMenuBack);
    frameoutline(f, org, r, kMenuLine, 1.0f);
    for (const MenuItemView& i : m.items) {
      const Rect& ir = i.rect;
      if (i.separator) {
        i16 mid = i16((ir.top + ir.bottom) / 2);
        fill(f, org, Rect{mid, i16(ir.left + 1), i16(mid + 1), i16(ir.right - 1)}, kSeparator);
        continue;
      }
      if (i.hilited) fill(f, org, ir, kMenuHilite);
      const RGBColor& ink = i.hilited ? kMenuInkHilited : i.enabled ? kMenuInk : kMenuInkDisabled;
      if (!fp.ok()) continue;
      if (i.mark == checkMark) drawmenutext(std::string(1, char(kCheckGlyph)), ir, i16(ir.left + 4), ink);
      else if (i.mark >= 0x20) drawmenutext(std::string(1, char(i.mark)), ir, i16(ir.left + 4), ink);
      drawmenutext(i.text, ir, i16(ir.left + 18), ink, i.font, i.style);
      if (!i.keytext.empty()) drawmenutext(i.keytext, ir, i16(ir.right - 12 - menutextwidth(i.keytext)), ink);
      if (i.submenu) {
        // A small triangle pointing right.
        i16 cy = i16((ir.top + ir.bottom) / 2), x = i16(ir.right - 12);
        const u32 colour = i.hilited ? 0xFFFFFF : i.enabled ? 0x000000 : 0x999999;
        for (i16 k = 0; k < 4; ++k)
          fill(f, org, Rect{i16(cy - 4 + k), i16(x + k), i16(cy + 4 - k), i16(x + k + 1)}, colour);
      }
    }
  }
}

// Shows the frame in the colours the main screen can show: an indexed screen through its
// device colour table, a 16-bit screen at 5 bits a channel.
void toscreencolours(Frame& f, Point org) {
  GDHandle screen = GetMainDevice();
  const i16 depth = devicedepth(screen);
  if (depth >= 32 || f.pixels.empty()) return;
  bytiles(f, org, [&](Frame& tile, Point at) {
    FramePort fp(tile, at);
    if (!fp.ok()) return;
    const PixMap whole = framepixmap(tile, at);
    const u16 rb = pixmaprowbytes(tile.width, depth);
    std::vector<u8> pixels(std::size_t(rb) * std::size_t(tile.height));
    PixMap shown = whole;
    shown.baseAddr = pixels.data();
    shown.rowBytes = u16(rb | pixmapflag);
    shown.pixelType = depth >= 16 ? rgbDirect : 0;
    shown.pixelSize = depth;
    shown.cmpCount = depth >= 16 ? 3 : 1;
    shown.cmpSize = depth >= 16 ? 5 : depth;
    shown.pmTable = depth >= 16 ? 0 : devicetable(screen);
    const BitMap* sb = reinterpret_cast<const BitMap*>(&shown);
    CopyBits(fp.bits(), sb, &whole.bounds, &whole.bounds, srcCopy, nilid);
    CopyBits(sb, fp.bits(), &whole.bounds, &whole.bounds, srcCopy, nilid);
  });
}


const void* portbase(const WindowData& w) { return GetPixBaseAddr(GetPortPixMap(w.port)); }

// The visible windows' pixel buffers, back to front.
std::vector<std::pair<RegistryId, const void*>> visiblebases() {
  std::vector<std::pair<RegistryId, const void*>> out;
  if (!hasstate<WindowState>()) return out;
  const auto& order = ws().order;
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const WindowData* w = wd(*it);
    if (w && w->visible && !w->collapsed) out.push_back({*it, portbase(*w)});
  }
  return out;
}

// The screen within one global rectangle of the kept frame, composed again: the desktop, the
// windows from back to front and the menus, as composescreen draws them all.
void composearea(Frame& f, Point org, const Rect& r) {
  Frame part;
  part.width = i16(r.right - r.left);
  part.height = i16(r.bottom - r.top);
  part.pixels.assign(std::size_t(part.width) * std::size_t(part.height), kDesktop);
  const Point at{r.top, r.left};
  if (hasstate<WindowState>()) {
    const auto order = ws().order;
    bytiles(part, at, [&](Frame& tile, Point tileat) {
      for (auto it = order.rbegin(); it != order.rend(); ++it) {
        WindowData* w = wd(*it);
        if (w && w->visible && !w->collapsed) drawwindow(tile, tileat, *it, *w);
      }
    });
  }
  bytiles(part, at, [&](Frame& tile, Point tileat) { drawmenus(tile, tileat); });
  toscreencolours(part, at);
  for (i32 y = 0; y < part.height; ++y)
    std::copy_n(part.pixels.begin() + std::ptrdiff_t(y) * part.width, part.width,
                f.pixels.begin() + std::ptrdiff_t(r.top - org.v + y) * f.width + (r.left - org.h));
}

// The drag's image and outline over the composed frame.
void drawoverlay(Frame& f, Point org) {
  const CompositorState& c = cs();
  if (!c.overlaid) return;
  const DragOverlay& o = c.overlay;
  auto each = [&](const Rect& r, auto&& fn) {
    const i32 top = std::max<i32>(r.top - org.v, 0), left = std::max<i32>(r.left - org.h, 0);
    const i32 bottom = std::min<i32>(r.bottom - org.v, f.height), right = std::min<i32>(r.right - org.h, f.width);
    for (i32 y = top; y < bottom; ++y)
      for (i32 x = left; x < right; ++x)
        fn(f.pixels[std::size_t(y) * std::size_t(f.width) + std::size_t(x)], x + org.h, y + org.v);
  };
  for (const Rect& r : o.mask)
    each(r, [&](u32& px, i32 h, i32 v) {
      const i32 ix = h - o.imageat.h, iy = v - o.imageat.v;
      if (ix < 0 || iy < 0 || ix >= o.image.width || iy >= o.image.height) return;
      px = mix(o.image.pixels[std::size_t(iy) * std::size_t(o.image.width) + std::size_t(ix)] & 0xFFFFFF, px,
               o.opacity);
    });
  for (const Rect& r : o.outline) each(r, [](u32& px, i32, i32) { px ^= 0xFFFFFF; });
}

// Composes only where drawing changed the visible windows' pixels, when nothing else changed
// since the last compose; false when the whole screen must be composed.
bool composechanged() {
  CompositorState& c = cs();
  bool all = false;
  const std::vector<DrawnArea> areas = takedrawnareas(&all);
  const Rect main = screenbounds(0);
  Frame& f = c.frame;
  if (all || c.overlaid || f.width != main.right - main.left || f.height != main.bottom - main.top ||
      f.pixels.size() != std::size_t(f.width) * std::size_t(f.height))
    return false;
  const auto bases = visiblebases();
  if (bases != c.bases) return false;  // a window came, went or got new pixels
  std::vector<Rect> changed;
  for (const DrawnArea& a : areas)
    for (const auto& [id, base] : bases) {
      if (base != a.base) continue;
      const WindowData* w = wd(id);
      const Rect& ct = w->content;
      Rect g{i16(ct.top + a.pixels.top), i16(ct.left + a.pixels.left), i16(ct.top + a.pixels.bottom),
             i16(ct.left + a.pixels.right)};
      g = Rect{std::max({g.top, ct.top, main.top}), std::max({g.left, ct.left, main.left}),
               std::min({g.bottom, ct.bottom, main.bottom}), std::min({g.right, ct.right, main.right})};
      if (g.top < g.bottom && g.left < g.right) changed.push_back(g);
    }
  // Many small areas are composed as the one rectangle around them.
  if (changed.size() > 16) {
    Rect u = changed[0];
    for (const Rect& r : changed)
      u = Rect{std::min(u.top, r.top), std::min(u.left, r.left), std::max(u.bottom, r.bottom),
               std::max(u.right, r.right)};
    changed.assign(1, u);
  }
  const Point org{main.top, main.left};
  for (const Rect& r : changed) composearea(f, org, r);
  takedrawnareas(&all);  // the compositor's own drawing into the frame
  c.drawnat = drawingcount();
  ++c.partials;
  if (!changed.empty()) backend().present(f, changed);
  return true;
}

}  // namespace

void screenchanged() { cs().dirty = true; }

void setdragoverlay(const DragOverlay* overlay) {
  CompositorState& c = cs();
  if (!overlay && !c.overlaid) return;
  c.overlaid = overlay != nullptr;
  c.overlay = overlay ? *overlay : DragOverlay{};
  c.dirty = true;
}

u32 compositorcomposes() { return cs().composes; }
u32 compositorpartials() { return cs().partials; }

const Frame& composescreen() {
  CompositorState& c = cs();
  bool all = false;
  takedrawnareas(&all);  // the whole screen is composed: what was drawn is in it
  c.bases = visiblebases();
  ++c.composes;
  Rect main = screenbounds(0);
  Frame& f = c.frame;
  f.width = i16(main.right - main.left);
  f.height = i16(main.bottom - main.top);
  f.pixels.assign(std::size_t(f.width) * std::size_t(f.height), kDesktop);
  const Point org{main.top, main.left};
  if (hasstate<WindowState>()) {
    const auto order = ws().order;
    bytiles(f, org, [&](Frame& tile, Point at) {
      for (auto it = order.rbegin(); it != order.rend(); ++it) {
        WindowData* w = wd(*it);
        if (w && w->visible && !w->collapsed) drawwindow(tile, at, *it, *w);
      }
    });
    for (WindowRef id : order)
      if (WindowData* w = wd(id)) w->framedirty = false;
  }
  bytiles(f, org, [&](Frame& tile, Point at) { drawmenus(tile, at); });
  toscreencolours(f, org);
  drawoverlay(f, org);
  takedrawnareas(&all);  // the compositor's own drawing into the frame
  c.dirty = false;
  c.drawnat = drawingcount();
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
  const Point org{r.top, r.left};
  bytiles(f, org, [&](Frame& tile, Point at) { drawwindow(tile, at, window, *w); });
  toscreencolours(f, org);
  return f;
}

void DisableScreenUpdates() { ++cs().frozen; }

void EnableScreenUpdates() {
  CompositorState& c = cs();
  if (c.frozen == 0) return;
  // What changed meanwhile is known (drawn areas, window frames, the screen marked changed):
  // only that is composed.
  if (--c.frozen == 0) presentscreen();
}

bool screenupdatesdisabled() { return cs().frozen > 0; }

void composeonrequest(bool on) { cs().onrequest = on; }

void presentscreen() {
  revealmovedcursor();
  CompositorState& c = cs();
  if (c.frozen > 0 || c.onrequest) return;
  bool frames = false;
  if (hasstate<WindowState>()) {
    ws().windows.each([&](RegistryId, const WindowData& w) { frames = frames || w.framedirty; });
  }
  if (!c.dirty && !frames && drawingcount() == c.drawnat) return;
  // Only drawing changed: only what it changed is composed.
  if (!c.dirty && !frames && composechanged()) return;
  composescreen();
}

}  // namespace kv
