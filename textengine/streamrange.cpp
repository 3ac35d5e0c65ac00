// A range of a record in each of the engine's flavours: plain and Unicode text, the style
// scrap, 'STXT', the character and paragraph run scraps with their style and ruler lists, the
// embedded objects and the font table; WEStreamRange writes any of them into a caller's block.
// The layouts are those of westreams.h and werecord.h, in host order.
#include <algorithm>
#include <vector>

#include "fields/rtfwriter.h"
#include "platform/fonts/fonts.h"
#include "platform/scrap/scrap.h"
#include "store/records.h"
#include "textengine/westreams.h"

namespace kv {

namespace {

constexpr i32 kStylCap = 32767, kStylElement = 20;

const OSType kRecordType = fourcc("reco");

struct Range {
  i32 start, end;
};

// The style runs (paragraph runs) a range touches: from the one holding its start to the one
// holding its last character.
Range runrange(i32 start, i32 end, WEReference we) {
  const i32 first = WEOffsetToRun(start, we);
  return Range{first, std::max(first, WEOffsetToRun(end - 1, we))};
}
Range pararange(i32 start, i32 end, WEReference we) {
  const i32 first = WEOffsetToParaRun(start, we);
  return Range{first, std::max(first, WEOffsetToParaRun(end - 1, we))};
}

// Position of a table index in a unique list, or -1.
template <class U>
i32 positionin(Handle unique, i32 index) {
  for (i32 i = 0; i < HandleCount<U>(unique); ++i)
    if (weelement<U>(unique, i).index == index) return i;
  return -1;
}

OSErr setbytes(Handle block, const void* data, i32 size) {
  SetHandleSize(block, size);
  if (OSErr err = MemError()) return err;
  if (size > 0) std::memcpy(deref(block), data, std::size_t(size));
  return noErr;
}

// A run scrap ('WEcf', 'WEpf'): per run {start relative to the range (the first 0), position
// of its style or ruler in the unique list}.
template <class Entry, class Unique>
OSErr buildrunscrap(i32 start, Range runs, Handle table, Handle unique, Handle scrap) {
  std::vector<WERunEntry> out;
  for (i32 i = runs.start; i <= runs.end; ++i) {
    const Entry e = weelement<Entry>(table, i);
    const WERunEntry w{i == runs.start ? 0 : loadat<i32>(reinterpret_cast<const u8*>(&e)) - start,
                       positionin<Unique>(unique, loadat<i32>(reinterpret_cast<const u8*>(&e) + 4))};
    out.push_back(w);
  }
  return setbytes(scrap, out.data(), i32(out.size() * sizeof(WERunEntry)));
}

template <class T>
OSErr writevalue(WEStream* w, OSType key, OSType type, const T& value) {
  return _WEStream_WriteKeyDesc(w, key, type, &value, i32(sizeof(T)));
}
OSErr writebool(WEStream* w, OSType key) {
  const u8 one = 1;
  return _WEStream_WriteKeyDesc(w, key, fourcc("bool"), &one, 1);
}

const OSType kFaceTags[8] = {fourcc("bold"), fourcc("ital"), fourcc("undl"), fourcc("outl"),
                             fourcc("shad"), fourcc("cond"), fourcc("pexp"), fourcc("grup")};
const OSType kExtraFaceTags[8] = {fourcc("strk"), fourcc("dstr"), fourcc("smcp"), fourcc("alcp"),
                                  fourcc("lowc"), fourcc("hidn"), fourcc("embo"), fourcc("engr")};
const OSType kUnderlineTags[9] = {fourcc("deft"), fourcc("word"), fourcc("dubl"), fourcc(".   "), fourcc("-   "),
                                  fourcc(".-  "), fourcc("..- "), fourcc("thck"), fourcc("wave")};

bool isblack(const RGBColor& c) { return c.red == 0 && c.green == 0 && c.blue == 0; }
bool iswhite(const RGBColor& c) { return c.red == 65535 && c.green == 65535 && c.blue == 65535; }

}  // namespace

OSType _WEUnderlineStyleTag(u16 code) { return code < 9 ? kUnderlineTags[code] : kUnderlineTags[0]; }
bool _WEUnderlineStyleCode(OSType tag, u16* code) {
  for (u16 i = 0; i < 9; ++i)
    if (kUnderlineTags[i] == tag) {
      *code = i;
      return true;
    }
  return false;
}

// --- Unique styles and rulers, run scraps ----------------------------------------------------------

OSErr _WEGetUniqueRulers(i32 start, i32 end, Handle out, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(out)) return nilHandleErr;
  const Range paras = pararange(start, end, we);
  std::vector<bool> used(std::size_t(std::max(r->nRulers, 0)), false);
  for (i32 p = paras.start; p <= paras.end; ++p) {
    const i32 index = weelement<WEParaRunEntry>(r->hParaRuns, p).rulerIndex;
    if (index >= 0 && index < r->nRulers) used[std::size_t(index)] = true;
  }
  SetHandleSize(out, Size(std::count(used.begin(), used.end(), true)) * Size(sizeof(WEUniqueRuler)));
  if (OSErr err = MemError()) return err;
  i32 n = 0;
  for (i32 i = 0; i < r->nRulers; ++i)
    if (used[std::size_t(i)])
      setweelement(out, n++, WEUniqueRuler{i, weelement<WERulerTableEntry>(r->hRulers, i).ruler});
  return noErr;
}

