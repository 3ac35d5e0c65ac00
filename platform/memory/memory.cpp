#include "platform/memory/memory.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

#include "platform/memory/badhandles.h"

namespace kv {

constinit handletable::Table handletable::table{};

namespace {

using handletable::BlockHeader;
using handletable::kDeadId;
using handletable::kSlotMask;
using Entry = handletable::Slot;

constexpr u32 kIdBase = 0x80000000u;
constexpr u32 kSlotBits = 24;
constexpr u8 kMaxGeneration = 127;
constexpr u8 kPoison = 0xDB;
constexpr std::size_t kReuseAfter = 1024;
// Outside hardened runs small blocks are kept when freed and given out again: their capacity
// is rounded up to a multiple of kSpareStep, and up to kSparesPerSize blocks of each capacity
// up to kSpareLargest wait for reuse.
constexpr u32 kSpareStep = 16;
constexpr u32 kSpareLargest = 256;
constexpr std::size_t kSparesPerSize = 256;
// Each block carries a hidden header in front of its bytes so that a pointer can find its
// size and a handle block can be checked against its id.
constexpr u32 kPtrMagic = 0x4B565054;  // "KVPT"

#ifdef KV_HARDENED
constexpr bool kHardenedByDefault = true;
#else
constexpr bool kHardenedByDefault = false;
#endif

struct MemoryState {
  std::vector<Entry> entries;
  std::deque<u32> freeslots;  // oldest first
  std::size_t livehandles = 0;
  std::size_t livebytes = 0;
  std::size_t livepointers = 0;
  std::size_t allocations = 0;
  std::size_t badhandleuses = 0;
  std::size_t badhandleusesever = 0;  // not cleared by resets
  std::size_t budget = 0;
  std::size_t failafter = 0;
  bool hardened = kHardenedByDefault;
  u32 serial = 0;  // the last handle serial given (it survives resets)
  std::array<std::vector<BlockHeader*>, kSpareLargest / kSpareStep + 1> spares;  // by capacity
};

// The handle table belongs to the runtime root: resetruntime() empties it (memoryreset) once
// every module state is gone. It is never destroyed, so it outlives those states.
MemoryState* gmemory = new MemoryState();
MemoryState& mem() { return *gmemory; }

// The next handle serial (never 0, which stands for none).
u32 nextserial(MemoryState& m) {
  if (++m.serial == 0) ++m.serial;
  return m.serial;
}

OSErr& lasterror() { return handletable::table.lasterror; }

// The remembered block moves or goes.
void forgetrecent(Handle h) {
  if (handletable::table.recent.id == h) handletable::table.recent = handletable::Recent{};
}

// Keeps the fast paths' view of the slots current after the array grew.
void publishslots(MemoryState& m) {
  handletable::table.slots = m.entries.data();
  handletable::table.count = u32(m.entries.size());
}

bool admit(std::size_t grow) {
  MemoryState& m = mem();
  if (m.failafter > 0 && --m.failafter == 0) return false;
  if (m.budget != 0 && m.livebytes + grow > m.budget) return false;
  if (grow > 0x7FFFFFFFu) return false;
  return true;
}

// A block with room for at least `capacity` bytes; its header's capacity says how many.
BlockHeader* rawalloc(u32 capacity) {
  MemoryState& m = mem();
  if (!m.hardened && capacity <= kSpareLargest) {
    u32 rounded = capacity == 0 ? kSpareStep : (capacity + kSpareStep - 1) / kSpareStep * kSpareStep;
    std::vector<BlockHeader*>& spare = m.spares[rounded / kSpareStep];
    BlockHeader* b = nullptr;
    if (!spare.empty()) {
      b = spare.back();
      spare.pop_back();
    } else {
      b = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + rounded));
    }
    if (b != nullptr) b->capacity = rounded;
    return b;
  }
  auto* b = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + (capacity ? capacity : 1)));
  if (b != nullptr) b->capacity = capacity;
  return b;
}

void rawfree(BlockHeader* b) {
  if (b == nullptr) return;
  MemoryState& m = mem();
  if (m.hardened) {
    std::memset(b + 1, kPoison, b->capacity);
  } else if (b->capacity > 0 && b->capacity <= kSpareLargest && b->capacity % kSpareStep == 0) {
    std::vector<BlockHeader*>& spare = m.spares[b->capacity / kSpareStep];
    if (spare.size() < kSparesPerSize) {
      spare.push_back(b);
      return;
    }
  }
  std::free(b);
}

