// The painter of the controls of buttons: draws one control into its window's port (or the
// current port while a card is drawn off the window) in its state. Draw1Control hands every
// control of those kinds to it.
#pragma once

#include "platform/controls/controls.h"

namespace kv {

void paintcontrol(ControlRef control);

}  // namespace kv
