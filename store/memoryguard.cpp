// The memory guard (see memoryguard.h).
#include "core/memoryguard.h"

#include <algorithm>

#include "engine/hier.h"
#include "render/pictbuffers.h"
#include "platform/memory/addressspace.h"
#include "platform/resources/resources.h"
#include "platform/runtime/root.h"
#include "store/recordcache.h"

namespace kv {

namespace {

constexpr i32 kReserve = 60000;         // kept back from availmem
constexpr i32 kColourReserve = 120000;  // the same while colorWorld is set
constexpr int kRoundsWithoutGain = 2;   // purge rounds that freed nothing before giving up

memoryguarddetail::State& guard() { return state<memoryguarddetail::State>(); }

// One purge round: every cache gives up what it can spare. 1 when anything was freed.
bool purgeround() {
  bool freed = cleanhier() != 0;
  freed = cleanpicts() != 0 || freed;
  for (RegistryId p = mainglobals().openprojects; p != nilid; p = nextvir(p)) freed = cleanold(p) != 0 || freed;
  return freed;
}

}  // namespace

int nomemory(Size bytes) {
  memoryguarddetail::State& g = guard();
  if (bytes <= 0) return 0;
  g.lastrequest = bytes;
  if (g.refuse) return 1;
  u64 running = u64(g.total) + u64(bytes);
  if (running < kMemoryCheckTotal) {
    g.total = u32(running);
    return 0;
  }
  u64 needed = u64(bytes) + running;
  g.total = 0;
  int barren = 0;
  while (FreeVMem() < needed) {
    if (purgeround()) continue;
    if (barren == 0) {
      // Nothing here is purgeable but the program's own spare strings.
      if (Handle spare = GetResource(fourcc("STR#"), 1002)) ReleaseResource(spare);
    }
    if (++barren == kRoundsWithoutGain) {
      MainGlobals& m = mainglobals();
      m.lastmemreq = u32(std::min<u64>((needed + 1023) / 1024, 0xFFFFFFFFu));
      m.lastmemavail = u32(std::max(availmem(), 0));
      return 1;
    }
  }
  return 0;
}

i32 availmem() {
  i32 reserve = mainglobals().colorWorld ? kColourReserve : kReserve;
  return i32(i64(MaxVBlock()) - reserve);
}

u32 memoryguardtotal() { return guard().total; }

Size memoryguardlastrequest() { return guard().lastrequest; }

void setmemoryguardrefusal(bool on) { guard().refuse = on; }

}  // namespace kv
