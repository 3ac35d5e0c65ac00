// Space in the project store: adding, saving and deleting records, recycled ids, the free
// list, growing the directory, making room in a full free list, compaction and moving
// bytes. Every change follows one order: write the bytes to a place the file's header and
// directory do not count as live (committing first when needed), then change the store in
// memory, so that a failed write leaves the store as it was.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/memory/memory.h"
#include "store/starfile.h"
#include "store/starinternal.h"

namespace kv {

namespace stardetail {

void removefree(starhead& h, u32 index) {
  if (index >= h.freecount) return;
  h.freebytes = h.freebytes - h.freelist.v[index].length;
  for (u32 i = index; i + 1 < h.freecount; ++i) h.freelist.v[i] = h.freelist.v[i + 1];
  h.freecount = h.freecount - 1;
  h.freelist.v[h.freecount] = freeentry{0, 0};
}

void mergefree(starhead& h) {
  u32 i = 0;
  while (i + 1 < h.freecount) {
    freeentry a = h.freelist.v[i], b = h.freelist.v[i + 1];
    u64 aend = u64(a.offset) + a.length, bend = u64(b.offset) + b.length;
    if (aend < b.offset) {
      ++i;
      continue;
    }
    // The two become one; bytes they share are counted once.
    u64 end = std::max(aend, bend);
    u32 shared = u32(a.length + u64(b.length) - (end - a.offset));
    removefree(h, i + 1);
    h.freebytes = h.freebytes + b.length - shared;
    h.freelist.v[i].length = u32(end - a.offset);
  }
}

void insertfree(starhead& h, u32 offset, u32 length) {
  if (h.freecount >= kStarFreeEntries || length == 0) return;  // callers make room first
  u32 i = 0;
  while (i < h.freecount && h.freelist.v[i].offset <= offset) ++i;
  for (u32 j = h.freecount; j > i; --j) h.freelist.v[j] = h.freelist.v[j - 1];
  h.freelist.v[i] = freeentry{offset, length};
  h.freecount = h.freecount + 1;
  h.freebytes = h.freebytes + length;
  mergefree(h);
}

i16 findfree(projectstore& st) {
  starhead& h = st.header;
  h.freecount = 0;
  h.freebytes = 0;
  h.freelist = {};
  u64 p = dirend(h), end = h.endofdata, dead = p;
  while (p < end) {
    stardir head;
    bool live;
    if (i16 e = liverecordat(st, p, end, &head, &live)) return e;
    if (live) {
      if (dead < p && h.freecount < kStarFreeEntries) insertfree(h, u32(dead), u32(p - dead));
      p += head.slot;
      dead = p;
    } else {
      p = std::min<u64>(p + kStarSlotUnit, end);
    }
  }
  if (dead < end && h.freecount < kStarFreeEntries) insertfree(h, u32(dead), u32(end - dead));
  return 0;
}

int bestfit(const starhead& h, u64 slot) {
  int best = -1;
  for (u32 i = 0; i < h.freecount; ++i) {
    u32 len = h.freelist.v[i].length;
    if (len >= slot && (best < 0 || len < h.freelist.v[best].length)) best = int(i);
  }
  return best;
}

void takefree(starhead& h, u32 index, u32 slot) {
  freeentry e = h.freelist.v[index];
  if (e.length <= slot) {
    removefree(h, index);
    return;
  }
  h.freelist.v[index] = freeentry{e.offset + slot, e.length - slot};
  h.freebytes = h.freebytes - slot;
}

}  // namespace stardetail

using namespace stardetail;

namespace {

constexpr u64 kMaxOffset = 0xFFFFFFFFu;
constexpr u64 kMoveBuffer = 1 << 20;   // largest buffer a move takes at once
constexpr u64 kStageLimit = 1 << 20;   // records slid through the end of the data at once

// Where a slot goes: a free entry (best fit) or the end of data (entry -1).
struct placement {
  int entry;
  u64 offset;
};

i16 choose(const starhead& h, u64 slot, placement* p) {
  int i = bestfit(h, slot);
  *p = i >= 0 ? placement{i, h.freelist.v[i].offset} : placement{-1, h.endofdata};
  if (i < 0 && p->offset + slot > kMaxOffset) return dskFulErr;  // store offsets are 32-bit
  return 0;
}

void place(starhead& h, placement p, u64 slot) {
  if (p.entry >= 0) {
    takefree(h, u32(p.entry), u32(slot));
  } else {
    h.endofdata = u32(h.endofdata + slot);
  }
}

// Copies bytes inside the store, front to back (so a move to a lower offset may overlap).
i16 movebytes(projectstore& st, u64 from, u64 to, u64 count) {
  if (count == 0 || from == to) return 0;
  u64 size = std::min(count, kMoveBuffer);
  Ptr buffer = NewPtr(Size(size));
  if (buffer == nullptr) return MemError();
  i16 e = 0;
  for (u64 done = 0; done < count && e == 0; done += size) {
    u64 n = std::min(size, count - done);
    e = storeread(st, from + done, buffer, n);
    if (e == 0) e = storewrite(st, to + done, buffer, n);
  }
  DisposePtr(buffer);
  return e;
}

// Writes a whole record (head, data, zero padding) with one write, so that a record is on
// disk entirely or not at all.
i16 writerecord(projectstore& st, u64 at, u32 id, Handle h, u32 size, u64 slot) {
  if (slot > u64(INT32_MAX)) return memFullErr;
  Ptr buffer = NewPtrClear(Size(slot));
  if (buffer == nullptr) return MemError();
  stardir head{id, size, u32(slot)};
  endianswapstardir(&head);
  std::memcpy(buffer, &head, kStarRecordHead);
  BlockMoveData(deref(h), buffer + kStarRecordHead, Size(size));
  i16 e = storewrite(st, at, buffer, slot);
  DisposePtr(buffer);
  return e;
}

// An id taken from the front of the recycled chain.
void popchain(projectstore& st, u32 next) {
  if (st.pushed > 0) {
    --st.pushed;
  } else {
    ++st.diskchainpopped;
    st.diskchainnext = next;
  }
}

struct runrecord {
  u32 id;
  u32 slot;
};

// Points the run's directory entries at its copy from `at` on, record by record, calling
// moved(slot) after each so that the store stays consistent between them.
template <class Moved>
i16 pointrun(projectstore& st, const std::vector<runrecord>& run, u64 at, Moved moved) {
  for (runrecord r : run) {
    if (i16 e = setentry(st, r.id, u32(at))) return e;
    at += r.slot;
    moved(r.slot);
  }
  return 0;
}

// Slides the records behind free entry k down to its start, at most kStageLimit bytes of
// them (at least one record); entry k moves up behind them, merging with what it meets.
// Dead space found behind the entry joins it. A run that fits into the entry is copied
// straight; a longer one would overwrite itself, so it goes first to the end of the data,
// which is committed, and then to its place.
i16 slidestep(projectstore& st, u32 k) {
  starhead& h = st.header;
  freeentry f = h.freelist.v[k];
  u64 o = f.offset, len = f.length, p = o + len;
  u64 limit = k + 1 < h.freecount ? h.freelist.v[k + 1].offset : h.endofdata;
  std::vector<runrecord> run;
  u64 total = 0;
  for (u64 q = p; q < limit && total < kStageLimit;) {
    stardir head;
    bool live;
    if (i16 e = liverecordat(st, q, limit, &head, &live)) return e;
    if (!live) break;
    run.push_back({head.id, head.slot});
    total += head.slot;
    q += head.slot;
  }
  if (run.empty()) {
    u64 dead = std::min<u64>(kStarSlotUnit, limit - p);
    h.freelist.v[k].length = u32(len + dead);
    h.freebytes = u32(h.freebytes + dead);
    mergefree(h);
    return 0;
  }
  if (total <= len) {
    if (i16 e = makesafe(st, o, total)) return e;
    if (i16 e = movebytes(st, p, o, total)) return e;
    if (i16 e = pointrun(st, run, o, [&](u32 slot) { h.freelist.v[k].offset = h.freelist.v[k].offset + slot; })) {
      return e;
    }
    mergefree(h);
    return 0;
  }
  if (h.endofdata < st.diskheader.endofdata) {
    if (i16 e = commitstar(st)) return e;
  }
  u64 stage = h.endofdata;
  if (stage + total > kMaxOffset) return dskFulErr;
  if (i16 e = makesafe(st, stage, total)) return e;
  if (i16 e = movebytes(st, p, stage, total)) return e;
  i16 staged = pointrun(st, run, stage, [&](u32 slot) {
    h.endofdata = h.endofdata + slot;
    h.freelist.v[k].length = h.freelist.v[k].length + slot;
    h.freebytes = h.freebytes + slot;
  });
  if (staged != 0) return staged;
  mergefree(h);
  if (i16 e = commitstar(st)) return e;
  if (i16 e = makesafe(st, o, total)) return e;
  if (i16 e = movebytes(st, stage, o, total)) return e;
  if (i16 e = pointrun(st, run, o, [&](u32 slot) { takefree(h, k, slot); })) return e;
  h.endofdata = u32(stage);
  return 0;
}

// With a full free list, closes the narrowest gap between two neighbouring entries by
// sliding its records down over the first of them.
i16 makefreeroom(projectstore& st) {
  starhead& h = st.header;
  if (h.freecount < kStarFreeEntries) return 0;
  u32 best = 0;
  u64 bestgap = ~u64(0);
  for (u32 i = 0; i + 1 < h.freecount; ++i) {
    u64 gap = h.freelist.v[i + 1].offset - (u64(h.freelist.v[i].offset) + h.freelist.v[i].length);
    if (gap < bestgap) {
      bestgap = gap;
      best = i;
    }
  }
  u32 count = h.freecount;
  while (h.freecount == count) {
    if (i16 e = slidestep(st, best)) return e;
  }
  return commitstar(st);
}

// Grows the directory by one page: clears the 512 bytes after it, moving their records to
// free places or to the end of data.
i16 growdirectory(projectstore& st) {
  starhead& h = st.header;
  if (h.dircapacity > (kMaxOffset - kStarHeadSize) / 4 - kStarPageIds) return dskFulErr;
  u64 start = dirend(h), p = start, moved = 0;
  while (moved < kStarPageSize) {
    if (h.freecount > 0 && p >= h.freelist.v[0].offset) {
      freeentry f = h.freelist.v[0];
      u64 to = std::max(p, u64(f.offset) + f.length);
      moved += to - p;
      p = to;
      removefree(h, 0);
      continue;
    }
    if (p >= h.endofdata) {
      // Nothing is left behind the directory: it takes the bytes past the end of data.
      u64 need = kStarPageSize - moved;
      if (p + need > kMaxOffset) return dskFulErr;
      p += need;
      moved += need;
      h.endofdata = u32(p);
      break;
    }
    u64 limit = h.freecount > 0 ? h.freelist.v[0].offset : h.endofdata;
    stardir head;
    bool live;
    if (i16 e = liverecordat(st, p, limit, &head, &live)) return e;
    if (!live) {
      u64 dead = std::min<u64>(kStarSlotUnit, limit - p);
      p += dead;
      moved += dead;
      continue;
    }
    if (i16 e = touchpage(st, head.id)) return e;
    placement to;
    if (i16 e = choose(h, head.slot, &to)) return e;
    if (i16 e = makesafe(st, to.offset, head.slot)) return e;
    if (i16 e = movebytes(st, p, to.offset, head.slot)) return e;
    place(h, to, head.slot);
    if (i16 e = setentry(st, head.id, u32(to.offset))) return e;
    p += head.slot;
    moved += head.slot;
  }
  // The new page will be written over the cleared bytes: the file must first stop counting
  // anything there as live.
  if (i16 e = commitstar(st)) return e;
  u32 first = h.dircapacity;
  h.dircapacity = first + kStarPageIds;
  if (i16 e = makepage(st, first)) return e;
  if (moved > kStarPageSize) {
    u64 excess = moved - kStarPageSize;
    insertfree(h, u32(p - excess), u32(excess));
  }
  return 0;
}

}  // namespace

i16 growfree(RegistryId store) {
  projectstore* st = lookup(store);
  if (st == nullptr) return 104;
  return makefreeroom(*st);
}

i16 filemove(RegistryId store, u32 from, u32 to, u32 count) {
  projectstore* st = lookup(store);
  if (st == nullptr) return 104;
  return movebytes(*st, from, to, count);
}

i16 addstar(RegistryId store, i32* id, Handle h) {
  projectstore* st = lookup(store);
  if (st == nullptr) return 104;
  Size size = GetHandleSize(h);
  if (OSErr e = MemError()) return e;
  if (i16 e = makefreeroom(*st)) return e;
  starhead& hd = st->header;
  u32 newid, next = 0;
  bool recycled = hd.recycledcount > 0;
  if (recycled) {
    newid = hd.firstrecycled;
    if (newid >= hd.idsissued) return 100;
    if (i16 e = entryof(*st, newid, &next)) return e;
    if (hd.recycledcount > 1 && next >= hd.idsissued) return 100;
  } else {
    if (hd.idsissued >= hd.dircapacity) {
      if (i16 e = growdirectory(*st)) return e;
    }
    newid = hd.idsissued;
    if (newid > u32(INT32_MAX)) return dskFulErr;
  }
  if (i16 e = touchpage(*st, newid)) return e;
  u64 slot = starslot(u64(size));
  placement to;
  if (i16 e = choose(hd, slot, &to)) return e;
  if (i16 e = makesafe(*st, to.offset, slot)) return e;
  if (i16 e = writerecord(*st, to.offset, newid, h, u32(size), slot)) return e;
  place(hd, to, slot);
  if (recycled) {
    hd.firstrecycled = next;
    hd.recycledcount = hd.recycledcount - 1;
    popchain(*st, next);
  } else {
    hd.idsissued = newid + 1;
  }
  if (i16 e = setentry(*st, newid, u32(to.offset))) return e;
  st->dirty = 1;
  *id = i32(newid);
  return 0;
}

i16 savestar(RegistryId store, i32 id, Handle h) {
  projectstore* st = lookup(store);
  if (st == nullptr) return 104;
  Size size = GetHandleSize(h);
  if (OSErr e = MemError()) return e;
  if (i16 e = makefreeroom(*st)) return e;
  u32 at;
  stardir old;
  if (i16 e = readrecord(*st, id, &at, &old)) return e;
  // In place only where the disk does not count the record live yet: a write cut short there
  // would leave neither the old version nor the new one.
  if (u32(size) == old.size && safetowrite(*st, at, old.slot)) {
    if (i16 e = endianswapackedstar(h, 1)) return e;
    if (i16 e = storewrite(*st, u64(at) + kStarRecordHead, deref(h), u64(size))) return e;
    st->dirty = 1;
    return 0;
  }
  starhead& hd = st->header;
  u64 slot = starslot(u64(size));
  // The place a save takes when the old slot is freed first (it may be chosen again).
  starhead plan = hd;
  insertfree(plan, at, old.slot);
  placement to;
  if (i16 e = choose(plan, slot, &to)) return e;
  bool freedfirst = true;
  if (!safetowrite(*st, to.offset, slot)) {
    if (i16 e = commitstar(*st)) return e;
    if (!safetowrite(*st, to.offset, slot)) {
      // That place still holds the record as the file knows it: put the new one elsewhere
      // and free the old slot afterwards.
      freedfirst = false;
      if (i16 e = choose(hd, slot, &to)) return e;
      if (i16 e = makesafe(*st, to.offset, slot)) return e;
    }
  }
  if (i16 e = endianswapackedstar(h, 1)) return e;
  if (i16 e = writerecord(*st, to.offset, u32(id), h, u32(size), slot)) return e;
  if (freedfirst) {
    insertfree(hd, at, old.slot);
    place(hd, to, slot);
  } else {
    place(hd, to, slot);
    insertfree(hd, at, old.slot);
  }
  if (i16 e = setentry(*st, u32(id), u32(to.offset))) return e;
  st->dirty = 1;
  return 0;
}

i16 delstar(RegistryId store, i32 id) {
  projectstore* st = lookup(store);
  if (st == nullptr) return 104;
  if (i16 e = makefreeroom(*st)) return e;
  u32 at;
  stardir old;
  if (i16 e = readrecord(*st, id, &at, &old)) return e;
  starhead& hd = st->header;
  if (i16 e = setentry(*st, u32(id), hd.firstrecycled)) return e;
  hd.firstrecycled = u32(id);
  hd.recycledcount = hd.recycledcount + 1;
  ++st->pushed;
  insertfree(hd, at, old.slot);
  st->dirty = 1;
  return 0;
}

i16 compactstar(RegistryId store) {
  projectstore* st = lookup(store);
  if (st == nullptr) return 104;
  starhead& h = st->header;
  i16 e = 0;
  while (e == 0 && h.freecount > 0) {
    freeentry f = h.freelist.v[0];
    if (u64(f.offset) + f.length >= h.endofdata) {
      h.endofdata = f.offset;
      removefree(h, 0);
      continue;
    }
    e = slidestep(*st, 0);
  }
  st->dirty = 1;
  // Stop with what is consistent on disk, then report the error.
  i16 c = commitstar(*st);
  if (e != 0) return e;
  if (c != 0) return c;
  // The header that stops counting the tail reaches the disk before the tail goes.
  u64 length = u64(h.baseoffset) + h.endofdata;
  if (st->filelength > length) {
    if (i16 be = barrier(*st)) return be;
    if (i16 se = setlength(*st, length)) return se;
  }
  return 0;
}

i16 totalstar(RegistryId store, u32 nids, u32* bytes) {
  projectstore* st = lookup(store);
  if (st == nullptr) return 104;
  const starhead& h = st->header;
  *bytes = 0;
  i64 shortfall = i64(nids) - (i64(h.dircapacity) - i64(h.idsissued) + i64(h.recycledcount));
  if (shortfall < 1) return 0;
  u64 p = dirend(h), total = 0;
  u32 k = 0;
  while (shortfall >= 1) {
    if (p >= h.endofdata) {
      total += 500000;
      break;
    }
    while (k < h.freecount && h.freelist.v[k].offset < p) ++k;
    u64 len;
    if (k < h.freecount && h.freelist.v[k].offset == p) {
      len = h.freelist.v[k++].length;
    } else {
      stardir head;
      if (i16 e = storeread(*st, p, &head, kStarRecordHead)) return e;
      endianswapstardir(&head);
      u32 slot = head.slot;
      len = (slot >= kStarSlotUnit && slot % kStarSlotUnit == 0 && p + slot <= h.endofdata) ? slot : kStarSlotUnit;
    }
    total += len;
    shortfall -= i64(len / 4);
    p += len;
  }
  *bytes = u32(std::min<u64>(total, kMaxOffset));
  return 0;
}

}  // namespace kv
