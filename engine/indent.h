// Script indentation: re-indents a Veltrix script text by its block structure (handlers,
// if/else, repeat, switch/case, try/catch). A small reader of plain words walks the text
// statement by statement, with its own table of block words; it never tokenises through the
// keyword table.
//
// Two forms share the walk:
// - the text form writes a new copy of the text in which every line starts with
//   (level x tab size) spaces, its own leading blanks removed, and carries a selection
//   through the change;
// - the level form answers the level of every line and leaves the text as it is. The auto-indent
//   of script fields stores these levels in the text engine's line table (with the record's
//   auto-indent size as the tab size), and redraws when they change.
//
// Handlers (on, function) raise the level by one; blocks raise it only inside a handler, so
// statements outside any handler stay flush left. A repeat or if body is one level in, a
// switch or try body two levels with each case or catch line one level out. A line continued
// by the continuation character gets the next line one extra level. Where the structure stops
// making sense (an `end` that does not close the open block, an `if` whose condition is broken
// off), the rest of the text is copied line by line at the level reached.
#pragma once

#include "platform/types.h"
#include "textengine/werecord.h"

namespace kv {

// The tab size a run uses: negative counts as 0, above 8 as 8. With 0 every line loses its
// leading blanks and gains none.
i16 indenttabsize(i32 tabsize);

// Text form. Without `inplace`, answers a new handle holding the indented text (the caller owns
// it); with it, `text` receives the indented text and the answer is none. The selection (by
// reference, either may be null) is moved with the characters around it; its start is first
// moved forward over the blanks that follow it. When the text is none, or memory runs out, the
// alert sound plays, the answer is none and neither the text nor the selection changes.
Handle indent(Handle text, i32* selstart, i32* selend, i16 tabsize, bool inplace);

// `indent` in place, as externals reach it; the 16-bit form narrows the moved selection to
// the 16-bit range.
void xkv4indent(Handle text, i32* selstart, i32* selend, i16 tabsize);
void xkv3indent(Handle text, i16* selstart, i16* selend, i16 tabsize);

// Level form: `*levels` becomes a new handle of one i16 level per line of the text (lines end
// at returns; a text ending in a return has an empty last line, at the level reached at the
// end). With a tab size of 0 every level is 0. Answers 0; 1 for a missing text (after the
// alert sound); 37 when memory runs out (`*levels` stays none).
i16 indentlevels(Handle text, i16 tabsize, Handle* levels);

// Text-engine form: the auto-indent of a script field. Sets the indentation level of every line
// of the record (its auto-indent size as the tab size); wrapped rows of a line take its level.
// When a level changed the record's view is invalidated in its window. A record without text:
// the alert sound.
void PscriRTautoindentproc(WEReference we);

// The auto-indent settings of a record: bit 18 of its reference value ('refc'), and the
// user-info tags 'TSIZ' (indent size) and 'EMSP' (the width of a space); 0 when absent.
bool WEGetAutoIndentFlag(WEReference we);
void SetAutoIndentSize(WEReference we, i32 size);
i32 GetAutoIndentSize(WEReference we);
i32 GetAutoIndentSpaceWidth(WEReference we);


}  // namespace kv
