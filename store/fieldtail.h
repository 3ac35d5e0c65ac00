// The 14-byte tail that ends every stored field text: paragraph and default-style settings.
#pragma once

#include "platform/memory/stored.h"

namespace kv {

// justification: 0 default, 1 centre, 2 full, -1 right, -2 left. colour: the top 10 bits of
// each component, red in bits 0-9, green in 10-19, blue in 20-29.
#define KV_FIELDTAIL_FIELDS(F) \
  F(i16, just, 0)              \
  F(i16, lineheight, 2)        \
  F(u16, font, 4)              \
  F(u16, size, 6)              \
  F(u16, face, 8)              \
  F(u32, color, 10)
KV_STORED_RECORD(fieldtail, 14, KV_FIELDTAIL_FIELDS)

}  // namespace kv
