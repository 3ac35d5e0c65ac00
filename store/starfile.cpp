// The project store file: creating, checking, opening, closing and flushing it, the
// directory-page cache, reading records, and commits (see starfile.h).
#include "store/starfile.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "shell/mainglobals.h"
#include "store/memoryguard.h"
#include "store/starinternal.h"

namespace kv {

namespace {

struct StarState {
  Registry<projectstore, RegType::store> stores;
};

void copyname(Str255 to, ConstStringPtr from) { std::memcpy(to, from, std::size_t(from[0]) + 1); }

// Whether a header read from a file describes a store that can be used safely: counts within
// their arrays and the directory inside the data (the free list is checked on its own).
bool headerfits(const starhead& h, u64 filelength) {
  if (h.freecount > kStarFreeEntries) return false;
  if (h.dircapacity == 0 || h.dircapacity % kStarPageIds != 0) return false;
  if (h.idsissued > h.dircapacity || h.recycledcount > h.idsissued) return false;
  if (h.recycledcount > 0 && h.firstrecycled >= h.idsissued) return false;
  u64 end = h.endofdata;
  return stardetail::dirend(h) <= end && u64(h.baseoffset) + end <= filelength;
}

// Whether the free list agrees with its counts: every entry inside the data behind the
// directory, sorted and apart, their lengths adding up to the free bytes.
bool freelistfits(const starhead& h) {
  u64 at = stardetail::dirend(h), sum = 0;
  for (u32 i = 0; i < h.freecount; ++i) {
    freeentry e = h.freelist.v[i];
    if (e.length == 0 || e.offset < at || u64(e.offset) + e.length > h.endofdata) return false;
    at = u64(e.offset) + e.length;
    sum += e.length;
  }
  return sum == h.freebytes;
}

i16 writehead(projectstore& st, const starhead& h) {
  starhead out = h;
  endianswapstarhead(&out);
  stardetail::forgetreads(st);
  st.unsynced = 1;
  if (OSErr e = writeat(st.fileref, 0, &out, kStarHeadSize)) return e;
  st.filelength = std::max<u64>(st.filelength, kStarHeadSize);
  return 0;
}

i16 writepage(projectstore& st, starpage& pg) {
  u32 words[kStarPageIds];
  std::memcpy(words, pg.entries, sizeof words);
  endianswaplongs(words, kStarPageIds);
  if (i16 e = stardetail::storewrite(st, kStarHeadSize + 4 * u64(pg.firstid), words, kStarPageSize)) return e;
  pg.changed = 0;
  return 0;
}

// The header written between a commit's pages and its final header: the written header with
// only what both it and the store in memory count as free, the larger end of data, the ids
// and capacity it already had, and the part of its recycled chain nobody took since. With it
// on disk, every directory entry is right whether its page is the old one or the new one.
starhead middleheader(const projectstore& st) {
  const starhead& d = st.diskheader;
  const starhead& m = st.header;
  starhead mid = d;
  mid.endofdata = std::max(u32(d.endofdata), u32(m.endofdata));
  std::vector<freeentry> both;
  u32 i = 0, j = 0;
  while (i < d.freecount && j < m.freecount) {
    freeentry a = d.freelist.v[i], b = m.freelist.v[j];
    u64 lo = std::max(u64(a.offset), u64(b.offset));
    u64 hi = std::min(u64(a.offset) + a.length, u64(b.offset) + b.length);
    if (lo < hi) both.push_back({u32(lo), u32(hi - lo)});
    if (u64(a.offset) + a.length < u64(b.offset) + b.length) {
      ++i;
    } else {
      ++j;
    }
  }
  if (both.size() > kStarFreeEntries) {
    // Keep the largest; the rest stays unused until the final header is written.
    std::vector<std::size_t> order(both.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return both[a].length > both[b].length; });
    order.resize(kStarFreeEntries);
    std::sort(order.begin(), order.end());
    std::vector<freeentry> kept;
    for (std::size_t k : order) kept.push_back(both[k]);
    both = kept;
  }
  mid.freecount = u32(both.size());
  mid.freebytes = 0;
  for (u32 k = 0; k < kStarFreeEntries; ++k) mid.freelist.v[k] = k < both.size() ? both[k] : freeentry{0, 0};
  for (freeentry e : both) mid.freebytes += e.length;
  mid.recycledcount = d.recycledcount - st.diskchainpopped;
  mid.firstrecycled = mid.recycledcount > 0 ? st.diskchainnext : d.firstrecycled;
  mid.revision = kStarRevision;
  return mid;
}

// Page cache: the slot of the page that starts at `first`, read from the file (or made
// empty) on a miss. A miss with every slot changed commits first.
i16 fetchpage(projectstore& st, u32 first, bool read, int* out) {
  for (int i = 0; i < st.cachedpages; ++i) {
    if (st.pages[i].firstid == first) {
      st.pages[i].stamp = st.pageclock++;
      *out = i;
      return 0;
    }
  }
  int slot = st.cachedpages;
  if (slot == kStarCachedPages) {
    // Reuse the least recently used page that is not changed; changed pages reach the file
    // only in a commit, together with the header they belong to.
    slot = -1;
    for (int i = 0; i < kStarCachedPages; ++i) {
      if (!st.pages[i].changed && (slot < 0 || st.pages[i].stamp < st.pages[slot].stamp)) slot = i;
    }
    if (slot < 0) {
      if (i16 e = stardetail::commitstar(st)) return e;
      slot = 0;
      for (int i = 1; i < kStarCachedPages; ++i) {
        if (st.pages[i].stamp < st.pages[slot].stamp) slot = i;
      }
    }
  }
  u32 words[kStarPageIds] = {};
  if (read) {
    if (i16 e = stardetail::storeread(st, kStarHeadSize + 4 * u64(first), words, kStarPageSize)) return e;
    endianswaplongs(words, kStarPageIds);
  }
  starpage& pg = st.pages[slot];
  std::memcpy(pg.entries, words, sizeof words);
  pg.firstid = first;
  pg.stamp = st.pageclock++;
  pg.changed = read ? 0 : 1;
  if (slot == st.cachedpages) ++st.cachedpages;
  *out = slot;
  return 0;
}

}  // namespace

