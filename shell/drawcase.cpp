#include "shell/drawcase.h"

#include <algorithm>

#include "render/drawroutines.h"
#include "media/movies.h"
#include "platform/memory/memory.h"
#include "platform/qd/colors.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "render/carddrawing.h"
#include "render/controlvisibility.h"
#include "render/selectionknobs.h"
#include "render/themebuttons.h"
#include "render/windowclip.h"
#include "render/windowupkeep.h"
#include "shell/eventqueue.h"
#include "core/mainglobals.h"
#include "shell/windtable.h"
#include "store/records.h"
#include "system/proctable.h"

namespace kv {

namespace {

constexpr RGBColor kBlack{0, 0, 0};

// The card's size: the background's width (h) and height (v); none without a background.
Point cardsize(const desk& d) {
  if (d.back == nilhandle || GetHandleSize(d.back) < Size(sizeof(backrec))) return Point{0, 0};
  const backrec b = loadat<backrec>(deref(d.back));
  return Point{i16(std::min<u32>(b.height, 32767)), i16(std::min<u32>(b.width, 32767))};
}

// The interior beside and below the card is grey, edged by a black line along the card's
// right and bottom sides.
void gutters(const Rect& area, Point card) {
  const i16 w = card.h, h = card.v;
  if (area.right > w) {
    const Rect right{area.top, i16(w + 1), area.bottom, area.right};
    RGBForeColor(&kGutterGrey);
    PaintRect(&right);
    RGBForeColor(&kBlack);
    MoveTo(w, 0);
    LineTo(w, h);
  }
  if (area.bottom > h) {
    const Rect below{i16(h + 1), area.left, area.bottom, i16(w + 1)};
    RGBForeColor(&kGutterGrey);
    PaintRect(&below);
    RGBForeColor(&kBlack);
    MoveTo(0, h);
    LineTo(w, h);
  }
}

// Whether selection knobs stay off this drawing: while a picture is recorded from the port, or
// a card is drawn off the window or as an image.
bool knobsheld(CGrafPtr port) {
  const MainGlobals& g = mainglobals();
  return portrecordingpicture(port) || g.offwindowdrawing || g.imagedrawing;
}

// The movies of the current window, drawn within the card area.
void lowdrawmovies(WindowRef window) {
  Rect area{};
  getinterior(&area);
  for (const moovrec& m : movietable()) {
    if (m.window != window || m.removed || m.controller == nilid || !IsValidMovieController(m.controller)) continue;
    RgnHandle clip = NewRgn();
    RectRgn(clip, area);
    if (m.clip != nilid) SectRgn(clip, m.clip, clip);
    RgnHandle movieclip = GetMovieDisplayClipRgn(m.movie);
    MCSetClip(m.controller, clip, movieclip);
    if (movieclip != nilid) DisposeRgn(movieclip);
    DisposeRgn(clip);
    MCDraw(m.controller);
  }
}

}  // namespace

i16 drawcase(i16 flush) {
  MainGlobals& g = mainglobals();
  const desk d = g.current;
  const CGrafPtr port = currentportid();
  if (!IsValidPort(port)) return 0;
  const i16 pen = GetPortPenVisibility(port);
  if (flush && pen < 0) return pen;
  const PixMapHandle pixels = GetPortPixMap(port);
  LockPixels(pixels);
  PenNormal();
  ThemeDrawingState theme = nilhandle;
  GetThemeDrawingState(&theme);
  NormalizeThemeDrawingState();
  Rect area{};
  getinterior(&area);
  ClipRect(&area);
  const Point card = cardsize(d);
  gutters(area, card);
  ClipRect(&area);
  if (d.window != nilid) SquashControls(d.window);
  // The card's own rectangle is erased: the gutters beside it stay.
  SetThemeBackground(getheme(&d), portdepth(port), true);
  const Rect whole{0, 0, card.v, card.h};
  Rect erase{};
  if (SectRect(&whole, &area, &erase)) myEraseRect(&erase, &d);
  backspot(0);
  if (!knobsheld(port)) {
    drawact(d.backspots);
    drawact(d.cardspots);
  }
  UnlockPixels(pixels);
  if (d.window != nilid) UnsquashDefaults(&d, 0);
  if (theme != nilhandle) SetThemeDrawingState(theme, true);
  if (flush) EconomyFlush(port, nilid);
  return 0;
}

void drawframe(WindowRef window) {
  MainGlobals& g = mainglobals();
  if (window == nilid || g.numwinds == 0) return;
  desk d{};
  if (getwind(window, &d) == 0 || !IsValidWindowPtr(window)) return;
  const desk saved = g.current;
  // The current window's context may be newer than its table entry.
  if (window != saved.window) g.current = d;
  SavePort port;
  SetPortWindowPort(window);
  if (auto rectbar = getproc<344>()) rectbar();
  if (auto fixbar = getproc<343>()) fixbar();
  drawcase(1);
  const desk drawn = g.current;
  drawgrow(&drawn);
  if (openmoviecount() > 0 && IsValidWindowPtr(window)) {
    SetPortWindowPort(window);
    lowdrawmovies(window);
  }
  g.current = saved;
}

void drawinval() {
  const CGrafPtr port = currentportid();
  const WindowRef window = IsValidPort(port) ? GetWindowFromPort(port) : nilid;
  if (window == nilid) return;
  const i16 pen = GetPortPenVisibility(port);
  BeginUpdate(window);
  drawcase(1);
  EndUpdate(window);
  SetPortPenVisibility(port, pen);
}

void drawmovies(WindowRef window) {
  MainGlobals& g = mainglobals();
  if (window == nilid || !IsValidWindowPtr(window) || openmoviecount() == 0) return;
  const desk saved = g.current;
  if (window != saved.window) {
    desk d{};
    if (getwind(window, &d) == 0) return;
    g.current = d;
  }
  SavePort port;
  SetPortWindowPort(window);
  lowdrawmovies(window);
  g.current = saved;
}

}  // namespace kv
