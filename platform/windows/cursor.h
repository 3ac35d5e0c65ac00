// The cursor: a 16 x 16 one-bit image with its mask and hot spot (the stored 'CURS' layout),
// shown by the backend. The arrow is the default; hiding nests (each HideCursor needs a
// ShowCursor); an obscured cursor comes back when the mouse moves.
#pragma once

#include "platform/memory/stored.h"
#include "platform/types.h"

namespace kv {

#define KV_CURSOR_FIELDS(F) \
  F(KV_CURSOR_BITS, data, 0) \
  F(KV_CURSOR_BITS, mask, 32) \
  F(Point, hotSpot, 64)
#define KV_CURSOR_BITS arr<u16, 16>
KV_STORED_RECORD(Cursor, 68, KV_CURSOR_FIELDS)

// The arrow cursor, and the cross (system cursor 2) of the drawing tools.
const Cursor& arrowcursor();
const Cursor& crosscursor();

// Makes the arrow current and the cursor visible (the hide level 0).
void InitCursor();
void SetCursor(const Cursor* cursor);
void HideCursor();
void ShowCursor();
void ObscureCursor();
// Shows an obscured cursor again once the mouse has moved (checked before every wait and poll).
void revealmovedcursor();
// The theme cursors text and drags use: the arrow, the arrow with a plus (a copy) and the
// I-beam of text. paramErr for another number.
enum ThemeCursor : i32 { kThemeArrowCursor = 0, kThemeCopyArrowCursor = 1, kThemeIBeamCursor = 4 };
OSStatus SetThemeCursor(ThemeCursor cursor);
const Cursor& copyarrowcursor();
const Cursor& ibeamcursor();
// The cursor last set (tests and the compositor read it).
Cursor currentcursor();
bool cursorvisible();

}  // namespace kv
