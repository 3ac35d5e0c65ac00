// The program's hooks: the line break at returns only for fields that do not wrap, the erase
// that restores the program's colours, and the tab hooks that expand tabs to fixed stops (and
// draw the grey underline of grouped text while groups are shown).
#include <algorithm>

#include "engine/objectutil.h"
#include "fields/fieldview.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/qd/shapes.h"
#include "platform/windows/theme.h"
#include "core/mainglobals.h"
#include "shell/portroutines.h"
#include "store/liveparts.h"
#include "system/proctable.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr u8 kTab = 9;
constexpr u8 kReturn = 13;
constexpr u8 kGroupFace = 0x80;
constexpr i32 kDefaultTabSize = 36;
constexpr OSType kCreator = fourcc("VIZU");
constexpr OSType kTabMarker = fourcc("tabs");
constexpr OSType kTabSizeTag = fourcc("tbsz");

bool pasting() { return mainglobals().pasteinprogress != 0; }

// The record's tab size; a size of 0 or below counts as 36, so that no stop is 0 wide.
i32 tabsize(WEReference we) {
  const i32 t = WEGetTabSize(we);
  return t > 0 ? t : kDefaultTabSize;
}

// The advance of a tab at pixel position x (measured from the stops' origin): to the next
// stop, a whole stop when x is on one.
i32 tabadvance(i32 x, i32 t) {
  const i32 m = ((x % t) + t) % t;
  return t - m;
}

i16 pin16(i32 v) { return i16(std::clamp(v, -32768, 32767)); }

// The break routine of a tabbed segment: returns only for fields that do not wrap, else the
// platform's line break.
i16 breaksegment(const u8* text, i32 length, i32 start, i32 end, Fixed* width, i32* offset, WEReference we) {
  if (GetDontWrapFlag(we)) return _WENoWrapLineBreak(text, length, start, end, width, offset, we);
  return StyledLineBreak(text, length, start, end, 0, width, offset);
}

template <class P>
OSErr sethook(OSType selector, P proc, WEReference we) {
  return WESetInfo(selector, &proc, we);
}

// The pen indent of the line holding the segment that starts at text.
i32 penindent(const u8* text, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return 0;
  const i32 offset = i32(text - deref(r->hText));
  if (offset < 0 || offset > r->textLength) return 0;
  const WELineRec line = weelement<WELineRec>(r->hLines, WEOffsetToLine(offset, we));
  WEParaInfo para;
  _WEGetExtParaInfo(offset, &para, we);
  return _WECalcPenIndent(line, para.ruler, we);
}

}  // namespace

// --- Returns-only break and coloured erase -----------------------------------------------------

i16 _WENoWrapLineBreak(const u8* text, i32, i32 start, i32 end, Fixed*, i32* offset, WEReference) {
  for (i32 i = start; i < end; ++i) {
    if (text[i] == kReturn) {
      *offset = i + 1;
      return smBreakWord;
    }
  }
  *offset = std::max(start, end);
  return smBreakOverflow;
}

void _WEColorizedErase(const Rect* r, WEReference) {
  NormalizeThemeDrawingState();
  EraseRect(r);
  restcolor();
}

OSErr WEInstallCrOnlyHook(WEReference we) {
  return sethook<WELineBreakProcPtr>(fourcc("lbrk"), _WENoWrapLineBreak, we);
}
OSErr WERemoveCrOnlyHook(WEReference we) { return sethook<WELineBreakProcPtr>(fourcc("lbrk"), nullptr, we); }
bool WEIsCrOnly(WEReference we) {
  const WERec* r = werec(we);
  return r != nullptr && r->lineBreakHook == &_WENoWrapLineBreak;
}

OSErr WEInstallEraseHook(WEReference we) { return sethook<WEEraseProcPtr>(fourcc("eras"), _WEColorizedErase, we); }
OSErr WERemoveEraseHook(WEReference we) { return sethook<WEEraseProcPtr>(fourcc("eras"), nullptr, we); }

// --- Tab size --------------------------------------------------------------------------------

