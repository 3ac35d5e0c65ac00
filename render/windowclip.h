// The window-level routines card drawing needs: the interior of the current card window, and
// switching its port between drawing coordinates and the scrolled card.
#pragma once

#include "platform/types.h"

namespace kv {

// The interior of the current window: its port bounds, less the scroll bars' width at the
// right and bottom of a scrolling window (style 1). Empty without a current window.
// getinterior reaches lowgetinterior through the procedure table (slot 345).
void getinterior(Rect* out);
void lowgetinterior(Rect* out);
// The current port in drawing coordinates: origin (0, 0), clipped to the offscreen world's
// bounds (clipdown: through slot 342).
void clipdown();
void lowclipdown();
// The current port back at the card's scroll position, clipped to the interior: whatever
// slot 341 holds (lowclipup).
void clipup();

}  // namespace kv
