#include "render/objectbounds.h"

#include <algorithm>

#include "platform/memory/memory.h"
#include "render/spotstyles.h"
#include "store/objects.h"

namespace kv {

namespace {

i16 clamp16(i32 v) { return i16(std::clamp<i32>(v, -32768, 32767)); }

struct Wide {
  i32 top, left, bottom, right;
  Rect narrow() const { return Rect{clamp16(top), clamp16(left), clamp16(bottom), clamp16(right)}; }
};

}  // namespace

Rect growrect(const Rect& r, i32 by) { return Wide{r.top - by, r.left - by, r.bottom + by, r.right + by}.narrow(); }

void lowcalc(const spot* object, Rect* out) {
  *out = Rect{};
  if (object == nullptr) return;
  const spot s = *object;
  Wide r{s.rect.top, s.rect.left, s.rect.bottom, s.rect.right};
  const bool control = s.kind == spotbutton || s.kind == spotfield;
  if (control && s.showfill && s.style != styleradiobutton && s.style != stylecheckbox) {
    r.bottom += s.shadow;
    r.right += s.shadow;
  }
  if (s.showpen && (s.style == styleline || s.style == stylepolygon || s.style == stylepolybutton)) {
    r.bottom += s.penheight;
    r.right += s.penwidth;
  }
  if ((s.flags & spotfocushilite) || s.kind == spotfield) {
    *out = Wide{r.top - 4, r.left - 4, r.bottom + 4, r.right + 4}.narrow();
    return;
  }
  if (isplatformcontrol(s)) {
    r.top -= 5;
    i32 left = 2, bottom = 3, right = 2;
    if (s.style == stylebevel) left = bottom = right = 0;
    else if (s.style == styletabs) left = bottom = right = 16;
    else if (s.style == stylebuttonroundrect) left = 6, bottom = 5, right = 6;
    r.left -= left;
    r.bottom += bottom;
    r.right += right;
  }
  *out = r.narrow();
}

void calcspot(Handle list, i16 index, Rect* out) {
  *out = Rect{};
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return;
  spot s = spotat(list, index);
  lowcalc(&s, out);
}

void calcbounds(Handle list, Rect* out, i16 selector) {
  Rect u{32767, 32767, -32768, -32768};
  for (i32 i = 0, n = spotcount(list); i < n; ++i) {
    const spot s = spotat(list, i);
    if (selector == 0 && s.selected) continue;
    if (selector == 1 && !s.selected) continue;
    Rect r{};
    lowcalc(&s, &r);
    u = Rect{std::min(u.top, r.top), std::min(u.left, r.left), std::max(u.bottom, r.bottom),
             std::max(u.right, r.right)};
  }
  *out = u;
}

}  // namespace kv
