// The hilite the Drag Manager shows around a drop area while a drag is over it.
#pragma once

#include "platform/qd/regions.h"
#include "platform/types.h"

namespace kv {

using DragRef = u32;

// Shows the hilite of a drag over a region of the current port (inside: within the region's
// outline), and hides it again.
OSErr ShowDragHilite(DragRef drag, RgnHandle hiliteArea, bool inside);
OSErr HideDragHilite(DragRef drag);
// Whether a hilite is shown now.
bool draghiliteshown();

}  // namespace kv
