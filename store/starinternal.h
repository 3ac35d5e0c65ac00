// Shared inside the project store's own files: file access relative to the base offset, the
// directory-page cache, record heads, the free list and commits.
#pragma once

#include "store/byteorder.h"
#include "store/starfile.h"

namespace kv::stardetail {

projectstore* lookup(RegistryId store);

// Store offset one past the directory.
inline u64 dirend(const starhead& h) { return kStarHeadSize + 4 * u64(h.dircapacity); }

// Reads or writes bytes at a store offset. A read of at most kReadAheadLargest bytes is
// served from, or reads, the next kReadAhead bytes of the file; every write, length change
// and close forgets them (forgetreads).
constexpr u64 kReadAhead = 65536, kReadAheadLargest = 16384;
i16 storeread(projectstore& st, u64 offset, void* buffer, u64 count);
i16 storewrite(projectstore& st, u64 offset, const void* buffer, u64 count);
void forgetreads(projectstore& st);

// Directory entries of any id below the capacity, through the page cache. Fetching a page
// may commit (when every cached page is changed), so callers fetch at points where the store
// in memory is consistent; touchpage fetches ahead of a change so that setentry then hits.
i16 touchpage(projectstore& st, u32 id);
i16 entryof(projectstore& st, u32 id, u32* offset);
i16 setentry(projectstore& st, u32 id, u32 offset);
// Puts a page of zero entries in the cache, changed (a page the directory just grew by).
i16 makepage(projectstore& st, u32 firstid);

// The checked head of live record `id`: 100 unless its entry points inside the data at a
// head of the same id whose sizes fit the slot and the slot fits the data.
i16 readrecord(projectstore& st, i32 id, u32* offset, stardir* head);
// Whether a live record starts at p and ends by `limit`: its head names an id whose entry
// is p. Anything else there is dead space (bytes no live record owns).
i16 liverecordat(projectstore& st, u64 p, u64 limit, stardir* head, bool* live);

// Makes what was written so far reach the disk before anything written after (fdatasync),
// when something was written since the last barrier.
i16 barrier(projectstore& st);
// Changes the file's length (one more write to order).
i16 setlength(projectstore& st, u64 length);
// Writes out what the file must hold for the store in memory (see starfile.h).
i16 commitstar(projectstore& st);
// Whether bytes may be written: nothing that the file's header and directory count as live
// lies there.
bool safetowrite(const projectstore& st, u64 offset, u64 count);
// Commits first when the bytes are not yet safe to write.
i16 makesafe(projectstore& st, u64 offset, u64 count);

// Finds the free list again from the records the directory calls live: every run of bytes
// behind the directory that no live record owns (the first 64 runs; later ones stay dead
// space until a slide or a compaction meets them).
i16 findfree(projectstore& st);

// --- The free list (of a header copy) -------------------------------------------------------
// Inserts an entry at its sorted place and merges entries that touch.
void insertfree(starhead& h, u32 offset, u32 length);
void mergefree(starhead& h);
void removefree(starhead& h, u32 index);
// The smallest entry that holds `slot` bytes (the first among equals), or -1.
int bestfit(const starhead& h, u64 slot);
// Takes `slot` bytes from the front of entry i.
void takefree(starhead& h, u32 index, u32 slot);

}  // namespace kv::stardetail