void freespares(MemoryState& m) {
  for (std::vector<BlockHeader*>& spare : m.spares) {
    for (BlockHeader* b : spare) std::free(b);
    spare.clear();
  }
}

// The live block `h` names, or null. A non-null id that names none is a bad use: counted, and
// announced in hardened runs.
Entry* lookup(Handle h) {
  if (Entry* e = handletable::live(h)) return e;
  MemoryState& m = mem();
  if (h == nilhandle) return nullptr;
  u32 slot = h & kSlotMask;
  u32 gen = (h >> kSlotBits) & 0x7F;
  if ((h & kIdBase) == 0 || gen == 0 || slot >= m.entries.size()) {
    m.badhandleuses++;
    m.badhandleusesever++;
    return nullptr;
  }
  Entry& e = m.entries[slot];
  if (e.id == kDeadId || e.generation != gen) {
    m.badhandleuses++;
    m.badhandleusesever++;
    if (m.hardened) std::fprintf(stderr, "kestrove: use of a disposed handle 0x%08X\n", h);
    return nullptr;
  }
  return &e;
}

Handle newhandle(Size size, bool clear) {
  MemoryState& m = mem();
  if (size < 0) {
    lasterror() = memFullErr;
    return nilhandle;
  }
  if (!admit(std::size_t(size))) {
    lasterror() = memFullErr;
    return nilhandle;
  }
  BlockHeader* b = rawalloc(u32(size));
  if (b == nullptr) {
    lasterror() = memFullErr;
    return nilhandle;
  }
  u32 slot;
  // A freed slot is taken again only once many others were freed after it, so an id stays
  // unused for a long time after its block is disposed.
  if (m.freeslots.size() > kReuseAfter || (!m.freeslots.empty() && m.entries.size() >= kSlotMask)) {
    slot = m.freeslots.front();
    m.freeslots.pop_front();
  } else {
    if (m.entries.size() >= kSlotMask) {
      rawfree(b);
      lasterror() = memFullErr;
      return nilhandle;
    }
    slot = u32(m.entries.size());
    m.entries.push_back(Entry{nullptr, kDeadId, 0, 0, 0});
    publishslots(m);
  }
  Entry& e = m.entries[slot];
  e.generation = u8(e.generation >= kMaxGeneration ? 1 : e.generation + 1);
  e.state = 0;
  e.block = b;
  Handle id = kIdBase | (u32(e.generation) << kSlotBits) | slot;
  e.id = id;
  b->id = id;
  b->size = u32(size);
  b->serial = nextserial(m);
  if (clear) std::memset(b + 1, 0, size_t(size));
  else if (m.hardened) std::memset(b + 1, 0xCD, size_t(size));
  m.livehandles++;
  m.livebytes += size_t(size);
  m.allocations++;
  lasterror() = noErr;
  return id;
}

}  // namespace

Handle NewHandle(Size size) { return newhandle(size, false); }
Handle NewHandleClear(Size size) { return newhandle(size, true); }

void DisposeHandle(Handle h) {
  MemoryState& m = mem();
  if (h == nilhandle) {
    lasterror() = nilHandleErr;
    return;
  }
  Entry* e = lookup(h);
  if (e == nullptr) {
    lasterror() = nilHandleErr;
    return;
  }
  m.livebytes -= e->block->size;
  m.livehandles--;
  forgetrecent(h);
  rawfree(e->block);
  e->block = nullptr;
  e->id = kDeadId;
  m.freeslots.push_back(h & kSlotMask);
  lasterror() = noErr;
}

void RenewHandleSerial(Handle h) {
  if (Entry* e = handletable::live(h); e != nullptr && h != nilhandle) e->block->serial = nextserial(mem());
}

bool IsValidHandle(Handle h) {
  if (h == nilhandle) return false;
  // Asking is not a bad use: neither counted nor announced (callers ask exactly because the
  // block may have gone).
  return handletable::live(h) != nullptr;
}

Ptr handletable::badderef(Handle h) {
  Entry* e = lookup(h);
  return e ? reinterpret_cast<Ptr>(e->block + 1) : nullptr;
}

