// The shape graphics (rectangle, round rectangle, oval, polygon, arc), lines, text graphics
// and groups, and the text graphic being edited over a card.
#include "render/graphicdrawing.h"

#include <algorithm>

#include "platform/memory/memory.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "render/carddrawing.h"
#include "render/fielddrawing.h"
#include "render/objectcolours.h"
#include "render/picturecache.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "system/proctable.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

// Picture comments of graphics: drawing begin and end, group begin and end, text begin and end.
enum : i16 {
  kDrawingBegin = 130,
  kDrawingEnd = 131,
  kGroupBegin = 140,
  kGroupEnd = 141,
  kTextBegin = 150,
  kTextEnd = 151
};

// Comments go out while a picture is recorded from the port or off-window drawing runs.
bool commenting() { return mainglobals().offwindowdrawing || portrecordingpicture(currentportid()); }

void comment(i16 kind) {
  if (commenting()) PicComment(kind, 0, nilhandle);
}

enum class Form { rect, roundrect, oval, polygon, arc };
// A graphic's shape: its form over a rectangle (for an arc its oval), with a round rectangle's
// corner sizes or an arc's angles, or a polygon.
struct Shape {
  Form form;
  Rect r;
  i16 a = 0, b = 0;
  PolyHandle poly = nilhandle;
};

Shape shapeof(const spot& s, Form form) {
  const graphictail t = getgraphictail(s);
  switch (form) {
    case Form::roundrect: return Shape{form, s.rect, i16(t.startangle), i16(t.arcangle)};
    case Form::polygon: return Shape{form, s.rect, 0, 0, s.data};
    case Form::arc: return Shape{form, arcoval(s), i16(t.startangle), i16(t.arcangle)};
    default: return Shape{form, s.rect};
  }
}

void draw(GrafVerb verb, const Shape& sh) {
  const bool frame = verb == kQDGrafVerbFrame;
  switch (sh.form) {
    case Form::rect: frame ? FrameRect(&sh.r) : PaintRect(&sh.r); return;
    case Form::roundrect:
      if (frame) FrameRoundRect(&sh.r, sh.a, sh.b);
      else if (sh.a == 0 && sh.b == 0) PaintRect(&sh.r);
      else PaintRoundRect(&sh.r, sh.a, sh.b);
      return;
    case Form::oval: frame ? FrameOval(&sh.r) : PaintOval(&sh.r); return;
    case Form::polygon:
      if (sh.poly != nilhandle) frame ? FramePoly(sh.poly) : PaintPoly(sh.poly);
      return;
    case Form::arc: frame ? FrameArc(&sh.r, sh.a, sh.b) : PaintArc(&sh.r, sh.a, sh.b); return;
  }
}

i16 penwidth(const spot& s) { return i16(s.penwidth); }
i16 penheight(const spot& s) { return i16(s.penheight); }

// The fill's pen: a theme brush, or the ink, the fill pattern and the fill colours.
void setfillpen(const spot& s, i16 depth) {
  if (s.themefill) {
    NormalizeThemeDrawingState();
    SetThemePen(s.themefill, depth, depth > 1);
    return;
  }
  penmode(i16(s.ink));
  const Pattern pat = patternof(s.fillpat);
  PenPat(&pat);
  setobjectcolours(s, ObjectPart::fill);
}

// The pen of the ink with the pen pattern and the pen colours.
void setinkpen(const spot& s) {
  penmode(i16(s.ink));
  const Pattern pat = patternof(s.penpat);
  PenPat(&pat);
  setobjectcolours(s, ObjectPart::pen);
}

// The frame's pen: a theme brush or the ink's pen, and the pen size.
void setframepen(const spot& s, i16 depth) {
  if (s.themepen) SetThemePen(s.themepen, depth, depth > 1);
  else setinkpen(s);
  PenSize(penwidth(s), penheight(s));
}

// The edit outline of an object without a pen: the outline pattern, a 1-pixel pen.
bool outlined(i16 outline) { return outline == outlinegraphics || outline == outlineall; }
void setoutlinepen() {
  PenPat(&kOutlinePattern);
  PenSize(1, 1);
}

// Paints a shape's fill: inside the pen when there is one (nothing when the pen leaves no
// room; a round rectangle's corners shrink with it), a polygon whole.
void paintfill(const spot& s, Shape sh) {
  if (s.showpen && sh.form != Form::polygon) {
    InsetRect(&sh.r, penwidth(s), penheight(s));
    if (EmptyRect(&sh.r)) return;
    if (sh.form == Form::roundrect) {
      sh.a = i16(std::max(sh.a - 2 * penwidth(s), 0));
      sh.b = i16(std::max(sh.b - 2 * penheight(s), 0));
    }
  }
  draw(kQDGrafVerbPaint, sh);
}

// A shape graphic: the fill, then the pen's frame, or the edit outline of a graphic without
// a pen or fill.
void drawshape(spot& s, Form form, i16 outline, i16 depth) {
  const Shape sh = shapeof(s, form);
  if (s.showfill) {
    setfillpen(s, depth);
    paintfill(s, sh);
    outline = outlinenone;
  }
  // A picture graphic's image lies over its fill.
  DrawPictureInfo(s);
  if (s.showpen) {
    setframepen(s, depth);
    draw(kQDGrafVerbFrame, sh);
  } else if (outlined(outline)) {
    setoutlinepen();
    draw(kQDGrafVerbFrame, sh);
  }
}

