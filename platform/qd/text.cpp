// Drawing and measuring text in ports.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/text/bidi.h"
#include "platform/text/macsets.h"
#include "platform/text/sjis.h"
#include "platform/text/textencodings.h"
#include "platform/qd/bottleneck.h"
#include "platform/qd/drawimpl.h"
#include "platform/qd/pictureimpl.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"

namespace kv {

namespace {

FontKey portfont(const Port& p) { return FontKey{p.txFont, p.txSize, p.txFace}; }

// The advance of one byte in the port: the font's advance, the character extra, and for a
// space the space extra (16.16) with its share of a justification slop.
struct Advancer {
  FontKey key;
  i32 chextra;
  i32 spextra;  // 16.16 per space
  i32 frac = 0;
  i32 next(u8 c) {
    i32 w = charadvance(key, c) + chextra;
    if (c == ' ' && spextra) {
      frac += spextra;
      w += frac >> 16;
      frac &= 0xFFFF;
    }
    return w;
  }
};

i32 countspaces(const u8* t, i32 n) { return i32(std::count(t, t + n, u8(' '))); }

// The share of a slop (16.16) each space of the text gets.
i32 perspace(i32 slop, const u8* t, i32 n) {
  const i32 spaces = slop ? countspaces(t, n) : 0;
  return spaces ? slop / spaces : 0;
}

Advancer advancerfor(const Port& p, i32 extraperspace) {
  return Advancer{portfont(p), p.chExtra, p.spExtra + extraperspace};
}

i32 measure(const Port& p, const u8* t, i32 n, i32 extraperspace) {
  Advancer a = advancerfor(p, extraperspace);
  i32 w = 0;
  for (i32 i = 0; i < n; ++i) w += a.next(t[i]);
  return w;
}

// --- Right-to-left runs
//
// Text in a font of an enabled right-to-left script (Arabic, Hebrew) is one style run written
// right to left: its characters are shown in the bidirectional order of a right-to-left line
// (letters from the right, digits and Latin words left to right among them). Measuring is the
// same in either order: widths of the first bytes of a run, as for any text (the text engine
// mirrors positions within a right-to-left run).

// The shown order of a run, or nothing for left-to-right text.
struct RunOrder {
  bool righttoleft = false;
  std::vector<i32> visual;  // visual[j]: the byte shown j-th from the left
};

RunOrder runorder(const Port& p, const u8* t, i32 n) {
  RunOrder o;
  o.visual = righttoleftrunorder(t, n, FontToScript(p.txFont)).visual;
  o.righttoleft = !o.visual.empty();
  return o;
}

struct GlyphBox {
  i32 x, y, w, h;  // pixel box relative to the pen's start (y down from the baseline)
};

// Draws text at the pen of the port and moves the pen; each space is widened by
// extraperspace (16.16).
void drawtextat(Port& p, const u8* t, i32 n, i32 extraperspace) {
  if (n <= 0) return;
  const FontKey key = portfont(p);
  const FontMetrics fm = fontmetrics(key);
  const i16 mode = effectivemode(p.txMode, pixmaprecord(p.pixmap).pixelSize);
  const bool mono = isbooleanmode(mode) || mode == hilite;
  const Point pen = p.pnLoc;

  // First pass: where each glyph goes, and the box of the whole string.
  Advancer adv = advancerfor(p, extraperspace);
  std::vector<GlyphBox> boxes(static_cast<std::size_t>(n));
  const RunOrder order = runorder(p, t, n);
  // Arabic takes the joined forms HarfBuzz shapes; a byte joined into another's glyph has none.
  const std::vector<u32> shaped = shapedglyphs(key, t, n);
  const Glyph noink{0, 0, 0, 0, false, {}};
  auto glyphof = [&](i32 i) -> const Glyph& {
    const u32 index = shaped.empty() ? kNominalGlyph : shaped[std::size_t(i)];
    if (index == kNominalGlyph) return glyph(key, t[i], mono);
    return index == kNoGlyph ? noink : glyphbyindex(key, index, mono);
  };
  // Only glyphs that may reach what the port can show are made: a huge text size (a
  // picture's, say) must cost neither the images of glyphs nobody sees nor a buffer the size of
  // the whole string. A glyph's ink stays within a margin of its advance cell that grows with
  // the size (overhangs, slant, accents above the ascent, the style rings).
  const bool hidden = p.pnVis < 0;
  const Rect port = portclip(p).bounds();
  // What the port shows, relative to the pen.
  const i32 showntop = i32(port.top) - pen.v, shownleft = i32(port.left) - pen.h;
  const i32 shownbottom = i32(port.bottom) - pen.v, shownright = i32(port.right) - pen.h;
  const i32 margin = 2 * (i32(fm.ascent) + fm.descent) + fm.widmax + 8;
  auto maybeshown = [&](i32 from, i32 to) {
    return !hidden && std::min(from, to) - margin < shownright && std::max(from, to) + margin > shownleft &&
           -fm.ascent - margin < shownbottom && fm.descent + margin > showntop;
  };
  i32 x = 0;
  i32 left = 0, top = -fm.ascent, right = 0, bottom = fm.descent;
  for (i32 j = 0; j < n; ++j) {
    const i32 i = order.righttoleft ? order.visual[std::size_t(j)] : j;
    const i32 step = adv.next(t[i]);
    if (maybeshown(x, x + step)) {
      const Glyph& g = glyphof(i);
      boxes[std::size_t(i)] = GlyphBox{x + g.left, -g.top, g.width, g.height};
      if (g.width > 0 && g.height > 0) {
        left = std::min(left, x + g.left);
        right = std::max(right, x + g.left + g.width);
        top = std::min<i32>(top, -g.top);
        bottom = std::max<i32>(bottom, -g.top + g.height);
      }
    }
    x += step;
  }
  const i32 width = x;
  right = std::max(right, width);
  const bool underlined = (p.txFace & faceunderline) != 0;
  if (underlined) bottom = std::max(bottom, 2);

  // The pen moves whether or not anything is drawn.
  p.pnLoc.h = i16(std::clamp<i32>(pen.h + width, -32768, 32767));
  if (hidden || right <= left || bottom <= top) return;
  left = std::max(left, shownleft);
  right = std::min(right, shownright);
  top = std::max(top, showntop);
  bottom = std::min(bottom, shownbottom);
  if (right <= left || bottom <= top) return;

  // Second pass: the coverage of the string box.
  const i32 bw = right - left, bh = bottom - top;
  std::vector<u8> cov(std::size_t(bw) * std::size_t(bh), 0);
  for (i32 i = 0; i < n; ++i) {
    const GlyphBox& b = boxes[std::size_t(i)];
    if (b.w <= 0 || b.h <= 0) continue;  // no ink, or never made
    if (b.x >= right || b.x + b.w <= left || b.y >= bottom || b.y + b.h <= top) continue;
    const Glyph& g = glyphof(i);
    if (g.bits.size() < std::size_t(g.width) * std::size_t(g.height)) continue;
    // The glyph's rows and columns inside the shown box.
    const i32 gy0 = std::max(0, top - b.y), gy1 = std::min<i32>(g.height, bottom - b.y);
    const i32 gx0 = std::max(0, left - b.x), gx1 = std::min<i32>(g.width, right - b.x);
    for (i32 gy = gy0; gy < gy1; ++gy)
      for (i32 gx = gx0; gx < gx1; ++gx) {
        u8 c = g.bits[std::size_t(gy) * std::size_t(g.width) + std::size_t(gx)];
        if (mono) c = c >= 128 ? 255 : 0;
        u8& d = cov[std::size_t(b.y - top + gy) * std::size_t(bw) + std::size_t(b.x - left + gx)];
        d = std::max(d, c);
      }
  }
  if (underlined) {
    const i32 uy = 1 - top;
    if (uy >= 0 && uy < bh)
      for (i32 ux = std::max(0, left); ux < std::min(width, right); ++ux)
        cov[std::size_t(uy) * std::size_t(bw) + std::size_t(ux - left)] = 255;
  }

  // The copy modes paint the text's cell; the others touch the ink only.
  RegionData area(Rect{i16(pen.v + top), i16(pen.h + left), i16(pen.v + bottom), i16(pen.h + right)});
  if (mode != srcCopy && mode != notSrcCopy) {
    std::vector<pixman_box32_t> ink;
    for (i32 yy = 0; yy < bh; ++yy) {
      i32 run = -1;
      for (i32 xx = 0; xx <= bw; ++xx) {
        const bool on = xx < bw && cov[std::size_t(yy) * std::size_t(bw) + std::size_t(xx)] != 0;
        if (on && run < 0) run = xx;
        if (!on && run >= 0) {
          ink.push_back(pixman_box32_t{pen.h + left + run, pen.v + top + yy, pen.h + left + xx, pen.v + top + yy + 1});
          run = -1;
        }
      }
    }
    area.setboxes(ink);
  }
  Surface s;
  if (!topixels(p, area, &s)) return;
  Compositor comp(s, p.txMode, portcolors(p));
  // Pixel (px, py) of the surface is string-box pixel (px + ox, py + oy).
  const i32 ox = s.bounds.left - (pen.h + left), oy = s.bounds.top - (pen.v + top);
  int nb = 0;
  const pixman_box32_t* b = area.boxes(&nb);
  for (int i = 0; i < nb; ++i)
    for (i32 py = b[i].y1; py < b[i].y2; ++py)
      for (i32 px = b[i].x1; px < b[i].x2; ++px) {
        const u8 c = cov[std::size_t(py + oy) * std::size_t(bw) + std::size_t(px + ox)];
        if (mono) comp.putbit(px, py, c != 0);
        else comp.putcoverage(px, py, c);
      }
}

// Hands text to a picture being recorded in pieces of at most 255 bytes, each with the pen
// where it starts.
void recordtext(Port& p, const u8* t, i32 n, i32 extraperspace) {
  Advancer a = advancerfor(p, extraperspace);
  Point pen = p.pnLoc;
  // Justified text reaches the picture as extra space width.
  const i32 spextra = p.spExtra;
  p.spExtra += extraperspace;
  for (i32 at = 0; at < n; at += 255) {
    const i32 len = std::min<i32>(n - at, 255);
    picrecordtext(p, pen, t + at, i16(len));
    for (i32 i = at; i < at + len; ++i) pen.h = i16(pen.h + a.next(t[i]));
  }
  p.spExtra = spextra;
}

void textcall(const u8* t, i16 n) {
  Port* p = currentport();
  if (!p || n <= 0) return;
  if (p->procs && p->procs->textProc) {
    auto f = p->procs->textProc;
    f(n, t, Point{1, 1}, Point{1, 1});
  } else {
    StdText(n, t, Point{1, 1}, Point{1, 1});
  }
}

i16 clampwidth(i32 w) { return i16(std::clamp<i32>(w, -32768, 32767)); }

}  // namespace

void StdText(i16 byteCount, const void* text, Point, Point) {
  Port* p = currentport();
  if (!p || !text || byteCount <= 0) return;
  if (p->picsave) recordtext(*p, static_cast<const u8*>(text), byteCount, 0);
  drawtextat(*p, static_cast<const u8*>(text), byteCount, 0);
}

i16 StdTxMeas(i16 byteCount, const void* text, Point* numer, Point* denom, FontInfo* info) {
  Port* p = currentport();
  if (numer) *numer = Point{1, 1};
  if (denom) *denom = Point{1, 1};
  if (!p) return 0;
  if (info) GetFontInfo(info);
  if (!text || byteCount <= 0) return 0;
  return clampwidth(measure(*p, static_cast<const u8*>(text), byteCount, 0));
}

void DrawText(const void* text, i16 firstByte, i16 byteCount) {
  if (!text || byteCount <= 0 || firstByte < 0) return;
  textcall(static_cast<const u8*>(text) + firstByte, byteCount);
}

void DrawString(ConstStringPtr s) {
  if (s) textcall(s + 1, s[0]);
}

void DrawChar(u8 ch) { textcall(&ch, 1); }

i16 TextWidth(const void* text, i16 firstByte, i16 byteCount) {
  Port* p = currentport();
  if (!p || !text || byteCount <= 0 || firstByte < 0) return 0;
  const u8* t = static_cast<const u8*>(text) + firstByte;
  if (p->procs && p->procs->txMeasProc) {
    auto f = p->procs->txMeasProc;
    Point numer{1, 1}, denom{1, 1};
    FontInfo fi{};
    return f(byteCount, t, &numer, &denom, &fi);
  }
  return clampwidth(measure(*p, t, byteCount, 0));
}

i16 StringWidth(ConstStringPtr s) { return s ? TextWidth(s, 1, s[0]) : 0; }

i16 CharWidth(u8 ch) { return TextWidth(&ch, 0, 1); }

void GetFontInfo(FontInfo* info) {
  Port* p = currentport();
  if (!info) return;
  if (!p) {
    *info = FontInfo{};
    return;
  }
  FetchFontInfo(p->txFont, p->txSize, p->txFace, info);
}

OSStatus FetchFontInfo(i16 font, i16 size, i16 face, FontInfo* info) {
  if (info == nullptr) return paramErr;
  const FontMetrics m = fontmetrics(FontKey{font, size, u8(face)});
  *info = FontInfo{m.ascent, m.descent, m.widmax, m.leading};
  return noErr;
}

void DrawJustified(const void* text, i32 length, i32 slop, i16, Point, Point) {
  Port* p = currentport();
  if (!p || !text || length <= 0) return;
  const u8* t = static_cast<const u8*>(text);
  if (slop == 0 || (p->procs && p->procs->textProc)) {
    for (i32 at = 0; at < length; at += 32767) textcall(t + at, i16(std::min<i32>(length - at, 32767)));
    return;
  }
  const i32 extra = perspace(slop, t, length);
  if (p->picsave) recordtext(*p, t, length, extra);
  drawtextat(*p, t, length, extra);
}

i16 PixelToChar(const void* text, i32 length, i32 slop, i32 pixelWidth, bool* leadingEdge, i32* widthRemaining, i16,
                Point, Point) {
  Port* p = currentport();
  const u8* t = static_cast<const u8*>(text);
  if (leadingEdge) *leadingEdge = true;
  if (!p || !t || length <= 0) {
    if (widthRemaining) *widthRemaining = pixelWidth;
    return 0;
  }
  // pixelWidth is 16.16 fixed.
  Advancer a = advancerfor(*p, perspace(slop, t, length));
  i64 x = 0;
  const i64 target = pixelWidth;
  for (i32 i = 0; i < length; ++i) {
    const i64 w = i64(a.next(t[i])) << 16;
    if (target < x + w) {
      const bool leading = target < x + w / 2;
      if (leadingEdge) *leadingEdge = leading;
      if (widthRemaining) *widthRemaining = -0x10000;  // -1.0: the width ran out in the text
      return i16(leading ? i : i + 1);
    }
    x += w;
  }
  if (widthRemaining) *widthRemaining = i32(target - x);
  if (leadingEdge) *leadingEdge = false;
  return i16(std::min<i32>(length, 32767));
}

i16 CharToPixel(const void* text, i32 length, i32 slop, i32 offset, i16, Point, Point) {
  Port* p = currentport();
  const u8* t = static_cast<const u8*>(text);
  if (!p || !t || length <= 0 || offset <= 0) return 0;
  return clampwidth(measure(*p, t, std::min(offset, length), perspace(slop, t, length)));
}

i32 PortionLine(const void* text, i32 length, i16, Point, Point) {
  if (!text || length <= 0) return 0;
  return countspaces(static_cast<const u8*>(text), length) << 16;
}

i32 VisibleLength(const void* text, i32 length) {
  const u8* t = static_cast<const u8*>(text);
  if (!t) return 0;
  while (length > 0 && t[length - 1] == ' ') --length;
  return std::max<i32>(length, 0);
}

i16 StyledLineBreak(const void* text, i32 length, i32 start, i32 end, i32, i32* width, i32* offset) {
  const u8* t = static_cast<const u8*>(text);
  if (t == nullptr || length <= 0) {
    *offset = 0;
    return smBreakOverflow;
  }
  end = std::min(end, length);
  // The measured part ends after the first return of the run.
  i32 measured = std::max(end, start);
  i16 answer = smBreakOverflow;
  for (i32 i = start; i < end; ++i)
    if (t[i] == 13) {
      measured = i + 1;
      answer = smBreakWord;
      break;
    }
  bool leading = false;
  i32 rest = *width;
  const i32 hit = start < measured ? PixelToChar(t + start, measured - start, 0, *width, &leading, &rest, 0,
                                                 Point{1, 1}, Point{1, 1})
                                   : 0;
  *width = rest;
  if (rest >= 0) {
    *offset = measured;
    return answer;
  }
  i32 c = start + hit - (leading ? 0 : 1);
  // A two-byte character is never split: the break goes before it, or after it when it starts
  // the line.
  const bool twobyte = GetScriptManagerVariable(smDoubleByte) != 0;
  if (twobyte && CharacterByteType(t, length, c, smJapanese) == smLastByte) c = c - 1 > 0 ? c - 1 : c + 1;
  if (c < 1) {
    *offset = c;
    return smBreakChar;
  }
  for (i32 j = c; j > 0; --j) {
    if (j == measured || t[j] > 32) continue;
    while (j < measured && t[j] <= 32) ++j;
    *offset = j;
    return smBreakWord;
  }
  *offset = c;
  return smBreakChar;
}

}  // namespace kv
