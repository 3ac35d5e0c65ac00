// The standard hooks: the procedures a record measures, breaks, classifies, draws and erases
// text with when its creator installed none, with the program's own behaviour inside them
// (the grey underline of grouped text, an erase that reaches the view's right edge, field
// margins in automatic scrolling, a property that marks a shown drop hilite).
#include <algorithm>

#include "fields/fieldview.h"
#include "platform/drag/draghilite.h"
#include "platform/events/events.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/qd/colors.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/runtime/root.h"
#include "platform/text/textservices.h"
#include "platform/windows/theme.h"
#include "core/mainglobals.h"
#include "system/proctable.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr u8 kGroupFace = 0x80;
constexpr u8 kReturn = 13;
constexpr Pattern kEmptyPattern{};
constexpr i32 kMaxClickScroll = 50;

// The standard procedures, fetched from the procedure table for the number of enabled scripts
// they were chosen for.
struct StandardHooks {
  i32 scripts = 0;  // 0: not chosen yet
  WEDrawTextProcPtr draw = nullptr;
  WEPixelToCharProcPtr pixeltochar = nullptr;
  WECharToPixelProcPtr chartopixel = nullptr;
  WELineBreakProcPtr linebreak = nullptr;
  WEWordBreakProcPtr wordbreak = nullptr;
  WECharByteProcPtr charbyte = nullptr;
  WECharTypeProcPtr chartype = nullptr;
  WEClickLoopProcPtr clickloop = nullptr;
  WEHiliteDropAreaProcPtr hilitedroparea = nullptr;
  WEEraseProcPtr erase = nullptr;
  WEDrawTSMHiliteProcPtr drawtsmhilite = nullptr;
};

const StandardHooks& standardhooks() {
  StandardHooks& h = state<StandardHooks>();
  const i32 scripts = GetScriptManagerVariable(smEnabled);
  if (h.scripts != scripts) {
    h.scripts = scripts;
    h.draw = getproc<323>();
    h.pixeltochar = getproc<324>();
    h.chartopixel = getproc<325>();
    h.linebreak = scripts < 2 ? getproc<327>() : getproc<326>();
    h.wordbreak = getproc<328>();
    h.charbyte = getproc<329>();
    h.chartype = getproc<330>();
    h.clickloop = getproc<331>();
    h.hilitedroparea = getproc<332>();
    h.erase = getproc<333>();
    h.drawtsmhilite = getproc<334>();
  }
  return h;
}

template <class P>
void fill(P& field, P standard) {
  if (field == nullptr) field = standard;
}

// How far the click loop scrolls towards a mouse outside the view along one axis: `scrolled`
// is how far the text is scrolled, `extra` how far it can be; before and after are the view's
// edges. Never more than 50 pixels a call.
i32 clickscroll(i32 mouse, i32 before, i32 after, i32 scrolled, i32 extra) {
  if (mouse > after && scrolled < extra)
    return std::max(std::max(((after - mouse) >> 1) + 1, scrolled - extra), -kMaxClickScroll);
  if (mouse < before && scrolled >= 1)
    return std::min(std::min(scrolled, ((before - mouse) >> 1) + 1), kMaxClickScroll);
  return 0;
}

i16 pin16(i32 v) { return i16(std::clamp(v, -32768, 32767)); }

}  // namespace

void _WESetStandardHooks(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return;
  const StandardHooks& h = standardhooks();
  fill(r->drawTextHook, h.draw);
  fill(r->pixelToCharHook, h.pixeltochar);
  fill(r->charToPixelHook, h.chartopixel);
  fill(r->lineBreakHook, h.linebreak);
  fill(r->wordBreakHook, h.wordbreak);
  fill(r->charByteHook, h.charbyte);
  fill(r->charTypeHook, h.chartype);
  fill(r->clickLoop, h.clickloop);
  fill(r->hiliteDropAreaHook, h.hilitedroparea);
  fill(r->eraseHook, h.erase);
  fill(r->drawTSMHiliteHook, h.drawtsmhilite);
}

void _WEDrawGroupUnderline(Point start, i32 width) {
  if (!mainglobals().showGroups) return;
  Point end;
  GetPen(&end);
  PenState saved;
  GetPenState(&saved);
  BackPat(&kEmptyPattern);
  PenSize(2, 2);
  PenPat(&qdgray);
  MoveTo(start.h, pin16(start.v + 2));
  LineTo(pin16(start.h + width), pin16(start.v + 2));
  SetPenState(&saved);
  MoveTo(end.h, end.v);
}

void _WEStdDrawText(const u8* text, i32 length, Fixed slop, i16, WEReference) {
  const CGrafPtr port = currentportid();
  const Style face = GetPortTextFace(port);
  const bool grouped = (face & kGroupFace) != 0;
  if (grouped) TextFace(Style(face & ~kGroupFace));
  Point start;
  GetPen(&start);
  DrawJustified(text, length, slop, 0, Point{1, 1}, Point{1, 1});
  if (!grouped) return;
  const i32 width = TextWidth(text, 0, i16(std::min(length, 32767)));
  TextFace(face);
  if (length > 0 && text[0] != kReturn) _WEDrawGroupUnderline(start, width);
}

i32 _WEStdPixelToChar(const u8* text, i32 length, Fixed slop, Fixed* width, bool* leadingEdge, i16, i32, WEReference) {
  i32 rest = 0;
  const i32 offset = PixelToChar(text, length, slop, *width, leadingEdge, &rest, 0, Point{1, 1}, Point{1, 1});
  *width = i32((i64(rest) + 0x8000) & ~i64(0xFFFF));
  return offset;
}

