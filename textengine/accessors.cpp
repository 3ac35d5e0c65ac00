// The read-only accessors of a text record: its text, selection and rectangles, its lines,
// style runs and paragraph runs, with the one search over sorted starts that every
// offset-to-index lookup uses; and the ruler copy every engine part shares.
#include <algorithm>

#include "platform/fonts/scriptmanager.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

// The number of elements of an array with a sentinel, as the record counts them but never
// more than its block holds.
template <class T>
i32 counted(Handle h, i32 n) {
  return std::max<i32>(0, std::min<i32>(n, i32(HandleCount<T>(h)) - 1));
}

template <class T>
i32 search(Handle h, i32 n, std::size_t keyoffset, i32 x) {
  return _WESearchStarts(deref(h), i32(sizeof(T)), i32(keyoffset), counted<T>(h, n), x);
}

i32 pinindex(i32 i, i32 n) { return _WEPinInRange(i, 0, std::max<i32>(n - 1, 0)); }

i32 lineat(const WERec& r, i32 i, std::size_t field) {
  i32 v;
  std::memcpy(&v, deref(r.hLines) + std::size_t(i) * sizeof(WELineRec) + field, sizeof v);
  return v;
}

i32 offsetorselection(const WERec& r, i32 offset) { return offset == -1 ? r.selStart : offset; }

}  // namespace

i32 _WESearchStarts(const u8* elements, i32 stride, i32 keyOffset, i32 count, i32 x) {
  if (count < 1 || elements == nullptr) return 0;
  auto key = [&](i32 i) {
    i32 k;
    std::memcpy(&k, elements + std::size_t(i) * std::size_t(stride) + std::size_t(keyOffset), sizeof k);
    return k;
  };
  i32 lo = 0, hi = count - 1;
  while (lo < hi) {
    const i32 mid = lo + (hi - lo + 1) / 2;
    if (key(mid) <= x) lo = mid;
    else hi = mid - 1;
  }
  return lo;
}

// --- Text, selection and rectangles ----------------------------------------------------------

Handle WEGetText(WEReference we) {
  const WERec* r = werec(we);
  return r ? r->hText : nilhandle;
}

i32 WEGetTextLength(WEReference we) {
  const WERec* r = werec(we);
  return r ? r->textLength : 0;
}

u8 WEGetChar(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || offset < 0 || offset >= std::min<i32>(r->textLength, GetHandleSize(r->hText))) return 0;
  return deref(r->hText)[offset];
}

void WEGetSelection(i32* start, i32* end, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return;
  if (start) *start = r->selStart;
  if (end) *end = r->selEnd;
}

void WEGetDestRect(LongRect* rect, WEReference we) {
  if (const WERec* r = werec(we); r && rect) *rect = r->destRect;
}

void WESetDestRect(const LongRect* rect, WEReference we) {
  if (WERec* r = werec(we); r && rect) r->destRect = *rect;
}

void WEGetViewRect(LongRect* rect, WEReference we) {
  if (const WERec* r = werec(we); r && rect) *rect = r->viewRect;
}

void WESetViewRect(const LongRect* rect, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr || rect == nullptr) return;
  r->viewRect = *rect;
  Rect view;
  WELongRectToRect(rect, &view);
  RectRgn(r->viewRgn, view);
}

// --- Lines -----------------------------------------------------------------------------------

i32 WECountLines(WEReference we) {
  const WERec* r = werec(we);
  return r ? r->nLines : 0;
}

i32 WEOffsetToLine(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  return r ? search<WELineRec>(r->hLines, r->nLines, offsetof(WELineRec, lineStart), offset) : 0;
}

void WEGetLineRange(i32 line, i32* start, i32* end, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return;
  const i32 i = pinindex(line, counted<WELineRec>(r->hLines, r->nLines));
  if (start) *start = lineat(*r, i, offsetof(WELineRec, lineStart));
  if (end) *end = lineat(*r, i + 1, offsetof(WELineRec, lineStart));
}

i32 WEGetHeight(i32 startLine, i32 endLine, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return 0;
  const i32 n = counted<WELineRec>(r->hLines, r->nLines);
  startLine = _WEPinInRange(startLine, 0, n);
  endLine = _WEPinInRange(endLine, 0, n);
  _WEReorder(&startLine, &endLine);
  return lineat(*r, endLine, offsetof(WELineRec, lineOrigin)) - lineat(*r, startLine, offsetof(WELineRec, lineOrigin));
}

i32 _WEPixelToLine(i32 v, WEReference we) {
  const WERec* r = werec(we);
  return r ? search<WELineRec>(r->hLines, r->nLines, offsetof(WELineRec, lineOrigin), v) : 0;
}

// --- Style runs ------------------------------------------------------------------------------

i32 WECountRuns(WEReference we) {
  const WERec* r = werec(we);
  return r ? r->nRuns : 0;
}

i32 WEOffsetToRun(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  return r ? search<WERunEntry>(r->hRuns, r->nRuns, offsetof(WERunEntry, runStart), offset) : 0;
}

void WEGetRunRange(i32 run, i32* start, i32* end, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return;
  const i32 i = pinindex(run, counted<WERunEntry>(r->hRuns, r->nRuns));
  if (start) *start = weelement<WERunEntry>(r->hRuns, i).runStart;
  if (end) *end = std::min(weelement<WERunEntry>(r->hRuns, i + 1).runStart, r->textLength);
}