// --- Open stores -----------------------------------------------------------------------------

RegistryId newprojectstore() { return state<StarState>().stores.add(std::make_unique<projectstore>()); }

projectstore* findprojectstore(RegistryId store) { return state<StarState>().stores.get(store); }

void disposeprojectstore(RegistryId store) {
  std::unique_ptr<projectstore> st = state<StarState>().stores.remove(store);
  if (st && st->fileref != nilid) FSClose(st->fileref);
}

namespace stardetail {

projectstore* lookup(RegistryId store) { return findprojectstore(store); }

i16 storeread(projectstore& st, u64 offset, void* buffer, u64 count) {
  const u64 at = st.header.baseoffset + offset;
  starreadahead& r = st.readahead;
  if (count <= kReadAheadLargest) {
    bool held = r.ref == st.fileref && at >= r.from && at + count <= r.from + r.bytes.size();
    if (!held && at < st.filelength && st.filelength - at >= count) {
      // The bytes from here on, as far as the file goes, are read ahead; a file shorter than
      // it is known to be is read as asked, and answers as it would.
      u64 n = std::min<u64>(kReadAhead, st.filelength - at);
      r.bytes.resize(size_t(n));
      r.ref = st.fileref;
      r.from = at;
      held = readat(st.fileref, i64(at), r.bytes.data(), i64(n)) == noErr;
      if (!held) forgetreads(st);
    }
    if (held) {
      std::memcpy(buffer, r.bytes.data() + (at - r.from), size_t(count));
      return 0;
    }
  }
  return readat(st.fileref, i64(at), buffer, i64(count));
}

void forgetreads(projectstore& st) {
  st.readahead.bytes.clear();
  st.readahead.ref = nilid;
}

i16 storewrite(projectstore& st, u64 offset, const void* buffer, u64 count) {
  u64 at = st.header.baseoffset + offset;
  forgetreads(st);
  st.unsynced = 1;
  if (OSErr e = writeat(st.fileref, i64(at), buffer, i64(count))) return e;
  st.filelength = std::max(st.filelength, at + count);
  return 0;
}

i16 touchpage(projectstore& st, u32 id) {
  if (id >= st.header.dircapacity) return 100;
  int slot;
  return fetchpage(st, id & ~(kStarPageIds - 1), true, &slot);
}

i16 entryof(projectstore& st, u32 id, u32* offset) {
  if (id >= st.header.dircapacity) return 100;
  int slot;
  u32 first = id & ~(kStarPageIds - 1);
  if (i16 e = fetchpage(st, first, true, &slot)) return e;
  *offset = st.pages[slot].entries[id - first];
  return 0;
}

i16 setentry(projectstore& st, u32 id, u32 offset) {
  if (id >= st.header.dircapacity) return 100;
  int slot;
  u32 first = id & ~(kStarPageIds - 1);
  if (i16 e = fetchpage(st, first, true, &slot)) return e;
  st.pages[slot].entries[id - first] = offset;
  st.pages[slot].changed = 1;
  return 0;
}

i16 makepage(projectstore& st, u32 firstid) {
  int slot;
  if (i16 e = fetchpage(st, firstid, false, &slot)) return e;
  std::memset(st.pages[slot].entries, 0, sizeof st.pages[slot].entries);
  st.pages[slot].changed = 1;
  return 0;
}

i16 readrecord(projectstore& st, i32 id, u32* offset, stardir* head) {
  const starhead& h = st.header;
  if (id < 0 || u32(id) >= h.idsissued) return 100;
  if (i16 e = entryof(st, u32(id), offset)) return e;
  u64 at = *offset;
  if (at < dirend(h) || (at - dirend(h)) % kStarSlotUnit != 0 || at + kStarRecordHead > h.endofdata) return 100;
  if (i16 e = storeread(st, at, head, kStarRecordHead)) return e;
  endianswapstardir(head);
  u32 slot = head->slot, size = head->size;
  if (head->id != u32(id) || slot < kStarSlotUnit || slot % kStarSlotUnit != 0 || u64(size) + kStarRecordHead > slot ||
      at + slot > h.endofdata) {
    return 100;
  }
  return 0;
}

i16 liverecordat(projectstore& st, u64 p, u64 limit, stardir* head, bool* live) {
  *live = false;
  if (p + kStarRecordHead > limit || (p - dirend(st.header)) % kStarSlotUnit != 0) return 0;
  if (i16 e = storeread(st, p, head, kStarRecordHead)) return e;
  endianswapstardir(head);
  u32 slot = head->slot, size = head->size, id = head->id;
  if (slot < kStarSlotUnit || slot % kStarSlotUnit != 0 || u64(size) + kStarRecordHead > slot || p + slot > limit ||
      id >= st.header.idsissued) {
    return 0;
  }
  u32 entry;
  if (i16 e = entryof(st, id, &entry)) return e;
  *live = entry == p;
  return 0;
}

i16 barrier(projectstore& st) {
  if (!st.unsynced) return 0;
  if (OSErr e = FlushFile(st.fileref)) return e;
  st.unsynced = 0;
  return 0;
}

i16 setlength(projectstore& st, u64 length) {
  stardetail::forgetreads(st);
  st.unsynced = 1;
  if (OSErr e = SetEOF(st.fileref, i64(length))) return e;
  st.filelength = length;
  return 0;
}

i16 commitstar(projectstore& st) {
  st.header.revision = kStarRevision;
  bool pages = false;
  for (int i = 0; i < st.cachedpages; ++i) pages = pages || st.pages[i].changed;
  if (!pages && std::memcmp(&st.header, &st.diskheader, sizeof(starhead)) == 0) return 0;
  // The header must never count bytes the file does not hold.
  u64 need = u64(st.header.baseoffset) + st.header.endofdata;
  if (st.filelength < need) {
    if (i16 e = setlength(st, need)) return e;
  }
  // The records the new directory points to reach the disk before it does, and each step
  // before the next: the disk may keep the writes between two barriers in any order.
  if (i16 e = barrier(st)) return e;
  if (pages) {
    starhead mid = middleheader(st);
    if (std::memcmp(&mid, &st.diskheader, sizeof(starhead)) != 0) {
      if (i16 e = writehead(st, mid)) return e;
      st.diskheader = mid;
      st.diskchainpopped = 0;
      if (i16 e = barrier(st)) return e;
    }
    for (int i = 0; i < st.cachedpages; ++i) {
      if (st.pages[i].changed) {
        if (i16 e = writepage(st, st.pages[i])) return e;
      }
    }
    if (i16 e = barrier(st)) return e;
  }
  if (i16 e = writehead(st, st.header)) return e;
  st.diskheader = st.header;
  st.diskchainpopped = 0;
  st.diskchainnext = st.header.firstrecycled;
  st.pushed = 0;
  return 0;
}

bool safetowrite(const projectstore& st, u64 offset, u64 count) {
  const starhead& d = st.diskheader;
  u64 at = offset, stop = std::min<u64>(offset + count, d.endofdata);
  if (at >= stop) return true;
  if (at < dirend(d)) return false;
  for (u32 i = 0; i < d.freecount && at < stop; ++i) {
    freeentry e = d.freelist.v[i];
    if (e.offset <= at && at < u64(e.offset) + e.length) at = u64(e.offset) + e.length;
  }
  return at >= stop;
}

i16 makesafe(projectstore& st, u64 offset, u64 count) {
  if (safetowrite(st, offset, count)) return 0;
  if (i16 e = commitstar(st)) return e;
  return safetowrite(st, offset, count) ? 0 : ioErr;
}

}  // namespace stardetail

