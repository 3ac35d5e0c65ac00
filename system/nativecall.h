// Native routines ('XRtn'): externals called with the native call block (kv_native), the
// evaluated parameters as script values and a result value to fill, reaching the runtime
// through the routines of `nativeprocs` (system/nativeprocs.h).
#pragma once

#include "engine/hier.h"
#include "platform/types.h"
#include "system/kvexternal.h"

namespace kv {

struct fred;
struct xentry;

// Calls the native routine of a registry entry for the function call whose name is at atom
// `at` (the parameters follow in parentheses, separated by commas): 0 with the routine's
// answer in *result (the empty text when it gave none), 2 for parameters not separated by
// commas, or a parameter's error (then nothing is called). An entry whose code is not loaded
// (or went while the parameters were evaluated) answers 0 without a call. A routine that set
// bit value 2 of the block's result flags is unloaded after the call.
i16 callxtn(const xentry& entry, hierpath path, Handle atoms, i32 at, Handle text, Handle variables, fred* result);
// Unloads the external a block was made for: its event registrations end, its registry entry
// loses its code (the next call loads it again), a file-loaded entry goes; the block's code
// becomes 0.
void killcode(kv_native* block);

// The routines native externals receive (constant for the run).
const kv_nativeprocs* nativeprocs();
// The registration list empty, nothing posted (start-up).
void initxrtns();

// A script value as externals see it (the layouts are one).
kv_value* asvalue(fred* v);
fred* asfred(kv_value* v);
// The message path and the variables of a block (an empty path for a block without one).
hierpath blockpath(const kv_native* block);

}  // namespace kv
