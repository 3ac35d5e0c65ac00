// The project store file: creating, checking, opening, closing and flushing it, the
// directory-page cache, reading records, and commits (see starfile.h).
#include "store/starfile.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/scripterrors.h"
#include "platform/fonts/fonts.h"
#include "platform/memory/memory.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"
#include "store/commitpoints.h"
#include "core/memoryguard.h"
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

// Page cache: the index of the page that starts at `first`, read from the file (or made
// empty) on a miss. Changed pages stay until the commit writes them; of the others, the least
// recently used makes room once kStarCachedPages are held.
i16 fetchpage(projectstore& st, u32 first, bool read, std::size_t* out) {
  std::size_t n = st.pages.size(), unchanged = 0, oldest = n;
  for (std::size_t i = 0; i < n; ++i) {
    starpage& pg = st.pages[i];
    if (pg.firstid == first) {
      pg.stamp = st.pageclock++;
      *out = i;
      return 0;
    }
    if (!pg.changed) {
      ++unchanged;
      if (oldest == n || pg.stamp < st.pages[oldest].stamp) oldest = i;
    }
  }
  u32 words[kStarPageIds] = {};
  if (read) {
    if (i16 e = stardetail::storeread(st, kStarHeadSize + 4 * u64(first), words, kStarPageSize)) return e;
    endianswaplongs(words, kStarPageIds);
  }
  std::size_t slot = unchanged >= std::size_t(kStarCachedPages) ? oldest : n;
  if (slot == n) st.pages.emplace_back();
  starpage& pg = st.pages[slot];
  std::memcpy(pg.entries, words, sizeof words);
  pg.firstid = first;
  pg.stamp = st.pageclock++;
  pg.changed = read ? 0 : 1;
  *out = slot;
  return 0;
}

// --- The journal ------------------------------------------------------------------------------
// What a commit writes past the end of the file before it changes the header and directory in
// place, so that opening the file can finish a commit a kill cut short. Big-endian:
//   'KVJL', page count n, the journal's own file position (u64), the new header (1,024 bytes),
//   n times {first id of the page, its 512 bytes}, a checksum (u64) of all of that,
//   the journal's length, 'KVJE'.
// The trailer ends the file, so the journal is found from the file's length alone.
constexpr u32 kJournalMagic = fourcc("KVJL"), kJournalEnd = fourcc("KVJE");
constexpr u64 kJournalHead = 16, kJournalPage = 4 + kStarPageSize, kJournalTail = 16;
constexpr u64 kJournalLargest = 64ull << 20;

void appendbe(std::vector<u8>& to, u64 v, int bytes) {
  for (int i = 0; i < bytes; ++i) to.push_back(u8(v >> (8 * (bytes - 1 - i))));
}
u64 getbe(const u8* p, int bytes) {
  u64 v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
  return v;
}

// FNV-1a over the bytes: a journal cut short or overwritten in part does not match.
u64 journalsum(const u8* p, std::size_t n) {
  u64 h = 0xCBF29CE484222325ull;
  for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
  return h;
}

std::vector<u8> makejournal(const projectstore& st, u64 position) {
  std::size_t pages = 0;
  for (const starpage& pg : st.pages) pages += pg.changed ? 1 : 0;
  std::vector<u8> j;
  j.reserve(kJournalHead + kStarHeadSize + kJournalPage * pages + kJournalTail);
  appendbe(j, kJournalMagic, 4);
  appendbe(j, pages, 4);
  appendbe(j, position, 8);
  starhead h = st.header;
  endianswapstarhead(&h);
  const u8* head = reinterpret_cast<const u8*>(&h);
  j.insert(j.end(), head, head + kStarHeadSize);
  for (const starpage& pg : st.pages) {
    if (!pg.changed) continue;
    appendbe(j, pg.firstid, 4);
    for (u32 entry : pg.entries) appendbe(j, entry, 4);
  }
  appendbe(j, journalsum(j.data(), j.size()), 8);
  appendbe(j, j.size() + 8, 4);
  appendbe(j, kJournalEnd, 4);
  return j;
}

