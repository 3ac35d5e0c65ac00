// Functions of points, rectangles and quads: rectQuad, insetRect, offsetRect, pinRect,
// scaleRect; quadRect, polyQuad, insetQuad, offsetQuad, rotateQuad, skewQuad; globalLoc and
// localLoc.
//
// A point is h,v, a rectangle left,top,right,bottom and a quad the four points top-left,
// top-right, bottom-right, bottom-left, all written as comma-separated numbers. A point or a
// rectangle parameter is either that many comma-separated expressions of the call, or one
// expression whose text holds them all (a variable, a property); a quad parameter is one
// expression whose text is its point list.
#include <cmath>
#include <cstring>

#include "commands/functions.h"
#include "commands/pointlists.h"
#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/geometry.h"
#include "engine/keywords.h"
#include "engine/numbertext.h"
#include "engine/status.h"
#include "engine/tokenizer.h"
#include "engine/tokens.h"
#include "platform/memory/memory.h"
#include "platform/qd/matrix.h"
#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "store/objread.h"
#include "store/records.h"

namespace kv {

namespace {

// The running call: where its parameters are read.
struct call {
  hierpath path;
  Handle text;
  Handle atoms;
  Handle variables;
  i32 i;                 // the next atom
  bool factors = false;  // without parentheses each value is one factor, so that operators
                         // after the call are not taken into it
};

// A value of the call (consumed by the caller).
i16 value(call& c, fred* v) {
  i32 used = 0;
  i16 st = 0;
  if (c.factors) {
    st = factor(c.path, c.text, c.atoms, c.i, c.variables, nilhandle, &used, v);
    if (st == err::novariable) st = anyfact(c.path, c.text, c.atoms, c.i, c.variables, nilhandle, &used, v);
  } else {
    st = expression(c.path, c.text, c.atoms, c.i, c.variables, nilhandle, &used, v);
  }
  if (st == 0) c.i += used;
  return st;
}

i16 integerof(fred* v, i32* n) {
  i16 st = fredtolong(v, n);
  disposfred(v);
  return st;
}

// `count` whole numbers separated by commas, read from atom `i` of the atoms; *end the atom after
// them.
i16 numbersat(const call& from, Handle text, Handle atoms, i32 i, int count, i32* out, i32* end) {
  call c{from.path, text, atoms, from.variables, i, from.factors};
  for (int k = 0; k < count; ++k) {
    if (k > 0 && tokenat(atoms, c.i++) != tok::comma) return err::nocomma;
    fred v;
    if (i16 st = value(c, &v); st != 0) return st;
    if (i16 st = integerof(&v, &out[k]); st != 0) return st;
  }
  *end = c.i;
  return 0;
}

// A point (2) or rectangle (4) parameter: the numbers written in the call, or one value whose
// text holds them all.
i16 numbers(call& c, int count, i32* out) {
  fred v;
  i32 from = c.i;
  if (i16 st = value(c, &v); st != 0) return st;
  Size n = getfredsize(&v);
  if (n == 0 || std::memchr(fredaddr(&v), ',', size_t(n)) == nullptr) {
    // The first of the numbers written in the call.
    disposfred(&v);
    return numbersat(c, c.text, c.atoms, from, count, out, &c.i);
  }
  Handle text = nilhandle, atoms = nilhandle;
  i16 st = fredtonewh(&v, &text);
  disposfred(&v);
  if (st == 0) st = tokenize(text, &atoms);
  i32 end = 0;
  call inner = c;
  inner.factors = false;
  if (st == 0) st = numbersat(inner, text, atoms, 0, count, out, &end);
  if (st == 0 && tokenat(atoms, end) != tok::endofline) st = err::stray;
  if (atoms != nilhandle) DisposeHandle(atoms);
  if (text != nilhandle) DisposeHandle(text);
  return st;
}

i16 readpoint(call& c, Point* p) {
  i32 n[2];
  if (i16 st = numbers(c, 2, n); st != 0) return st;
  *p = Point{i16(n[1]), i16(n[0])};
  return 0;
}

i16 readrect(call& c, Rect* r) {
  i32 n[4];
  if (i16 st = numbers(c, 4, n); st != 0) return st;
  *r = Rect{i16(n[1]), i16(n[0]), i16(n[3]), i16(n[2])};
  return 0;
}

// A quad parameter: one value whose text lists exactly four points.
i16 readquad(call& c, Point (&q)[4]) {
  fred v;
  if (i16 st = value(c, &v); st != 0) return st;
  Handle text = nilhandle, atoms = nilhandle, points = nilhandle;
  i16 st = fredtonewh(&v, &text);
  disposfred(&v);
  if (st == 0) st = tokenize(text, &atoms);
  i32 used = 0;
  if (st == 0) st = getloclist(c.path, text, atoms, 0, c.variables, &used, &points);
  if (st == 0 && GetHandleSize(points) / Size(sizeof(Point)) != 4) st = err::notquad;
  if (st == 0) std::memcpy(q, deref(points), sizeof q);
  if (points != nilhandle) DisposeHandle(points);
  if (atoms != nilhandle) DisposeHandle(atoms);
  if (text != nilhandle) DisposeHandle(text);
  return st;
}

i16 readnumber(call& c, double* d) {
  fred v;
  if (i16 st = value(c, &v); st != 0) return st;
  i16 st = fredtodouble(&v, d) == err::nonumber ? i16(err::nonumber) : i16(0);
  disposfred(&v);
  return st;
}

i16 readbool(call& c, u16* b) {
  fred v;
  if (i16 st = value(c, &v); st != 0) return st;
  i16 st = fredtobool(&v, b);
  disposfred(&v);
  return st;
}

// The comma between two parameters.
i16 comma(call& c) { return tokenat(c.atoms, c.i++) == tok::comma ? i16(0) : i16(err::nocomma); }

// The start of a call of these families: `f of`, `f(`, and `the f of` where `theallowed`.
// *paren tells whether ")" must end it.
i16 opening(Handle atoms, i32 at, bool theallowed, call& c, bool* paren) {
  funhead h = readhead(atoms, at);
  u16 next = tokenat(atoms, h.word + 1);
  if (h.the && !theallowed) return err::noparens;
  if (h.the && next != tok::in) return err::noof;
  if (next != tok::in && next != tok::leftparen) return err::noparens;
  *paren = next == tok::leftparen;
  c.factors = !*paren;
  c.i = h.word + 2;
  return 0;
}

// The end of the call: ")" when it opened with "(".
i16 closing(call& c, bool paren, i32 at, i32* count) {
  if (paren && tokenat(c.atoms, c.i++) != tok::rightparen) return err::noparen;
  *count = c.i - at;
  return 0;
}

void quadofrect(const Rect& r, Point (&q)[4]) {
  q[0] = Point{r.top, r.left};
  q[1] = Point{r.top, r.right};
  q[2] = Point{r.bottom, r.right};
  q[3] = Point{r.bottom, r.left};
}

// The optional last parameter of rotateQuad and skewQuad.
i16 optionalfit(call& c, u16* fit) {
  *fit = 0;
  if (tokenat(c.atoms, c.i) != tok::comma) return 0;
  ++c.i;
  return readbool(c, fit);
}

// Fits the transformed quad: its bounds scaled in proportion to lie in the rectangle, centred.
void fitquad(Point (&q)[4], const Rect& r) {
  Rect bounds;
  getquadbounds(q, &bounds);
  i16 w = i16(bounds.right - bounds.left), h = i16(bounds.bottom - bounds.top);
  if (w <= 0 || h <= 0) return;
  MyProportionallyScale(&w, &h, i16(r.right - r.left), i16(r.bottom - r.top), true);
  Rect target{r.top, r.left, i16(r.top + h), i16(r.left + w)};
  MyCenterRectInRect(&target, r);
  MatrixRecord m;
  SetIdentityMatrix(&m);
  if (MapMatrix(&m, &bounds, &target)) TransformPoints(&m, q, 4);
}

// polyQuad: the first four points of a polygon graphic, less its rectangle's top-left.
i16 polygonquad(call& c, Point (&q)[4]) {
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(c.path, c.text, c.atoms, c.i, c.variables, &used, &obj); st != 0) return st;
  c.i += used;
  i16 st = err::notpolygon;
  if (obj.kind == objpart && obj.objects != nilhandle && obj.objindex >= 0 &&
      obj.objindex < HandleCount<spot>(obj.objects)) {
    spot s = loadat<spot>(deref(obj.objects) + size_t(obj.objindex) * sizeof(spot));
    Handle data = s.data;
    Size have = s.kind == spotgraphic && s.style == stylepolygon && data != nilhandle ? GetHandleSize(data) : 0;
    if (have >= 10) {
      // The polygon: its size in bytes, its bounds, then the points (never read past the block).
      u16 size;
      std::memcpy(&size, deref(data), 2);
      Size bytes = size < have ? size : have;
      Size points = (bytes - 10) / 4;
      st = points == 0 ? err::notpolygon : points < 4 ? err::notquad : i16(0);
      Rect rect = s.rect;
      for (int k = 0; st == 0 && k < 4; ++k) {
        std::memcpy(&q[k], deref(data) + 10 + 4 * k, 4);
        q[k].h = i16(q[k].h - rect.left);
        q[k].v = i16(q[k].v - rect.top);
      }
    }
  }
  writeobj(&obj);
  return st;
}

}  // namespace

