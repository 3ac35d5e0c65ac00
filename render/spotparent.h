// The object a platform control stands on, found among the objects of the current window.
#pragma once

#include "platform/types.h"

namespace kv {

// The object that object `index` of `list` stands on, searched backwards in its own list and,
// for an object of the current window's card, then in the background list from its last
// object: the first visible object (or any, while the window shows invisibles) with a
// non-empty rectangle holding the object's rectangle whole that is a filled plain graphic
// (rectangle, round rectangle, oval, line, polygon or arc without alternate data), tabs, an
// image well, a placard, a window or list header or a secondary group box. 1 with list and
// index replaced by its, or 0 (also for an object with an empty rectangle).
i16 spotparent(Handle* list, i16* index);

}  // namespace kv
