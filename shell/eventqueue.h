// The event loop's own queue and the small services the loop, the interpreter and the drawing
// code poll: the internal event queue (volume mounts and unmounts arrive through it as disk
// events, to be handled in the loop's order), the running platform event handler, whether the
// program is the front process, the click poll, the deferred flushing of window buffers, and
// the routing of a window's event kinds to its handler. The abort poll and the stack test are
// in core/runservices.h.
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/events/handlers.h"
#include "platform/qd/qdtypes.h"
#include "platform/types.h"
#include "platform/windows/windows.h"

namespace kv {

// Disk event messages.
constexpr u32 kDiskMounted = fourcc("moun");
constexpr u32 kDiskUnmounted = fourcc("umou");

// --- The internal queue -------------------------------------------------------------------
// Appends a copy at the tail; an event that finds no memory is dropped.
void PostEventToInternalQueue(const EventRecord& event);
// Takes the oldest event: 1 taken, 0 empty (*out untouched).
i16 FetchEventFromInternalQueue(EventRecord* out);

// --- Disk events --------------------------------------------------------------------------
// The handler for volumes mounted (kind 1) and unmounted (kind 2): posts a disk event whose
// modifiers hold the volume's reference number. Answers noErr.
OSStatus PeditRTHandleDiskEvent(EventHandlerCallRef call, EventRef event, u32 userdata);
// Handles the disk event in the current event record: "volumeMount" or "volumeUnmount" with
// the volume's name, to the current card.
void HandleFakeDiskEvent();

// --- The running platform event handler -----------------------------------------------------
// Every handler of the program records its call, event and user data first and clears them
// before it returns.
void enterCarbonEvent(EventHandlerCallRef call, EventRef event, u32 userdata);
void exitCarbonEvent();

// --- Front process ------------------------------------------------------------------------
// Updates the not-front flag (and the menu-bar-visible flag): 1 when the not-front flag
// changed, else 0.
i16 checkfront();
bool weAreFrontApp();
bool weAreFrontProcess();
// Makes the program the front process; with `all`, also brings all its windows to the front.
void bringapptofront(u16 all);

// --- Polls --------------------------------------------------------------------------------
// 48 when the user clicked (or another program is in front), else 0. Looks at the event
// queue at most once every 30 ticks.
i16 isclick();

// --- Window buffers -----------------------------------------------------------------------
// Flushes a window's drawing to the screen now, or leaves it for the next flush pass when
// the window was flushed less than a tick ago.
void EconomyFlush(CGrafPtr port, RgnHandle region);
// The flush pass: when a flush is wanted and a tick has passed since the last pass, flushes
// the windows of the window table.
void checkflush(u32 ticks);

// --- Window handlers ----------------------------------------------------------------------
// Kinds of a window event: 0 draw, 1 click, 2 moved or resized, 3 idle, 4 key, 5 mouse moved.
enum : i16 { kWindowDraw = 0, kWindowClick = 1, kWindowMoved = 2, kWindowIdle = 3, kWindowKey = 4, kWindowMouse = 5 };
// Routes a window event to the message box's handler or the card window's handler.
void runmain(i16 kind, u32 param, WindowRef window);

}  // namespace kv
