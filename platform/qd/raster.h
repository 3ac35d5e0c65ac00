// Inside the drawing layer: the transfer modes, applied pixel by pixel to a surface, and the
// fills of regions with patterns that every shape ends in.
#pragma once

#include "platform/qd/pixels.h"
#include "platform/qd/regionimpl.h"

namespace kv {

struct DrawColors {
  RGBColor fg{0, 0, 0};
  RGBColor bg{0xFFFF, 0xFFFF, 0xFFFF};
  RGBColor op{0, 0, 0};
  RGBColor hilite{0x9999, 0xCCCC, 0xFFFF};
};

// The transfer mode as the destination's depth applies it: pattern modes become the source
// modes, dither is dropped, and a 1-bit destination takes the Boolean mode that stands for
// each arithmetic one.
i16 effectivemode(i16 mode, i16 dstdepth);
bool isbooleanmode(i16 mode);

// Applies one transfer mode to destination pixels. Sources are given as colours, as 1-bit
// values (set = black, as in patterns, bit maps and 1-bit glyphs), or as coverage of the
// foreground colour (antialiased glyphs).
class Compositor {
 public:
  Compositor(const Surface& dst, i16 mode, const DrawColors& colors);
  void putcolor(i32 x, i32 y, const RGBColor& src);
  void putbit(i32 x, i32 y, bool black) {
    const Action& a = bitaction_[black ? 1 : 0];
    switch (a.kind) {
      case Action::leave: return;
      case Action::set: setpixel(*dst_, x, y, a.pixel); return;
      case Action::invert: setpixel(*dst_, x, y, getpixel(*dst_, x, y) ^ mask_); return;
      default: putcolor(x, y, black ? colors_.fg : colors_.bg);
    }
  }
  // Coverage 0-255 of the foreground colour.
  void putcoverage(i32 x, i32 y, u8 coverage);
  // A whole run of one 1-bit value; fast when it only sets pixels.
  void putbitrun(i32 x0, i32 x1, i32 y, bool black);
  i16 mode() const { return mode_; }
  u32 match(const RGBColor& c) { return matcher_.match(c); }

 private:
  struct Action {
    enum Kind { leave, set, invert, general } kind = general;
    u32 pixel = 0;
  };
  RGBColor arith(const RGBColor& src, const RGBColor& dst) const;
  const Surface* dst_;
  i16 mode_;
  DrawColors colors_;
  Matcher matcher_;
  u32 mask_;
  u32 bgpix_ = 0, hilitepix_ = 0;
  Action bitaction_[2];
};

// The colour a Boolean copy gives a source colour: black becomes the foreground, white the
// background, and every channel in between its share of the two.
RGBColor colorize(const RGBColor& src, const DrawColors& c);
inline bool iswhite(const RGBColor& c) { return c.red == 0xFFFF && c.green == 0xFFFF && c.blue == 0xFFFF; }

// Fills the pixels of a region (pixel coordinates of the surface) with an 8 x 8 pattern in a
// transfer mode. The pattern is aligned to the pixel rows and columns of the surface.
void fillpattern(const Surface& s, const RegionData& pixels, const Pattern& pat, i16 mode, const DrawColors& colors);
// Inverts the pixels of a region; with hilite, swaps the background and hilite colours.
void invertpixels(const Surface& s, const RegionData& pixels, bool hilite, const DrawColors& colors);

}  // namespace kv
