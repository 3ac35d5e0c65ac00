// The cursor of the card window: chosen from the tool, the object under the mouse, the open
// field, the movies of the window and the object and default cursors that scripts set.
#pragma once

#include "platform/types.h"

namespace kv {

// Shows a 'CURS' resource of the program (the arrow when it is missing).
void showcursorresource(i16 id);
// Sets the cursor for a point (card coordinates) of the current card window.
void curscase(Point pt);
// Sets the cursor for the topmost object of a list under the point: 1 when an object is there
// (and the cursor was set), 0 when none is.
i16 lowcursor(Handle list, Point pt);

}  // namespace kv