i32 WEGetTabSize(WEReference we) {
  i32 size = kDefaultTabSize;
  WEGetUserInfo(kTabSizeTag, &size, we);
  return size;
}

OSErr WESetTabSize(i32 size, WEReference we) {
  if (!isvalidwerec(we)) return weBadReferenceErr;
  if (pasting()) return noErr;
  if (size <= 0) size = mainglobals().tabSize;
  return WESetUserInfo(kTabSizeTag, size > 0 ? size : kDefaultTabSize, we);
}

void resetglobaltabs() {
  if (pasting()) return;
  const MainGlobals& g = mainglobals();
  const i32 windows = g.winds ? std::min<i32>(g.numwinds, HandleCount<desk>(g.winds)) : 0;
  for (i32 w = windows - 1; w >= 0; --w) {
    const desk d = HandleAs<desk>(mainglobals().winds)[w];
    for (Handle list : {d.backspots, d.cardspots}) {
      if (list == nilhandle) continue;
      for (i32 i = 0; i < HandleCount<spot>(list); ++i) {
        const spot s = HandleAs<spot>(list)[i];
        if (!usesenginetwo(&s)) continue;
        if (const WEReference we = livefield(s); isvalidwerec(we)) WESetTabSize(mainglobals().tabSize, we);
      }
    }
  }
}

// --- Tab hooks -------------------------------------------------------------------------------

OSErr WEInstallTabHooks(WEReference we, i32 size) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!pasting()) WESetUserInfo(kTabSizeTag, size != 0 ? size : mainglobals().tabSize, we);
  const u32 marker = 1;
  OSErr err = WESetProperty(kCreator, kTabMarker, sizeof marker, &marker, we);
  const WELineBreakProcPtr linebreak = GetDontWrapFlag(we) ? &_WENoWrapLineBreak : getproc<386>();
  for (OSErr e : {sethook(fourcc("draw"), getproc<383>(), we), sethook(fourcc("p2c "), getproc<384>(), we),
                  sethook(fourcc("c2p "), getproc<385>(), we), sethook(fourcc("lbrk"), linebreak, we)})
    if (err == noErr) err = e;
  i32 stored = 0;
  if (WEGetUserInfo(kTabSizeTag, &stored, we) == noErr && stored == 0) {
    const i16 wasinhibited = WEFeatureFlag(weFInhibitRecal, 1, we);
    if (!pasting()) WESetUserInfo(kTabSizeTag, kDefaultTabSize, we);
    WEFeatureFlag(weFInhibitRecal, wasinhibited, we);
  }
  return err;
}

OSErr WERemoveTabHooks(WEReference we) {
  if (!isvalidwerec(we)) return weBadReferenceErr;
  OSErr err = WERemoveProperty(kCreator, kTabMarker, we);
  if (err == weNoPropertyErr) err = noErr;
  const WELineBreakProcPtr linebreak = GetDontWrapFlag(we) ? &_WENoWrapLineBreak : nullptr;
  for (OSErr e : {sethook<WEDrawTextProcPtr>(fourcc("draw"), nullptr, we),
                  sethook<WEPixelToCharProcPtr>(fourcc("p2c "), nullptr, we),
                  sethook<WECharToPixelProcPtr>(fourcc("c2p "), nullptr, we), sethook(fourcc("lbrk"), linebreak, we)})
    if (err == noErr) err = e;
  WERemoveUserInfo(kTabSizeTag, we);
  return err;
}

bool WEIsTabHooks(WEReference we) {
  const WERec* r = werec(we);
  return r != nullptr && r->pixelToCharHook != nullptr && r->pixelToCharHook == getproc<384>();
}

