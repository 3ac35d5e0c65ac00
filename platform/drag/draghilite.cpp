// The drop-area hilite: a band 3 pixels wide along a region's edge (inside or outside it),
// painted in the theme's drag-hilite colour into the current port. The pixels under the band
// are kept and put back when the hilite is hidden, so the window needs no redrawing.
#include "platform/drag/draghilite.h"

#include "platform/drag/dragstate.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"

namespace kv {

namespace {
constexpr i16 kDragHiliteBrush = 14;
constexpr i16 kDragHiliteWidth = 3;
}  // namespace

OSErr ShowDragHilite(DragRef drag, RgnHandle hiliteArea, bool inside) {
  if (!IsValidDrag(drag)) return badDragRefErr;
  if (!IsValidRgn(hiliteArea)) return paramErr;
  HideDragHilite(drag);
  GrafPtr port = nilid;
  GetPort(&port);
  if (!IsValidPort(port)) return paramErr;
  RgnHandle band = NewRgn(), edge = NewRgn();
  CopyRgn(hiliteArea, edge);
  if (inside) {
    InsetRgn(edge, kDragHiliteWidth, kDragHiliteWidth);
    DiffRgn(hiliteArea, edge, band);
  } else {
    InsetRgn(edge, -kDragHiliteWidth, -kDragHiliteWidth);
    DiffRgn(edge, hiliteArea, band);
  }
  DisposeRgn(edge);
  const Rect b = regionbounds(band);
  GWorldPtr saved = nilid;
  if (EmptyRgn(band) || NewGWorld(&saved, 32, &b, 0, 0, 0) != noErr) {
    DisposeRgn(band);
    return EmptyRgn(hiliteArea) ? OSErr(noErr) : OSErr(memFullErr);
  }
  CopyBits(GetPortBitMapForCopyBits(port), GetPortBitMapForCopyBits(saved), &b, &b, srcCopy, nilid);
  SetPort(port);
  RGBColor fore{}, colour{};
  GetForeColor(&fore);
  PenState pen{};
  GetPenState(&pen);
  PenNormal();
  themebrushcolour(kDragHiliteBrush, true, &colour);
  RGBForeColor(&colour);
  PaintRgn(band);
  RGBForeColor(&fore);
  SetPenState(&pen);
  dragstate().hilite = DragHiliteShown{drag, port, band, saved};
  return noErr;
}

OSErr HideDragHilite(DragRef drag) {
  if (!IsValidDrag(drag)) return badDragRefErr;
  DragHiliteShown& h = dragstate().hilite;
  if (h.drag == nilid) return noErr;
  if (IsValidPort(h.port) && IsValidPort(h.saved)) {
    const Rect b = regionbounds(h.band);
    CopyBits(GetPortBitMapForCopyBits(h.saved), GetPortBitMapForCopyBits(h.port), &b, &b, srcCopy, h.band);
  }
  if (IsValidPort(h.saved)) DisposeGWorld(h.saved);
  if (IsValidRgn(h.band)) DisposeRgn(h.band);
  h = DragHiliteShown{};
  return noErr;
}

bool draghiliteshown() { return dragstate().hilite.drag != nilid; }

}  // namespace kv
