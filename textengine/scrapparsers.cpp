// The readers of the engine's style and ruler lists ('WEst', 'WEru'), the keyed streams that
// come back from stored field text, the clipboard and drags. Every item's size is checked
// against what its key holds; unknown keys are passed over.
#include <algorithm>

#include "store/records.h"
#include "textengine/westreams.h"

namespace kv {

namespace {

const OSType kRecordType = fourcc("reco");
const OSType kFaceTags[8] = {fourcc("bold"), fourcc("ital"), fourcc("undl"), fourcc("outl"),
                             fourcc("shad"), fourcc("cond"), fourcc("pexp"), fourcc("grup")};
const OSType kExtraFaceTags[8] = {fourcc("strk"), fourcc("dstr"), fourcc("smcp"), fourcc("alcp"),
                                  fourcc("lowc"), fourcc("hidn"), fourcc("embo"), fourcc("engr")};

// An item's data when its size is exactly `size`; null otherwise.
const u8* exactly(const WEDataDesc& item, i32 size) {
  i32 n = 0;
  const u8* p = _WEDataDesc_GetData(item, &n);
  return p && n == size ? p : nullptr;
}

template <class T>
bool readvalue(const WEDataDesc& item, T* value) {
  const u8* p = exactly(item, i32(sizeof(T)));
  if (p) std::memcpy(value, p, sizeof(T));
  return p != nullptr;
}

// Walks the records of a list: `each` gets every record's descriptor; a list item that is not a
// record is refused.
template <class Each>
OSErr eachrecord(Handle scrap, Each each) {
  const WEDataDesc list = _WEWholeStream(scrap);
  i32 count = 0;
  if (OSErr err = _WEDataDesc_CountItems(list, &count)) return err;
  // A count no block could hold is refused before anything is allocated for it.
  if (count > (GetHandleSize(scrap) - 24) / 16) return weMalformedScrapErr;
  for (i32 i = 0; i < count; ++i) {
    WEDataDesc record{};
    if (OSErr err = _WEDataDesc_GetNthItem(list, i, nullptr, &record)) return err;
    if (record.type != kRecordType) return weMalformedScrapErr;
    if (OSErr err = each(record)) return err;
  }
  return noErr;
}

template <class Each>
OSErr eachitem(const WEDataDesc& record, Each each) {
  i32 count = 0;
  if (OSErr err = _WEDataDesc_CountItems(record, &count)) return err;
  for (i32 i = 0; i < count; ++i) {
    OSType key = 0;
    WEDataDesc item{};
    if (OSErr err = _WEDataDesc_GetNthItem(record, i, &key, &item)) return err;
    if (OSErr err = each(key, item)) return err;
  }
  return noErr;
}

// A free-standing object descriptor for a parsed style: the kind, a copy of the data, 32 x 32.
// The descriptor owns the copy from then on (it is disposed of on failure).
OSErr newparsedobject(OSType kind, Handle copy, WEObjectDescHandle* object) {
  *object = nilhandle;
  WEObjectDesc d{};
  d.kind = kind;
  d.data = copy;
  d.offset = 0;
  d.owner = nilid;
  d.handlerTable = weNoHandlerTable;
  d.handlerIndex = -1;
  d.height = d.width = 32;
  Handle h = nilhandle;
  if (OSErr err = _WEAllocate(sizeof(WEObjectDesc), weAllocClear, &h)) {
    DisposeHandle(copy);
    return err;
  }
  setweelement(h, 0, d);
  *object = h;
  return noErr;
}

OSErr parsestyle(const WEDataDesc& record, i16 allocFlags, WEFontNameToFamilyProcPtr hook, WETextStyle* ts) {
  *ts = WETextStyle{};
  ts->backColor = RGBColor{65535, 65535, 65535};
  ts->transferMode = 1;
  ts->encoding = u32(-1);
  ts->extraFaceMask = 0xFF;
  bool encodingknown = false;
  bool named = false;  // the last word on the font was its name
  i16 family = -1;
  const OSErr err = eachitem(record, [&](OSType key, const WEDataDesc& item) -> OSErr {
    for (int bit = 0; bit < 8; ++bit) {
      if (key == kFaceTags[bit] || key == kExtraFaceTags[bit]) {
        const u8* p = exactly(item, 1);
        if (!p) return weMalformedScrapErr;
        u8& byte = key == kFaceTags[bit] ? ts->face : ts->extraFace;
        if (*p) byte = u8(byte | (1u << bit));
        return noErr;
      }
    }
    switch (key) {
      case fourcc("colr"): return readvalue(item, &ts->color) ? OSErr(noErr) : weMalformedScrapErr;
      case fourcc("pbcl"): return readvalue(item, &ts->backColor) ? OSErr(noErr) : weMalformedScrapErr;
      case fourcc("pptm"): return readvalue(item, &ts->transferMode) ? OSErr(noErr) : weMalformedScrapErr;
      case fourcc("fnt#"): {
        if (!readvalue(item, &family)) return weMalformedScrapErr;
        ts->font = family;
        named = false;
        return noErr;
      }
      case fourcc("extp"):
        if (!readvalue(item, &ts->encoding)) return weMalformedScrapErr;
        encodingknown = true;
        return noErr;
      case fourcc("ptsz"):
      case fourcc("xshf"): {
        Fixed f = 0;
        if (!readvalue(item, &f)) return weMalformedScrapErr;
        if (key == fourcc("ptsz")) ts->size = i16(std::clamp(f >> 16, -32768, 32767));
        else ts->vShift = i16(std::clamp(f >> 16, -32768, 32767));
        return noErr;
      }
      case fourcc("font"): {
        i32 n = 0;
        const u8* p = _WEDataDesc_GetData(item, &n);
        if (!encodingknown || p == nullptr || n > 255) return weMalformedScrapErr;
        Str255 name{};
        name[0] = u8(n);
        std::memcpy(name + 1, p, std::size_t(n));
        i16 mapped = ts->font;
        if (OSErr e = _WEQDFontNameToFontFamily(name, family, ts->encoding, hook, &mapped)) return e;
        ts->font = mapped;
        named = true;
        return noErr;
      }
      case fourcc("unds"): {
        OSType tag = 0;
        u16 code = 0;
        if (item.type == fourcc("enum") && readvalue(item, &tag) && _WEUnderlineStyleCode(tag, &code))
          ts->setting = code;
        return noErr;
      }
      case fourcc("lang"): {
        i32 n = 0;
        const u8* p = _WEDataDesc_GetData(item, &n);
        u32 language = 0;
        if (p && _WESetLanguage(reinterpret_cast<const char*>(p), n, &language) == noErr) ts->language = language;
        return noErr;
      }
      case fourcc("obj "): {
        i32 n = 0;
        const u8* p = _WEDataDesc_GetData(item, &n);
        if (p == nullptr && n != 0) return weMalformedScrapErr;
        if (ts->object != 0) _WEFreeObject(ts->object);
        ts->object = 0;
        WEObjectDescHandle object = nilhandle;
        // The block may move while the copy is allocated: read the data again after.
        Handle copy = nilhandle;
        if (OSErr e = _WEAllocate(n, allocFlags, &copy)) return e;
        p = _WEDataDesc_GetData(item, &n);
        if (n > 0) std::memcpy(deref(copy), p, std::size_t(n));
        if (OSErr e = newparsedobject(item.type, copy, &object)) return e;
        ts->object = object;
        return noErr;
      }
      case fourcc("objs"):
      case fourcc("objb"): {
        if (!_WEIsObject(ts->object)) return noErr;
        WEObjectDesc d = weelement<WEObjectDesc>(ts->object, 0);
        if (key == fourcc("objs")) {
          Point size{};
          if (!readvalue(item, &size)) return weMalformedScrapErr;
          d.height = size.v;
          d.width = size.h;
        } else if (!readvalue(item, &d.baseline)) {
          return weMalformedScrapErr;
        }
        setweelement(ts->object, 0, d);
        return noErr;
      }
      default: return noErr;
    }
  });
  if (err != noErr && ts->object != 0) {
    _WEFreeObject(ts->object);
    ts->object = 0;
  }
  // A family given by number alone is settled as a save and a load would settle it (a style is
  // saved with its family's name, and the name read back through the same mapping), so that
  // text read once is the text read after a save: runs do not merge or split on the way.
  if (err == noErr && !named) {
    Str255 name{};
    _WEFontFamilyToQDFontName(ts->font, name, nullptr);
    i16 mapped = ts->font;
    if (_WEQDFontNameToFontFamily(name, ts->font, ts->encoding, hook, &mapped) == noErr) ts->font = mapped;
  }
  return err;
}

OSErr parseruler(const WEDataDesc& record, WERuler* ruler) {
  *ruler = WERuler{};
  ruler->direction = 1;
  return eachitem(record, [&](OSType key, const WEDataDesc& item) -> OSErr {
    OSType tag = 0;
    Fixed value = 0;
    const bool isenum = item.type == fourcc("enum") && readvalue(item, &tag);
    const bool isfixed = item.type == fourcc("fixd") && readvalue(item, &value);
    switch (key) {
      case fourcc("BBRD"):
        if (!isenum) break;
        if (tag == fourcc("SLDL")) ruler->borderStyle = 1;
        else if (tag == fourcc("THKL")) ruler->borderStyle = 3;
        else if (tag == fourcc("DTDL")) ruler->borderStyle = 2;
        break;
      case fourcc("LDIR"):
        if (!isenum) break;
        if (tag == fourcc("L->R")) ruler->direction = 0;
        else if (tag == fourcc("R->L")) ruler->direction = -1;
        break;
      case fourcc("pjst"):
        if (!isenum) break;
        if (tag == fourcc("cent")) ruler->alignment = 1;
        else if (tag == fourcc("full")) ruler->alignment = 2;
        else if (tag == fourcc("left")) ruler->alignment = -2;
        else if (tag == fourcc("rght")) ruler->alignment = -1;
        break;
      case fourcc("lein"):
        if (isfixed) ruler->leftIndent = value;
        break;
      case fourcc("riin"):
        if (isfixed) ruler->rightIndent = value;
        break;
      case fourcc("fidt"):
        if (isfixed) ruler->firstLineIndent = value;
        break;
      case fourcc("ledg"):
        if (isfixed) ruler->lineSpacing = value;
        break;
      case fourcc("spbe"):
        if (isfixed) ruler->spaceBefore = value;
        break;
      case fourcc("spaf"):
        if (isfixed) ruler->spaceAfter = value;
        break;
      default: break;
    }
    return noErr;
  });
}

}  // namespace

OSErr _WEParseRulerScrap(Handle scrap, Handle* rulers) {
  *rulers = nilhandle;
  if (!IsValidHandle(scrap)) return nilHandleErr;
  Handle out = NewHandle(0);
  if (out == nilhandle) return memFullErr;
  const OSErr err = eachrecord(scrap, [&](const WEDataDesc& record) -> OSErr {
    WERuler ruler{};
    if (OSErr e = parseruler(record, &ruler)) return e;
    return _WESplice(out, &ruler, i32(sizeof ruler), -1);
  });
  if (err != noErr) {
    DisposeHandle(out);
    return err;
  }
  *rulers = out;
  return noErr;
}

OSErr _WEParseStyleScrap(Handle scrap, Handle* styles, i16 allocFlags, WEFontNameToFamilyProcPtr hook) {
  *styles = nilhandle;
  if (!IsValidHandle(scrap)) return nilHandleErr;
  Handle out = nilhandle;
  if (OSErr err = _WEAllocate(0, allocFlags, &out)) return err;
  const OSErr err = eachrecord(scrap, [&](const WEDataDesc& record) -> OSErr {
    WETextStyle ts{};
    if (OSErr e = parsestyle(record, allocFlags, hook, &ts)) return e;
    if (OSErr e = _WESplice(out, &ts, i32(sizeof ts), -1)) {
      if (ts.object) _WEFreeObject(ts.object);
      return e;
    }
    return noErr;
  });
  if (err != noErr) {
    _WEForgetStyleArray(&out);
    return err;
  }
  *styles = out;
  return noErr;
}

void _WEForgetStyleArray(Handle* styles) {
  if (!IsValidHandle(*styles)) {
    *styles = nilhandle;
    return;
  }
  for (i32 i = 0; i < HandleCount<WETextStyle>(*styles); ++i) {
    const WETextStyle ts = weelement<WETextStyle>(*styles, i);
    if (ts.object != 0) _WEFreeObject(ts.object);
  }
  DisposeHandle(*styles);
  *styles = nilhandle;
}

}  // namespace kv
