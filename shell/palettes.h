// Palette windows and the colour palette: the project windows of the palette styles hide
// when the program goes behind and show when it comes back, and follow the opacity settings;
// the colour palette of the front project window comes from its card's or background's
// colour table.
#pragma once

#include "platform/types.h"

namespace kv {

// Shows (1) or hides (0) the palette windows of the table and the platform's floating
// windows. The program's hiding marks a palette latently visible and sets bit 11 of its
// window record; showing brings back only the palettes so marked.
void showHidePalettes(u16 show);
// The platform's floating windows only.
void showpals();
void hidepals();
// Sets the opacity of every palette window: one that uses the global opacity (record flag bit
// 16) is opaque while the mouse is over it.
void checkpalettealpha();
// Builds the colour palette of the front project window from its card's or background's
// colour table and palette mode, and gives the screen its colours.
void buildpalette();

// The palette mode of a card or background record: how strictly the palette keeps its
// colours (0 to 4).
u16 cardpalettemode(Handle card);
u16 backpalettemode(Handle back);

}  // namespace kv
