// Shared inside the project store's own files: file access relative to the base offset, the
// directory-page cache, record heads, free space and commits.
#pragma once

#include <vector>

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

// Directory entries of any id below the capacity, through the page cache. A changed page
// stays cached until the next commit; touchpage fetches ahead of a change.
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
// Makes the store in memory the store on disk (see starfile.h): at once, change or not.
i16 commitstar(projectstore& st);
// Finishes a commit that a journal past the end of the file holds (opening); `found` tells
// whether there was one.
i16 replayjournal(projectstore& st, bool* found);

// Finds the free space again from the records the directory calls live: every run of bytes
// behind the directory that no live record owns.
i16 findfree(projectstore& st);

// --- Free space ------------------------------------------------------------------------------
// Lists of free runs, sorted by offset, runs that touch merged.
using freelist = std::vector<freeentry>;
void addfree(freelist& list, u64 offset, u64 length);
// The smallest run that holds `slot` bytes (the first among equals), or -1.
int bestfit(const freelist& list, u64 slot);
// Takes `slot` bytes from the front of run i.
void takefree(freelist& list, std::size_t i, u64 slot);
// A slot no record needs any more: free at once when it was written since the last commit,
// else once the commit is done.
void releaseslot(projectstore& st, u32 offset, u32 slot);
// The header's free list as the next commit writes it: `freespace` and `pending` merged, the
// 64 longest runs when there are more (the rest stays usable and is found again by sliding
// and compaction).
void showfree(projectstore& st);
// After a commit, the slots freed by the change are free.
void settlefree(projectstore& st);

// Closes the narrowest gaps of a full free list. `commits`: at a commit point, where the store
// may commit as it slides records; otherwise only a run that fits the gap is slid.
i16 makefreeroom(projectstore& st, bool commits);

}  // namespace kv::stardetail
