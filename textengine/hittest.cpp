// Hit testing: points into text offsets and offsets into points through the segment walk of a
// line, the line, paragraph and word around an offset, and the text contexts the word and
// character hooks see.
#include <algorithm>
#include <functional>
#include <vector>

#include "platform/fonts/scriptmanager.h"
#include "platform/qd/qdtext.h"
#include "platform/text/sjis.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr u8 kReturn = 13;
constexpr u16 kParaStartBit = 0x8000;

WELineRec lineat(const WERec& r, i32 i) { return weelement<WELineRec>(r.hLines, i); }
const u8* textof(const WERec& r) { return deref(r.hText); }

// The width and baseline of an embedded object from its style's reference.
i32 objectwidth(u32 object) {
  const Handle h = Handle(object);
  return _WEIsObject(h) ? weelement<WEObjectDesc>(h, 0).width : 0;
}

// The justification slop of a segment's first n bytes on a justified line.
Fixed justslop(const u8* text, i32 n, i16 position, const WELineRec& line) {
  const i64 portion = PortionLine(text, n, position, Point{1, 1}, Point{1, 1});
  return Fixed((portion * line.lineJustDelta) >> 16);
}

// Whether the text ends with an empty line after a final return.
bool endsinreturn(const WERec& r) { return r.textLength > 0 && textof(r)[r.textLength - 1] == kReturn; }

}  // namespace

// --- Segments as they are shown --------------------------------------------------------------------

i32 wesegmentwidth(const WELineRec& line, const WEStyle& style, const WERuler& ruler, const u8* text, i32 length, i32 k,
                   i16 position, i32 startposition, WEReference we) {
  if (style.ts.object != 0) return k > 0 ? objectwidth(style.ts.object) : 0;
  const WERec* r = werec(we);
  if (ruler.alignment != 2) return r->charToPixelHook(text, length, 0, k, 0, position, startposition, we);
  const bool last = !(position & 1);
  const i32 n = last ? VisibleLength(text, length) : length;
  const Fixed slop = justslop(text, n, position, line);
  const i32 drawn = r->charToPixelHook(text, n, slop, std::min(k, n), 0, position, startposition, we);
  if (k <= n) return drawn;
  return drawn + werec(we)->charToPixelHook(text + n, length - n, 0, k - n, 0, position, startposition + drawn, we);
}

WEShownRun::WEShownRun(const WELineRec& line, const WEStyle& style, const WERuler& ruler, const u8* text, i32 length,
                       i16 position, i32 startposition, WEReference we)
    : line_(line),
      style_(style),
      ruler_(ruler),
      text_(text),
      length_(std::max(length, 0)),
      position_(position),
      startposition_(startposition),
      we_(we) {
  if (length_ == 0) return;
  const std::size_t n = std::size_t(length_);
  const BidiLine order = righttoleftrunorder(text, length_, _WEFontFamilyToScript(style.ts.font));
  // Without an order from the script (its fonts have gone), the run reads plainly from the right.
  level_ = order.levels.size() == n ? order.levels : std::vector<u8>(n, 1);
  std::vector<i32> visual(n);
  for (std::size_t j = 0; j < n; ++j) visual[j] = order.visual.size() == n ? order.visual[j] : i32(n - 1 - j);
  prefix_.assign(n + 1, -1);
  prefix_[0] = 0;
  // Bytes of one level side by side in the text are shown side by side, reversed when the level
  // is odd: the stretches, and their places from the left in the order shown.
  stretch_.assign(n, 0);
  for (i32 i = 0; i < length_; ++i) {
    if (i == 0 || level_[std::size_t(i)] != level_[std::size_t(i - 1)]) stretches_.push_back(Stretch{i, i, 0});
    stretches_.back().end = i + 1;
    stretch_[std::size_t(i)] = i32(stretches_.size() - 1);
  }
  i32 x = 0, previous = -1;
  for (std::size_t j = 0; j < n; ++j) {
    const i32 k = stretch_[std::size_t(visual[j])];
    if (k == previous) continue;
    Stretch& st = stretches_[std::size_t(k)];
    st.left = x;
    x += prefix(st.end) - prefix(st.start);
    previous = k;
  }
}

i32 WEShownRun::prefix(i32 k) {
  i32& p = prefix_[std::size_t(k)];
  if (p < 0) p = wesegmentwidth(line_, style_, ruler_, text_, length_, k, position_, startposition_, we_);
  return p;
}

