// Browse clicks on objects: a click of the browse tool on a button, a field or a graphic,
// tracked with "mouseDown", "mouseStillDown", "mouseUp", "mouseRelease" and
// "mouseDoubleClick", or taken by a field (scrolling, list selection, typing).
#pragma once

#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

// A browse click at `pt` on object `index` of a list (the mouse driven by `sender`). 0, a
// script error, or -991 when a handler cut, cleared or re-layered objects or changed window
// while the click was tracked.
i16 contutil(Handle list, i16 index, Point pt, u16 sender);
// The hilite of an autoHilite button while its click is tracked: a radio button or check box
// toggles (its stored hilite, the layer marked changed) on every call but the final one;
// another button is hilited with `on` and unhilited by the final call.
void invertutil(Handle list, i16 index, bool on, bool final);
// Forgets the last click in a locked field: the clicked text, line and chunk and the embedded
// object under it.
void clearclicks();
// Where the button went up: the position of a waiting mouse-up (real mouse), else the mouse.
Point releasepoint();

// The browse tool's click: the embedded object under it in a locked field, and a field opened
// only to track its scroll bar.
struct BrowseClickState {
  u32 clickobject;           // the embedded object under the last click in a locked field (0 none)
  u16 scrollingclosedfield;  // a field that was not open is open only to track its scroll bar
};
inline BrowseClickState& browseclickstate() { return state<BrowseClickState>(); }

}  // namespace kv
