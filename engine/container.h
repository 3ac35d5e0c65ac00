// Containers: what a script can write text into (a variable, the message box, a field or the
// selection, optionally narrowed by a chunk), resolved by `destination` and written by
// `pututil`.
#pragma once

#include "engine/fred.h"
#include "engine/hier.h"
#include "engine/tokens.h"
#include "platform/types.h"

namespace kv {

enum : u16 { containerfield = 0, containervariable = 1, containermessage = 2, containerselection = 3 };

// The container part of an object descriptor.
struct chunkpart {
  u16 kind;
  u16 chunkgiven;
  u32 start;  // the byte range a write replaces: [start, end)
  u32 end;
  fred value;    // a variable's working copy, or the container's own text (class 8)
  u32 addlines;  // line delimiters to add before the written text
  u32 additems;  // item delimiters to add
  i32 delcount;
  Handle field;  // a field container: a handle holding the object descriptor that names the
                 // field (store/objread.h), released with the container
};

// Resolves the container at the atoms. `create` makes a missing variable (unless
// explicitVars is set); `allowliteral` takes a quoted string as the variable `it`. 45 for a
// constant, a quoted string where not allowed or a variable that does not exist.
scriptstatus destination(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                         i32* count, chunkpart* dest, i16 create, i16 allowliteral);
// A chunk of a container (`item 2 of line 3 of v`): the specifications, then the container,
// resolved by `destination` with the global `chunkflag` set; the range is narrowed to the
// chunk, with the line and item delimiters a write must add and the delete count (for lines
// and items 1 when a delimiter follows the chunk, -1 when the chunk ends the text, 0 when it
// is all the text from the container's start; for words the word delimiters that follow).
// 4 without a specification; otherwise as `destination`.
scriptstatus destchunk(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
                       chunkpart* dest, i16 create, i16 allowliteral);
// Writes the value (consumed) into the container `into`, `before` or `after` its range; the
// container is released in every case.
i16 pututil(chunkpart* dest, fred* value, u16 preposition);
// `put value after word` where the word, ending its statement, is a variable whose text is
// already in a handle: the value (consumed) is added to its end as destination and pututil
// would add it, without the container record. *done false (nothing consumed, nothing
// reported) when the put is not of that kind; a missing variable is made as destination
// makes it.
i16 appendtoword(Handle text, Handle atoms, i32 at, Handle variables, fred* value, bool* done);
// As appendtoword for the quoted literal at atom `literal` (the value of `put "…" after word`),
// without making its value: the literal's characters are added when they are 1 to 31 and the
// last is no zero byte, the literal's value then being exactly those characters.
i16 appendquotetoword(Handle text, Handle atoms, i32 literal, i32 at, Handle variables, bool* done);
// `put value into word` where the word, ending its statement, is a variable holding no text
// handle and the value is a number, boolean or up/down flag the statement made: the variable
// takes the value's type and number as pututil would give them, without the container record.
// *done false (nothing consumed) when the put is not of that kind; a missing variable is made
// as destination makes it.
i16 putintoword(Handle text, Handle atoms, i32 at, Handle variables, fred* value, bool* done);
// The message box as a container (a put without a preposition writes there).
i16 messagedestination(chunkpart* dest);
// Releases a resolved container without writing.
void releasecontainer(chunkpart* dest);

}  // namespace kv