bool WEShownRun::reversed(i32 i) const { return (level_[std::size_t(i)] & 1) != 0; }

i32 WEShownRun::left(i32 i) {
  const Stretch& st = stretches_[std::size_t(stretch_[std::size_t(i)])];
  return reversed(i) ? st.left + prefix(st.end) - prefix(i + 1) : st.left + prefix(i) - prefix(st.start);
}

i32 WEShownRun::width(i32 i) { return prefix(i + 1) - prefix(i); }

i32 WEShownRun::leading(i32 i) { return reversed(i) ? left(i) + width(i) : left(i); }

i32 WEShownRun::trailing(i32 i) { return reversed(i) ? left(i) : left(i) + width(i); }

i32 WEShownRun::caret(i32 k, bool righttoleft) {
  if (length_ == 0) return 0;
  if (k <= 0) return leading(0);
  if (k >= length_) return trailing(length_ - 1);
  // Between two characters of different directions (digits among letters) the caret stands on
  // the side asked for: on the character of that direction.
  const bool before = reversed(k - 1), after = reversed(k);
  if (before != after && before == righttoleft) return trailing(k - 1);
  return leading(k);
}

bool WEShownRun::stretch(i32 k, i32* start, i32* end, i32* left, i32* width) {
  if (k < 0 || k >= i32(stretches_.size())) return false;
  const Stretch& st = stretches_[std::size_t(k)];
  *start = st.start;
  *end = st.end;
  *left = st.left;
  *width = prefix(st.end) - prefix(st.start);
  return true;
}

bool WEShownRun::stretchat(i32 x, i32* start, i32* end, i32* left, i32* width) {
  for (i32 k = 0; stretch(k, start, end, left, width); ++k)
    if (x >= *left && x < *left + *width) return true;
  return false;
}

void WEShownRun::spans(i32 s, i32 e, const std::function<void(i32, i32)>& frame) {
  for (const Stretch& st : stretches_) {
    const i32 a = std::max(s, st.start), b = std::min(e, st.end);
    if (a >= b) continue;
    const i32 x1 = left(a), x2 = left(b - 1);
    frame(std::min(x1, x2), std::max(x1 + width(a), x2 + width(b - 1)));
  }
}

i32 WEShownRun::rightmost() {
  if (stretches_.empty()) return 0;
  const Stretch* best = &stretches_.front();
  for (const Stretch& st : stretches_)
    if (st.left > best->left) best = &st;
  return reversed(best->start) ? best->start : best->end - 1;
}

