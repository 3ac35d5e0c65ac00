// The address-space figures: the default model over the handle table and /proc/meminfo, or
// the model a test put in its place.
#include "platform/memory/addressspace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/memory/memory.h"
#include "platform/runtime/root.h"

namespace kv {

namespace {

struct AddressSpaceState {
  std::function<AddressSpace()> model;
  u64 budget = kDefaultAddressBudget;
  // The kernel's last answer and when it was read: the guard may ask many times a second
  // (a growing text asks at every few megabytes written), and the kernel's figure does not
  // move that fast, so it is read again only after kKernelFigureLife.
  bool known = false;
  bool available = false;
  u64 kernelbytes = 0;
  std::chrono::steady_clock::time_point readat{};
};

constexpr auto kKernelFigureLife = std::chrono::milliseconds(50);

AddressSpaceState& as() { return state<AddressSpaceState>(); }

// MemAvailable of /proc/meminfo in bytes; false when the kernel does not say.
bool kernelavailable(u64* bytes) {
  std::FILE* f = std::fopen("/proc/meminfo", "r");
  if (f == nullptr) return false;
  char line[256];
  bool found = false;
  while (!found && std::fgets(line, sizeof line, f) != nullptr) {
    unsigned long long kb = 0;
    if (std::strncmp(line, "MemAvailable:", 13) == 0 && std::sscanf(line + 13, "%llu", &kb) == 1) {
      *bytes = u64(kb) * 1024;
      found = true;
    }
  }
  std::fclose(f);
  return found;
}

// MemAvailable as kernelavailable answers it, read again once the last reading is old.
bool recentkernelavailable(u64* bytes) {
  AddressSpaceState& s = as();
  auto now = std::chrono::steady_clock::now();
  if (!s.known || now - s.readat >= kKernelFigureLife) {
    s.available = kernelavailable(&s.kernelbytes);
    s.known = true;
    s.readat = now;
  }
  *bytes = s.kernelbytes;
  return s.available;
}

AddressSpace defaultmodel() {
  u64 used = memoryfigures().livebytes;
  u64 budget = as().budget;
  u64 free = budget > used ? budget - used : 0;
  u64 kernel = 0;
  if (recentkernelavailable(&kernel)) free = std::min(free, kernel);
  return AddressSpace{free, free};
}

AddressSpace figures() {
  AddressSpaceState& s = as();
  return s.model ? s.model() : defaultmodel();
}

u32 capped(u64 v) { return u32(std::min(v, kAddressFigureCap)); }

}  // namespace

u32 FreeVMem() { return capped(figures().freebytes); }

u32 MaxVBlock() { return capped(figures().largestblock); }

void setaddressspacemodel(std::function<AddressSpace()> model) { as().model = std::move(model); }

void setaddressspacebudget(u64 bytes) { as().budget = bytes; }

}  // namespace kv
