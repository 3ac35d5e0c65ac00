// How much memory the program may still use: the figures the memory guard weighs a request
// against. They come from a model that tests replace.
//
// The default model: the address-space budget (0xFFE00000 bytes unless set) less the bytes
// the handle table holds now, and no more than the kernel's available memory
// (/proc/meminfo, MemAvailable, read at most once every 50 ms). Every figure is capped at
// 2,147,483,647.
#pragma once

#include <functional>

#include "platform/types.h"

namespace kv {

constexpr u64 kAddressFigureCap = 0x7FFFFFFF;
constexpr u64 kDefaultAddressBudget = 0xFFE00000;  // 4 GiB less 2 MiB

struct AddressSpace {
  u64 freebytes = 0;     // free address space
  u64 largestblock = 0;  // the largest block that could be allocated in one piece
};

// Free address space in bytes.
u32 FreeVMem();
// The largest unused gap of address space, in bytes.
u32 MaxVBlock();

// Replaces the model (an empty function restores the default). Figures above the cap are
// answered as the cap.
void setaddressspacemodel(std::function<AddressSpace()> model);
// The budget of the default model.
void setaddressspacebudget(u64 bytes);

}  // namespace kv
