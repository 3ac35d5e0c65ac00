// The paged lists of a project: the card list of a window (64-byte word entries in page
// records, at most 100 per page) and the library lists of windows, menus and resources
// (16-byte book entries in rack records, at most 400 per rack).
//
// The owner (a window record, or a library record) keeps a directory of references {entry
// count, record id} after its fixed part; positions are 1-based over all the list records
// in directory order. Every routine loads the list records it needs through the record cache
// and releases them before it returns; a failure of the cache is fatal (checkerr).
//
// `window` and `library` are the owner's unpacked record, held by the caller. Routines that
// change the directory grow the owner's handle; they mark a window record changed through
// its record id, while the callers of the library routines mark the library record.
#pragma once

#include <functional>

#include "platform/runtime/registry.h"
#include "platform/types.h"
#include "store/records.h"

namespace kv {

constexpr i32 kWordsPerPage = 100;
constexpr i32 kBooksPerRack = 400;

// --- Card lists --------------------------------------------------------------------------------
// 0, or 1 (out untouched) when the position lies outside the list.
i16 getword(RegistryId store, Handle window, i32 position, wordentry* out);
// The entries at positions first..last in order, each list record read once: `visit` gets
// each position with its entry and answers true to stop. The walk ends, as one getword per
// position would, at the first position that cannot be read.
void eachword(RegistryId store, Handle window, i32 first, i32 last,
              const std::function<bool(i32, const wordentry&)>& visit);
// Overwrites an entry; 1 outside the list.
i16 putword(RegistryId store, Handle window, i32 position, const wordentry& in);
// The card id, or the background id, of an entry; 1 outside the list.
i16 getcardwordusernum(RegistryId store, Handle window, i32 position, u32* id);
i16 getbackwordusernum(RegistryId store, Handle window, i32 position, u32* id);
// Whether the page references' counts add up to the window's card count.
bool wordsaddup(Handle window);
// Removes the card entry at 0-based `index` (a page left empty goes, with its reference), lowers
// the card count and marks the window record changed. 105 with nothing changed when the page
// counts do not add up to the card count or there is no such entry.
i16 deleteword(RegistryId store, Handle window, i32 windowid, i32 index);
// Goes to the card after the current card's position in the current window (the card just
// inserted after it): 0, -991 when a handler moved elsewhere, or a status.
i16 bumpcard();
// Inserts an entry after the first `before` entries (the first page is made when the window
// has none). 1 when `before` lies beyond the list or the list's records do not hold together
// (nothing changes); a memory error passes through.
i16 sumutil(RegistryId store, Handle window, i32 windowid, i32 before, const wordentry& entry);
// Restores the page limit after an insertion: a page of 101 gives its last entry to the
// next page when that holds 99 or fewer, or else to a new page after it.
void bumpage(RegistryId store, Handle window, i32 windowid);

// --- Library lists -----------------------------------------------------------------------------
i16 getbook(RegistryId store, Handle library, i32 position, bookentry* out);
// As eachword, for the entries of a library list.
void eachbook(RegistryId store, Handle library, i32 first, i32 last,
              const std::function<bool(i32, const bookentry&)>& visit);
i16 putbook(RegistryId store, Handle library, i32 position, const bookentry& in);
// As sumutil and bumpage, for book entries and racks.
i16 addutil(RegistryId store, Handle library, i32 before, const bookentry& entry);
void bumprack(RegistryId store, Handle library);
// Whether the rack references' counts add up to the library's entry count.
bool booksaddup(Handle library);
// Removes the entry at 0-based `index`: its rack shrinks (a rack left empty goes, with its
// reference) and the library's entry count falls by one. 105 with nothing changed when the
// rack counts do not add up to the entry count or there is no such entry.
i16 deleteobj(RegistryId store, Handle library, i32 index);

}  // namespace kv
