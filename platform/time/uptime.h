// The uptime clock in nanoseconds and waits until a deadline on it, for timing that needs more
// than the tick (frames of visual effects). Headless runs read and move the virtual clock.
#pragma once

#include "platform/backend/backend.h"

namespace kv {

inline u64 UpTimeNanos() { return backend().uptimenanos(); }
// Sleeps until the deadline (nothing when it has passed); input is not taken meanwhile.
inline void SleepUntilNanos(u64 deadline) { backend().sleepuntilnanos(deadline); }

}  // namespace kv
