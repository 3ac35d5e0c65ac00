// Typing the start of a row to select it in a list: the keys typed within 90 ticks of each
// other gather in a buffer, and the first row whose text starts with them (case-blind) is the
// one found. listKey and the keyboard handling of dialog lists each keep a buffer of their own.
#pragma once

#include <functional>

#include "platform/types.h"

namespace kv {

constexpr u32 kTypeAheadTicks = 90;   // the longest pause between the keys of one search
constexpr i32 kTypeAheadLimit = 255;  // the characters a buffer holds

struct typeahead {
  u32 list = 0;  // the list the buffer belongs to
  i32 length = 0;
  u32 last = 0;  // the tick of the last key
  u8 text[kTypeAheadLimit]{};
};

// Whether a key takes part in typing ahead: a letter, digit, punctuation, space or backspace.
bool typeaheadkey(u8 key);

// Adds a key for a list at tick `now`: a key for another list empties the buffer first;
// backspace drops the last character; a key more than 90 ticks after the previous one starts
// the buffer again with itself. False when the buffer was already full: it is emptied and the
// key is not searched for (the caller beeps).
bool typeaheadadd(typeahead& t, u32 list, u8 key, u32 now);

// The match of the typed characters against a cell's text: the cell starts with them, case
// ignored.
bool listcellmatches(const u8* typed, i32 length, const u8* cell, i32 celllength);

// The first of `rows` rows whose cell matches the buffer, -1 for none. `cell(row, buffer,
// limit)` puts the row's text into the buffer and answers its length (-1 for no such cell).
i32 typeaheadsearch(const typeahead& t, i32 rows, const std::function<i32(i32, u8*, i32)>& cell);

}  // namespace kv
