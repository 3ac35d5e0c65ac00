// Fonts of styles: the style copy rule every style change goes through, font metrics, the
// mapping between font names and this machine's family numbers (with the record's hooks),
// font tables ('FISH') built and applied, and the continuous style and ruler of a selection.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/fonts/scriptmanager.h"
#include "platform/qd/ports.h"
#include "platform/qd/qdtext.h"
#include "platform/text/casefold.h"
#include "store/records.h"
#include "textengine/weinternal.h"

namespace kv {

// A font table's header and entries, in host order.
#define KV_FONTTABLEHEADER_FIELDS(F) F(OSType, tag, 0) F(u32, version, 4) F(u32, count, 8) F(u32, reserved, 12)
KV_STORED_RECORD(FontTableHeader, 16, KV_FONTTABLEHEADER_FIELDS)
#define KV_FONTTABLEENTRY_FIELDS(F) \
  F(i16, storedFamily, 0) F(i16, localFamily, 2) F(u32, encoding, 4) F(u32, reserved, 8) F(u32, nameOffset, 12)
KV_STORED_RECORD(FontTableEntry, 16, KV_FONTTABLEENTRY_FIELDS)

namespace {

constexpr OSType kFontTableTag = fourcc("FISH");
constexpr u32 kFontTableVersion = 0x01018000;
constexpr i32 kHeaderSize = 16;
constexpr i32 kEntrySize = 16;

i16 pinshift(i32 v) { return i16(std::clamp(v, -8192, 8191)); }
i16 pinsize(i32 v) { return i16(std::clamp(v, 1, 32767)); }
i32 sizeof0(i16 size) { return size == 0 ? 12 : size; }

u8 copyface(const WETextStyle& src, u8 old, u8 continuousFace, u32 mode) {
  u8 face;
  if (mode & weDoFaceMask) {
    face = u8((src.face & src.direction) | (old & ~src.direction));
  } else if (src.face == 0 || (mode & weDoReplaceFace)) {
    face = src.face;
  } else if (mode & weDoToggleFace) {
    face = u8((continuousFace ^ src.face) | (old & ~src.face));
  } else {
    face = u8(src.face | old);
  }
  // Condense and extend exclude each other: the one the source brings wins.
  if (src.face & facecondense) face = u8(face & ~faceextend);
  if (src.face & faceextend) face = u8(face & ~facecondense);
  return face;
}

bool samecolor(const RGBColor& a, const RGBColor& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

bool samepname(ConstStringPtr a, ConstStringPtr b) { return a[0] == b[0] && equalnocase(a + 1, b + 1, a[0]); }

// The family an unknown font name becomes: the default font of the script when that one is
// enabled (scripts above 31 count as Roman), else of the system script. The system font's own
// name is never remapped.
// An empty name is how a family this machine has no name for was saved: the stored number
// stands (any but the none mark), so that text in a font missing here keeps it through a save
// and a load.
bool keepsstoredfamily(ConstStringPtr name, i16 storedFamily) {
  return name[0] == 0 && storedFamily != kInvalidFontFamily;
}

i16 defaultfamily(ConstStringPtr name, i16 family, u8 script) {
  if (family != 0) return family;
  Str255 sysname;
  GetFontName(GetSysFont(), sysname);
  if (samepname(name, sysname)) return family;
  const i16 s = script > 31 ? i16(0) : i16(script);
  const i16 from = GetScriptVariable(s, smScriptEnabled) ? s : i16(GetScriptManagerVariable(smSysScript));
  return i16(GetScriptVariable(from, smScriptAppFond));
}

// The ruler field of each ruler mode bit is equal in both rulers.
bool samerulerfield(const WERuler& a, const WERuler& b, u16 bit) {
  switch (bit) {
    case weDoDirection: return a.direction == b.direction;
    case weDoAlignment: return a.alignment == b.alignment;
    case weDoLeftIndent: return a.leftIndent == b.leftIndent;
    case weDoRightIndent: return a.rightIndent == b.rightIndent;
    case weDoFirstLineIndent: return a.firstLineIndent == b.firstLineIndent;
    case weDoLineSpacing: return a.lineSpacing == b.lineSpacing;
    case weDoSpaceBefore: return a.spaceBefore == b.spaceBefore;
    case weDoSpaceAfter: return a.spaceAfter == b.spaceAfter;
    case weDoRulerSetting: return a.setting == b.setting;
    case weDoBorderStyle: return a.borderStyle == b.borderStyle;
    default: return true;
  }
}

// The table's header and entries, or weMalformedScrapErr / weNewerVersionErr when they (or a
// name) do not lie within the table.
OSErr readfonttable(Handle table, FontTableHeader* header, std::vector<FontTableEntry>* entries) {
  const i32 size = GetHandleSize(table);
  if (size < kHeaderSize) return weMalformedScrapErr;
  const u8* p = deref(table);
  *header = loadat<FontTableHeader>(p);
  if (header->tag != kFontTableTag) return weMalformedScrapErr;
  if ((header->version >> 24) != 1) return weNewerVersionErr;
  if (i64(kHeaderSize) + i64(kEntrySize) * header->count > size) return weMalformedScrapErr;
  entries->clear();
  for (u32 i = 0; i < header->count; ++i) {
    const FontTableEntry e = loadat<FontTableEntry>(p + kHeaderSize + kEntrySize * i);
    if (i64(e.nameOffset) >= size || i64(e.nameOffset) + 1 + p[e.nameOffset] > size) return weMalformedScrapErr;
    entries->push_back(e);
  }
  return noErr;
}

}  // namespace

void _WECopyStyle(const WETextStyle* source, WETextStyle* dest, u8 continuousFace, u32 mode) {
  const WETextStyle& s = *source;
  WETextStyle& d = *dest;
  if (mode & weDoFont) d.font = _WEResolveFontDesignator(s.font);
  if (mode & (weDoFace | weDoFaceMask)) d.face = copyface(s, d.face, continuousFace, mode);
  if (mode & weDoSize) d.size = pinsize(sizeof0(s.size));
  if (mode & weDoColor) d.color = s.color;
  if (mode & weDoAddSize) d.size = pinsize(d.size + sizeof0(s.size));
  if (mode & weDoExtraFace) d.extraFace = s.extraFace;
  if (mode & weDoExtraFaceMask) d.extraFace = u8((s.extraFace & s.extraFaceMask) | (d.extraFace & ~s.extraFaceMask));
  if (mode & weDoLanguage) d.language = s.language;
  if (mode & weDoSetting) d.setting = s.setting;
  if (mode & weDoTransferMode) d.transferMode = s.transferMode;
  if (mode & weDoBackColor) d.backColor = s.backColor;
  if (mode & weDoShift) d.vShift = pinshift(s.vShift);
  if (mode & weDoAddShift) d.vShift = pinshift(d.vShift + s.vShift);
  d.hiliteStyle = (mode & weDoHilite) ? s.hiliteStyle : u16(0);
  if (mode & weDoObject) {
    d.object = s.object;
    d.hiliteStyle = 0;
  }
}

OSErr _WECalcFontMetrics(WEStyle* style, WEReference we) {
  const WERec* r = werec(we);
  if (style->ts.size == 0) style->ts.size = 12;
  FontInfo fi{};
  if (r == nullptr || (r->flags & weFlagNewSystem)) {
    if (OSErr err = OSErr(FetchFontInfo(style->ts.font, style->ts.size, style->ts.face, &fi))) return err;
  } else {
    // Older systems measure through the port.
    const CGrafPtr port = currentportid();
    const i16 font = GetPortTextFont(port), size = GetPortTextSize(port);
    const i16 face = GetPortTextFace(port);
    TextFont(style->ts.font);
    TextSize(style->ts.size);
    TextFace(style->ts.face);
    GetFontInfo(&fi);
    TextFont(font);
    TextSize(size);
    TextFace(face);
  }
  style->runHeight = u16(fi.ascent + fi.descent + fi.leading);
  style->runAscent = u16(fi.ascent);
  return noErr;
}

i16 _WEResolveFontDesignator(i16 font) {
  if (font == systemFont) return GetSysFont();
  if (font == applFont) return GetAppFont();
  return font;
}

bool _WEOffsetInRange(i32 offset, bool leadingEdge, i32 start, i32 end) {
  const i32 o = leadingEdge ? offset : offset - 1;
  return start <= o && o < end;
}

void _WEContinuousStyleRange(i32 start, i32 end, u16* mode, WETextStyle* style, WEReference we) {
  i32 run = WEOffsetToRun(start, we);
  WEExtRunInfo info;
  _WEGetIndStyle(run, &info, we);
  *style = WETextStyle{};
  _WECopyStyle(&info.style.ts, style, 0, weDoFont | weDoFace | weDoSize | weDoColor | weDoReplaceFace);
  if (*mode & weDoFaceMask) style->direction = info.style.ts.face;
  const i32 runs = WECountRuns(we);
  while (*mode != 0 && info.runEnd < end && run + 1 < runs) {
    _WEGetIndStyle(++run, &info, we);
    const WETextStyle& ts = info.style.ts;
    if (ts.font != style->font) *mode &= u16(~weDoFont);
    if (ts.face != style->face) {
      style->face &= ts.face;
      if (style->face == 0) *mode &= u16(~weDoFace);
    }
    if (*mode & weDoFaceMask) style->direction |= ts.face;
    if (ts.size != style->size) *mode &= u16(~weDoSize);
    if (!samecolor(ts.color, style->color)) *mode &= u16(~weDoColor);
  }
}

bool WEContinuousStyle(u16* mode, WETextStyle* style, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr || mode == nullptr || style == nullptr) return false;
  *mode &= u16(weDoFont | weDoFace | weDoSize | weDoColor | weDoFaceMask);
  if (r->selStart == r->selEnd) {
    _WESynchNullStyle(we);
    *style = WETextStyle{};
    _WECopyStyle(&r->nullStyle.ts, style, 0, weDoFont | weDoFace | weDoSize | weDoColor | weDoReplaceFace);
    if (*mode & weDoFaceMask) style->direction = r->nullStyle.ts.face;
    return true;
  }
  const u16 asked = *mode;
  _WEContinuousStyleRange(r->selStart, r->selEnd, mode, style, we);
  return *mode == asked;
}

bool WEContinuousRuler(u32* mode, WERuler* ruler, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr || mode == nullptr) return false;
  *mode &= weDoAllRuler;
  const u32 asked = *mode;
  i32 para = WEOffsetToParaRun(r->selStart, we);
  WEParaInfo first, info;
  _WEGetIndRuler(para, &first, we);
  if (ruler) _WECopyRuler(&first.ruler, ruler, u16(*mode));
  info = first;
  const i32 paras = WECountParaRuns(we);
  while (*mode != 0 && info.paraEnd < r->selEnd && para + 1 < paras) {
    _WEGetIndRuler(++para, &info, we);
    for (u16 bit = 1; bit <= weDoBorderStyle; bit = u16(bit << 1))
      if ((*mode & bit) && !samerulerfield(first.ruler, info.ruler, bit)) *mode &= ~u32(bit);
  }
  return *mode == asked;
}

