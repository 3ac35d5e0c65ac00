// The window table: the window context (`desk`) of every open project window, in the order
// the windows were added, in the handle `mainglobals().winds` with its count `numwinds`. The
// current context lives in `mainglobals().current`; code that works on another window copies
// that window's entry into it, and code that changed it writes it back with `putwind`.
//
// An entry is found only by its keys: its window (unique in the table), its serial (unique,
// fixed while the window is open), or its project store and window number (haswind,
// shell/windlookups.h). Positions are never kept across calls that may open or close windows.
//
// Beside the table: the window-list queries over the Window Manager's front-to-back list.
#pragma once

#include "platform/qd/ports.h"
#include "platform/windows/windows.h"
#include "core/desk.h"

namespace kv {

// Copies the entry of a window into *out: 1 found, 0 not (a null window, an empty table or a
// missing table handle finds nothing, and *out is left as it was).
i16 getwind(WindowRef window, desk* out);
// Copies the entry with that serial into *out: 1 found, 0 not.
i16 getflip(u64 serial, desk* out);
// Overwrites the whole entry of a window: 1 written, 0 no such entry.
i16 putwind(WindowRef window, const desk& d);
// Replaces only the window of an entry (a window recreated in place): 1 done, 0 not found.
i16 putwindowref(WindowRef oldwindow, WindowRef newwindow);
// Removes the entry of a window; the entries behind it move forward: 1 removed, 0 not found.
i16 dumpwind(WindowRef window);
// The open windows of a project numbered above `removed` in its window library take the
// number one lower (the entry `removed` left the library); the current context follows.
void renumberwindows(RegistryId store, u32 removed);
// Appends a context: 0, or 37 when the table cannot grow (the table is left as it was).
i16 addwind(const desk& d);

// The front project window: the first visible document project window, else the first
// visible palette project window, else the first document one, else the first palette one.
// Non-zero when found; *out is 0 when none.
i16 topwindow(WindowRef* out);
// Walks the window list front to back: the first and last ordinary-layer and floating-layer
// windows among the runtime's own (0 where there is none).
void locatewindows(WindowRef* firstdoc, WindowRef* lastdoc, WindowRef* firstfloat, WindowRef* lastfloat);
// Moves a window behind another (0: to the back of its layer) and repaints what of its frame
// was hidden; nothing when it already follows that window directly.
void sendbehind(WindowRef window, WindowRef behind);
// Redraws the card area of every window in the table (drawing must not open or close
// windows meanwhile).
void redrawbehind();
// Takes a script's sheet alert down from a desk's window, when bit 0 of its sheet flags says
// one is attached; a null desk does nothing.
void GetRidOfThatSheetNow(desk* d);

// The context of a window made current for the time of a change (the current port is kept
// and put back too); the caller's context comes back afterwards, refreshed from the table when
// it names an open window, since the borrowed entry may have changed it meanwhile.
class BorrowDesk {
 public:
  explicit BorrowDesk(const desk& d);
  ~BorrowDesk();
  BorrowDesk(const BorrowDesk&) = delete;
  BorrowDesk& operator=(const BorrowDesk&) = delete;

 private:
  SavePort port_;
  desk saved_;
};

// Bit 0 of a desk's sheet flags: a script's sheet alert is attached.
constexpr u16 kSheetAttached = 1;

}  // namespace kv
