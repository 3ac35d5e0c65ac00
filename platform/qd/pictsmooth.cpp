// Pictures played anti-aliased: the player of DrawPicture runs into a 32-bit world holding a
// copy of the port's pixels under the picture, with a bottleneck table whose shape and line
// procedures draw through cairo; the world is then copied back through the port's clip.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/copybits.h"
#include "platform/qd/drawimpl.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regionimpl.h"
#include "platform/qd/shapes.h"

namespace kv {

namespace {

bool solid(const Pattern& p, u8 bits) {
  return std::all_of(std::begin(p.pat), std::end(p.pat), [bits](u8 b) { return b == bits; });
}

// The colour a verb paints with when it is a solid colour cairo can lay down (patterns in
// copy or or modes, all ones or all zeros); false when the verb is left to the standard
// procedures (inverting, other patterns and modes).
bool solidcolour(const Port& p, GrafVerb verb, RGBColor* c) {
  const Pattern* pat = nullptr;
  switch (verb) {
    case kQDGrafVerbFrame:
    case kQDGrafVerbPaint:
      if (p.pnMode != patCopy && p.pnMode != patOr && p.pnMode != srcCopy && p.pnMode != srcOr) return false;
      pat = &p.pnPat;
      break;
    case kQDGrafVerbFill: pat = &p.fillPat; break;
    case kQDGrafVerbErase: pat = &p.bkPat; break;
    default: return false;
  }
  if (solid(*pat, 0xFF)) {
    *c = verb == kQDGrafVerbErase ? p.rgbBkColor : p.rgbFgColor;
    return true;
  }
  if (solid(*pat, 0x00) && (verb == kQDGrafVerbFill || verb == kQDGrafVerbErase)) {
    *c = p.rgbBkColor;
    return true;
  }
  return false;
}

// One drawing context over the world's pixels, in the port's local coordinates.
class Canvas {
 public:
  explicit Canvas(GWorldPtr world) {
    const PixMapHandle pm = GetGWorldPixMap(world);
    Rect b{};
    GetPixBounds(pm, &b);
    surface_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(GetPixBaseAddr(pm)),
                                                   CAIRO_FORMAT_RGB24, b.right - b.left, b.bottom - b.top,
                                                   GetPixRowBytes(pm));
    cr_ = cairo_create(surface_);
    cairo_translate(cr_, -b.left, -b.top);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas() {
    cairo_destroy(cr_);
    cairo_surface_finish(surface_);
    cairo_surface_destroy(surface_);
  }
  bool ok() const { return cairo_status(cr_) == CAIRO_STATUS_SUCCESS; }
  cairo_t* cr() const { return cr_; }

  // Begins a shape of the current port when the verb is a solid colour: the port's clip is
  // the shape's clip. False leaves the verb to the standard procedure.
  bool begin(GrafVerb verb) {
    Port* p = currentport();
    RGBColor c{};
    if (!p || !ok() || p->pnVis < 0 || !solidcolour(*p, verb, &c)) return false;
    cairo_save(cr_);
    cairo_new_path(cr_);
    int n = 0;
    RegionData clip = portclip(*p);
    const pixman_box32_t* boxes = clip.boxes(&n);
    for (int i = 0; i < n; ++i)
      cairo_rectangle(cr_, boxes[i].x1, boxes[i].y1, boxes[i].x2 - boxes[i].x1, boxes[i].y2 - boxes[i].y1);
    cairo_clip(cr_);
    cairo_set_source_rgb(cr_, c.red / 65535.0, c.green / 65535.0, c.blue / 65535.0);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
    return true;
  }
  void end() {
    cairo_fill(cr_);
    cairo_restore(cr_);
  }

