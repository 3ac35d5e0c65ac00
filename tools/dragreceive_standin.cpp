// Stand-in until drops are received: the receive handler takes no drop, so every drop over the
// program's windows is refused (-1857) and changes nothing.
#include "tools/dragtrack.h"

namespace kv {

OSErr MyDefaultReceiveHandler(WindowRef, u32, DragRef) { return dragNotAcceptedErr; }

}  // namespace kv
