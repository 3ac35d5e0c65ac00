// The byte order of the program's own clipboard flavours: the text engine's character and
// paragraph runs ('WEcf', 'WEpf'), style and ruler streams ('WEst', 'WEru'), font table ('FISH')
// and embedded objects ('SOUP'), flipped as they cross to and from the system clipboard.
#pragma once

#include "platform/types.h"

namespace kv {

// The flipper of the six flavours (CoreEndianFlipProc): every count and size is checked against
// the block before anything is swapped; a block that fails is left as it was and refused (-1).
OSStatus flipourscrapformats(OSType dataDomain, OSType dataType, i16 id, void* data, i64 length, bool currentlyNative,
                             void* refcon);
// Installs it with the scrap for the six types.
void installscrapflippers();

}  // namespace kv