OSErr _WEMapFontName(ConstStringPtr name, i16 storedFamily, u8 script, WEFontNameToFamilyProcPtr hook, i16* family) {
  if (keepsstoredfamily(name, storedFamily)) *family = storedFamily;
  else *family = defaultfamily(name, GetFNum(name), script);
  return hook ? hook(name, storedFamily, family) : OSErr(noErr);
}

OSErr _WEQDFontNameToFontFamily(ConstStringPtr name, i16 storedFamily, TextEncoding encoding,
                                WEFontNameToFamilyProcPtr hook, i16* family) {
  if (keepsstoredfamily(name, storedFamily)) {
    *family = storedFamily;
  } else {
    i16 found = FMGetFontFamilyFromName(name);
    if (found == kInvalidFontFamily) found = GetFNum(name);
    i16 script = 0;
    if (RevertTextEncodingToScriptInfo(encoding, &script, nullptr, nullptr) != noErr) {
      const u32 low = encoding & 0xFF;
      script = low < 32 ? i16(low) : i16(0);
    }
    *family = defaultfamily(name, found, u8(script));
  }
  return hook ? hook(name, storedFamily, family) : OSErr(noErr);
}

OSErr _WEFontFamilyToQDFontName(i16 family, Str255 name, WEFontFamilyToNameProcPtr hook) {
  if (FMGetFontFamilyName(family, name) != noErr) GetFontName(family, name);
  return hook ? hook(family, name) : OSErr(noErr);
}

