// A stand-in until buttons have platform controls: no control wants idle time.
#include "render/controlvisibility.h"

namespace kv {

void setcontrolidle(Handle) {}

}  // namespace kv
