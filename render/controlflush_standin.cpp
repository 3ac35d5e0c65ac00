// Stand-in until buttons get live platform controls: no button holds a control, so there is
// nothing to dispose or rebuild; the next drawing of the card shows the buttons' new data.
#include "render/controlflush.h"

namespace kv {

void lowflush(const objread&, i16) {}

}  // namespace kv