void _WEGetIndStyle(i32 run, WEExtRunInfo* info, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || info == nullptr) return;
  const i32 i = pinindex(run, counted<WERunEntry>(r->hRuns, r->nRuns));
  const WERunEntry e = weelement<WERunEntry>(r->hRuns, i);
  WEExtRunInfo out{};
  out.runStart = e.runStart;
  out.runEnd = weelement<WERunEntry>(r->hRuns, i + 1).runStart;
  if (e.styleIndex >= 0 && e.styleIndex < std::min<i32>(r->nStyles, i32(HandleCount<WEStyleTableEntry>(r->hStyles))))
    out.style = weelement<WEStyleTableEntry>(r->hStyles, e.styleIndex).style;
  *info = out;
}

void _WEGetExtRunInfo(i32 offset, WEExtRunInfo* info, WEReference we) { _WEGetIndStyle(WEOffsetToRun(offset, we), info, we); }

void WEGetIndRunInfo(i32 run, WERunInfo* info, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || info == nullptr) return;
  WEExtRunInfo ext;
  _WEGetIndStyle(run, &ext, we);
  const WEStyle s = ext.style;
  WERunInfo out{};
  out.runStart = ext.runStart;
  out.runEnd = std::min(ext.runEnd, r->textLength);
  out.runHeight = s.runHeight;
  out.runAscent = s.runAscent;
  out.font = s.ts.font;
  out.face = s.ts.face;
  out.direction = s.ts.direction;
  out.size = s.ts.size;
  out.color = s.ts.color;
  out.object = s.ts.object;
  *info = out;
}

void WEGetRunInfo(i32 offset, WERunInfo* info, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return;
  WEGetIndRunInfo(WEOffsetToRun(offsetorselection(*r, offset), we), info, we);
}

i16 _WEGetIndDirection(i32 run, WEReference we) {
  WEExtRunInfo info{};
  _WEGetIndStyle(run, &info, we);
  return (info.style.ts.direction & 0x80) ? 1 : 0;
}

i16 WEGetRunDirection(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return 0;
  offset = offsetorselection(*r, offset);
  if (offset < 0 || offset >= r->textLength) return GetSysDirection() != 0 ? 1 : 0;
  return _WEGetIndDirection(WEOffsetToRun(offset, we), we);
}

// --- Paragraph runs --------------------------------------------------------------------------

i32 WECountParaRuns(WEReference we) {
  const WERec* r = werec(we);
  return r ? r->nParaRuns : 0;
}

i32 WEOffsetToParaRun(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  return r ? search<WEParaRunEntry>(r->hParaRuns, r->nParaRuns, offsetof(WEParaRunEntry, paraStart), offset) : 0;
}

void WEGetParaRunRange(i32 paraRun, i32* start, i32* end, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return;
  const i32 i = pinindex(paraRun, counted<WEParaRunEntry>(r->hParaRuns, r->nParaRuns));
  if (start) *start = weelement<WEParaRunEntry>(r->hParaRuns, i).paraStart;
  if (end) *end = std::min(weelement<WEParaRunEntry>(r->hParaRuns, i + 1).paraStart, r->textLength);
}

void _WEGetIndRuler(i32 paraRun, WEParaInfo* info, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || info == nullptr) return;
  const i32 i = pinindex(paraRun, counted<WEParaRunEntry>(r->hParaRuns, r->nParaRuns));
  const WEParaRunEntry e = weelement<WEParaRunEntry>(r->hParaRuns, i);
  i32 start = 0, end = 0;
  WEGetParaRunRange(i, &start, &end, we);
  WEParaInfo out{};
  out.paraStart = start;
  out.paraEnd = end;
  if (e.rulerIndex >= 0 && e.rulerIndex < std::min<i32>(r->nRulers, i32(HandleCount<WERulerTableEntry>(r->hRulers))))
    out.ruler = weelement<WERulerTableEntry>(r->hRulers, e.rulerIndex).ruler;
  *info = out;
}

void WEGetIndParaInfo(i32 paraRun, WEParaInfo* info, WEReference we) { _WEGetIndRuler(paraRun, info, we); }

void _WEGetExtParaInfo(i32 offset, WEParaInfo* info, WEReference we) { _WEGetIndRuler(WEOffsetToParaRun(offset, we), info, we); }

void WEGetParaInfo(i32 offset, WEParaInfo* info, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return;
  _WEGetExtParaInfo(offsetorselection(*r, offset), info, we);
}

i8 WEGetAlignment(WEReference we) {
  WEParaInfo info{};
  WEGetParaInfo(-1, &info, we);
  return info.ruler.alignment;
}

i8 WEGetDirection(WEReference we) {
  WEParaInfo info{};
  WEGetParaInfo(-1, &info, we);
  return info.ruler.direction;
}

// --- Rulers ----------------------------------------------------------------------------------

void _WECopyRuler(const WERuler* source, WERuler* dest, u16 mode) {
  if (source == nullptr || dest == nullptr) return;
  const WERuler s = *source;
  WERuler d = *dest;
  if (mode & weDoDirection) d.direction = s.direction;
  if (mode & weDoAlignment) d.alignment = s.alignment;
  if (mode & weDoLeftIndent) d.leftIndent = s.leftIndent;
  if (mode & weDoRightIndent) d.rightIndent = s.rightIndent;
  if (mode & weDoFirstLineIndent) d.firstLineIndent = s.firstLineIndent;
  if (mode & weDoLineSpacing) d.lineSpacing = s.lineSpacing;
  if (mode & weDoSpaceBefore) d.spaceBefore = s.spaceBefore;
  if (mode & weDoSpaceAfter) d.spaceAfter = s.spaceAfter;
  if (mode & weDoRulerSetting) d.setting = s.setting;
  if (mode & weDoBorderStyle) d.borderStyle = s.borderStyle;
  *dest = d;
}

}  // namespace kv
