#include "shell/textentry.h"

#include <algorithm>

#include "fields/fieldview.h"
#include "platform/backend/backend.h"
#include "platform/qd/ports.h"
#include "platform/qd/shapes.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/regions.h"
#include "platform/windows/theme.h"
#include "core/debugmsg.h"
#include "core/mainglobals.h"
#include "shell/platformutil.h"
#include "store/liveparts.h"
#include "system/proctable.h"
#include "tools/objectclipboard.h"

namespace kv {

namespace {

constexpr i16 kSet = 1, kClear = 0, kTest = -1;
constexpr u8 kGroupedFace = 0x80;
constexpr u8 kBackspace = 8;

// Whether typing or pasting `adding` characters over the selection keeps a TextEdit record
// within the limit (lengths weighed in 32 bits, so a long paste cannot wrap past it).
bool withinlimit(TEHandle te, i64 adding) {
  i32 start = 0, end = 0;
  TEGetSelection(te, &start, &end);
  return i64(TEGetLength(te)) - i64(end - start) + adding <= kTELimit;
}

}  // namespace

void weconfigure(u16 nowrap, u16 scrollbar, u16 allowobjects, WEReference we) {
  if (!isvalidwerec(we)) return;
  if (nowrap) {
    SetDontWrapFlag(we, 1);
    WEInstallCrOnlyHook(we);
  }
  SetScrollBarFlag(we, scrollbar ? 1 : 0);
  WEFeatureFlag(weFAutoScroll, scrollbar ? kSet : kClear, we);
  SetAllowObjectsFlag(we, allowobjects ? 1 : 0);
}

void teconfigure(u16 nowrap, TEHandle te) {
  TESetDrawHook(te, getproc<30>());
  if (nowrap) TESetCROnly(te, true);
}

void wesetscroll(const spot& field, i32 value) {
  if (field.style != stylefieldrect && field.style != stylefieldscroll) return;
  const WEReference we = livefield(field);
  if (!isvalidwerec(we)) return;
  LongRect view{}, dest{};
  WEGetViewRect(&view, we);
  WEGetDestRect(&dest, we);
  Rect margins{};
  fldmargins(field, &margins);
  const i32 textheight = dest.bottom - dest.top;
  const i32 visible = view.bottom - view.top - margins.top - margins.bottom;
  const i32 target = std::min(value, std::max(textheight - visible, 0));
  const i32 current = view.top - (dest.top - margins.top);
  if (current != target) WEScroll(0, current - target, we);
}

void myDrawThemeEditTextFrame(const Rect& r, u32 state, const spot& field) {
  Rect interior = r;
  InsetRect(&interior, 1, 1);
  const bool list = field.style == stylefieldlist || field.style == stylefieldscrolllist;
  if (field.style == stylefieldscrolllist) interior.right = i16(interior.right - kScrollBarWidth);
  RgnHandle saved = NewRgn(), clip = NewRgn(), inner = NewRgn();
  GetClip(saved);
  GetClip(clip);
  RectRgn(inner, interior);
  XorRgn(clip, inner, clip);
  if (field.style == stylefieldscrolllist) {
    Rect bar{};
    controlrect(field, &bar);
    bar.right = i16(bar.right - 1);
    RectRgn(inner, bar);
    DiffRgn(clip, inner, clip);
  }
  SetClip(clip);
  if (list) DrawThemeListBoxFrame(&r, state);
  else DrawThemeEditTextFrame(&r, state);
  SetClip(saved);
  DisposeRgn(inner);
  DisposeRgn(clip);
  DisposeRgn(saved);
}

void weinsert(const void* text, i32 length, WEReference we) {
  if (!isvalidwerec(we)) return;
  WEFeatureFlag(weFIntCutAndPaste, kClear, we);
  WEInsert(text, length, nilhandle, nilhandle, we);
  WEFeatureFlag(weFIntCutAndPaste, kSet, we);
  SetWERecDirtyFlag(we, true);
}

void wepaste(WEReference we) {
  if (!isvalidwerec(we)) return;
  MainGlobals& g = mainglobals();
  g.pasteinprogress = 1;
  WEPaste(we);
  g.pasteinprogress = 0;
  SetWERecDirtyFlag(we, true);
}

void wekey(u8 c, WEReference we) {
  if (!isvalidwerec(we)) return;
  const bool bar = GetScrollBarFlag(we) != 0;
  const bool wasoff = bar && WEFeatureFlag(weFAutoScroll, kTest, we) == 0;
  if (wasoff) WEFeatureFlag(weFAutoScroll, kSet, we);
  WEKey(c, mainglobals().event.modifiers, we);
  if (wasoff) WEFeatureFlag(weFAutoScroll, kClear, we);
  SetWERecDirtyFlag(we, true);
}

void tepaste(TEHandle te) {
  if (!isvalidte(te)) return;
  if (!withinlimit(te, TEGetScrapLength())) {
    KVBeep(2);
    return;
  }
  TEPaste(te);
}

void tekey(u8 c, TEHandle te) {
  if (!isvalidte(te)) return;
  if (c != kBackspace && !withinlimit(te, 1)) {
    KVBeep(2);
    return;
  }
  TEKey(c, te);
}

// The TextEdit scrap is the system clipboard's text already (TECopy and TECut write it there),
// so only the count is left to remember.
void textoscrap() { SaveScrapSeed(); }

void SaveScrapSeed() { mainglobals().scrapcount = backend().clipboardchangecount(); }

bool ScrapSeedHasChanged() { return backend().clipboardchangecount() != mainglobals().scrapcount; }

void checkscrap() {
  if (!ScrapSeedHasChanged()) return;
  killall();
  readesk();
  SaveScrapSeed();
}

void PmainRTdrawgrouproc(i16 offset, i16 length, const void* buffer) {
  Point start{};
  GetPen(&start);
  DrawText(buffer, offset, length);
  if (!mainglobals().showGroups || length <= 0 || buffer == nullptr) return;
  GrafPtr port = nilid;
  GetPort(&port);
  if (!(GetPortTextFace(port) & kGroupedFace)) return;
  if (static_cast<const u8*>(buffer)[offset] == 13) return;
  Point end{};
  GetPen(&end);
  PenState saved{};
  GetPenState(&saved);
  const i16 width = TextWidth(buffer, offset, length);
  Pattern grey{};
  GetQDGlobalsGray(&grey);
  PenSize(2, 2);
  PenPat(&grey);
  MoveTo(start.h, i16(start.v + 2));
  LineTo(i16(start.h + width - 2), i16(start.v + 2));
  SetPenState(&saved);
  MoveTo(end.h, end.v);
}

}  // namespace kv