scriptstatus funrects(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  u16 fn = readhead(atoms, at).token;
  call c{path, text, atoms, variables, 0};
  bool paren = false;
  if (i16 st = opening(atoms, at, fn == tok::rectquad, c, &paren); st != 0) return st;
  Rect r;
  if (i16 st = readrect(c, &r); st != 0) return st;
  Point p{};
  double factor = 0;
  i16 st = 0;
  if (fn == tok::insetrect || fn == tok::offsetrect || fn == tok::pinrect) {
    if ((st = comma(c)) == 0) st = readpoint(c, &p);
  } else if (fn == tok::scalerect) {
    if ((st = comma(c)) == 0) st = readnumber(c, &factor);
    if (st == 0 && !(factor > 0)) st = err::cantunderstand;
  }
  if (st == 0) st = closing(c, paren, at, count);
  if (st != 0) return st;
  switch (fn) {
    case tok::rectquad: {
      Point q[4];
      quadofrect(r, q);
      return quadtonewfred(q, value);
    }
    case tok::insetrect:
      r = Rect{i16(r.top + p.v), i16(r.left + p.h), i16(r.bottom - p.v), i16(r.right - p.h)};
      return rectonewfred(r, value);
    case tok::offsetrect:
      r = Rect{i16(r.top + p.v), i16(r.left + p.h), i16(r.bottom + p.v), i16(r.right + p.h)};
      return rectonewfred(r, value);
    case tok::pinrect: {
      // As the platform pins a point: into [left, right - 1] and [top, bottom - 1].
      i16 h = p.h < r.left ? r.left : p.h >= r.right ? i16(r.right - 1) : p.h;
      i16 v = p.v < r.top ? r.top : p.v >= r.bottom ? i16(r.bottom - 1) : p.v;
      return loctonewfred(h, v, value);
    }
    case tok::scalerect: scalerect(&r, factor); return rectonewfred(r, value);
    default: *count = 0; return err::nosuchfunction;
  }
}

