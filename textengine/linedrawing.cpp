// Line drawing: the walk over a range of lines segment by segment (one segment per style run
// on a line, in the order the runs are shown), and the drawing of each segment: the line's erase, its paragraph border, the pen
// placed by alignment and indentation, the text in its font, colours, transfer mode, strike
// line and shift, optionally composed line by line in an offscreen world.
#include <algorithm>
#include <vector>

#include "engine/indent.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/qd/colors.h"
#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "render/fielddrawing.h"
#include "render/graphicdrawing.h"
#include "core/mainglobals.h"
#include "store/records.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr u16 kParaStartBit = 0x8000;
constexpr i16 kOrMode = 1;  // srcOr
constexpr Pattern kEmptyPattern{};
constexpr RGBColor kBlack{0, 0, 0}, kWhite{0xFFFF, 0xFFFF, 0xFFFF};

i32 roundfixed(i64 v) { return i32((v + 0x8000) >> 16); }
i16 pin16(i32 v) { return i16(std::clamp(v, -32768, 32767)); }

// The state of one _WEDrawLines call, handed to each segment.
struct DrawState {
  CGrafPtr savedport;
  GDHandle saveddevice;
  Rect linerect;  // the line's rectangle in the record's port
  Rect drawrect;  // the line's rectangle within the view
  bool colour;
  bool offscreenwanted;
  bool offscreeninuse;
  bool erase;
  Point startpen;
  RgnHandle hilite;   // the selection painted behind the text (none: no selection shown)
  RgnHandle scratch;  // the part of it on the current line
  RGBColor hilitecolour;
};

// A colour, greyed when the text being drawn must look disabled.
RGBColor greyedif(RGBColor c, bool grey) {
  if (grey) grayTextRGB(&c);
  return c;
}

// The first segment of a line: its rectangles, the offscreen world, the erase, the border and
// the pen at the line's start.
void beginline(DrawState& st, const WELineRec& line, const WEStyle& style, const WERuler& ruler, WEReference we) {
  WERec* r = werec(we);
  const i32 index = WEOffsetToLine(line.lineStart, we);
  const WELineRec next = weelement<WELineRec>(r->hLines, index + 1);
  // Line positions are 32-bit; only the rectangle drawn into is narrowed.
  const LongRect lr{r->destRect.top + line.lineOrigin, r->destRect.left, r->destRect.top + next.lineOrigin,
                    r->destRect.right};
  WELongRectToRect(&lr, &st.linerect);
  Rect view;
  GetRegionBounds(r->viewRgn, &view);
  SectRect(&st.linerect, &view, &st.drawrect);
  if (st.offscreenwanted && !EmptyRect(&st.drawrect)) {
    Point topleft{st.drawrect.top, st.drawrect.left}, botright{st.drawrect.bottom, st.drawrect.right};
    LocalToGlobal(&topleft);
    LocalToGlobal(&botright);
    const Rect global{topleft.v, topleft.h, botright.v, botright.h};
    if (!(UpdateGWorld(&r->offscreenWorld, 0, &global, 0, 0, 0) & gwFlagErr) &&
        LockPixels(GetGWorldPixMap(r->offscreenWorld))) {
      st.offscreeninuse = true;
      RGBColor back;
      GetBackColor(&back);
      SetGWorld(r->offscreenWorld, 0);
      RGBBackColor(&back);
      BackPat(&kEmptyPattern);
      SetOrigin(st.drawrect.left, st.drawrect.top);
      ClipRect(&st.drawrect);
    }
  }
  if (st.erase && r->eraseHook) r->eraseHook(&st.drawrect, we);
  r = werec(we);
  // The selection lies under the text, in the hilite colour.
  if (st.hilite != 0) {
    RectRgn(st.scratch, st.drawrect);
    SectRgn(st.scratch, st.hilite, st.scratch);
    if (!EmptyRgn(st.scratch)) {
      RGBColor back;
      GetBackColor(&back);
      RGBBackColor(&st.hilitecolour);
      EraseRgn(st.scratch);
      RGBBackColor(&back);
    }
  }
  const bool grey = st.colour && textShouldBeGrayed();
  if (ruler.borderStyle != 0 && (next.lineAscent & kParaStartBit)) {
    if (st.colour) {
      const RGBColor black = greyedif(kBlack, grey);
      RGBForeColor(&black);
    }
    const i32 left = roundfixed(ruler.leftIndent), right = roundfixed(ruler.rightIndent);
    // The pen hangs below its position: the border's rows are the line's last ones (at the
    // line's bottom edge it would lie in the next line, and be erased with it).
    const i32 rows = ruler.borderStyle == 3 ? 2 : 1;
    MoveTo(pin16(st.linerect.left + left), pin16(st.linerect.bottom - roundfixed(ruler.spaceAfter) - rows));
    _WEDrawBorder(pin16(r->destRect.right - r->destRect.left - left - right - 1), ruler.borderStyle);
  }
  MoveTo(pin16(st.linerect.left + _WECalcPenIndent(line, ruler, we)),
         pin16(st.linerect.top + (line.lineAscent & 0x7FFF)));
  if (st.offscreeninuse) _WESetTextStyle(style.ts);
}

