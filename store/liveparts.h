// The live objects that a shown card keeps in its object records: the text-engine record or
// list of a field (the last u32 of the field's kind tail) and the platform control of a button
// with flag bit 21 (the last u32 of its control part). These slots hold registry ids while the
// card is shown and 0 in every stored or copied record.
//
// The object-list routines hand those objects to the subsystems that own them through the
// calls below; each leaves the object's slot 0.
#pragma once

#include "platform/types.h"
#include "store/records.h"

namespace kv {

// Disposes of a field's live text-engine record or list.
void releaselivefield(spot& s);
// Parks, hides and disposes of a button's platform control with its menu.
void releaselivecontrol(spot& s);
// Takes a list field out of list mode before it is packed.
void leavelistmode(spot& s);
// A field of style 300 or 301 being copied: writes the current text of the original's live
// record into the copy's data and alt list.
OSErr packlivetext(const spot& original, spot& copy);

}  // namespace kv
