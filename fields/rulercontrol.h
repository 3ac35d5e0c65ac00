// The paragraph ruler of a field: a custom platform control, 31 pixels high across the top of
// the field, whose definition procedure draws the scale in the ruler's units, the text's edges,
// the default tab stops and the four indent indicators of the selection's paragraphs; dragging
// an indicator changes the selected paragraphs' indents through the text engine, with a
// guiding line across the text, a window showing the value and snapping to the unit's step.
// Its data record and tagged interface are in rulerdata.h.
#pragma once

#include "fields/rulerdata.h"
#include "platform/controls/controls.h"
#include "platform/help/helptags.h"
#include "platform/types.h"

namespace kv {

// The ruler control's definition procedure (the control host's messages).
i32 RulerControlDefProc(i16 varCode, ControlRef control, i16 message, i32 param);
// Refresh the ruler's cached indents and tab stops from its text record's selection; 1 when
// they changed.
i16 UpdateRulerIndents(ControlRef control);
i16 UpdateRulerTabs(ControlRef control);
// The ruler drawn active (the window is hilited) or inactive.
void ActivateRuler(ControlRef control, bool active);

// Makes the ruler's data record, offscreen world and number style: 0, -108 without memory,
// or the offscreen world's error (nothing is left behind on failure).
OSStatus InitializeRuler(ControlRef control);
void DisposeRuler(ControlRef control);
// Draws a shown ruler with data through its offscreen world into the current port at its
// bounds.
void DrawRuler(ControlRef control);
// Remakes (or makes) the offscreen world at the control's size.
void refreshrulerbuffer(ControlRef control);

// The band the indicators stand in (top 6, bottom 24, across the text's destination), in
// port coordinates.
Rect rulerband(ControlRef control, const rulerdatarecord& rd);
// An indicator's rectangle, in port coordinates (false for another kind).
bool GetRulerElementRect(u16 kind, Rect* r, ControlRef control);
// The indicator under a point of the port (kinds tried 1, 2, 3, 4), 0 outside the control.
u16 GetPartPointedTo(Point where, ControlRef control);
u16 GetIndicatorTypePointedTo(Point where, ControlRef control);
// The horizontal range an indicator may be dragged in (kinds 1-4; 5 the band inset by the
// track inset).
void GetIndicatorDragCostraintRect(u16 kind, ControlRef control, Rect* r);
void GetIndicatorTrackRect(ControlRef control, Rect* r);

// Follows a press at a point of the port on a shown ruler: the indicator under it is dragged;
// the kind whose attribute was set, else 0.
i16 TrackRuler(ControlRef control, Point start);
i16 DragIndicator(Point start, ControlRef control);

// The window that shows the dragged value: made, placed by the mouse and drawn.
OSStatus CreateValuesWindow(ControlRef control, WindowRef* window, GWorldPtr* world);
void ShowValuesWindow(WindowRef window, GWorldPtr world, Point globalmouse, ControlRef control);
void DrawValuesWindowContent(WindowRef window, GWorldPtr world, ControlRef control);
void HideValuesWindow(WindowRef window);

// The help-tag content of the indicators (string list 200, items kind and kind + 5).
OSStatus RulerIndicatorHelpContentProc(ControlRef control, Point globalMouse, i16 request, i16* provided,
                                       HMHelpContentRec* content);

// Keeping a ruler in step with its window and text: the bounds it should have (the window's
// width across the destination's top), and redrawing when they, the cached indents, tabs or
// destination left changed (1 when redrawn).
Rect CheckRulerBounds(ControlRef control);
i16 RulerPositionChecker(ControlRef control);
i16 RulerUpdater(ControlRef control);
// The glyph of a tab stop of a kind (0 left, 1 right, 2 centre, 3 decimal) at a position.
void DrawThemeRulerTabMarker(i16 kind, Point at, bool active);
// Small accessors: the ruler's offset in its port, the scale rectangle, the offscreen source
// rectangle, the screen depth and the text width.
Point GetRulerOffset(ControlRef control);
Rect GetRulerScaleRect(ControlRef control);
Rect GetRulerSourceRect(ControlRef control);
i16 GetRulerScreenDepth();
i32 GetRulerTextWidth(ControlRef control);

}  // namespace kv
