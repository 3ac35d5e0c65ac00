// The expression evaluator.
#pragma once

#include "platform/types.h"

namespace kv {

struct fred;
struct hier;

// Evaluates one expression from atom `at` of `atoms` (tokenised from `text`) in the context of
// a message-path entry, with the handler's variable lists. On success `value` is a new owned
// temporary and *count the number of atoms used.
i16 expression(hier* context, Handle text, Handle atoms, i32 at, Handle variables, Handle locals, i32* count,
               fred* value);

}  // namespace kv
