#include "render/windowupkeep.h"

#include <algorithm>
#include <array>

#include "engine/fred.h"
#include "engine/tokens.h"
#include "platform/controls/controls.h"
#include "platform/events/events.h"
#include "platform/memory/memory.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "properties/cursors.h"
#include "properties/userprops.h"
#include "render/carddrawingimpl.h"
#include "render/controlvisibility.h"
#include "render/windowclip.h"
#include "core/mainglobals.h"
#include "shell/metal.h"
#include "shell/platformutil.h"
#include "shell/portroutines.h"
#include "store/objects.h"
#include "store/records.h"

namespace kv {

namespace {

constexpr u16 kStandardStyle = 0, kScrollingStyle = 1, kPaletteStyle = 6, kCustomPaletteStyle = 9;
constexpr u32 kResizable = 1u << 2;
constexpr u32 kNoLocalOpacity = 1u << 16;
constexpr Point kTipTextAt{11, 4};  // v, h
constexpr u8 kObjectCursorName[] = "\x0cobjectcursor";

windrec windowrecord(const desk& d) { return loadat<windrec>(deref(d.wind)); }

// The user-property lists of a record that carries one.
template <class R>
Handle upropsof(Handle record) {
  return record != nilhandle && GetHandleSize(record) >= Size(sizeof(R)) ? Handle(loadat<R>(deref(record)).uprops)
                                                                         : nilhandle;
}

// Sets the object cursor from the first of the lists that holds "objectcursor".
void findcursor(std::initializer_list<Handle> lists) {
  for (Handle list : lists) {
    if (list == nilhandle) continue;
    fred value{};
    if (proputil(list, kObjectCursorName, &value) != 0) continue;
    findefaultcurs(value, 0);
    disposfred(&value);
    return;
  }
}

// The object cursor goes (the arrow's marker is never disposed).
void dropcursor(MainGlobals& g) {
  if (g.objectcursor != kArrowCursorMarker) DisposeHandle(g.objectcursor);
  g.objectcursor = nilhandle;
}

}  // namespace

void drawgrow(const desk* context) {
  if (context == nullptr || context->window == nilid || context->wind == nilhandle) return;
  const WindowRef window = context->window;
  const windrec w = windowrecord(*context);
  const bool metal = IsMetalWindow(window);
  if (w.word2 != kStandardStyle && w.word2 != kScrollingStyle && w.word2 != kPaletteStyle && !metal) return;
  SavePort saved;
  SetPortWindowPort(window);
  // Drawn in the window's own coordinates, whatever card scroll the port has.
  modedown(window);
  if (w.flags & kResizable) {
    if (metal) {
      myDrawMetalGrow(window);
    } else if (w.word2 == kStandardStyle) {
      HeldRegion clip;
      GetClip(clip.get());
      Rect port{};
      GetWindowPortBounds(window, &port);
      const Rect corner{i16(port.bottom - kScrollBarWidth), i16(port.right - kScrollBarWidth), port.bottom, port.right};
      ClipRect(&corner);
      DrawGrowIcon(window);
      SetClip(clip.get());
    } else {
      DrawGrowIcon(window);
    }
  }
  for (ControlRef bar : {context->hscroll, context->vscroll})
    if (bar != nilid && IsValidControlHandle(bar)) Draw1Control(bar);
  modeup(window);
}

void updatetooltip() {
  const WindowRef tip = mainglobals().tooltip;
  if (tip == nilid || !IsValidWindowPtr(tip)) return;
  ShowWindow(tip);
  SavePort saved;
  SetPortWindowPort(tip);
  BeginUpdate(tip);
  EndUpdate(tip);
  Rect bounds{};
  GetWindowPortBounds(tip, &bounds);
  FillRect(&bounds, &qdwhite);
  const Handle text = Handle(u32(GetWRefCon(tip)));
  if (text != nilhandle && IsValidHandle(text)) {
    MoveTo(kTipTextAt.h, kTipTextAt.v);
    DrawText(deref(text), 0, i16(std::min<Size>(GetHandleSize(text), 255)));
  }
}

void objectcursor(i16 token) {
  MainGlobals& g = mainglobals();
  const desk& d = g.current;
  const bool over = g.mouseobject >= 0 && g.mouseobject < spotcount(g.mousespots);
  const Handle card = d.backlayer ? nilhandle : upropsof<cardrec>(d.card);
  const Handle above[] = {upropsof<backrec>(d.back), upropsof<windrec>(d.wind), upropsof<headrec>(d.head)};
  if (token == tok::mouseenter || (token == tok::set && over)) {
    if (!g.allowObjectCursors) return;
    dropcursor(g);
    const Handle object = over ? Handle(spotat(g.mousespots, g.mouseobject).uprops) : nilhandle;
    findcursor({object, card, above[0], above[1], above[2]});
  } else if (token == tok::mouseleave && g.objectcursor != nilhandle) {
    dropcursor(g);
    if (g.allowObjectCursors && !over) findcursor({card, above[0], above[1], above[2]});
  }
}

void setcontrolidleall() {
  const MainGlobals& g = mainglobals();
  if (g.winds == nilhandle) return;
  for (i32 i = std::min<i32>(g.numwinds, HandleCount<desk>(g.winds)) - 1; i >= 0; --i) {
    const desk d = HandleAs<desk>(g.winds)[i];
    setcontrolidle(d.cardspots);
    setcontrolidle(d.backspots);
  }
}

void checkwindowalpha(const desk* context) {
  const MainGlobals& g = mainglobals();
  if (context == nullptr || context->window == nilid || context->wind == nilhandle || g.paletteOpacity == 0) return;
  const windrec w = windowrecord(*context);
  if (w.word2 != kPaletteStyle && w.word2 != kCustomPaletteStyle) return;
  Rect frame{}, widths{};
  GetWindowBounds(context->window, kWindowContentRgn, &frame);
  GetWindowStructureWidths(context->window, &widths);
  frame = Rect{i16(frame.top - widths.top), i16(frame.left - widths.left), i16(frame.bottom + widths.bottom),
               i16(frame.right + widths.right)};
  Point mouse{};
  GetGlobalMouse(&mouse);
  if (PtInRect(mouse, &frame)) return;
  const i32 translucency = (w.flags & kNoLocalOpacity) ? g.paletteOpacity : i16(w.translucency);
  SetWindowAlpha(context->window, float(100 - translucency) / 100.0f);
}

}  // namespace kv