namespace {

// The point walk of WEGetOffset: the width left of the point (16.16) is used up segment by
// segment; the offset and edge where it runs out.
struct PixelWalk {
  i64 width;
  i32 consumed;  // pixels of the line's earlier segments (after the pen indent)
  i32 offset;
  i8 edge;
};

bool SLPixelToChar(WELineRec* line, const WEStyle* style, const WERuler* ruler, const u8* text, i32 start, i32 length,
                   i16 position, WEReference we, void* data) {
  PixelWalk& w = *static_cast<PixelWalk*>(data);
  const bool first = !(position & 2), last = !(position & 1);
  if (first) {
    w.width -= i64(_WECalcPenIndent(*line, *ruler, we)) << 16;
    if (w.width <= 0) {
      // Left of the line's pen: its start, which belongs to this line.
      w.offset = start;
      w.edge = -1;
      return true;
    }
  }
  if (style->ts.object != 0) {
    const i64 W = i64(objectwidth(style->ts.object)) << 16;
    const i64 t = std::clamp<i64>(W / 16, 8, 16);
    const i64 rest = w.width - W;
    if (rest >= 0) {
      w.offset = start + length;
      w.edge = -1;
      w.width = rest;
      w.consumed += i32(W >> 16);
      return false;
    }
    if (rest >= -t) {
      w.offset = start + length;
      w.edge = 0;
      return true;
    }
    w.offset = start;
    w.edge = w.width >= t ? 2 : -1;
    return true;
  }
  if (style->ts.direction & kRightToLeftRun) {
    WEShownRun shown(*line, *style, *ruler, text, length, position, w.consumed, we);
    const i64 whole = i64(wesegmentwidth(*line, *style, *ruler, text, length, length, position, w.consumed, we)) << 16;
    if (w.width >= whole) {
      // Right of the run: at the right edge of its rightmost character.
      const i32 rightmost = length > 0 ? shown.rightmost() : 0;
      const bool reversed = length == 0 || shown.reversed(rightmost);
      w.offset = start + (reversed ? rightmost : rightmost + 1);
      w.edge = reversed ? -1 : 0;
      w.width -= whole;
      w.consumed += i32(whole >> 16);
      return false;
    }
    // The stretch of one direction under the point is measured by the record's hook from its
    // reading end: from the right for right-to-left text.
    i32 s = 0, e = 0, left = 0, span = 0;
    if (!shown.stretchat(i32(w.width >> 16), &s, &e, &left, &span)) {
      w.offset = start + length;
      w.edge = 0;
      return true;
    }
    const bool reversed = shown.reversed(s);
    const Fixed slop = ruler->alignment == 2 ? justslop(text + s, e - s, position, *line) : 0;
    Fixed width = Fixed(reversed ? (i64(left + span) << 16) - w.width : w.width - (i64(left) << 16));
    bool leading = true;
    const i32 got = werec(we)->pixelToCharHook(text + s, e - s, slop, &width, &leading, position, w.consumed + left,
                                               we);
    w.offset = start + s + got;
    w.edge = leading ? -1 : 0;
    return true;
  }
  const WERec* r = werec(we);
  // A line's last blank (or its return) stays out of reach of a point right of the line, unless
  // the segment ends the text with another character.
  i32 m = length;
  if (last && length > 0 && !(start + length == r->textLength && text[length - 1] != kReturn)) {
    const i32 at = start + length - 1;
    const i16 type = WECharType(at, we);
    const bool blank = (type & smcTypeMask) == smCharPunct && (type & smcClassMask) == smPunctBlank;
    if (blank || text[length - 1] == kReturn) m = length - (WECharByte(at, we) == smLastByte && length >= 2 ? 2 : 1);
  }
  // On a justified line the drawn bytes carry the slop; trailing spaces are measured plain.
  i32 n = m;
  Fixed slop = 0;
  if (ruler->alignment == 2) {
    if (last) n = VisibleLength(text, m);
    slop = justslop(text, n, position, *line);
  }
  const i64 before = w.width;
  Fixed width = Fixed(std::clamp<i64>(w.width, INT32_MIN, INT32_MAX));
  bool leading = true;
  i32 got = r->pixelToCharHook(text, n, slop, &width, &leading, position, w.consumed, we);
  if (width >= 0 && n < m) {
    const i32 more = werec(we)->pixelToCharHook(text + n, m - n, 0, &width, &leading, position,
                                                w.consumed + i32((before - width + 0x8000) >> 16), we);
    got = n + more;
  }
  w.offset = start + got;
  w.edge = leading ? -1 : 0;
  if (width < 0) return true;
  w.consumed += i32((before - width + 0x8000) >> 16);
  w.width = width;
  return false;
}

// The offset walk of WEGetPoint: the pixel position of an offset on its line. Segments come in
// the order they are shown; the offset is placed in the segment that holds the byte after it,
// or with `trailing` the byte before it (at the end of a line, or on the chosen side of a
// direction boundary). Within a right-to-left run the caret stands where the run's own order
// shows the byte, on the side `righttoleft` asks for between characters of two directions.
struct CharWalk {
  i32 offset;
  bool trailing;
  bool righttoleft;
  i32 x;       // from the line's left edge
  i32 indent;  // the line's pen indent
};

bool SLCharToPixel(WELineRec* line, const WEStyle* style, const WERuler* ruler, const u8* text, i32 start, i32 length,
                   i16 position, WEReference we, void* data) {
  CharWalk& c = *static_cast<CharWalk*>(data);
  const bool first = !(position & 2);
  if (first) {
    c.indent = _WECalcPenIndent(*line, *ruler, we);
    c.x = c.indent;
  }
  const i32 end = start + length;
  const bool here = c.trailing ? (start < c.offset && c.offset <= end) || (length == 0 && c.offset == start)
                               : start <= c.offset && c.offset < end;
  const i32 k = here ? c.offset - start : length;
  if (here && style->ts.object == 0 && (style->ts.direction & kRightToLeftRun)) {
    WEShownRun shown(*line, *style, *ruler, text, length, position, c.x - c.indent, we);
    c.x += shown.caret(k, c.righttoleft);
  } else {
    c.x += wesegmentwidth(*line, *style, *ruler, text, length, k, position, c.x - c.indent, we);
  }
  return here;
}

// The crossing walk of _WECrossDirectionBoundary: the segment of the other direction whose
// edge stands at the caret's pixel, and its offset there.
struct CrossWalk {
  i32 x;           // the caret's pixel from the line's left edge
  bool fromright;  // the caret stands on a right-to-left run
  i32 at;          // the left edge of the segment
  i32 offset;      // the answer
};

bool SLCrossDirectionBoundary(WELineRec* line, const WEStyle* style, const WERuler* ruler, const u8* text, i32 start,
                              i32 length, i16 position, WEReference we, void* data) {
  CrossWalk& c = *static_cast<CrossWalk*>(data);
  if (!(position & 2)) c.at = _WECalcPenIndent(*line, *ruler, we);
  const i32 width = wesegmentwidth(*line, *style, *ruler, text, length, length, position, c.at, we);
  // Each stretch of one direction: a left-to-right one starts at its left edge, a right-to-left
  // one at its right. A left-to-right segment is one stretch.
  auto edgeat = [&](i32 s, i32 e, i32 left, i32 w, bool right) {
    if (right == c.fromright || s >= e) return false;
    if (left == c.x) c.offset = start + (right ? e : s);
    else if (left + w == c.x) c.offset = start + (right ? s : e);
    else return false;
    return true;
  };
  if ((style->ts.direction & kRightToLeftRun) && style->ts.object == 0) {
    WEShownRun shown(*line, *style, *ruler, text, length, position, c.at, we);
    i32 s = 0, e = 0, left = 0, w = 0;
    for (i32 k = 0; shown.stretch(k, &s, &e, &left, &w); ++k)
      if (edgeat(s, e, c.at + left, w, shown.reversed(s))) return true;
  } else if (edgeat(0, length, c.at, width, (style->ts.direction & kRightToLeftRun) != 0)) {
    return true;
  }
  c.at += width;
  return false;
}

}  // namespace

