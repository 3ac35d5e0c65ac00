// Formatting scraps applied to a range (when text is put, pasted, dropped or undone), the
// private style and ruler scraps that undo keeps, and intelligent cut and paste of words.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fields/fieldview.h"
#include "platform/text/textservices.h"
#include "store/records.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr i32 kStylElement = 20;
constexpr u8 kSpace = ' ';

// One element of a scrap: where its span starts (relative to the range) and which element of
// the scrap's own list it applies.
struct Span {
  i32 offset;
  i32 element;
};

// The spans of a scrap's elements: those whose offsets are negative or descend are left out,
// so that every span lies in the range and spans never overlap.
std::vector<Span> ascending(const std::vector<Span>& all) {
  std::vector<Span> kept;
  for (const Span& s : all)
    if (s.offset >= 0 && (kept.empty() || s.offset >= kept.back().offset)) kept.push_back(s);
  return kept;
}

// Calls apply(from, to, element) for each span over [start, end), clipped, non-empty.
template <class Apply>
OSErr eachspan(const std::vector<Span>& spans, i32 start, i32 end, Apply apply) {
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const i64 from = i64(start) + spans[i].offset;
    const i64 to = i + 1 < spans.size() ? i64(start) + spans[i + 1].offset : end;
    const i32 s = i32(std::clamp<i64>(from, start, end)), e = i32(std::clamp<i64>(to, start, end));
    if (s < e)
      if (OSErr err = apply(s, e, spans[i].element)) return err;
  }
  return noErr;
}

// The spans of a run array ({i32 offset, i32 index} entries).
std::vector<Span> runspans(Handle runs) {
  std::vector<Span> all;
  for (i32 i = 0; i < HandleCount<WERunEntry>(runs); ++i) {
    const WERunEntry e = weelement<WERunEntry>(runs, i);
    all.push_back(Span{e.runStart, e.styleIndex});
  }
  return ascending(all);
}

// A private scrap's elements (count first, then entries of type T).
template <class T>
i32 scrapcount(Handle scrap) {
  const i32 size = GetHandleSize(scrap);
  if (size < 4) return 0;
  return std::min<i32>(i32(loadat<u32>(deref(scrap))), (size - 4) / i32(sizeof(T)));
}
template <class T>
T scrapelement(Handle scrap, i32 i) {
  return loadat<T>(deref(scrap) + 4 + std::size_t(i) * sizeof(T));
}
template <class T>
void setscrapelement(Handle scrap, i32 i, const T& t) {
  storeat(deref(scrap) + 4 + std::size_t(i) * sizeof(T), t);
}
template <class T>
OSErr insertscrapelement(Handle scrap, i32 at, const T& t) {
  const i32 n = scrapcount<T>(scrap);
  if (GetHandleSize(scrap) < 4)
    if (OSErr err = _WESplice(scrap, nullptr, 4 - GetHandleSize(scrap), -1)) return err;
  if (OSErr err = _WESplice(scrap, &t, i32(sizeof t), 4 + at * i32(sizeof t))) return err;
  storeat<u32>(deref(scrap), u32(n + 1));
  return noErr;
}

// The style of a private scrap compares as a whole; a ruler too.
template <class T, class V>
OSErr appendprivate(Handle scrap, const V& value, i32 offset) {
  if (!IsValidHandle(scrap)) return nilHandleErr;
  const i32 n = scrapcount<T>(scrap);
  if (n > 0 && _WEBlockCmp(deref(scrap) + 4 + std::size_t(n - 1) * sizeof(T) + 4, &value, sizeof value)) return noErr;
  T t;
  t.offset = offset;
  std::memcpy(reinterpret_cast<u8*>(&t) + 4, &value, sizeof value);
  return insertscrapelement(scrap, n, t);
}