using namespace stardetail;

// --- The file ------------------------------------------------------------------------------

i16 createstar(i16 volume, u32 dirid, ConstStringPtr name) {
  if (OSErr e = HCreate(volume, dirid, name, fourcc("????"), fourcc("????"))) return e;
  FileRef ref;
  if (OSErr e = HOpen(volume, dirid, name, fsCurPerm, &ref)) return e;
  u8 image[kStarHeadSize + kStarPageSize] = {};
  starhead h{};
  h.version = kStarVersion;
  h.endofdata = kStarHeadSize + kStarPageSize;
  h.dircapacity = kStarPageIds;
  h.revision = kStarRevision;
  endianswapstarhead(&h);
  std::memcpy(image, &h, sizeof h);
  OSErr e = writeat(ref, 0, image, sizeof image);
  if (e == noErr) e = SetEOF(ref, sizeof image);
  OSErr closed = FSClose(ref);
  if (e != noErr) {
    // A store that could not be written whole is no store: take the file away again.
    HDelete(volume, dirid, name);
    return e;
  }
  return closed;
}

i16 openstar(i16 volume, u32 dirid, ConstStringPtr name, RegistryId store) {
  projectstore* st = lookup(store);
  if (st == nullptr) return 104;
  FileRef ref;
  if (OSErr e = HOpen(volume, dirid, name, fsCurPerm, &ref)) return e;
  st->volume = volume;
  st->fileref = ref;
  st->dirid = dirid;
  st->diskfullwarned = 0;
  st->locked = 0;
  copyname(st->filename, name);
  st->pageclock = 0;
  st->cachedpages = 0;
  i64 length = 0;
  i16 e = readat(ref, 0, &st->header, kStarHeadSize);
  if (e == 0) {
    endianswapstarhead(&st->header);
    e = GetEOF(ref, &length);
  }
  // A file longer than its data opens (the tail is what a write after the last flush left);
  // a shorter one, or a header whose counts do not fit, does not.
  if (e == 0 && !headerfits(st->header, u64(length))) e = 101;
  if (e != 0) {
    FSClose(ref);
    st->fileref = nilid;
    return e;
  }
  st->diskheader = st->header;
  st->diskchainpopped = 0;
  st->diskchainnext = st->header.firstrecycled;
  st->pushed = 0;
  st->filelength = u64(length);
  st->unsynced = 0;
  // A free list that does not agree with its counts is what a header written only in part
  // leaves: it is found again from the records the directory calls live.
  if (!freelistfits(st->header)) {
    if (i16 fe = findfree(*st)) {
      FSClose(ref);
      st->fileref = nilid;
      return fe;
    }
    st->diskheader = st->header;
  }
  // The first open that can write cuts off what a kill left past the data (a file opened
  // only for reading keeps its tail, which is never read).
  u64 data = u64(st->header.baseoffset) + st->header.endofdata;
  if (st->filelength > data && setlength(*st, data) == 0) barrier(*st);
  FInfo info;
  st->isapplication = HGetFInfo(volume, dirid, name, &info) == noErr && info.fdType == fourcc("APPL");
  return 0;
}

