// The project store: one file of numbered records of any length.
//
// The file starts with a 1,024-byte header (starhead), followed by the directory (one u32
// store offset per record id, in pages of 128 ids) and the records, each a 12-byte record
// head (stardir), its data and padding up to a slot of a multiple of 64 bytes. Free slots
// are kept in a 64-entry list inside the header. Everything is big-endian on disk and kept
// in host order in memory. Store offsets count from the header's base offset.
//
// Every operation answers an i16 status: 0, a positive error number (100 bad record id,
// 101 the file does not match its header, 104 no such open store, 105 bad record kind) or a
// negative file or memory error passed through.
//
// Changes and commits. A change (a command, a message the event loop sends) may write many
// records; none of them is live on disk until the store commits, which happens only between
// whole changes (see store/commitpoints.h). Until then every record is written where the file's
// header and directory count nothing as live: into free space that no committed record holds,
// or past the end of data. Slots a change frees stay out of use until its commit (the file
// still needs them). A commit first makes the records durable (a barrier, fdatasync), then
// writes a journal past the end of the file (the new header and every changed directory page,
// with a checksum), a barrier, then the header and pages in place, a barrier, and cuts the
// journal off again. Opening a file whose journal is whole finishes that commit: a kill at any
// moment leaves either the state before the commit or the state after it, never a mixture.
#pragma once

#include "platform/files/files.h"
#include "platform/memory/stored.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

#include <unordered_set>
#include <vector>

namespace kv {

constexpr u32 kStarVersion = 0x20006;     // the only version that opens
constexpr u32 kStarOldVersion = 0x10000;  // an older format, refused with its own code
constexpr u32 kStarRevision = 0x35000;    // written on every flush; a larger one is refused
constexpr u32 kStarHeadSize = 1024;
constexpr u32 kStarPageIds = 128;  // ids per directory page
constexpr u32 kStarPageSize = 512;
constexpr u32 kStarFreeEntries = 64;
constexpr u32 kStarRecordHead = 12;
constexpr u32 kStarSlotUnit = 64;
constexpr int kStarCachedPages = 4;
constexpr i16 kProjectInUse = 235;  // the script error of a file another program holds

// One free-list entry: a run of free bytes.
#define KV_FREEENTRY_FIELDS(F) \
  F(u32, offset, 0)            \
  F(u32, length, 4)
KV_STORED_RECORD(freeentry, 8, KV_FREEENTRY_FIELDS)

using starwords2 = arr<u32, 2>;
using starwords3 = arr<u32, 3>;
using starreserved = bytes<448>;
using starfreelist = arr<freeentry, 64>;

// The store header. Bytes 40-63 other than the revision and 64-511 are carried unchanged;
// 64-511 are never byte-swapped. The flag word at 36 is zero in a new store.
#define KV_STARHEAD_FIELDS(F)    \
  F(u32, version, 0)             \
  F(u32, endofdata, 4)           \
  F(u32, freebytes, 8)           \
  F(u32, freecount, 12)          \
  F(u32, dircapacity, 16)        \
  F(u32, idsissued, 20)          \
  F(u32, recycledcount, 24)      \
  F(u32, firstrecycled, 28)      \
  F(u32, baseoffset, 32)         \
  F(u32, flags, 36)              \
  F(starwords2, reserved1, 40)   \
  F(u32, revision, 48)           \
  F(starwords3, reserved2, 52)   \
  F(starreserved, reserved3, 64) \
  F(starfreelist, freelist, 512)
KV_STORED_RECORD(starhead, 1024, KV_STARHEAD_FIELDS)

// Header flag bit 0: the project's resource file has not yet been searched for classic
// externals (system/externals.h, initload).
constexpr u32 kStarUnsearchedFork = 1;

// The head of every record: its id, its data size and its slot size.
#define KV_STARDIR_FIELDS(F) \
  F(u32, id, 0)              \
  F(u32, size, 4)            \
  F(u32, slot, 8)
KV_STORED_RECORD(stardir, 12, KV_STARDIR_FIELDS)

// The slot a record of `size` data bytes takes: size + 12 rounded up to 64.
constexpr u64 starslot(u64 size) { return (size + 75) & ~u64(63); }

// A cached directory page, entries in host order.
struct starpage {
  u32 firstid;
  u64 stamp;
  u16 changed;
  u32 entries[kStarPageIds];
};

// Bytes of the file read ahead of a small read, so that a walk over neighbouring records (the
// pages of a long card list) asks the file once for many of them. Whatever writes to the
// file or changes its length forgets them; they belong to the file they were read from.
struct starreadahead {
  FileRef ref;
  u64 from;  // the file position of bytes[0]
  std::vector<u8> bytes;
};

// One open project store. Allocated zeroed by its opener (newprojectstore) and named by a
// registry id everywhere else.
struct projectstore {
  u16 dirty;  // changed since the last commit
  i16 volume;
  FileRef fileref;  // the open file
  i16 resref;       // the project's open resource file, 0 when none
  u16 diskfullwarned;
  u16 locked;  // the project cannot be written
  Str255 filename;
  Str255 fullpath;  // filled by the record cache's opener
  // Host order. Every operation reads and updates this copy; its free list shows the free
  // space the next commit will list (`freespace` and `pending` together).
  starhead header;
  u64 pageclock;
  // Cached directory pages: at most kStarCachedPages unchanged ones; changed ones stay until
  // the commit writes them.
  std::vector<starpage> pages;
  i32 cachecount;  // record cache entries (kept by the record cache)
  Handle cache;
  i32 externalscount;  // the project's externals: registry entries (system/externals.h)
  Handle externals;
  i32 fileexternalscount;  // and the externals loaded for it from files
  Handle fileexternals;
  RegistryId next;    // next open project
  u16 isapplication;  // the file's type is 'APPL'
  u32 dirid;          // folder of the file