// The last segment of a line composed offscreen: the line is copied into the record's port.
void endline(DrawState& st, WEReference we) {
  WERec* r = werec(we);
  Point pen;
  GetPen(&pen);
  SetGWorld(r->port, 0);
  RGBColor back;
  GetBackColor(&back);
  if (st.colour) {
    RGBBackColor(&kWhite);
    RGBForeColor(&kBlack);
  }
  CopyBits(GetPortBitMapForCopyBits(r->offscreenWorld), GetPortBitMapForCopyBits(r->port), &st.drawrect, &st.drawrect,
           srcCopy, 0);
  RGBBackColor(&back);
  SetGWorld(r->offscreenWorld, 0);
  SetOrigin(0, 0);
  RGBForeColor(&kBlack);
  UnlockPixels(GetGWorldPixMap(r->offscreenWorld));
  SetGWorld(r->port, 0);
  MoveTo(pen.h, pen.v);
  st.offscreeninuse = false;
}

bool SLDraw(WELineRec* line, const WEStyle* style, const WERuler* ruler, const u8* text, i32, i32 length, i16 position,
            WEReference we, void* data) {
  DrawState& st = *static_cast<DrawState*>(data);
  const WETextStyle& ts = style->ts;
  const bool last = !(position & 1);
  if (!(position & 2)) beginline(st, *line, *style, *ruler, we);
  const bool grey = st.colour && textShouldBeGrayed();
  if (ts.vShift) Move(0, pin16(-ts.vShift));
  GetPen(&st.startpen);
  const bool modal = st.colour && ts.transferMode != kOrMode;
  RGBColor savedback{};
  if (st.colour) {
    const RGBColor fore = greyedif(ts.color, grey);
    RGBForeColor(&fore);
    if (modal) {
      GetBackColor(&savedback);
      const RGBColor back = greyedif(ts.backColor, grey);
      RGBBackColor(&back);
      TextMode(i16(ts.transferMode));
    }
  }
  WERec* r = werec(we);
  if (ts.object != 0) {
    _WEDrawObject(Handle(ts.object));
  } else {
    if (ruler->alignment != 2) {
      r->drawTextHook(text, length, 0, position, we);
    } else {
      const i32 n = last ? VisibleLength(text, length) : length;
      const i64 portion = PortionLine(text, n, position, Point{1, 1}, Point{1, 1});
      const Fixed slop = Fixed((portion * line->lineJustDelta) >> 16);
      r->drawTextHook(text, n, slop, position, we);
    }
  }
  if (modal) {
    const RGBColor back = greyedif(savedback, grey);
    RGBBackColor(&back);
    TextMode(kOrMode);
  }
  Point end;
  GetPen(&end);
  if ((ts.extraFace & 3) != 0 && end.h != st.startpen.h) {
    PenState pen;
    GetPenState(&pen);
    const i16 v = pin16(st.startpen.v - (2 * style->runAscent) / 5);
    PenSize(1, ts.size > 11 ? i16(ts.size / 12) : 1);
    MoveTo(st.startpen.h, v);
    LineTo(end.h, v);
    SetPenState(&pen);
    MoveTo(end.h, end.v);
  }
  if (ts.vShift) Move(0, pin16(ts.vShift));
  r = werec(we);
  if (ts.hiliteStyle != 0 && r->drawTSMHiliteHook) {
    const Rect bar{st.startpen.v, st.startpen.h, st.linerect.bottom, end.h};
    r->drawTSMHiliteHook(&bar, ts.hiliteStyle, we);
  }
  if (st.offscreeninuse && last) endline(st, we);
  return false;
}

}  // namespace

