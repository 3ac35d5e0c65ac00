// Object records and their parts: object lists (`spot`), user-property lists (`uprop`),
// alternate-data lists (`alt`) and objects embedded in field text (`iota`): packed and unpacked
// inside a record, measured, copied and freed.
//
// Statuses are 0, 105 for stored data that does not hold together (a count too large for its
// block, groups nested deeper than 64), -108 for a bitmap the codec cannot convert, or the
// memory manager's error.
#pragma once

#include "platform/memory/memory.h"
#include "platform/types.h"
#include "store/packing.h"
#include "store/records.h"

namespace kv {

// --- Object lists ------------------------------------------------------------------------------
// The objects of a list (none for a list of 0), read and written by value.
inline i32 spotcount(Handle list) { return list ? GetHandleSize(list) / i32(sizeof(spot)) : 0; }
inline spot spotat(Handle list, i32 i) { return loadat<spot>(deref(list) + i64(i) * i64(sizeof(spot))); }
inline void putspot(Handle list, i32 i, const spot& s) { storeat<spot>(deref(list) + i64(i) * i64(sizeof(spot)), s); }

// Fills the defaults of a new object (style, kind, id, rectangle and the first eight bytes of
// the kind tail are the caller's).
void defaultspot(spot& s);

OSErr packspot(Handle list);
OSErr fastspot(Handle target, i32& offset, i32& capacity, Handle list, const PackOptions& how = {});
OSErr unpackspot(Handle list, int depth = 0);
// Bytes in memory of the list and of the parts of the chosen objects: 0 unselected, 1 selected,
// 2 all.
i64 sizespot(Handle list, i16 selector, int depth = 0);
i64 size1spot(Handle list, i32 index);  // 0 for a bad index
OSErr dupespot(Handle* list);           // on failure *list is left as it was
OSErr clonespot(Handle list, i32 index, Handle dest);
void dumpspot(Handle list, int depth = 0);

// Frees every part of the first `count` objects of a list (the list itself stays).
void dumpspotentries(Handle list, i32 count);
// Clears the runtime slots of an object: the live record of a field, the control of a
// platform-control button.
void clearruntimeslots(spot& s);

// --- User properties ---------------------------------------------------------------------------
OSErr packprop(Handle list);
OSErr unpackprop(Handle list);
OSErr fastprop(Handle target, i32& offset, i32& capacity, Handle list);
i64 sizeprop(Handle list);  // 0 for no list, an empty one or one whose size is not whole entries
OSErr copyprop(Handle src, Handle dst);
void dumprop(Handle list);
void dumppropentries(Handle list, i32 count);

// --- Alternate data ----------------------------------------------------------------------------
OSErr setaltdata(Handle list, Handle data, u32 kind);
Handle getaltdata(Handle list, u32 kind);
OSErr deletealt(Handle list, u32 kind);
i32 countalttype(Handle list, u32 kind);
i32 numberalthandles(Handle list);
i64 sizealt(Handle list);
OSErr packalt(Handle list);
OSErr unpackalt(Handle list);
OSErr fastalt(Handle target, i32& offset, i32& capacity, Handle list);
OSErr copyalt(Handle src, Handle dst);
OSErr dupealt(Handle* list);  // on failure *list is left as it was
void dumpalt(Handle list);
void dumpaltentries(Handle list, i32 count);
void clearalt(spot& s);

// --- Embedded objects --------------------------------------------------------------------------
OSErr packiota(Handle h);
OSErr unpackiota(Handle h);
OSErr dupeiota(Handle* h);  // on failure *h is left as it was
void dumpiota(Handle h);

}  // namespace kv
