// The built-in command and function dispatchers: the last stop of a message that no handler
// and no external took, and of the function forms that never travel the message path.
//
// Every command routine has one signature (`comproc`): the message path of the running
// script, its text, its atoms with the index of the statement's first atom (the command
// word), and the handler's variable list. It answers 0, a positive script error, or one of
// the engine's negative statuses (pass, cancel, card changed), which the dispatcher hands back
// unchanged.
//
// Every function routine has one signature (`funproc`): the same four, then the number of
// atoms the call spans (out; "the", the function word, "of", parentheses and every operand
// counted) and the function's value (out, a new owned temporary). It answers 0 or a positive
// script error; a routine that fails leaves no value to release.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

struct fred;

using comproc = scriptstatus (*)(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
using funproc = scriptstatus (*)(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                                 fred* value);

// Runs the built-in command named by the statement's first atom (commandtable.cpp holds the
// table): refuses the plug-in commands with 175, empties `the result` before the commands that
// set it, and posts a positive status at the statement.
scriptstatus syscom(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// Evaluates the built-in function whose token is at the atoms (after "the" when the first atom
// is "the"), in any of its forms (functiontable.cpp holds the table): refuses currentMenu,
// currentWindow and dialog with 176 in plug-in mode, and posts a positive status at the call.
scriptstatus sysfun(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);

// The command routine of every token the table does not name: 0 for an empty statement and for
// the message names 2001-2220 that no handler took, 1 for any other word.
scriptstatus comothers(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
// The function routine of every token the table does not name: 41.
scriptstatus neverfunproc(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);

// The answer of a command or function whose routine is not part of this program yet: 124, "Not
// available on this system". The tables point every such row at these two routines; giving a
// row its routine is the only change needed when the routine is written.
scriptstatus comnotbuilt(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);
scriptstatus funnotbuilt(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count, fred* value);

// The status of a command word or operand the routines do not understand.

}  // namespace kv
