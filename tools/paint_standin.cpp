// A stand-in for the paint tools until painting exists: no tool paints anything and no paint
// session is ever open.
#include "tools/paint.h"

namespace kv {

i16 genericbrush(Handle, Point, i16) { return toolmadenothing; }
i16 dobucket(Handle, Point) { return toolmadenothing; }
i16 genericpen(Handle, Point, i16) { return toolmadenothing; }
i16 dolasso(Handle, Point) { return toolmadenothing; }
i16 genericline(Handle, Point) { return toolmadenothing; }
i16 genericpoly(Handle, Point) { return toolmadenothing; }
i16 genericrect(Handle, Point, i16) { return toolmadenothing; }
i16 doselect(Handle, Point) { return toolmadenothing; }
i16 dotext(Handle, Point) { return toolmadenothing; }

i16 putdownbmap() { return 0; }
bool bmapwantskeys() { return false; }
void bmapkey(u8) {}
void bmapidle() {}

}  // namespace kv
