// Small routines the whole runtime leans on: cached tests of the system's version and
// capabilities, the modifier keys, the beep and pauses, console diagnostics, rectangles and
// handles kept in the preferences, limits of window rectangles, point-on-line hit testing and
// a few handle and string conveniences. The message-box and console messages of debugging are
// in core/debugmsg.h (KVDebugMsg, KVBeep).
#pragma once

#include <string>
#include <string_view>

#include "platform/types.h"
#include "platform/windows/windows.h"
#include "core/desk.h"

namespace kv {

// The preference domain of the runtime itself.
constexpr const char* kRuntimeDomain = "kestrove";
// The width of a card window's scroll bars.
constexpr i16 kScrollBarWidth = 15;

// --- Capability tests: asked once, cached for the run ---------------------------------------
i16 hasControlMgr();
i16 CanUseATSUI();
i16 RunningOnCarbonX();
i16 RunningOnCarbonXdothree();
i16 RunningOnCarbonXdotfour();
i16 RunningOnCarbonXdotfive();
i16 RunningOnCarbonXdotsix();
// The masked capability value (16) when present, else 0.
i16 IsAltiVecAvailable();
i16 RunningInRosetta();
// 1 native, 0 emulated, -1 when it cannot be told (process id 0: this process).
i16 is_pid_native(i32 pid);

// --- Modifier keys and the key map (each an input-state poll) -------------------------------
i16 command();
i16 shift();
i16 option();
i16 control();
// Whether the key of that virtual key code is held.
i16 isPressed(u16 keycode);

// --- Sound and pauses -------------------------------------------------------------------------
// The alert sound, then a wait of `ticks`.
void DebugBeep(u32 ticks);
// A wait of `ticks` (the platform's delay: events due meanwhile are taken in).
void delay(u32 ticks);

// --- Stack and console ------------------------------------------------------------------------
// Bytes of stack left within the budget.
u32 myStackSpace();
// Writes a time stamp and the (Mac Roman) text to the console as one line: 0.
i16 WriteToConsole(std::string_view text);
// The text with its non-printing bytes escaped: tab, line feed, return and escape as \t, \n, \r
// and \e; other bytes below 32, 127 and above as a backslash and three octal digits.
std::string LogString(std::string_view text);
// Writes a handle's bytes as a text file of hexadecimal byte values, "<name>.txt" in the folder
// of written files. The file system's status.
OSErr dumphandtofile(Handle h, ConstStringPtr name);

// --- Preferences (domain: an application's preference domain) ----------------------------------
// A rectangle kept as the text "top left bottom right": 1 read, 0 not (a malformed value is
// removed).
i16 CFPreferencesGetAppRectValue(std::string_view key, std::string_view domain, Rect* out);
// 1 when the preferences were written.
i16 CFPreferencesSetAppRectValue(std::string_view key, const Rect& r, std::string_view domain);
// A new handle holding a data value, or 0 (a value of another kind is removed).
Handle CFPreferencesGetAppHandleValue(std::string_view key, std::string_view domain);
// Keeps a handle's bytes as a data value (written with the domain's next synchronisation):
// 1 stored, 0 not.
i16 CFPreferencesSetAppHandleValue(std::string_view key, Handle h, std::string_view domain);

// --- Statuses ---------------------------------------------------------------------------------
// -30873 and 124 (the system cannot answer) become 0 with result text 82; others pass.
i16 maskBadOSVersionErr(i16 status);

// --- Start-up conveniences -------------------------------------------------------------------
// Starts the movie toolbox when movies can be played: 1 started.
i16 initquicktime();
OSErr exitquicktime();
// Stores the system version in the global state and sets colorWorld: the version.
u16 getenviron();
// A start that is not a standalone opens no project here.
void inithome();

// --- Geometry ----------------------------------------------------------------------------------
// Shrinks a rectangle to at most the offscreen world's size, keeping its top-left.
void limitrect(Rect* r);
// Shrinks a window rectangle to the background's size (plus the scroll bars of a scrolling
// window), unless windows are not limited to their card.
void limitrectoback(Rect* r, const desk& d);
// The bounds of a window's region of that code; empty for no window.
void GetWindowRect(WindowRef window, Rect* out, u16 regioncode);
// Exchanges the contents of two handles; each keeps its identity. False when memory ran out
// (both are then as they were).
bool swaphandle(Handle a, Handle b);
// Whether b lies within `slop` pixels of a.
i16 localpt(Point a, Point b, i16 slop);
// Whether a point lies on the segment a-b within `tolerance` pixels.
i16 ptinline(Point a, Point b, Point p, u16 tolerance);
// An empty name becomes "Untitled" (entry 4 of the messages).
void checkname(StringPtr name);

}  // namespace kv
