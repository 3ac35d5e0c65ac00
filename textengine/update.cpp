// Drawing a record's text when its port needs it (an update), with its highlight or caret, and
// the redraw of the lines an edit changed.
#include <algorithm>

#include "platform/qd/ports.h"
#include "platform/qd/regions.h"
#include "platform/qd/shapes.h"
#include "platform/windows/windows.h"
#include "core/mainglobals.h"
#include "shell/metal.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

i16 pin16(i32 v) { return i16(std::clamp(v, -32768, 32767)); }

// The record's text bottom in the port (the sentinel's origin below the destination's top).
i32 textbottom(const WERec& r) { return r.destRect.top + weelement<WELineRec>(r.hLines, r.nLines).lineOrigin; }

// Draws the lines that meet the area (in the record's port, the port current) and erases the
// part of the area below the text.
void drawarea(WEReference we, RgnHandle area, bool erase) {
  WERec* r = werec(we);
  Rect bounds;
  GetRegionBounds(area, &bounds);
  const i32 first = _WEPixelToLine(bounds.top - r->destRect.top, we);
  const i32 last = _WEPixelToLine(bounds.bottom - 1 - r->destRect.top, we);
  _WEDrawLines(first, last, erase, we);
  r = werec(we);
  const i32 bottom = textbottom(*r);
  if (bottom < bounds.bottom && r->eraseHook) {
    const Rect below{pin16(std::max<i32>(bottom, bounds.top)), bounds.left, bounds.bottom, bounds.right};
    r->eraseHook(&below, we);
  }
}

}  // namespace

void WEUpdate(RgnHandle updateRgn, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return;
  WEQDEnvironment env;
  _WESaveQDEnvironment(r->port, &env);
  const CGrafPtr port = currentportid();
  // A record being printed draws into a printer's port: its clip stays as it is and no window
  // is validated.
  const bool printing = (r->flags & weFlagPrinting) != 0;
  const WindowRef window = printing ? nilid : GetWindowFromPort(port);
  const bool metal = window != nilid && IsMetalWindow(window);
  RgnHandle saved = NewRgn(), area = NewRgn(), visible = metal ? NewRgn() : 0;
  if (saved != 0 && area != 0) {
    GetClip(saved);
    SectRgn(saved, r->viewRgn, area);
    if (updateRgn != 0) SectRgn(area, updateRgn, area);
    if (!printing) SetClip(area);
    if (visible) {
      GetPortVisibleRegion(port, visible);
      SetPortVisibleRegion(port, area);
    }
    MainGlobals& g = mainglobals();
    g.weupdating = 1;
    if (!EmptyRgn(area)) {
      drawarea(we, area, updateRgn == 0);
      // Over the text: the selection's highlight, or the caret that was showing.
      r = werec(we);
      if (r->selStart != r->selEnd) _WEHiliteRange(r->selStart, r->selEnd, we);
      else if (r->flags & weFlagCaretShown)
        _WEDrawCaret(r->selStart, i8(r->clickEdge), _WEAtDirectionBoundary(r->selStart, we), we);
    }
    g.weupdating = 0;
    if (!printing) SetClip(saved);
    if (visible) SetPortVisibleRegion(port, visible);
    if (window != nilid) ValidWindowRgn(window, werec(we)->viewRgn);
  }
  _WEForgetRgn(&visible);
  _WEForgetRgn(&area);
  _WEForgetRgn(&saved);
  _WERestoreQDEnvironment(&env);
}

void _WERedrawChangedLines(i32 firstLine, i32 lastLine, i32 oldBottom, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr || r->nLines < 1) return;
  firstLine = std::clamp(firstLine, 0, r->nLines - 1);
  lastLine = std::clamp(lastLine, firstLine, r->nLines - 1);
  const i32 top = r->destRect.top + weelement<WELineRec>(r->hLines, firstLine).lineOrigin;
  i32 bottom = r->destRect.top + weelement<WELineRec>(r->hLines, lastLine + 1).lineOrigin;
  if (r->destRect.bottom != oldBottom) bottom = std::max(oldBottom, r->destRect.bottom);
  const LongRect changed{top, r->viewRect.left, bottom, r->viewRect.right};
  Rect box;
  WELongRectToRect(&changed, &box);
  WEQDEnvironment env;
  _WESaveQDEnvironment(r->port, &env);
  RgnHandle saved = NewRgn(), area = NewRgn();
  if (saved != 0 && area != 0) {
    GetClip(saved);
    RectRgn(area, box);
    SectRgn(area, r->viewRgn, area);
    SectRgn(area, saved, area);
    SetClip(area);
    if (!EmptyRgn(area)) {
      drawarea(we, area, true);
      // The highlight or the caret where it falls in the lines drawn again.
      r = werec(we);
      if (r->selStart != r->selEnd) _WEHiliteRange(r->selStart, r->selEnd, we);
      else if (r->flags & weFlagCaretShown)
        _WEDrawCaret(r->selStart, i8(r->clickEdge), _WEAtDirectionBoundary(r->selStart, we), we);
    }
    SetClip(saved);
  }
  _WEForgetRgn(&area);
  _WEForgetRgn(&saved);
  _WERestoreQDEnvironment(&env);
}

}  // namespace kv
