// A stand-in for the paint selection, lasso and text tools until they exist: they paint
// nothing, no selection or text is ever pending, and no session takes keys or idle time.
#include "tools/paint.h"

namespace kv {

i16 dolasso(Handle, Point) { return toolmadenothing; }
i16 doselect(Handle, Point) { return toolmadenothing; }
i16 dotext(Handle, Point) { return toolmadenothing; }

void killtext() {}
void killasso() {}
void killselect() {}
bool bmapwantskeys() { return false; }
void bmapkey(u8) {}
void bmapidle() {}

}  // namespace kv
