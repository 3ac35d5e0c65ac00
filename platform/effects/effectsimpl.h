// Inside platform/effects: the transitions FFmpeg's xfade filter draws.
#pragma once

#include "platform/effects/effects.h"

namespace kv {

// Frame `frame` of `count` of an xfade transition by its name ("wipeleft", "circleopen", ...)
// into `out`; false when the filter graph cannot be made or run.
bool xfadeframe(const char* transition, const PixelsView& a, const PixelsView& b, const PixelsView& out, i32 frame,
                i32 count);
// Drops the graph of the transition under way.
void xfadedone();

}  // namespace kv