// The header and directory pages of the journal at the end of the file, when a whole one
// that describes a store lying before it is there.
bool readjournal(projectstore& st, starhead* head, std::vector<starpage>* pages) {
  u8 tail[8];
  if (st.filelength < kJournalHead + kStarHeadSize + kJournalTail + kStarHeadSize) return false;
  if (readat(st.fileref, i64(st.filelength - 8), tail, 8) != noErr) return false;
  u64 total = getbe(tail, 4);
  if (getbe(tail + 4, 4) != kJournalEnd || total > kJournalLargest || total > st.filelength - kStarHeadSize ||
      total < kJournalHead + kStarHeadSize + kJournalTail ||
      (total - kJournalHead - kStarHeadSize - kJournalTail) % kJournalPage != 0) {
    return false;
  }
  u64 position = st.filelength - total;
  std::vector<u8> j(total);
  if (readat(st.fileref, i64(position), j.data(), i64(total)) != noErr) return false;
  u64 n = (total - kJournalHead - kStarHeadSize - kJournalTail) / kJournalPage;
  const u8* sum = &j[total - kJournalTail];
  if (getbe(&j[0], 4) != kJournalMagic || getbe(&j[4], 4) != n || getbe(&j[8], 8) != position ||
      getbe(sum, 8) != journalsum(j.data(), std::size_t(total - kJournalTail))) {
    return false;
  }
  std::memcpy(head, &j[kJournalHead], kStarHeadSize);
  endianswapstarhead(head);
  if (head->version != kStarVersion || !headerfits(*head, position) || !freelistfits(*head)) return false;
  pages->clear();
  const u8* at = &j[kJournalHead + kStarHeadSize];
  for (u64 i = 0; i < n; ++i, at += kJournalPage) {
    starpage pg{};
    pg.firstid = u32(getbe(at, 4));
    if (pg.firstid % kStarPageIds != 0 || pg.firstid >= head->dircapacity) return false;
    for (u32 k = 0; k < kStarPageIds; ++k) pg.entries[k] = u32(getbe(at + 4 + 4 * k, 4));
    pg.changed = 1;
    pages->push_back(pg);
  }
  return true;
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
  if (id >= st.header.dircapacity) return err::missingrecord;
  std::size_t slot;
  return fetchpage(st, id & ~(kStarPageIds - 1), true, &slot);
}

i16 entryof(projectstore& st, u32 id, u32* offset) {
  if (id >= st.header.dircapacity) return err::missingrecord;
  std::size_t slot;
  u32 first = id & ~(kStarPageIds - 1);
  if (i16 e = fetchpage(st, first, true, &slot)) return e;
  *offset = st.pages[slot].entries[id - first];
  return 0;
}

i16 setentry(projectstore& st, u32 id, u32 offset) {
  if (id >= st.header.dircapacity) return err::missingrecord;
  std::size_t slot;
  u32 first = id & ~(kStarPageIds - 1);
  if (i16 e = fetchpage(st, first, true, &slot)) return e;
  st.pages[slot].entries[id - first] = offset;
  st.pages[slot].changed = 1;
  return 0;
}

i16 makepage(projectstore& st, u32 firstid) {
  std::size_t slot;
  if (i16 e = fetchpage(st, firstid, false, &slot)) return e;
  std::memset(st.pages[slot].entries, 0, sizeof st.pages[slot].entries);
  st.pages[slot].changed = 1;
  return 0;
}

