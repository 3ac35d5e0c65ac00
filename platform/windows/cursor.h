// The cursor: a 16 x 16 one-bit image with its mask and hot spot (the stored 'CURS' layout),
// shown by the backend. The arrow is the default; hiding nests (each HideCursor needs a
// ShowCursor); an obscured cursor comes back when the mouse moves.
#pragma once

#include "platform/memory/stored.h"
#include "platform/types.h"

namespace kv {

#define KV_CURSOR_FIELDS(F)   \
  F(KV_CURSOR_BITS, data, 0)  \
  F(KV_CURSOR_BITS, mask, 32) \
  F(Point, hotSpot, 64)
#define KV_CURSOR_BITS arr<u16, 16>
KV_STORED_RECORD(Cursor, 68, KV_CURSOR_FIELDS)

// The arrow cursor, and the cross (system cursor 2) of the drawing tools.
const Cursor& arrowcursor();
const Cursor& crosscursor();

// The theme cursors this platform draws.
using ThemeCursor = u32;
enum : ThemeCursor {
  kThemeArrowCursor = 0,
  kThemeCopyArrowCursor = 1,
  kThemeIBeamCursor = 4,
  kThemeCrossCursor = 5,
  kThemeWatchCursor = 7,
  kThemeClosedHandCursor = 8,
  kThemeOpenHandCursor = 9,
  kThemePointingHandCursor = 10,
  kThemeSpinningCursor = 13,  // animated: SetAnimatedThemeCursor steps it
};
constexpr OSStatus themeBadCursorIndexErr = -30565;
// The image of a theme cursor; none for one this platform does not have.
const Cursor* themecursor(ThemeCursor cursor);
// Makes a theme cursor current, as SetCursor does; themeBadCursorIndexErr (the cursor stays)
// for one this platform does not have.
OSStatus SetThemeCursor(ThemeCursor cursor);
// Makes frame `step` (taken modulo the frames it has) of an animated theme cursor current;
// themeBadCursorIndexErr for a cursor that is not animated.
OSStatus SetAnimatedThemeCursor(ThemeCursor cursor, u32 step);
// The number of frames of the spinning cursor.
constexpr u32 kSpinningFrames = 4;

// Makes the arrow current and the cursor visible (the hide level 0).
void InitCursor();
void SetCursor(const Cursor* cursor);
void HideCursor();
void ShowCursor();
void ObscureCursor();
// Shows an obscured cursor again once the mouse has moved (checked before every wait and poll).
void revealmovedcursor();
// The images of the copy arrow (a drop copies) and the I-beam of text.
const Cursor& copyarrowcursor();
const Cursor& ibeamcursor();
// The cursor last set (tests and the compositor read it).
Cursor currentcursor();
bool cursorvisible();

}  // namespace kv
