// What scripts ask about the drag in progress: `the dragFlavors`, `dragData` and `the
// dragObject`.
#pragma once

#include <string>

#include "platform/drag/drag.h"
#include "platform/types.h"

namespace kv {

// The flavour types of every item of a drag, four characters each, separated by "," within an
// item and by a return between items; empty for no drag. A new handle, disposed by the caller.
Handle ListDragFlavors(DragRef drag);
// A new handle holding the data of item `item` (from 1) and flavour `flavor` of the current
// drag, as `dragData` answers it; for file items `typeform` 1 asks for the file's type and
// creator, 0 for its path. "DragReference is empty!" without a drag; none (empty) for no such
// item or no data; "Error n" for an absent or unreadable flavour. The caller disposes it.
Handle GetDragData(i32 item, OSType flavor, i16 typeform);
// The drag being tracked or received now (0 none), and the dragged object's long reference
// while a drag started here runs.
DragRef currentdragref();
const std::string& dragobjecttext();

}  // namespace kv
