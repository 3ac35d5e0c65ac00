// Small services on user properties and contents texts that the setters use and that the
// procedure table offers to external code: replacing a user property's value by name or by
// position, and replacing a contents handle from a value.
//
// Statuses: 0; 37 for no memory; 68 for a missing list, name or position.
#pragma once

#include "platform/types.h"

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

}  // namespace kv
