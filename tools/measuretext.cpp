#include "tools/measuretext.h"

#include "engine/objectutil.h"
#include "fields/fieldview.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "render/fielddrawing.h"
#include "core/mainglobals.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "textengine/fieldstorage.h"

namespace kv {

namespace {

constexpr u8 kGroupFace = 0x80;
constexpr u32 kDontWrap = 1u << 9;

LongRect longrect(const Rect& r) { return LongRect{r.top, r.left, r.bottom, r.right}; }

bool textrecordfield(const spot& s) { return s.style == stylefieldrect || s.style == stylefieldscroll; }

bool grouped(WEReference we, i32 offset) {
  WERunInfo run{};
  WEGetRunInfo(offset, &run, we);
  return (run.face & kGroupFace) != 0;
}

}  // namespace

MeasuredText::MeasuredText(Handle list, i16 index, WindowRef window, bool graphics) {
  const MainGlobals& g = mainglobals();
  if (list == nilhandle || index < 0 || index >= spotcount(list)) return;
  spot s = spotat(list, index);
  WEReference borrowed = nilid;
  if (g.openfield == index && g.openfieldspots == list && g.openfieldwindow == window && isvalidwerec(g.openfieldrec))
    borrowed = g.openfieldrec;
  else if (s.kind == spotfield && textrecordfield(s) && isvalidwerec(livefield(s))) borrowed = livefield(s);
  if (borrowed != nilid) {
    we_ = borrowed;
    port_ = WEGetPort(we_);
    GrafPtr current = nilid;
    GetPort(&current);
    WESetPort(current, we_);
    return;
  }
  LongRect dest{}, view{};
  if (s.kind == spotfield) {
    ldestview(s, &dest, &view);
    we_ = textrecordfield(s) ? westupidtext(dest, view, s, (s.flags & kDontWrap) != 0, fieldcanscroll(s))
                             : createwerec(s, dest, view);
  } else if (graphics && s.kind == spotgraphic && s.style == styletext) {
    Rect r = s.rect;
    if (s.showpen) InsetRect(&r, i16(s.penwidth), i16(s.penheight));
    dest = view = longrect(r);
    we_ = westupidtext(dest, view, s, false, false);
  }
  temporary_ = we_ != nilid;
}

MeasuredText::~MeasuredText() {
  if (we_ == nilid) return;
  if (temporary_) {
    WEDispose(we_);
    return;
  }
  if (!isvalidwerec(we_)) return;
  WESetPort(port_, we_);
}

bool groupedrun(WEReference we, i32 offset, i32* start, i32* end) {
  const i32 length = WEGetTextLength(we);
  if (offset < 0 || offset >= length || !grouped(we, offset)) return false;
  i32 a = offset, b = offset + 1;
  while (b < length && grouped(we, b)) ++b;
  while (a > 0 && grouped(we, a - 1)) --a;
  *start = a;
  *end = b;
  return true;
}

bool clickrange(WEReference we, i32 offset, i32* start, i32* end) {
  const i32 length = WEGetTextLength(we);
  *start = offset;
  *end = offset + 1;
  if (offset >= length) {
    *start = length - 1;
    *end = length;
  }
  if (*start < 0) *start = 0;
  if (*start >= *end || groupedrun(we, *start, start, end)) return false;
  const u8 c = WEGetChar(*start, we);
  if (c == ' ' || c == 13) return false;
  // The clicked character follows the offset.
  WEFindWord(*start, -1, start, end, we);
  return true;
}

void mouserange(WEReference we, i32 offset, i32* start, i32* end) {
  const i32 length = WEGetTextLength(we);
  *start = *end = offset;
  if (offset < 0 || offset >= length || groupedrun(we, offset, start, end)) return;
  auto white = [&](i32 at) {
    const u8 c = WEGetChar(at, we);
    return c == ' ' || c == '\t' || c == 13 || c == 10 || c == 11 || c == 12;
  };
  if (white(offset)) return;
  while (*end < length && !white(*end)) ++*end;
  while (*start > 0 && !white(*start - 1)) --*start;
}

}  // namespace kv
