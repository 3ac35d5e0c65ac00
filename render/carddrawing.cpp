#include "render/carddrawing.h"

#include <optional>
#include <vector>

#include "commands/objectfunctions.h"
#include "render/drawroutines.h"
#include "fields/listfields.h"
#include "platform/qd/colors.h"
#include "platform/qd/pictures.h"
#include "platform/qd/ports.h"
#include "platform/runtime/root.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "render/carddrawingimpl.h"
#include "render/classicbuttons.h"
#include "render/drawprocs.h"
#include "render/fielddrawing.h"
#include "render/graphicdrawing.h"
#include "render/objectbounds.h"
#include "render/offscreen.h"
#include "render/spotstyles.h"
#include "render/themebuttons.h"
#include "core/mainglobals.h"
#include "shell/metal.h"
#include "shell/portroutines.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

constexpr u32 kWindowShowsInvisibles = 1u << 7;
constexpr u16 kPointerTool = 600, kSelectTool = 601, kFieldTool = 602, kButtonTool = 603, kGraphicTool = 604;
constexpr RGBColor kDisabledGrey{35000, 35000, 35000};

// --- The style table: each style code to the routine that draws it ---------------------------

template <void (*F)(spot&, i16)>
void outlined(spot& s, const StyleCall& c) {
  F(s, c.outline);
}
template <void (*F)(spot&, i16, i16)>
void shaped(spot& s, const StyleCall& c) {
  F(s, c.outline, c.depth);
}
template <void (*F)(spot&)>
void plain(spot& s, const StyleCall&) {
  F(s);
}
template <void (*F)(spot&, Handle, i16)>
void themed(spot& s, const StyleCall& c) {
  F(s, c.list, c.index);
}
void textfield(spot& s, const StyleCall& c) { LowDrawField(s, c.outline, c.list, c.index, c.depth); }
void listfield(spot& s, const StyleCall& c) {
  if (livefield(s) == 0) forcelistload(s, 0);
  LowDrawField(s, c.outline, c.list, c.index, c.depth);
}

struct StyleRow {
  u16 style;
  StyleRoutine routine;
};
// Styles 208, 224 and 227, and every code not listed, draw nothing.
constexpr StyleRow kStyleRows[] = {
    {100, outlined<drawrectgraphic>},
    {101, outlined<drawroundrectgraphic>},
    {102, shaped<LowDrawOvalGrc>},
    {103, outlined<drawlinegraphic>},
    {104, shaped<LowDrawPolygonGrc>},
    {105, plain<LowDrawPaintGrc>},
    {106, shaped<LowDrawTextGrc>},
    {107, shaped<LowDrawArcGrc>},
    {108, plain<LowDrawGroupGrc>},
    {200, outlined<drawrectbutton>},
    {201, themed<DrawNewPushBtn>},
    {202, outlined<LowDrawPolygonBtn>},
    {203, themed<DrawNewCheckboxOrRadioBtn>},
    {204, themed<DrawNewCheckboxOrRadioBtn>},
    {205, themed<DrawNewBevelBtn>},
    {206, themed<DrawPopupBtn>},
    {207, themed<DrawRoundBtn>},
    {209, themed<DrawNewSliderBtn>},
    {210, themed<DrawTabsBtn>},
    {211, themed<DrawImageWellBtn>},
    {212, themed<DrawDisclosureArrowBtn>},
    {213, themed<DrawNewScrollBarBtn>},
    {214, themed<DrawNewProgressBarBtn>},
    {215, themed<DrawNewIndeterminateBarBtn>},
    {216, themed<DrawNewRelevanceBarBtn>},
    {217, themed<DrawLittleArrowsBtn>},
    {218, themed<DrawChasingArrowsBtn>},
    {219, themed<DrawDisclosureTriangleBtn>},
    {220, themed<DrawPrimaryGroupBtn>},
    {221, themed<DrawSecondaryGroupBtn>},
    {222, themed<DrawPopupArrowBtn>},
    {223, themed<DrawPlacardBtn>},
    {225, themed<DrawWindowHeaderBtn>},
    {226, themed<DrawListHeaderBtn>},
    {228, themed<DrawSeparatorBtn>},
    {229, themed<DrawDataBrowserBtn>},
    {300, textfield},
    {301, textfield},
    {302, listfield},
    {303, listfield},
};

