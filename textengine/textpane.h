// The text pane: a self-contained editable text control for externals. A user-pane control
// owns a text record and a vertical scroll bar, draws a themed edit-text frame and focus ring,
// and hands drawing, clicks, keys, idle time, activation and focus to the record. Nothing in
// the program makes one; its procedures sit in procedure-table slots 300-308.
#pragma once

#include "platform/controls/controls.h"
#include "textengine/werecord.h"

namespace kv {

// The pane's block, kept as the control's reference.
struct TPPaneVars {
  ControlRef scrollBar;
  WEReference we;
  ControlRef pane;
  WindowRef window;
  CGrafPtr port;
  u8 inFocus;
  u8 active;
  u8 recordActive;
  u8 reserved;
  Rect textRect;   // the bounds less 17 pixels on the right
  Rect innerView;  // the record's view
  Rect scrollRect;
  Rect frameRect;
  Rect bounds;
  RgnHandle paneRgn;  // the bounds less the scroll bar, erased before each update
};

// A user pane (value, minimum and maximum 1470) set up as a text pane.
OSErr STUPCreateControl(WindowRef window, const Rect* bounds, ControlRef* out);
OSErr STUPOpenControl(ControlRef control);
// Dispose of the scroll bar, the record and the pane's block; the second also of the control.
void STUPCloseControl(ControlRef control);
void STUPDisposeControl(ControlRef control);
bool IsSTUPControl(ControlRef control);
// A copy of the text.
OSErr STUPGetText(ControlRef control, Handle* text);
OSErr STUPSetText(ControlRef control, const void* text, i32 length);
void STUPSetFont(ControlRef control, i16 font, i16 size, i16 style);
void STUPSetSelection(ControlRef control, i32 start, i32 end);
// 1 cut, 2 copy, 3 paste, 4 clear.
void STUPDoEditCommand(ControlRef control, u16 command);
// Font, size, style and text from the 'STUP' resource and the 'TEXT' it names; resNotFound
// (the text kept) when either is missing.
OSErr STUPFillControl(ControlRef control, i16 stupID);

// The pane procedures.
void TPPaneDrawProc(ControlRef control, i16 part);
i16 TPPaneHitTestProc(ControlRef control, Point where);
i16 TPPaneTrackingProc(ControlRef control, Point start, ControlActionProcPtr action);
void TPPaneIdleProc(ControlRef control);
i16 TPPaneKeyDownProc(ControlRef control, i16 keyCode, i16 charCode, i16 modifiers);
void TPPaneActivateProc(ControlRef control, bool activating);
i16 TPPaneFocusProc(ControlRef control, i16 part);
bool TPTEClickLoopProc(WEReference we);
void TPScrollActionProc(ControlRef scrollBar, i16 part);
// Brings the scroll bar up to date with the text (full: the layout and the view too).
void TPRecalculateTextParams(Handle pane, bool full);

}  // namespace kv
