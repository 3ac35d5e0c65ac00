#include "platform/text/macsets.h"

#include <array>

#include "platform/text/textencodings.h"

namespace kv {

namespace {

struct MacSet {
  u32 base;
  std::array<char16_t, 256> units;
};

constexpr MacSet kSets[] = {
#include "platform/text/macsets.inc"
};

const MacSet* setof(u32 base) {
  for (const MacSet& s : kSets)
    if (s.base == base) return &s;
  return nullptr;
}

}  // namespace

bool hasmacset(u32 base) { return setof(base) != nullptr; }

char16_t macsettounicode(u32 base, u8 c) {
  const MacSet* s = setof(base);
  return s ? s->units[c] : char16_t(0xFFFF);
}

}  // namespace kv
