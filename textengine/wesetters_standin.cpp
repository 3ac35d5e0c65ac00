// A stand-in for the style and ruler setters until typing and attributes are built: the change
// is made over the range and laid out again, without an undo step.
#include "textengine/wesetters.h"

#include <cstring>

#include "textengine/weinternal.h"

namespace kv {

namespace {

// The range, -1 meaning the selection; changes and redraws it.
template <class Change>
OSErr overrange(i32 start, i32 end, WEReference we, Change change) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (start < 0 || end < 0) {
    start = r->selStart;
    end = r->selEnd;
  }
  if (OSErr err = change(start, end)) return err;
  r = werec(we);
  r->flags &= ~weFlagNullStyleValid;
  return _WERedraw(start, end, we);
}

}  // namespace

OSErr WESetStyle(u32 mode, const WETextStyle* style, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (r->selStart == r->selEnd) {
    _WESynchNullStyle(we);
    r = werec(we);
    _WECopyStyle(style, &r->nullStyle.ts, r->nullStyle.ts.face, mode);
    return _WECalcFontMetrics(&r->nullStyle, we);
  }
  return overrange(-1, -1, we, [&](i32 s, i32 e) { return _WESetStyleRange(s, e, mode, style, we); });
}

OSErr WESetRuler(u16 mode, const WERuler* ruler, WEReference we) {
  return overrange(-1, -1, we, [&](i32 s, i32 e) { return _WESetRulerRange(s, e, mode, ruler, we); });
}

OSErr WESetOneAttribute(i32 start, i32 end, OSType tag, const void* value, i32 size, WEReference we) {
  if (value == nullptr) return paramErr;
  const u8* v = static_cast<const u8*>(value);
  WETextStyle ts{};
  u32 mode = 0;
  switch (tag) {
    case fourcc("strk"):
      if (size < 1) return paramErr;
      ts.setting = v[0] ? 1 : 0;
      mode = weDoSetting;
      break;
    case fourcc("pbcl"):
      if (size < i32(sizeof(RGBColor))) return paramErr;
      std::memcpy(&ts.backColor, v, sizeof(RGBColor));
      mode = weDoBackColor;
      break;
    case fourcc("pptm"): {
      if (size < 2) return paramErr;
      u16 m;
      std::memcpy(&m, v, 2);
      ts.transferMode = m;
      mode = weDoTransferMode;
      break;
    }
    case fourcc("xshf"): {
      if (size < 4) return paramErr;
      i32 f;
      std::memcpy(&f, v, 4);
      ts.vShift = i16(f >> 16);
      mode = weDoShift;
      break;
    }
    case fourcc("pjst"): {
      if (size < 4) return paramErr;
      OSType j;
      std::memcpy(&j, v, 4);
      WERuler ruler{};
      switch (j) {
        case fourcc("left"): ruler.alignment = -2; break;
        case fourcc("rght"): ruler.alignment = -1; break;
        case fourcc("cent"): ruler.alignment = 1; break;
        case fourcc("full"): ruler.alignment = 2; break;
        default: ruler.alignment = 0; break;
      }
      return overrange(start, end, we, [&](i32 s, i32 e) { return _WESetRulerRange(s, e, weDoAlignment, &ruler, we); });
    }
    default: return paramErr;
  }
  return overrange(start, end, we, [&](i32 s, i32 e) { return _WESetStyleRange(s, e, mode, &ts, we); });
}

}  // namespace kv
