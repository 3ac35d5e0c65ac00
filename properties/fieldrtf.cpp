#include "properties/fieldrtf.h"

#include <algorithm>

#include "engine/objectutil.h"
#include "fields/fieldview.h"
#include "fields/rtfreader.h"
#include "platform/files/files.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "store/liveparts.h"
#include "store/objects.h"
#include "textengine/fieldpacking.h"
#include "textengine/werecord.h"

namespace kv {

namespace {

constexpr u32 kDontWrapBit = 1u << 11;  // the field's dontWrap flag

// The record the RTF goes into: over the field's rectangles, drawing and laying out nothing
// until the text is in, with the field's wrapping and objects settings.
OSErr newrecordfor(const spot& field, WEReference* we) {
  LongRect dest{}, view{};
  ldestview(field, &dest, &view);
  if (OSErr err = WENew(&dest, &view, 4096, we)) return err;
  WEFeatureFlag(10, 1, *we);
  WEFeatureFlag(9, 1, *we);
  SetDontWrapFlag(*we, (field.flags & kDontWrapBit) != 0 ? 1 : 0);
  SetAllowObjectsFlag(*we, allowsobjects(&field) ? 1 : 0);
  if (allowsobjects(&field)) {
    if (OSErr err = WEInstallObjectHandlers(*we)) {
      WEDispose(*we);
      *we = nilid;
      return err;
    }
  }
  return noErr;
}

int32_t readpackage(const std::string& package, WEReference we) {
  // The package by its folder, so that a path of any length is read.
  u32 folder = 0;
  if (OSErr err = folderidofpath(package, &folder)) return err;
  Str255 name{};
  setpstring(name, "TXT.rtf");
  FileRef ref = nilid;
  if (OSErr err = HOpen(kBootVolume, folder, name, fsRdPerm, &ref)) return err;
  const int32_t st = RTFReadFileCrutch(0, 0, we, ref, &package);
  FSClose(ref);
  return st;
}

// The record packed into new stored text and a copy of the field's alt list; only when that
// worked do they replace the field's (so a failure leaves the field as it was).
OSErr packinto(spot& field, WEReference we) {
  spot fresh = field;
  fresh.data = nilhandle;
  if (field.alt != nilhandle) {
    Handle alt = field.alt;
    if (dupealt(&alt) != noErr || alt == field.alt) return memFullErr;
    fresh.alt = alt;
  }
  // The stream form, then every run in the stored text as well: a field of an older style
  // keeps only those, and one changed to an older style later keeps its styles.
  OSErr err = wenewpacktext(fresh, we);
  if (err == noErr) {
    Handle uprops = fresh.uprops;
    err = wepacktext(fresh.data, &uprops, we, !usesenginetwo(&field));
    fresh.uprops = uprops;
  }
  if (err != noErr) {
    if (fresh.data != nilhandle) DisposeHandle(fresh.data);
    if (fresh.alt != nilhandle && fresh.alt != field.alt) dumpalt(fresh.alt);
    if (fresh.uprops != nilhandle && fresh.uprops != field.uprops) dumprop(fresh.uprops);
    return err;
  }
  releaselivefield(field);
  if (field.data != nilhandle) DisposeHandle(field.data);
  if (field.alt != nilhandle) dumpalt(field.alt);
  field.data = fresh.data;
  field.alt = fresh.alt;
  field.uprops = fresh.uprops;
  return noErr;
}

}  // namespace

int32_t readrtfintofield(spot& field, const u8* bytes, i32 length, const std::string* package, bool lines) {
  WEReference we = nilid;
  if (OSErr err = newrecordfor(field, &we)) return err;
  int32_t st = 0;
  if (package != nullptr) {
    st = readpackage(*package, we);
  } else {
    Handle rtf = nilhandle;
    st = PtrToHand(bytes, &rtf, std::max<i32>(length, 0));
    if (st == 0) st = RTFReadHandleCrutch(0, 0, we, rtf);
    if (rtf != nilhandle) DisposeHandle(rtf);
  }
  if (st == 0 && lines) {
    const Handle text = WEGetText(we);
    std::replace(deref(text), deref(text) + GetHandleSize(text), u8(10), u8(13));
  }
  if (st == 0) {
    WEFeatureFlag(9, 0, we);
    st = WECalText(we);
  }
  if (st == 0) st = packinto(field, we);
  WEDispose(we);
  return st;
}

}  // namespace kv
