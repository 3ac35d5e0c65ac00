// INTERIM: the value conversions the evaluator needs, until the number and text conversions
// land with the same names; delete this file and its .cpp then.
#pragma once

#include "platform/types.h"

namespace kv {

struct fred;

// 12 when the value is no number; on success a text or integer value becomes the real.
i16 fredtodouble(fred* v, double* out);
// 13 when the value is no integer; on success the value becomes the integer.
i16 fredtolong(fred* v, i32* out);
// 15 unless the value is a boolean or the text true or false (any case).
i16 fredtobool(fred* v, u16* out);
// The empty text gives 0.0; 12 when the text is no number.
i16 stringtodouble(ConstStringPtr s, double* out);

}  // namespace kv
