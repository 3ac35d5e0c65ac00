// The folder written files go to.
#pragma once

#include "platform/memory/memory.h"
#include "platform/types.h"

namespace kv {

// The folder written files go to when their name is not a full path: the folder files were
// last written to, else the documents folder.
u32 defaultwritefolder();

}  // namespace kv
