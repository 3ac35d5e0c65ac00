// Space in the project store: adding, saving and deleting records, recycled ids, free space,
// growing the directory, making room in a full free list, compaction and moving bytes.
// Between commits every record goes where no committed record lies: into `freespace` or past
// the end of data; the slots a change frees wait in `pending` until the commit that stops the
// file counting them live. Each change writes its bytes first and then changes the store in
// memory, so that a failed write leaves the store as it was.
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/scripterrors.h"
#include "platform/memory/memory.h"
#include "store/commitpoints.h"
#include "store/starfile.h"
#include "store/starinternal.h"

namespace kv {

namespace stardetail {

void addfree(freelist& list, u64 offset, u64 length) {
  if (length == 0) return;
  auto at = std::lower_bound(list.begin(), list.end(), offset,
                             [](const freeentry& e, u64 o) { return u64(e.offset) < o; });
  std::size_t i = std::size_t(at - list.begin());
  list.insert(at, freeentry{u32(offset), u32(length)});
  // Merge with the run before, then with every run after that this one reaches.
  if (i > 0 && u64(list[i - 1].offset) + list[i - 1].length >= offset) --i;
  while (i + 1 < list.size()) {
    freeentry a = list[i], b = list[i + 1];
    u64 aend = u64(a.offset) + a.length;
    if (aend < b.offset) break;
    list[i].length = u32(std::max(aend, u64(b.offset) + b.length) - a.offset);
    list.erase(list.begin() + long(i + 1));
  }
}

int bestfit(const freelist& list, u64 slot) {
  int best = -1;
  for (std::size_t i = 0; i < list.size(); ++i) {
    u32 len = list[i].length;
    if (len >= slot && (best < 0 || len < list[std::size_t(best)].length)) best = int(i);
  }
  return best;
}

void takefree(freelist& list, std::size_t i, u64 slot) {
  freeentry e = list[i];
  if (e.length <= slot) {
    list.erase(list.begin() + long(i));
  } else {
    list[i] = freeentry{u32(e.offset + slot), u32(e.length - slot)};
  }
}

void releaseslot(projectstore& st, u32 offset, u32 slot) {
  if (st.fresh.erase(offset) > 0) {
    addfree(st.freespace, offset, slot);
  } else {
    addfree(st.pending, offset, slot);
  }
}

namespace {

// Every free run, writable or not, merged.
freelist allfree(const projectstore& st) {
  freelist all = st.freespace;
  for (freeentry e : st.pending) addfree(all, e.offset, e.length);
  return all;
}

}  // namespace

void showfree(projectstore& st) {
  freelist all = allfree(st);
  if (all.size() > kStarFreeEntries) {
    std::stable_sort(all.begin(), all.end(), [](freeentry a, freeentry b) { return a.length > b.length; });
    all.resize(kStarFreeEntries);
    std::sort(all.begin(), all.end(), [](freeentry a, freeentry b) { return a.offset < b.offset; });
  }
  starhead& h = st.header;
  h.freecount = u32(all.size());
  u64 sum = 0;
  for (u32 i = 0; i < kStarFreeEntries; ++i) {
    h.freelist.v[i] = i < all.size() ? all[i] : freeentry{0, 0};
    if (i < all.size()) sum += all[i].length;
  }
  h.freebytes = u32(sum);
}

void settlefree(projectstore& st) {
  for (freeentry e : st.pending) addfree(st.freespace, e.offset, e.length);
  st.pending.clear();
  st.fresh.clear();
  showfree(st);
}

i16 findfree(projectstore& st) {
  starhead& h = st.header;
  st.freespace.clear();
  u64 p = dirend(h), end = h.endofdata, dead = p;
  while (p < end) {
    stardir head;
    bool live;
    if (i16 e = liverecordat(st, p, end, &head, &live)) return e;
    if (live) {
      addfree(st.freespace, dead, p - dead);
      p += head.slot;
      dead = p;
    } else {
      p = std::min<u64>(p + kStarSlotUnit, end);
    }
  }
  addfree(st.freespace, dead, end - dead);
  showfree(st);
  return 0;
}

}  // namespace stardetail

using namespace stardetail;

namespace {

constexpr u64 kMaxOffset = 0xFFFFFFFFu;
constexpr u64 kMoveBuffer = 1 << 20;  // largest buffer a move takes at once
constexpr u64 kStageLimit = 1 << 20;  // records slid through the end of the data at once

// Where a slot goes in a list of writable runs: the best fit, else the end of data.
i16 choose(const projectstore& st, const freelist& list, u64 slot, u64* at) {
  int i = bestfit(list, slot);
  *at = i >= 0 ? list[std::size_t(i)].offset : st.header.endofdata;
  if (i < 0 && *at + slot > kMaxOffset) return dskFulErr;  // store offsets are 32-bit
  return 0;
}

// Takes [at, at + slot) out of the writable runs, or puts the end of data behind it.
void claim(projectstore& st, u64 at, u64 slot) {
  if (at >= st.header.endofdata) {
    st.header.endofdata = u32(at + slot);
    return;
  }
  freelist& list = st.freespace;
  for (std::size_t i = 0; i < list.size(); ++i) {
    u64 o = list[i].offset, end = o + list[i].length;
    if (at < o || at >= end) continue;
    list.erase(list.begin() + long(i));
    addfree(list, o, at - o);
    addfree(list, at + slot, end > at + slot ? end - (at + slot) : 0);
    return;
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

struct runrecord {
  u32 id;
  u32 slot;
};

// The live records from p on, up to `limit` or kStageLimit bytes: false when something that
// is no live record lies before the limit.
i16 recordrun(projectstore& st, u64 p, u64 limit, std::vector<runrecord>* run, u64* total, bool* whole) {
  run->clear();
  *total = 0;
  *whole = true;
  for (u64 q = p; q < limit && *total < kStageLimit;) {
    stardir head;
    bool live;
    if (i16 e = liverecordat(st, q, limit, &head, &live)) return e;
    if (!live) {
      *whole = false;
      break;
    }
    run->push_back({head.id, head.slot});
    *total += head.slot;
    q += head.slot;
  }
  return 0;
}

// Moves a run of records from `from` to `to` (a writable place apart from the run): the
// bytes, then their directory entries; the old slots are released.
i16 moverun(projectstore& st, const std::vector<runrecord>& run, u64 from, u64 to, u64 total) {
  if (i16 e = movebytes(st, from, to, total)) return e;
  claim(st, to, total);
  for (runrecord r : run) {
    if (i16 e = setentry(st, r.id, u32(to))) return e;
    releaseslot(st, u32(from), r.slot);
    st.fresh.insert(u32(to));
    from += r.slot;
    to += r.slot;
  }
  return 0;
}

// Slides the records behind writable run k down to its start, at most kStageLimit bytes of
// them (at least one record); the run moves up behind them. Dead space behind the run joins
// it. A run of records longer than the free run would overwrite itself, so it goes first to
// the end of the data and then to its place. Commits as it goes: only at a commit point.
i16 slidestep(projectstore& st, std::size_t k) {
  if (i16 e = commitstar(st)) return e;
  freeentry f = st.freespace[k];
  u64 o = f.offset, len = f.length, p = o + len;
  u64 limit = k + 1 < st.freespace.size() ? st.freespace[k + 1].offset : st.header.endofdata;
  std::vector<runrecord> run;
  u64 total;
  bool whole;
  if (i16 e = recordrun(st, p, limit, &run, &total, &whole)) return e;
  if (run.empty()) {
    addfree(st.freespace, p, std::min<u64>(kStarSlotUnit, limit - p));
    return 0;
  }
  if (total <= len) {
    if (i16 e = moverun(st, run, p, o, total)) return e;
    return commitstar(st);
  }
  u64 stage = st.header.endofdata;
  if (stage + total > kMaxOffset) return dskFulErr;
  if (i16 e = moverun(st, run, p, stage, total)) return e;
  if (i16 e = commitstar(st)) return e;
  if (i16 e = moverun(st, run, stage, o, total)) return e;
  if (i16 e = commitstar(st)) return e;
  // The staging bytes are the last free run: the data ends before them again.
  if (st.freespace.empty()) return 0;
  freeentry last = st.freespace.back();
  if (u64(last.offset) + last.length != st.header.endofdata || last.offset < stage) return 0;
  st.header.endofdata = last.offset;
  st.freespace.pop_back();
  return commitstar(st);
}

// The narrowest gap between two neighbouring runs of a list: the index of the first.
std::size_t narrowest(const freelist& list) {
  std::size_t best = 0;
  u64 bestgap = ~u64(0);
  for (std::size_t i = 0; i + 1 < list.size(); ++i) {
    u64 gap = list[i + 1].offset - (u64(list[i].offset) + list[i].length);
    if (gap < bestgap) {
      bestgap = gap;
      best = i;
    }
  }
  return best;
}

// Whether [at, at + count) lies inside one writable run.
bool writable(const projectstore& st, u64 at, u64 count) {
  for (freeentry e : st.freespace) {
    if (e.offset <= at && at + count <= u64(e.offset) + e.length) return true;
  }
  return false;
}

// Grows the directory by one page: clears the 512 bytes after it, moving their records to
// writable places or to the end of data. The page is written over the cleared bytes by the
// next commit, which the journal makes whole.
i16 growdirectory(projectstore& st) {
  starhead& h = st.header;
  if (h.dircapacity > (kMaxOffset - kStarHeadSize) / 4 - kStarPageIds) return dskFulErr;
  u64 start = dirend(h), p = start, moved = 0;
  while (moved < kStarPageSize) {
    // The lowest free run, writable or pending, is taken whole once the walk reaches it.
    freelist* runs = nullptr;
    if (!st.freespace.empty()) runs = &st.freespace;
    if (!st.pending.empty() && (runs == nullptr || st.pending[0].offset < runs->front().offset)) runs = &st.pending;
    if (runs != nullptr && p >= runs->front().offset) {
      freeentry f = runs->front();
      u64 to = std::max(p, u64(f.offset) + f.length);
      moved += to - p;
      p = to;
      runs->erase(runs->begin());
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
    u64 limit = runs != nullptr ? runs->front().offset : h.endofdata;
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
    u64 to;
    if (i16 e = choose(st, st.freespace, head.slot, &to)) return e;
    if (i16 e = movebytes(st, p, to, head.slot)) return e;
    claim(st, to, head.slot);
    if (i16 e = setentry(st, head.id, u32(to))) return e;
    st.fresh.erase(u32(p));
    st.fresh.insert(u32(to));
    p += head.slot;
    moved += head.slot;
  }
  u32 first = h.dircapacity;
  h.dircapacity = first + kStarPageIds;
  if (i16 e = makepage(st, first)) return e;
  // Bytes cleared beyond the page are free once the page is committed.
  if (moved > kStarPageSize) addfree(st.pending, p - (moved - kStarPageSize), moved - kStarPageSize);
  return 0;
}

}  // namespace

namespace stardetail {

i16 makefreeroom(projectstore& st, bool commits) {
  for (;;) {
    if (st.freespace.size() + st.pending.size() < kStarFreeEntries) return 0;
    freelist all = allfree(st);
    if (all.size() < kStarFreeEntries) return 0;
    std::size_t i = narrowest(all);
    if (commits) {
      if (i16 e = commitstar(st)) return e;
      // Committed, every run is writable: slide until the gap is closed.
      i = narrowest(st.freespace);
      std::size_t count = st.freespace.size();
      while (st.freespace.size() == count && i < st.freespace.size()) {
        if (i16 e = slidestep(st, i)) return e;
      }
      continue;
    }
    // Within a change: only a run of records that fits into a writable gap before it moves;
    // anything else waits for the commit point.
    u64 o = all[i].offset, len = all[i].length, p = o + len;
    std::vector<runrecord> run;
    u64 total;
    bool whole;
    if (!writable(st, o, len)) return 0;
    if (i16 e = recordrun(st, p, all[i + 1].offset, &run, &total, &whole)) return e;
    if (run.empty() || !whole || p + total != all[i + 1].offset || total > len) return 0;
    if (i16 e = moverun(st, run, p, o, total)) return e;
    showfree(st);
  }
}

}  // namespace stardetail

i16 growfree(RegistryId store) {
  projectstore* st = lookup(store);
  if (st == nullptr) return err::noproject;
  i16 e = makefreeroom(*st, !changeunderway());
  showfree(*st);
  return e;
}

i16 filemove(RegistryId store, u32 from, u32 to, u32 count) {
  projectstore* st = lookup(store);
  if (st == nullptr) return err::noproject;
  return movebytes(*st, from, to, count);
}

i16 addstar(RegistryId store, i32* id, Handle h) {
  projectstore* st = lookup(store);
  if (st == nullptr) return err::noproject;
  Size size = GetHandleSize(h);
  if (OSErr e = MemError()) return e;
  if (i16 e = makefreeroom(*st, false)) return e;
  starhead& hd = st->header;
  u32 newid, next = 0;
  bool recycled = hd.recycledcount > 0;
  if (recycled) {
    newid = hd.firstrecycled;
    if (newid >= hd.idsissued) return err::missingrecord;
    if (i16 e = entryof(*st, newid, &next)) return e;
    if (hd.recycledcount > 1 && next >= hd.idsissued) return err::missingrecord;
  } else {
    if (hd.idsissued >= hd.dircapacity) {
      if (i16 e = growdirectory(*st)) return e;
      markchanged(st);
    }
    newid = hd.idsissued;
    if (newid > u32(INT32_MAX)) return dskFulErr;
  }
  if (i16 e = touchpage(*st, newid)) return e;
  u64 slot = starslot(u64(size)), to;
  if (i16 e = choose(*st, st->freespace, slot, &to)) return e;
  if (i16 e = writerecord(*st, to, newid, h, u32(size), slot)) return e;
  claim(*st, to, slot);
  st->fresh.insert(u32(to));
  if (recycled) {
    hd.firstrecycled = next;
    hd.recycledcount = hd.recycledcount - 1;
  } else {
    hd.idsissued = newid + 1;
  }
  if (i16 e = setentry(*st, newid, u32(to))) return e;
  markchanged(st);
  showfree(*st);
  *id = i32(newid);
  return 0;
}

i16 savestar(RegistryId store, i32 id, Handle h) {
  projectstore* st = lookup(store);
  if (st == nullptr) return err::noproject;
  Size size = GetHandleSize(h);
  if (OSErr e = MemError()) return e;
  if (i16 e = makefreeroom(*st, false)) return e;
  u32 at;
  stardir old;
  if (i16 e = readrecord(*st, id, &at, &old)) return e;
  bool fresh = st->fresh.count(at) > 0;
  // In place only where no commit counts the record yet: a write cut short there would
  // leave neither the old version nor the new one.
  if (u32(size) == old.size && fresh) {
    if (i16 e = endianswapackedstar(h, 1)) return e;
    if (i16 e = storewrite(*st, u64(at) + kStarRecordHead, deref(h), u64(size))) return e;
    markchanged(st);
    return 0;
  }
  // A slot written since the last commit may be taken again at once.
  u64 slot = starslot(u64(size)), to;
  freelist plan = st->freespace;
  if (fresh) addfree(plan, at, old.slot);
  if (i16 e = choose(*st, plan, slot, &to)) return e;
  if (i16 e = endianswapackedstar(h, 1)) return e;
  if (i16 e = writerecord(*st, to, u32(id), h, u32(size), slot)) return e;
  releaseslot(*st, at, old.slot);
  claim(*st, to, slot);
  st->fresh.insert(u32(to));
  if (i16 e = setentry(*st, u32(id), u32(to))) return e;
  markchanged(st);
  showfree(*st);
  return 0;
}

i16 delstar(RegistryId store, i32 id) {
  projectstore* st = lookup(store);
  if (st == nullptr) return err::noproject;
  if (i16 e = makefreeroom(*st, false)) return e;
  u32 at;
  stardir old;
  if (i16 e = readrecord(*st, id, &at, &old)) return e;
  starhead& hd = st->header;
  if (i16 e = setentry(*st, u32(id), hd.firstrecycled)) return e;
  hd.firstrecycled = u32(id);
  hd.recycledcount = hd.recycledcount + 1;
  releaseslot(*st, at, old.slot);
  markchanged(st);
  showfree(*st);
  return 0;
}

i16 compactstar(RegistryId store) {
  projectstore* st = lookup(store);
  if (st == nullptr) return err::noproject;
  starhead& h = st->header;
  // Compaction only moves records: it starts from a committed store and commits as it goes.
  i16 e = commitstar(*st);
  while (e == 0 && !st->freespace.empty()) {
    freeentry f = st->freespace[0];
    if (u64(f.offset) + f.length >= h.endofdata) {
      h.endofdata = f.offset;
      st->freespace.erase(st->freespace.begin());
      continue;
    }
    e = slidestep(*st, 0);
  }
  markchanged(st);
  // Stop with what is consistent on disk, then report the error.
  i16 c = commitstar(*st);
  if (e != 0) return e;
  if (c != 0) return c;
  st->dirty = 0;
  return 0;
}

i16 totalstar(RegistryId store, u32 nids, u32* bytes) {
  projectstore* st = lookup(store);
  if (st == nullptr) return err::noproject;
  const starhead& h = st->header;
  *bytes = 0;
  i64 shortfall = i64(nids) - (i64(h.dircapacity) - i64(h.idsissued) + i64(h.recycledcount));
  if (shortfall < 1) return 0;
  freelist runs = allfree(*st);
  u64 p = dirend(h), total = 0;
  std::size_t k = 0;
  while (shortfall >= 1) {
    if (p >= h.endofdata) {
      total += 500000;
      break;
    }
    while (k < runs.size() && runs[k].offset < p) ++k;
    u64 len;
    if (k < runs.size() && runs[k].offset == p) {
      len = runs[k++].length;
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
