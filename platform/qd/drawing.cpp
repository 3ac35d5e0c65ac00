// The standard bottleneck procedures and the shape calls that go through the table.
#include <algorithm>

#include "platform/memory/memory.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/drawimpl.h"
#include "platform/qd/pictureimpl.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapegeom.h"
#include "platform/qd/shapes.h"

namespace kv {

DrawColors portcolors(const Port& p) {
  DrawColors c;
  c.fg = p.rgbFgColor;
  c.bg = p.rgbBkColor;
  c.op = p.rgbOpColor;
  c.hilite = p.hilitefromsystem ? qd().systemhilite : p.rgbHiliteColor;
  return c;
}

RegionData portclip(const Port& p) {
  RegionData r(p.clipRgn);
  r.intersect(p.visRgn);
  return r;
}

bool topixels(const Port& p, RegionData& rgn, Surface* s) {
  *s = surfacefrompixmap(p.pixmap);
  if (!s->valid()) return false;
  rgn.intersect(portclip(p));
  rgn.offset(-s->bounds.left, -s->bounds.top);
  rgn.intersect(RegionData(Rect{0, 0, i16(s->height()), i16(s->width())}));
  if (rgn.empty()) return false;
  ++qd().drawcount;
  notedrawn(s->base, rgn.bounds());
  return true;
}

void drawverb(Port& p, const RegionData& shape, GrafVerb verb) {
  if (p.pnVis < 0) return;
  RegionData rgn(shape);
  Surface s;
  if (!topixels(p, rgn, &s)) return;
  const DrawColors colors = portcolors(p);
  switch (verb) {
    case kQDGrafVerbFrame:
    case kQDGrafVerbPaint: fillpattern(s, rgn, p.pnPat, p.pnMode, colors); break;
    case kQDGrafVerbErase: fillpattern(s, rgn, p.bkPat, patCopy, colors); break;
    case kQDGrafVerbInvert: {
      QDState& q = qd();
      const bool hiliting = !q.hilitemode;
      q.hilitemode = true;
      invertpixels(s, rgn, hiliting, colors);
      break;
    }
    case kQDGrafVerbFill: fillpattern(s, rgn, p.fillPat, patCopy, colors); break;
  }
}

namespace {

Point pensize(const Port& p) { return p.pnSize; }

void captureedge(Port& p, Point a, Point b) { p.rgnedges.push_back(CaptureEdge{a.h, a.v, b.h, b.v}); }

void capturepolyedges(Port& p, const std::vector<Point>& pts) {
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) captureedge(p, pts[i], pts[i + 1]);
}

// The pixels a shape drawn now can change, grown by the pen (and one pixel) so that a frame's
// band, worked out from the part of a shape inside them, is right where it can be seen.
PixelBounds drawbounds(const Port& p) {
  const Surface s = surfacefrompixmap(p.pixmap);
  if (!s.valid()) return PixelBounds{0, 0, 0, 0};
  RegionData clip = portclip(p);
  clip.intersect(RegionData(s.bounds));
  if (clip.empty()) return PixelBounds{0, 0, 0, 0};
  const Rect b = clip.bounds();
  const i32 gh = std::max<i32>(p.pnSize.h, 0) + 1, gv = std::max<i32>(p.pnSize.v, 0) + 1;
  return PixelBounds{b.left - gh, b.top - gv, b.right + gh, b.bottom + gv};
}

// The shape of a verb: the frame band for frame, the whole shape otherwise.
RegionData verbshape(const Port& p, const RegionData& whole, GrafVerb verb) {
  if (verb != kQDGrafVerbFrame) return whole;
  const Point ps = pensize(p);
  return frameof(whole, ps.h, ps.v);
}

}  // namespace

// --- The standard procedures -----------------------------------------------------------------

void StdRect(GrafVerb verb, const Rect* r) {
  Port* p = currentport();
  if (!p || !r) return;
  if (p->picsave) picrecordrect(*p, verb, *r);
  RegionData whole(*r);
  if (verb == kQDGrafVerbFrame && p->rgnopen) p->rgnshapes.exclusive(whole);
  if (p->pnVis < 0) return;
  drawverb(*p, verbshape(*p, whole, verb), verb);
}

