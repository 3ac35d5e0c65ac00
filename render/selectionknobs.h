// Selection knobs: the small squares that mark selected objects while a selection tool (600
// and above) is chosen. They are drawn in pattern exclusive-or and cut to the window's
// interior, so drawing them twice erases them: every change of selection erases the knobs
// first and draws them again after.
#pragma once

#include "platform/types.h"

namespace kv {

// The selection states of an object (its `selected` word): 0 none, 1 four corner knobs, 2 a
// knob at every point of its polygon, 3 a knob at each end of its line, 4 a knob at its
// polygon's first point, 5 a knob at each end of its arc; 6 and above none.
enum : u16 { knobsnone = 0, knobscorners = 1, knobspolygon = 2, knobsline = 3, knobsfirstpoint = 4, knobsarc = 5 };

// Selects object `index` of a list (a line gets knobs at its ends, any other object corner
// knobs), unless it is invisible while the window does not show invisible objects.
void selone(Handle list, i16 index);
// Draws (or, drawn again, erases) the knobs of one object. Nothing below tool 600, while a
// group's objects are drawn, for the card list while the background is edited, or for an
// invisible object the window does not show.
void drawhand(Handle list, i16 index);
// drawhand while a selection tool is chosen, and not for the card list while the background
// is edited; drawact does the same for every object of a list.
void drawactone(Handle list, i16 index);
void drawact(Handle list);
// For every object of a list: operation 0 selects it (when it is not selected), 1 deselects
// it (when selected), 2 keeps it; with `draw` the knobs that come or go are drawn (operation 2:
// those of every selected object).
void hilitespot(Handle list, i16 operation, i16 draw);
// Deselects every object of the card layer (unless the background is edited) and of the
// background layer, erasing their knobs.
void unhiliteall();
// Paints one point knob (v - 2, h - 2, v + 3, h + 3), in the grey pattern with `grey`, cut to
// the window's interior.
void drawknob(Point pt, i16 grey);

}  // namespace kv
