// What the shape and styled-text setters offer the other setters: a field's text given as
// UTF-16, and a field's stored text brought back to the plain packed form.
#pragma once

#include <vector>

#include "platform/types.h"
#include "store/objread.h"
#include "store/records.h"

namespace kv {

struct fred;

// The points of a list of numbers separated by commas or line ends (h,v pairs), each a
// whole number within 16 bits: 0, 2 for a list that is not one, 209 for a number out of range.
i16 pointlist(Handle joined, std::vector<Point>* out);

// Puts a UTF-16 value into the field a descriptor names (the whole field, or the chunk it
// narrows to) as Mac Roman text. A byte-order mark decides the order (FE FF big-endian, FF FE
// little-endian) and is not stored; without one the host's order holds. An odd last byte is
// dropped; return-line-feed pairs and lone line feeds become returns. The value and the
// descriptor are released on every path. 0, 37, or the status of putting down the open field.
i16 setunicodetext(objread* obj, fred* value);

// A field's stored text in the plain packed form: the allowObjects bit is cleared and, with
// `plain`, every character takes the text's default style (the style runs go). 0, or 37 when
// the text cannot be rewritten.
i16 converttoengineonescraps(spot& field, bool plain);

}  // namespace kv
