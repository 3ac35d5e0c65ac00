// Writing a text record back into a field's or text graphic's stored text, and filling a
// record from a field's stored text.
#pragma once

#include "store/records.h"
#include "textengine/werecord.h"

namespace kv {

// Packs the record's text, style runs and a tail (the stored text's own, with the record's
// first paragraph's alignment) into `stored` (its id kept, in the form of store/fieldtext.h)
// and clears the record's changed flag. `uprops` (may be null) is the object's user-property
// list slot; `keepfonts` keeps its internal font entries.
OSErr wepacktext(Handle stored, Handle* uprops, WEReference we, bool keepfonts);
// The same for a field's record (a stored text is made when the field has none).
OSErr wenewpacktext(spot& field, WEReference we);
// Fills a record from a field's stored text.
OSErr wenewunpacktext(const spot& field, WEReference we);

}  // namespace kv
