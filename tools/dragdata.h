// The data of the drag in progress, as scripts ask for it while a drop is delivered.
#pragma once

#include "platform/types.h"

namespace kv {

// A new handle holding the data of item `item` (from 1) and flavour `flavor` of the current
// drag; for file items `typeform` 1 asks for the file's type, 0 for its path. None when there
// is no drag, no such item or no data of that flavour. The caller disposes it.
Handle GetDragData(i32 item, OSType flavor, i16 typeform);

}  // namespace kv
