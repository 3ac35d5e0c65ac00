// Attributes: every character and paragraph format of a record read, set and compared by
// four-character tag, each with a value of fixed size in host order.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "textengine/weinternal.h"

namespace kv {

namespace {

enum : u8 { kCharacter = 0, kParagraph = 1 };

struct AttributeEntry {
  OSType tag;
  u8 size;          // 0: any size
  u8 kind;          // kCharacter or kParagraph
  u16 rulerOffset;  // where a paragraph value stored as such lies in the ruler
};

constexpr std::array<AttributeEntry, 58> kAttributeTable{{
    {fourcc("font"), 2, kCharacter, 0},  {fourcc("ptsz"), 4, kCharacter, 0},   {fourcc("plan"), 1, kCharacter, 0},
    {fourcc("bold"), 1, kCharacter, 0},  {fourcc("ital"), 1, kCharacter, 0},   {fourcc("undl"), 1, kCharacter, 0},
    {fourcc("outl"), 1, kCharacter, 0},  {fourcc("shad"), 1, kCharacter, 0},   {fourcc("cond"), 1, kCharacter, 0},
    {fourcc("pexp"), 1, kCharacter, 0},  {fourcc("colr"), 6, kCharacter, 0},   {fourcc("pbcl"), 6, kCharacter, 0},
    {fourcc("pptm"), 2, kCharacter, 0},  {fourcc("xshf"), 4, kCharacter, 0},   {fourcc("strk"), 1, kCharacter, 0},
    {fourcc("dstr"), 1, kCharacter, 0},  {fourcc("smcp"), 1, kCharacter, 0},   {fourcc("alcp"), 1, kCharacter, 0},
    {fourcc("lowc"), 1, kCharacter, 0},  {fourcc("hidn"), 1, kCharacter, 0},   {fourcc("embo"), 1, kCharacter, 0},
    {fourcc("engr"), 1, kCharacter, 0},  {fourcc("unds"), 4, kCharacter, 0},   {fourcc("pjst"), 4, kParagraph, 0},
    {fourcc("LDIR"), 4, kParagraph, 0},  {fourcc("ledg"), 4, kParagraph, 16},  {fourcc("lein"), 4, kParagraph, 4},
    {fourcc("riin"), 4, kParagraph, 8},  {fourcc("fidt"), 4, kParagraph, 12},  {fourcc("spbe"), 4, kParagraph, 20},
    {fourcc("spaf"), 4, kParagraph, 24}, {fourcc("tabs"), 164, kParagraph, 0}, {fourcc("BBRD"), 4, kParagraph, 0},
    {fourcc("ffnt"), 2, kCharacter, 0},  {fourcc("+siz"), 4, kCharacter, 0},   {fourcc("+shf"), 4, kCharacter, 0},
    {fourcc("ptxe"), 4, kCharacter, 0},  {fourcc("spsc"), 1, kCharacter, 0},   {fourcc("sbsc"), 1, kCharacter, 0},
    {fourcc("qdst"), 1, kCharacter, 0},  {fourcc("tets"), 12, kCharacter, 0},  {fourcc("rdir"), 1, kCharacter, 0},
    {fourcc("+led"), 4, kParagraph, 16}, {fourcc("+lei"), 4, kParagraph, 4},   {fourcc("+rii"), 4, kParagraph, 8},
    {fourcc("+fid"), 4, kParagraph, 12}, {fourcc("+spb"), 4, kParagraph, 20},  {fourcc("+spa"), 4, kParagraph, 24},
    {fourcc("lang"), 0, kCharacter, 0},  {fourcc("pusr"), 4, kParagraph, 156}, {fourcc("keep"), 1, kParagraph, 0},
    {fourcc("kepn"), 1, kParagraph, 0},  {fourcc("pbrb"), 1, kParagraph, 0},   {fourcc("wido"), 1, kParagraph, 0},
    {fourcc("wdov"), 1, kParagraph, 0},  {fourcc("!ln#"), 1, kParagraph, 0},   {fourcc("!hyp"), 1, kParagraph, 0},
    {fourcc("grup"), 1, kCharacter, 0},
}};

// The tag lists: a value's index in its list gives its stored code (offset by the list's
// first code).
constexpr std::array<OSType, 9> kUnderlineStyles{fourcc("deft"), fourcc("word"), fourcc("dubl"),
                                                 fourcc(".   "), fourcc("-   "), fourcc(".-  "),
                                                 fourcc("..- "), fourcc("thck"), fourcc("wave")};
constexpr std::array<OSType, 5> kAlignments{fourcc("left"), fourcc("rght"), fourcc("deft"), fourcc("cent"),
                                            fourcc("full")};
constexpr i32 kFirstAlignment = -2;
constexpr std::array<OSType, 3> kDirections{fourcc("R->L"), fourcc("L->R"), fourcc("deft")};
constexpr i32 kFirstDirection = -1;
constexpr std::array<OSType, 4> kBorderStyles{fourcc("NONE"), fourcc("SLDL"), fourcc("DTDL"), fourcc("THKL")};
constexpr std::array<OSType, 8> kFaceBits{fourcc("bold"), fourcc("ital"), fourcc("undl"), fourcc("outl"),
                                          fourcc("shad"), fourcc("cond"), fourcc("pexp"), fourcc("grup")};
constexpr std::array<OSType, 8> kExtraFaceBits{fourcc("strk"), fourcc("dstr"), fourcc("smcp"), fourcc("alcp"),
                                               fourcc("lowc"), fourcc("hidn"), fourcc("embo"), fourcc("engr")};
constexpr std::array<OSType, 7> kParaFlags{fourcc("keep"), fourcc("kepn"), fourcc("pbrb"), fourcc("wido"),
                                           fourcc("wdov"), fourcc("!ln#"), fourcc("!hyp")};
// The ruler fields by their place: the value, its increment, and the ruler mask bits of each.
struct RulerField {
  OSType tag, increment;
  u32 mask, incrementMask;
  u16 offset;
};
constexpr std::array<RulerField, 6> kRulerFields{{
    {fourcc("ledg"), fourcc("+led"), 0x20, 0x80000, 16},
    {fourcc("lein"), fourcc("+lei"), 0x4, 0x10000, 4},
    {fourcc("riin"), fourcc("+rii"), 0x8, 0x20000, 8},
    {fourcc("fidt"), fourcc("+fid"), 0x10, 0x40000, 12},
    {fourcc("spbe"), fourcc("+spb"), 0x40, 0x100000, 20},
    {fourcc("spaf"), fourcc("+spa"), 0x80, 0x200000, 24},
}};
constexpr u32 kUserValueMask = 0x800, kParaFlagsMask = 0x2000;

// Style mode bits: the font set script by script.
constexpr u32 kDoSmartFont = 0x80, kDoExtractSubscript = 0x100;

template <std::size_t N>
i32 indexof(const std::array<OSType, N>& list, OSType tag) {
  for (std::size_t i = 0; i < N; ++i)
    if (list[i] == tag) return i32(i);
  return -1;
}
template <std::size_t N>
OSType tagof(const std::array<OSType, N>& list, i32 code, i32 first, OSType fallback) {
  const i32 i = code - first;
  return i >= 0 && i < i32(N) ? list[std::size_t(i)] : fallback;
}

const AttributeEntry* lookup(OSType tag) {
  for (const AttributeEntry& e : kAttributeTable)
    if (e.tag == tag) return &e;
  return nullptr;
}

OSErr checkedlookup(OSType tag, i32 size, const AttributeEntry** entry) {
  *entry = lookup(tag);
  if (*entry == nullptr) return paramErr;
  if ((*entry)->size != 0 && (*entry)->size != size) return weBufferTooSmallErr;
  return noErr;
}

bool readonly(const WERec& r) { return (r.features & (1u << weFReadOnly)) != 0; }

template <class T>
void put(void* out, T value) {
  std::memcpy(out, &value, sizeof value);
}
template <class T>
T get(const void* in) {
  T value;
  std::memcpy(&value, in, sizeof value);
  return value;
}

Fixed rulerfixed(const WERuler& ruler, u16 offset) { return get<Fixed>(reinterpret_cast<const u8*>(&ruler) + offset); }
void setrulerfixed(WERuler* ruler, u16 offset, Fixed v) {
  std::memcpy(reinterpret_cast<u8*>(ruler) + offset, &v, sizeof v);
}

// The value of an attribute of fixed size from a style or a ruler into out (the entry's size);
// false for the attributes that leave the caller's buffer as it was.
bool readvalue(const AttributeEntry& e, const WETextStyle& s, const WERuler& ruler, u8* out) {
  const OSType tag = e.tag;
  if (const i32 bit = indexof(kFaceBits, tag); bit >= 0) {
    out[0] = (s.face >> bit) & 1;
    return true;
  }
  if (const i32 bit = indexof(kExtraFaceBits, tag); bit >= 0) {
    out[0] = (s.extraFace >> bit) & 1;
    return true;
  }
  if (const i32 bit = indexof(kParaFlags, tag); bit >= 0) {
    out[0] = (ruler.paraFlags >> bit) & 1;
    return true;
  }
  switch (tag) {
    case fourcc("font"): put<i16>(out, s.font); return true;
    case fourcc("ptsz"): put<Fixed>(out, Fixed(s.size) * 65536); return true;
    case fourcc("plan"): out[0] = s.face == 0 && s.extraFace == 0; return true;
    case fourcc("colr"): put<RGBColor>(out, s.color); return true;
    case fourcc("pbcl"): put<RGBColor>(out, s.backColor); return true;
    case fourcc("pptm"): put<u16>(out, s.transferMode); return true;
    case fourcc("xshf"): put<Fixed>(out, Fixed(s.vShift) * 65536); return true;
    case fourcc("unds"): put<OSType>(out, tagof(kUnderlineStyles, s.setting, 0, fourcc("deft"))); return true;
    case fourcc("pjst"):
      put<OSType>(out, tagof(kAlignments, ruler.alignment, kFirstAlignment, fourcc("deft")));
      return true;
    case fourcc("LDIR"):
      put<OSType>(out, tagof(kDirections, ruler.direction, kFirstDirection, fourcc("deft")));
      return true;
    case fourcc("BBRD"): put<OSType>(out, tagof(kBorderStyles, ruler.borderStyle, 0, fourcc("NONE"))); return true;
    case fourcc("ledg"):
    case fourcc("lein"):
    case fourcc("riin"):
    case fourcc("fidt"):
    case fourcc("spbe"):
    case fourcc("spaf"): put<Fixed>(out, rulerfixed(ruler, e.rulerOffset)); return true;
    case fourcc("pusr"): put<u32>(out, ruler.userValue); return true;
    case fourcc("ptxe"): put<u32>(out, s.encoding); return true;
    case fourcc("spsc"): out[0] = s.vShift > 0; return true;
    case fourcc("sbsc"): out[0] = s.vShift < 0; return true;
    case fourcc("qdst"): out[0] = s.face; return true;
    case fourcc("rdir"): out[0] = (s.direction & 0x80) != 0; return true;
    case fourcc("tets"): {
      // font, face and a filler byte, size, colour
      u8 block[12] = {};
      std::memcpy(block, &s.font, 2);
      block[2] = s.face;
      std::memcpy(block + 4, &s.size, 2);
      std::memcpy(block + 6, &s.color, 6);
      std::memcpy(out, block, sizeof block);
      return true;
    }
    default: return false;  // 'tabs', 'ffnt' and the increments are not read
  }
}

// Whether two values of an attribute are compared when matching.
bool matchable(OSType tag) {
  if (indexof(kFaceBits, tag) >= 0 || indexof(kExtraFaceBits, tag) >= 0) return true;
  switch (tag) {
    case fourcc("font"):
    case fourcc("pptm"):
    case fourcc("ptsz"):
    case fourcc("xshf"):
    case fourcc("colr"):
    case fourcc("pbcl"):
    case fourcc("plan"):
    case fourcc("spsc"):
    case fourcc("sbsc"):
    case fourcc("pjst"):
    case fourcc("BBRD"):
    case fourcc("LDIR"):
    case fourcc("ledg"):
    case fourcc("lein"):
    case fourcc("riin"):
    case fourcc("fidt"):
    case fourcc("spbe"):
    case fourcc("spaf"):
    case fourcc("pusr"): return true;
    default: return false;
  }
}

// The 'lang' value: the language's locale string when it fits with its terminator, else empty.
void readlanguage(u32 language, u8* out, i32 size) {
  if (size <= 0) return;
  char buffer[32] = {};
  if (language == 0 || _WEGetLanguage(language, buffer, i32(sizeof buffer)) != noErr ||
      i32(std::strlen(buffer)) >= size) {
    out[0] = 0;
    return;
  }
  std::memcpy(out, buffer, std::strlen(buffer) + 1);
}

// What one call of WESetAttributes collects: a style and its mode, and for rulers the fields
// to set or add to and the paragraph flags.
struct Collected {
  WETextStyle style{};
  u32 mode = 0;
  WERuler ruler{};
  u32 rulerMask = 0;
  u16 flagMask = 0;
  u32 styleTaken = 0;  // the style fields set so far (as mode bits)
  u8 faceTaken = 0, extraTaken = 0;
};

// Sets the value of one tag into what is collected; the fields each tag sets may not have been
// set earlier in the call.
OSErr collect(const AttributeEntry& e, const void* value, i32 size, i16 startSize, Collected* c) {
  const OSType tag = e.tag;
  // `fields` names what the tag sets, `mode` how the copy rule applies it (an increment is
  // added to the old value by the add bit alone).
  auto style = [&](u32 fields, u32 mode) -> OSErr {
    if (c->styleTaken & fields) return weDuplicateAttributeErr;
    c->styleTaken |= fields;
    c->mode |= mode;
    return noErr;
  };
  auto ruler = [&](u32 bits) -> OSErr {
    if (c->rulerMask & bits) return weDuplicateAttributeErr;
    c->rulerMask |= bits;
    return noErr;
  };
  const u8* v = static_cast<const u8*>(value);
  if (i32 bit = indexof(kFaceBits, tag); bit >= 0) {
    if (c->faceTaken & (1u << bit)) return weDuplicateAttributeErr;
    c->faceTaken = u8(c->faceTaken | (1u << bit));
    c->style.direction = u8(c->style.direction | (1u << bit));  // the face mask
    if (v[0]) c->style.face = u8(c->style.face | (1u << bit));
    c->mode |= weDoFaceMask;
    return noErr;
  }
  if (i32 bit = indexof(kExtraFaceBits, tag); bit >= 0) {
    if (c->extraTaken & (1u << bit)) return weDuplicateAttributeErr;
    c->extraTaken = u8(c->extraTaken | (1u << bit));
    c->style.extraFaceMask = u8(c->style.extraFaceMask | (1u << bit));
    if (v[0]) c->style.extraFace = u8(c->style.extraFace | (1u << bit));
    c->mode |= weDoExtraFaceMask;
    return noErr;
  }
  if (i32 bit = indexof(kParaFlags, tag); bit >= 0) {
    if (c->flagMask & (1u << bit)) return weDuplicateAttributeErr;
    c->flagMask = u16(c->flagMask | (1u << bit));
    if (v[0]) c->ruler.paraFlags = u16(c->ruler.paraFlags | (1u << bit));
    c->rulerMask |= kParaFlagsMask;
    return noErr;
  }
  for (const RulerField& f : kRulerFields) {
    if (tag == f.tag || tag == f.increment) {
      if (OSErr err = ruler(tag == f.tag ? f.mask : f.mask | f.incrementMask)) return err;
      setrulerfixed(&c->ruler, f.offset, get<Fixed>(value));
      return noErr;
    }
  }
  switch (tag) {
    case fourcc("font"):
    case fourcc("ffnt"):
      if (OSErr err = style(weDoFont, tag == fourcc("font") ? weDoFont | kDoSmartFont | kDoExtractSubscript : weDoFont))
        return err;
      c->style.font = get<i16>(value);
      return noErr;
    case fourcc("ptsz"):
    case fourcc("+siz"): {
      if (OSErr err = style(weDoSize, tag == fourcc("ptsz") ? weDoSize : weDoAddSize)) return err;
      // The integer part; a negative size becomes the smallest (0 keeps its meaning, 12).
      const Fixed f = get<Fixed>(value);
      const i32 points = f / 65536;
      c->style.size = i16(tag == fourcc("ptsz") && f < 0 ? 1 : points);
      return noErr;
    }
    case fourcc("colr"):
      if (OSErr err = style(weDoColor, weDoColor)) return err;
      c->style.color = get<RGBColor>(value);
      return noErr;
    case fourcc("pbcl"):
      if (OSErr err = style(weDoBackColor, weDoBackColor)) return err;
      c->style.backColor = get<RGBColor>(value);
      return noErr;
    case fourcc("pptm"):
      if (OSErr err = style(weDoTransferMode, weDoTransferMode)) return err;
      c->style.transferMode = get<u16>(value);
      return noErr;
    case fourcc("xshf"):
    case fourcc("+shf"):
      if (OSErr err = style(weDoShift, tag == fourcc("xshf") ? weDoShift : weDoAddShift)) return err;
      c->style.vShift = i16(get<Fixed>(value) / 65536);
      return noErr;
    case fourcc("spsc"):
    case fourcc("sbsc"): {
      if (OSErr err = style(weDoShift, weDoShift)) return err;
      i16 shift = 0;
      if (v[0]) {
        shift = i16(std::max<i32>(startSize / 3, 1));
        if (tag == fourcc("sbsc")) shift = i16(-shift);
      }
      c->style.vShift = shift;
      return noErr;
    }
    case fourcc("plan"):
      if (v[0] == 0) return noErr;
      if (c->faceTaken || c->extraTaken) return weDuplicateAttributeErr;
      c->faceTaken = c->extraTaken = 0xFF;
      c->style.face = 0;
      c->style.direction = 0xFF;
      c->style.extraFace = 0;
      c->style.extraFaceMask = 0xFF;
      c->mode |= weDoFaceMask | weDoExtraFaceMask;
      return noErr;
    case fourcc("unds"): {
      const i32 code = indexof(kUnderlineStyles, get<OSType>(value));
      if (code < 0) return weUnknownAttributeValueErr;
      if (OSErr err = style(weDoSetting, weDoSetting)) return err;
      c->style.setting = u16(code);
      return noErr;
    }
    case fourcc("pjst"): {
      const i32 i = indexof(kAlignments, get<OSType>(value));
      if (i < 0) return weUnknownAttributeValueErr;
      if (OSErr err = ruler(weDoAlignment)) return err;
      c->ruler.alignment = i8(i + kFirstAlignment);
      return noErr;
    }
    case fourcc("LDIR"): {
      const i32 i = indexof(kDirections, get<OSType>(value));
      if (i < 0) return weUnknownAttributeValueErr;
      if (OSErr err = ruler(weDoDirection)) return err;
      c->ruler.direction = i8(i + kFirstDirection);
      return noErr;
    }
    case fourcc("BBRD"): {
      const i32 i = indexof(kBorderStyles, get<OSType>(value));
      if (i < 0) return weUnknownAttributeValueErr;
      if (OSErr err = ruler(weDoBorderStyle)) return err;
      c->ruler.borderStyle = u8(i);
      return noErr;
    }
    case fourcc("pusr"):
      if (OSErr err = ruler(kUserValueMask)) return err;
      c->ruler.userValue = get<u32>(value);
      return noErr;
    case fourcc("lang"): {
      const char* text = static_cast<const char*>(value);
      const i32 length = i32(strnlen(text, std::size_t(std::max(size, 0))));
      u32 language = 0;
      if (length > 0 && _WESetLanguage(text, length, &language) != noErr) return noErr;
      if (OSErr err = style(weDoLanguage, weDoLanguage)) return err;
      c->style.language = language;
      return noErr;
    }
    case fourcc("tabs"): return noErr;
    default: return weNotSettableErr;  // 'ptxe', 'qdst', 'tets', 'rdir'
  }
}

// A paragraph's new ruler: the collected fields set, the increments added, the flags masked.
WERuler newruler(const WERuler& old, const Collected& c) {
  WERuler r = old;
  _WECopyRuler(&c.ruler, &r, u16(c.rulerMask & (weDoDirection | weDoAlignment | weDoBorderStyle)));
  for (const RulerField& f : kRulerFields) {
    const u16 offset = f.offset;
    if (c.rulerMask & f.incrementMask) setrulerfixed(&r, offset, rulerfixed(old, offset) + rulerfixed(c.ruler, offset));
    else if (c.rulerMask & f.mask) setrulerfixed(&r, offset, rulerfixed(c.ruler, offset));
  }
  if (c.rulerMask & kUserValueMask) r.userValue = c.ruler.userValue;
  if (c.rulerMask & kParaFlagsMask) r.paraFlags = u16((c.ruler.paraFlags & c.flagMask) | (old.paraFlags & ~c.flagMask));
  return r;
}

// The new rulers of the paragraphs of [start, end) (whole paragraphs), found before any is set.
OSErr setrulers(i32 start, i32 end, const Collected& c, WEReference we) {
  struct Piece {
    i32 start, end;
    WERuler ruler;
  };
  std::vector<Piece> pieces;
  for (i32 run = WEOffsetToParaRun(start, we); run < WECountParaRuns(we); ++run) {
    WEParaInfo info;
    _WEGetIndRuler(run, &info, we);
    if (info.paraStart >= end && !pieces.empty()) break;
    pieces.push_back({std::max(start, info.paraStart), std::min(end, info.paraEnd), newruler(info.ruler, c)});
    if (info.paraEnd >= end) break;
  }
  for (const Piece& p : pieces)
    if (OSErr err = _WEReplaceRulerRange(p.start, p.end, &p.ruler, we)) return err;
  return noErr;
}

// The distinct styles or rulers of a range.
OSErr distinctrulers(i32 start, i32 end, std::vector<WERuler>* out, WEReference we) {
  i32 ps = start, pe = end;
  _WEExtendToParaBoundaries(&ps, &pe, we);
  const i32 first = WEOffsetToParaRun(ps, we), last = std::max(first, WEOffsetToParaRun(std::max(pe - 1, ps), we));
  for (i32 run = first; run <= last; ++run) {
    WEParaInfo info;
    _WEGetIndRuler(run, &info, we);
    if (std::none_of(out->begin(), out->end(),
                     [&](const WERuler& r) { return _WEBlockCmp(&r, &info.ruler, sizeof r); }))
      out->push_back(info.ruler);
  }
  return noErr;
}

OSErr distinctstyles(i32 start, i32 end, std::vector<WETextStyle>* out, WEReference we) {
  Handle unique = NewHandle(0);
  if (unique == nilhandle) return MemError() ? MemError() : OSErr(memFullErr);
  const OSErr err = _WEGetUniqueStyles(start, end, unique, we);
  if (err == noErr)
    for (i32 i = 0; i < i32(HandleCount<WEUniqueStyle>(unique)); ++i)
      out->push_back(weelement<WEUniqueStyle>(unique, i).style.ts);
  DisposeHandle(unique);
  return err;
}

}  // namespace

i32 _WEGetAttributeSize(OSType tag) {
  const AttributeEntry* e = lookup(tag);
  return e ? e->size : 0;
}

OSErr WEGetAttributes(i32 offset, i32 count, const OSType* tags, void* const* values, const i32* sizes,
                      WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (count > 0 && (tags == nullptr || values == nullptr || sizes == nullptr)) return paramErr;
  bool usenull = false;
  if (offset == -2) {
    offset = r->selStart;
    if (r->selStart == r->selEnd) {
      _WESynchNullStyle(we);
      usenull = true;
    }
  } else if (offset == -1) {
    offset = r->selStart;
  }
  bool haveStyle = false, haveRuler = false;
  WETextStyle style{};
  WERuler ruler{};
  for (i32 i = 0; i < count; ++i) {
    const AttributeEntry* e = nullptr;
    if (OSErr err = checkedlookup(tags[i], sizes[i], &e)) return err;
    if (values[i] == nullptr) return paramErr;
    if (e->kind == kParagraph && !haveRuler) {
      WEParaInfo info;
      _WEGetExtParaInfo(offset, &info, we);
      ruler = info.ruler;
      haveRuler = true;
    } else if (e->kind == kCharacter && !haveStyle) {
      if (usenull) {
        style = werec(we)->nullStyle.ts;
      } else {
        WEExtRunInfo info;
        _WEGetExtRunInfo(offset, &info, we);
        style = info.style.ts;
      }
      haveStyle = true;
    }
    u8* out = static_cast<u8*>(values[i]);
    if (e->tag == fourcc("lang")) {
      readlanguage(style.language, out, sizes[i]);
      continue;
    }
    u8 buffer[256];
    if (readvalue(*e, style, ruler, buffer)) std::memcpy(out, buffer, e->size);
  }
  return noErr;
}

OSErr WEGetOneAttribute(i32 offset, OSType tag, void* value, i32 size, WEReference we) {
  void* values[1] = {value};
  return WEGetAttributes(offset, 1, &tag, values, &size, we);
}

OSErr WESetAttributes(i32 start, i32 end, i32 count, const OSType* tags, const void* const* values, const i32* sizes,
                      WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (count > 0 && (tags == nullptr || values == nullptr || sizes == nullptr)) return paramErr;
  if (readonly(*r)) return weReadOnlyErr;
  if (start == -1) {
    start = r->selStart;
    end = r->selEnd;
  }
  start = _WEPinInRange(start, 0, r->textLength);
  end = _WEPinInRange(end, 0, r->textLength);
  if (start > end) return paramErr;
  WEStopInlineSession(we);
  WERunInfo at{};
  WEGetRunInfo(start, &at, we);
  Collected c;
  for (i32 i = 0; i < count; ++i) {
    const AttributeEntry* e = nullptr;
    if (OSErr err = checkedlookup(tags[i], sizes[i], &e)) return err;
    if (values[i] == nullptr) return paramErr;
    if (OSErr err = collect(*e, values[i], sizes[i], at.size == 0 ? i16(12) : at.size, &c)) return err;
  }
  r = werec(we);
  const bool styles = c.mode != 0, rulers = c.rulerMask != 0;
  if (!styles && !rulers) return noErr;
  i32 ps = start, pe = end;
  if (rulers) _WEExtendToParaBoundaries(&ps, &pe, we);
  if (rulers) {
    const u16 flags = u16(weActionSavedRulers | (styles && start < end ? weActionSavedStyles : 0));
    if (OSErr err = _WEModify(ps, pe, pe - ps, weAKRuler, flags, we)) return err;
  } else if (start < end) {
    if (OSErr err = _WEModify(start, end, end - start, weAKStyle, weActionSavedStyles, we)) return err;
  }
  if (styles) {
    if (start == end) {
      if (OSErr err = _WESetNullStyle(c.mode, &c.style, we)) return err;
    } else {
      u32 mode = c.mode;
      if ((r->flags & weFlagMultiScript) && (mode & weDoFont) && (mode & kDoSmartFont)) {
        if (OSErr err = _WESmartSetFont(start, end, (mode & kDoExtractSubscript) != 0, &c.style, we)) return err;
        mode &= ~u32(weDoFont);
      }
      if (OSErr err = _WESetStyleRange(start, end, mode, &c.style, we)) return err;
    }
  }
  if (rulers)
    if (OSErr err = setrulers(ps, pe, c, we)) return err;
  if (!rulers && start == end) return noErr;
  return _WERedraw(rulers ? ps : start, rulers ? pe : end, we);
}

OSErr WESetOneAttribute(i32 start, i32 end, OSType tag, const void* value, i32 size, WEReference we) {
  const void* values[1] = {value};
  return WESetAttributes(start, end, 1, &tag, values, &size, we);
}

OSErr WEMatchAttributes(i32 start, i32 end, OSType tag, i32 size, i32 count, const void* candidates, u8* matches,
                        bool* continuous, WEReference we) {
  if (matches && count > 0) std::memset(matches, 0, std::size_t(count));
  if (continuous) *continuous = true;
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (count > 0 && (candidates == nullptr || matches == nullptr)) return paramErr;
  if (start == -1) start = r->selStart;
  if (end == -1) end = r->selEnd;
  start = _WEPinInRange(start, 0, r->textLength);
  end = _WEPinInRange(end, 0, r->textLength);
  if (start > end) return paramErr;
  const AttributeEntry* e = nullptr;
  if (OSErr err = checkedlookup(tag, size, &e)) return err;
  if (!matchable(tag)) return noErr;
  std::vector<std::array<u8, 16>> values;
  if (e->kind == kParagraph) {
    std::vector<WERuler> rulers;
    if (OSErr err = distinctrulers(start, end, &rulers, we)) return err;
    for (const WERuler& ruler : rulers) {
      std::array<u8, 16> v{};
      readvalue(*e, WETextStyle{}, ruler, v.data());
      values.push_back(v);
    }
  } else {
    std::vector<WETextStyle> styles;
    if (start == end && start == r->selStart && end == r->selEnd) {
      _WESynchNullStyle(we);
      styles.push_back(werec(we)->nullStyle.ts);
    } else if (OSErr err = distinctstyles(start, end, &styles, we)) {
      return err;
    }
    for (const WETextStyle& s : styles) {
      std::array<u8, 16> v{};
      readvalue(*e, s, WERuler{}, v.data());
      values.push_back(v);
    }
  }
  const u8* cands = static_cast<const u8*>(candidates);
  for (const auto& v : values) {
    for (i32 i = 0; i < count; ++i)
      if (std::memcmp(v.data(), cands + std::size_t(i) * std::size_t(size), std::size_t(size)) == 0) matches[i] = 1;
    if (continuous && std::memcmp(v.data(), values.front().data(), std::size_t(size)) != 0) *continuous = false;
  }
  return noErr;
}

}  // namespace kv
