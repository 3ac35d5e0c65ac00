// Stand-in until drag and drop is built: no drag is ever in progress, so there is no data.
#include "tools/dragdata.h"

namespace kv {

Handle GetDragData(i32, OSType, i16) { return nilhandle; }

}  // namespace kv
