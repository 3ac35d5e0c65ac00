// The paint session: one bitmap graphic (style 105) open for painting at a time, its pixel
// image bound to offscreen ports while the paint tools draw into it, and the routines every
// paint tool shares (the start of a tool, binding the image, the pen and fill settings, and
// showing what a tool changed in the window).
#pragma once

#include <array>

#include "platform/qd/qdtypes.h"
#include "platform/runtime/root.h"
#include "platform/te/te.h"
#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

struct spot;

// The session's state. The ports and worlds are registry ids and the window a window
// reference, each checked before use; `image` is the painted object's own data handle (a
// depth-8 image: one colour index a byte, rows padded to 4 bytes, index 0 white).
struct PaintSession {
  i16 index = -1;      // the painted object's index in `list`; -1: no session
  u16 changed = 0;     // a tool altered the image: the layer record is marked at close
  u32 layerrecid = 0;  // the card or background record owning `list`
  u16 selectionactive = 0, lassoactive = 0, textactive = 0, selectioninplace = 0;
  RegistryId store = 0;  // the open project store of the layer
  Handle list = 0;       // the card's or background's object list
  WindowRef window = 0;
  Handle clut = 0;     // the layer's colour table (a standard one of the session's own when it has none)
  Handle ownclut = 0;  // that standard table, disposed at close
  u32 imagesize = 0;
  Pattern ants{};     // the marching-ants pattern of a selection
  u16 antsphase = 0;  // steps of the ants; the pattern is that of phase antsphase % 8
  u16 colour = 0;     // the object's colour flag (1 once opened)
  Rect selection{};
  Rect rect{};  // the object's rectangle: paint coordinates are window coordinates in it
  Handle image = 0;
  Handle selcopy = 0;     // working copy for a floating selection
  Handle strokecopy = 0;  // the image as it was before the current stroke
  TEHandle text = 0;      // the typed paint text (its view far outside the window)
  u16 pastekind = 0;
  Point textorigin{};
  u16 caretblinks = 0;  // the caret is painted black on odd counts
  CGrafPtr imageport = 0, copyport = 0, scratchport = 0;
  GWorldPtr maskworld = 0;  // depth 1 over `rect`, pixels locked for the session
  GWorldPtr textworld = 0;  // depth 8 over `rect` with the layer's table
  bool closing = false;     // putdownbmap is under way
};
PaintSession& paintsession();

// Opens a session on bitmap `index` of a list; "openPaint" is sent with `send`. 0, 37 (memory),
// 104 (a colour bitmap while colorWorld is off) or the status of "openPaint"; 0 at once while a
// session is open.
i16 putupbits(Handle list, i16 index, i16 send);
// The start of every paint tool: 0 to paint on in the open session, -993 when nothing was
// made, -992 when a new bitmap was dragged out and opened, or an error.
i16 firstbits(Handle list, Point pt);
// Makes `port` current drawing into the image handle over the session's rectangle (depth 8 with
// the layer's table for colour, else depth 1), with a normal pen, black on white.
void portup(CGrafPtr port, u16 colour, Handle image);
// The image port bound to the session's image.
void bindimage();
// Erases the whole of an offscreen world, the current port kept.
void erasebwport(GWorldPtr world);
// Pen pattern the fill pattern, fillFore on fillBack; and pen size, pen pattern and colours of
// the pen settings.
void fillcolorup();
void pencolorup();
// The pattern of a 0-based index of the project's pattern list (its first entry past the
// list's end; black without a list).
Pattern paintpattern(i16 index);
// Converts a 1-bit bitmap record to depth 8 (set bits the layer's black, clear bits index 0):
// 0, or 37 when memory runs out (the record is then unchanged).
i16 convertocolor(spot* s, i16 swap);
// White is index 0, every other colour index 1.
bool PpaintRTmatchproc(RGBColor* rgb, i32* position);

// The pixels of a port for CopyBits (a pixel map or a bit map), copied whole.
struct PortBits {
  explicit PortBits(CGrafPtr port);
  const BitMap* get() const { return reinterpret_cast<const BitMap*>(&map); }
  PixMap map{};
};

// The drawing frame: shows area `r` (clipped to the bitmap) of the image in the session's
// window, and the whole bitmap again. showfrom shows the area from another port over the
// bitmap (through a 1-bit mask over the bitmap when one is given).
void showbits(Rect r);
void showfrom(CGrafPtr port, Rect r, const BitMap* mask = nullptr);
void showwholebitmap();
// Marks the session changed.
void paintchanged();
// Copies the image into the stroke copy, and back.
void keepstroke();
void restorestroke();
// The mouse of the tool's tracking loop in the session window's coordinates.
void paintmouse(Point* pt);
// A global point made local to the session window.
void paintsessionlocal(Point* pt);
// The layer table's colour of an index.
RGBColor paintrgb(i32 index);
// The current brush: 16 rows of 2 bytes, the leftmost pixel in the high bit.
std::array<u8, 32> paintbrushshape();
// Steps the marching ants: the phase advances and the session's pattern follows it.
void stepants();

// The window is going away: a session in it ends without messages, its changes marked.
void paintwindowclosing(WindowRef window);
// Object `index` of `list` is being removed: a session on it ends without messages, and one on
// a later object of the list moves down.
void paintremoving(Handle list, i16 index);

// The project's pattern and brush lists the paint tools read.
struct PaintListsState {
  Handle patternlist;  // the project's pattern and brush lists the paint tools read
  Handle brushlist;    // (borrowed from the head record at each tool click, not owned here)
};
inline PaintListsState& paintlistsstate() { return state<PaintListsState>(); }

}  // namespace kv
