// The record cache of an open project: loading, holding, changing, writing back and evicting
// records; opening and closing projects (see recordcache.h).
#include "store/recordcache.h"

#include <vector>

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/objectutil.h"
#include "platform/memory/memory.h"
#include "platform/text/pstring.h"
#include "core/fatalerror.h"
#include "core/mainglobals.h"
#include "store/byteorder.h"
#include "store/commitpoints.h"
#include "store/packing.h"
#include "system/externals.h"

namespace kv {

namespace {

constexpr i16 kNoProject = 104;
constexpr i16 kNotCached = 102;
constexpr Size kWriteBackStart = 10000;  // the first size of a write-back's packing buffer

i32 entrycount(const projectstore& st) {
  if (st.cache == nilhandle) return 0;
  return i32(HandleCount<virentry>(st.cache));
}

// The entries, or null when there are none.
virentry* entries(const projectstore& st) { return entrycount(st) > 0 ? HandleAs<virentry>(st.cache) : nullptr; }

// The entry of a record, or null. The pointer lives until the next allocation: fetch it again
// after any call that may allocate (which may also evict other entries through the memory
// guard).
virentry* entryof(projectstore& st, i32 id) {
  i32 n = entrycount(st);
  virentry* e = entries(st);
  for (i32 i = 0; i < n; ++i) {
    if (e[i].id == id) return &e[i];
  }
  return nullptr;
}

// Takes entry i out of the cache, closing the gap.
void removeentry(projectstore& st, i32 i) {
  i32 n = entrycount(st);
  virentry* e = entries(st);
  if (e == nullptr || i < 0 || i >= n) return;
  std::memmove(e + i, e + i + 1, sizeof(virentry) * std::size_t(n - i - 1));
  SetHandleSize(st.cache, Size(sizeof(virentry)) * (n - 1));
  st.cachecount = n - 1;
}

OSErr appendentry(projectstore& st, const virentry& v) {
  if (st.cache == nilhandle) {
    st.cache = NewHandle(0);
    if (st.cache == nilhandle) return MemError();
  }
  if (OSErr e = PtrAndHand(&v, st.cache, Size(sizeof v))) return e;
  st.cachecount = entrycount(st);
  return noErr;
}

u64 nextstamp() { return ++mainglobals().usecounter; }

// The open project and the cache entry of a record: 0, 104 or 102.
i16 cachedentry(RegistryId store, i32 id, projectstore** st, virentry** e) {
  *st = findprojectstore(store);
  if (*st == nullptr) return kNoProject;
  *e = entryof(**st, id);
  return *e == nullptr ? kNotCached : 0;
}

// Reads record id into a new unpacked handle.
i16 loadrecord(RegistryId store, i32 id, Handle* out) {
  *out = nilhandle;
  Handle h = NewHandle(0);
  if (h == nilhandle) return MemError();
  if (i16 e = getstar(store, id, h)) {
    DisposeHandle(h);
    return e;
  }
  if (unpack(h) != noErr) {
    dump(h);
    return kBadRecordKind;
  }
  *out = h;
  return 0;
}

// Packs a cached record into a buffer and writes it over its stored version. The entry is
// left as it is: the caller clears its changed flag when this answers 0.
i16 writeback(RegistryId store, Handle record, i32 id) {
  Handle packed = NewHandle(kWriteBackStart);
  if (packed == nilhandle) return MemError();
  i16 e = fast(record, packed) != noErr ? kBadRecordKind : savestar(store, id, packed);
  DisposeHandle(packed);
  return e;
}

// Where the name part of an unpacked record lives, by its kind; false for kinds without one.
bool nameoffset(u16 kind, Size* fixed, Size* at) {
  switch (kind) {
    case kindwind: *fixed = sizeof(windrec), *at = offsetof(windrec, name); return true;
    case kindmenu: *fixed = sizeof(menurec), *at = offsetof(menurec, name); return true;
    case kindxres: *fixed = sizeof(xresrec), *at = offsetof(xresrec, name); return true;
    case kindcard: *fixed = sizeof(cardrec), *at = offsetof(cardrec, name); return true;
    case kindback: *fixed = sizeof(backrec), *at = offsetof(backrec, name); return true;
    default: return false;
  }
}

i16 cachedname(Handle record, StringPtr name) {
  Size fixed, at;
  if (GetHandleSize(record) < 2 || !nameoffset(loadat<u16>(deref(record)), &fixed, &at)) return kBadRecordKind;
  if (GetHandleSize(record) < fixed) return kBadRecordKind;
  Handle text = loadat<u32>(deref(record) + at);
  name[0] = 0;
  if (text != nilhandle) pstrassign(name, 256, deref(text), std::size_t(GetHandleSize(text)));
  return 0;
}

// The name in the last 260 bytes of a stored record whose name block comes last: {u32
// big-endian length, name bytes, pad to even}. The length word's high half is the first zero
// word found from the end; the name is what follows its length word, within the buffer.
void storedname(const u8* tail, StringPtr name) {
  name[0] = 0;
  if (tail[258] == 0 && tail[259] == 0) return;
  for (int at = 254; at >= 0; at -= 2) {
    if (tail[at] != 0 || tail[at + 1] != 0) continue;
    std::size_t length = tail[at + 3];
    std::size_t room = std::size_t(260 - (at + 4));
    pstrassign(name, 256, tail + at + 4, std::min(length, room));
    return;
  }
}

// The project's full path: its folder's path and its name, or just its name when the path
// does not fit 255 bytes.
i16 fillpath(projectstore& st, u32 dirid, ConstStringPtr name) {
  std::string path;
  std::string_view file = pstringview(name);
  if (!file.empty() && file.front() == '/') {
    path = std::string(file);
  } else if (dirid != 0) {
    if (OSErr e = pathoffolder(dirid, &path)) return e;
    if (path.empty() || path.back() != '/') path += '/';
    path += file;
  } else {
    path = std::string(file);
  }
  if (path.size() > 255) {
    std::size_t slash = path.rfind('/');
    path = path.substr(slash == std::string::npos ? 0 : slash + 1);
  }
  pstrassign(st.fullpath, 256, path.data(), path.size());
  return 0;
}

void unlink(RegistryId store) {
  RegistryId* link = &mainglobals().openprojects;
  while (*link != nilid) {
    projectstore* st = findprojectstore(*link);
    if (st == nullptr) return;
    if (*link == store) {
      *link = st->next;
      st->next = nilid;
      return;
    }
    link = &st->next;
  }
}

}  // namespace

// --- Projects --------------------------------------------------------------------------------

i16 openvir(i16 volume, u32 dirid, ConstStringPtr name, RegistryId store) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return kNoProject;
  st->dirty = 0;
  st->cachecount = 0;
  st->resref = 0;
  if (i16 e = openstar(volume, dirid, name, store)) return e;
  i16 e = fillpath(*st, dirid, name);
  if (e == 0 && st->cache == nilhandle && (st->cache = NewHandle(0)) == nilhandle) e = MemError();
  if (e != 0) {
    closestar(store);
    return e;
  }
  st->next = mainglobals().openprojects;
  mainglobals().openprojects = store;
  xinit(store);
  // The project's own resource file, when projects' resource files are wanted.
  if (mainglobals().openResourceForks && store != mainglobals().sharedstore) doresources(store, true);
  return 0;
}

