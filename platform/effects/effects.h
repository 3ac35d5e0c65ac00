// Video effects of our own, on 32-bit pixels (xrgb host words; the top byte is kept): the
// one-source filters that pictures pass through and the two-source transitions that carry the
// screen from one card to the next. Each is found by the four-character kind projects store;
// parameters come from the effect's atoms where present, defaults where not.
//
// Filters: 'blur' (radius atom 'radi', 1-8, default 1), 'shrp' sharpen, 'embs' emboss, 'edge'
// edge detection (convolutions through pixman), 'tint' (atom 'tint': three big-endian u16 of
// the tint colour, default a sepia brown), 'brco' (atoms 'brit' and 'cont': signed brightness
// and contrast, -100 to 100, default 0).
//
// Transitions carry image a to image b. Their direction is the atom 'dirn' (a big-endian u32 of
// the direction codes below; the default is the first one each kind lists), the way the new
// image moves or grows:
//   'dslv' cross fade;
//   'wipe' the new image uncovered by an edge moving left, right, up or down;
//   'push' the new image pushes the old one out, moving left, right, up or down;
//   'slid' the new image slides in over the old one, moving left, right, up or down;
//   'iris' a centred circle of the new image opening, or of the old one closing;
//   'barn' barn doors: a centred band of the new image opening sideways, or of the old closing;
//   'zoom' the new image growing from the centre (open), or the old one shrinking into it (close);
//   'vnbl' venetian blinds: horizontal bands (atom 'bnds', 2-64, default 8) each filled downward;
//   'chkr' checkerboard: squares (atom 'sqrs' across, 2-64, default 8) filled downward, the
//          black squares of the board in the first half, the white ones in the second;
//   'shrk' the old image shrinks to the top, bottom or centre over the new one;
//   'strc' the new image stretches from the top, bottom or centre over the old one;
//   'cut ' no frames: the new image at once.
// Cross fade, wipe, push and barn doors are FFmpeg's xfade filter; the rest are ours.
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

enum : u32 { dirleft = 0, dirright = 1, dirup = 2, dirdown = 3, dircenter = 4, diropen = 5, dirclose = 6 };

bool knowntransition(OSType kind);
// Whether the kind shows the new image at once, with no frames between.
bool cuttransition(OSType kind);
// Frame `frame` of `count` (0 shows source a, count source b) of a transition into `out`; the
// three views have one size. False for a kind that is not known here, or when the frame cannot
// be drawn. Frames are drawn in order; a frame before the last one drawn starts over.
bool transitionframe(OSType kind, const AtomList& params, const PixelsView& a, const PixelsView& b,
                     const PixelsView& out, i32 frame, i32 count);
// Lets go of what the transition under way keeps between its frames.
void transitiondone();

}  // namespace kv
