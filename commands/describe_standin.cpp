// A stand-in for the listings of `describe` until they are built: a field's embedded objects
// list as no lines.
#include "commands/describe.h"

namespace kv {

i16 addiotas(const objread&, Handle, u16) { return 0; }

}  // namespace kv