bool _WERightToLeftEdge(i32 offset, i16 direction, WEReference we) {
  if (direction != 0) return direction == -1;
  WEParaInfo para;
  _WEGetExtParaInfo(offset, &para, we);
  return para.ruler.direction == -1 || (para.ruler.direction == 1 && GetSysDirection() == -1);
}

bool _WEAtDirectionBoundary(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || !(r->flags & weFlagBidi) || offset <= 0 || offset >= r->textLength) return false;
  const i32 line = WEOffsetToLine(offset, we);
  if (lineat(*r, line).lineStart == offset) return false;
  const i32 before = WEOffsetToRun(offset - 1, we), after = WEOffsetToRun(offset, we);
  return before != after && _WEGetIndDirection(before, we) != _WEGetIndDirection(after, we);
}

bool werighttoleftchar(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || offset < 0 || offset >= r->textLength) return false;
  const i32 run = WEOffsetToRun(offset, we);
  if (_WEGetIndDirection(run, we) != 1) return false;
  // The line's part of the run is ordered as it is drawn.
  WEExtRunInfo info;
  _WEGetIndStyle(run, &info, we);
  const i32 line = WEOffsetToLine(offset, we);
  const i32 s = std::max(info.runStart, lineat(*r, line).lineStart),
            e = std::min(info.runEnd, lineat(*r, line + 1).lineStart);
  if (info.style.ts.object != 0 || e <= s) return true;
  const BidiLine order = righttoleftrunorder(textof(*r) + s, e - s, _WEFontFamilyToScript(info.style.ts.font));
  return order.levels.size() != std::size_t(e - s) || (order.levels[std::size_t(offset - s)] & 1) != 0;
}

bool wedirectionchange(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || !(r->flags & weFlagBidi) || offset <= 0 || offset >= r->textLength) return false;
  if (lineat(*r, WEOffsetToLine(offset, we)).lineStart == offset) return false;
  return werighttoleftchar(offset - 1, we) != werighttoleftchar(offset, we);
}

i32 _WECrossDirectionBoundary(i32 offset, i8 edge, WEReference we) {
  if (!wedirectionchange(offset, we)) return offset;
  const bool right = werighttoleftchar(edge == 0 ? offset - 1 : offset, we);
  LongPoint p;
  WEGetPoint(offset, right ? -1 : 1, &p, nullptr, we);
  const i32 line = WEOffsetToLine(offset, we);
  CrossWalk c{p.h - werec(we)->destRect.left, right, 0, offset};
  _WESegmentLoop(line, line, SLCrossDirectionBoundary, &c, we);
  return c.offset;
}

