// A stand-in until objects follow their window's size: nothing moves.
#include "shell/objectresize.h"

namespace kv {

i16 resizespots(const desk&, u16, u16, u16) { return 0; }

}  // namespace kv
