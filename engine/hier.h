// One entry of a message path, of the script cache and of an inserted-script slot: a
// tokenised script with what the sender needs to search it; and the script cache that keeps
// every tokenised script, keyed by level and the object's reference text.
#pragma once

#include <span>

#include "engine/status.h"
#include "platform/types.h"

namespace kv {

// Levels of path entries, from the innermost target outwards.
enum : u16 {
  hierempty = 0,
  hieritem = 1,
  hierobject = 2,  // button, field, graphic or menu
  hiercard = 3,
  hierbackground = 4,
  hierwindow = 5,
  hierproject = 6,
  hiershared = 7,  // the shared project: every path ends with it
};

// A message path has this many entries.
constexpr int pathentries = 27;

struct hier {
  u16 level = hierempty;
  i16 usecount = 0;               // in the cache: live copies (paths and slots)
  Handle script = nilhandle;      // the cache's own copy of the script text
  Handle atoms = nilhandle;       // the tokenised script
  Handle descriptor = nilhandle;  // the object's reference text; with the level, the cache key
  u64 creation = 0;               // use-counter value when the entry was made: its identity
  i64 lastuse = 0;                // use-counter value at the last lookup; -1 = marked
  i32 firsthandler = -1;          // index of the first `on` handler-name atom, -1 when none
  i32 firstfunction = -1;         // index of the first `function` handler-name atom, -1 when none
  i16 slot = -1;                  // the inserted-script slot this entry was copied from, or -1
};

// A message path from one of its entries to the end of its array: every walk along a path is
// bounded by the span, whatever the entries hold.
using hierpath = std::span<hier>;

// --- The script cache ------------------------------------------------------------------------
// Finds the cached entry of (level, reference text) or makes it by tokenising a copy of the
// script, takes one use of it and copies it to *out. 0, or 37 when the memory guard refused
// (the entry is then made with an empty script) or the copy failed (no entry; *out untouched).
i16 makehier(Handle script, u16 level, ConstStringPtr reference, hier* out);
// As makehier, for the script handle of a stored record (its text followed by the 24-byte
// script tail): only the text is tokenised. No script is the empty text.
i16 makerecordhier(Handle script, u16 level, ConstStringPtr reference, hier* out);
// Evicts at most one unused entry (the least recently used; marked entries first). 1 when one
// went, 0 when none could.
i16 cleanhier();
// The script of (level, reference text) changed or its object went: an unused entry is freed
// at once, a used one is marked and freed when its last user releases it.
void markhier(u16 level, ConstStringPtr reference);
// Releases the uses a path holds: every entry not copied from a slot, up to and including the
// first level-7 entry, never past the end of the path.
void dumphier(hierpath path);
// Builds the empty entry and fills every inserted-script slot with it (start-up).
i16 inithiers();
// Releases the cache, the empty entry and the slots (the end of the run).
void releasehiers();
// The entry that fills unused slots: level 0, the empty script, descriptor "indirect".
const hier& emptyhier();
// The inserted-script slots, in the order of the sets: editor front (4), front (6), editor
// back (4), back (6). A slot's `slot` field is its own index here.
std::span<hier> hierslots();
// The stale flags of the slots, in the same order: set when the slot's object changed its
// script or went, so that the slot is rebuilt on the next pass (insertscripts.h).
std::span<u16> hierstale();
// Releases one use of the cache entry an entry was copied from (nothing for an empty entry):
// an unused marked entry goes, an unused unmarked one stays cached.
void releasehier(const hier& entry);

// Entries in the cache now (tests and the memory guard look).
i32 hiercount();
// The cache entry at an index (for tests); null past the end.
const hier* hierat(i32 index);

// The scriptCache property: the cache's limit, set clamped to 8..31.
i32 getscriptcache();
void setscriptcache(i32 n);

}  // namespace kv
