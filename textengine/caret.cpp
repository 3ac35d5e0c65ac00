// What shows a selection: its region, its highlight, the caret and its blinking, activation and
// deactivation of a record, and the cursor over the text and its embedded objects.
#include <algorithm>

#include "engine/indent.h"
#include "platform/events/events.h"
#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/tsm/tsm.h"
#include "platform/windows/cursor.h"
#include "platform/windows/theme.h"
#include "core/mainglobals.h"
#include "shell/portroutines.h"
#include "store/records.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr i16 kPatXor = 10;
constexpr u8 kReturn = 13;

WELineRec lineat(const WERec& r, i32 i) { return weelement<WELineRec>(r.hLines, i); }

// A long rectangle added to a region (nothing for an empty one).
void addrect(RgnHandle rgn, const LongRect& lr) {
  Rect r;
  WELongRectToRect(&lr, &r);
  if (EmptyRect(&r)) return;
  RgnHandle piece = NewRgn();
  if (piece == 0) return;
  RectRgn(piece, r);
  UnionRgn(rgn, piece, rgn);
  DisposeRgn(piece);
}

// Whether an offset starts a line (the empty line after a final return too).
bool atlinestart(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  if (offset == r->textLength) return offset > 0 && deref(r->hText)[offset - 1] == kReturn;
  return lineat(*r, WEOffsetToLine(offset, we)).lineStart == offset;
}

// Works in the record's port, clipped to its view within the clip already there; everything
// goes back at the end of the scope.
class InView {
 public:
  explicit InView(WEReference we) {
    const WERec* r = werec(we);
    _WESaveQDEnvironment(r->port, &env_);
    saved_ = NewRgn();
    RgnHandle area = NewRgn();
    if (saved_ != 0 && area != 0) {
      GetClip(saved_);
      SectRgn(saved_, r->viewRgn, area);
      SetClip(area);
    }
    if (area) DisposeRgn(area);
  }
  ~InView() {
    if (saved_) {
      SetClip(saved_);
      DisposeRgn(saved_);
    }
    _WERestoreQDEnvironment(&env_);
  }
  InView(const InView&) = delete;
  InView& operator=(const InView&) = delete;

 private:
  WEQDEnvironment env_{};
  RgnHandle saved_ = 0;
};

// An object's frame as a region of the record's port (none when it cannot be made).
RgnHandle framergn(WEObjectDescHandle object) {
  LongRect f;
  if (WEGetObjectFrame(object, &f) != noErr) return 0;
  RgnHandle rgn = NewRgn();
  if (rgn) addrect(rgn, f);
  return rgn;
}

}  // namespace

// --- The selection's region and highlight -------------------------------------------------------

