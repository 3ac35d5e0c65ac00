// The colour behind objects: whether an object's colours are dimmed because its window is
// inactive, and the object a control stands on.
#pragma once

#include "platform/types.h"
#include "shell/desk.h"
#include "store/records.h"

namespace kv {

// Whether the objects of the current window draw dimmed: the window exists and is not hilited.
// (Windows here have no root control that could be inactive on its own.)
bool windowdimmed();
// 1 when the object's colours are to be dimmed: it has autoDim, no card image is being drawn
// (printing, a drag image, a window image), and the current window is not hilited; else 0.
i16 bgShouldBeGrayed(const spot& object);
// The object a control stands on: searching backwards from the object before it in its own
// list (then, for an object of the window's card, the background list from its last object),
// the first visible object (or any, while the window shows invisibles) with a non-empty
// rectangle that holds the object's rectangle whole and is a filled plain graphic (rectangle,
// round rectangle, oval, line, polygon or arc without alternate data), tabs, an image well, a
// placard, a window header, a list header or a secondary group box. 1 with *list and *index
// replaced by the parent's, else 0 (also for an object with an empty rectangle). The lists are
// those of the window context `d`; the plain form uses the current one.
i16 spotparent(const desk& d, Handle* list, i16* index);
i16 spotparent(Handle* list, i16* index);

}  // namespace kv
