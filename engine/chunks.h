// Chunk expressions: lines, items, words and characters of a text. Chunk specifications are
// parsed from the atoms, byte ranges of a value's text are narrowed to the chunks they name,
// chunks are counted, and texts are searched for texts (`contains`, `is in`, `offset`,
// `lineOffset`).
//
// Everything comes in two modes, chosen once per run from the global `twobyte` flag (the
// settings record): one-byte text, and two-byte (Shift-JIS) text where a character may take
// two bytes. Each mode-dependent routine reads the flag at its first use and keeps the body
// it chose until the runtime is reset.
//
// Lines, items and words are separated by the delimiters of the global state
// (`lineDelimiter`, `itemDelimiter`, `wordDelimiter`). In one-byte mode only a delimiter's
// low byte counts; in two-byte mode a delimiter above 255 is the two-byte character whose
// lead byte is its high byte, and delimiters match only on character boundaries.
//
// Every narrowing sets the globals `delcount` and `addcount`, which tell `put` and `delete`
// which delimiters surround the chunk and how many a write must add before it exists.
//
// Ranges are byte offsets [start, end) into the value's text. Values given to the scanners
// must hold text; a number is formatted first, as getfredsize does.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;

// How a chunk specification picks its chunks.
enum : u16 {
  chunkunused = 0,  // the slot is not in use
  chunklast = 1,    // `last`
  chunkmiddle = 2,  // `middle`, `mid`: count / 2 + 1
  chunkany = 3,     // `any`: a random chunk
  chunkrange = 6,   // chunks first..last (1-based, last >= first); ordinals first..tenth too
};

struct chunkspec {
  u16 mode = chunkunused;
  i32 first = 0;
  i32 last = 0;
};

// One specification per chunk type (token - 8001), applied lines, items, words, characters
// whatever order the script wrote them in.
struct chunkslots {
  chunkspec slot[4];
};

// --- Reading chunk expressions --------------------------------------------------------------
// The routines below read from atom `at` of the tokenised `text`, evaluating numbers and
// operands in the context and with the variable lists of the running handler (as
// `expression` does); *count is the number of atoms used.

// True when the atoms start a chunk specification: a chunk word, or an ordinal (after an
// optional `the`) and a chunk word.
bool startschunk(Handle atoms, i32 at);
// One specification, up to and including its `of` (also spelt `in`): `[the] <ordinal> <type> of`,
// `<type> <n> of`, `<type> <n> to <m> of`. The chunk numbers are expressions read as integers;
// `to` makes the range n..max(n, m). 4, 5, 6 or 7 (see above), or the status of a number.
scriptstatus buildchunk(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                        i32* count, u16* type, chunkspec* spec);
// Every specification in a row, each into the slot of its type (a later one of the same type
// replaces the earlier). 4 when there is none.
scriptstatus readchunks(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                        i32* count, chunkslots* slots);
// A chunk operand: the specifications, then one operand (`factor`, so `word 1 of x & y` is
// (word 1 of x) & y), narrowed and copied into `value`, a new owned text.
scriptstatus sourcechunk(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals,
                         i32* count, fred* value);
// The functions `offset(needle, haystack [, skip])` and `lineOffset(...)`, from the function
// name at `at`: an integer value. 49 without "(", 39 without a comma after the needle, 88
// without ")".
scriptstatus funoffs(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
                     fred* value);

// --- Narrowing and counting --------------------------------------------------------------
// Narrows [*start, *end) to the chunk the specification names: `last` the count-th chunk,
// `middle` chunk count / 2 + 1, `any` a random one, a range chunks first..last. An unused
// specification changes nothing.
void chunkset(fred* value, const chunkspec& spec, u16 type, i32* start, i32* end);
// Narrows by every used slot: lines, then items, words, characters.
void chunksetall(fred* value, const chunkslots& slots, i32* start, i32* end);

// The number of chunks of the type (8001 lines .. 8004 characters) in [start, end); 0 for an
// empty range or another type.
i32 countchar(fred* value, i32 start, i32 end, u16 type);
i32 domestcountchar(fred* value, i32 start, i32 end, u16 type);
i32 intlcountchar(fred* value, i32 start, i32 end, u16 type);

// Narrows [*start, *end) to chunks first..last of the type. Chunk 0 is the empty range at the
// start. A chunk beyond the text is the empty range at the end, with `addcount` the line or
// item delimiters to append before it exists. `delcount`: for lines and items 1 when a
// delimiter follows the range, -1 when the range ends the text; for words the word
// delimiters that directly follow; otherwise 0.
void chunkchar(fred* value, i32 first, i32 last, i32* start, i32* end, u16 type);
void domestchunkchar(fred* value, i32 first, i32 last, i32* start, i32* end, u16 type);
void intlchunkchar(fred* value, i32 first, i32 last, i32* start, i32* end, u16 type);

// The first word of the piece: leading word and line delimiters skipped, then up to the next
// such delimiter or the end; a word that starts with a double quote runs to the next double
// quote (included), a line delimiter or the end. 1 with the word's offsets, or 0 when the
// piece holds no word.
i16 oneword(const u8* text, i32 length, i32* end, i32* start);
i16 domestoneword(const u8* text, i32 length, i32* end, i32* start);

// --- Searching ------------------------------------------------------------------------------
// The 1-based byte offset of the first occurrence of the needle in the haystack, letters A-Z
// matching their lower case; 0 when there is none. One-byte mode: the empty needle is found
// at 1. Two-byte mode: matches start on character boundaries, two-byte characters match only
// themselves, and an empty haystack holds nothing.
i32 stringoff(const u8* hay, i32 haylength, const u8* needle, i32 needlelength);
i32 domeststringoff(const u8* hay, i32 haylength, const u8* needle, i32 needlelength);
i32 intlstringoff(const u8* hay, i32 haylength, const u8* needle, i32 needlelength);

// `offset`: the 1-based position of the needle in the haystack after `skip` characters
// (bytes in one-byte mode), counted from the skip point; 0 when it is not there. A skip below
// 0 counts as 0; a skip past the end finds nothing.
i32 textoffset(const u8* hay, i32 haylength, const u8* needle, i32 needlelength, i32 skip);
// `lineOffset`: the line number, counted from the line after `skip` lines, where the needle
// first occurs; 0 when it is not there or the text has no such line.
i32 textlineoffset(const u8* hay, i32 haylength, const u8* needle, i32 needlelength, i32 skip);

// --- Two-byte characters ---------------------------------------------------------------------
// The number of characters of a text handle (bytes less two-byte characters).
i32 getglyphcount(Handle text);

}  // namespace kv
