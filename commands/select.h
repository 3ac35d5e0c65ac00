// The `select` command: text of a field (a chunk, the whole text, or a caret before or after
// either), one object for editing with its tool, or nothing.
#pragma once

#include "engine/hier.h"
#include "platform/types.h"

namespace kv {

// `select ...` at atom `at`: lowselect on the statement's own words; when they fail with a
// script error, the words are read as one operand whose text is selected as if written out
// (`select x` with x holding "word 2 of field 1"). When the words are no one operand, the
// first failure is the answer.
scriptstatus comselect(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// The selection the atoms from `at` name:
//   empty                                   every selection cleared (19 for words after it)
//   [before|after] text of <field>          the whole text, or a caret at its start or end
//   [before|after] text of <text graphic>   the whole text of the graphic being typed into
//   [before|after] <chunk> of <field>       a chunk starting with line, item, word or char
//   <button, field or graphic>              that object alone, with its tool
// A field is opened for typing (the browse tool chosen first unless the browse or text tool
// is); an invisible field or a list field is left alone (0). 0, a negative internal status,
// or a script error: 2 no object (or a chunk of what is no field), 5 `text` without `of`, 10
// `text of` what is no field or text graphic, 19 words left, 61 an object no window shows.
scriptstatus lowselect(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

}  // namespace kv
