// Name keys. Every list that is searched by name (variables, user properties, handlers,
// resources, externals, cards and windows by name) keeps beside each name a 32-bit key
// computed from it. A lookup skips entries whose key differs from the wanted name's and
// compares the names themselves only where the keys agree: equal keys never mean equal names.
//
// The key folds case, Mac Roman accents and punctuation, so that names the case-insensitive
// comparisons treat as equal always have equal keys.
#pragma once

#include <array>

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// The class number 0..31 of each byte: letters 1..26 (both cases), digits 0-4 27..31 and 5-9
// sharing a letter's number, accented letters and ligatures their base letter's, all else 0.
extern const std::array<u8, 256> transformtable;

// The key of a length-prefixed name. The empty name has key 0.
void getkey(ConstStringPtr name, u32* key);

// Fills a card-list entry's 32-byte search hint with zeros (all that building a hint does).
void hash(void* hint);

// The `compact` command at atom `at`: compacts and flushes the current project's store,
// unless it is locked. 19 when a word follows; a store failure is fatal.
scriptstatus compact(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
