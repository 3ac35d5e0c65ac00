// Line layout: breaking a record's text into lines, their heights and origins, and the free
// width (slop) and justification of each line. Edits re-break only the lines they touched and
// stop where the old breaks resume.
#include <algorithm>
#include <climits>

#include "engine/indent.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/qd/qdtext.h"
#include "store/records.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr u8 kReturn = 13;
constexpr u16 kParaStartBit = 0x8000;
constexpr OSType kVizu = fourcc("VIZU");
constexpr OSType kScriptTag = fourcc("scri");

WELineRec lineat(const WERec& r, i32 i) { return weelement<WELineRec>(r.hLines, i); }

// Whether the line ending at `end` (exclusive) ends its paragraph.
bool endsparagraph(const WERec& r, i32 end) {
  return end >= r.textLength || (end > 0 && deref(r.hText)[end - 1] == kReturn);
}

i32 roundpixels(i64 fixed) { return i32((fixed + 0x8000) >> 16); }

// The size of an embedded object from its descriptor (all 0 when the reference names none).
void objectsize(u32 object, i16* width, i16* height, i16* baseline) {
  *width = *height = *baseline = 0;
  const Handle h = Handle(object);
  if (!_WEIsObject(h)) return;
  const WEObjectDesc d = weelement<WEObjectDesc>(h, 0);
  *width = d.width;
  *height = d.height;
  *baseline = d.baseline;
}

// The accumulator of the slop walk: the line's justification portion total and its slop, and
// the width measured so far for the widest-line measure of script records.
struct SlopAccumulator {
  Fixed portion;
  i16 slop;
  i32 width;
};

bool isscriptrecord(WEReference we) {
  i32 size = 0;
  return WEGetProperty(kVizu, kScriptTag, 0, &size, nullptr, we) == noErr;
}

// The auto-indent width of a line: level x indentation size x space width, 0 without the flag.
i32 autoindentwidth(const WELineRec& line, WEReference we) {
  const i32 size = GetAutoIndentSize(we);
  if (!WEGetAutoIndentFlag(we) || size == 0) return 0;
  return line.lineIndent * size * GetAutoIndentSpaceWidth(we);
}

bool SLCalcSlop(WELineRec* line, const WEStyle* style, const WERuler* ruler, const u8* text, i32 start, i32 length,
                i16 position, WEReference we, void* data) {
  SlopAccumulator& acc = *static_cast<SlopAccumulator*>(data);
  const bool first = !(position & 2), last = !(position & 1);
  if (first) {
    acc = SlopAccumulator{0, i16(std::clamp(roundpixels(_WEAvailableWidth(line->lineStart, *ruler, we)), 0, 32767)), 0};
    if (_WEParagraphStart(line->lineStart, we)) line->lineAscent |= kParaStartBit;
    else line->lineAscent &= u16(~kParaStartBit);
    // Tab stops are measured from the destination's left edge through the line's pen indent,
    // which the measuring hook reads from the stored line. The alignment's share of the slop is
    // what is being found, so the stored line counts as having none while it is measured;
    // otherwise a centred or right-aligned line would be measured from its previous slop and
    // change each time it is measured again.
    WELineRec measured = *line;
    measured.lineSlop = 0;
    measured.lineJustDelta = 0;
    setweelement(werec(we)->hLines, WEOffsetToLine(line->lineStart, we), measured);
  }
  i32 width = 0;
  if (style->ts.object != 0) {
    i16 w, h, b;
    objectsize(style->ts.object, &w, &h, &b);
    width = w;
  } else {
    const i32 visible = last ? VisibleLength(text, length) : length;
    const WERec* r = werec(we);
    width = r->charToPixelHook(text, length, 0, visible, 0, position, acc.width, we);
    acc.portion += PortionLine(text, visible, position, Point{1, 1}, Point{1, 1});
  }
  acc.width += width;
  if (isscriptrecord(we)) {
    line->lineSlop = 0;
    line->lineJustDelta = 0;
    if (last) {
      i32 widest = 0;
      WEGetProperty(kVizu, kScriptTag, 4, nullptr, &widest, we);
      const i32 measured = acc.width + autoindentwidth(*line, we);
      if (measured > widest) WESetProperty(kVizu, kScriptTag, 4, &measured, we);
    }
    return false;
  }
  acc.slop = i16(std::max(0, acc.slop - width));
  line->lineSlop = acc.slop;
  if (last) {
    // The last segment ends where the next line starts. A line without spaces has no portion
    // to spread its slop over: it stays unjustified.
    if (endsparagraph(*werec(we), start + length) || acc.portion == 0) line->lineJustDelta = 0;
    else line->lineJustDelta = Fixed((i64(acc.slop) << 32) / acc.portion);
  }
  return false;
}

}  // namespace

