// Helpers shared by the evaluator's files (expression.cpp, operate.cpp); not for other callers.
#pragma once

#include "platform/types.h"

namespace kv {

struct fred;

// `operate` with the operands' numbers already known (null: convert the value).
i16 operatewith(fred* left, const double* lnum, u16 op, fred* right, const double* rnum);
// The text of a value (at most 255 characters) without changing the value.
void peektext(const fred* v, StringPtr out);

}  // namespace kv