i16 closevir(RegistryId store) {
  if (findprojectstore(store) == nullptr) return kNoProject;
  xdump(store);
  // The project's resource file closes with it.
  doresources(store, false);
  projectstore* st = findprojectstore(store);
  // Entries go in load order; each leaves the cache as its record goes, so that a failure
  // leaves a cache that still holds only live records.
  for (const virentry* e = entries(*st); e != nullptr; e = entries(*st)) {
    if (dump(e->record) != noErr) return kBadRecordKind;
    removeentry(*st, 0);
  }
  if (st->cache != nilhandle) DisposeHandle(st->cache);
  st->cache = nilhandle;
  st->cachecount = 0;
  if (i16 e = flushstar(store)) return e;
  i16 e = closestar(store);
  unlink(store);
  disposeprojectstore(store);
  return e;
}

RegistryId nextvir(RegistryId store) {
  projectstore* st = findprojectstore(store);
  return st == nullptr ? nilid : st->next;
}

// --- Records ---------------------------------------------------------------------------------

i16 getvir(RegistryId store, i32 id, Handle* out) {
  *out = nilhandle;
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return kNoProject;
  if (virentry* e = entryof(*st, id)) {
    ++e->usecount;
    e->stamp = nextstamp();
    *out = e->record;
    return 0;
  }
  Handle h;
  if (i16 e = loadrecord(store, id, &h)) return e;
  st = findprojectstore(store);
  if (OSErr e = appendentry(*st, virentry{id, 1, 0, h, nextstamp(), 0})) {
    dump(h);
    return e;
  }
  *out = h;
  if (st->cachecount > mainglobals().objectCache) cleanold(store);
  return 0;
}

