// Paint text: the paint text tool places an insertion point in the painted bitmap, typed keys
// go into the session's text record, and the lines are composed in the text settings over a
// copy of the image in the text world until the next tool action commits them into the image.
#include <string_view>

#include "platform/qd/copybits.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/te/te.h"
#include "core/mainglobals.h"
#include "tools/paint.h"
#include "tools/paintsession.h"

namespace kv {

namespace {

constexpr u8 kBackspace = 8, kReturn = 13, kFirstArrow = 28, kLastArrow = 31;
constexpr i16 kBaselineDrop = 8;  // the first baseline lies this far below the click
constexpr i16 kAlignRight = -1, kAlignCenter = 1;

}  // namespace

void imagetoworld() {
  const PaintSession& p = paintsession();
  SavePort keep;
  bindimage();
  const PortBits src(p.imageport), dst(p.textworld);
  SetGWorld(p.textworld, nilhandle);
  PenNormal();
  ForeColor(blackColor);
  BackColor(whiteColor);
  CopyBits(src.get(), dst.get(), &p.rect, &p.rect, srcCopy, nilid);
}

namespace {

bool textready() {
  const PaintSession& p = paintsession();
  return p.index >= 0 && p.textworld != nilid && IsValidPort(p.textworld) && isvalidte(p.text);
}

// The horizontal extent of a line (or the caret after it) of `width` at the origin; "default"
// and "full" lay out as "left".
i16 lineleft(i16 origin, i16 width) {
  switch (mainglobals().textAlign) {
    case kAlignRight: return i16(origin - width);
    case kAlignCenter: return i16(origin - width / 2);
    default: return origin;
  }
}

}  // namespace

i16 dotext(Handle list, Point pt) {
  if (i16 st = firstbits(list, pt)) return st;
  PaintSession& p = paintsession();
  MainGlobals& g = mainglobals();
  paintchanged();
  p.textorigin = Point{i16(pt.v + kBaselineDrop), pt.h};
  if (isvalidte(p.text)) {
    TESetSelect(0, 32767, p.text);
    TEDelete(p.text);
  }
  p.textactive = 1;
  g.msginactive = 1;
  if (isvalidte(g.msgtext)) TEDeactivate(g.msgtext);
  return 0;
}

void lowtext(bool caret, Rect* textrect, Rect* caretrect) {
  PaintSession& p = paintsession();
  const MainGlobals& g = mainglobals();
  TextFont(g.textFont);
  TextSize(g.textSize);
  TextFace(Style(g.textStyle));
  FontInfo fi{};
  GetFontInfo(&fi);
  const i16 step = i16(fi.ascent + fi.descent + 1);
  const std::string_view text = isvalidte(p.text) ? tetext(p.text) : std::string_view{};
  const Point origin = p.textorigin;
  Rect tr{origin.v, origin.h, origin.v, origin.h};
  i16 baseline = origin.v, width = 0;
  bool anyline = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(char(kReturn), start);
    const size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    width = TextWidth(line.data(), 0, i16(line.size()));
    const i16 left = lineleft(origin.h, width);
    Rect lr{i16(baseline - fi.ascent), left, i16(baseline + fi.descent), i16(left + width)};
    InsetRect(&lr, -1, -1);
    if (g.filled) {
      PenNormal();
      fillcolorup();
      PaintRect(&lr);
    }
    UnionRect(&tr, &lr, &tr);
    PenNormal();
    pencolorup();
    MoveTo(i16(lr.left + 1), baseline);
    DrawText(line.data(), 0, i16(line.size()));
    baseline = i16(baseline + step);
    anyline = true;
    start = next;
  }
  // The caret: after the last line, or at the start of a new one after a return.
  if (anyline && text.back() != char(kReturn)) {
    baseline = i16(baseline - step);
  } else {
    width = 0;
  }
  i16 x = origin.h;
  if (g.textAlign == kAlignCenter) x = i16(origin.h - width / 2 + width);
  else if (g.textAlign != kAlignRight) x = i16(origin.h + width);
  Rect cr{i16(baseline - fi.ascent), x, i16(baseline + fi.descent), i16(x + 1)};
  PenNormal();
  if (caret) {
    ++p.caretblinks;
    ForeColor(p.caretblinks % 2 ? blackColor : whiteColor);
    PaintRect(&cr);
    ForeColor(blackColor);
  }
  SectRect(&tr, &p.rect, textrect);
  SectRect(&cr, &p.rect, caretrect);
}

bool bmapwantskeys() { return paintsession().index >= 0; }

void bmapkey(u8 c) {
  PaintSession& p = paintsession();
  if (p.index < 0) return;
  paintchanged();
  if (!p.textactive) {
    if (c == kBackspace) clearbits();
    return;
  }
  if (c >= kFirstArrow && c <= kLastArrow) return;
  if (!textready()) return;
  TEKey(c, p.text);
  imagetoworld();
  Rect tr{}, cr{};
  {
    SavePort keep;
    SetGWorld(p.textworld, nilhandle);
    lowtext(true, &tr, &cr);
  }
  // After a backspace the whole world: what was erased must go from the window too.
  showfrom(p.textworld, c == kBackspace ? p.rect : tr);
  if (c != kBackspace) showfrom(p.textworld, cr);
}

void killtext() {
  PaintSession& p = paintsession();
  if (!p.textactive) return;
  p.textactive = 0;
  if (!textready()) return;
  imagetoworld();
  Rect tr{}, cr{};
  {
    SavePort keep;
    SetGWorld(p.textworld, nilhandle);
    lowtext(false, &tr, &cr);
    bindimage();
    const PortBits src(p.textworld), dst(p.imageport);
    ForeColor(blackColor);
    BackColor(whiteColor);
    CopyBits(src.get(), dst.get(), &p.rect, &p.rect, srcCopy, nilid);
  }
  showfrom(p.textworld, p.rect);
  showwholebitmap();
}

}  // namespace kv
