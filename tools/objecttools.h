// The object tools: picking, moving and reshaping objects with the universal, pointer, field,
// button and graphic tools.
#pragma once

#include "platform/types.h"

namespace kv {

// The object kinds the picking tools name: graphics, buttons, fields, or any kind.
enum : i16 { pickgraphics = 0, pickbuttons = 1, pickfields = 2, pickany = 4 };

// A click of a picking tool on objects of a kind: 0, a script error or the last message's
// result.
i16 hyperclick(i16 kind, Point pt);
// A click of the pointer tool on an object list.
i16 selectspot(Handle list, Point pt);
// The delete key with an object tool: the selected objects are cleared. 0 or a status.
i16 clearselection();

}  // namespace kv
