// The find command: a text searched in the fields of the current window card by card, the
// match outlined with a frame, and where it was found kept for the found functions
// (find.cpp).
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// The forms of a find: the word after `find`.
enum : u16 { findnormal = 0, findwhole = 1, findwords = 2, findchars = 3, findstring = 4 };

// `find [whole|words|chars|string] text [in field]`: goes to the card of the next match after
// the one shown, frames the match and sets the found texts; `the result` says "Not found."
// (with a beep) when there is none. 19 for words left, 2 for an `in` reference that is no
// field; the abort check's status when the user stops the search.
scriptstatus comfind(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// Whether `word` occurs in `text` under the form's rule; the match's range comes back in
// *start and *end (the reported range: a normal find reports to the end of the text's word).
// Letters A-Z match either case; a word longer than the text never matches.
i16 stringinstring(const u8* text, i32 length, const u8* word, i32 wordlength, u16 form, i32* start, i32* end);

// Takes the frame of the match shown away: the window redraws the found box, which is emptied.
void clearfind();

// Adds a rectangle to the found box.
void PfindRTmyhook(const Rect* r);

}  // namespace kv