namespace {

// The paragraph around an offset: [start, end) from after the return before it to after the
// return at or after it.
void paragraphof(const WERec& r, i32 offset, i32* start, i32* end) {
  const u8* t = textof(r);
  i32 s = offset, e = offset;
  while (s > 0 && t[s - 1] != kReturn) --s;
  while (e < r.textLength && t[e] != kReturn) ++e;
  if (e < r.textLength) ++e;
  *start = s;
  *end = e;
}

// The line an offset belongs to with its edge: a line's start with edge 0 ends the line before.
i32 lineofedge(i32 offset, i8 edge, WEReference we) {
  const WERec* r = werec(we);
  i32 line = WEOffsetToLine(offset, we);
  if (edge == 0 && offset > 0 && line > 0 && lineat(*r, line).lineStart == offset) --line;
  return line;
}

}  // namespace

// --- Points and offsets ------------------------------------------------------------------------

i32 WEGetOffset(const LongPoint* point, i8* edge, WEReference we) {
  i8 e = 0;
  i32 result = 0;
  const WERec* r = werec(we);
  if (r != nullptr && point != nullptr) {
    const i32 v = point->v - r->destRect.top;
    if (v < 0) {
      result = 0;
      e = 0;
    } else if (v >= lineat(*r, r->nLines).lineOrigin) {
      result = r->textLength;
      e = -1;
    } else {
      const i32 line = _WEPixelToLine(v, we);
      PixelWalk w{(i64(point->h) - r->destRect.left) << 16, 0, lineat(*r, line).lineStart, 0};
      _WESegmentLoop(line, line, SLPixelToChar, &w, we);
      result = w.offset;
      e = w.edge;
    }
  }
  if (edge) *edge = e;
  return result;
}

void WEGetPoint(i32 offset, i16 direction, LongPoint* point, i16* lineHeight, WEReference we) {
  const WERec* r = werec(we);
  LongPoint p{0, 0};
  i32 height = 0;
  if (r != nullptr) {
    offset = std::clamp(offset, 0, r->textLength);
    const LongRect& d = r->destRect;
    if (offset == r->textLength && endsinreturn(*r)) {
      // The empty last line: below the last record, as tall as the last line, at the pen its
      // paragraph would give it.
      const WELineRec sentinel = lineat(*r, r->nLines), lastline = lineat(*r, r->nLines - 1);
      WEParaInfo para;
      _WEGetExtParaInfo(offset, &para, we);
      WELineRec empty{offset, sentinel.lineOrigin, kParaStartBit, 0, 0, 0};
      empty.lineSlop = i16(std::clamp<i64>((_WEAvailableWidth(offset, para.ruler, we) + 0x8000) >> 16, 0, 32767));
      p.v = d.top + sentinel.lineOrigin;
      p.h = d.left + _WECalcPenIndent(empty, para.ruler, we);
      height = sentinel.lineOrigin - lastline.lineOrigin;
    } else {
      const i32 line = WEOffsetToLine(offset, we);
      const WELineRec l = lineat(*r, line);
      const i32 lineend = lineat(*r, line + 1).lineStart;
      // The byte before the offset places it at the line's end, and at a direction boundary
      // when the side asked for is that byte's.
      bool trailing = offset >= lineend && offset > l.lineStart;
      if (_WEAtDirectionBoundary(offset, we))
        trailing = (_WEGetIndDirection(WEOffsetToRun(offset - 1, we), we) == 1) ==
                   _WERightToLeftEdge(offset, direction, we);
      CharWalk c{offset, trailing, _WERightToLeftEdge(offset, direction, we), 0, 0};
      _WESegmentLoop(line, line, SLCharToPixel, &c, we);
      r = werec(we);
      p.v = d.top + l.lineOrigin;
      p.h = d.left + c.x;
      height = lineat(*r, line + 1).lineOrigin - l.lineOrigin;
    }
    p.h = std::clamp(p.h, r->destRect.left, r->destRect.right);
  }
  if (point) *point = p;
  if (lineHeight) *lineHeight = i16(std::clamp(height, 0, 32767));
}

// --- Lines, paragraphs and words ----------------------------------------------------------------

void WEFindLine(i32 offset, i8 edge, i32* start, i32* end, WEReference we) {
  const WERec* r = werec(we);
  i32 s = 0, e = 0;
  if (r != nullptr) {
    offset = std::clamp(offset, 0, r->textLength);
    if (offset == r->textLength && edge != 0 && endsinreturn(*r)) {
      s = e = offset;  // the empty last line
    } else {
      const i32 line = lineofedge(offset, edge, we);
      s = lineat(*r, line).lineStart;
      e = lineat(*r, line + 1).lineStart;
    }
  }
  if (start) *start = s;
  if (end) *end = e;
}