i16 readrecord(projectstore& st, i32 id, u32* offset, stardir* head) {
  const starhead& h = st.header;
  if (id < 0 || u32(id) >= h.idsissued) return err::missingrecord;
  if (i16 e = entryof(st, u32(id), offset)) return e;
  u64 at = *offset;
  if (at < dirend(h) || (at - dirend(h)) % kStarSlotUnit != 0 || at + kStarRecordHead > h.endofdata)
    return err::missingrecord;
  if (i16 e = storeread(st, at, head, kStarRecordHead)) return e;
  endianswapstardir(head);
  u32 slot = head->slot, size = head->size;
  if (head->id != u32(id) || slot < kStarSlotUnit || slot % kStarSlotUnit != 0 || u64(size) + kStarRecordHead > slot ||
      at + slot > h.endofdata) {
    return err::missingrecord;
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
  showfree(st);
  st.header.revision = kStarRevision;
  bool pages = false;
  for (const starpage& pg : st.pages) pages = pages || pg.changed;
  if (!pages && std::memcmp(&st.header, &st.diskheader, sizeof(starhead)) == 0) {
    settlefree(st);
    return 0;
  }
  // 1. The records the new directory points to reach the disk first.
  if (i16 e = barrier(st)) return e;
  // 2. The journal, past everything the file holds or the new header counts: from here on a
  // kill leaves the new store.
  const u64 data = u64(st.header.baseoffset) + st.header.endofdata;
  const u64 position = (std::max(st.filelength, data) + kStarPageSize - 1) / kStarPageSize * kStarPageSize;
  std::vector<u8> journal = makejournal(st, position);
  forgetreads(st);
  st.unsynced = 1;
  if (OSErr e = writeat(st.fileref, i64(position), journal.data(), i64(journal.size()))) return e;
  st.filelength = position + journal.size();
  if (i16 e = barrier(st)) return e;
  // 3. The directory pages and the header in place.
  for (starpage& pg : st.pages) {
    if (pg.changed) {
      if (i16 e = writepage(st, pg)) return e;
    }
  }
  if (i16 e = writehead(st, st.header)) return e;
  if (i16 e = barrier(st)) return e;
  st.diskheader = st.header;
  settlefree(st);
  // 4. The journal is not needed any more: the file is its data again.
  if (i16 e = setlength(st, data)) return e;
  // Of the pages it wrote, the cache keeps as many as it keeps unchanged ones.
  while (st.pages.size() > std::size_t(kStarCachedPages)) {
    auto oldest = std::min_element(st.pages.begin(), st.pages.end(),
                                   [](const starpage& a, const starpage& b) { return a.stamp < b.stamp; });
    st.pages.erase(oldest);
  }
  return 0;
}

i16 replayjournal(projectstore& st, bool* found) {
  starhead head;
  std::vector<starpage> pages;
  *found = readjournal(st, &head, &pages);
  if (!*found) return 0;
  st.header = head;
  st.diskheader = head;
  st.pages = pages;
  // Written in place now; a file that cannot be written keeps the journal's pages in the
  // cache, changed, so that the store reads as the journal left it.
  for (starpage& pg : st.pages) {
    if (writepage(st, pg) != 0) return 0;
  }
  if (writehead(st, head) != 0) return 0;
  return barrier(st);
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
  if (st == nullptr) return err::noproject;
  FileRef ref;
  if (OSErr e = HOpen(volume, dirid, name, fsCurPerm, &ref)) return e;
  st->volume = volume;
  st->fileref = ref;
  st->dirid = dirid;
  st->diskfullwarned = 0;
  st->locked = 0;
  copyname(st->filename, name);
  st->pageclock = 0;
  st->pages.clear();
  st->freespace.clear();
  st->pending.clear();
  st->fresh.clear();
  st->unsynced = 0;
  i64 length = 0;
  i16 e = readat(ref, 0, &st->header, kStarHeadSize);
  if (e == 0) {
    endianswapstarhead(&st->header);
    e = GetEOF(ref, &length);
  }
  st->filelength = u64(std::max<i64>(length, 0));
  // A commit that a kill cut short is finished from its journal.
  bool journal = false;
  if (e == 0) e = replayjournal(*st, &journal);
  // A file longer than its data opens (the tail is what a write after the last commit left);
  // a shorter one, or a header whose counts do not fit, does not.
  if (e == 0 && !headerfits(st->header, st->filelength)) e = 101;
  if (e != 0) {
    FSClose(ref);
    st->fileref = nilid;
    st->pages.clear();
    return e;
  }
  st->diskheader = st->header;
  // A free list that does not agree with its counts is what a header written only in part
  // leaves: it is found again from the records the directory calls live.
  if (freelistfits(st->header)) {
    // Runs that touch are merged as the store itself keeps them: compaction and the choice
    // of a slot take a run to end where the next one's bytes begin.
    for (u32 i = 0; i < st->header.freecount; ++i) {
      addfree(st->freespace, st->header.freelist.v[i].offset, st->header.freelist.v[i].length);
    }
  } else if (i16 fe = findfree(*st)) {
    FSClose(ref);
    st->fileref = nilid;
    st->pages.clear();
    return fe;
  }
  showfree(*st);
  st->diskheader = st->header;
  // The first open that can write cuts off what a kill left past the data, a journal
  // included (a file opened only for reading keeps its tail, which is never read).
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
    case 1001: return err::damagedproject;
    // Held for writing by another program: in use, not damaged.
    case 1002: return kProjectInUse;
    case 1003:
    case 1009:
    case 1010: return err::damagedfile57;
    case 1004: return err::cantreadfile;
    case 1005: return err::damagedfile189;
    case 1006: return err::damagedfile203;
    case 1007: return err::damagedfile216;
    default: return code;
  }
}