namespace {

// The selection on one line of a record with a right-to-left script, segment by segment as
// the line is shown: each segment's selected bytes (in a right-to-left run, each stretch of
// them its order shows side by side), a selected object whole, and the strips between the
// destination's edges and the line's ends where the selection runs on past that end.
struct HiliteWalk {
  RgnHandle rgn;
  i32 start, end;            // the range
  i32 top, bottom;           // the line's
  i32 left, right;           // the destination's
  bool pastleft, pastright;  // the selection runs on past the line's left or right end
  i32 x;                     // the segment's left edge from the destination's
};

bool SLCollectHiliteRgn(WELineRec* line, const WEStyle* style, const WERuler* ruler, const u8* text, i32 start,
                        i32 length, i16 position, WEReference we, void* data) {
  HiliteWalk& w = *static_cast<HiliteWalk*>(data);
  auto frame = [&](i32 from, i32 to) { addrect(w.rgn, LongRect{w.top, w.left + from, w.bottom, w.left + to}); };
  if (!(position & 2)) {
    w.x = _WECalcPenIndent(*line, *ruler, we);
    if (w.pastleft) frame(0, w.x);
  }
  const i32 width = wesegmentwidth(*line, *style, *ruler, text, length, length, position, w.x, we);
  const i32 s = std::max(start, w.start) - start, e = std::min(start + length, w.end) - start;
  if (s < e) {
    if (style->ts.object != 0) {
      frame(w.x, w.x + width);
    } else if (style->ts.direction & kRightToLeftRun) {
      WEShownRun shown(*line, *style, *ruler, text, length, position, w.x, we);
      shown.spans(s, e, [&](i32 from, i32 to) { frame(w.x + from, w.x + to); });
    } else {
      frame(w.x + wesegmentwidth(*line, *style, *ruler, text, length, s, position, w.x, we),
            w.x + wesegmentwidth(*line, *style, *ruler, text, length, e, position, w.x, we));
    }
  }
  w.x += width;
  if (!(position & 1) && w.pastright) frame(w.x, w.right - w.left);
  return false;
}

// The selection's region on a record with a right-to-left script: its first and last lines as
// they are shown, the lines between whole. The end's line is that of the end offset (a line's
// start begins the next line); a range ending after a final return adds nothing for the empty
// line there.
void collecthilite(RgnHandle rgn, i32 start, i32 end, WEReference we) {
  const WERec* r = werec(we);
  const LongRect d = r->destRect;
  const i32 length = r->textLength;
  const bool finalreturn = length > 0 && deref(r->hText)[length - 1] == kReturn;
  const i32 first = WEOffsetToLine(start, we), last = WEOffsetToLine(end, we);
  for (i32 line = first; line <= last; ++line) {
    r = werec(we);
    const WELineRec l = lineat(*r, line), next = lineat(*r, line + 1);
    HiliteWalk w{rgn, start, end, d.top + l.lineOrigin, d.top + next.lineOrigin, d.left, d.right, false, false, 0};
    if (line != first && line != last) {
      addrect(rgn, LongRect{w.top, d.left, w.bottom, d.right});
      continue;
    }
    // Past the line's start and end in reading order; the paragraph's direction puts them left
    // or right.
    const bool paststart = line > first;
    const bool pastend = end > next.lineStart || (end == next.lineStart && (end < length || finalreturn));
    if (_WERightToLeftEdge(l.lineStart, 0, we)) {
      w.pastleft = pastend;
      w.pastright = paststart;
    } else {
      w.pastleft = paststart;
      w.pastright = pastend;
    }
    _WESegmentLoop(line, line, SLCollectHiliteRgn, &w, we);
  }
}

}  // namespace

RgnHandle WEGetHiliteRgn(i32 start, i32 end, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return 0;
  if (start == -1) start = r->selStart;
  if (end == -1) end = r->selEnd;
  _WEReorder(&start, &end);
  start = std::clamp(start, 0, r->textLength);
  end = std::clamp(end, 0, r->textLength);
  RgnHandle rgn = NewRgn();
  if (rgn == 0) return 0;
  if (start == end) return rgn;
  if (r->flags & weFlagBidi) {
    collecthilite(rgn, start, end, we);
    SectRgn(rgn, werec(we)->viewRgn, rgn);
    return rgn;
  }
  LongPoint a, b;
  i16 ha = 0, hb = 0;
  WEGetPoint(start, 1, &a, &ha, we);
  WEGetPoint(end, 1, &b, &hb, we);
  r = werec(we);
  const LongRect& d = r->destRect;
  // In auto-indented fields an end at a line's start moves left by the line's pen indent: the
  // highlight begins at the margin.
  if (WEGetAutoIndentFlag(we) && GetAutoIndentSize(we) != 0) {
    if (atlinestart(start, we)) a.h = d.left;
    if (atlinestart(end, we)) b.h = d.left;
  }
  if (a.v == b.v) {
    addrect(rgn, LongRect{a.v, a.h, a.v + ha, b.h});
  } else {
    addrect(rgn, LongRect{a.v, a.h, a.v + ha, d.right});
    if (a.v + ha < b.v) addrect(rgn, LongRect{a.v + ha, d.left, b.v, d.right});
    addrect(rgn, LongRect{b.v, d.left, b.v + hb, b.h});
  }
  SectRgn(rgn, r->viewRgn, rgn);
  return rgn;
}

