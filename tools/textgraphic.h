// Typing into a text graphic (style 106): starting it, the keys typed, and the graphic's height
// fitted to its text; and the rubber-band polygon of the polygon tools.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"

namespace kv {

// Starts typing into text graphic `index` of a list in the current window (field editing ends
// first; nothing when a text graphic is being typed into already).
void putupgraph(Handle list, i16 index);
// A key typed into the text graphic being typed into, which is then refitted.
void graphkey(u8 c);
// Fits the height of the text graphic being typed into to its text.
void calgraphrect();

// A polygon drawn point by point from `start` with a rubber band on the mouse (lines drawn in
// the pen mode the caller set, Shift keeping a segment horizontal or vertical): a press within
// 6 pixels of the start closes it there, a double click ends it (closed first with `close`).
// None for a polygon without width or height.
PolyHandle linepoly(Point start, bool close);

}  // namespace kv