void _WETabDrawText(const u8* text, i32 length, Fixed, i16, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || length <= 0) return;
  const i32 t = tabsize(we), left = r->destRect.left;
  const CGrafPtr port = currentportid();
  const Style face = GetPortTextFace(port);
  const bool grouped = (face & kGroupFace) != 0;
  i32 tabwidth = 0;
  if (grouped) {
    TextFace(Style(face & ~kGroupFace));
    tabwidth = CharWidth(kTab);
  }
  Point start;
  GetPen(&start);
  i32 extra = 0;  // what the tabs advance beyond a tab character's own width
  i32 from = 0;
  for (i32 i = 0; i <= length; ++i) {
    if (i < length && text[i] != kTab) continue;
    if (i > from) DrawText(text, i16(from), i16(std::min(i - from, 32767)));
    if (i == length) break;
    Point pen;
    GetPen(&pen);
    const i32 advance = tabadvance(pen.h - left, t);
    MoveTo(pin16(pen.h + advance), pen.v);
    extra += advance - tabwidth;
    from = i + 1;
  }
  if (!grouped) return;
  const i32 width = TextWidth(text, 0, i16(std::min(length, 32767))) + extra;
  TextFace(face);
  if (text[0] != kReturn) _WEDrawGroupUnderline(start, width);
}

i32 _WETabCharToPixel(const u8* text, i32 length, Fixed slop, i32 offset, i16 direction, i16, i32 startPosition,
                      WEReference we) {
  const i32 t = tabsize(we);
  // Stops are measured from the line's left edge, as drawing measures them: the pen indent
  // comes before the segment's position.
  const i32 indent = penindent(text, we);
  i32 x = 0, from = 0;
  for (i32 i = 0; i < std::min(offset, length); ++i) {
    if (text[i] != kTab) continue;
    x += TextWidth(text, i16(from), i16(i - from));
    x += tabadvance(startPosition + indent + x, t);
    from = i + 1;
  }
  return x + CharToPixel(text + from, length - from, slop, offset - from, direction, Point{1, 1}, Point{1, 1});
}

i32 _WETabPixelToChar(const u8* text, i32 length, Fixed slop, Fixed* width, bool* leadingEdge, i16, i32 startPosition,
                      WEReference we) {
  const i32 t = tabsize(we);
  const i32 indent = penindent(text, we);
  const Fixed given = *width;
  Fixed w = given;
  i32 from = 0, offset = 0;
  for (i32 i = 0; i <= length; ++i) {
    if (i < length && text[i] != kTab) continue;
    // The text before the tab (or the end).
    Fixed rest = w;
    const i32 n = PixelToChar(text + from, i - from, slop, w, leadingEdge, &rest, 0, Point{1, 1}, Point{1, 1});
    offset = from + n;
    if (rest < 0) {
      *width = rest;
      return offset;
    }
    w = rest;
    if (i == length) break;
    // The tab: a hit on its right half lands after it, on its left half before it.
    const i32 consumed = i32((i64(given) - w + 0x8000) >> 16);
    const Fixed a = Fixed(tabadvance(consumed + startPosition + indent, t)) << 16;
    if (w < a) {
      const bool right = w > a / 2;
      *leadingEdge = !right;
      *width = -0x10000;
      return right ? i + 1 : i;
    }
    w -= a;
    offset = i + 1;
    from = i + 1;
  }
  *width = i32((i64(w) + 0x8000) & ~i64(0xFFFF));
  return offset;
}

i16 _WETabLineBreak(const u8* text, i32 length, i32 start, i32 end, Fixed* width, i32* offset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return smBreakOverflow;
  if (start >= end) return breaksegment(text, length, start, start, width, offset, we);
  const i32 t = tabsize(we), linewidth = r->destRect.right - r->destRect.left;
  i32 from = start;
  i32 stop = end;
  for (i32 i = start; i < end; ++i) {
    if (text[i] == kReturn) {
      stop = i + 1;
      break;
    }
    if (text[i] != kTab) continue;
    const i16 result = breaksegment(text, length, from, i, width, offset, we);
    if (result != smBreakOverflow || i >= length) return result;
    const i32 advance = tabadvance(linewidth - (*width >> 16), t);
    if (*width < (Fixed(advance) << 16)) {
      *offset = i + 1;
      return smBreakWord;
    }
    *width -= Fixed(advance) << 16;
    from = i + 1;
  }
  return breaksegment(text, length, from, stop, width, offset, we);
}

}  // namespace kv
