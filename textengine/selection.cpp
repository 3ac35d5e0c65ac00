// Scrolling a record's text within its view and keeping an offset in view, setting the
// selection with little redrawing, the caret's blinking at idle time, and the arrow keys.
#include <algorithm>
#include <cstdlib>

#include "fields/fieldview.h"
#include "platform/events/eventrecord.h"
#include "platform/events/events.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/text/sjis.h"
#include "platform/text/textservices.h"
#include "platform/windows/theme.h"
#include "core/mainglobals.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr u8 kReturn = 13;
constexpr u32 kOutline = 1u << weFOutlineHilite;
constexpr i16 kLeftArrow = 28, kUpArrow = 30;

WELineRec lineat(const WERec& r, i32 i) { return weelement<WELineRec>(r.hLines, i); }

bool quiet(const WERec& r) { return (r.features & ((1u << weFInhibitRecal) | (1u << weFInhibitRedraw))) != 0; }

// Draws the lines of a range again (where the selection changed on smoothed text).
void redrawrange(i32 a, i32 b, WEReference we) {
  if (a == b) return;
  _WEReorder(&a, &b);
  const WERec* r = werec(we);
  _WERedrawChangedLines(WEOffsetToLine(a, we), WEOffsetToLine(b, we), r->destRect.bottom, we);
}

// The offset at a point of the view's left edge, on the first line wholly below `top` or the
// last line wholly above `bottom` (the other may be none).
i32 offsetnear(i32 v, WEReference we) {
  const WERec* r = werec(we);
  const LongPoint p{v, r->viewRect.left};
  return WEGetOffset(&p, nullptr, we);
}

// Whether a character type is punctuation that is not a digit (blanks count).
bool skippable(i16 type) { return (type & smcTypeMask) == smCharPunct && ((type >> 8) & 0xF) != 1; }

// One character back or on (two for a two-byte character), within the text.
i32 charstep(bool forward, i32 offset, WEReference we) {
  const i32 length = werec(we)->textLength;
  if (forward) return std::min(offset + (WECharByte(offset, we) == smFirstByte ? 2 : 1), length);
  i32 o = offset - 1;
  if (o > 0 && WECharByte(o, we) == smLastByte) --o;
  return std::max(o, 0);
}

// The left or right arrow on a record with a right-to-left script: one character back or on in
// the reading direction of the character the caret stands on (the left arrow reads back in
// left-to-right text and on in right-to-left text), so that the caret moves as the line is
// shown. Where the direction changes the caret stands on the paragraph direction's character;
// a step that would leave it crosses the change first, and a step that lands on a change from
// text of the other direction crosses it after, to the caret shown there.
i32 arrowstep(bool right, i32 offset, WEReference we) {
  const i32 length = werec(we)->textLength;
  i8 edge = -1;  // the caret stands on the character after the offset (-1) or before it (0)
  const bool change = wedirectionchange(offset, we);
  if (change) edge = werighttoleftchar(offset - 1, we) == _WERightToLeftEdge(offset, 0, we) ? 0 : -1;
  else if (offset > 0 && offset >= length) edge = 0;
  bool rtl = werighttoleftchar(edge == 0 ? offset - 1 : offset, we);
  bool forward = right != rtl;
  if (change && forward == (edge == 0)) {
    const i32 crossed = _WECrossDirectionBoundary(offset, edge, we);
    if (crossed != offset) {
      offset = crossed;
      rtl = !rtl;
      forward = right != rtl;
    }
  }
  const i32 to = charstep(forward, offset, we);
  if (to == offset || !wedirectionchange(to, we)) return to;
  const i8 arrived = forward ? 0 : -1;
  const bool from = werighttoleftchar(arrived == 0 ? to - 1 : to, we);
  return from == _WERightToLeftEdge(to, 0, we) ? to : _WECrossDirectionBoundary(to, arrived, we);
}

}  // namespace

void _WEHideCaret(WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || !(r->flags & weFlagCaretShown)) return;
  _WEDrawCaret(r->selStart, i8(r->clickEdge), _WEAtDirectionBoundary(r->selStart, we), we);
  werec(we)->flags &= ~weFlagCaretShown;
}

// --- Scrolling ---------------------------------------------------------------------------------