// Writes a changed entry back and clears its changed flag: 0, or the store's refusal. A
// project that cannot be written (locked by the user, a file without write permission, a
// locked volume) is not written to: its change stays in memory, the entry changed, so that
// eviction never takes it and the project goes on showing it; 0. Saving such a project
// reports the lock; closing it or leaving its card forgets the change.
namespace {
i16 writeorkeep(RegistryId store, i32 id) {
  projectstore* st = findprojectstore(store);
  virentry* e = entryof(*st, id);
  if (st->locked) return 0;
  if (i16 err = writeback(store, e->record, id)) {
    // The write test tells a locked file from a store fault (a full disk, a damaged file).
    return islocked(store) == 0 ? err : i16(0);
  }
  st = findprojectstore(store);
  markchanged(st);
  if ((e = entryof(*st, id)) == nullptr) return kNotCached;
  e->changed = 0;
  return 0;
}
}  // namespace

i16 putvir(RegistryId store, i32 id) {
  projectstore* st;
  virentry* e;
  if (i16 err = cachedentry(store, id, &st, &e)) return err;
  if (e->usecount == 0) return kBadRecordKind;
  if (e->usecount == 1 && e->changed) {
    // The hold stays while the record is written: a refused write leaves it held and
    // changed, and eviction never sees it.
    if (i16 err = writeorkeep(store, id)) return err;
    if ((e = entryof(*findprojectstore(store), id)) == nullptr) return kNotCached;
  }
  --e->usecount;
  return 0;
}

i16 changevir(RegistryId store, i32 id) {
  projectstore* st;
  virentry* e;
  if (i16 err = cachedentry(store, id, &st, &e)) return err;
  if (e->usecount == 0) return kBadRecordKind;
  e->changed = 1;
  return 0;
}

i16 savevir(RegistryId store, i32 id) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return kNoProject;
  virentry* e = entryof(*st, id);
  if (e == nullptr || !e->changed) return 0;
  return writeorkeep(store, id);
}

i16 saveallvir(RegistryId store) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return kNoProject;
  // The ids first: a write-back may move the cache's entries.
  std::vector<i32> changed;
  for (i32 i = 0; i < entrycount(*st); ++i)
    if (entries(*st)[i].changed) changed.push_back(entries(*st)[i].id);
  for (i32 id : changed)
    if (i16 err = savevir(store, id)) return err;
  return 0;
}

i16 revertvir(RegistryId store, i32 id, Handle* out) {
  projectstore* st;
  virentry* e;
  if (i16 err = cachedentry(store, id, &st, &e)) return err;
  if (e->usecount != 1) return kBadRecordKind;
  if (!e->changed) return 0;
  // The stored version is read before the changed one goes, so that a failed read leaves the
  // entry as it was.
  Handle fresh;
  if (i16 err = loadrecord(store, id, &fresh)) return err;
  if ((e = entryof(*st, id)) == nullptr) {
    dump(fresh);
    return kNotCached;
  }
  Handle old = e->record;
  *e = virentry{id, 1, 0, fresh, nextstamp(), 0};
  *out = fresh;
  return dump(old) != noErr ? kBadRecordKind : 0;
}

