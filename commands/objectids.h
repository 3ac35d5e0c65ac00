// Ids of new objects.
#pragma once

#include "platform/types.h"

namespace kv {

// The id a new object of an object list gets. An empty list (or none) gives `wanted`, or 100
// when it is 0. Otherwise `wanted` when it is not 0 and no object of the list has it, else one
// more than the largest id of the list, never below 100 (ids compare as signed numbers). When
// the largest id is the largest number there is, the lowest free id from 100 on.
u32 uniqueid(Handle list, u32 wanted);

}  // namespace kv
