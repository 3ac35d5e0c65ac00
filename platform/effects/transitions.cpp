// The two-source transitions.
#include <algorithm>

#include "platform/effects/effects.h"

namespace kv {

namespace {

u32* row(const PixelsView& v, i32 y) { return v.pixels + std::ptrdiff_t(y) * v.rowwords; }

// Each channel the mean of a and b weighted by frame / count, rounded.
void dissolve(const PixelsView& a, const PixelsView& b, const PixelsView& out, i32 frame, i32 count) {
  const u64 wb = u64(frame), wa = u64(count - frame), half = u64(count) / 2;
  for (i32 y = 0; y < out.height; ++y) {
    const u32 *ra = row(a, y), *rb = row(b, y);
    u32* ro = row(out, y);
    for (i32 x = 0; x < out.width; ++x) {
      u32 p = 0;
      for (int s = 0; s < 32; s += 8)
        p |= u32((((ra[x] >> s) & 0xFF) * wa + ((rb[x] >> s) & 0xFF) * wb + half) / u64(count)) << s;
      ro[x] = p;
    }
  }
}

// The new image's left edge stands at `edge`: push moves the old one with it, slide leaves it.
void sideways(const PixelsView& a, const PixelsView& b, const PixelsView& out, i32 edge, bool push) {
  for (i32 y = 0; y < out.height; ++y) {
    const u32 *ra = row(a, y), *rb = row(b, y);
    u32* ro = row(out, y);
    for (i32 x = 0; x < out.width; ++x) ro[x] = x >= edge ? rb[x - edge] : push ? ra[x + out.width - edge] : ra[x];
  }
}

}  // namespace

bool knowntransition(OSType kind) { return kind == fourcc("dslv") || kind == fourcc("push") || kind == fourcc("slid"); }

bool transitionframe(OSType kind, const AtomList&, const PixelsView& a, const PixelsView& b, const PixelsView& out, i32 frame,
                     i32 count) {
  if (!knowntransition(kind)) return false;
  if (!a.pixels || !b.pixels || !out.pixels || out.width <= 0 || out.height <= 0) return true;
  count = std::max(count, 1);
  frame = std::clamp(frame, 0, count);
  if (kind == fourcc("dslv")) {
    dissolve(a, b, out, frame, count);
    return true;
  }
  const i32 edge = out.width - i32(i64(out.width) * frame / count);
  sideways(a, b, out, edge, kind == fourcc("push"));
  return true;
}

}  // namespace kv
