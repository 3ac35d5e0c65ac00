#include "commands/objectids.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "store/objects.h"

namespace kv {

namespace {
constexpr i32 kFirstObjectId = 100;
}  // namespace

u32 uniqueid(Handle list, u32 wanted) {
  i32 n = spotcount(list);
  if (n == 0) return wanted != 0 ? wanted : u32(kFirstObjectId);
  std::vector<i32> ids(static_cast<std::size_t>(n));
  for (i32 i = 0; i < n; ++i) ids[std::size_t(i)] = i32(spotat(list, i).id);
  if (wanted != 0 && std::find(ids.begin(), ids.end(), i32(wanted)) == ids.end()) return wanted;
  i32 largest = *std::max_element(ids.begin(), ids.end());
  if (largest < INT32_MAX) return u32(std::max(largest + 1, kFirstObjectId));
  // One past the largest would wrap around: the lowest id from 100 that no object has.
  std::sort(ids.begin(), ids.end());
  i32 candidate = kFirstObjectId;
  for (i32 id : ids) {
    if (id == candidate) ++candidate;
    else if (id > candidate) break;
  }
  return u32(candidate);
}

}  // namespace kv
