// The built-in metrics font: one fixed table of integer widths and simple box glyphs, the same
// on every machine. Tests measure and draw text with it so that layout never depends on the
// font files installed.
//
// At 12 points a character's advance is exactly its entry in the table below; at other sizes it
// is entry x size / 12, rounded half up. Ascent is 3/4 of the size, descent 1/4 and leading
// 1/12 (rounded half up, ascent at least 1): 9, 3 and 1 at 12 points.
//
// Glyphs are one-pixel frames (filled when too small to frame), as wide as the advance less one
// column: capitals, digits, punctuation and all characters above 0x7F reach the ascent less
// one; the lower-case letters without ascenders reach two thirds of the ascent, and g, j, p, q,
// y reach down to the descent. Space (0x20), non-breaking space (0xCA) and characters of
// width 0 have no ink.
#include <algorithm>

#include "platform/fonts/fontsinternal.h"

namespace kv::fontdetail {
namespace {

// Advances at 12 points.
constexpr u8 kWidths[256] = {
    // 0x00-0x1F: control characters take no room
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    //  sp !  "  #  $  %   &  '  (  )  *  +  ,  -  .  /
    4,
    3,
    5,
    8,
    7,
    10,
    8,
    3,
    4,
    4,
    6,
    7,
    3,
    5,
    3,
    5,
    //  0 1  2  3  4  5  6  7  8  9  :  ;  <  =  >  ?
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    3,
    3,
    6,
    7,
    6,
    6,
    //  @  A  B  C  D  E  F  G  H  I  J  K  L  M   N  O
    11,
    8,
    8,
    8,
    8,
    7,
    7,
    8,
    8,
    3,
    6,
    8,
    7,
    10,
    8,
    8,
    //  P Q  R  S  T  U  V  W   X  Y  Z  [  \  ]  ^  _
    8,
    8,
    8,
    7,
    7,
    8,
    8,
    11,
    8,
    8,
    7,
    4,
    5,
    4,
    6,
    7,
    //  ` a  b  c  d  e  f  g  h  i  j  k  l  m   n  o
    4,
    7,
    7,
    6,
    7,
    7,
    4,
    7,
    7,
    3,
    3,
    6,
    3,
    11,
    7,
    7,
    //  p q  r  s  t  u  v  w  x  y  z  {  |  }  ~  del
    7,
    7,
    5,
    6,
    4,
    7,
    7,
    9,
    7,
    7,
    6,
    5,
    3,
    5,
    7,
    0,
    // 0x80-0xFF: every character 7, except the non-breaking space (0xCA), as wide as a space
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    4,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
    7,
};

constexpr i32 scaled(i32 value12, i32 size) { return (value12 * size + 6) / 12; }

bool xheightletter(u8 c) {
  switch (c) {
    case 'a':
    case 'c':
    case 'e':
    case 'g':
    case 'm':
    case 'n':
    case 'o':
    case 'p':
    case 'q':
    case 'r':
    case 's':
    case 'u':
    case 'v':
    case 'w':
    case 'x':
    case 'y':
    case 'z': return true;
    default: return false;
  }
}

bool descender(u8 c) { return c == 'g' || c == 'j' || c == 'p' || c == 'q' || c == 'y'; }

}  // namespace

FontMetrics builtinmetrics(i16 size) {
  FontMetrics m{};
  m.ascent = i16(std::max(1, (size * 3 + 2) / 4));
  m.descent = i16((size + 2) / 4);
  m.leading = i16((size + 6) / 12);
  m.widmax = i16(scaled(11, size));
  return m;
}

i16 builtinadvance(i16 size, u8 c) { return i16(scaled(kWidths[c], size)); }

Glyph builtinglyph(i16 size, u8 c, bool mono) {
  Glyph g{};
  g.mono = mono;
  i32 advance = builtinadvance(size, c);
  if (advance == 0 || c == ' ' || c == 0xCA) return g;
  FontMetrics m = builtinmetrics(size);
  i32 top = std::max(1, m.ascent - 1);
  if (xheightletter(c)) top = std::max(1, (m.ascent * 2 + 2) / 3);
  i32 bottom = descender(c) ? -m.descent : 0;  // pixels below the baseline, negative
  i32 width = std::max(1, advance - 1);
  i32 height = top - bottom;
  if (i64(width) * height > maxglyphpixels) return g;
  g.left = 0;
  g.top = i16(top);
  g.width = i16(width);
  g.height = i16(height);
  g.bits.assign(std::size_t(width) * std::size_t(height), 0);
  for (i32 y = 0; y < height; ++y) {
    for (i32 x = 0; x < width; ++x) {
      bool edge = x == 0 || y == 0 || x == width - 1 || y == height - 1;
      if (edge) g.bits[std::size_t(y) * std::size_t(width) + std::size_t(x)] = 255;
    }
  }
  return g;
}

}  // namespace kv::fontdetail
