// Housekeeping of the live text records of fields (styles 300 and 301): the field open for
// editing, keeping a record's rectangles in step with its field, freeing records and undo
// history to save memory.
#pragma once

#include "store/records.h"
#include "textengine/werecord.h"

namespace kv {

// True when a field is open for editing and its record is this field's live record. Before
// answering, the open-field record is forgotten when the text tool is chosen and no field is
// open.
bool havefield(const spot& s);
// Forgets the open-field record when no field is open.
void dumpfield();
// A field other than a list with a live record: brings its rectangles up to date, makes its
// record the open-field record and gives the record the current port. Otherwise the open-field
// record is forgotten when no field is open.
void loadfield(const spot& s);
// Sets the stored scroll of every scrolling field (301) of an object list to 0; then forgets
// the open-field record when no field is open.
void resetbgfields(Handle list);

// For a field of style 300 or 301 with a live record: whether the view rectangle the field
// gives now differs from the record's.
bool fldrecthaschanged(const spot& s);
// For a field of style 300 or 301 with a live record: makes the record's port current and
// gives the record the field's view and destination rectangles and margins. Nothing when
// neither rectangle changed. The text is laid out again only when the view's size or the
// destination's width changed; when the field only moved, the destination keeps its laid-out
// height (and with it the scroll).
void resyncwerects(const spot& s);

// Frees one live record to save memory: the first field of style 300 or 301 with a live record,
// walking the open windows in table order, in each the card's objects and then the
// background's. With onlyclean, only a record whose changed flag is clear. A changed record's
// text is packed back into its field first. The record of the field open for editing is never
// taken. 1 when a record was freed, 0 when none qualifies.
i16 cleanwerecs(bool onlyclean);
// Walking the fields in the same order and passing over the field open for editing, resets
// the modification count (and the undo history) of the first record whose count is not 0.
// 1 when one was reset, 0 otherwise.
i16 cleanweundos();
// Marks changed the card or background record that owns an object list of an open window
// (nothing when no open window shows the list).
void markspotsowner(Handle list);

}  // namespace kv
