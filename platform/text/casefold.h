// Case folding of Mac Roman text. Only the letters A-Z fold (to a-z); every other byte,
// the accented letters included, is its own lower case. `plaintable` also drops the marks of
// accented letters, for comparisons that ignore them. Nothing here depends on a locale.
#pragma once

#include <array>
#include <cstddef>
#include <utility>

#include "platform/types.h"

namespace kv {

namespace casefolddetail {
constexpr std::array<u8, 256> makelowertable() {
  std::array<u8, 256> t{};
  for (int i = 0; i < 256; ++i) t[std::size_t(i)] = u8(i >= 'A' && i <= 'Z' ? i + ('a' - 'A') : i);
  return t;
}

// The accented letters of Mac Roman and the letter each is written on.
constexpr std::array<std::pair<u8, u8>, 54> kMarkedLetters{{
    {0x80, 'A'}, {0x81, 'A'}, {0x82, 'C'}, {0x83, 'E'}, {0x84, 'N'}, {0x85, 'O'}, {0x86, 'U'}, {0x87, 'a'}, {0x88, 'a'},
    {0x89, 'a'}, {0x8A, 'a'}, {0x8B, 'a'}, {0x8C, 'a'}, {0x8D, 'c'}, {0x8E, 'e'}, {0x8F, 'e'}, {0x90, 'e'}, {0x91, 'e'},
    {0x92, 'i'}, {0x93, 'i'}, {0x94, 'i'}, {0x95, 'i'}, {0x96, 'n'}, {0x97, 'o'}, {0x98, 'o'}, {0x99, 'o'}, {0x9A, 'o'},
    {0x9B, 'o'}, {0x9C, 'u'}, {0x9D, 'u'}, {0x9E, 'u'}, {0x9F, 'u'}, {0xAF, 'O'}, {0xBF, 'o'}, {0xCB, 'A'}, {0xCC, 'A'},
    {0xCD, 'O'}, {0xD8, 'y'}, {0xD9, 'Y'}, {0xE5, 'A'}, {0xE6, 'E'}, {0xE7, 'A'}, {0xE8, 'E'}, {0xE9, 'E'}, {0xEA, 'I'},
    {0xEB, 'I'}, {0xEC, 'I'}, {0xED, 'I'}, {0xEE, 'O'}, {0xEF, 'O'}, {0xF1, 'O'}, {0xF2, 'U'}, {0xF3, 'U'}, {0xF4, 'U'},
}};

constexpr std::array<u8, 256> makeplaintable() {
  std::array<u8, 256> t = makelowertable();
  for (auto [marked, letter] : kMarkedLetters) t[marked] = makelowertable()[letter];
  return t;
}
}  // namespace casefolddetail

// Maps A-Z to a-z and every other byte to itself.
inline constexpr std::array<u8, 256> lowertable = casefolddetail::makelowertable();

inline u8 lowerchar(u8 c) { return lowertable[c]; }

// True when the n bytes match, letters A-Z matching their lower case.
inline bool equalnocase(const u8* a, const u8* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (lowertable[a[i]] != lowertable[b[i]]) return false;
  return true;
}

// Maps every letter to its lower-case letter without its marks (\xE7 and \x87 to 'a'); other
// bytes to themselves.
inline constexpr std::array<u8, 256> plaintable = casefolddetail::makeplaintable();

// True when the n bytes match ignoring case and diacritical marks.
inline bool equalplain(const u8* a, const u8* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (plaintable[a[i]] != plaintable[b[i]]) return false;
  return true;
}

}  // namespace kv
