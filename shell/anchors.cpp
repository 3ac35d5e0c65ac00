#include "shell/anchors.h"

#include <algorithm>

namespace kv {

namespace {

bool separator(u8 c) { return c == ',' || c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

u8 upper(u8 c) { return c >= 'a' && c <= 'z' ? u8(c - 32) : c; }

// Whether a letter anchors a horizontal (left/right) or a vertical (top/bottom) edge.
bool fitsedge(u8 letter, int edge) {
  switch (letter) {
    case 'C':
    case 'P':
    case 'S':
    case '~':
    case '-': return true;
    case 'L':
    case 'R': return edge % 2 == 0;
    case 'T':
    case 'B': return edge % 2 == 1;
    default: return false;
  }
}

// A decimal number of at most `limit` from text[*at]; false for none or one out of range.
bool readnumber(const u8* text, i32 end, i32* at, i64 limit, i32* out) {
  i64 n = 0;
  const i32 start = *at;
  while (*at < end && text[*at] >= '0' && text[*at] <= '9') {
    n = n * 10 + (text[*at] - '0');
    if (n > limit) return false;
    ++*at;
  }
  *out = i32(n);
  return *at > start;
}

// One token [from, to): its letter and numbers.
bool readtoken(const u8* text, i32 from, i32 to, anchoredge* e) {
  while (from < to && text[from] == ' ') ++from;
  if (from >= to) return false;
  e->letter = upper(text[from++]);
  if (e->letter == '~' && from < to) {
    if (!readnumber(text, to, &from, 0x7FFFFFFF, &e->id)) return false;
  } else if (e->letter == '-' && from < to) {
    if (!readnumber(text, to, &from, 32767, &e->low)) return false;
    if (from < to && text[from] == ':') {
      ++from;
      if (!readnumber(text, to, &from, 32767, &e->high)) return false;
    }
  }
  // Text after a number is malformed; a letter may be followed by anything (a word).
  return from == to || (e->letter != '~' && e->letter != '-');
}

i16 clamp16(i64 v) { return i16(std::clamp<i64>(v, -32768, 32767)); }

// The edges of one axis: lo/hi of the object, the reference and the window, as 32-bit values.
struct axis {
  i64 lo, hi;
  i64 reflo, refhi, curlo, curhi;
  i64 mappedcentre() const {
    const i64 refsize = refhi - reflo, cursize = curhi - curlo;
    if (refsize == 0) return (lo + hi) / 2;
    const i64 mlo = (lo - reflo) * cursize / refsize + curlo;
    const i64 mhi = (hi - reflo) * cursize / refsize + curlo;
    return (mlo + mhi) / 2;
  }
};

// Applies the anchor of one edge (second: the right or bottom edge) to `out`, from `old`.
void applyedge(const anchoredge& e, bool second, const axis& old, axis& out, const anchorpartner& partner,
               bool horizontal) {
  const i64 edge = second ? old.hi : old.lo;
  i64* target = second ? &out.hi : &out.lo;
  const i64 size = old.hi - old.lo;
  auto centreon = [&](i64 centre) {
    out.lo = centre - size / 2;
    out.hi = out.lo + size;
  };
  switch (e.letter) {
    case 'L':
    case 'T': *target = edge - old.reflo + old.curlo; break;
    case 'R':
    case 'B': *target = edge - old.refhi + old.curhi; break;
    case 'C': *target = edge - (old.reflo + old.refhi) / 2 + (old.curlo + old.curhi) / 2; break;
    case 'S': *target = edge; break;
    case 'P':
      if (!second) centreon(old.mappedcentre());
      break;
    case '-': {
      i64 centre = old.mappedcentre();
      if (!second) {
        centre = std::max<i64>(centre, e.low);
        if (e.high != 0) centre = std::min<i64>(centre, e.high);
        centreon(centre);
      } else {
        const i64 window = old.curhi;
        if (window - centre < e.low) {
          centreon(window - e.low);
        } else if (e.high != 0 && window - centre > e.high) {
          centreon(window - e.high);
        }
      }
      break;
    }
    case '~': {
      Rect saved{}, now{};
      if (e.id < 0 || !partner || !partner(e.id, &saved, &now)) break;
      // The partner's opposite edge: a left edge follows the partner's right, and so on.
      const i64 was = horizontal ? (second ? saved.left : saved.right) : (second ? saved.top : saved.bottom);
      const i64 is = horizontal ? (second ? now.left : now.right) : (second ? now.top : now.bottom);
      *target = edge + (is - was);
      break;
    }
    default: break;
  }
}

}  // namespace

bool parseanchors(const u8* text, i32 length, anchoring* out) {
  if (text == nullptr || out == nullptr || length <= 0) return false;
  anchoring a;
  bool plain = length == 4;
  for (i32 i = 0; plain && i < 4; ++i) plain = !separator(text[i]);
  if (plain) {
    for (int i = 0; i < 4; ++i) a.edge[i].letter = upper(text[i]);
  } else {
    int count = 0;
    i32 at = 0;
    while (at < length) {
      // A token runs from its first character that is not a separator to the next separator.
      i32 start = at;
      while (start < length && separator(text[start])) ++start;
      if (start >= length) break;
      i32 end = start;
      while (end < length && !separator(text[end])) ++end;
      if (count == 4 || !readtoken(text, start, end, &a.edge[count])) return false;
      ++count;
      at = end;
    }
    if (count != 4) return false;
  }
  for (int i = 0; i < 4; ++i) {
    if (!fitsedge(a.edge[i].letter, i)) return false;
  }
  *out = a;
  return true;
}

Rect anchoredrect(const anchoring& a, const Rect& old, const Rect& reference, const Rect& current,
                  const anchorpartner& partner) {
  const axis h0{old.left, old.right, reference.left, reference.right, current.left, current.right};
  const axis v0{old.top, old.bottom, reference.top, reference.bottom, current.top, current.bottom};
  axis h = h0, v = v0;
  applyedge(a.edge[0], false, h0, h, partner, true);
  applyedge(a.edge[2], true, h0, h, partner, true);
  applyedge(a.edge[1], false, v0, v, partner, false);
  applyedge(a.edge[3], true, v0, v, partner, false);
  return Rect{clamp16(v.lo), clamp16(h.lo), clamp16(v.hi), clamp16(h.hi)};
}

}  // namespace kv
