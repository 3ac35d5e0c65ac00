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
// Crash safety. Between flushes the header and the changed directory pages live in memory.
// The store never writes a record over bytes that the header and directory on disk still
// count as live: it first writes those out ("commits"). A commit writes an intermediate
// header that keeps both the old and the new places of moved records out of the free list,
// then the changed directory pages, then the new header, with a barrier (fdatasync) before
// each step, so that a disk that keeps writes in any order between barriers still holds
// them in this one; so a kill at any moment leaves a file that opens and verifies, every
// record that the disk calls live readable. A record is never rewritten in place where the
// disk counts it live: a save goes elsewhere and frees the old slot, so a write cut short
// leaves only free bytes half written. The header spans two disk sectors: one written only
// in part leaves a free list that does not agree with the counts: such a file opens with the
// free list found again from the records its directory calls live. Records may lie past
// the header's end of data after a kill; a longer file opens, and the first open that can
// write cuts the file back to its data.
#pragma once

#include "platform/files/files.h"
#include "platform/memory/stored.h"
#include "platform/runtime/registry.h"
#include "platform/types.h"

#include <vector>

namespace kv {

constexpr u32 kStarVersion = 0x20006;      // the only version that opens
constexpr u32 kStarOldVersion = 0x10000;   // an older format, refused with its own code
constexpr u32 kStarRevision = 0x35000;     // written on every flush; a larger one is refused
constexpr u32 kStarHeadSize = 1024;
constexpr u32 kStarPageIds = 128;          // ids per directory page
constexpr u32 kStarPageSize = 512;
constexpr u32 kStarFreeEntries = 64;
constexpr u32 kStarRecordHead = 12;
constexpr u32 kStarSlotUnit = 64;
constexpr int kStarCachedPages = 4;
constexpr i16 kProjectInUse = 235;         // the script error of a file another program holds

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
#define KV_STARHEAD_FIELDS(F)        \
  F(u32, version, 0)                 \
  F(u32, endofdata, 4)               \
  F(u32, freebytes, 8)               \
  F(u32, freecount, 12)              \
  F(u32, dircapacity, 16)            \
  F(u32, idsissued, 20)              \
  F(u32, recycledcount, 24)          \
  F(u32, firstrecycled, 28)          \
  F(u32, baseoffset, 32)             \
  F(u32, flags, 36)                  \
  F(starwords2, reserved1, 40)       \
  F(u32, revision, 48)               \
  F(starwords3, reserved2, 52)       \
  F(starreserved, reserved3, 64)     \
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
  u16 dirty;             // changed since the last flush
  i16 volume;
  FileRef fileref;       // the open file
  i16 resref;            // the project's open resource file, 0 when none
  u16 diskfullwarned;
  u16 locked;            // the project cannot be written
  Str255 filename;
  Str255 fullpath;       // filled by the record cache's opener
  starhead header;       // host order; every operation reads and updates this copy
  u64 pageclock;
  i16 cachedpages;
  starpage pages[kStarCachedPages];
  i32 cachecount;        // record cache entries (kept by the record cache)
  Handle cache;
  i32 externalscount;    // the project's externals: registry entries (system/externals.h)
  Handle externals;
  i32 fileexternalscount; // and the externals loaded for it from files
  Handle fileexternals;
  RegistryId next;       // next open project
  u16 isapplication;     // the file's type is 'APPL'
  u32 dirid;             // folder of the file

  // What the file holds: the header as last written (host order), and how the recycled
  // chain moved since: ids taken from the written chain, the first one still in it, and
  // ids put in front of it.
  starhead diskheader;
  u32 diskchainpopped;
  u32 diskchainnext;
  u32 pushed;
  u64 filelength;        // bytes the file is known to hold
  u16 unsynced;          // written since the last barrier
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
i16 flushstar(RegistryId store);

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