void StdRRect(GrafVerb verb, const Rect* r, i16 ovalWidth, i16 ovalHeight) {
  Port* p = currentport();
  if (!p || !r) return;
  if (p->picsave) picrecordrrect(*p, verb, *r, ovalWidth, ovalHeight);
  if (verb == kQDGrafVerbFrame && p->rgnopen) p->rgnshapes.exclusive(rrectregion(*r, ovalWidth, ovalHeight));
  if (p->pnVis < 0) return;
  drawverb(*p, verbshape(*p, rrectregion(*r, ovalWidth, ovalHeight, drawbounds(*p)), verb), verb);
}

void StdOval(GrafVerb verb, const Rect* r) {
  Port* p = currentport();
  if (!p || !r) return;
  if (p->picsave) picrecordoval(*p, verb, *r);
  if (verb == kQDGrafVerbFrame && p->rgnopen) p->rgnshapes.exclusive(ovalregion(*r));
  if (p->pnVis < 0) return;
  drawverb(*p, verbshape(*p, ovalregion(*r, drawbounds(*p)), verb), verb);
}

void StdArc(GrafVerb verb, const Rect* r, i16 startAngle, i16 arcAngle) {
  Port* p = currentport();
  if (!p || !r) return;
  if (p->picsave) picrecordarc(*p, verb, *r, startAngle, arcAngle);
  if (p->pnVis < 0) return;
  if (verb == kQDGrafVerbFrame) {
    // Only the curved edge: the oval's frame band within the wedge.
    RegionData band = frameof(ovalregion(*r, drawbounds(*p)), p->pnSize.h, p->pnSize.v);
    if (arcAngle == 0) return;
    clipwedge(band, *r, startAngle, arcAngle);
    drawverb(*p, band, verb);
  } else {
    drawverb(*p, arcregion(*r, startAngle, arcAngle, drawbounds(*p)), verb);
  }
}

void StdPoly(GrafVerb verb, PolyHandle poly) {
  Port* p = currentport();
  if (!p) return;
  std::vector<Point> pts = polypoints(poly);
  if (p->picsave) picrecordpoly(*p, verb, pts);
  if (verb == kQDGrafVerbFrame && p->rgnopen) capturepolyedges(*p, pts);
  if (p->pnVis < 0 || pts.empty()) return;
  if (verb == kQDGrafVerbFrame) {
    // The lines from point to point, in the pen.
    const PixelBounds within = drawbounds(*p);
    RegionData lines;
    for (std::size_t i = 0; i + 1 < pts.size(); ++i)
      lines.unite(lineregion(pts[i], pts[i + 1], p->pnSize.h, p->pnSize.v, within));
    if (pts.size() == 1) lines = lineregion(pts[0], pts[0], p->pnSize.h, p->pnSize.v, within);
    drawverb(*p, lines, verb);
  } else {
    drawverb(*p, polyregion(pts, drawbounds(*p)), verb);
  }
}

void StdRgn(GrafVerb verb, RgnHandle rgn) {
  Port* p = currentport();
  RegionData* r = regiondata(rgn);
  if (!p || !r) return;
  RegionData whole(*r);  // the procedures below may change the registry
  if (p->picsave) picrecordrgn(*p, verb, whole);
  if (verb == kQDGrafVerbFrame && p->rgnopen) p->rgnshapes.exclusive(whole);
  if (p->pnVis < 0) return;
  drawverb(*p, verbshape(*p, whole, verb), verb);
}

void StdLine(Point newPt) {
  Port* p = currentport();
  if (!p) return;
  const Point from = p->pnLoc;
  if (p->picsave) picrecordline(*p, from, newPt);
  if (p->rgnopen) captureedge(*p, from, newPt);
  if (p->polysave) {
    std::vector<Point> pts = polypoints(p->polysave);
    if (pts.empty()) pts.push_back(from);
    pts.push_back(newPt);
    PolygonHeader hdr{u16(10 + 4 * pts.size()), Rect{0, 0, 0, 0}};
    SetHandleSize(p->polysave, Size(hdr.polySize));
    if (MemError() == noErr) {
      std::memcpy(deref(p->polysave), &hdr, sizeof hdr);
      std::memcpy(deref(p->polysave) + sizeof hdr, pts.data(), pts.size() * sizeof(Point));
    }
  }
  if (p->pnVis < 0) return;
  drawverb(*p, lineregion(from, newPt, p->pnSize.h, p->pnSize.v, drawbounds(*p)), kQDGrafVerbFrame);
}

