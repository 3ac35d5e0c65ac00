// The windows that externals make and arrange. They take part in the runtime's two layers of
// windows: the ordinary layer (the visible project and external document windows) and the
// floating layer (the visible palettes, floating external windows, message box and tool
// window). Positions count every window of the platform's list, visible or not, front to back
// from 0.
//
// A window reaches these routines from external code as a registry id: an id that does not
// name a live window changes nothing (out-values stay as they were).
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"
#include "system/kvexternal.h"

namespace kv {

// Positions answered when a layer has no window, or the window is not in the list.
constexpr u16 kNoPosition = 65535;

// A new external window: a document-class window of the definition in the low 16 bits of
// `definition`, `bounds` its content, `title` a length-prefixed text (null: none). A floating
// one (kind 117) goes to the very front; another (kind 116) behind the back-most palette or
// message box when there is one, else to the front. 0 when the platform refuses the window.
// The close box does not change the attributes: both sets already hold it.
WindowRef PNewWin(const Rect* bounds, ConstStringPtr title, bool visible, i32 definition, bool closebox, bool floating);
// Moves the content's top left to `where` without activating the window; with `centre`, the
// content keeps its size and is centred on `where` instead.
void PMoveWin(WindowRef window, Point where, bool centre);
// Sizes the content; with `centre` it keeps its old centre.
void PSizeWin(WindowRef window, i16 width, i16 height, bool centre);
// Moves a window `steps` places toward the front of its layer (negative: toward the back); 0,
// or more steps than there are windows before it, selects it.
void PSetWinPosition(WindowRef window, i16 steps);
// The window's place in its layer (0 at the front) and whether that layer is the floating one.
// A window in neither layer keeps *position as it was.
void PGetWinPosition(WindowRef window, i16* position, u16* floating);
// Shows or hides a window, then re-orders and re-hilites the runtime's windows.
void PShowWin(WindowRef window);
void PHideWin(WindowRef window);
// Disposes an external's window (a window of another kind stays), re-orders and re-hilites,
// and ends the event registrations for it.
void PCloseWin(WindowRef window);
// Shows (show 1) or hides (any other value) every floating external window
// (PShowHidePalettes) or every palette-style project window (PShowHideKVPalettes).
void PShowHidePalettes(i16 show);
void PShowHideKVPalettes(i16 show);
// The front-most external window (PGetWindowPtr), or window of the runtime's own: project,
// palette or message box (PGetKVWindowPtr), whose title is the text in any case; 0 for none.
WindowRef PGetWindowPtr(ConstStringPtr title);
WindowRef PGetKVWindowPtr(ConstStringPtr title);
// Describes the front-most project window (with `palettes`, when there is none, the front-most
// palette-style one): its layer and place there, content rectangle, visibility and long id.
// found is 0 when there is no such window (nothing else is filled).
void PGetFrontMostWindInfo(kv_windowinfo* info, bool palettes);

// The list indexes of the first and last window of each layer and of the window itself.
void locatepositions(WindowRef window, u16* firstordinary, u16* lastordinary, u16* firstfloating, u16* lastfloating,
                     u16* position);

}  // namespace kv
