// The colours of objects. An object's colour fields are 8-bit indexes into the current colour
// table of the global state (the card drawing makes the layer's table current); index 255 is
// the default foreground and 0 the default background. While `colorWorld` is off objects draw
// black on white.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// The colour of an index in the current colour table; an index the table does not hold (or
// no table) takes the colour of the standard 8-bit table.
RGBColor clutcolour(u8 index);
// The port's foreground and background from two indexes while `colorWorld` is on; black on
// white while it is off.
void setcolourpair(u8 fore, u8 back);

// What of an object is drawn: its fill (fillFore on fillBack), its pen (penFore on penBack)
// or its text (255 on 0).
enum class ObjectPart { fill, pen, text };
// Sets the port's colours for a part of an object: an object that dims (`autoDim`) goes
// through setfillforeback, setpenforeback or setextforeback; any other takes the colour pair.
void setobjectcolours(const spot& object, ObjectPart part);

}  // namespace kv
