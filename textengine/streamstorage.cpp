// Field text storage through keyed streams: a live record written back as a stored text (the
// single-stream form of wepacktext, the stream form of wenewpacktext, whose full formatting and
// objects go into the field's alt list) and the stream form loaded into a record. Also the
// field's spot margin kept on the record.
#include <algorithm>
#include <vector>

#include "commands/define.h"
#include "engine/objectutil.h"
#include "fields/fieldview.h"
#include "platform/fonts/fonts.h"
#include "platform/text/pstring.h"
#include "properties/userprops.h"
#include "store/fieldtext.h"
#include "store/objects.h"
#include "textengine/fieldstorage.h"
#include "textengine/westreams.h"

namespace kv {

namespace {

constexpr u32 kAllowObjectsBit = 1u << 26;
constexpr u32 kInhibitBoth = (1u << weFInhibitRecal) | (1u << weFInhibitRedraw);
const u8 kTextFontName[] = "\x0A__textFont";
const u8 kFontTableName[] = "\x0B__fontTable";

// 10 bits of each component, red lowest.
u32 packcolor(const RGBColor& c) { return u32(c.red >> 6) | (u32(c.green >> 6) << 10) | (u32(c.blue >> 6) << 20); }

// The tail's font number: 0 for the system font, 1 for the application font, else itself.
u16 storedfont(i16 font) {
  if (font == _WEResolveFontDesignator(0)) return 0;
  if (font == _WEResolveFontDesignator(1)) return 1;
  return u16(font);
}

i16 justification(WEReference we) {
  const i8 a = WEGetAlignment(we);
  return a >= -2 && a <= 2 ? i16(a) : i16(0);
}

// The style the tail keeps: the null style of an empty record that has one, else the first run's.
WETextStyle tailsource(WEReference we) {
  const WERec* r = werec(we);
  if (r->textLength == 0 && (r->flags & weFlagNullStyleValid)) return r->nullStyle.ts;
  WEExtRunInfo info;
  _WEGetIndStyle(0, &info, we);
  return info.style.ts;
}

// Sets a user property's value, defining it first; removes it with no bytes to give.
void setprop(Handle* slot, const u8* name, const void* bytes, i32 size) {
  if (bytes == nullptr) {
    Handle value = nilhandle;
    if (*slot != nilhandle && prophandutil(*slot, name, &value) == 0) lowundefineprop(slot, name);
    return;
  }
  Handle value = nilhandle;
  if (*slot == nilhandle || prophandutil(*slot, name, &value) != 0) {
    if (lowdefineprop(slot, name) != 0 || prophandutil(*slot, name, &value) != 0) return;
  }
  if (!IsValidHandle(value)) return;
  SetHandleSize(value, size);
  if (MemError() == noErr && size > 0) std::memcpy(deref(value), bytes, std::size_t(size));
}

void settextfont(Handle* slot, i16 font) {
  if (storedfont(font) >= 2) {
    Str255 name{};
    GetFontName(font, name);
    setprop(slot, kTextFontName, name + 1, name[0]);
  } else {
    setprop(slot, kTextFontName, nullptr, 0);
  }
}

// The stored text: the scrap's runs, the record's text and the tail.
OSErr writestored(Handle dest, Handle scrap, WEReference we, const fieldtail& tail) {
  const WERec* r = werec(we);
  const i32 scrapsize = scrap != nilhandle ? i32(GetHandleSize(scrap)) : 2;
  const i32 length = r->textLength;
  std::vector<u8> bytes(std::size_t(scrapsize) + std::size_t(length) + sizeof(fieldtail), 0);
  if (scrap != nilhandle) std::memcpy(bytes.data(), deref(scrap), std::size_t(scrapsize));
  if (length > 0) std::memcpy(bytes.data() + scrapsize, deref(r->hText), std::size_t(length));
  storeat(bytes.data() + scrapsize + length, tail);
  SetHandleSize(dest, Size(bytes.size()));
  if (OSErr err = MemError()) return err;
  std::memcpy(deref(dest), bytes.data(), bytes.size());
  return noErr;
}

fieldtail tailof(WEReference we, const WETextStyle& ts, u32 color) {
  fieldtail t{};
  t.just = justification(we);
  t.lineheight = -1;
  t.font = storedfont(ts.font);
  t.size = u16(ts.size);
  t.face = ts.face;
  t.color = color;
  return t;
}

// A stream of the whole text into a new block stored under an alt kind of the field.
OSErr storestream(spot& field, OSType flavor, u16 flags, u32 kind, WEReference we) {
  Handle block = NewHandle(0);
  if (block == nilhandle) return memFullErr;
  OSErr err = WEStreamRange(0, WEGetTextLength(we), flavor, flags, block, we);
  if (err == noErr) err = setaltdata(field.alt, block, kind);
  if (err != noErr) DisposeHandle(block);
  return err;
}

}  // namespace

OSErr wepacktext(Handle dest, Handle* uprops, WEReference we, bool fontprops) {
  const WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  if (!IsValidHandle(dest)) return nilHandleErr;
  Handle scrap = NewHandle(0);
  if (scrap == nilhandle) return memFullErr;
  OSErr err = WEStreamRange(0, r->textLength, fourcc("styl"), 0, scrap, we);
  SetWERecDirtyFlag(we, false);
  if (err == noErr) {
    const i32 runs = loadat<u16>(deref(scrap));
    if (runs < 2) {
      WETextStyle ts{};
      u16 mode = weDoFont | weDoFace | weDoSize | weDoColor;
      _WEContinuousStyleRange(0, r->textLength, &mode, &ts, we);
      storeat<u16>(deref(scrap), 0);
      SetHandleSize(scrap, 2);
      err = writestored(dest, scrap, we, tailof(we, ts, packcolor(ts.color)));
      if (err == noErr && fontprops && uprops) {
        setprop(uprops, kFontTableName, nullptr, 0);
        settextfont(uprops, ts.font);
      }
    } else {
      const WETextStyle ts = tailsource(we);
      err = writestored(dest, scrap, we, tailof(we, ts, 0));
      if (err == noErr && fontprops && uprops) {
        setprop(uprops, kTextFontName, nullptr, 0);
        Handle table = NewHandle(0);
        if (table != nilhandle && WEBuildFontTable(table, nullptr, we) == noErr)
          setprop(uprops, kFontTableName, deref(table), i32(GetHandleSize(table)));
        if (table != nilhandle) DisposeHandle(table);
      }
    }
  }
  DisposeHandle(scrap);
  return err;
}

namespace {

// The stream form into the field; what it makes that the field did not have is given back by
// the caller on failure.
OSErr packstreams(spot& field, WEReference we) {
  if (field.data == nilhandle) {
    field.data = NewHandle(0);
    if (field.data == nilhandle) return memFullErr;
  }
  Handle scrap = NewHandle(0);
  if (scrap == nilhandle) return memFullErr;
  OSErr err = WEStreamRange(0, 1, fourcc("styl"), 0, scrap, we);
  // The font table of the single-stream form is of no use any more; the field's setting for
  // objects is its own (saving does not change it).
  Handle uprops = field.uprops;
  if (uprops != nilhandle) setprop(&uprops, kFontTableName, nullptr, 0);
  SetWERecDirtyFlag(we, false);
  if (err == noErr) {
    const WETextStyle ts = tailsource(we);
    err = writestored(field.data, scrap, we, tailof(we, ts, 0));
    settextfont(&uprops, ts.font);
  }
  field.uprops = uprops;
  DisposeHandle(scrap);
  if (err != noErr || !usesenginetwo(&field)) return err;
  if (field.alt == nilhandle) {
    field.alt = NewHandle(0);
    if (field.alt == nilhandle) return memFullErr;
  }
  if ((err = storestream(field, fourcc("WEcf"), 2, altwecf, we))) return err;
  if ((err = storestream(field, fourcc("WEst"), 0x102, altwest, we))) return err;
  if ((err = storestream(field, fourcc("WEpf"), 2, altwepf, we))) return err;
  return storestream(field, fourcc("WEru"), 2, altweru, we);
}

}  // namespace

OSErr wenewpacktext(spot& field, WEReference we) {
  if (werec(we) == nullptr) return weBadReferenceErr;
  const spot before = field;
  const OSErr err = packstreams(field, we);
  if (err != noErr) {
    // Blocks the field did not have go again, so that a caller that drops the field on
    // failure leaks nothing.
    if (before.data == nilhandle && field.data != nilhandle) DisposeHandle(field.data), field.data = nilhandle;
    if (before.alt == nilhandle && field.alt != nilhandle) dumpalt(field.alt), field.alt = nilhandle;
    if (before.uprops == nilhandle && field.uprops != nilhandle) dumprop(field.uprops), field.uprops = nilhandle;
    SetWERecDirtyFlag(we, true);
  }
  return err;
}

OSErr wenewunpacktext(const spot& field, WEReference we) {
  WERec* r = werec(we);
  if (r == nullptr) return weBadReferenceErr;
  struct Row {
    u32 kind;
    OSType flavor;
  };
  static const Row kWithObjects[] = {{altwecf, fourcc("WEcf")}, {altwest, fourcc("WEst")},
                                     {altsoup, fourcc("SOUP")}, {altwepf, fourcc("WEpf")},
                                     {altweru, fourcc("WEru")}, {altfonttable, fourcc("FISH")}};
  static const Row kPlain[] = {{altwecf, fourcc("WEcf")}, {altwest, fourcc("WEst")}, {altfonttable, fourcc("FISH")}};
  const bool withobjects = (field.flags & kAllowObjectsBit) != 0;
  const Row* rows = withobjects ? kWithObjects : kPlain;
  const i32 nrows = withobjects ? 6 : 3;
  std::vector<OSType> types;
  std::vector<Handle> handles;
  auto has = [&](OSType t) { return std::find(types.begin(), types.end(), t) != types.end(); };
  for (i32 i = 0; i < nrows; ++i) {
    const Handle data = field.alt != nilhandle ? getaltdata(field.alt, rows[i].kind) : nilhandle;
    if (!IsValidHandle(data)) continue;
    types.push_back(rows[i].flavor);
    handles.push_back(data);
  }
  const bool engineformats = has(fourcc("WEcf")) && has(fourcc("WEst"));
  if (engineformats) {
    for (std::size_t i = 0; i < types.size(); ++i)
      if (types[i] == fourcc("FISH")) {
        types.erase(types.begin() + std::ptrdiff_t(i));
        handles.erase(handles.begin() + std::ptrdiff_t(i));
        break;
      }
  }

  // The stored text.
  const i64 size = IsValidHandle(field.data) ? GetHandleSize(field.data) : 0;
  const fieldtextlayout l = size > 0 ? measurefieldtext(deref(field.data), size) : fieldtextlayout{};
  const fieldtail tail = size > 0 ? fieldtextail(deref(field.data), size) : defaultfieldtail();
  Handle styl = nilhandle;
  if (!engineformats) {
    if (l.runs > 0) {
      if (PtrToHand(deref(field.data), &styl, l.textoffset) != noErr) return memFullErr;
    } else {
      // One run of the tail's style.
      WEStyle st{};
      st.ts.font = _WEResolveFontDesignator(i16(tail.font));
      st.ts.size = i16(tail.size);
      st.ts.face = u8(tail.face);
      _WECalcFontMetrics(&st, we);
      u8 el[22] = {};
      storeat<u16>(el, 1);
      storeat<i32>(el + 2, 0);
      storeat<u16>(el + 6, st.runHeight);
      storeat<u16>(el + 8, st.runAscent);
      storeat<i16>(el + 10, i16(tail.font));
      el[12] = u8(tail.face);
      storeat<i16>(el + 14, i16(tail.size));
      const RGBColor c{u16(((tail.color >> 0) & 0x3FF) * 64), u16(((tail.color >> 10) & 0x3FF) * 64),
                       u16(((tail.color >> 20) & 0x3FF) * 64)};
      storeat<RGBColor>(el + 16, c);
      if (PtrToHand(el, &styl, sizeof el) != noErr) return memFullErr;
    }
    types.push_back(fourcc("styl"));
    handles.push_back(styl);
  }
  Handle text = nilhandle;
  if (PtrToHand(l.textlength > 0 ? deref(field.data) + l.textoffset : nullptr, &text, l.textlength) != noErr) {
    if (styl) DisposeHandle(styl);
    return memFullErr;
  }

  // The text goes in with every flavour in one put, laid out once at the end.
  SetWERecDirtyFlag(we, false);
  r = werec(we);
  const u32 features = r->features;
  r->features = (features | kInhibitBoth) & ~(1u << weFReadOnly);
  LongRect dest{};
  WEGetDestRect(&dest, we);
  OSErr err = WEPut(0, WEGetTextLength(we), l.textlength > 0 ? deref(text) : nullptr, l.textlength, kTextEncodingWEText,
                    0, i32(types.size()), types.data(), handles.data(), we);
  DisposeHandle(text);
  if (styl) DisposeHandle(styl);
  if (err == noErr) {
    WERuler ruler{};
    ruler.alignment = i8(std::clamp<i16>(tail.just, -2, 2));
    // Paragraph formats of the streams win over the tail's justification.
    if (!has(fourcc("WEpf")) || !withobjects) err = _WESetRulerRange(0, WEGetTextLength(we), weDoAlignment, &ruler, we);
  }
  r = werec(we);
  r->features = features;
  if (err == noErr && !(features & (1u << weFInhibitRecal))) err = WECalText(we);
  // The destination keeps its place; the text's height gives its bottom.
  LongRect now{};
  WEGetDestRect(&now, we);
  now.bottom = dest.top + (now.bottom - now.top);
  now.top = dest.top;
  now.left = dest.left;
  now.right = dest.right;
  WESetDestRect(&now, we);
  SetWERecSpotMargin(we, Point{i16(now.top - field.rect.top), i16(now.left - field.rect.left)});
  SetFieldMargins(field, we);
  r = werec(we);
  r->selStart = r->selEnd = r->anchorStart = r->anchorEnd = r->textLength;
  r->flags &= ~weFlagNullStyleValid;
  WEResetModCount(we);
  SetWERecDirtyFlag(we, false);
  return err;
}

void SetWERecSpotMargin(WEReference we, Point margin) {
  if (!isvalidwerec(we)) return;
  WESetUserInfo(fourcc("RECT"), i32((u32(u16(margin.v)) << 16) | u16(margin.h)), we);
}

bool GetWERecSpotMargin(WEReference we, Point* margin) {
  *margin = Point{0, 0};
  i32 value = 0;
  if (!isvalidwerec(we) || WEGetUserInfo(fourcc("RECT"), &value, we) != noErr) return false;
  *margin = Point{i16(u32(value) >> 16), i16(u32(value) & 0xFFFF)};
  return true;
}

}  // namespace kv
