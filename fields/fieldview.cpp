#include "fields/fieldview.h"

#include <algorithm>

#include "engine/objectutil.h"

namespace kv {

namespace {

constexpr u32 kWideMargins = 1u << 5;
constexpr u32 kDontWrap = 1u << 11;

bool textfield(const spot& s) { return s.style == stylefieldrect || s.style == stylefieldscroll; }
bool listfield(const spot& s) { return s.style == stylefieldlist || s.style == stylefieldscrolllist; }

// The field settings in a text record's reference value.
constexpr OSType kCreator = fourcc("VIZU");
constexpr u32 kDontWrapBit = 1u << 16;
constexpr u32 kScrollBarBit = 1u << 17;
constexpr u32 kAllowObjectsBit = 1u << 18;

u32 settingsbit(WEReference we, u32 bit) {
  u32 refcon = 0;
  if (WEGetInfo(fourcc("refc"), &refcon, we) != noErr) return 0;
  return (refcon & bit) ? 1 : 0;
}

// False for no record.
bool setsettingsbit(WEReference we, u32 bit, bool on) {
  u32 refcon = 0;
  if (WEGetInfo(fourcc("refc"), &refcon, we) != noErr) return false;
  refcon = on ? (refcon | bit) : (refcon & ~bit);
  WESetInfo(fourcc("refc"), &refcon, we);
  return true;
}

// The field's rectangles before the ruler and list adjustments, in 32-bit sides; `destinset`
// is the top inset of the destination without wide margins (2 long, 1 short).
void basicrects(const spot& s, i32 destinset, LongRect* dest, LongRect* view) {
  const Rect r = s.rect;
  *dest = LongRect{r.top, r.left, r.bottom, r.right};
  *view = LongRect{r.top + 1, r.left + 1, r.bottom - 1, r.right - 1};
  if (s.flags & kWideMargins) {
    dest->top += 5;
    dest->left += 9;
    dest->right -= 7;
  } else {
    dest->top += destinset;
    dest->left += 4;
    dest->right -= 4;
  }
  const bool scrolls = fieldcanscroll(s);
  if (scrolls) {
    if (s.flags & kDontWrap) {
      dest->right = view->right = r.right - kFieldScrollBarWidth - 1;
    } else {
      dest->right -= kFieldScrollBarWidth;
      view->right -= kFieldScrollBarWidth;
    }
  }
  if (s.showpen) {
    const i32 dh = i16(s.penwidth), dv = i16(s.penheight);
    for (LongRect* x : {dest, view}) {
      x->top += dv;
      x->bottom -= dv;
      x->left += dh;
      x->right -= dh;
    }
  }
  if (scrolls) dest->top -= getfieldscroll(s);
}

// The field's rectangle, inset by the pen when its frame is drawn.
Rect peninset(const spot& s) {
  Rect c = s.rect;
  if (s.showpen) {
    const i16 dh = i16(s.penwidth), dv = i16(s.penheight);
    c = Rect{i16(c.top + dv), i16(c.left + dh), i16(c.bottom - dv), i16(c.right - dh)};
  }
  return c;
}

Rect shortrect(const LongRect& r) {
  auto pin = [](i32 v) { return i16(std::clamp<i32>(v, -32768, 32767)); };
  return Rect{pin(r.top), pin(r.left), pin(r.bottom), pin(r.right)};
}

}  // namespace

i32 getfieldscroll(const spot& s) {
  if (!isfield(s)) return 0;
  const i32 v = i32(getfieldkindtail(s).word2);
  if (textfield(s)) return std::max(v, 0);
  if (listfield(s)) return std::clamp(v, 0, kListScrollLimit);
  return 0;
}

void setfieldscroll(spot& s, i32 value) {
  if (!isfield(s) || !(textfield(s) || listfield(s))) return;
  value = std::max(value, 0);
  if (listfield(s)) value = std::min(value, kListScrollLimit);
  fieldkindtail t = getfieldkindtail(s);
  t.word2 = u32(value);
  setfieldkindtail(s, t);
}

void fldmargins(const spot& s, Rect* m) {
  if (isfield(s) && textfield(s)) {
    *m = (s.flags & kWideMargins) ? Rect{4, 8, 1, 6} : Rect{1, 3, 1, 3};
  } else {
    *m = Rect{-1, 3, 3, 3};
  }
  if (fieldcanscroll(s)) m->right = (s.flags & kDontWrap) ? i16(kFieldScrollBarWidth + 1) : kFieldScrollBarWidth;
}

void SetFieldMargins(const spot& s, WEReference we) {
  if (!isvalidwerec(we)) return;
  Rect m;
  fldmargins(s, &m);
  const i16 words[4] = {m.top, m.left, m.bottom, m.right};
  WESetProperty(kCreator, fourcc("marg"), sizeof words, words, we);
}

OSErr GetFieldMargins(WEReference we, Rect* margins) {
  if (!isvalidwerec(we)) return noErr;
  i16 words[4];
  const OSErr err = WEGetProperty(kCreator, fourcc("marg"), sizeof words, nullptr, words, we);
  if (err == noErr) *margins = Rect{words[0], words[1], words[2], words[3]};
  return err;
}

void SetDontWrapFlag(WEReference we, u32 value) {
  if (!setsettingsbit(we, kDontWrapBit, value != 0)) return;
  WESetProperty(kCreator, fourcc("dont"), sizeof value, &value, we);
}

void SetScrollBarFlag(WEReference we, u32 value) { setsettingsbit(we, kScrollBarBit, value != 0); }

void SetAllowObjectsFlag(WEReference we, u32 value) {
  if (!setsettingsbit(we, kAllowObjectsBit, value != 0)) return;
  const u32 kind = value ? 2 : 1;
  WESetProperty(kCreator, fourcc("ftyp"), sizeof kind, &kind, we);
}

u32 GetDontWrapFlag(WEReference we) { return settingsbit(we, kDontWrapBit); }
u32 GetScrollBarFlag(WEReference we) { return settingsbit(we, kScrollBarBit); }
u32 GetAllowObjectsFlag(WEReference we) { return settingsbit(we, kAllowObjectsBit); }

void ldestview(const spot& s, LongRect* dest, LongRect* view) {
  basicrects(s, 2, dest, view);
  if (fieldhasruler(s)) {
    view->top = std::min(view->top + kRulerHeight, view->bottom);
    dest->top = std::min(dest->top + kRulerHeight, dest->bottom);
  }
  if (listfield(s) && currenttool() == tooltext) dest->top -= 2;
}

void destview(const spot& s, Rect* dest, Rect* view) {
  LongRect d, v;
  basicrects(s, 1, &d, &v);
  *dest = shortrect(d);
  *view = shortrect(v);
}

void controlrect(const spot& s, Rect* r) {
  Rect c = peninset(s);
  c.left = i16(c.right - kFieldScrollBarWidth);
  if (fieldhasruler(s)) c.top = std::min<i16>(i16(c.top + kRulerHeight), c.bottom);
  *r = c;
}

void rulercontrolrect(const spot& s, Rect* r) {
  *r = Rect{0, 0, 0, 0};
  if (!(fieldhasruler(s))) return;
  Rect c = peninset(s);
  c.bottom = i16(c.top + kRulerHeight);
  *r = c;
}

}  // namespace kv
