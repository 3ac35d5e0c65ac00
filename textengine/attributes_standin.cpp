// Reading attributes of a text record by tag, until attributes are built whole: one attribute
// at an offset, and whether an attribute holds given values (or one value throughout) over a
// range, for the character attributes font, size, colour, background colour, transfer mode,
// baseline shift and strike-through, and the paragraph alignment.
#include <cstring>

#include "textengine/attributereads.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr OSErr kParamErr = -50, kBadSizeErr = -9471;

enum class Scope { character, paragraph };

struct attrdef {
  OSType tag;
  i32 size;
  Scope scope;
};

constexpr attrdef kAttributes[] = {
    {fourcc("font"), 2, Scope::character}, {fourcc("ptsz"), 4, Scope::character},
    {fourcc("colr"), 6, Scope::character}, {fourcc("pbcl"), 6, Scope::character},
    {fourcc("pptm"), 2, Scope::character}, {fourcc("xshf"), 4, Scope::character},
    {fourcc("strk"), 1, Scope::character}, {fourcc("pjst"), 4, Scope::paragraph},
};

// The alignment tags by code, -2 to 2.
constexpr OSType kAlignTags[] = {fourcc("left"), fourcc("rght"), fourcc("deft"), fourcc("cent"), fourcc("full")};

OSErr lookup(OSType tag, i32 size, const attrdef** out) {
  for (const attrdef& a : kAttributes) {
    if (a.tag != tag) continue;
    if (a.size != 0 && a.size != size) return kBadSizeErr;
    *out = &a;
    return noErr;
  }
  return kParamErr;
}

// The attribute's value in a style or ruler, in its stored size (at most 8 bytes).
void charvalue(OSType tag, const WETextStyle& ts, u8* out) {
  switch (tag) {
    case fourcc("font"): std::memcpy(out, &ts.font, 2); break;
    case fourcc("ptsz"): {
      const Fixed v = Fixed(i32(ts.size) * 65536);
      std::memcpy(out, &v, 4);
      break;
    }
    case fourcc("colr"): std::memcpy(out, &ts.color, 6); break;
    case fourcc("pbcl"): std::memcpy(out, &ts.backColor, 6); break;
    case fourcc("pptm"): std::memcpy(out, &ts.transferMode, 2); break;
    case fourcc("xshf"): {
      const Fixed v = Fixed(i32(ts.vShift) * 65536);
      std::memcpy(out, &v, 4);
      break;
    }
    case fourcc("strk"): out[0] = (ts.extraFace & 1) ? 1 : 0; break;
    default: break;
  }
}

void paravalue(const WERuler& ruler, u8* out) {
  const i32 code = ruler.alignment;
  const OSType tag = code >= -2 && code <= 2 ? kAlignTags[code + 2] : kAlignTags[2];
  std::memcpy(out, &tag, 4);
}

}  // namespace

OSErr WEGetOneAttribute(i32 offset, OSType tag, void* value, i32 size, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  const attrdef* a = nullptr;
  if (OSErr err = lookup(tag, size, &a)) return err;
  if (offset < 0) offset = r->selStart;
  offset = _WEPinInRange(offset, 0, r->textLength);
  u8 bytes[8]{};
  if (a->scope == Scope::paragraph) {
    WEParaInfo info;
    _WEGetIndRuler(WEOffsetToParaRun(offset, we), &info, we);
    paravalue(info.ruler, bytes);
  } else {
    WEExtRunInfo info;
    _WEGetIndStyle(WEOffsetToRun(offset, we), &info, we);
    charvalue(tag, info.style.ts, bytes);
  }
  std::memcpy(value, bytes, std::size_t(a->size));
  return noErr;
}

OSErr WEMatchAttributes(i32 start, i32 end, OSType tag, i32 size, i32 count, const void* values, u8* matches,
                        bool* continuous, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  for (i32 i = 0; i < count; ++i) matches[i] = 0;
  if (continuous) *continuous = true;
  if (start == -1) start = r->selStart;
  if (end == -1) end = r->selEnd;
  start = _WEPinInRange(start, 0, r->textLength);
  end = _WEPinInRange(end, 0, r->textLength);
  if (start > end) return kParamErr;
  const attrdef* a = nullptr;
  if (OSErr err = lookup(tag, size, &a)) return err;
  const auto* candidates = static_cast<const u8*>(values);
  u8 first[8]{}, v[8]{};
  bool have = false;
  auto note = [&](const u8* value) {
    for (i32 i = 0; i < count; ++i)
      if (std::memcmp(value, candidates + i64(i) * size, std::size_t(size)) == 0) matches[i] = 1;
    if (!have) {
      std::memcpy(first, value, std::size_t(size));
      have = true;
    } else if (continuous && std::memcmp(first, value, std::size_t(size)) != 0) {
      *continuous = false;
    }
  };
  if (a->scope == Scope::paragraph) {
    i32 para = WEOffsetToParaRun(start, we);
    const i32 paras = WECountParaRuns(we);
    WEParaInfo info;
    do {
      _WEGetIndRuler(para, &info, we);
      paravalue(info.ruler, v);
      note(v);
    } while (info.paraEnd < end && ++para < paras);
    return noErr;
  }
  if (start == end && start == r->selStart && end == r->selEnd) {
    _WESynchNullStyle(we);
    charvalue(tag, r->nullStyle.ts, v);
    note(v);
    return noErr;
  }
  i32 run = WEOffsetToRun(start, we);
  const i32 runs = WECountRuns(we);
  WEExtRunInfo info;
  do {
    _WEGetIndStyle(run, &info, we);
    charvalue(tag, info.style.ts, v);
    note(v);
  } while (info.runEnd < end && ++run < runs);
  return noErr;
}

}  // namespace kv
