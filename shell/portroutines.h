// Small port and colour routines the window code shares.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

namespace kv {

// Copies an 8-byte pattern.
void copypat(const Pattern* src, Pattern* dst);
// The colour table of a card or background (asked only while colour mode is on): a new copy
// of the 256-colour standard table, which every card and background uses, since the project
// keeps no table of its own. 0, or 37 when memory runs out (*out is then 0).
i16 getclut(RegistryId store, u32 recid, Handle* out);
// Black foreground, white background in the current port.
void restcolor();
// Removes custom drawing procedures from a port: it draws with the standard ones.
void setstandarderaseprocs(CGrafPtr port);

}  // namespace kv
