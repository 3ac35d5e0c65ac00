// The shared image writers: a picture or other data handle written as a new typed file.
#pragma once

#include "platform/memory/memory.h"
#include "platform/types.h"

namespace kv {

// The folder written files go to when their name is not a full path: the folder files were
// last written to, else the documents folder.
u32 defaultwritefolder();
// Writes `data` as a new file of type `type` and the program's creator in the default folder
// (a file of that name is replaced): for 'PICT' 512 zero bytes come first. 0, or 72 when the
// file cannot be made, opened or written whole (nothing is left then).
i16 newimagefile(ConstStringPtr name, Handle data, OSType type);

}  // namespace kv