i32 _WEStdCharToPixel(const u8* text, i32 length, Fixed slop, i32 offset, i16 direction, i16, i32, WEReference) {
  return CharToPixel(text, length, slop, offset, direction, Point{1, 1}, Point{1, 1});
}

i16 _WEStdLineBreak(const u8* text, i32 length, i32 start, i32 end, Fixed* width, i32* offset, WEReference) {
  return StyledLineBreak(text, length, start, end, 0, width, offset);
}

i16 _WERomanLineBreak(const u8* text, i32 length, i32 start, i32 end, Fixed* width, i32* offset, WEReference) {
  if (length == 0) {
    *offset = 0;
    return smBreakOverflow;
  }
  // The measured end: after the run's first return, else the run's end.
  i32 m = end;
  i16 answer = smBreakOverflow;
  if (start < end) {
    const u8* cr = std::find(text + start, text + end, kReturn);
    if (cr != text + end) {
      m = i32(cr - text) + 1;
      answer = smBreakWord;
    }
  }
  bool leading = true;
  i32 rest = *width;
  i32 found = 0;
  if (start < m) found = PixelToChar(text + start, m - start, 0, *width, &leading, &rest, 0, Point{1, 1}, Point{1, 1});
  *width = rest;
  if (rest >= 0) {
    *offset = m;
    return answer;
  }
  const i32 c = start + found - (leading ? 0 : 1);
  if (c < 1) {
    *offset = c;
    return smBreakChar;
  }
  // Back to the nearest blank before the break, then on over the blanks: they end this line.
  i32 j = c;
  while (j > 0 && (j == m || text[j] > 32)) --j;
  if (j == 0) {
    *offset = c;
    return smBreakChar;
  }
  while (j < m && text[j] <= 32) ++j;
  *offset = j;
  return smBreakWord;
}

void _WEStdWordBreak(const u8* text, i32 length, i32 offset, bool leadingEdge, OffsetTable offsets, i16 script,
                     WEReference) {
  FindWordBreaks(text, length, offset, leadingEdge, offsets, script);
}

i16 _WEStdCharByte(const u8* text, i32 length, i32 offset, i16 script, WEReference) {
  return CharacterByteType(text, length, offset, script);
}

i16 _WEStdCharType(const u8* text, i32 length, i32 offset, i16 script, WEReference) {
  return CharacterType(text, length, offset, script);
}

bool _WEStdClickLoop(WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || !(r->features & (1u << weFAutoScroll))) return true;
  Point mouse;
  GetMouse(&mouse);
  Rect margins{0, 0, 0, 0};
  GetFieldMargins(we, &margins);
  const LongRect& v = r->viewRect;
  const LongRect& d = r->destRect;
  const i32 up = v.top - d.top + margins.top;
  const i32 range = margins.top + ((d.bottom - d.top) - (v.bottom - v.top)) + margins.bottom;
  const i32 dv = clickscroll(mouse.v, v.top, v.bottom, up, range);
  const i32 dh = clickscroll(mouse.h, v.left, v.right, v.left - d.left, (d.right - d.left) - (v.right - v.left));
  if (dh == 0 && dv == 0) return true;
  WEScroll(dh, dv, we);
  if (const WERec* after = werec(we); after && after->scrollProc) after->scrollProc(we);
  return true;
}

OSErr _WEStdHiliteDropArea(u32 drag, bool show, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!show) {
    const OSErr err = HideDragHilite(drag);
    WERemoveProperty(fourcc("VIZU"), fourcc("trak"), we);
    return err;
  }
  RgnHandle area = NewRgn();
  if (area == 0) return memFullErr;
  CopyRgn(r->viewRgn, area);
  InsetRgn(area, -3, -3);
  const OSErr err = ShowDragHilite(drag, area, true);
  DisposeRgn(area);
  const u8 shown = 1;
  WESetProperty(fourcc("VIZU"), fourcc("trak"), 1, &shown, we);
  return err;
}

void _WEStdErase(const Rect* r, WEReference we) {
  const WERec* rec = werec(we);
  Rect area = *r;
  if (rec && rec->viewRect.right > area.right) area.right = pin16(rec->viewRect.right);
  ThemeDrawingState saved = 0;
  GetThemeDrawingState(&saved);
  NormalizeThemeDrawingState();
  BackPat(&kEmptyPattern);
  EraseRect(&area);
  SetThemeDrawingState(saved, true);
}

void _WEStdDrawTSMHilite(const Rect* r, u16 hiliteStyle, WEReference) {
  if (hiliteStyle < 2 || hiliteStyle > 5) return;
  const i16 thickness = (hiliteStyle == 2 || hiliteStyle == 4) ? 1 : 2;
  const bool grey = hiliteStyle <= 3;
  RGBColor fore, back;
  GetForeColor(&fore);
  GetBackColor(&back);
  PenState pen;
  GetPenState(&pen);
  PenNormal();
  const RGBColor black{0, 0, 0};
  RGBForeColor(&black);
  if (grey) {
    RGBColor g = black;
    if (GetGray(GetGDevice(), &back, &g)) RGBForeColor(&g);
    else PenPat(&qdgray);
  }
  const Rect bar{i16(r->bottom - thickness), i16(r->left + 1), r->bottom, i16(r->right - 1)};
  PaintRect(&bar);
  SetPenState(&pen);
  RGBForeColor(&fore);
}

}  // namespace kv
