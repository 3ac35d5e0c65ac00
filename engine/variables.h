// Variables. Every handler call has its own variable list (parameters and locals); the global
// state holds one more for the global variables. A list is a handle of `varentry` records,
// appended at the end and never removed one by one; the whole list is released at once.
//
// A variable's value lives in a handle of its own holding one `fred` of class fredworking whose
// link is that same handle. Readers and writers take a working copy of that record (a plain
// copy) and end it with disposfred, which writes the new contents back.
//
// Names are compared by name key first (store/namekey.h), then by length and characters, the
// letters A-Z matching their lower case; at most 255 characters count.
//
// Statuses: 0, 16 no such variable, 18 bad variable name, 97 reserved word, 37 out of memory.
#pragma once

#include <type_traits>

#include "engine/atom.h"
#include "platform/types.h"

namespace kv {

struct fred;

enum : i16 {
  varowned = -1,     // the list owns the name and value handles
  varborrowed = -2,  // -2 or below: the handles belong to the global list and stay with it
};

struct varentry {
  i16 state;     // varowned, or varborrowed and below
  u32 key;       // the name key; 0 for a nameless entry
  Handle name;   // the name's characters (none for a nameless entry)
  Handle value;  // a handle holding the variable's stored `fred`
};
static_assert(std::is_trivially_copyable_v<varentry>);

// 0 when the text may name a variable; 18 when it is empty, does not start with a letter or
// '_' (accented letters included), or starts with "__"; 97 when it is a reserved keyword
// (operators, commands, functions, properties, constants, ordinals, chunk words, name forms
// and language words; the other keywords may name variables).
i16 badname(ConstStringPtr name);

// A new entry, in no list yet: the name checked (18, 97) and keyed, copied into a handle (the
// entry has no name handle when the memory guard refuses it), the value the empty text. With
// a null name the entry is nameless. 37 when the value handle cannot be had.
i16 lowcreate(ConstStringPtr name, varentry* out);
// lowcreate for an entry that will take over a value it is given: no value handle is made
// (the entry's value is none), but the memory guard is asked for one as lowcreate asks.
i16 lownamed(ConstStringPtr name, varentry* out);
// lownamed for a name already found good, whose key is known (a handler's parameter names,
// checked on the first call): the name is not checked or hashed again.
i16 lownamedkey(ConstStringPtr name, u32 key, varentry* out);
// Call frames: a handler call's arguments and parameter names take their handles from spares
// that finished calls gave back (dumpcallvars), so that the commonest call makes and releases
// none. A spare value handle holds the empty text, as a new one does; a spare name handle is
// given the name's characters (it often holds them already: the same handler called again).
// The spares are few, bounded, and go with the runtime's states.
//
// lowcreate(nullptr, out) for an argument of a call: the value handle is a spare when there is
// one (the memory guard is asked all the same).
i16 argumentcreate(varentry* out);
// A call's variable list holding the entries (`bytes` of them): a spare list when there is one,
// given a new serial (atoms that remembered where they found a variable of its last call do not
// take it for that list), else a new handle. 37 when it cannot be had.
i16 calllist(const varentry* entries, Size bytes, Handle* out);
// Appends a copy of the entry to the list; 37 when the list cannot grow.
i16 addvars(Handle list, const varentry& entry);

// The variable named by the atom (its literal, or its source text in `text`). On success the
// entry is copied out and the atom marked as a variable atom carrying the name key, so that
// later lookups through it skip hashing. 16 when there is none (the atom stays unmarked).
// An atom that named an argument of its handler (a parameter) remembers the argument's index:
// a later lookup in a list of that handler, whichever call made it, takes the entry there when
// it is still that argument with that key (an atom of a handler's body is only ever read with
// that handler's lists and the global one, whose entries are no arguments).
i16 findvars(atom* a, Handle text, Handle list, varentry* out);
// The variable named by a marked atom, found by the key the atom carries; its stored value is
// copied into `out` as a working copy, which the caller ends with disposfred. 16 when none.
// (Like findvars, it notes in the atom where the variable was found.)
i16 fastfindvars(atom* a, Handle text, Handle list, fred* out);
// The stored value of the variable the atom names, read in place (valid until the next
// allocation), or null when the list has none; the atom is marked as by fastfindvars.
const fred* storedvalue(atom* a, Handle text, Handle list);
// findvars, creating the variable in the list when it is missing. 0, 18, 97, or 37 when the
// list cannot grow (nothing is then created).
i16 createvars(atom* a, Handle text, Handle list, varentry* out);
// The variable `it` of the list, created there when missing. 0, or 37.
i16 getitvars(Handle list, varentry* out);
// Puts a handle's text, or a short string, into `it` of the list; the copy's status.
i16 handtoit(Handle h, Handle list);
i16 stringtoit(ConstStringPtr s, Handle list);

// Releases a handler's list: the name and value of every entry the list owns, then the list.
// Borrowed globals are left alone.
void dumpvars(Handle list);
// dumpvars for the list of a call that ends: the list, and the value and name handles it owns,
// go back to the spares (values emptied) while there is room for them, the rest as dumpvars
// releases them.
void dumpcallvars(Handle list);
// Releases the global list at the end of the run: every entry's name and value, then the list.
void dumpglobalvars(Handle list);

// Looks a name up in a user-property list (12-byte entries: name key, name handle, value
// handle). 1 with the entry's index when found; 0 when not found or the list is none.
i16 findprop(Handle list, i16* index, ConstStringPtr name);

}  // namespace kv
