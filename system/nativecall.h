// Native routines ('XRtn'): externals called with the native call block, the evaluated
// parameters as script values and a result value to fill.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;
struct xentry;

// Calls the native routine of a registry entry for the function call whose name is at atom
// `at`; the status of the call.
i16 callxtn(const xentry& entry, hierpath path, Handle atoms, i32 at, Handle text, Handle variables, fred* result);

}  // namespace kv