OSErr WEScroll(i32 hOffset, i32 vOffset, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (hOffset == 0 && vOffset == 0) return noErr;
  const MainGlobals& g = mainglobals();
  // While a click is tracked the text moves by the field scroll step, whatever was asked.
  if ((r->flags & weFlagTracking) && !g.proportionalScrolling) {
    const i32 step = g.fieldScrollStep;
    if (hOffset != 0) hOffset = hOffset > 0 ? step : -step;
    if (vOffset != 0) vOffset = vOffset > 0 ? step : -step;
  }
  _WEHideCaret(we);
  r = werec(we);
  const bool outlined = !(r->flags & weFlagActive) && (r->features & kOutline);
  if (outlined) {
    _WEHiliteRange(r->selStart, r->selEnd, we);
    werec(we)->features &= ~kOutline;
  }
  r = werec(we);
  WEOffsetLongRect(&r->destRect, hOffset, vOffset);
  const i32 width = r->viewRect.right - r->viewRect.left, height = r->viewRect.bottom - r->viewRect.top;
  {
    WEQDEnvironment env;
    _WESaveQDEnvironment(r->port, &env);
    ThemeDrawingState theme = 0;
    GetThemeDrawingState(&theme);
    NormalizeThemeDrawingState();
    RgnHandle uncovered = 0;
    if (std::abs(hOffset) < width && std::abs(vOffset) < height && (uncovered = NewRgn()) != 0) {
      // The bits move; only what they uncover is drawn.
      Rect view;
      WELongRectToRect(&r->viewRect, &view);
      ScrollRect(&view, i16(hOffset), i16(vOffset), uncovered);
      WEUpdate(uncovered, we);
      DisposeRgn(uncovered);
    } else {
      WEUpdate(0, we);
    }
    if (theme) SetThemeDrawingState(theme, true);
    _WERestoreQDEnvironment(&env);
  }
  if (outlined) {
    r = werec(we);
    r->features |= kOutline;
    _WEHiliteRange(r->selStart, r->selEnd, we);
  }
  return noErr;
}

OSErr WEPinScroll(i32 hOffset, i32 vOffset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  const LongRect &view = r->viewRect, &dest = r->destRect;
  if (vOffset > 0) vOffset = std::min(vOffset, std::max(0, view.top - dest.top));
  if (vOffset < 0) vOffset = std::max(vOffset, std::min(0, view.bottom - dest.bottom));
  return WEScroll(hOffset, vOffset, we);
}

bool _WEScrollIntoView(i32 offset, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return false;
  i32 dh = 0, dv = 0;
  if (r->features & (1u << weFAutoScroll)) {
    LongPoint p;
    i16 height = 0;
    WEGetPoint(offset, 0, &p, &height, we);
    r = werec(we);
    const LongRect &view = r->viewRect, &dest = r->destRect;
    if (p.v < view.top) dv = view.top - p.v;
    else if (p.v + height > view.bottom) dv = view.bottom - (p.v + height);
    // Never past the text's bottom, and above all never past its top.
    if (dv != 0) {
      dv = std::max(dv, view.bottom - dest.bottom);
      dv = std::min(dv, view.top - dest.top);
    }
    if (p.h - 1 < view.left || p.h >= view.right) {
      dh = std::max((view.left + view.right) / 2 - p.h, view.right - dest.right);
      if (dh > view.left - dest.left) {
        dh = view.left - dest.left;
        WEParaInfo para;
        _WEGetExtParaInfo(r->selStart, &para, we);
        if (WEIsCrOnly(we) && para.ruler.alignment == -1) {
          Rect margins{0, 0, 0, 0};
          GetFieldMargins(we, &margins);
          dh += margins.left;
        }
      }
    }
    if (dh != 0 || dv != 0) {
      WEScroll(dh, dv, we);
      werec(we)->flags |= weFlagScrollPending;
    }
  }
  r = werec(we);
  if ((r->flags & weFlagScrollPending) && r->scrollProc) {
    r->flags &= ~weFlagScrollPending;
    r->scrollProc(we);
  }
  return dh != 0 || dv != 0;
}

void WESelView(WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return;
  _WEScrollIntoView((r->flags & weFlagBackwards) ? r->selStart : r->selEnd, we);
}

// --- Idle time and the selection -------------------------------------------------------------------

void WEIdle(u32* sleep, WEReference we) {
  u32 ticks = 0x7FFFFFFF;
  const WERec* r = werec(we);
  if (r != nullptr && (r->flags & weFlagActive) && r->selStart == r->selEnd) {
    const u32 now = TickCount(), interval = GetCaretTime(), since = now - r->caretTime;
    if (since >= interval) {
      _WEBlinkCaret(we);
      ticks = interval;
    } else {
      ticks = interval - since;
    }
  }
  if (sleep) *sleep = ticks;
}

void WESetSelection(i32 start, i32 end, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return;
  start = std::clamp(start, 0, r->textLength);
  end = std::clamp(end, 0, r->textLength);
  if (end < start) {
    std::swap(start, end);
    r->flags |= weFlagBackwards;
  } else {
    r->flags &= ~weFlagBackwards;
  }
  if (start == r->selStart && end == r->selEnd) return;
  r->flags &= ~weFlagNullStyleValid;
  _WEHideCaret(we);
  r = werec(we);
  const i32 oldstart = r->selStart, oldend = r->selEnd;
  r->selStart = start;
  r->selEnd = end;
  if (quiet(*r)) {
    if (!(r->flags & weFlagTracking)) r->clickCount = 0;
    return;
  }
  if (r->flags & weFlagActive) {
    // Only what changed at either end is highlighted again (drawn again on smoothed text).
    if (mainglobals().smoothtext) {
      redrawrange(oldstart, start, we);
      redrawrange(oldend, end, we);
    } else {
      i32 a = oldstart, b = start, c = oldend, d = end;
      _WEReorder(&a, &b);
      _WEReorder(&c, &d);
      _WEHiliteRange(a, b, we);
      _WEHiliteRange(c, d, we);
    }
  } else {
    _WEHiliteRange(oldstart, oldend, we);
    _WEHiliteRange(start, end, we);
  }
  r = werec(we);
  if (r->flags & weFlagTracking) return;
  if (start == end && (r->flags & weFlagActive)) {
    _WEDrawCaret(start, i8(r->clickEdge), _WEAtDirectionBoundary(start, we), we);
    r = werec(we);
    r->flags |= weFlagCaretShown;
    r->caretTime = TickCount();
  }
  r->clickCount = 0;
  WESelView(we);
}

