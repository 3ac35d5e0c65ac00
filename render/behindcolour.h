// The colour behind objects: whether an object's colours are dimmed because its window is
// inactive.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Whether the objects of the current window draw dimmed: the window exists and is not hilited.
// (Windows here have no root control that could be inactive on its own.)
bool windowdimmed();
// 1 when the object's colours are to be dimmed: it has autoDim, no card image is being drawn
// (printing, a drag image, a window image), and the current window is not hilited; else 0.
i16 bgShouldBeGrayed(const spot& object);

}  // namespace kv
