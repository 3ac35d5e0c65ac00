// The paragraph ruler of a field: a custom platform control across the top of the field whose
// definition procedure draws the scale and the indent indicators of the selection's
// paragraphs, kept in step with the field's text record.
#pragma once

#include "platform/controls/controls.h"
#include "platform/types.h"

namespace kv {

// The ruler control's definition procedure (the control host's messages).
i32 RulerControlDefProc(i16 varCode, ControlRef control, i16 message, i32 param);
// Refresh the ruler's cached indents and tab stops from its text record's selection; 1 when
// they changed.
i16 UpdateRulerIndents(ControlRef control);
i16 UpdateRulerTabs(ControlRef control);
// The ruler drawn active (the window is hilited) or inactive.
void ActivateRuler(ControlRef control, bool active);

}  // namespace kv
