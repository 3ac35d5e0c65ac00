// Fields as containers: the field a reference names, written through its stored text.
#include <algorithm>

#include "engine/container.h"
#include "engine/fred.h"
#include "engine/scripterrors.h"
#include "fields/fieldview.h"
#include "render/carddrawing.h"
#include "render/fielddrawing.h"
#include "platform/memory/memory.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "store/fieldtext.h"
#include "store/liveparts.h"
#include "core/memoryguard.h"
#include "store/objectref.h"
#include "store/objects.h"
#include "store/objread.h"
#include "store/recordcache.h"

namespace kv {

namespace {

constexpr i64 kMaxFieldText = 600000000;

// The descriptor a field container keeps; false when it keeps none.
bool descriptorof(const chunkpart& dest, objread* obj) {
  if (dest.field == nilhandle || GetHandleSize(dest.field) != Size(sizeof(objread))) return false;
  *obj = loadat<objread>(deref(dest.field));
  return true;
}

void release(chunkpart* dest) {
  objread obj{};
  if (descriptorof(*dest, &obj)) writeobj(&obj);
  if (dest->field != nilhandle) DisposeHandle(dest->field);
  dest->field = nilhandle;
  disposfred(&dest->value);
}

// Without the text engine (its entries not installed) a stored text is written directly: runs
// after the first would no longer meet the characters they styled, so the text keeps its first
// run only. With the engine every text with runs is written through a text record.
void keepfirstrun(Handle data) {
  const fieldtextlayout l = measurefieldtext(data);
  if (!l.whole || l.runs <= 1) return;
  Munger(data, 2 + kStyleRunSize, nullptr, (l.runs - 1) * kStyleRunSize, "", 0);
  storeat<u16>(deref(data), 1);
}

}  // namespace

scriptstatus fieldcontainer(hierpath path, Handle text, Handle atoms, i32 at, Handle variables, i32* count,
                            chunkpart* dest) {
  *count = 0;
  objread obj{};
  i32 used = 0;
  if (i16 st = scanobj(path, text, atoms, at, variables, &used, &obj)) return st;
  i16 st = 0;
  if (obj.kind != objpart) st = err::notext;
  spot s{};
  if (st == 0) {
    s = spotat(obj.objects, obj.objindex);
    if (s.kind != spotfield) st = err::notfield;
  }
  // A background field named on a card that is not shown carries the shown card's record in
  // its slot: that record is not this field's text.
  if (st == 0 && livefield(s) != 0 && readhaswerec(obj)) {
    // The live record's text goes into the stored text first.
    st = packlivefield(s) == noErr ? i16(0) : err::nomemory;
    putspot(obj.objects, obj.objindex, s);
  }
  Handle data = s.data;
  if (st == 0 && data == nilhandle) {
    data = NewHandle(0);
    if (data == nilhandle || setemptyfieldtext(data, defaultfieldtail()) != noErr) st = err::nomemory;
    s.data = data;
    putspot(obj.objects, obj.objindex, s);
  }
  Handle keep = nilhandle;
  if (st == 0 && PtrToHand(&obj, &keep, Size(sizeof obj)) != noErr) st = err::nomemory;
  if (st != 0) {
    writeobj(&obj);
    return st;
  }
  fieldtextlayout l = measurefieldtext(data);
  if (!l.whole && setemptyfieldtext(data, defaultfieldtail()) == noErr) l = measurefieldtext(data);
  dest->kind = containerfield;
  newfred(&dest->value, fredobject, fredhand, 0);
  dest->value.text = data;
  dest->start = u32(l.textoffset);
  dest->end = u32(l.textoffset + l.textlength);
  dest->field = keep;
  *count = used;
  return 0;
}

i16 putfield(chunkpart* dest, u32 start, u32 end, const u8* bytes, Size n, bool resetscroll) {
  objread obj{};
  if (!descriptorof(*dest, &obj)) {
    release(dest);
    return err::notext;
  }
  Handle data = dest->value.text;
  fieldtextlayout l = measurefieldtext(data);
  i32 from = std::clamp(i32(start), l.textoffset, l.textoffset + l.textlength);
  i32 to = std::clamp(i32(end), from, l.textoffset + l.textlength);
  i64 room = kMaxFieldText - (i64(l.textlength) - (to - from));
  Size put = Size(std::clamp<i64>(n, 0, std::max<i64>(room, 0)));
  i16 st = 0;
  spot s = spotat(obj.objects, obj.objindex);
  // A field of the text engine's styles with a live record, or a stored text with runs, is
  // written through a text record (its live one, kept, or a temporary one) and packed back.
  const bool shown = livefield(s) != 0 && readhaswerec(obj);
  const bool enginerecord = shown && (s.style == stylefieldrect || s.style == stylefieldscroll);
  bool written = false;
  if (enginerecord || l.runs > 0) {
    const i32 length = i32(std::min<i64>(put, INT32_MAX));
    if (memoryrefused(Size(std::min<i64>(i64(GetHandleSize(data)) + put, INT32_MAX)))) {
      st = err::nomemory;
    } else {
      // A record in the slot that is not this field's (see above) is left alone: the write goes
      // through a temporary record.
      spot t = s;
      if (!shown) setlivefield(t, 0);
      const OSErr e = putlivetext(t, from - l.textoffset, to - l.textoffset, bytes, length);
      s.data = t.data;
      s.alt = t.alt;
      s.uprops = t.uprops;
      if (e == noErr) {
        written = true;
        putspot(obj.objects, obj.objindex, s);
      } else if (e != paramErr) {
        putspot(obj.objects, obj.objindex, s);
        st = err::nomemory;
      }
    }
  }
  if (st == 0 && !written) {
    if (memoryrefused(Size(std::min<i64>(i64(GetHandleSize(data)) + put, INT32_MAX)))) {
      st = err::nomemory;
    } else {
      Munger(data, from, nullptr, to - from, bytes, put);
      if (MemError() != noErr) st = err::nomemory;
      else keepfirstrun(data);
    }
  }
  // A write into the field open for typing closes it as changed once the descriptor went.
  const MainGlobals& g = mainglobals();
  const bool edited = st == 0 && g.openfield >= 0 && obj.objects == g.openfieldspots && obj.objindex == g.openfield &&
                      s.id == g.openfieldid && obj.d.store == g.openfieldstore;
  if (st == 0) {
    checkerr(changevir(obj.d.store, i32(obj.ownerrecid)));
    s = spotat(obj.objects, obj.objindex);
    if (s.style == stylefieldlist || s.style == stylefieldscrolllist) reloadlivelist(s);
    if (resetscroll && s.style != stylefieldscrolllist) setfieldscroll(s, 0);
    putspot(obj.objects, obj.objindex, s);
    if (obj.d.window != nilid) invalspot(obj.objects, obj.objindex);
  }
  release(dest);
  return edited ? putdownedited() : st;
}

void releasefieldcontainer(chunkpart* dest) { release(dest); }

}  // namespace kv