Size handletable::badsize(Handle h) {
  Entry* e = lookup(h);
  if (e == nullptr) {
    lasterror() = nilHandleErr;
    return 0;
  }
  lasterror() = noErr;
  return Size(e->block->size);
}

void SetHandleSize(Handle h, Size size) {
  MemoryState& m = mem();
  Entry* e = lookup(h);
  if (e == nullptr) {
    lasterror() = nilHandleErr;
    return;
  }
  if (size < 0) {
    lasterror() = memFullErr;
    return;
  }
  forgetrecent(h);
  BlockHeader* b = e->block;
  u32 old = b->size;
  u32 want = u32(size);
  if (want > old && !admit(want - old)) {
    lasterror() = memFullErr;
    return;
  }
  if (m.hardened || want > b->capacity) {
    // Grow with some slack outside hardened builds so that repeated appends stay linear.
    u32 capacity = want;
    if (!m.hardened && want > b->capacity) {
      u64 c = u64(want) + (u64(want) >> 1) + 16;
      capacity = c > 0x7FFFFFFFu ? want : u32(c);
    }
    BlockHeader* nb = rawalloc(capacity);
    if (nb == nullptr) {
      lasterror() = memFullErr;
      return;
    }
    u32 room = nb->capacity;
    *nb = *b;
    nb->capacity = room;
    std::memcpy(nb + 1, b + 1, want < old ? want : old);
    rawfree(b);
    b = nb;
    e->block = b;
  }
  if (want > old) {
    if (m.hardened) std::memset(reinterpret_cast<u8*>(b + 1) + old, 0xCD, want - old);
    m.livebytes += want - old;
    m.allocations++;
  } else {
    m.livebytes -= old - want;
  }
  b->size = want;
  lasterror() = noErr;
}

void EmptyHandle(Handle h) { SetHandleSize(h, 0); }

OSErr HandToHand(Handle* h) {
  Size n = GetHandleSize(*h);
  if (MemError() != noErr) return MemError();
  Handle c = NewHandle(n);
  if (c == nilhandle) return MemError();
  std::memcpy(deref(c), deref(*h), size_t(n));
  *h = c;
  return noErr;
}

OSErr PtrToHand(const void* src, Handle* dst, Size size) {
  *dst = NewHandle(size);
  if (*dst == nilhandle) return MemError();
  if (size > 0) std::memcpy(deref(*dst), src, size_t(size));
  return noErr;
}

OSErr PtrToXHand(const void* src, Handle dst, Size size) {
  SetHandleSize(dst, size);
  if (MemError() != noErr) return MemError();
  if (size > 0) std::memmove(deref(dst), src, size_t(size));
  return noErr;
}

OSErr PtrAndHand(const void* src, Handle dst, Size size) {
  Size old = GetHandleSize(dst);
  if (MemError() != noErr) return MemError();
  if (size <= 0) return noErr;
  if (i64(old) + size > 0x7FFFFFFF) return lasterror() = memFullErr;
  SetHandleSize(dst, old + size);
  if (MemError() != noErr) return MemError();
  std::memcpy(deref(dst) + old, src, size_t(size));
  return noErr;
}

OSErr HandAndHand(Handle src, Handle dst) {
  Size n = GetHandleSize(src);
  if (MemError() != noErr) return MemError();
  Size old = GetHandleSize(dst);
  if (MemError() != noErr) return MemError();
  if (n == 0) return noErr;
  if (i64(old) + n > 0x7FFFFFFF) return lasterror() = memFullErr;
  SetHandleSize(dst, old + n);
  if (MemError() != noErr) return MemError();
  // src may be dst: fetch both pointers after the resize.
  std::memmove(deref(dst) + old, deref(src), size_t(n));
  return noErr;
}

