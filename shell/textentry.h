// Field settings of text records, typing and pasting into the two kinds of text record within
// their limits, the clipboard's change count, the grouped-text draw routine and a field's theme
// frame. The settings bits themselves (Set/Get flags, margins) live in fields/fieldview.h.
#pragma once

#include "platform/qd/qdtypes.h"
#include "platform/te/te.h"
#include "platform/types.h"
#include "store/records.h"
#include "textengine/werecord.h"

namespace kv {

// The most characters a TextEdit record takes by typing or pasting.
constexpr i32 kTELimit = 32000;

// Sets up a new field's text record: no wrapping (bit 16, 'dont' = 1, lines broken only at
// returns), a scroll bar (bit 17, automatic scrolling on, else off) and embedded objects (bit
// 18, 'ftyp' 2 or 1). Nothing without a record.
void weconfigure(u16 nowrap, u16 scrollbar, u16 allowobjects, WEReference we);
// Gives a TextEdit record the grouped-text draw routine; with `nowrap` its lines break only at
// returns.
void teconfigure(u16 nowrap, TEHandle te);
// Scrolls a shown field's (style 300, 301) text record to `value`, never past the last full
// view.
void wesetscroll(const spot& field, i32 value);
// Draws a field's theme frame (a list box's for list fields) outside its interior.
void myDrawThemeEditTextFrame(const Rect& r, u32 state, const spot& field);
// Inserts plain text at the selection (without adjusting the spaces around it) and marks the
// record changed.
void weinsert(const void* text, i32 length, WEReference we);
// Pastes the clipboard into the record (the paste-in-progress flag set meanwhile) and marks it
// changed.
void wepaste(WEReference we);
// Types one key (with the current event's modifiers) and marks the record changed; a record
// with a scroll bar scrolls to the caret for the key.
void wekey(u8 c, WEReference we);
// Pastes the clipboard's text into a TextEdit record, or beeps when the text would pass
// kTELimit.
void tepaste(TEHandle te);
// Types one key into a TextEdit record: a backspace always; another key beeps instead when the
// text would pass kTELimit.
void tekey(u8 c, TEHandle te);
// The TextEdit clipboard goes to the system clipboard and its change count is remembered.
void textoscrap();
// Remembers the system clipboard's change count (after the runtime itself wrote it), and
// whether it changed since.
void SaveScrapSeed();
bool ScrapSeedHasChanged();
// When another program changed the system clipboard: the runtime's object and card clipboards
// are emptied, the system clipboard's content taken over, and the count remembered.
void checkscrap();
// The TextEdit draw routine: draws a piece of text; with `showGroups` a grouped piece (face bit
// 7) not beginning with a return is underlined in grey, 2 pixels thick, 2 pixels below the
// baseline.
void PmainRTdrawgrouproc(i16 offset, i16 length, const void* buffer);

}  // namespace kv