OSErr _WEBuildCharFormatScrap(i32 start, i32 end, Handle scrap, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  Handle unique = NewHandle(0);
  if (unique == nilhandle) return memFullErr;
  OSErr err = _WEGetUniqueStyles(start, end, unique, we);
  if (err == noErr)
    err = buildrunscrap<WERunEntry, WEUniqueStyle>(start, runrange(start, end, we), werec(we)->hRuns, unique, scrap);
  DisposeHandle(unique);
  return err;
}

OSErr _WEBuildParaFormatScrap(i32 start, i32 end, Handle scrap, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  Handle unique = NewHandle(0);
  if (unique == nilhandle) return memFullErr;
  OSErr err = _WEGetUniqueRulers(start, end, unique, we);
  if (err == noErr)
    err = buildrunscrap<WEParaRunEntry, WEUniqueRuler>(start, pararange(start, end, we), werec(we)->hParaRuns, unique,
                                                       scrap);
  DisposeHandle(unique);
  return err;
}

// --- Style and ruler lists -------------------------------------------------------------------------

OSErr _WEAddObjectToStream(WEObjectDescHandle object, u16 flags, WEStream* w) {
  if (!_WEIsObject(object)) return noErr;
  Handle data = NewHandle(0);
  if (data == nilhandle) return memFullErr;
  OSType kind = 0;
  bool callers = true;
  OSErr err = _WEStreamObject(i16(flags & 0xFF), &kind, &data, &callers, object);
  if (err == noErr) {
    const i32 size = IsValidHandle(data) ? i32(GetHandleSize(data)) : 0;
    err = _WEStream_WriteKeyDesc(w, fourcc("obj "), kind, size > 0 ? deref(data) : nullptr, size);
  }
  if (callers && IsValidHandle(data)) DisposeHandle(data);
  if (err != noErr) return err;
  const WEObjectDesc d = weelement<WEObjectDesc>(object, 0);
  const Point size{d.height, d.width};
  if ((err = writevalue(w, fourcc("objs"), fourcc("QDpt"), size))) return err;
  if (d.baseline != 0) err = writevalue(w, fourcc("objb"), fourcc("shor"), d.baseline);
  return err;
}

OSErr _WEAddStyleToStream(const WEStyle& style, u16 flags, WEStream* w, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  const WETextStyle& ts = style.ts;
  if (OSErr err = _WEStream_OpenRecord(w, kRecordType)) return err;
  OSErr err = writevalue(w, fourcc("extp"), fourcc("long"), ts.encoding);
  if (!err) err = writevalue(w, fourcc("fnt#"), fourcc("shor"), ts.font);
  if (!err) {
    Str255 name{};
    _WEFontFamilyToQDFontName(ts.font, name, r->familyToFontNameHook);
    err = _WEStream_WriteKeyDesc(w, fourcc("font"), fourcc("TEXT"), name + 1, name[0]);
  }
  if (!err) err = writevalue(w, fourcc("ptsz"), fourcc("fixd"), Fixed(i32(ts.size) * 65536));
  for (int bit = 0; bit < 8 && !err; ++bit)
    if (ts.face & (1u << bit)) err = writebool(w, kFaceTags[bit]);
  for (int bit = 0; bit < 8 && !err; ++bit)
    if (ts.extraFace & (1u << bit)) err = writebool(w, kExtraFaceTags[bit]);
  if (!err && ts.setting != 0 && ts.setting < 9)
    err = writevalue(w, fourcc("unds"), fourcc("enum"), _WEUnderlineStyleTag(ts.setting));
  if (!err && ts.language != 0) {
    char text[32] = {};
    if (_WEGetLanguage(ts.language, text, i32(sizeof text)) == noErr && text[0] != 0)
      err = _WEStream_WriteKeyDesc(w, fourcc("lang"), fourcc("TEXT"), text, i32(std::strlen(text)));
  }
  if (!err && !isblack(ts.color)) err = writevalue(w, fourcc("colr"), fourcc("cRGB"), ts.color);
  if (!err && !iswhite(ts.backColor)) err = writevalue(w, fourcc("pbcl"), fourcc("cRGB"), ts.backColor);
  if (!err && ts.transferMode != 1) err = writevalue(w, fourcc("pptm"), fourcc("shor"), ts.transferMode);
  if (!err && ts.vShift != 0) err = writevalue(w, fourcc("xshf"), fourcc("fixd"), Fixed(i32(ts.vShift) * 65536));
  if (!err && (flags & 0x100) && ts.object != 0) err = _WEAddObjectToStream(ts.object, flags, w);
  if (!err) err = _WEStream_CloseRecord(w);
  return err;
}

