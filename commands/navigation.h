// Navigation from scripts: the destination parser, the go, help, arrowKey, open, close, quit
// and reset commands, and the quit sequence.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"
#include "store/forms.h"

namespace kv {

// Reads a destination from atom `at` to the end of the line into *f: a place word alone or
// with `card` (first..tenth, last, middle, any, prev, next, this: the place words count from
// the current card), `back`/`recent` and `forth` (the card history's steps; an empty *f when
// there is nowhere to go), a quoted card name, an expression whose value is a reference text
// (a variable holding "card 3" or a long id), or an object reference. 0, 19 for words left
// over, 2 for no destination, or the status of evaluating or reading the reference.
scriptstatus scangoto(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, form* f);

// `go [to] <destination>`: 0 (also when a handler moved elsewhere meanwhile, and when the user
// cancelled looking for a project: then "Cancel" is the result), or a status.
scriptstatus comgo(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `help`: goes to the project named "help".
scriptstatus comhelp(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `arrowKey left|right|up|down`: the previous or next card (the first or last with the command
// or option key in the current event), the history's forward or back step. 2 for another
// word, 19 for none or more than one.
scriptstatus comarrow(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `open ...`: a window at a destination ([invisible] or [with startUp]), and the other things
// that open (movie, sound, film, pics, file, print job, printing, pageSetup, resources, step).
scriptstatus comopen(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `close ...`: a window, a project's windows, all windows (the quit sequence), and the other
// things that close.
scriptstatus comclose(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `quit`: the quit sequence without the card in the hand-over.
scriptstatus comquit(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// `reset paint` (the paint tool settings) and `reset doubleClickTime`.
scriptstatus comreset(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// The quit sequence that quit, close all windows and the menu-key path share: the hand-over
// to the companion editor is written (with the current card when `withcard`), an external may
// refuse the quit, then every window closes from the first table entry on (the last one's
// "quitKestrove" handler may cancel by exiting to the top) and the program ends. 0 when the
// quit was refused or cancelled, or a closing status; otherwise it does not return.
i16 shutdown(i16 withcard);

}  // namespace kv
