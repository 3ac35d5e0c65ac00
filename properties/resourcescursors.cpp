#include "properties/resourcescursors.h"

#include <cstring>
#include <string>

#include "engine/numbers.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "platform/windows/cursor.h"
#include "core/mainglobals.h"
#include "store/byteorder.h"
#include "store/recordcache.h"
#include "store/resourcelibrary.h"

namespace kv {

namespace {

constexpr Size kCursorBytes = 68;

// A copy of a cursor resource's data in host order; none when it is too short or memory runs out.
Handle cursorcopy(RegistryId store, u32 recordid) {
  Handle rec = nilhandle;
  if (getvir(store, i32(recordid), &rec) != 0) return nilhandle;
  Handle copy = resourcedata(rec);
  if (copy != nilhandle && (GetHandleSize(copy) < kCursorBytes || HandToHand(&copy) != noErr)) copy = nilhandle;
  putvir(store, i32(recordid));
  if (copy != nilhandle) endianswapcurs(copy);
  return copy;
}

}  // namespace

void showcursordata(Handle data) {
  const u8* p = deref(data);
  Cursor c{};
  for (int i = 0; i < 16; ++i) {
    c.data.v[i] = u16(p[2 * i] << 8 | p[2 * i + 1]);
    c.mask.v[i] = u16(p[32 + 2 * i] << 8 | p[33 + 2 * i]);
  }
  c.hotSpot = loadat<Point>(p + 64);
  SetCursor(&c);
}

i16 lowrez(RegistryId store, ResType type, ConstStringPtr name, u32 id, u32* recordid, Handle* out) {
  if (out != nullptr) *out = nilhandle;
  u32 rec = 0;
  if (!findresourcerecord(store, type, name, id, &rec)) return 0;
  if (type == fourcc("CURS")) {
    Handle copy = cursorcopy(store, rec);
    if (copy == nilhandle) return 0;
    if (out != nullptr) {
      *out = copy;
    } else {
      showcursordata(copy);
      DisposeHandle(copy);
    }
  }
  *recordid = rec;
  return 1;
}

i16 findrez(RegistryId store, ResType type, ConstStringPtr text, u32* recordid) {
  i32 n = 0;
  bool number = stringisnumber(text) == integerform && stringtolong(text, &n) == 0;
  ConstStringPtr name = number ? nullptr : text;
  RegistryId shared = mainglobals().sharedstore;
  if (store != nilid && lowrez(store, type, name, u32(n), recordid, nullptr)) return 0;
  if (shared != nilid && shared != store && lowrez(shared, type, name, u32(n), recordid, nullptr)) return 0;
  return 1;
}

namespace {

OSErr texthandle(const std::string& text, Handle* out) {
  Handle h = nilhandle;
  if (OSErr e = PtrToHand(text.data(), &h, Size(text.size()))) return e;
  *out = h;
  return noErr;
}

}  // namespace

OSErr FSpGetFullPath(const FSSpec& spec, i32* length, Handle* path) {
  *path = nilhandle;
  *length = 0;
  std::string text;
  if (OSErr e = fullpathof(spec.vRefNum, spec.parID, spec.name, &text)) return e;
  CatInfo info{};
  if (HGetCatInfo(spec.vRefNum, spec.parID, spec.name, &info) == noErr && info.folder && !text.ends_with('/'))
    text += '/';
  if (OSErr e = texthandle(text, path)) return e;
  *length = i32(text.size());
  return noErr;
}

OSErr resolvenamethrualias(Handle path) {
  if (path == nilhandle) return paramErr;
  std::string text(reinterpret_cast<const char*>(deref(path)), size_t(GetHandleSize(path)));
  const std::size_t slash = text.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
  const std::string file = slash == std::string::npos ? text : text.substr(slash + 1);
  if (file.empty() || file.size() > 255) return bdNamErr;
  u32 dir = 0;
  if (OSErr e = folderidofpath(folder.empty() ? std::string_view(".") : std::string_view(folder), &dir)) return e;
  i16 volume = kBootVolume;
  Str255 name{};
  pstrassign(name, 256, file.data(), file.size());
  bool wasalias = false;
  const OSErr e = ResolveAliasFile(&volume, &dir, name, &wasalias);
  if (e != noErr) {
    SetHandleSize(path, 0);
    return e;
  }
  if (!wasalias) return noErr;
  std::string target;
  if (OSErr f = fullpathof(volume, dir, name, &target)) return f;
  SetHandleSize(path, Size(target.size()));
  if (OSErr f = MemError()) return f;
  std::memcpy(deref(path), target.data(), target.size());
  return noErr;
}

}  // namespace kv