OSErr _WEAddRulerToStream(const WERuler& ruler, WEStream* w) {
  if (OSErr err = _WEStream_OpenRecord(w, kRecordType)) return err;
  OSErr err = noErr;
  if (ruler.direction != 1) {
    const OSType dir = ruler.direction == -1 ? fourcc("R->L") : ruler.direction == 0 ? fourcc("L->R") : fourcc("deft");
    err = writevalue(w, fourcc("LDIR"), fourcc("enum"), dir);
  }
  if (!err) {
    OSType just = fourcc("deft");
    switch (ruler.alignment) {
      case -2: just = fourcc("left"); break;
      case -1: just = fourcc("rght"); break;
      case 1: just = fourcc("cent"); break;
      case 2: just = fourcc("full"); break;
      default: break;
    }
    err = writevalue(w, fourcc("pjst"), fourcc("enum"), just);
  }
  const std::pair<OSType, Fixed> fixeds[] = {
      {fourcc("ledg"), ruler.lineSpacing},     {fourcc("lein"), ruler.leftIndent},  {fourcc("riin"), ruler.rightIndent},
      {fourcc("fidt"), ruler.firstLineIndent}, {fourcc("spbe"), ruler.spaceBefore}, {fourcc("spaf"), ruler.spaceAfter}};
  for (const auto& [key, value] : fixeds)
    if (!err && value != 0) err = writevalue(w, key, fourcc("fixd"), value);
  if (!err && ruler.borderStyle != 0) {
    const OSType border = ruler.borderStyle == 2   ? fourcc("DTDL")
                          : ruler.borderStyle == 3 ? fourcc("THKL")
                                                   : fourcc("SLDL");
    err = writevalue(w, fourcc("BBRD"), fourcc("enum"), border);
  }
  if (!err) err = _WEStream_CloseRecord(w);
  return err;
}

OSErr _WEBuildStyleScrap(i32 start, i32 end, Handle scrap, u16 flags, WEReference we) {
  if (werec(we) == nullptr) return weBadReferenceErr;
  Handle unique = NewHandle(0);
  if (unique == nilhandle) return memFullErr;
  OSErr err = _WEGetUniqueStyles(start, end, unique, we);
  WEStream w{};
  if (err == noErr) err = _WEStream_Open(scrap, &w);
  if (err == noErr) err = _WEStream_OpenList(&w);
  for (i32 i = 0; err == noErr && i < HandleCount<WEUniqueStyle>(unique); ++i)
    err = _WEAddStyleToStream(weelement<WEUniqueStyle>(unique, i).style, flags, &w, we);
  if (err == noErr) err = _WEStream_CloseList(&w);
  if (err == noErr) err = _WEStream_Close(&w);
  DisposeHandle(unique);
  return err;
}

OSErr _WEBuildRulerScrap(i32 start, i32 end, Handle scrap, WEReference we) {
  if (werec(we) == nullptr) return weBadReferenceErr;
  Handle unique = NewHandle(0);
  if (unique == nilhandle) return memFullErr;
  OSErr err = _WEGetUniqueRulers(start, end, unique, we);
  WEStream w{};
  if (err == noErr) err = _WEStream_Open(scrap, &w);
  if (err == noErr) err = _WEStream_OpenList(&w);
  for (i32 i = 0; err == noErr && i < HandleCount<WEUniqueRuler>(unique); ++i)
    err = _WEAddRulerToStream(weelement<WEUniqueRuler>(unique, i).ruler, &w);
  if (err == noErr) err = _WEStream_CloseList(&w);
  if (err == noErr) err = _WEStream_Close(&w);
  DisposeHandle(unique);
  return err;
}