 private:
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

// Path pieces, in local coordinates (pixel edges on whole numbers).
void ellipse(cairo_t* cr, double l, double t, double r, double b) {
  if (r <= l || b <= t) return;
  cairo_save(cr);
  cairo_translate(cr, (l + r) / 2, (t + b) / 2);
  cairo_scale(cr, (r - l) / 2, (b - t) / 2);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
  cairo_close_path(cr);
  cairo_restore(cr);
}

void roundrect(cairo_t* cr, double l, double t, double r, double b, double ow, double oh) {
  if (r <= l || b <= t) return;
  const double rx = std::clamp(ow / 2, 0.0, (r - l) / 2), ry = std::clamp(oh / 2, 0.0, (b - t) / 2);
  if (rx <= 0 || ry <= 0) {
    cairo_rectangle(cr, l, t, r - l, b - t);
    return;
  }
  cairo_new_sub_path(cr);
  const double pi = std::numbers::pi;
  const double cx[] = {r - rx, r - rx, l + rx, l + rx}, cy[] = {t + ry, b - ry, b - ry, t + ry};
  for (int i = 0; i < 4; ++i) {
    cairo_save(cr);
    cairo_translate(cr, cx[i], cy[i]);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, (i - 1) * pi / 2, i * pi / 2);
    cairo_restore(cr);
  }
  cairo_close_path(cr);
}

// The area a pen of w x h sweeps from a to b: the hull of its rectangle at both ends.
void penline(cairo_t* cr, Point a, Point b, i16 w, i16 h) {
  if (w <= 0 || h <= 0) return;
  std::vector<std::pair<double, double>> pts;
  for (Point q : {a, b})
    for (auto [dx, dy] : {std::pair{0, 0}, {w, 0}, {w, h}, {0, h}}) pts.emplace_back(q.h + dx, q.v + dy);
  std::sort(pts.begin(), pts.end());
  auto cross = [](auto o, auto p, auto q) {
    return (p.first - o.first) * (q.second - o.second) - (p.second - o.second) * (q.first - o.first);
  };
  std::vector<std::pair<double, double>> hull;
  for (int pass = 0; pass < 2; ++pass) {
    const std::size_t base = hull.size();
    for (const auto& q : pts) {
      while (hull.size() >= base + 2 && cross(hull[hull.size() - 2], hull.back(), q) <= 0) hull.pop_back();
      hull.push_back(q);
    }
    hull.pop_back();
    std::reverse(pts.begin(), pts.end());
  }
  cairo_new_sub_path(cr);
  for (const auto& q : hull) cairo_line_to(cr, q.first, q.second);
  cairo_close_path(cr);
}

// A shape's outline less the same outline inset by the pen: the band a frame draws.
template <typename Outline>
void band(const Rect& r, const Port& p, Outline outline) {
  outline(double(r.left), double(r.top), double(r.right), double(r.bottom), 0.0, 0.0);
  const double l = r.left + p.pnSize.h, t = r.top + p.pnSize.v, rr = r.right - p.pnSize.h, b = r.bottom - p.pnSize.v;
  if (rr > l && b > t) outline(l, t, rr, b, 2.0 * p.pnSize.h, 2.0 * p.pnSize.v);
}

// QuickDraw's angles start at 12 o'clock and go clockwise in degrees; cairo's at 3 o'clock.
double radians(i32 degrees) { return (degrees - 90) * std::numbers::pi / 180; }

void wedge(cairo_t* cr, const Rect& r, i16 start, i16 arc) {
  const i32 from = arc < 0 ? start + arc : start, span = std::min(std::abs(i32(arc)), 360);
  cairo_save(cr);
  cairo_translate(cr, (r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0);
  cairo_scale(cr, std::max(1, r.right - r.left) / 2.0, std::max(1, r.bottom - r.top) / 2.0);
  cairo_new_sub_path(cr);
  cairo_move_to(cr, 0, 0);
  cairo_arc(cr, 0, 0, 1.5, radians(from), radians(from + span));
  cairo_close_path(cr);
  cairo_restore(cr);
}

// The bottleneck table of the world: shapes and lines through the canvas, the rest as the
// port's own table (or the standard one) draws them.
QDProcs smoothprocs(Canvas& canvas, const QDProcs& base) {
  QDProcs procs = base;
  cairo_t* cr = canvas.cr();
  procs.rectProc = [&canvas, cr](GrafVerb verb, const Rect* r) {
    Port* p = currentport();
    if (!r || !canvas.begin(verb)) return StdRect(verb, r);
    if (verb == kQDGrafVerbFrame) {
      band(*r, *p,
           [cr](double l, double t, double rr, double b, double, double) { cairo_rectangle(cr, l, t, rr - l, b - t); });
    } else {
      cairo_rectangle(cr, r->left, r->top, r->right - r->left, r->bottom - r->top);
    }
    canvas.end();
  };
  procs.rRectProc = [&canvas, cr](GrafVerb verb, const Rect* r, i16 ow, i16 oh) {
    Port* p = currentport();
    if (!r || !canvas.begin(verb)) return StdRRect(verb, r, ow, oh);
    if (verb == kQDGrafVerbFrame) {
      band(*r, *p, [cr, ow, oh](double l, double t, double rr, double b, double less, double lessv) {
        roundrect(cr, l, t, rr, b, ow - less, oh - lessv);
      });
    } else {
      roundrect(cr, r->left, r->top, r->right, r->bottom, ow, oh);
    }
    canvas.end();
  };
  procs.ovalProc = [&canvas, cr](GrafVerb verb, const Rect* r) {
    Port* p = currentport();
    if (!r || !canvas.begin(verb)) return StdOval(verb, r);
    if (verb == kQDGrafVerbFrame) {
      band(*r, *p, [cr](double l, double t, double rr, double b, double, double) { ellipse(cr, l, t, rr, b); });
    } else {
      ellipse(cr, r->left, r->top, r->right, r->bottom);
    }
    canvas.end();
  };
  procs.arcProc = [&canvas, cr](GrafVerb verb, const Rect* r, i16 start, i16 arc) {
    Port* p = currentport();
    if (!r || !canvas.begin(verb)) return StdArc(verb, r, start, arc);
    if (arc != 0) {
      wedge(cr, *r, start, arc);
      cairo_clip(cr);
      if (verb == kQDGrafVerbFrame) {
        band(*r, *p, [cr](double l, double t, double rr, double b, double, double) { ellipse(cr, l, t, rr, b); });
      } else {
        ellipse(cr, r->left, r->top, r->right, r->bottom);
      }
    }
    canvas.end();
  };
  procs.polyProc = [&canvas, cr](GrafVerb verb, PolyHandle poly) {
    Port* p = currentport();
    const std::vector<Point> pts = polypoints(poly);
    if (pts.empty() || !canvas.begin(verb)) return StdPoly(verb, poly);
    if (verb == kQDGrafVerbFrame) {
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
      for (std::size_t i = 0; i + 1 < pts.size(); ++i) penline(cr, pts[i], pts[i + 1], p->pnSize.h, p->pnSize.v);
      if (pts.size() == 1) penline(cr, pts[0], pts[0], p->pnSize.h, p->pnSize.v);
    } else {
      cairo_new_sub_path(cr);
      for (Point q : pts) cairo_line_to(cr, q.h, q.v);
      cairo_close_path(cr);
    }
    canvas.end();
  };
  procs.lineProc = [&canvas, cr](Point to) {
    Port* p = currentport();
    if (!canvas.begin(kQDGrafVerbFrame)) return StdLine(to);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    penline(cr, p->pnLoc, to, p->pnSize.h, p->pnSize.v);
    canvas.end();
  };
  return procs;
}

}  // namespace

OSErr DrawPictureAntialiased(PicHandle pic, const Rect* dstRect) {
  Port* p = currentport();
  if (!p || !dstRect || !IsValidHandle(pic)) return paramErr;
  if (p->picsave || p->rgnopen || p->polysave || p->pnVis < 0) {
    DrawPicture(pic, dstRect);
    return noErr;
  }
  // The part of the destination the port can show.
  RegionData shown = portclip(*p);
  shown.intersect(RegionData(*dstRect));
  shown.intersect(RegionData(p->portRect));
  if (shown.empty()) return noErr;
  const Rect area = shown.bounds();
  const CGrafPtr port = currentportid();
  GWorldPtr world = nilid;
  if (OSErr e = NewGWorld(&world, 32, &area, nilhandle, nilhandle, 0); e != noErr) return e;
  const RGBColor fg = p->rgbFgColor, bg = p->rgbBkColor, black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
  QDProcs base;
  SetStdCProcs(&base);
  if (p->procs) {
    // The port's own procedures for what cairo does not draw (bit maps, text, comments).
    base.bitsProc = p->procs->bitsProc ? p->procs->bitsProc : base.bitsProc;
    base.textProc = p->procs->textProc ? p->procs->textProc : base.textProc;
    base.commentProc = p->procs->commentProc ? p->procs->commentProc : base.commentProc;
    base.txMeasProc = p->procs->txMeasProc ? p->procs->txMeasProc : base.txMeasProc;
  }
  OSErr result = noErr;
  {
    SavePort saved;
    SetGWorld(world, nilhandle);
    RGBForeColor(&black);
    RGBBackColor(&white);
    CopyBits(GetPortBitMapForCopyBits(port), GetPortBitMapForCopyBits(world), &area, &area, srcCopy, nilid);
    if (Port* w = currentport()) w->clipRgn = shown;
    Canvas canvas(world);
    if (!canvas.ok()) {
      result = memFullErr;
    } else {
      const QDProcs procs = smoothprocs(canvas, base);
      SetPortGrafProcs(world, &procs);
      DrawPicture(pic, dstRect);
      SetPortGrafProcs(world, nullptr);
    }
  }
  if (result == noErr) {
    // Back through the port's clip, without the port's own bits procedure.
    SavePort saved;
    SetPort(port);
    RGBForeColor(&black);
    RGBBackColor(&white);
    StdBits(GetPortBitMapForCopyBits(world), &area, &area, srcCopy, nilid);
    RGBForeColor(&fg);
    RGBBackColor(&bg);
  }
  DisposeGWorld(world);
  return result;
}

}  // namespace kv