i16 verifystar(i16 volume, u32 dirid, ConstStringPtr name) {
  FileRef ref = nilid;
  OSErr e = HOpen(volume, dirid, name, fsCurPerm, &ref);
  if (e == fnfErr) return 1001;
  if (e == opWrErr) return 1002;
  if (e != noErr || ref == nilid) return 1009;
  starhead h;
  e = readat(ref, 0, &h, kStarHeadSize);
  FSClose(ref);
  if (e != noErr) return 1010;
  endianswapstarhead(&h);
  if (h.version == kStarOldVersion) return 1004;
  if (h.version != kStarVersion) return 1003;
  if (h.revision > kStarRevision) return 1005;
  return 1000;
}

i16 verifystr(i16 code) {
  switch (code) {
    case 1000: return 0;
    case 1001: return 70;
    // Held for writing by another program: in use, not damaged.
    case 1002: return kProjectInUse;
    case 1003:
    case 1009:
    case 1010: return 57;
    case 1004: return 69;
    case 1005: return 189;
    case 1006: return 203;
    case 1007: return 216;
    default: return code;
  }
}

i16 closestar(RegistryId store) {
  projectstore* st = lookup(store);
  if (st == nullptr) return 104;
  // The project's resource file closes with it, except while a window is closed and
  // reopened to apply a changed window property.
  if (st->resref != 0 && !mainglobals().reopeningwindow) {
    CloseResFile(st->resref);
    st->resref = 0;
  }
  OSErr e = FSClose(st->fileref);
  st->fileref = nilid;
  stardetail::forgetreads(*st);
  return e;
}

