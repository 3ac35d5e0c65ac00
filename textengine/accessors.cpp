// The read-only accessors of a text record: its text, selection and rectangles, its lines,
// style runs and paragraph runs, with the one search over sorted starts that every
// offset-to-index lookup uses; and the ruler copy every engine part shares.
#include <algorithm>
#include <cstdint>

#include "platform/fonts/scriptmanager.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

// One of a record's arrays of elements ordered by a key (a start offset or a line's origin),
// with a sentinel after its n elements. n never counts more than the block holds.
struct Ordered {
  Handle h;
  i32 n;
  i32 stride;
  i32 keyoffset;

  i32 key(i32 i) const {
    i32 k;
    std::memcpy(&k, deref(h) + std::size_t(i) * std::size_t(stride) + std::size_t(keyoffset), sizeof k);
    return k;
  }
  i32 find(i32 x) const { return _WESearchStarts(deref(h), stride, keyoffset, n, x); }
  i32 pin(i32 i) const { return _WEPinInRange(i, 0, std::max<i32>(n - 1, 0)); }
  // The range of element i (pinned), its end capped at `cap`.
  void range(i32 i, i32 cap, i32* start, i32* end) const {
    i = pin(i);
    if (start) *start = key(i);
    if (end) *end = std::min(key(i + 1), cap);
  }
};

template <class T>
Ordered ordered(Handle h, i32 n, std::size_t keyoffset) {
  const i32 held = std::max<i32>(0, std::min<i32>(n, i32(HandleCount<T>(h)) - 1));
  return Ordered{h, held, i32(sizeof(T)), i32(keyoffset)};
}

Ordered lines(const WERec& r, std::size_t key = offsetof(WELineRec, lineStart)) {
  return ordered<WELineRec>(r.hLines, r.nLines, key);
}
Ordered runs(const WERec& r) { return ordered<WERunEntry>(r.hRuns, r.nRuns, offsetof(WERunEntry, runStart)); }
Ordered paras(const WERec& r) {
  return ordered<WEParaRunEntry>(r.hParaRuns, r.nParaRuns, offsetof(WEParaRunEntry, paraStart));
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
  return r ? lines(*r).find(offset) : 0;
}

void WEGetLineRange(i32 line, i32* start, i32* end, WEReference we) {
  if (const WERec* r = werec(we)) lines(*r).range(line, INT32_MAX, start, end);
}

i32 WEGetHeight(i32 startLine, i32 endLine, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return 0;
  const Ordered origins = lines(*r, offsetof(WELineRec, lineOrigin));
  startLine = _WEPinInRange(startLine, 0, origins.n);
  endLine = _WEPinInRange(endLine, 0, origins.n);
  _WEReorder(&startLine, &endLine);
  return origins.key(endLine) - origins.key(startLine);
}

i32 _WEPixelToLine(i32 v, WEReference we) {
  const WERec* r = werec(we);
  return r ? lines(*r, offsetof(WELineRec, lineOrigin)).find(v) : 0;
}

// --- Style runs ------------------------------------------------------------------------------

i32 WECountRuns(WEReference we) {
  const WERec* r = werec(we);
  return r ? r->nRuns : 0;
}

i32 WEOffsetToRun(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  return r ? runs(*r).find(offset) : 0;
}

void WEGetRunRange(i32 run, i32* start, i32* end, WEReference we) {
  if (const WERec* r = werec(we)) runs(*r).range(run, r->textLength, start, end);
}

void _WEGetIndStyle(i32 run, WEExtRunInfo* info, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || info == nullptr) return;
  const Ordered all = runs(*r);
  const i32 i = all.pin(run);
  const WERunEntry e = weelement<WERunEntry>(r->hRuns, i);
  WEExtRunInfo out{};
  out.runStart = e.runStart;
  out.runEnd = all.key(i + 1);
  if (e.styleIndex >= 0 && e.styleIndex < std::min<i32>(r->nStyles, i32(HandleCount<WEStyleTableEntry>(r->hStyles))))
    out.style = weelement<WEStyleTableEntry>(r->hStyles, e.styleIndex).style;
  *info = out;
}

void _WEGetExtRunInfo(i32 offset, WEExtRunInfo* info, WEReference we) {
  _WEGetIndStyle(WEOffsetToRun(offset, we), info, we);
}

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
  return (info.style.ts.direction & kRightToLeftRun) ? 1 : 0;
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
  return r ? paras(*r).find(offset) : 0;
}

void WEGetParaRunRange(i32 paraRun, i32* start, i32* end, WEReference we) {
  if (const WERec* r = werec(we)) paras(*r).range(paraRun, r->textLength, start, end);
}

void _WEGetIndRuler(i32 paraRun, WEParaInfo* info, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || info == nullptr) return;
  const Ordered all = paras(*r);
  const i32 i = all.pin(paraRun);
  const WEParaRunEntry e = weelement<WEParaRunEntry>(r->hParaRuns, i);
  i32 start = 0, end = 0;
  all.range(i, r->textLength, &start, &end);
  WEParaInfo out{};
  out.paraStart = start;
  out.paraEnd = end;
  if (e.rulerIndex >= 0 && e.rulerIndex < std::min<i32>(r->nRulers, i32(HandleCount<WERulerTableEntry>(r->hRulers))))
    out.ruler = weelement<WERulerTableEntry>(r->hRulers, e.rulerIndex).ruler;
  *info = out;
}

void WEGetIndParaInfo(i32 paraRun, WEParaInfo* info, WEReference we) { _WEGetIndRuler(paraRun, info, we); }

void _WEGetExtParaInfo(i32 offset, WEParaInfo* info, WEReference we) {
  _WEGetIndRuler(WEOffsetToParaRun(offset, we), info, we);
}

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