scriptstatus funquads(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  u16 fn = readhead(atoms, at).token;
  call c{path, text, atoms, variables, 0};
  bool paren = false;
  if (i16 st = opening(atoms, at, fn == tok::quadrect || fn == tok::polyquad, c, &paren); st != 0) return st;
  Point q[4];
  i16 st = fn == tok::polyquad ? polygonquad(c, q) : readquad(c, q);
  if (st != 0) return st;
  Point p{}, centre{};
  Rect r{};
  double degrees = 0;
  u16 fit = 0;
  if (fn == tok::insetquad || fn == tok::offsetquad) {
    if ((st = comma(c)) == 0) st = readpoint(c, &p);
  } else if (fn == tok::rotatequad || fn == tok::skewquad) {
    if ((st = comma(c)) == 0) st = readrect(c, &r);
    if (st == 0 && (st = comma(c)) == 0) st = fn == tok::rotatequad ? readnumber(c, &degrees) : readpoint(c, &p);
    if (st == 0 && fn == tok::skewquad && (st = comma(c)) == 0) st = readpoint(c, &centre);
    if (st == 0) st = optionalfit(c, &fit);
  }
  if (st == 0) st = closing(c, paren, at, count);
  if (st != 0) return st;
  switch (fn) {
    case tok::quadrect: {
      Rect bounds;
      getquadbounds(q, &bounds);
      return rectonewfred(bounds, value);
    }
    case tok::polyquad: return quadtonewfred(q, value);
    case tok::insetquad: {
      const i16 dh[4] = {p.h, i16(-p.h), i16(-p.h), p.h}, dv[4] = {p.v, p.v, i16(-p.v), i16(-p.v)};
      for (int k = 0; k < 4; ++k) q[k] = Point{i16(q[k].v + dv[k]), i16(q[k].h + dh[k])};
      return quadtonewfred(q, value);
    }
    case tok::offsetquad:
      for (Point& k : q) k = Point{i16(k.v + p.v), i16(k.h + p.h)};
      return quadtonewfred(q, value);
    case tok::rotatequad:
    case tok::skewquad: {
      MatrixRecord m;
      SetIdentityMatrix(&m);
      if (fn == tok::rotatequad) {
        double turn = std::fmod(degrees, 360.0);
        RotateMatrix(&m, doubletofixed(turn), doubletofixed((r.right - r.left) / 2.0),
                     doubletofixed((r.bottom - r.top) / 2.0));
      } else {
        SkewMatrix(&m, doubletofixed(p.h / 1000.0), doubletofixed(p.v / 1000.0), Long2Fix(centre.h),
                   Long2Fix(centre.v));
      }
      TransformPoints(&m, q, 4);
      if (fit != 0) fitquad(q, r);
      return quadtonewfred(q, value);
    }
    default: *count = 0; return err::nosuchfunction;
  }
}

scriptstatus funlocs(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value) {
  *count = 0;
  funhead h = readhead(atoms, at);
  call c{path, text, atoms, variables, 0};
  bool paren = false;
  if (i16 st = opening(atoms, at, true, c, &paren); st != 0) return st;
  Point p{};
  if (i16 st = readpoint(c, &p); st != 0) return st;
  if (i16 st = closing(c, paren, at, count); st != 0) return st;
  WindowRef w = mainglobals().current.window;
  if (w != nilid && IsValidWindowPtr(w)) {
    SavePort saved;
    SetPortWindowPort(w);
    if (h.token == tok::globalloc) LocalToGlobal(&p);
    else GlobalToLocal(&p);
  }
  return loctonewfred(p.h, p.v, value);
}

}  // namespace kv
