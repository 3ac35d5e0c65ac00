// The picture information record: its defaults and its place in an object's alternate data.
#include "render/pictinfo.h"

#include <bit>

#include "platform/memory/memory.h"
#include "store/objects.h"

namespace kv {

void newpictinfo(PictInfo& p) {
  p = PictInfo{};
  p.storagemode = pictembedded;
  p.flags = pictlayouttracking;
  p.aspect = 2;  // fill
  p.opcolor = RGBColor{65535, 65535, 65535};
  p.zoom = std::bit_cast<u32>(1.0f);
  p.magnification = std::bit_cast<u32>(1.0f);
}

i16 New_PictInfoHandle(spot& s) {
  if (s.alt == 0) {
    Handle list = NewHandle(0);
    if (list == nilhandle) return 0;
    s.alt = list;
  }
  PictInfo p;
  newpictinfo(p);
  Handle info = nilhandle;
  if (PtrToHand(&p, &info, sizeof p) != noErr) return 0;
  Handle empty = NewHandle(0);
  if (empty == nilhandle) {
    DisposeHandle(info);
    return 0;
  }
  if (setaltdata(s.alt, info, altpictinfo) != noErr) {
    DisposeHandle(info);
    DisposeHandle(empty);
    return 0;
  }
  if (setaltdata(s.alt, empty, altpictdata) != noErr) {
    deletealt(s.alt, altpictinfo);
    DisposeHandle(empty);
    return 0;
  }
  return 1;
}

OSErr SetPictInfoHandle(spot& s, Handle data, i16 embedded) {
  Handle info = getaltdata(s.alt, altpictinfo);
  if (info == nilhandle || GetHandleSize(info) < Size(sizeof(PictInfo))) return noErr;
  if (OSErr e = setaltdata(s.alt, data, altpictdata)) return e;
  PictInfo p = loadat<PictInfo>(deref(info));
  p.storagemode = embedded ? pictembedded : pictlinked;
  storeat<PictInfo>(deref(info), p);
  return noErr;
}

namespace {
// Kind 2 of the list when the picture information says the storage mode is `mode`.
Handle pictdataofmode(Handle alt, u32 mode) {
  Handle info = getaltdata(alt, altpictinfo);
  if (info == nilhandle || GetHandleSize(info) < Size(sizeof(PictInfo))) return nilhandle;
  if (loadat<PictInfo>(deref(info)).storagemode != mode) return nilhandle;
  return getaltdata(alt, altpictdata);
}
}  // namespace

Handle GetPictDataHandle(Handle alt) { return pictdataofmode(alt, pictembedded); }
Handle GetPictPathHandle(Handle alt) { return pictdataofmode(alt, pictlinked); }

}  // namespace kv
