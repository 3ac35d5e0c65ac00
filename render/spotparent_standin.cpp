// The object behind a control, until the colour behind controls is built beside it.
#include "engine/geometry.h"
#include "platform/qd/shapes.h"
#include "render/spotparent.h"
#include "render/spotstyles.h"
#include "shell/mainglobals.h"
#include "store/objects.h"

namespace kv {

namespace {

constexpr u32 kShowsInvisibles = 1u << 7;

bool isparentstyle(const spot& s) {
  if (s.kind == spotgraphic) {
    const bool plain = s.style == stylerectangle || s.style == styleroundrect || s.style == styleoval ||
                       s.style == styleline || s.style == stylepolygon || s.style == stylearc;
    return plain && s.showfill != 0 && s.alt == nilhandle;
  }
  // Secondary group boxes (221) count on every system this runs on.
  return s.kind == spotbutton &&
         (s.style == 210 || s.style == 211 || s.style == 221 || s.style == 223 || s.style == 225 || s.style == 226);
}

// The last object of `list` from `from` down that qualifies as the parent of a rectangle, or -1.
i32 searchlist(Handle list, i32 from, const Rect& r, bool invisibles) {
  for (i32 i = from; i >= 0; --i) {
    const spot s = spotat(list, i);
    if (EmptyRect(&s.rect) || (!(s.flags & spotvisible) && !invisibles)) continue;
    if (isparentstyle(s) && rectinrect(r, s.rect)) return i;
  }
  return -1;
}

}  // namespace

i16 spotparent(Handle* list, i16* index) {
  if (*list == nilhandle || *index < 0 || *index >= spotcount(*list)) return 0;
  const Rect r = spotat(*list, *index).rect;
  if (EmptyRect(&r)) return 0;
  const desk& d = mainglobals().current;
  const bool invisibles = d.wind != nilhandle && (loadat<windrec>(deref(d.wind)).flags & kShowsInvisibles);
  i32 found = searchlist(*list, *index - 1, r, invisibles);
  if (found >= 0) {
    *index = i16(found);
    return 1;
  }
  if (*list != d.cardspots || d.backspots == nilhandle) return 0;
  found = searchlist(d.backspots, spotcount(d.backspots) - 1, r, invisibles);
  if (found < 0) return 0;
  *list = d.backspots;
  *index = i16(found);
  return 1;
}

}  // namespace kv
