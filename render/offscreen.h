// The card offscreen world: one offscreen graphics world that lives for the whole run, over
// bounds stored beforehand, into which cards are composed.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/types.h"

namespace kv {

// Makes the world at a depth (1, 8, 16 or 32; any other depth makes 8) over the stored
// bounds, replacing one made before: 1 on success, 0 on failure.
i16 CreateOffScreen(i16 depth);
void DisposeOffScreen();
GWorldPtr GetOffScreenWorld();
i16 GetOffScreenDepth();
Rect GetOffScreenBounds();
// Stores the bounds of the next creation; the world is not touched.
void SetOffScreenBounds(const Rect& bounds);
// Follows a change of the main screen's depth (called at idle time).
void resyncoffscreen();

}  // namespace kv
