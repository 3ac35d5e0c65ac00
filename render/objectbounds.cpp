#include "render/objectbounds.h"

#include "platform/memory/memory.h"

namespace kv {

namespace {
constexpr u16 stylecheckbox = 203, styleradio = 204, stylepopup = 205, styledefault = 201, stylelittlearrows = 210;
constexpr u16 styleline = 103;
}  // namespace

void lowcalc(const spot* object, Rect* out) {
  *out = Rect{};
  if (object == nullptr) return;
  spot s = *object;
  Rect r = s.rect;
  bool control = s.kind == spotbutton || s.kind == spotfield;
  if (control && s.showfill && s.style != stylecheckbox && s.style != styleradio) {
    r.bottom = i16(r.bottom + i16(s.shadow));
    r.right = i16(r.right + i16(s.shadow));
  }
  if (s.showpen && (s.style == styleline || s.style == stylepolygon || s.style == stylepolybutton)) {
    r.bottom = i16(r.bottom + i16(s.penheight));
    r.right = i16(r.right + i16(s.penwidth));
  }
  if ((s.flags & spotfocushilite) || s.kind == spotfield) {
    *out = Rect{i16(r.top - 4), i16(r.left - 4), i16(r.bottom + 4), i16(r.right + 4)};
    return;
  }
  if (isplatformcontrol(s)) {
    r.top = i16(r.top - 5);
    i16 left = 2, bottom = 3, right = 2;
    if (s.style == stylepopup) left = bottom = right = 0;
    else if (s.style == stylelittlearrows) left = bottom = right = 16;
    else if (s.style == styledefault) left = 6, bottom = 5, right = 6;
    r.left = i16(r.left - left);
    r.bottom = i16(r.bottom + bottom);
    r.right = i16(r.right + right);
  }
  *out = r;
}

void calcspot(Handle list, i16 index, Rect* out) {
  *out = Rect{};
  if (list == nilhandle || index < 0 || index >= HandleCount<spot>(list)) return;
  spot s = HandleAs<spot>(list)[index];
  lowcalc(&s, out);
}

}  // namespace kv
