// The text-engine half of field text storage: a field's live text record made from its
// stored text (the characters, their style runs and the tail of paragraph and default-style
// settings; store/fieldtext.h), and a stored text loaded into a record.
#pragma once

#include "store/records.h"
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

// A live record in the single-stream form into `dest`: every style run (two or more) or none
// and the continuous style in the tail; with `fontprops`, the user properties "__textFont"
// (the name of a one-style text's font numbered 2 or above) and "__fontTable" (the font table
// of a text of several runs) follow. The record is clean afterwards.
OSErr wepacktext(Handle dest, Handle* uprops, WEReference we, bool fontprops);
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
// The field's spot margin kept on its record ("RECT": the destination's offset from the
// field's rectangle, v and h); Get answers false (and 0, 0) when there is none.
void SetWERecSpotMargin(WEReference we, Point margin);
bool GetWERecSpotMargin(WEReference we, Point* margin);

}  // namespace kv
