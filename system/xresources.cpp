// External-resource records and the callback services over them (see xresources.h).
#include "system/xresources.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/textutil.h"
#include "platform/memory/memory.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "core/memoryguard.h"
#include "store/namekey.h"
#include "store/packing.h"
#include "store/pagedlists.h"
#include "store/recordcache.h"
#include "store/records.h"
#include "store/starfile.h"
#include "system/externals.h"
#include "system/externalstate.h"

namespace kv {

namespace {

constexpr i16 kRecordHeld = 105;  // the record cache: the record is held
constexpr u64 kDiskMargin = 30000;

bool isexternaltype(OSType type) { return type == kXCmd || type == kXFcn || type == kXRtn; }

kv_paramblock& block() { return xstate().xcmd; }

RegistryId currentproject() { return mainglobals().current.store; }

Handle holdlibrary(RegistryId project) {
  Handle lib = nilhandle;
  checkerr(getvir(project, kResourceLibrary, &lib));
  return lib;
}

void releaselibrary(RegistryId project) { checkerr(putvir(project, kResourceLibrary)); }

// Whether the project's volume has room for `bytes` more, beside what the store may reclaim.
bool diskroom(RegistryId project, u64 bytes) {
  u32 reclaim = 0;
  totalstar(project, 20, &reclaim);
  return nodiskspace(project, u64(reclaim) + bytes + kDiskMargin) == 0;
}

// A copy of resource data in the store's byte order. Resources keep their bytes until the
// byte-order services of imported resources join here.
Handle storecopy(Handle data) {
  Handle copy = data;
  return HandToHand(&copy) == noErr ? copy : nilhandle;
}

bookentry bookat(RegistryId project, Handle lib, i32 position) {
  bookentry b{};
  getbook(project, lib, position + 1, &b);
  return b;
}

// The position the block names: type in in[0], name (a length-prefixed text) or id in in[1].
i32 blockposition(RegistryId project, Handle lib, bool byname) {
  const kv_paramblock& b = block();
  if (!byname) return idtoindex(project, lib, OSType(b.in[0]), u32(b.in[1]));
  if (b.in[1] == 0) return -1;
  return nametoindex(project, lib, OSType(b.in[0]), reinterpret_cast<ConstStringPtr>(b.in[1]));
}

// Rebuilds the registry of externals of a project, its loaded code unloaded first.
void rebuildexternals(RegistryId project) {
  unloadregistry(project);
  xinit(project);
}

// Replaces the name or data handle of a record (the old one goes) and writes it back.
void replacepart(RegistryId project, u32 recordid, hfield xresrec::*part, Handle h) {
  Handle rec = nilhandle;
  checkerr(getvir(project, i32(recordid), &rec));
  xresrec r = loadat<xresrec>(deref(rec));
  if (r.*part != nilhandle) DisposeHandle(r.*part);
  r.*part = h;
  storeat<xresrec>(deref(rec), r);
  checkerr(changevir(project, i32(recordid)));
  checkerr(putvir(project, i32(recordid)));
}

// A text handle of the name's characters.
Handle namehandle(ConstStringPtr name) {
  Handle h = nilhandle;
  return stringtonewh(name, &h) == 0 ? h : nilhandle;
}

}  // namespace

i32 nametoindex(RegistryId project, Handle library, OSType type, ConstStringPtr name) {
  u32 key = 0;
  getkey(name, &key);
  bookentry b{};
  for (i32 position = 1; getbook(project, library, position, &b) == 0; ++position) {
    if (b.word12 != type || b.word8 != key) continue;
    Str255 recname;
    if (namevir(project, i32(b.recordid), recname) == 0 && myequalstring(recname, name)) return position - 1;
  }
  return -1;
}

i32 idtoindex(RegistryId project, Handle library, OSType type, u32 id) {
  bookentry b{};
  for (i32 position = 1; getbook(project, library, position, &b) == 0; ++position)
    if (b.word12 == type && b.word4 == id) return position - 1;
  return -1;
}

u32 addres(OSType type, ConstStringPtr name, Handle data, RegistryId project) {
  Size size = GetHandleSize(data);
  if (findprojectstore(project) == nullptr || !IsValidHandle(data)) return 0;
  if (memoryrefused(3 * size) || islocked(project) != 0 || !diskroom(project, 0)) return 0;
  xresrec r{};
  r.kind = kindxres;
  r.name = namehandle(name);
  r.data = storecopy(data);
  Handle rec = nilhandle;
  if (r.name == nilhandle || r.data == nilhandle || PtrToHand(&r, &rec, Size(sizeof r)) != noErr) {
    if (r.name != nilhandle) DisposeHandle(r.name);
    if (r.data != nilhandle) DisposeHandle(r.data);
    return 0;
  }
  i32 recid = 0;
  if (addvir(project, &recid, rec) != 0) {
    dump(rec);
    return 0;
  }
  Handle lib = holdlibrary(project);
  librec l{};
  if (GetHandleSize(lib) >= Size(sizeof l)) l = loadat<librec>(deref(lib));
  u32 key = 0;
  getkey(name, &key);
  u32 resid = l.idcounter;
  if (addutil(project, lib, i32(l.entrycount), bookentry{u32(recid), resid, key, type}) != 0) {
    // The list could not take it: the record goes again.
    releaselibrary(project);
    checkerr(deletevir(project, recid));
    return 0;
  }
  bumprack(project, lib);
  l = loadat<librec>(deref(lib));
  l.entrycount += 1;
  l.idcounter = resid + 1;
  storeat<librec>(deref(lib), l);
  checkerr(changevir(project, kResourceLibrary));
  releaselibrary(project);
  flushstar(project);
  return resid;
}

namespace {

// Deletes the record at a position of the held library (none: -1), and lets the library go.
i16 deleteat(RegistryId project, Handle lib, i32 at) {
  if (at < 0) {
    releaselibrary(project);
    return 0;
  }
  bookentry b = bookat(project, lib, at);
  if (i16 e = deletevir(project, i32(b.recordid))) {
    releaselibrary(project);
    return e;
  }
  deleteobj(project, lib, at);
  checkerr(changevir(project, kResourceLibrary));
  releaselibrary(project);
  flushstar(project);
  return 0;
}

}  // namespace

i16 delres(OSType type, ConstStringPtr name, RegistryId project) {
  if (findprojectstore(project) == nullptr) return 0;
  Handle lib = holdlibrary(project);
  return deleteat(project, lib, nametoindex(project, lib, type, name));
}

i16 delresid(OSType type, u32 id, RegistryId project) {
  if (findprojectstore(project) == nullptr) return 0;
  Handle lib = holdlibrary(project);
  return deleteat(project, lib, idtoindex(project, lib, type, id));
}

void addstarx() {
  kv_paramblock& b = block();
  b.result = 1;
  RegistryId project = currentproject();
  if (b.in[1] == 0) return;
  OSType type = OSType(b.in[0]);
  u32 id = addres(type, reinterpret_cast<ConstStringPtr>(b.in[1]), Handle(b.in[2]), project);
  if (id == 0) return;
  b.out[0] = id;
  b.result = 0;
  if (isexternaltype(type)) rebuildexternals(project);
}

void getstarx(bool byname) {
  kv_paramblock& b = block();
  b.result = 1;
  RegistryId project = currentproject();
  if (findprojectstore(project) == nullptr) return;
  Handle lib = holdlibrary(project);
  i32 at = blockposition(project, lib, byname);
  bookentry book = at >= 0 ? bookat(project, lib, at) : bookentry{};
  releaselibrary(project);
  if (at < 0) return;
  u32 size = 0;
  sizevir(project, i32(book.recordid), &size);
  if (memoryrefused(Size(std::min<u64>(3 * u64(size), 0x7FFFFFFF)))) return;
  Handle rec = nilhandle;
  checkerr(getvir(project, i32(book.recordid), &rec));
  Handle copy = loadat<xresrec>(deref(rec)).data;
  if (copy == nilhandle) copy = NewHandle(0);
  else if (HandToHand(&copy) != noErr) copy = nilhandle;
  checkerr(putvir(project, i32(book.recordid)));
  if (copy == nilhandle) return;
  b.out[0] = copy;
  b.result = 0;
}

void delstarx(bool byname) {
  kv_paramblock& b = block();
  b.result = 1;
  RegistryId project = currentproject();
  if (findprojectstore(project) == nullptr || islocked(project) != 0) return;
  Handle lib = holdlibrary(project);
  i32 at = blockposition(project, lib, byname);
  if (at < 0) {
    releaselibrary(project);
    return;
  }
  bookentry book = bookat(project, lib, at);
  i16 e = deletevir(project, i32(book.recordid));
  if (e == kRecordHeld) {
    // Someone holds the record (an external's code, a reader): it stays.
    releaselibrary(project);
    return;
  }
  checkerr(e);
  deleteobj(project, lib, at);
  checkerr(changevir(project, kResourceLibrary));
  releaselibrary(project);
  flushstar(project);
  b.result = 0;
  if (isexternaltype(OSType(book.word12))) rebuildexternals(project);
}

void altstarx(bool byname) {
  kv_paramblock& b = block();
  b.result = 1;
  RegistryId project = currentproject();
  Handle data = Handle(b.in[2]);
  if (findprojectstore(project) == nullptr || islocked(project) != 0 || !IsValidHandle(data)) return;
  if (!diskroom(project, u64(GetHandleSize(data)))) return;
  Handle lib = holdlibrary(project);
  i32 at = blockposition(project, lib, byname);
  bookentry book = at >= 0 ? bookat(project, lib, at) : bookentry{};
  u32 size = 0;
  if (at >= 0) sizevir(project, i32(book.recordid), &size);
  Handle copy = nilhandle;
  if (at >= 0 && !memoryrefused(Size(std::min<u64>(3 * (u64(GetHandleSize(data)) + size), 0x7FFFFFFF))))
    copy = storecopy(data);
  if (copy == nilhandle) {
    releaselibrary(project);
    return;
  }
  replacepart(project, book.recordid, &xresrec::data, copy);
  releaselibrary(project);
  flushstar(project);
  b.result = 0;
}

void setstarname() {
  kv_paramblock& b = block();
  b.result = 1;
  RegistryId project = currentproject();
  if (findprojectstore(project) == nullptr || islocked(project) != 0 || b.in[2] == 0) return;
  ConstStringPtr name = reinterpret_cast<ConstStringPtr>(b.in[2]);
  Handle lib = holdlibrary(project);
  i32 at = idtoindex(project, lib, OSType(b.in[0]), u32(b.in[1]));
  Handle text = at >= 0 && !memoryrefused(name[0]) ? namehandle(name) : nilhandle;
  if (text == nilhandle) {
    releaselibrary(project);
    return;
  }
  bookentry book = bookat(project, lib, at);
  replacepart(project, book.recordid, &xresrec::name, text);
  u32 key = 0;
  getkey(name, &key);
  book.word8 = key;
  putbook(project, lib, at + 1, book);
  releaselibrary(project);
  flushstar(project);
  b.result = 0;
  // The registry keeps names by their keys: it is built again so that the new name finds it.
  if (isexternaltype(OSType(book.word12))) rebuildexternals(project);
}

void countstarx() {
  kv_paramblock& b = block();
  b.result = 1;
  RegistryId project = currentproject();
  if (findprojectstore(project) == nullptr) return;
  Handle lib = holdlibrary(project);
  u32 count = GetHandleSize(lib) >= Size(sizeof(librec)) ? loadat<librec>(deref(lib)).entrycount : 0;
  releaselibrary(project);
  b.out[0] = count;
  b.result = 0;
}

void indstarx() {
  kv_paramblock& b = block();
  b.result = 1;
  RegistryId project = currentproject();
  if (findprojectstore(project) == nullptr) return;
  OSType type = OSType(b.in[1]);
  i32 position = std::max<i32>(1, i32(b.in[0]));
  Handle lib = holdlibrary(project);
  bookentry book{};
  bool found = false;
  for (; !found && getbook(project, lib, position, &book) == 0; ++position) found = type == 0 || book.word12 == type;
  --position;
  releaselibrary(project);
  if (!found) return;
  kv_resinfo& info = xstate().theinfo;
  info = kv_resinfo{};
  info.type = book.word12;
  info.id = book.word4;
  info.index = u32(position);
  namevir(project, i32(book.recordid), info.name);
  Handle rec = nilhandle;
  checkerr(getvir(project, i32(book.recordid), &rec));
  if (GetHandleSize(rec) >= Size(sizeof(xresrec))) info.size = u32(GetHandleSize(loadat<xresrec>(deref(rec)).data));
  checkerr(putvir(project, i32(book.recordid)));
  b.out[0] = u64(reinterpret_cast<std::uintptr_t>(&info));
  b.result = 0;
}

void renumstarx() {
  kv_paramblock& b = block();
  b.result = 1;
  RegistryId project = currentproject();
  if (findprojectstore(project) == nullptr || islocked(project) != 0) return;
  OSType type = OSType(b.in[0]);
  u32 oldid = u32(b.in[1]), newid = u32(b.in[2]);
  Handle lib = holdlibrary(project);
  i32 at = idtoindex(project, lib, type, newid) >= 0 ? -1 : idtoindex(project, lib, type, oldid);
  if (at < 0) {
    releaselibrary(project);
    return;
  }
  bookentry book = bookat(project, lib, at);
  book.word4 = newid;
  checkerr(putbook(project, lib, at + 1, book));
  librec l = loadat<librec>(deref(lib));
  if (newid >= l.idcounter) {
    l.idcounter = newid + 1;
    storeat<librec>(deref(lib), l);
    checkerr(changevir(project, kResourceLibrary));
  }
  releaselibrary(project);
  flushstar(project);
  b.result = 0;
}

}  // namespace kv
