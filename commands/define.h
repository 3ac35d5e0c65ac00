// User properties: `define` and `undefine`, and the list operations under them that the
// property setters, the packers and the externals' define-property callback share.
//
// A user-property list is a handle of `uprop` entries (name key, name handle without a length
// byte, value handle). An object never keeps an empty list: a list that becomes empty is freed
// and its slot set to none.
#pragma once

#include "engine/hier.h"
#include "engine/tokens.h"
#include "platform/types.h"
#include "store/objread.h"

namespace kv {

// `define [the] name of|in object` and `undefine ...` (the command word at `at`). 18 for a bad
// name, 97 for a reserved word, 5 without "of"/"in", 19 for words left, 2 for an object
// without a list; the reference errors pass through.
scriptstatus comdefine(hierpath path, Handle text, Handle atoms, i32 at, Handle variables);

// Defines (tok::define) or undefines (tok::undefine) a property on the object a reference names:
// the list in the object's slot is edited, and the record that owns the slot is marked
// changed. For a control button whose data property this is, its value fields are reset and
// the controls of its card or background rebuilt. 2 for a kind without a list; 215 when a new
// list cannot be had.
i16 lowdefine(const objread& obj, ConstStringPtr name, u16 command);

// The list edit itself: `list` (may be none) becomes *newlist; *changed is set when anything
// changed. Defining an existing name and undefining a missing one set `the result` and change
// nothing. An emptied list is freed (*newlist none). 215 when a new list cannot be made, 37
// when an entry cannot be added.
i16 comodproperty(Handle list, Handle* newlist, i16* changed, u16 command, ConstStringPtr name);

// Define or undefine on a list slot without touching `the result`; the slot is updated when
// the list changed.
i16 lowdefineprop(Handle* slot, ConstStringPtr name);
i16 lowundefineprop(Handle* slot, ConstStringPtr name);

}  // namespace kv
