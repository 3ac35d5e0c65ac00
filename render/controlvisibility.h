// The life cycle of buttons' platform controls. A control is normally parked: moved to the
// parking rectangle (-30000 on all four sides) and hidden. It is placed at its object while
// the theme drawing draws it, and stays there while it animates by itself (a default push
// button, progress and indeterminate bars, chasing arrows) and lies clear of the card's
// scroll bars. Leaving a card disposes the controls and keeps their values in the objects.
//
// The control a tool or dialog is tracking (controltrackstate().trackedcontrol) is never parked or
// disposed here.
#pragma once

#include "platform/controls/controls.h"
#include "platform/runtime/root.h"
#include "platform/types.h"
#include "platform/windows/windows.h"
#include "core/desk.h"
#include "store/records.h"

namespace kv {

// The parking rectangle.
constexpr Rect kParkingRect{-30000, -30000, -30000, -30000};

// The object's live control, 0 for none or for an object that is not a platform control.
ControlRef livecontrol(const spot& object);
void setlivecontrol(spot& object, ControlRef control);

// Notes the value, minimum and maximum a control was given ('VIZU'/'Vals'): putting the
// controls down marks a record changed only for values that moved since (the user's doing).
void notecontrolvalues(ControlRef control);

// Whether the object's control wants idle time: a platform control with a live control whose
// `default` flag is set or whose style is 214, 215 or 218.
bool controlWantsIdle(const spot& object);
// Whether a rectangle (window-port coordinates), grown by 6, meets a visible card scroll bar
// of the context's window.
bool touchesScrollbar(const desk* context, const Rect& rect);

// After a theme drawing: parks the control unless it must stay (see above); a popup's control
// is disposed.
void docontroldown(spot& object);
// Disposes the object's control with its menu and content; the object forgets it. The tracked
// control is built again instead (and the rebuilt flag raised).
void dumpspotcontrol(spot& object);
// Leaving a card: every control of the list keeps its value, minimum and maximum in its object
// (the record that owns the list is marked changed when one differs) and is disposed; list
// fields leave list mode.
void putdowncontrols(Handle list);
// Parks every control of a window (lock screen, effects, editing). Parking changes no record.
void SquashControls(WindowRef window);
// Parks the visible default push buttons of a window.
void SquashThrobbers(const desk* context);
// Brings back the controls of a window's context that want idle time; `invalidate` 1 asks for
// their redraw.
void UnsquashDefaults(const desk* context, i16 invalidate);
// The same for one object of a list.
void UnsquashIfWantsIdle(const desk* context, Handle list, i16 index, i16 invalidate);
// Draws again the objects that lie in front of a control, then brings back those of them
// that want idle time.
void redrawinfront(const spot& object);
// Gives every button of a list whose control wants idle time the global animation switch (not
// while a card image is drawn).
void setcontrolidle(Handle list);
// Polled before each statement and by the event loop: while controls want idle time and
// `ticks` (0: now) passed the due tick, the next is due `progressTicks` later.
void checkcontrols(u32 ticks);

// Puts the controls' entries into the store's table of live parts: a control goes with its
// object (dumpspotcontrol), and takes the value and highlight a card gives its object.
void installcontrolliveparts();

// The control the tool code or a dialog is tracking, and whether it was built again meanwhile.
struct ControlTrackState {
  RegistryId trackedcontrol;  // the control the tool code or a dialog is tracking (0 none):
                              // it is never parked or disposed under the tracker
  i16 trackedrebuilt;         // the tracked control was taken down and built again
};
inline ControlTrackState& controltrackstate() { return state<ControlTrackState>(); }

}  // namespace kv
