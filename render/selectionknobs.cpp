#include "render/selectionknobs.h"

#include <vector>

#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "render/carddrawingimpl.h"
#include "render/spotgeometry.h"
#include "render/spotstyles.h"
#include "render/windowclip.h"
#include "core/mainglobals.h"
#include "store/objects.h"
#include "render/carddrawing.h"

namespace kv {

namespace {

constexpr u16 kFirstSelectionTool = 600;

bool inlist(Handle list, i16 index) { return list != nilhandle && index >= 0 && index < spotcount(list); }

// Paints a knob in pattern black, or grey, cut to the window's interior.
void paintknob(const Rect& knob, bool grey) {
  Rect interior{}, cut{};
  getinterior(&interior);
  if (!SectRect(&knob, &interior, &cut)) return;
  PenPat(grey ? &qdgray : &qdblack);
  PaintRect(&cut);
  PenPat(&qdblack);
}

// The four 5 x 5 knobs around the corners of a rectangle.
void cornerknobs(const Rect& r, bool grey) {
  const i16 t = r.top, l = r.left, b = r.bottom, rt = r.right;
  const Rect knobs[4] = {{i16(t - 3), i16(l - 3), i16(t + 2), i16(l + 2)},
                         {i16(t - 3), i16(rt - 2), i16(t + 2), i16(rt + 3)},
                         {i16(b - 2), i16(rt - 2), i16(b + 3), i16(rt + 3)},
                         {i16(b - 2), i16(l - 3), i16(b + 3), i16(l + 2)}};
  for (const Rect& k : knobs) paintknob(k, grey);
}

// The knobs of one object by its selection state.
void knobs(spot& s, u16 state, bool grey) {
  const graphictail t = getgraphictail(s);
  switch (state) {
    case knobscorners: cornerknobs(s.rect, grey); return;
    case knobspolygon:
    case knobsfirstpoint: {
      const std::vector<Point> pts = polypoints(s.data);
      for (std::size_t i = 0; i < pts.size() && (state == knobspolygon || i == 0); ++i) drawknob(pts[i], grey);
      return;
    }
    case knobsline:
      drawknob(t.point1, grey);
      drawknob(t.point2, grey);
      return;
    case knobsarc: {
      const Rect oval = arcoval(s);
      Point p{};
      arcpoint(oval, i16(t.startangle), &p);
      drawknob(p, grey);
      arcpoint(oval, i16(i16(t.startangle) + i16(t.arcangle)), &p);
      drawknob(p, grey);
      return;
    }
    default: return;
  }
}

}  // namespace

void drawknob(Point pt, i16 grey) {
  paintknob(Rect{i16(pt.v - 2), i16(pt.h - 2), i16(pt.v + 3), i16(pt.h + 3)}, grey != 0);
}

void selone(Handle list, i16 index) {
  if (!inlist(list, index)) return;
  spot s = spotat(list, index);
  if (!(s.flags & spotvisible) && !showsinvisibles()) return;
  s.selected = s.style == styleline ? knobsline : knobscorners;
  putspot(list, index, s);
}

void drawhand(Handle list, i16 index) {
  const MainGlobals& g = mainglobals();
  const desk& d = g.current;
  if (!inlist(list, index) || d.tool < kFirstSelectionTool || drawnobjectstate().groupdrawing) return;
  if (list == d.cardspots && d.backlayer) return;
  spot s = spotat(list, index);
  if (!(s.flags & spotvisible) && !showsinvisibles()) return;
  u16 state = s.selected;
  if ((state == knobspolygon || state == knobsfirstpoint) && s.data == nilhandle) {
    // A polygon state without a polygon falls back to the corners.
    state = s.selected = knobscorners;
    putspot(list, index, s);
  }
  if (state == knobsnone || state > knobsarc) return;
  HeldRegion clip;
  GetClip(clip.get());
  ThemeDrawingState theme = nilhandle;
  GetThemeDrawingState(&theme);
  NormalizeThemeDrawingState();
  PenNormal();
  PenMode(patXor);
  Rect interior{};
  getinterior(&interior);
  {
    HeldRegion inside;
    RectRgn(inside.get(), interior);
    SectRgn(inside.get(), clip.get(), inside.get());
    SetClip(inside.get());
  }
  knobs(s, state, (s.flags & spotlocked) != 0);
  SetClip(clip.get());
  if (theme != nilhandle) SetThemeDrawingState(theme, true);
}

void drawactone(Handle list, i16 index) {
  const desk& d = mainglobals().current;
  if (d.tool >= kFirstSelectionTool && !(list == d.cardspots && d.backlayer)) drawhand(list, index);
}

void drawact(Handle list) {
  for (i32 i = 0, n = spotcount(list); i < n; ++i) drawactone(list, i16(i));
}

void hilitespot(Handle list, i16 operation, i16 draw) {
  for (i32 i = 0, n = spotcount(list); i < n; ++i) {
    const i16 index = i16(i);
    const bool selected = spotat(list, index).selected != knobsnone;
    if (operation == 1 && selected) {
      if (draw) drawhand(list, index);
      spot s = spotat(list, index);
      s.selected = knobsnone;
      putspot(list, index, s);
    } else if (operation == 2 && selected && draw) {
      drawhand(list, index);
    } else if (operation == 0 && !selected) {
      selone(list, index);
      if (draw) drawhand(list, index);
    }
  }
}

void unhiliteall() {
  const desk& d = mainglobals().current;
  if (!d.backlayer) hilitespot(d.cardspots, 1, 1);
  hilitespot(d.backspots, 1, 1);
}

}  // namespace kv
