// The wire form of events between programs, big-endian throughout:
//   descriptor := type u32, form u8 (0 data, 1 list, 2 record), then
//                 data: length u32 and the bytes; list or record: count u32 and per item
//                 its keyword u32 (0 in a list) and a descriptor
//   event      := class u32, id u32, the attributes (count and keyed descriptors), then the
//                 parameters likewise
// Decoding checks every count and length against what is left of the block and refuses
// nesting deeper than 32.
#pragma once

#include <vector>

#include "platform/ipc/appleevents.h"

namespace kv {

constexpr int kAEWireMaxDepth = 32;

void encodeevent(const AppleEvent& event, std::vector<u8>* out);
// False for a block that is no whole event (short, over-long counts, too deep, bytes left).
bool decodeevent(const u8* data, std::size_t size, AppleEvent* out);

}  // namespace kv
