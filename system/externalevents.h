// Events offered to the resident externals, by event code, before the runtime handles them.
#pragma once

#include "platform/events/eventrecord.h"
#include "platform/windows/windows.h"

namespace kv {

// Event codes of the event loop and the window handling.
enum : i32 {
  kXrtnContentClick = 2000,
  kXrtnNullEvent = 2001,
  kXrtnDragClick = 2002,
  kXrtnGrowClick = 2003,
  kXrtnCloseClick = 2004,
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
  kXrtnQuit = 2017,
  kXrtnMenuBarBuilt = 2024,
  kXrtnMenuBarShown = 2025,
  kXrtnCollapseClick = 2031,
  kXrtnProxyClick = 2032,
  kXrtnUpdated = 2035,
  kXrtnLastWindowClosing = 2037,
};

// Offers an event to the externals registered for its code (with the window it concerns, or
// none): non-zero when one took it.
i16 sendxrtnevent(WindowRef window, i32 code, const EventRecord* event);
// Delivers the events that externals posted.
void sendxrtnposted();

}  // namespace kv
