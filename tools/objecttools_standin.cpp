// A stand-in for the object tools until they exist: a click picks nothing, the delete key
// clears nothing.
#include "tools/objecttools.h"

namespace kv {

i16 hyperclick(i16, Point) { return 0; }
i16 selectspot(Handle, Point) { return 0; }
i16 clearselection() { return 0; }

}  // namespace kv
