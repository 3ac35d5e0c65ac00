// Putting the open field up and down, and ending the paint and draw modes.
#pragma once

#include "platform/types.h"
#include "platform/windows/windows.h"
#include "store/records.h"
#include "textengine/werecord.h"

namespace kv {

// Opens field `index` of a list in a window for typing without messages: its live text record
// gets the keyboard and the field is redrawn. Nothing for a window not in the table.
void putupfieldutil(WindowRef window, Handle list, i16 index);
// Opens field `index` for typing and sends it "openField": 0 with a field already open (which
// stays), else the send's status. A handler that put the field down without leaving the card
// finds it open again, when the object at that index is still that field.
i16 putupfield(WindowRef window, Handle list, i16 index);
// Closes the open field without messages: its text written back, a list field's rows
// reloaded, its rectangle redrawn.
void putdownfieldutil();
// Closes the open field: a changed text marks the card record changed and sends "closeField",
// else "leaveField". 0 with none open, else the send's status.
i16 putdownfield();
// Gives the store its way to put down the open field after a script wrote into it (the field
// changed: "closeField"). Start-up installs it with the global state.
void installfieldputting();
// Writes back the live text record kept in a field of style 300 or 301 (the open field is put
// down first: its status when not 0), and with `dispose` releases the record. 0 for anything
// else.
i16 putdownspotwerec(spot& s, u16 dispose);
// Ends the editing of a text graphic: its text packed back, its record disposed.
void putdowngraph();
// Ends painting and the editing of a text graphic and redraws the current window: the paint
// session's status; 0 without drawing when neither was on.
i16 putdownmodes();

}  // namespace kv