i32 Munger(Handle h, i32 offset, const void* ptr1, i32 len1, const void* ptr2, i32 len2) {
  Size size = GetHandleSize(h);
  if (MemError() != noErr || offset < 0 || offset > size) return -1;
  i32 at = offset;
  if (ptr1 != nullptr) {
    if (len1 <= 0) return -1;
    at = -1;
    const u8* p = deref(h);
    for (i32 i = offset; i + len1 <= size; ++i) {
      if (std::memcmp(p + i, ptr1, size_t(len1)) == 0) {
        at = i;
        break;
      }
    }
    if (at < 0) return -1;
  } else if (len1 < 0 || at + len1 > size) {
    len1 = size - at;
  }
  if (ptr2 == nullptr) return at + len1;  // only a search was asked
  i32 tail = size - at - len1;
  if (len2 > len1) {
    SetHandleSize(h, size + (len2 - len1));
    if (MemError() != noErr) return -1;
    u8* p = deref(h);
    std::memmove(p + at + len2, p + at + len1, size_t(tail));
  } else if (len2 < len1) {
    u8* p = deref(h);
    std::memmove(p + at + len2, p + at + len1, size_t(tail));
    SetHandleSize(h, size - (len1 - len2));
  }
  if (len2 > 0) std::memmove(deref(h) + at, ptr2, size_t(len2));
  return at + len2;
}

void HLock(Handle h) {
  if (Entry* e = lookup(h)) e->state = i8(e->state | 0x80);
}
void HUnlock(Handle h) {
  if (Entry* e = lookup(h)) e->state = i8(e->state & 0x7F);
}
void HPurge(Handle h) {
  if (Entry* e = lookup(h)) e->state = i8(e->state | 0x40);
}
void HNoPurge(Handle h) {
  if (Entry* e = lookup(h)) e->state = i8(e->state & ~0x40);
}
void MoveHHi(Handle h) { (void)lookup(h); }
i8 HGetState(Handle h) {
  Entry* e = lookup(h);
  return e ? e->state : 0;
}
void HSetState(Handle h, i8 s) {
  if (Entry* e = lookup(h)) e->state = s;
}

Ptr NewPtr(Size size) {
  MemoryState& m = mem();
  if (size < 0 || !admit(std::size_t(size))) {
    lasterror() = memFullErr;
    return nullptr;
  }
  BlockHeader* b = rawalloc(u32(size));
  if (b == nullptr) {
    lasterror() = memFullErr;
    return nullptr;
  }
  b->id = kPtrMagic;
  b->size = u32(size);
  b->serial = 0;
  m.livepointers++;
  m.livebytes += size_t(size);
  m.allocations++;
  lasterror() = noErr;
  return reinterpret_cast<Ptr>(b + 1);
}

Ptr NewPtrClear(Size size) {
  Ptr p = NewPtr(size);
  if (p) std::memset(p, 0, size_t(size));
  return p;
}

void DisposePtr(Ptr p) {
  if (p == nullptr) return;
  BlockHeader* b = reinterpret_cast<BlockHeader*>(p) - 1;
  if (b->id != kPtrMagic) {
    lasterror() = paramErr;
    return;
  }
  b->id = 0;
  mem().livepointers--;
  mem().livebytes -= b->size;
  rawfree(b);
}

Size GetPtrSize(Ptr p) {
  if (p == nullptr) return 0;
  BlockHeader* b = reinterpret_cast<BlockHeader*>(p) - 1;
  return b->id == kPtrMagic ? Size(b->size) : 0;
}


MemoryFigures memoryfigures() {
  MemoryState& m = mem();
  return {m.livehandles, m.livebytes, m.livepointers, m.allocations, m.badhandleuses};
}

std::size_t badhandleusessincestart() { return mem().badhandleusesever; }

void setmemorybudget(std::size_t bytes) { mem().budget = bytes; }
void failallocationafter(std::size_t n) { mem().failafter = n; }
bool allocationfailurepending() { return mem().failafter > 0; }
void setmemoryhardening(bool on) { mem().hardened = on; }

MemoryFigures memoryreset() {
  MemoryState& m = mem();
  MemoryFigures before = memoryfigures();
  for (Entry& e : m.entries) {
    if (e.id != kDeadId) {
      m.livebytes -= e.block->size;
      rawfree(e.block);
    }
    e.block = nullptr;
    e.id = kDeadId;
  }
  // Generations survive the reset so that ids from before it stay invalid.
  m.freeslots.clear();
  for (u32 i = 0; i < u32(m.entries.size()); ++i) m.freeslots.push_back(i);
  m.livehandles = 0;  // live pointers stay counted: their owners free them
  m.allocations = 0;
  m.badhandleuses = 0;
  m.budget = 0;
  m.failafter = 0;
  lasterror() = noErr;
  freespares(m);
  handletable::table.recent = handletable::Recent{};
  m.hardened = kHardenedByDefault;
  return before;
}

}  // namespace kv
