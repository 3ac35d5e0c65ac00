// The music events of a tune, as 32-bit words (host order once taken in):
//   rest      000 in bits 29-31, the duration in bits 0-23
//   note      001 in bits 29-31, part in 24-28, MIDI note - 32 in 18-23, velocity in 11-17,
//             duration in 0-10
//   long note two words: 0x9 in bits 28-31, part in 16-27, the MIDI note in 0-15; then 0b10 in
//             bits 30-31, velocity in 22-29, duration in 0-21
//   marker    011 in bits 29-31; 0x60000000 ends the tune
//   others    control (010, one word), extended control and knob (101, 110, two words) and
//             general events (111, their length in words in bits 0-15) are stepped over
// Durations count in units of the tune's time scale (600 a second here).
#pragma once

#include <cstddef>
#include <vector>

#include "platform/types.h"

namespace kv {

struct TuneEvent {
  enum Kind : u8 { rest, note, end, other };
  Kind kind = end;
  i32 key = 0;
  i32 velocity = 0;
  i64 duration = 0;
};

constexpr u32 kTuneEnd = 0x60000000;

// The event at *pc, which then moves past it; the end of the words, or an event cut short by
// it, reads as the end.
TuneEvent readtuneevent(const std::vector<u32>& words, std::size_t* pc);

}  // namespace kv
