// TextEdit: small editable texts of one font and size, as dialogs' edit items use them. A
// record (a registry id, RegType::textedit) holds Mac Roman text up to 32,767 bytes, the
// selection, the destination rectangle the text wraps in and the view rectangle it is drawn
// in, in the coordinates of the port that was current when it was made. Cut, copy and paste
// go through the system clipboard ('TEXT').
#pragma once

#include <string>
#include <string_view>

#include "platform/qd/qdtypes.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

using TEHandle = RegistryId;

// A routine that draws a piece of a line in place of DrawText: the piece is `length` bytes of
// `buffer` from `offset`, drawn at the pen in the port's font, leaving the pen after it.
using TEDrawHook = void (*)(i16 offset, i16 length, const void* buffer);

constexpr i32 kTEMaxLength = 32767;

// A record drawing in the current port, in its font and size.
TEHandle TENew(const Rect* destRect, const Rect* viewRect);
void TEDispose(TEHandle te);
bool isvalidte(TEHandle te);

// The text (Mac Roman); a longer text is cut to kTEMaxLength. Setting it puts the
// insertion point at its end and does not draw.
void TESetText(const void* text, i32 length, TEHandle te);
std::string_view tetext(TEHandle te);
i32 TEGetLength(TEHandle te);
void TESetSelect(i32 selStart, i32 selEnd, TEHandle te);
void TEGetSelection(TEHandle te, i32* selStart, i32* selEnd);
// The rectangles; the text wraps at the destination's width.
void TESetRects(TEHandle te, const Rect* destRect, const Rect* viewRect);
Rect tedestrect(TEHandle te);
Rect teviewrect(TEHandle te);
void TESetFont(TEHandle te, i16 font, i16 size);
i16 tefont(TEHandle te);
i16 tesize(TEHandle te);

// A typed character: replaces the selection; backspace (8) deletes before the insertion point
// or the selection, the left and right arrows (28, 29) move it; other control characters
// below 32 but return are ignored.
void TEKey(u8 key, TEHandle te);
// Replaces the selection with the text (the insertion point after it), and deletes it.
void TEInsert(const void* text, i32 length, TEHandle te);
void TEDelete(TEHandle te);
// The selection to and from the system clipboard.
void TECut(TEHandle te);
void TECopy(TEHandle te);
void TEPaste(TEHandle te);
// A click at a point of the port: the insertion point nearest it; with extend the selection
// grows to it; a double click selects the word under it (with extend, grows to it).
void TEClick(Point pt, bool extend, TEHandle te, bool doubleclick = false);
// The caret's blink: on an active record with an insertion point the caret is inverted in the
// current port each caret time.
void TEIdle(TEHandle te);
// Lines break only at returns (never wrap at the destination's width) while set.
void TESetCROnly(TEHandle te, bool on);
bool tecronly(TEHandle te);
// The routine the record draws its text through (none: DrawText).
void TESetDrawHook(TEHandle te, TEDrawHook hook);
// The TextEdit scrap: the text cut or copied last, which is the system clipboard's text; its
// length (0 with no text there).
i32 TEGetScrapLength();
void TEActivate(TEHandle te);
void TEDeactivate(TEHandle te);
bool teactive(TEHandle te);

// The lines the text takes at the destination's width (an empty text takes 1).
i32 tecountlines(TEHandle te);
// The line height of the record's font.
i16 telineheight(TEHandle te);
// Draws the text within the view rectangle (cut to `area`), with the selection inverted while
// the record is active.
void TEUpdate(const Rect* area, TEHandle te);

// The lines a text takes when wrapped at a width in the current port's font (1 for none).
i32 countwrappedlines(std::string_view text, i16 width);
// Draws a text wrapped within a box in the current port's font, from its top (TETextBox
// with left alignment).
void TETextBox(const void* text, i32 length, const Rect* box, i16 just);

}  // namespace kv