template <class T, class V>
OSErr prependprivate(Handle scrap, const V& value, i32 delta) {
  if (!IsValidHandle(scrap)) return nilHandleErr;
  const i32 n = scrapcount<T>(scrap);
  if (n == 0 || !_WEBlockCmp(deref(scrap) + 4 + 4, &value, sizeof value)) {
    T t;
    t.offset = 0;
    std::memcpy(reinterpret_cast<u8*>(&t) + 4, &value, sizeof value);
    if (OSErr err = insertscrapelement(scrap, 0, t)) return err;
  }
  // Every element after the first (the new one, or the one the prepended style joins) moves on.
  for (i32 i = 1; i < scrapcount<T>(scrap); ++i) {
    T t = scrapelement<T>(scrap, i);
    t.offset += delta;
    setscrapelement(scrap, i, t);
  }
  return noErr;
}

// The spans of a private scrap.
template <class T>
std::vector<Span> privatespans(Handle scrap) {
  std::vector<Span> all;
  for (i32 i = 0; i < scrapcount<T>(scrap); ++i) all.push_back(Span{scrapelement<T>(scrap, i).offset, i});
  return ascending(all);
}

// The character type of the byte at offset, through the record's hook.
i16 chartype(const WERec& r, i32 offset, WEReference we) {
  WEExtRunInfo info;
  _WEGetExtRunInfo(offset, &info, we);
  const i16 script = _WEFontFamilyToScript(info.style.ts.font);
  const u8* t = deref(r.hText);
  if (r.charTypeHook) return r.charTypeHook(t, r.textLength, offset, script, we);
  return CharacterType(t, r.textLength, offset, script);
}

// The word around an offset through the record's hook. The hook sees a window of the text
// around the offset, so that its 16-bit answers hold in any text.
void wordat(const WERec& r, i32 offset, bool leading, OffPair* word, i32* base, WEReference we) {
  constexpr i32 kWindow = 16000;
  OffsetTable table{};
  WEExtRunInfo info;
  _WEGetExtRunInfo(leading ? offset : offset - 1, &info, we);
  const i16 script = _WEFontFamilyToScript(info.style.ts.font);
  *base = std::max(0, offset - kWindow);
  const i32 length = std::min(r.textLength, offset + kWindow) - *base;
  const u8* t = deref(r.hText) + *base;
  if (r.wordBreakHook) r.wordBreakHook(t, length, offset - *base, leading, table, script, we);
  else FindWordBreaks(t, length, offset - *base, leading, table, script);
  *word = table[0];
}

}  // namespace

OSErr _WEApplyTextEditStyleScrap(i32 start, i32 end, Handle styleScrap, WEReference we) {
  if (werec(we) == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(styleScrap)) return nilHandleErr;
  const i32 size = GetHandleSize(styleScrap);
  if (size < 2 || (size - 2) % kStylElement != 0) return weMalformedScrapErr;
  const i32 count = (size - 2) / kStylElement;
  if (count < 32767 && loadat<u16>(deref(styleScrap)) != count) return weMalformedScrapErr;
  std::vector<Span> all;
  for (i32 i = 0; i < count; ++i) all.push_back(Span{loadat<i32>(deref(styleScrap) + 2 + kStylElement * i), i});
  return eachspan(ascending(all), start, end, [&](i32 s, i32 e, i32 i) {
    const u8* el = deref(styleScrap) + 2 + kStylElement * i;
    WETextStyle ts{};
    ts.font = loadat<i16>(el + 8);
    ts.face = el[10];
    ts.size = loadat<i16>(el + 12);
    ts.color = loadat<RGBColor>(el + 14);
    return _WESetStyleRange(s, e, weDoFont | weDoFace | weDoSize | weDoColor | weDoReplaceFace, &ts, we);
  });
}