i16 closestar(RegistryId store) {
  projectstore* st = lookup(store);
  if (st == nullptr) return err::noproject;
  // What changed is committed, and the file left exactly as long as the data it holds.
  i16 committed = commitnow(store);
  u64 data = u64(st->diskheader.baseoffset) + st->diskheader.endofdata;
  if (committed == 0 && st->filelength > data && setlength(*st, data) == 0) committed = barrier(*st);
  // The project's resource file closes with it, except while a window is closed and
  // reopened to apply a changed window property.
  if (st->resref != 0 && !mainglobals().reopeningwindow) {
    FMDeactivateFonts(st->resref);
    CloseResFile(st->resref);
    st->resref = 0;
  }
  OSErr e = FSClose(st->fileref);
  st->fileref = nilid;
  stardetail::forgetreads(*st);
  return committed != 0 ? committed : e;
}

i16 deletestar(i16 volume, u32 dirid, ConstStringPtr name) { return HDelete(volume, dirid, name); }

i16 flushstar(RegistryId store) {
  projectstore* st = lookup(store);
  if (st == nullptr) return err::noproject;
  if (!st->dirty) return 0;
  // Inside a change the commit waits for its end, so that no commit holds half of it.
  if (changeunderway()) return 0;
  return commitnow(store);
}

i16 commitnow(RegistryId store) {
  projectstore* st = lookup(store);
  if (st == nullptr) return err::noproject;
  if (!st->dirty) return 0;
  st->dirty = 0;
  i16 e = commitstar(*st);
  // A full free list is made room in now, while the store is whole on disk.
  if (e == 0) e = makefreeroom(*st, true);
  if (e != 0) markchanged(st);  // what did not reach the disk is still to be written
  return e;
}

// --- Records -------------------------------------------------------------------------------

i16 idtoffset(RegistryId store, i32 id, u32* offset) {
  projectstore* st = lookup(store);
  if (st == nullptr) return err::noproject;
  if (id < 0 || u32(id) >= st->header.idsissued) return err::missingrecord;
  return entryof(*st, u32(id), offset);
}

i16 newoffset(RegistryId store, i32 id, u32 offset) {
  projectstore* st = lookup(store);
  if (st == nullptr) return err::noproject;
  if (id < 0 || u32(id) >= st->header.idsissued) return err::missingrecord;
  return setentry(*st, u32(id), offset);
}

namespace {
// The open store and the checked head of one of its records.
i16 openrecord(RegistryId store, i32 id, projectstore** st, u32* at, stardir* head) {
  *st = lookup(store);
  if (*st == nullptr) return err::noproject;
  return readrecord(**st, id, at, head);
}
}  // namespace

i16 getstar(RegistryId store, i32 id, Handle h) {
  projectstore* st;
  u32 at;
  stardir head;
  if (i16 e = openrecord(store, id, &st, &at, &head)) return e;
  if (head.size > u32(GetHandleSize(h)) && memoryrefused(Size(head.size))) return err::nomemory;
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