void _WESetTextStyle(const WETextStyle& ts) {
  TextFont(ts.font);
  TextFace(Style(ts.face));
  TextSize(ts.size);
}

void _WESaveQDEnvironment(CGrafPtr port, WEQDEnvironment* saved) {
  GetGWorld(&saved->savedPort, &saved->savedDevice);
  saved->port = IsValidPort(port) ? port : saved->savedPort;
  if (saved->port != saved->savedPort) SetGWorld(saved->port, 0);
  GetPenState(&saved->pen);
  const CGrafPtr p = currentportid();
  saved->font = GetPortTextFont(p);
  saved->face = GetPortTextFace(p);
  saved->size = GetPortTextSize(p);
  saved->mode = GetPortTextMode(p);
  GetForeColor(&saved->fore);
  PenNormal();
  TextMode(kOrMode);
}

void _WERestoreQDEnvironment(const WEQDEnvironment* saved) {
  if (IsValidPort(saved->port)) {
    SetGWorld(saved->port, 0);
    SetPenState(&saved->pen);
    TextFont(saved->font);
    TextFace(saved->face);
    TextSize(saved->size);
    TextMode(saved->mode);
    RGBForeColor(&saved->fore);
  }
  SetGWorld(saved->savedPort, saved->savedDevice);
}

OSErr _WESegmentLoop(i32 firstLine, i32 lastLine, WESegmentProcPtr proc, void* data, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr || proc == nullptr) return weBadReferenceErr;
  WEQDEnvironment env;
  _WESaveQDEnvironment(r->port, &env);
  const i32 first = std::clamp(firstLine, 0, r->nLines - 1), last = std::clamp(lastLine, 0, r->nLines - 1);
  i32 styled = -1;
  WEExtRunInfo info{};
  bool stop = false;
  std::vector<i16> order;
  for (i32 i = first; i <= last && !stop; ++i) {
    r = werec(we);
    WELineRec line = weelement<WELineRec>(r->hLines, i);
    const i32 next = weelement<WELineRec>(r->hLines, i + 1).lineStart;
    WEParaInfo para;
    _WEGetExtParaInfo(line.lineStart, &para, we);
    const i32 firstrun = WEOffsetToRun(line.lineStart, we);
    const i32 lastrun = WEOffsetToRun(std::max(next - 1, line.lineStart), we);
    const i32 k = lastrun - firstrun + 1;
    // With a right-to-left script, the runs of a line go in the order they are shown.
    order.resize(std::size_t(k));
    for (i32 j = 0; j < k; ++j) order[std::size_t(j)] = i16(j);
    if ((r->flags & weFlagBidi) && k >= 2 && k <= 32767) {
      const bool lineright = para.ruler.direction == -1 || (para.ruler.direction == 1 && GetSysDirection() == -1);
      WESegmentDirectionParams params{firstrun, we};
      GetFormatOrder(order.data(), 0, i16(k - 1), lineright, GetSegmentDirection, &params);
    }
    for (i32 j = 0; j < k && !stop; ++j) {
      const i32 run = firstrun + order[std::size_t(j)];
      if (run != styled) {
        _WEGetIndStyle(run, &info, we);
        _WESetTextStyle(info.style.ts);
        styled = run;
      }
      const i32 start = std::max(line.lineStart, info.runStart), end = std::min(next, info.runEnd);
      const i16 position = k == 1 ? 0 : j == 0 ? 1 : j == k - 1 ? 2 : 3;
      r = werec(we);
      stop = proc(&line, &info.style, &para.ruler, deref(r->hText) + start, start, std::max(end - start, 0), position,
                  we, data);
    }
    r = werec(we);
    setweelement(r->hLines, i, line);
  }
  _WERestoreQDEnvironment(&env);
  return noErr;
}

