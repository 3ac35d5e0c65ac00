// The editing commands `cut`, `copy`, `paste` and `delete` (`clear`): selected text (of the
// text graphic being typed into, the field being edited or the message box), the selected
// objects through the object clipboard, and the paint selection; and the routines they share.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"
#include "platform/windows/windows.h"
#include "core/desk.h"

namespace kv {

// The command routines (the word after the command word at `at` + 1 decides). `comclear` is
// what `delete` and `clear` leave to the editing tools, and the Delete key's command (called
// with no atoms).
scriptstatus comcut(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comcopy(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus compaste(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus comclear(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// The selected objects of a window context cut, copied or cleared, and the object clipboard
// pasted into the edited layer of the current window. *done is 1 when there was something to
// act on. 0, 37 when the memory guard refuses, or a delete message's status.
i16 objectcut(const desk& d, i16* done);
i16 objectcopy(const desk& d, i16* done);
i16 objectpaste(i16* done);
i16 objectclear(const desk& d);
// The selected text cut, copied or cleared: 1 when some target had a selection.
i16 textcut();
i16 textcopy();
i16 textclear();
// The clipboard's text pasted (with styles unless `styled` is 0). 0 or a status.
i16 textpaste(i16* done, u16 styled);
// "deleteButton", "deleteField" or "deleteGraphic" to each selected object of a list: 0, the
// first non-zero status, or -991 when a handler changed the card.
i16 sendelete(WindowRef window, Handle list);
// Ends painting, typing into a text graphic and field editing: 0, a status, or -991 when a
// field is still being edited or the card changed meanwhile.
i16 putdownstuff();

}  // namespace kv
