// Movie files for tests and benchmarks: a QuickTime file of W x H pixels at F frames a second
// whose video track (time scale 600, lossless QuickTime Animation) shows frame k in one flat
// colour, red 4k (the red channel wraps past 255), optionally with a 22,050 Hz 16-bit sine
// sound track of the same length.
#pragma once

#include <string>

#include "platform/types.h"

namespace kv {

struct TestMovie {
  i32 width = 64;
  i32 height = 48;
  i32 fps = 30;
  i32 frames = 60;
  bool sound = false;
  i32 sinehz = 440;
};

// Writes the movie at a UTF-8 path; false when it cannot be written.
bool writetestmovie(const std::string& path, const TestMovie& movie);
// The red level of frame k.
constexpr u8 testmoviered(i32 k) { return u8(4 * k); }

}  // namespace kv
