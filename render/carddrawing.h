// Card drawing: the objects of the current card drawn into the current port (the card window
// or the card offscreen world), the background layer first, then the card layer, then the
// object being edited on top of both; one object by its style; a whole object list (groups,
// pictures, printing, exports); and the redraw of one object.
#pragma once

#include <array>

#include "platform/qd/qdtypes.h"
#include "platform/runtime/root.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Outline modes: which objects that show no pen get a grey edit outline.
enum : i16 { outlinegraphics = 0, outlinebuttons = 1, outlinefields = 2, outlinenone = 3, outlineall = 4 };
// The outline pattern (50% grey).
constexpr Pattern kOutlinePattern{{0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA}};
// The outline mode of a layer under a tool: 600 all; 601 all, but none for the background
// layer unless the background is edited; 602 fields; 603 buttons; 604 graphics; others none.
i16 outlinemode(u16 tool, bool backgroundlayer, bool backgroundedited);

// How the card drawing calls the routine of an object's style: the outline mode, the object's
// list and index, and the depth of the port.
struct StyleCall {
  i16 outline;
  Handle list;
  i16 index;
  i16 depth;
};
using StyleRoutine = void (*)(spot& object, const StyleCall& call);
constexpr u16 kStyleCodes = 304;
// The routines card drawing dispatches to: one per style code (none draws nothing), and those
// that draw the open field, the painted bitmap and the edited graphic over a card. It starts
// as the renderer's own; tests may put probes into it.
struct DrawTable {
  std::array<StyleRoutine, kStyleCodes> styles{};
  void (*openfield)() = nullptr;
  void (*paintedbitmap)() = nullptr;
  void (*editedgraphic)() = nullptr;
};
DrawTable& drawtable();

// Draws the current window's card into the current port. With `settheme` the port's and the
// window's theme backgrounds are first set from the window's theme.
void backspot(u16 settheme);
// Draws object `index` of a list by its style, unless it is invisible (and the window does not
// show invisible objects) or, off-window drawing aside, its drawing bounds miss `visible`. With
// `savetheme` the theme drawing state is kept around it.
void lowdrawspots(i16 outline, Handle list, i16 index, RgnHandle visible, u16 savetheme);
// Draws every object of a list into the current port in list order, with outline mode 3; while
// a picture is recorded or off-window drawing runs, what the port cannot record (fields,
// platform controls, focus rings) is drawn through an image of each object.
void drawspot(Handle list);
// Invalidates the drawing bounds of object `index` of a list, grown by 3, in the window of the
// current port; without a list an empty rectangle grown by 3.
void invalspot(Handle list, i16 index);

// The card drawing's own flags: the object being drawn (its list and index), whether the
// no-erase procedures let erasing through, whether a group's objects are drawn, and the redraw
// asked for at resume.
struct DrawnObjectState {
  Handle drawnspots;  // the object being drawn: its list (0 none)
  i16 drawnindex;     // and its index (-1 none)
  i16 resumeredraw;   // set at resume, cleared by the card drawing
  i16 eraseallowed;   // the no-erase drawing procedures let erasing through
  i16 groupdrawing;   // a group's objects are being drawn (their selection knobs are not)
};
inline DrawnObjectState& drawnobjectstate() { return state<DrawnObjectState>(); }

}  // namespace kv
