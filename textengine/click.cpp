// What a mouse-down in a record does: the caret at the offset under the point, shift extending
// the selection from its anchor, words and paragraphs taken by double and triple clicks and
// extended by whole words or paragraphs while the button stays down, and clicks on a selected
// embedded object handed to its click handler.
#include <algorithm>

#include "engine/indent.h"
#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/events/watchdog.h"
#include "platform/qd/regions.h"
#include "store/records.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

// The offset and edge under a point. In automatically indented fields a point in the
// indentation of its line counts as a point just past it, so the click lands after the
// indentation rather than on the line before.
i32 offsetunder(Point pt, i8* edge, WEReference we) {
  LongPoint lp;
  WEPointToLongPoint(pt, &lp);
  const WERec* r = werec(we);
  const i32 size = GetAutoIndentSize(we);
  if (WEGetAutoIndentFlag(we) && size != 0) {
    const i32 v = lp.v - r->destRect.top;
    if (v >= 0 && r->nLines > 0 && v < weelement<WELineRec>(r->hLines, r->nLines).lineOrigin) {
      const WELineRec line = weelement<WELineRec>(r->hLines, _WEPixelToLine(v, we));
      const i32 width = i32(line.lineIndent) * size * GetAutoIndentSpaceWidth(we);
      if (lp.h < r->destRect.left + width) lp.h = r->destRect.left + width + 1;
    }
  }
  return WEGetOffset(&lp, edge, we);
}

// Whether a point lies in the highlight region of the selection.
bool inselection(Point pt, WEReference we) {
  const WERec* r = werec(we);
  if (r->selStart == r->selEnd) return false;
  RgnHandle rgn = WEGetHiliteRgn(r->selStart, r->selEnd, we);
  if (rgn == 0) return false;
  const bool in = PtInRgn(pt, rgn);
  DisposeRgn(rgn);
  return in;
}

// The selection while tracking: from the anchor range to the word or paragraph under the
// offset (clickCount 1 or more), else from the anchor to the offset. The order of the pair
// tells WESetSelection which end is active.
void trackto(i32 offset, i8 edge, WEReference we) {
  const WERec* r = werec(we);
  const i32 count = r->clickCount, as = r->anchorStart, ae = r->anchorEnd;
  if (count == 0) {
    WESetSelection(as, offset + (edge == 2 ? 1 : 0), we);
    return;
  }
  i32 s = 0, e = 0;
  if (count == 1) WEFindWord(offset, edge, &s, &e, we);
  else WEFindParagraph(offset, edge, &s, &e, we);
  if (s <= as) WESetSelection(ae, s, we);
  else WESetSelection(as, e, we);
}

}  // namespace

void WEClick(Point hitPt, u16 modifiers, u32 clickTime, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return;
  WEStopInlineSession(we);
  _WEHideCaret(we);
  i8 edge = 0;
  const i32 offset = offsetunder(hitPt, &edge, we);

  r = werec(we);
  const bool multiple = clickTime - r->clickTime < GetDblTime() && offset == r->clickLoc;
  r->clickTime = clickTime;
  r->clickLoc = offset;
  r->clickEdge = u8(edge);

  // A click on the one selected object goes to the object first.
  WEObjectDescHandle object = nilhandle;
  if (WEGetSelectedObject(&object, we) == noErr && inselection(hitPt, we) &&
      _WEClickObject(hitPt, u16(modifiers + (multiple ? 1 : 0)), clickTime, object))
    return;

  r = werec(we);
  if (modifiers & shiftKey) {
    // Extending: the anchor is the end that is not active; words or paragraphs stay the unit
    // of a selection made by a multiple click.
    const i32 anchor = (r->flags & weFlagBackwards) ? r->selEnd : r->selStart;
    r->anchorStart = r->anchorEnd = anchor;
  } else if (multiple) {
    if (r->clickCount < 2) ++r->clickCount;
    i32 s = 0, e = 0;
    if (r->clickCount == 1) WEFindWord(offset, edge, &s, &e, we);
    else WEFindParagraph(offset, edge, &s, &e, we);
    r = werec(we);
    r->anchorStart = s;
    r->anchorEnd = e;
  } else {
    // A press inside the selection with drag and drop on drags it; a press that does not move
    // selects as a click.
    if ((r->features & (1u << weFDragAndDrop)) && inselection(hitPt, we) &&
        _WEDrag(hitPt, modifiers, clickTime, we) != 128)
      return;
    r = werec(we);
    if (r == nullptr) return;
    r->clickCount = 0;
    r->anchorStart = r->anchorEnd = offset;
  }

  // Track the mouse while the button is down.
  LoopScope loop("text click");
  r->flags |= weFlagTracking;
  trackto(offset, edge, we);
  bool going = true;
  if (werec(we)->clickLoop) going = werec(we)->clickLoop(we);
  while (going && StillDown()) {
    Point mouse;
    GetMouse(&mouse);
    i32 s0 = 0, e0 = 0;
    WEGetSelection(&s0, &e0, we);
    i8 e = 0;
    const i32 at = offsetunder(mouse, &e, we);
    trackto(at, e, we);
    i32 s1 = 0, e1 = 0;
    WEGetSelection(&s1, &e1, we);
    if ((s1 != s0 || e1 != e0) && werec(we)->clickLoop) going = werec(we)->clickLoop(we);
  }
  r = werec(we);
  r->flags &= ~weFlagTracking;

  // An empty selection shows the caret (not in a record that draws nothing).
  const bool quiet = r->features & ((1u << weFInhibitRecal) | (1u << weFInhibitRedraw));
  if (!quiet && r->selStart == r->selEnd && (r->flags & weFlagActive) && !(r->flags & weFlagCaretShown)) {
    _WEDrawCaret(r->selStart, i8(r->clickEdge), _WEAtDirectionBoundary(r->selStart, we), we);
    r = werec(we);
    r->flags |= weFlagCaretShown;
    r->caretTime = TickCount();
  }
}

u16 WEGetClickCount(WEReference we) {
  const WERec* r = werec(we);
  return r == nullptr ? 0 : r->clickCount;
}

}  // namespace kv
