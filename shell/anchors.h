// The anchoring of an object's edges to its window ("anchorData"): reading the four edge
// letters and computing the rectangle an object takes when its window changes size.
#pragma once

#include <functional>

#include "platform/types.h"

namespace kv {

// One edge's anchor: its letter (upper case), the partner id of ~ and the limits of -.
struct anchoredge {
  u8 letter = 0;
  i32 id = -1;  // -1: ~ without an id
  i32 low = 0, high = 0;
};

// Edges in the order left, top, right, bottom.
struct anchoring {
  anchoredge edge[4];
};

// Reads "anchorData": four letters ("LTRB", any case) or up to four tokens separated by
// commas, blanks, returns or tabs ("~7,T,~7,B", "-20:300,T,-,B"). False when a letter does
// not belong to its edge, an edge has no letter, or a number is malformed or out of range.
bool parseanchors(const u8* text, i32 length, anchoring* out);

// A partner of a ~ anchor: its rectangle before the resize and its rectangle now. False when
// there is no object with that id.
using anchorpartner = std::function<bool(i32 id, Rect* saved, Rect* now)>;

// The rectangle an object at `old` takes when the window's content goes from `reference` to
// `current` (both at the origin). Computed in 32 bits, every edge clamped to 16 bits.
Rect anchoredrect(const anchoring& a, const Rect& old, const Rect& reference, const Rect& current,
                  const anchorpartner& partner);

}  // namespace kv
