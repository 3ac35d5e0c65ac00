// The screens as the window layer sees them (from the backend): their global bounds, depth and
// the area where windows may be placed; the menu bar band across the top of the main screen.
#pragma once

#include "platform/types.h"

namespace kv {

// Screens are numbered from 0, the main screen (whose top-left is 0, 0).
i16 screencount();
Rect screenbounds(i16 screen);
i16 screendepth(i16 screen);
// Whether a screen can show a depth (1, 8, 16 and 32 exist), and giving it that depth: the
// screen devices follow, the composed screen is converted as it is presented, and windows made
// afterwards take the new depth. paramErr for no such screen or another depth.
bool screenhasdepth(i16 screen, i16 depth);
OSErr setscreendepth(i16 screen, i16 depth);
// The part of a screen where windows may be placed: its bounds less the menu bar band on the
// main screen while the menu bar is visible.
Rect availablebounds(i16 screen);
OSStatus GetAvailableWindowPositioningBounds(i16 screen, Rect* bounds);
// The screen that holds the greatest area of a global rectangle (the main screen when none does).
i16 greatestareascreen(const Rect& r);

// The menu bar: its height (whether shown or not) and visibility.
i16 GetMBarHeight();
bool IsMenuBarVisible();
void ShowMenuBar();
void HideMenuBar();
// The menu bar band in global coordinates (empty while the menu bar is hidden).
Rect menubarrect();

}  // namespace kv