void _WEHiliteRange(i32 start, i32 end, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || start == end) return;
  // Smoothed text cannot be inverted back: the selection is painted as the lines are drawn.
  if (mainglobals().smoothtext) return;
  const bool active = (r->flags & weFlagActive) != 0;
  if (!active && !(r->features & (1u << weFOutlineHilite))) return;
  RgnHandle rgn = WEGetHiliteRgn(start, end, we);
  if (rgn == 0) return;
  {
    InView view(we);
    ThemeDrawingState theme = 0;
    GetThemeDrawingState(&theme);
    NormalizeThemeDrawingState();
    restcolor();
    if (active) {
      LMSetHiliteMode(false);
      InvertRgn(rgn);
    } else {
      PenNormal();
      PenMode(kPatXor);
      FrameRgn(rgn);
      PenNormal();
    }
    if (theme) SetThemeDrawingState(theme, true);
  }
  DisposeRgn(rgn);
}

// --- Activation ----------------------------------------------------------------------------------

void WEActivate(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr || (r->flags & weFlagActive)) return;
  _WEHiliteRange(r->selStart, r->selEnd, we);  // the inactive outline goes
  r = werec(we);
  r->flags |= weFlagActive;
  _WEHiliteRange(r->selStart, r->selEnd, we);
  if (werec(we)->tsmDocument != 0) ActivateTSMDocument(werec(we)->tsmDocument);
}

void WEDeactivate(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr || !(r->flags & weFlagActive)) return;
  if (r->tsmDocument != 0) DeactivateTSMDocument(r->tsmDocument);
  _WEHiliteRange(r->selStart, r->selEnd, we);
  _WEHideCaret(we);
  r = werec(we);
  r->flags &= ~weFlagActive;
  _WEHiliteRange(r->selStart, r->selEnd, we);  // the outline, when the record keeps one
  r = werec(we);
  if (r->offscreenWorld) {
    DisposeGWorld(r->offscreenWorld);
    r->offscreenWorld = 0;
  }
}

bool WEIsActive(WEReference we) {
  const WERec* r = werec(we);
  return r != nullptr && (r->flags & weFlagActive) != 0;
}

// --- The caret -------------------------------------------------------------------------------------

void _WEGetCaretRect(i32 offset, i8 edge, Rect* caret, WEReference we) {
  *caret = Rect{0, 0, 0, 0};
  const WERec* r = werec(we);
  if (r == nullptr) return;
  LongPoint p;
  i16 height = 0;
  // edge is the side of a click; the caret's side at a direction boundary is the paragraph's.
  (void)edge;
  WEGetPoint(offset, 0, &p, &height, we);
  r = werec(we);
  const i32 left = p.h - 1 >= r->destRect.left ? p.h - 1 : p.h;
  const LongRect lr{p.v, left, p.v + height, left + 1};
  WELongRectToRect(&lr, caret);
}

void _WEDrawCaret(i32 offset, i8 edge, bool dual, WEReference we) {
  if (werec(we) == nullptr) return;
  Rect caret;
  _WEGetCaretRect(offset, edge, &caret, we);
  if (!dual) {
    InView view(we);
    InvertRect(&caret);
    return;
  }
  // The other side's caret, in the lower half.
  LongPoint p;
  i16 height = 0;
  WEGetPoint(offset, _WERightToLeftEdge(offset, 0, we) ? 1 : -1, &p, &height, we);
  const WERec* r = werec(we);
  const i32 left = p.h - 1 >= r->destRect.left ? p.h - 1 : p.h;
  const LongRect lr{p.v, left, p.v + height, left + 1};
  Rect other;
  WELongRectToRect(&lr, &other);
  const i16 middle = i16(caret.top + (caret.bottom - caret.top) / 2);
  caret.bottom = middle;
  other.top = middle;
  InView view(we);
  InvertRect(&caret);
  InvertRect(&other);
}

void _WEBlinkCaret(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr || !(r->flags & weFlagActive)) return;
  const bool shown = (r->flags & weFlagCaretShown) != 0;
  // A read-only record never shows its caret; one that shows goes.
  if (!shown && (r->features & (1u << weFReadOnly))) return;
  _WEDrawCaret(r->selStart, i8(r->clickEdge), _WEAtDirectionBoundary(r->selStart, we), we);
  r = werec(we);
  r->flags ^= weFlagCaretShown;
  r->caretTime = TickCount();
}

