// A stand-in until native routines can be called: a native routine that is found answers
// "not built yet" and does not run.
#include "system/nativecall.h"

#include "commands/dispatch.h"

namespace kv {

i16 callxtn(const xentry&, hierpath, Handle, i32, Handle, Handle, fred*) { return statusnotbuilt; }

}  // namespace kv