// The text colours of a text graphic: dimmed with autoDim, else the default pair in colour.
void settextcolours(const spot& s) {
  if (s.flags & spotautodim) setextforeback(255, 0);
  else setcolourpair(255, 0);
}

LongRect longrect(const Rect& r) { return LongRect{r.top, r.left, r.bottom, r.right}; }

// Draws a text record's text into the port without erasing under it: the do-nothing erase
// hook is installed and redrawing allowed for the time of the drawing.
void drawtextrecord(WEReference we) {
  WEEraseProcPtr hook = nullptr;
  WEGetInfo(fourcc("eras"), &hook, we);
  const WEEraseProcPtr dont = getproc<289>();
  WESetInfo(fourcc("eras"), &dont, we);
  WEFeatureFlag(weFInhibitRedraw, 0, we);
  WEUpdate(nilid, we);
  WEFeatureFlag(weFInhibitRedraw, 1, we);
  WESetInfo(fourcc("eras"), &hook, we);
}

}  // namespace

Pattern patternof(const bytes<8>& stored) {
  Pattern p{};
  std::copy(std::begin(stored.b), std::end(stored.b), p.pat);
  return p;
}

void weopentextcom(WEReference we) {
  if (!commenting()) return;
  PicComment(kDrawingBegin, 0, nilhandle);
  // Justification (1 left, 2 centred, 3 right), no flip, angle 0, single line, no comment.
  u8 data[6] = {1, 0, 0, 0, 1, 0};
  if (we != nilid) {
    WEParaInfo para{};
    WEGetParaInfo(0, &para, we);
    data[0] = para.ruler.alignment == 1 ? 2 : para.ruler.alignment == -1 ? 3 : 1;
  }
  Handle h = nilhandle;
  if (PtrToHand(data, &h, sizeof data) == noErr) {
    PicComment(kTextBegin, sizeof data, h);
    DisposeHandle(h);
  }
}

void frameoutline(const Rect& r) {
  setoutlinepen();
  Rect around = r;
  InsetRect(&around, -1, -1);
  FrameRect(&around);
}

void drawrectgraphic(spot& s, i16 outline) { drawshape(s, Form::rect, outline, portdepth(currentportid())); }
void drawroundrectgraphic(spot& s, i16 outline) { drawshape(s, Form::roundrect, outline, portdepth(currentportid())); }
void LowDrawOvalGrc(spot& s, i16 outline, i16 depth) { drawshape(s, Form::oval, outline, depth); }
void LowDrawPolygonGrc(spot& s, i16 outline, i16 depth) { drawshape(s, Form::polygon, outline, depth); }
void LowDrawArcGrc(spot& s, i16 outline, i16 depth) { drawshape(s, Form::arc, outline, depth); }

void drawlinegraphic(spot& s, i16 outline) {
  if (s.showpen) setframepen(s, portdepth(currentportid()));
  else if (outlined(outline)) setoutlinepen();
  else return;
  const graphictail t = getgraphictail(s);
  MoveTo(t.point1.h, t.point1.v);
  LineTo(t.point2.h, t.point2.v);
}

void LowDrawTextGrc(spot& s, i16 outline, i16 depth) {
  Rect text = s.rect;
  if (s.showfill) {
    setfillpen(s, depth);
    PaintRect(&s.rect);
    outline = outlinenone;
  }
  DrawPictureInfo(s);
  if (s.showpen) {
    setframepen(s, depth);
    FrameRect(&s.rect);
    InsetRect(&text, penwidth(s), penheight(s));
  } else if (outlined(outline)) {
    frameoutline(s.rect);
  }
  settextcolours(s);
  const LongRect r = longrect(text);
  const WEReference we = westupidtext(r, r, s, false, false);
  weopentextcom(we);
  if (we != nilid) drawtextrecord(we);
  comment(kTextEnd);
  comment(kDrawingEnd);
  WEDispose(we);
}

void LowDrawGroupGrc(spot& s) {
  comment(kDrawingBegin);
  comment(kGroupBegin);
  const i16 before = drawnobjectstate().groupdrawing;
  drawnobjectstate().groupdrawing = 1;
  drawspot(s.data);
  drawnobjectstate().groupdrawing = before;
  comment(kGroupEnd);
  comment(kDrawingEnd);
}

void drawgraph() {
  MainGlobals& g = mainglobals();
  if (g.graphspots == nilhandle || g.graphindex < 0 || g.graphindex >= spotcount(g.graphspots)) return;
  const spot s = spotat(g.graphspots, g.graphindex);
  Rect text = s.rect;
  if (s.showpen) {
    setinkpen(s);
    PenSize(penwidth(s), penheight(s));
    FrameRect(&s.rect);
    InsetRect(&text, penwidth(s), penheight(s));
  } else {
    frameoutline(s.rect);
  }
  PenNormal();
  settextcolours(s);
  EraseRect(&text);
  if (g.graphrec != nilid && isvalidwerec(g.graphrec)) {
    const CGrafPtr before = WEGetPort(g.graphrec);
    WESetPort(currentportid(), g.graphrec);
    WEUpdate(nilid, g.graphrec);
    WESetPort(before, g.graphrec);
  }
}

void _WEDontErase(const Rect*, WEReference) {}

}  // namespace kv
