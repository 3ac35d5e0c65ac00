// Helpers of containers and `put`: the texts of the key messages, lengths in characters of
// two-byte text, keyword tokens read from a script or an expression, and the borrowed marks
// of the global variables.
#pragma once

#include <string>

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;


// The message text for a typed byte: the message name, a blank and the character as a quoted
// literal ("keyStroke "a""). A double quote, a return and a zero byte cannot stand inside a
// literal, so they are named by their constants (keyStroke quote, keyStroke return,
// keyStroke null) and every key reaches the handler as its one-character parameter.
// In two-byte mode a lead byte (129-159, 224-234) is held and `out` is left empty; the next
// byte from 64 to 252 completes the two-byte character, any other byte stands alone. The two
// messages hold their pending bytes apart.
void keystrokestr(StringPtr out, u8 c);
void keyinfieldstr(StringPtr out, u8 c);

// Replaces the value by the number of characters of its text (in two-byte mode, bytes less
// two-byte characters).
void readlength(fred* value);

// Positions in a field's text: scripts count characters, the text counts bytes. In two-byte
// mode a two-byte character is one character of two bytes; in one-byte mode the two agree.
//
// The byte range of a selection placed by a script in a text: characters start..end (0-based,
// end excluded) become byte offsets; `before` puts the caret at the start, `after` at the end,
// anything else selects the range. The field being edited takes it as its selection.
void selectext(i32 start, i32 end, u16 preposition, Handle text, i32* selstart, i32* selend);
// The chunk a selection of bytes [selstart, selend) covers, as `the selectedChunk` gives it:
// "char <first> to <last> of " and the field's reference text, as long as it needs to be.
std::string selectedchunkstr(i32 selstart, i32 selend, Handle text, ConstStringPtr field);
// Byte offsets of a click range turned into character positions.
void adjustclickchunk(i32* start, i32* end, Handle text);

// Marks every entry of the global variable list as borrowed, so that a list built over it does
// not release the globals' names and values.
void localtoglobal();

// A keyword token from the script: a word of the other-word, property, constant or name-form
// classes, or the end of the line, is taken as it stands (one atom); anything else is
// evaluated and its text (at most 255 bytes) looked up as a keyword. 4 when the expression
// fails or its text is no keyword. *count is the atoms used (0 on failure).
u16 getoken(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count);

}  // namespace kv
