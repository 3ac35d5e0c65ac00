// Byte stuffing of the remote process list's frames: consistent overhead byte stuffing with
// zero-run elimination. The stuffed stream holds no zero byte; one zero byte ends a frame.
//
//   0x00        end of frame
//   0x01-0xCF   (code - 1) data bytes, then one zero
//   0xD0        207 data bytes, no zero
//   0xD3-0xDF   a run of (code - 0xD0) zeros, 3 to 15
//   0xE0-0xFE   (code - 0xE0) data bytes, 0 to 30, then two zeros
//   0xD1, 0xD2, 0xFF are invalid.
//
// The encoder treats its input as if one zero were appended; the decoder drops the zero that
// stands before the end of the frame.
#pragma once

#include <cstddef>

#include "platform/types.h"

namespace kv {

// The most bytes COBSEncode writes for n input bytes (the frame end not included).
constexpr std::size_t cobsencodedmax(std::size_t n) { return n + n / 206 + 2; }

// Stuffs a block into `out` (room for cobsencodedmax(length) bytes) and advances `out` past
// what it wrote; the frame's end byte is the caller's.
void COBSEncode(const u8* source, std::size_t length, u8** out);

// Decodes up to `available` stuffed bytes into at most `room` bytes of output, advancing both
// pointers. True when the end of a frame was reached (the pointers then stand just past it);
// false when the input or the output room ran out (call again with more: `state` keeps the
// bytes and zeros still due between calls) or when an invalid code came (*in is then null).
// A null state decodes one call's bytes alone.
bool COBSDecode(const u8** in, std::size_t available, u8** out, std::size_t room, u16* state);

}  // namespace kv
