// The bidirectional order of text (GNU FriBidi): the embedding level of each character of a
// line and the order in which its characters are shown from left to right.
#pragma once

#include <vector>

#include "platform/types.h"

namespace kv {

struct BidiLine {
  std::vector<u8> levels;   // per character: even left to right, odd right to left
  std::vector<i32> visual;  // visual[j]: the character shown j-th from the left
};

// The order of a line of Unicode characters in a paragraph of the given base direction.
BidiLine bidiorder(const std::vector<char32_t>& text, bool righttoleft);

// Strong stand-ins for runs of known direction: a character that is left to right, and one
// that is right to left.
constexpr char32_t kBidiStrongLeft = U'a';
constexpr char32_t kBidiStrongRight = U'\u05D0';

}  // namespace kv
