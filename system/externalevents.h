// Events offered to the resident externals, by event code, before the runtime handles them.
// Native routines ('XRtn') register handlers for codes, for one window or for all (window 0);
// the runtime offers each event to the handlers of its code, and a non-zero answer tells the
// caller that an external took it (most callers then skip their own handling). Externals can
// also post events, delivered at the next fetch of an event.
#pragma once

#include <cstddef>

#include "platform/events/eventrecord.h"
#include "platform/windows/windows.h"
#include "system/kvexternal.h"

namespace kv {

// Event codes; the window and data each caller offers are noted where they differ from "the
// window concerned (or 0) and the current event record".
enum : i32 {
  kXrtnContentClick = 2000,
  kXrtnNullEvent = 2001,  // window 0
  kXrtnDragClick = 2002,
  kXrtnGrowClick = 2003,
  kXrtnCloseClick = 2004,  // unhandled: the window's registrations end and it closes
  kXrtnZoomStandard = 2005,
  kXrtnZoomUser = 2006,
  kXrtnActivate = 2007,
  kXrtnUpdate = 2008,
  kXrtnHighLevel = 2009,
  kXrtnDiskEvent = 2010,
  kXrtnResume = 2011,
  kXrtnSuspend = 2012,
  kXrtnKeyDown = 2013,
  kXrtnAutoKey = 2014,
  kXrtnEveryEvent = 2015,
  kXrtnCursorPart = 2016,
  kXrtnQuit = 2017,  // no data; handled: the quit is refused
  kXrtnCut = 2018,   // the edit commands: no window, no data
  kXrtnCopy = 2019,
  kXrtnPaste = 2020,
  kXrtnUndo = 2021,
  kXrtnClear = 2022,
  kXrtnRedo = 2023,
  kXrtnMenuBarBuilt = 2024,
  kXrtnMenuBarShown = 2025,
  kXrtnCollapseClick = 2031,
  kXrtnProxyClick = 2032,
  kXrtnListClick = 2033,       // the window argument is the list's registry id
  kXrtnObjectsChanged = 2034,  // no window, no data
  kXrtnUpdated = 2035,
  kXrtnWindowOpened = 2036,   // handled: the opening stops with the answer as its status
  kXrtnWindowClosing = 2037,  // handled: the close stops with the answer as its status
};

// Offers an event to the handlers registered for its code and for its window (a registration
// for window 0 takes every window's; an event of window 0 reaches every registration of its
// code), each handler once, in registration order: the bitwise or of their answers. Handlers
// may register, unregister and raise events meanwhile.
i16 sendxrtnevent(WindowRef window, i32 code, const EventRecord* event);
// Delivers the events posted before this call, each once, in order; events posted meanwhile
// wait for the next call. A call made while delivering does nothing.
void sendxrtnposted();

// The registration operations of native routines (native routines' slots 15-17).
// Registers a handler for the code and window (0: all) on behalf of the external that `block`
// was made for: the registration, whose address stays the same until it ends; null without a
// handler or a block.
kv_eventreg* PRegisterEvent(u32 code, u32 window, u64 refcon, kv_eventhandler handler, kv_native* block);
// Ends every registration of the code (and, unless it is 0, of the window), whoever made it:
// 1 when one ended, else 0.
i16 PUnRegisterEvent(u32 code, u32 window);
// Posts an event for the next fetch; dropped when 19 are waiting.
void PPostXRTNEvent(u32 code, u32 window, u64 data);

// Ends the registrations of the externals whose code is at `code`, and those of a window.
void dropregistrations(u64 code);
void dropwindowregistrations(WindowRef window);
// No registration and no posted event (start-up).
void initeventlist();
// How many registrations stand.
std::size_t registrationcount();

}  // namespace kv
