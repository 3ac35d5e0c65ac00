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
Size GetHandleSize(Handle h);
void SetHandleSize(Handle h, Size size);        // MemError() tells whether it worked
void EmptyHandle(Handle h);                     // size 0, id kept
OSErr HandToHand(Handle* h);                    // *h becomes a new copy of itself
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
// The block's bytes, or null for none or an invalid id (which is counted as a bad use).
Ptr deref(Handle h);

template <class T>
T* HandleAs(Handle h) {
  static_assert(std::is_trivially_copyable_v<T>, "only trivially copyable types live in handles");
  return reinterpret_cast<T*>(deref(h));
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
OSErr MemError();

// --- Figures and test controls -----------------------------------------------------------
struct MemoryFigures {
  std::size_t livehandles = 0;
  std::size_t livebytes = 0;       // handle and pointer bytes in use
  std::size_t livepointers = 0;
  std::size_t allocations = 0;     // successful allocations and growths since the last reset
  std::size_t badhandleuses = 0;   // operations on ids that name no live block
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
