// The text-engine half of field text storage: a field's live text record made from its
// stored text (the characters, their style runs and the tail of paragraph and default-style
// settings; store/fieldtext.h), and a stored text loaded into a record.
#pragma once

#include "store/records.h"
#include "textengine/fieldpacking.h"
#include "textengine/werecord.h"

namespace kv {

// A record for a field's stored text, made while the port's font, size, face and colour are
// those of the stored tail (so an empty text takes the field's style), feature 12 only. Fails
// with the engine's error (*out none).
OSErr makefieldrecord(Handle stored, const LongRect& dest, const LongRect& view, WEReference* out);
// Loads a stored text into the record in the single-stream form: every character, the stored
// runs (or the tail's style when there are none), the tail's justification; the caret goes to
// the end and the record is clean. `uprops` is the field's user-property list (may be none).
// Layout and drawing wait until the load is done; a text that is not whole loads as empty.
OSErr weunpacktext(Handle stored, Handle uprops, WEReference we);
// A field's live record, made and filled: undo, intelligent cut and paste, temporary memory
// and multiple undo on, outline hilite off; tab stops with allowTabs; automatic scrolling and
// the scroll-bar setting for fields that can scroll; the field's margins, wrapping and
// objects-allowed settings. None when the engine cannot make one.
WEReference createwerec(const spot& field, const LongRect& dest, const LongRect& view);

// The field's spot margin kept on its record ("RECT": the destination's offset from the
// field's rectangle, v and h); Get answers false (and 0, 0) when there is none.
void SetWERecSpotMargin(WEReference we, Point margin);
bool GetWERecSpotMargin(WEReference we, Point* margin);

}  // namespace kv