// --- 'styl', 'STXT' and the soup --------------------------------------------------------------------

i32 _WECalcTextEditStyleScrapSize(i32 start, i32 end, WEReference we) {
  if (werec(we) == nullptr) return 0;
  const Range runs = runrange(start, end, we);
  return 2 + kStylElement * std::min(runs.end - runs.start + 1, kStylCap);
}

OSErr _WEFillTextEditStyleScrap(i32 start, i32 end, Handle scrap, WEReference we) {
  if (werec(we) == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(scrap)) return nilHandleErr;
  const Range runs = runrange(start, end, we);
  const i32 count = std::min(runs.end - runs.start + 1, kStylCap);
  if (GetHandleSize(scrap) < 2 + kStylElement * count) return paramErr;
  u8* p = deref(scrap);
  storeat<u16>(p, u16(count));
  for (i32 i = 0; i < count; ++i) {
    WEExtRunInfo info;
    _WEGetIndStyle(runs.start + i, &info, we);
    u8* el = deref(scrap) + 2 + kStylElement * i;
    storeat<i32>(el, i == 0 ? 0 : info.runStart - start);
    storeat<u16>(el + 4, info.style.runHeight);
    storeat<u16>(el + 6, info.style.runAscent);
    storeat<i16>(el + 8, info.style.ts.font);
    el[10] = info.style.ts.face;
    el[11] = 0;
    storeat<i16>(el + 12, info.style.ts.size);
    storeat<RGBColor>(el + 14, info.style.ts.color);
  }
  return noErr;
}

OSErr _WEBuildSTXT(i32 start, i32 end, Handle scrap, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  const i32 length = end - start, even = length + (length & 1);
  const i32 styl = _WECalcTextEditStyleScrapSize(start, end, we);
  SetHandleSize(scrap, 32 + even + styl);
  if (OSErr err = MemError()) return err;
  u8* p = deref(scrap);
  const u32 head[5] = {2, 0, fourcc("ktxt"), fourcc("TEXT"), u32(length)};
  std::memcpy(p, head, sizeof head);
  if (length > 0) std::memcpy(p + 20, deref(werec(we)->hText) + start, std::size_t(length));
  if (length & 1) p[20 + length] = 0;
  const u32 mid[3] = {fourcc("ksty"), fourcc("styl"), u32(styl)};
  std::memcpy(p + 20 + even, mid, sizeof mid);
  // The style scrap goes last, built in a block of its own.
  Handle s = NewHandle(styl);
  if (s == nilhandle) return memFullErr;
  const OSErr err = _WEFillTextEditStyleScrap(start, end, s, we);
  if (err == noErr) std::memcpy(deref(scrap) + 32 + even, deref(s), std::size_t(styl));
  DisposeHandle(s);
  return err;
}

OSErr _WEBuildSoup(i32 start, i32 end, Handle soup, i16 flags, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  SetHandleSize(soup, 0);
  if (OSErr err = MemError()) return err;
  for (Handle h = r->objectList; _WEIsObject(h);) {
    const WEObjectDesc d = weelement<WEObjectDesc>(h, 0);
    if (d.offset >= end || d.offset >= werec(we)->textLength) break;
    if (d.offset >= start) {
      Handle data = NewHandle(0);
      if (data == nilhandle) return memFullErr;
      OSType kind = d.kind;
      bool callers = true;
      OSErr err = _WEStreamObject(flags, &kind, &data, &callers, h);
      if (err == noErr) {
        const i32 size = IsValidHandle(data) ? i32(GetHandleSize(data)) : 0;
        const WESoupHeader header{d.offset - start, kind, 0, size, d.height, d.width, d.baseline, 0};
        err = _WESplice(soup, &header, i32(sizeof header), -1);
        if (err == noErr && size > 0) err = _WESplice(soup, deref(data), size, -1);
      }
      if (callers && IsValidHandle(data)) DisposeHandle(data);
      if (err != noErr) return err;
    }
    h = d.next;
  }
  return noErr;
}

// --- WEStreamRange ------------------------------------------------------------------------------

