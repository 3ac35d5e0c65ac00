// Writing a text record back into a field's or text graphic's stored text, and filling a
// record from a field's stored text (the engine's half of field text storage, with
// fieldstorage.h).
#pragma once

#include "store/records.h"
#include "textengine/werecord.h"

namespace kv {

// A live record in the single-stream form into `stored` (its id kept, in the form of
// store/fieldtext.h): every style run (two or more), or none and the continuous style in the
// tail; with `fontprops`, the user properties in `uprops` (a list slot, may be null) follow:
// "__textFont" names a one-style text's font numbered 2 or above, "__fontTable" holds the font
// table of a text of several runs. The record is clean afterwards.
OSErr wepacktext(Handle stored, Handle* uprops, WEReference we, bool fontprops);
// A live record in the stream form into the field (data, user properties and alt list, made
// where absent): the text with its first run, then, for the two text-engine styles, the
// record's character runs, styles with their objects, paragraph runs and rulers as keyed
// streams (alt kinds 104, 105, 102, 103). The record is clean afterwards.
OSErr wenewpacktext(spot& field, WEReference we);
// The stream form loaded into the record in one put: the streams when both character runs and
// styles are kept (the stored runs and the font table are then passed over), else the stored
// runs or the tail's style; objects and paragraph formats for fields that allow objects. The
// caret goes to the end, the record is clean and its change count 0.
OSErr wenewunpacktext(const spot& field, WEReference we);

}  // namespace kv
