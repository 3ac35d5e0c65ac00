// Drawing routines shared by the card drawing, the window code and the tools: pen visibility,
// the grow box, and erasing with the metal texture of metal windows (directly, and as the
// rectangle and region procedures of a metal card window's bottleneck table).
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/windows/windows.h"
#include "core/desk.h"

namespace kv {

// Shows or hides the port's pen until its visibility is `level`; answers the level reached
// (0 for a port that is not valid).
i16 SetPortPenVisibility(CGrafPtr port, i16 level);

// Draws the window's grow icon clipped to the grow box: the scroll-bar-wide square at the
// bottom right of the port bounds, widened by one pixel right and down. The clip is restored.
void drawdgrow(WindowRef window);

// Erases a rectangle of the card image of a window context. In a metal window (unless a field
// is erasing its own area) the metal texture, aligned with the window's frame, is drawn into
// the window's port and the rectangle copied from there into the current port; otherwise the
// standard erase.
void myEraseRect(const Rect* r, const desk* context);
// The same for a region of a window, clipped to the window port's clip region.
void myMetalEraseRgn(RgnHandle rgn, WindowRef window);

// The rectangle and region procedures of a metal card window's bottleneck table: erasing
// paints the metal texture into the current port, every other verb draws as standard. A
// rectangle with left > right or top > bottom is ignored for every verb. The texture is
// inactive while the window is not highlighted.
void PobjRTmetaleraserectproc(GrafVerb verb, const Rect* r);
void PobjRTmetalerasergnproc(GrafVerb verb, RgnHandle rgn);

}  // namespace kv
