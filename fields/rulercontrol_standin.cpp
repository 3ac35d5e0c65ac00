// A stand-in for the ruler control until it is built: its definition draws nothing and hits
// no part, and nothing is cached from the text.
#include "fields/rulercontrol.h"

namespace kv {

i32 RulerControlDefProc(i16, ControlRef, i16, i32) { return 0; }
i16 UpdateRulerIndents(ControlRef) { return 0; }
i16 UpdateRulerTabs(ControlRef) { return 0; }
void ActivateRuler(ControlRef, bool) {}

}  // namespace kv
