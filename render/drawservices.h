// Drawing services that commands, properties, the shell and tools share: a picture's frame,
// a polygon's region, the counted screen lock, and remapping object colours between colour
// tables.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"

namespace kv {

// --- Pictures --------------------------------------------------------------------------------
// Writes the frame of a picture (bytes 2-9 of its data, big-endian).
void QDSetPictureBounds(PicHandle pic, const Rect& r);

// --- Polygons --------------------------------------------------------------------------------
// A new region of the polygon's outline, closed back to its first point (captured in the
// current port); the caller disposes of it.
RgnHandle polytorgn(PolyHandle poly);

// --- Screen lock -----------------------------------------------------------------------------
// The first lock freezes the screen; answers the count of locks.
i16 lockscreen();
// Takes one lock off; the last lets the screen through again. True when no lock remains (an
// unlock without a lock changes nothing).
bool unlockscreen();

// --- Colours ---------------------------------------------------------------------------------
// While `remapColor` is on, remaps the colour indexes of objects [first, end) of an object list
// from the source colour table to the current one (the global current table, else the current
// port's): colour bitmaps pixel by pixel, groups through their own objects, any other object
// its four colour bytes.
void changecolor(Handle list, i32 first, i32 end, CTabHandle source);

}  // namespace kv
