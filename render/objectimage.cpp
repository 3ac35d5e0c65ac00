// The images of objects that a recording port cannot take as drawn: a field's theme frame,
// scroll bar and ruler, a platform control, a theme fill, a focus ring. Each is drawn into an
// offscreen image of the object's drawing bounds and copied into the port through a mask of
// its non-white pixels.
#include "commands/objectfunctions.h"
#include "fields/fieldview.h"
#include "fields/listfields.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/masks.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "platform/windows/windows.h"
#include "render/carddrawing.h"
#include "render/carddrawingimpl.h"
#include "render/drawprocs.h"
#include "render/fielddrawing.h"
#include "render/objectbounds.h"
#include "render/spotstyles.h"
#include "render/themebuttons.h"
#include "core/mainglobals.h"
#include "shell/portroutines.h"
#include "store/liveparts.h"
#include "core/memoryguard.h"
#include "store/objects.h"

namespace kv {

namespace {

constexpr i16 kDocumentBrush = 15;

bool validdepth(i16 depth) { return depth == 1 || depth == 8 || depth == 16 || depth == 32; }

// The world of an object's image, at the depth of `bufferMode`, with the colour table of the
// layer that holds the object; temporary memory first. None when it cannot be had.
GWorldPtr newimage(Handle list, const Rect& bounds, i16 depth) {
  const desk& d = mainglobals().current;
  const CTabHandle table = d.backlayer || list == d.backspots ? d.backclut : d.cardclut;
  GWorldPtr world = nilid;
  if (NewGWorld(&world, depth, &bounds, table, nilhandle, useTempMem) == noErr) return world;
  if (NewGWorld(&world, depth, &bounds, table, nilhandle, 0) == noErr) return world;
  return nilid;
}

// A text field's scroll bar and ruler, drawn from its text record: the open field's, the one
// the field keeps, a new one kept in a field that allows objects (made with messages locked),
// or a temporary one from its stored text.
void drawfieldparts(Handle list, i16 index, spot& s) {
  MainGlobals& g = mainglobals();
  LongRect dest{}, view{};
  ldestview(s, &dest, &view);
  WEReference we = nilid;
  bool temporary = false;
  if (isopenfield(list, index)) {
    we = g.openfieldrec;
  } else if (livefield(s) != 0) {
    we = livefield(s);
  } else if (s.flags & spotallowobjects) {
    const i16 locked = g.lockMessages;
    g.lockMessages = 1;
    we = westupidertext(dest, view, s);
    g.lockMessages = locked;
    if (we != nilid) putspot(list, index, s);
  } else {
    we = westupidtext(dest, view, s, (s.flags & spotdontwrap) != 0, s.style == stylefieldscroll);
    temporary = true;
  }
  if (we == nilid) return;
  const CGrafPtr before = WEGetPort(we);
  WESetPort(currentportid(), we);
  wefakecontrol(s, we);
  wefakerulercontrol(s, we);
  WESetPort(before, we);
  if (temporary) WEDispose(we);
}

// The non-white pixels of an image as a region (in the image's coordinates); none when the
// mask's memory cannot be had.
RgnHandle nonwhite(GWorldPtr image, const Rect& bounds) {
  const i16 w = i16(bounds.right - bounds.left), h = i16(bounds.bottom - bounds.top);
  if (memoryrefused(Size(pixmaprowbytes(w, 1)) * h)) return nilid;
  const Rect maskrect{0, 0, h, w};
  GWorldPtr mask = nilid;
  if (NewGWorld(&mask, 1, &maskrect, nilhandle, nilhandle, 0) != noErr) return nilid;
  RgnHandle rgn = NewRgn();
  if (rgn != nilid) {
    SavePort saved;
    SetGWorld(mask, nilhandle);
    AddSearch(bwmatchproc);
    CopyBits(GetPortBitMapForCopyBits(image), GetPortBitMapForCopyBits(mask), &bounds, &maskrect, srcCopy, nilid);
    DelSearch(bwmatchproc);
    BitMapToRegion(rgn, GetPortBitMapForCopyBits(mask));
    OffsetRgn(rgn, bounds.left, bounds.top);
  }
  DisposeGWorld(mask);
  return rgn;
}

}  // namespace

void drawobjectimage(Handle list, i16 index, RgnHandle visible) {
  MainGlobals& g = mainglobals();
  spot s = spotat(list, index);
  if (!drawable(s, visible)) return;
  Rect bounds{};
  lowcalc(&s, &bounds);
  const bool control = isplatformcontrol(s);
  if (!control) {
    lowdrawspots(outlinenone, list, index, visible, 0);
    s = spotat(list, index);
  }
  const bool field = s.kind == spotfield, graphic = s.kind == spotgraphic;
  const bool focus = (s.flags & spotfocushilite) != 0;
  const bool themegraphic = graphic && s.themefill && getaltdata(s.alt, altpictinfo) == nilhandle;
  if (!field && !control && !(graphic && (focus || themegraphic)) && !(s.kind == spotbutton && focus)) return;
  const i16 depth = validdepth(g.bufferMode) ? g.bufferMode : 32;
  const GWorldPtr image = newimage(list, bounds, depth);
  if (image == nilid) return;
  const CGrafPtr port = currentportid();
  const bool active = g.current.window != nilid && IsWindowHilited(g.current.window);
  RgnHandle ring = nilid;
  {
    SavePort saved;
    SetGWorld(image, nilhandle);
    SetThemeBackground(getheme(&g.current), depth, true);
    EraseRect(&bounds);
    // No edit outlines in the image.
    const u16 tool = g.current.tool;
    g.current.tool = kBrowseTool;
    const bool textfield = s.style == stylefieldrect || s.style == stylefieldscroll;
    if (textfield) drawfieldparts(list, index, s);
    // A scrolling list gets a real scroll bar from its list's scroll state.
    if (s.style == stylefieldscrolllist) drawlistbarimage(s, active);
    if (textfield && (s.flags & spotshowframe))
      DrawThemeEditTextFrame(&s.rect, active ? kThemeStateActive : kThemeStateInactive);
    if (control || themegraphic) lowdrawspots(outlinenone, list, index, visible, 0);
    if (focus && !control) {
      getrgnfromspot(s, &ring);
      if (ring != nilid && graphic) InsetRgn(ring, i16(-i16(s.penwidth)), i16(-i16(s.penheight)));
      if (ring != nilid) DrawThemeFocusRegion(ring, true);
    }
    g.current.tool = tool;
    SetThemeBackground(kDocumentBrush, depth, true);
    BackPat(&qdwhite);
    restcolor();
  }
  RgnHandle mask = nonwhite(image, bounds);
  if (mask != nilid && ring != nilid && s.style <= stylepolybutton) {
    // The object itself was drawn into the port already: only its ring comes from the image.
    InsetRgn(ring, 1, 1);
    DiffRgn(mask, ring, mask);
  }
  const i16 mode = graphic || (control && s.style != styleprimarygroup) ? srcCopy : transparent;
  CopyBits(GetPortBitMapForCopyBits(image), GetPortBitMapForCopyBits(port), &bounds, &bounds, mode, mask);
  DisposeRgn(mask);
  DisposeRgn(ring);
  DisposeGWorld(image);
}

}  // namespace kv
