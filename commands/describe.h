// The listings of `describe`: the line writers that append the parts of an object to a text.
#pragma once

#include "platform/types.h"
#include "store/objread.h"

namespace kv {

// Appends one line per object embedded in the field's text (the form chosen by `token`, the
// `objects` word for the property of that name) to the handle: 0, or 37 out of memory.
i16 addiotas(const objread& obj, Handle out, u16 token);

}  // namespace kv
