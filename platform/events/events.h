// The Event Manager: the event queue, the event fetch with masks and sleep, the state of the
// mouse button, the mouse and the keys, the tick count and the double-click interval.
//
// Inputs come from the backend when they are due. Taking an input updates the input state
// (mouse, button, keys, modifiers) and posts its event. Events are handed out in this order:
// pending deactivate and activate events, then queued events in the order they were posted,
// then update events of windows with a non-empty update region (front to back), then a null
// event. The platform's handlers for dock commands, window collapse and expand, the mouse
// wheel and volume changes run from inside the wait (platform/events/handlers.h).
//
// Headless, the clock is virtual: a wait moves it to its deadline or to the next due input,
// an input-state poll with no input due moves it by one tick, and TickCount never moves it.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/backend/headless.h"
#include "platform/events/eventrecord.h"

namespace kv {

// --- Fetching ---------------------------------------------------------------------------
// Waits up to `sleep` ticks for an event of the mask; false with a null event when none came.
// mouseRgn is accepted for its callers and not used (no mouse-moved events are made).
bool WaitNextEvent(EventMask mask, EventRecord* event, u32 sleep, RegistryId mouseRgn = nilid);
// Takes an event of the mask without waiting; false with a null event when none is there.
bool GetNextEvent(EventMask mask, EventRecord* event);
// Like GetNextEvent but leaves the event where it is (event may be null).
bool EventAvail(EventMask mask, EventRecord* event);
// Removes queued events of the mask up to the first event of stopMask.
void FlushEvents(EventMask mask, EventMask stopMask);
// Adds an event to the queue (mouse, key, disk, operating-system and application events).
OSErr PostEvent(u16 what, u32 message);
// Adds a complete event record to the queue (when, where and modifiers as given).
OSErr PostEventRecord(const EventRecord& event);
// True when a command-period or escape key-down is queued; that event and those before it are
// removed.
bool CheckEventQueueForUserCancel();

// --- Input state (each call is an input-state poll) -----------------------------------
bool Button();
// True while the button is down and no mouse-up is waiting in the queue.
bool StillDown();
// Like StillDown, but removes the mouse-up it finds.
bool WaitMouseUp();
// The mouse position in global coordinates.
void GetGlobalMouse(Point* where);
// The mouse position in the current port's local coordinates (GlobalToLocal; global while no
// port is current).
void GetMouse(Point* where);
// The 128-bit key map: bit n (byte n / 8, bit n % 8) is set while key code n is held.
using KeyMap = u8[16];
void GetKeys(KeyMap keys);
// The current modifier word: cmdKey, shiftKey, optionKey, controlKey, alphaLock and btnState.
u16 GetCurrentKeyModifiers();

// The mouse position and button as last taken in, without polling (no clock movement):
// tracking loops read where the button went up.
Point mouseposition();
// Moves the mouse to a global point: the model's mouse at once, and the display's pointer
// where the display allows it.
void warpmouse(Point where);
bool buttonisdown();
u16 modifierstate();

// --- Time -------------------------------------------------------------------------------
// Ticks (1/60 s) since start. Never moves the virtual clock. Read after every statement, so
// inline.
inline u32 TickCount() {
  backend();  // made on first use
  if (HeadlessBackend* h = state<backenddetail::Holder>().headless) return h->ticks();
  return backend().ticks();
}
// Waits `ticks` ticks (a platform wait: the events and handlers due meanwhile are taken in);
// *finalTicks gets the tick count at the end.
void Delay(u32 ticks, u32* finalTicks);
// The longest interval between the clicks of a double click, in ticks (30 unless changed).
u32 GetDblTime();
// The caret's blink interval in ticks (32 at start; tests may set another).
u32 GetCaretTime();
void setcarettime(u32 ticks);
// True for a mouse-down that asks for a contextual menu: one with the control key held (the
// SDL2 backend turns a press of the secondary button into one).
bool IsShowContextualMenuClick(const EventRecord* event);
void setdoubleclicktime(u32 ticks);

// --- Hooks for the rest of the platform -------------------------------------------------
// Counts the ticks statements moved the clock by and checks the tick limit (notestatements'
// rare part).
void statementsmovedclock(u32 moved);
// The interpreter reports statements it ran (headless: one tick per 1,000); the tick limit is
// checked when that moved the clock. Reported after every statement, so inline.
inline void notestatements(u32 count) {
  Backend& b = backend();
  if (HeadlessBackend* h = state<backenddetail::Holder>().headless) {
    if (u32 moved = h->countstatements(count); moved != 0) statementsmovedclock(moved);
    return;
  }
  u32 before = b.ticks();
  b.statementsrun(count);
  if (u32 moved = b.ticks() - before; moved != 0) statementsmovedclock(moved);
}
// How many ticks statements have moved the clock by in the run.
u64 statementticks();
// What the event manager asks of the window layer, which installs it: the front-most
// visible window with a non-empty update region (for update events), the window under a
// point (for wheel events), collapsing a window (asked by the user), and presenting what
// changed on the screen (before every wait and poll), and the program coming to the front or
// going behind (windows that hide on suspend).
struct WindowServices {
  bool (*nextupdate)(RegistryId* window) = nullptr;
  RegistryId (*windowat)(Point where) = nullptr;
  void (*collapse)(RegistryId window, bool collapse) = nullptr;
  void (*present)() = nullptr;
  void (*focuschanged)(bool front) = nullptr;
};
void setwindowservices(const WindowServices& services);
// Who takes a drop from another program (platform/drag installs it with its receive
// handlers). It fills `documents` with the files of the drop that open as documents; with no
// receiver, every file of a drop does.
using DropReceiver = void (*)(const InputEvent& drop, std::vector<std::string>* documents);
void setdropreceiver(DropReceiver receiver);
// A routine that looks at the input state after every wait and poll (the help tags install
// it): given the tick count, it answers the tick at which it wants to look again (0: no wish);
// a wait ends early for it.
using IdleWatcher = u32 (*)(u32 now);
void setidlewatcher(IdleWatcher watcher);
// Deactivate and activate events the window layer raises when the front window changes.
void postactivate(RegistryId window, bool active);
// Drops pending activate events of a window that goes away.
void forgetwindowevents(RegistryId window);

// A request from another program or the system that arrives as a high-level event (what 23,
// message the event class, where the event id as its two halves): quit, open documents.
struct AEDesc;
struct HighLevelRequest {
  u32 eventclass = 0;
  u32 eventid = 0;
  std::vector<std::string> paths;                   // open documents: POSIX paths (UTF-8)
  std::vector<std::pair<u32, std::string>> params;  // other requests: keyword and bytes
  // An event of another program (or one this program sent itself), whole; its reply goes
  // back on `connection` (a socket; -1 for none, -2 for one a test injected).
  std::shared_ptr<AEDesc> event;
  int connection = -1;
  bool wantsreply = false;
};
// Queues a request of the program's own (the speech-done event, say) as a high-level event.
bool posthighlevelrequest(HighLevelRequest request);
// Takes the request of the high-level event last fetched from the queue (false when none is
// held, or it was taken already).
bool takehighlevelrequest(HighLevelRequest* out);
// What the desktop sends a program it launches: open documents with the paths (UTF-8) it was
// given, or open application when there are none. Queued as a high-level event.
void postlaunchrequest(const std::vector<std::string>& documents);

// Takes every input that is due now; answers whether one was taken.
bool takedueinputs();

}  // namespace kv
