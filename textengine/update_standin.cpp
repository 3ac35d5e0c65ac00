// Stand-in until line drawing is built: a record's text is not drawn yet. Line drawing
// replaces this file.
#include "textengine/werecord.h"

namespace kv {

void WEUpdate(RgnHandle, WEReference) {}

}  // namespace kv