i16 deletestar(i16 volume, u32 dirid, ConstStringPtr name) { return HDelete(volume, dirid, name); }

i16 flushstar(RegistryId store) {
  projectstore* st = lookup(store);
  if (st == nullptr) return 104;
  if (!st->dirty) return 0;
  st->dirty = 0;
  i16 e = commitstar(*st);
  st->unsynced = 1;  // the last header is on its way: a flush always ends with a barrier
  if (e == 0) e = barrier(*st);
  if (e != 0) st->dirty = 1;  // what did not reach the disk is still to be written
  return e;
}

// --- Records -------------------------------------------------------------------------------

i16 idtoffset(RegistryId store, i32 id, u32* offset) {
  projectstore* st = lookup(store);
  if (st == nullptr) return 104;
  if (id < 0 || u32(id) >= st->header.idsissued) return 100;
  return entryof(*st, u32(id), offset);
}

i16 newoffset(RegistryId store, i32 id, u32 offset) {
  projectstore* st = lookup(store);
  if (st == nullptr) return 104;
  if (id < 0 || u32(id) >= st->header.idsissued) return 100;
  return setentry(*st, u32(id), offset);
}

namespace {
// The open store and the checked head of one of its records.
i16 openrecord(RegistryId store, i32 id, projectstore** st, u32* at, stardir* head) {
  *st = lookup(store);
  if (*st == nullptr) return 104;
  return readrecord(**st, id, at, head);
}
}  // namespace

i16 getstar(RegistryId store, i32 id, Handle h) {
  projectstore* st;
  u32 at;
  stardir head;
  if (i16 e = openrecord(store, id, &st, &at, &head)) return e;
  if (head.size > u32(GetHandleSize(h)) && memoryrefused(Size(head.size))) return 37;
  SetHandleSize(h, Size(head.size));
  if (OSErr e = MemError()) return e;
  if (i16 e = storeread(*st, u64(at) + kStarRecordHead, deref(h), head.size)) return e;
  return endianswapackedstar(h, 0);
}

i16 sizestar(RegistryId store, i32 id, u32* size) {
  projectstore* st;
  u32 at;
  stardir head;
  if (i16 e = openrecord(store, id, &st, &at, &head)) return e;
  *size = head.size;
  return 0;
}

i16 namestar(RegistryId store, i32 id, u8* buffer260) {
  projectstore* st;
  u32 at;
  stardir head;
  if (i16 e = openrecord(store, id, &st, &at, &head)) return e;
  u64 data = u64(at) + kStarRecordHead;
  if (head.size < 260) return storeread(*st, data, buffer260 + 260 - head.size, head.size);
  return storeread(*st, data + head.size - 260, buffer260, 260);
}

}  // namespace kv
