// The select and lasso paint tools: a marquee or a freehand loop picks pixels of the painted
// image into the session's selection copy, where they float while they are dragged (moved,
// copied with option, stamped along the way with option and command), until the next tool
// action or the end of painting commits them back into the image.
#include <algorithm>
#include <vector>

#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "render/windowclip.h"
#include "core/mainglobals.h"
#include "tools/handletools.h"
#include "tools/paint.h"
#include "tools/paintpixels.h"
#include "tools/paintsession.h"
#include "tools/shapegeometry.h"

namespace kv {

namespace {

u16 modifiers() { return mainglobals().event.modifiers; }
bool optiondown() { return (modifiers() & optionKey) != 0; }
bool commanddown() { return (modifiers() & cmdKey) != 0; }

void pause() {
  u32 ticks = 0;
  Delay(2, &ticks);
}

// The rectangle at the press moved by the mouse's offset (locked to an axis with shift), then
// pushed back inside the bitmap, top, left, bottom and right in that order, its size kept.
Rect dragged(const Rect& start, Point press, Point mouse, i16* axis) {
  const PaintSession& p = paintsession();
  constrain(press, &mouse, axis);
  Rect r = start;
  OffsetRect(&r, i16(mouse.h - press.h), i16(mouse.v - press.v));
  if (r.top < p.rect.top) OffsetRect(&r, 0, i16(p.rect.top - r.top));
  if (r.left < p.rect.left) OffsetRect(&r, i16(p.rect.left - r.left), 0);
  if (r.bottom > p.rect.bottom) OffsetRect(&r, 0, i16(p.rect.bottom - r.bottom));
  if (r.right > p.rect.right) OffsetRect(&r, i16(p.rect.right - r.right), 0);
  return r;
}

Rect unite(const Rect& a, const Rect& b) {
  Rect u{};
  UnionRect(&a, &b, &u);
  return u;
}

// Shows the image with the floating pixels (from `from` of the selection copy) at `to`,
// composed in the stroke copy, over `area`.
void showfloating(const Rect& from, const Rect& to, const Rect& area, bool masked) {
  PaintSession& p = paintsession();
  keepstroke();
  copypixels(p.strokecopy, p.selcopy, from, to, masked);
  SavePort keep;
  portup(p.scratchport, 1, p.strokecopy);
  showfrom(p.scratchport, area);
}

// Drags the selection (rectangular, or lasso with `masked`) from the press point.
i16 dragselection(Point press, bool masked) {
  PaintSession& p = paintsession();
  const bool option = optiondown(), command = commanddown();
  const Rect start = p.selection;
  if (p.selectioninplace) {
    p.selectioninplace = 0;
    if (!option) whiten(p.image, start, masked);
  } else if (option) {
    copypixels(p.image, p.selcopy, start, start, masked);
  }
  Rect at = start;
  Point mouse = press;
  i16 axis = 0;
  while (stilldown()) {
    paintmouse(&mouse);
    const Rect r = dragged(start, press, mouse, &axis);
    if (EqualRect(&r, &at)) continue;
    if (option && command) copypixels(p.image, p.selcopy, start, r, masked);
    showfloating(start, r, unite(at, r), masked);
    at = r;
    pause();
  }
  const i16 dh = i16(at.left - start.left), dv = i16(at.top - start.top);
  scrollpixels(p.selcopy, dh, dv);
  if (masked) scrollmask(dh, dv);
  p.selection = at;
  if (masked) showwholebitmap();
  paintchanged();
  return 0;
}

// The selection copy holds the image's pixels under the mask over the selection rectangle
// and nothing else.
void takeundermask() {
  PaintSession& p = paintsession();
  whiten(p.selcopy, p.rect, false);
  copypixels(p.selcopy, p.image, p.selection, p.selection, true);
}

// The selection rectangle becomes the bounds of the selection copy's pixels.
void shrinktopixels() {
  PaintSession& p = paintsession();
  Rect r{};
  if (bounder(p.selcopy, p.rect, 1, &r)) p.selection = r;
}

// The marquee: the rectangle from the press to the mouse (squared with shift) framed in the
// window with the ants until the release; the last one, cut to the bitmap.
Rect marquee(Point press) {
  PaintSession& p = paintsession();
  Rect shown{}, r{};
  bool framed = false;
  Point mouse = press;
  auto frame = [&](const Rect& f) {
    SetPortWindowPort(p.window);
    PenNormal();
    PenPat(&p.ants);
    PenMode(patXor);
    FrameRect(&f);
    PenNormal();
  };
  while (stilldown()) {
    paintmouse(&mouse);
    Pt2Rect(press, mouse, &r);
    shiftrect(&r, press, mouse);
    Rect cut{};
    SectRect(&r, &p.rect, &cut);
    r = cut;
    if (framed) frame(shown);
    stepants();
    frame(r);
    shown = r;
    framed = true;
    pause();
  }
  if (framed) frame(shown);
  if (!framed) {
    Pt2Rect(press, mouse, &r);
    Rect cut{};
    SectRect(&r, &p.rect, &cut);
    r = cut;
  }
  return r;
}

// The loop of the lasso: the points of the mouse until the release, drawn in the window as
// they come, and closed back to the press point.
std::vector<Point> loop(Point press) {
  PaintSession& p = paintsession();
  std::vector<Point> pts{press};
  SetPortWindowPort(p.window);
  ClipRect(&p.rect);
  PenNormal();
  Point mouse = press;
  while (stilldown()) {
    paintmouse(&mouse);
    if (EqualPt(mouse, pts.back())) continue;
    ClipRect(&p.rect);
    PenNormal();
    MoveTo(pts.back().h, pts.back().v);
    LineTo(mouse.h, mouse.v);
    pts.push_back(mouse);
  }
  MoveTo(pts.back().h, pts.back().v);
  LineTo(press.h, press.v);
  pts.push_back(press);
  Rect interior{};
  getinterior(&interior);
  ClipRect(&interior);
  return pts;
}

i16 newselection(Handle list, Point pt) {
  if (i16 st = firstbits(list, pt)) return st;
  PaintSession& p = paintsession();
  paintchanged();
  const Rect r = marquee(pt);
  if (EmptyRect(&r)) return 0;
  p.selection = r;
  erasebwport(p.maskworld);
  {
    SavePort keep;
    SetGWorld(p.maskworld, nilhandle);
    PaintRect(&r);
  }
  takeundermask();
  const bool option = optiondown(), command = commanddown();
  if ((option || command) && !anypixel(p.selcopy)) {
    showwholebitmap();
    return 0;
  }
  if (option) {
    // The shapes enclosed, as the lasso takes them: a lasso selection.
    maskfromselection(false);
    shrinktopixels();
    p.selectioninplace = 1;
    p.lassoactive = 1;
    showwholebitmap();
    return 0;
  }
  if (command) shrinktopixels();
  p.selectioninplace = 1;
  p.selectionactive = 1;
  showwholebitmap();
  return 0;
}

i16 newlasso(Handle list, Point pt) {
  if (i16 st = firstbits(list, pt)) return st;
  PaintSession& p = paintsession();
  paintchanged();
  const std::vector<Point> pts = loop(pt);
  PolyHandle poly = newpolygon(pts);
  Rect bounds{pts[0].v, pts[0].h, pts[0].v, pts[0].h};
  for (const Point& q : pts) {
    bounds.left = std::min(bounds.left, q.h);
    bounds.right = std::max(bounds.right, q.h);
    bounds.top = std::min(bounds.top, q.v);
    bounds.bottom = std::max(bounds.bottom, q.v);
  }
  // The outline's pen hangs below and right of its points.
  bounds.right = i16(bounds.right + 1);
  bounds.bottom = i16(bounds.bottom + 1);
  Rect r{};
  if (poly == nilhandle || !SectRect(&bounds, &p.rect, &r)) {
    if (poly != nilhandle) KillPoly(poly);
    showwholebitmap();
    return 0;
  }
  p.selection = r;
  erasebwport(p.maskworld);
  {
    SavePort keep;
    SetGWorld(p.maskworld, nilhandle);
    PenNormal();
    PaintPoly(poly);
    FramePoly(poly);
  }
  KillPoly(poly);
  takeundermask();
  if (!anypixel(p.selcopy)) {
    showwholebitmap();
    return 0;
  }
  if (!optiondown()) {
    maskfromselection(commanddown());
    shrinktopixels();
  }
  p.selectioninplace = 1;
  p.lassoactive = 1;
  showwholebitmap();
  return 0;
}

}  // namespace

bool paintselection() {
  const PaintSession& p = paintsession();
  return p.index >= 0 && (p.selectionactive || p.lassoactive);
}

i16 doselect(Handle list, Point pt) {
  const PaintSession& p = paintsession();
  if (p.index >= 0 && list == p.list && p.selectionactive && PtInRect(pt, &p.selection))
    return dragselection(pt, false);
  return newselection(list, pt);
}

i16 dolasso(Handle list, Point pt) {
  if (ptinlasso(list, pt)) return dragselection(pt, true);
  return newlasso(list, pt);
}

void killselect() {
  PaintSession& p = paintsession();
  if (p.index < 0 || !p.selectionactive) return;
  copypixels(p.image, p.selcopy, p.selection, p.selection, false);
  p.selectionactive = 0;
  showwholebitmap();
}

void killasso() {
  PaintSession& p = paintsession();
  if (p.index < 0 || !p.lassoactive) return;
  copypixels(p.image, p.selcopy, p.selection, p.selection, true);
  p.lassoactive = 0;
  showwholebitmap();
}

void selallbits() {
  PaintSession& p = paintsession();
  if (p.index < 0) return;
  paintchanged();
  killtext();
  killasso();
  killselect();
  p.selection = p.rect;
  copypixels(p.selcopy, p.image, p.rect, p.rect, false);
  p.selectioninplace = 1;
  p.selectionactive = 1;
  showwholebitmap();
}

bool ptinlasso(Handle list, Point pt) {
  const PaintSession& p = paintsession();
  if (p.index < 0 || list != p.list || !p.lassoactive) return false;
  const Rect around{i16(pt.v - 2), i16(pt.h - 2), i16(pt.v + 3), i16(pt.h + 3)};
  Rect r{};
  const MaskBits m = maskbits();
  if (!m || !SectRect(&around, &p.rect, &r)) return false;
  for (i32 v = r.top; v < r.bottom; ++v)
    for (i32 h = r.left; h < r.right; ++h)
      if (m.test(h, v)) return true;
  return false;
}

bool bounder(Handle image, const Rect& r, u16 colour, Rect* out) {
  const i32 w = r.right - r.left, height = r.bottom - r.top;
  if (image == nilhandle || !IsValidHandle(image) || w <= 0 || height <= 0) return false;
  const i32 rowbytes = colour ? (w + 3) / 4 * 4 : (w + 15) / 16 * 2;
  if (GetHandleSize(image) < i64(rowbytes) * height) return false;
  const u8* b = deref(image);
  auto set = [&](i32 x, i32 y) {
    const u8* row = b + i64(y) * rowbytes;
    return colour ? row[x] != 0 : (row[x / 8] & (0x80 >> (x % 8))) != 0;
  };
  i32 left = w, right = -1, top = height, bottom = -1;
  for (i32 y = 0; y < height; ++y)
    for (i32 x = 0; x < w; ++x)
      if (set(x, y)) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  if (right < 0) return false;
  *out = Rect{i16(r.top + top), i16(r.left + left), i16(r.top + bottom + 1), i16(r.left + right + 1)};
  return true;
}

}  // namespace kv
