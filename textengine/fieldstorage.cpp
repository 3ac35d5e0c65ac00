// Field text storage, the engine's side: live records of fields made from stored text.
#include "textengine/fieldstorage.h"

#include <algorithm>

#include "engine/objectutil.h"
#include "fields/fieldview.h"
#include "platform/qd/ports.h"
#include "store/fieldtext.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

constexpr u32 kDontWrapBit = 1u << 11, kAllowTabsBit = 1u << 22;
constexpr u32 kInhibitBoth = (1u << weFInhibitRecal) | (1u << weFInhibitRedraw);

// A tail's 10-bit colour component (bits `shift` up) as a 16-bit one.
u16 component(u32 packed, int shift) { return u16(((packed >> shift) & 0x3FF) * 64); }

WETextStyle tailstyle(const fieldtail& t) {
  WETextStyle ts{};
  ts.font = i16(t.font);
  ts.face = u8(t.face);
  ts.size = i16(t.size);
  ts.color = RGBColor{component(t.color, 0), component(t.color, 10), component(t.color, 20)};
  return ts;
}

// The port's text style, and putting it back.
struct PortStyle {
  i16 font, size;
  Style face;
  RGBColor fore;
  static PortStyle current() {
    const CGrafPtr p = currentportid();
    PortStyle s{GetPortTextFont(p), GetPortTextSize(p), GetPortTextFace(p), {}};
    GetForeColor(&s.fore);
    return s;
  }
  void apply() const {
    TextFont(font);
    TextSize(size);
    TextFace(face);
    RGBForeColor(&fore);
  }
};

}  // namespace

OSErr makefieldrecord(Handle stored, const LongRect& dest, const LongRect& view, WEReference* out) {
  *out = nilid;
  if (stored == nilhandle || GetHandleSize(stored) <= 15) return WENew(&dest, &view, 1u << weFInhibitRedraw, out);
  const PortStyle saved = PortStyle::current();
  const fieldtail t = fieldtextail(deref(stored), GetHandleSize(stored));
  const WETextStyle ts = tailstyle(t);
  PortStyle{ts.font, ts.size, Style(ts.face), ts.color}.apply();
  const OSErr err = WENew(&dest, &view, 1u << weFInhibitRedraw, out);
  saved.apply();
  return err;
}

OSErr weunpacktext(Handle stored, Handle, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  SetWERecDirtyFlag(we, false);
  const u32 features = r->features;
  r->features |= kInhibitBoth;
  const i64 size = stored != nilhandle ? GetHandleSize(stored) : 0;
  const u8* bytes = size > 0 ? deref(stored) : nullptr;
  const fieldtextlayout l = bytes ? measurefieldtext(bytes, size) : fieldtextlayout{};
  const fieldtail tail = bytes ? fieldtextail(bytes, size) : defaultfieldtail();
  Handle text = NewHandle(l.textlength);
  OSErr err = MemError();
  if (err == noErr && l.textlength > 0)
    std::memcpy(deref(text), deref(stored) + l.textoffset, std::size_t(l.textlength));
  if (err == noErr) err = WEUseText(text, we);
  else DisposeHandle(text);
  if (err == noErr) {
    if (l.runs == 0) {
      const WETextStyle ts = tailstyle(tail);
      err = _WESetStyleRange(0, l.textlength, weDoFont | weDoFace | weDoReplaceFace | weDoSize | weDoColor, &ts, we);
    } else {
      Handle scrap = NewHandle(l.textoffset);
      if ((err = MemError()) == noErr) {
        std::memcpy(deref(scrap), deref(stored), std::size_t(l.textoffset));
        err = _WEApplyTextEditStyleScrap(0, l.textlength, scrap, we);
        DisposeHandle(scrap);
      }
    }
  }
  if (err == noErr) {
    WERuler ruler{};
    ruler.alignment = i8(std::clamp<i16>(tail.just, -2, 2));
    err = _WESetRulerRange(0, l.textlength, weDoAlignment, &ruler, we);
  }
  r = werec(we);
  r->selStart = r->selEnd = r->textLength;
  r->flags &= ~weFlagNullStyleValid;
  r->features = features;
  if (err == noErr && !(features & (1u << weFInhibitRecal))) err = WECalText(we);
  return err;
}

WEReference createwerec(const spot& field, const LongRect& dest, const LongRect& view) {
  WEReference we = nilid;
  if (makefieldrecord(field.data, dest, view, &we) != noErr) return nilid;
  WEFeatureFlag(weFOutlineHilite, 0, we);
  for (i16 f : {weFIntCutAndPaste, weFUseTempMem, weFUndo, weFMultipleUndo}) WEFeatureFlag(f, 1, we);
  // The tab hooks choose their line break by the no-wrap setting: it comes first.
  const bool dontwrap = (field.flags & kDontWrapBit) != 0;
  SetDontWrapFlag(we, dontwrap ? 1 : 0);
  if (field.flags & kAllowTabsBit) WEInstallTabHooks(we, field.tabsize);
  else if (dontwrap) WEInstallCrOnlyHook(we);
  if (fieldcanscroll(field)) {
    WEFeatureFlag(weFAutoScroll, 1, we);
    SetScrollBarFlag(we, 1);
  }
  SetFieldMargins(field, we);
  OSErr err = noErr;
  if (usesenginetwo(&field)) {
    SetAllowObjectsFlag(we, allowsobjects(&field) ? 1 : 0);
    if (allowsobjects(&field)) err = WEInstallObjectHandlers(we);
    if (err == noErr) err = wenewunpacktext(field, we);
  } else {
    err = weunpacktext(field.data, field.uprops, we);
  }
  if (err != noErr) {
    WEDispose(we);
    return nilid;
  }
  return we;
}

}  // namespace kv
