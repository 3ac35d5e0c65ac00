// Sorting the cards of the current window (sortcards.cpp).
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// One card's key: the card's index in the list before the sort (0-based) and the key's two
// words: a text handle (text and international keys, in `lo`), a double's bits, or signed
// seconds (date-time keys), low word in `lo`.
struct sortentry {
  u32 index;
  u32 lo;
  u32 hi;
};

// `sort [ascending|descending] [text|numeric|international|dateTime] by expression`. 0 without
// sorting when the project cannot be written or its disk is nearly full; 47 without "by"; 110
// when there are no cards, words follow the key, or the key changed the window's card list; 86
// when memory is refused.
scriptstatus comsort(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// The comparators of the four key types, in the sort's direction; equal keys keep the cards'
// order. Text: bytes compared with A-Z folded, a prefix first; international: the system's
// collation of the first 255 characters; numbers; date-times.
int textcomp(const void* a, const void* b);
int intercomp(const void* a, const void* b);
int numcomp(const void* a, const void* b);
int datecomp(const void* a, const void* b);

}  // namespace kv