OSErr WEUpdateFontTable(Handle fontTable, WEFontNameToFamilyProcPtr hook, u8* changed) {
  if (changed) *changed = 0;
  if (!IsValidHandle(fontTable)) return nilHandleErr;
  FontTableHeader header;
  std::vector<FontTableEntry> entries;
  if (OSErr err = readfonttable(fontTable, &header, &entries)) return err;
  bool differs = false;
  for (u32 i = 0; i < entries.size(); ++i) {
    FontTableEntry& e = entries[i];
    Str255 name;
    const u8* at = deref(fontTable) + e.nameOffset;
    std::memcpy(name, at, std::size_t(at[0]) + 1);
    i16 local = e.localFamily;
    if (OSErr err = _WEMapFontName(name, e.storedFamily, u8(e.encoding), hook, &local)) return err;
    e.localFamily = local;
    storeat(deref(fontTable) + kHeaderSize + kEntrySize * i, e);
    differs = differs || e.storedFamily != e.localFamily;
  }
  if (changed) *changed = differs ? 1 : 0;
  return noErr;
}

OSErr WEUpdateStyleScrap(Handle styleScrap, Handle fontTable) {
  FontTableHeader header;
  std::vector<FontTableEntry> entries;
  if (!IsValidHandle(styleScrap) || !IsValidHandle(fontTable) || readfonttable(fontTable, &header, &entries) != noErr)
    return noErr;
  constexpr i32 kElement = 20, kFontAt = 8;
  const i32 size = GetHandleSize(styleScrap);
  if (size < 2) return noErr;
  const i32 count = std::min<i32>(loadat<u16>(deref(styleScrap)), (size - 2) / kElement);
  for (i32 i = 0; i < count; ++i) {
    u8* font = deref(styleScrap) + 2 + kElement * i + kFontAt;
    const i16 stored = loadat<i16>(font);
    // Each element is renumbered by its own stored family, once.
    for (const FontTableEntry& e : entries) {
      if (e.storedFamily == stored && e.localFamily != stored) {
        storeat<i16>(font, e.localFamily);
        break;
      }
    }
  }
  return noErr;
}