  starhead diskheader;               // the header as the file holds it (host order)
  std::vector<freeentry> freespace;  // free, and no committed record holds it: writable now
  std::vector<freeentry> pending;    // freed since the last commit; the file still counts it live
  std::unordered_set<u32> fresh;     // slots written since the last commit, by offset
  u64 filelength;                    // bytes the file is known to hold
  u16 unsynced;                      // written since the last barrier
  starreadahead readahead;
};

// --- Open stores -----------------------------------------------------------------------------
RegistryId newprojectstore();
projectstore* findprojectstore(RegistryId store);  // null for an id that names no open store
void disposeprojectstore(RegistryId store);

// --- The file ------------------------------------------------------------------------------
i16 createstar(i16 volume, u32 dirid, ConstStringPtr name);
i16 openstar(i16 volume, u32 dirid, ConstStringPtr name, RegistryId store);
i16 verifystar(i16 volume, u32 dirid, ConstStringPtr name);  // 1000 when the file is a store
i16 verifystr(i16 code);  // the script error of a code (1002, held elsewhere: kProjectInUse)
i16 closestar(RegistryId store);
i16 deletestar(i16 volume, u32 dirid, ConstStringPtr name);
// Commits what changed, unless a change is under way (store/commitpoints.h): then the commit
// waits for the change's end. At a commit with a full free list, the narrowest gaps are closed.
i16 flushstar(RegistryId store);
// Commits now, whether or not a change is under way (closing, compaction, saving).
i16 commitnow(RegistryId store);

// --- Records -------------------------------------------------------------------------------
i16 idtoffset(RegistryId store, i32 id, u32* offset);
i16 newoffset(RegistryId store, i32 id, u32 offset);
// The handle holds the packed record in file order.
i16 addstar(RegistryId store, i32* id, Handle h);
// The handle gets the record's data, in host order.
i16 getstar(RegistryId store, i32 id, Handle h);
// The handle holds the record in host order; it is left in file order.
i16 savestar(RegistryId store, i32 id, Handle h);
i16 delstar(RegistryId store, i32 id);
i16 sizestar(RegistryId store, i32 id, u32* size);
// The last 260 bytes of the record's data, right-aligned in the buffer, not swapped.
i16 namestar(RegistryId store, i32 id, u8* buffer260);
i16 totalstar(RegistryId store, u32 nids, u32* bytes);

// --- Space ---------------------------------------------------------------------------------
i16 growfree(RegistryId store);
i16 compactstar(RegistryId store);
i16 filemove(RegistryId store, u32 from, u32 to, u32 count);

// --- Byte order of the store's own structures ----------------------------------------------
void endianswapstarhead(void* head);
void endianswaplongs(void* words, i32 n);
void endianswapstardir(void* dir);

}  // namespace kv