// --- The cursor ------------------------------------------------------------------------------------

void _WESubtractObjectRgns(RgnHandle rgn, Point offset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || rgn == 0) return;
  const LongPoint topleft{r->viewRect.top, r->viewRect.left}, botright{r->viewRect.bottom, r->viewRect.right};
  const i32 first = WEGetOffset(&topleft, nullptr, we), last = WEGetOffset(&botright, nullptr, we);
  WEObjectDescHandle object = nilhandle;
  for (i32 at = WEFindNextObject(first - 1, &object, we); at >= 0 && at <= last;
       at = WEFindNextObject(at, &object, we)) {
    RgnHandle frame = framergn(object);
    if (frame == 0) continue;
    OffsetRgn(frame, offset.h, offset.v);
    DiffRgn(rgn, frame, rgn);
    DisposeRgn(frame);
  }
}

bool WEAdjustCursor(Point mouse, RgnHandle mouseRgn, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return false;
  WEQDEnvironment env;
  _WESaveQDEnvironment(r->port, &env);
  Point local = mouse, origin{0, 0};
  GlobalToLocal(&local);
  LocalToGlobal(&origin);
  const LongPoint at{local.v, local.h};
  i8 edge = 0;
  const i32 offset = WEGetOffset(&at, &edge, we);
  // The object under the mouse: the one at the offset (before it, for edge 0), when the point
  // lies in its frame.
  WEObjectDescHandle object = nilhandle;
  if (WEGetObjectAtOffset(edge == 0 ? offset - 1 : offset, &object, we) == noErr) {
    LongRect frame;
    if (WEGetObjectFrame(object, &frame) != noErr || !WELongPointInLongRect(&at, &frame)) object = nilhandle;
  }
  const Handle previous = werec(we)->hoveredObject;
  if (previous != nilhandle && previous != object && _WEIsObject(previous)) {
    RgnHandle frame = framergn(previous);
    _WEHoverObject(2, local, frame, previous);
    if (frame) DisposeRgn(frame);
  }
  bool cursorset = false;
  RgnHandle objectrgn = 0;
  if (object != nilhandle) {
    objectrgn = framergn(object);
    cursorset = _WEHoverObject(previous == object ? 1 : 0, local, objectrgn, object);
  }
  if (WERec* now = werec(we)) now->hoveredObject = object;
  r = werec(we);
  RgnHandle area = NewRgn();
  bool inside = false;
  if (area != 0) {
    GetPortVisibleRegion(currentportid(), area);
    SectRgn(area, r->viewRgn, area);
    inside = PtInRgn(local, area);
    bool arrow = false;
    if (inside) {
      if (object != nilhandle) {
        if (objectrgn) SectRgn(area, objectrgn, area);
      } else {
        if ((r->features & (1u << weFDragAndDrop)) && r->selStart != r->selEnd) {
          // Over the selection a click may start a drag: the arrow, unless the last click was
          // quick enough to be followed by another on the text.
          RgnHandle selection = WEGetHiliteRgn(r->selStart, r->selEnd, we);
          r = werec(we);
          if (selection != 0) {
            const bool overselection = PtInRgn(local, selection);
            if (overselection && (TickCount() - r->clickTime > GetDblTime() || r->clickEdge == 2)) {
              arrow = true;
              SectRgn(area, selection, area);
            } else {
              DiffRgn(area, selection, area);
            }
            DisposeRgn(selection);
          }
        }
        _WESubtractObjectRgns(area, Point{0, 0}, we);
      }
      if (!cursorset) SetThemeCursor(arrow ? kThemeArrowCursor : kThemeIBeamCursor);
    }
    OffsetRgn(area, origin.h, origin.v);
    if (mouseRgn != 0) {
      if (inside) SectRgn(mouseRgn, area, mouseRgn);
      else DiffRgn(mouseRgn, area, mouseRgn);
    }
    DisposeRgn(area);
  }
  if (objectrgn) DisposeRgn(objectrgn);
  _WERestoreQDEnvironment(&env);
  return inside;
}

}  // namespace kv
