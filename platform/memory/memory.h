// Relocatable memory blocks named by 32-bit handle ids, and non-relocatable pointers.
//
// A handle id is 0x80000000 + generation (1-127) * 2^24 + slot, so no valid id is below
// 0x81000000 (in particular never 1, the "present" mark of packed records) and none equals
// 0xFFFFFFFF. The id survives resizing; a pointer taken from a handle must be fetched again
// after any call that may allocate. In hardened (test) builds every resize moves the block
// and freed blocks are poisoned, so a stale pointer shows up at once.
#pragma once

#include <cstring>
#include <type_traits>

#include "platform/types.h"

namespace kv {

// --- Handles -----------------------------------------------------------------------------
Handle NewHandle(Size size);
Handle NewHandleClear(Size size);
void DisposeHandle(Handle h);
inline Size GetHandleSize(Handle h);
void SetHandleSize(Handle h, Size size);                   // MemError() tells whether it worked
void EmptyHandle(Handle h);                                // size 0, id kept
OSErr HandToHand(Handle* h);                               // *h becomes a new copy of itself
OSErr PtrToHand(const void* src, Handle* dst, Size size);  // *dst: a new handle with the bytes
OSErr PtrToXHand(const void* src, Handle dst, Size size);  // dst resized to the bytes
OSErr PtrAndHand(const void* src, Handle dst, Size size);  // bytes appended
OSErr HandAndHand(Handle src, Handle dst);                 // src's bytes appended to dst
// Replaces len1 bytes at offset (or the first occurrence of ptr1 from offset when ptr1 is not
// null) by ptr2/len2; answers the offset after the replacement, or a negative value.
i32 Munger(Handle h, i32 offset, const void* ptr1, i32 len1, const void* ptr2, i32 len2);

// Locking and purging have no effect on where a block lives here; the state word is kept
// so that HGetState/HSetState round-trip.
void HLock(Handle h);
void HUnlock(Handle h);
void HPurge(Handle h);
void HNoPurge(Handle h);
void MoveHHi(Handle h);
i8 HGetState(Handle h);
void HSetState(Handle h, i8 state);

bool IsValidHandle(Handle h);

// The handle table as the inline fast paths read it. Each slot holds the id of its live
// block, or kDeadId while none: an id is live exactly when its slot holds it, so one compare
// tells a good id (nilhandle included: no slot ever holds 0).
namespace handletable {
struct BlockHeader {
  u32 id;  // the handle id, or a pointer block's mark
  u32 size;
  u32 capacity;
  u32 serial;  // a handle's serial (HandleSerial); 0 for a pointer block
};
static_assert(sizeof(BlockHeader) == 16);
struct Slot {
  BlockHeader* block;
  u32 id;         // the live id, or kDeadId
  u8 generation;  // 0 = never used
  i8 state;
  u16 pad;
};
constexpr u32 kDeadId = 0xFFFFFFFFu;
constexpr u32 kSlotMask = (1u << 24) - 1;
// The block last read through recentblock (the atoms the interpreter reads at every step):
// its id (none: nilhandle), bytes and size. memory.cpp forgets it whenever that block is
// resized or disposed, so it is always the block's present place and size.
struct Recent {
  Handle id = nilhandle;
  u32 size = 0;
  const u8* data = nullptr;
};
struct Table {
  Slot* slots = nullptr;  // the table's own array (memory.cpp keeps it current)
  u32 count = 0;
  OSErr lasterror = 0;
  Recent recent;
};
// Part of the runtime root's handle table; constant-initialised and never destroyed.
extern constinit Table table;

inline Slot* live(Handle h) {
  u32 slot = h & kSlotMask;
  if (slot < table.count && table.slots[slot].id == h) return &table.slots[slot];
  return nullptr;
}

// A block read again and again: its place and size, from the remembered one when it is that
// block, else looked up (and remembered). Null for none or an id that names no live block
// (not counted: the caller counts it). Sets no error code.
inline const Recent* recentblock(Handle h) {
  if (h == table.recent.id && h != nilhandle) return &table.recent;
  Slot* s = live(h);
  if (s == nullptr) return nullptr;
  table.recent = Recent{h, s->block->size, reinterpret_cast<const u8*>(s->block + 1)};
  return &table.recent;
}
// The slow paths: an id that names no live block (counted as a bad use).
Ptr badderef(Handle h);
Size badsize(Handle h);
}  // namespace handletable

// The block's bytes, or null for none or an invalid id (which is counted as a bad use).
inline Ptr deref(Handle h) {
  if (handletable::Slot* s = handletable::live(h)) return reinterpret_cast<Ptr>(s->block + 1);
  return handletable::badderef(h);
}

template <class T>
T* HandleAs(Handle h) {
  static_assert(std::is_trivially_copyable_v<T>, "only trivially copyable types live in handles");
  return reinterpret_cast<T*>(deref(h));
}
inline Size GetHandleSize(Handle h) {
  if (handletable::Slot* s = handletable::live(h)) {
    handletable::table.lasterror = 0;
    return Size(s->block->size);
  }
  return handletable::badsize(h);
}

// The serial a handle was given when it was made: handles made one after another get
// different ones (counting on through resets and wrapping only after 2^32 handles), and a
// handle keeps its own while it lives, resized or moved. So an id met again that still names
// a block with the serial it had is the same handle, not a later one that took its place.
// 0 for none or an invalid id (not counted as a bad use).
inline u32 HandleSerial(Handle h) {
  handletable::Slot* s = handletable::live(h);
  return s != nullptr ? s->block->serial : 0;
}

// Gives a live handle the next serial, as a new handle would get: for an owner that hands a
// handle it kept out again in place of a new one, so that whatever remembered the handle by
// its serial does not take it for the same. Nothing for none or an invalid id.
void RenewHandleSerial(Handle h);

// GetHandleSize, then the bytes when there are any, in one look-up of the table: the block's
// bytes and its size in *size; for none or an invalid id, null and 0 (counted once, as
// GetHandleSize counts it).
inline Ptr derefsize(Handle h, Size* size) {
  if (handletable::Slot* s = handletable::live(h)) {
    handletable::table.lasterror = 0;
    *size = Size(s->block->size);
    return reinterpret_cast<Ptr>(s->block + 1);
  }
  *size = handletable::badsize(h);
  return nullptr;
}

template <class T>
Size HandleCount(Handle h) {
  return GetHandleSize(h) / Size(sizeof(T));
}

// --- Pointers ----------------------------------------------------------------------------
Ptr NewPtr(Size size);
Ptr NewPtrClear(Size size);
void DisposePtr(Ptr p);
Size GetPtrSize(Ptr p);

// --- Copies and errors -------------------------------------------------------------------
inline void BlockMoveData(const void* src, void* dst, Size n) {
  if (n > 0) std::memmove(dst, src, size_t(n));
}
inline void BlockMove(const void* src, void* dst, Size n) { BlockMoveData(src, dst, n); }
inline void BlockZero(void* dst, Size n) {
  if (n > 0) std::memset(dst, 0, size_t(n));
}
inline OSErr MemError() { return handletable::table.lasterror; }

// --- Figures and test controls -----------------------------------------------------------
struct MemoryFigures {
  std::size_t livehandles = 0;
  std::size_t livebytes = 0;  // handle and pointer bytes in use
  std::size_t livepointers = 0;
  std::size_t allocations = 0;    // successful allocations and growths since the last reset
  std::size_t badhandleuses = 0;  // operations on ids that name no live block
};
MemoryFigures memoryfigures();

// Total bytes that may be in use at once; 0 = no budget.
void setmemorybudget(std::size_t bytes);
// The nth allocation or growth from now fails with memFullErr (1 = the next one); 0 disarms.
void failallocationafter(std::size_t n);
// Whether the failure armed by failallocationafter is still to come.
bool allocationfailurepending();
// Whether resizes move blocks and freed blocks are poisoned (on by default in hardened builds;
// a reset restores the default).
void setmemoryhardening(bool on);

// Frees every block; answers what was still live (part of the runtime reset).
MemoryFigures memoryreset();

}  // namespace kv
