// The engine's entries in the store's table of live parts: releasing a field's record, writing
// a live record back into its field (or a copy of the field), the objects embedded in a
// field's text and the text of a changed record.
#include "store/liveparts.h"

#include <algorithm>

#include "engine/objectutil.h"
#include "fields/fieldview.h"
#include "store/objects.h"
#include "textengine/fieldstorage.h"
#include "textengine/weinternal.h"

namespace kv {

namespace {

// Disposes of a field's live text record and clears the slot. A slot naming anything else (a
// list field's list) is cleared as before.
void releasewefield(spot& s) {
  const WEReference we = livefield(s);
  if (isvalidwerec(we)) WEDispose(we);
  setlivefield(s, 0);
}

// The live record of a field of the two text-engine styles, or none.
WEReference liverecord(const spot& s) {
  if (!isfield(s) || !usesenginetwo(&s)) return nilid;
  const WEReference we = livefield(s);
  return isvalidwerec(we) ? we : nilid;
}

// A clean record's text is the stored text already: only a changed one is written back.
OSErr packwefield(spot& s) {
  const WEReference we = liverecord(s);
  return we != nilid && GetWERecDirtyFlag(we) ? wenewpacktext(s, we) : OSErr(noErr);
}

OSErr packwelivetext(const spot& original, spot& copy) {
  const WEReference we = liverecord(original);
  return we != nilid ? wenewpacktext(copy, we) : OSErr(noErr);
}

OSErr weembeddedobjects(const spot& field, Handle out) {
  if (!isfield(field) || !usesenginetwo(&field)) return paramErr;
  WEReference we = liverecord(field);
  bool temporary = false;
  if (we == nilid) {
    LongRect dest{}, view{};
    ldestview(field, &dest, &view);
    we = createwerec(field, dest, view);
    if (we == nilid) return memFullErr;
    temporary = true;
  }
  SetHandleSize(out, 0);
  OSErr err = MemError();
  for (Handle h = werec(we)->objectList; err == noErr && _WEIsObject(h);) {
    const WEObjectDesc d = weelement<WEObjectDesc>(h, 0);
    if (d.offset >= werec(we)->textLength) break;
    embeddedobject e{};
    e.kind = d.kind;
    if (d.kind == kEmbeddedIota && IsValidHandle(d.data) && GetHandleSize(d.data) >= Size(sizeof(iota))) {
      const iota io = loadat<iota>(deref(d.data));
      e.id = io.id;
      if (IsValidHandle(io.name)) {
        const Size n = std::min<Size>(GetHandleSize(io.name), 255);
        e.name[0] = u8(n);
        if (n > 0) std::memcpy(e.name + 1, deref(io.name), std::size_t(n));
      }
    }
    err = _WESplice(out, &e, i32(sizeof e), -1);
    h = d.next;
  }
  if (temporary) WEDispose(we);
  return err;
}

OSErr wechangedlivetext(const spot& field, Handle out) {
  const WEReference we = liverecord(field);
  if (we == nilid || !GetWERecDirtyFlag(we)) return paramErr;
  const Handle text = WEGetText(we);
  const i32 n = WEGetTextLength(we);
  SetHandleSize(out, n);
  if (OSErr err = MemError()) return err;
  if (n > 0) std::memcpy(deref(out), deref(text), std::size_t(n));
  return noErr;
}

// Replaces [from, to) through a record with intelligent cut and paste off and drawing held.
OSErr putthrough(WEReference we, i32 from, i32 to, const u8* bytes, i32 n) {
  const i16 smart = WEFeatureFlag(weFIntCutAndPaste, 0, we);
  const i16 held = WEFeatureFlag(weFInhibitRedraw, 1, we);
  const i16 readonly = WEFeatureFlag(weFReadOnly, 0, we);
  const OSErr err = WEPut(from, to, bytes, n, kTextEncodingWEText, 0, 0, nullptr, nullptr, we);
  WEFeatureFlag(weFReadOnly, readonly, we);
  WEFeatureFlag(weFInhibitRedraw, held, we);
  WEFeatureFlag(weFIntCutAndPaste, smart, we);
  return err;
}

OSErr weputtext(spot& s, i32 from, i32 to, const u8* bytes, i32 n) {
  if (!isfield(s)) return paramErr;
  if (const WEReference live = liverecord(s); live != nilid) {
    OSErr err = putthrough(live, from, to, bytes, n);
    if (err == noErr) err = wenewpacktext(s, live);
    return err;
  }
  LongRect dest{}, view{};
  ldestview(s, &dest, &view);
  const WEReference we = createwerec(s, dest, view);
  if (we == nilid) return memFullErr;
  OSErr err = putthrough(we, from, to, bytes, n);
  if (err == noErr) {
    if (usesenginetwo(&s)) {
      err = wenewpacktext(s, we);

    } else {
      Handle uprops = s.uprops;
      if (s.data == nilhandle) s.data = NewHandle(0);
      err = s.data != nilhandle ? wepacktext(s.data, &uprops, we, true) : OSErr(memFullErr);
      s.uprops = uprops;
    }
  }
  WEDispose(we);
  return err;
}

}  // namespace

void installweliveparts() {
  LiveParts parts{};
  parts.releasefield = releasewefield;
  parts.packfield = packwefield;
  parts.packlivetext = packwelivetext;
  parts.embeddedobjects = weembeddedobjects;
  parts.changedlivetext = wechangedlivetext;
  parts.puttext = weputtext;
  installliveparts(parts);
}

}  // namespace kv