bool _WEParagraphStart(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  return r && (offset <= 0 || (offset <= r->textLength && deref(r->hText)[offset - 1] == kReturn));
}

i64 _WEAvailableWidth(i32 lineStart, const WERuler& ruler, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return 0;
  i64 w = (i64(r->destRect.right) - r->destRect.left) * 65536 - ruler.rightIndent - ruler.leftIndent;
  if (_WEParagraphStart(lineStart, we)) w -= ruler.firstLineIndent;
  return w;
}

i32 _WEFindLineBreak(i32 lineStart, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return 0;
  WEParaInfo para;
  _WEGetExtParaInfo(lineStart, &para, we);
  Fixed width = Fixed(std::clamp<i64>(_WEAvailableWidth(lineStart, para.ruler, we), INT32_MIN, INT32_MAX));
  i32 segment = lineStart;
  i16 script = -1;
  i32 breakoffset = 0;
  const bool scripts = (r->flags & weFlagMultiScript) != 0;
  WETextStyle current{};
  current.font = -1;
  for (i32 run = WEOffsetToRun(lineStart, we); run < r->nRuns; ++run) {
    WEExtRunInfo info;
    _WEGetIndStyle(run, &info, we);
    const WETextStyle& ts = info.style.ts;
    if (ts.font != current.font || ts.face != current.face || ts.size != current.size) {
      _WESetTextStyle(ts);
      current = ts;
    }
    if (scripts) {
      const i16 runscript = FontToScript(ts.font);
      if (script >= 0 && info.runStart > segment && runscript != script) segment = info.runStart;
      script = runscript;
    }
    const i32 length = std::clamp(r->textLength - segment, 0, 32767);
    const i32 start = std::clamp(info.runStart - segment, 0, length);
    const i32 end = std::clamp(info.runEnd - segment, 0, length);
    breakoffset = segment == lineStart ? 1 : 0;
    if (ts.object != 0) {
      i16 w, h, b;
      objectsize(ts.object, &w, &h, &b);
      // Wide objects (up to 32767 pixels) must not wrap the remaining width around.
      width = Fixed(std::clamp<i64>(i64(width) - i64(w) * 65536, INT32_MIN, INT32_MAX));
      breakoffset = width < 0 ? start : end;
      if (width < 0) break;
    } else {
      const i16 answer = r->lineBreakHook(deref(r->hText) + segment, length, start, end, &width, &breakoffset, we);
      r = werec(we);
      if (answer != smBreakOverflow) break;
    }
    if (length <= end) break;
  }
  return (segment - lineStart) + breakoffset;
}

void _WECalcHeights(i32 start, i32 end, i16* ascent, i16* descent, WEReference we) {
  const WERec* r = werec(we);
  i32 a = 1, d = 0;
  if (r == nullptr) {
    *ascent = i16(a);
    *descent = i16(d);
    return;
  }
  for (i32 run = WEOffsetToRun(start, we); run < r->nRuns; ++run) {
    WEExtRunInfo info;
    _WEGetIndStyle(run, &info, we);
    const WETextStyle& ts = info.style.ts;
    i32 ra, rd;
    if (ts.object != 0) {
      i16 w, h, b;
      objectsize(ts.object, &w, &h, &b);
      ra = h + b + ts.vShift;
      rd = -b - ts.vShift;
    } else {
      ra = info.style.runAscent + ts.vShift;
      rd = (info.style.runHeight - info.style.runAscent) - ts.vShift;
    }
    a = std::max(a, ra);
    d = std::max(d, rd);
    if (info.runEnd >= end) break;
  }
  WEParaInfo para;
  _WEGetExtParaInfo(start, &para, we);
  if (para.ruler.lineSpacing > 0) d += roundpixels((i64(a + d) * para.ruler.lineSpacing));
  if (_WEParagraphStart(start, we)) a += roundpixels(para.ruler.spaceBefore);
  if (endsparagraph(*r, end)) {
    if (end > start) _WEGetExtParaInfo(end - 1, &para, we);
    d += roundpixels(para.ruler.spaceAfter);
  }
  *ascent = i16(std::clamp(a, 0, 32767));
  *descent = i16(std::clamp(d, -32768, 32767));
}

OSErr _WEInsertLine(i32 index, const WELineRec* line, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (OSErr err = _WESplice(r->hLines, line, i32(sizeof(WELineRec)), index * i32(sizeof(WELineRec)))) return err;
  ++r->nLines;
  return noErr;
}

void _WEBumpOrigin(i32 index, i32 delta, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr || delta == 0) return;
  u8* p = deref(r->hLines);
  for (i32 i = std::max(index, 0); i <= r->nLines; ++i) {
    u8* at = p + std::size_t(i) * sizeof(WELineRec) + offsetof(WELineRec, lineOrigin);
    storeat<i32>(at, loadat<i32>(at) + delta);
  }
}

