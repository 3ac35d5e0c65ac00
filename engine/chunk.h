// Chunk expressions: lines, items, words and characters of a text, and the text search the
// containment operators use.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;

// The 1-based offset of the first occurrence of the needle in the haystack, ignoring the case
// of A-Z; 0 when there is none. The empty needle is found at 1.
i32 stringoff(const u8* needle, Size needlesize, const u8* hay, Size haysize);

// The value of a chunk expression starting at the atoms (`line 2 of x`, `first word of y`).
i16 sourcechunk(hierpath context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
                fred* value);

}  // namespace kv
