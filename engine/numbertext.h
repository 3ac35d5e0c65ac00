// Conversions between the number, boolean and text forms of script values.
#pragma once

#include "platform/types.h"

namespace kv {

struct fred;

// Converts the value in place to text of the wanted type (fredhand or fredstring): numbers
// through the number format, booleans to "true"/"false", up/down to "up"/"down"; a handle text
// of at most 31 bytes moves inline for fredstring, a short text moves into the handle for
// fredhand. Answers 0; when memory for a handle cannot be had the value stays a short text.
i16 formatfred(fred* v, i16 type);
// Converts the value to text (formatfred to fredstring) and copies at most 255 bytes, trailing
// zero bytes dropped. A fredhand value without a handle leaves `out` untouched.
void fredtostring(fred* v, StringPtr out);
// The decimal text of a real with 15 significant digits.
void doubletostring(double d, StringPtr out);

}  // namespace kv