OSErr WEStreamRange(i32 start, i32 end, OSType flavor, u16 flags, Handle block, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(block)) return nilHandleErr;
  if (start == -1) start = r->selStart;
  if (end == -1) end = r->selEnd;
  start = _WEPinInRange(start, 0, r->textLength);
  end = _WEPinInRange(end, 0, r->textLength);
  if (start > end) return paramErr;
  const i16 objectflags = i16(flags & 0xFF);
  switch (flavor) {
    case fourcc("TEXT"): return setbytes(block, deref(r->hText) + start, end - start);
    case fourcc("utxt"): return WEGetTextRangeAsUnicode(start, end, block, nilhandle, nilhandle, 0, 0, 0, we);
    case fourcc("UTF8"): return WEGetTextRangeAsUnicode(start, end, block, nilhandle, nilhandle, 0, 2, 0, we);
    case fourcc("styl"): {
      const i32 size = _WECalcTextEditStyleScrapSize(start, end, we);
      SetHandleSize(block, size);
      if (OSErr err = MemError()) return err;
      return _WEFillTextEditStyleScrap(start, end, block, we);
    }
    case fourcc("STXT"): return _WEBuildSTXT(start, end, block, we);
    case fourcc("WEcf"): return _WEBuildCharFormatScrap(start, end, block, we);
    case fourcc("WEst"): return _WEBuildStyleScrap(start, end, block, flags, we);
    case fourcc("WEpf"): return _WEBuildParaFormatScrap(start, end, block, we);
    case fourcc("WEru"): return _WEBuildRulerScrap(start, end, block, we);
    case fourcc("SOUP"): return _WEBuildSoup(start, end, block, objectflags, we);
    case fourcc("FISH"): return _WEBuildFontTableForRange(start, end, block, nullptr, we);
    case fourcc("RTF "): {
      const int32_t err = RTFWriteHandleCrutch(start, end, we, block, nullptr, 0);
      return err == noErr ? OSErr(noErr) : err >= -32768 && err <= 32767 ? OSErr(err) : OSErr(paramErr);
    }
    default: return weUnknownFlavorErr;
  }
}

OSErr WECopyRange(i32 start, i32 end, Handle text, Handle styles, Handle soup, WEReference we) {
  if (text != nilhandle)
    if (OSErr err = WEStreamRange(start, end, fourcc("TEXT"), 0, text, we)) return err;
  if (styles != nilhandle)
    if (OSErr err = WEStreamRange(start, end, fourcc("styl"), 0, styles, we)) return err;
  if (soup != nilhandle)
    if (OSErr err = WEStreamRange(start, end, fourcc("SOUP"), 2, soup, we)) return err;
  return noErr;
}

// --- The clipboard ---------------------------------------------------------------------------------

OSErr _WEPutScrapHandle(OSType flavor, Handle block) {
  if (!IsValidHandle(block)) return nilHandleErr;
  ScrapRef scrap = 0;
  if (OSStatus err = GetCurrentScrap(&scrap)) return OSErr(err);
  const Size size = GetHandleSize(block);
  return OSErr(PutScrapFlavor(scrap, flavor, 0, size, size > 0 ? deref(block) : nullptr));
}

OSErr WECopy(WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->selStart == r->selEnd) return weEmptySelectionErr;
  ClearCurrentScrap();
  Handle scratch = NewHandle(0);
  if (scratch == nilhandle) return memFullErr;
  OSErr result = noErr;
  WEObjectDescHandle object = nilhandle;
  if (WEGetSelectedObject(&object, we) == noErr) {
    // One object alone goes as its own flavour.
    OSType kind = 0;
    bool callers = true;
    result = _WEStreamObject(0, &kind, &scratch, &callers, object);
    if (result == noErr) result = _WEPutScrapHandle(kind, scratch);
    if (callers && IsValidHandle(scratch)) DisposeHandle(scratch);
    return result;
  }
  static const OSType kFlavors[] = {fourcc("RTF "), fourcc("TEXT"), fourcc("styl"), fourcc("FISH"), fourcc("WEpf"),
                                    fourcc("WEru"), fourcc("WEcf"), fourcc("WEst"), fourcc("SOUP")};
  const bool mono = (r->features & (1u << weFMonoStyled)) != 0;
  for (OSType flavor : kFlavors) {
    if (mono && flavor != fourcc("TEXT")) continue;
    OSErr err = WEStreamRange(-1, -1, flavor, 0, scratch, we);
    if (err == noErr) err = _WEPutScrapHandle(flavor, scratch);
    // A flavour that cannot be made is left out; without the text there is no copy.
    if (err != noErr && flavor == fourcc("TEXT")) {
      result = err;
      break;
    }
  }
  DisposeHandle(scratch);
  return result;
}

}  // namespace kv
