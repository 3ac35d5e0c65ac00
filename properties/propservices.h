// Small services on user properties and contents texts that the setters use and that the
// procedure table offers to external code: replacing a user property's value by name or by
// position, and replacing a contents handle from a value.
//
// Statuses: 0; 37 for no memory; 68 for a missing list, name or position.
#pragma once

#include "platform/types.h"
#include "store/objread.h"

namespace kv {

struct fred;

// The value handle of the entry of that name (the name's key, then the name ignoring case)
// takes the value's text.
i16 modproperty(Handle list, ConstStringPtr name, fred* value);
// The same by 0-based position.
i16 modpropertyidx(Handle list, i32 index, fred* value);

// A contents slot takes the value's text: a non-empty text replaces the slot's handle (the
// old one freed); an empty one frees the old handle and leaves the slot empty. Unless memory is
// plentiful the memory guard must grant 1,024 bytes (else 37, the slot unchanged).
i16 contentutil(fred* value, Handle* slot);

// The object a descriptor names takes `list` as its user-property list (its old list freed).
// A platform-control button whose style keeps its control data in user properties (radio
// groups, bevel, popup and tab buttons, data browsers) has its values cleared (a bevel button
// gets maximum 10) and the controls of its layer are built again. The descriptor is released.
i16 lowmoveuprops(objread* obj, Handle list);
// Within the layer a descriptor names, object `source` gives its user-property list to object
// `dest` (lowmoveuprops) and keeps none. The descriptor is released. 11 for an index outside
// the layer's list.
i16 shuffleuprops(objread* obj, i32 source, i32 dest);

}  // namespace kv
