// Field drawing and the text records of fields: fields 300-303 drawn with their fill, frame,
// text, lines, theme frame, scroll bar, ruler and focus ring, and the open field drawn over a
// card.
#pragma once

#include "platform/types.h"
#include "store/records.h"
#include "textengine/werecord.h"

namespace kv {

// Draws one field: the object copy, the outline mode, its list and index, the port's depth.
void LowDrawField(spot& object, i16 outline, Handle list, i16 index, i16 depth);
// Draws the open field over the card of its window.
void drawopenfield();

// A temporary text record of a field's stored text, for one drawing (none when it cannot be
// made); the caller disposes it.
WEReference westupidtext(const LongRect& dest, const LongRect& view, const spot& object, bool dontwrap, bool canscroll);
// The field's own text record, made and kept in the object (none when it cannot be made).
WEReference westupidertext(const LongRect& dest, const LongRect& view, spot& object);
// The fake scroll bar of a 301 or 303 field and the ruler of a 300 or 301 field, drawn from
// its text record.
void wefakecontrol(spot& object, WEReference we);
void wefakerulercontrol(spot& object, WEReference we);

}  // namespace kv
