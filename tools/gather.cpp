// Gather: pictures to graphic objects, and one object to a picture.
#include "tools/gather.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "commands/objectids.h"
#include "engine/objectutil.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/resources/resources.h"
#include "render/carddrawing.h"
#include "render/controlvisibility.h"
#include "render/objectbounds.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "core/debugmsg.h"
#include "core/mainglobals.h"
#include "shell/portroutines.h"
#include "core/settings.h"
#include "shell/windowmanage.h"
#include "store/byteorder.h"
#include "store/fieldtail.h"
#include "store/objects.h"
#include "tools/objectclipboard.h"

namespace kv {

namespace {

constexpr u32 kFlagTextGraphic = 1u << 20, kFlagGathered = 1u << 27;
constexpr i16 kIgnoredMode = 23;
constexpr i32 kMaxPolygonBytes = 32767;
constexpr Size kClutBytes = 2064;
// Group comments nested deeper than this are dropped (their shapes join the enclosing group).
constexpr i16 kMaxGroupLevels = 32;
// An image larger than this counts as memory that cannot be had.
constexpr i64 kMaxImageBytes = i64(32) << 20;
constexpr u16 kLineSelected = 3;

enum : i16 {
  kGroupBegin = 140,
  kGroupEnd = 141,
  kBitsBegin = 142,
  kBitsEnd = 143,
  kTextBegin = 150,
  kTextEnd = 151,
  kPolyBegin = 160,
  kPolyEnd = 161,
  kRoundOff = 163,
  kRoundOn = 164,
};

// A rectangle grown over what is added to it (`any` false: not started).
struct Bounds {
  Rect r{0, 0, 0, 0};
  bool any = false;
  void add(const Rect& x) {
    if (!any) {
      r = x;
      any = true;
      return;
    }
    r = Rect{std::min(r.top, x.top), std::min(r.left, x.left), std::max(r.bottom, x.bottom),
             std::max(r.right, x.right)};
  }
};

// The state of one layer's gather; a new one for every layer.
struct GatherState {
  Handle list = nilhandle;  // the gathered records
  i16 level = 0;            // how deep the layer's own group lies
  i16 depth = 0;            // nesting of group comments
  i16 dropped = 0;          // group comments too deep to keep, still open
  Bounds group;
  PicHandle grouppic = nilhandle;
  bool bitson = false;
  Bounds bits;
  Handle bitsimage = nilhandle;
  i16 lastmode = 0;
  u16 lastcolour = 0;
  bool bitsfailed = false;
  bool texton = false;
  Bounds text;
  Handle textruns = nilhandle;   // the 20-byte runs
  Handle textchars = nilhandle;  // the characters
  u8 textjust = 0;
  bool textfailed = false;
  bool polyon = false;
  PolyHandle poly = nilhandle;
  u16 polymode = 0;
  u8 polyshowpen = 0, polyshowfill = 0;
  Pattern polypenpat{}, polyfillpat{};
  u8 polypenfore = 0, polypenback = 0, polyfillfore = 0, polyfillback = 0;
  Point polypensize{0, 0};
  bool rounded = false;
  bool memerror = false;
  Rect frame{0, 0, 0, 0};
};

struct GatherModule {
  GatherState* active = nullptr;
  Handle porttable = nilhandle;  // the table fixpixclut gave the gather's port
  Handle grabbed = nilhandle;    // the table extractclut found
  bool grabbing = false;
};
GatherModule& gm() { return state<GatherModule>(); }

GatherState* active() { return gm().active; }

CGrafPtr port() { return currentportid(); }

i16 penmode() { return GetPortPenMode(port()); }

// Ink from a pen mode: pattern modes become their source modes; arithmetic modes stay, except 36.
u16 modeink(i16 mode) {
  if (mode >= 8 && mode <= 15) return u16(mode - 8);
  if (mode >= 0 && mode <= 7) return u16(mode);
  if (mode >= 32 && mode <= 39 && mode != 36) return u16(mode);
  return 0;
}

u16 verbink(GrafVerb verb) {
  if (verb == kQDGrafVerbInvert) return 2;
  if (verb == kQDGrafVerbErase) return 0;
  return modeink(penmode());
}

Pattern gatherpat(GrafVerb verb) {
  Pattern p{};
  switch (verb) {
    case kQDGrafVerbErase: return qdwhite;
    case kQDGrafVerbInvert: return qdblack;
    case kQDGrafVerbFill: GetPortFillPat(port(), &p); return p;
    default: GetPortPenPat(port(), &p); return p;
  }
}

bytes<8> stored(const Pattern& p) {
  bytes<8> b{};
  std::memcpy(b.b, p.pat, 8);
  return b;
}

// The colour indexes of the port's foreground and background colours.
void portindexes(u8* fore, u8* back) {
  RGBColor f{}, b{};
  GetForeColor(&f);
  GetBackColor(&b);
  const i32 fi = Color2Index(&f), bi = Color2Index(&b);
  *fore = fi < 0 || fi >= 256 ? u8(255) : u8(fi);
  *back = bi < 0 || bi >= 256 ? u8(0) : u8(bi);
}

void setpen(spot& s) {
  Pattern pat{};
  GetPortPenPat(port(), &pat);
  s.penpat = stored(pat);
  portindexes(&s.penfore, &s.penback);
  Point size{};
  GetPortPenSize(port(), &size);
  s.penwidth = u16(size.h);
  s.penheight = u16(size.v);
  s.showpen = 1;
}

bool ignored(GatherState* st) { return st == nullptr || penmode() == kIgnoredMode; }

// Appends a whole record; on failure its parts go and the memory error is noted.
void append(GatherState& st, spot& s) {
  if (PtrAndHand(&s, st.list, Size(sizeof s)) == noErr) return;
  st.memerror = true;
  // A group still holds its picture, not a list.
  if (s.style == stylegroup && s.data != nilhandle) {
    KillPicture(s.data);
    s.data = nilhandle;
  }
  Handle one = nilhandle;
  if (PtrToHand(&s, &one, Size(sizeof s)) == noErr) dumpspot(one);
  else if (s.data != nilhandle) DisposeHandle(s.data);
}

// A default record with the gather's own flag.
spot gatheredspot(GatherState& st, u16 style) {
  spot s{};
  defaultspot(s);
  s.style = style;
  s.kind = spotgraphic;
  s.id = uniqueid(st.list, 0);
  s.flags |= kFlagGathered;
  return s;
}

Rect polybounds(PolyHandle poly) { return loadat<PolygonHeader>(deref(poly)).polyBBox; }

bool samedata(Handle a, Handle b) {
  if (a == nilhandle || b == nilhandle) return a == b;
  const Size n = GetHandleSize(a);
  return n == GetHandleSize(b) && std::memcmp(deref(a), deref(b), std::size_t(n)) == 0;
}

// The shared shape routine: a fill-type verb makes a filled object; a frame is added to the
// previous object when that is the same unframed shape, else makes a framed object.
void gathershape(GatherState& st, u16 style, GrafVerb verb, const Rect& r, i16 a, i16 b, const Rect* oval,
                 PolyHandle poly) {
  spot s{};
  const i32 count = spotcount(st.list);
  if (verb != kQDGrafVerbFrame) {
    s.fillpat = stored(gatherpat(verb));
    portindexes(&s.fillfore, &s.fillback);
    s.showfill = 1;
    s.showpen = 0;
  } else if (count > 0) {
    spot prev = spotat(st.list, count - 1);
    graphictail t = getgraphictail(prev);
    // The shape's own rectangle (an arc's oval); a fill drawn inside this frame's pen counts
    // as the same shape, as graphics draw their fill.
    const Rect prevshape = style == stylearc ? Rect{t.point1.v, t.point1.h, t.point2.v, t.point2.h} : prev.rect;
    const Rect shape = oval ? *oval : r;
    Point pen{};
    GetPortPenSize(port(), &pen);
    Rect inset = shape;
    InsetRect(&inset, pen.h, pen.v);
    const bool exact = EqualRect(&prevshape, &shape);
    const bool inside = style != stylepolygon && EqualRect(&prevshape, &inset);
    bool same = prev.style == style && !prev.showpen && (exact || inside);
    if (same && style == stylearc) same = i16(t.startangle) == a && i16(t.arcangle) == b;
    if (same && style == styleroundrect) {
      same = exact ? i16(t.startangle) == a && i16(t.arcangle) == b
                   : i16(t.startangle) == std::max(a - 2 * pen.h, 0) && i16(t.arcangle) == std::max(b - 2 * pen.v, 0);
    }
    if (same && style == stylepolygon) same = samedata(prev.data, poly);
    if (same) {
      setpen(prev);
      prev.rect = r;
      t.startangle = u16(a);
      t.arcangle = u16(b);
      if (oval) {
        t.point1 = Point{oval->top, oval->left};
        t.point2 = Point{oval->bottom, oval->right};
      }
      setgraphictail(prev, t);
      putspot(st.list, count - 1, prev);
      return;
    }
    s = prev;
    zerohandles(s);
    setpen(s);
    s.showfill = 0;
  } else {
    setpen(s);
    s.showfill = 0;
  }
  s.style = style;
  s.kind = spotgraphic;
  s.selected = 1;
  s.id = uniqueid(st.list, 0);
  s.flags = 1;
  s.ink = verbink(verb);
  s.rect = r;
  s.shadow = 0;
  graphictail t{};
  t.startangle = u16(a);
  t.arcangle = u16(b);
  if (oval) {
    t.point1 = Point{oval->top, oval->left};
    t.point2 = Point{oval->bottom, oval->right};
  }
  setgraphictail(s, t);
  zerohandles(s);
  if (poly != nilhandle) {
    Handle copy = poly;
    if (HandToHand(&copy) != noErr) {
      st.memerror = true;
      return;
    }
    s.data = copy;
  }
  append(st, s);
}

// Inside a group a primitive only widens the group's rectangle and is recorded.
bool ingroup(GatherState& st, const Rect& r) {
  if (st.depth == 0) return false;
  st.group.add(r);
  return true;
}

// --- Images -------------------------------------------------------------------------------

i16 imagedepth(bool colour) { return colour ? 8 : 1; }

i64 imagebytes(const Rect& r, bool colour) {
  return i64(pixmaprowbytes(i32(r.right) - r.left, imagedepth(colour))) * (i32(r.bottom) - r.top);
}

Handle newimage(const Rect& r, bool colour) {
  const i64 n = imagebytes(r, colour);
  if (n <= 0 || n > kMaxImageBytes) return nilhandle;
  return NewHandleClear(Size(n));
}

// Copies image `from` (over rectangle `fr`) into image `to` (over `tr`, which holds it), each
// with the row bytes of its own width.
void placeimage(Handle to, const Rect& tr, Handle from, const Rect& fr, bool colour) {
  const i32 depth = imagedepth(colour);
  const i32 trb = pixmaprowbytes(i32(tr.right) - tr.left, i16(depth)),
            frb = pixmaprowbytes(i32(fr.right) - fr.left, i16(depth));
  const i32 w = i32(fr.right) - fr.left, h = i32(fr.bottom) - fr.top;
  const i32 dx = i32(fr.left) - tr.left, dy = i32(fr.top) - tr.top;
  u8* out = deref(to);
  const u8* in = deref(from);
  for (i32 y = 0; y < h; ++y) {
    u8* orow = out + i64(y + dy) * trb;
    const u8* irow = in + i64(y) * frb;
    if (colour) {
      std::memcpy(orow + dx, irow, std::size_t(w));
      continue;
    }
    for (i32 x = 0; x < w; ++x) {
      const bool on = (irow[x >> 3] >> (7 - (x & 7))) & 1;
      const i32 ox = x + dx;
      const u8 bit = u8(0x80 >> (ox & 7));
      if (on) orow[ox >> 3] = u8(orow[ox >> 3] | bit);
      else orow[ox >> 3] = u8(orow[ox >> 3] & ~bit);
    }
  }
}

// Adds an image to the one collected between the bitmap comments: both are composed into an
// image of their union rectangle, each at its place.
void addbitsimage(GatherState& st, Handle image, const Rect& r, bool colour) {
  if (st.bitsimage == nilhandle) {
    st.bitsimage = image;
    st.bits = Bounds{};
    st.bits.add(r);
    return;
  }
  Bounds u = st.bits;
  u.add(r);
  Handle joined = newimage(u.r, colour);
  if (joined == nilhandle) {
    st.memerror = st.bitsfailed = true;
    DisposeHandle(image);
    return;
  }
  placeimage(joined, u.r, st.bitsimage, st.bits.r, colour);
  placeimage(joined, u.r, image, r, colour);
  DisposeHandle(st.bitsimage);
  DisposeHandle(image);
  st.bitsimage = joined;
  st.bits = u;
}

// The colour table an 8-bit copy goes through: the port's (fixpixclut may have given it the
// source's), else the standard one.
CTabHandle copytable() {
  const PixMap pm = pixmaprecord(GetPortPixMap(port()));
  return pm.pmTable;
}

// --- Text -----------------------------------------------------------------------------------

// The 14-byte tail of a gathered text: alignment and the default font at size 12.
fieldtail texttail(u8 just) {
  fieldtail t{};
  t.just = just == 2 ? i16(1) : just == 3 ? i16(-1) : i16(-2);
  t.lineheight = -1;
  t.font = currentsettings().interfacefont;
  t.size = 12;
  return t;
}

// Style record (run count and runs), the characters and the tail as one text graphic's data.
Handle textdata(Handle runs, Handle chars, u8 just) {
  const Size nruns = runs ? GetHandleSize(runs) : 0, nchars = chars ? GetHandleSize(chars) : 0;
  Handle h = NewHandle(2 + nruns + nchars + Size(sizeof(fieldtail)));
  if (h == nilhandle) return nilhandle;
  u8* p = deref(h);
  storeat<u16>(p, u16(nruns / Size(sizeof(stylerun))));
  if (nruns) std::memcpy(p + 2, deref(runs), std::size_t(nruns));
  if (nchars) std::memcpy(p + 2 + nruns, deref(chars), std::size_t(nchars));
  storeat<fieldtail>(p + 2 + nruns + nchars, texttail(just));
  return h;
}

spot textspot(GatherState& st, const Rect& r, Handle data) {
  spot s = gatheredspot(st, styletext);
  s.flags |= kFlagTextGraphic;
  s.rect = r;
  s.showpen = 0;
  s.showfill = 0;
  s.penpat = stored(qdwhite);
  s.ink = 0;
  s.data = data;
  return s;
}

// Disposes of whatever a layer still collects when its picture ends.
void closecollections(GatherState& st) {
  if (st.depth > 0 && st.grouppic != nilhandle) {
    ClosePicture();
    KillPicture(st.grouppic);
  }
  st.grouppic = nilhandle;
  if (st.polyon) {
    ClosePoly();
    KillPoly(st.poly);
  }
  for (Handle* h : {&st.bitsimage, &st.textruns, &st.textchars}) {
    if (*h != nilhandle) DisposeHandle(*h);
    *h = nilhandle;
  }
}

Handle gatherlayer(PicHandle picture, i16 level);

void regrouplist(Handle list, i16 level) {
  for (i32 i = 0; i < spotcount(list); ++i) {
    spot s = spotat(list, i);
    if (s.style != stylegroup || s.kind != spotgraphic) continue;
    PicHandle picture = s.data;
    Handle nested = picture != nilhandle ? gatherlayer(picture, i16(level + 1)) : nilhandle;
    if (picture != nilhandle) KillPicture(picture);
    if (nested == nilhandle) {
      // Without its objects the group is not whole: it goes.
      qdelete(list, i, i32(sizeof(spot)));
      --i;
      continue;
    }
    s.data = nested;
    putspot(list, i, s);
    regrouplist(nested, i16(level + 1));
  }
}

Handle gatherlayer(PicHandle picture, i16 level) {
  GatherState st;
  st.level = level;
  st.list = NewHandle(0);
  if (st.list == nilhandle) return nilhandle;
  if (picture == nilhandle || !IsValidHandle(picture) || GetHandleSize(picture) <= 9) return st.list;
  GatherModule& m = gm();
  GatherState* outer = m.active;
  m.active = &st;
  const CGrafPtr gport = port();
  QDProcs before;
  const bool hadprocs = GetPortGrafProcs(gport, &before);
  QDProcs procs;
  SetStdCProcs(&procs);
  procs.textProc = PscrapRTgathertext;
  procs.lineProc = PscrapRTgatherline;
  procs.rectProc = PscrapRTgatherect;
  procs.rRectProc = PscrapRTgatheround;
  procs.ovalProc = PscrapRTgatheroval;
  procs.arcProc = PscrapRTgatherarc;
  procs.polyProc = PscrapRTgatherpoly;
  procs.rgnProc = PscrapRTgathergn;
  procs.bitsProc = PscrapRTgatherbits;
  procs.commentProc = PscrapRTgathercom;
  SetPortGrafProcs(gport, &procs);
  const i16 visibility = GetPortPenVisibility(gport);
  HidePen();
  Rect frame{};
  QDGetPictureBounds(picture, &frame);
  st.frame = Rect{std::min(frame.top, frame.bottom), std::min(frame.left, frame.right),
                  std::max(frame.top, frame.bottom), std::max(frame.left, frame.right)};
  DrawPicture(picture, &st.frame);
  closecollections(st);
  // Unbalanced comments may have left the pen shown or hidden.
  for (i16 v = GetPortPenVisibility(gport); v < visibility; ++v) ShowPen();
  for (i16 v = GetPortPenVisibility(gport); v > visibility; --v) HidePen();
  if (hadprocs) SetPortGrafProcs(gport, &before);
  m.active = outer;
  return st.list;
}

}  // namespace

// --- The gathering procedures -----------------------------------------------------------------

void PscrapRTgatherect(GrafVerb verb, const Rect* r) {
  GatherState* st = active();
  if (ignored(st) || r == nullptr) return;
  if (ingroup(*st, *r)) return StdRect(verb, r);
  gathershape(*st, stylerectangle, verb, *r, 0, 0, nullptr, nilhandle);
}

void PscrapRTgatheround(GrafVerb verb, const Rect* r, i16 ovalWidth, i16 ovalHeight) {
  GatherState* st = active();
  if (ignored(st) || r == nullptr) return;
  if (ingroup(*st, *r)) return StdRRect(verb, r, ovalWidth, ovalHeight);
  // The corner's width first, as round rectangles are drawn.
  gathershape(*st, styleroundrect, verb, *r, ovalWidth, ovalHeight, nullptr, nilhandle);
}

void PscrapRTgatheroval(GrafVerb verb, const Rect* r) {
  GatherState* st = active();
  if (ignored(st) || r == nullptr) return;
  if (ingroup(*st, *r)) return StdOval(verb, r);
  gathershape(*st, styleoval, verb, *r, 0, 0, nullptr, nilhandle);
}

void PscrapRTgatherarc(GrafVerb verb, const Rect* r, i16 startAngle, i16 arcAngle) {
  GatherState* st = active();
  if (ignored(st) || r == nullptr) return;
  if (ingroup(*st, *r)) return StdArc(verb, r, startAngle, arcAngle);
  i32 start = startAngle, arc = arcAngle;
  if (arc < 0) {
    start += arc;
    arc = -arc;
  }
  start = ((start % 360) + 360) % 360;
  arc = std::min<i32>(arc, 360);
  // The object's rectangle is the drawn arc's bounds; its oval is kept in the kind tail.
  Rect bounds{};
  arcbounds(*r, i16(start), i16(arc), &bounds);
  gathershape(*st, stylearc, verb, bounds, i16(start), i16(arc), r, nilhandle);
}

void PscrapRTgatherpoly(GrafVerb verb, PolyHandle poly) {
  GatherState* st = active();
  if (ignored(st) || poly == nilhandle || !IsValidHandle(poly)) return;
  const Size n = GetHandleSize(poly);
  if (n > kMaxPolygonBytes || n < Size(sizeof(PolygonHeader))) return;
  const Rect bounds = polybounds(poly);
  if (ingroup(*st, bounds)) return StdPoly(verb, poly);
  gathershape(*st, stylepolygon, verb, bounds, 0, 0, nullptr, poly);
}

void PscrapRTgathergn(GrafVerb verb, RgnHandle rgn) {
  GatherState* st = active();
  if (ignored(st)) return;
  Rect bounds{};
  GetRegionBounds(rgn, &bounds);
  if (ingroup(*st, bounds)) return StdRgn(verb, rgn);
  if (!st->polyon || st->rounded) return;
  st->polyshowfill = 1;
  st->polymode = verbink(verb);
  st->polyfillpat = gatherpat(verb);
  portindexes(&st->polyfillfore, &st->polyfillback);
}

void PscrapRTgatherline(Point newPt) {
  GatherState* st = active();
  Point from{};
  GetPen(&from);
  auto moveon = [&] { MoveTo(newPt.h, newPt.v); };
  if (ignored(st)) return moveon();
  Rect span{};
  Pt2Rect(from, newPt, &span);
  if (ingroup(*st, span)) return StdLine(newPt);
  Point size{};
  GetPortPenSize(port(), &size);
  auto inframe = [&](Point p) {
    return p.h >= st->frame.left && p.h <= st->frame.right && p.v >= st->frame.top && p.v <= st->frame.bottom;
  };
  const bool short1 = std::abs(i32(newPt.h) - from.h) <= 1 && std::abs(i32(newPt.v) - from.v) <= 1;
  if (short1 || size.h == 0 || size.v == 0 || !inframe(from) || !inframe(newPt)) return moveon();
  if (st->polyon && !st->rounded) {
    st->polymode = modeink(penmode());
    GetPortPenPat(port(), &st->polypenpat);
    portindexes(&st->polypenfore, &st->polypenback);
    st->polypensize = size;
    st->polyshowpen = 1;
    return StdLine(newPt);
  }
  spot s = gatheredspot(*st, styleline);
  s.selected = kLineSelected;
  s.ink = u16(penmode());
  s.rect = span;
  s.showfill = 0;
  setpen(s);
  graphictail t{};
  t.point1 = newPt;
  t.point2 = from;
  setgraphictail(s, t);
  append(*st, s);
  moveon();
}

void PscrapRTgathertext(i16 byteCount, const void* text, Point numer, Point denom) {
  GatherState* st = active();
  if (ignored(st) || text == nullptr || byteCount <= 0) return;
  const i16 size = GetPortTextSize(port());
  // Scaled by the mean of the numerator over the mean of the denominator; a zero mean
  // denominator leaves the size alone.
  const i32 nm = (i32(numer.h) + numer.v) / 2, dm = (i32(denom.h) + denom.v) / 2;
  const i16 scaled = dm != 0 ? i16(std::clamp<i32>(i32(size) * nm / dm, 0, 32767)) : size;
  TextSize(scaled);
  FontInfo info{};
  GetFontInfo(&info);
  const i16 width = TextWidth(text, 0, byteCount);
  TextSize(size);
  Point pen{};
  GetPen(&pen);
  const Rect r{i16(pen.v - info.ascent), i16(pen.h - 1), i16(pen.v + info.descent + info.leading),
               i16(pen.h - 1 + std::max<i32>(width + 2, info.widMax))};
  if (ingroup(*st, r)) return StdText(byteCount, text, Point{1, 1}, Point{1, 1});
  Move(width, 0);
  stylerun run{};
  run.height = i16(info.ascent + info.descent + info.leading);
  run.ascent = info.ascent;
  run.font = GetPortTextFont(port());
  run.face = u8(GetPortTextFace(port()));
  run.size = scaled;
  if (st->texton) {
    if (st->textfailed) return;
    st->text.add(r);
    run.start = i32(GetHandleSize(st->textchars));
    if (PtrAndHand(&run, st->textruns, Size(sizeof run)) != noErr ||
        PtrAndHand(text, st->textchars, byteCount) != noErr)
      st->memerror = st->textfailed = true;
    return;
  }
  Handle runs = nilhandle, chars = nilhandle;
  Handle data = nilhandle;
  if (PtrToHand(&run, &runs, Size(sizeof run)) == noErr && PtrToHand(text, &chars, byteCount) == noErr)
    data = textdata(runs, chars, 0);
  for (Handle h : {runs, chars})
    if (h != nilhandle) DisposeHandle(h);
  if (data == nilhandle) {
    st->memerror = true;
    return;
  }
  spot s = textspot(*st, r, data);
  append(*st, s);
}

void PscrapRTgatherbits(const BitMap* src, const Rect* srcRect, const Rect* dstRect, i16 mode, RgnHandle maskRgn) {
  GatherState* st = active();
  if (src == nullptr || srcRect == nullptr || dstRect == nullptr) return;
  if (src->baseAddr == nullptr) {
    KVDebugMsg(
        reinterpret_cast<ConstStringPtr>("\x2B"
                                         "Ignored malformed PICT found on desk scrap."));
    return;
  }
  if (ignored(st)) return;
  if (ingroup(*st, *dstRect)) return StdBits(src, srcRect, dstRect, mode, maskRgn);
  const Rect d = *dstRect;
  if (EmptyRect(&d)) return;
  const bool colour = mainglobals().colorWorld != 0;
  Handle image = newimage(d, colour);
  if (image == nilhandle) {
    st->memerror = true;
    if (st->bitson) st->bitsfailed = true;
    return;
  }
  fixpixclut(colour, src);
  CTabHandle table = colour ? copytable() : nilhandle;
  const bool owntable = colour && (table == nilhandle || !IsValidHandle(table));
  if (owntable) table = GetCTable(8);
  // The copy keeps the source's pixels in their stored order.
  PixMap into = bitmapmap(deref(image), d, colour, table);
  into.bounds = d;
  CopyBits(src, reinterpret_cast<const BitMap*>(&into), srcRect, &d, srcCopy, maskRgn);
  if (owntable) DisposeCTable(table);
  if (st->bitson) {
    st->lastmode = mode;
    st->lastcolour = colour ? 1 : 0;
    if (st->bitsfailed) {
      DisposeHandle(image);
      return;
    }
    addbitsimage(*st, image, d, colour);
    return;
  }
  spot s = gatheredspot(*st, stylebitmap);
  s.rect = d;
  s.fillpat = stored(qdgray);
  s.ink = u16(mode);
  graphictail t{};
  t.startangle = colour ? 1 : 0;
  setgraphictail(s, t);
  s.data = image;
  append(*st, s);
}

void PscrapRTgathercom(i16 kind, i16 dataSize, Handle dataHandle) {
  GatherState* st = active();
  if (st == nullptr || kind < kGroupBegin || kind > kRoundOn) return;
  if (kind == kGroupBegin || kind == kGroupEnd) {
    if (kind == kGroupBegin && (st->dropped > 0 || st->level + st->depth >= kMaxGroupLevels)) {
      ++st->dropped;
      return;
    }
    if (kind == kGroupEnd && st->dropped > 0) {
      --st->dropped;
      return;
    }
  }
  if (st->depth > 0 && kind >= kBitsBegin) return StdComment(kind, dataSize, dataHandle);
  switch (kind) {
    case kGroupBegin:
      if (++st->depth > 1) return StdComment(kind, dataSize, dataHandle);
      st->group = Bounds{};
      st->grouppic = OpenPicture(&st->frame);
      if (st->grouppic == nilhandle) st->memerror = true;
      ShowPen();
      return;
    case kGroupEnd: {
      if (st->depth == 0) return;
      if (--st->depth > 0) return StdComment(kind, dataSize, dataHandle);
      HidePen();
      ClosePicture();
      PicHandle picture = st->grouppic;
      st->grouppic = nilhandle;
      if (picture == nilhandle || GetHandleSize(picture) == 0) {
        if (picture != nilhandle) KillPicture(picture);
        st->memerror = true;
        return;
      }
      spot s = gatheredspot(*st, stylegroup);
      s.rect = st->group.r;
      s.ink = 0;
      s.data = picture;
      append(*st, s);
      return;
    }
    case kBitsBegin:
      if (st->bitsimage != nilhandle) DisposeHandle(st->bitsimage);
      st->bitsimage = nilhandle;
      st->bitson = true;
      st->bitsfailed = false;
      st->lastcolour = 0;
      st->lastmode = 0;
      st->bits = Bounds{};
      return;
    case kBitsEnd: {
      if (!st->bitson) return;
      st->bitson = false;
      Handle image = st->bitsimage;
      st->bitsimage = nilhandle;
      if (image == nilhandle || st->bitsfailed || EmptyRect(&st->bits.r)) {
        if (image != nilhandle) DisposeHandle(image);
        return;
      }
      spot s = gatheredspot(*st, stylebitmap);
      s.rect = st->bits.r;
      s.ink = u16(st->lastmode);
      graphictail t{};
      t.startangle = st->lastcolour;
      setgraphictail(s, t);
      s.data = image;
      append(*st, s);
      return;
    }
    case kTextBegin:
      for (Handle* h : {&st->textruns, &st->textchars}) {
        if (*h != nilhandle) DisposeHandle(*h);
        *h = NewHandle(0);
      }
      st->texton = true;
      st->textfailed = st->textruns == nilhandle || st->textchars == nilhandle;
      if (st->textfailed) st->memerror = true;
      st->text = Bounds{};
      st->textjust = 0;
      if (dataHandle != nilhandle && IsValidHandle(dataHandle) && GetHandleSize(dataHandle) > 5)
        st->textjust = deref(dataHandle)[0];
      return;
    case kTextEnd: {
      if (!st->texton) return;
      st->texton = false;
      Handle data = nilhandle;
      if (!st->textfailed && !EmptyRect(&st->text.r)) {
        data = textdata(st->textruns, st->textchars, st->textjust);
        if (data == nilhandle) st->memerror = true;
      }
      for (Handle* h : {&st->textruns, &st->textchars}) {
        if (*h != nilhandle) DisposeHandle(*h);
        *h = nilhandle;
      }
      if (data == nilhandle) return;
      spot s = textspot(*st, st->text.r, data);
      append(*st, s);
      return;
    }
    case kPolyBegin:
      if (st->polyon) {
        ClosePoly();
        KillPoly(st->poly);
      }
      st->polyon = true;
      st->polymode = 0;
      st->polyshowpen = st->polyshowfill = 0;
      st->poly = OpenPoly();
      if (st->poly == nilhandle) {
        st->polyon = false;
        st->memerror = true;
        return;
      }
      ShowPen();
      return;
    case kPolyEnd: {
      if (!st->polyon) return;
      st->polyon = false;
      HidePen();
      ClosePoly();
      PolyHandle poly = st->poly;
      st->poly = nilhandle;
      if (!IsValidHandle(poly) || GetHandleSize(poly) > kMaxPolygonBytes ||
          GetHandleSize(poly) < Size(sizeof(PolygonHeader))) {
        if (poly != nilhandle) KillPoly(poly);
        return;
      }
      spot s = gatheredspot(*st, stylepolygon);
      s.rect = polybounds(poly);
      s.showpen = st->polyshowpen;
      s.showfill = st->polyshowfill;
      s.penpat = stored(st->polypenpat);
      s.fillpat = stored(st->polyfillpat);
      s.penfore = st->polypenfore;
      s.penback = st->polypenback;
      s.fillfore = st->polyfillfore;
      s.fillback = st->polyfillback;
      s.penwidth = u16(st->polypensize.h);
      s.penheight = u16(st->polypensize.v);
      s.ink = st->polymode;
      s.data = poly;
      append(*st, s);
      return;
    }
    case kRoundOn: st->rounded = true; return;
    case kRoundOff: st->rounded = false; return;
    default: return;
  }
}

// --- Colour tables ----------------------------------------------------------------------------

void PscrapRTgrabits(const BitMap* src, const Rect*, const Rect*, i16, RgnHandle) {
  GatherModule& m = gm();
  if (!m.grabbing || m.grabbed != nilhandle || src == nullptr || (src->rowBytes & pixmapflag) == 0) return;
  const PixMap* pm = reinterpret_cast<const PixMap*>(src);
  if (pm->pixelSize != 8 || pm->pmTable == nilhandle || !IsValidHandle(pm->pmTable)) return;
  const Size n = std::min(GetHandleSize(pm->pmTable), kClutBytes);
  if (n < Size(sizeof(ColorTableHeader))) return;
  Handle copy = nilhandle;
  if (PtrToHand(deref(pm->pmTable), &copy, n) == noErr) m.grabbed = copy;
}

CTabHandle extractclut(PicHandle picture) {
  if (picture == nilhandle || !IsValidHandle(picture) || GetHandleSize(picture) < 10) return nilhandle;
  Rect frame{};
  QDGetPictureBounds(picture, &frame);
  frame = Rect{std::min(frame.top, frame.bottom), std::min(frame.left, frame.right), std::max(frame.top, frame.bottom),
               std::max(frame.left, frame.right)};
  CGrafPtr oldport = nilid;
  GDHandle olddevice = nilhandle;
  GetGWorld(&oldport, &olddevice);
  CGrafPtr grab = nilid;
  openport(&grab);
  if (grab == nilid) return nilhandle;
  GatherModule& m = gm();
  if (m.grabbed != nilhandle) DisposeHandle(m.grabbed);
  m.grabbed = nilhandle;
  m.grabbing = true;
  QDProcs procs;
  SetStdCProcs(&procs);
  procs.bitsProc = PscrapRTgrabits;
  SetPortGrafProcs(grab, &procs);
  // Only the table is wanted: nothing is drawn.
  HidePen();
  DrawPicture(picture, &frame);
  m.grabbing = false;
  closeport(grab);
  SetGWorld(oldport, olddevice);
  CTabHandle found = m.grabbed;
  m.grabbed = nilhandle;
  return found;
}

void fixpixclut(u16 colour, const BitMap* source) {
  if (!mainglobals().colorWorld || !colour || source == nullptr || (source->rowBytes & pixmapflag) == 0) return;
  const PixMap* pm = reinterpret_cast<const PixMap*>(source);
  if (pm->cmpSize != 8 || pm->cmpCount != 1 || pm->pmTable == nilhandle || !IsValidHandle(pm->pmTable)) return;
  Handle copy = pm->pmTable;
  if (HandToHand(&copy) != noErr) return;
  const CGrafPtr p = port();
  PixMap own = pixmaprecord(GetPortPixMap(p));
  GatherModule& m = gm();
  if (m.porttable != nilhandle && own.pmTable == m.porttable) DisposeHandle(m.porttable);
  own.pmTable = copy;
  m.porttable = copy;
  SetPortBits(reinterpret_cast<const BitMap*>(&own));
}

// --- Whole pictures -------------------------------------------------------------------------------

Handle getlayer(PicHandle picture) { return gatherlayer(picture, 0); }

void regroup(Handle list) { regrouplist(list, 0); }

Handle pictospot(PicHandle picture) {
  MainGlobals& g = mainglobals();
  CGrafPtr oldport = nilid;
  GDHandle olddevice = nilhandle;
  GetGWorld(&oldport, &olddevice);
  CGrafPtr gport = nilid;
  openport(&gport);
  if (gport == nilid) return nilhandle;
  if (gathercolourstate().gatherclut != nilhandle) DisposeHandle(gathercolourstate().gatherclut);
  gathercolourstate().gatherclut = nilhandle;
  const Handle savedclut = g.currentclut;
  const bool colour = g.colorWorld != 0;
  if (colour) {
    gathercolourstate().gatherclut = extractclut(picture);
    if (gathercolourstate().gatherclut == nilhandle) {
      Handle system = GetResource(fourcc("clut"), defclutid());
      Handle copy = system;
      if (system != nilhandle && HandToHand(&copy) == noErr) {
        if (endianswapclut(deref(copy), GetHandleSize(copy), fromfile) == 0) gathercolourstate().gatherclut = copy;
        else DisposeHandle(copy);
      }
    }
    if (gathercolourstate().gatherclut == nilhandle) gathercolourstate().gatherclut = NewHandleClear(kClutBytes);
    const u32 seed = savedclut != nilhandle && GetHandleSize(savedclut) >= Size(sizeof(ColorTableHeader))
                         ? loadat<ColorTableHeader>(deref(savedclut)).ctSeed
                         : u32(GetCTSeed());
    if (gathercolourstate().gatherclut != nilhandle) {
      cleanclut(gathercolourstate().gatherclut, seed);
      g.currentclut = gathercolourstate().gatherclut;
    }
    SetPort(gport);
    fixpixmap(1);
    addsearch(1);
  }
  SetPort(gport);
  Handle list = getlayer(picture);
  if (list != nilhandle) regroup(list);
  if (colour) delsearch(1);
  g.currentclut = savedclut;
  GatherModule& m = gm();
  if (m.porttable != nilhandle) DisposeHandle(m.porttable);
  m.porttable = nilhandle;
  closeport(gport);
  SetGWorld(oldport, olddevice);
  if (gathercolourstate().gatherclut != nilhandle) DisposeHandle(gathercolourstate().gatherclut);
  gathercolourstate().gatherclut = nilhandle;
  return list;
}

// --- Object to picture ----------------------------------------------------------------------------

i16 spotpicdepth(i16 depth, i32 width) {
  while (i64(depth / 8) * width > 16380 && depth >= 2) depth = i16(depth / 2);
  return depth;
}

PicHandle spotopic(Handle list, i16 index) {
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return nilhandle;
  // A live control is taken down: it is drawn as a plain picture and made again when shown.
  spot s = spotat(list, index);
  if (isplatformcontrol(s) && getcontrolpart(s).control != 0) {
    dumpspotcontrol(s);
    putspot(list, index, s);
  }
  // The object drawn from a list of its own record (its parts stay the original's).
  Handle one = nilhandle;
  if (PtrToHand(&s, &one, Size(sizeof s)) != noErr) return nilhandle;
  PicHandle picture = listopic(one);
  DisposeHandle(one);
  return picture;
}

PicHandle listopic(Handle list) {
  if (list == nilhandle || spotcount(list) == 0) return nilhandle;
  MainGlobals& g = mainglobals();
  Rect bounds{};
  calcbounds(list, &bounds, 2);
  const i16 depth = spotpicdepth(g.bufferMode, i32(bounds.right) - bounds.left);
  GWorldPtr world = nilid;
  if (EmptyRect(&bounds) || NewGWorld(&world, depth, &bounds, nilhandle, nilhandle, 0) != noErr) return nilhandle;
  CGrafPtr oldport = nilid;
  GDHandle olddevice = nilhandle;
  GetGWorld(&oldport, &olddevice);
  SetGWorld(world, nilhandle);
  LockPixels(GetGWorldPixMap(world));
  ClipRect(&bounds);
  EraseRect(&bounds);
  RgnHandle clip = NewRgn();
  GetClip(clip);
  SetPortVisibleRegion(world, clip);
  DisposeRgn(clip);
  PicHandle picture = OpenPicture(&bounds);
  const i16 before = g.offwindowdrawing;
  g.offwindowdrawing = 1;
  drawspot(list);
  g.offwindowdrawing = before;
  ClosePicture();
  putdowncontrols(list);
  UnlockPixels(GetGWorldPixMap(world));
  SetGWorld(oldport, olddevice);
  DisposeGWorld(world);
  if (picture != nilhandle && GetHandleSize(picture) == 0) {
    KillPicture(picture);
    picture = nilhandle;
  }
  return picture;
}

}  // namespace kv