OSErr _WERecalBreaks(i32* first, i32* last, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  // The breaks resume at the start of the line after the last changed line; the sentinel's
  // start (the text's end) when that is the last line, so an edit of the last line is laid out.
  const i32 resync = lineat(*r, std::clamp(*last + 1, 0, r->nLines)).lineStart;
  i32 line = std::clamp(*first - 1, 0, r->nLines - 1);
  const i32 from = line;
  const WELineRec model = lineat(*r, line);
  i32 start = model.lineStart, origin = model.lineOrigin;
  OSErr err = noErr;
  WEQDEnvironment env;
  _WESaveQDEnvironment(r->port, &env);
  for (;;) {
    i32 length = _WEFindLineBreak(start, we);
    r = werec(we);
    if (length < 1 && start < r->textLength) length = 1;
    i16 ascent, descent;
    _WECalcHeights(start, start + length, &ascent, &descent, we);
    WELineRec current = lineat(*r, line);
    current.lineAscent = u16((current.lineAscent & kParaStartBit) | u16(ascent));
    setweelement(r->hLines, line, current);
    const i32 nextstart = start + length, nextorigin = origin + ascent + descent;
    const i32 next = line + 1;
    if (nextstart >= r->textLength) {
      // This is the last line: every record up to the sentinel goes.
      if (next < r->nLines) {
        _WESplice(r->hLines, nullptr, -(r->nLines - next) * i32(sizeof(WELineRec)), next * i32(sizeof(WELineRec)));
        r->nLines = next;
      }
      setweelement(r->hLines, next, WELineRec{r->textLength, nextorigin, kParaStartBit, 0, 0, 0});
      line = next;
      break;
    }
    if (next >= r->nLines || lineat(*r, next).lineStart > nextstart) {
      WELineRec added = model;
      added.lineStart = nextstart;
      added.lineOrigin = nextorigin;
      if ((err = _WEInsertLine(next, &added, we)) != noErr) break;
      r = werec(we);
    } else {
      WELineRec old = lineat(*r, next);
      const i32 oldstart = old.lineStart, oldorigin = old.lineOrigin;
      old.lineStart = nextstart;
      old.lineOrigin = nextorigin;
      setweelement(r->hLines, next, old);
      i32 gone = 0;
      while (next + 1 + gone < r->nLines && lineat(*r, next + 1 + gone).lineStart <= nextstart) ++gone;
      if (gone > 0) {
        _WESplice(r->hLines, nullptr, -gone * i32(sizeof(WELineRec)), (next + 1) * i32(sizeof(WELineRec)));
        r->nLines -= gone;
      }
      if (gone == 0 && oldstart == nextstart && oldstart >= resync) {
        _WEBumpOrigin(next + 1, nextorigin - oldorigin, we);
        line = next;
        break;
      }
    }
    line = next;
    start = nextstart;
    origin = nextorigin;
  }
  // The sentinel, and the text's height: one empty line more after a final return.
  WELineRec sentinel = lineat(*r, r->nLines);
  sentinel.lineAscent |= kParaStartBit;
  setweelement(r->hLines, r->nLines, sentinel);
  i32 height = sentinel.lineOrigin;
  if (r->textLength > 0 && deref(r->hText)[r->textLength - 1] == kReturn && r->nLines > 0)
    height += sentinel.lineOrigin - lineat(*r, r->nLines - 1).lineOrigin;
  if (height != r->destRect.bottom - r->destRect.top) r->flags |= weFlagScrollPending;
  r->destRect.bottom = r->destRect.top + height;
  *last = std::min(line - 1, r->nLines - 1);
  *first = std::min(from, *last);
  _WERestoreQDEnvironment(&env);
  return err;
}

OSErr _WERecalSlops(i32 first, i32 last, WEReference we) {
  SlopAccumulator acc{};
  return _WESegmentLoop(first, last, SLCalcSlop, &acc, we);
}

OSErr WECalText(WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  SetHandleSize(r->hLines, 2 * sizeof(WELineRec));
  if (OSErr err = MemError()) return err;
  setweelement(r->hLines, 0, WELineRec{0, 0, kParaStartBit, 0, 0, 0});
  setweelement(r->hLines, 1, WELineRec{r->textLength, 0, kParaStartBit, 0, 0, 0});
  r->nLines = 1;
  if (isscriptrecord(we)) {
    const i32 zero = 0;
    WESetProperty(kVizu, kScriptTag, 4, &zero, we);
  }
  i32 first = 0, last = 0;
  if (OSErr err = _WERecalBreaks(&first, &last, we)) return err;
  return _WERecalSlops(first, last, we);
}

}  // namespace kv
