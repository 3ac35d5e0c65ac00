// Reading the answers and input files: lines, and quoted texts ("text", "" for one quote).
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Takes the next line off a text (without its line feed); false when the text is used up.
inline bool takeline(std::string_view& text, std::string_view* line) {
  if (text.empty()) return false;
  std::size_t nl = text.find('\n');
  *line = text.substr(0, nl);
  text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
  return true;
}

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