void _WEDrawLines(i32 firstLine, i32 lastLine, bool erase, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return;
  DrawState st{};
  st.colour = (r->flags & weFlagColor) && !(r->features & (1u << weFPlainColor));
  st.erase = erase;
  GetGWorld(&st.savedport, &st.saveddevice);
  if (erase && (r->features & (1u << weFDrawOffscreen))) {
    if (r->offscreenWorld == 0) {
      const Rect one{0, 0, 1, 1};
      if (NewGWorld(&r->offscreenWorld, 0, &one, 0, 0, 0) != noErr) r->offscreenWorld = 0;
    }
    st.offscreenwanted = r->offscreenWorld != 0;
  }
  // Smoothed text cannot be inverted: an active selection is painted behind the text instead.
  if (mainglobals().smoothtext && r->selStart != r->selEnd && (r->flags & weFlagActive)) {
    st.hilite = WEGetHiliteRgn(r->selStart, r->selEnd, we);
    r = werec(we);
    GetPortHiliteColor(IsValidPort(r->port) ? r->port : currentportid(), &st.hilitecolour);
    if (st.hilite != 0 && (st.scratch = NewRgn()) == 0) {
      DisposeRgn(st.hilite);
      return;
    }
  }
  {
    WEQDEnvironment env;
    _WESaveQDEnvironment(r->port, &env);
    ThemeDrawingState theme = 0;
    GetThemeDrawingState(&theme);
    RGBColor fore, back;
    GetForeColor(&fore);
    GetBackColor(&back);
    NormalizeThemeDrawingState();
    // The caller's colours stay: they are the field's text colours.
    RGBForeColor(&fore);
    RGBBackColor(&back);
    BackPat(&kEmptyPattern);
    _WESegmentLoop(firstLine, lastLine, SLDraw, &st, we);
    if (theme) SetThemeDrawingState(theme, true);
    _WERestoreQDEnvironment(&env);
  }
  SetGWorld(st.savedport, st.saveddevice);
  _WEForgetRgn(&st.hilite);
  _WEForgetRgn(&st.scratch);
}

void _WEDrawBorder(i16 length, u16 borderStyle) {
  PenState saved;
  GetPenState(&saved);
  PenNormal();
  if (borderStyle == 2) PenPat(&qdgray);
  if (borderStyle == 3) PenSize(1, 2);
  Line(length, 0);
  SetPenState(&saved);
  Move(length, 0);
}

bool GetSegmentDirection(i16 index, void* params) {
  const auto* p = static_cast<const WESegmentDirectionParams*>(params);
  return p != nullptr && _WEGetIndDirection(p->firstRun + index, p->we) == 1;
}

i32 _WECalcPenIndent(const WELineRec& line, const WERuler& ruler, WEReference we) {
  i64 x = ruler.leftIndent;
  if (line.lineAscent & 0x8000) x += ruler.firstLineIndent;
  const i64 slop = i64(line.lineSlop) << 16;
  switch (ruler.alignment) {
    case 1: return roundfixed(x + slop / 2);
    case -1: return roundfixed(x + slop);
    case 2:
      if (line.lineJustDelta > 0) return roundfixed(x);
      break;
    default: break;
  }
  if (ruler.alignment != -2 && (ruler.direction == -1 || (ruler.direction == 1 && GetSysDirection() == -1)))
    return roundfixed(x + slop);
  const i32 size = GetAutoIndentSize(we);
  if (WEGetAutoIndentFlag(we) && size != 0)
    return roundfixed(x + (i64(line.lineIndent) * size * GetAutoIndentSpaceWidth(we) << 16));
  return roundfixed(x);
}

}  // namespace kv
