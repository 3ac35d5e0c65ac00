#include "store/namekey.h"

#include <bit>
#include <cstring>

namespace kv {

namespace {

constexpr std::array<u8, 256> maketransformtable() {
  std::array<u8, 256> t{};
  for (int c = 'A'; c <= 'Z'; ++c) {
    t[std::size_t(c)] = u8(c - 'A' + 1);
    t[std::size_t(c - 'A' + 'a')] = u8(c - 'A' + 1);
  }
  const u8 digits[10] = {27, 28, 29, 30, 31, 17, 24, 26, 10, 22};
  for (int d = 0; d < 10; ++d) t[std::size_t('0' + d)] = digits[d];

  constexpr u8 A = 1, C = 3, E = 5, I = 9, N = 14, O = 15, U = 21;
  struct Range {
    u8 first, last, cls;
  };
  // Accented letters of Mac Roman, then the ligatures and ordinals.
  const Range accents[] = {
      {128, 129, A}, {135, 140, A}, {130, 130, C}, {141, 141, C}, {131, 131, E}, {142, 145, E}, {146, 149, I},
      {132, 132, N}, {150, 150, N}, {133, 133, O}, {151, 155, O}, {134, 134, U}, {156, 159, U}, {174, 174, A},
      {187, 187, A}, {190, 190, A}, {203, 204, A}, {175, 175, O}, {188, 188, O}, {191, 191, O}, {205, 207, O},
  };
  for (const Range& r : accents)
    for (int c = r.first; c <= r.last; ++c) t[std::size_t(c)] = r.cls;
  return t;
}

}  // namespace

const std::array<u8, 256> transformtable = maketransformtable();

void getkey(ConstStringPtr name, u32* key) {
  const u32 n = name[0];
  u32 k = std::rotl(n, 7);
  for (u32 i = 1; i <= n; ++i) k = std::rotl(k ^ transformtable[name[i]], 5);
  *key = k;
}

void hash(void* hint) { std::memset(hint, 0, 32); }

}  // namespace kv