void StdComment(i16 kind, i16 dataSize, Handle dataHandle) {
  Port* p = currentport();
  if (p && p->picsave) picrecordcomment(*p, kind, dataSize, dataHandle);
}

void SetStdCProcs(QDProcs* procs) {
  if (!procs) return;
  procs->textProc = StdText;
  procs->lineProc = StdLine;
  procs->rectProc = StdRect;
  procs->rRectProc = StdRRect;
  procs->ovalProc = StdOval;
  procs->arcProc = StdArc;
  procs->polyProc = StdPoly;
  procs->rgnProc = StdRgn;
  procs->bitsProc = StdBits;
  procs->commentProc = StdComment;
  procs->txMeasProc = StdTxMeas;
}

void SetStdProcs(QDProcs* procs) { SetStdCProcs(procs); }

void SetPortGrafProcs(CGrafPtr port, const QDProcs* procs) {
  Port* p = portof(port);
  if (!p) return;
  if (procs) p->procs = std::make_unique<QDProcs>(*procs);
  else p->procs.reset();
}

bool GetPortGrafProcs(CGrafPtr port, QDProcs* procs) {
  Port* p = portof(port);
  if (!p || !procs) return false;
  if (p->procs) *procs = *p->procs;
  else SetStdCProcs(procs);
  return true;
}

// --- Calls through the table -----------------------------------------------------------------

namespace {

// Calls the port's procedure when it has one (copied first: it may replace the table),
// else the standard one.
template <class Member, class Std, class... Args>
void dispatch(Member member, Std stdproc, Args... args) {
  Port* p = currentport();
  if (!p) return;
  if (p->procs && (*p->procs).*member) {
    auto f = (*p->procs).*member;
    f(args...);
  } else {
    stdproc(args...);
  }
}

void rectcall(GrafVerb verb, const Rect* r) { dispatch(&QDProcs::rectProc, StdRect, verb, r); }
void rrectcall(GrafVerb verb, const Rect* r, i16 w, i16 h) { dispatch(&QDProcs::rRectProc, StdRRect, verb, r, w, h); }
void ovalcall(GrafVerb verb, const Rect* r) { dispatch(&QDProcs::ovalProc, StdOval, verb, r); }
void arccall(GrafVerb verb, const Rect* r, i16 s, i16 a) { dispatch(&QDProcs::arcProc, StdArc, verb, r, s, a); }
void polycall(GrafVerb verb, PolyHandle poly) { dispatch(&QDProcs::polyProc, StdPoly, verb, poly); }
void rgncall(GrafVerb verb, RgnHandle rgn) { dispatch(&QDProcs::rgnProc, StdRgn, verb, rgn); }

void setfill(const Pattern* pat) {
  Port* p = currentport();
  if (p && pat) p->fillPat = *pat;
}

}  // namespace

void LineTo(i16 h, i16 v) {
  dispatch(&QDProcs::lineProc, StdLine, Point{v, h});
  if (Port* p = currentport()) p->pnLoc = Point{v, h};
}

void Line(i16 dh, i16 dv) {
  Port* p = currentport();
  if (!p) return;
  LineTo(i16(p->pnLoc.h + dh), i16(p->pnLoc.v + dv));
}

void FrameRect(const Rect* r) { rectcall(kQDGrafVerbFrame, r); }
void PaintRect(const Rect* r) { rectcall(kQDGrafVerbPaint, r); }
void EraseRect(const Rect* r) { rectcall(kQDGrafVerbErase, r); }
void InvertRect(const Rect* r) { rectcall(kQDGrafVerbInvert, r); }
void FillRect(const Rect* r, const Pattern* pat) {
  setfill(pat);
  rectcall(kQDGrafVerbFill, r);
}

void FrameRoundRect(const Rect* r, i16 w, i16 h) { rrectcall(kQDGrafVerbFrame, r, w, h); }
void PaintRoundRect(const Rect* r, i16 w, i16 h) { rrectcall(kQDGrafVerbPaint, r, w, h); }
void EraseRoundRect(const Rect* r, i16 w, i16 h) { rrectcall(kQDGrafVerbErase, r, w, h); }
void InvertRoundRect(const Rect* r, i16 w, i16 h) { rrectcall(kQDGrafVerbInvert, r, w, h); }
void FillRoundRect(const Rect* r, i16 w, i16 h, const Pattern* pat) {
  setfill(pat);
  rrectcall(kQDGrafVerbFill, r, w, h);
}

