// A stand-in until the object clipboard and text graphics exist: the delete key clears
// nothing and no text graphic is ever edited.
#include "tools/objecttools.h"

namespace kv {

i16 clearselection() { return 0; }
void graphkey(u8) {}

}  // namespace kv
