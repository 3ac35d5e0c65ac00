// Small window-level routines of card drawing: the grow box, the tool-tip window, the cursor of
// the object under the mouse, the idle state of platform controls and the translucency of
// palette windows.
#pragma once

#include "platform/types.h"
#include "core/desk.h"

namespace kv {

// Draws the grow box and the card's scroll bars of a window of style 0, 1 or 6, or of a metal
// window; other windows are left alone.
void drawgrow(const desk* context);
// Shows the tool-tip window and draws its text; nothing while there is none.
void updatetooltip();
// The cursor of the object under the mouse (procedure-table slot 241). "mouseEnter", and
// "set" while an object is under the mouse, look up the user property "objectcursor" on the
// object, its card, background, window and project, while allowObjectCursors is on;
// "mouseLeave" drops an object cursor in force and, with no object under the mouse, looks on
// the card and the levels above. The first level that has the property sets the cursor.
void objectcursor(i16 token);
// Sets the idle state of the platform controls of both layers of every open window, from the
// last window of the table to the first.
void setcontrolidleall();
// While the palette windows are translucent (paletteOpacity), a palette window (style 6 or 9)
// becomes translucent when the mouse is outside its frame: by the global translucency, or by
// its own when it has local opacity.
void checkwindowalpha(const desk* context);

}  // namespace kv
