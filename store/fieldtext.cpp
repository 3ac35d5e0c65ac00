// The stored form of field text: measuring it, its tail and runs, writing it, and its characters
// as a script value.
#include "store/fieldtext.h"

#include <cstring>

#include "engine/fred.h"
#include "platform/memory/memory.h"
#include "core/mainglobals.h"

namespace kv {

fieldtextlayout measurefieldtext(const u8* bytes, i64 size) {
  fieldtextlayout l;
  if (bytes == nullptr || size < kEmptyFieldTextSize) return l;
  u16 runs = loadat<u16>(bytes);
  i64 textoffset = 2 + i64(runs) * kStyleRunSize;
  i64 textlength = size - textoffset - kFieldTailSize;
  if (textlength < 0) return l;
  l.whole = true;
  l.runs = runs;
  l.textoffset = i32(textoffset);
  l.textlength = i32(textlength);
  return l;
}

fieldtextlayout measurefieldtext(Handle text) {
  if (text == nilhandle) return {};
  return measurefieldtext(deref(text), GetHandleSize(text));
}

fieldtail fieldtextail(const u8* bytes, i64 size) {
  if (!measurefieldtext(bytes, size).whole) return defaultfieldtail();
  return loadat<fieldtail>(bytes + size - kFieldTailSize);
}

stylerun fieldtextrun(const u8* bytes, i32 i) { return loadat<stylerun>(bytes + 2 + i64(i) * kStyleRunSize); }

void setdefaultail(fieldtail& t) {
  const MainGlobals& g = mainglobals();
  t.font = u16(g.textFont);
  t.size = u16(g.textSize);
  t.face = u16(g.textStyle);
}

fieldtail defaultfieldtail() {
  fieldtail t{-2, -1, 0, 0, 0, 0};
  setdefaultail(t);
  return t;
}

OSErr setfieldtext(Handle dest, const stylerun* runs, u16 count, const void* text, i32 length, const fieldtail& tail) {
  if (dest == nilhandle) return nilHandleErr;
  if (length < 0) return paramErr;
  i64 size = 2 + i64(count) * kStyleRunSize + length + kFieldTailSize;
  if (size > 0x7FFFFFFF) return memFullErr;
  SetHandleSize(dest, Size(size));
  if (OSErr e = MemError()) return e;
  u8* at = deref(dest);
  storeat<u16>(at, count);
  if (count > 0) std::memcpy(at + 2, runs, size_t(count) * kStyleRunSize);
  i64 textoffset = 2 + i64(count) * kStyleRunSize;
  if (length > 0) std::memcpy(at + textoffset, text, size_t(length));
  storeat<fieldtail>(at + textoffset + length, tail);
  return noErr;
}

OSErr setemptyfieldtext(Handle dest, const fieldtail& tail) { return setfieldtext(dest, nullptr, 0, nullptr, 0, tail); }

i16 datatotext(Handle data, fred* out) {
  fieldtextlayout l = measurefieldtext(data);
  i16 st = newfred(out, fredtemp, fredhand, l.textlength);
  if (st != 0) {
    newfred(out, fredtemp, fredstring, 0);
    return st;
  }
  if (l.textlength > 0) std::memcpy(deref(out->text), deref(data) + l.textoffset, size_t(l.textlength));
  return 0;
}

}  // namespace kv
