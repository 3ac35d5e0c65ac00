// INTERIM: a minimal variable list so that handlers can run before the real variable list
// lands. Same names and entry layout as the real one; delete this file and its .cpp when it
// arrives (nothing else defines these names meanwhile).
#pragma once

#include "engine/atom.h"
#include "platform/types.h"

namespace kv {

struct fred;

// One variable: state -1 (or the argument number, >= 0) owns name and value; -2 or below
// borrows them (a global). `value` holds one fred of class 6 linked to this same handle.
struct varentry {
  i16 state;
  u32 key;
  Handle name;
  Handle value;
};

i16 badname(ConstStringPtr name);
// A new entry for the name (none: a nameless entry), not yet in any list.
i16 lowcreate(ConstStringPtr name, varentry* out);
i16 addvars(Handle list, const varentry& entry);
// Looks up the variable an atom names; marks the atom (token 7, link = key) when found. 16
// when there is none.
i16 findvars(atom& a, Handle text, Handle list, varentry* out);
// A working copy (class 6) of the variable a marked atom names; 16 when there is none.
i16 fastfindvars(const atom& a, Handle text, Handle list, fred* out);
i16 createvars(atom& a, Handle text, Handle list, varentry* out);
i16 getitvars(Handle list, varentry* out);
void dumpvars(Handle list);
// Releases the global list with every variable in it (the end of the run).
void dumpglobalvars(Handle list);

}  // namespace kv
