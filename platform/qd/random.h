// The drawing layer's pseudo-random numbers: a multiplicative generator over a 31-bit seed
// (`randSeed`) that tests may set, so that every run with the same seed draws the same
// numbers.
#pragma once

#include "platform/types.h"

namespace kv {

// The next number, from -32767 to 32767.
i16 Random();
// The seed: 1 at start and after a runtime reset.
i32 getrandseed();
void setrandseed(i32 seed);

}  // namespace kv
