// Inside the drawing layer: what the standard procedures share.
#pragma once

#include "platform/qd/pixels.h"
#include "platform/qd/qdstate.h"
#include "platform/qd/raster.h"

namespace kv {

// The port's procedure table, or null for the standard procedures.
inline const QDProcs* procsof(const Port* p) { return p ? p->procs.get() : nullptr; }
// The colours a port draws with.
DrawColors portcolors(const Port& p);
// The port's clip and visible regions intersected (local coordinates).
RegionData portclip(const Port& p);
// Converts a region of local coordinates into pixel coordinates of the port's pixel map,
// clipped to the port's clip and visible regions; false when nothing is left or the port
// has no pixels.
bool topixels(const Port& p, RegionData& rgn, Surface* s);
// Draws the pixels of a shape (local coordinates) with a verb: frame and paint in the pen's
// pattern and mode, erase in the background pattern, invert, fill in the fill pattern. The
// shape is already the frame band for the frame verb. Nothing happens while the pen is
// hidden.
void drawverb(Port& p, const RegionData& shape, GrafVerb verb);

}  // namespace kv
