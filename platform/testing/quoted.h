// Quoted texts of the answers and input files: "text", with "" standing for one quote.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Reads the quoted text that starts at s[at] (a '"'); on success *out holds it unquoted and
// `at` is just past the closing quote. False when the quote is not closed.
inline bool readquoted(std::string_view s, std::size_t& at, std::string* out) {
  std::string text;
  std::size_t i = at + 1;
  for (;;) {
    if (i >= s.size()) return false;
    if (s[i] == '"') {
      if (i + 1 < s.size() && s[i + 1] == '"') {
        text += '"';
        i += 2;
        continue;
      }
      break;
    }
    text += s[i++];
  }
  at = i + 1;
  *out = std::move(text);
  return true;
}

}  // namespace kv
