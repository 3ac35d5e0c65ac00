// A stand-in for list fields until they are built: no live list is made, so no field has one.
#include "fields/listfields.h"

namespace kv {

void forcelistload(spot&, i16) {}

bool haslivelist(const spot&) { return false; }

bool listselectedrows(const spot&, Handle) { return false; }

i32 listcelltext(const spot&, i32, u8*, i32) { return -1; }

}  // namespace kv