OSErr _WEBuildFontTableForRange(i32 start, i32 end, Handle fontTable, WEFontFamilyToNameProcPtr hook, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(fontTable)) return nilHandleErr;
  if (hook == nullptr) hook = r->familyToFontNameHook;
  Handle unique = NewHandle(0);
  if (unique == nilhandle) return MemError();
  OSErr err = _WEGetUniqueStyles(start, end, unique, we);
  std::vector<FontTableEntry> entries;
  std::vector<u8> names;
  std::vector<i16> listed;
  for (i32 i = 0; err == noErr && i < HandleCount<WEUniqueStyle>(unique); ++i) {
    const WEStyle style = weelement<WEUniqueStyle>(unique, i).style;
    const i16 family = style.ts.font;
    if (family == -1 || std::find(listed.begin(), listed.end(), family) != listed.end()) continue;
    listed.push_back(family);
    Str255 name;
    if (FMGetFontFamilyName(family, name) != noErr) GetFontName(family, name);
    if (hook && (err = hook(family, name)) != noErr) break;
    FontTableEntry e{};
    e.storedFamily = e.localFamily = family;
    e.encoding = style.ts.encoding;
    e.nameOffset = u32(names.size());
    entries.push_back(e);
    const std::size_t padded = (std::size_t(name[0]) + 1 + 3) & ~std::size_t(3);
    const std::size_t at = names.size();
    names.resize(at + padded, 0);
    std::memcpy(names.data() + at, name, std::size_t(name[0]) + 1);
  }
  DisposeHandle(unique);
  if (err != noErr) return err;

  // The names follow the entries.
  const i32 count = i32(entries.size());
  SetHandleSize(fontTable, kHeaderSize + kEntrySize * count + i32(names.size()));
  if (OSErr e = MemError()) return e;
  u8* p = deref(fontTable);
  storeat(p, FontTableHeader{kFontTableTag, kFontTableVersion, u32(count), 0});
  for (i32 i = 0; i < count; ++i) {
    entries[std::size_t(i)].nameOffset += u32(kHeaderSize + kEntrySize * count);
    storeat(p + kHeaderSize + kEntrySize * i, entries[std::size_t(i)]);
  }
  if (!names.empty()) std::memcpy(p + kHeaderSize + kEntrySize * count, names.data(), names.size());
  return noErr;
}

OSErr WEBuildFontTable(Handle fontTable, WEFontFamilyToNameProcPtr hook, WEReference we) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  return _WEBuildFontTableForRange(0, r->textLength, fontTable, hook, we);
}

}  // namespace kv