i16 testvir(RegistryId store, i32 id, u16* flag) {
  projectstore* st;
  virentry* e;
  if (i16 err = cachedentry(store, id, &st, &e)) return err;
  *flag = e->changed;
  return 0;
}

i16 addvir(RegistryId store, i32* id, Handle h) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return kNoProject;
  if (pack(h) != noErr) return kBadRecordKind;
  if (endianswapackedstarLtoB(h) != noErr) {
    unpack(h);
    return kBadRecordKind;
  }
  if (i16 e = addstar(store, id, h)) {
    // The caller keeps its record: back to host order and unpacked, as it was handed in.
    endianswapackedstarBtoL(h);
    unpack(h);
    return e;
  }
  DisposeHandle(h);
  markchanged(findprojectstore(store));
  return 0;
}

i16 deletevir(RegistryId store, i32 id) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return kNoProject;
  if (virentry* e = entryof(*st, id)) {
    if (e->usecount > 0) return kBadRecordKind;
    if (dump(e->record) != noErr) return kBadRecordKind;
    removeentry(*st, i32(e - entries(*st)));
  }
  i16 e = delstar(store, id);
  markchanged(st);
  return e;
}

i16 sizevir(RegistryId store, i32 id, u32* size) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return kNoProject;
  virentry* e = entryof(*st, id);
  if (e == nullptr) return sizestar(store, id, size);
  Handle packed = NewHandle(0);
  if (packed == nilhandle) return MemError();
  OSErr err = fast(e->record, packed);
  if (err == noErr) *size = u32(GetHandleSize(packed));
  DisposeHandle(packed);
  return err == noErr ? 0 : kBadRecordKind;
}

i16 namevir(RegistryId store, i32 id, StringPtr name) {
  name[0] = 0;
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return kNoProject;
  if (virentry* e = entryof(*st, id)) return cachedname(e->record, name);
  // A record shorter than the tail leaves the front of the buffer as it is: zeros.
  u8 tail[260] = {};
  if (i16 e = namestar(store, id, tail)) return e;
  storedname(tail, name);
  return 0;
}

void clearvir(RegistryId store) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return;
  i32 n = entrycount(*st);
  virentry* e = entries(*st);
  for (i32 i = 0; i < n; ++i) e[i].changed = 0;
  st->dirty = 0;
}

i16 cleanold(RegistryId store) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return 0;
  i32 n = entrycount(*st);
  const virentry* e = entries(*st);
  i32 pick = -1;
  for (i32 i = 0; i < n; ++i) {
    // A changed entry is never unheld; should one be, it stays until it is written.
    if (e[i].usecount != 0 || e[i].changed) continue;
    if (pick < 0 || e[i].stamp < e[pick].stamp) pick = i;
  }
  if (pick < 0) return 0;
  checkerr(dump(e[pick].record));
  removeentry(*st, pick);
  return 1;
}

void settextowner(RegistryId store, u32 backrecid, u32 cardrecid) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return;
  if (virentry* e = entryof(*st, i32(backrecid))) e->textowner = cardrecid;
}

u32 textowner(RegistryId store, u32 backrecid) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return 0;
  const virentry* e = entryof(*st, i32(backrecid));
  return e == nullptr ? 0 : e->textowner;
}

bool findvir(RegistryId store, i32 id, virentry* out) {
  projectstore* st = findprojectstore(store);
  if (st == nullptr) return false;
  const virentry* e = entryof(*st, id);
  if (e == nullptr) return false;
  *out = *e;
  return true;
}

i32 vircount(RegistryId store) {
  projectstore* st = findprojectstore(store);
  return st == nullptr ? 0 : entrycount(*st);
}

i16 theyMustDie(u32 mask) { return (mainglobals().unpackskip & mask) != 0 ? 1 : 0; }

}  // namespace kv