OSErr _WEApplyCharacterFormatting(i32 start, i32 end, Handle runs, Handle styles, WEReference we) {
  if (werec(we) == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(runs) || !IsValidHandle(styles)) return nilHandleErr;
  const i32 nstyles = HandleCount<WETextStyle>(styles);
  return eachspan(runspans(runs), start, end, [&](i32 s, i32 e, i32 index) {
    if (index < 0 || index >= nstyles) return OSErr(noErr);
    WETextStyle ts = weelement<WETextStyle>(styles, index);
    const Handle source = Handle(ts.object);
    ts.object = 0;
    if (OSErr err = _WESetStyleRange(s, e, weDoAll, &ts, we)) return err;
    // The scrap's object is copied to the span's first byte, in fields that allow objects.
    if (!_WEIsObject(source) || !GetAllowObjectsFlag(we)) return OSErr(noErr);
    WEObjectDescHandle object = nilhandle;
    if (OSErr err = _WEDuplicateObject(source, s, we, &object)) return err;
    WETextStyle carrier{};
    carrier.object = object;
    if (OSErr err = _WESetStyleRange(s, s + 1, weDoObject, &carrier, we)) {
      _WEFreeObject(object);
      return err;
    }
    deref(werec(we)->hText)[s] = 1;
    return OSErr(noErr);
  });
}

OSErr _WEApplyParagraphFormatting(i32 start, i32 end, Handle runs, Handle rulers, WEReference we) {
  if (werec(we) == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(runs) || !IsValidHandle(rulers)) return nilHandleErr;
  i32 from = start, to = end;
  _WEExtendToParaBoundaries(&from, &to, we);
  const i32 nrulers = HandleCount<WERuler>(rulers);
  std::vector<Span> spans = runspans(runs);
  // The last paragraph joins the one after the range unless the range ends a paragraph.
  if (end != to && !spans.empty()) spans.back().element = -1;
  // The first span reaches back to the start of its paragraph, the last on to its end.
  return eachspan(spans, start, end, [&](i32 s, i32 e, i32 index) {
    if (index < 0 || index >= nrulers) return OSErr(noErr);
    if (s == start) s = from;
    if (e == end) e = to;
    const WERuler ruler = weelement<WERuler>(rulers, index);
    return _WESetRulerRange(s, e, weDoAllRuler, &ruler, we);
  });
}

OSErr _WEApplyEncodingScrap(i32 start, i32 end, Handle encodings, WEReference we) {
  if (werec(we) == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(encodings)) return nilHandleErr;
  WEExtRunInfo at;
  _WEGetExtRunInfo(start, &at, we);
  const TextEncoding here = at.style.ts.encoding;
  std::vector<Span> all;
  for (i32 i = 0; i < HandleCount<WERunEntry>(encodings); ++i)
    all.push_back(Span{weelement<WERunEntry>(encodings, i).runStart, i});
  return eachspan(ascending(all), start, end, [&](i32 s, i32 e, i32 i) {
    const TextEncoding encoding = TextEncoding(weelement<WERunEntry>(encodings, i).styleIndex);
    if (encoding == here) return OSErr(noErr);
    WETextStyle ts{};
    if (OSErr err = _WETextEncodingToFontFamily(encoding, &ts.font)) return err;
    return _WESetStyleRange(s, e, weDoFont, &ts, we);
  });
}

OSErr _WEBuildPrivateStyleScrap(i32 start, i32 end, Handle scrap, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(scrap)) return nilHandleErr;
  SetHandleSize(scrap, 4);
  if (OSErr err = MemError()) return err;
  storeat<u32>(deref(scrap), 0);
  const i32 first = WEOffsetToRun(start, we), last = std::max(first, WEOffsetToRun(end - 1, we));
  for (i32 run = first; run <= last; ++run) {
    WEExtRunInfo info;
    _WEGetIndStyle(run, &info, we);
    if (OSErr err = insertscrapelement(scrap, run - first,
                                       WEPrivateStyle{std::max(info.runStart - start, 0), info.style.ts}))
      return err;
  }
  return noErr;
}

