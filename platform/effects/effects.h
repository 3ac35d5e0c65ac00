// Video effects of our own, on 32-bit pixels (xrgb host words; the top byte is kept): the
// one-source filters that pictures pass through and the two-source transitions that carry the
// screen from one card to the next. Each is found by the four-character kind projects store;
// parameters come from the effect's atoms where present, defaults where not.
//
// Filters: 'blur' (radius atom 'radi', 1-8, default 1), 'shrp' sharpen, 'embs' emboss, 'edge'
// edge detection (convolutions through pixman), 'tint' (atom 'tint': three big-endian u16 of
// the tint colour, default a sepia brown), 'brco' (atoms 'brit' and 'cont': signed brightness
// and contrast, -100 to 100, default 0). Transitions: 'dslv' dissolve (a cross-fade), 'push'
// (the new image pushes the old one out to the left) and 'slid' (the new image slides in from
// the right over the old one).
#pragma once

#include "platform/effects/atoms.h"
#include "platform/types.h"

namespace kv {

// 32-bit pixels: `rowwords` is the row's length in pixels.
struct PixelsView {
  u32* pixels = nullptr;
  i32 width = 0, height = 0, rowwords = 0;
};

bool knownfilter(OSType kind);
// Passes the pixels through a filter in place: false for a kind that is not known here (the
// pixels unchanged).
bool applyfilter(OSType kind, const AtomList& params, const PixelsView& image);

bool knowntransition(OSType kind);
// Frame `frame` of `count` (0 shows source a, count source b) of a transition into `out`; the
// three views have one size. False for a kind that is not known here.
bool transitionframe(OSType kind, const AtomList& params, const PixelsView& a, const PixelsView& b, const PixelsView& out,
                     i32 frame, i32 count);

}  // namespace kv