void WEFindParagraph(i32 offset, i8 edge, i32* start, i32* end, WEReference we) {
  const WERec* r = werec(we);
  i32 s = 0, e = 0;
  if (r != nullptr) {
    offset = std::clamp(offset, 0, r->textLength);
    // The paragraph of the chosen line: a line's start with edge 0 ends the paragraph before.
    const bool before = edge == 0 && offset > 0 && lineofedge(offset, edge, we) != WEOffsetToLine(offset, we);
    if (offset == r->textLength && edge != 0 && endsinreturn(*r)) s = e = offset;
    else paragraphof(*r, before ? offset - 1 : offset, &s, &e);
  }
  if (start) *start = s;
  if (end) *end = e;
}

void WEFindWord(i32 offset, i8 edge, i32* start, i32* end, WEReference we) {
  const WERec* r = werec(we);
  i32 s = 0, e = 0;
  if (r != nullptr) {
    offset = std::clamp(offset, 0, r->textLength);
    const bool leading = edge != 0;
    i32 cs = 0, ce = 0;
    _WEGetContext(leading || offset == 0 ? offset : offset - 1, &cs, &ce, we);
    WEExtRunInfo info;
    _WEGetExtRunInfo(leading ? offset : offset - 1, &info, we);
    OffsetTable table{};
    r->wordBreakHook(textof(*r) + cs, ce - cs, offset - cs, leading, table, _WEFontFamilyToScript(info.style.ts.font),
                     we);
    s = cs + table[0].offFirst;
    e = cs + table[0].offSecond;
  }
  if (start) *start = s;
  if (end) *end = e;
}

// --- Contexts and characters --------------------------------------------------------------------

void _WEGetContext(i32 offset, i32* start, i32* end, WEReference we) {
  const WERec* r = werec(we);
  i32 s = 0, e = 0;
  if (r != nullptr) {
    offset = std::clamp(offset, 0, r->textLength);
    paragraphof(*r, offset, &s, &e);
    // With several scripts, only the runs of the offset's script.
    if (r->flags & weFlagMultiScript) {
      WEExtRunInfo at;
      _WEGetExtRunInfo(offset, &at, we);
      const i16 script = _WEFontFamilyToScript(at.style.ts.font);
      i32 first = WEOffsetToRun(offset, we), last = first;
      WEExtRunInfo info;
      while (first > 0) {
        _WEGetIndStyle(first - 1, &info, we);
        if (_WEFontFamilyToScript(info.style.ts.font) != script) break;
        --first;
      }
      while (last + 1 < r->nRuns) {
        _WEGetIndStyle(last + 1, &info, we);
        if (_WEFontFamilyToScript(info.style.ts.font) != script) break;
        ++last;
      }
      _WEGetIndStyle(first, &info, we);
      s = std::max(s, info.runStart);
      _WEGetIndStyle(last, &info, we);
      e = std::min(e, info.runEnd);
    }
    s = std::max(s, offset - kWEContextLimit);
    e = std::min(e, offset + kWEContextLimit);
  }
  *start = s;
  *end = e;
}

i16 _WEGetRestrictedContext(i32 offset, i32* start, i32* end, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) {
    *start = *end = 0;
    return 0;
  }
  WEExtRunInfo info;
  _WEGetExtRunInfo(offset, &info, we);
  *start = std::max(info.runStart, offset - kWEContextLimit);
  *end = std::min({info.runEnd, r->textLength, offset + kWEContextLimit});
  return _WEFontFamilyToScript(info.style.ts.font);
}

i16 WECharByte(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || !(r->flags & weFlagDoubleByte) || offset < 0 || offset >= r->textLength) return 0;
  i32 s, e;
  const i16 script = _WEGetRestrictedContext(offset, &s, &e, we);
  return r->charByteHook(textof(*r) + s, e - s, offset - s, script, we);
}

i16 WECharType(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || offset < 0 || offset >= r->textLength) return 0;
  i32 s, e;
  const i16 script = _WEGetRestrictedContext(offset, &s, &e, we);
  return r->charTypeHook(textof(*r) + s, e - s, offset - s, script, we);
}

}  // namespace kv