// --- Arrow keys --------------------------------------------------------------------------------------

i32 _WEArrowOffset(i16 action, i32 offset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return 0;
  const i32 length = r->textLength;
  offset = std::clamp(offset, 0, length);
  if ((action == 0 || action == 1) && (r->flags & weFlagBidi)) return arrowstep(action == 1, offset, we);
  switch (action) {
    case 0:
    case 1: return charstep(action == 1, offset, we);
    case 2:
    case 3: {
      LongPoint p;
      i16 height = 0;
      WEGetPoint(offset, 0, &p, &height, we);
      p.v = action == 2 ? p.v - 1 : p.v + height;
      return WEGetOffset(&p, nullptr, we);
    }
    case 4: {
      // Back over the words before the offset, on past blanks and punctuation.
      i32 o = offset, s = 0, e = 0;
      for (;;) {
        WEFindWord(o, 0, &s, &e, we);
        if (s >= e || s >= o) return std::min(s, o);
        o = s;
        if (o == 0 || !skippable(WECharType(o, we))) return o;
      }
    }
    case 5: {
      i32 o = offset, s = 0, e = 0;
      for (;;) {
        WEFindWord(o, -1, &s, &e, we);
        if (s >= e || e <= o) return std::max(e, o);
        o = e;
        if (o >= length || !skippable(WECharType(o - 1, we))) return o;
      }
    }
    case 6:
    case 7: {
      const LongRect view = r->viewRect;
      const i32 vh = view.bottom - view.top;
      i32 target = 0;
      if (action == 6) {
        target = offsetnear(view.top, we);
        const i32 line = WEOffsetToLine(target, we);
        if (r->destRect.top + lineat(*r, line).lineOrigin < view.top && line + 1 < r->nLines)
          target = offsetnear(r->destRect.top + lineat(*r, line + 1).lineOrigin, we);
      } else {
        target = offsetnear(view.bottom - 1, we);
        const i32 line = WEOffsetToLine(target, we);
        if (r->destRect.top + lineat(*r, line + 1).lineOrigin > view.bottom && line > 0)
          target = offsetnear(r->destRect.top + lineat(*r, line - 1).lineOrigin, we);
      }
      if (target != offset) return target;
      // Already there: a view's height less one line further.
      LongPoint p;
      i16 height = 0;
      WEGetPoint(offset, 0, &p, &height, we);
      return offsetnear(action == 6 ? p.v - (vh - height) : p.v + (vh - height), we);
    }
    case 8:
    case 9: {
      i32 s = 0, e = 0;
      WEFindLine(offset, -1, &s, &e, we);
      if (action == 8) return s;
      // Before the line's last character unless the line ends the text, and always before a
      // return that ends it (after it lies the next line).
      if (e > s && (e < length || deref(werec(we)->hText)[e - 1] == kReturn))
        return e - ((e - s >= 2 && WECharByte(e - 1, we) == smLastByte) ? 2 : 1);
      return e;
    }
    case 10: return 0;
    case 11: return length;
    default: return offset;
  }
}

void _WEDoArrowKey(i16 key, u16 modifiers, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || key < kLeftArrow || key > kLeftArrow + 3) return;
  i16 action = i16(key - kLeftArrow);
  if (modifiers & optionKey) action = i16(action + 4);
  if (modifiers & cmdKey) action = i16(action + 8);
  if (action >= 12) return;  // option and command together move nothing
  const bool backwards = (r->flags & weFlagBackwards) != 0;
  if (modifiers & shiftKey) {
    const i32 anchor = backwards ? r->selEnd : r->selStart, moving = backwards ? r->selStart : r->selEnd;
    WESetSelection(anchor, _WEArrowOffset(action, moving, we), we);
  } else if (r->selStart == r->selEnd) {
    const i32 to = _WEArrowOffset(action, r->selStart, we);
    WESetSelection(to, to, we);
  } else {
    const bool towardsstart = key == kLeftArrow || key == kUpArrow;
    const i32 to = towardsstart ? r->selStart : r->selEnd;
    WESetSelection(to, to, we);
  }
}

}  // namespace kv
