// The record cache of an open project: every part of the system that reads or changes a
// project record asks it for the record by id and gets the unpacked record (a handle, see
// store/packing.h), marks it changed when it modified it, and releases it when done. The last
// release of a changed record writes it back to the store; records nobody holds are evicted,
// least recently used first, once the cache holds more than `objectCache` entries.
//
// Beside it stand the checks made before a project is written (a locked file, free disk
// space) and opening and closing a project.
//
// Results: 0; 104 no such open project; 102 the record is not cached; 105 a bad record or a
// wrong use state; otherwise the store's own result (store/starfile.h) passed through.
//
// Every write-back keeps the record held and changed when the store refuses it, so a later
// release or save can try again and nothing is evicted unwritten. A project that cannot be
// written (`islocked`) is not written to at all: its changed records stay in memory, changed,
// and releasing them answers 0.
#pragma once

#include "platform/types.h"
#include "store/starfile.h"

namespace kv {

// One cache entry. The entries of a project are one handle in the order they were loaded.
struct virentry {
  i32 id;         // record id in the store
  u16 usecount;   // holders: 1 when loaded, +1 per getvir, -1 per putvir
  u16 changed;    // a holder changed the record and it is not written yet
  Handle record;  // the unpacked record
  u64 stamp;      // the use counter at the last getvir
  u32 textowner;  // a background: the card whose texts its objects hold (0: none yet)
};

// --- Projects --------------------------------------------------------------------------------
// Opens the store file into `store` (made by newprojectstore) and links it at the head of the
// open projects. On failure the store stays allocated and unlinked.
i16 openvir(i16 volume, u32 dirid, ConstStringPtr name, RegistryId store);
// Discards the cache (changed records are not written: callers release or save them first),
// flushes and closes the store, unlinks and frees it. A failed flush leaves it open.
i16 closevir(RegistryId store);
// The open project after `store` in the open-project list (newest first); nilid at the end.
RegistryId nextvir(RegistryId store);

// --- Records ---------------------------------------------------------------------------------
// The unpacked record, loaded on a miss. On failure *out is nilhandle.
i16 getvir(RegistryId store, i32 id, Handle* out);
// Releases one hold; the last hold of a changed record writes it back first.
i16 putvir(RegistryId store, i32 id);
// Marks a held record changed.
i16 changevir(RegistryId store, i32 id);
// Writes a changed record now; it stays cached and held.
i16 savevir(RegistryId store, i32 id);
// Writes every changed record of the cache now (they stay cached): 0, or the first failure.
i16 saveallvir(RegistryId store);
// Replaces a changed record, held once, by its stored version (*out gets the new handle). An
// unchanged record answers 0 and leaves *out alone.
i16 revertvir(RegistryId store, i32 id, Handle* out);
// The changed flag of a cached record.
i16 testvir(RegistryId store, i32 id, u16* flag);
// Packs `h` and adds it as a new record (not cached); on success the handle is consumed. On
// failure the handle is still the caller's unpacked record.
i16 addvir(RegistryId store, i32* id, Handle h);
// Removes an unheld record from the cache and from the store.
i16 deletevir(RegistryId store, i32 id);
// Bytes of a record's packed form: what writing it would store.
i16 sizevir(RegistryId store, i32 id, u32* size);
// The name of a window, menu, resource, card or background record (at most 255 bytes).
i16 namevir(RegistryId store, i32 id, StringPtr name);
// Forgets every pending change of the project (it cannot be written).
void clearvir(RegistryId store);
// Evicts the least recently used unheld entry: 1 when one went, else 0.
i16 cleanold(RegistryId store);

// The objects of a loaded background hold the texts of one card at a time: the card a window
// shows, or a card a reference read. Whoever puts a card's texts into them says so; whoever
// stores their texts asks whose they are. A background loaded again holds no card's texts yet
// (0). Nothing happens for a record that is not cached.
void settextowner(RegistryId store, u32 backrecid, u32 cardrecid);
u32 textowner(RegistryId store, u32 backrecid);

// The cache entry of a record (a copy); false when it is not cached.
bool findvir(RegistryId store, i32 id, virentry* out);
// Entries in the cache.
i32 vircount(RegistryId store);

// --- Before writing --------------------------------------------------------------------------
// Non-zero when the project cannot be written (locked, or the file refuses a write).
i16 islocked(RegistryId store);
// Non-zero when the project's volume lacks `bytes` free bytes; the first time in a shortage
// the disk-full message names the project.
i16 nodiskspace(RegistryId store, u64 bytes);

// 1 when unpacking is to leave the parts of `mask` undecoded.
i16 theyMustDie(u32 mask);

}  // namespace kv
