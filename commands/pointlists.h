// Point lists: a script's comma-separated numbers as points.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// The comma-separated expressions from atom `at` (up to the first atom that is no comma after
// an expression), their texts joined, read as pairs h,v: a new handle of points (v, h), count
// = size / 4. 2 for an empty list or an odd count of numbers, 39 for a pair without its comma,
// 209 for a coordinate outside 16 bits, or a conversion error. *count is the atoms used.
scriptstatus getloclist(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, Handle* points);

}  // namespace kv