void FrameOval(const Rect* r) { ovalcall(kQDGrafVerbFrame, r); }
void PaintOval(const Rect* r) { ovalcall(kQDGrafVerbPaint, r); }
void EraseOval(const Rect* r) { ovalcall(kQDGrafVerbErase, r); }
void InvertOval(const Rect* r) { ovalcall(kQDGrafVerbInvert, r); }
void FillOval(const Rect* r, const Pattern* pat) {
  setfill(pat);
  ovalcall(kQDGrafVerbFill, r);
}

void FrameArc(const Rect* r, i16 s, i16 a) { arccall(kQDGrafVerbFrame, r, s, a); }
void PaintArc(const Rect* r, i16 s, i16 a) { arccall(kQDGrafVerbPaint, r, s, a); }
void EraseArc(const Rect* r, i16 s, i16 a) { arccall(kQDGrafVerbErase, r, s, a); }
void InvertArc(const Rect* r, i16 s, i16 a) { arccall(kQDGrafVerbInvert, r, s, a); }
void FillArc(const Rect* r, i16 s, i16 a, const Pattern* pat) {
  setfill(pat);
  arccall(kQDGrafVerbFill, r, s, a);
}

void FramePoly(PolyHandle poly) { polycall(kQDGrafVerbFrame, poly); }
void PaintPoly(PolyHandle poly) { polycall(kQDGrafVerbPaint, poly); }
void ErasePoly(PolyHandle poly) { polycall(kQDGrafVerbErase, poly); }
void InvertPoly(PolyHandle poly) { polycall(kQDGrafVerbInvert, poly); }
void FillPoly(PolyHandle poly, const Pattern* pat) {
  setfill(pat);
  polycall(kQDGrafVerbFill, poly);
}

void FrameRgn(RgnHandle rgn) { rgncall(kQDGrafVerbFrame, rgn); }
void PaintRgn(RgnHandle rgn) { rgncall(kQDGrafVerbPaint, rgn); }
void EraseRgn(RgnHandle rgn) { rgncall(kQDGrafVerbErase, rgn); }
void InvertRgn(RgnHandle rgn) { rgncall(kQDGrafVerbInvert, rgn); }
void FillRgn(RgnHandle rgn, const Pattern* pat) {
  setfill(pat);
  rgncall(kQDGrafVerbFill, rgn);
}

// --- Region capture --------------------------------------------------------------------------

void OpenRgn() {
  Port* p = currentport();
  if (!p) return;
  p->rgnopen = true;
  p->rgnshapes.clear();
  p->rgnedges.clear();
  HidePen();
}

void CloseRgn(RgnHandle rgn) {
  Port* p = currentport();
  if (!p || !p->rgnopen) return;
  std::vector<EdgeF> edges;
  edges.reserve(p->rgnedges.size());
  for (const CaptureEdge& e : p->rgnedges)
    if (e.v1 != e.v2) edges.push_back(EdgeF{double(e.h1), double(e.v1), double(e.h2), double(e.v2)});
  RegionData result = edgefill(edges);
  result.exclusive(p->rgnshapes);
  p->rgnopen = false;
  p->rgnshapes.clear();
  p->rgnedges.clear();
  ShowPen();
  if (RegionData* r = regiondata(rgn)) *r = result;
}

void OvalRgn(RgnHandle rgn, const Rect* r) {
  RegionData* d = regiondata(rgn);
  if (d && r) *d = ovalregion(*r);
}

void RoundRectRgn(RgnHandle rgn, const Rect* r, i16 ovalWidth, i16 ovalHeight) {
  RegionData* d = regiondata(rgn);
  if (d && r) *d = rrectregion(*r, ovalWidth, ovalHeight);
}

void ArcRgn(RgnHandle rgn, const Rect* r, i16 startAngle, i16 arcAngle) {
  RegionData* d = regiondata(rgn);
  if (d && r) *d = arcregion(*r, startAngle, arcAngle);
}

void PolyRgn(RgnHandle rgn, PolyHandle poly) {
  std::vector<Point> pts = polypoints(poly);
  RegionData* d = regiondata(rgn);
  if (d) *d = polyregion(pts);
}

}  // namespace kv
