#include "render/hittest.h"

#include <vector>

#include "platform/memory/memory.h"
#include "platform/qd/regions.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "render/buttonicons.h"
#include "render/classicbuttons.h"
#include "render/carddrawingimpl.h"
#include "render/objectbounds.h"
#include "platform/qd/copybits.h"
#include "platform/qd/matrix.h"
#include "platform/qd/ports.h"
#include "render/pictinfo.h"
#include "render/picturecache.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "store/objects.h"

namespace kv {

namespace {

constexpr i32 kSlop = 2;
constexpr u32 kClickThrough = 0x4000, kDontCacheBits = 0x10000;

// An object with a fill, or with neither fill nor pen, is hit over its whole shape; one with
// only a pen on the band of its outline.
bool solid(const spot& s) { return s.showfill || !s.showpen; }
// How far from a line (or a polygon's edge) a point still hits it.
u16 linetolerance(const spot& s) { return u16((i32(s.penwidth) + s.penheight) / 2 + 2); }
// The rectangle inside an outline band: inset by the pen and the slop.
Rect inner(const Rect& r, const spot& s) {
  return Rect{i16(r.top + s.penheight + kSlop), i16(r.left + s.penwidth + kSlop), i16(r.bottom - s.penheight - kSlop),
              i16(r.right - s.penwidth - kSlop)};
}

// Whether the point lies in a region a maker fills; no region, no hit.
template <class Make>
bool inregion(Point p, Make make) {
  const RgnHandle rgn = NewRgn();
  if (rgn == nilid) return false;
  make(rgn);
  const bool in = PtInRgn(p, rgn);
  DisposeRgn(rgn);
  return in;
}

bool inoval(const Rect& r, Point p) {
  return inregion(p, [&](RgnHandle rgn) { OvalRgn(rgn, &r); });
}
bool inroundrect(const Rect& r, i16 w, i16 h, Point p) {
  return inregion(p, [&](RgnHandle rgn) { RoundRectRgn(rgn, &r, w, h); });
}

// A shape hit on the rectangle grown by the slop, or, for an object that is not solid, on the
// band between that and the shape inside the pen.
template <class In>
bool inband(const spot& s, const Rect& r, Point p, In in) {
  return in(growrect(r, kSlop), p) && (solid(s) || !in(inner(r, s), p));
}

bool inwedge(const spot& s, Point p) {
  const graphictail t = getgraphictail(s);
  i32 start = i16(t.startangle), arc = i16(t.arcangle);
  // A negative arc is the wedge drawn from its far end.
  if (arc < 0) start += arc, arc = -arc;
  start = ((start % 360) + 360) % 360;
  i16 angle = 0;
  const Rect oval = arcoval(s);
  PtToAngle(&oval, p, &angle);
  if (start + arc > 359) return angle >= start || angle <= start + arc - 360;
  return angle >= start && angle <= start + arc;
}

bool inpolygon(const spot& s, Point p) {
  if (solid(s) && inregion(p, [&](RgnHandle rgn) { PolyRgn(rgn, s.data); })) return true;
  if (!s.showpen) return false;
  const std::vector<Point> pts = polypoints(s.data);
  for (std::size_t i = 0; i + 1 < pts.size(); ++i)
    if (ptinline(pts[i], pts[i + 1], p, linetolerance(s))) return true;
  return false;
}

bool ingroup(const spot& s, Point p) {
  for (i32 i = 0, n = spotcount(s.data); i < n; ++i)
    if (lowinspot(spotat(s.data, i), p)) return true;
  return false;
}

// A rectangle button: its rectangle, or, transparent and without a name under the browse tool,
// the opaque pixels of the icon family its face shows.
bool inrectbutton(const spot& s, Point p) {
  const bool named = (s.flags & spotshowname) && s.name != nilhandle && GetHandleSize(s.name) > 0;
  if (mainglobals().current.tool != kBrowseTool || named || s.showfill || s.showpen) return PtInRect(p, &s.rect);
  const u32 id = getbuttontail(s).icon;
  IconRef family = nilid;
  if (id == 0 || !(s.textflags & kIconFamilyFace) || geticns(id, &family) == 0) family = icondatafamily(s);
  if (family == nilid) return PtInRect(p, &s.rect);
  const bool in = testicnsbtn(p, s, family) != 0;
  ReleaseIconRef(family);
  return in;
}

bool byshape(const spot& s, Point p) {
  switch (s.style) {
    case stylerectangle: {
      const Rect in = inner(s.rect, s);
      return solid(s) || !PtInRect(p, &in);
    }
    case styleroundrect: {
      const graphictail t = getgraphictail(s);
      return inband(s, s.rect, p,
                    [&](const Rect& r, Point q) { return inroundrect(r, i16(t.startangle), i16(t.arcangle), q); });
    }
    case styleoval: return inband(s, s.rect, p, inoval);
    case styleline: {
      const graphictail t = getgraphictail(s);
      return ptinline(t.point1, t.point2, p, linetolerance(s)) != 0;
    }
    case stylepolygon: return inpolygon(s, p);
    case stylebitmap:
    case styletext: return true;
    case stylearc: return inband(s, arcoval(s), p, inoval) && inwedge(s, p);
    case stylegroup: return ingroup(s, p);
    case stylebuttonrect: return inrectbutton(s, p);
    case stylebuttonroundrect: {
      const i16 corner = i16((i32(s.rect.bottom) - s.rect.top) / 2);
      return inroundrect(s.rect, corner, corner, p);
    }
    case stylepolybutton: return inregion(p, [&](RgnHandle rgn) { PolyRgn(rgn, s.data); });
    case styleround: return inoval(growrect(s.rect, kSlop), p);
    case 208: return false;
    default:
      return ((s.style >= 203 && s.style <= 229) || (s.style >= stylefieldrect && s.style <= stylefieldscrolllist)) &&
             PtInRect(p, &s.rect);
  }
}

}  // namespace

i16 lowinspot(const spot& s, Point p) {
  if (!(s.flags & spotvisible) && !showsinvisibles()) return 0;
  const Rect grown = growrect(s.rect, kSlop);
  if (!PtInRect(p, &grown) || !byshape(s, p)) return 0;
  if (mainglobals().current.tool == kBrowseTool && passclickthruspot(s, p)) return 0;
  return 1;
}

i16 testicnsbtn(Point p, const spot& s, IconRef icon) {
  if (!IsValidIconRef(icon)) return 0;
  Rect r{0, 0, 0, 0};
  i16 gap = 0;
  const bool named = (s.flags & spotshowname) && s.name != nilhandle && GetHandleSize(s.name) > 0;
  FontInfo info{};
  const buttontail t = getbuttontail(s);
  if (named && FetchFontInfo(i16(t.words.v[0]), i16(t.words.v[1]), i16(t.words.v[2]), &info) == noErr)
    calcicnsrect(s, &info, &r, &gap);
  else calcicnsrect(s, nullptr, &r, &gap);
  return PtInIconRef(&p, &r, kAlignAbsoluteCenter, icon) ? 1 : 0;
}

i16 ptinspot(Handle list, i16 index, Point p) {
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return 0;
  return lowinspot(spotat(list, index), p);
}

i16 passclickthruspot(const spot& s, Point p) {
  if (s.kind != spotgraphic) return 0;
  const Handle info = getaltdata(s.alt, altpictinfo);
  if (info == nilhandle || GetHandleSize(info) < Size(sizeof(PictInfo))) return 0;
  if (s.showpen) {
    Rect picture = s.rect;
    InsetRect(&picture, i16(s.penwidth), i16(s.penheight));
    if (!PtInRect(p, &picture)) return 0;
  } else if (!PtInRect(p, &s.rect)) {
    return 1;
  }
  const PictInfo pi = loadat<PictInfo>(deref(info));
  if ((pi.flags & kDontCacheBits) || !(pi.flags & kClickThrough)) return 0;
  Point quad[4];
  for (int i = 0; i < 4; ++i) quad[i] = pi.quad.v[i];
  const bool hasquad = !EmptyQuad(quad);
  const i16 ink = i16(s.ink);
  const bool alpha = ink == transparent || (ink >= 256 && ink <= 258);
  if (!alpha && !hasquad) return 0;
  Point q{i16(p.v - s.rect.top), i16(p.h - s.rect.left)};
  pictbuffer b;
  if (!getcachepicture(s, &b)) return 0;
  Rect image{0, 0, i16(b.frame.bottom - b.frame.top), i16(b.frame.right - b.frame.left)};
  if (b.kind == pictbufferworld) GetPixBounds(GetGWorldPixMap(b.world), &image);
  const Rect object{0, 0, i16(s.rect.bottom - s.rect.top), i16(s.rect.right - s.rect.left)};
  const bool same = image == object;
  if (hasquad) {
    if (!same)
      for (Point& c : quad) MapPt(&c, &image, &object);
    const bool inquad = inregion(q, [&](RgnHandle rgn) {
      const PolyHandle poly = OpenPoly();
      MoveTo(quad[0].h, quad[0].v);
      for (int i : {1, 2, 3, 0}) LineTo(quad[i].h, quad[i].v);
      ClosePoly();
      if (poly != nilhandle) PolyRgn(rgn, poly), KillPoly(poly);
    });
    if (!inquad || !alpha) return 1;
    MatrixRecord m, inverse;
    if (!GetPictMatrix(s.alt, &m) || !InverseMatrix(&m, &inverse)) return 0;
    q = p;
    TransformPoints(&inverse, &q, 1);
  } else if (!same) {
    MapPt(&q, &object, &image);
  }
  if (b.kind != pictbufferworld || !PtInRect(q, &image)) return 0;
  const PixMapHandle pm = GetGWorldPixMap(b.world);
  if (ink == transparent) {
    RGBColor c{};
    {
      SavePort saved;
      SetGWorld(b.world, 0);
      GetCPixel(q.h, q.v, &c);
    }
    return c == pi.opcolor ? 1 : 0;
  }
  if (GetPixDepth(pm) != 32) return 0;
  // A 32-bit pixel's alpha is its top byte.
  const u8* base = reinterpret_cast<const u8*>(GetPixBaseAddr(pm));
  const u32 pixel = loadat<u32>(base + std::ptrdiff_t(GetPixRowBytes(pm)) * (q.v - image.top) + 4 * (q.h - image.left));
  return i32(pixel >> 24) <= i32(i16(pi.clickthroughlevel)) ? 1 : 0;
}

}  // namespace kv
