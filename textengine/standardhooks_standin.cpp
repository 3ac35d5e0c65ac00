// Stand-in until the standard hooks are built: no hook of a record is filled in, so a record
// keeps exactly the hooks its creator installed. The standard hooks replace this file.
#include "textengine/weinternal.h"

namespace kv {

void _WESetStandardHooks(WEReference) {}

}  // namespace kv