struct CardDrawingState {
  DrawTable table;
  std::vector<RgnHandle> held;  // the regions of HeldRegion, one per level of nesting
  std::size_t depth = 0;
  // The drawing layer's state comes first, so that the regions can still be disposed.
  CardDrawingState() {
    for (const StyleRow& row : kStyleRows) table.styles[row.style] = row.routine;
    table.openfield = drawopenfield;
    table.paintedbitmap = drawbmap;
    table.editedgraphic = drawgraph;
    CGrafPtr port = nilid;
    GDHandle device = nilhandle;
    GetGWorld(&port, &device);
  }
  CardDrawingState(const CardDrawingState&) = delete;
  CardDrawingState& operator=(const CardDrawingState&) = delete;
  ~CardDrawingState() {
    for (RgnHandle r : held) DisposeRgn(r);
  }
};
CardDrawingState& cds() { return state<CardDrawingState>(); }

// The object being painted or edited in the current window is drawn last, not in its layer.
bool isedited(Handle list, i16 index) {
  const MainGlobals& g = mainglobals();
  const WindowRef w = g.current.window;
  if (w == nilid) return false;
  return isopenfield(list, index) || (g.graphwindow == w && g.graphspots == list && g.graphindex == index) ||
         (g.bmapwindow == w && g.bmapspots == list && g.bmapindex == index);
}

void drawlayer(Handle list, i16 outline, RgnHandle visible) {
  for (i32 i = 0, n = spotcount(list); i < n; ++i)
    if (!isedited(list, i16(i))) lowdrawspots(outline, list, i16(i), visible, 0);
}

bool windowhilited() {
  const WindowRef w = mainglobals().current.window;
  return w != nilid && IsWindowHilited(w);
}

}  // namespace

// --- Shared with the images of objects ------------------------------------------------------

bool showsinvisibles() {
  const desk& d = mainglobals().current;
  return d.wind != nilhandle && (loadat<windrec>(deref(d.wind)).flags & kWindowShowsInvisibles);
}

bool drawable(const spot& s, RgnHandle visible) {
  if (!(s.flags & spotvisible) && !showsinvisibles()) return false;
  Rect bounds{};
  lowcalc(&s, &bounds);
  return mainglobals().offwindowdrawing || RectInRgn(bounds, visible);
}

// Whether the object's style is one of its kind's. What drawing a button or a field attaches
// to the object (a control, a text record) goes with the object's kind when it goes, so a
// damaged object whose style is a field's or a button's while it is not one is not drawn in
// that style: a graphic drawn as a field kept its text record for ever.
bool styleofitskind(const spot& s) {
  if (s.style >= stylefieldrect) return s.kind == spotfield;
  if (s.style >= stylebuttonrect) return s.kind == spotbutton;
  return true;
}

bool isopenfield(Handle list, i16 index) {
  const MainGlobals& g = mainglobals();
  return g.current.window != nilid && g.openfieldwindow == g.current.window && g.openfieldspots == list &&
         g.openfield == index;
}

HeldRegion::HeldRegion() {
  CardDrawingState& s = cds();
  if (s.held.size() <= s.depth) s.held.push_back(NewRgn());
  rgn_ = s.held[s.depth++];
}

HeldRegion::~HeldRegion() { --cds().depth; }

// --- Card drawing ---------------------------------------------------------------------------

DrawTable& drawtable() { return cds().table; }

i16 outlinemode(u16 tool, bool backgroundlayer, bool backgroundedited) {
  switch (tool) {
    case kPointerTool: return outlineall;
    case kSelectTool: return backgroundlayer && !backgroundedited ? outlinenone : outlineall;
    case kFieldTool: return outlinefields;
    case kButtonTool: return outlinebuttons;
    case kGraphicTool: return outlinegraphics;
    default: return outlinenone;
  }
}

void backspot(u16 settheme) {
  MainGlobals& g = mainglobals();
  const desk d = g.current;
  const WindowRef window = d.window;
  const CGrafPtr port = currentportid();
  if (!IsValidPort(port)) return;
  drawnobjectstate().resumeredraw = 0;
  std::optional<OffWindowProcs> procs;
  if (g.offwindowdrawing) procs.emplace(port);
  HeldRegion visible;
  GetPortVisibleRegion(port, visible.get());
  const PixMapHandle pixels = GetPortPixMap(port);
  LockPixels(pixels);
  NormalizeThemeDrawingState();
  if (settheme) {
    const i16 brush = getheme(&d);
    SetThemeBackground(brush, portdepth(port), true);
    if (window != nilid) SetThemeWindowBackground(window, brush, false);
  }
  const DrawTable& table = drawtable();
  g.currentclut = d.backclut;
  drawlayer(d.backspots, outlinemode(d.tool, true, d.backlayer), visible.get());
  if (!d.backlayer) {
    g.currentclut = d.cardclut;
    drawlayer(d.cardspots, outlinemode(d.tool, false, false), visible.get());
  }
  if (window != nilid && g.openfieldwindow == window && table.openfield) {
    g.currentclut = g.openfieldclut;
    table.openfield();
  }
  if (window != nilid && g.bmapwindow == window && table.paintedbitmap) {
    g.currentclut = g.bmapclut;
    table.paintedbitmap();
  }
  if (window != nilid && g.graphwindow == window && table.editedgraphic) table.editedgraphic();
  SetPortVisibleRegion(port, visible.get());
  UnlockPixels(pixels);
}

