// The main loop: after start-up it runs for the rest of the process's life. Each pass resets
// the per-pass state of the interpreter and the shell, services the periodic tasks, fetches one
// event (the internal queue first) and hands it to the event dispatch. Beside it: the event
// fetch of waiting scripts, idling the front window, cursor tracking, suspend and resume, and
// the double-click test.
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/runtime/registry.h"
#include "platform/runtime/root.h"
#include "platform/types.h"

namespace kv {

// When a headless run's loop ends: after `maxpasses` passes, or after `idlepasses` passes in a
// row that took no event while no scripted input was left (0: no such limit). With neither,
// the loop ends only when the program quits or the run ends.
struct LoopLimits {
  u32 maxpasses = 0;
  u32 idlepasses = 0;
};

// Runs passes until a limit is reached or the run ends (platform/events/watchdog.h).
void mainloop(const LoopLimits& limits = {});
// Sets the pass limit for what runs before the loop (the start-up's opening messages): their
// statements count toward it as they will in the loop's passes. mainloop sets its own.
void setpasslimit(u32 passes);
// Whether the running loop's pass limit is reached, counting as passes the ticks that
// statements moved the clock by in the pass under way (a handler that never lets it end).
bool passlimitreached();
// One pass: whether it took an event.
bool mainpass();

// The event fetch of scripts while they wait: 1 with an event of the mask, 0 with none (a
// suspend or resume is handled here and answers 0).
i16 getnextevent(EventMask mask, EventRecord* event);
// Idles the front runtime window on a null event ("idle", carets).
void checkidle();
// Tracks the cursor on a null event.
void checkcursor();
// Suspend (0) and resume (1): "suspend" or "resume" to the current card, then the windows and
// the menu bar follow.
void mfswitch(u16 resume);
// 1 for a double click: the previous click within 2 pixels and the double-click time. The
// click is recorded either way.
i16 dclick(Point where, u32 when);

// The event loop's own state: whether the main loop runs, the double-click test, the events
// being handled (the system message, activation, the top project window at the last null
// event, a request under way, the platform event handler that runs now), the tool
// dispatcher's click and the window under the mouse.
struct EventLoopState {
  RegistryId mousewindow;  // the window of the object under the mouse
  i16 inmainloop;
  u32 lastclicktime;
  Point lastclickpoint;  // of the double-click test
  i16 systemmessage;
  i16 redrawafteractivate;                      // the card drawing redraws the window after an activation
  i16 activating;                               // re-entry guard of the activate event
  u64 topserial;                                // the top project window at the last null event: its serial
  RegistryId topstore;                          // and its project store
  i16 aehandling;                               // set while the request dispatcher handles an event
  u32 carboncall, carbonevent, carbonuserdata;  // the platform event handler that runs now
  i16 toolclick;                                // the tool dispatcher handled a click (cleared at null events)
};
inline EventLoopState& eventloopstate() { return state<EventLoopState>(); }

}  // namespace kv
