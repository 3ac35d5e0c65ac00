// A stand-in until externals can be loaded and register for events: no external is resident,
// so no event is taken and none was posted.
#include "system/externalevents.h"

namespace kv {

i16 sendxrtnevent(WindowRef, i32, const EventRecord*) { return 0; }

void sendxrtnposted() {}

}  // namespace kv