void lowdrawspots(i16 outline, Handle list, i16 index, RgnHandle visible, u16 savetheme) {
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return;
  MainGlobals& g = mainglobals();
  spot s = spotat(list, index);
  if (!drawable(s, visible)) return;
  const CGrafPtr port = currentportid();
  const WindowRef window = g.current.window;
  const i16 penlevel = GetPortPenVisibility(port);
  // The theme state is kept (and normalised) before the colours are set, so that the grey of
  // a disabled object stays.
  ThemeDrawingState theme = nilhandle;
  if (savetheme && GetThemeDrawingState(&theme) == noErr) NormalizeThemeDrawingState();
  PenNormal();
  restcolor();
  if (devicedepth(GetMainDevice()) >= 8 && GetOffScreenDepth() >= 8 && (s.flags & spotdisabled))
    RGBForeColor(&kDisabledGrey);
  drawnobjectstate().drawnspots = list;
  drawnobjectstate().drawnindex = index;
  std::optional<QDProcs> metalprocs;
  if (window != nilid && IsMetalWindow(window)) {
    metalprocs.emplace();
    GetPortGrafProcs(port, &*metalprocs);
    setstandarderaseprocs(port);
  }
  if (StyleRoutine routine = s.style < kStyleCodes && styleofitskind(s) ? drawtable().styles[s.style] : nullptr)
    routine(s, StyleCall{outline, list, index, portdepth(port)});
  if (metalprocs) SetPortGrafProcs(port, &*metalprocs);
  // What drawing attached to the object (a text record, a list, a control) lives in runtime
  // slots that are never stored: the copy goes back into the list, and no record is marked
  // changed for it.
  const bool attaches = s.kind == spotbutton || s.kind == spotfield || s.style == stylebitmap || s.style == styletext ||
                        s.style == stylegroup;
  if (attaches && index < spotcount(list)) putspot(list, index, s);
  const bool ring = (s.flags & spotfocushilite) && !isplatformcontrol(s) && !isopenfield(list, index) &&
                    !(s.kind == spotfield && g.offwindowdrawing);
  if (ring) {
    RgnHandle shape = nilid;
    getrgnfromspot(s, &shape);
    if (shape != nilid) DrawThemeFocusRegion(shape, windowhilited());
    DisposeRgn(shape);
  }
  SetPortPenVisibility(port, penlevel);
  restcolor();
  if (theme != nilhandle) SetThemeDrawingState(theme, true);
  drawnobjectstate().drawnspots = nilhandle;
  drawnobjectstate().drawnindex = -1;
}

void drawspot(Handle list) {
  MainGlobals& g = mainglobals();
  const CGrafPtr port = currentportid();
  if (list == nilhandle || !IsValidPort(port)) return;
  // The record of the open field, or of the edited graphic, gets its port back at the end.
  const WEReference record = g.openfield >= 0 ? g.openfieldrec : g.graphrec;
  const CGrafPtr recordport = record != nilid ? WEGetPort(record) : nilid;
  if (list == g.openfieldspots && g.openfield >= 0 && g.openfield < spotcount(list)) {
    spot f = spotat(list, g.openfield);
    if (f.style != stylefieldrect && f.style != stylefieldscroll) {
      packlivefield(f);
      putspot(list, g.openfield, f);
    }
  }
  HeldRegion visible;
  GetPortVisibleRegion(port, visible.get());
  ThemeDrawingState theme = nilhandle;
  GetThemeDrawingState(&theme);
  {
    std::optional<OffWindowProcs> procs;
    if (g.offwindowdrawing) procs.emplace(port);
    const bool images = g.offwindowdrawing || portrecordingpicture(port);
    for (i32 i = 0, n = spotcount(list); i < n; ++i) {
      if (images) drawobjectimage(list, i16(i), visible.get());
      else lowdrawspots(outlinenone, list, i16(i), visible.get(), 0);
    }
    SetPortVisibleRegion(port, visible.get());
    if (theme != nilhandle) SetThemeDrawingState(theme, true);
    if (recordport != nilid) WESetPort(recordport, record);
  }
}

void invalspot(Handle list, i16 index) {
  Rect r{};
  calcspot(list, index, &r);
  const WindowRef window = GetWindowFromPort(currentportid());
  if (window == nilid) return;
  const Rect area = growrect(r, 3);
  InvalWindowRect(window, &area);
}

}  // namespace kv
