// One entry of a message path, of the script cache and of an inserted-script slot: a
// tokenised script with what the sender needs to search it.
#pragma once

#include "platform/types.h"

namespace kv {

// The tokenizer fills the two handler-chain heads; the script cache fills in the rest of the
// entry (level, use count, script and atom handles, the object's reference text, stamps, slot)
// as it grows into the full record.
struct hier {
  i32 firsthandler = -1;   // index of the first `on` handler-name atom, -1 when none
  i32 firstfunction = -1;  // index of the first `function` handler-name atom, -1 when none
};

}  // namespace kv