OSErr _WEBuildPrivateRulerScrap(i32 start, i32 end, Handle scrap, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(scrap)) return nilHandleErr;
  SetHandleSize(scrap, 4);
  if (OSErr err = MemError()) return err;
  storeat<u32>(deref(scrap), 0);
  const i32 first = WEOffsetToParaRun(start, we), last = std::max(first, WEOffsetToParaRun(end - 1, we));
  for (i32 para = first; para <= last; ++para) {
    WEParaInfo info;
    _WEGetIndRuler(para, &info, we);
    if (OSErr err = insertscrapelement(scrap, para - first,
                                       WEPrivateRuler{std::max(info.paraStart - start, 0), info.ruler}))
      return err;
  }
  return noErr;
}

OSErr _WEAppendStyleToPrivateStyleScrap(Handle scrap, const WETextStyle* style, i32 offset) {
  return appendprivate<WEPrivateStyle>(scrap, *style, offset);
}
OSErr _WEPrependStyleToPrivateStyleScrap(Handle scrap, const WETextStyle* style, i32 delta) {
  return prependprivate<WEPrivateStyle>(scrap, *style, delta);
}
OSErr _WEAppendRulerToPrivateRulerScrap(Handle scrap, const WERuler* ruler, i32 offset) {
  return appendprivate<WEPrivateRuler>(scrap, *ruler, offset);
}
OSErr _WEPrependRulerToPrivateRulerScrap(Handle scrap, const WERuler* ruler, i32 delta) {
  return prependprivate<WEPrivateRuler>(scrap, *ruler, delta);
}

OSErr _WEApplyPrivateStyleScrap(i32 start, i32 end, Handle scrap, WEReference we) {
  if (werec(we) == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(scrap)) return nilHandleErr;
  return eachspan(privatespans<WEPrivateStyle>(scrap), start, end, [&](i32 s, i32 e, i32 i) {
    const WETextStyle ts = scrapelement<WEPrivateStyle>(scrap, i).style;
    return _WESetStyleRange(s, e, weDoAll | weDoHilite, &ts, we);
  });
}

OSErr _WEApplyPrivateRulerScrap(i32 start, i32 end, Handle scrap, WEReference we) {
  if (werec(we) == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(scrap)) return nilHandleErr;
  return eachspan(privatespans<WEPrivateRuler>(scrap), start, end, [&](i32 s, i32 e, i32 i) {
    const WERuler ruler = scrapelement<WEPrivateRuler>(scrap, i).ruler;
    return _WEReplaceRulerRange(s, e, &ruler, we);
  });
}

bool _WEIsPunct(i32 offset, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || offset < 0 || offset >= r->textLength) return true;
  const i16 type = chartype(*r, offset, we);
  const i16 cls = i16(type & smcClassMask);
  return (type & smcTypeMask) == smCharPunct && (cls == smPunctNormal || cls == smPunctBlank);
}

bool _WEIsWordRange(i32 start, i32 end, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || start >= end) return false;
  OffPair first, last;
  i32 firstbase = 0, lastbase = 0;
  wordat(*r, start, true, &first, &firstbase, we);
  wordat(*r, end, false, &last, &lastbase, we);
  return first.offFirst + firstbase == start && last.offSecond + lastbase == end;
}

void _WEIntelligentCut(i32* start, i32* end, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || !_WEIsWordRange(*start, *end, we)) return;
  if (_WEIsPunct(*start, we) || _WEIsPunct(*end - 1, we)) return;
  if (WEGetChar(*start - 1, we) == kSpace && *start > 0) --*start;
  else if (WEGetChar(*end, we) == kSpace && *end < r->textLength) ++*end;
}

i16 _WEIntelligentPaste(i32 start, i32 end, WEReference we) {
  if (werec(we) == nullptr || start >= end) return 0;
  if (_WEIsPunct(start, we) || _WEIsPunct(end - 1, we)) return 0;
  if (_WEIsPunct(start - 1, we)) return _WEIsPunct(end, we) ? 0 : 1;
  return _WEIsPunct(end, we) ? -1 : 0;
}

}  // namespace kv
